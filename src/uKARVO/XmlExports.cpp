// Call documents: the header lookups and the typed values.
#include "uKARVO/Exports.h"
#include "xmldoc/CallDocument.h"
#include "xmldoc/TypedValues.h"

using namespace karvo;

// XMLText: a call document. The name of its "PROCEDURE" root; null when the
// root is of another kind (last error empty) or on failure (code 252).
const char* __stdcall XMLGetProcName(const char* XMLText) {
  return Guarded<const char*>(nullptr, [&] { return karvo::XMLGetProcName(XMLText); });
}
void __stdcall XMLGetProcNameA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText) {
  GuardedResult(aResult, [&] {
    AnsiArg xml(XMLText);
    return karvo::XMLGetProcName(PlainFromA(xml));
  });
}
void __stdcall XMLGetProcNameW(BSTR* aResult, BSTR XMLText) {
  GuardedResult(aResult, [&] { return karvo::XMLGetProcName(PlainFromW(XMLText)); });
}

// The same for a "WINDOW" root.
const char* __stdcall XMLGetWindowName(const char* XMLText) {
  return Guarded<const char*>(nullptr, [&] { return karvo::XMLGetWindowName(XMLText); });
}
void __stdcall XMLGetWindowNameA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText) {
  GuardedResult(aResult, [&] {
    AnsiArg xml(XMLText);
    return karvo::XMLGetWindowName(PlainFromA(xml));
  });
}
void __stdcall XMLGetWindowNameW(BSTR* aResult, BSTR XMLText) {
  GuardedResult(aResult, [&] { return karvo::XMLGetWindowName(PlainFromW(XMLText)); });
}

// TagName: the upper-case name of a direct child of the root. The child's
// content as markup; null when there is no such child or it is empty (last
// error empty), or on failure (code 252).
const char* __stdcall XMLGetTagText(const char* XMLText, const char* TagName) {
  return Guarded<const char*>(nullptr, [&] { return karvo::XMLGetTagText(XMLText, TagName); });
}

// Value: the caller's VARIANT, set to null first and then to the variable
// VarName of the given Direction, converted as its "TYPE" says. Failures
// show only in the last error; the caller clears the VARIANT.
void __stdcall XMLGetData(VARIANT* Value, const char* XMLText, const char* VarName, unsigned char Direction) {
  GuardedVoid([&] { karvo::XMLGetData(Value, XMLText, VarName, Direction); });
}

// Value: a VARIANT by value, read and never released. The whole document
// with the variable written into it (or into the section SectionName);
// null on failure with the reason in the last error.
const char* __stdcall XMLSetData(const char* XMLText, const char* VarName, VARIANT Value, unsigned char Direction,
                                 const char* SectionName) {
  return Guarded<const char*>(nullptr,
                              [&] { return karvo::XMLSetData(XMLText, VarName, Value, Direction, SectionName); });
}
