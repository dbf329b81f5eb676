// The numeric steps of turning a caller's value into a property value,
// apart from the VARIANT itself. Needs no Windows API.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace karvo {

// To the nearest integer, halves to even; nothing outside the signed 32-bit
// range and for NaN.
std::optional<std::int32_t> RoundToInt32(double value);
// A currency value (ten-thousandths in a 64-bit integer) divided by 10000,
// rounded the same way.
std::optional<std::int32_t> CurrencyToInt32(std::int64_t tenThousandths);
// A 64-bit integer that fits in a signed 32-bit one.
std::optional<std::int32_t> FitInt32(std::int64_t value);
std::optional<std::int32_t> FitInt32(std::uint64_t value);

// A decimal number in the process's default number format: optional
// spaces around it, an optional sign, digits with at most one decimal
// separator (at least one digit), an optional exponent "E" or "e" with an
// optional sign and digits. No thousands separators.
std::optional<double> NumberInDefaultFormat(std::u16string_view text, char16_t decimalSeparator);

// The last try of a text on an ordinal property: a number in the default
// format gives 1 when nonzero and 0 when zero; "True" gives 1 and "False" 0,
// in any letter case.
std::optional<std::int32_t> BooleanTextValue(std::u16string_view text, char16_t decimalSeparator);

}  // namespace karvo
