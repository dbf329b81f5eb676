// Real script runs: KARVO.DLL against refhost's Duktape scripts, in the
// foreground and in the background, and the bad input the host must outlive.
#include <algorithm>
#include <cstring>
#include <vector>

#include "RefHost.h"

namespace karvo::test {
namespace {

std::u16string Num(long long v) {
  std::string s = std::to_string(v);
  return std::u16string(s.begin(), s.end());
}

std::u16string Bstr(BSTR b) {
  return b ? std::u16string(reinterpret_cast<const char16_t*>(b), ::SysStringLen(b)) : u"";
}

class ScriptRuns : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str()), 1); }
  int Create(const char* source) { return KARVO_FN(p, CreateScript)(source); }
  std::string Get(int h, const char* name) {
    const char* v = KARVO_FN(p, GetScriptVariant)(h, name);
    return v != nullptr ? v : "<null>";
  }
  // Polls a background run until the host no longer reports it running.
  unsigned char AwaitStatus(int h) {
    for (int i = 0; i < 400; ++i) {
      unsigned char s = KARVO_FN(p, CheckAsynchScriptStatus)(h);
      if (s == 1 || p.LastError().find(u"jest jeszcze wykonywany") == std::u16string::npos) return s;
      ::Sleep(25);
    }
    ADD_FAILURE() << "the background run never ended";
    return 0;
  }
  RefHost host;
  Plugin p;
};

TEST_F(ScriptRuns, VariablesFunctionsAndARunWithAResultReadBack) {
  int h =
      Create("var brutto = netto * 1.23; log('brutto', brutto); var runs = (typeof runs == 'number' ? runs : 0) + 1;");
  ASSERT_GT(h, 0) << Ansi(p.LastError());
  EXPECT_EQ(KARVO_FN(p, AddScriptVariant)(h, "netto", "100"), 1);
  EXPECT_EQ(KARVO_FN(p, AddScriptFunction)(h, KARVO_SCRIPT_FN_LOG, "log"), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(h), 1) << Ansi(p.LastError());
  EXPECT_EQ(Get(h, "brutto"), "123");
  EXPECT_EQ(KARVO_FN(p, SetScriptVariant)(h, "netto", "200"), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(h), 1);
  EXPECT_EQ(Get(h, "brutto"), "246");
  EXPECT_EQ(Get(h, "runs"), "2") << "globals live on between runs";

  EXPECT_EQ(KARVO_FN(p, SetScriptVariant)(h, "nieznana", "1"), 0) << "Set changes only existing variables";
  EXPECT_EQ(p.LastError(), u"Błąd ustawiania zmiennej");
  EXPECT_EQ(Get(h, "nieznana"), "<null>");
  EXPECT_EQ(p.LastError(), u"Błąd pobierania wartości zmiennej !");

  EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 1);
  EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 0) << "freed twice";
  EXPECT_EQ(p.LastError(), u"Błąd zwalniania skryptu");
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(h), 0);
  EXPECT_EQ(p.LastError(), u"refhost: nieznany skrypt " + Num(h));
}

TEST_F(ScriptRuns, WideTextsRoundTripThroughTheEngine) {
  int h = Create("var out = typeof input + ':' + input + '!'; var obj = {a: [1, 'b'], c: null};");
  ASSERT_GT(h, 0);
  BSTR name = ::SysAllocString(L"input"), value = ::SysAllocString(L"Zażółć \u4E2D \U0001F600");
  EXPECT_EQ(KARVO_FN(p, AddScriptVariantW)(h, name, value), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(h), 1);
  BSTR got = nullptr, outName = ::SysAllocString(L"out"), objName = ::SysAllocString(L"obj");
  KARVO_FN(p, GetScriptVariantW)(&got, h, outName);
  EXPECT_EQ(Bstr(got), u"string:Zażółć \u4E2D \U0001F600!");
  KARVO_FN(p, GetScriptVariantW)(&got, h, objName);
  EXPECT_EQ(Bstr(got), u"{\"a\":[1,\"b\"],\"c\":null}");
  for (BSTR b : {name, value, got, outName, objName}) ::SysFreeString(b);
  EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 1);
}

TEST_F(ScriptRuns, ScriptErrorsComeBackAsTheHostsMessage) {
  EXPECT_EQ(Create("var = ;"), 0);
  EXPECT_EQ(p.LastError(), u"Błąd tworzenia skryptu !");
  BSTR source = ::SysAllocString(L"if (fail) throw new TypeError('zły argument'); y.z = 1;");
  int h = KARVO_FN(p, CreateScriptW)(source);
  ::SysFreeString(source);
  ASSERT_GT(h, 0);
  EXPECT_EQ(KARVO_FN(p, AddScriptVariant)(h, "fail", "yes"), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(h), 0);
  EXPECT_EQ(p.LastError(), u"TypeError: zły argument");
  EXPECT_EQ(KARVO_FN(p, SetScriptVariant)(h, "fail", ""), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(h), 0);
  EXPECT_EQ(p.LastError().rfind(u"ReferenceError", 0), 0u) << Ansi(p.LastError());
  EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 1);
}

TEST_F(ScriptRuns, BackgroundRunsAndTheirStatus) {
  int h = Create("var done = 'no'; pause(300); done = 'yes';");
  ASSERT_GT(h, 0);
  EXPECT_EQ(KARVO_FN(p, AddScriptFunction)(h, KARVO_SCRIPT_FN_SLEEP, "pause"), 1);
  EXPECT_EQ(KARVO_FN(p, CheckAsynchScriptStatus)(h), 0);
  EXPECT_EQ(p.LastError(), u"refhost: skrypt " + Num(h) + u" nie był uruchomiony w tle");
  EXPECT_EQ(KARVO_FN(p, ExecuteAsychScript)(h, 1), 1);
  EXPECT_EQ(KARVO_FN(p, CheckAsynchScriptStatus)(h), 0);
  EXPECT_NE(p.LastError().find(u"jest jeszcze wykonywany"), std::u16string::npos);
  EXPECT_EQ(Get(h, "done"), "<null>") << "the heap is the run's until it ends";
  EXPECT_EQ(KARVO_FN(p, ExecuteAsychScript)(h, 1), 0) << "one run at a time";
  EXPECT_NE(p.LastError().find(u"jest wykonywany"), std::u16string::npos);
  EXPECT_EQ(AwaitStatus(h), 1);
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(Get(h, "done"), "yes");

  // A run that fails in the background reports why when asked.
  EXPECT_EQ(KARVO_FN(p, SetScriptVariant)(h, "done", ""), 1);
  int bad = Create("pause(50); throw new RangeError('za daleko');");
  ASSERT_GT(bad, 0);
  EXPECT_EQ(KARVO_FN(p, AddScriptFunction)(bad, KARVO_SCRIPT_FN_SLEEP, "pause"), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteAsychScript)(bad, 0x101), 1) << "only the low byte of the flag counts";
  EXPECT_EQ(AwaitStatus(bad), 0);
  EXPECT_EQ(p.LastError(), u"RangeError: za daleko");
  // Flag 0 runs at once.
  EXPECT_EQ(KARVO_FN(p, ExecuteAsychScript)(bad, 0x100), 0);
  EXPECT_EQ(p.LastError(), u"RangeError: za daleko");
  EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 1);
  EXPECT_EQ(KARVO_FN(p, FreeScript)(bad), 1);
}

TEST_F(ScriptRuns, FreedWhileRunningInTheBackground) {
  int h = Create("for (;;) {}");
  ASSERT_GT(h, 0);
  EXPECT_EQ(KARVO_FN(p, ExecuteAsychScript)(h, 1), 1);
  ::Sleep(100);
  DWORD start = ::GetTickCount();
  EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 1);
  EXPECT_LT(::GetTickCount() - start, 3000u) << "freeing stops the run instead of waiting for its limit";
  EXPECT_EQ(KARVO_FN(p, CheckAsynchScriptStatus)(h), 0);
  EXPECT_EQ(p.LastError(), u"refhost: nieznany skrypt " + Num(h));
}

TEST_F(ScriptRuns, RunawayScriptsAreStoppedAndTheHostAnswersOn) {
  int loop = Create("var n = 0; while (true) { try { n++; } catch (e) {} }");
  ASSERT_GT(loop, 0);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(loop), 0);
  EXPECT_EQ(p.LastError(), u"refhost: przekroczono czas wykonania skryptu (5000 ms)");
  EXPECT_NE(Get(loop, "n"), "0") << "the heap survives the stop";

  int bomb = Create("var s = 'xy'; while (true) s = s + s;");
  ASSERT_GT(bomb, 0);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(bomb), 0);
  EXPECT_FALSE(p.LastError().empty());

  // Values and messages longer than the block's Data field.
  int big = Create(
      "var big = new Array(20001).join('x'); var fits = new Array(16383).join('y');"
      "if (loud) throw new Error(new Array(100000).join('!'));");
  ASSERT_GT(big, 0);
  EXPECT_EQ(KARVO_FN(p, AddScriptVariant)(big, "loud", ""), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(big), 1);
  EXPECT_EQ(Get(big, "big"), "<null>") << "a value that cannot travel whole does not travel";
  EXPECT_EQ(p.LastError(), u"Błąd pobierania wartości zmiennej !");
  EXPECT_EQ(Get(big, "fits").size(), 16382u);
  EXPECT_EQ(KARVO_FN(p, SetScriptVariant)(big, "loud", "1"), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(big), 0);
  EXPECT_EQ(p.LastError().rfind(u"Error: !!!", 0), 0u);
  EXPECT_LT(p.LastError().size(), 2100u);

  for (int h : {loop, bomb, big}) EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 1);
  int after = Create("var ok = 1;");
  EXPECT_GT(after, 0);
  EXPECT_EQ(KARVO_FN(p, FreeScript)(after), 1);
}

TEST_F(ScriptRuns, HandlesAndArgumentsTheHostNeverGaveOut) {
  for (int bad : {0, 12345, -1, -2147483647 - 1, 2147483647}) {
    EXPECT_EQ(KARVO_FN(p, ExecuteScript)(bad), 0);
    EXPECT_EQ(p.LastError(), u"refhost: nieznany skrypt " + Num(static_cast<unsigned>(bad)));
    EXPECT_EQ(KARVO_FN(p, FreeScript)(bad), 0);
    EXPECT_EQ(KARVO_FN(p, AddScriptVariant)(bad, "a", "1"), 0);
  }
  int h = Create("var a = 'x\x01y';");
  ASSERT_GT(h, 0) << "a script text with U+0001 reaches the engine whole";
  EXPECT_EQ(KARVO_FN(p, ExecuteScript)(h), 1);
  EXPECT_EQ(Get(h, "a"), "x\x01y");
  EXPECT_EQ(KARVO_FN(p, AddScriptVariant)(h, "", "1"), 0);
  EXPECT_EQ(p.LastError(), u"Błąd dodawania zmiennej");
  EXPECT_EQ(KARVO_FN(p, AddScriptVariant)(h,
                                          "b\x01"
                                          "c",
                                          "1"),
            0)
      << "a split name is refused, not misread";
  EXPECT_EQ(KARVO_FN(p, SetScriptVariant)(h, "a",
                                          "1\x01"
                                          "2"),
            0);
  EXPECT_EQ(Get(h, "a"), "x\x01y");
  EXPECT_EQ(KARVO_FN(p, AddScriptFunction)(h, 4294967295u, "f"), 0);
  EXPECT_EQ(p.LastError(), u"Błąd dodawania funkcji");
  EXPECT_EQ(KARVO_FN(p, AddScriptFunction)(h, KARVO_SCRIPT_FN_LOG, ""), 0);
  EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 1);
}

TEST_F(ScriptRuns, ThereIsABoundToLiveScriptsAndFreeingMakesRoom) {
  std::vector<int> made;
  for (int i = 0; i < 100; ++i) {
    int h = Create("var a = 1;");
    if (h == 0) break;
    made.push_back(h);
  }
  EXPECT_EQ(made.size(), 64u);
  EXPECT_EQ(p.LastError(), u"Błąd tworzenia skryptu !");
  EXPECT_EQ(KARVO_FN(p, FreeScript)(made.back()), 1);
  made.pop_back();
  int again = Create("var b = 2;");
  EXPECT_GT(again, 0);
  EXPECT_EQ(std::count(made.begin(), made.end(), again), 0) << "a number in use is never given out again";
  made.push_back(again);
  for (int h : made) EXPECT_EQ(KARVO_FN(p, FreeScript)(h), 1);
}

}  // namespace
}  // namespace karvo::test
