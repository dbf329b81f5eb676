// The caller's VARIANT as a property value: a copy of our own with every
// reference followed carefully, and its conversion to an ordinal or a float.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/Owners.h"

namespace karvo {

// Makes `out` a by-value copy of `in`. A reference (VT_BYREF) is followed one
// level, a reference to a VARIANT included, and every read through a pointer
// the caller gave (references, BSTR texts) is checked first. False when the
// value cannot be read; `out` then stays empty.
bool CopyCallerVariant(const VARIANT& in, UniqueVariant& out);

// Variant to 32-bit integer for ordinal and method properties: VT_EMPTY 0,
// VT_NULL nothing, integers as they are when they fit, floats and dates
// rounded halves to even, currency divided by 10000, VT_BOOL -1 or 0, text
// by VarI4FromStr and then the library's own readings, objects by
// VariantChangeTypeEx. Takes a value CopyCallerVariant made.
std::optional<std::int32_t> VariantToInt32(const VARIANT& v);

// Variant to floating-point number for FLOAT properties, by the same plan.
std::optional<double> VariantToDouble(const VARIANT& v);

}  // namespace karvo
