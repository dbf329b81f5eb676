#include "ProcessUsage.h"

#include <chrono>

#include "platform/WindowsSupport.h"

namespace karvo::test {

unsigned long HandleCount() {
  DWORD n = 0;
  if (::GetProcessHandleCount(::GetCurrentProcess(), &n) && n != 0) return n;
  unsigned long count = 0;
  for (std::uintptr_t h = 4; h < 0x10000; h += 4) {
    DWORD flags = 0;
    if (::GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++count;
  }
  return count;
}

std::size_t PrivateBytes() {
  std::size_t total = 0;
  MEMORY_BASIC_INFORMATION mbi;
  const char* at = nullptr;
  while (::VirtualQuery(at, &mbi, sizeof mbi) == sizeof mbi) {
    if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE) total += mbi.RegionSize;
    const char* next = static_cast<const char*>(mbi.BaseAddress) + mbi.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

PeakPrivateBytes::PeakPrivateBytes() : start_(PrivateBytes()), peak_(start_) {
  thread_ = std::thread([this] {
    while (!stop_) {
      std::size_t now = PrivateBytes();
      if (now > peak_) peak_ = now;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
}

PeakPrivateBytes::~PeakPrivateBytes() {
  stop_ = true;
  thread_.join();
}

}  // namespace karvo::test
