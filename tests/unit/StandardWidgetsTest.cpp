// The stand-in's standard widget classes and UI graphics.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "XPLMDisplay.h"
#include "XPStandardWidgets.h"
#include "XPUIGraphics.h"
#include "XPWidgetUtils.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

struct Metrics {
    int vertical = -1, down = -1, downPage = -1, thumb = -1, upPage = -1, up = -1;
    std::vector<int> Parts() const { return {down, downPage, thumb, upPage, up}; }
};

Metrics Measure(int x1, int y1, int x2, int y2, int min, int max, int value, XPTrackStyle style) {
    Metrics m;
    XPGetTrackMetrics(x1, y1, x2, y2, min, max, value, style, &m.vertical, &m.down, &m.downPage, &m.thumb,
                      &m.upPage, &m.up);
    return m;
}

using Parts = std::vector<int>;

TEST(TrackMetrics, ButtonsThumbAndPagesByStyleShapeAndValue) {
    struct Case {
        int x1, y1, x2, y2, min, max, value;
        XPTrackStyle style;
        int vertical;
        Parts parts;
    };
    const Case cases[] = {
        // 200 x 16: buttons of 16, 168 between them, a thumb of 16 (11 values would get 15 each).
        {0, 0, 200, 16, 0, 10, 5, xpTrack_ScrollBar, 0, {16, 76, 16, 76, 16}},
        {0, 0, 200, 16, 0, 10, 0, xpTrack_ScrollBar, 0, {16, 0, 16, 152, 16}},
        {0, 0, 200, 16, 0, 10, 99, xpTrack_ScrollBar, 0, {16, 152, 16, 0, 16}},  // beyond: at the end
        {0, 0, 200, 16, 0, 1, 1, xpTrack_ScrollBar, 0, {16, 84, 84, 0, 16}},    // two values share 168
        {0, 0, 200, 16, 3, 3, 3, xpTrack_ScrollBar, 0, {16, 0, 168, 0, 16}},    // one value fills it
        {0, 0, 200, 16, 10, 0, 10, xpTrack_ScrollBar, 0, {16, 0, 16, 152, 16}},  // min above max
        // Taller than wide: upright, min at the bottom, whichever corner comes first.
        {100, 300, 116, 100, 0, 100, 25, xpTrack_ScrollBar, 1, {16, 38, 16, 114, 16}},
        {116, 100, 100, 300, 0, 100, 25, xpTrack_ScrollBar, 1, {16, 38, 16, 114, 16}},
        {0, 0, 20, 20, 0, 10, 0, xpTrack_ScrollBar, 0, {10, 0, 0, 0, 10}},  // the buttons share a short bar
        {5, 5, 5, 5, 0, 10, 5, xpTrack_ScrollBar, 0, {0, 0, 0, 0, 0}},
        {0, 0, 116, 16, 0, 10, 5, xpTrack_Slider, 0, {0, 50, 16, 50, 0}},
        {0, 0, 12, 112, 0, 4, 1, xpTrack_Slider, 1, {0, 25, 12, 75, 0}},
        // Progress: the part below the value is the filled part; never upright.
        {0, 0, 200, 12, 0, 100, 30, xpTrack_Progress, 0, {0, 60, 0, 140, 0}},
        {0, 0, 12, 200, 0, 100, 30, xpTrack_Progress, 0, {0, 4, 0, 8, 0}},
    };
    for (const Case& c : cases) {
        Metrics m = Measure(c.x1, c.y1, c.x2, c.y2, c.min, c.max, c.value, c.style);
        EXPECT_EQ(m.vertical, c.vertical) << &c - cases;
        EXPECT_EQ(m.Parts(), c.parts) << &c - cases;
    }
}

TEST(TrackMetrics, ThePartsAlwaysFillTheLongSide) {
    const int ranges[][2] = {{0, 1}, {0, 7}, {-50, 50}, {100, 0}, {0, 100000}, {INT_MIN, INT_MAX}};
    const int sizes[][2] = {{1, 1}, {16, 17}, {300, 16}, {16, 300}, {31, 500}, {1000, 3}};
    for (XPTrackStyle style : {xpTrack_ScrollBar, xpTrack_Slider, xpTrack_Progress})
        for (const auto& size : sizes)
            for (const auto& range : ranges)
                for (int value : {range[0], range[1], range[0] / 2 + range[1] / 2, INT_MIN, INT_MAX}) {
                    Metrics m = Measure(0, 0, size[0], size[1], range[0], range[1], value, style);
                    Parts parts = m.Parts();
                    SCOPED_TRACE(std::to_string(style) + " " + std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                                 " " + std::to_string(range[0]) + ".." + std::to_string(range[1]) + " at " +
                                 std::to_string(value));
                    EXPECT_EQ(m.down + m.downPage + m.thumb + m.upPage + m.up, m.vertical ? size[1] : size[0]);
                    EXPECT_TRUE(std::all_of(parts.begin(), parts.end(), [](int part) { return part >= 0; }));
                    EXPECT_EQ(m.down, m.up);
                }
    // Corners at both ends of the int range: the lengths are cut to what an int holds.
    Metrics huge = Measure(INT_MIN, 0, INT_MAX, 16, 0, 10, 10, xpTrack_ScrollBar);
    EXPECT_EQ(huge.down + huge.downPage + huge.thumb + huge.upPage + huge.up, INT_MAX);
}

TEST(UIGraphics, SizesMayLeaveOutOutputsAndAFailureWritesNone) {
    int width = -1, height = -1, lit = -1, thumb = -1;
    XPGetWindowDefaultDimensions(xpWindow_MainWindow, &width, nullptr);
    XPGetElementDefaultDimensions(xpElement_PushButton, nullptr, &height, &lit);
    EXPECT_EQ((Parts{width, height, lit}), (Parts{100, 20, 1}));
    XPGetElementDefaultDimensions(12345, &width, &height, &lit);  // no such element
    EXPECT_EQ((Parts{width, height, lit}), (Parts{0, 0, 0}));
    XPGetTrackDefaultDimensions(xpTrack_Progress, &width, &lit);
    EXPECT_EQ((Parts{width, lit}), (Parts{12, 0}));
    XPGetTrackDefaultDimensions(xpTrack_Slider, nullptr, nullptr);
    XPGetTrackMetrics(0, 0, 200, 16, 0, 10, 5, xpTrack_ScrollBar, nullptr, nullptr, nullptr, &thumb, nullptr, nullptr);
    EXPECT_EQ(thumb, 16);

    bmhost::FailNextCall("XPGetTrackMetrics");
    thumb = -1;
    EXPECT_THROW(XPGetTrackMetrics(0, 0, 200, 16, 0, 10, 5, xpTrack_ScrollBar, nullptr, nullptr, nullptr, &thumb,
                                   nullptr, nullptr),
                 bmhost::InjectedFault);
    EXPECT_EQ(thumb, -1);
    bmhost::FailNextCall("XPGetElementDefaultDimensions");
    EXPECT_THROW(XPGetElementDefaultDimensions(xpElement_PushButton, &width, nullptr, nullptr), bmhost::InjectedFault);
    EXPECT_EQ(width, 12);
}

// What the last frame drew besides the simulator's own drawing.
std::vector<std::string> Drawn() {
    std::vector<std::string> calls;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
        if (op.call != "phase") calls.push_back(op.ToString());
    return calls;
}

bool DrewThis(const std::string& call) {
    std::vector<std::string> calls = Drawn();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

// Draws what the test asks for in a window covering the screen.
std::function<void()> gDraw;
void DrawAll(XPLMWindowID, void*) {
    if (gDraw) gDraw();
}

class UIGraphicsFrame : public ::testing::Test {
protected:
    void SetUp() override { XPLMCreateWindow(0, 768, 1024, 0, 1, DrawAll, nullptr, nullptr, nullptr); }
    void TearDown() override { gDraw = nullptr; }

    // Draws one frame and returns the picture of it.
    std::string Picture() {
        bmhost::RunFrames(1);
        std::string path = sim.Root() + "frame.png";
        EXPECT_TRUE(bmhost::SavePicture(path));
        return path;
    }

    bmtest::SimFolder sim;
};

TEST_F(UIGraphicsFrame, DrawingCallsAreRecordedWithTheirArgumentsAsGiven) {
    gDraw = [] {
        XPDrawWindow(10, 300, 400, 20, xpWindow_MainWindow);
        XPDrawElement(20, 40, 100, 60, xpElement_PushButton, 1);
        XPDrawTrack(20, 100, 220, 116, 0, 10, 4, xpTrack_Slider, 0);
    };
    bmhost::RunFrames(1);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"XPDrawWindow(10, 300, 400, 20, 1)",
                                                 "XPDrawElement(20, 40, 100, 60, 16, 1)",
                                                 "XPDrawTrack(20, 100, 220, 116, 0, 10, 4, 1, 0)"}));
    EXPECT_EQ(bmhost::LastFrameDrawing().back().phase, -1);

    // A drawing call that fails draws nothing; the window's callback is reported.
    gDraw = [] {
        XPDrawElement(20, 40, 100, 60, xpElement_CheckBox, 0);
        XPDrawWindow(10, 300, 400, 20, xpWindow_SubWindow);
    };
    bmhost::FailNextCall("XPDrawWindow");
    bmhost::RunFrames(1);
    EXPECT_EQ(Drawn(), (std::vector<std::string>{"XPDrawElement(20, 40, 100, 60, 9, 0)"}));
    EXPECT_NE(bmhost::SimLog().find("injected fault in XPDrawWindow"), std::string::npos) << bmhost::SimLog();
}

// Colours of the picture, 0xRRGGBB.
constexpr long kGround = 0x546B40;  // the simulator's backdrop
constexpr long kWindowBody = 0x949CA6;
constexpr long kTitleBar = 0x425470;
constexpr long kButtonFace = 0xBDC2C9;
constexpr long kLit = 0xFAC74D;
constexpr long kChecked = 0x268C33;
constexpr long kPaper = 0xF5F5ED;
constexpr long kGroove = 0x4D545E;
constexpr long kFill = 0x408CE6;

TEST_F(UIGraphicsFrame, ThePictureShowsWindowsElementsAndTracksWhereTheirMetricsSay) {
    gDraw = [] {
        XPDrawWindow(500, 100, 100, 400, xpWindow_MainWindow);  // corners in the other order
        XPDrawElement(120, 300, 200, 320, xpElement_PushButton, 0);
        XPDrawElement(220, 300, 300, 320, xpElement_PushButton, 1);
        XPDrawElement(120, 250, 136, 266, xpElement_CheckBox, 0);
        XPDrawElement(220, 250, 236, 266, xpElement_CheckBox, 1);
        XPDrawElement(700, 700, 714, 714, xpElement_WindowCloseBox, 0);
        XPDrawTrack(600, 100, 800, 116, 0, 10, 5, xpTrack_ScrollBar, 0);
        XPDrawTrack(900, 300, 916, 100, 0, 100, 25, xpTrack_ScrollBar, 1);  // upright, lit
        XPDrawTrack(600, 200, 800, 212, 0, 100, 30, xpTrack_Progress, 0);
        XPDrawTrack(600, 400, 716, 416, 0, 10, 5, xpTrack_Slider, 0);
    };
    std::string picture = Picture();
    EXPECT_EQ(bmhost::PicturePixel(picture, 300, 390), kTitleBar);
    EXPECT_EQ(bmhost::PicturePixel(picture, 300, 375), kWindowBody);  // below the title bar
    EXPECT_EQ(bmhost::PicturePixel(picture, 50, 150), kGround);       // outside
    EXPECT_EQ(bmhost::PicturePixel(picture, 160, 310), kButtonFace);
    EXPECT_EQ(bmhost::PicturePixel(picture, 260, 310), kLit);
    EXPECT_EQ(bmhost::PicturePixel(picture, 128, 258), kPaper);  // unchecked
    EXPECT_EQ(bmhost::PicturePixel(picture, 228, 258), kChecked);
    long closeBox = bmhost::PicturePixel(picture, 702, 711);  // reddish, a white cross in the middle
    EXPECT_GT(closeBox >> 16, closeBox & 0xFF);
    EXPECT_EQ(bmhost::PicturePixel(picture, 707, 707), 0xFFFFFF);
    // Scroll bar: [600, 616) button, [616, 692) track, [692, 708) thumb, [708, 784) track.
    EXPECT_NE(bmhost::PicturePixel(picture, 608, 108), kGroove);
    EXPECT_EQ(bmhost::PicturePixel(picture, 650, 108), kGroove);
    EXPECT_EQ(bmhost::PicturePixel(picture, 700, 108), kButtonFace);
    EXPECT_EQ(bmhost::PicturePixel(picture, 750, 108), kGroove);
    // Upright and lit: the thumb from 100 + 16 + 38 up, 16 high.
    EXPECT_EQ(bmhost::PicturePixel(picture, 908, 140), kGroove);
    EXPECT_EQ(bmhost::PicturePixel(picture, 908, 162), kLit);
    EXPECT_EQ(bmhost::PicturePixel(picture, 908, 200), kGroove);
    // Progress: 60 of 200 pixels filled. Slider: the ball in the middle.
    EXPECT_EQ(bmhost::PicturePixel(picture, 650, 206), kFill);
    EXPECT_EQ(bmhost::PicturePixel(picture, 670, 206), kGroove);
    EXPECT_EQ(bmhost::PicturePixel(picture, 658, 408), kButtonFace);
    EXPECT_NE(bmhost::PicturePixel(picture, 620, 408), kButtonFace);
}

// ---- The standard classes, driven by the mouse and the keyboard ----

std::string DescriptorOf(intptr_t widget) {
    char text[64] = {0};
    XPGetWidgetDescriptor(reinterpret_cast<XPWidgetID>(widget), text, sizeof text - 1);
    return text;
}

// The notifications of the standard classes that reached the window: "<message> <descriptor of
// p1> <p2>". The window's listener takes them.
std::vector<std::string> gNotes;
// Mouse downs and keys that reached the window's listener without a widget taking them on the way.
std::vector<std::string> gPassed;

int Listen(XPWidgetMessage message, XPWidgetID, intptr_t p1, intptr_t p2) {
    static const std::map<XPWidgetMessage, std::string> kNotes = {
        {xpMessage_CloseButtonPushed, "CloseButtonPushed"},
        {xpMsg_PushButtonPressed, "PushButtonPressed"},
        {xpMsg_ButtonStateChanged, "ButtonStateChanged"},
        {xpMsg_TextFieldChanged, "TextFieldChanged"},
        {xpMsg_ScrollBarSliderPositionChanged, "ScrollBarSliderPositionChanged"}};
    auto note = kNotes.find(message);
    if (note != kNotes.end()) {
        gNotes.push_back(note->second + " " + DescriptorOf(p1) + " " + std::to_string(p2));
        return 1;
    }
    if (message == xpMsg_MouseDown)
        gPassed.push_back("mouse " + std::to_string(MOUSE_X(p1)) + "," + std::to_string(MOUSE_Y(p1)));
    if (message == xpMsg_KeyPress)
        gPassed.push_back("key " + std::to_string(int(static_cast<unsigned char>(KEY_VKEY(p1)))) +
                          (KEY_FLAGS(p1) & xplm_UpFlag ? " up" : " down"));
    return 0;
}

using Lines = std::vector<std::string>;

// A main window "Settings" from (100, 500) to (400, 200) whose listener hears what its widgets
// tell.
class StandardWidgets : public ::testing::Test {
protected:
    void SetUp() override {
        gNotes.clear();
        gPassed.clear();
        window = XPCreateWidget(100, 500, 400, 200, 1, "Settings", 1, nullptr, xpWidgetClass_MainWindow);
        XPAddWidgetCallback(window, Listen);
    }

    XPWidgetID Add(int left, int top, int right, int bottom, const char* descriptor, XPWidgetClass widgetClass) {
        return XPCreateWidget(left, top, right, bottom, 1, descriptor, 0, window, widgetClass);
    }
    static intptr_t Get(XPWidgetID widget, XPWidgetPropertyID property) {
        return XPGetWidgetProperty(widget, property, nullptr);
    }
    static void Set(XPWidgetID widget, XPWidgetPropertyID property, intptr_t value) {
        XPSetWidgetProperty(widget, property, value);
    }
    static std::string Text(XPWidgetID widget) { return DescriptorOf(reinterpret_cast<intptr_t>(widget)); }
    // A text field's selection, "start-end".
    static std::string Selection(XPWidgetID field) {
        return std::to_string(Get(field, xpProperty_EditFieldSelStart)) + "-" +
               std::to_string(Get(field, xpProperty_EditFieldSelEnd));
    }
    static Lines Geometry(XPWidgetID widget) {
        int l = 0, t = 0, r = 0, b = 0;
        XPGetWidgetGeometry(widget, &l, &t, &r, &b);
        return {std::to_string(l), std::to_string(t), std::to_string(r), std::to_string(b)};
    }

    bmtest::SimFolder sim;
    XPWidgetID window = nullptr;
};

TEST_F(StandardWidgets, APushButtonTellsOfAPressReleasedOverIt) {
    XPWidgetID ok = Add(120, 460, 200, 440, "OK", xpWidgetClass_Button);
    bmhost::Click(160, 450);
    EXPECT_EQ(gNotes, Lines{"PushButtonPressed OK 0"});
    EXPECT_EQ(gPassed, Lines{});  // the button took the click
    gNotes.clear();

    bmhost::MouseDown(160, 450);
    EXPECT_EQ(Get(ok, xpProperty_Hilited), 1);
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPDrawElement(120, 440, 200, 460, 16, 1)"));
    EXPECT_TRUE(DrewThis("XPLMDrawString(0.05, 0.05, 0.08, 153, 447, 0, 0, \"OK\")"));
    bmhost::MouseDrag(300, 300);  // off the button: it goes dark
    EXPECT_EQ(Get(ok, xpProperty_Hilited), 0);
    bmhost::MouseDrag(170, 445);
    EXPECT_EQ(Get(ok, xpProperty_Hilited), 1);
    bmhost::MouseDrag(300, 300);
    bmhost::MouseUp(300, 300);  // released elsewhere: no press
    EXPECT_EQ(gNotes, Lines{});
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPDrawElement(120, 440, 200, 460, 16, 0)"));

    Set(ok, xpProperty_Enabled, 0);
    bmhost::Click(160, 450);
    EXPECT_EQ(gNotes, Lines{});
    EXPECT_EQ(gPassed, Lines{});
    Set(ok, xpProperty_Enabled, 1);
    bmhost::Click(160, 450);
    EXPECT_EQ(gNotes, Lines{"PushButtonPressed OK 0"});
}

TEST_F(StandardWidgets, CheckBoxesToggleWhenPressedAndRadioButtonsOnlyTurnOn) {
    XPWidgetID lights = Add(120, 420, 250, 404, "Lights", xpWidgetClass_Button);
    Set(lights, xpProperty_ButtonType, xpRadioButton);
    Set(lights, xpProperty_ButtonBehavior, xpButtonBehaviorCheckBox);
    bmhost::MouseDown(125, 412);  // the state changes on the press
    EXPECT_EQ(gNotes, Lines{"ButtonStateChanged Lights 1"});
    EXPECT_EQ(Get(lights, xpProperty_ButtonState), 1);
    bmhost::MouseUp(125, 412);
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPDrawElement(120, 404, 136, 420, 9, 1)"));  // a lit box: checked
    EXPECT_TRUE(DrewThis("XPLMDrawString(0.05, 0.05, 0.08, 140, 409, 0, 0, \"Lights\")"));
    bmhost::Click(200, 410);
    EXPECT_EQ(gNotes, (Lines{"ButtonStateChanged Lights 1", "ButtonStateChanged Lights 0"}));
    EXPECT_EQ(Get(lights, xpProperty_ButtonState), 0);
    Set(lights, xpProperty_ButtonState, 1);  // code changing the state is not told of
    EXPECT_EQ(gNotes.size(), 2u);
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPDrawElement(120, 404, 136, 420, 9, 1)"));

    gNotes.clear();
    XPWidgetID radio = Add(120, 380, 250, 364, "Radio", xpWidgetClass_Button);
    Set(radio, xpProperty_ButtonType, xpRadioButton);
    Set(radio, xpProperty_ButtonBehavior, xpButtonBehaviorRadioButton);
    bmhost::Click(125, 372);
    bmhost::Click(125, 372);
    EXPECT_EQ(gNotes, Lines{"ButtonStateChanged Radio 1"});
    EXPECT_EQ(Get(radio, xpProperty_ButtonState), 1);
}

TEST_F(StandardWidgets, TypingEditsATextFieldAndTellsOfEachChange) {
    XPWidgetID field = Add(120, 400, 320, 380, "", xpWidgetClass_TextField);
    bmhost::Click(300, 390);
    EXPECT_EQ(XPGetWidgetWithFocus(), field);
    bmhost::TypeText("Hello");
    EXPECT_EQ(Text(field), "Hello");
    EXPECT_EQ(gNotes, (Lines{"TextFieldChanged H 0", "TextFieldChanged He 0", "TextFieldChanged Hel 0",
                             "TextFieldChanged Hell 0", "TextFieldChanged Hello 0"}));
    EXPECT_EQ(gPassed, Lines{});  // the field took the presses and their releases
    gNotes.clear();

    bmhost::TypeText("\b");
    EXPECT_EQ(Text(field), "Hell");
    bmhost::PressKey(0, XPLM_VK_LEFT, xplm_ShiftFlag);
    bmhost::PressKey(0, XPLM_VK_LEFT, xplm_ShiftFlag);
    EXPECT_EQ(Selection(field), "2-4");
    bmhost::TypeText("p");  // replaces the selection
    EXPECT_EQ(Text(field), "Hep");
    EXPECT_EQ(Selection(field), "3-3");
    bmhost::PressKey(0, XPLM_VK_HOME);
    bmhost::PressKey(0, XPLM_VK_DELETE);
    EXPECT_EQ(Text(field), "ep");
    bmhost::PressKey(0, XPLM_VK_RIGHT);
    bmhost::PressKey(0, XPLM_VK_END, xplm_ShiftFlag);  // the selection runs from the caret to the end
    EXPECT_EQ(Selection(field), "1-2");
    bmhost::PressKey(0, XPLM_VK_LEFT);  // collapses the selection to its start
    EXPECT_EQ(Get(field, xpProperty_EditFieldSelEnd), 1);
    EXPECT_EQ(gNotes, (Lines{"TextFieldChanged Hell 0", "TextFieldChanged Hep 0", "TextFieldChanged ep 0"}));
    gNotes.clear();

    // Moving keys change nothing; keys at the ends of the text do nothing and tell nothing.
    bmhost::PressKey(0, XPLM_VK_END);
    bmhost::PressKey(0, XPLM_VK_DELETE);
    bmhost::PressKey(0, XPLM_VK_HOME);
    bmhost::TypeText("\b");
    EXPECT_EQ(Text(field), "ep");
    EXPECT_EQ(gNotes, Lines{});

    Set(field, xpProperty_MaxCharacters, 4);
    bmhost::PressKey(0, XPLM_VK_END);
    bmhost::TypeText("xyz");
    EXPECT_EQ(Text(field), "epxy");
    EXPECT_EQ(gNotes.size(), 2u);

    // Return, Tab, Escape and keys with Control are left to the window and the simulator.
    bmhost::TypeText("\n\t");
    bmhost::PressKey(27, XPLM_VK_ESCAPE);
    bmhost::PressKey('s', XPLM_VK_S, xplm_ControlFlag);
    EXPECT_EQ(gPassed, (Lines{"key 13 down", "key 13 up", "key 9 down", "key 9 up", "key 27 down", "key 27 up",
                              "key 83 down", "key 83 up"}));
    EXPECT_EQ(Text(field), "epxy");
}

TEST_F(StandardWidgets, ATextFieldSelectsByMouseHidesPasswordsAndKeepsTheSelectionInItsText) {
    XPWidgetID field = Add(120, 400, 320, 380, "abcdef", xpWidgetClass_TextField);
    // Characters are 7 pixels wide from 4 pixels in: boundary n lies at 124 + 7n.
    bmhost::Drag(131, 390, 146, 395);
    EXPECT_EQ(Selection(field), "1-3");
    EXPECT_EQ(Get(field, xpProperty_EditFieldSelDragStart), -1);
    bmhost::Drag(145, 390, 100, 390);  // backwards, past the start
    EXPECT_EQ(Selection(field), "0-3");
    bmhost::TypeText("Z");
    EXPECT_EQ(Text(field), "Zdef");
    bmhost::PressKey(0, XPLM_VK_RIGHT, xplm_ShiftFlag);
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPDrawElement(120, 380, 320, 400, 6, 0)"));
    EXPECT_TRUE(DrewThis("XPLMDrawString(0.05, 0.05, 0.08, 124, 387, 0, 0, \"Zdef\")"));

    Set(field, xpProperty_PasswordMode, 1);
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPLMDrawString(0.05, 0.05, 0.08, 124, 387, 0, 0, \"****\")"));
    EXPECT_FALSE(DrewThis("XPLMDrawString(0.05, 0.05, 0.08, 124, 387, 0, 0, \"Zdef\")"));

    gNotes.clear();
    XPSetWidgetDescriptor(field, "ab");  // code's text: no TextFieldChanged, the selection shrinks into it
    EXPECT_EQ(Selection(field), "1-2");
    EXPECT_EQ(gNotes, Lines{});

    // A text longer than the box scrolls to keep the caret in view: 62 pixels show 8 characters.
    XPSetWidgetGeometry(field, 120, 400, 190, 380);
    bmhost::PressKey(0, XPLM_VK_END);
    bmhost::TypeText("23456789");
    EXPECT_EQ(Get(field, xpProperty_ScrollPosition), 2);
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPLMDrawString(0.05, 0.05, 0.08, 124, 387, 0, 0, \"********\")"));
    bmhost::PressKey(0, XPLM_VK_HOME);
    EXPECT_EQ(Get(field, xpProperty_ScrollPosition), 0);
    bmhost::Click(189, 390);  // nearest boundary 9, out of view: the caret stays at the last one shown
    EXPECT_EQ(Selection(field), "8-8");
    EXPECT_EQ(Get(field, xpProperty_ScrollPosition), 0);

    // A disabled field takes no focus and no keys.
    XPSetKeyboardFocus(nullptr);
    Set(field, xpProperty_Enabled, 0);
    bmhost::Click(130, 390);
    EXPECT_EQ(XPGetWidgetWithFocus(), nullptr);
    EXPECT_EQ(XPSetKeyboardFocus(field), nullptr);
}

TEST_F(StandardWidgets, ASliderFollowsItsThumbAndPagesTowardsAClick) {
    // 216 pixels: a thumb of 16 and 200 of travel for 0 to 100.
    XPWidgetID slider = Add(120, 300, 336, 284, "Volume", xpWidgetClass_ScrollBar);
    Set(slider, xpProperty_ScrollBarType, xpScrollBarTypeSlider);
    Set(slider, xpProperty_ScrollBarMax, 100);
    Set(slider, xpProperty_ScrollBarPageAmount, 10);
    bmhost::MouseDown(128, 292);
    bmhost::MouseDrag(178, 295);
    EXPECT_EQ(Get(slider, xpProperty_ScrollBarSliderPosition), 25);
    bmhost::MouseDrag(228, 250);  // off the bar, still dragging
    bmhost::MouseUp(228, 250);
    EXPECT_EQ(Get(slider, xpProperty_ScrollBarSliderPosition), 50);
    EXPECT_EQ(gNotes, (Lines{"ScrollBarSliderPositionChanged Volume 0", "ScrollBarSliderPositionChanged Volume 0"}));
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPDrawTrack(120, 284, 336, 300, 0, 100, 50, 1, 0)"));

    bmhost::Drag(228, 292, 900, 292);  // the thumb stops at the end
    EXPECT_EQ(Get(slider, xpProperty_ScrollBarSliderPosition), 100);
    bmhost::Click(130, 292);  // left of the thumb
    EXPECT_EQ(Get(slider, xpProperty_ScrollBarSliderPosition), 90);
    EXPECT_EQ(gNotes.size(), 4u);
    Set(slider, xpProperty_ScrollBarSliderPosition, 20);  // code moving it is not told of
    EXPECT_EQ(gNotes.size(), 4u);
    EXPECT_EQ(gPassed, Lines{});
}

TEST_F(StandardWidgets, AnUprightScrollBarCountsUpwardsFromItsBottomArrow) {
    // 210 high: arrows of 16 at either end, a thumb of 16, 162 of travel.
    XPWidgetID bar = Add(350, 460, 366, 250, "Bar", xpWidgetClass_ScrollBar);
    Set(bar, xpProperty_ScrollBarMax, 10);
    Set(bar, xpProperty_ScrollBarPageAmount, 3);
    bmhost::Click(358, 455);  // the top arrow
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 1);
    bmhost::Click(358, 255);  // the bottom arrow
    bmhost::Click(358, 255);  // already at the bottom: nothing moves, nothing is told
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 0);
    EXPECT_EQ(gNotes, (Lines{"ScrollBarSliderPositionChanged Bar 0", "ScrollBarSliderPositionChanged Bar 0"}));
    bmhost::Click(358, 400);  // the track above the thumb
    bmhost::Click(358, 400);
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 6);
    bmhost::Drag(358, 444, 358, 460);  // the top arrow held: no repeat before its time
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 7);
    bmhost::MouseDown(358, 455);  // held: a step at once, more from three tenths of a second on
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 8);
    bmhost::RunFrames(12);
    bmhost::MouseDrag(358, 455);
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 8);
    bmhost::RunFrames(8);
    bmhost::MouseDrag(358, 455);
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 9);
    bmhost::RunFrames(3);  // not yet another tenth
    bmhost::MouseDrag(358, 455);
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 9);
    bmhost::RunFrames(4);
    bmhost::MouseDrag(358, 455);
    bmhost::MouseUp(358, 455);
    EXPECT_EQ(Get(bar, xpProperty_ScrollBarSliderPosition), 10);
}

TEST_F(StandardWidgets, AMainWindowIsDraggedByItsTitleBarWithItsChildren) {
    XPWidgetID ok = Add(120, 460, 200, 440, "OK", xpWidgetClass_Button);
    XPWidgetID panel = Add(110, 430, 390, 210, "", xpWidgetClass_SubWindow);
    XPWidgetID inner = XPCreateWidget(120, 420, 200, 400, 1, "Inner", 0, panel, xpWidgetClass_Caption);
    bmhost::Drag(250, 490, 350, 390);
    EXPECT_EQ(Geometry(window), (Lines{"200", "400", "500", "100"}));
    EXPECT_EQ(Geometry(ok), (Lines{"220", "360", "300", "340"}));
    EXPECT_EQ(Geometry(panel), (Lines{"210", "330", "490", "110"}));
    EXPECT_EQ(Geometry(inner), (Lines{"220", "320", "300", "300"}));
    bmhost::Drag(400, 250, 450, 300);  // below the title bar the window stays put
    EXPECT_EQ(Geometry(window), (Lines{"200", "400", "500", "100"}));
    EXPECT_EQ(gPassed, (Lines{"mouse 250,490", "mouse 400,250"}));
    bmhost::Click(250, 280);  // a caption and a sub window pass clicks on to the window
    EXPECT_EQ(gPassed.back(), "mouse 250,280");

    // A window behind comes forward when clicked.
    XPWidgetID other = XPCreateWidget(150, 450, 350, 250, 1, "Other", 1, nullptr, xpWidgetClass_MainWindow);
    EXPECT_EQ(XPIsWidgetInFront(window), 0);
    bmhost::Click(450, 150);
    EXPECT_EQ(XPIsWidgetInFront(window), 1);
    EXPECT_EQ(XPIsWidgetInFront(other), 0);
}

TEST_F(StandardWidgets, ACloseBoxTellsTheWindowWhichStaysOpen) {
    Set(window, xpProperty_MainWindowHasCloseBoxes, 1);
    // The right box: 14 pixels square, 3 in from the top right corner.
    bmhost::MouseDown(390, 490);
    bmhost::RunFrames(1);
    EXPECT_TRUE(DrewThis("XPDrawElement(383, 483, 397, 497, 15, 0)"));
    EXPECT_TRUE(DrewThis("XPDrawElement(103, 483, 117, 497, 14, 0)"));
    EXPECT_TRUE(DrewThis("XPLMDrawString(0.95, 0.95, 0.95, 122, 487, 0, 0, \"Settings\")"));
    bmhost::MouseDrag(300, 300);
    bmhost::MouseUp(300, 300);  // let go elsewhere
    EXPECT_EQ(gNotes, Lines{});
    bmhost::Click(390, 490);
    bmhost::Click(110, 490);  // and the left one
    EXPECT_EQ(gNotes, (Lines{"CloseButtonPushed Settings 0", "CloseButtonPushed Settings 0"}));
    EXPECT_EQ(XPIsWidgetVisible(window), 1);
    EXPECT_EQ(Geometry(window), (Lines{"100", "500", "400", "200"}));  // a click on a box drags nothing
}

TEST_F(StandardWidgets, CaptionsGraphicsAndProgressBarsShowTheirProperties) {
    XPWidgetID caption = Add(120, 470, 250, 450, "Altitude", xpWidgetClass_Caption);
    Set(caption, xpProperty_CaptionLit, 1);
    XPWidgetID progress = Add(120, 240, 320, 228, "", xpWidgetClass_Progress);
    Set(progress, xpProperty_ProgressMax, 100);
    Set(progress, xpProperty_ProgressPosition, 150);
    XPWidgetID icon = Add(340, 240, 360, 220, "", xpWidgetClass_GeneralGraphics);
    Set(icon, xpProperty_GeneralGraphicsType, xpVOR);
    XPWidgetID screen = Add(120, 350, 300, 300, "", xpWidgetClass_SubWindow);
    Set(screen, xpProperty_SubWindowType, xpSubWindowStyle_Screen);
    bmhost::RunFrames(1);
    EXPECT_EQ(Drawn(), (Lines{"XPDrawWindow(100, 200, 400, 500, 1)",
                              "XPLMDrawString(0.95, 0.95, 0.95, 106, 487, 0, 0, \"Settings\")",
                              "XPLMDrawString(1, 0.85, 0.35, 120, 457, 0, 0, \"Altitude\")",
                              "XPDrawTrack(120, 228, 320, 240, 0, 100, 100, 2, 0)",
                              "XPDrawElement(340, 220, 360, 240, 32, 0)",
                              "XPDrawWindow(120, 300, 300, 350, 4)"}));
    bmhost::Click(130, 460);
    EXPECT_EQ(gPassed, Lines{"mouse 130,460"});
}

TEST_F(StandardWidgets, ThePictureShowsTheWindowAndItsWidgets) {
    Add(120, 460, 200, 440, "OK", xpWidgetClass_Button);
    XPWidgetID check = Add(220, 460, 300, 444, "On", xpWidgetClass_Button);
    Set(check, xpProperty_ButtonType, xpRadioButton);
    Set(check, xpProperty_ButtonBehavior, xpButtonBehaviorCheckBox);
    bmhost::Click(225, 452);
    bmhost::RunFrames(1);
    std::string picture = sim.Root() + "window.png";
    ASSERT_TRUE(bmhost::SavePicture(picture));
    EXPECT_EQ(bmhost::PicturePixel(picture, 350, 490), kTitleBar);
    EXPECT_EQ(bmhost::PicturePixel(picture, 350, 300), kWindowBody);
    EXPECT_EQ(bmhost::PicturePixel(picture, 125, 450), kButtonFace);
    EXPECT_EQ(bmhost::PicturePixel(picture, 228, 452), kChecked);
    EXPECT_EQ(bmhost::PicturePixel(picture, 50, 300), kGround);
    // The label: darker pixels across the middle of the button.
    int dark = 0;
    for (int x = 153; x < 168; ++x) dark += bmhost::PicturePixel(picture, x, 450) < kButtonFace;
    EXPECT_GE(dark, 3);
}

TEST_F(StandardWidgets, AFailingCallLeavesTheTextAsItWas) {
    XPWidgetID field = Add(120, 400, 320, 380, "x", xpWidgetClass_TextField);
    bmhost::Click(200, 390);
    bmhost::FailNextCall("XPSetWidgetDescriptor");
    bmhost::TypeText("a");
    EXPECT_EQ(Text(field), "x");
    EXPECT_EQ(gNotes, Lines{});
    EXPECT_NE(bmhost::SimLog().find("injected fault in XPSetWidgetDescriptor"), std::string::npos) << bmhost::SimLog();
    bmhost::TypeText("a");
    EXPECT_EQ(Text(field), "xa");
    EXPECT_EQ(gNotes, Lines{"TextFieldChanged xa 0"});
}

TEST(StandardClasses, WidgetsAtTheEndsOfTheIntRangeDrawAndTakeInput) {
    bmtest::SimFolder sim;
    XPWidgetID root = XPCreateWidget(INT_MIN, INT_MAX, INT_MAX, INT_MIN, 1, "Huge", 1, nullptr, xpWidgetClass_MainWindow);
    XPSetWidgetProperty(root, xpProperty_MainWindowHasCloseBoxes, 1);
    for (XPWidgetClass c = xpWidgetClass_SubWindow; c <= xpWidgetClass_Progress; ++c) {
        XPWidgetID widget = XPCreateWidget(INT_MIN, INT_MAX, INT_MAX, INT_MIN, 1, "wide", 0, root, c);
        for (XPWidgetPropertyID id = 1000 + 100 * c; id < 1010 + 100 * c; ++id)
            XPSetWidgetProperty(widget, id, id % 2 ? INTPTR_MIN : INTPTR_MAX);
    }
    XPWidgetID field = XPCreateWidget(INT_MIN, INT_MAX, INT_MAX, INT_MIN, 1, "text", 0, root, xpWidgetClass_TextField);
    bmhost::RunFrames(1);
    const auto& ops = bmhost::LastFrameDrawing();
    EXPECT_TRUE(std::any_of(ops.begin(), ops.end(), [](const bmhost::DrawOp& op) {
        return op.call == "XPDrawWindow" && op.numbers == std::vector<double>{INT_MIN, INT_MIN, INT_MAX, INT_MAX, 1};
    }));
    bmhost::Drag(0, 0, 100, 100);
    bmhost::Drag(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    XPSetKeyboardFocus(field);
    bmhost::TypeText("ab\b");
    bmhost::PressKey(0, XPLM_VK_END, xplm_ShiftFlag);
    bmhost::RunFrames(1);
    EXPECT_TRUE(bmhost::SavePicture(sim.Root() + "huge.png"));
}

TEST(StandardClasses, EachClassHasAFunctionAndOthersNone) {
    bmtest::SimFolder sim;
    for (XPWidgetClass c = xpWidgetClass_MainWindow; c <= xpWidgetClass_Progress; ++c)
        EXPECT_NE(XPGetWidgetClassFunc(c), nullptr) << c;
    EXPECT_EQ(XPGetWidgetClassFunc(xpWidgetClass_None), nullptr);
    EXPECT_EQ(XPGetWidgetClassFunc(9), nullptr);
    EXPECT_EQ(XPCreateWidget(0, 10, 10, 0, 1, "", 1, nullptr, 9), nullptr);
}

}  // namespace
