// KarvoTestKit.dll 1.4.0.0: P/Invoke declarations of the test kit of
// KARVO.DLL, for tests written in C#.
// Generated from testkit/karvotestkit.exports by tools/gen_testkit.py; do not edit.
//
// A test of a plug-in, without the real host: a scripted host serves the
// block and answers each request as the test says; a model of test objects
// and test data sets stands for the host's objects and result sets; a session
// loads KARVO.DLL with that model installed; the plug-in runs with a call
// document; the test then looks at the requests and the test objects.
// Every function is stdcall and imported by its name (ExactSpelling); strings
// go in as UTF-16 and come out through ref string (start with null). The
// test runs in a 32-bit process (x86), as KARVO.DLL and the plug-in are.
using System;
using System.Runtime.InteropServices;

namespace Karvo
{
    public static class KarvoTestKit
    {
        public const string Dll = "KarvoTestKit.dll";

        public const int KARVO_KIT_COMMAND = 0; // KarvoKitRequestText: the request's Command
        public const int KARVO_KIT_SQL = 1; // its SQL (a _PROC_ request: the procedure)
        public const int KARVO_KIT_DATA = 2; // its Data (a _PROC_ request: the arguments, joined by U+0001)
        public const int KARVO_KIT_FREE = 0; // KarvoKitHostSetState: the block is free
        public const int KARVO_KIT_NO_SERVICE = 1; // no service behind the block
        public const int KARVO_KIT_tkInteger = 1; // property kinds of KarvoKitAddProperty
        public const int KARVO_KIT_tkChar = 2;
        public const int KARVO_KIT_tkEnumeration = 3;
        public const int KARVO_KIT_tkFloat = 4;
        public const int KARVO_KIT_tkString = 5;
        public const int KARVO_KIT_tkSet = 6;
        public const int KARVO_KIT_tkClass = 7;
        public const int KARVO_KIT_tkMethod = 8;
        public const int KARVO_KIT_tkWChar = 9;
        public const int KARVO_KIT_tkLString = 10;
        public const int KARVO_KIT_tkWString = 11;
        public const int KARVO_KIT_tkUString = 18;

        // ---- Scripted host ----

        // A scripted host: a block under a fresh API handle, served from a thread of its own. Until told otherwise
        // it answers every request with reply code 1, which is also a successful verdict. Null when no block could
        // be made.
        [DllImport(Dll, EntryPoint = "KarvoKitHostCreate", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr KarvoKitHostCreate();
        // Stops serving and frees the host and its block.
        [DllImport(Dll, EntryPoint = "KarvoKitHostFree", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitHostFree(IntPtr host);
        // The host's API handle (KARVO_1.3_...), for OpenAPI or a call document.
        [DllImport(Dll, EntryPoint = "KarvoKitHostApiHandle", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitHostApiHandle([MarshalAs(UnmanagedType.BStr)] ref string aResult, IntPtr host);
        // Writes the block's state: KARVO_KIT_NO_SERVICE takes the service away (requests then fail with code 2),
        // KARVO_KIT_FREE gives it back.
        [DllImport(Dll, EntryPoint = "KarvoKitHostSetState", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitHostSetState(IntPtr host, int state);
        // Answers the requests that match with a reply code (EXECUTE_SQL, CLOSE_QUERY_SQL: 1 success, 0 error, 250
        // error with message); message, when not null, goes into Data. A request matches when its Command equals
        // command (null: any) and its SQL and Data begin with sql and data (null or empty matches anything). The
        // first rule added that matches answers; with none, reply code 1.
        [DllImport(Dll, EntryPoint = "KarvoKitAnswerCode", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitAnswerCode(IntPtr host, [MarshalAs(UnmanagedType.LPWStr)] string command, [MarshalAs(UnmanagedType.LPWStr)] string sql, [MarshalAs(UnmanagedType.LPWStr)] string data, int code, [MarshalAs(UnmanagedType.LPWStr)] string message);
        // Answers the requests that match with a verdict: success nonzero with answer as the answer text
        // (GET_FROM_QUERY_SQL, a _PROC_ procedure: GetControl answers a handle in decimal), zero with answer as
        // the host's message.
        [DllImport(Dll, EntryPoint = "KarvoKitAnswerVerdict", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitAnswerVerdict(IntPtr host, [MarshalAs(UnmanagedType.LPWStr)] string command, [MarshalAs(UnmanagedType.LPWStr)] string sql, [MarshalAs(UnmanagedType.LPWStr)] string data, int success, [MarshalAs(UnmanagedType.LPWStr)] string answer);
        // Answers the requests that match with a verdict and pointer in DataPointer (OPEN_QUERY_SQL: the data
        // source from KarvoKitAddQuery; ADD_CONTROL: the new control).
        [DllImport(Dll, EntryPoint = "KarvoKitAnswerPointer", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitAnswerPointer(IntPtr host, [MarshalAs(UnmanagedType.LPWStr)] string command, [MarshalAs(UnmanagedType.LPWStr)] string sql, [MarshalAs(UnmanagedType.LPWStr)] string data, int success, uint pointer);
        // Leaves the requests that match unanswered: the plug-in waits the library's full minute, then gets code
        // 254.
        [DllImport(Dll, EntryPoint = "KarvoKitAnswerSilent", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitAnswerSilent(IntPtr host, [MarshalAs(UnmanagedType.LPWStr)] string command, [MarshalAs(UnmanagedType.LPWStr)] string sql, [MarshalAs(UnmanagedType.LPWStr)] string data);
        // Forgets every rule: reply code 1 again.
        [DllImport(Dll, EntryPoint = "KarvoKitAnswersClear", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitAnswersClear(IntPtr host);
        // How many requests the host has served.
        [DllImport(Dll, EntryPoint = "KarvoKitRequestCount", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitRequestCount(IntPtr host);
        // A part of the request at index (from 0): KARVO_KIT_COMMAND, KARVO_KIT_SQL or KARVO_KIT_DATA (a _PROC_
        // request's arguments are joined by U+0001). Returns 0 when there is no such request.
        [DllImport(Dll, EntryPoint = "KarvoKitRequestText", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitRequestText([MarshalAs(UnmanagedType.BStr)] ref string aResult, IntPtr host, int index, int part);
        // The DataPointer of the request at index (0 when there is none).
        [DllImport(Dll, EntryPoint = "KarvoKitRequestPointer", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern uint KarvoKitRequestPointer(IntPtr host, int index);
        // How many requests matched command, sql and data as KarvoKitAnswerCode matches them.
        [DllImport(Dll, EntryPoint = "KarvoKitCountRequests", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitCountRequests(IntPtr host, [MarshalAs(UnmanagedType.LPWStr)] string command, [MarshalAs(UnmanagedType.LPWStr)] string sql, [MarshalAs(UnmanagedType.LPWStr)] string data);

        // ---- Call documents ----

        // A PROCEDURE call document of procName as a host hands it to its plug-in: the API handle as the variable
        // APIHANDLE, then inputs, one per line as NAME<TAB>TYPE<TAB>VALUE (TYPE as the call document writes it:
        // STRING, INTEGER, FLOAT ...). The text is what the plug-in will see, after the trip through the ANSI code
        // page.
        [DllImport(Dll, EntryPoint = "KarvoKitCallDocument", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitCallDocument([MarshalAs(UnmanagedType.BStr)] ref string aResult, [MarshalAs(UnmanagedType.LPWStr)] string procName, [MarshalAs(UnmanagedType.LPWStr)] string apiHandle, [MarshalAs(UnmanagedType.LPWStr)] string inputs);

        // ---- Test objects ----

        // An object model of test objects and test data sets, to install with KarvoKitSessionOpen.
        [DllImport(Dll, EntryPoint = "KarvoKitModelCreate", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr KarvoKitModelCreate();
        // Frees the model; close the sessions that use it first.
        [DllImport(Dll, EntryPoint = "KarvoKitModelFree", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitModelFree(IntPtr model);
        // Adds (or replaces) a test object under a handle of the test's choosing, below 0x4000 (data sources are
        // numbered from 0x4000 up). Returns 1.
        [DllImport(Dll, EntryPoint = "KarvoKitAddObject", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitAddObject(IntPtr model, uint handle, [MarshalAs(UnmanagedType.LPWStr)] string className, [MarshalAs(UnmanagedType.LPWStr)] string name);
        // Appends child to the children of parent (GetControl, GetControlsList); 0 when parent is unknown.
        [DllImport(Dll, EntryPoint = "KarvoKitAddChild", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitAddChild(IntPtr model, uint parent, uint child);
        // Adds a published property: kind KARVO_KIT_tk... and its value as text: a decimal number for the ordinal
        // kinds (INTEGER, CHAR, ENUMERATION, SET, WCHAR, and CLASS, whose value is an object's handle), a number
        // with a point for FLOAT, the text itself for the string kinds, CODE,DATA in decimal for METHOD. 0 when
        // the object is unknown.
        [DllImport(Dll, EntryPoint = "KarvoKitAddProperty", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitAddProperty(IntPtr model, uint handle, [MarshalAs(UnmanagedType.LPWStr)] string name, [MarshalAs(UnmanagedType.LPWStr)] string typeName, int kind, [MarshalAs(UnmanagedType.LPWStr)] string value);
        // The property's value, as KarvoKitAddProperty takes it: what the plug-in left there. 0 when there is no
        // such property.
        [DllImport(Dll, EntryPoint = "KarvoKitPropertyText", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitPropertyText([MarshalAs(UnmanagedType.BStr)] ref string aResult, IntPtr model, uint handle, [MarshalAs(UnmanagedType.LPWStr)] string name);
        // How many times the plug-in wrote the property (-1: no such property).
        [DllImport(Dll, EntryPoint = "KarvoKitPropertyWrites", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitPropertyWrites(IntPtr model, uint handle, [MarshalAs(UnmanagedType.LPWStr)] string name);
        // Makes reading or writing the property fail (nonzero) or work again (0).
        [DllImport(Dll, EntryPoint = "KarvoKitFailProperty", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitFailProperty(IntPtr model, uint handle, [MarshalAs(UnmanagedType.LPWStr)] string name, int failReads, int failWrites);
        // Makes item the root item of menu (AddMenuItem appends to it).
        [DllImport(Dll, EntryPoint = "KarvoKitSetMenuRoot", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitSetMenuRoot(IntPtr model, uint menu, uint rootItem);
        // How many items item holds (-1: unknown object).
        [DllImport(Dll, EntryPoint = "KarvoKitMenuItemCount", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitMenuItemCount(IntPtr model, uint item);
        // The handle of item's child at index, 0 when there is none.
        [DllImport(Dll, EntryPoint = "KarvoKitMenuItem", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern uint KarvoKitMenuItem(IntPtr model, uint item, int index);
        // Lets the bitmap load a resource: a name, or #n for the number n.
        [DllImport(Dll, EntryPoint = "KarvoKitBitmapLoadable", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitBitmapLoadable(IntPtr model, uint bitmap, [MarshalAs(UnmanagedType.LPWStr)] string resource);
        // What the plug-in asked the bitmap to load, one per line, in order; returns how many (-1: unknown
        // object).
        [DllImport(Dll, EntryPoint = "KarvoKitBitmapLoads", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitBitmapLoads([MarshalAs(UnmanagedType.BStr)] ref string aResult, IntPtr model, uint bitmap);
        // Makes the object an action whose execution reports handled (nonzero) or not.
        [DllImport(Dll, EntryPoint = "KarvoKitSetAction", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitSetAction(IntPtr model, uint action, int handled);
        // How many times the action was executed (-1: unknown object).
        [DllImport(Dll, EntryPoint = "KarvoKitActionRuns", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitActionRuns(IntPtr model, uint action);
        // Publishes a method name (ASCII letters, matched ignoring case) of the object under code; calling it
        // succeeds when succeeds is nonzero.
        [DllImport(Dll, EntryPoint = "KarvoKitAddMethod", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitAddMethod(IntPtr model, uint handle, [MarshalAs(UnmanagedType.LPWStr)] string name, uint code, int succeeds);
        // How many times the method of that code was called.
        [DllImport(Dll, EntryPoint = "KarvoKitMethodCalls", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitMethodCalls(IntPtr model, uint code);

        // ---- Test data sets ----

        // A test data set with these field names (separated by tabs) behind a new data source: the handle to
        // answer OPEN_QUERY_SQL with.
        [DllImport(Dll, EntryPoint = "KarvoKitAddQuery", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern uint KarvoKitAddQuery(IntPtr model, [MarshalAs(UnmanagedType.LPWStr)] string fields);
        // Appends a record: values separated by tabs, in the order of the fields. 0 when query is unknown.
        [DllImport(Dll, EntryPoint = "KarvoKitAddRow", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitAddRow(IntPtr model, uint query, [MarshalAs(UnmanagedType.LPWStr)] string values);
        // Makes an operation of the data set (First, Next, Eof, FieldText, FieldByName, GetRecNo, SetRecNo,
        // RecordCount, Last, Prior) fail once it has run calls times; -1 never.
        [DllImport(Dll, EntryPoint = "KarvoKitQueryFailAfter", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitQueryFailAfter(IntPtr model, uint query, [MarshalAs(UnmanagedType.LPWStr)] string operation, int calls);
        // How many times the plug-in (through KARVO.DLL) ran that operation on the data set.
        [DllImport(Dll, EntryPoint = "KarvoKitQueryCalls", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitQueryCalls(IntPtr model, uint query, [MarshalAs(UnmanagedType.LPWStr)] string operation);
        // The data set's current record number (from 1; 0 when empty; -1: unknown).
        [DllImport(Dll, EntryPoint = "KarvoKitQueryRecord", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitQueryRecord(IntPtr model, uint query);

        // ---- Sessions and plug-ins ----

        // Loads KARVO.DLL (karvoDll, or KARVO.DLL when null) for one case with the model installed (none when
        // model is null), and COM on the calling thread as a host's main thread has it. A session per case: the
        // library keeps its state, the opened API above all, while it is loaded.
        [DllImport(Dll, EntryPoint = "KarvoKitSessionOpen", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr KarvoKitSessionOpen(IntPtr model, [MarshalAs(UnmanagedType.LPWStr)] string karvoDll);
        // 1 when KARVO.DLL was found and took the model.
        [DllImport(Dll, EntryPoint = "KarvoKitSessionReady", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitSessionReady(IntPtr session);
        // Uninstalls the model and unloads KARVO.DLL; free the plug-ins first (KarvoKitRunPlugin does).
        [DllImport(Dll, EntryPoint = "KarvoKitSessionClose", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void KarvoKitSessionClose(IntPtr session);
        // Loads the plug-in, calls its KarvoPluginRun with the call document (in the ANSI code page), reads its
        // answered document when it exports KarvoPluginAnswer (into aAnswer; null otherwise) and frees it. Returns
        // what KarvoPluginRun returned; -1 when the DLL cannot be loaded or has no KarvoPluginRun.
        [DllImport(Dll, EntryPoint = "KarvoKitRunPlugin", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int KarvoKitRunPlugin([MarshalAs(UnmanagedType.BStr)] ref string aAnswer, [MarshalAs(UnmanagedType.LPWStr)] string pluginDll, [MarshalAs(UnmanagedType.LPWStr)] string callDocument);
    }
}
