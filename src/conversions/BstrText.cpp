#include "conversions/BstrText.h"

#include <new>

namespace karvo {

std::u16string BstrToText(BSTR b) {
  return b == nullptr ? std::u16string() : std::u16string(AsUtf16(b), ::SysStringLen(b));
}

UniqueBstr NewBstr(const std::u16string& text) {
  UniqueBstr b(Sys().SysAllocStringLen(AsWide(text), static_cast<UINT>(text.size())));
  if (!b) throw std::bad_alloc();
  return b;
}

void SetBstrVariant(UniqueVariant& v, const std::u16string& text) {
  // The string first: a VARIANT that says VT_BSTR before it holds one
  // would have its cleanup free whatever the slot held.
  UniqueBstr b = NewBstr(text);
  v.clear();
  v->bstrVal = b.release();
  v->vt = VT_BSTR;
}

}  // namespace karvo
