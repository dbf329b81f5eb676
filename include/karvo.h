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

/* ---- Result sets ---- */

typedef const char*(__stdcall* KARVO_PFN_FieldByNameSQL)(KARVO_HANDLE aDSHandle, const char* aFieldName);
KARVO_API const char* __stdcall FieldByNameSQL(KARVO_HANDLE aDSHandle, const char* aFieldName);
typedef void(__stdcall* KARVO_PFN_FieldByNameSQLA)(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, KARVO_ANSISTRING aFieldName);
KARVO_API void __stdcall FieldByNameSQLA(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, KARVO_ANSISTRING aFieldName);
typedef void(__stdcall* KARVO_PFN_FieldByNameSQLW)(BSTR* aResult, KARVO_HANDLE aDSHandle, BSTR aFieldName);
KARVO_API void __stdcall FieldByNameSQLW(BSTR* aResult, KARVO_HANDLE aDSHandle, BSTR aFieldName);
typedef unsigned char(__stdcall* KARVO_PFN_FirstSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall FirstSQL(KARVO_HANDLE aDSHandle);
typedef unsigned char(__stdcall* KARVO_PFN_LastSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall LastSQL(KARVO_HANDLE aDSHandle);
typedef unsigned char(__stdcall* KARVO_PFN_NextSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall NextSQL(KARVO_HANDLE aDSHandle);
typedef unsigned char(__stdcall* KARVO_PFN_PriorSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall PriorSQL(KARVO_HANDLE aDSHandle);
typedef unsigned char(__stdcall* KARVO_PFN_CountSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall CountSQL(KARVO_HANDLE aDSHandle);
typedef unsigned char(__stdcall* KARVO_PFN_EofSQL)(KARVO_HANDLE aDSHandle);
KARVO_API unsigned char __stdcall EofSQL(KARVO_HANDLE aDSHandle);
typedef const char*(__stdcall* KARVO_PFN_GetCSVQuerySQL)(KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
KARVO_API const char* __stdcall GetCSVQuerySQL(KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
typedef void(__stdcall* KARVO_PFN_GetCSVQuerySQLA)(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
KARVO_API void __stdcall GetCSVQuerySQLA(KARVO_ANSISTRING* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
typedef void(__stdcall* KARVO_PFN_GetCSVQuerySQLW)(BSTR* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
KARVO_API void __stdcall GetCSVQuerySQLW(BSTR* aResult, KARVO_HANDLE aDSHandle, int aStart, int aCount, unsigned char aWithHeader);
typedef const char*(__stdcall* KARVO_PFN_GetXMLQuerySQL)(unsigned int aArg1, unsigned int aArg2, unsigned int aArg3, unsigned int aArg4);
KARVO_API const char* __stdcall GetXMLQuerySQL(unsigned int aArg1, unsigned int aArg2, unsigned int aArg3, unsigned int aArg4);

/* ---- Host objects ---- */

typedef const char*(__stdcall* KARVO_PFN_GetPropertyList)(KARVO_HANDLE aObject, unsigned int aFlags);
KARVO_API const char* __stdcall GetPropertyList(KARVO_HANDLE aObject, unsigned int aFlags);
typedef void(__stdcall* KARVO_PFN_GetProperty)(VARIANT* aResult, KARVO_HANDLE aObject, const char* aPropName);
KARVO_API void __stdcall GetProperty(VARIANT* aResult, KARVO_HANDLE aObject, const char* aPropName);
typedef const char*(__stdcall* KARVO_PFN_GetPropertyStr)(KARVO_HANDLE aObject, const char* aPropName);
KARVO_API const char* __stdcall GetPropertyStr(KARVO_HANDLE aObject, const char* aPropName);
typedef unsigned char(__stdcall* KARVO_PFN_SetProperty)(KARVO_HANDLE aObject, const char* aPropName, VARIANT aPropValue);
KARVO_API unsigned char __stdcall SetProperty(KARVO_HANDLE aObject, const char* aPropName, VARIANT aPropValue);
typedef unsigned char(__stdcall* KARVO_PFN_SetPropertyStr)(KARVO_HANDLE aObject, const char* aPropName, const char* aPropValue);
KARVO_API unsigned char __stdcall SetPropertyStr(KARVO_HANDLE aObject, const char* aPropName, const char* aPropValue);
typedef const char*(__stdcall* KARVO_PFN_GetControlsList)(KARVO_HANDLE aContainer, unsigned int aFlags);
KARVO_API const char* __stdcall GetControlsList(KARVO_HANDLE aContainer, unsigned int aFlags);
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_GetControl)(KARVO_HANDLE aContainer, const char* aControlName);
KARVO_API KARVO_HANDLE __stdcall GetControl(KARVO_HANDLE aContainer, const char* aControlName);
typedef KARVO_HANDLE(__stdcall* KARVO_PFN_AddControl)(KARVO_HANDLE aContainer, const char* aText1, const char* aText2);
KARVO_API KARVO_HANDLE __stdcall AddControl(KARVO_HANDLE aContainer, const char* aText1, const char* aText2);
typedef unsigned char(__stdcall* KARVO_PFN_CloneContener)(KARVO_HANDLE aContainer, int aNumber);
KARVO_API unsigned char __stdcall CloneContener(KARVO_HANDLE aContainer, int aNumber);
typedef unsigned char(__stdcall* KARVO_PFN_AddMenuItem)(KARVO_HANDLE aMenu, KARVO_HANDLE aMenuItem);
KARVO_API unsigned char __stdcall AddMenuItem(KARVO_HANDLE aMenu, KARVO_HANDLE aMenuItem);
typedef unsigned char(__stdcall* KARVO_PFN_LoadResource)(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, const char* aResName, int aResID);
/* LoadResource has the name of a Windows API function: load it with
   GetProcAddress(module, "LoadResource") as a KARVO_PFN_LoadResource. */
#ifdef KARVO_BUILDING_DLL
KARVO_API unsigned char __stdcall KarvoLoadResource(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, const char* aResName, int aResID);
#endif
typedef unsigned char(__stdcall* KARVO_PFN_LoadResourceA)(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, KARVO_ANSISTRING aResName, int aResID);
KARVO_API unsigned char __stdcall LoadResourceA(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, KARVO_ANSISTRING aResName, int aResID);
typedef unsigned char(__stdcall* KARVO_PFN_LoadResourceW)(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, BSTR aResName, int aResID);
KARVO_API unsigned char __stdcall LoadResourceW(KARVO_HANDLE aBitmap, KARVO_HANDLE aInstance, BSTR aResName, int aResID);
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteAction)(KARVO_HANDLE aAction);
KARVO_API unsigned char __stdcall ExecuteAction(KARVO_HANDLE aAction);
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteMethod)(void* aCode, void* aData);
KARVO_API unsigned char __stdcall ExecuteMethod(void* aCode, void* aData);
typedef unsigned char(__stdcall* KARVO_PFN_ExecuteClassMethodByName)(KARVO_HANDLE aObject, const char* aMethodName);
KARVO_API unsigned char __stdcall ExecuteClassMethodByName(KARVO_HANDLE aObject, const char* aMethodName);

/* ---- Host object model (for hosts that serve their plug-ins in-process) ---- */

typedef unsigned char(__stdcall* KARVO_PFN_KarvoInstallObjectModel)(void* aModel);
KARVO_API unsigned char __stdcall KarvoInstallObjectModel(void* aModel);

#ifdef __cplusplus
}
#endif

#endif /* KARVO_H */
