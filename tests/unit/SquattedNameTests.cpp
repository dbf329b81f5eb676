// A host never serves a block under a name that another program made first:
// the names a seeded host will draw are taken beforehand, each in another
// way, and the host ends on a block of its own that plug-ins attach to.
#include <string>
#include <vector>

#include "PluginsSharedMem/ApiHandleNames.h"
#include "ProcessUsage.h"
#include "Support.h"
#include "messages/Messages.h"

namespace karvo::test {
namespace {

constexpr std::uint32_t kSeed = 0x5EED1234;

// What another program of the same user made under a name.
class Squatter {
 public:
  enum class Kind { Mapping, Mutex, Event };
  Squatter(const std::u16string& name, Kind kind) {
    auto w = [](const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); };
    switch (kind) {
      case Kind::Mapping:
        handle_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, KARVO_BLOCK_SIZE, w(name));
        view_ = static_cast<unsigned char*>(::MapViewOfFile(handle_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (view_ != nullptr) view_[100] = 0x5A;  // the squatter's own content
        break;
      case Kind::Mutex: handle_ = ::CreateMutexW(nullptr, TRUE, w(name + u"MUTEX")); break;
      case Kind::Event: handle_ = ::CreateEventW(nullptr, TRUE, FALSE, w(name)); break;
    }
  }
  ~Squatter() {
    if (view_ != nullptr) ::UnmapViewOfFile(view_);
    if (handle_ != nullptr) ::CloseHandle(handle_);
  }
  Squatter(const Squatter&) = delete;
  Squatter& operator=(const Squatter&) = delete;
  bool Made() const { return handle_ != nullptr; }
  bool Untouched() const { return view_ == nullptr || view_[100] == 0x5A; }

 private:
  HANDLE handle_ = nullptr;
  unsigned char* view_ = nullptr;
};

std::vector<std::u16string> Draws(std::uint32_t window, int n) {
  ApiHandleNames names(window, kSeed);
  std::vector<std::u16string> out;
  for (int i = 0; i < n; ++i) out.push_back(names.Next());
  return out;
}

std::string Narrow(const std::u16string& s) { return std::string(s.begin(), s.end()); }

class SquattedNames : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    ApiHandleNames::SeedForTests(kSeed);
  }
  void TearDown() override {
    ApiHandleNames::SeedForTests(std::nullopt);
    ResetProcessState();
  }
  MessageBoxes boxes;
};

TEST_F(SquattedNames, TheHostDrawsAgainPastTakenNamesAndPluginsAttachAsBefore) {
  // ScriptedHost makes its block with KarvoHostCreate(process id).
  const std::uint32_t window = ::GetCurrentProcessId();
  std::vector<std::u16string> names = Draws(window, 4);
  Squatter mapping(names[0], Squatter::Kind::Mapping);
  Squatter mutex(names[1], Squatter::Kind::Mutex);
  Squatter other(names[2], Squatter::Kind::Event);
  ASSERT_TRUE(mapping.Made() && mutex.Made() && other.Made());

  ScriptedHost host(HostServing::Sdk);
  ASSERT_EQ(host.ApiHandle(), Narrow(names[3]));
  EXPECT_TRUE(boxes.Texts().empty());
  EXPECT_TRUE(mapping.Untouched()) << "the host cleared a block that was not its own";

  host.SetHandler([](const SeenRequest& r) { return Answer::Verdict(true, r.SQL + u" served"); });
  State().SharedMem = TPluginsSharedMem::CreateDll(names[3]);
  ASSERT_TRUE(State().SharedMem->Created());
  Cycle c = RunRequest(Request{u"GET_FROM_QUERY_SQL", {SqlField(u"SELECT 1")}});
  ASSERT_EQ(c.Status, CycleStatus::Replied);
  EXPECT_EQ(c.Reply.Data, u"SELECT 1 served");
  EXPECT_TRUE(mapping.Untouched());
}

TEST_F(SquattedNames, WhenEveryDrawIsTakenTheHostFailsWithTheReasonAndKeepsNothing) {
  const std::uint32_t window = 918;
  std::vector<std::u16string> names = Draws(window, TPluginsSharedMem::kNameAttempts);
  std::vector<std::unique_ptr<Squatter>> squatters;
  for (std::size_t i = 0; i < names.size(); ++i)
    squatters.push_back(std::make_unique<Squatter>(names[i], i % 2 ? Squatter::Kind::Mutex : Squatter::Kind::Mapping));
  const unsigned long handles = HandleCount();
  EXPECT_EQ(KarvoHostCreate(window), nullptr);
  ASSERT_EQ(boxes.Texts().size(), 1u);
  EXPECT_EQ(boxes.Texts()[0], msg::kHostNamesTaken);
  EXPECT_EQ(HandleCount(), handles) << "an attempt left a handle open";

  // One name freed: the next host takes it.
  squatters.back().reset();
  std::unique_ptr<TPluginsSharedMem> made = TPluginsSharedMem::Create(window);
  EXPECT_EQ(made->ApiHandle(), names.back());
}

}  // namespace
}  // namespace karvo::test
