// The text forms of VARIANTs: each type, references, and the platform's
// conversions failing.
#include <limits>

#include "Support.h"
#include "conversions/TextForms.h"
#include "conversions/VariantText.h"
#include "platform/Owners.h"

namespace karvo::test {
namespace {

class VariantTextTest : public ::testing::Test {
 protected:
  void SetUp() override { ReadRegionalSettings(); }
  void TearDown() override {
    ResetSyscalls();
    ReadRegionalSettings();
  }
  static std::u16string Sep() {
    wchar_t buf[8] = {};
    ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8);
    return std::u16string(1, static_cast<char16_t>(buf[0]));
  }
  static std::u16string Text(const VARIANT& v) { return VariantToTextStrict(v).value_or(u"<fails>"); }
};

TEST_F(VariantTextTest, EmptyAndNull) {
  VARIANT v;
  ::VariantInit(&v);
  EXPECT_EQ(VariantToTextStrict(v), u"");
  EXPECT_EQ(VariantToTextLenient(v), u"");
  v.vt = VT_NULL;
  EXPECT_FALSE(VariantToTextStrict(v).has_value());
  EXPECT_EQ(VariantToTextLenient(v), u"");
}

TEST_F(VariantTextTest, IntegersAtTheirLimits) {
  VARIANT v;
  v.vt = VT_I1, v.cVal = -128;
  EXPECT_EQ(Text(v), u"-128");
  v.vt = VT_UI1, v.bVal = 255;
  EXPECT_EQ(Text(v), u"255");
  v.vt = VT_I2, v.iVal = -32768;
  EXPECT_EQ(Text(v), u"-32768");
  v.vt = VT_UI2, v.uiVal = 65535;
  EXPECT_EQ(Text(v), u"65535");
  v.vt = VT_I4, v.lVal = std::numeric_limits<LONG>::min();
  EXPECT_EQ(Text(v), u"-2147483648");
  v.vt = VT_UI4, v.ulVal = 4294967295u;
  EXPECT_EQ(Text(v), u"4294967295");
  v.vt = VT_I8, v.llVal = std::numeric_limits<LONGLONG>::min();
  EXPECT_EQ(Text(v), u"-9223372036854775808");
  v.vt = VT_UI8, v.ullVal = std::numeric_limits<ULONGLONG>::max();
  EXPECT_EQ(Text(v), u"18446744073709551615");
}

TEST_F(VariantTextTest, FloatsUseTheRegionalSeparator) {
  ASSERT_EQ(std::u16string(1, DecimalSeparator()), Sep());
  VARIANT v;
  v.vt = VT_R8, v.dblVal = 1.5;
  EXPECT_EQ(Text(v), u"1" + Sep() + u"5");
  v.vt = VT_R4, v.fltVal = 0.25f;
  EXPECT_EQ(Text(v), u"0" + Sep() + u"25");
  v.vt = VT_R8, v.dblVal = 1e20;
  EXPECT_EQ(Text(v), u"1E20");
  v.dblVal = -2.0 / 3;  // the 80-bit path of this build rounds like the 64-bit one
  EXPECT_EQ(Text(v), u"-0" + Sep() + u"666666666666667");
  v.dblVal = 0.0000123;
  EXPECT_EQ(Text(v), u"1" + Sep() + u"23E-5");
}

TEST_F(VariantTextTest, PlatformConversionsInTheUserLocale) {
  VARIANT v;
  v.vt = VT_BOOL, v.boolVal = VARIANT_TRUE;
  EXPECT_EQ(Text(v), u"True");
  v.boolVal = VARIANT_FALSE;
  EXPECT_EQ(Text(v), u"False");
  v.vt = VT_CY, v.cyVal.int64 = 123450;  // 12.345
  EXPECT_EQ(Text(v), u"12" + Sep() + u"345");
  v.vt = VT_DATE, v.date = 2.0;  // 1 January 1900
  BSTR expected = nullptr;
  ASSERT_EQ(::VarBstrFromDate(2.0, LOCALE_USER_DEFAULT, 0, &expected), S_OK);
  EXPECT_EQ(Text(v), std::u16string(AsUtf16(expected)));
  ::SysFreeString(expected);
}

TEST_F(VariantTextTest, TextsAndReferences) {
  UniqueBstr b(::SysAllocStringLen(L"a\0b", 3));
  VARIANT v;
  v.vt = VT_BSTR, v.bstrVal = b.get();
  EXPECT_EQ(Text(v), std::u16string(u"a\0b", 3)) << "the whole BSTR, past an inner NUL";
  v.bstrVal = nullptr;
  EXPECT_EQ(Text(v), u"");
  BSTR inner = b.get();
  v.vt = VT_BYREF | VT_BSTR, v.pbstrVal = &inner;
  EXPECT_EQ(Text(v).size(), 3u);
  LONG n = -42;
  v.vt = VT_BYREF | VT_I4, v.plVal = &n;
  EXPECT_EQ(Text(v), u"-42");
  double d = 0.000123;
  v.vt = VT_BYREF | VT_R8, v.pdblVal = &d;
  EXPECT_EQ(Text(v), u"0" + Sep() + u"000123");
  v.vt = VT_BYREF | VT_I4, v.plVal = nullptr;
  EXPECT_FALSE(VariantToTextStrict(v).has_value()) << "a null reference is refused, not followed";
  v.vt = VT_BYREF | VT_DISPATCH, v.ppdispVal = nullptr;
  EXPECT_FALSE(VariantToTextLenient(v).has_value());
}

TEST_F(VariantTextTest, TypesWithoutATextForm) {
  VARIANT v;
  ::VariantInit(&v);
  for (VARTYPE t : {VARTYPE(VT_ERROR), VARTYPE(VT_RECORD), VARTYPE(VT_ARRAY | VT_I4), VARTYPE(VT_VARIANT | VT_BYREF),
                    VARTYPE(VT_INT_PTR), VARTYPE(0x7FFF)}) {
    v.vt = t;
    v.byref = &v;
    EXPECT_FALSE(VariantToTextStrict(v).has_value()) << t;
    EXPECT_FALSE(VariantToTextLenient(v).has_value()) << t;
  }
}

HRESULT WINAPI FailingChange(VARIANTARG*, VARIANTARG*, LCID, USHORT, VARTYPE) { return DISP_E_TYPEMISMATCH; }
HRESULT WINAPI TextChange(VARIANTARG* out, VARIANTARG* in, LCID, USHORT, VARTYPE vt) {
  if (vt != VT_BSTR || in->vt != VT_DISPATCH) return E_INVALIDARG;
  out->vt = VT_BSTR;
  out->bstrVal = ::SysAllocString(L"Default property");
  return S_OK;
}
HRESULT WINAPI FailingBool(VARIANT_BOOL, LCID, ULONG, BSTR*) { return E_OUTOFMEMORY; }
int WINAPI NoLocale(LCID, LCTYPE, LPWSTR, int) { return 0; }

TEST_F(VariantTextTest, ObjectsGoThroughTheChangeOfType) {
  VARIANT v;
  v.vt = VT_DISPATCH, v.pdispVal = reinterpret_cast<IDispatch*>(&v);  // never touched by the seam
  Sys().VariantChangeTypeEx = &TextChange;
  EXPECT_EQ(Text(v), u"Default property");
  Sys().VariantChangeTypeEx = &FailingChange;
  EXPECT_FALSE(VariantToTextLenient(v).has_value());
  v.vt = VT_UNKNOWN, v.punkVal = nullptr;
  ResetSyscalls();
  EXPECT_FALSE(VariantToTextStrict(v).has_value()) << "no object, no text";
  Sys().VarBstrFromBool = &FailingBool;
  v.vt = VT_BOOL, v.boolVal = VARIANT_TRUE;
  EXPECT_FALSE(VariantToTextStrict(v).has_value());
}

TEST_F(VariantTextTest, RegionalSettingsThatCannotBeReadGiveAPoint) {
  Sys().GetLocaleInfoW = &NoLocale;
  SetDecimalSeparator(u',');
  ReadRegionalSettings();
  EXPECT_EQ(DecimalSeparator(), u'.');
}

}  // namespace
}  // namespace karvo::test
