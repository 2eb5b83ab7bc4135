#include <algorithm>
#include <cstring>
#include <cwctype>
#include <map>
#include <memory>
#include <mutex>

#include "infra/utf16.h"
#include "platform/process_memory.h"
#include "platform/shell_browse.h"
#include "platform/window.h"
#include "sim/sim_browse_dialog.h"
#include "sim/sim_clock.h"
#include "sim/sim_process_memory.h"
#include "sim/sim_window.h"
#include "sim/sim_world.h"

namespace sim {
namespace {

constexpr int kShellTreeId = 0x3741;
constexpr int kEditId = 0x3745;
constexpr plat::LResult kItemBase = 0xB000;

struct Node {
  std::wstring text;
  std::wstring path;
  int parent = -1;
  std::vector<int> spec_children;  // what expanding fills in
  bool filled = false;             // the children are items of the tree
  bool expanded = false;
};

struct Dialog {
  BrowseDialogSpec spec;
  BrowseDialog windows;
  std::vector<Node> nodes;
  std::vector<int> roots;
  int caret = -1;
  std::vector<std::wstring> selections;
  int fills = 0;
  int bad_pointers = 0;
  int set_selections = 0;
};

struct State {
  std::recursive_mutex lock;
  std::map<plat::Window, std::shared_ptr<Dialog>> dialogs;
};
State& S() {
  static State s;
  return s;
}
const bool kReset = RegisterReset([] {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  S().dialogs.clear();
});

std::shared_ptr<Dialog> Of(plat::Window dialog) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  auto it = S().dialogs.find(dialog);
  return it == S().dialogs.end() ? nullptr : it->second;
}

int Add(Dialog& d, const TreeNodeSpec& spec, int parent) {
  const int index = static_cast<int>(d.nodes.size());
  d.nodes.push_back({spec.text, spec.path, parent, {}, false, false});
  for (const auto& c : spec.children) {
    const int child = Add(d, c, index);
    d.nodes[static_cast<size_t>(index)].spec_children.push_back(child);
  }
  return index;
}

plat::LResult Handle(int node) { return node < 0 ? 0 : kItemBase + node; }
int NodeOf(const Dialog& d, std::uint64_t handle) {
  if (handle < static_cast<std::uint64_t>(kItemBase)) return -1;
  const std::uint64_t i = handle - static_cast<std::uint64_t>(kItemBase);
  return i < d.nodes.size() ? static_cast<int>(i) : -1;
}

// The items a node shows as children (none until filled).
const std::vector<int>& Shown(const Dialog& d, int node) {
  static const std::vector<int> none;
  const Node& n = d.nodes[static_cast<size_t>(node)];
  return n.filled ? n.spec_children : none;
}

void Fill(Dialog& d, int node) {
  Node& n = d.nodes[static_cast<size_t>(node)];
  if (n.filled) return;
  n.filled = true;
  d.fills++;
}

// Expands the node: the dialog fills its children, at once or after the
// model's fill_delay_ms.
void Expand(const std::shared_ptr<Dialog>& d, int node) {
  d->nodes[static_cast<size_t>(node)].expanded = true;
  if (d->nodes[static_cast<size_t>(node)].filled) return;
  if (d->spec.fill_delay_ms == 0) {
    Fill(*d, node);
    return;
  }
  std::weak_ptr<Dialog> weak = d;
  At(Now() + d->spec.fill_delay_ms, [weak, node] {
    if (auto dd = weak.lock()) {
      std::lock_guard<std::recursive_mutex> g(S().lock);
      Fill(*dd, node);
    }
  });
}

void Select(const std::shared_ptr<Dialog>& d, int node) {
  for (int p = d->nodes[static_cast<size_t>(node)].parent; p >= 0; p = d->nodes[static_cast<size_t>(p)].parent)
    d->nodes[static_cast<size_t>(p)].expanded = true;
  d->caret = node;
  d->selections.push_back(d->nodes[static_cast<size_t>(node)].path);
  if (d->windows.edit) SetText(d->windows.edit, d->nodes[static_cast<size_t>(node)].text);
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  auto trim = [](std::wstring s) {
    while (s.size() > 3 && s.back() == L'\\') s.pop_back();
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
  };
  return !a.empty() && trim(a) == trim(b);
}

bool Below(const std::wstring& folder, const std::wstring& path) {
  if (folder.empty()) return true;  // Desktop, Computer: everything lies below them
  std::wstring f = folder;
  if (f.back() != L'\\') f += L'\\';
  if (path.size() < f.size()) return false;
  std::wstring head = path.substr(0, f.size());
  for (auto& c : head) c = static_cast<wchar_t>(std::towlower(c));
  for (auto& c : f) c = static_cast<wchar_t>(std::towlower(c));
  return head == f;
}

// The node for the path, its ancestors filled and expanded on the way (as
// the shell's dialog does for BFFM_SETSELECTIONW); -1 when there is none.
int Reveal(Dialog& d, const std::wstring& path) {
  std::vector<int> level = d.roots;
  for (int guard = 0; guard < 64; ++guard) {
    int next = -1;
    for (int i : level) {
      const Node& n = d.nodes[static_cast<size_t>(i)];
      if (SamePath(n.path, path)) return i;
      if (next < 0 && !n.spec_children.empty() && Below(n.path, path)) {
        // A virtual item leads on only when the path lies under one of its children.
        if (!n.path.empty() || std::any_of(n.spec_children.begin(), n.spec_children.end(), [&](int c) {
              const Node& cn = d.nodes[static_cast<size_t>(c)];
              return cn.path.empty() || SamePath(cn.path, path) || Below(cn.path, path);
            }))
          next = i;
      }
    }
    if (next < 0) return -1;
    Fill(d, next);
    d.nodes[static_cast<size_t>(next)].expanded = true;
    level = d.nodes[static_cast<size_t>(next)].spec_children;
  }
  return -1;
}

std::uint32_t ProcessOf(plat::Window w) {
  std::uint32_t pid = 0;
  plat::GetWindowThreadProcessId(w, &pid);
  return pid;
}

template <class T>
T Field(const std::vector<std::uint8_t>& b, size_t at) {
  T v{};
  std::memcpy(&v, b.data() + at, sizeof v);
  return v;
}

plat::LResult GetItem(const std::shared_ptr<Dialog>& d, plat::Window tree, plat::LParam address) {
  const std::uint32_t pid = ProcessOf(tree);
  const bool wow64 = ProcessWow64(pid);
  const size_t size = wow64 ? 40 : 56;
  std::vector<std::uint8_t> item;
  if (!ReadBytes(pid, static_cast<plat::RemoteAddress>(address), size, &item)) {
    d->bad_pointers++;
    return 0;
  }
  const auto mask = Field<std::uint32_t>(item, 0);
  const std::uint64_t handle = wow64 ? Field<std::uint32_t>(item, 4) : Field<std::uint64_t>(item, 8);
  const int node = NodeOf(*d, handle);
  if (node < 0) return 0;
  const Node& n = d->nodes[static_cast<size_t>(node)];
  if (mask & plat::TVIF_TEXT) {
    const std::uint64_t text_at = wow64 ? Field<std::uint32_t>(item, 16) : Field<std::uint64_t>(item, 24);
    const auto chars = Field<std::int32_t>(item, wow64 ? 20 : 32);
    if (chars > 0) {
      std::string bytes = infra::ToUtf16Le(n.text.substr(0, static_cast<size_t>(chars - 1)));
      bytes.append(2, '\0');
      if (!WriteBytes(pid, text_at, std::vector<std::uint8_t>(bytes.begin(), bytes.end()))) {
        d->bad_pointers++;
        return 0;
      }
    }
  }
  if (mask & plat::TVIF_CHILDREN) {
    const std::int32_t children = n.spec_children.empty() ? 0 : 1;
    std::vector<std::uint8_t> field(4);
    std::memcpy(field.data(), &children, 4);
    WriteBytes(pid, static_cast<plat::RemoteAddress>(address) + (wow64 ? 32 : 44), field);
  }
  return 1;
}

plat::LResult TreeProc(const std::shared_ptr<Dialog>& d, plat::Window w, Msg& m) {
  std::lock_guard<std::recursive_mutex> g(S().lock);
  switch (m.msg) {
    case plat::TVM_GETNEXTITEM: {
      const int node = NodeOf(*d, static_cast<std::uint64_t>(m.lparam));
      switch (m.wparam) {
        case plat::TVGN_ROOT:
          return d->roots.empty() ? 0 : Handle(d->roots.front());
        case plat::TVGN_CARET:
          return Handle(d->caret);
        case plat::TVGN_CHILD:
          return node < 0 || Shown(*d, node).empty() ? 0 : Handle(Shown(*d, node).front());
        case plat::TVGN_PARENT:
          return node < 0 ? 0 : Handle(d->nodes[static_cast<size_t>(node)].parent);
        case plat::TVGN_NEXT: {
          if (node < 0) return 0;
          const int parent = d->nodes[static_cast<size_t>(node)].parent;
          const std::vector<int>& siblings = parent < 0 ? d->roots : Shown(*d, parent);
          auto it = std::find(siblings.begin(), siblings.end(), node);
          return it == siblings.end() || it + 1 == siblings.end() ? 0 : Handle(*(it + 1));
        }
        default:
          return 0;
      }
    }
    case plat::TVM_EXPAND: {
      const int node = NodeOf(*d, static_cast<std::uint64_t>(m.lparam));
      if (node < 0 || m.wparam != plat::TVE_EXPAND) return 0;
      Expand(d, node);
      return 1;
    }
    case plat::TVM_SELECTITEM: {
      const int node = NodeOf(*d, static_cast<std::uint64_t>(m.lparam));
      if (node < 0 || m.wparam != plat::TVGN_CARET) return 0;
      Select(d, node);
      return 1;
    }
    case plat::TVM_ENSUREVISIBLE:
      return NodeOf(*d, static_cast<std::uint64_t>(m.lparam)) >= 0 ? 1 : 0;
    case plat::TVM_GETITEMW:
      return GetItem(d, w, m.lparam);
    default:
      return DefWindowProc(w, m);
  }
}

plat::LResult DialogProc(const std::shared_ptr<Dialog>& d, plat::Window w, Msg& m) {
  if (m.msg != plat::BFFM_SETSELECTIONW) return DefWindowProc(w, m);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  d->set_selections++;
  if (d->spec.layout == BrowseLayout::ProgramTree || m.wparam == 0) return 0;
  // The path, up to its zero, from the dialog's process.
  const std::uint32_t pid = ProcessOf(w);
  std::string bytes;
  for (plat::RemoteAddress at = static_cast<plat::RemoteAddress>(m.lparam);; at += 2) {
    std::vector<std::uint8_t> c;
    if (!ReadBytes(pid, at, 2, &c)) {
      d->bad_pointers++;
      return 0;
    }
    if (c[0] == 0 && c[1] == 0) break;
    bytes.push_back(static_cast<char>(c[0]));
    bytes.push_back(static_cast<char>(c[1]));
  }
  const int node = Reveal(*d, infra::FromUtf16Le(bytes));
  if (node < 0) return 0;
  Select(d, node);
  return 1;
}

void AddTree(Dialog& d, const std::vector<TreeNodeSpec>& roots) {
  for (const auto& r : roots) d.roots.push_back(Add(d, r, -1));
}

}  // namespace

BrowseDialog CreateBrowseDialog(const BrowseDialogSpec& spec) {
  auto d = std::make_shared<Dialog>();
  d->spec = spec;
  WindowSpec ws;
  ws.class_name = L"#32770";
  ws.text = L"Browse for Folder";
  ws.style = plat::WS_POPUP | plat::WS_VISIBLE | plat::WS_CAPTION | plat::WS_SYSMENU | plat::DS_MODALFRAME;
  ws.thread = spec.thread;
  ws.rect = {200, 150, 560, 550};
  BrowseDialog& b = d->windows;
  b.dialog = CreateWindow(ws);
  AddChild(b.dialog, L"Static", L"Choose a folder");
  switch (spec.layout) {
    case BrowseLayout::ShellNameSpace: {
      plat::Window ns = AddChild(b.dialog, L"SHBrowseForFolder ShellNameSpace Control");
      b.tree = AddChild(ns, L"SysTreeView32");
      SetControlId(b.tree, 100);
      break;
    }
    case BrowseLayout::ShellTree:
      b.tree = AddChild(b.dialog, L"SysTreeView32");
      SetControlId(b.tree, kShellTreeId);
      break;
    case BrowseLayout::ProgramTree:
      b.tree = AddChild(b.dialog, L"SysTreeView32");
      SetControlId(b.tree, 1001);
      break;
  }
  // The shell's classic dialog always has its edit box, hidden unless asked for.
  if (spec.edit_box || spec.layout == BrowseLayout::ShellTree) {
    b.edit = AddChild(b.dialog, L"Edit");
    SetControlId(b.edit, kEditId);
    if (!spec.edit_box) plat::ShowWindow(b.edit, plat::SW_HIDE);
  }
  AddChild(b.dialog, L"Button", L"OK");
  AddChild(b.dialog, L"Button", L"Cancel");
  AddTree(*d, spec.roots);
  // The tree shows its roots' children, as the dialogs expand the root.
  for (int r : d->roots) {
    d->nodes[static_cast<size_t>(r)].filled = true;
    d->nodes[static_cast<size_t>(r)].expanded = true;
  }
  const int start = spec.selected.empty() ? (d->roots.empty() ? -1 : d->roots.front()) : Reveal(*d, spec.selected);
  if (start >= 0) {
    d->caret = start;
    if (spec.edit_box) SetText(b.edit, d->nodes[static_cast<size_t>(start)].text);
  }
  d->fills = 0;
  if (!spec.edit_box) b.edit = 0;
  {
    std::lock_guard<std::recursive_mutex> g(S().lock);
    S().dialogs[b.dialog] = d;
  }
  SetWindowProc(b.tree, [d](plat::Window w, Msg& m) { return TreeProc(d, w, m); });
  SetWindowProc(b.dialog, [d](plat::Window w, Msg& m) { return DialogProc(d, w, m); });
  if (spec.hung) {
    SetHung(b.dialog, true);
    for (plat::Window c : plat::EnumChildWindows(b.dialog)) SetHung(c, true);
  }
  return b;
}

std::vector<std::wstring> BrowseDialogSelections(plat::Window dialog) {
  auto d = Of(dialog);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return d ? d->selections : std::vector<std::wstring>{};
}

std::wstring BrowseDialogSelected(plat::Window dialog) {
  auto d = Of(dialog);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return d && d->caret >= 0 ? d->nodes[static_cast<size_t>(d->caret)].path : L"";
}

int BrowseDialogFills(plat::Window dialog) {
  auto d = Of(dialog);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return d ? d->fills : 0;
}

int BrowseDialogBadPointers(plat::Window dialog) {
  auto d = Of(dialog);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return d ? d->bad_pointers : 0;
}

int BrowseDialogSetSelections(plat::Window dialog) {
  auto d = Of(dialog);
  std::lock_guard<std::recursive_mutex> g(S().lock);
  return d ? d->set_selections : 0;
}

std::vector<TreeNodeSpec> ShellTreeOf(const std::vector<std::wstring>& folders) {
  TreeNodeSpec desktop{L"Desktop", L"", {}};
  TreeNodeSpec pc{L"This PC", L"", {}};
  for (const std::wstring& f : folders) {
    if (f.size() < 2 || f[1] != L':') continue;
    const std::wstring drive = std::wstring(1, static_cast<wchar_t>(std::towupper(f[0]))) + L":";
    auto it = std::find_if(pc.children.begin(), pc.children.end(),
                           [&](const TreeNodeSpec& n) { return n.path == drive + L"\\"; });
    if (it == pc.children.end()) {
      pc.children.push_back({L"Local Disk (" + drive + L")", drive + L"\\", {}});
      it = pc.children.end() - 1;
    }
    TreeNodeSpec* at = &*it;
    std::wstring path = drive;
    size_t pos = 3;
    while (pos < f.size()) {
      size_t end = f.find(L'\\', pos);
      if (end == std::wstring::npos) end = f.size();
      const std::wstring name = f.substr(pos, end - pos);
      path += L"\\" + name;
      auto c =
          std::find_if(at->children.begin(), at->children.end(), [&](const TreeNodeSpec& n) { return n.text == name; });
      if (c == at->children.end()) {
        at->children.push_back({name, path, {}});
        c = at->children.end() - 1;
      }
      at = &*c;
      pos = end + 1;
    }
  }
  auto sort = [](auto& self, TreeNodeSpec& n) -> void {
    std::sort(n.children.begin(), n.children.end(),
              [](const TreeNodeSpec& a, const TreeNodeSpec& b) { return a.text < b.text; });
    for (auto& c : n.children) self(self, c);
  };
  sort(sort, pc);
  desktop.children.push_back(pc);
  desktop.children.push_back({L"Network", L"", {{L"SERVER", L"", {}}}});
  return {desktop};
}

}  // namespace sim
