// Lines of fields divided by one separator character. No quoting, no
// escaping: every separator divides. Pure text work, no platform needed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace karvo {

// The separator byte of the exports becomes the code unit of the same value.
// It deliberately skips the code page: a byte from 0x80 up matches only
// where the code page maps that byte to the same code point.
constexpr char16_t SeparatorUnit(unsigned char b) { return static_cast<char16_t>(b); }

// 0 for an empty text, otherwise 1 + the number of separators.
std::int32_t CountFields(std::u16string_view text, char16_t sep);

// Field n (0 counts as 1); empty for a negative n or one past the last field.
std::u16string ExtractField(std::u16string_view text, std::int32_t n, char16_t sep);

// Puts value in place of field n, value unchanged (a separator in it makes
// more fields). False, text untouched, when the text is empty or has fewer
// than n fields; an n of 0 or below changes nothing and still succeeds.
bool ReplaceField(std::u16string_view value, std::u16string& text, std::int32_t n, char16_t sep);

// True when value may be one of the fields, so that the field-by-field
// search can be skipped when false. Always true when a field equals value,
// except for an inner field when the separator is a lower-case a to z. Can
// also be true when no field is equal (value equal to the whole line, or
// spanning several fields).
bool QuickFieldTest(std::u16string_view value, std::u16string_view text, char16_t sep);

// Number of the first field equal to value ignoring ASCII case, or 0; 0 also
// whenever QuickFieldTest says no. One pass over the line.
std::int32_t FindFieldNumber(std::u16string_view value, std::u16string_view text, char16_t sep);

// "Nie można ustawić pola nr: 7 !"
std::u16string CannotSetFieldMessage(std::int32_t fieldNo);

}  // namespace karvo
