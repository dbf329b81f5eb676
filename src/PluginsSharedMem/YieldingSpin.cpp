#include "PluginsSharedMem/YieldingSpin.h"

#include "platform/WindowsSupport.h"

namespace karvo {

namespace {

std::int64_t Ticks() {
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return t.QuadPart;
}

std::int64_t TicksPerSecond() {
  static const std::int64_t f = [] {
    LARGE_INTEGER q;
    return ::QueryPerformanceFrequency(&q) && q.QuadPart > 0 ? q.QuadPart : 1000000;
  }();
  return f;
}

}  // namespace

YieldingSpin::YieldingSpin(std::int64_t micros) : end_(Ticks() + micros * TicksPerSecond() / 1000000) {}

bool YieldingSpin::Again() {
  ::SwitchToThread();
  return Ticks() < end_;
}

}  // namespace karvo
