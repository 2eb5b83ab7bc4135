// TSett: the options dialog ("Options"). Its pages edit the favourites tree
// and the filter list (as rows of two list views, written back to the
// registry only by OK or Apply) and the program settings. Created on first
// use and kept; each showing reloads everything from the store and the
// settings.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "platform/forms.h"
#include "ui/folder_rows.h"

namespace ui {

class TEd;

// Pages of the page control qqq.
inline constexpr int kFoldersPage = 0;
inline constexpr int kFiltersPage = 1;
inline constexpr int kOptionPage = 2;
inline constexpr int kAboutPage = 3;

// The help topic of the help file "qorbin.chm" in the program's folder.
void ShowHelpTopic(const std::wstring& topic);

plat::FormLayout SettLayout();

// While one of the program's forms shows modally, the agent's application
// hook still sees every message (thread messages, the hot key).
void InstallModalMessageHook();

class TSett {
 public:
  TSett();
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

  plat::Form form_ = 0;
  std::unique_ptr<TEd> editor_;
  std::uint32_t edit1_key_ = 0;
};

// The dialog, created on first use; nullptr before.
TSett* Sett();
TSett& SettCreated();
// Frees the dialog and the forms it created (the agent's end, tests).
void FreeSettingsForms();

}  // namespace ui
