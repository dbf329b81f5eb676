// The product's own wait: about a minute before a request gives up.
#include "Plugin.h"
#include "ScriptedHost.h"

namespace karvo::test {
namespace {

TEST(RealWait, HostThatNeverAnswersGives254ThenBusyBlockGives255) {
  ScriptedHost host;
  Plugin p;
  ASSERT_EQ(KARVO_FN(p, OpenAPI)(host.ApiHandle().c_str()), 1);
  host.Always(Answer::Silent());
  DWORD start = ::GetTickCount();
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("SELECT 1", 0), 254);
  DWORD waited = ::GetTickCount() - start;
  EXPECT_EQ(p.LastError(), u"Usługa API nie odpowiada - przekroczenie czasu oczekiwania!");
  EXPECT_GE(waited, 55000u);
  EXPECT_LT(waited, 200000u);
  EXPECT_EQ(KARVO_FN(p, ExecuteSQL)("SELECT 2", 0), 255);
  EXPECT_EQ(p.LastError(), u"Usługa API zablokowana - przekroczenie czasu oczekiwania!");
  EXPECT_EQ(host.RequestCount(), 1u) << "the second request never reached the host";
}

}  // namespace
}  // namespace karvo::test
