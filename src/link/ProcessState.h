// The library's process-wide state, in one place. Unguarded by design: one
// thread at a time calls the library.
#pragma once

#include <cstddef>
#include <cstdint>
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
};

ProcessState& State();

// Process attach: no block object, no long buffer, no error.
void ResetProcessState();
// Process detach: the block object and the long buffer go.
void ReleaseProcessState();

}  // namespace karvo
