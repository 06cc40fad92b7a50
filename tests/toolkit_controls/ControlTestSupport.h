// A headless window system per test, a message pump, and small scenes of
// controls with solid pictures whose pixels the tests can predict.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/MessageLoop.h"
#include "platform/Window.h"
#include "platform/WindowSystem.h"
#include "platform/headless/HeadlessBackend.h"
#include "toolkit/ControlEx.h"
#include "toolkit/WindowEx.h"

namespace varnika::testing {

class WindowSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto backend = std::make_unique<HeadlessBackend>();
    backend_ = backend.get();
    InitWindowSystem(std::move(backend));
    owner_ = std::make_unique<TComponent>(nullptr);
  }

  void TearDown() override {
    ToolTipWindow = nullptr;
    owner_.reset();
    ShutdownWindowSystem();
  }

  // Delivers everything queued: input, posted messages, due hovers.
  void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }

  template <typename T>
  T* Make(TControl* parent = nullptr) {
    auto* control = new T(owner_.get());
    if (parent) control->SetParent(parent);
    return control;
  }

  HeadlessBackend& Backend() { return *backend_; }
  TComponent* Owner() { return owner_.get(); }

 private:
  HeadlessBackend* backend_ = nullptr;
  std::unique_ptr<TComponent> owner_;
};

// Every pixel of the canvas becomes the premultiplied value.
inline void FillCanvas(TCanvasEx& canvas, std::uint32_t premultiplied) {
  TBitmapEx& bitmap = canvas.Bitmap();
  cairo_surface_flush(bitmap.Image());
  for (int y = 0; y < bitmap.Height(); ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(bitmap.Bits() + y * bitmap.Stride());
    for (int x = 0; x < bitmap.Width(); ++x) row[x] = premultiplied;
  }
  cairo_surface_mark_dirty(bitmap.Image());
}

inline std::uint32_t CanvasPixel(TCanvasEx& canvas, int x, int y) {
  cairo_surface_flush(canvas.Bitmap().Image());
  std::uint32_t value;
  std::memcpy(&value, canvas.Bitmap().Bits() + y * canvas.Bitmap().Stride() + x * 4, 4);
  return value;
}

// A layered control that paints itself with one premultiplied colour and
// counts its paints.
class SolidControl : public TControlEx {
 public:
  explicit SolidControl(TComponent* owner) : TControlEx(owner) {
    OnPaint = [this](TControl*) {
      ++paints;
      FillCanvas(Canvas(), color);
    };
  }
  std::uint32_t color = 0xFF000000;
  int paints = 0;
};

class SolidWindow : public TWindowEx {
 public:
  explicit SolidWindow(TComponent* owner) : TWindowEx(owner) {
    OnPaint = [this](TControl*) {
      ++paints;
      FillCanvas(Canvas(), color);
    };
  }
  std::uint32_t color = 0xFF000000;
  int paints = 0;
};

// The 8-bit product with rounding that the compositor uses.
inline std::uint32_t Mul255(std::uint32_t a, std::uint32_t b) {
  std::uint32_t t = a * b + 0x80;
  return ((t >> 8) + t) >> 8;
}

// src OVER dst for premultiplied pixels, src first scaled by a constant alpha.
inline std::uint32_t Over(std::uint32_t dst, std::uint32_t src, std::uint32_t alpha = 255) {
  std::uint32_t out = 0;
  std::uint32_t src_alpha = Mul255(src >> 24, alpha);
  for (int shift = 0; shift < 32; shift += 8) {
    std::uint32_t s = Mul255((src >> shift) & 0xFF, alpha);
    std::uint32_t d = (dst >> shift) & 0xFF;
    out |= std::min<std::uint32_t>(255, s + Mul255(d, 255 - src_alpha)) << shift;
  }
  return out;
}

}  // namespace varnika::testing
