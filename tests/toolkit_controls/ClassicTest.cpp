// The classic branch: GDI drawing objects, the canvas and the windows that
// paint through WM_PAINT.
#include "toolkit/Desktop.h"
#include "toolkit/Window.h"
#include "platform/Layered.h"
#include "tests/toolkit_controls/ControlTestSupport.h"

namespace varnika::testing {
namespace {

LOGFONTW LogFontOf(HFONT font) {
  LOGFONTW lf;
  EXPECT_EQ(GetObjectW(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
  return lf;
}

LOGBRUSH LogBrushOf(HBRUSH brush) {
  LOGBRUSH lb;
  EXPECT_EQ(GetObjectW(brush, sizeof lb, &lb), static_cast<int>(sizeof lb));
  return lb;
}

std::u16string FaceOf(const LOGFONTW& lf) { return std::u16string(lf.lfFaceName); }

using ClassicObjectsTest = WindowSystemTest;

TEST_F(ClassicObjectsTest, APenGetsItsHandleAtItsFirstRealChange) {
  TPen pen;
  int changes = 0;
  pen.OnChange = [&](TGraphicObject*) { ++changes; };
  pen.SetColor(0);  // the default: nothing happens
  EXPECT_EQ(pen.Handle(), nullptr);
  EXPECT_EQ(changes, 0);
  pen.SetColor(255);
  ASSERT_NE(pen.Handle(), nullptr);
  LOGPEN lp;
  GetObjectW(pen.Handle(), sizeof lp, &lp);
  EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
  EXPECT_EQ(lp.lopnStyle, static_cast<UINT>(PS_SOLID));
  EXPECT_EQ(lp.lopnWidth.x, 0);
  EXPECT_EQ(changes, 1);
  TPen copy;
  copy.Assign(pen);
  GetObjectW(copy.Handle(), sizeof lp, &lp);
  EXPECT_EQ(lp.lopnColor, RGB(255, 0, 0));
}

TEST_F(ClassicObjectsTest, ABrushStoresSystemColoursAsRgbAndMakesItselfAgainForThem) {
  TSolidBrush brush;
  int changes = 0;
  brush.OnChange = [&](TGraphicObject*) { ++changes; };
  brush.SetColor(clBtnFace);
  EXPECT_EQ(brush.Color(), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(LogBrushOf(brush.Handle()).lbColor, RGB(240, 240, 240));
  brush.SetColor(clBtnFace);  // differs from the stored RGB value: made again
  EXPECT_EQ(changes, 2);
  brush.SetColor(static_cast<TColor>(RGB(240, 240, 240)));  // equal to it: nothing
  EXPECT_EQ(changes, 2);
}

TEST_F(ClassicObjectsTest, ABrushWithAStyleIsHatchedAndItsCopyToo) {
  TSolidBrush brush;
  brush.SetColor(static_cast<TColor>(RGB(0, 0, 255)));
  brush.SetStyle(HS_DIAGCROSS);
  LOGBRUSH lb = LogBrushOf(brush.Handle());
  EXPECT_EQ(lb.lbStyle, BS_HATCHED);
  EXPECT_EQ(lb.lbHatch, static_cast<ULONG_PTR>(HS_DIAGCROSS));
  EXPECT_EQ(lb.lbColor, RGB(0, 0, 255));
  TSolidBrush copy;
  copy.Assign(brush);
  EXPECT_EQ(LogBrushOf(copy.Handle()).lbStyle, BS_HATCHED);
  TSolidBrush solid;
  solid.SetColor(static_cast<TColor>(RGB(1, 2, 3)));
  copy.Assign(solid);
  EXPECT_EQ(LogBrushOf(copy.Handle()).lbStyle, BS_SOLID);
}

TEST_F(ClassicObjectsTest, AFontFollowsTheLogFontRules) {
  TFont font;
  LOGFONTW lf = LogFontOf(font.Handle());
  EXPECT_EQ(lf.lfHeight, -11);  // 8 points at 96 dpi: 10.67 rounds to 11
  EXPECT_EQ(FaceOf(lf), u"Tahoma");
  EXPECT_EQ(lf.lfCharSet, TURKISH_CHARSET);
  EXPECT_EQ(lf.lfWeight, DesktopMessageFont().lfWeight);
  EXPECT_EQ(lf.lfItalic, 0);

  font.SetName(u"Bir Yazı Tipinin Çok Uzun Adı Kırk Karaktere Varır");
  ASSERT_GE(font.Name().size(), 40u);
  EXPECT_EQ(FaceOf(LogFontOf(font.Handle())), font.Name().substr(0, 31));
  font.SetStyle(fsBold | fsItalic | fsUnderline | fsStrikeOut);
  font.SetSize(12);
  lf = LogFontOf(font.Handle());
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfUnderline, 1);
  EXPECT_EQ(lf.lfStrikeOut, 1);
  EXPECT_EQ(lf.lfHeight, -16);

  HFONT before = font.Handle();
  font.SetColor(clInfoText);  // the colour leaves the handle alone
  EXPECT_EQ(font.Handle(), before);
  EXPECT_EQ(font.Color(), static_cast<TColor>(GetSysColor(COLOR_INFOTEXT)));
  TFont copy;
  copy.Assign(font);
  EXPECT_EQ(LogFontOf(copy.Handle()).lfHeight, -16);
  EXPECT_EQ(copy.Name(), font.Name());
}

// Paints its client area with the canvas's brush, then a line with its pen.
class PaintingWindow : public TWindow {
 public:
  explicit PaintingWindow(TComponent* owner) : TWindow(owner) {}
  void Repaint() override {
    ++paints;
    RECT all = ClientRect();
    FillRect(Canvas().Handle(), &all, Canvas().Brush().Handle());
    Rectangle(Canvas().Handle(), 0, 0, 4, 4);  // the canvas pen's outline
    text_color = GetTextColor(Canvas().Handle());
  }
  int paints = 0;
  COLORREF text_color = CLR_INVALID;
};

using ClassicWindowTest = WindowSystemTest;

TEST_F(ClassicWindowTest, AWindowPaintsWithCopiesOfItsBrushPenAndFontAndTheDisplayShowsIt) {
  auto* window = Make<PaintingWindow>();
  window->Pen().SetColor(static_cast<TColor>(RGB(255, 0, 0)));
  window->Font().SetColor(static_cast<TColor>(RGB(0, 0, 200)));
  window->SetLeft(50);
  window->SetTop(60);
  window->SetSize(30, 20);
  window->Show();
  Pump();
  EXPECT_EQ(window->paints, 1);
  HeadlessBackend::Surface s = Backend().SurfaceOf(window->WindowHandle());
  ASSERT_EQ(s.frame_width, 30);
  EXPECT_EQ(s.pixels[10 * 30 + 20], 0xFFF0F0F0u);  // button face
  EXPECT_EQ(s.pixels[0], 0xFFFF0000u);             // the pen's corner
  EXPECT_EQ(window->text_color, RGB(0, 0, 200));
  EXPECT_EQ(window->Canvas().Handle(), nullptr);  // only while painting

  window->Brush().SetColor(static_cast<TColor>(RGB(0, 128, 0)));  // invalidates
  Pump();
  EXPECT_EQ(window->paints, 2);
  EXPECT_EQ(Backend().SurfaceOf(window->WindowHandle()).pixels[10 * 30 + 20], 0xFF008000u);
}

TEST_F(ClassicWindowTest, ClosingDestroysUnlessTheHandlerChoosesOtherwise) {
  auto* window = Make<TWindow>();
  HWND wnd = window->Handle();
  bool destroyed = false;
  window->OnDestroy = [&](TControl*) { destroyed = true; };
  window->OnClose = [](TControl*, TCloseAction& action) { action = TCloseAction::caHide; };
  window->Show();
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(wnd));
  EXPECT_FALSE(IsWindowVisible(wnd));
  window->OnClose = nullptr;
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_TRUE(destroyed);
}

TEST_F(ClassicWindowTest, OpacityShowsOnlyOnALayeredWindow) {
  auto* window = Make<TWindow>();
  window->Handle();
  window->SetOpacity(100);  // not layered: refused without harm
  BYTE alpha = 0;
  EXPECT_FALSE(GetLayeredWindowAttributes(window->WindowHandle(), nullptr, &alpha, nullptr));
  window->SetExStyle(window->ExStyle() | WS_EX_LAYERED);
  window->SetOpacity(120);
  ASSERT_TRUE(GetLayeredWindowAttributes(window->WindowHandle(), nullptr, &alpha, nullptr));
  EXPECT_EQ(alpha, 120);
}

TEST_F(ClassicWindowTest, TimersActivationAndCreationBecomeEvents) {
  auto* window = Make<TWindow>();
  bool created = false;
  int timer = 0;
  window->OnCreate = [&](TControl*) { created = true; };
  window->OnTimer = [&](TControl*, int id) { timer = id; };
  window->Handle();
  EXPECT_TRUE(created);
  SetTimer(window->WindowHandle(), 7, 10, nullptr);
  Backend().AdvanceClock(20);
  Pump();
  EXPECT_EQ(timer, 7);
}

TEST_F(ClassicWindowTest, TheDesktopAnswersTheWorkAreaAndHoldsAScreenContext) {
  Backend().SetWorkArea(RECT{0, 0, 1280, 994});
  TDesktop desktop(nullptr);
  RECT area;
  desktop.GetWorkArea(area);
  EXPECT_EQ(area, (RECT{0, 0, 1280, 994}));
  EXPECT_EQ(GetDeviceCaps(desktop.ScreenDC(), LOGPIXELSY), 96);
}

}  // namespace
}  // namespace varnika::testing
