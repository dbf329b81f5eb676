// Delimited lines: pure text work on the caller's arguments. Texts come in
// and go out through the system ANSI code page; the separator byte is
// widened as it is. No export here reads the block or the host.
#include "fields/DelimitedFields.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// aLine, aSeparator: the number of fields, 0 for an empty or null line (and
// on failure, with the reason in the last error).
int __stdcall CSVGetFieldCount(const char* aLine, unsigned char aSeparator) {
  return Guarded<int>(0, [&] {
    ClearAPIError();
    return CountFields(PlainText(aLine), SeparatorUnit(aSeparator));
  });
}

// aLine, aFieldNo (0 reads field 1), aSeparator: the field, or null when it
// is empty or absent; the last error stays empty for both.
const char* __stdcall CSVGetField(const char* aLine, int aFieldNo, unsigned char aSeparator) {
  return Guarded<const char*>(nullptr, [&] {
    ClearAPIError();
    return TextToPlain(ExtractField(PlainText(aLine), aFieldNo, SeparatorUnit(aSeparator)));
  });
}

// aValue, aLine, aFieldNo, aSeparator: the line with field aFieldNo replaced
// (null when that leaves it empty). Null with "Nie można ustawić pola nr: N !"
// when the line is empty or has fewer fields.
const char* __stdcall CSVSetField(const char* aValue, const char* aLine, int aFieldNo, unsigned char aSeparator) {
  return Guarded<const char*>(nullptr, [&]() -> const char* {
    ClearAPIError();
    std::u16string line = PlainText(aLine);
    if (ReplaceField(PlainText(aValue), line, aFieldNo, SeparatorUnit(aSeparator))) return TextToPlain(line);
    SetAPIErrorText(CannotSetFieldMessage(aFieldNo));
    return nullptr;
  });
}

// aValue, aLine, aSeparator: the number of the first field equal to aValue
// (ASCII letters compared without case), or 0.
int __stdcall CSVIsField(const char* aValue, const char* aLine, unsigned char aSeparator) {
  return Guarded<int>(0, [&] {
    ClearAPIError();
    return FindFieldNumber(PlainText(aValue), PlainText(aLine), SeparatorUnit(aSeparator));
  });
}
