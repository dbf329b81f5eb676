/* KARVO.DLL 1.4.0.0: small helpers for plug-ins in C89 and C++ (optional).
 *
 *   KarvoLastErrorUtf8  the last error as UTF-8, read through the W form, so
 *                       that Polish letters survive whatever the ANSI code page
 *   KarvoCopyText       a copy of a text result, taken before the next call of
 *                       any export can overwrite the buffer it points into
 *   KarvoWriteCsv       an opened query's rows as CSV that splits back into the
 *                       same cells: every value quoted, quotes doubled, line
 *                       breaks kept inside the quotes, CR LF after each line
 *
 * Include it where you need it; in exactly one C or C++ file of the plug-in,
 * define KARVO_HELPERS_IMPLEMENTATION before including it, so that the
 * functions are compiled there. It needs karvo.h (included here), the C
 * library and OLEAUT32 (link -loleaut32, or oleaut32.lib). Every text it
 * returns comes from malloc: free it with free() in the same module.
 */
#ifndef KARVO_HELPERS_H
#define KARVO_HELPERS_H

#include <stdio.h>

#include "karvo.h"

#ifdef __cplusplus
extern "C" {
#endif

/* GetLastAPIErrorW as a malloc'd UTF-8 text; null when there is no error
 * (or no memory). Reading it does not clear the error. */
char* KarvoLastErrorUtf8(void);

/* A malloc'd copy of a text result of a plain-form export ("" for null, which
 * the export returns for an empty text or a failure: ask GetLastAPIError
 * which). Null only when memory runs out. */
char* KarvoCopyText(const char* result);

/* Writes the rows of the query from its first record to the end of its data
 * as CSV to out: first the field names, read from the field-name line of
 * GetCSVQuerySQL(query, 0, 0, 1), then one line per record, each value read
 * with FieldByNameSQL. separator is the byte between values (',' or ';');
 * with utf8 nonzero the text is converted from the ANSI code page to UTF-8,
 * otherwise it is written as KARVO.DLL gives it. The cursor stays at the end
 * of the data.
 * Returns the number of records written, or -1 when the query could not be
 * read (the message is in GetLastAPIError; a field whose name the ANSI code
 * page cannot hold is one such case) or out could not be written (errno).
 * Field names that hold the two bytes "; cannot be told apart in the
 * field-name line and give -1. */
long KarvoWriteCsv(FILE* out, KARVO_HANDLE query, char separator, int utf8);

#ifdef __cplusplus
}
#endif

#ifdef KARVO_HELPERS_IMPLEMENTATION

#include <stdlib.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

char* KarvoLastErrorUtf8(void) {
  BSTR wide = NULL;
  char* text = NULL;
  int units, bytes;
  GetLastAPIErrorW(&wide);
  if (wide == NULL) return NULL;
  units = (int)SysStringLen(wide);
  bytes = WideCharToMultiByte(CP_UTF8, 0, wide, units, NULL, 0, NULL, NULL);
  if (bytes > 0 && (text = (char*)malloc((size_t)bytes + 1)) != NULL) {
    WideCharToMultiByte(CP_UTF8, 0, wide, units, text, bytes, NULL, NULL);
    text[bytes] = '\0';
  }
  SysFreeString(wide);
  return text;
}

char* KarvoCopyText(const char* result) {
  size_t n = result != NULL ? strlen(result) : 0;
  char* copy = (char*)malloc(n + 1);
  if (copy != NULL) {
    if (n > 0) memcpy(copy, result, n);
    copy[n] = '\0';
  }
  return copy;
}

/* One value, quoted, with quotes doubled; converted to UTF-8 when asked.
 * Returns 0 when out could not be written or memory ran out. */
static int KarvoCsvPutValue(FILE* out, const char* value, int utf8) {
  char* converted = NULL;
  const char* p;
  int ok = 1;
  if (value == NULL) value = "";
  if (utf8 && *value != '\0') {
    int units = MultiByteToWideChar(CP_ACP, 0, value, -1, NULL, 0);
    WCHAR* wide = units > 0 ? (WCHAR*)malloc((size_t)units * sizeof(WCHAR)) : NULL;
    int bytes = 0;
    if (wide != NULL) {
      MultiByteToWideChar(CP_ACP, 0, value, -1, wide, units);
      bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, NULL, 0, NULL, NULL);
      converted = bytes > 0 ? (char*)malloc((size_t)bytes) : NULL;
      if (converted != NULL) WideCharToMultiByte(CP_UTF8, 0, wide, -1, converted, bytes, NULL, NULL);
      free(wide);
    }
    if (converted == NULL) return 0;
    value = converted;
  }
  if (putc('"', out) == EOF) ok = 0;
  for (p = value; ok && *p != '\0'; ++p)
    if ((*p == '"' && putc('"', out) == EOF) || putc(*p, out) == EOF) ok = 0;
  if (ok && putc('"', out) == EOF) ok = 0;
  free(converted);
  return ok;
}

/* The names of the field-name line "\"ID\";\"NAZWA\";" as a malloc'd block
 * of NUL-separated names; *count receives how many. */
static char* KarvoCsvFieldNames(KARVO_HANDLE query, int* count) {
  const char* line = GetCSVQuerySQL(query, 0, 0, 1);
  size_t n = line != NULL ? strlen(line) : 0;
  char* names;
  char* at;
  *count = 0;
  if (n < 3 || line[0] != '"' || line[n - 1] != ';' || line[n - 2] != '"') return NULL;
  names = (char*)malloc(n);
  if (names == NULL) return NULL;
  /* Drop the first quote and the last quote and separator; what is left is
   * the names joined by the three bytes "\";\"". */
  memcpy(names, line + 1, n - 3);
  names[n - 3] = '\0';
  *count = 1;
  for (at = strstr(names, "\";\""); at != NULL; at = strstr(at + 1, "\";\"")) {
    *at = '\0';
    memmove(at + 1, at + 3, strlen(at + 3) + 1);
    ++*count;
  }
  return names;
}

long KarvoWriteCsv(FILE* out, KARVO_HANDLE query, char separator, int utf8) {
  int count = 0, i;
  long rows = 0;
  const char* name;
  char* names = KarvoCsvFieldNames(query, &count);
  if (names == NULL) return -1;
  for (i = 0, name = names; i < count; ++i, name += strlen(name) + 1)
    if ((i > 0 && putc(separator, out) == EOF) || !KarvoCsvPutValue(out, name, utf8)) goto failed;
  if (fputs("\r\n", out) == EOF) goto failed;
  /* EofSQL answers 1 on a failure too: the last error tells them apart. */
  if (FirstSQL(query) != 1) goto failed;
  while (!EofSQL(query)) {
    for (i = 0, name = names; i < count; ++i, name += strlen(name) + 1) {
      /* Copied at once: the next call overwrites the buffer it points into. */
      char* value = KarvoCopyText(FieldByNameSQL(query, name));
      int ok = value != NULL && GetLastAPIError() == NULL;
      ok = ok && (i == 0 || putc(separator, out) != EOF) && KarvoCsvPutValue(out, value, utf8);
      free(value);
      if (!ok) goto failed;
    }
    if (fputs("\r\n", out) == EOF) goto failed;
    ++rows;
    if (NextSQL(query) != 1) goto failed;
  }
  if (GetLastAPIError() != NULL) goto failed;
  free(names);
  return rows;
failed:
  free(names);
  return -1;
}

#ifdef __cplusplus
}
#endif

#endif /* KARVO_HELPERS_IMPLEMENTATION */

#endif /* KARVO_HELPERS_H */
