#include "platform/CallerVariant.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "platform/CallerMemory.h"

namespace karvo {

namespace {

// Arrays of VARIANTs may hold arrays again; this far and no further.
constexpr int kMaxDepth = 4;
// No real array has more dimensions; a wild descriptor often claims more.
constexpr unsigned kMaxDimensions = 64;
// Element data larger than this is no array a caller built.
constexpr std::uint64_t kMaxArrayBytes = 0x7FFFFFFF;

// The size of a value of this type that holds no pointer, or 0.
std::size_t PlainSize(VARTYPE t) {
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
    case VT_DECIMAL: return sizeof(DECIMAL);
    default: return 0;
  }
}

// The size of one array element of this type, or 0 for types we do not copy.
std::size_t ElementSize(VARTYPE t) {
  switch (t) {
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: return sizeof(void*);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return PlainSize(t);
  }
}

BSTR NewBstr(const std::u16string& text) {
  BSTR b = Sys().SysAllocStringLen(AsWide(text), static_cast<UINT>(text.size()));
  if (b == nullptr) throw std::bad_alloc();
  return b;
}

bool CopyBstr(std::uintptr_t bstr, VARIANT& out) {
  std::u16string text;
  if (!ReadCallerBstr(bstr, text)) return false;
  out.bstrVal = NewBstr(text);
  out.vt = VT_BSTR;  // after the value, so a half-made copy never claims one
  return true;
}

// An interface pointer is called (AddRef, and later by the platform's
// conversions) only when the object and the first entries of its table can
// be read and those entries lead into executable memory.
bool PlausibleInterface(std::uintptr_t object, VARTYPE t) {
  std::uintptr_t table = 0;
  if (!ReadCallerMemory(object, &table, sizeof table)) return false;
  // IUnknown's three entries; IDispatch adds four that the conversions use.
  std::uintptr_t entries[7] = {};
  const std::size_t n = t == VT_DISPATCH ? 7 : 3;
  if (!ReadCallerMemory(table, entries, n * sizeof entries[0])) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (!CallerCodeAddress(entries[i])) return false;
  return true;
}

bool CopyInterface(std::uintptr_t object, VARTYPE t, VARIANT& out) {
  if (object != 0) {
    if (!PlausibleInterface(object, t)) return false;
    reinterpret_cast<IUnknown*>(object)->AddRef();
  }
  out.punkVal = reinterpret_cast<IUnknown*>(object);
  out.vt = t;
  return true;
}

bool CopyByValue(const VARIANT& in, VARIANT& out, int depth);

// The elements of a checked array into our copy, whose data is zeroed.
bool CopyElements(std::uintptr_t data, std::uint64_t count, VARTYPE elem, SAFEARRAY& copy, int depth) {
  const std::size_t size = ElementSize(elem);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uintptr_t at = data + static_cast<std::uintptr_t>(i) * size;
    void* slot = static_cast<char*>(copy.pvData) + static_cast<std::size_t>(i) * size;
    switch (elem) {
      case VT_BSTR: {
        std::uintptr_t b = 0;
        std::memcpy(&b, reinterpret_cast<const void*>(at), sizeof b);
        std::u16string text;
        if (!ReadCallerBstr(b, text)) return false;
        if (b != 0) *static_cast<BSTR*>(slot) = NewBstr(text);
        break;
      }
      case VT_UNKNOWN:
      case VT_DISPATCH: {
        std::uintptr_t p = 0;
        std::memcpy(&p, reinterpret_cast<const void*>(at), sizeof p);
        VARIANT v;
        if (!CopyInterface(p, elem, v)) return false;
        *static_cast<IUnknown**>(slot) = v.punkVal;
        break;
      }
      case VT_VARIANT: {
        VARIANT element;  // the caller's: read, never cleared here
        std::memcpy(&element, reinterpret_cast<const void*>(at), sizeof element);
        if (!CopyByValue(element, *static_cast<VARIANT*>(slot), depth + 1)) return false;
        break;
      }
      default: return false;
    }
  }
  return true;
}

// A copy of the caller's SAFEARRAY of elem: its descriptor read and
// checked (dimensions, element size, data readable in full) before any of
// its data is.
bool CopyArray(std::uintptr_t at, VARTYPE elem, VARIANT& out, int depth) {
  if (at == 0 || depth > kMaxDepth) return false;
  constexpr std::size_t kHead = offsetof(SAFEARRAY, rgsabound);
  SAFEARRAY head;
  if (!ReadCallerMemory(at, &head, kHead)) return false;
  const std::size_t size = ElementSize(elem);
  if (size == 0 || head.cbElements != size || head.cDims == 0 || head.cDims > kMaxDimensions) return false;
  SAFEARRAYBOUND bounds[kMaxDimensions];
  if (!ReadCallerMemory(at + kHead, bounds, head.cDims * sizeof bounds[0])) return false;
  std::uint64_t count = 1;
  for (unsigned i = 0; i < head.cDims; ++i) {
    count *= bounds[i].cElements;
    if (count * size > kMaxArrayBytes) return false;
  }
  const auto data = reinterpret_cast<std::uintptr_t>(head.pvData);
  const auto bytes = static_cast<std::size_t>(count * size);
  if (bytes > 0 && !CallerMemoryReadable(data, bytes)) return false;

  SAFEARRAY* copy = nullptr;
  if (FAILED(Sys().SafeArrayAllocDescriptorEx(elem, head.cDims, &copy)) || copy == nullptr) throw std::bad_alloc();
  // The bounds as the descriptor stores them, in its own order.
  std::memcpy(copy->rgsabound, bounds, head.cDims * sizeof bounds[0]);
  out.parray = copy;
  out.vt = VT_ARRAY | elem;  // ours from here: clearing out destroys it
  if (FAILED(Sys().SafeArrayAllocData(copy))) throw std::bad_alloc();
  if (bytes == 0) return true;
  if (PlainSize(elem) != 0) {
    std::memcpy(copy->pvData, reinterpret_cast<const void*>(data), bytes);
    return true;
  }
  return CopyElements(data, count, elem, *copy, depth);
}

bool CopyByValue(const VARIANT& in, VARIANT& out, int depth) {
  const VARTYPE t = in.vt;
  if ((t & VT_BYREF) != 0) return false;
  if ((t & VT_ARRAY) != 0) return CopyArray(reinterpret_cast<std::uintptr_t>(in.parray), t & ~VT_ARRAY, out, depth);
  switch (t) {
    case VT_EMPTY:
    case VT_NULL: out.vt = t; return true;
    case VT_BSTR: return CopyBstr(reinterpret_cast<std::uintptr_t>(in.bstrVal), out);
    case VT_UNKNOWN:
    case VT_DISPATCH: return CopyInterface(reinterpret_cast<std::uintptr_t>(in.punkVal), t, out);
    default:
      if (PlainSize(t) == 0) return false;  // records, VT_VARIANT alone, unknown words
      out = in;                             // nothing in it points anywhere
      return true;
  }
}

bool CopyReferenced(const VARIANT& in, VARIANT& out) {
  const VARTYPE t = in.vt & ~VT_BYREF;
  const auto at = reinterpret_cast<std::uintptr_t>(in.byref);
  if ((t & VT_ARRAY) != 0) {
    std::uintptr_t array = 0;
    return ReadCallerMemory(at, &array, sizeof array) && CopyArray(array, t & ~VT_ARRAY, out, 0);
  }
  if (std::size_t n = PlainSize(t)) {
    VARIANT v;
    std::memset(&v, 0, sizeof v);
    // DECIMAL fills the whole VARIANT, its type word included: set vt after.
    void* target = t == VT_DECIMAL ? static_cast<void*>(&v.decVal) : static_cast<void*>(&v.llVal);
    if (!ReadCallerMemory(at, target, n)) return false;
    v.vt = t;
    out = v;
    return true;
  }
  switch (t) {
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH: {
      std::uintptr_t p = 0;
      if (!ReadCallerMemory(at, &p, sizeof p)) return false;
      return t == VT_BSTR ? CopyBstr(p, out) : CopyInterface(p, t, out);
    }
    case VT_VARIANT: {
      VARIANT inner;  // the caller's, not ours: never cleared here
      if (!ReadCallerMemory(at, &inner, sizeof inner)) return false;
      return CopyByValue(inner, out, 0);
    }
    default: return false;  // a reference to nothing we could use
  }
}

}  // namespace

bool CopyCallerVariant(const VARIANT& in, UniqueVariant& out) {
  out.clear();
  Sys().VariantInit(out.get());
  bool ok = (in.vt & VT_BYREF) != 0 ? CopyReferenced(in, *out.get()) : CopyByValue(in, *out.get(), 0);
  if (!ok) {
    out.clear();
    Sys().VariantInit(out.get());
  }
  return ok;
}

void ReleaseCallerVariant(VARIANT* v) {
  UniqueVariant probe;
  if (CopyCallerVariant(*v, probe)) Sys().VariantClear(v);
}

}  // namespace karvo
