// Several plug-in processes on one block: the claim of the block is atomic,
// so no request is lost, mixed or served twice.
#include <map>
#include <string>
#include <vector>

#include "Plugin.h"
#include "ScriptedHost.h"

namespace karvo::test {
namespace {

TEST(Clients, SeveralProcessesAtOnceNeverMixRequests) {
  ScriptedHost host;
  host.SetHandler([](const SeenRequest& r) {
    std::u16string echo = r.SQL;
    return Answer::Verdict(true, echo);
  });
  const int kClients = 4, kEach = 150;
  std::vector<PROCESS_INFORMATION> procs;
  for (int c = 0; c < kClients; ++c) {
    std::string cmd =
        "karvo_test_client.exe " + host.ApiHandle() + " " + std::to_string(c) + " " + std::to_string(kEach);
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
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kClients * kEach));
  for (const auto& [sql, n] : seen) EXPECT_EQ(n, 1) << "served more than once";
}

}  // namespace
}  // namespace karvo::test
