// Several plug-in processes on one block: the claim of the block is atomic,
// so no request is lost, mixed or served twice, also while someone flips
// the state byte under the mutex. KARVO_CLIENT_REQUESTS sets how many
// requests each of the four clients of the long run sends.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
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
// lock, before the answer.
struct SequenceCheck {
  explicit SequenceCheck(int clients) : next(static_cast<std::size_t>(clients), 0) {}
  std::vector<int> next;
  int outOfOrder = 0, foreign = 0;

  Answer operator()(const SeenRequest& r) {
    int client = -1, seq = -1;
    std::string head(r.SQL.begin(),
                     r.SQL.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(r.SQL.size(), 40)));
    if (std::sscanf(head.c_str(), "client %d request %d", &client, &seq) != 2 || client < 0 ||
        client >= static_cast<int>(next.size())) {
      ++foreign;
    } else if (seq != next[static_cast<std::size_t>(client)]++) {
      ++outOfOrder;
      next[static_cast<std::size_t>(client)] = seq + 1;
    }
    return FromTheRequest(r);
  }
};

void RunClients(ScriptedHost& host, int clients, int each, bool keep = true) {
  auto check = std::make_shared<SequenceCheck>(clients);
  host.KeepRequests(keep);
  host.SetHandler([check](const SeenRequest& r) { return (*check)(r); });
  std::vector<PROCESS_INFORMATION> procs;
  for (int c = 0; c < clients; ++c) {
    std::string cmd =
        "karvo_test_client.exe " + host.ApiHandle() + " " + std::to_string(c) + " " + std::to_string(each);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    procs.push_back(pi);
  }
  for (auto& pi : procs) {
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 120000 + 30 * static_cast<DWORD>(each)), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u) << "a client got an answer that was not its own";
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
  }
  EXPECT_EQ(host.RequestCount(), static_cast<std::size_t>(clients * each));
  EXPECT_EQ(check->foreign, 0) << "requests that named no client";
  EXPECT_EQ(check->outOfOrder, 0) << "requests lost, mixed or served twice";
  for (int c = 0; c < clients; ++c) EXPECT_EQ(check->next[static_cast<std::size_t>(c)], each) << "client " << c;
  if (!keep) return;
  std::map<std::u16string, int> seen;
  for (const SeenRequest& r : host.Requests()) ++seen[r.SQL];
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(clients * each));
  for (const auto& [sql, n] : seen) EXPECT_EQ(n, 1) << "served more than once";
}

int RequestsEach(int usual) {
  char v[16] = {};
  DWORD n = ::GetEnvironmentVariableA("KARVO_CLIENT_REQUESTS", v, sizeof v);
  int want = n > 0 && n < sizeof v ? std::atoi(v) : 0;
  return want > 0 ? want : usual;
}

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

TEST(Clients, SeveralProcessesAtOnceWhileTheStateIsFlipped) {
  ScriptedHost host;
  auto flipper = std::make_unique<StateFlipper>(host.ApiHandle());
  RunClients(host, 3, 60);
  EXPECT_GT(flipper->Flips(), 0);
}

}  // namespace
}  // namespace karvo::test
