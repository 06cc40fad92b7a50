// The assignable-object base of the string lists: Assign copies the state of
// another object, and an object that does not know the source's class raises
// EConvertError "Cannot assign a %s to a %s" (source class, target class).
#pragma once

#include <string>

namespace varnika {

class TPersistent {
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;
  virtual ~TPersistent() = default;

  virtual std::u16string ClassName() const { return u"TPersistent"; }
  // A null source is named "nil" in the error.
  virtual void Assign(const TPersistent* source);

 protected:
  // Lets the source copy itself into dest; the default refuses.
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

}  // namespace varnika
