// Control of the sim's file streams: scripted failures and a hook into reads.
//
// File streams resolve Windows paths through the drive mapping of
// sim_files.h; a path that starts with "/" is taken as a host path (host tools
// such as qzip work on host files).
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace sim {

enum class FileFault {
  None,
  OpenFails,       // opening or creating the file fails
  ReadFails,       // a read fails once after_bytes bytes have been read
  ReadStopsShort,  // reads report the end of the file once after_bytes bytes have been read
  WriteFails,      // a write fails once after_bytes bytes have been written
  WriteShort,      // a write accepts fewer bytes than offered (disk full) once after_bytes were written
};

// Scripts one failure for the files whose path ends with path_suffix. Bytes
// are counted over every handle of such files from this call on; the fault
// fires once and is then cleared (OpenFails fires on the next open).
void SetFileFault(const std::wstring& path_suffix, FileFault fault, std::uint64_t after_bytes = 0);

// Runs before every read of a file stream, on the reading thread.
void SetFileReadHook(std::function<void()> hook);

}  // namespace sim
