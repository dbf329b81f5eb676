#include "link/ProcessState.h"

#include "link/ThreadState.h"
#include "platform/WindowsSupport.h"

namespace karvo {

namespace {

ProcessState g_state;
// Guards the SharedMem pointer alone, for the moment of a copy or a swap.
SRWLOCK g_sharedMemLock = SRWLOCK_INIT;

}  // namespace

ProcessState& State() { return g_state; }

std::shared_ptr<TPluginsSharedMem> CurrentSharedMem() {
  ::AcquireSRWLockShared(&g_sharedMemLock);
  std::shared_ptr<TPluginsSharedMem> mem = g_state.SharedMem;
  ::ReleaseSRWLockShared(&g_sharedMemLock);
  return mem;
}

void ReplaceSharedMem(std::shared_ptr<TPluginsSharedMem> mem) {
  ::AcquireSRWLockExclusive(&g_sharedMemLock);
  g_state.SharedMem.swap(mem);
  ::ReleaseSRWLockExclusive(&g_sharedMemLock);
  // The old object goes here, outside the lock, unless a call still holds it.
}

void ResetProcessState() {
  ReplaceSharedMem(nullptr);
  g_state.APIInitialized = false;
  ReleaseAllThreadStates();
}

void ReleaseProcessState() {
  ReplaceSharedMem(nullptr);
  ReleaseAllThreadStates();
}

}  // namespace karvo
