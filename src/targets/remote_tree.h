// Another program's tree view control (a browse-for-folder dialog's folder
// tree), read and driven from the agent. A tree view answers item requests
// only through a TVITEMW in its own process, so the item and its text live in
// a buffer allocated there; the layout is the one of the control's process (a
// 32-bit program on 64-bit Windows has a 32-bit TVITEMW).
//
// Every message goes with a 200 ms time-out; a tree that lets
// kDialogSilentSendsLimit sends in a row time out is given up. A buffer that
// a timed-out message pointed at is never freed: the control may still write
// into it once it gets to the message, and freed memory there would crash the
// other program. Such a buffer stays (a few hundred bytes) and is logged.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "platform/process_memory.h"
#include "platform/types.h"

namespace targets {

// A block of memory in another process, freed when it goes out of scope
// unless Keep() was called. The process handle must outlive it.
class RemoteBlock {
 public:
  RemoteBlock(plat::ProcessHandle process, std::size_t size);
  ~RemoteBlock();
  RemoteBlock(const RemoteBlock&) = delete;
  RemoteBlock& operator=(const RemoteBlock&) = delete;

  plat::RemoteAddress Address() const { return address_; }
  explicit operator bool() const { return address_ != 0; }
  bool Write(std::size_t offset, const void* data, std::size_t size);
  bool Read(std::size_t offset, void* data, std::size_t size);
  // A message that points here timed out: the block stays in the process.
  void Keep() { keep_ = true; }

 private:
  plat::ProcessHandle process_;
  plat::RemoteAddress address_ = 0;
  std::size_t size_ = 0;
  bool keep_ = false;
};

// Opens the window's process for reading and writing its memory; 0 (and the
// last error) when the process does not allow it.
plat::ProcessHandle OpenWindowProcess(plat::Window w);

// Whether the window's process is a 32-bit program on 64-bit Windows.
bool IsWow64Window(plat::ProcessHandle process);

// TVITEMW of the given layout asking for an item's text (into text_address,
// `chars` characters) and its children flag.
std::string TreeItemRequest(bool wow64, std::uint64_t item, plat::RemoteAddress text_address, int chars);
// The cChildren field of an answered TVITEMW.
int TreeItemChildren(bool wow64, const std::string& answered);

class RemoteTree {
 public:
  using Item = std::uint64_t;

  explicit RemoteTree(plat::Window tree);
  ~RemoteTree();
  RemoteTree(const RemoteTree&) = delete;
  RemoteTree& operator=(const RemoteTree&) = delete;

  // Whether the tree's process was opened and the item buffer allocated;
  // otherwise Failure() says why.
  bool Ready() const { return ready_; }
  const std::wstring& Failure() const { return failure_; }
  bool GaveUp() const { return silent_ >= kSilentLimit; }
  // Whether the last message timed out.
  bool Silent() const { return silent_ > 0; }
  plat::ProcessHandle Process() const { return process_.get(); }

  Item Root() { return Next(0, kRoot); }
  Item Child(Item item) { return Next(item, kChild); }
  Item NextSibling(Item item) { return Next(item, kNext); }
  Item Parent(Item item) { return Next(item, kParent); }
  Item Caret() { return Next(0, kCaret); }

  struct ItemText {
    std::wstring text;
    bool has_children = false;
  };
  // The item's text and whether it says it has children; nothing when the
  // tree did not answer.
  std::optional<ItemText> Text(Item item);
  // TVM_EXPAND: the tree fills the item's children (its dialog does so when
  // it is told the item expands).
  bool Expand(Item item);
  // TVM_SELECTITEM (the caret) and TVM_ENSUREVISIBLE.
  bool Select(Item item);

  // A message with the tree's window and a 200 ms time-out, counted.
  bool Send(std::uint32_t msg, std::uint64_t wparam, std::int64_t lparam, std::int64_t* result);

 private:
  enum Relation : std::uint32_t { kRoot = 0, kNext = 1, kParent = 3, kChild = 4, kCaret = 9 };
  static constexpr int kSilentLimit = 5;
  static constexpr int kTextChars = 260;
  Item Next(Item item, Relation relation);

  plat::Window tree_;
  plat::OwnedProcess process_;
  bool wow64_ = false;
  std::optional<RemoteBlock> buffer_;
  bool ready_ = false;
  std::wstring failure_;
  int silent_ = 0;
};

}  // namespace targets
