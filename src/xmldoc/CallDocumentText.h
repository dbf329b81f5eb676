// The text rules of call documents that need no XML engine: name matching,
// the guard on the prolog, markup escaping, the cuts and line breaks of the
// returned texts, the type names of both directions and the fallback
// reading of dates. Needs no Windows API.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace karvo {

// The keys the library looks for; all upper case already.
inline constexpr char16_t kKeyProcedure[] = u"PROCEDURE";
inline constexpr char16_t kKeyWindow[] = u"WINDOW";
inline constexpr char16_t kKeyDataIn[] = u"DATAIN";
inline constexpr char16_t kKeyDataOut[] = u"DATAOUT";
inline constexpr char16_t kKeyType[] = u"TYPE";
inline constexpr char16_t kKeyValue[] = u"VALUE";
inline constexpr char16_t kKeyName[] = u"NAME";
inline constexpr char16_t kKeyApiHandle[] = u"APIHANDLE";

// The node's name upper-cased (a to z) equals the key, which is taken as it
// is: not EqualIgnoringAsciiCase, since a lower-case key matches no name.
bool NameMatchesKey(std::u16string_view nodeName, std::u16string_view key);

// The longest call document the library parses, in UTF-16 code units. The
// engine's tree of a document of small elements takes some thirty times
// the text: a 50 MB one would nearly fill the host's 32-bit address space.
// No call document comes near this; a longer text is refused unread.
inline constexpr std::size_t kMaxCallDocumentUnits = 8 * 1024 * 1024;

// True when the prolog of the text (before the first element) declares a
// document type. Call documents never need one, and refusing it before the
// engine sees the text keeps entity expansion and external fetches out.
bool PrologHasDocumentType(std::u16string_view text);

// Throws std::invalid_argument when the text holds a character that XML
// cannot hold in any form: a control character other than tab, LF and CR
// (U+0001, NUL). Such a text never goes into a tree or into markup.
void RequireXmlText(std::u16string_view text);

// Markup as our serialiser writes it: text with &amp; &lt; &gt;, attribute
// values also with &quot; and tab, LF and CR as character references, so
// that they read back as themselves. Both refuse what RequireXmlText refuses.
void AppendEscapedText(std::u16string& out, std::u16string_view text);
void AppendEscapedAttribute(std::u16string& out, std::u16string_view value);

// An element's markup without its start tag and its end tag, the end tag
// being taken as tagLength characters of name plus "</" and ">".
std::u16string CutOuterTags(std::u16string markup, std::size_t tagLength);

// Every line break (CR, LF or CR LF) made CR LF, with one after the last line.
std::u16string CrLfLines(std::u16string_view text);

// What a "TYPE" text asks the value to become.
enum class TypeTarget {
  None,  // not a known type name: the value stays as it is
  Int32,
  UInt8,
  UInt16,
  Int64,
  Double,
  Date,
  AnsiText,
  Empty,
  Variant,  // structured types: never convertible
  Opaque,   // "VARIANT": never convertible
};
TypeTarget TypeCodeFromName(std::u16string_view typeText);

// The "TYPE" text written for a VARIANT of this full type word.
std::u16string TypeNameFromCode(std::uint16_t vt);

// A date written in the order of a short date format ("dd.MM.yyyy",
// "M/d/yyyy", "yyyy-MM-dd"): three numbers split by the format's separator.
// A two-digit year is 2000-2049 below 50 and 1950-1999 from 50. Gives the
// OLE date (days since 30 December 1899).
std::optional<double> ShortDateSyntax(std::u16string_view text, std::u16string_view shortDateFormat);

}  // namespace karvo
