// The library's one case rule for names, keys and fields: only the ASCII
// letters a to z and A to Z are folded, so an accented capital never equals
// its small letter whatever the locale. Needs no Windows API.
#pragma once

#include <string>
#include <string_view>

namespace karvo {

constexpr char16_t UpperAscii(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }
std::u16string UpperAscii(std::u16string_view text);

bool EqualIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace karvo
