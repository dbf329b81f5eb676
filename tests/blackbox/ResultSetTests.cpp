// The cursor exports and the CSV export through the DLL, on data sets of a
// model installed with KarvoInstallObjectModel; the CSV export's host
// request against the scripted host.
#include <climits>

#include "FakeDataModel.h"
#include "Plugin.h"
#include "ScriptedHost.h"

namespace karvo::test {
namespace {

KARVO_HANDLE H(KarvoHandle h) { return reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(h)); }

class ResultSets : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str()), 1);
    ASSERT_EQ(KARVO_FN(p, KarvoInstallObjectModel)(const_cast<KarvoObjectModel*>(model.Table())), 1);
  }
  KarvoHandle Rows(int n, int cols = 2) { return model.AddQuery(FakeDataModel::Generated(n, cols)); }
  std::string Field(KarvoHandle h, const char* name) {
    const char* v = KARVO_FN(p, FieldByNameSQL)(H(h), name);
    return v ? v : "<null>";
  }
  std::string Csv(KarvoHandle h, int start, int count, int header) {
    const char* v = KARVO_FN(p, GetCSVQuerySQL)(H(h), start, count, static_cast<unsigned char>(header));
    return v ? v : "<null>";
  }
  ScriptedHost host;
  Plugin p;
  FakeDataModel model;
};

TEST_F(ResultSets, ZeroHandleGivesEachExportsFailureValue) {
  const std::u16string nil = u"Niepoprawne źródło danych (aDSHandle = nil)!";
  EXPECT_EQ(KARVO_FN(p, FirstSQL)(nullptr), 0);
  EXPECT_EQ(p.LastError(), nil);
  EXPECT_EQ(KARVO_FN(p, CountSQL)(nullptr), 0);
  EXPECT_EQ(p.LastError(), nil);
  EXPECT_EQ(KARVO_FN(p, EofSQL)(nullptr), 1);
  EXPECT_EQ(p.LastError(), nil);
  EXPECT_EQ(KARVO_FN(p, FieldByNameSQL)(nullptr, "ID"), nullptr);
  EXPECT_EQ(p.LastError(), nil);
  EXPECT_EQ(host.RequestCount(), 0u) << "the cursor never asks the host";
}

TEST_F(ResultSets, OnlyATDataSourceOfThisModelIsTaken) {
  const std::u16string bad = u"Niepoprawne źródło danych!";
  FakeDataSet ds = FakeDataModel::Generated(3, 2);
  for (const char16_t* cls : {u"TDataSource2", u"TDATASOURCE", u"TButton"}) {
    KarvoHandle h = model.AddQuery(ds, cls);
    EXPECT_EQ(KARVO_FN(p, NextSQL)(H(h)), 0);
    EXPECT_EQ(p.LastError(), bad);
  }
  // A number no object has, a closed and forgotten query, a live object of
  // another kind, and no model at all: refused the same way, nothing broken.
  KarvoHandle stale = Rows(3);
  model.Forget(stale);
  for (KarvoHandle h : {KarvoHandle{0x12345678}, KarvoHandle{0xFFFFFFFF}, stale, model.AddOther(u"TForm")}) {
    EXPECT_EQ(KARVO_FN(p, EofSQL)(H(h)), 1);
    EXPECT_EQ(p.LastError(), bad);
  }
  KarvoHandle live = Rows(3);
  ASSERT_EQ(KARVO_FN(p, KarvoInstallObjectModel)(nullptr), 1);
  EXPECT_EQ(KARVO_FN(p, FirstSQL)(H(live)), 0);
  EXPECT_EQ(p.LastError(), bad);
  EXPECT_EQ(host.RequestCount(), 0u);
}

TEST_F(ResultSets, WalkToTheEnd) {
  KarvoHandle h = Rows(3);
  EXPECT_EQ(KARVO_FN(p, LastSQL)(H(h)), 1);
  EXPECT_EQ(Field(h, "ID"), "3");
  EXPECT_EQ(KARVO_FN(p, PriorSQL)(H(h)), 1);
  EXPECT_EQ(Field(h, "id"), "2") << "names ignore case";
  EXPECT_EQ(KARVO_FN(p, FirstSQL)(H(h)), 1);
  int seen = 0;
  while (!KARVO_FN(p, EofSQL)(H(h)) && seen < 10) {
    ++seen;
    EXPECT_EQ(Field(h, "ID"), std::to_string(seen));
    EXPECT_EQ(KARVO_FN(p, NextSQL)(H(h)), 1) << "also on the last record";
    EXPECT_EQ(p.LastError(), u"");
  }
  EXPECT_EQ(seen, 3);
  EXPECT_EQ(Field(h, "NAZWA"), Ansi(u"Kontrahent Łódź 3")) << "the end flag keeps the last record";
}

TEST_F(ResultSets, CountIsTheLowByte) {
  EXPECT_EQ(KARVO_FN(p, CountSQL)(H(Rows(300, 1))), 44);
  EXPECT_EQ(KARVO_FN(p, CountSQL)(H(Rows(256, 1))), 0);
  EXPECT_EQ(p.LastError(), u"") << "0 here is a count, not a failure";
  EXPECT_EQ(KARVO_FN(p, CountSQL)(H(Rows(255, 1))), 255);
}

TEST_F(ResultSets, FailuresOfTheDataSetAreExceptions) {
  const std::u16string ex = u"Wystąpił wyjątek!";
  KarvoHandle h = Rows(3);
  model.SetOf(h).ForwardOnly = true;
  EXPECT_EQ(KARVO_FN(p, LastSQL)(H(h)), 0);
  EXPECT_EQ(p.LastError(), ex);
  EXPECT_EQ(KARVO_FN(p, NextSQL)(H(h)), 1) << "forward is fine";
  EXPECT_EQ(Field(h, "NOSUCH"), "<null>");
  EXPECT_EQ(p.LastError(), ex);
  model.SetOf(h).Active = false;  // closed under the cursor
  EXPECT_EQ(KARVO_FN(p, NextSQL)(H(h)), 0);
  EXPECT_EQ(KARVO_FN(p, EofSQL)(H(h)), 1);
  EXPECT_EQ(KARVO_FN(p, CountSQL)(H(h)), 0);
  EXPECT_EQ(p.LastError(), ex);
  EXPECT_EQ(KARVO_FN(p, FirstSQL)(H(model.AddEmptySource())), 0) << "no data set";
  EXPECT_EQ(p.LastError(), ex);
}

TEST_F(ResultSets, FieldValuesInTheThreeForms) {
  FakeDataSet ds;
  ds.Fields = {u"PUSTE", ThroughCodePage(u"Pole\u4E2D")};
  ds.Rows = {{u"", u"zażółć"}};
  KarvoHandle h = model.AddQuery(ds);
  EXPECT_EQ(Field(h, "PUSTE"), "<null>");
  EXPECT_EQ(p.LastError(), u"") << "an empty value is no failure";
  KARVO_ANSISTRING a = nullptr;
  KARVO_FN(p, FieldByNameSQLA)(&a, H(h), nullptr);
  EXPECT_EQ(a, nullptr) << "no name: no such field";
  EXPECT_EQ(p.LastError(), u"Wystąpił wyjątek!");
  BSTR name = ::SysAllocString(L"Pole\u4E2D");
  BSTR out = ::SysAllocString(L"old");
  KARVO_FN(p, FieldByNameSQLW)(&out, H(h), name);
  ASSERT_NE(out, nullptr) << "the name goes through the code page, as the field's own name did";
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out)), ThroughCodePage(u"zażółć"));
  ::SysFreeString(out);
  ::SysFreeString(name);
}

TEST_F(ResultSets, CsvInProcess) {
  FakeDataSet ds;
  ds.Fields = {u"ID", u"NAZWA"};
  ds.Rows = {{u"1", u"Łódź \"Pół\"; x"}, {u"2", u"Jan"}, {u"3", u"Ewa"}};
  KarvoHandle h = model.AddQuery(ds);
  EXPECT_EQ(Csv(h, 0, 2, 1), Ansi(u"\"ID\";\"NAZWA\";\n\r\"1\";\"Łódź \"Pół\"; x\";\n\r\"2\";\"Jan\";"));
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(Field(h, "ID"), "3") << "the export leaves the cursor after the range";
  EXPECT_EQ(Csv(h, 2, INT_MAX, 0), "\n\r\"2\";\"Jan\";\n\r\"3\";\"Ewa\";");
  EXPECT_EQ(p.LastError(), u"Ilość wierszy do odczytania jest większa niż faktyczna ilość wierszy!");
  EXPECT_EQ(Csv(h, 4, 1, 1), "<null>");
  EXPECT_EQ(p.LastError(), u"Pozycja początkowa jest większa niż ilość wierszy!");
  EXPECT_EQ(Csv(h, 0, 0, 0), "<null>");
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(Csv(0, 0, 1, 1), "<null>");
  EXPECT_EQ(p.LastError(), u"Próba odczytu z nieotwartego Query (DSHandle = 0) !");
  EXPECT_EQ(Csv(model.AddEmptySource(), 0, 1, 1), "<null>");
  EXPECT_EQ(p.LastError(), u"Nieprawidłowy uchwyt DSHandle!");
  EXPECT_EQ(host.RequestCount(), 0u);
  EXPECT_EQ(model.SetOf(h).DisableDepth, 0);

  // The A and W forms, over 64 KB so the long buffer carries it.
  KarvoHandle big = Rows(3000, 5);
  KARVO_ANSISTRING a = nullptr;
  KARVO_FN(p, GetCSVQuerySQLA)(&a, H(big), 0, 3000, 1);
  ASSERT_NE(a, nullptr);
  std::string whole = a;
  EXPECT_GT(whole.size(), 65536u);
  const std::string head = "\"ID\";\"NAZWA\";\"MIASTO\";\"CENA\";\"UWAGI\";\n\r\"1\";";
  EXPECT_EQ(whole.substr(0, head.size()), head);
  std::size_t rows = 0;
  for (std::size_t at = whole.find("\n\r"); at != std::string::npos; at = whole.find("\n\r", at + 2)) ++rows;
  EXPECT_EQ(rows, 3000u);
  EXPECT_EQ(whole.back(), ';');
  BSTR w = nullptr;
  KARVO_FN(p, GetCSVQuerySQLW)(&w, H(big), 2999, 5, 0);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(w)).substr(0, 10), u"\n\r\"2999\";\"");
  ::SysFreeString(w);
}

TEST_F(ResultSets, CsvAsksTheHostWhenTheAttemptFails) {
  KarvoHandle h = Rows(3);
  host.Always(Answer::Verdict(true, u"\"z hosta\";"));
  EXPECT_EQ(Csv(h, -3, -1, 0), "\"z hosta\";") << "a record number the data set refuses";
  SeenRequest r = host.Requests().back();
  EXPECT_EQ(r.Command, "GET_CSV_QUERY_SQL");
  EXPECT_EQ(r.SQL, u"");
  EXPECT_EQ(r.DataPointer, h);
  EXPECT_EQ(r.Data, u"-3;-1;0");

  model.SetOf(h).Active = false;
  EXPECT_EQ(Csv(h, 0, 10, 255), "\"z hosta\";");
  EXPECT_EQ(host.Requests().back().Data, u"0;10;255");
  EXPECT_EQ(Csv(0xBAD0, 2147483647, INT_MIN, 1), "\"z hosta\";") << "a number no object has";
  EXPECT_EQ(host.Requests().back().Data, u"2147483647;-2147483648;1");
  EXPECT_EQ(host.Requests().back().DataPointer, 0xBAD0u);

  host.Always(Answer::Verdict(false, u"Brak zapytania"));
  EXPECT_EQ(Csv(h, 0, 10, 1), "<null>");
  EXPECT_EQ(p.LastError(), u"Brak zapytania");
  host.Always(Answer::Verdict(true, u""));
  EXPECT_EQ(Csv(h, 0, 10, 1), "<null>");
  EXPECT_EQ(p.LastError(), u"");
  std::size_t before = host.RequestCount();
  // The host SDK's state change fails at once while its serving thread
  // holds the block object's lock, so it is repeated until it lands.
  for (int i = 0; i < 1000 && host.Block()->State != KARVO_smsNoAllocated; ++i) {
    host.SetState(KARVO_smsNoAllocated);
    if (host.Block()->State != KARVO_smsNoAllocated) ::Sleep(1);
  }
  ASSERT_EQ(host.Block()->State, KARVO_smsNoAllocated);
  EXPECT_EQ(Csv(h, 0, 10, 1), "<null>");
  EXPECT_EQ(p.LastError(), u"Nie wykryto usługi API!");
  EXPECT_EQ(host.RequestCount(), before);
}

TEST_F(ResultSets, CsvAsksTheHostWhenTheControlsWillNotComeBackOn) {
  // Switching the controls back on is part of the attempt: the in-process
  // text and its message are dropped and the host's answer stands.
  FakeDataSet ds;
  ds.Fields = {u"ID", u"NAZWA"};
  ds.Rows = {{u"1", u"Anna"}, {u"2", u"Jan"}, {u"3", u"Ewa"}};
  ds.FailAfter["EnableControls"] = 0;
  KarvoHandle h = model.AddQuery(ds);
  host.Always(Answer::Verdict(true, u"\"z hosta\";"));
  EXPECT_EQ(Csv(h, 0, 5, 0), "\"z hosta\";");
  EXPECT_EQ(p.LastError(), u"") << "the attempt's fewer-rows message is dropped";
  ASSERT_EQ(host.RequestCount(), 1u);
  EXPECT_EQ(host.Requests().back().Command, "GET_CSV_QUERY_SQL");
  EXPECT_EQ(host.Requests().back().Data, u"0;5;0");
  model.SetOf(h).DisableDepth = 0;
  host.Always(Answer::Verdict(false, u"Brak zapytania"));
  EXPECT_EQ(Csv(h, 9, 1, 1), "<null>") << "a start beyond the rows is no answer either";
  EXPECT_EQ(p.LastError(), u"Brak zapytania");
  EXPECT_EQ(host.RequestCount(), 2u);
}

TEST_F(ResultSets, FieldNamesAreNeverLookAlikes) {
  // Under 1252 "ą" has no byte: the name becomes '?' and finds nothing,
  // never the field "A"; under 1250 it finds its own field.
  FakeDataSet ds;
  ds.Fields = {u"A", u"\u0105"};
  ds.Rows = {{u"wielkie a", u"a z ogonkiem"}};
  KarvoHandle h = model.AddQuery(ds);
  BSTR name = ::SysAllocString(L"\u0105");
  BSTR out = ::SysAllocString(L"old");
  KARVO_FN(p, FieldByNameSQLW)(&out, H(h), name);
  if (::GetACP() == 1250) {
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out)), u"a z ogonkiem");
    EXPECT_EQ(p.LastError(), u"");
  } else {
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(p.LastError(), u"Wyst\u0105pi\u0142 wyj\u0105tek!");
  }
  ::SysFreeString(out);
  ::SysFreeString(name);
}

TEST_F(ResultSets, XmlExportIsNotImplemented) {
  KarvoHandle h = Rows(3);
  KARVO_FN(p, ExecuteSQL)("x", 1);
  EXPECT_EQ(KARVO_FN(p, GetXMLQuerySQL)(h, 0, 10, 1), nullptr);
  EXPECT_EQ(p.LastError(), u"NoImplement");
}

}  // namespace
}  // namespace karvo::test
