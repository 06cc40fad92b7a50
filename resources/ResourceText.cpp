#include "resources/ResourceText.h"

#include "base/Format.h"
#include "resources/Resources.h"

namespace varnika {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// Reads the quoted string that starts at line[pos] (the opening quote);
// returns false when it is malformed.
bool ReadQuoted(std::string_view line, std::size_t& pos, std::string& out) {
  ++pos;
  while (pos < line.size()) {
    char c = line[pos++];
    if (c == '"') return pos == line.size() || IsBlank(line[pos]);
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos == line.size()) return false;
    switch (line[pos++]) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '\\': out += '\\'; break;
      case '"': out += '"'; break;
      default: return false;
    }
  }
  return false;
}

bool TokenizeLine(std::string_view line, std::vector<ResourceToken>& tokens) {
  std::size_t pos = 0;
  while (true) {
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos == line.size()) return true;
    ResourceToken token;
    if (line[pos] == '"') {
      token.quoted = true;
      if (!ReadQuoted(line, pos, token.text)) return false;
    } else {
      while (pos < line.size() && !IsBlank(line[pos])) {
        if (line[pos] == '"') return false;
        token.text += line[pos++];
      }
    }
    tokens.push_back(std::move(token));
  }
}

}  // namespace

void RaiseResourceFormatError(std::u16string_view what, int line) {
  throw EResourceFormatError(Format(u"Invalid resource %s at line %d", what, line));
}

std::vector<ResourceTextLine> TokenizeResourceText(std::string_view text, std::u16string_view what) {
  std::vector<ResourceTextLine> lines;
  int number = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    std::size_t first = line.find_first_not_of(" \t\r");
    if (first == std::string_view::npos || line[first] == '#') continue;
    ResourceTextLine parsed;
    parsed.number = number;
    if (!TokenizeLine(line, parsed.tokens)) RaiseResourceFormatError(what, number);
    lines.push_back(std::move(parsed));
  }
  return lines;
}

bool ParseResourceId(const ResourceToken& token, int& id) {
  if (token.quoted || token.text.empty() || token.text.size() > 10) return false;
  long long value = 0;
  for (char c : token.text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > 0x7FFFFFFF) return false;
  id = static_cast<int>(value);
  return true;
}

}  // namespace varnika
