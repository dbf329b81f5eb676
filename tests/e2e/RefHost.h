// refhost's services in the test's own process: the block made with the
// host SDK and served from a thread by the same handlers refhost.exe uses,
// with KARVO.DLL loaded as a plug-in loads it.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "Plugin.h"
#include "RefHostService.h"
#include "karvo_host.h"

namespace karvo::test {

class RefHost {
 public:
  RefHost() : block_(KarvoHostCreate(::GetCurrentProcessId())) {
    if (block_ == nullptr) return;
    thread_ = std::thread([this] {
      while (!stop_) KarvoHostServeOne(block_, &refhost::Service::Handle, nullptr, 20);
    });
  }
  ~RefHost() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    KarvoHostFree(block_);
  }
  RefHost(const RefHost&) = delete;
  RefHost& operator=(const RefHost&) = delete;
  std::string ApiHandle() const {
    std::string out;
    for (const unsigned short* p = KarvoHostApiHandle(block_); *p != 0; ++p) out += static_cast<char>(*p);
    return out;
  }

 private:
  KarvoHostBlock* block_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace karvo::test
