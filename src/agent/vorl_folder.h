// TVorlFolder: the agent's hidden main form. It owns the process-wide state of
// the agent (settings, the store's lists, the menus, the current target, the
// hook block) for the life of the process, and runs everything on the UI
// thread: the 50 ms poll of the hook block (Timer4), the thread messages of
// other processes, the hot key, the tray icon and the tray menu.
//
// The folder menu and the dialogs see the form only as AgentServices, which it
// passes down to them (agent_services.h); no other unit reaches it. The
// agent's UI thread and the current target of the folder menu live in
// targets/target_state.h.
#pragma once
#include <stdexcept>
#include <cstdint>
#include <string>
#include <vector>

#include "agent/agent_services.h"
#include "agent/hook_block.h"
#include "agent/program_settings.h"
#include "platform/app.h"
#include "platform/menu.h"
#include "platform/types.h"
#include "store/recent_scan.h"
#include "store/favourites.h"
#include "targets/follow_explorer.h"
#include "targets/target_kind.h"

namespace agent {

inline constexpr wchar_t kMainWindowClass[] = L"TVorlFolder";
inline constexpr wchar_t kMainWindowCaption[] = L"Vorlune Folder 1.X";
inline constexpr wchar_t kApplicationTitle[] = L"Vorlune Folder";
inline constexpr wchar_t kHelpFileName[] = L"qorbin.chm";

// Messages the agent accepts from any process when they are posted to its UI
// thread or its main window.
inline constexpr std::uint32_t WM_QXTRAYMENU = plat::WM_USER + 123;    // 0x047B: the tray menu
inline constexpr std::uint32_t WM_QXFOLDERMENU = plat::WM_USER + 124;  // 0x047C: the folder menu
inline constexpr std::uint32_t WM_QXOPTIONS = plat::WM_USER + 125;     // 0x047D: the options dialog
// The fault probe of test runs: only when the environment variable
// kFaultProbeVariable is "1" at start does the agent answer this message
// (posted to its thread, or sent to its window), with an access violation
// inside its handler; otherwise the message means nothing.
inline constexpr std::uint32_t WM_QXFAULTPROBE = plat::WM_USER + 126;  // 0x047E
inline constexpr wchar_t kFaultProbeVariable[] = L"QORBIN_FAULT_PROBE";
// The tray icon's mouse events.
inline constexpr std::uint32_t WM_TRAYICON = plat::WM_APP + 1;
// Posted by the agent to its own window: build the favourites part of the
// folder menu if a build is pending (from anyone else it does nothing more).
inline constexpr std::uint32_t WM_QXBUILDMENU = plat::WM_APP + 2;

// The registered numbers of the hook messages (RegisterWindowMessageW of the
// texts "... by Vorlune Folder").
struct THookMessages {
  std::uint32_t WM_NEWFORM = 0;
  std::uint32_t WM_QXREXPLORER = 0;
  std::uint32_t WM_WHEELMOUSE = 0;
  std::uint32_t WM_QXHELP = 0;
  std::uint32_t WM_QXRBUTTON = 0;
  std::uint32_t WM_QXMBUTTON = 0;
  std::uint32_t WM_QXKEYDOWN = 0;
  std::uint32_t WM_QXMDESKTOP = 0;
  std::uint32_t WM_QXMEXPLORER = 0;
  std::uint32_t WM_QXMDIALOG = 0;
  std::uint32_t WM_QXNEWM = 0;
  std::uint32_t WM_QXMBROWSE = 0;
  // The hook library's wake-up after it wrote a record (kHookWakeMessageName).
  std::uint32_t WM_QXWAKEUP = 0;
};

// Registers the twelve hook messages, in their fixed order, then the wake-up.
THookMessages RegisterHookMessages();

class TVorlFolder final : public AgentServices {
 public:
  // Timer identifiers on the main window.
  static constexpr std::uint64_t kTimer1Id = 1;  // 300 ms, the Recent folder rescan
  static constexpr std::uint64_t kTimer4Id = 4;  // 50 ms, the hook block poll
  static constexpr std::uint32_t kTimer1Interval = 300;
  static constexpr std::uint32_t kTimer4Interval = 50;
  static constexpr std::uint32_t kHeartbeatLimit = 5000;
  // A record made after a menu closed may carry a time this far ahead of the
  // agent's tick; a slot left "being written" this long is taken back.
  static constexpr std::uint32_t kRecordAheadMs = 1000;
  static constexpr std::uint32_t kStuckSlotMs = 1000;
  // The one identifier of the agent's global hot key.
  static constexpr int HotKeyId = 0;
  static constexpr std::uint32_t kTrayIconId = 1;

  // start_argument: the folder from the command line (may be empty);
  // wm_qxaddfolder: the number the program entry registered.
  TVorlFolder(std::wstring start_argument, std::uint32_t wm_qxaddfolder);
  ~TVorlFolder();
  TVorlFolder(const TVorlFolder&) = delete;
  TVorlFolder& operator=(const TVorlFolder&) = delete;

  // Lifecycle.
  void FormCreate();
  void FormShow();
  void FormDestroy();  // runs once; later calls do nothing

  // Asks the application to end: the message loop stops before its next
  // message (Application.Terminate).
  void Terminate();
  bool Terminated() const { return terminated_; }
  // The message loop: runs until Terminate or WM_QUIT.
  void Run();
  // One message taken from the queue: the application hook, then dispatch.
  void ProcessMessage(const plat::Msg& msg);
  // Handles every waiting message without waiting (Application.ProcessMessages).
  void ProcessMessages();

  // Hook messages and dispatcher.
  void Timer4Timer();
  void DispatchHookSlot(const HookMessageSlot& slot);
  void WMHandler(const plat::Msg& msg, bool& handled);
  void ShowTrayMenu();
  // The fault probe: logs "begin", reads address 0, and logs "unwound" from
  // a destructor as the fault's exception leaves.
  void FaultProbe();

  // The favourites part of the folder menu: the store asks for a build; it
  // runs once the messages already waiting are handled (many changes in a row,
  // one build), or at once when the menu is about to be shown.
  void RequestFavouritesMenu();
  void BuildPendingFavouritesMenu() override;

  // Tray and window events.
  void TrayIconClick();
  void WMGetSysCommand(std::uint64_t command);

  // Commands of the tray menu and the folder menu.
  void Settings1Click();
  void N121Click();
  // "Options..." and "About...": the options dialog on a page; when it shows
  // already it comes to the front on that page.
  void ShowOptionsDialog(int page, bool turn_page_when_showing);
  // Shows or hides the tray icon.
  void ShowTrayIcon(bool show);
  void N211Click();
  void ReportaBug1Click();
  void OpenFolderClick();
  void Clear1Click();  // "Clear" in the recent submenus
  void Exit1Click();
  void Addfolder1Click();
  void Openconfiguration1Click();
  void Saveconfiguration1Click();

  // Timer1: the 300 ms one-shot rescan of the Recent folder.
  void SetTimer1Enabled(bool enabled);
  bool Timer1Enabled = false;

  // The recent lists (vorl_folder_recent.cpp): the start-up scan and watch,
  // the watcher's callback, the rescan, and the recent submenus with Lst.
  void ScanRecentAtStart();
  void StopRecentWatch();
  void RecentChanged();
  void Timer1Timer();
  void BuildRecentMenus(bool files, bool folders) override;
  store::TRecentScanSettings RecentScanSettings() const;

  // The folder that the current target window shows; empty when it cannot
  // be read.
  std::wstring CurrentTargetFolder();

  // What the folder menu and the dialogs ask of the agent (agent_services.h).
  const TProgramSettings& Settings() const override { return ProgramSettings; }
  plat::Window OwnerWindow() const override { return Handle; }
  std::wstring HelpFilePath() const override { return ProgramFolder() + kHelpFileName; }
  plat::Menu& FolderMenu() override { return PopupMenu2; }
  void SetFolderMenuOpen(bool open) override;
  bool HandleAgentMessage(const plat::Msg& msg) override;
  void SetAlwaysAddDialog(bool always) override;
  void ApplyOptions(const TOptionsChoice& choice) override;

  // The program's folder with a trailing backslash.
  static std::wstring ProgramFolder();

  // --- process-wide state owned by the form ---
  TProgramSettings ProgramSettings;
  THookMessages HookMessages;
  std::uint32_t WM_QXADDFOLDER = 0;
  std::wstring StartArgument;
  plat::Window Handle = 0;               // the hidden main window
  HookSharedBlock* HookBlock = nullptr;  // from SetHook; null without a hook
  bool FirstRun = false;                 // the settings key was missing at start
  std::wstring RecentFolderPath;
  plat::Menu PopupMenu1;  // the tray menu
  plat::Menu PopupMenu2;  // the folder menu
  // The favourites and filters store, mirrored from the registry in stored
  // order: the store's process-wide lists (store/favourites.h).
  std::vector<std::wstring>& FavouriteNames = store::FavouriteNames;
  std::vector<std::wstring>& FavouriteValues = store::FavouriteValues;
  std::vector<std::wstring>& FilterMasks = store::FilterMasks;
  std::vector<std::wstring>& FilterNames = store::FilterNames;
  bool TrayIconVisible = false;
  // Follow Explorer: switches new file dialogs of other programs to the
  // folder of the latest Explorer window while the setting is on.
  targets::TFollowExplorer FollowExplorer{0};
  bool HotKeyRegistered = false;

 private:
  std::optional<std::int64_t> WindowProc(std::uint32_t message, std::uint64_t wparam, std::int64_t lparam);
  void BuildTrayMenu();
  void ReadSettingsOrSeedDefaults();
  void AllowMessagesFromOtherProcesses();
  void ShowMenuForForeground(bool by_key = false);
  // After a menu closed: the requests for menus that waited in the queue
  // while it was open are dropped (one log line).
  void DropMenuRequestsAsked();
  // Whether a hook record is still a click to answer (one log line if not).
  bool RecordCurrent(const HookMessageSlot& slot, std::uint32_t closed_at_pass_begin);

  std::uint32_t wm_taskbar_created_ = 0;
  bool created_ = false;
  bool destroyed_ = false;
  bool terminated_ = false;
  bool timer4_busy_ = false;
  std::uint32_t stuck_since_[kHookSlotCount] = {};  // tick a slot was first seen "being written", 0 = not
  bool favourites_menu_pending_ = false;
  bool fault_probe_ = false;                       // kFaultProbeVariable was "1" at start
  std::uint64_t recent_icons_generation_ = ~0ull;  // of the icons last given to Lst
  HookSharedBlock* menu_open_block_ = nullptr;     // the block told that the folder menu is open
};

}  // namespace agent
