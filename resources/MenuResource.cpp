#include "resources/MenuResource.h"

#include <string>

#include "base/Utf.h"
#include "resources/ResourceText.h"
#include "resources/Resources.h"

namespace varnika {

namespace {

class MenuParser {
 public:
  MenuParser(const std::vector<ResourceTextLine>& lines, std::u16string_view what)
      : lines_(lines), what_(what) {}

  MenuTemplate Parse() {
    MenuTemplate menu;
    menu.items = ParseItems(false);
    return menu;
  }

 private:
  // Reads items up to the matching "end" (inside a pop-up) or the end of the
  // text (at the top level).
  std::vector<MenuItemTemplate> ParseItems(bool inside_popup) {
    std::vector<MenuItemTemplate> items;
    while (next_ < lines_.size()) {
      const ResourceTextLine& line = lines_[next_++];
      const std::string& keyword = line.tokens[0].quoted ? kNoKeyword : line.tokens[0].text;
      if (keyword == "end" && line.tokens.size() == 1) {
        if (!inside_popup) Fail(line);
        return items;
      }
      items.push_back(ParseItem(keyword, line));
    }
    if (inside_popup) RaiseResourceFormatError(what_, lines_.empty() ? 1 : lines_.back().number + 1);
    return items;
  }

  MenuItemTemplate ParseItem(const std::string& keyword, const ResourceTextLine& line) {
    MenuItemTemplate item;
    const std::vector<ResourceToken>& t = line.tokens;
    int id = 0;
    if (keyword == "separator" && t.size() == 1) {
      item.kind = MenuItemTemplate::Kind::Separator;
    } else if (keyword == "item" && t.size() == 3 && ParseResourceId(t[1], id) && t[2].quoted) {
      item.kind = MenuItemTemplate::Kind::Command;
      item.id = static_cast<UINT>(id);
      item.text = Utf8ToUtf16(t[2].text);
    } else if (keyword == "popup" && t.size() == 2 && t[1].quoted) {
      item.kind = MenuItemTemplate::Kind::Popup;
      item.text = Utf8ToUtf16(t[1].text);
      item.items = ParseItems(true);
    } else {
      Fail(line);
    }
    return item;
  }

  [[noreturn]] void Fail(const ResourceTextLine& line) { RaiseResourceFormatError(what_, line.number); }

  static inline const std::string kNoKeyword;
  const std::vector<ResourceTextLine>& lines_;
  std::u16string_view what_;
  std::size_t next_ = 0;
};

}  // namespace

MenuTemplate ParseMenuTemplate(std::string_view text, std::u16string_view what) {
  std::vector<ResourceTextLine> lines = TokenizeResourceText(text, what);
  return MenuParser(lines, what).Parse();
}

MenuTemplate LoadMenuTemplate(int id) { return LoadMenuTemplate(id, UserLanguage()); }

MenuTemplate LoadMenuTemplate(int id, Language language) {
  std::span<const std::uint8_t> data = FindLocalizedResourceData(kResourceTypeMenu, id, language);
  if (data.empty()) data = LoadResourceData(kResourceTypeMenu, id);  // raises EResNotFound when missing
  std::u16string what = u"MENU " + Utf8ToUtf16(std::to_string(id));
  return ParseMenuTemplate(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()), what);
}

char16_t MenuMnemonic(std::u16string_view text) {
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != u'&') continue;
    if (text[i + 1] != u'&') return text[i + 1];
    ++i;
  }
  return 0;
}

}  // namespace varnika
