// The standard widget classes.
#include "WidgetClasses.h"

namespace bmhost::detail {

XPWidgetFunc_t StandardClassFunction(XPWidgetClass) { return nullptr; }

}  // namespace bmhost::detail
