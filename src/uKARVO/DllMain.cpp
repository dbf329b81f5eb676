// The library's entry point: it only sets and frees the library's own
// state, since it runs under the loader lock.
#include "link/AnsiStrings.h"
#include "link/ProcessState.h"
#include "platform/WindowsSupport.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      karvo::ResetProcessState();
      karvo::AttachMemoryManager();
      break;
    case DLL_PROCESS_DETACH:
      karvo::ReleaseProcessState();
      karvo::DetachMemoryManager();
      break;
    default: break;
  }
  return TRUE;
}
