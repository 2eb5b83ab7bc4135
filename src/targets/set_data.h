// Navigating the current target window to a folder (or a file, or a filter
// mask) the way a user would: find the box where a path is typed, put the text
// in, press Enter or click the right button, and check by reading the box back.
// Every wait is a fixed sleep and every check a bounded poll; messages to the
// target are sent with a 200 ms time-out or posted.
#pragma once
#include <string>

#include "platform/types.h"

namespace targets {

// What SetData is asked to show.
enum NavigationMode : int {
  PathMode = 0,    // a folder or a file path
  FilterMode = 1,  // a filter mask from the Filter submenu
};

// Navigates CurrentTargetWindow according to CurrentTargetKind.
void SetData(const std::wstring& text, int mode);

// Steps of SetData, with the text of the running call.
void SetPath(plat::Window box, bool press_enter, const std::wstring& text);
void SetPath2(plat::Window box, const std::wstring& text);

// Fills a file dialog's file name box, confirms with Enter, retries up to
// attempt 3 when a path was not taken, and puts the user's text back.
void SetDataToDialog(plat::Window dialog, const std::wstring& text, int mode, const std::wstring& saved_text,
                     int attempt);

enum class ButtonRule {
  Top,     // the last button less than 28 pixels below its parent's top edge
  Narrow,  // the leftmost button less than 28 pixels wide
};
// A push button anywhere below CurrentTargetWindow, or 0.
plat::Window FindArchiverButton(ButtonRule rule);

// Opens the text in a new shell window (ShellExecuteW, default verb).
void OpenInNewWindow(const std::wstring& text);

// A file dialog that has not answered this many sends in a row is given up.
constexpr int kDialogSilentSendsLimit = 5;

}  // namespace targets
