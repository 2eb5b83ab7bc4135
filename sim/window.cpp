// The sim's window tree: windows, their procedures, focus, foreground, input
// attachment, sent and posted messages on the virtual clock.
#include <algorithm>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>
#include <set>

#include "infra/utf16.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "sim/sim_app.h"
#include "sim/sim_clock.h"
#include "sim/sim_process_memory.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"
#include "platform/window.h"

namespace sim {
namespace {

struct Posted {
  std::uint64_t due = 0;
  std::uint64_t seq = 0;
  plat::Window w = 0;
  Msg m;
  std::function<void()> fn;  // a timed event instead of a message
};

struct Win {
  std::wstring cls;
  std::wstring text;
  std::uint32_t style = 0;
  std::uint32_t ex_style = 0;
  plat::Window parent = 0;
  plat::Window owner = 0;
  plat::ThreadId thread = 0;
  plat::Rect rect{};
  int id = 0;
  std::vector<plat::Window> children;
  WndProc proc;  // empty: DefWindowProc
  bool hung = false;
  std::uint32_t reply_delay = 0;
  std::uint64_t busy_until = 0;  // sends wait for this tick (a thread at work)
  int caret = 0;
  int anchor = 0;  // the selection runs from here to the caret (an edit box)
  std::vector<Msg> received;
  std::uint64_t queue_held_until = 0;  // posted messages wait for this tick
  std::vector<Posted> held;            // posted while hung, in order
};

struct WindowState {
  std::recursive_mutex lock;
  std::map<plat::Window, std::shared_ptr<Win>> wins;
  std::vector<plat::Window> top_level;  // creation order; later is higher in Z order
  plat::Window next = 0x10010;
  plat::Window foreground = 0;
  bool foreground_refused = false;
  bool foreground_locked = false;
  plat::Point cursor{};
  std::map<plat::ThreadId, plat::Window> focus;
  std::map<std::pair<plat::ThreadId, plat::ThreadId>, int> attached;
  int attach_calls = 0;
  int timed_out = 0;
  std::vector<Posted> queue;
  std::uint64_t seq = 0;
  int listener = 0;
};

WindowState& S() {
  static WindowState s;
  return s;
}

const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (S().listener) RemoveClockListener(S().listener);
  S().listener = 0;
  S().wins.clear();
  S().top_level.clear();
  S().next = 0x10010;
  S().foreground = 0;
  S().foreground_refused = false;
  S().foreground_locked = false;
  S().cursor = {};
  S().focus.clear();
  S().attached.clear();
  S().attach_calls = 0;
  S().timed_out = 0;
  S().queue.clear();
  S().seq = 0;
});

std::shared_ptr<Win> Find(plat::Window w) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = S().wins.find(w);
  return it == S().wins.end() ? nullptr : it->second;
}

bool SameClass(const std::wstring& a, const std::wstring& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

void RunDue(std::uint64_t now);

void EnsureListener() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (S().listener) return;
  S().listener = AddClockListener([](std::uint64_t now) { RunDue(now); });
}

// Calls the window's procedure without holding the lock, and records the message.
plat::LResult Deliver(plat::Window w, Msg& m) {
  auto win = Find(w);
  if (!win) return 0;
  m.time = Now();
  WndProc proc;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    proc = win->proc;
  }
  plat::LResult r = proc ? proc(w, m) : DefWindowProc(w, m);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  win->received.push_back(m);
  return r;
}

void RunDue(std::uint64_t now) {
  for (;;) {
    Posted p;
    {
      std::lock_guard<std::recursive_mutex> g(S().lock);
      auto& q = S().queue;
      auto it = std::min_element(q.begin(), q.end(), [](const Posted& a, const Posted& b) {
        return a.due != b.due ? a.due < b.due : a.seq < b.seq;
      });
      if (it == q.end() || it->due > now) return;
      p = std::move(*it);
      q.erase(it);
    }
    if (p.fn) {
      p.fn();
      continue;
    }
    auto win = Find(p.w);
    if (!win) continue;
    {
      // A thread gets to its queue once it is free again: the message waits.
      std::lock_guard<std::recursive_mutex> g(S().lock);
      if (win->hung) {
        win->held.push_back(std::move(p));
        continue;
      }
      if (win->queue_held_until > now) {
        p.due = win->queue_held_until;
        S().queue.push_back(std::move(p));
        continue;
      }
    }
    Deliver(p.w, p.m);
  }
}

void Enqueue(Posted p) {
  EnsureListener();
  std::lock_guard<std::recursive_mutex> g(S().lock);
  p.seq = ++S().seq;
  S().queue.push_back(std::move(p));
}

// Threads sharing input state with t (t included).
std::set<plat::ThreadId> InputGroup(plat::ThreadId t) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  std::set<plat::ThreadId> group{t};
  bool grew = true;
  while (grew) {
    grew = false;
    for (auto& [pair, n] : S().attached) {
      if (n <= 0) continue;
      bool a = group.count(pair.first) > 0, b = group.count(pair.second) > 0;
      if (a != b) {
        group.insert(pair.first);
        group.insert(pair.second);
        grew = true;
      }
    }
  }
  return group;
}

plat::Window TopLevelOf(plat::Window w) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  for (;;) {
    auto it = S().wins.find(w);
    if (it == S().wins.end()) return 0;
    if (!(it->second->style & plat::WS_CHILD) || !it->second->parent) return w;
    w = it->second->parent;
  }
}

bool Contains(const plat::Rect& r, plat::Point p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// --- file dialogs -------------------------------------------------------------
struct DialogState {
  FileDialogSpec spec;
  plat::Window edit = 0;
  std::wstring folder;
  std::wstring filter;
  std::vector<std::wstring> opened;
  std::wstring focus_text;  // what the box held when it last got the focus
  int enters = 0;
  std::uint64_t folder_tick = 0;  // when it showed its last folder
};
std::map<plat::Window, std::shared_ptr<DialogState>>& Dialogs() {
  static std::map<plat::Window, std::shared_ptr<DialogState>> d;
  return d;
}
const bool kResetDialogs = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  Dialogs().clear();
});

}  // namespace

plat::Window CreateWindow(const WindowSpec& spec) {
  std::unique_lock<std::recursive_mutex> g(S().lock);
  auto win = std::make_shared<Win>();
  win->cls = spec.class_name;
  win->text = spec.text;
  win->style = spec.style;
  win->ex_style = spec.ex_style;
  win->parent = spec.parent;
  win->owner = spec.owner;
  win->rect = spec.rect;
  win->thread = spec.thread;
  win->id = spec.id;
  plat::Window w = S().next;
  S().next += 0x12;
  if (spec.parent) {
    auto p = Find(spec.parent);
    win->style |= plat::WS_CHILD;
    if (p) {
      p->children.push_back(w);
      if (!win->thread) win->thread = p->thread;
    }
  } else {
    S().top_level.push_back(w);
  }
  if (!win->thread) win->thread = kOtherProgramThread;
  S().wins[w] = win;
  g.unlock();
  // Window events of top-level windows, delivered to the hooks later.
  if (!spec.parent) {
    RaiseWinEvent(plat::EVENT_OBJECT_CREATE, w);
    if (spec.style & plat::WS_VISIBLE) RaiseWinEvent(plat::EVENT_OBJECT_SHOW, w);
  }
  return w;
}

plat::Window AddChild(plat::Window parent, const std::wstring& class_name, const std::wstring& text, plat::Rect rect) {
  WindowSpec s;
  s.class_name = class_name;
  s.text = text;
  s.parent = parent;
  s.rect = rect;
  return CreateWindow(s);
}

void DestroyWindow(plat::Window w) {
  auto win = Find(w);
  if (!win) return;
  for (plat::Window c : Children(w)) DestroyWindow(c);
  Msg m;
  m.msg = plat::WM_DESTROY;
  Deliver(w, m);
  if (!win->parent) {
    if (plat::IsWindowVisible(w)) RaiseWinEvent(plat::EVENT_OBJECT_HIDE, w);
    RaiseWinEvent(plat::EVENT_OBJECT_DESTROY, w);
  }
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win->parent) {
    if (auto p = Find(win->parent)) std::erase(p->children, w);
  }
  std::erase(S().top_level, w);
  if (S().foreground == w) S().foreground = 0;
  for (auto& [t, f] : S().focus)
    if (f == w) f = 0;
  S().wins.erase(w);
}

std::wstring Text(plat::Window w) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return win ? win->text : L"";
}

void SetText(plat::Window w, const std::wstring& text) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) {
    win->text = text;
    win->caret = win->anchor = 0;
  }
}

void SetControlId(plat::Window w, int id) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) win->id = id;
}

void SetExStyle(plat::Window w, std::uint32_t ex_style) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) win->ex_style = ex_style;
}

void SetRect(plat::Window w, plat::Rect r) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) win->rect = r;
}

std::vector<plat::Window> Children(plat::Window w) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return win ? win->children : std::vector<plat::Window>{};
}

void SetCursorPos(plat::Point p) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().cursor = p;
}

void SetForeground(plat::Window w) {
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().foreground = w;
  }
  if (w) RaiseWinEvent(plat::EVENT_SYSTEM_FOREGROUND, w);
}

void SetForegroundRefused(bool refused) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().foreground_refused = refused;
}

plat::Window FocusOf(plat::ThreadId thread) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = S().focus.find(thread);
  return it == S().focus.end() ? 0 : it->second;
}

void SetHung(plat::Window w, bool hung) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (!win) return;
  win->hung = hung;
  if (hung) return;
  for (Posted& p : win->held) {
    p.due = Now();
    S().queue.push_back(std::move(p));
  }
  win->held.clear();
}

void SetPostedHeldUntil(plat::Window w, std::uint64_t tick) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) win->queue_held_until = tick;
}

void SetBusyUntil(plat::Window w, std::uint64_t tick) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) win->busy_until = tick;
}

void SetReplyDelay(plat::Window w, std::uint32_t ms) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) win->reply_delay = ms;
}

void SetWindowProc(plat::Window w, WndProc proc) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) win->proc = std::move(proc);
}

plat::LResult DefWindowProc(plat::Window w, Msg& m) {
  auto win = Find(w);
  if (!win) return 0;
  std::unique_lock<std::recursive_mutex> g(S().lock);
  const bool edit = SameClass(win->cls, L"Edit");
  switch (m.msg) {
    case plat::WM_SETTEXT:
      win->text = m.text;
      win->caret = win->anchor = 0;
      return 1;
    case plat::WM_GETTEXT: {
      size_t n = m.wparam == 0 ? 0 : static_cast<size_t>(m.wparam) - 1;
      m.text = win->text.substr(0, n);
      return static_cast<plat::LResult>(m.text.size());
    }
    case plat::WM_GETTEXTLENGTH:
      return static_cast<plat::LResult>(win->text.size());
    case plat::WM_CHAR:
      if (!edit) return 0;
      if (m.wparam == plat::VK_BACK) {
        if (win->caret > 0) {
          win->text.erase(static_cast<size_t>(win->caret - 1), 1);
          --win->caret;
        }
      } else if (m.wparam >= 0x20) {
        win->text.insert(static_cast<size_t>(win->caret), 1, static_cast<wchar_t>(m.wparam));
        ++win->caret;
      }
      win->anchor = win->caret;
      return 0;
    case plat::WM_KEYDOWN:
      if (edit && m.wparam == plat::VK_DELETE && win->caret < static_cast<int>(win->text.size()))
        win->text.erase(static_cast<size_t>(win->caret), 1);
      return 0;
    case plat::WM_LBUTTONDOWN:
      if (edit) {
        // A click right of the text puts the caret at its end.
        int x = static_cast<int>(m.lparam & 0xFFFF);
        win->caret = win->anchor = x > 0 ? static_cast<int>(win->text.size()) : 0;
      }
      return 0;
    case plat::EM_SETSEL: {
      if (!edit) return 0;
      const int size = static_cast<int>(win->text.size());
      const auto clamp = [size](plat::LParam v) { return v < 0 || v > size ? size : static_cast<int>(v); };
      win->anchor = clamp(static_cast<plat::LParam>(static_cast<std::int32_t>(m.wparam)));
      win->caret = clamp(m.lparam);
      return 0;
    }
    case plat::EM_GETSEL: {
      if (!edit) return 0;
      const int from = std::min(win->anchor, win->caret), to = std::max(win->anchor, win->caret);
      return static_cast<plat::LResult>((to & 0xFFFF) << 16 | (from & 0xFFFF));
    }
    case plat::BM_CLICK:
      if (SameClass(win->cls, L"Button") && win->parent) {
        plat::Window parent = win->parent;
        g.unlock();
        Msg c;
        c.msg = plat::WM_COMMAND;
        c.lparam = static_cast<plat::LParam>(w);
        Deliver(parent, c);
      }
      return 0;
    default:
      return 0;
  }
}

std::vector<Msg> Received(plat::Window w) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return win ? win->received : std::vector<Msg>{};
}

void ClearReceived(plat::Window w) {
  auto win = Find(w);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  if (win) win->received.clear();
}

int TimedOutSends() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().timed_out;
}

int AttachmentsInForce() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  int n = 0;
  for (auto& [pair, count] : S().attached) n += count;
  return n;
}

int AttachCalls() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().attach_calls;
}

void At(std::uint64_t at, std::function<void()> fn) {
  Posted p;
  p.due = std::max(at, Now() + 1);
  p.fn = std::move(fn);
  Enqueue(std::move(p));
}

// --- simulated file dialogs ------------------------------------------------------

namespace {

bool LooksLikeMask(const std::wstring& t) { return t.find_first_of(L"*?") != std::wstring::npos; }

void TakeEnter(plat::Window dialog, const std::shared_ptr<DialogState>& d) {
  std::wstring t = Text(d->edit);
  if (t.empty()) return;
  if (d->spec.list_busy_ms) {
    // Listing the new folder keeps the dialog's thread from its messages.
    const std::uint64_t until = Now() + d->spec.list_busy_ms;
    SetBusyUntil(dialog, until);
    for (plat::Window c : plat::EnumChildWindows(dialog)) SetBusyUntil(c, until);
  }
  d->enters++;
  std::wstring after;
  if (LooksLikeMask(t)) {
    d->filter = t;
    after = d->spec.restores_user_text ? d->focus_text : t;
  } else if (plat::DirectoryExists(t)) {
    d->folder = t;
    d->folder_tick = Now() + d->spec.list_busy_ms;
    after = d->spec.restores_user_text ? d->focus_text : L"";
  } else {
    d->opened.push_back(t);
    DestroyWindow(dialog);
    return;
  }
  const plat::Window edit = d->edit;
  auto show = [edit, after] { SetText(edit, after); };
  if (d->spec.list_busy_ms)
    At(Now() + d->spec.list_busy_ms, show);
  else
    show();
  if (d->spec.late_rewrite_ms) {
    const std::wstring late = d->spec.late_rewrite_keeps_user_text ? d->focus_text : L"";
    At(Now() + d->spec.list_busy_ms + d->spec.late_rewrite_ms, [dialog, edit, late] {
      if (plat::IsWindow(dialog)) SetText(edit, late);
    });
  }
}

}  // namespace

FileDialog CreateFileDialog(const FileDialogSpec& spec) {
  auto d = std::make_shared<DialogState>();
  d->spec = spec;
  d->folder = spec.folder;
  WindowSpec ws;
  ws.owner = spec.owner;
  ws.thread = spec.thread;
  ws.rect = spec.rect;
  ws.text = L"Open";
  ws.style = plat::WS_POPUP | plat::WS_VISIBLE | plat::WS_CLIPSIBLINGS | plat::WS_CAPTION | plat::WS_SYSMENU |
             plat::DS_MODALFRAME;
  if (spec.shown_after_ms) ws.style &= ~plat::WS_VISIBLE;
  ws.ex_style = plat::WS_EX_DLGMODALFRAME | plat::WS_EX_WINDOWEDGE | plat::WS_EX_CONTROLPARENT;
  FileDialog fd;
  plat::Rect box{spec.rect.left + 100, spec.rect.bottom - 80, spec.rect.right - 150, spec.rect.bottom - 60};
  switch (spec.style) {
    case DialogStyle::Classic: {
      ws.class_name = L"#32770";
      ws.ex_style |= plat::WS_EX_CONTEXTHELP;
      fd.dialog = CreateWindow(ws);
      AddChild(fd.dialog, L"ComboBox", L"");  // look in
      AddChild(fd.dialog, L"SHELLDLL_DefView", L"");
      plat::Window cbx = AddChild(fd.dialog, L"ComboBoxEx32", L"", box);
      plat::Window cb = AddChild(cbx, L"ComboBox", L"", box);
      fd.edit = AddChild(cb, L"Edit", L"", box);
      AddChild(fd.dialog, L"Button", L"&Open");
      AddChild(fd.dialog, L"Button", L"Cancel");
      break;
    }
    case DialogStyle::Vista: {
      ws.class_name = L"#32770";
      ws.style |= plat::DS_SETFOREGROUND;
      fd.dialog = CreateWindow(ws);
      plat::Window duiv = AddChild(fd.dialog, L"DUIViewWndClassName", L"");
      plat::Window dui = AddChild(duiv, L"DirectUIHWND", L"");
      plat::Window sink = AddChild(dui, L"FloatNotifySink", L"");
      plat::Window cb = AddChild(sink, L"ComboBox", L"", box);
      fd.edit = AddChild(cb, L"Edit", L"", box);
      plat::Window sink2 = AddChild(dui, L"FloatNotifySink", L"");
      AddChild(sink2, L"ComboBox", L"");  // file types
      AddChild(fd.dialog, L"Button", L"&Open");
      AddChild(fd.dialog, L"Button", L"Cancel");
      break;
    }
    case DialogStyle::Office: {
      ws.class_name = L"bosa_sdm_Microsoft Office Word 11.0";
      fd.dialog = CreateWindow(ws);
      AddChild(fd.dialog, L"Snake List", L"");
      fd.edit = AddChild(fd.dialog, L"Edit", L"", box);
      break;
    }
  }
  SetText(fd.edit, spec.user_text);
  d->edit = fd.edit;
  d->focus_text = spec.user_text;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    Dialogs()[fd.dialog] = d;
  }
  if (spec.hung) {
    SetHung(fd.dialog, true);
    for (plat::Window c : plat::EnumChildWindows(fd.dialog)) SetHung(c, true);
  }
  plat::Window dialog = fd.dialog;
  if (spec.shown_after_ms) At(Now() + spec.shown_after_ms, [dialog] { plat::ShowWindow(dialog, plat::SW_SHOW); });
  if (spec.style != DialogStyle::Office) {
    // The common dialogs tell their folder into a buffer of their own process.
    SetWindowProc(fd.dialog, [d](plat::Window w, Msg& m) -> plat::LResult {
      if (m.msg != plat::CDM_GETFOLDERPATH) return DefWindowProc(w, m);
      std::wstring folder;
      {
        std::lock_guard<std::recursive_mutex> g(S().lock);
        folder = d->folder;
      }
      const plat::LResult needed = static_cast<plat::LResult>(folder.size() + 1);
      if (static_cast<plat::LResult>(m.wparam) < needed) return needed;
      std::string bytes = infra::ToUtf16Le(folder);
      bytes.append(2, '\0');
      std::uint32_t pid = 0;
      plat::GetWindowThreadProcessId(w, &pid);
      if (!WriteBytes(pid, static_cast<plat::RemoteAddress>(m.lparam),
                      std::vector<std::uint8_t>(bytes.begin(), bytes.end())))
        return -1;
      return needed;
    });
  }
  SetWindowProc(fd.edit, [dialog, d](plat::Window w, Msg& m) -> plat::LResult {
    if (m.msg == plat::WM_SETFOCUS) d->focus_text = Text(w);
    if (m.msg == plat::WM_KEYDOWN && m.wparam == plat::VK_RETURN && d->spec.enter == EnterBehaviour::Navigate) {
      At(Now() + d->spec.navigate_delay_ms, [dialog, d] {
        if (plat::IsWindow(dialog)) TakeEnter(dialog, d);
      });
      return 0;
    }
    return DefWindowProc(w, m);
  });
  return fd;
}

std::wstring FileDialogFolder(plat::Window dialog) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = Dialogs().find(dialog);
  return it == Dialogs().end() ? L"" : it->second->folder;
}

std::wstring FileDialogFilter(plat::Window dialog) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = Dialogs().find(dialog);
  return it == Dialogs().end() ? L"" : it->second->filter;
}

std::vector<std::wstring> FileDialogOpened(plat::Window dialog) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = Dialogs().find(dialog);
  return it == Dialogs().end() ? std::vector<std::wstring>{} : it->second->opened;
}

std::uint64_t FileDialogFolderTick(plat::Window dialog) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = Dialogs().find(dialog);
  return it == Dialogs().end() ? 0 : it->second->folder_tick;
}

int FileDialogEnters(plat::Window dialog) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = Dialogs().find(dialog);
  return it == Dialogs().end() ? 0 : it->second->enters;
}

}  // namespace sim

// --- the seam -------------------------------------------------------------------

namespace plat {

std::wstring GetClassName(Window w, int buffer_chars) {
  auto win = sim::Find(w);
  if (!win || buffer_chars <= 0) return L"";
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return win->cls.substr(0, static_cast<size_t>(buffer_chars - 1));
}

std::wstring GetWindowText(Window w, int buffer_chars) {
  auto win = sim::Find(w);
  if (!win || buffer_chars <= 0) return L"";
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return win->text.substr(0, static_cast<size_t>(buffer_chars - 1));
}

std::uint32_t GetWindowLong(Window w, int index) {
  auto win = sim::Find(w);
  if (!win) return 0;
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  if (index == GWL_STYLE) return win->style;
  if (index == GWL_EXSTYLE) return win->ex_style;
  return 0;
}

Window GetParent(Window w) {
  auto win = sim::Find(w);
  if (!win) return 0;
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  if (win->style & WS_CHILD) return win->parent;
  if (win->style & WS_POPUP) return win->owner;
  return 0;
}

Window GetOwner(Window w) {
  auto win = sim::Find(w);
  if (!win) return 0;
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return (win->style & WS_CHILD) ? 0 : win->owner;
}

int GetDlgCtrlID(Window w) {
  auto win = sim::Find(w);
  if (!win) return 0;
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return (win->style & WS_CHILD) ? win->id : 0;
}

Window FindWindowEx(Window parent, Window child_after, const std::wstring& class_name, const std::wstring* title) {
  std::vector<Window> list;
  if (parent) {
    list = sim::Children(parent);
  } else {
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    list.assign(sim::S().top_level.rbegin(), sim::S().top_level.rend());
  }
  auto it = list.begin();
  if (child_after) {
    it = std::find(list.begin(), list.end(), child_after);
    if (it == list.end()) return 0;
    ++it;
  }
  for (; it != list.end(); ++it) {
    auto win = sim::Find(*it);
    if (!win) continue;
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    if (!class_name.empty() && !sim::SameClass(win->cls, class_name)) continue;
    if (title && win->text != *title) continue;
    return *it;
  }
  return 0;
}

std::vector<Window> EnumChildWindows(Window parent) {
  std::vector<Window> out;
  for (Window c : sim::Children(parent)) {
    out.push_back(c);
    auto sub = EnumChildWindows(c);
    out.insert(out.end(), sub.begin(), sub.end());
  }
  return out;
}

std::vector<Window> EnumWindows() {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return std::vector<Window>(sim::S().top_level.rbegin(), sim::S().top_level.rend());
}

Window WindowFromPoint(Point p) {
  auto visible_at = [&](Window w) {
    auto win = sim::Find(w);
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    return win && (win->style & WS_VISIBLE) && sim::Contains(win->rect, p);
  };
  Window hit = 0;
  for (Window w : EnumWindows())
    if (visible_at(w)) {
      hit = w;
      break;
    }
  while (hit) {
    Window deeper = 0;
    auto kids = sim::Children(hit);
    for (auto it = kids.rbegin(); it != kids.rend(); ++it)
      if (visible_at(*it)) {
        deeper = *it;
        break;
      }
    if (!deeper) break;
    hit = deeper;
  }
  return hit;
}

bool GetCursorPos(Point* p) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  if (p) *p = sim::S().cursor;
  return true;
}

bool GetWindowRect(Window w, Rect* r) {
  auto win = sim::Find(w);
  if (!win) return false;
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  if (r) *r = win->rect;
  return true;
}

bool IsWindow(Window w) { return sim::Find(w) != nullptr; }

bool IsWindowVisible(Window w) {
  for (Window cur = w; cur;) {
    auto win = sim::Find(cur);
    if (!win) return false;
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    if (!(win->style & WS_VISIBLE)) return false;
    cur = (win->style & WS_CHILD) ? win->parent : 0;
  }
  return w != 0;
}

ThreadId GetWindowThreadProcessId(Window w, std::uint32_t* process_id) {
  auto win = sim::Find(w);
  if (process_id) *process_id = win ? win->thread + 1000000 : 0;
  return win ? win->thread : 0;
}

Window GetForegroundWindow() {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return sim::S().foreground;
}

bool SetForegroundWindow(Window w) {
  if (!IsWindow(w)) return false;
  Window previous = 0;
  {
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    if (sim::S().foreground_refused) return false;
    previous = sim::S().foreground;
    sim::S().foreground = sim::TopLevelOf(w);
  }
  // The window that loses the foreground is told at once (WM_ACTIVATE sent
  // with no time-out) when its thread shares input with the caller, as after
  // AttachThreadInput: the call waits for that thread's answer. A hung thread
  // holds it until the system gives up on it (kHungActivationHoldMs).
  const ThreadId me = CurrentThreadId();
  const ThreadId other = previous ? GetWindowThreadProcessId(previous, nullptr) : 0;
  if (other && other != me && previous != sim::TopLevelOf(w) && sim::InputGroup(me).count(other)) {
    if (auto win = sim::Find(previous)) {
      std::uint32_t hold = 0;
      {
        std::lock_guard<std::recursive_mutex> g(sim::S().lock);
        hold = win->hung ? sim::kHungActivationHoldMs : win->reply_delay;
      }
      if (hold) sim::Advance(hold);
    }
  }
  return true;
}

Window SetActiveWindow(Window w) {
  if (!IsWindow(w)) return 0;
  ThreadId me = CurrentThreadId();
  if (!sim::InputGroup(me).count(GetWindowThreadProcessId(w, nullptr))) return 0;
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  Window prev = sim::S().foreground;
  return prev ? prev : w;
}

Window GetFocus() {
  ThreadId me = CurrentThreadId();
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  auto it = sim::S().focus.find(me);
  return it == sim::S().focus.end() ? 0 : it->second;
}

Window SetFocus(Window w) {
  ThreadId me = CurrentThreadId();
  if (!IsWindow(w)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  auto group = sim::InputGroup(me);
  if (!group.count(GetWindowThreadProcessId(w, nullptr))) return 0;
  Window prev;
  {
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    prev = sim::S().focus[me];
    for (ThreadId t : group) sim::S().focus[t] = w;
  }
  if (prev != w) {
    if (prev && IsWindow(prev)) {
      sim::Msg k;
      k.msg = WM_KILLFOCUS;
      k.wparam = w;
      sim::Deliver(prev, k);
    }
    sim::Msg s;
    s.msg = WM_SETFOCUS;
    s.wparam = prev;
    sim::Deliver(w, s);
  }
  return prev ? prev : w;
}

bool AttachThreadInput(ThreadId attach, ThreadId attach_to, bool attach_flag) {
  if (!attach || !attach_to || attach == attach_to) return false;
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  auto key = std::minmax(attach, attach_to);
  int& n = sim::S().attached[{key.first, key.second}];
  if (attach_flag) {
    ++n;
    ++sim::S().attach_calls;
    // Attached threads share one focus: the target's focus becomes the group's.
    auto it = sim::S().focus.find(attach_to);
    if (it != sim::S().focus.end()) sim::S().focus[attach] = it->second;
    return true;
  }
  if (n <= 0) return false;
  --n;
  return true;
}

bool ShowWindow(Window w, int cmd) {
  auto win = sim::Find(w);
  if (!win) return false;
  std::unique_lock<std::recursive_mutex> g(sim::S().lock);
  bool was_visible = (win->style & WS_VISIBLE) != 0;
  switch (cmd) {
    case SW_HIDE:
      win->style &= ~WS_VISIBLE;
      break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
      win->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
      win->style |= WS_VISIBLE;
      break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
      win->style |= WS_MINIMIZE | WS_VISIBLE;
      break;
    case SW_SHOWMAXIMIZED:
      win->style = (win->style & ~WS_MINIMIZE) | WS_MAXIMIZE | WS_VISIBLE;
      break;
    default:
      win->style |= WS_VISIBLE;
  }
  const bool visible = (win->style & WS_VISIBLE) != 0;
  g.unlock();
  if (!win->parent && visible != was_visible) sim::RaiseWinEvent(visible ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, w);
  return was_visible;
}

bool ShowWindowAsync(Window w, int cmd) {
  if (!IsWindow(w)) return false;
  sim::Posted p;
  p.due = sim::Now() + 1;
  p.fn = [w, cmd] { ShowWindow(w, cmd); };
  sim::Enqueue(std::move(p));
  return true;
}

bool LockSetForegroundWindow(std::uint32_t code) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  sim::S().foreground_locked = code == LSFW_LOCK;
  return true;
}

namespace {
bool SimSend(Window w, sim::Msg& m, std::uint32_t timeout_ms, LResult* result) {
  auto win = sim::Find(w);
  if (!win) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  bool hung;
  std::uint32_t delay;
  {
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    hung = win->hung;
    delay = win->reply_delay;
    const std::uint64_t now = sim::Now();
    if (win->busy_until > now) delay = std::max<std::uint64_t>(delay, win->busy_until - now);
  }
  if (hung || delay >= timeout_ms) {
    sim::Advance(timeout_ms);
    {
      std::lock_guard<std::recursive_mutex> g(sim::S().lock);
      sim::S().timed_out++;
    }
    SetLastError(ERROR_TIMEOUT);
    return false;
  }
  if (delay) sim::Advance(delay);
  LResult r = sim::Deliver(w, m);
  if (result) *result = r;
  return true;
}
}  // namespace

bool SendMessageTimeout(Window w, std::uint32_t msg, WParam wparam, LParam lparam, std::uint32_t flags,
                        std::uint32_t timeout_ms, LResult* result) {
  sim::Msg m;
  m.msg = msg;
  m.wparam = wparam;
  m.lparam = lparam;
  return SimSend(w, m, timeout_ms, result);
}

bool SendMessageTimeoutSetText(Window w, const std::wstring& text, std::uint32_t flags, std::uint32_t timeout_ms,
                               LResult* result) {
  sim::Msg m;
  m.msg = WM_SETTEXT;
  m.text = text;
  return SimSend(w, m, timeout_ms, result);
}

bool SendMessageTimeoutGetText(Window w, int buffer_chars, std::wstring* text, std::uint32_t flags,
                               std::uint32_t timeout_ms) {
  sim::Msg m;
  m.msg = WM_GETTEXT;
  m.wparam = static_cast<WParam>(buffer_chars < 0 ? 0 : buffer_chars);
  bool ok = SimSend(w, m, timeout_ms, nullptr);
  if (text) {
    *text = ok ? m.text : L"";
    if (ok && buffer_chars > 0 && text->size() > static_cast<size_t>(buffer_chars - 1))
      text->resize(static_cast<size_t>(buffer_chars - 1));
  }
  return ok;
}

bool PostMessage(Window w, std::uint32_t msg, WParam wparam, LParam lparam) {
  if (!IsWindow(w)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  sim::Posted p;
  p.due = sim::Now() + 1;
  p.w = w;
  p.m.msg = msg;
  p.m.wparam = wparam;
  p.m.lparam = lparam;
  p.m.posted = true;
  sim::Enqueue(std::move(p));
  return true;
}

}  // namespace plat
