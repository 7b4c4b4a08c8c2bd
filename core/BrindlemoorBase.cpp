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

// The plug-in's own standard error catcher (owned), through which reports are written whatever
// a script made of sys.stderr.
PyObject* gReportStream = nullptr;

// Puts the plug-in's catcher in sys.stderr for as long as it lives, and what was there back.
class ReportStreamInPlace {
public:
    ReportStreamInPlace() {
        if (!gReportStream) return;
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        saved_ = BM_SysObject("stderr");  // borrowed; null when a script deleted it
        Py_XINCREF(saved_);
        swapped_ = saved_ != gReportStream && BM_SetSysObject("stderr", gReportStream) == 0;
        PyErr_Clear();
        PyErr_Restore(type, value, traceback);
    }
    ~ReportStreamInPlace() {
        if (swapped_) {
            PyObject *type, *value, *traceback;
            PyErr_Fetch(&type, &value, &traceback);
            BM_SetSysObject("stderr", saved_ ? saved_ : Py_None);
            PyErr_Clear();
            PyErr_Restore(type, value, traceback);
        }
        Py_XDECREF(saved_);
    }
    ReportStreamInPlace(const ReportStreamInPlace&) = delete;
    ReportStreamInPlace& operator=(const ReportStreamInPlace&) = delete;

private:
    PyObject* saved_ = nullptr;
    bool swapped_ = false;
};

}  // namespace

void BM_SetReportStream(PyObject* stream) {
    Py_XINCREF(stream);
    Py_XDECREF(gReportStream);
    gReportStream = stream;
}

void BM_RestoreReportStream() {
    if (!gReportStream) return;
    // The interpreter puts sys.__stderr__ back in sys.stderr while it ends.
    for (const char* name : {"stderr", "__stderr__"})
        if (BM_SetSysObject(name, gReportStream) != 0) PyErr_Clear();
    BM_SetReportStream(nullptr);
}

void BM_PrintPythonError() {
    if (!PyErr_Occurred()) return;
    int limit = Py_GetRecursionLimit();
    Py_SetRecursionLimit(limit + kPrintHeadroom);
    {
        ReportStreamInPlace reportStream;
        PrintPendingError();
    }
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
