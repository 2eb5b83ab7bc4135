// A stand-in for the hook library qx.dll in the sim: registered under its
// name, SetHook creates the named shared block like the real library, writes
// AgentThreadId and keeps HeartbeatTick fresh every second of virtual time.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "agent/hook_block.h"

namespace fake_hook {

struct Call {
  bool set = false;  // SetHook, else RemoveHook
  std::array<std::uint32_t, 10> args{};
};

// Registers the library "qx.dll" (call after sim::ResetWorld).
void Install();
std::vector<Call> Calls();
// The block of the last SetHook, nullptr after RemoveHook or without one.
agent::HookSharedBlock* Block();
// SetHook answers null from now on.
void SetFails(bool fails);
// The library stops (or resumes) refreshing HeartbeatTick.
void StopHeartbeat(bool stopped);

// Writes a waiting record into slot i the way the library does (message last).
void WriteSlot(int i, std::uint32_t message, std::uint32_t window, std::uint32_t lparam);

}  // namespace fake_hook
