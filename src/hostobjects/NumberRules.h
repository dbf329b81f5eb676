// The numeric steps of turning a caller's value into a property value,
// apart from the VARIANT itself. Needs no Windows API.
#pragma once

#include <cstdint>
#include <optional>

namespace karvo {

// A currency value (ten-thousandths in a 64-bit integer) divided by 10000,
// rounded halves to even as RoundToInt32 rounds a float.
std::optional<std::int32_t> CurrencyToInt32(std::int64_t tenThousandths);
// A 64-bit integer that fits in a signed 32-bit one.
std::optional<std::int32_t> FitInt32(std::int64_t value);
std::optional<std::int32_t> FitInt32(std::uint64_t value);

}  // namespace karvo
