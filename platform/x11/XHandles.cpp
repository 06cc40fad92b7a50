#include "platform/x11/XHandles.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include "platform/x11/XErrors.h"

namespace varnika::x11 {

ShmImage::~ShmImage() { Release(); }

bool ShmImage::Create(Display* display, Visual* visual, int depth, int width, int height) {
  Release();
  display_ = display;
  image_ = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &segment_,
                           static_cast<unsigned>(width), static_cast<unsigned>(height));
  if (!image_) return false;
  size_t bytes = static_cast<size_t>(image_->bytes_per_line) * static_cast<size_t>(height);
  segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (segment_.shmid < 0) {
    Release();
    return false;
  }
  segment_.shmaddr = static_cast<char*>(shmat(segment_.shmid, nullptr, 0));
  if (segment_.shmaddr == reinterpret_cast<char*>(-1)) {
    segment_.shmaddr = nullptr;
    Release();
    return false;
  }
  image_->data = segment_.shmaddr;
  segment_.readOnly = False;
  ErrorTrap trap(display);
  XShmAttach(display, &segment_);
  attached_ = !trap.Failed();
  // Both sides hold the segment now (or the server refused it): it goes
  // away with the last detach.
  shmctl(segment_.shmid, IPC_RMID, nullptr);
  if (!attached_) {
    Release();
    return false;
  }
  return true;
}

void ShmImage::Release() {
  if (attached_) {
    if (!DisplayLost(display_)) XShmDetach(display_, &segment_);
    attached_ = false;
  }
  if (image_) {
    image_->data = nullptr;
    XDestroyImage(image_);
    image_ = nullptr;
  }
  if (segment_.shmaddr) shmdt(segment_.shmaddr);
  if (segment_.shmid >= 0) shmctl(segment_.shmid, IPC_RMID, nullptr);
  segment_ = XShmSegmentInfo{};
  segment_.shmid = -1;
}

}  // namespace varnika::x11
