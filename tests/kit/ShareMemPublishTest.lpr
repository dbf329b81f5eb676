{ KarvoShareMem in a program that loads KARVO.DLL only later: the program
  publishes its own manager, and the strings KARVO.DLL hands out must come
  from the program's heap and go back to it. }
program ShareMemPublishTest;

{$MODE DELPHI}

uses
  KarvoShareMem,
  Windows;

type
  TOpenAPIA = function(const ApiText: AnsiString): Byte; stdcall;
  TGetLastAPIErrorA = procedure(var aResult: AnsiString); stdcall;
  TGetLastAPIErrorW = procedure(var aResult: WideString); stdcall;

var
  Failures: Integer = 0;

procedure Check(Ok: Boolean; const What: AnsiString);
begin
  if Ok then
    WriteLn('ok      ', What)
  else
  begin
    WriteLn('FAILED  ', What);
    Inc(Failures);
  end;
end;

{ In a routine of its own, so that the conversion's temporary is gone when it
  returns. W is encoded as KARVO.DLL encodes: without best fit, so what the
  code page lacks is its substitute character, never a look-alike. }
function Agree(const A: AnsiString; const W: WideString): Boolean;
const
  NoBestFit = $400; { WC_NO_BEST_FIT_CHARS }
var
  N: Integer;
  Encoded: AnsiString;
begin
  N := WideCharToMultiByte(CP_ACP, NoBestFit, PWideChar(W), Length(W), nil, 0, nil, nil);
  SetLength(Encoded, N);
  if N > 0 then
    WideCharToMultiByte(CP_ACP, NoBestFit, PWideChar(W), Length(W), PAnsiChar(Encoded), N, nil, nil);
  Result := A = Encoded;
end;

function HeapUsed: PtrUInt;
begin
  Result := GetFPCHeapStatus.CurrHeapUsed;
end;

var
  Dll: HMODULE;
  OpenAPIA: TOpenAPIA;
  GetLastAPIErrorA: TGetLastAPIErrorA;
  GetLastAPIErrorW: TGetLastAPIErrorW;
  A, Copy: AnsiString;
  W: WideString;
  Before, Holding: PtrUInt;
  I: Integer;
begin
  Check(KarvoShareMemPublished and (KarvoSharedManager <> nil), 'no manager before: the program publishes its own');
  Dll := LoadLibrary('KARVO.DLL');
  Check(Dll <> 0, 'KARVO.DLL loads after the publication');
  if Dll = 0 then
    Halt(1);
  OpenAPIA := TOpenAPIA(GetProcAddress(Dll, 'OpenAPIA'));
  GetLastAPIErrorA := TGetLastAPIErrorA(GetProcAddress(Dll, 'GetLastAPIErrorA'));
  GetLastAPIErrorW := TGetLastAPIErrorW(GetProcAddress(Dll, 'GetLastAPIErrorW'));

  { Not a handle and no call document: refused, with a reason. }
  Check(OpenAPIA('') = 0, 'OpenAPIA of an empty AnsiString fails');
  Before := HeapUsed;
  GetLastAPIErrorA(A);
  Holding := HeapUsed;
  GetLastAPIErrorW(W);
  Check(A <> '', 'GetLastAPIErrorA stores the reason');
  Check(Agree(A, W), 'the A and W forms agree');
  Check(Holding >= Before + PtrUInt(Length(A)), 'the string KARVO.DLL stored came from this program''s heap');
  Copy := A;
  GetLastAPIErrorA(A);
  Holding := HeapUsed;
  for I := 1 to 100 do
    GetLastAPIErrorA(A);
  Check(HeapUsed = Holding, 'each new string gives the old reference back into the same heap');
  Check(Copy = A, 'a copy kept by the program survives KARVO.DLL replacing the variable');
  A := '';
  Copy := '';
  Check(HeapUsed = Before, 'freeing the last reference returns the memory to this program''s heap');
  FreeLibrary(Dll);
  if Failures = 0 then
    WriteLn('ShareMemPublishTest: all checks passed')
  else
    WriteLn('ShareMemPublishTest: ', Failures, ' checks failed');
  Halt(Ord(Failures <> 0));
end.
