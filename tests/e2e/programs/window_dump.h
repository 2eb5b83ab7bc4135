// What the dialog test programs print about a window: UTF-8 of a text, the
// class name, and a "tree=" line per window (class|style|ex style|depth|id,
// id 0 for the root) down the window's children. Header only: each program
// is one source file.
#pragma once
#include <windows.h>

#include <cstdio>
#include <string>

inline std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

inline std::wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  GetClassNameW(h, buf, 256);
  return buf;
}

inline void Tree(HWND h, int depth, std::string& out) {
  char line[512];
  std::snprintf(line, sizeof line, "tree=%s|%08lX|%08lX|%d|%d\n", Utf8(ClassOf(h)).c_str(),
                static_cast<unsigned long>(GetWindowLongW(h, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongW(h, GWL_EXSTYLE)), depth, depth == 0 ? 0 : GetDlgCtrlID(h));
  out += line;
  for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Tree(c, depth + 1, out);
}
