{ KarvoShareMem in a library, for karvo_manager_client: what it found in the
  process or published there. }
library ShareMemLibrary;

{$MODE DELPHI}

uses
  KarvoShareMem;

{ The manager this library allocates through (nil: its own heap, unshared). }
function ShareMemManager: Pointer; stdcall;
begin
  Result := KarvoSharedManager;
end;

function ShareMemPublished: LongBool; stdcall;
begin
  Result := KarvoShareMemPublished;
end;

exports
  ShareMemManager,
  ShareMemPublished;

begin
end.
