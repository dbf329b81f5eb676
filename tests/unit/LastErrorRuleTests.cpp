// The last error's rule over the whole export table: every export empties
// it when it starts, so that a call that goes well leaves no earlier
// message; the exports whose rule keeps it leave an earlier message as it
// was.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ExportCalls.h"
#include "SeamedExports.h"
#include "Support.h"
#include "conversions/VariantText.h"
#include "host/ObjectModel.h"
#include "link/ApiError.h"
#include "link/ProcessState.h"

namespace karvo::test {
namespace {

constexpr char16_t kEarlier[] = u"komunikat wcze\u015bniejszy";

// The export a scenario calls: the first word of its name.
std::string ExportOf(const Scenario& s) { return s.name.substr(0, s.name.find(' ')); }

class LastErrorRule : public SeamedExports {
 protected:
  // The scenario's call with an earlier message left just before it.
  Outcome AfterAnEarlierMessage(const Scenario& s) {
    ResetProcessState();
    host->SetState(smsFree);
    if (s.attached) {
      State().SharedMem = TPluginsSharedMem::CreateDll(host->ApiHandle());
      State().APIInitialized = true;
    }
    Scenario late = s;
    late.prepare = [&s](Env& e) {
      if (s.prepare) s.prepare(e);
      SetAPIErrorText(kEarlier);
    };
    Outcome o = CallOnce(late, *env);
    ResetProcessState();
    return o;
  }
  MessageBoxes boxes;
};

TEST_F(LastErrorRule, EveryExportEmptiesAnEarlierMessageExceptThoseThatKeepIt) {
  const std::set<std::string> keep = {"GetLastAPIError", "GetLastAPIErrorA", "GetLastAPIErrorW", "ExecuteMethod",
                                      "ExecuteClassMethodByName"};
  std::set<std::string> seen;
  for (const ExportFamily& f : ExportFamilies()) {
    for (const Scenario& s : f.scenarios) {
      const std::string name = ExportOf(s);
      seen.insert(name);
      Outcome o = AfterAnEarlierMessage(s);
      EXPECT_FALSE(o.failed) << s.name << ": " << o.value;
      if (keep.count(name) != 0)
        EXPECT_EQ(o.error, kEarlier) << s.name << " keeps an earlier message through a success";
      else
        EXPECT_NE(o.error, kEarlier) << s.name << " empties the last error when it starts";
    }
  }
  for (const std::string& name : keep) EXPECT_EQ(seen.count(name), 1u) << name << " was never called";
}

}  // namespace
}  // namespace karvo::test
