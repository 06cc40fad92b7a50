// Layered controls and windows: the paint walk and its switches, the
// composition order, the frames handed to the window system, and the
// window's own messages.
#include <algorithm>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "platform/Input.h"
#include "platform/Layered.h"
#include "tests/toolkit_controls/ControlTestSupport.h"

namespace varnika::testing {
namespace {

class LayeredTest : public WindowSystemTest {
 protected:
  SolidWindow* MakeWindow(int width, int height, std::uint32_t color) {
    auto* window = Make<SolidWindow>();
    window->SetLeft(40);
    window->SetTop(30);
    window->SetSize(width, height);
    window->color = color;
    window->Handle();
    return window;
  }

  SolidControl* MakeChild(TControl* parent, int left, int top, int width, int height, std::uint32_t color,
                          bool visible = true) {
    auto* child = Make<SolidControl>(parent);
    child->SetLeft(left);
    child->SetTop(top);
    child->SetSize(width, height);
    child->color = color;
    if (visible)
      child->Show();
    else
      child->Handle();
    return child;
  }

  std::uint32_t FramePixel(TWindowEx* window, int x, int y) {
    HeadlessBackend::Surface s = Backend().SurfaceOf(window->WindowHandle());
    if (x >= s.frame_width || y >= s.frame_height) return 0xDEADBEEF;
    return s.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(s.frame_width) + static_cast<std::size_t>(x)];
  }
};

constexpr std::uint32_t kWindowColor = 0xFF204060;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;

TEST_F(LayeredTest, ComposedFrameMatchesTheExpectedPicture) {
  constexpr int kW = 14, kH = 10;
  auto* window = MakeWindow(kW, kH, kWindowColor);
  // a: half-transparent, painted opaque into the window.
  MakeChild(window, 1, 1, 6, 4, 0x80402010);
  // b: opaque green over a, composed with constant alpha 0x80; it carries a
  // white child c of its own and is clipped by the window's right edge.
  auto* b = MakeChild(window, 4, 3, 12, 5, 0xFF00C000);
  b->SetOpacity(0x80);
  MakeChild(b, 1, 1, 2, 2, 0xFFFFFFFF);
  window->Show();
  window->Invalidate();

  HeadlessBackend::Surface surface = Backend().SurfaceOf(window->WindowHandle());
  ASSERT_EQ(surface.frame_width, kW);
  ASSERT_EQ(surface.frame_height, kH);
  EXPECT_EQ(surface.alpha, 255);
  auto inside = [](int x, int y, int l, int t, int w, int h) { return x >= l && x < l + w && y >= t && y < t + h; };
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      std::uint32_t expected = kWindowColor;
      if (inside(x, y, 1, 1, 6, 4)) expected = Over(expected, 0x80402010);
      if (inside(x, y, 4, 3, 12, 5)) {
        std::uint32_t b_pixel = inside(x, y, 5, 4, 2, 2) ? 0xFFFFFFFF : 0xFF00C000;
        expected = Over(expected, b_pixel, 0x80);
      }
      EXPECT_EQ(surface.pixels[static_cast<std::size_t>(y * kW + x)], expected) << "at " << x << "," << y;
    }
  }
}

// A holder that paints nothing lets its children draw straight into the
// window's canvas while it covers the window exactly and is opaque; the
// window shows the same picture as with a canvas of the holder's own, and
// the holder's canvas stays unused. Off the window's rectangle, or faded, it
// composes as every control does.
TEST_F(LayeredTest, AHolderCoveringItsWindowSharesTheWindowsCanvasWithTheSamePicture) {
  constexpr int kW = 12, kH = 8;
  const struct {
    int left, top, width;
    BYTE opacity;
    bool shares;
  } cases[] = {{0, 0, kW, 255, true}, {1, 0, kW - 1, 255, false}, {0, 0, kW - 2, 255, false},
               {0, 0, kW, 0x80, false}};
  for (const auto& c : cases) {
    std::vector<std::uint32_t> frames[2];
    TControlEx* holders[2] = {};
    for (int own = 0; own < 2; ++own) {
      auto* window = MakeWindow(kW, kH, 0);
      auto* holder = Make<TControlEx>(window);
      holder->SetLeft(c.left);
      holder->SetTop(c.top);
      holder->SetSize(c.width, kH);
      holder->SetOpacity(c.opacity);
      holder->SetSharesParentCanvas(own == 0);
      holder->Show();
      MakeChild(holder, 1, 1, 6, 4, 0x80402010);
      MakeChild(holder, 4, 3, 6, 4, 0xC0C00000);
      window->Show();
      window->Invalidate();
      frames[own] = Backend().SurfaceOf(window->WindowHandle()).pixels;
      holders[own] = holder;
    }
    EXPECT_EQ(holders[0]->SharesParentCanvas(), c.shares) << c.left << "," << c.width << "," << int{c.opacity};
    EXPECT_EQ(frames[0], frames[1]) << c.left << "," << c.width << "," << int{c.opacity};
    const TBitmapEx& unused = holders[0]->Canvas().Bitmap();
    const auto* bits = reinterpret_cast<const std::uint32_t*>(unused.Bits());
    EXPECT_EQ(std::count(bits, bits + unused.Stride() / 4 * unused.Height(), 0u) ==
                  static_cast<std::ptrdiff_t>(unused.Stride() / 4 * unused.Height()),
              c.shares);
  }
}

TEST_F(LayeredTest, HigherSiblingInTheZOrderEndsOnTop) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* first = MakeChild(window, 0, 0, 6, 6, kRed);
  MakeChild(window, 3, 3, 6, 6, kBlue);  // created later: on top
  window->Invalidate();
  EXPECT_EQ(FramePixel(window, 4, 4), kBlue);
  EXPECT_EQ(FramePixel(window, 1, 1), kRed);

  SetWindowPos(first->WindowHandle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  window->Invalidate();
  EXPECT_EQ(FramePixel(window, 4, 4), kRed);
  EXPECT_EQ(FramePixel(window, 7, 7), kBlue);
}

TEST_F(LayeredTest, InvisibleChildrenAreNeitherPaintedNorComposed) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* child = MakeChild(window, 2, 2, 4, 4, kRed, /*visible=*/false);
  // A new child is a visible native window, but its Visible field is false.
  EXPECT_TRUE(GetWindowLongW(child->WindowHandle(), GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(child->Visible());
  window->Invalidate();
  EXPECT_EQ(child->paints, 0);
  EXPECT_EQ(FramePixel(window, 3, 3), kWindowColor);

  child->Show();
  window->Invalidate();
  EXPECT_EQ(child->paints, 1);
  EXPECT_EQ(FramePixel(window, 3, 3), kRed);

  child->Hide();
  window->Invalidate();
  EXPECT_EQ(child->paints, 1);
  EXPECT_EQ(FramePixel(window, 3, 3), kWindowColor);
}

TEST_F(LayeredTest, CachedControlPaintsOnceUntilAskedAgain) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* list = MakeChild(window, 0, 0, 5, 5, kRed);
  list->SetCached(true);
  window->Invalidate();
  EXPECT_EQ(list->paints, 1);
  EXPECT_FALSE(list->Redraw());

  list->color = kBlue;  // not asked to redraw: the old picture stays
  window->Invalidate();
  EXPECT_EQ(list->paints, 1);
  EXPECT_EQ(FramePixel(window, 1, 1), kRed);

  list->SetRedraw(true);
  window->Invalidate();
  EXPECT_EQ(list->paints, 2);
  EXPECT_EQ(FramePixel(window, 1, 1), kBlue);
  EXPECT_EQ(window->paints, 3);  // the uncached window paints every walk
}

TEST_F(LayeredTest, RedrawFalseOnAnUncachedControlSkipsExactlyOnePaint) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* child = MakeChild(window, 0, 0, 5, 5, kRed);
  window->Invalidate();
  child->SetRedraw(false);
  window->Invalidate();
  EXPECT_EQ(child->paints, 1);
  EXPECT_TRUE(child->Redraw());
  window->Invalidate();
  EXPECT_EQ(child->paints, 2);
}

TEST_F(LayeredTest, LockedControlKeepsItsPictureAndFreezesItsChildren) {
  auto* window = MakeWindow(12, 12, kWindowColor);
  auto* panel = MakeChild(window, 0, 0, 6, 6, kRed);
  auto* inner = MakeChild(panel, 1, 1, 2, 2, kBlue);
  window->Invalidate();
  EXPECT_EQ(FramePixel(window, 1, 1), kBlue);

  panel->SetLocked(true);
  panel->color = 0xFF00FF00;
  inner->color = 0xFFFFFFFF;
  panel->SetLeft(5);
  window->Invalidate();
  EXPECT_EQ(panel->paints, 1);
  EXPECT_EQ(inner->paints, 1);
  // The last picture still shows, at the new place.
  EXPECT_EQ(FramePixel(window, 1, 1), kWindowColor);
  EXPECT_EQ(FramePixel(window, 5, 0), kRed);
  EXPECT_EQ(FramePixel(window, 6, 1), kBlue);

  panel->SetLocked(false);
  window->Invalidate();
  EXPECT_EQ(FramePixel(window, 5, 0), 0xFF00FF00);
  EXPECT_EQ(FramePixel(window, 6, 1), 0xFFFFFFFF);
}

TEST_F(LayeredTest, RedrawRequestedWhileLockedIsLostForACachedControl) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* list = MakeChild(window, 0, 0, 5, 5, kRed);
  list->SetCached(true);
  window->Invalidate();
  list->SetLocked(true);
  list->SetRedraw(true);
  list->color = kBlue;
  window->Invalidate();
  EXPECT_FALSE(list->Redraw());
  list->SetLocked(false);
  window->Invalidate();
  EXPECT_EQ(list->paints, 1);
  EXPECT_EQ(FramePixel(window, 1, 1), kRed);
  list->SetRedraw(true);
  window->Invalidate();
  EXPECT_EQ(FramePixel(window, 1, 1), kBlue);
}

TEST_F(LayeredTest, InvalidateFromInsideOnPaintDoesNotRecurse) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* child = MakeChild(window, 0, 0, 5, 5, kRed);
  child->OnPaint = [child](TControl*) {
    ++child->paints;
    FillCanvas(child->Canvas(), child->color);
    child->Invalidate();
  };
  window->OnPaint = [window](TControl*) {
    ++window->paints;
    FillCanvas(window->Canvas(), window->color);
    window->Invalidate();
  };
  window->Invalidate();
  EXPECT_EQ(child->paints, 1);
  EXPECT_EQ(window->paints, 1);
  EXPECT_FALSE(window->Painting());
  window->Invalidate();
  EXPECT_EQ(child->paints, 2);
}

TEST_F(LayeredTest, PaintingFlagIsClearedWhenOnPaintThrows) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  window->OnPaint = [](TControl*) { throw EConvertError(u"broken"); };
  EXPECT_THROW(window->Invalidate(), EConvertError);
  EXPECT_FALSE(window->Painting());
  window->OnPaint = nullptr;
  window->Invalidate();
  EXPECT_EQ(Backend().SurfaceOf(window->WindowHandle()).frames_presented, 1);
}

TEST_F(LayeredTest, RepaintWithoutAWindowDoesNothing) {
  auto* window = Make<SolidWindow>();
  window->Invalidate();
  EXPECT_EQ(window->paints, 0);
  EXPECT_EQ(window->WindowHandle(), nullptr);
}

TEST_F(LayeredTest, OpacityZeroHidesTheWindowButKeepsItsPicture) {
  auto* window = MakeWindow(8, 8, kWindowColor);
  window->Invalidate();
  const int paints = window->paints;
  window->SetOpacity(0);
  window->UpdateLayer();
  HeadlessBackend::Surface faded = Backend().SurfaceOf(window->WindowHandle());
  EXPECT_EQ(faded.alpha, 0);
  EXPECT_EQ(faded.pixels[0], kWindowColor);

  window->SetOpacity(200);
  window->UpdateLayer();
  EXPECT_EQ(Backend().SurfaceOf(window->WindowHandle()).alpha, 200);
  EXPECT_EQ(FramePixel(window, 7, 7), kWindowColor);
  EXPECT_EQ(window->paints, paints);
}

TEST_F(LayeredTest, SizeMessageWithTheSameSizeKeepsTheCanvas) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* child = MakeChild(window, 0, 0, 5, 4, kRed);
  child->SetCached(true);
  window->Invalidate();
  SendMessageW(child->WindowHandle(), WM_SIZE, 0, MakeLParam(5, 4));
  EXPECT_EQ(CanvasPixel(child->Canvas(), 2, 2), kRed);

  child->SetWidth(7);
  EXPECT_EQ(child->Canvas().Width(), 7);
  EXPECT_EQ(child->Canvas().Height(), 4);
  EXPECT_EQ(CanvasPixel(child->Canvas(), 2, 2), 0u);
}

TEST_F(LayeredTest, CanvasTakesTheControlSizeWhenTheWindowIsCreated) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* child = Make<SolidControl>(window);
  EXPECT_EQ(child->Canvas().Width(), 1);
  child->SetSize(6, 3);
  child->Handle();
  EXPECT_EQ(child->Canvas().Width(), 6);
  EXPECT_EQ(child->Canvas().Height(), 3);
  EXPECT_EQ(window->Canvas().Width(), 10);
}

TEST_F(LayeredTest, ComposingIntoAPlainControlIsAnInvalidCast) {
  auto* window = MakeWindow(10, 10, kWindowColor);
  auto* plain = Make<TControl>(window);
  auto* child = Make<SolidControl>(plain);
  child->Handle();
  EXPECT_THROW(child->UpdateLayer(), EInvalidCast);
  // Without any parent there is nothing to compose into.
  auto* loose = Make<SolidControl>();
  EXPECT_NO_THROW(loose->UpdateLayer());
}

TEST_F(LayeredTest, FontChangeIsAnnouncedToTheControl) {
  struct FontWatcher : TControlEx {
    using TControlEx::TControlEx;
    void FontChanged(TWidgetMessage&) override { ++changes; }
    int changes = 0;
  };
  auto* control = Make<FontWatcher>();
  control->Font().SetSize(12);
  control->Font().SetSize(12);
  EXPECT_EQ(control->changes, 1);
}

class WindowExTest : public LayeredTest {};

TEST_F(WindowExTest, CreatedHiddenLayeredWithoutTaskbarEntry) {
  struct Window : TWindowEx {
    using TWindowEx::TWindowEx;
    void DoCreate() override { order += "DoCreate "; }
    std::string order;
  };
  auto* window = Make<Window>();
  EXPECT_EQ(window->Width(), 320);
  EXPECT_EQ(window->Height(), 240);
  window->OnCreate = [window](TControl*) {
    window->order += "OnCreate ";
    EXPECT_NE(window->WindowHandle(), nullptr);
  };
  window->SetAlwaysTop(true);
  HWND wnd = window->Handle();
  EXPECT_EQ(window->order, "OnCreate DoCreate ");
  const DWORD style = static_cast<DWORD>(GetWindowLongW(wnd, GWL_STYLE));
  const DWORD ex_style = static_cast<DWORD>(GetWindowLongW(wnd, GWL_EXSTYLE));
  EXPECT_EQ(style & (WS_POPUP | WS_CHILD | WS_VISIBLE), WS_POPUP);
  EXPECT_EQ(ex_style & (WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST),
            WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST);
  EXPECT_EQ(window->Canvas().Width(), 320);

  window->SetAlwaysTop(false);
  EXPECT_FALSE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
  window->SetTransparent(true);
  EXPECT_TRUE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
  window->SetTransparent(false);
  EXPECT_FALSE(GetWindowLongW(wnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

// A window whose creation is refused after WM_CREATE stored its handle must
// not keep that dead handle: the next Handle() creates the window anew.
TEST_F(WindowExTest, RefusedCreationLeavesNoHandleBehind) {
  struct Refusing : TWindowEx {
    using TWindowEx::TWindowEx;
    void WMCreate(TWidgetMessage& message) override {
      TWindowEx::WMCreate(message);
      if (refuse) message.Result = -1;
    }
    bool refuse = true;
  };
  auto* window = Make<Refusing>();
  EXPECT_THROW(window->Handle(), EOSError);
  EXPECT_EQ(window->WindowHandle(), nullptr);
  window->refuse = false;
  HWND wnd = window->Handle();
  ASSERT_TRUE(IsWindow(wnd));
  EXPECT_EQ(FindControl(wnd), window);
}

TEST_F(WindowExTest, CloseActions) {
  auto* window = MakeWindow(8, 8, kWindowColor);
  HWND wnd = window->WindowHandle();
  window->Show();
  TCloseAction answer = TCloseAction::caNone;
  int hides = 0, destroys = 0;
  window->OnClose = [&](TControl*, TCloseAction& action) {
    EXPECT_EQ(action, TCloseAction::caFree);
    action = answer;
  };
  window->OnHide = [&](TControl*) { ++hides; };
  window->OnDestroy = [&](TControl*) { ++destroys; };

  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(wnd));
  answer = TCloseAction::caMinimize;
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(wnd));

  answer = TCloseAction::caHide;
  Backend().RequestClose(wnd);
  Pump();
  EXPECT_TRUE(IsWindow(wnd));
  EXPECT_FALSE(IsWindowVisible(wnd));
  EXPECT_FALSE(window->Visible());
  EXPECT_EQ(hides, 1);

  window->OnClose = nullptr;
  SendMessageW(wnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(wnd));
  EXPECT_EQ(destroys, 1);
}

TEST_F(WindowExTest, ActivationTimerShowAndResizeEvents) {
  auto* window = MakeWindow(8, 8, kWindowColor);
  HWND wnd = window->WindowHandle();
  std::vector<int> activations;
  window->OnActivate = [&](TControl*, WORD how, HWND other) {
    activations.push_back(how);
    EXPECT_EQ(other, reinterpret_cast<HWND>(std::intptr_t{0x1234}));
  };
  SendMessageW(wnd, WM_ACTIVATE, MakeWParam(WA_CLICKACTIVE, 1), 0x1234);
  EXPECT_EQ(activations, std::vector<int>{WA_CLICKACTIVE});
  window->OnActivate = nullptr;

  EXPECT_EQ(SendMessageW(wnd, WM_MOUSEACTIVATE, 0, MakeLParam(HTCLIENT, WM_LBUTTONDOWN)), MA_ACTIVATE);
  window->OnMouseActivate = [](TControl*, WORD hit, WORD button, int& result) {
    EXPECT_EQ(hit, HTCLIENT);
    EXPECT_EQ(button, WM_LBUTTONDOWN);
    EXPECT_EQ(result, MA_ACTIVATE);
    result = MA_NOACTIVATE;
  };
  EXPECT_EQ(SendMessageW(wnd, WM_MOUSEACTIVATE, 0, MakeLParam(HTCLIENT, WM_LBUTTONDOWN)), MA_NOACTIVATE);

  std::vector<int> timers;
  window->OnTimer = [&](TControl*, int id) { timers.push_back(id); };
  SetTimer(wnd, 7, 1000, nullptr);
  Backend().AdvanceClock(1000);
  Pump();
  KillTimer(wnd, 7);
  EXPECT_EQ(timers, std::vector<int>{7});

  int shows = 0, hides = 0, resizes = 0;
  window->OnShow = [&](TControl*) { ++shows; };
  window->OnHide = [&](TControl*) { ++hides; };
  window->OnResize = [&](TControl*) { ++resizes; };
  window->Show();
  window->Hide();
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(hides, 1);
  window->SetWidth(20);
  EXPECT_EQ(resizes, 1);
  EXPECT_EQ(window->Canvas().Width(), 20);
}

TEST_F(WindowExTest, FramesGoToTheWindowPosition) {
  auto* window = MakeWindow(8, 8, kWindowColor);
  window->Show();
  window->Invalidate();
  RECT r;
  GetWindowRect(window->WindowHandle(), &r);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.top, 30);
  HeadlessBackend::Surface s = Backend().SurfaceOf(window->WindowHandle());
  EXPECT_EQ(s.rect.left, 40);
  EXPECT_EQ(s.frames_presented, 1);
}

}  // namespace
}  // namespace varnika::testing
