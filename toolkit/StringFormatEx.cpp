#include "toolkit/StringFormatEx.h"

namespace varnika {

void TStringFormatEx::Assign(const TGraphicObjectEx& source) {
  const auto* format = dynamic_cast<const TStringFormatEx*>(&source);
  if (!format) return;
  SetFormatFlags(format->format_flags_);
  SetAlignment(format->alignment_);
  SetHotkeyPrefix(format->hotkey_prefix_);
  SetLineAlignment(format->line_alignment_);
  SetTrimming(format->trimming_);
}

}  // namespace varnika
