#include "link/AnsiStrings.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/CodePage.h"
#include "platform/Owners.h"

namespace karvo {

namespace {

struct Header {
  std::uint16_t codePage;
  std::uint16_t elemSize;
  std::int32_t refCount;
  std::int32_t length;
};
static_assert(sizeof(Header) == 12, "counted string header");

Header* HeaderOf(const char* s) { return reinterpret_cast<Header*>(const_cast<char*>(s) - sizeof(Header)); }

// Our own manager, for a process that has none: the process heap.
KARVO_REGISTER void* OwnGetMem(std::int32_t size) {
  return size <= 0 ? nullptr : Sys().HeapAlloc(::GetProcessHeap(), 0, static_cast<SIZE_T>(size));
}
KARVO_REGISTER std::int32_t OwnFreeMem(void* p) {
  if (p == nullptr) return 0;
  return Sys().HeapFree(::GetProcessHeap(), 0, p) ? 0 : 1;
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
  return size == 0 ? nullptr : Sys().HeapAlloc(::GetProcessHeap(), HEAP_ZERO_MEMORY, size);
}
KARVO_REGISTER bool OwnRegisterLeak(void*) { return true; }
KARVO_REGISTER bool OwnUnregisterLeak(void*) { return true; }

const TMemoryManagerEx kOwnManager = {OwnGetMem, OwnFreeMem, OwnReallocMem, OwnAllocMem, OwnRegisterLeak,
                                      OwnUnregisterLeak};

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

AnsiStringParts ReadAnsiString(const char* s) {
  AnsiStringParts p;
  if (s == nullptr) return p;
  const Header* h = HeaderOf(s);
  p.bytes = s;
  p.length = h->length > 0 ? static_cast<std::size_t>(h->length) : 0;
  p.codePage = h->codePage;
  return p;
}

char* NewAnsiString(const std::string& bytes, std::uint16_t codePage) {
  if (bytes.empty()) return nullptr;
  if (bytes.size() > 0x7FFFFFF0u - sizeof(Header)) throw std::bad_alloc();
  auto total = static_cast<std::int32_t>(sizeof(Header) + bytes.size() + 1);
  void* mem = MemoryManager().GetMem(total);
  if (mem == nullptr) throw std::bad_alloc();
  auto h = static_cast<Header*>(mem);
  h->codePage = codePage;
  h->elemSize = 1;
  h->refCount = 1;
  h->length = static_cast<std::int32_t>(bytes.size());
  char* s = reinterpret_cast<char*>(h + 1);
  std::memcpy(s, bytes.data(), bytes.size());
  s[bytes.size()] = '\0';
  return s;
}

void AnsiStringAddRef(const char* s) {
  if (s == nullptr) return;
  Header* h = HeaderOf(s);
  if (h->refCount >= 0) ::InterlockedIncrement(reinterpret_cast<volatile LONG*>(&h->refCount));
}

void AnsiStringRelease(const char* s) {
  if (s == nullptr) return;
  Header* h = HeaderOf(s);
  if (h->refCount <= 0) return;
  if (::InterlockedDecrement(reinterpret_cast<volatile LONG*>(&h->refCount)) == 0) MemoryManager().FreeMem(h);
}

void StoreAnsiString(char** var, const std::string& bytes) {
  if (var == nullptr) return;
  char* fresh = NewAnsiString(bytes, static_cast<std::uint16_t>(SystemAnsiCodePage()));
  char* old = *var;
  *var = fresh;
  AnsiStringRelease(old);
}

}  // namespace karvo
