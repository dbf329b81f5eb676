/* KarvoTestKit.dll 1.4.0.0: the test kit of KARVO.DLL for plug-ins in C,
 * C++ or any language that calls a C interface.
 * Generated from testkit/karvotestkit.exports by tools/gen_testkit.py; do not edit.
 *
 * A test of a plug-in, without the real host: a scripted host serves the
 * block and answers each request as the test says; a model of test objects
 * and test data sets stands for the host's objects and result sets; a
 * session loads KARVO.DLL with that model installed; the plug-in runs with a
 * call document; the test then looks at the requests and the test objects.
 *
 * Every function is __stdcall and exported by its undecorated name: link with
 * libkarvotestkit.a (MinGW) or KarvoTestKit.lib (MSVC), or load it with
 * GetProcAddress as its KARVO_KIT_PFN_ type. Texts going in are UTF-16
 * (L"..."), null for empty; texts coming out go into a BSTR variable that
 * starts as null and that the caller frees with SysFreeString (each call
 * frees what the variable held). Kit objects (hosts, models, sessions) are
 * freed with their own Free or Close function; the functions of a host, a
 * model or a session are for one thread at a time.
 */
#ifndef KARVO_TESTKIT_H
#define KARVO_TESTKIT_H

#include <windows.h>
#include <oleauto.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef void* KARVO_KIT;

#ifndef KARVO_KIT_API
#define KARVO_KIT_API __declspec(dllimport)
#endif

#define KARVO_KIT_COMMAND 0 /* KarvoKitRequestText: the request's Command */
#define KARVO_KIT_SQL 1 /* its SQL (a _PROC_ request: the procedure) */
#define KARVO_KIT_DATA 2 /* its Data (a _PROC_ request: the arguments, joined by U+0001) */
#define KARVO_KIT_FREE 0 /* KarvoKitHostSetState: the block is free */
#define KARVO_KIT_NO_SERVICE 1 /* no service behind the block */
#define KARVO_KIT_tkInteger 1 /* property kinds of KarvoKitAddProperty */
#define KARVO_KIT_tkChar 2
#define KARVO_KIT_tkEnumeration 3
#define KARVO_KIT_tkFloat 4
#define KARVO_KIT_tkString 5
#define KARVO_KIT_tkSet 6
#define KARVO_KIT_tkClass 7
#define KARVO_KIT_tkMethod 8
#define KARVO_KIT_tkWChar 9
#define KARVO_KIT_tkLString 10
#define KARVO_KIT_tkWString 11
#define KARVO_KIT_tkUString 18

/* ---- Scripted host ---- */

/* A scripted host: a block under a fresh API handle, served from a thread of its own. Until told otherwise it
 * answers every request with reply code 1, which is also a successful verdict. Null when no block could be made. */
typedef KARVO_KIT(__stdcall* KARVO_KIT_PFN_KarvoKitHostCreate)(void);
KARVO_KIT_API KARVO_KIT __stdcall KarvoKitHostCreate(void);
/* Stops serving and frees the host and its block. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitHostFree)(KARVO_KIT host);
KARVO_KIT_API void __stdcall KarvoKitHostFree(KARVO_KIT host);
/* The host's API handle (KARVO_1.3_...), for OpenAPI or a call document. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitHostApiHandle)(BSTR* aResult, KARVO_KIT host);
KARVO_KIT_API void __stdcall KarvoKitHostApiHandle(BSTR* aResult, KARVO_KIT host);
/* Writes the block's state: KARVO_KIT_NO_SERVICE takes the service away (requests then fail with code 2),
 * KARVO_KIT_FREE gives it back. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitHostSetState)(KARVO_KIT host, int state);
KARVO_KIT_API void __stdcall KarvoKitHostSetState(KARVO_KIT host, int state);
/* Answers the requests that match with a reply code (EXECUTE_SQL, CLOSE_QUERY_SQL: 1 success, 0 error, 250 error
 * with message); message, when not null, goes into Data. A request matches when its Command equals command (null:
 * any) and its SQL and Data begin with sql and data (null or empty matches anything). The first rule added that
 * matches answers; with none, reply code 1. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitAnswerCode)(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data, int code, const WCHAR* message);
KARVO_KIT_API void __stdcall KarvoKitAnswerCode(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data, int code, const WCHAR* message);
/* Answers the requests that match with a verdict: success nonzero with answer as the answer text
 * (GET_FROM_QUERY_SQL, a _PROC_ procedure: GetControl answers a handle in decimal), zero with answer as the host's
 * message. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitAnswerVerdict)(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data, int success, const WCHAR* answer);
KARVO_KIT_API void __stdcall KarvoKitAnswerVerdict(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data, int success, const WCHAR* answer);
/* Answers the requests that match with a verdict and pointer in DataPointer (OPEN_QUERY_SQL: the data source from
 * KarvoKitAddQuery; ADD_CONTROL: the new control). */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitAnswerPointer)(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data, int success, unsigned int pointer);
KARVO_KIT_API void __stdcall KarvoKitAnswerPointer(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data, int success, unsigned int pointer);
/* Leaves the requests that match unanswered: the plug-in waits the library's full minute, then gets code 254. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitAnswerSilent)(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data);
KARVO_KIT_API void __stdcall KarvoKitAnswerSilent(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data);
/* Forgets every rule: reply code 1 again. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitAnswersClear)(KARVO_KIT host);
KARVO_KIT_API void __stdcall KarvoKitAnswersClear(KARVO_KIT host);
/* How many requests the host has served. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitRequestCount)(KARVO_KIT host);
KARVO_KIT_API int __stdcall KarvoKitRequestCount(KARVO_KIT host);
/* A part of the request at index (from 0): KARVO_KIT_COMMAND, KARVO_KIT_SQL or KARVO_KIT_DATA (a _PROC_ request's
 * arguments are joined by U+0001). Returns 0 when there is no such request. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitRequestText)(BSTR* aResult, KARVO_KIT host, int index, int part);
KARVO_KIT_API int __stdcall KarvoKitRequestText(BSTR* aResult, KARVO_KIT host, int index, int part);
/* The DataPointer of the request at index (0 when there is none). */
typedef unsigned int(__stdcall* KARVO_KIT_PFN_KarvoKitRequestPointer)(KARVO_KIT host, int index);
KARVO_KIT_API unsigned int __stdcall KarvoKitRequestPointer(KARVO_KIT host, int index);
/* How many requests matched command, sql and data as KarvoKitAnswerCode matches them. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitCountRequests)(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data);
KARVO_KIT_API int __stdcall KarvoKitCountRequests(KARVO_KIT host, const WCHAR* command, const WCHAR* sql, const WCHAR* data);

/* ---- Call documents ---- */

/* A PROCEDURE call document of procName as a host hands it to its plug-in: the API handle as the variable
 * APIHANDLE, then inputs, one per line as NAME<TAB>TYPE<TAB>VALUE (TYPE as the call document writes it: STRING,
 * INTEGER, FLOAT ...). The text is what the plug-in will see, after the trip through the ANSI code page. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitCallDocument)(BSTR* aResult, const WCHAR* procName, const WCHAR* apiHandle, const WCHAR* inputs);
KARVO_KIT_API void __stdcall KarvoKitCallDocument(BSTR* aResult, const WCHAR* procName, const WCHAR* apiHandle, const WCHAR* inputs);

/* ---- Test objects ---- */

/* An object model of test objects and test data sets, to install with KarvoKitSessionOpen. */
typedef KARVO_KIT(__stdcall* KARVO_KIT_PFN_KarvoKitModelCreate)(void);
KARVO_KIT_API KARVO_KIT __stdcall KarvoKitModelCreate(void);
/* Frees the model; close the sessions that use it first. */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitModelFree)(KARVO_KIT model);
KARVO_KIT_API void __stdcall KarvoKitModelFree(KARVO_KIT model);
/* Adds (or replaces) a test object under a handle of the test's choosing, below 0x4000 (data sources are numbered
 * from 0x4000 up). Returns 1. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitAddObject)(KARVO_KIT model, unsigned int handle, const WCHAR* className, const WCHAR* name);
KARVO_KIT_API int __stdcall KarvoKitAddObject(KARVO_KIT model, unsigned int handle, const WCHAR* className, const WCHAR* name);
/* Appends child to the children of parent (GetControl, GetControlsList); 0 when parent is unknown. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitAddChild)(KARVO_KIT model, unsigned int parent, unsigned int child);
KARVO_KIT_API int __stdcall KarvoKitAddChild(KARVO_KIT model, unsigned int parent, unsigned int child);
/* Adds a published property: kind KARVO_KIT_tk... and its value as text: a decimal number for the ordinal kinds
 * (INTEGER, CHAR, ENUMERATION, SET, WCHAR, and CLASS, whose value is an object's handle), a number with a point
 * for FLOAT, the text itself for the string kinds, CODE,DATA in decimal for METHOD. 0 when the object is unknown. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitAddProperty)(KARVO_KIT model, unsigned int handle, const WCHAR* name, const WCHAR* typeName, int kind, const WCHAR* value);
KARVO_KIT_API int __stdcall KarvoKitAddProperty(KARVO_KIT model, unsigned int handle, const WCHAR* name, const WCHAR* typeName, int kind, const WCHAR* value);
/* The property's value, as KarvoKitAddProperty takes it: what the plug-in left there. 0 when there is no such
 * property. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitPropertyText)(BSTR* aResult, KARVO_KIT model, unsigned int handle, const WCHAR* name);
KARVO_KIT_API int __stdcall KarvoKitPropertyText(BSTR* aResult, KARVO_KIT model, unsigned int handle, const WCHAR* name);
/* How many times the plug-in wrote the property (-1: no such property). */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitPropertyWrites)(KARVO_KIT model, unsigned int handle, const WCHAR* name);
KARVO_KIT_API int __stdcall KarvoKitPropertyWrites(KARVO_KIT model, unsigned int handle, const WCHAR* name);
/* Makes reading or writing the property fail (nonzero) or work again (0). */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitFailProperty)(KARVO_KIT model, unsigned int handle, const WCHAR* name, int failReads, int failWrites);
KARVO_KIT_API int __stdcall KarvoKitFailProperty(KARVO_KIT model, unsigned int handle, const WCHAR* name, int failReads, int failWrites);
/* Makes item the root item of menu (AddMenuItem appends to it). */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitSetMenuRoot)(KARVO_KIT model, unsigned int menu, unsigned int rootItem);
KARVO_KIT_API int __stdcall KarvoKitSetMenuRoot(KARVO_KIT model, unsigned int menu, unsigned int rootItem);
/* How many items item holds (-1: unknown object). */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitMenuItemCount)(KARVO_KIT model, unsigned int item);
KARVO_KIT_API int __stdcall KarvoKitMenuItemCount(KARVO_KIT model, unsigned int item);
/* The handle of item's child at index, 0 when there is none. */
typedef unsigned int(__stdcall* KARVO_KIT_PFN_KarvoKitMenuItem)(KARVO_KIT model, unsigned int item, int index);
KARVO_KIT_API unsigned int __stdcall KarvoKitMenuItem(KARVO_KIT model, unsigned int item, int index);
/* Lets the bitmap load a resource: a name, or #n for the number n. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitBitmapLoadable)(KARVO_KIT model, unsigned int bitmap, const WCHAR* resource);
KARVO_KIT_API int __stdcall KarvoKitBitmapLoadable(KARVO_KIT model, unsigned int bitmap, const WCHAR* resource);
/* What the plug-in asked the bitmap to load, one per line, in order; returns how many (-1: unknown object). */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitBitmapLoads)(BSTR* aResult, KARVO_KIT model, unsigned int bitmap);
KARVO_KIT_API int __stdcall KarvoKitBitmapLoads(BSTR* aResult, KARVO_KIT model, unsigned int bitmap);
/* Makes the object an action whose execution reports handled (nonzero) or not. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitSetAction)(KARVO_KIT model, unsigned int action, int handled);
KARVO_KIT_API int __stdcall KarvoKitSetAction(KARVO_KIT model, unsigned int action, int handled);
/* How many times the action was executed (-1: unknown object). */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitActionRuns)(KARVO_KIT model, unsigned int action);
KARVO_KIT_API int __stdcall KarvoKitActionRuns(KARVO_KIT model, unsigned int action);
/* Publishes a method name (ASCII letters, matched ignoring case) of the object under code; calling it succeeds
 * when succeeds is nonzero. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitAddMethod)(KARVO_KIT model, unsigned int handle, const WCHAR* name, unsigned int code, int succeeds);
KARVO_KIT_API int __stdcall KarvoKitAddMethod(KARVO_KIT model, unsigned int handle, const WCHAR* name, unsigned int code, int succeeds);
/* How many times the method of that code was called. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitMethodCalls)(KARVO_KIT model, unsigned int code);
KARVO_KIT_API int __stdcall KarvoKitMethodCalls(KARVO_KIT model, unsigned int code);

/* ---- Test data sets ---- */

/* A test data set with these field names (separated by tabs) behind a new data source: the handle to answer
 * OPEN_QUERY_SQL with. */
typedef unsigned int(__stdcall* KARVO_KIT_PFN_KarvoKitAddQuery)(KARVO_KIT model, const WCHAR* fields);
KARVO_KIT_API unsigned int __stdcall KarvoKitAddQuery(KARVO_KIT model, const WCHAR* fields);
/* Appends a record: values separated by tabs, in the order of the fields. 0 when query is unknown. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitAddRow)(KARVO_KIT model, unsigned int query, const WCHAR* values);
KARVO_KIT_API int __stdcall KarvoKitAddRow(KARVO_KIT model, unsigned int query, const WCHAR* values);
/* Makes an operation of the data set (First, Next, Eof, FieldText, FieldByName, GetRecNo, SetRecNo, RecordCount,
 * Last, Prior) fail once it has run calls times; -1 never. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitQueryFailAfter)(KARVO_KIT model, unsigned int query, const WCHAR* operation, int calls);
KARVO_KIT_API int __stdcall KarvoKitQueryFailAfter(KARVO_KIT model, unsigned int query, const WCHAR* operation, int calls);
/* How many times the plug-in (through KARVO.DLL) ran that operation on the data set. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitQueryCalls)(KARVO_KIT model, unsigned int query, const WCHAR* operation);
KARVO_KIT_API int __stdcall KarvoKitQueryCalls(KARVO_KIT model, unsigned int query, const WCHAR* operation);
/* The data set's current record number (from 1; 0 when empty; -1: unknown). */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitQueryRecord)(KARVO_KIT model, unsigned int query);
KARVO_KIT_API int __stdcall KarvoKitQueryRecord(KARVO_KIT model, unsigned int query);

/* ---- Sessions and plug-ins ---- */

/* Loads KARVO.DLL (karvoDll, or KARVO.DLL when null) for one case with the model installed (none when model is
 * null), and COM on the calling thread as a host's main thread has it. A session per case: the library keeps its
 * state, the opened API above all, while it is loaded. */
typedef KARVO_KIT(__stdcall* KARVO_KIT_PFN_KarvoKitSessionOpen)(KARVO_KIT model, const WCHAR* karvoDll);
KARVO_KIT_API KARVO_KIT __stdcall KarvoKitSessionOpen(KARVO_KIT model, const WCHAR* karvoDll);
/* 1 when KARVO.DLL was found and took the model. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitSessionReady)(KARVO_KIT session);
KARVO_KIT_API int __stdcall KarvoKitSessionReady(KARVO_KIT session);
/* Uninstalls the model and unloads KARVO.DLL; free the plug-ins first (KarvoKitRunPlugin does). */
typedef void(__stdcall* KARVO_KIT_PFN_KarvoKitSessionClose)(KARVO_KIT session);
KARVO_KIT_API void __stdcall KarvoKitSessionClose(KARVO_KIT session);
/* Loads the plug-in, calls its KarvoPluginRun with the call document (in the ANSI code page), reads its answered
 * document when it exports KarvoPluginAnswer (into aAnswer; null otherwise) and frees it. Returns what
 * KarvoPluginRun returned; -1 when the DLL cannot be loaded or has no KarvoPluginRun. */
typedef int(__stdcall* KARVO_KIT_PFN_KarvoKitRunPlugin)(BSTR* aAnswer, const WCHAR* pluginDll, const WCHAR* callDocument);
KARVO_KIT_API int __stdcall KarvoKitRunPlugin(BSTR* aAnswer, const WCHAR* pluginDll, const WCHAR* callDocument);

#ifdef __cplusplus
}
#endif

#endif /* KARVO_TESTKIT_H */
