#include "agent/vorl_folder.h"

#include <atomic>

#include "agent/hook_client.h"
#include "app/autostart.h"
#include "app/scheduler.h"
#include "errors/global_exception.h"
#include "infra/config_folder.h"
#include "infra/logger.h"
#include "infra/registry.h"
#include "infra/text.h"
#include "menu/folder_menu.h"
#include "platform/atoms.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/stack_trace.h"
#include "platform/shell_execute.h"
#include "platform/tray.h"
#include "store/config_files.h"
#include "store/change_monitoring.h"
#include "store/favourites.h"
#include "store/recent_lists.h"
#include "store/recent_scan.h"
#include "store/shell_extension.h"
#include "targets/browse_folder.h"
#include "targets/classify.h"
#include "targets/get_path.h"
#include "targets/locators.h"
#include "targets/target_state.h"
#include "ui/add_dialog2.h"
#include "ui/setting.h"

namespace agent {

namespace {

constexpr wchar_t kLogSource[] = L"VorlFolder.WMHandler";
constexpr wchar_t kContactPage[] = L"https://www.quantrel.net/contact/?utm_source=folder";
constexpr wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::uint32_t Register(const wchar_t* name) {
  return plat::RegisterWindowMessageW(std::wstring(name) + L" by Vorlune Folder");
}

std::wstring Trimmed(const std::wstring& s) { return infra::TrimControls(s); }

// The slot's message field is shared with the hook library in other
// processes: it is read with acquire (the other fields were written before
// it) and cleared with release (the library may reuse the slot afterwards).
std::uint32_t LoadMessage(HookMessageSlot& slot) {
  return std::atomic_ref<std::uint32_t>(slot.message).load(std::memory_order_acquire);
}
void ClearMessage(HookMessageSlot& slot) {
  std::atomic_ref<std::uint32_t>(slot.message).store(0, std::memory_order_release);
}

}  // namespace

THookMessages RegisterHookMessages() {
  THookMessages m;
  m.WM_NEWFORM = Register(L"WM_NEWFORM");
  m.WM_QXREXPLORER = Register(L"WM_QXREXPLORER");
  m.WM_WHEELMOUSE = Register(L"WM_WHEELMOUSE");
  m.WM_QXHELP = Register(L"WM_QXHELP");
  m.WM_QXRBUTTON = Register(L"WM_QXRBUTTON");
  m.WM_QXMBUTTON = Register(L"WM_QXMBUTTON");
  m.WM_QXKEYDOWN = Register(L"WM_QXKEYDOWN");
  m.WM_QXMDESKTOP = Register(L"WM_QXMDESKTOP");
  m.WM_QXMEXPLORER = Register(L"WM_QXMEXPLORER");
  m.WM_QXMDIALOG = Register(L"WM_QXMDIALOG");
  m.WM_QXNEWM = Register(L"WM_QXNEWM");
  m.WM_QXMBROWSE = Register(L"WM_QXMBROWSE");
  m.WM_QXWAKEUP = plat::RegisterWindowMessageW(kHookWakeMessageName);
  return m;
}

TVorlFolder::TVorlFolder(std::wstring start_argument, std::uint32_t wm_qxaddfolder)
    : WM_QXADDFOLDER(wm_qxaddfolder), StartArgument(std::move(start_argument)) {
  std::wstring probe;
  fault_probe_ = plat::GetEnvironmentVariableW(kFaultProbeVariable, probe) && probe == L"1";
  Handle = plat::CreateHiddenWindow(kMainWindowClass, kMainWindowCaption,
                                    [this](plat::Window, std::uint32_t message, std::uint64_t wparam,
                                           std::int64_t lparam) { return WindowProc(message, wparam, lparam); });
  BuildTrayMenu();
  // The folder menu's fixed items; its favourites and recent parts are built
  // by the store and the recent lists as they load. ImageList1 serves both menus.
  menu::TFolderMenuCommands commands;
  commands.add = [](const plat::MenuItem&) { store::AddClick(); };
  commands.remove = [](const plat::MenuItem&) { store::RemoveClick(); };
  commands.open_folder = [this](const plat::MenuItem&) { OpenFolderClick(); };
  commands.settings = [this](const plat::MenuItem&) { Settings1Click(); };
  commands.clear = [this](const plat::MenuItem&) { Clear1Click(); };
  PopupMenu2 = menu::CreateFolderMenu(commands);
  menu::LoadImageList1();
  // Timer4 polls the hook block from the form's creation on.
  plat::SetTimer(Handle, kTimer4Id, kTimer4Interval);
  FollowExplorer.SetTimerWindow(Handle);
}

TVorlFolder::~TVorlFolder() {
  FormDestroy();
  ui::FreeSettingsForms();
  // The dialogs' modal loops handed their messages to this form.
  plat::SetModalMessageHook(nullptr);
  if (Handle) plat::DestroyHiddenWindow(Handle);
}

void TVorlFolder::BuildTrayMenu() {
  auto item = [this](const wchar_t* name, const wchar_t* caption, int image, void (TVorlFolder::*handler)()) {
    plat::MenuItem m;
    m.name = name;
    m.caption = caption;
    m.image = image;
    if (handler) m.action = [this, handler](const plat::MenuItem&) { (this->*handler)(); };
    return m;
  };
  PopupMenu1 = {
      item(L"N121", L"About...", -1, &TVorlFolder::N121Click),
      item(L"N211", L"Help...", 18, &TVorlFolder::N211Click),
      item(L"ReportaBug1", L"Report a Bug...", -1, &TVorlFolder::ReportaBug1Click),
      item(L"N1", L"-", -1, nullptr),
      item(L"Openconfiguration1", L"Open Configuration...", 17, &TVorlFolder::Openconfiguration1Click),
      item(L"Saveconfiguration1", L"Save Configuration...", 16, &TVorlFolder::Saveconfiguration1Click),
      item(L"Addfolder1", L"Add Folder...", 14, &TVorlFolder::Addfolder1Click),
      item(L"Settings1", L"Options...", 15, &TVorlFolder::Settings1Click),
      item(L"N2", L"-", -1, nullptr),
      item(L"Exit1", L"Exit", -1, &TVorlFolder::Exit1Click),
  };
}

void TVorlFolder::FormCreate() {
  if (created_) return;
  created_ = true;
  infra::LogMessage(L"VorlFolder.FormCreate", L"begin");
  targets::AgentUiThreadId = plat::CurrentThreadId();
  HookMessages = RegisterHookMessages();
  AllowMessagesFromOtherProcesses();
  // The store rebuilds the folder menu and asks for a new favourite's title
  // through these.
  store::Links().BuildFavouritesMenu = [this] { RequestFavouritesMenu(); };
  store::FavouritesMenuMadeAnew();
  store::Links().AlwaysAddDialog = [this] { return ProgramSettings.AlwaysAddDialog; };
  // The recent lists rebuild the recent submenus and hand over Lst through
  // these (links set before the form starts, as tests do, are kept).
  auto& recent = store::RecentLinks();
  if (!recent.BuildRecentMenus) {
    recent.BuildRecentMenus = [this](bool files, bool folders) { menu::BuildRecentMenus(*this, files, folders); };
  }
  if (!recent.SetRecentFileIcons) {
    recent.SetRecentFileIcons = [](std::vector<plat::Handle> icons) { plat::SetRecentFileIcons(std::move(icons)); };
  }
  store::Links().AddItemPrompt = [this](std::wstring& title) { return ui::AskForItemTitle(*this, title); };
  ReadSettingsOrSeedDefaults();

  try {
    infra::TRegistry reg;
    if (reg.OpenKeyReadOnly(kShellFoldersKey)) {
      if (reg.ValueExists(L"Recent")) RecentFolderPath = reg.ReadString(L"Recent");
      reg.CloseKey();
    }
  } catch (const std::exception&) {
    RecentFolderPath.clear();
  }

  if (ProgramSettings.ShowTray) ShowTrayIcon(true);
  if (ProgramSettings.Alt != 0) {
    HotKeyRegistered = plat::RegisterHotKey(Handle, HotKeyId, static_cast<std::uint32_t>(ProgramSettings.Alt),
                                            static_cast<std::uint32_t>(ProgramSettings.Keys));
  }

  // Without the hook the agent has no purpose: it ends without a message. The
  // rest of the start still runs; the message loop ends as soon as it starts.
  try {
    HookBlock = CallSetHook(targets::AgentUiThreadId, ProgramSettings);
  } catch (...) {
    HookBlock = nullptr;
  }
  if (!HookBlock) Terminate();

  FollowExplorer.SetEnabled(ProgramSettings.FollowExplorer);

  store::AddFavouriteFolder(Trimmed(StartArgument));
  StartArgument.clear();
  ScanRecentAtStart();
  store::LoadFavourites();
  BuildPendingFavouritesMenu();  // the first menu finds it ready
  plat::TrimWorkingSet();
}

void TVorlFolder::ReadSettingsOrSeedDefaults() {
  bool opened = false;
  try {
    infra::TRegistry reg;
    opened = reg.OpenKey(kSettingsKey, false);
    if (opened) {
      if (reg.ValueExists(kUpdateMarker)) reg.DeleteValue(kUpdateMarker);
      ReadProgramSettings(reg, ProgramSettings);
      reg.CloseKey();
    }
  } catch (const std::exception&) {
    infra::LogError(L"VorlFolder.FormCreate", L"Can't read settings", L"", plat::LastError());
  }
  if (!opened) {
    FirstRun = true;
    store::WriteFirstRunDefaults();
  }
}

void TVorlFolder::AllowMessagesFromOtherProcesses() {
  // An elevated agent receives nothing from the unelevated processes of the
  // user (a second start handing a folder over, programs asking for a menu)
  // unless the messages are let through the UIPI filter: thread messages
  // through the process-wide filter, window messages on the main window.
  wm_taskbar_created_ = plat::RegisterWindowMessageW(L"TaskbarCreated");
  const std::uint32_t accepted[] = {WM_QXADDFOLDER, WM_QXTRAYMENU, WM_QXFOLDERMENU, WM_QXOPTIONS,
                                    HookMessages.WM_QXWAKEUP};
  for (std::uint32_t m : accepted) {
    if (m == 0) continue;
    plat::AllowMessageFromLowerIntegrity(0, m);
    plat::AllowMessageFromLowerIntegrity(Handle, m);
  }
  // Explorer announces a restarted notification area with TaskbarCreated.
  if (wm_taskbar_created_) plat::AllowMessageFromLowerIntegrity(Handle, wm_taskbar_created_);
  // The user's setup (unelevated) asks the agent to end with WM_CLOSE before it
  // replaces the program's files or removes them.
  plat::AllowMessageFromLowerIntegrity(Handle, plat::WM_CLOSE);
}

void TVorlFolder::FormShow() { ShowTrayIcon(ProgramSettings.ShowTray); }

void TVorlFolder::ShowTrayIcon(bool show) {
  if (show) {
    TrayIconVisible = plat::TrayShowIcon(Handle, kTrayIconId, WM_TRAYICON, kApplicationTitle);
  } else if (TrayIconVisible) {
    plat::TrayHideIcon(Handle, kTrayIconId);
    TrayIconVisible = false;
  }
}

void TVorlFolder::FormDestroy() {
  if (!created_ || destroyed_) return;
  destroyed_ = true;
  plat::KillTimer(Handle, kTimer4Id);
  plat::KillTimer(Handle, kTimer1Id);
  app::InstallAgentTask();
  infra::SaveAllLogs(true);
  StopRecentWatch();
  plat::UnregisterHotKey(Handle, HotKeyId);
  HotKeyRegistered = false;
  FollowExplorer.SetEnabled(false);
  CallRemoveHook();
  HookBlock = nullptr;
  UnloadHookLibrary();
  FavouriteNames.clear();
  FavouriteValues.clear();
  FilterMasks.clear();
  FilterNames.clear();
  store::ResetRecentState();
  store::Links() = {};
  store::RecentLinks() = {};
  ShowTrayIcon(false);
}

void TVorlFolder::Terminate() {
  terminated_ = true;
  // From here on the logger takes no new entries.
  infra::ApplicationTerminated = true;
  plat::PostQuitMessage(0);
}

void TVorlFolder::Run() {
  plat::Msg msg;
  while (!terminated_) {
    if (!plat::GetMessageW(msg)) {
      terminated_ = true;
      infra::ApplicationTerminated = true;
      break;
    }
    try {
      // A hardware fault of a handler becomes an exception that ends here too.
      plat::FaultGuard guard;
      ProcessMessage(msg);
    } catch (...) {
      // An error that no handler caught: the global handler records it and
      // shows the error dialog, and the agent goes on.
      errors::GlobalException(std::current_exception());
    }
  }
}

void TVorlFolder::ProcessMessage(const plat::Msg& msg) {
  bool handled = false;
  WMHandler(msg, handled);
  if (!handled) plat::DispatchMessageW(msg);
}

void TVorlFolder::ProcessMessages() {
  plat::Msg msg;
  while (plat::PeekMessageW(msg)) {
    if (msg.message == plat::WM_QUIT) {
      terminated_ = true;
      return;
    }
    try {
      plat::FaultGuard guard;
      ProcessMessage(msg);
    } catch (...) {
      errors::GlobalException(std::current_exception());
    }
  }
}

std::optional<std::int64_t> TVorlFolder::WindowProc(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam) {
  switch (message) {
    case plat::WM_TIMER:
      if (wparam == kTimer4Id) Timer4Timer();
      if (wparam == kTimer1Id) Timer1Timer();
      if (wparam == store::kChangeTimerId) store::ChangeTimerProc();
      if (wparam == targets::TFollowExplorer::kTimerId) FollowExplorer.OnTimer();
      return 0;
    case WM_QXBUILDMENU:
      BuildPendingFavouritesMenu();
      return 0;
    case WM_TRAYICON:
      if (lparam == plat::WM_LBUTTONUP) TrayIconClick();
      if (lparam == plat::WM_RBUTTONUP || lparam == plat::WM_CONTEXTMENU) ShowTrayMenu();
      return 0;
    case plat::WM_SYSCOMMAND:
      if ((wparam & 0xFFF0) == plat::SC_MINIMIZE) {
        WMGetSysCommand(wparam);
        return 0;
      }
      return std::nullopt;
    case plat::WM_CLOSE:
      Terminate();
      return 0;
    case plat::WM_QUERYENDSESSION:
      return 1;
    case plat::WM_ENDSESSION:
      // The session ends: the process is ended after this message.
      if (wparam) FormDestroy();
      return 0;
    case WM_QXFAULTPROBE:
      // Sent to the window (not posted): the fault of the window procedure.
      if (!fault_probe_) return std::nullopt;
      FaultProbe();
      return 0;
    default:
      break;
  }
  if (message == wm_taskbar_created_ && message != 0) {
    if (ProgramSettings.ShowTray) ShowTrayIcon(true);
    return 0;
  }
  return std::nullopt;
}

void TVorlFolder::RequestFavouritesMenu() {
  if (favourites_menu_pending_) return;
  favourites_menu_pending_ = true;
  // Without a queue to run it later (the window is gone) it runs now.
  if (destroyed_ || !plat::PostMessage(Handle, WM_QXBUILDMENU, 0, 0)) BuildPendingFavouritesMenu();
}

void TVorlFolder::BuildPendingFavouritesMenu() {
  if (!favourites_menu_pending_) return;
  favourites_menu_pending_ = false;
  menu::BuildFavouritesMenu(*this);
}

void TVorlFolder::WMGetSysCommand(std::uint64_t) {
  // The main form is never shown; minimising has nothing to hide.
}

void TVorlFolder::SetTimer1Enabled(bool enabled) {
  Timer1Enabled = enabled;
  if (enabled)
    plat::SetTimer(Handle, kTimer1Id, kTimer1Interval);
  else
    plat::KillTimer(Handle, kTimer1Id);
}

void TVorlFolder::Timer4Timer() {
  HookSharedBlock* block = HookBlock;
  if (!block || timer4_busy_) return;
  timer4_busy_ = true;
  plat::KillTimer(Handle, kTimer4Id);
  const std::uint32_t closed_at_pass_begin = plat::LastPopupClosedTick();
  for (int i = 0; i < kHookSlotCount; ++i) {
    HookMessageSlot& slot = block->slots[i];
    const std::uint32_t message = LoadMessage(slot);
    if (message != kSlotBeingWritten) stuck_since_[i] = 0;
    if (message == kSlotBeingWritten) {
      // The hook library fills a slot within microseconds; one that stays
      // "being written" was left so by another program, and would be lost to
      // the hook for good.
      const std::uint32_t now = plat::TickCount();
      if (stuck_since_[i] == 0) {
        stuck_since_[i] = now == 0 ? 1 : now;
      } else if (now - stuck_since_[i] >= kStuckSlotMs) {
        infra::LogMessage(kLogSource, L"hook slot taken back: it stayed \"being written\"");
        stuck_since_[i] = 0;
        ClearMessage(slot);
      }
      continue;
    }
    if (message == 0) continue;
    HookMessageSlot copy = slot;
    copy.message = message;
    if (RecordCurrent(copy, closed_at_pass_begin)) DispatchHookSlot(copy);
    // While the menu was open the hook may have been re-installed (options
    // dialog) and the old block unmapped: the pass ends with the old block.
    if (HookBlock != block) break;
    ClearMessage(slot);
  }
  try {
    if (HookBlock && !Terminated()) {
      const std::uint32_t now = plat::TickCount();
      const std::uint32_t beat = std::atomic_ref<std::uint32_t>(HookBlock->HeartbeatTick).load();
      // A tick count that wrapped below the last heartbeat skips this check.
      if (now >= beat && now - beat > kHeartbeatLimit) {
        CallRemoveHook();
        HookBlock = CallSetHook(targets::AgentUiThreadId, ProgramSettings);
      }
    }
  } catch (...) {
    // the agent keeps running without hook messages
  }
  if (!destroyed_) plat::SetTimer(Handle, kTimer4Id, kTimer4Interval);
  timer4_busy_ = false;
}

bool TVorlFolder::RecordCurrent(const HookMessageSlot& slot, std::uint32_t closed_at_pass_begin) {
  // Records waiting when a menu of this pass closed piled up while it was
  // open (the hook makes no record of a click that goes to a menu): the user
  // has had a menu since. Only a click made after the close still counts.
  // A record without a time (hook libraries before the input's tick was
  // recorded) is taken as it is.
  const std::uint32_t closed = plat::LastPopupClosedTick();
  if (closed == closed_at_pass_begin || slot.time == 0) return true;
  const std::uint32_t now = plat::TickCount();
  const bool made_after_close = static_cast<std::int32_t>(slot.time - closed) > 0 &&
                                static_cast<std::int32_t>(slot.time - now) <= static_cast<std::int32_t>(kRecordAheadMs);
  if (made_after_close) return true;
  infra::LogMessage(kLogSource, L"hook record dropped: it waited while a menu was open");
  return false;
}

void TVorlFolder::DispatchHookSlot(const HookMessageSlot& slot) {
  struct Entry {
    std::uint32_t THookMessages::*number;
    const wchar_t* prefix;
  };
  static const Entry kEntries[] = {
      {&THookMessages::WM_QXMBROWSE, L"WM_QXMBROWSE recive: Hwnd="},
      {&THookMessages::WM_QXREXPLORER, L"WM_QXREXPLORER recive: Hwnd="},
      {&THookMessages::WM_QXMDESKTOP, L"WM_QXMDESKTOP recive: Hwnd="},
      {&THookMessages::WM_QXMEXPLORER, L"WM_QXMEXPLORER recive: Hwnd="},
      {&THookMessages::WM_WHEELMOUSE, L"WM_WHEELMOUSE recive: Hwnd="},
      {&THookMessages::WM_QXHELP, L"WM_QXHELP recive: Hwnd="},
      {&THookMessages::WM_QXMDIALOG, L"WM_QXMDIALOG recive: Hwnd="},
      {&THookMessages::WM_QXRBUTTON, L"WM_QXRBUTTON recive: Hwnd="},
  };
  for (const auto& e : kEntries) {
    const std::uint32_t number = HookMessages.*e.number;
    if (number == 0 || slot.message != number) continue;
    const bool browse = e.number == &THookMessages::WM_QXMBROWSE;
    const std::int32_t kind = static_cast<std::int32_t>(slot.lparam);
    infra::LogMessage(
        kLogSource, e.prefix + targets::HandleText(slot.wparam) +
                        (browse ? L", Ctrl=" + targets::HandleText(slot.lparam) : L", Type=" + std::to_wstring(kind)));
    // The record's time is the tick of the user's input.
    if (browse) {
      menu::ShowPath(*this, slot.wparam, targets::BrowseDialog, slot.time);
    } else if (targets::IsValidTargetKind(kind)) {
      menu::ShowPath(*this, slot.wparam, static_cast<targets::TargetKind>(kind), slot.time);
    } else {
      // A damaged record: no menu for a window of unknown kind.
      infra::LogError(kLogSource, L"Unknown window kind", L"Type=" + std::to_wstring(kind), 0);
    }
    return;
  }
}

void TVorlFolder::WMHandler(const plat::Msg& msg, bool& handled) {
  handled = false;
  // Any process of the session may post this message: a wParam that cannot
  // be an atom is ignored with one log line, always the same text so that a
  // flood of them stays one counted entry.
  if (WM_QXADDFOLDER != 0 && msg.message == WM_QXADDFOLDER && msg.wparam > 0xFFFF) {
    handled = true;
    infra::LogMessage(kLogSource, L"WM_QXADDFOLDER ignored: wParam is no atom");
    return;
  }
  if (fault_probe_ && msg.message == WM_QXFAULTPROBE) {
    handled = true;
    FaultProbe();
    return;
  }
  try {
    if (WM_QXADDFOLDER != 0 && msg.message == WM_QXADDFOLDER) {
      std::wstring name;
      if (!plat::GlobalGetAtomNameW(static_cast<std::uint16_t>(msg.wparam), name, 261)) {
        infra::LogError(kLogSource, L"WM_QXADDFOLDER: atom names nothing", L"wParam=" + targets::HandleText(msg.wparam),
                        0);
      } else {
        infra::LogMessage(kLogSource, L"WM_QXADDFOLDER recive: " + name);
        // The sender leaves its reference of the atom to the receiver.
        plat::GlobalDeleteAtom(static_cast<std::uint16_t>(msg.wparam));
        store::AddFavouriteFolder(name);
      }
    }
    // The hook library wrote a record: take it now (a pass already running,
    // or a menu open, takes it in its own time).
    if (HookMessages.WM_QXWAKEUP != 0 && msg.message == HookMessages.WM_QXWAKEUP) Timer4Timer();
    if (msg.message == WM_QXTRAYMENU) {
      ShowTrayMenu();
      DropMenuRequestsAsked();
    }
    if (msg.message == WM_QXFOLDERMENU) {
      ShowMenuForForeground();
      DropMenuRequestsAsked();
    }
    if (msg.message == WM_QXOPTIONS) Settings1Click();
    if (msg.message == plat::WM_HOTKEY) {
      ShowMenuForForeground(true);
      DropMenuRequestsAsked();
    }
  } catch (const std::exception&) {
    infra::LogError(kLogSource, L"Common error", L"Msg=" + std::to_wstring(msg.message), plat::LastError());
  }
}

void TVorlFolder::FaultProbe() {
  struct Unwound {
    ~Unwound() { infra::LogMessage(L"VorlFolder.FaultProbe", L"unwound"); }
  } unwound;
  infra::LogMessage(L"VorlFolder.FaultProbe", L"begin");
  plat::ProbeAccessViolation();
}

void TVorlFolder::ShowTrayMenu() {
  plat::Point pt;
  plat::GetCursorPos(&pt);
  targets::BringWindowToFront(Handle);
  const std::optional<plat::MenuItem> chosen = plat::TrackPopupMenu(PopupMenu1, pt, Handle);
  plat::PostMessage(Handle, plat::WM_NULL, 0, 0);
  if (chosen && chosen->action) chosen->action(*chosen);
}

void TVorlFolder::DropMenuRequestsAsked() {
  // Any program may post these; the user answered one menu, and the requests
  // that piled up meanwhile would each open another one to be clicked away.
  const std::size_t dropped = plat::RemoveQueuedMessages(WM_QXTRAYMENU, WM_QXFOLDERMENU) +
                              plat::RemoveQueuedMessages(plat::WM_HOTKEY, plat::WM_HOTKEY);
  if (dropped > 0) infra::LogMessage(kLogSource, L"menu requests dropped: asked while a menu was open");
}

void TVorlFolder::TrayIconClick() { ShowMenuForForeground(); }

void TVorlFolder::ShowMenuForForeground(bool by_key) {
  targets::ShowMenuForWindow(
      0, [this, by_key](plat::Window w, targets::TargetKind k) { menu::ShowPath(*this, w, k, 0, by_key); });
}

std::wstring TVorlFolder::ProgramFolder() {
  std::wstring path = plat::ProgramPath();
  return path.substr(0, path.rfind(L'\\') + 1);
}

std::wstring TVorlFolder::CurrentTargetFolder() { return targets::GetPath(); }

void TVorlFolder::Settings1Click() { ShowOptionsDialog(ui::kFoldersPage, true); }

// "About..." on an open dialog only brings it forward: the page being edited stays.
void TVorlFolder::N121Click() { ShowOptionsDialog(ui::kAboutPage, false); }

void TVorlFolder::ShowOptionsDialog(int page, bool turn_page_when_showing) {
  const std::uint32_t begin_tick = plat::TickCount();
  ui::TSett& sett = ui::SettCreated(*this);
  const bool showing = plat::IsFormShowing(sett.Form());
  // The main form stays hidden; bringing its window forward gives the
  // program the right to show the dialog in front of the user's window.
  if (!showing) targets::BringWindowToFront(Handle);
  sett.ShowOnPage(page, turn_page_when_showing);
  // How long the user waited for the dialog, from the request on (told once
  // it has closed, as the menu's wait is).
  if (const std::uint32_t shown = showing ? 0 : plat::FormShownTick(sett.Form()))
    infra::LogMessage(L"ShowOptionsDialog", L"dialog on screen after " + std::to_wstring(shown - begin_tick) + L" ms");
}

void TVorlFolder::ApplyOptions(const TOptionsChoice& choice) {
  const TProgramSettings& chosen = choice.settings;
  store::RegisterShellExtension(chosen.ExpEnch);

  // The full scan runs with the new counts but still sees the old ClearLink;
  // when both recent submenus were off, the changes since are read as well.
  if ((chosen.RecentFldr || chosen.RecentFls) && !RecentFolderPath.empty()) {
    store::TRecentScanSettings scan = RecentScanSettings();
    scan.FilesCount = chosen.FilesCount;
    scan.FoldersCount = chosen.FoldersCount;
    store::SeenLinks.Clear();
    store::ScanRecentFull(RecentFolderPath, scan);
    if (!ProgramSettings.RecentFldr && !ProgramSettings.RecentFls) {
      try {
        store::ScanRecentChanges(RecentFolderPath, scan);
      } catch (const std::exception&) {
        infra::LogError(L"Sett.Button11Click", L"FindRecent", L"common error", plat::LastError(), false);
      }
    }
  }

  ProgramSettings = chosen;
  TProgramSettings& s = ProgramSettings;
  // Without the wheel and the middle button only the tray icon is left to
  // reach the menu with the mouse: the icon is stored and shown as on.
  if (s.MouseWheel == 0 && !s.MouseMButton) s.ShowTray = true;
  ShowTrayIcon(s.ShowTray);

  // A failed write does not stop the rest: the new settings hold for this
  // session, and the caller learns at the end that they were not saved.
  std::exception_ptr not_saved;
  try {
    SaveProgramSettings(s);
  } catch (...) {
    not_saved = std::current_exception();
  }

  plat::UnregisterHotKey(Handle, HotKeyId);
  HotKeyRegistered = false;
  if (s.Alt != 0)
    HotKeyRegistered =
        plat::RegisterHotKey(Handle, HotKeyId, static_cast<std::uint32_t>(s.Alt), static_cast<std::uint32_t>(s.Keys));

  // A failure is logged by the autostart module; the value stays as it was.
  app::SetAutostartEntry(choice.autostart);

  BuildRecentMenus(s.RecentFls, s.RecentFldr);
  FollowExplorer.SetEnabled(s.FollowExplorer);

  // The hook takes the new settings; without it the agent has no purpose.
  CallRemoveHook();
  try {
    HookBlock = CallSetHook(targets::AgentUiThreadId, s);
  } catch (...) {
    HookBlock = nullptr;
  }
  if (!HookBlock) {
    infra::LogError(L"Sett.Button11Click", L"SetHook failed", L"", plat::LastError());
    Terminate();
  }

  if (not_saved) std::rethrow_exception(not_saved);
}

void TVorlFolder::SetFolderMenuOpen(bool open) {
  if (open) {
    menu_open_block_ = HookBlock;
    if (menu_open_block_) menu_open_block_->MenuOpenFlag = 1;
    return;
  }
  // The block may have been replaced while the menu was open.
  if (HookBlock) HookBlock->MenuOpenFlag = 0;
  if (menu_open_block_ && menu_open_block_ != HookBlock) menu_open_block_->MenuOpenFlag = 0;
  menu_open_block_ = nullptr;
}

bool TVorlFolder::HandleAgentMessage(const plat::Msg& msg) {
  bool handled = false;
  WMHandler(msg, handled);
  return handled;
}

void TVorlFolder::SetAlwaysAddDialog(bool always) {
  ProgramSettings.AlwaysAddDialog = always;
  try {
    infra::TRegistry reg;
    if (reg.OpenKey(kSettingsKey, false)) reg.WriteInteger(L"AlwaysAddDialog", always ? 1 : 0);
  } catch (const std::exception&) {
    // the setting holds for this run
  }
}

void TVorlFolder::N211Click() {
  const std::wstring help = HelpFilePath();
  // A missing help file opens nothing (the shell would report an error).
  if (!plat::FileExists(help)) return;
  plat::ShellExecute(Handle, L"open", help, L"", L"", plat::SW_SHOWNORMAL);
}

void TVorlFolder::ReportaBug1Click() { plat::ShellExecute(0, L"", kContactPage, L"", L"", plat::SW_SHOWNORMAL); }

void TVorlFolder::OpenFolderClick() {
  const std::wstring folder = CurrentTargetFolder();
  if (folder.empty()) return;
  plat::ShellExecute(0, L"explore", folder, L"", L"", plat::SW_SHOWNORMAL);
}

void TVorlFolder::Exit1Click() { Terminate(); }

void TVorlFolder::Addfolder1Click() { store::Addfolder1Click(Handle); }

void TVorlFolder::Openconfiguration1Click() { store::OpenConfiguration(Handle, infra::ConfigurationFolder()); }

void TVorlFolder::Saveconfiguration1Click() { store::SaveConfiguration(Handle, infra::ConfigurationFolder()); }

}  // namespace agent
