// The in-process export over a fake model: exact bytes, the messages, where
// the cursor is left, and that screen controls always come back on.
#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

#include "FakeDataModel.h"
#include "database/CsvBuilder.h"
#include "messages/Messages.h"

namespace karvo::test {
namespace {

// Latin-1 stands in for the code page; anything above it becomes '?'.
std::string Encode(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) out += c < 0x100 ? static_cast<char>(c) : '?';
  return out;
}

class CsvBuilder : public ::testing::Test {
 protected:
  KarvoHandle Query(std::vector<std::vector<std::u16string>> rows,
                    std::vector<std::u16string> fields = {u"ID", u"NAME"}) {
    FakeDataSet ds;
    ds.Fields = std::move(fields);
    ds.Rows = std::move(rows);
    return model.AddQuery(std::move(ds));
  }
  KarvoHandle ThreeRows() { return Query({{u"1", u"Anna"}, {u"2", u"Jan"}, {u"3", u"Ewa"}}); }
  KarvoHandle FiveRows() { return Query({{u"1", u"a"}, {u"2", u"b"}, {u"3", u"c"}, {u"4", u"d"}, {u"5", u"e"}}); }
  CsvOutcome Build(KarvoHandle h, int start, int count, int header) {
    return BuildCSVText(host::DataSource(model.Table(), h), start, count, static_cast<std::uint8_t>(header), Encode);
  }
  FakeDataModel model;
};

const std::string kHead = "\"ID\";\"NAME\";";
const std::string kRow1 = "\n\r\"1\";\"Anna\";";
const std::string kRow2 = "\n\r\"2\";\"Jan\";";
const std::string kRow3 = "\n\r\"3\";\"Ewa\";";

TEST_F(CsvBuilder, RangesFromTheFirstRecord) {
  KarvoHandle h = ThreeRows();
  CsvOutcome o = Build(h, 0, 2, 1);
  EXPECT_FALSE(o.Failed);
  EXPECT_EQ(o.Text, kHead + kRow1 + kRow2);
  EXPECT_EQ(o.Message, u"");
  EXPECT_EQ(model.SetOf(h).Cur, 2) << "left on the first record after the range";
  EXPECT_FALSE(model.SetOf(h).AtEof);

  EXPECT_EQ(Build(h, 0, 2, 0).Text, kRow1 + kRow2) << "without the header the text starts with LF CR";
  EXPECT_EQ(Build(h, 0, 2, 2).Text, kRow1 + kRow2) << "only 1 asks for the header";

  // The last wanted row being the last record already counts as running out.
  for (int count : {3, 5}) {
    o = Build(h, 0, count, 1);
    EXPECT_EQ(o.Text, kHead + kRow1 + kRow2 + kRow3) << count;
    EXPECT_EQ(o.Message, msg::kFewerRowsThanWanted) << count;
    EXPECT_TRUE(model.SetOf(h).AtEof);
  }
}

TEST_F(CsvBuilder, RangesFromAStartRecord) {
  KarvoHandle h = ThreeRows();
  CsvOutcome o = Build(h, 2, 1, 0);
  EXPECT_EQ(o.Text, kRow2);
  EXPECT_EQ(o.Message, u"");

  o = Build(h, 3, 1, 1);
  EXPECT_EQ(o.Text, kHead + kRow3);
  EXPECT_EQ(o.Message, msg::kFewerRowsThanWanted);

  o = Build(h, 4, 1, 1);
  EXPECT_FALSE(o.Failed);
  EXPECT_EQ(o.Text, "") << "the header is dropped too";
  EXPECT_EQ(o.Message, msg::kStartBeyondRows);
  EXPECT_EQ(model.SetOf(h).Cur, 2) << "left on the last record";

  KarvoHandle five = FiveRows();
  o = Build(five, 2, INT_MAX, 0);
  EXPECT_EQ(o.Text, "\n\r\"2\";\"b\";\n\r\"3\";\"c\";\n\r\"4\";\"d\";\n\r\"5\";\"e\";")
      << "no wrap-around of the bound";
  EXPECT_EQ(o.Message, msg::kFewerRowsThanWanted);
  o = Build(five, 5, INT_MAX, 0);
  EXPECT_EQ(o.Text, "\n\r\"5\";\"e\";");
}

TEST_F(CsvBuilder, CountsOfNothing) {
  KarvoHandle h = ThreeRows();
  for (int count : {0, -1, INT_MIN}) {
    CsvOutcome o = Build(h, 0, count, 1);
    EXPECT_EQ(o.Text, kHead) << count;
    EXPECT_EQ(o.Message, u"") << count;
    o = Build(h, 2, count, 0);
    EXPECT_EQ(o.Text, "") << count;
    EXPECT_EQ(o.Message, u"") << count;
  }
}

TEST_F(CsvBuilder, EmptyDataSets) {
  KarvoHandle h = Query({});
  CsvOutcome o = Build(h, 0, 10, 1);
  EXPECT_EQ(o.Text, kHead);
  EXPECT_EQ(o.Message, u"");
  EXPECT_EQ(Build(h, 0, 10, 0).Text, "");
  for (int recNo : {0, -1}) {
    model.SetOf(h).EmptyRecNo = recNo;
    o = Build(h, 1, 1, 1);
    EXPECT_FALSE(o.Failed);
    EXPECT_EQ(o.Message, msg::kStartBeyondRows) << recNo;
  }
}

TEST_F(CsvBuilder, ValuesAndNamesGoInUnchanged) {
  KarvoHandle h = Query({{u"a\"b;c", u"x\r\ny"}, {u"", u"\u0141\u00f3d\u017a"}}, {u"Id;\"", u"Miasto \u4E2D"});
  CsvOutcome o = Build(h, 0, 2, 1);
  EXPECT_EQ(o.Text, "\"Id;\"\";\"Miasto ?\";\n\r\"a\"b;c\";\"x\r\ny\";\n\r\"\";\"?\xf3\x64?\";");
}

TEST_F(CsvBuilder, NoQueryAndNoDataSetAreAnsweredWithoutTheHost) {
  CsvOutcome o = Build(0, 0, 5, 1);
  EXPECT_FALSE(o.Failed);
  EXPECT_EQ(o.Message, msg::kQueryNotOpen);
  o = BuildCSVText(host::DataSource(nullptr, 0), 0, 5, 1, Encode);
  EXPECT_EQ(o.Message, msg::kQueryNotOpen);
  o = Build(model.AddEmptySource(), 0, 5, 1);
  EXPECT_FALSE(o.Failed);
  EXPECT_EQ(o.Message, msg::kBadDSHandle);
}

TEST_F(CsvBuilder, FailuresAreLeftToTheHost) {
  KarvoHandle h = ThreeRows();
  EXPECT_TRUE(Build(0xDEAD0, 0, 5, 1).Failed) << "a number no object has";
  EXPECT_TRUE(Build(model.AddOther(u"TButton"), 0, 5, 1).Failed) << "a live object of another class";
  EXPECT_TRUE(BuildCSVText(host::DataSource(nullptr, h), 0, 5, 1, Encode).Failed) << "no model";
  EXPECT_TRUE(Build(h, -3, 1, 0).Failed) << "a record number the data set refuses";
  EXPECT_TRUE(Build(h, INT_MIN, INT_MAX, 0).Failed);
  model.SetOf(h).ForwardOnly = true;
  EXPECT_TRUE(Build(h, 2, 1, 0).Failed) << "a forward-only data set has no last record";
  EXPECT_EQ(Build(h, 0, 5, 0).Text, kRow1 + kRow2 + kRow3) << "but walks from the start";
  model.SetOf(h).ForwardOnly = false;
  model.SetOf(h).Active = false;
  EXPECT_TRUE(Build(h, 0, 5, 1).Failed) << "closed";
  // A table without the entries the export needs.
  KarvoObjectModel partial = *model.Table();
  partial.DataSetEof = nullptr;
  model.SetOf(h).Active = true;
  EXPECT_TRUE(BuildCSVText(host::DataSource(&partial, h), 0, 5, 1, Encode).Failed);
}

TEST_F(CsvBuilder, ControlsAreOffForTheWalkAndBackOnOnceHoweverItEnds) {
  KarvoHandle h = ThreeRows();
  FakeDataSet& ds = model.SetOf(h);
  auto check = [&](const char* what, int notices) {
    EXPECT_EQ(ds.DisableDepth, 0) << what;
    EXPECT_EQ(ds.MaxDisableDepth, 1) << what;
    EXPECT_EQ(ds.ChangedNotices, notices) << what;
  };
  Build(h, 0, 3, 1);
  check("whole walk", 1);
  Build(h, 9, 1, 1);
  check("start beyond the rows", 2);
  ds.FailAfter["Next"] = ds.Calls["Next"] + 1;  // closed under the walk, after one step
  EXPECT_TRUE(Build(h, 0, 3, 1).Failed);
  check("failure in the walk", 3);
  EXPECT_GE(ds.Calls["FieldText"], 2);
}

TEST_F(CsvBuilder, ControlsThatWillNotComeBackOnFailTheAttempt) {
  // Whatever the walk made, with its message or without, is dropped for
  // the host to answer; the controls were still asked to come back once.
  KarvoHandle h = ThreeRows();
  FakeDataSet& ds = model.SetOf(h);
  ds.FailAfter["EnableControls"] = 0;
  struct Case {
    int start, count, header;
    const char* what;
  };
  for (Case c : {Case{0, 2, 1, "rows and no message"}, Case{0, 5, 0, "rows and the fewer-rows message"},
                 Case{9, 1, 1, "start beyond the rows"}, Case{0, 0, 0, "nothing to export"}}) {
    const int asked = ds.Calls["EnableControls"];
    CsvOutcome o = Build(h, c.start, c.count, c.header);
    EXPECT_TRUE(o.Failed) << c.what;
    EXPECT_EQ(o.Text, "") << c.what;
    EXPECT_EQ(o.Message, u"") << c.what;
    EXPECT_EQ(ds.Calls["EnableControls"], asked + 1) << c.what;
    ds.DisableDepth = 0;
  }
  // Switched off but never on again is no success either when the walk
  // itself failed: one try at switching them on, and the failure stands.
  ds.FailAfter["Next"] = ds.Calls["Next"];
  const int asked = ds.Calls["EnableControls"];
  EXPECT_TRUE(Build(h, 0, 3, 1).Failed);
  EXPECT_EQ(ds.Calls["EnableControls"], asked + 1);
}

}  // namespace
}  // namespace karvo::test
