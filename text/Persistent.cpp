#include "text/Persistent.h"

#include "base/Exceptions.h"
#include "base/Format.h"

namespace varnika {

void TPersistent::Assign(const TPersistent* source) {
  if (source == nullptr) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  const std::u16string source_name = source ? source->ClassName() : u"nil";
  throw EConvertError(Format(u"Cannot assign a %s to a %s", source_name, ClassName()));
}

}  // namespace varnika
