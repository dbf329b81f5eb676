{ A Pascal plug-in without KarvoShareMem in its uses clause. Built twice:
  with -dKARVO_LATE SysUtils starts before karvo (and the KarvoShareMem it
  uses), and the plug-in must refuse to start with its message instead of
  crashing at its first A-form result; without it karvo comes first, brings
  KarvoShareMem in first, and the A forms work. }
library ShareMemOrderPlugin;

{$MODE DELPHI}

uses
{$IFDEF KARVO_LATE}
  SysUtils,
{$ENDIF}
  karvo;

function KarvoPluginRun(ApiText: PAnsiChar): LongInt; stdcall;
var
  A, Joined, Plain: AnsiString;
  I: Integer;
begin
  Result := 1;
  if OpenAPI(ApiText) <> 1 then
    Exit;
  { A refused statement leaves a message: read it in the A form, many times
    over, each string freed in the heap it came from. }
  ExecuteSQL('DELETE FROM UZYTKOWNICY', 1);
  Joined := '';
  for I := 1 to 100 do
  begin
    GetLastAPIErrorA(A);
    Joined := Joined + A;
  end;
  { The plain form gives the same bytes; a WideString made AnsiString here
    would take look-alikes for what the code page cannot hold. }
  Plain := AnsiString(GetLastAPIError);
  if (A <> '') and (A = Plain) and (Length(Joined) = 100 * Length(A)) then
    Result := 0;
  WriteLn('plugin (Pascal, no KarvoShareMem): the A form read ', Length(Joined), ' bytes');
  Flush(Output);
end;

exports
  KarvoPluginRun;

begin
end.
