#include "xmldoc/XmlEngine.h"

#include <utility>
#include <vector>

#include "conversions/BstrText.h"
#include "xmldoc/CallDocumentText.h"

namespace karvo {

namespace {

// The MinGW import libraries lack some of these, so they are ours.
constexpr CLSID kDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr CLSID kDomDocument40 = {0x88d969c0, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr CLSID kDomDocument30 = {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
constexpr CLSID kDomDocument26 = {0xf5078f1b, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
constexpr CLSID kDomDocument = {0xf6d90f11, 0x9c73, 0x11d3, {0xb3, 0x2e, 0x00, 0xc0, 0x4f, 0x99, 0x0b, 0xb4}};
constexpr IID kIXMLDOMDocument = {0x2933bf81, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
constexpr IID kIXMLDOMDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
constexpr IID kIXMLDOMElement = {0x2933bf86, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

// Deeper than any call document, and the limit MSXML 6.0 has by default.
constexpr long kMaxElementDepth = 256;

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw XmlEngineError(what);
}

// A node value: text for text-like nodes, empty for those that have none.
std::u16string ValueText(IXMLDOMNode* node) {
  UniqueVariant v;
  Check(node->get_nodeValue(v.get()), "nodeValue");
  return v->vt == VT_BSTR ? BstrToText(v->bstrVal) : std::u16string();
}

std::u16string NameOf(IXMLDOMNode* node) {
  UniqueBstr b;
  BSTR raw = nullptr;
  Check(node->get_nodeName(&raw), "nodeName");
  b.reset(raw);
  return BstrToText(b.get());
}

DOMNodeType TypeOf(IXMLDOMNode* node) {
  DOMNodeType t = NODE_INVALID;
  Check(node->get_nodeType(&t), "nodeType");
  return t;
}

UniqueCom<IXMLDOMNode> AddRefed(IXMLDOMNode* node) {
  node->AddRef();
  return UniqueCom<IXMLDOMNode>(node);
}

UniqueCom<IXMLDOMDocument> OwnerDocument(IXMLDOMNode* node) {
  UniqueCom<IXMLDOMDocument> doc;
  if (node->get_ownerDocument(doc.put()) != S_OK || !doc) throw XmlEngineError("ownerDocument");
  return doc;
}

void SetBoolProperty(IXMLDOMDocument2* doc, const char16_t* name, bool value) {
  UniqueBstr n = NewBstr(name);
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  // Older engines do not know every property: what they lack, the checks
  // around the parse make up for.
  doc->setProperty(n.get(), v);
}

void Configure(const UniqueCom<IXMLDOMDocument>& doc) {
  Check(doc->put_async(VARIANT_FALSE), "async");
  Check(doc->put_validateOnParse(VARIANT_FALSE), "validateOnParse");
  Check(doc->put_resolveExternals(VARIANT_FALSE), "resolveExternals");
  Check(doc->put_preserveWhiteSpace(VARIANT_FALSE), "preserveWhiteSpace");
  if (UniqueCom<IXMLDOMDocument2> doc2 = doc.As<IXMLDOMDocument2>(kIXMLDOMDocument2)) {
    SetBoolProperty(doc2.get(), u"ProhibitDTD", true);
    UniqueBstr n = NewBstr(u"MaxElementDepth");
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = kMaxElementDepth;
    doc2->setProperty(n.get(), v);
  }
}

// The namespace declarations in force while the serialiser walks down.
class NamespaceScopes {
 public:
  void Enter() { marks_.push_back(decls_.size()); }
  void Leave() {
    decls_.resize(marks_.back());
    marks_.pop_back();
  }
  void Declare(std::u16string prefix, std::u16string uri) { decls_.push_back({std::move(prefix), std::move(uri)}); }
  // The URI the prefix stands for here; the default namespace is "".
  const std::u16string* Find(const std::u16string& prefix) const {
    for (auto it = decls_.rbegin(); it != decls_.rend(); ++it)
      if (it->first == prefix) return &it->second;
    return nullptr;
  }

 private:
  std::vector<std::pair<std::u16string, std::u16string>> decls_;
  std::vector<std::size_t> marks_;
};

std::u16string NodePrefix(IXMLDOMNode* node) {
  BSTR raw = nullptr;
  Check(node->get_prefix(&raw), "prefix");
  UniqueBstr b(raw);
  return BstrToText(b.get());
}

std::u16string NodeNamespace(IXMLDOMNode* node) {
  BSTR raw = nullptr;
  Check(node->get_namespaceURI(&raw), "namespaceURI");
  UniqueBstr b(raw);
  return BstrToText(b.get());
}

void AppendDeclaration(std::u16string& out, NamespaceScopes& scopes, const std::u16string& prefix,
                       const std::u16string& uri) {
  out += prefix.empty() ? u" xmlns=\"" : u" xmlns:" + prefix + u"=\"";
  AppendEscapedAttribute(out, uri);
  out += u'"';
  scopes.Declare(prefix, uri);
}

// Writes a name's declaration when the scope does not have it yet.
void EnsureDeclared(std::u16string& out, NamespaceScopes& scopes, IXMLDOMNode* node, bool isAttribute) {
  std::u16string prefix = NodePrefix(node);
  if (prefix == u"xml" || prefix == u"xmlns") return;
  std::u16string uri = NodeNamespace(node);
  // An attribute without a prefix is in no namespace, whatever the default.
  if (isAttribute && prefix.empty()) return;
  const std::u16string* bound = scopes.Find(prefix);
  if (bound != nullptr ? *bound == uri : uri.empty()) return;
  AppendDeclaration(out, scopes, prefix, uri);
}

// The attributes as the engine lists them, then any namespace declaration
// the element's names need and the list lacked: some engines list the
// declarations badly or not at all, and the text must still read back.
void AppendAttributes(std::u16string& out, NamespaceScopes& scopes, IXMLDOMNode* element) {
  std::vector<UniqueCom<IXMLDOMNode>> prefixed;
  std::vector<std::u16string> written;
  UniqueCom<IXMLDOMNamedNodeMap> map;
  if (element->get_attributes(map.put()) == S_OK && map) {
    long count = 0;
    Check(map->get_length(&count), "attributes.length");
    for (long i = 0; i < count; ++i) {
      UniqueCom<IXMLDOMNode> attr;
      if (FAILED(map->get_item(i, attr.put())) || !attr) continue;
      std::u16string name = NameOf(attr.get());
      bool repeated = false;
      for (const std::u16string& w : written) repeated = repeated || w == name;
      if (repeated) continue;
      std::u16string value = ValueText(attr.get());
      out += u' ';
      out += name;
      out += u"=\"";
      AppendEscapedAttribute(out, value);
      out += u'"';
      if (name == u"xmlns")
        scopes.Declare(u"", value);
      else if (name.compare(0, 6, u"xmlns:") == 0)
        scopes.Declare(name.substr(6), value);
      else if (name.find(u':') != std::u16string::npos)
        prefixed.push_back(std::move(attr));
      written.push_back(std::move(name));
    }
  }
  EnsureDeclared(out, scopes, element, false);
  for (const auto& attr : prefixed) EnsureDeclared(out, scopes, attr.get(), true);
}

// Everything but an element: it has no children to walk.
void AppendLeaf(std::u16string& out, IXMLDOMNode* node, DOMNodeType type) {
  switch (type) {
    case NODE_TEXT: AppendEscapedText(out, ValueText(node)); break;
    case NODE_CDATA_SECTION: out += u"<![CDATA[" + ValueText(node) + u"]]>"; break;
    case NODE_COMMENT: out += u"<!--" + ValueText(node) + u"-->"; break;
    case NODE_PROCESSING_INSTRUCTION: {
      std::u16string data = ValueText(node);
      out += u"<?" + NameOf(node);
      if (!data.empty()) out += u" " + data;
      out += u"?>";
      break;
    }
    case NODE_ENTITY_REFERENCE: out += u"&" + NameOf(node) + u";"; break;
    default: break;  // document types are refused at parse; the rest has no markup
  }
}

// Walks the subtree without recursion, so that no depth of nesting can
// exhaust the stack: down through first children, along next siblings, up
// through parents, writing each end tag on the way up.
void AppendMarkup(std::u16string& out, IXMLDOMNode* start) {
  UniqueCom<IXMLDOMNode> cur = AddRefed(start);
  NamespaceScopes scopes;
  long depth = 0;
  for (;;) {
    DOMNodeType type = TypeOf(cur.get());
    if (type == NODE_ELEMENT) {
      out += u'<';
      out += NameOf(cur.get());
      scopes.Enter();
      AppendAttributes(out, scopes, cur.get());
      UniqueCom<IXMLDOMNode> first;
      Check(cur->get_firstChild(first.put()), "firstChild");
      if (first) {
        out += u'>';
        cur = std::move(first);
        ++depth;
        continue;
      }
      out += u"/>";
      scopes.Leave();
    } else {
      AppendLeaf(out, cur.get(), type);
    }
    for (;;) {
      if (depth == 0) return;
      UniqueCom<IXMLDOMNode> next;
      Check(cur->get_nextSibling(next.put()), "nextSibling");
      if (next) {
        cur = std::move(next);
        break;
      }
      UniqueCom<IXMLDOMNode> parent;
      Check(cur->get_parentNode(parent.put()), "parentNode");
      if (!parent) throw XmlEngineError("parentNode");
      cur = std::move(parent);
      --depth;
      out += u"</" + NameOf(cur.get()) + u">";
      scopes.Leave();
    }
  }
}

bool HoldsDocumentType(IXMLDOMDocument* doc) {
  UniqueCom<IXMLDOMDocumentType> type;
  if (SUCCEEDED(doc->get_doctype(type.put())) && type) return true;
  UniqueCom<IXMLDOMNodeList> children;
  Check(doc->get_childNodes(children.put()), "childNodes");
  long count = 0;
  Check(children->get_length(&count), "childNodes.length");
  for (long i = 0; i < count; ++i) {
    UniqueCom<IXMLDOMNode> child;
    Check(children->get_item(i, child.put()), "childNodes.item");
    if (child && TypeOf(child.get()) == NODE_DOCUMENT_TYPE) return true;
  }
  return false;
}

}  // namespace

UniqueCom<IXMLDOMDocument> CreateXmlEngineDocument() {
  for (const CLSID* clsid : {&kDomDocument60, &kDomDocument40, &kDomDocument30, &kDomDocument26, &kDomDocument}) {
    UniqueCom<IXMLDOMDocument> doc;
    HRESULT hr = Sys().CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, kIXMLDOMDocument,
                                        reinterpret_cast<void**>(doc.put()));
    if (SUCCEEDED(hr) && doc) return doc;
    // Without COM on this thread no other version will do better.
    if (hr == CO_E_NOTINITIALIZED) break;
  }
  throw XmlEngineError("no XML engine on this thread");
}

// ---- XmlNode ----

IXMLDOMNode* XmlNode::Checked() const {
  if (!node_) throw XmlEngineError("empty node");
  return node_.get();
}

DOMNodeType XmlNode::Type() const { return TypeOf(Checked()); }
std::u16string XmlNode::Name() const { return NameOf(Checked()); }

std::u16string XmlNode::Prefix() const { return NodePrefix(Checked()); }
std::u16string XmlNode::NamespaceUri() const { return NodeNamespace(Checked()); }

std::u16string XmlNode::Text() const {
  IXMLDOMNode* node = Checked();
  if (TypeOf(node) != NODE_ELEMENT) return ValueText(node);
  XmlNodeList children = Children();
  if (children.Count() == 0) return {};
  if (children.Count() == 1) {
    XmlNode only = children.Item(0);
    DOMNodeType t = only.Type();
    if (t == NODE_TEXT || t == NODE_CDATA_SECTION) return ValueText(only.Raw());
  }
  throw XmlEngineError("element does not hold a single text node");
}

void XmlNode::SetText(const std::u16string& text) const {
  RequireXmlText(text);
  IXMLDOMNode* node = Checked();
  if (TypeOf(node) != NODE_ELEMENT) {
    UniqueVariant v;
    SetBstrVariant(v, text);
    Check(node->put_nodeValue(*v.get()), "put nodeValue");
    return;
  }
  XmlNodeList children = Children();
  if (children.Count() > 1) throw XmlEngineError("element does not hold a single text node");
  if (children.Count() == 1) {
    XmlNode only = children.Item(0);
    DOMNodeType t = only.Type();
    if (t != NODE_TEXT && t != NODE_CDATA_SECTION) throw XmlEngineError("element does not hold a single text node");
    if (text.empty()) {
      UniqueCom<IXMLDOMNode> removed;
      Check(node->removeChild(only.Raw(), removed.put()), "removeChild");
      return;
    }
    only.SetText(text);
    return;
  }
  if (text.empty()) return;
  UniqueCom<IXMLDOMDocument> doc = OwnerDocument(node);
  UniqueBstr b = NewBstr(text);
  UniqueCom<IXMLDOMText> fresh;
  Check(doc->createTextNode(b.get(), fresh.put()), "createTextNode");
  if (!fresh) throw XmlEngineError("createTextNode");
  UniqueCom<IXMLDOMNode> appended;
  Check(node->appendChild(fresh.get(), appended.put()), "appendChild");
}

XmlNodeList XmlNode::Children() const {
  UniqueCom<IXMLDOMNodeList> list;
  Check(Checked()->get_childNodes(list.put()), "childNodes");
  if (!list) throw XmlEngineError("childNodes");
  return XmlNodeList(std::move(list), {});
}

XmlNodeList XmlNode::Attributes() const {
  UniqueCom<IXMLDOMNamedNodeMap> map;
  if (Checked()->get_attributes(map.put()) != S_OK || !map) return {};
  return XmlNodeList({}, std::move(map));
}

std::u16string XmlNode::Markup() const {
  std::u16string out;
  AppendMarkup(out, Checked());
  return out;
}

XmlNode XmlNode::AppendElement(const std::u16string& name, const std::u16string& namespaceUri) const {
  IXMLDOMNode* node = Checked();
  UniqueCom<IXMLDOMDocument> doc = OwnerDocument(node);
  UniqueBstr n = NewBstr(name), ns = NewBstr(namespaceUri);
  VARIANT type;
  type.vt = VT_I4;
  type.lVal = NODE_ELEMENT;
  UniqueCom<IXMLDOMNode> fresh;
  Check(doc->createNode(type, n.get(), ns.get(), fresh.put()), "createNode");
  if (!fresh) throw XmlEngineError("createNode");
  UniqueCom<IXMLDOMNode> appended;
  Check(node->appendChild(fresh.get(), appended.put()), "appendChild");
  if (!appended) throw XmlEngineError("appendChild");
  return XmlNode(std::move(appended));
}

void XmlNode::SetAttribute(const std::u16string& name, const std::u16string& value) const {
  RequireXmlText(value);
  UniqueCom<IXMLDOMElement> element;
  if (FAILED(Checked()->QueryInterface(kIXMLDOMElement, reinterpret_cast<void**>(element.put()))) || !element)
    throw XmlEngineError("not an element");
  UniqueBstr n = NewBstr(name);
  UniqueVariant v;
  SetBstrVariant(v, value);
  Check(element->setAttribute(n.get(), *v.get()), "setAttribute");
}

// ---- XmlNodeList ----

XmlNodeList::XmlNodeList(UniqueCom<IXMLDOMNodeList> list, UniqueCom<IXMLDOMNamedNodeMap> map)
    : list_(std::move(list)), map_(std::move(map)) {
  if (list_) Check(list_->get_length(&count_), "length");
  if (map_) Check(map_->get_length(&count_), "length");
}

XmlNode XmlNodeList::Item(long index) const {
  UniqueCom<IXMLDOMNode> node;
  if (list_) {
    if (last_ && index == lastIndex_ + 1)
      Check(last_->get_nextSibling(node.put()), "nextSibling");
    else
      Check(list_->get_item(index, node.put()), "item");
    if (!node) throw XmlEngineError("item");
    last_ = AddRefed(node.get());
    lastIndex_ = index;
  }
  if (map_) Check(map_->get_item(index, node.put()), "item");
  if (!node) throw XmlEngineError("item");
  return XmlNode(std::move(node));
}

// ---- XmlDocument ----

XmlDocument XmlDocument::Parse(const std::u16string& text) {
  if (text.size() > kMaxCallDocumentUnits) throw XmlEngineError("call document too long");
  if (PrologHasDocumentType(text)) throw XmlEngineError("document type declaration");
  return Load(CreateXmlEngineDocument(), text);
}

XmlDocument XmlDocument::Load(UniqueCom<IXMLDOMDocument> engine, const std::u16string& text) {
  if (!engine) throw XmlEngineError("no XML engine");
  XmlDocument d;
  d.doc_ = std::move(engine);
  Configure(d.doc_);
  UniqueBstr b = NewBstr(text);
  VARIANT_BOOL ok = VARIANT_FALSE;
  HRESULT hr = d.doc_->loadXML(b.get(), &ok);
  if (FAILED(hr) || ok != VARIANT_TRUE) throw XmlEngineError("the text does not parse");
  // Some engines take "ProhibitDTD" and load the declaration all the same.
  if (HoldsDocumentType(d.doc_.get())) throw XmlEngineError("document type declaration");
  return d;
}

XmlNode XmlDocument::Root() const {
  UniqueCom<IXMLDOMElement> root;
  if (doc_->get_documentElement(root.put()) != S_OK || !root) throw XmlEngineError("no root element");
  IXMLDOMNode* node = root.get();
  node->AddRef();
  return XmlNode(UniqueCom<IXMLDOMNode>(node));
}

std::u16string XmlDocument::Serialize() const {
  std::u16string out;
  UniqueCom<IXMLDOMNodeList> children;
  Check(doc_->get_childNodes(children.put()), "childNodes");
  if (!children) throw XmlEngineError("childNodes");
  long count = 0;
  Check(children->get_length(&count), "childNodes.length");
  for (long i = 0; i < count; ++i) {
    UniqueCom<IXMLDOMNode> child;
    Check(children->get_item(i, child.put()), "childNodes.item");
    if (!child) throw XmlEngineError("childNodes.item");
    AppendMarkup(out, child.get());
    out += u"\r\n";
  }
  return out;
}

}  // namespace karvo
