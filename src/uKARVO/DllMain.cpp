// The library's entry point: it only sets and frees the library's own
// state, since it runs under the loader lock. The regional settings are
// read here once, so that every text form in one process agrees.
#include "conversions/VariantText.h"
#include "link/AnsiStrings.h"
#include "link/ProcessState.h"
#include "link/ThreadState.h"
#include "platform/WindowsSupport.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      karvo::ResetProcessState();
      karvo::AttachMemoryManager();
      karvo::ReadRegionalSettings();
      break;
    case DLL_THREAD_DETACH:
      // The ending thread's last error and return buffers.
      karvo::ReleaseThreadState();
      break;
    case DLL_PROCESS_DETACH:
      karvo::ReleaseProcessState();
      karvo::DetachMemoryManager();
      break;
    default: break;
  }
  return TRUE;
}
