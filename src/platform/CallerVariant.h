// The caller's VARIANTs, read through the checked path of CallerMemory.h.
// Whatever a VARIANT points at (a reference's target, a BSTR's length and
// characters, a SAFEARRAY's descriptor and data, an interface's table) is
// checked before it is read or called; what cannot be read is a failed
// conversion, never a fault and never a value taken for zero.
#pragma once

#include "platform/Owners.h"

namespace karvo {

// Makes `out` a by-value copy of `in` that owns everything it holds. A
// reference (VT_BYREF) is followed one level, a reference to a VARIANT
// included; arrays are copied with their elements; interfaces are taken
// with a reference of our own. False when any part cannot be read or the
// type holds nothing we could use (records, references within references);
// `out` then stays empty. Throws only when memory runs out.
bool CopyCallerVariant(const VARIANT& in, UniqueVariant& out);

// Empties the caller's VARIANT (v not null) before it is given a value.
// What it held is released only when it reads as a sound value (one that
// CopyCallerVariant takes): a VARIANT never initialised, or one holding a
// wild text or object, is overwritten and never followed.
void ReleaseCallerVariant(VARIANT* v);

}  // namespace karvo
