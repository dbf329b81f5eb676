// A module that publishes its memory manager the way modules did before the
// published table had to outlive them: a table and routines inside its own
// image, nothing to keep the image loaded. Loaded by ManagerClient.cpp.
#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

#define REGISTER_CALL __attribute__((regparm(3)))

REGISTER_CALL void* GetMem(int size) { return size <= 0 ? nullptr : ::HeapAlloc(::GetProcessHeap(), 0, size); }
REGISTER_CALL int FreeMem(void* p) { return p == nullptr || ::HeapFree(::GetProcessHeap(), 0, p) ? 0 : 1; }
REGISTER_CALL void* ReallocMem(void* p, int size) { return ::HeapReAlloc(::GetProcessHeap(), 0, p, size); }
REGISTER_CALL void* AllocMem(unsigned size) { return ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size); }
REGISTER_CALL bool Leak(void*) { return true; }

struct Table {
  void*(REGISTER_CALL* GetMem)(int);
  int(REGISTER_CALL* FreeMem)(void*);
  void*(REGISTER_CALL* ReallocMem)(void*, int);
  void*(REGISTER_CALL* AllocMem)(unsigned);
  bool(REGISTER_CALL* Register)(void*);
  bool(REGISTER_CALL* Unregister)(void*);
};
const Table kTable = {GetMem, FreeMem, ReallocMem, AllocMem, Leak, Leak};

HANDLE g_mapping = nullptr;
void* g_view = nullptr;

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t name[40];
    std::swprintf(name, 40, L"Local\\FastMM_PID_%08X", static_cast<unsigned>(::GetCurrentProcessId()));
    g_mapping = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, name);
    g_view = g_mapping != nullptr ? ::MapViewOfFile(g_mapping, FILE_MAP_ALL_ACCESS, 0, 0, 4) : nullptr;
    if (g_view != nullptr && *static_cast<void**>(g_view) == nullptr) *static_cast<const Table**>(g_view) = &kTable;
  } else if (reason == DLL_PROCESS_DETACH) {
    if (g_view != nullptr) ::UnmapViewOfFile(g_view);
    if (g_mapping != nullptr) ::CloseHandle(g_mapping);
  }
  return TRUE;
}
