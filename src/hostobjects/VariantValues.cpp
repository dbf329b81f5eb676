#include "hostobjects/VariantValues.h"

#include <cstring>
#include <new>
#include <string>

#include "conversions/TextForms.h"
#include "hostobjects/NumberRules.h"
#include "platform/CallerMemory.h"

namespace karvo {

namespace {

bool StoreBstr(const std::u16string& text, UniqueVariant& out) {
  BSTR b = Sys().SysAllocStringLen(W(text), static_cast<UINT>(text.size()));
  if (b == nullptr) throw std::bad_alloc();
  out->vt = VT_BSTR;
  out->bstrVal = b;
  return true;
}

std::size_t ScalarSize(VARTYPE t) {
  switch (t) {
    case VT_I1:
    case VT_UI1: return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL: return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR: return 4;
    case VT_I8:
    case VT_UI8:
    case VT_R8:
    case VT_DATE:
    case VT_CY: return 8;
    default: return 0;
  }
}

bool CopyByValue(const VARIANT& in, UniqueVariant& out) {
  if (in.vt == VT_BSTR) {
    std::u16string text;
    return ReadCallerBstr(reinterpret_cast<std::uintptr_t>(in.bstrVal), text) && StoreBstr(text, out);
  }
  if (in.vt == VT_VARIANT) return false;  // only valid as a reference
  return SUCCEEDED(Sys().VariantCopy(out.get(), const_cast<VARIANT*>(&in)));
}

bool CopyReferenced(const VARIANT& in, UniqueVariant& out) {
  const VARTYPE t = in.vt & ~VT_BYREF;
  const auto at = reinterpret_cast<std::uintptr_t>(in.byref);
  if (std::size_t n = ScalarSize(t)) {
    VARIANT v;
    Sys().VariantInit(&v);
    if (!ReadCallerMemory(at, &v.llVal, n)) return false;
    v.vt = t;
    *out.get() = v;
    return true;
  }
  switch (t) {
    case VT_BSTR: {
      std::uintptr_t b = 0;
      std::u16string text;
      return ReadCallerMemory(at, &b, sizeof(BSTR)) && ReadCallerBstr(b, text) && StoreBstr(text, out);
    }
    case VT_DISPATCH:
    case VT_UNKNOWN: {
      IUnknown* p = nullptr;
      if (!ReadCallerMemory(at, &p, sizeof p)) return false;
      if (p != nullptr) p->AddRef();
      out->vt = t;
      out->punkVal = p;
      return true;
    }
    case VT_DECIMAL: {
      DECIMAL d;
      if (!ReadCallerMemory(at, &d, sizeof d)) return false;
      out->decVal = d;
      out->vt = VT_DECIMAL;  // after the value: the two share their first bytes
      return true;
    }
    case VT_VARIANT: {
      VARIANT inner;  // the caller's, not ours: never cleared here
      if (!ReadCallerMemory(at, &inner, sizeof inner)) return false;
      if ((inner.vt & VT_BYREF) != 0) return false;
      return CopyByValue(inner, out);
    }
    default: return false;  // arrays and the rest: no value we could use
  }
}

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

bool CopyCallerVariant(const VARIANT& in, UniqueVariant& out) {
  out.clear();
  Sys().VariantInit(out.get());
  bool ok = (in.vt & VT_BYREF) != 0 ? CopyReferenced(in, out) : CopyByValue(in, out);
  if (!ok) {
    out.clear();
    Sys().VariantInit(out.get());
  }
  return ok;
}

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
