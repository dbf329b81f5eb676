#include "platform/Syscalls.h"

namespace karvo {

namespace {

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
  s.Sleep = ::Sleep;
  s.MultiByteToWideChar = ::MultiByteToWideChar;
  s.WideCharToMultiByte = ::WideCharToMultiByte;
  s.SysAllocStringLen = ::SysAllocStringLen;
  s.SysFreeString = ::SysFreeString;
  s.VariantClear = ::VariantClear;
  s.VariantCopy = ::VariantCopy;
  s.VariantChangeTypeEx = ::VariantChangeTypeEx;
  s.VarBstrFromCy = ::VarBstrFromCy;
  s.VarBstrFromDate = ::VarBstrFromDate;
  s.VarBstrFromBool = ::VarBstrFromBool;
  s.GetLocaleInfoW = ::GetLocaleInfoW;
  s.CompareStringW = ::CompareStringW;
  s.ReadProcessMemory = ::ReadProcessMemory;
  s.HeapAlloc = ::HeapAlloc;
  s.HeapFree = ::HeapFree;
  s.MessageBoxW = ::MessageBoxW;
  s.CoCreateInstance = ::CoCreateInstance;
  s.VarI4FromStr = ::VarI4FromStr;
  s.VarR8FromStr = ::VarR8FromStr;
  s.VarDateFromStr = ::VarDateFromStr;
  return s;
}

Syscalls g_table = ProductTable();

}  // namespace

Syscalls& Sys() { return g_table; }
void ResetSyscalls() { g_table = ProductTable(); }

}  // namespace karvo
