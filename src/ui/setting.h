// TSett: the options dialog ("Options"). Its pages edit the favourites tree
// and the filter list (as rows of two list views, written back to the
// registry only by OK or Apply) and the program settings. Created on first
// use and kept; each showing reloads everything from the store and the
// settings.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "agent/agent_services.h"
#include "platform/forms.h"
#include "ui/folder_rows.h"

namespace ui {

class TEd;

// Pages of the page control qqq.
inline constexpr int kFoldersPage = 0;
inline constexpr int kFiltersPage = 1;
inline constexpr int kOptionPage = 2;
inline constexpr int kAboutPage = 3;

// The control names of the options dialog (TSett): its layout and every reader of its
// controls use these.
namespace sett_control {
inline constexpr wchar_t kForm[] = L"TSett";
// The page control
inline constexpr wchar_t kPages[] = L"qqq";
inline constexpr wchar_t kFoldersTab[] = L"Folders";
inline constexpr wchar_t kFiltersTab[] = L"Filters";
inline constexpr wchar_t kOptionTab[] = L"Option";
inline constexpr wchar_t kAboutTab[] = L"About";
// Folders page
inline constexpr wchar_t kFoldersGroup[] = L"GroupBox1";
inline constexpr wchar_t kFolderList[] = L"ListView1";
inline constexpr wchar_t kAddFolder[] = L"Button1";
inline constexpr wchar_t kAddSubmenu[] = L"Button13";
inline constexpr wchar_t kEditFolder[] = L"Button2";
inline constexpr wchar_t kRemoveFolder[] = L"Button3";
inline constexpr wchar_t kFolderUp[] = L"Button4";
inline constexpr wchar_t kFolderDown[] = L"Button5";
// Filters page
inline constexpr wchar_t kFiltersGroup[] = L"GroupBox2";
inline constexpr wchar_t kFilterList[] = L"ListView2";
inline constexpr wchar_t kAddFilter[] = L"Button10";
inline constexpr wchar_t kEditFilter[] = L"Button6";
inline constexpr wchar_t kRemoveFilter[] = L"Button7";
inline constexpr wchar_t kFilterUp[] = L"Button9";
inline constexpr wchar_t kFilterDown[] = L"Button8";
// Preferences page
inline constexpr wchar_t kGeneralGroup[] = L"GroupBox3";
inline constexpr wchar_t kAutostart[] = L"CheckBox1";
inline constexpr wchar_t kShowTray[] = L"CheckBox2";
inline constexpr wchar_t kClearLink[] = L"CheckBox15";
inline constexpr wchar_t kExplorerEnhancements[] = L"CheckBox16";
inline constexpr wchar_t kRecentFiles[] = L"CheckBox14";
inline constexpr wchar_t kRecentFilesCount[] = L"Edit2";
inline constexpr wchar_t kRecentFilesSpin[] = L"SpinButton1";
inline constexpr wchar_t kRecentFilesLabel[] = L"Label1";
inline constexpr wchar_t kRecentFolders[] = L"CheckBox3";
inline constexpr wchar_t kRecentFoldersCount[] = L"Edit3";
inline constexpr wchar_t kRecentFoldersSpin[] = L"SpinButton2";
inline constexpr wchar_t kRecentFoldersLabel[] = L"Label2";
inline constexpr wchar_t kHotKeyLabel[] = L"Label3";
inline constexpr wchar_t kHotKeyChoice[] = L"ComboBox1";
inline constexpr wchar_t kHotKeyLetter[] = L"Edit1";
inline constexpr wchar_t kHotKey[] = L"Hot";
inline constexpr wchar_t kDialogGroup[] = L"GroupBox4";
inline constexpr wchar_t kWheel[] = L"CheckBox5";
inline constexpr wchar_t kWheelForward[] = L"CheckBox8";
inline constexpr wchar_t kWheelBackward[] = L"CheckBox9";
inline constexpr wchar_t kMiddleButton[] = L"CheckBox4";
inline constexpr wchar_t kHelpSignRightClick[] = L"CheckBox7";
inline constexpr wchar_t kExplorerGroup[] = L"GroupBox5";
inline constexpr wchar_t kMiddleExplorer[] = L"CheckBox12";
inline constexpr wchar_t kMiddleIExplorer[] = L"CheckBox13";
inline constexpr wchar_t kMiddleDesktop[] = L"CheckBox10";
inline constexpr wchar_t kAddressBarRightClick[] = L"CheckBox11";
inline constexpr wchar_t kCustomize[] = L"SpeedButton1";
inline constexpr wchar_t kMenuGroup[] = L"GroupBox6";
inline constexpr wchar_t kOpenWindowsMenu[] = L"CheckBox17";
inline constexpr wchar_t kKeyboardMenu[] = L"CheckBox18";
inline constexpr wchar_t kFollowExplorer[] = L"CheckBox19";
// About page
inline constexpr wchar_t kAboutText[] = L"Label4";
// The buttons under the pages
inline constexpr wchar_t kOk[] = L"Button11";
inline constexpr wchar_t kApply[] = L"Button14";
inline constexpr wchar_t kCancel[] = L"Button12";
inline constexpr wchar_t kHelp[] = L"Button15";
}  // namespace sett_control

plat::FormLayout SettLayout();

// While one of the program's forms shows modally, the agent's handlers still
// see every message (thread messages, the hot key).
void InstallModalMessageHook(agent::AgentServices& agent);

class TSett {
 public:
  // The dialog works on the settings of `agent` and hands OK and Apply to it.
  explicit TSett(agent::AgentServices& agent);
  ~TSett();
  TSett(const TSett&) = delete;
  TSett& operator=(const TSett&) = delete;

  plat::Form Form() const { return form_; }
  // Selects the page and shows the dialog modally; when it is showing
  // already, it only comes to the front (on that page when
  // turn_page_when_showing, else on the page the user is at).
  void ShowOnPage(int page, bool turn_page_when_showing = true);

  // Handlers.
  void OptionShow();
  void Button11Click(const std::wstring& sender);  // OK (tag 1) and Apply (tag 2)
  void Button12Click();                            // Cancel
  void Button15Click();                            // Help
  bool FormKeyDown(std::uint32_t key);
  void CheckBox5Click();
  void CheckBox8Click();
  void CheckBox9Click();
  void CheckBox14Click();
  void CheckBox3Click();
  void SpinButton1UpClick(const std::wstring& sender);
  void SpinButton1DownClick(const std::wstring& sender);
  void Edit2Exit();
  void Edit3Exit();
  void ComboBox1Select();
  bool Edit1KeyDown(std::uint32_t key);
  bool Edit1KeyPress(wchar_t key);
  void SpeedButton1Click();
  // The list commands.
  void aEditUpdate();
  void Button1Click();   // Add Folder...
  void Button13Click();  // Add Submenu
  void Button10Click();  // Add Filter...
  void Button2Click();   // Edit
  void Button3Click();   // Remove
  void Button4Click();   // folder Up
  void Button5Click();   // folder Down
  void Button9Click();   // filter Up
  void Button8Click();   // filter Down
  void FoldersShow();
  void FiltersShow();

  bool FoldersChanged = false;
  bool FiltersChanged = false;

  // The folder list's rows.
  TFolderRows FolderRows() const;
  void SetFolderRows(const TFolderRows& rows, int selected);
  int ActivePage() const;

 private:
  bool Dispatch(const plat::FormEvent& e);
  void FillLists();
  void LoadHotKeyControls();
  void OpenEditor(int mode, bool adding_filter);
  void SaveLists();

  agent::AgentServices& agent_;
  plat::Form form_ = 0;
  std::unique_ptr<TEd> editor_;
  std::uint32_t edit1_key_ = 0;
};

// The dialog, created on first use; nullptr before.
TSett* Sett();
TSett& SettCreated(agent::AgentServices& agent);
// Frees the dialog and the forms it created (the agent's end, tests).
void FreeSettingsForms();

}  // namespace ui
