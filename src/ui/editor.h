// TEd: the item editor of the options dialog's lists. On the Folders page it
// edits a folder (path by browsing only, title, icon, the submenu it belongs
// to) or a submenu (title, icon); on the Filters page a filter (name, mask).
// It changes only the dialog's rows and change flags.
#pragma once
#include <string>

#include "platform/forms.h"

namespace ui {

class TSett;

// The control names of the item editor (TEd): its layout and every reader of its
// controls use these.
namespace ed_control {
inline constexpr wchar_t kForm[] = L"TEd";
// "Path" for a folder, "Name" for a filter
inline constexpr wchar_t kPathLabel[] = L"Label3";
inline constexpr wchar_t kPath[] = L"Edit1";
inline constexpr wchar_t kBrowse[] = L"SpeedButton1";
// "Title" for a folder, "Mask" for a filter
inline constexpr wchar_t kTitleLabel[] = L"Label4";
inline constexpr wchar_t kTitle[] = L"Edit2";
// Folders only
inline constexpr wchar_t kLevelLabel[] = L"Label2";
inline constexpr wchar_t kLevel[] = L"ComboBox1";
inline constexpr wchar_t kIconLabel[] = L"Label1";
inline constexpr wchar_t kIcon[] = L"ComboBoxEx1";
inline constexpr wchar_t kOk[] = L"Button1";
inline constexpr wchar_t kCancel[] = L"Button2";
}  // namespace ed_control

plat::FormLayout EdLayout();

class TEd {
 public:
  explicit TEd(TSett& owner);
  ~TEd();
  TEd(const TEd&) = delete;
  TEd& operator=(const TEd&) = delete;

  plat::Form Form() const { return form_; }
  int ShowModalForm();

  // 1 edit the selected row, 2 a new folder row, 3 a new submenu row.
  int EditorMode = 1;
  // On the Filters page: true adds a new filter.
  bool AddingFilter = false;

  void FormShow();
  bool FormKeyDown(std::uint32_t key);
  void Button1Click();  // OK
  void Button2Click();  // Cancel
  void SpeedButton1Click();

 private:
  bool Dispatch(const plat::FormEvent& e);
  bool FolderEditing() const;
  void Refuse(const std::wstring& text);
  void OkFolder();
  void OkFilter();

  TSett& owner_;
  plat::Form form_ = 0;
  int start_level_ = 0;
};

}  // namespace ui
