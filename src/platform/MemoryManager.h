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
// process id in eight upper-case hex digits, or publish one there.
//
// A table found there is used only when it can be read and each of its six
// routines lies in executable memory; the module that holds it is then
// pinned, so that it outlives us. A table that fails the check is never
// called: strings cannot be made or freed, and the A forms fail.
//
// The table we publish lies outside every module (PublishedManager.h) and
// stays, with the mapping, until the process ends, so that a later copy of
// the library, or this one loaded again, finds it. Only where the process
// refuses such a page are our own routines published, and the library then
// pins itself.
void AttachMemoryManager();
// At unload: drop our view of a mapping whose table we only use.
void DetachMemoryManager();

// Through the manager in force, checked before each call. GetMem gives null
// and FreeMem 1 (not freed) when it cannot be called.
void* ManagerGetMem(std::int32_t size);
std::int32_t ManagerFreeMem(void* p);
// False when the manager found in the process cannot be called.
bool MemoryManagerUsable();

// What AttachMemoryManager did, for the tests.
enum class ManagerSource { None, Adopted, PublishedPage, PublishedOwnPinned, Unusable };
ManagerSource MemoryManagerSource();
// The table in the mapping as we left it (ours or the one we adopted).
const TMemoryManagerEx* PublishedMemoryManager();

}  // namespace karvo
