#include "hostobjects/NumberRules.h"

namespace karvo {

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

}  // namespace karvo
