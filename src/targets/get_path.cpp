#include "targets/get_path.h"

#include "infra/logger.h"
#include "platform/files.h"
#include "platform/system.h"
#include "platform/window.h"
#include "targets/locators.h"
#include "targets/target_state.h"

namespace targets {
namespace {
// Titles and edit boxes are read whole: a folder's path may be longer than
// MAX_PATH (up to 32767 characters).
constexpr int kTextBuffer = 32768;

std::wstring ReadTitle(plat::Window w) { return plat::GetWindowText(w, kTextBuffer); }

// "X:\..." or "\\server\share...": a title such as "drivers" or "config" names
// no folder, though the agent's own current directory may hold one of that
// name.
bool IsAbsolutePath(const std::wstring& p) {
  if (p.size() >= 3 && p[1] == L':' && (p[2] == L'\\' || p[2] == L'/')) {
    const wchar_t d = p[0];
    return (d >= L'A' && d <= L'Z') || (d >= L'a' && d <= L'z');
  }
  return p.size() >= 3 && p[0] == L'\\' && p[1] == L'\\' && p[2] != L'\\';
}

bool IsFolder(const std::wstring& p) { return IsAbsolutePath(p) && plat::DirectoryExists(p); }

// GetWindowTextW does not reach the text of an edit box of another process
// (only captions), so the address box is asked with WM_GETTEXT.
std::wstring ReadBox(plat::Window edit) {
  std::wstring text;
  plat::SendMessageTimeoutGetText(edit, kTextBuffer, &text, plat::SMTO_NORMAL, 200);
  return text;
}
}  // namespace

std::wstring GetPath() { return GetPathOf(CurrentTargetWindow, CurrentTargetKind); }

std::wstring GetPathOf(plat::Window target, TargetKind kind) {
  std::wstring result;
  if (!target) {
    infra::LogError(L"GetPath", L"Wnd = 0", L"", plat::LastError(), true);
    return result;
  }
  switch (kind) {
    case Explorer: {
      std::wstring title = ReadTitle(target);
      if (IsFolder(title)) {
        result = title;
        break;
      }
      if (plat::Window edit = FindExplorerAddressEdit(target)) {
        std::wstring text = ReadBox(edit);
        if (IsFolder(text)) result = text;
      }
      break;
    }
    case InternetExplorer: {
      std::wstring title = ReadTitle(target);
      if (size_t cut = title.find(L" - "); cut != std::wstring::npos) title.resize(cut);
      if (IsFolder(title)) {
        result = title;
        break;
      }
      if (plat::Window edit = FindBrowserAddressEdit(target)) {
        std::wstring text = ReadBox(edit);
        infra::LogMessage(L"GetPath", L"Wnd=" + HandleText(edit) + L", Path=" + text);
        if (IsFolder(text)) result = text;
      }
      break;
    }
    default:  // a file dialog's folder is not read; other kinds have none
      break;
  }
  if (result.find(L'\\') == std::wstring::npos) result.clear();
  infra::LogMessage(L"GetPath", L"Wnd=" + HandleText(target) + L", Path=" + result);
  return result;
}

}  // namespace targets
