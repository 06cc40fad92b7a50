// One headline of the list, and the list that owns the headlines.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/Exceptions.h"
#include "base/Geometry.h"

namespace varnika {

class TElement {
 public:
  std::u16string Title;    // wrapped; line breaks are CR LF
  std::u16string Summary;  // wrapped
  std::string Reserved;    // spare; nothing fills or reads it
  std::string Link;        // UTF-8, as found in the feed
  std::string Date;        // UTF-8, as found in the feed; stored only
  TRect Bounds;            // the clickable title box, in list coordinates
};

class EListError : public Exception {
 public:
  using Exception::Exception;
};

// The headlines in feed order. The list owns its elements: clearing it or
// destroying it frees them.
class TElementList {
 public:
  TElementList() = default;
  TElementList(const TElementList&) = delete;
  TElementList& operator=(const TElementList&) = delete;

  // Takes the element and returns its index.
  int Add(std::unique_ptr<TElement> element);
  // Raises EListError "List index out of bounds (%d)" outside 0 .. Count - 1.
  TElement& Items(int index);
  const TElement& Items(int index) const;
  TElement& operator[](int index) { return Items(index); }
  const TElement& operator[](int index) const { return Items(index); }
  int Count() const { return static_cast<int>(elements_.size()); }
  void Clear() { elements_.clear(); }

 private:
  std::vector<std::unique_ptr<TElement>> elements_;
};

}  // namespace varnika
