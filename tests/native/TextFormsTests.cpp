// The shared text rules: float text, integer replies, handles, argument text.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "conversions/TextForms.h"
#include "link/HostArgs.h"

namespace karvo {
namespace {

class FloatText : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator(u'.'); }
  void TearDown() override { SetDecimalSeparator(u'.'); }
};

TEST_F(FloatText, FixedNotationWithinItsRange) {
  EXPECT_EQ(FloatToTextRule(100), u"100");
  EXPECT_EQ(FloatToTextRule(1.5), u"1.5");
  EXPECT_EQ(FloatToTextRule(0.1), u"0.1");
  EXPECT_EQ(FloatToTextRule(1.0 / 3), u"0.333333333333333");
  EXPECT_EQ(FloatToTextRule(2.0 / 3), u"0.666666666666667");
  EXPECT_EQ(FloatToTextRule(0.000123), u"0.000123");
  EXPECT_EQ(FloatToTextRule(0.0001), u"0.0001");
  EXPECT_EQ(FloatToTextRule(-12.25), u"-12.25");
  EXPECT_EQ(FloatToTextRule(999999999999999.0), u"999999999999999");
  EXPECT_EQ(FloatToTextRule(123456789012345.0), u"123456789012345");
  EXPECT_EQ(FloatToTextRule(1e14), u"100000000000000");
  EXPECT_EQ(FloatToTextRule(0.5f), u"0.5") << "single precision is widened";
}

TEST_F(FloatText, ScientificOutsideIt) {
  EXPECT_EQ(FloatToTextRule(0.00001), u"1E-5");
  EXPECT_EQ(FloatToTextRule(0.0000123), u"1.23E-5");
  EXPECT_EQ(FloatToTextRule(1e15), u"1E15");
  EXPECT_EQ(FloatToTextRule(1e20), u"1E20");
  EXPECT_EQ(FloatToTextRule(-2.5e-7), u"-2.5E-7");
  EXPECT_EQ(FloatToTextRule(9999999999999999.0), u"1E16");
  EXPECT_EQ(FloatToTextRule(1.7976931348623157e308), u"1.79769313486232E308");
  EXPECT_EQ(FloatToTextRule(5e-324), u"4.94065645841247E-324");
  EXPECT_EQ(FloatToTextRule(0.000099999999999999999), u"0.0001") << "rounding lifts it into fixed notation";
}

TEST_F(FloatText, SpecialValues) {
  EXPECT_EQ(FloatToTextRule(0.0), u"0");
  EXPECT_EQ(FloatToTextRule(-0.0), u"0");
  EXPECT_EQ(FloatToTextRule(std::numeric_limits<double>::quiet_NaN()), u"NAN");
  EXPECT_EQ(FloatToTextRule(std::numeric_limits<double>::infinity()), u"INF");
  EXPECT_EQ(FloatToTextRule(-std::numeric_limits<double>::infinity()), u"-INF");
}

TEST_F(FloatText, UsesTheSeparatorSetAtLoad) {
  SetDecimalSeparator(u',');
  EXPECT_EQ(FloatToTextRule(1.5), u"1,5");
  EXPECT_EQ(FloatToTextRule(-2.5e-7), u"-2,5E-7");
  EXPECT_EQ(FloatToTextRule(42), u"42");
}

TEST(IntegerTextSyntaxTest, AcceptedForms) {
  EXPECT_EQ(IntegerTextSyntax(u" 42"), 42);
  EXPECT_EQ(IntegerTextSyntax(u"   -7"), -7);
  EXPECT_EQ(IntegerTextSyntax(u"+7"), 7);
  EXPECT_EQ(IntegerTextSyntax(u"$1F"), 31);
  EXPECT_EQ(IntegerTextSyntax(u"0x1f"), 31);
  EXPECT_EQ(IntegerTextSyntax(u"X1f"), 31);
  EXPECT_EQ(IntegerTextSyntax(u"x1F"), 31);
  EXPECT_EQ(IntegerTextSyntax(u"-$10"), -16);
  EXPECT_EQ(IntegerTextSyntax(u"0"), 0);
  EXPECT_EQ(IntegerTextSyntax(u"000000000000000000042"), 42);
  EXPECT_EQ(IntegerTextSyntax(u"2147483647"), 2147483647);
  EXPECT_EQ(IntegerTextSyntax(u"-2147483648"), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(IntegerTextSyntax(u"$7FFFFFFF"), 2147483647);
  EXPECT_EQ(IntegerTextSyntax(u"-0x80000000"), std::numeric_limits<std::int32_t>::min());
}

TEST(IntegerTextSyntaxTest, RejectedForms) {
  for (const char16_t* bad : {u"",           u"   ",         u"42 ",
                              u"4 2",        u"-",           u"+",
                              u"$",          u"0x",          u"x",
                              u"--1",        u"+-1",         u"1.0",
                              u"0x1G",       u"12a",         u"\t1",
                              u"2147483648", u"-2147483649", u"4294967295",
                              u"$80000000",  u"$FFFFFFFF",   u"99999999999999999999999999",
                              u"\x0661",     u"0x 1",        u"- 1"})
    EXPECT_FALSE(IntegerTextSyntax(bad).has_value()) << std::string(bad, bad + std::char_traits<char16_t>::length(bad));
}

TEST(HandleTextTest, UnsignedDecimalOfThe32Bits) {
  EXPECT_EQ(HandleText(0), u"0");
  EXPECT_EQ(HandleText(123), u"123");
  EXPECT_EQ(HandleText(static_cast<std::uint32_t>(-1)), u"4294967295");
  EXPECT_EQ(HandleText(static_cast<std::uint32_t>(-5)), u"4294967291");
  EXPECT_EQ(HandleText(0x80000000u), u"2147483648");
  EXPECT_EQ(SignedText(std::numeric_limits<std::int64_t>::min()), u"-9223372036854775808");
  EXPECT_EQ(UnsignedText(std::numeric_limits<std::uint64_t>::max()), u"18446744073709551615");
}

TEST(HostArgsTest, JoinedWithOneSeparatorBetween) {
  EXPECT_EQ(JoinHostArgs({u"123", u"Caption", u"OK"}),
            u"123\x0001"
            u"Caption\x0001OK");
  EXPECT_EQ(JoinHostArgs({u"alone"}), u"alone");
  EXPECT_EQ(JoinHostArgs({u"", u""}), u"\x0001");
  EXPECT_EQ(JoinHostArgs({}), u"");
}

}  // namespace
}  // namespace karvo
