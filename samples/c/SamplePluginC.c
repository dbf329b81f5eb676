/* A plug-in in plain C89: it links with libkarvo.a (or KARVO.lib) through
 * karvo.h. Its host calls KarvoPluginRun with a call document that carries
 * the API handle; the plug-in opens the API with it, prices the order the
 * document asks about, reports the stock of goods from the host's database
 * and puts its own item, with its own bitmap, into the host's main menu.
 * It works through a list of steps; a step returns 1 when its job went
 * well, and every step checks what it got rather than trusting a result
 * code alone. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "karvo.h"

static HINSTANCE thisModule;
/* The answered call document, the plug-in's own copy: KarvoPluginAnswer
 * hands it to the host after KarvoPluginRun. */
static char* answer;

static void Report(const char* what, int result) {
  const char* error = GetLastAPIError();
  printf("plugin (C): %-34s -> %d%s%s\n", what, result, error ? "  " : "", error ? error : "");
  fflush(stdout);
}

static int OpenTheApi(const char* callDocument) {
  /* OpenAPI takes the bare handle or a call document that carries it. */
  unsigned char opened = OpenAPI(callDocument);
  Report("OpenAPI", opened);
  return opened == 1;
}

static int RunAStatement(const char* callDocument) {
  unsigned char done = ExecuteSQL("UPDATE KONTRAHENCI SET AKTYWNY = 1 WHERE ID = 7", 0);
  (void)callDocument;
  Report("ExecuteSQL", done);
  return done == 1 && GetLastAPIError() == NULL;
}

/* A refused statement leaves its reason; the plain and W forms of the last
 * error must say the same, and the BSTR is ours to free. KARVO.DLL encodes
 * without best fit (what the code page lacks becomes its substitute
 * character, never a look-alike), so the W text is encoded the same way. */
static int ReadTheLastError(const char* callDocument) {
  BSTR wide = NULL;
  const char* plain;
  char back[512];
  int n;
  unsigned char refused = ExecuteSQL("DELETE FROM UZYTKOWNICY", 1);
  (void)callDocument;
  Report("ExecuteSQL on the system database", refused);
  plain = GetLastAPIError();
  GetLastAPIErrorW(&wide);
  n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, (int)SysStringLen(wide), back, (int)sizeof back - 1, NULL,
                          NULL);
  back[n > 0 ? n : 0] = '\0';
  SysFreeString(wide);
  return refused != 1 && plain != NULL && strcmp(plain, back) == 0;
}

/* The stock report: every good walked with the cursor, the ones out of
 * stock counted, then the same rows exported as delimited text. The export
 * must hold the header and, row by row, the identifiers the walk read. */
#define MAX_GOODS 64
static const char kHeader[] = "\"ID\";\"NAZWA\";\"STAN\";";
static int ReportTheStock(const char* callDocument) {
  char ids[MAX_GOODS][16];
  int rows = 0, outOfStock = 0, ok = 1, i;
  long units = 0;
  const char* text;
  const char* at;
  unsigned char closed;
  KARVO_HANDLE q = OpenQuerySQL("SELECT ID, NAZWA, STAN FROM TOWARY ORDER BY ID", 0);
  (void)callDocument;
  Report("OpenQuerySQL TOWARY", q != NULL);
  if (q == NULL) return 0;
  /* EofSQL answers 1 on a failure, so the loop ends on one; the bound
   * keeps the plug-in's own table safe whatever the host says. */
  for (FirstSQL(q); !EofSQL(q) && rows < MAX_GOODS; NextSQL(q)) {
    const char* id = FieldByNameSQL(q, "ID");
    const char* stock;
    /* A text result lives until the next one: copy it before asking again. */
    sprintf(ids[rows], "%.15s", id ? id : "");
    stock = FieldByNameSQL(q, "stan");
    if (ids[rows][0] == '\0' || stock == NULL) ok = 0;
    if (stock != NULL) {
      units += atol(stock);
      if (strcmp(stock, "0") == 0) ++outOfStock;
    }
    ++rows;
  }
  printf("plugin (C): %d goods, %ld units in stock, %d out of stock\n", rows, units, outOfStock);
  Report("rows walked", rows);
  ok = ok && rows > 0 && rows < MAX_GOODS && GetLastAPIError() == NULL;

  /* The export is KARVO.DLL's buffer, and so is the last error: check the
   * text before Report asks for the message. Exporting up to the last row
   * says that fewer rows were there than wanted; the rows are all in. */
  text = GetCSVQuerySQL(q, 0, rows, 1);
  at = text;
  if (at == NULL || strncmp(at, kHeader, strlen(kHeader)) != 0) ok = 0;
  for (i = 0; ok && i < rows; ++i) {
    /* Every row follows LF CR and begins with its identifier. */
    char start[24];
    at = strstr(at, "\n\r");
    sprintf(start, "\n\r\"%s\";", ids[i]);
    if (at == NULL || strncmp(at, start, strlen(start)) != 0)
      ok = 0;
    else
      at += 2;
  }
  if (ok && strstr(at, "\n\r") != NULL) ok = 0; /* no row more than walked */
  if (text != NULL) printf("plugin (C): the export is %u bytes\n", (unsigned)strlen(text));
  Report("GetCSVQuerySQL", ok);

  closed = CloseQuerySQL(q);
  Report("CloseQuerySQL", closed);
  return ok && closed == 1;
}

/* The call: "WycenZamowienie" with a customer, a quantity and a unit price
 * in grosze; the answer is the order's value in grosze as the output
 * variable "WartoscGrosze", read back from the answered document. */
static int AnswerTheCall(const char* callDocument) {
  VARIANT quantity, price, value, check;
  const char* name = XMLGetProcName(callDocument);
  const char* answered;
  /* Compared at once: the name lives only until the next text result. */
  int ok = name != NULL && strcmp(name, "WycenZamowienie") == 0;
  Report("XMLGetProcName WycenZamowienie", ok);
  if (!ok) return 0;

  VariantInit(&quantity);
  VariantInit(&price);
  XMLGetData(&quantity, callDocument, "Ilosc", 1);
  XMLGetData(&price, callDocument, "CenaGrosze", 1);
  ok = quantity.vt == VT_I4 && price.vt == VT_I4;
  Report("XMLGetData Ilosc, CenaGrosze", ok);
  if (!ok) {
    VariantClear(&quantity);
    VariantClear(&price);
    return 0;
  }

  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = quantity.lVal * price.lVal;
  printf("plugin (C): %ld x %ld gr = %ld gr\n", (long)quantity.lVal, (long)price.lVal, (long)value.lVal);
  answered = XMLSetData(callDocument, "WartoscGrosze", value, 2, NULL);

  /* The answered document is KARVO.DLL's buffer, valid only until the next
   * text result: copied before anything else is asked, then read back. */
  free(answer);
  answer = NULL;
  if (answered != NULL && (answer = (char*)malloc(strlen(answered) + 1)) != NULL) strcpy(answer, answered);
  VariantInit(&check);
  if (answer != NULL) XMLGetData(&check, answer, "WartoscGrosze", 2);
  ok = check.vt == VT_I4 && check.lVal == value.lVal;
  Report("XMLSetData WartoscGrosze, read back", ok);
  VariantClear(&check);
  VariantClear(&quantity);
  VariantClear(&price);
  return ok;
}

/* An object-valued property (Menu, Bitmap) as a handle. */
static KARVO_HANDLE HandleProperty(KARVO_HANDLE object, const char* property) {
  VARIANT v;
  KARVO_HANDLE h = NULL;
  VariantInit(&v);
  GetProperty(&v, object, property);
  if (v.vt == VT_I4) h = (KARVO_HANDLE)(ULONG_PTR)(ULONG)v.lVal;
  VariantClear(&v);
  return h;
}

/* The plug-in's own item in the host's main menu: the host makes the item,
 * the bitmap comes from this DLL's resources, and the item goes at the end
 * of the main menu. */
static int AddTheMenuItem(const char* callDocument) {
  KARVO_HANDLE form, menu, item, bitmap;
  unsigned char loaded, added;
  (void)callDocument;
  /* The application stands behind container 0: its children are the forms. */
  form = GetControl(NULL, "MainForm");
  Report("GetControl MainForm", form != NULL);
  if (form == NULL) return 0;
  menu = HandleProperty(form, "Menu");
  Report("GetProperty Menu", menu != NULL);
  item = AddControl(form, "TMenuItem", "mnuStanTowarow;Stan towar\363w");
  Report("AddControl TMenuItem", item != NULL);
  if (menu == NULL || item == NULL) return 0;
  bitmap = HandleProperty(item, "Bitmap");
  loaded = KarvoLoadResource(bitmap, (KARVO_HANDLE)thisModule, "PLUGINLOGO", 0);
  Report("KarvoLoadResource PLUGINLOGO", loaded);
  added = AddMenuItem(menu, item);
  Report("AddMenuItem", added);
  return bitmap != NULL && loaded == 1 && added == 1;
}

/* The steps in order. */
typedef int (*SampleStep)(const char* callDocument);
static const struct {
  const char* name;
  SampleStep run;
} kSteps[] = {
    /* clang-format off */
    {"open the API", OpenTheApi},
    {"run a statement", RunAStatement},
    {"read the last error", ReadTheLastError},
    {"report the stock", ReportTheStock},
    {"answer the call", AnswerTheCall},
    {"add a menu item", AddTheMenuItem},
    /* clang-format on */
};

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)reserved;
  if (reason == DLL_PROCESS_ATTACH) thisModule = instance;
  if (reason == DLL_PROCESS_DETACH) free(answer);
  return TRUE;
}

/* The call document as this plug-in answered it (null before it has): the
 * host reads it after KarvoPluginRun returns. */
__declspec(dllexport) const char* __stdcall KarvoPluginAnswer(void) { return answer; }

__declspec(dllexport) int __stdcall KarvoPluginRun(const char* callDocument) {
  int failures = 0;
  size_t i;
  for (i = 0; i < sizeof kSteps / sizeof kSteps[0]; ++i) {
    int ok = kSteps[i].run(callDocument);
    printf("plugin (C): step %-28s %s\n", kSteps[i].name, ok ? "ok" : "FAILED");
    fflush(stdout);
    if (!ok) {
      ++failures;
      if (i == 0) break; /* nothing works without the API */
    }
  }
  return failures;
}
