// The property and control lists over a test object model: their order,
// flags and separators, the lookups, and failures of the model.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "../testhost/TestObjectModel.h"
#include "conversions/NumberSyntax.h"
#include "hostobjects/NameRules.h"
#include "hostobjects/NumberRules.h"
#include "hostobjects/ObjectLists.h"

namespace karvo {
namespace {

using test::TestObject;
using test::TestObjectModel;
using test::TestProperty;

// Stands in for the platform: a plain code-unit order, so the tests see
// which comparisons reached it.
int g_wideCalls = 0;
int UnitCompare(const std::u16string& a, const std::u16string& b) {
  ++g_wideCalls;
  return a.compare(b);
}

TestProperty Ord(std::u16string name, std::u16string type, std::uint32_t bits, unsigned ord = KARVO_otSLong) {
  TestProperty p;
  p.Name = std::move(name);
  p.TypeName = std::move(type);
  p.Kind = KARVO_tkInteger;
  p.OrdType = ord;
  p.Bits = bits;
  return p;
}

TestProperty Str(std::u16string name, std::u16string text) {
  TestProperty p;
  p.Name = std::move(name);
  p.TypeName = u"String";
  p.Kind = KARVO_tkUString;
  p.Text = std::move(text);
  return p;
}

TestProperty Other(std::u16string name, unsigned kind) {
  TestProperty p;
  p.Name = std::move(name);
  p.TypeName = u"Variant";
  p.Kind = kind;
  return p;
}

class ListTest : public ::testing::Test {
 protected:
  host::Object Obj(KarvoHandle h) { return host::Object(model.Table(), h); }
  std::u16string List(KarvoHandle h, std::uint8_t flags) {
    host::Object o = Obj(h);
    return PropertyListText(o, PublishedProperties(o, UnitCompare), flags,
                            [](const KarvoMethod& m) { return static_cast<std::int32_t>(m.Code + m.Data); });
  }
  std::vector<std::u16string> Order(std::vector<std::u16string> names) {
    TestObject o;
    for (auto& n : names) o.Properties.push_back(Ord(n, u"Integer", 0));
    model.Add(1, o);
    std::vector<std::u16string> out;
    for (auto& e : PublishedProperties(Obj(1), UnitCompare)) out.push_back(e.Name);
    return out;
  }
  TestObjectModel model;
};

TEST_F(ListTest, ExampleObjectUnderEachFlagByte) {
  model.Add(0x10, test::MakeObject(u"TThing", u"", {Str(u"Title", u"OK"), Ord(u"Left", u"Integer", 5)}));
  EXPECT_EQ(List(0x10, 7), u"Left:Integer=5;Title:String='OK'");
  EXPECT_EQ(List(0x10, 1), u"Left;Title");
  EXPECT_EQ(List(0x10, 2), u"Integer;String");
  EXPECT_EQ(List(0x10, 4), u"5;'OK'");
  EXPECT_EQ(List(0x10, 5), u"Left=5;Title='OK'");
  EXPECT_EQ(List(0x10, 8), u";");
  model[0x10].Properties.pop_back();
  EXPECT_EQ(List(0x10, 8), u"");
  EXPECT_EQ(EffectiveListFlags(0), 7);
  EXPECT_EQ(EffectiveListFlags(256), 7);
  EXPECT_EQ(EffectiveListFlags(0x1FF), 0xFF);
}

TEST_F(ListTest, ValuesOfEveryGroup) {
  TestProperty f;
  f.Name = u"Ratio";
  f.Kind = KARVO_tkFloat;
  f.TypeName = u"Double";
  f.Float = 0.25;
  TestProperty m;
  m.Name = u"OnClick";
  m.Kind = KARVO_tkMethod;
  m.TypeName = u"TNotifyEvent";
  m.Method = {100, 20};
  model.Add(2, test::MakeObject(u"T", u"",
                                {Ord(u"Big", u"Cardinal", 0xFFFFFFFFu, KARVO_otULong),
                                 Ord(u"Small", u"ShortInt", 0xFF, KARVO_otSByte), f, m, Str(u"Quote", u"it's;a=b"),
                                 Other(u"V", KARVO_tkVariant)}));
  EXPECT_EQ(List(2, 4), u"-1;120;'it's;a=b';0.25;-1;");
  EXPECT_EQ(List(2, 7),
            u"Big:Cardinal=-1;OnClick:TNotifyEvent=120;Quote:String='it's;a=b';Ratio:Double=0.25;"
            u"Small:ShortInt=-1;V:Variant=");
  // Flags without 4 read no value at all.
  for (auto& p : model[2].Properties) p.FailReads = true;
  EXPECT_EQ(List(2, 3), u"Big:Cardinal;OnClick:TNotifyEvent;Quote:String;Ratio:Double;Small:ShortInt;V:Variant");
  EXPECT_THROW(List(2, 4), DirectFailure);
}

TEST_F(ListTest, OrderFoldsAsciiAndPutsDigitsBeforeLettersBeforeUnderscore) {
  g_wideCalls = 0;
  EXPECT_EQ(Order({u"_x", u"beta", u"Alpha", u"a1", u"ALPHA2", u"9"}),
            (std::vector<std::u16string>{u"9", u"a1", u"Alpha", u"ALPHA2", u"beta", u"_x"}));
  EXPECT_EQ(g_wideCalls, 0);
}

TEST_F(ListTest, NonAsciiBytesHandTheWholeNamesToThePlatform) {
  g_wideCalls = 0;
  // By UTF-16 units "Zb" < "Zą"; the bytes alone would not decide the same
  // way for the first name that holds a non-ASCII letter.
  auto order = Order({u"Zą", u"Zb", u"Ab"});
  EXPECT_EQ(order, (std::vector<std::u16string>{u"Ab", u"Zb", u"Zą"}));
  EXPECT_GT(g_wideCalls, 0);
  EXPECT_EQ(ComparePropertyNames(u"Zą", u"Zb", [](auto&, auto&) { return -5; }), -1);
  EXPECT_EQ(ComparePropertyNames(u"Aą", u"Zb", [](auto&, auto&) { return 1; }), -1);  // decided before the byte
}

TEST_F(ListTest, NamesComeOnceWhateverTheModelRepeats) {
  EXPECT_EQ(Order({u"Caption", u"Left", u"caption"}), (std::vector<std::u16string>{u"Caption", u"Left"}));
}

TEST_F(ListTest, AnyPlatformAnswerKeepsTheSortInsideTheList) {
  std::vector<host::PropertyEntry> v;
  for (int i = 0; i < 300; ++i) {
    host::PropertyEntry e;
    e.Index = i;
    e.Name = u"ą" + std::u16string(1, char16_t(u'a' + i % 26));
    v.push_back(e);
  }
  unsigned seed = 1;
  SortByPropertyName(
      v, [&](auto&, auto&) { return static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % 3 - 1; });
  std::vector<int> idx;
  for (auto& e : v) idx.push_back(e.Index);
  std::sort(idx.begin(), idx.end());
  for (int i = 0; i < 300; ++i) ASSERT_EQ(idx[i], i);
}

TEST_F(ListTest, LookupFoldsOnlyAsciiLetters) {
  model.Add(3, test::MakeObject(u"T", u"", {Str(u"Title", u"x"), Str(u"Źródło", u"y")}));
  auto entries = PublishedProperties(Obj(3), UnitCompare);
  ASSERT_NE(FindProperty(entries, u"title"), nullptr);
  EXPECT_EQ(FindProperty(entries, u"title")->Name, u"Title");
  EXPECT_EQ(FindProperty(entries, u"źródło"), nullptr);
  EXPECT_EQ(FindProperty(entries, u"ŹRÓDŁO"), nullptr);
  EXPECT_NE(FindProperty(entries, u"ŹRóDłO"), nullptr);
  EXPECT_EQ(FindProperty(entries, u"Titl"), nullptr);
}

TEST_F(ListTest, UnknownOrFailingObjectsThrowDirectFailure) {
  EXPECT_THROW(PublishedProperties(Obj(999), UnitCompare), DirectFailure);
  EXPECT_THROW(PublishedProperties(host::Object(nullptr, 1), UnitCompare), DirectFailure);
  EXPECT_THROW(ControlsListText(Obj(999), 7), DirectFailure);
  EXPECT_THROW(FindControl(Obj(0), u"x"), DirectFailure);
}

class ControlsTest : public ListTest {
 protected:
  void Container(std::vector<std::pair<std::u16string, std::u16string>> children) {
    TestObject c = test::MakeObject(u"TPanel", u"panel");
    KarvoHandle h = 0x100;
    for (auto& [name, cls] : children) {
      model.Add(h, test::MakeObject(cls, name));
      c.Children.push_back(h++);
    }
    model.Add(1, c);
  }
};

TEST_F(ControlsTest, WalkFromTheHighestIndexWithTheSeparatorRule) {
  Container({{u"lbl1", u"TLabel"}, {u"btn1", u"TButton"}});
  EXPECT_EQ(ControlsListText(Obj(1), 3), u"btn1:TButton;lbl1:TLabel");
  EXPECT_EQ(ControlsListText(Obj(1), 7), u"btn1:TButton@257;lbl1:TLabel@256");
  EXPECT_EQ(ControlsListText(Obj(1), 2), u"TButton;TLabel");
  EXPECT_EQ(ControlsListText(Obj(1), 6), u"TButton@257;TLabel@256");
  EXPECT_EQ(ControlsListText(Obj(1), 8), u"");
}

TEST_F(ControlsTest, EmptyItemsVanishAtTheStartAndLeaveFieldsAfterwards) {
  Container({{u"a", u"T"}, {u"b", u"T"}, {u"", u"T"}});
  EXPECT_EQ(ControlsListText(Obj(1), 1), u"b;a");
  model.Remove(1);
  Container({{u"a", u"T"}, {u"", u"T"}, {u"b", u"T"}});
  EXPECT_EQ(ControlsListText(Obj(1), 1), u"b;;a");
  model.Remove(1);
  Container({{u"", u"T"}, {u"", u"T"}});
  EXPECT_EQ(ControlsListText(Obj(1), 1), u"");
  EXPECT_EQ(ControlsListText(Obj(1), 3), u":T;:T");
}

TEST_F(ControlsTest, HandlesWithTheTopBitAreListedNegative) {
  model.Add(0xFFFFFFF0u, test::MakeObject(u"TEdit", u"e"));
  model.Add(1, test::MakeObject(u"TForm", u"f", {}, {0xFFFFFFF0u}));
  EXPECT_EQ(ControlsListText(Obj(1), 4), u"-16");
}

TEST_F(ControlsTest, FindTakesTheHighestIndexAndFoldsOnlyAscii) {
  Container({{u"", u"T"}, {u"Button1", u"T"}, {u"", u"T"}, {u"Łódź", u"T"}, {u"button1", u"T"}});
  EXPECT_EQ(FindControl(Obj(1), u"BUTTON1"), 0x104u);
  EXPECT_EQ(FindControl(Obj(1), u""), 0x102u);
  EXPECT_EQ(FindControl(Obj(1), u"łódź"), 0u);
  EXPECT_EQ(FindControl(Obj(1), u"ŁóDź"), 0x103u);
  EXPECT_EQ(FindControl(Obj(1), u"Button"), 0u);
  model[1].Children = {0x101};
  EXPECT_EQ(FindControl(Obj(1), u""), 0u);
  model[1].Children = {0x101, 0x999};  // a child the model cannot name
  EXPECT_THROW(FindControl(Obj(1), u"x"), DirectFailure);
}

TEST(NameRules, MethodNamesAreCutAt255Utf8Bytes) {
  EXPECT_EQ(ToUtf8(u"aąż€\U0001F600"), "a\xC4\x85\xC5\xBC\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(ToUtf8(std::u16string(1, u'\xD800')), "\xED\xA0\x80");
  EXPECT_EQ(MethodLookupName(std::u16string(300, u'x')).size(), 255u);
  std::string cut = MethodLookupName(std::u16string(200, u'ą'));
  EXPECT_EQ(cut.size(), 255u);
  EXPECT_EQ(static_cast<unsigned char>(cut.back()), 0xC4u);  // a cut inside the last letter
}

TEST(NumberRules, RoundingAndRanges) {
  EXPECT_EQ(RoundToInt32(2.5), 2);
  EXPECT_EQ(RoundToInt32(3.5), 4);
  EXPECT_EQ(RoundToInt32(-2.5), -2);
  EXPECT_EQ(RoundToInt32(-2.51), -3);
  EXPECT_EQ(RoundToInt32(2147483647.4), 2147483647);
  EXPECT_EQ(RoundToInt32(2147483647.5), std::nullopt);
  EXPECT_EQ(RoundToInt32(-2147483648.5), INT32_MIN);
  EXPECT_EQ(RoundToInt32(-2147483649.0), std::nullopt);
  EXPECT_EQ(RoundToInt32(std::nan("")), std::nullopt);
  EXPECT_EQ(CurrencyToInt32(25000), 2);
  EXPECT_EQ(CurrencyToInt32(35000), 4);
  EXPECT_EQ(CurrencyToInt32(-25000), -2);
  EXPECT_EQ(CurrencyToInt32(-25001), -3);
  EXPECT_EQ(CurrencyToInt32(INT64_MIN), std::nullopt);
  EXPECT_EQ(FitInt32(std::uint64_t{2147483648u}), std::nullopt);
  EXPECT_EQ(FitInt32(std::int64_t{-2147483648LL}), INT32_MIN);
}

TEST(NumberRules, DefaultFormatNumbersAndBooleanWords) {
  EXPECT_EQ(PlainFloatSyntax(u" -1,5 ", u','), -1.5);
  EXPECT_EQ(PlainFloatSyntax(u"1.5", u','), std::nullopt);
  EXPECT_EQ(PlainFloatSyntax(u"+2e3", u'.'), 2000.0);
  EXPECT_EQ(PlainFloatSyntax(u",5", u','), 0.5);
  for (const char16_t* bad : {u"", u" ", u"1e", u"e5", u",", u"1 000", u"0x10", u"1e999", u"--1"})
    EXPECT_EQ(PlainFloatSyntax(bad, u','), std::nullopt);
  EXPECT_EQ(BooleanReading(u"0,0", u','), 0);
  EXPECT_EQ(BooleanReading(u"-0,001", u','), 1);
  EXPECT_EQ(BooleanReading(u"tRUE", u','), 1);
  EXPECT_EQ(BooleanReading(u"False", u','), 0);
  EXPECT_EQ(BooleanReading(u"yes", u','), std::nullopt);
}

}  // namespace
}  // namespace karvo
