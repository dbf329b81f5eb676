// How names of host objects are compared and carried: the ordering of the
// property list, the ASCII-only case folding of lookups, the UTF-8 form of
// method names. Needs no Windows API; the one comparison that needs the
// platform comes in as a function.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace karvo {

// The platform's case-insensitive comparison of two whole names: below
// zero, zero or above zero.
using WideCompare = std::function<int(const std::u16string&, const std::u16string&)>;

// UTF-16 to UTF-8; a lone surrogate is written as its own three bytes, so
// every unit outside ASCII gives bytes of 0x80 and above.
std::string ToUtf8(std::u16string_view text);

// The property list's order: byte by byte over the UTF-8 forms, ASCII bytes
// with bit 0x20 cleared; as soon as either byte is 0x80 or above, the two
// whole names go to wideCompare. Equal common parts: the shorter first.
int ComparePropertyNames(const std::u16string& a, const std::u16string& b, const WideCompare& wideCompare);

// A child's name against the name looked for: both empty, or both non-empty
// and equal under EqualIgnoringAsciiCase.
bool ControlNameMatches(std::u16string_view childName, std::u16string_view wanted);

// A method name as the object model looks it up: UTF-8, cut to its first
// 255 bytes (a cut may fall inside a character).
std::string MethodLookupName(std::u16string_view name);

// The flag byte of the list exports: the low 8 bits, 0 standing for 7.
std::uint8_t EffectiveListFlags(std::uint32_t flags);

inline constexpr std::uint8_t kListName = 1;
inline constexpr std::uint8_t kListType = 2;
inline constexpr std::uint8_t kListValue = 4;

}  // namespace karvo
