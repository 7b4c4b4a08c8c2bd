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

// ---- Flight loop objects: one record each, the loop's id its handle ----

void DestroyLoopObject(_CallbackRecordStruct& record) { XPLMDestroyFlightLoop(record.handle); }

// params: {phase, callbackFunc, refcon} or a sequence in that order; refcon may be left out (0).
// The answer is the new loop's id, unscheduled; 0 when the simulator refused it.
PyObject* PY_XPLMCreateFlightLoop(PyObject*, PyObject* args) {
    PyObject *script, *params;
    const char* function = "XPLMCreateFlightLoop";
    if (!BM_ParseTuple(args, "OO", &script, &params)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    static const char* const kFields[] = {"phase", "callbackFunc", "refcon"};
    PyObject* fields[3];
    int phase;
    PyObject* callable;
    Py_ssize_t refcon = 0;
    if (!BM_StructArgument(params, function, kFields, 3, 2, fields) ||
        !BM_FieldInt(fields[0], function, "phase", &phase) ||
        !BM_FieldCallable(fields[1], function, "callbackFunc", &callable) ||
        (fields[2] && !BM_FieldHandle(fields[2], function, "refcon", &refcon)))
        return nullptr;
    if (!callable) return PyErr_Format(PyExc_TypeError, "%s: field callbackFunc must be callable, not None", function);
    if (phase != xplm_FlightLoop_Phase_BeforeFlightModel && phase != xplm_FlightLoop_Phase_AfterFlightModel)
        return PyErr_Format(PyExc_ValueError,
                            "%s: field phase must be xplm_FlightLoop_Phase_BeforeFlightModel (0) or "
                            "xplm_FlightLoop_Phase_AfterFlightModel (1), not %d",
                            function, phase);
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record =
            BM_Table().AddRecord(script, BM_KindFlightLoopObject, callable, BM_Refcon(refcon));
        record->phase = phase;
        XPLMFlightLoopID id = nullptr;
        if (BM_RegisterRecord(record, DestroyLoopObject, [&] {
                XPLMCreateFlightLoop_t create = {int(sizeof(XPLMCreateFlightLoop_t)), phase,
                                                 BM_FlightLoopObjectCallback, record};
                id = XPLMCreateFlightLoop(&create);
                return id != nullptr;
            }))
            BM_Table().SetHandle(record, id);
        return BM_IntFromHandle(id);
    });
}

// The answer is 1 when the loop went, 0 when it is no loop the calling script created.
PyObject* PY_XPLMDestroyFlightLoop(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t id;
    const char* function = "XPLMDestroyFlightLoop";
    if (!BM_ParseTuple(args, "O" BM_H, &script, &id)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        return BM_RemoveFound(BM_OwnRecordOfHandle(BM_KindFlightLoopObject, BM_Handle(id), script));
    });
}

// The answer is 1 when the loop was scheduled, 0 when it is no loop the running script created.
// From inside the loop's own callback, the callback's answer wins.
PyObject* PY_XPLMScheduleFlightLoop(PyObject*, PyObject* args) {
    Py_ssize_t id;
    float interval;
    int relativeToNow;
    const char* function = "XPLMScheduleFlightLoop";
    if (!BM_ParseTuple(args, BM_H "fi", &id, &interval, &relativeToNow)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record = BM_OwnRecordOfHandle(BM_KindFlightLoopObject, BM_Handle(id));
        if (!record) return BM_Zero();
        XPLMScheduleFlightLoop(record->handle, interval, relativeToNow);
        record->interval = interval;
        return BM_One();
    });
}

const BM_Constant kConstants[] = {
    {"xplm_FlightLoop_Phase_BeforeFlightModel", xplm_FlightLoop_Phase_BeforeFlightModel},
    {"xplm_FlightLoop_Phase_AfterFlightModel", xplm_FlightLoop_Phase_AfterFlightModel},
};

PyMethodDef XPLMProcessingMethods[] = {
    {"XPLMGetElapsedTime", PY_XPLMGetElapsedTime, METH_NOARGS,
     "Tells the seconds the simulator has run since it started, paused time included.\n"
     "\n"
     "Returns the elapsed time as a float."},
    {"XPLMGetCycleNumber", PY_XPLMGetCycleNumber, METH_NOARGS,
     "Tells the number of the current simulation cycle, which counts up each frame.\n"
     "\n"
     "Returns the cycle number as an int."},
    {"XPLMRegisterFlightLoopCallback", PY_XPLMRegisterFlightLoopCallback, METH_VARARGS,
     "Registers a flight loop callback of the script, called once per cycle when due.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inFlightLoop: the callable, called as inFlightLoop(elapsedSinceLastCall,\n"
     "    elapsedTimeSinceLastFlightLoop, counter, refcon) -> float: seconds until the next call\n"
     "    (>0), flight loops until it (<0), or 0 to stop\n"
     "inInterval: when to call first: seconds (>0), flight loops (<0), or 0 for not yet\n"
     "inRefcon: an int handed back to the callback\n"
     "\n"
     "The loop belongs to the script and goes when the script stops. Registering the same\n"
     "callable with the same refcon again only sets its interval anew.\n"
     "Returns 1. Raises TypeError when self is no script object or inFlightLoop is not callable."},
    {"XPLMUnregisterFlightLoopCallback", PY_XPLMUnregisterFlightLoopCallback, METH_VARARGS,
     "Removes a flight loop callback the script registered.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inFlightLoop: the callable it was registered with\n"
     "inRefcon: the refcon it was registered with\n"
     "\n"
     "Returns 1 when the loop went, 0 when the script has no loop with this callable and refcon."},
    {"XPLMSetFlightLoopCallbackInterval", PY_XPLMSetFlightLoopCallbackInterval, METH_VARARGS,
     "Sets when a registered flight loop callback is called next.\n"
     "\n"
     "inFlightLoop: the callable of the loop\n"
     "inInterval: seconds (>0), flight loops (<0), or 0 to stop calling it\n"
     "inRelativeToNow: 1 counts from now, 0 from the loop's last call\n"
     "inRefcon: the refcon of the loop; failing a match, the first loop of inFlightLoop is taken\n"
     "\n"
     "Returns 1 when the loop was found, 0 when no loop has this callable."},
    {"XPLMCreateFlightLoop", PY_XPLMCreateFlightLoop, METH_VARARGS,
     "Creates a flight loop object of the script, not yet scheduled.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "params: a dict {\"phase\", \"callbackFunc\", \"refcon\"} or a sequence in that order;\n"
     "    phase: xplm_FlightLoop_Phase_BeforeFlightModel or ..._AfterFlightModel;\n"
     "    callbackFunc(elapsedSinceLastCall, elapsedTimeSinceLastFlightLoop, counter, refcon)\n"
     "    -> float: seconds until the next call (>0), flight loops (<0), or 0 to stop;\n"
     "    refcon: an int handed back to the callback (may be left out: 0)\n"
     "\n"
     "The loop belongs to the script and is destroyed when the script stops; schedule it with\n"
     "XPLMScheduleFlightLoop.\n"
     "Returns the loop's id (an int), or 0 when the simulator refused it. Raises TypeError or\n"
     "ValueError for a bad params field."},
    {"XPLMDestroyFlightLoop", PY_XPLMDestroyFlightLoop, METH_VARARGS,
     "Destroys a flight loop object the script created.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inFlightLoopID: the id XPLMCreateFlightLoop returned\n"
     "\n"
     "Returns 1 when the loop went, 0 when it is no loop this script created."},
    {"XPLMScheduleFlightLoop", PY_XPLMScheduleFlightLoop, METH_VARARGS,
     "Schedules the next call of a flight loop object of the running script.\n"
     "\n"
     "inFlightLoopID: the id XPLMCreateFlightLoop returned\n"
     "inInterval: seconds (>0), flight loops (<0), or 0 to stop calling it\n"
     "inRelativeToNow: 1 counts from now, 0 from the loop's last call\n"
     "\n"
     "Called from inside the loop's own callback, the callback's answer wins.\n"
     "Returns 1 when the loop was scheduled, 0 when it is no loop the running script created."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMProcessing() {
    BM_InitModule(kModule, XPLMProcessingMethods, kConstants, int(sizeof(kConstants) / sizeof(kConstants[0])));
}
