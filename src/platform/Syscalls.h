// Every platform call that can fail, or that takes or gives back something
// (handles, views, BSTRs, VARIANTs, COM objects, counted strings), goes
// through this table, so that tests can make any of them fail and count what
// was taken and released. The product's table points straight at the
// platform. Left out are the reads that cannot fail and own nothing
// (GetLastError, GetCurrentProcess, GetProcessHeap, SysStringLen, the
// interlocked counts).
#pragma once

#include <cstdint>

#include "platform/WindowsSupport.h"

namespace karvo {

struct Syscalls {
  HANDLE(WINAPI* CreateFileMappingW)(HANDLE, LPSECURITY_ATTRIBUTES, DWORD, DWORD, DWORD, LPCWSTR);
  HANDLE(WINAPI* OpenFileMappingW)(DWORD, BOOL, LPCWSTR);
  LPVOID(WINAPI* MapViewOfFile)(HANDLE, DWORD, DWORD, DWORD, SIZE_T);
  BOOL(WINAPI* UnmapViewOfFile)(LPCVOID);
  BOOL(WINAPI* CloseHandle)(HANDLE);
  HANDLE(WINAPI* CreateMutexW)(LPSECURITY_ATTRIBUTES, BOOL, LPCWSTR);
  DWORD(WINAPI* WaitForSingleObject)(HANDLE, DWORD);
  BOOL(WINAPI* ReleaseMutex)(HANDLE);
  // The wake-up events beside the block (BlockSignals.cpp).
  HANDLE(WINAPI* CreateEventW)(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCWSTR);
  HANDLE(WINAPI* OpenEventW)(DWORD, BOOL, LPCWSTR);
  BOOL(WINAPI* SetEvent)(HANDLE);
  // Sleep and WaitForSingleObject run on the simulated Windows timer when
  // the environment asks for it (WindowsClock.h).
  void(WINAPI* Sleep)(DWORD);
  UINT(WINAPI* GetACP)();
  int(WINAPI* MultiByteToWideChar)(UINT, DWORD, LPCCH, int, LPWSTR, int);
  int(WINAPI* WideCharToMultiByte)(UINT, DWORD, LPCWCH, int, LPSTR, int, LPCCH, LPBOOL);
  BSTR(WINAPI* SysAllocStringLen)(const OLECHAR*, UINT);
  void(WINAPI* SysFreeString)(BSTR);
  // Sets vt alone, as the platform documents; the rest of the VARIANT may
  // hold anything until a value is stored.
  void(WINAPI* VariantInit)(VARIANTARG*);
  HRESULT(WINAPI* VariantClear)(VARIANTARG*);
  HRESULT(WINAPI* VariantCopy)(VARIANTARG*, VARIANTARG*);
  HRESULT(WINAPI* VariantChangeTypeEx)(VARIANTARG*, VARIANTARG*, LCID, USHORT, VARTYPE);
  // Our copies of the arrays a caller's VARIANT holds; VariantClear frees them.
  HRESULT(WINAPI* SafeArrayAllocDescriptorEx)(VARTYPE, UINT, SAFEARRAY**);
  HRESULT(WINAPI* SafeArrayAllocData)(SAFEARRAY*);
  HRESULT(WINAPI* VarBstrFromCy)(CY, LCID, ULONG, BSTR*);
  HRESULT(WINAPI* VarBstrFromDate)(DATE, LCID, ULONG, BSTR*);
  HRESULT(WINAPI* VarBstrFromBool)(VARIANT_BOOL, LCID, ULONG, BSTR*);
  int(WINAPI* GetLocaleInfoW)(LCID, LCTYPE, LPWSTR, int);
  int(WINAPI* CompareStringW)(LCID, DWORD, PCNZWCH, int, PCNZWCH, int);
  // What the kernel knows of an address: every read of caller memory asks first.
  SIZE_T(WINAPI* VirtualQuery)(LPCVOID, PMEMORY_BASIC_INFORMATION, SIZE_T);
  int(WINAPI* MessageBoxW)(HWND, LPCWSTR, LPCWSTR, UINT);
  // The XML engine and the number and date readings of call documents.
  HRESULT(WINAPI* CoCreateInstance)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*);
  HRESULT(WINAPI* VarI4FromStr)(OLECHAR*, LCID, ULONG, LONG*);
  HRESULT(WINAPI* VarR8FromStr)(OLECHAR*, LCID, ULONG, DOUBLE*);
  HRESULT(WINAPI* VarDateFromStr)(OLECHAR*, LCID, ULONG, DATE*);
  // The page of the memory manager the library publishes, and the pin that
  // keeps a module whose manager it uses loaded (MemoryManager.cpp).
  LPVOID(WINAPI* VirtualAlloc)(LPVOID, SIZE_T, DWORD, DWORD);
  BOOL(WINAPI* VirtualProtect)(LPVOID, SIZE_T, DWORD, PDWORD);
  BOOL(WINAPI* GetModuleHandleExW)(DWORD, LPCWSTR, HMODULE*);
  // The memory manager of the host process's counted strings (whichever
  // one the library found or published at load).
  void* (*StringGetMem)(std::int32_t size);
  std::int32_t (*StringFreeMem)(void* p);
};

// The table in force. Tests may overwrite its members and must put the
// product's values back (ResetSyscalls) when they are done. The product's
// values take the simulated Windows timer when KARVO_SIMULATED_WINDOWS_CLOCK
// is set in the environment (benchmarks and tests only).
Syscalls& Sys();
void ResetSyscalls();

}  // namespace karvo
