// The stand-in's widget library and widget utilities, driven through the SDK as a plug-in would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "XPLMDisplay.h"
#include "XPLMPlugin.h"
#include "XPWidgetUtils.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

using Lines = std::vector<std::string>;

// What the recording callbacks heard, one line each: "<callback> <message> <widget> <params>".
Lines gHeard;
std::map<XPWidgetID, std::string> gNames;
// The messages each callback takes (answers 1 to), by callback letter.
std::map<char, std::vector<XPWidgetMessage>> gTakes;
// Run when a callback has recorded a message, before it answers: what the test wants to happen
// meanwhile, and which messages the callback takes this time (gTakes).
std::function<void(char, XPWidgetMessage, XPWidgetID)> gThen;

// A widget by the name the test gave it, or else by its descriptor.
std::string Name(intptr_t id) {
    if (!id) return "none";
    auto it = gNames.find(reinterpret_cast<XPWidgetID>(id));
    if (it != gNames.end()) return it->second;
    char text[64] = {0};
    XPGetWidgetDescriptor(reinterpret_cast<XPWidgetID>(id), text, sizeof text - 1);
    return text;
}

std::string MessageName(XPWidgetMessage message) {
    static const char* const kNames[] = {"None", "Create", "Destroy", "Paint", "Draw", "KeyPress", "KeyTakeFocus",
                                         "KeyLoseFocus", "MouseDown", "MouseDrag", "MouseUp", "Reshape",
                                         "ExposedChanged", "AcceptChild", "LoseChild", "AcceptParent", "Shown",
                                         "Hidden", "DescriptorChanged", "PropertyChanged"};
    return message >= 0 && message <= 19 ? kNames[message] : std::to_string(message);
}

std::string Describe(XPWidgetMessage message, XPWidgetID widget, intptr_t p1, intptr_t p2) {
    std::string line = MessageName(message) + " " + Name(reinterpret_cast<intptr_t>(widget));
    switch (message) {
        case xpMsg_Create:
        case xpMsg_Destroy:
        case xpMsg_KeyTakeFocus:
        case xpMsg_KeyLoseFocus:
            return line + " " + std::to_string(p1);
        case xpMsg_KeyPress: {
            const auto* key = reinterpret_cast<const XPKeyState_t*>(p1);
            return line + " '" + std::string(1, key->key) + "' " + std::to_string(key->flags) + " " +
                   std::to_string(int(static_cast<unsigned char>(key->vkey)));
        }
        case xpMsg_MouseDown:
        case xpMsg_MouseDrag:
        case xpMsg_MouseUp:
            return line + " " + std::to_string(MOUSE_X(p1)) + "," + std::to_string(MOUSE_Y(p1));
        case xpMsg_Reshape:
            return line + " " + Name(p1) + " " + std::to_string(DELTA_X(p2)) + "," + std::to_string(DELTA_Y(p2)) +
                   "," + std::to_string(DELTA_W(p2)) + "," + std::to_string(DELTA_H(p2));
        case xpMsg_AcceptChild:
        case xpMsg_LoseChild:
        case xpMsg_AcceptParent:
        case xpMsg_Shown:
        case xpMsg_Hidden:
            return line + " " + Name(p1);
        case xpMsg_PropertyChanged:
            return line + " " + std::to_string(p1) + "=" + std::to_string(p2);
        case xpMsg_Paint:
        case xpMsg_Draw:
        case xpMsg_ExposedChanged:
        case xpMsg_DescriptorChanged:
            return line;
        default:
            return line + " " + std::to_string(p1) + " " + std::to_string(p2);
    }
}

template <char Tag>
int Rec(XPWidgetMessage message, XPWidgetID widget, intptr_t p1, intptr_t p2) {
    gHeard.push_back(std::string(1, Tag) + " " + Describe(message, widget, p1, p2));
    if (gThen) gThen(Tag, message, widget);
    const auto& takes = gTakes[Tag];
    return std::find(takes.begin(), takes.end(), message) != takes.end();
}

// Only the messages of these kinds, to keep expectations short.
Lines Only(std::initializer_list<XPWidgetMessage> messages) {
    Lines kept;
    for (const std::string& line : gHeard)
        for (XPWidgetMessage m : messages)
            if (line.compare(2, MessageName(m).size() + 1, MessageName(m) + " ") == 0) kept.push_back(line);
    return kept;
}

class WidgetStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        gHeard.clear();
        gNames.clear();
        gTakes.clear();
        gThen = nullptr;
    }
    void TearDown() override { gThen = nullptr; }

    // A custom widget named `name` on callback A.
    XPWidgetID Make(const std::string& name, int l, int t, int r, int b, XPWidgetID container = nullptr,
                    bool root = false, int visible = 1) {
        XPWidgetID id = XPCreateCustomWidget(l, t, r, b, visible, name.c_str(), root ? 1 : 0, container, Rec<'A'>);
        gNames[id] = name;
        return id;
    }
    // A root, a child of it and a grandchild, then forget what they heard.
    void MakeTree() {
        root = Make("root", 100, 500, 500, 100, nullptr, true);
        mid = Make("mid", 150, 450, 450, 150, root);
        leaf = Make("leaf", 200, 400, 300, 300, mid);
        gHeard.clear();
    }
    std::string Log() { return bmhost::SimLog(); }

    bmtest::SimFolder sim;
    XPWidgetID root = nullptr, mid = nullptr, leaf = nullptr;
};

TEST_F(WidgetStandIn, CallbacksRunNewestFirstInEachDispatchMode) {
    XPWidgetID w = Make("w", 0, 10, 10, 0);
    EXPECT_EQ(gHeard, (Lines{"A Create w 0"}));
    XPAddWidgetCallback(w, Rec<'B'>);
    XPAddWidgetCallback(w, Rec<'C'>);
    EXPECT_EQ(gHeard, (Lines{"A Create w 0", "B Create w 1", "C Create w 1"}));  // each newcomer alone

    const XPWidgetMessage kMine = xpMsg_UserStart + 1;
    gTakes['B'] = {kMine};
    gHeard.clear();
    EXPECT_EQ(XPSendMessageToWidget(w, kMine, xpMode_Direct, 5, 6), 1);
    EXPECT_EQ(gHeard, (Lines{"C 10001 w 5 6", "B 10001 w 5 6"}));  // B took it: A never hears
    gHeard.clear();
    EXPECT_EQ(XPSendMessageToWidget(w, kMine, xpMode_DirectAllCallbacks, 5, 6), 1);
    EXPECT_EQ(gHeard, (Lines{"C 10001 w 5 6", "B 10001 w 5 6", "A 10001 w 5 6"}));
    gHeard.clear();
    EXPECT_EQ(XPSendMessageToWidget(w, kMine, xpMode_Once, 5, 6), 0);
    EXPECT_EQ(gHeard, (Lines{"C 10001 w 5 6"}));
    gHeard.clear();
    EXPECT_EQ(XPSendMessageToWidget(w, kMine + 1, xpMode_Direct, 0, 0), 0);  // nobody takes it
    EXPECT_EQ(gHeard.size(), 3u);
    gHeard.clear();
    EXPECT_EQ(XPSendMessageToWidget(w, kMine, 9, 0, 0), 0);
    EXPECT_TRUE(gHeard.empty());
    EXPECT_NE(Log().find("[stand-in] XPSendMessageToWidget: no dispatch mode 9\n"), std::string::npos);
}

TEST_F(WidgetStandIn, UpChainStopsAtTheTakerAndRecursiveReachesTheWholeTree) {
    MakeTree();
    Make("sibling", 100, 120, 120, 100, root);
    gHeard.clear();
    const XPWidgetMessage kMine = xpMsg_UserStart;
    gTakes['A'] = {kMine};
    gThen = [&](char, XPWidgetMessage, XPWidgetID w) {
        if (w == leaf) gTakes['A'].clear();  // the leaf does not take it; the mid does
        else gTakes['A'] = {kMine};
    };
    EXPECT_EQ(XPSendMessageToWidget(leaf, kMine, xpMode_UpChain, 1, 2), 1);
    EXPECT_EQ(gHeard, (Lines{"A 10000 leaf 1 2", "A 10000 mid 1 2"}));

    gHeard.clear();
    gThen = nullptr;
    gTakes['A'] = {kMine};
    EXPECT_EQ(XPSendMessageToWidget(root, kMine, xpMode_Recursive, 3, 4), 1);
    EXPECT_EQ(gHeard, (Lines{"A 10000 root 3 4", "A 10000 mid 3 4", "A 10000 leaf 3 4", "A 10000 sibling 3 4"}));
    gHeard.clear();
    gTakes['A'].clear();
    EXPECT_EQ(XPSendMessageToWidget(leaf, kMine, xpMode_UpChain, 0, 0), 0);  // up to the root, then done
    EXPECT_EQ(gHeard, (Lines{"A 10000 leaf 0 0", "A 10000 mid 0 0", "A 10000 root 0 0"}));
}

TEST_F(WidgetStandIn, DestroyingGoesChildrenFirstAndLeavesDeadIds) {
    MakeTree();
    XPAddWidgetCallback(mid, Rec<'B'>);
    gHeard.clear();
    XPDestroyWidget(mid, 1);
    EXPECT_EQ(Only({xpMsg_Destroy, xpMsg_LoseChild}),
              (Lines{"A Destroy leaf 1", "B LoseChild mid leaf", "A LoseChild mid leaf", "B Destroy mid 0",
                     "A Destroy mid 0", "A LoseChild root mid"}));
    EXPECT_EQ(XPCountChildWidgets(root), 0);
    EXPECT_EQ(bmhost::WidgetCount(), 1);

    // Dead ids (and ids of other kinds) are ignored; getters answer 0.
    int left = 7;
    XPGetWidgetGeometry(leaf, &left, nullptr, nullptr, nullptr);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(XPGetParentWidget(leaf), nullptr);
    EXPECT_EQ(XPGetWidgetDescriptor(mid, nullptr, 0), 0);
    gHeard.clear();
    XPDestroyWidget(mid, 1);
    XPShowWidget(reinterpret_cast<XPWidgetID>(intptr_t(12345)));
    EXPECT_TRUE(gHeard.empty());
    EXPECT_NE(Log().find("[stand-in] XPGetParentWidget: not a widget id\n"), std::string::npos);
    EXPECT_NE(Log().find("[stand-in] XPDestroyWidget: not a widget id\n"), std::string::npos);
    EXPECT_NE(Log().find("[stand-in] XPShowWidget: not a widget id\n"), std::string::npos);

    // Without its children: they stay, detached.
    XPWidgetID box = Make("box", 0, 50, 50, 0, root);
    XPWidgetID inner = Make("inner", 10, 40, 40, 10, box);
    gHeard.clear();
    XPDestroyWidget(box, 0);
    EXPECT_EQ(Only({xpMsg_Destroy, xpMsg_LoseChild, xpMsg_AcceptParent}),
              (Lines{"A LoseChild box inner", "A AcceptParent inner none", "A Destroy box 0", "A LoseChild root box"}));
    EXPECT_EQ(XPGetParentWidget(inner), nullptr);
    EXPECT_EQ(bmhost::WidgetCount(), 2);
    // A new widget never reuses a dead one's id.
    EXPECT_NE(Make("again", 0, 1, 1, 0), box);
}

// A script may nest widgets as deep as it likes: every walk over the tree (painting, messages to
// the whole tree, finding the widget under the mouse, destroying with the children) takes a
// stack of its own, so a chain of 10,000 levels passes under the sanitizers too.
TEST_F(WidgetStandIn, ADeepChainIsPaintedSearchedAndDestroyed) {
    constexpr int kDepth = 10000;
    std::vector<XPWidgetID> chain{Make("w0", 100, 500, 500, 100, nullptr, true)};
    for (int i = 1; i < kDepth; ++i) chain.push_back(Make("w" + std::to_string(i), 100, 500, 500, 100, chain.back()));
    const std::string deepest = "w" + std::to_string(kDepth - 1);
    auto first = [](XPWidgetMessage message) {
        Lines lines = Only({message});
        return std::make_pair(lines.size(), lines.empty() ? std::string() : lines.front() + " .. " + lines.back());
    };
    gHeard.clear();
    bmhost::RunFrames(1);
    EXPECT_EQ(first(xpMsg_Draw), std::make_pair(std::size_t(kDepth), "A Draw w0 .. A Draw " + deepest));
    gHeard.clear();
    XPSendMessageToWidget(chain[0], xpMsg_PropertyChanged, xpMode_Recursive, 1, 2);
    EXPECT_EQ(first(xpMsg_PropertyChanged),
              std::make_pair(std::size_t(kDepth), "A PropertyChanged w0 1=2 .. A PropertyChanged " + deepest + " 1=2"));
    EXPECT_EQ(XPGetWidgetForLocation(chain[0], 300, 300, 1, 1), chain.back());
    gHeard.clear();
    bmhost::Click(300, 300);  // nobody takes it: it goes from the deepest up to the root
    EXPECT_EQ(first(xpMsg_MouseDown),
              std::make_pair(std::size_t(kDepth), "A MouseDown " + deepest + " 300,300 .. A MouseDown w0 300,300"));
    gHeard.clear();
    XPDestroyWidget(chain[0], 1);
    EXPECT_EQ(first(xpMsg_Destroy), std::make_pair(std::size_t(kDepth), "A Destroy " + deepest + " 1 .. A Destroy w0 0"));
    EXPECT_EQ(bmhost::WidgetCount(), 0);
}

TEST_F(WidgetStandIn, PlacingAWidgetTellsBothParentsAndTheChild) {
    MakeTree();
    XPWidgetID other = Make("other", 0, 700, 50, 650, nullptr, true);
    EXPECT_EQ(gHeard, (Lines{"A Create other 0"}));
    XPWidgetID floater = Make("floater", 0, 10, 10, 0);
    gHeard.clear();
    XPWidgetID placed = Make("placed", 0, 10, 10, 0, mid);
    EXPECT_EQ(gHeard, (Lines{"A Create placed 0", "A AcceptParent placed mid", "A AcceptChild mid placed"}));

    gHeard.clear();
    XPPlaceWidgetWithin(leaf, other);
    EXPECT_EQ(Only({xpMsg_LoseChild, xpMsg_AcceptChild, xpMsg_AcceptParent}),
              (Lines{"A LoseChild mid leaf", "A AcceptChild other leaf", "A AcceptParent leaf other"}));
    EXPECT_EQ(XPFindRootWidget(leaf), other);
    XPPlaceWidgetWithin(floater, other);  // the last child is in front
    EXPECT_EQ(XPGetNthChildWidget(other, 1), floater);
    gHeard.clear();
    XPPlaceWidgetWithin(leaf, other);  // the same parent: moved to the front, no messages
    EXPECT_EQ(XPGetNthChildWidget(other, 1), leaf);
    EXPECT_EQ(XPGetNthChildWidget(other, 2), nullptr);
    EXPECT_EQ(XPGetNthChildWidget(other, -1), nullptr);
    EXPECT_TRUE(gHeard.empty());
    XPPlaceWidgetWithin(leaf, nullptr);
    EXPECT_EQ(Only({xpMsg_LoseChild, xpMsg_AcceptParent}), (Lines{"A LoseChild other leaf", "A AcceptParent leaf none"}));
    EXPECT_EQ(XPFindRootWidget(leaf), nullptr);

    // Roots stay roots, and no widget goes inside itself.
    gHeard.clear();
    XPPlaceWidgetWithin(other, root);
    XPPlaceWidgetWithin(root, nullptr);
    XPPlaceWidgetWithin(mid, placed);
    EXPECT_TRUE(gHeard.empty());
    EXPECT_EQ(XPGetParentWidget(mid), root);
    EXPECT_NE(Log().find("[stand-in] XPPlaceWidgetWithin: a root widget is placed nowhere\n"), std::string::npos);
    EXPECT_NE(Log().find("[stand-in] XPPlaceWidgetWithin: a widget cannot be placed within itself or its "
                         "descendants\n"),
              std::string::npos);
}

TEST_F(WidgetStandIn, GeometryChangesReshapeUpTheChainAndExposedBoxesFollow) {
    MakeTree();
    int l, t, r, b;
    XPGetWidgetExposedGeometry(leaf, &l, &t, &r, &b);
    EXPECT_EQ((std::vector<int>{l, t, r, b}), (std::vector<int>{200, 400, 300, 300}));

    XPSetWidgetGeometry(mid, 250, 440, 450, 160);  // moved right, shrunk from the left and the top
    EXPECT_EQ(gHeard, (Lines{"A Reshape mid mid 100,-10,-100,-20", "A Reshape root mid 100,-10,-100,-20",
                             "A ExposedChanged mid", "A ExposedChanged leaf"}));
    XPGetWidgetGeometry(leaf, &l, &t, &r, &b);  // children are not moved by the library
    EXPECT_EQ((std::vector<int>{l, t, r, b}), (std::vector<int>{200, 400, 300, 300}));
    XPGetWidgetExposedGeometry(leaf, &l, &t, &r, &b);
    EXPECT_EQ((std::vector<int>{l, t, r, b}), (std::vector<int>{250, 400, 300, 300}));

    gHeard.clear();
    XPSetWidgetGeometry(mid, 250, 440, 450, 160);  // unchanged: nothing
    XPSetWidgetGeometry(leaf, 200, 400, 240, 300);  // outside the mid now: its exposed box is empty
    EXPECT_EQ(gHeard, (Lines{"A Reshape leaf leaf 0,0,-60,0", "A Reshape mid leaf 0,0,-60,0",
                             "A Reshape root leaf 0,0,-60,0", "A ExposedChanged leaf"}));
    EXPECT_EQ(XPGetWidgetForLocation(root, 220, 350, 1, 1), root);  // a child counts only inside its parent
    EXPECT_EQ(XPGetWidgetForLocation(root, 260, 350, 1, 1), mid);
    EXPECT_EQ(XPGetWidgetForLocation(root, 99, 350, 1, 1), nullptr);
    EXPECT_EQ(XPGetWidgetForLocation(root, 100, 100, 1, 1), root);  // edges are inside
    XPWidgetID lower = Make("lower", 300, 350, 350, 250, mid);
    XPWidgetID upper = Make("upper", 300, 350, 350, 250, mid);  // the later child lies on top
    EXPECT_EQ(XPGetWidgetForLocation(root, 320, 320, 1, 1), upper);
    EXPECT_EQ(XPGetWidgetForLocation(root, 320, 320, 0, 1), mid);  // the first level only
    XPHideWidget(upper);
    EXPECT_EQ(XPGetWidgetForLocation(root, 320, 320, 1, 1), lower);
    EXPECT_EQ(XPGetWidgetForLocation(root, 320, 320, 1, 0), upper);
    XPDestroyWidget(lower, 1);
    XPDestroyWidget(upper, 1);

    gTakes['A'] = {xpMsg_Reshape};  // the widget itself takes its reshape: the parent never hears
    gHeard.clear();
    XPSetWidgetGeometry(leaf, 260, 400, 300, 300);
    EXPECT_EQ(gHeard, (Lines{"A Reshape leaf leaf 60,0,0,0", "A ExposedChanged leaf"}));
}

TEST_F(WidgetStandIn, DescriptorsAndPropertiesReadBackAsSet) {
    XPWidgetID w = Make("w", 0, 10, 10, 0);
    gHeard.clear();
    XPSetWidgetDescriptor(w, "Altitude");
    EXPECT_EQ(gHeard, (Lines{"A DescriptorChanged w"}));
    EXPECT_EQ(XPGetWidgetDescriptor(w, nullptr, 0), 8);
    char buffer[16];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(XPGetWidgetDescriptor(w, buffer, 3), 8);  // cut short: no terminator
    EXPECT_EQ(std::string(buffer, 4), "Alt#");
    EXPECT_EQ(XPGetWidgetDescriptor(w, buffer, 12), 8);  // the rest is zeroed, as by strncpy
    EXPECT_EQ(std::string(buffer, 13), std::string("Altitude\0\0\0\0#", 13));
    XPSetWidgetDescriptor(w, nullptr);
    EXPECT_EQ(XPGetWidgetDescriptor(w, buffer, 16), 0);
    EXPECT_STREQ(buffer, "");

    gHeard.clear();
    int exists = -1;
    EXPECT_EQ(XPGetWidgetProperty(w, xpProperty_UserStart, &exists), 0);
    EXPECT_EQ(exists, 0);
    const intptr_t big = intptr_t(1) << 40;
    XPSetWidgetProperty(w, xpProperty_UserStart, big);
    XPSetWidgetProperty(w, xpProperty_Refcon, 0);
    XPSetWidgetProperty(w, xpProperty_Refcon, 0);  // told every time
    EXPECT_EQ(gHeard, (Lines{"A PropertyChanged w 10000=1099511627776", "A PropertyChanged w 0=0",
                             "A PropertyChanged w 0=0"}));
    EXPECT_EQ(XPGetWidgetProperty(w, xpProperty_UserStart, &exists), big);
    EXPECT_EQ(exists, 1);
    EXPECT_EQ(XPGetWidgetProperty(w, xpProperty_Refcon, &exists), 0);
    EXPECT_EQ(exists, 1);
    EXPECT_EQ(XPGetWidgetProperty(w, xpProperty_Refcon, nullptr), 0);
}

TEST_F(WidgetStandIn, ShowingAndHidingTellTheChainAndVisibilityNeedsTheWholeRootedPath) {
    MakeTree();
    EXPECT_EQ(XPIsWidgetVisible(leaf), 1);
    XPHideWidget(mid);
    EXPECT_EQ(gHeard, (Lines{"A Hidden mid mid", "A Hidden root mid"}));
    EXPECT_EQ(XPIsWidgetVisible(leaf), 0);
    gHeard.clear();
    XPHideWidget(mid);  // unchanged: nothing
    XPHideWidget(leaf);
    XPShowWidget(mid);
    EXPECT_EQ(gHeard, (Lines{"A Hidden leaf leaf", "A Hidden mid leaf", "A Hidden root leaf", "A Shown mid mid",
                             "A Shown root mid"}));
    EXPECT_EQ(XPIsWidgetVisible(mid), 1);
    EXPECT_EQ(XPIsWidgetVisible(leaf), 0);

    XPWidgetID loose = Make("loose", 0, 10, 10, 0);  // visible, but on no root
    EXPECT_EQ(XPIsWidgetVisible(loose), 0);
    XPPlaceWidgetWithin(loose, mid);
    EXPECT_EQ(XPIsWidgetVisible(loose), 1);

    // A hidden root is neither drawn nor clicked.
    gHeard.clear();
    XPHideWidget(root);
    bmhost::RunFrames(1);
    bmhost::Click(160, 160);
    EXPECT_EQ(Only({xpMsg_Paint, xpMsg_MouseDown}), Lines{});
}

TEST_F(WidgetStandIn, FramesPaintRootsBackToFrontAndParentsBeforeChildren) {
    MakeTree();
    XPWidgetID second = Make("second", 0, 50, 50, 0, mid);
    XPWidgetID other = Make("other", 0, 700, 50, 650, nullptr, true);
    XPWidgetID loose = Make("loose", 0, 10, 10, 0);
    XPHideWidget(second);
    gHeard.clear();
    bmhost::RunFrames(1);
    EXPECT_EQ(gHeard, (Lines{"A Paint root", "A Draw root", "A Paint mid", "A Draw mid", "A Paint leaf", "A Draw leaf",
                             "A Paint other", "A Draw other"}));
    XPBringRootWidgetToFront(mid);
    EXPECT_EQ(XPIsWidgetInFront(leaf), 1);
    EXPECT_EQ(XPIsWidgetInFront(other), 0);
    EXPECT_EQ(XPIsWidgetInFront(loose), 0);

    gHeard.clear();
    XPAddWidgetCallback(mid, Rec<'B'>);
    gTakes['B'] = {xpMsg_Paint};  // it paints itself and its children: the library does not
    gHeard.clear();
    bmhost::RunFrames(1);
    EXPECT_EQ(gHeard, (Lines{"A Paint other", "A Draw other", "A Paint root", "A Draw root", "B Paint mid"}));
    (void)loose;
}

int gWindowTakes = 0;
int WindowMouse(XPLMWindowID, int, int, XPLMMouseStatus status, void*) {
    gHeard.push_back("window " + std::to_string(status));
    return gWindowTakes;
}

TEST_F(WidgetStandIn, RootWindowsShareTheWindowLayerButNotItsCounts) {
    int windows = bmhost::WindowCount(), registrations = bmhost::RegistrationCount();
    MakeTree();
    Make("other", 0, 700, 50, 650, nullptr, true);
    EXPECT_EQ(bmhost::WindowCount(), windows);
    EXPECT_EQ(bmhost::RegistrationCount(), registrations);
    EXPECT_EQ(bmhost::WidgetCount(), 4);

    // A plug-in window over the roots takes the click first; when it does not, the widgets get it.
    XPLMWindowID front = XPLMCreateWindow(0, 768, 1024, 0, 1, nullptr, nullptr, WindowMouse, nullptr);
    gHeard.clear();
    gWindowTakes = 1;
    bmhost::Click(210, 310);
    EXPECT_EQ(gHeard, (Lines{"window 1", "window 3"}));
    gHeard.clear();
    gWindowTakes = 0;
    bmhost::Click(210, 310);
    EXPECT_EQ(gHeard, (Lines{"window 1", "A MouseDown leaf 210,310", "A MouseDown mid 210,310",
                             "A MouseDown root 210,310"}));
    XPLMDestroyWindow(front);
    EXPECT_EQ(XPIsWidgetInFront(root), 0);  // "other" came later
    XPBringRootWidgetToFront(leaf);
    EXPECT_EQ(XPIsWidgetInFront(root), 1);
}

TEST_F(WidgetStandIn, MouseDownsBubbleUpUntilTakenAndTheTakerGetsDragAndUp) {
    MakeTree();
    gTakes['A'] = {xpMsg_MouseDown};
    gThen = [&](char, XPWidgetMessage m, XPWidgetID w) {
        if (m == xpMsg_MouseDown && w == leaf) gTakes['A'].clear();  // the leaf passes it on
        if (m == xpMsg_MouseDown && w != leaf) gTakes['A'] = {xpMsg_MouseDown};
    };
    bmhost::MouseDown(210, 310);
    gThen = nullptr;
    bmhost::MouseDrag(900, 20);  // outside every widget: the taker still hears
    bmhost::MouseUp(901, 21);
    bmhost::MouseDrag(5, 5);  // after the up: nobody
    EXPECT_EQ(gHeard, (Lines{"A MouseDown leaf 210,310", "A MouseDown mid 210,310", "A MouseDrag mid 900,20",
                             "A MouseUp mid 901,21"}));

    // Nobody takes it: the click falls through to the window below.
    gTakes['A'].clear();
    gHeard.clear();
    gWindowTakes = 1;
    XPLMWindowID below = XPLMCreateWindow(0, 768, 1024, 0, 1, nullptr, nullptr, WindowMouse, nullptr);
    XPBringRootWidgetToFront(root);
    bmhost::Click(120, 120);
    EXPECT_EQ(gHeard, (Lines{"A MouseDown root 120,120", "window 1", "window 3"}));
    XPLMDestroyWindow(below);
}

TEST_F(WidgetStandIn, ACallbackMayDestroyItsOwnWidgetOrItsParentDuringADispatch) {
    MakeTree();
    gTakes['A'] = {xpMsg_MouseDown};
    gThen = [&](char, XPWidgetMessage m, XPWidgetID w) {
        if (m == xpMsg_MouseDown && w == leaf) XPDestroyWidget(leaf, 1);  // and answers 1
    };
    bmhost::Drag(210, 310, 220, 320);
    EXPECT_EQ(Only({xpMsg_MouseDown, xpMsg_MouseDrag, xpMsg_MouseUp, xpMsg_Destroy}),
              (Lines{"A MouseDown leaf 210,310", "A Destroy leaf 0"}));

    // Destroying the parent while the message climbs: the climb ends where the widgets end.
    leaf = Make("leaf", 200, 400, 300, 300, mid);
    gTakes['A'].clear();
    gThen = [&](char, XPWidgetMessage m, XPWidgetID w) {
        if (m == xpMsg_MouseDown && w == leaf) XPDestroyWidget(root, 1);
    };
    gHeard.clear();
    bmhost::Click(210, 310);
    EXPECT_EQ(Only({xpMsg_MouseDown, xpMsg_Destroy}),
              (Lines{"A MouseDown leaf 210,310", "A Destroy leaf 1", "A Destroy mid 1", "A Destroy root 0"}));
    EXPECT_EQ(bmhost::WidgetCount(), 0);

    // A destroy handler that destroys again, and one that creates: neither trips the library.
    MakeTree();
    gThen = [&](char, XPWidgetMessage m, XPWidgetID w) {
        if (m != xpMsg_Destroy) return;
        XPDestroyWidget(w, 1);
        XPDestroyWidget(root, 1);
        if (w == leaf) Make("late", 0, 1, 1, 0, mid);
    };
    gHeard.clear();
    XPDestroyWidget(root, 1);
    gThen = nullptr;
    EXPECT_EQ(bmhost::WidgetCount(), 1);  // "late", left floating
    EXPECT_EQ(bmhost::WidgetTree(), "custom 0,1,1,0 \"late\" visible\n");
    EXPECT_EQ(Log().find("XPDestroyWidget: not a widget id"), std::string::npos);

    // Painting that creates and destroys widgets.
    MakeTree();
    gThen = [&](char, XPWidgetMessage m, XPWidgetID w) {
        if (m == xpMsg_Draw && w == mid) {
            XPDestroyWidget(leaf, 1);
            Make("new", 0, 1, 1, 0, mid);
        }
    };
    gHeard.clear();
    bmhost::RunFrames(1);
    EXPECT_EQ(Only({xpMsg_Draw}), (Lines{"A Draw root", "A Draw mid", "A Draw new"}));
}

TEST_F(WidgetStandIn, KeyboardFocusIsOfferedTakenAndGivenBackUpTheChain) {
    MakeTree();
    EXPECT_EQ(XPSetKeyboardFocus(mid), nullptr);  // refused
    gTakes['A'] = {xpMsg_KeyTakeFocus};
    EXPECT_EQ(XPSetKeyboardFocus(mid), mid);
    EXPECT_EQ(XPSetKeyboardFocus(leaf), leaf);
    EXPECT_EQ(gHeard, (Lines{"A KeyTakeFocus mid 0", "A KeyTakeFocus mid 0", "A KeyTakeFocus leaf 0",
                             "A KeyLoseFocus mid 1"}));
    EXPECT_EQ(XPGetWidgetWithFocus(), leaf);

    // Keys go to the focused widget and up its chain; those nobody takes reach the hot keys.
    static int hot = 0;
    XPLMRegisterHotKey(char(XPLM_VK_X), xplm_DownFlag, "x", [](void*) { ++hot; }, nullptr);
    gHeard.clear();
    gTakes['A'] = {xpMsg_KeyPress};
    gThen = [&](char, XPWidgetMessage m, XPWidgetID w) {
        if (m == xpMsg_KeyPress) gTakes['A'] = w == leaf ? std::vector<XPWidgetMessage>{} : std::vector{m};
    };
    bmhost::KeyEvent('x', xplm_DownFlag, XPLM_VK_X);
    EXPECT_EQ(gHeard, (Lines{"A KeyPress leaf 'x' 8 88", "A KeyPress mid 'x' 8 88"}));
    EXPECT_EQ(hot, 0);
    gThen = nullptr;
    gTakes['A'].clear();
    gHeard.clear();
    bmhost::KeyEvent('x', xplm_DownFlag, XPLM_VK_X);
    EXPECT_EQ(gHeard.size(), 3u);
    EXPECT_EQ(hot, 1);

    // Giving it up: the leaf hears, then the ancestors are offered it, nearest first.
    gThen = [&](char, XPWidgetMessage m, XPWidgetID w) {
        if (m == xpMsg_KeyTakeFocus) gTakes['A'] = w == root ? std::vector{m} : std::vector<XPWidgetMessage>{};
    };
    gHeard.clear();
    XPLoseKeyboardFocus(mid);  // not its focus: nothing
    XPLoseKeyboardFocus(leaf);
    EXPECT_EQ(gHeard, (Lines{"A KeyLoseFocus leaf 0", "A KeyTakeFocus mid 1", "A KeyTakeFocus root 1"}));
    EXPECT_EQ(XPGetWidgetWithFocus(), root);
    gThen = nullptr;

    // Hiding drops the focus held inside; so does a plug-in's window taking the keyboard.
    gHeard.clear();
    XPHideWidget(root);
    EXPECT_EQ(Only({xpMsg_KeyLoseFocus}), (Lines{"A KeyLoseFocus root 0"}));
    EXPECT_EQ(XPGetWidgetWithFocus(), nullptr);
    XPShowWidget(root);
    EXPECT_EQ(XPSetKeyboardFocus(leaf), leaf);
    XPLMWindowID window = XPLMCreateWindow(0, 10, 10, 0, 1, nullptr, nullptr, nullptr, nullptr);
    gHeard.clear();
    XPLMTakeKeyboardFocus(window);
    EXPECT_EQ(gHeard, (Lines{"A KeyLoseFocus leaf 1"}));
    EXPECT_EQ(XPGetWidgetWithFocus(), nullptr);
    EXPECT_EQ(XPSetKeyboardFocus(leaf), leaf);
    gHeard.clear();
    EXPECT_EQ(XPSetKeyboardFocus(nullptr), nullptr);
    EXPECT_EQ(gHeard, (Lines{"A KeyLoseFocus leaf 0"}));
}

TEST_F(WidgetStandIn, WidgetsOfAnUnloadedPluginGoWithIt) {
    MakeTree();
    XPWidgetID theirs = nullptr;
    bmhost::RunAsPlugin(7, [&] {
        theirs = Make("theirs", 600, 300, 700, 200, nullptr, true);
        Make("inside", 610, 290, 690, 210, theirs);
        Make("theirs too", 0, 1, 1, 0);
        XPAddWidgetCallback(mid, Rec<'B'>);  // on another plug-in's widget
    });
    XPWidgetID mine = Make("mine", 620, 280, 680, 220, theirs);
    EXPECT_EQ(bmhost::WidgetCount(7), 3);
    EXPECT_EQ(bmhost::WidgetCount(), 7);
    gHeard.clear();
    bmhost::SweepPlugin(7);
    EXPECT_EQ(bmhost::WidgetCount(7), 0);
    EXPECT_EQ(bmhost::WidgetCount(), 4);
    EXPECT_EQ(XPGetParentWidget(mine), nullptr);  // left floating, told so by the library
    EXPECT_EQ(gHeard, (Lines{"A AcceptParent mine none"}));
    gHeard.clear();
    XPSendMessageToWidget(mid, xpMsg_UserStart, xpMode_Direct, 0, 0);
    EXPECT_EQ(gHeard, (Lines{"A 10000 mid 0 0"}));  // B went with its plug-in
    gHeard.clear();
    bmhost::RunFrames(1);
    bmhost::Click(650, 250);  // where their root was
    EXPECT_EQ(Only({xpMsg_Paint, xpMsg_MouseDown}),
              (Lines{"A Paint root", "A Paint mid", "A Paint leaf"}));
}

TEST_F(WidgetStandIn, CallbacksRunAsThePluginThatAddedThem) {
    static std::vector<XPLMPluginID> who;
    who.clear();
    XPWidgetID w = nullptr;
    bmhost::RunAsPlugin(3, [&] {
        w = XPCreateCustomWidget(0, 1, 1, 0, 1, "", 0, nullptr, [](XPWidgetMessage, XPWidgetID, intptr_t, intptr_t) {
            who.push_back(XPLMGetMyID());
            return 0;
        });
    });
    bmhost::RunAsPlugin(4, [&] {
        XPAddWidgetCallback(w, [](XPWidgetMessage, XPWidgetID, intptr_t, intptr_t) {
            who.push_back(XPLMGetMyID());
            throw std::runtime_error("boom");
            return 0;
        });
    });
    who.clear();
    XPSendMessageToWidget(w, xpMsg_UserStart, xpMode_Direct, 0, 0);
    EXPECT_EQ(who, (std::vector<XPLMPluginID>{4, 3}));  // the exception counts as "not taken"
    EXPECT_NE(Log().find("[stand-in] a C++ exception escaped a widget callback of plug-in 4: boom\n"),
              std::string::npos);
}

TEST_F(WidgetStandIn, AnArmedWidgetFunctionFailsAloneAndInsideACallback) {
    bmhost::FailNextCall("XPCreateCustomWidget");
    EXPECT_THROW(Make("x", 0, 1, 1, 0), bmhost::InjectedFault);
    EXPECT_EQ(bmhost::WidgetCount(), 0);
    MakeTree();
    // A callback whose library call throws: reported, and the click goes on up the chain.
    gThen = [&](char, XPWidgetMessage m, XPWidgetID w) {
        if (m == xpMsg_MouseDown && w == leaf) XPSetWidgetProperty(w, xpProperty_Hilited, 1);
    };
    bmhost::FailNextCall("XPSetWidgetProperty");
    bmhost::Click(210, 310);
    EXPECT_EQ(Only({xpMsg_MouseDown}), (Lines{"A MouseDown leaf 210,310", "A MouseDown mid 210,310",
                                              "A MouseDown root 210,310"}));
    EXPECT_NE(Log().find("[stand-in] a C++ exception escaped a widget callback of plug-in -1: injected fault in "
                         "XPSetWidgetProperty\n"),
              std::string::npos);
    EXPECT_EQ(XPGetWidgetProperty(leaf, xpProperty_Hilited, nullptr), 0);
}

// ---- Control ----

TEST_F(WidgetStandIn, TheTreeListsRootsBackToFrontThenLooseWidgets) {
    MakeTree();
    XPSetWidgetProperty(leaf, 1302, 1);
    XPSetWidgetProperty(leaf, xpProperty_Refcon, -5);
    XPSetWidgetProperty(leaf, 1200, 1);    // a main window's or a subwindow's: a custom one's is neither
    XPSetWidgetProperty(leaf, 10001, 2);
    XPSetWidgetDescriptor(mid, "say \"hi\"\nback\\slash");
    Make("loose", 1, 2, 3, 4, nullptr, false, 0);
    Make("other", 0, 700, 50, 650, nullptr, true);
    XPBringRootWidgetToFront(root);
    EXPECT_EQ(bmhost::WidgetTree(),
              "custom 0,700,50,650 \"other\" visible\n"
              "custom 100,500,500,100 \"root\" visible\n"
              "  custom 150,450,450,150 \"say \\\"hi\\\"\\nback\\\\slash\" visible\n"
              "    custom 200,400,300,300 \"leaf\" visible 0=-5 1200=1 1302=1 10001=2\n"
              "custom 1,2,3,4 \"loose\" hidden\n");
    EXPECT_NE(bmhost::WidgetTree(true).find(
                  "\"leaf\" visible xpProperty_Refcon=-5 1200=1 xpProperty_ButtonState=1 10001=2\n"),
              std::string::npos);
    EXPECT_EQ(bmhost::FindWidget("leaf"), leaf);
    EXPECT_EQ(bmhost::FindWidget("nobody"), nullptr);
    XPDestroyWidget(leaf, 1);
    EXPECT_EQ(bmhost::FindWidget("leaf"), nullptr);
}

TEST_F(WidgetStandIn, TypedTextArrivesAsWholeKeyPresses) {
    MakeTree();
    gTakes['A'] = {xpMsg_KeyTakeFocus, xpMsg_KeyPress};
    XPSetKeyboardFocus(leaf);
    gHeard.clear();
    bmhost::TypeText("aZ1!.");
    EXPECT_EQ(gHeard, (Lines{"A KeyPress leaf 'a' 8 65", "A KeyPress leaf 'a' 16 65", "A KeyPress leaf 'Z' 9 90",
                             "A KeyPress leaf 'Z' 17 90", "A KeyPress leaf '1' 8 49", "A KeyPress leaf '1' 16 49",
                             "A KeyPress leaf '!' 9 49", "A KeyPress leaf '!' 17 49", "A KeyPress leaf '.' 8 185",
                             "A KeyPress leaf '.' 16 185"}));
}

// ---- Widget utilities ----

TEST_F(WidgetStandIn, TablesBuildTreesInsideAGivenParent) {
    bmhost::DefineWidgetClass(50, Rec<'T'>);
    EXPECT_TRUE(XPGetWidgetClassFunc(50) == &Rec<'T'>);
    EXPECT_TRUE(XPGetWidgetClassFunc(49) == nullptr);
    MakeTree();
    const XPWidgetCreate_t table[] = {
        {10, 60, 90, 20, 1, "panel", 0, PARAM_PARENT, 50},
        {20, 50, 80, 30, 1, "field", 0, 0, 50},
    };
    XPWidgetID made[2] = {nullptr, nullptr};
    XPUCreateWidgets(table, int(WIDGET_COUNT(table)), mid, made);
    ASSERT_NE(made[0], nullptr);
    ASSERT_NE(made[1], nullptr);
    EXPECT_EQ(XPGetParentWidget(made[0]), mid);
    EXPECT_EQ(XPGetParentWidget(made[1]), made[0]);
    EXPECT_EQ(bmhost::WidgetTree(),
              "custom 100,500,500,100 \"root\" visible\n"
              "  custom 150,450,450,150 \"mid\" visible\n"
              "    custom 200,400,300,300 \"leaf\" visible\n"
              "    class 50 10,60,90,20 \"panel\" visible\n"
              "      class 50 20,50,80,30 \"field\" visible\n");

    // A class nobody knows leaves NULL; a container named before it is made leaves no parent.
    const XPWidgetCreate_t broken[] = {
        {0, 10, 10, 0, 1, "unknown", 0, NO_PARENT, 99},
        {0, 10, 10, 0, 1, "early", 0, 2, 50},
        {0, 10, 10, 0, 1, "late", 0, 1, 50},
    };
    XPWidgetID more[3] = {nullptr, nullptr, nullptr};
    XPUCreateWidgets(broken, 3, nullptr, more);
    EXPECT_EQ(more[0], nullptr);
    EXPECT_EQ(XPGetParentWidget(more[1]), nullptr);
    EXPECT_EQ(XPGetParentWidget(more[2]), more[1]);
    EXPECT_NE(Log().find("[stand-in] XPCreateWidget: no widget class 99\n"), std::string::npos);
    EXPECT_NE(Log().find("[stand-in] XPUCreateWidgets: widget 1 names container 2, which is not made before it; it "
                         "gets no parent\n"),
              std::string::npos);
}

TEST_F(WidgetStandIn, FixedLayoutMovesEveryDescendantOnce) {
    MakeTree();
    XPAddWidgetCallback(root, XPUFixedLayout);
    XPAddWidgetCallback(mid, XPUFixedLayout);  // a nested layout leaves the leaf to the outer one
    XPUMoveWidgetBy(root, 10, -20);
    int l, t, r, b;
    XPGetWidgetGeometry(leaf, &l, &t, &r, &b);
    EXPECT_EQ((std::vector<int>{l, t, r, b}), (std::vector<int>{210, 380, 310, 280}));
    XPGetWidgetGeometry(mid, &l, &t, &r, &b);
    EXPECT_EQ((std::vector<int>{l, t, r, b}), (std::vector<int>{160, 430, 460, 130}));
    gHeard.clear();
    XPUMoveWidgetBy(mid, 1, 0);  // the mid's own layout moves its leaf
    XPGetWidgetGeometry(leaf, &l, nullptr, nullptr, nullptr);
    EXPECT_EQ(l, 211);
    XPGetWidgetGeometry(root, &l, nullptr, nullptr, nullptr);
    EXPECT_EQ(l, 110);
}

int Draggable(XPWidgetMessage m, XPWidgetID w, intptr_t p1, intptr_t p2) {
    int l, t, r;
    XPGetWidgetGeometry(w, &l, &t, &r, nullptr);
    if (XPUSelectIfNeeded(m, w, p1, p2, 0)) return 1;
    if (XPUDefocusKeyboard(m, w, p1, p2, 0)) return 1;
    return XPUDragWidget(m, w, p1, p2, l, t, r, t - 20);  // the title strip
}

TEST_F(WidgetStandIn, DraggingTheTitleStripMovesARootAndSelectsIt) {
    XPWidgetID window = XPCreateCustomWidget(100, 500, 300, 300, 1, "window", 1, nullptr, Draggable);
    XPCreateCustomWidget(0, 700, 50, 650, 1, "other", 1, nullptr, Draggable);
    EXPECT_EQ(XPIsWidgetInFront(window), 0);
    bmhost::MouseDown(110, 490);  // 10 in, 10 down
    EXPECT_EQ(XPIsWidgetInFront(window), 1);
    EXPECT_EQ(XPGetWidgetProperty(window, xpProperty_Dragging, nullptr), 1);
    bmhost::MouseDrag(410, 290);
    bmhost::MouseUp(420, 280);
    int l, t, r, b;
    XPGetWidgetGeometry(window, &l, &t, &r, &b);
    EXPECT_EQ((std::vector<int>{l, t, r, b}), (std::vector<int>{410, 290, 610, 90}));
    EXPECT_EQ(XPGetWidgetProperty(window, xpProperty_Dragging, nullptr), 0);
    EXPECT_EQ(XPGetWidgetProperty(window, xpProperty_DragXOff, nullptr), 10);
    EXPECT_EQ(XPGetWidgetProperty(window, xpProperty_DragYOff, nullptr), 10);

    // Below the strip nothing moves; its window goes with it for the mouse.
    bmhost::Drag(500, 150, 600, 150);
    XPGetWidgetGeometry(window, &l, nullptr, nullptr, nullptr);
    EXPECT_EQ(l, 410);
    EXPECT_EQ(XPGetWidgetForLocation(window, 150, 450, 1, 1), nullptr);
}

}  // namespace
