// The clipping frame of the headline list: a transparent control whose only
// role is to bound its children (the list, the scroll track and its thumb).
// Children are composed into its canvas, so whatever part of the list lies
// outside it is not shown, and child windows get the mouse only where they
// are visible in it.
#pragma once

#include "toolkit/ControlEx.h"

namespace varnika {

class TContentEx;
class TScrollerEx;
class TThumbEx;

class TContainerEx : public TControlEx {
 public:
  explicit TContainerEx(TComponent* owner);

  // References the owner sets; the container reads none of them.
  TScrollerEx* Scroller() const { return scroller_; }
  void SetScroller(TScrollerEx* scroller) { scroller_ = scroller; }
  TContentEx* Content() const { return content_; }
  void SetContent(TContentEx* content) { content_ = content; }
  TThumbEx* Thumb() const { return thumb_; }
  void SetThumb(TThumbEx* thumb) { thumb_ = thumb; }

 private:
  TScrollerEx* scroller_ = nullptr;
  TContentEx* content_ = nullptr;
  TThumbEx* thumb_ = nullptr;
};

}  // namespace varnika
