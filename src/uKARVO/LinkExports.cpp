// Opening the API and reading the last error.
#include "link/OpenAPI.h"
#include "uKARVO/Exports.h"
#include "xmldoc/CallDocumentHandle.h"

using namespace karvo;

// ApiText is the API handle or a document that carries it; 1 when open (a repeat also, leaving a message).
unsigned char __stdcall OpenAPI(const char* ApiText) {
  return Guarded<unsigned char>(0, [&] { return karvo::OpenAPI(ApiText, HandleFromCallDocument); });
}

unsigned char __stdcall OpenAPIA(KARVO_ANSISTRING ApiText) {
  return Guarded<unsigned char>(0, [&] {
    AnsiArg api(ApiText);
    return karvo::OpenAPI(PlainFromA(api), HandleFromCallDocument);
  });
}

unsigned char __stdcall OpenAPIW(BSTR ApiText) {
  return Guarded<unsigned char>(0, [&] { return karvo::OpenAPI(PlainFromW(ApiText), HandleFromCallDocument); });
}

// The calling thread's last error, null when there is none; reading it does not clear it.
const char* __stdcall GetLastAPIError(void) {
  return Guarded<const char*>(kKeepLastError, nullptr, [] { return TextToPlain(LastAPIError()); });
}

void __stdcall GetLastAPIErrorA(KARVO_ANSISTRING* aResult) {
  GuardedResult(kKeepLastError, aResult, [] { return LastAPIError(); });
}

void __stdcall GetLastAPIErrorW(BSTR* aResult) {
  GuardedResult(kKeepLastError, aResult, [] { return LastAPIError(); });
}
