// The stand-in's aircraft and camera: who holds the other aircraft and who waits for them, the
// models in the slots, the messages that loading sends, and who controls the camera when.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "RecorderPlugin.h"
#include "XPLMCamera.h"
#include "XPLMDisplay.h"
#include "XPLMPlanes.h"
#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace {

using Lines = std::vector<std::string>;

using namespace bmrecorder;

// Plug-ins that tests play with RunAsPlugin; the recorder, loaded first, is plug-in 1.
constexpr XPLMPluginID kPilot = 7, kRival = 8;

std::vector<std::string> gHeard;

class AircraftStandIn : public ::testing::Test {
protected:
    void SetUp() override { gHeard.clear(); }

    XPLMPluginID LoadRecorder() {
        std::string error;
        XPLMPluginID id = bmhost::LoadPlugin(BM_RECORDER_PLUGIN_PATH, &error);
        EXPECT_EQ(id, 1) << error;
        bmhost::EnablePlugins();
        return id;
    }
    // What the recorder wrote down since the last call.
    Lines Recorded() {
        std::string log = bmtest::RecorderLog();
        Lines lines = bmtest::Lines(log.substr(seen_));
        seen_ = log.size();
        return lines;
    }
    static void Tell(XPLMPluginID plugin, int message, void* param = nullptr) {
        XPLMSendMessageToPlugin(plugin, message, param);
    }
    static bool Warned(const std::string& text) {
        return bmhost::SimLog().find("[stand-in] " + text + "\n") != std::string::npos;
    }

    bmtest::SimFolder sim_;
    std::size_t seen_ = 0;
};

std::string Model(int index, std::string* fileName = nullptr) {
    char name[256], path[512];
    XPLMGetNthAircraftModel(index, name, path);
    if (fileName) *fileName = name;
    return path;
}

// ---- Aircraft ----

TEST_F(AircraftStandIn, AcquiringLoadsModelsIntoTheSlotsAfterTheUsersAndAnnouncesThem) {
    int total = 0, active = 0;
    XPLMPluginID controller = 0;
    XPLMCountAircraft(&total, &active, &controller);
    EXPECT_EQ(total, 8);
    EXPECT_EQ(active, 3);
    EXPECT_EQ(controller, XPLM_NO_PLUGIN_ID);
    std::string file;
    EXPECT_EQ(Model(0, &file), sim_.Root() + "Aircraft/General Aviation/Cessna 172SP/Cessna_172SP.acf");
    EXPECT_EQ(file, "Cessna_172SP.acf");
    char name[256] = "stale", path[512] = "stale";
    XPLMGetNthAircraftModel(8, name, path);
    EXPECT_EQ(std::string(name) + path, "");

    LoadRecorder();
    std::string full = sim_.Root() + "Aircraft/Heavy/Jumbo/jumbo.acf";
    std::vector<char*> models = {const_cast<char*>("Aircraft/Light/Cub/cub.acf"), const_cast<char*>(""),
                                 full.data(), const_cast<char*>("/elsewhere/Glider/glider.acf"), nullptr};
    std::string before2 = bmhost::AircraftModel(2);
    int granted = -1;
    bmhost::RunAsPlugin(kPilot, [&] { granted = XPLMAcquirePlanes(models.data(), nullptr, nullptr); });
    bmhost::RunFrames(1);  // the messages arrive once no plug-in code runs
    EXPECT_EQ(granted, 1);
    EXPECT_EQ(bmhost::PlanesHolder(), kPilot);
    XPLMCountAircraft(nullptr, nullptr, &controller);
    EXPECT_EQ(controller, kPilot);

    EXPECT_EQ(bmhost::AircraftModel(1), "Aircraft/Light/Cub/cub.acf");
    EXPECT_EQ(bmhost::AircraftModel(2), before2);  // "" leaves the slot as it was
    EXPECT_EQ(bmhost::AircraftModel(3), "Aircraft/Heavy/Jumbo/jumbo.acf");
    EXPECT_EQ(bmhost::AircraftModel(4), "/elsewhere/Glider/glider.acf");
    EXPECT_EQ(Model(1, &file), sim_.Root() + "Aircraft/Light/Cub/cub.acf");
    EXPECT_EQ(file, "cub.acf");
    EXPECT_EQ(Model(4, &file), "/elsewhere/Glider/glider.acf");
    EXPECT_EQ(file, "glider.acf");
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 106 param 1", "from 0 message 102 param 1", "from 0 message 108 param 1",
                                 "from 0 message 106 param 3", "from 0 message 102 param 3", "from 0 message 108 param 3",
                                 "from 0 message 106 param 4", "from 0 message 102 param 4",
                                 "from 0 message 108 param 4"}));

    // The holder asks again: granted, and a list longer than the seven slots stops at them.
    std::vector<char*> many(9, const_cast<char*>("Aircraft/Many/m.acf"));
    many.push_back(nullptr);
    bmhost::RunAsPlugin(kPilot, [&] { granted = XPLMAcquirePlanes(many.data(), nullptr, nullptr); });
    bmhost::RunFrames(1);
    EXPECT_EQ(granted, 1);
    EXPECT_EQ(bmhost::AircraftModel(7), "Aircraft/Many/m.acf");
    EXPECT_TRUE(Warned("XPLMAcquirePlanes: more aircraft than the 7 other slots; the rest are not loaded"));
    EXPECT_EQ(Recorded().size(), 21u);  // three messages for each of the seven slots

    // In the classic form of paths, read and written so.
    bmhost::SetClassicPaths(true);
    std::string classic = "Disk" + sim_.Root() + "Aircraft/Classic/c.acf";
    std::replace(classic.begin(), classic.end(), '/', ':');
    bmhost::RunAsPlugin(kPilot, [&] { XPLMSetAircraftModel(5, classic.c_str()); });
    EXPECT_EQ(bmhost::AircraftModel(5), "Aircraft/Classic/c.acf");
    EXPECT_EQ(Model(5, &file), classic);
    EXPECT_EQ(file, "c.acf");
    bmhost::SetClassicPaths(false);

    // Asking from outside any plug-in gets nothing.
    EXPECT_EQ(XPLMAcquirePlanes(nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(Warned("XPLMAcquirePlanes: called outside any plug-in"));
}

void PilotWaits(void*) { gHeard.push_back("pilot called as " + std::to_string(XPLMGetMyID())); }
void RivalTakesThem(void*) {
    gHeard.push_back("rival called as " + std::to_string(XPLMGetMyID()));
    gHeard.push_back("rival acquires " + std::to_string(XPLMAcquirePlanes(nullptr, nullptr, nullptr)));
}
void TakeAndLetGo(void*) {
    gHeard.push_back("pilot takes " + std::to_string(XPLMAcquirePlanes(nullptr, nullptr, nullptr)) + " and lets go");
    XPLMReleasePlanes();
}

TEST_F(AircraftStandIn, RefusedPluginsWaitInLineUntilTheHolderReleases) {
    XPLMPluginID recorder = LoadRecorder();
    Tell(recorder, kAcquirePlanes);
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 15728642 param 0", "acquire 1"}));

    int answer = -1;
    bmhost::RunAsPlugin(kPilot, [&] { answer = XPLMAcquirePlanes(nullptr, PilotWaits, nullptr); });
    EXPECT_EQ(answer, 0);
    bmhost::RunAsPlugin(kRival, [&] { answer = XPLMAcquirePlanes(nullptr, RivalTakesThem, nullptr); });
    EXPECT_EQ(answer, 0);
    bmhost::RunAsPlugin(kPilot, [&] { XPLMAcquirePlanes(nullptr, PilotWaits, nullptr); });  // keeps its place
    bmhost::RunAsPlugin(9, [&] { XPLMAcquirePlanes(nullptr, nullptr, nullptr); });  // no callback: not in line
    EXPECT_EQ(bmhost::PlanesWaiting(), (std::vector<XPLMPluginID>{kPilot, kRival}));

    // Only the holder's release counts.
    bmhost::RunAsPlugin(kRival, [] { XPLMReleasePlanes(); });
    XPLMReleasePlanes();
    EXPECT_EQ(bmhost::PlanesHolder(), recorder);
    EXPECT_TRUE(gHeard.empty());

    // The pilot, first in line, does not take them: the rival, next, does.
    Tell(recorder, kReleasePlanes);
    EXPECT_EQ(gHeard, (Lines{"pilot called as 7", "rival called as 8", "rival acquires 1"}));
    EXPECT_EQ(bmhost::PlanesHolder(), kRival);
    EXPECT_TRUE(bmhost::PlanesWaiting().empty());
}

TEST_F(AircraftStandIn, DisablingOrUnloadingTheHolderHandsTheAircraftOn) {
    XPLMPluginID recorder = LoadRecorder();
    Tell(recorder, kAcquirePlanes);
    bmhost::RunAsPlugin(kPilot, [] { XPLMAcquirePlanes(nullptr, TakeAndLetGo, nullptr); });
    bmhost::RunAsPlugin(kRival, [] { XPLMAcquirePlanes(nullptr, RivalTakesThem, nullptr); });
    XPLMDisablePlugin(recorder);
    // A callback that takes and lets go again passes the aircraft on to the next in line.
    EXPECT_EQ(gHeard, (Lines{"pilot takes 1 and lets go", "rival called as 8", "rival acquires 1"}));
    EXPECT_EQ(bmhost::PlanesHolder(), kRival);

    // The disabled recorder left the line; enabled again, it waits, and the holder's unloading
    // calls it.
    XPLMEnablePlugin(recorder);
    Recorded();
    Tell(recorder, kAcquirePlanes);
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 15728642 param 0", "acquire 0"}));
    bmhost::SweepPlugin(kRival);
    EXPECT_EQ(Recorded(), (Lines{"planes available"}));
    EXPECT_EQ(bmhost::PlanesHolder(), XPLM_NO_PLUGIN_ID);

    // A plug-in disabled while waiting leaves the line.
    bmhost::RunAsPlugin(kPilot, [] { XPLMAcquirePlanes(nullptr, nullptr, nullptr); });
    Tell(recorder, kAcquirePlanes);
    XPLMDisablePlugin(recorder);
    XPLMEnablePlugin(recorder);
    EXPECT_TRUE(bmhost::PlanesWaiting().empty());
    Recorded();
    bmhost::RunAsPlugin(kPilot, [] { XPLMReleasePlanes(); });
    EXPECT_TRUE(Recorded().empty());
}

TEST_F(AircraftStandIn, ChangesToOtherAircraftNeedThemAndWarnOtherwise) {
    XPLMPluginID recorder = LoadRecorder();
    bmhost::RunAsPlugin(kPilot, [] { XPLMSetAircraftModel(2, "Aircraft/Light/Cub/cub.acf"); });
    EXPECT_TRUE(Warned("XPLMSetAircraftModel: the plug-in does not hold the aircraft (XPLMAcquirePlanes)"));
    EXPECT_NE(bmhost::AircraftModel(2), "Aircraft/Light/Cub/cub.acf");

    // Nobody holds them: the active count and the pilots may change.
    bmhost::RunAsPlugin(kPilot, [] {
        XPLMSetActiveAircraftCount(0);
        XPLMDisableAIForPlane(2);
    });
    EXPECT_EQ(bmhost::ActiveAircraftCount(), 1);
    EXPECT_TRUE(bmhost::AircraftAIDisabled(2));

    bmhost::RunFrames(1);
    Tell(recorder, kAcquirePlanes);
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 105 param 0", "from 0 message 15728642 param 0", "acquire 1"}));
    bmhost::RunAsPlugin(kPilot, [] {
        XPLMSetActiveAircraftCount(99);
        XPLMDisableAIForPlane(3);
    });
    EXPECT_TRUE(Warned("XPLMSetActiveAircraftCount: plug-in 1 holds the aircraft"));
    EXPECT_TRUE(Warned("XPLMDisableAIForPlane: plug-in 1 holds the aircraft"));
    EXPECT_EQ(bmhost::ActiveAircraftCount(), 1);
    EXPECT_FALSE(bmhost::AircraftAIDisabled(3));

    bmhost::RunAsPlugin(recorder, [] {
        XPLMSetActiveAircraftCount(99);
        XPLMSetActiveAircraftCount(8);  // no change, no message
        XPLMSetAircraftModel(2, "Aircraft/Light/Cub/cub.acf");
        XPLMSetAircraftModel(0, "Aircraft/Light/Cub/cub.acf");
        XPLMSetAircraftModel(8, "Aircraft/Light/Cub/cub.acf");
        XPLMSetAircraftModel(3, "");
        XPLMDisableAIForPlane(0);
    });
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::ActiveAircraftCount(), 8);
    EXPECT_EQ(bmhost::AircraftModel(2), "Aircraft/Light/Cub/cub.acf");
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 105 param 0", "from 0 message 106 param 2",
                                 "from 0 message 102 param 2", "from 0 message 108 param 2"}));
    EXPECT_TRUE(Warned("XPLMSetAircraftModel: plane 0 is not one of the other aircraft (1 to 7)"));
    EXPECT_TRUE(Warned("XPLMSetAircraftModel: plane 8 is not one of the other aircraft (1 to 7)"));
    EXPECT_TRUE(Warned("XPLMSetAircraftModel: no aircraft path"));
    EXPECT_TRUE(Warned("XPLMDisableAIForPlane: plane 0 is not one of the other aircraft (1 to 7)"));

    // Letting go gives the aircraft back to the simulator's pilots.
    Tell(recorder, kReleasePlanes);
    EXPECT_FALSE(bmhost::AircraftAIDisabled(2));
}

TEST_F(AircraftStandIn, UserAircraftAndAirportChangesReachEveryEnabledPlugin) {
    XPLMPluginID recorder = LoadRecorder();
    bmhost::RunAsPlugin(kPilot, [&] {
        XPLMSetUsersAircraft((sim_.Root() + "Aircraft/Light/Cub/cub.acf").c_str());
        XPLMPlaceUserAtAirport("kbos");
        XPLMPlaceUserAtAirport("K B!");
        XPLMPlaceUserAtAirport(nullptr);
        XPLMSetUsersAircraft("");
    });
    EXPECT_TRUE(Recorded().empty());  // until no plug-in code runs
    bmhost::RunFrames(1);
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 106 param 0", "from 0 message 102 param 0",
                                 "from 0 message 108 param 0", "from 0 message 103 param 0"}));
    EXPECT_EQ(bmhost::AircraftModel(0), "Aircraft/Light/Cub/cub.acf");
    EXPECT_EQ(bmhost::UserAirport(), "KBOS");
    EXPECT_TRUE(Warned("XPLMPlaceUserAtAirport: 'K B!' is not an airport code"));
    EXPECT_TRUE(Warned("XPLMPlaceUserAtAirport: '' is not an airport code"));
    EXPECT_TRUE(Warned("XPLMSetUsersAircraft: no aircraft path"));

    XPLMDisablePlugin(recorder);
    XPLMPlaceUserAtAirport("1N7");
    bmhost::RunFrames(1);
    XPLMEnablePlugin(recorder);
    EXPECT_TRUE(Recorded().empty());
    EXPECT_EQ(bmhost::UserAirport(), "1N7");

    // The recorder itself: a text message, and a message from another plug-in.
    bmhost::RunAsPlugin(kPilot, [&] { Tell(recorder, kText, const_cast<char*>("hi \"there\"")); });
    bmhost::RunAsPlugin(kPilot, [&] { Tell(recorder, 0x12345678, reinterpret_cast<void*>(7)); });
    EXPECT_EQ(Recorded(), (Lines{"from 7 message 15728641 text \"hi \"there\"\"", "from 7 message 305419896 param 7"}));
}

int DrawPlanes(XPLMDrawingPhase, int, void*) {
    XPLMPlaneDrawState_t state{};
    state.structSize = sizeof state;
    state.gearPosition = 1.0f;
    state.flapRatio = 0.5f;
    state.yokeRoll = -0.25f;
    XPLMDrawAircraft(1, 10, 20, 30, 5, 0, 90, 1, &state);
    // A structure of an older size: only the fields it has are read.
    state.structSize = int(sizeof(int) + 2 * sizeof(float));
    XPLMDrawAircraft(2, 0, 0, 0, 0, 0, 0, 0, &state);
    XPLMDrawAircraft(3, 0, 0, 0, 0, 0, 0, 1, nullptr);
    XPLMDrawAircraft(8, 0, 0, 0, 0, 0, 0, 1, nullptr);
    return 1;
}

int DrawPlanesIn2D(XPLMDrawingPhase, int, void*) {
    XPLMDrawAircraft(1, 0, 0, 0, 0, 0, 0, 1, nullptr);
    return 1;
}

TEST_F(AircraftStandIn, DrawingAircraftIsRecordedIn3DPhasesOnly) {
    bmhost::RunAsPlugin(kPilot, [] {
        XPLMRegisterDrawCallback(DrawPlanes, xplm_Phase_Airplanes, 0, nullptr);
        XPLMRegisterDrawCallback(DrawPlanesIn2D, xplm_Phase_Window, 0, nullptr);
        XPLMReinitUsersPlane();
        XPLMReinitUsersPlane();
    });
    bmhost::RunFrames(1);
    Lines drawn;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing()) {
        if (op.call != "XPLMDrawAircraft") continue;
        EXPECT_EQ(op.phase, xplm_Phase_Airplanes);
        EXPECT_EQ(op.plugin, kPilot);
        drawn.push_back(op.ToString());
    }
    EXPECT_EQ(drawn, (Lines{"XPLMDrawAircraft(1, 10, 20, 30, 5, 0, 90, 1, 44, 1, 0.5, 0, 0, 0, 0, 0, 0, 0, -0.25)",
                            "XPLMDrawAircraft(2, 0, 0, 0, 0, 0, 0, 0, 12, 1, 0.5)",
                            "XPLMDrawAircraft(3, 0, 0, 0, 0, 0, 0, 1)"}));
    EXPECT_TRUE(Warned("XPLMDrawAircraft: no plane 8"));
    EXPECT_TRUE(Warned("XPLMDrawAircraft: only a draw callback of a 3-D phase may draw aircraft"));
    XPLMDrawAircraft(1, 0, 0, 0, 0, 0, 0, 1, nullptr);  // outside any drawing
    EXPECT_EQ(bmtest::Count(bmhost::SimLog(), "3-D phase may draw aircraft"), 2u);
    EXPECT_EQ(bmhost::ReinitCount(), 2);
}

// ---- Camera ----

struct CameraLog {
    std::vector<std::string> calls;
    int answer = 1;
    float x = 0;  // where the function puts the camera (x only)
};
CameraLog gCamera;

int Steer(XPLMCameraPosition_t* position, int losing, void* refcon) {
    std::string who = "camera " + std::to_string(reinterpret_cast<intptr_t>(refcon)) + " as " +
                      std::to_string(XPLMGetMyID());
    if (losing) {
        gCamera.calls.push_back(who + " lost" + (position ? " with a position" : ""));
        return 1;
    }
    gCamera.calls.push_back(who + " at " + std::to_string(int(position->x)));
    position->x = gCamera.x;
    return gCamera.answer;
}

void* R(intptr_t value) { return reinterpret_cast<void*>(value); }

bool SamePlace(const XPLMCameraPosition_t& a, const XPLMCameraPosition_t& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.pitch == b.pitch && a.heading == b.heading &&
           a.roll == b.roll && a.zoom == b.zoom;
}

TEST_F(AircraftStandIn, TheCameraFollowsItsControllerFromTheNextFrameUntilItAnswersZero) {
    gCamera = CameraLog();
    // Forward: at the pilot's eye, looking along the aircraft's heading (east).
    XPLMCameraPosition_t view{};
    XPLMReadCameraPosition(&view);
    EXPECT_EQ(view.x, 0.0f);
    EXPECT_FLOAT_EQ(view.y, 132.2f);
    EXPECT_EQ(view.heading, 90.0f);
    EXPECT_EQ(view.zoom, 1.0f);
    EXPECT_EQ(XPLMIsCameraBeingControlled(nullptr), 0);

    gCamera.x = 100;
    bmhost::RunAsPlugin(kPilot, [] { XPLMControlCamera(xplm_ControlCameraForever, Steer, R(1)); });
    XPLMCameraControlDuration duration = 0;
    EXPECT_EQ(XPLMIsCameraBeingControlled(&duration), 1);
    EXPECT_EQ(duration, xplm_ControlCameraForever);
    EXPECT_EQ(bmhost::CameraController(), kPilot);
    EXPECT_TRUE(gCamera.calls.empty());
    EXPECT_TRUE(SamePlace(bmhost::CameraPosition(), view));

    bmhost::RunFrames(1);
    gCamera.x = 150;
    bmhost::RunFrames(1);
    EXPECT_EQ(gCamera.calls, (Lines{"camera 1 as 7 at 0", "camera 1 as 7 at 100"}));
    XPLMCameraPosition_t placed{};
    XPLMReadCameraPosition(&placed);
    EXPECT_EQ(placed.x, 150.0f);
    EXPECT_FLOAT_EQ(placed.y, 132.2f);  // what the function left alone stays the view's

    gCamera.answer = 0;
    gCamera.calls.clear();
    bmhost::RunFrames(3);
    EXPECT_EQ(gCamera.calls, (Lines{"camera 1 as 7 at 150"}));  // and no losing call
    EXPECT_EQ(XPLMIsCameraBeingControlled(&duration), 0);
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
    EXPECT_TRUE(SamePlace(bmhost::CameraPosition(), view));

    bmhost::RunAsPlugin(kPilot, [] { XPLMControlCamera(xplm_ControlCameraForever, nullptr, nullptr); });
    bmhost::RunAsPlugin(kPilot, [] { XPLMControlCamera(3, Steer, nullptr); });
    XPLMControlCamera(xplm_ControlCameraForever, Steer, nullptr);
    XPLMReadCameraPosition(nullptr);
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
    EXPECT_TRUE(Warned("XPLMControlCamera: no camera control function"));
    EXPECT_TRUE(Warned("XPLMControlCamera: 3 is not a control duration"));
    EXPECT_TRUE(Warned("XPLMControlCamera: called outside any plug-in"));
    EXPECT_TRUE(Warned("XPLMReadCameraPosition: no position to fill"));
}

int TakeItBack(XPLMCameraPosition_t*, int losing, void*) {
    gCamera.calls.push_back(std::string("rival ") + (losing ? "lost" : "steers"));
    if (losing) XPLMControlCamera(xplm_ControlCameraForever, TakeItBack, nullptr);
    return 1;
}

int HandOver(XPLMCameraPosition_t*, int losing, void*) {
    gCamera.calls.push_back(std::string("rival ") + (losing ? "lost" : "hands over"));
    if (!losing) XPLMSendMessageToPlugin(1, kCameraForever, nullptr);
    return 0;
}

TEST_F(AircraftStandIn, TakingTheCameraFromAnotherPluginTellsItOnce) {
    gCamera = CameraLog();
    XPLMPluginID recorder = LoadRecorder();
    bmhost::RunAsPlugin(kPilot, [] { XPLMControlCamera(xplm_ControlCameraUntilViewChanges, Steer, R(1)); });
    bmhost::RunAsPlugin(kPilot, [] { XPLMControlCamera(xplm_ControlCameraForever, Steer, R(2)); });  // no losing call
    bmhost::RunFrames(1);
    EXPECT_EQ(gCamera.calls, (Lines{"camera 2 as 7 at 0"}));

    XPLMCameraPosition_t place{};
    place.x = 42;
    place.zoom = 2;
    Recorded();
    Tell(recorder, kCameraForever, &place);
    EXPECT_EQ(gCamera.calls, (Lines{"camera 2 as 7 at 0", "camera 2 as 7 lost"}));
    EXPECT_EQ(bmhost::CameraController(), recorder);
    bmhost::RunAsPlugin(kPilot, [] { XPLMDontControlCamera(); });  // not the controller's: nothing
    XPLMDontControlCamera();
    bmhost::RunFrames(2);
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 15728644 param " + std::to_string(reinterpret_cast<intptr_t>(&place)),
                                 "camera", "camera"}));
    EXPECT_EQ(bmhost::CameraPosition().x, 42.0f);
    EXPECT_EQ(bmhost::CameraPosition().zoom, 2.0f);

    // The recorder gives it up itself: no losing call, and the view places the camera again.
    Tell(recorder, kCameraRelease);
    bmhost::RunFrames(1);
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 15728645 param 0"}));
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
    EXPECT_EQ(bmhost::CameraPosition().zoom, 1.0f);

    // A loser cannot take the camera back inside its losing call.
    gCamera.calls.clear();
    bmhost::RunAsPlugin(kRival, [] { XPLMControlCamera(xplm_ControlCameraForever, TakeItBack, nullptr); });
    Tell(recorder, kCameraForever);
    EXPECT_EQ(gCamera.calls, (Lines{"rival lost"}));
    EXPECT_EQ(bmhost::CameraController(), recorder);
    EXPECT_TRUE(Warned("XPLMControlCamera: plug-in 8 cannot take the camera back while it is told it lost it"));

    // Handed to another plug-in from inside the controller's own function, whose answer then
    // counts for nothing.
    gCamera.calls.clear();
    Tell(recorder, kCameraRelease);
    bmhost::RunAsPlugin(kRival, [] { XPLMControlCamera(xplm_ControlCameraForever, HandOver, nullptr); });
    bmhost::RunFrames(2);
    EXPECT_EQ(gCamera.calls, (Lines{"rival hands over", "rival lost"}));
    EXPECT_EQ(bmhost::CameraController(), recorder);
}

TEST_F(AircraftStandIn, ChangingTheViewEndsOnlyControlUntilTheViewChanges) {
    gCamera = CameraLog();
    EXPECT_EQ(bmhost::CurrentView(), "forward");
    EXPECT_FALSE(bmhost::ChangeView("cockpit"));
    EXPECT_EQ(bmhost::CurrentView(), "forward");

    bmhost::RunAsPlugin(kPilot, [] { XPLMControlCamera(xplm_ControlCameraUntilViewChanges, Steer, R(1)); });
    bmhost::RunFrames(1);
    EXPECT_TRUE(bmhost::ChangeView("chase"));
    EXPECT_EQ(gCamera.calls, (Lines{"camera 1 as 7 at 0", "camera 1 as 7 lost"}));
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
    EXPECT_EQ(bmhost::CurrentView(), "chase");
    // Chase: 30 m behind the aircraft (heading east) and 8 m above, looking down at it.
    XPLMCameraPosition_t chase = bmhost::CameraPosition();
    EXPECT_NEAR(chase.x, -30.0f, 1e-3);
    EXPECT_NEAR(chase.z, 0.0f, 1e-3);
    EXPECT_FLOAT_EQ(chase.y, 139.0f);
    EXPECT_NEAR(chase.heading, 90.0f, 1e-3);
    EXPECT_NEAR(chase.pitch, -std::atan2(8.0, 30.0) * 180 / 3.14159265358979323846, 1e-3);

    gCamera.calls.clear();
    gCamera.x = 5;
    bmhost::RunAsPlugin(kPilot, [] { XPLMControlCamera(xplm_ControlCameraForever, Steer, R(2)); });
    bmhost::RunFrames(1);
    EXPECT_TRUE(bmhost::ChangeView("tower"));
    EXPECT_TRUE(bmhost::ChangeView("tower"));
    bmhost::RunFrames(1);
    EXPECT_EQ(gCamera.calls, (Lines{"camera 2 as 7 at -30", "camera 2 as 7 at 5"}));
    EXPECT_EQ(bmhost::CameraController(), kPilot);
    EXPECT_EQ(bmhost::CameraPosition().x, 5.0f);
}

TEST_F(AircraftStandIn, ADisabledOrUnloadedControllerIsNotCalledAgain) {
    XPLMPluginID recorder = LoadRecorder();
    Tell(recorder, kCameraUntilViewChanges);
    bmhost::RunFrames(1);
    XPLMDisablePlugin(recorder);
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
    bmhost::ChangeView("spot");
    bmhost::RunFrames(2);
    XPLMEnablePlugin(recorder);
    EXPECT_EQ(Recorded(), (Lines{"from 0 message 15728646 param 0", "camera"}));

    Tell(recorder, kCameraForever);
    bmhost::RunFrames(1);
    bmhost::UnloadPlugins();  // its library is gone: calling its function would crash
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
    bmhost::RunFrames(2);
    bmhost::ChangeView("forward");
    EXPECT_EQ(bmhost::CameraPosition().zoom, 1.0f);
}

void FailsWhenCalled(void*) { XPLMCountAircraft(nullptr, nullptr, nullptr); }
int CameraFailsWhenCalled(XPLMCameraPosition_t* position, int losing, void*) {
    gCamera.calls.push_back(losing ? "lost" : "steers");
    XPLMReadCameraPosition(position);
    return 1;
}

TEST_F(AircraftStandIn, AnExceptionEscapingACallbackIsReportedAndCountsAsNo) {
    gCamera = CameraLog();
    bmhost::RunAsPlugin(kRival, [] { XPLMAcquirePlanes(nullptr, nullptr, nullptr); });
    bmhost::RunAsPlugin(kPilot, [] { XPLMAcquirePlanes(nullptr, FailsWhenCalled, nullptr); });
    bmhost::RunAsPlugin(9, [] { XPLMAcquirePlanes(nullptr, RivalTakesThem, nullptr); });
    bmhost::FailNextCall("XPLMCountAircraft");
    bmhost::RunAsPlugin(kRival, [] { XPLMReleasePlanes(); });
    EXPECT_TRUE(Warned("a C++ exception escaped a planes-available callback of plug-in 7: "
                       "injected fault in XPLMCountAircraft"));
    EXPECT_EQ(bmhost::PlanesHolder(), 9);  // the next in line had its turn

    bmhost::RunAsPlugin(kRival, [] { XPLMControlCamera(xplm_ControlCameraForever, CameraFailsWhenCalled, nullptr); });
    bmhost::RunFrames(1);
    bmhost::FailNextCall("XPLMReadCameraPosition");
    bmhost::RunFrames(2);
    EXPECT_TRUE(Warned("a C++ exception escaped a camera control function of plug-in 8: "
                       "injected fault in XPLMReadCameraPosition"));
    EXPECT_EQ(gCamera.calls, (Lines{"steers", "steers"}));  // ended there, without a losing call
    EXPECT_EQ(bmhost::CameraController(), XPLM_NO_PLUGIN_ID);
}

}  // namespace
