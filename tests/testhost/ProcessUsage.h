// What the process holds, measured from the inside: its handles and its
// private bytes, as the soak and the hostile-document tests watch them.
#pragma once

#include <atomic>
#include <cstddef>
#include <thread>

namespace karvo::test {

// Open handles of this process. Where the platform does not count them
// (Wine answers 0), each handle value in the table's range is asked for.
unsigned long HandleCount();

// Committed memory private to the process: every committed region of the
// address space that is MEM_PRIVATE, summed.
std::size_t PrivateBytes();

// The most private bytes seen while it lives, sampled every few
// milliseconds from a thread of its own (the platform keeps no peak of them).
class PeakPrivateBytes {
 public:
  PeakPrivateBytes();
  ~PeakPrivateBytes();
  PeakPrivateBytes(const PeakPrivateBytes&) = delete;
  PeakPrivateBytes& operator=(const PeakPrivateBytes&) = delete;
  std::size_t Start() const { return start_; }
  std::size_t Peak() const { return peak_; }

 private:
  std::size_t start_;
  std::atomic<std::size_t> peak_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace karvo::test
