// A rogue party on the block: now and then it takes the block mutex, writes
// a wrong state byte, holds on for up to a millisecond and puts the right
// byte back before it lets go. Whoever reads the state under the mutex never
// sees the wrong byte; whoever polls without the mutex does, and must not
// act on it before reading it again under the mutex.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace karvo::test {

class StateFlipper {
 public:
  explicit StateFlipper(const std::string& apiHandle);
  ~StateFlipper();
  StateFlipper(const StateFlipper&) = delete;
  StateFlipper& operator=(const StateFlipper&) = delete;
  int Flips() const { return flips_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> flips_{0};
  std::thread thread_;
};

}  // namespace karvo::test
