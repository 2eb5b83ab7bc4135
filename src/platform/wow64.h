// Whether the process is a 32-bit process on 64-bit Windows (WOW64).
#pragma once

namespace plat {

// IsWow64Process for the current process, looked up at run time in kernel32
// (older systems lack it). Returns false when the function is missing or the
// call fails; otherwise true with the answer in *wow64. The windows build asks
// the system once and keeps the answer (it cannot change while the process
// runs); the sim answers what the test set (sim::SetWow64).
bool IsWow64Process(bool* wow64);

}  // namespace plat
