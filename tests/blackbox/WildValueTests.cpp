// Wild values through the exports, in the plug-in's own process: references
// to nowhere, texts longer than their memory, array descriptors that lead
// nowhere, counted strings whose length runs past their end. Each is a
// failed conversion with the export's own failure, never a fault in the
// process and never a value sent on to the host.
#include <objbase.h>

#include <string>

#include "Plugin.h"
#include "ScriptedHost.h"
#include "WildMemory.h"

namespace karvo::test {
namespace {

const std::u16string kException = u"Wystąpił wyjątek!";
const std::u16string kChangeFailed = u"Błąd przy zmianie właściwości objektu!";
const char* const kCall =
    "<PROCEDURE NAME=\"P\"><DATAIN NAME=\"A\"><TYPE>INTEGER</TYPE><VALUE>1</VALUE></DATAIN></PROCEDURE>";

KARVO_HANDLE H(std::uint32_t h) { return reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(h)); }

class WildValues : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    ASSERT_TRUE(page.Ready());
    ASSERT_EQ(KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str()), 1);
    // A host that takes everything: whatever reached it would count as done.
    host.Always(Answer::Verdict(true, u""));
  }
  void TearDown() override { ::CoUninitialize(); }

  // Every wild VARIANT of the kinds a plug-in gets wrong, with its name.
  std::vector<std::pair<std::string, VARIANT>> WildVariants() {
    return {
        {"BYREF I4 at 0xDEAD0000", Typed(VT_BYREF | VT_I4, Wild())},
        {"BYREF BSTR at 0xDEAD0000", Typed(VT_BYREF | VT_BSTR, Wild())},
        {"BYREF VARIANT at 0xDEAD0000", Typed(VT_BYREF | VT_VARIANT, Wild())},
        {"BYREF ARRAY at 0xDEAD0000", Typed(VT_BYREF | VT_ARRAY | VT_I4, Wild())},
        {"BYREF UNKNOWN at 0xDEAD0000", Typed(VT_BYREF | VT_UNKNOWN, Wild())},
        {"BYREF DECIMAL at 0xDEAD0000", Typed(VT_BYREF | VT_DECIMAL, Wild())},
        {"BYREF I4 at 0x10", Typed(VT_BYREF | VT_I4, NearNull())},
        {"BYREF BSTR holding a wild BSTR", Typed(VT_BYREF | VT_BSTR, &wildBstr)},
        {"BSTR at 0xDEAD0000", Typed(VT_BSTR, Wild())},
        {"BSTR longer than its memory", Typed(VT_BSTR, BstrClaiming(page, 0x40000000))},
        {"ARRAY descriptor at 0xDEAD0000", Typed(VT_ARRAY | VT_I4, Wild())},
        {"ARRAY whose data is at 0xDEAD0000", Typed(VT_ARRAY | VT_I4, &wildData)},
        {"UNKNOWN at 0xDEAD0000", Typed(VT_UNKNOWN, Wild())},
    };
  }

  EdgePage page;
  BSTR wildBstr = static_cast<BSTR>(Wild());
  // A SAFEARRAY descriptor of ten 4-byte elements, laid out as a caller
  // would, whose data pointer leads nowhere.
  struct {
    USHORT cDims = 1, fFeatures = 0;
    ULONG cbElements = 4, cLocks = 0;
    void* pvData = Wild();
    SAFEARRAYBOUND bound = {10, 0};
  } wildData;
  ScriptedHost host;
  Plugin p;
};

TEST_F(WildValues, SetDataRefusesEveryWildValueWithCode252) {
  for (auto& [name, v] : WildVariants()) {
    const char* r = KARVO_FN(p, XMLSetData)(kCall, "A", v, 0, nullptr);
    EXPECT_EQ(r, nullptr) << name;
    EXPECT_EQ(p.LastError(), kException) << name;
  }
  // The same export still writes a sound value, by reference too.
  LONG n = 42;
  std::string done = KARVO_FN(p, XMLSetData)(kCall, "A", Typed(VT_BYREF | VT_I4, &n), 0, nullptr);
  EXPECT_NE(done.find("<TYPE>BYREF INTEGER</TYPE><VALUE>42</VALUE>"), std::string::npos) << done;
  // A sound array is copied whole: a byte array's text is its bytes.
  SAFEARRAY* bytes = ::SafeArrayCreateVector(VT_UI1, 0, 4);
  ASSERT_NE(bytes, nullptr);
  std::memcpy(bytes->pvData, "O\0K\0", 4);
  done = KARVO_FN(p, XMLSetData)(kCall, "A", Typed(VT_ARRAY | VT_UI1, bytes), 0, nullptr);
  EXPECT_NE(done.find("<TYPE>ARRAY BYTE</TYPE><VALUE>OK</VALUE>"), std::string::npos) << done;
  ::SafeArrayDestroy(bytes);
}

TEST_F(WildValues, SetPropertyThroughTheHostSendsNothingItCouldNotRead) {
  // No model: the direct attempt fails and the value would go to the host.
  for (auto& [name, v] : WildVariants()) {
    EXPECT_EQ(KARVO_FN(p, SetProperty)(H(0x1234), "Caption", v), 0) << name;
    EXPECT_EQ(p.LastError(), kChangeFailed) << name;
  }
  EXPECT_EQ(host.RequestCount(), 0u) << "no wild value was sent as a value";
  LONG n = 7;
  EXPECT_EQ(KARVO_FN(p, SetProperty)(H(0x1234), "Caption", Typed(VT_BYREF | VT_I4, &n)), 1);
  ASSERT_EQ(host.RequestCount(), 1u);
  EXPECT_EQ(host.Requests()[0].Data,
            u"4660\x0001"
            u"Caption\x0001"
            u"7");
}

TEST_F(WildValues, CountedStringsLongerThanTheirMemoryAreRefused) {
  // A length too large to hold, and one small enough to hold but not to read.
  for (std::int32_t length : {0x40000000, 0x10000}) {
    char* runaway = AnsiStringClaiming(page, length);
    EXPECT_EQ(KARVO_FN(p, CreateScriptA)(runaway), 0) << length;
    EXPECT_EQ(p.LastError(), kException);
    EXPECT_EQ(KARVO_FN(p, ExecuteSQLA)(runaway, 0), 0) << length;
    EXPECT_EQ(p.LastError(), kException);
    EXPECT_EQ(KARVO_FN(p, SetScriptVariantA)(1, runaway, nullptr), 0) << length;
    EXPECT_EQ(p.LastError(), kException);
  }
  EXPECT_EQ(host.RequestCount(), 0u);
  // The same bytes with their true length go through.
  char* sound = AnsiStringClaiming(page, 3);
  host.Always(Answer::Verdict(true, u"5"));
  EXPECT_EQ(KARVO_FN(p, CreateScriptA)(sound), 5);
  ASSERT_EQ(host.RequestCount(), 1u);
  EXPECT_EQ(host.Requests()[0].Data, u"abc");
}

TEST_F(WildValues, WideTextsWithAWildLengthPrefixAreRefused) {
  for (std::uint32_t bytes : {0x40000000u, 0x10000u}) {
    BSTR runaway = BstrClaiming(page, bytes);
    EXPECT_EQ(KARVO_FN(p, CreateScriptW)(runaway), 0) << bytes;
    EXPECT_EQ(p.LastError(), kException);
    EXPECT_EQ(KARVO_FN(p, OpenAPIW)(runaway), 0) << bytes;
    EXPECT_EQ(p.LastError(), kException);
  }
  EXPECT_EQ(host.RequestCount(), 0u);
  BSTR sound = BstrClaiming(page, 4);
  host.Always(Answer::Verdict(true, u"9"));
  EXPECT_EQ(KARVO_FN(p, CreateScriptW)(sound), 9);
  ASSERT_EQ(host.RequestCount(), 1u);
  EXPECT_EQ(host.Requests()[0].Data, u"ab");
}

TEST_F(WildValues, AResultVariantThatWasNeverInitialisedIsOverwrittenNotFollowed) {
  const std::string call =
      "<PROCEDURE NAME=\"P\"><DATAIN NAME=\"A\"><TYPE>STRING</TYPE><VALUE>tekst</VALUE></DATAIN></PROCEDURE>";
  VARIANT out = Typed(VT_BSTR, Wild());  // stack garbage that looks like a text
  KARVO_FN(p, XMLGetData)(&out, call.c_str(), "A", 0);
  ASSERT_EQ(out.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out.bstrVal)), u"tekst");
  ::VariantClear(&out);
  out = Typed(VT_UNKNOWN, NearNull());
  host.Always(Answer::Verdict(true, u"z hosta"));
  KARVO_FN(p, GetProperty)(&out, H(0x1234), "Caption");
  ASSERT_EQ(out.vt, VT_BSTR);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out.bstrVal)), u"z hosta");
  ::VariantClear(&out);
}

TEST_F(WildValues, AnObjectModelThatCannotBeReadIsRefused) {
  EXPECT_EQ(KARVO_FN(p, KarvoInstallObjectModel)(Wild()), 0);
  EXPECT_EQ(p.LastError(), kException);
  // A table whose header claims more than its memory holds.
  struct {
    unsigned Size, Version;
    void* Context;
  } header = {4096, 1, nullptr};
  EXPECT_EQ(KARVO_FN(p, KarvoInstallObjectModel)(page.PutAtEnd(&header, sizeof header)), 0);
  EXPECT_EQ(p.LastError(), kException);
}

}  // namespace
}  // namespace karvo::test
