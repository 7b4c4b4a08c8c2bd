#ifndef BMHOST_WIDGETCLASSES_H
#define BMHOST_WIDGETCLASSES_H
// Between the widget library (Widgets.cpp) and its standard classes (StandardWidgets.cpp).

#include "XPWidgetDefs.h"

namespace bmhost::detail {

// The widget function of a standard class (xpWidgetClass_MainWindow ... xpWidgetClass_Progress),
// or null for a class the library does not know.
XPWidgetFunc_t StandardClassFunction(XPWidgetClass widgetClass);

}  // namespace bmhost::detail

#endif
