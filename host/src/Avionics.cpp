// Avionics: plug-ins' draw hooks around the simulator's drawing of the cockpit devices' screens.
//
// The user's aircraft has the devices bmhost::SetAvionicsDevices names: a GNS 430 and a GNS 530
// (xplm_device_GNS430_1, xplm_device_GNS530_1) after a reset, as the Cessna 172 panel has. Each
// frame, in the panel phase (after the simulator drew the panel and before the phase's after
// callbacks), each device is drawn in the order of its id: the before callbacks registered for
// it, in registration order (one answering 0 keeps the simulator from drawing the device), the
// simulator's drawing of the screen (bmhost::LastFrameAvionics lists the screens drawn), then the
// after callbacks.
// Callbacks for a device the aircraft lacks are never called; a disabled plug-in's are passed over.
#include <algorithm>
#include <string>
#include <vector>

#include "HostState.h"
#include "XPLMDisplay.h"

using namespace bmhost::detail;

namespace {

constexpr int kLastDevice = xplm_device_Primus_RMU_2;

struct Hooks {
    int device;
    XPLMAvionicsCallback_f before, after;
    void* refcon;
    XPLMPluginID owner;
    bool alive = true;
};

struct AvionicsState {
    std::vector<Hooks> hooks;  // the handle's index; unregistered ones stay, not alive
    std::vector<int> devices{xplm_device_GNS430_1, xplm_device_GNS530_1};
    std::vector<int> drawing, drawn;  // the screens the simulator drew this frame, and last frame
};

AvionicsState& V() {
    static AvionicsState state;
    return state;
}

bool Enabled(XPLMPluginID owner) {
    Plugin* plugin = FindPlugin(owner);
    return !plugin || plugin->enabled;
}

}  // namespace

namespace bmhost::detail {

void AvionicsFrame() {
    V().drawing.clear();
    for (int device : V().devices) {
        bool simulatorDraws = true;
        std::size_t count = V().hooks.size();  // hooks registered meanwhile start with the next frame
        for (int before = 1; before >= 0; --before) {
            for (std::size_t i = 0; i < count; ++i) {
                Hooks hooks = V().hooks[i];
                XPLMAvionicsCallback_f callback = before ? hooks.before : hooks.after;
                if (!hooks.alive || hooks.device != device || !callback || !Enabled(hooks.owner)) continue;
                int answer = 1;
                CallPluginCode(hooks.owner, "an avionics callback", [&] { answer = callback(device, before, hooks.refcon); });
                if (before && answer == 0) simulatorDraws = false;
            }
            if (before && simulatorDraws) V().drawing.push_back(device);
        }
    }
    V().drawn = V().drawing;
}

void SweepAvionics(XPLMPluginID owner) {
    for (Hooks& hooks : V().hooks)
        if (hooks.owner == owner) hooks.alive = false;
}

void ResetAvionics() { V() = AvionicsState(); }

int AvionicsRegistrations(XPLMPluginID plugin) {
    int n = 0;
    for (const Hooks& hooks : V().hooks) n += hooks.alive && (plugin == XPLM_NO_PLUGIN_ID || hooks.owner == plugin);
    return n;
}

}  // namespace bmhost::detail

namespace bmhost {

void SetAvionicsDevices(std::vector<int> devices) {
    devices.erase(std::remove_if(devices.begin(), devices.end(), [](int d) { return d < 0 || d > kLastDevice; }),
                  devices.end());
    std::sort(devices.begin(), devices.end());
    devices.erase(std::unique(devices.begin(), devices.end()), devices.end());
    V().devices = devices;
}

std::vector<int> AvionicsDevices() { return V().devices; }

std::vector<int> LastFrameAvionics() { return V().drawn; }

}  // namespace bmhost

XPLMAvionicsID XPLMRegisterAvionicsCallbacksEx(XPLMCustomizeAvionics_t* inParams) {
    BMHOST_ENTER();
    if (!inParams) return HostWarning("XPLMRegisterAvionicsCallbacksEx: no params"), nullptr;
    if (inParams->structSize < int(sizeof(XPLMCustomizeAvionics_t))) {
        HostWarning("XPLMRegisterAvionicsCallbacksEx: structSize " + std::to_string(inParams->structSize) +
                    " is smaller than XPLMCustomizeAvionics_t (" + std::to_string(sizeof(XPLMCustomizeAvionics_t)) +
                    ")");
        return nullptr;
    }
    if (inParams->deviceId < 0 || inParams->deviceId > kLastDevice) {
        HostWarning("XPLMRegisterAvionicsCallbacksEx: device " + std::to_string(inParams->deviceId) +
                    " is no xplm_device_*");
        return nullptr;
    }
    V().hooks.push_back(Hooks{inParams->deviceId, inParams->drawCallbackBefore, inParams->drawCallbackAfter,
                              inParams->refcon, S().current});
    return MakeHandle(HandleKind::Avionics, V().hooks.size() - 1);
}

void XPLMUnregisterAvionicsCallbacks(XPLMAvionicsID inAvionicsId) {
    BMHOST_ENTER();
    std::size_t index;
    if (!DecodeHandle(inAvionicsId, HandleKind::Avionics, &index) || index >= V().hooks.size() ||
        !V().hooks[index].alive)
        return HostWarning("XPLMUnregisterAvionicsCallbacks: no such avionics registration");
    V().hooks[index].alive = false;
}
