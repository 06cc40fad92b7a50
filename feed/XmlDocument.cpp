#include "feed/XmlDocument.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>
#include <libxml/encoding.h>
#include <libxml/entities.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <climits>
#include <memory>
#include <unordered_map>

#include "base/FileRead.h"
#include "base/Utf.h"
#include "feed/AttributeCount.h"
#include "feed/XmlErrorSilence.h"

namespace varnika {

namespace {

// No network, no DTD and no external entities (neither DTDLOAD nor NOENT):
// entity references stay references in the tree and are expanded only when
// a text is read, within the limit that load checks.
constexpr int kParseOptions = XML_PARSE_NONET;

// Deeper than any document libxml2 accepts without XML_PARSE_HUGE (256
// element levels, a few dozen entity levels).
constexpr int kMaxTextDepth = 1024;

struct XmlReleaser {
  void operator()(xmlDoc* p) const { xmlFreeDoc(p); }
  void operator()(xmlParserCtxt* p) const { xmlFreeParserCtxt(p); }
  void operator()(xmlXPathContext* p) const { xmlXPathFreeContext(p); }
  void operator()(xmlXPathObject* p) const { xmlXPathFreeObject(p); }
  void operator()(xmlXPathCompExpr* p) const { xmlXPathFreeCompExpr(p); }
};

using XmlDocPtr = std::unique_ptr<xmlDoc, XmlReleaser>;
using XmlParserContextPtr = std::unique_ptr<xmlParserCtxt, XmlReleaser>;
using XPathContextPtr = std::unique_ptr<xmlXPathContext, XmlReleaser>;
using XPathObjectPtr = std::unique_ptr<xmlXPathObject, XmlReleaser>;
using XPathCompExprPtr = std::unique_ptr<xmlXPathCompExpr, XmlReleaser>;

void EnsureParserInitialised() {
  static const bool initialised = (xmlInitParser(), true);
  (void)initialised;
}

std::string Utf8Of(unsigned code) {
  std::string out;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return out;
}

// Entity lookup for the XML parser: the document's own declarations first,
// then the HTML set ("&nbsp;", "&eacute;", "&rsquo;"), which hand-made and
// older feeds use without declaring it. An HTML entity is declared in the
// document as it is first used, so that the tree and attribute values refer
// to it like to any declared entity. Nothing is loaded: a DOCTYPE that names
// an external DTD still loads nothing.
xmlEntity* GetEntityOrHtml(void* user_data, const xmlChar* name) {
  if (xmlEntity* declared = xmlSAX2GetEntity(user_data, name)) return declared;
  auto* context = static_cast<xmlParserCtxt*>(user_data);
  const htmlEntityDesc* html = name ? htmlEntityLookup(name) : nullptr;
  if (!context || !html || !context->myDoc) return nullptr;
  xmlDoc* document = context->myDoc;
  if (!document->intSubset && !xmlCreateIntSubset(document, nullptr, nullptr, nullptr)) return nullptr;
  const std::string text = Utf8Of(html->value);
  return xmlAddDocEntity(document, name, XML_INTERNAL_GENERAL_ENTITY, nullptr, nullptr,
                         reinterpret_cast<const xmlChar*>(text.c_str()));
}

// The parser context's own error channel: keeps the first message for
// parseError and prints nothing.
void KeepFirstError(void* user_data, xmlErrorPtr error) {
  auto* context = static_cast<xmlParserCtxt*>(user_data);
  if (!context || !context->_private || !error || !error->message) return;
  auto* message = static_cast<std::string*>(context->_private);
  if (!message->empty()) return;
  *message = error->message;
  while (!message->empty() && (message->back() == '\n' || message->back() == ' ')) message->pop_back();
  if (error->line > 0) *message += " (line " + std::to_string(error->line) + ")";
}

// Walks the character data below a node the way text() reads it: text and
// CDATA, elements, attributes and entity references (through the entity's
// parsed content); comments, processing instructions and DTD nodes add
// nothing. The sink sees each piece of text and may stop the walk.
template <typename Sink>
void WalkText(const xmlNode* node, Sink& sink, int depth) {
  if (depth > kMaxTextDepth) throw EXmlError(u"Text nested too deeply");
  switch (node->type) {
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
      if (node->content) sink.Text(node, reinterpret_cast<const char*>(node->content));
      return;
    case XML_ENTITY_REF_NODE:
      // The reference's child is the entity's declaration.
      if (node->children && node->children->type == XML_ENTITY_DECL) sink.Entity(node->children, depth);
      return;
    case XML_ELEMENT_NODE:
    case XML_ATTRIBUTE_NODE:
    case XML_ENTITY_DECL:
    case XML_DOCUMENT_NODE:
    case XML_DOCUMENT_FRAG_NODE:
      for (const xmlNode* child = node->children; child; child = child->next) WalkText(child, sink, depth + 1);
      return;
    default:
      return;
  }
}

// Collects a node's text.
struct TextCollector {
  std::string out;
  void Text(const xmlNode*, const char* content) { out += content; }
  void Entity(const xmlNode* declaration, int depth) { WalkText(declaration, *this, depth + 1); }
};

// Measures what the document's texts add up to with every entity reference
// expanded, each entity's size computed once, and stops beyond a limit.
class ExpansionMeter {
 public:
  explicit ExpansionMeter(std::size_t limit) : limit_(limit) {}

  // Whether every element's and attribute's text, expanded, stays within
  // the limit in total. A reference loop counts as beyond it.
  bool WithinLimit(const xmlDoc* document) {
    try {
      Measure(reinterpret_cast<const xmlNode*>(document), 0);
    } catch (const EXmlError&) {
      return false;
    }
    return true;
  }

  void Text(const xmlNode*, const char* content) { Add(xmlStrlen(reinterpret_cast<const xmlChar*>(content))); }

  void Entity(const xmlNode* declaration, int depth) {
    auto [it, inserted] = sizes_.try_emplace(declaration, kMeasuring);
    if (!inserted) {
      if (it->second == kMeasuring) throw EXmlError(u"Entity reference loop");
      Add(it->second);
      return;
    }
    std::size_t before = total_;
    WalkText(declaration, *this, depth + 1);
    sizes_[declaration] = total_ - before;
  }

 private:
  static constexpr std::size_t kMeasuring = static_cast<std::size_t>(-1);

  // Elements are walked for their text and their attributes' texts; the
  // texts of nested elements are counted once, where they stand.
  void Measure(const xmlNode* node, int depth) {
    if (depth > kMaxTextDepth) throw EXmlError(u"Document nested too deeply");
    for (const xmlNode* child = node->children; child; child = child->next) {
      if (child->type == XML_ELEMENT_NODE) {
        for (const xmlAttr* attribute = child->properties; attribute; attribute = attribute->next)
          WalkText(reinterpret_cast<const xmlNode*>(attribute), *this, depth + 1);
        Measure(child, depth + 1);
      } else {
        WalkText(child, *this, depth + 1);
      }
    }
  }

  // total_ never exceeds limit_: the walk stops at the first text that
  // would take it beyond.
  void Add(std::size_t n) {
    if (n > limit_ - total_) throw EXmlError(u"Entity expansion limit");
    total_ += n;
  }

  std::size_t limit_;
  std::size_t total_ = 0;
  std::unordered_map<const xmlNode*, std::size_t> sizes_;
};

// Takes elements out of a default namespace, so that XPath's plain names
// find them by the names they are written with. Prefixed elements keep
// their namespace and so never match a plain name.
void DropDefaultNamespaces(xmlNode* root) {
  xmlNode* node = root;
  while (node) {
    if (node->type == XML_ELEMENT_NODE && node->ns && !node->ns->prefix) node->ns = nullptr;
    if (node->type == XML_ELEMENT_NODE && node->children) {
      node = node->children;
      continue;
    }
    while (node != root && !node->next) node = node->parent;
    if (node == root) break;
    node = node->next;
  }
}

bool IsUtf8(std::string_view bytes) {
  std::size_t i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > n) return false;
    unsigned code = c & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
      auto next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))) ||
        (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
      return false;
    i += length;
  }
  return true;
}

// Whether the document says how it is encoded: a byte-order mark, UTF-16
// or UTF-32 without one (libxml2 recognises those by their first bytes), or
// an encoding in the XML declaration.
bool DeclaresEncoding(std::string_view bytes) {
  if (bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0')) return true;
  for (std::string_view mark : {std::string_view("\xEF\xBB\xBF"), std::string_view("\xFE\xFF"),
                                std::string_view("\xFF\xFE")})
    if (bytes.substr(0, mark.size()) == mark) return true;
  if (bytes.substr(0, 5) != "<?xml") return false;
  std::string_view declaration = bytes.substr(0, bytes.find("?>"));
  return declaration.find("encoding") != std::string_view::npos;
}

bool IsKnownEncoding(const std::string& name) {
  xmlCharEncodingHandler* handler = xmlFindCharEncodingHandler(name.c_str());
  if (!handler) return false;
  xmlCharEncCloseFunc(handler);
  return true;
}

// The encoding to read a document with when the document itself does not
// say and its bytes are not UTF-8 (which XML would take them for): the
// charset they came with, else Windows-1252, the usual one of such pages.
// Empty when the parser is to decide.
std::string FallbackEncoding(std::string_view bytes, std::string_view charset) {
  if (DeclaresEncoding(bytes) || IsUtf8(bytes)) return {};
  std::string name;
  for (char c : charset) name += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  // Neither UTF-8 nor ASCII can be right for these bytes.
  if (name.empty() || name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii" ||
      !IsKnownEncoding(name))
    name = "windows-1252";
  return name;
}

}  // namespace

std::string ContentTypeCharset(std::string_view content_type) {
  std::size_t at = 0;
  while ((at = content_type.find(';', at)) != std::string_view::npos) {
    std::string_view parameter = content_type.substr(++at);
    parameter = parameter.substr(0, parameter.find(';'));
    while (!parameter.empty() && (parameter.front() == ' ' || parameter.front() == '\t')) parameter.remove_prefix(1);
    std::size_t equals = parameter.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = parameter.substr(0, equals);
    while (!key.empty() && (key.back() == ' ' || key.back() == '\t')) key.remove_suffix(1);
    std::string lower;
    for (char c : key) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower != "charset") continue;
    std::string_view value = parameter.substr(equals + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '"' || value.front() == '\'')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '"' || value.back() == '\'' || value.back() == '\t'))
      value.remove_suffix(1);
    return std::string(value);
  }
  return {};
}

struct TXmlDocument::Impl {
  XmlDocPtr document;
  XPathContextPtr xpath;
  std::unordered_map<std::string, XPathCompExprPtr> compiled;
  std::string error;

  void Reset() {
    compiled.clear();
    xpath.reset();
    document.reset();
    error.clear();
  }

  xmlXPathCompExpr* Compile(std::string_view expression) {
    auto it = compiled.find(std::string(expression));
    if (it != compiled.end()) return it->second.get();
    std::string text(expression);
    XPathCompExprPtr expr(xmlXPathCtxtCompile(xpath.get(), reinterpret_cast<const xmlChar*>(text.c_str())));
    if (!expr) throw EXmlError(u"Invalid XPath expression: " + Widen(expression));
    return compiled.emplace(std::move(text), std::move(expr)).first->second.get();
  }
};

// --- TXmlNode ---------------------------------------------------------------------

std::string TXmlNode::text() const {
  if (!node_) return {};
  TextCollector collector;
  WalkText(node_, collector, 0);
  return std::move(collector.out);
}

std::string TXmlNode::nodeName() const {
  if (!node_ || !node_->name) return {};
  std::string name = reinterpret_cast<const char*>(node_->name);
  if (node_->ns && node_->ns->prefix && (node_->type == XML_ELEMENT_NODE || node_->type == XML_ATTRIBUTE_NODE))
    name = reinterpret_cast<const char*>(node_->ns->prefix) + (":" + name);
  return name;
}

std::string TXmlNode::localName() const {
  if (!node_ || !node_->name) return {};
  return reinterpret_cast<const char*>(node_->name);
}

std::string TXmlNode::namespaceUri() const {
  if (!node_ || !node_->ns || !node_->ns->href ||
      (node_->type != XML_ELEMENT_NODE && node_->type != XML_ATTRIBUTE_NODE))
    return {};
  return reinterpret_cast<const char*>(node_->ns->href);
}

namespace {

bool HasName(const xmlNode* node, std::string_view local_name, std::string_view namespace_uri) {
  if (node->type != XML_ELEMENT_NODE || !node->name) return false;
  if (reinterpret_cast<const char*>(node->name) != local_name) return false;
  std::string_view uri = node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
  return uri == namespace_uri;
}

}  // namespace

TXmlNode TXmlNode::child(std::string_view local_name, std::string_view namespace_uri) const {
  if (!node_ || node_->type != XML_ELEMENT_NODE) return {};
  for (xmlNode* child = node_->children; child; child = child->next)
    if (HasName(child, local_name, namespace_uri)) return TXmlNode(document_, child);
  return {};
}

std::vector<TXmlNode> TXmlNode::childElements() const {
  std::vector<TXmlNode> children;
  if (!node_ || node_->type != XML_ELEMENT_NODE) return children;
  for (xmlNode* child = node_->children; child; child = child->next)
    if (child->type == XML_ELEMENT_NODE) children.push_back(TXmlNode(document_, child));
  return children;
}

std::string TXmlNode::attribute(std::string_view name) const {
  if (!node_ || node_->type != XML_ELEMENT_NODE) return {};
  const std::string key(name);
  xmlAttr* found = xmlHasNsProp(node_, reinterpret_cast<const xmlChar*>(key.c_str()), nullptr);
  return found ? TXmlNode(document_, reinterpret_cast<xmlNode*>(found)).text() : std::string();
}

std::string TXmlNode::baseUri() const {
  if (!node_ || node_->type != XML_ELEMENT_NODE) return {};
  xmlChar* base = xmlNodeGetBase(node_->doc, node_);
  if (!base) return {};
  std::string result = reinterpret_cast<const char*>(base);
  xmlFree(base);
  return result;
}

std::string TXmlNode::innerXml() const {
  if (!node_ || node_->type != XML_ELEMENT_NODE) return {};
  std::unique_ptr<xmlBuffer, decltype(&xmlBufferFree)> buffer(xmlBufferCreate(), &xmlBufferFree);
  if (!buffer) return {};
  ThreadErrorSilence silence;
  for (xmlNode* child = node_->children; child; child = child->next) xmlNodeDump(buffer.get(), node_->doc, child, 0, 0);
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

TXmlNodeList TXmlNode::selectNodes(std::string_view xpath) const {
  if (!node_ || !document_) return {};
  return document_->Select(node_, xpath);
}

TXmlNode TXmlNode::selectSingleNode(std::string_view xpath) const { return selectNodes(xpath).item(0); }

TXmlNode TXmlNodeList::item(int index) const {
  if (index < 0 || index >= length()) return {};
  return nodes_[static_cast<std::size_t>(index)];
}

// --- TXmlDocument -------------------------------------------------------------------

TXmlDocument::TXmlDocument() : impl_(std::make_unique<Impl>()) {}

TXmlDocument::~TXmlDocument() = default;

bool TXmlDocument::Loaded() const { return impl_->document != nullptr; }

const std::string& TXmlDocument::parseError() const { return impl_->error; }

bool TXmlDocument::load(const std::string& path, std::string_view charset) {
  impl_->Reset();
  std::string bytes;
  if (const int error = ReadRegularFile(path, kMaxFileBytes, bytes); error != 0) {
    impl_->error = Narrow(FileReadErrorText(error));
    return false;
  }
  return LoadBytes(bytes, charset);
}

bool TXmlDocument::loadXML(std::string_view bytes, std::string_view charset) {
  impl_->Reset();
  return LoadBytes(bytes, charset);
}

bool TXmlDocument::LoadBytes(std::string_view bytes, std::string_view charset) {
  EnsureParserInitialised();
  if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
    impl_->error = "document too large";
    return false;
  }
  // libxml2 takes time quadratic in the attributes of one tag.
  if (MostAttributesInATag(bytes) > kMaxAttributes) {
    impl_->error = "an element has more than " + std::to_string(kMaxAttributes) + " attributes";
    return false;
  }
  XmlParserContextPtr parser(xmlNewParserCtxt());
  if (!parser) {
    impl_->error = "out of memory";
    return false;
  }
  parser->_private = &impl_->error;
  parser->sax->serror = &KeepFirstError;
  parser->sax->getEntity = &GetEntityOrHtml;
  ThreadErrorSilence silence;
  const std::string encoding = FallbackEncoding(bytes, charset);
  // No base address: relative links are resolved by the reader, against
  // the feed's own address, never against the cache file's path.
  XmlDocPtr document(xmlCtxtReadMemory(parser.get(), bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                       encoding.empty() ? nullptr : encoding.c_str(), kParseOptions));
  if (!document || !xmlDocGetRootElement(document.get())) {
    if (impl_->error.empty()) impl_->error = "not a well-formed document";
    return false;
  }
  ExpansionMeter meter(bytes.size() * kExpansionFactor + kExpansionAllowance);
  if (!meter.WithinLimit(document.get())) {
    impl_->error = "entity references expand beyond the limit";
    return false;
  }
  DropDefaultNamespaces(xmlDocGetRootElement(document.get()));
  XPathContextPtr xpath(xmlXPathNewContext(document.get()));
  if (!xpath) {
    impl_->error = "out of memory";
    return false;
  }
  xpath->error = &IgnoreXmlStructuredError;
  impl_->error.clear();
  impl_->document = std::move(document);
  impl_->xpath = std::move(xpath);
  return true;
}

TXmlNode TXmlDocument::documentElement() const {
  if (!impl_->document) return {};
  return TXmlNode(this, xmlDocGetRootElement(impl_->document.get()));
}

TXmlNodeList TXmlDocument::selectNodes(std::string_view xpath) const {
  if (!impl_->document) return {};
  return Select(reinterpret_cast<xmlNode*>(impl_->document.get()), xpath);
}

TXmlNode TXmlDocument::selectSingleNode(std::string_view xpath) const { return selectNodes(xpath).item(0); }

TXmlNodeList TXmlDocument::Select(xmlNode* context, std::string_view xpath) const {
  ThreadErrorSilence silence;
  xmlXPathCompExpr* expression = impl_->Compile(xpath);
  impl_->xpath->node = context;
  XPathObjectPtr result(xmlXPathCompiledEval(expression, impl_->xpath.get()));
  if (!result || result->type != XPATH_NODESET)
    throw EXmlError(u"XPath expression selects no nodes: " + Widen(xpath));
  std::vector<TXmlNode> nodes;
  if (xmlNodeSet* set = result->nodesetval) {
    nodes.reserve(static_cast<std::size_t>(set->nodeNr));
    for (int i = 0; i < set->nodeNr; ++i) {
      // Namespace nodes are copies that die with the result.
      if (set->nodeTab[i]->type != XML_NAMESPACE_DECL) nodes.push_back(TXmlNode(this, set->nodeTab[i]));
    }
  }
  return TXmlNodeList(std::move(nodes));
}

}  // namespace varnika
