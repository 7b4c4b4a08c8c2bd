// The trampolines, called as the simulator would call them, with records the modules made.
#include <gtest/gtest.h>

#include <cstring>

#include "BrindlemoorTrampolines.h"
#include "PythonSupport.h"
#include "XPLMDataAccess.h"

namespace {

using bmtest::Count;

// One script whose callbacks record their arguments in self.Seen and answer as told.
const char kScript[] = R"(
class Brindlemoor:
    def __init__(self):
        self.Seen = []
        self.Answer = 1
    def XPluginStart(self):
        return 'T', 'sig.t', 'T'
    def Draw(self, phase, before, refcon):
        self.Seen.append(('draw', phase, before, refcon))
        return self.Answer
    def Sniff(self, char, flags, vkey, refcon):
        self.Seen.append(('sniff', char, flags, vkey, refcon))
        return self.Answer
    def Loop(self, since, sinceLoop, counter, refcon):
        self.Seen.append(('loop', round(since, 3), counter, refcon))
        return self.Answer
    def Raise(self, *args):
        raise RuntimeError('callback went wrong')
    def ReturnNone(self, *args):
        pass
    def Menu(self, menuRef, itemRef):
        self.Seen.append(('menu', menuRef, itemRef))
    def Mouse(self, window, x, y, mouse, refcon):
        self.Seen.append(('mouse', window, x, y, mouse, refcon))
        return self.Answer
    def Key(self, window, key, flags, vkey, refcon, losing):
        self.Seen.append(('key', key, flags, vkey, refcon, losing))
    def Camera(self, position, losing, refcon):
        position[5] = 30.0
        return self.Answer
    def GetI(self, refcon):
        return 42
    def GetF(self, refcon):
        return 1.5
    def Publish(self, name, getI, getF):
        from XPLMDataAccess import XPLMRegisterDataAccessor
        return XPLMRegisterDataAccessor(self, name, 3, 0, getI, None, getF, None, None, None,
                                        None, None, None, None, None, None, 0, 0)
    def Notify(self, refcon):
        self.Seen.append(('notify', refcon))
    def Widget(self, message, widget, p1, p2):
        self.Seen.append(('widget', message, widget, p1, p2))
        return self.Answer
)";

class Trampolines : public ::testing::Test {
protected:
    Trampolines() : plugin(std::map<std::string, std::string>{{"BM_T", kScript}}) {}
    PyObject* Script() { return plugin.Script("BM_T"); }
    PyObject* M(const char* name) { return plugin.Method("BM_T", name); }
    long Seen() { return plugin.EvalInt("BM_T", "len(Script.Seen)"); }
    std::string Last() {
        PyObject* text = plugin.Eval("BM_T", "repr(Script.Seen[-1])");
        std::string result = BM_StringAsText(text);
        Py_DECREF(text);
        return result;
    }
    void Answer(const char* value) { plugin.Run("BM_T", std::string("setattr(Script, 'Answer', ") + value + ")"); }
    bmtest::RunningPlugin plugin;
};

TEST_F(Trampolines, DrawCallbacksAnswerForTheScriptAndOnlyWhileItIsEnabled) {
    BMTestTable->SetDrawCallback(Script(), M("Draw"), 99);
    Answer("0");
    EXPECT_EQ(BM_DrawCallback(25, 1, M("Draw")), 0);
    EXPECT_EQ(Last(), "('draw', 25, 1, 99)");
    Answer("1");
    EXPECT_EQ(BM_DrawCallback(25, 0, M("Draw")), 1);

    BMTestTable->SetScriptEnabledStatus(Script(), 0);
    EXPECT_EQ(BM_DrawCallback(25, 0, M("Draw")), 0);
    BMTestTable->SetKeySnifferCallback(Script(), M("Sniff"), 0);
    EXPECT_EQ(BM_KeySnifferCallback('a', 0, 65, M("Sniff")), 0);
    BMTestTable->SetFlightLoopCallback(Script(), M("Loop"), 0);
    EXPECT_EQ(BM_FlightLoopCallback(1.0f, 1.0f, 1, M("Loop")), 0.0f);
    EXPECT_EQ(Seen(), 2);  // nothing was called while disabled
}

TEST_F(Trampolines, RaisingAndUnconvertibleResults) {
    BMTestTable->SetDrawCallback(Script(), M("Raise"), 0);
    EXPECT_EQ(BM_DrawCallback(0, 0, M("Raise")), 1);
    EXPECT_EQ(Count(plugin.Sim().Log(), "RuntimeError: callback went wrong\n"), 1u);
    EXPECT_FALSE(PyErr_Occurred());

    BMTestTable->SetFlightLoopCallback(Script(), M("ReturnNone"), 0);
    EXPECT_EQ(BM_FlightLoopCallback(1.0f, 1.0f, 1, M("ReturnNone")), 1.0f);
    EXPECT_NE(plugin.Sim().Log().find("TypeError"), std::string::npos);
    EXPECT_FALSE(PyErr_Occurred());

    void* window = reinterpret_cast<void*>(0xB703000000001ull);
    BMTestTable->SetWindowId(Script(), window, M("ReturnNone"), M("Raise"), M("Raise"));
    EXPECT_EQ(BM_MouseClickCallback(window, 1, 2, xplm_MouseDown, nullptr), 0);
    EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(Trampolines, FlightLoopsGetTheirArgumentsAndGiveTheNextInterval) {
    BMTestTable->SetFlightLoopCallback(Script(), M("Loop"), 0x1234567890);
    Answer("-1.0");
    EXPECT_EQ(BM_FlightLoopCallback(0.5f, 0.25f, 7, M("Loop")), -1.0f);
    EXPECT_EQ(Last(), "('loop', 0.5, 7, 78187493520)");
    Answer("2");
    EXPECT_EQ(BM_FlightLoopCallback(0.5f, 0.25f, 8, M("Loop")), 2.0f);
    // Removed: the simulator may still call, and Python is not entered.
    BMTestTable->RemoveFlightLoopCallback(Script(), M("Loop"));
    EXPECT_EQ(BM_FlightLoopCallback(0.5f, 0.25f, 9, M("Loop")), 0.0f);
    EXPECT_EQ(Seen(), 2);
}

TEST_F(Trampolines, KeysAboveAsciiArriveUnsigned) {
    BMTestTable->SetKeySnifferCallback(Script(), M("Sniff"), 3);
    EXPECT_EQ(BM_KeySnifferCallback('=', xplm_DownFlag, char(XPLM_VK_NUMPAD_EQ), M("Sniff")), 1);
    EXPECT_EQ(Last(), "('sniff', 61, 8, 189, 3)");
    void* window = reinterpret_cast<void*>(0xB703000000001ull);
    BMTestTable->SetWindowId(Script(), window, M("Draw"), M("Key"), M("Mouse"));
    BM_KeyCallback(window, 'x', 0, char(0xB0), reinterpret_cast<void*>(5), 0);
    EXPECT_EQ(Last(), "('key', 120, 0, 176, 5, 0)");
}

TEST_F(Trampolines, CallbacksWithoutResultsGetTheScriptsRefcon) {
    BMTestTable->SetHotKeyCallback(Script(), reinterpret_cast<void*>(0xB704000000001ull), M("Notify"), 11);
    BM_HotKeyCallback(M("Notify"));
    EXPECT_EQ(Last(), "('notify', 11)");
    BMTestTable->SetSharedDataCallback(Script(), M("Menu"), 12);  // another callable, another kind
    BMTestTable->SetPlanesAvailableCallback(Script(), M("Notify"), 13);
    BM_PlanesAvailableCallback(M("Notify"));
    EXPECT_EQ(Last(), "('notify', 13)");
    BM_SharedDataCallback(M("Notify"));  // not registered as shared data: nothing happens
    EXPECT_EQ(Seen(), 2);
}

TEST_F(Trampolines, MenusGetTheScriptsOwnMenuRef) {
    BMTestTable->SetMenuCallback(Script(), reinterpret_cast<void*>(0xB702000000001ull), M("Menu"), 7);
    BM_MenuCallback(M("Menu"), reinterpret_cast<void*>(0xB700000000042ull));
    EXPECT_EQ(Last(), "('menu', 7, 3219370046128194)");
}

TEST_F(Trampolines, WindowCallbacksFindTheScriptByWindow) {
    void* window = reinterpret_cast<void*>(0xB703000000001ull);
    BMTestTable->SetWindowId(Script(), window, M("Draw"), M("Key"), M("Mouse"));
    Answer("1");
    EXPECT_EQ(BM_MouseClickCallback(window, 10, 20, xplm_MouseDrag, reinterpret_cast<void*>(4)), 1);
    EXPECT_EQ(Last(), "('mouse', 3219576204558337, 10, 20, 2, 4)");
    // An unknown window reaches no script.
    EXPECT_EQ(BM_MouseClickCallback(reinterpret_cast<void*>(0xB703000000009ull), 1, 1, 1, nullptr), 0);
}

TEST_F(Trampolines, CameraChangesComeBackWhateverTheAnswer) {
    BMTestTable->SetCameraControlCallback(Script(), M("Camera"), 0);
    XPLMCameraPosition_t position{1, 2, 3, 4, 5, 6, 7};
    Answer("0");
    EXPECT_EQ(CameraControlCallback(&position, 0, M("Camera")), 0);
    EXPECT_EQ(position.roll, 30.0f);
    EXPECT_EQ(position.x, 1.0f);
    EXPECT_EQ(position.zoom, 7.0f);
    // Losing control: no position to change.
    EXPECT_EQ(CameraControlCallback(nullptr, 1, M("Camera")), 0);
    EXPECT_NE(plugin.Sim().Log().find("UserCameraControlCallback Call failed\n"), std::string::npos);
}

TEST_F(Trampolines, WidgetCallbacksThatRaiseAreQuiet) {
    void* widget = reinterpret_cast<void*>(0xB705000000001ull);
    BMTestTable->SetWidgetCallback(Script(), widget, M("Widget"));
    Answer("1");
    EXPECT_EQ(BM_WidgetCallback(3, widget, intptr_t(0xB700000000000ll), -1), 1);
    EXPECT_EQ(Last(), "('widget', 3, 3219713643511809, 3219370046128128, -1)");
    void* other = reinterpret_cast<void*>(0xB705000000002ull);
    BMTestTable->SetWidgetCallback(Script(), other, M("Raise"));
    std::string log = plugin.Sim().Log();
    EXPECT_EQ(BM_WidgetCallback(3, other, 0, 0), 1);
    EXPECT_EQ(plugin.Sim().Log(), log);
    EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(Trampolines, NothingReachesPythonOnceTheTableIsGone) {
    BMTestTable->SetDrawCallback(Script(), M("Draw"), 0);
    BM_ScriptTable* table = BMTestTable;
    BMTestTable = nullptr;
    EXPECT_EQ(BM_DrawCallback(0, 0, M("Draw")), 0);
    EXPECT_EQ(BM_GetDatai_Callback(nullptr), 0);
    BMTestTable = table;
    EXPECT_EQ(Seen(), 0);
}

TEST_F(Trampolines, AccessorsAnswerOnlyForTheirEnabledOwner) {
    auto publish = [&](const char* name, const char* getI, const char* getF) {
        plugin.Run("BM_T", std::string("Script.Publish('") + name + "', " + getI + ", " + getF + ")");
    };
    publish("test/answers", "Script.GetI", "Script.GetF");
    publish("test/raises", "Script.Raise", "Script.Raise");
    // Bound to another object than the script that registers it.
    publish("test/borrowed", "Script.__class__().GetI", "Script.GetF");

    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/answers")), 42);
    EXPECT_EQ(XPLMGetDataf(XPLMFindDataRef("test/answers")), 1.5f);
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/raises")), 1);
    EXPECT_EQ(XPLMGetDataf(XPLMFindDataRef("test/raises")), 1.0f);
    EXPECT_EQ(Count(plugin.Sim().Log(), "RuntimeError: callback went wrong\n"), 2u);
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/borrowed")), 0);  // its owner is no script
    EXPECT_FALSE(PyErr_Occurred());

    BMTestTable->SetScriptEnabledStatus(Script(), 0);
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/answers")), 0);
    EXPECT_EQ(XPLMGetDataf(XPLMFindDataRef("test/answers")), 0.0f);
}

}  // namespace
