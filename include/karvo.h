/* KARVO.DLL 1.4.0.0: the exports for plug-ins, in C89 and C++.
 * Generated from exports/karvo.exports; do not edit.
 *
 * Every export uses the Windows API calling convention (__stdcall) and is
 * imported by its undecorated name: link with libkarvo.a (MinGW) or
 * KARVO.lib (MSVC), or load it with GetProcAddress as its KARVO_PFN_ type.
 * Texts:
 *   const char* arguments: NUL-terminated, system ANSI code page; null = empty.
 *   A non-null text pointer must point at a terminated text.
 *   const char* results: owned by KARVO.DLL, valid until the calling thread's
 *     next text result of any export; never free them. Null means an empty
 *     text.
 *     GetLastAPIError is such a result too (read the last error with
 *     GetLastAPIErrorW, which leaves the buffer alone), and the A and W forms
 *     of OpenAPI, ExecuteSQL, GetFromQuerySQL, OpenQuerySQL, FieldByNameSQL,
 *     XMLGetProcName, XMLGetWindowName and LoadResource overwrite it even
 *     when they return no text: copy a result before the next call.
 *   KARVO_ANSISTRING (A forms): the host runtime's counted 8-bit string, from
 *     the memory manager all modules of the process share. A result variable
 *     receives a new string; the reference it held is given back.
 *     A manager published in the process that cannot be called (its table
 *     unreadable, or a routine outside executable memory) is never called:
 *     A-form results then fail with code 252 and leave the variable alone.
 *   BSTR (W forms): an argument stays the caller's; a result variable
 *     receives a new BSTR (null for empty) and its old BSTR is freed.
 *   A length (a counted string's, a BSTR's prefix) that runs past readable
 *     memory fails the call with code 252.
 *   VARIANT arguments are passed by value (16 bytes); a VARIANT* result is
 *     the caller's to VariantClear.
 * Byte results are the low 8 bits of the return value.
 * An export whose name is also a Windows API function (LoadResource) is
 * declared under the name Karvo + its name (KarvoLoadResource); the import
 * libraries map that name to the export, and GetProcAddress takes the
 * export's own name.
 * A failure shows in the result and in GetLastAPIError.
 * Any thread may call any export: the requests of several threads are served
 * one after another, and GetLastAPIError reads the calling thread's last
 * failure.
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

/* Ownership: ApiText is only read during the call. */
typedef unsigned char(__stdcall* KARVO_PFN_OpenAPI)(const char* ApiText);
KARVO_API unsigned char __stdcall OpenAPI(const char* ApiText);
/* Ownership: ApiText keeps one extra reference only during the call. */
typedef unsigned char(__stdcall* KARVO_PFN_OpenAPIA)(KARVO_ANSISTRING ApiText);
KARVO_API unsigned char __stdcall OpenAPIA(KARVO_ANSISTRING ApiText);
/* Ownership: ApiText stays the caller's (KARVO.DLL copies it). */
typedef unsigned char(__stdcall* KARVO_PFN_OpenAPIW)(BSTR ApiText);
KARVO_API unsigned char __stdcall OpenAPIW(BSTR ApiText);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty. */
typedef const char*(__stdcall* KARVO_PFN_GetLastAPIError)(void);
KARVO_API const char* __stdcall GetLastAPIError(void);
/* Ownership: aResult gets a new counted string from the shared memory manager and gives back the one it held; the caller releases it. */
typedef void(__stdcall* KARVO_PFN_GetLastAPIErrorA)(KARVO_ANSISTRING* aResult);
KARVO_API void __stdcall GetLastAPIErrorA(KARVO_ANSISTRING* aResult);
/* Ownership: aResult gets a new BSTR (null for empty) and its old one is freed; the caller frees it with SysFreeString. */
typedef void(__stdcall* KARVO_PFN_GetLastAPIErrorW)(BSTR* aResult);
KARVO_API void __stdcall GetLastAPIErrorW(BSTR* aResult);

/* ---- SQL ---- */

/* Ownership: SQLText is only read during the call. */
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteSQL)(const char* SQLText, unsigned char SysDatabase);
KARVO_API unsigned char __stdcall ExecuteSQL(const char* SQLText, unsigned char SysDatabase);
/* Ownership: SQLText keeps one extra reference only during the call. */
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteSQLA)(KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
KARVO_API unsigned char __stdcall ExecuteSQLA(KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
/* Ownership: SQLText stays the caller's (KARVO.DLL copies it). */
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteSQLW)(BSTR SQLText, unsigned char SysDatabase);
KARVO_API unsigned char __stdcall ExecuteSQLW(BSTR SQLText, unsigned char SysDatabase);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; SQLText is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_GetFromQuerySQL)(const char* SQLText, unsigned char SysDatabase);
KARVO_API const char* __stdcall GetFromQuerySQL(const char* SQLText, unsigned char SysDatabase);
/* Ownership: aResult gets a new counted string from the shared memory manager and gives back the one it held; the caller releases it; SQLText keeps one extra reference only during the call. */
typedef void(__stdcall* KARVO_PFN_GetFromQuerySQLA)(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
KARVO_API void __stdcall GetFromQuerySQLA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
/* Ownership: aResult gets a new BSTR (null for empty) and its old one is freed; the caller frees it with SysFreeString; SQLText stays the caller's (KARVO.DLL copies it). */
typedef void(__stdcall* KARVO_PFN_GetFromQuerySQLW)(BSTR* aResult, BSTR SQLText, unsigned char SysDatabase);
KARVO_API void __stdcall GetFromQuerySQLW(BSTR* aResult, BSTR SQLText, unsigned char SysDatabase);
/* Ownership: SQLText is only read during the call. */
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_OpenQuerySQL)(const char* SQLText, unsigned char SysDatabase);
KARVO_API KARVO_HANDLE __stdcall OpenQuerySQL(const char* SQLText, unsigned char SysDatabase);
/* Ownership: SQLText keeps one extra reference only during the call. */
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_OpenQuerySQLA)(KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
KARVO_API KARVO_HANDLE __stdcall OpenQuerySQLA(KARVO_ANSISTRING SQLText, unsigned char SysDatabase);
/* Ownership: SQLText stays the caller's (KARVO.DLL copies it). */
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_OpenQuerySQLW)(BSTR SQLText, unsigned char SysDatabase);
KARVO_API KARVO_HANDLE __stdcall OpenQuerySQLW(BSTR SQLText, unsigned char SysDatabase);
/* Ownership: QueryHandle is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_CloseQuerySQL)(KARVO_HANDLE QueryHandle);
KARVO_API unsigned char __stdcall CloseQuerySQL(KARVO_HANDLE QueryHandle);

/* ---- Result sets ---- */

/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; aDSHandle is the host's, lent and never freed; aFieldName is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_FieldByNameSQL)(KARVO_HANDLE aDSHandle, const char* aFieldName);
KARVO_API const char* __stdcall FieldByNameSQL(KARVO_HANDLE aDSHandle, const char* aFieldName);
/* Ownership: aResult gets a new counted string from the shared memory manager and gives back the one it held; the caller releases it; aDSHandle is the host's, lent and never freed; aFieldName keeps one extra reference only during the call. */
typedef void(__stdcall* KARVO_PFN_FieldByNameSQLA)(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, KARVO_ANSISTRING aFieldName);
KARVO_API void __stdcall FieldByNameSQLA(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, KARVO_ANSISTRING aFieldName);
/* Ownership: aResult gets a new BSTR (null for empty) and its old one is freed; the caller frees it with SysFreeString; aDSHandle is the host's, lent and never freed; aFieldName stays the caller's (KARVO.DLL copies it). */
typedef void(__stdcall* KARVO_PFN_FieldByNameSQLW)(BSTR* aResult, KARVO_HANDLE aDSHandle, BSTR aFieldName);
KARVO_API void __stdcall FieldByNameSQLW(BSTR* aResult, KARVO_HANDLE aDSHandle, BSTR aFieldName);
/* Ownership: aDSHandle is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_FirstSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall FirstSQL(KARVO_HANDLE aDSHandle);
/* Ownership: aDSHandle is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_LastSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall LastSQL(KARVO_HANDLE aDSHandle);
/* Ownership: aDSHandle is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_NextSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall NextSQL(KARVO_HANDLE aDSHandle);
/* Ownership: aDSHandle is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_PriorSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall PriorSQL(KARVO_HANDLE aDSHandle);
/* Ownership: aDSHandle is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_CountSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall CountSQL(KARVO_HANDLE aDSHandle);
/* Ownership: aDSHandle is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_EofSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall EofSQL(KARVO_HANDLE aDSHandle);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; aDSHandle is the host's, lent and never freed. */
typedef const char*(__stdcall* KARVO_PFN_GetCSVQuerySQL)(KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
KARVO_API const char* __stdcall GetCSVQuerySQL(KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
/* Ownership: aResult gets a new counted string from the shared memory manager and gives back the one it held; the caller releases it; aDSHandle is the host's, lent and never freed. */
typedef void(__stdcall* KARVO_PFN_GetCSVQuerySQLA)(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
KARVO_API void __stdcall GetCSVQuerySQLA(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
/* Ownership: aResult gets a new BSTR (null for empty) and its old one is freed; the caller frees it with SysFreeString; aDSHandle is the host's, lent and never freed. */
typedef void(__stdcall* KARVO_PFN_GetCSVQuerySQLW)(BSTR* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
KARVO_API void __stdcall GetCSVQuerySQLW(BSTR* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty. */
typedef const char*(__stdcall* KARVO_PFN_GetXMLQuerySQL)(unsigned int aArg1, unsigned int aArg2, unsigned int aArg3, unsigned int aArg4);
KARVO_API const char* __stdcall GetXMLQuerySQL(unsigned int aArg1, unsigned int aArg2, unsigned int aArg3, unsigned int aArg4);

/* ---- Call documents ---- */

/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; XMLText is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_XMLGetProcName)(const char* XMLText);
KARVO_API const char* __stdcall XMLGetProcName(const char* XMLText);
/* Ownership: aResult gets a new counted string from the shared memory manager and gives back the one it held; the caller releases it; XMLText keeps one extra reference only during the call. */
typedef void(__stdcall* KARVO_PFN_XMLGetProcNameA)(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText);
KARVO_API void __stdcall XMLGetProcNameA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText);
/* Ownership: aResult gets a new BSTR (null for empty) and its old one is freed; the caller frees it with SysFreeString; XMLText stays the caller's (KARVO.DLL copies it). */
typedef void(__stdcall* KARVO_PFN_XMLGetProcNameW)(BSTR* aResult, BSTR XMLText);
KARVO_API void __stdcall XMLGetProcNameW(BSTR* aResult, BSTR XMLText);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; XMLText is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_XMLGetWindowName)(const char* XMLText);
KARVO_API const char* __stdcall XMLGetWindowName(const char* XMLText);
/* Ownership: aResult gets a new counted string from the shared memory manager and gives back the one it held; the caller releases it; XMLText keeps one extra reference only during the call. */
typedef void(__stdcall* KARVO_PFN_XMLGetWindowNameA)(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText);
KARVO_API void __stdcall XMLGetWindowNameA(KARVO_ANSISTRING* aResult, KARVO_ANSISTRING XMLText);
/* Ownership: aResult gets a new BSTR (null for empty) and its old one is freed; the caller frees it with SysFreeString; XMLText stays the caller's (KARVO.DLL copies it). */
typedef void(__stdcall* KARVO_PFN_XMLGetWindowNameW)(BSTR* aResult, BSTR XMLText);
KARVO_API void __stdcall XMLGetWindowNameW(BSTR* aResult, BSTR XMLText);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; XMLText is only read during the call; TagName is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_XMLGetTagText)(const char* XMLText, const char* TagName);
KARVO_API const char* __stdcall XMLGetTagText(const char* XMLText, const char* TagName);
/* Ownership: Value must hold a valid VARIANT; it is cleared, then gets the value; the caller VariantClears it; XMLText is only read during the call; VarName is only read during the call. */
typedef void(__stdcall* KARVO_PFN_XMLGetData)(VARIANT* Value, const char* XMLText, const char* VarName, unsigned char Direction);
KARVO_API void __stdcall XMLGetData(VARIANT* Value, const char* XMLText, const char* VarName, unsigned char Direction);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; XMLText is only read during the call; VarName is only read during the call; Value is copied and the copy cleared; the caller's VARIANT stays the caller's; SectionName is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_XMLSetData)(const char* XMLText, const char* VarName, VARIANT Value, unsigned char Direction, const char* SectionName);
KARVO_API const char* __stdcall XMLSetData(const char* XMLText, const char* VarName, VARIANT Value, unsigned char Direction, const char* SectionName);

/* ---- Delimited fields ---- */

/* Ownership: aLine is only read during the call. */
typedef int(__stdcall* KARVO_PFN_CSVGetFieldCount)(const char* aLine, unsigned char aSeparator);
KARVO_API int __stdcall CSVGetFieldCount(const char* aLine, unsigned char aSeparator);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; aLine is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_CSVGetField)(const char* aLine, int aFieldNo, unsigned char aSeparator);
KARVO_API const char* __stdcall CSVGetField(const char* aLine, int aFieldNo, unsigned char aSeparator);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; aValue is only read during the call; aLine is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_CSVSetField)(const char* aValue, const char* aLine, int aFieldNo, unsigned char aSeparator);
KARVO_API const char* __stdcall CSVSetField(const char* aValue, const char* aLine, int aFieldNo, unsigned char aSeparator);
/* Ownership: aValue is only read during the call; aLine is only read during the call. */
typedef int(__stdcall* KARVO_PFN_CSVIsField)(const char* aValue, const char* aLine, unsigned char aSeparator);
KARVO_API int __stdcall CSVIsField(const char* aValue, const char* aLine, unsigned char aSeparator);

/* ---- Host objects ---- */

/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; aObject is the host's, lent and never freed. */
typedef const char*(__stdcall* KARVO_PFN_GetPropertyList)(KARVO_HANDLE aObject, unsigned int aFlags);
KARVO_API const char* __stdcall GetPropertyList(KARVO_HANDLE aObject, unsigned int aFlags);
/* Ownership: for a METHOD property aResult gets the address of KARVO.DLL's copy of its (code, data) pair, which holds that pair until 16384 other pairs have been read after it; never free it; aResult must hold a valid VARIANT; it is cleared, then gets the value; the caller VariantClears it; aObject is the host's, lent and never freed; aPropName is only read during the call. */
typedef void(__stdcall* KARVO_PFN_GetProperty)(VARIANT* aResult, KARVO_HANDLE aObject, const char* aPropName);
KARVO_API void __stdcall GetProperty(VARIANT* aResult, KARVO_HANDLE aObject, const char* aPropName);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; aObject is the host's, lent and never freed; aPropName is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_GetPropertyStr)(KARVO_HANDLE aObject, const char* aPropName);
KARVO_API const char* __stdcall GetPropertyStr(KARVO_HANDLE aObject, const char* aPropName);
/* Ownership: aObject is the host's, lent and never freed; aPropName is only read during the call; aPropValue is copied and the copy cleared; the caller's VARIANT stays the caller's. */
typedef unsigned char(__stdcall* KARVO_PFN_SetProperty)(KARVO_HANDLE aObject, const char* aPropName, VARIANT aPropValue);
KARVO_API unsigned char __stdcall SetProperty(KARVO_HANDLE aObject, const char* aPropName, VARIANT aPropValue);
/* Ownership: aObject is the host's, lent and never freed; aPropName is only read during the call; aPropValue is only read during the call. */
typedef unsigned char(__stdcall* KARVO_PFN_SetPropertyStr)(KARVO_HANDLE aObject, const char* aPropName, const char* aPropValue);
KARVO_API unsigned char __stdcall SetPropertyStr(KARVO_HANDLE aObject, const char* aPropName, const char* aPropValue);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; aContainer is the host's, lent and never freed. */
typedef const char*(__stdcall* KARVO_PFN_GetControlsList)(KARVO_HANDLE aContainer, unsigned int aFlags);
KARVO_API const char* __stdcall GetControlsList(KARVO_HANDLE aContainer, unsigned int aFlags);
/* Ownership: aContainer is the host's, lent and never freed; aControlName is only read during the call. */
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_GetControl)(KARVO_HANDLE aContainer, const char* aControlName);
KARVO_API KARVO_HANDLE __stdcall GetControl(KARVO_HANDLE aContainer, const char* aControlName);
/* Ownership: aContainer is the host's, lent and never freed; aText1 is only read during the call; aText2 is only read during the call. */
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_AddControl)(KARVO_HANDLE aContainer, const char* aText1, const char* aText2);
KARVO_API KARVO_HANDLE __stdcall AddControl(KARVO_HANDLE aContainer, const char* aText1, const char* aText2);
/* Ownership: aContainer is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_CloneContener)(KARVO_HANDLE aContainer, int aNumber);
KARVO_API unsigned char __stdcall CloneContener(KARVO_HANDLE aContainer, int aNumber);
/* Ownership: aMenu is the host's, lent and never freed; aMenuItem is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_AddMenuItem)(KARVO_HANDLE aMenu, KARVO_HANDLE aMenuItem);
KARVO_API unsigned char __stdcall AddMenuItem(KARVO_HANDLE aMenu, KARVO_HANDLE aMenuItem);
/* Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName is only read during the call. */
/* Exported as LoadResource; GetProcAddress(module, "LoadResource") gives a KARVO_PFN_LoadResource. */
typedef unsigned char(__stdcall* KARVO_PFN_LoadResource)(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, const char* aResName, int aResID);
KARVO_API unsigned char __stdcall KarvoLoadResource(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, const char* aResName, int aResID);
/* Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName keeps one extra reference only during the call. */
typedef unsigned char(__stdcall* KARVO_PFN_LoadResourceA)(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, KARVO_ANSISTRING aResName, int aResID);
KARVO_API unsigned char __stdcall LoadResourceA(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, KARVO_ANSISTRING aResName, int aResID);
/* Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName stays the caller's (KARVO.DLL copies it). */
typedef unsigned char(__stdcall* KARVO_PFN_LoadResourceW)(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, BSTR aResName, int aResID);
KARVO_API unsigned char __stdcall LoadResourceW(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, BSTR aResName, int aResID);
/* Ownership: aAction is the host's, lent and never freed. */
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteAction)(KARVO_HANDLE aAction);
KARVO_API unsigned char __stdcall ExecuteAction(KARVO_HANDLE aAction);
/* Ownership: no texts or handles change hands. */
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteMethod)(void* aCode, void* aData);
KARVO_API unsigned char __stdcall ExecuteMethod(void* aCode, void* aData);
/* Ownership: aObject is the host's, lent and never freed; aMethodName is only read during the call. */
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteClassMethodByName)(KARVO_HANDLE aObject, const char* aMethodName);
KARVO_API unsigned char __stdcall ExecuteClassMethodByName(KARVO_HANDLE aObject, const char* aMethodName);

/* ---- Scripts ---- */

/* Ownership: aScriptText is only read during the call. */
typedef int(__stdcall* KARVO_PFN_CreateScript)(const char* aScriptText);
KARVO_API int __stdcall CreateScript(const char* aScriptText);
/* Ownership: aScriptText keeps one extra reference only during the call. */
typedef int(__stdcall* KARVO_PFN_CreateScriptA)(KARVO_ANSISTRING aScriptText);
KARVO_API int __stdcall CreateScriptA(KARVO_ANSISTRING aScriptText);
/* Ownership: aScriptText stays the caller's (KARVO.DLL copies it). */
typedef int(__stdcall* KARVO_PFN_CreateScriptW)(BSTR aScriptText);
KARVO_API int __stdcall CreateScriptW(BSTR aScriptText);
/* Ownership: aVarName is only read during the call; aVarValue is only read during the call. */
typedef int(__stdcall* KARVO_PFN_AddScriptVariant)(int aScript, const char* aVarName, const char* aVarValue);
KARVO_API int __stdcall AddScriptVariant(int aScript, const char* aVarName, const char* aVarValue);
/* Ownership: aVarName keeps one extra reference only during the call; aVarValue keeps one extra reference only during the call. */
typedef int(__stdcall* KARVO_PFN_AddScriptVariantA)(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue);
KARVO_API int __stdcall AddScriptVariantA(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue);
/* Ownership: aVarName stays the caller's (KARVO.DLL copies it); aVarValue stays the caller's (KARVO.DLL copies it). */
typedef int(__stdcall* KARVO_PFN_AddScriptVariantW)(int aScript, BSTR aVarName, BSTR aVarValue);
KARVO_API int __stdcall AddScriptVariantW(int aScript, BSTR aVarName, BSTR aVarValue);
/* Ownership: aFuncName is only read during the call. */
typedef int(__stdcall* KARVO_PFN_AddScriptFunction)(int aScript, unsigned int aFuncValue, const char* aFuncName);
KARVO_API int __stdcall AddScriptFunction(int aScript, unsigned int aFuncValue, const char* aFuncName);
/* Ownership: aFuncName keeps one extra reference only during the call. */
typedef int(__stdcall* KARVO_PFN_AddScriptFunctionA)(int aScript, unsigned int aFuncValue, KARVO_ANSISTRING aFuncName);
KARVO_API int __stdcall AddScriptFunctionA(int aScript, unsigned int aFuncValue, KARVO_ANSISTRING aFuncName);
/* Ownership: aFuncName stays the caller's (KARVO.DLL copies it). */
typedef int(__stdcall* KARVO_PFN_AddScriptFunctionW)(int aScript, unsigned int aFuncValue, BSTR aFuncName);
KARVO_API int __stdcall AddScriptFunctionW(int aScript, unsigned int aFuncValue, BSTR aFuncName);
/* Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; null = empty; aVarName is only read during the call. */
typedef const char*(__stdcall* KARVO_PFN_GetScriptVariant)(int aScript, const char* aVarName);
KARVO_API const char* __stdcall GetScriptVariant(int aScript, const char* aVarName);
/* Ownership: aResult gets a new counted string from the shared memory manager and gives back the one it held; the caller releases it; aVarName keeps one extra reference only during the call. */
typedef void(__stdcall* KARVO_PFN_GetScriptVariantA)(KARVO_ANSISTRING* aResult, int aScript, KARVO_ANSISTRING aVarName);
KARVO_API void __stdcall GetScriptVariantA(KARVO_ANSISTRING* aResult, int aScript, KARVO_ANSISTRING aVarName);
/* Ownership: aResult gets a new BSTR (null for empty) and its old one is freed; the caller frees it with SysFreeString; aVarName stays the caller's (KARVO.DLL copies it). */
typedef void(__stdcall* KARVO_PFN_GetScriptVariantW)(BSTR* aResult, int aScript, BSTR aVarName);
KARVO_API void __stdcall GetScriptVariantW(BSTR* aResult, int aScript, BSTR aVarName);
/* Ownership: aVarName is only read during the call; aVarValue is only read during the call. */
typedef int(__stdcall* KARVO_PFN_SetScriptVariant)(int aScript, const char* aVarName, const char* aVarValue);
KARVO_API int __stdcall SetScriptVariant(int aScript, const char* aVarName, const char* aVarValue);
/* Ownership: aVarName keeps one extra reference only during the call; aVarValue keeps one extra reference only during the call. */
typedef int(__stdcall* KARVO_PFN_SetScriptVariantA)(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue);
KARVO_API int __stdcall SetScriptVariantA(int aScript, KARVO_ANSISTRING aVarName, KARVO_ANSISTRING aVarValue);
/* Ownership: aVarName stays the caller's (KARVO.DLL copies it); aVarValue stays the caller's (KARVO.DLL copies it). */
typedef int(__stdcall* KARVO_PFN_SetScriptVariantW)(int aScript, BSTR aVarName, BSTR aVarValue);
KARVO_API int __stdcall SetScriptVariantW(int aScript, BSTR aVarName, BSTR aVarValue);
/* Ownership: no texts or handles change hands. */
typedef int(__stdcall* KARVO_PFN_ExecuteScript)(int aScript);
KARVO_API int __stdcall ExecuteScript(int aScript);
/* Ownership: no texts or handles change hands. */
typedef int(__stdcall* KARVO_PFN_ExecuteAsychScript)(int aScript, int aFlag);
KARVO_API int __stdcall ExecuteAsychScript(int aScript, int aFlag);
/* Ownership: no texts or handles change hands. */
typedef unsigned char(__stdcall* KARVO_PFN_CheckAsynchScriptStatus)(int aScript);
KARVO_API unsigned char __stdcall CheckAsynchScriptStatus(int aScript);
/* Ownership: no texts or handles change hands. */
typedef int(__stdcall* KARVO_PFN_FreeScript)(int aScript);
KARVO_API int __stdcall FreeScript(int aScript);

/* ---- Host object model (for hosts that serve their plug-ins in-process) ---- */

/* Ownership: aModel is copied during the call; the Context and the functions it names stay the host's and must stay valid until the model is replaced, uninstalled or KARVO.DLL unloaded. */
typedef unsigned char(__stdcall* KARVO_PFN_KarvoInstallObjectModel)(void* aModel);
KARVO_API unsigned char __stdcall KarvoInstallObjectModel(void* aModel);

#ifdef __cplusplus
}
#endif

#endif /* KARVO_H */
