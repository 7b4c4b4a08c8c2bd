// The popup menu and the popup button, on the stand-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "BM_ListBox.h"
#include "BM_Popups.h"
#include "TestSupport.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

using Lines = std::vector<std::string>;
using Values = std::vector<intptr_t>;

// Picks as "<choice> <refcon>", and what a pick should do meanwhile.
Lines gPicks;
std::function<void(int)> gOnPick;
void Pick(int choice, void* refcon) {
    gPicks.push_back(std::to_string(choice) + " " + std::to_string(reinterpret_cast<intptr_t>(refcon)));
    if (gOnPick) gOnPick(choice);
}

// The last frame's drawing calls named `call` (all but the simulator's phases and the colour
// changes when empty); strings without their colour, which the list box's functions decide.
Lines Drawn(const std::string& call = "") {
    Lines calls;
    for (bmhost::DrawOp op : bmhost::LastFrameDrawing()) {
        if (op.call == "phase" || op.call.compare(0, 9, "glColor4f") == 0 || (!call.empty() && op.call != call))
            continue;
        if (op.call == "XPLMDrawString") op.numbers.erase(op.numbers.begin(), op.numbers.begin() + 3);
        calls.push_back(op.ToString());
    }
    return calls;
}
bool Drew(const std::string& line) {
    Lines all = Drawn();
    return std::find(all.begin(), all.end(), line) != all.end();
}
std::vector<double> ColourOf(const std::string& text) {
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
        if (op.call == "XPLMDrawString" && op.text == text) return {op.numbers.begin(), op.numbers.begin() + 3};
    return {};
}
std::vector<double> Colour(int id) {
    float rgb[3] = {0, 0, 0};
    SetupAmbientColor(id, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}
std::string Numbered(int count) {
    std::string items;
    for (int i = 0; i < count; ++i) items += "Item " + std::to_string(i) + ";";
    return items;
}

class Popups : public ::testing::Test {
protected:
    void SetUp() override { gPicks.clear(), gOnPick = nullptr; }
    void TearDown() override { BM_ClosePopups(), gOnPick = nullptr; }
    // Opens a menu and draws it with the pointer at (mouseX, mouseY); answers the item boxes.
    Lines Open(int x, int y, const std::string& items, int current, int mouseX = 0, int mouseY = 0) {
        XPPickPopup(x, y, items.c_str(), current, Pick, reinterpret_cast<void*>(7));
        bmhost::MouseDrag(mouseX, mouseY);  // no window holds the mouse: it only moves
        bmhost::RunFrames(1);
        return Drawn("XPDrawElement");
    }
    bmtest::SimFolder sim;
};

TEST_F(Popups, ItemsLayOutInColumnsOfSixty) {
    // Columns 84 wide ("Item 59": 7 characters of 7); 720 pixels of items: moved up to y = 10.
    Lines boxes = Open(100, 700, Numbered(60), 0);
    EXPECT_EQ(Lines({boxes.at(0), boxes.at(59), std::to_string(boxes.size())}),
              Lines({"XPDrawElement(100, 718, 184, 730, 16, 0)", "XPDrawElement(100, 10, 184, 22, 16, 0)", "60"}));
    EXPECT_EQ(Drawn("glBegin"), Lines{});  // the empty second column is dropped
    BM_ClosePopups();

    boxes = Open(100, 700, Numbered(61), 0);
    EXPECT_EQ(boxes.at(60), "XPDrawElement(184, 718, 268, 730, 16, 0)");
    Lines drawn = Drawn();  // the column boundary: a dark and a light line
    EXPECT_EQ(Lines(drawn.begin() + 1, drawn.begin() + 9),
              Lines({"glBegin(1)", "glVertex2i(183, 730)", "glVertex2i(183, 10)", "glEnd()", "glBegin(1)",
                     "glVertex2i(184, 730)", "glVertex2i(184, 10)", "glEnd()"}));
    BM_ClosePopups();

    // 84 columns of 98, far wider than the screen: the left edge stays at 10.
    boxes = Open(500, 400, Numbered(5000), 4999);
    EXPECT_EQ(Lines({boxes.at(0), boxes.at(4999)}),
              Lines({"XPDrawElement(10, 718, 108, 730, 16, 0)", "XPDrawElement(8144, 490, 8242, 502, 16, 0)"}));
    EXPECT_EQ(Drawn("glBegin").size(), 2u * 83);
    BM_ClosePopups();
    std::string longText(100000, 'x');
    boxes = Open(500, 400, "a;" + longText, 1);
    EXPECT_EQ(boxes.at(1), "XPDrawElement(10, 388, 700045, 400, 16, 0)");
    EXPECT_TRUE(Drew("XPLMDrawString(28, 390, 0, 1, \"" + longText + "\")"));
}

TEST_F(Popups, TheCurrentItemLiesUnderThePointAndTheMenuStaysOnTheScreen) {
    // Three items in a column 70 wide; the first item's box, left, bottom, right, top.
    const struct {
        int x, y, current;
        const char* first;
    } cases[] = {
        {300, 400, 1, "300, 400, 370, 412"},  {300, 400, 7, "300, 388, 370, 400"},  // beyond: the first
        {300, 400, -3, "300, 388, 370, 400"}, {1000, 400, 0, "944, 388, 1014, 400"},
        {944, 400, 0, "944, 388, 1014, 400"}, {9, 400, 0, "10, 388, 80, 400"},
        {10, 400, 0, "10, 388, 80, 400"},     {300, 30, 0, "300, 34, 370, 46"},
        {300, 46, 0, "300, 34, 370, 46"},     {300, 760, 0, "300, 726, 370, 738"},
        {300, 730, 2, "300, 726, 370, 738"},  {2000, -500, 0, "944, 34, 1014, 46"},
        {INT_MAX, INT_MIN, INT_MAX, "944, 34, 1014, 46"}, {INT_MIN, INT_MAX, 2, "10, 726, 80, 738"}};
    for (const auto& c : cases) {
        EXPECT_EQ(Open(c.x, c.y, "Red;Green;Blue", c.current).at(0), std::string("XPDrawElement(") + c.first + ", 16, 0)")
            << c.x << "," << c.y << " " << c.current;
        BM_ClosePopups();
    }
}

TEST_F(Popups, TheMouseUpPicksTheItemUnderItButNoSeparatorOrDisabledItem) {
    // Alpha at y 488..499, the separator 486..487, Beta 474..485, Gamma 462..473; x 200..269.
    const int cases[][3] = {{200, 499, 0},  {269, 488, 0},  {270, 495, -1}, {199, 495, -1},
                            {200, 500, -1}, {230, 487, -1}, {230, 480, -1}, {230, 473, 3},
                            {230, 462, 3},  {230, 461, -1}, {900, 100, -1}};
    for (const auto& c : cases) {
        gPicks.clear();
        XPPickPopup(200, 500, "Alpha;-;(Beta;Gamma", 0, Pick, reinterpret_cast<void*>(7));
        bmhost::MouseDown(c[0], c[1]);
        bmhost::MouseDrag(215, 495);  // only the release counts
        bmhost::MouseUp(c[0], c[1]);
        EXPECT_EQ(gPicks, Lines{std::to_string(c[2]) + " 7"}) << c[0] << "," << c[1];
        EXPECT_EQ(bmhost::WindowCount(), 0);
    }
    EXPECT_EQ(XPItemForHeight(nullptr, 0, 0), -1);
}

TEST_F(Popups, TheItemUnderThePointerIsLit) {
    Open(200, 500, "Alpha;-;(Beta;Gamma", 0, 210, 495);
    EXPECT_EQ(Drawn(), Lines({"XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0)", "XPDrawElement(200, 488, 270, 500, 17, 0)",
                              "XPLMSetGraphicsState(0, 0, 0, 0, 1, 0, 0)", "glBegin(7)", "glVertex2i(200, 500)",
                              "glVertex2i(270, 500)", "glVertex2i(270, 488)", "glVertex2i(200, 488)", "glEnd()",
                              "XPLMDrawString(218, 490, 0, 1, \"Alpha\")", "XPDrawElement(200, 486, 270, 488, 16, 0)",
                              "XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0)", "glBegin(1)", "glVertex2i(200, 487)",
                              "glVertex2i(270, 487)", "glEnd()", "glBegin(1)", "glVertex2i(200, 488)",
                              "glVertex2i(270, 488)", "glEnd()", "XPDrawElement(200, 474, 270, 486, 16, 0)",
                              "XPLMDrawString(218, 476, 0, 1, \"Beta\")", "XPDrawElement(200, 462, 270, 474, 16, 0)",
                              "XPLMDrawString(218, 464, 0, 1, \"Gamma\")"}));
    EXPECT_EQ(ColourOf("Alpha"), Colour(4));
    EXPECT_EQ(ColourOf("Beta"), Colour(5));  // disabled
    bmhost::MouseDrag(210, 480);             // over Beta: nothing lit
    bmhost::RunFrames(1);
    EXPECT_EQ(Drawn("glBegin").size(), 2u);
    EXPECT_FALSE(Drew("XPDrawElement(200, 474, 270, 486, 17, 0)"));
}

// ---- The popup button, in a window whose callback hears what reaches it ----

Lines gHeard;
XPWidgetID gButton = nullptr;
int Listen(XPWidgetMessage message, XPWidgetID, intptr_t p1, intptr_t p2) {
    if (message == xpMsg_PopupChoiceMade)
        gHeard.push_back((reinterpret_cast<XPWidgetID>(p1) == gButton ? "choice " : "other ") + std::to_string(p2));
    if (message == xpMsg_MouseDown) gHeard.push_back("mouse down");
    return message == xpMsg_PopupChoiceMade || message == xpMsg_MouseDown;
}

class PopupButton : public Popups {
protected:
    void SetUp() override {
        Popups::SetUp();
        gHeard.clear();
        // A window that draws nothing itself: every drawing call is the button's or the menu's.
        window = XPCreateCustomWidget(100, 500, 400, 200, 1, "Scripts", 1, nullptr, Listen);
        button = gButton = BM_CreatePopup(120, 460, 300, 440, 1, "One;Two;(Three;Four", window);
    }
    intptr_t Get(XPWidgetPropertyID property) const { return XPGetWidgetProperty(button, property, nullptr); }
    void Set(XPWidgetPropertyID property, intptr_t value) const { XPSetWidgetProperty(button, property, value); }
    Values State() const {  // choice, offset and length of its text
        return {Get(xpProperty_PopupChoice), Get(xpProperty_PopupItemOffset), Get(xpProperty_PopupItemLength)};
    }
    std::string Shown() {
        bmhost::RunFrames(1);
        for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
            if (op.call == "XPLMDrawString" && op.numbers[3] == 124 && op.numbers[4] == 447) return op.text;
        return "(nothing)";
    }
    XPWidgetID window = nullptr, button = nullptr;
};

TEST_F(PopupButton, AClickOpensTheMenuOverTheButtonAndAPickReachesTheParent) {
    int exists = -1;
    XPGetWidgetProperty(button, xpProperty_PopupChoice, &exists);
    EXPECT_EQ(exists, 0);
    EXPECT_EQ(State(), Values({0, 0, 3}));
    EXPECT_EQ(Shown(), "One");
    EXPECT_TRUE(Drew("XPDrawElement(116, 437, 304, 463, 16, 0)"));

    bmhost::Click(150, 450);  // "One" lit under the button's corner, "Four" the fourth below
    bmhost::RunFrames(1);
    EXPECT_TRUE(Drew("XPDrawElement(120, 448, 190, 460, 17, 0)") && Drew("XPDrawElement(120, 412, 190, 424, 16, 0)"));
    bmhost::Click(130, 418);
    EXPECT_EQ(gHeard, Lines{"choice 3"});
    EXPECT_EQ(State(), Values({3, 15, 4}));
    EXPECT_EQ(Shown(), "Four");
    EXPECT_EQ(ColourOf("Four"), Colour(4));

    bmhost::Click(150, 450);  // now "Four" under the corner; "(Three" above it is not pickable
    bmhost::RunFrames(1);
    EXPECT_TRUE(Drew("XPLMDrawString(138, 450, 0, 1, \"Four\")"));
    bmhost::Click(130, 465);
    bmhost::Click(150, 450);
    bmhost::Click(900, 100);  // nor is the outside
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(gHeard, Lines{"choice 3"});
    EXPECT_EQ(State(), Values({3, 15, 4}));

    Set(xpProperty_Enabled, 0);  // the click goes on to the parent
    bmhost::Click(150, 450);
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(gHeard, Lines({"choice 3", "mouse down"}));
    EXPECT_EQ(Shown(), "Four");
    EXPECT_EQ(ColourOf("Four"), Colour(5));
    Set(xpProperty_PopupChoice, 1);  // a choice enables it again
    EXPECT_EQ(Get(xpProperty_Enabled), 1);
    EXPECT_EQ(Shown(), "Two");
    XPSetWidgetDescriptor(button, "Alpha;Beta");  // the choice indexes the new list
    EXPECT_EQ(Shown(), "Beta");
}

TEST_F(PopupButton, PropertiesAndSizesOfAnyValueAreClamped) {
    // 19 characters of descriptor; room for (180 - 24) / 7 = 22 on the button.
    const struct {
        intptr_t offset, length;
        const char* shown;
    } cases[] = {{8, 6, "Three"},  {INTPTR_MAX, 5, ""}, {INTPTR_MIN, 3, "One"}, {-7, 100, "One;Two;(Three;Four"},
                 {8, INTPTR_MIN, ""}, {3, INTPTR_MAX, ";Two;(Three;Four"}, {19, 1, ""}};
    for (const auto& c : cases) {
        Set(xpProperty_PopupItemOffset, c.offset);
        Set(xpProperty_PopupItemLength, c.length);
        EXPECT_EQ(Shown(), c.shown) << c.offset << " " << c.length;
    }
    Set(xpProperty_PopupChoice, intptr_t(1) << 40);  // beyond the list
    EXPECT_EQ(State(), Values({intptr_t(1) << 40, 19, 0}));
    bmhost::Click(150, 450);  // the first item under the corner
    bmhost::Click(130, 455);
    Set(xpProperty_PopupChoice, INTPTR_MIN);
    EXPECT_EQ(State(), Values({INTPTR_MIN, 0, 3}));
    bmhost::Click(150, 450);
    bmhost::Click(130, 443);
    EXPECT_EQ(gHeard, Lines({"choice 0", "choice 1"}));

    // A descriptor beyond 4095 characters is read cut there; its text is cut to the button.
    XPSetWidgetDescriptor(button, (std::string(6000, 'y') + ";z").c_str());
    EXPECT_EQ(State(), Values({1, 4095, 0}));
    Set(xpProperty_PopupChoice, 0);
    EXPECT_EQ(State(), Values({0, 0, 4095}));
    EXPECT_EQ(Shown(), std::string(22, 'y'));

    // No room for text; ends of the int range drawn, and their menu opened on the screen.
    BM_CreatePopup(320, 460, 340, 440, 1, "Wide item", window);
    XPWidgetID huge = BM_CreatePopup(INT_MIN, INT_MAX, INT_MAX, INT_MIN, 1, "Big;Bigger", window);
    bmhost::RunFrames(1);
    EXPECT_TRUE(Drew("XPLMDrawString(324, 447, 0, 0, \"\")"));
    bmhost::Click(250, 300);
    bmhost::RunFrames(1);
    EXPECT_TRUE(Drew("XPDrawElement(10, 726, 87, 738, 16, 0)"));
    bmhost::Click(20, 720);
    EXPECT_EQ(XPGetWidgetProperty(huge, xpProperty_PopupChoice, nullptr), 1);
}

// ---- Lifetime and failures ----

TEST_F(PopupButton, ClosedMenusAreNeverUsedAgain) {
    bmhost::Click(150, 450);  // a button destroyed with its menu open takes that menu along
    XPPickPopup(600, 600, "Other", 0, Pick, reinterpret_cast<void*>(1));
    XPDestroyWidget(window, 1);
    EXPECT_EQ(bmhost::WindowCount(), 1);
    bmhost::Click(610, 595);
    EXPECT_EQ(gPicks, Lines{"0 1"});

    gOnPick = [](int choice) {  // a pick may open another menu, or close them all
        if (choice == 0) XPPickPopup(100, 100, "Next", 0, Pick, reinterpret_cast<void*>(2));
        if (choice == -1) BM_ClosePopups();
    };
    XPPickPopup(600, 600, "Other", 0, Pick, reinterpret_cast<void*>(1));
    bmhost::Click(610, 595);
    XPPickPopup(600, 600, "Third", 0, Pick, reinterpret_cast<void*>(3));
    EXPECT_EQ(bmhost::WindowCount(), 2);
    bmhost::Click(5, 5);
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(gPicks, Lines({"0 1", "0 1", "-1 3"}));

    XPPickPopup(600, 600, "Four", 0, Pick, nullptr);  // closed without a pick
    BM_ClosePopups();
    bmhost::Click(610, 595);
    bmhost::RunFrames(1);
    EXPECT_EQ(Drawn(), Lines{});
    EXPECT_EQ(gPicks.size(), 3u);

    gOnPick = [](int) { throw std::runtime_error("no such script"); };
    XPPickPopup(600, 600, "Six", 0, Pick, nullptr);
    bmhost::Click(610, 595);
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_NE(sim.Log().find("Brindlemoor - the popup menu's pick callback failed: no such script\n"), std::string::npos);
    EXPECT_EQ(bmhost::SimLog(), "");
}

TEST_F(PopupButton, AFailingSimulatorCallLeavesNoMenuHalfOpen) {
    auto cycle = [this] {  // open, draw, pick "Two", draw
        Set(xpProperty_PopupChoice, 0);
        bmhost::Click(150, 450);
        bmhost::RunFrames(1);
        bmhost::Click(130, 442);
        bmhost::RunFrames(1);
    };
    std::set<std::string> called;
    bmhost::SetSdkCallListener([&](const char* function) { called.insert(function); });
    cycle();
    bmhost::SetSdkCallListener(nullptr);
    for (const char* function : {"XPLMCreateWindow", "XPLMDestroyWindow", "XPLMGetMouseLocation", "XPSendMessageToWidget"})
        EXPECT_EQ(called.count(function), 1u) << function;

    const std::string kLogged[][2] = {
        {"XPLMCreateWindow", "XPPickPopup failed: injected fault in XPLMCreateWindow"},
        {"XPLMDestroyWindow", "XPLMDestroyWindow of a popup menu failed: injected fault in XPLMDestroyWindow"},
        {"XPGetWidgetDescriptor", "the popup button failed: injected fault in XPGetWidgetDescriptor"}};
    for (const std::string& function : called) {
        SCOPED_TRACE(function);
        gHeard.clear();
        Set(xpProperty_PopupChoice, 0);
        bmhost::FailNextCall(function);
        bmhost::Click(150, 450);
        bmhost::RunFrames(1);
        bmhost::Click(130, 442);
        bmhost::RunFrames(1);  // a window that failed to close goes now
        EXPECT_LE(std::count(gHeard.begin(), gHeard.end(), "choice 1"), 1);
        if (function == "XPLMDestroyWindow") {
            EXPECT_EQ(bmhost::WindowCount(), 0);
        }
        for (const auto& logged : kLogged) {
            if (logged[0] == function) {
                EXPECT_NE(sim.Log().find("Brindlemoor - " + logged[1] + "\n"), std::string::npos);
            }
        }
        BM_ClosePopups();  // what is still open closes whole
        EXPECT_EQ(bmhost::WindowCount(), 0);
        gHeard.clear();
        cycle();  // and the button works as before
        EXPECT_EQ(gHeard, Lines{"choice 1"});
    }

    // A window left by a failed close lets the next click through to what lies below it.
    bmhost::Click(150, 450);
    bmhost::FailNextCall("XPLMDestroyWindow");
    bmhost::Click(130, 442);
    EXPECT_EQ(bmhost::WindowCount(), 1);
    bmhost::Click(150, 450);  // the old window goes, the button opens a menu with "Two" at its corner
    EXPECT_EQ(bmhost::WindowCount(), 1);
    bmhost::Click(130, 430);
    EXPECT_EQ(State(), Values({3, 15, 4}));
    // Nothing escaped, and no window id was used after its window went.
    EXPECT_EQ(bmhost::SimLog(), "");
}

}  // namespace
