// Scripts drawing, owning windows and hot keys through the built plug-in.
#include <gtest/gtest.h>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDefs.h"
#include "XPLMDisplay.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

std::string Script(const std::string& start, const std::string& methods = "") {
    return "from __future__ import print_function\n"
           "from XPLMDefs import *\nfrom XPLMDisplay import *\nfrom XPLMGraphics import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n" +
           start + "        return 'D', 'sig.d', ''\n" + methods;
}

TEST(Display, OutParametersOfScreenAndWindows) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_D.py", Script(R"(
        width, height = [], []
        print(XPLMGetScreenSize(width, height), width, height)
        width = []
        XPLMGetScreenSize(width, None)
        print(width)
        self.Draw = self.DrawWindow
        self.Window = XPLMCreateWindow(self, 10, 200, 110, 100, 1, self.Draw, self.Draw, self.Draw, 5)
        print(self.Window > 0xFFFFFFFF, XPLMGetWindowRefCon(self.Window))
        geometry = [[1, 2], [1, 2], [1, 2], [1, 2]]
        print(XPLMGetWindowGeometry(self.Window, *geometry), geometry)
        print(XPLMSetWindowGeometry(self.Window, 20, 220, 140, 120), XPLMGetWindowIsVisible(self.Window))
        left, top, right, bottom = [], [], [], []
        XPLMGetWindowGeometry(self.Window, left, top, right, bottom)
        print(left, top, right, bottom)
)",
                                    R"(
    def DrawWindow(self, window, refcon):
        print('draw', window == self.Window, refcon)
        XPLMDrawTranslucentDarkBox(20, 220, 140, 120)
        XPLMDrawString((1.0, 0.5, 0.25), 24, 200, 'hello', 0, xplmFont_Basic)
        XPLMDrawString((1.0, 1.0, 1.0), 24, 180, 'wrapped text', 100, xplmFont_Basic)
        XPLMSetWindowRefCon(window, 5)
)"));
    LoadBrindlemoor(true);
    bmhost::RunFrames(2);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"1 [1024] [768]", "[1024]", "True 0", "1 [[10, 2], [200, 2], [110, 2], [100, 2]]",
                                           "1 1", "[20] [220] [140] [120]", "draw True 0", "draw True 5"}));
    std::vector<std::string> drawn;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
        if (op.phase == -1) drawn.push_back(op.ToString());
    EXPECT_EQ(drawn, (Lines_t{"XPLMDrawTranslucentDarkBox(20, 220, 140, 120)",
                              "XPLMDrawString(1, 0.5, 0.25, 24, 200, 0, 0, \"hello\")",
                              "XPLMDrawString(1, 1, 1, 24, 180, 100, 0, \"wrapped text\")"}));
}

TEST(Display, WindowsAndDrawCallbacksFoundByTheirOwnRecords) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", Script(R"(
        self.Draw = self.DrawPhase
        self.Window = self.DrawWindow
        print('registered', XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 0, 1))
        self.First = XPLMCreateWindow(self, 0, 100, 100, 0, 1, self.Window, self.Window, self.Window, 0)
        self.Second = XPLMCreateWindow(self, 0, 100, 100, 0, 1, self.Window, self.Window, self.Window, 0)
)",
                                    R"(
    def DrawPhase(self, phase, before, refcon):
        print('A phase', phase, before, refcon)
        return 1
    def DrawWindow(self, window, refcon):
        print('A window', window == self.First)
    def XPluginDisable(self):
        print('unregistered', XPLMUnregisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 0, 1))
        print('destroyed', XPLMDestroyWindow(self, self.Second))
)"));
    sim.AddScript("BM_B.py", Script(R"(
        self.Draw = self.DrawPhase
        XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 0, 2)
)",
                                    R"(
    def DrawPhase(self, phase, before, refcon):
        print('B phase', phase, before, refcon)
        return 1
    def XPluginStop(self):
        print('unregistered', XPLMUnregisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 0, 2))
)"));
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    // The second window shares the first's callables and is drawn all the same.
    EXPECT_EQ(Lines(sim.Output()),
              (Lines_t{"registered 1", "A phase 20 0 1", "B phase 20 0 2", "A window True", "A window False"}));
    ASSERT_EQ(bmhost::DrawCallbackCount(), 2);
    ASSERT_EQ(bmhost::WindowCount(), 2);
    bmhost::DisablePlugins();  // A's draw callback goes from the simulator at once; B's stays
    EXPECT_EQ(bmhost::DrawCallbackCount(), 1);
    EXPECT_EQ(bmhost::WindowCount(), 1);
    bmhost::UnloadPlugins();
    EXPECT_EQ(Count(sim.Output(), "unregistered 1"), 2u);
    EXPECT_EQ(Count(sim.Output(), "destroyed 1"), 1u);
}

TEST(Display, HotKeysAndKeySniffersFromScripts) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_K.py", Script(R"(
        self.Hot = self.HotKey
        self.Sniff = self.Sniffer
        self.Equal = XPLMRegisterHotKey(self, XPLM_VK_NUMPAD_EQ, xplm_DownFlag, 'Numpad equal', self.Hot, 1)
        self.F2 = XPLMRegisterHotKey(self, XPLM_VK_F2, xplm_DownFlag, 'F2', self.Hot, 2)
        XPLMRegisterKeySniffer(self, self.Sniff, 1, 3)
        vkey, flags, description, plugin = [], [], [], []
        print(XPLMGetHotKeyInfo(self.Equal, vkey, flags, description, plugin), vkey, flags, description)
        print(XPLMCountHotKeys(), XPLMGetNthHotKey(1) == self.F2)
)",
                                    R"(
    def HotKey(self, refcon):
        print('hot key', refcon)
    def Sniffer(self, char, flags, vkey, refcon):
        if flags & xplm_DownFlag:
            print('sniffed', char, flags, vkey, refcon)
        return 1
)"));
    LoadBrindlemoor(true);
    bmhost::PressKey('=', XPLM_VK_NUMPAD_EQ);
    bmhost::PressKey(0, XPLM_VK_F2);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"1 [189] [8] ['Numpad equal']", "2 True", "sniffed 61 8 189 3",
                                           "hot key 1", "sniffed 0 8 113 3", "hot key 2"}));
}

TEST(Display, GraphicsFromScripts) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_G.py", Script(R"(
        print(XPLMSetGraphicsState(0, 1, 0, 0, 1, 0, 0))
        numbers = [99]
        print(XPLMGenerateTextureNumbers(numbers, 3), numbers)
        XPLMGenerateTextureNumbers(numbers, 0)
        print(len(numbers), XPLMGetTexture(xplm_Tex_GeneralInterface) != 0)
        local = XPLMWorldToLocal(47.4647, -122.3088, 10.0)
        print(local, XPLMLocalToWorld(0.0, 10.0, 0.0))
        height = []
        print(XPLMGetFontDimensions(xplmFont_Basic, None, height, None), height)
        try:
            XPLMDrawString(1.0, 1.0, 1.0, 10, 10, 'flat colour', 0, xplmFont_Basic)
        except TypeError:
            print('TypeError')
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"0", "1 [99, 1, 2, 3]", "4 True", "(0.0, 10.0, 0.0) (47.4647, -122.3088, 10.0)",
                                           "1 [10]", "TypeError"}));
}

}  // namespace
