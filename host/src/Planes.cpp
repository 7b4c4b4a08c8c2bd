// The aircraft: the user's (slot 0) and seven others, the plug-in that holds the others, the
// plug-ins waiting for them, and drawing aircraft.
//
// A model is kept relative to the simulator folder when it lies inside it, and reported as a full
// path in the form the simulator writes paths in (bmhost::SetClassicPaths), as plug-ins give them.
//
// Only one plug-in holds the other aircraft at a time. A refused XPLMAcquirePlanes with a callback
// puts the plug-in in line (once: asking again replaces its callback and keeps its place). When
// the holder lets go (XPLMReleasePlanes, disabled, unloaded) the first in line is called, as its
// plug-in; if nobody took the aircraft once it returns, the next is called, and so on. Each call
// takes the plug-in out of the line. A disabled plug-in leaves the line. Releasing hands the
// aircraft back to the simulator's own pilots (XPLMDisableAIForPlane is undone).
//
// Loading a model sends XPLM_MSG_PLANE_UNLOADED, XPLM_MSG_PLANE_LOADED and XPLM_MSG_LIVERY_LOADED with the slot to
// every enabled plug-in, XPLMPlaceUserAtAirport XPLM_MSG_AIRPORT_LOADED and a change of the active
// count XPLM_MSG_AIRPLANE_COUNT_CHANGED; like the simulator's other answers to work a plug-in asked
// for, they arrive once no plug-in code runs.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <deque>
#include <iterator>
#include <string>
#include <vector>

#include "Camera.h"
#include "HostState.h"
#include "XPLMDisplay.h"
#include "XPLMPlanes.h"
#include "XPLMPlugin.h"

using namespace bmhost::detail;

namespace {

constexpr int kSlots = 8;
constexpr int kDefaultActive = 3;
constexpr std::size_t kFileNameBuffer = 256;
constexpr std::size_t kPathBuffer = 512;

const char* const kDefaultModels[kSlots] = {
    "Aircraft/General Aviation/Cessna 172SP/Cessna_172SP.acf",
    "Aircraft/General Aviation/Baron 58/Baron_58.acf",
    "Aircraft/Airliners/Boeing 737-800/b738.acf",
    "Aircraft/General Aviation/King Air C90B/C90B.acf",
    "Aircraft/General Aviation/Cessna 172SP/Cessna_172SP.acf",
    "Aircraft/General Aviation/Baron 58/Baron_58.acf",
    "Aircraft/Airliners/Boeing 737-800/b738.acf",
    "Aircraft/General Aviation/King Air C90B/C90B.acf",
};

// Paths are kept in POSIX form, whatever form the simulator writes them in.
struct Slot {
    std::string model;     // relative to the simulator folder, or the full path when outside it
    bool outside = false;  // `model` is a full path outside the simulator folder
    bool aiDisabled = false;
};

struct Waiter {
    XPLMPluginID plugin;
    XPLMPlanesAvailable_f callback;
    void* refcon;
};

struct Aircraft {
    Slot slots[kSlots];
    int active = kDefaultActive;
    XPLMPluginID holder = XPLM_NO_PLUGIN_ID;
    std::deque<Waiter> waiting;
    bool offering = false;  // the waiting plug-ins are being called
    int reinits = 0;
    std::string airport = "KSEA";

    Aircraft() {
        for (int i = 0; i < kSlots; ++i) slots[i].model = kDefaultModels[i];
    }
};

Aircraft& A() {
    static Aircraft aircraft;
    return aircraft;
}

bool Enabled(XPLMPluginID id) {
    Plugin* plugin = FindPlugin(id);
    return !plugin || plugin->enabled;
}

// ---- Paths ----

// A model path from a plug-in, in the form the simulator writes paths in: a full path, or one
// relative to the simulator folder.
Slot SlotFromPath(const std::string& given) {
    std::string path = PosixPath(given), root = bmhost::Root();
    Slot slot;
    if (path.compare(0, root.size(), root) == 0) {
        slot.model = path.substr(root.size());
    } else {
        slot.model = path;
        slot.outside = !path.empty() && path[0] == '/';
    }
    return slot;
}

std::string FullPath(const Slot& slot) { return HostPath(slot.outside ? slot.model : bmhost::Root() + slot.model); }

std::string FileName(const Slot& slot) {
    std::size_t at = slot.model.rfind('/');
    return at == std::string::npos ? slot.model : slot.model.substr(at + 1);
}

void CopyOut(const std::string& text, char* out, std::size_t size) {
    if (!out) return;
    std::size_t n = std::min(text.size(), size - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

// ---- Messages and access ----

void SimulatorMessage(int message, int param) {
    PostSimulatorMessage(message, reinterpret_cast<void*>(std::intptr_t(param)));
}

void AnnounceModels(const std::vector<int>& indices) {
    for (int index : indices) {
        SimulatorMessage(XPLM_MSG_PLANE_UNLOADED, index);
        SimulatorMessage(XPLM_MSG_PLANE_LOADED, index);
        SimulatorMessage(XPLM_MSG_LIVERY_LOADED, index);
    }
}

// True when the calling plug-in may change the other aircraft: nobody else holds them.
bool MayChangeAircraft(const char* function) {
    XPLMPluginID holder = A().holder;
    if (holder == XPLM_NO_PLUGIN_ID || holder == S().current) return true;
    HostWarning(std::string(function) + ": plug-in " + std::to_string(holder) + " holds the aircraft");
    return false;
}

// Calls the plug-ins in line, oldest first, for as long as nobody holds the aircraft.
void OfferPlanes() {
    Aircraft& a = A();
    if (a.offering) return;  // a callback let go again: the loop below goes on
    a.offering = true;
    while (a.holder == XPLM_NO_PLUGIN_ID && !a.waiting.empty()) {
        Waiter next = a.waiting.front();
        a.waiting.pop_front();
        if (!Enabled(next.plugin)) continue;
        CallPluginCode(next.plugin, "a planes-available callback", [&] { next.callback(next.refcon); });
    }
    a.offering = false;
}

void LetGo() {
    Aircraft& a = A();
    a.holder = XPLM_NO_PLUGIN_ID;
    for (Slot& slot : a.slots) slot.aiDisabled = false;
    OfferPlanes();
}

void ForgetWaiting(XPLMPluginID plugin) {
    auto& line = A().waiting;
    line.erase(std::remove_if(line.begin(), line.end(), [plugin](const Waiter& w) { return w.plugin == plugin; }),
               line.end());
}

// A plug-in that is disabled or goes away gives back what it held and waits no more.
void GiveBack(XPLMPluginID plugin) {
    EndCameraControlOf(plugin);
    ForgetWaiting(plugin);
    if (A().holder == plugin) LetGo();
}

bool OtherSlot(int index) { return index >= 1 && index < kSlots; }

std::string OtherSlotRange() { return "1 to " + std::to_string(kSlots - 1); }

// Airport identifiers: three to seven letters and digits, at least one of them a letter.
bool PlausibleAirport(const std::string& id) {
    if (id.size() < 3 || id.size() > 7) return false;
    bool letter = false;
    for (char c : id) {
        unsigned char u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) || u > 127) return false;
        letter = letter || std::isalpha(u);
    }
    return letter;
}

// The fields after structSize, in their order.
float XPLMPlaneDrawState_t::*const kDrawStateFields[] = {
    &XPLMPlaneDrawState_t::gearPosition,    &XPLMPlaneDrawState_t::flapRatio,   &XPLMPlaneDrawState_t::spoilerRatio,
    &XPLMPlaneDrawState_t::speedBrakeRatio, &XPLMPlaneDrawState_t::slatRatio,   &XPLMPlaneDrawState_t::wingSweep,
    &XPLMPlaneDrawState_t::thrust,          &XPLMPlaneDrawState_t::yokePitch,   &XPLMPlaneDrawState_t::yokeHeading,
    &XPLMPlaneDrawState_t::yokeRoll,
};

bool ThreeDimensionalPhase(int phase) {
    return (phase >= xplm_Phase_FirstScene && phase <= xplm_Phase_LastScene) || phase == xplm_Phase_LocalMap3D;
}

}  // namespace

namespace bmhost::detail {

void ResetAircraft() {
    A() = Aircraft();
    ResetCamera();
}

void SweepAircraft(XPLMPluginID owner) { GiveBack(owner); }

void AircraftPluginDisabled(XPLMPluginID plugin) { GiveBack(plugin); }

}  // namespace bmhost::detail

// ---- The SDK functions ----

void XPLMSetUsersAircraft(const char* inAircraftPath) {
    BMHOST_ENTER();
    if (!inAircraftPath || !*inAircraftPath) {
        HostWarning("XPLMSetUsersAircraft: no aircraft path");
        return;
    }
    A().slots[0] = SlotFromPath(inAircraftPath);
    AnnounceModels({0});
}

void XPLMPlaceUserAtAirport(const char* inAirportCode) {
    BMHOST_ENTER();
    std::string id = inAirportCode ? inAirportCode : "";
    if (!PlausibleAirport(id)) {
        HostWarning("XPLMPlaceUserAtAirport: '" + id + "' is not an airport code");
        return;
    }
    for (char& c : id) c = char(std::toupper(static_cast<unsigned char>(c)));
    A().airport = id;
    SimulatorMessage(XPLM_MSG_AIRPORT_LOADED, 0);
}

// The user's aircraft moves there, flying along its heading with its engines running. A point more
// than 100 km from the world reference moves the reference there (XPLM_MSG_SCENERY_LOADED); then
// the flight starts anew (XPLM_MSG_AIRPORT_LOADED).
void XPLMPlaceUserAtLocation(double latitudeDegrees, double longitudeDegrees, float elevationMetersMSL,
                             float headingDegreesTrue, float speedMetersPerSecond) {
    BMHOST_ENTER();
    if (!(std::fabs(latitudeDegrees) <= 90.0) || !(std::fabs(longitudeDegrees) <= 180.0) ||
        !std::isfinite(elevationMetersMSL) || !std::isfinite(headingDegreesTrue) || !std::isfinite(speedMetersPerSecond))
        return HostWarning("XPLMPlaceUserAtLocation: not a place on earth");
    constexpr double kMetresPerDegree = 111319.49, kPi = 3.14159265358979323846;
    State& s = S();
    double metresPerDegreeOfLongitude = kMetresPerDegree * std::cos(s.referenceLatitude * kPi / 180.0);
    double x = (longitudeDegrees - s.referenceLongitude) * metresPerDegreeOfLongitude;
    double z = (s.referenceLatitude - latitudeDegrees) * kMetresPerDegree;
    if (std::hypot(x, z) > 100000.0) {
        s.referenceLatitude = latitudeDegrees;
        s.referenceLongitude = longitudeDegrees;
        x = z = 0.0;
        SimulatorMessage(XPLM_MSG_SCENERY_LOADED, 0);
    }
    auto set = [](const char* name, double value) {
        char text[64];
        std::snprintf(text, sizeof text, "%.17g", value);
        bmhost::SetDataFromText(name, text);
    };
    double heading = std::fmod(std::fmod(double(headingDegreesTrue), 360.0) + 360.0, 360.0);
    set("sim/flightmodel/position/latitude", latitudeDegrees);
    set("sim/flightmodel/position/longitude", longitudeDegrees);
    set("sim/flightmodel/position/elevation", elevationMetersMSL);
    set("sim/flightmodel/position/local_x", x);
    set("sim/flightmodel/position/local_y", elevationMetersMSL);
    set("sim/flightmodel/position/local_z", z);
    set("sim/flightmodel/position/psi", heading);
    set("sim/flightmodel/position/theta", 0.0);
    set("sim/flightmodel/position/phi", 0.0);
    set("sim/flightmodel/position/local_vx", std::sin(heading * kPi / 180.0) * speedMetersPerSecond);
    set("sim/flightmodel/position/local_vy", 0.0);
    set("sim/flightmodel/position/local_vz", -std::cos(heading * kPi / 180.0) * speedMetersPerSecond);
    bmhost::SetDataFromText("sim/flightmodel/engine/ENGN_running", "1,1,1,1,1,1,1,1");
    SimulatorMessage(XPLM_MSG_AIRPORT_LOADED, 0);
}

void XPLMCountAircraft(int* outTotalAircraft, int* outActiveAircraft, XPLMPluginID* outController) {
    BMHOST_ENTER();
    if (outTotalAircraft) *outTotalAircraft = kSlots;
    if (outActiveAircraft) *outActiveAircraft = A().active;
    if (outController) *outController = A().holder;
}

void XPLMGetNthAircraftModel(int inIndex, char* outFileName, char* outPath) {
    BMHOST_ENTER();
    if (inIndex < 0 || inIndex >= kSlots) {
        CopyOut("", outFileName, kFileNameBuffer);
        CopyOut("", outPath, kPathBuffer);
        return;
    }
    const Slot& slot = A().slots[inIndex];
    CopyOut(FileName(slot), outFileName, kFileNameBuffer);
    CopyOut(FullPath(slot), outPath, kPathBuffer);
}

int XPLMAcquirePlanes(char** inAircraft, XPLMPlanesAvailable_f inCallback, void* inRefcon) {
    BMHOST_ENTER();
    XPLMPluginID me = S().current;
    if (me == XPLM_NO_PLUGIN_ID) {
        HostWarning("XPLMAcquirePlanes: called outside any plug-in");
        return 0;
    }
    Aircraft& a = A();
    if (a.holder != XPLM_NO_PLUGIN_ID && a.holder != me) {
        if (inCallback) {
            auto it = std::find_if(a.waiting.begin(), a.waiting.end(), [me](const Waiter& w) { return w.plugin == me; });
            if (it == a.waiting.end())
                a.waiting.push_back(Waiter{me, inCallback, inRefcon});
            else
                *it = Waiter{me, inCallback, inRefcon};
        }
        return 0;
    }
    a.holder = me;
    ForgetWaiting(me);
    std::vector<int> loaded;
    for (int i = 0; inAircraft && inAircraft[i]; ++i) {
        if (!OtherSlot(i + 1)) {
            HostWarning("XPLMAcquirePlanes: more aircraft than the " + std::to_string(kSlots - 1) +
                        " other slots; the rest are not loaded");
            break;
        }
        if (!*inAircraft[i]) continue;
        a.slots[i + 1] = SlotFromPath(inAircraft[i]);
        loaded.push_back(i + 1);
    }
    AnnounceModels(loaded);
    return 1;
}

void XPLMReleasePlanes(void) {
    BMHOST_ENTER();
    if (A().holder != XPLM_NO_PLUGIN_ID && A().holder == S().current) LetGo();
}

void XPLMSetActiveAircraftCount(int inCount) {
    BMHOST_ENTER();
    if (!MayChangeAircraft("XPLMSetActiveAircraftCount")) return;
    int count = std::clamp(inCount, 1, kSlots);
    if (count == A().active) return;
    A().active = count;
    SimulatorMessage(XPLM_MSG_AIRPLANE_COUNT_CHANGED, 0);
}

void XPLMSetAircraftModel(int inIndex, const char* inAircraftPath) {
    BMHOST_ENTER();
    if (!OtherSlot(inIndex)) {
        HostWarning("XPLMSetAircraftModel: plane " + std::to_string(inIndex) + " is not one of the other aircraft (" +
                    OtherSlotRange() + ")");
        return;
    }
    if (A().holder == XPLM_NO_PLUGIN_ID || A().holder != S().current) {
        HostWarning("XPLMSetAircraftModel: the plug-in does not hold the aircraft (XPLMAcquirePlanes)");
        return;
    }
    if (!inAircraftPath || !*inAircraftPath) {
        HostWarning("XPLMSetAircraftModel: no aircraft path");
        return;
    }
    Slot loaded = SlotFromPath(inAircraftPath);
    loaded.aiDisabled = A().slots[inIndex].aiDisabled;
    A().slots[inIndex] = loaded;
    AnnounceModels({inIndex});
}

void XPLMDisableAIForPlane(int inPlaneIndex) {
    BMHOST_ENTER();
    if (!OtherSlot(inPlaneIndex)) {
        HostWarning("XPLMDisableAIForPlane: plane " + std::to_string(inPlaneIndex) + " is not one of the other aircraft (" +
                    OtherSlotRange() + ")");
        return;
    }
    if (MayChangeAircraft("XPLMDisableAIForPlane")) A().slots[inPlaneIndex].aiDisabled = true;
}

void XPLMDrawAircraft(int inPlaneIndex, float inX, float inY, float inZ, float inPitch, float inRoll, float inYaw,
                      int inFullDraw, XPLMPlaneDrawState_t* inDrawStateInfo) {
    BMHOST_ENTER();
    if (!ThreeDimensionalPhase(S().currentPhase)) {
        HostWarning("XPLMDrawAircraft: only a draw callback of a 3-D phase may draw aircraft");
        return;
    }
    if (inPlaneIndex < 0 || inPlaneIndex >= kSlots) {
        HostWarning("XPLMDrawAircraft: no plane " + std::to_string(inPlaneIndex));
        return;
    }
    std::vector<double> numbers = {double(inPlaneIndex), inX, inY, inZ, inPitch, inRoll, inYaw, double(inFullDraw)};
    if (inDrawStateInfo) {
        // Read only the fields the caller's structure has, as its structSize says.
        int size = inDrawStateInfo->structSize;
        numbers.push_back(size);
        for (std::size_t i = 0; i < std::size(kDrawStateFields); ++i) {
            if (size < 0 || std::size_t(size) < sizeof(int) + (i + 1) * sizeof(float)) break;
            numbers.push_back(inDrawStateInfo->*kDrawStateFields[i]);
        }
    }
    Record("XPLMDrawAircraft", std::move(numbers));
}

void XPLMReinitUsersPlane(void) {
    BMHOST_ENTER();
    ++A().reinits;
}

// ---- Control ----

namespace bmhost {

std::string AircraftModel(int index) {
    if (index < 0 || index >= kSlots) return "";
    return A().slots[index].model;
}

int ActiveAircraftCount() { return A().active; }

XPLMPluginID PlanesHolder() { return A().holder; }

std::vector<XPLMPluginID> PlanesWaiting() {
    std::vector<XPLMPluginID> line;
    for (const Waiter& w : A().waiting) line.push_back(w.plugin);
    return line;
}

bool AircraftAIDisabled(int index) { return index >= 0 && index < kSlots && A().slots[index].aiDisabled; }

int ReinitCount() { return A().reinits; }

std::string UserAirport() { return A().airport; }

}  // namespace bmhost
