// What scripts register lives exactly as long as they do: a disabled script's callbacks stand
// aside, and stops and restarts leave the simulator and the interpreter as they found them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "PythonSupport.h"
#include "PythonTBVCUtilities.h"
#include "XPLMDataAccess.h"
#include "XPLMDefs.h"
#include "XPLMDisplay.h"
#include "bmhost/Control.h"

namespace {

namespace fs = std::filesystem;

int gOtherHotKeys = 0;
void OtherPluginsHotKey(void*) { ++gOtherHotKeys; }

bool SceneDrawn() {
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
        if (op.call == "phase" && op.phase == xplm_Phase_Objects) return true;
    return false;
}

const char kGreedy[] = R"(
from XPLMDisplay import *
class Brindlemoor:
    def XPluginStart(self):
        self.Sniff, self.Draw = self.Sniffed, self.Drawn
        XPLMRegisterKeySniffer(self, self.Sniff, 1, 0)
        XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 1, 0)
        return 'G', 'sig.g', ''
    def Sniffed(self, char, flags, vkey, refcon):
        return 0
    def Drawn(self, phase, before, refcon):
        return 0
)";

TEST(Lifetime, ADisabledScriptsCallbacksPassKeysAndTheSceneThrough) {
    bmtest::RunningPlugin plugin(std::map<std::string, std::string>{{"BM_Greedy", kGreedy}});
    XPLMRegisterHotKey(XPLM_VK_F5, xplm_DownFlag, "other", OtherPluginsHotKey, nullptr);
    gOtherHotKeys = 0;
    // Enabled, the script swallows keys and holds back the scene, as it asks.
    bmhost::PressKey(0, XPLM_VK_F5);
    bmhost::RunFrames(1);
    EXPECT_EQ(gOtherHotKeys, 0);
    EXPECT_FALSE(SceneDrawn());
    // Disabled, it is as if it were not there.
    BMTestTable->SetScriptEnabledStatus(plugin.Script("BM_Greedy"), 0);
    bmhost::PressKey(0, XPLM_VK_F5);
    bmhost::RunFrames(1);
    EXPECT_EQ(gOtherHotKeys, 1);
    EXPECT_TRUE(SceneDrawn());
}

const char kLeaky[] = R"(
from XPLMDefs import *
from XPLMDataAccess import *
from XPLMDisplay import *
from XPLMMenus import *
from XPLMProcessing import *
class Brindlemoor:
    def XPluginEnable(self):
        return 1
    def __init__(self):
        # registered before the loader has even entered the script
        self.Early = self.Looped
        XPLMRegisterFlightLoopCallback(self, self.Early, -1.0, 1)
    def XPluginStart(self):
        self.Loop, self.Draw, self.Sniff, self.Hot = self.Looped, self.Drawn, self.Sniffed, self.Pressed
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Objects, 0, 0)
        XPLMRegisterKeySniffer(self, self.Sniff, 0, 0)
        XPLMRegisterHotKey(self, XPLM_VK_F9, 0, 'F9', self.Hot, 0)
        XPLMCreateWindow(self, 0, 10, 10, 0, 1, self.Drawn, self.Sniffed, self.Sniffed, 0)
        plugins = XPLMFindPluginsMenu()
        XPLMCreateMenu(self, 'Leaky', plugins, XPLMAppendMenuItem(plugins, 'Leaky', 0, 1), self.Pressed, 0)
        XPLMRegisterDataAccessor(self, 'test/leaky', xplmType_Int, 0, self.Read, None, None, None, None, None,
                                 None, None, None, None, None, None, 0, 0)
        XPLMShareData(self, 'test/shared', xplmType_Int, self.Pressed, 0)
        return 'L', 'sig.l', ''
    def Looped(self, *args):
        return -1.0
    def Drawn(self, *args):
        return 1
    def Sniffed(self, *args):
        return 1
    def Pressed(self, *args):
        pass
    def Read(self, refcon):
        return 7
)";

// The objects scripts make and the plug-in could keep alive: script objects and other
// instances, bound methods, functions, classes, modules and frames, by their names under 2.7
// and 3. The interpreter itself leaves a few objects behind at each restart, which are not
// counted: exception types of its extension modules under 2.7 (so classes are not counted by
// their type), and under 3.6 its emptied sys and builtins modules (known by the names they
// held) and its _warnings module.
//
// Python 2's garbage collector, and Python 3's up to 3.6, list every object still alive, those
// of earlier interpreters included. Later ones start their lists anew with each interpreter, so
// an object kept from before is not among them; its class still is among the direct subclasses
// of object, which CPython up to 3.11 keeps across restarts (every class of a Python 3 script is
// one or derives from one, and a kept method, function or frame keeps its module's classes).
// CPython 3.8 and 3.9 themselves keep six classes of their import machinery and codecs from
// each interpreter there, and 3.9 the class of syntax tree nodes once ast is imported (a bare
// Py_Initialize/Py_Finalize loop shows it); those are not counted.
long LiveObjects(bmtest::RunningPlugin& plugin, const std::string& module) {
    const std::string interpreters =
        "lambda m: '__excepthook__' in vars(m) or 'BaseException' in vars(m) or vars(m).get('__name__') == "
        "'_warnings'";
    const std::string counted =
        "type(o).__name__ in ('instance', 'instancemethod', 'method', 'function', 'classobj', 'frame', "
        "'generator', 'cell') or type(o).__name__ == 'module' and not interpreters(o) or "
        "type(type(o)).__name__ == 'type' and type(o).__module__ not in ('__builtin__', 'exceptions', 'builtins')";
    return plugin.EvalInt(module, "(lambda gc, interpreters: gc.collect() * 0 + len([o for o in gc.get_objects() if " +
                                      counted + "]) + len([c for c in object.__subclasses__() if c.__module__ not in "
                                      "('_frozen_importlib', '_frozen_importlib_external', 'codecs', 'ast')]))(__import__('gc'), " +
                                      interpreters + ")");
}

TEST(Lifetime, AStopTakesAwayEverythingTheScriptsLeftRegistered) {
    bmtest::RunningPlugin plugin(std::map<std::string, std::string>{{"BM_Leaky", kLeaky}});
    bmhost::RunFrames(1);
    // Two loops and seven more, beside the virtual camera items the interpreter shares.
    const int held = 9 + kVirtualCameraItemCount;
    EXPECT_EQ(bmhost::RegistrationCount(), held) << plugin.Sim().Log();
    EXPECT_EQ(BMTestTable->GetScriptTableSize(), 1);  // the early loop's entry is the script's
    EXPECT_EQ(plugin.Sim().Log().find("BM_Leaky' successfully loaded"), plugin.Sim().Log().rfind("BM_Leaky' successfully loaded"));
    for (int cycle = 0; cycle < 6; ++cycle) {
        StopPython(1);
        EXPECT_EQ(bmhost::RegistrationCount(), 0) << "cycle " << cycle;
        StartPython(1);
        bmhost::RunFrames(1);
        EXPECT_EQ(bmhost::RegistrationCount(), held) << "cycle " << cycle;
    }
    EXPECT_EQ(bmhost::FlightLoopCount(), 2);
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/leaky")), 7);
}

std::map<std::string, std::string> Examples() {
    std::map<std::string, std::string> scripts;
    for (const auto& file : fs::directory_iterator(BM_EXAMPLES)) {
        // The worker example's thread runs when it gets its turn: its objects come and go.
        if (file.path().extension() != ".py" || file.path().stem() == "BM_Worker") continue;
        std::ifstream in(file.path());
        std::stringstream text;
        text << in.rdbuf();
        scripts[file.path().stem().string()] = text.str();
    }
    return scripts;
}

TEST(Lifetime, AHundredRestartsOfTheExamplesEndWhereTheyBegan) {
    bmtest::RunningPlugin plugin(Examples());
    bmhost::RunFrames(2);
    const std::string module = "BM_FlightLoopCounter";
    const int registrations = bmhost::RegistrationCount();
    const int retired = BMTestTable->RetiredRecordCount();
    long objects = 0;
    for (int cycle = 0; cycle < 100; ++cycle) {
        StopPython(1);
        ASSERT_EQ(bmhost::RegistrationCount(), 0) << "cycle " << cycle;
        StartPython(1);
        bmhost::RunFrames(2);
        ASSERT_EQ(bmhost::RegistrationCount(), registrations) << "cycle " << cycle;
        long now = LiveObjects(plugin, module);
        if (cycle == 1) objects = now;
        if (cycle > 1) {
            ASSERT_EQ(now, objects) << "cycle " << cycle;
        }
    }
    EXPECT_GT(registrations, 5);
    EXPECT_EQ(BMTestTable->RetiredRecordCount(), retired);
}

}  // namespace
