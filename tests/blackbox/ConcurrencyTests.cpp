// Several plug-in processes on one block: the claim of the block is atomic,
// so no request is lost, mixed or served twice, also while someone flips
// the state byte under the mutex or one of them is killed again and again.
// KARVO_CLIENT_REQUESTS sets how many requests each of the four clients of
// the long run sends.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "Plugin.h"
#include "ScriptedHost.h"
#include "StateFlipper.h"

namespace karvo::test {
namespace {

unsigned Fnv(const std::u16string& s) {
  unsigned h = 2166136261u;
  for (char16_t c : s) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

// Answers each kind of request from the request alone, as the test client
// expects (tests/client/TestClient.cpp).
Answer FromTheRequest(const SeenRequest& r) {
  if (r.Command == "GET_FROM_QUERY_SQL") return Answer::Verdict(true, r.SQL);
  if (r.Command == "OPEN_QUERY_SQL") return Answer::VerdictWithPointer(true, u"", Fnv(r.SQL));
  std::size_t at = r.SQL.find(u"request ");
  int seq = 0;
  for (std::size_t i = at == std::u16string::npos ? r.SQL.size() : at + 8; i < r.SQL.size(); ++i) {
    if (r.SQL[i] < u'0' || r.SQL[i] > u'9') break;
    seq = seq * 10 + (r.SQL[i] - u'0');
  }
  return seq % 2 == 0 ? Answer::Code(1) : Answer::Raw("\xFA", r.SQL);
}

// The host's check: every request names its client and its number, and
// each client's numbers arrive in order, each once. Runs under the host's
// lock, before the answer; the test reads it under its own.
struct SequenceCheck {
  std::mutex mu;
  std::map<int, int> next;  // by client: the number it sends next
  int outOfOrder = 0, foreign = 0;
  DWORD lastServedAt = 0;
  int lastClient = -1;

  Answer operator()(const SeenRequest& r) {
    int client = -1, seq = -1;
    std::string head(r.SQL.begin(),
                     r.SQL.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(r.SQL.size(), 40)));
    std::lock_guard<std::mutex> l(mu);
    if (std::sscanf(head.c_str(), "client %d request %d", &client, &seq) != 2 || client < 0) {
      ++foreign;
    } else if (seq != next[client]++) {
      ++outOfOrder;
      next[client] = seq + 1;
    }
    lastServedAt = ::GetTickCount();
    lastClient = client;
    return FromTheRequest(r);
  }
  int Next(int client) {
    std::lock_guard<std::mutex> l(mu);
    auto it = next.find(client);
    return it == next.end() ? 0 : it->second;
  }
};

PROCESS_INFORMATION StartClient(const std::string& api, int id, int count) {
  std::string cmd = "karvo_test_client.exe " + api + " " + std::to_string(id) + " " + std::to_string(count);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    pi.hProcess = nullptr;
  return pi;
}

DWORD EndOf(PROCESS_INFORMATION& pi, DWORD waitMs) {
  DWORD code = 99;
  if (::WaitForSingleObject(pi.hProcess, waitMs) == WAIT_OBJECT_0) ::GetExitCodeProcess(pi.hProcess, &code);
  ::CloseHandle(pi.hProcess);
  ::CloseHandle(pi.hThread);
  return code;
}

void RunClients(ScriptedHost& host, int clients, int each, bool keep = true) {
  auto check = std::make_shared<SequenceCheck>();
  host.KeepRequests(keep);
  host.SetHandler([check](const SeenRequest& r) { return (*check)(r); });
  std::vector<PROCESS_INFORMATION> procs;
  for (int c = 0; c < clients; ++c) {
    procs.push_back(StartClient(host.ApiHandle(), c, each));
    ASSERT_NE(procs.back().hProcess, nullptr);
  }
  for (auto& pi : procs)
    EXPECT_EQ(EndOf(pi, 120000 + 30 * static_cast<DWORD>(each)), 0u) << "a client got an answer that was not its own";
  EXPECT_EQ(host.RequestCount(), static_cast<std::size_t>(clients * each));
  EXPECT_EQ(check->foreign, 0) << "requests that named no client";
  EXPECT_EQ(check->outOfOrder, 0) << "requests lost, mixed or served twice";
  for (int c = 0; c < clients; ++c) EXPECT_EQ(check->Next(c), each) << "client " << c;
  if (!keep) return;
  std::map<std::u16string, int> seen;
  for (const SeenRequest& r : host.Requests()) ++seen[r.SQL];
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(clients * each));
  for (const auto& [sql, n] : seen) EXPECT_EQ(n, 1) << "served more than once";
}

// Three clients send `each` requests; the fourth is killed `kills` times,
// each time once the host has served it at least once, and started again
// under a new number; its last run sends what is left of its `each`. No client may see a code or text not its own, no
// request is lost, mixed or served twice, and after a kill that leaves a reply unread the host sets the block free
// within its bound. Every other kill comes while the host is answering one of the killed client's requests, so that its
// reply is sure to stay unread; the others come at a random moment once the client has been served.
struct KillTrap {
  std::atomic<int> armedFor{-1};
  std::atomic<bool> caught{false}, killed{false};
  void AfterServing(int client) {
    if (client != armedFor) return;
    caught = true;
    for (DWORD start = ::GetTickCount(); !killed && ::GetTickCount() - start < 30000;) ::Sleep(1);
    armedFor = -1;
  }
};

void RunWithKills(ScriptedHost& host, int each, int kills, unsigned boundMs) {
  host.SetUnreadReplyLimit(boundMs);
  auto check = std::make_shared<SequenceCheck>();
  auto trap = std::make_shared<KillTrap>();
  host.KeepRequests(false);
  host.SetHandler([check, trap](const SeenRequest& r) {
    Answer a = (*check)(r);
    int client = -1;
    {
      std::lock_guard<std::mutex> l(check->mu);
      client = check->lastClient;
    }
    trap->AfterServing(client);
    return a;
  });
  const std::string api = host.ApiHandle();
  std::vector<PROCESS_INFORMATION> steady;
  for (int c = 0; c < 3; ++c) steady.push_back(StartClient(api, c, each));
  std::mt19937 rng(0xC0FFEE);
  int victimServed = 0, trapped = 0;
  DWORD worstStall = 0, stalls = 0;
  for (int k = 0; k < kills; ++k) {
    const int id = 100 + k;
    PROCESS_INFORMATION victim = StartClient(api, id, each);
    ASSERT_NE(victim.hProcess, nullptr);
    for (DWORD start = ::GetTickCount(); check->Next(id) == 0 && ::GetTickCount() - start < 30000;) ::Sleep(1);
    trap->caught = false;
    trap->killed = false;
    if (k % 2 == 1) {
      trap->armedFor = id;
      for (DWORD start = ::GetTickCount(); !trap->caught && ::GetTickCount() - start < 30000;) ::Sleep(1);
      ++trapped;
    } else {
      ::Sleep(std::uniform_int_distribution<DWORD>(0, 25)(rng));
    }
    ::TerminateProcess(victim.hProcess, 9);
    EndOf(victim, 30000);
    trap->armedFor = -1;
    trap->killed = true;
    const DWORD killedAt = ::GetTickCount();
    victimServed += check->Next(id);
    // How long the others waited: until a request of another client was
    // served after the kill (or every other client is done).
    for (;;) {
      DWORD served = 0;
      int client = -1;
      {
        std::lock_guard<std::mutex> l(check->mu);
        served = check->lastServedAt;
        client = check->lastClient;
      }
      if ((client < 100 && static_cast<int>(served - killedAt) > 0) ||
          check->Next(0) + check->Next(1) + check->Next(2) == 3 * each || ::GetTickCount() - killedAt > 120000)
        break;
      ::Sleep(1);
    }
    DWORD stall = 0;
    {
      std::lock_guard<std::mutex> l(check->mu);
      stall = check->lastServedAt - killedAt;
    }
    if (static_cast<int>(stall) > 0 && stall > worstStall) worstStall = stall;
    if (static_cast<int>(stall) > 100) ++stalls;
  }
  const int rest = each - victimServed > 1 ? each - victimServed : 1;
  PROCESS_INFORMATION last = StartClient(api, 100 + kills, rest);
  EXPECT_EQ(EndOf(last, 120000 + 30 * static_cast<DWORD>(rest)), 0u) << "the last run of the killed client";
  for (auto& pi : steady)
    EXPECT_EQ(EndOf(pi, 120000 + 30 * static_cast<DWORD>(each)), 0u) << "a client saw a code or text not its own";
  EXPECT_EQ(check->foreign, 0) << "requests that named no client";
  EXPECT_EQ(check->outOfOrder, 0) << "requests lost, mixed or served twice";
  for (int c = 0; c < 3; ++c) EXPECT_EQ(check->Next(c), each) << "client " << c;
  EXPECT_EQ(check->Next(100 + kills), rest);
  EXPECT_EQ(host.Block()->State, KARVO_smsFree);
  EXPECT_GE(host.UnreadRepliesFreed(), static_cast<unsigned>(trapped)) << "a reply of a killed client stayed unread";
  std::printf(
      "[ kills    ] 3 x %d requests and one client killed %d times, %d of them while its reply was written "
      "(%d of its requests served before the kills, %d after): %u unread replies set free by the host "
      "(bound %u ms), %lu waits over 100 ms, the longest %lu ms\n",
      each, kills, trapped, victimServed, rest, host.UnreadRepliesFreed(), boundMs, static_cast<unsigned long>(stalls),
      static_cast<unsigned long>(worstStall));
}

int EnvNumber(const char* name, int usual) {
  char v[16] = {};
  DWORD n = ::GetEnvironmentVariableA(name, v, sizeof v);
  int want = n > 0 && n < sizeof v ? std::atoi(v) : 0;
  return want > 0 ? want : usual;
}

int RequestsEach(int usual) { return EnvNumber("KARVO_CLIENT_REQUESTS", usual); }

TEST(Clients, SeveralProcessesAtOnceNeverMixRequests) {
  ScriptedHost host;
  RunClients(host, 4, 150);
}

TEST(Clients, FourProcessesOfManyRequestsEachAreServedEachOnceInOrder) {
  ScriptedHost host;
  const int each = RequestsEach(10000);
  DWORD start = ::GetTickCount();
  RunClients(host, 4, each, false);
  std::printf("[ clients  ] 4 x %d requests served in %lu ms\n", each, ::GetTickCount() - start);
}

// KARVO_KILL_REQUESTS and KARVO_KILLS make it the long run; the test
// command's run uses a shorter bound for unread replies.
TEST(Clients, OneClientKilledAgainAndAgainCostsTheOthersNothing) {
  ScriptedHost host;
  if (host.Serving() == HostServing::Literal) GTEST_SKIP() << "a literal host sets no unread reply free";
  const int each = EnvNumber("KARVO_KILL_REQUESTS", 400);
  const int kills = EnvNumber("KARVO_KILLS", 6);
  RunWithKills(host, each, kills, each >= 5000 ? KARVO_UNREAD_REPLY_MS : 1000);
}

TEST(Clients, SeveralProcessesAtOnceWhileTheStateIsFlipped) {
  ScriptedHost host;
  auto flipper = std::make_unique<StateFlipper>(host.ApiHandle());
  RunClients(host, 3, 60);
  EXPECT_GT(flipper->Flips(), 0);
}

}  // namespace
}  // namespace karvo::test
