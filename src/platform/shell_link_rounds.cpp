// The one-file rounds over the link object calls, the same in every build.
#include "platform/shell_link.h"

namespace plat {

bool ReadShortcutTarget(const std::wstring& link_path, std::wstring& target) {
  target.clear();
  ShellLink link = CreateShellLink();
  if (link == 0) return false;
  bool ok = ShellLinkLoad(link, link_path) && ShellLinkGetPath(link, target);
  ReleaseShellLink(link);
  return ok;
}

bool WriteShortcut(const std::wstring& link_path, const std::wstring& target) {
  ShellLink link = CreateShellLink();
  if (link == 0) return false;
  bool ok = ShellLinkSetPath(link, target) && ShellLinkSave(link, link_path);
  ReleaseShellLink(link);
  return ok;
}

}  // namespace plat
