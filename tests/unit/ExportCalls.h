// Every export called as a plug-in calls it, in the families of the export
// list, with the host's answers and the objects each call needs: shared by
// the fault loops and the soak. Each call releases what it gets, as its
// caller must.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FakeDataModel.h"
#include "FaultSeam.h"
#include "InlineHost.h"
#include "TestObjectModel.h"
#include "platform/WindowsSupport.h"

namespace karvo::test {

// What one call gave its caller.
struct Outcome {
  std::string value;     // the result and the outputs, printable (texts in UTF-8)
  bool failed = false;   // it is the export's failure value
  std::u16string error;  // LastAPIError afterwards (filled in by the loop)
};

// Results as the loop compares them. Each takes what the caller must
// release and releases it, as a caller would.
Outcome ByteResult(unsigned value, bool failed);
Outcome PlainTextResult(const char* text);
Outcome HandleResult(const void* handle);
Outcome CountedStringResult(char*& s);
Outcome BstrResult(BSTR& b);
Outcome VariantResult(VARIANT& v);  // failed: VT_NULL or VT_EMPTY

std::string Utf8(const std::u16string& text);
std::u16string FromUtf8(const std::string& text);
std::u16string FromAnsi(const char* text);

// A counted string and a BSTR argument, made before the call and released
// after it.
class CountedArg {
 public:
  explicit CountedArg(const std::u16string& text);
  ~CountedArg();
  CountedArg(const CountedArg&) = delete;
  CountedArg& operator=(const CountedArg&) = delete;
  char* get() const { return s_; }

 private:
  char* s_;
};

class BstrArg {
 public:
  explicit BstrArg(const std::u16string& text);
  ~BstrArg();
  BstrArg(const BstrArg&) = delete;
  BstrArg& operator=(const BstrArg&) = delete;
  BSTR get() const { return b_; }

 private:
  BSTR b_;
};

std::string Ansi(const std::u16string& text);  // system ANSI code page

// A result variable as a plug-in reuses it, holding an earlier answer: the
// call replaces it, or empties it when it fails, and never leaves it.
char* StaleCountedString();
BSTR StaleBstr();

class Env {
 public:
  explicit Env(InlineHost& h, FaultSeam* s = nullptr) : host(h), seam(s) {}
  InlineHost& host;
  FaultSeam* seam;  // none: every call runs as it is
  // Fresh for every call, filled by the scenario's preparation.
  std::unique_ptr<TestObjectModel> objects;
  std::unique_ptr<FakeDataModel> data;
  KarvoHandle query = 0;
  // The clean call's value as text, for a host that stands in for the
  // direct work with the same answer.
  std::u16string clean;

  // Runs the export call itself, with the fault armed when this run has one.
  template <class F>
  void Armed(F&& f) {
    if (seam != nullptr && armAt_ > 0) seam->Arm(armAt_, armMode_);
    f();
    if (seam != nullptr) seam->Disarm();
  }
  void SetArm(int at, FaultSeam::Mode mode) {
    armAt_ = at;
    armMode_ = mode;
  }

 private:
  int armAt_ = 0;
  FaultSeam::Mode armMode_ = FaultSeam::Mode::Once;
};

struct Scenario {
  std::string name;
  // Messages (or their beginnings) the family fails with.
  std::vector<std::u16string> failures;
  std::function<Outcome(Env&)> call;
  // Before every call: the host's answers and the objects.
  std::function<void(Env&)> prepare;
  // SharedMem attached to the host before the first call of each run.
  bool attached = true;
  // The call leaves a message when it does what it should (the last error
  // read back, a refusal that is its defined result).
  bool cleanMessage = false;
  // Messages that report code 254 (the request left in the block) for
  // exports that put their own message in place of the request cycle's.
  std::vector<std::u16string> noReplyAs;
  // Other results that are as good as the clean one (a host's own answer).
  std::vector<std::string> alsoSuccess;
};

// The messages every request export may end with.
const std::vector<std::u16string>& CycleMessages();

struct ExportFamily {
  std::string name;
  std::vector<Scenario> scenarios;
};
// Every export, each at least once, by family.
std::vector<ExportFamily> ExportFamilies();

// Makes the objects and the host's answers afresh and runs one call, as the
// fault loop does before every call; the soak's round is these in a row.
Outcome CallOnce(const Scenario& scenario, Env& env);

}  // namespace karvo::test
