#include "feed/XmlDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <climits>
#include <unordered_map>

#include "base/FileRead.h"
#include "base/Utf.h"
#include "feed/AttributeCount.h"

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

void IgnoreGenericError(void*, const char*, ...) {}
void IgnoreStructuredError(void*, xmlErrorPtr) {}

// A few of libxml2's reports (failed character conversions, some I/O) do not
// go through the parser context but through the thread's error handlers.
// They are silenced for the time of one call into libxml2 and restored
// afterwards, so whatever else runs on the thread keeps its own handlers.
class ThreadErrorSilence {
 public:
  ThreadErrorSilence()
      : generic_(xmlGenericError),
        generic_context_(xmlGenericErrorContext),
        structured_(xmlStructuredError),
        structured_context_(xmlStructuredErrorContext) {
    xmlSetGenericErrorFunc(nullptr, &IgnoreGenericError);
    xmlSetStructuredErrorFunc(nullptr, &IgnoreStructuredError);
  }
  ~ThreadErrorSilence() {
    xmlSetGenericErrorFunc(generic_context_, generic_);
    xmlSetStructuredErrorFunc(structured_context_, structured_);
  }
  ThreadErrorSilence(const ThreadErrorSilence&) = delete;
  ThreadErrorSilence& operator=(const ThreadErrorSilence&) = delete;

 private:
  xmlGenericErrorFunc generic_;
  void* generic_context_;
  xmlStructuredErrorFunc structured_;
  void* structured_context_;
};

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

}  // namespace

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

bool TXmlDocument::load(const std::string& path) {
  impl_->Reset();
  std::string bytes;
  if (const int error = ReadRegularFile(path, kMaxFileBytes, bytes); error != 0) {
    impl_->error = Narrow(FileReadErrorText(error));
    return false;
  }
  return LoadBytes(bytes, path.c_str());
}

bool TXmlDocument::loadXML(std::string_view bytes) {
  impl_->Reset();
  return LoadBytes(bytes, nullptr);
}

bool TXmlDocument::LoadBytes(std::string_view bytes, const char* url) {
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
  ThreadErrorSilence silence;
  XmlDocPtr document(xmlCtxtReadMemory(parser.get(), bytes.data(), static_cast<int>(bytes.size()), url, nullptr,
                                       kParseOptions));
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
  xpath->error = &IgnoreStructuredError;
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
