// e2e test program: the agent's target-window code driven from the command
// line, against real windows of other programs.
//
// targetprobe.exe classify TITLE         prints the window tree of the first
//                                        visible top-level window whose title
//                                        contains TITLE, and how it classifies
// targetprobe.exe getpath TITLE          makes that window the current target
//                                        (kind from the classifier) and prints
//                                        "path=" and the folder GetPath reads
// targetprobe.exe setdata TITLE TEXT MODE  makes that window the current target
//                                        (kind from the classifier) and runs
//                                        SetData(TEXT, MODE) as a menu item would
// targetprobe.exe browse TITLE PATH    selects PATH in that browse-for-folder
//                                        dialog as a favourite picked over it
//                                        would, and prints "selected=1" or "=0"
// The agent's log goes to C:\qorbin\log\ (folder.log).
#include <windows.h>

#include <cstdio>
#include <cwctype>
#include <string>

#include "infra/logger.h"
#include "targets/browse_select.h"
#include "targets/classify.h"
#include "targets/get_path.h"
#include "targets/locators.h"
#include "targets/set_data.h"
#include "targets/target_state.h"

namespace {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.c_str(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
  return s;
}

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
  return s;
}

HWND FindByTitle(const std::wstring& part) {
  struct Ctx {
    std::wstring part;
    HWND found;
  } ctx{Lower(part), nullptr};
  EnumWindows(
      [](HWND h, LPARAM lp) -> BOOL {
        auto* c = reinterpret_cast<Ctx*>(lp);
        wchar_t title[512] = {};
        GetWindowTextW(h, title, 512);
        if (IsWindowVisible(h) && Lower(title).find(c->part) != std::wstring::npos) {
          c->found = h;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

plat::Window P(HWND h) { return static_cast<plat::Window>(reinterpret_cast<uintptr_t>(h)); }

void Tree(HWND h, int depth) {
  wchar_t cls[256] = {}, text[128] = {};
  GetClassNameW(h, cls, 256);
  GetWindowTextW(h, text, 128);
  std::printf("tree=%*s%s|%08lX|%08lX|%s\n", depth * 2, "", Utf8(cls).c_str(),
              static_cast<unsigned long>(GetWindowLongW(h, GWL_STYLE)),
              static_cast<unsigned long>(GetWindowLongW(h, GWL_EXSTYLE)), Utf8(text).c_str());
  if (depth < 6)
    for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) Tree(c, depth + 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr,
                 "usage: targetprobe classify TITLE | getpath TITLE | setdata TITLE TEXT MODE | browse TITLE PATH\n");
    return 2;
  }
  const std::wstring cmd = argv[1];
  HWND h = FindByTitle(argv[2]);
  if (!h) {
    std::printf("window=none\n");
    return 3;
  }
  const plat::Window w = P(h);
  const targets::TargetKind kind = targets::ClassifyWindow(w);
  std::printf("window=%s\n", Utf8(targets::HandleText(w)).c_str());
  std::printf("kind=%d\n", static_cast<int>(kind));
  if (cmd == L"classify") {
    Tree(h, 0);
    std::printf("filedialog=%d shell=%d archiver=%d\n", targets::IsFileDialog(w) ? 1 : 0,
                static_cast<int>(targets::IsShellWindow(w).kind), static_cast<int>(targets::IsArchiverWindow(w).kind));
    std::printf("filename_edit=%s\n", Utf8(targets::HandleText(targets::FindFileNameEdit(w))).c_str());
    std::fflush(stdout);
    return 0;
  }
  if (cmd == L"getpath") {
    CreateDirectoryW(L"C:\\qorbin\\log", nullptr);
    infra::SetLogFolder(L"C:\\qorbin\\log\\");
    targets::AgentUiThreadId = GetCurrentThreadId();
    targets::CurrentTargetWindow = w;
    targets::CurrentTargetKind = kind;
    std::printf("path=%s\n", Utf8(targets::GetPath()).c_str());
    infra::SaveAllLogs(true);
    std::fflush(stdout);
    return 0;
  }
  if (cmd == L"setdata" && argc >= 5) {
    CreateDirectoryW(L"C:\\qorbin\\log", nullptr);
    infra::SetLogFolder(L"C:\\qorbin\\log\\");
    targets::AgentUiThreadId = GetCurrentThreadId();
    targets::CurrentTargetWindow = w;
    targets::CurrentTargetKind = kind;
    const DWORD t0 = GetTickCount();
    targets::SetData(argv[3], _wtoi(argv[4]));
    std::printf("setdata_ms=%lu\n", static_cast<unsigned long>(GetTickCount() - t0));
    infra::SaveAllLogs(true);
    std::fflush(stdout);
    return 0;
  }
  if (cmd == L"browse" && argc >= 4) {
    CreateDirectoryW(L"C:\\qorbin\\log", nullptr);
    infra::SetLogFolder(L"C:\\qorbin\\log\\");
    targets::AgentUiThreadId = GetCurrentThreadId();
    const DWORD t0 = GetTickCount();
    const bool selected = targets::SelectInBrowseDialog(w, argv[3]);
    std::printf("selected=%d\nbrowse_ms=%lu\n", selected ? 1 : 0, static_cast<unsigned long>(GetTickCount() - t0));
    infra::SaveAllLogs(true);
    std::fflush(stdout);
    return 0;
  }
  std::fprintf(stderr, "unknown command\n");
  return 2;
}
