#include "link/ProcessState.h"

namespace karvo {

namespace {
ProcessState g_state;
}

ProcessState& State() { return g_state; }

void ResetProcessState() {
  g_state.SharedMem.reset();
  g_state.APIInitialized = false;
  g_state.LongReturnBuffer.reset();
  g_state.LastAPIError.clear();
}

void ReleaseProcessState() {
  std::unique_ptr<TPluginsSharedMem> mem = std::move(g_state.SharedMem);
  mem.reset();
  g_state.LongReturnBuffer.reset();
  g_state.LastAPIError.clear();
}

}  // namespace karvo
