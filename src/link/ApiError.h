// LastAPIError, the calling thread's own, and the result codes that set it.
#pragma once

#include <string>

namespace karvo {

struct Reply;

enum ResultCode : int {
  kCodeError = 0,
  kCodeSuccess = 1,
  kCodeNoService = 2,
  kCodeHostMessage = 250,
  kCodeException = 252,
  kCodeUnexpectedReply = 253,
  kCodeNoReply = 254,
  kCodeBlockBusy = 255,
  kReplyVerdict = -1,
};

void ClearAPIError();
void SetAPIErrorText(const std::u16string& text);
const std::u16string& LastAPIError();
bool HasAPIError();

// The message of a result code; 250 and -1 need the reply they came with.
void SetAPIError(int code, const Reply* reply = nullptr);
// The message a code stands for (code 1: empty; 250 and -1 are not here).
std::u16string CodeMessage(int code);

}  // namespace karvo
