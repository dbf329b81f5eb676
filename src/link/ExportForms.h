// The three forms of an export: plain 8-bit text, counted 8-bit strings (A)
// and BSTRs (W). Every export converts through these helpers and nothing else.
#pragma once

#include <string>

#include "link/AnsiStrings.h"
#include "link/ExportGuard.h"
#include "platform/WindowsSupport.h"

namespace karvo {

// ---- Arguments ----
// Plain: NUL-terminated, system ANSI code page; null is empty.
std::u16string PlainText(const char* z);
// W: the caller's BSTR, copied; null is empty.
std::u16string BstrText(BSTR b);
// A: the counted string decoded from the code page recorded in it. The A
// form holds the argument (AnsiArg) for its whole call, so the caller's
// string keeps the extra reference until the export returns.
std::u16string AnsiStringText(const AnsiArg& arg);

// For families whose base is the plain form: the A or W argument made into
// a plain-form argument through ReturnPChar (null for empty).
const char* PlainFromA(const AnsiArg& arg);
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

// A result into the caller's variable, by the kind of the result.
inline void StoreResult(char** var, const char* plain) { PlainResultToA(var, plain); }
inline void StoreResult(BSTR* var, const char* plain) { PlainResultToW(var, plain); }
inline void StoreResult(char** var, const std::u16string& text) { TextToA(var, text); }
inline void StoreResult(BSTR* var, const std::u16string& text) { TextToW(var, text); }
// The caller's variable made empty: its old value given back, null stored.
void StoreEmpty(char** var) noexcept;
void StoreEmpty(BSTR* var) noexcept;

// The body of an A or W form with a text result, under the export guard.
// The body returns the plain form's result or the text itself, which goes
// into the caller's variable. When anything fails the variable is made
// empty, as for an empty result, so that a caller who reuses it never reads
// an earlier answer; the message is the failure's.
template <class Var, class F>
void StoreOrEmpty(Var* var, F& body) {
  try {
    StoreResult(var, body());
  } catch (...) {
    StoreEmpty(var);
    throw;
  }
}

template <class Var, class F>
void GuardedResult(Var* var, F&& body) noexcept {
  GuardedVoid([&] { StoreOrEmpty(var, body); });
}

template <class Var, class F>
void GuardedResult(KeepLastError, Var* var, F&& body) noexcept {
  GuardedVoid(kKeepLastError, [&] { StoreOrEmpty(var, body); });
}

}  // namespace karvo
