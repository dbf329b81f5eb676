// The request cycles of the threads of one process, one after another. The
// block holds one request at a time, so a second thread of ours waits here
// for the first one's cycle to end, rather than at the block, where it
// would poll against its own process.
//
// Turns come in the order they were asked for. The wait is part of the
// wait for a free block and counts the same way: one sleep for every slice
// of a millisecond that passed without the turn coming. A thread that runs
// past the limit gives up (code 255), and one that gets its turn goes on
// with what is left of the limit, so no call waits longer than it always
// could.
#pragma once

namespace karvo {

class RequestTurn {
 public:
  // Waits for the turn; `sleeps` counts the slices waited.
  RequestTurn(int& sleeps, int limit);
  ~RequestTurn();
  RequestTurn(const RequestTurn&) = delete;
  RequestTurn& operator=(const RequestTurn&) = delete;
  // False when the limit passed first: the turn is not held.
  bool Taken() const { return taken_; }

 private:
  bool taken_;
};

}  // namespace karvo
