// The built plug-in under the stand-in's plug-in manager: lifecycle relays, messages, menus,
// shared items and the log markers.
#include <gtest/gtest.h>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDefs.h"
#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Calls = std::vector<std::string>;

// No C++ exception may reach the simulator.
void ExpectNothingEscaped() { EXPECT_EQ(bmhost::SimLog().find("escaped"), std::string::npos) << bmhost::SimLog(); }

TEST(Lifecycle, SimulatorRunRelaysEveryCallInTableOrder) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    sim.AddScript("BM_B.py", bmtest::RecorderScript("B"));
    XPLMPluginID id = LoadBrindlemoor(false);
    EXPECT_TRUE(bmhost::EnablePlugins());
    EXPECT_EQ(bmhost::LastEnableResult(id), 1);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_PLANE_LOADED, nullptr);
    bmhost::UnloadPlugins();
    EXPECT_EQ(Lines(sim.Output()),
              (Calls{"A XPluginStart", "B XPluginStart", "A XPluginEnable", "B XPluginEnable",
                     "A XPluginReceiveMessage 0 102 0x0", "B XPluginReceiveMessage 0 102 0x0",
                     "A XPluginDisable", "B XPluginDisable", "A XPluginStop", "B XPluginStop"}));
    ExpectNothingEscaped();
}

TEST(Lifecycle, MessageParametersKeepTheirFullWidth) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    LoadBrindlemoor(false);
    bmhost::EnablePlugins();
    bmhost::BroadcastMessage(7, 0x7FFF0001, reinterpret_cast<void*>(std::uintptr_t(0xB700123456789ull)));
    EXPECT_NE(sim.Output().find("A XPluginReceiveMessage 7 2147418113 0xb700123456789\n"), std::string::npos);
}

TEST(Lifecycle, MissingMethodsAreLoggedPerCallAndOthersStillRun) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A", {"XPluginReceiveMessage", "XPluginStop"}));
    sim.AddScript("BM_B.py", bmtest::RecorderScript("B"));
    LoadBrindlemoor(false);
    bmhost::EnablePlugins();
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_AIRPORT_LOADED, nullptr);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_SCENERY_LOADED, nullptr);
    bmhost::UnloadPlugins();
    std::string log = sim.Log();
    EXPECT_EQ(Count(log, "Cannot find method XPluginReceiveMessage (BM_A)\n"), 2u);
    EXPECT_EQ(Count(log, "Cannot find method XPluginStop (BM_A)\n"), 1u);
    EXPECT_EQ(Count(sim.Output(), "B XPluginReceiveMessage"), 2u);
    EXPECT_EQ(Count(sim.Output(), "B XPluginStop"), 1u);
}

TEST(Lifecycle, ARaisingMethodIsReportedAndTheNextScriptStillRuns) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py",
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        return 'A', 'sig.A', 'A'\n"
                  "    def XPluginEnable(self):\n"
                  "        raise ValueError('enable went wrong')\n"
                  "    def XPluginDisable(self):\n"
                  "        import sys\n"
                  "        sys.exit(3)\n"
                  "    def XPluginStop(self):\n"
                  "        pass\n");
    sim.AddScript("BM_B.py", bmtest::RecorderScript("B"));
    LoadBrindlemoor(false);
    bmhost::EnablePlugins();
    bmhost::UnloadPlugins();  // a script's sys.exit must not end the simulator
    std::string log = sim.Log();
    EXPECT_NE(log.find("ValueError: enable went wrong\n"), std::string::npos);
    EXPECT_NE(log.find("sys.exit(3)"), std::string::npos);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"B XPluginStart", "B XPluginEnable", "B XPluginDisable", "B XPluginStop"}));
    ExpectNothingEscaped();
}

TEST(Lifecycle, EachStartAndStopIsMarkedAndNothingEarlierIsLost) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    LoadBrindlemoor(false);
    bmhost::UnloadPlugins();
    LoadBrindlemoor(false);
    bmhost::UnloadPlugins();
    std::vector<std::string> markers;
    for (const std::string& line : Lines(sim.Log()))
        if (line.find("LOGGING") != std::string::npos || line.find("successfully loaded") != std::string::npos)
            markers.push_back(line);
    EXPECT_EQ(markers, (Calls{"+++ LOGGING STARTED +++", "'BM_A' successfully loaded", "--- LOGGING STOPPED ---",
                              "+++ LOGGING STARTED +++", "'BM_A' successfully loaded", "--- LOGGING STOPPED ---"}));
    std::vector<std::string> lines = Lines(sim.Log());
    ASSERT_GE(lines.size(), 8u);
    std::vector<std::string> head(lines.begin(), lines.begin() + 8);
    EXPECT_EQ(head, (Calls{"+++ LOGGING STARTED +++", "Brindlemoor v1.92 - Python scripts for X-Plane",
                           "Python " BM_PYTHON_VERSION " (home " BM_PYTHON_HOME ")", "Before Py_Initialize()", "After Py_Initialize()", "Before Modules Init",
                           "Using path below for script path", sim.ScriptFolder().substr(0, sim.ScriptFolder().size() - 1)}));
    EXPECT_NE(sim.Log().find("--- LOGGING STOPPED ---\n\n"), std::string::npos);
}

// The plug-in answers 1 to its enable whatever its last script does: disabled at start, without
// an XPluginEnable, or answering 0. The scripts before it run.
TEST(Lifecycle, ThePluginStaysEnabledWhateverItsLastScriptAnswers) {
    const char* lastScripts[] = {
        "from PythonScriptMessaging import BM_DisableScript\n"
        "class Brindlemoor:\n"
        "    def XPluginStart(self):\n"
        "        BM_DisableScript(self)\n"
        "        return 'C', 'sig.C', 'C'\n"
        "    def XPluginEnable(self):\n"
        "        print('C XPluginEnable')\n"
        "        return 1\n",
        "class Brindlemoor:\n"
        "    def XPluginStart(self):\n"
        "        return 'C', 'sig.C', 'C'\n",
        "class Brindlemoor:\n"
        "    def XPluginStart(self):\n"
        "        return 'C', 'sig.C', 'C'\n"
        "    def XPluginEnable(self):\n"
        "        print('C XPluginEnable')\n"
        "        return 0\n"};
    for (const char* last : lastScripts) {
        SCOPED_TRACE(last);
        bmtest::SimFolder sim;
        sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
        sim.AddScript("BM_B.py", bmtest::RecorderScript("B"));
        sim.AddScript("BM_C.py", last);
        XPLMPluginID id = LoadBrindlemoor(false);
        EXPECT_TRUE(bmhost::EnablePlugins());
        EXPECT_EQ(bmhost::LastEnableResult(id), 1);
        EXPECT_EQ(XPLMIsPluginEnabled(id), 1);
        bmhost::UnloadPlugins();
        EXPECT_EQ(Count(sim.Output(), "A XPluginEnable"), 1u);
        EXPECT_EQ(Count(sim.Output(), "B XPluginStop"), 1u);
        // Disabled at start, the last script hears no enable.
        if (last == lastScripts[0]) {
            EXPECT_EQ(Count(sim.Output(), "C XPluginEnable"), 0u);
        }
    }
}

TEST(Lifecycle, AMissingScriptFolderIsReportedToTheSimulatorLog) {
    bmtest::SimFolder sim("nofolder", false);
    LoadBrindlemoor(false);
    EXPECT_TRUE(bmhost::EnablePlugins());
    std::string expected = "\n*** BRINDLEMOOR ERROR ***\nPath :- " + sim.ScriptFolder() +
                           " does not exist.\n"
                           "You will need to create a folder called PythonScripts under the plugins folder\n"
                           "*** BRINDLEMOOR ERROR ***\n\n";
    EXPECT_NE(bmhost::SimLog().find(expected), std::string::npos) << bmhost::SimLog();
    bmhost::UnloadPlugins();
    ExpectNothingEscaped();
}

TEST(Lifecycle, TheMenuIsInstalledUnderPlugins) {
    bmtest::SimFolder sim;
    LoadBrindlemoor(false);
    bmhost::EnablePlugins();
    EXPECT_EQ(bmhost::MenuItemPaths(),
              (Calls{"Plugins/Brindlemoor", "Plugins/Brindlemoor/Control Panel",
                     "Plugins/Brindlemoor/Script Enable / Disable", "Plugins/Brindlemoor/Script Information"}));
    bmhost::UnloadPlugins();
    EXPECT_TRUE(bmhost::MenuItemPaths().empty());
}

TEST(Lifecycle, VirtualCameraItemsAreSharedWhileTheInterpreterRuns) {
    bmtest::SimFolder sim;
    const char* ints[] = {"cameraindex", "cameratypeindex", "camerapluginready", "acquirecamera",
                          "releasecamera", "setcamera", "lookataircraft"};
    const char* floats[] = {"xoffset", "yoffset", "zoffset", "headingoffset", "pitchoffset", "rolloffset", "zoomratio"};
    auto sharers = [&] {
        int n = 0;
        for (const char* item : ints) n += bmhost::SharerCount(std::string("tallowbridge/virtualcamera/") + item);
        for (const char* item : floats) n += bmhost::SharerCount(std::string("tallowbridge/virtualcamera/") + item);
        return n;
    };
    LoadBrindlemoor(false);
    EXPECT_EQ(sharers(), 14);
    bmhost::WriteFloat("tallowbridge/virtualcamera/zoomratio", 2.5f);  // notifications are ignored
    EXPECT_FLOAT_EQ(bmhost::ReadFloat("tallowbridge/virtualcamera/zoomratio"), 2.5f);
    bmhost::UnloadPlugins();
    EXPECT_EQ(sharers(), 0);
    LoadBrindlemoor(false);
    EXPECT_EQ(sharers(), 14);
}

TEST(Lifecycle, FailingHostCallsAreLoggedAndTheStartGoesOn) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    bmhost::FailNextCall("XPLMShareData");
    bmhost::FailNextCall("XPLMCreateMenu");
    LoadBrindlemoor(false);
    bmhost::EnablePlugins();
    EXPECT_NE(sim.Log().find("Brindlemoor - XPLMShareData failed: injected fault in XPLMShareData\n"), std::string::npos);
    EXPECT_NE(sim.Log().find("Brindlemoor - installing the menu failed: injected fault in XPLMCreateMenu\n"),
              std::string::npos);
    EXPECT_NE(sim.Log().find("'BM_A' successfully loaded"), std::string::npos);
    EXPECT_EQ(bmhost::SharerCount("tallowbridge/virtualcamera/cameraindex"), 0);
    EXPECT_EQ(bmhost::SharerCount("tallowbridge/virtualcamera/cameratypeindex"), 1);
    bmhost::UnloadPlugins();
    ExpectNothingEscaped();
}

TEST(Lifecycle, AFailingFolderListingLeavesNoScriptsButAWorkingPlugin) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    bmhost::FailNextCall("XPLMGetDirectoryContents");
    XPLMPluginID id = LoadBrindlemoor(false);
    EXPECT_TRUE(bmhost::EnablePlugins());
    EXPECT_EQ(bmhost::LastEnableResult(id), 1);
    EXPECT_NE(sim.Log().find("Brindlemoor - XPLMGetDirectoryContents failed"), std::string::npos);
    EXPECT_EQ(sim.Output(), "");
    bmhost::UnloadPlugins();
    ExpectNothingEscaped();
}

}  // namespace
