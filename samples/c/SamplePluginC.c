/* A plug-in in plain C89: it links with libkarvo.a (or KARVO.lib) through
 * karvo.h, opens the API with the handle its host gives it and works through
 * a list of steps. A step returns 1 when its job went well. */
#include <stdio.h>
#include <string.h>

#include "karvo.h"

static void Report(const char* what, int result) {
  const char* error = GetLastAPIError();
  printf("plugin (C): %-34s -> %d%s%s\n", what, result, error ? "  " : "", error ? error : "");
  fflush(stdout);
}

static int OpenTheApi(const char* apiText) {
  unsigned char opened = OpenAPI(apiText);
  Report("OpenAPI", opened);
  return opened == 1;
}

static int RunAStatement(const char* apiText) {
  unsigned char done = ExecuteSQL("UPDATE KONTRAHENCI SET AKTYWNY = 1 WHERE ID = 7", 0);
  (void)apiText;
  Report("ExecuteSQL", done);
  return done == 1 && GetLastAPIError() == NULL;
}

/* A refused statement leaves its reason; the plain and W forms of the last
 * error must say the same, and the BSTR is ours to free. */
static int ReadTheLastError(const char* apiText) {
  BSTR wide = NULL;
  const char* plain;
  char back[512];
  int n;
  unsigned char refused = ExecuteSQL("DELETE FROM UZYTKOWNICY", 1);
  (void)apiText;
  Report("ExecuteSQL on the system database", refused);
  plain = GetLastAPIError();
  GetLastAPIErrorW(&wide);
  n = WideCharToMultiByte(CP_ACP, 0, wide, (int)SysStringLen(wide), back, (int)sizeof back - 1, NULL, NULL);
  back[n > 0 ? n : 0] = '\0';
  SysFreeString(wide);
  return refused != 1 && plain != NULL && strcmp(plain, back) == 0;
}

/* The steps in order; a query walk, a call document and a menu item come
 * here as their exports land. */
typedef int (*SampleStep)(const char* apiText);
static const struct {
  const char* name;
  SampleStep run;
} kSteps[] = {
    {"open the API", OpenTheApi},
    {"run a statement", RunAStatement},
    {"read the last error", ReadTheLastError},
};

__declspec(dllexport) int __stdcall KarvoPluginRun(const char* apiText) {
  int failures = 0;
  size_t i;
  for (i = 0; i < sizeof kSteps / sizeof kSteps[0]; ++i) {
    int ok = kSteps[i].run(apiText);
    printf("plugin (C): step %-28s %s\n", kSteps[i].name, ok ? "ok" : "FAILED");
    fflush(stdout);
    if (!ok) {
      ++failures;
      if (i == 0) break; /* nothing works without the API */
    }
  }
  return failures;
}
