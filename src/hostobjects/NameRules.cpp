#include "hostobjects/NameRules.h"

#include "conversions/AsciiCase.h"

namespace karvo {

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

int ComparePropertyNames(const std::u16string& a, const std::u16string& b, const WideCompare& wideCompare) {
  std::string x = ToUtf8(a), y = ToUtf8(b);
  std::size_t common = x.size() < y.size() ? x.size() : y.size();
  for (std::size_t i = 0; i < common; ++i) {
    auto p = static_cast<unsigned char>(x[i]), q = static_cast<unsigned char>(y[i]);
    if (p >= 0x80 || q >= 0x80) {
      int r = wideCompare ? wideCompare(a, b) : 0;
      return r < 0 ? -1 : r > 0 ? 1 : 0;
    }
    p &= ~0x20u;
    q &= ~0x20u;
    if (p != q) return p < q ? -1 : 1;
  }
  if (x.size() == y.size()) return 0;
  return x.size() < y.size() ? -1 : 1;
}

bool ControlNameMatches(std::u16string_view childName, std::u16string_view wanted) {
  if (childName.empty() || wanted.empty()) return childName.empty() && wanted.empty();
  return EqualIgnoringAsciiCase(childName, wanted);
}

std::string MethodLookupName(std::u16string_view name) {
  std::string utf8 = ToUtf8(name);
  if (utf8.size() > 255) utf8.resize(255);
  return utf8;
}

std::uint8_t EffectiveListFlags(std::uint32_t flags) {
  auto low = static_cast<std::uint8_t>(flags & 0xFF);
  return low == 0 ? 7 : low;
}

}  // namespace karvo
