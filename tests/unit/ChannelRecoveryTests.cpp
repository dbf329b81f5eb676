// A reply that nobody reads never blocks the channel, and a client never
// takes a reply that answers another request: the request tag in the
// block's reserved word, and the host SDK setting free a reply left unread.
#include <atomic>
#include <string>
#include <thread>

#include "LiteralBlock.h"
#include "PluginsSharedMem/YieldingSpin.h"
#include "Support.h"
#include "link/ApiError.h"
#include "messages/Messages.h"

namespace karvo::test {
namespace {

Request Query(const std::u16string& sql) { return Request{u"GET_FROM_QUERY_SQL", {SqlField(sql)}}; }

// A client thread that stops dead in its next sleep while frozen, as a
// client descheduled for seconds on a loaded machine would.
std::atomic<bool> g_freeze{false}, g_frozen{false};
void WINAPI FreezableSleep(DWORD ms) {
  if (g_freeze) {
    g_frozen = true;
    while (g_freeze) ::Sleep(1);
  }
  ::Sleep(ms);
}
// The same for the client's pauses on our host's wake-up events (the mutex
// waits are longer), on the slow client's thread only: the host pauses too.
std::atomic<DWORD> g_slowClient{0};
DWORD WINAPI FreezableWait(HANDLE h, DWORD ms) {
  if (ms == 1 && ::GetCurrentThreadId() == g_slowClient && g_freeze) {
    g_frozen = true;
    while (g_freeze) ::Sleep(1);
  }
  return ::WaitForSingleObject(h, ms);
}

template <class Pred>
bool Within(DWORD ms, Pred done) {
  for (DWORD start = ::GetTickCount(); !done(); ::Sleep(1))
    if (::GetTickCount() - start > ms) return false;
  return true;
}

class ChannelRecovery : public HostedTest {
 protected:
  void TearDown() override {
    g_freeze = false;
    SetSpinForTests(YieldingSpin::kSpinMicros);
    HostedTest::TearDown();
  }
};

TEST_F(ChannelRecovery, RequestsCarryTheNextTagAndBothKindsOfHostLeaveIt) {
  for (HostServing serving : {HostServing::Sdk, HostServing::Literal}) {
    UseHost(serving);
    host->SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL); });
    host->Block()->Reserved = 0xFFFE;
    for (unsigned short expected : {0xFFFF, 1, 2}) {
      Cycle c = RunRequest(Query(u"tagged"));
      ASSERT_EQ(c.Status, CycleStatus::Replied);
      EXPECT_EQ(host->Block()->Reserved, expected) << "0 is never a tag";
    }
    // A host that clears the word says nothing about whose reply it is: the
    // reply is taken as before.
    host->SetHandler([this](const SeenRequest& r) {
      host->Block()->Reserved = 0;
      return Answer::Verdict(true, r.SQL + u" from a clearing host");
    });
    Cycle c = RunRequest(Query(u"cleared"));
    ASSERT_EQ(c.Status, CycleStatus::Replied);
    EXPECT_EQ(c.Reply.Data, u"cleared from a clearing host");
  }
}

TEST_F(ChannelRecovery, AReplyLeftUnreadIsSetFreeAfterTheBoundAndTheOthersAreServed) {
  UseHost(HostServing::Sdk);
  host->SetUnreadReplyLimit(200);
  std::atomic<bool> gaveUp{false};
  host->SetHandler([&](const SeenRequest& r) {
    if (r.SQL == u"given up")
      while (!gaveUp) ::Sleep(1);  // the answer comes after the client left
    return Answer::Verdict(true, r.SQL + u" answered");
  });
  SetWaitLimitForTests(20);
  Cycle c = RunRequest(Query(u"given up"));
  gaveUp = true;
  ASSERT_EQ(c.Status, CycleStatus::NoReply);
  ASSERT_TRUE(Within(10000, [&] { return host->Block()->State == smsWaitForRead; }));

  // Without the host's help every later request would wait for a free
  // block in vain and get 255.
  SetWaitLimitForTests(10000);
  c = RunRequest(Query(u"next"));
  ASSERT_EQ(c.Status, CycleStatus::Replied);
  EXPECT_EQ(c.Reply.Data, u"next answered");
  EXPECT_EQ(host->UnreadRepliesFreed(), 1u);
  EXPECT_EQ(State().SharedMem->SharedMemState(), smsFree);
}

TEST_F(ChannelRecovery, ASlowClientNeverTakesTheReplyToALaterRequest) {
  // Our client writes its request and freezes in its wait; the host
  // answers, the reply stays unread past the bound and is set free; a
  // literal client claims the block and is answered. The slow client then
  // wakes up to a reply in the block: not its own.
  UseHost(HostServing::Sdk);
  host->SetUnreadReplyLimit(100);
  host->SetHandler([](const SeenRequest& r) {
    if (r.SQL == u"slow")
      while (!g_frozen) ::Sleep(1);
    return Answer::Verdict(true, r.SQL + u" answered");
  });
  SetWaitLimitForTests(60000);
  SetSpinForTests(0);
  Sys().Sleep = &FreezableSleep;
  Sys().WaitForSingleObject = &FreezableWait;
  g_frozen = false;
  g_freeze = true;
  Cycle slow;
  std::u16string slowError;
  struct Client {
    std::thread thread;
    ~Client() {
      g_freeze = false;  // also when the test ends early
      if (thread.joinable()) thread.join();
    }
  } client{std::thread([&] {
    g_slowClient = ::GetCurrentThreadId();
    slow = RunRequest(Query(u"slow"));
    slowError = LastAPIError();
  })};
  ASSERT_TRUE(Within(20000, [&] { return host->UnreadRepliesFreed() == 1; }));

  const std::string api = host->ApiHandle();
  LiteralBlock other(std::u16string(api.begin(), api.end()));
  ASSERT_TRUE(other.WaitForState(smsFree, 10000));
  other.SetCommand("GET_FROM_QUERY_SQL");
  other.SetSQL(u"other");
  other.SetState(smsToProcess);
  ASSERT_TRUE(other.WaitForState(smsWaitForRead, 10000));

  g_freeze = false;
  client.thread.join();
  EXPECT_EQ(slow.Status, CycleStatus::NoReply);
  EXPECT_EQ(slowError, msg::kNoReply);
  EXPECT_EQ(other.State(), smsWaitForRead) << "the slow client set free a request not its own";
  EXPECT_EQ(other.Data(), u"other answered");
  other.SetState(smsFree);
  EXPECT_EQ(RunRequest(Query(u"after")).Reply.Data, u"after answered");
}

}  // namespace
}  // namespace karvo::test
