#include "tests/app_sway/VirtualPointer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace varnika::sway {

namespace {

constexpr std::uint32_t kDisplay = 1;
constexpr std::uint32_t kRegistry = 2;
// wl_display requests and events.
constexpr std::uint16_t kSync = 0;
constexpr std::uint16_t kGetRegistry = 1;
constexpr std::uint16_t kDisplayError = 0;
// wl_registry
constexpr std::uint16_t kBind = 0;
constexpr std::uint16_t kGlobal = 0;
// zwlr_virtual_pointer_manager_v1 and zwlr_virtual_pointer_v1
constexpr const char* kManagerInterface = "zwlr_virtual_pointer_manager_v1";
constexpr std::uint16_t kCreatePointer = 0;
constexpr std::uint16_t kMotionAbsolute = 1;
constexpr std::uint16_t kButton = 2;
constexpr std::uint16_t kFrame = 4;
constexpr std::uint16_t kDestroyPointer = 8;

void AppendString(std::vector<std::uint32_t>& words, const std::string& s) {
  const std::size_t length = s.size() + 1;  // with its NUL
  words.push_back(static_cast<std::uint32_t>(length));
  std::vector<std::uint32_t> chars((length + 3) / 4, 0);
  std::memcpy(chars.data(), s.c_str(), length);
  words.insert(words.end(), chars.begin(), chars.end());
}

std::string StringAt(const std::vector<std::uint32_t>& words, std::size_t* at) {
  if (*at >= words.size()) return {};
  const std::uint32_t length = words[(*at)++];
  const std::size_t count = (length + 3) / 4;
  if (length == 0 || *at + count > words.size()) return {};
  std::string s(reinterpret_cast<const char*>(&words[*at]), length - 1);
  *at += count;
  return s;
}

bool ReadFully(int fd, void* data, std::size_t size, int timeout_ms) {
  auto* bytes = static_cast<char*>(data);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (size > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd p{fd, POLLIN, 0};
    if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
    const ssize_t n = read(fd, bytes, size);
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

std::uint32_t EvdevButton(int x_button) {
  switch (x_button) {
    case 2:
      return 0x112;  // BTN_MIDDLE
    case 3:
      return 0x111;  // BTN_RIGHT
    default:
      return 0x110;  // BTN_LEFT
  }
}

}  // namespace

VirtualPointer::VirtualPointer(const std::string& socket, int width, int height) : width_(width), height_(height) {
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (fd_ < 0 || socket.size() >= sizeof address.sun_path) {
    error_ = "no socket for " + socket;
    return;
  }
  std::memcpy(address.sun_path, socket.c_str(), socket.size() + 1);
  if (connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error_ = "cannot connect to " + socket + ": " + std::strerror(errno);
    return;
  }
  next_id_ = kRegistry + 1;
  Request(kDisplay, kGetRegistry, {kRegistry});
  if (!RoundTrip()) return;
  if (manager_name_ == 0) {
    error_ = std::string("the compositor offers no ") + kManagerInterface;
    return;
  }
  const std::uint32_t manager = next_id_++;
  std::vector<std::uint32_t> bind{manager_name_};
  AppendString(bind, kManagerInterface);
  bind.push_back(1);
  bind.push_back(manager);
  Request(kRegistry, kBind, bind);
  pointer_ = next_id_++;
  Request(manager, kCreatePointer, {0, pointer_});  // on the default seat
  RoundTrip();
}

VirtualPointer::~VirtualPointer() {
  if (pointer_ && error_.empty()) Request(pointer_, kDestroyPointer, {});
  if (fd_ >= 0) close(fd_);
}

void VirtualPointer::Request(std::uint32_t object, std::uint16_t opcode, const std::vector<std::uint32_t>& words) {
  if (fd_ < 0) return;
  std::vector<std::uint32_t> message{object, static_cast<std::uint32_t>(((8 + words.size() * 4) << 16) | opcode)};
  message.insert(message.end(), words.begin(), words.end());
  const std::size_t size = message.size() * 4;
  if (write(fd_, message.data(), size) != static_cast<ssize_t>(size) && error_.empty()) error_ = "write failed";
}

bool VirtualPointer::RoundTrip() {
  if (fd_ < 0 || !error_.empty()) return false;
  const std::uint32_t callback = next_id_++;
  Request(kDisplay, kSync, {callback});
  return ReadEvents(callback);
}

bool VirtualPointer::ReadEvents(std::uint32_t until_callback) {
  for (;;) {
    std::uint32_t header[2];
    if (!ReadFully(fd_, header, sizeof header, 5000)) {
      if (error_.empty()) error_ = "the compositor did not answer";
      return false;
    }
    const std::uint32_t size = header[1] >> 16;
    const std::uint16_t opcode = header[1] & 0xFFFF;
    if (size < 8 || size % 4 != 0) {
      error_ = "malformed event";
      return false;
    }
    std::vector<std::uint32_t> args((size - 8) / 4);
    if (!args.empty() && !ReadFully(fd_, args.data(), size - 8, 5000)) {
      error_ = "short event";
      return false;
    }
    if (header[0] == until_callback) return true;  // wl_callback.done
    std::size_t at = 0;
    if (header[0] == kDisplay && opcode == kDisplayError && args.size() >= 2) {
      at = 2;
      error_ = "protocol error: " + StringAt(args, &at);
      return false;
    }
    if (header[0] == kRegistry && opcode == kGlobal && !args.empty()) {
      at = 1;
      const std::string interface = StringAt(args, &at);
      if (interface == kManagerInterface) manager_name_ = args[0];
    }
  }
}

void VirtualPointer::MoveTo(int x, int y) {
  if (!pointer_) return;
  Request(pointer_, kMotionAbsolute,
          {time_++, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), static_cast<std::uint32_t>(width_),
           static_cast<std::uint32_t>(height_)});
  Request(pointer_, kFrame, {});
  RoundTrip();
}

void VirtualPointer::Button(int button, bool pressed) {
  if (!pointer_) return;
  Request(pointer_, kButton, {time_++, EvdevButton(button), pressed ? 1u : 0u});
  Request(pointer_, kFrame, {});
  RoundTrip();
}

void VirtualPointer::Press(int button) { Button(button, true); }
void VirtualPointer::Release(int button) { Button(button, false); }

void VirtualPointer::Click(int button) {
  Press(button);
  Release(button);
}

}  // namespace varnika::sway
