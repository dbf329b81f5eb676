#include "link/WaitPauses.h"

#include <algorithm>
#include <atomic>

namespace karvo {

namespace {

// Timed-out 1 ms pauses seen, and their mean length in microseconds.
std::atomic<int> g_samples{0};
std::atomic<std::int64_t> g_sleepMicros{0};
constexpr int kSamplesNeeded = 3;

std::int64_t Micros() {
  static const std::int64_t freq = [] {
    LARGE_INTEGER f;
    return ::QueryPerformanceFrequency(&f) && f.QuadPart > 0 ? f.QuadPart : 1000000;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart / freq * 1000000 + t.QuadPart % freq * 1000000 / freq;
}

// A running mean over the last few: a machine's timer may change its pace.
void NoteSleep(std::int64_t micros) {
  const int n = g_samples.load();
  const std::int64_t mean = g_sleepMicros.load();
  g_sleepMicros = n == 0 ? micros : (mean * 7 + micros) / 8;
  if (n < kSamplesNeeded) ++g_samples;
}

}  // namespace

int PauseWhileWaiting(TPluginsSharedMem& mem, TSharedMemState wanted) {
  BlockSignals& signals = mem.Signals();
  if ((wanted != smsWaitForRead && wanted != smsFree) || !signals.Present()) {
    Sys().Sleep(1);
    return 1;
  }
  const Wake wake = wanted == smsWaitForRead ? Wake::Reply : Wake::Free;
  // Counted from here to the end of the pause, sleeps included, so that the
  // other side raises the event; the look after counting catches a state
  // written just before.
  BlockSignals::Waiting waiting(signals, wake);
  const TSharedMemState now = mem.PeekSharedMemState();
  if (now == wanted || now == smsNoAllocated) return 1;
  // Until its host has been heard to signal a reply, the block may be served
  // by a host that makes our events but never raises them (a literal one
  // serving a block that our SDK made): the wait looks at the event without
  // waiting and sleeps, as fast as the polling it replaces. A signal found
  // by the look, even one left from an earlier reply, makes the host heard.
  if (wake == Wake::Reply && !signals.Heard()) {
    if (signals.Pause(wake, 0)) {
      signals.NoteHeard();
      return 1;
    }
    const std::int64_t start = Micros();
    Sys().Sleep(1);
    NoteSleep(Micros() - start);
    return 1;
  }
  // Only the wait for a reply pauses long: one client waits for it and the
  // host signals it. Clients waiting for the block are woken one at a time
  // and another may take it first, so they keep the pace of the sleeps.
  const bool trusted = wake == Wake::Reply && g_samples.load() >= kSamplesNeeded;
  const std::int64_t start = Micros();
  const bool woken = signals.Pause(wake, trusted ? kLongPauseMs : 1);
  const std::int64_t took = Micros() - start;
  if (!trusted) {
    if (!woken) NoteSleep(took);
    return 1;
  }
  const std::int64_t sleep = std::max<std::int64_t>(1, g_sleepMicros.load());
  return static_cast<int>(std::max<std::int64_t>(1, took / sleep));
}

void ResetPausesForTests() {
  g_samples = 0;
  g_sleepMicros = 0;
}

}  // namespace karvo
