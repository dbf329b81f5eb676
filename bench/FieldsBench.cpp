// Finding the last field of a long line: the one-pass FindFieldNumber
// against the search that extracts field after field (each extraction walks
// the line from its start again). Prints figures; asserts nothing.
#include <chrono>
#include <cstdio>
#include <string>

#include "conversions/AsciiCase.h"
#include "fields/DelimitedFields.h"

#define KARVO_API
#include "karvo.h"

using namespace karvo;
using Clock = std::chrono::steady_clock;

namespace {

// The search as a field-by-field loop: the same results, quadratic time.
std::int32_t FindByExtraction(std::u16string_view value, std::u16string_view text, char16_t sep) {
  std::int32_t c = CountFields(text, sep);
  if (c == 0 || !QuickFieldTest(value, text, sep)) return 0;
  for (std::int32_t i = 1; i <= c; ++i)
    if (EqualIgnoringAsciiCase(ExtractField(text, i, sep), value)) return i;
  return 0;
}

// Seconds per call: repeated until a quarter of a second has gone by.
template <class F>
double SecondsPerCall(F&& f) {
  int calls = 0;
  auto start = Clock::now();
  std::chrono::duration<double> spent{};
  do {
    f();
    ++calls;
    spent = Clock::now() - start;
  } while (spent.count() < 0.25);
  return spent.count() / calls;
}

}  // namespace

int main() {
  std::printf("Finding the last of N fields (\"Field<i>\" divided by ';'), seconds per search\n");
  std::printf("%10s %10s %14s %12s %14s %14s\n", "fields", "line", "one pass", "ns/field", "CSVIsField",
              "field by field");
  double previousQuadratic = 0;
  for (int fields : {10000, 100000, 1000000}) {
    std::u16string line;
    std::string ansiLine;
    for (int i = 1; i <= fields; ++i) {
      std::string f = (i > 1 ? ";Field" : "Field") + std::to_string(i);
      ansiLine += f;
      line.append(f.begin(), f.end());
    }
    const std::string last = "FIELD" + std::to_string(fields);
    const std::u16string value(last.begin(), last.end());

    std::int32_t found = 0;
    double onePass = SecondsPerCall([&] { found = FindFieldNumber(value, line, u';'); });
    int exported = 0;
    double throughExport = SecondsPerCall([&] { exported = CSVIsField(last.c_str(), ansiLine.c_str(), ';'); });

    // The quadratic search would take about an hour on a million fields:
    // that figure is scaled from the one before (a hundred times).
    char quadratic[64];
    if (fields <= 100000) {
      std::int32_t slowFound = 0;
      auto start = Clock::now();
      slowFound = FindByExtraction(value, line, u';');
      previousQuadratic = std::chrono::duration<double>(Clock::now() - start).count();
      std::snprintf(quadratic, sizeof quadratic, "%.6f%s", previousQuadratic, slowFound == found ? "" : " (differs!)");
    } else {
      std::snprintf(quadratic, sizeof quadratic, "~%.0f (est.)", previousQuadratic * 100);
    }
    std::printf("%10d %10zu %14.6f %12.2f %14.6f %14s   found %d/%d\n", fields, line.size(), onePass,
                onePass * 1e9 / fields, throughExport, quadratic, found, exported);
  }
  return 0;
}
