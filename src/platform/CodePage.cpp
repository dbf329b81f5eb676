#include "platform/CodePage.h"

#include <algorithm>
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

namespace {

bool IsSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// The code pages that hold characters beyond the first plane.
bool HoldsEveryCharacter(unsigned codePage) { return codePage == 65000 || codePage == 65001 || codePage == 54936; }

// Each surrogate pair and each lone surrogate made one lone high surrogate,
// which no code page holds: one character gives one substitute character,
// where the platforms would differ on how many a pair gives.
std::u16string OneUnitPerCharacter(const char16_t* text, std::size_t n) {
  std::u16string out;
  out.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    char16_t c = text[i];
    if (!IsSurrogate(c)) {
      out += c;
      continue;
    }
    if (c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
    out += u'\xD800';
  }
  return out;
}

}  // namespace

std::string TextToAnsi(const char16_t* text, std::size_t n, unsigned codePage) {
  if (text == nullptr || n == 0) return {};
  if (n > INT_MAX / 4) throw std::bad_alloc();
  std::u16string folded;
  if (std::any_of(text, text + n, IsSurrogate) &&
      !HoldsEveryCharacter(codePage == kSystemAnsiCodePage ? SystemAnsiCodePage() : codePage)) {
    folded = OneUnitPerCharacter(text, n);
    text = folded.data();
    n = folded.size();
  }
  int len = static_cast<int>(n);
  auto wide = reinterpret_cast<const wchar_t*>(text);
  // No best fit: a character the code page cannot hold becomes the code
  // page's own substitute character, never a look-alike that could name
  // another field or variable. The few code pages that refuse the flag
  // (UTF-7, UTF-8, ISO-2022, ISCII, symbol) have no best fit to refuse.
  DWORD flags = WC_NO_BEST_FIT_CHARS;
  int need = Sys().WideCharToMultiByte(codePage, flags, wide, len, nullptr, 0, nullptr, nullptr);
  if (need <= 0 && ::GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;
    need = Sys().WideCharToMultiByte(codePage, flags, wide, len, nullptr, 0, nullptr, nullptr);
  }
  if (need <= 0) throw std::bad_alloc();
  std::string out(static_cast<std::size_t>(need), '\0');
  int got = Sys().WideCharToMultiByte(codePage, flags, wide, len, &out[0], need, nullptr, nullptr);
  if (got <= 0) throw std::bad_alloc();
  out.resize(static_cast<std::size_t>(got));
  return out;
}

std::string TextToAnsi(const std::u16string& text, unsigned codePage) {
  return TextToAnsi(text.data(), text.size(), codePage);
}

unsigned SystemAnsiCodePage() { return Sys().GetACP(); }

}  // namespace karvo
