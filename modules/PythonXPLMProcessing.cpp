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

// The simulator gets the trampoline with the callable as its refcon; the table keeps the
// script's own refcon.
PyObject* PY_XPLMRegisterFlightLoopCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    float interval;
    Py_ssize_t refcon;
    if (!PyArg_ParseTuple(args, "OOf" BM_H, &script, &callable, &interval, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMRegisterFlightLoopCallback", BM_Zero, [&] {
        XPLMRegisterFlightLoopCallback(BM_FlightLoopCallback, interval, callable);
        BM_Table().SetFlightLoopCallback(script, callable, BM_Refcon(refcon));
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMUnregisterFlightLoopCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    Py_ssize_t refcon;
    if (!PyArg_ParseTuple(args, "OO" BM_H, &script, &callable, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMUnregisterFlightLoopCallback", BM_Zero, [&] {
        BM_Table().RemoveFlightLoopCallback(script, callable);
        if (BM_Table().GetNumberOfFlightLoopScriptUsers() == 0)
            XPLMUnregisterFlightLoopCallback(BM_FlightLoopCallback, callable);
        return BM_IntFromLong(1);
    });
}

PyObject* PY_XPLMSetFlightLoopCallbackInterval(PyObject*, PyObject* args) {
    PyObject* callable;
    float interval;
    int relativeToNow;
    Py_ssize_t unusedRefcon;
    if (!PyArg_ParseTuple(args, "Ofi" BM_H, &callable, &interval, &relativeToNow, &unusedRefcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetFlightLoopCallbackInterval", BM_Zero, [&] {
        XPLMSetFlightLoopCallbackInterval(BM_FlightLoopCallback, interval, relativeToNow, callable);
        return BM_IntFromLong(1);
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
