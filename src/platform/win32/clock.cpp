#include <windows.h>
#include <timeapi.h>

#include "platform/clock.h"

namespace plat {

std::uint32_t TickCount() { return ::GetTickCount(); }

void SleepMs(std::uint32_t ms) { ::Sleep(ms); }

PreciseSleeps::PreciseSleeps() { ::timeBeginPeriod(1); }
PreciseSleeps::~PreciseSleeps() { ::timeEndPeriod(1); }

LocalTime LocalNow() {
  SYSTEMTIME st;
  ::GetLocalTime(&st);
  return LocalTime{st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

}  // namespace plat
