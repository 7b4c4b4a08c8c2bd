// Window frames, elements and tracks of the widget library. Each drawing call is recorded with
// its arguments as given (see Record); the pictures draw them (Picture.cpp). Rectangles may name
// their corners in either order.
//
// Tracks lie along their longer side (progress bars always lie horizontally) and are laid out
// from the bottom or the left: the decrement button, the track below the thumb, the thumb, the
// track above it, the increment button. Scroll bars have square buttons at both ends and a
// thumb at least as long as the bar is thick, longer when the range is short; a slider has no
// buttons and a round thumb as wide as the track is thick; a progress bar has neither, the part
// below the "thumb" being the filled part.
#include "UIGraphics.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "HostState.h"
#include "XPUIGraphics.h"

namespace bmhost::detail {

Box NormalisedBox(int x1, int y1, int x2, int y2) {
    return Box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

TrackLayout LayOutTrack(int x1, int y1, int x2, int y2, int min, int max, int value, int style) {
    Box box = NormalisedBox(x1, y1, x2, y2);
    // Sides of more than INT_MAX pixels (corners at both ends of the int range) are cut to it,
    // so that every length fits the int the SDK hands back.
    long long width = std::min<long long>(box.right - box.left, INT_MAX);
    long long height = std::min<long long>(box.top - box.bottom, INT_MAX);
    TrackLayout layout;
    layout.vertical = style != xpTrack_Progress && height > width;
    long long length = layout.vertical ? height : width;
    long long thickness = layout.vertical ? width : height;
    layout.thickness = int(thickness);

    long long button = style == xpTrack_ScrollBar ? std::min(thickness, length / 2) : 0;
    long long span = length - 2 * button;
    long long range = (long long)max - min;
    long long thumb = 0;
    if (style == xpTrack_ScrollBar) {
        // One share of the track for each value the bar can take.
        long long share = span / (std::llabs(range) + 1);
        thumb = std::min(std::max(thickness, share), span);
    } else if (style == xpTrack_Slider) {
        thumb = std::min(thickness, span);
    }
    double fraction = range == 0 ? 0.0 : std::clamp(double((long long)value - min) / double(range), 0.0, 1.0);
    long long rest = span - thumb;
    long long below = std::llround(double(rest) * fraction);

    layout.downButton = int(button);
    layout.downPage = int(below);
    layout.thumb = int(thumb);
    layout.upPage = int(rest - below);
    layout.upButton = int(button);
    return layout;
}

}  // namespace bmhost::detail

using namespace bmhost::detail;

namespace {

void Put(int* out, int value) {
    if (out) *out = value;
}

struct ElementSize {
    XPElementStyle style;
    int width, height, canBeLit;
};

// Recommended sizes; the elements are drawn at whatever size they are given.
const ElementSize kElementSizes[] = {
    {xpElement_TextField, 100, 20, 0},
    {xpElement_CheckBox, 16, 16, 1},
    {xpElement_CheckBoxLit, 16, 16, 1},
    {xpElement_WindowCloseBox, 14, 14, 0},
    {xpElement_WindowCloseBoxPressed, 14, 14, 0},
    {xpElement_PushButton, 80, 20, 1},
    {xpElement_PushButtonLit, 80, 20, 1},
    {xpElement_OilPlatform, 20, 20, 1},
    {xpElement_OilPlatformSmall, 12, 12, 1},
    {xpElement_Ship, 20, 20, 1},
    {xpElement_ILSGlideScope, 20, 20, 1},
    {xpElement_MarkerLeft, 20, 20, 1},
    {xpElement_Airport, 20, 20, 1},
    {xpElement_Waypoint, 20, 20, 1},
    {xpElement_NDB, 20, 20, 1},
    {xpElement_VOR, 20, 20, 1},
    {xpElement_RadioTower, 20, 20, 1},
    {xpElement_AircraftCarrier, 20, 20, 1},
    {xpElement_Fire, 20, 20, 1},
    {xpElement_MarkerRight, 20, 20, 1},
    {xpElement_CustomObject, 20, 20, 1},
    {xpElement_CoolingTower, 20, 20, 1},
    {xpElement_SmokeStack, 20, 20, 1},
    {xpElement_Building, 20, 20, 1},
    {xpElement_PowerLine, 20, 20, 1},
    {xpElement_CopyButtons, 60, 20, 0},
    {xpElement_CopyButtonsWithEditingGrid, 60, 40, 0},
    {xpElement_EditingGrid, 40, 20, 0},
    {xpElement_ScrollBar, 16, 64, 0},
    {xpElement_VORWithCompassRose, 64, 64, 1},
    {xpElement_Zoomer, 32, 16, 0},
    {xpElement_TextFieldMiddle, 100, 20, 0},
    {xpElement_LittleDownArrow, 12, 10, 1},
    {xpElement_LittleUpArrow, 12, 10, 1},
    {xpElement_WindowDragBar, 100, 20, 0},
    {xpElement_WindowDragBarSmooth, 100, 20, 0},
};

}  // namespace

void XPDrawWindow(int inX1, int inY1, int inX2, int inY2, XPWindowStyle inStyle) {
    BMHOST_ENTER();
    Record("XPDrawWindow", {double(inX1), double(inY1), double(inX2), double(inY2), double(inStyle)});
}

// The smallest size at which a window of the style shows what makes it one (a main window's
// title bar and some room below it); they all stretch to any larger size.
void XPGetWindowDefaultDimensions(XPWindowStyle inStyle, int* outWidth, int* outHeight) {
    BMHOST_ENTER();
    int width = 0, height = 0;
    switch (inStyle) {
        case xpWindow_Help: width = 200, height = 100; break;
        case xpWindow_MainWindow: width = 100, height = kTitleBarHeight + 30; break;
        case xpWindow_SubWindow:
        case xpWindow_Screen:
        case xpWindow_ListView: width = 20, height = 20; break;
        default: break;
    }
    Put(outWidth, width);
    Put(outHeight, height);
}

void XPDrawElement(int inX1, int inY1, int inX2, int inY2, XPElementStyle inStyle, int inLit) {
    BMHOST_ENTER();
    Record("XPDrawElement",
           {double(inX1), double(inY1), double(inX2), double(inY2), double(inStyle), double(inLit)});
}

void XPGetElementDefaultDimensions(XPElementStyle inStyle, int* outWidth, int* outHeight, int* outCanBeLit) {
    BMHOST_ENTER();
    ElementSize size{inStyle, 0, 0, 0};
    for (const ElementSize& known : kElementSizes)
        if (known.style == inStyle) size = known;
    Put(outWidth, size.width);
    Put(outHeight, size.height);
    Put(outCanBeLit, size.canBeLit);
}

void XPDrawTrack(int inX1, int inY1, int inX2, int inY2, int inMin, int inMax, int inValue,
                 XPTrackStyle inTrackStyle, int inLit) {
    BMHOST_ENTER();
    Record("XPDrawTrack", {double(inX1), double(inY1), double(inX2), double(inY2), double(inMin), double(inMax),
                           double(inValue), double(inTrackStyle), double(inLit)});
}

void XPGetTrackDefaultDimensions(XPTrackStyle inStyle, int* outWidth, int* outCanBeLit) {
    BMHOST_ENTER();
    int width = 0, canBeLit = 0;
    switch (inStyle) {
        case xpTrack_ScrollBar: width = 16, canBeLit = 1; break;
        case xpTrack_Slider: width = 16, canBeLit = 1; break;
        case xpTrack_Progress: width = 12, canBeLit = 0; break;
        default: break;
    }
    Put(outWidth, width);
    Put(outCanBeLit, canBeLit);
}

void XPGetTrackMetrics(int inX1, int inY1, int inX2, int inY2, int inMin, int inMax, int inValue,
                       XPTrackStyle inTrackStyle, int* outIsVertical, int* outDownBtnSize, int* outDownPageSize,
                       int* outThumbSize, int* outUpPageSize, int* outUpBtnSize) {
    BMHOST_ENTER();
    TrackLayout layout = LayOutTrack(inX1, inY1, inX2, inY2, inMin, inMax, inValue, inTrackStyle);
    Put(outIsVertical, layout.vertical ? 1 : 0);
    Put(outDownBtnSize, layout.downButton);
    Put(outDownPageSize, layout.downPage);
    Put(outThumbSize, layout.thumb);
    Put(outUpPageSize, layout.upPage);
    Put(outUpBtnSize, layout.upButton);
}
