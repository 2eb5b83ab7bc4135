// The one-file rounds over the link object calls, the same in every build.
#include "platform/shell_link.h"

namespace plat {

bool ReadShortcutTarget(const std::wstring& link_path, std::wstring& target) {
  target.clear();
  const OwnedShellLink link(CreateShellLink());
  return link && ShellLinkLoad(link.get(), link_path) && ShellLinkGetPath(link.get(), target);
}

bool WriteShortcut(const std::wstring& link_path, const std::wstring& target) {
  const OwnedShellLink link(CreateShellLink());
  return link && ShellLinkSetPath(link.get(), target) && ShellLinkSave(link.get(), link_path);
}

}  // namespace plat
