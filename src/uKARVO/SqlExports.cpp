// SQL statements and queries run by the host.
#include "database/SqlCommands.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// Runs a statement that returns no rows. Returns the result code (1 =
// success); SysDatabase 1 is refused with 0.
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

// Runs a query; the host's answer as text, null when empty or failed.
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

// Has the host open a query; the handle of its result set, null on failure.
KARVO_HANDLE __stdcall OpenQuerySQL(const char* SQLText, unsigned char SysDatabase) {
  return Guarded<KARVO_HANDLE>(nullptr, [&] {
    return reinterpret_cast<KARVO_HANDLE>(static_cast<std::uintptr_t>(karvo::OpenQuerySQL(SQLText, SysDatabase)));
  });
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

// Has the host close a result set. Returns the result code.
unsigned char __stdcall CloseQuerySQL(KARVO_HANDLE QueryHandle) {
  return Guarded<unsigned char>(0, [&] {
    return karvo::CloseQuerySQL(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(QueryHandle)));
  });
}
