// The request cycle against hosts that answer at once, late, never, that
// die holding the mutex or flip the state byte behind the client's back.
#include <atomic>
#include <string>
#include <thread>

#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "StateFlipper.h"
#include "Support.h"
#include "link/ApiError.h"
#include "messages/Messages.h"

namespace karvo::test {
namespace {

// Sleeps of the client's thread only; the host threads sleep on their own.
// With our host's wake-ups a sleep of the client is a pause of a
// millisecond on an event (the mutex waits are longer).
std::atomic<int> g_sleeps{0};
std::atomic<DWORD> g_client{0};
void WINAPI CountingSleep(DWORD ms) {
  if (::GetCurrentThreadId() == g_client) ++g_sleeps;
  ::Sleep(ms);
}
DWORD WINAPI CountingWait(HANDLE h, DWORD ms) {
  if (ms == 1 && ::GetCurrentThreadId() == g_client) ++g_sleeps;
  return ::WaitForSingleObject(h, ms);
}

Request Query(const std::u16string& sql) { return Request{u"GET_FROM_QUERY_SQL", {SqlField(sql)}}; }

class RequestCycle : public HostedTest {
 protected:
  void SetUp() override {
    HostedTest::SetUp();
    g_sleeps = 0;
    g_client = ::GetCurrentThreadId();
    Sys().Sleep = &CountingSleep;
    Sys().WaitForSingleObject = &CountingWait;
  }
  std::string MutexName() const { return host->ApiHandle() + "MUTEX"; }
};

TEST_F(RequestCycle, SilentHostGives254AfterTheWholeWaitAndTheBlockStaysBusy) {
  host->Always(Answer::Silent());
  Cycle c = RunRequest(Query(u"SELECT 1"));
  EXPECT_EQ(c.Status, CycleStatus::NoReply);
  EXPECT_EQ(LastAPIError(), msg::kNoReply);
  // The first millisecond of yielding stands for one sleep of the count.
  EXPECT_EQ(g_sleeps, WaitLimit());
  EXPECT_NE(State().SharedMem->SharedMemState(), smsFree) << "the request stays in the block";

  g_sleeps = 0;
  c = RunRequest(Query(u"SELECT 2"));
  EXPECT_EQ(c.Status, CycleStatus::BlockBusy);
  EXPECT_EQ(LastAPIError(), msg::kBlockBusy);
  EXPECT_EQ(g_sleeps, WaitLimit());
  ASSERT_EQ(host->RequestCount(), 1u) << "the second request never reached the host";
  EXPECT_EQ(host->Requests()[0].SQL, u"SELECT 1");
}

TEST_F(RequestCycle, HostThatAnswersAfterManyPollsIsWaitedFor) {
  Answer late = Answer::Verdict(true, u"late");
  late.DelayMs = 150;  // half the test wait
  host->Always(late);
  Cycle c = RunRequest(Query(u"SELECT 1"));
  ASSERT_EQ(c.Status, CycleStatus::Replied);
  EXPECT_EQ(c.Reply.Data, u"late");
  EXPECT_GT(g_sleeps, 10);
  EXPECT_LT(g_sleeps, WaitLimit());
  EXPECT_EQ(State().SharedMem->SharedMemState(), smsFree);
}

TEST_F(RequestCycle, NoAllocatedDuringTheWaitEndsItAndTheNextRequestGetsNoService) {
  host->SetHandler([this](const SeenRequest&) {
    host->SetState(smsNoAllocated);
    return Answer::Silent();
  });
  Cycle c = RunRequest(Query(u"SELECT 1"));
  EXPECT_EQ(c.Status, CycleStatus::NoReply);
  EXPECT_LT(g_sleeps, WaitLimit());
  g_sleeps = 0;
  c = RunRequest(Query(u"SELECT 2"));
  EXPECT_EQ(c.Status, CycleStatus::NoService);
  EXPECT_EQ(LastAPIError(), msg::kNoService);
  EXPECT_EQ(g_sleeps, 0) << "no service is known without waiting";
  EXPECT_EQ(host->RequestCount(), 1u);
}

// Someone holds the block mutex far longer than one access may wait.
class MutexHog {
 public:
  explicit MutexHog(const std::string& name, DWORD holdMs) {
    thread_ = std::thread([this, name, holdMs] {
      HANDLE m = ::CreateMutexA(nullptr, FALSE, name.c_str());
      ::WaitForSingleObject(m, INFINITE);
      held_ = true;
      ::Sleep(holdMs);
      ::ReleaseMutex(m);
      ::CloseHandle(m);
    });
    while (!held_) ::Sleep(1);
  }
  ~MutexHog() { thread_.join(); }

 private:
  std::atomic<bool> held_{false};
  std::thread thread_;
};

TEST_F(RequestCycle, MutexThatCannotBeTakenMeansNoServiceBeforeTheRequestAndNoReplyAfter) {
  {
    MutexHog hog(MutexName(), 1500);
    Cycle c = RunRequest(Query(u"SELECT 1"));
    EXPECT_EQ(c.Status, CycleStatus::NoService) << "a free-looking block whose lock times out has no service";
  }
  EXPECT_EQ(host->RequestCount(), 0u);

  host->SetHandler([this](const SeenRequest&) {
    Answer a = Answer::Verdict(true, u"too late");
    a.DelayMs = 100;
    return a;
  });
  std::unique_ptr<MutexHog> hog;
  std::thread grab([&] {
    while (host->RequestCount() == 0) ::Sleep(1);
    hog = std::make_unique<MutexHog>(MutexName(), 1500);
  });
  Cycle c = RunRequest(Query(u"SELECT 2"));
  grab.join();
  hog.reset();
  EXPECT_EQ(c.Status, CycleStatus::NoReply) << "a lock that times out during the wait ends it";
  EXPECT_LT(g_sleeps, WaitLimit());
}

// A host that answers inside the client's own release of the claim, so the
// reply is there at the client's first look; it counts the client's waits.
struct InstantHost {
  static inline std::atomic<int> waits{0};
  static inline std::atomic<bool> answered{false};
  static inline TPluginsSharedMemData* block = nullptr;
  static inline DWORD client = 0;
  static DWORD WINAPI Wait(HANDLE h, DWORD ms) {
    if (::GetCurrentThreadId() == client) ++waits;
    return ::WaitForSingleObject(h, ms);
  }
  static BOOL WINAPI Release(HANDLE h) {
    if (::GetCurrentThreadId() == client && !answered && block->State == smsToProcess) {
      answered = true;
      block->CommandLength = 1;
      block->Command[0] = 1;
      block->Data[0] = u'o';
      block->Data[1] = u'k';
      block->Data[2] = 0;
      block->State = smsWaitForRead;
    }
    return ::ReleaseMutex(h);
  }
};

TEST_F(RequestCycle, FastHostCostsOneHoldToClaimAndOneToReadTheReply) {
  host->Stop();
  InstantHost::waits = 0;
  InstantHost::answered = false;
  InstantHost::block = host->Block();
  InstantHost::client = ::GetCurrentThreadId();
  Sys().WaitForSingleObject = &InstantHost::Wait;
  Sys().ReleaseMutex = &InstantHost::Release;
  Cycle c = RunRequest(Query(u"SELECT 1"));
  ResetSyscalls();
  ASSERT_EQ(c.Status, CycleStatus::Replied);
  EXPECT_EQ(c.Reply.Data, u"ok");
  EXPECT_EQ(InstantHost::waits, 2);
  EXPECT_EQ(g_sleeps, 0);
  EXPECT_EQ(State().SharedMem->SharedMemState(), smsFree);
}

TEST_F(RequestCycle, StateFlippedBehindTheClientsBackIsCaughtUnderTheMutex) {
  for (HostServing serving : {HostServing::Sdk, HostServing::Literal}) {
    UseHost(serving);
    host->SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" answered"); });
    SetWaitLimitForTests(60000);
    StateFlipper flipper(host->ApiHandle());
    // At least 150 requests, and on until the flipper has struck often
    // enough, however busy the machine is.
    const int kRequests = 150, kMostRequests = 3000;
    int sent = 0;
    for (; sent < kMostRequests && (sent < kRequests || flipper.Flips() <= kRequests / 2); ++sent) {
      int i = sent;
      std::u16string sql = u"request " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) +
                           std::u16string(static_cast<std::size_t>(i % 200), u'.');
      Cycle c = RunRequest(Query(sql));
      ASSERT_EQ(c.Status, CycleStatus::Replied) << i;
      ASSERT_TRUE(IsVerdictSuccess(c.Reply)) << i;
      ASSERT_EQ(c.Reply.Data, sql + u" answered") << i;
    }
    EXPECT_GT(flipper.Flips(), kRequests / 2) << "the flipper was busy throughout";
    std::vector<SeenRequest> seen = host->Requests();
    ASSERT_EQ(seen.size(), static_cast<std::size_t>(sent)) << "each request served once";
    for (int i = 0; i < sent; ++i) EXPECT_EQ(seen[i].SQL.size(), 9u + static_cast<std::size_t>(i % 200));
  }
}

TEST_F(RequestCycle, HostThatDiesHoldingTheMutexMidReplyIsRecovered) {
  // The child takes the request, starts the reply and ends holding the mutex.
  host->Stop();
  SetWaitLimitForTests(2000);  // long enough for the child process to start
  std::string cmd = "karvo_test_client.exe --die-serving " + host->ApiHandle();
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  ASSERT_TRUE(::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  Cycle c = RunRequest(Query(u"SELECT 1"));
  EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
  DWORD code = 99;
  ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  ASSERT_EQ(code, 0u) << "the child did not take the request";
  EXPECT_EQ(c.Status, CycleStatus::NoReply) << "a half-written reply is never read";
  EXPECT_EQ(g_sleeps, WaitLimit());

  // A host started again frees the block, as after every 254, and serves.
  host->SetState(smsFree);
  EXPECT_EQ(State().SharedMem->SharedMemState(), smsFree);
  host->Always(Answer::Verdict(true, u"back"));
  host->Start();
  for (int i = 0; i < 3; ++i) {
    c = RunRequest(Query(u"SELECT 2"));
    ASSERT_EQ(c.Status, CycleStatus::Replied);
    EXPECT_EQ(c.Reply.Data, u"back");
  }
}

// A process of the test client that hangs once it has done its part, until
// the test kills it; Held() waits for the event it sets then.
class HangingChild {
 public:
  HangingChild(const std::string& api, const std::string& args) {
    held_ = ::CreateEventA(nullptr, TRUE, FALSE, (api + "HELD").c_str());
    std::string cmd = "karvo_test_client.exe " + args;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    started_ = ::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_) != FALSE;
  }
  ~HangingChild() {
    Kill();
    if (started_) {
      ::CloseHandle(pi_.hProcess);
      ::CloseHandle(pi_.hThread);
    }
    ::CloseHandle(held_);
  }
  bool Held() const { return started_ && ::WaitForSingleObject(held_, 10000) == WAIT_OBJECT_0; }
  void Kill() {
    if (!started_ || killed_) return;
    ::TerminateProcess(pi_.hProcess, 9);
    ::WaitForSingleObject(pi_.hProcess, 10000);
    killed_ = true;
  }

 private:
  HANDLE held_ = nullptr;
  PROCESS_INFORMATION pi_ = {};
  bool started_ = false;
  bool killed_ = false;
};

TEST_F(RequestCycle, HostKilledBetweenTheRequestAndItsReplyGives254Then255UntilTheBlockIsFreed) {
  // Killed once it has set smsProcessing: after releasing the mutex, and
  // while it still holds it (the mutex then is abandoned and taken over).
  for (const char* mode : {"release", "hold"}) {
    host->Stop();
    SetWaitLimitForTests(1500);  // long enough for the child process to start
    HangingChild hung(host->ApiHandle(), "--take-and-hang " + host->ApiHandle() + " " + mode);
    std::thread killer([&] {
      if (hung.Held()) hung.Kill();
    });
    Cycle c = RunRequest(Query(u"SELECT 1"));
    killer.join();
    EXPECT_EQ(c.Status, CycleStatus::NoReply) << mode;
    EXPECT_EQ(LastAPIError(), msg::kNoReply) << mode;
    ASSERT_EQ(host->Block()->State, smsProcessing) << mode << ": the dead host's state stays";

    SetWaitLimitForTests(30);
    for (int i = 0; i < 2; ++i) {
      c = RunRequest(Query(u"SELECT 2"));
      EXPECT_EQ(c.Status, CycleStatus::BlockBusy) << mode;
      EXPECT_EQ(LastAPIError(), msg::kBlockBusy) << mode;
    }
    // A host that comes back frees the block and serves again.
    host->SetState(smsFree);
    host->Always(Answer::Verdict(true, u"back"));
    host->Start();
    c = RunRequest(Query(u"SELECT 3"));
    ASSERT_EQ(c.Status, CycleStatus::Replied) << mode;
    EXPECT_EQ(c.Reply.Data, u"back");
    EXPECT_EQ(host->RequestCount(), 1u) << "the requests of the dead host never reached this one";
    host = std::make_unique<ScriptedHost>();  // a fresh block for the next mode
    State().SharedMem.reset();
    std::string handle = host->ApiHandle();
    State().SharedMem = TPluginsSharedMem::CreateDll(std::u16string(handle.begin(), handle.end()));
  }
}

TEST_F(RequestCycle, ClientKilledHoldingTheMutexLeavesTheBlockToTheOthers) {
  host->Always(Answer::Verdict(true, u"served"));
  HangingChild holder(host->ApiHandle(), "--hold-mutex " + host->ApiHandle());
  ASSERT_TRUE(holder.Held());
  // While it holds the mutex no access goes ahead: a free-looking block
  // whose lock times out has no service, and nothing is written.
  Cycle c = RunRequest(Query(u"SELECT 1"));
  EXPECT_EQ(c.Status, CycleStatus::NoService);
  EXPECT_EQ(host->RequestCount(), 0u);
  holder.Kill();
  for (int i = 0; i < 3; ++i) {
    c = RunRequest(Query(u"SELECT 2"));
    ASSERT_EQ(c.Status, CycleStatus::Replied) << "the abandoned mutex was taken over";
    EXPECT_EQ(c.Reply.Data, u"served");
  }
  EXPECT_EQ(host->RequestCount(), 3u);
}

TEST_F(RequestCycle, WaitForSharedMemStateConfirmsUnderTheMutex) {
  EXPECT_TRUE(WaitForSharedMemState(smsFree));
  EXPECT_EQ(g_sleeps, 0);
  SetWaitLimitForTests(20);
  EXPECT_FALSE(WaitForSharedMemState(smsWaitForRead));
  EXPECT_EQ(g_sleeps, 20);
  host->SetState(smsNoAllocated);
  g_sleeps = 0;
  EXPECT_FALSE(WaitForSharedMemState(smsFree));
  EXPECT_EQ(g_sleeps, 0);
}

}  // namespace
}  // namespace karvo::test
