#include "PyCompat.h"

#include "PythonTBUtilities.h"

#include "BrindlemoorBase.h"
#include "WidgetStuff.h"

namespace {

PyObject* PY_TallowbridgeDisplay(PyObject*, PyObject* args) {
    const char* text = nullptr;
    if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
    AddDisplayItem(text);
    return BM_IntFromLong(0);
}

PyObject* PY_TallowbridgeClearDisplay(PyObject*, PyObject*) {
    ClearDisplay();
    return BM_IntFromLong(0);
}

PyObject* PY_TallowbridgePrint(PyObject*, PyObject* args) {
    const char* text = nullptr;
    if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
    AddPrintItem(text);
    return BM_IntFromLong(0);
}

PyObject* PY_TallowbridgeClearPrint(PyObject*, PyObject*) {
    ClearPrint();
    return BM_IntFromLong(0);
}

PyObject* PY_PrintStdout(PyObject*, PyObject* args) {
    const char* text = nullptr;
    if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
    AddPrintItem(text);
    BM_WriteToLog2(text);
    Py_RETURN_NONE;
}

PyObject* PY_PrintStderr(PyObject*, PyObject* args) {
    const char* text = nullptr;
    if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
    AddPrintItem(text);
    BM_WriteToLog(text);
    Py_RETURN_NONE;
}

PyMethodDef TallowbridgeUtilitiesMethods[] = {
    {"TallowbridgeDisplay", PY_TallowbridgeDisplay, METH_VARARGS, "Sends Text to the Pseudo Display."},
    {"TallowbridgeClearDisplay", PY_TallowbridgeClearDisplay, METH_VARARGS, "Clear Display."},
    {"TallowbridgePrint", PY_TallowbridgePrint, METH_VARARGS, "Sends Text to the Pseudo Print."},
    {"TallowbridgeClearPrint", PY_TallowbridgeClearPrint, METH_VARARGS, "Clear Printer."},
    {"PrintStdout", PY_PrintStdout, METH_VARARGS, "Prints to stdout"},
    {"PrintStderr", PY_PrintStderr, METH_VARARGS, "Prints to stderr"},
    {nullptr, nullptr, 0, nullptr},
};

// The path goes into a quoted Python literal: quotes, backslashes and line ends are escaped so
// that any folder name stays one literal.
std::string PythonLiteral(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '\'') out += '\\';
        if (c == '\n') {
            out += "\\n";
            continue;
        }
        if (c == '\r') {
            out += "\\r";
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace

std::string TallowbridgeBootstrapText(const std::string& interpreterPath) {
    // The catchers also answer flush(), which library code and scripts call on the streams.
    return "import sys\n"
           "sys.path.append('" + PythonLiteral(interpreterPath) + "')\n"
           "import TallowbridgeUtilities\n"
           "class StdoutCatcher:\n"
           "\tdef write(self, str):\n"
           "\t\tTallowbridgeUtilities.PrintStdout(str)\n"
           "\tdef flush(self):\n"
           "\t\tpass\n"
           "class StderrCatcher:\n"
           "\tdef write(self, str):\n"
           "\t\tTallowbridgeUtilities.PrintStderr(str)\n"
           "\tdef flush(self):\n"
           "\t\tpass\n"
           "sys.stdout = StdoutCatcher()\n"
           "sys.stderr = StderrCatcher()\n";
}

void initTallowbridgeUtilities(const char* interpreterPath) {
    std::string path = interpreterPath ? interpreterPath : "";
    if (PyObject* module = BM_CreateModule("TallowbridgeUtilities", TallowbridgeUtilitiesMethods)) {
        PyDict_SetItemString(PyModule_GetDict(module), "__builtins__", PyEval_GetBuiltins());
    } else {
        BM_PrintPythonError();
    }
    PyRun_SimpleString(TallowbridgeBootstrapText(path).c_str());
    BM_WriteToLog("Using path below for script path\n");
    BM_WriteToLog(path.c_str());
    BM_WriteToLog("\n");
}

void PrintException(const char* module, const char* function, const char* error) {
    std::string text = std::string("Module - ") + module + ", Function - " + function +
                       ", Error = " + error + "\n";
    AddPrintItem(text.c_str());
    BM_WriteToLog(text.c_str());
}
