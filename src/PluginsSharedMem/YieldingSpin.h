// The first stretch of every wait on the block. Under Wine a Sleep(1) lasts
// over a millisecond while the other side often answers within microseconds,
// so a wait polls for about a millisecond giving up its time slice between
// polls, and only then falls back to sleeping. Yielding matters: a spin that
// never yields starves the wineserver that both sides need.
#pragma once

#include <cstdint>

namespace karvo {

class YieldingSpin {
 public:
  static constexpr std::int64_t kSpinMicros = 1000;

  // The spin starts now; a limit below the usual one shortens it.
  explicit YieldingSpin(std::int64_t micros = kSpinMicros);
  // Gives up the time slice once; false once the spin's time is up.
  bool Again();

 private:
  std::int64_t end_;
};

}  // namespace karvo
