#include "PluginsSharedMem/BlockSignals.h"

#include "karvo_host.h"

namespace karvo {

namespace {

const char16_t* Suffix(Wake w) {
  switch (w) {
    case Wake::Request: return u"" KARVO_WAKE_HOST_SUFFIX;
    case Wake::Reply: return u"" KARVO_WAKE_REPLY_SUFFIX;
    case Wake::Free: break;
  }
  return u"" KARVO_WAKE_FREE_SUFFIX;
}

constexpr Wake kAll[3] = {Wake::Request, Wake::Reply, Wake::Free};

}  // namespace

std::u16string BlockSignals::Name(const std::u16string& apiHandle, Wake w) { return apiHandle + Suffix(w); }

// The three events, each as `get` makes or opens it; none at all when it
// fails for one.
template <class Get>
BlockSignals BlockSignals::Each(const std::u16string& apiHandle, Get get) {
  BlockSignals s;
  if (apiHandle.empty()) return s;
  for (Wake w : kAll) {
    UniqueHandle e = get(Name(apiHandle, w));
    if (!e) return BlockSignals();
    s.events_[static_cast<int>(w)] = std::move(e);
  }
  s.heard_ = std::make_unique<std::atomic<bool>>(false);
  return s;
}

BlockSignals BlockSignals::Make(const std::u16string& apiHandle) {
  return Each(apiHandle, [](const std::u16string& name) {
    UniqueHandle e(Sys().CreateEventW(nullptr, FALSE, FALSE, AsWide(name)));
    if (e && ::GetLastError() == ERROR_ALREADY_EXISTS) e.reset();
    return e;
  });
}

BlockSignals BlockSignals::Open(const std::u16string& apiHandle) {
  return Each(apiHandle, [](const std::u16string& name) {
    return UniqueHandle(Sys().OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, AsWide(name)));
  });
}

void BlockSignals::Raise(Wake w) {
  HANDLE e = events_[static_cast<int>(w)].get();
  if (e != nullptr) Sys().SetEvent(e);
}

bool BlockSignals::Pause(Wake w, DWORD ms) {
  HANDLE e = events_[static_cast<int>(w)].get();
  if (e == nullptr) {
    Sys().Sleep(ms);
    return false;
  }
  DWORD r = Sys().WaitForSingleObject(e, ms);
  // A wait that fails at once must not make the pause shorter than a sleep.
  if (r == WAIT_FAILED) Sys().Sleep(ms);
  return r == WAIT_OBJECT_0;
}

}  // namespace karvo
