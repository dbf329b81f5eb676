// Numbers in the process's default format, read from a caller's value
// text: whatever is accepted must be the number strtod reads from the same
// text with the separator made a point.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "conversions/NumberSyntax.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i < size; ++i) text += static_cast<char16_t>(data[i]);
  std::optional<double> v = karvo::PlainFloatSyntax(text, u',');
  if (!v) return 0;
  std::string c;
  for (char16_t ch : text) {
    if (ch > 0x7F || ch == '.' || ch == 'x' || ch == 'X' || ch == 'n' || ch == 'N' || ch == 'i' || ch == 'I')
      std::abort();
    c += ch == u',' ? '.' : static_cast<char>(ch);
  }
  char* end = nullptr;
  double w = std::strtod(c.c_str(), &end);
  while (*end == ' ') ++end;
  if (*end != '\0' || !(w == *v)) std::abort();
  (void)karvo::BooleanReading(text, u',');
  return 0;
}
