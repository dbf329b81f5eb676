// The XML engine behind call documents: which engine is made, that every
// document is released on every path, the tree rules, and the fallback
// readings of typed values when the platform's readings refuse.
#include <objbase.h>

#include <cstring>
#include <vector>

#include "Support.h"
#include "conversions/TextForms.h"
#include "link/ApiError.h"
#include "messages/Messages.h"
#include "xmldoc/CallDocument.h"
#include "xmldoc/CallDocumentHandle.h"
#include "xmldoc/TypedValues.h"

namespace karvo::test {
namespace {

// CLSIDs in the order the engine must be tried.
const CLSID kWanted[] = {
    {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}},  // 6.0
    {0x88d969c0, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}},  // 4.0
    {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}},  // 3.0
    {0xf5078f1b, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}},  // 2.6
    {0xf6d90f11, 0x9c73, 0x11d3, {0xb3, 0x2e, 0x00, 0xc0, 0x4f, 0x99, 0x0b, 0xb4}},  // version-independent
};

// A CoCreateInstance that records what was asked, refuses the first
// `refuse` classes, and keeps a reference to every object it hands out.
struct EngineSpy {
  static std::vector<CLSID>& Asked() {
    static std::vector<CLSID> v;
    return v;
  }
  static std::vector<IUnknown*>& Kept() {
    static std::vector<IUnknown*> v;
    return v;
  }
  static int& Refuse() {
    static int n = 0;
    return n;
  }
  static HRESULT& RefuseWith() {
    static HRESULT hr = REGDB_E_CLASSNOTREG;
    return hr;
  }
  static HRESULT WINAPI Create(REFCLSID clsid, LPUNKNOWN outer, DWORD ctx, REFIID iid, LPVOID* out) {
    Asked().push_back(clsid);
    if (static_cast<int>(Asked().size()) <= Refuse()) {
      *out = nullptr;
      return RefuseWith();
    }
    HRESULT hr = ::CoCreateInstance(clsid, outer, ctx, iid, out);
    if (SUCCEEDED(hr)) {
      static_cast<IUnknown*>(*out)->AddRef();
      Kept().push_back(static_cast<IUnknown*>(*out));
    }
    return hr;
  }
  EngineSpy(int refuse = 0, HRESULT with = REGDB_E_CLASSNOTREG) {
    Asked().clear();
    Kept().clear();
    Refuse() = refuse;
    RefuseWith() = with;
    Sys().CoCreateInstance = &Create;
  }
  // True when each document made is now held by this spy alone.
  static bool AllReleased() {
    bool all = true;
    for (IUnknown* u : Kept()) all = all && u->Release() == 0;
    Kept().clear();
    return all;
  }
};

class CallDocumentEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    ResetProcessState();
    SetDecimalSeparator(u'.');
  }
  void TearDown() override {
    EngineSpy::AllReleased();
    ResetSyscalls();
    ResetProcessState();
    SetShortDateFormatForTests(u"");
    ::CoUninitialize();
  }
  static VARIANT I4(long l) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = l;
    return v;
  }
};

TEST_F(CallDocumentEngine, NewestEngineFirstThenOlderOnes) {
  {
    EngineSpy spy(2);
    EXPECT_NE(XMLGetProcName("<PROCEDURE NAME=\"a\"/>"), nullptr);
    ASSERT_EQ(EngineSpy::Asked().size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(IsEqualCLSID(EngineSpy::Asked()[i], kWanted[i])) << i;
  }
  {
    EngineSpy spy(5);
    EXPECT_THROW(XMLGetProcName("<PROCEDURE NAME=\"a\"/>"), XmlEngineError);
    ASSERT_EQ(EngineSpy::Asked().size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(IsEqualCLSID(EngineSpy::Asked()[i], kWanted[i])) << i;
  }
  {
    // Without COM on the thread no version is worth trying after the first.
    EngineSpy spy(5, CO_E_NOTINITIALIZED);
    EXPECT_THROW(XMLGetWindowName("<WINDOW/>"), XmlEngineError);
    EXPECT_EQ(EngineSpy::Asked().size(), 1u);
  }
}

TEST_F(CallDocumentEngine, EveryDocumentIsReleasedOnEveryPath) {
  EngineSpy spy;
  EXPECT_NE(XMLGetTagText("<P><A><B>x</B></A></P>", "A"), nullptr);
  EXPECT_THROW(XMLGetProcName("<PROCEDURE><NAME><X/></NAME></PROCEDURE>"), XmlEngineError);
  EXPECT_THROW(XMLGetProcName("<PROCEDURE"), XmlEngineError);
  VARIANT v;
  ::VariantInit(&v);
  XMLGetData(&v, "<PROCEDURE><DATAIN NAME=\"a\"><TYPE>INTEGER</TYPE><VALUE>x</VALUE></DATAIN></PROCEDURE>", "a", 0);
  EXPECT_EQ(LastAPIError(), std::u16string(msg::kTypeConversion) + u"INTEGER");
  ::VariantClear(&v);
  EXPECT_EQ(XMLSetData("<OTHER/>", "a", I4(1), 0, nullptr), nullptr);
  EXPECT_NE(XMLSetData("<WINDOW><WINDOW NAME=\"s\"/></WINDOW>", "a", I4(1), 0, "s"), nullptr);
  VARIANT bad;
  ::VariantInit(&bad);
  bad.vt = VT_BYREF | VT_I4;  // a reference to nothing
  EXPECT_THROW(XMLSetData("<WINDOW/>", "a", bad, 0, nullptr), std::exception);
  EXPECT_THROW(HandleFromCallDocument("<P><APIHANDLE><X/></APIHANDLE></P>"), XmlEngineError);
  EXPECT_EQ(HandleFromCallDocument("<PROCEDURE><DATAIN NAME=\"APIHANDLE\"><VALUE>KARVO_1</VALUE></DATAIN></PROCEDURE>"),
            u"KARVO_1");
  EXPECT_EQ(EngineSpy::Kept().size(), 10u);
  EXPECT_TRUE(EngineSpy::AllReleased());
}

TEST_F(CallDocumentEngine, EngineAloneKeepsDocumentTypesOut) {
  // Without the check on the prolog: the engine's own configuration and the
  // check on the parsed tree must refuse the declaration.
  for (const char16_t* text : {u"<!DOCTYPE P><P/>", u"<!DOCTYPE P [<!ENTITY e \"x\">]><P>&e;</P>"})
    EXPECT_THROW(XmlDocument::Load(CreateXmlEngineDocument(), text), XmlEngineError);
  EXPECT_THROW(XmlDocument::Load({}, u"<P/>"), XmlEngineError);
}

TEST_F(CallDocumentEngine, NodeTextRules) {
  XmlDocument doc =
      XmlDocument::Parse(u"<P><C><![CDATA[a<b]]></C><M>x<!--c--></M><E/><T>old</T><K><!--only--></K></P>");
  XmlNode root = doc.Root();
  EXPECT_EQ(FindChildTag(root, u"C").Text(), u"a<b");
  EXPECT_THROW(FindChildTag(root, u"M").Text(), XmlEngineError);
  EXPECT_THROW(FindChildTag(root, u"K").Text(), XmlEngineError) << "a lone comment is no text";
  EXPECT_EQ(FindChildTag(root, u"E").Text(), u"");
  EXPECT_TRUE(SetChildTagValue(root, u"C", u"new & <x>"));
  EXPECT_TRUE(SetChildTagValue(root, u"E", u"filled"));
  EXPECT_TRUE(SetChildTagValue(root, u"T", u""));
  EXPECT_FALSE(SetChildTagValue(root, u"NONE", u"x"));
  EXPECT_THROW(SetChildTagValue(root, u"M", u"x"), XmlEngineError);
  EXPECT_EQ(doc.Serialize(),
            u"<P><C><![CDATA[new & <x>]]></C><M>x<!--c--></M><E>filled</E><T/><K><!--only--></K></P>\r\n");
  UniqueVariant v;
  v->vt = VT_I4;
  GetChildTagValue(root, u"NONE", v);
  EXPECT_EQ(v->vt, VT_I4) << "no match leaves the variant as it was";
  GetChildTagValue(root, u"T", v);
  EXPECT_EQ(v->vt, VT_NULL);
}

// ---- Fallback readings, with the platform's readings refusing ----

HRESULT WINAPI Mismatch(OLECHAR*, LCID, ULONG, LONG*) { return DISP_E_TYPEMISMATCH; }
HRESULT WINAPI OverflowI4(OLECHAR*, LCID, ULONG, LONG*) { return DISP_E_OVERFLOW; }
HRESULT WINAPI MismatchR8(OLECHAR*, LCID, ULONG, DOUBLE*) { return DISP_E_TYPEMISMATCH; }
HRESULT WINAPI OverflowR8(OLECHAR*, LCID, ULONG, DOUBLE*) { return DISP_E_OVERFLOW; }
HRESULT WINAPI MismatchDate(OLECHAR*, LCID, ULONG, DATE*) { return DISP_E_TYPEMISMATCH; }
// Readings of a few fixed texts: "a" 2.5, "b" 3.5, "c" -2.5, "d" 1E30.
HRESULT WINAPI FixedR8(OLECHAR* s, LCID, ULONG, DOUBLE* out) {
  switch (s[0]) {
    case L'a': *out = 2.5; return S_OK;
    case L'b': *out = 3.5; return S_OK;
    case L'c': *out = -2.5; return S_OK;
    case L'd': *out = 1e30; return S_OK;
    default: return DISP_E_TYPEMISMATCH;
  }
}

struct Converted {
  bool ok = false;
  VARTYPE vt = VT_EMPTY;
  double number = 0;
  long long integer = 0;
};

Converted Convert(const wchar_t* text, TypeTarget target) {
  UniqueVariant raw, out;
  raw->vt = VT_BSTR;
  raw->bstrVal = ::SysAllocString(text);
  Converted c;
  c.ok = ConvertTypedValue(*raw.get(), target, out);
  c.vt = out->vt;
  if (out->vt == VT_R8 || out->vt == VT_DATE) c.number = out->dblVal;
  if (out->vt == VT_I4) c.integer = out->lVal;
  if (out->vt == VT_I8) c.integer = out->llVal;
  return c;
}

TEST_F(CallDocumentEngine, IntegerFallbacks) {
  Sys().VarI4FromStr = &Mismatch;
  EXPECT_EQ(Convert(L"0x1f", TypeTarget::Int32).integer, 31);
  SetDecimalSeparator(u',');
  Converted b = Convert(L"2,5", TypeTarget::Int32);
  EXPECT_TRUE(b.ok);
  EXPECT_EQ(b.integer, 1) << "the Boolean reading: a non-zero number";
  EXPECT_EQ(Convert(L"0,0", TypeTarget::Int32).integer, 0);
  EXPECT_EQ(Convert(L"fAlSe", TypeTarget::UInt8).integer, 0);
  EXPECT_EQ(Convert(L"TRUE", TypeTarget::UInt16).integer, 1);
  EXPECT_FALSE(Convert(L"2.5", TypeTarget::Int32).ok) << "a point is not this locale's separator";
  EXPECT_FALSE(Convert(L"yes", TypeTarget::Int32).ok);
  EXPECT_FALSE(Convert(L"$100", TypeTarget::UInt8).ok) << "256 is beyond a byte";
  EXPECT_EQ(Convert(L"$FFFF", TypeTarget::UInt16).integer, 65535);
  EXPECT_FALSE(Convert(L"-1", TypeTarget::UInt16).ok);
  Sys().VarI4FromStr = &OverflowI4;
  EXPECT_FALSE(Convert(L"1", TypeTarget::Int32).ok) << "an overflow has no fallback";
}

TEST_F(CallDocumentEngine, Int64Fallbacks) {
  EXPECT_EQ(Convert(L"-9223372036854775808", TypeTarget::Int64).integer, INT64_MIN);
  EXPECT_EQ(Convert(L"-9223372036854775808", TypeTarget::Int64).vt, VT_I8);
  EXPECT_EQ(Convert(L"$7FFFFFFF", TypeTarget::Int64).vt, VT_I4);
  Sys().VarI4FromStr = &Mismatch;
  Sys().VarR8FromStr = &FixedR8;
  EXPECT_EQ(Convert(L"a", TypeTarget::Int64).integer, 2) << "ties go to even";
  EXPECT_EQ(Convert(L"b", TypeTarget::Int64).integer, 4);
  EXPECT_EQ(Convert(L"c", TypeTarget::Int64).integer, -2);
  EXPECT_FALSE(Convert(L"d", TypeTarget::Int64).ok) << "beyond 64 bits, not the Boolean 1";
  EXPECT_EQ(Convert(L"True", TypeTarget::Int64).integer, 1);
  EXPECT_FALSE(Convert(L"nic", TypeTarget::Int64).ok);
}

TEST_F(CallDocumentEngine, DoubleAndDateFallbacks) {
  Sys().VarR8FromStr = &MismatchR8;
  SetDecimalSeparator(u',');
  Converted d = Convert(L" -1,25E2 ", TypeTarget::Double);
  EXPECT_TRUE(d.ok);
  EXPECT_EQ(d.vt, VT_R8);
  EXPECT_EQ(d.number, -125.0);
  EXPECT_FALSE(Convert(L"1.5", TypeTarget::Double).ok);
  Sys().VarR8FromStr = &OverflowR8;
  EXPECT_FALSE(Convert(L"1,5", TypeTarget::Double).ok) << "only a mismatch has a fallback";

  Sys().VarDateFromStr = &MismatchDate;
  SetShortDateFormatForTests(u"dd.MM.yyyy");
  Converted date = Convert(L"31.01.2024", TypeTarget::Date);
  EXPECT_TRUE(date.ok);
  EXPECT_EQ(date.vt, VT_DATE);
  EXPECT_EQ(date.number, 45322.0);
  EXPECT_EQ(Convert(L"45322,5", TypeTarget::Date).number, 45322.5) << "days and a fraction";
  EXPECT_FALSE(Convert(L"31.02.2024", TypeTarget::Date).ok);
  EXPECT_FALSE(Convert(L"99999999", TypeTarget::Date).ok) << "beyond the last OLE date";
}

TEST_F(CallDocumentEngine, TextsAndTargetsWithoutConversion) {
  Converted s = Convert(L"abc", TypeTarget::AnsiText);
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.vt, VT_BSTR);
  EXPECT_TRUE(Convert(L"x", TypeTarget::Empty).ok);
  EXPECT_FALSE(Convert(L"x", TypeTarget::Variant).ok);
  EXPECT_FALSE(Convert(L"x", TypeTarget::Opaque).ok);
  UniqueVariant null, out;
  null->vt = VT_NULL;
  for (TypeTarget t : {TypeTarget::Empty, TypeTarget::AnsiText, TypeTarget::Int32})
    EXPECT_FALSE(ConvertTypedValue(*null.get(), t, out)) << "a null value converts to nothing";
}

}  // namespace
}  // namespace karvo::test
