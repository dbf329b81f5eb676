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
  SeenRequest seen = SeenFrom(*req);
  karvo::test::Answer a = h->handler(seen);
  if (!a.Reply) return 0;
  WriteAnswer(a, *reply);
  return 1;
}

}  // namespace karvo::test
