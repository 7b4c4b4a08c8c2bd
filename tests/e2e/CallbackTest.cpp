// Flight loops, menus and shared data from scripts, driven by the stand-in's frames and menus.
#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMDefs.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Calls = std::vector<std::string>;

// A script with one flight loop that prints each call and answers with the intervals given.
std::string LoopScript(const std::string& tag, const std::string& intervals, const std::string& first = "-1.0") {
    return "from __future__ import print_function\n"
           "from XPLMProcessing import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        self.Intervals = " + intervals + "\n"
           "        self.Loop = self.FlightLoop\n"
           "        XPLMRegisterFlightLoopCallback(self, self.Loop, " + first + ", 5)\n"
           "        return '" + tag + "', 'sig." + tag + "', ''\n"
           "    def FlightLoop(self, since, sinceLoop, counter, refcon):\n"
           "        print('" + tag + "', counter, refcon)\n"
           "        return self.Intervals.pop(0) if self.Intervals else 0.0\n"
           "    def Stop(self):\n"
           "        XPLMUnregisterFlightLoopCallback(self, self.Loop, 0)\n";
}

TEST(Callbacks, FlightLoopsFollowTheIntervalsTheyReturn) {
    bmtest::SimFolder sim;
    // every loop twice, then in 0.05 s (3 frames of 1/60 s), then never again
    sim.AddScript("BM_L.py", LoopScript("L", "[-1.0, -1.0, 0.05]"));
    LoadBrindlemoor(true);
    bmhost::RunFrames(10);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"L 1 5", "L 2 5", "L 3 5", "L 6 5"}));
    EXPECT_EQ(bmhost::FlightLoopCount(), 1);  // stopped, still registered
}

// A script whose flight loop runs every frame and unregisters itself at its call `after`.
std::string SelfRemovingLoop(const std::string& tag, int after) {
    return "from __future__ import print_function\n"
           "from XPLMProcessing import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        self.Calls = 0\n"
           "        self.Loop = self.FlightLoop\n"
           "        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)\n"
           "        return '" + tag + "', 'sig." + tag + "', ''\n"
           "    def FlightLoop(self, since, sinceLoop, counter, refcon):\n"
           "        self.Calls += 1\n"
           "        print('" + tag + "', counter)\n"
           "        if self.Calls == " + std::to_string(after) + ":\n"
           "            XPLMUnregisterFlightLoopCallback(self, self.Loop, 0)\n"
           "        return -1.0\n";
}

TEST(Callbacks, RemovingOneScriptsLoopLeavesTheOtherRunning) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", SelfRemovingLoop("A", 2));
    sim.AddScript("BM_B.py", SelfRemovingLoop("B", 4));
    LoadBrindlemoor(true);
    bmhost::RunFrames(8);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"A 1", "B 1", "A 2", "B 2", "B 3", "B 4"}));
    // Each unregistration removed its own loop from the simulator at once.
    EXPECT_EQ(bmhost::FlightLoopCount(), 0);
}

TEST(Callbacks, ScriptsThatRegisterAndUnregisterInsideTheirLoops) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_R.py", R"(
from __future__ import print_function
from XPLMProcessing import *
class Brindlemoor:
    def XPluginStart(self):
        self.First = self.FirstLoop
        self.Second = self.SecondLoop
        XPLMRegisterFlightLoopCallback(self, self.First, -1.0, 1)
        return 'R', 'sig.r', ''
    def FirstLoop(self, since, sinceLoop, counter, refcon):
        print('first', counter)
        XPLMRegisterFlightLoopCallback(self, self.Second, -1.0, 2)
        XPLMUnregisterFlightLoopCallback(self, self.First, 1)
        return -1.0
    def SecondLoop(self, since, sinceLoop, counter, refcon):
        print('second', counter, refcon, XPLMGetCycleNumber(), type(XPLMGetElapsedTime()).__name__)
        XPLMSetFlightLoopCallbackInterval(self.Second, 0.5, 1, 0)
        return 0.5
)");
    LoadBrindlemoor(true);
    bmhost::RunFrames(40);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"first 1", "second 2 2 2 float", "second 32 2 32 float"}));
}

TEST(Callbacks, MenusReachTheHandlerWithTheScriptsOwnRefs) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_M.py", R"(
from __future__ import print_function
from XPLMMenus import *
class Brindlemoor:
    def XPluginStart(self):
        self.Handler = self.MenuHandler
        plugins = XPLMFindPluginsMenu()
        item = XPLMAppendMenuItem(plugins, 'Mine', 0, 1)
        self.Menu = XPLMCreateMenu(self, 'Mine', plugins, item, self.Handler, 7)
        print('index', XPLMAppendMenuItem(self.Menu, 'One', 101, 1), XPLMAppendMenuItem(self.Menu, 'Two', 0xB70000000002, 1))
        XPLMCheckMenuItem(self.Menu, 1, xplm_Menu_Checked)
        print('state', XPLMCheckMenuItemState(self.Menu, 1), XPLMCheckMenuItemState(self.Menu, 0))
        return 'M', 'sig.m', ''
    def MenuHandler(self, menuRef, itemRef):
        print('chosen', menuRef, itemRef)
        if itemRef == 101:
            print('destroyed', XPLMDestroyMenu(self, self.Menu))
)");
    LoadBrindlemoor(true);
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Mine/Two"));
    EXPECT_EQ(bmhost::MenuItemCheck("Plugins/Mine/Two"), 2);
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Mine/One"));
    EXPECT_FALSE(bmhost::ChooseMenuItem("Plugins/Mine/One"));
    EXPECT_EQ(Lines(sim.Output()), (Calls{"index 0 1", "state 2 0", "chosen 7 201210627883010", "chosen 7 101",
                                         "destroyed 1"}));
}

TEST(Callbacks, SharedDataNotifiesTheScript) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_S.py", R"(
from __future__ import print_function
from XPLMDataAccess import *
class Brindlemoor:
    def XPluginStart(self):
        self.Changed = self.DataChanged
        print('shared', XPLMShareData(self, 'test/level', xplmType_Float, self.Changed, 33))
        print('clash', XPLMShareData(self, 'test/level', xplmType_Int, self.Changed, 0))
        return 'S', 'sig.s', ''
    def DataChanged(self, refcon):
        print('changed', refcon, XPLMGetDataf(XPLMFindDataRef('test/level')))
    def XPluginDisable(self):
        print('unshared', XPLMUnshareData(self, 'test/level', xplmType_Float, self.Changed, 33))
)");
    LoadBrindlemoor(true);
    bmhost::WriteFloat("test/level", 0.5f);
    bmhost::UnloadPlugins();
    bmhost::WriteFloat("test/level", 0.75f);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"shared 1", "clash 0", "changed 33 0.5", "unshared 1"}));
    EXPECT_EQ(bmhost::SharerCount("test/level"), 0);
}

// Each traceback in `log` as its last line of source and its error line. The lines some
// interpreters add under a line of source (markers pointing into it, a count of repeats) are
// passed over.
Calls TracebackEnds(const std::string& log) {
    Calls ends;
    std::string source;
    bool inside = false;
    for (const std::string& line : Lines(log)) {
        if (line == "Traceback (most recent call last):") {
            inside = true;
            source.clear();
        } else if (inside && line.rfind("    ", 0) == 0) {
            if (line.find_first_not_of(" ^~") != std::string::npos) source = line;
        } else if (inside && line.rfind("  ", 0) != 0) {
            ends.push_back(source + "\n" + line);
            inside = false;
        }
    }
    return ends;
}

// Recursion without end in a flight loop, and recursion that reaches the limit inside a data
// read calling back into the script (its error is printed while the stack is still deep): every
// traceback reaches the log.
TEST(Callbacks, RecursionErrorsReachTheLog) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_D.py", R"(
from XPLMDataAccess import *
from XPLMProcessing import *
class Brindlemoor:
    def XPluginStart(self):
        self.Read = self.ReadValue
        self.Ref = XPLMRegisterDataAccessor(self, 'test/deep', xplmType_Int, 0, self.Read, None, None, None, None,
                                            None, None, None, None, None, None, None, 0, 0)
        self.Loops = [self.PlainLoop, self.HostLoop]
        for loop in self.Loops:
            XPLMRegisterFlightLoopCallback(self, loop, -1.0, 0)
        return 'D', 'sig.d', ''
    def PlainLoop(self, since, sinceLoop, counter, refcon):
        self.Plain(0)
    def Plain(self, depth):
        return self.Plain(depth + 1)
    def HostLoop(self, since, sinceLoop, counter, refcon):
        self.ThroughTheHost(0)
    def ThroughTheHost(self, depth):
        XPLMGetDatai(self.Ref)
        return self.ThroughTheHost(depth + 1)
    def ReadValue(self, refcon):
        return 1
    def XPluginEnable(self):
        return 1
)");
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    std::string log = sim.Log();
    // The flight loops' own errors, printed once each loop had unwound, with their tracebacks.
    EXPECT_EQ(Count(log, "Traceback (most recent call last):\n"), 2u) << log;
    const std::string limit =
        std::string(BM_PYTHON_MAJOR == 3 ? "RecursionError" : "RuntimeError") + ": maximum recursion depth exceeded";
    Calls ends = TracebackEnds(log);
    ASSERT_EQ(ends.size(), 2u) << log;
    EXPECT_EQ(ends[0], "    return self.Plain(depth + 1)\n" + limit);
    // Where the loop through the host meets the limit depends on whether the interpreter counts
    // calls of built-in functions with the Python ones (Python 3 up to 3.11 does): at the read
    // itself, or at the script's own call.
    EXPECT_TRUE(ends[1] == "    XPLMGetDatai(self.Ref)\n" + limit + " while calling a Python object" ||
                ends[1] == "    return self.ThroughTheHost(depth + 1)\n" + limit)
        << ends[1];
    // The reads that failed at the limit, printed from that depth (no frame of theirs had started,
    // so no traceback).
    EXPECT_EQ(Count(log, "\n" + limit), 3u) << log;
    EXPECT_EQ(Count(log, "Error in sys.excepthook"), 0u);
}

// A callback that does not take the arguments it is given is reported with its script, its kind,
// what it was given and the place of the registering call, then Python's own message; a
// TypeError raised inside a callback's body stays Python's own, with its traceback.
TEST(Callbacks, ACallbackThatDoesNotTakeItsArgumentsIsReportedWithItsRegistration) {
    struct Case {
        const char* registration;  // line 7 of the script
        std::function<void()> trigger;
        const char* report;  // a regular expression for the report's line in the log
    };
    const char* own = "; (Brindlemoor\\.)?Nothing\\(\\) takes .*";
    const Case cases[] = {
        {"XPLMRegisterFlightLoopCallback(self, self.Nothing, -1.0, 7)", [] { bmhost::RunFrames(1); },
         "TypeError: BM_Arity: the flight loop callback registered at BM_Arity.py:7 does not take the arguments it was "
         "given: \\([-0-9.e]+, [-0-9.e]+, 1, 7\\)"},
        {"XPLMRegisterHotKey(self, XPLM_VK_F2, xplm_DownFlag, 'F2', self.Nothing, 3)",
         [] { bmhost::PressKey(0, XPLM_VK_F2); },
         "TypeError: BM_Arity: the hot key callback registered at BM_Arity.py:7 does not take the arguments it was "
         "given: \\(3,\\)"},
        {"XPLMCreateWindow(self, 10, 200, 200, 10, 1, self.Nothing, self.Nothing, self.Nothing, 4)",
         [] { bmhost::RunFrames(1); },
         "TypeError: BM_Arity: the window draw callback registered at BM_Arity.py:7 does not take the arguments it "
         "was given: \\(\\d+, \\d+\\)"},
        {"XPLMRegisterCommandHandler(self, XPLMFindCommand('sim/operation/pause_toggle'), self.Nothing, 1, 5)",
         [] { bmhost::RunCommand("sim/operation/pause_toggle"); },
         "TypeError: BM_Arity: the command callback registered at BM_Arity.py:7 does not take the arguments it was "
         "given: \\(\\d+, 0, 5\\)"},
        {"XPLMRegisterFlightLoopCallback(self, self.Body, -1.0, 0)", [] { bmhost::RunFrames(1); },
         "TypeError: object of type 'int' has no len\\(\\)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.registration);
        bmtest::SimFolder sim;
        sim.AddScript("BM_Arity.py", std::string("from XPLMProcessing import *\nfrom XPLMDefs import *\n"
                                                 "from XPLMDisplay import *\n"
                                                 "from XPLMUtilities import *\n"
                                                 "class Brindlemoor:\n"
                                                 "    def XPluginStart(self):\n"
                                                 "        ") +
                                         c.registration +
                                         "\n"
                                         "        return 'Arity', 'sig.arity', ''\n"
                                         "    def XPluginEnable(self):\n"
                                         "        return 1\n"
                                         "    def Nothing(self):\n"
                                         "        pass\n"
                                         "    def Body(self, *args):\n"
                                         "        return len(5)\n");
        LoadBrindlemoor(true);
        c.trigger();
        const std::string log = sim.Log();
        const bool body = std::string(c.report).find("has no len") != std::string::npos;
        const std::regex report(std::string(c.report) + (body ? "" : own));
        int reports = 0;
        for (const std::string& line : Lines(log)) reports += std::regex_match(line, report);
        EXPECT_EQ(reports, 1) << log;
        EXPECT_EQ(Count(log, "does not take the arguments"), body ? 0u : 1u) << log;
        EXPECT_EQ(Count(log, "Traceback (most recent call last):\n"), body ? 1u : 0u) << log;
    }
}

}  // namespace

// Reports arrive whatever a script made of sys.stderr (None, an object whose write raises), and
// what fails while the interpreter ends (an atexit function, a __del__ method) reaches the log.
TEST(Callbacks, ReportsArriveWithoutTheScriptsStandardError) {
    const char* streams[] = {"None", "Broken()"};
    for (const char* stream : streams) {
        SCOPED_TRACE(stream);
        bmtest::SimFolder sim;
        sim.AddScript("BM_E.py", std::string(R"(
import atexit, sys
from XPLMProcessing import *
class Broken:
    def write(self, text):
        raise IOError('no writing here')
class Lingers:
    def __del__(self):
        raise ValueError('in __del__')
def AtExit():
    raise ValueError('in atexit')
atexit.register(AtExit)
class Brindlemoor:
    def XPluginStart(self):
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        sys.stderr = )") + stream + R"(
        global lingers
        lingers = Lingers()
        return 'E', 'sig.e', ''
    def Loop(self, since, sinceLoop, counter, refcon):
        raise KeyError('in the loop')
    def XPluginEnable(self):
        return 1
)");
        LoadBrindlemoor(true);
        bmhost::RunFrames(1);
        bmhost::UnloadPlugins();
        std::string log = sim.Log();
        EXPECT_EQ(Count(log, "KeyError: 'in the loop'\n"), 1u) << log;
        // 2.7 prints an atexit function's error twice (atexit's own report, then the interpreter's)
        // and a __del__ method's on one line.
        EXPECT_GE(Count(log, "ValueError: in atexit\n"), 1u) << log;
        EXPECT_GE(Count(log, "in __del__"), 1u) << log;
    }
}
