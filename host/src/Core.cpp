// State, handles, fault injection and the control functions that touch all areas.
#include <filesystem>

#include "HostState.h"
#include "XPLMUtilities.h"

namespace bmhost::detail {

namespace {
constexpr std::uintptr_t kHandleTag = std::uintptr_t(0xB7) << 48;
}

State& S() {
    static State state;
    if (!state.seeded) {
        state.seeded = true;
        SeedSimulatorData();
        ResetMenus();
    }
    return state;
}

void* MakeHandle(HandleKind kind, std::size_t index) {
    std::uintptr_t value = kHandleTag | (std::uintptr_t(kind) << 40) | std::uintptr_t(index + 1);
    return reinterpret_cast<void*>(value);
}

bool DecodeHandle(const void* handle, HandleKind kind, std::size_t* index) {
    auto value = reinterpret_cast<std::uintptr_t>(handle);
    if ((value & (std::uintptr_t(0xFFFF) << 48)) != kHandleTag) return false;
    if (((value >> 40) & 0xFF) != std::uintptr_t(kind)) return false;
    std::uintptr_t low = value & ((std::uintptr_t(1) << 40) - 1);
    if (low == 0) return false;
    *index = std::size_t(low - 1);
    return true;
}

void Enter(const char* function) {
    State& s = S();
    if (s.sdkCallListener) s.sdkCallListener(function);
    auto& armed = s.failNext;
    if (armed.empty()) return;  // the usual case, and every SDK call passes here
    auto it = armed.find(function);
    if (it == armed.end()) return;
    armed.erase(it);
    throw InjectedFault(std::string("injected fault in ") + function);
}

namespace {
int gSdkDepth = 0;  // SDK calls under way since plug-in code last ran
}  // namespace

SdkCall::SdkCall(const char* function) {
    if (gSdkDepth == 0) Enter(function);
    ++gSdkDepth;
}
SdkCall::~SdkCall() { --gSdkDepth; }

SdkCall::PluginCode::PluginCode() : saved_(gSdkDepth) { gSdkDepth = 0; }
SdkCall::PluginCode::~PluginCode() { gSdkDepth = saved_; }

void HostWarning(const std::string& text) {
    AppendSimLog("[stand-in] " + text + "\n");
    // The calling plug-in hears of it through its error callback, even while it is disabled. A
    // report made while the callback runs is logged only.
    static bool reporting = false;
    Plugin* plugin = reporting ? nullptr : FindPlugin(S().current);
    if (!plugin || !plugin->errorCallback) return;
    reporting = true;
    XPLMError_f callback = plugin->errorCallback;
    CallPluginCode(plugin->id, "an error callback", [&] { callback(text.c_str()); });
    reporting = false;
}

CurrentPluginScope::CurrentPluginScope(XPLMPluginID id) : previous_(S().current) { S().current = id; }
CurrentPluginScope::~CurrentPluginScope() { S().current = previous_; }

}  // namespace bmhost::detail

namespace bmhost {
using namespace detail;

void SetRoot(const std::string& dir) {
    std::filesystem::path p = std::filesystem::absolute(dir).lexically_normal();
    std::filesystem::create_directories(p);
    std::string root = p.string();
    if (root.empty() || root.back() != '/') root += '/';
    S().root = root;
}

std::string Root() {
    if (S().root.empty()) SetRoot("sim");
    return S().root;
}

std::string ScriptFolder() { return Root() + "Resources/plugins/PythonScripts/"; }

void SetPrefsPathIsFolder(bool folder) { S().prefsPathIsFolder = folder; }

void FailNextCall(const std::string& sdkFunction) { S().failNext.insert(sdkFunction); }

void SetSdkCallListener(std::function<void(const char*)> listener) {
    S().sdkCallListener = std::move(listener);
}

void Reset() {
    UnloadPlugins();
    State& s = S();
    s.failNext.clear();
    s.plugins.clear();
    s.nextPluginId = 1;
    s.current = XPLM_NO_PLUGIN_ID;
    s.reloadRequested = false;
    s.simLog.clear();
    s.sdkCallListener = nullptr;
    s.data.clear();
    s.dataByName.clear();
    s.elapsed = 0.0;
    s.cycle = 0;
    s.dispatchCount = 0;
    s.lastDispatch = 0.0;
    s.flightLoops.clear();
    s.flightLoopIndex.Clear();
    s.flightLoopObjects.clear();
    s.prefsPathIsFolder = false;
    s.features.clear();
    SeedSimulatorData();
    ResetMenus();
    ResetWidgets();
    ResetDisplay();
    ResetNavigation();
    ResetAircraft();
    ResetUtilities();
    ResetCommands();
    ResetScenery();
    ResetWeather();
    ResetSound();
    ResetMaps();
    ResetAvionics();
}

}  // namespace bmhost

namespace bmhost {

int RegistrationCount(XPLMPluginID plugin) {
    using namespace detail;
    State& s = S();
    auto mine = [plugin](XPLMPluginID owner) { return plugin == XPLM_NO_PLUGIN_ID || owner == plugin; };
    int n = 0;
    for (const FlightLoop& loop : s.flightLoops) n += !loop.removed && mine(loop.owner);
    for (const DrawCallback& cb : s.drawCallbacks) n += !cb.removed && mine(cb.owner);
    for (const KeySniffer& sniffer : s.keySniffers) n += !sniffer.removed && mine(sniffer.owner);
    for (const Window& window : s.windows) n += window.alive && !window.widget && mine(window.owner);
    for (const HotKey& key : s.hotKeys) n += key.alive && mine(key.owner);
    for (std::size_t i = 1; i < s.menus.size(); ++i)
        n += s.menus[i].alive && s.menus[i].owner != XPLM_PLUGIN_XPLANE && mine(s.menus[i].owner);
    for (const DataItem& item : s.data) {
        n += item.published && !item.orphaned && mine(item.accessor.owner);
        for (const Sharer& sharer : item.sharers) n += !sharer.removed && mine(sharer.owner);
    }
    n += CommandHandlerRegistrations(plugin);
    n += SceneryRegistrations(plugin);
    n += SoundRegistrations(plugin);
    n += MapRegistrations(plugin) + AvionicsRegistrations(plugin);
    return n;
}

}  // namespace bmhost
