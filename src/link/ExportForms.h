// The three forms of an export: plain 8-bit text, counted 8-bit strings (A)
// and BSTRs (W). Every export converts through these helpers and nothing else.
#pragma once

#include <string>

#include "platform/WindowsSupport.h"

namespace karvo {

// ---- Arguments ----
// Plain: NUL-terminated, system ANSI code page; null is empty.
std::u16string PlainText(const char* z);
// W: the caller's BSTR, copied; null is empty.
std::u16string BstrText(BSTR b);
// A: the counted string decoded from the code page recorded in it.
std::u16string AnsiStringText(const char* s);

// For families whose base is the plain form: the A or W argument made into
// a plain-form argument through ReturnPChar (null for empty).
const char* PlainFromA(const char* s);
const char* PlainFromW(BSTR b);

// ---- Results ----
// The plain form's result (a return-buffer pointer or null) into the A or
// W caller's variable.
void PlainResultToA(char** var, const char* plain);
void PlainResultToW(BSTR* var, const char* plain);
// A text into the caller's variable: counted string in the system ANSI code
// page, or BSTR (null for empty). The variable's old value is given back.
void TextToA(char** var, const std::u16string& text);
void TextToW(BSTR* var, const std::u16string& text);
// Text returned through ReturnPChar, encoded into the system ANSI code page.
const char* TextToPlain(const std::u16string& text);

}  // namespace karvo
