#include "link/ThreadState.h"

#include <atomic>
#include <new>
#include <utility>

#include "platform/WindowsSupport.h"

namespace karvo {

namespace {

// The slot is taken on first use and given back at unload. Giving it back
// clears it in every thread, so a thread that outlives one load of the
// library never finds the state of that load in the next.
std::atomic<DWORD> g_slot{TLS_OUT_OF_INDEXES};

// The list of every state. Its lock is held only to link or unlink one
// entry and never around anything else, so thread detach, which runs under
// the loader lock, cannot wait on a thread that waits for the loader.
SRWLOCK g_listLock = SRWLOCK_INIT;
ThreadState* g_first = nullptr;
std::size_t g_count = 0;

DWORD Slot() {
  DWORD slot = g_slot.load(std::memory_order_acquire);
  if (slot != TLS_OUT_OF_INDEXES) return slot;
  DWORD fresh = ::TlsAlloc();
  if (fresh == TLS_OUT_OF_INDEXES) throw std::bad_alloc();
  if (g_slot.compare_exchange_strong(slot, fresh, std::memory_order_acq_rel)) return fresh;
  ::TlsFree(fresh);  // another thread took one first
  return slot;
}

void Link(ThreadState* s) {
  ::AcquireSRWLockExclusive(&g_listLock);
  s->next = g_first;
  if (g_first != nullptr) g_first->prev = s;
  g_first = s;
  ++g_count;
  ::ReleaseSRWLockExclusive(&g_listLock);
}

void Unlink(ThreadState* s) {
  ::AcquireSRWLockExclusive(&g_listLock);
  if (s->prev != nullptr) s->prev->next = s->next;
  if (s->next != nullptr) s->next->prev = s->prev;
  if (g_first == s) g_first = s->next;
  s->prev = s->next = nullptr;
  --g_count;
  ::ReleaseSRWLockExclusive(&g_listLock);
}

}  // namespace

ThreadState* ExistingThreadState() {
  DWORD slot = g_slot.load(std::memory_order_acquire);
  if (slot == TLS_OUT_OF_INDEXES) return nullptr;
  // TlsGetValue sets the last error; the caller's code must survive.
  DWORD err = ::GetLastError();
  auto* s = static_cast<ThreadState*>(::TlsGetValue(slot));
  ::SetLastError(err);
  return s;
}

ThreadState& OwnThreadState() {
  if (ThreadState* s = ExistingThreadState()) return *s;
  DWORD slot = Slot();
  auto owned = std::make_unique<ThreadState>();
  if (!::TlsSetValue(slot, owned.get())) throw std::bad_alloc();
  Link(owned.get());
  return *owned.release();
}

void ReleaseThreadState() {
  DWORD slot = g_slot.load(std::memory_order_acquire);
  if (slot == TLS_OUT_OF_INDEXES) return;
  auto* s = static_cast<ThreadState*>(::TlsGetValue(slot));
  if (s == nullptr) return;
  ::TlsSetValue(slot, nullptr);
  Unlink(s);
  delete s;
}

void ReleaseAllThreadStates() {
  ::AcquireSRWLockExclusive(&g_listLock);
  ThreadState* s = std::exchange(g_first, nullptr);
  g_count = 0;
  DWORD slot = g_slot.exchange(TLS_OUT_OF_INDEXES, std::memory_order_acq_rel);
  if (slot != TLS_OUT_OF_INDEXES) {
    ::TlsSetValue(slot, nullptr);
    ::TlsFree(slot);
  }
  ::ReleaseSRWLockExclusive(&g_listLock);
  while (s != nullptr) delete std::exchange(s, s->next);
}

std::size_t ThreadStateCount() {
  ::AcquireSRWLockShared(&g_listLock);
  std::size_t n = g_count;
  ::ReleaseSRWLockShared(&g_listLock);
  return n;
}

}  // namespace karvo
