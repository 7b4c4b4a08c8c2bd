// lin.xpl: what the simulator loads. It needs nothing but the C and C++ runtimes, so the
// simulator can always load it. It opens the interpreter's library, checks the installation
// (PythonInstall.h), and only then opens the plug-in's core, brindlemoor_core.so beside it, which
// needs that library and finds it open. When anything is missing it writes one line to Log.txt
// and BrindlemoorLog.txt and answers 0 from XPluginStart: the simulator disables the plug-in and
// flies on. Once the core is open, every entry point is passed on to the core's.
//
// Built with BM_PYTHON_LINE ("2.7") and BM_PYTHON_SONAME ("libpython2.7.so.1.0") of the Python
// the core was built against.

#include <dlfcn.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "BrindlemoorBase.h"
#include "PythonInstall.h"
#include "XPLMDefs.h"

namespace {

const char kCoreFile[] = "brindlemoor_core.so";

// Built with AddressSanitizer, the core stays mapped when lin.xpl is closed, as the stand-in
// keeps its plug-ins: leak reports at exit can name its code only while it is there.
#ifdef __SANITIZE_ADDRESS__
constexpr int kKeepMapped = RTLD_NODELETE;
#else
constexpr int kKeepMapped = 0;
#endif

struct Core {
    void* library = nullptr;
    int (*start)(char*, char*, char*) = nullptr;
    void (*stop)() = nullptr;
    int (*enable)() = nullptr;
    void (*disable)() = nullptr;
    void (*receive)(XPLMPluginID, int, void*) = nullptr;
    bool started = false;

    // The simulator closes lin.xpl after XPluginStop, or after an XPluginStart that answered 0:
    // the core goes with it.
    ~Core() {
        if (library) dlclose(library);
    }
};
Core gCore;

template <typename T>
T Entry(void* library, const char* name) {
    return reinterpret_cast<T>(dlsym(library, name));
}

std::string DlError() {
    const char* text = dlerror();
    return text ? text : "unknown error";
}

// Opens the system's interpreter library by its soname as dlopen would, looking through lin.xpl's
// search path (its run path, $ORIGIN among it, LD_LIBRARY_PATH, the system's folders) itself: a
// dlopen wrapped by a sanitizer's interceptor does not take lin.xpl for its caller and would not
// search lin.xpl's run path. Last the system's library cache.
void* OpenFromSearchPath(const std::string& ownFile) {
    if (void* self = dlopen(ownFile.c_str(), RTLD_LAZY | RTLD_NOLOAD)) {
        Dl_serinfo size;
        if (dlinfo(self, RTLD_DI_SERINFOSIZE, &size) == 0) {
            std::vector<std::max_align_t> buffer(size.dls_size / sizeof(std::max_align_t) + 1);
            Dl_serinfo* paths = reinterpret_cast<Dl_serinfo*>(buffer.data());
            *paths = size;
            if (dlinfo(self, RTLD_DI_SERINFO, paths) == 0)
                for (unsigned i = 0; i < paths->dls_cnt; ++i) {
                    std::string path = std::string(paths->dls_serpath[i].dls_name) + "/" BM_PYTHON_SONAME;
                    if (access(path.c_str(), F_OK) != 0) continue;
                    if (void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {
                        dlclose(self);
                        return library;
                    }
                }
        }
        dlclose(self);
    }
    return dlopen(BM_PYTHON_SONAME, RTLD_NOW | RTLD_LOCAL);
}

// Opens the interpreter's library: the bundled one when the plug-in carries a Python, else the
// system's by its soname (beside lin.xpl, on the library path, or where the system keeps its
// libraries). Null with `problem` set when there is none.
void* OpenInterpreterLibrary(const std::string& pluginFolder, const std::string& ownFile, std::string* problem) {
    std::string bundled = BM_BundledPython(pluginFolder);
    if (!bundled.empty()) {
        std::string path = bundled + "/lib/" BM_PYTHON_SONAME;
        if (access(path.c_str(), F_OK) != 0) {
            *problem = "no " BM_PYTHON_SONAME " in " + BM_ShownPath(bundled + "/lib");
            return nullptr;
        }
        void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!library) *problem = "cannot load " + BM_ShownPath(path) + " (" + DlError() + ")";
        return library;
    }
    void* library = OpenFromSearchPath(ownFile);
    if (!library)
        *problem = "no " BM_PYTHON_SONAME " beside the plug-in or on the system (" + DlError() +
                   "): install Python " BM_PYTHON_LINE "'s shared library, or the zip that carries its own Python";
    return library;
}

// Opens and checks the interpreter, then opens the core. "" when the core is ready, else the
// problem.
std::string OpenCore(const std::string& pluginFolder, const std::string& ownFile) {
    std::string problem;
    void* python = OpenInterpreterLibrary(pluginFolder, ownFile, &problem);
    if (!python) return problem;
    auto version = Entry<const char* (*)()>(python, "Py_GetVersion");
    Dl_info info;
    std::string library = version && dladdr(reinterpret_cast<void*>(version), &info) && info.dli_fname
                              ? info.dli_fname
                              : std::string(BM_PYTHON_SONAME);
    BM_PythonInstall install = BM_CheckPythonInstall(BM_PYTHON_LINE, pluginFolder, library, version ? version() : nullptr);
    if (!install.problem.empty()) {
        dlclose(python);
        return install.problem;
    }
    // The core finds the library open by its soname (and makes its symbols global itself, for
    // the extension modules scripts import, before the interpreter starts).
    std::string corePath = ownFile.substr(0, ownFile.rfind('/') + 1) + kCoreFile;
    gCore.library = dlopen(corePath.c_str(), RTLD_NOW | RTLD_LOCAL | kKeepMapped);
    if (!gCore.library) {
        problem = "cannot load " + BM_ShownPath(corePath) + " (" + DlError() + ")";
        dlclose(python);
        return problem;
    }
    gCore.start = Entry<int (*)(char*, char*, char*)>(gCore.library, "XPluginStart");
    gCore.stop = Entry<void (*)()>(gCore.library, "XPluginStop");
    gCore.enable = Entry<int (*)()>(gCore.library, "XPluginEnable");
    gCore.disable = Entry<void (*)()>(gCore.library, "XPluginDisable");
    gCore.receive = Entry<void (*)(XPLMPluginID, int, void*)>(gCore.library, "XPluginReceiveMessage");
    if (!gCore.start || !gCore.stop || !gCore.enable || !gCore.disable || !gCore.receive) {
        dlclose(gCore.library);
        gCore.library = nullptr;
        dlclose(python);
        return BM_ShownPath(corePath) + " lacks the plug-in's entry points";
    }
    // Once the core was opened the library stays: an interpreter that ran once cannot be unloaded.
    return std::string();
}

void CopyIdentity(char* out, const char* text) {
    if (out) std::snprintf(out, 256, "%s", text);
}

}  // namespace

PLUGIN_API int XPluginStart(char* outName, char* outSignature, char* outDescription) {
    CopyIdentity(outName, "Brindlemoor");
    CopyIdentity(outSignature, "tallowbridge.projects.brindlemoor");
    CopyIdentity(outDescription, "Brindlemoor Plugin");
    BM_RunOrLog("XPluginStart", [&] {
        const void* self = reinterpret_cast<const void*>(&XPluginStart);
        std::string pluginFolder = BM_PluginFolderOf(self);
        std::string problem = gCore.library ? std::string() : OpenCore(pluginFolder, BM_CodeFileOf(self));
        if (!problem.empty()) {
            BM_ReportToBothLogs(BM_CannotStartLine(BM_PYTHON_LINE, problem, pluginFolder));
            return;
        }
        gCore.started = gCore.start(outName, outSignature, outDescription) != 0;
    });
    return gCore.started ? 1 : 0;
}

PLUGIN_API void XPluginStop(void) {
    if (gCore.started) gCore.stop();
    gCore.started = false;
}

PLUGIN_API int XPluginEnable(void) { return gCore.started ? gCore.enable() : 0; }

PLUGIN_API void XPluginDisable(void) {
    if (gCore.started) gCore.disable();
}

PLUGIN_API void XPluginReceiveMessage(XPLMPluginID inFromWho, int inMessage, void* inParam) {
    if (gCore.started) gCore.receive(inFromWho, inMessage, inParam);
}
