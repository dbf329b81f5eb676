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

/* ---- Call documents ---- */

typedef const char*(__stdcall* KARVO_PFN_XMLGetProcName)(const char* XMLText);
KARVO_API const char* __stdcall XMLGetProcName(const char* XMLText);
typedef void(__stdcall* KARVO_PFN_XMLGetProcNameA)(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText);
KARVO_API void __stdcall XMLGetProcNameA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText);
typedef void(__stdcall* KARVO_PFN_XMLGetProcNameW)(BSTR* aResult, BSTR XMLText);
KARVO_API void __stdcall XMLGetProcNameW(BSTR* aResult, BSTR XMLText);
typedef const char*(__stdcall* KARVO_PFN_XMLGetWindowName)(const char* XMLText);
KARVO_API const char* __stdcall XMLGetWindowName(const char* XMLText);
typedef void(__stdcall* KARVO_PFN_XMLGetWindowNameA)(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText);
KARVO_API void __stdcall XMLGetWindowNameA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText);
typedef void(__stdcall* KARVO_PFN_XMLGetWindowNameW)(BSTR* aResult, BSTR XMLText);
KARVO_API void __stdcall XMLGetWindowNameW(BSTR* aResult, BSTR XMLText);
typedef const char*(__stdcall* KARVO_PFN_XMLGetTagText)(const char* XMLText, const char* TagName);
KARVO_API const char* __stdcall XMLGetTagText(const char* XMLText, const char* TagName);
typedef void(__stdcall* KARVO_PFN_XMLGetData)(VARIANT* Value, const char* XMLText, const char* VarName, unsigned char Direction);
KARVO_API void __stdcall XMLGetData(VARIANT* Value, const char* XMLText, const char* VarName, unsigned char Direction);
typedef const char*(__stdcall* KARVO_PFN_XMLSetData)(const char* XMLText, const char* VarName, VARIANT Value, unsigned char Direction, const char* SectionName);
KARVO_API const char* __stdcall XMLSetData(const char* XMLText, const char* VarName, VARIANT Value, unsigned char Direction, const char* SectionName);

#ifdef __cplusplus
}
#endif

#endif /* KARVO_H */
