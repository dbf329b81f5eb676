#include "conversions/TextReadings.h"

#include "conversions/NumberSyntax.h"
#include "conversions/TextForms.h"
#include "platform/Owners.h"

namespace karvo {

namespace {

// The platform readings want a writable pointer; they do not write through it.
OLECHAR* Writable(std::u16string& text) { return const_cast<OLECHAR*>(AsWide(text)); }

}  // namespace

std::optional<std::int32_t> ReadInt32(std::u16string text) {
  LONG value = 0;
  HRESULT hr = Sys().VarI4FromStr(Writable(text), LOCALE_USER_DEFAULT, 0, &value);
  if (SUCCEEDED(hr)) return static_cast<std::int32_t>(value);
  if (hr != DISP_E_TYPEMISMATCH) return std::nullopt;
  if (std::optional<std::int32_t> parsed = IntegerTextSyntax(text)) return parsed;
  return BooleanReading(text, DecimalSeparator());
}

std::optional<double> ReadDouble(std::u16string text) {
  DOUBLE value = 0;
  HRESULT hr = Sys().VarR8FromStr(Writable(text), LOCALE_USER_DEFAULT, 0, &value);
  if (SUCCEEDED(hr)) return value;
  if (hr != DISP_E_TYPEMISMATCH) return std::nullopt;
  return PlainFloatSyntax(text, DecimalSeparator());
}

}  // namespace karvo
