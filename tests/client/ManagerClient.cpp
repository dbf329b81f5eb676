// A fresh process for the memory manager that all modules share, where no
// other test has published one yet:
//   karvo_manager_client publish            KARVO.DLL publishes a table that outlives it
//   karvo_manager_client two-copies COPY    a copy of KARVO.DLL under another name adopts
//                                           it and goes on after the first copy is gone
//   karvo_manager_client old-publisher      a module that publishes inside its own image
//                                           is kept loaded by KARVO.DLL, which uses it
//   karvo_manager_client pascal-publisher   a Pascal library with KarvoShareMem that
//                                           publishes keeps itself loaded
//   karvo_manager_client pascal-adopter     one that adopts keeps the publisher loaded
//   karvo_manager_client pascal-unusable    one that finds a table it cannot call keeps
//                                           its own heap
// Prints one line per check; exits 0 when every check held. A fault ends the
// process with the fault's code.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "karvo.h"

namespace {

#define REGISTER_CALL __attribute__((regparm(3)))

struct Table {
  void*(REGISTER_CALL* GetMem)(int);
  int(REGISTER_CALL* FreeMem)(void*);
  void*(REGISTER_CALL* ReallocMem)(void*, int);
  void*(REGISTER_CALL* AllocMem)(unsigned);
  bool(REGISTER_CALL* Register)(void*);
  bool(REGISTER_CALL* Unregister)(void*);
};

int g_failures = 0;

void Check(bool ok, const char* what) {
  std::printf("%s  %s\n", ok ? "ok     " : "FAILED ", what);
  if (!ok) ++g_failures;
}

// The table in the process's mapping, or null when there is none.
const Table* Published() {
  wchar_t name[40];
  std::swprintf(name, 40, L"Local\\FastMM_PID_%08X", static_cast<unsigned>(::GetCurrentProcessId()));
  HANDLE m = ::OpenFileMappingW(FILE_MAP_READ, FALSE, name);
  if (m == nullptr) return nullptr;
  const Table* t = nullptr;
  if (void* v = ::MapViewOfFile(m, FILE_MAP_READ, 0, 0, 4)) {
    t = *static_cast<const Table* const*>(v);
    ::UnmapViewOfFile(v);
  }
  ::CloseHandle(m);
  return t;
}

bool InSomeModule(const void* p) {
  HMODULE m = nullptr;
  return ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              static_cast<LPCWSTR>(p), &m) != 0;
}

// Every routine of the table called as a Pascal module calls them.
bool TableWorks(const Table* t) {
  auto p = static_cast<char*>(t->GetMem(100));
  if (p == nullptr || t->GetMem(0) != nullptr || t->GetMem(-5) != nullptr) return false;
  std::memset(p, 'x', 100);
  p = static_cast<char*>(t->ReallocMem(p, 5000));
  if (p == nullptr || p[99] != 'x') return false;
  if (t->ReallocMem(p, 0) != nullptr) return false;    // frees
  p = static_cast<char*>(t->ReallocMem(nullptr, 16));  // grows from nothing
  if (p == nullptr || t->FreeMem(p) != 0 || t->FreeMem(nullptr) != 0) return false;
  auto z = static_cast<unsigned char*>(t->AllocMem(64));
  if (z == nullptr || z[63] != 0 || t->AllocMem(0) != nullptr || t->FreeMem(z) != 0) return false;
  return t->Register(nullptr) && t->Unregister(nullptr);
}

template <class Fn>
Fn Get(HMODULE m, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m, name)));
}

// The last error through the A form of that module: its text, and the
// string given back through the module again.
std::string LastErrorA(HMODULE m) {
  auto getA = Get<KARVO_PFN_GetLastAPIErrorA>(m, "GetLastAPIErrorA");
  KARVO_ANSISTRING s = nullptr;
  getA(&s);
  std::string text = s != nullptr ? s : "";
  // Once more: the first string goes back to the manager that made it.
  getA(&s);
  const Table* t = Published();
  if (s != nullptr && t != nullptr) t->FreeMem(s - 12);
  return text;
}

int Publish() {
  Check(Published() == nullptr, "no manager published before KARVO.DLL loads");
  HMODULE karvo = ::LoadLibraryA("KARVO.DLL");
  Check(karvo != nullptr, "KARVO.DLL loads");
  const Table* t = Published();
  Check(t != nullptr, "KARVO.DLL publishes a manager");
  if (t == nullptr) return 1;
  Check(!InSomeModule(t) && !InSomeModule(reinterpret_cast<const void*>(t->GetMem)),
        "the table and its routines lie outside every module");
  Check(TableWorks(t), "every routine of the table works");
  ::FreeLibrary(karvo);
  Check(::GetModuleHandleA("KARVO.DLL") == nullptr, "KARVO.DLL can still be unloaded");
  Check(Published() == t && TableWorks(t), "its table stays published and works after it has gone");
  karvo = ::LoadLibraryA("KARVO.DLL");
  Check(Published() == t, "loaded again, it uses the table it published before");
  Get<KARVO_PFN_OpenAPI>(karvo, "OpenAPI")("");
  Check(!LastErrorA(karvo).empty(), "and hands out its strings through it");
  ::FreeLibrary(karvo);
  return g_failures == 0 ? 0 : 1;
}

int TwoCopies(const char* copy) {
  HMODULE first = ::LoadLibraryA("KARVO.DLL");
  HMODULE second = ::LoadLibraryA(copy);
  Check(first != nullptr && second != nullptr && first != second, "two copies of KARVO.DLL in one process");
  if (first == nullptr || second == nullptr) return 1;
  Get<KARVO_PFN_OpenAPI>(second, "OpenAPI")("");
  const std::string before = LastErrorA(second);
  ::FreeLibrary(first);
  Check(::GetModuleHandleA("KARVO.DLL") == nullptr, "the first copy is unloaded");
  const std::string after = LastErrorA(second);
  Check(!after.empty() && after == before, "the second copy still hands out strings");
  ::FreeLibrary(second);
  return g_failures == 0 ? 0 : 1;
}

int OldPublisher() {
  HMODULE publisher = ::LoadLibraryA("OldStylePublisher.dll");
  Check(publisher != nullptr && Published() != nullptr, "a module publishes a table inside its own image");
  HMODULE karvo = ::LoadLibraryA("KARVO.DLL");
  Get<KARVO_PFN_OpenAPI>(karvo, "OpenAPI")("");
  ::FreeLibrary(publisher);
  Check(::GetModuleHandleA("OldStylePublisher.dll") != nullptr, "KARVO.DLL keeps the module whose table it uses");
  Check(!LastErrorA(karvo).empty(), "and hands out its strings through that table");
  ::FreeLibrary(karvo);
  return g_failures == 0 ? 0 : 1;
}

using ShareMemManager = const void*(__stdcall*)();
using ShareMemPublished = BOOL(__stdcall*)();

int PascalPublisher() {
  HMODULE lib = ::LoadLibraryA("ShareMemLibrary.dll");
  Check(lib != nullptr, "a Pascal library with KarvoShareMem loads first");
  if (lib == nullptr) return 1;
  const void* manager = Get<ShareMemManager>(lib, "ShareMemManager")();
  Check(Get<ShareMemPublished>(lib, "ShareMemPublished")() && manager != nullptr && Published() == manager,
        "it publishes its own manager");
  ::FreeLibrary(lib);
  Check(::GetModuleHandleA("ShareMemLibrary.dll") != nullptr, "it stays loaded: others may be calling it");
  HMODULE karvo = ::LoadLibraryA("KARVO.DLL");
  Get<KARVO_PFN_OpenAPI>(karvo, "OpenAPI")("");
  Check(Published() == manager && !LastErrorA(karvo).empty(), "KARVO.DLL hands out its strings through it");
  ::FreeLibrary(karvo);
  return g_failures == 0 ? 0 : 1;
}

int PascalAdopter() {
  HMODULE publisher = ::LoadLibraryA("OldStylePublisher.dll");
  HMODULE lib = ::LoadLibraryA("ShareMemLibrary.dll");
  Check(publisher != nullptr && lib != nullptr, "a module publishes, then a Pascal library loads");
  if (publisher == nullptr || lib == nullptr) return 1;
  Check(!Get<ShareMemPublished>(lib, "ShareMemPublished")() &&
            Get<ShareMemManager>(lib, "ShareMemManager")() == Published(),
        "the Pascal library adopts the published table");
  ::FreeLibrary(publisher);
  Check(::GetModuleHandleA("OldStylePublisher.dll") != nullptr, "and keeps the module that holds it loaded");
  ::FreeLibrary(lib);
  return g_failures == 0 ? 0 : 1;
}

int PascalUnusable() {
  static const int kData[6] = {};
  wchar_t name[40];
  std::swprintf(name, 40, L"Local\\FastMM_PID_%08X", static_cast<unsigned>(::GetCurrentProcessId()));
  HANDLE m = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, name);
  auto slot = m != nullptr ? static_cast<const void**>(::MapViewOfFile(m, FILE_MAP_ALL_ACCESS, 0, 0, 4)) : nullptr;
  Check(slot != nullptr, "a table whose routines lead into data is published");
  if (slot == nullptr) return 1;
  *slot = kData;
  HMODULE lib = ::LoadLibraryA("ShareMemLibrary.dll");
  Check(lib != nullptr, "a Pascal library with KarvoShareMem loads");
  if (lib == nullptr) return 1;
  Check(Get<ShareMemManager>(lib, "ShareMemManager")() == nullptr &&
            !Get<ShareMemPublished>(lib, "ShareMemPublished")(),
        "it keeps its own heap and publishes nothing");
  Check(*slot == kData, "the slot stays as it was");
  ::FreeLibrary(lib);
  *slot = nullptr;
  ::UnmapViewOfFile(slot);
  ::CloseHandle(m);
  return g_failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "publish") return Publish();
  if (mode == "two-copies" && argc > 2) return TwoCopies(argv[2]);
  if (mode == "old-publisher") return OldPublisher();
  if (mode == "pascal-publisher") return PascalPublisher();
  if (mode == "pascal-adopter") return PascalAdopter();
  if (mode == "pascal-unusable") return PascalUnusable();
  std::printf(
      "usage: karvo_manager_client publish | two-copies COPY | old-publisher | pascal-publisher | "
      "pascal-adopter | pascal-unusable\n");
  return 2;
}
