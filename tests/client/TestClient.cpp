// A second process for the tests.
//   karvo_test_client <api handle> <client id> <count>
//     A plug-in: opens the API and sends numbered requests of three kinds,
//     short and long, checking that each answer is its own (the host of
//     ConcurrencyTests.cpp answers each kind from the request alone).
//     Exit code 0 when every answer matched.
//   karvo_test_client --die-serving <api handle>
//     A host that takes one request, starts its reply and ends while it
//     holds the block mutex. Exit code 0 once it has done so.
//   karvo_test_client --take-and-hang <api handle> hold|release
//     A host that takes one request (smsProcessing) and then hangs, holding
//     the block mutex or not, until it is killed.
//   karvo_test_client --hold-mutex <api handle>
//     A plug-in that takes the block mutex and hangs holding it until it is
//     killed.
//   Both set the event <api handle>HELD once they hang.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "karvo.h"
#include "karvo_host.h"

namespace {

// What the host answers to OPEN_QUERY_SQL: a handle made from the statement.
unsigned Fnv(const char* s) {
  unsigned h = 2166136261u;
  for (; *s != 0; ++s) h = (h ^ static_cast<unsigned char>(*s)) * 16777619u;
  return h;
}

// Waits up to 10 s for a request, as a host that plays dead would; returns
// with the block mutex held and the block in smsProcessing, or a failure code.
int TakeRequest(const char* api, volatile TPluginsSharedMemData*& b, HANDLE& m) {
  HANDLE map = OpenFileMappingA(FILE_MAP_ALL_ACCESS, FALSE, api);
  if (map == nullptr) return 3;
  b = static_cast<volatile TPluginsSharedMemData*>(MapViewOfFile(map, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  m = CreateMutexA(nullptr, FALSE, (std::string(api) + KARVO_MUTEX_SUFFIX).c_str());
  if (b == nullptr || m == nullptr) return 4;
  for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(1)) {
    DWORD r = WaitForSingleObject(m, 1000);
    if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) continue;
    if (b->State == KARVO_smsToProcess) {
      b->State = KARVO_smsProcessing;
      return 0;
    }
    ReleaseMutex(m);
  }
  return 5;
}

int DieServing(const char* api) {
  volatile TPluginsSharedMemData* b = nullptr;
  HANDLE m = nullptr;
  if (int rc = TakeRequest(api, b, m)) return rc;
  b->CommandLength = 1;
  b->Command[0] = KARVO_VERDICT_SUCCESS;
  b->Data[0] = 'h';
  // Ends here, owning the mutex, before the reply is finished.
  ExitProcess(0);
}

void Hang(const char* api) {
  HANDLE e = CreateEventA(nullptr, TRUE, FALSE, (std::string(api) + "HELD").c_str());
  if (e != nullptr) SetEvent(e);
  for (;;) Sleep(1000);  // until killed
}

int TakeAndHang(const char* api, bool hold) {
  volatile TPluginsSharedMemData* b = nullptr;
  HANDLE m = nullptr;
  if (int rc = TakeRequest(api, b, m)) return rc;
  if (!hold) ReleaseMutex(m);
  Hang(api);
  return 0;
}

int HoldMutex(const char* api) {
  HANDLE m = CreateMutexA(nullptr, FALSE, (std::string(api) + KARVO_MUTEX_SUFFIX).c_str());
  if (m == nullptr) return 4;
  DWORD r = WaitForSingleObject(m, 10000);
  if (r != WAIT_OBJECT_0 && r != WAIT_ABANDONED) return 5;
  Hang(api);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--die-serving") == 0) return DieServing(argv[2]);
  if (argc >= 4 && std::strcmp(argv[1], "--take-and-hang") == 0)
    return TakeAndHang(argv[2], std::strcmp(argv[3], "hold") == 0);
  if (argc >= 3 && std::strcmp(argv[1], "--hold-mutex") == 0) return HoldMutex(argv[2]);
  if (argc < 4) return 2;
  HMODULE dll = LoadLibraryA("KARVO.DLL");
  if (dll == nullptr) return 3;
  auto openApi = reinterpret_cast<KARVO_PFN_OpenAPI>(GetProcAddress(dll, "OpenAPI"));
  auto getFrom = reinterpret_cast<KARVO_PFN_GetFromQuerySQL>(GetProcAddress(dll, "GetFromQuerySQL"));
  auto openQuery = reinterpret_cast<KARVO_PFN_OpenQuerySQL>(GetProcAddress(dll, "OpenQuerySQL"));
  auto execute = reinterpret_cast<KARVO_PFN_ExecuteSQL>(GetProcAddress(dll, "ExecuteSQL"));
  auto lastError = reinterpret_cast<KARVO_PFN_GetLastAPIError>(GetProcAddress(dll, "GetLastAPIError"));
  if (openApi == nullptr || getFrom == nullptr || openQuery == nullptr || execute == nullptr || lastError == nullptr ||
      openApi(argv[1]) != 1)
    return 4;
  int id = std::atoi(argv[2]);
  int count = std::atoi(argv[3]);
  int bad = 0;
  for (int seq = 0; seq < count; ++seq) {
    char head[64];
    std::snprintf(head, sizeof head, "client %d request %d", id, seq);
    std::string sql = head;
    // Every seventh request is long, so a mixed-up reply cannot hide.
    if (seq % 7 == 3) sql += std::string(12000, static_cast<char>('a' + id % 26));
    std::string got;
    bool ok = false;
    switch (seq % 3) {
      case 0: {
        const char* answer = getFrom(sql.c_str(), 0);
        got = answer ? answer : "(null)";
        ok = got == sql;
        break;
      }
      case 1: {
        KARVO_HANDLE h = openQuery(sql.c_str(), 0);
        ok = reinterpret_cast<UINT_PTR>(h) == Fnv(sql.c_str());
        got = "handle " + std::to_string(reinterpret_cast<UINT_PTR>(h));
        break;
      }
      default: {
        // The host answers 1 to even request numbers, 250 with the statement
        // as its message to odd ones.
        unsigned char code = execute(sql.c_str(), 0);
        const char* e = lastError();
        got = "code " + std::to_string(code) + " " + (e ? e : "");
        ok = seq % 2 == 0 ? code == 1 && e == nullptr : code == 250 && e != nullptr && sql == e;
        break;
      }
    }
    if (!ok) {
      const char* e = lastError();
      std::fprintf(stderr, "client %d request %d: got '%.80s' (%s)\n", id, seq, got.c_str(), e ? e : "");
      ++bad;
    }
  }
  FreeLibrary(dll);
  return bad == 0 ? 0 : 1;
}
