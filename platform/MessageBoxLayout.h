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
// A box's picture is its background (the panel, the button band and the
// lines, the same for every repaint) with its content over it: the caption,
// the icon, the text and the buttons in their states.
void PaintBoxBackground(Picture& picture, const BoxLayout& layout, bool composited);
void PaintBoxContent(Picture& picture, const BoxLayout& layout, std::u16string_view caption, std::u16string_view text,
                     const BoxLook& look);

}  // namespace varnika::popup
