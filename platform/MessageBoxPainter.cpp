// The message box's look: a light rounded panel with the caption on top, the
// information icon beside the wrapped text, and the buttons on a grey band
// at the bottom, the focused one in the accent colour.
#include <algorithm>
#include <cmath>

#include "platform/MessageBoxLayout.h"

namespace varnika::popup {

namespace {

constexpr int kMinWidth = 360;
constexpr int kTextMaxWidth = 360;
constexpr int kCaptionHeight = 40;
constexpr int kSide = 20;           // left and right padding
constexpr int kBodyTop = 20;        // below the caption band
constexpr int kBodyBottom = 22;     // above the button band
constexpr int kIconSize = 32;
constexpr int kIconGap = 16;        // between the icon and the text
constexpr int kBandHeight = 56;
constexpr int kButtonHeight = 30;
constexpr int kButtonMinWidth = 88;
constexpr int kButtonPadding = 20;  // each side of a button's label
constexpr int kButtonGap = 8;
constexpr double kButtonRadius = 6;

const Font kCaptionFont{theme::kFamily, 13, 700, false};
const Font kTextFont{theme::kFamily, 13, 400, false};
const Font kButtonFont{theme::kFamily, 13, 400, false};

constexpr std::uint32_t kButtonFill = 0xFFFFFF;
constexpr std::uint32_t kButtonHover = 0xF0F2F5;
constexpr std::uint32_t kButtonPressed = 0xE3E6EA;
constexpr std::uint32_t kButtonBorder = 0xC4C9D1;
constexpr std::uint32_t kIconTop = 0x4A8AF4;
constexpr std::uint32_t kIconBottom = 0x2559C9;

PanelStyle BoxPanel() {
  PanelStyle style;
  style.radius = 10;
  style.fill = 0xFFFFFF;
  style.shadow_blur = 18;
  style.shadow_offset = 5;
  style.shadow_alpha = 0.26;
  return style;
}

void HorizontalLine(cairo_t* cr, double left, double right, double y, std::uint32_t rgb) {
  cairo_save(cr);
  SetColour(cr, rgb);
  cairo_set_line_width(cr, 1);
  cairo_move_to(cr, left, y + 0.5);
  cairo_line_to(cr, right, y + 0.5);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void SetGradient(cairo_t* cr, double top, double bottom, std::uint32_t from, std::uint32_t to) {
  CairoPatternPtr gradient(cairo_pattern_create_linear(0, top, 0, bottom));
  auto stop = [&](double at, std::uint32_t rgb) {
    cairo_pattern_add_color_stop_rgb(gradient.get(), at, Channel(rgb, 16), Channel(rgb, 8), Channel(rgb, 0));
  };
  stop(0, from);
  stop(1, to);
  cairo_set_source(cr, gradient.get());
}

// A blue disc with a white "i": its dot and a stem with rounded ends.
void DrawInformationIcon(cairo_t* cr, const RECT& r) {
  const double cx = (r.left + r.right) / 2.0;
  const double cy = (r.top + r.bottom) / 2.0;
  const double radius = (r.right - r.left) / 2.0;
  cairo_save(cr);
  cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
  SetGradient(cr, r.top, r.bottom, kIconTop, kIconBottom);
  cairo_fill(cr);
  SetColour(cr, 0xFFFFFF);
  cairo_arc(cr, cx, cy - radius * 0.42, radius * 0.13, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_set_line_width(cr, radius * 0.22);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_move_to(cr, cx, cy - radius * 0.12);
  cairo_line_to(cr, cx, cy + radius * 0.5);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawButton(cairo_t* cr, PangoContext* context, const BoxButton& b, bool focused, bool hot, bool pressed,
                bool active) {
  const RECT& r = b.rect;
  const double w = r.right - r.left;
  const double h = r.bottom - r.top;
  cairo_save(cr);
  std::uint32_t label_colour = theme::kText;
  if (focused) {
    std::uint32_t fill = pressed ? theme::kAccentPressed : hot ? theme::kAccentHover : theme::kAccent;
    FillRounded(cr, r, kButtonRadius, fill);
    label_colour = theme::kOnAccent;
    if (active) {  // the keyboard's focus ring
      RoundedRectPath(cr, r.left - 2.5, r.top - 2.5, w + 5, h + 5, kButtonRadius + 2.5);
      SetColour(cr, theme::kAccent, 0.35);
      cairo_set_line_width(cr, 2);
      cairo_stroke(cr);
    }
  } else {
    FillRounded(cr, r, kButtonRadius, pressed ? kButtonPressed : hot ? kButtonHover : kButtonFill);
    RoundedRectPath(cr, r.left + 0.5, r.top + 0.5, w - 1, h - 1, kButtonRadius - 0.5);
    SetColour(cr, kButtonBorder);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
  }
  LayoutPtr label = MakeLayout(context, kButtonFont, b.label);
  SIZE size = LayoutSize(label.get());
  DrawLayout(cr, label.get(), r.left + (w - size.cx) / 2.0, r.top + (h - size.cy) / 2.0, label_colour);
  cairo_restore(cr);
}

}  // namespace

BoxLayout LayoutBox(std::u16string_view caption, std::u16string_view text, std::vector<BoxButton> buttons,
                    bool composited) {
  PangoContextPtr context = MakeTextContext();
  LayoutPtr body = MakeLayout(context.get(), kTextFont, text, kTextMaxWidth);
  const SIZE text_size = LayoutSize(body.get());
  const SIZE caption_size = LayoutSize(MakeLayout(context.get(), kCaptionFont, caption).get());

  int buttons_width = 0;
  for (BoxButton& b : buttons) {
    const int label = LayoutSize(MakeLayout(context.get(), kButtonFont, b.label).get()).cx;
    b.rect = RECT{0, 0, std::max(kButtonMinWidth, label + 2 * kButtonPadding), kButtonHeight};
    buttons_width += b.rect.right + (buttons_width ? kButtonGap : 0);
  }
  const int body_width = kSide + kIconSize + kIconGap + text_size.cx + kSide;
  const int width = std::max({kMinWidth, body_width, buttons_width + 2 * kSide, caption_size.cx + 2 * kSide});
  const int body_height = std::max<int>(kIconSize, text_size.cy);
  const int height = kCaptionHeight + kBodyTop + body_height + kBodyBottom + kBandHeight;

  BoxLayout layout;
  layout.margins = ShadowMargins(BoxPanel(), composited);
  const int left = layout.margins.left;
  const int top = layout.margins.top;
  layout.panel = RECT{left, top, left + width, top + height};
  layout.caption = RECT{left, top, left + width, top + kCaptionHeight};
  const int body_top = top + kCaptionHeight + kBodyTop;
  const int icon_top = body_top + std::max(0, (std::min<int>(text_size.cy, 2 * kIconSize) - kIconSize) / 2);
  layout.icon = RECT{left + kSide, icon_top, left + kSide + kIconSize, icon_top + kIconSize};
  const int text_top = body_top + std::max(0, (kIconSize - static_cast<int>(text_size.cy)) / 2);
  layout.text_at = POINT{left + kSide + kIconSize + kIconGap, text_top};
  layout.text_width = kTextMaxWidth;
  int x = layout.panel.right - kSide - buttons_width;
  const int button_top = layout.panel.bottom - kBandHeight + (kBandHeight - kButtonHeight) / 2;
  for (BoxButton& b : buttons) {
    const int w = b.rect.right;
    b.rect = RECT{x, button_top, x + w, button_top + kButtonHeight};
    x += w + kButtonGap;
  }
  layout.buttons = std::move(buttons);
  layout.picture = SIZE{layout.panel.right + layout.margins.right, layout.panel.bottom + layout.margins.bottom};
  return layout;
}

void PaintBoxBackground(Picture& picture, const BoxLayout& layout, bool composited) {
  const PanelStyle style = BoxPanel();
  DrawPanel(picture, layout.panel, style, composited);
  cairo_t* cr = picture.Cr();
  const RECT& p = layout.panel;
  cairo_save(cr);
  // The band and the lines stay inside the panel's rounded outline.
  if (!composited) cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  const double radius = composited ? style.radius : style.crisp_radius;
  RoundedRectPath(cr, p.left + 1, p.top + 1, p.right - p.left - 2, p.bottom - p.top - 2, std::max(radius - 1, 0.0));
  cairo_clip(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
  const int band_top = p.bottom - kBandHeight;
  SetColour(cr, theme::kBand);
  cairo_rectangle(cr, p.left, band_top, p.right - p.left, kBandHeight);
  cairo_fill(cr);
  HorizontalLine(cr, p.left, p.right, band_top, theme::kSeparator);
  HorizontalLine(cr, p.left, p.right, layout.caption.bottom - 1, theme::kSeparator);
  cairo_restore(cr);
}

void PaintBoxContent(Picture& picture, const BoxLayout& layout, std::u16string_view caption, std::u16string_view text,
                     const BoxLook& look) {
  cairo_t* cr = picture.Cr();
  PangoContextPtr context = MakeTextContext();
  LayoutPtr title = MakeLayout(context.get(), kCaptionFont, caption);
  const SIZE title_size = LayoutSize(title.get());
  DrawLayout(cr, title.get(), layout.caption.left + kSide,
             layout.caption.top + (kCaptionHeight - title_size.cy) / 2.0, look.active ? theme::kText : theme::kSecondaryText);
  DrawInformationIcon(cr, layout.icon);
  LayoutPtr body = MakeLayout(context.get(), kTextFont, text, layout.text_width);
  DrawLayout(cr, body.get(), layout.text_at.x, layout.text_at.y, theme::kText);
  for (size_t i = 0; i < layout.buttons.size(); ++i) {
    const int index = static_cast<int>(i);
    DrawButton(cr, context.get(), layout.buttons[i], index == look.focus, index == look.hot, index == look.pressed,
               look.active);
  }
}

}  // namespace varnika::popup
