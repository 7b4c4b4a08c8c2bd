// bmsim --strict and --profile, as a script author's CI runs them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BmsimRun.h"
#include "TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

struct SimRun {
    int status;
    Lines lines;
    std::string output;
};

SimRun Bmsim(const bmtest::SimFolder& sim, const std::string& arguments) {
    bmtest::BmsimRun run = bmtest::RunBmsim("--root '" + sim.Root() + "' " + arguments);
    return SimRun{run.status, bmtest::Lines(run.output), run.output};
}

// A script with all five methods; each body is one line of Python.
std::string Script(const std::string& start = "pass", const std::string& stop = "pass",
                   const std::string& loop = "return -1.0", const std::string& enable = "return 1") {
    return "from XPLMProcessing import *\n"
           "from XPLMPlugin import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)\n"
           "        " + start + "\n"
           "        return 'S', 'sig.s', ''\n"
           "    def XPluginStop(self):\n"
           "        " + stop + "\n"
           "    def XPluginEnable(self):\n"
           "        " + enable + "\n"
           "    def XPluginDisable(self): pass\n"
           "    def XPluginReceiveMessage(self, who, message, param): pass\n"
           "    def Loop(self, since, sinceLoop, counter, refcon):\n"
           "        " + loop + "\n";
}

Lines Last(const Lines& lines, std::size_t n) {
    return Lines(lines.end() - std::ptrdiff_t(std::min(n, lines.size())), lines.end());
}

Lines Rows(const Lines& lines, const std::string& prefix) { return bmtest::ProfileRows(lines, prefix); }

bool Mentions(const std::string& output, const std::string& text) { return output.find(text) != std::string::npos; }

TEST(Strict, ACleanRunPassesAndPlainRunsAreUnchanged) {
    bmtest::SimFolder sim;
    // What a script writes to the log while it runs is never taken for the summary.
    sim.AddScript("BM_Clean.py", Script("import sys; sys.stderr.write('strict: 1 problem\\n')"));
    SimRun strict = Bmsim(sim, "--strict --frames 5");
    EXPECT_EQ(strict.status, 0) << strict.output;
    EXPECT_EQ(Last(strict.lines, 2), (Lines{"[log] ", "strict: no problems"})) << strict.output;
    EXPECT_TRUE(Mentions(strict.output, "[log] strict: 1 problem\n")) << strict.output;

    // Without --strict even a failing script leaves the exit status and the output as they were.
    sim.AddScript("BM_Broken.py", Script("1.0 / 0"));
    SimRun plain = Bmsim(sim, "--frames 5");
    EXPECT_EQ(plain.status, 0) << plain.output;
    EXPECT_FALSE(Mentions(plain.output, "\nstrict: ")) << plain.output;
    EXPECT_FALSE(Mentions(plain.output, "profile")) << plain.output;
    EXPECT_EQ(plain.lines.back(), "[log] ");
    EXPECT_TRUE(Mentions(plain.output, "[log] ZeroDivisionError: float division by zero\n")) << plain.output;
}

// Each kind of problem on its own makes a strict run fail, with a line naming the script.
TEST(Strict, EachKindOfProblemFailsTheRunAndIsNamed) {
    struct Case {
        std::string file, text, line;
    } cases[] = {
        {"BM_Syntax.py", "def f(:\n", "strict: BM_Syntax: failed to load: SyntaxError: invalid syntax (BM_Syntax.py, line 1)"},
        {"BM_NoClass.py", "x = 1\n", "strict: BM_NoClass: failed to load: no class Brindlemoor"},
        {"BM_Init.py", "class Brindlemoor:\n    def __init__(self):\n        raise ValueError('in init')\n",
         "strict: BM_Init: failed to load: Brindlemoor() raised ValueError: in init"},
        {"BM_Import.py", "import no_such_module_here\n",
         BM_PYTHON_MAJOR == 3
             ? "strict: BM_Import: failed to load: ModuleNotFoundError: No module named 'no_such_module_here'"
             : "strict: BM_Import: failed to load: ImportError: No module named no_such_module_here"},
        {"BM_Loop.py", Script("pass", "pass", "raise KeyError('frame')"),
         "strict: BM_Loop: Loop failed: KeyError: 'frame' (2 times)"},  // at frame 1, then a second later
        {"BM_Start.py", Script("raise RuntimeError('at start')"),
         "strict: BM_Start: XPluginStart failed: RuntimeError: at start"},
        {"BM_Stop.py", Script("pass", "raise RuntimeError('at stop')"),
         "strict: BM_Stop: XPluginStop failed: RuntimeError: at stop"},
        {"BM_Module.py", Script("pass", "pass", "XPLMSendMessageToPlugin(0, 1, []); return -1.0"),
         "strict: BM_Module: XPLMSendMessageToPlugin failed: Parameter Error (100 times)"},
        {"BM_Enable.py", Script("pass", "pass", "return -1.0", "return 2**100"),
         std::string("strict: BM_Enable: XPluginEnable failed: TypeError: XPluginEnable of BM_Enable must return an int, "
                     "not ") + (BM_PYTHON_MAJOR == 3 ? "int" : "long") +
             ": OverflowError: Python int too large to convert to C long"},
        {"BM_Enable.py", Script("pass", "pass", "return -1.0", "pass"),
         "strict: BM_Enable: XPluginEnable failed: TypeError: XPluginEnable of BM_Enable must return an int, not "
         "NoneType"},
    };
    for (const Case& c : cases) {
        bmtest::SimFolder sim;
        sim.AddScript("BM_Clean.py", Script());
        sim.AddScript(c.file, c.text);
        SimRun run = Bmsim(sim, "--strict --frames 100");
        EXPECT_EQ(run.status, 3) << c.file << "\n" << run.output;
        Lines last = Last(run.lines, 2);
        EXPECT_EQ(last[0], c.line) << run.output;
        EXPECT_EQ(last[1], "strict: 1 problem") << run.output;
        // The summary comes once, after the plug-in stopped, and not as a log line.
        EXPECT_FALSE(Mentions(run.output, "[log] strict:")) << run.output;
    }
}

// A script whose XPluginEnable answers 0 stays disabled: its flight loop is never called.
TEST(Strict, AScriptAnsweringZeroToItsEnableStaysDisabled) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Refuses.py", Script("pass", "pass", "raise KeyError('frame')", "return 0"));
    SimRun run = Bmsim(sim, "--strict --frames 5");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.lines.back(), "strict: no problems") << run.output;
}

TEST(Profile, CountsEveryCallOfEachScriptByKind) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Every.py", Script());
    sim.AddScript("BM_Idle.py", "class Brindlemoor:\n"
                                "    def XPluginStart(self): return 'I', 'sig.i', ''\n"
                                "    def XPluginStop(self): pass\n"
                                "    def XPluginEnable(self): return 1\n"
                                "    def XPluginDisable(self): pass\n"
                                "    def XPluginReceiveMessage(self, who, message, param): pass\n");
    SimRun run = Bmsim(sim, "--profile --strict --frames 37");
    ASSERT_EQ(run.status, 0) << run.output;
    const std::string header = "profile: script    callback               calls  total ms  mean ms  worst ms";
    auto headerAt = std::find(run.lines.begin(), run.lines.end(), header);
    ASSERT_NE(headerAt, run.lines.end()) << run.output;
    // The five messages are the plane, livery, airport and scenery loaded, and the preferences.
    EXPECT_EQ(Rows(run.lines, "profile: "), (Lines{"BM_Every|load|1", "BM_Every|XPluginStart|1", "BM_Every|XPluginEnable|1",
                           "BM_Every|XPluginReceiveMessage|5", "BM_Every|XPluginDisable|1", "BM_Every|XPluginStop|1",
                           "BM_Every|flight loop|37", "BM_Idle|load|1", "BM_Idle|XPluginStart|1",
                           "BM_Idle|XPluginEnable|1", "BM_Idle|XPluginReceiveMessage|5", "BM_Idle|XPluginDisable|1",
                           "BM_Idle|XPluginStop|1"}))
        << run.output;
    // After the log, before the strict summary.
    EXPECT_EQ(run.lines.back(), "strict: no problems");
    EXPECT_LT(std::find(run.lines.begin(), run.lines.end(), "[log] --- LOGGING STOPPED ---"), headerAt);
}

// The data ref switches profiling while the simulator runs: from the moment bmsim sets it (once
// the scripts are enabled), without --profile the plug-in's table stays a log line.
TEST(Profile, TheDataRefSwitchesProfilingAtRunTime) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Every.py", Script());
    SimRun run = Bmsim(sim, "--frames 12 --set brindlemoor/profile=1");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Rows(run.lines, "[log] profile: "),
              (Lines{"BM_Every|XPluginReceiveMessage|1", "BM_Every|XPluginDisable|1", "BM_Every|XPluginStop|1",
                     "BM_Every|flight loop|12"}))
        << run.output;
}

// Two scripts that answer each other's messages with a message: the chain is cut at the nesting
// limit, and the report names the script and the method where it was cut.
std::string Echo(const std::string& mine, const std::string& other) {
    return "from XPLMProcessing import *\n"
           "from PythonScriptMessaging import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        self.Sent = False\n"
           "        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)\n"
           "        return 'E', 'sig." + mine + "', ''\n"
           "    def XPluginStop(self): pass\n"
           "    def XPluginEnable(self): return 1\n"
           "    def XPluginDisable(self): pass\n"
           "    def Loop(self, since, sinceLoop, counter, refcon):\n"
           "        if not self.Sent and '" + mine + "' == 'a':\n"
           "            self.Sent = True\n"
           "            self.XPluginReceiveMessage(None, 1, 0)\n"
           "        return -1.0\n"
           "    def XPluginReceiveMessage(self, who, message, param):\n"
           "        if message == 1:\n"
           "            BM_SendMessageToScript(self, BM_FindScriptBySignature('sig." + other + "'), 1, 0)\n";
}

TEST(Reports, ScriptsCallingEachOtherWithoutEndAreCutAndNamed) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", Echo("a", "b"));
    sim.AddScript("BM_B.py", Echo("b", "a"));
    SimRun run = Bmsim(sim, "--frames 2");
    EXPECT_EQ(run.status, 0) << run.output;
    // The flight loop is the first level, then B's method and A's by turns.
    EXPECT_EQ(bmtest::Count(run.output, "Error: BM_A.XPluginReceiveMessage was called 65 deep within scripts' code: "
                                        "scripts call each other through the simulator without end\n"),
              1u)
        << run.output;
}

TEST(Reports, ASlowCallbackIsReportedOncePerScriptAndKind) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Slow.py", Script("pass", "pass", "__import__('time').sleep(0.12); return -1.0"));
    SimRun run = Bmsim(sim, "--frames 3");
    EXPECT_EQ(run.status, 0) << run.output;
    std::size_t at = run.output.find("[log] Brindlemoor - BM_Slow: a flight loop took ");
    ASSERT_NE(at, std::string::npos) << run.output;
    EXPECT_EQ(run.output.find(" ms (reported once; a callback over 100 ms holds up the simulator)\n", at),
              run.output.find('\n', at) - 66)
        << run.output;
    EXPECT_EQ(bmtest::Count(run.output, "BM_Slow: a flight loop took"), 1u) << run.output;
}

}  // namespace
