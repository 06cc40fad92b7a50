#include "tests/platform/PlatformFixture.h"

namespace varnika::test {

PlatformTest* PlatformTest::current_ = nullptr;

std::string MessageName(UINT msg) {
  static const std::map<UINT, std::string> names = {
      {WM_CREATE, "WM_CREATE"},
      {WM_DESTROY, "WM_DESTROY"},
      {WM_MOVE, "WM_MOVE"},
      {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"},
      {WM_SETFOCUS, "WM_SETFOCUS"},
      {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"},
      {WM_SETTEXT, "WM_SETTEXT"},
      {WM_PAINT, "WM_PAINT"},
      {WM_CLOSE, "WM_CLOSE"},
      {WM_QUERYENDSESSION, "WM_QUERYENDSESSION"},
      {WM_ERASEBKGND, "WM_ERASEBKGND"},
      {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_SETCURSOR, "WM_SETCURSOR"},
      {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
      {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
      {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
      {WM_CONTEXTMENU, "WM_CONTEXTMENU"},
      {WM_STYLECHANGING, "WM_STYLECHANGING"},
      {WM_STYLECHANGED, "WM_STYLECHANGED"},
      {WM_NCCREATE, "WM_NCCREATE"},
      {WM_NCDESTROY, "WM_NCDESTROY"},
      {WM_NCHITTEST, "WM_NCHITTEST"},
      {WM_NCMOUSEMOVE, "WM_NCMOUSEMOVE"},
      {WM_NCLBUTTONDOWN, "WM_NCLBUTTONDOWN"},
      {WM_KEYDOWN, "WM_KEYDOWN"},
      {WM_KEYUP, "WM_KEYUP"},
      {WM_CHAR, "WM_CHAR"},
      {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
      {WM_SYSKEYUP, "WM_SYSKEYUP"},
      {WM_SYSCHAR, "WM_SYSCHAR"},
      {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
      {WM_TIMER, "WM_TIMER"},
      {WM_MOUSEMOVE, "WM_MOUSEMOVE"},
      {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
      {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
      {WM_RBUTTONDOWN, "WM_RBUTTONDOWN"},
      {WM_RBUTTONUP, "WM_RBUTTONUP"},
      {WM_MOUSEWHEEL, "WM_MOUSEWHEEL"},
      {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
      {WM_MOVING, "WM_MOVING"},
      {WM_ENTERSIZEMOVE, "WM_ENTERSIZEMOVE"},
      {WM_EXITSIZEMOVE, "WM_EXITSIZEMOVE"},
      {WM_MOUSEHOVER, "WM_MOUSEHOVER"},
      {WM_MOUSELEAVE, "WM_MOUSELEAVE"},
  };
  auto it = names.find(msg);
  return it != names.end() ? it->second : "0x" + std::to_string(msg);
}

void PlatformTest::SetUp() {
  auto backend = std::make_unique<HeadlessBackend>(display_scale);
  display = backend.get();
  InitWindowSystem(std::move(backend));
  current_ = this;
  WNDCLASSW wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = Proc;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kTestClass;
  ASSERT_NE(RegisterClassW(&wc), 0);
  wc.style = 0;
  wc.lpszClassName = kPlainClass;
  ASSERT_NE(RegisterClassW(&wc), 0);
}

void PlatformTest::TearDown() {
  ShutdownWindowSystem();
  current_ = nullptr;
}

HWND PlatformTest::Top(const std::string& name, RECT r, DWORD ex_style, DWORD style, LPCWSTR cls) {
  return CreateWindowExW(ex_style, cls, u"", style, r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr,
                         nullptr, nullptr, const_cast<std::string*>(&name));
}

HWND PlatformTest::Child(const std::string& name, HWND parent, RECT r, DWORD style, LPCWSTR cls) {
  HWND h = CreateWindowExW(0, cls, u"", style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent, nullptr,
                           nullptr, const_cast<std::string*>(&name));
  if (h && cls != kTestClass && cls != kPlainClass) names_[h] = name;
  return h;
}

void PlatformTest::On(const std::string& name, UINT msg, Handler handler) {
  handlers_[{name, msg}] = std::move(handler);
}

void PlatformTest::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

std::vector<std::string> PlatformTest::Log(std::vector<UINT> messages) const {
  std::vector<std::string> out;
  for (const Record& r : records_) {
    if (messages.empty() || std::find(messages.begin(), messages.end(), r.msg) != messages.end()) {
      out.push_back(r.name + " " + MessageName(r.msg));
    }
  }
  return out;
}

std::vector<Record> PlatformTest::Records(UINT msg) const {
  std::vector<Record> out;
  for (const Record& r : records_) {
    if (r.msg == msg) out.push_back(r);
  }
  return out;
}

std::string PlatformTest::NameOf(HWND wnd) const {
  auto it = names_.find(wnd);
  return it == names_.end() ? "?" : it->second;
}

LRESULT PlatformTest::Proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam) {
  PlatformTest* t = current_;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lparam);
    if (cs->lpCreateParams) t->names_[wnd] = *static_cast<std::string*>(cs->lpCreateParams);
  }
  std::string name = t->NameOf(wnd);
  t->records_.push_back(Record{name, msg, wparam, lparam});
  auto it = t->handlers_.find({name, msg});
  if (it != t->handlers_.end()) {
    Handler handler = it->second;  // the handler may replace itself
    return handler(wnd, wparam, lparam);
  }
  return DefWindowProcW(wnd, msg, wparam, lparam);
}

}  // namespace varnika::test
