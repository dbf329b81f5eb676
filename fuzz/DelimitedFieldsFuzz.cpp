// Drives all five field routines with arbitrary lines, values, separators
// and field numbers, and checks what must hold whatever they are.
//
// Input: separator byte, field number (4 bytes, little-endian), then the
// value and the line divided by the first 0xFE. A byte below 0xF0 is the
// code unit of that value; the bytes from 0xF0 up stand for units where
// folding and widening could go wrong (0xFE only after the divide).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "conversions/AsciiCase.h"
#include "fields/DelimitedFields.h"

using namespace karvo;

namespace {

// Small and capital accented letters, a lone surrogate, the unit of the
// byte 0x80 in code page 1252, NUL, and units of the upper byte half.
constexpr char16_t kOdd[16] = {0x0104, 0x0105, 0x00C9, 0x00E9, 0x20AC, 0xD800, 0xFFFF, 0x0000,
                               0x017B, 0x017C, 0x00FF, 0x0178, 0x0160, 0x0161, 0x00A0, 0x0081};

char16_t Unit(std::uint8_t b) {
  if (b < 0xF0) return b;
  return kOdd[b - 0xF0];
}

std::u16string Units(const std::uint8_t* p, std::size_t n) {
  std::u16string s(n, u'\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = Unit(p[i]);
  return s;
}

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "field invariant broken: %s\n", what);
  std::abort();
}

std::u16string Upper(std::u16string_view s) {
  std::u16string u(s);
  for (auto& c : u)
    if (c >= u'a' && c <= u'z') c -= 32;
  return u;
}

std::size_t Separators(std::u16string_view s, char16_t sep) {
  std::size_t k = 0;
  for (char16_t c : s) k += c == sep;
  return k;
}

// The quick test's four steps, literally, on copies.
bool QuickByCopies(std::u16string_view value, std::u16string_view text, char16_t sep) {
  if (Upper(value) == Upper(text)) return true;
  std::u16string needle = sep + Upper(value) + sep;
  if (Upper(text).find(needle) != std::u16string::npos) return true;
  if (Upper(ExtractField(text, 1, sep)) == Upper(value)) return true;
  return Upper(ExtractField(text, CountFields(text, sep), sep)) == Upper(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5 || size > 4096) return 0;
  char16_t sep = SeparatorUnit(data[0]);
  std::uint32_t raw = 0;
  std::memcpy(&raw, data + 1, 4);
  std::int32_t n = static_cast<std::int32_t>(raw);
  const std::uint8_t* rest = data + 5;
  std::size_t restSize = size - 5;
  const void* cut = std::memchr(rest, 0xFE, restSize);
  std::size_t valueSize = cut ? static_cast<const std::uint8_t*>(cut) - rest : 0;
  std::u16string value = Units(rest, valueSize);
  std::u16string line = cut ? Units(rest + valueSize + 1, restSize - valueSize - 1) : Units(rest, restSize);

  // Counting and reading.
  const std::int32_t count = CountFields(line, sep);
  Check(count == (line.empty() ? 0 : static_cast<std::int32_t>(Separators(line, sep) + 1)), "count");
  std::u16string joined;
  for (std::int32_t i = 1; i <= count; ++i) {
    std::u16string f = ExtractField(line, i, sep);
    Check(Separators(f, sep) == 0, "a field holds no separator");
    if (i > 1) joined += sep;
    joined += f;
  }
  Check(joined == line, "the fields joined give the line back");
  Check(ExtractField(line, 0, sep) == ExtractField(line, 1, sep), "field 0 reads field 1");
  std::u16string field = ExtractField(line, n, sep);
  if (n < 0 || n > count) Check(field.empty(), "an absent field is empty");

  // Replacing.
  std::u16string changed = line;
  bool replaced = ReplaceField(value, changed, n, sep);
  Check(replaced == !(line.empty() || count < n), "when a field can be set");
  if (!replaced || n < 1) Check(changed == line, "nothing set, nothing changed");
  if (replaced && n >= 1) {
    Check(Separators(changed, sep) == Separators(line, sep) + Separators(value, sep), "separators stay");
    if (Separators(value, sep) == 0) {
      Check(ExtractField(changed, n, sep) == value, "the value reads back");
      Check(changed.empty() || CountFields(changed, sep) == count, "the count stays");
      for (std::int32_t i = 1; i <= count && i <= 64; ++i)
        if (i != n) Check(ExtractField(changed, i, sep) == ExtractField(line, i, sep), "other fields stay");
    }
  }

  // Finding.
  bool quick = QuickFieldTest(value, line, sep);
  Check(quick == QuickByCopies(value, line, sep), "quick test without copies");
  std::int32_t firstEqual = 0;
  for (std::int32_t i = 1; i <= count && firstEqual == 0; ++i)
    if (EqualIgnoringAsciiCase(ExtractField(line, i, sep), value)) firstEqual = i;
  bool blind = sep >= u'a' && sep <= u'z' && firstEqual != 1 && firstEqual != count;
  if (firstEqual != 0 && !blind) Check(quick, "an equal field passes the quick test");
  std::int32_t found = FindFieldNumber(value, line, sep);
  Check(found == (quick ? firstEqual : 0), "the first equal field, behind the quick test");
  return 0;
}
