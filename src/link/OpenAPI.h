// Attaching the library to the host's block.
#pragma once

#include <cstdint>
#include <string>

namespace karvo {

// Reads the API handle out of a call document (empty when it carries none;
// throws when the text is not a document). The export layer hands it down,
// so that this layer never reaches up into the call documents.
using CallDocumentHandleReader = std::u16string (*)(const char* ApiText);

// ApiText is the API handle ("KARVO...") or a call document carrying it,
// read by readHandle. Returns 1 when the API is open, 0 on failure.
std::uint8_t OpenAPI(const char* ApiText, CallDocumentHandleReader readHandle);

}  // namespace karvo
