#ifndef BMHOST_STANDARDWIDGETSUPPORT_H
#define BMHOST_STANDARDWIDGETSUPPORT_H
// What the standard widget classes share. The classes use only the SDK's public functions, as a
// plug-in's own widget would, and keep everything they remember in widget properties.

#include <cstdint>
#include <string>

#include "XPWidgetDefs.h"

namespace bmhost::detail {

// The class functions of the text field (TextField.cpp) and the scroll bar (ScrollBar.cpp).
int TextFieldClass(XPWidgetMessage message, XPWidgetID widget, intptr_t param1, intptr_t param2);
int ScrollBarClass(XPWidgetMessage message, XPWidgetID widget, intptr_t param1, intptr_t param2);

namespace widgets {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

Rect Geometry(XPWidgetID widget);
Rect ExposedGeometry(XPWidgetID widget);

// A property's value, or `fallback` when the widget never had it set.
intptr_t Property(XPWidgetID widget, XPWidgetPropertyID property, intptr_t fallback = 0);
// Sets a property unless it already holds the value, sparing the widget a PropertyChanged.
void Update(XPWidgetID widget, XPWidgetPropertyID property, intptr_t value);
// Widgets take the mouse and keys unless xpProperty_Enabled is set to 0.
bool Enabled(XPWidgetID widget);

std::string Descriptor(XPWidgetID widget);

// Text colours: on the light faces of windows and buttons, on dark screens, and lit.
extern const float kDarkText[3];
extern const float kLightText[3];
extern const float kLitText[3];
void DrawText(const float colour[3], int x, int y, const std::string& text, int font);
// A number brought into the int range, for coordinates and values that come pointer-wide or
// from sums that may pass the ends of it.
int Sat(long long value);
// The baseline that centres a line of characters `height` pixels high between top and bottom.
int Baseline(int top, int bottom, int height);

// Sends a notification that travels up from the widget until a widget function handles it.
void Notify(XPWidgetID widget, XPWidgetMessage message, intptr_t param2 = 0);

}  // namespace widgets
}  // namespace bmhost::detail

#endif
