// Values a careless plug-in hands over: addresses nothing is mapped at, and
// memory that ends in the middle of what a value claims to hold.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/WindowsSupport.h"

namespace karvo::test {

// An address with nothing readable at it, in Windows and in Wine.
inline void* Wild() { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(0xDEAD0000u)); }
// Just above the null page.
inline void* NearNull() { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x10u)); }

// Two pages, the second decommitted: anything placed at End() - n has n
// readable bytes and nothing after them. (Wine's ReadProcessMemory reads a
// decommitted page as zeros; only the kernel's view of the pages tells.)
class EdgePage {
 public:
  EdgePage() {
    base_ = static_cast<char*>(::VirtualAlloc(nullptr, 2 * kPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (base_ != nullptr) ::VirtualFree(base_ + kPage, kPage, MEM_DECOMMIT);
  }
  ~EdgePage() {
    if (base_ != nullptr) ::VirtualFree(base_, 0, MEM_RELEASE);
  }
  EdgePage(const EdgePage&) = delete;
  EdgePage& operator=(const EdgePage&) = delete;
  bool Ready() const { return base_ != nullptr; }
  char* End() const { return base_ + kPage; }
  // Copies n bytes so that they end where the readable memory ends.
  char* PutAtEnd(const void* bytes, std::size_t n) {
    char* at = End() - n;
    std::memcpy(at, bytes, n);
    return at;
  }

 private:
  static constexpr std::size_t kPage = 4096;
  char* base_ = nullptr;
};

// A BSTR whose length prefix claims `bytes` while only its text "ab" and a
// terminator lie before the end of readable memory.
inline BSTR BstrClaiming(EdgePage& page, std::uint32_t bytes) {
  struct {
    std::uint32_t length;
    wchar_t text[3];
  } raw = {bytes, {L'a', L'b', 0}};
  char* at = page.PutAtEnd(&raw, sizeof raw);
  return reinterpret_cast<BSTR>(at + sizeof(std::uint32_t));
}

// A counted 8-bit string (the A forms' type) whose length field claims
// `length` over the three bytes "abc" and a NUL at the end of readable
// memory; a constant, so no reference is ever counted on it.
inline char* AnsiStringClaiming(EdgePage& page, std::int32_t length) {
  struct {
    std::uint16_t codePage, elemSize;
    std::int32_t refCount, length;
    char text[4];
  } raw = {1252, 1, -1, length, {'a', 'b', 'c', 0}};
  char* at = page.PutAtEnd(&raw, sizeof raw);
  return at + 12;
}

inline VARIANT Typed(VARTYPE vt, void* pointer) {
  VARIANT v;
  std::memset(&v, 0, sizeof v);
  v.vt = vt;
  v.byref = pointer;
  return v;
}

// An object that counts its references: to see what was taken and given back.
class CountedObject : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown) {
      *out = static_cast<IUnknown*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  long refs = 1;
};

}  // namespace karvo::test
