// KARVO.DLL called from several threads of one plug-in at once: requests,
// delimited fields, call documents and host objects, with short and 70 KB
// results. Every thread checks each answer against what it asked for and
// each text result again after a call of its own that returns no text.
// KARVO_THREAD_SECONDS sets how long the threads run (the test command runs
// a few seconds; the target threads_long twenty).
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Plugin.h"
#include "ProcessUsage.h"
#include "ScriptedHost.h"
#include "TestObjectModel.h"
#include "ThreadMix.h"

namespace karvo::test {
namespace {

constexpr int kThreads = 8;

int Seconds(int usual) {
  char v[16] = {};
  DWORD n = ::GetEnvironmentVariableA("KARVO_THREAD_SECONDS", v, sizeof v);
  int want = n > 0 && n < sizeof v ? std::atoi(v) : 0;
  return want > 0 ? want : usual;
}

class Threads : public ::testing::Test {
 protected:
  void SetUp() override {
    host.SetHandler(&MixAnswer);
    AddMixObjects(model, kThreads);
    ASSERT_EQ(KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str()), 1);
    ASSERT_EQ(KARVO_FN(p, KarvoInstallObjectModel)(const_cast<KarvoObjectModel*>(model.Table())), 1);
  }
  void TearDown() override { KARVO_FN(p, KarvoInstallObjectModel)(nullptr); }

  MixExports Exports() const {
    return {KARVO_FN(p, ExecuteSQL),      KARVO_FN(p, GetFromQuerySQL),  KARVO_FN(p, GetFromQuerySQLW),
            KARVO_FN(p, GetLastAPIError), KARVO_FN(p, GetLastAPIErrorW), KARVO_FN(p, CSVGetFieldCount),
            KARVO_FN(p, CSVGetField),     KARVO_FN(p, CSVSetField),      KARVO_FN(p, XMLGetProcName),
            KARVO_FN(p, GetProperty),     KARVO_FN(p, SetProperty),      KARVO_FN(p, GetPropertyStr)};
  }

  ScriptedHost host;
  TestObjectModel model;
  Plugin p;
};

bool HeapsIntact() {
  HANDLE heaps[256];
  DWORD n = ::GetProcessHeaps(256, heaps);
  for (DWORD i = 0; i < n && i < 256; ++i)
    if (!::HeapValidate(heaps[i], 0, nullptr)) return false;
  return true;
}

TEST_F(Threads, EightThreadsOfMixedExportsEachSeeOnlyTheirOwnResults) {
  const int seconds = Seconds(3);
  const MixExports x = Exports();
  MixTally tally;
  const DWORD until = ::GetTickCount() + static_cast<DWORD>(seconds) * 1000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      ::CoInitialize(nullptr);
      RunMix(x, t, kThreads, until, 64, tally);
      ::CoUninitialize();
    });
  for (std::thread& th : threads) th.join();
  const bool heaps = HeapsIntact();
  std::printf(
      "[ threads  ] %d threads, %d s: %ld calls, %ld spurious codes, %ld foreign texts, %ld torn texts, "
      "%ld texts changed by another call, heaps %s, %zu requests served\n",
      kThreads, seconds, tally.calls.load(), tally.spurious.load(), tally.foreign.load(), tally.torn.load(),
      tally.changed.load(), heaps ? "intact" : "CORRUPT", host.RequestCount());
  EXPECT_TRUE(tally.Clean());
  EXPECT_TRUE(heaps);
  // The channel serves as before.
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("after 2", 0), 1);
  EXPECT_EQ(KARVO_FN(p, GetLastAPIError)(), nullptr);
  EXPECT_EQ(host.Block()->State, KARVO_smsFree);
}

TEST_F(Threads, AThreadsStateGoesWithTheThread) {
  // Threads that come and go, each with a long and a short text and an
  // error: after the first rounds the process keeps no more memory.
  auto round = [&] {
    std::vector<std::thread> threads;
    for (int t = 0; t < 32; ++t)
      threads.emplace_back([&, t] {
        std::string line = "a;" + std::string(70000, 'x') + ";c";
        KARVO_FN(p, CSVGetField)(line.c_str(), 2, ';');
        KARVO_FN(p, CSVGetField)(line.c_str(), 3, ';');
        KARVO_FN(p, CSVSetField)("X", "a", 50 + t, ';');
      });
    for (std::thread& th : threads) th.join();
  };
  round();
  round();
  const std::size_t base = PrivateBytes();
  for (int i = 0; i < 6; ++i) round();
  const long long growth = static_cast<long long>(PrivateBytes()) - static_cast<long long>(base);
  std::printf("[ threads  ] 6 rounds of 32 threads: %+lld private bytes\n", growth);
  // Kept states would hold over 4 MB a round.
  EXPECT_LT(growth, 4 * 1024 * 1024);
}

TEST(ThreadsAcrossLoads, AThreadThatOutlivesAnUnloadFindsNothingOfIt) {
  // The thread's state of the first load goes with that load; the next load
  // of the library must not find it in the thread's slot.
  std::atomic<int> step{0};
  std::u16string before, after;
  auto first = std::make_unique<Plugin>();
  std::unique_ptr<Plugin> second;
  std::thread t([&] {
    KARVO_FN(*first, CSVSetField)("X", "a", 9, ';');
    before = first->LastError();
    step = 1;
    while (step != 2) ::Sleep(1);
    after = second->LastError();
  });
  while (step != 1) ::Sleep(1);
  first.reset();
  ASSERT_EQ(::GetModuleHandleA("KARVO.DLL"), nullptr) << "the library stayed loaded";
  second = std::make_unique<Plugin>();
  step = 2;
  t.join();
  EXPECT_EQ(before, u"Nie można ustawić pola nr: 9 !");
  EXPECT_EQ(after, u"");
}

}  // namespace
}  // namespace karvo::test
