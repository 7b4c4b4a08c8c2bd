// Terrain probes, magnetic variation, objects, the library and instances through the built
// plug-in: what scripts see, what the stand-in records, and what goes with a script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BmsimRun.h"
#include "LoadPlugin.h"
#include "TestSupport.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Lines;
using Lines_t = std::vector<std::string>;
namespace fs = std::filesystem;

void WriteFile(const std::string& path, const std::string& text) {
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path) << text;
}

// A scenery pack with two objects (one of them no OBJ8 file) and a library exporting them.
void AddScenery(const bmtest::SimFolder& sim) {
    const std::string pack = sim.Root() + "Custom Scenery/";
    WriteFile(pack + "B Pack/objects/oak.obj", "\nA\n800\nOBJ\n\nTEXTURE oak.png\n");
    WriteFile(pack + "B Pack/objects/pine.obj", "I\n800\nOBJ\n");
    WriteFile(pack + "B Pack/objects/broken.obj", "A\n700\nOBJ\n");
    WriteFile(pack + "B Pack/library.txt", "A\n800\nLIBRARY\nEXPORT lib/tree.obj objects/oak.obj\n"
                                           "EXPORT lib/tree.obj objects/pine.obj\nEXPORT lib/oak.obj objects/oak.obj\n");
    WriteFile(pack + "A Pack/library.txt", "EXPORT lib/tree.obj  trees/first tree.obj \r\nEXPORTX lib/tree.obj no.obj\n");
}

const char kHeader[] =
    "from __future__ import print_function\n"
    "import sys\n"
    "from XPLMScenery import *\n"
    "from XPLMInstance import *\n"
    "from XPLMGraphics import *\n"
    "from XPLMProcessing import *\n"
    "from PythonScriptMessaging import *\n"
    "def attempt(f, *args):\n"
    "    try:\n"
    "        return f(*args)\n"
    "    except Exception as e:\n"
    "        return '%s: %s' % (type(e).__name__, e)\n";

// A script whose XPluginStart runs `body`, with further methods `more`.
std::string Script(const std::string& body, const std::string& more = std::string()) {
    bool receives = more.find("def XPluginReceiveMessage") != std::string::npos;
    return std::string(kHeader) +
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n" +
           body +
           "        return 'S', 'sig.' + __name__, ''\n"
           "    def XPluginEnable(self):\n"
           "        return 1\n"
           "    def XPluginDisable(self):\n"
           "        pass\n"
           "    def XPluginStop(self):\n"
           "        pass\n" +
           (receives ? "" : "    def XPluginReceiveMessage(self, who, message, param):\n        pass\n") + more;
}

// A 3 x 3 grid over 47..48 N, 123..122 W, one water point; the default elevation outside it.
// Each row: latitude, longitude, then what the probe says: height, normal, water.
TEST(Scenery, ProbesAnswerFromTheHeightFieldWithNormalsAndWater) {
    bmtest::SimFolder sim;
    WriteFile(sim.Root() + "terrain.txt",
              "# a test field\ndefault 10  # metres\ngrid 47 -123 48 -122\n0 100 200\n0 100 200w\n50 150 250\n");
    sim.AddScript("BM_Probe.py", Script(R"(
        probe = XPLMCreateProbe(self, xplm_ProbeY)
        for lat, lon in ((47.75, -122.75), (47.6, -122.2), (47.25, -122.5), (46.0, -122.5)):
            x, y, z = XPLMWorldToLocal(lat, lon, 0.0)
            info = XPLMProbeTerrainXYZ(probe, x, 1234.0, z)
            result, lx, ly, lz, nx, ny, nz, vx, vy, vz, wet = info
            print(result, abs(lx - x) < 0.01 and abs(lz - z) < 0.01, '%.2f %.5f %.5f %.5f' % (ly, nx, ny, nz),
                  vx, vy, vz, wet, info.is_wet)
        print(XPLMCreateProbe(self, 1), XPLMDestroyProbe(self, probe), XPLMDestroyProbe(self, probe))
        print(XPLMProbeTerrainXYZ(probe, 0, 0, 0).result == xplm_ProbeError)
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{
                                       "0 True 50.00 -0.00266 1.00000 0.00000 0.0 0.0 0.0 0 0",
                                       "0 True 160.00 -0.00266 1.00000 0.00000 0.0 0.0 0.0 1 1",
                                       "0 True 125.00 -0.00266 1.00000 -0.00090 0.0 0.0 0.0 0 0",
                                       "0 True 10.00 0.00000 1.00000 0.00000 0.0 0.0 0.0 0 0",
                                       "0 1 0",
                                       "True",
                                   }))
        << sim.Log();
    EXPECT_NE(bmhost::SimLog().find("[stand-in] XPLMCreateProbe: probe type 1 is not xplm_ProbeY\n"), std::string::npos);
    EXPECT_NE(bmhost::SimLog().find("[stand-in] XPLMProbeTerrainXYZ: not a probe\n"), std::string::npos);
}

// Without terrain.txt the world is flat and dry at 0 m; a file that cannot be read says where
// and leaves it flat. Magnetic variation: 15 cos(latitude) sin(-longitude), east positive, the
// conversions at the aircraft (the default reference point) and within 0 to 360.
TEST(Scenery, FlatWorldBadTerrainAndMagneticVariation) {
    for (const std::string& terrain : {std::string(), std::string("grid 47 -123 48 -122\n1 2\n3 x\n")}) {
        bmtest::SimFolder sim;
        if (!terrain.empty()) WriteFile(sim.Root() + "terrain.txt", terrain);
        sim.AddScript("BM_Mag.py", Script(R"(
        info = XPLMProbeTerrainXYZ(XPLMCreateProbe(self, xplm_ProbeY), 10.0, -50.0, 20.0)
        print(tuple(info))
        for lat, lon in ((0.0, -90.0), (0.0, 90.0), (60.0, -90.0), (47.4647, -122.3088)):
            print('%.4f' % XPLMGetMagneticVariation(lat, lon))
        print('%.4f %.4f %.4f' % (XPLMDegTrueToDegMagnetic(5.0), XPLMDegMagneticToDegTrue(355.0),
                                  XPLMDegMagneticToDegTrue(XPLMDegTrueToDegMagnetic(123.0))))
)"));
        LoadBrindlemoor(true);
        EXPECT_EQ(Lines(sim.Output()), (Lines_t{"(0, 10.0, 0.0, 20.0, 0.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0)", "15.0000",
                                                "-15.0000", "7.5000", "8.5707", "356.4293 3.5707 123.0000"}))
            << sim.Log();
        EXPECT_EQ(bmhost::SimLog().find("terrain.txt line") == std::string::npos, terrain.empty());
        if (!terrain.empty()) {
            EXPECT_NE(bmhost::SimLog().find("[stand-in] terrain.txt line 3: 'x' is no elevation; the terrain is flat\n"),
                      std::string::npos);
        }
    }
}

// Loads by path (the OBJ8 header checked), lookups through the packs' library.txt files in
// pack order, and drawing recorded from a drawing callback only.
TEST(Scenery, ObjectsLoadByPathAndLibraryLookupsListTheExports) {
    bmtest::SimFolder sim;
    AddScenery(sim);
    sim.AddScript("BM_Objects.py", Script(R"(
        self.oak = XPLMLoadObject(self, 'Custom Scenery/B Pack/objects/oak.obj')
        again = XPLMLoadObject(self, './Custom Scenery/B Pack/objects/../objects/oak.obj')
        print(self.oak != 0, again == self.oak, XPLMLoadObject(self, 'Custom Scenery/B Pack/objects/broken.obj'),
              XPLMLoadObject(self, 'nothing.obj'), XPLMLoadObject(self, '../outside.obj'))
        print(XPLMUnloadObject(self, again), XPLMUnloadObject(self, 12345))
        found = []
        print(XPLMLookupObjects('lib/tree.obj', 47.0, -122.0, lambda path, ref: found.append((path, ref)), 'r'))
        print(found)
        print(XPLMLookupObjects('lib/oak.obj', 0, 0, None, None), XPLMLookupObjects('lib/none.obj', 0, 0, None, 0))
        def refuse(path, ref):
            raise KeyError(path)
        print(attempt(XPLMLookupObjects, 'lib/tree.obj', 0, 0, refuse, 0))
        print(attempt(XPLMDrawObjects, self.oak, 2, [(1, 2, 3)], 0, 1))
        XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 0, 0)
)", R"(
    def Draw(self, phase, before, refcon):
        XPLMDrawObjects(self.oak, 2, [(1, 2, 3), {'x': 4, 'y': 5, 'z': 6, 'heading': 90}], 1, 0)
        return 1
)") + "from XPLMDisplay import *\n");
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()),
              (Lines_t{"True True 0 0 0", "1 0", "3",
                       "[('Custom Scenery/A Pack/trees/first tree.obj', 'r'), ('Custom Scenery/B Pack/objects/oak.obj', "
                       "'r'), ('Custom Scenery/B Pack/objects/pine.obj', 'r')]",
                       "1 0", "KeyError: 'Custom Scenery/A Pack/trees/first tree.obj'",
                       "ValueError: XPLMDrawObjects: inCount is 2, but inLocations holds 1"}))
        << sim.Log();
    std::string log = bmhost::SimLog();
    for (const char* line : {"XPLMLoadObject: Custom Scenery/B Pack/objects/broken.obj is not an OBJ8 file (I or A, 800, OBJ)",
                             "XPLMLoadObject: no object at nothing.obj",
                             "XPLMLoadObject: ../outside.obj is not inside the simulator folder"})
        EXPECT_NE(log.find(std::string("[stand-in] ") + line + "\n"), std::string::npos) << line << log;
    std::vector<std::string> drawn;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
        if (op.call == "XPLMDrawObjects") drawn.push_back(op.ToString());
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_NE(drawn[0].find("XPLMDrawObjects(2, 1, 0, 1, 2, 3, 0, 0, 0, 4, 5, 6, 0, 90, 0"), std::string::npos)
        << drawn[0];
    EXPECT_EQ(bmhost::ObjectReferenceCount(), 1);
}

// An asynchronous load arrives at the start of the second frame after it was asked for, as the
// script's object. One asked for by a script that is disabled, or reloaded, before it arrives
// calls nothing, and the object goes again.
TEST(Scenery, AsyncLoadsArriveLaterAndNeverCallAScriptThatWent) {
    bmtest::SimFolder sim;
    AddScenery(sim);
    const std::string loaded = R"(
    def Loaded(self, obj, refcon):
        print(__name__, 'loaded at', XPLMGetCycleNumber(), obj != 0, refcon)
    def XPluginReceiveMessage(self, who, message, param):
        if message != {'BM_Late': 0, 'BM_Reloaded': 1, 'BM_Disabled': 2}[__name__]:
            return
        XPLMLoadObjectAsync(self, 'Custom Scenery/B Pack/objects/pine.obj', self.Loaded, 2)
        if message == 1:
            print(__name__, 'reload', BM_ReloadScript(self))
        if message == 2:
            print(__name__, 'disable', BM_DisableScript(self))
)";
    for (const char* name : {"BM_Late.py", "BM_Reloaded.py", "BM_Disabled.py"})
        sim.AddScript(name, Script("        XPLMLoadObjectAsync(self, 'Custom Scenery/B Pack/objects/oak.obj', self.Loaded, 1)\n"
                                   "        XPLMLoadObjectAsync(self, 'missing.obj', self.Loaded, 0)\n",
                                   loaded));
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::PendingObjectLoads(), 6);
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::ObjectReferenceCount(), 3);
    sim.AddScript("BM_Reloaded.py", Script("", loaded));  // its next generation loads nothing
    for (int message : {0, 1, 2}) bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, message, nullptr);
    bmhost::RunFrames(3);
    EXPECT_EQ(Lines(sim.Output()),
              (Lines_t{"BM_Disabled loaded at 2 True 1", "BM_Disabled loaded at 2 False 0", "BM_Late loaded at 2 True 1",
                       "BM_Late loaded at 2 False 0", "BM_Reloaded loaded at 2 True 1",
                       "BM_Reloaded loaded at 2 False 0", "BM_Reloaded reload 1", "BM_Disabled disable 1",
                       "BM_Late loaded at 4 True 2"}))
        << sim.Log();
    // Late's oak and pine, Disabled's oak: the pines of the reloaded and the disabled script went.
    EXPECT_EQ(bmhost::ObjectReferenceCount(), 3);
    EXPECT_EQ(bmhost::PendingObjectLoads(), 0);
}

// Instances as bmsim --instances prints them after the last frame: the object, where the last
// XPLMInstanceSetPosition put it and its data refs' values; a wrong count of values is refused.
TEST(Instances, BmsimPrintsTheirObjectPositionAndDataValues) {
    bmtest::SimFolder sim;
    AddScenery(sim);
    WriteFile(sim.Root() + "scripts/BM_Grove.py", Script(R"(
        oak = XPLMLoadObject(self, 'Custom Scenery/B Pack/objects/oak.obj')
        self.trees = [XPLMCreateInstance(self, oak, ['sim/a', 'bm/sway']) for i in range(2)]
        self.bare = XPLMCreateInstance(self, oak, ())
        # The instances hold the object: it stays loaded when the script's load goes.
        print(XPLMUnloadObject(self, oak), XPLMCreateInstance(self, oak, []) != 0, XPLMCreateInstance(self, 0, []))
        print(attempt(XPLMInstanceSetPosition, self.trees[0], (1, 2, 3), [1.0, 2.0, 3.0]))
        print(attempt(XPLMInstanceSetPosition, self.trees[0], (1, 2, 3), None))
        print(attempt(XPLMInstanceSetPosition, self.trees[0], {'x': 1, 'y': 2}, [1, 2]))
        print(attempt(XPLMInstanceSetPosition, self.trees[0], (1, 2, 3), [1, 'x']))
        print(attempt(XPLMInstanceSetPosition, 99, (1, 2, 3), []))
        print(attempt(XPLMCreateInstance, self, oak, 'sim/a'))
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
)", R"(
    def Loop(self, since, sinceLoop, counter, refcon):
        for i, tree in enumerate(self.trees):
            XPLMInstanceSetPosition(tree, {'x': 10.0 * i, 'y': 2.5, 'z': -counter, 'heading': 90}, [counter, i / 4.0])
        XPLMInstanceSetPosition(self.bare, [1, 2, 3, 4, 5, 6], None)
        return -1.0
)"));
    bmtest::BmsimRun run = bmtest::RunBmsim("--root '" + sim.Root() + "' --scripts '" + sim.Root() +
                                            "scripts' --frames 3 --instances --strict");
    EXPECT_EQ(run.status, 0) << run.output;
    const std::string oak = "Custom Scenery/B Pack/objects/oak.obj";
    Lines_t expected = {
        "[out] 1 True 0",
        "[out] ValueError: XPLMInstanceSetPosition: the instance has 2 data refs, so data needs 2 values, not 3",
        "[out] ValueError: XPLMInstanceSetPosition: the instance has 2 data refs, so data needs 2 values, not 0",
        "[out] TypeError: XPLMInstanceSetPosition: the struct's field z is missing",
        "[out] TypeError: XPLMInstanceSetPosition: data[1] must be a number, not str",
        "[out] ValueError: XPLMInstanceSetPosition: 99 is no instance of this script",
        "[out] TypeError: XPLMCreateInstance: datarefs must be a list or tuple of data ref names, not str",
        "[instance] " + oak + " at 0,2.5,-3 pitch 0 heading 90 roll 0 sim/a=3 bm/sway=0",
        "[instance] " + oak + " at 10,2.5,-3 pitch 0 heading 90 roll 0 sim/a=3 bm/sway=0.25",
        "[instance] " + oak + " at 1,2,3 pitch 4 heading 5 roll 6",
        "[instance] " + oak + " at 0,0,0 pitch 0 heading 0 roll 0",  // where an instance starts
    };
    Lines_t lines = Lines(run.output), mine;
    for (const std::string& line : lines)
        if (line.rfind("[out] ", 0) == 0 || line.rfind("[instance] ", 0) == 0) mine.push_back(line);
    EXPECT_EQ(mine, expected) << run.output;
}

// What a script made is its own: another script can neither destroy nor move it, and all of it
// (probes, object loads, instances, loads under way) goes when the script reloads or stops.
TEST(Scenery, ProbesObjectsAndInstancesAreTheirScriptsAndGoWithIt) {
    bmtest::SimFolder sim;
    AddScenery(sim);
    sim.AddScript("BM_Owner.py", Script(R"(
        sys.bm_generation = getattr(sys, 'bm_generation', 0) + 1
        oak = XPLMLoadObject(self, 'Custom Scenery/B Pack/objects/oak.obj')
        XPLMLoadObject(self, 'Custom Scenery/B Pack/objects/oak.obj')
        sys.bm_made = (XPLMCreateProbe(self, xplm_ProbeY), oak, XPLMCreateInstance(self, oak, ['a']))
        XPLMLoadObjectAsync(self, 'Custom Scenery/B Pack/objects/pine.obj', self.Loaded,
                            sys.bm_generation)
)", R"(
    def Loaded(self, obj, refcon):
        print('loaded', refcon)
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            BM_ReloadScript(self)
)"));
    sim.AddScript("BM_Other.py", Script("", R"(
    def XPluginReceiveMessage(self, who, message, param):
        if message != 2:
            return
        probe, oak, instance = sys.bm_made
        print(XPLMDestroyProbe(self, probe), XPLMUnloadObject(self, oak), XPLMDestroyInstance(self, instance),
              XPLMProbeTerrainXYZ(probe, 0, 0, 0).result == xplm_ProbeError)
        print(attempt(XPLMInstanceSetPosition, instance, (1, 2, 3), [1.0]).startswith('ValueError'))
)"));
    LoadBrindlemoor(true);
    auto counts = [] {
        return std::vector<int>{bmhost::ProbeCount(), bmhost::ObjectReferenceCount(), bmhost::InstanceCount(),
                                bmhost::PendingObjectLoads()};
    };
    EXPECT_EQ(counts(), (std::vector<int>{1, 2, 1, 1}));
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 2, nullptr);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"0 0 0 True", "True"})) << sim.Log();
    EXPECT_EQ(counts(), (std::vector<int>{1, 2, 1, 1}));
    // The reloaded script makes its things again; the old ones went, and its old load calls
    // nothing. The new load arrives: the pine is the script's too.
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(3);
    EXPECT_EQ(counts(), (std::vector<int>{1, 3, 1, 0}));
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"0 0 0 True", "True", "loaded 2"})) << sim.Log();
    bmhost::UnloadPlugins();
    EXPECT_EQ(counts(), (std::vector<int>{0, 0, 0, 0}));
    EXPECT_EQ(bmhost::RegistrationCount(), 0);
}

}  // namespace
