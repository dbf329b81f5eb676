// Wake-ups beside the block. Our host and our library make and open three
// auto-reset events named after the API handle; with them a request wakes
// the host, a reply wakes its client, and a block set free wakes one client
// waiting for it, instead of each side finding out at its next poll. Every
// decision still rests on the state read under the mutex: a signal only
// ends a pause early, so a lost or doubled one costs time, never a request.
//
// Beside the events lie a few words in a mapping of their own: how many
// pauses are begun on each event, so that a side raises an event only when
// somebody pauses on it (each signal costs a call to the system, and the
// other side is often still looking at the block), and a mark by which our
// client tells our host that it signals. A pause counts itself first and
// looks at the block once more before pausing; a side raises after writing
// the state and reading the count. One of the two always sees the other.
//
// Peers that know nothing of them (they make only the mapping and its
// mutex, and no name of theirs ends as ours do) are served as before: a
// pause without its event is a plain Sleep, and a pause on an event that
// nobody signals lasts as long as the Sleep it replaces.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Owners.h"

namespace karvo {

enum class Wake {
  Request,  // a request was written: smsToProcess
  Reply,    // a reply was written: smsWaitForRead (also smsNoAllocated)
  Free,     // the block was set free: smsFree (also smsNoAllocated)
};

class BlockSignals {
 public:
  // The event's name: the API handle and a suffix no literal peer uses.
  static std::u16string Name(const std::u16string& apiHandle, Wake w);
  // The name of the words beside them.
  static std::u16string WordsName(const std::u16string& apiHandle);

  // Host side: makes the three events and the words. One that exists
  // already belongs to someone else (or to a host that died with clients
  // still holding it), one of another type cannot be made: then none is
  // used and both sides poll as the protocol describes.
  static BlockSignals Make(const std::u16string& apiHandle);
  // Library side: opens the three events and the words of a host that made
  // them; any one missing, of another type or not to be opened, and none is
  // used.
  static BlockSignals Open(const std::u16string& apiHandle);

  BlockSignals() = default;
  BlockSignals(BlockSignals&&) = default;
  BlockSignals& operator=(BlockSignals&&) = default;

  bool Present() const { return static_cast<bool>(events_[0]); }
  // Signals that event when somebody pauses on it. Its failure only costs
  // the other side the time until its next look at the block.
  void Raise(Wake w);

  // Counts a pause on the event while it lives. Whoever counts looks at the
  // block once more before pausing: a state written before the count was
  // read is seen then, one written after it is raised.
  class Waiting {
   public:
    Waiting(BlockSignals& s, Wake w);
    ~Waiting();
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

   private:
    volatile long* count_;
  };

  // Under the hold that writes a request: it comes from a client that
  // signals. Under the hold that takes it: whether it did (the mark is
  // cleared, so a request of a client that signals nothing reads false).
  void MarkRequest(std::uint16_t tag);
  bool TakeMark(std::uint16_t tag);
  // Waits up to `ms` for that event, or sleeps `ms` without events. True
  // when the event ended the pause.
  bool Pause(Wake w, DWORD ms);

  // Whether a signal of this block's host for a reply has been seen: then
  // the host is known to signal, and waits may pause longer.
  bool Heard() const { return heard_ != nullptr && heard_->load(); }
  void NoteHeard() {
    if (heard_ != nullptr) *heard_ = true;
  }

 private:
  template <class GetEvent, class GetWords>
  static BlockSignals Each(const std::u16string& apiHandle, GetEvent getEvent, GetWords getWords);

  struct Words;
  Words* words() const;
  volatile long* Count(Wake w) const;

  UniqueHandle events_[3];
  UniqueHandle wordsMapping_;
  UniqueView wordsView_;
  std::unique_ptr<std::atomic<bool>> heard_;
};

}  // namespace karvo
