#include "hostobjects/VariantValues.h"

#include <string>

#include "conversions/BstrText.h"
#include "conversions/NumberSyntax.h"
#include "conversions/TextReadings.h"
#include "hostobjects/NumberRules.h"

namespace karvo {

namespace {

template <class T, class Convert>
std::optional<T> Changed(const VARIANT& v, VARTYPE to, Convert take) {
  if (v.punkVal == nullptr) return std::nullopt;
  UniqueVariant out;
  HRESULT hr = Sys().VariantChangeTypeEx(out.get(), const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, 0, to);
  if (FAILED(hr) || out->vt != to) return std::nullopt;
  return take(*out.get());
}

}  // namespace

std::optional<std::int32_t> VariantToInt32(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY: return 0;
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return static_cast<std::int32_t>(v.lVal);
    case VT_INT: return v.intVal;
    case VT_UI4: return FitInt32(std::uint64_t{v.ulVal});
    case VT_UINT: return FitInt32(std::uint64_t{v.uintVal});
    case VT_I8: return FitInt32(static_cast<std::int64_t>(v.llVal));
    case VT_UI8: return FitInt32(static_cast<std::uint64_t>(v.ullVal));
    case VT_R4: return RoundToInt32(v.fltVal);
    case VT_R8: return RoundToInt32(v.dblVal);
    case VT_DATE: return RoundToInt32(v.date);
    case VT_CY: return CurrencyToInt32(v.cyVal.int64);
    case VT_BOOL: return v.boolVal != 0 ? -1 : 0;
    case VT_BSTR: return ReadInt32(BstrToText(v.bstrVal));
    case VT_DISPATCH:
    case VT_UNKNOWN:
      return Changed<std::int32_t>(v, VT_I4, [](const VARIANT& r) { return static_cast<std::int32_t>(r.lVal); });
    default: return std::nullopt;  // VT_NULL and every type without a number
  }
}

std::optional<double> VariantToDouble(const VARIANT& v) {
  switch (v.vt) {
    case VT_EMPTY: return 0.0;
    case VT_I1: return v.cVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_UI2: return v.uiVal;
    case VT_I4: return v.lVal;
    case VT_INT: return v.intVal;
    case VT_UI4: return v.ulVal;
    case VT_UINT: return v.uintVal;
    case VT_I8: return static_cast<double>(v.llVal);
    case VT_UI8: return static_cast<double>(v.ullVal);
    case VT_R4: return v.fltVal;
    case VT_R8: return v.dblVal;
    case VT_DATE: return v.date;
    case VT_CY: return static_cast<double>(v.cyVal.int64) / 10000.0;
    case VT_BOOL: return v.boolVal != 0 ? -1.0 : 0.0;
    case VT_BSTR: return ReadDouble(BstrToText(v.bstrVal));
    case VT_DISPATCH:
    case VT_UNKNOWN: return Changed<double>(v, VT_R8, [](const VARIANT& r) { return r.dblVal; });
    default: return std::nullopt;
  }
}

}  // namespace karvo
