// The scroll bar and the slider: a track along the widget's longer side with ScrollBarMin at the
// bottom or left and ScrollBarMax at the top or right, laid out as XPGetTrackMetrics says.
//
// A click on an arrow moves the position one step, a click on the track beside the thumb moves
// it by ScrollBarPageAmount, towards the side clicked; holding either repeats the move every
// tenth of a second after three tenths, while the pointer stays on that part. The thumb follows
// the pointer while dragged, ScrollBarSlop holding where on the thumb it was taken. The position
// stays within [Min, Max], and each change the user makes sends
// xpMsg_ScrollBarSliderPositionChanged up the hierarchy; positions set by code send none.
#include <algorithm>
#include <cmath>

#include "StandardWidgetSupport.h"
#include "XPLMProcessing.h"
#include "XPStandardWidgets.h"
#include "XPUIGraphics.h"
#include "XPWidgets.h"

namespace bmhost::detail {
namespace {

using namespace widgets;

// The part the mouse went down on while it is held, and when it went down and last repeated (ms).
constexpr XPWidgetPropertyID kHeldPart = 1580;
constexpr XPWidgetPropertyID kPressTime = 1581;
constexpr XPWidgetPropertyID kRepeatTime = 1582;
constexpr intptr_t kRepeatDelay = 300, kRepeatInterval = 100;

enum Part { kNone = 0, kDownButton, kDownPage, kThumb, kUpPage, kUpButton };

struct Bar {
    Rect box;
    // Values beyond the int range cannot be shown on a track; they are read as its ends.
    long long min = 0, max = 0, position = 0, page = 0;
    XPTrackStyle style = xpTrack_ScrollBar;
    int vertical = 0, down = 0, downPage = 0, thumb = 0, upPage = 0, up = 0;
};

Bar Measure(XPWidgetID widget) {
    Bar bar;
    bar.box = Geometry(widget);
    bar.min = Sat(Property(widget, xpProperty_ScrollBarMin));
    bar.max = Sat(Property(widget, xpProperty_ScrollBarMax));
    bar.position = Sat(Property(widget, xpProperty_ScrollBarSliderPosition));
    bar.page = Sat(Property(widget, xpProperty_ScrollBarPageAmount));
    bar.style = Property(widget, xpProperty_ScrollBarType) == xpScrollBarTypeSlider ? xpTrack_Slider : xpTrack_ScrollBar;
    XPGetTrackMetrics(bar.box.left, bar.box.bottom, bar.box.right, bar.box.top, int(bar.min), int(bar.max),
                      int(bar.position), bar.style, &bar.vertical, &bar.down, &bar.downPage, &bar.thumb,
                      &bar.upPage, &bar.up);
    return bar;
}

// Pixels along the track from its bottom or left end.
long long Along(const Bar& bar, const XPMouseState_t& mouse) {
    return bar.vertical ? static_cast<long long>(mouse.y) - bar.box.bottom
                        : static_cast<long long>(mouse.x) - bar.box.left;
}

Part PartAt(const Bar& bar, long long along) {
    long long ends[] = {bar.down, bar.downPage, bar.thumb, bar.upPage, bar.up};
    long long total = ends[0] + ends[1] + ends[2] + ends[3] + ends[4];
    if (total <= 0) return kNone;
    along = std::clamp(along, 0LL, total - 1);  // the box's last row and column count as the end
    long long end = 0;
    for (int part = 0; part < 5; ++part) {
        end += ends[part];
        if (along < end) return Part(kDownButton + part);
    }
    return kNone;
}

void MoveTo(XPWidgetID widget, const Bar& bar, long long position) {
    position = std::clamp(position, std::min(bar.min, bar.max), std::max(bar.min, bar.max));
    if (position == bar.position) return;
    XPSetWidgetProperty(widget, xpProperty_ScrollBarSliderPosition, intptr_t(position));
    Notify(widget, xpMsg_ScrollBarSliderPositionChanged);
}

// An arrow or a page: towards Max for the parts above the thumb, towards Min below it.
void Step(XPWidgetID widget, const Bar& bar, Part part) {
    long long amount = part == kDownButton || part == kUpButton ? 1 : bar.page;
    long long towardsMax = bar.max >= bar.min ? 1 : -1;
    long long direction = part == kUpButton || part == kUpPage ? towardsMax : -towardsMax;
    MoveTo(widget, bar, std::clamp<long long>(bar.position, std::min(bar.min, bar.max), std::max(bar.min, bar.max)) +
                            direction * amount);
}

void DragThumb(XPWidgetID widget, const Bar& bar, long long along) {
    long long travel = static_cast<long long>(bar.downPage) + bar.upPage;
    if (travel <= 0) return;
    long long offset = std::clamp(along - Sat(Property(widget, xpProperty_ScrollBarSlop)) - bar.down, 0LL, travel);
    MoveTo(widget, bar, bar.min + std::llround(double(offset) / double(travel) * double(bar.max - bar.min)));
}

intptr_t Now() { return intptr_t(std::llround(double(XPLMGetElapsedTime()) * 1000.0)); }

int Mouse(XPWidgetMessage message, XPWidgetID widget, const XPMouseState_t& mouse) {
    if (message == xpMsg_MouseDown) {
        if (!ExposedGeometry(widget).Contains(mouse.x, mouse.y)) return 0;
        if (!Enabled(widget)) return 1;
        Bar bar = Measure(widget);
        long long along = Along(bar, mouse);
        Part part = PartAt(bar, along);
        if (part == kNone) return 1;
        intptr_t now = Now();
        Update(widget, kHeldPart, part);
        Update(widget, kPressTime, now);
        Update(widget, kRepeatTime, now);
        if (part == kThumb) Update(widget, xpProperty_ScrollBarSlop, intptr_t(along - bar.down - bar.downPage));
        else Step(widget, bar, part);
        return 1;
    }
    Part held = Part(Property(widget, kHeldPart));
    if (held == kNone) return 1;
    if (message == xpMsg_MouseUp) Update(widget, kHeldPart, kNone);
    Bar bar = Measure(widget);
    long long along = Along(bar, mouse);
    if (held == kThumb) {
        DragThumb(widget, bar, along);
    } else if (message == xpMsg_MouseDrag) {
        intptr_t now = Now();
        if (now - Property(widget, kPressTime) >= kRepeatDelay &&
            now - Property(widget, kRepeatTime) >= kRepeatInterval && PartAt(bar, along) == held) {
            Update(widget, kRepeatTime, now);
            Step(widget, bar, held);
        }
    }
    return 1;
}

}  // namespace

int ScrollBarClass(XPWidgetMessage message, XPWidgetID widget, intptr_t param1, intptr_t) {
    switch (message) {
        case xpMsg_Draw: {
            Bar bar = Measure(widget);
            XPDrawTrack(bar.box.left, bar.box.bottom, bar.box.right, bar.box.top, int(bar.min), int(bar.max),
                        int(bar.position), bar.style, 0);
            return 1;
        }
        case xpMsg_MouseDown:
        case xpMsg_MouseDrag:
        case xpMsg_MouseUp:
            return param1 ? Mouse(message, widget, *reinterpret_cast<XPMouseState_t*>(param1)) : 0;
        default:
            return 0;
    }
}

}  // namespace bmhost::detail
