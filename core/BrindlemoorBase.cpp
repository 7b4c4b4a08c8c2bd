#include "PyCompat.h"

#include "BrindlemoorBase.h"

namespace {

// Levels of calls granted above the recursion limit while an error is printed. An error can be
// printed from as deep as it happened (a script callback that failed inside a host call made at
// the limit): writing the traceback calls the standard error catcher, a Python method, which
// would fail again at that depth, and the traceback would be lost.
constexpr int kPrintHeadroom = 50;

void PrintPendingError() {
    if (PyErr_ExceptionMatches(PyExc_SystemExit)) {
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyErr_NormalizeException(&type, &value, &traceback);
        PyErr_Display(type, value, traceback);
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(traceback);
        PyErr_Clear();
        return;
    }
    PyErr_Print();
}

}  // namespace

void BM_PrintPythonError() {
    if (!PyErr_Occurred()) return;
    int limit = Py_GetRecursionLimit();
    Py_SetRecursionLimit(limit + kPrintHeadroom);
    PrintPendingError();
    Py_SetRecursionLimit(limit);
    BM_ErrorSwallowed();
}

std::string BM_PendingErrorText() {
    if (!PyErr_Occurred()) return std::string();
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    std::string text;
    if (PyObject* name = type ? PyObject_GetAttrString(type, "__name__") : nullptr) {
        if (BM_IsText(name))
            if (const char* chars = BM_TextAsUtf8(name)) text = chars;
        Py_DECREF(name);
    }
    PyErr_Clear();
    // The exception object is made only when the value is still its arguments (a syntax error of
    // an import under 2.7): at the recursion limit, whose value is its message, making it could
    // end the process (Python 3.6).
    if (value && PyTuple_Check(value)) {
        PyErr_NormalizeException(&type, &value, &traceback);
        PyErr_Clear();
    }
    if (PyObject* message = value ? PyObject_Str(value) : nullptr) {
        const char* chars = BM_TextAsUtf8(message);
        if (chars && *chars) text += std::string(": ") + chars;
        Py_DECREF(message);
    }
    PyErr_Clear();
    PyErr_Restore(type, value, traceback);
    return text;
}
