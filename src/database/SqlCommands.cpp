#include "database/SqlCommands.h"

#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "link/ProcessState.h"
#include "link/RequestCycle.h"
#include "messages/Messages.h"
#include "platform/MessageBox.h"

namespace karvo {

namespace {

constexpr std::uint8_t kSystemDatabase = 1;

// The system database is refused once the block is free, without a request.
// The caller gets 0 and the refusal as the last error, so it cannot take
// the refusal for success.
std::uint8_t RefuseSystemDatabase() {
  std::shared_ptr<TPluginsSharedMem> mem = CurrentSharedMem();
  if (mem == nullptr || mem->SharedMemState() == smsNoAllocated) {
    SetAPIError(kCodeNoService);
    return kCodeNoService;
  }
  if (!WaitForSharedMemState(smsFree)) {
    SetAPIError(kCodeBlockBusy);
    return kCodeBlockBusy;
  }
  ShowMessage(msg::kSysDatabaseLocked);
  SetAPIErrorText(msg::kSysDatabaseLocked);
  return 0;
}

// A request settled by its reply code; `emptyFallback` is the code of an
// empty reply Command.
std::uint8_t RunCoded(const Request& request, std::uint8_t emptyFallback, std::uint8_t noServiceResult) {
  Cycle c = RunRequest(request);
  switch (c.Status) {
    case CycleStatus::Replied: break;
    case CycleStatus::NoService: return noServiceResult;
    case CycleStatus::Refused: return 0;
    default: return static_cast<std::uint8_t>(CycleCode(c.Status));
  }
  std::uint8_t code = ReplyCode(c.Reply, emptyFallback);
  SetAPIError(code, &c.Reply);
  return code;
}

Request QueryRequest(const char* plainCommand, const char* sysCommand, const char* SQLText, std::uint8_t SysDatabase) {
  const char* command = SysDatabase == kSystemDatabase ? sysCommand : plainCommand;
  return Request{PlainText(command), {SqlField(PlainText(SQLText))}};
}

}  // namespace

std::uint8_t ExecuteSQL(const char* SQLText, std::uint8_t SysDatabase) {
  if (SysDatabase == kSystemDatabase) return RefuseSystemDatabase();
  return RunCoded(Request{u"EXECUTE_SQL", {SqlField(PlainText(SQLText))}}, kCodeUnexpectedReply, kCodeNoService);
}

const char* GetFromQuerySQL(const char* SQLText, std::uint8_t SysDatabase) {
  Cycle c = RunRequest(QueryRequest("GET_FROM_QUERY_SQL", "GET_FROM_SYS_QUERY_SQL", SQLText, SysDatabase));
  if (!c.Replied()) return nullptr;
  const char* result = nullptr;
  if (IsVerdictSuccess(c.Reply) && !c.Reply.Data.empty()) result = TextToPlain(c.Reply.Data);
  SetAPIError(kReplyVerdict, &c.Reply);
  return HasAPIError() ? nullptr : result;
}

std::uint32_t OpenQuerySQL(const char* SQLText, std::uint8_t SysDatabase) {
  Cycle c = RunRequest(QueryRequest("OPEN_QUERY_SQL", "OPEN_SYS_QUERY_SQL", SQLText, SysDatabase));
  if (!c.Replied()) return 0;
  SetAPIError(kReplyVerdict, &c.Reply);
  // Only a successful reply carries a handle: a failed one with an empty
  // Data would otherwise hand out whatever an earlier request left there.
  return IsVerdictSuccess(c.Reply) ? c.Reply.DataPointer : 0;
}

std::uint8_t CloseQuerySQL(std::uint32_t QueryHandle) {
  // Not a slip: with no host, closing answers 255 (the message still says no service), and an empty reply 254.
  return RunCoded(Request{u"CLOSE_QUERY_SQL", {SqlField(u""), PointerField(QueryHandle)}}, kCodeNoReply,
                  kCodeBlockBusy);
}

}  // namespace karvo
