// Call documents: parsing, the lookups on a tree that the whole family
// shares, and the header exports. Every function parses into a fresh tree
// and lets it go before it returns; failures throw and the export guard
// makes them code 252.
#pragma once

#include <string>
#include <string_view>

#include "platform/Owners.h"
#include "xmldoc/XmlEngine.h"

namespace karvo {

// The first direct child whose name, upper-cased a to z, equals the key;
// an empty node when there is none.
XmlNode FindChildTag(const XmlNode& node, std::u16string_view key);
bool HasChildTag(const XmlNode& node, std::u16string_view key);
// The first matching child's value (its text as VT_BSTR, VT_NULL for an
// empty text) into value; with no match value stays as it was.
void GetChildTagValue(const XmlNode& node, std::u16string_view key, UniqueVariant& value);
// Sets the first matching child's text; false when there is no such child.
bool SetChildTagValue(const XmlNode& node, std::u16string_view key, const std::u16string& text);
// The node's "NAME": the first attribute of that name, else the first NAME
// child's text; empty when it has none.
std::u16string ReadNodeName(const XmlNode& node);

// A node's value: its text as VT_BSTR, or VT_NULL for the empty text.
void ReadNodeValue(const XmlNode& node, UniqueVariant& value);

// The header exports, plain form: a return-buffer text or null.
const char* XMLGetProcName(const char* XMLText);
const char* XMLGetWindowName(const char* XMLText);
const char* XMLGetTagText(const char* XMLText, const char* TagName);

}  // namespace karvo
