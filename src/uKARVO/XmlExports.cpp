// Call documents: the header lookups and the typed values.
#include "uKARVO/Exports.h"
#include "xmldoc/CallDocument.h"
#include "xmldoc/TypedValues.h"

using namespace karvo;

// The name of a call document's "PROCEDURE" root; null for a root of another kind.
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

// The name of a call document's "WINDOW" root; null for a root of another kind.
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

// The content, as markup, of the root's child named TagName (upper case).
const char* __stdcall XMLGetTagText(const char* XMLText, const char* TagName) {
  return Guarded<const char*>(nullptr, [&] { return karvo::XMLGetTagText(XMLText, TagName); });
}

// The variable VarName of the call document into the caller's VARIANT, converted as its "TYPE" says.
void __stdcall XMLGetData(VARIANT* Value, const char* XMLText, const char* VarName, unsigned char Direction) {
  GuardedVoid([&] { karvo::XMLGetData(Value, XMLText, VarName, Direction); });
}

// The whole call document with the variable VarName written into it (or into the section SectionName).
const char* __stdcall XMLSetData(const char* XMLText, const char* VarName, VARIANT Value, unsigned char Direction,
                                 const char* SectionName) {
  return Guarded<const char*>(nullptr,
                              [&] { return karvo::XMLSetData(XMLText, VarName, Value, Direction, SectionName); });
}
