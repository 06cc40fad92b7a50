#include "platform/WindowSystem.h"

#include <algorithm>

#include "platform/Core.h"

namespace varnika {

using core::Sys;

void InitWindowSystem(std::unique_ptr<Backend> backend) {
  auto& sys = Sys();
  if (sys.running) ShutdownWindowSystem();
  sys.ui_thread = std::this_thread::get_id();
  sys.backend = std::move(backend);
  sys.backend->Attach(&sys);
  sys.scale = std::clamp(sys.backend->Scale(), 1, kMaxDisplayScale);
  {
    std::lock_guard lock(sys.post_mutex);
    sys.running = true;
    sys.sleeping = false;
  }
  core::ResetInput();
  core::CreateDesktopWindow();
  core::RegisterBuiltinClasses();
}

void ShutdownWindowSystem() {
  auto& sys = Sys();
  if (!sys.running || !core::OnUiThread()) return;
  core::DestroyAllWindows();
  core::ClearTray();
  core::ClearMenus();
  core::ClearQueues();
  core::ClearClasses();
  core::ResetInput();
  {
    std::lock_guard lock(sys.post_mutex);
    sys.running = false;
    sys.sleeping = false;
  }
  sys.backend->Attach(nullptr);
  sys.backend.reset();
}

bool WindowSystemRunning() { return Sys().running; }

Backend* CurrentBackend() { return Sys().running ? Sys().backend.get() : nullptr; }

int DisplayScale() { return Sys().running ? Sys().scale : 1; }

namespace core {

WindowSystem& Sys() {
  static WindowSystem* system = new WindowSystem;
  return *system;
}

bool OnUiThread() { return std::this_thread::get_id() == Sys().ui_thread; }

void WindowSystem::Deliver(RawEvent event) {
  if (event.time == 0) event.time = backend->TickCount();
  raw.push_back(std::move(event));
}

}  // namespace core
}  // namespace varnika
