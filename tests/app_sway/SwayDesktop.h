// A headless sway with XWayland for the tests of one test process, started
// at first use and shared by its tests: its own folders, session bus and
// configuration, run as an unprivileged user when the tests run as root
// (sway refuses root), a virtual pointer for input through the compositor,
// an X connection for looking at windows from X's side, and swaymsg and
// grim for the compositor's side. No Xlib types here.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/app_sway/VirtualPointer.h"
#include "tests/platform_x11/TestProcess.h"

namespace varnika::sway {

inline constexpr int kScreenWidth = 1280;
inline constexpr int kScreenHeight = 1024;

struct Box {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Box&, const Box&) = default;
};
std::string ToString(const Box& box);

class SwayDesktop {
 public:
  // Started on the first call; Up() tells whether that worked.
  static SwayDesktop& Get();
  ~SwayDesktop();

  bool Up() const { return why_not_.empty(); }
  // Why the desktop is not there (sway missing, refused to start ...).
  const std::string& WhyNot() const { return why_not_; }

  const std::string& XDisplayName() const { return x_display_; }
  const std::string& BusAddress() const { return bus_address_; }
  VirtualPointer& Pointer() { return *pointer_; }

  // A sway command (as `swaymsg CMD`); false when sway refused it.
  bool Command(const std::string& command);
  // The place and size sway gives the container of an X window; false when
  // sway does not know it.
  bool ContainerBox(unsigned long xid, Box* box);
  // A method call on the session bus (dbus-send's arguments after
  // --print-reply); its reply as dbus-send prints it, "" when it failed.
  std::string BusCall(const std::vector<std::string>& args);
  // The whole output as a PNG file.
  bool Screenshot(const std::string& path);

  // --- X's side ---
  // Top-level X windows whose WM_CLASS class is wm_class.
  std::vector<unsigned long> Clients(const char* wm_class);
  bool XBox(unsigned long window, Box* box);
  // A plain X window of the test's own that records button presses.
  unsigned long CreateProbe();
  void DestroyWindow(unsigned long window);
  // Root positions of the presses the probe got since the last call.
  std::vector<std::pair<int, int>> ProbePresses(unsigned long probe);
  // ConfigureNotify events of a window since the last call (it is watched
  // from the first call on).
  int ConfigureNotifies(unsigned long window);

 private:
  SwayDesktop();
  void Start();
  bool AllowXClients();
  void PumpX();

  std::string why_not_;
  std::filesystem::path root_;
  std::string x_display_;
  std::string bus_address_;
  std::string wayland_socket_;
  std::string sway_socket_;
  xtest::Process bus_;
  xtest::Process sway_;
  std::unique_ptr<VirtualPointer> pointer_;
  void* x_ = nullptr;
  std::vector<unsigned long> watched_;
  std::vector<std::pair<unsigned long, std::pair<int, int>>> presses_;
  std::vector<unsigned long> configured_;  // a window per ConfigureNotify
};

}  // namespace varnika::sway
