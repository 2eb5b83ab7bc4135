#include "targets/browse_select.h"

#include <algorithm>
#include <cwctype>
#include <optional>

#include "infra/logger.h"
#include "infra/text.h"
#include "infra/utf16.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/shell_browse.h"
#include "platform/window.h"
#include "targets/remote_tree.h"
#include "targets/target_state.h"
#include "targets/waits.h"

namespace targets {
namespace {

constexpr std::uint32_t kTimeoutMs = 200;
constexpr int kBoxBuffer = 260;
// The shell's control id of the browse dialog's folder tree.
constexpr int kShellTreeId = 0x3741;
// A tree that fills an expanded item's children a moment later (from a
// background enumeration) is given this long.
constexpr std::uint32_t kFillMs = 500;
// How long a dialog told to select a path may take to show it selected: it
// selects while it handles the message, opening the items on the way (reading
// the folders and their icons); one that is still at work when the message
// times out gets kSelectMs, one that answered only kSettleMs.
constexpr std::uint32_t kSelectMs = 2000;
constexpr std::uint32_t kSettleMs = 100;
constexpr std::uint32_t kPollMs = 20;
// Limits of the search for the drive's item: items expanded, siblings read.
constexpr int kSearchExpansions = 12;
constexpr int kMaxSiblings = 4096;
constexpr const wchar_t* kLog = L"SelectInBrowseDialog";

using Item = RemoteTree::Item;

std::optional<std::wstring> ReadBox(plat::Window box) {
  std::wstring text;
  if (!plat::SendMessageTimeoutGetText(box, kBoxBuffer, &text, plat::SMTO_NORMAL, kTimeoutMs)) return std::nullopt;
  return text;
}

bool PutInBox(plat::Window box, const std::wstring& text) {
  return plat::SendMessageTimeoutSetText(box, text, plat::SMTO_NORMAL, kTimeoutMs, nullptr);
}

std::wstring ItemTextOf(RemoteTree& tree, Item item) {
  auto t = tree.Text(item);
  return t ? t->text : L"";
}

// The item's children, the tree asked to fill them first when it shows none.
// fn(child, text) returns true to stop; the child it stopped at, else 0.
template <class Fn>
Item EachChild(RemoteTree& tree, Item item, Fn fn) {
  Item child = tree.Child(item);
  if (!child && !tree.GaveUp()) {
    tree.Expand(item);
    WaitUntil(kFillMs, kPollMs, [&] { return tree.GaveUp() || (child = tree.Child(item)) != 0; });
  }
  for (int n = 0; child && n < kMaxSiblings && !tree.GaveUp(); ++n) {
    auto t = tree.Text(child);
    if (t && fn(child, *t)) return child;
    child = tree.NextSibling(child);
  }
  return 0;
}

// The drive's item. The items above the dialog's selection are tried first
// (the selection usually lies on a drive, whose siblings are the other
// drives); then the tree from its roots down to two levels below them
// (Desktop > Computer > drives), expanding as few items as it can.
Item FindDriveItem(RemoteTree& tree, const std::wstring& drive) {
  Item item = tree.Caret();
  for (int depth = 0; item && depth < 64 && !tree.GaveUp(); ++depth) {
    const std::wstring text = ItemTextOf(tree, item);
    if (IsDriveItemText(text, drive)) return item;
    if (IsDriveItemText(text, L"")) {
      const Item parent = tree.Parent(item);
      if (!parent) break;
      return EachChild(tree, parent,
                       [&](Item, const RemoteTree::ItemText& t) { return IsDriveItemText(t.text, drive); });
    }
    item = tree.Parent(item);
  }
  std::vector<Item> level;
  for (Item root = tree.Root(); root && static_cast<int>(level.size()) < kMaxSiblings && !tree.GaveUp();
       root = tree.NextSibling(root))
    level.push_back(root);
  int expansions = 0;
  for (int depth = 0; depth < 3 && !level.empty() && !tree.GaveUp(); ++depth) {
    std::vector<std::pair<Item, bool>> parents;
    for (Item i : level) {
      auto t = tree.Text(i);
      if (!t) continue;
      if (IsDriveItemText(t->text, drive)) return i;
      if (t->has_children) parents.emplace_back(i, true);
    }
    std::vector<Item> next;
    for (const auto& p : parents) {
      if (expansions++ >= kSearchExpansions) break;
      EachChild(tree, p.first, [&](Item c, const RemoteTree::ItemText&) {
        next.push_back(c);
        return false;
      });
    }
    level = std::move(next);
  }
  return 0;
}

// Whether the tree's selection is the folder: its item and the ones above it
// carry the folder's names, up to the drive.
bool CaretIsFolder(RemoteTree& tree, const std::vector<std::wstring>& steps) {
  if (steps.empty()) return false;
  Item item = tree.Caret();
  for (size_t i = steps.size(); i-- > 1;) {
    if (!item || !infra::SameText(ItemTextOf(tree, item), steps[i])) return false;
    item = tree.Parent(item);
  }
  return item && IsDriveItemText(ItemTextOf(tree, item), steps[0]);
}

// Walks the tree from the drive down to the folder, item by item, and selects
// it. On failure the reason goes to `reasons`.
bool WalkTree(plat::Window tree_window, const std::vector<std::wstring>& steps, std::vector<std::wstring>& reasons) {
  if (steps.empty()) {
    reasons.push_back(L"no folder tree shows a network or relative path");
    return false;
  }
  RemoteTree tree(tree_window);
  if (!tree.Ready()) {
    reasons.push_back(tree.Failure());
    return false;
  }
  Item item = FindDriveItem(tree, steps[0]);
  std::wstring shown = steps[0];
  if (!item) {
    reasons.push_back(tree.Silent() ? L"the tree does not answer" : L"the tree has no item for the drive " + shown);
    return false;
  }
  for (size_t i = 1; i < steps.size(); ++i) {
    const std::wstring& name = steps[i];
    item = EachChild(tree, item, [&](Item, const RemoteTree::ItemText& t) { return infra::SameText(t.text, name); });
    if (!item) {
      if (tree.Silent()) {
        reasons.emplace_back(L"the tree does not answer");
      } else {
        std::wstring reason = L"the tree has no item \"";
        reason += name;
        reason += L"\" below ";
        reason += shown;
        reasons.push_back(std::move(reason));
      }
      return false;
    }
    shown += L'\\';
    shown += name;
  }
  if (!tree.Select(item) || tree.Caret() != item) {
    reasons.push_back(L"the tree did not select " + shown);
    return false;
  }
  return true;
}

enum class Told { No, Answered, Busy };

// BFFM_SETSELECTIONW with the path in the dialog's process.
Told TellDialogToSelect(plat::Window dialog, const std::wstring& path, std::vector<std::wstring>& reasons) {
  plat::OwnedProcess process(OpenWindowProcess(dialog));
  if (!process) {
    reasons.push_back(L"the dialog's process can't be opened (error " + std::to_wstring(plat::LastError()) + L")");
    return Told::No;
  }
  std::string bytes = infra::ToUtf16Le(path);
  bytes.append(2, '\0');
  RemoteBlock block(process.get(), bytes.size());
  if (!block || !block.Write(0, bytes.data(), bytes.size())) {
    reasons.push_back(L"no memory in the dialog's process (error " + std::to_wstring(plat::LastError()) + L")");
    return Told::No;
  }
  if (!plat::SendMessageTimeout(dialog, plat::BFFM_SETSELECTIONW, 1, static_cast<plat::LParam>(block.Address()),
                                plat::SMTO_NORMAL, kTimeoutMs, nullptr)) {
    if (plat::LastError() != plat::ERROR_TIMEOUT) {
      reasons.push_back(L"the dialog is gone");
      return Told::No;
    }
    // Busy opening the items on the way, or hung: the dialog may still read
    // the path when it gets to the message, so the block stays; the caller
    // watches the selection for a while.
    block.Keep();
    return Told::Busy;
  }
  return Told::Answered;
}

std::wstring Joined(const std::vector<std::wstring>& reasons) {
  std::wstring out;
  for (const auto& r : reasons) out += (out.empty() ? L"" : L"; ") + r;
  return out;
}

}  // namespace

plat::Window FindBrowseTree(plat::Window dialog) {
  if (plat::Window tree = plat::FindWindowEx(dialog, 0, L"SysTreeView32")) return tree;
  if (plat::Window ns = plat::FindWindowEx(dialog, 0, L"SHBrowseForFolder ShellNameSpace Control"))
    return plat::FindWindowEx(ns, 0, L"SysTreeView32");
  return 0;
}

plat::Window FindBrowseEdit(plat::Window dialog) {
  for (plat::Window e = plat::FindWindowEx(dialog, 0, L"Edit"); e; e = plat::FindWindowEx(dialog, e, L"Edit"))
    if (plat::IsWindowVisible(e)) return e;
  return 0;
}

bool IsShellBrowseDialog(plat::Window dialog) {
  if (plat::FindWindowEx(dialog, 0, L"SHBrowseForFolder ShellNameSpace Control")) return true;
  const plat::Window tree = plat::FindWindowEx(dialog, 0, L"SysTreeView32");
  return tree && plat::GetDlgCtrlID(tree) == kShellTreeId;
}

std::vector<std::wstring> FolderTreeSteps(const std::wstring& path) {
  std::wstring p = path;
  if (p.rfind(L"\\\\?\\", 0) == 0) p = p.substr(4);
  if (p.size() < 2 || p[1] != L':' || !std::iswalpha(p[0])) return {};
  if (p.size() > 2 && p[2] != L'\\') return {};  // "C:name" is relative to the drive's current folder
  std::vector<std::wstring> steps{std::wstring(1, static_cast<wchar_t>(std::towupper(p[0]))) + L":"};
  size_t at = 3;
  while (at < p.size()) {
    size_t end = p.find(L'\\', at);
    if (end == std::wstring::npos) end = p.size();
    std::wstring name = p.substr(at, end - at);
    if (name == L"." || name == L"..") return {};
    if (!name.empty()) steps.push_back(name);
    at = end + 1;
  }
  return steps;
}

bool IsDriveItemText(const std::wstring& text, const std::wstring& drive) {
  auto letter_at = [&](size_t i) {
    if (i >= text.size() || !std::iswalpha(text[i])) return false;
    return drive.empty() || std::towupper(text[i]) == std::towupper(drive[0]);
  };
  // "C:" or "C:\" alone.
  if ((text.size() == 2 || (text.size() == 3 && text[2] == L'\\')) && text[1] == L':' && letter_at(0)) return true;
  // "(C:)" anywhere: "Local Disk (C:)", "System (C:)".
  for (size_t i = text.find(L'('); i != std::wstring::npos; i = text.find(L'(', i + 1))
    if (i + 3 < text.size() && text[i + 2] == L':' && text[i + 3] == L')' && letter_at(i + 1)) return true;
  return false;
}

bool SelectInBrowseDialog(plat::Window dialog, const std::wstring& path) {
  infra::LogMessage(kLog, L"Hwnd=" + HandleText(dialog) + L", Path=" + path);
  std::vector<std::wstring> reasons;
  if (!plat::DirectoryExists(path)) {
    infra::LogMessage(kLog, L"not selected: no such folder");
    return false;
  }
  const std::vector<std::wstring> steps = FolderTreeSteps(path);
  const plat::Window tree = FindBrowseTree(dialog);
  const plat::Window edit = FindBrowseEdit(dialog);
  const bool shell = IsShellBrowseDialog(dialog);

  // 1. The edit box: the path typed in, and the shell's dialog told to take it.
  std::optional<std::wstring> typed_over;
  if (edit && shell) {
    typed_over = ReadBox(edit);
    if (!typed_over || !PutInBox(edit, path)) {
      reasons.push_back(L"the edit box does not answer");
    } else if (const Told told = TellDialogToSelect(dialog, path, reasons); told != Told::No) {
      if (!tree) {
        infra::LogMessage(kLog, L"selected through its edit box (the dialog shows no tree to check)");
        return true;
      }
      RemoteTree check(tree);
      if (check.Ready() &&
          WaitUntil(told == Told::Busy ? kSelectMs : kSettleMs, kPollMs,
                    [&] { return check.GaveUp() || CaretIsFolder(check, steps); }) &&
          !check.GaveUp()) {
        infra::LogMessage(kLog, L"selected through its edit box");
        return true;
      }
      reasons.push_back(!check.Ready()   ? check.Failure()
                        : check.GaveUp() ? L"the dialog does not answer"
                                         : L"the dialog did not select the path of its edit box");
    }
  } else if (!edit) {
    reasons.push_back(L"no edit box");
  }

  // 2. The tree, item by item.
  if (tree) {
    if (WalkTree(tree, steps, reasons)) {
      infra::LogMessage(kLog,
                        L"selected in its folder tree" + (reasons.empty() ? L"" : L" (" + Joined(reasons) + L")"));
      return true;
    }
  } else {
    reasons.push_back(L"no folder tree");
  }

  // 3. A program's own dialog: its edit box is what its OK reads.
  if (edit && !shell) {
    if (PutInBox(edit, path) && ReadBox(edit).value_or(L"") == path.substr(0, kBoxBuffer - 1)) {
      infra::LogMessage(kLog, L"the path stands in its edit box");
      return true;
    }
    reasons.push_back(L"the edit box does not take the path");
  }
  // The shell's dialog would take a typed path on OK: the box gets back what
  // it held, so the dialog is left as it was.
  if (typed_over) PutInBox(edit, *typed_over);
  infra::LogMessage(kLog, L"not selected: " + Joined(reasons));
  return false;
}

}  // namespace targets
