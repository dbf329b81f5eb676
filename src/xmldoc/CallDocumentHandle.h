// The API handle carried in a call document.
#pragma once

#include <string>

namespace karvo {

// Reads the handle from the header field "APIHANDLE" or the variable of
// that name; empty when the document carries none. Throws when the text is
// not a document.
std::u16string HandleFromCallDocument(const char* ApiText);

}  // namespace karvo
