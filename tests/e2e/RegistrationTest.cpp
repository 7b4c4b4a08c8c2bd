// Every registration a script makes is one of its own with the simulator: the same callable
// serves several data refs, loops, windows and menus, each removal takes away exactly its own
// registration, and nothing outlives the script's stop.
#include <gtest/gtest.h>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMDefs.h"
#include "XPLMDisplay.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

std::string Script(const std::string& start, const std::string& methods = "") {
    return "from __future__ import print_function\n"
           "from XPLMDefs import *\nfrom XPLMDataAccess import *\nfrom XPLMDisplay import *\n"
           "from XPLMMenus import *\nfrom XPLMProcessing import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n" +
           start + "        return 'R', 'sig.r', ''\n" + methods;
}

TEST(Registrations, OneCallableServesEachRegistrationWithItsOwnRefcon) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_R.py", Script(R"(
        self.Get = self.Read
        self.One = XPLMRegisterDataAccessor(self, 'test/one', xplmType_Int, 0, self.Get, None, None, None, None,
                                            None, None, None, None, None, None, None, 1, 0)
        self.Two = XPLMRegisterDataAccessor(self, 'test/two', xplmType_Int, 0, self.Get, None, None, None, None,
                                            None, None, None, None, None, None, None, 2, 0)
        self.Loop = self.Looped
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 10)
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 20)
)",
                                    R"(
    def Read(self, refcon):
        return refcon
    def Looped(self, since, sinceLoop, counter, refcon):
        print('loop', counter, refcon)
        return -1.0
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/one")), 1);
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/two")), 2);
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"loop 1 10", "loop 1 20"}));
    EXPECT_EQ(bmhost::FlightLoopCount(), 2);
}

TEST(Registrations, WindowsAndMenusSharingCallablesEachAnswer) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_W.py", Script(R"(
        self.Draw, self.Key, self.Mouse, self.Handler = self.Drawn, self.Keyed, self.Clicked, self.Chosen
        self.Left = XPLMCreateWindow(self, 0, 100, 100, 0, 1, self.Draw, self.Key, self.Mouse, 0)
        self.Right = XPLMCreateWindow(self, 200, 100, 300, 0, 1, self.Draw, self.Key, self.Mouse, 0)
        XPLMSetWindowRefCon(self.Right, 2)
        plugins = XPLMFindPluginsMenu()
        self.First = XPLMCreateMenu(self, 'First', plugins, XPLMAppendMenuItem(plugins, 'First', 0, 1),
                                    self.Handler, 111)
        XPLMAppendMenuItem(self.First, 'Item', 1, 1)
        self.Second = XPLMCreateMenu(self, 'Second', plugins, XPLMAppendMenuItem(plugins, 'Second', 0, 1),
                                     self.Handler, 222)
        XPLMAppendMenuItem(self.Second, 'Item', 2, 1)
)",
                                    R"(
    def Drawn(self, window, refcon):
        print('drawn', refcon)
    def Keyed(self, *args):
        pass
    def Clicked(self, window, x, y, mouse, refcon):
        if mouse == xplm_MouseDown:
            print('clicked', refcon, x)
        return 1
    def Chosen(self, menuRef, itemRef):
        print('chosen', menuRef, itemRef)
        if menuRef == 111:
            print('destroyed', XPLMDestroyMenu(self, self.First))
)"));
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    bmhost::Click(50, 50);
    bmhost::Click(250, 50);
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Second/Item"));
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/First/Item"));
    // The first menu is gone; the second still reaches its handler with its own menu ref.
    EXPECT_FALSE(bmhost::ChooseMenuItem("Plugins/First/Item"));
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Second/Item"));
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"drawn 0", "drawn 2", "clicked 0 50", "clicked 2 250", "chosen 222 2",
                                           "chosen 111 1", "destroyed 1", "chosen 222 2"}));
}

int gOtherHotKeys = 0;
void OtherPluginsHotKey(void*) { ++gOtherHotKeys; }

TEST(Registrations, UnregisteringOneOfTwoLeavesNothingBehindThatSwallowsKeysOrTheScene) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_K.py", Script(R"(
        self.Sniff, self.Draw, self.Hot = self.Sniffed, self.Drawn, self.Pressed
        XPLMRegisterKeySniffer(self, self.Sniff, 1, 1)
        XPLMRegisterKeySniffer(self, self.Sniff, 1, 2)
        XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 1, 1)
        XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 1, 2)
        self.HotKey = XPLMRegisterHotKey(self, XPLM_VK_F3, xplm_DownFlag, 'F3', self.Hot, 0)
)",
                                    R"(
    def Sniffed(self, char, flags, vkey, refcon):
        return 1
    def Drawn(self, phase, before, refcon):
        return 1
    def Pressed(self, refcon):
        pass
    def Drop(self):
        print(XPLMUnregisterKeySniffer(self, self.Sniff, 1, 2), XPLMUnregisterKeySniffer(self, self.Sniff, 1, 2))
        print(XPLMUnregisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 1, 2))
        print(XPLMCountHotKeys(), XPLMUnregisterHotKey(self, self.HotKey), XPLMCountHotKeys())
    def XPluginDisable(self):
        self.Drop()
)"));
    XPLMPluginID id = LoadBrindlemoor(true);
    // Another plug-in's hot key, registered from outside the script plug-in.
    XPLMRegisterHotKey(XPLM_VK_F5, xplm_DownFlag, "other", OtherPluginsHotKey, nullptr);
    const int held = bmhost::RegistrationCount(id);
    bmhost::DisablePlugins();
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"1 0", "1", "2 1 1"}));
    EXPECT_EQ(bmhost::DrawCallbackCount(), 1);
    EXPECT_EQ(bmhost::RegistrationCount(id), held - 3);  // a sniffer, a draw callback, the hot key
    // The plug-in is disabled now: its remaining sniffer and draw callback are not called, and
    // keys and the scene reach the rest of the simulator.
    bmhost::PressKey(0, XPLM_VK_F5);
    EXPECT_EQ(gOtherHotKeys, 1);
}

TEST(Registrations, ASubmenuOutlivesAParentTheSimulatorCouldNotDestroy) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_M.py", Script(R"(
        plugins = XPLMFindPluginsMenu()
        self.Top = XPLMCreateMenu(self, 'Top', plugins, XPLMAppendMenuItem(plugins, 'Top', 0, 1), self.Chosen, 1)
        self.Sub = XPLMCreateMenu(self, 'Sub', self.Top, XPLMAppendMenuItem(self.Top, 'Sub', 0, 1), self.Chosen, 2)
        XPLMAppendMenuItem(self.Sub, 'Item', 7, 1)
        self.Tools = XPLMCreateMenu(self, 'Tools', plugins, XPLMAppendMenuItem(plugins, 'Tools', 0, 1),
                                    self.Chosen, 3)
        XPLMAppendMenuItem(self.Tools, 'Drop the top menu', 9, 1)
)",
                                    R"(
    def Chosen(self, menuRef, itemRef):
        print('chosen', menuRef, itemRef)
        if itemRef == 9:
            print('destroyed', XPLMDestroyMenu(self, self.Top))
)"));
    LoadBrindlemoor(true);
    bmhost::FailNextCall("XPLMDestroyMenu");
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Tools/Drop the top menu"));
    // The simulator kept both menus, and the submenu still reaches its handler.
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Top/Sub/Item"));
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"chosen 3 9", "destroyed 0", "chosen 2 7"}));
    EXPECT_EQ(Count(sim.Log(), "Module - XPLMMenus, Function - XPLMDestroyMenu, Error = Parameter Error\n"), 1u);
    bmhost::UnloadPlugins();
    EXPECT_TRUE(bmhost::MenuItemPaths().empty());
}

}  // namespace
