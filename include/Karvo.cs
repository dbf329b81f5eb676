// KARVO.DLL 1.4.0.0: P/Invoke declarations for plug-ins written in C#.
// Generated from exports/karvo.exports; do not edit.
//
// Every export is stdcall and imported by its undecorated name
// (ExactSpelling). Texts:
//   string arguments of the plain form go in the system ANSI code page;
//   a non-null text pointer must point at a terminated text;
//   IntPtr text results point into KARVO.DLL's buffer until the calling
//     thread's next text result: read them at once with KarvoApi.Text and never free them
//     (GetLastAPIError is such a result too; GetLastAPIErrorW is not);
//   the W forms take and give BSTRs (ref string: start with null);
//   the A forms take the counted strings of the process's shared memory
//     manager, which C# cannot make: use the W or plain form instead;
//   object arguments are VARIANTs (by value: 16 bytes on the stack).
// Byte results are the low 8 bits of the return value. LoadResource, also a
// Windows API name, is KarvoLoadResource here. A failure shows in the result
// and in GetLastAPIError.
using System;
using System.Runtime.InteropServices;

namespace Karvo
{
    public static class KarvoApi
    {
        public const string Dll = "KARVO.DLL";
        public const string Version = "1.4.0.0";

        // A text result of KARVO.DLL as a string (null pointer: empty).
        public static string Text(IntPtr result)
        {
            return result == IntPtr.Zero ? "" : Marshal.PtrToStringAnsi(result);
        }


        // ---- Opening and errors ----

        // Ownership: ApiText is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "OpenAPI", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte OpenAPI([MarshalAs(UnmanagedType.LPStr)] string ApiText);
        // Ownership: ApiText is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "OpenAPIA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte OpenAPIA(IntPtr ApiText);
        // Ownership: ApiText is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "OpenAPIW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte OpenAPIW([MarshalAs(UnmanagedType.BStr)] string ApiText);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it.
        [DllImport(Dll, EntryPoint = "GetLastAPIError", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetLastAPIError();
        // Ownership: aResult gets a counted string that needs the shared memory manager to release: use the W form from C#.
        [DllImport(Dll, EntryPoint = "GetLastAPIErrorA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetLastAPIErrorA(ref IntPtr aResult);
        // Ownership: aResult (start with null) gets a new BSTR that the marshaller turns into a string and frees.
        [DllImport(Dll, EntryPoint = "GetLastAPIErrorW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetLastAPIErrorW([MarshalAs(UnmanagedType.BStr)] ref string aResult);

        // ---- SQL ----

        // Ownership: SQLText is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "ExecuteSQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte ExecuteSQL([MarshalAs(UnmanagedType.LPStr)] string SQLText, byte SysDatabase);
        // Ownership: SQLText is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "ExecuteSQLA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte ExecuteSQLA(IntPtr SQLText, byte SysDatabase);
        // Ownership: SQLText is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "ExecuteSQLW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte ExecuteSQLW([MarshalAs(UnmanagedType.BStr)] string SQLText, byte SysDatabase);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; SQLText is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "GetFromQuerySQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetFromQuerySQL([MarshalAs(UnmanagedType.LPStr)] string SQLText, byte SysDatabase);
        // Ownership: aResult gets a counted string that needs the shared memory manager to release: use the W form from C#; SQLText is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "GetFromQuerySQLA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetFromQuerySQLA(ref IntPtr aResult, IntPtr SQLText, byte SysDatabase);
        // Ownership: aResult (start with null) gets a new BSTR that the marshaller turns into a string and frees; SQLText is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "GetFromQuerySQLW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetFromQuerySQLW([MarshalAs(UnmanagedType.BStr)] ref string aResult, [MarshalAs(UnmanagedType.BStr)] string SQLText, byte SysDatabase);
        // Ownership: SQLText is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "OpenQuerySQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr OpenQuerySQL([MarshalAs(UnmanagedType.LPStr)] string SQLText, byte SysDatabase);
        // Ownership: SQLText is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "OpenQuerySQLA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr OpenQuerySQLA(IntPtr SQLText, byte SysDatabase);
        // Ownership: SQLText is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "OpenQuerySQLW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr OpenQuerySQLW([MarshalAs(UnmanagedType.BStr)] string SQLText, byte SysDatabase);
        // Ownership: QueryHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "CloseQuerySQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte CloseQuerySQL(IntPtr QueryHandle);

        // ---- Result sets ----

        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; aDSHandle is the host's, lent and never freed; aFieldName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "FieldByNameSQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr FieldByNameSQL(IntPtr aDSHandle, [MarshalAs(UnmanagedType.LPStr)] string aFieldName);
        // Ownership: aResult gets a counted string that needs the shared memory manager to release: use the W form from C#; aDSHandle is the host's, lent and never freed; aFieldName is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "FieldByNameSQLA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void FieldByNameSQLA(ref IntPtr aResult, IntPtr aDSHandle, IntPtr aFieldName);
        // Ownership: aResult (start with null) gets a new BSTR that the marshaller turns into a string and frees; aDSHandle is the host's, lent and never freed; aFieldName is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "FieldByNameSQLW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void FieldByNameSQLW([MarshalAs(UnmanagedType.BStr)] ref string aResult, IntPtr aDSHandle, [MarshalAs(UnmanagedType.BStr)] string aFieldName);
        // Ownership: aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "FirstSQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte FirstSQL(IntPtr aDSHandle);
        // Ownership: aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "LastSQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte LastSQL(IntPtr aDSHandle);
        // Ownership: aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "NextSQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte NextSQL(IntPtr aDSHandle);
        // Ownership: aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "PriorSQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte PriorSQL(IntPtr aDSHandle);
        // Ownership: aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "CountSQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte CountSQL(IntPtr aDSHandle);
        // Ownership: aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "EofSQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte EofSQL(IntPtr aDSHandle);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "GetCSVQuerySQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetCSVQuerySQL(IntPtr aDSHandle, int aStart, int aCount, byte aWithHeader);
        // Ownership: aResult gets a counted string that needs the shared memory manager to release: use the W form from C#; aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "GetCSVQuerySQLA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetCSVQuerySQLA(ref IntPtr aResult, IntPtr aDSHandle, int aStart, int aCount, byte aWithHeader);
        // Ownership: aResult (start with null) gets a new BSTR that the marshaller turns into a string and frees; aDSHandle is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "GetCSVQuerySQLW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetCSVQuerySQLW([MarshalAs(UnmanagedType.BStr)] ref string aResult, IntPtr aDSHandle, int aStart, int aCount, byte aWithHeader);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it.
        [DllImport(Dll, EntryPoint = "GetXMLQuerySQL", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetXMLQuerySQL(uint aArg1, uint aArg2, uint aArg3, uint aArg4);

        // ---- Call documents ----

        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; XMLText is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "XMLGetProcName", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr XMLGetProcName([MarshalAs(UnmanagedType.LPStr)] string XMLText);
        // Ownership: aResult gets a counted string that needs the shared memory manager to release: use the W form from C#; XMLText is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "XMLGetProcNameA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void XMLGetProcNameA(ref IntPtr aResult, IntPtr XMLText);
        // Ownership: aResult (start with null) gets a new BSTR that the marshaller turns into a string and frees; XMLText is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "XMLGetProcNameW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void XMLGetProcNameW([MarshalAs(UnmanagedType.BStr)] ref string aResult, [MarshalAs(UnmanagedType.BStr)] string XMLText);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; XMLText is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "XMLGetWindowName", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr XMLGetWindowName([MarshalAs(UnmanagedType.LPStr)] string XMLText);
        // Ownership: aResult gets a counted string that needs the shared memory manager to release: use the W form from C#; XMLText is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "XMLGetWindowNameA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void XMLGetWindowNameA(ref IntPtr aResult, IntPtr XMLText);
        // Ownership: aResult (start with null) gets a new BSTR that the marshaller turns into a string and frees; XMLText is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "XMLGetWindowNameW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void XMLGetWindowNameW([MarshalAs(UnmanagedType.BStr)] ref string aResult, [MarshalAs(UnmanagedType.BStr)] string XMLText);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; XMLText is marshalled to the ANSI code page for the call; TagName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "XMLGetTagText", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr XMLGetTagText([MarshalAs(UnmanagedType.LPStr)] string XMLText, [MarshalAs(UnmanagedType.LPStr)] string TagName);
        // Ownership: Value is marshalled in and out as a VARIANT; the marshaller clears it; XMLText is marshalled to the ANSI code page for the call; VarName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "XMLGetData", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void XMLGetData([MarshalAs(UnmanagedType.Struct)] ref object Value, [MarshalAs(UnmanagedType.LPStr)] string XMLText, [MarshalAs(UnmanagedType.LPStr)] string VarName, byte Direction);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; XMLText is marshalled to the ANSI code page for the call; VarName is marshalled to the ANSI code page for the call; Value is marshalled to a VARIANT by value; KARVO.DLL copies it; SectionName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "XMLSetData", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr XMLSetData([MarshalAs(UnmanagedType.LPStr)] string XMLText, [MarshalAs(UnmanagedType.LPStr)] string VarName, [MarshalAs(UnmanagedType.Struct)] object Value, byte Direction, [MarshalAs(UnmanagedType.LPStr)] string SectionName);

        // ---- Delimited fields ----

        // Ownership: aLine is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "CSVGetFieldCount", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int CSVGetFieldCount([MarshalAs(UnmanagedType.LPStr)] string aLine, byte aSeparator);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; aLine is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "CSVGetField", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr CSVGetField([MarshalAs(UnmanagedType.LPStr)] string aLine, int aFieldNo, byte aSeparator);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; aValue is marshalled to the ANSI code page for the call; aLine is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "CSVSetField", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr CSVSetField([MarshalAs(UnmanagedType.LPStr)] string aValue, [MarshalAs(UnmanagedType.LPStr)] string aLine, int aFieldNo, byte aSeparator);
        // Ownership: aValue is marshalled to the ANSI code page for the call; aLine is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "CSVIsField", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int CSVIsField([MarshalAs(UnmanagedType.LPStr)] string aValue, [MarshalAs(UnmanagedType.LPStr)] string aLine, byte aSeparator);

        // ---- Host objects ----

        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; aObject is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "GetPropertyList", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetPropertyList(IntPtr aObject, uint aFlags);
        // Ownership: for a METHOD property aResult gets the address of KARVO.DLL's copy of its (code, data) pair, which holds that pair until 16384 other pairs have been read after it; never free it; aResult is marshalled in and out as a VARIANT; the marshaller clears it; aObject is the host's, lent and never freed; aPropName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "GetProperty", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetProperty([MarshalAs(UnmanagedType.Struct)] ref object aResult, IntPtr aObject, [MarshalAs(UnmanagedType.LPStr)] string aPropName);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; aObject is the host's, lent and never freed; aPropName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "GetPropertyStr", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetPropertyStr(IntPtr aObject, [MarshalAs(UnmanagedType.LPStr)] string aPropName);
        // Ownership: aObject is the host's, lent and never freed; aPropName is marshalled to the ANSI code page for the call; aPropValue is marshalled to a VARIANT by value; KARVO.DLL copies it.
        [DllImport(Dll, EntryPoint = "SetProperty", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte SetProperty(IntPtr aObject, [MarshalAs(UnmanagedType.LPStr)] string aPropName, [MarshalAs(UnmanagedType.Struct)] object aPropValue);
        // Ownership: aObject is the host's, lent and never freed; aPropName is marshalled to the ANSI code page for the call; aPropValue is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "SetPropertyStr", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte SetPropertyStr(IntPtr aObject, [MarshalAs(UnmanagedType.LPStr)] string aPropName, [MarshalAs(UnmanagedType.LPStr)] string aPropValue);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; aContainer is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "GetControlsList", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetControlsList(IntPtr aContainer, uint aFlags);
        // Ownership: aContainer is the host's, lent and never freed; aControlName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "GetControl", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetControl(IntPtr aContainer, [MarshalAs(UnmanagedType.LPStr)] string aControlName);
        // Ownership: aContainer is the host's, lent and never freed; aText1 is marshalled to the ANSI code page for the call; aText2 is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "AddControl", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr AddControl(IntPtr aContainer, [MarshalAs(UnmanagedType.LPStr)] string aText1, [MarshalAs(UnmanagedType.LPStr)] string aText2);
        // Ownership: aContainer is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "CloneContener", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte CloneContener(IntPtr aContainer, int aNumber);
        // Ownership: aMenu is the host's, lent and never freed; aMenuItem is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "AddMenuItem", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte AddMenuItem(IntPtr aMenu, IntPtr aMenuItem);
        // Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "LoadResource", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte KarvoLoadResource(IntPtr aBitmap, IntPtr aInstance, [MarshalAs(UnmanagedType.LPStr)] string aResName, int aResID);
        // Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "LoadResourceA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte LoadResourceA(IntPtr aBitmap, IntPtr aInstance, IntPtr aResName, int aResID);
        // Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "LoadResourceW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte LoadResourceW(IntPtr aBitmap, IntPtr aInstance, [MarshalAs(UnmanagedType.BStr)] string aResName, int aResID);
        // Ownership: aAction is the host's, lent and never freed.
        [DllImport(Dll, EntryPoint = "ExecuteAction", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte ExecuteAction(IntPtr aAction);
        // Ownership: no texts or handles change hands.
        [DllImport(Dll, EntryPoint = "ExecuteMethod", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte ExecuteMethod(IntPtr aCode, IntPtr aData);
        // Ownership: aObject is the host's, lent and never freed; aMethodName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "ExecuteClassMethodByName", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte ExecuteClassMethodByName(IntPtr aObject, [MarshalAs(UnmanagedType.LPStr)] string aMethodName);

        // ---- Scripts ----

        // Ownership: aScriptText is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "CreateScript", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int CreateScript([MarshalAs(UnmanagedType.LPStr)] string aScriptText);
        // Ownership: aScriptText is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "CreateScriptA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int CreateScriptA(IntPtr aScriptText);
        // Ownership: aScriptText is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "CreateScriptW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int CreateScriptW([MarshalAs(UnmanagedType.BStr)] string aScriptText);
        // Ownership: aVarName is marshalled to the ANSI code page for the call; aVarValue is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "AddScriptVariant", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int AddScriptVariant(int aScript, [MarshalAs(UnmanagedType.LPStr)] string aVarName, [MarshalAs(UnmanagedType.LPStr)] string aVarValue);
        // Ownership: aVarName is a counted string of the process's shared memory manager: use the W form from C#; aVarValue is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "AddScriptVariantA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int AddScriptVariantA(int aScript, IntPtr aVarName, IntPtr aVarValue);
        // Ownership: aVarName is marshalled to a BSTR that the marshaller frees; aVarValue is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "AddScriptVariantW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int AddScriptVariantW(int aScript, [MarshalAs(UnmanagedType.BStr)] string aVarName, [MarshalAs(UnmanagedType.BStr)] string aVarValue);
        // Ownership: aFuncName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "AddScriptFunction", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int AddScriptFunction(int aScript, uint aFuncValue, [MarshalAs(UnmanagedType.LPStr)] string aFuncName);
        // Ownership: aFuncName is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "AddScriptFunctionA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int AddScriptFunctionA(int aScript, uint aFuncValue, IntPtr aFuncName);
        // Ownership: aFuncName is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "AddScriptFunctionW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int AddScriptFunctionW(int aScript, uint aFuncValue, [MarshalAs(UnmanagedType.BStr)] string aFuncName);
        // Ownership: the result points into KARVO.DLL's buffer until the calling thread's next text result: read it at once with KarvoApi.Text, never free it; aVarName is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "GetScriptVariant", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern IntPtr GetScriptVariant(int aScript, [MarshalAs(UnmanagedType.LPStr)] string aVarName);
        // Ownership: aResult gets a counted string that needs the shared memory manager to release: use the W form from C#; aVarName is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "GetScriptVariantA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetScriptVariantA(ref IntPtr aResult, int aScript, IntPtr aVarName);
        // Ownership: aResult (start with null) gets a new BSTR that the marshaller turns into a string and frees; aVarName is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "GetScriptVariantW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern void GetScriptVariantW([MarshalAs(UnmanagedType.BStr)] ref string aResult, int aScript, [MarshalAs(UnmanagedType.BStr)] string aVarName);
        // Ownership: aVarName is marshalled to the ANSI code page for the call; aVarValue is marshalled to the ANSI code page for the call.
        [DllImport(Dll, EntryPoint = "SetScriptVariant", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int SetScriptVariant(int aScript, [MarshalAs(UnmanagedType.LPStr)] string aVarName, [MarshalAs(UnmanagedType.LPStr)] string aVarValue);
        // Ownership: aVarName is a counted string of the process's shared memory manager: use the W form from C#; aVarValue is a counted string of the process's shared memory manager: use the W form from C#.
        [DllImport(Dll, EntryPoint = "SetScriptVariantA", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int SetScriptVariantA(int aScript, IntPtr aVarName, IntPtr aVarValue);
        // Ownership: aVarName is marshalled to a BSTR that the marshaller frees; aVarValue is marshalled to a BSTR that the marshaller frees.
        [DllImport(Dll, EntryPoint = "SetScriptVariantW", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int SetScriptVariantW(int aScript, [MarshalAs(UnmanagedType.BStr)] string aVarName, [MarshalAs(UnmanagedType.BStr)] string aVarValue);
        // Ownership: no texts or handles change hands.
        [DllImport(Dll, EntryPoint = "ExecuteScript", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int ExecuteScript(int aScript);
        // Ownership: no texts or handles change hands.
        [DllImport(Dll, EntryPoint = "ExecuteAsychScript", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int ExecuteAsychScript(int aScript, int aFlag);
        // Ownership: no texts or handles change hands.
        [DllImport(Dll, EntryPoint = "CheckAsynchScriptStatus", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte CheckAsynchScriptStatus(int aScript);
        // Ownership: no texts or handles change hands.
        [DllImport(Dll, EntryPoint = "FreeScript", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern int FreeScript(int aScript);

        // ---- Host object model (for hosts that serve their plug-ins in-process) ----

        // Ownership: aModel is copied during the call; the Context and the functions it names stay the host's and must stay valid until the model is replaced, uninstalled or KARVO.DLL unloaded.
        [DllImport(Dll, EntryPoint = "KarvoInstallObjectModel", CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
        public static extern byte KarvoInstallObjectModel(IntPtr aModel);
    }
}
