// A property value's conversion to an ordinal or a float. The value is our
// own copy of the caller's VARIANT (platform/CallerVariant.h).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Owners.h"

namespace karvo {

// Variant to 32-bit integer for ordinal and method properties: VT_EMPTY 0,
// VT_NULL nothing, integers as they are when they fit, floats and dates
// rounded halves to even, currency divided by 10000, VT_BOOL -1 or 0, text
// by VarI4FromStr and then the library's own readings, objects by
// VariantChangeTypeEx. Takes a value CopyCallerVariant made.
std::optional<std::int32_t> VariantToInt32(const VARIANT& v);

// Variant to floating-point number for FLOAT properties, by the same plan.
std::optional<double> VariantToDouble(const VARIANT& v);

}  // namespace karvo
