// The peers of the round-trip benchmarks: an echo host (ours or the literal
// one, in a thread or in a second process, with a service time of its own)
// and the two clients (ours, and the request cycle read word for word).
#pragma once

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "LiteralBlock.h"
#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "karvo_host.h"
#include "link/ProcessState.h"
#include "link/RequestCycle.h"
#include "platform/WindowsSupport.h"

namespace karvo::bench {

using karvo::test::LiteralBlock;

const char kStop[] = "BENCH_STOP";

// ---- Hosts ------------------------------------------------------------------

struct EchoState {
  std::atomic<bool> stop{false};
  long serviceMicros = 0;  // spent busy in each answer, as a host's own work
};

inline double Now() {
  static const double freq = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / freq;
}

inline int __stdcall Echo(void* context, const KarvoRequest* request, KarvoReply* reply) {
  EchoState* state = static_cast<EchoState*>(context);
  if (std::strcmp(request->Command, kStop) == 0) state->stop = true;
  for (double until = Now() + state->serviceMicros / 1e6; Now() < until;) {
  }
  reply->CommandLength = 1;
  reply->Command[0] = KARVO_VERDICT_SUCCESS;
  reply->WriteData = 1;
  std::memcpy(reply->Data, request->SQL, sizeof reply->Data);
  return 1;
}

// The block a host written word for word from the protocol makes: the
// mapping and its mutex under a name it draws, and nothing beside them, so
// our client finds no wake-ups and polls, as it does with such a host.
class LiteralHostBlock {
 public:
  LiteralHostBlock() {
    static std::atomic<unsigned> drawn{0};
    const std::string name =
        "KARVO_1.3_" + std::to_string(::GetCurrentProcessId()) + std::to_string(60000 + drawn++ % 5000);
    handle_.assign(name.begin(), name.end());
    mapping_ =
        ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, KARVO_BLOCK_SIZE, AsWide(handle_));
    mutex_ = ::CreateMutexW(nullptr, FALSE, AsWide(handle_ + u"MUTEX"));
  }
  ~LiteralHostBlock() {
    if (mutex_ != nullptr) ::CloseHandle(mutex_);
    if (mapping_ != nullptr) ::CloseHandle(mapping_);
  }
  LiteralHostBlock(const LiteralHostBlock&) = delete;
  LiteralHostBlock& operator=(const LiteralHostBlock&) = delete;
  bool Made() const { return mapping_ != nullptr && mutex_ != nullptr; }
  const std::u16string& Handle() const { return handle_; }

 private:
  std::u16string handle_;
  HANDLE mapping_ = nullptr;
  HANDLE mutex_ = nullptr;
};

inline void ServeLiteral(const std::u16string& handle, EchoState& state) {
  LiteralBlock lit(handle);
  while (!state.stop && lit.ServeOne(&Echo, &state, 20) >= 0) {
  }
}

inline void ServeOurs(KarvoHostBlock* block, EchoState& state) {
  while (!state.stop && KarvoHostServeOne(block, &Echo, &state, 20) >= 0) {
  }
}

inline std::u16string HandleOf(KarvoHostBlock* block) { return reinterpret_cast<const char16_t*>(KarvoHostApiHandle(block)); }

inline void PrintHandle(const std::u16string& handle) {
  std::printf("%s\n", std::string(handle.begin(), handle.end()).c_str());
  std::fflush(stdout);
}

// The host as a second process: this program started with "host literal"
// or "host ours" and the service time in microseconds; it prints the API
// handle and serves until told to stop.
inline int HostProcess(bool literal, long serviceMicros) {
  EchoState state;
  state.serviceMicros = serviceMicros;
  if (literal) {
    LiteralHostBlock block;
    if (!block.Made()) return 3;
    PrintHandle(block.Handle());
    ServeLiteral(block.Handle(), state);
    return 0;
  }
  KarvoHostBlock* block = KarvoHostCreate(::GetCurrentProcessId());
  if (block == nullptr) return 3;
  PrintHandle(HandleOf(block));
  ServeOurs(block, state);
  KarvoHostFree(block);
  return 0;
}

// Starts this program again with those arguments; with `output`, its
// standard output comes through a pipe whose reading end is put there.
inline PROCESS_INFORMATION StartSelf(const std::string& args, HANDLE* output = nullptr) {
  char exe[MAX_PATH];
  ::GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string cmd = std::string("\"") + exe + "\" " + args;
  SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  if (output != nullptr && ::CreatePipe(&readEnd, &writeEnd, &sa, 0)) {
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    si.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  }
  PROCESS_INFORMATION pi = {};
  if (!::CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, writeEnd != nullptr, 0, nullptr, nullptr, &si, &pi)) {
    pi = PROCESS_INFORMATION{};
    if (readEnd != nullptr) ::CloseHandle(readEnd);
    readEnd = nullptr;
  }
  if (writeEnd != nullptr) ::CloseHandle(writeEnd);
  if (output != nullptr) *output = readEnd;
  return pi;
}

class Host {
 public:
  Host(bool literal, bool inProcess, long serviceMicros = 0) {
    state_.serviceMicros = serviceMicros;
    if (inProcess && literal) {
      literalBlock_ = std::make_unique<LiteralHostBlock>();
      handle_ = literalBlock_->Handle();
      thread_ = std::thread([this] { ServeLiteral(handle_, state_); });
      return;
    }
    if (inProcess) {
      block_ = KarvoHostCreate(::GetCurrentProcessId());
      handle_ = HandleOf(block_);
      thread_ = std::thread([this] { ServeOurs(block_, state_); });
      return;
    }
    HANDLE readEnd = nullptr;
    child_ = StartSelf(std::string("host ") + (literal ? "literal " : "ours ") + std::to_string(serviceMicros),
                       &readEnd);
    if (child_.hProcess != nullptr) {
      char c;
      DWORD got;
      while (::ReadFile(readEnd, &c, 1, &got, nullptr) && got == 1 && c != '\n') handle_ += c;
      while (!handle_.empty() && (handle_.back() == '\r' || handle_.back() == ' ')) handle_.pop_back();
    }
    if (readEnd != nullptr) ::CloseHandle(readEnd);
  }
  ~Host() {
    if (thread_.joinable()) {
      state_.stop = true;
      thread_.join();
      if (block_ != nullptr) KarvoHostFree(block_);
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
  HANDLE Process() const { return child_.hProcess; }

 private:
  KarvoHostBlock* block_ = nullptr;
  std::unique_ptr<LiteralHostBlock> literalBlock_;
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

}  // namespace karvo::bench
