#include "hostobjects/VariantValues.h"

#include <string>

#include "conversions/TextForms.h"
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

std::u16string BstrOf(const VARIANT& v) {
  return v.bstrVal == nullptr ? std::u16string() : std::u16string(U(v.bstrVal), ::SysStringLen(v.bstrVal));
}

std::optional<std::int32_t> TextToInt32(const VARIANT& v) {
  std::u16string text = BstrOf(v);
  LONG out = 0;
  HRESULT hr = Sys().VarI4FromStr(const_cast<OLECHAR*>(W(text)), LOCALE_USER_DEFAULT, 0, &out);
  if (SUCCEEDED(hr)) return static_cast<std::int32_t>(out);
  if (hr != DISP_E_TYPEMISMATCH) return std::nullopt;
  if (std::optional<std::int32_t> n = IntegerTextSyntax(text)) return n;
  return BooleanTextValue(text, DecimalSeparator());
}

std::optional<double> TextToDouble(const VARIANT& v) {
  std::u16string text = BstrOf(v);
  DOUBLE out = 0;
  HRESULT hr = Sys().VarR8FromStr(const_cast<OLECHAR*>(W(text)), LOCALE_USER_DEFAULT, 0, &out);
  if (SUCCEEDED(hr)) return out;
  if (hr != DISP_E_TYPEMISMATCH) return std::nullopt;
  return NumberInDefaultFormat(text, DecimalSeparator());
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
    case VT_BSTR: return TextToInt32(v);
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
    case VT_BSTR: return TextToDouble(v);
    case VT_DISPATCH:
    case VT_UNKNOWN: return Changed<double>(v, VT_R8, [](const VARIANT& r) { return r.dblVal; });
    default: return std::nullopt;
  }
}

}  // namespace karvo
