#include "link/OpenAPI.h"

#include <stdexcept>

#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "link/Messages.h"
#include "link/ProcessState.h"
#include "xmldoc/CallDocumentHandle.h"

namespace karvo {

namespace {

bool IsBareHandle(const std::u16string& text) { return text.compare(0, 5, u"KARVO") == 0 && text.size() >= 5; }

// Steps that may throw; the caller turns a throw into code 252.
void Attach(const char* ApiText) {
  std::u16string text = PlainText(ApiText);
  if (text.empty()) throw std::invalid_argument("empty API text");
  std::u16string handle = IsBareHandle(text) ? text : HandleFromCallDocument(ApiText);
  ProcessState& st = State();
  bool attached = false;
  if (!handle.empty()) {
    st.SharedMem.reset();
    st.SharedMem = TPluginsSharedMem::CreateDll(handle);
    attached = !st.SharedMem->ApiHandle().empty();
  }
  if (attached)
    st.APIInitialized = true;
  else
    SetAPIErrorText(msg::kInitFailed);
}

}  // namespace

std::uint8_t OpenAPI(const char* ApiText) {
  ClearAPIError();
  ProcessState& st = State();
  if (st.APIInitialized) {
    SetAPIErrorText(msg::kAlreadyInitialized);
    return 1;
  }
  try {
    Attach(ApiText);
  } catch (...) {
    SetAPIError(kCodeException);
  }
  if (!st.APIInitialized) return 0;
  ClearAPIError();
  return 1;
}

}  // namespace karvo
