// The fault loop: one export call run with its Nth platform call failing,
// for N = 1, 2, ... until the call no longer meets the fault, once with the
// fault on that call alone and once with it on every call from there on.
// Each run must end with the export's success or with its failure value and
// a message of its family, must give back everything it took, and must
// leave the library so that the next call, without the fault, succeeds.
#pragma once

#include <string>
#include <vector>

#include "ExportCalls.h"

namespace karvo::test {

struct Tally {
  int points = 0;  // fault points met and survived
  int knownLostReplies = 0;
  std::vector<std::string> faults;
};

struct LoopOptions {
  // A reply left unread in the block under a failed lock, reported as
  // something other than code 254, is counted apart instead of as a fault
  // (the request cycle's own fault, taken up there).
  bool tolerateLostReply = true;
  int maxPoints = 5000;
};

Tally RunFaultLoop(const Scenario& scenario, Env& env, const LoopOptions& options = {});

}  // namespace karvo::test
