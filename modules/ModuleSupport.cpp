#include "ModuleSupport.h"

#include "BrindlemoorTrampolines.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>

#include "BrindlemoorBase.h"
#include "XPLMUtilities.h"

int BM_ParseTuple(PyObject* args, const char* format, ...) {
    va_list values;
    va_start(values, format);
    int parsed = PyArg_VaParse(args, format, values);
    va_end(values);
    if (!parsed && PyErr_ExceptionMatches(PyExc_AttributeError)) {
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyObject* text = value ? PyObject_Str(value) : nullptr;
        const char* chars = text ? BM_TextAsUtf8(text) : nullptr;
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError, "expected a number (%.200s)", chars ? chars : "no conversion");
        Py_XDECREF(text);
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(traceback);
    }
    return parsed;
}

bool BM_CheckScript(PyObject* script, const char* function) {
    if (BMTestTable && BMTestTable->IsScriptObject(script)) return true;
    PyErr_Format(PyExc_TypeError, "%s: the first argument must be the script object (self), not %.100s", function,
                 Py_TYPE(script)->tp_name);
    return false;
}

bool BM_CheckCallable(PyObject* callable, const char* function, const char* argument) {
    if (PyCallable_Check(callable)) return true;
    PyErr_Format(PyExc_TypeError, "%s: %s must be callable, not %.100s", function, argument,
                 Py_TYPE(callable)->tp_name);
    return false;
}

bool BM_CheckOutParameter(PyObject* parameter, const char* function) {
    if (parameter == Py_None || PyList_Check(parameter)) return true;
    PyErr_Format(PyExc_TypeError, "%s: out-parameters are lists or None", function);
    return false;
}

void BM_WriteOutParameter(PyObject* parameter, PyObject* value) {
    if (!value) {
        PyErr_Clear();
        return;
    }
    if (PyList_Check(parameter) && PyList_Size(parameter) > 0) {
        PyList_SetItem(parameter, 0, value);  // takes over the reference
        return;
    }
    // Out of memory, the value does not arrive; nothing stays pending behind the answer.
    if (PyList_Check(parameter) && PyList_Append(parameter, value) != 0) PyErr_Clear();
    Py_DECREF(value);
}

int BM_ConvertFloat(PyObject* object, void* out) {
    double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) return 0;
    if (!BM_FitsFloat(value)) {
        PyErr_SetString(PyExc_OverflowError, "float argument is out of range for a C float");
        return 0;
    }
    *static_cast<float*>(out) = static_cast<float>(value);
    return 1;
}

PyObject* BM_InitModule(const char* name, PyMethodDef* methods, const BM_Constant* constants, int count) {
    PyObject* module = BM_CreateModule(name, methods);
    if (!module) {
        BM_PrintPythonError();
        return nullptr;
    }
    PyObject* dict = PyModule_GetDict(module);
    for (int i = 0; i < count; ++i) {
        PyObject* value = BM_IntFromLong(constants[i].value);
        if (value) PyDict_SetItemString(dict, constants[i].name, value);
        Py_XDECREF(value);
    }
    return module;
}

bool BM_CheckWidgetMessage(const char* function, int message, Py_ssize_t param1, Py_ssize_t param2) {
    intptr_t address;
    BM_WidgetRecordKind kind;
    if (!BM_WidgetMessageRecord(message, param1, param2, &address, &kind) || BM_IsLiveWidgetRecord(address, kind))
        return true;
    const char* what = kind == BM_MouseStateRecord ? "the mouse state in param1"
                       : kind == BM_KeyStateRecord ? "the key state in param1"
                                                   : "the geometry change in param2";
    PyErr_Format(PyExc_ValueError,
                 "%s: message %d carries %s; pass on what a widget callback was given for the message it is "
                 "handling now",
                 function, message, what);
    return false;
}

bool BM_ClassicPaths() {
    const char* separator = XPLMGetDirectorySeparator();
    return separator && std::strcmp(separator, ":") == 0;
}

std::string BM_ScriptPath(std::string hostPath) {
    if (!BM_ClassicPaths()) return hostPath;
    std::replace(hostPath.begin(), hostPath.end(), ':', '/');
    return "/Volumes/" + hostPath;
}
