// The argument text of a host procedure: the arguments joined with U+0001,
// nothing before the first or after the last. Not escaped: an argument that
// holds U+0001 arrives at the host as two.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

namespace karvo {

inline constexpr char16_t kHostArgSeparator = u'\x0001';

std::u16string JoinHostArgs(std::initializer_list<std::u16string_view> args);

}  // namespace karvo
