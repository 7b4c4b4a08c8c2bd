#include "PyCompat.h"

#include "PythonTBUtilities.h"

#include "BrindlemoorBase.h"
#include "ModuleSupport.h"
#include "ScriptReport.h"
#include "WidgetStuff.h"

namespace {

// Console lines are C strings: a NUL byte in a script's text shows there as this placeholder.
const char kNulPlaceholder[] = "\\0";

PyObject* PY_TallowbridgeDisplay(PyObject*, PyObject* args) {
    const char* text = nullptr;
    if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
    return BM_RaiseInstead([&] {
        AddDisplayItem(text);
        return BM_IntFromLong(0);
    });
}

PyObject* PY_TallowbridgeClearDisplay(PyObject*, PyObject*) {
    ClearDisplay();
    return BM_IntFromLong(0);
}

PyObject* PY_TallowbridgePrint(PyObject*, PyObject* args) {
    const char* text = nullptr;
    if (!PyArg_ParseTuple(args, "s", &text)) return nullptr;
    return BM_RaiseInstead([&] {
        AddPrintItem(text);
        return BM_IntFromLong(0);
    });
}

PyObject* PY_TallowbridgeClearPrint(PyObject*, PyObject*) {
    ClearPrint();
    return BM_IntFromLong(0);
}

// What the stream catchers are given: every byte goes to the file, NULs included; the print
// console shows the text with each NUL as the placeholder. A unicode string is written as UTF-8
// (see BM_EncodedBytes); anything but a string raises TypeError. The answer is what a file's
// write answers in the running Python.
template <typename WriteFile>
PyObject* CatchStream(const char* name, PyObject* args, WriteFile writeFile) {
    PyObject* text = nullptr;
    if (!PyArg_ParseTuple(args, "O", &text)) {
        BM_NameArgumentError(name, args);
        return nullptr;
    }
    PyObject* bytes = BM_EncodedBytes(text);
    char* data = nullptr;
    Py_ssize_t length = 0;
    if (!bytes || !BM_BytesOf(bytes, &data, &length)) {
        Py_XDECREF(bytes);
        BM_NameArgumentError(name, args);
        return nullptr;
    }
    Py_ssize_t written = PyObject_Length(text);  // characters of a text, bytes of a byte string
    if (written < 0) PyErr_Clear();
    PyObject* result = BM_RaiseInstead([&] {
        writeFile(data, std::size_t(length));
        AddPrintText(ConsoleText(data, std::size_t(length)).c_str());
        return BM_WriteAnswer(written < 0 ? length : written);
    });
    Py_DECREF(bytes);
    return result;
}

PyObject* PY_PrintStdout(PyObject*, PyObject* args) { return CatchStream("PrintStdout", args, BM_WriteBytesToLog2); }

PyObject* PY_PrintStderr(PyObject*, PyObject* args) { return CatchStream("PrintStderr", args, BM_WriteBytesToLog); }

PyMethodDef TallowbridgeUtilitiesMethods[] = {
    {"TallowbridgeDisplay", PY_TallowbridgeDisplay, METH_VARARGS,
     "Adds a line to the control panel's upper (display) console.\n"
     "\n"
     "inText: the text; a NUL shows as \\0\n"
     "\n"
     "Returns 0."},
    {"TallowbridgeClearDisplay", PY_TallowbridgeClearDisplay, METH_NOARGS,
     "Empties the control panel's upper (display) console.\n"
     "\n"
     "Returns 0."},
    {"TallowbridgePrint", PY_TallowbridgePrint, METH_VARARGS,
     "Adds a line to the control panel's lower (print) console, where print output goes.\n"
     "\n"
     "inText: the text; a NUL shows as \\0\n"
     "\n"
     "Returns 0."},
    {"TallowbridgeClearPrint", PY_TallowbridgeClearPrint, METH_NOARGS,
     "Empties the control panel's lower (print) console.\n"
     "\n"
     "Returns 0."},
    {nullptr, nullptr, 0, nullptr},
};

// The standard streams' catchers: scripts print on any thread.
PyMethodDef StreamCatchers[] = {
    {"PrintStdout", PY_PrintStdout, METH_VARARGS,
     "Writes what a script prints (sys.stdout) to the output file and the print console.\n"
     "\n"
     "inText: the text (a unicode string is written as UTF-8)\n"
     "\n"
     "Returns what a file's write returns: None under Python 2.7, the length under 3. Raises\n"
     "TypeError for anything but a string."},
    {"PrintStderr", PY_PrintStderr, METH_VARARGS,
     "Writes what goes to sys.stderr (tracebacks) to the log and the print console.\n"
     "\n"
     "inText: the text (a unicode string is written as UTF-8)\n"
     "\n"
     "Returns what a file's write returns: None under Python 2.7, the length under 3. Raises\n"
     "TypeError for anything but a string."},
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
    // The catchers stand in for the standard streams as file objects of the running Python do:
    // write answers as the interpreter's own files answer, and the questions that library code
    // (logging, traceback, warnings) asks of a stream have answers.
    return "import sys\n"
           "sys.path.append('" + PythonLiteral(interpreterPath) + "')\n"
           "import TallowbridgeUtilities\n"
           "class _BrindlemoorStream:\n"
           "\tencoding = 'utf-8'\n"
           "\terrors = 'surrogateescape'\n"
           "\tclosed = False\n"
           "\tsoftspace = 0\n"
           "\tdef __init__(self, name, write):\n"
           "\t\tself.name = name\n"
           "\t\tself._write = write\n"
           "\tdef write(self, str):\n"
           "\t\treturn self._write(str)\n"
           "\tdef writelines(self, lines):\n"
           "\t\tfor line in lines:\n"
           "\t\t\tself._write(line)\n"
           "\tdef flush(self):\n"
           "\t\tpass\n"
           "\tdef isatty(self):\n"
           "\t\treturn False\n"
           "\tdef readable(self):\n"
           "\t\treturn False\n"
           "\tdef writable(self):\n"
           "\t\treturn True\n"
           "\tdef seekable(self):\n"
           "\t\treturn False\n"
           "\tdef fileno(self):\n"
           "\t\timport io\n"
           "\t\traise io.UnsupportedOperation('fileno')\n"
           "class StdoutCatcher(_BrindlemoorStream):\n"
           "\tdef __init__(self):\n"
           "\t\t_BrindlemoorStream.__init__(self, '<stdout>', TallowbridgeUtilities.PrintStdout)\n"
           "class StderrCatcher(_BrindlemoorStream):\n"
           "\tdef __init__(self):\n"
           "\t\t_BrindlemoorStream.__init__(self, '<stderr>', TallowbridgeUtilities.PrintStderr)\n"
           "sys.stdout = StdoutCatcher()\n"
           "sys.stderr = StderrCatcher()\n";
}

void CreateTallowbridgeUtilitiesModule() {
    PyObject* module = BM_CreateModule("TallowbridgeUtilities", StreamCatchers);
    if (module && BM_GuardFunctions(module, "TallowbridgeUtilities", TallowbridgeUtilitiesMethods)) {
        PyDict_SetItemString(PyModule_GetDict(module), "__builtins__", PyEval_GetBuiltins());
    } else {
        BM_PrintPythonError();
    }
}

void initTallowbridgeUtilities(const char* interpreterPath) {
    std::string path = interpreterPath ? interpreterPath : "";
    CreateTallowbridgeUtilitiesModule();
    PyRun_SimpleString(TallowbridgeBootstrapText(path).c_str());
    BM_SetReportStream(BM_SysObject("stderr"));
    BM_WriteToLog("Using path below for script path\n");
    BM_WriteToLog(path.c_str());
    BM_WriteToLog("\n");
}

std::string ConsoleText(const char* bytes, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        if (bytes[i] == '\0')
            text += kNulPlaceholder;
        else
            text += bytes[i];
    }
    return text;
}

void PrintException(const char* module, const char* function, const char* error) {
    BM_NoteModuleFailure(module, function, error);  // for the script whose code runs
    try {
        std::string text = std::string("Module - ") + module + ", Function - " + function + ", Error = " + error + "\n";
        AddPrintItem(text.c_str());
        BM_WriteToLog(text.c_str());
    } catch (...) {
        // Out of memory while reporting a failure: the report is dropped, the caller goes on.
    }
}
