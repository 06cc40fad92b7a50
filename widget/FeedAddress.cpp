#include "widget/FeedAddress.h"

#include <cctype>

#include "base/AsciiCase.h"

namespace varnika {
namespace {

bool HostCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
}

bool ValidHostName(std::string_view host) {
  if (host.empty() || host.front() == '.' || host.front() == '-') return false;
  for (char c : host) {
    if (!HostCharacter(c)) return false;
  }
  return true;
}

bool ValidBracketedAddress(std::string_view host) {
  if (host.size() < 3 || host.front() != '[' || host.back() != ']') return false;
  for (char c : host.substr(1, host.size() - 2)) {
    if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') return false;
  }
  return true;
}

bool ValidPort(std::string_view port) {
  if (port.empty() || port.size() > 5) return false;
  unsigned value = 0;
  for (char c : port) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value >= 1 && value <= 65535;
}

// host[:port], with IPv6 addresses in brackets.
bool ValidAuthority(std::string_view authority) {
  std::string_view host = authority;
  std::string_view port;
  const std::size_t bracket = authority.rfind(']');
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
    if (!ValidPort(port)) return false;
  }
  return host.front() == '[' ? ValidBracketedAddress(host) : ValidHostName(host);
}

}  // namespace

std::string TFeedAddress::ObjectWithRand(std::string_view value) const {
  std::string result = object;
  result += object.find('?') == std::string::npos ? '?' : '&';
  result += "rand=";
  result += value;
  return result;
}

std::optional<TFeedAddress> ParseFeedAddress(std::string_view url) {
  for (unsigned char c : url) {
    if (c <= 0x20 || c == 0x7F) return std::nullopt;
  }
  TFeedAddress address;
  if (StartsWithNoCase(url, "https://")) {
    address.secure = true;
    url.remove_prefix(8);
  } else if (StartsWithNoCase(url, "http://")) {
    url.remove_prefix(7);
  } else {
    return std::nullopt;
  }
  url = url.substr(0, url.find('#'));
  const std::size_t end = url.find_first_of("/?");
  const std::string_view authority = url.substr(0, end);
  if (authority.empty() || authority.find('@') != std::string_view::npos || !ValidAuthority(authority)) {
    return std::nullopt;
  }
  address.host = std::string(authority);
  std::string_view rest = end == std::string_view::npos ? std::string_view() : url.substr(end);
  address.object = rest.empty() || rest.front() != '/' ? "/" + std::string(rest) : std::string(rest);
  return address;
}

}  // namespace varnika
