#include "platform/PublishedManager.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "platform/Syscalls.h"

namespace karvo {

namespace {

constexpr std::size_t kPage = 4096;

// Writes x86 machine code. The routines are tiny and straight: a test, a
// forward jump or two, a call into the kernel. Written out here because
// they must not live in our image, and nothing else of ours may be called
// from them.
class Code {
 public:
  explicit Code(std::uint8_t* at) : p_(at) {}
  const std::uint8_t* Here() const { return p_; }
  void Bytes(std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) *p_++ = b;
  }
  void Word(std::uint32_t w) {
    std::memcpy(p_, &w, sizeof w);
    p_ += sizeof w;
  }
  void Word(const void* p) { Word(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p))); }
  // A short conditional jump forward; Land() puts its target here.
  std::uint8_t* JumpIf(std::uint8_t opcode) {
    Bytes({opcode, 0});
    return p_ - 1;
  }
  void Land(std::uint8_t* displacement) { *displacement = static_cast<std::uint8_t>(p_ - (displacement + 1)); }
  // A jump (E9) or call (E8) to a routine written before.
  void Relative(std::uint8_t opcode, const std::uint8_t* target) {
    Bytes({opcode});
    Word(static_cast<std::uint32_t>(target - (p_ + 4)));
  }
  // mov eax, routine; call eax: a stdcall routine of the kernel.
  void CallKernel(const void* routine) {
    Bytes({0xB8});
    Word(routine);
    Bytes({0xFF, 0xD0});
  }
  void ReturnZero() { Bytes({0x31, 0xC0, 0xC3}); }  // xor eax, eax; ret

 private:
  std::uint8_t* p_;
};

struct Kernel {
  HANDLE heap;
  const void* alloc;
  const void* free;
  const void* realloc;
};

// The register convention of the table: first argument in EAX, second in
// EDX, result in EAX; EAX, ECX and EDX may be changed, nothing else is.

// HeapAlloc(heap, flags, size) for the size in EAX; nil for no size.
const std::uint8_t* WriteAlloc(Code& c, const Kernel& k, std::uint32_t flags, bool signedSize) {
  const std::uint8_t* start = c.Here();
  c.Bytes({0x85, 0xC0});                                    // test eax, eax
  std::uint8_t* none = c.JumpIf(signedSize ? 0x7E : 0x74);  // jle / jz none
  c.Bytes({0x50});                                          // push eax (size)
  c.Bytes({0x68});                                          // push flags
  c.Word(flags);
  c.Bytes({0x68});  // push heap
  c.Word(k.heap);
  c.CallKernel(k.alloc);
  c.Bytes({0xC3});  // ret
  c.Land(none);
  c.ReturnZero();
  return start;
}

// HeapFree(heap, 0, p) for p in EAX: 0 when freed (or nil), 1 when not.
const std::uint8_t* WriteFree(Code& c, const Kernel& k) {
  const std::uint8_t* start = c.Here();
  c.Bytes({0x85, 0xC0});               // test eax, eax
  std::uint8_t* nil = c.JumpIf(0x74);  // jz nil
  c.Bytes({0x50, 0x6A, 0x00, 0x68});   // push eax; push 0; push heap
  c.Word(k.heap);
  c.CallKernel(k.free);
  c.Bytes({0x85, 0xC0, 0x0F, 0x94, 0xC0, 0x0F, 0xB6, 0xC0, 0xC3});  // test eax, eax; sete al; movzx eax, al; ret
  c.Land(nil);
  c.ReturnZero();
  return start;
}

// p in EAX, size in EDX: nil grows into GetMem(size), a size of 0 or less
// frees p and gives nil, anything else is HeapReAlloc(heap, 0, p, size).
const std::uint8_t* WriteRealloc(Code& c, const Kernel& k, const std::uint8_t* getMem, const std::uint8_t* freeMem) {
  const std::uint8_t* start = c.Here();
  c.Bytes({0x85, 0xC0});                    // test eax, eax
  std::uint8_t* fresh = c.JumpIf(0x74);     // jz fresh
  c.Bytes({0x85, 0xD2});                    // test edx, edx
  std::uint8_t* drop = c.JumpIf(0x7E);      // jle drop
  c.Bytes({0x52, 0x50, 0x6A, 0x00, 0x68});  // push edx; push eax; push 0; push heap
  c.Word(k.heap);
  c.CallKernel(k.realloc);
  c.Bytes({0xC3});  // ret
  c.Land(fresh);
  c.Bytes({0x89, 0xD0});  // mov eax, edx
  c.Relative(0xE9, getMem);
  c.Land(drop);
  c.Relative(0xE8, freeMem);
  c.ReturnZero();
  return start;
}

// Registering an expected leak: nothing to do, and done.
const std::uint8_t* WriteTrue(Code& c) {
  const std::uint8_t* start = c.Here();
  c.Bytes({0xB8, 0x01, 0x00, 0x00, 0x00, 0xC3});  // mov eax, 1; ret
  return start;
}

template <class F>
F As(const std::uint8_t* code) {
  return reinterpret_cast<F>(reinterpret_cast<std::uintptr_t>(code));
}

}  // namespace

const TMemoryManagerEx* MakePublishedManager() {
  HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  Kernel k{::GetProcessHeap(), nullptr, nullptr, nullptr};
  if (kernel != nullptr) {
    k.alloc = reinterpret_cast<const void*>(::GetProcAddress(kernel, "HeapAlloc"));
    k.free = reinterpret_cast<const void*>(::GetProcAddress(kernel, "HeapFree"));
    k.realloc = reinterpret_cast<const void*>(::GetProcAddress(kernel, "HeapReAlloc"));
  }
  if (k.heap == nullptr || k.alloc == nullptr || k.free == nullptr || k.realloc == nullptr) return nullptr;

  auto page = static_cast<std::uint8_t*>(Sys().VirtualAlloc(nullptr, kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  if (page == nullptr) return nullptr;
  // The table first, then the routines.
  auto table = reinterpret_cast<TMemoryManagerEx*>(page);
  Code c(page + 64);
  const std::uint8_t* getMem = WriteAlloc(c, k, 0, true);
  const std::uint8_t* freeMem = WriteFree(c, k);
  const std::uint8_t* reallocMem = WriteRealloc(c, k, getMem, freeMem);
  const std::uint8_t* allocMem = WriteAlloc(c, k, HEAP_ZERO_MEMORY, false);
  const std::uint8_t* leak = WriteTrue(c);
  table->GetMem = As<decltype(table->GetMem)>(getMem);
  table->FreeMem = As<decltype(table->FreeMem)>(freeMem);
  table->ReallocMem = As<decltype(table->ReallocMem)>(reallocMem);
  table->AllocMem = As<decltype(table->AllocMem)>(allocMem);
  table->RegisterExpectedMemoryLeak = As<decltype(table->RegisterExpectedMemoryLeak)>(leak);
  table->UnregisterExpectedMemoryLeak = As<decltype(table->UnregisterExpectedMemoryLeak)>(leak);

  // Executable and no longer writable: a process that allows no executable
  // memory of its own making says so here.
  DWORD was = 0;
  if (!Sys().VirtualProtect(page, kPage, PAGE_EXECUTE_READ, &was)) {
    ::VirtualFree(page, 0, MEM_RELEASE);
    return nullptr;
  }
  ::FlushInstructionCache(::GetCurrentProcess(), page, kPage);
  return table;
}

void DiscardPublishedManager(const TMemoryManagerEx* table) {
  if (table != nullptr) ::VirtualFree(const_cast<TMemoryManagerEx*>(table), 0, MEM_RELEASE);
}

}  // namespace karvo
