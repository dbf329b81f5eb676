// The soak's rounds of threads and channel cases, on a scripted host of
// their own served from a thread of its own: the thread mix on every
// thread (each thread made for the round and its state released at its end,
// as the thread detach of the DLL does), a reply left unread that the host
// sets free, and a host that draws past a name someone else made first.
// While a round runs, the library's block object and object model are the
// round's; they are put back afterwards.
#pragma once

#include <memory>

#include "ScriptedHost.h"
#include "TestObjectModel.h"
#include "ThreadMix.h"

namespace karvo::test {

class ThreadedRounds {
 public:
  ThreadedRounds(int threads, long callsEach);
  bool Ready() const { return ready_; }
  void Run(long round);

  const MixTally& Mix() const { return mix_; }
  long UnreadFreed() const { return unreadFreed_; }
  long SquatsPassed() const { return squatsPassed_; }
  long Rounds() const { return rounds_; }
  // Every count as it should be after Rounds() rounds.
  bool Clean() const { return mix_.Clean() && unreadFreed_ == rounds_ && squatsPassed_ == rounds_; }

 private:
  void Threads();
  void UnreadReply();
  void SquattedName(long round);

  int threads_;
  long callsEach_;
  ScriptedHost host_;
  TestObjectModel model_;
  bool ready_ = false;
  MixTally mix_;
  long unreadFreed_ = 0, squatsPassed_ = 0, rounds_ = 0;
};

}  // namespace karvo::test
