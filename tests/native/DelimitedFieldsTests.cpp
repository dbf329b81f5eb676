// Delimited lines on UTF-16 text: the field rules, case folding, the quick
// test's blind spot and field numbers at the 32-bit limits.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>

#include "conversions/AsciiCase.h"
#include "fields/DelimitedFields.h"

namespace karvo {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

// The whole field table runs through the exports in the black-box tests;
// here are the limits those cannot reach.
TEST(DelimitedFields, FieldNumbersAtTheLimitsAndAnyCodeUnitAsSeparator) {
  EXPECT_EQ(CountFields(std::u16string_view(u"a\0b", 3), u'\0'), 2) << "no unit is special inside the library";
  EXPECT_EQ(ExtractField(std::u16string_view(u"a\0b", 3), 2, u'\0'), u"b");
  EXPECT_EQ(ExtractField(u";x", 1, u';'), u"");
  for (std::int32_t n : {4, -1, kMin, kMax, kMax - 1}) EXPECT_EQ(ExtractField(u"a;b;c", n, u';'), u"") << n;
  std::u16string line = u";;";
  EXPECT_TRUE(ReplaceField(u"long value", line, 2, u';'));
  EXPECT_EQ(line, u";long value;");
  EXPECT_TRUE(ReplaceField(u"X", line, kMin, u';'));
  EXPECT_EQ(line, u";long value;");
}

TEST(DelimitedFields, RefusedReplacementLeavesTheTextAlone) {
  for (auto [line, n] :
       {std::pair<std::u16string, std::int32_t>{u"a;b;c", 4}, {u"", 1}, {u"", 0}, {u"", kMin}, {u"a", kMax}}) {
    std::u16string before = line;
    EXPECT_FALSE(ReplaceField(u"X", line, n, u';')) << n;
    EXPECT_EQ(line, before);
  }
}

TEST(DelimitedFields, OnlyAsciiLettersFoldForComparison) {
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"Zażółć", u"zAżółĆ")) << "Ć and ć differ";
  EXPECT_TRUE(EqualIgnoringAsciiCase(u"Zażółć", u"zAżółć"));
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"É", u"é"));
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"@", u"`")) << "neighbours of the letter ranges stay apart";
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"[", u"{"));
  EXPECT_TRUE(EqualIgnoringAsciiCase(u"", u""));
  EXPECT_FALSE(EqualIgnoringAsciiCase(u"", u"a"));

  EXPECT_EQ(FindFieldNumber(u"ĄB", u"x;ąb;Ąb;y", u';'), 3);
  EXPECT_EQ(FindFieldNumber(u"É", u"x;é;z", u';'), 0);
}

TEST(DelimitedFields, FindingFields) {
  EXPECT_EQ(FindFieldNumber(u"b", u"a;b;b;b", u';'), 2) << "the first equal field counts";
  EXPECT_EQ(FindFieldNumber(u"", u"", u';'), 0);
  // The value spans fields: the quick test lets it through, no field matches.
  EXPECT_TRUE(QuickFieldTest(u"b;c", u"a;b;c;d", u';'));
  EXPECT_EQ(FindFieldNumber(u"b;c", u"a;b;c;d", u';'), 0);
}

TEST(DelimitedFields, LowerCaseLetterSeparatorHidesInnerFields) {
  EXPECT_FALSE(QuickFieldTest(u"b", u"axbxc", u'x'));
  EXPECT_EQ(FindFieldNumber(u"b", u"axbxc", u'x'), 0);
  EXPECT_EQ(FindFieldNumber(u"a", u"axbxc", u'x'), 1);
  EXPECT_EQ(FindFieldNumber(u"C", u"axbxc", u'x'), 3);
  // An upper-case letter separator is found in the upper-cased line, and so
  // is its small letter there: the quick test may say yes without a field.
  EXPECT_EQ(FindFieldNumber(u"b", u"aXbXc", u'X'), 2);
  EXPECT_TRUE(QuickFieldTest(u"b", u"axbxc;", u'X'));
  EXPECT_EQ(FindFieldNumber(u"b", u"axbxc;", u'X'), 0);
}

TEST(DelimitedFields, SeparatorFromTheHighHalfMatchesItsOwnCodeUnitOnly) {
  EXPECT_EQ(SeparatorUnit(0xA0), u'\u00A0');
  EXPECT_EQ(SeparatorUnit(0xA5), u'\u00A5');
  EXPECT_EQ(CountFields(u"a\u00A5b\u0104c", SeparatorUnit(0xA5)), 2) << "Ą is not the byte 0xA5 widened";
  EXPECT_EQ(CountFields(u"a\u20ACb", SeparatorUnit(0x80)), 1);
}

// The field-by-field search as the routines define it, one extraction per
// field: the one-pass search must give the same number.
std::int32_t FindByExtraction(std::u16string_view value, std::u16string_view text, char16_t sep) {
  std::int32_t c = CountFields(text, sep);
  if (c == 0 || !QuickFieldTest(value, text, sep)) return 0;
  for (std::int32_t i = 1; i <= c; ++i)
    if (EqualIgnoringAsciiCase(ExtractField(text, i, sep), value)) return i;
  return 0;
}

TEST(DelimitedFields, OnePassSearchAgreesWithFieldByFieldSearch) {
  std::mt19937 gen(11);
  const std::u16string alphabet = u";;xXaAbBą";
  auto pick = [&](std::size_t maxLen) {
    std::u16string s(gen() % (maxLen + 1), u' ');
    for (auto& c : s) c = alphabet[gen() % alphabet.size()];
    return s;
  };
  int found = 0;
  for (int round = 0; round < 3000; ++round) {
    std::u16string line = pick(14), value = pick(3);
    char16_t sep = round % 3 == 0 ? u'x' : round % 3 == 1 ? u'X' : u';';
    std::int32_t n = FindFieldNumber(value, line, sep);
    ASSERT_EQ(n, FindByExtraction(value, line, sep)) << round;
    found += n != 0;
  }
  EXPECT_GT(found, 200) << "the random lines should often hold the value";
}

TEST(DelimitedFields, CannotSetFieldMessageCarriesTheNumber) {
  EXPECT_EQ(CannotSetFieldMessage(7), u"Nie można ustawić pola nr: 7 !");
  EXPECT_EQ(CannotSetFieldMessage(kMin), u"Nie można ustawić pola nr: -2147483648 !");
}

}  // namespace
}  // namespace karvo
