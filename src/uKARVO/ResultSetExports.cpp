// The cursor over a result set the host opened, and its text export.
#include "database/CsvExport.h"
#include "database/Cursor.h"
#include "uKARVO/Exports.h"

using namespace karvo;

namespace {
std::uint32_t Raw(KARVO_HANDLE h) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)); }
}  // namespace

// Moves the data set behind a data-source handle: 1 when the move
// returned, 0 on failure (the message in the last error).
unsigned char __stdcall FirstSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::FirstSQL(Raw(aDSHandle)); });
}
unsigned char __stdcall LastSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::LastSQL(Raw(aDSHandle)); });
}
unsigned char __stdcall NextSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::NextSQL(Raw(aDSHandle)); });
}
unsigned char __stdcall PriorSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::PriorSQL(Raw(aDSHandle)); });
}

// The low 8 bits of the record count; 0 on failure.
unsigned char __stdcall CountSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::CountSQL(Raw(aDSHandle)); });
}

// The end-of-data flag; 1 on failure, so a walk to the end stops.
unsigned char __stdcall EofSQL(KARVO_HANDLE aDSHandle) {
  return Guarded<unsigned char>(1, [&] { return karvo::EofSQL(Raw(aDSHandle)); });
}

// A field's value in the current record, by name ignoring case; null when
// empty or on failure.
const char* __stdcall FieldByNameSQL(KARVO_HANDLE aDSHandle, const char* aFieldName) {
  return Guarded<const char*>(nullptr, [&] { return karvo::FieldByNameSQL(Raw(aDSHandle), aFieldName); });
}
void __stdcall FieldByNameSQLA(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, KARVO_ANSISTRING aFieldName) {
  GuardedResult(aResult, [&] {
    AnsiArg name(aFieldName);
    return karvo::FieldByNameSQL(Raw(aDSHandle), PlainFromA(name));
  });
}
void __stdcall FieldByNameSQLW(BSTR* aResult, KARVO_HANDLE aDSHandle, BSTR aFieldName) {
  GuardedResult(aResult, [&] { return karvo::FieldByNameSQL(Raw(aDSHandle), PlainFromW(aFieldName)); });
}

// Rows from aStart (0 = the first record), at most aCount, after a line of
// field names when aWithHeader is 1, as delimited 8-bit text; worked in
// this process, asked of the host when that fails. Null when empty or on
// failure.
const char* __stdcall GetCSVQuerySQL(KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader) {
  return Guarded<const char*>(nullptr,
                              [&] { return karvo::GetCSVQuerySQL(Raw(aDSHandle), aStart, aCount, aWithHeader); });
}
void __stdcall GetCSVQuerySQLA(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount,
                               unsigned char aWithHeader) {
  GuardedResult(aResult, [&] { return karvo::GetCSVQuerySQL(Raw(aDSHandle), aStart, aCount, aWithHeader); });
}
void __stdcall GetCSVQuerySQLW(BSTR* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount,
                               unsigned char aWithHeader) {
  GuardedResult(aResult, [&] { return karvo::GetCSVQuerySQL(Raw(aDSHandle), aStart, aCount, aWithHeader); });
}

// The XML counterpart is not implemented: null and "NoImplement".
const char* __stdcall GetXMLQuerySQL(unsigned int, unsigned int, unsigned int, unsigned int) {
  return Guarded<const char*>(nullptr, [] {
    ClearAPIError();
    return karvo::GetXMLQuerySQL();
  });
}
