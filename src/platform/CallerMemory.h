// Reading memory at an address a caller gave us, without trusting it: an
// address that is not readable gives a failure, never a fault.
//
// Each range is asked of the kernel's view of the address space first
// (VirtualQuery: committed, readable, no guard page) and only then copied.
// ReadProcessMemory alone is not enough: Wine reads memory that Windows
// would refuse (reserved and decommitted pages come back as zeros), so a
// wild value would be taken for a real one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace karvo {

// True when every byte of [address, address + n) lies in committed memory
// that may be read. A range that wraps past the top of memory is not.
bool CallerMemoryReadable(std::uintptr_t address, std::size_t n);

// True when address lies in committed executable memory: somewhere a call
// through a caller's table may go.
bool CallerCodeAddress(std::uintptr_t address);

// Copies n bytes from address into out; false when any of them cannot be read.
bool ReadCallerMemory(std::uintptr_t address, void* out, std::size_t n);

// The text of a BSTR the caller handed over (its length prefix and
// characters read the same way); false when it cannot be read. Null is empty.
bool ReadCallerBstr(std::uintptr_t bstr, std::u16string& out);

}  // namespace karvo
