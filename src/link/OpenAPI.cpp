#include "link/OpenAPI.h"

#include <mutex>
#include <stdexcept>

#include "link/ApiError.h"
#include "link/ExportForms.h"
#include "link/ProcessState.h"
#include "messages/Messages.h"

namespace karvo {

namespace {

bool IsBareHandle(const std::u16string& text) { return text.compare(0, 5, u"KARVO") == 0 && text.size() >= 5; }

// Steps that may throw; the caller turns a throw into code 252.
void Attach(const char* ApiText, CallDocumentHandleReader readHandle) {
  std::u16string text = PlainText(ApiText);
  if (text.empty()) throw std::invalid_argument("empty API text");
  std::u16string handle = IsBareHandle(text) ? text : readHandle(ApiText);
  bool attached = false;
  if (!handle.empty()) {
    // The old object goes once no other thread's call holds it any more.
    ReplaceSharedMem(nullptr);
    std::shared_ptr<TPluginsSharedMem> mem = TPluginsSharedMem::CreateDll(handle);
    attached = !mem->ApiHandle().empty();
    ReplaceSharedMem(std::move(mem));
  }
  if (attached)
    State().APIInitialized = true;
  else
    SetAPIErrorText(msg::kInitFailed);
}

// Two threads opening at once attach once: the second sees the first's
// success as "already open".
std::mutex g_opening;

}  // namespace

std::uint8_t OpenAPI(const char* ApiText, CallDocumentHandleReader readHandle) {
  std::lock_guard<std::mutex> l(g_opening);
  ProcessState& st = State();
  if (st.APIInitialized) {
    SetAPIErrorText(msg::kAlreadyInitialized);
    return 1;
  }
  try {
    Attach(ApiText, readHandle);
  } catch (...) {
    SetAPIError(kCodeException);
  }
  if (!st.APIInitialized) return 0;
  // The call document's reader may have left a message of its own: an open
  // API has none.
  ClearAPIError();
  return 1;
}

}  // namespace karvo
