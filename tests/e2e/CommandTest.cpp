// Scripts working the simulator's commands and handling them: phases across frames, chains of
// handlers from several scripts, handlers that stop a command, and what a stop leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "BmsimRun.h"
#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMUtilities.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Lines;
using Lines_t = std::vector<std::string>;

const char kFlapsDown[] = "sim/flight_controls/flaps_down";

std::string Script(const std::string& tag, const std::string& start, const std::string& methods) {
    return "from __future__ import print_function\n"
           "from XPLMDataAccess import *\nfrom XPLMProcessing import *\nfrom XPLMUtilities import *\n"
           "from PythonScriptMessaging import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n" +
           start + "        return '" + tag + "', 'sig." + tag + "', ''\n" + methods;
}

TEST(Commands, AScriptHoldsACommandAcrossFrames) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", Script("A", R"(
        self.Throttle = XPLMFindCommand('sim/engines/throttle_up')
        self.Lever = XPLMFindDataRef('sim/flightmodel/engine/ENGN_thro')
        self.Handler = self.Handle
        XPLMRegisterCommandHandler(self, self.Throttle, self.Handler, 0, 2**40 + 7)
        self.Loop = self.Looped
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        print('ref', self.Throttle)
)",
                                    R"(
    def Handle(self, command, phase, refcon):
        values = []
        XPLMGetDatavf(self.Lever, values, 0, 1)
        print('phase', phase, command == self.Throttle, refcon - 2**40, round(values[0], 2))
        return 1
    def Looped(self, since, sinceLoop, counter, refcon):
        if counter == 1:
            print('begin', XPLMCommandBegin(self.Throttle))
        if counter == 4:
            print('end', XPLMCommandEnd(self.Throttle))
        return -1.0
)"));
    LoadBrindlemoor(true);
    auto ref = reinterpret_cast<std::intptr_t>(XPLMFindCommand("sim/engines/throttle_up"));
    EXPECT_GT(ref, std::intptr_t(1) << 32);
    bmhost::RunFrames(3);
    EXPECT_TRUE(bmhost::CommandHeld("sim/engines/throttle_up"));
    bmhost::RunFrames(3);
    EXPECT_FALSE(bmhost::CommandHeld("sim/engines/throttle_up"));
    // The after handler sees the lever the simulator moved: a step at the begin and each frame held.
    EXPECT_EQ(Lines(sim.Output()),
              (Lines_t{"ref " + std::to_string(ref), "phase 0 True 7 0.01", "begin 1", "phase 1 True 7 0.02",
                       "phase 1 True 7 0.03", "phase 1 True 7 0.04", "phase 2 True 7 0.04", "end 1"}));
}

// A handler on flaps_down printing the phase and the flaps. The before one takes its orders from
// night_vision_on: 1 answers 0, 2 disables its script.
std::string ChainScript(const std::string& tag, int before) {
    return Script(tag,
                  "        self.Flaps = XPLMFindDataRef('sim/flightmodel/controls/flaprqst')\n"
                  "        self.Stop = XPLMFindDataRef('sim/cockpit/electrical/night_vision_on')\n"
                  "        self.Handler = self.Handle\n"
                  "        XPLMRegisterCommandHandler(self, XPLMFindCommand('" +
                      std::string(kFlapsDown) + "'), self.Handler, " + std::to_string(before) + ", 0)\n",
                  "    def Handle(self, command, phase, refcon):\n"
                  "        stop = " + std::string(before ? "XPLMGetDatai(self.Stop)" : "0") + "\n"
                  "        print('" + tag + "', phase, XPLMGetDataf(self.Flaps))\n"
                  "        if stop == 2:\n"
                  "            BM_DisableScript(self)\n"
                  "        return 0 if stop == 1 else 1\n");
}

TEST(Commands, BeforeAndAfterHandlersOfTwoScriptsStopAndPassTheCommand) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_B.py", ChainScript("B", 1));
    sim.AddScript("BM_C.py", ChainScript("C", 0));
    LoadBrindlemoor(true);
    EXPECT_EQ(bmhost::CommandHandlerCount(kFlapsDown), 2);
    std::size_t seen = 0;
    auto run = [&] {
        EXPECT_TRUE(bmhost::RunCommand(kFlapsDown));
        Lines_t all = Lines(sim.Output()), fresh(all.begin() + long(seen), all.end());
        seen = all.size();
        return fresh;
    };
    // Before, the simulator moves the flaps a notch, after.
    EXPECT_EQ(run(), (Lines_t{"B 0 0.0", "C 0 0.25", "B 2 0.25", "C 2 0.25"}));
    // The before handler answers 0: neither the simulator nor the after handler sees the command.
    bmhost::WriteInt("sim/cockpit/electrical/night_vision_on", 1);
    EXPECT_EQ(run(), (Lines_t{"B 0 0.25", "B 2 0.25"}));
    EXPECT_FLOAT_EQ(bmhost::ReadFloat("sim/flightmodel/controls/flaprqst"), 0.25f);
    // B disables itself; its handler passes the command on from then on.
    bmhost::WriteInt("sim/cockpit/electrical/night_vision_on", 2);
    EXPECT_EQ(run(), (Lines_t{"B 0 0.25", "C 0 0.5", "C 2 0.5"}));
    EXPECT_EQ(run(), (Lines_t{"C 0 0.75", "C 2 0.75"}));
    EXPECT_EQ(bmhost::CommandHandlerCount(kFlapsDown), 2);
}

TEST(Commands, CreatedCommandsHandlersUnregisteredAndGoneWithTheStop) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_U.py", Script("U", R"(
        self.Mine = XPLMCreateCommand('bm/test/mine', 'Mine')
        print('same', XPLMCreateCommand('bm/test/mine', 'Other') == self.Mine,
              XPLMFindCommand('bm/test/mine') == self.Mine, XPLMFindCommand('bm/test/none'))
        self.Handler = self.Handle
        print(XPLMRegisterCommandHandler(self, self.Mine, self.Handler, 1, 0),
              XPLMRegisterCommandHandler(self, self.Mine, self.Handler, 1, 0),
              XPLMRegisterCommandHandler(self, self.Mine, self.Handler, 0, 0),
              XPLMRegisterCommandHandler(self, self.Mine, self.Handle, 1, 1))
)",
                                    R"(
    def Handle(self, command, phase, refcon):
        print('mine', phase, refcon)
        if phase == xplm_CommandEnd and refcon == 1:
            print('gone', XPLMUnregisterCommandHandler(self, self.Mine, self.Handle, 1, 1),
                  XPLMUnregisterCommandHandler(self, self.Mine, self.Handle, 1, 1))
        return 1
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(bmhost::CommandDescription("bm/test/mine"), "Mine");
    Lines_t names = bmhost::CommandNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), "bm/test/mine"), 1);
    // The same handler, side and refcon again renews the one registration.
    EXPECT_EQ(bmhost::CommandHandlerCount("bm/test/mine"), 3);
    EXPECT_TRUE(bmhost::RunCommand("bm/test/mine"));
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"same True True 0", "1 1 1 1", "mine 0 0", "mine 0 1", "mine 0 0",
                                            "mine 2 0", "mine 2 1", "gone 1 0", "mine 2 0"}));
    EXPECT_EQ(bmhost::CommandHandlerCount("bm/test/mine"), 2);
    // Python stops (the control panel's Stop): the script's handlers go with it.
    ASSERT_TRUE(bmhost::ChooseMenuItem("Plugins/Brindlemoor/Control Panel"));
    bmhost::Click(715, 184);
    EXPECT_EQ(bmhost::CommandHandlerCount("bm/test/mine"), 0);
    EXPECT_EQ(bmhost::CommandHandlerCount(), 1);  // the plug-in's own: brindlemoor/reload_scripts
}

TEST(Commands, BadArgumentsFailingHandlersAndFailingSimulatorCalls) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_X.py", Script("X", R"(
        cmd = XPLMFindCommand('sim/lights/landing_lights_toggle')
        for call in (lambda: XPLMFindCommand(None), lambda: XPLMCommandOnce('x'), lambda: XPLMCreateCommand('a'),
                     lambda: XPLMRegisterCommandHandler(self, cmd, 5, 1, 0),
                     lambda: XPLMRegisterCommandHandler(None, cmd, self.Nothing, 1, 0),
                     lambda: XPLMUnregisterCommandHandler(self, 'x', self.Nothing, 1, 0)):
            try:
                call()
                print('no error')
            except TypeError:
                print('TypeError')
        print('fails', XPLMRegisterCommandHandler(self, cmd, self.Nothing, 1, 0),
              XPLMRegisterCommandHandler(self, cmd, self.Nothing, 1, 0),
              XPLMRegisterCommandHandler(self, cmd, self.Raise, 1, 0))
        print('begin', XPLMCommandBegin(cmd))
        # Only refs the module handed out reach the simulator, which may crash on any other.
        for call in (lambda: XPLMCommandOnce(12345), lambda: XPLMCommandBegin(0), lambda: XPLMCommandEnd(2**40),
                     lambda: XPLMRegisterCommandHandler(self, 0, self.Nothing, 1, 0),
                     lambda: XPLMUnregisterCommandHandler(self, cmd + 1, self.Nothing, 1, 0)):
            try:
                print('no error', call())
            except ValueError as e:
                print(e)
        print('unknown', XPLMFindCommand('bm/test/none'))
)",
                                    R"(
    def Nothing(self, command, phase, refcon):
        pass
    def Raise(self, command, phase, refcon):
        return 1 // 0
)"));
    bmhost::FailNextCall("XPLMRegisterCommandHandler");
    bmhost::FailNextCall("XPLMCommandBegin");
    LoadBrindlemoor(true);
    auto ref = reinterpret_cast<std::intptr_t>(XPLMFindCommand("sim/lights/landing_lights_toggle"));
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"TypeError", "TypeError", "TypeError", "TypeError", "TypeError",
                                            "TypeError", "fails 0 1 1", "begin 0",
                                            "XPLMCommandOnce: 12345 is not a command (use XPLMFindCommand or "
                                            "XPLMCreateCommand)",
                                            "XPLMCommandBegin: 0 is not a command (use XPLMFindCommand or "
                                            "XPLMCreateCommand)",
                                            "XPLMCommandEnd: 1099511627776 is not a command (use XPLMFindCommand "
                                            "or XPLMCreateCommand)",
                                            "XPLMRegisterCommandHandler: 0 is not a command (use XPLMFindCommand "
                                            "or XPLMCreateCommand)",
                                            "XPLMUnregisterCommandHandler: " + std::to_string(ref + 1) +
                                                " is not a command (use XPLMFindCommand or XPLMCreateCommand)",
                                            "unknown 0"}));
    std::string log = sim.Log();
    EXPECT_NE(log.find("Module - XPLMUtilities, Function - XPLMRegisterCommandHandler, Error = Parameter Error"),
              std::string::npos) << log;
    EXPECT_NE(log.find("Module - XPLMUtilities, Function - XPLMCommandBegin, Error = Parameter Error"),
              std::string::npos) << log;
    EXPECT_EQ(bmhost::SimLog().find("not a command"), std::string::npos) << bmhost::SimLog();
    // The failed registration left nothing behind; both handlers fail, and the command goes on.
    EXPECT_EQ(bmhost::CommandHandlerCount("sim/lights/landing_lights_toggle"), 2);
    EXPECT_FALSE(bmhost::CommandHeld("sim/lights/landing_lights_toggle"));
    EXPECT_TRUE(bmhost::RunCommand("sim/lights/landing_lights_toggle"));
    EXPECT_EQ(bmhost::ReadInt("sim/cockpit/electrical/landing_lights_on"), 1);
    log = sim.Log();
    EXPECT_NE(log.find("TypeError: BM_X.Nothing must return an int, not NoneType"), std::string::npos) << log;
    EXPECT_NE(log.find("ZeroDivisionError"), std::string::npos) << log;
}

float Throttle() {
    float value = 0.0f;
    XPLMGetDatavf(XPLMFindDataRef("sim/flightmodel/engine/ENGN_thro"), &value, 0, 1);
    return value;
}

// Begins twice, ends once: the command stays held by the script. An end of what the pilot holds
// goes to the simulator.
const char kHolder[] = R"(
        self.Up = XPLMFindCommand('sim/engines/throttle_up')
        self.Handler = self.Handle
        print('held', XPLMCommandBegin(self.Up), XPLMCommandBegin(self.Up), XPLMCommandEnd(self.Up),
              XPLMUnregisterCommandHandler(self, self.Up, self.Handler, 0, 0))
        print('pilot', XPLMCommandEnd(XPLMFindCommand('sim/engines/throttle_down')))
)";

TEST(Commands, WhatAScriptBeganIsEndedWhenItStops) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_H.py", Script("H", kHolder, "    def Handle(self, command, phase, refcon):\n        return 1\n"));
    ASSERT_TRUE(bmhost::BeginCommand("sim/engines/throttle_down"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"held 1 1 1 0", "pilot 1"}));
    EXPECT_FALSE(bmhost::CommandHeld("sim/engines/throttle_down"));
    EXPECT_TRUE(bmhost::CommandHeld("sim/engines/throttle_up"));
    bmhost::RunFrames(2);
    float climbing = Throttle();
    EXPECT_GT(climbing, 0.0f);
    // Python stops (the control panel's Stop): the begin left over ends, and the throttle stays.
    ASSERT_TRUE(bmhost::ChooseMenuItem("Plugins/Brindlemoor/Control Panel"));
    bmhost::Click(715, 184);
    EXPECT_FALSE(bmhost::CommandHeld("sim/engines/throttle_up"));
    float stopped = Throttle();
    EXPECT_FLOAT_EQ(stopped, climbing);
    bmhost::RunFrames(3);
    EXPECT_FLOAT_EQ(Throttle(), stopped);
    EXPECT_EQ(bmhost::SimLog().find("is not held"), std::string::npos) << bmhost::SimLog();
}

// The loop begins the throttle at frame 1 and asks for its own reload at frame 2; its new
// instance begins it at frame 5.
TEST(Commands, WhatAScriptBeganInACallbackIsEndedByItsReloadAndTheUnload) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_L.py", Script("L", R"(
        self.Up = XPLMFindCommand('sim/engines/throttle_up')
        self.Loop = self.Looped
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
)",
                                    R"(
    def Looped(self, since, sinceLoop, counter, refcon):
        if counter in (1, 5):
            print('begin', counter, XPLMCommandBegin(self.Up))
        if counter == 2:
            print('reload', BM_ReloadScript(self))
        return -1.0
)"));
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    EXPECT_TRUE(bmhost::CommandHeld("sim/engines/throttle_up"));
    bmhost::RunFrames(3);
    EXPECT_FALSE(bmhost::CommandHeld("sim/engines/throttle_up"));
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"begin 1 1", "reload 1", "begin 5 1"}));
    EXPECT_TRUE(bmhost::CommandHeld("sim/engines/throttle_up"));
    bmhost::UnloadPlugins();
    EXPECT_FALSE(bmhost::CommandHeld("sim/engines/throttle_up"));
    float stopped = Throttle();
    bmhost::RunFrames(3);
    EXPECT_FLOAT_EQ(Throttle(), stopped);
}

// bmsim works commands between frames: once, and held for some frames.
TEST(Commands, BmsimRunsAndHoldsCommands) {
    bmtest::SimFolder sim;
    std::ofstream(sim.ScriptFolder() + "BM_Watch.py") << Script("W", R"(
        self.Handler = self.Handle
        for name in ('sim/flight_controls/flaps_down', 'sim/engines/throttle_up'):
            XPLMRegisterCommandHandler(self, XPLMFindCommand(name), self.Handler, 0, 0)
        self.Flaps = XPLMFindDataRef('sim/flightmodel/controls/flaprqst')
        self.Lever = XPLMFindDataRef('sim/flightmodel/engine/ENGN_thro')
)",
                                                                          R"(
    def Handle(self, command, phase, refcon):
        values = []
        XPLMGetDatavf(self.Lever, values, 0, 1)
        print('cycle', XPLMGetCycleNumber(), 'phase', phase, XPLMGetDataf(self.Flaps), round(values[0], 2))
        return 1
)");
    auto bmsim = [&](const std::string& events, std::string* output) {
        bmtest::BmsimRun run = bmtest::RunBmsim("--root '" + sim.Root() + "' --frames 6 " + events);
        *output += run.output;
        return run.status;
    };
    std::string refused;
    EXPECT_EQ(bmsim("--at 1:hold=sim/engines/throttle_up:0", &refused), 2);
    EXPECT_EQ(Lines(refused)[0], "bmsim: hold takes NAME:M (held for M frames, 1 or more), not 'sim/engines/throttle_up:0'");
    std::string output;
    ASSERT_EQ(bmsim("--at 1:command=sim/flight_controls/flaps_down --at 2:hold=sim/engines/throttle_up:3"
                    " --at 3:command=no/such",
                    &output),
              0)
        << output;
    Lines_t printed;
    for (const std::string& line : Lines(output))
        if (line.rfind("[out] cycle", 0) == 0) printed.push_back(line.substr(6));
    EXPECT_EQ(printed, (Lines_t{"cycle 1 phase 0 0.25 0.0", "cycle 1 phase 2 0.25 0.0", "cycle 2 phase 0 0.25 0.01",
                                "cycle 3 phase 1 0.25 0.02", "cycle 4 phase 1 0.25 0.03", "cycle 5 phase 1 0.25 0.04",
                                "cycle 5 phase 2 0.25 0.04"}))
        << output;
    EXPECT_NE(output.find("bmsim: no command no/such\n"), std::string::npos) << output;
}

}  // namespace
