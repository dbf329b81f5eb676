// Export calls against the in-thread host with the fault seam in place, the
// host served from the client's sleeps: what the fault loops and the test of
// the last error's rule share.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "ExportCalls.h"
#include "conversions/VariantText.h"
#include "host/ObjectModel.h"
#include "link/ProcessState.h"
#include "link/RequestCycle.h"

namespace karvo::test {

class SeamedExports : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    ResetProcessState();
    ReadRegionalSettings();
    host = std::make_unique<InlineHost>();
    ASSERT_FALSE(host->ApiHandle().empty());
    seam = std::make_unique<FaultSeam>();
    seam->OnSleep = [this] { host->Serve(); };
    env = std::make_unique<Env>(*host, seam.get());
  }
  void TearDown() override {
    env.reset();
    seam.reset();
    ResetProcessState();
    host::InstallObjectModel(nullptr);
    host.reset();
    SetWaitLimitForTests(60000);
    ResetSyscalls();
    ::CoUninitialize();
  }
  std::unique_ptr<InlineHost> host;
  std::unique_ptr<FaultSeam> seam;
  std::unique_ptr<Env> env;
};

}  // namespace karvo::test
