// The block object: layout, bounds of every accessor, the lock.
#include <cstring>
#include <thread>

#include "PluginsSharedMem/TPluginsSharedMem.h"
#include "Support.h"
#include "messages/Messages.h"

namespace karvo::test {
namespace {

class SharedMemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host = TPluginsSharedMem::Create(4242);
    ASSERT_FALSE(host->ApiHandle().empty());
    dll = TPluginsSharedMem::CreateDll(host->ApiHandle());
    ASSERT_EQ(dll->ApiHandle(), host->ApiHandle());
  }
  TPluginsSharedMemData& raw() {
    TPluginsSharedMem::Hold h(*host);
    return h.Block();
  }
  MessageBoxes boxes;
  std::unique_ptr<TPluginsSharedMem> host, dll;
};

TEST_F(SharedMemTest, HostNameHasPrefixAndWindowHandle) {
  EXPECT_EQ(host->ApiHandle().rfind(u"KARVO_1.3_4242", 0), 0u);
  EXPECT_LE(host->ApiHandle().size(), std::u16string(u"KARVO_1.3_424265534").size());
}

TEST_F(SharedMemTest, FullLengthSqlIsStoredWholeWithoutTerminatorAndNothingElseChanges) {
  dll->SetSharedMemData(u"keep");
  dll->SetSharedMemDataPointer(0xDEADBEEF);
  std::u16string text(KARVO_TEXT_UNITS, u'ś');
  dll->SetSharedMemSQL(text);
  EXPECT_EQ(host->SharedMemSQL(), text);
  EXPECT_EQ(host->SharedMemData(), u"keep");
  EXPECT_EQ(host->SharedMemDataPointer(), 0xDEADBEEFu);
  EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SharedMemTest, OverlongDataShowsMessageAndLeavesFieldEmpty) {
  dll->SetSharedMemData(u"old");
  dll->SetSharedMemData(std::u16string(KARVO_TEXT_UNITS + 1, u'x'));
  EXPECT_EQ(host->SharedMemData(), u"");
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], msg::kDataTooLong);
  dll->SetSharedMemSQL(std::u16string(KARVO_TEXT_UNITS + 1, u'x'));
  EXPECT_EQ(boxes.Texts().back(), msg::kSqlTooLong);
}

TEST_F(SharedMemTest, CommandKeepsFirst64BytesAndLengthRules) {
  dll->SetSharedMemCommand(std::u16string(70, u'A'));
  EXPECT_EQ(host->SharedMemCommand(), std::u16string(64, u'A'));
  dll->SetSharedMemCommand(u"GET_FROM_QUERY_SQL");
  dll->SetSharedMemCommand(u"_PROC_");
  EXPECT_EQ(host->SharedMemCommand(), u"_PROC_");
  EXPECT_EQ(std::memcmp(raw().Command + 6, "OM_QUERY_SQL", 12), 0) << "later bytes are not cleared";
  raw().CommandLength = 0;
  EXPECT_EQ(dll->SharedMemCommand(), u"");
}

TEST_F(SharedMemTest, CommandLengthAbove64IsClamped) {
  std::memset(raw().Command, 'Z', 64);
  raw().CommandLength = 200;
  EXPECT_EQ(dll->SharedMemCommand(), std::u16string(64, u'Z'));
}

TEST_F(SharedMemTest, SqlStopsAtEmbeddedNul) {
  dll->SetSharedMemSQL(std::u16string(u"ab\0cd", 5));
  EXPECT_EQ(host->SharedMemSQL(), u"ab");
}

TEST_F(SharedMemTest, AttachToUnknownNameFailsAndLeavesNoMapping) {
  auto m = TPluginsSharedMem::CreateDll(u"KARVO_1.3_no_such_block");
  EXPECT_TRUE(m->ApiHandle().empty());
  EXPECT_FALSE(m->Created());
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], msg::kDllMappingFailed);
  HANDLE h = ::OpenFileMappingW(FILE_MAP_READ, FALSE, L"KARVO_1.3_no_such_block");
  EXPECT_EQ(h, nullptr);
  if (h) ::CloseHandle(h);
  EXPECT_EQ(m->SharedMemState(), smsNoAllocated);
  m->SetSharedMemData(std::u16string(KARVO_TEXT_UNITS + 1, u'x'));
  EXPECT_EQ(boxes.Texts().back(), msg::kDataTooLong);
}

TEST_F(SharedMemTest, LocksDoNotNest) {
  TPluginsSharedMem::Hold outer(*dll);
  ASSERT_TRUE(outer.Owned());
  TPluginsSharedMem::Hold inner(*dll);
  EXPECT_FALSE(inner.Owned());
  EXPECT_EQ(dll->SharedMemState(), smsNoAllocated) << "an access during a hold gives the default";
}

// The block mutex is opened by the first access and closed with the object:
// under Wine every open and close is a trip to the wineserver.
struct MutexCalls {
  static inline int creates = 0, closes = 0;
  static inline HANDLE made = nullptr;
  static HANDLE WINAPI Create(LPSECURITY_ATTRIBUTES sa, BOOL owner, LPCWSTR name) {
    ++creates;
    return made = ::CreateMutexW(sa, owner, name);
  }
  static BOOL WINAPI Close(HANDLE h) {
    if (h == made) ++closes;
    return ::CloseHandle(h);
  }
  MutexCalls() {
    Sys().CreateMutexW = &Create;
    Sys().CloseHandle = &Close;
  }
  ~MutexCalls() { ResetSyscalls(); }
};

TEST_F(SharedMemTest, MutexIsOpenedOnceAndClosedWithTheObject) {
  MutexCalls calls;
  for (int i = 0; i < 10; ++i) {
    dll->SetSharedMemState(smsFree);
    EXPECT_EQ(dll->SharedMemState(), smsFree);
    TPluginsSharedMem::Hold h(*dll);
    EXPECT_TRUE(h.Owned());
  }
  EXPECT_EQ(MutexCalls::creates, 1);
  EXPECT_EQ(MutexCalls::closes, 0);
  dll.reset();
  EXPECT_EQ(MutexCalls::closes, 1);
}

TEST_F(SharedMemTest, AbandonedMutexIsTakenOver) {
  std::wstring name(reinterpret_cast<const wchar_t*>(host->ApiHandle().c_str()));
  name += L"MUTEX";
  dll->SetSharedMemState(smsProcessing);  // the mutex is open already
  std::thread([&] {
    HANDLE m = ::CreateMutexW(nullptr, FALSE, name.c_str());
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(::WaitForSingleObject(m, 1000), WAIT_OBJECT_0);
    // The thread ends owning it: the mutex is abandoned.
  }).join();
  dll->SetSharedMemState(smsToProcess);
  EXPECT_EQ(host->SharedMemState(), smsToProcess);
}

TEST_F(SharedMemTest, MutexTimeoutCountsAsFailedLock) {
  host->SetSharedMemState(smsWaitForRead);
  std::wstring name(reinterpret_cast<const wchar_t*>(host->ApiHandle().c_str()));
  name += L"MUTEX";
  HANDLE held = ::CreateEvent(nullptr, TRUE, FALSE, nullptr);
  HANDLE done = ::CreateEvent(nullptr, TRUE, FALSE, nullptr);
  std::thread owner([&] {
    HANDLE m = ::CreateMutexW(nullptr, FALSE, name.c_str());
    ::WaitForSingleObject(m, 1000);
    ::SetEvent(held);
    ::WaitForSingleObject(done, 5000);
    ::ReleaseMutex(m);
    ::CloseHandle(m);
  });
  ::WaitForSingleObject(held, 5000);
  EXPECT_EQ(dll->SharedMemState(), smsNoAllocated);
  dll->SetSharedMemState(smsFree);
  ::SetEvent(done);
  owner.join();
  EXPECT_EQ(dll->SharedMemState(), smsWaitForRead) << "the write without the mutex did nothing";
  ::CloseHandle(held);
  ::CloseHandle(done);
}

}  // namespace
}  // namespace karvo::test
