// A scripted host served on the caller's own thread: a test has it answer a
// waiting request whenever the library sleeps, so a request takes the same
// steps in every run, costs no sleep, and a fault loop can count them.
#pragma once

#include <cstdint>
#include <string>

#include "ScriptedHost.h"
#include "karvo_host.h"

namespace karvo::test {

class InlineHost {
 public:
  InlineHost();  // answers reply code 1 until told otherwise
  ~InlineHost();
  InlineHost(const InlineHost&) = delete;
  InlineHost& operator=(const InlineHost&) = delete;

  std::u16string ApiHandle() const;
  // Serves the request in the block, if there is one.
  void Serve();
  // The block's state byte, and setting it as a host does (smsFree after a
  // client gave up waiting for a reply).
  std::uint8_t State() const;
  void SetState(std::uint8_t state);
  int Served() const { return served_; }

  ScriptedHost::Handler handler;

 private:
  static int __stdcall Respond(void* self, const KarvoRequest* req, KarvoReply* reply);
  KarvoHostBlock* host_ = nullptr;
  void* mapping_ = nullptr;
  TPluginsSharedMemData* view_ = nullptr;
  int served_ = 0;
};

}  // namespace karvo::test
