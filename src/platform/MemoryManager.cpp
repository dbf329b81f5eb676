#include "platform/MemoryManager.h"

#include <cstdio>

#include "platform/Syscalls.h"

namespace karvo {

namespace {

// Our own manager, for a process that has none: the process heap. It lies
// below the table of platform calls, which fails and counts it at the
// manager's own interface, as it does a manager published by the host.
KARVO_REGISTER void* OwnGetMem(std::int32_t size) {
  return size <= 0 ? nullptr : ::HeapAlloc(::GetProcessHeap(), 0, static_cast<SIZE_T>(size));
}
KARVO_REGISTER std::int32_t OwnFreeMem(void* p) {
  if (p == nullptr) return 0;
  return ::HeapFree(::GetProcessHeap(), 0, p) ? 0 : 1;
}
KARVO_REGISTER void* OwnReallocMem(void* p, std::int32_t size) {
  if (p == nullptr) return OwnGetMem(size);
  if (size <= 0) {
    OwnFreeMem(p);
    return nullptr;
  }
  return ::HeapReAlloc(::GetProcessHeap(), 0, p, static_cast<SIZE_T>(size));
}
KARVO_REGISTER void* OwnAllocMem(std::uint32_t size) {
  return size == 0 ? nullptr : ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}
KARVO_REGISTER bool OwnRegisterLeak(void*) { return true; }
KARVO_REGISTER bool OwnUnregisterLeak(void*) { return true; }

const TMemoryManagerEx kOwnManager = {OwnGetMem,   OwnFreeMem,      OwnReallocMem,
                                      OwnAllocMem, OwnRegisterLeak, OwnUnregisterLeak};

const TMemoryManagerEx* g_manager = &kOwnManager;
bool g_published = false;
HANDLE g_mapping = nullptr;
void* g_view = nullptr;

}  // namespace

void AttachMemoryManager() {
  g_manager = &kOwnManager;
  g_published = false;
  wchar_t name[40];
  std::swprintf(name, 40, L"Local\\FastMM_PID_%08X", static_cast<unsigned>(::GetCurrentProcessId()));
  // Create-or-open in one call, so two modules loading at once agree.
  HANDLE m = Sys().CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, name);
  if (m == nullptr) return;
  bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
  void* v = Sys().MapViewOfFile(m, FILE_MAP_ALL_ACCESS, 0, 0, 4);
  if (v == nullptr) {
    Sys().CloseHandle(m);
    return;
  }
  auto slot = static_cast<const TMemoryManagerEx* volatile*>(v);
  if (existed && *slot != nullptr) {
    g_manager = *slot;
  } else {
    *slot = &kOwnManager;
    g_published = true;
  }
  g_mapping = m;
  g_view = v;
}

void DetachMemoryManager() {
  if (g_view != nullptr) Sys().UnmapViewOfFile(g_view);
  if (g_mapping != nullptr) Sys().CloseHandle(g_mapping);
  g_view = nullptr;
  g_mapping = nullptr;
  g_manager = &kOwnManager;
  g_published = false;
}

const TMemoryManagerEx& MemoryManager() { return *g_manager; }
bool PublishedOwnMemoryManager() { return g_published; }

}  // namespace karvo
