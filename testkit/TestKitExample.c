/* How a plug-in author tests a plug-in in C without the real host, through
 * KarvoTestKit.dll. Here it drives the C sample plug-in: the scripted host
 * answers its requests, test objects stand for the host's main form, menu
 * and bitmap, a test data set for its goods, and each case checks what the
 * plug-in did to them. Point it at your own DLL the same way.
 *   TestKitExampleC [plugin.dll]
 * Run it where KARVO.DLL and KarvoTestKit.dll are (bin/ of the release). */
#include <stdio.h>
#include <string.h>
#include <wchar.h>

#include "karvo_testkit.h"

static int passed, failed;

static void Expect(int ok, const char* what) {
  printf("%s  %s\n", ok ? "ok    " : "FAILED", what);
  fflush(stdout);
  if (ok)
    ++passed;
  else
    ++failed;
}

/* The host's objects as the sample plug-in meets them: the main form with
 * its main menu, and the menu item with a bitmap that ADD_CONTROL hands out. */
#define FORM 0x100u
#define MENU 0x110u
#define ROOT_ITEM 0x111u
#define NEW_ITEM 0x120u
#define BITMAP 0x121u

static KARVO_KIT HostObjects(void) {
  KARVO_KIT model = KarvoKitModelCreate();
  KarvoKitAddObject(model, FORM, L"TMainForm", L"MainForm");
  KarvoKitAddProperty(model, FORM, L"Menu", L"TMainMenu", KARVO_KIT_tkClass, L"272"); /* MENU */
  KarvoKitAddObject(model, MENU, L"TMainMenu", L"MainMenu1");
  KarvoKitSetMenuRoot(model, MENU, ROOT_ITEM);
  KarvoKitAddObject(model, ROOT_ITEM, L"TMenuItem", NULL);
  KarvoKitAddObject(model, NEW_ITEM, L"TMenuItem", NULL);
  KarvoKitAddProperty(model, NEW_ITEM, L"Bitmap", L"TBitmap", KARVO_KIT_tkClass, L"289"); /* BITMAP */
  KarvoKitAddObject(model, BITMAP, L"TBitmap", NULL);
  KarvoKitBitmapLoadable(model, BITMAP, L"PLUGINLOGO");
  return model;
}

/* The goods: three records, Polish letters as escapes (C89 source is ASCII). */
static unsigned int Goods(KARVO_KIT model) {
  unsigned int goods = KarvoKitAddQuery(model, L"ID\tNAZWA\tSTAN");
  KarvoKitAddRow(model, goods, L"1\tM\x0105ka \x017cytnia\t120");
  KarvoKitAddRow(model, goods, L"2\tKasza gryczana\t0");
  KarvoKitAddRow(model, goods, L"3\tOlej rzepakowy\t48");
  return goods;
}

/* A host that does what the plug-in asks: statements run (reply code 1, the
 * kit's answer when no rule matches), the query opens on the test data set,
 * the main form is found and a menu item made. Rules added before these
 * answer first. */
static void ServeAll(KARVO_KIT host, unsigned int goods) {
  KarvoKitAnswerPointer(host, L"OPEN_QUERY_SQL", NULL, NULL, 1, goods);
  KarvoKitAnswerVerdict(host, L"_PROC_", L"GetControl", L"0\x01MainForm", 1, L"256"); /* FORM */
  KarvoKitAnswerVerdict(host, L"_PROC_", L"GetControl", NULL, 0, L"nie ma takiej kontrolki");
  KarvoKitAnswerPointer(host, L"ADD_CONTROL", NULL, NULL, 1, NEW_ITEM);
}

static BSTR TheOrder(KARVO_KIT host, const WCHAR* inputs) {
  BSTR api = NULL, call = NULL;
  KarvoKitHostApiHandle(&api, host);
  KarvoKitCallDocument(&call, L"WycenZamowienie", api, inputs);
  SysFreeString(api);
  return call;
}

static const WCHAR kOrder[] = L"Klient\tSTRING\tNowak\nIlosc\tINTEGER\t4\nCenaGrosze\tINTEGER\t250";

/* One case: a host, the test objects, a session, the plug-in run. */
typedef struct {
  KARVO_KIT host, model, session;
  unsigned int goods;
  BSTR answer;
  int rc;
} Case;

static void Open(Case* c) {
  c->host = KarvoKitHostCreate();
  c->model = HostObjects();
  c->goods = Goods(c->model);
  c->session = NULL;
  c->answer = NULL;
  c->rc = -2;
}

static void Run(Case* c, const WCHAR* plugin, const WCHAR* inputs) {
  BSTR call = TheOrder(c->host, inputs);
  c->session = KarvoKitSessionOpen(c->model, NULL);
  c->rc = KarvoKitRunPlugin(&c->answer, plugin, call);
  SysFreeString(call);
}

static void Close(Case* c) {
  KarvoKitSessionClose(c->session);
  KarvoKitModelFree(c->model);
  KarvoKitHostFree(c->host);
  SysFreeString(c->answer);
}

int main(int argc, char** argv) {
  WCHAR plugin[MAX_PATH];
  Case c;
  BSTR loads = NULL;
  MultiByteToWideChar(CP_ACP, 0, argc > 1 ? argv[1] : "SamplePluginC.dll", -1, plugin, MAX_PATH);

  /* Everything the plug-in needs is there: every step goes well. */
  Open(&c);
  ServeAll(c.host, c.goods);
  Run(&c, plugin, kOrder);
  Expect(KarvoKitSessionReady(c.session), "KARVO.DLL loaded with the test model installed");
  Expect(c.rc == 0, "a full host: every step succeeds");
  Expect(KarvoKitCountRequests(c.host, L"EXECUTE_SQL", NULL, NULL) == 1, "the statement reached the host");
  Expect(KarvoKitCountRequests(c.host, L"OPEN_QUERY_SQL", L"SELECT ID, NAZWA, STAN FROM TOWARY", NULL) == 1,
         "the query reached the host");
  Expect(KarvoKitCountRequests(c.host, L"CLOSE_QUERY_SQL", NULL, NULL) == 1, "and was closed");
  Expect(KarvoKitQueryCalls(c.model, c.goods, L"FieldText") > 0, "the rows were read from the test data set");
  Expect(KarvoKitCountRequests(c.host, L"ADD_CONTROL", NULL, L"TMenuItem;") == 1,
         "the menu item was asked of the host");
  Expect(KarvoKitBitmapLoads(&loads, c.model, BITMAP) == 1 && loads != NULL && wcscmp(loads, L"PLUGINLOGO") == 0,
         "the plug-in's bitmap was loaded into the item");
  Expect(KarvoKitMenuItemCount(c.model, ROOT_ITEM) == 1 && KarvoKitMenuItem(c.model, ROOT_ITEM, 0) == NEW_ITEM,
         "the item is in the main menu");
  Expect(c.answer != NULL && wcsstr(c.answer, L"NAME=\"WartoscGrosze\"") != NULL && wcsstr(c.answer, L">1000<") != NULL,
         "the answered call document holds the order's value, 4 x 250");
  SysFreeString(loads);
  Close(&c);

  /* The host refuses the statement with a message of its own (code 250). */
  Open(&c);
  KarvoKitAnswerCode(c.host, L"EXECUTE_SQL", NULL, NULL, 250, L"tabela KONTRAHENCI jest zablokowana");
  ServeAll(c.host, c.goods);
  Run(&c, plugin, kOrder);
  Expect(c.rc == 1, "a refused statement: the plug-in reports that one step");
  Expect(KarvoKitCountRequests(c.host, L"CLOSE_QUERY_SQL", NULL, NULL) == 1 &&
             KarvoKitCountRequests(c.host, L"ADD_CONTROL", NULL, NULL) == 1,
         "and goes on with the others");
  Close(&c);

  /* The data set goes away under the walk: the plug-in must notice. */
  Open(&c);
  KarvoKitQueryFailAfter(c.model, c.goods, L"FieldText", 2);
  ServeAll(c.host, c.goods);
  Run(&c, plugin, kOrder);
  Expect(c.rc == 1, "a data set that fails under the walk: the plug-in reports the stock step");
  Expect(KarvoKitCountRequests(c.host, L"CLOSE_QUERY_SQL", NULL, NULL) == 1, "and still closes its query");
  Close(&c);

  /* A call without the order's quantity cannot be answered. */
  Open(&c);
  ServeAll(c.host, c.goods);
  Run(&c, plugin, L"CenaGrosze\tINTEGER\t250");
  Expect(c.rc == 1, "a call without its quantity: the plug-in reports it");
  Expect(KarvoKitMenuItemCount(c.model, ROOT_ITEM) == 1, "and its other steps still went well");
  Close(&c);

  /* No service behind the block: the plug-in must not hang or crash. */
  Open(&c);
  KarvoKitHostSetState(c.host, KARVO_KIT_NO_SERVICE);
  Run(&c, plugin, kOrder);
  Expect(c.rc > 0, "a block without service: clean failures");
  Expect(KarvoKitRequestCount(c.host) == 0, "and no request reached the host");
  Close(&c);

  printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
