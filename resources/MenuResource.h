// Menu resources: a menu described as text (resources/data/menu101.txt,
// in English menu101-en.txt),
// parsed into a plain tree that the window system's menus are built from.
//
//   popup "&Dosya"            a sub-menu with its title; closed by "end"
//     item 40000 "&Hakkında"  a command with its id and text
//     separator
//   end
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/WinTypes.h"
#include "resources/Language.h"

namespace varnika {

// The program's menu and its command ids.
inline constexpr int kMainMenuResourceId = 101;
enum : UINT {
  IDM_ABOUT = 40000,
  IDM_OPTIONS = 40003,
  IDM_CLOSE = 40005,
  IDM_REFRESH = 40007,
};

struct MenuItemTemplate {
  enum class Kind { Command, Separator, Popup };
  Kind kind = Kind::Command;
  UINT id = 0;                           // commands only
  std::u16string text;                   // commands and pop-ups; '&' marks the mnemonic
  std::vector<MenuItemTemplate> items;   // pop-ups only
};

struct MenuTemplate {
  std::vector<MenuItemTemplate> items;
};

// Parses a menu text; what names the resource in error messages. Raises
// EResourceFormatError ("Invalid resource <what> at line <n>") on an unknown
// statement, a missing or extra "end", or a malformed id or text.
MenuTemplate ParseMenuTemplate(std::string_view text, std::u16string_view what = u"MENU");

// The menu resource id in the user's language (or the given one); raises
// EResNotFound ("Resource %s not found").
MenuTemplate LoadMenuTemplate(int id);
MenuTemplate LoadMenuTemplate(int id, Language language);

// The character after the first single '&' of a menu text ("&&" stands for
// a literal ampersand), or 0 when the text has no mnemonic.
char16_t MenuMnemonic(std::u16string_view text);

}  // namespace varnika
