// The in-process CSV export of a 100,000-row, 5-column result set through
// an object model: refhost's own, over a data set read from SQLite.
//   bench_CsvExportBench <database file>
// Makes the database (table BENCH) when the file is new, then prints the
// export's rows per second. bench/run-csv-bench.sh runs it beside
// sqlite3's own CSV output of the same rows.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "SqlDataSet.h"
#include "host/ObjectModel.h"
// The exports are linked in, not imported.
#define KARVO_API
#include "karvo.h"
#include "sqlite3.h"

namespace {

constexpr int kRows = 100000;

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

void Fill(refhost::Database& db) {
  sqlite3* h = db.Handle();
  sqlite3_exec(h,
               "DROP TABLE IF EXISTS BENCH; CREATE TABLE BENCH (ID INTEGER PRIMARY KEY, NAZWA TEXT, MIASTO TEXT,"
               " CENA NUMERIC, UWAGI TEXT); BEGIN",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(h, "INSERT INTO BENCH VALUES (?, ?, ?, ?, ?)", -1, &st, nullptr);
  for (int i = 1; i <= kRows; ++i) {
    std::string name =
        "Kontrahent \xC5\x81\xC3\xB3"
        "d\xC5\xBA nr " +
        std::to_string(i);
    sqlite3_bind_int(st, 1, i);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, i % 2 ? "Gda\xC5\x84sk" : "Krak\xC3\xB3w", -1, SQLITE_STATIC);
    sqlite3_bind_double(st, 4, (i % 1000) + 0.5);
    sqlite3_bind_text(st, 5, i % 3 ? "" : "z \"cudzys\xC5\x82owem\"; i \xC5\x9Bredniki", -1, SQLITE_STATIC);
    sqlite3_step(st);
    sqlite3_reset(st);
  }
  sqlite3_finalize(st);
  sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: bench_CsvExportBench <database file>\n");
    return 2;
  }
  std::string path = argv[1];
  std::u16string wpath(path.begin(), path.end());
  refhost::Database db(wpath, "");
  sqlite3_stmt* probe = nullptr;
  bool filled = sqlite3_prepare_v2(db.Handle(), "SELECT COUNT(*) FROM BENCH", -1, &probe, nullptr) == SQLITE_OK &&
                sqlite3_step(probe) == SQLITE_ROW && sqlite3_column_int(probe, 0) == kRows;
  sqlite3_finalize(probe);
  if (!filled) Fill(db);

  LARGE_INTEGER t0, t1, t2;
  QueryPerformanceCounter(&t0);
  auto source = std::make_unique<refhost::DataSource>(std::make_unique<refhost::SqlDataSet>(
      db, u"SELECT ID, NAZWA, MIASTO, CENA, UWAGI FROM BENCH ORDER BY ID", false));
  QueryPerformanceCounter(&t1);
  karvo::host::InstallObjectModel(&refhost::ModelTable());
  KARVO_HANDLE h = reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(source->Handle()));

  // One warm-up, then the measured exports.
  GetCSVQuerySQL(h, 0, kRows, 1);
  const int kRuns = 3;
  std::size_t bytes = 0;
  LARGE_INTEGER s, e;
  double best = 1e9;
  for (int r = 0; r < kRuns; ++r) {
    QueryPerformanceCounter(&s);
    const char* text = GetCSVQuerySQL(h, 0, kRows, 1);
    QueryPerformanceCounter(&e);
    bytes = text ? std::strlen(text) : 0;
    if (Seconds(s, e) < best) best = Seconds(s, e);
  }
  QueryPerformanceCounter(&t2);
  std::printf("data set read from SQLite: %d rows in %.3f s\n", kRows, Seconds(t0, t1));
  std::printf("GetCSVQuerySQL in process: %d rows x 5 fields, %zu bytes, best of %d: %.3f s = %.0f rows/s\n", kRows,
              bytes, kRuns, best, kRows / best);
  return bytes > 0 ? 0 : 1;
}
