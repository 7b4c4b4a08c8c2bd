// Scripts seeing each other through the built plug-in: finding, describing, switching off and on,
// and messaging one another.
#include <gtest/gtest.h>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDisplay.h"
#include "XPLMProcessing.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

// Scripts load in the order of their file names, A first; every script is made before the first starts.
const char kReceiver[] = R"(
from __future__ import print_function
class Brindlemoor:
    def XPluginStart(self):
        return 'Receiver', 'sig.shared', 'receives'
    def XPluginEnable(self):
        print('B enabled')
        return 1
    def XPluginReceiveMessage(self, who, message, param):
        import PythonScriptMessaging
        sender = PythonScriptMessaging.BM_GetNthScript(0)
        print('B got', message, param, who == id(sender), who > 0xFFFFFFFF)
)";

TEST(ScriptMessaging, ScriptsFindDescribeAndMessageEachOther) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", R"(
from __future__ import print_function
from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        print('at start', BM_CountScripts(), BM_FindScriptBySignature('sig.shared'))
        return 'Sender', 'sig.shared', 'sends'
    def XPluginEnable(self):
        print(BM_CountScripts(), BM_GetNthScript(0) is self, BM_GetNthScript(2), BM_GetNthScript(-1))
        receiver = BM_GetNthScript(1)
        print(BM_FindScriptBySignature('sig.shared') is self, BM_FindScriptBySignature('nobody'))
        print(BM_GetScriptInfo(receiver), BM_GetScriptInfo(object()))
        print(BM_SendMessageToScript(self, receiver, 7, 2**40), BM_SendMessageToScript(self, object(), 1, 1))
        print(BM_SendMessageToScript(self, None, 8, -1))
        return 1
    def XPluginReceiveMessage(self, who, message, param):
        print('A got', message, param, who == id(self))
)");
    sim.AddScript("BM_B.py", kReceiver);
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"at start 2 None", "2 True None None", "True None",
                                           "('Receiver', 'sig.shared', 'receives') ('', '', '')",
                                           "B got 7 1099511627776 True True", "1 1", "A got 8 -1 True",
                                           "B got 8 -1 True True", "1", "B enabled"}));
}

// A flight loop and a key sniffer that swallows every key; messages switch the script off and on.
const char kSwallower[] = R"(
from __future__ import print_function
from XPLMDisplay import *
from XPLMProcessing import *
class Brindlemoor:
    def XPluginStart(self):
        self.Loop, self.Sniff, self.loops = self.Looped, self.Sniffed, 0
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        XPLMRegisterKeySniffer(self, self.Sniff, 1, 0)
        return 'Swallower', 'sig.swallower', ''
    def XPluginEnable(self):
        print('swallower enabled')
        return 1
    def XPluginDisable(self):
        print('swallower disabled')
    def Looped(self, since, elapsed, counter, refcon):
        self.loops += 1
        return -1.0
    def Sniffed(self, char, flags, vkey, refcon):
        return 0
    def XPluginReceiveMessage(self, who, message, param):
        print('swallower got', message, self.loops)
)";

// Switches the swallower by the key it is sent as a message by the test (through the plug-in).
const char kSwitcher[] = R"(
from __future__ import print_function
from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        return 'Switcher', 'sig.switcher', ''
    def XPluginReceiveMessage(self, who, message, param):
        other = BM_FindScriptBySignature('sig.swallower')
        if message == 1:
            print('disable', BM_DisableScript(other), BM_IsScriptEnabled(other))
            print('sent', BM_SendMessageToScript(self, other, 5, 0))
        elif message == 2:
            print('enable', BM_EnableScript(other), BM_EnableScript(other), BM_IsScriptEnabled(other))
)";

int gHotKeys = 0;
void CountHotKey(void*) { ++gHotKeys; }

TEST(ScriptMessaging, ADisabledScriptIsSilentUntilEnabledAgain) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Swallower.py", kSwallower);
    sim.AddScript("BM_Switcher.py", kSwitcher);
    LoadBrindlemoor(true);
    gHotKeys = 0;
    XPLMRegisterHotKey(XPLM_VK_F6, xplm_DownFlag, "count", CountHotKey, nullptr);
    bmhost::RunFrames(2);
    bmhost::PressKey(0, XPLM_VK_F6);
    EXPECT_EQ(gHotKeys, 0);  // swallowed

    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(3);
    bmhost::PressKey(0, XPLM_VK_F6);
    EXPECT_EQ(gHotKeys, 1);  // the disabled sniffer lets keys through

    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 2, nullptr);
    bmhost::RunFrames(1);
    bmhost::PressKey(0, XPLM_VK_F6);
    EXPECT_EQ(gHotKeys, 1);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 3, nullptr);
    // Neither switch calls a lifecycle method; the loop ran 2 frames, paused 3, ran 1 more.
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"swallower enabled", "swallower got 1 2", "disable 1 0", "sent 1",
                                           "enable 0 1 1", "swallower got 3 3"}));
}

TEST(ScriptMessaging, FaultyRecipientsAreReportedAndTheOthersStillHear) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", R"(
from __future__ import print_function
from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        return 'A', 'sig.a', ''
    def XPluginEnable(self):
        print('answer', BM_SendMessageToScript(self, BM_GetNthScript(1), 1, 0))
        print('answer', BM_SendMessageToScript(self, None, 2, 0))
        return 1
    def XPluginReceiveMessage(self, who, message, param):
        raise RuntimeError('A refuses %d' % message)
)");
    sim.AddScript("BM_B.py", "class Brindlemoor:\n    def XPluginStart(self):\n        return 'B', 'sig.b', ''\n");
    sim.AddScript("BM_C.py", "from __future__ import print_function\n" + bmtest::RecorderScript("C", {"XPluginEnable"}));
    LoadBrindlemoor(true);
    std::string output = sim.Output();
    EXPECT_EQ(Count(sim.Log(), "RuntimeError: A refuses 2\n"), 1u);
    EXPECT_EQ(Count(output, "answer 1"), 2u);
    EXPECT_EQ(Count(output, "C XPluginReceiveMessage"), 1u);
    EXPECT_EQ(Count(sim.Log(), "Cannot find method XPluginReceiveMessage (BM_B)\n"), 2u);
}

// Messages sent while the scripts are still being loaded, and from a stopping script to the
// others, some of which are stopped already.
TEST(ScriptMessaging, BroadcastsWhileLoadingAndStoppingAreSafe) {
    bmtest::SimFolder sim;
    const char* broadcaster = R"(
from __future__ import print_function
from PythonScriptMessaging import *
class Brindlemoor:
    def __init__(self):
        BM_SendMessageToScript(self, None, 1, 0)
    def XPluginStart(self):
        BM_SendMessageToScript(self, None, 2, 0)
        return '%s', 'sig.%s', ''
    def XPluginStop(self):
        print('%s stopping', BM_CountScripts(), [BM_GetNthScript(i) is None for i in range(BM_CountScripts())])
        BM_SendMessageToScript(self, None, 3, 0)
    def XPluginReceiveMessage(self, who, message, param):
        print('%s got', message)
)";
    auto script = [&](const char* tag) {
        std::string text = broadcaster;
        for (std::size_t at; (at = text.find("%s")) != std::string::npos;) text.replace(at, 2, tag);
        return text;
    };
    sim.AddScript("BM_A.py", script("A"));
    sim.AddScript("BM_B.py", script("B"));
    LoadBrindlemoor(true);
    bmhost::UnloadPlugins();
    EXPECT_EQ(Lines(sim.Output()),
              (Lines_t{"A got 1", "A got 2", "B got 2", "A got 2", "B got 2", "A stopping 2 [False, False]", "A got 3", "B got 3",
                       "B stopping 2 [True, False]", "B got 3"}));
}

}  // namespace
