#include "link/CallHostProc.h"

#include "link/ApiError.h"

namespace karvo {

HostProcResult CallHostProc(const std::u16string& ProcName, const std::u16string& Args) {
  HostProcResult out;
  // DataPointer goes first, so the host never reads what an earlier
  // request left there.
  Cycle c = RunRequest(Request{u"_PROC_", {PointerField(0), DataField(Args), SqlField(ProcName)}});
  out.Status = c.Status;
  if (!c.Replied()) return out;
  SetAPIError(kReplyVerdict, &c.Reply);
  out.Success = IsVerdictSuccess(c.Reply);
  if (out.Success) out.ResultText = std::move(c.Reply.Data);
  return out;
}

}  // namespace karvo
