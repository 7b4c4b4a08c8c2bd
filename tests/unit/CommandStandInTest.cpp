// The stand-in's commands: the chain of handlers, holding across frames, changes to the chain
// while it runs, an unloaded plug-in's handlers, and the built-in commands' effects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMUtilities.h"
#include "bmhost/Control.h"

namespace {

using Lines = std::vector<std::string>;
constexpr XPLMPluginID kFirst = 7, kSecond = 8;
const char kThrottle[] = "sim/engines/throttle_up";

Lines gHeard;

struct Tag {
    const char* name;
    int answer = 1;
    void (*also)(XPLMCommandRef, XPLMCommandPhase) = nullptr;
};

int Heard(XPLMCommandRef command, XPLMCommandPhase phase, void* refcon) {
    auto* tag = static_cast<Tag*>(refcon);
    gHeard.push_back(std::string(tag->name) + ":" + std::to_string(phase));
    if (tag->also) tag->also(command, phase);
    return tag->answer;
}

class CommandStandIn : public ::testing::Test {
protected:
    void SetUp() override { gHeard.clear(); }
    bmtest::SimFolder sim_{"commands"};

    static void Register(XPLMPluginID plugin, const char* command, Tag* tag, int before) {
        bmhost::RunAsPlugin(plugin, [&] { XPLMRegisterCommandHandler(XPLMFindCommand(command), Heard, before, tag); });
    }
    static Lines Take() {
        Lines heard = gHeard;
        gHeard.clear();
        return heard;
    }
};

TEST_F(CommandStandIn, HandlersRunBeforeAndAfterInRegistrationOrderAndHoldsNest) {
    Tag after{"after"}, a{"a"}, b{"b"};
    Register(kFirst, kThrottle, &after, 0);
    Register(kFirst, kThrottle, &a, 1);
    Register(kSecond, kThrottle, &b, 1);
    Register(kSecond, kThrottle, &b, 1);  // the same again: still one
    EXPECT_EQ(bmhost::CommandHandlerCount(kThrottle), 3);
    EXPECT_EQ(bmhost::RegistrationCount(kSecond), 1);

    ASSERT_TRUE(bmhost::BeginCommand(kThrottle));
    ASSERT_TRUE(bmhost::BeginCommand(kThrottle));  // nested: no second begin phase
    EXPECT_EQ(Take(), (Lines{"a:0", "b:0", "after:0"}));
    bmhost::RunFrames(2);
    EXPECT_EQ(Take(), (Lines{"a:1", "b:1", "after:1", "a:1", "b:1", "after:1"}));
    EXPECT_TRUE(bmhost::EndCommand(kThrottle));
    EXPECT_TRUE(bmhost::CommandHeld(kThrottle));
    EXPECT_TRUE(Take().empty());
    EXPECT_TRUE(bmhost::EndCommand(kThrottle));
    EXPECT_EQ(Take(), (Lines{"a:2", "b:2", "after:2"}));
    EXPECT_FALSE(bmhost::EndCommand(kThrottle));
    EXPECT_NE(bmhost::SimLog().find("[stand-in] EndCommand: sim/engines/throttle_up is not held\n"), std::string::npos);
    // The begin and two frames held: three steps.
    float levers[8] = {};
    XPLMGetDatavf(XPLMFindDataRef("sim/flightmodel/engine/ENGN_thro"), levers, 0, 8);
    EXPECT_FLOAT_EQ(levers[7], 0.03f);

    // A before handler answering 0 keeps the simulator and everything after it out.
    a.answer = 0;
    ASSERT_TRUE(bmhost::RunCommand(kThrottle));
    EXPECT_EQ(Take(), (Lines{"a:0", "a:2"}));
    XPLMGetDatavf(XPLMFindDataRef("sim/flightmodel/engine/ENGN_thro"), levers, 0, 8);
    EXPECT_FLOAT_EQ(levers[0], 0.03f);

    // An unloaded plug-in's handlers go; the others stay.
    bmhost::SweepPlugin(kFirst);
    EXPECT_EQ(bmhost::CommandHandlerCount(kThrottle), 1);
    ASSERT_TRUE(bmhost::RunCommand(kThrottle));
    EXPECT_EQ(Take(), (Lines{"b:0", "b:2"}));
}

Tag gLate{"late"}, gGone{"gone"};

// Takes `gone` away and adds `late`, as the first handler of the chain.
void Rearrange(XPLMCommandRef command, XPLMCommandPhase phase) {
    if (phase != xplm_CommandBegin) return;
    XPLMUnregisterCommandHandler(command, Heard, 1, &gGone);
    XPLMRegisterCommandHandler(command, Heard, 1, &gLate);
}

TEST_F(CommandStandIn, HandlersChangingTheChainWhileItRuns) {
    Tag first{"first", 1, Rearrange};
    XPLMCommandRef mine = nullptr;
    bmhost::RunAsPlugin(kFirst, [&] {
        mine = XPLMCreateCommand("bm/test/mine", "Mine");
        EXPECT_EQ(XPLMCreateCommand("bm/test/mine", "Again"), mine);
        EXPECT_EQ(XPLMFindCommand("bm/test/mine"), mine);
        EXPECT_EQ(XPLMFindCommand("bm/test/none"), nullptr);
        XPLMRegisterCommandHandler(mine, Heard, 1, &first);
        XPLMRegisterCommandHandler(mine, Heard, 1, &gGone);
    });
    EXPECT_GT(reinterpret_cast<std::uintptr_t>(mine), std::uintptr_t(1) << 32);
    EXPECT_EQ(bmhost::CommandDescription("bm/test/mine"), "Mine");
    ASSERT_TRUE(bmhost::RunCommand("bm/test/mine"));
    // The removed handler is not called again; the new one joins from the next phase.
    EXPECT_EQ(Take(), (Lines{"first:0", "first:2", "late:2"}));
    EXPECT_EQ(bmhost::CommandHandlerCount("bm/test/mine"), 2);
}

TEST_F(CommandStandIn, BuiltInCommandsMoveTheSimulatorsData) {
    for (const char* name : {"sim/operation/pause_toggle", "sim/flight_controls/landing_gear_toggle",
                             "sim/lights/landing_lights_toggle", "sim/view/chase"})
        ASSERT_TRUE(bmhost::RunCommand(name)) << name;
    EXPECT_EQ(bmhost::ReadInt("sim/time/paused"), 1);
    EXPECT_EQ(bmhost::ReadInt("sim/cockpit/switches/gear_handle_status"), 0);
    EXPECT_EQ(bmhost::ReadInt("sim/cockpit/electrical/landing_lights_on"), 1);
    EXPECT_EQ(bmhost::CurrentView(), "chase");
    for (int i = 0; i < 5; ++i) bmhost::RunCommand("sim/flight_controls/flaps_down");
    EXPECT_FLOAT_EQ(bmhost::ReadFloat("sim/flightmodel/controls/flaprqst"), 1.0f);
    bmhost::RunCommand("sim/flight_controls/flaps_up");
    EXPECT_FLOAT_EQ(bmhost::ReadFloat("sim/flightmodel/controls/flaprqst"), 0.75f);
    EXPECT_FALSE(bmhost::RunCommand("sim/no/such"));
    EXPECT_EQ(bmhost::CommandNames().front(), "sim/operation/pause_toggle");
}

TEST_F(CommandStandIn, ADisabledPluginsHandlersArePassedOver) {
    std::string error;
    XPLMPluginID recorder = bmhost::LoadPlugin(BM_RECORDER_PLUGIN_PATH, &error);
    ASSERT_NE(recorder, XPLM_NO_PLUGIN_ID) << error;
    bmhost::EnablePlugins();
    Tag stop{"stop", 0};
    Register(recorder, "sim/lights/landing_lights_on", &stop, 1);
    ASSERT_TRUE(bmhost::RunCommand("sim/lights/landing_lights_on"));
    EXPECT_EQ(bmhost::ReadInt("sim/cockpit/electrical/landing_lights_on"), 0);
    bmhost::DisablePlugins();
    ASSERT_TRUE(bmhost::RunCommand("sim/lights/landing_lights_on"));
    EXPECT_EQ(bmhost::ReadInt("sim/cockpit/electrical/landing_lights_on"), 1);
    EXPECT_EQ(Take(), (Lines{"stop:0", "stop:2"}));
    bmhost::UnloadPlugins();
    EXPECT_EQ(bmhost::CommandHandlerCount(), 0);
}

TEST_F(CommandStandIn, BadRefsAreToldAndFailuresCanBeInjected) {
    XPLMCommandOnce(reinterpret_cast<XPLMCommandRef>(std::uintptr_t(12345)));
    XPLMRegisterCommandHandler(nullptr, Heard, 1, nullptr);
    EXPECT_EQ(XPLMCreateCommand("", "nameless"), nullptr);
    std::string log = bmhost::SimLog();
    for (const char* line : {"[stand-in] XPLMCommandOnce: not a command\n",
                             "[stand-in] XPLMRegisterCommandHandler: not a command\n",
                             "[stand-in] XPLMCreateCommand: no name\n"})
        EXPECT_NE(log.find(line), std::string::npos) << line;
    for (const char* function : {"XPLMFindCommand", "XPLMCommandBegin", "XPLMCommandEnd", "XPLMCommandOnce",
                                 "XPLMCreateCommand", "XPLMRegisterCommandHandler", "XPLMUnregisterCommandHandler"}) {
        bmhost::FailNextCall(function);
        XPLMCommandRef pause = nullptr;
        if (std::string(function) != "XPLMFindCommand") pause = XPLMFindCommand("sim/operation/pause_toggle");
        std::string name = function;
        EXPECT_THROW(
            {
                if (name == "XPLMFindCommand") XPLMFindCommand("sim/operation/pause_toggle");
                if (name == "XPLMCommandBegin") XPLMCommandBegin(pause);
                if (name == "XPLMCommandEnd") XPLMCommandEnd(pause);
                if (name == "XPLMCommandOnce") XPLMCommandOnce(pause);
                if (name == "XPLMCreateCommand") XPLMCreateCommand("bm/x", "");
                if (name == "XPLMRegisterCommandHandler") XPLMRegisterCommandHandler(pause, Heard, 1, nullptr);
                if (name == "XPLMUnregisterCommandHandler") XPLMUnregisterCommandHandler(pause, Heard, 1, nullptr);
            },
            bmhost::InjectedFault)
            << function;
    }
    EXPECT_EQ(bmhost::ReadInt("sim/time/paused"), 0);
    EXPECT_EQ(bmhost::CommandHandlerCount(), 0);
}

}  // namespace
