// The named host procedure call: one "_PROC_" request with the procedure's
// name in SQL and its joined arguments in Data.
#pragma once

#include <string>

#include "link/HostArgs.h"
#include "link/RequestCycle.h"

namespace karvo {

struct HostProcResult {
  // True only when the host answered with success (Command U+0001).
  bool Success = false;
  // The host's answer; empty unless Success.
  std::u16string ResultText;
  // Replied when a reply was read; otherwise why not (no service, busy
  // block, no reply, or arguments that did not fit and were not sent).
  CycleStatus Status = CycleStatus::NoService;
  bool Replied() const { return Status == CycleStatus::Replied; }
};

// Leaves LastAPIError as the request cycle and the reply verdict settle it:
// empty after success; the reply's Data after a failed answer (empty when
// the host sent none); the cycle's message when no reply was read. Callers
// with a message of their own replace it.
HostProcResult CallHostProc(const std::u16string& ProcName, const std::u16string& Args);

}  // namespace karvo
