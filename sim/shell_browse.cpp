#include <map>
#include <mutex>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/shell_browse.h"
#include "sim/sim_shell_browse.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"

namespace sim {
namespace {
struct BrowseState {
  std::recursive_mutex lock;
  BrowseScript script;
  bool allocator = true;
  BrowseRecord last;
  std::map<plat::ItemId, std::wstring> items;
  plat::ItemId next = 0x5000;
  const plat::BrowseCallback* callback = nullptr;
  plat::Window dialog = 0;
};
BrowseState& S() {
  static BrowseState s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().script = {};
  S().allocator = true;
  S().last = {};
  S().items.clear();
  S().callback = nullptr;
  S().dialog = 0;
});

plat::ItemId NewItem(const std::wstring& path) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  plat::ItemId id = S().next++;
  S().items[id] = path;
  return id;
}

void RecordEdit(plat::Window dialog) {
  plat::Window edit = plat::FindWindowEx(dialog, 0, L"Edit");
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().last.edit_texts.push_back(edit ? Text(edit) : L"<no edit box>");
}

// The user (or BFFM_SETSELECTIONW) selects an item: the callback hears of it.
void Select(plat::Window dialog, const std::wstring& what) {
  const plat::BrowseCallback* cb;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().last.selected = what;
    cb = S().callback;
  }
  plat::ItemId item = NewItem(what == kVirtualItem ? L"" : what);
  if (cb && *cb) (*cb)(dialog, plat::BFFM_SELCHANGED, item);
  plat::FreeItemId(item);
}
}  // namespace

void SetBrowseScript(const BrowseScript& script) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().script = script;
}

void SetShellAllocatorAvailable(bool available) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().allocator = available;
}

BrowseRecord LastBrowse() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return S().last;
}

int LiveItemIds() {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return static_cast<int>(S().items.size());
}
}  // namespace sim

namespace plat {

void InitializeShellDialogThread() {}

bool ShellAllocatorAvailable() {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  return sim::S().allocator;
}

ItemId SHBrowseForFolder(Window owner, std::uint32_t flags, const BrowseCallback& callback) {
  sim::BrowseScript script;
  {
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    script = sim::S().script;
    sim::S().last = {};
    sim::S().last.shown = true;
    sim::S().last.owner = owner;
    sim::S().last.flags = flags;
    sim::S().callback = &callback;
  }
  sim::WindowSpec ws;
  ws.class_name = L"#32770";
  ws.text = L"Browse For Folder";
  ws.owner = owner;
  ws.style = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
  ws.thread = CurrentThreadId();
  Window dialog = sim::CreateWindow(ws);
  if (flags & BIF_EDITBOX) sim::AddChild(dialog, L"Edit");
  sim::AddChild(dialog, L"SHBrowseForFolder ShellNameSpace Control");
  sim::AddChild(dialog, L"Button", L"OK");
  sim::AddChild(dialog, L"Button", L"Cancel");
  {
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    sim::S().dialog = dialog;
  }
  if (callback) callback(dialog, BFFM_INITIALIZED, 0);
  sim::RecordEdit(dialog);
  for (const auto& s : script.selections) {
    sim::Select(dialog, s);
    sim::RecordEdit(dialog);
  }
  std::wstring selected;
  {
    std::lock_guard<std::recursive_mutex> g(sim::S().lock);
    selected = sim::S().last.selected;
    sim::S().callback = nullptr;
    sim::S().dialog = 0;
  }
  sim::DestroyWindow(dialog);
  // OK is disabled while the selection has no file-system path.
  if (!script.press_ok || selected.empty() || selected == sim::kVirtualItem) return 0;
  return sim::NewItem(selected);
}

bool SHGetPathFromIDList(ItemId item, std::wstring* path) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  auto it = sim::S().items.find(item);
  bool ok = it != sim::S().items.end() && !it->second.empty();
  if (path) *path = ok ? it->second : L"";
  return ok;
}

void FreeItemId(ItemId item) {
  std::lock_guard<std::recursive_mutex> g(sim::S().lock);
  sim::S().items.erase(item);
}

void BrowseSetSelection(Window dialog, const std::wstring& path) {
  // The shell selects the folder when it exists, and says so to the callback.
  if (!DirectoryExists(path)) return;
  sim::Select(dialog, path);
}

}  // namespace plat
