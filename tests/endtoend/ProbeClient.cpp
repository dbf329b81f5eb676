// Runs a plug-in in a process of its own, away from its host:
//   karvo_probe_client <plugin.dll> <api handle>
// Its exit code is the plug-in's; 2 to 4 when it could not be run.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  HMODULE plugin = LoadLibraryA(argv[1]);
  if (plugin == nullptr) return 3;
  using Run = int(__stdcall*)(const char*);
  auto run = reinterpret_cast<Run>(reinterpret_cast<void*>(GetProcAddress(plugin, "KarvoPluginRun")));
  if (run == nullptr) return 4;
  int rc = run(argv[2]);
  FreeLibrary(plugin);
  return rc;
}
