// SQL requests through the DLL against the scripted host: what reaches the
// host, and how each reply becomes a result.
#include "Plugin.h"
#include "ScriptedHost.h"

namespace karvo::test {
namespace {

class SqlRequests : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str()), 1); }
  ScriptedHost host;
  Plugin p;
};

TEST_F(SqlRequests, ExecuteSqlReplyCodes) {
  auto exec = KARVO_FN(p, ExecuteSQL);
  host.Always(Answer::Code(1));
  EXPECT_EQ(exec("DELETE FROM X", 0), 1);
  EXPECT_EQ(p.LastError(), u"");
  host.Always(Answer::Code(0));
  EXPECT_EQ(exec("DELETE FROM X", 2), 0) << "SysDatabase 2 is the ordinary database";
  EXPECT_EQ(p.LastError(), u"Error !");
  host.Always(Answer::Raw("\xFA", u"Naruszenie klucza głównego"));
  EXPECT_EQ(exec("DELETE FROM X", 0), 250);
  EXPECT_EQ(p.LastError(), u"Naruszenie klucza głównego");
  host.Always(Answer::Code(7));
  EXPECT_EQ(exec("DELETE FROM X", 0), 7);
  EXPECT_EQ(p.LastError(), u"Nieznany błąd!");
  host.Always(Answer::Raw("", u""));
  EXPECT_EQ(exec("DELETE FROM X", 0), 253);
  EXPECT_EQ(p.LastError(), u"Nieoczekiwana odpowiedź z API!");
  auto seen = host.Requests();
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0].Command, "EXECUTE_SQL");
  EXPECT_EQ(seen[0].SQL, u"DELETE FROM X");
}

TEST_F(SqlRequests, SystemDatabaseIsRefusedWithoutARequest) {
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("DROP TABLE X", 1), 0);
  EXPECT_EQ(p.LastError(), u"Operacje na bazie systemowej są zablowkowane!");
  EXPECT_EQ(host.RequestCount(), 0u);
}

TEST_F(SqlRequests, OnlyTheLowByteOfTheFlagSlotCounts) {
  // A caller that pushes the whole 32-bit slot: 0x101 is 1, 0x100 is 0.
  using Wide32 = unsigned char(__stdcall*)(const char*, unsigned int);
  auto exec = reinterpret_cast<Wide32>(reinterpret_cast<void*>(KARVO_FN(p, ExecuteSQL)));
  auto get = reinterpret_cast<const char*(__stdcall*)(const char*, unsigned int)>(
      reinterpret_cast<void*>(KARVO_FN(p, GetFromQuerySQL)));
  EXPECT_EQ(exec("DROP TABLE X", 0x101), 0);
  EXPECT_EQ(host.RequestCount(), 0u);
  EXPECT_EQ(exec("DELETE FROM X", 0x100), 1);
  host.Always(Answer::Verdict(true, u"x"));
  get("SELECT 1", 0xFF01);
  EXPECT_EQ(host.Requests().back().Command, "GET_FROM_SYS_QUERY_SQL");
}

TEST_F(SqlRequests, StatementTooLongForTheFieldIsNotSent) {
  std::string sql(16383, 'x');
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)(sql.c_str(), 0), 0);
  EXPECT_EQ(p.LastError(), u"Za długie polecenie SQL!");
  EXPECT_EQ(host.RequestCount(), 0u);
  sql.pop_back();
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)(sql.c_str(), 0), 1);
  ASSERT_EQ(host.RequestCount(), 1u);
  EXPECT_EQ(host.Requests()[0].SQL.size(), 16382u);
}

TEST_F(SqlRequests, GetFromQueryVerdicts) {
  auto get = KARVO_FN(p, GetFromQuerySQL);
  host.Always(Answer::Verdict(true, u"Kowalski;Łódź"));
  EXPECT_EQ(Wide(get("SELECT NAZWA FROM K", 1)), ThroughCodePage(u"Kowalski;Łódź"));
  EXPECT_EQ(host.Requests().back().Command, "GET_FROM_SYS_QUERY_SQL");
  host.Always(Answer::Verdict(true, u""));
  EXPECT_EQ(get("SELECT 1", 0), nullptr);
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(host.Requests().back().Command, "GET_FROM_QUERY_SQL");
  host.Always(Answer::Raw("", u"Błąd składni"));
  EXPECT_EQ(get("SELEC", 0), nullptr);
  EXPECT_EQ(p.LastError(), u"Błąd składni");
  host.Always(Answer::Raw("X", u""));
  EXPECT_EQ(get("SELECT 1", 0), nullptr);
  EXPECT_EQ(p.LastError(), u"") << "a failing reply with no Data leaves no message";
  host.Always(Answer::Raw("\x01garbage after", u"ok"));
  EXPECT_EQ(Wide(get("SELECT 1", 0)), u"ok");
}

TEST_F(SqlRequests, LongAnswersAndTheWideForm) {
  std::u16string big(16382, u'a');
  host.Always(Answer::Verdict(true, big));
  EXPECT_EQ(std::string(KARVO_FN(p, GetFromQuerySQL)("SELECT", 0)), std::string(16382, 'a'));
  host.Always(Answer::Verdict(true, u"zażółć \u4E2D"));
  BSTR out = ::SysAllocString(L"old value is freed");
  BSTR sql = ::SysAllocString(L"SELECT \u4E2D");
  KARVO_FN(p, GetFromQuerySQLW)(&out, sql, 0);
  ASSERT_NE(out, nullptr);
  std::u16string got(reinterpret_cast<const char16_t*>(out));
  EXPECT_EQ(got, ThroughCodePage(u"zażółć \u4E2D")) << "the answer travels through the code page";
  EXPECT_EQ(host.Requests().back().SQL, ThroughCodePage(u"SELECT \u4E2D")) << "as does the statement";
  EXPECT_NE(host.Requests().back().SQL, u"SELECT \u4E2D");
  ::SysFreeString(out);
  ::SysFreeString(sql);
}

TEST_F(SqlRequests, WhatTheCodePageCannotHoldReachesTheHostAsItsSubstitute) {
  // No look-alikes: ą is '?' where the code page lacks it, never 'a'.
  BSTR sql = ::SysAllocString(L"x=\u0105\u0416\u00e9");
  EXPECT_EQ(KARVO_FN(p, ExecuteSQLW)(sql, 0), 1);
  EXPECT_EQ(host.Requests().back().SQL, ByCodePage(u"x=??\u00e9", u"x=\u0105?\u00e9"));
  ::SysFreeString(sql);
  // A surrogate pair is one character, a lone surrogate another.
  const wchar_t astral[] = {L'a', 0xD83D, 0xDE00, L'b', 0xD800, L'c', 0};
  sql = ::SysAllocString(astral);
  EXPECT_EQ(KARVO_FN(p, ExecuteSQLW)(sql, 0), 1);
  EXPECT_EQ(host.Requests().back().SQL, u"a?b?c");
  ::SysFreeString(sql);
  // Answers come back the same way.
  host.Always(Answer::Verdict(true, u"\u017c\U0001F600\u00f3"));
  BSTR out = nullptr;
  KARVO_FN(p, GetFromQuerySQLW)(&out, nullptr, 0);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out)), ByCodePage(u"??\u00f3", u"\u017c?\u00f3"));
  ::SysFreeString(out);
}

TEST_F(SqlRequests, ACountedArgumentKeepsTheLibrarysReferenceUntilTheCallReturns) {
  CountedString s("SELECT 1", static_cast<unsigned short>(::GetACP()), 1);
  int whileServed = 0;
  host.SetHandler([&](const SeenRequest& r) {
    whileServed = s.Count();
    return r.Command == "EXECUTE_SQL" ? Answer::Code(1) : Answer::VerdictWithPointer(true, u"17", 0x40);
  });
  EXPECT_EQ(KARVO_FN(p, ExecuteSQLA)(s.get(), 0), 1);
  EXPECT_EQ(whileServed, 2) << "ExecuteSQLA";
  EXPECT_EQ(s.Count(), 1) << "given back at the end";
  KARVO_ANSISTRING answer = nullptr;
  KARVO_FN(p, GetFromQuerySQLA)(&answer, s.get(), 0);
  EXPECT_EQ(whileServed, 2) << "GetFromQuerySQLA";
  EXPECT_NE(answer, nullptr);
  KARVO_FN(p, GetLastAPIErrorA)(&answer);  // no error: gives the answer back
  EXPECT_EQ(answer, nullptr);
  whileServed = 0;
  EXPECT_NE(KARVO_FN(p, OpenQuerySQLA)(s.get(), 0), nullptr);
  EXPECT_EQ(whileServed, 2) << "OpenQuerySQLA";
  whileServed = 0;
  EXPECT_EQ(KARVO_FN(p, CreateScriptA)(s.get()), 17);
  EXPECT_EQ(whileServed, 2) << "CreateScriptA";
  EXPECT_EQ(s.Count(), 1);
}

TEST_F(SqlRequests, PlainResultPassedStraightIntoTheNextCall) {
  host.SetHandler([](const SeenRequest& r) {
    return r.Command == "GET_FROM_QUERY_SQL" ? Answer::Verdict(true, u"UPDATE T SET A = 1") : Answer::Code(1);
  });
  const char* stmt = KARVO_FN(p, GetFromQuerySQL)("SELECT", 0);
  KARVO_ANSISTRING copy = nullptr;
  BSTR w = ::SysAllocString(L"UPDATE T SET A = 2");
  EXPECT_EQ(KARVO_FN(p, ExecuteSQLW)(w, 0), 1);
  EXPECT_EQ(host.Requests().back().SQL, u"UPDATE T SET A = 2");
  stmt = KARVO_FN(p, GetFromQuerySQL)("SELECT", 0);
  // The A form copies its argument through the return buffer; a pointer
  // into that buffer must survive being copied onto itself.
  KARVO_FN(p, GetFromQuerySQLA)(&copy, nullptr, 0);
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)(stmt, 0), 1);
  EXPECT_EQ(host.Requests().back().SQL, u"UPDATE T SET A = 1");
  ::SysFreeString(w);
}

TEST_F(SqlRequests, OpenQueryHandsOutAHandleOnlyOnSuccess) {
  auto open = KARVO_FN(p, OpenQuerySQL);
  host.Always(Answer::VerdictWithPointer(true, u"", 0x1234));
  EXPECT_EQ(open("SELECT * FROM K", 0), reinterpret_cast<KARVO_HANDLE>(0x1234));
  EXPECT_EQ(host.Requests().back().Command, "OPEN_QUERY_SQL");
  host.Always(Answer::Raw(std::string(1, '\0'), u"Brak tabeli K"));
  EXPECT_EQ(open("SELECT * FROM K", 1), nullptr);
  EXPECT_EQ(p.LastError(), u"Brak tabeli K");
  EXPECT_EQ(host.Requests().back().Command, "OPEN_SYS_QUERY_SQL");
  // A failed reply with an empty Data must not hand out the stale handle.
  host.Always(Answer::Raw(std::string(1, '\0'), u""));
  EXPECT_EQ(open("SELECT * FROM K", 0), nullptr);
}

TEST_F(SqlRequests, CloseQueryWritesEmptySqlAndTheHandle) {
  KARVO_FN(p, ExecuteSQL)("previous statement", 0);
  host.Always(Answer::Code(1));
  EXPECT_EQ(KARVO_FN(p, CloseQuerySQL)(reinterpret_cast<KARVO_HANDLE>(0xCAFE)), 1);
  SeenRequest r = host.Requests().back();
  EXPECT_EQ(r.Command, "CLOSE_QUERY_SQL");
  EXPECT_EQ(r.SQL, u"");
  EXPECT_EQ(r.DataPointer, 0xCAFEu);
  host.Always(Answer::Raw("", u""));
  EXPECT_EQ(KARVO_FN(p, CloseQuerySQL)(nullptr), 254);
  EXPECT_EQ(p.LastError(), u"Usługa API nie odpowiada - przekroczenie czasu oczekiwania!");
}

TEST_F(SqlRequests, NoServiceGivesCode2AtOnceAndCloseGives255) {
  host.SetState(KARVO_smsNoAllocated);
  DWORD start = ::GetTickCount();
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("SELECT 1", 0), 2);
  EXPECT_EQ(p.LastError(), u"Nie wykryto usługi API!");
  EXPECT_EQ(KARVO_FN(p, CloseQuerySQL)(nullptr), 255);
  EXPECT_EQ(p.LastError(), u"Nie wykryto usługi API!");
  EXPECT_EQ(KARVO_FN(p, OpenQuerySQL)("SELECT 1", 0), nullptr);
  EXPECT_LT(::GetTickCount() - start, 1000u);
  EXPECT_EQ(host.RequestCount(), 0u);
}

TEST_F(SqlRequests, HostThatAnswersLateIsWaitedFor) {
  Answer late = Answer::Code(1);
  late.DelayMs = 1500;
  host.Always(late);
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("SELECT 1", 0), 1);
}

}  // namespace
}  // namespace karvo::test
