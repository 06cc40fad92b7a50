#include "widget/ContainerEx.h"

namespace varnika {

TContainerEx::TContainerEx(TComponent* owner) : TControlEx(owner) { SetClassNameW(u"TContainerEx"); }

}  // namespace varnika
