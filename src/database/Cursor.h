// The cursor over a result set the host opened: worked on the host's data
// set in this process through the object model, never through the block.
#pragma once

#include <cstdint>

namespace karvo {

// 1 when the move returned, 0 on failure.
std::uint8_t FirstSQL(std::uint32_t aDSHandle);
std::uint8_t LastSQL(std::uint32_t aDSHandle);
std::uint8_t NextSQL(std::uint32_t aDSHandle);
std::uint8_t PriorSQL(std::uint32_t aDSHandle);
// The low 8 bits of the record count, 0 on failure.
std::uint8_t CountSQL(std::uint32_t aDSHandle);
// The end-of-data flag, 1 on failure.
std::uint8_t EofSQL(std::uint32_t aDSHandle);
// The field's value in the current record through the return buffers,
// null when empty or on failure.
const char* FieldByNameSQL(std::uint32_t aDSHandle, const char* aFieldName);

}  // namespace karvo
