// Scripts' modern windows (XPLMCreateWindowEx) through the built plug-in: the layers in which they
// draw and take the mouse, their callbacks with their refcons, and the newer window management.
#include <gtest/gtest.h>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDisplay.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

// Four windows, created against the order of their layers: a floating one (dict, trailing fields
// left out), a modal one without decoration that lets everything through (sequence), a growl
// notification that stops clicks, and a legacy window over the whole screen.
const char kLayered[] = R"(from __future__ import print_function
from XPLMDefs import *
from XPLMDisplay import *
from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        self.Float = XPLMCreateWindowEx(self, {
            'left': 100, 'top': 400, 'right': 300, 'bottom': 200, 'visible': 1,
            'drawWindowFunc': self.Draw, 'handleMouseClickFunc': self.Click, 'handleKeyFunc': self.Key,
            'handleCursorFunc': self.Cursor, 'handleMouseWheelFunc': self.Wheel, 'refcon': 7,
            'handleRightClickFunc': self.Right})
        self.Modal = XPLMCreateWindowEx(self, [150, 350, 250, 250, 1, self.Draw, self.Pass, None, self.Cursor,
                                               self.Pass, 8, xplm_WindowDecorationNone, xplm_WindowLayerModal])
        self.Growl = XPLMCreateWindowEx(self, (600, 700, 700, 600, 1, self.Draw, None, None, self.BadCursor, None, 9,
                                               xplm_WindowDecorationSelfDecorated,
                                               xplm_WindowLayerGrowlNotifications, None))
        self.Legacy = XPLMCreateWindow(self, 0, 768, 1024, 0, 1, self.Draw, self.Key, self.Click, 0)
        XPLMSetWindowRefCon(self.Legacy, 6)
        XPLMTakeKeyboardFocus(self.Float)
        self.Names = {self.Legacy: 'legacy', self.Float: 'float', self.Modal: 'modal', self.Growl: 'growl'}
        print('focus', XPLMHasKeyboardFocus(self.Float), XPLMHasKeyboardFocus(self.Modal), XPLMHasKeyboardFocus(None))
        print('front', XPLMIsWindowInFront(self.Float), XPLMIsWindowInFront(self.Modal),
              XPLMIsWindowInFront(self.Legacy))
        return 'M', 'sig.m', ''
    def Draw(self, window, refcon):
        print('draw', self.Names[window], refcon)
    def Click(self, window, x, y, mouse, refcon):
        print('click', self.Names[window], x, y, mouse, refcon)
        return 1
    def Right(self, window, x, y, mouse, refcon):
        print('right', self.Names[window], x, y, mouse, refcon)
        return 1
    def Pass(self, window, *rest):
        print('pass', self.Names[window], *rest)
        return 0
    def Key(self, window, key, flags, vkey, refcon, losing):
        if flags & xplm_DownFlag:
            print('key', self.Names[window], key, vkey, refcon, losing)
    def Cursor(self, window, x, y, refcon):
        print('cursor', self.Names[window], x, y, refcon)
        return xplm_CursorArrow if window == self.Float else xplm_CursorDefault
    def Wheel(self, window, x, y, wheel, clicks, refcon):
        print('wheel', self.Names[window], x, y, wheel, clicks, refcon)
        return 1
    def BadCursor(self, window, x, y, refcon):
        return 'hand'
    def XPluginReceiveMessage(self, who, message, param):
        print('reload', BM_ReloadScript(self))
)";

TEST(ModernWindow, LayersOrderDrawingAndInputAndEachCallbackHasItsRefcon) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_M.py", kLayered);
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    bmhost::Click(200, 300);       // the modal window lets it through to the floating one
    bmhost::RightClick(200, 300);  // the modal window has no right-click callback
    bmhost::MouseWheel(200, 300, 0, 2);
    EXPECT_EQ(bmhost::CursorAt(200, 300), xplm_CursorArrow);
    bmhost::Click(650, 650);  // the growl window stops it: the legacy window below hears nothing
    bmhost::Click(50, 50);
    bmhost::PressKey('a', XPLM_VK_A);
    EXPECT_EQ(Lines(sim.Output()),
              (Lines_t{"focus 1 0 0", "front 1 1 1", "draw legacy 6", "draw float 7", "draw modal 8", "draw growl 9",
                       "pass modal 200 300 1 8", "click float 200 300 1 7", "click float 200 300 3 7",
                       "right float 200 300 1 7", "right float 200 300 3 7", "pass modal 200 300 0 2 8",
                       "wheel float 200 300 0 2 7", "cursor modal 200 300 8", "cursor float 200 300 7",
                       "click legacy 50 50 1 6", "click legacy 50 50 3 6", "key float 97 65 7 0"}));

    // A cursor answer that is no int counts as xplm_CursorDefault, reported once.
    EXPECT_EQ(bmhost::CursorAt(650, 650), xplm_CursorDefault);
    EXPECT_EQ(bmhost::CursorAt(650, 650), xplm_CursorDefault);
    EXPECT_EQ(Count(sim.Log() + sim.Output(), "BM_M.BadCursor must return an int, not str"), 1u)
        << sim.Log() << sim.Output();

    // One record a window: a reload takes all four and makes them anew, the stop takes them all.
    ASSERT_EQ(bmhost::WindowCount(), 4);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::WindowCount(), 4);
    EXPECT_EQ(Count(sim.Output(), "draw float 7"), 2u);
    bmhost::UnloadPlugins();
    EXPECT_EQ(bmhost::WindowCount(), 0);
}

// The window is made at the start; the script's messages run the window management on it, and
// report what the simulator answers.
const char kManaged[] = R"(from __future__ import print_function
from XPLMDisplay import *
class Brindlemoor:
    def XPluginStart(self):
        self.Window = XPLMCreateWindowEx(self, {
            'left': 100, 'top': 400, 'right': 300, 'bottom': 200, 'visible': 1, 'drawWindowFunc': None,
            'handleMouseClickFunc': None, 'handleKeyFunc': None, 'handleCursorFunc': None,
            'handleMouseWheelFunc': None, 'refcon': 0})
        print('handle', self.Window)
        bounds = [[], [], [], []]
        XPLMGetScreenBoundsGlobal(*bounds)
        print('screen', bounds)
        XPLMGetAllMonitorBoundsGlobal(self.Monitor, 3)
        XPLMGetAllMonitorBoundsOS(self.Monitor, 4)
        print('title', XPLMSetWindowTitle(self.Window, 'Modern'))
        XPLMSetWindowResizingLimits(self.Window, 100, 100, 400, 300)
        XPLMSetWindowResizingLimits(self.Window, 500, 100, 400, 300)
        XPLMSetWindowGravity(self.Window, 1.0, 1.0, 1.0, 1.0)
        self.Show('start')
        XPLMSetWindowGeometryVR(self.Window, 300, 300)
        XPLMSetWindowPositioningMode(self.Window, xplm_WindowPopOut, 0)
        self.Show('popped')
        XPLMSetWindowGeometryOS(self.Window, 10, 40, 30, 20)
        self.Show('moved')
        XPLMSetWindowPositioningMode(self.Window, xplm_WindowCenterOnMonitor, 2)
        self.Show('centred')
        XPLMSetWindowPositioningMode(self.Window, xplm_WindowVR, 0)
        XPLMSetWindowPositioningMode(self.Window, xplm_WindowFullScreenOnMonitor, -1)
        self.Show('full')
        XPLMSetWindowPositioningMode(self.Window, xplm_WindowPositionFree, -1)
        XPLMSetWindowGeometry(self.Window, 100, 400, 300, 200)
        try:
            XPLMCreateWindowEx(self, {'left': 1})
        except TypeError as e:
            print(e)
        try:
            XPLMCreateWindowEx(self, {'left': 1, 'colour': 2})
        except TypeError as e:
            print(e)
        print('bad layer', XPLMCreateWindowEx(self, [0, 1, 1, 0, 1, None, None, None, None, None, 0, 0, 4]))
        return 'G', 'sig.g', ''
    def Monitor(self, index, left, top, right, bottom, refcon):
        print('monitor', index, left, top, right, bottom, refcon)
    def Show(self, what):
        g, os, vr = [[], [], [], []], [[], [], [], []], [[], []]
        XPLMGetWindowGeometry(self.Window, *g)
        XPLMGetWindowGeometryOS(self.Window, *os)
        XPLMGetWindowGeometryVR(self.Window, *vr)
        print(what, g, os, vr, XPLMWindowIsPoppedOut(self.Window), XPLMWindowIsInVR(self.Window))
)";

TEST(ModernWindow, GeometryModesGravityLimitsAndTitleOfAModernWindow) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_G.py", kManaged);
    LoadBrindlemoor(true);
    Lines_t lines = Lines(sim.Output());
    ASSERT_FALSE(lines.empty());
    XPLMWindowID window = reinterpret_cast<XPLMWindowID>(std::stoll(lines[0].substr(7)));
    lines.erase(lines.begin());
    EXPECT_EQ(lines,
              (Lines_t{"screen [[0], [768], [1024], [0]]", "monitor 0 0 768 1024 0 3", "monitor 0 0 768 1024 0 4",
                       "title 1", "start [[100], [400], [300], [200]] [[100], [400], [300], [200]] [[200], [200]] 0 0",
                       "popped [[100], [400], [300], [200]] [[100], [400], [300], [200]] [[200], [200]] 1 0",
                       "moved [[100], [400], [300], [200]] [[10], [40], [30], [20]] [[200], [200]] 1 0",
                       "centred [[412], [484], [612], [284]] [[412], [484], [612], [284]] [[200], [200]] 0 0",
                       "full [[0], [768], [1024], [0]] [[0], [768], [1024], [0]] [[1024], [768]] 0 0",
                       "XPLMCreateWindowEx: the struct's field top is missing",
                       "XPLMCreateWindowEx: the struct has no field 'colour'", "bad layer 0"}));
    std::string log = bmhost::SimLog();
    for (const char* line :
         {"XPLMSetWindowResizingLimits: a minimum is above its maximum; the limits stay",
          "XPLMSetWindowGeometryVR: the window is not in VR", "XPLMSetWindowPositioningMode: VR is not available",
          "XPLMSetWindowPositioningMode: there is no monitor 2; monitor 0 is used",
          "XPLMCreateWindowEx: layer 4 is no window layer"})
        EXPECT_EQ(Count(log, std::string("[stand-in] ") + line + "\n"), 1u) << line;

    // The title is drawn on the frame; the screen grows and the window follows its edges'
    // gravity; the pilot's resizing stays within the limits.
    EXPECT_EQ(bmhost::WindowTitle(window), "Modern");
    bmhost::RunFrames(1);
    ASSERT_FALSE(bmhost::LastFrameDrawing().empty());
    EXPECT_EQ(bmhost::LastFrameDrawing().back().ToString(), "frame(100, 400, 300, 200, \"Modern\")");
    bmhost::SetScreenSize(1224, 868);
    int g[4];
    XPLMGetWindowGeometry(window, &g[0], &g[1], &g[2], &g[3]);
    EXPECT_EQ(std::vector<int>(g, g + 4), (std::vector<int>{300, 500, 500, 300}));
    bmhost::ResizeWindow(window, 300, 500, 1000, 480);
    XPLMGetWindowGeometry(window, &g[0], &g[1], &g[2], &g[3]);
    EXPECT_EQ(std::vector<int>(g, g + 4), (std::vector<int>{300, 500, 700, 400}));
    EXPECT_EQ(bmhost::WindowLayer(window), xplm_WindowLayerFloatingWindows);
}

}  // namespace
