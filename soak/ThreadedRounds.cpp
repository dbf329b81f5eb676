#include "ThreadedRounds.h"

#include <objbase.h>

#include <atomic>
#include <thread>
#include <vector>

#include "PluginsSharedMem/ApiHandleNames.h"
#include "host/ObjectModel.h"
#include "link/ProcessState.h"
#include "link/RequestCycle.h"
#include "link/ThreadState.h"
#include "platform/Syscalls.h"
#include "uKARVO/Exports.h"

namespace karvo::test {

namespace {

MixExports LinkedExports() {
  return {&::ExecuteSQL,       &::GetFromQuerySQL,  &::GetFromQuerySQLW, &::GetLastAPIError,
          &::GetLastAPIErrorW, &::CSVGetFieldCount, &::CSVGetField,      &::CSVSetField,
          &::XMLGetProcName,   &::GetProperty,      &::SetProperty,      &::GetPropertyStr};
}

}  // namespace

ThreadedRounds::ThreadedRounds(int threads, long callsEach)
    : threads_(threads), callsEach_(callsEach), host_(HostServing::Sdk) {
  ready_ = !host_.ApiHandle().empty();
  host_.KeepRequests(false);  // the host's own list would grow
  AddMixObjects(model_, threads_);
}

void ThreadedRounds::Run(long round) {
  const std::string api = host_.ApiHandle();
  std::shared_ptr<TPluginsSharedMem> saved = CurrentSharedMem();
  ReplaceSharedMem(TPluginsSharedMem::CreateDll(std::u16string(api.begin(), api.end())));
  auto savedSleep = Sys().Sleep;
  auto savedWait = Sys().WaitForSingleObject;
  // The soak's own host serves in its sleeps and pauses, on one thread only.
  Sys().Sleep = ::Sleep;
  Sys().WaitForSingleObject = ::WaitForSingleObject;
  const int savedLimit = WaitLimit();
  host::InstallObjectModel(model_.Table());

  Threads();
  UnreadReply();
  SquattedName(round);
  ++rounds_;

  host::InstallObjectModel(nullptr);
  SetWaitLimitForTests(savedLimit);
  Sys().Sleep = savedSleep;
  Sys().WaitForSingleObject = savedWait;
  ReplaceSharedMem(std::move(saved));
}

void ThreadedRounds::Threads() {
  host_.SetHandler(&MixAnswer);
  const MixExports x = LinkedExports();
  std::vector<std::thread> all;
  for (int t = 0; t < threads_; ++t)
    all.emplace_back([&, t] {
      ::CoInitialize(nullptr);
      RunMix(x, t, threads_, ::GetTickCount(), callsEach_, mix_);
      ::CoUninitialize();
      ReleaseThreadState();
    });
  for (std::thread& th : all) th.join();
}

// A client gives up before the answer comes; the next request finds the
// block set free by the host, not stuck with the unread reply.
void ThreadedRounds::UnreadReply() {
  std::atomic<bool> gaveUp{false};
  host_.SetHandler([&](const SeenRequest& r) {
    if (r.SQL == u"given up")
      while (!gaveUp) ::Sleep(1);
    return Answer::Verdict(true, r.SQL);
  });
  const unsigned before = host_.UnreadRepliesFreed();
  // Set free soon, so a round does not wait long; only here, where no live
  // client could be taken for one that gave up.
  host_.SetUnreadReplyLimit(20);
  SetWaitLimitForTests(5);
  Cycle c = RunRequest(Request{u"GET_FROM_QUERY_SQL", {SqlField(u"given up")}});
  gaveUp = true;
  SetWaitLimitForTests(60000);
  Cycle next = RunRequest(Request{u"GET_FROM_QUERY_SQL", {SqlField(u"next")}});
  if (c.Status == CycleStatus::NoReply && next.Replied() && next.Reply.Data == u"next" &&
      host_.UnreadRepliesFreed() == before + 1)
    ++unreadFreed_;
  host_.SetUnreadReplyLimit(KARVO_UNREAD_REPLY_MS);
  host_.SetHandler(&MixAnswer);
}

// Another program made the mapping of the first name this host draws.
void ThreadedRounds::SquattedName(long round) {
  const std::uint32_t seed = 0x51A7u + static_cast<std::uint32_t>(round);
  ApiHandleNames names(0x5A, seed);
  const std::u16string first = names.Next(), second = names.Next();
  HANDLE squatter = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 4096, AsWide(first));
  ApiHandleNames::SeedForTests(seed);
  std::unique_ptr<TPluginsSharedMem> made = TPluginsSharedMem::Create(0x5A);
  ApiHandleNames::SeedForTests(std::nullopt);
  if (squatter != nullptr && first != second && made->ApiHandle() == second) ++squatsPassed_;
  made.reset();
  if (squatter != nullptr) ::CloseHandle(squatter);
}

}  // namespace karvo::test
