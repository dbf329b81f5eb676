{ KarvoTestKit.dll 1.4.0.0: the test kit of KARVO.DLL for tests written in
  Free Pascal or Delphi.
  Generated from testkit/karvotestkit.exports by tools/gen_testkit.py; do not edit.

  A test of a plug-in, without the real host: a scripted host serves the
  block and answers each request as the test says; a model of test objects
  and test data sets stands for the host's objects and result sets; a session
  loads KARVO.DLL with that model installed; the plug-in runs with a call
  document; the test then looks at the requests and the test objects.

  Every function is stdcall and imported from KarvoTestKit.dll by its name.
  Texts going in are PWideChar (PWideChar(WideString('...')), or a literal);
  texts coming out go into a WideString variable. Kit objects are freed with
  their own Free or Close function. A test program needs no KarvoShareMem:
  it calls no A form. }
unit karvotestkit;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}

interface

const
  KarvoTestKitDLL = 'KarvoTestKit.dll';

  KARVO_KIT_COMMAND = 0; { KarvoKitRequestText: the request's Command }
  KARVO_KIT_SQL = 1; { its SQL (a _PROC_ request: the procedure) }
  KARVO_KIT_DATA = 2; { its Data (a _PROC_ request: the arguments, joined by U+0001) }
  KARVO_KIT_FREE = 0; { KarvoKitHostSetState: the block is free }
  KARVO_KIT_NO_SERVICE = 1; { no service behind the block }
  KARVO_KIT_tkInteger = 1; { property kinds of KarvoKitAddProperty }
  KARVO_KIT_tkChar = 2;
  KARVO_KIT_tkEnumeration = 3;
  KARVO_KIT_tkFloat = 4;
  KARVO_KIT_tkString = 5;
  KARVO_KIT_tkSet = 6;
  KARVO_KIT_tkClass = 7;
  KARVO_KIT_tkMethod = 8;
  KARVO_KIT_tkWChar = 9;
  KARVO_KIT_tkLString = 10;
  KARVO_KIT_tkWString = 11;
  KARVO_KIT_tkUString = 18;

type
  { A kit object: a host, a model or a session. }
  TKarvoKit = Pointer;


{ ---- Scripted host ---- }

{ A scripted host: a block under a fresh API handle, served from a thread of its own. Until told otherwise it
  answers every request with reply code 1, which is also a successful verdict. Null when no block could be made. }
function KarvoKitHostCreate: TKarvoKit; stdcall; external KarvoTestKitDLL name 'KarvoKitHostCreate';
{ Stops serving and frees the host and its block. }
procedure KarvoKitHostFree(host: TKarvoKit); stdcall; external KarvoTestKitDLL name 'KarvoKitHostFree';
{ The host's API handle (KARVO_1.3_...), for OpenAPI or a call document. }
procedure KarvoKitHostApiHandle(var aResult: WideString; host: TKarvoKit); stdcall; external KarvoTestKitDLL name 'KarvoKitHostApiHandle';
{ Writes the block's state: KARVO_KIT_NO_SERVICE takes the service away (requests then fail with code 2),
  KARVO_KIT_FREE gives it back. }
procedure KarvoKitHostSetState(host: TKarvoKit; state: LongInt); stdcall; external KarvoTestKitDLL name 'KarvoKitHostSetState';
{ Answers the requests that match with a reply code (EXECUTE_SQL, CLOSE_QUERY_SQL: 1 success, 0 error, 250 error
  with message); message, when not null, goes into Data. A request matches when its Command equals command (null:
  any) and its SQL and Data begin with sql and data (null or empty matches anything). The first rule added that
  matches answers; with none, reply code 1. }
procedure KarvoKitAnswerCode(host: TKarvoKit; command: PWideChar; sql: PWideChar; data: PWideChar; code: LongInt; message: PWideChar); stdcall; external KarvoTestKitDLL name 'KarvoKitAnswerCode';
{ Answers the requests that match with a verdict: success nonzero with answer as the answer text
  (GET_FROM_QUERY_SQL, a _PROC_ procedure: GetControl answers a handle in decimal), zero with answer as the host's
  message. }
procedure KarvoKitAnswerVerdict(host: TKarvoKit; command: PWideChar; sql: PWideChar; data: PWideChar; success: LongInt; answer: PWideChar); stdcall; external KarvoTestKitDLL name 'KarvoKitAnswerVerdict';
{ Answers the requests that match with a verdict and pointer in DataPointer (OPEN_QUERY_SQL: the data source from
  KarvoKitAddQuery; ADD_CONTROL: the new control). }
procedure KarvoKitAnswerPointer(host: TKarvoKit; command: PWideChar; sql: PWideChar; data: PWideChar; success: LongInt; pointer: LongWord); stdcall; external KarvoTestKitDLL name 'KarvoKitAnswerPointer';
{ Leaves the requests that match unanswered: the plug-in waits the library's full minute, then gets code 254. }
procedure KarvoKitAnswerSilent(host: TKarvoKit; command: PWideChar; sql: PWideChar; data: PWideChar); stdcall; external KarvoTestKitDLL name 'KarvoKitAnswerSilent';
{ Forgets every rule: reply code 1 again. }
procedure KarvoKitAnswersClear(host: TKarvoKit); stdcall; external KarvoTestKitDLL name 'KarvoKitAnswersClear';
{ How many requests the host has served. }
function KarvoKitRequestCount(host: TKarvoKit): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitRequestCount';
{ A part of the request at index (from 0): KARVO_KIT_COMMAND, KARVO_KIT_SQL or KARVO_KIT_DATA (a _PROC_ request's
  arguments are joined by U+0001). Returns 0 when there is no such request. }
function KarvoKitRequestText(var aResult: WideString; host: TKarvoKit; index: LongInt; part: LongInt): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitRequestText';
{ The DataPointer of the request at index (0 when there is none). }
function KarvoKitRequestPointer(host: TKarvoKit; index: LongInt): LongWord; stdcall; external KarvoTestKitDLL name 'KarvoKitRequestPointer';
{ How many requests matched command, sql and data as KarvoKitAnswerCode matches them. }
function KarvoKitCountRequests(host: TKarvoKit; command: PWideChar; sql: PWideChar; data: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitCountRequests';

{ ---- Call documents ---- }

{ A PROCEDURE call document of procName as a host hands it to its plug-in: the API handle as the variable
  APIHANDLE, then inputs, one per line as NAME<TAB>TYPE<TAB>VALUE (TYPE as the call document writes it: STRING,
  INTEGER, FLOAT ...). The text is what the plug-in will see, after the trip through the ANSI code page. }
procedure KarvoKitCallDocument(var aResult: WideString; procName: PWideChar; apiHandle: PWideChar; inputs: PWideChar); stdcall; external KarvoTestKitDLL name 'KarvoKitCallDocument';

{ ---- Test objects ---- }

{ An object model of test objects and test data sets, to install with KarvoKitSessionOpen. }
function KarvoKitModelCreate: TKarvoKit; stdcall; external KarvoTestKitDLL name 'KarvoKitModelCreate';
{ Frees the model; close the sessions that use it first. }
procedure KarvoKitModelFree(model: TKarvoKit); stdcall; external KarvoTestKitDLL name 'KarvoKitModelFree';
{ Adds (or replaces) a test object under a handle of the test's choosing, below 0x4000 (data sources are numbered
  from 0x4000 up). Returns 1. }
function KarvoKitAddObject(model: TKarvoKit; handle: LongWord; className: PWideChar; name: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitAddObject';
{ Appends child to the children of parent (GetControl, GetControlsList); 0 when parent is unknown. }
function KarvoKitAddChild(model: TKarvoKit; parent: LongWord; child: LongWord): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitAddChild';
{ Adds a published property: kind KARVO_KIT_tk... and its value as text: a decimal number for the ordinal kinds
  (INTEGER, CHAR, ENUMERATION, SET, WCHAR, and CLASS, whose value is an object's handle), a number with a point
  for FLOAT, the text itself for the string kinds, CODE,DATA in decimal for METHOD. 0 when the object is unknown. }
function KarvoKitAddProperty(model: TKarvoKit; handle: LongWord; name: PWideChar; typeName: PWideChar; kind: LongInt; value: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitAddProperty';
{ The property's value, as KarvoKitAddProperty takes it: what the plug-in left there. 0 when there is no such
  property. }
function KarvoKitPropertyText(var aResult: WideString; model: TKarvoKit; handle: LongWord; name: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitPropertyText';
{ How many times the plug-in wrote the property (-1: no such property). }
function KarvoKitPropertyWrites(model: TKarvoKit; handle: LongWord; name: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitPropertyWrites';
{ Makes reading or writing the property fail (nonzero) or work again (0). }
function KarvoKitFailProperty(model: TKarvoKit; handle: LongWord; name: PWideChar; failReads: LongInt; failWrites: LongInt): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitFailProperty';
{ Makes item the root item of menu (AddMenuItem appends to it). }
function KarvoKitSetMenuRoot(model: TKarvoKit; menu: LongWord; rootItem: LongWord): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitSetMenuRoot';
{ How many items item holds (-1: unknown object). }
function KarvoKitMenuItemCount(model: TKarvoKit; item: LongWord): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitMenuItemCount';
{ The handle of item's child at index, 0 when there is none. }
function KarvoKitMenuItem(model: TKarvoKit; item: LongWord; index: LongInt): LongWord; stdcall; external KarvoTestKitDLL name 'KarvoKitMenuItem';
{ Lets the bitmap load a resource: a name, or #n for the number n. }
function KarvoKitBitmapLoadable(model: TKarvoKit; bitmap: LongWord; resource: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitBitmapLoadable';
{ What the plug-in asked the bitmap to load, one per line, in order; returns how many (-1: unknown object). }
function KarvoKitBitmapLoads(var aResult: WideString; model: TKarvoKit; bitmap: LongWord): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitBitmapLoads';
{ Makes the object an action whose execution reports handled (nonzero) or not. }
function KarvoKitSetAction(model: TKarvoKit; action: LongWord; handled: LongInt): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitSetAction';
{ How many times the action was executed (-1: unknown object). }
function KarvoKitActionRuns(model: TKarvoKit; action: LongWord): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitActionRuns';
{ Publishes a method name (ASCII letters, matched ignoring case) of the object under code; calling it succeeds
  when succeeds is nonzero. }
function KarvoKitAddMethod(model: TKarvoKit; handle: LongWord; name: PWideChar; code: LongWord; succeeds: LongInt): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitAddMethod';
{ How many times the method of that code was called. }
function KarvoKitMethodCalls(model: TKarvoKit; code: LongWord): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitMethodCalls';

{ ---- Test data sets ---- }

{ A test data set with these field names (separated by tabs) behind a new data source: the handle to answer
  OPEN_QUERY_SQL with. }
function KarvoKitAddQuery(model: TKarvoKit; fields: PWideChar): LongWord; stdcall; external KarvoTestKitDLL name 'KarvoKitAddQuery';
{ Appends a record: values separated by tabs, in the order of the fields. 0 when query is unknown. }
function KarvoKitAddRow(model: TKarvoKit; query: LongWord; values: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitAddRow';
{ Makes an operation of the data set (First, Next, Eof, FieldText, FieldByName, GetRecNo, SetRecNo, RecordCount,
  Last, Prior) fail once it has run calls times; -1 never. }
function KarvoKitQueryFailAfter(model: TKarvoKit; query: LongWord; operation: PWideChar; calls: LongInt): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitQueryFailAfter';
{ How many times the plug-in (through KARVO.DLL) ran that operation on the data set. }
function KarvoKitQueryCalls(model: TKarvoKit; query: LongWord; operation: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitQueryCalls';
{ The data set's current record number (from 1; 0 when empty; -1: unknown). }
function KarvoKitQueryRecord(model: TKarvoKit; query: LongWord): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitQueryRecord';

{ ---- Sessions and plug-ins ---- }

{ Loads KARVO.DLL (karvoDll, or KARVO.DLL when null) for one case with the model installed (none when model is
  null), and COM on the calling thread as a host's main thread has it. A session per case: the library keeps its
  state, the opened API above all, while it is loaded. }
function KarvoKitSessionOpen(model: TKarvoKit; karvoDll: PWideChar): TKarvoKit; stdcall; external KarvoTestKitDLL name 'KarvoKitSessionOpen';
{ 1 when KARVO.DLL was found and took the model. }
function KarvoKitSessionReady(session: TKarvoKit): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitSessionReady';
{ Uninstalls the model and unloads KARVO.DLL; free the plug-ins first (KarvoKitRunPlugin does). }
procedure KarvoKitSessionClose(session: TKarvoKit); stdcall; external KarvoTestKitDLL name 'KarvoKitSessionClose';
{ Loads the plug-in, calls its KarvoPluginRun with the call document (in the ANSI code page), reads its answered
  document when it exports KarvoPluginAnswer (into aAnswer; null otherwise) and frees it. Returns what
  KarvoPluginRun returned; -1 when the DLL cannot be loaded or has no KarvoPluginRun. }
function KarvoKitRunPlugin(var aAnswer: WideString; pluginDll: PWideChar; callDocument: PWideChar): LongInt; stdcall; external KarvoTestKitDLL name 'KarvoKitRunPlugin';

implementation

end.
