#include "BrindlemoorTrampolines.h"

#include "TrampolineSupport.h"
#include "ScriptThreads.h"

#include <array>
#include <utility>

#include "ScriptReport.h"
#include "XPLMProcessing.h"

// ---- Failures of script callbacks ----

namespace {

// "BM_Foo.FlightLoop": the script's module and the callable's name.
std::string CallbackName(const _CallbackRecordStruct& record, int slot, const std::string& moduleName) {
    std::string name = "callback";
    if (PyObject* callable = record.callables[slot]) {
        PyObject* text = PyObject_GetAttrString(callable, "__name__");
        if (text && BM_IsText(text)) {
            if (const char* chars = BM_TextAsUtf8(text)) name = chars;
        }
        Py_XDECREF(text);
        PyErr_Clear();
    }
    return moduleName + "." + name;
}

double SimulatorTime() {
    try {
        return XPLMGetElapsedTime();
    } catch (...) {
        return 0.0;
    }
}

void WriteSummary(_CallbackRecordStruct& record, int slot) {
    _CallbackRecordStruct::Failures& f = record.failures[slot];
    std::string text = "Brindlemoor - " + CallbackName(record, slot, record.moduleName) + " failed " +
                       std::to_string(f.unreported) + " more time" + (f.unreported == 1 ? "" : "s") +
                       ", last: " + f.lastError + "\n";
    PySys_WriteStderr("%.900s", text.c_str());
    f.unreported = 0;
}

}  // namespace

void BM_CallbackFailed(_CallbackRecordStruct& record, int slot, bool report) {
    BM_ErrorSwallowed();
    if (!report) {
        PyErr_Clear();
        return;
    }
    BM_NoteCallbackFailure(record, slot);
    _CallbackRecordStruct::Failures& f = record.failures[slot];
    double now = SimulatorTime();
    if (f.count++ == 0) {
        f.lastReport = now;
        BM_PrintPythonError();
        return;
    }
    try {
        f.lastError = BM_PendingErrorText();
        PyErr_Clear();
        ++f.unreported;
        if (now - f.lastReport >= 1.0 || now < f.lastReport) {
            f.lastReport = now;
            WriteSummary(record, slot);
        }
    } catch (...) {
        PyErr_Clear();  // out of memory: the count is all that is kept
    }
}

void BM_CallbackFlushReport(_CallbackRecordStruct& record) {
    for (int slot = 0; slot < BM_MaxCallables; ++slot) {
        if (record.failures[slot].unreported == 0) continue;
        try {
            WriteSummary(record, slot);
        } catch (...) {
        }
    }
}

namespace {

// The callable did not take `args`: a TypeError without a traceback, raised before any of the
// callable's code ran (an error inside its body has the body's frame in the traceback). The
// error becomes one that says which callback of which script, registered where, was given what:
//   "BM_Foo: the flight loop callback registered at BM_Foo.py:12 does not take the arguments it
//    was given: (0.1, 0.1, 1, 0); Loop() takes exactly 4 arguments (5 given)"
void ExplainWrongArguments(const _CallbackRecordStruct& record, int slot, PyObject* const* args, int count) {
    if (!PyErr_ExceptionMatches(PyExc_TypeError)) return;
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    if (traceback || type != PyExc_TypeError) {
        PyErr_Restore(type, value, traceback);
        return;
    }
    std::string text;
    bool restored = false;
    try {
        text = record.moduleName + ": the " + BM_ActivityName(BM_RecordActivity(record.kind, slot)) + " callback";
        if (!record.registeredAt.empty()) text += " registered at " + record.registeredAt;
        text += " does not take the arguments it was given: ";
        PyObject* tuple = PyTuple_New(count);
        for (int i = 0; tuple && i < count; ++i) {
            Py_INCREF(args[i]);
            PyTuple_SET_ITEM(tuple, i, args[i]);
        }
        PyObject* shown = tuple ? PyObject_Repr(tuple) : nullptr;
        Py_XDECREF(tuple);
        const char* chars = shown ? BM_TextAsUtf8(shown) : nullptr;
        std::string given = chars ? chars : "(?)";
        Py_XDECREF(shown);
        PyErr_Clear();
        if (given.size() > 120) given = given.substr(0, 116) + " ...";
        text += given;
        PyErr_Restore(type, value, traceback);
        restored = true;
        std::string own = BM_PendingErrorText();
        if (own.rfind("TypeError: ", 0) == 0) own.erase(0, 11);
        text += "; " + own;
    } catch (...) {
        // Out of memory: Python's own error stays.
        if (!restored) {
            PyErr_Clear();
            PyErr_Restore(type, value, traceback);
        }
        return;
    }
    PyErr_Clear();  // Python's own error, told in the new one
    PyErr_SetString(PyExc_TypeError, text.c_str());
}

}  // namespace

PyObject* BM_CallRecord(_CallbackRecordStruct* record, int slot, PyObject* args) {
    PyObject* result = nullptr;
    if (args) {
        // Should the script drop its registration during the call, the record keeps the
        // callable until the call is over (BM_RecordInUse).
        {
            BM_ScriptCall call(record->moduleName, record->kind, slot);
            if (call.TooDeep())
                BM_RaiseTooDeep(CallbackName(*record, slot, record->moduleName));
            else if (!(result = BM_Call(record->callables[slot], args)))
                ExplainWrongArguments(*record, slot, &PyTuple_GET_ITEM(args, 0), int(PyTuple_GET_SIZE(args)));
        }
        Py_DECREF(args);
    }
    if (!result) BM_CallbackFailed(*record, slot);
    return result;
}

namespace {

// A TypeError that says who answered what, e.g. "BM_Foo.Draw must return an int, not NoneType".
void WrongResult(_CallbackRecordStruct& record, int slot, PyObject* result, const char* expected) {
    PyErr_Clear();
    std::string who = CallbackName(record, slot, record.moduleName);
    PyErr_Format(PyExc_TypeError, "%s must return %s, not %.100s", who.c_str(), expected, Py_TYPE(result)->tp_name);
}

template <typename T>
T Convert(_CallbackRecordStruct& record, int slot, PyObject* result, T fallback, const char* format,
          const char* expected, bool report) {
    T value = fallback;
    if (!PyArg_Parse(result, format, &value)) {
        value = fallback;
        WrongResult(record, slot, result, expected);
        BM_CallbackFailed(record, slot, report);
    }
    Py_DECREF(result);
    return value;
}

}  // namespace

int BM_ResultInt(_CallbackRecordStruct& record, int slot, PyObject* result, int fallback, bool report) {
    return Convert(record, slot, result, fallback, "i", "an int", report);
}

float BM_ResultFloat(_CallbackRecordStruct& record, int slot, PyObject* result, float fallback) {
    if (PyFloat_CheckExact(result)) {  // the usual answer of a flight loop, taken without parsing
        float value = float(PyFloat_AS_DOUBLE(result));
        Py_DECREF(result);
        return value;
    }
    return Convert(record, slot, result, fallback, "f", "a number", true);
}

double BM_ResultDouble(_CallbackRecordStruct& record, int slot, PyObject* result, double fallback) {
    return Convert(record, slot, result, fallback, "d", "a number", true);
}

namespace {

// For callbacks whose simulator side expects no result.
void CallAndDrop(_CallbackRecordStruct* record, int slot, PyObject* args) {
    PyObject* result = BM_CallRecord(record, slot, args);
    Py_XDECREF(result);
}

}  // namespace

// ---- Workers. The simulator's refcon is the record; without a live record the worker answers
// what lets the simulator carry on as if the callback were not there. ----

int CallUserDrawCallback(int inPhase, int inIsBefore, void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record) return 1;  // the simulator draws
    BM_RecordInUse use(record);
    PyObject* result = BM_CallRecord(record, 0, Py_BuildValue("(ii" BM_REFCON ")", inPhase, inIsBefore, record->refcon));
    return result ? BM_ResultInt(*record, 0, result, 1) : 1;
}

int CallUserKeySnifferCallback(char inChar, int inFlags, unsigned char inVirtualKey, void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record) return 1;  // the key goes on
    BM_RecordInUse use(record);
    PyObject* result = BM_CallRecord(
        record, 0, Py_BuildValue("(bii" BM_REFCON ")", inChar, inFlags, int(inVirtualKey), record->refcon));
    return result ? BM_ResultInt(*record, 0, result, 1) : 1;
}

int CallUserHotKeyCallback(void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record) return 0;
    BM_RecordInUse use(record);
    CallAndDrop(record, 0, Py_BuildValue("(" BM_REFCON ")", record->refcon));
    return 1;
}

int CallUserSharedDataCallback(void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record) return 0;
    BM_RecordInUse use(record);
    CallAndDrop(record, 0, Py_BuildValue("(" BM_REFCON ")", record->refcon));
    return 1;
}

int CallUserMenuCallback(void* inMenuRef, void* inItemRef) {
    _CallbackRecordStruct* record = BM_LiveRecord(inMenuRef);
    if (!record) return 0;
    BM_RecordInUse use(record);
    CallAndDrop(record, 0,
                Py_BuildValue("(" BM_REFCON BM_REFCON ")", record->refcon, reinterpret_cast<intptr_t>(inItemRef)));
    return 1;
}

// The camera and the other aircraft are one resource for all scripts: the simulator may hold a
// refcon of a script's earlier request (waiting for the aircraft, say) after that request went.
// Such a refcon is only compared, never followed, until the table knows it as live.
static _CallbackRecordStruct* KnownRecord(BM_CallbackKind kind, void* refcon) {
    if (!BMTestTable || BMTestTable->RecordOfHandle(kind, refcon) != refcon) return nullptr;
    return static_cast<_CallbackRecordStruct*>(refcon);
}

// The script's answer for a frame; the position list it was given comes back into the camera.
static int CameraAnswer(_CallbackRecordStruct* record, XPLMCameraPosition_t* outCameraPosition, int inIsLosingControl) {
    PyObject* position = nullptr;
    PyObject* args;
    if (outCameraPosition) {
        const float values[7] = {outCameraPosition->x,     outCameraPosition->y,       outCameraPosition->z,
                                 outCameraPosition->pitch, outCameraPosition->heading, outCameraPosition->roll,
                                 outCameraPosition->zoom};
        position = PyList_New(7);
        for (int i = 0; position && i < 7; ++i) PyList_SetItem(position, i, PyFloat_FromDouble(values[i]));
        args = position ? Py_BuildValue("(Oi" BM_REFCON ")", position, inIsLosingControl, record->refcon) : nullptr;
    } else {
        args = Py_BuildValue("(ii" BM_REFCON ")", 0, inIsLosingControl, record->refcon);
    }
    PyObject* result = BM_CallRecord(record, 0, args);
    if (!result) {
        BM_WriteToLog(("UserCameraControlCallback Call failed (" + CallbackName(*record, 0, record->moduleName) + ")\n").c_str());
        Py_XDECREF(position);
        return 0;
    }
    int reposition = BM_ResultInt(*record, 0, result, 0);
    if (position) {
        // The script moves the camera by changing the list it was given, whatever it returned.
        float* targets[7] = {&outCameraPosition->x,     &outCameraPosition->y,       &outCameraPosition->z,
                             &outCameraPosition->pitch, &outCameraPosition->heading, &outCameraPosition->roll,
                             &outCameraPosition->zoom};
        for (Py_ssize_t i = 0; i < 7 && i < PyList_Size(position); ++i) {
            double value = PyFloat_AsDouble(PyList_GetItem(position, i));
            if (value == -1.0 && PyErr_Occurred())
                BM_CallbackFailed(*record, 0);  // a non-number leaves that field as it was
            else
                *targets[i] = float(value);
        }
        Py_DECREF(position);
    }
    return reposition;
}

int CallUserCameraControlCallback(XPLMCameraPosition_t* outCameraPosition, int inIsLosingControl, void* inRefcon) {
    _CallbackRecordStruct* record = KnownRecord(BM_KindCameraControl, inRefcon);
    if (!record) return 0;
    BM_RecordInUse use(record);
    int answer = BM_LiveRecord(record) ? CameraAnswer(record, outCameraPosition, inIsLosingControl) : 0;
    // Losing the camera, or answering 0, ends this record's control: the simulator forgets it.
    if (inIsLosingControl || !answer) record->held = false;
    return answer;
}

int CallUserPlanesAvailableCallback(void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(KnownRecord(BM_KindPlanesAvailable, inRefcon));
    if (!record) return 0;
    BM_RecordInUse use(record);
    CallAndDrop(record, 0, Py_BuildValue("(" BM_REFCON ")", record->refcon));
    return 1;
}

float CallUserFlightLoopCallback(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                                 void* inRefcon) {
    auto* record = static_cast<_CallbackRecordStruct*>(inRefcon);
    if (!record || !record->entry) return 0.0f;  // gone: the simulator stops calling
    // A disabled script's loop keeps its schedule, so that it runs on when enabled again.
    if (!record->entry->ScriptEnabled) return record->interval;
    BM_RecordInUse use(record);
    // Called by hand: this runs every frame for every flight loop.
    PyObject* args[4] = {PyFloat_FromDouble(inElapsedSinceLastCall), PyFloat_FromDouble(inElapsedTimeSinceLastFlightLoop),
                         BM_IntFromLong(inCounter), BM_IntFromSsize(static_cast<Py_ssize_t>(record->refcon))};
    PyObject* result = nullptr;
    if (args[0] && args[1] && args[2] && args[3]) {
        BM_ScriptCall call(record->moduleName, record->kind, 0);
        if (call.TooDeep())
            BM_RaiseTooDeep(CallbackName(*record, 0, record->moduleName));
        else if (!(result = BM_CallVector(record->Callable(), args, 4)))
            ExplainWrongArguments(*record, 0, args, 4);
    }
    for (PyObject* arg : args) Py_XDECREF(arg);
    float interval = 1.0f;
    if (!result)
        BM_CallbackFailed(*record, 0);
    else if (PyFloat_CheckExact(result)) {  // the usual answer, taken without parsing
        interval = float(PyFloat_AS_DOUBLE(result));
        Py_DECREF(result);
    } else {
        interval = BM_ResultFloat(*record, 0, result, 1.0f);
    }
    // The script may have unregistered its own loop during the call.
    if (record->entry) record->interval = interval;
    return interval;
}

// The simulator's report on a call the running script made: the script's error callback gets
// the text. Called even while the script is disabled, as the simulator calls a disabled
// plug-in's; a report outside any script's code goes nowhere.
int CallUserErrorCallback(const char* inMessage) {
    if (!BMTestTable || !BM_RunningScript || !inMessage) return 0;
    const std::string& module = *BM_RunningScript;
    _CallbackRecordStruct* record = BMTestTable->ScanRecords(
        BM_KindErrorCallback, [&](const _CallbackRecordStruct& r) { return r.moduleName == module; });
    if (!record || !record->entry) return 0;
    BM_RecordInUse use(record);
    PyObject* text = BM_TextFromUtf8(inMessage);
    CallAndDrop(record, 0, text ? Py_BuildValue("(N)", text) : nullptr);
    return 1;
}

// The script's callable, if it gave one, hears of the end while the script is enabled, as
// callable(refcon, status); then the record goes, as the sound did, and the buffer with it. A
// sound refused at the start has no channel yet: the callable hears the refusal, and the
// registering call discards the record. A record already removed (the script stopped its sound,
// or was stopped) hears nothing.
int CallUserSoundCallback(void* inRefcon, int status) {
    auto* record = static_cast<_CallbackRecordStruct*>(inRefcon);
    if (!BMTestTable || !record || !record->entry) return 0;
    BM_RecordInUse use(record);
    int called = 0;
    if (record->entry->ScriptEnabled && record->Callable()) {
        CallAndDrop(record, 0, Py_BuildValue("(" BM_REFCON "i)", record->refcon, status));
        called = 1;
    }
    if (record->handle && record->entry) BMTestTable->ForgetRecord(record);
    return called;
}

int CallUserDrawWindowCallback(XPLMWindowID inWindowID, void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record || !record->callables[BM_WindowDraw]) return 0;  // a modern window may have none
    BM_RecordInUse use(record);
    // Called by hand, as flight loops are: every visible window draws every frame.
    PyObject* args[2] = {BM_IntFromSsize(static_cast<Py_ssize_t>(reinterpret_cast<intptr_t>(inWindowID))),
                         BM_IntFromSsize(static_cast<Py_ssize_t>(record->refcon))};
    PyObject* result = nullptr;
    if (args[0] && args[1]) {
        BM_ScriptCall call(record->moduleName, BM_KindDrawWindow, BM_WindowDraw);
        if (call.TooDeep())
            BM_RaiseTooDeep(CallbackName(*record, BM_WindowDraw, record->moduleName));
        else if (!(result = BM_CallVector(record->callables[BM_WindowDraw], args, 2)))
            ExplainWrongArguments(*record, BM_WindowDraw, args, 2);
    }
    for (PyObject* arg : args) Py_XDECREF(arg);
    if (result)
        Py_DECREF(result);
    else
        BM_CallbackFailed(*record, BM_WindowDraw);
    return 1;
}

int CallUserKeyCallback(XPLMWindowID inWindowID, char inKey, int inFlags, char inVirtualKey, void* inRefcon,
                        int losingFocus) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record || !record->callables[BM_WindowKey]) return 0;
    BM_RecordInUse use(record);
    // Virtual keys are unsigned (0 to 255), as for key sniffers.
    CallAndDrop(record, BM_WindowKey,
                Py_BuildValue("(" BM_REFCON "iii" BM_REFCON "i)", reinterpret_cast<intptr_t>(inWindowID), int(inKey),
                              inFlags, int(static_cast<unsigned char>(inVirtualKey)), record->refcon, losingFocus));
    return 1;
}

namespace {

int CallClickSlot(int slot, XPLMWindowID inWindowID, int x, int y, int inMouse, void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record || !record->callables[slot]) return 0;  // not taken: the click goes to what lies below
    BM_RecordInUse use(record);
    PyObject* result = BM_CallRecord(record, slot,
                                     Py_BuildValue("(" BM_REFCON "iii" BM_REFCON ")",
                                                   reinterpret_cast<intptr_t>(inWindowID), x, y, inMouse, record->refcon));
    return result ? BM_ResultInt(*record, slot, result, 0) : 0;
}

}  // namespace

int CallUserMouseClickCallback(XPLMWindowID inWindowID, int x, int y, int inMouse, void* inRefcon) {
    return CallClickSlot(BM_WindowMouseClick, inWindowID, x, y, inMouse, inRefcon);
}

int CallUserRightClickCallback(XPLMWindowID inWindowID, int x, int y, int inMouse, void* inRefcon) {
    return CallClickSlot(BM_WindowRightClick, inWindowID, x, y, inMouse, inRefcon);
}

// The script is called as callable(window, x, y, refcon) and answers an XPLMCursorStatus.
int CallUserCursorCallback(XPLMWindowID inWindowID, int x, int y, void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record || !record->callables[BM_WindowCursor]) return xplm_CursorDefault;
    BM_RecordInUse use(record);
    PyObject* result =
        BM_CallRecord(record, BM_WindowCursor,
                      Py_BuildValue("(" BM_REFCON "ii" BM_REFCON ")", reinterpret_cast<intptr_t>(inWindowID), x, y,
                                    record->refcon));
    return result ? BM_ResultInt(*record, BM_WindowCursor, result, xplm_CursorDefault) : xplm_CursorDefault;
}

// The script is called as callable(window, x, y, wheel, clicks, refcon); 1 takes the wheel.
int CallUserMouseWheelCallback(XPLMWindowID inWindowID, int x, int y, int wheel, int clicks, void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record || !record->callables[BM_WindowMouseWheel]) return 0;
    BM_RecordInUse use(record);
    PyObject* result =
        BM_CallRecord(record, BM_WindowMouseWheel,
                      Py_BuildValue("(" BM_REFCON "iiii" BM_REFCON ")", reinterpret_cast<intptr_t>(inWindowID), x, y,
                                    wheel, clicks, record->refcon));
    return result ? BM_ResultInt(*record, BM_WindowMouseWheel, result, 0) : 0;
}

// The script is called as callable(command, phase, refcon); its int answer goes to the simulator.
int CallUserCommandCallback(XPLMCommandRef inCommand, XPLMCommandPhase inPhase, void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record || record->held) return 1;  // the command goes on; a hold is never a refcon
    BM_RecordInUse use(record);
    PyObject* result = BM_CallRecord(record, 0,
                                     Py_BuildValue("(" BM_REFCON "i" BM_REFCON ")", reinterpret_cast<intptr_t>(inCommand),
                                                   inPhase, record->refcon));
    return result ? BM_ResultInt(*record, 0, result, 1) : 1;
}

// ---- Map layers, map creation hooks and avionics ----

namespace {

PyObject* Bounds(const float* bounds) {
    if (!bounds) Py_RETURN_NONE;
    return Py_BuildValue("[ffff]", bounds[0], bounds[1], bounds[2], bounds[3]);
}

// The draw, icon and label callbacks of a map layer: the same arguments, each its own slot.
void CallMapLayer(int slot, XPLMMapLayerID inLayer, const float* bounds, float zoomRatio, float unitsPerUi,
                  XPLMMapStyle style, XPLMMapProjectionID projection, void* inRefcon) {
    BM_FromSimulator(0, [&] {
        _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
        if (!record || !record->callables[slot]) return 0;
        BM_RecordInUse use(record);
        PyObject* list = Bounds(bounds);
        CallAndDrop(record, slot,
                    list ? Py_BuildValue("(" BM_REFCON "Nffi" BM_REFCON BM_REFCON ")",
                                         reinterpret_cast<intptr_t>(inLayer), list, zoomRatio, unitsPerUi, int(style),
                                         reinterpret_cast<intptr_t>(projection), record->refcon)
                         : nullptr);
        return 1;
    });
}

int CallAvionics(int slot, XPLMDeviceID device, int isBefore, void* inRefcon) {
    _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
    if (!record || !record->callables[slot]) return 1;  // the simulator draws the device
    BM_RecordInUse use(record);
    PyObject* result = BM_CallRecord(record, slot, Py_BuildValue("(ii" BM_REFCON ")", int(device), isBefore, record->refcon));
    return result ? BM_ResultInt(*record, slot, result, 1) : 1;
}

}  // namespace

void BM_MapWillBeDeletedCallback(XPLMMapLayerID inLayer, void* inRefcon) {
    BM_FromSimulator(0, [&] {
        auto* record = static_cast<_CallbackRecordStruct*>(inRefcon);
        if (!record || !record->entry || !BMTestTable) return 0;  // being removed by the script: silent
        BM_RecordInUse use(record);
        if (BM_LiveRecord(record) && record->callables[BM_MapWillBeDeleted])
            CallAndDrop(record, BM_MapWillBeDeleted,
                        Py_BuildValue("(" BM_REFCON BM_REFCON ")", reinterpret_cast<intptr_t>(inLayer), record->refcon));
        BMTestTable->ForgetRecord(record);  // the simulator dropped the layer
        return 1;
    });
}

void BM_MapPrepCacheCallback(XPLMMapLayerID inLayer, const float* inTotalMapBoundsLeftTopRightBottom,
                             XPLMMapProjectionID projection, void* inRefcon) {
    BM_FromSimulator(0, [&] {
        _CallbackRecordStruct* record = BM_LiveRecord(inRefcon);
        if (!record || !record->callables[BM_MapPrepCache]) return 0;
        BM_RecordInUse use(record);
        PyObject* list = Bounds(inTotalMapBoundsLeftTopRightBottom);
        CallAndDrop(record, BM_MapPrepCache,
                    list ? Py_BuildValue("(" BM_REFCON "NN" BM_REFCON ")", reinterpret_cast<intptr_t>(inLayer), list,
                                         BM_IntFromSsize(static_cast<Py_ssize_t>(reinterpret_cast<intptr_t>(projection))), record->refcon)
                         : nullptr);
        return 1;
    });
}

void BM_MapDrawCallback(XPLMMapLayerID inLayer, const float* inMapBoundsLeftTopRightBottom, float zoomRatio,
                        float mapUnitsPerUserInterfaceUnit, XPLMMapStyle mapStyle, XPLMMapProjectionID projection,
                        void* inRefcon) {
    CallMapLayer(BM_MapDraw, inLayer, inMapBoundsLeftTopRightBottom, zoomRatio, mapUnitsPerUserInterfaceUnit, mapStyle,
                 projection, inRefcon);
}

void BM_MapIconCallback(XPLMMapLayerID inLayer, const float* inMapBoundsLeftTopRightBottom, float zoomRatio,
                        float mapUnitsPerUserInterfaceUnit, XPLMMapStyle mapStyle, XPLMMapProjectionID projection,
                        void* inRefcon) {
    CallMapLayer(BM_MapIcon, inLayer, inMapBoundsLeftTopRightBottom, zoomRatio, mapUnitsPerUserInterfaceUnit, mapStyle,
                 projection, inRefcon);
}

void BM_MapLabelCallback(XPLMMapLayerID inLayer, const float* inMapBoundsLeftTopRightBottom, float zoomRatio,
                         float mapUnitsPerUserInterfaceUnit, XPLMMapStyle mapStyle, XPLMMapProjectionID projection,
                         void* inRefcon) {
    CallMapLayer(BM_MapLabel, inLayer, inMapBoundsLeftTopRightBottom, zoomRatio, mapUnitsPerUserInterfaceUnit, mapStyle,
                 projection, inRefcon);
}

void BM_MapCreatedCallback(const char* mapIdentifier, void* refcon) {
    BM_FromSimulator(0, [&] {
        if (!BMTestTable || !mapIdentifier) return 0;
        _CallbackRecordStruct* record = BM_LiveRecord(BMTestTable->RecordOfHandle(BM_KindMapCreationHook, refcon));
        if (!record) return 0;
        BM_RecordInUse use(record);
        PyObject* name = BM_TextFromUtf8(mapIdentifier);
        CallAndDrop(record, 0, name ? Py_BuildValue("(N" BM_REFCON ")", name, record->refcon) : nullptr);
        return 1;
    });
}

int BM_AvionicsBeforeCallback(XPLMDeviceID inDeviceID, int inIsBefore, void* inRefcon) {
    return BM_FromSimulator(1, [&] { return CallAvionics(BM_AvionicsBefore, inDeviceID, inIsBefore, inRefcon); });
}

int BM_AvionicsAfterCallback(XPLMDeviceID inDeviceID, int inIsBefore, void* inRefcon) {
    return BM_FromSimulator(1, [&] {
        CallAvionics(BM_AvionicsAfter, inDeviceID, inIsBefore, inRefcon);
        return 1;
    });
}

namespace {

// The message records that widget callbacks under way were handed, innermost last. Deeper
// nesting than this is not seen in practice; records beyond it cannot be read.
struct LiveWidgetRecord {
    intptr_t address;
    BM_WidgetRecordKind kind;
};
LiveWidgetRecord gLiveRecords[64];
int gLiveRecordCount = 0;

// Marks the record a widget message carries as readable for as long as the callback runs.
class WidgetRecordInUse {
public:
    WidgetRecordInUse(int message, intptr_t param1, intptr_t param2) {
        intptr_t address;
        BM_WidgetRecordKind kind;
        if (BM_WidgetMessageRecord(message, param1, param2, &address, &kind)) Push(address, kind);
    }
    ~WidgetRecordInUse() {
        if (pushed_) --gLiveRecordCount;
    }
    WidgetRecordInUse(const WidgetRecordInUse&) = delete;
    WidgetRecordInUse& operator=(const WidgetRecordInUse&) = delete;

private:
    void Push(intptr_t address, BM_WidgetRecordKind kind) {
        if (!address || gLiveRecordCount == int(sizeof gLiveRecords / sizeof gLiveRecords[0])) return;
        gLiveRecords[gLiveRecordCount++] = LiveWidgetRecord{address, kind};
        pushed_ = true;
    }
    bool pushed_ = false;
};

}  // namespace

bool BM_WidgetMessageRecord(int message, intptr_t param1, intptr_t param2, intptr_t* address,
                            BM_WidgetRecordKind* kind) {
    switch (message) {
    case xpMsg_MouseDown:
    case xpMsg_MouseDrag:
    case xpMsg_MouseUp:
    case 20:  // mouse wheel
    case 21:  // cursor adjust
        *kind = BM_MouseStateRecord;
        *address = param1;
        return true;
    case xpMsg_KeyPress:
        *kind = BM_KeyStateRecord;
        *address = param1;
        return true;
    case xpMsg_Reshape:
        *kind = BM_GeometryChangeRecord;
        *address = param2;
        return true;
    default:
        return false;
    }
}

bool BM_IsLiveWidgetRecord(intptr_t address, BM_WidgetRecordKind kind) {
    for (int i = 0; i < gLiveRecordCount; ++i)
        if (gLiveRecords[i].address == address && gLiveRecords[i].kind == kind) return true;
    return false;
}

int CallUserWidgetCallback(int slot, int inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    if (!BMTestTable) return 0;
    int answer = 0;
    if (_CallbackRecordStruct* record = BM_LiveRecord(BMTestTable->WidgetSlotRecord(inWidget, slot))) {
        BM_RecordInUse use(record);
        WidgetRecordInUse readable(inMessage, inParam1, inParam2);
        // Called by hand: paint and draw messages come every frame for every widget.
        PyObject* args[4] = {BM_IntFromLong(inMessage), BM_IntFromSsize(reinterpret_cast<intptr_t>(inWidget)),
                             BM_IntFromSsize(inParam1), BM_IntFromSsize(inParam2)};
        PyObject* result = nullptr;
        if (args[0] && args[1] && args[2] && args[3]) {
            BM_ScriptCall call(record->moduleName, BM_KindWidget, 0);
            if (call.TooDeep())
                BM_RaiseTooDeep(CallbackName(*record, 0, record->moduleName));
            else if (!(result = BM_CallVector(record->Callable(), args, 4)))
                ExplainWrongArguments(*record, 0, args, 4);
        }
        for (PyObject* arg : args) Py_XDECREF(arg);
        if (!result) {
            BM_CallbackFailed(*record, 0);
            answer = 1;
        } else {
            Py_ssize_t value;
            if (BM_SmallExactInt(result, &value) && value >= INT32_MIN && value <= INT32_MAX) {
                answer = int(value);  // the usual answer, taken without parsing
                Py_DECREF(result);
            } else {
                answer = BM_ResultInt(*record, 0, result, 0);
            }
        }
    }
    // The widget goes: so does the script's callback on it (the script may have stopped, or
    // been disabled, meanwhile; the record goes all the same).
    if (inMessage == xpMsg_Destroy && BMTestTable) BMTestTable->WidgetSlotDestroyed(inWidget, slot);
    return answer;
}

namespace {

void UnloadObjectRecord(_CallbackRecordStruct& record) { XPLMUnloadObject(record.handle); }

void CallUserObjectLoadedCallback(XPLMObjectRef inObject, void* inRefcon) {
    _CallbackRecordStruct* record = BMTestTable ? BMTestTable->RecordOfHandle(BM_KindObjectLoad, inRefcon) : nullptr;
    if (!BM_LiveRecord(record)) {
        // Nobody takes the object: the script went, or is disabled (its load is over all the same).
        if (inObject) XPLMUnloadObject(inObject);
        if (record && record->entry) BMTestTable->RemoveRecord(record);
        return;
    }
    BM_RecordInUse use(record);
    if (inObject) BM_AddObjectRecord(record->entry->pScriptId, inObject);
    PyObject* result = BM_CallRecord(record, 0,
                                     Py_BuildValue("(N" BM_REFCON ")", BM_IntFromSsize(reinterpret_cast<intptr_t>(inObject)),
                                                   record->refcon));
    Py_XDECREF(result);
    if (record->entry) BMTestTable->RemoveRecord(record);
}

}  // namespace

void BM_AddObjectRecord(PyObject* script, void* object) {
    _CallbackRecordStruct* record = nullptr;
    try {
        record = BMTestTable->AddRecord(script, BM_KindObject, nullptr, 0);
    } catch (...) {
        XPLMUnloadObject(object);  // a script being stopped keeps nothing
        throw;
    }
    record->handle = object;
    BMTestTable->Registered(record, UnloadObjectRecord);
}

// ---- Entry points handed to the simulator ----

void BM_ObjectLoadedCallback(XPLMObjectRef inObject, void* inRefcon) {
    BM_FromSimulator(0, [&] {
        CallUserObjectLoadedCallback(inObject, inRefcon);
        return 0;
    });
}

int BM_DrawCallback(XPLMDrawingPhase inPhase, int inIsBefore, void* inRefcon) {
    return BM_FromSimulator(1, [&] { return CallUserDrawCallback(inPhase, inIsBefore, inRefcon); });
}
int BM_KeySnifferCallback(char inChar, XPLMKeyFlags inFlags, char inVirtualKey, void* inRefcon) {
    return BM_FromSimulator(1, [&] {
        return CallUserKeySnifferCallback(inChar, inFlags, static_cast<unsigned char>(inVirtualKey), inRefcon);
    });
}
void BM_HotKeyCallback(void* inRefcon) {
    BM_FromSimulator(0, [&] { return CallUserHotKeyCallback(inRefcon); });
}
void BM_SharedDataCallback(void* inRefcon) {
    BM_FromSimulator(0, [&] { return CallUserSharedDataCallback(inRefcon); });
}
void BM_MenuCallback(void* inMenuRef, void* inItemRef) {
    BM_FromSimulator(0, [&] { return CallUserMenuCallback(inMenuRef, inItemRef); });
}
int CameraControlCallback(XPLMCameraPosition_t* outCameraPosition, int inIsLosingControl, void* inRefcon) {
    return BM_FromSimulator(0, [&] { return CallUserCameraControlCallback(outCameraPosition, inIsLosingControl, inRefcon); });
}
void BM_PlanesAvailableCallback(void* inRefcon) {
    BM_FromSimulator(0, [&] { return CallUserPlanesAvailableCallback(inRefcon); });
}
float BM_FlightLoopCallback(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                            void* inRefcon) {
    return BM_FromSimulator(1.0f, [&] {
        return CallUserFlightLoopCallback(inElapsedSinceLastCall, inElapsedTimeSinceLastFlightLoop, inCounter, inRefcon);
    });
}
float BM_FlightLoopObjectCallback(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                                  void* inRefcon) {
    return BM_FromSimulator(1.0f, [&] {
        return CallUserFlightLoopCallback(inElapsedSinceLastCall, inElapsedTimeSinceLastFlightLoop, inCounter, inRefcon);
    });
}
void BM_ErrorCallback(const char* inMessage) {
    BM_FromSimulator(0, [&] { return CallUserErrorCallback(inMessage); });
}
void BM_SoundCompleteCallback(void* inRefcon, FMOD_RESULT status) {
    BM_FromSimulator(0, [&] { return CallUserSoundCallback(inRefcon, int(status)); });
}
void BM_DrawWindowCallback(XPLMWindowID inWindowID, void* inRefcon) {
    BM_FromSimulator(0, [&] { return CallUserDrawWindowCallback(inWindowID, inRefcon); });
}
void BM_KeyCallback(XPLMWindowID inWindowID, char inKey, XPLMKeyFlags inFlags, char inVirtualKey, void* inRefcon,
                    int losingFocus) {
    BM_FromSimulator(0, [&] { return CallUserKeyCallback(inWindowID, inKey, inFlags, inVirtualKey, inRefcon, losingFocus); });
}
int BM_MouseClickCallback(XPLMWindowID inWindowID, int x, int y, XPLMMouseStatus inMouse, void* inRefcon) {
    return BM_FromSimulator(0, [&] { return CallUserMouseClickCallback(inWindowID, x, y, inMouse, inRefcon); });
}
int BM_RightClickCallback(XPLMWindowID inWindowID, int x, int y, XPLMMouseStatus inMouse, void* inRefcon) {
    return BM_FromSimulator(0, [&] { return CallUserRightClickCallback(inWindowID, x, y, inMouse, inRefcon); });
}
XPLMCursorStatus BM_CursorCallback(XPLMWindowID inWindowID, int x, int y, void* inRefcon) {
    return BM_FromSimulator(int(xplm_CursorDefault), [&] { return CallUserCursorCallback(inWindowID, x, y, inRefcon); });
}
int BM_MouseWheelCallback(XPLMWindowID inWindowID, int x, int y, int wheel, int clicks, void* inRefcon) {
    return BM_FromSimulator(0, [&] { return CallUserMouseWheelCallback(inWindowID, x, y, wheel, clicks, inRefcon); });
}

int BM_CommandCallback(XPLMCommandRef inCommand, XPLMCommandPhase inPhase, void* inRefcon) {
    return BM_FromSimulator(1, [&] { return CallUserCommandCallback(inCommand, inPhase, inRefcon); });
}

namespace {

template <int Slot>
int WidgetSlotCallback(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    return BM_FromSimulator(0, [&] { return CallUserWidgetCallback(Slot, inMessage, inWidget, inParam1, inParam2); });
}

template <int... Slots>
constexpr std::array<XPWidgetFunc_t, sizeof...(Slots)> WidgetSlotFunctions(std::integer_sequence<int, Slots...>) {
    return {&WidgetSlotCallback<Slots>...};
}

constexpr auto kWidgetSlotFunctions = WidgetSlotFunctions(std::make_integer_sequence<int, BM_ScriptTable::kWidgetSlots>());

}  // namespace

int BM_CustomWidgetCallback(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    return WidgetSlotCallback<0>(inMessage, inWidget, inParam1, inParam2);
}
int BM_WidgetCallback(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    return WidgetSlotCallback<1>(inMessage, inWidget, inParam1, inParam2);
}

XPWidgetFunc_t BM_WidgetFunctionOfSlot(int slot) {
    if (slot == 0) return BM_CustomWidgetCallback;
    if (slot == 1) return BM_WidgetCallback;
    return slot > 1 && slot < BM_ScriptTable::kWidgetSlots ? kWidgetSlotFunctions[std::size_t(slot)] : nullptr;
}
