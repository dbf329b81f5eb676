#include "fields/DelimitedFields.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "conversions/AsciiCase.h"
#include "conversions/TextForms.h"
#include "messages/Messages.h"

namespace karvo {
namespace {

constexpr std::int32_t kMaxFieldNo = std::numeric_limits<std::int32_t>::max();

// Field n (n >= 1) as a view into text; empty when the text has fewer fields.
std::u16string_view FieldView(std::u16string_view text, std::int64_t n, char16_t sep) {
  std::size_t start = 0;
  for (std::int64_t passed = 0; passed < n - 1; ++passed) {
    std::size_t at = text.find(sep, start);
    if (at == std::u16string_view::npos) return {};
    start = at + 1;
  }
  std::size_t end = text.find(sep, start);
  return text.substr(start, end == std::u16string_view::npos ? std::u16string_view::npos : end - start);
}

// Whether text, upper-cased on the fly, holds needle. Knuth-Morris-Pratt, so
// a long value against a long line stays linear and nothing is copied.
bool FoldedTextContains(std::u16string_view text, std::u16string_view needle) {
  const std::size_t m = needle.size();
  if (m > text.size()) return false;
  std::vector<std::size_t> border(m, 0);
  for (std::size_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && needle[i] != needle[k]) k = border[k - 1];
    if (needle[i] == needle[k]) ++k;
    border[i] = k;
  }
  for (std::size_t i = 0, k = 0; i < text.size(); ++i) {
    char16_t c = UpperAscii(text[i]);
    while (k > 0 && c != needle[k]) k = border[k - 1];
    if (c == needle[k]) ++k;
    if (k == m) return true;
  }
  return false;
}

}  // namespace

std::int32_t CountFields(std::u16string_view text, char16_t sep) {
  if (text.empty()) return 0;
  // A 32-bit process cannot hold a line with more fields than this.
  auto separators = static_cast<std::size_t>(std::count(text.begin(), text.end(), sep));
  return static_cast<std::int32_t>(std::min<std::size_t>(separators, kMaxFieldNo - 1) + 1);
}

std::u16string ExtractField(std::u16string_view text, std::int32_t n, char16_t sep) {
  if (n == 0) n = 1;
  if (n < 0) return {};
  return std::u16string(FieldView(text, n, sep));
}

bool ReplaceField(std::u16string_view value, std::u16string& text, std::int32_t n, char16_t sep) {
  if (text.empty() || CountFields(text, sep) < n) return false;
  if (n < 1) return true;
  std::u16string_view field = FieldView(text, n, sep);
  // The view points into text: take its place before text changes.
  std::size_t start = static_cast<std::size_t>(field.data() - text.data());
  text.replace(start, field.size(), value.data(), value.size());
  return true;
}

bool QuickFieldTest(std::u16string_view value, std::u16string_view text, char16_t sep) {
  if (EqualIgnoringAsciiCase(value, text)) return true;
  // The separator stays as it is while the text is upper-cased, so a
  // lower-case letter as separator never matches here.
  std::u16string needle;
  needle.reserve(value.size() + 2);
  needle += sep;
  for (char16_t c : value) needle += UpperAscii(c);
  needle += sep;
  if (FoldedTextContains(text, needle)) return true;
  if (EqualIgnoringAsciiCase(FieldView(text, 1, sep), value)) return true;
  std::size_t lastSep = text.rfind(sep);
  std::u16string_view last = lastSep == std::u16string_view::npos ? text : text.substr(lastSep + 1);
  return EqualIgnoringAsciiCase(last, value);
}

std::int32_t FindFieldNumber(std::u16string_view value, std::u16string_view text, char16_t sep) {
  if (text.empty() || !QuickFieldTest(value, text, sep)) return 0;
  std::size_t start = 0;
  for (std::int32_t n = 1;; ++n) {
    std::size_t end = text.find(sep, start);
    bool last = end == std::u16string_view::npos;
    if (EqualIgnoringAsciiCase(text.substr(start, last ? std::u16string_view::npos : end - start), value)) return n;
    if (last || n == kMaxFieldNo) return 0;
    start = end + 1;
  }
}

std::u16string CannotSetFieldMessage(std::int32_t fieldNo) {
  return msg::kCannotSetFieldPrefix + SignedText(fieldNo) + msg::kCannotSetFieldSuffix;
}

}  // namespace karvo
