// The request round trip: our client and host beside the literal ones, a
// host thread and a host in a second process, short and 32 KB texts.
//   bench_RoundTrip [seconds per case = 2] [runs = 1] [thread|process] [short|32k]
// Each case sends GET_FROM_QUERY_SQL with the text in SQL; the host answers
// success with the same text in Data. With several runs the cases take
// turns and the medians are printed.
//
// The literal client lives here only, as the yardstick: every field access
// creates, waits for, releases and closes the block mutex, and each wait
// polls the state under the mutex once per Sleep(1), exactly as the protocol
// reads. The literal host is the test host's LiteralBlock.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "LiteralBlock.h"
#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "karvo_host.h"
#include "link/ProcessState.h"
#include "link/RequestCycle.h"
#include "platform/WindowsSupport.h"

using namespace karvo;
using karvo::test::LiteralBlock;

namespace {

const char kStop[] = "BENCH_STOP";

// ---- Hosts ------------------------------------------------------------------

struct EchoState {
  std::atomic<bool> stop{false};
};

int __stdcall Echo(void* context, const KarvoRequest* request, KarvoReply* reply) {
  if (std::strcmp(request->Command, kStop) == 0) static_cast<EchoState*>(context)->stop = true;
  reply->CommandLength = 1;
  reply->Command[0] = KARVO_VERDICT_SUCCESS;
  reply->WriteData = 1;
  std::memcpy(reply->Data, request->SQL, sizeof reply->Data);
  return 1;
}

void Serve(KarvoHostBlock* block, bool literal, EchoState& state) {
  if (literal) {
    LiteralBlock lit(reinterpret_cast<const char16_t*>(KarvoHostApiHandle(block)));
    while (!state.stop && lit.ServeOne(&Echo, &state, 20) >= 0) {
    }
  } else {
    while (!state.stop && KarvoHostServeOne(block, &Echo, &state, 20) >= 0) {
    }
  }
}

std::u16string HandleOf(KarvoHostBlock* block) { return reinterpret_cast<const char16_t*>(KarvoHostApiHandle(block)); }

// The host as a second process: this program started with "host literal"
// or "host ours"; it prints the API handle and serves until told to stop.
int HostProcess(bool literal) {
  KarvoHostBlock* block = KarvoHostCreate(::GetCurrentProcessId());
  if (block == nullptr) return 3;
  std::u16string handle = HandleOf(block);
  std::printf("%s\n", std::string(handle.begin(), handle.end()).c_str());
  std::fflush(stdout);
  EchoState state;
  Serve(block, literal, state);
  KarvoHostFree(block);
  return 0;
}

class Host {
 public:
  Host(bool literal, bool inProcess) {
    if (inProcess) {
      block_ = KarvoHostCreate(::GetCurrentProcessId());
      handle_ = HandleOf(block_);
      thread_ = std::thread([this, literal] { Serve(block_, literal, state_); });
      return;
    }
    char exe[MAX_PATH];
    ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string cmd = std::string("\"") + exe + "\" host " + (literal ? "literal" : "ours");
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ::CreatePipe(&readEnd, &writeEnd, &sa, 0);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    if (::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &child_)) {
      char c;
      DWORD got;
      while (::ReadFile(readEnd, &c, 1, &got, nullptr) && got == 1 && c != '\n') handle_ += c;
      while (!handle_.empty() && (handle_.back() == '\r' || handle_.back() == ' ')) handle_.pop_back();
    }
    ::CloseHandle(writeEnd);
    ::CloseHandle(readEnd);
  }
  ~Host() {
    if (block_ != nullptr) {
      state_.stop = true;
      thread_.join();
      KarvoHostFree(block_);
      return;
    }
    if (child_.hProcess == nullptr) return;
    // A stop request goes through our own client; the child is ended by its
    // handle only if it does not go by itself.
    State().SharedMem = TPluginsSharedMem::CreateDll(handle_);
    SetWaitLimitForTests(2000);
    RunRequest(Request{u"BENCH_STOP", {}});
    SetWaitLimitForTests(60000);
    ResetProcessState();
    if (::WaitForSingleObject(child_.hProcess, 5000) != WAIT_OBJECT_0) ::TerminateProcess(child_.hProcess, 1);
    ::CloseHandle(child_.hProcess);
    ::CloseHandle(child_.hThread);
  }
  const std::u16string& Handle() const { return handle_; }

 private:
  KarvoHostBlock* block_ = nullptr;
  EchoState state_;
  std::thread thread_;
  PROCESS_INFORMATION child_ = {};
  std::u16string handle_;
};

// ---- Clients ----------------------------------------------------------------

// One round trip; true when the answer was the text sent.
class Client {
 public:
  virtual ~Client() = default;
  virtual bool RoundTrip(const std::u16string& text) = 0;
};

class OurClient : public Client {
 public:
  explicit OurClient(const std::u16string& handle) {
    ResetProcessState();
    State().SharedMem = TPluginsSharedMem::CreateDll(handle);
  }
  ~OurClient() override { ResetProcessState(); }
  bool RoundTrip(const std::u16string& text) override {
    Cycle c = RunRequest(Request{u"GET_FROM_QUERY_SQL", {SqlField(text)}});
    return c.Replied() && IsVerdictSuccess(c.Reply) && c.Reply.Data == text;
  }
};

// The request cycle read word for word: each step one locked access.
class LiteralClient : public Client {
 public:
  explicit LiteralClient(const std::u16string& handle) : block_(handle) {}
  bool RoundTrip(const std::u16string& text) override {
    if (block_.State() == smsNoAllocated) return false;
    if (!block_.WaitForState(smsFree, 60000)) return false;
    block_.SetCommand(TPluginsSharedMem::CommandBytes(u"GET_FROM_QUERY_SQL"));
    block_.SetSQL(text);
    block_.SetState(smsToProcess);
    if (!block_.WaitForState(smsWaitForRead, 60000)) return false;
    std::u16string command = TPluginsSharedMem::CommandText(block_.Command());
    std::u16string data = block_.Data();
    block_.SetState(smsFree);
    return !command.empty() && command[0] == u'\x0001' && data == text;
  }

 private:
  LiteralBlock block_;
};

// ---- Measuring --------------------------------------------------------------

double Now() {
  static const double freq = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / freq;
}

struct Figures {
  double perSecond = 0, p50 = 0, p99 = 0;  // p50 and p99 in microseconds
  long failures = 0;
};

Figures Measure(bool literalClient, bool literalHost, bool inProcess, const std::u16string& text, double seconds) {
  Host host(literalHost, inProcess);
  Figures f;
  if (host.Handle().empty()) {
    f.failures = -1;
    return f;
  }
  std::unique_ptr<Client> client;
  if (literalClient)
    client = std::make_unique<LiteralClient>(host.Handle());
  else
    client = std::make_unique<OurClient>(host.Handle());
  std::vector<double> lat;
  lat.reserve(100000);
  double warm = Now() + 0.1;
  while (Now() < warm) client->RoundTrip(text);
  double start = Now(), end = start + seconds, t = start;
  while (t < end) {
    double t0 = Now();
    if (!client->RoundTrip(text)) ++f.failures;
    t = Now();
    lat.push_back((t - t0) * 1e6);
  }
  std::sort(lat.begin(), lat.end());
  f.perSecond = lat.size() / (t - start);
  f.p50 = lat[lat.size() / 2];
  f.p99 = lat[std::min(lat.size() - 1, lat.size() * 99 / 100)];
  return f;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Case {
  const char* name;
  bool literalClient, literalHost;
};

const Case kCases[] = {
    {"literal client, literal host", true, true},
    {"our client,     our host    ", false, false},
    {"our client,     literal host", false, true},
    {"literal client, our host    ", true, false},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "host") == 0) return HostProcess(std::strcmp(argv[2], "literal") == 0);
  double seconds = argc >= 2 ? std::atof(argv[1]) : 2.0;
  int runs = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 1;
  if (seconds <= 0) seconds = 2.0;
  const char* onlyHost = argc >= 4 ? argv[3] : "";
  const char* onlyText = argc >= 5 ? argv[4] : "";
  const std::u16string small = u"SELECT NAZWA FROM KONTRAHENCI";
  const std::u16string big(KARVO_TEXT_UNITS, u'x');  // 32764 bytes each way
  std::printf("request round trip, %.1f s per case, %d run(s)%s\n\n", seconds, runs, runs > 1 ? ", medians" : "");
  for (bool inProcess : {true, false}) {
    if (*onlyHost != 0 && std::strcmp(onlyHost, inProcess ? "thread" : "process") != 0) continue;
    for (const std::u16string* text : {&small, &big}) {
      if (*onlyText != 0 && std::strcmp(onlyText, text == &small ? "short" : "32k") != 0) continue;
      std::printf("host %s, %s text\n", inProcess ? "thread" : "process", text == &small ? "short" : "32 KB");
      constexpr int n = sizeof kCases / sizeof kCases[0];
      std::vector<double> rate[n], p50[n], p99[n];
      long failures[n] = {};
      for (int r = 0; r < runs; ++r) {
        for (int i = 0; i < n; ++i) {
          Figures f = Measure(kCases[i].literalClient, kCases[i].literalHost, inProcess, *text, seconds);
          rate[i].push_back(f.perSecond);
          p50[i].push_back(f.p50);
          p99[i].push_back(f.p99);
          failures[i] += f.failures;
        }
      }
      double m50[n];
      for (int i = 0; i < n; ++i) {
        m50[i] = Median(p50[i]);
        std::printf("  %s  %9.0f req/s  p50 %8.1f us  p99 %8.1f us%s\n", kCases[i].name, Median(rate[i]), m50[i],
                    Median(p99[i]), failures[i] != 0 ? "  (FAILED ROUND TRIPS)" : "");
      }
      std::printf("  p50 literal/ours: %.1fx   p50 literal/(our client, literal host): %.2fx\n\n", m50[0] / m50[1],
                  m50[0] / m50[2]);
      std::fflush(stdout);
    }
  }
  return 0;
}
