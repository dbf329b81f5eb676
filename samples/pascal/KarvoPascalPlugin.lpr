{ A plug-in in Pascal. KarvoShareMem comes first, so that the AnsiStrings of
  the A forms live in the heap that KARVO.DLL and this module share. The
  plug-in works through a list of steps; each returns True when its job went
  well. }
library KarvoPascalPlugin;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}

uses
  KarvoShareMem,
  SysUtils,
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
  Result := Result and (A <> '') and (A = AnsiString(W)) and (A = AnsiString(GetLastAPIError));
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
  Result := (Refused <> 1) and (A <> '') and (A = AnsiString(W))
    and (Length(Joined) = 200 * Length(A)) and (Pos(A, Joined) = 1);
end;

type
  TSampleStep = function(const ApiText: AnsiString): Boolean;
  TSampleStepEntry = record
    Name: AnsiString;
    Run: TSampleStep;
  end;

{ The steps in order; a query walk, a call document and a menu item come here
  as their exports land. }
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

exports
  KarvoPluginRun;

begin
end.
