// How a plug-in author unit-tests a plug-in without the real host: the
// scripted host makes a block, serves it from a thread with the replies the
// test programs, and records every request. Here it drives the C sample
// plug-in; point it at your own DLL the same way.
//   TestKitExample [plugin.dll]
#include <windows.h>

#include <cstdio>
#include <string>

#include "ScriptedHost.h"

namespace {

using karvo::test::Answer;
using karvo::test::ScriptedHost;
using karvo::test::SeenRequest;
using PluginRun = int(__stdcall*)(const char* apiText);

int passed = 0, failed = 0;

void Expect(bool ok, const char* what) {
  std::printf("%s  %s\n", ok ? "ok    " : "FAILED", what);
  ok ? ++passed : ++failed;
}

// Loads the plug-in afresh for each case, so that KARVO.DLL starts clean.
int RunPlugin(const char* dll, const std::string& apiHandle) {
  HMODULE m = ::LoadLibraryA(dll);
  if (m == nullptr) return -1;
  auto run = reinterpret_cast<PluginRun>(reinterpret_cast<void*>(::GetProcAddress(m, "KarvoPluginRun")));
  int rc = run ? run(apiHandle.c_str()) : -1;
  ::FreeLibrary(m);
  return rc;
}

}  // namespace

int main(int argc, char** argv) {
  const char* plugin = argc > 1 ? argv[1] : "SamplePluginC.dll";

  {  // The host accepts every statement: the plug-in's steps all go well.
    ScriptedHost host;
    host.Always(Answer::Code(KARVO_REPLY_SUCCESS));
    Expect(RunPlugin(plugin, host.ApiHandle()) == 0, "a host that accepts every statement: the plug-in succeeds");
    bool sawStatement = false;
    for (const SeenRequest& r : host.Requests())
      sawStatement = sawStatement || (r.Command == KARVO_CMD_EXECUTE_SQL && !r.SQL.empty());
    Expect(sawStatement, "the host saw an EXECUTE_SQL request with its statement");
  }
  {  // The host refuses with a message of its own (reply code 250).
    ScriptedHost host;
    host.SetHandler([](const SeenRequest& r) {
      if (r.Command != KARVO_CMD_EXECUTE_SQL) return Answer::Code(KARVO_REPLY_SUCCESS);
      Answer a = Answer::Code(KARVO_REPLY_MESSAGE);
      a.WriteData = true;
      a.Data = u"tabela KONTRAHENCI jest zablokowana";
      return a;
    });
    Expect(RunPlugin(plugin, host.ApiHandle()) > 0, "a host that refuses the statement: the plug-in reports it");
  }
  {  // No service behind the block: the plug-in must not hang or crash.
    ScriptedHost host;
    host.SetState(KARVO_smsNoAllocated);
    Expect(RunPlugin(plugin, host.ApiHandle()) > 0, "a block without service: the plug-in fails cleanly");
    Expect(host.RequestCount() == 0, "and no request reached the host");
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
