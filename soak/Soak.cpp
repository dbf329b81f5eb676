// The soak: every export in a loop against the in-thread host, printing the
// process's handle count and private bytes as it goes, to show them flat.
// `karvo_soak [--rounds N] [--every N] [--threads N] [--thread-calls N]
// [--thread-every N] [--check]`: a round calls every export once (the calls
// of the fault loops, each with its release); every --thread-every rounds
// (1) it also runs the thread mix on --threads threads (8, 0 for none) of
// --thread-calls calls each (16), a reply left unread that the host sets
// free, and a host that draws past a squatted name (ThreadedRounds.h).
// `--method-pairs N` runs the case of MethodPairSoak.h instead.
// --check fails when a call stops giving its first result, when a thread
// sees a code or text not its own, when a case of the threaded rounds fails,
// or when handles or private bytes grow past a small margin after the first
// tenth.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ExportCalls.h"
#include "MethodPairSoak.h"
#include "ProcessUsage.h"
#include "ThreadedRounds.h"
#include "conversions/VariantText.h"
#include "host/ObjectModel.h"
#include "link/ProcessState.h"
#include "link/WaitPauses.h"
#include "platform/Syscalls.h"
#include "uKARVO/Exports.h"

using namespace karvo;
using namespace karvo::test;

namespace {

InlineHost* g_host = nullptr;

// The host answers in the time of one poll; the soak measures what the
// library keeps, not how long it sleeps.
void WINAPI ServeInsteadOfSleeping(DWORD) { g_host->Serve(); }

// The host's wake-up events make the client pause on them instead of
// sleeping; a pause is where it serves too, then looks whether it was woken.
// The mutex's waits are longer than any pause and stay real.
DWORD WINAPI ServeInsteadOfPausing(HANDLE h, DWORD ms) {
  if (ms > kLongPauseMs) return ::WaitForSingleObject(h, ms);
  g_host->Serve();
  return ::WaitForSingleObject(h, 0);
}

struct Usage {
  unsigned long handles = 0;
  std::size_t privateBytes = 0;
};

Usage Measure() { return {HandleCount(), PrivateBytes()}; }

}  // namespace

int main(int argc, char** argv) {
  long rounds = 100000, every = 0, threads = 8, threadCalls = 16, threadEvery = 1, methodPairs = 0;
  bool check = false;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
      rounds = std::atol(argv[++i]);
    else if (!std::strcmp(argv[i], "--every") && i + 1 < argc)
      every = std::atol(argv[++i]);
    else if (!std::strcmp(argv[i], "--method-pairs") && i + 1 < argc)
      methodPairs = std::atol(argv[++i]);
    else if (!std::strcmp(argv[i], "--threads") && i + 1 < argc)
      threads = std::atol(argv[++i]);
    else if (!std::strcmp(argv[i], "--thread-calls") && i + 1 < argc)
      threadCalls = std::atol(argv[++i]);
    else if (!std::strcmp(argv[i], "--thread-every") && i + 1 < argc)
      threadEvery = std::atol(argv[++i]);
    else if (!std::strcmp(argv[i], "--check"))
      check = true;
  }
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  if (methodPairs > 0) return SoakMethodPairs(methodPairs, every, check);
  if (rounds < 10) rounds = 10;
  if (every <= 0) every = rounds / 20 > 0 ? rounds / 20 : 1;

  if (FAILED(::CoInitialize(nullptr))) return 2;
  ResetProcessState();
  ReadRegionalSettings();
  InlineHost host;
  if (host.ApiHandle().empty()) return 2;
  g_host = &host;
  Sys().Sleep = &ServeInsteadOfSleeping;
  Sys().WaitForSingleObject = &ServeInsteadOfPausing;
  Env env(host);
  std::unique_ptr<ThreadedRounds> threaded;
  if (threads > 0) {
    threaded = std::make_unique<ThreadedRounds>(static_cast<int>(threads), threadCalls);
    if (!threaded->Ready()) return 2;
  }
  if (threadEvery <= 0) threadEvery = 1;

  std::vector<const Scenario*> calls;
  std::vector<ExportFamily> families = ExportFamilies();
  for (const ExportFamily& f : families)
    for (const Scenario& s : f.scenarios) calls.push_back(&s);
  std::vector<Outcome> first(calls.size());
  long mismatches = 0;

  const long warmup = rounds / 10 > 0 ? rounds / 10 : 1;
  Usage start = Measure(), base{};
  std::vector<std::size_t> earlyBytes, lateBytes;  // the second tenth, the last tenth
  DWORD t0 = ::GetTickCount();
  std::printf("soak: %ld rounds of %zu calls; handles %lu, private bytes %lu at the start\n", rounds, calls.size(),
              static_cast<unsigned long>(start.handles), static_cast<unsigned long>(start.privateBytes));
  for (long round = 1; round <= rounds; ++round) {
    for (std::size_t i = 0; i < calls.size(); ++i) {
      // Opening the API attaches anew every round; the rest runs attached.
      if (!calls[i]->attached) State().APIInitialized = false;
      Outcome o = CallOnce(*calls[i], env);
      if (round == 1) {
        first[i] = o;
      } else if (o.value != first[i].value || o.error != first[i].error) {
        if (++mismatches <= 10)
          std::printf("soak: round %ld, %s gave %s instead of %s\n", round, calls[i]->name.c_str(), o.value.c_str(),
                      first[i].value.c_str());
      }
    }
    if (threaded && round % threadEvery == 0) threaded->Run(round);
    if (round == warmup) base = Measure();
    if (round > warmup && round <= 2 * warmup) earlyBytes.push_back(PrivateBytes());
    if (round > rounds - warmup) lateBytes.push_back(PrivateBytes());
    if (round % every == 0 || round == rounds) {
      Usage u = Measure();
      double seconds = (::GetTickCount() - t0) / 1000.0;
      std::printf("soak: round %7ld  handles %5lu  private bytes %9lu  %8.0f calls/s", round,
                  static_cast<unsigned long>(u.handles), static_cast<unsigned long>(u.privateBytes),
                  seconds > 0 ? round * calls.size() / seconds : 0.0);
      if (threaded) {
        const MixTally& m = threaded->Mix();
        std::printf(
            "  threaded rounds %ld: %ld calls, %ld spurious, %ld foreign, %ld torn, %ld changed; %ld unread "
            "replies freed, %ld squatted names passed",
            threaded->Rounds(), m.calls.load(), m.spurious.load(), m.foreign.load(), m.torn.load(), m.changed.load(),
            threaded->UnreadFreed(), threaded->SquatsPassed());
      }
      std::printf("\n");
    }
  }
  Usage end = Measure();
  const bool threadedClean = !threaded || threaded->Clean();
  threaded.reset();
  host::InstallObjectModel(nullptr);
  ResetProcessState();
  Sys().Sleep = ::Sleep;
  Sys().WaitForSingleObject = ::WaitForSingleObject;
  ::CoUninitialize();

  // After the first tenth every cache is warm: from there the counts stay.
  const long handleGrowth = static_cast<long>(end.handles) - static_cast<long>(base.handles);
  // Private bytes read each round swing by megabytes: now and then the heaps
  // give back memory they hold free. The highest reading of a tenth is where
  // the heaps stand, and a leak moves it, as it moves every reading.
  auto lowest = [](const std::vector<std::size_t>& v) { return v.empty() ? 0 : *std::min_element(v.begin(), v.end()); };
  auto highest = [](const std::vector<std::size_t>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); };
  const std::size_t early = highest(earlyBytes), late = highest(lateBytes);
  const long long byteGrowth = static_cast<long long>(late) - static_cast<long long>(early);
  const long long byteMargin = 1024 * 1024 + static_cast<long long>(early) / 50;
  std::printf(
      "soak: after round %ld: %+ld handles; private bytes, the highest of the last tenth over the highest of the "
      "second: %+lld (%zu over %zu, the lowest %zu and %zu; margin 4 handles, %lld bytes); %ld calls differed\n",
      warmup, handleGrowth, byteGrowth, late, early, lowest(lateBytes), lowest(earlyBytes), byteMargin, mismatches);
  if (!check) return 0;
  bool ok = handleGrowth <= 4 && byteGrowth <= byteMargin && mismatches == 0 && threadedClean;
  if (!threadedClean) std::printf("soak: a threaded round saw what it should not\n");
  std::printf("soak: %s\n", ok ? "flat" : "GROWING OR DIFFERING");
  return ok ? 0 : 1;
}
