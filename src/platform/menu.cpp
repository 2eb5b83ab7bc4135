#include "platform/menu.h"

namespace plat {

std::wstring MenuCaptionOf(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (wchar_t c : text) {
    out += c;
    if (c == L'&') out += L'&';
  }
  return out;
}

std::wstring MenuCaptionText(std::wstring_view caption) {
  std::wstring out;
  out.reserve(caption.size());
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != L'&') {
      out += caption[i];
    } else if (i + 1 < caption.size() && caption[i + 1] == L'&') {
      out += L'&';
      ++i;
    }
  }
  return out;
}

wchar_t MenuAccessKey(std::wstring_view caption) {
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (i + 1 >= caption.size()) return 0;
    if (caption[i + 1] != L'&') return caption[i + 1];
    ++i;
  }
  return 0;
}

std::wstring MenuItemCaption(const MenuItem& item) {
  if (item.accelerator == 0 || item.IsSeparator()) return item.caption;
  return std::wstring(L"&") + item.accelerator + L" " + item.caption;
}

MenuItem* FindMenuItem(Menu& menu, const std::wstring& name) {
  for (auto& item : menu) {
    if (item.name == name) return &item;
    if (MenuItem* inner = FindMenuItem(item.items, name)) return inner;
  }
  return nullptr;
}

const MenuItem* FindMenuItem(const Menu& menu, const std::wstring& name) {
  return FindMenuItem(const_cast<Menu&>(menu), name);
}

}  // namespace plat
