#include "FaultLoop.h"

#include "host/ObjectModel.h"
#include "link/ProcessState.h"
#include "messages/Messages.h"

namespace karvo::test {

namespace {

bool Allowed(const std::vector<std::u16string>& failures, const std::u16string& error, bool guard = true) {
  if (guard && error == msg::kException) return true;  // every guard's last word
  for (const std::u16string& f : failures)
    if (error.compare(0, f.size(), f) == 0) return true;
  return false;
}

const char* ModeName(FaultSeam::Mode m) { return m == FaultSeam::Mode::Once ? "once" : "from there on"; }

}  // namespace

Tally RunFaultLoop(const Scenario& sc, Env& env, const LoopOptions& options) {
  Tally t;
  const std::u16string handle = env.host.ApiHandle();

  auto callOnce = [&](int at, FaultSeam::Mode mode) {
    env.SetArm(at, mode);
    Outcome o = CallOnce(sc, env);
    env.SetArm(0, mode);
    return o;
  };
  // The host's own doings are no part of what is counted.
  auto setBlockState = [&](std::uint8_t state) {
    FaultSeam::Outside outside;
    env.host.SetState(state);
  };
  auto fresh = [&] {
    ResetProcessState();
    setBlockState(smsFree);
    if (sc.attached) {
      State().SharedMem = TPluginsSharedMem::CreateDll(handle);
      State().APIInitialized = true;
    }
  };
  Outcome clean;
  auto describe = [&](const std::string& run, const Outcome& o) {
    return sc.name + " (" + run + "): " + o.value + ", last error \"" + Utf8(o.error) + "\"; without a fault " +
           clean.value + ", last error \"" + Utf8(clean.error) + "\"";
  };
  // Everything the runs took must be back once the library lets go of its
  // state, whatever it keeps between calls.
  auto finish = [&](const std::string& run) {
    ResetProcessState();
    host::InstallObjectModel(nullptr);
    env.objects.reset();
    env.data.reset();
    for (const auto& [kind, n] : env.seam->Outstanding())
      t.faults.push_back(sc.name + " (" + run + "): " + std::to_string(n) + " " + KindName(kind) + " not given back");
    env.seam->ForgetHeld();
    if (int n = env.seam->ReleaseEngineObjects())
      t.faults.push_back(sc.name + " (" + run + "): " + std::to_string(n) + " XML engine object(s) not released");
    for (const std::string& p : env.seam->TakeProblems()) t.faults.push_back(sc.name + " (" + run + "): " + p);
  };

  fresh();
  clean = callOnce(0, FaultSeam::Mode::Once);
  finish("without a fault");
  if (clean.failed || (!clean.error.empty() && !sc.cleanMessage)) {
    t.faults.push_back(describe("without a fault, failed", clean));
    return t;
  }
  env.clean = clean.value.size() >= 2 && clean.value.front() == '"'
                  ? FromUtf8(clean.value.substr(1, clean.value.size() - 2))
                  : FromUtf8(clean.value);
  auto success = [&](const Outcome& o) {
    if (o.error != clean.error) return false;
    if (o.value == clean.value) return true;
    for (const std::string& v : sc.alsoSuccess)
      if (o.value == v) return true;
    return false;
  };

  for (FaultSeam::Mode mode : {FaultSeam::Mode::Once, FaultSeam::Mode::FromThereOn}) {
    for (int n = 1;; ++n) {
      if (n > options.maxPoints) {
        t.faults.push_back(sc.name + ": still meeting faults after " + std::to_string(options.maxPoints) + " points");
        break;
      }
      fresh();
      Outcome o = callOnce(n, mode);
      const bool met = env.seam->Met();
      const std::string run = std::string("fault ") + ModeName(mode) + " at call " + std::to_string(n) + " (" +
                              (met ? env.seam->FaultAt() : std::string("not met")) + ")";
      bool lostReply = false;
      const std::uint8_t state = env.host.State();
      if (state != smsFree) {
        // After code 254 the request stays in the block until the host frees
        // it; any other outcome must leave the block free.
        if (o.error == msg::kNoReply || Allowed(sc.noReplyAs, o.error, false)) {
        } else if (state == smsWaitForRead && options.tolerateLostReply) {
          lostReply = true;
          ++t.knownLostReplies;
        } else {
          t.faults.push_back(describe(run, o) + ", block left in state " + std::to_string(state));
        }
        setBlockState(smsFree);
      }
      if (!lostReply && !success(o) && !(o.failed && !o.error.empty() && Allowed(sc.failures, o.error)))
        t.faults.push_back(describe(run, o));
      Outcome next = callOnce(0, mode);
      if (!success(next)) t.faults.push_back(describe(run + ", then the next call", next));
      if (env.host.State() != smsFree) {
        t.faults.push_back(sc.name + " (" + run + "): the next call left the block busy");
        setBlockState(smsFree);
      }
      finish(run);
      if (!met) break;
      ++t.points;
    }
  }
  return t;
}

}  // namespace karvo::test
