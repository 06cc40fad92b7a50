// The addresses that headlines open: resolved against the feed's bases,
// and marked with the widget's referral.
#pragma once

#include <string>
#include <string_view>

namespace varnika {

// The link with the blanks and line breaks around it removed, resolved
// (RFC 3986) against xml_base (the element's own xml:base, possibly
// relative, or ""), which is itself resolved against feed_address (the
// address the feed was fetched from, or ""). An address that does not
// resolve stays as written.
std::string ResolveLink(std::string_view link, std::string_view xml_base, std::string_view feed_address);

// The address with "ref=<referral>" added to its query: after "?" when it
// has none, else after "&"; a "#fragment" stays at the end.
std::string WithReferral(std::string_view url, std::string_view referral);

// Whether the address is an absolute http or https one.
bool IsWebAddress(std::string_view url);

}  // namespace varnika
