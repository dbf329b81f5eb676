// A plug-in process for the tests: opens the API and sends numbered
// requests, checking that each answer is its own.
//   karvo_test_client <api handle> <client id> <count>
// Exit code 0 when every answer matched.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "karvo.h"

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  HMODULE dll = LoadLibraryA("KARVO.DLL");
  if (dll == nullptr) return 3;
  auto openApi = reinterpret_cast<KARVO_PFN_OpenAPI>(GetProcAddress(dll, "OpenAPI"));
  auto getFrom = reinterpret_cast<KARVO_PFN_GetFromQuerySQL>(GetProcAddress(dll, "GetFromQuerySQL"));
  auto lastError = reinterpret_cast<KARVO_PFN_GetLastAPIError>(GetProcAddress(dll, "GetLastAPIError"));
  if (openApi == nullptr || getFrom == nullptr || openApi(argv[1]) != 1) return 4;
  int id = std::atoi(argv[2]);
  int count = std::atoi(argv[3]);
  int bad = 0;
  for (int seq = 0; seq < count; ++seq) {
    char sql[64];
    std::snprintf(sql, sizeof sql, "client %d request %d", id, seq);
    const char* answer = getFrom(sql, 0);
    if (answer == nullptr || std::strcmp(answer, sql) != 0) {
      const char* e = lastError();
      std::fprintf(stderr, "client %d request %d: got '%s' (%s)\n", id, seq, answer ? answer : "(null)",
                   e ? e : "");
      ++bad;
    }
  }
  FreeLibrary(dll);
  return bad == 0 ? 0 : 1;
}
