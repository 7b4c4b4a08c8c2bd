// The bmsim runner, as a script author uses it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BmsimRun.h"
#include "TestSupport.h"
#include "bmhost/Control.h"

namespace {

using bmtest::BmsimRun;

BmsimRun Bmsim(const std::string& arguments, const std::string& environment = "") {
    return bmtest::RunBmsim(arguments, environment);
}

// A copy of the examples (all, or those named) in the run's own folder, quoted for the shell:
// bmsim runs --scripts in place, and the plug-in writes its files beside them.
std::string Examples(const bmtest::SimFolder& sim, const std::vector<std::string>& names = {}) {
    namespace fs = std::filesystem;
    fs::path folder = sim.Root() + "examples";
    fs::create_directories(folder);
    for (const auto& entry : fs::directory_iterator(BM_EXAMPLES)) {
        std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".py" &&
            (names.empty() || std::find(names.begin(), names.end(), name) != names.end()))
            fs::copy_file(entry.path(), folder / name, fs::copy_options::overwrite_existing);
    }
    return "'" + folder.string() + "'";
}

TEST(Bmsim, RunsTheExamples) {
    bmtest::SimFolder sim;
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --scripts " + Examples(sim) + " --frames 3");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<std::string> lines = bmtest::Lines(run.output);
    auto at = [&](const std::string& line) {
        auto it = std::find(lines.begin(), lines.end(), line);
        EXPECT_NE(it, lines.end()) << "missing: " << line << "\n" << run.output;
        return it - lines.begin();
    };
    EXPECT_EQ(at("[log] +++ LOGGING STARTED +++"), 0);
    EXPECT_LT(at("[log] Brindlemoor v1.92 - Python scripts for X-Plane"), at("[log] Using path below for script path"));
    EXPECT_LT(at(BM_PYTHON_MAJOR == 3 ? "[log] ModuleNotFoundError: No module named 'no_such_module'"
                                      : "[log] ImportError: No module named no_such_module"),
              at("[log] 'BM_Broken' failed to load"));
    EXPECT_LT(at("[log] 'BM_Lifecycle' successfully loaded"), at("[out] Lifecycle: starting"));
    EXPECT_LT(at("[out] Lifecycle: starting"), at("[out] Lifecycle: enabled"));
    EXPECT_LT(at("[out] Lifecycle: message 102 from plug-in 0"), at("[out] Lifecycle: disabled"));
    EXPECT_LT(at("[out] Lifecycle: disabled"), at("[out] Lifecycle: stopping"));
    EXPECT_LT(at("[out] Lifecycle: stopping"), at("[log] --- LOGGING STOPPED ---"));
    at("[out] Printing: the square root of 2 is 1.4142");
    EXPECT_LT(at("[out] Navaids: nearest VOR SEA, SEATTLE VORTAC 116.80 MHz"), at("spoken: Direct SEA"));
    at("[out] Navaids: nearest NDB BF, NOLLA NDB 362 kHz");
    at("[log] Printing: this line goes to the log");
}

TEST(Bmsim, ChoosesMenuItemsSetsDataAndRunsFlightLoops) {
    bmtest::SimFolder sim;
    std::string examples = Examples(sim);
    std::ofstream(sim.Root() + "examples/BM_Heading.py")
        << "from __future__ import print_function\n"
           "from XPLMDataAccess import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        print('heading', XPLMGetDataf(XPLMFindDataRef('sim/flightmodel/position/psi')))\n"
           "        return 'H', 'sig.h', ''\n";
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --scripts " + examples + " --frames 12" +
                         " --menu 'Plugins/Menu example/Toggle the check' --menu 'Plugins/Nowhere'" +
                         " --set sim/flightmodel/position/psi=271.5 --set brindlemoor/examples/counter=7" +
                         " --set no/such/ref=1");
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* line : {"[out] heading 271.5", "[out] Menu: the item is now checked",
                             "bmsim: no enabled menu item Plugins/Nowhere (a / or \\ in an item's name is "
                             "written \\/ or \\\\; bmsim --menus lists the paths)",
                             "bmsim: no data ref no/such/ref",
                             "[out] FlightLoop: call 5, loop 5, 0.017 s since my last call",
                             "[out] FlightLoop: call 6, loop 11, 0.100 s since my last call"})
        EXPECT_NE(run.output.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << run.output;
    EXPECT_EQ(run.output.find("FlightLoop: call 7"), std::string::npos);
    EXPECT_EQ(Bmsim("--set nothing").status, 2);
}

TEST(Bmsim, DeliversEventsAndTakesPictures) {
    bmtest::SimFolder sim;
    std::string picture = sim.Root() + "hidden.png", last = sim.Root() + "last.png";
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --scripts " + Examples(sim) + " --frames 3" +
                         " --drag 60,700:400,500 --at 1:key=F8 --at 1:screenshot='" + picture + "'" +
                         " --at 9:click=1,1 --screenshot '" + last + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    for (const char* line : {"[out] Position window: moved to 390,520", "[out] Position window: hidden",
                             "bmsim: the run ended before frame 9"})
        EXPECT_NE(run.output.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << run.output;
    // Frame 1 still showed the window (dark box over the sky); the hot key hid it for frame 3.
    long shown = bmhost::PicturePixel(picture, 395, 510), sky = bmhost::PicturePixel(last, 395, 510);
    ASSERT_NE(shown, -1);
    ASSERT_NE(sky, -1);
    EXPECT_LT(shown & 0xFF, sky & 0xFF);

    EXPECT_EQ(Bmsim("--at 1:wave=3").status, 2);
    EXPECT_EQ(Bmsim("--key hyper+F8").status, 2);
    EXPECT_EQ(Bmsim("--at x:click=1,1").status, 2);
}

TEST(Bmsim, TypesTextAndListsTheWidgets) {
    bmtest::SimFolder sim;
    std::ofstream(sim.ScriptFolder() + "BM_Typing.py")
        << "from __future__ import print_function\n"
           "from XPLMDefs import *\n"
           "from XPLMDisplay import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        self.Sniff = self.Sniffer\n"
           "        XPLMRegisterKeySniffer(self, self.Sniff, 1, 0)\n"
           "        return 'T', 'sig.t', ''\n"
           "    def XPluginStop(self): pass\n"
           "    def XPluginEnable(self): return 1\n"
           "    def XPluginDisable(self): pass\n"
           "    def XPluginReceiveMessage(self, who, message, param): pass\n"
           "    def Sniffer(self, char, flags, vkey, refcon):\n"
           "        if flags & xplm_DownFlag:\n"
           "            print('typed', char, flags, vkey)\n"
           "        return 1\n";
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --frames 2 --at 1:type='Hi!' --widgets");
    ASSERT_EQ(run.status, 0) << run.output;
    std::string typed = "[out] typed 72 9 72\n[out] typed 105 8 73\n[out] typed 33 9 49\n";
    EXPECT_NE(run.output.find(typed), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nbmsim: no widgets\n"), std::string::npos) << run.output;
    EXPECT_LT(run.output.find(typed), run.output.find("bmsim: no widgets"));

    BmsimRun empty = Bmsim("--at 1:type=");
    EXPECT_EQ(empty.status, 2);
    EXPECT_EQ(bmtest::Lines(empty.output)[0],
              "bmsim: not an event: 'type=' (click=X,Y drag=X1,Y1:X2,Y2 key=KEY type=TEXT menu=PATH screenshot=FILE"
              " view=NAME map=open map=close)");
}

TEST(Bmsim, ExplainsItselfAndRefusesWhatItCannotUse) {
    BmsimRun help = Bmsim("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("usage: bmsim"), std::string::npos);
    EXPECT_NE(help.output.find("  --widgets       after the last frame, list the widgets"), std::string::npos);

    EXPECT_EQ(Bmsim("--frames many").status, 2);
    EXPECT_EQ(Bmsim("--bogus").status, 2);
    BmsimRun badMap = Bmsim("--at 1:map=open:XPLM_MAP_NOWHERE");
    EXPECT_EQ(badMap.status, 2);
    EXPECT_EQ(bmtest::Lines(badMap.output)[0], "bmsim: map takes open or close, then optionally "
                                               ":XPLM_MAP_USER_INTERFACE or :XPLM_MAP_IOS, not 'open:XPLM_MAP_NOWHERE'");
    // A picture of a map that is not open is told, as a picture that cannot be written is.
    bmtest::SimFolder sim;
    const std::string picture = sim.Root() + "closed.png";
    BmsimRun closed = Bmsim("--root '" + sim.Root() + "' --frames 1 --map-screenshot '" + picture + "'");
    EXPECT_EQ(closed.status, 0);
    EXPECT_NE(closed.output.find("bmsim: cannot write " + picture + ": the map XPLM_MAP_USER_INTERFACE is not open"),
              std::string::npos)
        << closed.output;

    BmsimRun noPlugin = Bmsim("--root '" + sim.Root() + "' --plugin /nonexistent/lin.xpl");
    EXPECT_EQ(noPlugin.status, 1);
    EXPECT_NE(noPlugin.output.find("bmsim: no plug-in at /nonexistent/lin.xpl"), std::string::npos);

}

// A plug-in that cannot be loaded, or whose start answers 0, is left out and the others run on;
// so does a run that sets a data ref nobody has. Under --strict both are problems of the run.
TEST(Bmsim, LeavesOutPluginsThatFailAndGoesOnPastUnknownDataRefs) {
    bmtest::SimFolder sim;
    const std::string notAPlugin = BM_EXAMPLES "/BM_Lifecycle.py";
    const std::string common = "--root '" + sim.Root() + "' --frames 2 --set no/such/ref=1 --plugin '" +
                               BM_RECORDER_PLUGIN_PATH + "' --plugin '" BM_PLUGIN_PATH "'";
    BmsimRun run = Bmsim(common + " --plugin '" + notAPlugin + "'");
    EXPECT_EQ(run.status, 0) << run.output;
    std::vector<std::string> lines = bmtest::Lines(run.output);
    auto linesStarting = [](const std::vector<std::string>& all, const std::string& prefix, bool strip) {
        std::vector<std::string> found;
        for (const std::string& line : all)
            if (line.rfind(prefix, 0) == 0) found.push_back(strip ? line.substr(prefix.size()) : line);
        return found;
    };
    std::vector<std::string> told = linesStarting(lines, "bmsim: ", false);
    ASSERT_EQ(told.size(), 2u) << run.output;
    EXPECT_EQ(told[0].rfind("bmsim: plug-in " + notAPlugin + " left out: ", 0), 0u) << told[0];
    EXPECT_EQ(told[1], "bmsim: no data ref no/such/ref");
    EXPECT_EQ(linesStarting(lines, "[sim] recorder: ", true),
              (std::vector<std::string>{"from 0 message 102 param 0", "from 0 message 108 param 0",
                                        "from 0 message 103 param 0", "from 0 message 104 param 0",
                                        "from 0 message 107 param 0"}))
        << run.output;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[log] +++ LOGGING STARTED +++"), lines.end());

    BmsimRun strict = Bmsim(common + " --strict", "BM_RECORDER_REFUSE_START=1");
    EXPECT_EQ(strict.status, 3) << strict.output;
    const std::string leftOut = std::string("plug-in ") + BM_RECORDER_PLUGIN_PATH +
                                " left out: XPluginStart returned 0 (plug-in 1)";
    lines = bmtest::Lines(strict.output);
    EXPECT_EQ(linesStarting(lines, "bmsim: ", false),
              (std::vector<std::string>{"bmsim: " + leftOut, "bmsim: no data ref no/such/ref"}));
    EXPECT_EQ(linesStarting(lines, "strict: ", false),
              (std::vector<std::string>{"strict: no problems", "strict: bmsim: " + leftOut,
                                        "strict: bmsim: no data ref no/such/ref"}));
}

TEST(Bmsim, RunsAnotherPluginBesideBrindlemoorAndChangesTheView) {
    bmtest::SimFolder sim;
    // The recorder takes the camera until the view changes when it is enabled, and writes what it
    // hears to the simulator log.
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --frames 3 --plugin '" BM_PLUGIN_PATH "'" +
                         " --plugin '" BM_RECORDER_PLUGIN_PATH "' --at 2:view=chase",
                         "BM_RECORDER_CAMERA=until");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<std::string> lines = bmtest::Lines(run.output);
    std::vector<std::string> recorder;
    for (const std::string& line : lines)
        if (line.rfind("[sim] recorder: ", 0) == 0) recorder.push_back(line.substr(16));
    EXPECT_EQ(recorder, (std::vector<std::string>{"from 0 message 102 param 0", "from 0 message 108 param 0",
                                                  "from 0 message 103 param 0", "from 0 message 104 param 0", "camera",
                                                  "camera", "camera lost", "from 0 message 107 param 0"}))
        << run.output;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "[log] +++ LOGGING STARTED +++"), lines.end()) << run.output;

    BmsimRun unknown = Bmsim("--at 1:view=cockpit");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(bmtest::Lines(unknown.output)[0],
              "bmsim: unknown view 'cockpit' (forward down left right back tower runway chase free1 free2 spot "
              "fullscrn1 fullscrn2)");
    BmsimRun second = Bmsim("--root '" + sim.Root() + "' --plugin '" BM_RECORDER_PLUGIN_PATH "' --plugin /nowhere.xpl");
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.output.find("bmsim: no plug-in at /nowhere.xpl"), std::string::npos) << second.output;
}

TEST(Bmsim, EchoesWhatThePluginsSpeakOnceAfterEachFrame) {
    bmtest::SimFolder sim;
    // The recorder speaks when it is enabled and at every second flight loop.
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --frames 4 --plugin '" BM_RECORDER_PLUGIN_PATH "'",
                         "BM_RECORDER_SPEAK=hello");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<std::string> spoken;
    for (const std::string& line : bmtest::Lines(run.output))
        if (line.rfind("spoken: ", 0) == 0) spoken.push_back(line);
    EXPECT_EQ(spoken, (std::vector<std::string>{"spoken: hello", "spoken: hello 2", "spoken: hello 4"})) << run.output;
    EXPECT_LT(run.output.find("[sim] Speech: hello 4\n"), run.output.find("spoken: hello 4\n"));
}

TEST(Bmsim, APluginWrittenForSdk4RunsBesideBrindlemoor) {
    bmtest::SimFolder sim;
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --scripts " + Examples(sim) + " --frames 3 --plugin '" +
                         BM_PLUGIN_PATH "' --plugin '" BM_SDK4_PLUGIN_PATH "'");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<std::string> seen;
    for (const std::string& line : bmtest::Lines(run.output))
        if (line.rfind("[sim] sdk4: ", 0) == 0) seen.push_back(line.substr(12));
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "X-Plane 12100, XPLM 400",
                        "feature XPLM_WANTS_REFLECTIONS",
                        "feature XPLM_USE_NATIVE_PATHS",
                        "feature XPLM_USE_NATIVE_WIDGET_WINDOWS",
                        "feature XPLM_WANTS_DATAREF_NOTIFICATIONS",
                        "native paths 1, separator /",
                        "sim/flightmodel/position/local_x: type 6, writable 1, owner 0, good 1",
                        "over 5000 data refs, the first found by index 1",
                        "KSEA 011200Z 00000KT 6SM CLR 14/04 A2992; detailed 1, 8.5 C at 1000 m",
                        "sound 1",
                        "window 1, popped out 0, in VR 0, screen 0 768 1024 0",
                        "sound done 0",
                        "before-loop 3 calls, after-loop 3 calls, in order 1, drawn 1",
                    }))
        << run.output;
}

TEST(Bmsim, FrameNumbersAreWholeNumbersUpToTenMillion) {
    for (std::string bad : {"12x:key=F8", ":key=F8", "-1:key=F8", "+1:key=F8", " 1:key=F8", "10000001:key=F8",
                            "99999999999999999999:key=F8", "key=F8"}) {
        BmsimRun run = Bmsim("--at '" + bad + "'");
        EXPECT_EQ(run.status, 2) << bad << "\n" << run.output;
        std::vector<std::string> lines = bmtest::Lines(run.output);
        ASSERT_GE(lines.size(), 2u) << run.output;
        EXPECT_EQ(lines[0], "bmsim: --at takes FRAME:EVENT, not '" + bad + "'");
        EXPECT_EQ(lines[1],
                  "usage: bmsim [--root DIR] [--scripts DIR] [--frames N] [--set NAME=VALUE]... [--menu PATH]...");
    }
    for (std::string bad : {"12x", "-1", "10000001", "99999999999999999999", ""}) {
        BmsimRun run = Bmsim("--frames '" + bad + "'");
        EXPECT_EQ(run.status, 2) << bad;
        std::vector<std::string> lines = bmtest::Lines(run.output);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines[0], "bmsim: --frames takes a whole number, not '" + bad + "'");
    }

    bmtest::SimFolder sim;
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --frames 0 --at 10000000:key=F8");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\nbmsim: the run ended before frame 10000000\n"), std::string::npos) << run.output;
}

TEST(Bmsim, CreatesAMissingSimulatorFolder) {
    bmtest::SimFolder sim;
    BmsimRun run = Bmsim("--root '" + sim.Root() + "fresh/sim' --frames 1");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("[log] +++ LOGGING STARTED +++"), std::string::npos);
}

TEST(Bmsim, DrivesTheControlPanelAndPrintsItsConsoles) {
    bmtest::SimFolder sim;
    for (const char* tag : {"A", "B"})
        std::ofstream(sim.ScriptFolder() + "BM_" + tag + ".py")
            << "from TallowbridgeUtilities import *\n"
               "class Brindlemoor:\n"
               "    def XPluginStart(self):\n"
               "        TallowbridgeDisplay('" << tag << " here')\n"
               "        return '" << tag << " name', 'sig." << tag << "', '" << tag << " desc'\n"
               "    def XPluginStop(self): print('" << tag << " stop')\n"
               "    def XPluginEnable(self):\n"
               "        print('" << tag << " enable')\n"
               "        return 1\n"
               "    def XPluginDisable(self): print('" << tag << " disable')\n"
               "    def XPluginReceiveMessage(self, who, message, param): pass\n";
    std::string picture = sim.Root() + "panel.png";
    // Frame 1: pick BM_B in the popup, ask for its information; 2: stop; 3: start; 4: uncheck A.
    BmsimRun run = Bmsim("--root '" + sim.Root() + "' --frames 5 --menu 'Plugins/Brindlemoor/Control Panel'" +
                         " --at 1:click=675,144 --at 1:click=590,137 --at 1:click=825,144" +
                         " --at 2:click=715,184 --at 3:click=615,184" +
                         " --at '4:menu=Plugins/Brindlemoor/Script Enable \\/ Disable' --at 4:click=467,479" +
                         " --at 4:menu=Plugins/Brindlemoor/Script\\ Enable\\ /\\ Disable" +
                         " --screenshot '" + picture + "' --consoles");
    ASSERT_EQ(run.status, 0) << run.output;
    std::vector<std::string> lines = bmtest::Lines(run.output);
    std::vector<std::string> consoles;
    for (const std::string& line : lines)
        if (line.rfind("[print] ", 0) == 0 || line.rfind("[display] ", 0) == 0)
            consoles.push_back(line);
    ASSERT_GT(consoles.size(), 7u) << run.output;
    std::string id = consoles[7].size() > 21 ? consoles[7].substr(21) : "?";
    EXPECT_GT(id.size(), 8u) << "every bit of a 64-bit id";
    EXPECT_EQ(consoles, (std::vector<std::string>{
                            "[display] A here", "[display] B here", "[display] A here", "[display] B here",
                            "[print] A enable", "[print] B enable", "[print] Script Information",
                            "[print] Script Id :- " + id, "[print] Name :- B name",
                            "[print] Signature :- sig.B", "[print] Description :- B desc", "[print] Stopping Python",
                            "[print] A disable", "[print] A stop", "[print] B disable", "[print] B stop",
                            "[print] Python Stopped", "[print] Starting Python", "[print] A enable",
                            "[print] B enable", "[print] Python Started", "[print] A disable", "[print] B enable"}))
        << run.output;
    // The consoles come after the run's last frame and before the plug-in stops.
    auto last = [&](const std::string& line) { return std::find(lines.rbegin(), lines.rend(), line) - lines.rbegin(); };
    EXPECT_GT(last("[print] B enable"), last("[out] B stop"));
    // A path that does not escape the '/' names no item.
    EXPECT_NE(run.output.find("bmsim: no enabled menu item Plugins/Brindlemoor/Script Enable / Disable (a / or"),
              std::string::npos);
    EXPECT_NE(bmhost::PicturePixel(picture, 700, 400), -1);

    BmsimRun help = Bmsim("--help");
    EXPECT_NE(help.output.find("  --consoles      after the last frame, print the items of the control panel's two"),
              std::string::npos);
}

// --scripts runs the folder's own files: scripts left in the simulator's folder are moved aside
// once, a later folder replaces the link, and tracebacks and __file__ name the author's files.
TEST(Bmsim, RunsTheScriptsOfAFolderInPlace) {
    namespace fs = std::filesystem;
    bmtest::SimFolder sim;
    sim.AddScript("BM_Left.py", "print('left behind')\n");
    const std::string folder = sim.Root() + "Resources/plugins/PythonScripts", first = sim.Root() + "first",
                      second = sim.Root() + "second";
    for (const std::string& made : {first, second}) fs::create_directories(made);
    std::ofstream(first + "/BM_Where.py") << "import sys\n"
                                             "from XPLMGraphics import *\n"
                                             "class Brindlemoor:\n"
                                             "    def XPluginStart(self):\n"
                                             "        print('python %s (home %s)'\n"
                                             "              % (sys.version.split()[0], sys.prefix))\n"
                                             "        print('file ' + __file__)\n"
                                             "        XPLMDrawString(1, 2)\n"
                                             "    def XPluginStop(self): pass\n";
    std::ofstream(second + "/BM_Second.py") << "print('second')\n";
    const std::string common = "--root '" + sim.Root() + "' --frames 1 ";
    BmsimRun run = bmtest::RunBmsim(common + "--strict --scripts '" + first + "'", "", true);
    EXPECT_EQ(run.status, 3) << run.output;
    EXPECT_EQ(run.errors, "bmsim: moved the scripts in " + folder + " to " + folder + ".saved\n");
    EXPECT_TRUE(fs::exists(folder + ".saved/BM_Left.py"));
    const std::string script = fs::canonical(first).string() + "/BM_Where.py";
    std::vector<std::string> lines = bmtest::Lines(run.output);
    auto has = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) != lines.end(); };
    auto after = [&](const std::string& prefix) {  // the rest of the first line that starts with it
        for (const std::string& line : lines)
            if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
        return std::string("(none)");
    };
    EXPECT_TRUE(has("[out] file " + script)) << run.output;
    EXPECT_TRUE(has("[log]   File \"" + script + "\", line 8, in XPluginStart")) << run.output;
    EXPECT_FALSE(has("[out] left behind")) << run.output;
    // The log's start names the Python that runs as the interpreter itself tells it, and the
    // summary carries the module call's error whole, as the traceback ends.
    EXPECT_TRUE(has("[log] Python " + after("[out] python "))) << run.output;
    EXPECT_TRUE(has("strict: BM_Where: XPluginStart failed: TypeError: " + after("[log] TypeError: "))) << run.output;

    run = bmtest::RunBmsim(common + "--scripts '" + second + "'", "", true);
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.errors, "");
    EXPECT_NE(run.output.find("\n[out] second\n"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("BM_Where"), std::string::npos) << run.output;
    EXPECT_EQ(fs::read_symlink(folder), fs::canonical(second));

    fs::remove_all(second);
    run = bmtest::RunBmsim(common, "", true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "bmsim: the script folder " + folder + " links to " + fs::canonical(sim.Root()).string() +
                              "/second, which is gone: give --scripts DIR\n");
    fs::remove(folder);
    fs::create_directories(folder);
    sim.AddScript("BM_Again.py", "");
    run = bmtest::RunBmsim(common + "--scripts '" + first + "'", "", true);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.errors, "bmsim: " + folder + " holds scripts, and " + folder + ".saved is taken: move them out of "
                          "the way to run the scripts of " + fs::canonical(first).string() + "\n");
}

// Each event that does nothing, and a --set that sets nothing, is a warning on stderr, and
// under --strict a problem that fails the run; the same events on things that take them pass.
TEST(Bmsim, StrictFailsOnEveryEventThatDidNothing) {
    const std::string menuHint = " (a / or \\ in an item's name is written \\/ or \\\\; bmsim --menus lists the paths)";
    const std::pair<std::string, std::string> cases[] = {
        {"--menu Plugins/Nowhere", "no enabled menu item Plugins/Nowhere" + menuHint},
        {"--menu 'Plugins/Brindlemoor/Script Enable / Disable'",
         "no enabled menu item Plugins/Brindlemoor/Script Enable / Disable" + menuHint},
        {"--at 1:command=no/such/command", "no command no/such/command"},
        {"--at 1:hold=no/such/command:2", "no command no/such/command"},
        {"--set no/such/ref=1", "no data ref no/such/ref"},
        {"--click 5,5", "the click at 5,5 landed on nothing that takes clicks"},
        {"--drag 5,5:50,50", "the drag from 5,5 landed on nothing that takes clicks"},
        {"--at 1:map=close", "the map XPLM_MAP_USER_INTERFACE is not open"},
        {"--at 0:map=open:XPLM_MAP_IOS --at 1:map=open:XPLM_MAP_IOS", "the map XPLM_MAP_IOS is open already"},
    };
    for (const auto& [arguments, what] : cases) {
        bmtest::SimFolder sim;
        const std::string common = "--root '" + sim.Root() + "' --frames 2 " + arguments;
        BmsimRun plain = bmtest::RunBmsim(common, "", true);
        EXPECT_EQ(plain.status, 0) << arguments << "\n" << plain.output;
        EXPECT_EQ(plain.errors, "bmsim: " + what + "\n") << arguments;
        BmsimRun strict = Bmsim(common + " --strict");
        EXPECT_EQ(strict.status, 3) << arguments << "\n" << strict.output;
        std::vector<std::string> lines = bmtest::Lines(strict.output);
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()),
                  (std::vector<std::string>{"strict: no problems", "strict: bmsim: " + what}))
            << strict.output;
    }

    bmtest::SimFolder sim;
    BmsimRun clean = Bmsim("--root '" + sim.Root() + "' --frames 2 --strict --menus --widgets --scripts " +
                           Examples(sim, {"BM_MenuExample.py", "BM_PositionWindow.py"}) +
                           " --menu 'Plugins/Menu example/Toggle the check' --drag 60,700:400,500" +
                           " --at 1:command=sim/flight_controls/flaps_down --at 1:hold=sim/flight_controls/flaps_up:1" +
                           " --menu 'Plugins/Brindlemoor/Control Panel' --at 1:click=780,185");
    EXPECT_EQ(clean.status, 0) << clean.output;
    std::vector<std::string> lines = bmtest::Lines(clean.output);
    EXPECT_EQ(lines.back(), "strict: no problems");
    for (const char* line : {"[menu] Plugins/Menu example/Toggle the check",
                             "[menu] Plugins/Brindlemoor/Script Enable \\/ Disable",
                             "[widget] MainWindow 500,650,950,100 \"Brindlemoor v1.92 - Python scripts for X-Plane\" "
                             "visible xpProperty_MainWindowHasCloseBoxes=1",
                             "[widget]   SubWindow 550,610,900,130 \"\" visible xpProperty_SubWindowType=0",
                             "[widget]   Button 770,195,792,173 \"\" visible xpProperty_ButtonType=1 "
                             "xpProperty_ButtonBehavior=1 xpProperty_ButtonState=0"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << "\n" << clean.output;
    // The screen's coordinates are told once, for the events and the pictures alike.
    EXPECT_EQ(bmtest::Count(Bmsim("--help").output, "bottom left"), 1u);
}

}  // namespace
