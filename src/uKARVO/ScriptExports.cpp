// Script objects in the host's script engine. The W forms (and the exports
// without forms) do the work; the plain form decodes its texts from the
// system ANSI code page, the A form from the code page each counted string
// records, and both hand them on unchanged.
#include "scripts/ScriptObjects.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// The host's handle of a new script with that source; 0 on failure.
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

// Gives the script a variable; 1 on success.
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

// Makes the host's function aFuncValue callable from the script as aFuncName; 1 on success.
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

// The value of the script's variable; the caller's old BSTR is released first.
void __stdcall GetScriptVariantW(BSTR* aResult, int aScript, BSTR aVarName) {
  GuardedResult(aResult, [&] {
    StoreEmpty(aResult);
    return karvo::GetScriptVariantW(aScript, BstrText(aVarName));
  });
}
const char* __stdcall GetScriptVariant(int aScript, const char* aVarName) {
  return Guarded<const char*>(nullptr,
                              [&] { return TextToPlain(karvo::GetScriptVariantW(aScript, PlainText(aVarName))); });
}
void __stdcall GetScriptVariantA(KARVO_ANSISTRING* aResult, int aScript, KARVO_ANSISTRING aVarName) {
  GuardedResult(aResult, [&] {
    AnsiArg name(aVarName);
    return karvo::GetScriptVariantW(aScript, AnsiStringText(name));
  });
}

// Changes the script's variable; 1 on success.
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

// Runs the script and waits for it; 1 on success, the host's message on failure.
int __stdcall ExecuteScript(int aScript) {
  return Guarded<int>(0, [&] { return karvo::ExecuteScript(aScript); });
}

// Has the host start the script, with "1" or "0" for aFlag's low byte; 1 on success.
int __stdcall ExecuteAsychScript(int aScript, int aFlag) {
  return Guarded<int>(0, [&] { return karvo::ExecuteAsychScript(aScript, aFlag); });
}

// 1 when the host reports the background run a success.
unsigned char __stdcall CheckAsynchScriptStatus(int aScript) {
  return Guarded<unsigned char>(0, [&] { return karvo::CheckAsynchScriptStatus(aScript); });
}

// Has the host release the script; 1 on success.
int __stdcall FreeScript(int aScript) {
  return Guarded<int>(0, [&] { return karvo::FreeScript(aScript); });
}
