/* KarvoTestKit.dll's C interface on what a careless test hands it: unknown
 * handles and kit objects, null texts, a plug-in that is missing or has no
 * entry point. Every call returns its failure value; none crashes. */
#include <stdio.h>
#include <wchar.h>

#include "karvo_testkit.h"

static int failures;

static void Check(int ok, const char* what) {
  printf("%s  %s\n", ok ? "ok    " : "FAILED", what);
  if (!ok) ++failures;
}

int main(void) {
  KARVO_KIT model = KarvoKitModelCreate();
  KARVO_KIT host = KarvoKitHostCreate();
  BSTR text = SysAllocString(L"held before");
  unsigned int query;

  Check(KarvoKitAddChild(model, 0x999, 0x998) == 0, "a child of an unknown object");
  Check(KarvoKitAddProperty(model, 0x999, L"P", L"T", KARVO_KIT_tkInteger, L"1") == 0, "a property of one");
  Check(KarvoKitPropertyText(&text, model, 0x999, L"P") == 0, "the property of an unknown object");
  Check(KarvoKitMenuItemCount(model, 0x999) == -1 && KarvoKitMenuItem(model, 0x999, 0) == 0, "its menu items");
  Check(KarvoKitActionRuns(model, 0x999) == -1 && KarvoKitBitmapLoads(&text, model, 0x999) == -1, "its action");
  Check(KarvoKitAddRow(model, 0x4444, L"1") == 0 && KarvoKitQueryRecord(model, 0x4444) == -1, "an unknown query");

  KarvoKitAddObject(model, 0x100, L"TForm", NULL);
  Check(KarvoKitAddProperty(model, 0x100, L"Caption", NULL, KARVO_KIT_tkUString, NULL) == 1, "null texts are empty");
  Check(KarvoKitPropertyText(&text, model, 0x100, L"Caption") == 1 && text == NULL,
        "an empty text comes out as null, and the BSTR held before is freed");
  KarvoKitAddProperty(model, 0x100, L"Tag", NULL, KARVO_KIT_tkInteger, L"-7");
  KarvoKitAddProperty(model, 0x100, L"Width", NULL, KARVO_KIT_tkFloat, L"2.5");
  Check(KarvoKitPropertyText(&text, model, 0x100, L"Tag") == 1 && wcscmp(text, L"-7") == 0, "an integer reads back");
  Check(KarvoKitPropertyText(&text, model, 0x100, L"Width") == 1 && wcscmp(text, L"2.5") == 0, "a float reads back");
  Check(KarvoKitMenuItem(model, 0x100, 3) == 0 && KarvoKitMenuItemCount(model, 0x100) == 0, "no items");
  query = KarvoKitAddQuery(model, L"A\tB");
  Check(query >= 0x4000 && KarvoKitAddRow(model, query, L"1\t2") == 1 && KarvoKitQueryRecord(model, query) == 1,
        "a data source numbered from 0x4000");

  Check(
      KarvoKitRequestCount(NULL) == 0 && KarvoKitAddObject(NULL, 1, L"T", L"N") == 0 && KarvoKitSessionReady(NULL) == 0,
      "a null kit object fails the call");
  KarvoKitAnswerCode(NULL, NULL, NULL, NULL, 1, NULL);
  KarvoKitHostSetState(NULL, 1);
  Check(KarvoKitRequestText(&text, host, 0, KARVO_KIT_SQL) == 0 && text == NULL, "no request 0 yet");
  Check(KarvoKitRequestText(&text, host, 0, 7) == 0, "no part 7");
  Check(KarvoKitRunPlugin(&text, L"NoSuchPlugin.dll", L"x") == -1 && text == NULL, "a plug-in that is missing");
  Check(KarvoKitRunPlugin(&text, L"KarvoTestKit.dll", L"x") == -1, "a DLL without KarvoPluginRun");

  SysFreeString(text);
  KarvoKitHostFree(host);
  KarvoKitModelFree(model);
  KarvoKitHostFree(NULL);
  KarvoKitModelFree(NULL);
  KarvoKitSessionClose(NULL);
  printf("%s\n", failures == 0 ? "all checks passed" : "some checks FAILED");
  return failures;
}
