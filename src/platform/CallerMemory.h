// Reading memory at an address a caller gave us, without trusting it: an
// address that is not readable gives a failure, never a fault.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace karvo {

// Copies n bytes from address into out; false when any of them cannot be read.
bool ReadCallerMemory(std::uintptr_t address, void* out, std::size_t n);

// The text of a BSTR the caller handed over (its length prefix and
// characters read the same way); false when it cannot be read. Null is empty.
bool ReadCallerBstr(std::uintptr_t bstr, std::u16string& out);

}  // namespace karvo
