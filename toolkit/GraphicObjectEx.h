// The base of the drawing objects (brush, pen, string format, font) and of
// the canvas: a change notification and copying from another object.
#pragma once

#include <functional>

namespace varnika {

class TGraphicObjectEx {
 public:
  using TNotifyEvent = std::function<void(TGraphicObjectEx* sender)>;

  TGraphicObjectEx() = default;
  virtual ~TGraphicObjectEx() = default;
  TGraphicObjectEx(const TGraphicObjectEx&) = delete;
  TGraphicObjectEx& operator=(const TGraphicObjectEx&) = delete;

  // Raises OnChange, when it is set, with this object as the sender.
  virtual void Changed() {
    if (OnChange) OnChange(this);
  }
  // Copies the settings of source when it is of the same class; the base
  // copies nothing.
  virtual void Assign(const TGraphicObjectEx& source) { (void)source; }

  TNotifyEvent OnChange;
};

}  // namespace varnika
