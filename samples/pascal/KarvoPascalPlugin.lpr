{ A plug-in in Pascal. KarvoShareMem comes first, so that the AnsiStrings of
  the A forms live in the heap that KARVO.DLL and this module share. Its host
  hands it a call document with the API handle in it; the plug-in opens the
  API, walks the price list of the host's database and exports it, prices the
  order the document asks about and adds an item to the host's main menu.
  It works through a list of steps; each returns True when its job went well,
  and each checks what it got rather than trusting a result code alone. }
library KarvoPascalPlugin;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}

uses
  KarvoShareMem,
  Windows,
  SysUtils,
  Variants,
  karvo;

procedure Report(const What: AnsiString; Result: Integer);
var
  Error: AnsiString;
begin
  GetLastAPIErrorA(Error);
  if Error <> '' then
    Error := '  ' + Error;
  WriteLn(Format('plugin (Pascal): %-34s -> %d', [What, Result]), Error);
  Flush(Output);
end;

{ Text in the system ANSI code page as KARVO.DLL encodes it: what the code
  page cannot hold becomes its substitute character, never a look-alike
  (the runtime's own conversion picks look-alikes). }
function InCodePage(const W: WideString): AnsiString;
const
  NoBestFit = $400; { WC_NO_BEST_FIT_CHARS }
var
  N: Integer;
begin
  Result := '';
  if W = '' then
    Exit;
  N := WideCharToMultiByte(CP_ACP, NoBestFit, PWideChar(W), Length(W), nil, 0, nil, nil);
  SetLength(Result, N);
  if N > 0 then
    WideCharToMultiByte(CP_ACP, NoBestFit, PWideChar(W), Length(W), PAnsiChar(Result), N, nil, nil);
end;

{ KARVO.DLL was loaded before this module and published the process's
  manager; KarvoShareMem must have found it instead of publishing another. }
function ShareTheMemoryManager(const ApiText: AnsiString): Boolean;
begin
  Result := (KarvoSharedManager <> nil) and not KarvoShareMemPublished;
end;

function OpenTheApi(const ApiText: AnsiString): Boolean;
var
  Opened: Byte;
begin
  Opened := OpenAPIA(ApiText);
  Report('OpenAPIA', Opened);
  Result := Opened = 1;
end;

{ A second open says so and still reports success: the A, W and plain forms
  of that message must agree. }
function OpenAgain(const ApiText: AnsiString): Boolean;
var
  A: AnsiString;
  W: WideString;
begin
  Result := OpenAPIW(WideString(ApiText)) = 1;
  GetLastAPIErrorA(A);
  GetLastAPIErrorW(W);
  Report('OpenAPIW again', Ord(Result));
  Result := Result and (A <> '') and (A = InCodePage(W)) and (A = AnsiString(GetLastAPIError));
end;

function RunAStatement(const ApiText: AnsiString): Boolean;
var
  Statement: WideString;
  Error: WideString;
  Done: Byte;
begin
  Statement := 'UPDATE KONTRAHENCI SET AKTYWNY = 1 WHERE ID = 7';
  Done := ExecuteSQLW(Statement, 0);
  Report('ExecuteSQLW', Done);
  GetLastAPIErrorW(Error);
  Result := (Done = 1) and (Error = '');
end;

{ A refused statement leaves its reason. The strings KARVO.DLL stores are
  freed here, many times over, in the shared heap. }
function ReadTheLastError(const ApiText: AnsiString): Boolean;
var
  Statement, A, Joined: AnsiString;
  W: WideString;
  Refused: Byte;
  I: Integer;
begin
  Statement := 'DELETE FROM UZYTKOWNICY';
  Refused := ExecuteSQLA(Statement, 1);
  Report('ExecuteSQLA on the system database', Refused);
  GetLastAPIErrorW(W);
  Joined := '';
  for I := 1 to 200 do
  begin
    GetLastAPIErrorA(A);
    Joined := Joined + A;
  end;
  Result := (Refused <> 1) and (A <> '') and (A = InCodePage(W))
    and (Length(Joined) = 200 * Length(A)) and (Pos(A, Joined) = 1);
end;

{ The price list: every good walked with the cursor, its identifier read as
  an AnsiString, its name and price as WideStrings, then the same rows
  exported in both forms. The W export must be exactly the rows the walk
  read, Polish letters included; the A export must hold as many rows. }
function WalkThePriceList(const ApiText: AnsiString): Boolean;
const
  MaxGoods = 64;
var
  Query: TKarvoHandle;
  Id, CsvA: AnsiString;
  Name, Price, CsvW, Expected: WideString;
  Count, Breaks, At: Integer;
begin
  Result := False;
  Query := OpenQuerySQLW('SELECT ID, NAZWA AS TOWAR, CENA FROM TOWARY ORDER BY NAZWA', 0);
  Report('OpenQuerySQLW TOWARY', Ord(Query <> nil));
  if Query = nil then
    Exit;
  Count := 0;
  Expected := '"ID";"TOWAR";"CENA";';
  { EofSQL answers 1 on a failure, so the walk ends on one. }
  FirstSQL(Query);
  while (EofSQL(Query) = 0) and (Count < MaxGoods) do
  begin
    FieldByNameSQLA(Id, Query, 'id');
    FieldByNameSQLW(Name, Query, 'TOWAR');
    FieldByNameSQLW(Price, Query, 'Cena');
    Expected := Expected + #10#13'"' + WideString(Id) + '";"' + Name + '";"' + Price + '";';
    Inc(Count);
    NextSQL(Query);
  end;
  Report('rows walked', Count);

  GetCSVQuerySQLW(CsvW, Query, 0, Count, 1);
  Result := (Count > 0) and (Count < MaxGoods) and (CsvW = Expected);
  Report('GetCSVQuerySQLW as walked', Ord(Result));

  GetCSVQuerySQLA(CsvA, Query, 0, Count, 1);
  Breaks := 0;
  At := Pos(AnsiString(#10#13), CsvA);
  while At > 0 do
  begin
    Inc(Breaks);
    Delete(CsvA, 1, At + 1);
    At := Pos(AnsiString(#10#13), CsvA);
  end;
  Report('GetCSVQuerySQLA rows', Breaks);
  Result := Result and (Breaks = Count) and (CloseQuerySQL(Query) = 1);
end;

{ The call: the procedure's name in both forms, then the order's inputs
  and its value as the output variable "Suma" (a float, in zloty), read
  back from the answered document. }
var
  { The answered call document, handed to the host by KarvoPluginAnswer. }
  Answer: AnsiString;

function AnswerTheCall(const ApiText: AnsiString): Boolean;
var
  NameA: AnsiString;
  NameW: WideString;
  Customer, Quantity, Price, Total, Check: OleVariant;
  Value: Double;
begin
  XMLGetProcNameA(NameA, ApiText);
  XMLGetProcNameW(NameW, WideString(ApiText));
  Result := (NameA = 'WycenZamowienie') and (NameW = 'WycenZamowienie');
  Report('XMLGetProcNameA/W', Ord(Result));
  if not Result then
    Exit;
  XMLGetData(Customer, PAnsiChar(ApiText), 'Klient', 1);
  XMLGetData(Quantity, PAnsiChar(ApiText), 'Ilosc', 1);
  XMLGetData(Price, PAnsiChar(ApiText), 'CenaGrosze', 1);
  Result := (VarType(Customer) = varOleStr) and (VarType(Quantity) = varInteger)
    and (VarType(Price) = varInteger);
  Report('XMLGetData Klient, Ilosc, CenaGrosze', Ord(Result));
  if not Result then
    Exit;
  Value := Integer(Quantity) * Integer(Price) / 100;
  Total := Value;
  WriteLn('plugin (Pascal): ', WideString(Customer), ': ', Integer(Quantity), ' x ', Integer(Price), ' gr');
  { The answered document is KARVO.DLL's buffer: copied at once. }
  Answer := XMLSetData(PAnsiChar(ApiText), 'Suma', TVarData(Total), 2, nil);
  XMLGetData(Check, PAnsiChar(Answer), 'Suma', 2);
  Result := (Answer <> '') and (VarType(Check) = varDouble) and (Double(Check) = Value);
  Report('XMLSetData Suma, read back', Ord(Result));
end;

{ An object-valued property (Menu, Bitmap) as a handle. }
function HandleProperty(Obj: TKarvoHandle; const Name: AnsiString): TKarvoHandle;
var
  V: OleVariant;
begin
  GetProperty(V, Obj, PAnsiChar(Name));
  if VarType(V) = varInteger then
    Result := TKarvoHandle(PtrUInt(LongWord(Integer(V))))
  else
    Result := nil;
end;

{ An item of the plug-in in the host's main menu, with the host's own
  picture number 101 (the A form with an empty name loads by number). }
function AddTheMenuItem(const ApiText: AnsiString): Boolean;
var
  Form, Menu, Item, Bitmap: TKarvoHandle;
  Loaded, Added: Byte;
begin
  Result := False;
  { The application stands behind container 0: its children are the forms. }
  Form := GetControl(nil, 'MainForm');
  Report('GetControl MainForm', Ord(Form <> nil));
  if Form = nil then
    Exit;
  Menu := HandleProperty(Form, 'Menu');
  Item := AddControl(Form, 'TMenuItem', 'mnuCennik;Cennik (Pascal)');
  Report('AddControl TMenuItem', Ord(Item <> nil));
  if (Menu = nil) or (Item = nil) then
    Exit;
  Bitmap := HandleProperty(Item, 'Bitmap');
  Loaded := LoadResourceA(Bitmap, TKarvoHandle(GetModuleHandle(nil)), '', 101);
  Report('LoadResourceA 101', Loaded);
  Added := AddMenuItem(Menu, Item);
  Report('AddMenuItem', Added);
  Result := (Bitmap <> nil) and (Loaded = 1) and (Added = 1);
end;

type
  TSampleStep = function(const ApiText: AnsiString): Boolean;
  TSampleStepEntry = record
    Name: AnsiString;
    Run: TSampleStep;
  end;

{ The steps in order. }
function Steps: TArray<TSampleStepEntry>;
  procedure Add(const Name: AnsiString; Run: TSampleStep);
  begin
    SetLength(Result, Length(Result) + 1);
    Result[High(Result)].Name := Name;
    Result[High(Result)].Run := Run;
  end;
begin
  Result := nil;
  Add('share the memory manager', ShareTheMemoryManager);
  Add('open the API', OpenTheApi);
  Add('open it again', OpenAgain);
  Add('run a statement', RunAStatement);
  Add('read the last error', ReadTheLastError);
  Add('walk the price list', WalkThePriceList);
  Add('answer the call', AnswerTheCall);
  Add('add a menu item', AddTheMenuItem);
end;

function KarvoPluginRun(ApiText: PAnsiChar): LongInt; stdcall;
var
  All: TArray<TSampleStepEntry>;
  I: Integer;
  Ok: Boolean;
begin
  Result := 0;
  All := Steps;
  for I := 0 to High(All) do
  begin
    try
      Ok := All[I].Run(AnsiString(ApiText));
    except
      on E: Exception do
      begin
        WriteLn('plugin (Pascal): ', E.ClassName, ': ', E.Message);
        Ok := False;
      end;
    end;
    WriteLn(Format('plugin (Pascal): step %-28s %s', [All[I].Name, BoolToStr(Ok, 'ok', 'FAILED')]));
    Flush(Output);
    if not Ok then
    begin
      Inc(Result);
      if I <= 1 then
        Break; { nothing works without the shared heap and the API }
    end;
  end;
end;

{ The call document as this plug-in answered it (nil before it has): the
  host reads it after KarvoPluginRun returns. }
function KarvoPluginAnswer: PAnsiChar; stdcall;
begin
  Result := PAnsiChar(Answer);
end;

exports
  KarvoPluginRun,
  KarvoPluginAnswer;

begin
end.
