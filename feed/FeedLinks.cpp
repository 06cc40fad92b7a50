#include "feed/FeedLinks.h"

#include <libxml/uri.h>
#include <libxml/xmlmemory.h>

#include "base/AsciiCase.h"
#include "feed/XmlErrorSilence.h"

namespace varnika {

namespace {

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

// Blanks inside an address are written as %20, which the URI parser takes.
std::string WithEscapedSpaces(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == ' ')
      out += "%20";
    else
      out += c;
  }
  return out;
}

// reference resolved against base; reference itself when either is empty
// or they do not resolve.
std::string Resolve(std::string_view reference, std::string_view base) {
  if (base.empty() || reference.empty()) return std::string(reference);
  const std::string ref = WithEscapedSpaces(reference), against = WithEscapedSpaces(base);
  ThreadErrorSilence silence;
  xmlChar* built = xmlBuildURI(reinterpret_cast<const xmlChar*>(ref.c_str()),
                               reinterpret_cast<const xmlChar*>(against.c_str()));
  if (!built) return std::string(reference);
  std::string result = reinterpret_cast<const char*>(built);
  xmlFree(built);
  return result;
}

}  // namespace

std::string ResolveLink(std::string_view link, std::string_view xml_base, std::string_view feed_address) {
  link = Trimmed(link);
  if (link.empty()) return {};
  xml_base = Trimmed(xml_base);
  const std::string base = xml_base.empty() ? std::string(Trimmed(feed_address)) : Resolve(xml_base, Trimmed(feed_address));
  return Resolve(link, base);
}

std::string WithReferral(std::string_view url, std::string_view referral) {
  const std::size_t hash = url.find('#');
  std::string_view head = url.substr(0, hash);
  std::string_view fragment = hash == std::string_view::npos ? std::string_view() : url.substr(hash);
  std::string out(head);
  if (head.find('?') == std::string_view::npos)
    out += '?';
  else if (head.back() != '?' && head.back() != '&')
    out += '&';
  out += "ref=";
  out += referral;
  out += fragment;
  return out;
}

bool IsWebAddress(std::string_view url) { return StartsWithNoCase(url, "http://") || StartsWithNoCase(url, "https://"); }

}  // namespace varnika
