#include "platform/CodePage.h"

#include <climits>
#include <cstring>
#include <new>

#include "platform/Syscalls.h"

namespace karvo {

std::u16string AnsiToText(const char* bytes, std::size_t n, unsigned codePage) {
  if (bytes == nullptr || n == 0) return {};
  if (n > INT_MAX) throw std::bad_alloc();
  int len = static_cast<int>(n);
  int need = Sys().MultiByteToWideChar(codePage, 0, bytes, len, nullptr, 0);
  if (need <= 0) throw std::bad_alloc();
  std::u16string out(static_cast<std::size_t>(need), u'\0');
  int got = Sys().MultiByteToWideChar(codePage, 0, bytes, len, reinterpret_cast<wchar_t*>(&out[0]), need);
  if (got <= 0) throw std::bad_alloc();
  out.resize(static_cast<std::size_t>(got));
  return out;
}

std::u16string AnsiZToText(const char* z) {
  if (z == nullptr) return {};
  return AnsiToText(z, std::strlen(z));
}

std::string TextToAnsi(const char16_t* text, std::size_t n, unsigned codePage) {
  if (text == nullptr || n == 0) return {};
  if (n > INT_MAX / 4) throw std::bad_alloc();
  int len = static_cast<int>(n);
  auto wide = reinterpret_cast<const wchar_t*>(text);
  int need = Sys().WideCharToMultiByte(codePage, 0, wide, len, nullptr, 0, nullptr, nullptr);
  if (need <= 0) throw std::bad_alloc();
  std::string out(static_cast<std::size_t>(need), '\0');
  int got = Sys().WideCharToMultiByte(codePage, 0, wide, len, &out[0], need, nullptr, nullptr);
  if (got <= 0) throw std::bad_alloc();
  out.resize(static_cast<std::size_t>(got));
  return out;
}

std::string TextToAnsi(const std::u16string& text, unsigned codePage) {
  return TextToAnsi(text.data(), text.size(), codePage);
}

unsigned SystemAnsiCodePage() { return Sys().GetACP(); }

}  // namespace karvo
