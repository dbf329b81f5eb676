// Call documents as a plug-in author uses them: the call's name, its inputs
// as typed values, and the answer written back into the document.
#include "XmlDemo.h"

#include <windows.h>

#include <cstdio>
#include <string>

#include "karvo.h"

namespace {

void Say(const char* what, const std::string& result) {
  const char* error = GetLastAPIError();
  std::printf("plugin: %-28s -> %s%s%s\n", what, result.c_str(), error ? "  " : "", error ? error : "");
  std::fflush(stdout);
}

// An input variable, as the document's TYPE says; the VARIANT is ours to clear.
struct Input {
  VARIANT v;
  Input(const char* document, const char* name) {
    VariantInit(&v);
    XMLGetData(&v, document, name, 1);
  }
  ~Input() { VariantClear(&v); }
};

std::string Narrow(BSTR b) {
  std::string s;
  for (UINT i = 0; b != nullptr && i < SysStringLen(b); ++i) s += b[i] < 128 ? static_cast<char>(b[i]) : '?';
  return s;
}

}  // namespace

int RunXmlDemo(const char* callDocument) {
  int failures = 0;
  const char* procedure = XMLGetProcName(callDocument);
  std::string name = procedure ? procedure : "";
  Say("XMLGetProcName", name);
  if (name.empty()) ++failures;

  Input customer(callDocument, "Klient"), quantity(callDocument, "Ilosc"), price(callDocument, "CenaGrosze");
  if (customer.v.vt != VT_BSTR || quantity.v.vt != VT_I4 || price.v.vt != VT_I4) {
    Say("XMLGetData", "inputs missing");
    return failures + 1;
  }
  Say("XMLGetData Klient", Narrow(customer.v.bstrVal));
  Say("XMLGetData Ilosc", std::to_string(quantity.v.lVal));
  Say("XMLGetData CenaGrosze", std::to_string(price.v.lVal));

  // The answer goes into the document as the output variable "Suma".
  VARIANT total;
  VariantInit(&total);
  total.vt = VT_R8;
  total.dblVal = quantity.v.lVal * price.v.lVal / 100.0;
  const char* written = XMLSetData(callDocument, "Suma", total, 2, nullptr);
  std::string answer = written ? written : "";  // the library's buffer lives only until the next text
  Say("XMLSetData Suma", answer.empty() ? "(null)" : "the document below");
  if (answer.empty()) return failures + 1;
  std::printf("%s", answer.c_str());

  VARIANT check;
  VariantInit(&check);
  XMLGetData(&check, answer.c_str(), "Suma", 2);
  bool same = check.vt == VT_R8 && check.dblVal == total.dblVal;
  Say("XMLGetData Suma", same ? "reads back the same" : "differs");
  VariantClear(&check);
  return failures + (same ? 0 : 1);
}
