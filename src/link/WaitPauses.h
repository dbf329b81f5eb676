// The pauses of a counted wait between its looks at the block. The wait
// counts sleeps of a millisecond, which on the system's timer last a tick
// each (about a millisecond under Wine, 15.6 ms on Windows by default), and
// must keep that length in time whatever it pauses on.
//
// Without our host's wake-ups a pause is Sleep(1). With them it is a wait
// on the event that announces the state waited for, ended by the signal or
// by its timeout. Once the host of that block has been seen to signal, and
// the length of a 1 ms pause on this system has been seen a few times, the
// wait for a reply pauses up to kLongPauseMs and counts the sleeps that
// would have filled the pause: a client waiting for a slow host then looks
// at the block a few times a second instead of a thousand.
#pragma once

#include "PluginsSharedMem/TPluginsSharedMem.h"

namespace karvo {

// A lost wake-up costs a waiting client at most this; ten looks a second
// keep it well under a percent of a core even with the CPU emulated.
constexpr DWORD kLongPauseMs = 100;

// Pauses once while waiting for `wanted`; returns how many of the wait's
// sleeps the pause stands for (at least 1).
int PauseWhileWaiting(TPluginsSharedMem& mem, TSharedMemState wanted);

// Forgets what was learnt of the timer (tests).
void ResetPausesForTests();

}  // namespace karvo
