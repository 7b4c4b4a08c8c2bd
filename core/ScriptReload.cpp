// Reloading one script while the others run on, and watching the script files.
//
// Where a reload runs: a reload ends a script and releases its object, so it must never run
// while that script's code (or any script's code) is on the stack: a script asking to reload
// itself from its own callback would return into a freed object. Every way of asking (script
// messaging, the Script Information window, the plug-in's commands, the file watch) therefore
// only queues the module's name. The queue is carried out by a flight loop of the plug-in's own
// (C++, not a script registration): the simulator calls it from its frame loop, with no script
// code below it. It is registered when there is work (a request, or the watch switched on) and
// unregisters itself when there is none, so that the plug-in holds no flight loop of its own
// while nobody reloads. Requests made during a reload (by the script starting again) wait for
// the next frame, so a script that asks for its own reload at start cannot loop within a frame.
//
// Watching: while brindlemoor/watch_scripts is 1, the same loop looks at the script files at
// most every half second of simulator time and reloads a script whose file changed (its
// modification time, to the nanosecond, or its size). The files watched are those of the
// scripts known when the switch went on or first seen since: the table's and the ones listed
// at the last start (a script that failed to load included). A new file in the folder is not
// picked up (the control panel's Reload Scripts lists the folder again); a file that vanishes
// leaves its script running, and is reloaded when it comes back changed.
#include "PyCompat.h"

#include "ScriptReload.h"
#include "ScriptThreads.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include "Brindlemoor.h"
#include "BrindlemoorBase.h"
#include "BrindlemoorClass.h"
#include "PythonModules.h"
#include "ScriptPaths.h"
#include "WidgetStuff.h"
#include "XPLMDataAccess.h"
#include "XPLMProcessing.h"
#include "XPLMUtilities.h"
#include "XPWidgets.h"

const char kWatchScriptsDataRef[] = "brindlemoor/watch_scripts";
const char kReloadScriptsCommand[] = "brindlemoor/reload_scripts";

namespace {

namespace fs = std::filesystem;

constexpr float kWatchInterval = 0.5f;  // seconds of simulator time between looks at the files

std::deque<std::string> gQueue;  // module names, each once
bool gLoopRegistered = false;
int gWatch = 0;
XPLMDataRef gWatchRef = nullptr;
XPLMCommandRef gReloadCommand = nullptr;  // while our handler is registered on it
float gNextLook = 0.0f;

// A watched file as it was last seen.
struct FileState {
    fs::path path;  // the .py file, or the .pyc of a script that has no source
    bool exists = false;
    fs::file_time_type modified{};
    std::uintmax_t size = 0;
    bool SameAs(const FileState& other) const {
        return exists == other.exists && modified == other.modified && size == other.size;
    }
};
std::map<std::string, FileState> gSeen;
// The modules loaded from a source file: listed with one, or reloaded from one since.
std::set<std::string> gSourced;

void Log(const std::string& text) { BM_WriteToLog(text.c_str()); }

// The script folder as the C runtime opens it.
fs::path ScriptFolder() {
    BM_HostPaths host = BM_QueryHostPaths();
    return fs::path(DeriveScriptPaths(host.systemPath, host.separator).interpreterPath);
}

// The scripts there are to reload: the table's modules in table order, then the listed script
// files that have no entry (they failed to load at start).
std::vector<std::string> KnownModules() {
    std::vector<std::string> names;
    auto add = [&](const std::string& name) {
        if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    if (BMTestTable)
        for (int i = 0; i < BMTestTable->GetScriptTableSize(); ++i) add(BMTestTable->ModuleNameAt(i));
    for (const std::string& name : TestText) add(name);
    return names;
}

// ---- The flight loop ----

float ReloadLoop(float, float, int, void*);

// Registers the loop when it is not; may throw (the simulator failed).
void EnsureLoop() {
    if (gLoopRegistered) return;
    XPLMRegisterFlightLoopCallback(ReloadLoop, -1.0f, nullptr);
    gLoopRegistered = true;
}

void EndLoop() {
    if (!gLoopRegistered) return;
    gLoopRegistered = false;
    BM_RunOrLog("XPLMUnregisterFlightLoopCallback", [] { XPLMUnregisterFlightLoopCallback(ReloadLoop, nullptr); });
}

// Queues the module once; when the loop cannot be registered, the exception goes on and
// nothing is queued.
void Enqueue(const std::string& moduleName) {
    EnsureLoop();
    if (std::find(gQueue.begin(), gQueue.end(), moduleName) == gQueue.end()) gQueue.push_back(moduleName);
}

// ---- Watching ----

FileState Look(const fs::path& path) {
    FileState state;
    state.path = path;
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::is_regular_file(status)) return state;
    state.modified = fs::last_write_time(path, ec);
    if (ec) return state;
    state.size = fs::file_size(path, ec);
    state.exists = !ec;
    return state;
}

// The file a module is loaded from: its source, or the compiled file of a sourceless script.
fs::path ScriptFile(const fs::path& folder, const std::string& moduleName) {
    fs::path source = folder / (moduleName + ".py"), compiled = folder / (moduleName + ".pyc");
    std::error_code ec;
    if (!fs::exists(source, ec) && fs::exists(compiled, ec)) return compiled;
    return source;
}

// Takes the state of every known script's file: the first look, without reloading anything.
void TakeBaseline() {
    gSeen.clear();
    fs::path folder = ScriptFolder();
    for (const std::string& name : KnownModules()) gSeen[name] = Look(ScriptFile(folder, name));
    gNextLook = XPLMGetElapsedTime() + kWatchInterval;
}

void LookAtFiles() {
    float now = XPLMGetElapsedTime();
    if (now < gNextLook) return;
    gNextLook = now + kWatchInterval;
    fs::path folder = ScriptFolder();
    for (const std::string& name : KnownModules()) {
        auto seen = gSeen.find(name);
        if (seen == gSeen.end()) {  // a script first known now (the panel restarted Python)
            gSeen[name] = Look(ScriptFile(folder, name));
            continue;
        }
        FileState state = Look(seen->second.path);
        if (!state.exists) continue;  // gone: the script runs on as it is
        if (!state.SameAs(seen->second)) {
            seen->second = state;
            Enqueue(name);
        }
    }
}

int ReadWatch(void*) { return gWatch; }

void WriteWatch(void*, int value) {
    BM_RunOrLog("switching the script watch", [&] {
        int on = value != 0 ? 1 : 0;
        if (on == gWatch) return;
        gWatch = on;
        if (on) {
            TakeBaseline();
            EnsureLoop();  // when this fails the switch reads 1 and the next request starts the loop
        } else {
            gSeen.clear();
        }
    });
}

// ---- Reloading ----

// The widgets that scripts created, from the top of the tree that `widget` is in.
void* TopScriptWidget(void* widget) {
    void* top = widget;
    while (XPWidgetID parent = XPGetParentWidget(top)) {
        if (!BMTestTable->IsScriptWidget(parent)) break;
        top = parent;
    }
    return top;
}

// The trees of script-made widgets that hold a callback or an object of these scripts and none
// of another script's: the reloaded script's windows. A tree that another script also uses
// stays; so does one the scripts left no callback or object in (it cannot be told whose it is).
std::vector<void*> OwnedWidgetTrees(const std::vector<PyObject*>& scripts) {
    std::set<void*> tops;
    for (PyObject* script : scripts)
        for (void* widget : BMTestTable->WidgetsOfScript(script))
            if (BMTestTable->IsScriptWidget(widget)) tops.insert(TopScriptWidget(widget));
    std::set<void*> othersUse;
    for (int i = 0; i < BMTestTable->GetScriptTableSize(); ++i) {
        PyObject* other = BMTestTable->GetScriptId(i);
        if (!other || std::find(scripts.begin(), scripts.end(), other) != scripts.end()) continue;
        for (void* widget : BMTestTable->WidgetsOfScript(other)) othersUse.insert(widget);
    }
    std::vector<void*> owned;
    for (void* top : tops) {
        std::vector<void*> tree = BM_WidgetSubtree(top);
        bool shared = std::any_of(tree.begin(), tree.end(), [&](void* w) { return othersUse.count(w) != 0; });
        if (!shared) owned.push_back(top);
    }
    return owned;
}

// The module's scripts hear XPluginDisable and XPluginStop (through the relays: a script
// disabled in the enable / disable window hears neither, as at the interpreter's stop), then
// everything they registered goes, with their windows.
void EndScripts(const std::string& moduleName) {
    std::vector<PyObject*> scripts = BMTestTable->ScriptsOfModule(moduleName);
    for (PyObject* script : scripts) Py_INCREF(script);  // the relays may run any script code
    for (PyObject* script : scripts) {
        if (!BMTestTable) break;
        CallXPluginDisable(script);
        CallXPluginStop(script);
    }
    std::vector<void*> windows;
    if (BMTestTable) {
        BM_RunOrLog("finding the script's widgets", [&] { windows = OwnedWidgetTrees(scripts); });
        for (PyObject* script : scripts)
            if (BMTestTable) BMTestTable->ReleaseScript(script);
    }
    for (void* top : windows) {
        if (!BMTestTable || !BMTestTable->IsScriptWidget(top)) continue;
        BM_RunOrLog("XPDestroyWidget", [&] {
            for (void* gone : BM_WidgetSubtree(top))
                if (BMTestTable) BMTestTable->ForgetScriptWidget(gone);
            XPDestroyWidget(top, 1);
        });
    }
    for (PyObject* script : scripts) Py_DECREF(script);
}

// The module leaves sys.modules, and the compiled files that stand for its source go: the
// interpreter takes a compiled file whose recorded modification time (whole seconds) and size
// match the source's, which an edit within the same second can keep. They go as well when a
// script loaded from its source lost it (deleted, renamed): under 2.7 the interpreter would
// take the old compiled file in its place, so the script would not fail to load as it does
// under 3. A sourceless script's compiled file is its script and stays.
void ForgetModule(const std::string& moduleName) {
    PyObject* key = BM_ModuleNameFromFileName(moduleName.c_str());
    PyObject* modules = PyImport_GetModuleDict();
    if (key && modules && PyDict_GetItem(modules, key) && PyDict_DelItem(modules, key) != 0) PyErr_Clear();
    PyErr_Clear();
    Py_XDECREF(key);

    fs::path folder = ScriptFolder();
    std::error_code ec;
    if (fs::exists(folder / (moduleName + ".py"), ec)) {
        gSourced.insert(moduleName);
    } else {
        ec.clear();
    }
    if (gSourced.count(moduleName)) {
        fs::remove(folder / (moduleName + ".pyc"), ec);
        fs::remove(folder / (moduleName + ".pyo"), ec);
        const std::string prefix = moduleName + ".";
        std::vector<fs::path> stale;
        for (fs::directory_iterator it(folder / "__pycache__", ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (name.compare(0, prefix.size(), prefix) == 0 && name.size() > 4 &&
                name.compare(name.size() - 4, 4, ".pyc") == 0)
                stale.push_back(it->path());
        }
        for (const fs::path& path : stale) fs::remove(path, ec);
    }

    // Tracebacks show the source as it is now.
    if (PyObject* linecache = PyImport_ImportModule("linecache")) {
        PyObject* clear = PyObject_GetAttrString(linecache, "clearcache");
        PyObject* noArgs = clear ? PyTuple_New(0) : nullptr;
        PyObject* result = noArgs ? BM_Call(clear, noArgs) : nullptr;
        Py_XDECREF(result);
        Py_XDECREF(noArgs);
        Py_XDECREF(clear);
        Py_DECREF(linecache);
    }
    PyErr_Clear();
}

void RunQueue() {
    if (!BMTestTable || !Py_IsInitialized()) {
        gQueue.clear();  // nothing runs that could be reloaded
        return;
    }
    if (BM_ScriptCodeRunning()) return;  // not here: the next frame
    if (gWatch) LookAtFiles();
    if (gQueue.empty()) return;
    std::deque<std::string> now;
    now.swap(gQueue);
    for (const std::string& name : now) {
        if (!BMTestTable || !Py_IsInitialized()) break;
        BM_RunOrLog("reloading a script", [&] { BM_ReloadScriptNow(name); });
    }
    BM_ScriptWindowsChanged();
}

float ReloadLoop(float, float, int, void*) {
    // Should the work fail (out of memory), the loop stays and tries again at the next frame.
    return BM_FromSimulator(-1.0f, [] {
        RunQueue();
        if (gQueue.empty() && !gWatch) {
            EndLoop();
            return 0.0f;
        }
        return -1.0f;
    });
}

// brindlemoor/reload_scripts: every script is reloaded in turn when the command begins (a key
// held down reloads once). The command is ours, so nobody after us needs to hear it.
int ReloadScriptsCommand(XPLMCommandRef, XPLMCommandPhase phase, void*) {
    if (phase == xplm_CommandBegin) BM_RequestReloadAll();
    return 0;
}

}  // namespace

void BM_StartScriptReload() {
    gQueue.clear();
    gSeen.clear();
    gWatch = 0;
    gLoopRegistered = false;
    BM_RunOrLog("XPLMRegisterDataAccessor", [] {
        gWatchRef = XPLMRegisterDataAccessor(kWatchScriptsDataRef, xplmType_Int, 1, ReadWatch, WriteWatch, nullptr,
                                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                             nullptr, nullptr, nullptr);
    });
    BM_RunOrLog("XPLMCreateCommand", [] {
        XPLMCommandRef command = XPLMCreateCommand(kReloadScriptsCommand, "Reload every Brindlemoor script from its file");
        if (!command) return;
        XPLMRegisterCommandHandler(command, ReloadScriptsCommand, 1, nullptr);
        gReloadCommand = command;
    });
}

void BM_StopScriptReload() {
    EndLoop();
    if (XPLMCommandRef command = gReloadCommand) {
        gReloadCommand = nullptr;
        BM_RunOrLog("XPLMUnregisterCommandHandler",
                    [&] { XPLMUnregisterCommandHandler(command, ReloadScriptsCommand, 1, nullptr); });
    }
    XPLMDataRef ref = gWatchRef;
    gWatchRef = nullptr;
    if (ref) BM_RunOrLog("XPLMUnregisterDataAccessor", [&] { XPLMUnregisterDataAccessor(ref); });
    gQueue.clear();
    gSeen.clear();
    gSourced.clear();
    gWatch = 0;
}

void BM_ScriptReloadPythonStopped() {
    gQueue.clear();
    if (!gWatch) EndLoop();
}

bool BM_RequestReloadOrThrow(const std::string& moduleName) {
    if (!BMTestTable || !Py_IsInitialized()) return false;
    std::vector<std::string> known = KnownModules();
    if (std::find(known.begin(), known.end(), moduleName) == known.end()) return false;
    Enqueue(moduleName);
    return true;
}

bool BM_RequestReload(const std::string& moduleName) {
    bool queued = false;
    BM_RunOrLog("XPLMRegisterFlightLoopCallback", [&] { queued = BM_RequestReloadOrThrow(moduleName); });
    return queued;
}

void BM_RequestReloadAll() {
    BM_RunOrLog("XPLMRegisterFlightLoopCallback", [] {
        if (!BMTestTable || !Py_IsInitialized()) return;
        for (const std::string& name : KnownModules()) Enqueue(name);
    });
}

void BM_NoteScriptSources(const std::vector<std::string>& fileNames) {
    gSourced.clear();
    for (const std::string& name : fileNames)
        if (name.size() > 3 && name.compare(name.size() - 3, 3, ".py") == 0)
            gSourced.insert(name.substr(0, name.size() - 3));
}

std::vector<std::string> BM_PendingReloads() { return std::vector<std::string>(gQueue.begin(), gQueue.end()); }

bool BM_ReloadScriptNow(const std::string& moduleName) {
    if (!BMTestTable || !Py_IsInitialized()) return false;
    Log("Reloading '" + moduleName + "'\n");
    int index = BMTestTable->ScriptIndexOfModule(moduleName);
    EndScripts(moduleName);
    if (!BMTestTable) return false;
    ForgetModule(moduleName);
    // A script that does not load again stays stopped, its entry released in its place; the
    // load said why in the log. The other released entries of the module (other instances of
    // its class that had registered) go: no loop over the table runs below this.
    int loaded = LoadScript(moduleName, index);
    if (BMTestTable) BMTestTable->EraseReleasedOfModule(moduleName);
    if (!loaded) return false;
    Log("'" + moduleName + "' reloaded\n");
    bool placed = index >= 0 && index < BMTestTable->GetScriptTableSize() &&
                  BMTestTable->ModuleNameAt(index) == moduleName;
    PyObject* script = placed ? BMTestTable->GetScriptId(index) : nullptr;
    if (!script)
        script = BMTestTable->GetScriptIdFromModuleName(moduleName);
    if (!script) return true;
    Py_INCREF(script);
    if (CallXPluginStart(script)) CallXPluginEnable(script);
    Py_DECREF(script);
    return true;
}
