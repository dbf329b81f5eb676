// The host side of the block: create it, serve one request at a time. The
// block object keeps its mutex open, a request takes one hold to read and one
// to answer, and polls read the state byte without the mutex.
#include <algorithm>
#include <cstring>
#include <memory>

#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "PluginsSharedMem/YieldingSpin.h"
#include "karvo_host.h"

using karvo::TPluginsSharedMem;

struct KarvoHostBlock {
  std::unique_ptr<TPluginsSharedMem> mem;
};

namespace {

void ReadRequest(TPluginsSharedMemData& b, KarvoRequest& r) {
  std::string command = karvo::ReadCommandBytes(b);
  std::memcpy(r.Command, command.data(), command.size());
  r.Command[command.size()] = '\0';
  std::u16string sql = karvo::ReadTextField(b, karvo::TextField::SQL);
  std::u16string data = karvo::ReadTextField(b, karvo::TextField::Data);
  std::memcpy(r.SQL, sql.c_str(), (sql.size() + 1) * 2);
  std::memcpy(r.Data, data.c_str(), (data.size() + 1) * 2);
  r.DataPointer = karvo::ReadDataPointer(b);
}

void WriteReply(TPluginsSharedMemData& b, const KarvoReply& r) {
  std::size_t n = r.CommandLength > KARVO_COMMAND_MAX ? KARVO_COMMAND_MAX : r.CommandLength;
  karvo::WriteCommandBytes(b, std::string(r.Command, n));
  if (r.WriteData) {
    std::size_t len = 0;
    while (len < KARVO_TEXT_UNITS && r.Data[len] != 0) ++len;
    karvo::WriteTextField(b, karvo::TextField::Data, std::u16string(reinterpret_cast<const char16_t*>(r.Data), len));
  }
  if (r.WriteDataPointer) karvo::WriteDataPointer(b, r.DataPointer);
  karvo::WriteStateByte(b, karvo::smsWaitForRead);
}

constexpr int kReplyAttempts = 5;

// Reads the request and sets smsProcessing under one hold once one has come.
// Polls look at the state byte without the mutex and only the hold decides.
bool TryTake(TPluginsSharedMem& mem, KarvoRequest& request) {
  if (mem.PeekSharedMemState() != karvo::smsToProcess) return false;
  TPluginsSharedMem::Hold h(mem);
  if (!h.Owned() || karvo::ReadStateByte(h.Block()) != karvo::smsToProcess) return false;
  ReadRequest(h.Block(), request);
  karvo::WriteStateByte(h.Block(), karvo::smsProcessing);
  return true;
}

// Waits up to waitMs: about a millisecond of yielding polls, then a poll
// every millisecond.
bool TakeRequest(TPluginsSharedMem& mem, KarvoRequest& request, unsigned int waitMs) {
  const DWORD start = ::GetTickCount();
  karvo::YieldingSpin spin(std::min<std::int64_t>(karvo::YieldingSpin::kSpinMicros, std::int64_t{waitMs} * 1000));
  do {
    if (TryTake(mem, request)) return true;
  } while (spin.Again());
  for (;;) {
    if (TryTake(mem, request)) return true;
    if (::GetTickCount() - start >= waitMs) return false;
    ::Sleep(1);
  }
}

}  // namespace

extern "C" {

KarvoHostBlock* __stdcall KarvoHostCreate(unsigned int windowHandle) {
  try {
    auto host = std::make_unique<KarvoHostBlock>();
    host->mem = TPluginsSharedMem::Create(windowHandle);
    if (host->mem->ApiHandle().empty()) return nullptr;
    return host.release();
  } catch (...) {
    return nullptr;
  }
}

const unsigned short* __stdcall KarvoHostApiHandle(const KarvoHostBlock* host) {
  static const unsigned short empty[1] = {0};
  if (host == nullptr) return empty;
  return reinterpret_cast<const unsigned short*>(host->mem->ApiHandle().c_str());
}

int __stdcall KarvoHostServeOne(KarvoHostBlock* host, KarvoRequestHandler handler, void* context, unsigned int waitMs) {
  if (host == nullptr || !host->mem->Created()) return -1;
  try {
    TPluginsSharedMem& mem = *host->mem;
    auto request = std::make_unique<KarvoRequest>();
    auto reply = std::make_unique<KarvoReply>();
    std::memset(reply.get(), 0, sizeof(KarvoReply));
    if (!TakeRequest(mem, *request, waitMs)) return 0;
    if (!handler(context, request.get(), reply.get())) return 1;
    // The client waits a minute for this reply: a mutex that stays busy
    // for one wait does not lose it at once.
    for (int attempt = 0; attempt < kReplyAttempts; ++attempt) {
      TPluginsSharedMem::Hold h(mem);
      if (!h.Owned()) continue;
      WriteReply(h.Block(), *reply);
      break;
    }
    return 1;
  } catch (...) {
    return 0;
  }
}

void __stdcall KarvoHostSetState(KarvoHostBlock* host, unsigned char state) {
  if (host != nullptr) host->mem->SetSharedMemState(static_cast<karvo::TSharedMemState>(state));
}

void __stdcall KarvoHostFree(KarvoHostBlock* host) { delete host; }

}  // extern "C"
