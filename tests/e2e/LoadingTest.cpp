// Loading scripts through the built plug-in: failures, the standard library, and where output goes.
#include <gtest/gtest.h>

#include <filesystem>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDefs.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;

TEST(Loading, EachKindOfFailureIsReportedAndTheOthersLoad) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_1Syntax.py", "class Brindlemoor:\n    def XPluginStart(self):\n        x = = 1\n");
    sim.AddScript("BM_2NoClass.py", "class Something:\n    pass\n");
    sim.AddScript("BM_3Raises.py",
                  "class Brindlemoor:\n"
                  "    def __init__(self):\n"
                  "        raise RuntimeError('constructor refused')\n");
    sim.AddScript("BM_4Good.py", bmtest::RecorderScript("Good"));
    LoadBrindlemoor(false);
    std::vector<std::string> log = Lines(sim.Log());
    auto at = [&](const std::string& line) {
        return std::find(log.begin(), log.end(), line) - log.begin();
    };
    // An import failure: the traceback, then the module's name.
    EXPECT_LT(at("SyntaxError: invalid syntax"), at("'BM_1Syntax' failed to load"));
    EXPECT_LT(at("'BM_1Syntax' failed to load"), std::ptrdiff_t(log.size()));
    // No class: one line naming the script, no traceback.
    EXPECT_EQ(Count(sim.Log(), "Brindlemoor Class Missing (BM_2NoClass)\n"), 1u);
    EXPECT_EQ(Count(sim.Log(), "AttributeError"), 0u);
    // A raising constructor: its traceback, then the line.
    EXPECT_LT(at("RuntimeError: constructor refused"), at("Brindlemoor Call failed (BM_3Raises)"));
    EXPECT_LT(at("Brindlemoor Call failed (BM_3Raises)"), std::ptrdiff_t(log.size()));
    EXPECT_EQ(Count(sim.Log(), "successfully loaded"), 1u);
    EXPECT_EQ(Count(sim.Log(), "'BM_4Good' successfully loaded\n"), 1u);
    EXPECT_EQ(Lines(sim.Output()), std::vector<std::string>{"Good XPluginStart"});
}

TEST(Loading, ScriptsImportTheStandardLibrarysExtensionModules) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Std.py",
                  "from __future__ import print_function\n"
                  "import math, struct, time, datetime\n"
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        print('sqrt', math.sqrt(16.0))\n"
                  "        print('packed', len(struct.pack('<d', 1.0)))\n"
                  "        print('year', datetime.date.fromtimestamp(time.time()).year > 2000)\n"
                  "        return 'Std', 'sig.std', 'Std'\n");
    LoadBrindlemoor(false);
    EXPECT_EQ(Lines(sim.Output()), (std::vector<std::string>{"sqrt 4.0", "packed 8", "year True"}));
    EXPECT_EQ(Count(sim.Log(), "Error"), 0u) << sim.Log();
    // A second start in the same simulator imports them again.
    bmhost::UnloadPlugins();
    LoadBrindlemoor(false);
    EXPECT_EQ(Count(sim.Output(), "sqrt 4.0"), 2u);
}

TEST(Loading, StandardStreamsGoToTheirFiles) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Out.py",
                  "from __future__ import print_function\n"
                  "import sys\n"
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        print('to the output file')\n"
                  "        sys.stdout.flush()\n"
                  "        written = sys.stderr.write(u'to the log \\u00e9\\n')\n"
                  "        print('printed to the log', file=sys.stderr)\n"
                  "        print('written', written)\n"
                  "        return 'Out', 'sig.out', 'Out'\n"
                  "    def XPluginEnable(self):\n"
                  "        raise KeyError('traceback to the log')\n");
    LoadBrindlemoor(false);
    bmhost::EnablePlugins();
    // A write answers as a file of the running Python does: nothing, or the characters written.
    EXPECT_EQ(sim.Output(),
              std::string("to the output file\n") + (BM_PYTHON_MAJOR == 3 ? "written 13\n" : "written None\n"));
    EXPECT_EQ(Count(sim.Log(), "to the log \xC3\xA9\n"), 1u);
    EXPECT_EQ(Count(sim.Log(), "printed to the log\n"), 1u);
    EXPECT_EQ(Count(sim.Log(), "to the output file"), 0u);
    EXPECT_NE(sim.Log().find("KeyError: 'traceback to the log'\n"), std::string::npos);
}

TEST(Loading, AnyFolderNameWorks) {
    bmtest::SimFolder sim("it's a \\ folder");
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    LoadBrindlemoor(false);
    EXPECT_EQ(Count(sim.Log(), "'BM_A' successfully loaded\n"), 1u) << sim.Log();
}

TEST(Loading, LongNamesAreKeptWhole) {
    bmtest::SimFolder sim;
    std::string name = "BM_" + std::string(240, 'n');
    sim.AddScript(name + ".py", "import no_such_module\n");
    LoadBrindlemoor(false);
    EXPECT_EQ(Count(sim.Log(), "'" + name + "' failed to load\n"), 1u);
}

}  // namespace
