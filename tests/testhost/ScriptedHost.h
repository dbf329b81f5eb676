// A host for tests: it creates a block with the host SDK and serves it from
// a thread, answering each request as the test has scripted. It serves with
// the SDK's loop, or field by field the literal way (LiteralBlock): the
// suites run once with each, so every request export is proven against a
// host that knows none of the SDK's shortcuts.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "karvo_host.h"

namespace karvo::test {

struct SeenRequest {
  std::string Command;
  std::u16string SQL;
  std::u16string Data;
  std::uint32_t DataPointer = 0;
};

struct Answer {
  bool Reply = true;             // false: leave the request unanswered
  std::string Command = "\x01";  // reply bytes
  bool WriteData = false;
  std::u16string Data;
  bool WritePointer = false;
  std::uint32_t Pointer = 0;
  unsigned DelayMs = 0;  // wait this long before answering

  static Answer Code(std::uint8_t code);
  static Answer Verdict(bool success, std::u16string data);
  static Answer VerdictWithPointer(bool success, std::u16string data, std::uint32_t pointer);
  static Answer Raw(std::string command, std::u16string data);
  static Answer Silent();
};

enum class HostServing { Sdk, Literal };
// Literal when the environment variable KARVO_TEST_HOST is "literal".
HostServing DefaultServing();

// The request as the handler sees it, and an answer written as the reply.
SeenRequest SeenFrom(const KarvoRequest& req);
void WriteAnswer(const Answer& a, KarvoReply& reply);

class ScriptedHost {
 public:
  using Handler = std::function<Answer(const SeenRequest&)>;

  // Answers reply code 1 until told otherwise.
  explicit ScriptedHost(HostServing serving = DefaultServing());
  ~ScriptedHost();
  ScriptedHost(const ScriptedHost&) = delete;
  ScriptedHost& operator=(const ScriptedHost&) = delete;

  std::string ApiHandle() const;  // 8-bit, for OpenAPI
  void SetHandler(Handler h);
  void Always(Answer a);
  std::vector<SeenRequest> Requests();
  std::size_t RequestCount();
  // Off: requests are counted and handed to the handler, not kept (a run of
  // forty thousand long requests would not fit in memory).
  void KeepRequests(bool keep);
  void SetState(std::uint8_t state);
  // The SDK's bound on a reply that nobody reads, and how many it freed
  // (the literal way frees none).
  void SetUnreadReplyLimit(unsigned ms);
  unsigned UnreadRepliesFreed() const;
  // A raw view of the block, for tests that tamper with it.
  TPluginsSharedMemData* Block() const { return view_; }
  // Stop ends the serving thread and leaves the block; Start serves again,
  // as a host restarted on its block would.
  void Stop();
  void Start();
  HostServing Serving() const { return serving_; }

 private:
  static int __stdcall Serve(void* self, const KarvoRequest* req, KarvoReply* reply);
  HostServing serving_;
  KarvoHostBlock* host_ = nullptr;
  TPluginsSharedMemData* view_ = nullptr;
  void* mapping_ = nullptr;
  std::mutex mu_;
  Handler handler_;
  std::vector<SeenRequest> seen_;
  std::size_t count_ = 0;
  bool keep_ = true;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace karvo::test
