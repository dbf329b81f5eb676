#include "platform/Syscalls.h"

#include "platform/MemoryManager.h"
#include "platform/WindowsClock.h"

namespace karvo {

namespace {

void* StringGetMem(std::int32_t size) { return ManagerGetMem(size); }
std::int32_t StringFreeMem(void* p) { return ManagerFreeMem(p); }

Syscalls ProductTable() {
  Syscalls s;
  s.CreateFileMappingW = ::CreateFileMappingW;
  s.OpenFileMappingW = ::OpenFileMappingW;
  s.MapViewOfFile = ::MapViewOfFile;
  s.UnmapViewOfFile = ::UnmapViewOfFile;
  s.CloseHandle = ::CloseHandle;
  s.CreateMutexW = ::CreateMutexW;
  s.WaitForSingleObject = ::WaitForSingleObject;
  s.ReleaseMutex = ::ReleaseMutex;
  s.CreateEventW = ::CreateEventW;
  s.OpenEventW = ::OpenEventW;
  s.SetEvent = ::SetEvent;
  s.Sleep = ::Sleep;
  s.GetACP = ::GetACP;
  s.MultiByteToWideChar = ::MultiByteToWideChar;
  s.WideCharToMultiByte = ::WideCharToMultiByte;
  s.SysAllocStringLen = ::SysAllocStringLen;
  s.SysFreeString = ::SysFreeString;
  s.VariantInit = ::VariantInit;
  s.VariantClear = ::VariantClear;
  s.VariantCopy = ::VariantCopy;
  s.VariantChangeTypeEx = ::VariantChangeTypeEx;
  s.VarBstrFromCy = ::VarBstrFromCy;
  s.VarBstrFromDate = ::VarBstrFromDate;
  s.VarBstrFromBool = ::VarBstrFromBool;
  s.GetLocaleInfoW = ::GetLocaleInfoW;
  s.CompareStringW = ::CompareStringW;
  s.VirtualQuery = ::VirtualQuery;
  s.SafeArrayAllocDescriptorEx = ::SafeArrayAllocDescriptorEx;
  s.SafeArrayAllocData = ::SafeArrayAllocData;
  s.MessageBoxW = ::MessageBoxW;
  s.CoCreateInstance = ::CoCreateInstance;
  s.VarI4FromStr = ::VarI4FromStr;
  s.VarR8FromStr = ::VarR8FromStr;
  s.VarDateFromStr = ::VarDateFromStr;
  s.VirtualAlloc = ::VirtualAlloc;
  s.VirtualProtect = ::VirtualProtect;
  s.GetModuleHandleExW = ::GetModuleHandleExW;
  s.StringGetMem = &StringGetMem;
  s.StringFreeMem = &StringFreeMem;
  if (SimulatedWindowsClockAsked()) {
    s.Sleep = &TickSleep;
    s.WaitForSingleObject = &TickWait;
  }
  return s;
}

Syscalls g_table = ProductTable();

}  // namespace

Syscalls& Sys() { return g_table; }
void ResetSyscalls() { g_table = ProductTable(); }

}  // namespace karvo
