#include "conversions/VariantText.h"

#include "conversions/BstrText.h"
#include "conversions/TextForms.h"
#include "platform/Owners.h"

namespace karvo {

namespace {

// A value stored in the VARIANT, or behind its VT_BYREF pointer.
template <class T>
const T* Value(const VARIANT& v, const T& direct, T* const& byref) {
  return (v.vt & VT_BYREF) != 0 ? byref : &direct;
}

std::optional<std::u16string> FromPlatform(HRESULT hr, BSTR raw) {
  UniqueBstr owned(raw);
  if (FAILED(hr)) return std::nullopt;
  return BstrToText(owned.get());
}

std::optional<std::u16string> ChangedToText(const VARIANT& v) {
  UniqueVariant out;
  HRESULT hr = Sys().VariantChangeTypeEx(out.get(), const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, 0, VT_BSTR);
  if (FAILED(hr) || out->vt != VT_BSTR) return std::nullopt;
  return BstrToText(out->bstrVal);
}

template <class T>
std::optional<std::u16string> Signed(const T* p) {
  if (p == nullptr) return std::nullopt;
  return SignedText(*p);
}

template <class T>
std::optional<std::u16string> Unsigned(const T* p) {
  if (p == nullptr) return std::nullopt;
  return UnsignedText(*p);
}

std::optional<std::u16string> VariantText(const VARIANT& v, bool nullIsEmpty) {
  const VARTYPE type = v.vt & ~VT_BYREF;
  const bool byref = (v.vt & VT_BYREF) != 0;
  switch (type) {
    case VT_EMPTY: return std::u16string();
    case VT_NULL:
      if (nullIsEmpty) return std::u16string();
      return std::nullopt;
    case VT_I1: return Signed(Value(v, v.cVal, v.pcVal));
    case VT_I2: return Signed(Value(v, v.iVal, v.piVal));
    case VT_I4: return Signed(Value(v, v.lVal, v.plVal));
    case VT_I8: return Signed(Value(v, v.llVal, v.pllVal));
    case VT_UI1: return Unsigned(Value(v, v.bVal, v.pbVal));
    case VT_UI2: return Unsigned(Value(v, v.uiVal, v.puiVal));
    case VT_UI4: return Unsigned(Value(v, v.ulVal, v.pulVal));
    case VT_UI8: return Unsigned(Value(v, v.ullVal, v.pullVal));
    case VT_R4: {
      const FLOAT* p = Value(v, v.fltVal, v.pfltVal);
      if (p == nullptr) return std::nullopt;
      return FloatToTextRule(*p);
    }
    case VT_R8: {
      const DOUBLE* p = Value(v, v.dblVal, v.pdblVal);
      if (p == nullptr) return std::nullopt;
      return FloatToTextRule(*p);
    }
    case VT_CY: {
      const CY* p = Value(v, v.cyVal, v.pcyVal);
      if (p == nullptr) return std::nullopt;
      BSTR b = nullptr;
      HRESULT hr = Sys().VarBstrFromCy(*p, LOCALE_USER_DEFAULT, 0, &b);
      return FromPlatform(hr, b);
    }
    case VT_DATE: {
      const DATE* p = Value(v, v.date, v.pdate);
      if (p == nullptr) return std::nullopt;
      BSTR b = nullptr;
      HRESULT hr = Sys().VarBstrFromDate(*p, LOCALE_USER_DEFAULT, 0, &b);
      return FromPlatform(hr, b);
    }
    case VT_BOOL: {
      const VARIANT_BOOL* p = Value(v, v.boolVal, v.pboolVal);
      if (p == nullptr) return std::nullopt;
      BSTR b = nullptr;
      HRESULT hr = Sys().VarBstrFromBool(*p, LOCALE_USER_DEFAULT, 0, &b);
      return FromPlatform(hr, b);
    }
    case VT_BSTR: {
      const BSTR* p = Value(v, v.bstrVal, v.pbstrVal);
      if (p == nullptr) return std::nullopt;
      return BstrToText(*p);
    }
    case VT_DISPATCH:
    case VT_UNKNOWN:
      // The platform follows the reference itself, but not a null one.
      if (byref && v.byref == nullptr) return std::nullopt;
      return ChangedToText(v);
    default: return std::nullopt;
  }
}

}  // namespace

std::optional<std::u16string> VariantToTextStrict(const VARIANT& v) { return VariantText(v, false); }
std::optional<std::u16string> VariantToTextLenient(const VARIANT& v) { return VariantText(v, true); }

void ReadRegionalSettings() {
  wchar_t buf[8] = {};
  // LOCALE_SDECIMAL may hold up to three characters; the rules use one.
  if (Sys().GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0 && buf[0] != 0)
    SetDecimalSeparator(static_cast<char16_t>(buf[0]));
  else
    SetDecimalSeparator(u'.');
}

}  // namespace karvo
