// The stand-in's standard widget classes and UI graphics.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "XPLMDisplay.h"
#include "XPUIGraphics.h"
#include "bmhost/Control.h"

namespace {

struct Metrics {
    int vertical = -1, down = -1, downPage = -1, thumb = -1, upPage = -1, up = -1;
    int Sum() const { return down + downPage + thumb + upPage + up; }
    std::vector<int> Parts() const { return {down, downPage, thumb, upPage, up}; }
};

Metrics Measure(int x1, int y1, int x2, int y2, int min, int max, int value, XPTrackStyle style) {
    Metrics m;
    XPGetTrackMetrics(x1, y1, x2, y2, min, max, value, style, &m.vertical, &m.down, &m.downPage, &m.thumb,
                      &m.upPage, &m.up);
    return m;
}

using Parts = std::vector<int>;

TEST(TrackMetrics, AScrollBarHasSquareButtonsAndAThumbWhereTheValueIs) {
    // 200 x 16: buttons of 16, 168 between them, a thumb of 16 (11 values would get 15 each).
    Metrics m = Measure(0, 0, 200, 16, 0, 10, 5, xpTrack_ScrollBar);
    EXPECT_EQ(m.vertical, 0);
    EXPECT_EQ(m.Parts(), (Parts{16, 76, 16, 76, 16}));
    EXPECT_EQ(Measure(0, 0, 200, 16, 0, 10, 0, xpTrack_ScrollBar).Parts(), (Parts{16, 0, 16, 152, 16}));
    EXPECT_EQ(Measure(0, 0, 200, 16, 0, 10, 10, xpTrack_ScrollBar).Parts(), (Parts{16, 152, 16, 0, 16}));
    // Values outside the range put the thumb at its end.
    EXPECT_EQ(Measure(0, 0, 200, 16, 0, 10, 99, xpTrack_ScrollBar).Parts(), (Parts{16, 152, 16, 0, 16}));
    EXPECT_EQ(Measure(0, 0, 200, 16, 0, 10, -5, xpTrack_ScrollBar).Parts(), (Parts{16, 0, 16, 152, 16}));
    // A short range gets a long thumb: two values share the 168 pixels.
    EXPECT_EQ(Measure(0, 0, 200, 16, 0, 1, 1, xpTrack_ScrollBar).Parts(), (Parts{16, 84, 84, 0, 16}));
    // An empty range: the thumb fills the track.
    EXPECT_EQ(Measure(0, 0, 200, 16, 3, 3, 3, xpTrack_ScrollBar).Parts(), (Parts{16, 0, 168, 0, 16}));
    // Min above max: the value still runs from min (bottom or left) to max.
    EXPECT_EQ(Measure(0, 0, 200, 16, 10, 0, 10, xpTrack_ScrollBar).Parts(), (Parts{16, 0, 16, 152, 16}));
}

TEST(TrackMetrics, TheLongerSideGivesTheDirectionWhicheverCornersComeFirst) {
    Metrics upright = Measure(100, 300, 116, 100, 0, 100, 25, xpTrack_ScrollBar);
    EXPECT_EQ(upright.vertical, 1);
    EXPECT_EQ(upright.Parts(), (Parts{16, 38, 16, 114, 16}));  // min at the bottom
    Metrics swapped = Measure(116, 100, 100, 300, 0, 100, 25, xpTrack_ScrollBar);
    EXPECT_EQ(swapped.vertical, 1);
    EXPECT_EQ(swapped.Parts(), upright.Parts());
    EXPECT_EQ(Measure(0, 0, 20, 20, 0, 10, 5, xpTrack_ScrollBar).vertical, 0);  // square: horizontal
    // A bar shorter than its two buttons: they share it, nothing is left for the thumb.
    EXPECT_EQ(Measure(0, 0, 20, 16, 0, 10, 5, xpTrack_ScrollBar).Parts(), (Parts{10, 0, 0, 0, 10}));
    EXPECT_EQ(Measure(5, 5, 5, 5, 0, 10, 5, xpTrack_ScrollBar).Parts(), (Parts{0, 0, 0, 0, 0}));
}

TEST(TrackMetrics, SlidersHaveNoButtonsAndProgressBarsNoThumbAndNeverStandUp) {
    EXPECT_EQ(Measure(0, 0, 116, 16, 0, 10, 5, xpTrack_Slider).Parts(), (Parts{0, 50, 16, 50, 0}));
    Metrics upright = Measure(0, 0, 12, 112, 0, 4, 1, xpTrack_Slider);
    EXPECT_EQ(upright.vertical, 1);
    EXPECT_EQ(upright.Parts(), (Parts{0, 25, 12, 75, 0}));
    // The part below the value is the filled part.
    EXPECT_EQ(Measure(0, 0, 200, 12, 0, 100, 30, xpTrack_Progress).Parts(), (Parts{0, 60, 0, 140, 0}));
    Metrics tall = Measure(0, 0, 12, 200, 0, 100, 30, xpTrack_Progress);
    EXPECT_EQ(tall.vertical, 0);
    EXPECT_EQ(tall.Parts(), (Parts{0, 4, 0, 8, 0}));
}

TEST(TrackMetrics, ThePartsAlwaysFillTheLongSide) {
    const int ranges[][2] = {{0, 1}, {0, 7}, {-50, 50}, {100, 0}, {0, 100000}, {INT_MIN, INT_MAX}};
    const int sizes[][2] = {{1, 1}, {16, 17}, {300, 16}, {16, 300}, {31, 500}, {1000, 3}};
    for (XPTrackStyle style : {xpTrack_ScrollBar, xpTrack_Slider, xpTrack_Progress})
        for (const auto& size : sizes)
            for (const auto& range : ranges)
                for (int value : {range[0], range[1], range[0] / 2 + range[1] / 2, INT_MIN, INT_MAX}) {
                    Metrics m = Measure(0, 0, size[0], size[1], range[0], range[1], value, style);
                    int length = m.vertical ? size[1] : size[0];
                    SCOPED_TRACE(std::to_string(style) + " " + std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                                 " " + std::to_string(range[0]) + ".." + std::to_string(range[1]) + " at " +
                                 std::to_string(value));
                    EXPECT_EQ(m.Sum(), length);
                    for (int part : m.Parts()) EXPECT_GE(part, 0);
                    EXPECT_EQ(m.down, m.up);
                }
    // Corners at both ends of the int range: the lengths are cut to what an int holds.
    Metrics huge = Measure(INT_MIN, 0, INT_MAX, 16, 0, 10, 10, xpTrack_ScrollBar);
    EXPECT_EQ(huge.Sum(), INT_MAX);
    EXPECT_EQ(huge.upPage, 0);
}

TEST(TrackMetrics, OutputsMayBeLeftOutAndAFailureWritesNone) {
    int thumb = -1;
    XPGetTrackMetrics(0, 0, 200, 16, 0, 10, 5, xpTrack_ScrollBar, nullptr, nullptr, nullptr, &thumb, nullptr, nullptr);
    EXPECT_EQ(thumb, 16);
    bmhost::FailNextCall("XPGetTrackMetrics");
    thumb = -1;
    EXPECT_THROW(XPGetTrackMetrics(0, 0, 200, 16, 0, 10, 5, xpTrack_ScrollBar, nullptr, nullptr, nullptr, &thumb,
                                   nullptr, nullptr),
                 bmhost::InjectedFault);
    EXPECT_EQ(thumb, -1);
    XPGetTrackMetrics(0, 0, 200, 16, 0, 10, 5, xpTrack_ScrollBar, nullptr, nullptr, nullptr, &thumb, nullptr, nullptr);
    EXPECT_EQ(thumb, 16);
}

TEST(UIGraphics, DefaultSizes) {
    int width = -1, height = -1, lit = -1;
    XPGetWindowDefaultDimensions(xpWindow_MainWindow, &width, &height);
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 50);
    XPGetWindowDefaultDimensions(xpWindow_Help, nullptr, &height);
    EXPECT_EQ(height, 100);
    XPGetElementDefaultDimensions(xpElement_PushButton, &width, &height, &lit);
    EXPECT_EQ((Parts{width, height, lit}), (Parts{80, 20, 1}));
    XPGetElementDefaultDimensions(xpElement_CheckBox, &width, nullptr, nullptr);
    EXPECT_EQ(width, 16);
    XPGetElementDefaultDimensions(xpElement_TextField, &width, &height, &lit);
    EXPECT_EQ((Parts{width, height, lit}), (Parts{100, 20, 0}));
    XPGetElementDefaultDimensions(12345, &width, &height, &lit);  // no such element
    EXPECT_EQ((Parts{width, height, lit}), (Parts{0, 0, 0}));
    XPGetTrackDefaultDimensions(xpTrack_ScrollBar, &width, &lit);
    EXPECT_EQ((Parts{width, lit}), (Parts{16, 1}));
    XPGetTrackDefaultDimensions(xpTrack_Progress, &width, &lit);
    EXPECT_EQ((Parts{width, lit}), (Parts{12, 0}));
    XPGetTrackDefaultDimensions(xpTrack_Slider, nullptr, nullptr);

    bmhost::FailNextCall("XPGetElementDefaultDimensions");
    width = -1;
    EXPECT_THROW(XPGetElementDefaultDimensions(xpElement_PushButton, &width, nullptr, nullptr), bmhost::InjectedFault);
    EXPECT_EQ(width, -1);
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

    // What the last frame drew besides the simulator's own drawing.
    std::vector<std::string> Drawn() const {
        std::vector<std::string> calls;
        for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
            if (op.call != "phase") calls.push_back(op.ToString());
        return calls;
    }
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

TEST_F(UIGraphicsFrame, ThePictureShowsWindowsAndElements) {
    gDraw = [] {
        XPDrawWindow(500, 100, 100, 400, xpWindow_MainWindow);  // corners in the other order
        XPDrawElement(120, 300, 200, 320, xpElement_PushButton, 0);
        XPDrawElement(220, 300, 300, 320, xpElement_PushButton, 1);
        XPDrawElement(120, 250, 136, 266, xpElement_CheckBox, 0);
        XPDrawElement(220, 250, 236, 266, xpElement_CheckBox, 1);
        XPDrawElement(120, 200, 300, 220, xpElement_TextField, 0);
        XPDrawElement(700, 700, 714, 714, xpElement_WindowCloseBox, 0);
        XPDrawElement(750, 700, 762, 710, xpElement_LittleUpArrow, 0);
    };
    std::string picture = Picture();
    EXPECT_EQ(bmhost::PicturePixel(picture, 300, 390), kTitleBar);
    EXPECT_EQ(bmhost::PicturePixel(picture, 300, 150), kWindowBody);
    EXPECT_EQ(bmhost::PicturePixel(picture, 300, 375), kWindowBody);  // below the title bar
    EXPECT_EQ(bmhost::PicturePixel(picture, 50, 150), kGround);       // outside
    EXPECT_EQ(bmhost::PicturePixel(picture, 160, 310), kButtonFace);
    EXPECT_EQ(bmhost::PicturePixel(picture, 260, 310), kLit);
    EXPECT_EQ(bmhost::PicturePixel(picture, 128, 258), kPaper);  // unchecked
    EXPECT_EQ(bmhost::PicturePixel(picture, 228, 258), kChecked);
    EXPECT_EQ(bmhost::PicturePixel(picture, 200, 210), kPaper);
    // The close box is reddish with a white cross through its middle; the arrow's tip is dark.
    long closeBox = bmhost::PicturePixel(picture, 702, 711);
    EXPECT_GT(closeBox >> 16, closeBox & 0xFF);
    EXPECT_EQ(bmhost::PicturePixel(picture, 707, 707), 0xFFFFFF);
    EXPECT_LT(bmhost::PicturePixel(picture, 756, 706), 0x404040);
    EXPECT_NE(bmhost::PicturePixel(picture, 752, 708), bmhost::PicturePixel(picture, 756, 706));
}

TEST_F(UIGraphicsFrame, TracksAreDrawnWhereTheirMetricsSay) {
    gDraw = [] {
        XPDrawTrack(100, 100, 300, 116, 0, 10, 5, xpTrack_ScrollBar, 0);
        XPDrawTrack(400, 300, 416, 100, 0, 100, 25, xpTrack_ScrollBar, 1);  // upright, lit
        XPDrawTrack(100, 200, 300, 212, 0, 100, 30, xpTrack_Progress, 0);
        XPDrawTrack(100, 400, 216, 416, 0, 10, 5, xpTrack_Slider, 0);
    };
    std::string picture = Picture();
    // Scroll bar: [100, 116) button, [116, 192) track, [192, 208) thumb, [208, 284) track.
    EXPECT_EQ(bmhost::PicturePixel(picture, 200, 108), kButtonFace);
    EXPECT_EQ(bmhost::PicturePixel(picture, 150, 108), kGroove);
    EXPECT_EQ(bmhost::PicturePixel(picture, 250, 108), kGroove);
    EXPECT_NE(bmhost::PicturePixel(picture, 108, 108), kGroove);  // the left button
    // Upright and lit: the thumb from 100 + 16 + 38 up, 16 high.
    EXPECT_EQ(bmhost::PicturePixel(picture, 408, 162), kLit);
    EXPECT_EQ(bmhost::PicturePixel(picture, 408, 140), kGroove);
    EXPECT_EQ(bmhost::PicturePixel(picture, 408, 200), kGroove);
    // Progress: 60 of 200 pixels filled.
    EXPECT_EQ(bmhost::PicturePixel(picture, 150, 206), kFill);
    EXPECT_EQ(bmhost::PicturePixel(picture, 170, 206), kGroove);
    // Slider: the ball in the middle, the groove on either side.
    EXPECT_EQ(bmhost::PicturePixel(picture, 158, 408), kButtonFace);
    EXPECT_NE(bmhost::PicturePixel(picture, 120, 408), kButtonFace);
}

}  // namespace
