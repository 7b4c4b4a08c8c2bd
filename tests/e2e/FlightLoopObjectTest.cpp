// Flight loop objects, the error callback, data files and the newer simulator messages, through
// the built plug-in.
#include <gtest/gtest.h>

#include <filesystem>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Lines;
using Calls = std::vector<std::string>;

const char kHeader[] =
    "from __future__ import print_function\n"
    "from XPLMProcessing import *\n"
    "from XPLMUtilities import *\n"
    "from XPLMPlugin import *\n"
    "import sys\n";

// The loops of both phases and a registered loop; the objects are made as a dict, a tuple
// without refcon and a list. Each frame: the loops before the flight model in the order they
// were made, registrations and objects alike, then those after it.
TEST(FlightLoopObjects, RunInTheirPhaseInTheOrderTheyWereMade) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Phases.py", std::string(kHeader) + R"(
class Brindlemoor:
    def XPluginStart(self):
        self.After = XPLMCreateFlightLoop(self, {'phase': xplm_FlightLoop_Phase_AfterFlightModel,
                                                 'callbackFunc': self.Loop, 'refcon': 7})
        XPLMRegisterFlightLoopCallback(self, self.Registered, -1.0, 0)
        self.Before = XPLMCreateFlightLoop(self, (xplm_FlightLoop_Phase_BeforeFlightModel, self.Loop))
        self.Idle = XPLMCreateFlightLoop(self, [0, self.Loop, 9])
        print('made', self.After != 0, len(set([self.After, self.Before, self.Idle])))
        print('scheduled', XPLMScheduleFlightLoop(self.After, -1, 1), XPLMScheduleFlightLoop(self.Before, -1, 1))
        return 'Phases', 'sig.phases', ''
    def Registered(self, since, sinceLoop, counter, refcon):
        print('registered', counter)
        return -1.0
    def Loop(self, since, sinceLoop, counter, refcon):
        print('object', counter, refcon)
        return -1.0
)");
    LoadBrindlemoor(true);
    bmhost::RunFrames(2);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"made True 3", "scheduled 1 1", "registered 1", "object 1 0", "object 1 7",
                                          "registered 2", "object 2 0", "object 2 7"}));
    EXPECT_EQ(bmhost::FlightLoopCount(), 4);
}

// Rescheduling and destroying, from outside the loop and from inside its own callback, where
// the callback's answer wins over a schedule it made. (Other scripts' loops: the hostile sweep.)
TEST(FlightLoopObjects, ScheduledRescheduledAndDestroyedAlsoFromTheirOwnCallback) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Owner.py", std::string(kHeader) + R"(
class Brindlemoor:
    def XPluginStart(self):
        self.Own = XPLMCreateFlightLoop(self, {'phase': 1, 'callbackFunc': self.OwnLoop, 'refcon': 1})
        self.Timed = XPLMCreateFlightLoop(self, {'phase': 0, 'callbackFunc': self.TimedLoop})
        XPLMScheduleFlightLoop(self.Own, -1, 1)
        XPLMScheduleFlightLoop(self.Timed, 0.05, 0)
        return 'Owner', 'sig.owner', ''
    def OwnLoop(self, since, sinceLoop, counter, refcon):
        print('own', counter)
        if counter == 2:
            print('rescheduled', XPLMScheduleFlightLoop(self.Own, 5.0, 1))
            return -3.0
        if counter == 5:
            print('destroyed', XPLMDestroyFlightLoop(self, self.Own), XPLMDestroyFlightLoop(self, self.Own))
            print('after', XPLMScheduleFlightLoop(self.Own, -1, 1))
        return -1.0
    def TimedLoop(self, since, sinceLoop, counter, refcon):
        print('timed', counter, round(since, 3), refcon)
        return 0.0
)");
    LoadBrindlemoor(true);
    bmhost::RunFrames(8);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"own 1", "own 2", "rescheduled 1", "timed 3 0.05 0", "own 5",
                                          "destroyed 1 0", "after 0"}));
    EXPECT_EQ(bmhost::FlightLoopCount(), 1);  // the timed loop, stopped
}

// A script's loops go with it: when it is reloaded (its new instance makes new ones) and when
// the plug-in stops.
TEST(FlightLoopObjects, GoWhenTheirScriptIsReloadedOrStopped) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Reloaded.py", std::string(kHeader) + R"(
from PythonScriptMessaging import *
GENERATION = getattr(sys, 'bm_generation', 0) + 1
sys.bm_generation = GENERATION
class Brindlemoor:
    def XPluginStart(self):
        for phase in (0, 1):
            XPLMScheduleFlightLoop(XPLMCreateFlightLoop(self, {'phase': phase, 'callbackFunc': self.Loop}), -1, 1)
        XPLMSetErrorCallback(self, self.Error)
        return 'Reloaded', 'sig.reloaded', ''
    def Loop(self, since, sinceLoop, counter, refcon):
        print('loop', GENERATION)
        return -1.0
    def Error(self, message):
        pass
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            print('reload', BM_ReloadScript(self))
)");
    LoadBrindlemoor(true);
    int loops = bmhost::FlightLoopCount();
    bmhost::RunFrames(1);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(2);
    std::vector<std::string> lines = Lines(sim.Output());
    ASSERT_GE(lines.size(), 5u);
    EXPECT_EQ(Calls(lines.begin(), lines.begin() + 3), (Calls{"loop 1", "loop 1", "reload 1"}));
    EXPECT_EQ(Calls(lines.end() - 2, lines.end()), (Calls{"loop 2", "loop 2"}));
    // In the frame of the reload the old before-phase loop still ran; its after-phase loop went
    // with the reload, made by the plug-in's own loop in between.
    EXPECT_EQ(bmtest::Count(sim.Output(), "loop 1\n"), 3u);
    EXPECT_EQ(bmhost::FlightLoopCount(), loops);
    int destroyed = 0;
    bmhost::SetSdkCallListener([&](const char* function) { destroyed += std::string(function) == "XPLMDestroyFlightLoop"; });
    bmhost::UnloadPlugins();
    bmhost::SetSdkCallListener(nullptr);
    EXPECT_EQ(destroyed, 2);
}

// The simulator's reports on a script's calls reach that script's error callback (also one the
// script gave again, replacing the first), and no other script's.
TEST(ErrorCallback, HearsTheSimulatorsReportsOnTheScriptsOwnCalls) {
    bmtest::SimFolder sim;
    std::string script = R"(
class Brindlemoor:
    def XPluginStart(self):
        print(TAG, 'set', XPLMSetErrorCallback(self, print), XPLMSetErrorCallback(self, self.Heard))
        return TAG, 'sig.' + TAG, ''
    def Heard(self, message):
        print(TAG, 'heard', message)
    def XPluginReceiveMessage(self, who, message, param):
        if message == MESSAGE:
            XPLMCommandKeyStroke(9999)
            print(TAG, 'load', XPLMLoadDataFile(7, 'x.sit'))
            print(TAG, 'removed', XPLMSetErrorCallback(self, None), XPLMSetErrorCallback(self, None))
            XPLMCommandKeyStroke(9998)
)";
    sim.AddScript("BM_A.py", kHeader + std::string("TAG, MESSAGE = 'A', 1\n") + script);
    sim.AddScript("BM_B.py", kHeader + std::string("TAG, MESSAGE = 'B', 2\n") + script);
    LoadBrindlemoor(true);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    EXPECT_EQ(Lines(sim.Output()),
              (Calls{"A set 1 1", "B set 1 1", "A heard XPLMCommandKeyStroke: no command key 9999",
                     "A heard XPLMLoadDataFile: no data file type 7", "A load 0", "A removed 1 0"}));
    EXPECT_NE(bmhost::SimLog().find("[stand-in] XPLMCommandKeyStroke: no command key 9998\n"), std::string::npos);
}

// Situations and replays under the simulator folder: saved, loaded (a situation is a new flight),
// the replay cleared; a missing file loads nothing.
TEST(DataFiles, SavedAndLoadedUnderTheSimulatorFolder) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Files.py", std::string(kHeader) + R"(
class Brindlemoor:
    def XPluginStart(self):
        return 'Files', 'sig.files', ''
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            print('save', XPLMSaveDataFile(xplm_DataFile_Situation, 'Output/a.sit'),
                  XPLMSaveDataFile(xplm_DataFile_ReplayMovie, 'b.smo'), XPLMSaveDataFile(1, 'no/such/d.sit'))
            print('load', XPLMLoadDataFile(1, 'Output/a.sit'), XPLMLoadDataFile(2, 'b.smo'),
                  XPLMLoadDataFile(2, None), XPLMLoadDataFile(1, None), XPLMLoadDataFile(1, 'missing.sit'))
        elif message == XPLM_MSG_AIRPORT_LOADED:
            print('new flight')
)");
    std::filesystem::create_directories(sim.Root() + "/Output");
    LoadBrindlemoor(true);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"save 1 1 0", "load 1 1 1 0 0", "new flight"}));
    EXPECT_EQ(bmhost::DataFileEvents(), (Calls{"save situation Output/a.sit", "save replay b.smo",
                                               "load situation Output/a.sit", "load replay b.smo", "clear replay"}));
    EXPECT_EQ(bmtest::ReadFile(sim.Root() + "/Output/a.sit"), "stand-in situation\n");
    EXPECT_NE(bmhost::SimLog().find("[stand-in] XPLMLoadDataFile: a situation needs a path\n"), std::string::npos);
}

// Shutting down, the plug-in's scripts hear that the simulator writes its preferences before
// anything is disabled; an aircraft's livery is announced after the aircraft.
TEST(SimulatorMessages, PreferencesBeforeDisablingAndLiveriesAfterAircraft) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Heard.py", "from __future__ import print_function\n" + bmtest::RecorderScript("H"));
    LoadBrindlemoor(true);
    bmhost::ChangeLivery(0);
    bmhost::Shutdown();
    EXPECT_EQ(Lines(sim.Output()), (Calls{"H XPluginStart", "H XPluginEnable", "H XPluginReceiveMessage 0 108 0x0",
                                          "H XPluginReceiveMessage 0 107 0x0", "H XPluginDisable", "H XPluginStop"}));
}

}  // namespace
