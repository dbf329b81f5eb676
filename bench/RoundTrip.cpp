// The request round trip: our client and host beside the literal ones, a
// host thread and a host in a second process, short and 32 KB texts.
//   bench_RoundTrip [seconds per case = 2] [runs = 1] [thread|process] [short|32k]
// Each case sends GET_FROM_QUERY_SQL with the text in SQL; the host answers
// success with the same text in Data. Against each host the literal client
// and ours take turns in slices of a quarter second, seconds x runs each, and
// the figures are over all the round trips of a case.
//
// The literal client lives here only, as the yardstick: every field access
// creates, waits for, releases and closes the block mutex, and each wait
// polls the state under the mutex once per Sleep(1), exactly as the protocol
// reads. The literal host is the test host's LiteralBlock.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "Peers.h"
#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "karvo_host.h"
#include "link/ProcessState.h"
#include "link/RequestCycle.h"
#include "platform/WindowsSupport.h"

using namespace karvo;
using namespace karvo::bench;

namespace {

// ---- Measuring --------------------------------------------------------------

// The round trips of one case, gathered over its slices.
struct Samples {
  std::vector<double> micros;
  double seconds = 0;
  long failures = 0;
};

void Slice(Client& client, const std::u16string& text, double seconds, Samples& s) {
  client.Begin();
  for (double warm = Now() + 0.02; Now() < warm;) client.RoundTrip(text);
  double start = Now(), end = start + seconds, t = start;
  while (t < end) {
    double t0 = Now();
    if (!client.RoundTrip(text)) ++s.failures;
    t = Now();
    s.micros.push_back((t - t0) * 1e6);
  }
  s.seconds += t - start;
  client.End();
}

double P50(Samples& s) {
  std::sort(s.micros.begin(), s.micros.end());
  return s.micros.empty() ? 0 : s.micros[s.micros.size() / 2];
}

double P99(const Samples& s) {
  return s.micros.empty() ? 0 : s.micros[std::min(s.micros.size() - 1, s.micros.size() * 99 / 100)];
}

constexpr double kSliceSeconds = 0.25;

// Both clients against one host, taking turns in short slices, so that the
// load of the machine weighs on them alike.
void MeasureHost(bool literalHost, bool inProcess, const std::u16string& text, double seconds, Samples& byLiteral,
                 Samples& byOurs) {
  Host host(literalHost, inProcess);
  if (host.Handle().empty()) {
    byLiteral.failures = byOurs.failures = -1;
    return;
  }
  LiteralClient literal(host.Handle());
  OurClient ours(host.Handle());
  int slices = std::max(1, static_cast<int>(seconds / kSliceSeconds + 0.5));
  for (int i = 0; i < slices; ++i) {
    Slice(literal, text, kSliceSeconds, byLiteral);
    Slice(ours, text, kSliceSeconds, byOurs);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "host") == 0) return HostProcess(std::strcmp(argv[2], "literal") == 0, argc >= 4 ? std::atol(argv[3]) : 0);
  double seconds = argc >= 2 ? std::atof(argv[1]) : 2.0;
  int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 1;
  if (seconds <= 0) seconds = 2.0;
  const char* onlyHost = argc >= 4 ? argv[3] : "";
  const char* onlyText = argc >= 5 ? argv[4] : "";
  const std::u16string small = u"SELECT NAZWA FROM KONTRAHENCI";
  const std::u16string big(KARVO_TEXT_UNITS, u'x');  // 32764 bytes each way
  std::printf("request round trip, %.1f s per case in slices of %.2f s; the two clients of a host take turns\n\n",
              seconds * runs, kSliceSeconds);
  const char* names[] = {"literal client, literal host", "our client,     our host    ", "our client,     literal host",
                         "literal client, our host    "};
  for (bool inProcess : {true, false}) {
    if (*onlyHost != 0 && std::strcmp(onlyHost, inProcess ? "thread" : "process") != 0) continue;
    for (const std::u16string* text : {&small, &big}) {
      if (*onlyText != 0 && std::strcmp(onlyText, text == &small ? "short" : "32k") != 0) continue;
      std::printf("host %s, %s text\n", inProcess ? "thread" : "process", text == &small ? "short" : "32 KB");
      Samples cases[4];
      MeasureHost(true, inProcess, *text, seconds * runs, cases[0], cases[2]);
      MeasureHost(false, inProcess, *text, seconds * runs, cases[3], cases[1]);
      double p50[4];
      for (int i = 0; i < 4; ++i) {
        p50[i] = P50(cases[i]);
        double rate = cases[i].seconds > 0 ? cases[i].micros.size() / cases[i].seconds : 0;
        std::printf("  %s  %9.0f req/s  p50 %8.1f us  p99 %8.1f us%s\n", names[i], rate, p50[i], P99(cases[i]),
                    cases[i].failures != 0 ? "  (FAILED ROUND TRIPS)" : "");
      }
      std::printf("  p50 literal/ours: %.1fx   p50 literal/(our client, literal host): %.2fx\n\n", p50[0] / p50[1],
                  p50[0] / p50[2]);
      std::fflush(stdout);
    }
  }
  return 0;
}
