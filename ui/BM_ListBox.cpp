// The list box widget and the interface colours.
//
// Each list box keeps its items in a record of its own, held here by widget id and found in one
// hash look-up per message. Property 1906 carries the record's address for anyone who looks, but
// it is never read back: scripts can write any widget's properties, so an address taken from one
// could point anywhere. The scroll state lives in the widget's properties, which scripts can
// write too, so every number read from them is taken as it comes: arithmetic on them saturates,
// indices are checked against the items before use, and a track with no room to move changes
// nothing.
//
// The widget function runs inside the widget library's dispatch, and each property or
// descriptor it sets is dispatched again at once (to this function and to any callback a script
// added to the widget). Such a nested message may clear the items, or destroy the widget; so no
// iterator or reference to an item is held across an SDK call, and a record whose widget is
// destroyed while an outer message is still at work on it is kept until that message is done.
#include "BM_ListBox.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <utility>

#include "BrindlemoorBase.h"
#include "XPLMDataAccess.h"
#include "XPLMGraphics.h"
#include "XPUIGraphics.h"
#include "XPWidgetUtils.h"
#include "XPWidgets.h"

namespace {

constexpr int kRowHeight = 12;
constexpr int kScrollBarWidth = 20;
constexpr int kTextBaseline = 10;            // from a row's top down to where its text is drawn
constexpr std::size_t kDescriptorBuffer = 4096;  // a descriptor is taken up to 4095 characters
constexpr std::size_t kDrawBuffer = 512;         // a row shows at most 511 characters
constexpr float kHighlightAlpha = 0.25f;
constexpr int kSelectionColor = 2;  // menu_hilite_rgb
constexpr int kTextColor = 10;      // list_text_rgb

// ---- Numbers that may come from anywhere ----

// Geometry is read as ints and worked on in 64 bits, where no sum or difference of a few of them
// can overflow; what goes back to the SDK is held to the int range.
using Wide = long long;

int ToInt(Wide value) { return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value); }

intptr_t SatAdd(intptr_t a, intptr_t b) {
    intptr_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INTPTR_MAX : INTPTR_MIN;
    return sum;
}

intptr_t SatSub(intptr_t a, intptr_t b) {
    intptr_t difference = 0;
    if (__builtin_sub_overflow(a, b, &difference)) return b < 0 ? INTPTR_MAX : INTPTR_MIN;
    return difference;
}

// A property value as an index into `count` items, or -1 when it names none.
intptr_t IndexIn(intptr_t value, std::size_t count) {
    return value >= 0 && static_cast<std::size_t>(value) < count ? value : -1;
}

intptr_t CountOf(const BM_ListBoxData_t& data) { return static_cast<intptr_t>(data.Items.size()); }

// ---- The records of the live list boxes ----

using Record = std::unique_ptr<BM_ListBoxData_t>;

struct Registry {
    std::unordered_map<XPWidgetID, Record> lists;
    // Records of list boxes destroyed while an outer message was still working on them; they go
    // when the outermost message returns.
    std::vector<Record> retired;
    int depth = 0;  // messages of list boxes under way, nested ones counted
};

Registry& Lists() {
    static Registry registry;
    return registry;
}

// Marks a message of a list box under way.
class MessageScope {
public:
    MessageScope() { ++Lists().depth; }
    ~MessageScope() {
        if (--Lists().depth == 0) Lists().retired.clear();
    }
    MessageScope(const MessageScope&) = delete;
    MessageScope& operator=(const MessageScope&) = delete;
};

// The widget's record, made empty the first time it is asked for.
BM_ListBoxData_t& RecordOf(XPWidgetID widget) {
    Record& record = Lists().lists[widget];
    if (!record) record = std::make_unique<BM_ListBoxData_t>();
    return *record;
}

void Release(XPWidgetID widget) {
    Registry& registry = Lists();
    auto it = registry.lists.find(widget);
    if (it == registry.lists.end()) return;
    if (registry.depth > 1) registry.retired.push_back(std::move(it->second));
    registry.lists.erase(it);
}

// ---- Shared state of all list boxes ----

float gAlphaLevel = 1.0f;
// From the pointer to the thumb's centre along the track, measured when the thumb is grabbed.
Wide ScrollBarSlop = 0;

// Sets gAlphaLevel for a while.
class AlphaScope {
public:
    explicit AlphaScope(float alpha) : saved_(gAlphaLevel) { gAlphaLevel = alpha; }
    ~AlphaScope() { gAlphaLevel = saved_; }
    AlphaScope(const AlphaScope&) = delete;
    AlphaScope& operator=(const AlphaScope&) = delete;

private:
    float saved_;
};

// ---- What a message starts from ----

intptr_t Get(XPWidgetID widget, int property) { return XPGetWidgetProperty(widget, property, nullptr); }
void Set(XPWidgetID widget, int property, intptr_t value) { XPSetWidgetProperty(widget, property, value); }

struct ListState {
    XPWidgetID widget = nullptr;
    Wide left = 0, top = 0, right = 0, bottom = 0;
    intptr_t position = 0, minimum = 0, maximum = 0, page = 0, selection = 0, rows = 0, dragging = 0;

    Wide TrackLeft() const { return right - kScrollBarWidth; }
    int TextWidth() const { return ToInt(right - left - kScrollBarWidth); }
    bool InText(Wide x, Wide y) const { return left <= x && x <= TrackLeft() && bottom <= y && y <= top; }
    bool InTrack(Wide x, Wide y) const { return TrackLeft() <= x && x <= right && bottom <= y && y <= top; }
    // The item shown in the top row; scrolled to the top the position equals the maximum.
    intptr_t FirstShown() const { return SatSub(maximum, position); }
};

ListState ReadState(XPWidgetID widget) {
    ListState s;
    s.widget = widget;
    int left = 0, top = 0, right = 0, bottom = 0;
    XPGetWidgetGeometry(widget, &left, &top, &right, &bottom);
    s.left = left;
    s.top = top;
    s.right = right;
    s.bottom = bottom;
    s.position = Get(widget, xpProperty_ListScrollPosition);
    s.minimum = Get(widget, xpProperty_ListScrollMin);
    s.maximum = Get(widget, xpProperty_ListScrollMax);
    s.page = Get(widget, xpProperty_ListPageAmount);
    s.selection = Get(widget, xpProperty_ListSelection);
    s.rows = Get(widget, xpProperty_ListVisibleRows);
    s.dragging = Get(widget, xpProperty_ListThumbDragging);
    return s;
}

struct Track {
    int vertical = 0, down = 0, downPage = 0, thumb = 0, upPage = 0, up = 0;
};

Track Measure(const ListState& s) {
    Track t;
    XPGetTrackMetrics(ToInt(s.TrackLeft()), ToInt(s.bottom), ToInt(s.right), ToInt(s.top), ToInt(s.minimum),
                      ToInt(s.maximum), ToInt(s.position), xpTrack_ScrollBar, &t.vertical, &t.down, &t.downPage,
                      &t.thumb, &t.upPage, &t.up);
    return t;
}

// The widget's descriptor, cut to 4095 characters.
std::array<char, kDescriptorBuffer> ReadDescriptor(XPWidgetID widget) {
    std::array<char, kDescriptorBuffer> text{};
    XPGetWidgetDescriptor(widget, text.data(), static_cast<int>(kDescriptorBuffer - 1));
    return text;
}

// ---- Messages ----

void Create(BM_ListBoxData_t& data, const ListState& s) {
    BM_ListBoxClear(&data);  // a second creation message starts the list afresh
    BM_ListBoxFillWithData(&data, ReadDescriptor(s.widget).data(), s.TextWidth());
    Set(s.widget, xpProperty_ListData, reinterpret_cast<intptr_t>(&data));
    Set(s.widget, xpProperty_ListSelection, 0);
    ScrollBarSlop = 0;
    intptr_t count = CountOf(data);
    intptr_t rows = static_cast<intptr_t>((s.top - s.bottom) / kRowHeight);
    Set(s.widget, xpProperty_ListScrollPosition, count);
    Set(s.widget, xpProperty_ListScrollMin, 0);
    Set(s.widget, xpProperty_ListScrollMax, count);
    Set(s.widget, xpProperty_ListPageAmount, rows);
    Set(s.widget, xpProperty_ListVisibleRows, rows);
    Set(s.widget, xpProperty_ListThumbDragging, 0);
}

// Takes a request property that is set: clears it first, so that the messages its clearing
// causes do not see it again. False when it was not set.
bool TakeRequest(XPWidgetID widget, int property) {
    if (!Get(widget, property)) return false;
    Set(widget, property, 0);
    return true;
}

// The view goes back to the first item.
void ScrollToTop(XPWidgetID widget, const BM_ListBoxData_t& data) {
    intptr_t count = CountOf(data);
    Set(widget, xpProperty_ListScrollPosition, count);
    Set(widget, xpProperty_ListScrollMax, count);
}

void Requests(BM_ListBoxData_t& data, const ListState& s) {
    XPWidgetID w = s.widget;
    if (TakeRequest(w, xpProperty_ListAppendItem)) {
        BM_ListBoxAddItem(&data, ReadDescriptor(w).data(), s.TextWidth());
        ScrollToTop(w, data);
    }
    if (TakeRequest(w, xpProperty_ListRefill)) {
        std::array<char, kDescriptorBuffer> text = ReadDescriptor(w);
        BM_ListBoxClear(&data);
        BM_ListBoxFillWithData(&data, text.data(), s.TextWidth());
        ScrollToTop(w, data);
    }
    if (TakeRequest(w, xpProperty_ListClear)) {
        Set(w, xpProperty_ListSelection, 0);
        BM_ListBoxClear(&data);
        ScrollToTop(w, data);
    }
    if (TakeRequest(w, xpProperty_ListInsertItem)) {
        // At the selection the message started with; before the first item for none.
        intptr_t at = std::min<intptr_t>(std::max<intptr_t>(s.selection, 0), INT_MAX);
        BM_ListBoxInsertItem(&data, ReadDescriptor(w).data(), s.TextWidth(), static_cast<int>(at));
    }
    if (TakeRequest(w, xpProperty_ListDeleteItem)) {
        intptr_t at = IndexIn(s.selection, data.Items.size());
        if (at >= 0) BM_ListBoxDeleteItem(&data, static_cast<int>(std::min<intptr_t>(at, INT_MAX)));
    }
    if (intptr_t count = Get(w, xpProperty_ListDeleteLastItems)) {
        Set(w, xpProperty_ListDeleteLastItems, 0);
        std::size_t drop = count < 0 ? 0 : std::min(std::size_t(count), data.Items.size());
        std::size_t keep = data.Items.size() - drop;
        data.Items.resize(keep);
        data.Lefts.resize(std::min(keep, data.Lefts.size()));
        data.Rights.resize(std::min(keep, data.Rights.size()));
        ScrollToTop(w, data);
    }
}

void Draw(const BM_ListBoxData_t& data, const ListState& s) {
    int left = ToInt(s.left), top = ToInt(s.top), right = ToInt(s.right), bottom = ToInt(s.bottom);
    int trackLeft = ToInt(s.TrackLeft());
    XPDrawWindow(left, bottom, trackLeft, top, xpWindow_ListView);
    XPDrawTrack(trackLeft, bottom, right, top, ToInt(s.minimum), ToInt(s.maximum), ToInt(s.position),
                xpTrack_ScrollBar, s.dragging ? 1 : 0);
    XPLMSetGraphicsState(0, 1, 0, 0, 1, 0, 0);
    XPLMBindTexture2d(XPLMGetTexture(xplm_Tex_GeneralInterface), 0);
    glColor4f(1, 1, 1, 1);
    XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0);

    // Only the rows that hold an item: never more than fit in the box, however many the
    // visible-rows property claims, and never a loop over the items out of view.
    Wide fit = std::max<Wide>(0, (s.top - s.bottom) / kRowHeight);
    Wide rows = std::min<Wide>(std::max<intptr_t>(s.rows, 0), fit);
    intptr_t first = s.FirstShown();
    Wide count = static_cast<Wide>(data.Items.size());
    Wide fromRow = first < 0 ? std::min<Wide>(SatSub(0, first), rows) : 0;
    Wide toRow = first >= count ? 0 : std::min<Wide>(rows, SatSub(count, first));

    bool prepared = false;
    float textColor[3] = {0, 0, 0};
    int cut = 0;  // characters that fit across the text area
    char text[kDrawBuffer];
    for (Wide row = fromRow; row < toRow; ++row) {
        Wide index = first + row;
        if (index >= static_cast<Wide>(data.Items.size())) break;  // emptied meanwhile
        Wide rowTop = s.top - kRowHeight * row;
        if (!prepared) {
            prepared = true;
            SetupAmbientColor(kTextColor, textColor);
            int charWidth = 0;
            XPLMGetFontDimensions(xplmFont_Basic, &charWidth, nullptr, nullptr);
            cut = charWidth > 0 ? std::max(0, s.TextWidth() / charWidth) : static_cast<int>(kDrawBuffer - 1);
        }
        if (index == s.selection) {
            {
                AlphaScope alpha(kHighlightAlpha);
                XPLMSetGraphicsState(0, 0, 0, 0, 1, 0, 0);
                SetupAmbientColor(kSelectionColor, nullptr);
            }
            int y1 = ToInt(rowTop), y2 = ToInt(rowTop - kRowHeight);
            glBegin(GL_QUADS);
            glVertex2i(left, y1);
            glVertex2i(trackLeft, y1);
            glVertex2i(trackLeft, y2);
            glVertex2i(left, y2);
            glEnd();
        }
        if (index >= static_cast<Wide>(data.Items.size())) break;
        const std::string& item = data.Items[static_cast<std::size_t>(index)];
        std::size_t length = std::min({item.size(), kDrawBuffer - 1, static_cast<std::size_t>(cut)});
        std::memcpy(text, item.data(), length);
        text[length] = '\0';
        XPLMDrawString(textColor, left, ToInt(rowTop - kTextBaseline), text, nullptr, xplmFont_Basic);
    }
}

void MouseDown(const BM_ListBoxData_t& data, ListState& s, Wide x, Wide y) {
    XPWidgetID w = s.widget;
    // A click on row k, within the clickable span of the k-th item, selects the k-th item shown.
    if (s.InText(x, y) && !data.Items.empty()) {
        Wide row = (s.top - y) / kRowHeight;
        Wide offset = x - s.left;
        if (row < static_cast<Wide>(data.Items.size())) {
            auto k = static_cast<std::size_t>(row);
            if (data.Lefts[k] <= offset && offset < data.Rights[k]) {
                intptr_t index = IndexIn(SatAdd(s.FirstShown(), static_cast<intptr_t>(row)), data.Items.size());
                if (index >= 0) Set(w, xpProperty_ListSelection, index);
            }
        }
    }
    if (!s.InTrack(x, y)) return;

    Track t = Measure(s);
    s.minimum = Get(w, xpProperty_ListScrollMin);
    s.maximum = Get(w, xpProperty_ListScrollMax);
    // The parts of the track lie from its low end (bottom, or left when it lies flat) up: the
    // down button, the page below the thumb, the thumb, the page above it, the up button.
    Wide at = t.vertical ? y : x;
    Wide low = t.vertical ? s.bottom : s.TrackLeft();
    Wide high = t.vertical ? s.top : s.right;
    auto within = [at](Wide from, Wide to) { return from <= at && at <= to; };
    Wide thumbBottom = low + t.down + t.downPage;
    intptr_t position = s.position;
    if (within(thumbBottom + t.thumb, high - t.up)) {
        position = std::min(SatAdd(position, s.page), s.maximum);
    } else if (within(low + t.down, high - t.up - t.upPage - t.thumb)) {
        position = std::max(SatSub(position, s.page), s.minimum);
    } else if (within(high - t.up, high)) {
        position = std::min(SatAdd(position, 1), s.maximum);
    } else if (within(low, low + t.down)) {
        position = std::max(SatSub(position, 1), s.minimum);
    } else if (within(thumbBottom, high - t.up - t.upPage)) {
        ScrollBarSlop = thumbBottom + t.thumb / 2 - at;
        Set(w, xpProperty_ListThumbDragging, 1);
        return;
    } else {
        Set(w, xpProperty_ListThumbDragging, 0);
        return;
    }
    Set(w, xpProperty_ListScrollPosition, position);
}

// The position for a pointer `offset` pixels along a travel of `length` pixels.
intptr_t PositionAlong(Wide offset, Wide length, intptr_t maximum) {
    float value = std::round(static_cast<float>(offset) / static_cast<float>(length) * static_cast<float>(maximum));
    constexpr float kLimit = 9223372036854775808.0f;  // 2^63
    if (value >= kLimit) return INTPTR_MAX;
    if (value < -kLimit) return INTPTR_MIN;
    return static_cast<intptr_t>(value);
}

void MouseDrag(ListState& s, Wide x, Wide y) {
    XPWidgetID w = s.widget;
    if (!s.InTrack(x, y)) return;
    Track t = Measure(s);
    s.minimum = Get(w, xpProperty_ListScrollMin);
    s.maximum = Get(w, xpProperty_ListScrollMax);
    if (!s.dragging) return;
    Wide halfThumb = t.thumb / 2;
    Wide start = 0, length = 0, offset = 0;
    if (t.vertical) {
        start = s.bottom + t.down + halfThumb;
        length = s.top - t.up - halfThumb - start;
        offset = y + ScrollBarSlop - start;
    } else {
        start = s.TrackLeft() + t.down + halfThumb;
        length = s.right - t.up - halfThumb - start;
        offset = x + ScrollBarSlop - start;
    }
    if (length <= 0) return;  // no travel: the thumb cannot move
    intptr_t position = PositionAlong(offset, length, s.maximum);
    if (position > s.maximum) position = s.maximum;
    if (position < s.minimum) position = s.minimum;
    Set(w, xpProperty_ListScrollPosition, position);
}

void MouseUp(const BM_ListBoxData_t& data, const ListState& s, Wide x, Wide y) {
    XPWidgetID w = s.widget;
    if (s.InTrack(x, y)) Set(w, xpProperty_ListThumbDragging, 0);
    if (!s.InText(x, y) || data.Items.empty()) return;
    intptr_t index = IndexIn(s.selection, data.Items.size());
    std::string chosen = index >= 0 ? data.Items[static_cast<std::size_t>(index)] : std::string();
    XPSetWidgetDescriptor(w, chosen.c_str());
    XPSendMessageToWidget(w, xpMsg_ListItemChosen, xpMode_UpChain, reinterpret_cast<intptr_t>(w), s.selection);
}

bool Handles(XPWidgetMessage message) {
    switch (message) {
        case xpMsg_Create:
        case xpMsg_Draw:
        case xpMsg_MouseDown:
        case xpMsg_MouseDrag:
        case xpMsg_MouseUp:
        case xpMsg_DescriptorChanged:
        case xpMsg_PropertyChanged:
            return true;
        default:
            return false;
    }
}

int Dispatch(XPWidgetMessage message, XPWidgetID widget, intptr_t param1, intptr_t param2) {
    if (message == xpMsg_Destroy) {
        Release(widget);
        return 0;
    }
    // Made before anything else can fail, so that a list box always has its record.
    BM_ListBoxData_t* data = message == xpMsg_Create ? &RecordOf(widget) : nullptr;
    if (XPUSelectIfNeeded(message, widget, param1, param2, 1)) return 1;
    if (!Handles(message)) return 0;
    if (message == xpMsg_DescriptorChanged) return 1;
    if (!data) data = &RecordOf(widget);
    ListState s = ReadState(widget);
    const auto* mouse = reinterpret_cast<const XPMouseState_t*>(param1);
    switch (message) {
        case xpMsg_Create:
            Create(*data, s);
            break;
        case xpMsg_Draw:
            Draw(*data, s);
            break;
        case xpMsg_PropertyChanged:
            Requests(*data, s);
            break;
        case xpMsg_MouseDown:
            if (mouse) MouseDown(*data, s, mouse->x, mouse->y);
            break;
        case xpMsg_MouseDrag:
            if (mouse) MouseDrag(s, mouse->x, mouse->y);
            break;
        case xpMsg_MouseUp:
            if (mouse) MouseUp(*data, s, mouse->x, mouse->y);
            break;
        default:
            break;
    }
    return 1;
}

// ---- Colours ----

const char* const kXPlaneColorNames[] = {
    "sim/graphics/colors/menu_dark_rgb",         "sim/graphics/colors/menu_bkgnd_rgb",
    "sim/graphics/colors/menu_hilite_rgb",       "sim/graphics/colors/menu_lite_rgb",
    "sim/graphics/colors/menu_text_rgb",         "sim/graphics/colors/menu_text_disabled_rgb",
    "sim/graphics/colors/subtitle_text_rgb",     "sim/graphics/colors/tab_front_rgb",
    "sim/graphics/colors/tab_back_rgb",          "sim/graphics/colors/caption_text_rgb",
    "sim/graphics/colors/list_text_rgb",         "sim/graphics/colors/glass_text_rgb"};
constexpr int kColorCount = static_cast<int>(sizeof kXPlaneColorNames / sizeof kXPlaneColorNames[0]);

// Used when the simulator has no such colour, scaled by the cockpit light level.
const float kBackupColors[kColorCount][3] = {
    {33 / 256.0f, 41 / 256.0f, 44 / 256.0f}, {53 / 256.0f, 64 / 256.0f, 68 / 256.0f},
    {65 / 256.0f, 83 / 256.0f, 89 / 256.0f}, {65 / 256.0f, 83 / 256.0f, 89 / 256.0f},
    {0.8f, 0.8f, 0.8f},                      {0.4f, 0.4f, 0.4f},
    {0, 0, 0},                               {0, 0, 0},
    {0, 0, 0},                               {0, 0, 0},
    {0, 0, 0},                               {0, 0, 0}};

const char* const kLightLevelNames[3] = {"sim/graphics/misc/cockpit_light_level_r",
                                         "sim/graphics/misc/cockpit_light_level_g",
                                         "sim/graphics/misc/cockpit_light_level_b"};

// Looked up once per process; a look-up that fails counts as finding nothing.
XPLMDataRef gColorRefs[kColorCount] = {};
bool gColorRefsLookedUp = false;
XPLMDataRef gLightRefs[3] = {};
bool gLightRefLookedUp[3] = {};

XPLMDataRef FindOrNothing(const char* name) {
    return BM_NoThrow(XPLMDataRef{nullptr}, [name] { return XPLMFindDataRef(name); });
}

// One channel of the cockpit light level; full light when the simulator has none.
float LightLevel(int channel) {
    if (!gLightRefLookedUp[channel]) {
        gLightRefLookedUp[channel] = true;
        gLightRefs[channel] = FindOrNothing(kLightLevelNames[channel]);
    }
    XPLMDataRef ref = gLightRefs[channel];
    return ref ? BM_NoThrow(1.0f, [ref] { return XPLMGetDataf(ref); }) : 1.0f;
}

// Room for one more item in each array, so that the three grow together or not at all.
template <typename T>
void Reserve(std::vector<T>& v, std::size_t size) {
    if (size > v.capacity()) v.reserve(std::max(size, v.capacity() * 2));
}

void MakeRoom(BM_ListBoxData_t& data) {
    std::size_t size = data.Items.size() + 1;
    Reserve(data.Items, size);
    Reserve(data.Lefts, size);
    Reserve(data.Rights, size);
}

void Append(BM_ListBoxData_t& data, std::string item, int width) {
    MakeRoom(data);
    data.Items.push_back(std::move(item));
    data.Lefts.push_back(0);
    data.Rights.push_back(width);
}

}  // namespace

// ---- Item operations ----

void BM_ListBoxAddItem(BM_ListBoxData_t* pListBoxData, const char* pBuffer, int Width) {
    if (pListBoxData) Append(*pListBoxData, pBuffer ? pBuffer : "", Width);
}

void BM_ListBoxFillWithData(BM_ListBoxData_t* pListBoxData, const char* inItems, int Width) {
    if (!pListBoxData || !inItems) return;
    // Each ';' ends an item; what follows the last one is an item unless it is empty.
    const char* rest = inItems;
    while (*rest) {
        const char* end = std::strchr(rest, ';');
        if (!end) {
            Append(*pListBoxData, rest, Width);
            break;
        }
        Append(*pListBoxData, std::string(rest, end), Width);
        rest = end + 1;
    }
}

void BM_ListBoxInsertItem(BM_ListBoxData_t* pListBoxData, const char* pBuffer, int Width, int CurrentItem) {
    if (!pListBoxData) return;
    BM_ListBoxData_t& data = *pListBoxData;
    std::string item = pBuffer ? pBuffer : "";
    std::size_t at = CurrentItem < 0 ? 0 : std::min(static_cast<std::size_t>(CurrentItem), data.Items.size());
    MakeRoom(data);
    auto offset = static_cast<std::ptrdiff_t>(at);
    data.Items.insert(data.Items.begin() + offset, std::move(item));
    data.Lefts.insert(data.Lefts.begin() + offset, 0);
    data.Rights.insert(data.Rights.begin() + offset, Width);
}

void BM_ListBoxDeleteItem(BM_ListBoxData_t* pListBoxData, int CurrentItem) {
    if (!pListBoxData || CurrentItem < 0) return;
    BM_ListBoxData_t& data = *pListBoxData;
    auto at = static_cast<std::size_t>(CurrentItem);
    if (at >= data.Items.size() || at >= data.Lefts.size() || at >= data.Rights.size()) return;
    auto offset = static_cast<std::ptrdiff_t>(at);
    data.Items.erase(data.Items.begin() + offset);
    data.Lefts.erase(data.Lefts.begin() + offset);
    data.Rights.erase(data.Rights.begin() + offset);
}

void BM_ListBoxClear(BM_ListBoxData_t* pListBoxData) {
    if (!pListBoxData) return;
    pListBoxData->Items.clear();
    pListBoxData->Lefts.clear();
    pListBoxData->Rights.clear();
}

// ---- The widget ----

XPWidgetID BM_CreateListBox(int inLeft, int inTop, int inRight, int inBottom, int inVisible, const char* inDescriptor,
                            XPWidgetID inContainer) {
    return XPCreateCustomWidget(inLeft, inTop, inRight, inBottom, inVisible, inDescriptor, 0, inContainer,
                                BM_ListBoxProc);
}

int BM_ListBoxProc(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    MessageScope scope;
    // A failure half-way leaves the items whole (each change to them is made in one step) and the
    // scroll state in the properties, which every message reads afresh.
    int fallback = Handles(inMessage) ? 1 : 0;
    return BM_NoThrow(fallback, [&] { return Dispatch(inMessage, inWidget, inParam1, inParam2); });
}

const BM_ListBoxData_t* BM_ListBoxItems(XPWidgetID listBox) {
    const Registry& registry = Lists();
    auto it = registry.lists.find(listBox);
    return it == registry.lists.end() ? nullptr : it->second.get();
}

// ---- Colours ----

void SetupAmbientColor(int inColorID, float* outColor) {
    float local[4] = {0, 0, 0, 0};
    float* target = outColor ? outColor : local;
    bool known = inColorID >= 0 && inColorID < kColorCount;
    if (!gColorRefsLookedUp) {
        gColorRefsLookedUp = true;
        for (int i = 0; i < kColorCount; ++i) gColorRefs[i] = FindOrNothing(kXPlaneColorNames[i]);
    }
    float rgb[3] = {0, 0, 0};
    XPLMDataRef ref = known ? gColorRefs[inColorID] : nullptr;
    // All three components, or the backup colour.
    bool read = ref && BM_NoThrow(false, [&] { return XPLMGetDatavf(ref, rgb, 0, 3) == 3; });
    for (int c = 0; c < 3; ++c) target[c] = read ? rgb[c] : known ? kBackupColors[inColorID][c] * LightLevel(c) : 0.0f;
    if (!outColor) {
        target[3] = gAlphaLevel;
        glColor4fv(target);
    }
}

void SetAlphaLevels(float inAlphaLevel) { gAlphaLevel = inAlphaLevel; }
