// Runs one plug-in at a time on a thread of its own: loads it (and says why
// when it cannot), calls its entry point with the call document, prints what
// it returned and the call document it answered, and frees it. A fault
// anywhere in the process while a plug-in runs is reported with the
// plug-in's name, the place and the exception, and ends refhost; so do
// Ctrl+C and --timeout while a plug-in is still running.
#pragma once

#include <string>

namespace refhost {

// refhost's exit codes.
enum ExitCode : int {
  kExitOk = 0,
  kExitFailed = 1,  // a plug-in could not be loaded or did not return 0; the host could not start
  kExitUsage = 2,
  kExitFault = 3,    // a plug-in faulted
  kExitStopped = 4,  // stopped (Ctrl+C, --timeout) while a plug-in was running
};

// Installs the fault report and the Ctrl+C handler for the whole process.
void InstallStopAndFaultReports();
// True once Ctrl+C (or Ctrl+Break, or closing the console) has asked refhost
// to stop while no plug-in was running.
bool StopRequested();

// Loads, runs and frees one plug-in; returns true when it returned 0.
// timeoutSeconds 0 waits for as long as it runs.
bool RunPlugin(const std::string& path, const std::string& callDocument, unsigned timeoutSeconds);

}  // namespace refhost
