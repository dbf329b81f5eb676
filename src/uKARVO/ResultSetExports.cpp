// The cursor over a result set the host opened, and its text export.
#include "database/CsvExport.h"
#include "database/Cursor.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// Moves the data set behind a data-source handle; 1 when the move returned.
unsigned char __stdcall FirstSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::FirstSQL(NumberOf(aDSHandle)); });
}
unsigned char __stdcall LastSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::LastSQL(NumberOf(aDSHandle)); });
}
unsigned char __stdcall NextSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::NextSQL(NumberOf(aDSHandle)); });
}
unsigned char __stdcall PriorSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::PriorSQL(NumberOf(aDSHandle)); });
}

// The low 8 bits of the record count.
unsigned char __stdcall CountSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::CountSQL(NumberOf(aDSHandle)); });
}

// The end-of-data flag; 1 on failure, so that a walk to the end stops.
unsigned char __stdcall EofSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(1, [&] { return karvo::EofSQL(NumberOf(aDSHandle)); });
}

// A field's value in the current record, by name ignoring case.
const char* __stdcall FieldByNameSQL(KARVO_HANDLE aDSHandle, const char* aFieldName) {
  return Guarded<const char*>(nullptr, [&] { return karvo::FieldByNameSQL(NumberOf(aDSHandle), aFieldName); });
}
void __stdcall FieldByNameSQLA(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, KARVO_ANSISTRING aFieldName) {
  GuardedResult(aResult, [&] {
    AnsiArg name(aFieldName);
    return karvo::FieldByNameSQL(NumberOf(aDSHandle), PlainFromA(name));
  });
}
// Name and value both pass through the ANSI code page, as for every family based on its plain form.
void __stdcall FieldByNameSQLW(BSTR* aResult, KARVO_HANDLE aDSHandle, BSTR aFieldName) {
  GuardedResult(aResult, [&] { return karvo::FieldByNameSQL(NumberOf(aDSHandle), PlainFromW(aFieldName)); });
}

// Rows from aStart, at most aCount, as delimited text; asked of the host when the direct export fails.
const char* __stdcall GetCSVQuerySQL(KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader) {
  return Guarded<const char*>(nullptr,
                              [&] { return karvo::GetCSVQuerySQL(NumberOf(aDSHandle), aStart, aCount, aWithHeader); });
}
void __stdcall GetCSVQuerySQLA(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount,
                               unsigned char aWithHeader) {
  GuardedResult(aResult, [&] { return karvo::GetCSVQuerySQL(NumberOf(aDSHandle), aStart, aCount, aWithHeader); });
}
void __stdcall GetCSVQuerySQLW(BSTR* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount,
                               unsigned char aWithHeader) {
  GuardedResult(aResult, [&] { return karvo::GetCSVQuerySQL(NumberOf(aDSHandle), aStart, aCount, aWithHeader); });
}

// Not implemented: null and "NoImplement".
const char* __stdcall GetXMLQuerySQL(unsigned int, unsigned int, unsigned int, unsigned int) {
  return Guarded<const char*>(nullptr, [] { return karvo::GetXMLQuerySQL(); });
}
