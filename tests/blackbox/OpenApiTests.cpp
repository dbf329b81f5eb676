// Opening the API and the last error, through the DLL.
#include <cstring>

#include "Plugin.h"
#include "ScriptedHost.h"

namespace karvo::test {
namespace {

const std::u16string kException = u"Wystąpił wyjątek!";
const std::u16string kInitFailed = u"Błąd inicjalizacji API!";

TEST(OpenApi, BareHandleOpensAndSecondCallSaysAlreadyOpen) {
  ScriptedHost host;
  Plugin p;
  auto open = KARVO_FN(p, OpenAPI);
  EXPECT_EQ(open(host.ApiHandle().c_str()), 1);
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(KARVO_FN(p, GetLastAPIError)(), nullptr) << "no error reads as null";
  EXPECT_EQ(open("KARVO_1.3_nothing"), 1);
  EXPECT_EQ(p.LastError(), u"Mechanizm API był już zainicjalizowany!");
  // The first attachment stays: a request reaches the host.
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("SELECT 1", 0), 1);
  EXPECT_EQ(host.RequestCount(), 1u);
}

TEST(OpenApi, UnknownHandleFailsThenRetrySucceeds) {
  ScriptedHost host;
  Plugin p;
  auto open = KARVO_FN(p, OpenAPI);
  EXPECT_EQ(open("KARVO_1.3_999999999"), 0);
  EXPECT_EQ(p.LastError(), kInitFailed);
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("SELECT 1", 0), 2) << "a failed attach leaves no service";
  EXPECT_EQ(p.LastError(), u"Nie wykryto usługi API!");
  EXPECT_EQ(open(host.ApiHandle().c_str()), 1);
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("SELECT 1", 0), 1);
}

TEST(OpenApi, EmptyNullShortAndLowerCaseTextsFail) {
  Plugin p;
  auto open = KARVO_FN(p, OpenAPI);
  for (const char* text : {static_cast<const char*>(nullptr), "", "KARV", "karvo_1.3_1234", "<PROCEDURE/>"}) {
    EXPECT_EQ(open(text), 0) << (text ? text : "(null)");
    EXPECT_EQ(p.LastError(), kException) << (text ? text : "(null)");
  }
}

TEST(OpenApi, WideAndCountedFormsPassAsciiHandleUnchanged) {
  ScriptedHost host;
  {
    Plugin p;
    std::string handle = host.ApiHandle();
    std::u16string wide(handle.begin(), handle.end());
    BSTR b = ::SysAllocString(reinterpret_cast<const wchar_t*>(wide.c_str()));
    EXPECT_EQ(KARVO_FN(p, OpenAPIW)(b), 1);
    ::SysFreeString(b);
  }
  {
    Plugin p;
    EXPECT_EQ(KARVO_FN(p, OpenAPIW)(nullptr), 0);
    EXPECT_EQ(p.LastError(), kException);
    // A counted string made by the library itself, through GetLastAPIErrorA.
    KARVO_ANSISTRING s = nullptr;
    KARVO_FN(p, GetLastAPIErrorA)(&s);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(Wide(s), ThroughCodePage(kException));
    EXPECT_EQ(*reinterpret_cast<const int*>(s - 4), static_cast<int>(std::strlen(s)));
    EXPECT_EQ(*reinterpret_cast<const unsigned short*>(s - 12), ::GetACP());
    EXPECT_EQ(*reinterpret_cast<const int*>(s - 8), 1);
    // Handing it back as an argument works, and the library gives its
    // reference back at the end of the call.
    EXPECT_EQ(KARVO_FN(p, OpenAPIA)(s), 0);
    EXPECT_EQ(*reinterpret_cast<const int*>(s - 8), 1);
    KARVO_FN(p, GetLastAPIErrorA)(&s);  // replaces and frees the old one
    ASSERT_NE(s, nullptr);
    BSTR none = nullptr;
    KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str());
    KARVO_FN(p, GetLastAPIErrorA)(&s);
    EXPECT_EQ(s, nullptr) << "no error gives the empty (null) string";
    KARVO_FN(p, GetLastAPIErrorW)(&none);
    EXPECT_EQ(none, nullptr);
  }
}

TEST(OpenApi, LastErrorForms) {
  Plugin p;
  KARVO_FN(p, OpenAPI)("");
  EXPECT_EQ(Wide(KARVO_FN(p, GetLastAPIError)()), ThroughCodePage(kException));
  EXPECT_EQ(p.LastError(), kException) << "the W form carries the Polish letters with no 8-bit step";
  EXPECT_EQ(p.LastError(), kException) << "reading does not clear";
}

}  // namespace
}  // namespace karvo::test
