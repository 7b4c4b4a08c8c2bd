#include "PyCompat.h"

#include "PythonModules.h"

#include <cstring>

#include "BrindlemoorBase.h"
#include "PythonTBUtilities.h"

const BM_ModuleRow BM_Modules[] = {
    {"XPLMDefs", [](const std::string&) { initXPLMDefs(); }},
    {"XPLMCamera", [](const std::string&) { initXPLMCamera(); }},
    {"XPLMDataAccess", [](const std::string&) { initXPLMDataAccess(); }},
    {"XPLMDisplay", [](const std::string&) { initXPLMDisplay(); }},
    {"XPLMGraphics", [](const std::string&) { initXPLMGraphics(); }},
    {"XPLMMap", [](const std::string&) { initXPLMMap(); }},
    {"XPLMMenus", [](const std::string&) { initXPLMMenus(); }},
    {"XPLMNavigation", [](const std::string&) { initXPLMNavigation(); }},
    {"XPLMProcessing", [](const std::string&) { initXPLMProcessing(); }},
    {"XPLMUtilities", [](const std::string&) { initXPLMUtilities(); }},
    {"XPLMPlanes", [](const std::string&) { initXPLMPlanes(); }},
    {"XPLMPlugin", [](const std::string&) { initXPLMPlugin(); }},
    {"XPLMScenery", [](const std::string&) { initXPLMScenery(); }},
    {"XPLMInstance", [](const std::string&) { initXPLMInstance(); }},
    {"XPLMWeather", [](const std::string&) { initXPLMWeather(); }},
    {"XPLMSound", [](const std::string&) { initXPLMSound(); }},
    {"XPWidgetDefs", [](const std::string&) { initXPWidgetDefs(); }},
    {"XPWidgets", [](const std::string&) { initXPWidgets(); }},
    {"XPStandardWidgets", [](const std::string&) { initXPStandardWidgets(); }},
    {"XPUIGraphics", [](const std::string&) { initXPUIGraphics(); }},
    {"XPWidgetUtils", [](const std::string&) { initXPWidgetUtils(); }},
    {"PythonScriptMessaging", [](const std::string&) { initPythonScriptMessaging(); }},
    {"TallowbridgeUtilities", [](const std::string& path) { initTallowbridgeUtilities(path.c_str()); }},
    {"TallowbridgeVCUtilities", [](const std::string&) { initTallowbridgeVCUtilities(); }},
};
const int BM_ModuleCount = int(sizeof(BM_Modules) / sizeof(BM_Modules[0]));

namespace {

// A built-in module a script removed from sys.modules is made again when imported, as the
// interpreter finds any other module again: a finder at the end of sys.meta_path knows their
// names, and `_remake` registers one anew (its functions and constants, nothing else happening
// again: the output utilities do not replace the standard streams a second time).
PyObject* Remake(PyObject*, PyObject* name) {
    const char* text = BM_IsText(name) ? BM_TextAsUtf8(name) : nullptr;
    if (!text) return nullptr;
    for (const BM_ModuleRow& row : BM_Modules) {
        if (!row.init || std::strcmp(row.name, text) != 0) continue;
        bool made = BM_RunOrLog(row.name, [&] {
            if (std::strcmp(row.name, "TallowbridgeUtilities") == 0)
                CreateTallowbridgeUtilitiesModule();
            else
                row.init(std::string());
        });
        PyObject* module = made && !PyErr_Occurred() ? PyDict_GetItemString(PyImport_GetModuleDict(), text) : nullptr;
        if (module) {
            Py_INCREF(module);
            return module;
        }
        if (!PyErr_Occurred()) PyErr_Format(PyExc_ImportError, "the built-in module %s cannot be made again", text);
        return nullptr;
    }
    PyErr_Format(PyExc_ImportError, "no built-in module %s", text);
    return nullptr;
}

PyMethodDef gRemake = {"_remake", Remake, METH_O, nullptr};

const char kFinder[] =
    "import sys\n"
    "class BrindlemoorModules(object):\n"
    "    def __init__(self, names, make):\n"
    "        self.names = frozenset(names)\n"
    "        self.make = make\n"
    "    def find_module(self, name, path=None):\n"
    "        return self if name in self.names else None\n"
    "    def load_module(self, name):\n"
    "        return self.make(name)\n"
    "    def find_spec(self, name, path=None, target=None):\n"
    "        if name not in self.names:\n"
    "            return None\n"
    "        import importlib.machinery\n"
    "        return importlib.machinery.ModuleSpec(name, self, origin='built-in')\n"
    "    def create_module(self, found):\n"
    "        return self.make(found.name)\n"
    "    def exec_module(self, module):\n"
    "        pass\n"
    "sys.meta_path.append(BrindlemoorModules(names, make))\n";

void InstallFinder() {
    PyObject* globals = PyDict_New();
    PyObject* names = PyList_New(0);
    PyObject* make = PyCFunction_New(&gRemake, nullptr);
    bool ready = globals && names && make && PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins()) == 0 &&
                 PyDict_SetItemString(globals, "make", make) == 0;
    for (const BM_ModuleRow& row : BM_Modules) {
        if (!ready || !row.init) continue;
        PyObject* name = BM_TextFromUtf8(row.name);
        ready = name && PyList_Append(names, name) == 0;
        Py_XDECREF(name);
    }
    ready = ready && PyDict_SetItemString(globals, "names", names) == 0;
    PyObject* result = ready ? PyRun_String(kFinder, Py_file_input, globals, globals) : nullptr;
    if (!result) BM_PrintPythonError();
    Py_XDECREF(result);
    Py_XDECREF(make);
    Py_XDECREF(names);
    Py_XDECREF(globals);
}

}  // namespace

void BM_RegisterModules(const std::string& interpreterPath) {
    for (const BM_ModuleRow& row : BM_Modules) {
        if (!row.init) continue;
        BM_RunOrLog(row.name, [&] { row.init(interpreterPath); });
    }
    InstallFinder();
}
