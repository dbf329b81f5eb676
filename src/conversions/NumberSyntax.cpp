#include "conversions/NumberSyntax.h"

#include <charconv>
#include <cmath>
#include <string>

#include "conversions/AsciiCase.h"

namespace karvo {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

std::optional<double> PlainFloatSyntax(std::u16string_view text, char16_t decimalSeparator) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == u' ') ++i;
  while (n > i && text[n - 1] == u' ') --n;
  // Rebuilt in the form from_chars reads, whatever the C locale says, and
  // only from what was checked.
  std::string ascii;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') ascii += '-';
    ++i;
  }
  std::size_t digits = 0;
  bool separatorSeen = false;
  for (; i < n; ++i) {
    char16_t c = text[i];
    if (IsDigit(c)) {
      ascii += static_cast<char>(c);
      ++digits;
    } else if (c == decimalSeparator && !separatorSeen) {
      ascii += '.';
      separatorSeen = true;
    } else {
      break;
    }
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (text[i] == u'e' || text[i] == u'E')) {
    ascii += 'e';
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) ascii += static_cast<char>(text[i++]);
    std::size_t expDigits = 0;
    for (; i < n && IsDigit(text[i]); ++i, ++expDigits) ascii += static_cast<char>(text[i]);
    if (expDigits == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  double value = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (ec != std::errc() || end != ascii.data() + ascii.size()) return std::nullopt;
  return value;
}

std::optional<std::int32_t> BooleanReading(std::u16string_view text, char16_t decimalSeparator) {
  if (std::optional<double> number = PlainFloatSyntax(text, decimalSeparator)) return *number != 0 ? 1 : 0;
  if (EqualIgnoringAsciiCase(text, u"TRUE")) return 1;
  if (EqualIgnoringAsciiCase(text, u"FALSE")) return 0;
  return std::nullopt;
}

std::optional<std::int64_t> RoundToInt64(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  double floor = std::floor(value);
  double frac = value - floor;
  double r = floor;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(floor, 2.0) != 0)) r = floor + 1;
  // 2^63 is the first double beyond the range.
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) return std::nullopt;
  return static_cast<std::int64_t>(r);
}

std::optional<std::int32_t> RoundToInt32(double value) {
  std::optional<std::int64_t> r = RoundToInt64(value);
  if (!r || *r < INT32_MIN || *r > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(*r);
}

}  // namespace karvo
