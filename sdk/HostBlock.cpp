// The host side of the block: create it, serve one request at a time. The
// block object keeps its mutex open, a request takes one hold to read and one
// to answer, and polls read the state byte without the mutex.
//
// Our library wakes the host when it writes a request while the host pauses
// (and marks the request as one whose client signals), so an idle host
// waits on that signal and looks at the block only now and then, for the
// clients that signal nothing: every millisecond while requests keep coming,
// then less often the longer none has come, never less often than every
// kIdlePollMaxMs.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>

#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "PluginsSharedMem/YieldingSpin.h"
#include "karvo_host.h"
#include "platform/WindowsClock.h"

using karvo::TPluginsSharedMem;
using karvo::Wake;

struct KarvoHostBlock {
  std::unique_ptr<TPluginsSharedMem> mem;
  // Kept from one request to the next: two 64 KB buffers made and zeroed
  // for every request were a good part of a large round trip. Only one
  // request is served at a time, since the block holds one.
  std::unique_ptr<KarvoRequest> request = std::make_unique<KarvoRequest>();
  std::unique_ptr<KarvoReply> reply = std::make_unique<KarvoReply>();
  // A block object serves one thread at a time; a host may serve from one
  // thread and change the state from another.
  std::mutex access;
  // The last reply written, until it is seen read: its tag and its time.
  bool replyUnread = false;
  std::uint16_t replyTag = 0;
  DWORD replyWrittenAt = 0;
  std::atomic<unsigned int> unreadReplyMs{KARVO_UNREAD_REPLY_MS};
  std::atomic<unsigned int> unreadFreed{0};
  // When the last request was taken, for the pace of the idle polls.
  DWORD lastRequestAt = ::GetTickCount();
  // When a request of a client that signals nothing was last taken.
  DWORD silentTakenAt = 0;
  bool silentSeen = false;
};

namespace {

// A host counts as busy this long after its last request; then its polls
// for clients that signal nothing space out, up to kIdlePollMaxMs apart.
constexpr DWORD kBusyMs = 100;
constexpr DWORD kIdlePollMaxMs = KARVO_IDLE_POLL_MAX_MS;

// Runs under the hold, so it copies the fields straight across: a text
// field holds its text up to the first NUL, and the extra unit of each
// request field ends one that fills its whole field.
void ReadRequest(const TPluginsSharedMemData& b, KarvoRequest& r) {
  std::size_t n = std::min<std::size_t>(b.CommandLength, KARVO_COMMAND_MAX);
  std::memcpy(r.Command, b.Command, n);
  r.Command[n] = '\0';
  std::memcpy(r.SQL, b.SQL, sizeof b.SQL);
  r.SQL[KARVO_TEXT_UNITS] = 0;
  std::memcpy(r.Data, b.Data, sizeof b.Data);
  r.Data[KARVO_TEXT_UNITS] = 0;
  r.DataPointer = karvo::ReadDataPointer(b);
}

void WriteReply(TPluginsSharedMemData& b, const KarvoReply& r) {
  std::size_t n = r.CommandLength > KARVO_COMMAND_MAX ? KARVO_COMMAND_MAX : r.CommandLength;
  karvo::WriteCommandBytes(b, std::string(r.Command, n));
  if (r.WriteData) {
    // The field is zero-filled and then takes the text up to its NUL.
    std::size_t len = 0;
    while (len < KARVO_TEXT_UNITS && r.Data[len] != 0) ++len;
    std::memset(b.Data, 0, sizeof b.Data);
    std::memcpy(b.Data, r.Data, len * 2);
  }
  if (r.WriteDataPointer) karvo::WriteDataPointer(b, r.DataPointer);
  karvo::WriteStateByte(b, karvo::smsWaitForRead);
}

// A reply still unread past the bound was given up by its client (it timed
// out or ended): the block is set free for the others, and the tag moves on,
// so that a client waking late does not take the next reply for its own.
void FreeUnreadReply(KarvoHostBlock& host) {
  if (!host.replyUnread) return;
  TPluginsSharedMem& mem = *host.mem;
  if (mem.PeekSharedMemState() != karvo::smsWaitForRead) {
    host.replyUnread = false;  // its client has read it
    return;
  }
  if (::GetTickCount() - host.replyWrittenAt < host.unreadReplyMs) return;
  std::lock_guard<std::mutex> l(host.access);
  TPluginsSharedMem::Hold h(mem);
  if (!h.Owned()) return;  // again at the next poll
  host.replyUnread = false;
  TPluginsSharedMemData& b = h.Block();
  if (karvo::ReadStateByte(b) != karvo::smsWaitForRead || karvo::ReadRequestTag(b) != host.replyTag) return;
  karvo::WriteRequestTag(b, karvo::NextRequestTag(host.replyTag));
  karvo::WriteStateByte(b, karvo::smsFree);
  ++host.unreadFreed;
  mem.Signals().Raise(Wake::Free);
}

// Reads the request and sets smsProcessing under one hold once one has come.
// Polls look at the state byte without the mutex and only the hold decides.
bool TryTake(KarvoHostBlock& host, KarvoRequest& request) {
  FreeUnreadReply(host);
  TPluginsSharedMem& mem = *host.mem;
  if (mem.PeekSharedMemState() != karvo::smsToProcess) return false;
  std::lock_guard<std::mutex> l(host.access);
  TPluginsSharedMem::Hold h(mem);
  if (!h.Owned() || karvo::ReadStateByte(h.Block()) != karvo::smsToProcess) return false;
  ReadRequest(h.Block(), request);
  karvo::WriteStateByte(h.Block(), karvo::smsProcessing);
  host.lastRequestAt = ::GetTickCount();
  // Our client marks its requests; any other is served at the pace it keeps.
  if (mem.Signals().Present() && !mem.Signals().TakeMark(karvo::ReadRequestTag(h.Block()))) {
    host.silentSeen = true;
    host.silentTakenAt = host.lastRequestAt;
  }
  return true;
}

// How long to wait for a request before looking at the block again. With
// wake-ups a signalling client is taken at once whatever this is; it bounds
// how late a client that signals nothing is served.
DWORD PollInterval(const KarvoHostBlock& host) {
  if (!host.mem->Signals().Present()) return 1;
  const DWORD idle = ::GetTickCount() - host.lastRequestAt;
  if (idle < kBusyMs) return 1;
  return std::min<DWORD>(kIdlePollMaxMs, std::max<DWORD>(1, idle / 20));
}

// Whether a client that signals nothing was served lately: then the host
// polls at the pace of the sleeps, as such a client itself does, since a
// wait's timeout runs late more often than a sleep does.
bool SilentClientActive(const KarvoHostBlock& host) {
  return host.silentSeen && ::GetTickCount() - host.silentTakenAt < kBusyMs;
}

// One pause between looks at the block: on the request event, counted so
// that a client that signals raises it; at the pace of the sleeps, with a
// look at the event first, while a client that signals nothing is served.
void PauseForRequest(KarvoHostBlock& host, DWORD pause) {
  karvo::BlockSignals& signals = host.mem->Signals();
  if (!signals.Present()) {
    karvo::ClockSleep(pause);
    return;
  }
  if (pause <= 1 && SilentClientActive(host)) {
    if (!signals.Pause(Wake::Request, 0)) karvo::ClockSleep(pause);
    return;
  }
  karvo::BlockSignals::Waiting waiting(signals, Wake::Request);
  if (host.mem->PeekSharedMemState() == karvo::smsToProcess) return;
  signals.Pause(Wake::Request, pause);
}

// Waits up to waitMs. While requests keep coming, about a millisecond of
// yielding polls first, for a client that does not signal and sends its next
// request right after reading a reply.
bool TakeRequest(KarvoHostBlock& host, KarvoRequest& request, unsigned int waitMs) {
  const DWORD start = ::GetTickCount();
  bool taken = false;
  if (start - host.lastRequestAt < kBusyMs) {
    karvo::YieldingSpin spin(std::min<std::int64_t>(karvo::YieldingSpin::kSpinMicros, std::int64_t{waitMs} * 1000));
    do {
      taken = TryTake(host, request);
    } while (!taken && spin.Again());
  }
  while (!taken && !TryTake(host, request)) {
    const DWORD waited = ::GetTickCount() - start;
    if (waited >= waitMs) return false;
    PauseForRequest(host, std::min<DWORD>(PollInterval(host), waitMs - waited));
  }
  return true;
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
    KarvoRequest* request = host->request.get();
    KarvoReply* reply = host->reply.get();
    if (!TakeRequest(*host, *request, waitMs)) return 0;
    std::memset(reply, 0, sizeof(KarvoReply));
    if (!handler(context, request, reply)) return 1;
    {
      std::lock_guard<std::mutex> l(host->access);
      TPluginsSharedMem::Hold h(*host->mem);
      if (!h.Owned()) return 1;
      WriteReply(h.Block(), *reply);
      host->replyUnread = true;
      host->replyTag = karvo::ReadRequestTag(h.Block());
      host->replyWrittenAt = ::GetTickCount();
    }
    // After the hold, so that the client it wakes finds the mutex free.
    host->mem->Signals().Raise(Wake::Reply);
    return 1;
  } catch (...) {
    return 0;
  }
}

void __stdcall KarvoHostSetState(KarvoHostBlock* host, unsigned char state) {
  if (host == nullptr) return;
  std::lock_guard<std::mutex> l(host->access);
  TPluginsSharedMem::Hold h(*host->mem);
  if (!h.Owned()) return;
  // A block set free ends the request in it: its client must not take what
  // comes next for its reply.
  if (state == karvo::smsFree && karvo::ReadStateByte(h.Block()) != karvo::smsFree)
    karvo::WriteRequestTag(h.Block(), karvo::NextRequestTag(karvo::ReadRequestTag(h.Block())));
  karvo::WriteStateByte(h.Block(), state);
  // Whoever waits for the block or for a reply looks again: it is free, or
  // there is no service any more.
  if (state == karvo::smsFree || state == karvo::smsNoAllocated) host->mem->Signals().Raise(Wake::Free);
  if (state == karvo::smsNoAllocated) host->mem->Signals().Raise(Wake::Reply);
}

void __stdcall KarvoHostSetUnreadReplyLimit(KarvoHostBlock* host, unsigned int ms) {
  if (host == nullptr) return;
  host->unreadReplyMs = ms;
}

unsigned int __stdcall KarvoHostUnreadRepliesFreed(const KarvoHostBlock* host) {
  return host == nullptr ? 0u : host->unreadFreed.load();
}

void __stdcall KarvoHostFree(KarvoHostBlock* host) { delete host; }

}  // extern "C"
