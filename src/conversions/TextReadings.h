// Numbers read from text as the platform reads them in the user's locale,
// and by the library's own syntax where the platform sees no number at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace karvo {

// VarI4FromStr; on a type mismatch IntegerTextSyntax, then the Boolean
// reading. Any other failure of the platform (an overflow) gives nothing.
std::optional<std::int32_t> ReadInt32(std::u16string text);
// VarR8FromStr; on a type mismatch PlainFloatSyntax.
std::optional<double> ReadDouble(std::u16string text);

}  // namespace karvo
