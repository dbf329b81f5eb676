// refhost's command line.
#pragma once

#include <string>
#include <vector>

namespace refhost {

struct Options {
  bool Help = false;
  std::string DataDir;  // empty: refhost-data beside refhost.exe
  bool InstallModel = true;
  bool Trace = false;
  unsigned TimeoutSeconds = 0;    // 0: a plug-in may run as long as it likes
  std::string ApiFile, StopFile;  // --serve
  std::vector<std::string> Plugins;
  std::string Error;  // a usage error: refhost prints it and the usage, and exits 2
};

// The arguments after the program's name.
Options ParseOptions(const std::vector<std::string>& args);
std::string UsageText();

}  // namespace refhost
