// Encoding into a code page: no look-alikes, one substitute character per
// character the code page cannot hold, whatever the locale the suite runs
// under (the code pages are named here, not taken from the system).
#include <gtest/gtest.h>

#include <string>

#include "platform/CodePage.h"

namespace karvo::test {
namespace {

constexpr unsigned kWestern = 1252, kCentral = 1250, kUtf8 = 65001;

std::string Encode(const std::u16string& text, unsigned codePage) { return TextToAnsi(text, codePage); }

TEST(CodePage, WhatTheCodePageCannotHoldBecomesTheSubstituteNotALookAlike) {
  // ą and ż have Latin look-alikes in 1252; Ж has none in either.
  EXPECT_EQ(Encode(u"x=\u0105\u0416\u00e9", kWestern), "x=??\xE9");
  EXPECT_EQ(Encode(u"x=\u0105\u0416\u00e9", kCentral), "x=\xB9?\xE9");
  EXPECT_EQ(Encode(u"Za\u017c\u00f3\u0142\u0107", kWestern), "Za?\xF3??");
  EXPECT_EQ(Encode(u"Za\u017c\u00f3\u0142\u0107", kCentral), "Za\xBF\xF3\xB3\xE6");
  // Full-width and other compatibility forms are no exception.
  EXPECT_EQ(Encode(u"\uFF21\u2460\u4E2D", kWestern), "???");
  EXPECT_EQ(Encode(u"\u0104", kWestern), "?") << "Ą must not become A and find another field";
}

TEST(CodePage, ASurrogatePairIsOneCharacterAndALoneSurrogateAnother) {
  for (unsigned cp : {kWestern, kCentral}) {
    SCOPED_TRACE(cp);
    EXPECT_EQ(Encode(u"a\U0001F600b", cp), "a?b");
    EXPECT_EQ(Encode(u"\U0001F600\U00020000", cp), "??") << "two pairs in a row";
    const char16_t lone[] = {u'a', 0xD800, u'b', 0xDC00, u'c', 0};
    EXPECT_EQ(Encode(lone, cp), "a?b?c");
    const char16_t reversed[] = {0xDE00, 0xD83D, 0};
    EXPECT_EQ(Encode(reversed, cp), "??") << "a low before a high is two lone ones";
    const char16_t highAtEnd[] = {u'x', 0xD83D, 0};
    EXPECT_EQ(Encode(highAtEnd, cp), "x?");
    const char16_t pairThenLow[] = {0xD83D, 0xDE00, 0xDE00, 0};
    EXPECT_EQ(Encode(pairThenLow, cp), "??");
  }
}

TEST(CodePage, ACodePageThatHoldsEverythingKeepsPairs) {
  // UTF-8 refuses the no-best-fit flag; the text still converts whole.
  EXPECT_EQ(Encode(u"a\U0001F600\u0105", kUtf8), "a\xF0\x9F\x98\x80\xC4\x85");
  EXPECT_EQ(AnsiToText("\xF0\x9F\x98\x80", 4, kUtf8), u"\U0001F600");
}

}  // namespace
}  // namespace karvo::test
