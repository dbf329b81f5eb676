// FloatToTextRule writes every float that reaches a text: property values,
// typed values of call documents, host arguments. The first byte picks the
// decimal separator and how the rest is read (a double, a float or an x87
// long double, as the host's registers hold it); every text must be one of
// the rule's forms, keep to 15 significant digits, and read back to itself.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "conversions/TextForms.h"

namespace {

[[noreturn]] void Fail() { std::abort(); }

long double Value(const std::uint8_t* data, std::size_t size, int kind) {
  std::uint8_t raw[16] = {};
  std::memcpy(raw, data, size < sizeof raw ? size : sizeof raw);
  if (kind == 0) {
    double d;
    std::memcpy(&d, raw, sizeof d);
    return d;
  }
  if (kind == 1) {
    float f;
    std::memcpy(&f, raw, sizeof f);
    return f;
  }
  long double x = 0;
  std::memcpy(&x, raw, 10);  // the x87 format: 64-bit mantissa, 15-bit exponent
  return x;
}

// Checks the form and gives the text in C syntax for strtold.
std::string Checked(const std::u16string& text, char16_t sep) {
  if (text == u"NAN" || text == u"INF" || text == u"-INF" || text == u"0") return std::string(text.begin(), text.end());
  std::string c;
  std::size_t i = 0;
  if (text[0] == u'-') c += text[i++];
  int digits = 0, before = 0, after = 0;
  bool point = false, exponent = false;
  for (; i < text.size(); ++i) {
    char16_t ch = text[i];
    if (ch >= u'0' && ch <= u'9') {
      c += static_cast<char>(ch);
      if (exponent) continue;
      if (digits > 0 || ch != u'0') ++digits;  // significant ones
      (point ? after : before)++;
    } else if (ch == sep && !point && !exponent && before > 0) {
      point = true;
      c += '.';
    } else if (ch == u'E' && !exponent && before > 0) {
      exponent = true;
      c += 'e';
      if (i + 1 < text.size() && text[i + 1] == u'-') c += static_cast<char>(text[++i]);
      if (i + 1 >= text.size()) Fail();
    } else {
      Fail();
    }
  }
  if (digits == 0 || digits > 15) Fail();
  const std::size_t mantissaEnd = exponent ? text.find(u'E') : text.size();
  if (point && (after == 0 || text[mantissaEnd - 1] == u'0')) Fail();  // no empty fraction, no trailing zero
  // One leading digit: "0" only where the integer part is zero.
  if (before > 1 && c[c[0] == '-' ? 1 : 0] == '0') Fail();
  if (exponent && before != 1) Fail();
  return c;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const char16_t sep = (data[0] & 1) ? u',' : u'.';
  const int kind = (data[0] >> 1) % 3;
  karvo::SetDecimalSeparator(sep);
  const long double value = Value(data + 1, size - 1, kind);
  const std::u16string text = karvo::FloatToTextRule(value);
  const std::string c = Checked(text, sep);
  if (std::isnan(value)) return text == u"NAN" ? 0 : (Fail(), 0);
  if (std::isinf(value)) return text == (value < 0 ? u"-INF" : u"INF") ? 0 : (Fail(), 0);
  if (value == 0) return text == u"0" ? 0 : (Fail(), 0);
  const long double back = std::strtold(c.c_str(), nullptr);
  if ((back < 0) != (value < 0)) Fail();
  // Fixed notation exactly for the rounded magnitudes from 0.0001 to below 1E15.
  const long double m = std::fabs(back);
  const bool fixed = text.find(u'E') == std::u16string::npos;
  if (std::isfinite(m) && fixed != (m >= 1e-4L && m < 1e15L)) Fail();
  // Fifteen digits are within a long double's precision: the text reads
  // back to a number that gives the same text (not so below the normal range).
  if (std::isnormal(back) && std::isnormal(value) && karvo::FloatToTextRule(back) != text) Fail();
  // And the text is the value to 15 digits.
  if (std::isnormal(back) && std::isnormal(value) && std::fabs(back - value) > std::fabs(value) * 1e-14L) Fail();
  return 0;
}
