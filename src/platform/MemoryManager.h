// The memory manager that every module of the host process shares for its
// counted strings: the one published in the process, or our own.
#pragma once

#include <cstdint>

namespace karvo {

#define KARVO_REGISTER __attribute__((regparm(3)))

// The host runtime's memory manager table: first argument in EAX, second in
// EDX, result in EAX.
struct TMemoryManagerEx {
  void*(KARVO_REGISTER* GetMem)(std::int32_t size);
  std::int32_t(KARVO_REGISTER* FreeMem)(void* p);
  void*(KARVO_REGISTER* ReallocMem)(void* p, std::int32_t size);
  void*(KARVO_REGISTER* AllocMem)(std::uint32_t size);
  bool(KARVO_REGISTER* RegisterExpectedMemoryLeak)(void* p);
  bool(KARVO_REGISTER* UnregisterExpectedMemoryLeak)(void* p);
};

// At load: use the manager published under "Local\FastMM_PID_" + the
// process id in eight upper-case hex digits, or publish our own there.
void AttachMemoryManager();
// At unload: drop our view of that mapping (and our publication).
void DetachMemoryManager();
// The manager in force. The library allocates and frees through the table
// of platform calls (StringGetMem, StringFreeMem), which lead here.
const TMemoryManagerEx& MemoryManager();
// True when this library published the process's manager itself.
bool PublishedOwnMemoryManager();

}  // namespace karvo
