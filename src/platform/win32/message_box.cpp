#include "platform/message_box.h"

#include <windows.h>

namespace plat {

int MessageBoxW(Window owner, const std::wstring& text, const std::wstring& caption, std::uint32_t type) {
  return ::MessageBoxW(reinterpret_cast<HWND>(static_cast<std::uintptr_t>(owner)), text.c_str(), caption.c_str(), type);
}

}  // namespace plat
