#include "platform/WindowsClock.h"

#include <cmath>

namespace karvo {

namespace {

// Milliseconds rounded up to whole ticks (0 and INFINITE stay as they are).
DWORD RoundedToTicks(DWORD ms) {
  if (ms == 0 || ms == INFINITE) return ms;
  double ticks = std::ceil(static_cast<double>(ms) / kWindowsTickMs);
  return static_cast<DWORD>(std::ceil(ticks * kWindowsTickMs));
}

}  // namespace

bool SimulatedWindowsClockAsked() {
  static const bool asked = [] {
    wchar_t v[8] = {};
    DWORD n = ::GetEnvironmentVariableW(L"KARVO_SIMULATED_WINDOWS_CLOCK", v, 8);
    return n > 0 && n < 8 && v[0] != L'0';
  }();
  return asked;
}

void WINAPI TickSleep(DWORD ms) { ::Sleep(RoundedToTicks(ms)); }

void ClockSleep(DWORD ms) {
  if (SimulatedWindowsClockAsked())
    TickSleep(ms);
  else
    ::Sleep(ms);
}

DWORD WINAPI TickWait(HANDLE h, DWORD ms) { return ::WaitForSingleObject(h, RoundedToTicks(ms)); }

}  // namespace karvo
