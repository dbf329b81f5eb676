// How long the call document exports take: a small call as plug-ins get it,
// and a document with thousands of variables. Prints figures, asserts nothing.
#include <objbase.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "xmldoc/CallDocument.h"
#include "xmldoc/TypedValues.h"

using namespace karvo;

namespace {

template <class F>
void Measure(const char* what, int rounds, F&& body) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) body();
  double us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / rounds;
  std::printf("%-44s %10.1f us per call\n", what, us);
}

}  // namespace

int main() {
  if (FAILED(CoInitialize(nullptr))) return 1;
  const std::string small =
      "<PROCEDURE NAME=\"p\"><APIHANDLE>KARVO_1.3_1</APIHANDLE><DATAIN NAME=\"a\"><TYPE>INTEGER</TYPE>"
      "<VALUE>42</VALUE></DATAIN></PROCEDURE>";
  std::string large = "<PROCEDURE NAME=\"p\">";
  for (int i = 0; i < 3000; ++i)
    large += "<DATAIN NAME=\"v" + std::to_string(i) + "\"><TYPE>INTEGER</TYPE><VALUE>" + std::to_string(i) +
             "</VALUE></DATAIN>";
  large += "</PROCEDURE>";
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_R8;
  value.dblVal = 1.5;

  Measure("XMLGetProcName, small document", 2000, [&] { XMLGetProcName(small.c_str()); });
  Measure("XMLGetData, small document", 2000, [&] {
    VARIANT v;
    VariantInit(&v);
    XMLGetData(&v, small.c_str(), "a", 0);
    VariantClear(&v);
  });
  Measure("XMLSetData, small document", 2000, [&] { XMLSetData(small.c_str(), "b", value, 2, nullptr); });
  Measure("XMLGetData, last of 3000 variables", 20, [&] {
    VARIANT v;
    VariantInit(&v);
    XMLGetData(&v, large.c_str(), "v2999", 0);
    VariantClear(&v);
  });
  Measure("XMLSetData, 3000 variables (serialised)", 20, [&] { XMLSetData(large.c_str(), "v1", value, 0, nullptr); });
  CoUninitialize();
  return 0;
}
