// The window the skin's pictures and texts live in: the system's "STATIC"
// class, which the toolkit subclasses, with SS_NOTIFY so that it takes mouse
// input (skin texts and images can be clicked) and SS_NOPREFIX so that an
// '&' in its caption stays an ordinary character.
#pragma once

#include <algorithm>
#include <iterator>
#include <string_view>

#include "toolkit/Control.h"

namespace varnika {

inline void MakeClickableStatic(TCreateParams& params) {
  constexpr std::u16string_view kStaticClass = u"STATIC";
  std::fill(std::begin(params.WinClassName), std::end(params.WinClassName), u'\0');
  std::copy(kStaticClass.begin(), kStaticClass.end(), params.WinClassName);
  params.Style |= SS_NOPREFIX | SS_NOTIFY;
}

}  // namespace varnika
