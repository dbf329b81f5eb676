// The text forms of OLE VARIANTs, for the host and for callers.
#pragma once

#include <optional>
#include <string>

#include "platform/WindowsSupport.h"

namespace karvo {

// Empty text for VT_EMPTY; decimal for the integer types; FloatToTextRule
// for VT_R4 and VT_R8; the platform's conversions in the user's locale for
// VT_CY, VT_DATE, VT_BOOL, VT_DISPATCH and VT_UNKNOWN; the text of VT_BSTR;
// VT_BYREF of any of these as the value it refers to. Nothing for VT_NULL
// and for every other type, or when the platform's conversion fails.
std::optional<std::u16string> VariantToTextStrict(const VARIANT& v);
// As strict, but VT_NULL gives the empty text.
std::optional<std::u16string> VariantToTextLenient(const VARIANT& v);

// Reads the user's regional settings the text forms depend on. The library
// calls it once, at load.
void ReadRegionalSettings();

}  // namespace karvo
