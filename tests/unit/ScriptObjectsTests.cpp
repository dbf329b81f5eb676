// Script operations when the request itself goes wrong: which message wins.
#include "Support.h"
#include "link/ApiError.h"
#include "messages/Messages.h"
#include "scripts/ScriptObjects.h"

namespace karvo::test {
namespace {

// After a request the host left unanswered: once the host has taken it, the
// block is set free again for the next one. The state is written straight
// into the block: the host object's own accessors refuse a second thread
// while its serving thread holds the lock, and would drop the write.
void FreeAfterSilence(ScriptedHost& host, std::size_t requests) {
  for (int i = 0; i < 5000 && host.RequestCount() < requests; ++i) ::Sleep(1);
  host.Block()->State = smsFree;
}

using ScriptObjectsTest = HostedTest;

TEST_F(ScriptObjectsTest, NoReplyKeepsTheCyclesMessageOnlyForTheRunExports) {
  host->Always(Answer::Silent());
  EXPECT_EQ(ExecuteScript(1), 0);
  EXPECT_EQ(LastAPIError(), msg::kNoReply);
  FreeAfterSilence(*host, 1);
  EXPECT_EQ(ExecuteAsychScript(1, 1), 0);
  EXPECT_EQ(LastAPIError(), msg::kNoReply);
  FreeAfterSilence(*host, 2);
  EXPECT_EQ(AddScriptVariantW(1, u"a", u"b"), 0);
  EXPECT_EQ(LastAPIError(), msg::kScriptAddVariantFailed);
  FreeAfterSilence(*host, 3);
  EXPECT_EQ(CreateScriptW(u"x"), 0);
  EXPECT_EQ(LastAPIError(), msg::kScriptCreateFailed);
}

TEST_F(ScriptObjectsTest, ValueTooLongForTheBlockIsNotSent) {
  host->Always(Answer::Verdict(true, u""));
  EXPECT_EQ(SetScriptVariantW(1, u"big", std::u16string(20000, u'v')), 0);
  EXPECT_EQ(LastAPIError(), msg::kScriptSetVariantFailed);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], msg::kDataTooLong);
  EXPECT_EQ(host->RequestCount(), 0u);
  // The largest text that fits still goes.
  EXPECT_EQ(CreateScriptW(std::u16string(KARVO_TEXT_UNITS, u's')), 0);
  ASSERT_EQ(host->RequestCount(), 1u);
  EXPECT_EQ(host->Requests()[0].Data.size(), std::size_t{KARVO_TEXT_UNITS});
}

TEST_F(ScriptObjectsTest, HandlesAtThe32BitLimits) {
  host->Always(Answer::Verdict(true, u"-2147483648"));
  std::int32_t h = CreateScriptW(u"x");
  EXPECT_EQ(h, INT32_MIN);
  host->Always(Answer::Verdict(true, u"ok"));
  EXPECT_EQ(GetScriptVariantW(h, u"v"), u"ok");
  EXPECT_EQ(host->Requests().back().Data, u"2147483648\x0001v");
  EXPECT_EQ(CheckAsynchScriptStatus(-1), 1);
  EXPECT_EQ(host->Requests().back().Data, u"4294967295");
}

}  // namespace
}  // namespace karvo::test
