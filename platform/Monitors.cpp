#include "platform/Monitors.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "platform/Core.h"

namespace varnika {
namespace {

using core::Sys;

// The monitors, primary first; the whole screen when the backend knows none.
std::vector<RECT> Monitors() {
  std::vector<RECT> monitors = Sys().backend->Monitors();
  if (monitors.empty()) {
    const SIZE screen = Sys().backend->ScreenSize();
    monitors.push_back(RECT{0, 0, screen.cx, screen.cy});
  }
  return monitors;
}

RECT Intersection(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

// Sizes in 64 bits: a rectangle may span the whole 32-bit range.
std::int64_t Area(const RECT& r) {
  const std::int64_t w = std::int64_t{r.right} - r.left;
  const std::int64_t h = std::int64_t{r.bottom} - r.top;
  return w > 0 && h > 0 ? w * h : 0;
}

// How far apart two rectangles are (squared, in double: the gaps may span
// the whole 32-bit range; 0 when they touch or overlap).
double Gap(const RECT& a, const RECT& b) {
  const auto axis = [](double lo1, double hi1, double lo2, double hi2) { return std::max({0.0, lo2 - hi1, lo1 - hi2}); };
  const double dx = axis(a.left, a.right, b.left, b.right);
  const double dy = axis(a.top, a.bottom, b.top, b.bottom);
  return dx * dx + dy * dy;
}

HMONITOR Handle(std::size_t index) { return reinterpret_cast<HMONITOR>(index + 1); }

}  // namespace

HMONITOR MonitorFromRect(const RECT* rect, DWORD flags) {
  if (!core::UiReady() || !rect) return nullptr;
  const std::vector<RECT> monitors = Monitors();
  std::size_t best = 0;
  std::int64_t best_area = 0;
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const std::int64_t area = Area(Intersection(*rect, monitors[i]));
    if (area > best_area) best = i, best_area = area;
  }
  if (best_area > 0) return Handle(best);
  if (flags == MONITOR_DEFAULTTOPRIMARY) return Handle(0);
  if (flags != MONITOR_DEFAULTTONEAREST) return nullptr;
  double best_gap = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    if (const double gap = Gap(*rect, monitors[i]); gap < best_gap) best = i, best_gap = gap;
  }
  return Handle(best);
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) {
  const RECT pixel{point.x, point.y, point.x + (point.x < std::numeric_limits<LONG>::max() ? 1 : 0),
                   point.y + (point.y < std::numeric_limits<LONG>::max() ? 1 : 0)};
  return MonitorFromRect(&pixel, flags);
}

HMONITOR PrimaryMonitor() { return core::UiReady() ? Handle(0) : nullptr; }

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info) {
  if (!core::UiReady() || !info || info->cbSize < sizeof(MONITORINFO)) return FALSE;
  const std::vector<RECT> monitors = Monitors();
  const auto index = reinterpret_cast<std::uintptr_t>(monitor);
  if (index == 0 || index > monitors.size()) return FALSE;
  const RECT& rect = monitors[index - 1];
  // The desktop's work area is one rectangle over all monitors; each
  // monitor's share of it is its own work area.
  RECT work = Intersection(rect, Sys().backend->WorkArea());
  if (Area(work) == 0) work = rect;
  info->rcMonitor = rect;
  info->rcWork = work;
  info->dwFlags = index == 1 ? MONITORINFOF_PRIMARY : 0;
  return TRUE;
}

}  // namespace varnika
