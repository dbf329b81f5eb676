// The shared memory manager from the inside: what the library publishes
// where no executable page of its own can be made, and how a table it
// adopted is checked again before every call.
#include <gtest/gtest.h>

#include <cstdio>
#include <cwchar>
#include <stdexcept>

#include "link/AnsiStrings.h"
#include "platform/MemoryManager.h"
#include "platform/PublishedManager.h"
#include "platform/Syscalls.h"

namespace karvo::test {
namespace {

// The process's mapping, emptied for each case and emptied again after it,
// with the library detached: the other tests use the library's own heap.
class ManagerMapping : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t name[40];
    std::swprintf(name, 40, L"Local\\FastMM_PID_%08X", static_cast<unsigned>(::GetCurrentProcessId()));
    mapping_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, name);
    ASSERT_NE(mapping_, nullptr);
    slot_ = static_cast<const void**>(::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 4));
    ASSERT_NE(slot_, nullptr);
    *slot_ = nullptr;
  }
  void TearDown() override {
    DetachMemoryManager();
    ResetSyscalls();
    *slot_ = nullptr;
    ::UnmapViewOfFile(slot_);
    ::CloseHandle(mapping_);
  }
  const void* InSlot() const { return *slot_; }
  void Put(const void* table) { *slot_ = table; }

 private:
  HANDLE mapping_ = nullptr;
  const void** slot_ = nullptr;
};

BOOL WINAPI RefuseExecutable(LPVOID, SIZE_T, DWORD, PDWORD) { return ::SetLastError(ERROR_ACCESS_DENIED), FALSE; }

HMODULE ModuleAt(const void* p) {
  HMODULE m = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       static_cast<LPCWSTR>(p), &m);
  return m;
}

TEST_F(ManagerMapping, ItPublishesAPageOfItsOwnOutsideEveryModule) {
  AttachMemoryManager();
  EXPECT_EQ(MemoryManagerSource(), ManagerSource::PublishedPage);
  ASSERT_NE(InSlot(), nullptr);
  EXPECT_EQ(InSlot(), PublishedMemoryManager());
  EXPECT_EQ(ModuleAt(InSlot()), nullptr);
  void* p = ManagerGetMem(32);
  ASSERT_NE(p, nullptr);
  auto table = static_cast<const TMemoryManagerEx*>(InSlot());
  EXPECT_EQ(table->FreeMem(p), 0) << "what our heap gave, the published routines free: one heap";
}

TEST_F(ManagerMapping, WhereNoExecutablePageCanBeMadeItPublishesItsOwnRoutinesAndStays) {
  Sys().VirtualProtect = &RefuseExecutable;
  AttachMemoryManager();
  EXPECT_EQ(MemoryManagerSource(), ManagerSource::PublishedOwnPinned);
  ASSERT_NE(InSlot(), nullptr);
  EXPECT_EQ(ModuleAt(InSlot()), ::GetModuleHandleW(nullptr)) << "its routines are in its own image, pinned";
  void* p = ManagerGetMem(32);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(ManagerFreeMem(p), 0);
}

TEST_F(ManagerMapping, AnAdoptedTableIsCheckedAgainBeforeEveryCall) {
  const TMemoryManagerEx* other = MakePublishedManager();  // another module's, as far as we know
  ASSERT_NE(other, nullptr);
  Put(other);
  AttachMemoryManager();
  EXPECT_EQ(MemoryManagerSource(), ManagerSource::Adopted);
  void* p = ManagerGetMem(16);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(ManagerFreeMem(p), 0);
  // Its routines stop being code (their module went, say): never called again.
  DWORD was = 0;
  ASSERT_TRUE(::VirtualProtect(const_cast<TMemoryManagerEx*>(other), 4096, PAGE_READONLY, &was));
  EXPECT_EQ(ManagerGetMem(16), nullptr);
  EXPECT_EQ(ManagerFreeMem(nullptr), 1);
  ::VirtualProtect(const_cast<TMemoryManagerEx*>(other), 4096, was, &was);
  DetachMemoryManager();
  DiscardPublishedManager(other);
}

TEST_F(ManagerMapping, ATableThatCannotBeCalledLeavesTheCallersVariableAlone) {
  static const int kData[6] = {};
  Put(kData);  // readable, but its entries lead nowhere
  AttachMemoryManager();
  EXPECT_EQ(MemoryManagerSource(), ManagerSource::Unusable);
  EXPECT_FALSE(MemoryManagerUsable());
  EXPECT_EQ(ManagerGetMem(8), nullptr);
  char untouched[] = "x";
  char* var = untouched;
  EXPECT_THROW(StoreAnsiString(&var, ""), std::runtime_error) << "not even an empty text: the old one cannot go";
  EXPECT_THROW(StoreAnsiString(&var, "abc"), std::runtime_error);
  EXPECT_EQ(var, untouched);
}

}  // namespace
}  // namespace karvo::test
