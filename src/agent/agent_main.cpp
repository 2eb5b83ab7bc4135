#include "agent/agent_main.h"

#include "agent/vorl_folder.h"

namespace agent {

int AgentMain(const std::wstring& start_argument, std::uint32_t wm_qxaddfolder) {
  TVorlFolder form(start_argument, wm_qxaddfolder);
  form.FormCreate();
  form.Run();
  form.FormDestroy();
  return 0;
}

}  // namespace agent
