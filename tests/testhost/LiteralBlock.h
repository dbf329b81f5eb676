// The block as a program written word for word from the protocol uses it:
// every single field access creates the block mutex, waits for it, releases
// and closes it, and waits poll the state once per Sleep(1). It stands for
// hosts and plug-ins that know nothing of our shortcuts, and it is the
// yardstick of the round-trip benchmark.
#pragma once

#include <cstdint>
#include <string>

#include "karvo_host.h"

namespace karvo::test {

class LiteralBlock {
 public:
  // Attaches to the block of that API handle; Attached() says whether it could.
  explicit LiteralBlock(const std::u16string& apiHandle);
  ~LiteralBlock();
  LiteralBlock(const LiteralBlock&) = delete;
  LiteralBlock& operator=(const LiteralBlock&) = delete;
  bool Attached() const { return view_ != nullptr; }

  std::uint8_t State();  // smsNoAllocated when the lock fails
  void SetState(std::uint8_t state);
  std::string Command();  // the bytes
  void SetCommand(const std::string& bytes);
  std::u16string SQL();
  void SetSQL(const std::u16string& text);
  std::u16string Data();
  void SetData(const std::u16string& text);
  std::uint32_t DataPointer();
  void SetDataPointer(std::uint32_t value);

  // Waits as the protocol tells: poll, Sleep(1), give up past `limit` sleeps
  // or on smsNoAllocated.
  bool WaitForState(std::uint8_t wanted, int limit);

  // Serves at most one request like KarvoHostServeOne: state by state and
  // field by field, polling once a millisecond for up to waitMs.
  int ServeOne(KarvoRequestHandler handler, void* context, unsigned waitMs);

 private:
  template <class F>
  bool Locked(F&& f);
  std::u16string mutexName_;
  void* mapping_ = nullptr;
  TPluginsSharedMemData* view_ = nullptr;
};

}  // namespace karvo::test
