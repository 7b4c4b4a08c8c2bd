// XPLMProcessing: the simulator clock and flight loop callbacks.
#include "BrindlemoorClass.h"
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMProcessing.h"

namespace {

const char kModule[] = "XPLMProcessing";

PyObject* PY_XPLMGetElapsedTime(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMGetElapsedTime", BM_ZeroFloat,
                    [] { return PyFloat_FromDouble(XPLMGetElapsedTime()); });
}

PyObject* PY_XPLMGetCycleNumber(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMGetCycleNumber", BM_Zero, [] { return BM_IntFromLong(XPLMGetCycleNumber()); });
}

// A flight loop of a script: the callable with the script's refcon. The simulator holds the
// record as its refcon.
_CallbackRecordStruct* FindLoop(PyObject* script, PyObject* callable, Py_ssize_t refcon) {
    return BM_Table().FindRecord(script, BM_RecordKey::FlightLoop(callable, BM_Refcon(refcon)));
}

void UnregisterFlightLoop(_CallbackRecordStruct& record) {
    XPLMUnregisterFlightLoopCallback(BM_FlightLoopCallback, &record);
}

// Registering the same callable with the same refcon again sets its interval anew.
PyObject* PY_XPLMRegisterFlightLoopCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    float interval;
    Py_ssize_t refcon;
    const char* function = "XPLMRegisterFlightLoopCallback";
    if (!BM_ParseTuple(args, "OOf" BM_H, &script, &callable, &interval, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (_CallbackRecordStruct* record = FindLoop(script, callable, refcon)) {
            XPLMRegisterFlightLoopCallback(BM_FlightLoopCallback, interval, record);
            record->interval = interval;
            return BM_One();
        }
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindFlightLoop, callable, BM_Refcon(refcon));
        record->interval = interval;
        BM_RegisterRecord(record, UnregisterFlightLoop, [&] {
            XPLMRegisterFlightLoopCallback(BM_FlightLoopCallback, interval, record);
            return true;
        });
        return BM_One();
    });
}

// The loop registered with this callable and refcon goes; the answer is 0 when there is none.
PyObject* PY_XPLMUnregisterFlightLoopCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    Py_ssize_t refcon;
    const char* function = "XPLMUnregisterFlightLoopCallback";
    if (!BM_ParseTuple(args, "OO" BM_H, &script, &callable, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record = FindLoop(script, callable, refcon);
        return BM_RemoveFound(record);
    });
}

// The loop is the one registered with this callable and refcon or, failing that, the first
// with this callable; the answer is 0 when there is none.
PyObject* PY_XPLMSetFlightLoopCallbackInterval(PyObject*, PyObject* args) {
    PyObject* callable;
    float interval;
    int relativeToNow;
    Py_ssize_t refcon;
    if (!BM_ParseTuple(args, "Ofi" BM_H, &callable, &interval, &relativeToNow, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetFlightLoopCallbackInterval", BM_Zero, [&] {
        _CallbackRecordStruct* record = BM_Table().FindAnyRecord(BM_RecordKey::FlightLoop(callable, BM_Refcon(refcon)));
        if (!record)
            record = BM_Table().ScanRecords(BM_KindFlightLoop, [&](const _CallbackRecordStruct& r) {
                return BM_SameCallable(r.Callable(), callable);
            });
        if (!record) return BM_Zero();
        XPLMSetFlightLoopCallbackInterval(BM_FlightLoopCallback, interval, relativeToNow, record);
        record->interval = interval;
        return BM_One();
    });
}

PyMethodDef XPLMProcessingMethods[] = {
    {"XPLMGetElapsedTime", PY_XPLMGetElapsedTime, METH_NOARGS, "Get Elapsed Time."},
    {"XPLMGetCycleNumber", PY_XPLMGetCycleNumber, METH_NOARGS, "Get Cycle Number."},
    {"XPLMRegisterFlightLoopCallback", PY_XPLMRegisterFlightLoopCallback, METH_VARARGS,
     "Register Flight Loop Callback."},
    {"XPLMUnregisterFlightLoopCallback", PY_XPLMUnregisterFlightLoopCallback, METH_VARARGS,
     "Unregister Flight Loop Callback."},
    {"XPLMSetFlightLoopCallbackInterval", PY_XPLMSetFlightLoopCallbackInterval, METH_VARARGS,
     "Set Flight Loop Callback Interval."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMProcessing() { BM_InitModule(kModule, XPLMProcessingMethods); }
