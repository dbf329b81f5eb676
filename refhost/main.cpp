// The reference host: makes the block, opens its databases, installs its
// object model in KARVO.DLL, serves every request from a thread and runs
// the plug-ins named on its command line.
//   refhost [--data DIR] [--no-model] <plugin.dll> [...]
//   refhost [--data DIR] --serve API_FILE STOP_FILE
// A plug-in exports  int __stdcall KarvoPluginRun(const char* apiText):
// it gets the API handle and returns 0 when its work went well. With
// --serve refhost runs no plug-in: it writes the API handle into API_FILE
// and serves plug-ins of other processes until STOP_FILE appears.
// The databases live in DIR (default: refhost-data beside refhost.exe)
// and are made from the sample schemas on first run.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "HostObjects.h"
#include "RefHostService.h"
#include "SqlDataSet.h"
#include "karvo_host.h"

namespace {

using PluginRun = int(__stdcall*)(const char* apiText);

std::string Narrow(const unsigned short* w) {
  std::string s;
  for (; *w != 0; ++w) s += static_cast<char>(*w);
  return s;
}

std::u16string Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::u16string w(n > 0 ? n - 1 : 0, u'\0');
  if (n > 1) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, reinterpret_cast<wchar_t*>(&w[0]), n);
  return w;
}

std::u16string DefaultDataDir() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string dir(reinterpret_cast<const char16_t*>(path), n);
  std::size_t slash = dir.find_last_of(u"\\/");
  return (slash == std::u16string::npos ? u"." : dir.substr(0, slash)) + u"\\refhost-data";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

int main(int argc, char** argv) {
  std::u16string dataDir;
  bool installModel = true;
  std::string apiFile, stopFile;
  std::vector<std::string> plugins;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--data" && i + 1 < argc)
      dataDir = Wide(argv[++i]);
    else if (a == "--no-model")
      installModel = false;
    else if (a == "--serve" && i + 2 < argc) {
      apiFile = argv[++i];
      stopFile = argv[++i];
    } else
      plugins.push_back(a);
  }
  if (plugins.empty() == apiFile.empty()) {
    std::fprintf(stderr,
                 "usage: refhost [--data DIR] [--no-model] <plugin.dll> [...]\n"
                 "       refhost [--data DIR] --serve API_FILE STOP_FILE\n");
    return 2;
  }
  if (dataDir.empty()) dataDir = DefaultDataDir();
  CreateDirectoryW(reinterpret_cast<const wchar_t*>(dataDir.c_str()), nullptr);
  try {
    refhost::OpenDatabases(dataDir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "refhost: the databases could not be opened: %s\n", e.what());
    return 1;
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

  // Plug-ins in this process reach the handles refhost gives out through
  // its object model; without it they take the host-request paths.
  if (!plugins.empty() && installModel && !refhost::InstallModelInKarvo())
    std::fprintf(stderr, "refhost: KARVO.DLL not found, no object model installed\n");

  refhost::Service service;  // commands register themselves in their service files
  std::atomic<bool> stop{false};
  std::thread server([&] {
    while (!stop) KarvoHostServeOne(block, &refhost::Service::Handle, &service, 50);
  });

  int failures = 0;
  if (!apiFile.empty()) {
    if (FILE* f = std::fopen(apiFile.c_str(), "wb")) {
      std::fputs(apiHandle.c_str(), f);
      std::fclose(f);
    }
    // A safety limit, so a forgotten refhost does not serve for ever.
    for (int waited = 0; !Exists(stopFile) && waited < 600000; waited += 20) Sleep(20);
  }
  for (const std::string& name : plugins) {
    HMODULE plugin = LoadLibraryA(name.c_str());
    auto run = plugin ? reinterpret_cast<PluginRun>(reinterpret_cast<void*>(GetProcAddress(plugin, "KarvoPluginRun")))
                      : nullptr;
    if (run == nullptr) {
      std::fprintf(stderr, "refhost: %s is not a plug-in\n", name.c_str());
      ++failures;
      continue;
    }
    int rc = run(apiHandle.c_str());
    std::printf("refhost: %s finished with %d\n", name.c_str(), rc);
    std::fflush(stdout);
    if (rc != 0) ++failures;
    FreeLibrary(plugin);
  }
  stop = true;
  server.join();
  KarvoHostFree(block);
  return failures == 0 ? 0 : 1;
}
