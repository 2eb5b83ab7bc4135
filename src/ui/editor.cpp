#include "ui/editor.h"

#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/text.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "store/favourites.h"
#include "targets/browse_folder.h"
#include "ui/setting.h"

namespace ui {
namespace {

using plat::ControlKind;

constexpr wchar_t kInformation[] = L"Information";
constexpr wchar_t kPathExists[] = L"Item with this path already exists in this level";
constexpr wchar_t kNameExists[] = L"Item with this name already exists in this level";
constexpr wchar_t kPathInOtherSubmenu[] =
    L"Item with this path already exists in another submenu; a path can be in one submenu only";
constexpr wchar_t kMaskExists[] = L"Item with this mask already exists";
constexpr wchar_t kBothFields[] = L"You must enter both field";
constexpr int kFolderHeight = 178;
constexpr int kFilterHeight = 138;

using plat::Ctl;

bool SameIgnoringCase(const std::wstring& a, const std::wstring& b) { return infra::SameText(a, b); }

}  // namespace

plat::FormLayout EdLayout() {
  plat::FormLayout f;
  f.name = ed_control::kForm;
  f.caption = L"Edit folder";
  f.width = 270;
  f.height = 86;
  f.stay_on_top = true;
  f.key_preview = true;
  auto& c = f.controls;
  c.push_back(Ctl(ed_control::kPathLabel, ControlKind::Label, L"Path", 7, 9, 60, 9));
  c.push_back(Ctl(ed_control::kPath, ControlKind::Edit, L"", 70, 7, 173, 13));
  c.push_back(Ctl(ed_control::kBrowse, ControlKind::Button, L"...", 246, 7, 17, 13));
  c.push_back(Ctl(ed_control::kTitleLabel, ControlKind::Label, L"Title", 7, 26, 60, 9));
  c.push_back(Ctl(ed_control::kTitle, ControlKind::Edit, L"", 70, 24, 193, 13));
  c.push_back(Ctl(ed_control::kLevelLabel, ControlKind::Label, L"Top level menu", 7, 43, 60, 9));
  c.push_back(Ctl(ed_control::kLevel, ControlKind::ComboBox, L"", 70, 41, 112, 90));
  c.push_back(Ctl(ed_control::kIconLabel, ControlKind::Label, L"Icon:", 190, 43, 20, 9));
  plat::ControlLayout icons = Ctl(ed_control::kIcon, ControlKind::IconCombo, L"", 212, 41, 51, 160);
  icons.image_first = 200;
  icons.image_count = 13;
  c.push_back(icons);
  plat::ControlLayout ok = Ctl(ed_control::kOk, ControlKind::Button, L"OK", 159, 65, 50, 14);
  ok.is_default = true;
  ok.anchor_bottom = true;
  c.push_back(ok);
  plat::ControlLayout cancel = Ctl(ed_control::kCancel, ControlKind::Button, L"Cancel", 213, 65, 50, 14);
  cancel.is_cancel = true;
  cancel.anchor_bottom = true;
  c.push_back(cancel);
  return f;
}

TEd::TEd(TSett& owner) : owner_(owner) {
  form_ = plat::CreateForm(EdLayout(), plat::FormWindow(owner.Form()), [this](plat::Form, const plat::FormEvent& e) {
    // What a handler does not catch goes to the global handler, by way of the
    // forms' modal loop.
    return Dispatch(e);
  });
  std::vector<std::wstring> items;
  std::vector<int> images;
  for (int i = 0; i < 13; ++i) {
    items.push_back(L"");  // the picker shows the pictures only
    images.push_back(i);
  }
  plat::SetComboItems(form_, ed_control::kIcon, items, images);
}

TEd::~TEd() { plat::DestroyForm(form_); }

int TEd::ShowModalForm() { return plat::ShowModal(form_); }

bool TEd::FolderEditing() const { return owner_.ActivePage() != kFiltersPage; }

bool TEd::Dispatch(const plat::FormEvent& e) {
  using K = plat::FormEventKind;
  switch (e.kind) {
    case K::Show:
      FormShow();
      return false;
    case K::Close:
      Button2Click();
      return true;
    case K::KeyDown:
      return e.control.empty() && FormKeyDown(e.key);
    case K::Click:
      if (e.control == ed_control::kOk)
        Button1Click();
      else if (e.control == ed_control::kCancel)
        Button2Click();
      else if (e.control == ed_control::kBrowse)
        SpeedButton1Click();
      else
        return false;
      return true;
    default:
      return false;
  }
}

bool TEd::FormKeyDown(std::uint32_t key) {
  if (key != plat::VK_RETURN) return false;
  Button1Click();
  return true;
}

void TEd::Refuse(const std::wstring& text) {
  plat::MessageBoxW(plat::FormWindow(form_), text, kInformation, plat::MB_OK | plat::MB_ICONINFORMATION);
}

void TEd::FormShow() {
  const plat::Form sf = owner_.Form();
  const bool folders = FolderEditing();
  for (const wchar_t* c : {ed_control::kLevelLabel, ed_control::kLevel, ed_control::kIconLabel, ed_control::kIcon})
    plat::SetControlVisible(form_, c, folders);
  if (folders) {
    plat::SetControlText(form_, ed_control::kPathLabel, L"Path");
    plat::SetControlText(form_, ed_control::kTitleLabel, L"Title");
    plat::SetReadOnly(form_, ed_control::kPath, true);
    plat::SetFormHeight(form_, kFolderHeight);
    const TFolderRows rows = owner_.FolderRows();
    std::vector<std::wstring> levels{L"None"};
    for (const auto& r : rows)
      if (r.path.empty()) levels.push_back(r.title);
    plat::SetComboItems(form_, ed_control::kLevel, levels);
    plat::SetItemIndex(form_, ed_control::kLevel, 0);
    const int sel = plat::GetSelectedRow(sf, sett_control::kFolderList);
    const TFolderRow row = sel >= 0 && sel < static_cast<int>(rows.size()) ? rows[sel] : TFolderRow{};
    plat::SetControlText(form_, ed_control::kPath, row.path);
    plat::SetControlEnabled(form_, ed_control::kBrowse, !infra::TrimControls(row.path).empty());
    plat::SetControlText(form_, ed_control::kTitle, row.title);
    plat::SetItemIndex(form_, ed_control::kIcon, row.image);
    if (EditorMode == 3) {
      plat::SetControlEnabled(form_, ed_control::kLevel, false);
      plat::SetFormCaption(form_, L"New submenu");
    } else {
      plat::SetControlEnabled(form_, ed_control::kLevel, !row.path.empty());
      plat::SetFormCaption(form_, EditorMode == 2 ? L"New folder" : L"Edit folder");
      if (row.indent != 0 && sel >= 0) {
        const int h = HeaderOf(rows, sel);
        if (h >= 0) {
          for (std::size_t i = 1; i < levels.size(); ++i) {
            if (SameIgnoringCase(levels[i], rows[h].title)) {
              plat::SetItemIndex(form_, ed_control::kLevel, static_cast<int>(i));
              break;
            }
          }
        }
      }
    }
    start_level_ = plat::GetItemIndex(form_, ed_control::kLevel);
    plat::FocusControl(form_, ed_control::kTitle);
  } else {
    plat::SetControlText(form_, ed_control::kPathLabel, L"Name");
    plat::SetControlText(form_, ed_control::kTitleLabel, L"Mask");
    plat::SetControlEnabled(form_, ed_control::kBrowse, false);
    plat::SetReadOnly(form_, ed_control::kPath, false);
    plat::SetFormHeight(form_, kFilterHeight);
    if (AddingFilter) {
      plat::SetControlText(form_, ed_control::kPath, L"");
      plat::SetControlText(form_, ed_control::kTitle, L"");
      plat::SetFormCaption(form_, L"New filter");
    } else {
      const int sel = plat::GetSelectedRow(sf, sett_control::kFilterList);
      const plat::ListRow row = sel >= 0 ? plat::GetListRow(sf, sett_control::kFilterList, sel) : plat::ListRow{};
      plat::SetControlText(form_, ed_control::kPath, row.caption);
      plat::SetControlText(form_, ed_control::kTitle, row.subitems.empty() ? L"" : row.subitems[0]);
      plat::SetFormCaption(form_, L"Edit Filter");
    }
    start_level_ = 0;
    plat::FocusControl(form_, ed_control::kPath);
  }
}

void TEd::SpeedButton1Click() {
  std::wstring folder;
  targets::BrowseForFolder(plat::FormWindow(form_), plat::GetControlText(form_, ed_control::kPath), folder);
  if (folder.empty() || !plat::DirectoryExists(folder)) return;
  // The stored name of such a path would be read back as another folder.
  if (!store::IsStorablePath(folder)) {
    Refuse(store::kUnstorablePathText);
    return;
  }
  plat::SetControlText(form_, ed_control::kPath, folder);
}

void TEd::Button1Click() {
  if (plat::GetControlText(form_, ed_control::kTitle).empty()) return;
  if (FolderEditing())
    OkFolder();
  else
    OkFilter();
}

void TEd::OkFolder() {
  const plat::Form sf = owner_.Form();
  TFolderRows rows = owner_.FolderRows();
  const int r = plat::GetSelectedRow(sf, sett_control::kFolderList);
  if (r < 0 || r >= static_cast<int>(rows.size())) return;
  const std::wstring path = plat::GetControlText(form_, ed_control::kPath);
  const std::wstring title = plat::GetControlText(form_, ed_control::kTitle);
  const int level = std::max(0, plat::GetItemIndex(form_, ed_control::kLevel));
  const std::vector<std::wstring> levels = plat::GetComboItems(form_, ed_control::kLevel);
  const int icon = std::max(0, plat::GetItemIndex(form_, ed_control::kIcon));
  const int n = static_cast<int>(rows.size());

  if (level == 0) {
    if (!rows[r].path.empty() && EditorMode != 3) {
      for (int i = 0; i < n; ++i) {
        // Value names compare without case in the registry.
        if (i != r && rows[i].indent == 0 && !rows[i].path.empty() && SameIgnoringCase(rows[i].path, path)) {
          Refuse(kPathExists);
          return;
        }
      }
    }
    for (int i = 0; i < n; ++i) {
      if (i != r && rows[i].indent == 0 && rows[i].title == title) {
        Refuse(kNameExists);
        return;
      }
    }
  } else {
    const std::wstring submenu = level < static_cast<int>(levels.size()) ? levels[level] : L"";
    int h = -1;
    for (int i = 0; i < n; ++i)
      if (rows[i].title == submenu) {
        h = i;
        break;
      }
    if (h < 0) return;
    const int end = BlockEnd(rows, h);
    for (int i = h; i < end; ++i) {
      if (i != r && !rows[i].path.empty() && SameIgnoringCase(rows[i].path, path)) {
        Refuse(kPathExists);
        return;
      }
    }
    for (int i = h; i < end; ++i) {
      if (i != r && rows[i].title == title) {
        Refuse(kNameExists);
        return;
      }
    }
    // The store holds a path once among all submenu children: a second child
    // with this path in another submenu would replace the first on saving.
    for (int i = 0; i < n; ++i) {
      if (i != r && rows[i].IsChild() && (i < h || i >= end) && SameIgnoringCase(rows[i].path, path)) {
        Refuse(kPathInOtherSubmenu);
        return;
      }
    }
  }

  owner_.FoldersChanged = true;
  int at = r;
  if (level == start_level_) {
    rows[r].title = title;
    rows[r].path = path;
    rows[r].image = icon;
  } else if (level == 0) {
    // The folder leaves its submenu for the top level, right after it.
    const int h = HeaderOf(rows, r);
    const int last = (h >= 0 ? BlockEnd(rows, h) : r + 1) - 1;
    if (r != last) at = MoveRow(rows, r, last + 1);
    rows[at] = TFolderRow{title, path, icon, 0};
  } else {
    const std::wstring& submenu = levels[level];
    const int h = FindHeader(rows, submenu);
    if (h < 0) return;
    const int end = BlockEnd(rows, h);
    if (r != end) at = MoveRow(rows, r, end);
    rows[at] = TFolderRow{title, path, icon, 1};
  }
  owner_.SetFolderRows(rows, at);
  plat::EndModal(form_, plat::mrOk);
}

void TEd::OkFilter() {
  const plat::Form sf = owner_.Form();
  const std::wstring name = plat::GetControlText(form_, ed_control::kPath);
  const std::wstring mask = plat::GetControlText(form_, ed_control::kTitle);
  if (name.empty()) {
    Refuse(kBothFields);
    return;
  }
  const int sel = AddingFilter ? -1 : plat::GetSelectedRow(sf, sett_control::kFilterList);
  const int n = plat::ListCount(sf, sett_control::kFilterList);
  for (int i = 0; i < n; ++i) {
    if (i != sel && plat::GetListRow(sf, sett_control::kFilterList, i).caption == name) {
      Refuse(kNameExists);
      return;
    }
  }
  for (int i = 0; i < n; ++i) {
    const plat::ListRow row = plat::GetListRow(sf, sett_control::kFilterList, i);
    // Masks are value names: two spellings that differ in case are one.
    if (i != sel && !row.subitems.empty() && SameIgnoringCase(row.subitems[0], mask)) {
      Refuse(kMaskExists);
      return;
    }
  }
  if (AddingFilter) {
    plat::InsertListRow(sf, sett_control::kFilterList, n, plat::ListRow{name, {mask}, -1, 0});
    plat::SetSelectedRow(sf, sett_control::kFilterList, n);
  } else if (sel >= 0) {
    plat::SetListRow(sf, sett_control::kFilterList, sel, plat::ListRow{name, {mask}, -1, 0});
  }
  owner_.FiltersChanged = true;
  plat::EndModal(form_, plat::mrOk);
}

void TEd::Button2Click() {
  if (FolderEditing() && (EditorMode == 2 || EditorMode == 3)) {
    const plat::Form sf = owner_.Form();
    const int sel = plat::GetSelectedRow(sf, sett_control::kFolderList);
    if (sel >= 0) plat::DeleteListRow(sf, sett_control::kFolderList, sel);
  }
  plat::EndModal(form_, plat::mrCancel);
}

}  // namespace ui
