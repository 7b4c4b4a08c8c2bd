// The widget utilities: widget tables, moving, and the ready-made behaviours.
//
// They are written against the widget library's public functions only, as a plug-in's own code
// would use them; the library's messages (Reshape, PropertyChanged...) follow from those calls.
#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "HostState.h"
#include "XPWidgetUtils.h"
#include "XPWidgets.h"

using namespace bmhost::detail;

namespace {

int Clamp(long long value) {
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

void MoveBy(XPWidgetID widget, long long dx, long long dy) {
    int left = 0, top = 0, right = 0, bottom = 0;
    XPGetWidgetGeometry(widget, &left, &top, &right, &bottom);
    XPSetWidgetGeometry(widget, Clamp(left + dx), Clamp(top + dy), Clamp(right + dx), Clamp(bottom + dy));
}

// The widgets whose descendants a fixed layout is moving right now: their own fixed layouts
// leave them be, so that each descendant moves once.
std::vector<XPWidgetID> gLayingOut;

bool UnderLayout(XPWidgetID widget) {
    for (XPWidgetID w = XPGetParentWidget(widget); w; w = XPGetParentWidget(w))
        if (std::find(gLayingOut.begin(), gLayingOut.end(), w) != gLayingOut.end()) return true;
    return false;
}

void Descendants(XPWidgetID widget, std::vector<XPWidgetID>* out) {
    int count = XPCountChildWidgets(widget);
    for (int i = 0; i < count; ++i) {
        XPWidgetID child = XPGetNthChildWidget(widget, i);
        out->push_back(child);
        Descendants(child, out);
    }
}

}  // namespace

void XPUCreateWidgets(const XPWidgetCreate_t* inWidgetDefs, int inCount, XPWidgetID inParamParent,
                      XPWidgetID* ioWidgets) {
    BMHOST_ENTER();
    if (inCount <= 0) return;
    if (!inWidgetDefs || !ioWidgets) {
        HostWarning(std::string(__func__) + ": no table or no place for the widgets");
        return;
    }
    for (int i = 0; i < inCount; ++i) {
        const XPWidgetCreate_t& def = inWidgetDefs[i];
        XPWidgetID container = nullptr;
        if (def.containerIndex == PARAM_PARENT) {
            container = inParamParent;
        } else if (def.containerIndex >= 0 && def.containerIndex < i) {
            container = ioWidgets[def.containerIndex];
        } else if (def.containerIndex != NO_PARENT) {
            HostWarning(std::string(__func__) + ": widget " + std::to_string(i) + " names container " +
                        std::to_string(def.containerIndex) + ", which is not made before it; it gets no parent");
        }
        ioWidgets[i] = XPCreateWidget(def.left, def.top, def.right, def.bottom, def.visible, def.descriptor,
                                      def.isRoot, container, def.widgetClass);
    }
}

void XPUMoveWidgetBy(XPWidgetID inWidget, int inDeltaX, int inDeltaY) {
    BMHOST_ENTER();
    MoveBy(inWidget, inDeltaX, inDeltaY);
}

int XPUFixedLayout(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    BMHOST_ENTER();
    if (inMessage != xpMsg_Reshape || inParam1 != reinterpret_cast<intptr_t>(inWidget) || !inParam2) return 0;
    if (UnderLayout(inWidget)) return 0;
    const auto* change = reinterpret_cast<const XPWidgetGeometryChange_t*>(inParam2);
    int dx = change->dx, dy = change->dy;
    if (dx == 0 && dy == 0) return 0;
    std::vector<XPWidgetID> all;
    Descendants(inWidget, &all);
    struct Mark {  // stays right when a move throws
        explicit Mark(XPWidgetID w) { gLayingOut.push_back(w); }
        ~Mark() { gLayingOut.pop_back(); }
    } mark(inWidget);
    for (XPWidgetID widget : all) MoveBy(widget, dx, dy);
    return 0;  // the reshape goes on up the chain
}

int XPUSelectIfNeeded(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t, intptr_t, int inEatClick) {
    BMHOST_ENTER();
    if (inMessage != xpMsg_MouseDown || !XPFindRootWidget(inWidget) || XPIsWidgetInFront(inWidget)) return 0;
    XPBringRootWidgetToFront(inWidget);
    return inEatClick;
}

int XPUDefocusKeyboard(XPWidgetMessage inMessage, XPWidgetID, intptr_t, intptr_t, int inEatClick) {
    BMHOST_ENTER();
    if (inMessage != xpMsg_MouseDown || !XPGetWidgetWithFocus()) return 0;
    XPSetKeyboardFocus(nullptr);
    return inEatClick;
}

int XPUDragWidget(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t, int inLeft, int inTop,
                  int inRight, int inBottom) {
    BMHOST_ENTER();
    if (inMessage != xpMsg_MouseDown && inMessage != xpMsg_MouseDrag && inMessage != xpMsg_MouseUp) return 0;
    if (!inParam1) return 0;
    int x = MOUSE_X(inParam1), y = MOUSE_Y(inParam1);
    int left = 0, top = 0;
    XPGetWidgetGeometry(inWidget, &left, &top, nullptr, nullptr);
    if (inMessage == xpMsg_MouseDown) {
        if (!IN_RECT(x, y, inLeft, inTop, inRight, inBottom)) return 0;
        XPSetWidgetProperty(inWidget, xpProperty_Dragging, 1);
        XPSetWidgetProperty(inWidget, xpProperty_DragXOff, static_cast<intptr_t>(x) - left);
        XPSetWidgetProperty(inWidget, xpProperty_DragYOff, static_cast<intptr_t>(top) - y);
        return 1;
    }
    if (!XPGetWidgetProperty(inWidget, xpProperty_Dragging, nullptr)) return 0;
    // Where the widget's top left must be for the pointer to keep its place on it.
    long long newLeft = static_cast<long long>(x) - XPGetWidgetProperty(inWidget, xpProperty_DragXOff, nullptr);
    long long newTop = static_cast<long long>(y) + XPGetWidgetProperty(inWidget, xpProperty_DragYOff, nullptr);
    MoveBy(inWidget, newLeft - left, newTop - top);
    if (inMessage == xpMsg_MouseUp) XPSetWidgetProperty(inWidget, xpProperty_Dragging, 0);
    return 1;
}
