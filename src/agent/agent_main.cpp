#include "agent/agent_main.h"

#include "agent/vorl_folder.h"
#include "errors/error_form.h"

namespace agent {

int AgentMain(const std::wstring& start_argument, std::uint32_t wm_qxaddfolder) {
  TVorlFolder form(start_argument, wm_qxaddfolder);
  // Unhandled errors of the message loop show the error dialog; Restart and
  // Terminate end the loop.
  errors::InstallErrorDialog([&form] { form.Terminate(); });
  form.FormCreate();
  form.Run();
  form.FormDestroy();
  errors::RemoveErrorDialog();
  return 0;
}

}  // namespace agent
