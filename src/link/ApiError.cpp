#include "link/ApiError.h"

#include "link/RequestCycle.h"
#include "link/ThreadState.h"
#include "messages/Messages.h"

namespace karvo {

// A thread that never failed has no state to clear or read: it gets none.
void ClearAPIError() {
  if (ThreadState* s = ExistingThreadState()) s->LastAPIError.clear();
}
void SetAPIErrorText(const std::u16string& text) { OwnThreadState().LastAPIError = text; }
const std::u16string& LastAPIError() {
  static const std::u16string kNone;
  ThreadState* s = ExistingThreadState();
  return s != nullptr ? s->LastAPIError : kNone;
}
bool HasAPIError() { return !LastAPIError().empty(); }

std::u16string CodeMessage(int code) {
  switch (code) {
    case kCodeError: return msg::kError;
    case kCodeSuccess: return {};
    case kCodeNoService: return msg::kNoService;
    case kCodeException: return msg::kException;
    case kCodeUnexpectedReply: return msg::kUnexpectedReply;
    case kCodeNoReply: return msg::kNoReply;
    case kCodeBlockBusy: return msg::kBlockBusy;
    default: return msg::kUnknownError;
  }
}

void SetAPIError(int code, const Reply* reply) {
  if (code == kReplyVerdict) {
    if (reply != nullptr && IsVerdictSuccess(*reply))
      ClearAPIError();
    else
      SetAPIErrorText(reply != nullptr ? reply->Data : std::u16string());
    return;
  }
  if (code == kCodeHostMessage) {
    SetAPIErrorText(reply != nullptr ? reply->Data : std::u16string());
    return;
  }
  SetAPIErrorText(CodeMessage(code));
}

}  // namespace karvo
