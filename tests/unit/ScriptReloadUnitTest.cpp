// The reload queue as the plug-in's commands use it (BM_RequestReloadAll, BM_RequestReload),
// with the plug-in's sources linked in.
#include <gtest/gtest.h>

#include "PythonSupport.h"
#include "ScriptReload.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using Names = std::vector<std::string>;

std::string Counting(const std::string& tag) {
    return "from __future__ import print_function\n"
           "starts = 0\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        global starts\n"
           "        starts += 1\n"
           "        print('" + tag + "', starts)\n"
           "        return '" + tag + "', 'sig." + tag + "', ''\n";
}

TEST(ScriptReloadQueue, ReloadAllTakesEveryScriptInTableOrderThenTheFailedOnes) {
    bmtest::RunningPlugin plugin({{"BM_A", Counting("A")},
                                  {"BM_B", "class Brindlemoor:\n    def XPluginStart(self)\n"},
                                  {"BM_C", Counting("C")}});
    EXPECT_FALSE(BM_RequestReload("BM_Nobody"));
    EXPECT_TRUE(BM_RequestReload("BM_C"));
    BM_RequestReloadAll();
    EXPECT_EQ(BM_PendingReloads(), (Names{"BM_C", "BM_A", "BM_B"}));  // each once, first asked first

    bmhost::RunFrames(1);
    EXPECT_TRUE(BM_PendingReloads().empty());
    const std::string log = plugin.Sim().Log();
    EXPECT_LT(log.find("Reloading 'BM_C'\n"), log.find("Reloading 'BM_A'\n")) << log;
    EXPECT_LT(log.find("Reloading 'BM_A'\n"), log.find("Reloading 'BM_B'\n"));
    EXPECT_EQ(Count(log, "'BM_B' failed to load\n"), 2u);  // at start and now
    // Loaded afresh: the module counters start again; the table keeps its two scripts in place.
    EXPECT_EQ(bmtest::Lines(plugin.Sim().Output()), (Names{"A 1", "C 1", "C 1", "A 1"}));
    ASSERT_EQ(BMTestTable->GetScriptTableSize(), 2);
    EXPECT_EQ(BMTestTable->GetScriptId(0), BMTestTable->GetScriptIdFromModuleName("BM_A"));
    EXPECT_EQ(BMTestTable->GetScriptId(1), BMTestTable->GetScriptIdFromModuleName("BM_C"));

    // Stopping the interpreter drops what waits.
    BM_RequestReloadAll();
    plugin.Stop();
    EXPECT_TRUE(BM_PendingReloads().empty());
    EXPECT_FALSE(BM_RequestReload("BM_A"));
    EXPECT_EQ(bmhost::FlightLoopCount(), 0);
}

// A script whose helper, another instance of its class, registers a flight loop: the helper
// becomes an entry of its own, which each reload releases and erases.
const char kHelped[] = R"(from XPLMProcessing import *
class Brindlemoor:
    def XPluginStart(self):
        self.Helper = Brindlemoor()
        self.Loop = self.Helper.Looped
        XPLMRegisterFlightLoopCallback(self.Helper, self.Loop, -1.0, 0)
        return 'Helped', 'sig.helped', ''
    def Looped(self, since, sinceLoop, counter, refcon):
        return -1.0
)";

TEST(ScriptReloadQueue, AReloadErasesTheReleasedEntriesOfTheScriptsOtherInstances) {
    bmtest::RunningPlugin plugin({{"BM_A", kHelped}, {"BM_B", Counting("B")}});
    auto modules = [] {
        Names names;
        for (int i = 0; i < BMTestTable->GetScriptTableSize(); ++i)
            names.push_back(BMTestTable->ModuleNameAt(i) + (BMTestTable->GetScriptId(i) ? "" : " released"));
        return names;
    };
    ASSERT_EQ(modules(), (Names{"BM_A", "BM_B", "BM_A"}));  // the helper registered at start
    const int loops = bmhost::FlightLoopCount();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(BM_RequestReload("BM_A"));
        bmhost::RunFrames(1);
        EXPECT_EQ(modules(), (Names{"BM_A", "BM_B", "BM_A"}));
        EXPECT_EQ(bmhost::FlightLoopCount(), loops);
    }
    // A failed reload keeps the script's own place, released; its helper's entry goes.
    plugin.Sim().AddScript("BM_A.py", "class Brindlemoor(:\n");
    ASSERT_TRUE(BM_RequestReload("BM_A"));
    bmhost::RunFrames(1);
    EXPECT_EQ(modules(), (Names{"BM_A released", "BM_B"}));
    EXPECT_EQ(bmhost::FlightLoopCount(), loops - 1);
    plugin.Sim().AddScript("BM_A.py", kHelped);
    ASSERT_TRUE(BM_RequestReload("BM_A"));
    bmhost::RunFrames(1);
    EXPECT_EQ(modules(), (Names{"BM_A", "BM_B", "BM_A"}));
    EXPECT_EQ(bmhost::FlightLoopCount(), loops);
}

}  // namespace
