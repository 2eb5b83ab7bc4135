// The error dialog box: a modal, screen-centred dialog (361 x 219 client
// pixels, system menu only) with the system's error icon, the texts of the
// error form, a check box, a "Please wait." label hidden until a report is
// sent, and the buttons Check for Updates, Ignore, Restart and Terminate.
//
// The form logic (errors/error_form.h) decides what each button does; the
// dialog only shows and reports clicks. Sim: the buttons a test scripts
// (sim/sim_error_dialog.h).
#pragma once
#include <functional>
#include <string>

namespace plat {

struct ErrorDialogTexts {
  std::wstring caption;                              // window caption
  std::wstring heading;                              // TntLabel3
  std::wstring message;                              // Label1: bold, centred, word-wrapped
  std::wstring sorry;                                // TntLabel4
  std::wstring ask;                                  // TntLabel1: bold
  std::wstring report;                               // TntLabel2
  std::wstring wait;                                 // Label2: bold, 20 points, hidden at first
  std::wstring check_box;                            // CheckBox1
  std::wstring updates, ignore, restart, terminate;  // btn1, Button3, Button1, Button22
};

enum class ErrorDialogButton { kCheckForUpdates, kIgnore, kRestart, kTerminate };

// Called for every click while the dialog is modal; the dialog closes when it
// returns true.
using ErrorDialogClick = std::function<bool(ErrorDialogButton)>;

// Shows the dialog modally with the check box ticked as `checked` says, until
// a click handler returns true or the user closes it with the system menu.
// False when it could not be shown.
bool ShowErrorDialogModal(const ErrorDialogTexts& texts, bool checked, const ErrorDialogClick& on_click);

// While the dialog is shown (from a click handler): the check box state, and
// the "Please wait." label shown or hidden (repainted at once).
bool ErrorDialogChecked();
void ShowErrorDialogWait(bool visible);
// True while the dialog is shown.
bool ErrorDialogShowing();

}  // namespace plat
