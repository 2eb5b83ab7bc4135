#include "targets/remote_tree.h"

#include <cstring>

#include "infra/logger.h"
#include "infra/utf16.h"
#include "platform/system.h"
#include "platform/window.h"
#include "targets/target_state.h"

namespace targets {
namespace {

constexpr std::uint32_t kTimeoutMs = 200;
constexpr std::uint32_t kAccess = plat::PROCESS_VM_OPERATION | plat::PROCESS_VM_READ | plat::PROCESS_VM_WRITE |
                                  plat::PROCESS_QUERY_LIMITED_INFORMATION;
// The item request and the text after it, in one block.
constexpr std::size_t kItemBytes = 64;

template <class T>
void Put(std::string& bytes, std::size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

template <class T>
T Get(const std::string& bytes, std::size_t at) {
  T value{};
  if (at + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + at, sizeof value);
  return value;
}

}  // namespace

RemoteBlock::RemoteBlock(plat::ProcessHandle process, std::size_t size) : process_(process), size_(size) {
  if (process_)
    address_ = plat::VirtualAllocEx(process_, 0, size, plat::MEM_COMMIT | plat::MEM_RESERVE, plat::PAGE_READWRITE);
}

RemoteBlock::~RemoteBlock() {
  if (!address_) return;
  if (keep_) {
    infra::LogMessage(L"RemoteTree", L"a buffer stays in the other process: a message that points at it timed out");
    return;
  }
  const std::uint32_t error = plat::LastError();
  plat::VirtualFreeEx(process_, address_, 0, plat::MEM_RELEASE);
  plat::SetLastError(error);
}

bool RemoteBlock::Write(std::size_t offset, const void* data, std::size_t size) {
  if (!address_ || offset + size > size_) return false;
  std::size_t done = 0;
  return plat::WriteProcessMemory(process_, address_ + offset, data, size, &done) && done == size;
}

bool RemoteBlock::Read(std::size_t offset, void* data, std::size_t size) {
  if (!address_ || offset + size > size_) return false;
  std::size_t done = 0;
  return plat::ReadProcessMemory(process_, address_ + offset, data, size, &done) && done == size;
}

plat::ProcessHandle OpenWindowProcess(plat::Window w) {
  std::uint32_t pid = 0;
  plat::GetWindowThreadProcessId(w, &pid);
  if (pid == 0) {
    plat::SetLastError(plat::ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return plat::OpenProcess(kAccess, false, pid);
}

bool IsWow64Window(plat::ProcessHandle process) {
  bool wow64 = false;
  return plat::IsWow64Process(process, &wow64) && wow64;
}

// TVITEMW: mask, hItem, state, stateMask, pszText, cchTextMax, iImage,
// iSelectedImage, cChildren, lParam; pointers and handles are 4 bytes in a
// 32-bit process and 8 (aligned to 8) in a 64-bit one.
std::string TreeItemRequest(bool wow64, std::uint64_t item, plat::RemoteAddress text_address, int chars) {
  const std::uint32_t mask = plat::TVIF_TEXT | plat::TVIF_HANDLE | plat::TVIF_CHILDREN;
  if (wow64) {
    std::string b(40, '\0');
    Put<std::uint32_t>(b, 0, mask);
    Put<std::uint32_t>(b, 4, static_cast<std::uint32_t>(item));
    Put<std::uint32_t>(b, 16, static_cast<std::uint32_t>(text_address));
    Put<std::int32_t>(b, 20, chars);
    return b;
  }
  std::string b(56, '\0');
  Put<std::uint32_t>(b, 0, mask);
  Put<std::uint64_t>(b, 8, item);
  Put<std::uint64_t>(b, 24, text_address);
  Put<std::int32_t>(b, 32, chars);
  return b;
}

int TreeItemChildren(bool wow64, const std::string& answered) { return Get<std::int32_t>(answered, wow64 ? 32 : 44); }

RemoteTree::RemoteTree(plat::Window tree) : tree_(tree) {
  process_.reset(OpenWindowProcess(tree));
  if (!process_) {
    failure_ = L"the tree's process can't be opened (error " + std::to_wstring(plat::LastError()) + L")";
    return;
  }
  wow64_ = IsWow64Window(process_.get());
  buffer_.emplace(process_.get(), kItemBytes + kTextChars * 2);
  if (!*buffer_) {
    failure_ = L"no memory in the tree's process (error " + std::to_wstring(plat::LastError()) + L")";
    buffer_.reset();
    return;
  }
  ready_ = true;
}

RemoteTree::~RemoteTree() = default;

bool RemoteTree::Send(std::uint32_t msg, std::uint64_t wparam, std::int64_t lparam, std::int64_t* result) {
  if (GaveUp()) return false;
  plat::LResult r = 0;
  if (plat::SendMessageTimeout(tree_, msg, wparam, lparam, plat::SMTO_NORMAL, kTimeoutMs, &r)) {
    silent_ = 0;
    if (result) *result = r;
    return true;
  }
  if (++silent_ == kSilentLimit)
    infra::LogError(L"RemoteTree", L"Not responding", L"Hwnd=" + HandleText(tree_), plat::LastError(), true);
  return false;
}

RemoteTree::Item RemoteTree::Next(Item item, Relation relation) {
  std::int64_t r = 0;
  if (!Send(plat::TVM_GETNEXTITEM, relation, static_cast<std::int64_t>(item), &r)) return 0;
  return static_cast<Item>(r);
}

std::optional<RemoteTree::ItemText> RemoteTree::Text(Item item) {
  if (!ready_ || item == 0) return std::nullopt;
  const plat::RemoteAddress text_at = buffer_->Address() + kItemBytes;
  const std::string request = TreeItemRequest(wow64_, item, text_at, kTextChars);
  const char empty[2] = {0, 0};
  if (!buffer_->Write(0, request.data(), request.size()) || !buffer_->Write(kItemBytes, empty, sizeof empty))
    return std::nullopt;
  std::int64_t ok = 0;
  if (!Send(plat::TVM_GETITEMW, 0, static_cast<std::int64_t>(buffer_->Address()), &ok)) {
    buffer_->Keep();
    return std::nullopt;
  }
  if (!ok) return std::nullopt;
  std::string answered(request.size(), '\0');
  std::string text(kTextChars * 2, '\0');
  if (!buffer_->Read(0, answered.data(), answered.size()) || !buffer_->Read(kItemBytes, text.data(), text.size()))
    return std::nullopt;
  // The text ends at its first zero character (the tree writes at most
  // cchTextMax characters including it).
  std::size_t end = 0;
  while (end + 1 < text.size() && (text[end] != 0 || text[end + 1] != 0)) end += 2;
  ItemText out;
  out.text = infra::FromUtf16Le(std::string_view(text).substr(0, end));
  out.has_children = TreeItemChildren(wow64_, answered) != 0;
  return out;
}

bool RemoteTree::Expand(Item item) {
  std::int64_t r = 0;
  return Send(plat::TVM_EXPAND, plat::TVE_EXPAND, static_cast<std::int64_t>(item), &r);
}

bool RemoteTree::Select(Item item) {
  std::int64_t r = 0;
  if (!Send(plat::TVM_SELECTITEM, plat::TVGN_CARET, static_cast<std::int64_t>(item), &r) || !r) return false;
  Send(plat::TVM_ENSUREVISIBLE, 0, static_cast<std::int64_t>(item), nullptr);
  return true;
}

}  // namespace targets
