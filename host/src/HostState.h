#ifndef BMHOST_HOSTSTATE_H
#define BMHOST_HOSTSTATE_H
// Internal state of the stand-in simulator, shared by the files of each SDK area.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "XPLMDataAccess.h"
#include "XPLMDefs.h"
#include "XPLMDisplay.h"
#include "XPLMMenus.h"
#include "XPLMProcessing.h"
#include "bmhost/Control.h"

namespace bmhost::detail {

// Every opaque handle carries a kind tag and bits above bit 31, so a caller that narrows a
// handle to 32 bits hands back something that no longer resolves.
enum class HandleKind : std::uint8_t {
    DataRef = 1, Menu = 2, Window = 3, HotKey = 4, Widget = 5, Command = 6, FlightLoop = 7, Probe = 8,
    Object = 9, Instance = 10, Sound = 11, MapLayer = 12, MapProjection = 13, Avionics = 14
};
void* MakeHandle(HandleKind kind, std::size_t index);
bool DecodeHandle(const void* handle, HandleKind kind, std::size_t* index);

// Checks the fault-injection list; throws InjectedFault when `function` is armed.
void Enter(const char* function);
// Marks a call of an SDK function for as long as it runs. Only the calls that plug-in code makes
// are told to the SDK call listener and may be made to fail: the calls the stand-in makes of
// its own SDK functions inside one (the standard widgets drawing themselves, say) are neither.
// Plug-in code that the stand-in calls meanwhile (CallPluginCode) is plug-in code again.
class SdkCall {
public:
    explicit SdkCall(const char* function);
    ~SdkCall();
    SdkCall(const SdkCall&) = delete;
    SdkCall& operator=(const SdkCall&) = delete;
    // Runs plug-in code inside a call of an SDK function.
    class PluginCode {
    public:
        PluginCode();
        ~PluginCode();
        PluginCode(const PluginCode&) = delete;
        PluginCode& operator=(const PluginCode&) = delete;

    private:
        int saved_;
    };
};
#define BMHOST_ENTER() ::bmhost::detail::SdkCall bmhostSdkCall_(__func__)

// Appends to Log.txt and the in-memory copy.
void AppendSimLog(const std::string& text);
// A POSIX path in the form the simulator writes paths in now (see bmhost::SetClassicPaths), and
// back. A folder keeps its trailing separator.
std::string HostPath(const std::string& posixPath);
std::string PosixPath(const std::string& hostPath);
// A message from the simulator to every enabled plug-in, delivered at the next safe point (when
// no plug-in code runs), as the simulator does after work a plug-in asked for.
void PostSimulatorMessage(int message, void* param);
// Work of the simulator that waits for the next safe point (when no plug-in code runs).
void RunWhenNoPluginRuns(std::function<void()> work);
// Carries out an XPLMReloadPlugins asked for meanwhile, when no plug-in code runs: after a
// frame, a mouse up, a key, a menu choice and the plug-in manager's own calls.
void RunDeferredReload();
// Report a misuse by a plug-in to the simulator log, as the host would.
void HostWarning(const std::string& text);

// A hash of a tuple of hashable values: the keys of the registries below.
struct KeyHash {
    template <typename... T>
    std::size_t operator()(const std::tuple<T...>& key) const {
        std::size_t hash = 0;
        std::apply([&hash](const auto&... value) {
            ((hash = hash * 1000003u ^ std::hash<std::decay_t<decltype(value)>>()(value)), ...);
        }, key);
        return hash;
    }
};

// A callback as a key part.
template <typename F>
const void* FunctionKey(F* function) {
    return reinterpret_cast<const void*>(function);
}

// Where the live registrations of a list are, by key, oldest first. The lists keep a removed
// registration in place, marked, until they are compacted where no loop over them runs; the
// index is then made again. So registering, finding and removing take one hash look-up.
template <typename Key>
class LiveIndex {
public:
    static constexpr std::size_t npos = std::size_t(-1);
    std::size_t First(const Key& key) const {
        auto it = positions_.find(key);
        return it == positions_.end() ? npos : it->second.front();
    }
    void Add(const Key& key, std::size_t position) { positions_[key].push_back(position); }
    void Remove(const Key& key, std::size_t position) {
        auto it = positions_.find(key);
        if (it == positions_.end()) return;
        auto& same = it->second;
        same.erase(std::remove(same.begin(), same.end(), position), same.end());
        if (same.empty()) positions_.erase(it);
    }
    // Made again from the list: the key of each entry not marked removed.
    template <typename Entry, typename KeyOf>
    void Rebuild(const std::vector<Entry>& entries, KeyOf keyOf) {
        positions_.clear();
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (!entries[i].removed) Add(keyOf(entries[i]), i);
    }
    void Clear() { positions_.clear(); }

private:
    std::unordered_map<Key, std::vector<std::size_t>, KeyHash> positions_;
};

struct Plugin {
    XPLMPluginID id = XPLM_NO_PLUGIN_ID;
    std::string path;
    void* library = nullptr;
    int (*start)(char*, char*, char*) = nullptr;
    void (*stop)() = nullptr;
    int (*enable)() = nullptr;
    void (*disable)() = nullptr;
    void (*receive)(XPLMPluginID, int, void*) = nullptr;
    std::string name, signature, description;
    bool started = false;
    bool enabled = false;
    int lastEnableResult = 0;
    void (*errorCallback)(const char*) = nullptr;  // XPLMSetErrorCallback
};

// Runs plug-in code with that plug-in as the current one (XPLMGetMyID), restoring the previous.
class CurrentPluginScope {
public:
    explicit CurrentPluginScope(XPLMPluginID id);
    ~CurrentPluginScope();
    CurrentPluginScope(const CurrentPluginScope&) = delete;
    CurrentPluginScope& operator=(const CurrentPluginScope&) = delete;

private:
    XPLMPluginID previous_;
};

struct Sharer {
    XPLMDataChanged_f func;
    void* refcon;
    XPLMPluginID owner;
    bool removed = false;
};

// The callbacks of a data ref that a plug-in publishes.
struct Accessor {
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    XPLMGetDatai_f readInt = nullptr;
    XPLMSetDatai_f writeInt = nullptr;
    XPLMGetDataf_f readFloat = nullptr;
    XPLMSetDataf_f writeFloat = nullptr;
    XPLMGetDatad_f readDouble = nullptr;
    XPLMSetDatad_f writeDouble = nullptr;
    XPLMGetDatavi_f readIntArray = nullptr;
    XPLMSetDatavi_f writeIntArray = nullptr;
    XPLMGetDatavf_f readFloatArray = nullptr;
    XPLMSetDatavf_f writeFloatArray = nullptr;
    XPLMGetDatab_f readData = nullptr;
    XPLMSetDatab_f writeData = nullptr;
    void* readRefcon = nullptr;
    void* writeRefcon = nullptr;
};

// One named data item: one of the simulator's own, a shared item, or a plug-in's accessor.
// An accessor whose owner unregistered it or went away is orphaned: it reads 0 and ignores
// writes until a plug-in registers the name again.
struct DataItem {
    std::string name;
    XPLMDataTypeID types = xplmType_Unknown;
    bool writable = false;
    bool shared = false;
    bool published = false;  // provided by a plug-in's accessor
    bool orphaned = false;
    XPLMPluginID owner = XPLM_PLUGIN_XPLANE;  // who published it; kept when it is orphaned
    Accessor accessor;
    int i = 0;
    float f = 0.0f;
    double d = 0.0;
    std::vector<int> vi;
    std::vector<float> vf;
    std::vector<char> b;
    // Elements of an array or bytes of a data item of the simulator's list: its vector is made
    // at the first write (until then it reads 0s), as most of them are never touched.
    std::size_t length = 0;
    // In the order they shared it; one that unshared stays, marked, until they are more than
    // the others, so that unsharing costs the same however many share the item.
    std::vector<Sharer> sharers;
    std::size_t unshared = 0;
    LiveIndex<std::tuple<const void*, void*>> sharerIndex;  // function, refcon
};

struct MenuItem {
    std::string name;
    void* itemRef = nullptr;
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    bool separator = false;
    bool enabled = true;
    XPLMMenuCheck check = xplm_Menu_NoCheck;
    std::size_t submenu = 0;  // index + 1 into the menu list, 0 for none
    void* command = nullptr;  // XPLMAppendMenuItemWithCommand: choosing the item runs it
};

struct Menu {
    std::string name;
    bool alive = true;
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    XPLMMenuHandler_f handler = nullptr;
    void* menuRef = nullptr;
    std::vector<MenuItem> items;
    // Kept with the items, so that finding an item, appending one and destroying a submenu take
    // the same time however many items there are: the places of each plug-in's items, and the
    // item this menu hangs from (menu index + 1 and place; 0 for none).
    std::map<XPLMPluginID, std::vector<std::size_t>> itemsOf;
    std::size_t parentMenu = 0, parentItem = 0;
};

// A registered flight loop, or a flight loop object (XPLMCreateFlightLoop). A loop is due when
// the clock reaches `nextTime` (intervals in seconds) or the dispatch count reaches `nextLoop`
// (intervals in loops); `active` is false for an interval of 0.
struct FlightLoop {
    XPLMFlightLoop_f func;
    void* refcon;
    XPLMPluginID owner;
    std::size_t object = 0;  // a flight loop object: its handle's index + 1; 0 for a registration
    int phase = 0;           // xplm_FlightLoop_Phase_*; registrations run before the flight model
    bool active = false;
    bool byLoops = false;
    double nextTime = 0.0;
    long nextLoop = 0;
    double lastCall = 0.0;
    bool removed = false;
};

// ---- Display ----

struct DrawCallback {
    XPLMDrawCallback_f func;
    XPLMDrawingPhase phase;
    int before;
    void* refcon;
    XPLMPluginID owner;
    bool removed = false;
};

struct KeySniffer {
    XPLMKeySniffer_f func;
    int beforeWindows;
    void* refcon;
    XPLMPluginID owner;
    bool removed = false;
};

struct Window {
    int left, top, right, bottom;
    bool visible;
    XPLMDrawWindow_f draw;
    XPLMHandleKey_f key;
    XPLMHandleMouseClick_f mouse;
    void* refcon;
    XPLMPluginID owner;
    bool alive = true;
    std::size_t widget = 0;  // for the window behind a root widget: the widget's index + 1
    // Modern windows (XPLMCreateWindowEx with a full struct). Legacy windows keep the defaults:
    // the flight overlay, no decoration, free positioning, no limits.
    bool modern = false;
    int layer = 0;       // XPLMWindowLayer
    int decoration = 0;  // XPLMWindowDecoration
    XPLMHandleCursor_f cursor = nullptr;
    XPLMHandleMouseWheel_f wheel = nullptr;
    XPLMHandleMouseClick_f rightClick = nullptr;
    std::string title = std::string();
    float gravity[4] = {0.0f, 1.0f, 0.0f, 1.0f};  // left, top, right, bottom
    int limits[4] = {0, 0, 1 << 30, 1 << 30};     // min width, min height, max width, max height
    int mode = 0;                                 // XPLMWindowPositioningMode
    int os[4] = {0, 0, 0, 0};                     // OS rectangle, left top right bottom
    int vr[2] = {0, 0};                           // VR width and height as last set
};

struct HotKey {
    unsigned char vkey;
    XPLMKeyFlags flags;
    std::string description;
    XPLMHotKey_f func;
    void* refcon;
    XPLMPluginID owner;
    bool alive = true;
};

struct State {
    bool seeded = false;  // simulator data and the Plugins menu exist
    std::string root;  // with a trailing '/'
    bool prefsPathIsFolder = false;
    std::set<std::string> failNext;
    std::vector<std::unique_ptr<Plugin>> plugins;
    XPLMPluginID nextPluginId = 1;
    XPLMPluginID current = XPLM_NO_PLUGIN_ID;
    bool reloadRequested = false;
    std::string simLog;
    std::function<void(const char*)> sdkCallListener;
    std::vector<DataItem> data;
    std::map<std::string, std::size_t> dataByName;
    std::size_t listedBase = 0;     // where the simulator's listed data refs start, after the built-in ones
    std::size_t dataCountTold = 0;  // the data ref count when XPLM_MSG_DATAREFS_ADDED was last due
    std::map<XPLMPluginID, unsigned> features;  // the features each plug-in enabled, by bit
    std::vector<Menu> menus;  // menus[0] is the Plugins menu
    double elapsed = 0.0;
    int cycle = 0;
    long dispatchCount = 0;  // the counter flight loops receive
    double lastDispatch = 0.0;
    std::vector<FlightLoop> flightLoops;
    LiveIndex<std::tuple<const void*, void*>> flightLoopIndex;  // function, refcon (registrations only)
    // Where each flight loop object is in `flightLoops`, by handle index; npos once destroyed.
    std::vector<std::size_t> flightLoopObjects;

    int screenWidth = 1024, screenHeight = 768;
    int mouseX = 0, mouseY = 0;
    std::vector<DrawCallback> drawCallbacks;
    LiveIndex<std::tuple<const void*, int, int, void*>> drawIndex;  // function, phase, before, refcon
    std::vector<KeySniffer> keySniffers;
    LiveIndex<std::tuple<const void*, int, void*>> keySnifferIndex;  // function, before, refcon
    std::vector<Window> windows;      // the handle's index; destroyed windows stay, not alive
    // Windows back to front; a closed one stays until they are more than the open ones (readers
    // skip it), so that closing costs the same however many windows there are.
    std::vector<std::size_t> zOrder;
    std::size_t closedInZOrder = 0;
    std::size_t focus = 0;            // window index + 1, 0 for the simulator
    std::size_t capture = 0;          // window index + 1 that took the mouse down
    std::size_t rightCapture = 0;     // window index + 1 that took the right mouse down
    std::vector<HotKey> hotKeys;

    int graphicsState[7] = {0, 0, 0, 0, 0, 0, 0};
    int boundTextures[4] = {0, 0, 0, 0};
    int nextTexture = 1;
    double referenceLatitude = 47.4647, referenceLongitude = -122.3088;

    int currentPhase = -1;              // the phase being drawn, -1 outside drawing
    std::vector<bmhost::DrawOp> drawing;  // what the frame being drawn drew so far
    std::vector<bmhost::DrawOp> lastFrame;
};

State& S();
// Runs a call into plug-in code as that plug-in. An exception escaping the plug-in would bring
// the real simulator down; the stand-in reports it in the simulator log and carries on.
// Returns false when an exception escaped.
bool CallPluginCode(XPLMPluginID id, const char* what, const std::function<void()>& call);
Plugin* FindPlugin(XPLMPluginID id);
DataItem* ItemFromHandle(XPLMDataRef ref, const char* function);
// The index of a named data item: the built-in ones, the simulator's listed ones, plug-ins'.
bool DataIndex(const std::string& name, std::size_t* index);
// An item's name (a listed item's is filled in when first asked for).
const std::string& DataName(std::size_t index);
std::size_t AddDataItem(DataItem item);
void SeedSimulatorData();
// The simulator's listed data refs and commands (host/simdata, or the folder bmhost::SetSimDataFolder
// names), read once per process. A missing file is written to Log.txt at every start.
struct ListedDataRef {
    std::string_view name;  // into the list's text, kept for the process
    XPLMDataTypeID types;
    bool writable;
    std::size_t length;  // elements or bytes; 0 for a scalar
};
const std::vector<ListedDataRef>& ListedDataRefs();
const std::vector<std::string_view>& ListedCommands();
void ReportMissingSimData();
void SimDataChanged();  // the lists are read again: the seeded data and commands are made anew
// Features (XPLMEnableFeature): the bits, and whether a plug-in has one on.
enum FeatureBit : unsigned { kWantsReflections = 1, kNativePaths = 2, kNativeWidgetWindows = 4, kDatarefNotifications = 8 };
bool FeatureEnabled(XPLMPluginID plugin, unsigned bit);
// At the end of a frame: XPLM_MSG_DATAREFS_ADDED to the plug-ins that want it when the count grew.
void DataRefsAddedFrame();
void ResetMenus();
// Drop what an unloaded plug-in left registered, so nothing calls into its closed library.
void SweepMenus(XPLMPluginID owner);
void SweepData(XPLMPluginID owner);
void SweepFlightLoops(XPLMPluginID owner);
void SweepDisplay(XPLMPluginID owner);
void SweepWidgets(XPLMPluginID owner);
void ResetDisplay();
void ResetWidgets();
// The navigation database (read again from the simulator folder when next used) and the FMS.
void ResetNavigation();
// An airport of the navigation database by its exact ID: its position and elevation (feet).
bool FindAirport(const std::string& id, double* latitude, double* longitude, float* elevationFeet);
// The weather table back to the built-in one.
void ResetWeather();
// Sounds: all channels forgotten; once per frame, after the flight loops, the queued sounds start,
// the playing ones are mixed and those past their end complete; an unloaded plug-in's sounds
// stop without their callbacks; the sounds a plug-in has queued or playing.
void ResetSound();
void SoundFrame();
void SweepSound(XPLMPluginID owner);
int SoundRegistrations(XPLMPluginID plugin);
// The aircraft, the camera and the utilities' records (spoken text, keys, buttons, path form).
void ResetAircraft();
void ResetUtilities();
// An unloaded plug-in gives back the aircraft and the camera it held, and waits for them no more.
void SweepAircraft(XPLMPluginID owner);
// So does a plug-in once it is disabled.
void AircraftPluginDisabled(XPLMPluginID plugin);
// Once per frame, before the frame is drawn: the camera controller positions the camera.
void CameraFrame();
// The scenery (Scenery.cpp, Instance.cpp): terrain, objects, library and instances forgotten; an
// unloaded plug-in's probes, object references, instances and pending loads dropped; the
// asynchronous loads delivered at the start of a frame; what a plug-in holds.
void ResetScenery();
void SweepScenery(XPLMPluginID owner);
void SceneryFrame();
int SceneryRegistrations(XPLMPluginID plugin);
// Commands: the built-in commands' data (with the simulator's data), the commands and handlers
// forgotten, an unloaded plug-in's handlers dropped, the held commands' continue phase once per
// frame, and the handlers a plug-in holds (all plug-ins' for XPLM_NO_PLUGIN_ID).
void SeedCommandData();
void ResetCommands();
void SimDataCommandsChanged();
// Runs a command once as the simulator (a menu item's command); false for a ref that is none.
bool RunCommandRef(void* command);
bool CommandExists(void* command);  // the commands' list is made again from the simulator's list
void SweepCommands(XPLMPluginID owner);
void CommandsFrame();
int CommandHandlerRegistrations(XPLMPluginID plugin);

// Drawing: every drawing call is recorded for the frame being drawn.
void Record(const char* call, std::vector<double> numbers, std::string text = std::string());
void DrawFrame();
Window* WindowFromId(XPLMWindowID id, const char* function);
// Maps (Map.cpp): each open map's layers called once per frame, after the windows; an unloaded
// plug-in's layers and hooks dropped (no will-be-deleted call); the layers a plug-in holds (all
// plug-ins' for XPLM_NO_PLUGIN_ID; hooks are not counted: nothing can remove one).
void MapFrame();
void SweepMaps(XPLMPluginID owner);
void ResetMaps();
int MapRegistrations(XPLMPluginID plugin);
// Avionics (Avionics.cpp): the devices drawn with their callbacks, in the panel phase.
void AvionicsFrame();
void SweepAvionics(XPLMPluginID owner);
void ResetAvionics();
int AvionicsRegistrations(XPLMPluginID plugin);

// The windows behind root widgets. They draw, take the mouse and hold keyboard focus like any
// window, but are the widget library's own: the window counts leave them out.
std::size_t OpenWidgetWindow(const Window& window);  // at the front; returns its index
void CloseWindowAt(std::size_t index);
void FocusWindow(std::size_t index);  // window index + 1, 0 for the simulator
void RaiseWindow(std::size_t index);
bool IsFrontWindow(std::size_t index);
// A key for the widget with keyboard focus, when its root's window has focus; true if a widget
// consumed it.
bool DeliverWidgetKey(char key, XPLMKeyFlags flags, char vkey);
// Width, height and digits-only flag of a font's characters.
const int* FontDimensions(int font);

}  // namespace bmhost::detail

#endif
