// Windows of this and other programs: queries, focus and activation, input
// attachment, sending and posting messages.
//
// One function per user32 call the logic needs, with the same arguments and
// results. Messages to another program's windows go through
// SendMessageTimeout (a program that does not answer makes the call fail with
// ERROR_TIMEOUT, it never blocks longer than the time-out) or PostMessage.
//
// Pure queries (class name, styles, parent, FindWindowEx, WindowFromPoint,
// GetCursorPos, GetForegroundWindow) never send a message to the window's
// thread, so they may be called from any thread, including a low-level hook's.
//
// In the sim build the windows are a scripted tree (sim/sim_window.h):
// controls answer WM_GETTEXT/WM_SETTEXT, keys and clicks like the real ones,
// posted messages are delivered as the virtual clock runs, and a window marked
// hung lets every send run into its time-out (which advances the clock).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"
#include "platform/types.h"

namespace plat {

using WParam = std::uint64_t;
using LParam = std::int64_t;
using LResult = std::int64_t;

// --- messages ---------------------------------------------------------------
constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_SETFOCUS = 0x0007;
constexpr std::uint32_t WM_KILLFOCUS = 0x0008;
constexpr std::uint32_t WM_SETTEXT = 0x000C;
constexpr std::uint32_t WM_GETTEXT = 0x000D;
constexpr std::uint32_t WM_GETTEXTLENGTH = 0x000E;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_COMMAND = 0x0111;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_KEYDOWN = 0x0100;
constexpr std::uint32_t WM_KEYUP = 0x0101;
constexpr std::uint32_t WM_CHAR = 0x0102;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_USER = 0x0400;
constexpr std::uint32_t BM_CLICK = 0x00F5;
// An edit box's selection: EM_SETSEL wParam its start, lParam its end (-1: the
// end of the text); EM_GETSEL with null parameters gives the start in the low
// and the end in the high word of its result.
constexpr std::uint32_t EM_GETSEL = 0x00B0;
constexpr std::uint32_t EM_SETSEL = 0x00B1;
// A common file dialog's folder: wParam the buffer's size in characters,
// lParam a buffer in the dialog's own process; the result is the size the
// path needs with its terminating zero.
constexpr std::uint32_t CDM_GETFOLDERPATH = WM_USER + 102;

// --- tree view control (SysTreeView32) ----------------------------------------
// A TVITEMW in these messages must lie in the control's own process.
constexpr std::uint32_t TVM_EXPAND = 0x1102;
constexpr std::uint32_t TVM_GETNEXTITEM = 0x110A;
constexpr std::uint32_t TVM_SELECTITEM = 0x110B;
constexpr std::uint32_t TVM_ENSUREVISIBLE = 0x1114;
constexpr std::uint32_t TVM_GETITEMW = 0x113E;
constexpr std::uint32_t TVGN_ROOT = 0x0000;
constexpr std::uint32_t TVGN_NEXT = 0x0001;
constexpr std::uint32_t TVGN_PARENT = 0x0003;
constexpr std::uint32_t TVGN_CHILD = 0x0004;
constexpr std::uint32_t TVGN_CARET = 0x0009;
constexpr std::uint32_t TVE_EXPAND = 0x0002;
constexpr std::uint32_t TVIF_TEXT = 0x0001;
constexpr std::uint32_t TVIF_HANDLE = 0x0010;
constexpr std::uint32_t TVIF_CHILDREN = 0x0040;

// --- virtual keys and mouse key state -----------------------------------------
constexpr std::uint32_t VK_BACK = 0x08;
constexpr std::uint32_t VK_RETURN = 0x0D;
constexpr std::uint32_t VK_ESCAPE = 0x1B;
constexpr std::uint32_t VK_DELETE = 0x2E;
constexpr std::uint32_t MK_LBUTTON = 0x0001;

// --- window styles ------------------------------------------------------------
constexpr int GWL_STYLE = -16;
constexpr int GWL_EXSTYLE = -20;

constexpr std::uint32_t WS_OVERLAPPED = 0x00000000;
constexpr std::uint32_t WS_POPUP = 0x80000000;
constexpr std::uint32_t WS_CHILD = 0x40000000;
constexpr std::uint32_t WS_MINIMIZE = 0x20000000;
constexpr std::uint32_t WS_VISIBLE = 0x10000000;
constexpr std::uint32_t WS_DISABLED = 0x08000000;
constexpr std::uint32_t WS_CLIPSIBLINGS = 0x04000000;
constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000;
constexpr std::uint32_t WS_MAXIMIZE = 0x01000000;
constexpr std::uint32_t WS_CAPTION = 0x00C00000;
constexpr std::uint32_t WS_BORDER = 0x00800000;
constexpr std::uint32_t WS_DLGFRAME = 0x00400000;
constexpr std::uint32_t WS_VSCROLL = 0x00200000;
constexpr std::uint32_t WS_HSCROLL = 0x00100000;
constexpr std::uint32_t WS_SYSMENU = 0x00080000;
constexpr std::uint32_t WS_THICKFRAME = 0x00040000;
constexpr std::uint32_t WS_TABSTOP = 0x00010000;
constexpr std::uint32_t WS_MINIMIZEBOX = 0x00020000;
constexpr std::uint32_t WS_MAXIMIZEBOX = 0x00010000;
constexpr std::uint32_t WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr std::uint32_t DS_MODALFRAME = 0x00000080;
constexpr std::uint32_t DS_SETFOREGROUND = 0x00000200;

constexpr std::uint32_t WS_EX_DLGMODALFRAME = 0x00000001;
constexpr std::uint32_t WS_EX_TOPMOST = 0x00000008;
constexpr std::uint32_t WS_EX_TOOLWINDOW = 0x00000080;
constexpr std::uint32_t WS_EX_WINDOWEDGE = 0x00000100;
constexpr std::uint32_t WS_EX_CLIENTEDGE = 0x00000200;
constexpr std::uint32_t WS_EX_CONTEXTHELP = 0x00000400;
constexpr std::uint32_t WS_EX_CONTROLPARENT = 0x00010000;
constexpr std::uint32_t WS_EX_APPWINDOW = 0x00040000;

// --- ShowWindow commands -------------------------------------------------------
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// --- SendMessageTimeout --------------------------------------------------------
constexpr std::uint32_t SMTO_NORMAL = 0x0000;
constexpr std::uint32_t SMTO_BLOCK = 0x0001;
constexpr std::uint32_t SMTO_ABORTIFHUNG = 0x0002;

// --- LockSetForegroundWindow ----------------------------------------------------
constexpr std::uint32_t LSFW_LOCK = 1;
constexpr std::uint32_t LSFW_UNLOCK = 2;

// --- GetWindow ------------------------------------------------------------------
constexpr std::uint32_t GW_OWNER = 4;

// --- errors -----------------------------------------------------------------------
// ERROR_SUCCESS comes from platform/system.h.
constexpr std::uint32_t ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr std::uint32_t ERROR_TIMEOUT = 1460;

// (The thread's last error: plat::LastError in platform/system.h.)

// --- queries (no message is sent) ------------------------------------------------

// GetClassNameW into a buffer of buffer_chars characters: at most
// buffer_chars - 1 characters of the class name. Empty for no window.
std::wstring GetClassName(Window w, int buffer_chars);

// GetWindowTextW into a buffer of buffer_chars characters.
std::wstring GetWindowText(Window w, int buffer_chars);

// GetWindowLongW with GWL_STYLE or GWL_EXSTYLE; 0 for no window.
std::uint32_t GetWindowLong(Window w, int index);

// GetParent: the parent of a child window, the owner of a WS_POPUP top-level
// window, else 0.
Window GetParent(Window w);

// GetWindow(w, GW_OWNER).
Window GetOwner(Window w);

// GetDlgCtrlID: the control id of a child window; 0 for a top-level window or
// no window.
int GetDlgCtrlID(Window w);

// FindWindowExW: the first direct child of parent after child_after (0: from
// the first) whose class matches (case-insensitive; empty: any) and whose
// text matches (nullptr: any).
Window FindWindowEx(Window parent, Window child_after, const std::wstring& class_name,
                    const std::wstring* title = nullptr);

// EnumChildWindows: every window below parent, all levels, in the order the
// system enumerates them (each child followed by its own descendants).
std::vector<Window> EnumChildWindows(Window parent);

// EnumWindows: the top-level windows, top of the Z order first.
std::vector<Window> EnumWindows();

// WindowFromPoint (screen coordinates).
Window WindowFromPoint(Point p);

// GetCursorPos.
bool GetCursorPos(Point* p);

// GetWindowRect (screen coordinates).
bool GetWindowRect(Window w, Rect* r);

bool IsWindow(Window w);
bool IsWindowVisible(Window w);

// GetWindowThreadProcessId: the thread that created the window (0 when the
// window does not exist); process_id may be null.
ThreadId GetWindowThreadProcessId(Window w, std::uint32_t* process_id);

// --- activation and focus --------------------------------------------------------
Window GetForegroundWindow();
bool SetForegroundWindow(Window w);
Window SetActiveWindow(Window w);
// The focus window of the calling thread's input state (shared with the
// threads it is attached to); 0 when none.
Window GetFocus();
// Sets the focus; succeeds only for windows of the calling thread or of a
// thread attached to it. Returns the previous focus window, 0 on failure.
Window SetFocus(Window w);
bool AttachThreadInput(ThreadId attach, ThreadId attach_to, bool attach_flag);
bool ShowWindow(Window w, int cmd);
bool ShowWindowAsync(Window w, int cmd);
bool LockSetForegroundWindow(std::uint32_t code);

// --- messages ---------------------------------------------------------------------

// SendMessageTimeoutW with a plain wParam/lParam. True when the window answered
// within the time-out; *result (may be null) receives its answer. On failure the
// last error is ERROR_TIMEOUT (time-out) or another code (no such window).
bool SendMessageTimeout(Window w, std::uint32_t msg, WParam wparam, LParam lparam, std::uint32_t flags,
                        std::uint32_t timeout_ms, LResult* result);

// SendMessageTimeoutW(w, WM_SETTEXT, 0, text, ...).
bool SendMessageTimeoutSetText(Window w, const std::wstring& text, std::uint32_t flags, std::uint32_t timeout_ms,
                               LResult* result);

// SendMessageTimeoutW(w, WM_GETTEXT, buffer_chars, buffer, ...): at most
// buffer_chars - 1 characters. On failure *text is empty.
bool SendMessageTimeoutGetText(Window w, int buffer_chars, std::wstring* text, std::uint32_t flags,
                               std::uint32_t timeout_ms);

// PostMessageW.
bool PostMessage(Window w, std::uint32_t msg, WParam wparam, LParam lparam);

}  // namespace plat
