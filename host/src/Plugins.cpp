// The plug-in manager: loading plug-in libraries, their lifecycle, messages, and the
// XPLMPlugin functions that plug-ins use to find each other.
#include <dlfcn.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

#include "HostState.h"
#include "XPLMPlugin.h"

using namespace bmhost::detail;

namespace bmhost::detail {

Plugin* FindPlugin(XPLMPluginID id) {
    for (auto& plugin : S().plugins)
        if (plugin->id == id) return plugin.get();
    return nullptr;
}

bool CallPluginCode(XPLMPluginID id, const char* what, const std::function<void()>& call) {
    CurrentPluginScope scope(id);
    SdkCall::PluginCode pluginCode;
    try {
        call();
        return true;
    } catch (const std::exception& e) {
        HostWarning(std::string("a C++ exception escaped ") + what + " of plug-in " +
                    std::to_string(id) + ": " + e.what());
    } catch (...) {
        HostWarning(std::string("a C++ exception escaped ") + what + " of plug-in " +
                    std::to_string(id));
    }
    return false;
}

}  // namespace bmhost::detail

namespace {

template <typename F>
F Symbol(void* library, const char* name) {
    return reinterpret_cast<F>(dlsym(library, name));
}

bool Enable(Plugin& plugin) {
    if (plugin.enabled) return true;
    int result = 0;
    CallPluginCode(plugin.id, "XPluginEnable", [&] { result = plugin.enable(); });
    plugin.lastEnableResult = result;
    plugin.enabled = result != 0;
    return plugin.enabled;
}

void Disable(Plugin& plugin) {
    if (!plugin.enabled) return;
    CallPluginCode(plugin.id, "XPluginDisable", [&] { plugin.disable(); });
    plugin.enabled = false;
    AircraftPluginDisabled(plugin.id);
}

void Stop(Plugin& plugin) {
    Disable(plugin);
    if (plugin.started) CallPluginCode(plugin.id, "XPluginStop", [&] { plugin.stop(); });
    plugin.started = false;
}

void Deliver(Plugin& plugin, XPLMPluginID from, int message, void* param) {
    if (!plugin.enabled || !plugin.receive) return;
    CallPluginCode(plugin.id, "XPluginReceiveMessage", [&] { plugin.receive(from, message, param); });
}

// Built with AddressSanitizer, a closed plug-in stays mapped: LeakSanitizer reports at exit, and
// can name the plug-in's frames only while its code is still there. Opening the same library
// again then finds it as it was left rather than fresh.
#ifdef __SANITIZE_ADDRESS__
constexpr int kKeepMapped = RTLD_NODELETE;
#else
constexpr int kKeepMapped = 0;
#endif

}  // namespace

namespace {
std::vector<std::function<void()>> deferredWork;  // in the order it was asked for

constexpr int kMsgDataRefsAdded = 114;  // XPLM_MSG_DATAREFS_ADDED

struct Feature {
    const char* name;
    unsigned bit;
};
// The four features of the SDK, in the order XPLMEnumerateFeatures tells them.
const Feature kFeatures[] = {
    {"XPLM_WANTS_REFLECTIONS", kWantsReflections},
    {"XPLM_USE_NATIVE_PATHS", kNativePaths},
    {"XPLM_USE_NATIVE_WIDGET_WINDOWS", kNativeWidgetWindows},
    {"XPLM_WANTS_DATAREF_NOTIFICATIONS", kDatarefNotifications},
};

const Feature* FindFeature(const char* name) {
    if (!name) return nullptr;
    for (const Feature& f : kFeatures)
        if (std::strcmp(f.name, name) == 0) return &f;
    return nullptr;
}
}  // namespace

bool bmhost::detail::FeatureEnabled(XPLMPluginID plugin, unsigned bit) {
    auto it = S().features.find(plugin);
    return it != S().features.end() && (it->second & bit) != 0;
}

// The count grew since the last frame's end: one message to each enabled plug-in that wants it.
void bmhost::detail::DataRefsAddedFrame() {
    std::size_t count = S().data.size();
    if (count <= S().dataCountTold) return;
    S().dataCountTold = count;
    void* param = reinterpret_cast<void*>(std::intptr_t(count));
    for (std::size_t i = 0; i < S().plugins.size(); ++i) {
        Plugin& plugin = *S().plugins[i];
        if (FeatureEnabled(plugin.id, kDatarefNotifications))
            Deliver(plugin, XPLM_PLUGIN_XPLANE, kMsgDataRefsAdded, param);
    }
}

void bmhost::detail::RunWhenNoPluginRuns(std::function<void()> work) { deferredWork.push_back(std::move(work)); }

void bmhost::detail::PostSimulatorMessage(int message, void* param) {
    RunWhenNoPluginRuns([message, param] {
        for (std::size_t i = 0; i < S().plugins.size(); ++i)
            Deliver(*S().plugins[i], XPLM_PLUGIN_XPLANE, message, param);
    });
}

// A reload asked for inside a callback runs once that callback has returned; so do the messages
// the simulator posted meanwhile.
void bmhost::detail::RunDeferredReload() {
    if (S().current != XPLM_NO_PLUGIN_ID) return;
    while (!deferredWork.empty()) {
        std::function<void()> work = std::move(deferredWork.front());
        deferredWork.erase(deferredWork.begin());
        work();
    }
    if (!S().reloadRequested) return;
    S().reloadRequested = false;
    std::vector<std::string> paths;
    for (auto& plugin : S().plugins) paths.push_back(plugin->path);
    bmhost::UnloadPlugins();
    for (const std::string& path : paths) bmhost::LoadPlugin(path);
    bmhost::EnablePlugins();
}


namespace bmhost {

void SweepPlugin(XPLMPluginID id) {
    S().features.erase(id);
    SweepMenus(id);
    SweepData(id);
    SweepFlightLoops(id);
    SweepWidgets(id);  // before the windows: a root widget's window goes with the widget
    SweepDisplay(id);
    SweepAircraft(id);
    SweepCommands(id);
    SweepScenery(id);
    SweepSound(id);
    SweepMaps(id);
    SweepAvionics(id);
}

bool PluginFeatureEnabled(XPLMPluginID plugin, const std::string& feature) {
    for (const Feature& f : kFeatures)
        if (feature == f.name) return FeatureEnabled(plugin, f.bit);
    return false;
}

void RunAsPlugin(XPLMPluginID id, const std::function<void()>& code) { CallPluginCode(id, "code run as a plug-in", code); }

XPLMPluginID LoadPlugin(const std::string& path, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        HostWarning("cannot load plug-in " + path + ": " + why);
        return XPLM_NO_PLUGIN_ID;
    };
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | kKeepMapped);
    if (!library) return fail(dlerror());
    auto plugin = std::make_unique<Plugin>();
    plugin->path = std::filesystem::absolute(path).lexically_normal().string();
    plugin->library = library;
    plugin->start = Symbol<int (*)(char*, char*, char*)>(library, "XPluginStart");
    plugin->stop = Symbol<void (*)()>(library, "XPluginStop");
    plugin->enable = Symbol<int (*)()>(library, "XPluginEnable");
    plugin->disable = Symbol<void (*)()>(library, "XPluginDisable");
    plugin->receive = Symbol<void (*)(XPLMPluginID, int, void*)>(library, "XPluginReceiveMessage");
    if (!plugin->start || !plugin->stop || !plugin->enable || !plugin->disable) {
        dlclose(library);
        return fail("the library does not export the plug-in entry points");
    }
    plugin->id = S().nextPluginId++;
    Plugin& loaded = *plugin;
    S().plugins.push_back(std::move(plugin));

    char name[256] = {0}, signature[256] = {0}, description[256] = {0};
    int started = 0;
    CallPluginCode(loaded.id, "XPluginStart",
                   [&] { started = loaded.start(name, signature, description); });
    name[255] = signature[255] = description[255] = '\0';
    loaded.name = name;
    loaded.signature = signature;
    loaded.description = description;
    if (!started) {
        // A plug-in that fails to start gets neither enable nor stop, and is unloaded.
        XPLMPluginID id = loaded.id;
        SweepPlugin(id);
        dlclose(loaded.library);
        S().plugins.pop_back();
        fail("XPluginStart returned 0 (plug-in " + std::to_string(id) + ")");
        return XPLM_NO_PLUGIN_ID;
    }
    loaded.started = true;
    return loaded.id;
}

bool EnablePlugins() {
    bool all = true;
    for (std::size_t i = 0; i < S().plugins.size(); ++i)
        if (S().plugins[i]->started) all = Enable(*S().plugins[i]) && all;
    RunDeferredReload();
    return all;
}

void DisablePlugins() {
    for (auto& plugin : S().plugins) Disable(*plugin);
}

void UnloadPlugins() {
    deferredWork.clear();
    for (auto& plugin : S().plugins) Stop(*plugin);
    for (auto& plugin : S().plugins) {
        SweepPlugin(plugin->id);
        dlclose(plugin->library);
    }
    S().plugins.clear();
}

void Shutdown() {
    RunDeferredReload();
    BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_WILL_WRITE_PREFS, nullptr);
    DisablePlugins();
    UnloadPlugins();
}

void ChangeLivery(int index) {
    BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_LIVERY_LOADED, reinterpret_cast<void*>(std::intptr_t(index)));
}

int LastEnableResult(XPLMPluginID id) {
    Plugin* plugin = FindPlugin(id);
    return plugin ? plugin->lastEnableResult : 0;
}

void BroadcastMessage(XPLMPluginID from, int message, void* param) {
    for (std::size_t i = 0; i < S().plugins.size(); ++i) Deliver(*S().plugins[i], from, message, param);
    RunDeferredReload();
}

}  // namespace bmhost

XPLMPluginID XPLMGetMyID(void) {
    BMHOST_ENTER();
    return S().current;
}

int XPLMCountPlugins(void) {
    BMHOST_ENTER();
    return int(S().plugins.size());
}

XPLMPluginID XPLMGetNthPlugin(int inIndex) {
    BMHOST_ENTER();
    if (inIndex < 0 || std::size_t(inIndex) >= S().plugins.size()) return XPLM_NO_PLUGIN_ID;
    return S().plugins[std::size_t(inIndex)]->id;
}

XPLMPluginID XPLMFindPluginByPath(const char* inPath) {
    BMHOST_ENTER();
    if (!inPath) return XPLM_NO_PLUGIN_ID;
    for (auto& plugin : S().plugins)
        if (plugin->path == inPath) return plugin->id;
    return XPLM_NO_PLUGIN_ID;
}

XPLMPluginID XPLMFindPluginBySignature(const char* inSignature) {
    BMHOST_ENTER();
    if (!inSignature) return XPLM_NO_PLUGIN_ID;
    for (auto& plugin : S().plugins)
        if (plugin->signature == inSignature) return plugin->id;
    return XPLM_NO_PLUGIN_ID;
}

void XPLMGetPluginInfo(XPLMPluginID inPlugin, char* outName, char* outFilePath, char* outSignature,
                       char* outDescription) {
    BMHOST_ENTER();
    Plugin* plugin = FindPlugin(inPlugin);
    if (!plugin) return;
    auto copy = [](const std::string& text, char* out) {
        if (!out) return;
        std::size_t n = std::min<std::size_t>(text.size(), 255);
        std::memcpy(out, text.data(), n);
        out[n] = '\0';
    };
    copy(plugin->name, outName);
    copy(plugin->path, outFilePath);
    copy(plugin->signature, outSignature);
    copy(plugin->description, outDescription);
}

int XPLMIsPluginEnabled(XPLMPluginID inPluginID) {
    BMHOST_ENTER();
    Plugin* plugin = FindPlugin(inPluginID);
    return plugin && plugin->enabled ? 1 : 0;
}

int XPLMEnablePlugin(XPLMPluginID inPluginID) {
    BMHOST_ENTER();
    Plugin* plugin = FindPlugin(inPluginID);
    return plugin && plugin->started && Enable(*plugin) ? 1 : 0;
}

// A plug-in disabling itself is disabled once the callback it does it from has returned.
void XPLMDisablePlugin(XPLMPluginID inPluginID) {
    BMHOST_ENTER();
    Plugin* plugin = FindPlugin(inPluginID);
    if (!plugin) return;
    if (S().current == inPluginID)
        RunWhenNoPluginRuns([inPluginID] {
            if (Plugin* later = FindPlugin(inPluginID)) Disable(*later);
        });
    else
        Disable(*plugin);
}

void XPLMReloadPlugins(void) {
    BMHOST_ENTER();
    S().reloadRequested = true;
}

void XPLMSendMessageToPlugin(XPLMPluginID inPlugin, int inMessage, void* inParam) {
    BMHOST_ENTER();
    XPLMPluginID from = S().current == XPLM_NO_PLUGIN_ID ? XPLM_PLUGIN_XPLANE : S().current;
    if (inPlugin == XPLM_NO_PLUGIN_ID) {
        for (std::size_t i = 0; i < S().plugins.size(); ++i) Deliver(*S().plugins[i], from, inMessage, inParam);
    } else if (Plugin* plugin = FindPlugin(inPlugin)) {
        Deliver(*plugin, from, inMessage, inParam);
    }
}

int XPLMHasFeature(const char* inFeature) {
    BMHOST_ENTER();
    return FindFeature(inFeature) ? 1 : 0;
}

int XPLMIsFeatureEnabled(const char* inFeature) {
    BMHOST_ENTER();
    const Feature* feature = FindFeature(inFeature);
    if (!feature) {
        HostWarning(std::string("XPLMIsFeatureEnabled: no feature '") + (inFeature ? inFeature : "") + "'");
        return 0;
    }
    return FeatureEnabled(S().current, feature->bit) ? 1 : 0;
}

void XPLMEnableFeature(const char* inFeature, int inEnable) {
    BMHOST_ENTER();
    const Feature* feature = FindFeature(inFeature);
    if (!feature)
        return HostWarning(std::string("XPLMEnableFeature: no feature '") + (inFeature ? inFeature : "") + "'");
    unsigned& bits = S().features[S().current];
    bits = inEnable ? bits | feature->bit : bits & ~feature->bit;
}

void XPLMEnumerateFeatures(XPLMFeatureEnumerator_f inEnumerator, void* inRef) {
    BMHOST_ENTER();
    if (!inEnumerator) return;
    XPLMPluginID caller = S().current;
    for (const Feature& f : kFeatures)
        CallPluginCode(caller, "a feature enumerator", [&] { inEnumerator(f.name, inRef); });
}
