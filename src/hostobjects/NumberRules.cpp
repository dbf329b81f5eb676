#include "hostobjects/NumberRules.h"

#include <charconv>
#include <cmath>
#include <string>

#include "hostobjects/NameRules.h"

namespace karvo {

std::optional<std::int32_t> RoundToInt32(double value) {
  if (std::isnan(value)) return std::nullopt;
  double floor = std::floor(value);
  double frac = value - floor;
  double r = floor;
  if (frac > 0.5 || (frac == 0.5 && std::fmod(floor, 2.0) != 0.0)) r = floor + 1.0;
  if (r < -2147483648.0 || r > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(r);
}

std::optional<std::int32_t> CurrencyToInt32(std::int64_t v) {
  std::int64_t q = v / 10000, rem = v % 10000;  // rem has the sign of v
  std::int64_t twice = rem < 0 ? -2 * rem : 2 * rem;
  if (twice > 10000 || (twice == 10000 && (q % 2) != 0)) q += rem < 0 ? -1 : 1;
  return FitInt32(q);
}

std::optional<std::int32_t> FitInt32(std::int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> FitInt32(std::uint64_t value) {
  if (value > static_cast<std::uint64_t>(INT32_MAX)) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

std::optional<double> NumberInDefaultFormat(std::u16string_view text, char16_t sep) {
  std::size_t i = 0, n = text.size();
  while (i < n && text[i] == u' ') ++i;
  while (n > i && text[n - 1] == u' ') --n;
  // Rebuilt in the form from_chars reads, whatever the C locale says, and
  // only from what was checked.
  std::string c;
  if (i < n && (text[i] == u'+' || text[i] == u'-')) {
    if (text[i] == u'-') c += '-';
    ++i;
  }
  std::size_t digits = 0;
  while (i < n && text[i] >= u'0' && text[i] <= u'9') c += static_cast<char>(text[i++]), ++digits;
  if (i < n && text[i] == sep) {
    c += '.';
    ++i;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') c += static_cast<char>(text[i++]), ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < n && (text[i] == u'E' || text[i] == u'e')) {
    c += 'e';
    ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) c += static_cast<char>(text[i++]);
    std::size_t expDigits = 0;
    while (i < n && text[i] >= u'0' && text[i] <= u'9') c += static_cast<char>(text[i++]), ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != n) return std::nullopt;
  double v = 0;
  auto [end, ec] = std::from_chars(c.data(), c.data() + c.size(), v);
  if (ec != std::errc() || end != c.data() + c.size()) return std::nullopt;
  return v;
}

std::optional<std::int32_t> BooleanTextValue(std::u16string_view text, char16_t sep) {
  if (std::optional<double> v = NumberInDefaultFormat(text, sep)) return *v != 0.0 ? 1 : 0;
  if (EqualAsciiNoCase(text, u"True")) return 1;
  if (EqualAsciiNoCase(text, u"False")) return 0;
  return std::nullopt;
}

}  // namespace karvo
