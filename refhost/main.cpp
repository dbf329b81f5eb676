// The reference host: makes the block, opens its databases, installs its
// object model in KARVO.DLL, serves every request from a thread and runs
// the plug-ins named on its command line (UsageText in Options.cpp says
// how). With --serve it runs no plug-in: it writes the API handle into a
// file and serves plug-ins of other processes until a stop file appears.
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "CallDocument.h"
#include "Console.h"
#include "HostObjects.h"
#include "Options.h"
#include "PluginRunner.h"
#include "RefHostService.h"
#include "SqlDataSet.h"
#include "Trace.h"
#include "karvo_host.h"

namespace {

std::string Narrow(const unsigned short* w) {
  std::string s;
  for (; *w != 0; ++w) s += static_cast<char>(*w);
  return s;
}

std::u16string DefaultDataDir() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string dir(reinterpret_cast<const char16_t*>(path), n);
  std::size_t slash = dir.find_last_of(u"\\/");
  return (slash == std::u16string::npos ? u"." : dir.substr(0, slash)) + u"\\refhost-data";
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The usage text line by line, in the console's characters.
void PrintLines(const std::string& text, bool error) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::u16string line = refhost::FromAscii(text.substr(at, end - at));
    error ? refhost::PrintError(line) : refhost::Print(line);
    at = end + 1;
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace refhost;
  Options options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.Help) {
    PrintLines(UsageText(), false);
    return kExitOk;
  }
  if (!options.Error.empty()) {
    PrintError(u"refhost: " + FromAnsi(options.Error));
    PrintLines(UsageText(), true);
    return kExitUsage;
  }
  InstallStopAndFaultReports();

  std::u16string dataDir = options.DataDir.empty() ? DefaultDataDir() : FromAnsi(options.DataDir);
  CreateDirectoryW(reinterpret_cast<const wchar_t*>(dataDir.c_str()), nullptr);
  try {
    OpenDatabases(dataDir);
  } catch (const std::exception& e) {
    PrintError(u"refhost: the databases in " + dataDir + u" could not be opened: " + FromAnsi(e.what()));
    return kExitFailed;
  }

  // refhost has no main window of its own: its process id stands in for the
  // window handle in the API handle, so two refhosts never share a name.
  KarvoHostBlock* block = KarvoHostCreate(GetCurrentProcessId());
  if (block == nullptr) {
    PrintError(u"refhost: the block could not be made");
    return kExitFailed;
  }
  std::string apiHandle = Narrow(KarvoHostApiHandle(block));
  Print(u"refhost: serving " + FromAscii(apiHandle));

  // Plug-ins in this process reach the handles refhost gives out through
  // its object model; without it they take the host-request paths.
  if (!options.Plugins.empty() && options.InstallModel && !InstallModelInKarvo())
    PrintError(u"refhost: KARVO.DLL not found, no object model installed");

  Service service;  // commands register themselves in their service files
  KarvoRequestHandler handler = RequestHandler(options.Trace);
  std::atomic<bool> stop{false};
  std::thread server([&] {
    while (!stop) KarvoHostServeOne(block, handler, &service, 50);
  });

  std::string callDocument = CallDocument(apiHandle);
  int failures = 0;
  if (!options.ApiFile.empty()) {
    if (FILE* f = std::fopen(options.ApiFile.c_str(), "wb")) {
      std::fputs(apiHandle.c_str(), f);
      std::fclose(f);
    }
    // A safety limit, so a forgotten refhost does not serve for ever.
    for (int waited = 0; !Exists(options.StopFile) && !StopRequested() && waited < 600000; waited += 20) Sleep(20);
  }
  for (const std::string& name : options.Plugins) {
    if (StopRequested()) break;
    if (!RunPlugin(name, callDocument, options.TimeoutSeconds)) ++failures;
  }
  stop = true;
  server.join();
  KarvoHostFree(block);
  return failures == 0 ? kExitOk : kExitFailed;
}
