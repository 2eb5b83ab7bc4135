// The seam header comes first: its constants carry the names that <windows.h>
// later defines as macros.
#include "platform/window.h"

#include <windows.h>

#include <algorithm>

// The seam's names are the API's names without the W; the macros go.
#undef GetClassName
#undef GetWindowText
#undef GetWindowLong
#undef FindWindowEx
#undef SendMessageTimeout
#undef PostMessage

namespace plat {
namespace {
HWND H(Window w) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(w)); }
Window W(HWND h) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(h)); }

BOOL CALLBACK CollectWindow(HWND h, LPARAM lp) {
  reinterpret_cast<std::vector<Window>*>(lp)->push_back(W(h));
  return TRUE;
}
}  // namespace

std::wstring GetClassName(Window w, int buffer_chars) {
  if (!w || buffer_chars <= 0) return L"";
  std::wstring buf(static_cast<size_t>(buffer_chars), L'\0');
  int n = ::GetClassNameW(H(w), buf.data(), buffer_chars);
  buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return buf;
}

std::wstring GetWindowText(Window w, int buffer_chars) {
  if (!w || buffer_chars <= 0) return L"";
  std::wstring buf(static_cast<size_t>(buffer_chars), L'\0');
  int n = ::GetWindowTextW(H(w), buf.data(), buffer_chars);
  buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return buf;
}

std::uint32_t GetWindowLong(Window w, int index) {
  return w ? static_cast<std::uint32_t>(::GetWindowLongW(H(w), index)) : 0;
}

Window GetParent(Window w) { return w ? W(::GetParent(H(w))) : 0; }

Window GetOwner(Window w) { return w ? W(::GetWindow(H(w), GW_OWNER)) : 0; }

int GetDlgCtrlID(Window w) { return w ? ::GetDlgCtrlID(H(w)) : 0; }

Window FindWindowEx(Window parent, Window child_after, const std::wstring& class_name, const std::wstring* title) {
  return W(::FindWindowExW(H(parent), H(child_after), class_name.empty() ? nullptr : class_name.c_str(),
                           title ? title->c_str() : nullptr));
}

std::vector<Window> EnumChildWindows(Window parent) {
  std::vector<Window> out;
  if (parent) ::EnumChildWindows(H(parent), CollectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

std::vector<Window> EnumWindows() {
  std::vector<Window> out;
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&out));
  return out;
}

Window WindowFromPoint(Point p) { return W(::WindowFromPoint(POINT{p.x, p.y})); }

bool GetCursorPos(Point* p) {
  POINT pt{};
  if (!::GetCursorPos(&pt)) return false;
  if (p) *p = Point{pt.x, pt.y};
  return true;
}

bool GetWindowRect(Window w, Rect* r) {
  RECT rc{};
  if (!::GetWindowRect(H(w), &rc)) return false;
  if (r) *r = Rect{rc.left, rc.top, rc.right, rc.bottom};
  return true;
}

bool IsWindow(Window w) { return w && ::IsWindow(H(w)); }
bool IsWindowVisible(Window w) { return w && ::IsWindowVisible(H(w)); }

ThreadId GetWindowThreadProcessId(Window w, std::uint32_t* process_id) {
  DWORD pid = 0;
  DWORD tid = w ? ::GetWindowThreadProcessId(H(w), &pid) : 0;
  if (process_id) *process_id = pid;
  return tid;
}

Window GetForegroundWindow() { return W(::GetForegroundWindow()); }
bool SetForegroundWindow(Window w) { return ::SetForegroundWindow(H(w)) != FALSE; }
Window SetActiveWindow(Window w) { return W(::SetActiveWindow(H(w))); }
Window GetFocus() { return W(::GetFocus()); }
Window SetFocus(Window w) { return W(::SetFocus(H(w))); }

bool AttachThreadInput(ThreadId attach, ThreadId attach_to, bool attach_flag) {
  return ::AttachThreadInput(attach, attach_to, attach_flag ? TRUE : FALSE) != FALSE;
}

bool ShowWindow(Window w, int cmd) { return ::ShowWindow(H(w), cmd) != FALSE; }
bool ShowWindowAsync(Window w, int cmd) { return ::ShowWindowAsync(H(w), cmd) != FALSE; }

bool LockSetForegroundWindow(std::uint32_t code) {
  // Looked up at run time: systems before 2000/ME do not have it.
  using Fn = BOOL(WINAPI*)(UINT);
  static Fn fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "LockSetForegroundWindow")));
  return fn && fn(code) != FALSE;
}

bool SendMessageTimeout(Window w, std::uint32_t msg, WParam wparam, LParam lparam, std::uint32_t flags,
                        std::uint32_t timeout_ms, LResult* result) {
  DWORD_PTR r = 0;
  LRESULT ok =
      ::SendMessageTimeoutW(H(w), msg, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam), flags, timeout_ms, &r);
  if (result) *result = static_cast<LResult>(r);
  return ok != 0;
}

bool SendMessageTimeoutSetText(Window w, const std::wstring& text, std::uint32_t flags, std::uint32_t timeout_ms,
                               LResult* result) {
  DWORD_PTR r = 0;
  LRESULT ok =
      ::SendMessageTimeoutW(H(w), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), flags, timeout_ms, &r);
  if (result) *result = static_cast<LResult>(r);
  return ok != 0;
}

bool SendMessageTimeoutGetText(Window w, int buffer_chars, std::wstring* text, std::uint32_t flags,
                               std::uint32_t timeout_ms) {
  if (text) text->clear();
  if (buffer_chars <= 0) return false;
  std::wstring buf(static_cast<size_t>(buffer_chars), L'\0');
  DWORD_PTR n = 0;
  LRESULT ok = ::SendMessageTimeoutW(H(w), WM_GETTEXT, static_cast<WPARAM>(buffer_chars),
                                     reinterpret_cast<LPARAM>(buf.data()), flags, timeout_ms, &n);
  if (!ok) return false;
  // The answer counts the characters copied; trust the terminating zero too.
  size_t len = std::min<size_t>(static_cast<size_t>(n), static_cast<size_t>(buffer_chars - 1));
  buf.resize(len);
  size_t zero = buf.find(L'\0');
  if (zero != std::wstring::npos) buf.resize(zero);
  if (text) *text = buf;
  return true;
}

bool PostMessage(Window w, std::uint32_t msg, WParam wparam, LParam lparam) {
  return ::PostMessageW(H(w), msg, static_cast<WPARAM>(wparam), static_cast<LPARAM>(lparam)) != FALSE;
}

}  // namespace plat
