// The calling thread's own part of the library's state: LastAPIError and
// the return buffers. Plug-ins call from several threads, and a thread's
// last error and its last text result must not be another thread's.
//
// A thread's state is made when it first needs one (reading an error that
// was never set needs none), ReturnBuffer when it first returns a short
// text. It goes when the thread ends (thread detach) or the library is
// unloaded, whichever comes first.
#pragma once

#include <memory>
#include <string>

namespace karvo {

struct ThreadState {
  static constexpr std::size_t kReturnBufferSize = 65536;

  std::u16string LastAPIError;
  std::unique_ptr<char[]> ReturnBuffer;  // kReturnBufferSize bytes once made
  std::unique_ptr<char[]> LongReturnBuffer;

  // Every thread's state, linked, so that unloading frees them all.
  ThreadState* prev = nullptr;
  ThreadState* next = nullptr;
};

// The calling thread's state, made now if it has none (throws when it
// cannot be made).
ThreadState& OwnThreadState();
// The calling thread's state, or null when it has none yet.
ThreadState* ExistingThreadState();

// Thread detach: the calling thread's state goes. Takes only the short
// lock of the list, so it is safe under the loader lock.
void ReleaseThreadState();
// Unload, and a fresh start in tests: every thread's state goes and the
// thread-local slot is given back.
void ReleaseAllThreadStates();
// How many threads have a state now.
std::size_t ThreadStateCount();

}  // namespace karvo
