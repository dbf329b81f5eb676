#include "link/RequestCycle.h"

#include <memory>
#include <optional>

#include "PluginsSharedMem/YieldingSpin.h"
#include "link/ApiError.h"
#include "link/ProcessState.h"
#include "link/RequestTurn.h"
#include "link/WaitPauses.h"
#include "messages/Messages.h"
#include "platform/MessageBox.h"

namespace karvo {

namespace {

int g_waitLimit = 60000;
std::int64_t g_spinMicros = YieldingSpin::kSpinMicros;

// What one look at the block under the mutex found.
enum class Seen {
  Wanted,  // the state read `wanted` and the act was done in the same hold
  Other,   // some other state: keep waiting
  Gone,    // smsNoAllocated, or the lock could not be taken (which reads as it)
};

// Reads the state under one hold and, when it is `wanted`, acts on the block
// in that same hold, so nothing can change it between the test and the act.
template <class Act>
Seen Confirm(TPluginsSharedMem& mem, TSharedMemState wanted, Act& act) {
  TPluginsSharedMem::Hold h(mem);
  if (!h.Owned()) return wanted == smsNoAllocated ? Seen::Wanted : Seen::Gone;
  std::uint8_t s = ReadStateByte(h.Block());
  if (s == wanted) {
    act(h.Block());
    return Seen::Wanted;
  }
  return s == smsNoAllocated ? Seen::Gone : Seen::Other;
}

// One poll: the state byte read without the mutex only says when it is
// worth taking the mutex; what is done rests on what the hold reads.
template <class Act>
Seen Poll(TPluginsSharedMem& mem, TSharedMemState wanted, Act& act) {
  std::uint8_t s = mem.PeekSharedMemState();
  if (s != wanted && s != smsNoAllocated) return Seen::Other;
  return Confirm(mem, wanted, act);
}

// Waits until the state reads `wanted` and acts under that hold. The wait
// counts sleeps of one millisecond and gives up past the limit, as it always
// has; the first millisecond is spent polling with yields instead of in one
// sleep and counts as that sleep, so the wait lasts as long as before. While
// sleeping each round also reads the state under the mutex, so a lock that
// cannot be taken ends the wait as it did when every poll was locked.
//
// With our host's wake-ups beside the block the sleeps are pauses on the
// event that announces the state waited for (WaitPauses.h), counted as the
// sleeps they stand for, so the wait keeps its length in time. A signal
// only ends a pause; the hold decides.
template <class Act>
bool WaitCounted(TPluginsSharedMem& mem, TSharedMemState wanted, int& counter, Act& act) {
  YieldingSpin spin(g_spinMicros);
  do {
    Seen s = Poll(mem, wanted, act);
    if (s != Seen::Other) return s == Seen::Wanted;
  } while (spin.Again());
  if (++counter > g_waitLimit) return false;
  for (;;) {
    Seen s = Poll(mem, wanted, act);
    if (s != Seen::Other) return s == Seen::Wanted;
    counter += PauseWhileWaiting(mem, wanted);
    if (counter > g_waitLimit) return false;
    if (mem.SharedMemState() == smsNoAllocated) return false;
  }
}

// A text that does not fit its field is not sent at all: an emptied field
// would have the host run or answer something else than was asked.
const char16_t* TooLongMessage(const Request& request) {
  for (const FieldWrite& f : request.Fields) {
    if (f.kind == FieldWrite::Kind::DataPointer || TextFits(f.text)) continue;
    return f.kind == FieldWrite::Kind::SQL ? msg::kSqlTooLong : msg::kDataTooLong;
  }
  return nullptr;
}

// Writes the request and stamps it with the next tag, which the reply must
// carry to be taken as this request's.
void WriteRequest(TPluginsSharedMemData& b, const std::string& command, const Request& request, std::uint16_t& tag) {
  WriteCommandBytes(b, command);
  for (const FieldWrite& f : request.Fields) {
    switch (f.kind) {
      case FieldWrite::Kind::SQL: WriteTextField(b, TextField::SQL, f.text); break;
      case FieldWrite::Kind::Data: WriteTextField(b, TextField::Data, f.text); break;
      case FieldWrite::Kind::DataPointer: WriteDataPointer(b, f.value); break;
    }
  }
  tag = NextRequestTag(ReadRequestTag(b));
  WriteRequestTag(b, tag);
  WriteStateByte(b, smsToProcess);
}

enum class Claim { Claimed, NoService, Busy };

// Claims the block: the test for smsFree and the whole write happen under
// one hold, so two clients never overwrite each other's request. When the
// block already looked free, the claim's own hold is the check for service:
// a lock that cannot be taken, or smsNoAllocated, there means code 2, as a
// separate read of the state would have said. The wait goes on counting
// from what the wait for this thread's turn used.
Claim ClaimAndWrite(TPluginsSharedMem& mem, const Request& request, bool serviceChecked, int& counter,
                    std::uint16_t& tag) {
  const std::string command = TPluginsSharedMem::CommandBytes(request.Command);
  auto write = [&](TPluginsSharedMemData& b) {
    WriteRequest(b, command, request, tag);
    mem.Signals().MarkRequest(tag);
  };
  if (!serviceChecked) {
    Seen s = Confirm(mem, smsFree, write);
    if (s == Seen::Wanted) return Claim::Claimed;
    if (s == Seen::Gone) return Claim::NoService;
  }
  return WaitCounted(mem, smsFree, counter, write) ? Claim::Claimed : Claim::Busy;
}

// Waits for the reply, then reads all of it and sets the block free under
// one hold. The block is set free also when reading the reply fails. A
// reply under another tag answers another request: the host gave ours up
// and the block was claimed again. It is left to its own client, and for
// this one no reply came.
bool WaitAndReadReply(TPluginsSharedMem& mem, Reply& reply, std::uint16_t tag) {
  std::string command;
  bool foreign = false;
  auto read = [&](TPluginsSharedMemData& b) {
    if (!ReplyIsFor(ReadRequestTag(b), tag)) {
      foreign = true;
      return;
    }
    try {
      command = ReadCommandBytes(b);
      reply.Data = ReadTextField(b, TextField::Data);
      reply.DataPointer = ReadDataPointer(b);
    } catch (...) {
      WriteStateByte(b, smsFree);
      throw;
    }
    WriteStateByte(b, smsFree);
  };
  int counter = 0;
  if (!WaitCounted(mem, smsWaitForRead, counter, read) || foreign) return false;
  // The next client waiting for the block need not wait for its next look.
  mem.Signals().Raise(Wake::Free);
  reply.Command = TPluginsSharedMem::CommandText(command);
  return true;
}

}  // namespace

int WaitLimit() { return g_waitLimit; }
void SetWaitLimitForTests(int sleeps) { g_waitLimit = sleeps; }
void SetSpinForTests(std::int64_t micros) { g_spinMicros = micros; }

bool WaitForSharedMemState(TSharedMemState wanted) {
  std::shared_ptr<TPluginsSharedMem> mem = CurrentSharedMem();
  if (mem == nullptr) return false;
  int counter = 0;
  auto nothing = [](TPluginsSharedMemData&) {};
  try {
    return WaitCounted(*mem, wanted, counter, nothing);
  } catch (...) {
    return false;
  }
}

int CycleCode(CycleStatus status) {
  switch (status) {
    case CycleStatus::NoService: return kCodeNoService;
    case CycleStatus::BlockBusy: return kCodeBlockBusy;
    case CycleStatus::NoReply: return kCodeNoReply;
    case CycleStatus::Refused: return kCodeError;
    case CycleStatus::Replied: break;
  }
  return kCodeSuccess;
}

Cycle RunRequest(const Request& request) {
  ClearAPIError();
  Cycle c;
  // Held for the whole cycle, whatever another thread's OpenAPI does.
  std::shared_ptr<TPluginsSharedMem> mem = CurrentSharedMem();
  const char16_t* tooLong = TooLongMessage(request);
  // The state is read under the mutex on its own only where it has to be;
  // a block that looks free is checked by the hold that claims it.
  bool serviceChecked = mem == nullptr || tooLong != nullptr || mem->PeekSharedMemState() != smsFree;
  Claim claim = Claim::NoService;
  int counter = 0;
  std::uint16_t tag = 0;
  std::optional<RequestTurn> turn;
  if (mem != nullptr && !(serviceChecked && mem->SharedMemState() == smsNoAllocated)) {
    if (tooLong != nullptr) {
      ShowMessage(tooLong);
      c.Status = CycleStatus::Refused;
      SetAPIErrorText(tooLong);
      return c;
    }
    // The other threads of this process have their cycles first.
    turn.emplace(counter, g_waitLimit);
    claim = turn->Taken() ? ClaimAndWrite(*mem, request, serviceChecked, counter, tag) : Claim::Busy;
  }
  if (claim != Claim::Claimed) {
    c.Status = claim == Claim::Busy ? CycleStatus::BlockBusy : CycleStatus::NoService;
    SetAPIError(CycleCode(c.Status));
    return c;
  }
  mem->Signals().Raise(Wake::Request);
  if (!WaitAndReadReply(*mem, c.Reply, tag)) {
    c.Status = CycleStatus::NoReply;
    SetAPIError(kCodeNoReply);
    return c;
  }
  c.Status = CycleStatus::Replied;
  return c;
}

std::uint8_t ReplyCode(const Reply& reply, std::uint8_t emptyFallback) {
  if (reply.Command.empty()) return emptyFallback;
  return static_cast<std::uint8_t>(reply.Command[0] & 0xFF);
}

bool IsVerdictSuccess(const Reply& reply) { return !reply.Command.empty() && reply.Command[0] == u'\x0001'; }

}  // namespace karvo
