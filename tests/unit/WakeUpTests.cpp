// Wake-ups beside the block: a signal only ends a pause early, so lost and
// doubled signals never lose, mix or doubly serve a request; events that
// are missing, of another type or made by another program leave both sides
// polling; events without a live host leave the usual 254.
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "LiteralBlock.h"
#include "PluginsSharedMem/ApiHandleNames.h"
#include "PluginsSharedMem/BlockSignals.h"
#include "Support.h"
#include "link/ApiError.h"
#include "link/WaitPauses.h"
#include "messages/Messages.h"

namespace karvo::test {
namespace {

Request Query(const std::u16string& sql) { return Request{u"GET_FROM_QUERY_SQL", {SqlField(sql)}}; }

std::u16string Text(int client, int i) {
  return u"client " + std::u16string(1, static_cast<char16_t>(u'A' + client)) + u" request " +
         std::u16string(static_cast<std::size_t>(i % 97), u'.') + u"|" +
         std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + std::u16string(1, static_cast<char16_t>(0x100 + i));
}

// Every third signal is lost, every third doubled, whichever side sends it.
std::atomic<int> g_signals{0}, g_lost{0}, g_doubled{0};
BOOL WINAPI FlakySetEvent(HANDLE h) {
  switch (g_signals++ % 3) {
    case 0: ++g_lost; return TRUE;
    case 1:
      ++g_doubled;
      ::SetEvent(h);
      return ::SetEvent(h);
    default: return ::SetEvent(h);
  }
}

BOOL WINAPI CountingSetEvent(HANDLE h) {
  ++g_signals;
  return ::SetEvent(h);
}

class WakeUps : public HostedTest {};

// Waits of the client's thread by their timeout: looks that do not wait,
// short and long pauses, and pauses begun while the host was not yet known
// to signal.
std::atomic<DWORD> g_client{0};
std::atomic<int> g_looks{0}, g_shortPauses{0}, g_longPauses{0}, g_unheardPauses{0};
DWORD WINAPI TallyingWait(HANDLE h, DWORD ms) {
  if (::GetCurrentThreadId() == g_client) {
    if (ms == 0) ++g_looks;
    if (ms == 1) ++g_shortPauses;
    if (ms == kLongPauseMs) ++g_longPauses;
    if ((ms == 1 || ms == kLongPauseMs) && !State().SharedMem->Signals().Heard()) ++g_unheardPauses;
  }
  return ::WaitForSingleObject(h, ms);
}

TEST_F(WakeUps, OurHostAndOurLibraryFindEachOthersEvents) {
  EXPECT_TRUE(State().SharedMem->Signals().Present());
  host->SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" answered"); });
  Cycle c = RunRequest(Query(u"SELECT 1"));
  ASSERT_EQ(c.Status, CycleStatus::Replied);
  EXPECT_EQ(c.Reply.Data, u"SELECT 1 answered");
  EXPECT_EQ(State().SharedMem->SharedMemState(), smsFree);
}

// Whether the named event is set, without waiting; an auto-reset one is
// cleared by the look.
bool IsSet(const std::u16string& name) {
  HANDLE e = ::OpenEventW(SYNCHRONIZE, FALSE, AsWide(name));
  if (e == nullptr) return false;
  bool set = ::WaitForSingleObject(e, 0) == WAIT_OBJECT_0;
  ::CloseHandle(e);
  return set;
}

// A host's signals and a client's, made and opened under one name.
class WakeWords : public ::testing::Test {
 protected:
  const std::u16string api =
      u"KARVO_1.3_wakewords_" + std::u16string(1, static_cast<char16_t>(u'A' + ::GetCurrentProcessId() % 26));
  BlockSignals host = BlockSignals::Make(api);
  BlockSignals client = BlockSignals::Open(api);
};

TEST_F(WakeWords, AnEventIsRaisedOnlyWhileSomebodyPausesOnIt) {
  ASSERT_TRUE(host.Present());
  ASSERT_TRUE(client.Present());
  for (Wake w : {Wake::Request, Wake::Reply, Wake::Free}) {
    SCOPED_TRACE(static_cast<int>(w));
    BlockSignals& raiser = w == Wake::Request ? client : host;
    BlockSignals& waiter = w == Wake::Request ? host : client;
    raiser.Raise(w);
    EXPECT_FALSE(IsSet(BlockSignals::Name(api, w))) << "raised with nobody pausing";
    {
      BlockSignals::Waiting one(waiter, w), two(waiter, w);
      raiser.Raise(w);
      EXPECT_TRUE(IsSet(BlockSignals::Name(api, w))) << "not raised for a pause";
    }
    raiser.Raise(w);
    EXPECT_FALSE(IsSet(BlockSignals::Name(api, w))) << "a pause still counted after it ended";
  }
}

TEST_F(WakeWords, OurHostTellsARequestMarkedByOurClientOnceAndOnlyByItsTag) {
  ASSERT_TRUE(client.Present());
  client.MarkRequest(7);
  EXPECT_FALSE(host.TakeMark(8)) << "another request's mark";
  client.MarkRequest(7);
  EXPECT_TRUE(host.TakeMark(7));
  EXPECT_FALSE(host.TakeMark(7)) << "a literal client's request after ours, under the tag it left";
  client.MarkRequest(0);
  EXPECT_TRUE(host.TakeMark(0));
  BlockSignals none;
  none.MarkRequest(3);
  EXPECT_FALSE(none.TakeMark(3));
}

TEST_F(WakeUps, LostAndDoubledWakeUpsNeverLoseMixOrDoublyServeARequest) {
  SetWaitLimitForTests(60000);
  host->KeepRequests(true);
  // Every third answer takes a while, so that clients pause on the events
  // (a side signals only while the other pauses).
  std::atomic<int> answers{0};
  host->SetHandler([&answers](const SeenRequest& r) {
    Answer a = Answer::Verdict(true, r.SQL + u" answered");
    if (answers++ % 3 == 0) a.DelayMs = 3;
    return a;
  });
  g_signals = g_lost = g_doubled = 0;
  Sys().SetEvent = &FlakySetEvent;
  const int kClients = 3, kEach = 150;
  std::atomic<int> wrong{0};
  std::vector<std::thread> clients;
  for (int k = 0; k < kClients; ++k)
    clients.emplace_back([&, k] {
      for (int i = 0; i < kEach; ++i) {
        Cycle c = RunRequest(Query(Text(k, i)));
        if (c.Status != CycleStatus::Replied || c.Reply.Data != Text(k, i) + u" answered") ++wrong;
      }
    });
  for (std::thread& t : clients) t.join();
  ResetSyscalls();
  EXPECT_EQ(wrong, 0) << "a request failed or took another's reply";
  EXPECT_GT(g_lost, 50) << "the wake-ups were not exercised";
  EXPECT_GT(g_doubled, 50);
  std::vector<SeenRequest> seen = host->Requests();
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(kClients * kEach)) << "a request lost or served twice";
  std::set<std::u16string> distinct;
  for (const SeenRequest& r : seen) distinct.insert(r.SQL);
  EXPECT_EQ(distinct.size(), seen.size()) << "a request served twice";
}

TEST_F(WakeUps, OnceTheHostIsKnownToSignalPausesGrowAndCountAsTheSleepsTheyStandFor) {
  ResetPausesForTests();
  g_client = ::GetCurrentThreadId();
  g_looks = g_shortPauses = g_longPauses = g_unheardPauses = 0;
  Sys().WaitForSingleObject = &TallyingWait;
  // A reply after a while: until the host is heard the wait looks at the
  // event and sleeps (the timer is learnt), so a host that never signals
  // costs nothing; a look finds the host's signal. A signal that comes after
  // a poll found the reply is found by the next request's first look, and
  // that request may already pause long.
  host->Always([] {
    Answer a = Answer::Verdict(true, u"late");
    a.DelayMs = 30;
    return a;
  }());
  // (A poll may find the reply a moment before its signal: then again.)
  for (int i = 0; i < 5 && !State().SharedMem->Signals().Heard(); ++i)
    ASSERT_EQ(RunRequest(Query(u"first")).Status, CycleStatus::Replied);
  EXPECT_GT(g_looks, 0);
  EXPECT_EQ(g_unheardPauses, 0) << "pauses on the event before the host was heard";
  ASSERT_TRUE(State().SharedMem->Signals().Heard());

  // Now a host that never answers: the wait pauses long, and still ends
  // at its limit because each pause counts the sleeps it lasted.
  host->Always(Answer::Silent());
  SetWaitLimitForTests(400);
  g_shortPauses = 0;
  Cycle c = RunRequest(Query(u"second"));
  EXPECT_EQ(c.Status, CycleStatus::NoReply);
  EXPECT_GT(g_longPauses, 0);
  EXPECT_LT(g_longPauses, 400) << "each long pause counted as one sleep";
  EXPECT_EQ(g_shortPauses, 0);
  ResetSyscalls();
}

TEST_F(WakeUps, AClientThatNeverSignalsIsServedByOurHost) {
  // A literal client, or ours dying between writing smsToProcess and
  // signalling: the host finds the request at its next look.
  host->SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" answered"); });
  const std::string api = host->ApiHandle();
  LiteralBlock literal(std::u16string(api.begin(), api.end()));
  ASSERT_TRUE(literal.Attached());
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(literal.WaitForState(smsFree, 10000));
    literal.SetCommand("GET_FROM_QUERY_SQL");
    literal.SetSQL(u"quiet");
    literal.SetState(smsToProcess);
    ASSERT_TRUE(literal.WaitForState(smsWaitForRead, 10000)) << "round " << i;
    EXPECT_EQ(literal.Data(), u"quiet answered");
    literal.SetState(smsFree);
    // Long enough for the host to count as idle and space its looks out.
    ::Sleep(i * 400);
  }
}

// The host's pauses by their timeout, other threads than the client's.
std::atomic<int> g_hostLooks{0}, g_hostShortPauses{0};
DWORD WINAPI HostTallyingWait(HANDLE h, DWORD ms) {
  if (::GetCurrentThreadId() != g_client) {
    if (ms == 0) ++g_hostLooks;
    if (ms == 1) ++g_hostShortPauses;
  }
  return ::WaitForSingleObject(h, ms);
}

// Counts the host's next few pauses, however long the timer makes them.
void CountHostPauses() {
  g_hostLooks = g_hostShortPauses = 0;
  for (DWORD start = ::GetTickCount(); g_hostLooks + g_hostShortPauses < 3 && ::GetTickCount() - start < 2000;)
    ::Sleep(1);
}

TEST_F(WakeUps, WhileAClientThatNeverSignalsIsServedOurHostKeepsThePaceOfTheSleeps) {
  // A wait's timeout runs late more often than a sleep: a host that paused
  // on its event for a client that never signals served it later than the
  // polling host did. After a request that came without a signal the host
  // looks at its event and sleeps; after one that came with a signal it
  // pauses on the event again.
  UseHost(HostServing::Sdk);
  host->SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" answered"); });
  g_client = ::GetCurrentThreadId();
  Sys().WaitForSingleObject = &HostTallyingWait;
  const std::string api = host->ApiHandle();
  LiteralBlock literal(std::u16string(api.begin(), api.end()));
  ASSERT_TRUE(literal.Attached());
  ASSERT_TRUE(literal.WaitForState(smsFree, 10000));
  literal.SetCommand("GET_FROM_QUERY_SQL");
  literal.SetSQL(u"quiet");
  literal.SetState(smsToProcess);
  ASSERT_TRUE(literal.WaitForState(smsWaitForRead, 10000));
  literal.SetState(smsFree);
  // The first pause after the request tells the host that no signal came.
  CountHostPauses();
  EXPECT_GE(g_hostLooks, 2) << "the host does not keep the pace of the sleeps";
  EXPECT_LE(g_hostShortPauses, 1) << "the host pauses on its event for a client that never signals";

  // Once the busy time is over, our client's signalled request puts the
  // pauses on the event back.
  ::Sleep(250);
  ASSERT_EQ(RunRequest(Query(u"loud")).Status, CycleStatus::Replied);
  CountHostPauses();
  EXPECT_GE(g_hostShortPauses, 3);
  EXPECT_EQ(g_hostLooks, 0);
  ResetSyscalls();
}

TEST_F(WakeUps, OurClientsRequestTakenWhileTheHostStillLookedIsNotTakenForASilentOne) {
  // Requests back to back are taken while the host still looks at the block
  // after the one before: their client raises nothing, since nobody pauses,
  // and the host must not fall back to the pace of a client that never
  // signals.
  UseHost(HostServing::Sdk);
  host->SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" answered"); });
  g_client = ::GetCurrentThreadId();
  g_signals = 0;
  Sys().SetEvent = &CountingSetEvent;
  for (int i = 0; i < 20; ++i) ASSERT_EQ(RunRequest(Query(u"quick")).Status, CycleStatus::Replied);
  Sys().SetEvent = ::SetEvent;
  EXPECT_LT(g_signals, 20) << "a signal for every request, paused on or not";
  Sys().WaitForSingleObject = &HostTallyingWait;
  CountHostPauses();
  EXPECT_EQ(g_hostLooks, 0) << "the host keeps the pace of a client that never signals";
  EXPECT_GE(g_hostShortPauses, 3);
  ResetSyscalls();
}

TEST_F(WakeUps, EventsWithoutALiveHostLeaveTheUsualNoReply) {
  host.reset();  // its events stay, held by the library
  ASSERT_TRUE(State().SharedMem->Signals().Present());
  SetWaitLimitForTests(30);
  Cycle c = RunRequest(Query(u"SELECT 1"));
  EXPECT_EQ(c.Status, CycleStatus::NoReply);
  EXPECT_EQ(LastAPIError(), msg::kNoReply);
}

// Names taken by another program before the host draws them.
class SquattedEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    ApiHandleNames::SeedForTests(0x5EED4321);
  }
  void TearDown() override {
    ApiHandleNames::SeedForTests(std::nullopt);
    ResetProcessState();
  }
  static std::u16string FirstDraw() { return ApiHandleNames(::GetCurrentProcessId(), 0x5EED4321).Next(); }
  MessageBoxes boxes;
};

TEST_F(SquattedEvents, AnEventOrAnObjectOfAnotherTypeUnderOurNamesLeavesBothSidesPolling) {
  for (int squat = 0; squat < 5; ++squat) {
    SCOPED_TRACE(squat);
    ResetProcessState();
    ApiHandleNames::SeedForTests(0x5EED4321);
    const std::u16string name = FirstDraw();
    const wchar_t* request = AsWide(BlockSignals::Name(name, Wake::Request));
    const std::u16string replyName = BlockSignals::Name(name, Wake::Reply);
    // 0: an event squatting the host's wake-up; 1: a mutex under the reply's
    // name; 2: a mapping under the name of the free block's; 3: an event
    // under the name of the words; 4: the words' mapping made first.
    HANDLE squatter = nullptr;
    if (squat == 0) squatter = ::CreateEventW(nullptr, TRUE, FALSE, request);
    if (squat == 1) squatter = ::CreateMutexW(nullptr, FALSE, AsWide(replyName));
    if (squat == 2)
      squatter = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                      AsWide(BlockSignals::Name(name, Wake::Free)));
    if (squat == 3) squatter = ::CreateEventW(nullptr, TRUE, FALSE, AsWide(BlockSignals::WordsName(name)));
    if (squat == 4)
      squatter = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096,
                                      AsWide(BlockSignals::WordsName(name)));
    ASSERT_NE(squatter, nullptr);
    EXPECT_FALSE(BlockSignals::Make(name).Present()) << "a host would use a name another program made";

    ScriptedHost host(HostServing::Sdk);
    ASSERT_EQ(host.ApiHandle(), std::string(name.begin(), name.end())) << "the block's own names were free";
    host.SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" polled"); });
    State().SharedMem = TPluginsSharedMem::CreateDll(name);
    ASSERT_TRUE(State().SharedMem->Created());
    EXPECT_FALSE(State().SharedMem->Signals().Present());
    for (int i = 0; i < 20; ++i) {
      Cycle c = RunRequest(Query(Text(squat, i)));
      ASSERT_EQ(c.Status, CycleStatus::Replied) << i;
      EXPECT_EQ(c.Reply.Data, Text(squat, i) + u" polled");
    }
    State().SharedMem.reset();
    ::CloseHandle(squatter);
  }
}

TEST_F(SquattedEvents, TheLibraryOpensNothingWhenTheHostMadeNoEvents) {
  // A literal host's block: a mapping and its mutex, nothing else; only a
  // stray event of one name, which must not count as a host that signals.
  const std::u16string name = u"KARVO_1.3_wakeup_literal_host";
  HANDLE mapping =
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, KARVO_BLOCK_SIZE, AsWide(name));
  HANDLE stray = ::CreateEventW(nullptr, FALSE, FALSE, AsWide(BlockSignals::Name(name, Wake::Reply)));
  ASSERT_NE(mapping, nullptr);
  auto mem = TPluginsSharedMem::CreateDll(name);
  ASSERT_TRUE(mem->Created());
  EXPECT_FALSE(mem->Signals().Present());
  mem.reset();
  ::CloseHandle(stray);
  ::CloseHandle(mapping);
}

}  // namespace
}  // namespace karvo::test
