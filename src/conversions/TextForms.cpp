#include "conversions/TextForms.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace karvo {

namespace {

// Set at load and read by every thread.
std::atomic<char16_t> g_decimalSeparator{u'.'};

constexpr int kSignificantDigits = 15;

std::u16string Widen(std::string_view s) { return std::u16string(s.begin(), s.end()); }

// A digit of the radix (10 or 16, either letter case), or -1.
int DigitValue(char16_t c, int radix) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (radix == 16 && c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (radix == 16 && c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// The value rounded to 15 significant digits without trailing zeros, and E
// such that |value| = 0.d1d2...dn * 10^E.
struct Digits {
  std::string d;
  int E = 0;
};

Digits RoundedDigits(long double magnitude) {
  // Scientific with 14 digits after the point is exactly 15 significant
  // digits, correctly rounded by the library: "d.dddddddddddddde+XX".
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, kSignificantDigits - 1);
  std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf));
  std::size_t e = s.find('e');
  Digits out;
  out.d += s[0];
  if (e > 2) out.d.append(s.substr(2, e - 2));
  while (out.d.size() > 1 && out.d.back() == '0') out.d.pop_back();
  out.E = std::atoi(std::string(s.substr(e + 1)).c_str()) + 1;
  return out;
}

}  // namespace

char16_t DecimalSeparator() { return g_decimalSeparator; }
void SetDecimalSeparator(char16_t separator) { g_decimalSeparator = separator; }

std::u16string FloatToTextRule(long double value) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
  if (value == 0) return u"0";
  Digits g = RoundedDigits(std::fabs(value));
  const int n = static_cast<int>(g.d.size());
  std::u16string out;
  if (value < 0) out += u'-';
  if (g.E >= -3 && g.E <= 15) {
    if (g.E <= 0) {
      out += u'0';
    } else {
      out += Widen(std::string_view(g.d).substr(0, std::min(n, g.E)));
      if (g.E > n) out.append(static_cast<std::size_t>(g.E - n), u'0');
    }
    if (n > g.E) {
      out += g_decimalSeparator;
      if (g.E < 0) out.append(static_cast<std::size_t>(-g.E), u'0');
      out += Widen(std::string_view(g.d).substr(static_cast<std::size_t>(std::max(g.E, 0))));
    }
    return out;
  }
  out += static_cast<char16_t>(g.d[0]);
  if (n > 1) {
    out += g_decimalSeparator;
    out += Widen(std::string_view(g.d).substr(1));
  }
  out += u'E';
  out += SignedText(g.E - 1);
  return out;
}

std::optional<std::int64_t> Int64TextSyntax(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  int radix = 10;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    radix = 16;
    i += 1;
  } else if (text.size() - i >= 2 && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    radix = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  // Accumulated as a negative number, which reaches the minimum exactly.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    int d = DigitValue(text[i], radix);
    if (d < 0) return std::nullopt;
    if (value < (kMin + d) / radix) return std::nullopt;
    value = value * radix - d;
  }
  if (negative) return value;
  if (value == kMin) return std::nullopt;
  return -value;
}

std::optional<std::int32_t> IntegerTextSyntax(std::u16string_view text) {
  std::optional<std::int64_t> v = Int64TextSyntax(text);
  if (!v || *v < std::numeric_limits<std::int32_t>::min() || *v > std::numeric_limits<std::int32_t>::max())
    return std::nullopt;
  return static_cast<std::int32_t>(*v);
}

std::u16string HandleText(std::uint32_t handle) { return UnsignedText(handle); }

std::u16string SignedText(std::int64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return Widen(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

std::u16string UnsignedText(std::uint64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return Widen(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

}  // namespace karvo
