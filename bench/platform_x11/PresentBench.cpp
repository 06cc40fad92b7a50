// Presenting the widget's 475 x 350 frame: 1,000 UpdateLayeredWindow calls
// from a canvas (a cairo image surface, shown without a copy) through the
// window system and the X11 backend against 1,000 bare XPutImage calls of the same bytes to a window of the same visual on the
// same server, each batch ended by XSync. Wall time, because the server's
// share of the work is the point. Starts its own Xvfb when DISPLAY is unset.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "bench/RatioReporter.h"
#include "platform/Layered.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/x11/X11Backend.h"

// After the platform headers: X.h defines a CursorShape macro.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace varnika;

constexpr int kWidth = 475;
constexpr int kHeight = 350;
constexpr int kBatch = 1000;

// The widget's kind of frame: opaque body, half-transparent band, rounded
// (cut) corners.
std::vector<std::uint32_t> WidgetFrame() {
  std::vector<std::uint32_t> pixels(static_cast<size_t>(kWidth) * kHeight, 0xFF2A3040u);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      std::uint32_t& p = pixels[static_cast<size_t>(y) * kWidth + x];
      if (y >= 300) p = 0x80402010u;
      int cx = x < 12 ? 12 - x : (x >= kWidth - 12 ? x - (kWidth - 13) : 0);
      int cy = y < 12 ? 12 - y : (y >= kHeight - 12 ? y - (kHeight - 13) : 0);
      if (cx * cx + cy * cy > 144) p = 0;
    }
  }
  return pixels;
}

LRESULT Proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) { return DefWindowProcW(wnd, msg, wparam, lparam); }

void Drain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

void UpdateLayeredWindowFromCanvas(benchmark::State& state) {
  std::string error;
  std::unique_ptr<X11Backend> opened = X11Backend::Open(nullptr, &error, X11Options{});
  if (!opened) {
    state.SkipWithError(error.c_str());
    return;
  }
  X11Backend* backend = opened.get();
  InitWindowSystem(std::move(opened));
  WNDCLASSW wc;
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = u"varnikaclass";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, u"varnikaclass", u"bench", WS_POPUP, 100, 100, kWidth,
                             kHeight, nullptr, nullptr, nullptr, nullptr);
  ShowWindow(wnd, SW_SHOWNA);
  std::vector<std::uint32_t> pixels = WidgetFrame();
  cairo_surface_t* canvas = cairo_image_surface_create_for_data(
      reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_ARGB32, kWidth, kHeight, kWidth * 4);
  HDC dc = CreateMemoryDC(canvas);
  SIZE size{kWidth, kHeight};
  POINT origin{0, 0};
  BLENDFUNCTION blend;
  blend.AlphaFormat = AC_SRC_ALPHA;
  UpdateLayeredWindow(wnd, nullptr, nullptr, &size, dc, &origin, 0, &blend, ULW_ALPHA);
  Drain();
  XSync(backend->XDisplay(), False);
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) UpdateLayeredWindow(wnd, nullptr, nullptr, &size, dc, &origin, 0, &blend, ULW_ALPHA);
    XSync(backend->XDisplay(), False);
  }
  DeleteDC(dc);
  ShutdownWindowSystem();
  cairo_surface_destroy(canvas);
}

void BareXPutImage(benchmark::State& state) {
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    state.SkipWithError("cannot open display");
    return;
  }
  int screen = DefaultScreen(d);
  Window root = RootWindow(d, screen);
  XVisualInfo info;
  if (!XMatchVisualInfo(d, screen, 32, TrueColor, &info)) {
    state.SkipWithError("no depth-32 visual");
    XCloseDisplay(d);
    return;
  }
  XSetWindowAttributes attrs{};
  attrs.colormap = XCreateColormap(d, root, info.visual, AllocNone);
  attrs.override_redirect = True;
  Window w = XCreateWindow(d, root, 100, 100, kWidth, kHeight, 0, 32, InputOutput, info.visual,
                           CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect, &attrs);
  XMapWindow(d, w);
  GC gc = XCreateGC(d, w, 0, nullptr);
  std::vector<std::uint32_t> pixels = WidgetFrame();
  XImage* image = XCreateImage(d, info.visual, 32, ZPixmap, 0, reinterpret_cast<char*>(pixels.data()), kWidth,
                               kHeight, 32, kWidth * 4);
  image->byte_order = LSBFirst;
  XSync(d, False);
  for (auto _ : state) {
    for (int i = 0; i < kBatch; ++i) XPutImage(d, w, gc, image, 0, 0, 0, 0, kWidth, kHeight);
    XSync(d, False);
  }
  image->data = nullptr;
  XDestroyImage(image);
  XFreeGC(d, gc);
  XDestroyWindow(d, w);
  XFreeColormap(d, attrs.colormap);
  XCloseDisplay(d);
}

BENCHMARK(BareXPutImage)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(UpdateLayeredWindowFromCanvas)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// An Xvfb for the run when there is no display; killed with the process.
pid_t StartXvfb() {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-noreset", "-nolisten", "tcp",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  char c;
  while (read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
  close(fds[0]);
  if (number.empty()) return -1;
  setenv("DISPLAY", (":" + number).c_str(), 1);
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  pid_t server = -1;
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    server = StartXvfb();
    if (server < 0) {
      std::fprintf(stderr, "bench_x11_present: cannot start Xvfb\n");
      return 1;
    }
  }
  benchmark::Initialize(&argc, argv);
  // The X server does half of the work: wall time.
  varnika::TRatioReporter reporter(varnika::TRatioReporter::Clock::Real);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatio("UpdateLayeredWindow/XPutImage", "UpdateLayeredWindowFromCanvas", "BareXPutImage", 1.5);
  benchmark::Shutdown();
  if (server > 0) {
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
  }
  return 0;
}
