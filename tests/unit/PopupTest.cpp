// The popup menu and the popup button.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "BM_ListBox.h"
#include "BM_Popups.h"
#include "TestSupport.h"
#include "XPLMDisplay.h"
#include "XPStandardWidgets.h"
#include "XPUIGraphics.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

using Lines = std::vector<std::string>;

void* R(intptr_t value) { return reinterpret_cast<void*>(value); }

// What pick callbacks received, "<choice> <refcon>", and what the test wants done meanwhile.
Lines gPicks;
std::function<void(int)> gOnPick;
void Pick(int choice, void* refcon) {
    gPicks.push_back(std::to_string(choice) + " " + std::to_string(reinterpret_cast<intptr_t>(refcon)));
    if (gOnPick) gOnPick(choice);
}

// The last frame's drawing, without the simulator's own phases and without colour changes (the
// interface colours are the list box's business); a drawn string without its colour.
Lines Drawn() {
    Lines calls;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing()) {
        if (op.call == "phase" || op.call == "glColor4f" || op.call == "glColor4fv") continue;
        bmhost::DrawOp shown = op;
        if (op.call == "XPLMDrawString") shown.numbers.erase(shown.numbers.begin(), shown.numbers.begin() + 3);
        calls.push_back(shown.ToString());
    }
    return calls;
}

Lines Only(const std::string& call) {
    Lines calls;
    for (const std::string& line : Drawn())
        if (line.compare(0, call.size() + 1, call + "(") == 0) calls.push_back(line);
    return calls;
}

bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The colour of the string drawn with this text in the last frame; empty when none was.
std::vector<double> ColourOf(const std::string& text) {
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
        if (op.call == "XPLMDrawString" && op.text == text)
            return std::vector<double>(op.numbers.begin(), op.numbers.begin() + 3);
    return {};
}

// Interface colour `id` as the list box's colour functions give it.
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
    void SetUp() override {
        gPicks.clear();
        gOnPick = nullptr;
    }
    void TearDown() override {
        BM_ClosePopups();
        gOnPick = nullptr;
    }

    // Opens a menu, draws it with the mouse at (mouseX, mouseY) and returns its item boxes.
    Lines Open(int x, int y, const std::string& items, int current, int mouseX = 0, int mouseY = 0) {
        XPPickPopup(x, y, items.c_str(), current, Pick, R(7));
        bmhost::MouseDrag(mouseX, mouseY);  // nothing holds the mouse: it only moves
        bmhost::RunFrames(1);
        return Only("XPDrawElement");
    }

    bmtest::SimFolder sim;
};

// ---- Layout and placement ----

TEST_F(Popups, SixtyItemsFillOneColumnAndTheSixtyFirstStartsAnother) {
    // "Item 59" is 7 characters of 7 pixels: columns 84 wide. 720 pixels of items reach below
    // the screen's margin, so the menu moves up to a bottom of 10.
    Lines boxes = Open(100, 700, Numbered(60), 0);
    ASSERT_EQ(boxes.size(), 60u);
    EXPECT_EQ(boxes[0], "XPDrawElement(100, 718, 184, 730, 16, 0)");
    EXPECT_EQ(boxes[59], "XPDrawElement(100, 10, 184, 22, 16, 0)");
    EXPECT_EQ(Only("glBegin"), Lines{});  // no column boundary
    BM_ClosePopups();

    boxes = Open(100, 700, Numbered(61), 0);
    ASSERT_EQ(boxes.size(), 61u);
    EXPECT_EQ(boxes[59], "XPDrawElement(100, 10, 184, 22, 16, 0)");
    EXPECT_EQ(boxes[60], "XPDrawElement(184, 718, 268, 730, 16, 0)");
    // The boundary: a dark line and a light line side by side, the menu's full height.
    Lines drawn = Drawn();
    EXPECT_EQ(Lines(drawn.begin(), drawn.begin() + 9),
              (Lines{"XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0)", "glBegin(1)", "glVertex2i(183, 730)",
                     "glVertex2i(183, 10)", "glEnd()", "glBegin(1)", "glVertex2i(184, 730)", "glVertex2i(184, 10)",
                     "glEnd()"}));
}

TEST_F(Popups, ThousandsOfItemsAndLongTextsLayOutInColumnsFromTheLeftMargin) {
    // 5000 items: 84 columns of 98 pixels, far wider than the screen: the left edge stays at 10.
    Lines boxes = Open(500, 400, Numbered(5000), 4999);
    ASSERT_EQ(boxes.size(), 5000u);
    EXPECT_EQ(boxes[0], "XPDrawElement(10, 718, 108, 730, 16, 0)");
    EXPECT_EQ(boxes[4999], "XPDrawElement(8144, 490, 8242, 502, 16, 0)");
    EXPECT_EQ(Only("glBegin").size(), 2u * 83);
    BM_ClosePopups();

    std::string longText(100000, 'x');
    boxes = Open(500, 400, "a;" + longText + ";b", 2);
    EXPECT_EQ(boxes, (Lines{"XPDrawElement(10, 412, 700045, 424, 16, 0)", "XPDrawElement(10, 400, 700045, 412, 16, 0)",
                            "XPDrawElement(10, 388, 700045, 400, 16, 0)"}));
    EXPECT_TRUE(Has(Only("XPLMDrawString"), "XPLMDrawString(28, 402, 0, 1, \"" + longText + "\")"));
}

TEST_F(Popups, TheCurrentItemLiesUnderThePointAndTheMenuStaysOnTheScreen) {
    // Three items of 12 in a column 70 wide (5 characters); the box of the first item is shown.
    struct Case {
        int x, y, current;
        std::string first;
    };
    const Case cases[] = {
        {300, 400, 1, "300, 400, 370, 412"},  // the second item's top-left corner at the point
        {300, 400, 7, "300, 388, 370, 400"},  // beyond the list: the first item
        {300, 400, -3, "300, 388, 370, 400"},
        {1000, 400, 0, "944, 388, 1014, 400"},  // right edge pulled back to 1014
        {944, 400, 0, "944, 388, 1014, 400"},
        {9, 400, 0, "10, 388, 80, 400"},  // left edge at 10 at least
        {10, 400, 0, "10, 388, 80, 400"},
        {300, 30, 0, "300, 34, 370, 46"},  // bottom at 10 at least
        {300, 46, 0, "300, 34, 370, 46"},
        {300, 760, 0, "300, 726, 370, 738"},  // top at 738 at most
        {300, 730, 2, "300, 726, 370, 738"},
        {2000, -500, 0, "944, 34, 1014, 46"},
        {INT_MAX, INT_MIN, INT_MAX, "944, 34, 1014, 46"},
        {INT_MIN, INT_MAX, 2, "10, 726, 80, 738"},
    };
    for (const Case& c : cases) {
        Lines boxes = Open(c.x, c.y, "Red;Green;Blue", c.current);
        ASSERT_EQ(boxes.size(), 3u) << &c - cases;
        EXPECT_EQ(boxes[0], "XPDrawElement(" + c.first + ", 16, 0)") << &c - cases;
        BM_ClosePopups();
    }
}

// ---- Picking ----

TEST_F(Popups, AMouseUpPicksTheItemUnderItAndNeverASeparatorOrADisabledItem) {
    // At (200, 500): Alpha y 488..499, separator 486..487, Beta 474..485, Gamma 462..473; x 200..269.
    struct Case {
        int x, y, choice;
    };
    const Case cases[] = {{200, 499, 0}, {269, 488, 0}, {270, 495, -1}, {199, 495, -1}, {200, 500, -1},
                          {230, 487, -1}, {230, 480, -1}, {230, 473, 3}, {230, 462, 3}, {230, 461, -1},
                          {900, 100, -1}};
    for (const Case& c : cases) {
        gPicks.clear();
        XPPickPopup(200, 500, "Alpha;-;(Beta;Gamma", 0, Pick, R(7));
        ASSERT_EQ(bmhost::WindowCount(), 1);
        bmhost::MouseDown(c.x, c.y);
        bmhost::MouseDrag(215, 495);  // only the release counts
        EXPECT_EQ(gPicks, Lines{}) << &c - cases;
        bmhost::MouseUp(c.x, c.y);
        EXPECT_EQ(gPicks, Lines{std::to_string(c.choice) + " 7"}) << &c - cases;
        EXPECT_EQ(bmhost::WindowCount(), 0) << &c - cases;
    }
    EXPECT_EQ(XPItemForHeight(nullptr, 0, 0), -1);
    // A hand-made record whose arrays disagree is read only as far as all of them go.
    BM_PopupMenu_t odd;
    odd.lefts = {0, 0};
    odd.rights = {10, 10};
    odd.tops = {0};
    odd.bottoms = {-12, -24};
    EXPECT_EQ(XPItemForHeight(&odd, 5, -5), 0);
    EXPECT_EQ(XPItemForHeight(&odd, 5, -20), -1);
}

TEST_F(Popups, TheItemUnderThePointerIsLitAndTextsTakeTheirColours) {
    Open(200, 500, "Alpha;-;(Beta;Gamma", 0, 210, 495);
    EXPECT_EQ(Drawn(), (Lines{"XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0)",
                              "XPDrawElement(200, 488, 270, 500, 17, 0)",
                              "XPLMSetGraphicsState(0, 0, 0, 0, 1, 0, 0)",
                              "glBegin(7)",
                              "glVertex2i(200, 500)",
                              "glVertex2i(270, 500)",
                              "glVertex2i(270, 488)",
                              "glVertex2i(200, 488)",
                              "glEnd()",
                              "XPLMDrawString(218, 490, 0, 1, \"Alpha\")",
                              "XPDrawElement(200, 486, 270, 488, 16, 0)",
                              "XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0)",
                              "glBegin(1)",
                              "glVertex2i(200, 487)",
                              "glVertex2i(270, 487)",
                              "glEnd()",
                              "glBegin(1)",
                              "glVertex2i(200, 488)",
                              "glVertex2i(270, 488)",
                              "glEnd()",
                              "XPDrawElement(200, 474, 270, 486, 16, 0)",
                              "XPLMDrawString(218, 476, 0, 1, \"Beta\")",
                              "XPDrawElement(200, 462, 270, 474, 16, 0)",
                              "XPLMDrawString(218, 464, 0, 1, \"Gamma\")"}));
    // Enabled items are written in interface colour 4, disabled ones in 5.
    EXPECT_EQ(ColourOf("Alpha"), Colour(4));
    EXPECT_EQ(ColourOf("Beta"), Colour(5));
    EXPECT_EQ(ColourOf("Gamma"), Colour(4));

    // Over the disabled item nothing is lit; the pointer moves the light to Gamma.
    bmhost::MouseDrag(210, 480);
    bmhost::RunFrames(1);
    EXPECT_EQ(Only("glBegin").size(), 2u);
    EXPECT_FALSE(Has(Only("XPDrawElement"), "XPDrawElement(200, 474, 270, 486, 17, 0)"));
    bmhost::MouseDrag(210, 465);
    bmhost::RunFrames(1);
    EXPECT_EQ(Only("XPDrawElement"), (Lines{"XPDrawElement(200, 488, 270, 500, 16, 0)",
                                            "XPDrawElement(200, 486, 270, 488, 16, 0)",
                                            "XPDrawElement(200, 474, 270, 486, 16, 0)",
                                            "XPDrawElement(200, 462, 270, 474, 17, 0)"}));
}

// ---- The popup button ----

// What reached the button's parent window: "<message> <param1 is the button> <param2>".
Lines gHeard;
XPWidgetID gButton = nullptr;
int Listen(XPWidgetMessage message, XPWidgetID, intptr_t p1, intptr_t p2) {
    if (message == xpMsg_PopupChoiceMade)
        gHeard.push_back("choice " + std::string(reinterpret_cast<XPWidgetID>(p1) == gButton ? "button " : "other ") +
                         std::to_string(p2));
    if (message == xpMsg_MouseDown) gHeard.push_back("mouse down");
    return message == xpMsg_PopupChoiceMade || message == xpMsg_MouseDown;
}

class PopupButton : public Popups {
protected:
    void SetUp() override {
        Popups::SetUp();
        gHeard.clear();
        window = XPCreateWidget(100, 500, 400, 200, 1, "Scripts", 1, nullptr, xpWidgetClass_MainWindow);
        XPAddWidgetCallback(window, Listen);
        button = gButton = BM_CreatePopup(120, 460, 300, 440, 1, "One;Two;(Three;Four", window);
        ASSERT_NE(button, nullptr);
    }

    intptr_t Get(XPWidgetPropertyID property, int* exists = nullptr) const {
        return XPGetWidgetProperty(button, property, exists);
    }
    void Set(XPWidgetPropertyID property, intptr_t value) const { XPSetWidgetProperty(button, property, value); }
    // The choice, the located text's offset and length.
    std::vector<intptr_t> State() const {
        return {Get(xpProperty_PopupChoice), Get(xpProperty_PopupItemOffset), Get(xpProperty_PopupItemLength)};
    }
    // What the button shows.
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
    Get(xpProperty_PopupChoice, &exists);
    EXPECT_EQ(exists, 0);  // not set at creation; the first item is located
    EXPECT_EQ(State(), (std::vector<intptr_t>{0, 0, 3}));
    EXPECT_EQ(Get(xpProperty_Enabled), 1);
    EXPECT_EQ(Shown(), "One");
    EXPECT_TRUE(Has(Only("XPDrawElement"), "XPDrawElement(116, 437, 304, 463, 16, 0)"));
    EXPECT_TRUE(Has(Only("XPLMDrawString"), "XPLMDrawString(124, 447, 0, 0, \"One\")"));

    bmhost::Click(150, 450);
    ASSERT_EQ(bmhost::WindowCount(), 1);
    bmhost::RunFrames(1);  // "One" under the button's top-left corner, "Four" the last of 70 wide
    EXPECT_TRUE(Has(Only("XPDrawElement"), "XPDrawElement(120, 448, 190, 460, 17, 0)"));
    EXPECT_TRUE(Has(Only("XPDrawElement"), "XPDrawElement(120, 412, 190, 424, 16, 0)"));
    EXPECT_TRUE(Has(Only("XPLMDrawString"), "XPLMDrawString(138, 426, 0, 1, \"Three\")"));
    bmhost::Click(130, 418);
    EXPECT_EQ(gHeard, Lines{"choice button 3"});
    EXPECT_EQ(State(), (std::vector<intptr_t>{3, 15, 4}));
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(Shown(), "Four");
    EXPECT_EQ(ColourOf("Four"), Colour(4));

    // Now "Four" opens under the corner; "(Three" above it is not pickable, nor is the outside.
    bmhost::Click(150, 450);
    bmhost::RunFrames(1);
    EXPECT_TRUE(Has(Only("XPDrawElement"), "XPDrawElement(120, 448, 190, 460, 17, 0)"));
    EXPECT_TRUE(Has(Only("XPLMDrawString"), "XPLMDrawString(138, 450, 0, 1, \"Four\")"));
    bmhost::Click(130, 465);
    EXPECT_EQ(bmhost::WindowCount(), 0);
    bmhost::Click(150, 450);
    bmhost::Click(900, 100);
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(gHeard, Lines{"choice button 3"});
    EXPECT_EQ(State(), (std::vector<intptr_t>{3, 15, 4}));

    // Disabled: the click goes on to the parent and no menu opens; a new choice enables it again.
    Set(xpProperty_Enabled, 0);
    bmhost::Click(150, 450);
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(gHeard, (Lines{"choice button 3", "mouse down"}));
    bmhost::RunFrames(1);
    EXPECT_EQ(ColourOf("Four"), Colour(5));
    Set(xpProperty_PopupChoice, 1);
    EXPECT_EQ(Get(xpProperty_Enabled), 1);
    EXPECT_EQ(Shown(), "Two");

    // A new descriptor: the choice indexes the new list.
    XPSetWidgetDescriptor(button, "Alpha;Beta");
    EXPECT_EQ(Shown(), "Beta");
}

TEST_F(PopupButton, PropertiesSetToAnythingAreClampedToTheDescriptor) {
    // "One;Two;(Three;Four" is 19 characters; the button has room for (180 - 24) / 7 = 22.
    struct Case {
        intptr_t offset, length;
        std::string shown;
    };
    const Case cases[] = {
        {8, 6, "Three"},  // the '(' is not shown
        {INTPTR_MAX, 5, ""},
        {INTPTR_MIN, 3, "One"},
        {-7, 100, "One;Two;(Three;Four"},
        {8, INTPTR_MIN, ""},
        {3, INTPTR_MAX, ";Two;(Three;Four"},
        {19, 1, ""},
    };
    for (const Case& c : cases) {
        Set(xpProperty_PopupItemOffset, c.offset);
        Set(xpProperty_PopupItemLength, c.length);
        EXPECT_EQ(Shown(), c.shown) << &c - cases;
    }

    // Choices beyond the list, or below it.
    Set(xpProperty_PopupChoice, intptr_t(1) << 40);
    EXPECT_EQ(State(), (std::vector<intptr_t>{intptr_t(1) << 40, 19, 0}));
    EXPECT_EQ(Shown(), "");
    bmhost::Click(150, 450);  // the menu opens with its first item under the corner
    bmhost::Click(130, 455);
    EXPECT_EQ(gHeard, Lines{"choice button 0"});
    Set(xpProperty_PopupChoice, INTPTR_MIN);
    EXPECT_EQ(State(), (std::vector<intptr_t>{INTPTR_MIN, 0, 3}));
    bmhost::Click(150, 450);
    bmhost::Click(130, 443);
    EXPECT_EQ(gHeard, (Lines{"choice button 0", "choice button 1"}));

    // A long text is cut to the button; a descriptor beyond 4095 characters is read cut there.
    std::string longText(6000, 'y');
    XPSetWidgetDescriptor(button, (longText + ";z").c_str());
    Set(xpProperty_PopupChoice, 0);
    EXPECT_EQ(State(), (std::vector<intptr_t>{0, 0, 4095}));
    EXPECT_EQ(Shown(), std::string(22, 'y'));
    Set(xpProperty_PopupChoice, 1);
    EXPECT_EQ(State(), (std::vector<intptr_t>{1, 4095, 0}));
    bmhost::Click(150, 450);
    bmhost::RunFrames(1);
    EXPECT_EQ(Only("XPDrawElement").back(), "XPDrawElement(10, 448, 28710, 460, 17, 0)");  // 4095 x 7 + 35
}

TEST_F(PopupButton, ButtonsOfExtremeSizesDrawAndOpenOnTheScreen) {
    XPWidgetID narrow = BM_CreatePopup(320, 460, 340, 440, 1, "Wide item", window);  // no room for text
    XPWidgetID huge = BM_CreatePopup(INT_MIN, INT_MAX, INT_MAX, INT_MIN, 1, "Big;Bigger", window);
    bmhost::RunFrames(1);
    EXPECT_TRUE(Has(Only("XPLMDrawString"), "XPLMDrawString(324, 447, 0, 0, \"\")"));
    auto drawnAt = [](std::vector<double> numbers) {
        for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
            if (op.numbers == numbers) return true;
        return false;
    };
    EXPECT_TRUE(drawnAt({INT_MIN, -13, INT_MAX, 13, xpElement_PushButton, 0}));  // around the middle, 0
    bmhost::Click(250, 300);  // on the huge button: its menu at the top-left margins
    bmhost::RunFrames(1);
    EXPECT_TRUE(Has(Only("XPDrawElement"), "XPDrawElement(10, 726, 87, 738, 16, 0)"));
    EXPECT_TRUE(Has(Only("XPDrawElement"), "XPDrawElement(10, 714, 87, 726, 16, 0)"));
    bmhost::Click(20, 720);
    EXPECT_EQ(XPGetWidgetProperty(huge, xpProperty_PopupChoice, nullptr), 1);
    EXPECT_EQ(XPGetWidgetProperty(narrow, xpProperty_PopupChoice, nullptr), 0);
}

// ---- Lifetime and failures ----

TEST_F(PopupButton, ClosedMenusAreNeverUsedAgain) {
    // A button destroyed with its menu open takes its menu along, and only its own.
    bmhost::Click(150, 450);
    XPPickPopup(600, 600, "Other", 0, Pick, R(1));
    ASSERT_EQ(bmhost::WindowCount(), 2);
    XPDestroyWidget(window, 1);
    EXPECT_EQ(bmhost::WindowCount(), 1);
    bmhost::Click(610, 595);
    EXPECT_EQ(gPicks, Lines{"0 1"});
    EXPECT_EQ(gHeard, Lines{});

    // A pick may open another menu, or close all of them.
    gOnPick = [](int choice) {
        if (choice == 0) XPPickPopup(100, 100, "Next", 0, Pick, R(2));
        if (choice == -1) BM_ClosePopups();
    };
    XPPickPopup(600, 600, "Other", 0, Pick, R(1));
    bmhost::Click(610, 595);
    EXPECT_EQ(bmhost::WindowCount(), 1);
    XPPickPopup(600, 600, "Third", 0, Pick, R(3));
    bmhost::Click(5, 5);  // the "Third" menu, in front, reports -1 and closes "Next" too
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(gPicks, (Lines{"0 1", "0 1", "-1 3"}));

    // Closing every menu calls no callback; nothing of them is drawn or clicked afterwards.
    XPPickPopup(600, 600, "Four", 0, Pick, R(4));
    XPPickPopup(300, 300, "Five", 0, Pick, R(5));
    BM_ClosePopups();
    BM_ClosePopups();
    EXPECT_EQ(bmhost::WindowCount(), 0);
    bmhost::Click(610, 595);
    bmhost::RunFrames(1);
    EXPECT_EQ(Drawn(), Lines{});
    EXPECT_EQ(gPicks.size(), 3u);

    // A pick callback that throws: logged, and the menu is closed all the same.
    gOnPick = [](int) { throw std::runtime_error("no such script"); };
    XPPickPopup(600, 600, "Six", 0, Pick, R(6));
    bmhost::Click(610, 595);
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_NE(sim.Log().find("Brindlemoor - the popup menu's pick callback failed: no such script\n"),
              std::string::npos)
        << sim.Log();
    EXPECT_EQ(bmhost::SimLog().find("[stand-in]"), std::string::npos) << bmhost::SimLog();
}

TEST_F(PopupButton, AFailingSimulatorCallLeavesNoMenuHalfOpen) {
    // One cycle: open the menu, draw it, pick "Two", draw the button.
    auto cycle = [] {
        bmhost::Click(150, 450);
        bmhost::RunFrames(1);
        bmhost::Click(130, 442);
        bmhost::RunFrames(1);
    };
    std::set<std::string> called;
    bmhost::SetSdkCallListener([&](const char* function) { called.insert(function); });
    cycle();
    bmhost::SetSdkCallListener(nullptr);
    ASSERT_EQ(gHeard, Lines{"choice button 1"});
    for (const char* expected : {"XPLMCreateWindow", "XPLMDestroyWindow", "XPLMGetMouseLocation",
                                 "XPLMGetFontDimensions", "XPGetWidgetDescriptor", "XPSetWidgetProperty",
                                 "XPSendMessageToWidget", "XPUSelectIfNeeded", "XPLMDrawString"})
        EXPECT_EQ(called.count(expected), 1u) << expected;

    for (const std::string& function : called) {
        SCOPED_TRACE(function);
        Set(xpProperty_PopupChoice, 0);
        gHeard.clear();
        bmhost::FailNextCall(function);
        cycle();
        EXPECT_LE(gHeard.size(), 1u);
        bmhost::RunFrames(1);  // a window left behind by a failed close goes now
        if (function == "XPLMCreateWindow") {  // the second click opened it
            EXPECT_NE(sim.Log().find("Brindlemoor - XPPickPopup failed: injected fault in XPLMCreateWindow\n"),
                      std::string::npos);
        }
        if (function == "XPLMDestroyWindow") {
            EXPECT_EQ(gHeard, Lines{"choice button 1"});
            EXPECT_EQ(bmhost::WindowCount(), 0);
            EXPECT_NE(sim.Log().find("Brindlemoor - XPLMDestroyWindow of a popup menu failed: injected fault in "
                                     "XPLMDestroyWindow\n"),
                      std::string::npos);
        }
        if (function == "XPGetWidgetDescriptor") {  // the button could not open its menu
            EXPECT_NE(sim.Log().find("Brindlemoor - the popup button failed: injected fault in XPGetWidgetDescriptor\n"),
                      std::string::npos);
        }
        BM_ClosePopups();  // whatever is still open, whole
        EXPECT_EQ(bmhost::WindowCount(), 0);
        // And the button works as before.
        Set(xpProperty_PopupChoice, 0);
        gHeard.clear();
        cycle();
        EXPECT_EQ(gHeard, Lines{"choice button 1"});
        EXPECT_EQ(bmhost::WindowCount(), 0);
    }
    // A window left by a failed close lets the next click through to what lies below it.
    Set(xpProperty_PopupChoice, 0);
    bmhost::Click(150, 450);
    bmhost::FailNextCall("XPLMDestroyWindow");
    bmhost::Click(130, 442);
    EXPECT_EQ(bmhost::WindowCount(), 1);
    bmhost::Click(150, 450);  // the button again: the old window goes, a new menu opens
    EXPECT_EQ(bmhost::WindowCount(), 1);
    bmhost::Click(130, 430);  // "Two" under the corner now, "Four" two items below
    EXPECT_EQ(State(), (std::vector<intptr_t>{3, 15, 4}));
    EXPECT_EQ(bmhost::WindowCount(), 0);

    // Nothing escaped, and no window id was used after its window went.
    EXPECT_EQ(bmhost::SimLog().find("escaped"), std::string::npos) << bmhost::SimLog();
    EXPECT_EQ(bmhost::SimLog().find("not a window id"), std::string::npos) << bmhost::SimLog();
}

}  // namespace
