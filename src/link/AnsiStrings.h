// The counted 8-bit strings of the A forms, allocated by the memory manager
// that every module of the host process shares (platform/MemoryManager.h).
//
// Layout around the pointer a caller sees: code page (2 bytes) at -12,
// character size 1 (2 bytes) at -10, reference count (4, negative for a
// constant) at -8, length (4) at -4, then the characters and a NUL.
#pragma once

#include <cstdint>
#include <string>

#include "platform/MemoryManager.h"

namespace karvo {

struct AnsiStringParts {
  const char* bytes = nullptr;
  std::size_t length = 0;
  std::uint16_t codePage = 0;
};
// Null is the empty string. Throws when the recorded length runs past
// readable memory.
AnsiStringParts ReadAnsiString(const char* s);

// A new string with one reference, in the given code page; null for empty.
char* NewAnsiString(const std::string& bytes, std::uint16_t codePage);
void AnsiStringAddRef(const char* s);
void AnsiStringRelease(const char* s);

// Stores a new string into the caller's variable and gives back the
// reference the variable held.
void StoreAnsiString(char** var, const std::string& bytes);

// A counted string argument: one reference held for the time of the call.
class AnsiArg {
 public:
  explicit AnsiArg(const char* s) : s_(s) { AnsiStringAddRef(s_); }
  ~AnsiArg() { AnsiStringRelease(s_); }
  AnsiArg(const AnsiArg&) = delete;
  AnsiArg& operator=(const AnsiArg&) = delete;
  AnsiStringParts Parts() const { return ReadAnsiString(s_); }
  std::string Bytes() const {
    AnsiStringParts p = Parts();
    return std::string(p.bytes == nullptr ? "" : p.bytes, p.length);
  }

 private:
  const char* s_;
};

}  // namespace karvo
