// Attaching the library to the host's block.
#pragma once

#include <cstdint>

namespace karvo {

// ApiText is the API handle ("KARVO..." ) or a call document carrying it.
// Returns 1 when the API is open, 0 on failure.
std::uint8_t OpenAPI(const char* ApiText);

}  // namespace karvo
