#include "link/ReturnBuffers.h"

#include <cstring>

#include "link/ProcessState.h"

namespace karvo {

const char* ReturnPChar(std::string text) {
  if (text.empty()) return nullptr;
  std::size_t nul = text.find('\0');
  std::size_t n = nul == std::string::npos ? text.size() : nul;
  ProcessState& st = State();
  if (text.size() <= sizeof(st.ReturnBuffer) - 1) {
    std::memset(st.ReturnBuffer, 0, sizeof(st.ReturnBuffer));
    std::memcpy(st.ReturnBuffer, text.data(), n);
    return st.ReturnBuffer;
  }
  st.LongReturnBuffer.reset();
  st.LongReturnBuffer.reset(new char[text.size() + 1]());
  std::memcpy(st.LongReturnBuffer.get(), text.data(), n);
  return st.LongReturnBuffer.get();
}

}  // namespace karvo
