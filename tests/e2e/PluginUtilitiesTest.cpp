// Scripts and the simulator's plug-ins, through the built plug-in: finding and describing them,
// messages in both directions, and what the simulator sends after work a script asked for.
#include <gtest/gtest.h>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

// A script whose flight loop runs `body` once, on the first frame.
std::string OnFirstFrame(const std::string& body, const std::string& methods = "") {
    return "from __future__ import print_function\n"
           "from XPLMDefs import *\nfrom XPLMPlugin import *\nfrom XPLMProcessing import *\nfrom XPLMUtilities import *\n"
           "try:\n    long\nexcept NameError:\n    long = int\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        self.Loop = self.Once\n"
           "        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)\n"
           "        return 'P', 'sig.p', ''\n"
           "    def Once(self, since, elapsed, counter, refcon):\n" +
           body + "        return 0.0\n" + methods;
}

TEST(Plugins, ScriptsFindAndDescribeTheSimulatorsPlugins) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_P.py", OnFirstFrame(R"(
        me = XPLMGetMyID()
        print(XPLMCountPlugins(), XPLMGetNthPlugin(0) == me, XPLMGetNthPlugin(7))
        print(XPLMFindPluginBySignature('tallowbridge.projects.brindlemoor') == me,
              XPLMFindPluginBySignature('nobody'), XPLMIsPluginEnabled(me))
        name, path, signature = [], ['old', 'kept'], ['x']
        print(XPLMGetPluginInfo(me, name, path, signature, None))
        print(name, path[1], path[0].endswith('lin.xpl'), signature)
        print(XPLMFindPluginByPath(path[0]) == me)
)"));
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"1 True -1", "True -1 1", "1",
                                           "['Brindlemoor'] kept True ['tallowbridge.projects.brindlemoor']",
                                           "True"}));
}

// A long travels as the pointer's value at full width; under 2.7 a plain int is refused, since a
// receiver would take it for an address (under 3 every integer is a long).
TEST(Plugins, MessagesToPluginsCarryALongOrAString) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_P.py", OnFirstFrame(R"(
        print(XPLMSendMessageToPlugin(XPLM_NO_PLUGIN_ID, 0x7F000001, long(0x123456789)))
        print(XPLMSendMessageToPlugin(XPLM_NO_PLUGIN_ID, 0x7F000002, 7))
        print(XPLMSendMessageToPlugin(XPLM_NO_PLUGIN_ID, 0x7F000003, 'text') == 1)
        recorder = XPLMFindPluginBySignature('brindlemoor.test.recorder')
        XPLMSendMessageToPlugin(recorder, 0x00F00001, u'h\xe9llo')
        for refused in (None, 7.5, [7]):
            print(XPLMSendMessageToPlugin(XPLM_NO_PLUGIN_ID, 0x7F000004, refused))
)",
                                          R"(
    def XPluginReceiveMessage(self, who, message, param):
        print('got 0x%x from %d:' % (message, who), hex(param) if message != 0x7F000003 else param != 0)
)"));
    LoadBrindlemoor(false);
    bmhost::LoadPlugin(BM_RECORDER_PLUGIN_PATH);
    bmhost::EnablePlugins();
    bmhost::RunFrames(1);
    // The other plug-in reads the string's characters (UTF-8) during the call.
    EXPECT_EQ(Count(bmtest::RecorderLog(), "from 1 message 2130706433 param 4886718345\n"), 1u);
    EXPECT_EQ(Count(bmtest::RecorderLog(), "from 1 message 15728641 text \"h\xc3\xa9llo\"\n"), 1u);
    Lines_t expected{"got 0x7f000001 from 1: 0x123456789", "1"};
    if (BM_PYTHON_MAJOR == 2)
        expected.push_back("0");
    else
        expected.insert(expected.end(), {"got 0x7f000002 from 1: 0x7", "1"});
    expected.insert(expected.end(), {"got 0x7f000003 from 1: True", "True", "0", "0", "0"});
    EXPECT_EQ(Lines(sim.Output()), expected) << sim.Log();
    EXPECT_EQ(Count(sim.Log(), "Module - XPLMPlugin, Function - XPLMSendMessageToPlugin, Error = Parameter Error\n"),
              BM_PYTHON_MAJOR == 2 ? 4u : 3u);
}

// The simulator answers work a script asks for once the script's callback has returned: the
// scenery's message, and the plug-in disabling itself.
TEST(Plugins, WhatTheSimulatorDoesAfterTheCallbackReturned) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_P.py", OnFirstFrame(R"(
        print('reload', XPLMReloadScenery())
        print('disable', XPLMDisablePlugin(XPLMGetMyID()), XPLMIsPluginEnabled(XPLMGetMyID()))
)",
                                          R"(
    def XPluginReceiveMessage(self, who, message, param):
        print('message', who, message == XPLM_MSG_SCENERY_LOADED)
    def XPluginDisable(self):
        print('disabled')
)"));
    XPLMPluginID id = LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"reload 1", "disable 1 1", "message 0 True", "disabled"}));
    EXPECT_EQ(XPLMIsPluginEnabled(id), 0);
    // Enabled again, it hears the next message.
    EXPECT_EQ(XPLMEnablePlugin(id), 1);
    bmhost::RunAsPlugin(id, [] { XPLMSendMessageToPlugin(XPLM_NO_PLUGIN_ID, XPLM_MSG_SCENERY_LOADED, nullptr); });
    EXPECT_EQ(Lines(sim.Output()).back(), "message 1 True");
}

}  // namespace
