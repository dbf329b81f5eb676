#include "conversions/VariantText.h"

#include "conversions/BstrText.h"
#include "conversions/TextForms.h"
#include "platform/Owners.h"

namespace karvo {

namespace {

using Text = std::optional<std::u16string>;

// A value stored in the VARIANT, or behind its VT_BYREF pointer.
template <class T>
const T* Value(const VARIANT& v, const T& direct, T* const& byref) {
  return (v.vt & VT_BYREF) != 0 ? byref : &direct;
}

Text FromPlatform(HRESULT hr, BSTR raw) {
  UniqueBstr owned(raw);
  if (FAILED(hr)) return std::nullopt;
  return BstrToText(owned.get());
}

Text ChangedToText(const VARIANT& v) {
  UniqueVariant out;
  HRESULT hr = Sys().VariantChangeTypeEx(out.get(), const_cast<VARIANT*>(&v), LOCALE_USER_DEFAULT, 0, VT_BSTR);
  if (FAILED(hr) || out->vt != VT_BSTR) return std::nullopt;
  return BstrToText(out->bstrVal);
}

// Nothing for a null reference, else the value's text in the given form.
template <class T, class Form>
Text TextOf(const T* p, Form form) {
  if (p == nullptr) return std::nullopt;
  return form(*p);
}

Text Decimal(std::int64_t x) { return SignedText(x); }
Text Decimal(std::uint64_t x) { return UnsignedText(x); }
Text Float(double x) { return FloatToTextRule(x); }
Text Bstr(BSTR b) { return BstrToText(b); }

// The platform's text of the value, in the user's default locale.
template <class T>
auto ByPlatform(HRESULT(WINAPI* convert)(T, LCID, ULONG, BSTR*)) {
  return [convert](T x) {
    BSTR b = nullptr;
    HRESULT hr = convert(x, LOCALE_USER_DEFAULT, 0, &b);
    return FromPlatform(hr, b);
  };
}

Text VariantText(const VARIANT& v, bool nullIsEmpty) {
  const VARTYPE type = v.vt & ~VT_BYREF;
  const bool byref = (v.vt & VT_BYREF) != 0;
  auto sign = [](auto x) { return Decimal(static_cast<std::int64_t>(x)); };
  auto unsign = [](auto x) { return Decimal(static_cast<std::uint64_t>(x)); };
  switch (type) {
    case VT_EMPTY: return std::u16string();
    case VT_NULL:
      if (nullIsEmpty) return std::u16string();
      return std::nullopt;
    case VT_I1: return TextOf(Value(v, v.cVal, v.pcVal), sign);
    case VT_I2: return TextOf(Value(v, v.iVal, v.piVal), sign);
    case VT_I4: return TextOf(Value(v, v.lVal, v.plVal), sign);
    case VT_I8: return TextOf(Value(v, v.llVal, v.pllVal), sign);
    case VT_UI1: return TextOf(Value(v, v.bVal, v.pbVal), unsign);
    case VT_UI2: return TextOf(Value(v, v.uiVal, v.puiVal), unsign);
    case VT_UI4: return TextOf(Value(v, v.ulVal, v.pulVal), unsign);
    case VT_UI8: return TextOf(Value(v, v.ullVal, v.pullVal), unsign);
    case VT_R4: return TextOf(Value(v, v.fltVal, v.pfltVal), Float);
    case VT_R8: return TextOf(Value(v, v.dblVal, v.pdblVal), Float);
    case VT_CY: return TextOf(Value(v, v.cyVal, v.pcyVal), ByPlatform(Sys().VarBstrFromCy));
    case VT_DATE: return TextOf(Value(v, v.date, v.pdate), ByPlatform(Sys().VarBstrFromDate));
    case VT_BOOL: return TextOf(Value(v, v.boolVal, v.pboolVal), ByPlatform(Sys().VarBstrFromBool));
    case VT_BSTR: return TextOf(Value(v, v.bstrVal, v.pbstrVal), Bstr);
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
