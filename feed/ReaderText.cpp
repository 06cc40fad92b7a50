#include "feed/ReaderText.h"

#include <libxml/HTMLparser.h>
#include <libxml/HTMLtree.h>
#include <libxml/tree.h>

#include <array>
#include <climits>
#include <cstring>

#include "feed/XmlErrorSilence.h"

namespace varnika {

namespace {

constexpr char kEllipsis[] = "\xE2\x80\xA6";
// How far back from the limit a cut looks for the end of a word.
constexpr std::size_t kWordReach = 60;

constexpr int kHtmlOptions = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NODEFDTD |
                             HTML_PARSE_IGNORE_ENC | HTML_PARSE_COMPACT;

// Elements that a browser shows on lines of their own: their edges separate
// words as a space does.
constexpr std::array<const char*, 37> kBlockElements = {
    "address", "article", "aside",  "blockquote", "br",     "caption", "center", "dd",     "details", "div",
    "dl",      "dt",      "figcaption", "figure", "footer", "form",    "h1",     "h2",     "h3",      "h4",
    "h5",      "h6",      "header", "hr",         "li",     "main",    "nav",    "ol",     "p",       "pre",
    "section", "table",   "td",     "th",         "tr",     "ul",      "summary"};
// Elements whose content no reader sees.
constexpr std::array<const char*, 6> kHiddenElements = {"script", "style", "head", "noscript", "template", "title"};

template <std::size_t N>
bool NameIn(const xmlNode* node, const std::array<const char*, N>& names) {
  const char* name = reinterpret_cast<const char*>(node->name);
  if (!name) return false;
  for (const char* candidate : names)
    if (std::strcmp(name, candidate) == 0) return true;
  return false;
}

bool IsNamed(const xmlNode* node, const char* name) {
  return node->name && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The byte offset where the character numbered `chars` (from 0) starts, or
// npos when the text has no more than `chars` characters.
std::size_t OffsetOfChar(std::string_view utf8, std::size_t chars) {
  std::size_t seen = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (IsContinuationByte(utf8[i])) continue;
    if (seen++ == chars) return i;
  }
  return std::string_view::npos;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// Whether an element below root is a picture; walked without a stack.
bool HoldsImage(const xmlNode* root) {
  const xmlNode* node = root->children;
  while (node) {
    if (node->type == XML_ELEMENT_NODE && IsNamed(node, "img")) return true;
    if (node->children && node->type == XML_ELEMENT_NODE) {
      node = node->children;
      continue;
    }
    while (node != root && !node->next) node = node->parent;
    node = node == root ? nullptr : node->next;
  }
  return false;
}

// The next node of a depth-first walk below root, or null at its end;
// with enter false the node's children are passed over.
const xmlNode* NextNode(const xmlNode* node, const xmlNode* root, bool enter, std::string& out) {
  if (enter && node->children) return node->children;
  while (node != root) {
    if (node->type == XML_ELEMENT_NODE && NameIn(node, kBlockElements)) out += ' ';
    if (node->next) return node->next;
    node = node->parent;
  }
  return nullptr;
}

// The text nodes of the tree in document order, as described above; the
// walk keeps no stack, so no nesting depth can exhaust one.
std::string TreeText(const xmlNode* root, bool drop_leading_image_link) {
  std::string out;
  bool text_seen = false;
  const xmlNode* node = root->children;
  while (node) {
    bool enter = true;
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
      if (node->content) {
        const char* content = reinterpret_cast<const char*>(node->content);
        out += content;
        for (const char* c = content; *c && !text_seen; ++c) text_seen = !IsSpace(*c);
      }
    } else if (node->type == XML_ELEMENT_NODE) {
      if (NameIn(node, kBlockElements)) out += ' ';
      if (NameIn(node, kHiddenElements)) enter = false;
      if (drop_leading_image_link && !text_seen && IsNamed(node, "a")) {
        drop_leading_image_link = false;
        if (HoldsImage(node)) enter = false;
      }
    } else {
      enter = node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE;
    }
    node = NextNode(node, root, enter, out);
  }
  return out;
}

}  // namespace

std::string CutAtWord(std::string_view utf8, std::size_t max_chars) {
  if (max_chars == 0) return {};
  if (OffsetOfChar(utf8, max_chars) == std::string_view::npos) return std::string(utf8);
  // Room for the ellipsis.
  std::size_t limit = OffsetOfChar(utf8, max_chars - 1);
  std::size_t reach_start = max_chars - 1 > kWordReach ? OffsetOfChar(utf8, max_chars - 1 - kWordReach) : 0;
  std::size_t cut = limit;
  for (std::size_t i = limit; i > reach_start; --i) {
    if (IsSpace(utf8[i])) {
      cut = i;
      break;
    }
  }
  while (cut > 0 && IsSpace(utf8[cut - 1])) --cut;
  if (cut == 0) cut = limit;
  return std::string(utf8.substr(0, cut)) + kEllipsis;
}

std::string CollapseWhitespace(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool pending_space = false;
  for (char c : text) {
    if (IsSpace(c)) {
      pending_space = !out.empty();
      continue;
    }
    if (pending_space) out += ' ';
    pending_space = false;
    out += c;
  }
  return out;
}

std::string DecodeBase64(std::string_view text) {
  std::string out;
  unsigned bits = 0;
  int count = 0;
  for (char c : text) {
    int value = c >= 'A' && c <= 'Z'   ? c - 'A'
                : c >= 'a' && c <= 'z' ? c - 'a' + 26
                : c >= '0' && c <= '9' ? c - '0' + 52
                : c == '+'             ? 62
                : c == '/'             ? 63
                                       : -1;
    if (value < 0) {
      if (IsSpace(c)) continue;
      break;  // '=' padding or anything else ends the data
    }
    bits = (bits << 6) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

// --- THtmlReader -----------------------------------------------------------------

void THtmlReader::ContextReleaser::operator()(_xmlParserCtxt* context) const { htmlFreeParserCtxt(context); }

THtmlReader::THtmlReader() = default;
THtmlReader::~THtmlReader() = default;

std::string THtmlReader::Text(std::string_view html, bool drop_leading_image_link) {
  // Text without markup or references reads as it is.
  if (html.find_first_of("<&") == std::string_view::npos) return CollapseWhitespace(html);
  if (html.size() > static_cast<std::size_t>(INT_MAX)) return {};
  ThreadErrorSilence silence;
  if (!context_) {
    context_.reset(htmlNewParserCtxt());
    if (!context_) return {};
    context_->sax->serror = &IgnoreXmlStructuredError;
  }
  xmlDoc* document = htmlCtxtReadMemory(context_.get(), html.data(), static_cast<int>(html.size()), nullptr,
                                        "UTF-8", kHtmlOptions);
  if (!document) return {};
  std::string text = TreeText(reinterpret_cast<const xmlNode*>(document), drop_leading_image_link);
  xmlFreeDoc(document);
  return CollapseWhitespace(text);
}

}  // namespace varnika
