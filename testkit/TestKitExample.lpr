{ How a plug-in author tests a plug-in in Free Pascal (or Delphi) without the
  real host, through KarvoTestKit.dll. Here it drives the Pascal sample
  plug-in: the scripted host answers its requests, test objects stand for the
  host's main form, menu and bitmap, a test data set for its goods, and each
  case checks what the plug-in did to them. Point it at your own DLL the same
  way.
    TestKitExamplePascal [plugin.dll]
  Run it where KARVO.DLL and KarvoTestKit.dll are (bin/ of the release). }
program TestKitExample;

{$MODE DELPHI}

uses
  Windows,
  karvotestkit;

const
  Form = $100;
  Menu = $110;
  RootItem = $111;
  NewItem = $120;
  Bitmap = $121;
  Order: WideString = 'Klient'#9'STRING'#9'Nowak'#10'Ilosc'#9'INTEGER'#9'4'#10'CenaGrosze'#9'INTEGER'#9'250';

var
  Passed: Integer = 0;
  Failed: Integer = 0;

procedure Expect(Ok: Boolean; const What: AnsiString);
begin
  if Ok then
  begin
    WriteLn('ok      ', What);
    Inc(Passed);
  end
  else
  begin
    WriteLn('FAILED  ', What);
    Inc(Failed);
  end;
  Flush(Output);
end;

{ The host's objects as the sample meets them: the main form with its main
  menu, and the menu item with a bitmap that ADD_CONTROL hands out. The
  sample loads the host's picture number 101 into it. }
function HostObjects: TKarvoKit;
begin
  Result := KarvoKitModelCreate;
  KarvoKitAddObject(Result, Form, 'TMainForm', 'MainForm');
  KarvoKitAddProperty(Result, Form, 'Menu', 'TMainMenu', KARVO_KIT_tkClass, '272');
  KarvoKitAddObject(Result, Menu, 'TMainMenu', 'MainMenu1');
  KarvoKitSetMenuRoot(Result, Menu, RootItem);
  KarvoKitAddObject(Result, RootItem, 'TMenuItem', nil);
  KarvoKitAddObject(Result, NewItem, 'TMenuItem', nil);
  KarvoKitAddProperty(Result, NewItem, 'Bitmap', 'TBitmap', KARVO_KIT_tkClass, '289');
  KarvoKitAddObject(Result, Bitmap, 'TBitmap', nil);
  KarvoKitBitmapLoadable(Result, Bitmap, '#101');
end;

{ The price list the sample walks: its query names the fields ID, TOWAR and
  CENA. }
function Goods(Model: TKarvoKit): LongWord;
var
  Row: WideString;
begin
  Result := KarvoKitAddQuery(Model, 'ID'#9'TOWAR'#9'CENA');
  Row := '1'#9'M'#$0105'ka '#$017C'ytnia'#9'3,49';
  KarvoKitAddRow(Model, Result, PWideChar(Row));
  KarvoKitAddRow(Model, Result, '2'#9'Kasza gryczana'#9'7,99');
end;

{ A host that does what the plug-in asks: statements run (reply code 1, the
  kit's answer when no rule matches), the query opens on the test data set,
  the main form is found and a menu item made. }
procedure ServeAll(Host: TKarvoKit; GoodsQuery: LongWord);
begin
  KarvoKitAnswerPointer(Host, 'OPEN_QUERY_SQL', nil, nil, 1, GoodsQuery);
  KarvoKitAnswerVerdict(Host, '_PROC_', 'GetControl', '0'#1'MainForm', 1, '256');
  KarvoKitAnswerPointer(Host, 'ADD_CONTROL', nil, nil, 1, NewItem);
end;

type
  TCase = record
    Host, Model, Session: TKarvoKit;
    GoodsQuery: LongWord;
    Answer: WideString;
    Rc: LongInt;
  end;

procedure Open(var C: TCase);
begin
  C.Host := KarvoKitHostCreate;
  C.Model := HostObjects;
  C.GoodsQuery := Goods(C.Model);
  C.Session := nil;
  C.Answer := '';
end;

procedure Run(var C: TCase; const Plugin, Inputs: WideString);
var
  Api, Call: WideString;
begin
  KarvoKitHostApiHandle(Api, C.Host);
  KarvoKitCallDocument(Call, 'WycenZamowienie', PWideChar(Api), PWideChar(Inputs));
  C.Session := KarvoKitSessionOpen(C.Model, nil);
  C.Rc := KarvoKitRunPlugin(C.Answer, PWideChar(Plugin), PWideChar(Call));
end;

procedure Close(var C: TCase);
begin
  KarvoKitSessionClose(C.Session);
  KarvoKitModelFree(C.Model);
  KarvoKitHostFree(C.Host);
end;

var
  Plugin, Loads: WideString;
  C: TCase;
begin
  if ParamCount > 0 then
    Plugin := WideString(ParamStr(1))
  else
    Plugin := 'KarvoPascalPlugin.dll';

  { Everything the plug-in needs is there: every step goes well. }
  Open(C);
  ServeAll(C.Host, C.GoodsQuery);
  Run(C, Plugin, Order);
  Expect(KarvoKitSessionReady(C.Session) = 1, 'KARVO.DLL loaded with the test model installed');
  Expect(C.Rc = 0, 'a full host: every step succeeds');
  Expect(KarvoKitCountRequests(C.Host, 'EXECUTE_SQL', nil, nil) = 1, 'the statement reached the host');
  Expect(KarvoKitCountRequests(C.Host, 'OPEN_QUERY_SQL', 'SELECT ID, NAZWA AS TOWAR', nil) = 1,
    'the query reached the host');
  Expect(KarvoKitCountRequests(C.Host, 'CLOSE_QUERY_SQL', nil, nil) = 1, 'and was closed');
  Expect(KarvoKitQueryCalls(C.Model, C.GoodsQuery, 'FieldByName') > 0, 'the rows were read by field name');
  Expect((KarvoKitBitmapLoads(Loads, C.Model, Bitmap) = 1) and (Loads = '#101'),
    'the host''s picture 101 was loaded into the item');
  Expect((KarvoKitMenuItemCount(C.Model, RootItem) = 1) and (KarvoKitMenuItem(C.Model, RootItem, 0) = NewItem),
    'the item is in the main menu');
  Expect(Pos('NAME="Suma"', C.Answer) > 0, 'the answered call document holds the sum');
  Close(C);

  { The host refuses the statement with a message of its own (code 250). }
  Open(C);
  KarvoKitAnswerCode(C.Host, 'EXECUTE_SQL', nil, nil, 250, 'tabela KONTRAHENCI jest zablokowana');
  ServeAll(C.Host, C.GoodsQuery);
  Run(C, Plugin, Order);
  Expect(C.Rc = 1, 'a refused statement: the plug-in reports that one step');
  Expect(KarvoKitCountRequests(C.Host, 'ADD_CONTROL', nil, nil) = 1, 'and goes on with the others');
  Close(C);

  { No main form in the host: no menu item, and the menu untouched. }
  Open(C);
  KarvoKitAnswerVerdict(C.Host, '_PROC_', 'GetControl', nil, 0, 'nie ma takiej kontrolki');
  ServeAll(C.Host, C.GoodsQuery);
  Run(C, Plugin, Order);
  Expect(C.Rc = 1, 'no main form: the menu step fails');
  Expect(KarvoKitMenuItemCount(C.Model, RootItem) = 0, 'and the menu is untouched');
  Close(C);

  { No service behind the block: the plug-in must not hang or crash. }
  Open(C);
  KarvoKitHostSetState(C.Host, KARVO_KIT_NO_SERVICE);
  Run(C, Plugin, Order);
  Expect(C.Rc > 0, 'a block without service: clean failures');
  Expect(KarvoKitRequestCount(C.Host) = 0, 'and no request reached the host');
  Close(C);

  WriteLn(Passed, ' passed, ', Failed, ' failed');
  if Failed > 0 then
    Halt(1);
end.
