// Delimited lines: no host needed, the exports work on the texts alone.
#include <cstdio>
#include <cstring>

#include "karvo.h"

// Returns the number of results that were not what a plug-in expects.
int RunFieldsDemo() {
  const char* line = "Kowalski;Jan;Warszawa";
  int failures = 0;
  int count = CSVGetFieldCount(line, ';');
  failures += count != 3;
  const char* firstName = CSVGetField(line, 2, ';');
  std::printf("plugin: %-28s -> %d fields, field 2 \"%s\"\n", "CSVGetFieldCount/Field", count,
              firstName ? firstName : "");
  failures += firstName == nullptr || std::strcmp(firstName, "Jan") != 0;
  // A result stays valid only until the next text result: copy it to keep it.
  const char* moved = CSVSetField("Lublin", line, 3, ';');
  std::printf("plugin: %-28s -> %s\n", "CSVSetField", moved ? moved : "(null)");
  failures += moved == nullptr || std::strcmp(moved, "Kowalski;Jan;Lublin") != 0;
  int where = CSVIsField("jan", line, ';');
  std::printf("plugin: %-28s -> %d\n", "CSVIsField \"jan\"", where);
  failures += where != 2;
  return failures;
}
