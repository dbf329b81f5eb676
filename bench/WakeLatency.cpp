// What a request costs when the client works between its requests, as a
// plug-in does, and what waiting costs in CPU:
//   bench_WakeLatency [requests at no pause = 200]
// For each pair of peers (ours and the literal ones, the host always in a
// second process), pauses of 0, 5 and 20 ms between requests and host
// service times of 0 and 2 ms: p50 and p99 of the round trip minus the
// service time, under the normal clock and under the simulated Windows
// clock (each clock a run of this program of its own, with
// KARVO_SIMULATED_WINDOWS_CLOCK set or not, so that the library, the host
// and the literal peers all see it). Then the floor, a bare event ping-pong
// between two processes, back to back and with each row's pause and
// service time; a literal client served by a host idle for a
// while; the CPU time of an idle host in 10 s and of a client waiting 10 s
// on a host that takes 500 ms; and the ratios the design is held to, as
// "ratio NAME: X" lines.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Peers.h"
#include "platform/WindowsClock.h"

using namespace karvo;
using namespace karvo::bench;

namespace {

const char* const kPairs[4] = {"ours/ours", "our client/literal host", "literal client/our host", "literal/literal"};
const int kPauses[3] = {0, 5, 20};
const int kServices[2] = {0, 2};

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[std::min(v.size() - 1, static_cast<std::size_t>(v.size() * p))];
}

// Keeps the thread busy for a while, as a plug-in's own work between
// requests: a sleep would put the client in the timer's rhythm.
void Work(int ms) {
  for (double until = Now() + ms / 1000.0; Now() < until;) {
  }
}

struct Row {
  double p50 = 0, p99 = 0;
  long failures = 0;
};

Row Measure(Client& client, int requests, int pauseMs, int serviceMs) {
  const std::u16string text = u"SELECT NAZWA FROM KONTRAHENCI";
  std::vector<double> micros;
  Row row;
  client.Begin();
  // Each row measures its pair alone: our host keeps the pace of a client
  // that signals nothing for a while after serving it, so the row before
  // is let go out of its memory first.
  ::Sleep(200);
  for (int i = 0; i < 5; ++i) client.RoundTrip(text);
  for (int i = 0; i < requests; ++i) {
    Work(pauseMs);
    double t0 = Now();
    if (!client.RoundTrip(text)) ++row.failures;
    micros.push_back((Now() - t0) * 1e6 - serviceMs * 1000.0);
  }
  client.End();
  row.p50 = Percentile(micros, 0.5);
  row.p99 = Percentile(micros, 0.99);
  return row;
}

// One clock: every row, printed as "row PAIR|PAUSE|SERVICE P50 P99" for the
// parent to gather, beside a readable line.
int RunRows(int requests) {
  std::printf("clock: %s\n", SimulatedWindowsClockAsked() ? "simulated Windows timer (15.625 ms)" : "normal");
  for (int service : kServices) {
    for (bool literalHost : {false, true}) {
      Host host(literalHost, false, service * 1000L);
      if (host.Handle().empty()) {
        std::printf("host did not start\n");
        return 1;
      }
      OurClient ours(host.Handle());
      LiteralClient literal(host.Handle());
      for (int pause : kPauses) {
        int n = pause == 0 ? requests : pause == 5 ? requests / 2 : requests / 4;
        for (bool literalClient : {false, true}) {
          int pair = literalHost ? (literalClient ? 3 : 1) : (literalClient ? 2 : 0);
          Row r = Measure(literalClient ? static_cast<Client&>(literal) : ours, n, pause, service);
          std::printf("row %s|%d|%d %.1f %.1f%s\n", kPairs[pair], pause, service, r.p50, r.p99,
                      r.failures != 0 ? " FAILED" : "");
          std::fflush(stdout);
        }
      }
    }
  }
  return 0;
}

// ---- The floor: two processes signalling each other's events -------------

// The peer answers each ping after its service time, spent busy as a host's.
int PingPeer(const char* name, int serviceMs) {
  std::wstring ping = std::wstring(name, name + std::strlen(name)) + L"ping";
  std::wstring pong = std::wstring(name, name + std::strlen(name)) + L"pong";
  HANDLE a = ::OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, ping.c_str());
  HANDLE b = ::OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, pong.c_str());
  if (a == nullptr || b == nullptr) return 2;
  while (::WaitForSingleObject(a, 5000) == WAIT_OBJECT_0) {
    Work(serviceMs);
    ::SetEvent(b);
  }
  return 0;
}

// p50 of a ping-pong minus the service time, with the pinging side busy for
// `pauseMs` before each ping as a client working between its requests: what
// waking a peer costs after such a pause, which no design of the block can
// undercut.
double PingPongMicros(int pauseMs, int serviceMs, int rounds) {
  std::string name = "KarvoBenchPing" + std::to_string(::GetCurrentProcessId());
  std::wstring w(name.begin(), name.end());
  HANDLE a = ::CreateEventW(nullptr, FALSE, FALSE, (w + L"ping").c_str());
  HANDLE b = ::CreateEventW(nullptr, FALSE, FALSE, (w + L"pong").c_str());
  PROCESS_INFORMATION pi = StartSelf("ping " + name + " " + std::to_string(serviceMs));
  HANDLE peer = pi.hProcess;
  if (pi.hThread != nullptr) ::CloseHandle(pi.hThread);
  std::vector<double> micros;
  for (int i = 0; i < rounds && peer != nullptr; ++i) {
    Work(pauseMs);
    double t0 = Now();
    ::SetEvent(a);
    if (::WaitForSingleObject(b, 5000) != WAIT_OBJECT_0) break;
    if (i >= rounds / 20) micros.push_back((Now() - t0) * 1e6 - serviceMs * 1000.0);
  }
  if (peer != nullptr) {
    ::TerminateProcess(peer, 0);
    ::CloseHandle(peer);
  }
  ::CloseHandle(a);
  ::CloseHandle(b);
  return Percentile(micros, 0.5);
}

// ---- CPU while waiting ---------------------------------------------------

double CpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!::GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  auto ms = [](const FILETIME& f) {
    return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
}

double IdleHostCpuMs() {
  Host host(false, false, 0);
  if (host.Process() == nullptr) return -1;
  ::Sleep(500);  // past its start
  double before = CpuMs(host.Process());
  ::Sleep(10000);
  return CpuMs(host.Process()) - before;
}

double WaitingClientCpuMs() {
  Host host(false, false, 500000);
  if (host.Handle().empty()) return -1;
  OurClient ours(host.Handle());
  ours.Begin();
  double before = CpuMs(::GetCurrentProcess());
  for (double end = Now() + 10; Now() < end;) ours.RoundTrip(u"wait");
  double used = CpuMs(::GetCurrentProcess()) - before;
  ours.End();
  return used;
}

// A literal client (which signals nothing) after the host has been idle for
// a while: the host then looks at the block at its slowest pace.
std::vector<double> LiteralAfterIdleMicros() {
  Host host(false, false, 0);
  std::vector<double> micros;
  if (host.Handle().empty()) return micros;
  LiteralClient literal(host.Handle());
  for (int i = 0; i < 8; ++i) {
    ::Sleep(1500);
    double t0 = Now();
    if (literal.RoundTrip(u"after a while")) micros.push_back((Now() - t0) * 1e6);
  }
  return micros;
}

// ---- The parent: both clocks, the floor, CPU, the ratios --------------------

using Rows = std::map<std::string, std::pair<double, double>>;

bool RunClock(bool simulated, int requests, Rows& rows) {
  ::SetEnvironmentVariableA("KARVO_SIMULATED_WINDOWS_CLOCK", simulated ? "1" : nullptr);
  HANDLE readEnd = nullptr;
  PROCESS_INFORMATION pi = StartSelf("rows " + std::to_string(requests), &readEnd);
  ::SetEnvironmentVariableA("KARVO_SIMULATED_WINDOWS_CLOCK", nullptr);
  if (pi.hProcess == nullptr) return false;
  std::string line;
  char c;
  DWORD got;
  const std::string clock = simulated ? "windows" : "normal";
  while (::ReadFile(readEnd, &c, 1, &got, nullptr) && got == 1) {
    if (c == '\r') continue;
    if (c != '\n') {
      line += c;
      continue;
    }
    char key[128];
    double p50, p99;
    if (std::sscanf(line.c_str(), "row %127[^0-9]%*[^ ] %lf %lf", key, &p50, &p99) == 3) {
      std::string k = line.substr(4, line.find(' ', line.find('|')) - 4);
      rows[clock + ":" + k] = {p50, p99};
      std::printf("  %-8s %-40s p50 %9.1f us  p99 %9.1f us%s\n", clock.c_str(), k.c_str(), p50, p99,
                  line.find("FAILED") != std::string::npos ? "  FAILED ROUND TRIPS" : "");
    } else {
      std::printf("%s\n", line.c_str());
    }
    std::fflush(stdout);
    line.clear();
  }
  ::WaitForSingleObject(pi.hProcess, INFINITE);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(readEnd);
  return true;
}

double P50Of(const Rows& rows, const std::string& clock, int pair, int pause, int service) {
  auto it = rows.find(clock + ":" + kPairs[pair] + "|" + std::to_string(pause) + "|" + std::to_string(service));
  return it == rows.end() ? 0 : it->second.first;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "host") == 0)
    return HostProcess(std::strcmp(argv[2], "literal") == 0, argc >= 4 ? std::atol(argv[3]) : 0);
  if (argc >= 3 && std::strcmp(argv[1], "ping") == 0) return PingPeer(argv[2], argc >= 4 ? std::atoi(argv[3]) : 0);
  if (argc >= 3 && std::strcmp(argv[1], "rows") == 0) return RunRows(std::max(8, std::atoi(argv[2])));
  int requests = argc >= 2 ? std::max(8, std::atoi(argv[1])) : 200;

  std::printf("round trip minus service time; pairs are client/host, the host in a second process\n");
  std::printf("rows are PAIR|PAUSE ms|SERVICE ms\n");
  Rows rows;
  if (!RunClock(false, requests, rows) || !RunClock(true, requests, rows)) {
    std::printf("could not start the measuring run\n");
    return 1;
  }
  double floor = PingPongMicros(0, 0, 2000);
  std::printf("floor: event ping-pong between two processes p50 %.1f us\n", floor);
  // The same ping-pong with each row's pause and service time.
  std::map<std::pair<int, int>, double> floors;
  for (int pause : kPauses)
    for (int service : kServices) {
      floors[{pause, service}] = pause == 0 && service == 0 ? floor : PingPongMicros(pause, service, requests);
      std::printf("floor %d|%d: p50 %.1f us\n", pause, service, floors[{pause, service}]);
    }
  std::vector<double> afterIdle = LiteralAfterIdleMicros();
  std::printf("literal client after 1.5 s of an idle host (our host's slowest pace): p50 %.1f us, worst %.1f us\n",
              Percentile(afterIdle, 0.5), Percentile(afterIdle, 1.0));
  double idle = IdleHostCpuMs();
  std::printf("idle host: %.1f ms of CPU in 10 s (%.3f%% of a core)\n", idle, idle / 100.0);
  double waiting = WaitingClientCpuMs();
  std::printf("client waiting on a host that takes 500 ms: %.1f ms of CPU in 10 s (%.3f%% of a core)\n", waiting,
              waiting / 100.0);

  // ours/ours with 20 ms pauses against back to back plus one ping-pong.
  double b2b = P50Of(rows, "normal", 0, 0, 0), paused = P50Of(rows, "normal", 0, 20, 0);
  std::printf("ratio pause20_over_backtoback_plus_floor: %.2f\n", paused / (b2b + floor));
  // The same against the ping-pong after the same pause: on a machine whose
  // idle processors sleep (a virtual one), waking a peer after 20 ms costs
  // more than waking it during a ping-pong, whatever is woken.
  std::printf("ratio pause20_over_backtoback_plus_floor_after_pause20: %.2f\n", paused / (b2b + floors[{20, 0}]));
  // ours/ours under the simulated Windows clock against the normal one.
  for (int pause : kPauses)
    for (int service : kServices)
      std::printf("ratio windows_clock_over_normal_p%d_s%d: %.2f\n", pause, service,
                  P50Of(rows, "windows", 0, pause, service) / P50Of(rows, "normal", 0, pause, service));
  // literal/literal over ours/ours, every row.
  double least = 1e9;
  for (const char* clock : {"normal", "windows"})
    for (int pause : kPauses)
      for (int service : kServices) {
        double r = P50Of(rows, clock, 3, pause, service) / P50Of(rows, clock, 0, pause, service);
        least = std::min(least, r);
        std::printf("ratio literal_over_ours_%s_p%d_s%d: %.1f\n", clock, pause, service, r);
      }
  std::printf("ratio literal_over_ours_least: %.1f\n", least);
  // What waking costs in each row: ours/ours over the ping-pong of that row,
  // and literal/literal over it, the most any design that wakes a blocked
  // peer could reach in that row.
  for (int pause : kPauses)
    for (int service : kServices) {
      double f = floors[{pause, service}];
      std::printf("ratio ours_over_floor_p%d_s%d: %.2f\n", pause, service,
                  P50Of(rows, "normal", 0, pause, service) / f);
      std::printf("ratio literal_over_floor_p%d_s%d: %.1f\n", pause, service,
                  P50Of(rows, "normal", 3, pause, service) / f);
    }
  std::printf("ratio idle_host_cpu_percent: %.3f\n", idle / 100.0);
  std::printf("ratio waiting_client_cpu_percent: %.3f\n", waiting / 100.0);
  return 0;
}
