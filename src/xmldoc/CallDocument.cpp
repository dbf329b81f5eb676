#include "xmldoc/CallDocument.h"

#include "conversions/BstrText.h"
#include "link/ExportForms.h"
#include "xmldoc/CallDocumentText.h"

namespace karvo {

XmlNode FindChildTag(const XmlNode& node, std::u16string_view key) {
  XmlNodeList children = node.Children();
  const long count = children.Count();
  for (long i = 0; i < count; ++i) {
    XmlNode child = children.Item(i);
    if (NameMatchesKey(child.Name(), key)) return child;
  }
  return {};
}

bool HasChildTag(const XmlNode& node, std::u16string_view key) { return !FindChildTag(node, key).Empty(); }

void ReadNodeValue(const XmlNode& node, UniqueVariant& value) {
  std::u16string text = node.Text();
  if (!text.empty()) return SetBstrVariant(value, text);
  value.clear();
  value->vt = VT_NULL;
}

void GetChildTagValue(const XmlNode& node, std::u16string_view key, UniqueVariant& value) {
  XmlNode child = FindChildTag(node, key);
  if (!child.Empty()) ReadNodeValue(child, value);
}

bool SetChildTagValue(const XmlNode& node, std::u16string_view key, const std::u16string& text) {
  XmlNode child = FindChildTag(node, key);
  if (child.Empty()) return false;
  child.SetText(text);
  return true;
}

std::u16string ReadNodeName(const XmlNode& node) {
  std::u16string name;
  XmlNodeList attributes = node.Attributes();
  const long count = attributes.Count();
  for (long i = 0; i < count; ++i) {
    XmlNode attribute = attributes.Item(i);
    if (NameMatchesKey(attribute.Name(), kKeyName)) {
      name = attribute.Text();
      break;
    }
  }
  if (name.empty() && HasChildTag(node, kKeyName)) {
    UniqueVariant value;
    GetChildTagValue(node, kKeyName, value);
    if (value->vt == VT_BSTR) name = BstrToText(value->bstrVal);
  }
  return name;
}

namespace {

// The root's name when the root is of the wanted kind, else empty.
std::u16string RootName(const char* XMLText, std::u16string_view kind) {
  XmlDocument doc = XmlDocument::Parse(PlainText(XMLText));
  XmlNode root = doc.Root();
  if (!NameMatchesKey(root.Name(), kind)) return {};
  return ReadNodeName(root);
}

}  // namespace

const char* XMLGetProcName(const char* XMLText) { return TextToPlain(RootName(XMLText, kKeyProcedure)); }

const char* XMLGetWindowName(const char* XMLText) { return TextToPlain(RootName(XMLText, kKeyWindow)); }

const char* XMLGetTagText(const char* XMLText, const char* TagName) {
  std::u16string content;
  {
    XmlDocument doc = XmlDocument::Parse(PlainText(XMLText));
    XmlNode root = doc.Root();
    std::u16string tag = PlainText(TagName);
    XmlNode child = FindChildTag(root, tag);
    if (child.Empty()) return nullptr;
    content = CutOuterTags(child.Markup(), tag.size());
  }
  return TextToPlain(content);
}

}  // namespace karvo
