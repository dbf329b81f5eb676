#include "link/RequestTurn.h"

#include "platform/WindowsSupport.h"

namespace karvo {

namespace {

// A thread waiting for its turn, on its own stack, in the queue.
struct Waiter {
  bool granted = false;
  Waiter* next = nullptr;
};

// No allocation happens under this lock and nothing waits under it but
// the condition variable, which lets it go.
SRWLOCK g_lock = SRWLOCK_INIT;
CONDITION_VARIABLE g_handedOver = CONDITION_VARIABLE_INIT;
bool g_busy = false;
Waiter* g_head = nullptr;
Waiter* g_tail = nullptr;

void Remove(Waiter* w) {
  Waiter** at = &g_head;
  Waiter* before = nullptr;
  while (*at != nullptr && *at != w) {
    before = *at;
    at = &(*at)->next;
  }
  if (*at == nullptr) return;
  *at = w->next;
  if (g_tail == w) g_tail = before;
}

bool Acquire(int& sleeps, int limit) {
  ::AcquireSRWLockExclusive(&g_lock);
  if (!g_busy && g_head == nullptr) {
    g_busy = true;
    ::ReleaseSRWLockExclusive(&g_lock);
    return true;
  }
  Waiter self;
  if (g_tail != nullptr)
    g_tail->next = &self;
  else
    g_head = &self;
  g_tail = &self;
  while (!self.granted) {
    // A slice that ends without a hand-over counts as one sleep; a wake-up
    // for another thread's turn does not, and there is at most one such
    // for each thread ahead.
    if (!::SleepConditionVariableSRW(&g_handedOver, &g_lock, 1, 0) && !self.granted && ++sleeps > limit) {
      Remove(&self);
      ::ReleaseSRWLockExclusive(&g_lock);
      return false;
    }
  }
  ::ReleaseSRWLockExclusive(&g_lock);
  return true;
}

// Hands the turn to the first thread in the queue, or leaves it free.
void Release() {
  ::AcquireSRWLockExclusive(&g_lock);
  if (g_head != nullptr) {
    Waiter* next = g_head;
    g_head = next->next;
    if (g_head == nullptr) g_tail = nullptr;
    next->granted = true;
  } else {
    g_busy = false;
  }
  ::ReleaseSRWLockExclusive(&g_lock);
  ::WakeAllConditionVariable(&g_handedOver);
}

}  // namespace

RequestTurn::RequestTurn(int& sleeps, int limit) : taken_(Acquire(sleeps, limit)) {}

RequestTurn::~RequestTurn() {
  if (taken_) Release();
}

}  // namespace karvo
