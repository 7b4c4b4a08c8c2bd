// The standard widget classes: main and sub windows, buttons, captions, general graphics and
// progress bars here; text fields (TextField.cpp) and scroll bars (ScrollBar.cpp) apart.
//
// Each class is a widget function like any a plug-in writes: it draws itself on xpMsg_Draw with
// the UI graphics and XPLMDrawString, handles the mouse and keys, and tells of what the user did
// by a message sent to itself that travels up the hierarchy (p1 = the widget). Properties that
// code sets never produce those messages. A widget whose xpProperty_Enabled is 0 takes clicks
// without acting on them.
#include <algorithm>
#include <climits>
#include <vector>

#include "StandardWidgetSupport.h"
#include "WidgetClasses.h"
#include "XPLMGraphics.h"
#include "XPStandardWidgets.h"
#include "XPUIGraphics.h"
#include "XPWidgetUtils.h"
#include "XPWidgets.h"

namespace bmhost::detail {
namespace widgets {

Rect Geometry(XPWidgetID widget) {
    Rect r;
    XPGetWidgetGeometry(widget, &r.left, &r.top, &r.right, &r.bottom);
    return r;
}

Rect ExposedGeometry(XPWidgetID widget) {
    Rect r;
    XPGetWidgetExposedGeometry(widget, &r.left, &r.top, &r.right, &r.bottom);
    return r;
}

intptr_t Property(XPWidgetID widget, XPWidgetPropertyID property, intptr_t fallback) {
    int exists = 0;
    intptr_t value = XPGetWidgetProperty(widget, property, &exists);
    return exists ? value : fallback;
}

void Update(XPWidgetID widget, XPWidgetPropertyID property, intptr_t value) {
    int exists = 0;
    intptr_t old = XPGetWidgetProperty(widget, property, &exists);
    if (!exists || old != value) XPSetWidgetProperty(widget, property, value);
}

bool Enabled(XPWidgetID widget) { return Property(widget, xpProperty_Enabled, 1) != 0; }

std::string Descriptor(XPWidgetID widget) {
    int length = XPGetWidgetDescriptor(widget, nullptr, 0);
    if (length <= 0) return std::string();
    std::vector<char> text(std::size_t(length) + 1, '\0');
    XPGetWidgetDescriptor(widget, text.data(), length + 1);
    return std::string(text.data(), std::size_t(length));
}

const float kDarkText[3] = {0.05f, 0.05f, 0.08f};
const float kLightText[3] = {0.95f, 0.95f, 0.95f};
const float kLitText[3] = {1.0f, 0.85f, 0.35f};

void DrawText(const float colour[3], int x, int y, const std::string& text, int font) {
    if (text.empty()) return;
    std::vector<char> chars(text.begin(), text.end());
    chars.push_back('\0');
    float rgb[3] = {colour[0], colour[1], colour[2]};
    XPLMDrawString(rgb, x, y, chars.data(), nullptr, font);
}

int Baseline(int top, int bottom, int height) { return Sat((static_cast<long long>(top) + bottom - height) / 2 + 2); }

int Sat(long long value) { return int(std::clamp<long long>(value, INT_MIN, INT_MAX)); }

void Notify(XPWidgetID widget, XPWidgetMessage message, intptr_t param2) {
    XPSendMessageToWidget(widget, message, xpMode_UpChain, reinterpret_cast<intptr_t>(widget), param2);
}

}  // namespace widgets

namespace {

using namespace widgets;

int FontHeight(int font) {
    int height = 0;
    XPLMGetFontDimensions(font, nullptr, &height, nullptr);
    return height;
}

// ---- Main window ----

// Which close box the mouse went down in (0: none; 1 left, 2 right), and whether it is over it now.
constexpr XPWidgetPropertyID kCloseBoxHeld = 1180;
constexpr XPWidgetPropertyID kCloseBoxPressed = 1181;
// The window is dragged by its title bar, this high.
constexpr int kTitleBarHeight = 20;
constexpr int kCloseBoxMargin = 3;

int TitleBarBottom(const Rect& window) { return Sat(static_cast<long long>(window.top) - kTitleBarHeight); }

// The close boxes sit in the top corners of the title bar.
Rect CloseBox(const Rect& window, int which) {
    int width = 0, height = 0;
    XPGetElementDefaultDimensions(xpElement_WindowCloseBox, &width, &height, nullptr);
    Rect box;
    box.top = Sat(static_cast<long long>(window.top) - kCloseBoxMargin);
    box.bottom = Sat(static_cast<long long>(box.top) - height);
    box.left = Sat(which == 1 ? static_cast<long long>(window.left) + kCloseBoxMargin
                              : static_cast<long long>(window.right) - kCloseBoxMargin - width);
    box.right = Sat(static_cast<long long>(box.left) + width);
    return box;
}

int CloseBoxAt(XPWidgetID widget, int x, int y) {
    if (!Property(widget, xpProperty_MainWindowHasCloseBoxes)) return 0;
    Rect window = Geometry(widget);
    for (int which = 1; which <= 2; ++which)
        if (CloseBox(window, which).Contains(x, y)) return which;
    return 0;
}

void DrawMainWindow(XPWidgetID widget) {
    Rect r = Geometry(widget);
    bool translucent = Property(widget, xpProperty_MainWindowType) == xpMainWindowStyle_Translucent;
    if (translucent) XPLMDrawTranslucentDarkBox(r.left, r.top, r.right, r.bottom);
    else XPDrawWindow(r.left, r.bottom, r.right, r.top, xpWindow_MainWindow);
    bool closeBoxes = Property(widget, xpProperty_MainWindowHasCloseBoxes) != 0;
    int held = int(Property(widget, kCloseBoxHeld)), pressed = int(Property(widget, kCloseBoxPressed));
    if (closeBoxes)
        for (int which = 1; which <= 2; ++which) {
            Rect box = CloseBox(r, which);
            bool down = held == which && pressed;
            XPDrawElement(box.left, box.bottom, box.right, box.top,
                          down ? xpElement_WindowCloseBoxPressed : xpElement_WindowCloseBox, 0);
        }
    int textLeft = Sat(closeBoxes ? static_cast<long long>(CloseBox(r, 1).right) + 5 : static_cast<long long>(r.left) + 6);
    DrawText(kLightText, textLeft, Baseline(r.top, TitleBarBottom(r), FontHeight(xplmFont_Basic)), Descriptor(widget),
             xplmFont_Basic);
}

int MainWindowClass(XPWidgetMessage message, XPWidgetID widget, intptr_t param1, intptr_t param2) {
    switch (message) {
        case xpMsg_Draw:
            DrawMainWindow(widget);
            return 1;
        case xpMsg_Reshape:
            XPUFixedLayout(message, widget, param1, param2);
            return 0;  // the reshape travels on up
        case xpMsg_MouseDown: {
            if (!param1) return 0;
            if (XPUSelectIfNeeded(message, widget, param1, param2, 0)) return 1;
            auto* mouse = reinterpret_cast<XPMouseState_t*>(param1);
            if (int which = CloseBoxAt(widget, mouse->x, mouse->y)) {
                XPSetWidgetProperty(widget, kCloseBoxHeld, which);
                XPSetWidgetProperty(widget, kCloseBoxPressed, 1);
                return 1;
            }
            Rect r = Geometry(widget);
            XPUDragWidget(message, widget, param1, param2, r.left, r.top, r.right, TitleBarBottom(r));
            return 1;  // every click on the window is its own
        }
        case xpMsg_MouseDrag:
        case xpMsg_MouseUp: {
            if (!param1) return 0;
            int held = int(Property(widget, kCloseBoxHeld));
            if (!held) {
                Rect r = Geometry(widget);
                XPUDragWidget(message, widget, param1, param2, r.left, r.top, r.right, TitleBarBottom(r));
                return 1;
            }
            auto* mouse = reinterpret_cast<XPMouseState_t*>(param1);
            bool over = CloseBoxAt(widget, mouse->x, mouse->y) == held;
            if (message == xpMsg_MouseDrag) {
                Update(widget, kCloseBoxPressed, over ? 1 : 0);
                return 1;
            }
            Update(widget, kCloseBoxHeld, 0);
            Update(widget, kCloseBoxPressed, 0);
            // The window stays: closing it is for whoever handles the message.
            if (over) Notify(widget, xpMessage_CloseButtonPushed);
            return 1;
        }
        default:
            return 0;
    }
}

// ---- Sub window ----

int SubWindowClass(XPWidgetMessage message, XPWidgetID widget, intptr_t param1, intptr_t param2) {
    switch (message) {
        case xpMsg_Draw: {
            Rect r = Geometry(widget);
            XPWindowStyle style = xpWindow_SubWindow;
            switch (Property(widget, xpProperty_SubWindowType)) {
                case xpSubWindowStyle_Screen: style = xpWindow_Screen; break;
                case xpSubWindowStyle_ListView: style = xpWindow_ListView; break;
                default: break;
            }
            XPDrawWindow(r.left, r.bottom, r.right, r.top, style);
            return 1;
        }
        case xpMsg_Reshape:
            XPUFixedLayout(message, widget, param1, param2);
            return 0;
        default:
            return 0;  // clicks fall through to the window
    }
}

// ---- Button ----

// Set while the mouse that went down on a push button is held.
constexpr XPWidgetPropertyID kPushTracking = 1380;

void DrawButton(XPWidgetID widget) {
    Rect r = Geometry(widget);
    intptr_t behaviour = Property(widget, xpProperty_ButtonBehavior, xpButtonBehaviorPushButton);
    bool lit = Property(widget, xpProperty_Hilited) != 0 ||
               (behaviour != xpButtonBehaviorPushButton && Property(widget, xpProperty_ButtonState) != 0);
    std::string label = Descriptor(widget);
    int charWidth = 0, charHeight = 0;
    XPLMGetFontDimensions(xplmFont_Basic, &charWidth, &charHeight, nullptr);
    switch (Property(widget, xpProperty_ButtonType, xpPushButton)) {
        case xpRadioButton: {  // a check box with its label on the right
            int width = 0, height = 0;
            XPGetElementDefaultDimensions(xpElement_CheckBox, &width, &height, nullptr);
            int bottom = Sat((static_cast<long long>(r.top) + r.bottom - height) / 2);
            int right = Sat(static_cast<long long>(r.left) + width);
            XPDrawElement(r.left, bottom, right, Sat(static_cast<long long>(bottom) + height), xpElement_CheckBox, lit);
            DrawText(kDarkText, Sat(static_cast<long long>(right) + 4), Baseline(r.top, r.bottom, charHeight), label,
                     xplmFont_Basic);
            break;
        }
        case xpWindowCloseBox:
            XPDrawElement(r.left, r.bottom, r.right, r.top,
                          Property(widget, xpProperty_Hilited) ? xpElement_WindowCloseBoxPressed
                                                               : xpElement_WindowCloseBox,
                          0);
            break;
        case xpLittleDownArrow:
            XPDrawElement(r.left, r.bottom, r.right, r.top, xpElement_LittleDownArrow, lit);
            break;
        case xpLittleUpArrow:
            XPDrawElement(r.left, r.bottom, r.right, r.top, xpElement_LittleUpArrow, lit);
            break;
        default: {  // a push button, its label in the middle
            XPDrawElement(r.left, r.bottom, r.right, r.top, xpElement_PushButton, lit);
            long long textWidth = static_cast<long long>(label.size()) * charWidth;
            int x = Sat((static_cast<long long>(r.left) + r.right - textWidth) / 2);
            DrawText(kDarkText, x, Baseline(r.top, r.bottom, charHeight), label, xplmFont_Basic);
            break;
        }
    }
}

int ButtonMouse(XPWidgetMessage message, XPWidgetID widget, const XPMouseState_t& mouse) {
    bool over = ExposedGeometry(widget).Contains(mouse.x, mouse.y);
    if (message == xpMsg_MouseDown) {
        if (!over) return 0;
        if (!Enabled(widget)) return 1;
        switch (Property(widget, xpProperty_ButtonBehavior, xpButtonBehaviorPushButton)) {
            case xpButtonBehaviorCheckBox: {
                intptr_t state = Property(widget, xpProperty_ButtonState) ? 0 : 1;
                XPSetWidgetProperty(widget, xpProperty_ButtonState, state);
                Notify(widget, xpMsg_ButtonStateChanged, state);
                return 1;
            }
            case xpButtonBehaviorRadioButton:
                if (Property(widget, xpProperty_ButtonState) != 1) {
                    XPSetWidgetProperty(widget, xpProperty_ButtonState, 1);
                    Notify(widget, xpMsg_ButtonStateChanged, 1);
                }
                return 1;
            default:
                XPSetWidgetProperty(widget, kPushTracking, 1);
                Update(widget, xpProperty_Hilited, 1);
                return 1;
        }
    }
    if (!Property(widget, kPushTracking)) return 1;
    if (message == xpMsg_MouseDrag) {
        Update(widget, xpProperty_Hilited, over ? 1 : 0);
        return 1;
    }
    Update(widget, kPushTracking, 0);
    Update(widget, xpProperty_Hilited, 0);
    if (over) Notify(widget, xpMsg_PushButtonPressed);
    return 1;
}

int ButtonClass(XPWidgetMessage message, XPWidgetID widget, intptr_t param1, intptr_t) {
    switch (message) {
        case xpMsg_Draw:
            DrawButton(widget);
            return 1;
        case xpMsg_MouseDown:
        case xpMsg_MouseDrag:
        case xpMsg_MouseUp:
            if (!param1) return 0;
            return ButtonMouse(message, widget, *reinterpret_cast<XPMouseState_t*>(param1));
        default:
            return 0;
    }
}

// ---- Caption, general graphics, progress ----

int CaptionClass(XPWidgetMessage message, XPWidgetID widget, intptr_t, intptr_t) {
    if (message != xpMsg_Draw) return 0;  // the mouse passes through to what lies below
    Rect r = Geometry(widget);
    bool lit = Property(widget, xpProperty_CaptionLit) != 0;
    DrawText(lit ? kLitText : kDarkText, r.left, Baseline(r.top, r.bottom, FontHeight(xplmFont_Basic)),
             Descriptor(widget), xplmFont_Basic);
    return 1;
}

// The element that shows each xpProperty_GeneralGraphicsType.
XPElementStyle GraphicsElement(intptr_t type) {
    switch (type) {
        case xpShip: return xpElement_Ship;
        case xpILSGlideScope: return xpElement_ILSGlideScope;
        case xpMarkerLeft: return xpElement_MarkerLeft;
        case xp_Airport: return xpElement_Airport;
        case xpNDB: return xpElement_NDB;
        case xpVOR: return xpElement_VOR;
        case xpRadioTower: return xpElement_RadioTower;
        case xpAircraftCarrier: return xpElement_AircraftCarrier;
        case xpFire: return xpElement_Fire;
        case xpMarkerRight: return xpElement_MarkerRight;
        case xpCustomObject: return xpElement_CustomObject;
        case xpCoolingTower: return xpElement_CoolingTower;
        case xpSmokeStack: return xpElement_SmokeStack;
        case xpBuilding: return xpElement_Building;
        case xpPowerLine: return xpElement_PowerLine;
        case xpVORWithCompassRose: return xpElement_VORWithCompassRose;
        case xpOilPlatform: return xpElement_OilPlatform;
        case xpOilPlatformSmall: return xpElement_OilPlatformSmall;
        case xpWayPoint: return xpElement_Waypoint;
        default: return 0;
    }
}

int GeneralGraphicsClass(XPWidgetMessage message, XPWidgetID widget, intptr_t, intptr_t) {
    if (message != xpMsg_Draw) return 0;
    if (XPElementStyle element = GraphicsElement(Property(widget, xpProperty_GeneralGraphicsType))) {
        Rect r = Geometry(widget);
        XPDrawElement(r.left, r.bottom, r.right, r.top, element, 0);
    }
    return 1;
}

int ProgressClass(XPWidgetMessage message, XPWidgetID widget, intptr_t, intptr_t) {
    if (message != xpMsg_Draw) return 0;
    Rect r = Geometry(widget);
    intptr_t low = Property(widget, xpProperty_ProgressMin), high = Property(widget, xpProperty_ProgressMax);
    intptr_t position = Property(widget, xpProperty_ProgressPosition);
    // Properties are pointer-wide, the track takes ints: everything is brought into the int range,
    // and the position into the bar's.
    position = std::clamp(position, std::min(low, high), std::max(low, high));
    XPDrawTrack(r.left, r.bottom, r.right, r.top, Sat(low), Sat(high), Sat(position), xpTrack_Progress, 0);
    return 1;
}

}  // namespace

XPWidgetFunc_t StandardClassFunction(XPWidgetClass widgetClass) {
    switch (widgetClass) {
        case xpWidgetClass_MainWindow: return MainWindowClass;
        case xpWidgetClass_SubWindow: return SubWindowClass;
        case xpWidgetClass_Button: return ButtonClass;
        case xpWidgetClass_TextField: return TextFieldClass;
        case xpWidgetClass_ScrollBar: return ScrollBarClass;
        case xpWidgetClass_Caption: return CaptionClass;
        case xpWidgetClass_GeneralGraphics: return GeneralGraphicsClass;
        case xpWidgetClass_Progress: return ProgressClass;
        default: return nullptr;
    }
}

}  // namespace bmhost::detail
