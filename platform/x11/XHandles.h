// One owner per X and POSIX resource the display backend holds, so that no
// path has to remember a release. Internal to platform/x11.
#pragma once

#include <unistd.h>

#include "platform/x11/XIncludes.h"
// After XIncludes.h.
#include "platform/x11/XErrors.h"

#include <memory>
#include <type_traits>
#include <utility>

namespace varnika::x11 {

// A lost display is not closed: closing talks to the server (see XErrors.h).
struct DisplayCloser {
  void operator()(Display* d) const {
    if (!DisplayLost(d)) XCloseDisplay(d);
  }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Memory that Xlib allocated (property data, visual lists).
struct XFreeDeleter {
  void operator()(void* p) const {
    if (p) XFree(p);
  }
};
template <typename T>
using XMemory = std::unique_ptr<T, XFreeDeleter>;

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(UniqueFd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& o) noexcept {
    if (this != &o) {
      Reset();
      fd_ = std::exchange(o.fd_, -1);
    }
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { Reset(); }

  int Get() const { return fd_; }
  bool Valid() const { return fd_ >= 0; }
  void Reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

// An X resource freed with a display-taking call (XFreeGC, XFreeColormap,
// XFreeCursor, XFreePixmap, XDestroyWindow); abandoned on a lost display.
template <typename Id, auto Free>
class XResource {
 public:
  XResource() = default;
  XResource(Display* display, Id id) : display_(display), id_(id) {}
  XResource(XResource&& o) noexcept : display_(o.display_), id_(std::exchange(o.id_, Id{})) {}
  XResource& operator=(XResource&& o) noexcept {
    if (this != &o) {
      Reset();
      display_ = o.display_;
      id_ = std::exchange(o.id_, Id{});
    }
    return *this;
  }
  XResource(const XResource&) = delete;
  XResource& operator=(const XResource&) = delete;
  ~XResource() { Reset(); }

  Id Get() const { return id_; }
  explicit operator bool() const { return id_ != Id{}; }
  void Reset() {
    if (id_ != Id{}) {
      if (!DisplayLost(display_)) {
        Free(display_, id_);
      } else if constexpr (std::is_pointer_v<Id>) {
        KeepAbandoned(id_);
      }
    }
    id_ = Id{};
  }

 private:
  Display* display_ = nullptr;
  Id id_{};
};

using XWindowHandle = XResource<::Window, XDestroyWindow>;
using XColormapHandle = XResource<Colormap, XFreeColormap>;
using XCursorHandle = XResource<Cursor, XFreeCursor>;
using XPixmapHandle = XResource<Pixmap, XFreePixmap>;
using XGcHandle = XResource<GC, XFreeGC>;

// An XImage whose pixel memory belongs to somebody else (the image never
// frees it).
struct BorrowedImageDeleter {
  void operator()(XImage* image) const {
    if (!image) return;
    image->data = nullptr;
    XDestroyImage(image);
  }
};
using BorrowedImage = std::unique_ptr<XImage, BorrowedImageDeleter>;

}  // namespace varnika::x11
