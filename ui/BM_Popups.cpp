// The popup menu and the popup button.
//
// A popup menu is a simulator window over the whole screen whose refcon is its record. The
// records of the open menus are kept here, and the window callbacks only act on a record that
// is still kept here for that very window: a window whose menu is gone (its destruction failed,
// or the plug-in closed every menu) draws nothing, lets the mouse through and removes itself.
// A menu closes on the first mouse-up it gets: the record leaves the list, the window goes, the
// pick callback runs, and only then is the record freed, so that whatever the callback does
// (open another menu, close every menu, destroy the popup button) finds nothing half-closed.
#include "BM_Popups.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "BM_ListBox.h"
#include "BrindlemoorBase.h"
#include "XPLMGraphics.h"
#include "XPLMUtilities.h"
#include "XPUIGraphics.h"
#include "XPWidgetUtils.h"
#include "XPWidgets.h"

namespace {

// The menu window and its placement are made for a 1024 x 768 screen.
constexpr int kScreenWidth = 1024, kScreenHeight = 768;
constexpr int kPlaceRightmost = 1014;  // the right edge goes no further right
constexpr int kPlaceLeftmost = 10;     // the left edge no further left
constexpr int kPlaceLowest = 10;       // the bottom edge no lower
constexpr int kPlaceHighest = 738;     // the top edge no higher

constexpr int kItemHeight = 12;
constexpr int kSeparatorHeight = 2;
constexpr int kColumnFloor = -718;  // an item ending below this starts a new column after it
constexpr int kItemPadding = 35;    // menu width beyond the longest text
constexpr int kTextIndent = 18;
constexpr int kTextRaise = 2;

constexpr std::size_t kDescriptorBuffer = 4096;  // longer descriptors are read cut to 4095

int Sat(long long value) {
    return int(std::max<long long>(INT_MIN, std::min<long long>(INT_MAX, value)));
}

long long SatAdd(long long a, long long b) {
    long long sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? LLONG_MAX : LLONG_MIN;
    return sum;
}

// Runs `step`; a failure goes to the log. Never throws, even when there is no memory left
// to report with.
template <typename Step>
void Try(const char* what, Step&& step) noexcept {
    try {
        BM_RunOrLog(what, step);
    } catch (...) {
    }
}

// ---- The open menus ----

std::vector<std::unique_ptr<BM_PopupMenu_t>>& OpenMenus() {
    static std::vector<std::unique_ptr<BM_PopupMenu_t>> menus;
    return menus;
}

// The open menu that `window` shows, when `refcon` is its record; null otherwise.
BM_PopupMenu_t* FindMenu(XPLMWindowID window, void* refcon) {
    for (const auto& menu : OpenMenus())
        if (menu.get() == refcon && menu->window == window) return menu.get();
    return nullptr;
}

std::unique_ptr<BM_PopupMenu_t> Detach(BM_PopupMenu_t* menu) {
    auto& menus = OpenMenus();
    auto it = std::find_if(menus.begin(), menus.end(), [&](const auto& m) { return m.get() == menu; });
    if (it == menus.end()) return nullptr;
    std::unique_ptr<BM_PopupMenu_t> taken = std::move(*it);
    menus.erase(it);
    return taken;
}

void DestroyMenuWindow(XPLMWindowID window) {
    if (window) Try("XPLMDestroyWindow of a popup menu", [&] { XPLMDestroyWindow(window); });
}

// A window whose menu is gone; tried again at its next callback if this fails too.
void RetireWindow(XPLMWindowID window) {
    BM_NoThrow(0, [&] {
        XPLMDestroyWindow(window);
        return 0;
    });
}

// Closes, without a pick, the open menus that `which` selects.
template <typename Which>
void CloseMenus(Which which) {
    auto& menus = OpenMenus();
    std::vector<std::unique_ptr<BM_PopupMenu_t>> closing;
    closing.reserve(menus.size());
    for (auto it = menus.begin(); it != menus.end();) {
        if (which(**it)) {
            closing.push_back(std::move(*it));
            it = menus.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& menu : closing) DestroyMenuWindow(menu->window);
}

// ---- Items and layout ----

void AddItem(BM_PopupMenu_t& menu, std::string text, bool enabled, std::vector<int>& heights, int height) {
    menu.items.push_back(std::move(text));
    menu.enabled.push_back(enabled);
    heights.push_back(height);
}

std::vector<int> ParseItems(BM_PopupMenu_t& menu, const char* items) {
    std::vector<int> heights;
    const char* rest = items ? items : "";
    while (*rest) {
        const char* semi = std::strchr(rest, ';');
        std::string part = semi ? std::string(rest, semi) : std::string(rest);
        if (part == "-")
            AddItem(menu, part, false, heights, kSeparatorHeight);
        else if (part[0] == '(')
            AddItem(menu, part.substr(1), false, heights, kItemHeight);
        else
            AddItem(menu, std::move(part), true, heights, kItemHeight);
        if (!semi) break;
        rest = semi + 1;
    }
    return heights;
}

// Columns of items, and the menu placed with the current item's top-left corner at the point
// and then moved onto the screen.
void LayOut(BM_PopupMenu_t& menu, const std::vector<int>& heights, int charWidth, int x, int y, int current) {
    std::size_t maxLen = 0;
    for (const std::string& item : menu.items) maxLen = std::max(maxLen, item.size());
    // Pixel extents are ints: a column, and the whole menu, are no wider than an int holds.
    long long width = std::min<long long>(
        (long long)std::min<std::size_t>(maxLen, INT_MAX) * std::clamp(charWidth, 0, 1 << 16) + kItemPadding, INT_MAX);

    std::size_t count = menu.items.size();
    menu.lefts.resize(count);
    menu.rights.resize(count);
    menu.tops.resize(count);
    menu.bottoms.resize(count);
    long long leftOff = 0, topOff = 0, lowest = 0, cols = 1;
    long long ourLeft = 0, ourTop = 0;
    bool emptyColumn = false;
    if (current < 0) current = 0;
    for (std::size_t n = 0; n < count; ++n) {
        menu.lefts[n] = Sat(leftOff);
        menu.rights[n] = Sat(SatAdd(leftOff, width));
        menu.tops[n] = Sat(topOff);
        menu.bottoms[n] = Sat(topOff - heights[n]);
        if (n == std::size_t(current)) {
            ourLeft = menu.lefts[n];
            ourTop = menu.tops[n];
        }
        topOff -= heights[n];
        lowest = std::min(lowest, topOff);
        emptyColumn = false;
        if (topOff < kColumnFloor) {
            leftOff = SatAdd(leftOff, width);
            menu.vstripes.push_back(Sat(leftOff));
            topOff = 0;
            ++cols;
            emptyColumn = true;
        }
    }
    if (emptyColumn) {
        menu.vstripes.pop_back();
        --cols;
    }

    long long left = (long long)x - ourLeft, top = (long long)y - ourTop;
    long long right = left + (cols > INT_MAX / width ? INT_MAX : width * cols);
    long long bottom = (long long)y + lowest - ourTop;
    if (right > kPlaceRightmost) {
        left -= right - kPlaceRightmost;
        right = kPlaceRightmost;
    }
    if (left < kPlaceLeftmost) {
        right += kPlaceLeftmost - left;
        left = kPlaceLeftmost;
    }
    if (bottom < kPlaceLowest) {
        top += kPlaceLowest - bottom;
        bottom = kPlaceLowest;
    }
    if (top > kPlaceHighest) {
        bottom -= top - kPlaceHighest;
        top = kPlaceHighest;
    }
    menu.left = Sat(left);
    menu.top = Sat(top);
    menu.right = Sat(right);
    menu.bottom = Sat(bottom);
}

// ---- The menu window ----

void Line(int x1, int y1, int x2, int y2) {
    glBegin(GL_LINES);
    glVertex2i(x1, y1);
    glVertex2i(x2, y2);
    glEnd();
}

void DrawMenu(BM_PopupMenu_t& menu) {
    int mouseX = 0, mouseY = 0;
    XPLMGetMouseLocation(&mouseX, &mouseY);
    int hover = XPItemForHeight(&menu, mouseX, mouseY);
    XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0);
    for (int stripe : menu.vstripes) {
        int x = Sat((long long)menu.left + stripe);
        SetupAmbientColor(0, nullptr);
        Line(Sat(x - 1LL), menu.top, Sat(x - 1LL), menu.bottom);
        SetupAmbientColor(3, nullptr);
        Line(x, menu.top, x, menu.bottom);
    }
    for (std::size_t n = 0; n < menu.items.size(); ++n) {
        int L = Sat((long long)menu.left + menu.lefts[n]), R = Sat((long long)menu.left + menu.rights[n]);
        int T = Sat((long long)menu.top + menu.tops[n]), B = Sat((long long)menu.top + menu.bottoms[n]);
        bool lit = int(n) == hover && menu.enabled[n];
        XPDrawElement(L, B, R, T, lit ? xpElement_PushButtonLit : xpElement_PushButton, 0);
        if (!menu.enabled[n] && menu.items[n] == "-") {
            XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0);
            SetupAmbientColor(3, nullptr);
            Line(L, Sat(T - 1LL), R, Sat(T - 1LL));
            SetupAmbientColor(0, nullptr);
            Line(L, T, R, T);
            continue;
        }
        if (lit) {
            SetAlphaLevels(0.25f);
            XPLMSetGraphicsState(0, 0, 0, 0, 1, 0, 0);
            SetupAmbientColor(2, nullptr);
            SetAlphaLevels(1.0f);
            glBegin(GL_QUADS);
            glVertex2i(L, T);
            glVertex2i(R, T);
            glVertex2i(R, B);
            glVertex2i(L, B);
            glEnd();
        }
        float colour[3] = {0, 0, 0};
        SetupAmbientColor(menu.enabled[n] ? 4 : 5, colour);
        XPLMDrawString(colour, Sat((long long)L + kTextIndent), Sat((long long)B + kTextRaise), &menu.items[n][0],
                       nullptr, xplmFont_Menus);
    }
}

void BM_PopupDrawWindowCB(XPLMWindowID inWindowID, void* inRefcon) noexcept {
    BM_PopupMenu_t* menu = FindMenu(inWindowID, inRefcon);
    if (!menu) {
        RetireWindow(inWindowID);
        return;
    }
    // Not logged: a failure would repeat every frame.
    BM_NoThrow(0, [&] {
        DrawMenu(*menu);
        return 0;
    });
}

void BM_PopupHandleKeyCB(XPLMWindowID, char, XPLMKeyFlags, char, void*, int) noexcept {}

int BM_PopupHandleMouseClickCB(XPLMWindowID inWindowID, int x, int y, XPLMMouseStatus inMouse,
                               void* inRefcon) noexcept {
    BM_PopupMenu_t* open = FindMenu(inWindowID, inRefcon);
    if (!open) {
        RetireWindow(inWindowID);
        return 0;  // to whatever lies below
    }
    if (inMouse != xplm_MouseUp) return 1;
    std::unique_ptr<BM_PopupMenu_t> menu = Detach(open);
    int choice = XPItemForHeight(menu.get(), x, y);
    if (choice >= 0 && !menu->enabled[std::size_t(choice)]) choice = -1;
    DestroyMenuWindow(menu->window);
    if (menu->function) Try("the popup menu's pick callback", [&] { menu->function(choice, menu->ref); });
    return 1;
}

void OpenMenu(int inMouseX, int inMouseY, const char* inItems, int inCurrentItem, BM_PopupPick_f inCallback,
              void* inRefcon) {
    int charWidth = 0, charHeight = 0;
    XPLMGetFontDimensions(xplmFont_Menus, &charWidth, &charHeight, nullptr);
    auto menu = std::make_unique<BM_PopupMenu_t>();
    std::vector<int> heights = ParseItems(*menu, inItems);
    LayOut(*menu, heights, charWidth, inMouseX, inMouseY, inCurrentItem);
    menu->function = inCallback;
    menu->ref = inRefcon;
    auto& menus = OpenMenus();
    menus.reserve(menus.size() + 1);  // nothing may fail once the window exists
    menu->window = XPLMCreateWindow(0, kScreenHeight, kScreenWidth, 0, 1, BM_PopupDrawWindowCB, BM_PopupHandleKeyCB,
                                    BM_PopupHandleMouseClickCB, menu.get());
    if (menu->window) menus.push_back(std::move(menu));
}

// ---- The popup button ----

std::string Descriptor(XPWidgetID widget) {
    std::vector<char> buffer(kDescriptorBuffer, '\0');
    XPGetWidgetDescriptor(widget, buffer.data(), int(kDescriptorBuffer - 1));
    return std::string(buffer.data());
}

// Picks go to the popup button as its new choice and up its chain as a message.
void BM_PopupWidgetProc(int inChoice, void* inRefcon) {
    if (inChoice == -1) return;
    XPWidgetID button = static_cast<XPWidgetID>(inRefcon);
    XPSetWidgetProperty(button, xpProperty_PopupChoice, inChoice);
    XPSendMessageToWidget(button, xpMsg_PopupChoiceMade, xpMode_UpChain, reinterpret_cast<intptr_t>(button), inChoice);
}

// Finds where the chosen item's text lies in the descriptor.
void LocateChoice(XPWidgetID widget) {
    std::string text = Descriptor(widget);
    intptr_t choice = XPGetWidgetProperty(widget, xpProperty_PopupChoice, nullptr);
    std::size_t start = 0;
    for (intptr_t n = 0; n < choice && start < text.size(); ++n) {
        std::size_t semi = text.find(';', start);
        start = semi == std::string::npos ? text.size() : semi + 1;
    }
    std::size_t end = std::min(text.find(';', start), text.size());
    XPSetWidgetProperty(widget, xpProperty_PopupItemOffset, intptr_t(start));
    XPSetWidgetProperty(widget, xpProperty_PopupItemLength, intptr_t(end - start));
    XPSetWidgetProperty(widget, xpProperty_Enabled, 1);
}

// Property values are whatever a script set; only what lies inside [0, limit] is used.
std::size_t Clamp(intptr_t value, std::size_t limit) {
    if (value <= 0) return 0;
    return std::min<std::size_t>(std::size_t(value), limit);
}

int SimulatorVersion() {
    static int version = -1;
    if (version < 0) {
        int fetched = 0;
        XPLMGetVersions(&fetched, nullptr, nullptr);
        version = std::max(fetched, 0);
    }
    return version;
}

constexpr int kSmoothBarBefore = 700;  // older simulators draw the button as a smooth bar
constexpr int kButtonHalfHeight = 13;
constexpr int kTextRoom = 24;  // of the button's width, not for text

void DrawButton(XPWidgetID widget) {
    int l = 0, t = 0, r = 0, b = 0;
    XPGetWidgetGeometry(widget, &l, &t, &r, &b);
    int charWidth = 0, charHeight = 0;
    XPLMGetFontDimensions(xplmFont_Basic, &charWidth, &charHeight, nullptr);
    long long m = ((long long)t + b) / 2;
    if (SimulatorVersion() >= kSmoothBarBefore)
        XPDrawElement(Sat(l - 4LL), Sat(m - kButtonHalfHeight), Sat(r + 4LL), Sat(m + kButtonHalfHeight),
                      xpElement_PushButton, 0);
    else
        XPDrawElement(Sat(l + 2LL), b, Sat(r - 2LL), t, xpElement_WindowDragBarSmooth, 0);

    std::string text = Descriptor(widget);
    std::size_t offset = Clamp(XPGetWidgetProperty(widget, xpProperty_PopupItemOffset, nullptr), text.size());
    std::size_t length = Clamp(XPGetWidgetProperty(widget, xpProperty_PopupItemLength, nullptr), text.size() - offset);
    if (charWidth > 0) {
        long long fits = ((long long)r - l - kTextRoom) / charWidth;
        length = std::min<std::size_t>(length, std::size_t(std::max(fits, 0LL)));
    }
    std::string shown = text.substr(offset, length);
    if (!shown.empty() && shown[0] == '(') shown.erase(0, 1);
    float colour[3] = {0, 0, 0};
    SetupAmbientColor(XPGetWidgetProperty(widget, xpProperty_Enabled, nullptr) ? 4 : 5, colour);
    XPLMDrawString(colour, Sat(l + 4LL), Sat(m - charHeight / 2 + 2), &shown[0], nullptr, xplmFont_Basic);
}

void OpenButtonMenu(XPWidgetID widget) {
    int l = 0, t = 0;
    XPGetWidgetGeometry(widget, &l, &t, nullptr, nullptr);
    std::string items = Descriptor(widget);
    intptr_t choice = XPGetWidgetProperty(widget, xpProperty_PopupChoice, nullptr);
    int current = int(std::clamp<intptr_t>(choice, 0, INT_MAX));
    XPPickPopup(l, t, items.c_str(), current, BM_PopupWidgetProc, widget);
}

int ButtonMessage(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    if (XPUSelectIfNeeded(inMessage, inWidget, inParam1, inParam2, 1)) return 1;
    switch (inMessage) {
        case xpMsg_Create:
        case xpMsg_DescriptorChanged:
            LocateChoice(inWidget);
            return 1;
        case xpMsg_PropertyChanged:
            if (inParam1 == xpProperty_PopupChoice) LocateChoice(inWidget);
            return 1;
        case xpMsg_Draw:
            DrawButton(inWidget);
            return 1;
        case xpMsg_MouseDown:
            if (!XPGetWidgetProperty(inWidget, xpProperty_Enabled, nullptr)) return 0;
            OpenButtonMenu(inWidget);
            return 1;
        case xpMsg_Destroy:
            // A menu must not pick for a button that is gone.
            CloseMenus([&](const BM_PopupMenu_t& menu) {
                return menu.function == BM_PopupWidgetProc && menu.ref == inWidget;
            });
            return 0;
        default:
            return 0;
    }
}

}  // namespace

void XPPickPopup(int inMouseX, int inMouseY, const char* inItems, int inCurrentItem, BM_PopupPick_f inCallback,
                 void* inRefcon) {
    Try("XPPickPopup", [&] { OpenMenu(inMouseX, inMouseY, inItems, inCurrentItem, inCallback, inRefcon); });
}

int XPItemForHeight(BM_PopupMenu_t* pmenu, int inX, int inY) {
    if (!pmenu) return -1;
    long long x = (long long)inX - pmenu->left, y = (long long)inY - pmenu->top;
    std::size_t count = std::min({pmenu->lefts.size(), pmenu->rights.size(), pmenu->bottoms.size(),
                                  pmenu->tops.size(), std::size_t(INT_MAX)});
    for (std::size_t n = 0; n < count; ++n)
        if (pmenu->lefts[n] <= x && x < pmenu->rights[n] && pmenu->bottoms[n] <= y && y < pmenu->tops[n])
            return int(n);
    return -1;
}

void BM_ClosePopups() {
    BM_NoThrow(0, [] {
        CloseMenus([](const BM_PopupMenu_t&) { return true; });
        return 0;
    });
}

XPWidgetID BM_CreatePopup(int inLeft, int inTop, int inRight, int inBottom, int inVisible, const char* inDescriptor,
                          XPWidgetID inContainer) {
    XPWidgetID widget = nullptr;
    Try("BM_CreatePopup", [&] {
        widget = XPCreateCustomWidget(inLeft, inTop, inRight, inBottom, inVisible, inDescriptor, 0, inContainer,
                                      BM_PopupButtonProc);
    });
    return widget;
}

int BM_PopupButtonProc(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    if (inMessage == xpMsg_Draw)  // not logged: a failure would repeat every frame
        return BM_NoThrow(0, [&] { return ButtonMessage(inMessage, inWidget, inParam1, inParam2); });
    int answer = 0;
    Try("the popup button", [&] { answer = ButtonMessage(inMessage, inWidget, inParam1, inParam2); });
    return answer;
}
