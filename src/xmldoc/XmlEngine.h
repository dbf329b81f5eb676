// The platform's MSXML DOM behind a small interface: a parsed document and
// nodes that own their COM references. Every failure of the engine throws
// XmlEngineError, which the export guards turn into code 252.
#pragma once

#include <stdexcept>
#include <string>

// <windows.h> comes in through WindowsSupport.h, before MSXML's header
// would take it in without the macros set there.
// clang-format off
#include "platform/WindowsSupport.h"
#include <msxml2.h>
// clang-format on

#include "platform/Owners.h"

namespace karvo {

struct XmlEngineError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class XmlNodeList;

// A node of a parsed document; an empty node (no engine object) is a
// programming error to use and throws.
class XmlNode {
 public:
  XmlNode() = default;
  explicit XmlNode(UniqueCom<IXMLDOMNode> node) : node_(std::move(node)) {}

  bool Empty() const { return !node_; }
  DOMNodeType Type() const;
  // The name as written, prefix included ("#text" for text and so on).
  std::u16string Name() const;
  std::u16string Prefix() const;
  std::u16string NamespaceUri() const;

  // The node's own text: an attribute's value; an element's only text or
  // CDATA child, or empty when it has no child. Any other content throws.
  std::u16string Text() const;
  // Replaces that text; an element with other content throws, as does a
  // text that XML cannot hold (RequireXmlText). An empty text leaves the
  // element without children.
  void SetText(const std::u16string& text) const;

  // The direct child nodes in document order, and the attributes.
  XmlNodeList Children() const;
  XmlNodeList Attributes() const;

  // The node as markup, written by our own serialiser.
  std::u16string Markup() const;

  // A new last child element in the given namespace, and attributes (a
  // value XML cannot hold throws).
  XmlNode AppendElement(const std::u16string& name, const std::u16string& namespaceUri) const;
  void SetAttribute(const std::u16string& name, const std::u16string& value) const;

  IXMLDOMNode* Raw() const { return node_.get(); }

 private:
  // The engine's node; an empty node throws XmlEngineError.
  IXMLDOMNode* Checked() const;
  UniqueCom<IXMLDOMNode> node_;
};

// A child list or an attribute list, read by position.
class XmlNodeList {
 public:
  XmlNodeList() = default;
  XmlNodeList(UniqueCom<IXMLDOMNodeList> list, UniqueCom<IXMLDOMNamedNodeMap> map);
  long Count() const { return count_; }
  XmlNode Item(long index) const;

 private:
  UniqueCom<IXMLDOMNodeList> list_;
  UniqueCom<IXMLDOMNamedNodeMap> map_;
  long count_ = 0;
  // The child handed out last: walking in order follows its next sibling,
  // since some engines find a child by position from the first one.
  mutable UniqueCom<IXMLDOMNode> last_;
  mutable long lastIndex_ = -1;
};

class XmlDocument {
 public:
  // Makes the newest engine available on the calling thread (COM must be
  // initialised there), configures it and parses the text. A text that does
  // not parse, that declares a document type, or that is longer than
  // kMaxCallDocumentUnits, throws.
  static XmlDocument Parse(const std::u16string& text);
  // The same on an engine object already made; the engine alone must keep
  // document types out (tests use it without the check on the prolog).
  static XmlDocument Load(UniqueCom<IXMLDOMDocument> engine, const std::u16string& text);

  // The root element; a document without one throws.
  XmlNode Root() const;
  // The whole document as markup, each top-level node followed by CR LF.
  std::u16string Serialize() const;

 private:
  UniqueCom<IXMLDOMDocument> doc_;
};

// The engine object for a fresh document: versions 6.0, 4.0, 3.0, 2.6,
// then the version-independent class. Throws when none can be made.
UniqueCom<IXMLDOMDocument> CreateXmlEngineDocument();

}  // namespace karvo
