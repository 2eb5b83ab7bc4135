#include "platform/atoms.h"

#include <windows.h>

#include <vector>

namespace plat {

std::uint16_t GlobalAddAtomW(const std::wstring& text) { return ::GlobalAddAtomW(text.c_str()); }

bool GlobalGetAtomNameW(std::uint16_t atom, std::wstring& name, std::size_t buffer_chars) {
  if (buffer_chars == 0) return false;
  std::vector<wchar_t> buf(buffer_chars, L'\0');
  UINT n = ::GlobalGetAtomNameW(atom, buf.data(), static_cast<int>(buffer_chars));
  if (n == 0) return false;
  name.assign(buf.data(), n);
  return true;
}

void GlobalDeleteAtom(std::uint16_t atom) { ::GlobalDeleteAtom(atom); }

}  // namespace plat
