// AgentServices: what the folder menu and the agent's dialogs may ask of the
// agent. The agent's main form (TVorlFolder) is the one implementation: it
// passes itself down when it builds or shows a menu and when it creates a
// dialog, so nothing in menu/ or ui/ reaches the form or its state (settings,
// hook block, hot key, main window) directly. Everything runs on the agent's
// UI thread.
#pragma once
#include <string>

#include "agent/program_settings.h"
#include "platform/app.h"
#include "platform/menu.h"
#include "platform/types.h"

namespace agent {

// What the options dialog's OK and Apply hand to the agent: every setting as
// the dialog shows it, and whether the agent starts with Windows.
struct TOptionsChoice {
  TProgramSettings settings;
  bool autostart = false;
};

class AgentServices {
 public:
  // The settings in force.
  virtual const TProgramSettings& Settings() const = 0;
  // The agent's hidden main window: the owner of its popups and dialogs.
  virtual plat::Window OwnerWindow() const = 0;
  // The help file beside the program.
  virtual std::wstring HelpFilePath() const = 0;
  // The folder menu as last built.
  virtual plat::Menu& FolderMenu() = 0;
  // Builds the favourites part of the folder menu if a build is pending.
  virtual void BuildPendingFavouritesMenu() = 0;
  // Rebuilds the recent submenus (files, folders or both) and their icons
  // from the recent lists.
  virtual void BuildRecentMenus(bool files, bool folders) = 0;
  // Tells the hook library that the folder menu is open (or closed again), so
  // it sends no new gesture meanwhile.
  virtual void SetFolderMenuOpen(bool open) = 0;
  // A message that a modal dialog's loop took from the queue goes to the
  // agent's handlers first; true when one of them handled it.
  virtual bool HandleAgentMessage(const plat::Msg& msg) = 0;
  // The add-item prompt's "Always show this dialog", kept for this run and
  // stored when the settings key can be written.
  virtual void SetAlwaysAddDialog(bool always) = 0;
  // The options dialog's OK and Apply: the new settings take effect (the
  // shell extension, the recent lists, the tray icon, the hot key, autostart,
  // the recent submenus, the hook) and are stored. When they cannot be stored
  // everything else still takes effect, then ESettingsNotSaved is raised.
  virtual void ApplyOptions(const TOptionsChoice& choice) = 0;

 protected:
  ~AgentServices() = default;
};

}  // namespace agent
