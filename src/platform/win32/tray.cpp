#include "platform/tray.h"

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace plat {
namespace {
NOTIFYICONDATAW Data(Window owner, std::uint32_t id) {
  NOTIFYICONDATAW d{};
  d.cbSize = sizeof(d);
  d.hWnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner));
  d.uID = id;
  return d;
}
}  // namespace

bool TrayShowIcon(Window owner, std::uint32_t id, std::uint32_t callback_message, const std::wstring& tip) {
  NOTIFYICONDATAW d = Data(owner, id);
  d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  d.uCallbackMessage = callback_message;
  d.hIcon = static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(100), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
  if (!d.hIcon) d.hIcon = ::LoadIconW(nullptr, MAKEINTRESOURCEW(32512) /* IDI_APPLICATION */);
  std::wcsncpy(d.szTip, tip.c_str(), sizeof(d.szTip) / sizeof(d.szTip[0]) - 1);
  if (::Shell_NotifyIconW(NIM_ADD, &d)) return true;
  return ::Shell_NotifyIconW(NIM_MODIFY, &d) != 0;
}

bool TrayHideIcon(Window owner, std::uint32_t id) {
  NOTIFYICONDATAW d = Data(owner, id);
  return ::Shell_NotifyIconW(NIM_DELETE, &d) != 0;
}

}  // namespace plat
