// The request round trip: our client and host beside the literal ones, a
// host thread and a host in a second process, short and 32 KB texts.
//   bench_RoundTrip [seconds per case = 2] [runs = 1] [thread|process] [short|32k]
// Each case sends GET_FROM_QUERY_SQL with the text in SQL; the host answers
// success with the same text in Data. Against each host the literal client
// and ours take turns in slices of a quarter second, seconds x runs each, and
// the figures are over all the round trips of a case.
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
  virtual void Begin() {}
  virtual void End() {}
  virtual bool RoundTrip(const std::u16string& text) = 0;
};

// Our cycle runs on the library's one block object, so each client keeps
// its own and lends it to the library for its turn.
class OurClient : public Client {
 public:
  explicit OurClient(const std::u16string& handle) : mem_(TPluginsSharedMem::CreateDll(handle)) {}
  void Begin() override { std::swap(State().SharedMem, mem_); }
  void End() override { std::swap(State().SharedMem, mem_); }
  bool RoundTrip(const std::u16string& text) override {
    Cycle c = RunRequest(Request{u"GET_FROM_QUERY_SQL", {SqlField(text)}});
    return c.Replied() && IsVerdictSuccess(c.Reply) && c.Reply.Data == text;
  }

 private:
  std::shared_ptr<TPluginsSharedMem> mem_;
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

// The round trips of one case, gathered over its slices.
struct Samples {
  std::vector<double> micros;
  double seconds = 0;
  long failures = 0;
};

void Slice(Client& client, const std::u16string& text, double seconds, Samples& s) {
  client.Begin();
  for (double warm = Now() + 0.02; Now() < warm;) client.RoundTrip(text);
  double start = Now(), end = start + seconds, t = start;
  while (t < end) {
    double t0 = Now();
    if (!client.RoundTrip(text)) ++s.failures;
    t = Now();
    s.micros.push_back((t - t0) * 1e6);
  }
  s.seconds += t - start;
  client.End();
}

double P50(Samples& s) {
  std::sort(s.micros.begin(), s.micros.end());
  return s.micros.empty() ? 0 : s.micros[s.micros.size() / 2];
}

double P99(const Samples& s) {
  return s.micros.empty() ? 0 : s.micros[std::min(s.micros.size() - 1, s.micros.size() * 99 / 100)];
}

constexpr double kSliceSeconds = 0.25;

// Both clients against one host, taking turns in short slices, so that the
// load of the machine weighs on them alike.
void MeasureHost(bool literalHost, bool inProcess, const std::u16string& text, double seconds, Samples& byLiteral,
                 Samples& byOurs) {
  Host host(literalHost, inProcess);
  if (host.Handle().empty()) {
    byLiteral.failures = byOurs.failures = -1;
    return;
  }
  LiteralClient literal(host.Handle());
  OurClient ours(host.Handle());
  int slices = std::max(1, static_cast<int>(seconds / kSliceSeconds + 0.5));
  for (int i = 0; i < slices; ++i) {
    Slice(literal, text, kSliceSeconds, byLiteral);
    Slice(ours, text, kSliceSeconds, byOurs);
  }
}

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
  std::printf("request round trip, %.1f s per case in slices of %.2f s; the two clients of a host take turns\n\n",
              seconds * runs, kSliceSeconds);
  const char* names[] = {"literal client, literal host", "our client,     our host    ", "our client,     literal host",
                         "literal client, our host    "};
  for (bool inProcess : {true, false}) {
    if (*onlyHost != 0 && std::strcmp(onlyHost, inProcess ? "thread" : "process") != 0) continue;
    for (const std::u16string* text : {&small, &big}) {
      if (*onlyText != 0 && std::strcmp(onlyText, text == &small ? "short" : "32k") != 0) continue;
      std::printf("host %s, %s text\n", inProcess ? "thread" : "process", text == &small ? "short" : "32 KB");
      Samples cases[4];
      MeasureHost(true, inProcess, *text, seconds * runs, cases[0], cases[2]);
      MeasureHost(false, inProcess, *text, seconds * runs, cases[3], cases[1]);
      double p50[4];
      for (int i = 0; i < 4; ++i) {
        p50[i] = P50(cases[i]);
        double rate = cases[i].seconds > 0 ? cases[i].micros.size() / cases[i].seconds : 0;
        std::printf("  %s  %9.0f req/s  p50 %8.1f us  p99 %8.1f us%s\n", names[i], rate, p50[i], P99(cases[i]),
                    cases[i].failures != 0 ? "  (FAILED ROUND TRIPS)" : "");
      }
      std::printf("  p50 literal/ours: %.1fx   p50 literal/(our client, literal host): %.2fx\n\n", p50[0] / p50[1],
                  p50[0] / p50[2]);
      std::fflush(stdout);
    }
  }
  return 0;
}
