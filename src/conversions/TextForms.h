// The text forms of numbers and handles that several families share: how a
// float is written, how an integer reply is read, how a handle travels to
// the host. Needs no Windows API.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace karvo {

// The decimal separator of the user's regional settings. The library sets it
// once at load; until then (and in portable builds) it is '.'.
char16_t DecimalSeparator();
void SetDecimalSeparator(char16_t separator);

// General format with at most 15 significant digits: fixed notation for
// magnitudes from 0.0001 to below 1E15, otherwise d.dddE[-]x; "0", "NAN",
// "INF", "-INF". Never fails.
std::u16string FloatToTextRule(long double value);

// Optional leading spaces, an optional sign, then decimal digits or hex
// digits after "$", "x", "X", "0x" or "0X"; nothing after the digits; the
// value must fit a signed 32-bit integer. Anything else gives nothing.
std::optional<std::int32_t> IntegerTextSyntax(std::u16string_view text);
// The same syntax for a value that must fit a signed 64-bit integer.
std::optional<std::int64_t> Int64TextSyntax(std::u16string_view text);

// A handle inside a text for the host: the unsigned decimal form of its 32
// bits (-1 gives 4294967295).
std::u16string HandleText(std::uint32_t handle);

// Plain decimal forms, a negative number with a leading minus sign.
std::u16string SignedText(std::int64_t value);
std::u16string UnsignedText(std::uint64_t value);

}  // namespace karvo
