#include "targets/set_data.h"

#include <algorithm>
#include <optional>

#include "infra/logger.h"
#include "infra/dral_utils.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/shell_execute.h"
#include "platform/system.h"
#include "platform/window.h"
#include "targets/browse_select.h"
#include "targets/locators.h"
#include "targets/target_state.h"
#include "targets/waits.h"

namespace targets {
namespace {

constexpr std::uint32_t kTimeoutMs = 200;
// How long a dialog may stay busy after Enter (listing the new folder).
constexpr std::uint32_t kBusyAfterEnterMs = 4000;
// Edit boxes are read whole: a path may be longer than MAX_PATH (up to 32767
// characters), and a box read short would never seem to hold it.
constexpr int kBoxBuffer = 32768;
constexpr plat::LParam kFarRightClick = 0x4E22;  // x = 20002, y = 0
// Waits for a dialog poll its box this often.
constexpr std::uint32_t kPollMs = 5;
// The longest wait for a dialog to take the Enter (to show a change in its
// box): ten checks 10 ms apart, and before Vista 200 ms.
constexpr std::uint32_t kEnterTakenMs = 100;
constexpr std::uint32_t kEnterTakenBeforeVistaMs = 200;
// After a folder the dialog may rewrite its box (empty it, or put a text of
// its own back) for this long; the user's text is restored once the box has
// been left alone for kQuietMs, and watched until the end of kRewriteMs.
constexpr std::uint32_t kRewriteMs = 500;
constexpr std::uint32_t kQuietMs = 100;
// The archiver: the longest wait for its box to change after a Backspace, and
// for it to settle after climbing out of an archive.
constexpr std::uint32_t kClimbMs = 100;
constexpr std::uint32_t kClimbedPauseMs = 500;

void Send(plat::Window w, std::uint32_t msg, plat::WParam wp = 0, plat::LParam lp = 0) {
  plat::SendMessageTimeout(w, msg, wp, lp, plat::SMTO_NORMAL, kTimeoutMs, nullptr);
}

void SendText(plat::Window w, const std::wstring& text) {
  plat::SendMessageTimeoutSetText(w, text, plat::SMTO_NORMAL, kTimeoutMs, nullptr);
}

void PostKey(plat::Window w, std::uint32_t vk) {
  plat::PostMessage(w, plat::WM_KEYDOWN, vk, 0);
  plat::PostMessage(w, plat::WM_KEYUP, vk, 0);
}

void LogFail(const std::wstring& function, const std::wstring& message) {
  infra::LogError(function, message, L"", plat::LastError(), true);
}

void ClickButton(plat::Window button) {
  if (button) Send(button, plat::BM_CLICK);
}

plat::Window Child(plat::Window parent, const wchar_t* cls) { return parent ? plat::FindWindowEx(parent, 0, cls) : 0; }

// The steps that ask the dialog for something (the foreground, the focus, a
// text) check for it at once and then every kPollMs, for kRetryMs at most;
// `again` asks once more every kRetryStepMs meanwhile. Whether `done` held.
constexpr std::uint32_t kRetryMs = 90;
constexpr std::uint32_t kRetryStepMs = 10;
template <class Done, class Again>
bool Retry(Done done, Again again) {
  const std::uint32_t start = plat::TickCount();
  std::uint32_t asked = start;
  for (;;) {
    if (done()) return true;
    const std::uint32_t now = plat::TickCount();
    if (now - start >= kRetryMs) return false;
    if (now - asked >= kRetryStepMs) {
      again();
      asked = now;
    }
    plat::SleepMs(std::min(kPollMs, kRetryMs - (now - start)));
  }
}

// What the box shows; nothing when it did not answer.
std::optional<std::wstring> ReadBox(plat::Window box) {
  std::wstring text;
  if (!plat::SendMessageTimeoutGetText(box, kBoxBuffer, &text, plat::SMTO_NORMAL, kTimeoutMs)) return std::nullopt;
  return text;
}

// Steps the archiver's file list up with Backspace until its address box shows
// an existing folder (inside an archive the box shows a path within it). After
// a Backspace the box is watched until it changes (at most 100 ms); before the
// path goes in, until it has stayed the same for kQuietMs (at most the pause:
// 1 ms when nothing was climbed, 500 ms after a climb).
void LeaveArchive(plat::Window box) {
  const plat::Window target = CurrentTargetWindow;
  std::uint32_t pause = 1;
  std::wstring previous;
  for (int round = 0; round < 11; ++round) {
    std::wstring text;
    if (!plat::SendMessageTimeoutGetText(box, kBoxBuffer, &text, plat::SMTO_NORMAL, kTimeoutMs) &&
        plat::LastError() == plat::ERROR_TIMEOUT)
      continue;
    // Out of the archive: an existing folder, a text that is no file-system
    // path at all (nothing to climb), or a box that stopped changing.
    const bool path_like = text.find(L":\\") != std::wstring::npos || text.find(L":)") != std::wstring::npos;
    if (plat::DirectoryExists(text) || !path_like || text == previous) {
      std::wstring last = text;
      std::uint32_t last_change = plat::TickCount();
      WaitUntil(pause, kPollMs, [&] {
        std::optional<std::wstring> now = ReadBox(box);
        if (now && *now != last) {
          last = *now;
          last_change = plat::TickCount();
        }
        return plat::TickCount() - last_change >= std::min(pause, kQuietMs);
      });
      break;
    }
    previous = text;
    {
      InputAttachment attached(target);
      plat::SetForegroundWindow(target);
      plat::SetActiveWindow(target);
      plat::Window list = plat::FindWindowEx(target, 0, L"SysListView32");
      plat::SetFocus(list);
      PostKey(list, plat::VK_BACK);
    }
    WaitUntil(kClimbMs, kPollMs, [&] {
      std::optional<std::wstring> now = ReadBox(box);
      return now && *now != previous;
    });
    pause = kClimbedPauseMs;
  }
}

// One run of SetDataToDialog. Every send goes through here; a dialog that has
// let kDialogSilentSendsLimit sends in a row time out is given up, so a program
// that does not answer holds the agent for about a second, not for every poll.
class DialogRun {
 public:
  DialogRun(plat::Window dialog, plat::Window box) : dialog_(dialog), box_(box) {}

  bool GaveUp() const { return silent_ >= kDialogSilentSendsLimit; }

  // Until the tick `until`, sends that time out do not count as silence: the
  // dialog is busy opening what it was asked to.
  void BusyUntil(std::uint32_t until) {
    busy_ = true;
    busy_until_ = until;
  }

  void Send(plat::Window w, std::uint32_t msg, plat::WParam wp = 0, plat::LParam lp = 0) {
    if (GaveUp()) return;
    Count(plat::SendMessageTimeout(w, msg, wp, lp, plat::SMTO_NORMAL, kTimeoutMs, nullptr));
  }
  // The box's answer to msg; nothing when it did not answer.
  std::optional<plat::LResult> Ask(std::uint32_t msg, plat::WParam wp = 0, plat::LParam lp = 0) {
    if (GaveUp()) return std::nullopt;
    plat::LResult result = 0;
    if (!Count(plat::SendMessageTimeout(box_, msg, wp, lp, plat::SMTO_NORMAL, kTimeoutMs, &result)))
      return std::nullopt;
    return result;
  }
  void SetText(const std::wstring& text) {
    if (GaveUp()) return;
    Count(plat::SendMessageTimeoutSetText(box_, text, plat::SMTO_NORMAL, kTimeoutMs, nullptr));
  }
  // What the box holds; nothing when it did not answer.
  std::optional<std::wstring> Read() {
    if (GaveUp()) return std::nullopt;
    std::wstring text;
    const bool answered =
        Count(plat::SendMessageTimeoutGetText(box_, kBoxBuffer, &text, plat::SMTO_NORMAL, kTimeoutMs));
    last_read_ = text;
    if (!answered) return std::nullopt;
    return text;
  }
  bool Holds(const std::wstring& expected) {
    auto t = Read();
    return t && *t == expected;
  }
  // For log texts: what the box held at the last read.
  const std::wstring& Shown() const { return last_read_; }

 private:
  bool Count(bool answered) {
    // A box that is no window any more went with its dialog (closed, or its
    // program ended): nothing is left to fill or to give back, and a dialog
    // still busy would otherwise be polled until its time is up.
    if (!answered && !reported_ && !plat::IsWindow(box_)) {
      reported_ = true;
      silent_ = kDialogSilentSendsLimit;
      infra::LogMessage(L"SetDataToDialog",
                        L"the dialog is gone (closed, or its program ended), Hwnd=" + HandleText(dialog_));
      return false;
    }
    const bool busy = busy_ && static_cast<std::int32_t>(plat::TickCount() - busy_until_) < 0;
    if (answered)
      silent_ = 0;
    else if (!busy)
      ++silent_;
    if (GaveUp() && !reported_) {
      reported_ = true;
      infra::LogError(L"SetDataToDialog", L"Not responding",
                      L"Hwnd=" + HandleText(dialog_) + L", Ctr=" + HandleText(box_), plat::LastError(), true);
    }
    return answered;
  }

  plat::Window dialog_;
  plat::Window box_;
  int silent_ = 0;
  bool busy_ = false;
  std::uint32_t busy_until_ = 0;
  bool reported_ = false;
  std::wstring last_read_;
};

// What became of an Enter after which the box still shows the text.
enum class EnterFate {
  Handled,     // the dialog handled it and kept the text (ignored it, or a mask stays)
  Taken,       // the box changed meanwhile: the dialog took it late
  StillQueued  // the dialog has not got to its posted messages
};

// A dialog that waits in a loop taking sent messages only (a call into another
// thread or program) answers every read while the Enter still waits in its
// queue; text put into the box meanwhile would get that Enter, and the dialog
// would open (or save) the user's file instead of the folder. A selection of
// the whole text, posted behind the Enter, tells when the queue has been
// handled; from then on the dialog gets settle_ms, as after an Enter taken at
// once, to show a change. Waits at most until kBusyAfterEnterMs after the Enter.
EnterFate FollowEnter(DialogRun& run, plat::Window box, const std::wstring& text, std::uint32_t entered,
                      std::uint32_t settle_ms) {
  run.Send(box, plat::EM_SETSEL, 0, 0);
  plat::PostMessage(box, plat::EM_SETSEL, 0, -1);
  const std::uint32_t spent = plat::TickCount() - entered;
  EnterFate fate = EnterFate::StillQueued;
  std::optional<std::uint32_t> handled_at;
  WaitUntil(spent < kBusyAfterEnterMs ? kBusyAfterEnterMs - spent : 0, kPollMs, [&] {
    const std::optional<std::wstring> now = run.Read();
    if (run.GaveUp()) return true;
    if (now && *now != text) {
      fate = EnterFate::Taken;
      return true;
    }
    if (!handled_at) {
      const std::optional<plat::LResult> selection = run.Ask(plat::EM_GETSEL);
      if (selection && (static_cast<std::uint64_t>(*selection) >> 16 & 0xFFFF) == (text.size() & 0xFFFF))
        handled_at = plat::TickCount();
    }
    if (handled_at && plat::TickCount() - *handled_at >= settle_ms) {
      fate = EnterFate::Handled;
      return true;
    }
    return false;
  });
  // Whatever were put into the box now would get that Enter: the text stays.
  if (fate == EnterFate::StillQueued && !run.GaveUp())
    infra::LogMessage(L"SetDataToDialog", L"the Enter still waits in the dialog's queue; the box keeps Path=" + text);
  return fate;
}

// Puts the user's text back once the dialog has taken the Enter. The dialog may
// still be at work on its box: a folder empties it, and the newer dialogs put
// a text back themselves, late; text restored before the dialog's last word is
// lost. So the box is emptied, restored once the dialog has left it alone for
// kQuietMs, and watched until kRewriteMs have passed: a box that the dialog
// empties again (or fills with the typed text again) meanwhile is restored
// once more. Anything else that turns up is the user's typing and stays.
void RestoreUserText(DialogRun& run, plat::Window box, const std::wstring& text, const std::wstring& saved) {
  // The Delete is sent, not posted: a posted key waits in the dialog's queue
  // for as long as the dialog takes only sent messages, and landing after the
  // restore it ate the first letter of the user's text.
  run.Send(box, plat::WM_KEYDOWN, plat::VK_DELETE, 0);
  run.Send(box, plat::WM_KEYUP, plat::VK_DELETE, 0);
  run.SetText(L"");
  for (int check = 1; check <= 10 && !run.GaveUp(); ++check) {
    if (run.Holds(L"")) break;
    if (check == 10) {
      infra::LogMessage(L"SetDataToDialog", L"Can't delete 2=" + run.Shown());
      break;
    }
    plat::SleepMs(50);
  }
  if (run.GaveUp()) return;

  const std::uint32_t begin = plat::TickCount();
  std::wstring last;
  std::uint32_t last_change = begin;
  bool put_back_by_dialog = false;
  WaitUntil(kRewriteMs, kPollMs, [&] {
    std::optional<std::wstring> now = run.Read();
    if (run.GaveUp()) return true;
    if (!now) return false;  // still busy with the folder
    if (!saved.empty() && *now == saved) {
      put_back_by_dialog = true;
      return true;
    }
    if (*now != last) {
      last = *now;
      last_change = plat::TickCount();
    }
    return plat::TickCount() - last_change >= kQuietMs;
  });
  if (run.GaveUp()) return;

  auto put_back = [&] {
    run.SetText(saved);
    if (!Retry([&] { return run.GaveUp() || run.Holds(saved); }, [] {}))
      infra::LogMessage(L"SetDataToDialog", L"Can't set data 2=" + run.Shown() + L", c=" + saved);
  };
  put_back();
  if (put_back_by_dialog) return;
  while (!run.GaveUp() && plat::TickCount() - begin < kRewriteMs) {
    plat::SleepMs(kPollMs);
    std::optional<std::wstring> now = run.Read();
    if (!now || *now == saved) continue;
    if (!now->empty() && *now != text) return;  // the user types: theirs now
    put_back();                                 // the dialog's late word overwrote the restore
    return;
  }
}

}  // namespace

void OpenInNewWindow(const std::wstring& text) { plat::ShellExecute(0, L"", text, L"", L"", plat::SW_SHOWNORMAL); }

void SetPath(plat::Window box, bool press_enter, const std::wstring& text) {
  infra::LogMessage(L"SetData\\SetPath", L"Hwnd=" + HandleText(box) + L", Path=" + text);
  if (!box) return;
  const plat::Window target = CurrentTargetWindow;
  InputAttachment attached(target);
  plat::SetForegroundWindow(target);
  plat::SetActiveWindow(target);
  plat::SetFocus(box);
  SendText(box, text);
  if (press_enter) PostKey(box, plat::VK_RETURN);
}

void SetPath2(plat::Window box, const std::wstring& text) {
  infra::LogMessage(L"SetData\\SetPath2", L"Hwnd=" + HandleText(box) + L", Path=" + text);
  if (!box) return;
  const plat::Window target = CurrentTargetWindow;
  InputAttachment attached(target);
  plat::SetForegroundWindow(target);
  plat::SetActiveWindow(target);
  plat::SetFocus(box);
  if (text.size() > 1) {
    // The box takes the last character; the caret stays in front of it, so the
    // characters typed next land before it.
    SendText(box, text.substr(text.size() - 1));
    for (size_t i = 0; i + 1 < text.size(); ++i)
      plat::PostMessage(box, plat::WM_CHAR, static_cast<plat::WParam>(text[i]), 0);
  }
}

plat::Window FindArchiverButton(ButtonRule rule) {
  plat::Window found = 0;
  int leftmost = 9000;
  for (plat::Window w : plat::EnumChildWindows(CurrentTargetWindow)) {
    if (plat::GetClassName(w, 10) != L"Button") continue;
    plat::Rect r;
    if (!plat::GetWindowRect(w, &r)) continue;
    if (rule == ButtonRule::Top) {
      plat::Rect parent;
      if (plat::GetWindowRect(plat::GetParent(w), &parent) && r.top - parent.top < 28) found = w;
    } else if (r.Width() < 28 && r.left < leftmost) {
      leftmost = r.left;
      found = w;
    }
  }
  return found;
}

void SetData(const std::wstring& text, int mode) {
  const plat::Window target = CurrentTargetWindow;
  if (!target) {
    LogFail(L"SetPath", L"Wnd = 0");
    return;
  }
  const TargetKind kind = CurrentTargetKind;
  const plat::PreciseSleeps precise;  // the archivers' and Explorer's waits too
  infra::LogMessage(L"SetData",
                    L"begin, type=" + std::to_wstring(static_cast<int>(kind)) + L", Wnd=" + HandleText(target));
  switch (kind) {
    case RarExtractDialog: {
      plat::Window box = Child(Child(target, L"ComboBox"), L"Edit");
      if (box)
        SetPath(box, false, text);
      else
        LogFail(L"SetPath", L"RarE = 0");
      ClickButton(FindArchiverButton(ButtonRule::Top));
      break;
    }
    case RarWindow: {
      plat::Window box = Child(Child(Child(Child(target, L"ReBarWindow32"), L"ComboBoxEx32"), L"ComboBox"), L"Edit");
      if (!box) {
        LogFail(L"SetPath", L"RarW h = 0");
        break;
      }
      LeaveArchive(box);
      SetPath(box, true, text);
      break;
    }
    case ZipExtractDialog: {
      plat::Window box = Child(Child(target, L"ComboBox"), L"Edit");
      if (box)
        SetPath(box, false, text);
      else
        LogFail(L"SetPath", L"ZipE = 0");
      const std::wstring arrow = L"->";
      plat::Window button = plat::FindWindowEx(target, 0, L"Button", &arrow);
      ClickButton(button ? button : FindArchiverButton(ButtonRule::Narrow));
      break;
    }
    case AceExtractDialog: {
      plat::Window box = Child(Child(Child(target, L"TPanel"), L"TIEAddress"), L"Edit");
      if (box)
        SetPath2(box, text);
      else
        LogFail(L"SetPath", L"AceE = 0");
      break;
    }
    case Desktop:
      infra::LogMessage(L"SetData\\MenuType = Desk", L"Path=" + text);
      OpenInNewWindow(text);
      break;
    case Explorer: {
      plat::Window box = FindExplorerAddressEdit(target);
      if (box) {
        SetPath(box, true, text);
      } else {
        LogFail(L"SetPath", L"Expl = 0");
        OpenInNewWindow(text);
      }
      break;
    }
    case InternetExplorer: {
      plat::Window box = FindBrowserAddressEdit(target);
      if (box) {
        SetPath(box, true, text);
      } else {
        LogFail(L"SetPath", L"IExp = 0");
        OpenInNewWindow(text);
      }
      break;
    }
    case FileDialog:
      SetDataToDialog(target, text, mode, L"", 0);
      break;
    case BrowseDialog:
      if (mode == PathMode && SelectInBrowseDialog(target, text)) break;
      infra::LogMessage(L"SetData\\MenuType = Browse", L"opens a new window instead, Path=" + text);
      OpenInNewWindow(text);
      break;
    default:  // None, any other number
      OpenInNewWindow(text);
      break;
  }
}

void SetDataToDialog(plat::Window dialog, const std::wstring& text, int mode, const std::wstring& saved_text,
                     int attempt) {
  if (attempt > 3) return;
  const plat::Window box = FindFileNameEdit(dialog);
  if (!box) return;
  const std::wstring where = L"Hwnd=" + HandleText(dialog) + L", Ctr=" + HandleText(box);
  infra::LogMessage(L"SetDataToDialog", where + L", Path=" + text);
  DialogRun run(dialog, box);

  // Short sleeps as short as they ask, while the dialog is driven.
  const plat::PreciseSleeps precise;

  // The dialog to the front.
  BringWindowToFront(dialog);
  if (!Retry([&] { return plat::GetForegroundWindow() == dialog; }, [&] { BringWindowToFront(dialog); }))
    infra::LogMessage(L"SetDataToDialog", L"Can't get foreground");

  // A click into the box, right of its text.
  run.Send(box, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, kFarRightClick);
  run.Send(box, plat::WM_LBUTTONUP, plat::MK_LBUTTON, kFarRightClick);
  run.Send(box, plat::WM_SETFOCUS);

  // The focus into the box.
  {
    InputAttachment attached(dialog);
    plat::SetFocus(box);
    if (!Retry([&] { return plat::GetFocus() == box; }, [&] { plat::SetFocus(box); }))
      infra::LogMessage(L"SetDataToDialog", L"Can't get focus");
  }
  // The click and the focus are through once the box answers the read below.

  // The user's own file name, kept across the retries.
  std::wstring saved = attempt == 0 ? run.Read().value_or(L"") : saved_text;
  infra::LogMessage(L"SetDataToDialog", L"GetText=" + saved);
  if (run.GaveUp()) return;

  // Empty the box. Reading it empty is the sign the dialog is through with it.
  run.SetText(L"");
  run.Send(box, plat::WM_KEYDOWN, plat::VK_DELETE, 0);
  run.Send(box, plat::WM_KEYUP, plat::VK_DELETE, 0);
  if (!Retry([&] { return run.GaveUp() || run.Holds(L""); }, [] {}))
    infra::LogMessage(L"SetDataToDialog", L"Can't delete=" + run.Shown());
  if (run.GaveUp()) return;

  // Type the text; Enter goes in once the box reads it.
  run.Send(box, plat::WM_CHAR, L' ', 0);
  run.SetText(text);
  // A box that has not taken the text after 70 ms is given it once more.
  const std::uint32_t typed = plat::TickCount();
  bool typed_again = false;
  if (!Retry([&] { return run.GaveUp() || run.Holds(text); },
             [&] {
               if (typed_again || plat::TickCount() - typed < 70) return;
               run.SetText(text);
               typed_again = true;
             }))
    infra::LogMessage(L"SetDataToDialog", L"Can't set data=" + run.Shown() + L", Path=" + text);
  if (run.GaveUp()) return;

  // Enter.
  {
    InputAttachment attached(dialog);
    PostKey(box, plat::VK_RETURN);
  }
  const std::uint32_t entered = plat::TickCount();
  // Opening a big or remote folder keeps a dialog that answered so far busy
  // for a while: it gets a bounded time to answer again before its silence
  // counts, or the user's text would never come back.
  run.BusyUntil(plat::TickCount() + kBusyAfterEnterMs);

  // The dialog has taken the Enter when its box shows something else than
  // the text (a folder empties it, newer dialogs put the user's text back).
  if (!infra::IsVistaOrLater()) {
    const bool changed = WaitUntil(kEnterTakenBeforeVistaMs, kPollMs, [&] {
      std::optional<std::wstring> now = run.Read();
      return run.GaveUp() || (now && *now != text);
    });
    if (run.GaveUp()) return;
    if (!changed && FollowEnter(run, box, text, entered, kEnterTakenBeforeVistaMs) == EnterFate::StillQueued) return;
  } else {
    for (int check = 1; check <= 10; ++check) {
      std::optional<std::wstring> now = run.Read();
      if (run.GaveUp()) return;
      if (now && *now == saved) return;  // taken, and the dialog put the user's text back itself
      if (now && *now != text) break;    // taken: the restore below waits for the dialog's last word
      if (check == 10) {
        if (now && *now == text) {
          const EnterFate fate = FollowEnter(run, box, text, entered, kEnterTakenMs);
          if (run.GaveUp()) return;
          if (fate == EnterFate::StillQueued) return;
          if (fate == EnterFate::Handled && mode == PathMode) {
            infra::LogMessage(L"SetDataToDialog", L"Can't enter ct=" + *now + L", c=" + saved);
            run.SetText(saved);
            SetDataToDialog(dialog, text, PathMode, saved, attempt + 1);
            return;
          }
        }
        break;
      }
      plat::SleepMs(10);
    }
  }

  // Put the user's text back (Office dialogs keep theirs).
  if (plat::GetClassName(dialog, 10) == L"bosa_sdm_") return;
  RestoreUserText(run, box, text, saved);
}

}  // namespace targets
