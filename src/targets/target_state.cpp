#include "targets/target_state.h"

#include <cstdio>

namespace targets {

plat::Window CurrentTargetWindow = 0;
TargetKind CurrentTargetKind = None;
plat::ThreadId AgentUiThreadId = 0;

std::wstring HandleText(plat::Window w) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%06llX", static_cast<unsigned long long>(w));
  return std::wstring(buf, buf + std::char_traits<char>::length(buf));
}

}  // namespace targets
