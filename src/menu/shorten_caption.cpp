#include "menu/shorten_caption.h"

namespace menu {

std::wstring ShortenPathCaption(const std::wstring& path) {
  constexpr size_t kLongest = 50;
  if (path.size() <= kLongest) return path;

  const size_t cut = path.find_last_of(L"\\:");
  const std::wstring folder = cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
  const std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);

  if (name.size() >= 40 && name.size() <= kLongest) return name;

  if (name.size() > kLongest) {
    const size_t dot = name.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    const long keep = 49 - static_cast<long>(extension.size());
    return (keep > 0 ? name.substr(0, static_cast<size_t>(keep)) : std::wstring()) + L"~~" + extension;
  }

  // The folder part without its drive, colon and backslash; its leading
  // folders go until the caption fits.
  std::wstring middle = folder.size() > 3 ? folder.substr(3) : std::wstring();
  while (middle.size() + name.size() + 3 > kLongest) {
    if (middle.empty() || middle[0] == L'\\') break;
    const size_t slash = middle.find(L'\\');
    middle = slash == std::wstring::npos ? std::wstring() : middle.substr(slash + 1);
  }
  const wchar_t drive = folder.empty() ? path[0] : folder[0];
  return std::wstring(1, drive) + L":\\..\\" + middle + name;
}

}  // namespace menu
