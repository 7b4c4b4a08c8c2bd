#include "PyCompat.h"

#include "BrindlemoorBase.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "ScriptPaths.h"
#include "XPLMUtilities.h"

int BM_OutputFileEnabled = 0;

BM_HostPaths BM_QueryHostPaths() {
    BM_HostPaths host;
    char buffer[1024] = {0};  // the simulator fills at most 512
    XPLMGetSystemPath(buffer);
    host.systemPath = buffer;
    const char* separator = XPLMGetDirectorySeparator();
    host.separator = separator ? separator : "/";
    return host;
}

namespace {

void AppendToScriptFile(const char* fileName, const char* text, std::size_t length) {
    if (!text) return;
    try {
        BM_HostPaths host = BM_QueryHostPaths();
        std::string hostPath = ScriptFilePath(host.systemPath, host.separator, fileName);
        std::string path;
        if (ConvertPath(hostPath, host.separator, &path) != 0) {
            XPLMDebugString("Brindlemoor - Unable to convert FilePath path\n");
            path = hostPath;
        }
        FILE* file = std::fopen(path.c_str(), "a");
        if (!file) return;
        std::fwrite(text, 1, length, file);
        std::fclose(file);
    } catch (...) {
        // A log write never fails its caller; the text is dropped.
    }
}

}  // namespace

void BM_WriteBytesToLog(const char* text, std::size_t length) {
    AppendToScriptFile("BrindlemoorLog.txt", text, length);
}

void BM_WriteBytesToLog2(const char* text, std::size_t length) {
    if (BM_OutputFileEnabled) AppendToScriptFile("BrindlemoorOutput.txt", text, length);
}

void BM_WriteToLog(const char* text) {
    if (text) BM_WriteBytesToLog(text, std::strlen(text));
}

void BM_WriteToLog2(const char* text) {
    if (text) BM_WriteBytesToLog2(text, std::strlen(text));
}

bool BM_RunOrLog(const char* what, const std::function<void()>& step) {
    std::string error;
    try {
        step();
        return true;
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "unknown exception";
    }
    try {
        BM_WriteToLog((std::string("Brindlemoor - ") + what + " failed: " + error + "\n").c_str());
    } catch (...) {
        // out of memory while reporting: nothing more can be done
    }
    return false;
}

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
