// Feed texts as a reader sees them on the page: the text of HTML without
// its markup, whitespace as a browser shows it, and length limits.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct _xmlParserCtxt;

namespace varnika {

// The longest title and summary the list shows, in characters: a longer
// text is cut at a word and ends with "…", so that no feed can make the
// list measure and draw text without end.
inline constexpr std::size_t kMaxTitleChars = 300;
inline constexpr std::size_t kMaxSummaryChars = 300;

// UTF-8 text of at most max_chars characters: the text itself when it is
// that short, else its start cut after the last whole word that leaves room
// for "…" (within the text's last 60 characters before the limit; a longer
// word is cut where the limit falls), then "…".
std::string CutAtWord(std::string_view utf8, std::size_t max_chars);

// Runs of spaces, tabs and line breaks made one space, the ends trimmed.
std::string CollapseWhitespace(std::string_view text);

// The bytes that base64 text stands for; whitespace is skipped and the
// decoding ends at the first character outside the alphabet.
std::string DecodeBase64(std::string_view text);

// Reads HTML fragments (an RSS description, an Atom text of type html) as
// a reader sees them: libxml2's HTML parser, with no network, no DTD and no
// reports, takes the markup apart; the text is that of the text nodes,
// script and style left out, every block element and <br> standing for a
// space; character and named references are decoded (those that a feed
// escaped twice as well), and whitespace is collapsed. Entity expansion
// cannot grow a text: every reference is longer than its character.
// One reader keeps its parser between texts. UI thread only.
class THtmlReader {
 public:
  THtmlReader();
  ~THtmlReader();
  THtmlReader(const THtmlReader&) = delete;
  THtmlReader& operator=(const THtmlReader&) = delete;

  // The reader's text of UTF-8 HTML. With drop_leading_image_link, an
  // anchor around a picture that comes before any text (a linked picture
  // ahead of the sentence) is left out, with whatever caption it holds.
  std::string Text(std::string_view html, bool drop_leading_image_link = false);

 private:
  struct ContextReleaser {
    void operator()(_xmlParserCtxt* context) const;
  };
  std::unique_ptr<_xmlParserCtxt, ContextReleaser> context_;
};

}  // namespace varnika
