#include "link/RequestCycle.h"

#include "link/ApiError.h"
#include "link/Messages.h"
#include "link/ProcessState.h"
#include "platform/MessageBox.h"

namespace karvo {

namespace {

int g_waitLimit = 60000;

// The wait of one request: the polls of the free-wait and of the claim
// share one count, so a contested block cannot stretch the wait.
bool WaitCounted(TPluginsSharedMem& mem, TSharedMemState wanted, int& counter) {
  for (;;) {
    TSharedMemState s = mem.SharedMemState();
    if (s == wanted) return true;
    Sys().Sleep(1);
    if (++counter > g_waitLimit) return false;
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

void WriteRequest(TPluginsSharedMemData& b, const std::string& command, const Request& request) {
  WriteCommandBytes(b, command);
  for (const FieldWrite& f : request.Fields) {
    switch (f.kind) {
      case FieldWrite::Kind::SQL: WriteTextField(b, TextField::SQL, f.text); break;
      case FieldWrite::Kind::Data: WriteTextField(b, TextField::Data, f.text); break;
      case FieldWrite::Kind::DataPointer: WriteDataPointer(b, f.value); break;
    }
  }
  WriteStateByte(b, smsToProcess);
}

// Claims the block: the test for smsFree and the whole write happen under
// one hold, so two clients never overwrite each other's request.
bool ClaimAndWrite(TPluginsSharedMem& mem, const Request& request) {
  const std::string command = TPluginsSharedMem::CommandBytes(request.Command);
  int counter = 0;
  while (WaitCounted(mem, smsFree, counter)) {
    {
      TPluginsSharedMem::Hold h(mem);
      if (h.Owned() && ReadStateByte(h.Block()) == smsFree) {
        WriteRequest(h.Block(), command, request);
        return true;
      }
    }
    Sys().Sleep(1);
    if (++counter > g_waitLimit) return false;
  }
  return false;
}

Reply ReadReplyAndFree(TPluginsSharedMem& mem) {
  std::string command;
  Reply reply;
  {
    TPluginsSharedMem::Hold h(mem);
    if (!h.Owned()) return reply;
    try {
      command = ReadCommandBytes(h.Block());
      reply.Data = ReadTextField(h.Block(), TextField::Data);
      reply.DataPointer = ReadDataPointer(h.Block());
    } catch (...) {
      WriteStateByte(h.Block(), smsFree);
      throw;
    }
    WriteStateByte(h.Block(), smsFree);
  }
  reply.Command = TPluginsSharedMem::CommandText(command);
  return reply;
}

}  // namespace

int WaitLimit() { return g_waitLimit; }
void SetWaitLimitForTests(int sleeps) { g_waitLimit = sleeps; }

bool WaitForSharedMemState(TSharedMemState wanted) {
  TPluginsSharedMem* mem = State().SharedMem.get();
  if (mem == nullptr) return false;
  int counter = 0;
  try {
    return WaitCounted(*mem, wanted, counter);
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
  TPluginsSharedMem* mem = State().SharedMem.get();
  if (mem == nullptr || mem->SharedMemState() == smsNoAllocated) {
    c.Status = CycleStatus::NoService;
    SetAPIError(kCodeNoService);
    return c;
  }
  if (const char16_t* tooLong = TooLongMessage(request)) {
    ShowMessage(tooLong);
    c.Status = CycleStatus::Refused;
    SetAPIErrorText(tooLong);
    return c;
  }
  if (!ClaimAndWrite(*mem, request)) {
    c.Status = CycleStatus::BlockBusy;
    SetAPIError(kCodeBlockBusy);
    return c;
  }
  if (!WaitForSharedMemState(smsWaitForRead)) {
    c.Status = CycleStatus::NoReply;
    SetAPIError(kCodeNoReply);
    return c;
  }
  c.Reply = ReadReplyAndFree(*mem);
  c.Status = CycleStatus::Replied;
  return c;
}

std::uint8_t ReplyCode(const Reply& reply, std::uint8_t emptyFallback) {
  if (reply.Command.empty()) return emptyFallback;
  return static_cast<std::uint8_t>(reply.Command[0] & 0xFF);
}

bool IsVerdictSuccess(const Reply& reply) { return !reply.Command.empty() && reply.Command[0] == u'\x0001'; }

}  // namespace karvo
