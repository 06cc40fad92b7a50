// A quick look over a document's bytes, before it is parsed, for the start
// tag that carries the most attributes. libxml2 checks each attribute of a
// tag against every earlier one, so a tag with a hundred thousand of them
// costs minutes; counting them first costs one pass.
//
// The count is what a well-formed document holds: comments, CDATA sections,
// processing instructions and the document type declaration (its internal
// subset included) are skipped; in a tag, each "=" outside a quoted value is
// one attribute (namespace declarations count too). UTF-16 text, told by
// its byte-order mark or by a NUL beside the first "<", is read through its
// low or high bytes. Malformed markup gives some count; the parser refuses
// it anyway.
#pragma once

#include <cstddef>
#include <string_view>

namespace varnika {

std::size_t MostAttributesInATag(std::string_view bytes);

}  // namespace varnika
