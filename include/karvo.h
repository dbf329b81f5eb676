/* KARVO.DLL 1.4.0.0: the exports for plug-ins, in C89 and C++.
 * Generated from exports/karvo.exports; do not edit.
 *
 * Every export uses the Windows API calling convention (__stdcall).
 * Texts:
 *   const char* arguments: NUL-terminated, system ANSI code page; null = empty.
 *   const char* results: owned by KARVO.DLL, valid until the next text result
 *     of any export; never free them. Null means an empty text.
 *   KARVO_ANSISTRING (A forms): the host runtime's counted 8-bit string, from
 *     the memory manager all modules of the process share. A result variable
 *     receives a new string; the reference it held is given back.
 *   BSTR (W forms): an argument stays the caller's; a result variable
 *     receives a new BSTR (null for empty) and its old BSTR is freed.
 *   VARIANT arguments are passed by value (16 bytes); a VARIANT* result is
 *     the caller's to VariantClear.
 * A failure shows in the result and in GetLastAPIError.
 */
#ifndef KARVO_H
#define KARVO_H

#include <windows.h>
#include <oleauto.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* KARVO_HANDLE;
typedef char* KARVO_ANSISTRING;

#ifndef KARVO_API
#define KARVO_API __declspec(dllimport)
#endif


/* ---- Opening and errors ---- */

typedef unsigned char(__stdcall* KARVO_PFN_OpenAPI)(const char* ApiText);
KARVO_API unsigned char __stdcall OpenAPI(const char* ApiText);
typedef unsigned char(__stdcall* KARVO_PFN_OpenAPIA)(KARVO_ANSISTRING ApiText);
KARVO_API unsigned char __stdcall OpenAPIA(KARVO_ANSISTRING ApiText);
typedef unsigned char(__stdcall* KARVO_PFN_OpenAPIW)(BSTR ApiText);
KARVO_API unsigned char __stdcall OpenAPIW(BSTR ApiText);
typedef const char*(__stdcall* KARVO_PFN_GetLastAPIError)(void);
KARVO_API const char* __stdcall GetLastAPIError(void);
typedef void(__stdcall* KARVO_PFN_GetLastAPIErrorA)(KARVO_ANSISTRING* aResult);
KARVO_API void __stdcall GetLastAPIErrorA(KARVO_ANSISTRING* aResult);
typedef void(__stdcall* KARVO_PFN_GetLastAPIErrorW)(BSTR* aResult);
KARVO_API void __stdcall GetLastAPIErrorW(BSTR* aResult);

/* ---- SQL ---- */

typedef unsigned char(__stdcall* KARVO_PFN_ExecuteSQL)(const char* SQLText, unsigned char SysDatabase);
KARVO_API unsigned char __stdcall ExecuteSQL(const char* SQLText, unsigned char SysDatabase);
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteSQLA)(KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
KARVO_API unsigned char __stdcall ExecuteSQLA(KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteSQLW)(BSTR SQLText, unsigned char SysDatabase);
KARVO_API unsigned char __stdcall ExecuteSQLW(BSTR SQLText, unsigned char SysDatabase);
typedef const char*(__stdcall* KARVO_PFN_GetFromQuerySQL)(const char* SQLText, unsigned char SysDatabase);
KARVO_API const char* __stdcall GetFromQuerySQL(const char* SQLText, unsigned char SysDatabase);
typedef void(__stdcall* KARVO_PFN_GetFromQuerySQLA)(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
KARVO_API void __stdcall GetFromQuerySQLA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
typedef void(__stdcall* KARVO_PFN_GetFromQuerySQLW)(BSTR* aResult, BSTR SQLText, unsigned char SysDatabase);
KARVO_API void __stdcall GetFromQuerySQLW(BSTR* aResult, BSTR SQLText, unsigned char SysDatabase);
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_OpenQuerySQL)(const char* SQLText, unsigned char SysDatabase);
KARVO_API KARVO_HANDLE __stdcall OpenQuerySQL(const char* SQLText, unsigned char SysDatabase);
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_OpenQuerySQLA)(KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
KARVO_API KARVO_HANDLE __stdcall OpenQuerySQLA(KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_OpenQuerySQLW)(BSTR SQLText, unsigned char SysDatabase);
KARVO_API KARVO_HANDLE __stdcall OpenQuerySQLW(BSTR SQLText, unsigned char SysDatabase);
typedef unsigned char(__stdcall* KARVO_PFN_CloseQuerySQL)(KARVO_HANDLE QueryHandle);
KARVO_API unsigned char __stdcall CloseQuerySQL(KARVO_HANDLE QueryHandle);

/* ---- Scripts ---- */

typedef int(__stdcall* KARVO_PFN_CreateScript)(const char* aScriptText);
KARVO_API int __stdcall CreateScript(const char* aScriptText);
typedef int(__stdcall* KARVO_PFN_CreateScriptA)(KARVO_ANSISTRING aScriptText);
KARVO_API int __stdcall CreateScriptA(KARVO_ANSISTRING aScriptText);
typedef int(__stdcall* KARVO_PFN_CreateScriptW)(BSTR aScriptText);
KARVO_API int __stdcall CreateScriptW(BSTR aScriptText);
typedef int(__stdcall* KARVO_PFN_AddScriptVariant)(int aScript, const char* aVarName, const char* aVarValue);
KARVO_API int __stdcall AddScriptVariant(int aScript, const char* aVarName, const char* aVarValue);
typedef int(__stdcall* KARVO_PFN_AddScriptVariantA)(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue);
KARVO_API int __stdcall AddScriptVariantA(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue);
typedef int(__stdcall* KARVO_PFN_AddScriptVariantW)(int aScript, BSTR aVarName, BSTR aVarValue);
KARVO_API int __stdcall AddScriptVariantW(int aScript, BSTR aVarName, BSTR aVarValue);
typedef int(__stdcall* KARVO_PFN_AddScriptFunction)(int aScript, unsigned int aFuncValue, const char* aFuncName);
KARVO_API int __stdcall AddScriptFunction(int aScript, unsigned int aFuncValue, const char* aFuncName);
typedef int(__stdcall* KARVO_PFN_AddScriptFunctionA)(int aScript, unsigned int aFuncValue, KARVO_ANSISTRING aFuncName);
KARVO_API int __stdcall AddScriptFunctionA(int aScript, unsigned int aFuncValue, KARVO_ANSISTRING aFuncName);
typedef int(__stdcall* KARVO_PFN_AddScriptFunctionW)(int aScript, unsigned int aFuncValue, BSTR aFuncName);
KARVO_API int __stdcall AddScriptFunctionW(int aScript, unsigned int aFuncValue, BSTR aFuncName);
typedef const char*(__stdcall* KARVO_PFN_GetScriptVariant)(int aScript, const char* aVarName);
KARVO_API const char* __stdcall GetScriptVariant(int aScript, const char* aVarName);
typedef void(__stdcall* KARVO_PFN_GetScriptVariantA)(KARVO_ANSISTRING* aResult, int aScript, KARVO_ANSISTRING aVarName);
KARVO_API void __stdcall GetScriptVariantA(KARVO_ANSISTRING* aResult, int aScript, KARVO_ANSISTRING aVarName);
typedef void(__stdcall* KARVO_PFN_GetScriptVariantW)(BSTR* aResult, int aScript, BSTR aVarName);
KARVO_API void __stdcall GetScriptVariantW(BSTR* aResult, int aScript, BSTR aVarName);
typedef int(__stdcall* KARVO_PFN_SetScriptVariant)(int aScript, const char* aVarName, const char* aVarValue);
KARVO_API int __stdcall SetScriptVariant(int aScript, const char* aVarName, const char* aVarValue);
typedef int(__stdcall* KARVO_PFN_SetScriptVariantA)(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue);
KARVO_API int __stdcall SetScriptVariantA(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue);
typedef int(__stdcall* KARVO_PFN_SetScriptVariantW)(int aScript, BSTR aVarName, BSTR aVarValue);
KARVO_API int __stdcall SetScriptVariantW(int aScript, BSTR aVarName, BSTR aVarValue);
typedef int(__stdcall* KARVO_PFN_ExecuteScript)(int aScript);
KARVO_API int __stdcall ExecuteScript(int aScript);
typedef int(__stdcall* KARVO_PFN_ExecuteAsychScript)(int aScript, int aFlag);
KARVO_API int __stdcall ExecuteAsychScript(int aScript, int aFlag);
typedef unsigned char(__stdcall* KARVO_PFN_CheckAsynchScriptStatus)(int aScript);
KARVO_API unsigned char __stdcall CheckAsynchScriptStatus(int aScript);
typedef int(__stdcall* KARVO_PFN_FreeScript)(int aScript);
KARVO_API int __stdcall FreeScript(int aScript);

#ifdef __cplusplus
}
#endif

#endif /* KARVO_H */
