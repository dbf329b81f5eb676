// IntegerTextSyntax reads the host's replies, so any bytes may reach it. The
// input is taken as UTF-16 units; every accepted text must be the number it
// stands for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "conversions/TextForms.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  std::optional<std::int32_t> v = karvo::IntegerTextSyntax(text);
  if (!v) return 0;
  // Re-read by a second, independent route: the digits after the prefix.
  std::size_t i = text.find_first_not_of(u' ');
  bool negative = text[i] == u'-';
  if (text[i] == u'-' || text[i] == u'+') ++i;
  int base = 10;
  if (text[i] == u'$' || text[i] == u'x' || text[i] == u'X') {
    base = 16;
    ++i;
  } else if (text.compare(i, 2, u"0x") == 0 || text.compare(i, 2, u"0X") == 0) {
    base = 16;
    i += 2;
  }
  std::string digits(text.begin() + static_cast<std::ptrdiff_t>(i), text.end());
  digits.erase(0, digits.find_first_not_of('0') == std::string::npos ? digits.size() : digits.find_first_not_of('0'));
  if (digits.size() > 10) std::abort();  // no 32-bit value has that many digits
  long long m = digits.empty() ? 0 : std::strtoll(digits.c_str(), nullptr, base);
  if ((negative ? -m : m) != *v) std::abort();
  return 0;
}
