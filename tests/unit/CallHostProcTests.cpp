// The host procedure call against the scripted host: what the host reads,
// and each outcome of the reply.
#include "Support.h"
#include "link/ApiError.h"
#include "link/CallHostProc.h"
#include "messages/Messages.h"

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

using CallHostProcTest = HostedTest;

TEST_F(CallHostProcTest, RequestCarriesNameArgumentsAndAZeroPointer) {
  host->Block()->DataPointer = 0xDEADBEEF;  // what an earlier request left there
  host->Always(Answer::VerdictWithPointer(true, u"OK", 77));
  HostProcResult r = CallHostProc(u"SetProperty", JoinHostArgs({u"123", u"Caption", u"OK"}));
  EXPECT_TRUE(r.Success);
  EXPECT_TRUE(r.Replied());
  EXPECT_EQ(r.ResultText, u"OK");
  ASSERT_EQ(host->RequestCount(), 1u);
  SeenRequest seen = host->Requests()[0];
  EXPECT_EQ(seen.Command, "_PROC_");
  EXPECT_EQ(seen.SQL, u"SetProperty");
  EXPECT_EQ(seen.Data,
            u"123\x0001"
            u"Caption\x0001OK");
  EXPECT_EQ(seen.DataPointer, 0u);
}

TEST_F(CallHostProcTest, ReplyOutcomes) {
  host->Always(Answer::Verdict(true, u""));
  SetAPIErrorText(u"stale");
  HostProcResult r = CallHostProc(u"FreeScript", u"1");
  EXPECT_TRUE(r.Success);
  EXPECT_EQ(r.ResultText, u"");
  EXPECT_EQ(LastAPIError(), u"");

  host->Always(Answer::Verdict(false, u"Nie ma takiego skryptu"));
  r = CallHostProc(u"FreeScript", u"1");
  EXPECT_FALSE(r.Success);
  EXPECT_TRUE(r.Replied());
  EXPECT_EQ(r.ResultText, u"") << "a failed answer's Data is the message, not a result";
  EXPECT_EQ(LastAPIError(), u"Nie ma takiego skryptu");

  host->Always(Answer::Raw("\x02", u""));
  r = CallHostProc(u"FreeScript", u"1");
  EXPECT_FALSE(r.Success);
  EXPECT_EQ(LastAPIError(), u"");

  host->Always(Answer::Raw("\x01trailing", u"7"));
  r = CallHostProc(u"CreateScript", u"x");
  EXPECT_TRUE(r.Success) << "only the first character of Command counts";
  EXPECT_EQ(r.ResultText, u"7");
}

TEST_F(CallHostProcTest, NoReplyNoServiceAndArgumentsThatDoNotFit) {
  host->Always(Answer::Silent());
  HostProcResult r = CallHostProc(u"ExecuteScript", u"5");
  EXPECT_FALSE(r.Success);
  EXPECT_EQ(r.Status, CycleStatus::NoReply);
  EXPECT_EQ(LastAPIError(), msg::kNoReply);
  FreeAfterSilence(*host, 1);

  host->Always(Answer::Verdict(true, u"x"));
  std::size_t before = host->RequestCount();
  r = CallHostProc(u"AddScriptVariant", JoinHostArgs({u"5", u"big", std::u16string(KARVO_TEXT_UNITS, u'v')}));
  EXPECT_FALSE(r.Success);
  EXPECT_EQ(r.Status, CycleStatus::Refused);
  EXPECT_EQ(LastAPIError(), msg::kDataTooLong);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(host->RequestCount(), before) << "a cut argument text is never sent";

  host->Block()->State = smsNoAllocated;
  r = CallHostProc(u"ExecuteScript", u"5");
  EXPECT_FALSE(r.Success);
  EXPECT_EQ(r.Status, CycleStatus::NoService);
  EXPECT_EQ(LastAPIError(), msg::kNoService);
  EXPECT_EQ(host->RequestCount(), before);
}

}  // namespace
}  // namespace karvo::test
