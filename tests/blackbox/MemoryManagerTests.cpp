// The memory manager that all modules of a process share for counted
// strings: the library uses one that is published, or publishes its own.
#include <cstdio>

#include "Plugin.h"

namespace karvo::test {
namespace {

#define REGISTER_CALL __attribute__((regparm(3)))

struct ManagerTable {
  void* (REGISTER_CALL* GetMem)(int size);
  int (REGISTER_CALL* FreeMem)(void* p);
  void* (REGISTER_CALL* ReallocMem)(void* p, int size);
  void* (REGISTER_CALL* AllocMem)(unsigned size);
  bool (REGISTER_CALL* RegisterLeak)(void* p);
  bool (REGISTER_CALL* UnregisterLeak)(void* p);
};

int g_gets = 0, g_frees = 0;
REGISTER_CALL void* CountingGet(int size) {
  ++g_gets;
  return ::HeapAlloc(::GetProcessHeap(), 0, size);
}
REGISTER_CALL int CountingFree(void* p) {
  ++g_frees;
  return ::HeapFree(::GetProcessHeap(), 0, p) ? 0 : 1;
}
REGISTER_CALL void* CountingRealloc(void* p, int size) { return ::HeapReAlloc(::GetProcessHeap(), 0, p, size); }
REGISTER_CALL void* CountingAlloc(unsigned size) { return ::HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size); }
REGISTER_CALL bool NoLeak(void*) { return true; }
const ManagerTable kCounting = {CountingGet, CountingFree, CountingRealloc, CountingAlloc, NoLeak, NoLeak};

std::wstring ManagerName() {
  wchar_t name[40];
  std::swprintf(name, 40, L"Local\\FastMM_PID_%08X", static_cast<unsigned>(::GetCurrentProcessId()));
  return name;
}

TEST(MemoryManager, APublishedManagerAllocatesAndFreesTheStrings) {
  HANDLE m = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, ManagerName().c_str());
  ASSERT_NE(m, nullptr);
  auto slot = static_cast<const ManagerTable**>(::MapViewOfFile(m, FILE_MAP_ALL_ACCESS, 0, 0, 4));
  *slot = &kCounting;
  {
    Plugin p;
    g_gets = g_frees = 0;
    KARVO_FN(p, OpenAPI)("");
    KARVO_ANSISTRING s = nullptr;
    KARVO_FN(p, GetLastAPIErrorA)(&s);
    EXPECT_EQ(g_gets, 1);
    KARVO_FN(p, GetLastAPIErrorA)(&s);
    EXPECT_EQ(g_gets, 2);
    EXPECT_EQ(g_frees, 1) << "the variable's old string went back to the manager that made it";
    KARVO_FN(p, OpenAPI)("KARVO_1.3_none");
    KARVO_FN(p, OpenAPI)("");
    EXPECT_EQ(KARVO_FN(p, OpenAPIA)(s), 0);
    EXPECT_EQ(g_frees, 1) << "an argument's reference is given back, not freed";
    CountingFree(s - 12);
  }
  ::UnmapViewOfFile(slot);
  ::CloseHandle(m);
}

TEST(MemoryManager, WithoutOneTheLibraryPublishesItsOwn) {
  Plugin p;
  HANDLE m = ::OpenFileMappingW(FILE_MAP_READ, FALSE, ManagerName().c_str());
  ASSERT_NE(m, nullptr);
  auto slot = static_cast<const ManagerTable* const*>(::MapViewOfFile(m, FILE_MAP_READ, 0, 0, 4));
  ASSERT_NE(slot, nullptr);
  const ManagerTable* table = *slot;
  ASSERT_NE(table, nullptr);
  // The published table uses the register convention: call it as a Pascal
  // module would and free what it gave through it.
  char* mem = static_cast<char*>(table->GetMem(100));
  ASSERT_NE(mem, nullptr);
  mem[99] = 'x';
  EXPECT_EQ(table->FreeMem(mem), 0);
  auto zeroed = static_cast<unsigned char*>(table->AllocMem(16));
  ASSERT_NE(zeroed, nullptr);
  EXPECT_EQ(zeroed[15], 0);
  EXPECT_EQ(table->FreeMem(zeroed), 0);
  ::UnmapViewOfFile(slot);
  ::CloseHandle(m);
}

}  // namespace
}  // namespace karvo::test
