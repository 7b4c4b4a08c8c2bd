#include "PythonSupport.h"

#include <optional>
#include <stdexcept>

#include "ScriptThreads.h"

namespace {
// The tests are the simulator's thread from start to end and use the interpreter between their
// calls of the plug-in: the lock stays theirs, the plug-in's entries are turns within this one.
std::optional<BM_InterpreterTurn> gTestsTurn{std::in_place};
}  // namespace

namespace bmtest {

SimulatorHasControl::SimulatorHasControl() { gTestsTurn.reset(); }

SimulatorHasControl::~SimulatorHasControl() { gTestsTurn.emplace(); }

RunningPlugin::RunningPlugin(const std::map<std::string, std::string>& scripts) {
    for (const auto& [module, text] : scripts) sim_.AddScript(module + ".py", text);
    BMTestTable = new BM_ScriptTable;
    StartPython(1);
}

RunningPlugin::~RunningPlugin() { Stop(); }

void RunningPlugin::Stop() {
    if (stopped_) return;
    stopped_ = true;
    for (auto& [name, object] : kept_) Py_XDECREF(object);
    kept_.clear();
    StopPython(1);
    delete BMTestTable;
    BMTestTable = nullptr;
}

PyObject* RunningPlugin::Script(const std::string& module) const {
    PyObject* script = BMTestTable->GetScriptIdFromModuleName(module);
    if (!script) throw std::runtime_error("script not loaded: " + module + "\n" + sim_.Log());
    return script;
}

PyObject* RunningPlugin::Method(const std::string& module, const std::string& name) {
    std::string key = module + "." + name;
    if (!kept_.count(key)) kept_[key] = Eval(module, "Script." + name);
    return kept_[key];
}

PyObject* RunningPlugin::Eval(const std::string& module, const std::string& expression) {
    if (PyErr_Occurred()) {
        PyErr_Print();
        throw std::runtime_error("a Python error was pending before: " + expression + "\n" + sim_.Log());
    }
    PyObject* mod = PyImport_ImportModule(module.c_str());
    if (!mod) {
        PyErr_Print();
        throw std::runtime_error("no module " + module + " for " + expression + "\n" + sim_.Log());
    }
    PyObject* globals = PyModule_GetDict(mod);
    PyDict_SetItemString(globals, "Script", Script(module));
    PyObject* result = PyRun_String(expression.c_str(), Py_eval_input, globals, globals);
    Py_DECREF(mod);
    if (!result) {
        PyErr_Print();
        throw std::runtime_error("evaluation failed: " + expression + "\n" + sim_.Log());
    }
    return result;
}

void RunningPlugin::Run(const std::string& module, const std::string& expression) {
    PyObject* result = Eval(module, expression);
    Py_DECREF(result);
}

long RunningPlugin::EvalInt(const std::string& module, const std::string& expression) {
    PyObject* value = Eval(module, expression);
    long result = BM_IntAsLong(value);
    Py_DECREF(value);
    return result;
}

}  // namespace bmtest
