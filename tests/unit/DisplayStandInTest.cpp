// The stand-in's display: frames, windows, mouse and key routing, and pictures.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "XPLMDisplay.h"
#include "XPLMGraphics.h"
#include "XPWidgets.h"
#include "XPStandardWidgets.h"
#include "bmhost/Control.h"

namespace {

std::vector<std::string> gCalls;

int Before0(XPLMDrawingPhase phase, int, void*) {
    gCalls.push_back("before " + std::to_string(phase));
    return 0;
}
int After(XPLMDrawingPhase phase, int, void*) {
    gCalls.push_back("after " + std::to_string(phase));
    XPLMDrawTranslucentDarkBox(10, 20, 30, 0);
    return 1;
}
void DrawWindow(XPLMWindowID, void* refcon) {
    gCalls.push_back("draw " + std::to_string(reinterpret_cast<intptr_t>(refcon)));
    glColor4f(1, 0, 0, 1);
    glBegin(GL_QUADS);
    glVertex2i(100, 100);
    glVertex2i(200, 100);
    glVertex2i(200, 200);
    glVertex2i(100, 200);
    glEnd();
}
int Take(XPLMWindowID, int x, int y, XPLMMouseStatus status, void* refcon) {
    gCalls.push_back("mouse " + std::to_string(reinterpret_cast<intptr_t>(refcon)) + " " + std::to_string(status) +
                     " " + std::to_string(x) + "," + std::to_string(y));
    return 1;
}
int PassOn(XPLMWindowID, int, int, XPLMMouseStatus status, void* refcon) {
    gCalls.push_back("pass " + std::to_string(reinterpret_cast<intptr_t>(refcon)) + " " + std::to_string(status));
    return 0;
}
void Key(XPLMWindowID window, char key, XPLMKeyFlags flags, char vkey, void* refcon, int losing) {
    gCalls.push_back("key " + std::to_string(reinterpret_cast<intptr_t>(refcon)) + " " + std::to_string(int(key)) + " " +
                     std::to_string(flags) + " " + std::to_string(int(static_cast<unsigned char>(vkey))) + " " +
                     std::to_string(losing) + (window ? "" : " to the simulator"));
}
int Sniff(char, XPLMKeyFlags flags, char vkey, void* refcon) {
    gCalls.push_back("sniff " + std::to_string(reinterpret_cast<intptr_t>(refcon)) + " " + std::to_string(flags) +
                     " " + std::to_string(int(static_cast<unsigned char>(vkey))));
    return refcon != reinterpret_cast<void*>(9);  // the sniffer with refcon 9 consumes keys
}
void Hot(void* refcon) { gCalls.push_back("hot " + std::to_string(reinterpret_cast<intptr_t>(refcon))); }

void* R(intptr_t value) { return reinterpret_cast<void*>(value); }

class DisplayStandIn : public ::testing::Test {
protected:
    void SetUp() override { gCalls.clear(); }
    bmtest::SimFolder sim;
};

TEST_F(DisplayStandIn, APhaseHeldBackByABeforeCallbackIsNotDrawn) {
    ASSERT_EQ(XPLMRegisterDrawCallback(Before0, xplm_Phase_Terrain, 1, nullptr), 1);
    ASSERT_EQ(XPLMRegisterDrawCallback(After, xplm_Phase_Terrain, 0, nullptr), 1);
    EXPECT_EQ(XPLMRegisterDrawCallback(After, xplm_Phase_Terrain, 0, nullptr), 0);  // the same twice
    EXPECT_EQ(XPLMRegisterDrawCallback(After, 3, 0, nullptr), 0);                   // no such phase
    bmhost::RunFrames(1);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"before 5", "after 5"}));
    std::vector<std::string> drawn;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing()) drawn.push_back(op.ToString());
    EXPECT_EQ(drawn[0], "phase(0)");
    EXPECT_EQ(drawn[1], "XPLMDrawTranslucentDarkBox(10, 20, 30, 0)");  // terrain: held back
    EXPECT_EQ(drawn[2], "phase(10)");
    EXPECT_EQ(bmhost::LastFrameDrawing()[1].phase, xplm_Phase_Terrain);
    EXPECT_EQ(XPLMUnregisterDrawCallback(After, xplm_Phase_Terrain, 0, nullptr), 1);
    EXPECT_EQ(XPLMUnregisterDrawCallback(After, xplm_Phase_Terrain, 0, nullptr), 0);
}

TEST_F(DisplayStandIn, WindowsDrawBackToFrontIntoThePicture) {
    XPLMWindowID back = XPLMCreateWindow(0, 300, 300, 0, 1, DrawWindow, nullptr, nullptr, R(1));
    XPLMWindowID front = XPLMCreateWindow(0, 300, 300, 0, 1, DrawWindow, nullptr, nullptr, R(2));
    XPLMCreateWindow(0, 300, 300, 0, 0, DrawWindow, nullptr, nullptr, R(3));  // hidden
    EXPECT_EQ(XPLMIsWindowInFront(front), 1);
    bmhost::RunFrames(1);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"draw 1", "draw 2"}));
    XPLMBringWindowToFront(back);
    EXPECT_EQ(XPLMIsWindowInFront(back), 1);

    std::string picture = sim.Root() + "frame.png";
    ASSERT_TRUE(bmhost::SavePicture(picture));
    EXPECT_EQ(bmhost::PicturePixel(picture, 150, 150), 0xFF0000);  // the red quad
    EXPECT_NE(bmhost::PicturePixel(picture, 50, 50), 0xFF0000);
    EXPECT_EQ(bmhost::PicturePixel(picture, 1024, 0), -1);
}

TEST_F(DisplayStandIn, TheMouseGoesToTheFrontWindowThatTakesIt) {
    XPLMWindowID lower = XPLMCreateWindow(0, 100, 100, 0, 1, nullptr, nullptr, Take, R(1));
    XPLMCreateWindow(50, 100, 150, 0, 1, nullptr, nullptr, PassOn, R(2));
    bmhost::Drag(60, 50, 500, 500);  // the front window passes, the lower one takes all
    EXPECT_EQ(gCalls, (std::vector<std::string>{"pass 2 1", "mouse 1 1 60,50", "mouse 1 2 500,500", "mouse 1 3 500,500"}));
    gCalls.clear();
    bmhost::Click(120, 50);  // only the window that passes is there
    EXPECT_EQ(gCalls, (std::vector<std::string>{"pass 2 1"}));
    int x = 0, y = 0;
    XPLMGetMouseLocation(&x, &y);
    EXPECT_EQ(x, 120);
    gCalls.clear();
    XPLMDestroyWindow(lower);
    bmhost::Click(10, 10);
    EXPECT_TRUE(gCalls.empty());
    EXPECT_EQ(bmhost::WindowCount(), 1);
}

XPLMWindowID gSelf = nullptr;
int DestroySelf(XPLMWindowID window, int, int, XPLMMouseStatus, void*) {
    XPLMDestroyWindow(window);
    gCalls.push_back(window == gSelf ? "destroyed itself" : "wrong window");
    return 1;
}

TEST_F(DisplayStandIn, AWindowMayDestroyItselfFromItsOwnCallback) {
    gSelf = XPLMCreateWindow(0, 100, 100, 0, 1, nullptr, nullptr, DestroySelf, nullptr);
    bmhost::Drag(10, 10, 20, 20);  // the drag and up find no window any more
    EXPECT_EQ(gCalls, (std::vector<std::string>{"destroyed itself"}));
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(XPLMGetWindowIsVisible(gSelf), 0);
    EXPECT_NE(bmhost::SimLog().find("XPLMGetWindowIsVisible: not a window id"), std::string::npos);
}

TEST_F(DisplayStandIn, KeysPassSniffersFocusAndHotKeysInTurn) {
    XPLMWindowID window = XPLMCreateWindow(0, 100, 100, 0, 1, nullptr, Key, nullptr, R(4));
    XPLMRegisterKeySniffer(Sniff, 1, R(1));
    XPLMRegisterKeySniffer(Sniff, 0, R(2));
    XPLMHotKeyID hot = XPLMRegisterHotKey(char(XPLM_VK_NUMPAD_EQ), xplm_DownFlag, "equal", Hot, R(7));
    bmhost::PressKey('=', XPLM_VK_NUMPAD_EQ);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"sniff 1 8 189", "sniff 2 8 189", "hot 7", "sniff 1 16 189",
                                               "sniff 2 16 189"}));
    gCalls.clear();
    XPLMTakeKeyboardFocus(window);
    bmhost::PressKey('a', XPLM_VK_A, xplm_ShiftFlag);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"sniff 1 9 65", "key 4 97 9 65 0", "sniff 1 17 65", "key 4 97 17 65 0"}));
    gCalls.clear();
    XPLMTakeKeyboardFocus(nullptr);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"key 4 0 0 0 1 to the simulator"}));
    gCalls.clear();
    XPLMRegisterKeySniffer(Sniff, 1, R(9));
    bmhost::KeyEvent('=', xplm_DownFlag, XPLM_VK_NUMPAD_EQ);
    EXPECT_EQ(gCalls, (std::vector<std::string>{"sniff 1 8 189", "sniff 9 8 189"}));  // consumed

    char vkey = 0;
    XPLMKeyFlags flags = 0;
    char description[512];
    XPLMPluginID owner = 99;
    XPLMSetHotKeyCombination(hot, char(XPLM_VK_F1), xplm_DownFlag | xplm_ControlFlag);
    XPLMGetHotKeyInfo(hot, &vkey, &flags, description, &owner);
    EXPECT_EQ(static_cast<unsigned char>(vkey), XPLM_VK_F1);
    EXPECT_EQ(flags, xplm_DownFlag | xplm_ControlFlag);
    EXPECT_STREQ(description, "equal");
    EXPECT_EQ(owner, XPLM_NO_PLUGIN_ID);
    EXPECT_EQ(XPLMCountHotKeys(), 1);
    EXPECT_EQ(XPLMGetNthHotKey(0), hot);
    EXPECT_EQ(XPLMGetNthHotKey(1), nullptr);
}

struct NumberCall {
    double value;
    int digits, decimals, showSign;
};
std::vector<NumberCall> gNumbers;

int DrawNumbers(XPLMDrawingPhase, int, void*) {
    for (const NumberCall& n : gNumbers) XPLMDrawNumber(nullptr, 1, 2, n.value, n.digits, n.decimals, n.showSign, 0);
    return 1;
}

// XPLMCreateWindowEx reads only the fields the plug-in's struct holds: none below the SDK 2.0
// layout, which makes a window of the flight overlay without the modern management; the full
// struct checks its layer and decoration. NULL callbacks are taken, some reported.
TEST_F(DisplayStandIn, ModernWindowsByTheSizeOfTheirStruct) {
    struct Case {
        int size;
        int layer, decoration;
        bool made;
        int layerSeen;      // bmhost::WindowLayer
        std::string report;  // the report in the log, "" for none
    };
    const int full = int(sizeof(XPLMCreateWindow_t)), old = 72;
    const Case cases[] = {
        {old - 4, 1, 1, false, -1, "XPLMCreateWindowEx: structSize 68 is smaller than any XPLMCreateWindow_t"},
        {old, 3, 9, true, xplm_WindowLayerFlightOverlay, "XPLMSetWindowTitle: not a modern window (XPLMCreateWindowEx)"},
        {full, 3, 1, true, xplm_WindowLayerGrowlNotifications, ""},
        {full + 16, 2, 0, true, xplm_WindowLayerModal, ""},
        {full, -1, 1, false, -1, "XPLMCreateWindowEx: layer -1 is no window layer"},
        {full, 1, 4, false, -1, "XPLMCreateWindowEx: decorateAsFloatingWindow 4 is no window decoration"},
    };
    for (const Case& c : cases) {
        std::vector<char> bytes(std::size_t(std::max(c.size, full)), 0);  // room for what is not read
        XPLMCreateWindow_t params = {};
        params.structSize = c.size;
        params.right = params.top = 50;
        params.drawWindowFunc = DrawWindow;
        params.handleKeyFunc = Key;
        params.layer = c.layer;
        params.decorateAsFloatingWindow = c.decoration;
        std::memcpy(bytes.data(), &params, sizeof params);
        std::size_t logged = bmhost::SimLog().size();
        XPLMWindowID window = XPLMCreateWindowEx(reinterpret_cast<XPLMCreateWindow_t*>(bytes.data()));
        EXPECT_EQ(window != nullptr, c.made) << c.size;
        if (window) XPLMSetWindowTitle(window, "T");
        EXPECT_EQ(bmhost::WindowLayer(window), c.layerSeen) << c.size;
        std::string log = bmhost::SimLog().substr(logged);
        if (c.made) {  // the cursor and wheel callbacks are missing
            EXPECT_NE(log.find("[stand-in] XPLMCreateWindowEx: handleCursorFunc is NULL\n"), std::string::npos) << log;
        }
        if (!c.report.empty()) {
            EXPECT_NE(log.find("[stand-in] " + c.report + "\n"), std::string::npos) << log;
        }
    }
}

TEST_F(DisplayStandIn, MeasuredStringsAndTheWindowsOfRootWidgets) {
    EXPECT_EQ(XPLMMeasureString(xplmFont_Basic, "hello", 3), 21.0f);
    EXPECT_EQ(XPLMMeasureString(xplmFont_Proportional, "hello", 5), 30.0f);
    EXPECT_EQ(XPLMMeasureString(xplmFont_Basic, "hello", -1), 0.0f);
    EXPECT_EQ(XPLMMeasureString(xplmFont_Basic, nullptr, 3), 0.0f);
    XPWidgetID root = XPCreateWidget(10, 100, 100, 10, 1, "Root", 1, nullptr, xpWidgetClass_MainWindow);
    XPWidgetID child = XPCreateWidget(20, 90, 90, 20, 1, "Child", 0, root, xpWidgetClass_Button);
    XPLMWindowID window = XPGetWidgetUnderlyingWindow(root);
    ASSERT_NE(window, nullptr);
    int left = 0;
    XPLMGetWindowGeometry(window, &left, nullptr, nullptr, nullptr);
    EXPECT_EQ(left, 10);
    EXPECT_EQ(XPGetWidgetUnderlyingWindow(child), nullptr);
    EXPECT_EQ(XPGetWidgetUnderlyingWindow(nullptr), nullptr);
    EXPECT_EQ(bmtest::Count(bmhost::SimLog(), "[stand-in] XPGetWidgetUnderlyingWindow: not a root widget\n"), 1u);
    EXPECT_EQ(bmtest::Count(bmhost::SimLog(), "[stand-in] XPGetWidgetUnderlyingWindow: not a widget id\n"), 1u);
}

TEST_F(DisplayStandIn, DrawnNumbersArePaddedAndTheirTextStaysBounded) {
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    const double lowest = std::numeric_limits<double>::lowest();
    gNumbers = {{42, 5, 0, 0},        {3.14159, 3, 2, 1}, {-2.5, 1, 1, 0},  {7, least, least, 0},
                {1.5, most, most, 1}, {-1.5, most, 0, 0}, {1e300, 0, 0, 0}, {lowest, most, most, 1}};
    ASSERT_EQ(XPLMRegisterDrawCallback(DrawNumbers, xplm_Phase_Window, 0, nullptr), 1);
    bmhost::RunFrames(1);
    std::vector<std::string> texts;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
        if (op.call == "XPLMDrawNumber") texts.push_back(op.text);
    ASSERT_EQ(texts.size(), gNumbers.size());
    EXPECT_EQ(texts[0], "00042");
    EXPECT_EQ(texts[1], "+003.14");
    EXPECT_EQ(texts[2], "-2.5");
    EXPECT_EQ(texts[3], "7");  // at least one digit, no decimals
    // At most 32 digits before the point and 32 after it.
    EXPECT_EQ(texts[4], "+" + std::string(31, '0') + "1.5" + std::string(31, '0'));
    EXPECT_EQ(texts[5], "-" + std::string(30, '0') + "2");
    // A number longer than its digits is shown whole.
    EXPECT_EQ(texts[6].size(), 301u);
    EXPECT_EQ(texts[6].substr(0, 4), "1000");
    EXPECT_EQ(texts[7].size(), 1u + 309u + 1u + 32u);
    EXPECT_EQ(texts[7].substr(0, 3), "-17");
    EXPECT_EQ(texts[7].substr(texts[7].size() - 33), "." + std::string(32, '0'));
}

int DrawFarOut(XPLMDrawingPhase, int, void*) {
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    float green[3] = {0, 1, 0};
    int wrap = most;
    XPLMDrawString(green, most, most, const_cast<char*>("far right"), &wrap, xplmFont_Basic);
    XPLMDrawString(green, least, 5, const_cast<char*>("far left"), &wrap, xplmFont_Basic);
    XPLMDrawNumber(green, most - 1, 5, 123.5, 3, 1, 1, xplmFont_Basic);
    glColor4f(0, 0, 1, 1);
    glBegin(GL_TRIANGLES);  // over the whole screen
    glVertex2i(least, least);
    glVertex2i(most, least);
    glVertex2i(0, most);
    glEnd();
    glColor4f(1, 0, 0, 1);
    glBegin(GL_LINES);  // the diagonal x = y, from far outside to far outside
    glVertex2i(least, least);
    glVertex2i(most, most);
    glEnd();
    glBegin(GL_POINTS);
    glVertex2i(most, 0);
    glVertex2i(least, most);
    glEnd();
    return 1;
}

TEST_F(DisplayStandIn, DrawingFarOffTheScreenIsClippedToIt) {
    ASSERT_EQ(XPLMRegisterDrawCallback(DrawFarOut, xplm_Phase_Window, 0, nullptr), 1);
    bmhost::RunFrames(1);
    std::string picture = sim.Root() + "far.png";
    ASSERT_TRUE(bmhost::SavePicture(picture));
    EXPECT_EQ(bmhost::PicturePixel(picture, 300, 300), 0xFF0000);  // on the line
    EXPECT_EQ(bmhost::PicturePixel(picture, 0, 0), 0xFF0000);
    EXPECT_EQ(bmhost::PicturePixel(picture, 767, 767), 0xFF0000);
    EXPECT_EQ(bmhost::PicturePixel(picture, 301, 300), 0x0000FF);  // beside it, in the triangle
    EXPECT_EQ(bmhost::PicturePixel(picture, 1023, 0), 0x0000FF);
}

TEST_F(DisplayStandIn, WorldAndLocalCoordinatesRoundTrip) {
    double x, y, z, lat, lon, alt;
    XPLMWorldToLocal(47.4647, -122.3088, 100, &x, &y, &z);
    EXPECT_NEAR(x, 0, 1e-6);
    EXPECT_NEAR(z, 0, 1e-6);
    EXPECT_EQ(y, 100);
    XPLMWorldToLocal(47.4747, -122.2988, 0, &x, &y, &z);
    EXPECT_GT(x, 700);   // east
    EXPECT_LT(z, -1100);  // north is -z
    XPLMLocalToWorld(x, y, z, &lat, &lon, &alt);
    EXPECT_NEAR(lat, 47.4747, 1e-9);
    EXPECT_NEAR(lon, -122.2988, 1e-9);
    int width = 0, height = 0, digits = -1;
    XPLMGetFontDimensions(xplmFont_Basic, &width, &height, &digits);
    EXPECT_EQ(width * 100 + height * 10 + digits, 7 * 100 + 10 * 10 + 0);
    XPLMGetFontDimensions(xplmFont_Led, nullptr, nullptr, &digits);
    EXPECT_EQ(digits, 1);
}

}  // namespace
