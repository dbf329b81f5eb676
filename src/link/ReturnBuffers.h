// Texts handed back as pointers live in the calling thread's ReturnBuffer
// (up to 65535 bytes) or LongReturnBuffer, until that thread's next text
// that needs the same buffer.
#pragma once

#include <string>

namespace karvo {

// Copies the text up to its first NUL and returns the NUL-terminated copy;
// an empty text gives null. The text is taken by value, so an argument that
// points into a return buffer is read before the buffer is rewritten.
const char* ReturnPChar(std::string text);

}  // namespace karvo
