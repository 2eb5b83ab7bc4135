#include "ui/setting.h"

#include <cwctype>

#include "agent/program_settings.h"
#include "app/autostart.h"
#include "errors/global_exception.h"
#include "infra/config_folder.h"
#include "infra/dral_utils.h"
#include "infra/logger.h"
#include "infra/registry.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/process.h"
#include "store/config_files.h"
#include "store/favourites.h"
#include "store/recent_scan.h"
#include "store/shell_extension.h"
#include "targets/browse_folder.h"
#include "targets/target_state.h"
#include "ui/add_dialog2.h"
#include "ui/editor.h"
#include "ui/sett_context.h"

namespace ui {
namespace {

using plat::ControlKind;
using plat::ControlLayout;

constexpr wchar_t kInformation[] = L"Information";
constexpr wchar_t kConfirm[] = L"Confirm";
constexpr int kFavouriteImages = 13;
constexpr int kFirstFavouriteImage = 200;  // the icon resources of the favourites icon set

std::unique_ptr<TSett>& Instance() {
  static std::unique_ptr<TSett> sett;
  return sett;
}

using plat::Ctl;

ControlLayout Hidden(ControlLayout c) {
  c.visible = false;
  return c;
}

// A list page: its group, list view, and the column of buttons beside it.
void AddListPage(std::vector<ControlLayout>& c, const wchar_t* page, const wchar_t* group_name, const wchar_t* group,
                 const wchar_t* list, const wchar_t* col1, const wchar_t* col2, bool images,
                 std::vector<std::pair<const wchar_t*, const wchar_t*>> buttons) {
  c.push_back(Ctl(group_name, ControlKind::Group, group, 4, 2, 370, 200, page));
  ControlLayout lv = Ctl(list, ControlKind::ListView, L"", 12, 14, 280, 180, page);
  lv.columns = {{col1, 152}, {col2, 215}};
  if (images) {
    lv.image_first = kFirstFavouriteImage;
    lv.image_count = kFavouriteImages;
  }
  c.push_back(lv);
  int y = 14;
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    // The arrows stand apart from the commands.
    if (buttons.size() - i == 2) y += 16;
    c.push_back(Ctl(buttons[i].first, ControlKind::Button, buttons[i].second, 298, y, 68, 14, page));
    y += 18;
  }
}

std::wstring Trimmed(const std::wstring& s) { return infra::TrimControls(s); }

// A text read as a whole number; false when it is none (or too large).
bool StrictNumber(const std::wstring& text, std::int64_t& value) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == L'-' || text[i] == L'+')) negative = text[i++] == L'-';
  if (i >= text.size()) return false;
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
    v = v * 10 + (text[i] - L'0');
    if (v > 0x7FFFFFFF) return false;
  }
  value = negative ? -v : v;
  return true;
}

}  // namespace

void InstallModalMessageHook(agent::AgentServices& agent) {
  plat::SetModalMessageHook([&agent](const plat::Msg& msg) { return agent.HandleAgentMessage(msg); });
  // What the dialogs' handlers do not catch ends where the agent's loop
  // sends its handlers' errors.
  plat::SetModalExceptionHandler([](const std::exception_ptr& e) { errors::GlobalException(e); });
}

plat::FormLayout SettLayout() {
  plat::FormLayout f;
  f.name = sett_control::kForm;
  f.caption = L"Options";
  f.width = 400;
  f.height = 326;
  f.key_preview = true;
  auto& c = f.controls;
  c.push_back(Ctl(sett_control::kPages, ControlKind::Tabs, L"", 7, 7, 386, 292));
  c.push_back(Ctl(sett_control::kFoldersTab, ControlKind::Page, L"Folders", 0, 0, 0, 0, sett_control::kPages));
  c.push_back(Ctl(sett_control::kFiltersTab, ControlKind::Page, L"Filters", 0, 0, 0, 0, sett_control::kPages));
  c.push_back(Ctl(sett_control::kOptionTab, ControlKind::Page, L"Preferences", 0, 0, 0, 0, sett_control::kPages));
  c.push_back(Ctl(sett_control::kAboutTab, ControlKind::Page, L"About", 0, 0, 0, 0, sett_control::kPages));

  AddListPage(c, sett_control::kFoldersTab, sett_control::kFoldersGroup, L" Folders settings ",
              sett_control::kFolderList, L"Title", L"Path", true,
              {{sett_control::kAddFolder, L"Add Folder..."},
               {sett_control::kAddSubmenu, L"Add Submenu"},
               {sett_control::kEditFolder, L"Edit"},
               {sett_control::kRemoveFolder, L"Remove"},
               {sett_control::kFolderUp, L"Up"},
               {sett_control::kFolderDown, L"Down"}});
  AddListPage(c, sett_control::kFiltersTab, sett_control::kFiltersGroup, L" Filters settings ",
              sett_control::kFilterList, L"Name", L"Mask", false,
              {{sett_control::kAddFilter, L"Add Filter..."},
               {sett_control::kEditFilter, L"Edit"},
               {sett_control::kRemoveFilter, L"Remove"},
               {sett_control::kFilterUp, L"Up"},
               {sett_control::kFilterDown, L"Down"}});

  const wchar_t* P = sett_control::kOptionTab;
  c.push_back(Ctl(sett_control::kGeneralGroup, ControlKind::Group, L" General ", 4, 2, 370, 94, P));
  c.push_back(
      Ctl(sett_control::kAutostart, ControlKind::CheckBox, L"Automatically start with Windows", 12, 14, 172, 10, P));
  c.push_back(Ctl(sett_control::kShowTray, ControlKind::CheckBox, L"Show the tray icon", 192, 14, 172, 10, P));
  c.push_back(
      Ctl(sett_control::kClearLink, ControlKind::CheckBox, L"Delete excess shortcuts (> 40)", 12, 27, 172, 10, P));
  c.push_back(Ctl(sett_control::kExplorerEnhancements, ControlKind::CheckBox, L"Enable Explorer enhancements", 192, 27,
                  172, 10, P));
  c.push_back(Ctl(sett_control::kRecentFiles, ControlKind::CheckBox, L"Display menu with", 12, 42, 80, 10, P));
  ControlLayout e2 = Ctl(sett_control::kRecentFilesCount, ControlKind::Edit, L"", 94, 40, 28, 13, P);
  e2.numbers = true;
  c.push_back(e2);
  c.push_back(Ctl(sett_control::kRecentFilesSpin, ControlKind::UpDown, L"", 123, 40, 10, 13, P));
  c.push_back(Ctl(sett_control::kRecentFilesLabel, ControlKind::Label, L"recently opened files", 138, 42, 120, 9, P));
  c.push_back(Ctl(sett_control::kRecentFolders, ControlKind::CheckBox, L"Display menu with", 12, 58, 80, 10, P));
  ControlLayout e3 = Ctl(sett_control::kRecentFoldersCount, ControlKind::Edit, L"", 94, 56, 28, 13, P);
  e3.numbers = true;
  c.push_back(e3);
  c.push_back(Ctl(sett_control::kRecentFoldersSpin, ControlKind::UpDown, L"", 123, 56, 10, 13, P));
  c.push_back(
      Ctl(sett_control::kRecentFoldersLabel, ControlKind::Label, L"recently opened folders", 138, 58, 120, 9, P));
  c.push_back(Ctl(sett_control::kHotKeyLabel, ControlKind::Label, L"Assign a hot key for opening the program menu:", 12,
                  76, 176, 9, P));
  ControlLayout combo = Ctl(sett_control::kHotKeyChoice, ControlKind::ComboBox, L"", 192, 74, 104, 80, P);
  combo.items = {L"none", L"Natural Keyboard (Win + )", L"Custom"};
  c.push_back(combo);
  ControlLayout e1 = Ctl(sett_control::kHotKeyLetter, ControlKind::Edit, L"", 300, 74, 24, 13, P);
  c.push_back(e1);
  c.push_back(Ctl(sett_control::kHotKey, ControlKind::HotKey, L"", 300, 74, 66, 13, P));

  c.push_back(Ctl(sett_control::kDialogGroup, ControlKind::Group, L" Show program menu in Save As/Open dialog boxes: ",
                  4, 100, 370, 54, P));
  c.push_back(
      Ctl(sett_control::kWheel, ControlKind::CheckBox, L"When you rotate the mouse wheel", 12, 112, 172, 10, P));
  c.push_back(Ctl(sett_control::kWheelForward, ControlKind::CheckBox, L"When you rotate the mouse wheel forward", 22,
                  125, 162, 10, P));
  c.push_back(Ctl(sett_control::kWheelBackward, ControlKind::CheckBox, L"When you rotate the mouse wheel backward", 22,
                  138, 162, 10, P));
  c.push_back(Ctl(sett_control::kMiddleButton, ControlKind::CheckBox, L"When you click the middle mouse button", 192,
                  112, 172, 10, P));
  c.push_back(Hidden(Ctl(sett_control::kHelpSignRightClick, ControlKind::CheckBox, L"When you right-click the '?' sign",
                         192, 125, 172, 10, P)));

  c.push_back(Ctl(sett_control::kExplorerGroup, ControlKind::Group,
                  L" Show program menu in Windows Explorer/Internet Explorer/Desktop: ", 4, 158, 370, 44, P));
  c.push_back(Ctl(sett_control::kMiddleExplorer, ControlKind::CheckBox, L"When you middle-click in Explorer", 12, 171,
                  172, 10, P));
  c.push_back(Ctl(sett_control::kMiddleIExplorer, ControlKind::CheckBox, L"When you middle-click in IExplorer", 192,
                  171, 172, 10, P));
  c.push_back(Ctl(sett_control::kMiddleDesktop, ControlKind::CheckBox, L"When you middle-click on Desktop", 12, 185,
                  172, 10, P));
  c.push_back(Hidden(Ctl(sett_control::kAddressBarRightClick, ControlKind::CheckBox,
                         L"When you right-click the 'Address bar'", 192, 185, 110, 10, P)));
  c.push_back(Hidden(Ctl(sett_control::kCustomize, ControlKind::Button, L"Customize", 310, 183, 56, 14, P)));

  c.push_back(Ctl(sett_control::kMenuGroup, ControlKind::Group, L" Menu and dialog boxes: ", 4, 206, 370, 58, P));
  c.push_back(Ctl(sett_control::kOpenWindowsMenu, ControlKind::CheckBox, L"Show the folders of open Explorer windows",
                  12, 219, 172, 10, P));
  c.push_back(Ctl(sett_control::kKeyboardMenu, ControlKind::CheckBox,
                  L"Keys 1 to 9 for the first favourites; the hot key selects the first item", 12, 232, 300, 10, P));
  c.push_back(Ctl(sett_control::kFollowExplorer, ControlKind::CheckBox,
                  L"Follow Explorer: new file dialog boxes open in its folder", 12, 245, 350, 10, P));

  ControlLayout about = Ctl(sett_control::kAboutText, ControlKind::Label, L"", 4, 92, 370, 10, sett_control::kAboutTab);
  about.centered = true;
  c.push_back(about);

  ControlLayout ok = Ctl(sett_control::kOk, ControlKind::Button, L"OK", 181, 306, 50, 14);
  ok.tag = 1;
  ok.is_default = true;
  c.push_back(ok);
  ControlLayout apply = Ctl(sett_control::kApply, ControlKind::Button, L"Apply", 235, 306, 50, 14);
  apply.tag = 2;
  c.push_back(apply);
  ControlLayout cancel = Ctl(sett_control::kCancel, ControlKind::Button, L"Cancel", 289, 306, 50, 14);
  cancel.is_cancel = true;
  c.push_back(cancel);
  c.push_back(Ctl(sett_control::kHelp, ControlKind::Button, L"Help", 343, 306, 50, 14));
  return f;
}

TSett::TSett(agent::AgentServices& agent) : agent_(agent) {
  InstallModalMessageHook(agent_);
  form_ = plat::CreateForm(SettLayout(), agent_.OwnerWindow(), [this](plat::Form, const plat::FormEvent& e) {
    // What a handler does not catch goes to the global handler, by way of the
    // forms' modal loop; the buttons still follow the selection.
    const bool update = e.kind == plat::FormEventKind::Show;
    bool handled = true;
    try {
      handled = Dispatch(e);
    } catch (...) {
      if (plat::IsFormShowing(form_) || update) aEditUpdate();
      throw;
    }
    if (plat::IsFormShowing(form_) || update) aEditUpdate();
    return handled;
  });
  plat::SetHotKeyRules(form_, sett_control::kHotKey,
                       plat::HKCOMB_NONE | plat::HKCOMB_SC | plat::HKCOMB_SA | plat::HKCOMB_CA | plat::HKCOMB_SCA,
                       plat::HOTKEYF_CONTROL);
  plat::SetHotKeyValue(form_, sett_control::kHotKey, 'Q', plat::HOTKEYF_CONTROL);
  plat::SetControlText(form_, sett_control::kAboutText, L"Vorlune Folder " + infra::GetProgramVersion());
  editor_ = std::make_unique<TEd>(*this);
}

TSett::~TSett() {
  editor_.reset();
  plat::DestroyForm(form_);
}

TSett* Sett() { return Instance().get(); }

TSett& SettCreated(agent::AgentServices& agent) {
  if (!Instance()) Instance() = std::make_unique<TSett>(agent);
  return *Instance();
}

void FreeSettingsForms() {
  Instance().reset();
  FreeAddItemPrompt();
  FreeSettContextMenu();
}

void TSett::ShowOnPage(int page, bool turn_page_when_showing) {
  if (plat::IsFormShowing(form_)) {
    // The user may be in the middle of editing another page.
    if (turn_page_when_showing) plat::SetPageIndex(form_, sett_control::kPages, page);
    plat::BringFormToFront(form_);
    return;
  }
  plat::SetPageIndex(form_, sett_control::kPages, page);
  plat::ShowModal(form_);
}

int TSett::ActivePage() const { return plat::GetPageIndex(form_, sett_control::kPages); }

bool TSett::Dispatch(const plat::FormEvent& e) {
  using K = plat::FormEventKind;
  const std::wstring& c = e.control;
  switch (e.kind) {
    case K::Show:
      OptionShow();
      return false;
    case K::Close:
      Button12Click();
      return true;
    case K::KeyDown:
      if (c.empty()) return FormKeyDown(e.key);
      if (c == sett_control::kHotKeyLetter) return Edit1KeyDown(e.key);
      return false;
    case K::KeyPress:
      if (c == sett_control::kHotKeyLetter) return Edit1KeyPress(static_cast<wchar_t>(e.key));
      return false;
    case K::KeyUp:
      if (e.key == plat::VK_DELETE && (c == sett_control::kFolderList || c == sett_control::kFilterList)) {
        aEditUpdate();
        if (plat::IsControlEnabled(
                form_, c == sett_control::kFolderList ? sett_control::kRemoveFolder : sett_control::kRemoveFilter))
          Button3Click();
        return true;
      }
      return false;
    case K::DblClick:
      if (c == sett_control::kFolderList || c == sett_control::kFilterList) Button2Click();
      return true;
    case K::UpClick:
      SpinButton1UpClick(c);
      return true;
    case K::DownClick:
      SpinButton1DownClick(c);
      return true;
    case K::Exit:
      if (c == sett_control::kRecentFilesCount) Edit2Exit();
      if (c == sett_control::kRecentFoldersCount) Edit3Exit();
      return false;
    case K::Select:
      if (c == sett_control::kHotKeyChoice) ComboBox1Select();
      return false;
    case K::PageShow:
      if (c == sett_control::kFoldersTab) FoldersShow();
      if (c == sett_control::kFiltersTab) FiltersShow();
      return false;
    case K::Click: {
      static const std::pair<const wchar_t*, void (TSett::*)()> kClicks[] = {
          {sett_control::kCancel, &TSett::Button12Click},         {sett_control::kHelp, &TSett::Button15Click},
          {sett_control::kWheel, &TSett::CheckBox5Click},         {sett_control::kWheelForward, &TSett::CheckBox8Click},
          {sett_control::kWheelBackward, &TSett::CheckBox9Click}, {sett_control::kRecentFiles, &TSett::CheckBox14Click},
          {sett_control::kRecentFolders, &TSett::CheckBox3Click}, {sett_control::kCustomize, &TSett::SpeedButton1Click},
          {sett_control::kAddFolder, &TSett::Button1Click},       {sett_control::kAddSubmenu, &TSett::Button13Click},
          {sett_control::kAddFilter, &TSett::Button10Click},      {sett_control::kEditFolder, &TSett::Button2Click},
          {sett_control::kEditFilter, &TSett::Button2Click},      {sett_control::kRemoveFolder, &TSett::Button3Click},
          {sett_control::kRemoveFilter, &TSett::Button3Click},    {sett_control::kFolderUp, &TSett::Button4Click},
          {sett_control::kFolderDown, &TSett::Button5Click},      {sett_control::kFilterUp, &TSett::Button9Click},
          {sett_control::kFilterDown, &TSett::Button8Click},
      };
      if (c == sett_control::kOk || c == sett_control::kApply) {
        Button11Click(c);
        return true;
      }
      for (const auto& [name, handler] : kClicks) {
        if (c == name) {
          (this->*handler)();
          return true;
        }
      }
      return false;
    }
    default:
      return false;
  }
}

// --- showing --------------------------------------------------------------------

void TSett::OptionShow() {
  FoldersChanged = false;
  FiltersChanged = false;
  const agent::TProgramSettings& s = agent_.Settings();
  plat::SetChecked(form_, sett_control::kShowTray, s.ShowTray);
  plat::SetChecked(form_, sett_control::kClearLink, s.ClearLink);
  plat::SetChecked(form_, sett_control::kExplorerEnhancements, s.ExpEnch);
  // The context-menu choices matter only with the extension beside the program.
  plat::SetControlVisible(form_, sett_control::kCustomize, plat::FileExists(store::ShellExtensionPath()));
  plat::SetChecked(form_, sett_control::kRecentFiles, s.RecentFls);
  plat::SetControlText(form_, sett_control::kRecentFilesCount, std::to_wstring(s.FilesCount));
  plat::SetControlEnabled(form_, sett_control::kRecentFilesCount, s.RecentFls);
  plat::SetChecked(form_, sett_control::kRecentFolders, s.RecentFldr);
  plat::SetControlText(form_, sett_control::kRecentFoldersCount, std::to_wstring(s.FoldersCount));
  plat::SetControlEnabled(form_, sett_control::kRecentFoldersCount, s.RecentFldr);
  plat::SetChecked(form_, sett_control::kWheel, s.MouseWheel > 0);
  plat::SetChecked(form_, sett_control::kWheelForward, s.MouseWheel == 2);
  plat::SetChecked(form_, sett_control::kWheelBackward, s.MouseWheel == 3);
  plat::SetControlEnabled(form_, sett_control::kWheelForward, s.MouseWheel > 0);
  plat::SetControlEnabled(form_, sett_control::kWheelBackward, s.MouseWheel > 0);
  plat::SetChecked(form_, sett_control::kMiddleButton, s.MouseMButton);
  plat::SetChecked(form_, sett_control::kHelpSignRightClick, s.Help);
  plat::SetChecked(form_, sett_control::kMiddleExplorer, s.MExplorer);
  plat::SetChecked(form_, sett_control::kMiddleIExplorer, s.MIExplorer);
  plat::SetChecked(form_, sett_control::kMiddleDesktop, s.MDesktop);
  plat::SetChecked(form_, sett_control::kAddressBarRightClick, s.RExplorer);
  plat::SetChecked(form_, sett_control::kOpenWindowsMenu, s.OpenWindowsMenu);
  plat::SetChecked(form_, sett_control::kKeyboardMenu, s.KeyboardMenu);
  plat::SetChecked(form_, sett_control::kFollowExplorer, s.FollowExplorer);

  store::LoadFavourites();
  FillLists();

  plat::SetChecked(form_, sett_control::kAutostart, app::AutostartEntryExists());
  LoadHotKeyControls();
  if (ActivePage() == kFoldersPage) plat::FocusControl(form_, sett_control::kFolderList);
}

void TSett::FillLists() {
  SetFolderRows(RowsFromStore(store::FavouriteNames, store::FavouriteValues), -1);
  std::vector<plat::ListRow> filters;
  for (std::size_t i = 0; i < store::FilterMasks.size() && i < store::FilterNames.size(); ++i)
    filters.push_back(plat::ListRow{store::FilterNames[i], {store::FilterMasks[i]}, -1, 0});
  plat::SetListRows(form_, sett_control::kFilterList, std::move(filters), -1);
}

void TSett::LoadHotKeyControls() {
  const agent::TProgramSettings& s = agent_.Settings();
  if (s.Alt == 0) {
    plat::SetItemIndex(form_, sett_control::kHotKeyChoice, 0);
  } else if (s.Alt == static_cast<std::int32_t>(plat::MOD_WIN)) {
    plat::SetItemIndex(form_, sett_control::kHotKeyChoice, 1);
  } else {
    plat::SetItemIndex(form_, sett_control::kHotKeyChoice, 2);
    std::uint32_t mods = 0;
    if (s.Alt & plat::MOD_ALT) mods |= plat::HOTKEYF_ALT;
    if (s.Alt & plat::MOD_CONTROL) mods |= plat::HOTKEYF_CONTROL;
    if (s.Alt & plat::MOD_SHIFT) mods |= plat::HOTKEYF_SHIFT;
    plat::SetHotKeyValue(form_, sett_control::kHotKey, static_cast<std::uint32_t>(s.Keys), mods);
  }
  ComboBox1Select();
}

TFolderRows TSett::FolderRows() const {
  TFolderRows rows;
  const int n = plat::ListCount(form_, sett_control::kFolderList);
  for (int i = 0; i < n; ++i) rows.push_back(FromListRow(plat::GetListRow(form_, sett_control::kFolderList, i)));
  return rows;
}

void TSett::SetFolderRows(const TFolderRows& rows, int selected) {
  std::vector<plat::ListRow> list;
  list.reserve(rows.size());
  for (const TFolderRow& row : rows) list.push_back(ToListRow(row));
  plat::SetListRows(form_, sett_control::kFolderList, std::move(list), selected);
}

// --- OK, Apply, Cancel, Help ----------------------------------------------------------

void TSett::SaveLists() {
  store::TStoreContent content;
  RowsToStore(FolderRows(), content.favourite_names, content.favourite_values);
  const int n = plat::ListCount(form_, sett_control::kFilterList);
  for (int i = 0; i < n; ++i) {
    const plat::ListRow row = plat::GetListRow(form_, sett_control::kFilterList, i);
    content.filter_masks.push_back(Trimmed(row.subitems.empty() ? L"" : row.subitems[0]));
    content.filter_names.push_back(Trimmed(row.caption));
  }
  const store::TReplaceResult r =
      store::ReplaceStore(content, FoldersChanged, FiltersChanged, infra::ConfigurationFolder());
  if (r != store::TReplaceResult::Replaced) {
    plat::MessageBoxW(plat::FormWindow(form_),
                      r == store::TReplaceResult::Restored
                          ? L"The favourites could not be saved. They were left as they were."
                          : L"The favourites could not be saved, nor put back as they were. A copy is kept as \"" +
                                std::wstring(store::kStoreCopyName) + L"\" in the folder \"" +
                                store::kConfigurationSubfolder + L"\".",
                      kInformation, plat::MB_OK | plat::MB_ICONINFORMATION);
  }
}

void TSett::Button11Click(const std::wstring& sender) {
  infra::LogMessage(L"Sett.Button11Click", sender == sett_control::kOk ? L"OK" : L"Apply");

  // The lists, rewritten as a whole.
  if (FoldersChanged || FiltersChanged) {
    SaveLists();
    store::LoadFavourites();
    FoldersChanged = false;
    FiltersChanged = false;
  }

  // The settings as the dialog shows them; the agent applies and stores them.
  agent::TOptionsChoice choice;
  agent::TProgramSettings& s = choice.settings;
  s = agent_.Settings();
  s.MExplorer = plat::IsChecked(form_, sett_control::kMiddleExplorer);
  s.MIExplorer = plat::IsChecked(form_, sett_control::kMiddleIExplorer);
  s.RExplorer = plat::IsChecked(form_, sett_control::kAddressBarRightClick);
  s.MDesktop = plat::IsChecked(form_, sett_control::kMiddleDesktop);
  s.ShowTray = plat::IsChecked(form_, sett_control::kShowTray);
  s.FoldersCount = infra::TextToInt(plat::GetControlText(form_, sett_control::kRecentFoldersCount));
  s.FilesCount = infra::TextToInt(plat::GetControlText(form_, sett_control::kRecentFilesCount));
  s.ExpEnch = plat::IsChecked(form_, sett_control::kExplorerEnhancements);
  s.OpenWindowsMenu = plat::IsChecked(form_, sett_control::kOpenWindowsMenu);
  s.KeyboardMenu = plat::IsChecked(form_, sett_control::kKeyboardMenu);
  s.FollowExplorer = plat::IsChecked(form_, sett_control::kFollowExplorer);
  s.RecentFldr = plat::IsChecked(form_, sett_control::kRecentFolders);
  s.RecentFls = plat::IsChecked(form_, sett_control::kRecentFiles);
  s.ClearLink = plat::IsChecked(form_, sett_control::kClearLink);
  s.Help = plat::IsChecked(form_, sett_control::kHelpSignRightClick);
  if (!plat::IsChecked(form_, sett_control::kWheel))
    s.MouseWheel = 0;
  else if (plat::IsChecked(form_, sett_control::kWheelForward))
    s.MouseWheel = 2;
  else if (plat::IsChecked(form_, sett_control::kWheelBackward))
    s.MouseWheel = 3;
  else
    s.MouseWheel = 1;
  s.MouseMButton = plat::IsChecked(form_, sett_control::kMiddleButton);

  switch (plat::GetItemIndex(form_, sett_control::kHotKeyChoice)) {
    case 0:
      s.Alt = 0;
      break;
    case 1: {
      const std::wstring key = plat::GetControlText(form_, sett_control::kHotKeyLetter);
      if (!key.empty()) {
        s.Alt = static_cast<std::int32_t>(plat::MOD_WIN);
        s.Keys = static_cast<std::int32_t>(key[0]);
      }
      break;
    }
    case 2: {
      std::uint32_t key = 0, mods = 0;
      plat::GetHotKeyValue(form_, sett_control::kHotKey, key, mods);
      if (key != 0) {
        if (mods & plat::HOTKEYF_ALT)
          s.Alt = static_cast<std::int32_t>(plat::MOD_ALT);
        else if (mods & plat::HOTKEYF_SHIFT)
          s.Alt = static_cast<std::int32_t>(plat::MOD_SHIFT);
        else if (mods & plat::HOTKEYF_CONTROL)
          s.Alt = static_cast<std::int32_t>(plat::MOD_CONTROL);
      }
      s.Keys = static_cast<std::int32_t>(key);
      break;
    }
    default:
      break;
  }

  choice.autostart = plat::IsChecked(form_, sett_control::kAutostart);

  // Settings that were not saved keep the dialog open and reach the global
  // handler, which tells the user.
  agent_.ApplyOptions(choice);
  if (plat::GetControlTag(form_, sender) == 1) plat::EndModal(form_, plat::mrOk);
}

void TSett::Button12Click() { plat::EndModal(form_, plat::mrCancel); }

void TSett::Button15Click() {
  static const wchar_t* kTopics[] = {L"editfldr.htm", L"addfilter.htm", L"options.htm", L"about.htm"};
  const int page = ActivePage();
  if (page >= 0 && page < 4) plat::ShowHtmlHelpTopic(agent_.HelpFilePath(), kTopics[page]);
}

bool TSett::FormKeyDown(std::uint32_t key) {
  if (key != plat::VK_F1) return false;
  Button15Click();
  return true;
}

// --- Preferences ------------------------------------------------------------------

void TSett::CheckBox5Click() {
  const bool on = plat::IsChecked(form_, sett_control::kWheel);
  plat::SetControlEnabled(form_, sett_control::kWheelForward, on);
  plat::SetControlEnabled(form_, sett_control::kWheelBackward, on);
}

void TSett::CheckBox8Click() {
  if (plat::IsChecked(form_, sett_control::kWheelForward)) plat::SetChecked(form_, sett_control::kWheelBackward, false);
}

void TSett::CheckBox9Click() {
  if (plat::IsChecked(form_, sett_control::kWheelBackward)) plat::SetChecked(form_, sett_control::kWheelForward, false);
}

void TSett::CheckBox14Click() {
  plat::SetControlEnabled(form_, sett_control::kRecentFilesCount, plat::IsChecked(form_, sett_control::kRecentFiles));
}

void TSett::CheckBox3Click() {
  plat::SetControlEnabled(form_, sett_control::kRecentFoldersCount,
                          plat::IsChecked(form_, sett_control::kRecentFolders));
}

namespace {
const wchar_t* SpinEdit(const std::wstring& spin) {
  return spin == sett_control::kRecentFoldersSpin ? sett_control::kRecentFoldersCount : sett_control::kRecentFilesCount;
}
}  // namespace

void TSett::SpinButton1UpClick(const std::wstring& sender) {
  const wchar_t* edit = SpinEdit(sender);
  if (!plat::IsControlEnabled(form_, edit)) return;
  std::int64_t n = 0;
  const bool ok = StrictNumber(plat::GetControlText(form_, edit), n) && n < 0x7FFFFFFF;
  plat::SetControlText(form_, edit, ok ? std::to_wstring(n + 1) : L"1");
}

void TSett::SpinButton1DownClick(const std::wstring& sender) {
  const wchar_t* edit = SpinEdit(sender);
  if (!plat::IsControlEnabled(form_, edit)) return;
  std::int64_t n = 0;
  const bool ok = StrictNumber(plat::GetControlText(form_, edit), n);
  plat::SetControlText(form_, edit, ok && n - 1 >= 1 ? std::to_wstring(n - 1) : L"1");
}

void TSett::Edit2Exit() {
  if (infra::TextToInt(plat::GetControlText(form_, sett_control::kRecentFilesCount)) < 1)
    plat::SetControlText(form_, sett_control::kRecentFilesCount, L"1");
}

void TSett::Edit3Exit() {
  if (infra::TextToInt(plat::GetControlText(form_, sett_control::kRecentFoldersCount)) < 1)
    plat::SetControlText(form_, sett_control::kRecentFoldersCount, L"1");
}

void TSett::ComboBox1Select() {
  const int index = plat::GetItemIndex(form_, sett_control::kHotKeyChoice);
  plat::SetControlVisible(form_, sett_control::kHotKeyLetter, index == 1);
  plat::SetControlVisible(form_, sett_control::kHotKey, index == 2);
  if (index == 1) {
    const std::int32_t k = agent_.Settings().Keys;
    plat::SetControlText(form_, sett_control::kHotKeyLetter,
                         k > 0 && k < 0x10000 ? std::wstring(1, static_cast<wchar_t>(k)) : L"");
  }
}

bool TSett::Edit1KeyDown(std::uint32_t key) {
  edit1_key_ = key;
  return false;
}

bool TSett::Edit1KeyPress(wchar_t) {
  if (edit1_key_ != 0)
    plat::SetControlText(form_, sett_control::kHotKeyLetter,
                         std::wstring(1, static_cast<wchar_t>(std::towupper(static_cast<wint_t>(edit1_key_)))));
  return true;
}

void TSett::SpeedButton1Click() { SettContextMenuCreated(plat::FormWindow(form_)).ShowModalForm(); }

// --- the list commands ------------------------------------------------------------

void TSett::aEditUpdate() {
  const wchar_t* list = ActivePage() == kFiltersPage ? sett_control::kFilterList : sett_control::kFolderList;
  const bool selected = plat::GetSelectedRow(form_, list) >= 0;
  for (const wchar_t* b :
       {sett_control::kEditFolder, sett_control::kRemoveFolder, sett_control::kFolderUp, sett_control::kFolderDown,
        sett_control::kEditFilter, sett_control::kRemoveFilter, sett_control::kFilterDown, sett_control::kFilterUp})
    plat::SetControlEnabled(form_, b, selected);
}

void TSett::FoldersShow() { plat::FocusControl(form_, sett_control::kFolderList); }
void TSett::FiltersShow() { plat::FocusControl(form_, sett_control::kFilterList); }

void TSett::OpenEditor(int mode, bool adding_filter) {
  editor_->EditorMode = mode;
  editor_->AddingFilter = adding_filter;
  editor_->ShowModalForm();
}

void TSett::Button1Click() {
  FoldersChanged = true;
  std::wstring folder;
  targets::BrowseForFolder(plat::FormWindow(form_), L"", folder);
  if (folder.empty()) return;
  TFolderRows rows = FolderRows();
  for (const auto& r : rows) {
    // Value names compare without case: a second spelling would overwrite
    // the first one when the list is saved.
    if (!r.path.empty() && infra::SameText(r.path, folder)) {
      plat::MessageBoxW(plat::FormWindow(form_), L"This path already exists", kInformation,
                        plat::MB_OK | plat::MB_ICONINFORMATION);
      return;
    }
  }
  if (!store::IsStorablePath(folder)) {
    plat::MessageBoxW(plat::FormWindow(form_), store::kUnstorablePathText, kInformation,
                      plat::MB_OK | plat::MB_ICONINFORMATION);
    return;
  }
  const int sel = plat::GetSelectedRow(form_, sett_control::kFolderList);
  TFolderRow row{folder, folder, 0, 0};
  int at = static_cast<int>(rows.size());
  if (sel >= 0) {
    at = sel + 1;
    row.indent = rows[sel].path.empty() ? 1 : rows[sel].indent;
  }
  rows.insert(rows.begin() + at, row);
  SetFolderRows(rows, at);
  OpenEditor(2, false);
}

void TSett::Button13Click() {
  FoldersChanged = true;
  TFolderRows rows = FolderRows();
  rows.push_back(TFolderRow{L"", L"", store::kIconSubmenu, 0});
  SetFolderRows(rows, static_cast<int>(rows.size()) - 1);
  OpenEditor(3, false);
}

void TSett::Button10Click() {
  if (ActivePage() != kFiltersPage) plat::SetPageIndex(form_, sett_control::kPages, kFiltersPage);
  OpenEditor(1, true);
}

void TSett::Button2Click() {
  const bool filters = ActivePage() == kFiltersPage;
  if (plat::GetSelectedRow(form_, filters ? sett_control::kFilterList : sett_control::kFolderList) < 0) return;
  OpenEditor(1, false);
}

void TSett::Button3Click() {
  const bool filters = ActivePage() == kFiltersPage;
  const wchar_t* list = filters ? sett_control::kFilterList : sett_control::kFolderList;
  const int sel = plat::GetSelectedRow(form_, list);
  if (sel < 0) return;
  if (!filters) {
    const TFolderRows rows = FolderRows();
    if (rows[sel].path.empty() && sel + 1 < static_cast<int>(rows.size()) && rows[sel + 1].indent > 0) {
      plat::MessageBoxW(plat::FormWindow(form_), L"Before delete Submenu, You must delete Submenu's items",
                        kInformation, plat::MB_OK | plat::MB_ICONINFORMATION);
      return;
    }
  }
  if (plat::MessageBoxW(plat::FormWindow(form_), L"Do you really want to delete this item?", kConfirm,
                        plat::MB_YESNO | plat::MB_ICONQUESTION) != plat::IDYES)
    return;
  plat::DeleteListRow(form_, list, sel);
  if (filters)
    FiltersChanged = true;
  else
    FoldersChanged = true;
}

void TSett::Button4Click() {
  TFolderRows rows = FolderRows();
  int sel = plat::GetSelectedRow(form_, sett_control::kFolderList);
  FoldersChanged = true;
  if (MoveFolderUp(rows, sel)) SetFolderRows(rows, sel);
}

void TSett::Button5Click() {
  TFolderRows rows = FolderRows();
  int sel = plat::GetSelectedRow(form_, sett_control::kFolderList);
  FoldersChanged = true;
  if (MoveFolderDown(rows, sel)) SetFolderRows(rows, sel);
}

namespace {
void SwapFilterRows(plat::Form form, int a, int b) {
  const plat::ListRow ra = plat::GetListRow(form, sett_control::kFilterList, a);
  plat::SetListRow(form, sett_control::kFilterList, a, plat::GetListRow(form, sett_control::kFilterList, b));
  plat::SetListRow(form, sett_control::kFilterList, b, ra);
  plat::SetSelectedRow(form, sett_control::kFilterList, b);
}
}  // namespace

void TSett::Button9Click() {
  const int sel = plat::GetSelectedRow(form_, sett_control::kFilterList);
  if (sel <= 0) return;
  SwapFilterRows(form_, sel, sel - 1);
  FiltersChanged = true;
}

void TSett::Button8Click() {
  const int sel = plat::GetSelectedRow(form_, sett_control::kFilterList);
  if (sel < 0 || sel + 1 >= plat::ListCount(form_, sett_control::kFilterList)) return;
  SwapFilterRows(form_, sel, sel + 1);
  FiltersChanged = true;
}

}  // namespace ui
