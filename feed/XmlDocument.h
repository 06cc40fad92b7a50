// A small DOM over libxml2: a document loaded from a file or from bytes,
// node-set and single-node selection by XPath (from the document or relative
// to a node), and the text of an element or attribute.
//
// Names are matched as they are written in the document: an element in a
// default namespace (xmlns="...") answers to its plain name, so "/feed/entry"
// finds the entries of an Atom feed, while a prefixed element ("a:feed")
// keeps its prefix as part of its name and never matches a plain name.
//
// Loading is safe for untrusted bytes: the parser never goes to the network,
// never loads a DTD or an external entity, and refuses a document whose text
// would grow past a fixed multiple of its size when its entities are
// expanded, or one with an element of absurdly many attributes (parsing
// those takes quadratic time). The document decodes itself by its
// byte-order mark or encoding declaration; without either, bytes that are
// not UTF-8 are read in the charset that the load is given (the one of the
// HTTP Content-Type the document came with), else as Windows-1252. Named
// entities that the document uses without declaring them are taken from
// the HTML set ("&nbsp;", "&eacute;"), as feeds written for browsers
// expect. libxml2 reports nothing on the process's output.
//
// Texts are UTF-8. Nodes stay valid as long as their document and its
// current load. A document is used by one thread at a time; documents on
// different threads are independent (libxml2 keeps its error handlers per
// thread, and each call silences those of its own thread).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/Exceptions.h"

struct _xmlNode;

namespace varnika {

// An XPath expression that does not compile or does not select nodes, or a
// text too deeply nested to read.
class EXmlError : public Exception {
 public:
  using Exception::Exception;
};

class TXmlDocument;
class TXmlNodeList;

// The charset parameter of an HTTP Content-Type value ("text/xml;
// charset=ISO-8859-9" gives "ISO-8859-9"), or empty.
std::string ContentTypeCharset(std::string_view content_type);

class TXmlNode {
 public:
  TXmlNode() = default;

  // False for the node a selection did not find.
  explicit operator bool() const { return node_ != nullptr; }

  // The concatenated character data of the node and its descendants (entity
  // references expanded, comments and processing instructions left out); an
  // attribute's value.
  std::string text() const;
  // The name as written, with its prefix ("a:feed", "title", "href").
  std::string nodeName() const;
  // The name without its prefix, and the namespace that the prefix stands
  // for (empty without a prefix: a default namespace is not kept).
  std::string localName() const;
  std::string namespaceUri() const;
  // The first child element with that local name in that namespace, or an
  // empty node; and all child elements in document order.
  TXmlNode child(std::string_view local_name, std::string_view namespace_uri) const;
  std::vector<TXmlNode> childElements() const;
  // The text of the element's attribute of that name without a namespace
  // ("" when it has none).
  std::string attribute(std::string_view name) const;
  // The address that xml:base attributes on the element and its ancestors
  // make for it (relative ones resolved against the outer ones), or "".
  std::string baseUri() const;
  // The element's content as markup: its children serialised as XML.
  std::string innerXml() const;

  TXmlNodeList selectNodes(std::string_view xpath) const;
  // The first selected node in document order, or an empty node.
  TXmlNode selectSingleNode(std::string_view xpath) const;

 private:
  friend class TXmlDocument;
  TXmlNode(const TXmlDocument* document, _xmlNode* node) : document_(document), node_(node) {}

  const TXmlDocument* document_ = nullptr;
  _xmlNode* node_ = nullptr;
};

// Selected nodes in document order.
class TXmlNodeList {
 public:
  TXmlNodeList() = default;
  explicit TXmlNodeList(std::vector<TXmlNode> nodes) : nodes_(std::move(nodes)) {}

  int length() const { return static_cast<int>(nodes_.size()); }
  // An empty node outside 0 .. length - 1.
  TXmlNode item(int index) const;

  auto begin() const { return nodes_.begin(); }
  auto end() const { return nodes_.end(); }

 private:
  std::vector<TXmlNode> nodes_;
};

class TXmlDocument {
 public:
  // How far expanding entity references may grow a document's text: at most
  // this many times the document's size, plus kExpansionAllowance bytes.
  static constexpr std::size_t kExpansionFactor = 10;
  static constexpr std::size_t kExpansionAllowance = 1 << 20;
  // The largest file load reads: what the program downloads at most. A
  // larger file, or one that is not a regular file (a FIFO, a device), is
  // refused before it is read.
  static constexpr std::uint64_t kMaxFileBytes = 32 << 20;
  // The most attributes (namespace declarations included) one element may
  // carry; a document with more in one tag is refused before it is parsed.
  static constexpr std::size_t kMaxAttributes = 256;

  TXmlDocument();
  ~TXmlDocument();
  TXmlDocument(const TXmlDocument&) = delete;
  TXmlDocument& operator=(const TXmlDocument&) = delete;

  // Each load drops the previous document first. Both return false when the
  // bytes cannot be read or are not a well-formed, acceptable document;
  // parseError() then says why. charset (an IANA name, as in a
  // Content-Type; empty: none known) is used only for a document that
  // declares no encoding and whose bytes are not UTF-8.
  bool load(const std::string& path, std::string_view charset = {});
  bool loadXML(std::string_view bytes, std::string_view charset = {});

  bool Loaded() const;
  const std::string& parseError() const;

  // The root element, or an empty node without a document.
  TXmlNode documentElement() const;
  // Selections from the document node; nothing is selected without a
  // document. Raise EXmlError for an expression that does not compile or
  // gives no node set.
  TXmlNodeList selectNodes(std::string_view xpath) const;
  TXmlNode selectSingleNode(std::string_view xpath) const;

 private:
  friend class TXmlNode;
  struct Impl;

  TXmlNodeList Select(_xmlNode* context, std::string_view xpath) const;
  bool LoadBytes(std::string_view bytes, std::string_view charset);

  std::unique_ptr<Impl> impl_;
};

}  // namespace varnika
