#include "platform/CallerMemory.h"

#include "platform/Syscalls.h"

namespace karvo {

bool ReadCallerMemory(std::uintptr_t address, void* out, std::size_t n) {
  if (n == 0) return true;
  if (address == 0) return false;
  // The kernel copies for us and reports a hole in the range as a failure,
  // where a plain read would fault.
  SIZE_T done = 0;
  if (!Sys().ReadProcessMemory(::GetCurrentProcess(), reinterpret_cast<LPCVOID>(address), out, n, &done)) return false;
  return done == n;
}

bool ReadCallerBstr(std::uintptr_t bstr, std::u16string& out) {
  out.clear();
  if (bstr == 0) return true;
  std::uint32_t bytes = 0;
  if (!ReadCallerMemory(bstr - 4, &bytes, sizeof bytes)) return false;
  // The last character is probed first, so a wild length prefix fails here
  // instead of asking for that much memory.
  char last = 0;
  if (bytes >= 2 && !ReadCallerMemory(bstr + (bytes & ~1u) - 1, &last, 1)) return false;
  std::u16string text(bytes / 2, u'\0');
  if (!ReadCallerMemory(bstr, text.data(), text.size() * 2)) return false;
  out = std::move(text);
  return true;
}

}  // namespace karvo
