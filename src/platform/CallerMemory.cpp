#include "platform/CallerMemory.h"

#include <cstring>

#include "platform/Syscalls.h"

namespace karvo {

namespace {

constexpr DWORD kReadable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
constexpr DWORD kExecutable = PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;

// The committed region around address with one of the wanted protections,
// or false. Its end is stored in regionEnd.
bool CommittedRegion(std::uintptr_t address, DWORD wanted, std::uintptr_t& regionEnd) {
  MEMORY_BASIC_INFORMATION info{};
  if (Sys().VirtualQuery(reinterpret_cast<LPCVOID>(address), &info, sizeof info) != sizeof info) return false;
  if (info.State != MEM_COMMIT) return false;
  if ((info.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0 || (info.Protect & wanted) == 0) return false;
  const auto base = reinterpret_cast<std::uintptr_t>(info.BaseAddress);
  regionEnd = base + info.RegionSize;
  if (regionEnd < base) regionEnd = UINTPTR_MAX;  // a region at the very top
  // A region that reports no progress would loop for ever.
  return regionEnd > address;
}

// Every byte of the range in committed regions with one of the wanted
// protections: one query per region, and a range crosses few of them.
bool RangeIn(std::uintptr_t address, std::size_t n, DWORD wanted) {
  if (n == 0) return true;
  if (address == 0) return false;
  const std::uintptr_t last = address + (n - 1);
  if (last < address) return false;
  for (std::uintptr_t at = address;;) {
    std::uintptr_t end = 0;
    if (!CommittedRegion(at, wanted, end)) return false;
    if (end - 1 >= last) return true;
    at = end;
  }
}

}  // namespace

bool CallerMemoryReadable(std::uintptr_t address, std::size_t n) { return RangeIn(address, n, kReadable); }

bool CallerCodeAddress(std::uintptr_t address) {
  std::uintptr_t end = 0;
  return address != 0 && CommittedRegion(address, kExecutable, end);
}

bool ReadCallerMemory(std::uintptr_t address, void* out, std::size_t n) {
  if (n == 0) return true;
  if (!CallerMemoryReadable(address, n)) return false;
  std::memcpy(out, reinterpret_cast<const void*>(address), n);
  return true;
}

bool ReadCallerBstr(std::uintptr_t bstr, std::u16string& out) {
  out.clear();
  if (bstr == 0) return true;
  std::uint32_t bytes = 0;
  if (bstr < 4 || !ReadCallerMemory(bstr - 4, &bytes, sizeof bytes)) return false;
  // The whole range is checked before anything is reserved for it, so a
  // wild length prefix fails here instead of asking for that much memory.
  const std::size_t units = bytes / 2;
  if (!CallerMemoryReadable(bstr, units * 2)) return false;
  std::u16string text(units, u'\0');
  std::memcpy(text.data(), reinterpret_cast<const void*>(bstr), units * 2);
  out = std::move(text);
  return true;
}

}  // namespace karvo
