// Delimited lines: pure text work on the caller's arguments, through the
// system ANSI code page; the separator byte is widened as it is.
#include "fields/DelimitedFields.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// The number of fields; 0 for an empty line.
int __stdcall CSVGetFieldCount(const char* aLine, unsigned char aSeparator) {
  return Guarded<int>(0, [&] { return CountFields(PlainText(aLine), SeparatorUnit(aSeparator)); });
}

// Field aFieldNo (0 reads field 1); null when it is empty or absent.
const char* __stdcall CSVGetField(const char* aLine, int aFieldNo, unsigned char aSeparator) {
  return Guarded<const char*>(
      nullptr, [&] { return TextToPlain(ExtractField(PlainText(aLine), aFieldNo, SeparatorUnit(aSeparator))); });
}

// The line with field aFieldNo replaced; null with a message when it has fewer fields.
const char* __stdcall CSVSetField(const char* aValue, const char* aLine, int aFieldNo, unsigned char aSeparator) {
  return Guarded<const char*>(nullptr, [&]() -> const char* {
    std::u16string line = PlainText(aLine);
    if (ReplaceField(PlainText(aValue), line, aFieldNo, SeparatorUnit(aSeparator))) return TextToPlain(line);
    SetAPIErrorText(CannotSetFieldMessage(aFieldNo));
    return nullptr;
  });
}

// The number of the first field equal to aValue (ASCII case ignored), or 0.
int __stdcall CSVIsField(const char* aValue, const char* aLine, unsigned char aSeparator) {
  return Guarded<int>(0,
                      [&] { return FindFieldNumber(PlainText(aValue), PlainText(aLine), SeparatorUnit(aSeparator)); });
}
