// The reference host: makes the block, serves every request from a thread
// and runs the plug-ins named on its command line.
//   refhost <plugin.dll> [...]
// A plug-in exports  int __stdcall KarvoPluginRun(const char* apiText):
// it gets its call as a call document that carries the API handle, and
// returns 0 when its work went well.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "CallDocument.h"
#include "RefHostService.h"
#include "karvo_host.h"

namespace {

using PluginRun = int(__stdcall*)(const char* apiText);

std::string Narrow(const unsigned short* w) {
  std::string s;
  for (; *w != 0; ++w) s += static_cast<char>(*w);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: refhost <plugin.dll> [...]\n");
    return 2;
  }
  // refhost has no main window of its own: its process id stands in for the
  // window handle in the API handle, so two refhosts never share a name.
  KarvoHostBlock* block = KarvoHostCreate(GetCurrentProcessId());
  if (block == nullptr) {
    std::fprintf(stderr, "refhost: the block could not be made\n");
    return 1;
  }
  std::string apiHandle = Narrow(KarvoHostApiHandle(block));
  std::printf("refhost: serving %s\n", apiHandle.c_str());
  std::fflush(stdout);

  refhost::Service service;  // commands register themselves in their service files
  std::atomic<bool> stop{false};
  std::thread server([&] {
    while (!stop) KarvoHostServeOne(block, &refhost::Service::Handle, &service, 50);
  });

  // A host's main thread has COM, and the plug-ins' call documents need it.
  HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::string callDocument = refhost::CallDocument(apiHandle);
  int failures = 0;
  for (int i = 1; i < argc; ++i) {
    HMODULE plugin = LoadLibraryA(argv[i]);
    auto run = plugin ? reinterpret_cast<PluginRun>(reinterpret_cast<void*>(GetProcAddress(plugin, "KarvoPluginRun"))) : nullptr;
    if (run == nullptr) {
      std::fprintf(stderr, "refhost: %s is not a plug-in\n", argv[i]);
      ++failures;
      continue;
    }
    int rc = run(callDocument.c_str());
    std::printf("refhost: %s finished with %d\n", argv[i], rc);
    std::fflush(stdout);
    if (rc != 0) ++failures;
    FreeLibrary(plugin);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  stop = true;
  server.join();
  KarvoHostFree(block);
  return failures == 0 ? 0 : 1;
}
