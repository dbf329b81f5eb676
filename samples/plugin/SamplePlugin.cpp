// A plug-in as an author writes one: it gets its call document, with the
// API handle in it, from its host, opens the API and uses the host through
// KARVO.DLL.
#include <windows.h>

#include <cstdio>

#include "ObjectsDemo.h"
#include "SqlDemo.h"
#include "XmlDemo.h"
#include "karvo.h"

int RunScriptDemo();

namespace {

void Report(const char* what, int result) {
  const char* error = GetLastAPIError();
  std::printf("plugin: %-28s -> %d%s%s\n", what, result, error ? "  " : "", error ? error : "");
  std::fflush(stdout);
}

}  // namespace

int RunFieldsDemo();

extern "C" __declspec(dllexport) int __stdcall KarvoPluginRun(const char* apiText) {
  int failures = 0;
  unsigned char opened = OpenAPI(apiText);
  Report("OpenAPI", opened);
  if (opened != 1) return 1;
  unsigned char again = OpenAPI(apiText);
  Report("OpenAPI again", again);

  failures += RunSqlDemo();
  failures += RunFieldsDemo();
  failures += RunScriptDemo();
  failures += RunXmlDemo(apiText);
  failures += RunObjectsDemo();
  return failures;
}
