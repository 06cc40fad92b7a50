// A small program on the X11 backend for the tests that need a process of
// its own:
//   x11_test_child open   opens the display the way the widget does
//   x11_test_child run    shows a "varnikaclass" window and runs the loop,
//                         printing the messages that end it
//   x11_test_child linger the same with a tray icon, but WM_CLOSE first
//                         waits for a timer that makes, shows, moves, paints
//                         and destroys another window and takes the icon
//                         away (the window system at work after the display
//                         may have gone)
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Icons.h"
#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/MessageLoop.h"
#include "platform/NotifyIcon.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/x11/X11Backend.h"

using namespace varnika;

namespace {

void Say(const char* line) {
  std::printf("%s\n", line);
  std::fflush(stdout);
}

bool g_linger = false;

// The tray icon of linger mode: id 1 of the window.
void TrayIcon(HWND owner, DWORD what) {
  std::vector<std::uint32_t> pixels(16 * 16, 0xFFC02040u);
  HICON icon = CreateIconFromBits(pixels.data(), 16, 16, 16 * 4);
  NOTIFYICONDATAW data;
  data.hWnd = owner;
  data.uID = 1;
  data.uFlags = NIF_ICON | NIF_TIP;
  data.hIcon = icon;
  data.szTip[0] = u'v';
  Shell_NotifyIconW(what, &data);
  DestroyIcon(icon);
}

void Paint(HWND wnd, int width, int height) {
  std::vector<std::uint32_t> pixels(static_cast<size_t>(width) * height, 0xFF2040C0u);
  HDC dc = CreateMemoryDC(pixels.data(), width, height, width * 4);
  SIZE size{width, height};
  POINT origin{0, 0};
  BLENDFUNCTION blend;
  blend.AlphaFormat = AC_SRC_ALPHA;
  UpdateLayeredWindow(wnd, nullptr, nullptr, &size, dc, &origin, 0, &blend, ULW_ALPHA);
  DeleteDC(dc);
}

void Busywork() {
  HWND other = CreateWindowExW(WS_EX_LAYERED, u"lingerclass", u"other", WS_POPUP, 10, 10, 32, 32, nullptr, nullptr,
                               nullptr, nullptr);
  Paint(other, 32, 32);
  ShowWindow(other, SW_SHOW);
  SetWindowPos(other, HWND_TOPMOST, 50, 60, 40, 40, 0);
  Paint(other, 40, 40);
  SetLayeredWindowAttributes(other, 0, 100, LWA_ALPHA);
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  SetCapture(other);
  RECT work;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  DestroyWindow(other);
}

void Busywork(HWND owner) {
  Busywork();
  TrayIcon(owner, NIM_MODIFY);
  TrayIcon(owner, NIM_DELETE);
}

LRESULT Proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  switch (msg) {
    case WM_QUERYENDSESSION: Say("WM_QUERYENDSESSION"); return TRUE;
    case WM_CLOSE:
      Say("WM_CLOSE");
      if (g_linger) {
        SetTimer(wnd, 1, 100, nullptr);
        return 0;
      }
      break;
    case WM_TIMER:
      Say("WM_TIMER");
      KillTimer(wnd, 1);
      Busywork(wnd);
      DestroyWindow(wnd);
      return 0;
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
  wc.lpfnWndProc = DefWindowProcW;
  wc.lpszClassName = u"lingerclass";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, u"varnikaclass", u"child", WS_POPUP, 40, 40, 64, 48,
                             nullptr, nullptr, nullptr, nullptr);
  Paint(wnd, 64, 48);
  ShowWindow(wnd, SW_SHOWNA);
  if (g_linger) TrayIcon(wnd, NIM_ADD);
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
  if (mode == "linger") {
    g_linger = true;
    return Run();
  }
  std::fprintf(stderr, "usage: x11_test_child open|run|linger\n");
  return 2;
}
