// A window system on the headless backend, with named test windows whose
// procedure logs every message and runs per-message handlers.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Input.h"
#include "platform/Layered.h"
#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"

namespace varnika::test {

inline constexpr const char16_t* kTestClass = u"PlatformTestWindow";
inline constexpr const char16_t* kPlainClass = u"PlatformPlainWindow";  // without CS_DBLCLKS

struct Record {
  std::string name;
  UINT msg;
  WPARAM wparam;
  LPARAM lparam;
};

class PlatformTest : public ::testing::Test {
 public:
  using Handler = std::function<LRESULT(HWND, WPARAM, LPARAM)>;

 protected:
  void SetUp() override;
  void TearDown() override;

  HWND Top(const std::string& name, RECT r, DWORD ex_style = 0, DWORD style = WS_POPUP | WS_VISIBLE,
           LPCWSTR cls = kTestClass);
  HWND Child(const std::string& name, HWND parent, RECT r, DWORD style = WS_CHILD | WS_VISIBLE,
             LPCWSTR cls = kTestClass);

  // Runs handler instead of the default processing for one message of the
  // window with that name (which may not exist yet).
  void On(const std::string& name, UINT msg, Handler handler);
  // Dispatches everything that is ready now (posted, input, due timers).
  void Pump();
  // "name WM_X" for the logged messages among those given (all when empty).
  std::vector<std::string> Log(std::vector<UINT> messages = {}) const;
  std::vector<Record> Records(UINT msg) const;
  void ClearLog() { records_.clear(); }
  std::string NameOf(HWND wnd) const;

  static LRESULT Proc(HWND wnd, UINT msg, WPARAM wparam, LPARAM lparam);

  HeadlessBackend* display = nullptr;
  int display_scale = 1;  // the display's scale, for fixtures that set it before SetUp

 private:
  std::vector<Record> records_;
  std::map<HWND, std::string> names_;
  std::map<std::pair<std::string, UINT>, Handler> handlers_;
  static PlatformTest* current_;
};

std::string MessageName(UINT msg);
inline RECT Rect(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }
inline POINT PointOf(LPARAM lparam) {
  return POINT{SignedLoWord(static_cast<std::uintptr_t>(lparam)), SignedHiWord(static_cast<std::uintptr_t>(lparam))};
}

}  // namespace varnika::test
