#include "InlineHost.h"

#include <cstring>

#include "platform/WindowsSupport.h"

namespace karvo::test {

InlineHost::InlineHost() {
  handler = [](const SeenRequest&) { return Answer::Code(1); };
  host_ = KarvoHostCreate(::GetCurrentProcessId() ^ 0x5A5A);
  if (host_ == nullptr) return;
  mapping_ =
      ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, reinterpret_cast<const wchar_t*>(KarvoHostApiHandle(host_)));
  if (mapping_ != nullptr)
    view_ = static_cast<TPluginsSharedMemData*>(::MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
}

InlineHost::~InlineHost() {
  if (view_ != nullptr) ::UnmapViewOfFile(view_);
  if (mapping_ != nullptr) ::CloseHandle(mapping_);
  KarvoHostFree(host_);
}

std::u16string InlineHost::ApiHandle() const {
  std::u16string out;
  for (const unsigned short* p = KarvoHostApiHandle(host_); *p != 0; ++p) out += static_cast<char16_t>(*p);
  return out;
}

void InlineHost::Serve() {
  if (KarvoHostServeOne(host_, &InlineHost::Respond, this, 0) == 1) ++served_;
}

std::uint8_t InlineHost::State() const { return view_ == nullptr ? 0xFF : view_->State; }

void InlineHost::SetState(std::uint8_t state) { KarvoHostSetState(host_, state); }

int __stdcall InlineHost::Respond(void* self, const KarvoRequest* req, KarvoReply* reply) {
  auto* h = static_cast<InlineHost*>(self);
  SeenRequest seen;
  seen.Command = req->Command;
  seen.SQL = reinterpret_cast<const char16_t*>(req->SQL);
  seen.Data = reinterpret_cast<const char16_t*>(req->Data);
  seen.DataPointer = req->DataPointer;
  karvo::test::Answer a = h->handler(seen);
  if (!a.Reply) return 0;
  std::size_t n = a.Command.size() > KARVO_COMMAND_MAX ? KARVO_COMMAND_MAX : a.Command.size();
  reply->CommandLength = static_cast<unsigned char>(n);
  std::memcpy(reply->Command, a.Command.data(), n);
  reply->WriteData = a.WriteData ? 1 : 0;
  std::size_t units = a.Data.size() > KARVO_TEXT_UNITS ? KARVO_TEXT_UNITS : a.Data.size();
  std::memcpy(reply->Data, a.Data.data(), units * 2);
  reply->Data[units] = 0;
  reply->WriteDataPointer = a.WritePointer ? 1 : 0;
  reply->DataPointer = a.Pointer;
  return 1;
}

}  // namespace karvo::test
