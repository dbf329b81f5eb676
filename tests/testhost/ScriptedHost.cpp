#include "ScriptedHost.h"

#include <cstring>

#include "LiteralBlock.h"
#include "platform/WindowsSupport.h"

namespace karvo::test {

SeenRequest SeenFrom(const KarvoRequest& req) {
  SeenRequest seen;
  seen.Command = req.Command;
  seen.SQL = reinterpret_cast<const char16_t*>(req.SQL);
  seen.Data = reinterpret_cast<const char16_t*>(req.Data);
  seen.DataPointer = req.DataPointer;
  return seen;
}

void WriteAnswer(const Answer& a, KarvoReply& reply) {
  std::size_t n = a.Command.size() > KARVO_COMMAND_MAX ? KARVO_COMMAND_MAX : a.Command.size();
  reply.CommandLength = static_cast<unsigned char>(n);
  std::memcpy(reply.Command, a.Command.data(), n);
  reply.WriteData = a.WriteData ? 1 : 0;
  std::size_t units = a.Data.size() > KARVO_TEXT_UNITS ? KARVO_TEXT_UNITS : a.Data.size();
  std::memcpy(reply.Data, a.Data.data(), units * 2);
  reply.Data[units] = 0;
  reply.WriteDataPointer = a.WritePointer ? 1 : 0;
  reply.DataPointer = a.Pointer;
}

Answer Answer::Code(std::uint8_t code) {
  Answer a;
  a.Command = std::string(1, static_cast<char>(code));
  return a;
}

Answer Answer::Verdict(bool success, std::u16string data) {
  Answer a;
  a.Command = success ? "\x01" : "\x00";
  if (!success) a.Command = std::string(1, '\0');
  a.WriteData = true;
  a.Data = std::move(data);
  return a;
}

Answer Answer::VerdictWithPointer(bool success, std::u16string data, std::uint32_t pointer) {
  Answer a = Verdict(success, std::move(data));
  a.WritePointer = true;
  a.Pointer = pointer;
  return a;
}

Answer Answer::Raw(std::string command, std::u16string data) {
  Answer a;
  a.Command = std::move(command);
  a.WriteData = true;
  a.Data = std::move(data);
  return a;
}

Answer Answer::Silent() {
  Answer a;
  a.Reply = false;
  return a;
}

HostServing DefaultServing() {
  char value[16] = {};
  DWORD n = ::GetEnvironmentVariableA("KARVO_TEST_HOST", value, sizeof value);
  return n > 0 && n < sizeof value && std::strcmp(value, "literal") == 0 ? HostServing::Literal : HostServing::Sdk;
}

ScriptedHost::ScriptedHost(HostServing serving) : serving_(serving) {
  handler_ = [](const SeenRequest&) { return Answer::Code(1); };
  host_ = KarvoHostCreate(::GetCurrentProcessId());
  if (host_ == nullptr) return;
  mapping_ =
      ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, reinterpret_cast<const wchar_t*>(KarvoHostApiHandle(host_)));
  if (mapping_ != nullptr)
    view_ = static_cast<TPluginsSharedMemData*>(::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  Start();
}

ScriptedHost::~ScriptedHost() {
  Stop();
  if (view_ != nullptr) ::UnmapViewOfFile(view_);
  if (mapping_ != nullptr) ::CloseHandle(mapping_);
  KarvoHostFree(host_);
}

void ScriptedHost::Start() {
  if (host_ == nullptr || thread_.joinable()) return;
  stop_ = false;
  if (serving_ == HostServing::Literal) {
    thread_ = std::thread([this] {
      LiteralBlock block(reinterpret_cast<const char16_t*>(KarvoHostApiHandle(host_)));
      while (!stop_ && block.ServeOne(&ScriptedHost::Serve, this, 20) >= 0) {
      }
    });
    return;
  }
  thread_ = std::thread([this] {
    while (!stop_ && KarvoHostServeOne(host_, &ScriptedHost::Serve, this, 20) >= 0) {
    }
  });
}

void ScriptedHost::Stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

std::string ScriptedHost::ApiHandle() const {
  std::string out;
  for (const unsigned short* p = KarvoHostApiHandle(host_); *p != 0; ++p) out += static_cast<char>(*p);
  return out;
}

void ScriptedHost::SetHandler(Handler h) {
  std::lock_guard<std::mutex> l(mu_);
  handler_ = std::move(h);
}

void ScriptedHost::Always(Answer a) {
  SetHandler([a](const SeenRequest&) { return a; });
}

std::vector<SeenRequest> ScriptedHost::Requests() {
  std::lock_guard<std::mutex> l(mu_);
  return seen_;
}

std::size_t ScriptedHost::RequestCount() {
  std::lock_guard<std::mutex> l(mu_);
  return count_;
}

void ScriptedHost::KeepRequests(bool keep) {
  std::lock_guard<std::mutex> l(mu_);
  keep_ = keep;
}

void ScriptedHost::SetState(std::uint8_t state) { KarvoHostSetState(host_, state); }

void ScriptedHost::SetUnreadReplyLimit(unsigned ms) { KarvoHostSetUnreadReplyLimit(host_, ms); }

unsigned ScriptedHost::UnreadRepliesFreed() const { return KarvoHostUnreadRepliesFreed(host_); }

int __stdcall ScriptedHost::Serve(void* self, const KarvoRequest* req, KarvoReply* reply) {
  auto* h = static_cast<ScriptedHost*>(self);
  SeenRequest seen = SeenFrom(*req);
  Answer a;
  {
    std::lock_guard<std::mutex> l(h->mu_);
    ++h->count_;
    if (h->keep_) h->seen_.push_back(seen);
    a = h->handler_(seen);
  }
  if (a.DelayMs != 0) ::Sleep(a.DelayMs);
  if (!a.Reply) return 0;
  WriteAnswer(a, *reply);
  return 1;
}

}  // namespace karvo::test
