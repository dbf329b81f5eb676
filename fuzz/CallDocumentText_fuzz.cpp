// The text rules of call documents see whatever a caller passes: the
// document text before the engine does, and the value texts the platform's
// readings refused. The input is UTF-16 units; each rule must keep its
// promises on any of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "conversions/NumberSyntax.h"
#include "conversions/TextForms.h"
#include "xmldoc/CallDocumentText.h"

using namespace karvo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));

  if (PrologHasDocumentType(text) && text.find(u"<!") == std::u16string::npos) std::abort();

  std::u16string lines = CrLfLines(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == u'\r' && (i + 1 == lines.size() || lines[i + 1] != u'\n')) std::abort();
    if (lines[i] == u'\n' && (i == 0 || lines[i - 1] != u'\r')) std::abort();
  }
  if (!lines.empty() && lines.compare(lines.size() - 2, 2, u"\r\n") != 0) std::abort();
  if (CrLfLines(lines) != lines) std::abort();

  std::size_t tag = size > 0 ? data[0] % 16 : 0;
  if (CutOuterTags(text, tag).size() > text.size()) std::abort();

  if (auto v = Int64TextSyntax(text)) {
    std::string digits = std::to_string(*v);
    if (Int64TextSyntax(std::u16string(digits.begin(), digits.end())) != v) std::abort();
  }
  if (auto f = PlainFloatSyntax(text, u',')) {
    if (*f != *f) std::abort();  // the syntax has no NaN
  }
  std::size_t split = text.find(u'\x01');
  if (split != std::u16string::npos) {
    auto d = ShortDateSyntax(text.substr(split + 1), text.substr(0, split));
    if (d && (*d < -657434.0 || *d > 2958465.0)) std::abort();
  }
  TypeNameFromCode(static_cast<std::uint16_t>(size > 1 ? data[0] | (data[1] << 8) : 0));
  TypeCodeFromName(text);
  return 0;
}
