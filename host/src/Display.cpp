// Drawing phases, windows, key sniffers, hot keys, and the routing of mouse and key input.
//
// A frame draws the phases in the SDK's order: for each, the "before" callbacks (one answering 0
// keeps the simulator from drawing that phase), the simulator's own drawing, the "after"
// callbacks. Windows are drawn last, back to front. Mouse downs go to the front-most visible
// window under the pointer whose callback takes them (1), falling through to lower windows while
// they answer 0; that window gets the drags and the up. Keys pass the before-window sniffers, the
// focused window, the after-window sniffers and then the hot keys; a sniffer answering 0, a
// focused window or a matching hot key consumes the key. The window of a root widget hands its
// keys to the focused widget and passes on those that no widget consumed.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "HostState.h"
#include "XPLMDisplay.h"

using namespace bmhost::detail;

namespace {

const XPLMDrawingPhase kPhases[] = {xplm_Phase_FirstScene, xplm_Phase_Terrain,   xplm_Phase_Airports,
                                    xplm_Phase_Vectors,    xplm_Phase_Objects,   xplm_Phase_Airplanes,
                                    xplm_Phase_LastScene,  xplm_Phase_FirstCockpit, xplm_Phase_Panel,
                                    xplm_Phase_Gauges,     xplm_Phase_Window,    xplm_Phase_LastCockpit};

bool KnownPhase(XPLMDrawingPhase phase) {
    return std::find(std::begin(kPhases), std::end(kPhases), phase) != std::end(kPhases) ||
           (phase >= xplm_Phase_LocalMap3D && phase <= xplm_Phase_LocalMapProfile);
}

bool OwnerEnabled(XPLMPluginID owner) {
    Plugin* plugin = FindPlugin(owner);
    return !plugin || plugin->enabled;
}

XPLMWindowID IdOf(std::size_t index) { return MakeHandle(HandleKind::Window, index); }

void CallKey(std::size_t index, char key, XPLMKeyFlags flags, char vkey, int losingFocus, XPLMWindowID argument) {
    Window window = S().windows[index];
    if (!window.key) return;
    CallPluginCode(window.owner, "a window key callback",
                   [&] { window.key(argument, key, flags, vkey, window.refcon, losingFocus); });
}

// Focus moves; the window that had it hears so, with the window taking it as argument.
void MoveFocus(std::size_t to) {
    std::size_t from = S().focus;
    if (from == to) return;
    S().focus = to;
    if (from && S().windows[from - 1].alive)
        CallKey(from - 1, 0, 0, 0, 1, to ? IdOf(to - 1) : nullptr);
}

bool Contains(const Window& w, int x, int y) {
    return x >= w.left && x <= w.right && y >= w.bottom && y <= w.top;
}

int Mouse(std::size_t index, int x, int y, XPLMMouseStatus status, bool right = false) {
    Window window = S().windows[index];
    XPLMHandleMouseClick_f handler = right ? window.rightClick : window.mouse;
    if (!handler || !OwnerEnabled(window.owner)) return 0;
    int taken = 0;
    CallPluginCode(window.owner, right ? "a window right-click callback" : "a window mouse callback",
                   [&] { taken = handler(IdOf(index), x, y, status, window.refcon); });
    return taken;
}

const int kLayers = 4;  // flight overlay, floating windows, modal, growl notifications

// The live, visible windows under (x, y), front-most first: the top layer's first.
std::vector<std::size_t> WindowsAt(int x, int y) {
    std::vector<std::size_t> found;
    for (int layer = kLayers - 1; layer >= 0; --layer)
        for (auto it = S().zOrder.rbegin(); it != S().zOrder.rend(); ++it) {
            const Window& window = S().windows[*it];
            if (window.alive && window.visible && window.layer == layer && Contains(window, x, y)) found.push_back(*it);
        }
    return found;
}

// A decorated modern window stops what its callbacks leave.
bool StopsClicks(const Window& window) { return window.modern && window.decoration != xplm_WindowDecorationNone; }

// Applies the positioning mode's rectangle on a screen of the current size.
void Position(Window& w) {
    int width = w.right - w.left, height = w.top - w.bottom;
    int screenW = S().screenWidth, screenH = S().screenHeight;
    if (w.mode == xplm_WindowCenterOnMonitor) {
        w.left = (screenW - width) / 2;
        w.right = w.left + width;
        w.bottom = (screenH - height) / 2;
        w.top = w.bottom + height;
    } else if (w.mode == xplm_WindowFullScreenOnMonitor || w.mode == xplm_WindowFullScreenOnAllMonitors) {
        w.left = 0;
        w.top = screenH;
        w.right = screenW;
        w.bottom = 0;
    }
}

}  // namespace

namespace {

std::tuple<const void*, int, int, void*> KeyOf(XPLMDrawCallback_f func, int phase, int before, void* refcon) {
    return {FunctionKey(func), phase, before, refcon};
}
std::tuple<const void*, int, int, void*> KeyOf(const DrawCallback& c) {
    return KeyOf(c.func, c.phase, c.before, c.refcon);
}
std::tuple<const void*, int, void*> KeyOf(XPLMKeySniffer_f func, int beforeWindows, void* refcon) {
    return {FunctionKey(func), beforeWindows, refcon};
}
std::tuple<const void*, int, void*> KeyOf(const KeySniffer& k) { return KeyOf(k.func, k.beforeWindows, k.refcon); }

}  // namespace

namespace bmhost::detail {

Window* WindowFromId(XPLMWindowID id, const char* function) {
    std::size_t index = 0;
    if (!DecodeHandle(id, HandleKind::Window, &index) || index >= S().windows.size() || !S().windows[index].alive) {
        HostWarning(std::string(function) + ": not a window id");
        return nullptr;
    }
    return &S().windows[index];
}

// A window was closed: it leaves the stacking order, all closed ones at once when they are
// more than the open ones.
void LeaveZOrder() {
    State& s = S();
    if (++s.closedInZOrder * 2 <= s.zOrder.size()) return;
    s.zOrder.erase(std::remove_if(s.zOrder.begin(), s.zOrder.end(), [&s](std::size_t i) { return !s.windows[i].alive; }),
                   s.zOrder.end());
    s.closedInZOrder = 0;
}

std::size_t OpenWidgetWindow(const Window& window) {
    std::size_t index = S().windows.size();
    S().windows.push_back(window);
    S().zOrder.push_back(index);
    return index;
}

void CloseWindowAt(std::size_t index) {
    if (index >= S().windows.size() || !S().windows[index].alive) return;
    if (S().focus == index + 1) MoveFocus(0);
    Window& window = S().windows[index];  // the focus call may have added windows
    if (!window.alive) return;            // or destroyed this one
    window.alive = false;
    LeaveZOrder();
    if (S().capture == index + 1) S().capture = 0;
    if (S().rightCapture == index + 1) S().rightCapture = 0;
}

void FocusWindow(std::size_t index) { MoveFocus(index); }

void RaiseWindow(std::size_t index) {
    auto& order = S().zOrder;
    if (std::find(order.begin(), order.end(), index) == order.end()) return;
    order.erase(std::remove(order.begin(), order.end(), index), order.end());
    order.push_back(index);
}

bool IsFrontWindow(std::size_t index) {  // within the window's layer
    int layer = S().windows[index].layer;
    for (auto it = S().zOrder.rbegin(); it != S().zOrder.rend(); ++it) {
        const Window& window = S().windows[*it];
        if (window.alive && window.visible && window.layer == layer) return *it == index;
    }
    return false;
}

void DrawFrame() {
    State& s = S();
    s.drawing.clear();
    for (XPLMDrawingPhase phase : kPhases) {
        s.currentPhase = phase;
        bool simulatorDraws = true;
        for (int before = 1; before >= 0; --before) {
            std::size_t count = s.drawCallbacks.size();
            for (std::size_t i = 0; i < count; ++i) {
                DrawCallback cb = s.drawCallbacks[i];
                if (cb.removed || cb.phase != phase || cb.before != before || !OwnerEnabled(cb.owner)) continue;
                int result = 1;
                CallPluginCode(cb.owner, "a draw callback", [&] { result = cb.func(phase, before, cb.refcon); });
                if (before && result == 0) simulatorDraws = false;
            }
            if (before && simulatorDraws) Record("phase", {double(phase)});
            if (before && phase == xplm_Phase_Panel) AvionicsFrame();
        }
    }
    s.currentPhase = -1;
    std::vector<std::size_t> order = s.zOrder;  // a callback may create or destroy windows
    for (int layer = 0; layer < kLayers; ++layer)
        for (std::size_t index : order) {
            if (s.windows[index].layer != layer) continue;
            Window window = s.windows[index];
            if (!window.alive || !window.visible || !OwnerEnabled(window.owner)) continue;
            if (window.modern && window.decoration == xplm_WindowDecorationRoundRectangle)
                Record("frame", {double(window.left), double(window.top), double(window.right), double(window.bottom)},
                       window.title);
            if (!window.draw) continue;
            CallPluginCode(window.owner, "a window draw callback", [&] { window.draw(IdOf(index), window.refcon); });
        }
    auto& callbacks = s.drawCallbacks;
    callbacks.erase(std::remove_if(callbacks.begin(), callbacks.end(), [](const DrawCallback& c) { return c.removed; }),
                    callbacks.end());
    s.drawIndex.Rebuild(callbacks, [](const DrawCallback& c) { return KeyOf(c); });
    auto& sniffers = s.keySniffers;  // no key is being delivered now
    sniffers.erase(std::remove_if(sniffers.begin(), sniffers.end(), [](const KeySniffer& k) { return k.removed; }),
                   sniffers.end());
    s.keySnifferIndex.Rebuild(sniffers, [](const KeySniffer& k) { return KeyOf(k); });
    s.lastFrame = s.drawing;
}

void SweepDisplay(XPLMPluginID owner) {
    State& s = S();
    for (DrawCallback& cb : s.drawCallbacks)
        if (cb.owner == owner) cb.removed = true;
    for (KeySniffer& sniffer : s.keySniffers)
        if (sniffer.owner == owner) sniffer.removed = true;
    s.drawIndex.Rebuild(s.drawCallbacks, [](const DrawCallback& c) { return KeyOf(c); });
    s.keySnifferIndex.Rebuild(s.keySniffers, [](const KeySniffer& k) { return KeyOf(k); });
    for (HotKey& key : s.hotKeys)
        if (key.owner == owner) key.alive = false;
    for (std::size_t i = 0; i < s.windows.size(); ++i) {
        if (!s.windows[i].alive || s.windows[i].owner != owner) continue;
        s.windows[i].alive = false;
        LeaveZOrder();
        if (s.focus == i + 1) s.focus = 0;
        if (s.capture == i + 1) s.capture = 0;
        if (s.rightCapture == i + 1) s.rightCapture = 0;
    }
}

void ResetDisplay() {
    State& s = S();
    s.screenWidth = 1024;
    s.screenHeight = 768;
    s.mouseX = s.mouseY = 0;
    s.drawCallbacks.clear();
    s.keySniffers.clear();
    s.windows.clear();
    s.zOrder.clear();
    s.closedInZOrder = 0;
    s.drawIndex.Clear();
    s.keySnifferIndex.Clear();
    s.focus = s.capture = s.rightCapture = 0;
    s.hotKeys.clear();
    std::fill(std::begin(s.graphicsState), std::end(s.graphicsState), 0);
    std::fill(std::begin(s.boundTextures), std::end(s.boundTextures), 0);
    s.nextTexture = 1;
    s.currentPhase = -1;
    s.drawing.clear();
    s.lastFrame.clear();
}

}  // namespace bmhost::detail

// ---- Draw callbacks and key sniffers ----

int XPLMRegisterDrawCallback(XPLMDrawCallback_f inCallback, XPLMDrawingPhase inPhase, int inWantsBefore,
                             void* inRefcon) {
    BMHOST_ENTER();
    if (!inCallback || !KnownPhase(inPhase)) return 0;
    int before = inWantsBefore ? 1 : 0;
    auto key = KeyOf(inCallback, inPhase, before, inRefcon);
    if (S().drawIndex.First(key) != LiveIndex<int>::npos) return 0;
    S().drawCallbacks.push_back(DrawCallback{inCallback, inPhase, before, inRefcon, S().current});
    S().drawIndex.Add(key, S().drawCallbacks.size() - 1);
    return 1;
}

int XPLMUnregisterDrawCallback(XPLMDrawCallback_f inCallback, XPLMDrawingPhase inPhase, int inWantsBefore,
                               void* inRefcon) {
    BMHOST_ENTER();
    auto key = KeyOf(inCallback, inPhase, inWantsBefore ? 1 : 0, inRefcon);
    std::size_t at = S().drawIndex.First(key);
    if (at == LiveIndex<int>::npos) return 0;
    S().drawCallbacks[at].removed = true;
    S().drawIndex.Remove(key, at);
    return 1;
}

int XPLMRegisterKeySniffer(XPLMKeySniffer_f inCallback, int inBeforeWindows, void* inRefcon) {
    BMHOST_ENTER();
    if (!inCallback) return 0;
    S().keySniffers.push_back(KeySniffer{inCallback, inBeforeWindows ? 1 : 0, inRefcon, S().current});
    S().keySnifferIndex.Add(KeyOf(S().keySniffers.back()), S().keySniffers.size() - 1);
    return 1;
}

int XPLMUnregisterKeySniffer(XPLMKeySniffer_f inCallback, int inBeforeWindows, void* inRefcon) {
    BMHOST_ENTER();
    auto key = KeyOf(inCallback, inBeforeWindows ? 1 : 0, inRefcon);
    std::size_t at = S().keySnifferIndex.First(key);  // the first registered, when there are several
    if (at == LiveIndex<int>::npos) return 0;
    S().keySniffers[at].removed = true;
    S().keySnifferIndex.Remove(key, at);
    return 1;
}

// ---- Screen and windows ----

void XPLMGetScreenSize(int* outWidth, int* outHeight) {
    BMHOST_ENTER();
    if (outWidth) *outWidth = S().screenWidth;
    if (outHeight) *outHeight = S().screenHeight;
}

void XPLMGetMouseLocation(int* outX, int* outY) {
    BMHOST_ENTER();
    if (outX) *outX = S().mouseX;
    if (outY) *outY = S().mouseY;
}

XPLMWindowID XPLMCreateWindow(int inLeft, int inTop, int inRight, int inBottom, int inIsVisible,
                              XPLMDrawWindow_f inDrawCallback, XPLMHandleKey_f inKeyCallback,
                              XPLMHandleMouseClick_f inMouseCallback, void* inRefcon) {
    BMHOST_ENTER();
    std::size_t index = S().windows.size();
    S().windows.push_back(Window{inLeft, inTop, inRight, inBottom, inIsVisible != 0, inDrawCallback, inKeyCallback,
                                 inMouseCallback, inRefcon, S().current});
    S().zOrder.push_back(index);  // new windows come to the front
    return IdOf(index);
}

void XPLMDestroyWindow(XPLMWindowID inWindowID) {
    BMHOST_ENTER();
    Window* window = WindowFromId(inWindowID, __func__);
    if (!window) return;
    if (window->widget) {
        HostWarning(std::string(__func__) + ": the window of a root widget goes with its widget");
        return;
    }
    std::size_t index = 0;
    DecodeHandle(inWindowID, HandleKind::Window, &index);
    CloseWindowAt(index);
}

void XPLMGetWindowGeometry(XPLMWindowID inWindowID, int* outLeft, int* outTop, int* outRight, int* outBottom) {
    BMHOST_ENTER();
    Window* w = WindowFromId(inWindowID, __func__);
    if (!w) return;
    if (outLeft) *outLeft = w->left;
    if (outTop) *outTop = w->top;
    if (outRight) *outRight = w->right;
    if (outBottom) *outBottom = w->bottom;
}

void XPLMSetWindowGeometry(XPLMWindowID inWindowID, int inLeft, int inTop, int inRight, int inBottom) {
    BMHOST_ENTER();
    if (Window* w = WindowFromId(inWindowID, __func__)) {
        w->left = inLeft;
        w->top = inTop;
        w->right = inRight;
        w->bottom = inBottom;
    }
}

int XPLMGetWindowIsVisible(XPLMWindowID inWindowID) {
    BMHOST_ENTER();
    Window* w = WindowFromId(inWindowID, __func__);
    return w && w->visible ? 1 : 0;
}

void XPLMSetWindowIsVisible(XPLMWindowID inWindowID, int inIsVisible) {
    BMHOST_ENTER();
    if (Window* w = WindowFromId(inWindowID, __func__)) w->visible = inIsVisible != 0;
}

void* XPLMGetWindowRefCon(XPLMWindowID inWindowID) {
    BMHOST_ENTER();
    Window* w = WindowFromId(inWindowID, __func__);
    return w ? w->refcon : nullptr;
}

void XPLMSetWindowRefCon(XPLMWindowID inWindowID, void* inRefcon) {
    BMHOST_ENTER();
    if (Window* w = WindowFromId(inWindowID, __func__)) w->refcon = inRefcon;
}

void XPLMTakeKeyboardFocus(XPLMWindowID inWindow) {
    BMHOST_ENTER();
    if (!inWindow) {
        MoveFocus(0);
        return;
    }
    if (!WindowFromId(inWindow, __func__)) return;
    std::size_t index = 0;
    DecodeHandle(inWindow, HandleKind::Window, &index);
    MoveFocus(index + 1);
}

void XPLMBringWindowToFront(XPLMWindowID inWindow) {
    BMHOST_ENTER();
    if (!WindowFromId(inWindow, __func__)) return;
    std::size_t index = 0;
    DecodeHandle(inWindow, HandleKind::Window, &index);
    RaiseWindow(index);
}

int XPLMIsWindowInFront(XPLMWindowID inWindow) {
    BMHOST_ENTER();
    if (!WindowFromId(inWindow, __func__)) return 0;
    std::size_t index = 0;
    DecodeHandle(inWindow, HandleKind::Window, &index);
    return IsFrontWindow(index) ? 1 : 0;
}

// ---- Modern windows and the global desktop ----
//
// One monitor, index 0, as large as the screen; one boxel is one pixel, so global, OS and
// legacy coordinates coincide. Nothing is ever popped out into an OS window of its own, nor
// placed in VR: a popped-out window keeps its rectangle in the one desktop.

namespace {

// The window of `id` when it is a modern one; a legacy window is reported.
Window* ModernFromId(XPLMWindowID id, const char* function) {
    Window* window = WindowFromId(id, function);
    if (window && !window->modern) {
        HostWarning(std::string(function) + ": not a modern window (XPLMCreateWindowEx)");
        return nullptr;
    }
    return window;
}

const int kCreateWindow200Size = int(offsetof(XPLMCreateWindow_t, decorateAsFloatingWindow));  // 72 on LP64

template <typename T>
T Field(const XPLMCreateWindow_t* params, std::size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const char*>(params) + offset, sizeof value);
    return value;
}

}  // namespace

XPLMWindowID XPLMCreateWindowEx(XPLMCreateWindow_t* inParams) {
    BMHOST_ENTER();
    if (!inParams || inParams->structSize < kCreateWindow200Size) {
        HostWarning(std::string(__func__) + ": structSize " + (inParams ? std::to_string(inParams->structSize) : "?") +
                    " is smaller than any XPLMCreateWindow_t");
        return nullptr;
    }
    // Only the fields the caller's struct holds are read: the SDK 2.0 layout ends before the
    // decoration; anything of the full size or more holds all of them.
    bool full = inParams->structSize >= int(sizeof(XPLMCreateWindow_t));
    Window window{inParams->left,          inParams->top,           inParams->right,
                  inParams->bottom,        inParams->visible != 0,  inParams->drawWindowFunc,
                  inParams->handleKeyFunc, inParams->handleMouseClickFunc, inParams->refcon,
                  S().current};
    window.cursor = inParams->handleCursorFunc;
    window.wheel = inParams->handleMouseWheelFunc;
    if (full) {
        window.modern = true;
        window.decoration = Field<int>(inParams, offsetof(XPLMCreateWindow_t, decorateAsFloatingWindow));
        window.layer = Field<int>(inParams, offsetof(XPLMCreateWindow_t, layer));
        window.rightClick =
            Field<XPLMHandleMouseClick_f>(inParams, offsetof(XPLMCreateWindow_t, handleRightClickFunc));
        if (window.layer < xplm_WindowLayerFlightOverlay || window.layer > xplm_WindowLayerGrowlNotifications) {
            HostWarning(std::string(__func__) + ": layer " + std::to_string(window.layer) + " is no window layer");
            return nullptr;
        }
        if (window.decoration < xplm_WindowDecorationNone ||
            window.decoration > xplm_WindowDecorationSelfDecoratedResizable) {
            HostWarning(std::string(__func__) + ": decorateAsFloatingWindow " + std::to_string(window.decoration) +
                        " is no window decoration");
            return nullptr;
        }
    }
    const char* missing[] = {window.draw ? nullptr : "drawWindowFunc", window.key ? nullptr : "handleKeyFunc",
                             window.cursor ? nullptr : "handleCursorFunc",
                             window.wheel ? nullptr : "handleMouseWheelFunc"};
    for (const char* field : missing)
        if (field) HostWarning(std::string(__func__) + ": " + field + " is NULL");
    std::size_t index = S().windows.size();
    S().windows.push_back(window);
    S().zOrder.push_back(index);  // at the front of its layer
    return IdOf(index);
}

void XPLMGetScreenBoundsGlobal(int* outLeft, int* outTop, int* outRight, int* outBottom) {
    BMHOST_ENTER();
    if (outLeft) *outLeft = 0;
    if (outTop) *outTop = S().screenHeight;
    if (outRight) *outRight = S().screenWidth;
    if (outBottom) *outBottom = 0;
}

void XPLMGetAllMonitorBoundsGlobal(XPLMReceiveMonitorBoundsGlobal_f inMonitorBoundsCallback, void* inRefcon) {
    BMHOST_ENTER();
    if (!inMonitorBoundsCallback) return;
    int width = S().screenWidth, height = S().screenHeight;
    CallPluginCode(S().current, "a monitor bounds callback",
                   [&] { inMonitorBoundsCallback(0, 0, height, width, 0, inRefcon); });
}

void XPLMGetAllMonitorBoundsOS(XPLMReceiveMonitorBoundsOS_f inMonitorBoundsCallback, void* inRefcon) {
    BMHOST_ENTER();
    if (!inMonitorBoundsCallback) return;
    int width = S().screenWidth, height = S().screenHeight;
    CallPluginCode(S().current, "a monitor bounds callback",
                   [&] { inMonitorBoundsCallback(0, 0, height, width, 0, inRefcon); });
}

void XPLMGetMouseLocationGlobal(int* outX, int* outY) {
    BMHOST_ENTER();
    if (outX) *outX = S().mouseX;
    if (outY) *outY = S().mouseY;
}

// A window not popped out answers its global rectangle.
void XPLMGetWindowGeometryOS(XPLMWindowID inWindowID, int* outLeft, int* outTop, int* outRight, int* outBottom) {
    BMHOST_ENTER();
    Window* w = WindowFromId(inWindowID, __func__);
    if (!w) return;
    bool popped = w->mode == xplm_WindowPopOut;
    int rect[4] = {popped ? w->os[0] : w->left, popped ? w->os[1] : w->top, popped ? w->os[2] : w->right,
                   popped ? w->os[3] : w->bottom};
    int* out[4] = {outLeft, outTop, outRight, outBottom};
    for (int i = 0; i < 4; ++i)
        if (out[i]) *out[i] = rect[i];
}

// Kept for the window's next pop-out when it is not popped out.
void XPLMSetWindowGeometryOS(XPLMWindowID inWindowID, int inLeft, int inTop, int inRight, int inBottom) {
    BMHOST_ENTER();
    if (Window* w = ModernFromId(inWindowID, __func__)) {
        w->os[0] = inLeft;
        w->os[1] = inTop;
        w->os[2] = inRight;
        w->os[3] = inBottom;
    }
}

void XPLMGetWindowGeometryVR(XPLMWindowID inWindowID, int* outWidthBoxels, int* outHeightBoxels) {
    BMHOST_ENTER();
    Window* w = WindowFromId(inWindowID, __func__);
    if (!w) return;
    if (outWidthBoxels) *outWidthBoxels = w->right - w->left;
    if (outHeightBoxels) *outHeightBoxels = w->top - w->bottom;
}

void XPLMSetWindowGeometryVR(XPLMWindowID inWindowID, int widthBoxels, int heightBoxels) {
    BMHOST_ENTER();
    Window* w = ModernFromId(inWindowID, __func__);
    if (!w) return;
    w->vr[0] = widthBoxels;
    w->vr[1] = heightBoxels;
    HostWarning(std::string(__func__) + ": the window is not in VR");
}

int XPLMWindowIsPoppedOut(XPLMWindowID inWindowID) {
    BMHOST_ENTER();
    Window* w = WindowFromId(inWindowID, __func__);
    return w && w->modern && w->mode == xplm_WindowPopOut ? 1 : 0;
}

int XPLMWindowIsInVR(XPLMWindowID inWindowID) {
    BMHOST_ENTER();
    WindowFromId(inWindowID, __func__);
    return 0;
}

void XPLMSetWindowGravity(XPLMWindowID inWindowID, float inLeftGravity, float inTopGravity, float inRightGravity,
                          float inBottomGravity) {
    BMHOST_ENTER();
    if (Window* w = ModernFromId(inWindowID, __func__)) {
        w->gravity[0] = inLeftGravity;
        w->gravity[1] = inTopGravity;
        w->gravity[2] = inRightGravity;
        w->gravity[3] = inBottomGravity;
    }
}

void XPLMSetWindowResizingLimits(XPLMWindowID inWindowID, int inMinWidthBoxels, int inMinHeightBoxels,
                                 int inMaxWidthBoxels, int inMaxHeightBoxels) {
    BMHOST_ENTER();
    Window* w = ModernFromId(inWindowID, __func__);
    if (!w) return;
    if (inMinWidthBoxels > inMaxWidthBoxels || inMinHeightBoxels > inMaxHeightBoxels) {
        HostWarning(std::string(__func__) + ": a minimum is above its maximum; the limits stay");
        return;
    }
    w->limits[0] = inMinWidthBoxels;
    w->limits[1] = inMinHeightBoxels;
    w->limits[2] = inMaxWidthBoxels;
    w->limits[3] = inMaxHeightBoxels;
}

void XPLMSetWindowPositioningMode(XPLMWindowID inWindowID, XPLMWindowPositioningMode inPositioningMode,
                                  int inMonitorIndex) {
    BMHOST_ENTER();
    Window* w = ModernFromId(inWindowID, __func__);
    if (!w) return;
    if (inPositioningMode < xplm_WindowPositionFree || inPositioningMode > xplm_WindowVR) {
        HostWarning(std::string(__func__) + ": " + std::to_string(inPositioningMode) + " is no positioning mode");
        return;
    }
    if (inPositioningMode == xplm_WindowVR) {
        HostWarning(std::string(__func__) + ": VR is not available");
        return;
    }
    if (inMonitorIndex >= 1)
        HostWarning(std::string(__func__) + ": there is no monitor " + std::to_string(inMonitorIndex) +
                    "; monitor 0 is used");
    if (inPositioningMode == xplm_WindowPopOut && w->mode != xplm_WindowPopOut) {
        w->os[0] = w->left;
        w->os[1] = w->top;
        w->os[2] = w->right;
        w->os[3] = w->bottom;
    }
    w->mode = inPositioningMode;
    Position(*w);
}

void XPLMSetWindowTitle(XPLMWindowID inWindowID, const char* inWindowTitle) {
    BMHOST_ENTER();
    if (Window* w = ModernFromId(inWindowID, __func__)) w->title = inWindowTitle ? inWindowTitle : "";
}

// With NULL: whether no plug-in window has focus.
int XPLMHasKeyboardFocus(XPLMWindowID inWindow) {
    BMHOST_ENTER();
    if (!inWindow) return S().focus == 0 ? 1 : 0;
    std::size_t index = 0;
    if (!DecodeHandle(inWindow, HandleKind::Window, &index) || index >= S().windows.size() ||
        !S().windows[index].alive)
        return 0;
    return S().focus == index + 1 ? 1 : 0;
}

// ---- Hot keys ----

XPLMHotKeyID XPLMRegisterHotKey(char inVirtualKey, XPLMKeyFlags inFlags, const char* inDescription,
                                XPLMHotKey_f inCallback, void* inRefcon) {
    BMHOST_ENTER();
    std::size_t index = S().hotKeys.size();
    S().hotKeys.push_back(HotKey{static_cast<unsigned char>(inVirtualKey), inFlags,
                                 inDescription ? inDescription : "", inCallback, inRefcon, S().current});
    return MakeHandle(HandleKind::HotKey, index);
}

namespace {
HotKey* HotKeyFromId(XPLMHotKeyID id, const char* function) {
    std::size_t index = 0;
    if (!DecodeHandle(id, HandleKind::HotKey, &index) || index >= S().hotKeys.size() || !S().hotKeys[index].alive) {
        HostWarning(std::string(function) + ": not a hot key id");
        return nullptr;
    }
    return &S().hotKeys[index];
}
}  // namespace

void XPLMUnregisterHotKey(XPLMHotKeyID inHotKey) {
    BMHOST_ENTER();
    HotKey* key = HotKeyFromId(inHotKey, __func__);
    if (key && key->owner == S().current) key->alive = false;
}

int XPLMCountHotKeys(void) {
    BMHOST_ENTER();
    return int(std::count_if(S().hotKeys.begin(), S().hotKeys.end(), [](const HotKey& k) { return k.alive; }));
}

XPLMHotKeyID XPLMGetNthHotKey(int inIndex) {
    BMHOST_ENTER();
    int seen = 0;
    for (std::size_t i = 0; i < S().hotKeys.size(); ++i)
        if (S().hotKeys[i].alive && seen++ == inIndex) return MakeHandle(HandleKind::HotKey, i);
    return nullptr;
}

void XPLMGetHotKeyInfo(XPLMHotKeyID inHotKey, char* outVirtualKey, XPLMKeyFlags* outFlags, char* outDescription,
                       XPLMPluginID* outPlugin) {
    BMHOST_ENTER();
    HotKey* key = HotKeyFromId(inHotKey, __func__);
    if (!key) return;
    if (outVirtualKey) *outVirtualKey = static_cast<char>(key->vkey);
    if (outFlags) *outFlags = key->flags;
    if (outDescription) {
        std::size_t n = std::min<std::size_t>(key->description.size(), 511);
        std::memcpy(outDescription, key->description.data(), n);
        outDescription[n] = '\0';
    }
    if (outPlugin) *outPlugin = key->owner;
}

void XPLMSetHotKeyCombination(XPLMHotKeyID inHotKey, char inVirtualKey, XPLMKeyFlags inFlags) {
    BMHOST_ENTER();
    if (HotKey* key = HotKeyFromId(inHotKey, __func__)) {
        key->vkey = static_cast<unsigned char>(inVirtualKey);
        key->flags = inFlags;
    }
}

// ---- Input from tests and bmsim ----

namespace bmhost {

void SetScreenSize(int width, int height) {
    int dW = width - S().screenWidth, dH = height - S().screenHeight;
    S().screenWidth = width;
    S().screenHeight = height;
    for (Window& w : S().windows) {
        if (!w.alive || !w.modern) continue;
        if (w.mode != xplm_WindowPositionFree) {
            Position(w);
            continue;
        }
        w.left += int(std::lround(w.gravity[0] * dW));
        w.top += int(std::lround(w.gravity[1] * dH));
        w.right += int(std::lround(w.gravity[2] * dW));
        w.bottom += int(std::lround(w.gravity[3] * dH));
    }
}

void RightClick(int x, int y) {
    S().mouseX = x;
    S().mouseY = y;
    S().rightCapture = 0;
    for (std::size_t index : WindowsAt(x, y)) {
        if (!S().windows[index].alive) continue;
        if (Mouse(index, x, y, xplm_MouseDown, true)) {
            S().rightCapture = index + 1;
            break;
        }
        if (StopsClicks(S().windows[index])) break;
    }
    std::size_t capture = S().rightCapture;
    S().rightCapture = 0;
    if (capture && S().windows[capture - 1].alive) Mouse(capture - 1, x, y, xplm_MouseUp, true);
    RunDeferredReload();
}

void MouseWheel(int x, int y, int wheel, int clicks) {
    S().mouseX = x;
    S().mouseY = y;
    for (std::size_t index : WindowsAt(x, y)) {
        Window window = S().windows[index];
        if (!window.alive || !window.wheel || !OwnerEnabled(window.owner)) continue;
        int taken = 0;
        CallPluginCode(window.owner, "a window mouse-wheel callback",
                       [&] { taken = window.wheel(IdOf(index), x, y, wheel, clicks, window.refcon); });
        if (taken) break;
    }
    RunDeferredReload();
}

int CursorAt(int x, int y) {
    S().mouseX = x;
    S().mouseY = y;
    int cursor = xplm_CursorDefault;
    for (std::size_t index : WindowsAt(x, y)) {
        Window window = S().windows[index];
        if (!window.alive || !window.cursor || !OwnerEnabled(window.owner)) continue;
        CallPluginCode(window.owner, "a window cursor callback",
                       [&] { cursor = window.cursor(IdOf(index), x, y, window.refcon); });
        if (cursor != xplm_CursorDefault) break;
    }
    RunDeferredReload();
    return cursor;
}

void ResizeWindow(XPLMWindowID id, int left, int top, int right, int bottom) {
    Window* w = WindowFromId(id, "bmhost::ResizeWindow");
    if (!w) return;
    int width = std::min(std::max(right - left, w->limits[0]), w->limits[2]);
    int height = std::min(std::max(top - bottom, w->limits[1]), w->limits[3]);
    w->left = left;
    w->top = top;
    w->right = left + width;
    w->bottom = top - height;
}

std::string WindowTitle(XPLMWindowID id) {
    std::size_t index = 0;
    if (!DecodeHandle(id, HandleKind::Window, &index) || index >= S().windows.size()) return "";
    return S().windows[index].title;
}

int WindowLayer(XPLMWindowID id) {
    std::size_t index = 0;
    if (!DecodeHandle(id, HandleKind::Window, &index) || index >= S().windows.size() || !S().windows[index].alive)
        return -1;
    return S().windows[index].layer;
}

int WindowCount() {  // the windows of root widgets are the widget library's, not a plug-in's
    return int(std::count_if(S().zOrder.begin(), S().zOrder.end(),
                             [](std::size_t index) { return S().windows[index].alive && !S().windows[index].widget; }));
}

int DrawCallbackCount() {
    return int(std::count_if(S().drawCallbacks.begin(), S().drawCallbacks.end(),
                             [](const DrawCallback& cb) { return !cb.removed; }));
}

int KeySnifferCount() {
    return int(std::count_if(S().keySniffers.begin(), S().keySniffers.end(),
                             [](const KeySniffer& sniffer) { return !sniffer.removed; }));
}

int HotKeyCount() {
    return int(std::count_if(S().hotKeys.begin(), S().hotKeys.end(), [](const HotKey& key) { return key.alive; }));
}

bool MouseDown(int x, int y) {
    S().mouseX = x;
    S().mouseY = y;
    S().capture = 0;
    for (std::size_t index : WindowsAt(x, y)) {
        if (!S().windows[index].alive) continue;  // a callback closed it meanwhile
        if (Mouse(index, x, y, xplm_MouseDown)) {
            S().capture = index + 1;
            return true;
        }
        if (StopsClicks(S().windows[index])) return false;
    }
    return false;
}

void MouseDrag(int x, int y) {
    S().mouseX = x;
    S().mouseY = y;
    std::size_t capture = S().capture;
    if (capture && S().windows[capture - 1].alive) Mouse(capture - 1, x, y, xplm_MouseDrag);
}

void MouseUp(int x, int y) {
    S().mouseX = x;
    S().mouseY = y;
    std::size_t capture = S().capture;
    S().capture = 0;
    if (capture && S().windows[capture - 1].alive) Mouse(capture - 1, x, y, xplm_MouseUp);
    RunDeferredReload();
}

bool Click(int x, int y) {
    bool taken = MouseDown(x, y);
    MouseUp(x, y);
    return taken;
}

bool Drag(int x1, int y1, int x2, int y2) {
    bool taken = MouseDown(x1, y1);
    MouseDrag(x2, y2);
    MouseUp(x2, y2);
    return taken;
}

void KeyEvent(char key, XPLMKeyFlags flags, unsigned char virtualKey) {
    State& s = S();
    char vkey = static_cast<char>(virtualKey);
    auto sniff = [&](int beforeWindows) {
        std::size_t count = s.keySniffers.size();
        for (std::size_t i = 0; i < count; ++i) {
            KeySniffer sniffer = s.keySniffers[i];
            if (sniffer.removed || sniffer.beforeWindows != beforeWindows || !OwnerEnabled(sniffer.owner)) continue;
            int passOn = 1;
            CallPluginCode(sniffer.owner, "a key sniffer",
                           [&] { passOn = sniffer.func(key, flags, vkey, sniffer.refcon); });
            if (!passOn) return true;
        }
        return false;
    };
    if (sniff(1)) return;
    if (s.focus && s.windows[s.focus - 1].alive) {
        std::size_t index = s.focus - 1;
        if (!s.windows[index].widget) {
            CallKey(index, key, flags, vkey, 0, IdOf(index));
            return;
        }
        if (DeliverWidgetKey(key, flags, vkey)) return;  // else on to the simulator
    }
    if (sniff(0)) return;
    std::size_t count = s.hotKeys.size();
    for (std::size_t i = 0; i < count; ++i) {
        HotKey hotKey = s.hotKeys[i];
        if (!hotKey.alive || hotKey.vkey != virtualKey || hotKey.flags != flags || !OwnerEnabled(hotKey.owner)) continue;
        CallPluginCode(hotKey.owner, "a hot key callback", [&] { hotKey.func(hotKey.refcon); });
        return;
    }
}

void PressKey(char key, unsigned char virtualKey, XPLMKeyFlags modifiers) {
    KeyEvent(key, modifiers | xplm_DownFlag, virtualKey);
    KeyEvent(key, modifiers | xplm_UpFlag, virtualKey);
    RunDeferredReload();
}

}  // namespace bmhost
