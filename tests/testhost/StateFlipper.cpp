#include "StateFlipper.h"

#include <random>

#include "karvo_host.h"
#include "platform/WindowsSupport.h"

namespace karvo::test {

StateFlipper::StateFlipper(const std::string& apiHandle) {
  thread_ = std::thread([this, apiHandle] {
    HANDLE map = ::OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, apiHandle.c_str());
    auto* block =
        map ? static_cast<volatile unsigned char*>(::MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 0)) : nullptr;
    HANDLE mutex = ::CreateMutexA(nullptr, FALSE, (apiHandle + KARVO_MUTEX_SUFFIX).c_str());
    std::minstd_rand gen(12345);
    while (block != nullptr && mutex != nullptr && !stop_) {
      DWORD r = ::WaitForSingleObject(mutex, 1000);
      if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) continue;
      unsigned char right = block[0];
      // Mostly the states that mean something, now and then any byte.
      unsigned char wrong = static_cast<unsigned char>(gen() % 4 != 0 ? gen() % 5 : gen() % 256);
      block[0] = wrong;
      if (gen() % 2 != 0)
        ::Sleep(1);
      else
        ::SwitchToThread();
      block[0] = right;
      ::ReleaseMutex(mutex);
      ++flips_;
      if (gen() % 2 != 0)
        ::Sleep(1);
      else
        ::SwitchToThread();
    }
    if (mutex != nullptr) ::CloseHandle(mutex);
    if (block != nullptr) ::UnmapViewOfFile(const_cast<unsigned char*>(block));
    if (map != nullptr) ::CloseHandle(map);
  });
}

StateFlipper::~StateFlipper() {
  stop_ = true;
  thread_.join();
}

}  // namespace karvo::test
