// Several plug-in processes on one block: the claim of the block is atomic,
// so no request is lost, mixed or served twice, also while someone flips
// the state byte under the mutex.
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

void RunClients(ScriptedHost& host, int clients, int each) {
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
    EXPECT_EQ(::WaitForSingleObject(pi.hProcess, 120000), WAIT_OBJECT_0);
    DWORD code = 99;
    ::GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u) << "a client got an answer that was not its own";
    ::CloseHandle(pi.hProcess);
    ::CloseHandle(pi.hThread);
  }
  std::map<std::u16string, int> seen;
  for (const SeenRequest& r : host.Requests()) ++seen[r.SQL];
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(clients * each));
  for (const auto& [sql, n] : seen) EXPECT_EQ(n, 1) << "served more than once";
}

TEST(Clients, SeveralProcessesAtOnceNeverMixRequests) {
  ScriptedHost host;
  host.SetHandler(&FromTheRequest);
  RunClients(host, 4, 150);
}

TEST(Clients, SeveralProcessesAtOnceWhileTheStateIsFlipped) {
  ScriptedHost host;
  host.SetHandler(&FromTheRequest);
  auto flipper = std::make_unique<StateFlipper>(host.ApiHandle());
  RunClients(host, 3, 60);
  EXPECT_GT(flipper->Flips(), 0);
}

}  // namespace
}  // namespace karvo::test
