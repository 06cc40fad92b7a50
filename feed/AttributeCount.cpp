#include "feed/AttributeCount.h"

#include <string>

namespace varnika {
namespace {

constexpr std::size_t npos = std::string_view::npos;

// The ASCII bytes of UTF-16 text: one byte of each code unit.
std::string NarrowUtf16(std::string_view bytes, std::size_t offset) {
  std::string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = offset; i < bytes.size(); i += 2) out += bytes[i];
  return out;
}

class TTagScanner {
 public:
  explicit TTagScanner(std::string_view text) : text_(text) {}

  std::size_t Most() {
    std::size_t most = 0;
    while ((at_ = text_.find('<', at_)) != npos) {
      const std::string_view rest = text_.substr(at_);
      if (rest.starts_with("<!--")) {
        SkipPast("-->", 4);
      } else if (rest.starts_with("<![CDATA[")) {
        SkipPast("]]>", 9);
      } else if (rest.starts_with("<?")) {
        SkipPast("?>", 2);
      } else if (rest.starts_with("<!")) {
        SkipDeclaration();
      } else {
        const std::size_t count = CountTag();
        if (count > most) most = count;
      }
    }
    return most;
  }

 private:
  void SkipPast(std::string_view end, std::size_t opening) {
    const std::size_t found = text_.find(end, at_ + opening);
    at_ = found == npos ? text_.size() : found + end.size();
  }

  // A declaration ends at the first ">" outside quotes and outside its
  // bracketed internal subset, whose own declarations and comments hold
  // ">" of their own.
  void SkipDeclaration() {
    int depth = 0;
    char quote = 0;
    for (at_ += 2; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '[') {
        ++depth;
      } else if (c == ']') {
        --depth;
      } else if (text_.substr(at_).starts_with("<!--")) {
        SkipPast("-->", 4);
        --at_;
      } else if (c == '>' && depth <= 0) {
        ++at_;
        return;
      }
    }
  }

  // The "=" signs outside quoted values up to the tag's end; a "<" outside
  // quotes ends it too (the tag is malformed, and the next one starts).
  std::size_t CountTag() {
    std::size_t count = 0;
    char quote = 0;
    for (++at_; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '=') {
        ++count;
      } else if (c == '>' || c == '<') {
        break;
      }
    }
    return count;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::size_t MostAttributesInATag(std::string_view bytes) {
  const std::size_t first = bytes.find('<');
  const bool le = bytes.starts_with("\xFF\xFE") ||
                  (first != npos && first + 1 < bytes.size() && bytes[first + 1] == '\0' && first % 2 == 0);
  const bool be = bytes.starts_with("\xFE\xFF") || (first != npos && first > 0 && bytes[first - 1] == '\0' &&
                                                     first % 2 == 1);
  if (le || be) {
    const std::string narrow = NarrowUtf16(bytes, le ? 0 : 1);
    return TTagScanner(narrow).Most();
  }
  return TTagScanner(bytes).Most();
}

}  // namespace varnika
