// The widget library: widgets, their hierarchy, messages and input.
//
// Widgets live in one table; a widget's id is its index there, tagged, and an index is never
// used twice, so a destroyed widget's id stays dead. Geometry is global (screen pixels, +y up).
// Each widget has a stack of callbacks: the class or custom function at the bottom, those added
// later above it; messages go newest first. Every callback remembers the plug-in that added it
// and is called as that plug-in.
//
// A root widget stands on a window of its own (Display.cpp), so roots draw back to front with
// the other windows, take mouse downs front-most first and hold keyboard focus. Such a window
// paints its tree, sends mouse downs to the deepest visible widget under the pointer and then up
// the chain until one takes it (that one gets the drags and the up), and hands keys to the
// widget with keyboard focus and up its chain.
//
// Callbacks may create, destroy, move, re-parent, show or hide any widget during a dispatch, so
// no code here holds a reference to a widget across a call into plug-in code: it keeps indices,
// looks them up again afterwards and skips those that died, and walks copies of child lists.
#include <algorithm>
#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <sstream>

#include "HostState.h"
#include "WidgetClasses.h"
#include "XPStandardWidgets.h"
#include "XPWidgets.h"

using namespace bmhost::detail;

namespace {

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
    // Edges count as inside; a box whose right is left of its left (or bottom above top) is empty.
    bool Contains(int x, int y) const { return x >= left && x <= right && y >= bottom && y <= top; }
};

struct Callback {
    XPWidgetFunc_t func;
    XPLMPluginID owner;
    bool library = false;  // a standard class's function: the stand-in's own code
};

struct Widget {
    bool alive = true;
    bool dying = false;  // its destruction has begun
    Rect box;
    Rect exposed;  // the exposed box as last announced (xpMsg_ExposedChanged)
    bool visible = false;
    bool root = false;
    bool custom = false;
    XPWidgetClass widgetClass = xpWidgetClass_None;
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    std::size_t parent = 0;  // index + 1, 0 for none
    std::vector<std::size_t> children;  // back to front
    std::string descriptor;
    std::map<XPWidgetPropertyID, intptr_t> properties;
    std::vector<Callback> callbacks;  // the oldest (the class or custom function) first
    std::size_t window = 0;           // a root's window: index + 1
};

struct Library {
    std::deque<Widget> widgets;
    std::size_t focus = 0;    // widget index + 1 with keyboard focus, 0 for the simulator
    std::size_t capture = 0;  // widget index + 1 that took the mouse down
    bool movingFocus = false;  // the library itself is moving the window layer's focus
    unsigned long sweeps = 0;  // callbacks were removed from stacks this many times
    std::map<XPWidgetClass, XPWidgetFunc_t> definedClasses;
};

Library& L() {
    static Library library;
    return library;
}

XPWidgetID IdOf(std::size_t index) { return MakeHandle(HandleKind::Widget, index); }

Widget* Live(std::size_t index) {
    auto& widgets = L().widgets;
    return index < widgets.size() && widgets[index].alive ? &widgets[index] : nullptr;
}

// The widget's index + 1; 0, with a warning in the log, for an id that is no live widget.
std::size_t Find(XPWidgetID id, const char* function) {
    std::size_t index = 0;
    if (!DecodeHandle(id, HandleKind::Widget, &index) || !Live(index)) {
        HostWarning(std::string(function) + ": not a widget id");
        return 0;
    }
    return index + 1;
}

int Clamp(long long value) {
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

// ---- Dispatch ----

enum class Reach { FirstTaker, Every, Newest };

int Call(const Callback& callback, std::size_t index, XPWidgetMessage message, intptr_t p1, intptr_t p2) {
    int result = 0;
    if (callback.library) {
        CurrentPluginScope scope(callback.owner);
        try {
            result = callback.func(message, IdOf(index), p1, p2);
        } catch (const std::exception& e) {
            HostWarning("a standard widget class failed on message " + std::to_string(message) + ": " + e.what());
        } catch (...) {
            HostWarning("a standard widget class failed on message " + std::to_string(message));
        }
        return result;
    }
    CallPluginCode(callback.owner, "a widget callback",
                   [&] { result = callback.func(message, IdOf(index), p1, p2); });
    return result;
}

bool StillStacked(std::size_t index, const Callback& callback) {
    for (const Callback& c : L().widgets[index].callbacks)
        if (c.func == callback.func && c.owner == callback.owner) return true;
    return false;
}

// One widget's callbacks, newest first: until one takes the message, all of them, or the newest
// only. Callbacks added meanwhile wait for the next message; a widget that dies stops it.
int Dispatch(std::size_t index, XPWidgetMessage message, intptr_t p1, intptr_t p2,
             Reach reach = Reach::FirstTaker) {
    Widget* widget = Live(index);
    if (!widget) return 0;
    std::vector<Callback> stack = widget->callbacks;
    unsigned long sweeps = L().sweeps;
    int taken = 0;
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        if (!Live(index)) break;
        if (sweeps != L().sweeps && !StillStacked(index, *it)) continue;
        if (Call(*it, index, message, p1, p2)) {
            taken = 1;
            if (reach == Reach::FirstTaker) break;
        }
        if (reach == Reach::Newest) break;
    }
    return taken;
}

// The widget, then its parent, and so on, until one takes the message. `taker` gets the index + 1
// of the one that took it.
int UpChain(std::size_t index, XPWidgetMessage message, intptr_t p1, intptr_t p2, std::size_t* taker = nullptr) {
    for (std::size_t current = index + 1; current;) {
        Widget* widget = Live(current - 1);
        if (!widget) return 0;
        std::size_t parent = widget->parent;
        if (Dispatch(current - 1, message, p1, p2)) {
            if (taker) *taker = current;
            return 1;
        }
        if (Widget* after = Live(current - 1)) parent = after->parent;  // it may have moved
        current = parent && Live(parent - 1) ? parent : 0;
    }
    return 0;
}

// A walk over a widget tree, parents before children, with a stack of its own instead of the
// machine's: a script may nest widgets as deep as it likes. `visit` does a widget's work and
// answers whether to go on into its children, which are those it has just after its visit and
// that still hang from it when their turn comes.
template <typename Visit>
void WalkDown(std::size_t index, Visit visit) {
    struct Level {
        std::size_t index;
        std::vector<std::size_t> children;
        std::size_t next = 0;
    };
    std::vector<Level> levels;
    auto enter = [&](std::size_t i) {
        if (visit(i))
            if (Widget* widget = Live(i)) levels.push_back(Level{i, widget->children});
    };
    enter(index);
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.children.size()) {
            levels.pop_back();
            continue;
        }
        std::size_t parent = level.index, child = level.children[level.next++];
        Widget* c = Live(child);
        if (c && c->parent == parent + 1) enter(child);
    }
}

// The widget and then each of its descendants, parents before children, all of them.
int Recursive(std::size_t index, XPWidgetMessage message, intptr_t p1, intptr_t p2) {
    int taken = 0;
    WalkDown(index, [&](std::size_t i) {
        taken |= Dispatch(i, message, p1, p2);
        return true;
    });
    return taken;
}

// ---- Hierarchy and geometry ----

bool InSubtree(std::size_t index, std::size_t top) {
    for (std::size_t current = index + 1; current; current = L().widgets[current - 1].parent)
        if (current == top + 1) return true;
    return false;
}

// Index + 1 of the widget's root, 0 when its tree hangs from no root.
std::size_t RootOf(std::size_t index) {
    std::size_t current = index + 1;
    while (L().widgets[current - 1].parent) current = L().widgets[current - 1].parent;
    return L().widgets[current - 1].root ? current : 0;
}

Rect Exposed(std::size_t index) {
    const auto& widgets = L().widgets;
    Rect r = widgets[index].box;
    for (std::size_t p = widgets[index].parent; p; p = widgets[p - 1].parent) {
        const Rect& b = widgets[p - 1].box;
        r.left = std::max(r.left, b.left);
        r.right = std::min(r.right, b.right);
        r.top = std::min(r.top, b.top);
        r.bottom = std::max(r.bottom, b.bottom);
    }
    return r;
}

std::vector<std::size_t> Subtree(std::size_t index) {
    std::vector<std::size_t> all{index};
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t child : L().widgets[all[i]].children) all.push_back(child);
    return all;
}

// Tells each widget of the subtree whose exposed box is no longer the one it last heard of.
void AnnounceExposed(std::size_t index) {
    if (!Live(index)) return;
    for (std::size_t i : Subtree(index)) {
        Widget* widget = Live(i);
        if (!widget) continue;
        Rect now = Exposed(i);
        if (now == widget->exposed) continue;
        widget->exposed = now;
        Dispatch(i, xpMsg_ExposedChanged, 0, 0);
    }
}

void SyncWindow(const Widget& widget) {
    if (!widget.window) return;
    Window& window = S().windows[widget.window - 1];
    window.left = widget.box.left;
    window.top = widget.box.top;
    window.right = widget.box.right;
    window.bottom = widget.box.bottom;
    window.visible = widget.visible;
}

// The deepest (or first-level) widget under the point, the container itself when no child is,
// 0 when the point is outside it. Later children lie on top of earlier ones.
std::size_t Locate(std::size_t index, int x, int y, bool recursive, bool visibleOnly) {
    auto under = [&](std::size_t i) {
        return (!visibleOnly || L().widgets[i].visible) && Exposed(i).Contains(x, y);
    };
    if (!under(index)) return 0;
    for (;;) {
        const auto& children = L().widgets[index].children;
        auto child = std::find_if(children.rbegin(), children.rend(), under);
        if (child == children.rend()) return index + 1;
        if (!recursive) return *child + 1;
        index = *child;
    }
}

void SetGeometry(std::size_t index, const Rect& box) {
    Widget* widget = Live(index);
    if (!widget || widget->box == box) return;
    Rect old = widget->box;
    widget->box = box;
    SyncWindow(*widget);
    auto width = [](const Rect& r) { return static_cast<long long>(r.right) - r.left; };
    auto height = [](const Rect& r) { return static_cast<long long>(r.top) - r.bottom; };
    XPWidgetGeometryChange_t change{Clamp(static_cast<long long>(box.left) - old.left),
                                    Clamp(static_cast<long long>(box.top) - old.top),
                                    Clamp(width(box) - width(old)), Clamp(height(box) - height(old))};
    UpChain(index, xpMsg_Reshape, reinterpret_cast<intptr_t>(IdOf(index)), reinterpret_cast<intptr_t>(&change));
    AnnounceExposed(index);
}

void RemoveChild(std::size_t parent, std::size_t child) {
    auto& children = L().widgets[parent - 1].children;
    children.erase(std::remove(children.begin(), children.end(), child), children.end());
}

// Makes the widget the last child of `parent` (index + 1, 0 to detach it).
void Place(std::size_t index, std::size_t parent) {
    std::size_t old = L().widgets[index].parent;
    if (old) RemoveChild(old, index);
    L().widgets[index].parent = parent;
    if (parent) L().widgets[parent - 1].children.push_back(index);
    if (old == parent) return;  // only moved to the front among its siblings
    intptr_t id = reinterpret_cast<intptr_t>(IdOf(index));
    if (old) Dispatch(old - 1, xpMsg_LoseChild, id, 0);
    if (parent) Dispatch(parent - 1, xpMsg_AcceptChild, id, 0);
    Dispatch(index, xpMsg_AcceptParent, parent ? reinterpret_cast<intptr_t>(IdOf(parent - 1)) : 0, 0);
    AnnounceExposed(index);
}

// ---- Keyboard focus ----

XPWidgetID FocusId() { return L().focus ? IdOf(L().focus - 1) : nullptr; }

// The window layer's focus follows: to the focused widget's root window, or back to the
// simulator when a widget window had it.
void FollowWithWindowFocus() {
    std::size_t window = 0;
    if (L().focus && Live(L().focus - 1))
        if (std::size_t root = RootOf(L().focus - 1)) window = L().widgets[root - 1].window;
    std::size_t current = S().focus;
    if (window) {
        if (current == window) return;
    } else if (!current || !S().windows[current - 1].widget) {
        return;  // the simulator or a plug-in's window has it
    }
    L().movingFocus = true;
    FocusWindow(window);
    L().movingFocus = false;
}

// Focus goes back to the simulator; the widget that had it hears so.
void DropFocus(intptr_t anotherTakes) {
    std::size_t old = L().focus;
    if (!old) return;
    L().focus = 0;
    FollowWithWindowFocus();
    Dispatch(old - 1, xpMsg_KeyLoseFocus, anotherTakes, 0);
}

XPWidgetID SetFocus(std::size_t target) {
    if (!target) {
        DropFocus(0);
        return FocusId();
    }
    if (L().focus == target) return FocusId();
    if (!Dispatch(target - 1, xpMsg_KeyTakeFocus, 0, 0) || !Live(target - 1)) return FocusId();
    std::size_t old = L().focus;
    L().focus = target;
    if (old && old != target) Dispatch(old - 1, xpMsg_KeyLoseFocus, 1, 0);
    FollowWithWindowFocus();
    return FocusId();
}

// The widget gives focus up: it hears so, then its ancestors are offered focus, nearest first,
// until one accepts; else the simulator has it.
void LoseFocus(std::size_t index) {
    if (L().focus != index + 1) return;
    std::size_t parent = L().widgets[index].parent;
    L().focus = 0;
    Dispatch(index, xpMsg_KeyLoseFocus, 0, 0);
    if (Live(index)) parent = L().widgets[index].parent;
    while (parent && !L().focus) {
        if (!Live(parent - 1)) break;
        std::size_t next = L().widgets[parent - 1].parent;
        if (Dispatch(parent - 1, xpMsg_KeyTakeFocus, 1, 0) && Live(parent - 1) && !L().focus) {
            L().focus = parent;
            break;
        }
        if (Live(parent - 1)) next = L().widgets[parent - 1].parent;
        parent = next;
    }
    FollowWithWindowFocus();
}

// ---- Creation and destruction ----

// The callbacks of a root widget's window (below).
void DrawRoot(XPLMWindowID window, void*);
void RootKey(XPLMWindowID taking, char, XPLMKeyFlags, char, void*, int losingFocus);
int RootMouse(XPLMWindowID window, int x, int y, XPLMMouseStatus status, void*);

std::size_t CreateWidget(const Rect& box, int visible, const char* descriptor, int isRoot, XPWidgetID container,
                         XPWidgetFunc_t function, XPWidgetClass widgetClass, bool custom, const char* caller) {
    std::size_t parent = !isRoot && container ? Find(container, caller) : 0;
    std::size_t index = L().widgets.size();
    L().widgets.emplace_back();
    Widget& widget = L().widgets.back();
    widget.box = widget.exposed = box;
    widget.visible = visible != 0;
    widget.root = isRoot != 0;
    widget.custom = custom;
    widget.widgetClass = widgetClass;
    widget.owner = S().current;
    widget.descriptor = descriptor ? descriptor : "";
    widget.callbacks.push_back(Callback{function, S().current, !custom});
    if (widget.root) {
        Window window{box.left, box.top,  box.right, box.bottom, widget.visible, DrawRoot,
                      RootKey,  RootMouse, nullptr,   S().current};
        window.widget = index + 1;
        widget.window = OpenWidgetWindow(window) + 1;
    }
    Dispatch(index, xpMsg_Create, 0, 0);
    if (parent && Live(index) && Live(parent - 1) && !L().widgets[index].parent && !InSubtree(parent - 1, index)) {
        L().widgets[index].parent = parent;
        L().widgets[parent - 1].children.push_back(index);
        Dispatch(index, xpMsg_AcceptParent, reinterpret_cast<intptr_t>(IdOf(parent - 1)), 0);
        Dispatch(parent - 1, xpMsg_AcceptChild, reinterpret_cast<intptr_t>(IdOf(index)), 0);
    }
    if (Widget* w = Live(index)) w->exposed = Exposed(index);
    return index;
}

// The start of a widget's destruction: false when it is no live widget, is being destroyed
// already, or went meanwhile.
bool BeginDestruction(std::size_t index) {
    Widget* widget = Live(index);
    if (!widget || widget->dying) return false;
    widget->dying = true;
    if (L().focus && InSubtree(L().focus - 1, index)) DropFocus(0);
    if (L().capture && InSubtree(L().capture - 1, index)) L().capture = 0;
    return Live(index) != nullptr;
}

void EndDestruction(std::size_t index, intptr_t byParent);

// Destroys the widget and, with its children, its descendants first, each hearing its
// destruction after its children, with a stack of its own: a script may nest widgets as deep as
// it likes. Without them, its children are detached and stay.
void DestroyWidget(std::size_t index, bool withChildren, intptr_t byParent) {
    struct Level {
        std::size_t index;
        intptr_t byParent;
        std::vector<std::size_t> children;
        std::size_t next = 0;
    };
    if (!BeginDestruction(index)) return;
    std::vector<Level> levels{Level{index, byParent, L().widgets[index].children}};
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.children.size()) {
            Level done = std::move(level);
            levels.pop_back();
            EndDestruction(done.index, done.byParent);
            continue;
        }
        std::size_t parent = level.index, child = level.children[level.next++];
        if (!Live(child) || L().widgets[child].parent != parent + 1) continue;
        if (!withChildren)
            Place(child, 0);
        else if (BeginDestruction(child))
            levels.push_back(Level{child, 1, L().widgets[child].children});
    }
}

void EndDestruction(std::size_t index, intptr_t byParent) {
    Dispatch(index, xpMsg_Destroy, byParent, 0, Reach::Every);
    if (!Live(index)) return;
    if (std::size_t parent = L().widgets[index].parent) {
        RemoveChild(parent, index);
        L().widgets[index].parent = 0;
        Dispatch(parent - 1, xpMsg_LoseChild, reinterpret_cast<intptr_t>(IdOf(index)), 0);
    }
    Widget& dead = L().widgets[index];
    for (std::size_t child : dead.children)  // placed here while it was being destroyed
        if (Live(child) && L().widgets[child].parent == index + 1) L().widgets[child].parent = 0;
    std::size_t window = dead.window;
    dead.alive = false;
    dead.children.clear();
    dead.callbacks.clear();
    dead.properties.clear();
    dead.descriptor.clear();
    if (L().focus == index + 1) {
        L().focus = 0;
        FollowWithWindowFocus();
    }
    if (L().capture == index + 1) L().capture = 0;
    if (window) {
        L().movingFocus = true;
        CloseWindowAt(window - 1);
        L().movingFocus = false;
    }
}

// ---- The windows of root widgets ----

std::size_t RootOfWindow(XPLMWindowID window) {
    std::size_t index = 0;
    if (!DecodeHandle(window, HandleKind::Window, &index) || index >= S().windows.size()) return 0;
    std::size_t root = S().windows[index].widget;
    return root && Live(root - 1) ? root : 0;
}

// Paint, or if nobody paints: Draw, and the visible children the same way, back to front.
void Paint(std::size_t index) {
    WalkDown(index, [](std::size_t i) {
        Widget* widget = Live(i);
        if (!widget || !widget->visible) return false;
        if (Dispatch(i, xpMsg_Paint, 0, 0) || !Live(i)) return false;
        Dispatch(i, xpMsg_Draw, 0, 0);
        return true;
    });
}

void DrawRoot(XPLMWindowID window, void*) {
    if (std::size_t root = RootOfWindow(window)) Paint(root - 1);
}

// Keys reach the widget window only when focus leaves it.
void RootKey(XPLMWindowID taking, char, XPLMKeyFlags, char, void*, int losingFocus) {
    if (!losingFocus || L().movingFocus) return;
    // A plug-in gave keyboard focus to a window of its own, or to the simulator.
    std::size_t old = L().focus;
    if (!old) return;
    L().focus = 0;
    Dispatch(old - 1, xpMsg_KeyLoseFocus, taking ? 1 : 0, 0);
}

XPMouseState_t MouseState(int x, int y) {
    XPMouseState_t state{};
    state.x = x;
    state.y = y;
    state.button = 0;
    return state;
}

int RootMouse(XPLMWindowID window, int x, int y, XPLMMouseStatus status, void*) {
    if (status == xplm_MouseDown) {
        L().capture = 0;
        std::size_t root = RootOfWindow(window);
        std::size_t target = root ? Locate(root - 1, x, y, true, true) : 0;
        if (!target) return 0;
        XPMouseState_t state = MouseState(x, y);
        std::size_t taker = 0;
        UpChain(target - 1, xpMsg_MouseDown, reinterpret_cast<intptr_t>(&state), 0, &taker);
        L().capture = taker;
        return taker ? 1 : 0;
    }
    std::size_t capture = L().capture;
    if (status == xplm_MouseUp) L().capture = 0;
    if (!capture || !Live(capture - 1)) return 1;
    XPMouseState_t state = MouseState(x, y);
    Dispatch(capture - 1, status == xplm_MouseDrag ? xpMsg_MouseDrag : xpMsg_MouseUp,
             reinterpret_cast<intptr_t>(&state), 0);
    return 1;
}

XPWidgetFunc_t ClassFunction(XPWidgetClass widgetClass) {
    auto defined = L().definedClasses.find(widgetClass);
    if (defined != L().definedClasses.end()) return defined->second;
    return StandardClassFunction(widgetClass);
}

const char* const kClassNames[] = {"", "MainWindow", "SubWindow", "Button", "TextField",
                                   "ScrollBar", "Caption", "GeneralGraphics", "Progress"};

std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        out += c;
    }
    return out + '"';
}

// The names the SDK headers give property ids: those every widget has (class 0), then each
// standard class's own. 1200 names one property of a main window and another of a subwindow.
struct PropertyName {
    XPWidgetClass widgetClass;
    XPWidgetPropertyID id;
    const char* name;
};
const PropertyName kPropertyNames[] = {
#define BM_PROPERTY(cls, name) {cls, xpProperty_##name, "xpProperty_" #name}
    BM_PROPERTY(0, Refcon), BM_PROPERTY(0, Dragging), BM_PROPERTY(0, DragXOff), BM_PROPERTY(0, DragYOff),
    BM_PROPERTY(0, Hilited), BM_PROPERTY(0, Object), BM_PROPERTY(0, Clip), BM_PROPERTY(0, Enabled),
    BM_PROPERTY(xpWidgetClass_MainWindow, MainWindowType),
    BM_PROPERTY(xpWidgetClass_MainWindow, MainWindowHasCloseBoxes),
    BM_PROPERTY(xpWidgetClass_SubWindow, SubWindowType),
    BM_PROPERTY(xpWidgetClass_Button, ButtonType), BM_PROPERTY(xpWidgetClass_Button, ButtonBehavior),
    BM_PROPERTY(xpWidgetClass_Button, ButtonState),
    BM_PROPERTY(xpWidgetClass_TextField, EditFieldSelStart), BM_PROPERTY(xpWidgetClass_TextField, EditFieldSelEnd),
    BM_PROPERTY(xpWidgetClass_TextField, EditFieldSelDragStart),
    BM_PROPERTY(xpWidgetClass_TextField, TextFieldType), BM_PROPERTY(xpWidgetClass_TextField, PasswordMode),
    BM_PROPERTY(xpWidgetClass_TextField, MaxCharacters), BM_PROPERTY(xpWidgetClass_TextField, ScrollPosition),
    BM_PROPERTY(xpWidgetClass_TextField, Font), BM_PROPERTY(xpWidgetClass_TextField, ActiveEditSide),
    BM_PROPERTY(xpWidgetClass_ScrollBar, ScrollBarSliderPosition), BM_PROPERTY(xpWidgetClass_ScrollBar, ScrollBarMin),
    BM_PROPERTY(xpWidgetClass_ScrollBar, ScrollBarMax), BM_PROPERTY(xpWidgetClass_ScrollBar, ScrollBarPageAmount),
    BM_PROPERTY(xpWidgetClass_ScrollBar, ScrollBarType), BM_PROPERTY(xpWidgetClass_ScrollBar, ScrollBarSlop),
    BM_PROPERTY(xpWidgetClass_Caption, CaptionLit), BM_PROPERTY(xpWidgetClass_GeneralGraphics, GeneralGraphicsType),
    BM_PROPERTY(xpWidgetClass_Progress, ProgressPosition), BM_PROPERTY(xpWidgetClass_Progress, ProgressMin),
    BM_PROPERTY(xpWidgetClass_Progress, ProgressMax),
#undef BM_PROPERTY
};

// The property's name for a widget of this class (a custom widget: -1): its class's own, a
// common one, or the one standard property that has the id; else the id in digits.
std::string PropertyText(XPWidgetClass widgetClass, XPWidgetPropertyID id) {
    const PropertyName* only = nullptr;
    int owners = 0;
    for (const PropertyName& p : kPropertyNames) {
        if (p.id != id) continue;
        if (p.widgetClass == 0 || p.widgetClass == widgetClass) return p.name;
        only = &p;
        ++owners;
    }
    return owners == 1 ? only->name : std::to_string(id);
}

void TreeLine(std::size_t index, std::size_t depth, bool names, std::ostringstream& out) {
    const Widget& w = L().widgets[index];
    out << std::string(depth * 2, ' ');
    if (w.custom)
        out << "custom";
    else if (w.widgetClass >= 1 && w.widgetClass <= 8)
        out << kClassNames[w.widgetClass];
    else
        out << "class " << w.widgetClass;
    out << ' ' << w.box.left << ',' << w.box.top << ',' << w.box.right << ',' << w.box.bottom << ' '
        << Quoted(w.descriptor) << (w.visible ? " visible" : " hidden");
    for (const auto& [id, value] : w.properties) {
        out << ' ';
        if (names)
            out << PropertyText(w.custom ? XPWidgetClass(-1) : w.widgetClass, XPWidgetPropertyID(id));
        else
            out << id;
        out << '=' << value;
    }
    out << '\n';
}

// The widget's line and its live descendants', children indented under their parent.
void TreeLines(std::size_t index, bool names, std::ostringstream& out) {
    std::vector<std::pair<std::size_t, std::size_t>> pending{{index, 0}};  // widget, depth
    while (!pending.empty()) {
        auto [i, depth] = pending.back();
        pending.pop_back();
        TreeLine(i, depth, names, out);
        const auto& children = L().widgets[i].children;
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            if (Live(*it)) pending.emplace_back(*it, depth + 1);
    }
}

}  // namespace

namespace bmhost::detail {

bool DeliverWidgetKey(char key, XPLMKeyFlags flags, char vkey) {
    std::size_t focus = L().focus;
    if (!focus || !Live(focus - 1)) return false;
    XPKeyState_t state{key, flags, vkey};
    return UpChain(focus - 1, xpMsg_KeyPress, reinterpret_cast<intptr_t>(&state), 0) != 0;
}

void SweepWidgets(XPLMPluginID owner) {
    ++L().sweeps;
    for (Widget& widget : L().widgets) {
        if (!widget.alive) continue;
        auto& stack = widget.callbacks;
        stack.erase(std::remove_if(stack.begin(), stack.end(), [owner](const Callback& c) { return c.owner == owner; }),
                    stack.end());
    }
    for (std::size_t i = 0; i < L().widgets.size(); ++i)
        if (Live(i) && L().widgets[i].owner == owner) DestroyWidget(i, false, 0);
}

void ResetWidgets() {
    L().widgets.clear();
    L().focus = L().capture = 0;
    L().movingFocus = false;
    L().sweeps = 0;
    L().definedClasses.clear();
}

}  // namespace bmhost::detail

// ---- The SDK's widget functions ----

XPWidgetID XPCreateWidget(int inLeft, int inTop, int inRight, int inBottom, int inVisible, const char* inDescriptor,
                          int inIsRoot, XPWidgetID inContainer, XPWidgetClass inClass) {
    BMHOST_ENTER();
    XPWidgetFunc_t function = ClassFunction(inClass);
    if (!function) {
        HostWarning(std::string(__func__) + ": no widget class " + std::to_string(inClass));
        return nullptr;
    }
    return IdOf(CreateWidget(Rect{inLeft, inTop, inRight, inBottom}, inVisible, inDescriptor, inIsRoot, inContainer,
                             function, inClass, false, __func__));
}

XPWidgetID XPCreateCustomWidget(int inLeft, int inTop, int inRight, int inBottom, int inVisible,
                                const char* inDescriptor, int inIsRoot, XPWidgetID inContainer,
                                XPWidgetFunc_t inCallback) {
    BMHOST_ENTER();
    if (!inCallback) {
        HostWarning(std::string(__func__) + ": no widget function");
        return nullptr;
    }
    return IdOf(CreateWidget(Rect{inLeft, inTop, inRight, inBottom}, inVisible, inDescriptor, inIsRoot, inContainer,
                             inCallback, xpWidgetClass_None, true, __func__));
}

void XPDestroyWidget(XPWidgetID inWidget, int inDestroyChildren) {
    BMHOST_ENTER();
    std::size_t index = 0;
    // A widget whose destruction has begun may be named again by its own callbacks: no warning.
    if (DecodeHandle(inWidget, HandleKind::Widget, &index) && Live(index) && L().widgets[index].dying) return;
    if (std::size_t found = Find(inWidget, __func__)) DestroyWidget(found - 1, inDestroyChildren != 0, 0);
}

int XPSendMessageToWidget(XPWidgetID inWidget, XPWidgetMessage inMessage, XPDispatchMode inMode, intptr_t inParam1,
                          intptr_t inParam2) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found) return 0;
    std::size_t index = found - 1;
    switch (inMode) {
        case xpMode_Direct:
            return Dispatch(index, inMessage, inParam1, inParam2);
        case xpMode_UpChain:
            return UpChain(index, inMessage, inParam1, inParam2);
        case xpMode_Recursive:
            return Recursive(index, inMessage, inParam1, inParam2);
        case xpMode_DirectAllCallbacks:
            return Dispatch(index, inMessage, inParam1, inParam2, Reach::Every);
        case xpMode_Once:
            return Dispatch(index, inMessage, inParam1, inParam2, Reach::Newest);
    }
    HostWarning(std::string(__func__) + ": no dispatch mode " + std::to_string(inMode));
    return 0;
}

void XPPlaceWidgetWithin(XPWidgetID inSubWidget, XPWidgetID inContainer) {
    BMHOST_ENTER();
    std::size_t sub = Find(inSubWidget, __func__);
    if (!sub) return;
    std::size_t container = inContainer ? Find(inContainer, __func__) : 0;
    if (inContainer && !container) return;
    if (L().widgets[sub - 1].root) {
        HostWarning(std::string(__func__) + ": a root widget is placed nowhere");
        return;
    }
    if (container && InSubtree(container - 1, sub - 1)) {
        HostWarning(std::string(__func__) + ": a widget cannot be placed within itself or its descendants");
        return;
    }
    Place(sub - 1, container);
}

int XPCountChildWidgets(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    return found ? int(L().widgets[found - 1].children.size()) : 0;
}

XPWidgetID XPGetNthChildWidget(XPWidgetID inWidget, int inIndex) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found) return nullptr;
    const auto& children = L().widgets[found - 1].children;
    if (inIndex < 0 || std::size_t(inIndex) >= children.size()) return nullptr;
    return IdOf(children[std::size_t(inIndex)]);
}

// The window a root widget stands on; others have none.
XPLMWindowID XPGetWidgetUnderlyingWindow(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found) return nullptr;
    const Widget& widget = L().widgets[found - 1];
    if (!widget.window) {
        HostWarning(std::string(__func__) + ": not a root widget");
        return nullptr;
    }
    return MakeHandle(HandleKind::Window, widget.window - 1);
}

XPWidgetID XPGetParentWidget(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    std::size_t parent = found ? L().widgets[found - 1].parent : 0;
    return parent ? IdOf(parent - 1) : nullptr;
}

void XPShowWidget(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found || L().widgets[found - 1].visible) return;
    L().widgets[found - 1].visible = true;
    SyncWindow(L().widgets[found - 1]);
    UpChain(found - 1, xpMsg_Shown, reinterpret_cast<intptr_t>(inWidget), 0);
}

void XPHideWidget(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found || !L().widgets[found - 1].visible) return;
    L().widgets[found - 1].visible = false;
    SyncWindow(L().widgets[found - 1]);
    if (L().focus && InSubtree(L().focus - 1, found - 1)) DropFocus(0);
    if (Live(found - 1)) UpChain(found - 1, xpMsg_Hidden, reinterpret_cast<intptr_t>(inWidget), 0);
}

int XPIsWidgetVisible(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found) return 0;
    std::size_t current = found;
    for (; L().widgets[current - 1].parent; current = L().widgets[current - 1].parent)
        if (!L().widgets[current - 1].visible) return 0;
    const Widget& top = L().widgets[current - 1];
    return top.visible && top.root ? 1 : 0;
}

XPWidgetID XPFindRootWidget(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    std::size_t root = found ? RootOf(found - 1) : 0;
    return root ? IdOf(root - 1) : nullptr;
}

void XPBringRootWidgetToFront(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (std::size_t root = found ? RootOf(found - 1) : 0) RaiseWindow(L().widgets[root - 1].window - 1);
}

int XPIsWidgetInFront(XPWidgetID inWidget) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    std::size_t root = found ? RootOf(found - 1) : 0;
    return root && IsFrontWindow(L().widgets[root - 1].window - 1) ? 1 : 0;
}

namespace {
void WriteRect(const Rect* r, int* outLeft, int* outTop, int* outRight, int* outBottom) {
    if (outLeft) *outLeft = r ? r->left : 0;
    if (outTop) *outTop = r ? r->top : 0;
    if (outRight) *outRight = r ? r->right : 0;
    if (outBottom) *outBottom = r ? r->bottom : 0;
}
}  // namespace

void XPGetWidgetGeometry(XPWidgetID inWidget, int* outLeft, int* outTop, int* outRight, int* outBottom) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    WriteRect(found ? &L().widgets[found - 1].box : nullptr, outLeft, outTop, outRight, outBottom);
}

void XPSetWidgetGeometry(XPWidgetID inWidget, int inLeft, int inTop, int inRight, int inBottom) {
    BMHOST_ENTER();
    if (std::size_t found = Find(inWidget, __func__)) SetGeometry(found - 1, Rect{inLeft, inTop, inRight, inBottom});
}

XPWidgetID XPGetWidgetForLocation(XPWidgetID inContainer, int inXOffset, int inYOffset, int inRecursive,
                                  int inVisibleOnly) {
    BMHOST_ENTER();
    std::size_t found = Find(inContainer, __func__);
    std::size_t hit = found ? Locate(found - 1, inXOffset, inYOffset, inRecursive != 0, inVisibleOnly != 0) : 0;
    return hit ? IdOf(hit - 1) : nullptr;
}

void XPGetWidgetExposedGeometry(XPWidgetID inWidgetID, int* outLeft, int* outTop, int* outRight, int* outBottom) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidgetID, __func__);
    Rect exposed = found ? Exposed(found - 1) : Rect{};
    WriteRect(found ? &exposed : nullptr, outLeft, outTop, outRight, outBottom);
}

void XPSetWidgetDescriptor(XPWidgetID inWidget, const char* inDescriptor) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found) return;
    L().widgets[found - 1].descriptor = inDescriptor ? inDescriptor : "";
    Dispatch(found - 1, xpMsg_DescriptorChanged, 0, 0);
}

int XPGetWidgetDescriptor(XPWidgetID inWidget, char* outDescriptor, int inMaxDescLength) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found) return 0;
    const std::string& text = L().widgets[found - 1].descriptor;
    // As strncpy: the rest of the buffer is zeroed, and a text cut short is not terminated.
    if (outDescriptor && inMaxDescLength > 0) std::strncpy(outDescriptor, text.c_str(), std::size_t(inMaxDescLength));
    return int(std::strlen(text.c_str()));
}

void XPSetWidgetProperty(XPWidgetID inWidget, XPWidgetPropertyID inProperty, intptr_t inValue) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found) return;
    L().widgets[found - 1].properties[inProperty] = inValue;
    Dispatch(found - 1, xpMsg_PropertyChanged, inProperty, inValue);
}

intptr_t XPGetWidgetProperty(XPWidgetID inWidget, XPWidgetPropertyID inProperty, int* inExists) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    const std::map<XPWidgetPropertyID, intptr_t>* properties = found ? &L().widgets[found - 1].properties : nullptr;
    auto it = properties ? properties->find(inProperty) : std::map<XPWidgetPropertyID, intptr_t>::const_iterator{};
    bool exists = properties && it != properties->end();
    if (inExists) *inExists = exists ? 1 : 0;
    return exists ? it->second : 0;
}

XPWidgetID XPSetKeyboardFocus(XPWidgetID inWidget) {
    BMHOST_ENTER();
    if (!inWidget) return SetFocus(0);
    std::size_t found = Find(inWidget, __func__);
    return found ? SetFocus(found) : FocusId();
}

void XPLoseKeyboardFocus(XPWidgetID inWidget) {
    BMHOST_ENTER();
    if (std::size_t found = Find(inWidget, __func__)) LoseFocus(found - 1);
}

XPWidgetID XPGetWidgetWithFocus(void) {
    BMHOST_ENTER();
    return FocusId();
}

void XPAddWidgetCallback(XPWidgetID inWidget, XPWidgetFunc_t inNewCallback) {
    BMHOST_ENTER();
    std::size_t found = Find(inWidget, __func__);
    if (!found) return;
    if (!inNewCallback) {
        HostWarning(std::string(__func__) + ": no widget function");
        return;
    }
    Callback callback{inNewCallback, S().current};
    L().widgets[found - 1].callbacks.push_back(callback);
    Call(callback, found - 1, xpMsg_Create, 1, 0);  // the new function alone hears it was added
}

XPWidgetFunc_t XPGetWidgetClassFunc(XPWidgetClass inWidgetClass) {
    BMHOST_ENTER();
    return ClassFunction(inWidgetClass);
}

// ---- Control ----

namespace bmhost {

int WidgetCount(XPLMPluginID plugin) {
    return int(std::count_if(L().widgets.begin(), L().widgets.end(), [plugin](const Widget& w) {
        return w.alive && (plugin == XPLM_NO_PLUGIN_ID || w.owner == plugin);
    }));
}

std::string WidgetTree(bool propertyNames) {
    std::ostringstream out;
    for (std::size_t window : S().zOrder) {
        std::size_t root = S().windows[window].widget;
        if (root && Live(root - 1)) TreeLines(root - 1, propertyNames, out);
    }
    for (std::size_t i = 0; i < L().widgets.size(); ++i) {
        const Widget& w = L().widgets[i];
        if (w.alive && !w.root && !w.parent) TreeLines(i, propertyNames, out);
    }
    return out.str();
}

XPWidgetID FindWidget(const std::string& descriptor) {
    for (std::size_t i = 0; i < L().widgets.size(); ++i)
        if (L().widgets[i].alive && L().widgets[i].descriptor == descriptor) return IdOf(i);
    return nullptr;
}

void TypeText(const std::string& text) {
    // The keys of a US keyboard: a symbol typed with shift, its unshifted character, and the
    // virtual keys of the punctuation.
    static const char kShifted[] = "~!@#$%^&*()_+{}|:\"<>?";
    static const char kPlain[] = "`1234567890-=[]\\;',./";
    static const std::map<char, unsigned char> kPunctuation = {
        {'`', XPLM_VK_BACKQUOTE}, {'-', XPLM_VK_MINUS},     {'=', XPLM_VK_EQUAL},  {'[', XPLM_VK_LBRACE},
        {']', XPLM_VK_RBRACE},    {'\\', XPLM_VK_BACKSLASH}, {';', XPLM_VK_SEMICOLON}, {'\'', XPLM_VK_QUOTE},
        {',', XPLM_VK_COMMA},     {'.', XPLM_VK_PERIOD},    {'/', XPLM_VK_SLASH},  {' ', XPLM_VK_SPACE},
        {'\n', XPLM_VK_RETURN},   {'\t', XPLM_VK_TAB},      {'\b', XPLM_VK_BACK}};
    for (char c : text) {
        char base = c;
        XPLMKeyFlags modifiers = 0;
        if (const char* at = c ? std::strchr(kShifted, c) : nullptr) {
            base = kPlain[at - kShifted];
            modifiers = xplm_ShiftFlag;
        } else if (c >= 'A' && c <= 'Z') {
            modifiers = xplm_ShiftFlag;
        }
        unsigned char vkey = 0;
        if (base >= 'a' && base <= 'z') vkey = static_cast<unsigned char>(XPLM_VK_A + (base - 'a'));
        else if (base >= 'A' && base <= 'Z') vkey = static_cast<unsigned char>(XPLM_VK_A + (base - 'A'));
        else if (base >= '0' && base <= '9') vkey = static_cast<unsigned char>(XPLM_VK_0 + (base - '0'));
        else if (auto it = kPunctuation.find(base); it != kPunctuation.end()) vkey = it->second;
        char key = c == '\n' ? char(XPLM_KEY_RETURN) : c;
        PressKey(key, vkey, modifiers);
    }
}

void DefineWidgetClass(XPWidgetClass widgetClass, XPWidgetFunc_t function) {
    if (function)
        L().definedClasses[widgetClass] = function;
    else
        L().definedClasses.erase(widgetClass);
}

}  // namespace bmhost
