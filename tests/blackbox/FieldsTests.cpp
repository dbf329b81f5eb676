// The delimited-field exports through the DLL, under whichever system code
// page the test runs with (1250 and 1252 both run).
#include <climits>
#include <string>

#include "Plugin.h"

namespace karvo::test {
namespace {

const char* const kNull = nullptr;

// Bytes of a text result; null stays distinguishable from empty.
std::string Bytes(const char* p) { return p ? std::string(p) : std::string("(null)"); }

class Fields : public ::testing::Test {
 protected:
  Plugin p;
  KARVO_PFN_CSVGetFieldCount count = KARVO_FN(p, CSVGetFieldCount);
  KARVO_PFN_CSVGetField get = KARVO_FN(p, CSVGetField);
  KARVO_PFN_CSVSetField set = KARVO_FN(p, CSVSetField);
  KARVO_PFN_CSVIsField is = KARVO_FN(p, CSVIsField);

  // Leaves a message behind, so that each check also sees it cleared.
  void Dirty() {
    EXPECT_EQ(set("X", "", 9, ';'), nullptr);
    ASSERT_EQ(p.LastError(), u"Nie można ustawić pola nr: 9 !");
  }
};

TEST_F(Fields, CountAndRead) {
  struct Case {
    const char* line;
    int count;
  } counts[] = {{"a;b;c", 3}, {"", 0}, {kNull, 0}, {"abc", 1}, {"a;b;", 3}, {";", 2}};
  for (const Case& c : counts) {
    Dirty();
    EXPECT_EQ(count(c.line, ';'), c.count) << Bytes(c.line);
    EXPECT_EQ(p.LastError(), u"");
  }
  struct Read {
    const char* line;
    int n;
    const char* field;
  } reads[] = {{"a;b;c", 2, "b"},         {"a;b;c", 0, "a"},         {"a;b;c", 4, kNull}, {"a;b;c", -1, kNull},
               {"a;;c", 2, kNull},        {"a;b;", 3, kNull},        {kNull, 1, kNull},   {"", 0, kNull},
               {"a;b;c", INT_MAX, kNull}, {"a;b;c", INT_MIN, kNull}, {"a;b;c", 3, "c"}};
  for (const Read& r : reads) {
    Dirty();
    EXPECT_EQ(Bytes(get(r.line, r.n, ';')), Bytes(r.field)) << Bytes(r.line) << " field " << r.n;
    EXPECT_EQ(p.LastError(), u"") << "an empty or absent field is no failure";
  }
}

TEST_F(Fields, SetReplacesOneFieldOrSaysWhichCannotBeSet) {
  struct Case {
    const char* value;
    const char* line;
    int n;
    const char* result;
    const char16_t* error;
  } cases[] = {
      {"X", "a;b;c", 2, "a;X;c", u""},
      {"X", "a;b;", 3, "a;b;X", u""},
      {"X", "a;b;", 1, "X;b;", u""},
      {"X", ";b", 1, "X;b", u""},
      {"X;Y", "a;b", 1, "X;Y;b", u""},
      {"X", "a;b", 0, "a;b", u""},
      {"X", "a;b", INT_MIN, "a;b", u""},
      {kNull, "a;b", 2, "a;", u""},
      {"", "abc", 1, kNull, u""},
      {"X", "a;b;c", 4, kNull, u"Nie można ustawić pola nr: 4 !"},
      {"X", "", 1, kNull, u"Nie można ustawić pola nr: 1 !"},
      {"X", kNull, 0, kNull, u"Nie można ustawić pola nr: 0 !"},
      {"X", "a", INT_MAX, kNull, u"Nie można ustawić pola nr: 2147483647 !"},
  };
  for (const Case& c : cases) {
    Dirty();
    EXPECT_EQ(Bytes(set(c.value, c.line, c.n, ';')), Bytes(c.result)) << Bytes(c.line) << " field " << c.n;
    EXPECT_EQ(p.LastError(), c.error) << Bytes(c.line) << " field " << c.n;
  }
}

TEST_F(Fields, IsFieldFindsTheFirstEqualField) {
  struct Case {
    const char* value;
    const char* line;
    unsigned char sep;
    int n;
  } cases[] = {
      {"B", "a;b;c", ';', 2},  {"c", "a;b;c", ';', 3}, {"d", "a;b;c", ';', 0}, {"", "a;;c", ';', 2},
      {kNull, "a;;c", ';', 2}, {"", "abc", ';', 0},    {"a;b", "a;b", ';', 0}, {"a", "", ';', 0},
      {"", kNull, ';', 0},     {"b", "axbxc", 'x', 0}, {"a", "axbxc", 'x', 1}, {"C", "axbxc", 'x', 3},
      {"b", "aXbXc", 'X', 2},  {"B", "a;b;b", ';', 2},
  };
  for (const Case& c : cases) {
    Dirty();
    EXPECT_EQ(is(c.value, c.line, c.sep), c.n) << Bytes(c.value) << " in " << Bytes(c.line);
    EXPECT_EQ(p.LastError(), u"");
  }
}

TEST_F(Fields, ZeroSeparatorNeverDivides) {
  EXPECT_EQ(count("a;b", 0), 1);
  EXPECT_EQ(Bytes(get("a;b", 1, 0)), "a;b");
  EXPECT_EQ(Bytes(get("a;b", 2, 0)), "(null)");
  EXPECT_EQ(Bytes(set("X", "a;b", 1, 0)), "X");
  EXPECT_EQ(is("A;B", "a;b", 0), 1);
}

TEST_F(Fields, OnlyTheLowByteOfTheSeparatorSlotCounts) {
  // Called through a prototype whose separator is a full 32-bit slot.
  using WideSlot = int(__stdcall*)(const char*, unsigned);
  auto countSlot = reinterpret_cast<WideSlot>(::GetProcAddress(p.Module(), "CSVGetFieldCount"));
  ASSERT_NE(countSlot, nullptr);
  EXPECT_EQ(countSlot("a;b;c", 0xABCD3B00u | ';'), 3);
}

// Which high bytes divide, as the separator: the byte's own code unit only,
// so it depends on what the code page makes of the same byte in the line.
TEST_F(Fields, HighSeparatorByteDividesOnlyWhereTheCodePageKeepsItsValue) {
  const UINT acp = ::GetACP();
  struct Case {
    unsigned char byte;
    bool in1250, in1252;
  } cases[] = {
      {0xA0, true, true},    // no-break space in both
      {0xA5, false, true},   // Ą in 1250, ¥ in 1252
      {0xB9, false, true},   // ą in 1250
      {0x80, false, false},  // the euro sign in both
      {0x81, true, true},    // unmapped in both: kept as its own unit
      {0x8D, false, true},   // Ť in 1250, unmapped in 1252
      {0x88, true, false},   // unmapped in 1250, ˆ in 1252
  };
  if (acp != 1250 && acp != 1252) GTEST_SKIP() << "code page " << acp;
  for (const Case& c : cases) {
    bool divides = acp == 1250 ? c.in1250 : c.in1252;
    const std::string line = std::string("a") + char(c.byte) + "b" + char(c.byte) + "c";
    EXPECT_EQ(count(line.c_str(), c.byte), divides ? 3 : 1) << std::hex << int(c.byte);
    EXPECT_EQ(Bytes(get(line.c_str(), 2, c.byte)), divides ? "b" : "(null)") << std::hex << int(c.byte);
    EXPECT_EQ(is("C", line.c_str(), c.byte), divides ? 3 : 0) << std::hex << int(c.byte);
  }
}

TEST_F(Fields, EveryByteOfTheLineComesBackAsItWent) {
  // All of 0x01..0xFF but the separator, unmapped bytes included, in one field.
  std::string all;
  for (int b = 1; b < 256; ++b)
    if (b != ';') all += char(b);
  const std::string line = "x;" + all + ";y";
  EXPECT_EQ(count(line.c_str(), ';'), 3);
  EXPECT_EQ(Bytes(get(line.c_str(), 2, ';')), all);
  EXPECT_EQ(Bytes(set("v", line.c_str(), 3, ';')), "x;" + all + ";v");
  EXPECT_EQ(Bytes(set(all.c_str(), "p;q", 1, ';')), all + ";q");
  EXPECT_EQ(is(all.c_str(), line.c_str(), ';'), 2);
  EXPECT_EQ(p.LastError(), u"");
}

TEST_F(Fields, CaseIsFoldedForAsciiLettersOnly) {
  // Ó after ó in both code pages, Ą after ą in 1250: a folding beyond ASCII
  // would stop at the small letter.
  EXPECT_EQ(is("\xD3", "\xF3;\xD3", ';'), 2);
  EXPECT_EQ(is("\xA5", "\xB9;\xA5", ';'), 2);
  EXPECT_EQ(is("\xF3", "x;\xD3;y", ';'), 0);
  EXPECT_EQ(is("ZA\xBF\xF3\xB3\xE6", "x;za\xBF\xF3\xB3\xE6;y", ';'), 2);
}

TEST_F(Fields, ResultsLongerThanTheReturnBuffer) {
  // 80,000 bytes: past the 65,535 of the short buffer.
  std::string big;
  for (int i = 0; big.size() < 80000; ++i) big += "field" + std::to_string(i) + ";";
  big += "tail";
  const int fields = count(big.c_str(), ';');
  EXPECT_GT(fields, 8000);
  EXPECT_EQ(Bytes(get(big.c_str(), fields, ';')), "tail");
  EXPECT_EQ(is("TAIL", big.c_str(), ';'), fields);
  EXPECT_EQ(is("field4321", big.c_str(), ';'), 4322);

  const std::string longValue(70000, 'v');
  const char* rebuilt = set(longValue.c_str(), "a;b;c", 2, ';');
  ASSERT_NE(rebuilt, nullptr);
  EXPECT_EQ(std::string(rebuilt), "a;" + longValue + ";c");
  // A short result goes to the other buffer and leaves the long one alone.
  EXPECT_EQ(Bytes(get("a;b", 2, ';')), "b");
  EXPECT_EQ(std::string(rebuilt).size(), longValue.size() + 4);

  // The edge: 65,535 bytes still fit the short buffer, 65,536 do not.
  const char* shortBuffer = get("a;b", 1, ';');
  const std::string edge(65535, 'e');
  const char* atEdge = get((edge + ";x").c_str(), 1, ';');
  EXPECT_EQ(atEdge, shortBuffer);
  EXPECT_EQ(Bytes(atEdge), edge);
  const char* pastEdge = get((edge + "e;x").c_str(), 1, ';');
  EXPECT_NE(pastEdge, shortBuffer);
  EXPECT_EQ(Bytes(pastEdge), edge + "e");

  const char* whole = set("end", big.c_str(), fields, ';');
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(std::string(whole), big.substr(0, big.size() - 4) + "end");
  EXPECT_EQ(Bytes(get(whole, 1, ';')), "field0");
}

TEST_F(Fields, AResultFedBackAsTheLineIsReadBeforeItIsOverwritten) {
  const char* first = set("X", "a;b;c", 2, ';');
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Bytes(set("Y", first, 3, ';')), "a;X;Y");
  const char* line = set("k", "a;b;c", 1, ';');
  EXPECT_EQ(Bytes(set(line, line, 2, ';')), "k;k;b;c;c");
  EXPECT_EQ(Bytes(get(get("p;q;r", 2, ';'), 1, ';')), "q");
}

}  // namespace
}  // namespace karvo::test
