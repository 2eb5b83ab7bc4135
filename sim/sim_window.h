// Control of the sim's window tree.
//
// Tests build windows of other programs (class, text, style, ex-style, parent,
// owner, thread, rectangle), give them behaviour, run the agent's code through
// platform/window.h, and assert on what the windows received and show.
//
// Behaviour: every window has a window procedure. The default one answers like
// the real class: any window keeps its text for WM_SETTEXT/WM_GETTEXT; "Edit"
// boxes keep a caret (WM_SETTEXT puts it at the start, a click far to the right
// puts it at the end, WM_CHAR inserts at it, VK_DELETE removes after it);
// "Button" sends WM_COMMAND to its parent on BM_CLICK. A test replaces the
// procedure with SetWindowProc and calls DefWindowProc for the default.
//
// Time: sent messages are answered at once (or after a reply delay, or never:
// a hung window lets every send run into its time-out, advancing the virtual
// clock by it). Posted messages are delivered 1 ms after they were posted as
// the virtual clock runs, in order, one window thread at a time; so a posted
// Enter is handled during the sender's next plat::SleepMs.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/window.h"

namespace sim {

// A thread of another program; windows created without a thread get it.
constexpr plat::ThreadId kOtherProgramThread = 7001;

struct Msg {
  std::uint32_t msg = 0;
  plat::WParam wparam = 0;
  plat::LParam lparam = 0;
  std::wstring text;  // WM_SETTEXT: the text sent; WM_GETTEXT: the answer
  bool posted = false;
  std::uint64_t time = 0;  // virtual tick of delivery
};

using WndProc = std::function<plat::LResult(plat::Window, Msg&)>;

struct WindowSpec {
  std::wstring class_name;
  std::wstring text;
  std::uint32_t style = plat::WS_VISIBLE;  // WS_CHILD is added for windows with a parent
  std::uint32_t ex_style = 0;
  plat::Window parent = 0;    // a child window of this one
  plat::Window owner = 0;     // for top-level windows
  plat::ThreadId thread = 0;  // 0: the parent's thread, or kOtherProgramThread
  plat::Rect rect{};          // screen coordinates
  int id = 0;                 // control id (GetDlgCtrlID) of a child window
};

plat::Window CreateWindow(const WindowSpec& spec);
// A visible child window of the given class (and text), on the parent's thread.
plat::Window AddChild(plat::Window parent, const std::wstring& class_name, const std::wstring& text = L"",
                      plat::Rect rect = {});
// Destroys the window and its children (their procedures get WM_DESTROY).
void DestroyWindow(plat::Window w);

// Direct state access (no message involved).
std::wstring Text(plat::Window w);
void SetText(plat::Window w, const std::wstring& text);
void SetExStyle(plat::Window w, std::uint32_t ex_style);
void SetControlId(plat::Window w, int id);
void SetRect(plat::Window w, plat::Rect r);
std::vector<plat::Window> Children(plat::Window w);

void SetCursorPos(plat::Point p);
// Makes the window the foreground window (as the user's click would), with
// EVENT_SYSTEM_FOREGROUND for the window-event hooks.
void SetForeground(plat::Window w);
// When set, SetForegroundWindow fails and changes nothing.
void SetForegroundRefused(bool refused);
// The focus window of the given thread's input state.
plat::Window FocusOf(plat::ThreadId thread);

// A hung window: every send to it times out; posted messages wait until it
// answers again.
void SetHung(plat::Window w, bool hung);
// A window whose thread answers sends but gets to its posted messages only at
// the virtual tick (it waits in a loop that takes sent messages only).
void SetPostedHeldUntil(plat::Window w, std::uint64_t tick);
// A window whose thread is at work until the virtual tick: sends wait for it
// (and time out when it lasts beyond their time-out).
void SetBusyUntil(plat::Window w, std::uint64_t tick);
// How long SetForegroundWindow waits for a hung window that loses the
// foreground while its thread shares input with the caller (a slow window
// holds it for its reply delay).
constexpr std::uint32_t kHungActivationHoldMs = 5000;
// A slow window: sent messages are answered after this many virtual ms (a
// delay at or beyond the sender's time-out makes the send time out).
void SetReplyDelay(plat::Window w, std::uint32_t ms);

void SetWindowProc(plat::Window w, WndProc proc);
// The class's default behaviour.
plat::LResult DefWindowProc(plat::Window w, Msg& m);

// Messages the window has handled, oldest first (sent and posted).
std::vector<Msg> Received(plat::Window w);
void ClearReceived(plat::Window w);
// Sends that ran into their time-out, since the last reset.
int TimedOutSends();

// Attachments of input state in force (attach minus detach, per thread pair),
// and the number of AttachThreadInput calls that attached.
int AttachmentsInForce();
int AttachCalls();

// Runs fn at virtual tick `at` (or the next tick if that is past).
void At(std::uint64_t at, std::function<void()> fn);

// --- simulated file dialogs ------------------------------------------------------

enum class DialogStyle {
  Classic,  // "#32770": "SHELLDLL_DefView", "ComboBoxEx32" > "ComboBox" > "Edit"
  Vista,    // "#32770" with DS_SETFOREGROUND: "DUIViewWndClassName" > "DirectUIHWND" > "FloatNotifySink" > "ComboBox" >
            // "Edit"
  Office,   // "bosa_sdm_Microsoft Office Word 11.0" with a "Snake List" and one "Edit"
};

enum class EnterBehaviour {
  Navigate,  // Enter opens what the box names: a mask filters, an existing folder
             // (plat::DirectoryExists) is listed, anything else is opened as a file
  Ignore,    // Enter does nothing (the box keeps the typed text)
};

struct FileDialogSpec {
  DialogStyle style = DialogStyle::Classic;
  plat::Window owner = 0;
  std::wstring folder = L"C:\\";
  std::wstring user_text;  // what the file name box holds when the dialog opens
  EnterBehaviour enter = EnterBehaviour::Navigate;
  std::uint32_t navigate_delay_ms = 20;  // from the Enter to the new folder
  // After opening a folder or applying a mask the box shows the text it held
  // when it last got the focus (the user's own file name), as the dialogs of
  // Vista and later do; otherwise a folder empties the box and a mask stays.
  bool restores_user_text = false;
  // Slow to list: from taking the Enter its thread is at work this long (sends
  // wait), then it shows the folder.
  std::uint32_t list_busy_ms = 0;
  // Rewrites its box late: this long after showing a folder or mask the
  // dialog writes the box once more, with the user's own text (as the newer
  // dialogs do) or, when not kept, empty. Text restored before then is lost.
  std::uint32_t late_rewrite_ms = 0;
  bool late_rewrite_keeps_user_text = false;
  bool hung = false;
  plat::ThreadId thread = 0;
  plat::Rect rect{100, 100, 700, 500};
  // Made hidden and shown this long after (a program that fills its dialog
  // before it shows it); 0: visible at once.
  std::uint32_t shown_after_ms = 0;
};

struct FileDialog {
  plat::Window dialog = 0;
  plat::Window edit = 0;  // the file name box
};

// The Classic and Vista dialogs answer CDM_GETFOLDERPATH with their folder,
// written into their process's memory (sim/sim_process_memory.h).
FileDialog CreateFileDialog(const FileDialogSpec& spec);
// The folder the dialog lists, the filter mask it applies (empty: none), and
// the files it was asked to open (the dialog closes on a file).
std::wstring FileDialogFolder(plat::Window dialog);
std::wstring FileDialogFilter(plat::Window dialog);
std::vector<std::wstring> FileDialogOpened(plat::Window dialog);
// The virtual tick at which the dialog showed its last folder (0: none yet).
std::uint64_t FileDialogFolderTick(plat::Window dialog);
// Times the dialog took a folder, a mask or a file.
int FileDialogEnters(plat::Window dialog);

}  // namespace sim
