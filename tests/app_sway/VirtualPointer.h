// A pointer device for a wlroots compositor that has none (a headless one):
// a Wayland client that speaks the wire protocol itself and creates a
// virtual pointer (zwlr_virtual_pointer_manager_v1). Its motions and buttons
// go through the compositor like a real mouse's, so the compositor's own
// moves (an X window's _NET_WM_MOVERESIZE) follow it and X clients get
// their input from the compositor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace varnika::sway {

class VirtualPointer {
 public:
  // socket: the compositor's Wayland socket; width x height: the output
  // layout that absolute positions map onto.
  VirtualPointer(const std::string& socket, int width, int height);
  ~VirtualPointer();
  VirtualPointer(const VirtualPointer&) = delete;
  VirtualPointer& operator=(const VirtualPointer&) = delete;

  // Empty when the pointer exists; otherwise what went wrong.
  const std::string& Error() const { return error_; }

  void MoveTo(int x, int y);
  void Press(int button = 1);
  void Release(int button = 1);
  void Click(int button = 1);
  // Waits until the compositor has handled everything sent so far.
  bool RoundTrip();

 private:
  void Request(std::uint32_t object, std::uint16_t opcode, const std::vector<std::uint32_t>& words);
  bool ReadEvents(std::uint32_t until_callback);
  void Button(int button, bool pressed);

  int fd_ = -1;
  int width_;
  int height_;
  std::uint32_t next_id_ = 2;
  std::uint32_t pointer_ = 0;
  std::uint32_t time_ = 1;
  std::string error_;
  std::uint32_t manager_name_ = 0;  // the manager's global, from the registry
};

}  // namespace varnika::sway
