// The text rules of call documents that need no XML engine.
#include <gtest/gtest.h>

#include <stdexcept>

#include "conversions/AsciiCase.h"
#include "conversions/NumberSyntax.h"
#include "conversions/TextForms.h"
#include "xmldoc/CallDocumentText.h"

namespace karvo {
namespace {

TEST(CallDocumentText, NamesFoldOnlyAToZ) {
  EXPECT_EQ(UpperAscii(u"procedure ąę ß zZ"), u"PROCEDURE ąę ß ZZ");
  EXPECT_TRUE(NameMatchesKey(u"Window", kKeyWindow));
  EXPECT_FALSE(NameMatchesKey(u"WINDOWS", kKeyWindow));
  EXPECT_FALSE(NameMatchesKey(u"window", u"window")) << "the key is never upper-cased";
  EXPECT_FALSE(NameMatchesKey(u"#text", u"TEXT")) << "node kinds never match a key";
  EXPECT_FALSE(NameMatchesKey(u"k:PROCEDURE", kKeyProcedure));
}

TEST(CallDocumentText, PrologGuardFindsOnlyDocumentTypes) {
  EXPECT_TRUE(PrologHasDocumentType(u"<!DOCTYPE P><P/>"));
  EXPECT_TRUE(PrologHasDocumentType(u"\xFEFF<?xml version=\"1.0\"?>\r\n<!-- a -- b --><?pi x?>\t<!DOCTYPE P [ ]><P/>"));
  EXPECT_TRUE(PrologHasDocumentType(u"<!doctype p><p/>")) << "not XML either way";
  EXPECT_TRUE(PrologHasDocumentType(u"<![CDATA[x]]><P/>"));
  EXPECT_FALSE(PrologHasDocumentType(u"<P><![CDATA[<!DOCTYPE P>]]></P>"));
  EXPECT_FALSE(PrologHasDocumentType(u"<!-- <!DOCTYPE P> --><P/>"));
  EXPECT_FALSE(PrologHasDocumentType(u"<?xml version=\"1.0\"?><P><!DOCTYPE X></P>"));
  EXPECT_FALSE(PrologHasDocumentType(u""));
  EXPECT_FALSE(PrologHasDocumentType(u"<!-- unterminated <!DOCTYPE P>"));
  EXPECT_FALSE(PrologHasDocumentType(u"<?pi unterminated"));
  EXPECT_FALSE(PrologHasDocumentType(u"text <!DOCTYPE P>"));
}

TEST(CallDocumentText, Escaping) {
  std::u16string text, attr;
  AppendEscapedText(text, u"a & <b> \"c\" 'd'");
  AppendEscapedAttribute(attr, u"a & <b> \"c\" 'd'");
  EXPECT_EQ(text, u"a &amp; &lt;b&gt; \"c\" 'd'");
  EXPECT_EQ(attr, u"a &amp; &lt;b&gt; &quot;c&quot; 'd'");
}

TEST(CallDocumentText, BlanksInAttributesAreReferencesAndControlsAreRefused) {
  // A reader makes raw tabs and line breaks in an attribute spaces; as
  // references they read back as themselves. In text they stay as they are.
  std::u16string attr, text;
  AppendEscapedAttribute(attr, u"a\r\nb\tc\nd");
  EXPECT_EQ(attr, u"a&#13;&#10;b&#9;c&#10;d");
  AppendEscapedText(text, u"a\r\nb\tc");
  EXPECT_EQ(text, u"a\r\nb\tc");
  // No other control character has any form in XML, references included.
  const std::u16string nul(u"a\0b", 3);
  for (const std::u16string& bad : {std::u16string(u"a\x01"), nul, std::u16string(u"\x1F")}) {
    std::u16string out;
    EXPECT_THROW(AppendEscapedAttribute(out, bad), std::invalid_argument);
    EXPECT_THROW(AppendEscapedText(out, bad), std::invalid_argument);
    EXPECT_THROW(RequireXmlText(bad), std::invalid_argument);
  }
  EXPECT_NO_THROW(RequireXmlText(u"\t\r\n \x7F\x85\u0105"));
}

TEST(CallDocumentText, CutOuterTags) {
  EXPECT_EQ(CutOuterTags(u"<APIHANDLE>abc</APIHANDLE>", 9), u"abc");
  EXPECT_EQ(CutOuterTags(u"<Opis a=\"1\">a &amp; b</Opis>", 4), u"a &amp; b");
  EXPECT_EQ(CutOuterTags(u"<L><A>1</A><B/></L>", 1), u"<A>1</A><B/>");
  EXPECT_EQ(CutOuterTags(u"<PUSTY/>", 5), u"");
  EXPECT_EQ(CutOuterTags(u"<X>ab</X>", 1), u"ab");
  EXPECT_EQ(CutOuterTags(u"no tag at all", 3), u"no tag ") << "no '>' cuts nothing at the front";
  EXPECT_EQ(CutOuterTags(u"<X>a", 5), u"a") << "too short for the closing tag";
}

TEST(CallDocumentText, CrLfLines) {
  EXPECT_EQ(CrLfLines(u"a\nb\rc\r\nd"), u"a\r\nb\r\nc\r\nd\r\n");
  EXPECT_EQ(CrLfLines(u"a\r\n"), u"a\r\n");
  EXPECT_EQ(CrLfLines(u"a\n\n"), u"a\r\n\r\n");
  EXPECT_EQ(CrLfLines(u"\r\r\n"), u"\r\n\r\n");
  EXPECT_EQ(CrLfLines(u""), u"");
}

TEST(CallDocumentText, TypeNamesBothWays) {
  EXPECT_EQ(TypeCodeFromName(u"integer"), TypeTarget::Int32);
  EXPECT_EQ(TypeCodeFromName(u"WChar"), TypeTarget::UInt8);
  EXPECT_EQ(TypeCodeFromName(u"INT64"), TypeTarget::Int64);
  EXPECT_EQ(TypeCodeFromName(u"float"), TypeTarget::Double);
  EXPECT_EQ(TypeCodeFromName(u"LSTRING"), TypeTarget::AnsiText);
  EXPECT_EQ(TypeCodeFromName(u"DynArray"), TypeTarget::Variant);
  EXPECT_EQ(TypeCodeFromName(u"VARIANT"), TypeTarget::Opaque);
  EXPECT_EQ(TypeCodeFromName(u"Null"), TypeTarget::None);
  EXPECT_EQ(TypeCodeFromName(u"UNKNOWN"), TypeTarget::None);
  EXPECT_EQ(TypeCodeFromName(u"INTEGER "), TypeTarget::None);

  struct Case {
    std::uint16_t vt;
    const char16_t* name;
  };
  for (Case c : {Case{0, u"Empty"},
                 {1, u"Null"},
                 {2, u"VARIANT"},
                 {3, u"INTEGER"},
                 {4, u"VARIANT"},
                 {5, u"FLOAT"},
                 {8, u"VARIANT"},
                 {9, u"Dispatch"},
                 {10, u"Error"},
                 {11, u"VARIANT"},
                 {13, u"UNKNOWN"},
                 {14, u"DECIMAL"},
                 {15, u"$0F"},
                 {16, u"SHORTINT"},
                 {17, u"CHAR"},
                 {18, u"WORD"},
                 {19, u"VARIANT"},
                 {20, u"INT64"},
                 {21, u"UINT64"},
                 {22, u"$0016"},
                 {72, u"VARIANT"},
                 {256, u"STRING"},
                 {257, u"VARIANT"},
                 {258, u"UNICODESTRING"},
                 {4095, u"TypeMask"},
                 {0x4008, u"BYREF OLESTR"},
                 {0x2003, u"ARRAY INTEGER"},
                 {0x6011, u"BYREF ARRAY BYTE"},
                 {0x400B, u"BYREF BOOLEAN"},
                 {0x4102, u"BYREF UNICODESTRING"},
                 {0x4100, u"BYREF $0100"},
                 {0x1003, u"INTEGER"},
                 {0xFFFF, u"BYREF ARRAY $0FFF"}})
    EXPECT_EQ(TypeNameFromCode(c.vt), c.name) << c.vt;
}

TEST(CallDocumentText, Int64Syntax) {
  EXPECT_EQ(Int64TextSyntax(u"  -9223372036854775808"), INT64_MIN);
  EXPECT_EQ(Int64TextSyntax(u"9223372036854775807"), INT64_MAX);
  EXPECT_EQ(Int64TextSyntax(u"9223372036854775808"), std::nullopt);
  EXPECT_EQ(Int64TextSyntax(u"-9223372036854775809"), std::nullopt);
  EXPECT_EQ(Int64TextSyntax(u"$7FFFFFFFFFFFFFFF"), INT64_MAX);
  EXPECT_EQ(Int64TextSyntax(u"-0x10"), -16);
  EXPECT_EQ(Int64TextSyntax(u"X1f"), 31);
  EXPECT_EQ(Int64TextSyntax(u"12 "), std::nullopt);
  EXPECT_EQ(Int64TextSyntax(u"0x"), std::nullopt);
  EXPECT_EQ(Int64TextSyntax(u"-"), std::nullopt);
  EXPECT_EQ(Int64TextSyntax(u""), std::nullopt);
  EXPECT_EQ(Int64TextSyntax(u"1,5"), std::nullopt);
}

TEST(CallDocumentText, PlainFloatSyntax) {
  EXPECT_EQ(PlainFloatSyntax(u"1,5", u','), 1.5);
  EXPECT_EQ(PlainFloatSyntax(u"1.5", u','), std::nullopt);
  EXPECT_EQ(PlainFloatSyntax(u" -2.5e-3 ", u'.'), -0.0025);
  EXPECT_EQ(PlainFloatSyntax(u"+7", u'.'), 7.0);
  EXPECT_EQ(PlainFloatSyntax(u",5", u','), 0.5);
  EXPECT_EQ(PlainFloatSyntax(u"5,", u','), 5.0);
  for (const char16_t* bad : {u"", u",", u"1,2,3", u"1e", u"1e+", u"e5", u"1 2", u"--1", u"1e999", u"NAN", u"0x10"})
    EXPECT_EQ(PlainFloatSyntax(bad, u','), std::nullopt) << std::u16string(bad).size();
}

TEST(CallDocumentText, ShortDateSyntax) {
  EXPECT_EQ(ShortDateSyntax(u"31.01.2024", u"dd.MM.yyyy"), 45322.0);
  EXPECT_EQ(ShortDateSyntax(u"1/31/2024", u"M/d/yyyy"), 45322.0);
  EXPECT_EQ(ShortDateSyntax(u"2024-01-31", u"yyyy-MM-dd"), 45322.0);
  EXPECT_EQ(ShortDateSyntax(u"30.12.1899", u"dd.MM.yyyy"), 0.0);
  EXPECT_EQ(ShortDateSyntax(u"29.12.1899", u"dd.MM.yyyy"), -1.0);
  EXPECT_EQ(ShortDateSyntax(u"29.02.24", u"dd.MM.yy"), 45351.0) << "a two-digit year below 50 is 20xx";
  EXPECT_EQ(ShortDateSyntax(u"01.01.99", u"dd.MM.yy"), 36161.0);
  EXPECT_EQ(ShortDateSyntax(u"29.02.2023", u"dd.MM.yyyy"), std::nullopt);
  EXPECT_EQ(ShortDateSyntax(u"31/01/2024", u"dd.MM.yyyy"), std::nullopt);
  EXPECT_EQ(ShortDateSyntax(u"13.13.2024", u"dd.MM.yyyy"), std::nullopt);
  EXPECT_EQ(ShortDateSyntax(u"31.01.2024", u"dddd"), std::nullopt);
  EXPECT_EQ(ShortDateSyntax(u"31.01.2024", u""), std::nullopt);
  EXPECT_EQ(ShortDateSyntax(u"31.01.12024", u"dd.MM.yyyy"), std::nullopt);
}

}  // namespace
}  // namespace karvo
