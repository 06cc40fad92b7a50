// varnika-feed [--base URL] [--charset NAME] FILE: prints the headlines of
// a feed file as the widget's list shows them, one JSON object per line in
// document order, with the keys "title", "summary", "link" and "date"
// (UTF-8; wrapped texts keep their CR LF breaks). --base gives the feed's
// own address, against which relative links resolve; --charset the charset
// it was served with (for a file that declares none). Prints nothing and
// exits 1 when the file does not load, is no feed or gives no headline;
// exits 2 on wrong arguments. Needs no display.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "base/Utf.h"
#include "feed/FeedParser.h"

namespace {

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// Valid UTF-8 whatever the bytes were: malformed sequences become U+FFFD.
std::string CleanUtf8(std::string_view text) { return varnika::Narrow(varnika::Widen(text)); }

std::string JsonLine(const varnika::TElement& element) {
  std::string line = "{\"title\":";
  AppendJsonString(line, varnika::Narrow(element.Title));
  line += ",\"summary\":";
  AppendJsonString(line, varnika::Narrow(element.Summary));
  line += ",\"link\":";
  AppendJsonString(line, CleanUtf8(element.Link));
  line += ",\"date\":";
  AppendJsonString(line, CleanUtf8(element.Date));
  line += "}\n";
  return line;
}

}  // namespace

int main(int argc, char** argv) {
  std::string base, charset;
  const char* file = nullptr;
  bool usage = false;
  for (int i = 1; i < argc && !usage; ++i) {
    const std::string_view argument = argv[i];
    if ((argument == "--base" || argument == "--charset") && i + 1 < argc)
      (argument == "--base" ? base : charset) = argv[++i];
    else if (!file && !argument.empty() && argument.substr(0, 2) != "--")
      file = argv[i];
    else
      usage = true;
  }
  if (usage || !file) {
    std::fprintf(stderr, "usage: varnika-feed [--base URL] [--charset NAME] FILE\n");
    return 2;
  }
  struct stat info;
  if (::stat(file, &info) != 0 || S_ISDIR(info.st_mode)) return 1;
  varnika::TFeedParser feed;
  feed.SetFileName(varnika::Widen(file));
  feed.SetFeedAddress(base);
  feed.SetCharset(charset);
  feed.Parse();
  const varnika::TElementList* items = feed.Items();
  if (!items || items->Count() == 0) return 1;
  std::string out;
  for (int i = 0; i < items->Count(); ++i) out += JsonLine(items->Items(i));
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
