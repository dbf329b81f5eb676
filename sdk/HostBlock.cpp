// The host side of the block: create it, serve one request at a time.
#include <cstring>
#include <memory>
#include <mutex>

#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "karvo_host.h"

using karvo::TPluginsSharedMem;

struct KarvoHostBlock {
  std::unique_ptr<TPluginsSharedMem> mem;
  // A block object serves one thread at a time; a host may serve from one
  // thread and change the state from another.
  std::mutex access;
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
    karvo::WriteTextField(b, karvo::TextField::Data,
                          std::u16string(reinterpret_cast<const char16_t*>(r.Data), len));
  }
  if (r.WriteDataPointer) karvo::WriteDataPointer(b, r.DataPointer);
  karvo::WriteStateByte(b, karvo::smsWaitForRead);
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

int __stdcall KarvoHostServeOne(KarvoHostBlock* host, KarvoRequestHandler handler, void* context,
                                unsigned int waitMs) {
  if (host == nullptr || !host->mem->Created()) return -1;
  try {
    TPluginsSharedMem& mem = *host->mem;
    DWORD start = ::GetTickCount();
    auto state = [&] {
      std::lock_guard<std::mutex> l(host->access);
      return mem.SharedMemState();
    };
    while (state() != karvo::smsToProcess) {
      if (::GetTickCount() - start >= waitMs) return 0;
      ::Sleep(1);
    }
    auto request = std::make_unique<KarvoRequest>();
    {
      std::lock_guard<std::mutex> l(host->access);
      TPluginsSharedMem::Hold h(mem);
      if (!h.Owned() || karvo::ReadStateByte(h.Block()) != karvo::smsToProcess) return 0;
      ReadRequest(h.Block(), *request);
      karvo::WriteStateByte(h.Block(), karvo::smsProcessing);
    }
    auto reply = std::make_unique<KarvoReply>();
    std::memset(reply.get(), 0, sizeof(KarvoReply));
    if (!handler(context, request.get(), reply.get())) return 1;
    std::lock_guard<std::mutex> l(host->access);
    TPluginsSharedMem::Hold h(mem);
    if (!h.Owned()) return 1;
    WriteReply(h.Block(), *reply);
    return 1;
  } catch (...) {
    return 0;
  }
}

void __stdcall KarvoHostSetState(KarvoHostBlock* host, unsigned char state) {
  if (host == nullptr) return;
  std::lock_guard<std::mutex> l(host->access);
  host->mem->SetSharedMemState(static_cast<karvo::TSharedMemState>(state));
}

void __stdcall KarvoHostFree(KarvoHostBlock* host) { delete host; }

}  // extern "C"
