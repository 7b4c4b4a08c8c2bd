// Entry points, interpreter start and stop, lifecycle relays, script loading and the log files.
#include "PyCompat.h"

#include "Brindlemoor.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "BrindlemoorClass.h"
#include "PythonInstall.h"
#include "PythonModules.h"
#include "PythonTBVCUtilities.h"
#include "ScriptPaths.h"
#include "ScriptReport.h"
#include "ScriptThreads.h"
#include "ScriptReload.h"
#include "WidgetStuff.h"
#include "XPLMDataAccess.h"
#include "XPLMDefs.h"
#include "XPLMUtilities.h"

const char BrindlemoorVersionNumber[] = "v1.92";
const char BrindlemoorCredit[] = "- Python scripts for X-Plane";

namespace {

const char kPluginName[] = "Brindlemoor";
const char kPluginSignature[] = "tallowbridge.projects.brindlemoor";
const char kPluginDescription[] = "Brindlemoor Plugin";

void WriteToLog(const std::string& text) { BM_WriteToLog(text.c_str()); }

// Extension modules that scripts import (math, struct, ...) look for the interpreter's symbols
// in the global namespace, but the simulator opens plug-ins with local symbols. Promote the
// already loaded interpreter library to global.
void ExposeInterpreterSymbols() {
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&Py_Initialize), &info) && info.dli_fname)
        dlopen(info.dli_fname, RTLD_NOW | RTLD_GLOBAL | RTLD_NOLOAD);
}

// The installation as this start finds it: the interpreter's library is the one loaded.
BM_PythonInstall CheckInstallation() {
    Dl_info info;
    std::string library = dladdr(reinterpret_cast<void*>(&Py_GetVersion), &info) && info.dli_fname
                              ? info.dli_fname
                              : std::string();
    return BM_CheckPythonInstall(std::to_string(PY_MAJOR_VERSION) + "." + std::to_string(PY_MINOR_VERSION),
                                 BM_PluginFolderOf(kPluginName), library, Py_GetVersion());
}

bool FolderExists(const std::string& hostPath, const std::string& separator) {
    std::string path;
    if (ConvertPath(hostPath, separator, &path) != 0) return false;
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void ShareVirtualCameraItems(bool share) {
    for (int i = 0; i < kVirtualCameraItemCount; ++i) {
        const VirtualCameraItem& item = kVirtualCameraItems[i];
        void* refcon = reinterpret_cast<void*>(static_cast<intptr_t>(i));
        BM_RunOrLog(share ? "XPLMShareData" : "XPLMUnshareData", [&] {
            if (share)
                XPLMShareData(item.name, item.type, VirtualCameraDataChangedCB2, refcon);
            else
                XPLMUnshareData(item.name, item.type, VirtualCameraDataChangedCB2, refcon);
        });
    }
}

void ReportMissingFolder(const std::string& scriptFolder) {
    const char* texts[] = {"\n*** BRINDLEMOOR ERROR ***\n", "Path :- ", scriptFolder.c_str(),
                           " does not exist.\n",
                           "You will need to create a folder called PythonScripts under the plugins folder\n",
                           "*** BRINDLEMOOR ERROR ***\n\n"};
    for (const char* text : texts) BM_RunOrLog("XPLMDebugString", [&] { XPLMDebugString(text); });
    SetErrorText();
}

// The shape shared by the five relays. `args` is consumed. `use` sees the method's result.
int Relay(PyObject* script, const char* method, PyObject* args, const std::function<void(PyObject*)>& use = nullptr) {
    if (!BMTestTable || !BMTestTable->GetScriptEnabledStatus(script)) {
        if (!args) BM_PrintPythonError();
        Py_XDECREF(args);
        return 0;
    }
    const std::string* known = BMTestTable->ModuleNameOf(script);
    const std::string scriptName = known ? *known : BM_NoScript;  // a copy: the call may end the entry
    BM_ScriptCall call(scriptName, BM_Activity(BM_MethodActivity(method)));
    PyObject* bound = PyObject_GetAttrString(script, method);
    if (!bound) {
        BM_NoteMethodFailure(method);
        BM_PrintPythonError();
        const std::string* module = BMTestTable->ModuleNameOf(script);
        WriteToLog(std::string("Cannot find method ") + method + " (" + (module ? *module : "?") + ")\n");
        Py_XDECREF(args);
        return 1;
    }
    if (!args) {
        BM_PrintPythonError();
    } else if (call.TooDeep()) {
        BM_RaiseTooDeep(scriptName + "." + method);
        BM_NoteMethodFailure(method);
        BM_PrintPythonError();
    } else if (PyObject* result = BM_Call(bound, args)) {
        if (use) use(result);
        Py_DECREF(result);
    } else {
        BM_NoteMethodFailure(method);
        BM_PrintPythonError();
    }
    Py_XDECREF(args);
    Py_DECREF(bound);
    return 1;
}

}  // namespace

int CallXPluginStart(PyObject* script) {
    return Relay(script, "XPluginStart", Py_BuildValue("()"), [script](PyObject* result) {
        const char *name = nullptr, *signature = nullptr, *description = nullptr;
        if (PyTuple_Check(result) && PyArg_ParseTuple(result, "sss", &name, &signature, &description)) {
            BMTestTable->SetScriptDescriptions(script, name, signature, description);
            return;
        }
        // The descriptions stay as they were; the script is told what it got wrong.
        PyErr_Clear();
        PyObject* module = PyObject_GetAttrString(script, "__module__");
        PyErr_Clear();
        PyObject* moduleText = module ? PyObject_Str(module) : nullptr;
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError,
                     "XPluginStart of %s must return three strings: name, signature, description",
                     moduleText ? BM_TextAsUtf8(moduleText) : "a script");
        Py_XDECREF(moduleText);
        Py_XDECREF(module);
        BM_NoteMethodFailure("XPluginStart");
        BM_PrintPythonError();
    });
}

int CallXPluginStop(PyObject* script) { return Relay(script, "XPluginStop", Py_BuildValue("()")); }

// A script that answers 0 stays disabled: its callbacks stand aside as after BM_DisableScript.
// An answer that is no int (None, a number too large, an __int__ that raises) is reported as a
// failure of the method, and the script stays enabled.
int CallXPluginEnable(PyObject* script) {
    return Relay(script, "XPluginEnable", Py_BuildValue("()"), [script](PyObject* result) {
        long answer = BM_IsInt(result) || PyNumber_Check(result) ? BM_IntAsLong(result) : -1;
        if (answer == -1 && (PyErr_Occurred() || !BM_IsInt(result))) {
            std::string why = PyErr_Occurred() ? BM_PendingErrorText() : std::string();
            PyErr_Clear();
            const std::string* module = BMTestTable->ModuleNameOf(script);
            PyErr_Format(PyExc_TypeError, "XPluginEnable of %s must return an int, not %.100s%s%s",
                         module ? module->c_str() : "a script", Py_TYPE(result)->tp_name, why.empty() ? "" : ": ",
                         why.c_str());
            BM_NoteMethodFailure("XPluginEnable");
            BM_PrintPythonError();
            return;
        }
        if (answer == 0) BMTestTable->SetScriptEnabledStatus(script, 0);
    });
}

int CallXPluginDisable(PyObject* script) { return Relay(script, "XPluginDisable", Py_BuildValue("()")); }

int CallXPluginReceiveMessage(PyObject* script, int fromWho, int message, void* param) {
    PyObject* args = Py_BuildValue("(ii" BM_FMT_INTPTR ")", fromWho, message,
                                   static_cast<Py_ssize_t>(reinterpret_cast<intptr_t>(param)));
    return Relay(script, "XPluginReceiveMessage", args);
}

int CallScriptReceiveMessage(PyObject* recipient, PyObject* sender, long message, long param) {
    PyObject* args = Py_BuildValue("(" BM_FMT_INTPTR "ll)", static_cast<Py_ssize_t>(reinterpret_cast<intptr_t>(sender)),
                                   message, param);
    return Relay(recipient, "XPluginReceiveMessage", args);
}

int LoadScript(const std::string& moduleName, int tableIndex) {
    BM_ScriptCall loading(moduleName, BM_ActLoad);
    PyObject* name = BM_ModuleNameFromFileName(moduleName.c_str());
    PyObject* module = name ? PyImport_Import(name) : nullptr;
    Py_XDECREF(name);
    if (!module) {
        BM_NoteLoadFailure(moduleName, "");
        BM_PrintPythonError();
        WriteToLog("'" + moduleName + "' failed to load\n");
        return 0;
    }
    PyObject* scriptClass = PyObject_GetAttrString(module, "Brindlemoor");
    Py_DECREF(module);  // the interpreter's module table keeps it
    if (!scriptClass) {
        PyErr_Clear();
        BM_NoteLoadFailure(moduleName, "no class Brindlemoor");
        WriteToLog("Brindlemoor Class Missing (" + moduleName + ")\n");
        return 0;
    }
    // What __init__ registers is taken for the script being made, which is entered before its
    // __init__ runs.
    BMTestTable->SetLoadingScript(scriptClass, moduleName);
    PyObject* script = BM_NewUninitialised(scriptClass);
    if (script) {
        BMTestTable->EnterLoadingScript(script);
        script = BM_InitInstance(scriptClass, script);
    } else if (!PyErr_Occurred()) {
        PyObject* noArgs = PyTuple_New(0);
        script = noArgs ? PyObject_Call(scriptClass, noArgs, nullptr) : nullptr;
        Py_XDECREF(noArgs);
    }
    BMTestTable->SetLoadingScript(nullptr, std::string());
    if (!script) {
        BM_NoteLoadFailure(moduleName, "Brindlemoor() raised ");
        BM_PrintPythonError();
        BMTestTable->DropLoadingScripts();
        Py_DECREF(scriptClass);
        WriteToLog("Brindlemoor Call failed (" + moduleName + ")\n");
        return 0;
    }
    BMTestTable->AddScriptIdAt(tableIndex, script, moduleName, scriptClass);  // the table takes this reference
    Py_DECREF(scriptClass);
    return 1;
}

bool StartPython(int enableScripts, std::string* cannotStart) {
    BM_OutputFileEnabled = 1;
    WriteToLog("+++ LOGGING STARTED +++\n");
    WriteToLog(std::string(kPluginName) + " " + BrindlemoorVersionNumber + " " + BrindlemoorCredit + "\n");
    std::string problem;
    BM_PythonInstall python = CheckInstallation();
    std::string leftRunning = BM_ThreadsLeftRunning();
    if (!leftRunning.empty() && python.problem.empty())
        python.problem = "the " + leftRunning + " is still running from the last run; restart the simulator to start Python again";
    if (python.problem.empty()) {
        WriteToLog(BM_PythonInUseLine(python) + "\n");
        WriteToLog("Before Py_Initialize()\n");
        ExposeInterpreterSymbols();
        if (BM_StartInterpreter(python.home, python.bundled, &problem) && !BM_ImportSite()) {
            problem = "importing site raised " + BM_PendingErrorText();
            PyErr_Clear();
            Py_Finalize();
        }
    } else {
        problem = python.problem;
    }
    if (!problem.empty()) {
        std::string line = BM_CannotStartLine(python.line, problem, BM_PluginFolderOf(kPluginName));
        BM_ReportToBothLogs(line);
        WriteToLog("--- LOGGING STOPPED ---\n\n");
        if (cannotStart) *cannotStart = line;
        return false;
    }
    BM_AfterInterpreterStart();
    WriteToLog("After Py_Initialize()\n");
    WriteToLog("Before Modules Init\n");

    BM_HostPaths host;
    BM_RunOrLog("reading the system path", [&] { host = BM_QueryHostPaths(); });
    ScriptPaths paths = DeriveScriptPaths(host.systemPath, host.separator);

    ShareVirtualCameraItems(true);
    BM_RegisterModules(paths.interpreterPath);

    if (!FolderExists(paths.scriptFolder, host.separator)) {
        ReportMissingFolder(paths.scriptFolder);
    } else {
        GetScriptFiles(paths.listingPath);
        for (const std::string& moduleName : TestText)
            if (LoadScript(moduleName)) WriteToLog("'" + moduleName + "' successfully loaded\n");
    }

    if (!BMTestTable) return true;
    int count = BMTestTable->GetScriptTableSize();
    for (int i = 0; i < count; ++i) {
        PyObject* script = BMTestTable->GetScriptId(i);
        if (CallXPluginStart(script) && enableScripts) CallXPluginEnable(script);
    }
    return true;
}

void StopPython(int disableScripts) {
    if (BMTestTable && Py_IsInitialized()) {
        int count = BMTestTable->GetScriptTableSize();
        for (int i = 0; i < count; ++i) {
            PyObject* script = BMTestTable->GetScriptId(i);
            if (disableScripts) CallXPluginDisable(script);
            CallXPluginStop(script);
            // What the script left registered goes with it, and so does the script object.
            BMTestTable->ReleaseScript(script);
        }
        // Scripts that registered during the stop relays, or that were never entered in order.
        BMTestTable->ReleaseReferences();
        BM_DestroyScriptWidgets();
    }
    if (Py_IsInitialized()) {
        BM_EndScriptThreads();
        BM_RestoreReportStream();
        Py_Finalize();
    }
    if (BMTestTable) BMTestTable->ClearScriptTable();
    ShareVirtualCameraItems(false);
    BM_ScriptReloadPythonStopped();
    WriteToLog("--- LOGGING STOPPED ---\n\n");
}

// ---- Entry points. Nothing escapes them into the simulator. ----

namespace {
void CopyIdentity(char* out, const char* text) {
    if (out) std::snprintf(out, 256, "%s", text);
}

template <typename F>
void EntryPoint(const char* name, F&& body) {
    BM_InterpreterTurn turn;
    BM_RunOrLog(name, body);
}
}  // namespace

PLUGIN_API int XPluginStart(char* outName, char* outSignature, char* outDescription) {
    bool started = true;
    BM_MarkSimulatorThread();
    EntryPoint("XPluginStart", [&] {
        BM_ReportStart();
        BMTestTable = new BM_ScriptTable;
        if (!StartPython(0)) {
            // The simulator disables the plug-in and calls nothing more of it.
            started = false;
            delete BMTestTable;
            BMTestTable = nullptr;
            BM_ReportFinish();
            return;
        }
        SetupWidgets("");
        BM_StartScriptReload();
    });
    CopyIdentity(outName, kPluginName);
    CopyIdentity(outSignature, kPluginSignature);
    CopyIdentity(outDescription, kPluginDescription);
    return started ? 1 : 0;
}

PLUGIN_API void XPluginStop(void) {
    EntryPoint("XPluginStop", [] {
        BM_StopScriptReload();
        StopPython(0);
        DestroyWidgets();
        delete BMTestTable;
        BMTestTable = nullptr;
        BM_ReportFinish();
    });
}

// Answers 1 whatever each script answered: a script that is disabled, or answers 0, does not
// take the others down with it.
PLUGIN_API int XPluginEnable(void) {
    EntryPoint("XPluginEnable", [&] {
        if (!BMTestTable) return;
        int count = BMTestTable->GetScriptTableSize();
        for (int i = 0; i < count; ++i) CallXPluginEnable(BMTestTable->GetScriptId(i));
    });
    return 1;
}

PLUGIN_API void XPluginDisable(void) {
    EntryPoint("XPluginDisable", [] {
        if (!BMTestTable) return;
        int count = BMTestTable->GetScriptTableSize();
        for (int i = 0; i < count; ++i) CallXPluginDisable(BMTestTable->GetScriptId(i));
    });
}

PLUGIN_API void XPluginReceiveMessage(XPLMPluginID inFromWho, int inMessage, void* inParam) {
    EntryPoint("XPluginReceiveMessage", [&] {
        if (!BMTestTable) return;
        int count = BMTestTable->GetScriptTableSize();
        for (int i = 0; i < count; ++i)
            CallXPluginReceiveMessage(BMTestTable->GetScriptId(i), inFromWho, inMessage, inParam);
    });
}
