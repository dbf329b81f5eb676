#include "xmldoc/CallDocumentText.h"

#include <cstdio>
#include <stdexcept>

#include "conversions/AsciiCase.h"

namespace karvo {

namespace {

bool IsXmlBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool StartsWith(std::u16string_view text, std::size_t at, std::u16string_view what) {
  return text.size() - at >= what.size() && text.compare(at, what.size(), what) == 0;
}

// XML holds no control character but tab, line feed and carriage return,
// not even as a character reference: a text with one would give a document
// that nothing reads back.
void RefuseControl(char16_t c) {
  if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
    throw std::invalid_argument("a control character has no form in XML");
}

std::u16string_view TrimBlanks(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

}  // namespace

void RequireXmlText(std::u16string_view text) {
  for (char16_t c : text) RefuseControl(c);
}

bool NameMatchesKey(std::u16string_view nodeName, std::u16string_view key) {
  if (nodeName.size() != key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if (UpperAscii(nodeName[i]) != key[i]) return false;
  return true;
}

bool PrologHasDocumentType(std::u16string_view text) {
  std::size_t at = 0;
  if (!text.empty() && text[0] == u'\xFEFF') at = 1;
  // The prolog is blanks, processing instructions (the XML declaration among
  // them) and comments; a "<!" that opens no comment can only be a document
  // type declaration, or markup that does not parse at all.
  for (;;) {
    while (at < text.size() && IsXmlBlank(text[at])) ++at;
    if (StartsWith(text, at, u"<?")) {
      std::size_t end = text.find(u"?>", at + 2);
      if (end == std::u16string_view::npos) return false;
      at = end + 2;
    } else if (StartsWith(text, at, u"<!--")) {
      std::size_t end = text.find(u"-->", at + 4);
      if (end == std::u16string_view::npos) return false;
      at = end + 3;
    } else {
      return StartsWith(text, at, u"<!");
    }
  }
}

namespace {

// The reference that stands for a character in markup, or null when the
// character stands for itself.
const char16_t* Reference(char16_t c, bool inAttribute) {
  switch (c) {
    case u'&': return u"&amp;";
    case u'<': return u"&lt;";
    case u'>': return u"&gt;";
    default: break;
  }
  if (!inAttribute) return nullptr;
  switch (c) {
    case u'"': return u"&quot;";
    // A reader turns raw tabs and line breaks in an attribute into spaces.
    case u'\t': return u"&#9;";
    case u'\n': return u"&#10;";
    case u'\r': return u"&#13;";
    default: return nullptr;
  }
}

void AppendEscaped(std::u16string& out, std::u16string_view text, bool inAttribute) {
  for (char16_t c : text) {
    if (const char16_t* reference = Reference(c, inAttribute)) {
      out += reference;
    } else {
      RefuseControl(c);
      out += c;
    }
  }
}

}  // namespace

void AppendEscapedText(std::u16string& out, std::u16string_view text) { AppendEscaped(out, text, false); }

void AppendEscapedAttribute(std::u16string& out, std::u16string_view value) { AppendEscaped(out, value, true); }

std::u16string CutOuterTags(std::u16string markup, std::size_t tagLength) {
  std::size_t gt = markup.find(u'>');
  if (gt != std::u16string::npos) markup.erase(0, gt + 1);
  // The closing tag is "</" + name + ">"; when the markup was an empty
  // element nothing is left and nothing is cut.
  std::size_t closing = tagLength + 3;
  if (markup.size() >= closing) markup.erase(markup.size() - closing, closing);
  return markup;
}

std::u16string CrLfLines(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size() + text.size() / 32 + 2);
  std::size_t start = 0, i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      out.append(text.substr(start, i - start));
      out += u"\r\n";
      i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) {
    out.append(text.substr(start));
    out += u"\r\n";
  }
  return out;
}

TypeTarget TypeCodeFromName(std::u16string_view typeText) {
  struct Entry {
    const char16_t* name;
    TypeTarget target;
  };
  static constexpr Entry kTable[] = {
      {u"INTEGER", TypeTarget::Int32},    {u"BYTE", TypeTarget::UInt8},          {u"CHAR", TypeTarget::UInt8},
      {u"WCHAR", TypeTarget::UInt8},      {u"WORD", TypeTarget::UInt16},         {u"INT64", TypeTarget::Int64},
      {u"DOUBLE", TypeTarget::Double},    {u"FLOAT", TypeTarget::Double},        {u"DATE", TypeTarget::Date},
      {u"STRING", TypeTarget::AnsiText},  {u"LSTRING", TypeTarget::AnsiText},    {u"WSTRING", TypeTarget::AnsiText},
      {u"EMPTY", TypeTarget::Empty},      {u"ARRAY", TypeTarget::Variant},       {u"CLASS", TypeTarget::Variant},
      {u"DYNARRAY", TypeTarget::Variant}, {u"ENUMERATION", TypeTarget::Variant}, {u"INTERFACE", TypeTarget::Variant},
      {u"METHOD", TypeTarget::Variant},   {u"RECORD", TypeTarget::Variant},      {u"SET", TypeTarget::Variant},
      {u"VARIANT", TypeTarget::Opaque},
  };
  for (const Entry& e : kTable)
    if (NameMatchesKey(typeText, e.name)) return e.target;
  return TypeTarget::None;
}

std::u16string TypeNameFromCode(std::uint16_t vt) {
  switch (vt) {
    case 0: return u"Empty";
    case 1: return u"Null";
    case 3: return u"INTEGER";
    case 5: return u"FLOAT";
    case 7: return u"DATE";
    case 9: return u"Dispatch";
    case 10: return u"Error";
    case 13: return u"UNKNOWN";
    case 17: return u"CHAR";
    case 18: return u"WORD";
    case 20: return u"INT64";
    case 256: return u"STRING";
    case 4095: return u"TypeMask";
    case 2:
    case 4:
    case 6:
    case 8:
    case 11:
    case 12:
    case 19:
    case 72:
    case 257: return u"VARIANT";
    default: break;
  }
  static constexpr const char16_t* kBaseNames[] = {
      u"EMPTY",    u"NULL",     u"SMALLINT", u"INTEGER",  u"SINGLE",  u"DOUBLE",  u"CURRENCY", u"DATE",
      u"OLESTR",   u"DISPATCH", u"ERROR",    u"BOOLEAN",  u"VARIANT", u"UNKNOWN", u"DECIMAL",  u"$0F",
      u"SHORTINT", u"BYTE",     u"WORD",     u"LONGWORD", u"INT64",   u"UINT64"};
  unsigned base = vt & 0x0FFFu;
  std::u16string name;
  if (base <= 21) {
    name = kBaseNames[base];
  } else if (base == 258) {
    name = u"UNICODESTRING";
  } else {
    char hex[8];
    std::snprintf(hex, sizeof hex, "$%04X", base);
    for (const char* p = hex; *p != 0; ++p) name += static_cast<char16_t>(*p);
  }
  if (vt & 0x2000u) name = u"ARRAY " + name;
  if (vt & 0x4000u) name = u"BYREF " + name;
  return name;
}

namespace {

// Days from 1 January 1970 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

unsigned DaysInMonth(int y, unsigned m) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

}  // namespace

std::optional<double> ShortDateSyntax(std::u16string_view text, std::u16string_view shortDateFormat) {
  // The order of day, month and year, and the separator, as the format has them.
  char order[3];
  int parts = 0;
  char16_t separator = 0;
  char last = 0;
  for (char16_t c : shortDateFormat) {
    char16_t lower = (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c;
    if (lower == u'd' || lower == u'm' || lower == u'y') {
      char k = static_cast<char>(lower);
      if (k != last) {
        for (int j = 0; j < parts; ++j)
          if (order[j] == k) return std::nullopt;
        if (parts == 3) return std::nullopt;
        order[parts++] = k;
        last = k;
      }
    } else {
      if (separator == 0 && parts > 0) separator = c;
      last = 0;
    }
  }
  if (parts != 3 || separator == 0) return std::nullopt;

  text = TrimBlanks(text);
  int values[3] = {0, 0, 0};
  std::size_t widths[3] = {0, 0, 0};
  std::size_t i = 0;
  for (int p = 0; p < 3; ++p) {
    if (p > 0) {
      if (i >= text.size() || text[i] != separator) return std::nullopt;
      ++i;
    }
    while (i < text.size() && IsDigit(text[i])) {
      if (++widths[p] > 4) return std::nullopt;
      values[p] = values[p] * 10 + (text[i] - u'0');
      ++i;
    }
    if (widths[p] == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;

  int day = 0, month = 0, year = 0;
  std::size_t yearWidth = 0;
  for (int p = 0; p < 3; ++p) {
    if (order[p] == 'd') day = values[p];
    if (order[p] == 'm') month = values[p];
    if (order[p] == 'y') {
      year = values[p];
      yearWidth = widths[p];
    }
  }
  if (yearWidth <= 2) year += year < 50 ? 2000 : 1900;
  if (year < 100 || year > 9999 || month < 1 || month > 12) return std::nullopt;
  if (day < 1 || static_cast<unsigned>(day) > DaysInMonth(year, static_cast<unsigned>(month))) return std::nullopt;
  // OLE dates count from 30 December 1899.
  const std::int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);
  return static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpoch);
}

}  // namespace karvo
