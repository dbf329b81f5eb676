// 8-bit text in a Windows code page to and from the library's UTF-16 text.
#pragma once

#include <cstddef>
#include <string>

namespace karvo {

constexpr unsigned kSystemAnsiCodePage = 0;  // CP_ACP

// Decodes n bytes; characters the code page does not define map as the
// platform maps them.
std::u16string AnsiToText(const char* bytes, std::size_t n, unsigned codePage = kSystemAnsiCodePage);
// A NUL-terminated text; null is the empty text.
std::u16string AnsiZToText(const char* z);
// Encodes without best fit: each character the code page cannot hold (a
// surrogate pair is one character, a lone surrogate another) becomes the
// code page's own substitute character, never a look-alike.
std::string TextToAnsi(const std::u16string& text, unsigned codePage = kSystemAnsiCodePage);
std::string TextToAnsi(const char16_t* text, std::size_t n, unsigned codePage = kSystemAnsiCodePage);

// The system ANSI code page number (GetACP).
unsigned SystemAnsiCodePage();

}  // namespace karvo
