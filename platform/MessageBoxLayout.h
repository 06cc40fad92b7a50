// The message box's picture: where its caption, icon, text and buttons go,
// and how they are drawn in each state. Internal to platform/.
#pragma once

#include <string>
#include <vector>

#include "platform/Messages.h"
#include "platform/PopupPainter.h"

namespace varnika::popup {

struct BoxButton {
  int id = 0;  // IDYES, IDNO, IDOK
  std::u16string label;
  RECT rect;   // in the picture
};

struct BoxLayout {
  Margins margins;
  RECT panel;    // in the picture
  RECT caption;  // the band that drags the box
  RECT icon;
  POINT text_at;
  int text_width = 0;
  std::vector<BoxButton> buttons;
  SIZE picture;
};

struct BoxLook {
  int focus = 0;     // index of the focused (default) button
  int hot = -1;      // button under the pointer
  int pressed = -1;  // button held down
  bool active = true;
};

BoxLayout LayoutBox(std::u16string_view caption, std::u16string_view text, std::vector<BoxButton> buttons,
                    bool composited);
void PaintBox(Picture& picture, const BoxLayout& layout, std::u16string_view caption, std::u16string_view text,
              const BoxLook& look, bool composited);

}  // namespace varnika::popup
