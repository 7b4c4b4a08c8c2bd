#include "BrindlemoorTrampolines.h"

#include "TrampolineSupport.h"

// ---- The shared steps ----

BM_Call BM_CallCallback(PyObject* callable, PyObject* args, const char* missingText, PyObject** result) {
    *result = nullptr;
    if (!callable) {
        Py_XDECREF(args);
        BM_PrintPythonError();
        BM_WriteToLog(missingText);
        return BM_Call::NoCallable;
    }
    if (!args) {
        BM_PrintPythonError();
        return BM_Call::Raised;
    }
    *result = BM_CallScript(callable, args);
    Py_DECREF(args);
    return *result ? BM_Call::Returned : BM_Call::Raised;
}

namespace {
template <typename T>
T Convert(PyObject* result, T fallback, const char* format, bool report) {
    T value = fallback;
    if (!PyArg_Parse(result, format, &value)) {
        value = fallback;
        if (report)
            BM_PrintPythonError();
        else
            PyErr_Clear();
    }
    Py_DECREF(result);
    return value;
}
}  // namespace

int BM_ResultInt(PyObject* result, int fallback, bool report) { return Convert(result, fallback, "i", report); }

float BM_ResultFloat(PyObject* result, float fallback) {
    if (PyFloat_CheckExact(result)) {  // the usual answer of a flight loop, taken without parsing
        float value = float(PyFloat_AS_DOUBLE(result));
        Py_DECREF(result);
        return value;
    }
    return Convert(result, fallback, "f", true);
}

double BM_ResultDouble(PyObject* result, double fallback) { return Convert(result, fallback, "d", true); }

namespace {

using Lookup = PyObject* (BM_ScriptTable::*)(PyObject*, intptr_t*) const;

PyObject* Callable(void* refcon) { return static_cast<PyObject*>(refcon); }

// Whether an enabled script registered `callable`; `refcon` gets its own refcon. A template, so
// that the look-up is inlined on the per-frame paths.
template <Lookup lookup>
bool LiveOwner(PyObject* callable, intptr_t* refcon) {
    return BMTestTable && BM_ScriptIsLive((BMTestTable->*lookup)(callable, refcon));
}

// For callbacks whose simulator side expects no result.
int CallAndDrop(PyObject* callable, PyObject* args, const char* missingText) {
    PyObject* result = nullptr;
    if (BM_CallCallback(callable, args, missingText, &result) == BM_Call::Returned) Py_DECREF(result);
    return 1;
}

}  // namespace

// ---- Workers ----

int CallUserDrawCallback(int inPhase, int inIsBefore, void* inRefcon) {
    intptr_t refcon = 0;
    if (!LiveOwner<&BM_ScriptTable::GetScriptIdFromDrawCallback>(Callable(inRefcon), &refcon)) return 0;
    PyObject* result = nullptr;
    PyObject* args = Py_BuildValue("(ii" BM_REFCON ")", inPhase, inIsBefore, refcon);
    if (BM_CallCallback(Callable(inRefcon), args, "Cannot find method DrawCallback\n", &result) != BM_Call::Returned)
        return 1;
    return BM_ResultInt(result, 1);
}

int CallUserKeySnifferCallback(char inChar, int inFlags, unsigned char inVirtualKey, void* inRefcon) {
    intptr_t refcon = 0;
    if (!LiveOwner<&BM_ScriptTable::GetScriptIdFromKeySnifferCallback>(Callable(inRefcon), &refcon)) return 0;
    PyObject* result = nullptr;
    PyObject* args = Py_BuildValue("(bii" BM_REFCON ")", inChar, inFlags, int(inVirtualKey), refcon);
    if (BM_CallCallback(Callable(inRefcon), args, "Cannot find method KeySnifferCallback\n", &result) !=
        BM_Call::Returned)
        return 1;
    return BM_ResultInt(result, 1);
}

int CallUserHotKeyCallback(void* inRefcon) {
    intptr_t refcon = 0;
    if (!LiveOwner<&BM_ScriptTable::GetScriptIdFromHotKeyCallback>(Callable(inRefcon), &refcon)) return 0;
    return CallAndDrop(Callable(inRefcon), Py_BuildValue("(" BM_REFCON ")", refcon),
                       "Cannot find method HotKeyCallback\n");
}

int CallUserSharedDataCallback(void* inRefcon) {
    intptr_t refcon = 0;
    if (!LiveOwner<&BM_ScriptTable::GetScriptIdFromSharedDataCallback>(Callable(inRefcon), &refcon)) return 0;
    return CallAndDrop(Callable(inRefcon), Py_BuildValue("(" BM_REFCON ")", refcon),
                       "Cannot find method UserSharedDataCallback\n");
}

int CallUserMenuCallback(void* inMenuRef, void* inItemRef) {
    intptr_t menuRef = 0;
    if (!LiveOwner<&BM_ScriptTable::GetScriptIdFromMenuCallback>(Callable(inMenuRef), &menuRef)) return 0;
    return CallAndDrop(Callable(inMenuRef),
                       Py_BuildValue("(" BM_REFCON BM_REFCON ")", menuRef, reinterpret_cast<intptr_t>(inItemRef)),
                       "Cannot find method UserMenuCallback\n");
}

int CallUserCameraControlCallback(XPLMCameraPosition_t* outCameraPosition, int inIsLosingControl, void* inRefcon) {
    intptr_t refcon = 0;
    if (!LiveOwner<&BM_ScriptTable::GetScriptIdFromCameraControlCallback>(Callable(inRefcon), &refcon)) return 0;
    PyObject* position = nullptr;
    PyObject* args;
    if (outCameraPosition) {
        const float values[7] = {outCameraPosition->x,     outCameraPosition->y,       outCameraPosition->z,
                                 outCameraPosition->pitch, outCameraPosition->heading, outCameraPosition->roll,
                                 outCameraPosition->zoom};
        position = PyList_New(7);
        for (int i = 0; position && i < 7; ++i) PyList_SetItem(position, i, PyFloat_FromDouble(values[i]));
        args = position ? Py_BuildValue("(Oi" BM_REFCON ")", position, inIsLosingControl, refcon) : nullptr;
    } else {
        args = Py_BuildValue("(ii" BM_REFCON ")", 0, inIsLosingControl, refcon);
    }
    PyObject* result = nullptr;
    BM_Call call =
        BM_CallCallback(Callable(inRefcon), args, "Cannot find function UserCameraControlCallback\n", &result);
    if (call != BM_Call::Returned) {
        if (call == BM_Call::Raised) BM_WriteToLog("UserCameraControlCallback Call failed\n");
        Py_XDECREF(position);
        return 0;
    }
    int reposition = BM_ResultInt(result, 0);
    if (position) {
        // The script moves the camera by changing the list it was given, whatever it returned.
        float* targets[7] = {&outCameraPosition->x,     &outCameraPosition->y,       &outCameraPosition->z,
                             &outCameraPosition->pitch, &outCameraPosition->heading, &outCameraPosition->roll,
                             &outCameraPosition->zoom};
        for (Py_ssize_t i = 0; i < 7 && i < PyList_Size(position); ++i) {
            double value = PyFloat_AsDouble(PyList_GetItem(position, i));
            if (value == -1.0 && PyErr_Occurred())
                BM_PrintPythonError();  // a non-number leaves that field as it was
            else
                *targets[i] = float(value);
        }
        Py_DECREF(position);
    }
    return reposition;
}

int CallUserPlanesAvailableCallback(void* inRefcon) {
    intptr_t refcon = 0;
    if (!LiveOwner<&BM_ScriptTable::GetScriptIdFromPlanesAvailableCallback>(Callable(inRefcon), &refcon)) return 0;
    return CallAndDrop(Callable(inRefcon), Py_BuildValue("(" BM_REFCON ")", refcon),
                       "Cannot find method UserPlanesAvailableCallback\n");
}

float CallUserFlightLoopCallback(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                                 void* inRefcon) {
    intptr_t refcon = 0;
    PyObject* callable = Callable(inRefcon);
    if (!LiveOwner<&BM_ScriptTable::GetScriptIdFromFlightLoopCallback>(callable, &refcon)) return 0.0f;
    // Built by hand: this runs every frame for every flight loop.
    PyObject* args = PyTuple_New(4);
    if (args) {
        PyTuple_SET_ITEM(args, 0, PyFloat_FromDouble(inElapsedSinceLastCall));
        PyTuple_SET_ITEM(args, 1, PyFloat_FromDouble(inElapsedTimeSinceLastFlightLoop));
        PyTuple_SET_ITEM(args, 2, BM_IntFromLong(inCounter));
        PyTuple_SET_ITEM(args, 3, BM_IntFromSsize(refcon));
        for (int i = 0; i < 4; ++i)
            if (!PyTuple_GET_ITEM(args, i)) Py_CLEAR(args);
    }
    PyObject* result = nullptr;
    if (BM_CallCallback(callable, args, "Cannot find method FlightLoopCallback\n", &result) != BM_Call::Returned)
        return 1.0f;
    return BM_ResultFloat(result, 1.0f);
}

namespace {
// Window callbacks are found by window: the callable of the slot, then the script that owns it.
PyObject* WindowCallable(XPLMWindowID window, int kind, PyObject** script) {
    *script = nullptr;
    if (!BMTestTable) return nullptr;
    PyObject* callable = BMTestTable->GetCallbackFromWindowId(kind, window);
    *script = BMTestTable->GetScriptIdFromDrawWindowCallback(kind, callable);
    return callable;
}
}  // namespace

int CallUserDrawWindowCallback(XPLMWindowID inWindowID, void* inRefcon) {
    PyObject* script = nullptr;
    PyObject* callable = WindowCallable(inWindowID, BM_WindowDraw, &script);
    if (!BM_ScriptIsLive(script)) return 0;
    return CallAndDrop(callable,
                       Py_BuildValue("(" BM_REFCON BM_REFCON ")", reinterpret_cast<intptr_t>(inWindowID),
                                     reinterpret_cast<intptr_t>(inRefcon)),
                       "Cannot find method DrawWindowCallback\n");
}

int CallUserKeyCallback(XPLMWindowID inWindowID, char inKey, int inFlags, char inVirtualKey, void* inRefcon,
                        int losingFocus) {
    PyObject* script = nullptr;
    PyObject* callable = WindowCallable(inWindowID, BM_WindowKey, &script);
    if (!BM_ScriptIsLive(script)) return 0;
    // Virtual keys are unsigned (0 to 255), as for key sniffers.
    return CallAndDrop(callable,
                       Py_BuildValue("(" BM_REFCON "iii" BM_REFCON "i)", reinterpret_cast<intptr_t>(inWindowID),
                                     int(inKey), inFlags, int(static_cast<unsigned char>(inVirtualKey)),
                                     reinterpret_cast<intptr_t>(inRefcon), losingFocus),
                       "Cannot find method KeyCallback\n");
}

int CallUserMouseClickCallback(XPLMWindowID inWindowID, int x, int y, int inMouse, void* inRefcon) {
    PyObject* script = nullptr;
    PyObject* callable = WindowCallable(inWindowID, BM_WindowMouseClick, &script);
    if (!BM_ScriptIsLive(script)) return 0;
    PyObject* result = nullptr;
    PyObject* args = Py_BuildValue("(" BM_REFCON "iii" BM_REFCON ")", reinterpret_cast<intptr_t>(inWindowID), x, y,
                                   inMouse, reinterpret_cast<intptr_t>(inRefcon));
    if (BM_CallCallback(callable, args, "Cannot find method MouseClickCallback\n", &result) != BM_Call::Returned)
        return 0;
    return BM_ResultInt(result, 0);
}

int CallUserWidgetCallback(int inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    if (!BMTestTable) return 0;
    PyObject* script = BMTestTable->GetScriptIdFromWidgetId(inWidget);
    if (!BM_ScriptIsLive(script)) return 0;
    PyObject* callable = BMTestTable->GetCallbackFromWidgetId(inWidget, script);
    if (!callable) {
        BM_PrintPythonError();
        BM_WriteToLog("Cannot find method UserWidgetCallback\n");
        return 1;
    }
    PyObject* args = Py_BuildValue("(i" BM_REFCON BM_REFCON BM_REFCON ")", inMessage,
                                   reinterpret_cast<intptr_t>(inWidget), inParam1, inParam2);
    PyObject* result = args ? PyObject_Call(callable, args, nullptr) : nullptr;
    Py_XDECREF(args);
    if (!result) {
        PyErr_Clear();  // widget callbacks that raise are not reported
        return 1;
    }
    return BM_ResultInt(result, 0, false);
}

int CallUserCustomWidgetCallback(int inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    return CallUserWidgetCallback(inMessage, inWidget, inParam1, inParam2);
}

// ---- Entry points handed to the simulator ----

int BM_DrawCallback(XPLMDrawingPhase inPhase, int inIsBefore, void* inRefcon) {
    return BM_NoThrow(1, [&] { return CallUserDrawCallback(inPhase, inIsBefore, inRefcon); });
}
int BM_KeySnifferCallback(char inChar, XPLMKeyFlags inFlags, char inVirtualKey, void* inRefcon) {
    return BM_NoThrow(1, [&] {
        return CallUserKeySnifferCallback(inChar, inFlags, static_cast<unsigned char>(inVirtualKey), inRefcon);
    });
}
void BM_HotKeyCallback(void* inRefcon) {
    BM_NoThrow(0, [&] { return CallUserHotKeyCallback(inRefcon); });
}
void BM_SharedDataCallback(void* inRefcon) {
    BM_NoThrow(0, [&] { return CallUserSharedDataCallback(inRefcon); });
}
void BM_MenuCallback(void* inMenuRef, void* inItemRef) {
    BM_NoThrow(0, [&] { return CallUserMenuCallback(inMenuRef, inItemRef); });
}
int CameraControlCallback(XPLMCameraPosition_t* outCameraPosition, int inIsLosingControl, void* inRefcon) {
    return BM_NoThrow(0, [&] { return CallUserCameraControlCallback(outCameraPosition, inIsLosingControl, inRefcon); });
}
void BM_PlanesAvailableCallback(void* inRefcon) {
    BM_NoThrow(0, [&] { return CallUserPlanesAvailableCallback(inRefcon); });
}
float BM_FlightLoopCallback(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop, int inCounter,
                            void* inRefcon) {
    return BM_NoThrow(1.0f, [&] {
        return CallUserFlightLoopCallback(inElapsedSinceLastCall, inElapsedTimeSinceLastFlightLoop, inCounter, inRefcon);
    });
}
void BM_DrawWindowCallback(XPLMWindowID inWindowID, void* inRefcon) {
    BM_NoThrow(0, [&] { return CallUserDrawWindowCallback(inWindowID, inRefcon); });
}
void BM_KeyCallback(XPLMWindowID inWindowID, char inKey, XPLMKeyFlags inFlags, char inVirtualKey, void* inRefcon,
                    int losingFocus) {
    BM_NoThrow(0, [&] { return CallUserKeyCallback(inWindowID, inKey, inFlags, inVirtualKey, inRefcon, losingFocus); });
}
int BM_MouseClickCallback(XPLMWindowID inWindowID, int x, int y, XPLMMouseStatus inMouse, void* inRefcon) {
    return BM_NoThrow(0, [&] { return CallUserMouseClickCallback(inWindowID, x, y, inMouse, inRefcon); });
}
int BM_WidgetCallback(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    return BM_NoThrow(0, [&] { return CallUserWidgetCallback(inMessage, inWidget, inParam1, inParam2); });
}
int BM_CustomWidgetCallback(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2) {
    return BM_NoThrow(0, [&] { return CallUserCustomWidgetCallback(inMessage, inWidget, inParam1, inParam2); });
}
