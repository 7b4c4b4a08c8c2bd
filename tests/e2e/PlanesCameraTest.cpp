// Scripts and the two resources they share with every plug-in: the other aircraft and the
// camera. The recorder plug-in competes for them.
#include <gtest/gtest.h>

#include <algorithm>

#include "LoadPlugin.h"
#include "RecorderPlugin.h"
#include "TestSupport.h"
#include "XPLMCamera.h"
#include "XPLMPlanes.h"
#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

// A script that does `message_N` when the simulator sends it message N.
std::string Script(const std::string& tag, const std::string& start, const std::string& methods) {
    return "from __future__ import print_function\n"
           "from XPLMCamera import *\nfrom XPLMPlanes import *\nfrom XPLMDisplay import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n" +
           start + "        return '" + tag + "', 'sig." + tag + "', ''\n" +
           "    def XPluginReceiveMessage(self, who, message, param):\n"
           "        method = getattr(self, 'message_%d' % message, None)\n"
           "        if method: method()\n" +
           methods;
}

// Each script moves the camera to its own x; the last to ask is the one the simulator calls.
std::string CameraScript(const std::string& tag, int x) {
    return Script(tag, "        self.Camera = self.Moved\n",
                  "    def message_1(self):\n"
                  "        print('" + tag + " controls', XPLMControlCamera(self, xplm_ControlCameraForever, self.Camera, " +
                      std::to_string(x) + "))\n"
                  "    def message_2(self):\n"
                  "        print('" + tag + " lets go', XPLMDontControlCamera(self), XPLMIsCameraBeingControlled())\n"
                  "    def Moved(self, position, losing, refcon):\n"
                  "        print('" + tag + " moves', losing, len(position) if position else position)\n"
                  "        if position:\n"
                  "            position[0] = float(refcon)\n"
                  "            position[6] = 2.0\n"
                  "        return 1\n");
}

// Asks on message 3 until the view changes, and lets go on message 4.
std::string UntilViewChanges() {
    return Script("B", "        self.Camera = self.Moved\n",
                  "    def message_3(self):\n"
                  "        print('B controls', XPLMControlCamera(self, xplm_ControlCameraUntilViewChanges, self.Camera, 200))\n"
                  "    def message_4(self):\n"
                  "        print('B lets go', XPLMDontControlCamera(self), XPLMIsCameraBeingControlled())\n"
                  "    def Moved(self, position, losing, refcon):\n"
                  "        print('B moves', losing)\n"
                  "        if position:\n"
                  "            position[0] = float(refcon)\n"
                  "        return 1\n");
}

TEST(Camera, TheSimulatorLetsGoOfTheCameraWithTheLastScript) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", CameraScript("A", 100));
    sim.AddScript("BM_B.py", UntilViewChanges());
    XPLMPluginID id = LoadBrindlemoor(true);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);  // A asks
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 3, nullptr);  // B asks: B is called
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::CameraController(), id);
    EXPECT_EQ(bmhost::CameraPosition().x, 200.0f);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 4, nullptr);  // B lets go: A is called again
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::CameraPosition().x, 100.0f);
    EXPECT_EQ(bmhost::CameraPosition().zoom, 2.0f);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 2, nullptr);  // the last lets go
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"A controls 1", "B controls 1", "B moves 0", "B lets go 1 2",
                                           "A moves 0 7", "A lets go 1 0"}));
}

TEST(Camera, TheFirstOfTwoScriptsLettingGoLeavesTheSimulatorAlone) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", CameraScript("A", 100));
    sim.AddScript("BM_B.py", Script("B", "", "    def message_5(self):\n"
                                            "        self.Camera = self.Moved\n"
                                            "        XPLMControlCamera(self, xplm_ControlCameraForever, self.Camera, 300)\n"
                                            "        XPLMControlCamera(self, xplm_ControlCameraForever, self.Camera, 300)\n"
                                            "    def Moved(self, position, losing, refcon):\n"
                                            "        position[0] = 300.0\n"
                                            "        return 1\n"));
    XPLMPluginID id = LoadBrindlemoor(true);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 5, nullptr);  // B asks, twice: one record
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);  // A asks last
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 2, nullptr);  // A lets go: B's turn
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::CameraController(), id);
    EXPECT_EQ(bmhost::CameraPosition().x, 300.0f);
    // Stopping the scripts gives the camera back.
    bmhost::UnloadPlugins();
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
}

// The pilot took the camera back: a script letting go then hands nothing on to the others.
TEST(Camera, AfterAViewChangeTheCameraStaysWithThePilot) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", CameraScript("A", 100));
    sim.AddScript("BM_B.py", UntilViewChanges());
    LoadBrindlemoor(true);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 3, nullptr);
    bmhost::RunFrames(1);
    ASSERT_TRUE(bmhost::ChangeView("tower"));
    bmhost::RunFrames(1);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 4, nullptr);
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"A controls 1", "B controls 1", "B moves 0", "B moves 1", "B lets go 1 0"}));
}

TEST(Camera, ThePositionIsAppendedAndAViewChangeIsHeard) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_B.py", Script("B", R"(
        self.Camera = self.Moved
        XPLMControlCamera(self, xplm_ControlCameraUntilViewChanges, self.Camera, 0)
        position = [1]
        print(XPLMReadCameraPosition(position), XPLMReadCameraPosition(position), len(position), position[0])
        print(XPLMIsCameraBeingControlled() == xplm_ControlCameraUntilViewChanges)
)",
                                    "    def Moved(self, position, losing, refcon):\n"
                                    "        print('moves', losing, position)\n"
                                    "        return 1\n"));
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChangeView("chase"));
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"(1,) (1,) 15 1", "True", "moves 1 0"}));
}

// ---- The other aircraft ----

std::string PlanesScript() {
    return Script("P", "        self.Free = self.Available\n",
                  R"(    def message_1(self):
        print('acquire', XPLMAcquirePlanes(self, ['', 'Aircraft/Extra/Extra.acf'], self.Free, 7))
    def message_2(self):
        print('release', XPLMReleasePlanes(self))
    def Available(self, refcon):
        print('available', refcon, XPLMAcquirePlanes(self, None, self.Free, 8))
)");
}

int gReleases = 0;

TEST(Planes, ScriptsWaitForTheOtherAircraftAndGiveThemBack) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_P.py", PlanesScript());
    XPLMPluginID recorder = bmhost::LoadPlugin(BM_RECORDER_PLUGIN_PATH);
    XPLMPluginID id = LoadBrindlemoor(true);
    gReleases = 0;
    bmhost::SetSdkCallListener([](const char* function) { gReleases += std::string(function) == "XPLMReleasePlanes"; });

    // Releasing what it never asked for gives the simulator the aircraft back all the same.
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 2, nullptr);
    EXPECT_EQ(gReleases, 1);

    XPLMSendMessageToPlugin(recorder, bmrecorder::kAcquirePlanes, nullptr);  // the recorder takes them
    EXPECT_EQ(bmhost::PlanesHolder(), recorder);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);  // refused: the script waits
    EXPECT_EQ(bmhost::PlanesWaiting(), std::vector<XPLMPluginID>{id});
    XPLMSendMessageToPlugin(recorder, bmrecorder::kReleasePlanes, nullptr);  // free again: the script is told
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::PlanesHolder(), id);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);  // again, with models
    EXPECT_EQ(bmhost::AircraftModel(2), "Aircraft/Extra/Extra.acf");
    EXPECT_NE(bmhost::AircraftModel(1), "");

    // Stopping the scripts gives them back.
    int before = gReleases;
    bmhost::UnloadPlugins();
    bmhost::SetSdkCallListener(nullptr);
    EXPECT_EQ(gReleases, before + 1);
    EXPECT_EQ(bmhost::PlanesHolder(), XPLM_NO_PLUGIN_ID);
    std::vector<std::string> lines = Lines(sim.Output());
    EXPECT_EQ(lines, (Lines_t{"release 1", "acquire 0", "available 7 1", "acquire 1"}));
}

TEST(Planes, ModelsCountsAndDrawing) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_P.py", Script("P", R"(
        print(XPLMCountAircraft(), XPLM_USER_AIRCRAFT)
        self.file, self.path = XPLMGetNthAircraftModel(0)
        print(self.file, self.path.endswith('/Aircraft/General Aviation/Cessna 172SP/Cessna_172SP.acf'))
        self.Draw = self.Drawn
        XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 0, 0)
)",
                                    R"(
    def Drawn(self, phase, before, refcon):
        state = [44, 1.0, 0.5, 0.0, 0.0, 0.0, 0.0, 0.8, 0.1, 0.2, 0.3]
        answers = [XPLMDrawAircraft(1, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 1, state)]
        for bad in (state[:10], [45] + state[1:], [44, 'x'] + state[2:], 7):
            try:
                XPLMDrawAircraft(1, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 1, bad)
            except (TypeError, ValueError) as e:
                answers.append(type(e).__name__)
        if not hasattr(self, 'drawn'):
            self.drawn = print(answers)
        return 1
)"));
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"(8, 3, -1) 0", "Cessna_172SP.acf True",
                                           "[1, 'ValueError', 'ValueError', 'TypeError', 'TypeError']"}));
    const auto& drawing = bmhost::LastFrameDrawing();
    auto op = std::find_if(drawing.begin(), drawing.end(), [](const bmhost::DrawOp& d) { return d.call == "XPLMDrawAircraft"; });
    ASSERT_NE(op, drawing.end());
    EXPECT_EQ(op->numbers.size(), 19u);
    EXPECT_EQ(op->numbers[8], 44.0);  // the size from the sequence's first number
    EXPECT_EQ(float(op->numbers[18]), 0.3f);
}

}  // namespace
