#include "toolkit/SystemRoutines.h"

#include "platform/KernelObjects.h"
#include "platform/MessageLoop.h"
#include "toolkit/WindowEx.h"

namespace varnika {

void FadeIn(TWindowEx& window, int step, int pause_ms) {
  window.Show();
  for (;;) {
    const int next = window.Opacity() + step;
    if (next >= 255) {
      window.SetOpacity(255);
      window.Invalidate();
      return;
    }
    window.SetOpacity(static_cast<BYTE>(next));
    window.UpdateLayer();
    Sleep(static_cast<DWORD>(pause_ms));
  }
}

void FadeOut(TWindowEx& window, int step, int pause_ms) {
  while (window.Opacity() - step > 0) {
    window.SetOpacity(static_cast<BYTE>(window.Opacity() - step));
    window.UpdateLayer();
    Sleep(static_cast<DWORD>(pause_ms));
  }
  window.Hide();
}

void DrainMessages() {
  MSG msg;
  bool quit = false;
  int quit_code = 0;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit = true;
      quit_code = static_cast<int>(msg.wParam);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // A quit request taken here must still end the message loop.
  if (quit) PostQuitMessage(quit_code);
}

void TrimWorkingSet() {
  SetProcessWorkingSetSize(GetCurrentProcess(), static_cast<SIZE_T>(-1), static_cast<SIZE_T>(-1));
  DrainMessages();
}

}  // namespace varnika
