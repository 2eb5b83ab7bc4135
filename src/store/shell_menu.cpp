#include "store/shell_menu.h"

#include <exception>

#include "agent/vorl_folder.h"
#include "app/qorbin.h"
#include "infra/dral_utils.h"
#include "infra/registry.h"
#include "menu/shorten_caption.h"
#include "platform/app.h"
#include "platform/atoms.h"
#include "platform/files.h"
#include "platform/shell_execute.h"
#include "platform/window.h"
#include "store/favourites.h"
#include "store/shell_extension.h"

namespace store {
namespace {

// An integer choice of the settings key; anything else leaves it on.
bool ReadChoice(infra::TRegistry& reg, const wchar_t* name) {
  if (!reg.ValueExists(name)) return true;
  try {
    return reg.ReadInteger(name) != 0;
  } catch (const std::exception&) {
    return true;
  }
}

bool ReadAlwaysAddDialog() {
  try {
    infra::TRegistry reg;
    if (!reg.OpenKeyReadOnly(kSettingsKey) || !reg.ValueExists(L"AlwaysAddDialog")) return false;
    return reg.ReadInteger(L"AlwaysAddDialog") != 0;
  } catch (const std::exception&) {
    return false;
  }
}

plat::ThreadId AgentThread() {
  const plat::Window w = AgentWindow();
  return w ? plat::GetWindowThreadProcessId(w, nullptr) : 0;
}

// Hands a text to the agent's thread as a global atom in WM_QXADDFOLDER, as a
// second start of the program does. The agent releases the atom; one that
// was never delivered is released here.
bool HandToAgent(const std::wstring& text) {
  const plat::ThreadId thread = AgentThread();
  if (thread == 0 || text.empty()) return false;
  const std::uint32_t message = plat::RegisterWindowMessageW(app::kAddFolderMessageName);
  const std::uint16_t atom = plat::GlobalAddAtomW(text);
  if (message == 0 || atom == 0) return false;
  if (plat::PostThreadMessageW(thread, message, atom, 0)) return true;
  plat::GlobalDeleteAtom(atom);
  return false;
}

bool AddOne(infra::TRegistry& reg, const std::wstring& path) {
  if (path.empty() || !IsStorablePath(path)) return false;
  if (!infra::IsSlowPath(path) && !plat::DirectoryExists(path)) return false;
  if (reg.ValueExists(path) || reg.ValueExists(path + kChildMarker)) return false;
  reg.WriteString(path, menu::ShortenPathCaption(path) + L"$" + std::to_wstring(kIconFolder));
  return true;
}

}  // namespace

TShellMenuChoices ReadShellMenuChoices() {
  TShellMenuChoices c;
  try {
    infra::TRegistry reg;
    if (!reg.OpenKeyReadOnly(kSettingsKey)) return c;
    c.ShowMainMenu = ReadChoice(reg, kShowMainMenuValue);
    c.ShowAddDelMenu = ReadChoice(reg, kShowAddDelMenuValue);
    c.ShowNewMenu = ReadChoice(reg, kShowNewMenuValue);
  } catch (const std::exception&) {}
  return c;
}

std::vector<std::wstring> SelectedFolders(const std::vector<std::wstring>& paths) {
  std::vector<std::wstring> out;
  for (const auto& p : paths) {
    if (p.empty()) continue;
    if (infra::IsSlowPath(p) || plat::DirectoryExists(p)) out.push_back(p);
  }
  return out;
}

bool IsFavouriteFolder(const std::wstring& path) {
  if (path.empty()) return false;
  try {
    infra::TRegistry reg;
    if (!reg.OpenKeyReadOnly(kPathKey)) return false;
    return reg.ValueExists(path) || reg.ValueExists(path + kChildMarker);
  } catch (const std::exception&) {
    return false;
  }
}

plat::Window AgentWindow() { return plat::FindWindowW(agent::kMainWindowClass, agent::kMainWindowCaption); }

std::vector<TShellMenuItem> ShellMenuItemsFor(const TShellSelection& selection, const TShellMenuFacts& facts) {
  std::vector<TShellMenuItem> items;
  const std::size_t n = selection.folders.size();
  if (n == 0) return items;
  if (facts.choices.ShowMainMenu) {
    TShellMenuItem item;
    item.entry = TShellEntry::ShowMenu;
    item.caption = L"Show Vorlune Folder menu";
    item.verb = kVerbShowMenu;
    item.help =
        facts.agent_running ? L"Shows the Vorlune Folder menu for this window" : L"Vorlune Folder is not running";
    item.enabled = facts.agent_running;
    items.push_back(item);
  }
  if (facts.choices.ShowAddDelMenu) {
    bool all_favourites = true, any_addable = false;
    for (std::size_t i = 0; i < n; ++i) {
      const bool fav = i < facts.favourite.size() && facts.favourite[i];
      if (!fav) all_favourites = false;
      if (!fav && i < facts.addable.size() && facts.addable[i]) any_addable = true;
    }
    TShellMenuItem item;
    if (all_favourites) {
      item.entry = TShellEntry::Remove;
      item.caption = L"Remove from Vorlune Folder";
      item.verb = kVerbRemove;
      item.help = n == 1 ? L"Removes this folder from the Vorlune Folder favourites"
                         : L"Removes these folders from the Vorlune Folder favourites";
    } else {
      item.entry = TShellEntry::Add;
      item.caption = L"Add to Vorlune Folder";
      item.verb = kVerbAdd;
      item.help = n == 1 ? L"Adds this folder to the Vorlune Folder favourites"
                         : L"Adds these folders to the Vorlune Folder favourites";
      item.enabled = any_addable;
    }
    items.push_back(item);
  }
  if (facts.choices.ShowNewMenu) {
    TShellMenuItem item;
    item.entry = TShellEntry::Open;
    item.caption = n == 1 ? L"Open folder in new window" : L"Open folders in new windows";
    item.verb = kVerbOpen;
    item.help = n == 1 ? L"Opens the folder in a new window" : L"Opens each folder in a new window";
    items.push_back(item);
  }
  return items;
}

std::vector<TShellMenuItem> ShellMenuItems(const TShellSelection& selection) {
  TShellMenuFacts facts;
  facts.choices = ReadShellMenuChoices();
  facts.agent_running = facts.choices.ShowMainMenu && AgentWindow() != 0;
  if (facts.choices.ShowAddDelMenu) {
    for (const auto& f : selection.folders) {
      const bool fav = IsFavouriteFolder(f);
      facts.favourite.push_back(fav);
      facts.addable.push_back(!fav && IsStorablePath(f));
    }
  }
  return ShellMenuItemsFor(selection, facts);
}

int ShellAddFolders(const std::vector<std::wstring>& folders) {
  // With "AlwaysAddDialog" on, the running agent asks for each title with its
  // own prompt; a folder it cannot be handed (a path longer than an atom) is
  // added here with the default title.
  const bool agent_prompts = ReadAlwaysAddDialog() && AgentWindow() != 0;
  int handed = 0, written = 0;
  try {
    infra::TDralRegistry reg;
    if (!reg.OpenKey(kPathKey, true)) return 0;
    for (const auto& f : folders) {
      if (agent_prompts && !f.empty() && IsStorablePath(f) && !reg.ValueExists(f) &&
          !reg.ValueExists(f + kChildMarker) && HandToAgent(f)) {
        ++handed;
        continue;
      }
      if (AddOne(reg, f)) ++written;
    }
  } catch (const std::exception&) {
    // A write that failed keeps what was written before it; the agent is
    // still told below.
  }
  if (written > 0) SignalStoreChanged();
  return handed + written;
}

int ShellRemoveFolders(const std::vector<std::wstring>& folders) {
  int changed = 0;
  try {
    infra::TDralRegistry reg;
    if (!reg.OpenKey(kPathKey, false)) return 0;
    for (const auto& f : folders) {
      if (f.empty()) continue;
      if (reg.ValueExists(f)) {
        reg.DeleteValue(f);
        ++changed;
      } else if (reg.ValueExists(f + kChildMarker)) {
        reg.DeleteValue(f + kChildMarker);
        ++changed;
      }
    }
  } catch (const std::exception&) {}
  if (changed > 0) SignalStoreChanged();
  return changed;
}

void SignalStoreChanged() {
  try {
    infra::TDralRegistry reg;
    if (reg.OpenKey(kSettingsKey, true)) reg.WriteInteger(kUpdateMarkerValue, 1);
  } catch (const std::exception&) {}
  HandToAgent(kUpdateArgument);
}

bool ShowAgentMenu() {
  const plat::ThreadId thread = AgentThread();
  return thread != 0 && plat::PostThreadMessageW(thread, kShowMenuThreadMessage, 0, 0);
}

void OpenFoldersInNewWindows(const std::vector<std::wstring>& folders, plat::Window owner) {
  for (const auto& f : folders) {
    if (!f.empty()) plat::ShellExecute(owner, L"explore", f, L"", L"", plat::SW_SHOWNORMAL);
  }
}

bool ShellInvoke(TShellEntry entry, const TShellSelection& selection, plat::Window owner) {
  switch (entry) {
    case TShellEntry::ShowMenu:
      return ShowAgentMenu();
    case TShellEntry::Add:
      return ShellAddFolders(selection.folders) > 0;
    case TShellEntry::Remove:
      return ShellRemoveFolders(selection.folders) > 0;
    case TShellEntry::Open:
      OpenFoldersInNewWindows(selection.folders, owner);
      return !selection.folders.empty();
  }
  return false;
}

}  // namespace store
