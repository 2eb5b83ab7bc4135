// Value types shared by every declaration of the platform seam.
//
// Logic code never includes <windows.h>: it names windows, keys and handles
// through these plain numbers, and the constants it needs from the Windows API
// are repeated here with their documented values.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// A window handle as a number (HWND on Windows, an id in the sim); 0 is none.
using Window = std::uint64_t;
// A thread identifier (GetCurrentThreadId on Windows).
using ThreadId = std::uint32_t;
// A generic kernel or shell handle as a number; 0 is none.
using Handle = std::uint64_t;

struct Point {
  int x = 0;
  int y = 0;
};

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
};

// Local wall-clock time, broken down.
struct LocalTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, milliseconds = 0;
};

}  // namespace plat
