// A small program on the X11 backend for the tests that need a process of
// its own:
//   x11_test_child open   opens the display the way the widget does
//   x11_test_child run    shows a "varnikaclass" window and runs the loop,
//                         printing the messages that end it
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Layered.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/x11/X11Backend.h"

using namespace varnika;

namespace {

void Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

LRESULT Proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_QUERYENDSESSION: Say("WM_QUERYENDSESSION"); return TRUE;
    case WM_CLOSE: Say("WM_CLOSE"); break;
    case WM_DESTROY:
      Say("WM_DESTROY");
      PostQuitMessage(0);
      return 0;
    case 37683:
      Say("message 37683");
      DestroyWindow(wnd);
      return 0;
    default: break;
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

int Run() {
  InitWindowSystem(OpenX11BackendOrExit());
  WNDCLASSW wc;
  wc.lpfnWndProc = Proc;
  wc.lpszClassName = u"varnikaclass";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, u"varnikaclass", u"child", WS_POPUP, 40, 40, 64, 48,
                             nullptr, nullptr, nullptr, nullptr);
  std::vector<std::uint32_t> pixels(64 * 48, 0xFF2040C0u);
  HDC dc = CreateMemoryDC(pixels.data(), 64, 48, 64 * 4);
  SIZE size{64, 48};
  POINT origin{0, 0};
  BLENDFUNCTION blend;
  blend.AlphaFormat = AC_SRC_ALPHA;
  UpdateLayeredWindow(wnd, nullptr, nullptr, &size, dc, &origin, 0, &blend, ULW_ALPHA);
  DeleteDC(dc);
  ShowWindow(wnd, SW_SHOWNA);
  Say("ready");
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  ShutdownWindowSystem();
  Say("exit");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "open") {
    std::unique_ptr<Backend> backend = OpenX11BackendOrExit();
    Say("opened");
    return 0;
  }
  if (mode == "run") return Run();
  std::fprintf(stderr, "usage: x11_test_child open|run\n");
  return 2;
}
