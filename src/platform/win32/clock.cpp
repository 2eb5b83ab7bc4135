#include <windows.h>

#include "platform/clock.h"

namespace plat {

std::uint32_t TickCount() { return ::GetTickCount(); }

void SleepMs(std::uint32_t ms) { ::Sleep(ms); }

LocalTime LocalNow() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

}  // namespace plat
