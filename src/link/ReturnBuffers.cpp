#include "link/ReturnBuffers.h"

#include <cstring>

#include "link/ThreadState.h"

namespace karvo {

const char* ReturnPChar(std::string text) {
  if (text.empty()) return nullptr;
  std::size_t nul = text.find('\0');
  std::size_t n = nul == std::string::npos ? text.size() : nul;
  ThreadState& st = OwnThreadState();
  if (text.size() <= ThreadState::kReturnBufferSize - 1) {
    if (!st.ReturnBuffer) st.ReturnBuffer.reset(new char[ThreadState::kReturnBufferSize]);
    std::memset(st.ReturnBuffer.get(), 0, ThreadState::kReturnBufferSize);
    std::memcpy(st.ReturnBuffer.get(), text.data(), n);
    return st.ReturnBuffer.get();
  }
  st.LongReturnBuffer.reset();
  st.LongReturnBuffer.reset(new char[text.size() + 1]());
  std::memcpy(st.LongReturnBuffer.get(), text.data(), n);
  return st.LongReturnBuffer.get();
}

}  // namespace karvo
