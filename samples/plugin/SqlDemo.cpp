// SQL as a plug-in uses it: a statement, a query opened and walked with the
// cursor, its rows exported as delimited text, and the query closed.
#include "SqlDemo.h"

#include <cstdio>
#include <cstring>

#include "karvo.h"

namespace {

int Check(const char* what, int result, int wanted) {
  const char* error = GetLastAPIError();
  std::printf("plugin: %-28s -> %d%s%s\n", what, result, error ? "  " : "", error ? error : "");
  std::fflush(stdout);
  return result == wanted ? 0 : 1;
}

}  // namespace

int RunSqlDemo() {
  int failures = 0;
  failures += Check("ExecuteSQL", ExecuteSQL("UPDATE KONTRAHENCI SET AKTYWNY = 1 WHERE ID = 3", 0), 1);
  failures += Check("ExecuteSQL on the system db", ExecuteSQL("DELETE FROM UZYTKOWNICY", 1), 0);
  failures += Check("ExecuteSQL rejected", ExecuteSQL("UPDATE BRAK_TABELI SET X = 1", 0), 250);

  const char* firm = GetFromQuerySQL("SELECT WARTOSC FROM PARAMETRY WHERE NAZWA = 'FIRMA'", 1);
  std::printf("plugin: GetFromQuerySQL (system db) -> %s\n", firm ? firm : "(null)");

  KARVO_HANDLE q = OpenQuerySQL("SELECT ID, NAZWA, MIASTO FROM KONTRAHENCI ORDER BY ID", 0);
  failures += Check("OpenQuerySQL", q != nullptr, 1);
  if (q == nullptr) return failures;
  failures += Check("CountSQL", CountSQL(q), 5);
  int rows = 0;
  // EofSQL answers 1 on a failure, so the walk ends on one; the bound is
  // the plug-in's own.
  for (FirstSQL(q); !EofSQL(q) && rows < 1000; NextSQL(q)) {
    // A text result lives until the next one: copy it before asking again.
    char id[16] = "";
    if (const char* v = FieldByNameSQL(q, "ID")) std::snprintf(id, sizeof id, "%s", v);
    const char* name = FieldByNameSQL(q, "nazwa");
    std::printf("plugin:   %s  %s\n", id, name ? name : "");
    ++rows;
  }
  failures += Check("rows walked", rows, 5);

  const char* csv = GetCSVQuerySQL(q, 2, 3, 1);
  failures += Check("GetCSVQuerySQL", csv != nullptr, 1);
  if (csv != nullptr) {
    // Rows begin with LF CR; shown here one per line.
    std::printf("plugin: GetCSVQuerySQL text:");
    for (const char* c = csv; *c; ++c) {
      if (*c == '\n')
        std::printf("\n  ");
      else if (*c != '\r')
        std::putchar(*c);
    }
    std::printf("\n");
  }
  failures += Check("CloseQuerySQL", CloseQuerySQL(q), 1);
  failures += Check("CountSQL after close", CountSQL(q), 0);
  return failures;
}
