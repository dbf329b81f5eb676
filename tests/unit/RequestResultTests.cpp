// How request exports end when no request goes out: no service, a block
// that never frees, texts refused for their fields; and the return buffers.
#include <cstring>

#include "Support.h"
#include "database/SqlCommands.h"
#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "link/ReturnBuffers.h"
#include "link/ThreadState.h"
#include "messages/Messages.h"

namespace karvo::test {
namespace {

class RequestResults : public HostedTest {};

int g_sleeps = 0;
void WINAPI CountingSleep(DWORD ms) {
  ++g_sleeps;
  ::Sleep(ms);
}

TEST_F(RequestResults, NoServiceEndsAtOnceWithoutSleepingOrWriting) {
  host->SetState(KARVO_smsNoAllocated);
  host->Block()->CommandLength = 0;
  g_sleeps = 0;
  Sys().Sleep = &CountingSleep;
  EXPECT_EQ(ExecuteSQL("SELECT 1", 0), kCodeNoService);
  EXPECT_EQ(GetFromQuerySQL("SELECT 1", 0), nullptr);
  EXPECT_EQ(LastAPIError(), msg::kNoService);
  EXPECT_EQ(g_sleeps, 0);
  EXPECT_EQ(host->Block()->CommandLength, 0) << "nothing was written";
}

TEST_F(RequestResults, NoBlockObjectAtAllIsNoService) {
  State().SharedMem.reset();
  EXPECT_EQ(ExecuteSQL("SELECT 1", 0), kCodeNoService);
  EXPECT_EQ(OpenQuerySQL("SELECT 1", 0), 0u);
  EXPECT_EQ(LastAPIError(), msg::kNoService);
}

TEST_F(RequestResults, GarbageStateNeverBecomesFree) {
  host->Stop();
  host->Block()->State = 0x9C;
  EXPECT_EQ(ExecuteSQL("SELECT 1", 0), kCodeBlockBusy);
  EXPECT_EQ(host->Block()->State, 0x9C);
}

TEST_F(RequestResults, OverlongTextIsRefusedWithItsMessageBox) {
  std::string sql(KARVO_TEXT_UNITS + 1, 's');
  EXPECT_EQ(ExecuteSQL(sql.c_str(), 0), 0);
  EXPECT_EQ(LastAPIError(), msg::kSqlTooLong);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], msg::kSqlTooLong);
  EXPECT_EQ(OpenQuerySQL(sql.c_str(), 0), 0u);
  EXPECT_EQ(host->RequestCount(), 0u);
}

TEST_F(RequestResults, SystemDatabaseRefusalShowsItsMessage) {
  EXPECT_EQ(ExecuteSQL("DROP TABLE T", 1), 0);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], msg::kSysDatabaseLocked);
}

TEST(ReturnBuffers, ShortAndLongTextsAndTheirLifetimes) {
  ResetProcessState();
  EXPECT_EQ(ReturnPChar(""), nullptr);
  std::string edge(65535, 'e');
  const char* p = ReturnPChar(edge);
  EXPECT_EQ(p, OwnThreadState().ReturnBuffer.get());
  EXPECT_EQ(std::strlen(p), 65535u);
  std::string longer(65536, 'l');
  const char* q = ReturnPChar(longer);
  EXPECT_EQ(q, OwnThreadState().LongReturnBuffer.get());
  EXPECT_EQ(std::strlen(q), 65536u);
  EXPECT_EQ(ReturnPChar("short"), OwnThreadState().ReturnBuffer.get());
  EXPECT_EQ(std::strlen(q), 65536u) << "a short text leaves the long buffer alone";
  // A text pointing into the buffer itself is copied before the buffer is cleared.
  const char* again = ReturnPChar(OwnThreadState().ReturnBuffer.get());
  EXPECT_STREQ(again, "short");
  EXPECT_STREQ(ReturnPChar(std::string("ab\0cd", 5)), "ab");
  ResetProcessState();
}

TEST(ExportForms, ArgumentsOfTheAAndWFormsGoThroughTheReturnBuffer) {
  ResetProcessState();
  const char* plain = ReturnPChar("first");
  BSTR empty = nullptr;
  EXPECT_EQ(PlainFromW(empty), nullptr) << "an empty argument reaches the plain form as null";
  BSTR b = ::SysAllocString(L"second");
  EXPECT_EQ(PlainFromW(b), OwnThreadState().ReturnBuffer.get());
  EXPECT_STREQ(plain, "second") << "a pointer from an earlier plain call is gone";
  ::SysFreeString(b);
  ResetProcessState();
}

}  // namespace
}  // namespace karvo::test
