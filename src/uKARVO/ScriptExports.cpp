// Script objects in the host's script engine. The W forms (and the exports
// without forms) do the work; the plain form decodes its texts from the
// system ANSI code page, the A form from the code page each counted string
// records, and both hand them on unchanged.
#include "scripts/ScriptObjects.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// aScriptText: the script's source. Returns the host's script handle; 0 on
// failure, with "Błąd tworzenia skryptu !".
int __stdcall CreateScriptW(BSTR aScriptText) {
  return Guarded<int>(0, [&] { return karvo::CreateScriptW(BstrText(aScriptText)); });
}
int __stdcall CreateScript(const char* aScriptText) {
  return Guarded<int>(0, [&] { return karvo::CreateScriptW(PlainText(aScriptText)); });
}
int __stdcall CreateScriptA(KARVO_ANSISTRING aScriptText) {
  return Guarded<int>(0, [&] {
    AnsiArg text(aScriptText);
    return karvo::CreateScriptW(AnsiStringText(text));
  });
}

// aScript, aVarName, aVarValue: gives the script a variable. Returns 1; 0 on
// failure, with "Błąd dodawania zmiennej".
int __stdcall AddScriptVariantW(int aScript, BSTR aVarName, BSTR aVarValue) {
  return Guarded<int>(0, [&] { return karvo::AddScriptVariantW(aScript, BstrText(aVarName), BstrText(aVarValue)); });
}
int __stdcall AddScriptVariant(int aScript, const char* aVarName, const char* aVarValue) {
  return Guarded<int>(0, [&] { return karvo::AddScriptVariantW(aScript, PlainText(aVarName), PlainText(aVarValue)); });
}
int __stdcall AddScriptVariantA(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue) {
  return Guarded<int>(0, [&] {
    AnsiArg name(aVarName), value(aVarValue);
    return karvo::AddScriptVariantW(aScript, AnsiStringText(name), AnsiStringText(value));
  });
}

// aScript, aFuncValue (the host's function, sent as unsigned decimal),
// aFuncName: makes the function callable from the script under that name.
// Returns 1; 0 on failure, with "Błąd dodawania funkcji".
int __stdcall AddScriptFunctionW(int aScript, unsigned int aFuncValue, BSTR aFuncName) {
  return Guarded<int>(0, [&] { return karvo::AddScriptFunctionW(aScript, aFuncValue, BstrText(aFuncName)); });
}
int __stdcall AddScriptFunction(int aScript, unsigned int aFuncValue, const char* aFuncName) {
  return Guarded<int>(0, [&] { return karvo::AddScriptFunctionW(aScript, aFuncValue, PlainText(aFuncName)); });
}
int __stdcall AddScriptFunctionA(int aScript, unsigned int aFuncValue, KARVO_ANSISTRING aFuncName) {
  return Guarded<int>(0, [&] {
    AnsiArg name(aFuncName);
    return karvo::AddScriptFunctionW(aScript, aFuncValue, AnsiStringText(name));
  });
}

// aResult receives the value of variable aVarName of aScript; its old BSTR
// is released first, so on failure it is empty, with "Błąd pobierania
// wartości zmiennej !".
void __stdcall GetScriptVariantW(BSTR* aResult, int aScript, BSTR aVarName) {
  GuardedResult(aResult, [&] {
    StoreEmpty(aResult);
    return karvo::GetScriptVariantW(aScript, BstrText(aVarName));
  });
}
// The value in the system ANSI code page through the return buffer; null
// when it is empty or on failure.
const char* __stdcall GetScriptVariant(int aScript, const char* aVarName) {
  return Guarded<const char*>(nullptr,
                              [&] { return TextToPlain(karvo::GetScriptVariantW(aScript, PlainText(aVarName))); });
}
// The value into the caller's counted string, in the system ANSI code page.
void __stdcall GetScriptVariantA(KARVO_ANSISTRING* aResult, int aScript, KARVO_ANSISTRING aVarName) {
  GuardedResult(aResult, [&] {
    AnsiArg name(aVarName);
    return karvo::GetScriptVariantW(aScript, AnsiStringText(name));
  });
}

// aScript, aVarName, aVarValue: changes a variable. Returns 1; 0 on failure,
// with "Błąd ustawiania zmiennej".
int __stdcall SetScriptVariantW(int aScript, BSTR aVarName, BSTR aVarValue) {
  return Guarded<int>(0, [&] { return karvo::SetScriptVariantW(aScript, BstrText(aVarName), BstrText(aVarValue)); });
}
int __stdcall SetScriptVariant(int aScript, const char* aVarName, const char* aVarValue) {
  return Guarded<int>(0, [&] { return karvo::SetScriptVariantW(aScript, PlainText(aVarName), PlainText(aVarValue)); });
}
int __stdcall SetScriptVariantA(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue) {
  return Guarded<int>(0, [&] {
    AnsiArg name(aVarName), value(aVarValue);
    return karvo::SetScriptVariantW(aScript, AnsiStringText(name), AnsiStringText(value));
  });
}

// Runs the script and waits for it. Returns 1; 0 on failure, with the host's
// message (or the request's, when the host did not answer).
int __stdcall ExecuteScript(int aScript) {
  return Guarded<int>(0, [&] { return karvo::ExecuteScript(aScript); });
}

// Has the host start the script by its "ExecuteAsynchScript" procedure,
// with "1" when aFlag's low byte is nonzero, else "0" (what the flag means is
// the host's). Returns 1; 0 on failure, with the host's message.
int __stdcall ExecuteAsychScript(int aScript, int aFlag) {
  return Guarded<int>(0, [&] { return karvo::ExecuteAsychScript(aScript, aFlag); });
}

// The state of a background run: 1 when the host reports success; 0 with
// the host's explanation otherwise.
unsigned char __stdcall CheckAsynchScriptStatus(int aScript) {
  return Guarded<unsigned char>(0, [&] { return karvo::CheckAsynchScriptStatus(aScript); });
}

// Has the host release the script. Returns 1; 0 on failure, with "Błąd
// zwalniania skryptu".
int __stdcall FreeScript(int aScript) {
  return Guarded<int>(0, [&] { return karvo::FreeScript(aScript); });
}
