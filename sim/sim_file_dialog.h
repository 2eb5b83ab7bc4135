// Control of the sim's file dialogs: each dialog is recorded and answered
// with the next scripted answer (a path, or cancel). With nothing scripted the
// user cancels. As the real dialog does, a chosen name without an extension
// gets the default extension.
#pragma once
#include <string>
#include <vector>

#include "platform/file_dialog.h"

namespace sim {

struct FileDialogShown {
  bool save = false;
  plat::OpenFileName ofn;  // as the caller filled it in
};
std::vector<FileDialogShown> FileDialogs();

// The user picks this full path (an empty text cancels).
void ScriptFileDialogAnswer(const std::wstring& path);
void ScriptFileDialogCancel();

}  // namespace sim
