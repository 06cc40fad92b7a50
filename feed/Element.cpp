#include "feed/Element.h"

#include "base/Format.h"

namespace varnika {

int TElementList::Add(std::unique_ptr<TElement> element) {
  elements_.push_back(std::move(element));
  return Count() - 1;
}

TElement& TElementList::Items(int index) {
  if (index < 0 || index >= Count()) throw EListError(Format(u"List index out of bounds (%d)", index));
  return *elements_[static_cast<std::size_t>(index)];
}

const TElement& TElementList::Items(int index) const { return const_cast<TElementList*>(this)->Items(index); }

}  // namespace varnika
