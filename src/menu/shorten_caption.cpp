#include "menu/shorten_caption.h"

namespace menu {
namespace {
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
}  // namespace

std::wstring ShortenPathCaption(const std::wstring& path) {
  constexpr size_t kLongest = 50;
  if (path.size() <= kLongest) return path;

  const size_t cut = path.find_last_of(L"\\:");
  const std::wstring folder = cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
  std::wstring name = cut == std::wstring::npos ? path : path.substr(cut + 1);

  if (name.size() >= 40 && name.size() <= kLongest) return name;

  if (name.size() > kLongest) {
    const size_t dot = name.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    long keep = 49 - static_cast<long>(extension.size());
    // A character outside the Basic Multilingual Plane is two UTF-16 units:
    // the cut never parts them.
    if (keep > 0 && IsHighSurrogate(name[static_cast<size_t>(keep) - 1])) --keep;
    return (keep > 0 ? name.substr(0, static_cast<size_t>(keep)) : std::wstring()) + L"~~" + extension;
  }

  // A network path has no drive: "\\server\" takes the place of "X:\".
  std::wstring head, middle;
  size_t room = kLongest - 3;  // the middle and the name, as with a drive
  if (folder.size() > 2 && folder[0] == L'\\' && folder[1] == L'\\') {
    const size_t server_end = folder.find(L'\\', 2);
    head = server_end == std::wstring::npos ? folder : folder.substr(0, server_end + 1);
    middle = folder.substr(head.size());
    head += L"..\\";
    room = head.size() < kLongest ? kLongest - head.size() : 0;
  } else {
    // The folder part without its drive, colon and backslash.
    head = std::wstring(1, folder.empty() ? path[0] : folder[0]) + L":\\..\\";
    middle = folder.size() > 3 ? folder.substr(3) : std::wstring();
  }
  // The middle's leading folders go until the caption fits; a doubled
  // backslash ("C:\\Users") is an empty folder that goes like any other.
  while (middle.size() + name.size() > room && !middle.empty()) {
    const size_t slash = middle.find(L'\\');
    middle = slash == std::wstring::npos ? std::wstring() : middle.substr(slash + 1);
  }
  // A network path with nothing between its server and its name gains "..\":
  // the path itself is then the shorter caption.
  std::wstring caption = head + middle + name;
  return caption.size() > path.size() ? path : caption;
}

}  // namespace menu
