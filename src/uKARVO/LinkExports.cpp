// Opening the API and reading the last error.
#include "link/OpenAPI.h"
#include "link/ReturnBuffers.h"
#include "platform/CodePage.h"
#include "uKARVO/Exports.h"

using namespace karvo;

// OpenAPI: ApiText is the API handle or a call document carrying it.
// Returns 1 when the API is open (also when it was open already, with a
// message left), 0 on failure with the reason in the last error.
unsigned char __stdcall OpenAPI(const char* ApiText) {
  return Guarded<unsigned char>(0, [&] { return karvo::OpenAPI(ApiText); });
}

unsigned char __stdcall OpenAPIA(KARVO_ANSISTRING ApiText) {
  return Guarded<unsigned char>(0, [&] {
    AnsiArg api(ApiText);
    return karvo::OpenAPI(PlainFromA(api));
  });
}

unsigned char __stdcall OpenAPIW(BSTR ApiText) {
  return Guarded<unsigned char>(0, [&] { return karvo::OpenAPI(PlainFromW(ApiText)); });
}

// The last error in the system ANSI code page, null when there is none.
// Reading it does not clear it.
const char* __stdcall GetLastAPIError(void) {
  return Guarded<const char*>(nullptr, [] { return TextToPlain(LastAPIError()); });
}

void __stdcall GetLastAPIErrorA(KARVO_ANSISTRING* aResult) {
  GuardedResult(aResult, [] { return LastAPIError(); });
}

// The last error as UTF-16, with no 8-bit step.
void __stdcall GetLastAPIErrorW(BSTR* aResult) {
  GuardedResult(aResult, [] { return LastAPIError(); });
}
