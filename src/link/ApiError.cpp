#include "link/ApiError.h"

#include "link/Messages.h"
#include "link/ProcessState.h"
#include "link/RequestCycle.h"

namespace karvo {

void ClearAPIError() { State().LastAPIError.clear(); }
void SetAPIErrorText(const std::u16string& text) { State().LastAPIError = text; }
const std::u16string& LastAPIError() { return State().LastAPIError; }
bool HasAPIError() { return !State().LastAPIError.empty(); }

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
