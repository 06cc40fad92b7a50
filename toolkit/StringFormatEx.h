// Text layout settings: format flags, horizontal and vertical alignment,
// hot-key prefix and trimming. TextLayout.h turns them into pango settings.
#pragma once

#include "toolkit/GraphicObjectEx.h"

namespace varnika {

enum StringAlignment {
  StringAlignmentNear = 0,
  StringAlignmentCenter = 1,
  StringAlignmentFar = 2,
};

enum HotkeyPrefix {
  HotkeyPrefixNone = 0,  // '&' is an ordinary character
  HotkeyPrefixShow = 1,  // '&' is dropped and the next character underlined
  HotkeyPrefixHide = 2,  // '&' is dropped
};

enum StringTrimming {
  StringTrimmingNone = 0,
  StringTrimmingCharacter = 1,
  StringTrimmingWord = 2,
  StringTrimmingEllipsisCharacter = 3,
  StringTrimmingEllipsisWord = 4,
  StringTrimmingEllipsisPath = 5,
};

// Format flags that the text layout honours; other bits are kept but have
// no effect.
enum : int {
  StringFormatFlagsNoFitBlackBox = 0x4,
  StringFormatFlagsMeasureTrailingSpaces = 0x800,
  StringFormatFlagsNoWrap = 0x1000,
  StringFormatFlagsLineLimit = 0x2000,
  StringFormatFlagsNoClip = 0x4000,
};

class TStringFormatEx : public TGraphicObjectEx {
 public:
  TStringFormatEx() = default;

  int FormatFlags() const { return format_flags_; }
  void SetFormatFlags(int flags) { format_flags_ = flags; }
  StringAlignment Alignment() const { return alignment_; }
  void SetAlignment(StringAlignment alignment) { alignment_ = alignment; }
  varnika::HotkeyPrefix HotkeyPrefix() const { return hotkey_prefix_; }
  void SetHotkeyPrefix(varnika::HotkeyPrefix prefix) { hotkey_prefix_ = prefix; }
  StringAlignment LineAlignment() const { return line_alignment_; }
  void SetLineAlignment(StringAlignment alignment) { line_alignment_ = alignment; }
  StringTrimming Trimming() const { return trimming_; }
  void SetTrimming(StringTrimming trimming) { trimming_ = trimming; }

  bool HasFlag(int flag) const { return (format_flags_ & flag) != 0; }

  void Assign(const TGraphicObjectEx& source) override;

 private:
  int format_flags_ = 0;
  StringAlignment alignment_ = StringAlignmentNear;
  varnika::HotkeyPrefix hotkey_prefix_ = HotkeyPrefixNone;
  StringAlignment line_alignment_ = StringAlignmentNear;
  StringTrimming trimming_ = StringTrimmingCharacter;
};

}  // namespace varnika
