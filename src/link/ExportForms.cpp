#include "link/ExportForms.h"

#include <cstring>
#include <stdexcept>

#include "conversions/BstrText.h"
#include "link/AnsiStrings.h"
#include "link/ReturnBuffers.h"
#include "platform/CallerMemory.h"
#include "platform/CodePage.h"
#include "platform/Owners.h"

namespace karvo {

std::u16string PlainText(const char* z) { return AnsiZToText(z); }

std::u16string BstrText(BSTR b) {
  std::u16string text;
  // The length prefix is the caller's word for how much to read: checked.
  if (!ReadCallerBstr(reinterpret_cast<std::uintptr_t>(b), text))
    throw std::invalid_argument("a BSTR that cannot be read");
  return text;
}

std::u16string AnsiStringText(const AnsiArg& arg) {
  AnsiStringParts p = arg.Parts();
  unsigned cp = p.codePage == 0 ? kSystemAnsiCodePage : p.codePage;
  return AnsiToText(p.bytes, p.length, cp);
}

const char* PlainFromA(const AnsiArg& arg) { return ReturnPChar(arg.Bytes()); }

const char* PlainFromW(BSTR b) { return ReturnPChar(TextToAnsi(BstrText(b))); }

void PlainResultToA(char** var, const char* plain) {
  StoreAnsiString(var, plain == nullptr ? std::string() : std::string(plain));
}

void PlainResultToW(BSTR* var, const char* plain) { TextToW(var, AnsiZToText(plain)); }

void TextToA(char** var, const std::u16string& text) { StoreAnsiString(var, TextToAnsi(text)); }

void TextToW(BSTR* var, const std::u16string& text) {
  if (var == nullptr) return;
  UniqueBstr fresh;
  if (!text.empty()) fresh = NewBstr(text);
  BSTR old = *var;
  *var = fresh.release();
  if (old != nullptr) Sys().SysFreeString(old);
}

const char* TextToPlain(const std::u16string& text) { return ReturnPChar(TextToAnsi(text)); }

void StoreEmpty(char** var) noexcept {
  if (var == nullptr) return;
  char* old = *var;
  *var = nullptr;
  AnsiStringRelease(old);
}

void StoreEmpty(BSTR* var) noexcept {
  if (var == nullptr) return;
  BSTR old = *var;
  *var = nullptr;
  if (old != nullptr) Sys().SysFreeString(old);
}

}  // namespace karvo
