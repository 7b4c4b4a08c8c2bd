// The simulator's data refs seen from scripts: browsing them (count, by index, info), features
// (the plug-in's, shared by its scripts), XPLM_MSG_DATAREFS_ADDED, and menu items that run commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "BmsimRun.h"
#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Lines;
using Lines_t = std::vector<std::string>;

// A script of the given tag whose XPluginEnable runs `enable`, with more methods after.
std::string Script(const std::string& tag, const std::string& enable, const std::string& methods = "") {
    return "from __future__ import print_function\n"
           "from XPLMDataAccess import *\n"
           "from XPLMPlugin import *\n"
           "from XPLMMenus import *\n"
           "from XPLMUtilities import *\n"
           "from XPLMProcessing import *\n"
           "from PythonScriptMessaging import *\n"
           "def attempt(f, *args):\n"
           "    try:\n"
           "        return f(*args)\n"
           "    except Exception as e:\n"
           "        return '%s: %s' % (type(e).__name__, e)\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        return '" + tag + "', 'sig." + tag + "', '" + tag + "'\n"
           "    def XPluginStop(self):\n"
           "        pass\n"
           "    def XPluginDisable(self):\n"
           "        pass\n"
           "    def XPluginReceiveMessage(self, who, message, param):\n"
           "        if message == 114:\n"
           "            print('" + tag + " added', who, param == XPLMCountDataRefs())\n"
           "    def XPluginEnable(self):\n" +
           enable + "        return 1\n" + methods;
}

TEST(SimData, ScriptsBrowseTheDataRefs) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_B.py", Script("B", R"(
        count = XPLMCountDataRefs()
        print(count >= 5574, XPLMGetDataRefsByIndex(0, 0, []))
        refs = [7]
        print(XPLMGetDataRefsByIndex(count - 1, 3, refs), refs[0], refs[2])
        info = XPLMGetDataRefInfo(refs[1])
        print(type(info).__name__, info.owner == XPLMGetMyID(), info == tuple(info))
        page = []
        XPLMGetDataRefsByIndex(0, count, page)
        names = [XPLMGetDataRefInfo(ref).name for ref in page]
        psi = XPLMFindDataRef('sim/flightmodel/position/psi')
        print(page.index(psi) == names.index('sim/flightmodel/position/psi'), len(set(names)) == count)
        name, kind, writable, owner = XPLMGetDataRefInfo(psi)
        print(name, kind, writable, owner, XPLMIsDataRefGood(psi), psi > 0xFFFFFFFF)
        local_x = XPLMFindDataRef('sim/flightmodel/position/local_x')
        XPLMSetDatad(local_x, 12.5)
        print(XPLMGetDataRefTypes(local_x), XPLMGetDataf(local_x))
        print(XPLMGetDataRefInfo(psi & 0xFFFFFFFF), XPLMIsDataRefGood(psi & 0xFFFFFFFF), XPLMIsDataRefGood(0))
        print(attempt(XPLMGetDataRefsByIndex, 0, 1, None))
        print(attempt(XPLMGetDataRefsByIndex, 0, 1 << 30, []))
        print(XPLMGetDataRefsByIndex(-1, 2, []))
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()),
              (Lines_t{"True 0", "3 7 0", "XPLMDataRefInfo_t True True", "True True",
                       "sim/flightmodel/position/psi 2 1 0 1 True", "6 12.5", "None 0 0",
                       "TypeError: XPLMGetDataRefsByIndex: outDataRefs: expected a list",
                       "ValueError: XPLMGetDataRefsByIndex: at most 1048576 refs at a time, not 1073741824", "0"}))
        << sim.Log();
    EXPECT_NE(bmhost::SimLog().find("[stand-in] XPLMGetDataRefsByIndex: offset -1, count 2, no array\n"),
              std::string::npos);
}

// The plug-in's own data refs, registered at its start, are told after the first frame; then
// those another plug-in registers, once for the frame.

TEST(SimData, FeaturesAreThePluginsAndScriptsSeeNativePathsInClassicMode) {
    bmtest::SimFolder sim;
    // The plug-in writes its files where the simulator's paths say: nothing is printed before
    // native paths are on.
    sim.AddScript("BM_F1.py", Script("F1", R"(
        seen = []
        enumerated = XPLMEnumerateFeatures(lambda feature, ref: seen.append((feature, ref)), 'r')
        def raising(feature, ref):
            raise KeyError(feature)
        failed = attempt(XPLMEnumerateFeatures, raising, None)
        before = (XPLMHasFeature('XPLM_USE_NATIVE_PATHS'), XPLMHasFeature('XPLM_NOPE'),
                  XPLMIsFeatureEnabled('XPLM_USE_NATIVE_PATHS'), XPLMGetSystemPath().startswith('/Volumes/Disk/'),
                  XPLMGetDirectorySeparator())
        enabled = XPLMEnableFeature('XPLM_USE_NATIVE_PATHS', 1)
        print(enumerated, seen[1], len(seen))
        print(failed)
        print(*before)
        print(enabled, XPLMIsFeatureEnabled('XPLM_USE_NATIVE_PATHS'))
        print(XPLMGetSystemPath().startswith('/Volumes/'), XPLMGetDirectorySeparator())
)"));
    sim.AddScript("BM_F2.py", Script("F2", R"(
        print(XPLMIsFeatureEnabled('XPLM_USE_NATIVE_PATHS'), XPLMGetSystemPath() == ')" + bmhost::Root() + R"(')
)"));
    XPLMPluginID id = LoadBrindlemoor(false);  // the scripts are found in the system's form
    bmhost::SetClassicPaths(true);
    bmhost::EnablePlugins();
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"1 ('XPLM_USE_NATIVE_PATHS', 'r') 4", "KeyError: 'XPLM_WANTS_REFLECTIONS'",
                                            "1 0 0 True :", "1 1", "False /", "1 True"}))
        << sim.Log() << bmhost::SimLog();
    EXPECT_TRUE(bmhost::PluginFeatureEnabled(id, "XPLM_USE_NATIVE_PATHS"));
}

TEST(SimData, DataRefsAddedReachEveryScriptOnceAfterTheFrame) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_N1.py", Script("N1", R"(
        XPLMEnableFeature('XPLM_WANTS_DATAREF_NOTIFICATIONS', 1)
)"));
    sim.AddScript("BM_N2.py", Script("N2", ""));
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    const Lines_t told = {"N1 added 0 True", "N2 added 0 True"};
    EXPECT_EQ(Lines(sim.Output()), told) << sim.Log();
    auto publish = [](const char* name) {
        XPLMRegisterDataAccessor(name, xplmType_Int, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    };
    bmhost::RunAsPlugin(90, [&] {
        publish("bm/test/one");
        publish("bm/test/two");
    });
    EXPECT_EQ(Lines(sim.Output()).size(), 2u);
    bmhost::RunFrames(2);  // coalesced: one message after the first frame
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{told[0], told[1], told[0], told[1]})) << sim.Log();
}

TEST(SimData, MenuItemsRunCommandsAndGoWithTheirScript) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_M.py", Script("M", R"(
        pause = XPLMFindCommand('sim/operation/pause_toggle')
        print(XPLMAppendMenuItemWithCommand(XPLMFindPluginsMenu(), 'Pause', pause))
        print(XPLMAppendMenuItemWithCommand(XPLMFindPluginsMenu(), 'Nothing', 0), XPLMFindAircraftMenu())
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
)",
                                    R"(
    def Loop(self, since, sinceLoop, counter, refcon):
        if counter == 1:
            print('reload', BM_ReloadScript(self))
        return 0
)"));
    LoadBrindlemoor(true);
    auto pauseItems = [] {
        Lines_t paths = bmhost::MenuItemPaths();
        return std::count(paths.begin(), paths.end(), "Plugins/Pause");
    };
    EXPECT_EQ(pauseItems(), 1);
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Pause"));
    EXPECT_EQ(bmhost::ReadInt("sim/time/paused"), 1);
    bmhost::RunFrames(2);  // reloaded: the old item went, the new instance appended its own
    EXPECT_EQ(pauseItems(), 1);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"0", "-1 0", "reload 1", "0", "-1 0"})) << sim.Log();
    bmhost::UnloadPlugins();
    EXPECT_EQ(pauseItems(), 0);
}

// The browser example finds the refs by the prefix typed into its field and shows them live.
TEST(SimData, TheBrowserExampleShowsTheRefsOfAPrefix) {
    bmtest::SimFolder sim;
    std::ifstream example(BM_EXAMPLES "/BM_DataRefBrowser.py");
    std::stringstream text;
    text << example.rdbuf();
    sim.AddScript("BM_DataRefBrowser.py", text.str());
    bmtest::BmsimRun run = bmtest::RunBmsim("--root '" + sim.Root() + "' --frames 3 --at 1:click=200,265" +
                                            " --at 1:type=sim/time/pa --set sim/time/paused=1 --widgets");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\"sim/time/paused  int  1\""), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\"1 of "), std::string::npos) << run.output;
}

}  // namespace
