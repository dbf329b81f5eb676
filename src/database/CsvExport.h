// The export of a result set's rows as delimited 8-bit text: in-process
// through the object model, and through the host when that fails.
#pragma once

#include <cstdint>

namespace karvo {

const char* GetCSVQuerySQL(std::uint32_t aDSHandle, std::int32_t aStart, std::int32_t aCount, std::uint8_t aWithHeader);
// Not implemented: null and "NoImplement".
const char* GetXMLQuerySQL();

}  // namespace karvo
