// The library's process-wide state, in one place. The last error and the
// return buffers are each thread's own (link/ThreadState.h).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "PluginsSharedMem/TPluginsSharedMem.h"

namespace karvo {

struct ProcessState {
  // Read and replaced through CurrentSharedMem and ReplaceSharedMem, so
  // that a call holds the object it began with for as long as it needs it.
  std::shared_ptr<TPluginsSharedMem> SharedMem;
  std::atomic<bool> APIInitialized{false};
};

ProcessState& State();

// The block object now in force (null before the first attach). A thread
// keeps it alive while it works on it, also when another thread's OpenAPI
// puts a new one in its place.
std::shared_ptr<TPluginsSharedMem> CurrentSharedMem();
void ReplaceSharedMem(std::shared_ptr<TPluginsSharedMem> mem);

// Process attach: no block object, no thread's error or buffers.
void ResetProcessState();
// Process detach: the block object and every thread's error and buffers go.
void ReleaseProcessState();

}  // namespace karvo
