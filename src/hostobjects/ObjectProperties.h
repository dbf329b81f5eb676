// Listing, reading and changing the published properties of host objects:
// directly through the object model, and through the host's procedures
// "GetPropertyList", "GetProperty" and "SetProperty" when that fails.
#pragma once

#include <cstdint>
#include <string>

#include "karvo_host.h"
#include "platform/WindowsSupport.h"

namespace karvo {

const char* GetPropertyList(std::uint32_t aObject, std::uint32_t aFlags);
void GetProperty(VARIANT* aResult, std::uint32_t aObject, const char* aPropName);
const char* GetPropertyStr(std::uint32_t aObject, const char* aPropName);
std::uint8_t SetProperty(std::uint32_t aObject, const char* aPropName, const VARIANT& aPropValue);
std::uint8_t SetPropertyStr(std::uint32_t aObject, const char* aPropName, const char* aPropValue);

// The number a METHOD property's pair is given out as: the address of the
// library's copy of that pair in MethodPairs() (MethodPairs.h says how long
// it holds that pair). A pair read again gives the same number while its
// copy lasts.
std::int32_t MethodPairNumber(const KarvoMethod& pair);

// The platform's case-insensitive comparison of two names (CompareStringW,
// NORM_IGNORECASE, the user's locale). Throws DirectFailure when the
// platform cannot compare them.
int PlatformNameCompare(const std::u16string& a, const std::u16string& b);

}  // namespace karvo
