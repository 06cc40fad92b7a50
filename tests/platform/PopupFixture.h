// Driving the window system's modal popups (a tracked menu, a message box)
// from a test: their loops send the owner WM_ENTERIDLE whenever they wait
// for input, and each such wait runs the next step of a script with the
// popup's window. Each step must queue something (input, a post, a due
// timer), or the popup waits for good. When the steps run out while the
// popup is still open, Escape ends it and the script counts as overrun.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tests/base/ScopedEnv.h"
#include "tests/platform/PlatformFixture.h"

namespace varnika::test {

class PopupTest : public PlatformTest {
 public:
  using Step = std::function<void(HWND popup)>;

 protected:
  void Script(const std::string& owner, std::vector<Step> steps) {
    steps_ = std::move(steps);
    next_ = 0;
    overran_ = false;
    On(owner, WM_ENTERIDLE, [this](HWND, WPARAM, LPARAM lparam) {
      auto popup = reinterpret_cast<HWND>(lparam);
      if (next_ < steps_.size()) {
        steps_[next_++](popup);
      } else {
        overran_ = true;
        display->TypeKey(VK_ESCAPE);
      }
      return LRESULT{0};
    });
  }
  bool Overran() const { return overran_; }

  void MoveTo(POINT p) { display->MovePointer(p.x, p.y); }
  static POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  // Letters as a keyboard types them: the virtual key and the character.
  void Type(char16_t c) {
    char16_t upper = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    display->TypeKey(upper < 0x80 ? upper : VK_OEM_1, std::u16string(1, c));
  }

 private:
  ScopedEnv language_{"LANGUAGE", "tr"};  // the menu resource's texts and letters
  std::vector<Step> steps_;
  size_t next_ = 0;
  bool overran_ = false;
};

}  // namespace varnika::test
