// Windows' default timer, simulated. There a Sleep(n) and the timeout of a
// wait end on a tick of the system timer, every 15.625 ms, so Sleep(1)
// lasts a whole tick; under Wine it lasts about a millisecond. Benchmarks
// and tests set KARVO_SIMULATED_WINDOWS_CLOCK=1 in the environment to have
// every Sleep and wait timeout of the platform table rounded up to whole
// ticks, so that what a design costs on Windows can be measured here. A
// signalled wait still ends at once, as it does on Windows.
#pragma once

#include "platform/WindowsSupport.h"

namespace karvo {

constexpr double kWindowsTickMs = 15.625;

// Whether the environment asks for the simulated timer (read once).
bool SimulatedWindowsClockAsked();

// Sleep and WaitForSingleObject with times rounded up to whole ticks.
void WINAPI TickSleep(DWORD ms);
DWORD WINAPI TickWait(HANDLE h, DWORD ms);

// A sleep that stays out of the platform table (which tests of the
// library's waits replace and count): the host SDK's and the test peers'
// own, on the simulated timer when it is asked for.
void ClockSleep(DWORD ms);

}  // namespace karvo
