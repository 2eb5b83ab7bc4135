// options_probe: looks at and drives the agent's own dialogs in e2e runs, the
// way a user's clicks would reach them (messages without pointers only, since
// the dialogs live in another process).
//
//   options_probe.exe find TITLE              exit 0 when a visible window TITLE exists
//   options_probe.exe click TITLE CAPTION     posts BM_CLICK to the button CAPTION
//   options_probe.exe choose TITLE N INDEX    selects item INDEX of the N-th combo box
//                                             (CB_SETCURSEL, then CBN_SELCHANGE to its parent)
//   options_probe.exe rect TITLE CLASS N      prints "x y w h" of the N-th visible child of CLASS
//   options_probe.exe text TITLE CLASS N      prints the text of the N-th visible child of CLASS
//   options_probe.exe settext TITLE CLASS N T sets the text of the N-th visible child of CLASS
//   options_probe.exe browse TITLE PATH       selects PATH in the tree of the browse dialog
//                                             TITLE (items are told by the path the dialog
//                                             shows in its edit box when they are selected)
//   options_probe.exe key TITLE CLASS N CHAR  posts the key of CHAR (WM_KEYDOWN, WM_CHAR,
//                                             WM_KEYUP) to the N-th visible child of CLASS
//   options_probe.exe overlaps TITLE          prints pairs of visible controls that overlap
//                                             or stick out of their parent (none: exit 0)
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

HWND FindTitle(const std::wstring& title) {
  struct S {
    const std::wstring* title;
    HWND found;
  } s{&title, nullptr};
  EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<S*>(lp);
        wchar_t text[256] = {};
        GetWindowTextW(w, text, 256);
        if (IsWindowVisible(w) && *s->title == text) {
          s->found = w;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> out;
  EnumChildWindows(
      parent,
      [](HWND w, LPARAM lp) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

std::wstring ClassOf(HWND w) {
  wchar_t cls[64] = {};
  GetClassNameW(w, cls, 64);
  return cls;
}

// WM_GETTEXT itself: GetWindowText does not ask another process's controls.
std::wstring TextOf(HWND w) {
  wchar_t text[512] = {};
  DWORD_PTR n = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 2000, &n);
  return text;
}

HWND NthVisible(HWND dialog, const std::wstring& cls, int n) {
  int i = 0;
  for (HWND w : Children(dialog)) {
    if (!IsWindowVisible(w) || _wcsicmp(ClassOf(w).c_str(), cls.c_str()) != 0) continue;
    if (i++ == n) return w;
  }
  return nullptr;
}

void Print(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) out += c < 128 ? static_cast<char>(c) : '?';
  std::printf("%s\n", out.c_str());
}

bool StartsWithFolder(const std::wstring& path, const std::wstring& folder) {
  if (folder.empty() || path.size() < folder.size() || _wcsnicmp(path.c_str(), folder.c_str(), folder.size()) != 0)
    return false;
  return path.size() == folder.size() || folder.back() == L'\\' || path[folder.size()] == L'\\';
}

// Depth-first through the tree: an item that shows no path (My Computer) or a
// folder above the target is opened; the target is selected.
bool SelectInTree(HWND tree, HWND edit, HTREEITEM item, const std::wstring& target, int depth) {
  for (; item; item = reinterpret_cast<HTREEITEM>(
                   SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
    const std::wstring before = TextOf(edit);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    // The dialog shows the selection's path a moment later.
    std::wstring shown = TextOf(edit);
    for (int i = 0; i < 40 && shown == before; ++i) {
      Sleep(25);
      shown = TextOf(edit);
    }
    if (std::getenv("PROBE_DEBUG")) {
      std::string n;
      for (wchar_t c : shown) n += c < 128 ? static_cast<char>(c) : '?';
      std::fprintf(stderr, "%d [%s]\n", depth, n.c_str());
    }
    if (_wcsicmp(shown.c_str(), target.c_str()) == 0) return true;
    // Items without a file-system path (Desktop, My Computer) show a name.
    const bool is_path = shown.size() >= 3 && shown[1] == L':';
    if (depth < 8 && (depth == 0 || (!is_path && depth <= 1) || StartsWithFolder(target, shown))) {
      SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
      HTREEITEM child =
          reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
      if (SelectInTree(tree, edit, child, target, depth + 1)) return true;
    }
  }
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const std::wstring cmd = argv[1];
  HWND dialog = FindTitle(argv[2]);
  if (!dialog) return 1;
  if (cmd == L"find") return 0;
  if (cmd == L"click" && argc >= 4) {
    for (HWND w : Children(dialog)) {
      if (IsWindowVisible(w) && ClassOf(w) == L"Button" && TextOf(w) == argv[3])
        return PostMessageW(w, BM_CLICK, 0, 0) ? 0 : 1;
    }
    return 1;
  }
  if (cmd == L"choose" && argc >= 5) {
    HWND combo = NthVisible(dialog, L"ComboBox", _wtoi(argv[3]));
    if (!combo) return 1;
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(_wtoi(argv[4])), 0);
    SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    return 0;
  }
  if ((cmd == L"rect" || cmd == L"text" || cmd == L"settext") && argc >= 5) {
    HWND w = NthVisible(dialog, argv[3], _wtoi(argv[4]));
    if (!w) return 1;
    if (cmd == L"rect") {
      RECT r;
      GetWindowRect(w, &r);
      std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
    } else if (cmd == L"text") {
      Print(TextOf(w));
    } else if (argc >= 6) {
      SendMessageW(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[5]));
    }
    return 0;
  }
  if (cmd == L"key" && argc >= 6) {
    HWND w = NthVisible(dialog, argv[3], _wtoi(argv[4]));
    if (!w) return 1;
    const wchar_t ch = argv[5][0];
    const UINT vk = LOBYTE(VkKeyScanW(ch));
    const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    PostMessageW(w, WM_KEYDOWN, vk, 1 | (scan << 16));
    PostMessageW(w, WM_CHAR, ch, 1 | (scan << 16));
    PostMessageW(w, WM_KEYUP, vk, 1 | (scan << 16) | 0xC0000000u);
    return 0;
  }
  if (cmd == L"browse" && argc >= 4) {
    HWND tree = NthVisible(dialog, L"SysTreeView32", 0);
    HWND edit = NthVisible(dialog, L"Edit", 0);
    if (!tree || !edit) return 1;
    HTREEITEM root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    if (SelectInTree(tree, edit, root, argv[3], 0)) return 0;
    Sleep(500);
    return _wcsicmp(TextOf(edit).c_str(), argv[3]) == 0 ? 0 : 1;
  }
  if (cmd == L"overlaps") {
    // Controls that share a parent and overlap (a group box with what it
    // holds is no overlap), or reach beyond their parent's client area.
    int bad = 0;
    std::vector<HWND> all = Children(dialog);
    for (HWND a : all) {
      if (!IsWindowVisible(a)) continue;
      RECT ra, pr;
      GetWindowRect(a, &ra);
      HWND parent = GetParent(a);
      GetClientRect(parent, &pr);
      MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&pr), 2);
      RECT inside;
      IntersectRect(&inside, &ra, &pr);
      if (!EqualRect(&inside, &ra) && ClassOf(parent) != L"ComboBox" && ClassOf(parent) != L"ComboBoxEx32") {
        Print(L"outside: " + ClassOf(a) + L" '" + TextOf(a) + L"'");
        ++bad;
      }
      const bool group_a = ClassOf(a) == L"Button" && (GetWindowLongW(a, GWL_STYLE) & 0xF) == BS_GROUPBOX;
      for (HWND b : all) {
        if (b <= a || !IsWindowVisible(b) || GetParent(b) != parent) continue;
        const bool group_b = ClassOf(b) == L"Button" && (GetWindowLongW(b, GWL_STYLE) & 0xF) == BS_GROUPBOX;
        if (group_a || group_b) continue;
        RECT rb, both;
        GetWindowRect(b, &rb);
        if (IntersectRect(&both, &ra, &rb)) {
          Print(L"overlap: " + ClassOf(a) + L" '" + TextOf(a) + L"' and " + ClassOf(b) + L" '" + TextOf(b) + L"'");
          ++bad;
        }
      }
    }
    return bad == 0 ? 0 : 3;
  }
  return 2;
}
