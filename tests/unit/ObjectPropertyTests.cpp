// Published properties against a test object model, with the scripted host
// behind every fallback: what is read and written directly, what reaches
// the host and with which message the caller is left.
#include <cstring>

#include "Support.h"
#include "TestObjectModel.h"
#include "conversions/TextForms.h"
#include "conversions/VariantText.h"
#include "host/ObjectModel.h"
#include "hostobjects/ObjectProperties.h"
#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "messages/Messages.h"
#include "platform/CodePage.h"
#include "platform/Owners.h"

namespace karvo::test {
namespace {

constexpr KarvoHandle kForm = 0x1000;
constexpr KarvoHandle kStranger = 0x80000001u;  // no object of this process

TestProperty P(std::u16string name, unsigned kind, std::u16string type) {
  TestProperty p;
  p.Name = std::move(name);
  p.Kind = kind;
  p.TypeName = std::move(type);
  return p;
}

class ObjectProperties : public HostedTest {
 protected:
  void SetUp() override {
    HostedTest::SetUp();
    ReadRegionalSettings();
    TestProperty caption = P(u"Caption", KARVO_tkUString, u"TCaption");
    caption.Text = u"Okno";
    TestProperty left = P(u"Left", KARVO_tkInteger, u"Integer");
    left.Bits = 5;
    TestProperty tag = P(u"Tag", KARVO_tkInteger, u"Cardinal");
    tag.OrdType = KARVO_otULong;
    tag.Bits = 0xFFFFFFFFu;
    TestProperty small = P(u"Small", KARVO_tkInteger, u"ShortInt");
    small.OrdType = KARVO_otSByte;
    TestProperty ratio = P(u"Ratio", KARVO_tkFloat, u"Double");
    ratio.Float = 1.5;
    TestProperty price = P(u"Price", KARVO_tkFloat, u"Currency");
    price.FloatType = KARVO_ftCurr;
    TestProperty onClick = P(u"OnClick", KARVO_tkMethod, u"TNotifyEvent");
    onClick.Method = {0x4000, kForm};
    TestProperty onShow = P(u"OnShow", KARVO_tkMethod, u"TNotifyEvent");
    TestProperty width = P(u"Width", KARVO_tkInteger, u"Integer");
    width.CanWrite = false;
    model.Add(kForm, MakeObject(u"TForm", u"Form1",
                                {caption, left, tag, small, ratio, price, onClick, onShow, width,
                                 P(u"Hint", KARVO_tkVariant, u"Variant"), P(u"Anchors", KARVO_tkSet, u"TAnchors")}));
    ASSERT_TRUE(host::InstallObjectModel(model.Table()));
  }
  void TearDown() override {
    host::InstallObjectModel(nullptr);
    HostedTest::TearDown();
  }
  std::u16string List(KarvoHandle h, unsigned flags) { return PlainText(GetPropertyList(h, flags)); }
  std::uint8_t Set(KarvoHandle h, const char* name, const VARIANT& v) { return SetProperty(h, name, v); }
  std::u16string LastHostData() { return host->Requests().back().Data; }
  std::u16string Dec(const char16_t* intPart, const char16_t* frac) {
    return std::u16string(intPart) + DecimalSeparator() + frac;
  }
  TestObjectModel model;
};

VARIANT I4(std::int32_t n) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

TEST_F(ObjectProperties, ListInNameOrderWithEveryKindGroup) {
  model.Add(1, MakeObject(u"TForm", u"", {model.Prop(kForm, u"Left"), model.Prop(kForm, u"Caption")}));
  EXPECT_EQ(List(1, 7), u"Caption:TCaption='Okno';Left:Integer=5");
  EXPECT_EQ(List(1, 0), List(1, 7));
  EXPECT_EQ(List(1, 256), List(1, 7));
  EXPECT_EQ(List(1, 2), u"TCaption;Integer");
  std::u16string all = List(kForm, 4);
  EXPECT_EQ(all.substr(0, 11), u"0;'Okno';;5") << "Anchors, Caption, Hint (not handled: nothing), Left";
  EXPECT_EQ(host->RequestCount(), 0u);
}

TEST_F(ObjectProperties, MethodPairNumbersPointAtReadableCopies) {
  std::u16string list = List(kForm, 5);
  auto at = list.find(u"OnClick=");
  ASSERT_NE(at, std::u16string::npos);
  std::int32_t number = std::stoi(std::string(list.begin() + at + 8, list.begin() + list.find(u';', at)));
  auto pair = reinterpret_cast<const std::uint32_t*>(static_cast<std::uintptr_t>(number));
  EXPECT_EQ(pair[0], 0x4000u);
  EXPECT_EQ(pair[1], kForm);
  UniqueVariant v;
  GetProperty(v.get(), kForm, "onclick");
  ASSERT_EQ(v->vt, VT_I4);
  EXPECT_EQ(v->lVal, number) << "the same pair gives the same number";
  // Written back into another method property, the pair arrives whole.
  EXPECT_EQ(Set(kForm, "OnShow", I4(number)), 1);
  EXPECT_EQ(model.Prop(kForm, u"OnShow").Method.Code, 0x4000u);
  EXPECT_EQ(model.Prop(kForm, u"OnShow").Method.Data, kForm);
}

TEST_F(ObjectProperties, GetReadsEachGroupIntoTheCallersVariant) {
  UniqueVariant v;
  GetProperty(v.get(), kForm, "caption");
  ASSERT_EQ(v->vt, VT_BSTR);
  EXPECT_EQ(std::u16string(AsUtf16(v->bstrVal)), u"Okno");
  GetProperty(v.get(), kForm, "TAG");  // the BSTR it held is released first
  ASSERT_EQ(v->vt, VT_I4);
  EXPECT_EQ(v->lVal, -1);
  GetProperty(v.get(), kForm, "Ratio");
  ASSERT_EQ(v->vt, VT_R8);
  EXPECT_EQ(v->dblVal, 1.5);
  GetProperty(v.get(), kForm, "Hint");
  EXPECT_EQ(v->vt, VT_R8) << "a kind not handled leaves the variant as it was";
  EXPECT_EQ(LastAPIError(), u"");
  EXPECT_EQ(host->RequestCount(), 0u);
}

TEST_F(ObjectProperties, GetAsksTheHostForAnUnknownNameOrObject) {
  host->Always(Answer::Verdict(true, u"z hosta"));
  UniqueVariant v;
  GetProperty(v.get(), kForm, "Nope");
  ASSERT_EQ(v->vt, VT_BSTR);
  EXPECT_EQ(std::u16string(AsUtf16(v->bstrVal)), u"z hosta");
  EXPECT_EQ(LastHostData(), u"4096\x0001Nope");
  host->Always(Answer::Verdict(false, u"host: nie"));
  GetProperty(v.get(), kForm, "Nope");
  EXPECT_EQ(v->vt, VT_NULL);
  EXPECT_EQ(LastAPIError(), u"Brak właściwości o nazwie: 'Nope' !!");
  GetProperty(v.get(), kStranger, "Caption");
  EXPECT_EQ(v->vt, VT_NULL);
  EXPECT_EQ(LastAPIError(), msg::kPropertyReadFailed);
  EXPECT_EQ(host->Requests().back().SQL, u"GetProperty");
  EXPECT_EQ(LastHostData(),
            u"2147483649\x0001"
            u"Caption");
  model.Prop(kForm, u"Caption").FailReads = true;
  GetProperty(v.get(), kForm, "Caption");
  EXPECT_EQ(LastAPIError(), msg::kPropertyReadFailed);
}

TEST_F(ObjectProperties, ListFallsBackWithTheFlagByte) {
  host->Always(Answer::Verdict(true, u"A=1"));
  EXPECT_EQ(List(kStranger, 0x300), u"A=1");
  EXPECT_EQ(host->Requests().back().SQL, u"GetPropertyList");
  EXPECT_EQ(LastHostData(),
            u"2147483649\x0001"
            u"7");
  host->Always(Answer::Verdict(false, u"x"));
  EXPECT_EQ(GetPropertyList(kStranger, 12), nullptr);
  EXPECT_EQ(LastHostData(),
            u"2147483649\x0001"
            u"12");
  EXPECT_EQ(LastAPIError(), msg::kPropertyListFailed);
  model.Prop(kForm, u"Left").FailReads = true;
  EXPECT_EQ(GetPropertyList(kForm, 4), nullptr) << "a value that cannot be read sends the whole list to the host";
  EXPECT_NE(GetPropertyList(kForm, 1), nullptr) << "without values nothing is read";
}

TEST_F(ObjectProperties, OrdinalWritesConvertEveryVariantType) {
  struct Case {
    VARTYPE vt;
    std::int64_t bits;
    std::uint32_t stored;
  };
  auto make = [](VARTYPE vt, std::int64_t bits) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = vt;
    v.llVal = bits;
    return v;
  };
  double half = 2.5, big = 2.5e9;
  std::int64_t halfBits, bigBits;
  std::memcpy(&halfBits, &half, 8);
  std::memcpy(&bigBits, &big, 8);
  for (Case c : {Case{VT_EMPTY, 0, 0}, Case{VT_UI1, 200, 200}, Case{VT_I2, -2, 0xFFFFFFFEu}, Case{VT_R8, halfBits, 2},
                 Case{VT_CY, 35000, 4}, Case{VT_BOOL, static_cast<std::uint16_t>(VARIANT_TRUE), 0xFFFFFFFFu},
                 Case{VT_I8, -7, 0xFFFFFFF9u}}) {
    VARIANT v = make(c.vt, c.bits);
    EXPECT_EQ(Set(kForm, "Left", v), 1) << c.vt;
    EXPECT_EQ(model.Prop(kForm, u"Left").Bits, c.stored) << c.vt;
  }
  EXPECT_EQ(host->RequestCount(), 0u);
  host->Always(Answer::Verdict(true, u""));
  EXPECT_EQ(Set(kForm, "Left", make(VT_UI4, 0x80000000u)), 1);
  EXPECT_EQ(LastHostData(),
            u"4096\x0001Left\x0001"
            u"2147483648")
      << "out of range goes to the host as text";
  EXPECT_EQ(Set(kForm, "Left", make(VT_R8, bigBits)), 1);
  EXPECT_EQ(host->RequestCount(), 2u);
  // The width of the property: -1 in a ShortInt is one byte of ones.
  EXPECT_EQ(Set(kForm, "Small", I4(-1)), 1);
  EXPECT_EQ(model.Prop(kForm, u"Small").Bits, 0xFFu);
}

TEST_F(ObjectProperties, TextOnAnOrdinalTriesEachReadingInTurn) {
  auto text = [](const wchar_t* s) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocString(s);
    return v;
  };
  for (auto [s, want] : {std::pair{L" 42", 42u}, {L"$1F", 31u}, {L"0x1f", 31u}, {L"true", 1u}, {L"FALSE", 0u}}) {
    UniqueVariant v;
    *v.get() = text(s);
    EXPECT_EQ(Set(kForm, "Left", *v.get()), 1);
    EXPECT_EQ(model.Prop(kForm, u"Left").Bits, want);
  }
  EXPECT_EQ(host->RequestCount(), 0u);
  host->Always(Answer::Verdict(false, u"host: nie"));
  UniqueVariant abc;
  *abc.get() = text(L"abc");
  EXPECT_EQ(Set(kForm, "Left", *abc.get()), 0);
  EXPECT_EQ(LastHostData(),
            u"4096\x0001Left\x0001"
            u"abc");
  EXPECT_EQ(LastAPIError(), msg::kPropertyChangeFailed);
  EXPECT_EQ(std::u16string(AsUtf16(abc->bstrVal)), u"abc") << "the caller's value is neither changed nor released";
}

TEST_F(ObjectProperties, FloatTextAndNullWrites) {
  VARIANT r8;
  ::VariantInit(&r8);
  r8.vt = VT_R8;
  r8.dblVal = 0.03125;
  EXPECT_EQ(Set(kForm, "Price", r8), 1);
  EXPECT_DOUBLE_EQ(model.Prop(kForm, u"Price").Float, 0.0312) << "currency keeps four decimals, halves to even";
  UniqueVariant t;
  t->vt = VT_BSTR;
  t->bstrVal = ::SysAllocString(reinterpret_cast<const wchar_t*>(Dec(u"2", u"25").c_str()));
  EXPECT_EQ(Set(kForm, "Ratio", *t.get()), 1);
  EXPECT_EQ(model.Prop(kForm, u"Ratio").Float, 2.25);
  EXPECT_EQ(Set(kForm, "caption", I4(-12)), 1);
  EXPECT_EQ(model.Prop(kForm, u"Caption").Text, u"-12");
  // VT_NULL converts to nothing: the host gets an empty value.
  host->Always(Answer::Verdict(true, u""));
  VARIANT null;
  ::VariantInit(&null);
  null.vt = VT_NULL;
  EXPECT_EQ(Set(kForm, "Caption", null), 1);
  EXPECT_EQ(LastHostData(),
            u"4096\x0001"
            u"Caption\x0001");
  EXPECT_EQ(Set(kForm, "Left", null), 1);
  EXPECT_EQ(Set(kForm, "Hint", null), 1) << "a kind not handled is found and left alone";
  EXPECT_EQ(host->RequestCount(), 2u);
  EXPECT_EQ(Set(kForm, "Width", I4(3)), 1) << "a property without a writer goes to the host";
  EXPECT_EQ(host->RequestCount(), 3u);
}

TEST_F(ObjectProperties, ReferencesAreFollowedAndUnreadableOnesNeverRead) {
  LONG n = 77;
  VARIANT ref;
  ::VariantInit(&ref);
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &n;
  EXPECT_EQ(Set(kForm, "Left", ref), 1);
  EXPECT_EQ(model.Prop(kForm, u"Left").Bits, 77u);
  UniqueVariant inner;
  inner->vt = VT_BSTR;
  inner->bstrVal = ::SysAllocString(L"przez referencję");
  VARIANT refVariant;
  ::VariantInit(&refVariant);
  refVariant.vt = VT_BYREF | VT_VARIANT;
  refVariant.pvarVal = inner.get();
  EXPECT_EQ(Set(kForm, "Caption", refVariant), 1);
  EXPECT_EQ(model.Prop(kForm, u"Caption").Text, u"przez referencję");
  EXPECT_EQ(host->RequestCount(), 0u);
  // A reference to nowhere has no value and no text: nothing is sent.
  ref.plVal = reinterpret_cast<LONG*>(0x10);
  EXPECT_EQ(Set(kForm, "Left", ref), 0);
  EXPECT_EQ(LastAPIError(), msg::kPropertyChangeFailed);
  EXPECT_EQ(host->RequestCount(), 0u);
}

TEST_F(ObjectProperties, MethodWriteFromAnUnreadableAddressGoesToTheHost) {
  host->Always(Answer::Verdict(false, u""));
  EXPECT_EQ(Set(kForm, "OnShow", I4(0x10)), 0);
  EXPECT_EQ(LastHostData(),
            u"4096\x0001OnShow\x0001"
            u"16");
  EXPECT_EQ(LastAPIError(), msg::kPropertyChangeFailed);
  EXPECT_EQ(model.Prop(kForm, u"OnShow").Writes, 0);
  std::uint32_t pair[2] = {0x5000, 0x77};
  EXPECT_EQ(Set(kForm, "OnShow", I4(static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(pair)))), 1);
  EXPECT_EQ(model.Prop(kForm, u"OnShow").Method.Code, 0x5000u);
}

TEST_F(ObjectProperties, StrFormsAlwaysAskTheHost) {
  host->Always(Answer::Verdict(true, u"Okno z hosta"));
  EXPECT_EQ(PlainText(GetPropertyStr(kForm, "Caption")), AnsiZToText(TextToAnsi(u"Okno z hosta").c_str()));
  EXPECT_EQ(host->Requests().back().SQL, u"GetProperty");
  EXPECT_EQ(SetPropertyStr(kForm, "Caption", "Nowe"), 1);
  EXPECT_EQ(LastHostData(),
            u"4096\x0001"
            u"Caption\x0001Nowe");
  EXPECT_EQ(model.Prop(kForm, u"Caption").Text, u"Okno") << "the Str forms never work directly";
  host->Always(Answer::Verdict(false, u"host: nie"));
  EXPECT_EQ(GetPropertyStr(kForm, "Caption"), nullptr);
  EXPECT_EQ(LastAPIError(), msg::kPropertyStrReadFailed);
  EXPECT_EQ(SetPropertyStr(kForm, "Caption", "x"), 0);
  EXPECT_EQ(LastAPIError(), msg::kPropertyStrWriteFailed);
  State().SharedMem.reset();
  EXPECT_EQ(SetPropertyStr(kForm, "Caption", "x"), 0);
  EXPECT_EQ(LastAPIError(), msg::kPropertyStrWriteFailed) << "no service is the export's own failure too";
}

}  // namespace
}  // namespace karvo::test
