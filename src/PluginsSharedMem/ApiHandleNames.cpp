#include "PluginsSharedMem/ApiHandleNames.h"

#include <atomic>

#include "conversions/TextForms.h"
#include "karvo_host.h"
#include "platform/WindowsSupport.h"

namespace karvo {

namespace {

// 0 means none: the seed itself is then drawn from the clock.
std::atomic<std::uint64_t> g_testSeed{0};

}  // namespace

ApiHandleNames::ApiHandleNames(std::uint32_t windowHandle, std::uint32_t seed)
    : prefix_(u"" KARVO_API_HANDLE_PREFIX + UnsignedText(windowHandle)), gen_(seed) {}

std::u16string ApiHandleNames::Next() {
  return prefix_ + UnsignedText(std::uniform_int_distribution<std::uint32_t>(0, 65534)(gen_));
}

std::uint32_t ApiHandleNames::FreshSeed() {
  std::uint64_t test = g_testSeed.load();
  if (test != 0) return static_cast<std::uint32_t>(test);
  LARGE_INTEGER pc;
  std::uint32_t seed =
      ::QueryPerformanceCounter(&pc) ? static_cast<std::uint32_t>(pc.QuadPart ^ (pc.QuadPart >> 32)) : ::GetTickCount();
  return seed ^ ::GetCurrentProcessId();
}

void ApiHandleNames::SeedForTests(std::optional<std::uint32_t> seed) {
  g_testSeed = seed ? (std::uint64_t{1} << 32) | *seed : 0;
}

}  // namespace karvo
