// HookSharedBlock: the 2888-byte named block shared by the agent and the hook
// library qx.dll. A 60-byte header and 101 slots of 28 bytes, all fields
// little-endian 32-bit. There is no lock: the hook library writes a slot's
// message field last (with a release barrier) and takes only free slots
// (message 0); the agent reads the message first and writes 0 after handling.
#pragma once
#include <cstddef>
#include <cstdint>

namespace agent {

inline constexpr wchar_t kHookBlockName[] = L"{A5E80AC0-4E7B-11D6-AE77-444553546264}";
inline constexpr std::uint32_t kHookBlockSize = 2888;
inline constexpr int kHookSlotCount = 101;
// A slot whose message is this value is being written by the hook library.
inline constexpr std::uint32_t kSlotBeingWritten = 0x400;
// The wake-up: after writing a record the hook library posts this registered
// message (no arguments) to AgentThreadId, so the agent takes the record at
// once instead of at its next poll. The poll stays, for a wake-up that is lost.
inline constexpr wchar_t kHookWakeMessageName[] = L"WM_QXWAKEUP by Vorlune Folder";

// One record; the layout of the platform's MSG record in 32-bit fields.
struct HookMessageSlot {
  std::uint32_t window;   // not read by the agent
  std::uint32_t message;  // 0 free, 0x400 being written, else a registered message
  std::uint32_t wparam;   // the target window
  std::uint32_t lparam;   // the TargetKind, or a control handle for WM_QXMBROWSE
  std::uint32_t time;
  std::int32_t x;
  std::int32_t y;
};
static_assert(sizeof(HookMessageSlot) == 28);

struct HookSharedBlock {
  std::uint32_t AgentThreadId;  // library: the thread identifier given to SetHook
  std::uint32_t MenuOpenFlag;   // agent: 1 while the folder menu is open
  std::uint32_t HeartbeatTick;  // library: tick count of its last sign of life
  std::uint32_t reserved[12];   // library's own use
  HookMessageSlot slots[kHookSlotCount];
};
static_assert(sizeof(HookSharedBlock) == kHookBlockSize);
static_assert(offsetof(HookSharedBlock, slots) == 60);

}  // namespace agent
