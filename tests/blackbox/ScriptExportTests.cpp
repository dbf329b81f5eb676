// The script exports through the DLL against the scripted host: the exact
// procedure and argument text each form sends, and how each reply becomes a
// result and a last error.
#include <cstring>
#include <vector>

#include "Plugin.h"
#include "ScriptedHost.h"

namespace karvo::test {
namespace {

constexpr char16_t kSep = u'\x0001';

std::u16string BstrValue(BSTR b) {
  return b ? std::u16string(reinterpret_cast<const char16_t*>(b), ::SysStringLen(b)) : u"";
}

class ScriptExports : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str()), 1); }
  SeenRequest Last() { return host.Requests().back(); }
  ScriptedHost host;
  Plugin p;
};

TEST_F(ScriptExports, CreateScriptInEachFormReadsTheHandle) {
  host.Always(Answer::Verdict(true, u"-5"));
  EXPECT_EQ(KARVO_FN(p, CreateScript)("x = 1;"), -5);
  EXPECT_EQ(Last().Command, "_PROC_");
  EXPECT_EQ(Last().SQL, u"CreateScript");
  EXPECT_EQ(Last().Data, u"x = 1;");
  EXPECT_EQ(p.LastError(), u"");
  // The handle goes back as the unsigned form of its 32 bits.
  host.Always(Answer::Verdict(true, u""));
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(-5), 1);
  EXPECT_EQ(Last().Data, u"4294967291");

  host.Always(Answer::Verdict(true, u" $1F"));
  CountedString a("s = '\xA3\xF3\x64\x9F';", 1250);  // "Łódź" in code page 1250, whatever the system's
  EXPECT_EQ(KARVO_FN(p, CreateScriptA)(a.get()), 31);
  EXPECT_EQ(Last().Data, u"s = 'Łódź';");

  host.Always(Answer::Verdict(true, u"2147483647"));
  BSTR w = ::SysAllocString(L"t = '\u4E2D';");
  EXPECT_EQ(KARVO_FN(p, CreateScriptW)(w), 2147483647);
  EXPECT_EQ(Last().Data, u"t = '\u4E2D';") << "the W form reaches the host without a code page";
  EXPECT_EQ(BstrValue(w), u"t = '\u4E2D';") << "the caller's BSTR stays as it was";
  ::SysFreeString(w);
}

TEST_F(ScriptExports, CreateScriptWithoutAHandleFails) {
  const char16_t* kFailed = u"Błąd tworzenia skryptu !";
  host.Always(Answer::Verdict(false, u"SyntaxError: line 1"));
  EXPECT_EQ(KARVO_FN(p, CreateScript)("x = ;"), 0);
  EXPECT_EQ(p.LastError(), kFailed) << "the family's own message replaces the host's";
  for (const char16_t* reply : {u"", u"12 ", u"abc", u"2147483648", u"0"}) {
    host.Always(Answer::Verdict(true, reply));
    EXPECT_EQ(KARVO_FN(p, CreateScriptW)(nullptr), 0)
        << std::string(reply, reply + std::char_traits<char16_t>::length(reply));
    EXPECT_EQ(p.LastError(), kFailed);
  }
  EXPECT_EQ(Last().Data, u"") << "a null BSTR is the empty script";
}

TEST_F(ScriptExports, ArgumentTextOfEveryProcedure) {
  host.Always(Answer::Verdict(true, u"1"));
  auto expect = [&](const char16_t* proc, const std::u16string& data) {
    EXPECT_EQ(Last().SQL, proc);
    EXPECT_EQ(Last().Data, data) << std::string(proc, proc + std::char_traits<char16_t>::length(proc));
    EXPECT_EQ(Last().DataPointer, 0u);
  };
  EXPECT_EQ(KARVO_FN(p, AddScriptVariant)(7, "licznik", "10"), 1);
  expect(u"AddScriptVariant", u"7" + std::u16string(1, kSep) + u"licznik" + kSep + u"10");
  EXPECT_EQ(KARVO_FN(p, AddScriptFunction)(7, static_cast<unsigned>(-1), "Policz"), 1);
  expect(u"AddScriptFunction", u"7" + std::u16string(1, kSep) + u"4294967295" + kSep + u"Policz");
  EXPECT_NE(KARVO_FN(p, GetScriptVariant)(-1, "licznik"), nullptr);
  expect(u"GetScriptVariant", u"4294967295" + std::u16string(1, kSep) + u"licznik");
  EXPECT_EQ(KARVO_FN(p, SetScriptVariant)(0, "", ""), 1);
  expect(u"SetScriptVariant", u"0" + std::u16string(1, kSep) + kSep);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(2147483647), 1);
  expect(u"ExecuteScript", u"2147483647");
  EXPECT_EQ(KARVO_FN(p, ExecuteAsychScript)(7, 256), 1);
  expect(u"ExecuteAsynchScript", u"7" + std::u16string(1, kSep) + u"0");
  EXPECT_EQ(KARVO_FN(p, ExecuteAsychScript)(7, 2), 1);
  expect(u"ExecuteAsynchScript", u"7" + std::u16string(1, kSep) + u"1");
  EXPECT_EQ(KARVO_FN(p, CheckAsynchScriptStatus)(7), 1);
  expect(u"CheckAsynchScriptStatus", u"7");
  EXPECT_EQ(KARVO_FN(p, FreeScript)(-2147483647 - 1), 1);
  expect(u"FreeScript", u"2147483648");
}

TEST_F(ScriptExports, CountedAndWideFormsOfTheVariableExports) {
  host.Always(Answer::Verdict(true, u""));
  CountedString name("\xB3\xF3\x64\x9F", 1250);  // "łódź"
  CountedString value("\xE9t\xE9", 1252);        // "été"
  EXPECT_EQ(KARVO_FN(p, AddScriptVariantA)(3, name.get(), value.get()), 1);
  EXPECT_EQ(Last().Data, u"3\x0001łódź\x0001été");
  EXPECT_EQ(KARVO_FN(p, SetScriptVariantA)(3, name.get(), nullptr), 1);
  EXPECT_EQ(Last().Data, u"3\x0001łódź\x0001");
  EXPECT_EQ(KARVO_FN(p, AddScriptFunctionA)(3, 0x80000000u, name.get()), 1);
  EXPECT_EQ(Last().Data,
            u"3\x0001"
            u"2147483648\x0001łódź");

  // U+0001 inside a name or value is not escaped: the host sees more arguments.
  BSTR n = ::SysAllocString(
      L"a\x0001"
      L"b");
  BSTR v = ::SysAllocString(L"\u4E2D");
  EXPECT_EQ(KARVO_FN(p, AddScriptVariantW)(3, n, v), 1);
  EXPECT_EQ(Last().Data,
            u"3\x0001"
            u"a\x0001"
            u"b\x0001\u4E2D");
  EXPECT_EQ(KARVO_FN(p, SetScriptVariantW)(3, n, v), 1);
  EXPECT_EQ(Last().SQL, u"SetScriptVariant");
  EXPECT_EQ(KARVO_FN(p, AddScriptFunctionW)(3, 9, n), 1);
  EXPECT_EQ(Last().Data,
            u"3\x0001"
            u"9\x0001"
            u"a\x0001"
            u"b");
  ::SysFreeString(n);
  ::SysFreeString(v);
}

TEST_F(ScriptExports, OwnMessagesOnFailure) {
  host.Always(Answer::Verdict(false, u"Nie ma skryptu 9"));
  EXPECT_EQ(KARVO_FN(p, AddScriptVariant)(9, "a", "1"), 0);
  EXPECT_EQ(p.LastError(), u"Błąd dodawania zmiennej");
  EXPECT_EQ(KARVO_FN(p, AddScriptFunction)(9, 1, "f"), 0);
  EXPECT_EQ(p.LastError(), u"Błąd dodawania funkcji");
  EXPECT_EQ(KARVO_FN(p, GetScriptVariant)(9, "a"), nullptr);
  EXPECT_EQ(p.LastError(), u"Błąd pobierania wartości zmiennej !");
  EXPECT_EQ(KARVO_FN(p, SetScriptVariant)(9, "a", "1"), 0);
  EXPECT_EQ(p.LastError(), u"Błąd ustawiania zmiennej");
  EXPECT_EQ(KARVO_FN(p, FreeScript)(9), 0);
  EXPECT_EQ(p.LastError(), u"Błąd zwalniania skryptu");
  // Failing replies without any text still get the message.
  host.Always(Answer::Raw(std::string(1, '\0'), u""));
  EXPECT_EQ(KARVO_FN(p, FreeScript)(9), 0);
  EXPECT_EQ(p.LastError(), u"Błąd zwalniania skryptu");
}

TEST_F(ScriptExports, RunExportsPassOnTheHostsText) {
  host.Always(Answer::Verdict(false, u"ReferenceError: y is not defined"));
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(4), 0);
  EXPECT_EQ(p.LastError(), u"ReferenceError: y is not defined");
  host.Always(Answer::Verdict(false, u"Skrypt jeszcze działa"));
  EXPECT_EQ(KARVO_FN(p, CheckAsynchScriptStatus)(4), 0);
  EXPECT_EQ(p.LastError(), u"Skrypt jeszcze działa");
  host.Always(Answer::Verdict(false, u"Skrypt już działa"));
  EXPECT_EQ(KARVO_FN(p, ExecuteAsychScript)(4, 1), 0);
  EXPECT_EQ(p.LastError(), u"Skrypt już działa");
  host.Always(Answer::Raw("\x02", u""));
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(4), 0);
  EXPECT_EQ(p.LastError(), u"") << "a failure without text leaves none";
  host.Always(Answer::Verdict(true, u"ignored"));
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(4), 1);
  EXPECT_EQ(p.LastError(), u"");
}

TEST_F(ScriptExports, GetScriptVariantForms) {
  host.Always(Answer::Verdict(true, u"zażółć \u4E2D"));
  EXPECT_EQ(Wide(KARVO_FN(p, GetScriptVariant)(1, "v")), ThroughCodePage(u"zażółć \u4E2D"));
  BSTR out = ::SysAllocString(L"old");
  BSTR name = ::SysAllocString(L"v");
  KARVO_FN(p, GetScriptVariantW)(&out, 1, name);
  EXPECT_EQ(BstrValue(out), u"zażółć \u4E2D");
  KARVO_ANSISTRING a = nullptr;
  CountedString an("v", 1250);
  KARVO_FN(p, GetScriptVariantA)(&a, 1, an.get());
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Wide(a), ThroughCodePage(u"zażółć \u4E2D"));
  EXPECT_EQ(*reinterpret_cast<const unsigned short*>(a - 12), ::GetACP());

  host.Always(Answer::Verdict(true, u""));
  EXPECT_EQ(KARVO_FN(p, GetScriptVariant)(1, "v"), nullptr) << "an empty value is null";
  EXPECT_EQ(p.LastError(), u"");

  host.Always(Answer::Verdict(false, u"Brak zmiennej"));
  KARVO_FN(p, GetScriptVariantW)(&out, 1, name);
  EXPECT_EQ(out, nullptr) << "the old value goes before the host is asked";
  EXPECT_EQ(p.LastError(), u"Błąd pobierania wartości zmiennej !");
  KARVO_FN(p, GetScriptVariantA)(&a, 1, an.get());
  EXPECT_EQ(a, nullptr);
  KARVO_FN(p, GetScriptVariantW)(nullptr, 1, name);  // no variable to fill: nothing to crash on
  EXPECT_EQ(p.LastError(), u"Błąd pobierania wartości zmiennej !");
  ::SysFreeString(name);
}

TEST(ScriptExportsUnopened, WithoutTheApiEveryExportFailsCleanly) {
  ScriptedHost host;
  Plugin p;
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(1), 0);
  EXPECT_EQ(p.LastError(), u"Nie wykryto usługi API!");
  EXPECT_EQ(KARVO_FN(p, CheckAsynchScriptStatus)(1), 0);
  EXPECT_EQ(p.LastError(), u"Nie wykryto usługi API!");
  EXPECT_EQ(KARVO_FN(p, CreateScript)("x"), 0);
  EXPECT_EQ(p.LastError(), u"Błąd tworzenia skryptu !");
  EXPECT_EQ(KARVO_FN(p, GetScriptVariant)(1, "x"), nullptr);
  EXPECT_EQ(p.LastError(), u"Błąd pobierania wartości zmiennej !");
  EXPECT_EQ(host.RequestCount(), 0u);
}

}  // namespace
}  // namespace karvo::test
