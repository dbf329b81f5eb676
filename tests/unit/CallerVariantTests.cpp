// The one checked way to read a caller's VARIANT: every wild value a plug-in
// may hand over is refused without a fault, sound ones are copied whole and
// owned by the copy, and a caller's VARIANT is emptied only when what it
// holds reads as a value.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WildMemory.h"
#include "platform/CallerMemory.h"
#include "platform/CallerVariant.h"
#include "platform/Owners.h"

namespace karvo::test {
namespace {

std::u16string Text(const VARIANT& v) {
  return v.bstrVal == nullptr ? u"" : std::u16string(AsUtf16(v.bstrVal), ::SysStringLen(v.bstrVal));
}

bool Copies(const VARIANT& v) {
  UniqueVariant out;
  bool ok = CopyCallerVariant(v, out);
  if (!ok) EXPECT_EQ(out->vt, VT_EMPTY) << "a refused value leaves the copy empty";
  return ok;
}

TEST(CallerMemory, RangesAreCheckedAgainstTheKernelsViewOfThePages) {
  EdgePage page;
  ASSERT_TRUE(page.Ready());
  char* last4 = page.End() - 4;
  EXPECT_TRUE(CallerMemoryReadable(reinterpret_cast<std::uintptr_t>(last4), 4));
  EXPECT_FALSE(CallerMemoryReadable(reinterpret_cast<std::uintptr_t>(last4), 5)) << "one byte into the hole";
  EXPECT_FALSE(CallerMemoryReadable(reinterpret_cast<std::uintptr_t>(page.End()), 1));
  EXPECT_FALSE(CallerMemoryReadable(reinterpret_cast<std::uintptr_t>(Wild()), 4));
  EXPECT_FALSE(CallerMemoryReadable(reinterpret_cast<std::uintptr_t>(NearNull()), 4));
  EXPECT_FALSE(CallerMemoryReadable(0xFFFFFFF0u, 0x20)) << "a range that wraps";
  EXPECT_TRUE(CallerMemoryReadable(0, 0)) << "nothing to read is always readable";
  // Wine's ReadProcessMemory reads a decommitted page as zeros; ours refuses.
  std::uint32_t word = 0x12345678;
  EXPECT_FALSE(ReadCallerMemory(reinterpret_cast<std::uintptr_t>(page.End()), &word, sizeof word));
  EXPECT_EQ(word, 0x12345678u) << "nothing was written";
  // Code, and what is not code.
  EXPECT_TRUE(CallerCodeAddress(reinterpret_cast<std::uintptr_t>(&::GetTickCount)));
  EXPECT_FALSE(CallerCodeAddress(reinterpret_cast<std::uintptr_t>(&word)));
  EXPECT_FALSE(CallerCodeAddress(0));
}

TEST(CallerVariants, EveryWildValueIsRefusedWithoutAFault) {
  EdgePage page;
  ASSERT_TRUE(page.Ready());
  BSTR wildBstr = static_cast<BSTR>(Wild());
  BSTR longBstr = BstrClaiming(page, 0x40000000);
  // References to nowhere, of every kind that is followed.
  for (VARTYPE t : {VT_I4, VT_BSTR, VT_VARIANT, VT_UNKNOWN, VT_DISPATCH, VT_DECIMAL, VT_R8, VT_BOOL, VT_CY})
    EXPECT_FALSE(Copies(Typed(VT_BYREF | t, Wild()))) << "VT_BYREF | " << t << " at 0xDEAD0000";
  EXPECT_FALSE(Copies(Typed(VT_BYREF | VT_ARRAY | VT_I4, Wild())));
  EXPECT_FALSE(Copies(Typed(VT_BYREF | VT_I4, NearNull())));
  EXPECT_FALSE(Copies(Typed(VT_BYREF | VT_I4, nullptr)));
  // A reference whose target runs into the hole.
  EXPECT_FALSE(Copies(Typed(VT_BYREF | VT_R8, page.End() - 4)));
  // Texts: at a wild address, or longer than their memory, by value or by reference.
  EXPECT_FALSE(Copies(Typed(VT_BSTR, wildBstr)));
  EXPECT_FALSE(Copies(Typed(VT_BSTR, longBstr)));
  EXPECT_FALSE(Copies(Typed(VT_BYREF | VT_BSTR, &wildBstr)));
  EXPECT_FALSE(Copies(Typed(VT_BYREF | VT_BSTR, &longBstr)));
  // A VARIANT by reference that holds a wild text, or another reference.
  VARIANT inner = Typed(VT_BSTR, wildBstr);
  EXPECT_FALSE(Copies(Typed(VT_BYREF | VT_VARIANT, &inner)));
  LONG n = 5;
  inner = Typed(VT_BYREF | VT_I4, &n);
  EXPECT_FALSE(Copies(Typed(VT_BYREF | VT_VARIANT, &inner))) << "references are followed one level";
  // Objects: a wild pointer, and readable memory that is no object.
  EXPECT_FALSE(Copies(Typed(VT_UNKNOWN, Wild())));
  std::uintptr_t junk[4] = {reinterpret_cast<std::uintptr_t>(&n), 0, 0, 0};
  EXPECT_FALSE(Copies(Typed(VT_UNKNOWN, junk))) << "its table leads to data, not code";
  EXPECT_FALSE(Copies(Typed(VT_DISPATCH, junk)));
  // Types that hold nothing we could use.
  EXPECT_FALSE(Copies(Typed(VT_RECORD, junk)));
  EXPECT_FALSE(Copies(Typed(VT_VARIANT, nullptr)));
  EXPECT_FALSE(Copies(Typed(0x0FFF, nullptr)));
}

// A SAFEARRAY descriptor of one dimension as a caller lays it out.
struct Descriptor {
  USHORT cDims = 1;
  USHORT fFeatures = 0;
  ULONG cbElements = 4;
  ULONG cLocks = 0;
  void* pvData = nullptr;
  SAFEARRAYBOUND bound = {0, 0};
};

TEST(CallerVariants, WildArrayDescriptorsAndDataAreRefused) {
  EdgePage page;
  ASSERT_TRUE(page.Ready());
  LONG data[4] = {1, 2, 3, 4};
  Descriptor d;
  d.pvData = data;
  d.bound.cElements = 4;
  VARIANT sound = Typed(VT_ARRAY | VT_I4, &d);
  EXPECT_TRUE(Copies(sound)) << "the sound descriptor first";

  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_I4, Wild()))) << "descriptor at 0xDEAD0000";
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_I4, nullptr)));
  Descriptor bad = d;
  bad.pvData = Wild();
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_I4, &bad))) << "data at 0xDEAD0000";
  bad = d;
  bad.bound.cElements = 0x10000000;
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_I4, &bad))) << "more elements than the data holds";
  bad = d;
  bad.bound.cElements = 0x80000000u;
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_I4, &bad))) << "more bytes than any array";
  bad = d;
  bad.cbElements = 8;
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_I4, &bad))) << "an element size that is not its type's";
  bad = d;
  bad.cDims = 0;
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_I4, &bad)));
  bad = d;
  bad.cDims = 3;  // its bounds run past the end of readable memory
  auto atEnd = reinterpret_cast<Descriptor*>(page.PutAtEnd(&bad, sizeof bad));
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_I4, atEnd)));
  // Elements that point somewhere: each is checked as a value of its own.
  BSTR texts[2] = {::SysAllocString(L"jeden"), static_cast<BSTR>(Wild())};
  Descriptor t = d;
  t.pvData = texts;
  t.bound.cElements = 2;
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_BSTR, &t)));
  VARIANT items[2] = {Typed(VT_I4, nullptr), Typed(VT_BSTR, Wild())};
  Descriptor vs = d;
  vs.cbElements = sizeof(VARIANT);
  vs.pvData = items;
  vs.bound.cElements = 2;
  EXPECT_FALSE(Copies(Typed(VT_ARRAY | VT_VARIANT, &vs)));
  ::SysFreeString(texts[0]);
}

TEST(CallerVariants, SoundValuesAreCopiedWholeAndOwnedByTheCopy) {
  // A two-dimensional array of texts, with a null element.
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {2, 0}};
  SAFEARRAY* texts = ::SafeArrayCreate(VT_BSTR, 2, bounds);
  ASSERT_NE(texts, nullptr);
  LONG at[2] = {1, 0};
  BSTR one = ::SysAllocString(L"raz"), two = ::SysAllocString(L"dwa");
  ::SafeArrayPutElement(texts, at, one);  // the array keeps copies
  at[0] = 2;
  at[1] = 1;
  ::SafeArrayPutElement(texts, at, two);
  ::SysFreeString(one);
  ::SysFreeString(two);
  VARIANT caller = Typed(VT_ARRAY | VT_BSTR, texts);
  {
    UniqueVariant copy;
    ASSERT_TRUE(CopyCallerVariant(caller, copy));
    ASSERT_EQ(copy->vt, VT_ARRAY | VT_BSTR);
    ASSERT_NE(copy->parray, texts);
    EXPECT_EQ(::SafeArrayGetDim(copy->parray), 2u);
    LONG lo = 0, hi = 0;
    ::SafeArrayGetLBound(copy->parray, 1, &lo);
    ::SafeArrayGetUBound(copy->parray, 1, &hi);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 2);
    BSTR got = nullptr;
    ASSERT_EQ(::SafeArrayGetElement(copy->parray, at, &got), S_OK);
    EXPECT_EQ(std::u16string(AsUtf16(got)), u"dwa");
    EXPECT_NE(got, nullptr);
    ::SysFreeString(got);
  }
  ::SafeArrayDestroy(texts);

  // An object: one reference of the copy's own, given back with it.
  CountedObject object;
  {
    UniqueVariant copy;
    ASSERT_TRUE(CopyCallerVariant(Typed(VT_UNKNOWN, &object), copy));
    EXPECT_EQ(object.refs, 2);
    IUnknown* ref = &object;
    ASSERT_TRUE(CopyCallerVariant(Typed(VT_BYREF | VT_UNKNOWN, &ref), copy));
    EXPECT_EQ(object.refs, 2) << "the earlier copy went when the new one came";
  }
  EXPECT_EQ(object.refs, 1);

  // A DECIMAL by reference, and a VARIANT by reference holding a text.
  DECIMAL dec;
  std::memset(&dec, 0, sizeof dec);
  dec.Lo64 = 12345;
  dec.scale = 2;
  UniqueVariant copy;
  ASSERT_TRUE(CopyCallerVariant(Typed(VT_BYREF | VT_DECIMAL, &dec), copy));
  EXPECT_EQ(copy->vt, VT_DECIMAL);
  EXPECT_EQ(copy->decVal.Lo64, 12345u);
  EXPECT_EQ(copy->decVal.scale, 2);
  VARIANT inner = Typed(VT_BSTR, ::SysAllocString(L"w środku"));
  ASSERT_TRUE(CopyCallerVariant(Typed(VT_BYREF | VT_VARIANT, &inner), copy));
  EXPECT_EQ(Text(*copy.get()), u"w środku");
  EXPECT_NE(copy->bstrVal, inner.bstrVal);
  ::VariantClear(&inner);
}

TEST(CallerVariants, ACallersVariantIsEmptiedOnlyWhenItHoldsAValue) {
  CountedObject object;
  object.AddRef();  // the caller's VARIANT holds this one
  VARIANT held = Typed(VT_UNKNOWN, &object);
  ReleaseCallerVariant(&held);
  EXPECT_EQ(object.refs, 1) << "a sound object is released";
  // Never initialised, or holding a wild text or object: overwritten later, never followed.
  for (VARIANT garbage :
       {Typed(VT_BSTR, Wild()), Typed(VT_UNKNOWN, NearNull()), Typed(VT_ARRAY | VT_VARIANT, Wild())}) {
    const VARTYPE was = garbage.vt;
    ReleaseCallerVariant(&garbage);
    EXPECT_EQ(garbage.vt, was) << "left as it was, for the value to overwrite";
  }
}

}  // namespace
}  // namespace karvo::test
