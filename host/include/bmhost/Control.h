#ifndef BMHOST_CONTROL_H
#define BMHOST_CONTROL_H
// The stand-in simulator's control surface: what tests and bmsim use to drive a run.
// Everything here runs on the caller's thread, which plays the simulator's main thread.

#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "XPLMCamera.h"
#include "XPLMDefs.h"
#include "XPLMDisplay.h"
#include "XPLMNavigation.h"
#include "XPWidgetDefs.h"

namespace bmhost {

// Thrown by an SDK function that a test armed with FailNextCall.
struct InjectedFault : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Forget every plug-in, data ref, menu and log line; unloads loaded plug-ins (stopping them first).
void Reset();

// The simulator folder. It is created when missing; XPLMGetSystemPath reports it with a trailing '/'.
void SetRoot(const std::string& dir);
std::string Root();
std::string ScriptFolder();  // <root>/Resources/plugins/PythonScripts/
// XPLMGetPrefsPath: a file inside the preferences folder by default, the folder itself when asked.
void SetPrefsPathIsFolder(bool folder);

// The next call of the named SDK function throws InjectedFault instead of doing its work.
void FailNextCall(const std::string& sdkFunction);

// Plug-ins, in load order. LoadPlugin opens the library as the simulator does (local symbols) and
// calls its XPluginStart; it returns the new id, or XPLM_NO_PLUGIN_ID with `error` filled.
XPLMPluginID LoadPlugin(const std::string& path, std::string* error = nullptr);
bool EnablePlugins();          // XPluginEnable on every started plug-in; false if one refused
void DisablePlugins();         // XPluginDisable on every enabled plug-in, in load order
void UnloadPlugins();          // disable, XPluginStop, close the libraries
// The simulator quits: XPLM_MSG_WILL_WRITE_PREFS to every enabled plug-in, then DisablePlugins
// and UnloadPlugins.
void Shutdown();
// The user's aircraft (or plane `index`) was given another livery: XPLM_MSG_LIVERY_LOADED with
// the index to every enabled plug-in.
void ChangeLivery(int index);
int LastEnableResult(XPLMPluginID id);  // what the plug-in's last XPluginEnable returned
void BroadcastMessage(XPLMPluginID from, int message, void* param);

// Frames: the clock advances by `seconds` each frame, the cycle number by one, the flight loops
// that are due run, and the frame is drawn.
void RunFrames(int count, float seconds = 1.0f / 60.0f);
int FlightLoopCount();  // registered flight loops, active or not
// Everything a plug-in holds registered (all plug-ins' for XPLM_NO_PLUGIN_ID): flight loops,
// draw callbacks, key sniffers, windows, hot keys, menus, published data refs, shared-data
// notifications, command handlers, sounds queued or playing, probes, object references, instances
// and object loads under way, map layers and avionics callbacks (not the map creation hooks,
// which the SDK has no way to remove; they go when the plug-in is unloaded).
int RegistrationCount(XPLMPluginID plugin = XPLM_NO_PLUGIN_ID);
// Drops everything the plug-in holds registered and the widgets it made, as unloading it does.
void SweepPlugin(XPLMPluginID plugin);
// Runs `code` as the plug-in would run (XPLMGetMyID answers `plugin`); what it registers is the
// plug-in's. An exception escaping `code` is reported as one escaping a plug-in.
void RunAsPlugin(XPLMPluginID plugin, const std::function<void()>& code);

// The simulator's log (Log.txt in the root), as written by XPLMDebugString.
std::string SimLog();
// Texts plug-ins spoke (XPLMSpeakString), command keys they sent (XPLMCommandKeyStroke), and
// their joystick button presses and releases, each in order. The button list holds the button
// number for a press and its bitwise complement (~button) for a release.
std::vector<std::string> SpokenTexts();
std::vector<int> CommandKeyStrokes();
std::vector<int> ButtonEvents();
int ReloadSceneryCount();  // XPLMReloadScenery calls
// Data files, in order: "load situation PATH", "load replay PATH", "save situation PATH", "save
// replay PATH" (PATH as the plug-in gave it) and "clear replay" (a replay load without a path).
std::vector<std::string> DataFileEvents();
// XPLMSimulateKeyPress calls, (key type, key) each, in order. They have no other effect.
std::vector<std::pair<int, int>> SimulatedKeyPresses();
// How the simulator writes paths: the native form ("/sims/X-Plane/", separator "/"), or the
// classic form of the old Macintosh file system ("Disk:sims:X-Plane:", separator ":"), with the
// root's folders under a volume of that name. The plug-ins' path arguments are read in the same
// form. Reset goes back to the native form.
void SetClassicPaths(bool classic, const std::string& volume = "Disk");

// Called at the start of every SDK function a plug-in calls, with the function's name.
void SetSdkCallListener(std::function<void(const char*)> listener);

// Menus. A path names items from the Plugins menu down, separated by '/', e.g.
// "Plugins/Brindlemoor/Control Panel". In the paths that ChooseMenuItem and MenuItemCheck take, a
// '/' or '\' that is part of a name is written with a '\' before it:
// "Plugins/Brindlemoor/Script Enable \/ Disable". MenuItemPaths lists the names as they are.
std::vector<std::string> MenuItemPaths();
// The items a path can choose (no separators, no submenus), each path written as ChooseMenuItem
// takes it; `enabled` false for one that answers nothing now (disabled, or its plug-in is).
struct MenuChoice {
    std::string path;
    bool enabled;
};
std::vector<MenuChoice> MenuChoices();
bool ChooseMenuItem(const std::string& path);  // false when no enabled item has that path
int MenuItemCheck(const std::string& path);     // xplm_Menu_* or -1 when unknown

// Data by name (shared items and the simulator's own). Missing names read 0.
bool DataExists(const std::string& name);
int ReadInt(const std::string& name);
float ReadFloat(const std::string& name);
bool WriteInt(const std::string& name, int value);      // notifies sharers like XPLMSetDatai
bool WriteFloat(const std::string& name, float value);
// Any data ref by name, as another plug-in would reach it: "42", "1.5", "1,2,3" for arrays,
// text for bytes. Returns false for an unknown name or a value that does not fit its type.
bool SetDataFromText(const std::string& name, const std::string& value);
int SharerCount(const std::string& name);               // registrations of a shared item
int SharerTotal();                                      // registrations of all shared items
int PublishedDataCount();
// The folder of the simulator's lists of its own data refs and commands (datarefs.tsv and
// commands.txt); "" for the lists the project ships (host/simdata). They are read at the next
// Reset; a missing file is written to Log.txt at every start, and the built-in few remain.
void SetSimDataFolder(const std::string& folder);  // data refs that a plug-in provides through accessors (not orphaned)
int PluginMenuCount();     // live menus that plug-ins created (the Plugins menu not counted)
int MenuItemCount();       // items and separators of the live menus, the Plugins menu's too

// ---- Display and input ----

// The screen is 1024 x 768 unless set otherwise; it frames windows, the mouse and pictures. A
// change moves the modern windows: by their gravity when they position freely, to the middle
// or over the whole screen when their positioning mode asks for it.
void SetScreenSize(int width, int height);

// One recorded drawing call: the SDK's drawing functions and the OpenGL calls plug-ins make.
struct DrawOp {
    // "XPLMDrawString", "glVertex2i", "phase" (the simulator drew one), "frame" (the decoration of
    // a round-rectangle modern window: its rectangle and title)...
    std::string call;
    int phase = -1;               // drawing phase, -1 for window drawing
    XPLMPluginID plugin = XPLM_NO_PLUGIN_ID;
    std::vector<double> numbers;  // the call's numeric arguments, in order
    std::string text;             // its text, if any
    std::string ToString() const;  // e.g. glVertex2i(10, 20) or XPLMDrawString(1, 1, 1, 10, 20, 0, 0, "hi")
};
// What the last complete frame drew, in order.
const std::vector<DrawOp>& LastFrameDrawing();
// Renders the last frame to a PNG file of the screen's size.
bool SavePicture(const std::string& path, std::string* error = nullptr);

// The mouse. A click is a down and an up at one place; a drag moves between down and up.
// MouseDown, Click and Drag answer whether a window (or a widget in it) took the mouse down:
// false when it landed on no window, or on none whose callback answered 1.
bool MouseDown(int x, int y);
void MouseDrag(int x, int y);
void MouseUp(int x, int y);
bool Click(int x, int y);
bool Drag(int x1, int y1, int x2, int y2);

// A key event as the simulator delivers it, and a whole press (a down and an up event).
void KeyEvent(char key, XPLMKeyFlags flags, unsigned char virtualKey);
void PressKey(char key, unsigned char virtualKey, XPLMKeyFlags modifiers = 0);

// Modern windows lie in layers (flight overlay, floating windows, modal, growl notifications):
// they draw layer by layer, back to front in each, and take the mouse from the top layer's
// front-most window down. A window decorated with anything but xplm_WindowDecorationNone stops
// the clicks its callback does not take; the others let them through to what lies below.
// A right click is a right button down and up at one place, going as a click does to the
// windows' right-click callbacks. The wheel goes to the front-most window under the pointer
// whose wheel callback takes it (1). The cursor is asked of the windows under the pointer from
// the front; xplm_CursorDefault defers to the window below, and the answer for the pointer over
// no window at all is xplm_CursorDefault.
void RightClick(int x, int y);
void MouseWheel(int x, int y, int wheel, int clicks);
int CursorAt(int x, int y);
// The pilot resizes a window by its frame: the new rectangle, within its resizing limits (the
// right and bottom edges give way).
void ResizeWindow(XPLMWindowID window, int left, int top, int right, int bottom);
// A window's title as XPLMSetWindowTitle set it ("" for an unknown window), and its layer (-1).
std::string WindowTitle(XPLMWindowID window);
int WindowLayer(XPLMWindowID window);

int WindowCount();        // live windows
int DrawCallbackCount();  // registered draw callbacks
int KeySnifferCount();    // registered key sniffers
int HotKeyCount();        // registered hot keys
// The pixel at (x, y), y upward, of a picture written by SavePicture: 0xRRGGBB, or -1.
long PicturePixel(const std::string& path, int x, int y);

// ---- Widgets ----

// Live widgets: of one plug-in (the one that created them), or of all for XPLM_NO_PLUGIN_ID.
int WidgetCount(XPLMPluginID plugin = XPLM_NO_PLUGIN_ID);
// One line per widget, children indented by two spaces under their parent: the root widgets back
// to front, then the trees that hang from no root. A line holds the class ("MainWindow",
// "Button"..., "custom", or "class N"), the geometry left,top,right,bottom, the descriptor in
// double quotes (\, \" and \n escaped), "visible" or "hidden" (the widget's own flag), and the
// properties that were set, as id=value in the order of their ids:
//     MainWindow 100,400,300,200 "Settings" visible 1100=0
//       Button 110,380,190,360 "OK" visible 1300=0 1301=0
// With `propertyNames`, a property the SDK headers name is written by its name, as the widget's
// class reads it (1200 is xpProperty_MainWindowHasCloseBoxes of a main window and
// xpProperty_SubWindowType of a subwindow); other ids stay numbers:
//       Button 110,380,190,360 "OK" visible xpProperty_ButtonType=0 xpProperty_ButtonBehavior=0
std::string WidgetTree(bool propertyNames = false);
// The first live widget, in the order of creation, with this descriptor; null when none has it.
XPWidgetID FindWidget(const std::string& descriptor);
// Types the text: each character a whole key press (PressKey) with its virtual key on a US
// keyboard, with shift for capitals and shifted symbols; '\n' is Return, '\t' Tab, '\b' Back.
void TypeText(const std::string& text);
// Makes XPCreateWidget build widgets of `widgetClass` on `function` (null: forget it again), in
// place of the standard class of that number if there is one. Reset forgets these.
void DefineWidgetClass(XPWidgetClass widgetClass, XPWidgetFunc_t function);

// ---- Navigation ----

// The navigation database is read when first used after Reset: from the simulator's own files in
// the root (Resources/default data/earth_nav.dat and earth_fix.dat, Resources/default
// scenery/default apt dat/Earth nav data/apt.dat) when any of them is there, else from the sample
// the project ships (host/navdata, the Puget Sound area around the default world reference).
// Lines that cannot be read are skipped. The aids of one type lie together, the types in the order
// of their bits, and an aid's ref is 0x40000000 plus its place. XPLMGetNavAidInfo's region flag is
// 1 for an aid on one of the 3 x 3 one-degree tiles around the world reference point's tile.
int NavAidCount();
std::string NavDataSource();  // the files read, full paths, each followed by a line end

// An aid as the simulator holds it; frequencies and heights as the data files give them (NDBs in
// kHz, the others in 10 kHz; feet).
struct NavAidRecord {
    XPLMNavType type = xplm_Nav_Unknown;
    float latitude = 0.0f, longitude = 0.0f, height = 0.0f;
    int frequency = 0;
    float heading = 0.0f;
    std::string id, name;
};
// Adds an aid after the last of its type and answers its ref; the refs of aids of later types
// move up by one.
XPLMNavRef AddNavAid(const NavAidRecord& aid);

// ---- Aircraft, camera and utilities ----

// The aircraft: eight slots, 0 the user's, 1 to 7 the others; three active after a reset (the
// user's and two others). A model is named as the simulator keeps it, in POSIX form: relative to
// the simulator folder ("Aircraft/General Aviation/Cessna 172SP/Cessna_172SP.acf"), or a full
// path for a model outside the folder; "" for a slot that does not exist. XPLMGetNthAircraftModel
// reports the full path in the form the simulator writes paths in.
std::string AircraftModel(int index);
int ActiveAircraftCount();
// The plug-in holding the other aircraft (XPLMAcquirePlanes), or XPLM_NO_PLUGIN_ID.
XPLMPluginID PlanesHolder();
// The plug-ins waiting for the other aircraft with a callback, first in line first.
std::vector<XPLMPluginID> PlanesWaiting();
bool AircraftAIDisabled(int index);  // XPLMDisableAIForPlane; undone when the holder lets go
int ReinitCount();                   // XPLMReinitUsersPlane calls
// Where XPLMPlaceUserAtAirport put the user, in capitals: "KSEA" after a reset.
std::string UserAirport();

// The views, named as the simulator's view key commands: forward, down, left, right, back, tower,
// runway, chase, free1, free2, spot, fullscrn1, fullscrn2. "forward" after a reset.
std::vector<std::string> ViewNames();
std::string CurrentView();
// The pilot chooses a view (false for an unknown name). A plug-in controlling the camera until
// the view changes loses it, and its function is called once with inIsLosingControl 1; one
// controlling it for ever keeps it.
bool ChangeView(const std::string& name);
// The plug-in controlling the camera (XPLMControlCamera), or XPLM_NO_PLUGIN_ID.
XPLMPluginID CameraController();
// Where the camera is: where its controller last put it, or else where the view puts it.
XPLMCameraPosition_t CameraPosition();

// ---- Features ----

// ---- Maps and avionics ----

// The simulator's maps, XPLM_MAP_USER_INTERFACE and XPLM_MAP_IOS, start closed. Opening one calls
// the plug-ins' creation hooks with its identifier; closing it destroys its layers, each telling
// its will-be-deleted callback. Every frame, after the windows, the layers of each open map are
// called (prepare cache the first time, then draw, icons, labels). Both answer false for an
// unknown identifier and for a map that is open (OpenMap) or closed (CloseMap) already.
bool OpenMap(const std::string& map);
bool CloseMap(const std::string& map);
bool MapIsOpen(const std::string& map);
int MapLayerCount(const std::string& map);  // live layers of the map
// What the layers of the map queued in the last frame, in order: "XPLMDrawMapIconFromSheet"
// (s, t, ds, dt, mapX, mapY, orientation, rotation, mapWidth; the PNG path as text) and
// "XPLMDrawMapLabel" (mapX, mapY, orientation, rotation; the label as text), with whatever their
// draw callbacks drew. Empty for a map that is not open.
const std::vector<DrawOp>& LastMapDrawing(const std::string& map = "XPLM_MAP_USER_INTERFACE");
// Renders the map's last frame to an 800 x 800 PNG: the visible bounds (+-50,000 map units around
// the centre, 125 units a pixel, north up), each icon a disc of its width in a colour of its cell
// with a stroke towards its rotation, each label centred below its point.
bool SaveMapPicture(const std::string& path, const std::string& map = "XPLM_MAP_USER_INTERFACE",
                    std::string* error = nullptr);
// The cockpit devices of the user's aircraft (xplm_device_* ids; ids outside 0 to 17 are left
// out): xplm_device_GNS430_1 and xplm_device_GNS530_1 after a reset. Each is drawn every frame in
// the panel phase, between its before and its after callbacks, unless a before callback answered 0.
void SetAvionicsDevices(std::vector<int> devices);
std::vector<int> AvionicsDevices();
// The devices whose screens the simulator drew in the last frame, in the order of their ids.
std::vector<int> LastFrameAvionics();

// Whether the plug-in enabled the feature (XPLMEnableFeature), for one of the four the stand-in has.
bool PluginFeatureEnabled(XPLMPluginID plugin, const std::string& feature);
// The aircraft menu (XPLMFindAircraftMenu) answers only plug-ins loaded with the user's aircraft;
// this marks one as such (until Reset).
void SetAircraftPlugin(XPLMPluginID plugin, bool aircraft = true);

// ---- Commands ----

// The commands the simulator knows: its own first (sim/operation/pause_toggle, the flaps, gear,
// landing light, throttle and view commands; see README), then those plug-ins created, in the
// order they were created.
std::vector<std::string> CommandNames();
std::string CommandDescription(const std::string& name);  // "" for an unknown name
// The pilot works a command: once (a begin and an end, as XPLMCommandOnce), or begins holding
// it and lets go of it again. False for an unknown name, and EndCommand for one not held.
bool RunCommand(const std::string& name);
bool BeginCommand(const std::string& name);
bool EndCommand(const std::string& name);
bool CommandHeld(const std::string& name);
// Handlers registered on the command, before and after; on all commands for "". RegistrationCount
// counts them too.
int CommandHandlerCount(const std::string& name = std::string());


// ---- Scenery and instances ----

// The terrain is read, when first probed after Reset, from terrain.txt in the simulator folder
// (see docs/stand-in.md for its format); without one the world is flat and dry at 0 m. The
// library: the EXPORT lines of Custom Scenery/*/library.txt, packs in byte order, read when
// first looked up after Reset.
// Live probes, object references (one per load not yet unloaded) and instances: of one
// plug-in, or of all for XPLM_NO_PLUGIN_ID. RegistrationCount counts these and the pending
// asynchronous loads too.
int ProbeCount(XPLMPluginID plugin = XPLM_NO_PLUGIN_ID);
int ObjectReferenceCount(XPLMPluginID plugin = XPLM_NO_PLUGIN_ID);
int InstanceCount(XPLMPluginID plugin = XPLM_NO_PLUGIN_ID);
int PendingObjectLoads();  // XPLMLoadObjectAsync calls not delivered yet
// An instance as the simulator draws it: its object's path (relative to the simulator folder),
// where XPLMInstanceSetPosition last put it, and its data refs with their values.
struct InstanceRecord {
    std::string object;
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    float x = 0, y = 0, z = 0, pitch = 0, heading = 0, roll = 0;
    std::vector<std::string> datarefs;
    std::vector<float> values;
    int positions = 0;  // XPLMInstanceSetPosition calls that changed it
    // "OBJECT at X,Y,Z pitch P heading H roll R" and " NAME=VALUE" for each data ref, numbers
    // as %g writes them: the line bmsim --instances prints after "[instance] ".
    std::string ToString() const;
};
std::vector<InstanceRecord> Instances();  // live instances, in the order they were made

// ---- Weather ----

// The weather table (docs/stand-in.md gives its format): from text, or from a file ("" for the
// built-in one: the standard atmosphere, calm and clear). False with `error` ("line 3: cannot
// read 'wind 0 5'") when a line cannot be read; the table then stays as it was. Reset goes back
// to the built-in table.
bool SetWeatherTable(const std::string& text, std::string* error = nullptr);
bool SetWeatherFile(const std::string& path, std::string* error = nullptr);
// The METAR XPLMGetMETARForAirport writes for an airport (its ICAO code in capitals): the
// table's own for that airport, else one written from the table for an airport of the
// navigation database; "" for any other.
std::string METAR(const std::string& airport);

// ---- Sound ----

// A sound played with XPLMPlayPCMOnBus, as the simulator holds it.
struct SoundRecord {
    XPLMPluginID plugin = XPLM_NO_PLUGIN_ID;
    int bus = 0, rate = 0, channels = 0;
    bool loop = false;
    unsigned bytes = 0;
    // "queued" (until the next frame's sound step), "playing", "finished", "stopped" (by
    // XPLMStopAudio), "swept" (its plug-in was unloaded)
    std::string state;
    double played = 0.0, started = 0.0;  // simulator times of the call and of the start
    float volume = 1.0f;
    float pitch = 0.0f;  // the rate it plays at, in Hz: its own until XPLMSetAudioPitch
    bool threeD = false;
    std::vector<float> position{0, 0, 0}, velocity{0, 0, 0}, orientation{0, 0, 0};
    float fadeMin = 1.0f, fadeMax = 10000.0f;
    std::vector<float> cone{360.0f, 360.0f, 1.0f};  // inside angle, outside angle, outside volume
};
// Every sound played since Reset, in the order played.
std::vector<SoundRecord> SoundsPlayed();
// Mixing into memory: on, what plays from now is kept (the mix starts at the clock's 0, silent
// up to now); off, it is no longer added to. Reset drops the mix and stops capturing.
void CaptureAudio(bool on);
// Writes the mix as a WAV file: 16-bit PCM, stereo, 48,000 samples a second, from the clock's 0
// to the last frame's sound step.
bool SaveAudio(const std::string& path, std::string* error = nullptr);

}  // namespace bmhost

#endif
