// The bookkeeping of problems and profile (core/ScriptReport), and who a failure is taken for.
#include <gtest/gtest.h>

#include "PythonSupport.h"
#include "ScriptReport.h"
#include "TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

// The script, kind and calls of each row.
Lines Rows(const Lines& table) { return bmtest::ProfileRows(table); }

TEST(ScriptReport, CountsRepeatsAndKeepsABoundedList) {
    BM_ResetReport();
    EXPECT_EQ(BM_ProblemLines(), Lines{});
    BM_NoteProblem("BM_A", "Loop failed", "ValueError: first");
    BM_NoteProblem("BM_B", "Loop failed", "KeyError: 'k'");
    BM_NoteProblem("BM_A", "Loop failed", "ValueError: second");  // the first reason stays
    BM_NoteProblem("BM_A", "Loop failed", "ValueError: third");
    BM_NoteModuleFailure("XPLMDataAccess", "XPLMGetDatai", "Parameter Error");  // outside script code
    EXPECT_EQ(BM_ProblemLines(), (Lines{"BM_A: Loop failed: ValueError: first (3 times)",
                                        "BM_B: Loop failed: KeyError: 'k'",
                                        "(no script): XPLMGetDatai failed: Parameter Error"}));

    for (std::size_t i = 0; i < kMaxProblems + 5; ++i) BM_NoteProblem("BM_C", "F" + std::to_string(i), "x");
    BM_NoteProblem("BM_C", "F70", "x");
    Lines lines = BM_ProblemLines();
    ASSERT_EQ(lines.size(), kMaxProblems + 1);
    EXPECT_EQ(lines[kMaxProblems - 1], "BM_C: F60: x");
    EXPECT_EQ(lines.back(), "9 more failures not listed");
    EXPECT_EQ(BM_ProblemCount(), kMaxProblems + 9);
}

TEST(ScriptReport, TableHasAColumnPerFigureAndARowPerScriptAndKind) {
    BM_ResetReport();
    EXPECT_EQ(BM_ProfileLines(), Lines{});
    BM_ProfileAdd("BM_B", BM_ActFlightLoop, 1500000);
    BM_ProfileAdd("BM_Long", BM_ActStart, 12345678);
    BM_ProfileAdd("BM_B", BM_ActFlightLoop, 500000);
    BM_ProfileAdd("BM_B", BM_ActStart, 250);
    EXPECT_EQ(BM_ProfileLines(), (Lines{"script   callback      calls  total ms  mean ms  worst ms",
                                        "BM_B     XPluginStart      1     0.000    0.000     0.000",
                                        "BM_B     flight loop       2     2.000    1.000     1.500",
                                        "BM_Long  XPluginStart      1    12.346   12.346    12.346"}));

    EXPECT_EQ(BM_RecordActivity(BM_KindDrawWindow, BM_WindowMouseClick), BM_ActWindowMouse);
    EXPECT_EQ(BM_RecordActivity(BM_KindDataAccessor, BM_AccessorSlot(BM_Datavf, true)), BM_ActDataWrite);
    EXPECT_EQ(BM_RecordActivity(BM_KindDataAccessor, BM_AccessorSlot(BM_Datai, false)), BM_ActDataRead);
    EXPECT_EQ(BM_RecordActivity(BM_KindCommand, 0), BM_ActCommand);
    EXPECT_EQ(BM_MethodActivity("XPluginStop"), BM_ActStop);
    EXPECT_STREQ(BM_ActivityName(BM_ActWindowMouse), "window mouse");
}

TEST(ScriptReport, ACallMarksItsScriptAndIsTimedOnlyWhileProfiling) {
    BM_ResetReport();
    const std::string outer = "BM_Outer", inner = "BM_Inner";
    {
        BM_ScriptCall call(outer, BM_KindFlightLoop, 0);
        EXPECT_EQ(BM_RunningScript, &outer);
    }
    EXPECT_EQ(BM_RunningScript, nullptr);
    EXPECT_EQ(BM_ProfileLines(), Lines{});

    BM_SetProfiling(true);
    {
        BM_ScriptCall call(outer, BM_ActEnable);
        {
            BM_ScriptCall nested(inner, BM_KindDrawWindow, BM_WindowKey);
            BM_NoteModuleFailure("XPLMDisplay", "XPLMGetWindowGeometry", "Parameter Error");
        }
        EXPECT_EQ(BM_RunningScript, &outer);
        BM_NoteModuleFailure("XPLMDisplay", "XPLMGetWindowGeometry", "Parameter Error");
    }
    BM_SetProfiling(false);
    EXPECT_EQ(BM_ProblemLines(), (Lines{"BM_Inner: XPLMGetWindowGeometry failed: Parameter Error",
                                        "BM_Outer: XPLMGetWindowGeometry failed: Parameter Error"}));
    EXPECT_EQ(Rows(BM_ProfileLines()), (Lines{"BM_Inner|window key|1", "BM_Outer|XPluginEnable|1"}));
}

// A script's data accessor runs inside another script's XPluginEnable: each failure is taken for
// the script whose code made the call.
TEST(ScriptReport, NestedScriptsGetTheirOwnFailuresAndTimes) {
    BM_ResetReport();
    BM_SetProfiling(true);
    bmtest::RunningPlugin plugin({{"BM_A", R"(
from XPLMDataAccess import *
from XPLMPlugin import XPLMSendMessageToPlugin
class Brindlemoor:
    def XPluginStart(self):
        return 'A', 'sig.a', ''
    def XPluginEnable(self):
        self.Value = XPLMGetDatai(XPLMFindDataRef('test/b'))
        XPLMSendMessageToPlugin(0, 2, [])
        return 1
)"},
                                  {"BM_B", R"(
from XPLMDataAccess import *
from XPLMPlugin import XPLMSendMessageToPlugin
class Brindlemoor:
    def __init__(self):
        self.Ref = XPLMRegisterDataAccessor(self, 'test/b', 1, 0, self.GetI, None, None, None, None, None,
                                            None, None, None, None, None, None, 0, 0)
    def XPluginStart(self):
        return 'B', 'sig.b', ''
    def XPluginEnable(self):
        return 1
    def GetI(self, refcon):
        XPLMSendMessageToPlugin(0, 1, [])
        return 7
)"}});
    EXPECT_EQ(plugin.EvalInt("BM_A", "Script.Value"), 7);
    EXPECT_EQ(BM_RunningScript, nullptr);
    EXPECT_EQ(BM_ProblemLines(), (Lines{"BM_B: XPLMSendMessageToPlugin failed: Parameter Error",
                                        "BM_A: XPLMSendMessageToPlugin failed: Parameter Error"}));
    EXPECT_EQ(Rows(BM_ProfileLines()), (Lines{"BM_A|load|1", "BM_A|XPluginStart|1", "BM_A|XPluginEnable|1",
                                              "BM_B|load|1", "BM_B|XPluginStart|1", "BM_B|XPluginEnable|1",
                                              "BM_B|data read|1"}));
}

}  // namespace
