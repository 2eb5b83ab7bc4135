// IsWow64: whether the agent runs as a 32-bit process on 64-bit Windows.
//
// Asked once through kernel32 "IsWow64Process" (looked up at run time, since
// older systems lack it) and kept for the life of the process; false when
// the function is missing or fails. The registry layer uses it to decide the
// 64-bit view; the system facts list it too.
#pragma once

namespace infra {

bool IsWow64();

}  // namespace infra
