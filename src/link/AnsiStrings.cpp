#include "link/AnsiStrings.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "platform/CallerMemory.h"
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

}  // namespace

AnsiStringParts ReadAnsiString(const char* s) {
  AnsiStringParts p;
  if (s == nullptr) return p;
  const Header* h = HeaderOf(s);
  p.bytes = s;
  p.length = h->length > 0 ? static_cast<std::size_t>(h->length) : 0;
  p.codePage = h->codePage;
  // The length is the caller's word for how far the text goes: checked.
  if (!CallerMemoryReadable(reinterpret_cast<std::uintptr_t>(s), p.length))
    throw std::invalid_argument("a counted string longer than its memory");
  return p;
}

char* NewAnsiString(const std::string& bytes, std::uint16_t codePage) {
  if (bytes.empty()) return nullptr;
  if (bytes.size() > 0x7FFFFFF0u - sizeof(Header)) throw std::bad_alloc();
  auto total = static_cast<std::int32_t>(sizeof(Header) + bytes.size() + 1);
  void* mem = Sys().StringGetMem(total);
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
  if (::InterlockedDecrement(reinterpret_cast<volatile LONG*>(&h->refCount)) == 0) Sys().StringFreeMem(h);
}

void StoreAnsiString(char** var, const std::string& bytes) {
  if (var == nullptr) return;
  // A manager found in the process that cannot be called can neither make
  // the new string nor free the old one: the variable stays as it was.
  if (!MemoryManagerUsable()) throw std::runtime_error("the process's memory manager cannot be called");
  char* fresh = NewAnsiString(bytes, static_cast<std::uint16_t>(SystemAnsiCodePage()));
  char* old = *var;
  *var = fresh;
  AnsiStringRelease(old);
}

}  // namespace karvo
