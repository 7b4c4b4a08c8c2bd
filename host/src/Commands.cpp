// Commands: the simulator's built-in commands and those plug-ins create, the handlers plug-ins
// register on them, and commands held across frames.
//
// Running a command phase goes along one chain: the before handlers, then the simulator's own
// handling (built-in commands only), then the after handlers. Handlers of one side run in the
// order they were registered. A handler answering 0 ends the chain there: the handlers after it,
// and for a before handler the simulator's own handling, do not see that phase. A disabled
// plug-in's handlers are passed over.
//
// A handler registered while a phase runs sees the next phase; one unregistered while a phase
// runs is not called again, not even later in that phase. Registering the same handler, side and
// refcon twice keeps one registration.
//
// Holding: XPLMCommandBegin runs the begin phase at once, every frame after it runs the continue
// phase (before the flight loops), XPLMCommandEnd the end phase. Begins nest: a command begun
// again while held runs no second begin phase, and it stays held until as many ends came as
// begins, whoever sent them; only the last end runs the end phase. XPLMCommandOnce is a begin
// and an end: on a held command it runs no phase. An end of a command that is not held is a
// misuse the simulator log tells of. Unloading a plug-in drops its handlers, not the holds.
#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string_view>
#include <unordered_map>

#include "HostState.h"
#include "XPLMUtilities.h"
#include "bmhost/Control.h"

using namespace bmhost::detail;

namespace {

struct Handler {
    XPLMCommandCallback_f func;
    int before;
    void* refcon;
    XPLMPluginID owner;
    bool removed = false;
};

struct Command {
    std::string name, description;
    void (*own)(XPLMCommandPhase) = nullptr;  // the simulator's own handling; null for plug-ins' commands
    std::vector<Handler> handlers;            // in registration order
    int holds = 0;
    LiveIndex<std::tuple<const void*, int, void*>> index = {};  // the handlers by function, before, refcon
    std::size_t removed = 0;  // handlers marked removed, waiting for Compact
};

struct Commands {
    std::vector<Command> list;  // the ref's index; commands are never taken away
    std::map<std::string, std::size_t> byName;
    int running = 0;  // phases under way: removed handlers go once none is
};

// ---- The built-in commands' effects, on the simulator's data ----

DataItem* Item(const char* name) {
    auto it = S().dataByName.find(name);
    return it == S().dataByName.end() ? nullptr : &S().data[it->second];
}

void SetInt(const char* name, int value) { bmhost::WriteInt(name, value); }
int GetInt(const char* name) { return bmhost::ReadInt(name); }

constexpr float kFlapStep = 0.25f;     // four notches
constexpr float kThrottleStep = 0.01f;  // per phase held

void MoveFlaps(float by) {
    float value = std::clamp(bmhost::ReadFloat("sim/flightmodel/controls/flaprqst") + by, 0.0f, 1.0f);
    bmhost::WriteFloat("sim/flightmodel/controls/flaprqst", value);
}

// Every engine's lever, in both of the simulator's data refs for it.
void MoveThrottles(float by) {
    for (const char* name : {"sim/flightmodel/engine/ENGN_thro", "sim/cockpit2/engine/actuators/throttle_ratio"})
        if (DataItem* item = Item(name))
            for (float& lever : item->vf) lever = std::clamp(lever + by, 0.0f, 1.0f);
}

void ChooseView(const char* view) {
    std::string name = view;
    RunWhenNoPluginRuns([name] { bmhost::ChangeView(name); });  // as the view keys do
}

template <void (*Effect)()>
void OnBegin(XPLMCommandPhase phase) {
    if (phase == xplm_CommandBegin) Effect();
}
template <void (*Effect)()>
void WhileHeld(XPLMCommandPhase phase) {
    if (phase != xplm_CommandEnd) Effect();
}

void PauseToggle() { SetInt("sim/time/paused", GetInt("sim/time/paused") ? 0 : 1); }
void FlapsDown() { MoveFlaps(kFlapStep); }
void FlapsUp() { MoveFlaps(-kFlapStep); }
void GearToggle() { SetInt("sim/cockpit/switches/gear_handle_status", GetInt("sim/cockpit/switches/gear_handle_status") ? 0 : 1); }
void GearUp() { SetInt("sim/cockpit/switches/gear_handle_status", 0); }
void GearDown() { SetInt("sim/cockpit/switches/gear_handle_status", 1); }
void LightsToggle() { SetInt("sim/cockpit/electrical/landing_lights_on", GetInt("sim/cockpit/electrical/landing_lights_on") ? 0 : 1); }
void LightsOn() { SetInt("sim/cockpit/electrical/landing_lights_on", 1); }
void LightsOff() { SetInt("sim/cockpit/electrical/landing_lights_on", 0); }
void ThrottleUp() { MoveThrottles(kThrottleStep); }
void ThrottleDown() { MoveThrottles(-kThrottleStep); }
void ViewForward() { ChooseView("forward"); }
void ViewHud() { ChooseView("fullscrn1"); }
void ViewNothing() { ChooseView("fullscrn2"); }
void ViewTower() { ChooseView("tower"); }
void ViewRunway() { ChooseView("runway"); }
void ViewChase() { ChooseView("chase"); }
void ViewSpot() { ChooseView("spot"); }
void ViewFree() { ChooseView("free1"); }

struct BuiltIn {
    const char* name;
    const char* description;
    void (*own)(XPLMCommandPhase);
};

const BuiltIn kBuiltIns[] = {
    {"sim/operation/pause_toggle", "Toggle paused sim.", OnBegin<PauseToggle>},
    {"sim/flight_controls/flaps_down", "Flaps down a notch.", OnBegin<FlapsDown>},
    {"sim/flight_controls/flaps_up", "Flaps up a notch.", OnBegin<FlapsUp>},
    {"sim/flight_controls/landing_gear_toggle", "Landing gear toggle.", OnBegin<GearToggle>},
    {"sim/flight_controls/landing_gear_up", "Landing gear up.", OnBegin<GearUp>},
    {"sim/flight_controls/landing_gear_down", "Landing gear down.", OnBegin<GearDown>},
    {"sim/lights/landing_lights_toggle", "Landing lights toggle.", OnBegin<LightsToggle>},
    {"sim/lights/landing_lights_on", "Landing lights on.", OnBegin<LightsOn>},
    {"sim/lights/landing_lights_off", "Landing lights off.", OnBegin<LightsOff>},
    {"sim/engines/throttle_up", "Throttle up.", WhileHeld<ThrottleUp>},
    {"sim/engines/throttle_down", "Throttle down.", WhileHeld<ThrottleDown>},
    {"sim/view/forward_with_panel", "Forward with panel.", OnBegin<ViewForward>},
    {"sim/view/forward_with_hud", "Forward with HUD.", OnBegin<ViewHud>},
    {"sim/view/forward_with_nothing", "Forward with nothing.", OnBegin<ViewNothing>},
    {"sim/view/tower", "Tower view.", OnBegin<ViewTower>},
    {"sim/view/runway", "Runway view.", OnBegin<ViewRunway>},
    {"sim/view/chase", "Chase view.", OnBegin<ViewChase>},
    {"sim/view/linear_spot", "Linear spot view.", OnBegin<ViewSpot>},
    {"sim/view/free_camera", "Free camera.", OnBegin<ViewFree>},
};

Commands& Fresh() {
    static Commands commands;
    return commands;
}

// The rest of the simulator's list after the built-in commands, and where each name stands among
// them: made once per process. A start only sizes the list; a listed command's name is filled in
// when first needed (NameOf).
struct ListedRest {
    bool made = false;
    std::vector<std::string_view> names;
    std::unordered_map<std::string_view, std::size_t> byName;
};
ListedRest& Rest() {
    static ListedRest rest;
    return rest;
}
const ListedRest& MadeRest() {
    ListedRest& rest = Rest();
    if (rest.made) return rest;
    rest.made = true;
    std::set<std::string_view> builtIn;
    for (const BuiltIn& b : kBuiltIns) builtIn.insert(b.name);
    for (std::string_view name : ListedCommands())
        if (!builtIn.count(name) && rest.byName.emplace(name, rest.names.size()).second) rest.names.push_back(name);
    return rest;
}

// The commands, as at start after a reset: the built-in ones the stand-in carries out, then the
// rest of the simulator's list, which only run their handlers.
Commands& C() {
    Commands& commands = Fresh();
    if (commands.list.empty()) {
        for (const BuiltIn& b : kBuiltIns) {
            commands.byName[b.name] = commands.list.size();
            commands.list.push_back(Command{b.name, b.description, b.own, {}, 0});
        }
        commands.list.resize(commands.list.size() + MadeRest().names.size());
    }
    return commands;
}

const std::string& NameOf(std::size_t index) {
    Command& command = C().list[index];
    std::size_t base = std::size(kBuiltIns);
    if (command.name.empty() && index >= base && index - base < Rest().names.size())
        command.name = std::string(Rest().names[index - base]);
    return command.name;
}

XPLMCommandRef RefOf(std::size_t index) { return MakeHandle(HandleKind::Command, index); }

// The command behind a ref, or none with a line in the simulator log.
bool IndexOf(XPLMCommandRef ref, const char* function, std::size_t* index) {
    if (DecodeHandle(ref, HandleKind::Command, index) && *index < C().list.size()) return true;
    HostWarning(std::string(function) + ": not a command");
    return false;
}

bool PluginDisabled(XPLMPluginID owner) {
    Plugin* plugin = FindPlugin(owner);
    return plugin && !plugin->enabled;
}

std::tuple<const void*, int, void*> KeyOf(XPLMCommandCallback_f func, int before, void* refcon) {
    return {FunctionKey(func), before, refcon};
}

std::tuple<const void*, int, void*> KeyOf(const Handler& h) { return KeyOf(h.func, h.before, h.refcon); }

// The command's removed handlers go. Only where no phase runs.
void Compact(Command& command) {
    if (command.removed == 0) return;
    auto& handlers = command.handlers;
    handlers.erase(std::remove_if(handlers.begin(), handlers.end(), [](const Handler& h) { return h.removed; }),
                   handlers.end());
    command.removed = 0;
    command.index.Rebuild(handlers, [](const Handler& h) { return KeyOf(h); });
}

void Compact() {
    for (Command& command : C().list) Compact(command);
}

// One side's handlers; false when one of them answered 0. Handlers registered meanwhile wait
// for the next phase; the vectors may grow during a call, so nothing is held across it.
bool RunSide(std::size_t index, XPLMCommandPhase phase, int before) {
    std::size_t count = C().list[index].handlers.size();
    for (std::size_t i = 0; i < count; ++i) {
        Handler h = C().list[index].handlers[i];
        if (h.removed || h.before != before || PluginDisabled(h.owner)) continue;
        int answer = 1;
        CallPluginCode(h.owner, "a command handler", [&] { answer = h.func(RefOf(index), phase, h.refcon); });
        if (answer == 0) return false;
    }
    return true;
}

void RunPhase(std::size_t index, XPLMCommandPhase phase) {
    ++C().running;
    if (RunSide(index, phase, 1)) {
        if (C().list[index].own) C().list[index].own(phase);
        RunSide(index, phase, 0);
    }
    if (--C().running == 0) Compact();
}

void Begin(std::size_t index) {
    if (C().list[index].holds++ == 0) RunPhase(index, xplm_CommandBegin);
}

bool End(std::size_t index, const char* function) {
    Command& command = C().list[index];
    if (command.holds == 0) {
        HostWarning(std::string(function) + ": " + NameOf(index) + " is not held");
        return false;
    }
    if (--command.holds == 0) RunPhase(index, xplm_CommandEnd);
    return true;
}

Handler* FindHandler(std::size_t index, XPLMCommandCallback_f func, int before, void* refcon) {
    Command& command = C().list[index];
    std::size_t at = command.index.First(KeyOf(func, before, refcon));
    return at == LiveIndex<int>::npos ? nullptr : &command.handlers[at];
}

// Where the named command is; the answer stays valid until the next call.
const std::size_t* Named(const std::string& name) {
    static std::size_t found;
    auto it = C().byName.find(name);
    if (it != C().byName.end()) return &it->second;
    auto listed = MadeRest().byName.find(name);
    if (listed == MadeRest().byName.end()) return nullptr;
    found = std::size(kBuiltIns) + listed->second;
    return &found;
}

}  // namespace

namespace bmhost::detail {

void SeedCommandData() {
    auto add = [](const char* name, XPLMDataTypeID type, double value) {
        DataItem item;
        item.name = name;
        item.types = type;
        item.writable = true;
        item.i = int(value);
        item.f = float(value);
        item.d = value;
        if (type == xplmType_FloatArray) item.vf = std::vector<float>(8, float(value));
        AddDataItem(std::move(item));
    };
    add("sim/flightmodel/controls/flaprqst", xplmType_Float, 0.0);
    add("sim/cockpit/switches/gear_handle_status", xplmType_Int, 1.0);  // parked: the gear is down
    add("sim/cockpit/electrical/landing_lights_on", xplmType_Int, 0.0);
    add("sim/flightmodel/engine/ENGN_thro", xplmType_FloatArray, 0.0);
}

void ResetCommands() { Fresh() = Commands(); }

void SimDataCommandsChanged() { Rest() = ListedRest(); }

bool CommandExists(void* command) {
    std::size_t index;
    return DecodeHandle(command, HandleKind::Command, &index) && index < C().list.size();
}

bool RunCommandRef(void* command) {
    std::size_t index;
    if (!DecodeHandle(command, HandleKind::Command, &index) || index >= C().list.size()) return false;
    Begin(index);
    End(index, "a menu item");
    return true;
}

void SweepCommands(XPLMPluginID owner) {
    for (Command& command : C().list) {
        for (Handler& h : command.handlers)
            if (h.owner == owner && !h.removed) {
                h.removed = true;
                ++command.removed;
            }
        command.index.Rebuild(command.handlers, [](const Handler& h) { return KeyOf(h); });
    }
    if (C().running == 0) Compact();
}

// The commands held when the frame starts; one begun during this continues from the next frame.
void CommandsFrame() {
    std::vector<std::size_t> held;
    for (std::size_t i = 0; i < C().list.size(); ++i)
        if (C().list[i].holds > 0) held.push_back(i);
    for (std::size_t index : held)
        if (C().list[index].holds > 0) RunPhase(index, xplm_CommandContinue);
}

int CommandHandlerRegistrations(XPLMPluginID plugin) {
    int n = 0;
    for (const Command& command : C().list)
        for (const Handler& h : command.handlers)
            n += !h.removed && (plugin == XPLM_NO_PLUGIN_ID || h.owner == plugin);
    return n;
}

}  // namespace bmhost::detail

XPLMCommandRef XPLMFindCommand(const char* inName) {
    BMHOST_ENTER();
    if (!inName) return nullptr;
    const std::size_t* index = Named(inName);
    return index ? RefOf(*index) : nullptr;
}

void XPLMCommandBegin(XPLMCommandRef inCommand) {
    BMHOST_ENTER();
    std::size_t index;
    if (IndexOf(inCommand, "XPLMCommandBegin", &index)) Begin(index);
}

void XPLMCommandEnd(XPLMCommandRef inCommand) {
    BMHOST_ENTER();
    std::size_t index;
    if (IndexOf(inCommand, "XPLMCommandEnd", &index)) End(index, "XPLMCommandEnd");
}

void XPLMCommandOnce(XPLMCommandRef inCommand) {
    BMHOST_ENTER();
    std::size_t index;
    if (!IndexOf(inCommand, "XPLMCommandOnce", &index)) return;
    Begin(index);
    End(index, "XPLMCommandOnce");
}

XPLMCommandRef XPLMCreateCommand(const char* inName, const char* inDescription) {
    BMHOST_ENTER();
    if (!inName || !*inName) {
        HostWarning("XPLMCreateCommand: no name");
        return nullptr;
    }
    if (const std::size_t* index = Named(inName)) return RefOf(*index);
    Commands& commands = C();
    commands.byName[inName] = commands.list.size();
    commands.list.push_back(Command{inName, inDescription ? inDescription : "", nullptr, {}, 0});
    return RefOf(commands.list.size() - 1);
}

void XPLMRegisterCommandHandler(XPLMCommandRef inComand, XPLMCommandCallback_f inHandler, int inBefore,
                                void* inRefcon) {
    BMHOST_ENTER();
    std::size_t index;
    if (!IndexOf(inComand, "XPLMRegisterCommandHandler", &index)) return;
    if (!inHandler) return HostWarning("XPLMRegisterCommandHandler: no handler");
    int before = inBefore ? 1 : 0;
    if (FindHandler(index, inHandler, before, inRefcon)) return;
    Command& command = C().list[index];
    command.handlers.push_back(Handler{inHandler, before, inRefcon, S().current});
    command.index.Add(KeyOf(inHandler, before, inRefcon), command.handlers.size() - 1);
}

void XPLMUnregisterCommandHandler(XPLMCommandRef inComand, XPLMCommandCallback_f inHandler, int inBefore,
                                  void* inRefcon) {
    BMHOST_ENTER();
    std::size_t index;
    if (!IndexOf(inComand, "XPLMUnregisterCommandHandler", &index)) return;
    Handler* h = FindHandler(index, inHandler, inBefore ? 1 : 0, inRefcon);
    if (!h) return HostWarning("XPLMUnregisterCommandHandler: no such handler on " + NameOf(index));
    Command& command = C().list[index];
    h->removed = true;
    ++command.removed;
    command.index.Remove(KeyOf(*h), std::size_t(h - command.handlers.data()));
    // Removing costs the same however many handlers the command has: the removed ones go when
    // they are more than the live ones.
    if (C().running == 0 && command.removed * 2 > command.handlers.size()) Compact(command);
}

namespace bmhost {

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < C().list.size(); ++i) names.push_back(NameOf(i));
    return names;
}

std::string CommandDescription(const std::string& name) {
    const std::size_t* index = Named(name);
    return index ? C().list[*index].description : std::string();
}

bool RunCommand(const std::string& name) {
    const std::size_t* index = Named(name);
    if (!index) return false;
    std::size_t at = *index;
    Begin(at);
    End(at, "RunCommand");
    RunDeferredReload();
    return true;
}

bool BeginCommand(const std::string& name) {
    const std::size_t* index = Named(name);
    if (!index) return false;
    Begin(*index);
    RunDeferredReload();
    return true;
}

bool EndCommand(const std::string& name) {
    const std::size_t* index = Named(name);
    if (!index) return false;
    bool ended = End(*index, "EndCommand");
    RunDeferredReload();
    return ended;
}

bool CommandHeld(const std::string& name) {
    const std::size_t* index = Named(name);
    return index && C().list[*index].holds > 0;
}

int CommandHandlerCount(const std::string& name) {
    int n = 0;
    for (std::size_t i = 0; i < C().list.size(); ++i)
        if (name.empty() || NameOf(i) == name)
            for (const Handler& h : C().list[i].handlers) n += !h.removed;
    return n;
}

}  // namespace bmhost
