// refhost's objects end to end: the probe plug-in run inside refhost (every
// export works on the objects directly) and in a process of its own (every
// direct attempt fails and goes to refhost) must print the same answers.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Plugin.h"

namespace karvo::test {
namespace {

std::string BinDir() {
  char path[MAX_PATH];
  DWORD n = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string p(path, n);
  return p.substr(0, p.find_last_of("\\/") + 1);
}

// Starts the command with its output going to outFile; the process handle.
HANDLE Start(const std::string& command, const std::string& outFile) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE out = ::CreateFileA(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &sa, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = out;
  si.hStdError = out;
  PROCESS_INFORMATION pi{};
  std::string cmd = command;
  BOOL ok = ::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, BinDir().c_str(), &si, &pi);
  ::CloseHandle(out);
  if (!ok) return nullptr;
  ::CloseHandle(pi.hThread);
  return pi.hProcess;
}

DWORD Finish(HANDLE process) {
  DWORD code = 999;
  if (process == nullptr) return code;
  if (::WaitForSingleObject(process, 120000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process, &code);
  ::CloseHandle(process);
  return code;
}

std::vector<std::string> ProbeLines(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);)
    if (l.rfind("probe: ", 0) == 0) lines.push_back(l.substr(0, l.find_last_not_of('\r') + 1));
  return lines;
}

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(RefhostObjects, SecondProcessGetsTheAnswersOfTheInProcessPlugin) {
  const std::string bin = BinDir(), tag = std::to_string(::GetCurrentProcessId());
  const std::string data = bin + "refhost-objects-" + tag, direct = data + "-direct.txt", remote = data + "-remote.txt";
  const std::string api = data + "-api.txt", stop = data + "-stop", served = data + "-served.txt";
  ::DeleteFileA(api.c_str());
  ::DeleteFileA(stop.c_str());

  EXPECT_EQ(Finish(Start("refhost.exe --data " + data + " ObjectProbe.dll", direct)), 0u) << ReadAll(direct);

  HANDLE host = Start("refhost.exe --data " + data + " --serve " + api + " " + stop, served);
  ASSERT_NE(host, nullptr);
  for (int i = 0; i < 3000 && ReadAll(api).empty(); ++i) ::Sleep(10);
  std::string handle = ReadAll(api);
  ASSERT_FALSE(handle.empty()) << ReadAll(served);
  DWORD client = Finish(Start("karvo_probe_client.exe ObjectProbe.dll " + handle, remote));
  std::ofstream(stop).put('x');
  EXPECT_EQ(Finish(host), 0u) << ReadAll(served);
  EXPECT_EQ(client, 0u) << ReadAll(remote);

  std::vector<std::string> a = ProbeLines(direct), b = ProbeLines(remote);
  ASSERT_GT(a.size(), 30u) << ReadAll(direct);
  EXPECT_EQ(a[0], "probe: GetControl MainForm -> found | ");
  ASSERT_EQ(a.size(), b.size()) << ReadAll(remote);
  for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(a[i], b[i]) << "line " << i;
  for (const std::string& f : {direct, remote, api, stop, served}) ::DeleteFileA(f.c_str());
}

}  // namespace
}  // namespace karvo::test
