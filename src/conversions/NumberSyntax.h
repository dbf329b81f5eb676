// How the library reads numbers out of text where the platform's readings
// gave up, and how it rounds a float to an integer. Needs no Windows API.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace karvo {

// A decimal number in the process's default number format: blanks around
// it, an optional sign, digits with at most one decimal separator (at least
// one digit), an optional exponent "E" or "e" with an optional sign and
// digits. No thousands separators.
std::optional<double> PlainFloatSyntax(std::u16string_view text, char16_t decimalSeparator);

// The Boolean reading of a text: a number by PlainFloatSyntax gives 1 when
// nonzero and 0 when zero; "True" gives 1 and "False" 0, in any letter case.
std::optional<std::int32_t> BooleanReading(std::u16string_view text, char16_t decimalSeparator);

// To the nearest integer, halves to even, whatever rounding mode the host
// has set; nothing for NaN, the infinities and values outside the range.
std::optional<std::int64_t> RoundToInt64(double value);
std::optional<std::int32_t> RoundToInt32(double value);

}  // namespace karvo
