/* Plug-ins that go wrong the ways authors' plug-ins do, one per build
 * (BAD_...), for the tests of what refhost says about each. */
#include <stdio.h>
#include <windows.h>

#if defined(BAD_DECORATED)
/* __stdcall exported without --kill-at: the export is KarvoPluginRun@4. */
__declspec(dllexport) int __stdcall KarvoPluginRun(const char* callDocument) {
  (void)callDocument;
  return 0;
}
#elif defined(BAD_NO_ENTRY)
__declspec(dllexport) int __stdcall Run(const char* callDocument) {
  (void)callDocument;
  return 0;
}
#elif defined(BAD_CDECL)
/* No __stdcall: the caller's argument stays on the stack. */
__declspec(dllexport) int KarvoPluginRun(const char* callDocument) {
  (void)callDocument;
  return 0;
}
#elif defined(BAD_CRASH)
__declspec(dllexport) int __stdcall KarvoPluginRun(const char* callDocument) {
  volatile int* nowhere = (volatile int*)0;
  (void)callDocument;
  *nowhere = 1;
  return 0;
}
#elif defined(BAD_HANG)
__declspec(dllexport) int __stdcall KarvoPluginRun(const char* callDocument) {
  (void)callDocument;
  printf("plugin (hang): running for ever\n");
  fflush(stdout);
  for (;;) Sleep(1000);
}
#elif defined(BAD_INIT)
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
  (void)instance;
  (void)reserved;
  return reason != DLL_PROCESS_ATTACH;
}
__declspec(dllexport) int __stdcall KarvoPluginRun(const char* callDocument) {
  (void)callDocument;
  return 0;
}
#elif defined(BAD_IMPORT)
/* Imports a DLL that no machine has. */
__declspec(dllimport) int __stdcall KarvoNoSuchFunction(void);
__declspec(dllexport) int __stdcall KarvoPluginRun(const char* callDocument) {
  (void)callDocument;
  return KarvoNoSuchFunction();
}
#else
#error which bad plug-in?
#endif
