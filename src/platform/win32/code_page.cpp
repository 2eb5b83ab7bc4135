#include "platform/code_page.h"

#include <windows.h>

namespace plat {

std::wstring MultiByteToWide(std::uint32_t code_page, const std::string& bytes) {
  if (bytes.empty()) return {};
  int n = ::MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  if (n <= 0) return {};
  std::wstring out(static_cast<size_t>(n), L'\0');
  ::MultiByteToWideChar(code_page, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
  return out;
}

std::string WideToMultiByte(std::uint32_t code_page, const std::wstring& text, bool* lossless, std::uint32_t flags) {
  if (lossless) *lossless = true;
  if (text.empty()) return {};
  BOOL used_default = FALSE;
  // UTF-8 takes no default-character argument.
  BOOL* used = code_page == CP_UTF8 ? nullptr : &used_default;
  const DWORD wc_flags = code_page == CP_UTF8 ? 0 : flags;
  int n =
      ::WideCharToMultiByte(code_page, wc_flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, used);
  if (n <= 0) {
    if (lossless) *lossless = false;
    return {};
  }
  std::string out(static_cast<size_t>(n), '\0');
  ::WideCharToMultiByte(code_page, wc_flags, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, used);
  if (lossless && used_default) *lossless = false;
  return out;
}

}  // namespace plat
