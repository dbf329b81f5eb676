// One request round trip between the library and a host thread: median
// latency and requests per second over a two-second run. Prints figures;
// asserts nothing.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ScriptedHost.h"
#include "database/SqlCommands.h"
#include "link/ProcessState.h"
#include "platform/WindowsSupport.h"

int main() {
  karvo::test::ScriptedHost host;
  host.Always(karvo::test::Answer::Code(1));
  std::string handle = host.ApiHandle();
  karvo::State().SharedMem = karvo::TPluginsSharedMem::CreateDll(std::u16string(handle.begin(), handle.end()));

  LARGE_INTEGER freq, start, t0, t1;
  ::QueryPerformanceFrequency(&freq);
  std::vector<double> us;
  ::QueryPerformanceCounter(&start);
  do {
    ::QueryPerformanceCounter(&t0);
    if (karvo::ExecuteSQL("SELECT 1", 0) != 1) {
      std::printf("request failed\n");
      return 1;
    }
    ::QueryPerformanceCounter(&t1);
    us.push_back(1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart));
  } while (static_cast<double>(t1.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart) < 2.0);
  double total = static_cast<double>(t1.QuadPart - start.QuadPart) / static_cast<double>(freq.QuadPart);
  std::sort(us.begin(), us.end());
  std::printf("request round trip, host thread: %zu requests, %.0f req/s, p50 %.1f us, p99 %.1f us\n", us.size(),
              static_cast<double>(us.size()) / total, us[us.size() / 2], us[us.size() * 99 / 100]);
  karvo::ReleaseProcessState();
  return 0;
}
