// The forms toolkit over real dialogs: each form's layout becomes an in-memory
// dialog template (font "MS Shell Dlg", sizes in dialog units, so the dialog
// scales with the DPI); the pages of a tab control are child dialogs inside
// it. Controls are found by name; their notifications become form events.
#include "platform/forms.h"
#include "platform/stack_trace.h"

#include <algorithm>
#include <map>
#include <memory>

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/unique.h"

namespace plat {
namespace {

constexpr int kFirstControlId = 1000;

struct Ctrl {
  ControlLayout layout;
  HWND hwnd = nullptr;
  int id = 0;
  std::vector<std::wstring> items;  // combo boxes
  // List views keep their rows here and hand them to the control on request
  // (LVS_OWNERDATA): filling ten thousand rows is a copy, not ten thousand
  // insertions into the control.
  std::vector<ListRow> rows;
};

struct WinForm {
  Form handle = 0;
  FormLayout layout;
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  FormEventProc proc;
  std::map<std::wstring, Ctrl> controls;
  std::map<int, std::wstring> by_id;
  std::map<std::wstring, std::vector<std::wstring>> pages;  // tab control -> its pages
  std::vector<win32::UniqueImageList> image_lists;          // destroyed after the window
  bool showing = false;
  DWORD shown_tick = 0;
  int result = mrNone;
  int quiet = 0;  // > 0 while the logic itself changes controls: no events
  std::wstring focus_on_show;
};

struct Registry {
  std::map<Form, std::unique_ptr<WinForm>> forms;
  Form next = 1;
  std::function<bool(const Msg&)> hook;
  std::function<void(std::exception_ptr)> exception_handler;
  // The first exception an event procedure raised inside the window
  // manager's frames, handed over by the modal loop after the dispatch.
  std::exception_ptr pending;
};
Registry& R() {
  static Registry r;
  return r;
}

WinForm* F(Form form) {
  auto it = R().forms.find(form);
  return it == R().forms.end() ? nullptr : it->second.get();
}

Ctrl* C(Form form, const std::wstring& name) {
  WinForm* f = F(form);
  if (!f) return nullptr;
  auto it = f->controls.find(name);
  return it == f->controls.end() ? nullptr : &it->second;
}

HWND H(Window w) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w)); }

struct Quiet {
  WinForm* f;
  explicit Quiet(WinForm* form) : f(form) {
    if (f) ++f->quiet;
  }
  ~Quiet() {
    if (f) --f->quiet;
  }
};

// What an owner-data list view shows of a row: the caption in column 0, the
// sub-items in the others, the picture and indent of the row.
void FillDisplayInfo(const Ctrl& c, LVITEMW& item) {
  if (item.iItem < 0 || item.iItem >= static_cast<int>(c.rows.size())) return;
  const ListRow& row = c.rows[static_cast<std::size_t>(item.iItem)];
  if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
    static const std::wstring kNone;
    const std::size_t sub = static_cast<std::size_t>(std::max(0, item.iSubItem));
    const std::wstring& text = sub == 0 ? row.caption : sub - 1 < row.subitems.size() ? row.subitems[sub - 1] : kNone;
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
    std::copy_n(text.data(), n, item.pszText);
    item.pszText[n] = L'\0';
  }
  if (item.iSubItem == 0) {
    if (item.mask & LVIF_IMAGE) item.iImage = c.layout.image_count > 0 ? row.image : -1;
    if (item.mask & LVIF_INDENT) item.iIndent = row.indent;
  }
}

// The row whose caption starts with (or, without LVFI_PARTIAL, is) the text
// asked for, from iStart on, wrapping round when asked; -1 when none.
LRESULT FindRow(const Ctrl& c, const NMLVFINDITEMW& find) {
  if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return -1;
  const std::wstring wanted = find.lvfi.psz;
  const int n = static_cast<int>(c.rows.size());
  if (n == 0) return -1;
  const int start = std::clamp(find.iStart, 0, n);
  const int count = (find.lvfi.flags & LVFI_WRAP) ? n : n - start;
  for (int k = 0; k < count; ++k) {
    const int i = (start + k) % n;
    const std::wstring& caption = c.rows[static_cast<std::size_t>(i)].caption;
    const bool partial = (find.lvfi.flags & LVFI_PARTIAL) != 0;
    if ((partial ? caption.size() >= wanted.size() : caption.size() == wanted.size()) &&
        CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, caption.data(), static_cast<int>(wanted.size()),
                       wanted.data(), static_cast<int>(wanted.size())) == CSTR_EQUAL)
      return i;
  }
  return -1;
}

bool Fire(WinForm* f, const std::wstring& control, FormEventKind kind, std::uint32_t key = 0) {
  if (!f || !f->proc || f->quiet > 0) return false;
  try {
    // A hardware fault of a handler becomes an exception and is kept too.
    FaultGuard guard;
    FormEventProc proc = f->proc;
    return proc(f->handle, FormEvent{control, kind, key});
  } catch (...) {
    // Nothing may unwind through the window manager's frames: the modal
    // loop hands the exception over once the message is dispatched.
    if (!R().pending) R().pending = std::current_exception();
    return true;
  }
}

// Hands a kept exception to the handler (the global handler), or drops it.
void HandOver(std::exception_ptr e) {
  if (!e) return;
  if (R().exception_handler) R().exception_handler(e);
}

// The exception an event procedure or a hidden window's procedure kept
// during the last dispatch, thrown here, outside the window manager.
void ThrowPending() {
  if (R().pending) {
    std::exception_ptr e = R().pending;
    R().pending = nullptr;
    std::rethrow_exception(e);
  }
}

// --- in-memory dialog templates -------------------------------------------------------

class TemplateWriter {
 public:
  void Word(WORD w) { Bytes(&w, sizeof w); }
  void DWord(DWORD d) { Bytes(&d, sizeof d); }
  void Short(short s) { Bytes(&s, sizeof s); }
  void Text(const std::wstring& s) { Bytes(s.c_str(), (s.size() + 1) * sizeof(wchar_t)); }
  void AlignDWord() {
    while (data_.size() % 4) data_.push_back(0);
  }
  void Bytes(const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    data_.insert(data_.end(), b, b + n);
  }
  const void* Data() const { return data_.data(); }

 private:
  std::vector<std::uint8_t> data_;
};

const wchar_t* ClassOf(ControlKind kind) {
  switch (kind) {
    case ControlKind::Label:
      return L"Static";
    case ControlKind::Group:
    case ControlKind::Button:
    case ControlKind::CheckBox:
      return L"Button";
    case ControlKind::Edit:
      return L"Edit";
    case ControlKind::ComboBox:
      return L"ComboBox";
    case ControlKind::IconCombo:
      return WC_COMBOBOXEXW;
    case ControlKind::ListView:
      return WC_LISTVIEWW;
    case ControlKind::UpDown:
      return UPDOWN_CLASSW;
    case ControlKind::HotKey:
      return HOTKEY_CLASSW;
    case ControlKind::Tabs:
      return WC_TABCONTROLW;
    case ControlKind::Page:
      return L"Static";
  }
  return L"Static";
}

DWORD StyleOf(const ControlLayout& c, DWORD& ex) {
  DWORD s = WS_CHILD | (c.visible ? WS_VISIBLE : 0) | (c.enabled ? 0 : WS_DISABLED);
  ex = 0;
  switch (c.kind) {
    case ControlKind::Label:
      return s | (c.centered ? SS_CENTER : SS_LEFT) | SS_NOPREFIX;
    case ControlKind::Group:
      return s | BS_GROUPBOX;
    case ControlKind::Button:
      return s | WS_TABSTOP | (c.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    case ControlKind::CheckBox:
      return s | WS_TABSTOP | BS_AUTOCHECKBOX;
    case ControlKind::Edit:
      ex = WS_EX_CLIENTEDGE;
      return s | WS_TABSTOP | ES_AUTOHSCROLL | (c.numbers ? ES_NUMBER : 0) | (c.read_only ? ES_READONLY : 0);
    case ControlKind::ComboBox:
      return s | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    case ControlKind::IconCombo:
      return s | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
    case ControlKind::ListView:
      ex = WS_EX_CLIENTEDGE;
      // The form owns the image list and destroys it once (without
      // LVS_SHAREIMAGELISTS the list view destroys it too).
      return s | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_OWNERDATA;
    case ControlKind::UpDown:
      return s | UDS_ARROWKEYS;
    case ControlKind::HotKey:
      ex = WS_EX_CLIENTEDGE;
      return s | WS_TABSTOP;
    case ControlKind::Tabs:
      ex = WS_EX_CONTROLPARENT;
      return s | WS_TABSTOP | WS_CLIPSIBLINGS;
    case ControlKind::Page:
      return s;
  }
  return s;
}

// A dialog template holding the controls whose parent is `parent`.
TemplateWriter BuildTemplate(WinForm& f, const std::wstring& parent, bool page, int cx, int cy,
                             std::map<std::wstring, int>& ids) {
  std::vector<const ControlLayout*> items;
  for (const auto& c : f.layout.controls)
    if (c.parent == parent && c.kind != ControlKind::Page) items.push_back(&c);
  TemplateWriter t;
  t.Word(1);
  t.Word(0xFFFF);
  t.DWord(0);
  if (page) {
    t.DWord(WS_EX_CONTROLPARENT);
    t.DWord(WS_CHILD | DS_CONTROL | DS_SHELLFONT);
  } else {
    t.DWord(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT | (f.layout.stay_on_top ? WS_EX_TOPMOST : 0));
    t.DWord(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT | WS_CLIPCHILDREN);
  }
  t.Word(static_cast<WORD>(items.size()));
  t.Short(0);
  t.Short(0);
  t.Short(static_cast<short>(cx));
  t.Short(static_cast<short>(cy));
  t.Word(0);  // no menu
  t.Word(0);  // the dialog class
  t.Text(page ? L"" : f.layout.caption);
  t.Word(8);  // points
  t.Word(FW_NORMAL);
  t.Bytes("\0\1", 2);  // not italic, DEFAULT_CHARSET
  t.Text(L"MS Shell Dlg");
  for (const ControlLayout* c : items) {
    t.AlignDWord();
    DWORD ex = 0;
    const DWORD style = StyleOf(*c, ex);
    int id = kFirstControlId + static_cast<int>(ids.size());
    if (c->is_default) id = IDOK;
    if (c->is_cancel) id = IDCANCEL;
    ids[c->name] = id;
    t.DWord(0);
    t.DWord(ex);
    t.DWord(style);
    t.Short(static_cast<short>(c->x));
    t.Short(static_cast<short>(c->y));
    t.Short(static_cast<short>(c->w));
    t.Short(static_cast<short>(c->h));
    t.DWord(static_cast<DWORD>(id));
    t.Text(ClassOf(c->kind));
    t.Text(c->kind == ControlKind::Tabs ? L"" : c->caption);
    t.Word(0);
  }
  return t;
}

WinForm* FormOf(HWND hwnd) {
  // Pages are dialogs too; they carry the same form.
  return reinterpret_cast<WinForm*>(GetWindowLongPtrW(hwnd, DWLP_USER));
}

std::wstring NameOfWindow(WinForm* f, HWND hwnd) {
  for (HWND h = hwnd; h && h != f->hwnd; h = GetParent(h)) {
    for (const auto& [name, c] : f->controls)
      if (c.hwnd == h && c.layout.kind != ControlKind::Page && c.layout.kind != ControlKind::Tabs) return name;
  }
  return L"";
}

int Dpi(HWND hwnd) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static auto fn = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (fn && hwnd) {
    const UINT d = fn(hwnd);
    if (d) return static_cast<int>(d);
  }
  HDC dc = GetDC(nullptr);
  const int d = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  return d > 0 ? d : 96;
}

void ShowPage(WinForm* f, const std::wstring& tabs, int index) {
  const auto& pages = f->pages[tabs];
  for (std::size_t i = 0; i < pages.size(); ++i) {
    Ctrl& p = f->controls[pages[i]];
    ShowWindow(p.hwnd, static_cast<int>(i) == index ? SW_SHOW : SW_HIDE);
  }
}

void LayoutPages(WinForm* f, const std::wstring& tabs) {
  Ctrl& t = f->controls[tabs];
  RECT r;
  GetClientRect(t.hwnd, &r);
  TabCtrl_AdjustRect(t.hwnd, FALSE, &r);
  for (const auto& name : f->pages[tabs])
    SetWindowPos(f->controls[name].hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    return FALSE;
  }
  WinForm* f = FormOf(hwnd);
  if (!f) return FALSE;
  switch (msg) {
    case WM_COMMAND: {
      const int id = LOWORD(wp);
      const int code = HIWORD(wp);
      auto it = f->by_id.find(id);
      if (it == f->by_id.end()) {
        // Escape without a cancel button: the close box's way.
        if (id == IDCANCEL && hwnd == f->hwnd && !Fire(f, L"", FormEventKind::Close)) EndModal(f->handle, mrCancel);
        return TRUE;
      }
      const std::wstring& name = it->second;
      const ControlKind kind = f->controls[name].layout.kind;
      if (kind == ControlKind::Button || kind == ControlKind::CheckBox) {
        if (code == BN_CLICKED) Fire(f, name, FormEventKind::Click);
      } else if (kind == ControlKind::Edit || kind == ControlKind::HotKey) {
        if (code == EN_CHANGE) Fire(f, name, FormEventKind::Change);
        if (code == EN_KILLFOCUS) Fire(f, name, FormEventKind::Exit);
      } else if (kind == ControlKind::ComboBox || kind == ControlKind::IconCombo) {
        if (code == CBN_SELCHANGE) Fire(f, name, FormEventKind::Select);
      }
      return TRUE;
    }
    case WM_NOTIFY: {
      const NMHDR* nm = reinterpret_cast<const NMHDR*>(lp);
      auto it = f->by_id.find(static_cast<int>(nm->idFrom));
      if (it == f->by_id.end()) return FALSE;
      const std::wstring name = it->second;
      const ControlKind kind = f->controls[name].layout.kind;
      if (kind == ControlKind::ListView) {
        if (nm->code == LVN_GETDISPINFOW) {
          FillDisplayInfo(f->controls[name], reinterpret_cast<NMLVDISPINFOW*>(lp)->item);
          return TRUE;
        }
        if (nm->code == LVN_ODFINDITEMW) {
          // Typing a row's first letters selects it, as in a list that holds its items.
          SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, FindRow(f->controls[name], *reinterpret_cast<NMLVFINDITEMW*>(lp)));
          return TRUE;
        }
        if (nm->code == NM_CLICK)
          Fire(f, name, FormEventKind::Click);
        else if (nm->code == NM_DBLCLK)
          Fire(f, name, FormEventKind::DblClick);
        else if (nm->code == LVN_ITEMCHANGED) {
          const NMLISTVIEW* lv = reinterpret_cast<const NMLISTVIEW*>(lp);
          if ((lv->uChanged & LVIF_STATE) && ((lv->uNewState ^ lv->uOldState) & LVIS_SELECTED))
            Fire(f, name, FormEventKind::Select);
        }
      } else if (kind == ControlKind::Tabs && nm->code == TCN_SELCHANGE) {
        const int index = TabCtrl_GetCurSel(nm->hwndFrom);
        ShowPage(f, name, index);
        const auto& pages = f->pages[name];
        if (index >= 0 && index < static_cast<int>(pages.size())) Fire(f, pages[index], FormEventKind::PageShow);
      } else if (kind == ControlKind::UpDown && nm->code == UDN_DELTAPOS) {
        const NMUPDOWN* ud = reinterpret_cast<const NMUPDOWN*>(lp);
        Fire(f, name, ud->iDelta > 0 ? FormEventKind::UpClick : FormEventKind::DownClick);
        // The logic sets the number itself; the control keeps its position.
        SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, TRUE);
        return TRUE;
      }
      return FALSE;
    }
    case WM_CLOSE:
      if (hwnd == f->hwnd && !Fire(f, L"", FormEventKind::Close)) EndModal(f->handle, mrCancel);
      return TRUE;
    default:
      return FALSE;
  }
}

void EnableTabTexture(HWND page) {
  using Fn = HRESULT(WINAPI*)(HWND, DWORD);
  static HMODULE ux = LoadLibraryW(L"uxtheme.dll");
  static auto fn =
      ux ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(ux, "EnableThemeDialogTexture"))) : nullptr;
  if (fn) fn(page, 0x6 /* ETDT_ENABLETAB */);
}

HIMAGELIST LoadImages(HWND hwnd, int first, int count) {
  const int size = MulDiv(16, Dpi(hwnd), 96);
  HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, count, 0);
  HINSTANCE inst = GetModuleHandleW(nullptr);
  for (int i = 0; i < count; ++i) {
    win32::UniqueIcon icon(
        static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(first + i), IMAGE_ICON, size, size, 0)));
    if (icon) {
      ImageList_AddIcon(list, icon.get());
    } else {
      // Keep the indexes: a transparent picture in place of a missing one.
      std::vector<std::uint8_t> mask(static_cast<std::size_t>(((size + 15) / 16) * 2 * size), 0xFF);
      std::vector<std::uint32_t> color(static_cast<std::size_t>(size * size), 0);
      win32::UniqueBitmap m(CreateBitmap(size, size, 1, 1, mask.data()));
      win32::UniqueBitmap c(CreateBitmap(size, size, 1, 32, color.data()));
      ImageList_Add(list, c.get(), m.get());
    }
  }
  return list;
}

void SetUpControl(WinForm& f, Ctrl& c) {
  const ControlLayout& l = c.layout;
  switch (l.kind) {
    case ControlKind::ListView: {
      ListView_SetExtendedListViewStyle(c.hwnd, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
      const int dpi = Dpi(c.hwnd);
      for (std::size_t i = 0; i < l.columns.size(); ++i) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = MulDiv(l.columns[i].width, dpi, 96);
        std::wstring text = l.columns[i].caption;
        col.pszText = text.data();
        ListView_InsertColumn(c.hwnd, static_cast<int>(i), &col);
      }
      if (l.image_count > 0) {
        HIMAGELIST images = LoadImages(c.hwnd, l.image_first, l.image_count);
        f.image_lists.emplace_back(images);
        ListView_SetImageList(c.hwnd, images, LVSIL_SMALL);
      }
      break;
    }
    case ControlKind::IconCombo: {
      if (l.image_count > 0) {
        HIMAGELIST images = LoadImages(c.hwnd, l.image_first, l.image_count);
        f.image_lists.emplace_back(images);
        SendMessageW(c.hwnd, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
      }
      break;
    }
    case ControlKind::ComboBox:
      for (const auto& item : l.items) SendMessageW(c.hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
      c.items = l.items;
      break;
    case ControlKind::UpDown:
      SendMessageW(c.hwnd, UDM_SETRANGE32, 0, 1000);
      SendMessageW(c.hwnd, UDM_SETPOS32, 0, 500);
      break;
    default:
      break;
  }
}

}  // namespace

Form CreateForm(const FormLayout& layout, Window owner, FormEventProc proc) {
  static const bool initialised = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_HOTKEY_CLASS |
                                             ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)initialised;
  auto form = std::make_unique<WinForm>();
  WinForm* f = form.get();
  f->handle = R().next++;
  f->layout = layout;
  f->owner = H(owner);
  f->proc = std::move(proc);

  std::map<std::wstring, int> ids;
  TemplateWriter t = BuildTemplate(*f, L"", false, layout.width, layout.height, ids);
  f->hwnd = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(t.Data()), f->owner,
                                       DialogProc, reinterpret_cast<LPARAM>(f));
  if (!f->hwnd) return 0;
  for (const auto& c : layout.controls) {
    if (c.parent.empty() && c.kind != ControlKind::Page) {
      Ctrl ctl{c, GetDlgItem(f->hwnd, ids[c.name]), ids[c.name], {}, {}};
      f->controls[c.name] = ctl;
    }
  }
  // Pages: child dialogs inside their tab control.
  for (const auto& c : layout.controls) {
    if (c.kind != ControlKind::Page) continue;
    Ctrl& tabs = f->controls[c.parent];
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    std::wstring text = c.caption;
    item.pszText = text.data();
    const int index = static_cast<int>(f->pages[c.parent].size());
    TabCtrl_InsertItem(tabs.hwnd, index, &item);
    std::map<std::wstring, int> page_ids;
    for (auto& [n, id] : ids) page_ids[n] = id;  // identifiers stay unique across the form
    TemplateWriter pt = BuildTemplate(*f, c.name, true, tabs.layout.w - 8, tabs.layout.h - 20, page_ids);
    HWND page = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), static_cast<LPCDLGTEMPLATEW>(pt.Data()),
                                           tabs.hwnd, DialogProc, reinterpret_cast<LPARAM>(f));
    EnableTabTexture(page);
    f->controls[c.name] = Ctrl{c, page, 0, {}, {}};
    f->pages[c.parent].push_back(c.name);
    for (const auto& pc : layout.controls) {
      if (pc.parent != c.name) continue;
      f->controls[pc.name] = Ctrl{pc, GetDlgItem(page, page_ids[pc.name]), page_ids[pc.name], {}, {}};
    }
    for (auto& [n, id] : page_ids) ids[n] = id;
  }
  for (auto& [name, c] : f->controls) {
    if (c.id) f->by_id[c.id] = name;
    SetUpControl(*f, c);
  }
  for (const auto& [tabs, pages] : f->pages) {
    LayoutPages(f, tabs);
    ShowPage(f, tabs, 0);
  }
  const Form h = f->handle;
  R().forms[h] = std::move(form);
  return h;
}

void DestroyForm(Form form) {
  WinForm* f = F(form);
  if (!f) return;
  if (f->hwnd) DestroyWindow(f->hwnd);
  f->image_lists.clear();
  R().forms.erase(form);
}

Window FormWindow(Form form) {
  WinForm* f = F(form);
  return f ? static_cast<Window>(reinterpret_cast<std::uintptr_t>(f->hwnd)) : 0;
}

namespace {

void CenterForm(WinForm* f) {
  RECT r;
  GetWindowRect(f->hwnd, &r);
  RECT area;
  if (f->owner && IsWindowVisible(f->owner)) {
    GetWindowRect(f->owner, &area);
  } else {
    POINT pt;
    GetCursorPos(&pt);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    GetMonitorInfoW(MonitorFromPoint(pt, MONITOR_DEFAULTTOPRIMARY), &mi);
    area = mi.rcWork;
  }
  const int w = r.right - r.left, h = r.bottom - r.top;
  int x = area.left + ((area.right - area.left) - w) / 2;
  int y = area.top + ((area.bottom - area.top) - h) / 2;
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  GetMonitorInfoW(MonitorFromRect(&area, MONITOR_DEFAULTTONEAREST), &mi);
  x = std::max<int>(mi.rcWork.left, std::min<int>(x, mi.rcWork.right - w));
  y = std::max<int>(mi.rcWork.top, std::min<int>(y, mi.rcWork.bottom - h));
  SetWindowPos(f->hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Key events of a modal form: the form's preview, then the control's. True
// when the key is swallowed.
bool PreTranslate(WinForm* f, const MSG& m) {
  if (m.hwnd != f->hwnd && !IsChild(f->hwnd, m.hwnd)) return false;
  const std::wstring name = NameOfWindow(f, m.hwnd);
  const Ctrl* c = name.empty() ? nullptr : &f->controls[name];
  if (c && c->layout.kind == ControlKind::HotKey) return false;
  // Ctrl+Tab and Ctrl+Shift+Tab turn the pages of the form's tab control.
  if (m.message == WM_KEYDOWN && m.wParam == VK_TAB && (GetKeyState(VK_CONTROL) & 0x8000) && !f->pages.empty()) {
    const std::wstring tabs = f->pages.begin()->first;
    const int count = static_cast<int>(f->pages.begin()->second.size());
    const int step = (GetKeyState(VK_SHIFT) & 0x8000) ? count - 1 : 1;
    SetPageIndex(f->handle, tabs, (GetPageIndex(f->handle, tabs) + step) % count);
    return true;
  }
  switch (m.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (f->layout.key_preview && Fire(f, L"", FormEventKind::KeyDown, static_cast<std::uint32_t>(m.wParam)))
        return true;
      return !name.empty() && Fire(f, name, FormEventKind::KeyDown, static_cast<std::uint32_t>(m.wParam));
    case WM_CHAR:
      return !name.empty() && Fire(f, name, FormEventKind::KeyPress, static_cast<std::uint32_t>(m.wParam));
    case WM_KEYUP:
      return !name.empty() && Fire(f, name, FormEventKind::KeyUp, static_cast<std::uint32_t>(m.wParam));
    default:
      return false;
  }
}

// Thread messages that arrive while a message box or another system dialog
// runs its own loop over a form would be dispatched to no window and lost;
// the message filter hook keeps them and the form's loop posts them again.
thread_local std::vector<MSG> t_held;

LRESULT CALLBACK HoldThreadMessages(int code, WPARAM wparam, LPARAM lparam) {
  auto* msg = reinterpret_cast<MSG*>(lparam);
  if (code >= 0 && code != MSGF_MENU && msg && msg->hwnd == nullptr && msg->message != WM_NULL) {
    t_held.push_back(*msg);
    return TRUE;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

void PostHeld() {
  std::vector<MSG> held;
  held.swap(t_held);
  for (const MSG& m : held) PostThreadMessageW(GetCurrentThreadId(), m.message, m.wParam, m.lParam);
}

}  // namespace

int ShowModal(Form form) {
  WinForm* f = F(form);
  if (!f || !f->hwnd || f->showing) return mrNone;
  f->showing = true;
  f->shown_tick = 0;
  f->result = mrNone;
  Fire(f, L"", FormEventKind::Show);
  try {
    ThrowPending();
  } catch (...) {
    HandOver(std::current_exception());
  }
  if (!f->showing) return f->result;
  const bool owner_enabled = f->owner && IsWindowEnabled(f->owner);
  if (owner_enabled) EnableWindow(f->owner, FALSE);
  // Without a visible owner the form stands in the taskbar on its own.
  if (!f->owner || !IsWindowVisible(f->owner))
    SetWindowLongPtrW(f->hwnd, GWL_EXSTYLE, GetWindowLongPtrW(f->hwnd, GWL_EXSTYLE) | WS_EX_APPWINDOW);
  CenterForm(f);
  ShowWindow(f->hwnd, SW_SHOW);
  SetForegroundWindow(f->hwnd);
  if (!f->focus_on_show.empty()) FocusControl(form, f->focus_on_show);
  f->shown_tick = GetTickCount();
  bool quit = false;
  int quit_code = 0;
  HHOOK filter = SetWindowsHookExW(WH_MSGFILTER, HoldThreadMessages, nullptr, GetCurrentThreadId());
  while (f->showing) {
    PostHeld();
    MSG m;
    const BOOL r = GetMessageW(&m, nullptr, 0, 0);
    if (r == 0) {
      quit = true;
      quit_code = static_cast<int>(m.wParam);
      f->result = mrCancel;
      break;
    }
    if (r == -1) break;
    Msg msg;
    msg.window = static_cast<Window>(reinterpret_cast<std::uintptr_t>(m.hwnd));
    msg.message = m.message;
    msg.wparam = m.wParam;
    msg.lparam = m.lParam;
    msg.time = m.time;
    msg.pt = Point{m.pt.x, m.pt.y};
    // As in the application's loop, what a handler raised reaches the
    // global handler and the form goes on showing.
    try {
      FaultGuard guard;
      if (R().hook && R().hook(msg)) continue;
      // A thread message nobody handled has no window to go to.
      if (m.hwnd == nullptr) continue;
      if (PreTranslate(f, m)) {
        ThrowPending();
        continue;
      }
      if (IsDialogMessageW(f->hwnd, &m)) {
        ThrowPending();
        continue;
      }
      // The agent's hidden windows keep their exceptions for this call.
      plat::DispatchMessageW(msg);
      ThrowPending();
    } catch (...) {
      HandOver(std::current_exception());
    }
  }
  if (filter) UnhookWindowsHookEx(filter);
  PostHeld();
  f->showing = false;
  if (owner_enabled) EnableWindow(f->owner, TRUE);
  ShowWindow(f->hwnd, SW_HIDE);
  if (quit) PostQuitMessage(quit_code);
  return f->result;
}

std::uint32_t FormShownTick(Form form) {
  WinForm* f = F(form);
  return f ? f->shown_tick : 0;
}

void EndModal(Form form, int result) {
  WinForm* f = F(form);
  if (!f) return;
  f->result = result;
  f->showing = false;
  // Wake the modal loop.
  PostMessageW(f->hwnd, WM_NULL, 0, 0);
}

bool IsFormShowing(Form form) {
  WinForm* f = F(form);
  return f && f->showing;
}

void BringFormToFront(Form form) {
  WinForm* f = F(form);
  if (!f) return;
  if (IsIconic(f->hwnd)) ShowWindow(f->hwnd, SW_RESTORE);
  SetForegroundWindow(f->hwnd);
  BringWindowToTop(f->hwnd);
}

void SetFormCaption(Form form, const std::wstring& caption) {
  if (WinForm* f = F(form)) SetWindowTextW(f->hwnd, caption.c_str());
}

std::wstring GetFormCaption(Form form) {
  WinForm* f = F(form);
  if (!f) return L"";
  wchar_t buf[512] = {};
  GetWindowTextW(f->hwnd, buf, 512);
  return buf;
}

void SetFormHeight(Form form, int pixels) {
  WinForm* f = F(form);
  if (!f) return;
  RECT r;
  GetWindowRect(f->hwnd, &r);
  const int height = MulDiv(pixels, Dpi(f->hwnd), 96);
  const int delta = height - (r.bottom - r.top);
  if (delta == 0) return;
  SetWindowPos(f->hwnd, nullptr, 0, 0, r.right - r.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (auto& [name, c] : f->controls) {
    if (!c.layout.anchor_bottom || !c.hwnd) continue;
    RECT cr;
    GetWindowRect(c.hwnd, &cr);
    MapWindowPoints(nullptr, GetParent(c.hwnd), reinterpret_cast<POINT*>(&cr), 2);
    SetWindowPos(c.hwnd, nullptr, cr.left, cr.top + delta, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  InvalidateRect(f->hwnd, nullptr, TRUE);
}

int GetFormHeight(Form form) {
  WinForm* f = F(form);
  if (!f) return 0;
  RECT r;
  GetWindowRect(f->hwnd, &r);
  return MulDiv(r.bottom - r.top, 96, Dpi(f->hwnd));
}

void SetControlText(Form form, const std::wstring& control, const std::wstring& text) {
  Ctrl* c = C(form, control);
  if (!c) return;
  Quiet q(F(form));
  if (c->layout.kind == ControlKind::Tabs) return;
  SetWindowTextW(c->hwnd, text.c_str());
}

std::wstring GetControlText(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  if (!c) return L"";
  const int n = GetWindowTextLengthW(c->hwnd);
  std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
  GetWindowTextW(c->hwnd, s.data(), n + 1);
  s.resize(static_cast<std::size_t>(n));
  return s;
}

void SetControlEnabled(Form form, const std::wstring& control, bool enabled) {
  if (Ctrl* c = C(form, control)) EnableWindow(c->hwnd, enabled);
}

bool IsControlEnabled(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c && IsWindowEnabled(c->hwnd);
}

void SetControlVisible(Form form, const std::wstring& control, bool visible) {
  if (Ctrl* c = C(form, control)) ShowWindow(c->hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

bool IsControlVisible(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c && (GetWindowLongPtrW(c->hwnd, GWL_STYLE) & WS_VISIBLE);
}

void FocusControl(Form form, const std::wstring& control) {
  WinForm* f = F(form);
  Ctrl* c = C(form, control);
  if (!f || !c) return;
  if (!f->showing || !IsWindowVisible(f->hwnd)) {
    f->focus_on_show = control;
    return;
  }
  SendMessageW(f->hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(c->hwnd), TRUE);
}

int GetControlTag(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c ? c->layout.tag : 0;
}

void SetChecked(Form form, const std::wstring& control, bool checked) {
  if (Ctrl* c = C(form, control)) SendMessageW(c->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool IsChecked(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c && SendMessageW(c->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void SetReadOnly(Form form, const std::wstring& control, bool read_only) {
  if (Ctrl* c = C(form, control)) SendMessageW(c->hwnd, EM_SETREADONLY, read_only, 0);
}

bool IsReadOnly(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c && (GetWindowLongPtrW(c->hwnd, GWL_STYLE) & ES_READONLY);
}

void SetComboItems(Form form, const std::wstring& control, const std::vector<std::wstring>& items,
                   const std::vector<int>& images) {
  Ctrl* c = C(form, control);
  if (!c) return;
  Quiet q(F(form));
  SendMessageW(c->hwnd, CB_RESETCONTENT, 0, 0);
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (c->layout.kind == ControlKind::IconCombo) {
      COMBOBOXEXITEMW item{};
      item.mask = CBEIF_TEXT | CBEIF_IMAGE | CBEIF_SELECTEDIMAGE;
      item.iItem = static_cast<INT_PTR>(i);
      std::wstring text = items[i];
      item.pszText = text.data();
      item.iImage = item.iSelectedImage = i < images.size() ? images[i] : static_cast<int>(i);
      SendMessageW(c->hwnd, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    } else {
      SendMessageW(c->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(items[i].c_str()));
    }
  }
  c->items = items;
}

std::vector<std::wstring> GetComboItems(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c ? c->items : std::vector<std::wstring>{};
}

void SetItemIndex(Form form, const std::wstring& control, int index) {
  Ctrl* c = C(form, control);
  if (!c) return;
  Quiet q(F(form));
  SendMessageW(c->hwnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int GetItemIndex(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c ? static_cast<int>(SendMessageW(c->hwnd, CB_GETCURSEL, 0, 0)) : -1;
}

namespace {

// The control's item count follows the rows; the selection moves with its
// row as it would in a list view holding its items (owner-data list views
// keep the selection by position).
void SyncCount(Ctrl& c, int was_selected, int selected) {
  ListView_SetItemCountEx(c.hwnd, static_cast<int>(c.rows.size()), LVSICF_NOSCROLL);
  if (selected != was_selected) {
    ListView_SetItemState(c.hwnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    if (selected >= 0 && selected < static_cast<int>(c.rows.size()))
      ListView_SetItemState(c.hwnd, selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  }
  InvalidateRect(c.hwnd, nullptr, TRUE);
}

}  // namespace

int ListCount(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c ? static_cast<int>(c->rows.size()) : 0;
}

ListRow GetListRow(Form form, const std::wstring& control, int index) {
  ListRow row;
  Ctrl* c = C(form, control);
  if (!c || index < 0 || index >= static_cast<int>(c->rows.size())) return row;
  row = c->rows[static_cast<std::size_t>(index)];
  // One text per column after the first, as the control shows them.
  row.subitems.resize(c->layout.columns.empty() ? 0 : c->layout.columns.size() - 1);
  if (c->layout.image_count <= 0) row.image = -1;
  return row;
}

void SetListRow(Form form, const std::wstring& control, int index, const ListRow& row) {
  Ctrl* c = C(form, control);
  if (!c || index < 0 || index >= static_cast<int>(c->rows.size())) return;
  Quiet q(F(form));
  c->rows[static_cast<std::size_t>(index)] = row;
  ListView_RedrawItems(c->hwnd, index, index);
}

void InsertListRow(Form form, const std::wstring& control, int index, const ListRow& row) {
  Ctrl* c = C(form, control);
  if (!c || index < 0) return;
  Quiet q(F(form));
  const int at = std::min(index, static_cast<int>(c->rows.size()));
  const int selected = ListView_GetNextItem(c->hwnd, -1, LVNI_SELECTED);
  c->rows.insert(c->rows.begin() + at, row);
  SyncCount(*c, selected, selected >= at ? selected + 1 : selected);
}

void DeleteListRow(Form form, const std::wstring& control, int index) {
  Ctrl* c = C(form, control);
  if (!c || index < 0 || index >= static_cast<int>(c->rows.size())) return;
  Quiet q(F(form));
  const int selected = ListView_GetNextItem(c->hwnd, -1, LVNI_SELECTED);
  c->rows.erase(c->rows.begin() + index);
  SyncCount(*c, selected, selected == index ? -1 : selected > index ? selected - 1 : selected);
}

void ClearList(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  if (!c) return;
  Quiet q(F(form));
  c->rows.clear();
  ListView_DeleteAllItems(c->hwnd);
}

void SetListRows(Form form, const std::wstring& control, std::vector<ListRow> rows, int selected) {
  Ctrl* c = C(form, control);
  if (!c) return;
  Quiet q(F(form));
  // The control forgets its selection, focus and scroll position as with
  // ClearList, and learns the new count once: inserting row by row would ask
  // it for the selected row (a walk over every row) at each insertion.
  c->rows.clear();
  ListView_DeleteAllItems(c->hwnd);
  c->rows = std::move(rows);
  ListView_SetItemCountEx(c->hwnd, static_cast<int>(c->rows.size()), LVSICF_NOSCROLL);
  if (selected >= 0 && selected < static_cast<int>(c->rows.size())) {
    ListView_SetItemState(c->hwnd, selected, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(c->hwnd, selected, FALSE);
  }
  InvalidateRect(c->hwnd, nullptr, TRUE);
}

int GetSelectedRow(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c ? ListView_GetNextItem(c->hwnd, -1, LVNI_SELECTED) : -1;
}

void SetSelectedRow(Form form, const std::wstring& control, int index) {
  Ctrl* c = C(form, control);
  if (!c) return;
  Quiet q(F(form));
  ListView_SetItemState(c->hwnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (index >= 0) {
    ListView_SetItemState(c->hwnd, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(c->hwnd, index, FALSE);
  }
}

void SetPageIndex(Form form, const std::wstring& control, int index) {
  WinForm* f = F(form);
  Ctrl* c = C(form, control);
  if (!f || !c) return;
  const auto& pages = f->pages[control];
  if (index < 0 || index >= static_cast<int>(pages.size())) return;
  TabCtrl_SetCurSel(c->hwnd, index);
  ShowPage(f, control, index);
  Fire(f, pages[index], FormEventKind::PageShow);
}

int GetPageIndex(Form form, const std::wstring& control) {
  Ctrl* c = C(form, control);
  return c ? TabCtrl_GetCurSel(c->hwnd) : -1;
}

void SetHotKeyValue(Form form, const std::wstring& control, std::uint32_t key, std::uint32_t modifiers) {
  Ctrl* c = C(form, control);
  if (!c) return;
  Quiet q(F(form));
  SendMessageW(c->hwnd, HKM_SETHOTKEY, MAKEWORD(key & 0xFF, modifiers & 0xFF), 0);
}

void GetHotKeyValue(Form form, const std::wstring& control, std::uint32_t& key, std::uint32_t& modifiers) {
  key = modifiers = 0;
  Ctrl* c = C(form, control);
  if (!c) return;
  const WORD v = static_cast<WORD>(SendMessageW(c->hwnd, HKM_GETHOTKEY, 0, 0));
  key = LOBYTE(v);
  modifiers = HIBYTE(v) & (HOTKEYF_SHIFT | HOTKEYF_CONTROL | HOTKEYF_ALT);
}

void SetHotKeyRules(Form form, const std::wstring& control, std::uint32_t invalid, std::uint32_t replacement) {
  if (Ctrl* c = C(form, control)) SendMessageW(c->hwnd, HKM_SETRULES, invalid, MAKELPARAM(replacement, 0));
}

void SetModalMessageHook(std::function<bool(const Msg&)> hook) { R().hook = std::move(hook); }

void SetModalExceptionHandler(std::function<void(std::exception_ptr)> handler) {
  R().exception_handler = std::move(handler);
}

bool ShowHtmlHelpTopic(const std::wstring& help_file, const std::wstring& topic) {
  using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
  static HMODULE lib = LoadLibraryW(L"hhctrl.ocx");
  static auto fn =
      lib ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(lib, "HtmlHelpW"))) : nullptr;
  if (!fn) return false;
  fn(GetDesktopWindow(), help_file.c_str(), 0 /* HH_DISPLAY_TOPIC */, reinterpret_cast<DWORD_PTR>(topic.c_str()));
  return true;
}

}  // namespace plat
