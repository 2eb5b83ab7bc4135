// System facts: the thread's last error and the system's error texts.
//
// win32 sources include this header before <windows.h>, whose macros share
// the constants' names.
#pragma once
#include <cstdint>
#include <string>

namespace plat {

// Windows error codes that seam functions leave behind.
constexpr std::uint32_t ERROR_SUCCESS = 0;
constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
constexpr std::uint32_t ERROR_NO_MORE_FILES = 18;
constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
constexpr std::uint32_t ERROR_FILE_EXISTS = 80;
constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
constexpr std::uint32_t ERROR_INVALID_NAME = 123;
constexpr std::uint32_t ERROR_DIR_NOT_EMPTY = 145;
constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
constexpr std::uint32_t ERROR_NOT_READY = 21;
constexpr std::uint32_t ERROR_DISK_FULL = 112;


// The calling thread's last system error code (GetLastError) and setting it
// (SetLastError). Every seam function that fails leaves its code here.
std::uint32_t LastError();
void SetLastError(std::uint32_t code);

// The system's message text for an error code (FormatMessageW with
// FORMAT_MESSAGE_FROM_SYSTEM), as the system returns it (often with a trailing
// full stop and line break); empty when the system has no text.
std::wstring SystemErrorMessage(std::uint32_t code);

}  // namespace plat
