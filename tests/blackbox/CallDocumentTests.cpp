// Call documents through the DLL: header lookups, typed values in both
// directions, the API handle inside a document, and hostile input.
#include <objbase.h>

#include <string>
#include <thread>

#include "Plugin.h"
#include "ScriptedHost.h"

namespace karvo::test {
namespace {

const std::u16string kException = u"Wystąpił wyjątek!";

std::string Str(const char* s) { return s == nullptr ? std::string() : std::string(s); }

// The user locale's decimal separator, as the library reads it at load.
std::u16string DecimalSeparator() {
  wchar_t buf[8] = {};
  ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8);
  return std::u16string(1, static_cast<char16_t>(buf[0]));
}

class CallDocuments : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  void TearDown() override { ::CoUninitialize(); }

  std::string ProcName(const std::string& xml) { return Str(KARVO_FN(p, XMLGetProcName)(xml.c_str())); }
  std::string WindowName(const std::string& xml) { return Str(KARVO_FN(p, XMLGetWindowName)(xml.c_str())); }
  std::string TagText(const std::string& xml, const char* tag) {
    return Str(KARVO_FN(p, XMLGetTagText)(xml.c_str(), tag));
  }
  // XMLGetData into a fresh VARIANT the test owns.
  struct Got {
    VARIANT v;
    Got() { ::VariantInit(&v); }
    ~Got() { ::VariantClear(&v); }
    std::u16string Text() const {
      return v.vt == VT_BSTR && v.bstrVal
                 ? std::u16string(reinterpret_cast<const char16_t*>(v.bstrVal), ::SysStringLen(v.bstrVal))
                 : u"";
    }
  };
  void GetData(Got& g, const std::string& xml, const char* name, unsigned char dir = 0) {
    KARVO_FN(p, XMLGetData)(&g.v, xml.c_str(), name, dir);
  }
  std::string SetData(const std::string& xml, const char* name, VARIANT v, unsigned char dir = 0,
                      const char* section = nullptr) {
    return Str(KARVO_FN(p, XMLSetData)(xml.c_str(), name, v, dir, section));
  }
  static VARIANT R8(double d) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = d;
    return v;
  }
  static VARIANT I4(long l) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = l;
    return v;
  }

  Plugin p;
};

// ---- Header lookups ----

TEST_F(CallDocuments, ProcedureAndWindowNames) {
  std::string lower = "<procedure name=\"Kontrahenci\"/>";
  EXPECT_EQ(ProcName(lower), "Kontrahenci");
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(KARVO_FN(p, XMLGetWindowName)(lower.c_str()), nullptr);
  EXPECT_EQ(p.LastError(), u"") << "a root of the other kind is no failure";
  EXPECT_EQ(WindowName("<Window NAME=\"Okno1\"><NAME>x</NAME></Window>"), "Okno1");
  EXPECT_EQ(ProcName("<PROCEDURE Name=\"Attr\"><NAME>Child</NAME></PROCEDURE>"), "Attr");
  EXPECT_EQ(ProcName("<PROCEDURE NAME=\"\"><name>Child</name><NAME>Second</NAME></PROCEDURE>"), "Child");
  EXPECT_EQ(ProcName("<PROCEDURE name=\"first\" NAME=\"second\"/>"), "first");
  for (const char* empty : {"<PROCEDURE><NAME/></PROCEDURE>", "<PROCEDURE><NAME>   </NAME></PROCEDURE>",
                            "<PROCEDURE><NAME>\r\n\t</NAME><NAME>late</NAME></PROCEDURE>"}) {
    EXPECT_EQ(KARVO_FN(p, XMLGetProcName)(empty), nullptr) << empty;
    EXPECT_EQ(p.LastError(), u"") << empty;
  }
  // Only a to z are folded: a root "PROCEDURĘ" is not a procedure.
  EXPECT_EQ(KARVO_FN(p, XMLGetProcName)("<PROCEDUREX NAME=\"a\"/>"), nullptr);
}

TEST_F(CallDocuments, NonDocumentsAndBadNodeTextFailWithException) {
  for (const char* bad :
       {"", "not xml", "<PROCEDURE NAME=\"a\">", "<PROCEDURE/><PROCEDURE/>", "<A><B></A></B>",
        "<PROCEDURE><NAME><X/></NAME></PROCEDURE>", "<PROCEDURE><NAME>a<!--c-->b</NAME></PROCEDURE>"}) {
    EXPECT_EQ(KARVO_FN(p, XMLGetProcName)(bad), nullptr) << bad;
    EXPECT_EQ(p.LastError(), kException) << bad;
  }
  EXPECT_EQ(KARVO_FN(p, XMLGetProcName)(nullptr), nullptr);
  EXPECT_EQ(p.LastError(), kException);
  // The next call starts with an empty error again.
  EXPECT_EQ(ProcName("<PROCEDURE NAME=\"ok\"/>"), "ok");
  EXPECT_EQ(p.LastError(), u"");
}

TEST_F(CallDocuments, TagTextCutsOuterTagsAndKeepsMarkup) {
  std::string doc =
      "<PROCEDURE NAME=\"p\">\r\n  <APIHANDLE>abc</APIHANDLE>\r\n  <Opis kind=\"x\">a &amp; b</Opis>\r\n"
      "  <PUSTY/>\r\n  <LISTA>\r\n    <A x=\"1\">1</A>\r\n    <B/>\r\n  </LISTA>\r\n  <apihandle>second</apihandle>\r\n"
      "</PROCEDURE>";
  EXPECT_EQ(TagText(doc, "APIHANDLE"), "abc") << "the first of two in document order";
  EXPECT_EQ(KARVO_FN(p, XMLGetTagText)(doc.c_str(), "apihandle"), nullptr) << "keys match only in upper case";
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(TagText(doc, "OPIS"), "a &amp; b");
  EXPECT_EQ(KARVO_FN(p, XMLGetTagText)(doc.c_str(), "PUSTY"), nullptr);
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(TagText(doc, "LISTA"), "<A x=\"1\">1</A><B/>") << "no blanks between the children";
  EXPECT_EQ(KARVO_FN(p, XMLGetTagText)(doc.c_str(), "BRAK"), nullptr);
  EXPECT_EQ(p.LastError(), u"");
  EXPECT_EQ(KARVO_FN(p, XMLGetTagText)("<<", "X"), nullptr);
  EXPECT_EQ(p.LastError(), kException);
}

TEST_F(CallDocuments, TagTextBeyondTheReturnBufferAndWideNames) {
  std::string big(200000, 'x');
  std::string doc = "<PROCEDURE><DUZY>" + big + "</DUZY></PROCEDURE>";
  EXPECT_EQ(TagText(doc, "DUZY"), big);
  // Names and values outside the code page come back as the code page has them.
  std::u16string name = u"Zażółć Ω";
  std::string doc2 = Ansi(u"<WINDOW NAME=\"" + name + u"\"/>");
  EXPECT_EQ(Wide(WindowName(doc2)), ThroughCodePage(name));
  // The declared encoding is not applied: the text is the code page's.
  for (const char16_t* decl : {u"UTF-8", u"UTF-16", u"ISO-8859-2"}) {
    std::string declared =
        Ansi(u"<?xml version=\"1.0\" encoding=\"" + std::u16string(decl) + u"\"?><WINDOW NAME=\"" + name + u"\"/>");
    EXPECT_EQ(Wide(WindowName(declared)), ThroughCodePage(name)) << Ansi(decl);
  }
  // A character reference can name what no code page holds: a STRING value
  // goes through the code page, an untyped one stays as it was.
  const char* omega =
      "<PROCEDURE><DATAIN NAME=\"s\"><TYPE>STRING</TYPE><VALUE>&#937;</VALUE></DATAIN>"
      "<DATAIN NAME=\"r\"><VALUE>&#937;</VALUE></DATAIN></PROCEDURE>";
  Got s, r;
  GetData(s, omega, "s");
  GetData(r, omega, "r");
  EXPECT_EQ(s.Text(), ThroughCodePage(u"\u03A9"));
  EXPECT_NE(s.Text(), u"\u03A9");
  EXPECT_EQ(r.Text(), u"\u03A9");
}

TEST_F(CallDocuments, CountedAndWideFormsOfTheNames) {
  std::u16string doc = u"<PROCEDURE NAME=\"Faktury\"/>";
  BSTR in = ::SysAllocString(reinterpret_cast<const wchar_t*>(doc.c_str()));
  BSTR out = nullptr;
  KARVO_FN(p, XMLGetProcNameW)(&out, in);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out)), u"Faktury");
  KARVO_FN(p, XMLGetWindowNameW)(&out, in);
  EXPECT_EQ(out, nullptr) << "the empty result replaces the old text";
  ::SysFreeString(in);

  KARVO_ANSISTRING a = nullptr;
  KARVO_FN(p, GetLastAPIErrorA)(&a);  // a counted string of the library's own, empty
  EXPECT_EQ(a, nullptr);
  KARVO_ANSISTRING result = nullptr;
  KARVO_FN(p, XMLGetWindowNameA)(&result, nullptr);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(p.LastError(), kException);
}

TEST_F(CallDocuments, NamesAndStringValuesTakeTheSubstituteNotALookAlike) {
  BSTR doc = ::SysAllocString(L"<PROCEDURE name=\"Za\u017c\u00f3\u0142\u0107\"/>");
  BSTR out = nullptr;
  KARVO_FN(p, XMLGetProcNameW)(&out, doc);
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(out)),
            ByCodePage(u"Za?\u00f3??", u"Za\u017c\u00f3\u0142\u0107"));
  ::SysFreeString(out);
  ::SysFreeString(doc);
  Got g;
  GetData(g, "<PROCEDURE><DATAIN NAME=\"s\"><TYPE>STRING</TYPE><VALUE>&#x17C;&#x1F600;</VALUE></DATAIN></PROCEDURE>",
          "s");
  EXPECT_EQ(g.v.vt, VT_BSTR);
  EXPECT_EQ(g.Text(), ByCodePage(u"??", u"\u017c?")) << "a surrogate pair is one character";
  EXPECT_EQ(p.LastError(), u"");
}

TEST_F(CallDocuments, AFailedCallLeavesTheCallersVariableEmpty) {
  // A variable used again must not show the answer of an earlier call.
  BSTR doc = ::SysAllocString(L"<WINDOW>");
  BSTR out = ::SysAllocString(L"Okno poprzednie");
  KARVO_FN(p, XMLGetWindowNameW)(&out, doc);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(p.LastError(), kException);
  out = ::SysAllocString(L"Okno poprzednie");
  KARVO_FN(p, XMLGetProcNameW)(&out, doc);
  EXPECT_EQ(out, nullptr);
  ::SysFreeString(doc);

  // The old counted string's reference is given back, as for an empty result.
  CountedString bad("<PROCEDURE NAME=\"p\"", static_cast<unsigned short>(::GetACP()));
  for (auto form : {KARVO_FN(p, XMLGetProcNameA), KARVO_FN(p, XMLGetWindowNameA)}) {
    CountedString old("Procedura poprzednia", static_cast<unsigned short>(::GetACP()), 2);
    KARVO_ANSISTRING a = old.get();
    form(&a, bad.get());
    EXPECT_EQ(a, nullptr);
    EXPECT_EQ(p.LastError(), kException);
    EXPECT_EQ(old.Count(), 1);
  }
}

// ---- Typed values ----

const char* kVariables =
    "<PROCEDURE NAME=\"p\">"
    "<DATAIN NAME=\"Liczba\"><TYPE>integer</TYPE><VALUE>42</VALUE></DATAIN>"
    "<DATAIN NAME=\"Zle\"><TYPE>INTEGER</TYPE><VALUE>abc</VALUE></DATAIN>"
    "<DATAIN NAME=\"Bajt\"><TYPE>BYTE</TYPE><VALUE>300</VALUE></DATAIN>"
    "<DATAIN NAME=\"Duza\"><TYPE>INT64</TYPE><VALUE>9876543210</VALUE></DATAIN>"
    "<DATAIN NAME=\"Mala\"><TYPE>INT64</TYPE><VALUE>5</VALUE></DATAIN>"
    "<DATAIN NAME=\"Tekst\"><TYPE>VARIANT</TYPE><VALUE>abc</VALUE></DATAIN>"
    "<DATAIN NAME=\"Pusty\"><TYPE>STRING</TYPE><VALUE/></DATAIN>"
    "<DATAIN NAME=\"BezTypu\"><VALUE/></DATAIN>"
    "<DATAIN NAME=\"Goly\"><OPIS>x</OPIS></DATAIN>"
    "<DATAIN NAME=\"Nieznany\"><TYPE>UNKNOWN</TYPE><VALUE>7</VALUE></DATAIN>"
    "<DATAIN NAME=\"Slowo\"><TYPE>WORD</TYPE><VALUE>True</VALUE></DATAIN>"
    "<DATAIN NAME=\"Hex\"><TYPE>INTEGER</TYPE><VALUE>$1F</VALUE></DATAIN>"
    "<DATAIN NAME=\"Pusta\"><TYPE>EMPTY</TYPE><VALUE>cokolwiek</VALUE></DATAIN>"
    "<DATAOUT NAME=\"Wynik\"><TYPE>STRING</TYPE><VALUE>out</VALUE></DATAOUT>"
    "<DATAOUT NAME=\"Oba\"><TYPE>STRING</TYPE><VALUE>pierwszy</VALUE></DATAOUT>"
    "<DATAIN NAME=\"Oba\"><TYPE>STRING</TYPE><VALUE>drugi</VALUE></DATAIN>"
    "</PROCEDURE>";

TEST_F(CallDocuments, GetDataConvertsAsTypeSays) {
  {
    Got g;
    GetData(g, kVariables, "Liczba");
    EXPECT_EQ(g.v.vt, VT_I4);
    EXPECT_EQ(g.v.lVal, 42);
    EXPECT_EQ(p.LastError(), u"");
  }
  {
    Got g;
    GetData(g, kVariables, "Zle");
    EXPECT_EQ(g.v.vt, VT_BSTR);
    EXPECT_EQ(g.Text(), u"abc");
    EXPECT_EQ(p.LastError(), u"Błąd konwersji typu : INTEGER");
  }
  {
    Got g;
    GetData(g, kVariables, "Bajt");
    EXPECT_EQ(g.Text(), u"300");
    EXPECT_EQ(p.LastError(), u"Błąd konwersji typu : BYTE");
  }
  {
    Got g;
    GetData(g, kVariables, "Duza");
    EXPECT_EQ(g.v.vt, VT_I8);
    EXPECT_EQ(g.v.llVal, 9876543210LL);
    Got h;
    GetData(h, kVariables, "Mala");
    EXPECT_EQ(h.v.vt, VT_I4);
    EXPECT_EQ(h.v.lVal, 5);
  }
  {
    Got g;
    GetData(g, kVariables, "Tekst");
    EXPECT_EQ(g.Text(), u"abc");
    EXPECT_EQ(p.LastError(), u"Błąd konwersji typu : VARIANT");
  }
  {
    Got g;
    GetData(g, kVariables, "Pusty");
    EXPECT_EQ(g.v.vt, VT_NULL);
    EXPECT_EQ(p.LastError(), u"Błąd konwersji typu : STRING");
    Got h;
    GetData(h, kVariables, "BezTypu");
    EXPECT_EQ(h.v.vt, VT_NULL);
    EXPECT_EQ(p.LastError(), u"");
  }
  {
    Got g;
    GetData(g, kVariables, "Goly");
    EXPECT_EQ(g.v.vt, VT_BSTR);
    EXPECT_EQ(g.Text(), u"");
    EXPECT_EQ(p.LastError(), u"Brak zmiennej : Goly");
  }
  {
    Got g;
    GetData(g, kVariables, "Nieznany");
    EXPECT_EQ(g.Text(), u"7") << "an unknown type name leaves the text as it is";
    EXPECT_EQ(p.LastError(), u"");
    Got h;
    GetData(h, kVariables, "Slowo");
    EXPECT_EQ(h.v.vt, VT_I4);
    EXPECT_EQ(h.v.lVal, 1) << "the Boolean reading";
    Got x;
    GetData(x, kVariables, "Hex");
    EXPECT_EQ(x.v.vt, VT_I4);
    EXPECT_EQ(x.v.lVal, 31);
    Got e;
    GetData(e, kVariables, "Pusta");
    EXPECT_EQ(e.v.vt, VT_EMPTY);
  }
}

TEST_F(CallDocuments, GetDataFindsByExactNameAndDirection) {
  Got g;
  GetData(g, kVariables, "Wynik", 1);
  EXPECT_EQ(g.v.vt, VT_NULL);
  EXPECT_EQ(p.LastError(), u"Brak zmiennej : Wynik");
  GetData(g, kVariables, "Wynik", 2);
  EXPECT_EQ(g.Text(), u"out");
  GetData(g, kVariables, "Liczba", 3);
  EXPECT_EQ(g.v.vt, VT_NULL) << "direction 3 finds nothing";
  GetData(g, kVariables, "Liczba", 0x102 & 0xFF);
  EXPECT_EQ(g.v.vt, VT_NULL);
  GetData(g, kVariables, "LICZBA");
  EXPECT_EQ(p.LastError(), u"Brak zmiennej : LICZBA");
  GetData(g, kVariables, "Oba");
  EXPECT_EQ(g.Text(), u"pierwszy") << "the first in the document, whatever its direction";
  GetData(g, "<OTHER><DATAIN NAME=\"a\"><VALUE>1</VALUE></DATAIN></OTHER>", "a");
  EXPECT_EQ(g.v.vt, VT_NULL);
  EXPECT_EQ(p.LastError(), u"Brak zmiennej : a");
  // The old value is released first, and stays null on a failure.
  GetData(g, kVariables, "Wynik");
  ASSERT_EQ(g.v.vt, VT_BSTR);
  GetData(g, "<broken", "Wynik");
  EXPECT_EQ(g.v.vt, VT_NULL);
  EXPECT_EQ(p.LastError(), kException);
  KARVO_FN(p, XMLGetData)(nullptr, kVariables, "Liczba", 0);
  EXPECT_EQ(p.LastError(), kException);
}

TEST_F(CallDocuments, SetDataFloatFollowsTheLocaleAndReadsBack) {
  std::string out = SetData("<PROCEDURE NAME=\"p\"/>", "Kwota", R8(1.5));
  std::string sep = Ansi(DecimalSeparator());
  EXPECT_EQ(out, "<PROCEDURE NAME=\"p\"><DATAOUT NAME=\"Kwota\"><TYPE>FLOAT</TYPE><VALUE>1" + sep +
                     "5</VALUE></DATAOUT></PROCEDURE>\r\n");
  if (::GetACP() == 1250) EXPECT_EQ(sep, ",");
  if (::GetACP() == 1252) EXPECT_EQ(sep, ".");
  Got g;
  GetData(g, out, "Kwota");
  EXPECT_EQ(g.v.vt, VT_R8);
  EXPECT_EQ(g.v.dblVal, 1.5);
  EXPECT_EQ(p.LastError(), u"");
}

TEST_F(CallDocuments, SetDataTypeAndValueTexts) {
  const std::string doc = "<WINDOW NAME=\"w\"/>";
  auto valueOf = [&](VARIANT v) {
    std::string out = SetData(doc, "x", v);
    std::size_t a = out.find("<TYPE>"), b = out.find("</DATAOUT>");
    return a == std::string::npos || b == std::string::npos ? out : out.substr(a, b - a);
  };
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BOOL;
  v.boolVal = VARIANT_TRUE;
  EXPECT_EQ(valueOf(v), "<TYPE>VARIANT</TYPE><VALUE>true</VALUE>");
  v.boolVal = VARIANT_FALSE;
  EXPECT_EQ(valueOf(v), "<TYPE>VARIANT</TYPE><VALUE>false</VALUE>");
  EXPECT_EQ(valueOf(I4(-17)), "<TYPE>INTEGER</TYPE><VALUE>-17</VALUE>");
  v.vt = VT_I8;
  v.llVal = -9000000000LL;
  EXPECT_EQ(valueOf(v), "<TYPE>INT64</TYPE><VALUE>-9000000000</VALUE>");
  v.vt = VT_UI1;
  v.bVal = 200;
  EXPECT_EQ(valueOf(v), "<TYPE>CHAR</TYPE><VALUE>200</VALUE>");
  v.vt = VT_NULL;
  EXPECT_EQ(valueOf(v), "<TYPE>Null</TYPE><VALUE/>");
  v.vt = VT_EMPTY;
  EXPECT_EQ(valueOf(v), "<TYPE>Empty</TYPE><VALUE/>");
  EXPECT_EQ(valueOf(R8(1e15)), "<TYPE>FLOAT</TYPE><VALUE>1E15</VALUE>");
  // A string with markup characters is escaped, and the caller's BSTR stays.
  BSTR s = ::SysAllocString(L"a<b & \"c\"");
  v.vt = VT_BSTR;
  v.bstrVal = s;
  EXPECT_EQ(valueOf(v), "<TYPE>VARIANT</TYPE><VALUE>a&lt;b &amp; \"c\"</VALUE>");
  EXPECT_EQ(std::wstring(s), L"a<b & \"c\"");
  VARIANT ref;
  ::VariantInit(&ref);
  ref.vt = VT_BYREF | VT_BSTR;
  ref.pbstrVal = &s;
  EXPECT_EQ(valueOf(ref), "<TYPE>BYREF OLESTR</TYPE><VALUE>a&lt;b &amp; \"c\"</VALUE>");
  EXPECT_EQ(std::wstring(s), L"a<b & \"c\"");
  ::SysFreeString(s);
  VARIANT_BOOL flag = VARIANT_TRUE;
  ref.vt = VT_BYREF | VT_BOOL;
  ref.pboolVal = &flag;
  BSTR platformTrue = nullptr;
  ::VarBstrFromBool(VARIANT_TRUE, LOCALE_USER_DEFAULT, 0, &platformTrue);
  EXPECT_EQ(Wide(valueOf(ref)), u"<TYPE>BYREF BOOLEAN</TYPE><VALUE>" +
                                    std::u16string(reinterpret_cast<const char16_t*>(platformTrue)) + u"</VALUE>");
  ::SysFreeString(platformTrue);
}

TEST_F(CallDocuments, SetDataUpdatesInPlaceOrAppends) {
  const std::string doc =
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<PROCEDURE NAME=\"p\">\n"
      "  <DATAIN NAME=\"a\">\n    <OPIS>keep</OPIS>\n    <TYPE>STRING</TYPE>\n    <VALUE>old</VALUE>\n  </DATAIN>\n"
      "  <DATAOUT NAME=\"b\"><VALUE>v</VALUE></DATAOUT>\n</PROCEDURE>\n<!-- koniec -->";
  std::string updated = SetData(doc, "a", I4(5), 0);
  EXPECT_EQ(updated,
            "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<PROCEDURE NAME=\"p\"><DATAIN NAME=\"a\"><OPIS>keep"
            "</OPIS><TYPE>INTEGER</TYPE><VALUE>5</VALUE></DATAIN><DATAOUT NAME=\"b\"><VALUE>v</VALUE></DATAOUT>"
            "</PROCEDURE>\r\n<!-- koniec -->\r\n");
  // A missing TYPE is not created.
  std::string b = SetData(doc, "b", I4(6), 2);
  EXPECT_NE(b.find("<DATAOUT NAME=\"b\"><VALUE>6</VALUE></DATAOUT>"), std::string::npos) << b;
  // Direction 1 does not touch the DATAOUT "b" and appends a DATAIN.
  std::string in = SetData(doc, "b", I4(7), 1);
  EXPECT_NE(in.find("<DATAOUT NAME=\"b\"><VALUE>v</VALUE></DATAOUT><DATAIN NAME=\"b\"><TYPE>INTEGER</TYPE><VALUE>7"
                    "</VALUE></DATAIN></PROCEDURE>"),
            std::string::npos)
      << in;
  EXPECT_NE(SetData(doc, "nowa", I4(1), 0).find("<DATAOUT NAME=\"nowa\">"), std::string::npos);
  EXPECT_NE(SetData(doc, "nowa", I4(1), 9).find("<DATAOUT NAME=\"nowa\">"), std::string::npos);
  // Every line break is CR LF, the last line included.
  for (std::size_t i = 0; i < updated.size(); ++i)
    if (updated[i] == '\n') EXPECT_EQ(updated[i - 1], '\r');
  EXPECT_EQ(updated.substr(updated.size() - 2), "\r\n");
}

TEST_F(CallDocuments, SetDataWritesTabsAndLineBreaksOfAttributesAsReferences) {
  std::string out = SetData("<PROCEDURE/>", "a\tb", I4(5), 1);
  EXPECT_EQ(out, "<PROCEDURE><DATAIN NAME=\"a&#9;b\"><TYPE>INTEGER</TYPE><VALUE>5</VALUE></DATAIN></PROCEDURE>\r\n");
  Got g;
  GetData(g, out, "a\tb", 1);
  EXPECT_EQ(g.v.vt, VT_I4);
  EXPECT_EQ(g.v.lVal, 5);
  EXPECT_EQ(p.LastError(), u"");

  // Attributes of the input read back as they were, and no line of the
  // text breaks inside a tag.
  const std::string in =
      "<PROCEDURE name=\"a&#13;&#10;b&#9;c\"><DATAIN NAME=\"x&#10;y\"><TYPE>INTEGER</TYPE><VALUE>1</VALUE></DATAIN>"
      "</PROCEDURE>";
  out = SetData(in, "z", I4(2), 1);
  EXPECT_EQ(ProcName(out), "a\r\nb\tc");
  Got x;
  GetData(x, out, "x\ny", 1);
  EXPECT_EQ(x.v.vt, VT_I4);
  EXPECT_EQ(x.v.lVal, 1);
  EXPECT_EQ(out.find('\n'), out.size() - 1) << out;
}

TEST_F(CallDocuments, SetDataRefusesWhatXmlCannotHold) {
  auto set = KARVO_FN(p, XMLSetData);
  EXPECT_EQ(set("<PROCEDURE/>", "a\x01", I4(5), 1, nullptr), nullptr) << "a control character in the name";
  EXPECT_EQ(p.LastError(), kException);
  VARIANT v;
  ::VariantInit(&v);
  v.vt = VT_BSTR;
  for (const std::wstring& text : {std::wstring(L"a\0b", 3), std::wstring(L"a\x01")}) {
    v.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    EXPECT_EQ(set("<PROCEDURE/>", "v", v, 1, nullptr), nullptr) << "a NUL or a control character in the value";
    EXPECT_EQ(p.LastError(), kException);
    // Also where the variable exists already.
    EXPECT_EQ(set("<PROCEDURE><DATAIN NAME=\"v\"><VALUE/></DATAIN></PROCEDURE>", "v", v, 1, nullptr), nullptr);
    EXPECT_EQ(p.LastError(), kException);
    ::SysFreeString(v.bstrVal);
  }
  v.bstrVal = ::SysAllocString(L"tab\there");
  EXPECT_NE(set("<PROCEDURE/>", "v", v, 1, nullptr), nullptr) << "a tab is text like any other";
  ::SysFreeString(v.bstrVal);
}

TEST_F(CallDocuments, SetDataSectionsAndRoots) {
  const std::string doc = "<ROOT><WINDOW NAME=\"w1\"/><window NAME=\"w2\"><DATAIN NAME=\"x\"/></window></ROOT>";
  std::string out = SetData(doc, "v", I4(3), 1, "w2");
  EXPECT_EQ(out,
            "<ROOT><WINDOW NAME=\"w1\"/><window NAME=\"w2\"><DATAIN NAME=\"x\"/><DATAIN NAME=\"v\"><TYPE>INTEGER</TYPE>"
            "<VALUE>3</VALUE></DATAIN></window></ROOT>\r\n");
  EXPECT_EQ(KARVO_FN(p, XMLSetData)(doc.c_str(), "v", I4(3), 1, "w3"), nullptr) << "no section: the root";
  EXPECT_EQ(p.LastError(), u"Niepoprawne parametry wejściowe - brak procedury lub okna");
  EXPECT_EQ(KARVO_FN(p, XMLSetData)(doc.c_str(), "v", I4(3), 1, nullptr), nullptr);
  EXPECT_EQ(p.LastError(), u"Niepoprawne parametry wejściowe - brak procedury lub okna");
  EXPECT_EQ(SetData("<WINDOW/>", "v", I4(3)),
            "<WINDOW><DATAOUT NAME=\"v\"><TYPE>INTEGER</TYPE><VALUE>3</VALUE>"
            "</DATAOUT></WINDOW>\r\n");
  EXPECT_EQ(KARVO_FN(p, XMLSetData)("", "v", I4(3), 1, nullptr), nullptr);
  EXPECT_EQ(p.LastError(), kException);
  // A prefix is part of the name, so "k:PROCEDURE" is no call element; in a
  // default namespace the new elements join the target's namespace.
  EXPECT_EQ(KARVO_FN(p, XMLSetData)("<k:PROCEDURE xmlns:k=\"urn:k\"/>", "v", I4(1), 0, nullptr), nullptr);
  EXPECT_EQ(p.LastError(), u"Niepoprawne parametry wejściowe - brak procedury lub okna");
  std::string ns = SetData("<PROCEDURE xmlns=\"urn:karvo\" xmlns:k=\"urn:k\"><k:X/></PROCEDURE>", "v", I4(1));
  EXPECT_EQ(ns.rfind("<PROCEDURE xmlns=\"urn:karvo\"", 0), 0u) << ns;
  EXPECT_NE(ns.find("<DATAOUT NAME=\"v\"><TYPE>INTEGER</TYPE><VALUE>1</VALUE></DATAOUT></PROCEDURE>\r\n"),
            std::string::npos)
      << ns;
  // Some engines list only the first declaration of an element; the
  // serialiser then declares the prefix where it is used, once.
  std::size_t k = ns.find("xmlns:k=\"urn:k\"");
  EXPECT_NE(k, std::string::npos) << ns;
  EXPECT_EQ(ns.find("xmlns:k=", k + 1), std::string::npos) << ns;
  Got g;
  GetData(g, ns, "v");
  EXPECT_EQ(g.v.vt, VT_I4);
}

// Every type word, with a zeroed payload and with the flag bits: a text or
// code 252, and no crash.
TEST_F(CallDocuments, SetDataSurvivesEveryTypeWord) {
  auto set = KARVO_FN(p, XMLSetData);
  int texts = 0, refused = 0;
  for (unsigned base = 0; base < 0x50; ++base) {
    for (unsigned flags : {0u, 0x1000u, 0x2000u, 0x4000u, 0x6000u, 0x8000u}) {
      VARIANT v;
      ::VariantInit(&v);
      v.vt = static_cast<VARTYPE>(base | flags);
      const char* out = set("<PROCEDURE/>", "v", v, 0, nullptr);
      if (out != nullptr) {
        ++texts;
        EXPECT_EQ(p.LastError(), u"");
      } else {
        ++refused;
        EXPECT_EQ(p.LastError(), kException) << std::hex << v.vt;
      }
    }
  }
  for (VARTYPE garbage : {0x0FFF, 0x7777, 0xFFFF, 0x1234}) {
    VARIANT v;
    ::VariantInit(&v);
    v.vt = garbage;
    v.llVal = 0x1122334455667788LL;
    EXPECT_EQ(set("<PROCEDURE/>", "v", v, 0, nullptr), nullptr);
    EXPECT_EQ(p.LastError(), kException);
  }
  EXPECT_GT(texts, 10);
  EXPECT_GT(refused, 10);
  // An array has a type name but no text.
  SAFEARRAY* arr = ::SafeArrayCreateVector(VT_I4, 0, 3);
  VARIANT a;
  ::VariantInit(&a);
  a.vt = VT_ARRAY | VT_I4;
  a.parray = arr;
  EXPECT_EQ(set("<PROCEDURE/>", "v", a, 0, nullptr), nullptr);
  EXPECT_EQ(p.LastError(), kException);
  EXPECT_EQ(::SafeArrayDestroy(arr), S_OK) << "the caller's array stays the caller's";
}

TEST_F(CallDocuments, LargeDocumentRoundTrip) {
  std::string doc = "<PROCEDURE NAME=\"p\">";
  for (int i = 0; i < 3000; ++i)
    doc += "<DATAIN NAME=\"v" + std::to_string(i) + "\"><TYPE>INTEGER</TYPE><VALUE>" + std::to_string(i) +
           "</VALUE></DATAIN>";
  doc += "</PROCEDURE>";
  std::string out = SetData(doc, "v2999", I4(-1), 1);
  ASSERT_GT(out.size(), 65536u);
  Got g;
  GetData(g, out, "v2999", 1);
  EXPECT_EQ(g.v.vt, VT_I4);
  EXPECT_EQ(g.v.lVal, -1);
  GetData(g, out, "v1500", 1);
  EXPECT_EQ(g.v.lVal, 1500);
}

// ---- Hostile documents ----

TEST_F(CallDocuments, DocumentTypesAndEntitiesAreRefused) {
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE PROCEDURE [<!ENTITY l0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  laughs += "]><PROCEDURE NAME=\"&l9;\"/>";
  char path[MAX_PATH];
  ::GetTempPathA(MAX_PATH, path);
  std::string secret = std::string(path) + "karvo_entity_secret.txt";
  {
    HANDLE f = ::CreateFileA(secret.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n = 0;
    ::WriteFile(f, "TAJNE", 5, &n, nullptr);
    ::CloseHandle(f);
  }
  std::string external = "<!DOCTYPE PROCEDURE [<!ENTITY e SYSTEM \"file:///" + secret +
                         "\">]><PROCEDURE NAME=\"&e;\"><APIHANDLE>&e;</APIHANDLE></PROCEDURE>";
  for (const std::string& doc : {laughs, external, std::string("<!-- c --><!DOCTYPE PROCEDURE><PROCEDURE NAME=\"a\"/>"),
                                 std::string("<!DOCTYPE PROCEDURE SYSTEM \"http://127.0.0.1:9/x.dtd\"><PROCEDURE/>")}) {
    EXPECT_EQ(KARVO_FN(p, XMLGetProcName)(doc.c_str()), nullptr);
    EXPECT_EQ(p.LastError(), kException);
    EXPECT_EQ(KARVO_FN(p, XMLGetTagText)(doc.c_str(), "APIHANDLE"), nullptr);
    EXPECT_EQ(KARVO_FN(p, XMLSetData)(doc.c_str(), "v", I4(1), 0, nullptr), nullptr);
    EXPECT_EQ(p.LastError(), kException);
  }
  ::DeleteFileA(secret.c_str());
  // An entity that no declaration defines does not parse either.
  EXPECT_EQ(KARVO_FN(p, XMLGetProcName)("<PROCEDURE NAME=\"&e;\"/>"), nullptr);
  EXPECT_EQ(p.LastError(), kException);
}

TEST_F(CallDocuments, DeepNestingIsRefusedOrWrittenWithoutRecursion) {
  auto nested = [](int depth) {
    std::string s = "<PROCEDURE><G>";
    for (int i = 0; i < depth; ++i) s += "<a>";
    for (int i = 0; i < depth; ++i) s += "</a>";
    return s + "</G></PROCEDURE>";
  };
  std::string markup = TagText(nested(200), "G");
  EXPECT_EQ(markup.size(), 200u * 3 + 199u * 4 + 1u) << "the innermost is written <a/>";
  EXPECT_EQ(KARVO_FN(p, XMLGetTagText)(nested(100000).c_str(), "G"), nullptr);
  EXPECT_EQ(p.LastError(), kException);
}

TEST_F(CallDocuments, WithoutComOnTheThreadEveryCallFails) {
  std::u16string procError, setError, dataError;
  const char* proc = "x";
  const char* set = "x";
  std::thread t([&] {
    proc = KARVO_FN(p, XMLGetProcName)("<PROCEDURE NAME=\"a\"/>");
    procError = p.LastError();
    set = KARVO_FN(p, XMLSetData)("<PROCEDURE/>", "v", I4(1), 0, nullptr);
    setError = p.LastError();
    VARIANT v;
    ::VariantInit(&v);
    KARVO_FN(p, XMLGetData)(&v, "<PROCEDURE/>", "v", 0);
    dataError = p.LastError();
  });
  t.join();
  EXPECT_EQ(proc, nullptr);
  EXPECT_EQ(procError, kException);
  EXPECT_EQ(set, nullptr);
  EXPECT_EQ(setError, kException);
  EXPECT_EQ(dataError, kException);
}

// ---- The API handle in a call document ----

class HandleInDocument : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr))); }
  void TearDown() override { ::CoUninitialize(); }
  ScriptedHost host;
  bool Opens(const std::string& doc) {
    Plugin fresh;
    unsigned char r = KARVO_FN(fresh, OpenAPI)(doc.c_str());
    error = fresh.LastError();
    if (r == 1) EXPECT_EQ(KARVO_FN(fresh, ExecuteSQL)("SELECT 1", 0), 1) << "attached to the host";
    return r == 1;
  }
  std::u16string error;
};

TEST_F(HandleInDocument, HeaderFieldThenVariable) {
  const std::string h = host.ApiHandle();
  EXPECT_TRUE(Opens("<Anything><ApiHandle>" + h + "</ApiHandle></Anything>"));
  EXPECT_EQ(error, u"");
  EXPECT_TRUE(Opens("<PROCEDURE><APIHANDLE/><DATAIN NAME=\"APIHANDLE\"><TYPE>STRING</TYPE><VALUE>" + h +
                    "</VALUE></DATAIN></PROCEDURE>"));
  EXPECT_TRUE(Opens("<PROCEDURE><APIHANDLE>" + h +
                    "</APIHANDLE><DATAIN NAME=\"APIHANDLE\"><VALUE>KARVO_1.3_1"
                    "</VALUE></DATAIN></PROCEDURE>"))
      << "the header field wins";
  EXPECT_FALSE(Opens("<PROCEDURE><DATAIN NAME=\"apihandle\"><VALUE>" + h + "</VALUE></DATAIN></PROCEDURE>"));
  EXPECT_EQ(error, u"Błąd inicjalizacji API!");
  EXPECT_FALSE(Opens("<OTHER><DATAIN NAME=\"APIHANDLE\"><VALUE>" + h + "</VALUE></DATAIN></OTHER>"));
  EXPECT_EQ(error, u"Błąd inicjalizacji API!");
  EXPECT_FALSE(Opens("<PROCEDURE/>"));
  EXPECT_EQ(error, u"Błąd inicjalizacji API!");
  EXPECT_FALSE(Opens("<PROCEDURE><APIHANDLE><X>" + h + "</X></APIHANDLE></PROCEDURE>"));
  EXPECT_EQ(error, kException);
  // The variable is read as XMLGetData reads it, which catches its own
  // failure and yields no value.
  EXPECT_FALSE(Opens("<PROCEDURE><DATAIN NAME=\"APIHANDLE\"><VALUE><X/></VALUE></DATAIN></PROCEDURE>"));
  EXPECT_EQ(error, u"Błąd inicjalizacji API!");
  EXPECT_FALSE(Opens("<PROCEDURE><APIHANDLE>" + h));
  EXPECT_EQ(error, kException);
}

TEST_F(HandleInDocument, WideFormCarriesTheDocument) {
  std::string doc = "<WINDOW NAME=\"Okno\"><APIHANDLE>" + host.ApiHandle() + "</APIHANDLE></WINDOW>";
  std::u16string wide(doc.begin(), doc.end());
  BSTR b = ::SysAllocString(reinterpret_cast<const wchar_t*>(wide.c_str()));
  Plugin p;
  EXPECT_EQ(KARVO_FN(p, OpenAPIW)(b), 1);
  ::SysFreeString(b);
}

}  // namespace
}  // namespace karvo::test
