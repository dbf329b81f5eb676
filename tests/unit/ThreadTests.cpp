// Several threads of one plug-in process on the library's modules: the block
// object's lock, the request cycles one after another, each thread's last
// error and return buffers, the block object replaced under a running
// request, and the host's object model called one call at a time.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "Support.h"
#include "host/ObjectModel.h"
#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "link/ReturnBuffers.h"
#include "link/ThreadState.h"
#include "messages/Messages.h"
#include "uKARVO/Exports.h"

namespace karvo::test {
namespace {

Request Query(const std::u16string& sql) { return Request{u"GET_FROM_QUERY_SQL", {SqlField(sql)}}; }

std::u16string Num(int n) {
  std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

// Runs body(t) on `threads` threads at once, released together.
template <class F>
void OnThreads(int threads, F body) {
  std::atomic<int> ready{0};
  std::vector<std::thread> all;
  for (int t = 0; t < threads; ++t)
    all.emplace_back([&, t] {
      ++ready;
      while (ready < threads) ::SwitchToThread();
      body(t);
    });
  for (std::thread& th : all) th.join();
}

class Threads : public HostedTest {};

TEST_F(Threads, AnotherThreadWaitsForTheBlockLockInsteadOfReadingNoService) {
  // Both threads read the state under the lock until each has run into the
  // other's hold many times; a refused lock would read as smsNoAllocated.
  TPluginsSharedMem& mem = *State().SharedMem;
  std::atomic<int> noService{0}, reads{0};
  std::atomic<bool> done{false};
  OnThreads(2, [&](int t) {
    for (int i = 0; i < 200000 && !(done && i > 2000); ++i) {
      TPluginsSharedMem::Hold h(mem);
      if (!h.Owned()) ++noService;
      if (++reads > 8000) done = true;
      if (t == 0) ::SwitchToThread();  // keeps the hold a while
    }
  });
  EXPECT_EQ(noService, 0);
  // Locks still do not nest on one thread.
  TPluginsSharedMem::Hold outer(mem);
  ASSERT_TRUE(outer.Owned());
  EXPECT_EQ(mem.SharedMemState(), smsNoAllocated) << "a nested lock fails at once";
}

TEST_F(Threads, RequestsOfSeveralThreadsAreServedOneAfterAnother) {
  SetWaitLimitForTests(60000);
  host->SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" answered"); });
  const int kThreads = 4, kEach = 50;
  std::atomic<int> wrong{0};
  OnThreads(kThreads, [&](int t) {
    for (int i = 0; i < kEach; ++i) {
      std::u16string sql = u"thread " + Num(t) + u" request " + Num(i);
      Cycle c = RunRequest(Query(sql));
      if (c.Status != CycleStatus::Replied || c.Reply.Data != sql + u" answered" || HasAPIError()) ++wrong;
    }
  });
  EXPECT_EQ(wrong, 0) << "refused, ended early or answered with another's reply";
  EXPECT_EQ(host->RequestCount(), static_cast<std::size_t>(kThreads * kEach));
  EXPECT_EQ(State().SharedMem->SharedMemState(), smsFree);
}

TEST_F(Threads, AThreadBehindAHungRequestGivesUpAfterItsOwnWait) {
  // The first request is never answered; a second thread waits for its
  // turn no longer than the wait for a free block, then reports 255
  // without writing anything, while the first still gets its 254.
  SetWaitLimitForTests(300);
  std::atomic<bool> firstTaken{false};
  host->SetHandler([&](const SeenRequest&) {
    firstTaken = true;
    return Answer::Silent();
  });
  Cycle first, second;
  std::u16string secondError;
  std::thread a([&] { first = RunRequest(Query(u"hung")); });
  while (!firstTaken) ::Sleep(1);
  std::thread b([&] {
    second = RunRequest(Query(u"behind"));
    secondError = LastAPIError();
  });
  b.join();
  a.join();
  EXPECT_EQ(second.Status, CycleStatus::BlockBusy);
  EXPECT_EQ(secondError, msg::kBlockBusy);
  EXPECT_EQ(first.Status, CycleStatus::NoReply);
  EXPECT_EQ(host->RequestCount(), 1u) << "the waiting thread wrote nothing";
}

TEST_F(Threads, EachThreadHasItsOwnLastErrorAndReturnBuffers) {
  const std::size_t before = ThreadStateCount();
  // Reading an error that was never set makes no state.
  std::thread reader([] { EXPECT_EQ(LastAPIError(), u""); });
  reader.join();
  EXPECT_EQ(ThreadStateCount(), before);

  const int kThreads = 6;
  std::vector<std::u16string> errors(kThreads);
  std::vector<std::string> texts(kThreads);
  std::atomic<int> alive{0};
  OnThreads(kThreads, [&](int t) {
    std::string own = "text of thread " + std::to_string(t);
    std::string longOwn(70000, static_cast<char>('a' + t));
    const char* shortText = TextToPlain(std::u16string(own.begin(), own.end()));
    const char* longText = ReturnPChar(longOwn);
    if (t % 2 == 0) SetAPIErrorText(u"error of thread " + Num(t));
    ++alive;
    // Every thread holds its results while all the others make theirs.
    while (alive < kThreads) ::SwitchToThread();
    errors[static_cast<std::size_t>(t)] = LastAPIError();
    texts[static_cast<std::size_t>(t)] = shortText;
    if (std::string(longText) != longOwn) texts[static_cast<std::size_t>(t)] += " (long text changed)";
    ReleaseThreadState();  // as the thread detach does
  });
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(errors[static_cast<std::size_t>(t)], t % 2 == 0 ? u"error of thread " + Num(t) : u"") << t;
    EXPECT_EQ(texts[static_cast<std::size_t>(t)], "text of thread " + std::to_string(t)) << t;
  }
  EXPECT_EQ(ThreadStateCount(), before) << "each thread's state went with it";
}

TEST_F(Threads, ReleasingAllStatesLeavesNoThreadWithAStaleOne) {
  // A thread that lives on across an unload finds no state of the old load.
  std::atomic<int> step{0};
  std::u16string afterwards = u"unset";
  std::thread t([&] {
    SetAPIErrorText(u"before the unload");
    step = 1;
    while (step != 2) ::SwitchToThread();
    afterwards = LastAPIError();
  });
  while (step != 1) ::SwitchToThread();
  ReleaseAllThreadStates();
  SetAPIErrorText(u"the new load");  // takes a slot again
  step = 2;
  t.join();
  EXPECT_EQ(afterwards, u"");
  EXPECT_EQ(LastAPIError(), u"the new load");
}

TEST_F(Threads, ABlockObjectReplacedByOpenAPILivesUntilTheRequestOnItEnds) {
  // A request runs on the object of the first attach while another thread
  // attaches to another host's block (a failed attempt leaves the library
  // not open, so OpenAPI may attach again).
  std::atomic<bool> inside{false}, replaced{false};
  host->SetHandler([&](const SeenRequest& r) {
    inside = true;
    while (!replaced) ::Sleep(1);
    return Answer::Verdict(true, r.SQL + u" from the first host");
  });
  ScriptedHost second;
  second.SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" from the second host"); });
  SetWaitLimitForTests(60000);
  Cycle c;
  std::thread requester([&] { c = RunRequest(Query(u"old")); });
  while (!inside) ::Sleep(1);
  State().APIInitialized = false;
  EXPECT_EQ(::OpenAPI(second.ApiHandle().c_str()), 1);
  replaced = true;
  requester.join();
  ASSERT_EQ(c.Status, CycleStatus::Replied);
  EXPECT_EQ(c.Reply.Data, u"old from the first host");
  EXPECT_EQ(RunRequest(Query(u"new")).Reply.Data, u"new from the second host");
}

// A model whose every operation notes how many calls are inside at once.
struct CountingModel {
  static inline std::atomic<int> inside{0}, most{0}, calls{0};
  static inline std::atomic<bool> hold{false}, holding{false};
  static int KARVO_HOST_CALL ClassName(void*, KarvoHandle, KarvoTextOut* out) {
    int now = ++inside;
    for (int m = most; now > m && !most.compare_exchange_weak(m, now);) {
    }
    holding = hold.load();
    while (hold) ::Sleep(1);
    for (int i = 0; i < 3; ++i) ::SwitchToThread();
    static const unsigned short name[] = {'T', 'X'};
    out->Put(out, name, 2);
    ++calls;
    --inside;
    return KARVO_OM_DONE;
  }
  static KarvoObjectModel Table() {
    KarvoObjectModel t{};
    t.Size = sizeof t;
    t.Version = KARVO_OBJECT_MODEL_VERSION;
    t.ClassName = &ClassName;
    return t;
  }
};

TEST(ObjectModelThreads, CallsComeOneAtATimeAndAReplacedTableIsNoLongerInUse) {
  KarvoObjectModel table = CountingModel::Table();
  ASSERT_TRUE(host::InstallObjectModel(&table));
  CountingModel::most = 0;
  CountingModel::calls = 0;
  std::atomic<int> wrong{0};
  OnThreads(4, [&](int) {
    for (int i = 0; i < 300; ++i)
      if (host::Object(0x10).ClassName() != u"TX") ++wrong;
  });
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(CountingModel::calls, 1200);
  EXPECT_EQ(CountingModel::most, 1) << "two calls of the host's model ran at once";

  // Uninstalling waits for the call in progress: once it returns, the old
  // table and its context may go.
  CountingModel::hold = true;
  CountingModel::holding = false;
  std::thread caller([] { host::Object(0x10).ClassName(); });
  while (!CountingModel::holding) ::Sleep(1);
  std::atomic<bool> uninstalled{false};
  std::thread remover([&] {
    host::InstallObjectModel(nullptr);
    uninstalled = true;
  });
  for (int i = 0; i < 200 && !uninstalled; ++i) ::Sleep(1);
  const bool early = uninstalled;
  CountingModel::hold = false;
  caller.join();
  remover.join();
  EXPECT_FALSE(early) << "the table went while a call through it was running";
  EXPECT_EQ(host::InstalledModel(), nullptr);
  EXPECT_FALSE(host::Object(0x10).ClassName().has_value());
}

}  // namespace
}  // namespace karvo::test
