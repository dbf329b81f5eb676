{ KARVO.DLL 1.4.0.0: the exports for Pascal plug-ins (Free Pascal and Delphi).
  Generated from exports/karvo.exports; do not edit.

  Every export is stdcall and imported from KARVO.DLL by its undecorated name.
  Texts:
    PAnsiChar arguments: NUL-terminated, system ANSI code page; nil = empty.
    A non-nil text pointer must point at a terminated text.
    PAnsiChar results: KARVO.DLL's buffer, valid until the calling thread's
      next text result; never free them; nil means an empty text.
      GetLastAPIError is such a
      result too (GetLastAPIErrorA and W leave the buffer alone), and the A and
      W forms of OpenAPI, ExecuteSQL, GetFromQuerySQL, OpenQuerySQL,
      FieldByNameSQL, XMLGetProcName, XMLGetWindowName and LoadResource
      overwrite it even when they return no text: copy a result at once.
    AnsiString (A forms): counted strings from the memory manager that all
      modules of the process share. Put KarvoShareMem first in the uses clause
      of the project, so that the strings KARVO.DLL hands out are freed in the
      heap they came from. This unit uses KarvoShareMem itself: a module in
      which SysUtils started before KarvoShareMem does not start (a message,
      then LoadLibrary fails or the program ends with exit code 1) instead of
      crashing at its first A-form result.
      A manager published in the process that cannot be called is never
      called: A-form results then fail with code 252.
    WideString (W forms): a BSTR. Arguments stay yours; a var result gets a
      new BSTR and its old one is freed.
    A length (an AnsiString's, a WideString's) that runs past readable memory
      fails the call with code 252.
  Byte results are the low 8 bits of the return value.
  VARIANT by value: the export takes the 16-byte VARIANT itself on the stack.
    These are declared as value (not const) TVarData parameters: stdcall
    pushes a value record whole in Free Pascal and Delphi alike, while a
    const record, or a Variant parameter in Delphi, would go as a pointer.
    Pass TVarData(V). A var OleVariant is the VARIANT* of a result.
  LoadResource is also a Windows API function: it is declared here as
    KarvoLoadResource, importing the export LoadResource.
  A failure shows in the result and in GetLastAPIError. }
unit karvo;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}

interface

const
  KarvoDLL = 'KARVO.DLL';
  KarvoVersion = '1.4.0.0';

type
  { A host object, result set or other handle: 32 bits, lent by the host. }
  TKarvoHandle = Pointer;


{ ---- Opening and errors ---- }

{ Ownership: ApiText is only read during the call. }
function OpenAPI(ApiText: PAnsiChar): Byte; stdcall; external KarvoDLL name 'OpenAPI';
{ Ownership: ApiText keeps one extra reference only during the call. }
function OpenAPIA(const ApiText: AnsiString): Byte; stdcall; external KarvoDLL name 'OpenAPIA';
{ Ownership: ApiText stays the caller's (KARVO.DLL copies it). }
function OpenAPIW(const ApiText: WideString): Byte; stdcall; external KarvoDLL name 'OpenAPIW';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty. }
function GetLastAPIError: PAnsiChar; stdcall; external KarvoDLL name 'GetLastAPIError';
{ Ownership: aResult gets a new AnsiString from the shared memory manager (KarvoShareMem first in the uses clause) and the old value is released. }
procedure GetLastAPIErrorA(var aResult: AnsiString); stdcall; external KarvoDLL name 'GetLastAPIErrorA';
{ Ownership: aResult gets a new WideString and its old one is freed; the compiler releases it. }
procedure GetLastAPIErrorW(var aResult: WideString); stdcall; external KarvoDLL name 'GetLastAPIErrorW';

{ ---- SQL ---- }

{ Ownership: SQLText is only read during the call. }
function ExecuteSQL(SQLText: PAnsiChar; SysDatabase: Byte): Byte; stdcall; external KarvoDLL name 'ExecuteSQL';
{ Ownership: SQLText keeps one extra reference only during the call. }
function ExecuteSQLA(const SQLText: AnsiString; SysDatabase: Byte): Byte; stdcall; external KarvoDLL name 'ExecuteSQLA';
{ Ownership: SQLText stays the caller's (KARVO.DLL copies it). }
function ExecuteSQLW(const SQLText: WideString; SysDatabase: Byte): Byte; stdcall; external KarvoDLL name 'ExecuteSQLW';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; SQLText is only read during the call. }
function GetFromQuerySQL(SQLText: PAnsiChar; SysDatabase: Byte): PAnsiChar; stdcall; external KarvoDLL name 'GetFromQuerySQL';
{ Ownership: aResult gets a new AnsiString from the shared memory manager (KarvoShareMem first in the uses clause) and the old value is released; SQLText keeps one extra reference only during the call. }
procedure GetFromQuerySQLA(var aResult: AnsiString; const SQLText: AnsiString; SysDatabase: Byte); stdcall; external KarvoDLL name 'GetFromQuerySQLA';
{ Ownership: aResult gets a new WideString and its old one is freed; the compiler releases it; SQLText stays the caller's (KARVO.DLL copies it). }
procedure GetFromQuerySQLW(var aResult: WideString; const SQLText: WideString; SysDatabase: Byte); stdcall; external KarvoDLL name 'GetFromQuerySQLW';
{ Ownership: SQLText is only read during the call. }
function OpenQuerySQL(SQLText: PAnsiChar; SysDatabase: Byte): TKarvoHandle; stdcall; external KarvoDLL name 'OpenQuerySQL';
{ Ownership: SQLText keeps one extra reference only during the call. }
function OpenQuerySQLA(const SQLText: AnsiString; SysDatabase: Byte): TKarvoHandle; stdcall; external KarvoDLL name 'OpenQuerySQLA';
{ Ownership: SQLText stays the caller's (KARVO.DLL copies it). }
function OpenQuerySQLW(const SQLText: WideString; SysDatabase: Byte): TKarvoHandle; stdcall; external KarvoDLL name 'OpenQuerySQLW';
{ Ownership: QueryHandle is the host's, lent and never freed. }
function CloseQuerySQL(QueryHandle: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'CloseQuerySQL';

{ ---- Result sets ---- }

{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; aDSHandle is the host's, lent and never freed; aFieldName is only read during the call. }
function FieldByNameSQL(aDSHandle: TKarvoHandle; aFieldName: PAnsiChar): PAnsiChar; stdcall; external KarvoDLL name 'FieldByNameSQL';
{ Ownership: aResult gets a new AnsiString from the shared memory manager (KarvoShareMem first in the uses clause) and the old value is released; aDSHandle is the host's, lent and never freed; aFieldName keeps one extra reference only during the call. }
procedure FieldByNameSQLA(var aResult: AnsiString; aDSHandle: TKarvoHandle; const aFieldName: AnsiString); stdcall; external KarvoDLL name 'FieldByNameSQLA';
{ Ownership: aResult gets a new WideString and its old one is freed; the compiler releases it; aDSHandle is the host's, lent and never freed; aFieldName stays the caller's (KARVO.DLL copies it). }
procedure FieldByNameSQLW(var aResult: WideString; aDSHandle: TKarvoHandle; const aFieldName: WideString); stdcall; external KarvoDLL name 'FieldByNameSQLW';
{ Ownership: aDSHandle is the host's, lent and never freed. }
function FirstSQL(aDSHandle: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'FirstSQL';
{ Ownership: aDSHandle is the host's, lent and never freed. }
function LastSQL(aDSHandle: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'LastSQL';
{ Ownership: aDSHandle is the host's, lent and never freed. }
function NextSQL(aDSHandle: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'NextSQL';
{ Ownership: aDSHandle is the host's, lent and never freed. }
function PriorSQL(aDSHandle: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'PriorSQL';
{ Ownership: aDSHandle is the host's, lent and never freed. }
function CountSQL(aDSHandle: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'CountSQL';
{ Ownership: aDSHandle is the host's, lent and never freed. }
function EofSQL(aDSHandle: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'EofSQL';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; aDSHandle is the host's, lent and never freed. }
function GetCSVQuerySQL(aDSHandle: TKarvoHandle; aStart: LongInt; aCount: LongInt; aWithHeader: Byte): PAnsiChar; stdcall; external KarvoDLL name 'GetCSVQuerySQL';
{ Ownership: aResult gets a new AnsiString from the shared memory manager (KarvoShareMem first in the uses clause) and the old value is released; aDSHandle is the host's, lent and never freed. }
procedure GetCSVQuerySQLA(var aResult: AnsiString; aDSHandle: TKarvoHandle; aStart: LongInt; aCount: LongInt; aWithHeader: Byte); stdcall; external KarvoDLL name 'GetCSVQuerySQLA';
{ Ownership: aResult gets a new WideString and its old one is freed; the compiler releases it; aDSHandle is the host's, lent and never freed. }
procedure GetCSVQuerySQLW(var aResult: WideString; aDSHandle: TKarvoHandle; aStart: LongInt; aCount: LongInt; aWithHeader: Byte); stdcall; external KarvoDLL name 'GetCSVQuerySQLW';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty. }
function GetXMLQuerySQL(aArg1: LongWord; aArg2: LongWord; aArg3: LongWord; aArg4: LongWord): PAnsiChar; stdcall; external KarvoDLL name 'GetXMLQuerySQL';

{ ---- Call documents ---- }

{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; XMLText is only read during the call. }
function XMLGetProcName(XMLText: PAnsiChar): PAnsiChar; stdcall; external KarvoDLL name 'XMLGetProcName';
{ Ownership: aResult gets a new AnsiString from the shared memory manager (KarvoShareMem first in the uses clause) and the old value is released; XMLText keeps one extra reference only during the call. }
procedure XMLGetProcNameA(var aResult: AnsiString; const XMLText: AnsiString); stdcall; external KarvoDLL name 'XMLGetProcNameA';
{ Ownership: aResult gets a new WideString and its old one is freed; the compiler releases it; XMLText stays the caller's (KARVO.DLL copies it). }
procedure XMLGetProcNameW(var aResult: WideString; const XMLText: WideString); stdcall; external KarvoDLL name 'XMLGetProcNameW';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; XMLText is only read during the call. }
function XMLGetWindowName(XMLText: PAnsiChar): PAnsiChar; stdcall; external KarvoDLL name 'XMLGetWindowName';
{ Ownership: aResult gets a new AnsiString from the shared memory manager (KarvoShareMem first in the uses clause) and the old value is released; XMLText keeps one extra reference only during the call. }
procedure XMLGetWindowNameA(var aResult: AnsiString; const XMLText: AnsiString); stdcall; external KarvoDLL name 'XMLGetWindowNameA';
{ Ownership: aResult gets a new WideString and its old one is freed; the compiler releases it; XMLText stays the caller's (KARVO.DLL copies it). }
procedure XMLGetWindowNameW(var aResult: WideString; const XMLText: WideString); stdcall; external KarvoDLL name 'XMLGetWindowNameW';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; XMLText is only read during the call; TagName is only read during the call. }
function XMLGetTagText(XMLText: PAnsiChar; TagName: PAnsiChar): PAnsiChar; stdcall; external KarvoDLL name 'XMLGetTagText';
{ Ownership: Value is cleared, then gets the value; the compiler releases it; XMLText is only read during the call; VarName is only read during the call. }
procedure XMLGetData(var Value: OleVariant; XMLText: PAnsiChar; VarName: PAnsiChar; Direction: Byte); stdcall; external KarvoDLL name 'XMLGetData';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; XMLText is only read during the call; VarName is only read during the call; pass TVarData(V): KARVO.DLL copies it and clears the copy, V stays the caller's; SectionName is only read during the call. }
function XMLSetData(XMLText: PAnsiChar; VarName: PAnsiChar; Value: TVarData; Direction: Byte; SectionName: PAnsiChar): PAnsiChar; stdcall; external KarvoDLL name 'XMLSetData';

{ ---- Delimited fields ---- }

{ Ownership: aLine is only read during the call. }
function CSVGetFieldCount(aLine: PAnsiChar; aSeparator: Byte): LongInt; stdcall; external KarvoDLL name 'CSVGetFieldCount';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; aLine is only read during the call. }
function CSVGetField(aLine: PAnsiChar; aFieldNo: LongInt; aSeparator: Byte): PAnsiChar; stdcall; external KarvoDLL name 'CSVGetField';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; aValue is only read during the call; aLine is only read during the call. }
function CSVSetField(aValue: PAnsiChar; aLine: PAnsiChar; aFieldNo: LongInt; aSeparator: Byte): PAnsiChar; stdcall; external KarvoDLL name 'CSVSetField';
{ Ownership: aValue is only read during the call; aLine is only read during the call. }
function CSVIsField(aValue: PAnsiChar; aLine: PAnsiChar; aSeparator: Byte): LongInt; stdcall; external KarvoDLL name 'CSVIsField';

{ ---- Host objects ---- }

{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; aObject is the host's, lent and never freed. }
function GetPropertyList(aObject: TKarvoHandle; aFlags: LongWord): PAnsiChar; stdcall; external KarvoDLL name 'GetPropertyList';
{ Ownership: for a METHOD property aResult gets the address of KARVO.DLL's copy of its (code, data) pair, which holds that pair until 16384 other pairs have been read after it; never free it; aResult is cleared, then gets the value; the compiler releases it; aObject is the host's, lent and never freed; aPropName is only read during the call. }
procedure GetProperty(var aResult: OleVariant; aObject: TKarvoHandle; aPropName: PAnsiChar); stdcall; external KarvoDLL name 'GetProperty';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; aObject is the host's, lent and never freed; aPropName is only read during the call. }
function GetPropertyStr(aObject: TKarvoHandle; aPropName: PAnsiChar): PAnsiChar; stdcall; external KarvoDLL name 'GetPropertyStr';
{ Ownership: aObject is the host's, lent and never freed; aPropName is only read during the call; pass TVarData(V): KARVO.DLL copies it and clears the copy, V stays the caller's. }
function SetProperty(aObject: TKarvoHandle; aPropName: PAnsiChar; aPropValue: TVarData): Byte; stdcall; external KarvoDLL name 'SetProperty';
{ Ownership: aObject is the host's, lent and never freed; aPropName is only read during the call; aPropValue is only read during the call. }
function SetPropertyStr(aObject: TKarvoHandle; aPropName: PAnsiChar; aPropValue: PAnsiChar): Byte; stdcall; external KarvoDLL name 'SetPropertyStr';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; aContainer is the host's, lent and never freed. }
function GetControlsList(aContainer: TKarvoHandle; aFlags: LongWord): PAnsiChar; stdcall; external KarvoDLL name 'GetControlsList';
{ Ownership: aContainer is the host's, lent and never freed; aControlName is only read during the call. }
function GetControl(aContainer: TKarvoHandle; aControlName: PAnsiChar): TKarvoHandle; stdcall; external KarvoDLL name 'GetControl';
{ Ownership: aContainer is the host's, lent and never freed; aText1 is only read during the call; aText2 is only read during the call. }
function AddControl(aContainer: TKarvoHandle; aText1: PAnsiChar; aText2: PAnsiChar): TKarvoHandle; stdcall; external KarvoDLL name 'AddControl';
{ Ownership: aContainer is the host's, lent and never freed. }
function CloneContener(aContainer: TKarvoHandle; aNumber: LongInt): Byte; stdcall; external KarvoDLL name 'CloneContener';
{ Ownership: aMenu is the host's, lent and never freed; aMenuItem is the host's, lent and never freed. }
function AddMenuItem(aMenu: TKarvoHandle; aMenuItem: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'AddMenuItem';
{ Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName is only read during the call. }
function KarvoLoadResource(aBitmap: TKarvoHandle; aInstance: TKarvoHandle; aResName: PAnsiChar; aResID: LongInt): Byte; stdcall; external KarvoDLL name 'LoadResource';
{ Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName keeps one extra reference only during the call. }
function LoadResourceA(aBitmap: TKarvoHandle; aInstance: TKarvoHandle; const aResName: AnsiString; aResID: LongInt): Byte; stdcall; external KarvoDLL name 'LoadResourceA';
{ Ownership: aBitmap is the host's, lent and never freed; aInstance is the host's, lent and never freed; aResName stays the caller's (KARVO.DLL copies it). }
function LoadResourceW(aBitmap: TKarvoHandle; aInstance: TKarvoHandle; const aResName: WideString; aResID: LongInt): Byte; stdcall; external KarvoDLL name 'LoadResourceW';
{ Ownership: aAction is the host's, lent and never freed. }
function ExecuteAction(aAction: TKarvoHandle): Byte; stdcall; external KarvoDLL name 'ExecuteAction';
{ Ownership: no texts or handles change hands. }
function ExecuteMethod(aCode: Pointer; aData: Pointer): Byte; stdcall; external KarvoDLL name 'ExecuteMethod';
{ Ownership: aObject is the host's, lent and never freed; aMethodName is only read during the call. }
function ExecuteClassMethodByName(aObject: TKarvoHandle; aMethodName: PAnsiChar): Byte; stdcall; external KarvoDLL name 'ExecuteClassMethodByName';

{ ---- Scripts ---- }

{ Ownership: aScriptText is only read during the call. }
function CreateScript(aScriptText: PAnsiChar): LongInt; stdcall; external KarvoDLL name 'CreateScript';
{ Ownership: aScriptText keeps one extra reference only during the call. }
function CreateScriptA(const aScriptText: AnsiString): LongInt; stdcall; external KarvoDLL name 'CreateScriptA';
{ Ownership: aScriptText stays the caller's (KARVO.DLL copies it). }
function CreateScriptW(const aScriptText: WideString): LongInt; stdcall; external KarvoDLL name 'CreateScriptW';
{ Ownership: aVarName is only read during the call; aVarValue is only read during the call. }
function AddScriptVariant(aScript: LongInt; aVarName: PAnsiChar; aVarValue: PAnsiChar): LongInt; stdcall; external KarvoDLL name 'AddScriptVariant';
{ Ownership: aVarName keeps one extra reference only during the call; aVarValue keeps one extra reference only during the call. }
function AddScriptVariantA(aScript: LongInt; const aVarName: AnsiString; const aVarValue: AnsiString): LongInt; stdcall; external KarvoDLL name 'AddScriptVariantA';
{ Ownership: aVarName stays the caller's (KARVO.DLL copies it); aVarValue stays the caller's (KARVO.DLL copies it). }
function AddScriptVariantW(aScript: LongInt; const aVarName: WideString; const aVarValue: WideString): LongInt; stdcall; external KarvoDLL name 'AddScriptVariantW';
{ Ownership: aFuncName is only read during the call. }
function AddScriptFunction(aScript: LongInt; aFuncValue: LongWord; aFuncName: PAnsiChar): LongInt; stdcall; external KarvoDLL name 'AddScriptFunction';
{ Ownership: aFuncName keeps one extra reference only during the call. }
function AddScriptFunctionA(aScript: LongInt; aFuncValue: LongWord; const aFuncName: AnsiString): LongInt; stdcall; external KarvoDLL name 'AddScriptFunctionA';
{ Ownership: aFuncName stays the caller's (KARVO.DLL copies it). }
function AddScriptFunctionW(aScript: LongInt; aFuncValue: LongWord; const aFuncName: WideString): LongInt; stdcall; external KarvoDLL name 'AddScriptFunctionW';
{ Ownership: the result is KARVO.DLL's buffer, valid until the calling thread's next text result; never free it; nil = empty; aVarName is only read during the call. }
function GetScriptVariant(aScript: LongInt; aVarName: PAnsiChar): PAnsiChar; stdcall; external KarvoDLL name 'GetScriptVariant';
{ Ownership: aResult gets a new AnsiString from the shared memory manager (KarvoShareMem first in the uses clause) and the old value is released; aVarName keeps one extra reference only during the call. }
procedure GetScriptVariantA(var aResult: AnsiString; aScript: LongInt; const aVarName: AnsiString); stdcall; external KarvoDLL name 'GetScriptVariantA';
{ Ownership: aResult gets a new WideString and its old one is freed; the compiler releases it; aVarName stays the caller's (KARVO.DLL copies it). }
procedure GetScriptVariantW(var aResult: WideString; aScript: LongInt; const aVarName: WideString); stdcall; external KarvoDLL name 'GetScriptVariantW';
{ Ownership: aVarName is only read during the call; aVarValue is only read during the call. }
function SetScriptVariant(aScript: LongInt; aVarName: PAnsiChar; aVarValue: PAnsiChar): LongInt; stdcall; external KarvoDLL name 'SetScriptVariant';
{ Ownership: aVarName keeps one extra reference only during the call; aVarValue keeps one extra reference only during the call. }
function SetScriptVariantA(aScript: LongInt; const aVarName: AnsiString; const aVarValue: AnsiString): LongInt; stdcall; external KarvoDLL name 'SetScriptVariantA';
{ Ownership: aVarName stays the caller's (KARVO.DLL copies it); aVarValue stays the caller's (KARVO.DLL copies it). }
function SetScriptVariantW(aScript: LongInt; const aVarName: WideString; const aVarValue: WideString): LongInt; stdcall; external KarvoDLL name 'SetScriptVariantW';
{ Ownership: no texts or handles change hands. }
function ExecuteScript(aScript: LongInt): LongInt; stdcall; external KarvoDLL name 'ExecuteScript';
{ Ownership: no texts or handles change hands. }
function ExecuteAsychScript(aScript: LongInt; aFlag: LongInt): LongInt; stdcall; external KarvoDLL name 'ExecuteAsychScript';
{ Ownership: no texts or handles change hands. }
function CheckAsynchScriptStatus(aScript: LongInt): Byte; stdcall; external KarvoDLL name 'CheckAsynchScriptStatus';
{ Ownership: no texts or handles change hands. }
function FreeScript(aScript: LongInt): LongInt; stdcall; external KarvoDLL name 'FreeScript';

{ ---- Host object model (for hosts that serve their plug-ins in-process) ---- }

{ Ownership: aModel is copied during the call; the Context and the functions it names stay the host's and must stay valid until the model is replaced, uninstalled or KARVO.DLL unloaded. }
function KarvoInstallObjectModel(aModel: Pointer): Byte; stdcall; external KarvoDLL name 'KarvoInstallObjectModel';

implementation

uses
  Windows,
  KarvoShareMem;

{ The strings of the A forms would be freed in the wrong heap: say why, on
  the standard error when the process has one and in a message box
  otherwise, and fail the start. Nothing here takes memory from the heap. }
procedure RefuseToStart(const Why: ShortString);
var
  Text: array[0..2047] of AnsiChar;
  Module: array[0..MAX_PATH] of AnsiChar;
  Part: ShortString;
  ErrorOut: THandle;
  Written: DWORD;
begin
  Module[0] := #0;
  GetModuleFileNameA(HInstance, Module, MAX_PATH);
  lstrcpyA(Text, 'karvo: ');
  lstrcatA(Text, Module);
  Part := ' does not start: ' + Why + '.'#13#10#0;
  lstrcatA(Text, @Part[1]);
  lstrcatA(Text, 'Put KarvoShareMem first in the uses clause of the project, before SysUtils and every '
    + 'other unit, so that the strings of the A forms of KARVO.DLL are freed in the heap they came from.'#13#10);
  Written := 0;
  ErrorOut := GetStdHandle(STD_ERROR_HANDLE);
  if (ErrorOut = 0) or (ErrorOut = INVALID_HANDLE_VALUE)
    or not WriteFile(ErrorOut, Text, lstrlenA(Text), Written, nil) then
    MessageBoxA(0, Text, 'KARVO', MB_OK or MB_ICONERROR);
  Halt(1);
end;

initialization
  if KarvoShareMemProblem <> '' then
    RefuseToStart(KarvoShareMemProblem);

end.
