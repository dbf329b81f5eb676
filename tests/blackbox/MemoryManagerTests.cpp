// The memory manager that all modules of a process share for counted
// strings: the library uses one that is published, or publishes its own.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "Plugin.h"
#include "WildMemory.h"

namespace karvo::test {
namespace {

#define REGISTER_CALL __attribute__((regparm(3)))

struct ManagerTable {
  void*(REGISTER_CALL* GetMem)(int size);
  int(REGISTER_CALL* FreeMem)(void* p);
  void*(REGISTER_CALL* ReallocMem)(void* p, int size);
  void*(REGISTER_CALL* AllocMem)(unsigned size);
  bool(REGISTER_CALL* RegisterLeak)(void* p);
  bool(REGISTER_CALL* UnregisterLeak)(void* p);
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

// The slot of the process's mapping, put back as it was when it goes.
class Slot {
 public:
  Slot() {
    mapping_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, ManagerName().c_str());
    slot_ = static_cast<const void**>(::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 4));
    was_ = slot_ != nullptr ? *slot_ : nullptr;
  }
  ~Slot() {
    if (slot_ != nullptr) {
      *slot_ = was_;
      ::UnmapViewOfFile(slot_);
    }
    if (mapping_ != nullptr) ::CloseHandle(mapping_);
  }
  Slot(const Slot&) = delete;
  Slot& operator=(const Slot&) = delete;
  bool Ready() const { return slot_ != nullptr; }
  void Set(const void* table) { *slot_ = table; }

 private:
  HANDLE mapping_ = nullptr;
  const void** slot_ = nullptr;
  const void* was_ = nullptr;
};

std::string BinDir() {
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path, n);
  return p.substr(0, p.find_last_of("\\/") + 1);
}

// Runs karvo_manager_client with these arguments in a process of its own;
// its exit code, with what it printed.
DWORD RunManagerClient(const std::string& arguments, std::string& printed) {
  const std::string out = BinDir() + "manager-client-" + std::to_string(::GetCurrentProcessId()) + ".txt";
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE file = ::CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = file;
  si.hStdError = file;
  PROCESS_INFORMATION pi{};
  std::string cmd = "karvo_manager_client.exe " + arguments;
  BOOL ok = ::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, BinDir().c_str(), &si, &pi);
  ::CloseHandle(file);
  DWORD code = 999;
  if (ok) {
    ::CloseHandle(pi.hThread);
    if (::WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
  }
  std::ifstream in(out, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  printed = text.str();
  in.close();
  ::DeleteFileA(out.c_str());
  return code;
}

TEST(MemoryManager, APublishedManagerAllocatesAndFreesTheStrings) {
  Slot slot;
  ASSERT_TRUE(slot.Ready());
  slot.Set(&kCounting);
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
}

TEST(MemoryManager, AFoundTableThatCannotBeCalledIsNeverCalled) {
  Slot slot;
  ASSERT_TRUE(slot.Ready());
  EdgePage page;
  ASSERT_TRUE(page.Ready());
  static const int kData[6] = {};
  ManagerTable withNull = kCounting;
  withNull.UnregisterLeak = nullptr;
  ManagerTable intoData = kCounting;
  intoData.FreeMem = reinterpret_cast<decltype(intoData.FreeMem)>(const_cast<int*>(kData));
  // The first four entries readable, the last two past the end of memory.
  const void* cut = page.PutAtEnd(&kCounting, 4 * sizeof(void*));
  const std::pair<const char*, const void*> tables[] = {
      {"a table at 0xDEAD0000", Wild()},
      {"a null entry", &withNull},
      {"an entry into data", &intoData},
      {"a table that runs past readable memory", cut},
  };
  for (const auto& [what, table] : tables) {
    slot.Set(table);
    Plugin p;
    g_gets = g_frees = 0;
    KARVO_FN(p, OpenAPI)("KARVO_1.3_none");  // a message of its own
    KARVO_ANSISTRING s = const_cast<char*>("untouched");
    KARVO_FN(p, GetLastAPIErrorA)(&s);
    EXPECT_STREQ(s, "untouched") << what;
    EXPECT_EQ(p.LastError(), u"Wyst\u0105pi\u0142 wyj\u0105tek!") << what;
    EXPECT_EQ(g_gets + g_frees, 0) << what;
    // A form that only reads its counted string needs no manager.
    EXPECT_EQ(KARVO_FN(p, ExecuteSQLA)(AnsiStringClaiming(page, 3), 0), 2) << what;
  }
}

TEST(MemoryManager, InAFreshProcessItPublishesATableThatOutlivesIt) {
  std::string printed;
  EXPECT_EQ(RunManagerClient("publish", printed), 0u) << printed;
}

TEST(MemoryManager, TwoCopiesOfTheLibraryInOneProcess) {
  const std::string copy = BinDir() + "KARVO_second_copy.dll";
  ASSERT_TRUE(::CopyFileA((BinDir() + "KARVO.DLL").c_str(), copy.c_str(), FALSE));
  std::string printed;
  EXPECT_EQ(RunManagerClient("two-copies KARVO_second_copy.dll", printed), 0u) << printed;
  ::DeleteFileA(copy.c_str());
}

TEST(MemoryManager, AModuleWhoseTableItUsesIsKeptLoaded) {
  std::string printed;
  EXPECT_EQ(RunManagerClient("old-publisher", printed), 0u) << printed;
}

// The Pascal side, KarvoShareMem, keeps to the same rules.
TEST(MemoryManager, PascalModulesKeepThePublisherLoadedAndRefuseTablesTheyCannotCall) {
  for (const char* mode : {"pascal-publisher", "pascal-adopter", "pascal-unusable"}) {
    std::string printed;
    EXPECT_EQ(RunManagerClient(mode, printed), 0u) << mode << "\n" << printed;
  }
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
