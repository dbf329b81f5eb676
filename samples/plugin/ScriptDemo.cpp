// The script part of the sample plug-in: a script in the host's engine that
// gets a variable and a host function, runs, and hands its result back.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "karvo.h"
#include "karvo_host.h"

namespace {

int Check(const char* what, bool ok) {
  const char* error = GetLastAPIError();
  std::printf("plugin: %-28s -> %s%s%s\n", what, ok ? "ok" : "FAILED", error ? "  " : "", error ? error : "");
  std::fflush(stdout);
  return ok ? 0 : 1;
}

}  // namespace

// Returns the number of steps that failed.
int RunScriptDemo() {
  int failures = 0;
  int script = CreateScript(
      // Variables arrive as texts, so the script turns them into numbers.
      "var brutto = Math.round(Number(netto) * (100 + Number(stawka))) / 100;"
      "log('netto', netto, 'stawka', stawka + '%', 'brutto', brutto);");
  failures += Check("CreateScript", script != 0);
  if (script == 0) return failures;
  failures += Check("AddScriptVariant netto", AddScriptVariant(script, "netto", "250") == 1);
  failures += Check("AddScriptVariant stawka", AddScriptVariant(script, "stawka", "23") == 1);
  failures += Check("AddScriptFunction log", AddScriptFunction(script, KARVO_SCRIPT_FN_LOG, "log") == 1);
  failures += Check("ExecuteScript", ExecuteScript(script) == 1);
  const char* brutto = GetScriptVariant(script, "brutto");
  std::printf("plugin: %-28s =  %s\n", "brutto from the script", brutto ? brutto : "(none)");
  failures += Check("GetScriptVariant brutto", brutto != nullptr && std::strcmp(brutto, "307.5") == 0);
  // The same script once more in the background, asking until it is done.
  failures += Check("ExecuteAsychScript", ExecuteAsychScript(script, 1) == 1);
  unsigned char finished = 0;
  for (int i = 0; i < 200 && finished == 0; ++i) {
    finished = CheckAsynchScriptStatus(script);
    if (finished == 0) Sleep(10);
  }
  failures += Check("CheckAsynchScriptStatus", finished == 1);
  failures += Check("FreeScript", FreeScript(script) == 1);
  return failures;
}
