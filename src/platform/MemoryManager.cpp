#include "platform/MemoryManager.h"

#include <atomic>
#include <cstdio>

#include "platform/CallerMemory.h"
#include "platform/Owners.h"
#include "platform/PublishedManager.h"
#include "platform/Syscalls.h"

namespace karvo {

namespace {

// Our own manager: the process heap. It lies below the table of platform
// calls, which fails and counts it at the manager's own interface, as it
// does a manager published by the host.
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

// Attach and detach run under the loader lock, one at a time; the lock is
// for anyone else who calls them. A slim lock needs no setting up.
SRWLOCK g_lock = SRWLOCK_INIT;
class Locked {
 public:
  Locked() { ::AcquireSRWLockExclusive(&g_lock); }
  ~Locked() { ::ReleaseSRWLockExclusive(&g_lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

// Read by every export from any thread; written only by attach and detach.
std::atomic<const TMemoryManagerEx*> g_manager{&kOwnManager};
TMemoryManagerEx g_adopted{};  // our copy of a table found in the mapping
ManagerSource g_source = ManagerSource::None;
const TMemoryManagerEx* g_inMapping = nullptr;
UniqueHandle g_mapping;
UniqueView g_view;

// The six entries in order, to check them alike.
const void* Entry(const TMemoryManagerEx& t, int i) {
  switch (i) {
    case 0: return reinterpret_cast<const void*>(t.GetMem);
    case 1: return reinterpret_cast<const void*>(t.FreeMem);
    case 2: return reinterpret_cast<const void*>(t.ReallocMem);
    case 3: return reinterpret_cast<const void*>(t.AllocMem);
    case 4: return reinterpret_cast<const void*>(t.RegisterExpectedMemoryLeak);
    default: return reinterpret_cast<const void*>(t.UnregisterExpectedMemoryLeak);
  }
}

// A table found in the mapping, copied through the checked path: usable
// when it can be read and every routine lies in executable memory.
bool ReadUsableTable(const TMemoryManagerEx* found, TMemoryManagerEx& copy) {
  if (!ReadCallerMemory(reinterpret_cast<std::uintptr_t>(found), &copy, sizeof copy)) return false;
  for (int i = 0; i < 6; ++i)
    if (!CallerCodeAddress(reinterpret_cast<std::uintptr_t>(Entry(copy, i)))) return false;
  return true;
}

// Keeps the module at that address (if one is there) loaded until the
// process ends.
void PinModuleAt(const void* address) {
  HMODULE module = nullptr;
  Sys().GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           static_cast<LPCWSTR>(address), &module);
}

void Adopt(const TMemoryManagerEx* found) {
  g_inMapping = found;
  TMemoryManagerEx copy{};
  if (!ReadUsableTable(found, copy)) {
    g_source = ManagerSource::Unusable;
    g_manager.store(nullptr);
    return;
  }
  // The table and its routines must outlive us: whoever published it may
  // not have seen to that.
  PinModuleAt(found);
  for (int i = 0; i < 6; ++i) PinModuleAt(Entry(copy, i));
  g_adopted = copy;
  g_source = ManagerSource::Adopted;
  g_manager.store(&g_adopted);
}

}  // namespace

void AttachMemoryManager() {
  Locked lock;
  g_manager.store(&kOwnManager);
  g_source = ManagerSource::None;
  g_inMapping = nullptr;
  wchar_t name[40];
  std::swprintf(name, 40, L"Local\\FastMM_PID_%08X", static_cast<unsigned>(::GetCurrentProcessId()));
  // Create-or-open in one call, so two modules loading at once agree.
  UniqueHandle mapping(Sys().CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4, name));
  if (!mapping) return;  // no sharing: our own heap, unpublished
  UniqueView view(Sys().MapViewOfFile(mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, 4));
  if (!view) return;
  auto slot = static_cast<void* volatile*>(view.get());
  g_mapping = std::move(mapping);
  g_view = std::move(view);
  if (const auto* found = static_cast<const TMemoryManagerEx*>(*slot)) return Adopt(found);

  // Nobody has published: publish into the empty slot, atomically, as
  // KarvoShareMem does, and adopt whatever won if another module was faster.
  const TMemoryManagerEx* page = MakePublishedManager();
  const TMemoryManagerEx* ours = page != nullptr ? page : &kOwnManager;
  void* before =
      ::InterlockedCompareExchangePointer(const_cast<void**>(slot), const_cast<TMemoryManagerEx*>(ours), nullptr);
  if (before != nullptr) {
    DiscardPublishedManager(page);
    return Adopt(static_cast<const TMemoryManagerEx*>(before));
  }
  g_inMapping = ours;
  if (page != nullptr) {
    g_source = ManagerSource::PublishedPage;
  } else {
    // Our own routines are in the table now: this image must stay.
    PinModuleAt(&kOwnManager);
    g_source = ManagerSource::PublishedOwnPinned;
  }
}

void DetachMemoryManager() {
  Locked lock;
  // A table we published stays findable, with its mapping, for whoever
  // loads after us: the handle and the view are kept on purpose.
  const bool keep = g_source == ManagerSource::PublishedPage || g_source == ManagerSource::PublishedOwnPinned;
  if (keep) {
    g_view.release();
    g_mapping.release();
  }
  g_view.reset();
  g_mapping.reset();
  g_manager.store(&kOwnManager);
  g_source = ManagerSource::None;
  g_inMapping = nullptr;
}

void* ManagerGetMem(std::int32_t size) {
  const TMemoryManagerEx* m = g_manager.load();
  if (m == nullptr) return nullptr;
  // A routine that has gone since we looked is not called.
  if (m != &kOwnManager && !CallerCodeAddress(reinterpret_cast<std::uintptr_t>(m->GetMem))) return nullptr;
  return m->GetMem(size);
}

std::int32_t ManagerFreeMem(void* p) {
  const TMemoryManagerEx* m = g_manager.load();
  if (m == nullptr) return 1;
  if (m != &kOwnManager && !CallerCodeAddress(reinterpret_cast<std::uintptr_t>(m->FreeMem))) return 1;
  return m->FreeMem(p);
}

bool MemoryManagerUsable() { return g_manager.load() != nullptr; }

ManagerSource MemoryManagerSource() {
  Locked lock;
  return g_source;
}

const TMemoryManagerEx* PublishedMemoryManager() {
  Locked lock;
  return g_inMapping;
}

}  // namespace karvo
