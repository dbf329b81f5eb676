{ KarvoShareMem: one memory manager for every module of the process, so that
  the AnsiStrings of KARVO.DLL's A forms are freed in the heap they came from.

  Put it FIRST in the uses clause of the project (program or library), before
  SysUtils and every other unit: memory that the module allocated before the
  switch cannot be freed after it.

  At start-up it opens the named mapping "Local\FastMM_PID_" + the process id
  in eight upper-case hex digits. When another module (KARVO.DLL, or a host
  with a shared manager) has published a manager there, this module allocates
  and frees through that one, and keeps the module that holds it loaded until
  the process ends (it pins it), since it will call it for as long as it
  lives. A table there that cannot be read, or whose routines do not lie in
  executable memory, is not used: this module then keeps its own heap,
  unshared. When nothing is published, it publishes its own manager, its
  heap: the others then call into this module for as long as they live, so a
  library that publishes pins itself and stays loaded until the process ends
  (a program lives that long anyway).

  The published table is four bytes at the start of the mapping pointing to six
  routines with the register calling convention: get memory, free memory,
  reallocate memory, get zeroed memory, register and unregister an expected
  leak.

  When SysUtils (or a unit that uses it) has started before this unit, its
  memory is already in the module's own heap and would be freed in the shared
  one later: the module then keeps its own heap and KarvoShareMemProblem says
  why. The karvo unit uses this one and refuses to start in that case. }
unit KarvoShareMem;

{$IFDEF FPC}
  {$MODE DELPHI}
{$ENDIF}

interface

type
  TKarvoSharedManager = record
    GetMem: function(Size: LongInt): Pointer; register;
    FreeMem: function(P: Pointer): LongInt; register;
    ReallocMem: function(P: Pointer; Size: LongInt): Pointer; register;
    AllocMem: function(Size: LongWord): Pointer; register;
    RegisterExpectedMemoryLeak: function(P: Pointer): Boolean; register;
    UnregisterExpectedMemoryLeak: function(P: Pointer): Boolean; register;
  end;
  PKarvoSharedManager = ^TKarvoSharedManager;

{ The manager this module allocates through (nil when the mapping could not
  be made, or held a table that could not be used, and the module kept its
  own heap unshared). }
function KarvoSharedManager: PKarvoSharedManager;
{ True when no manager was published before and this module published its own. }
function KarvoShareMemPublished: Boolean;
{ Why this module does not allocate through the process's shared manager;
  empty when it does. }
function KarvoShareMemProblem: ShortString;

implementation

uses
  Windows;

const
  PinFlags = $00000001 { GET_MODULE_HANDLE_EX_FLAG_PIN } or $00000004 { GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS };
  ReadableMemory = PAGE_READONLY or PAGE_READWRITE or PAGE_WRITECOPY or PAGE_EXECUTE_READ or
    PAGE_EXECUTE_READWRITE or PAGE_EXECUTE_WRITECOPY;
  ExecutableMemory = PAGE_EXECUTE or PAGE_EXECUTE_READ or PAGE_EXECUTE_READWRITE or PAGE_EXECUTE_WRITECOPY;

{ Declared here with the same shape in both compilers. }
function KarvoGetModuleHandleEx(Flags: LongWord; Address: Pointer; var Module: HMODULE): LongBool; stdcall;
  external 'kernel32.dll' name 'GetModuleHandleExW';
function KarvoVirtualQuery(Address: Pointer; var Info: TMemoryBasicInformation; Size: PtrUInt): PtrUInt; stdcall;
  external 'kernel32.dll' name 'VirtualQuery';

var
  Mapping: THandle = 0;
  Slot: ^Pointer = nil;
  Shared: PKarvoSharedManager = nil;
  Published: Boolean = False;
  Problem: ShortString = '';
  Own: TKarvoSharedManager;
{$IFDEF FPC}
  Previous: TMemoryManager;
{$ELSE}
  Previous: TMemoryManagerEx;
{$ENDIF}

function KarvoSharedManager: PKarvoSharedManager;
begin
  Result := Shared;
end;

function KarvoShareMemPublished: Boolean;
begin
  Result := Published;
end;

function KarvoShareMemProblem: ShortString;
begin
  Result := Problem;
end;

function MappingName: WideString;
const
  Hex: array[0..15] of WideChar = '0123456789ABCDEF';
var
  Pid: LongWord;
  I: Integer;
  Digits: array[1..8] of WideChar;
begin
  Pid := GetCurrentProcessId;
  for I := 8 downto 1 do
  begin
    Digits[I] := Hex[Pid and $F];
    Pid := Pid shr 4;
  end;
  Result := 'Local\FastMM_PID_' + Digits;
end;

{$IFDEF FPC}
{ The table published for the others: this module's own heap, the one that was
  installed before KarvoShareMem. }
function OwnGetMem(Size: LongInt): Pointer; register;
begin
  if Size <= 0 then
    Result := nil
  else
    Result := Previous.GetMem(Size);
end;

function OwnFreeMem(P: Pointer): LongInt; register;
begin
  if P <> nil then
    Previous.FreeMem(P);
  Result := 0;
end;

function OwnReallocMem(P: Pointer; Size: LongInt): Pointer; register;
begin
  Result := P;
  if Size < 0 then
    Size := 0;
  Previous.ReAllocMem(Result, Size);
end;

function OwnAllocMem(Size: LongWord): Pointer; register;
begin
  if Size = 0 then
    Result := nil
  else
    Result := Previous.AllocMem(Size);
end;

function OwnLeak(P: Pointer): Boolean; register;
begin
  Result := True;
end;

{ This module's memory manager when another module's table is in use. }
function SharedGetMem(Size: PtrUInt): Pointer;
begin
  if Size = 0 then
    Result := nil
  else
    Result := Shared^.GetMem(LongInt(Size));
end;

function SharedFreeMem(P: Pointer): PtrUInt;
begin
  if P <> nil then
    Shared^.FreeMem(P);
  Result := 0;
end;

function SharedFreeMemSize(P: Pointer; Size: PtrUInt): PtrUInt;
begin
  Result := SharedFreeMem(P);
end;

function SharedAllocMem(Size: PtrUInt): Pointer;
begin
  if Size = 0 then
    Result := nil
  else
    Result := Shared^.AllocMem(LongWord(Size));
end;

{ The RTL's contract: nil grows into a new block, size 0 frees. }
function SharedReAllocMem(var P: Pointer; Size: PtrUInt): Pointer;
begin
  if P = nil then
    P := SharedGetMem(Size)
  else if Size = 0 then
  begin
    Shared^.FreeMem(P);
    P := nil;
  end
  else
    P := Shared^.ReallocMem(P, LongInt(Size));
  Result := P;
end;

{ The table does not tell block sizes; 0 makes the RTL reallocate instead of
  trusting spare room it cannot see. }
function SharedMemSize(P: Pointer): PtrUInt;
begin
  Result := 0;
end;

procedure UseShared;
var
  M: TMemoryManager;
begin
  M := Previous;
  M.GetMem := SharedGetMem;
  M.FreeMem := SharedFreeMem;
  M.FreeMemSize := SharedFreeMemSize;
  M.AllocMem := SharedAllocMem;
  M.ReAllocMem := SharedReAllocMem;
  M.MemSize := SharedMemSize;
  SetMemoryManager(M);
end;

{ Stores Table when the slot holds Expected; returns what the slot held. }
function ExchangeSlot(Table, Expected: Pointer): Pointer;
begin
  Result := System.InterlockedCompareExchange(Slot^, Table, Expected);
end;
{$ELSE}
procedure UseShared;
begin
  SetMemoryManager(TMemoryManagerEx(Shared^));
end;

function ExchangeSlot(Table, Expected: Pointer): Pointer;
begin
  Result := InterlockedCompareExchangePointer(Slot^, Table, Expected);
end;
{$ENDIF}

{ Keeps the module at Address, if one is there, loaded until the process ends. }
procedure PinModuleAt(Address: Pointer);
var
  Module: HMODULE;
begin
  Module := 0;
  KarvoGetModuleHandleEx(PinFlags, Address, Module);
end;

{ True when the byte at Address lies in committed memory with one of the
  Wanted protections. }
function InMemory(Address: Pointer; Wanted: LongWord): Boolean;
var
  Info: TMemoryBasicInformation;
begin
  Result := (Address <> nil) and (KarvoVirtualQuery(Address, Info, SizeOf(Info)) = SizeOf(Info)) and
    (Info.State = MEM_COMMIT) and (Info.Protect and (PAGE_GUARD or PAGE_NOACCESS) = 0) and
    (Info.Protect and Wanted <> 0);
end;

type
  TSixRoutines = array[0..5] of Pointer;
  PSixRoutines = ^TSixRoutines;

{ A published table is used only when it can be read and each of its six
  routines lies in executable memory. }
function Usable(Table: Pointer): Boolean;
var
  I: Integer;
begin
  { The first entry and the last: a table crosses at most one boundary. }
  Result := InMemory(Table, ReadableMemory) and InMemory(@PSixRoutines(Table)^[5], ReadableMemory);
  if not Result then
    Exit;
  for I := 0 to 5 do
    if not InMemory(PSixRoutines(Table)^[I], ExecutableMemory) then
    begin
      Result := False;
      Exit;
    end;
end;

procedure Attach;
var
  Found: Pointer;
begin
  GetMemoryManager(Previous);
{$IFDEF FPC}
  Own.GetMem := OwnGetMem;
  Own.FreeMem := OwnFreeMem;
  Own.ReallocMem := OwnReallocMem;
  Own.AllocMem := OwnAllocMem;
  Own.RegisterExpectedMemoryLeak := OwnLeak;
  Own.UnregisterExpectedMemoryLeak := OwnLeak;
{$ELSE}
  Move(Previous, Own, SizeOf(Own));
{$ENDIF}
  Problem := 'the shared memory manager''s mapping could not be opened';
  Mapping := CreateFileMappingW(INVALID_HANDLE_VALUE, nil, PAGE_READWRITE, 0, SizeOf(Pointer),
    PWideChar(MappingName));
  if Mapping = 0 then
    Exit;
  Slot := MapViewOfFile(Mapping, FILE_MAP_ALL_ACCESS, 0, 0, SizeOf(Pointer));
  if Slot = nil then
  begin
    CloseHandle(Mapping);
    Mapping := 0;
    Exit;
  end;
  Problem := '';
  { Publish only into an empty slot, atomically: two modules starting at once
    must end up with one manager. }
  Found := ExchangeSlot(@Own, nil);
  if Found = nil then
  begin
    Shared := @Own;
    Published := True;
    if IsLibrary then
      PinModuleAt(@Own);
  end
  else if Assigned(ExceptProc) then
    { SysUtils sets ExceptProc when it starts, and has taken memory from this
      module's heap by then: switching now would free that memory in the
      shared heap. }
    Problem := 'KarvoShareMem started after SysUtils (it is not first in the uses clause of the project)'
  else if Usable(Found) then
  begin
    Shared := Found;
    { Whoever published it may not keep itself loaded: it must outlive us. }
    PinModuleAt(Found);
    PinModuleAt(PSixRoutines(Found)^[0]);
    UseShared;
  end;
end;

procedure Detach;
begin
  if Slot <> nil then
  begin
    { Modules that start later must not find a table that is about to go. }
    if Published then
      ExchangeSlot(nil, @Own);
    UnmapViewOfFile(Slot);
    Slot := nil;
  end;
  if Mapping <> 0 then
    CloseHandle(Mapping);
  Mapping := 0;
end;

initialization
  Attach;

finalization
  Detach;

end.
