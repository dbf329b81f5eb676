// The library's process-wide state, in one place. Unguarded by design: one
// thread at a time calls the library.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "PluginsSharedMem/TPluginsSharedMem.h"

namespace karvo {

struct ProcessState {
  std::unique_ptr<TPluginsSharedMem> SharedMem;
  bool APIInitialized = false;
  std::u16string LastAPIError;
  char ReturnBuffer[65536] = {};
  std::unique_ptr<char[]> LongReturnBuffer;
  // The (code, data) pairs read from METHOD properties, one copy per
  // distinct pair, kept for the library's lifetime: the number a caller
  // got for a pair is that copy's address.
  std::map<std::uint64_t, std::unique_ptr<std::array<std::uint32_t, 2>>> MethodPairs;
};

ProcessState& State();

// Process attach: no block object, no long buffer, no error.
void ResetProcessState();
// Process detach: the block object and the long buffer go.
void ReleaseProcessState();

}  // namespace karvo
