/* The helpers of karvo_helpers.h in a plug-in that refhost runs, on refhost's
 * sample data: values with quotes, semicolons and a line break must come out
 * as CSV that splits back into the same cells, the last error must arrive as
 * UTF-8 in either code page, and a copied text result must outlive the next
 * call. Returns the number of checks that failed. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define KARVO_HELPERS_IMPLEMENTATION
#include "karvo_helpers.h"

static int failures;

static void Check(int ok, const char* what) {
  printf("helpers: %-60s %s\n", what, ok ? "ok" : "FAILED");
  fflush(stdout);
  if (!ok) ++failures;
}

/* What was written to a temporary file, as a malloc'd text. */
static char* ReadBack(FILE* f) {
  long n;
  char* text;
  fflush(f);
  n = ftell(f);
  rewind(f);
  text = (char*)malloc((size_t)n + 1);
  if (text == NULL) return NULL;
  text[fread(text, 1, (size_t)n, f)] = '\0';
  return text;
}

/* A UTF-8 text in the system ANSI code page, malloc'd. */
static char* Ansi(const char* utf8) {
  int units = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, NULL, 0);
  WCHAR* wide = (WCHAR*)malloc((size_t)units * sizeof(WCHAR));
  int bytes;
  char* text;
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, units);
  bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, NULL, 0, NULL, NULL);
  text = (char*)malloc((size_t)bytes);
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, text, bytes, NULL, NULL);
  free(wide);
  return text;
}

/* A text in the system ANSI code page, as UTF-8, malloc'd. */
static char* Utf8(const char* ansi) {
  int units = MultiByteToWideChar(CP_ACP, 0, ansi, -1, NULL, 0);
  WCHAR* wide = (WCHAR*)malloc((size_t)units * sizeof(WCHAR));
  int bytes;
  char* text;
  MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, units);
  bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
  text = (char*)malloc((size_t)bytes);
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text, bytes, NULL, NULL);
  free(wide);
  return text;
}

/* Rows 1 and 3 of KONTRAHENCI and a row added with a line break in its name,
 * under a field name with a quote in it. */
static const char kQuery[] =
    "SELECT ID, NAZWA AS \"Na\"\"zwa\", MIASTO FROM KONTRAHENCI WHERE ID IN (1, 3, 9) ORDER BY ID";
static const char kExpected[] =
    "\"ID\";\"Na\"\"zwa\";\"MIASTO\"\r\n"
    "\"1\";\"Przedsi\xC4\x99"
    "biorstwo Handlowe \xE2\x80\x9E\xC5\xBB"
    "uraw\xE2\x80\x9D Sp. z o.o.\";\"\xC5\x81\xC3\xB3"
    "d\xC5\xBA\"\r\n"
    "\"3\";\"Hurtownia Spo\xC5\xBCywcza \"\"Pod K\xC5\x82osem\"\"; oddzia\xC5\x82 2\";\"Krak\xC3\xB3w\"\r\n"
    "\"9\";\"dwie\r\nlinie\";\"\"\r\n";

static void WritesCsv(void) {
  KARVO_HANDLE q;
  FILE* f;
  char* text;
  long rows;
  Check(ExecuteSQL("INSERT OR REPLACE INTO KONTRAHENCI (ID, NAZWA) VALUES (9, 'dwie' || char(13, 10) || 'linie')", 0) ==
            1,
        "a row with a line break in its name");
  q = OpenQuerySQL(kQuery, 0);
  Check(q != NULL, "the query opens");
  if (q == NULL) return;

  f = tmpfile();
  rows = KarvoWriteCsv(f, q, ';', 1);
  text = ReadBack(f);
  fclose(f);
  Check(rows == 3, "KarvoWriteCsv wrote 3 rows");
  {
    /* The values reach the plug-in through the ANSI code page: what it
     * cannot hold is gone before the helper sees it. */
    char* ansi = Ansi(kExpected);
    char* expected = Utf8(ansi);
    Check(text != NULL && strcmp(text, expected) == 0, "UTF-8: quotes doubled, the line break kept in quotes");
    if (text != NULL && strcmp(text, expected) != 0) printf("%s", text);
    free(expected);
    free(ansi);
  }
  free(text);

  /* The same as KARVO.DLL gives it: the ANSI code page, commas. */
  f = tmpfile();
  rows = KarvoWriteCsv(f, q, ',', 0);
  text = ReadBack(f);
  fclose(f);
  {
    char* expected = Ansi(kExpected);
    char* p;
    for (p = expected; *p != '\0'; ++p)
      if (p[0] == '"' && p[1] == ';' && p[2] == '"') p[1] = ',';
    Check(rows == 3 && text != NULL && strcmp(text, expected) == 0, "ANSI code page, comma separated");
    free(expected);
  }
  free(text);
  Check(EofSQL(q) == 1 && GetLastAPIError() == NULL, "the cursor stands at the end of the data");
  CloseQuerySQL(q);

  /* A column whose name the ANSI code page cannot hold cannot be read by
   * name: -1, with the library's message. */
  q = OpenQuerySQL("SELECT * FROM CENNIK", 0);
  f = tmpfile();
  rows = KarvoWriteCsv(f, q, ';', 1);
  fclose(f);
  Check(q != NULL && rows == -1 && GetLastAPIError() != NULL, "a field name outside the code page gives -1");
  CloseQuerySQL(q);
  f = tmpfile();
  Check(KarvoWriteCsv(f, NULL, ';', 1) == -1 && GetLastAPIError() != NULL, "no query gives -1 with the message");
  fclose(f);
}

static void ReadsTheLastError(void) {
  char* utf8;
  char* copy;
  ExecuteSQL("DELETE FROM UZYTKOWNICY", 1);
  utf8 = KarvoLastErrorUtf8();
  /* "Operacje na bazie systemowej są zablowkowane!" in UTF-8. */
  Check(utf8 != NULL && strcmp(utf8, "Operacje na bazie systemowej s\xC4\x85 zablowkowane!") == 0,
        "KarvoLastErrorUtf8: the Polish message in UTF-8");
  free(utf8);

  /* A text result copied before the last error is read survives it. */
  copy = KarvoCopyText(CSVGetField("jeden;dwa;trzy", 2, ';'));
  GetLastAPIError();
  Check(copy != NULL && strcmp(copy, "dwa") == 0, "KarvoCopyText outlives the next text result");
  free(copy);
  copy = KarvoCopyText(NULL);
  Check(copy != NULL && copy[0] == '\0', "KarvoCopyText of null is an empty text");
  free(copy);

  ExecuteSQL("SELECT 1", 0);
  Check(KarvoLastErrorUtf8() == NULL, "no error: null");
}

__declspec(dllexport) int __stdcall KarvoPluginRun(const char* callDocument) {
  if (OpenAPI(callDocument) != 1) return 100;
  WritesCsv();
  ReadsTheLastError();
  return failures;
}
