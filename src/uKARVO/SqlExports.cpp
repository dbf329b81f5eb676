// SQL statements and queries run by the host.
#include "database/SqlCommands.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// Has the host run a statement that returns no rows; the result code (1 success).
unsigned char __stdcall ExecuteSQL(const char* SQLText, unsigned char SysDatabase) {
  return Guarded<unsigned char>(0, [&] { return karvo::ExecuteSQL(SQLText, SysDatabase); });
}
unsigned char __stdcall ExecuteSQLA(KARVO_ANSISTRING SQLText, unsigned char SysDatabase) {
  return Guarded<unsigned char>(0, [&] {
    AnsiArg sql(SQLText);
    return karvo::ExecuteSQL(PlainFromA(sql), SysDatabase);
  });
}
unsigned char __stdcall ExecuteSQLW(BSTR SQLText, unsigned char SysDatabase) {
  return Guarded<unsigned char>(0, [&] { return karvo::ExecuteSQL(PlainFromW(SQLText), SysDatabase); });
}

// Has the host run a query; its answer as text.
const char* __stdcall GetFromQuerySQL(const char* SQLText, unsigned char SysDatabase) {
  return Guarded<const char*>(nullptr, [&] { return karvo::GetFromQuerySQL(SQLText, SysDatabase); });
}
void __stdcall GetFromQuerySQLA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING SQLText, unsigned char SysDatabase) {
  GuardedResult(aResult, [&] {
    AnsiArg sql(SQLText);
    return karvo::GetFromQuerySQL(PlainFromA(sql), SysDatabase);
  });
}
void __stdcall GetFromQuerySQLW(BSTR* aResult, BSTR SQLText, unsigned char SysDatabase) {
  GuardedResult(aResult, [&] { return karvo::GetFromQuerySQL(PlainFromW(SQLText), SysDatabase); });
}

// Has the host open a query; the handle of its result set.
KARVO_HANDLE __stdcall OpenQuerySQL(const char* SQLText, unsigned char SysDatabase) {
  return Guarded<KARVO_HANDLE>(nullptr, [&] { return HandleOf(karvo::OpenQuerySQL(SQLText, SysDatabase)); });
}
KARVO_HANDLE __stdcall OpenQuerySQLA(KARVO_ANSISTRING SQLText, unsigned char SysDatabase) {
  return Guarded<KARVO_HANDLE>(nullptr, [&] {
    AnsiArg sql(SQLText);
    return ::OpenQuerySQL(PlainFromA(sql), SysDatabase);
  });
}
KARVO_HANDLE __stdcall OpenQuerySQLW(BSTR SQLText, unsigned char SysDatabase) {
  return Guarded<KARVO_HANDLE>(nullptr, [&] { return ::OpenQuerySQL(PlainFromW(SQLText), SysDatabase); });
}

// Has the host close a result set; the result code.
unsigned char __stdcall CloseQuerySQL(KARVO_HANDLE QueryHandle) {
  return Guarded<unsigned char>(0, [&] { return karvo::CloseQuerySQL(NumberOf(QueryHandle)); });
}
