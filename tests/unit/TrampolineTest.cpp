// The trampolines, called as the simulator would call them, with records the modules made.
#include <gtest/gtest.h>

#include <cstring>

#include "BrindlemoorTrampolines.h"
#include "PythonSupport.h"
#include "XPLMDataAccess.h"
#include "bmhost/Control.h"

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
        self.Seen.append(('camera', position, losing, refcon) if not position else ('camera', losing))
        if position:
            position[5] = 30.0
        return self.Answer
    def CameraRaises(self, position, losing, refcon):
        position[5] = 45.0
        raise RuntimeError('camera went wrong')
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
    def StartSelfRemoving(self):
        from XPLMProcessing import XPLMRegisterFlightLoopCallback
        self.SelfLoop = self.SelfRemoving
        XPLMRegisterFlightLoopCallback(self, self.SelfLoop, -1.0, 0)
    def SelfRemoving(self, *args):
        from XPLMProcessing import XPLMUnregisterFlightLoopCallback
        XPLMUnregisterFlightLoopCallback(self, self.SelfLoop, 0)
        del self.SelfLoop
        raise ValueError('after the drop')
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
        std::string result = BM_TextAsUtf8(text);
        Py_DECREF(text);
        return result;
    }
    void Answer(const char* value) { plugin.Run("BM_T", std::string("setattr(Script, 'Answer', ") + value + ")"); }
    // A record of the script for the named method, as a module makes one; the simulator would
    // hold it as refcon.
    // The camera's and the aircraft's records are known by themselves, as the modules make them.
    void* Record(BM_CallbackKind kind, const char* method, intptr_t refcon) {
        _CallbackRecordStruct* record = BMTestTable->AddRecord(Script(), kind, M(method), refcon);
        if (kind == BM_KindCameraControl || kind == BM_KindPlanesAvailable) BMTestTable->SetHandle(record, record);
        return record;
    }
    void* WindowRecord(const char* draw, const char* key, const char* mouse) {
        auto* record = static_cast<_CallbackRecordStruct*>(Record(BM_KindDrawWindow, draw, 0));
        record->callables[BM_WindowKey] = M(key);
        record->callables[BM_WindowMouseClick] = M(mouse);
        Py_INCREF(M(key));
        Py_INCREF(M(mouse));
        return record;
    }
    bmtest::RunningPlugin plugin;
};

TEST_F(Trampolines, DrawCallbacksAnswerForTheScriptAndPassThroughWhileItIsDisabled) {
    void* draw = Record(BM_KindDraw, "Draw", 99);
    Answer("0");
    EXPECT_EQ(BM_DrawCallback(25, 1, draw), 0);
    EXPECT_EQ(Last(), "('draw', 25, 1, 99)");
    Answer("1");
    EXPECT_EQ(BM_DrawCallback(25, 0, draw), 1);

    // Disabled: the simulator draws, keys go on, and loops keep the interval they asked for.
    void* sniffer = Record(BM_KindKeySniffer, "Sniff", 0);
    void* loop = Record(BM_KindFlightLoop, "Loop", 0);
    Answer("-1.0");
    EXPECT_EQ(BM_FlightLoopCallback(1.0f, 1.0f, 1, loop), -1.0f);
    BMTestTable->SetScriptEnabledStatus(Script(), 0);
    EXPECT_EQ(BM_DrawCallback(25, 0, draw), 1);
    EXPECT_EQ(BM_KeySnifferCallback('a', 0, 65, sniffer), 1);
    EXPECT_EQ(BM_FlightLoopCallback(1.0f, 1.0f, 2, loop), -1.0f);
    EXPECT_EQ(Seen(), 3);  // nothing was called while disabled
}

TEST_F(Trampolines, CallbacksWithoutAnswersReachNoDisabledScript) {
    void* hotKey = Record(BM_KindHotKey, "Notify", 1);
    void* menu = Record(BM_KindMenu, "Menu", 2);
    void* shared = Record(BM_KindSharedData, "Notify", 3);
    void* window = WindowRecord("Draw", "Key", "Mouse");
    BMTestTable->SetScriptEnabledStatus(Script(), 0);
    BM_HotKeyCallback(hotKey);
    BM_MenuCallback(menu, nullptr);
    BM_SharedDataCallback(shared);
    BM_DrawWindowCallback(nullptr, window);
    BM_KeyCallback(nullptr, 'x', 0, 'X', window, 0);
    EXPECT_EQ(Seen(), 0);
    BMTestTable->SetScriptEnabledStatus(Script(), 1);
    BM_HotKeyCallback(hotKey);
    EXPECT_EQ(Seen(), 1);
}

TEST_F(Trampolines, RaisingAndUnconvertibleResults) {
    EXPECT_EQ(BM_DrawCallback(0, 0, Record(BM_KindDraw, "Raise", 0)), 1);
    EXPECT_EQ(Count(plugin.Sim().Log(), "RuntimeError: callback went wrong\n"), 1u);
    EXPECT_FALSE(PyErr_Occurred());

    // A result of the wrong type names the script and the callback.
    EXPECT_EQ(BM_FlightLoopCallback(1.0f, 1.0f, 1, Record(BM_KindFlightLoop, "ReturnNone", 0)), 1.0f);
    EXPECT_EQ(Count(plugin.Sim().Log(), "TypeError: BM_T.ReturnNone must return a number, not NoneType\n"), 1u);
    EXPECT_FALSE(PyErr_Occurred());

    void* window = WindowRecord("ReturnNone", "Raise", "Raise");
    EXPECT_EQ(BM_MouseClickCallback(nullptr, 1, 2, xplm_MouseDown, window), 0);
    EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(Trampolines, ACallbackFailingEveryFrameIsReportedOnceAndThenSummedUp) {
    void* loop = Record(BM_KindFlightLoop, "Raise", 0);
    for (int frame = 0; frame < 150; ++frame) {
        EXPECT_EQ(BM_FlightLoopCallback(1.0f, 1.0f, frame, loop), 1.0f);
        bmhost::RunFrames(1);  // the simulator's clock, by which the summaries go
    }
    std::string log = plugin.Sim().Log();
    EXPECT_EQ(Count(log, "\nRuntimeError: callback went wrong\n"), 1u);
    EXPECT_EQ(Count(log, "Traceback"), 1u);
    // One summary a second of simulator time: at 1.0 s and 2.0 s after the first failure.
    EXPECT_EQ(Count(log, "Brindlemoor - BM_T.Raise failed 60 more times, last: RuntimeError: callback went wrong\n"),
              2u);
    // What is left is summed up when the registration goes.
    BMTestTable->RemoveRecord(static_cast<_CallbackRecordStruct*>(loop));
    EXPECT_EQ(Count(plugin.Sim().Log(), "Brindlemoor - BM_T.Raise failed 29 more times, last: RuntimeError: callback went wrong\n"),
              1u);
    EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(Trampolines, FlightLoopsGetTheirArgumentsAndGiveTheNextInterval) {
    void* loop = Record(BM_KindFlightLoop, "Loop", 0x1234567890);
    Answer("-1.0");
    EXPECT_EQ(BM_FlightLoopCallback(0.5f, 0.25f, 7, loop), -1.0f);
    EXPECT_EQ(Last(), "('loop', 0.5, 7, 78187493520)");
    Answer("2");
    EXPECT_EQ(BM_FlightLoopCallback(0.5f, 0.25f, 8, loop), 2.0f);
    EXPECT_EQ(Seen(), 2);
}

TEST_F(Trampolines, KeysAboveAsciiArriveUnsigned) {
    EXPECT_EQ(BM_KeySnifferCallback('=', xplm_DownFlag, char(XPLM_VK_NUMPAD_EQ), Record(BM_KindKeySniffer, "Sniff", 3)),
              1);
    EXPECT_EQ(Last(), "('sniff', 61, 8, 189, 3)");
    auto* window = static_cast<_CallbackRecordStruct*>(WindowRecord("Draw", "Key", "Mouse"));
    window->refcon = 5;
    BM_KeyCallback(nullptr, 'x', 0, char(0xB0), window, 0);
    EXPECT_EQ(Last(), "('key', 120, 0, 176, 5, 0)");
}

TEST_F(Trampolines, CallbacksWithoutResultsGetTheScriptsRefcon) {
    BM_HotKeyCallback(Record(BM_KindHotKey, "Notify", 11));
    EXPECT_EQ(Last(), "('notify', 11)");
    BM_PlanesAvailableCallback(Record(BM_KindPlanesAvailable, "Notify", 13));
    EXPECT_EQ(Last(), "('notify', 13)");
    BM_SharedDataCallback(Record(BM_KindSharedData, "Notify", 14));
    EXPECT_EQ(Last(), "('notify', 14)");
    EXPECT_EQ(Seen(), 3);
}

// The simulator may call a planes-available callback long after the script's request went (it
// waited for the aircraft meanwhile): the refcon is looked up, never followed.
TEST_F(Trampolines, AStaleAircraftOrCameraRefconIsNeverFollowed) {
    auto* planes = static_cast<_CallbackRecordStruct*>(Record(BM_KindPlanesAvailable, "Notify", 13));
    auto* camera = static_cast<_CallbackRecordStruct*>(Record(BM_KindCameraControl, "Camera", 6));
    BMTestTable->RemoveRecord(planes);
    BMTestTable->RemoveRecord(camera);
    BM_PlanesAvailableCallback(planes);
    XPLMCameraPosition_t position = {};
    EXPECT_EQ(CameraControlCallback(&position, 0, camera), 0);
    BM_PlanesAvailableCallback(reinterpret_cast<void*>(0xDEAD0000BEEFull));
    EXPECT_EQ(Seen(), 0);
}

TEST_F(Trampolines, MenusGetTheScriptsOwnMenuRef) {
    BM_MenuCallback(Record(BM_KindMenu, "Menu", 7), reinterpret_cast<void*>(0xB700000000042ull));
    EXPECT_EQ(Last(), "('menu', 7, 3219370046128194)");
}

TEST_F(Trampolines, WindowCallbacksGetTheWindowAndItsRefcon) {
    auto* window = static_cast<_CallbackRecordStruct*>(WindowRecord("Draw", "Key", "Mouse"));
    window->refcon = 4;
    Answer("1");
    EXPECT_EQ(BM_MouseClickCallback(reinterpret_cast<void*>(0xB703000000001ull), 10, 20, xplm_MouseDrag, window), 1);
    EXPECT_EQ(Last(), "('mouse', 3219576204558337, 10, 20, 2, 4)");
    // A window whose script is disabled does not take the click.
    BMTestTable->SetScriptEnabledStatus(Script(), 0);
    EXPECT_EQ(BM_MouseClickCallback(nullptr, 1, 1, 1, window), 0);
}

TEST_F(Trampolines, CameraChangesComeBackWhateverTheAnswer) {
    void* camera = Record(BM_KindCameraControl, "Camera", 6);
    XPLMCameraPosition_t position{1, 2, 3, 4, 5, 6, 7};
    Answer("0");
    EXPECT_EQ(CameraControlCallback(&position, 0, camera), 0);
    EXPECT_EQ(position.roll, 30.0f);
    EXPECT_EQ(position.x, 1.0f);
    EXPECT_EQ(position.zoom, 7.0f);
    // Losing control: no position to change, and the script's answer still counts.
    Answer("1");
    EXPECT_EQ(CameraControlCallback(nullptr, 1, camera), 1);
    EXPECT_EQ(Last(), "('camera', 0, 1, 6)");  // 0 in place of the position
    // A callback that raises gives the camera back, with a line saying so.
    EXPECT_EQ(CameraControlCallback(&position, 0, Record(BM_KindCameraControl, "CameraRaises", 0)), 0);
    EXPECT_EQ(Count(plugin.Sim().Log(), "UserCameraControlCallback Call failed (BM_T.CameraRaises)\n"), 1u);
}

TEST_F(Trampolines, WidgetCallbacksFindTheirRecordBySlotAndAreReportedWhenTheyRaise) {
    void* widget = reinterpret_cast<void*>(0xB705000000001ull);
    BMTestTable->SetWidgetSlot(static_cast<_CallbackRecordStruct*>(Record(BM_KindWidget, "Widget", 0)), widget, 1);
    Answer("1");
    EXPECT_EQ(BM_WidgetCallback(3, widget, intptr_t(0xB700000000000ll), -1), 1);
    EXPECT_EQ(Last(), "('widget', 3, 3219713643511809, 3219370046128128, -1)");
    // Another slot of the same widget is another record; an empty slot passes the message on.
    BMTestTable->SetWidgetSlot(static_cast<_CallbackRecordStruct*>(Record(BM_KindWidget, "Raise", 0)), widget, 2);
    EXPECT_EQ(BM_WidgetFunctionOfSlot(3)(3, widget, 0, 0), 0);
    // A callback that raises answers 1, and its failure shows, once in full.
    EXPECT_EQ(BM_WidgetFunctionOfSlot(2)(3, widget, 0, 0), 1);
    EXPECT_EQ(BM_WidgetFunctionOfSlot(2)(3, widget, 0, 0), 1);
    EXPECT_EQ(Count(plugin.Sim().Log(), "Traceback"), 1u);
    EXPECT_FALSE(PyErr_Occurred());
    // The destruction reaches every slot; each record goes after its callback heard of it.
    EXPECT_EQ(BMTestTable->GetNumberOfWidgetScriptUsers(), 2);
    BM_WidgetFunctionOfSlot(2)(xpMsg_Destroy, widget, 0, 0);
    BM_WidgetCallback(xpMsg_Destroy, widget, 0, 0);
    EXPECT_EQ(BMTestTable->GetNumberOfWidgetScriptUsers(), 0);
    EXPECT_EQ(BMTestTable->NextWidgetSlot(widget), 1);  // forgotten with the widget
}

TEST_F(Trampolines, ARecordRemovedDuringItsOwnCallStaysUntilTheCallEnds) {
    // The loop unregisters itself, lets go of the callable and then raises: the report of the
    // failure still finds its record (a freed one would show under the sanitizers).
    plugin.Run("BM_T", "Script.StartSelfRemoving()");
    EXPECT_EQ(BMTestTable->GetNumberOfFlightLoopScriptUsers(), 1);
    bmhost::RunFrames(3);
    EXPECT_EQ(Count(plugin.Sim().Log(), "ValueError: after the drop\n"), 1u);
    EXPECT_EQ(BMTestTable->GetNumberOfFlightLoopScriptUsers(), 0);
    EXPECT_EQ(bmhost::FlightLoopCount(), 0);
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
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/borrowed")), 1);  // bound to another object
    EXPECT_FALSE(PyErr_Occurred());

    BMTestTable->SetScriptEnabledStatus(Script(), 0);
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/answers")), 0);
    EXPECT_EQ(XPLMGetDataf(XPLMFindDataRef("test/answers")), 0.0f);
}

}  // namespace
