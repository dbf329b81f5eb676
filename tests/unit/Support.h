// What the white-box tests share: a recorder for message boxes, a short
// wait, and a fresh library state attached to a scripted host.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ScriptedHost.h"
#include "link/ProcessState.h"
#include "link/RequestCycle.h"
#include "platform/Syscalls.h"

namespace karvo::test {

// Message boxes go to a list instead of the screen.
class MessageBoxes {
 public:
  MessageBoxes() {
    Texts().clear();
    Sys().MessageBoxW = &Record;
  }
  ~MessageBoxes() { Sys().MessageBoxW = ::MessageBoxW; }
  static std::vector<std::u16string>& Texts() {
    static std::vector<std::u16string> texts;
    return texts;
  }

 private:
  static int WINAPI Record(HWND, LPCWSTR text, LPCWSTR, UINT) {
    Texts().push_back(reinterpret_cast<const char16_t*>(text));
    return IDOK;
  }
};

// A fresh library state with SharedMem attached to a scripted host, and a
// wait of 300 sleeps instead of a minute.
class HostedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProcessState();
    SetWaitLimitForTests(300);
    UseHost();
  }
  // Starts over with a host of the given kind, the library attached to it.
  void UseHost(HostServing serving = DefaultServing()) {
    State().SharedMem.reset();
    host = std::make_unique<ScriptedHost>(serving);
    std::string handle = host->ApiHandle();
    State().SharedMem = TPluginsSharedMem::CreateDll(std::u16string(handle.begin(), handle.end()));
    ASSERT_TRUE(State().SharedMem->Created());
  }
  void TearDown() override {
    ResetProcessState();
    host.reset();
    SetWaitLimitForTests(60000);
    ResetSyscalls();
  }
  MessageBoxes boxes;
  std::unique_ptr<ScriptedHost> host;
};

}  // namespace karvo::test
