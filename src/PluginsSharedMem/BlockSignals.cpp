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

// What lies in the words' mapping. Anybody who opens it can write there; a
// count or a mark read wrong costs a wake-up, which the pause's own timeout
// makes up for, never a request.
struct BlockSignals::Words {
  volatile long waiting[3];  // pauses begun on each event and not yet ended
  volatile long markedTag;   // kMarked | the tag of a request whose client signals
};

namespace {
constexpr long kMarked = 0x10000;
}  // namespace

std::u16string BlockSignals::WordsName(const std::u16string& apiHandle) {
  return apiHandle + u"" KARVO_WAKE_WORDS_SUFFIX;
}

// The three events and the words, each as the getters make or open them;
// none at all when one fails.
template <class GetEvent, class GetWords>
BlockSignals BlockSignals::Each(const std::u16string& apiHandle, GetEvent getEvent, GetWords getWords) {
  BlockSignals s;
  if (apiHandle.empty()) return s;
  for (Wake w : kAll) {
    UniqueHandle e = getEvent(Name(apiHandle, w));
    if (!e) return BlockSignals();
    s.events_[static_cast<int>(w)] = std::move(e);
  }
  s.wordsMapping_ = getWords(WordsName(apiHandle));
  if (!s.wordsMapping_) return BlockSignals();
  s.wordsView_.reset(Sys().MapViewOfFile(s.wordsMapping_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sizeof(Words)));
  if (!s.wordsView_) return BlockSignals();
  s.heard_ = std::make_unique<std::atomic<bool>>(false);
  return s;
}

BlockSignals BlockSignals::Make(const std::u16string& apiHandle) {
  return Each(
      apiHandle,
      [](const std::u16string& name) {
        UniqueHandle e(Sys().CreateEventW(nullptr, FALSE, FALSE, AsWide(name)));
        if (e && ::GetLastError() == ERROR_ALREADY_EXISTS) e.reset();
        return e;
      },
      [](const std::u16string& name) {
        UniqueHandle m(
            Sys().CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(Words), AsWide(name)));
        if (m && ::GetLastError() == ERROR_ALREADY_EXISTS) m.reset();
        return m;
      });
}

BlockSignals BlockSignals::Open(const std::u16string& apiHandle) {
  return Each(
      apiHandle,
      [](const std::u16string& name) {
        return UniqueHandle(Sys().OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, AsWide(name)));
      },
      [](const std::u16string& name) {
        return UniqueHandle(Sys().OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, AsWide(name)));
      });
}

BlockSignals::Words* BlockSignals::words() const { return static_cast<Words*>(wordsView_.get()); }

volatile long* BlockSignals::Count(Wake w) const {
  return words() == nullptr ? nullptr : &words()->waiting[static_cast<int>(w)];
}

BlockSignals::Waiting::Waiting(BlockSignals& s, Wake w) : count_(s.Count(w)) {
  if (count_ != nullptr) ::InterlockedIncrement(count_);
}

BlockSignals::Waiting::~Waiting() {
  if (count_ != nullptr) ::InterlockedDecrement(count_);
}

void BlockSignals::MarkRequest(std::uint16_t tag) {
  if (words() != nullptr) ::InterlockedExchange(&words()->markedTag, kMarked | tag);
}

bool BlockSignals::TakeMark(std::uint16_t tag) {
  return words() != nullptr && ::InterlockedExchange(&words()->markedTag, 0) == (kMarked | tag);
}

void BlockSignals::Raise(Wake w) {
  HANDLE e = events_[static_cast<int>(w)].get();
  // The locked read comes after the state written before it: a pause
  // counted later looks at the block and sees that state.
  if (e != nullptr && ::InterlockedCompareExchange(Count(w), 0, 0) != 0) Sys().SetEvent(e);
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
