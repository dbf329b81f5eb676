// Typed values of call documents: reading a variable as a VARIANT of the
// type its "TYPE" names, and writing a VARIANT into a document.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Owners.h"
#include "xmldoc/CallDocumentText.h"
#include "xmldoc/XmlEngine.h"

namespace karvo {

// The value of a variable element, converted as its "TYPE" says; found is
// set when the element has a "TYPE" or a "VALUE" child. A failed conversion
// leaves its message and gives the raw value.
void ReadTypedValue(const XmlNode& element, bool& found, UniqueVariant& result);

// The raw text converted to the target; false when it cannot be.
bool ConvertTypedValue(const VARIANT& raw, TypeTarget target, UniqueVariant& out);

// The "VALUE" text written for a VARIANT; throws when it has none.
std::u16string ValueTextFromVariant(const VARIANT& value);

// The user's short date format, read once per process.
std::u16string ShortDateFormat();
void SetShortDateFormatForTests(const std::u16string& format);

// The exports, plain form. XMLGetData leaves the value in *Value (the
// caller's, to be cleared by the caller); XMLSetData reads Value and never
// releases what it holds.
void XMLGetData(VARIANT* Value, const char* XMLText, const char* VarName, std::uint8_t Direction);
const char* XMLSetData(const char* XMLText, const char* VarName, const VARIANT& Value, std::uint8_t Direction,
                       const char* SectionName);

}  // namespace karvo
