// A plug-in that refhost runs in its own process, with its object model
// installed: the cursor and the export on refhost's real SQLite data sets,
// fed the handles and ranges a careless plug-in would pass. refhost must
// survive all of it and still serve; the plug-in returns the number of
// checks that failed.
#include <windows.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "karvo.h"

namespace {

int failures = 0;

std::string Text(const char* p) { return p ? p : "<null>"; }
std::string Error() { return Text(GetLastAPIError()); }

void Expect(bool ok, const char* what, int line) {
  if (ok) return;
  ++failures;
  std::printf("edge plug-in: line %d: %s (last error: %s)\n", line, what, Error().c_str());
}
#define EXPECT(cond) Expect((cond), #cond, __LINE__)

// The system ANSI code page's form of a UTF-16 literal, as KARVO.DLL makes
// it: no best fit, the substitute character for what the page lacks.
std::string Ansi(const wchar_t* w) {
  int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, -1, nullptr, 0, nullptr, nullptr);
  std::string s(n > 0 ? n - 1 : 0, '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, w, -1, &s[0], n, nullptr, nullptr);
  return s;
}

KARVO_HANDLE H(std::uintptr_t v) { return reinterpret_cast<KARVO_HANDLE>(v); }

}  // namespace

extern "C" __declspec(dllexport) int __stdcall KarvoPluginRun(const char* apiText) {
  if (OpenAPI(apiText) != 1) return 100;
  const std::string bad = Ansi(L"Niepoprawne źródło danych!");
  const std::string ex = Ansi(L"Wystąpił wyjątek!");

  KARVO_HANDLE q = OpenQuerySQL("SELECT ID, NAZWA, MIASTO FROM KONTRAHENCI ORDER BY ID", 0);
  EXPECT(q != nullptr);
  EXPECT(CountSQL(q) == 5);
  EXPECT(LastSQL(q) == 1 && Text(FieldByNameSQL(q, "id")) == "5");
  EXPECT(NextSQL(q) == 1 && EofSQL(q) != 0);
  EXPECT(FirstSQL(q) == 1 && EofSQL(q) == 0 && Text(FieldByNameSQL(q, "Miasto")) == Ansi(L"Łódź"));
  EXPECT(FieldByNameSQL(q, "NIP") == nullptr && Error() == ex);  // not in this query

  // Values with quotes and semicolons, unchanged; ranges at their extremes.
  EXPECT(Text(GetCSVQuerySQL(q, 3, 1, 0)) ==
         Ansi(L"\n\r\"3\";\"Hurtownia Spożywcza \"Pod Kłosem\"; oddział 2\";\"Kraków\";"));
  EXPECT(Text(GetCSVQuerySQL(q, 5, INT_MAX, 0)) ==
         Ansi(L"\n\r\"5\";\"Źródło Wód Mineralnych Bąk i Syn\";\"Szczawnica\";"));
  EXPECT(Error() == Ansi(L"Ilość wierszy do odczytania jest większa niż faktyczna ilość wierszy!"));
  EXPECT(GetCSVQuerySQL(q, 6, 1, 1) == nullptr &&
         Error() == Ansi(L"Pozycja początkowa jest większa niż ilość wierszy!"));
  EXPECT(Text(GetCSVQuerySQL(q, 0, 0, 1)) == "\"ID\";\"NAZWA\";\"MIASTO\";");
  EXPECT(GetCSVQuerySQL(q, 0, INT_MIN, 0) == nullptr && Error() == "<null>");
  // A negative start is refused by the data set, then by the host too.
  EXPECT(GetCSVQuerySQL(q, -1, 3, 0) == nullptr && Error() == Ansi(L"Niepoprawny numer rekordu"));

  // Foreign handles: the data set itself, made-up numbers; zero.
  EXPECT(FirstSQL(H(0x1)) == 0 && Error() == bad);
  EXPECT(EofSQL(H(0xFFFFFFFF)) == 1 && Error() == bad);
  EXPECT(FirstSQL(nullptr) == 0 && Error() == Ansi(L"Niepoprawne źródło danych (aDSHandle = nil)!"));
  EXPECT(GetCSVQuerySQL(nullptr, 0, 1, 1) == nullptr &&
         Error() == Ansi(L"Próba odczytu z nieotwartego Query (DSHandle = 0) !"));

  // A field name outside the code page reaches the data set as '?'.
  KARVO_HANDLE odd = OpenQuerySQL("SELECT * FROM CENNIK WHERE ID = 1", 0);
  EXPECT(odd != nullptr);
  BSTR name = SysAllocString(L"\u03A3_BRUTTO");
  BSTR value = nullptr;
  FieldByNameSQLW(&value, odd, name);
  EXPECT(value == nullptr && Error() == ex);
  SysFreeString(name);
  EXPECT(Text(GetCSVQuerySQL(odd, 0, 1, 1)) ==
         Ansi(L"\"ID\";\"TOWAR\";\"\u03A3_BRUTTO\";\n\r\"1\";\"Mąka żytnia typ 720\";\"4.29\";"));
  EXPECT(CloseQuerySQL(odd) == 1);

  // Forward-only: no last record, so no counting from the end either.
  KARVO_HANDLE fwd = OpenQuerySQL("/*FORWARD_ONLY*/ SELECT ID FROM TOWARY ORDER BY ID", 0);
  EXPECT(fwd != nullptr);
  EXPECT(LastSQL(fwd) == 0 && Error() == ex);
  EXPECT(NextSQL(fwd) == 1 && Text(FieldByNameSQL(fwd, "ID")) == "2");
  EXPECT(PriorSQL(fwd) == 0 && Error() == ex);
  EXPECT(Text(GetCSVQuerySQL(fwd, 0, 2, 0)) == "\n\r\"1\";\n\r\"2\";");
  EXPECT(CloseQuerySQL(fwd) == 1);

  // A closed query's handle is stale: refused, and the host cannot export it.
  EXPECT(CloseQuerySQL(q) == 1);
  EXPECT(NextSQL(q) == 0 && Error() == bad);
  EXPECT(GetCSVQuerySQL(q, 0, 1, 1) == nullptr && Error() == Ansi(L"Nieprawidłowy uchwyt DSHandle!"));

  // SQL the database rejects: the host's message; and the host still serves.
  EXPECT(OpenQuerySQL("SELEKT 1", 0) == nullptr && Error().find("syntax error") != std::string::npos);
  EXPECT(ExecuteSQL("UPDATE KONTRAHENCI SET AKTYWNY = AKTYWNY", 0) == 1);
  std::printf("edge plug-in: %d failed checks\n", failures);
  std::fflush(stdout);
  return failures;
}
