// Hostile call documents through the document exports: entity bombs,
// external entities, a 50 MB document, nesting 100,000 deep and texts that
// are no valid text. Each ends with code 252 or the export's own result,
// with memory bounded by the document's size and everything given back.
// Run as a test of its own, so that its memory is measured alone.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ExportCalls.h"
#include "ProcessUsage.h"
#include "conversions/VariantText.h"
#include "link/ApiError.h"
#include "link/ProcessState.h"
#include "messages/Messages.h"
#include "uKARVO/Exports.h"
#include "xmldoc/CallDocumentText.h"

namespace karvo::test {
namespace {

constexpr std::size_t kMB = 1024 * 1024;

VARIANT I4(LONG n) {
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = n;
  return v;
}

class HostileDocuments : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    ResetProcessState();
    ReadRegionalSettings();
    seam = std::make_unique<FaultSeam>();  // counts what is taken, fails nothing
  }
  void TearDown() override {
    ResetProcessState();
    for (const auto& [kind, n] : seam->Outstanding()) ADD_FAILURE() << n << " " << KindName(kind) << " not given back";
    EXPECT_EQ(seam->ReleaseEngineObjects(), 0) << "XML engine objects still held";
    for (const std::string& p : seam->TakeProblems()) ADD_FAILURE() << p;
    seam.reset();
    ::CoUninitialize();
  }
  static std::u16string Error() { return LastAPIError(); }

  // Every document export refuses the text with code 252.
  void ExpectRefused(const std::string& doc, const char* what) {
    SCOPED_TRACE(what);
    EXPECT_EQ(::XMLGetProcName(doc.c_str()), nullptr);
    EXPECT_EQ(Error(), msg::kException);
    EXPECT_EQ(::XMLGetWindowName(doc.c_str()), nullptr);
    EXPECT_EQ(Error(), msg::kException);
    EXPECT_EQ(::XMLGetTagText(doc.c_str(), "DATAIN"), nullptr);
    EXPECT_EQ(Error(), msg::kException);
    VARIANT v = I4(5);
    ::XMLGetData(&v, doc.c_str(), "v", 0);
    EXPECT_EQ(v.vt, VT_NULL);
    EXPECT_EQ(Error(), msg::kException);
    EXPECT_EQ(::XMLSetData(doc.c_str(), "v", I4(1), 0, nullptr), nullptr);
    EXPECT_EQ(Error(), msg::kException);
    State().APIInitialized = false;
    EXPECT_EQ(::OpenAPI(doc.c_str()), 0);
    EXPECT_EQ(Error(), msg::kException);
  }

  std::unique_ptr<FaultSeam> seam;
};

std::string Laughs(int levels, int fanout, const std::string& prolog = "<?xml version=\"1.0\"?>\n") {
  std::string s = prolog + "<!DOCTYPE PROCEDURE [<!ENTITY l0 \"ha\">";
  for (int i = 1; i <= levels; ++i) {
    s += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < fanout; ++k) s += "&l" + std::to_string(i - 1) + ";";
    s += "\">";
  }
  return s + "]><PROCEDURE NAME=\"&l" + std::to_string(levels) + ";\"><DATAIN NAME=\"v\"><VALUE>&l" +
         std::to_string(levels) + ";</VALUE></DATAIN></PROCEDURE>";
}

TEST_F(HostileDocuments, EntityExpansionIsRefusedBeforeItStarts) {
  PeakPrivateBytes peak;
  ExpectRefused(Laughs(9, 10), "a billion laughs");
  ExpectRefused(Laughs(9, 10, "\xEF\xBB\xBF<?xml version=\"1.0\"?>"), "after a byte order mark");
  ExpectRefused(Laughs(9, 10, "<?xml version=\"1.0\"?><!-- x --><?pi x?>\r\n"), "after a comment and a PI");
  // Quadratic blow-up: one large entity used many times.
  std::string big(50000, 'a');
  std::string quadratic = "<!DOCTYPE PROCEDURE [<!ENTITY a \"" + big + "\">]><PROCEDURE NAME=\"x\"><DATAIN NAME=\"v\">";
  for (int i = 0; i < 20000; ++i) quadratic += "&a;";
  ExpectRefused(quadratic + "</DATAIN></PROCEDURE>", "quadratic blow-up");
  ExpectRefused("<!DOCTYPE PROCEDURE [<!ENTITY % p \"<!ENTITY l '&#38;#x41;'>\"> %p;]><PROCEDURE NAME=\"&l;\"/>",
                "parameter entities");
  // Nothing was expanded: the memory is what the texts take.
  EXPECT_LT(peak.Peak() - peak.Start(), 64 * kMB);
}

TEST_F(HostileDocuments, ExternalEntitiesAreNeverFetched) {
  char dir[MAX_PATH];
  ::GetTempPathA(MAX_PATH, dir);
  const std::string secret = std::string(dir) + "karvo_hostile_secret.txt";
  HANDLE f = ::CreateFileA(secret.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  ::WriteFile(f, "TAJNE", 5, &n, nullptr);
  ::CloseHandle(f);
  const std::string url = "file:///" + secret;
  ExpectRefused("<!DOCTYPE PROCEDURE [<!ENTITY e SYSTEM \"" + url + "\">]><PROCEDURE NAME=\"&e;\"/>", "SYSTEM");
  ExpectRefused("<!DOCTYPE PROCEDURE [<!ENTITY e PUBLIC \"-//x//y\" \"" + url + "\">]><PROCEDURE NAME=\"&e;\"/>",
                "PUBLIC");
  ExpectRefused("<!DOCTYPE PROCEDURE [<!ENTITY % e SYSTEM \"" + url + "\"> %e;]><PROCEDURE NAME=\"a\"/>",
                "a parameter entity");
  ExpectRefused("<!DOCTYPE PROCEDURE SYSTEM \"" + url + "\"><PROCEDURE NAME=\"a\"/>", "an external subset");
  ExpectRefused("<!DOCTYPE PROCEDURE SYSTEM \"http://127.0.0.1:9/karvo.dtd\"><PROCEDURE NAME=\"a\"/>", "over the net");

  // Without a document type the engine has nothing to fetch with: an
  // XInclude element and a style sheet instruction stay markup.
  const std::string include =
      "<?xml-stylesheet href=\"" + url +
      "\"?><PROCEDURE NAME=\"p\" xmlns:xi=\"http://www.w3.org/2001/XInclude\"><OKNO><xi:include "
      "href=\"" +
      url + "\" parse=\"text\"/></OKNO></PROCEDURE>";
  const char* tag = ::XMLGetTagText(include.c_str(), "OKNO");
  ASSERT_NE(tag, nullptr) << std::string(FromAnsi(::GetLastAPIError()).begin(), FromAnsi(::GetLastAPIError()).end());
  EXPECT_NE(std::string(tag).find("xi:include"), std::string::npos);
  EXPECT_EQ(std::string(tag).find("TAJNE"), std::string::npos);
  const char* set = ::XMLSetData(include.c_str(), "v", I4(1), 1, nullptr);
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(std::string(set).find("TAJNE"), std::string::npos);
  ::DeleteFileA(secret.c_str());
}

TEST_F(HostileDocuments, NestingHundredThousandDeepIsRefused) {
  std::string deep = "<PROCEDURE NAME=\"p\"><DATAIN NAME=\"v\"><VALUE>";
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  for (int i = 0; i < 100000; ++i) deep += "</a>";
  deep += "</VALUE></DATAIN></PROCEDURE>";
  PeakPrivateBytes peak;
  ExpectRefused(deep, "elements");
  std::string wrapped = "<PROCEDURE NAME=\"p\">";
  for (int i = 0; i < 100000; ++i) wrapped += "<DATAIN NAME=\"v\">";
  for (int i = 0; i < 100000; ++i) wrapped += "</DATAIN>";
  ExpectRefused(wrapped + "</PROCEDURE>", "variables in variables");
  EXPECT_LT(peak.Peak() - peak.Start(), 64 * kMB);
}

// Small elements, each a variable: the engine's tree is what grows.
std::string Wide(std::size_t bytes, std::size_t& variables) {
  std::string doc = "<PROCEDURE NAME=\"Szeroki\">";
  variables = 0;
  while (doc.size() + 96 < bytes) doc += "<DATAIN NAME=\"v" + std::to_string(variables++) + "\"/>";
  return doc + "<DATAIN NAME=\"ostatni\"><VALUE>koniec</VALUE></DATAIN></PROCEDURE>";
}

TEST_F(HostileDocuments, FiftyMegabytesAreRefusedUnread) {
  std::string value = "<PROCEDURE NAME=\"Du\xBFy\"><DATAIN NAME=\"v\"><TYPE>STRING</TYPE><VALUE>";
  value.resize(value.size() + 50 * kMB, 'x');
  value += "</VALUE></DATAIN></PROCEDURE>";
  std::size_t variables = 0;
  const std::string wide = Wide(50 * kMB, variables);
  PeakPrivateBytes peak;
  ExpectRefused(value, "one value of 50 MB");
  ExpectRefused(wide, "50 MB of variables");
  // Decoded to UTF-16 (twice over by OpenAPI, which reads a bare handle
  // first), never parsed.
  EXPECT_LT(peak.Peak() - peak.Start(), 5 * 50 * kMB);
}

TEST_F(HostileDocuments, TheLongestDocumentTakesMemoryInProportion) {
  std::size_t variables = 0;
  const std::string doc = Wide(kMaxCallDocumentUnits, variables);
  ASSERT_LE(doc.size(), kMaxCallDocumentUnits);
  PeakPrivateBytes peak;
  VARIANT v = I4(0);
  ::XMLGetData(&v, doc.c_str(), "ostatni", 1);
  ASSERT_EQ(v.vt, VT_BSTR) << Utf8(Error());
  EXPECT_EQ(std::u16string(AsUtf16(v.bstrVal)), u"koniec");
  Sys().VariantClear(&v);
  const std::size_t growth = peak.Peak() - peak.Start();
  std::printf("[hostile documents] %zu variables in %zu bytes: peak growth %zu MB\n", variables, doc.size(),
              growth / kMB);
  EXPECT_LT(growth, 48 * doc.size());
  // One unit more is refused.
  std::string longer = "<PROCEDURE NAME=\"a\"/>";
  longer.resize(kMaxCallDocumentUnits + 1, ' ');
  ExpectRefused(longer, "one unit too long");
}

TEST_F(HostileDocuments, TextsThatAreNoValidTextEndCleanly) {
  // Refused: what the engine cannot take as a document.
  ExpectRefused("\xEF\xBB\xBF<PROCEDURE NAME=\"a\"/>", "a UTF-8 byte order mark read as 8-bit text");
  ExpectRefused(std::string("<\0P\0R\0O\0C\0", 10), "UTF-16 bytes through the 8-bit form");
  ExpectRefused(std::string("<PROCEDURE NAME=\"a\0b\"/>", 23), "a NUL inside the text");
  for (const char* ref : {"&#0;", "&#xD800;", "&#x110000;", "&#xFFFE;", "&#99999999999;"})
    ExpectRefused(std::string("<PROCEDURE NAME=\"") + ref + "\"/>", ref);

  // Bytes the code page leaves undefined come back as they went, or the
  // document is refused; nothing in between.
  const std::string undefined = "<PROCEDURE NAME=\"\x81\x90\x98\x9D\"/>";
  const char* r = ::XMLGetProcName(undefined.c_str());
  if (r != nullptr)
    EXPECT_STREQ(r, "\x81\x90\x98\x9D");
  else
    EXPECT_EQ(Error(), msg::kException);
  // A declared encoding is not applied to a text already decoded.
  for (const char* enc : {"UTF-8", "UTF-16", "x-nieznane"}) {
    std::string d = std::string("<?xml version=\"1.0\" encoding=\"") + enc + "\"?><PROCEDURE NAME=\"\xB3\xF3\"/>";
    r = ::XMLGetProcName(d.c_str());
    if (r != nullptr)
      EXPECT_EQ(FromAnsi(r), FromAnsi("\xB3\xF3")) << enc;
    else
      EXPECT_EQ(Error(), msg::kException) << enc;
  }
  // Lone surrogates through the W form reach the 8-bit step as the code
  // page's substitute character.
  BstrArg lone(
      u"<PROCEDURE NAME=\"a\xD800"
      u"b\xDC00\"/>");
  BSTR out = nullptr;
  ::XMLGetProcNameW(&out, lone.get());
  if (out != nullptr) {
    EXPECT_EQ(std::u16string(AsUtf16(out), ::SysStringLen(out)).size(), 4u);
    Sys().SysFreeString(out);
  } else {
    EXPECT_EQ(Error(), msg::kException);
  }
}

}  // namespace
}  // namespace karvo::test
