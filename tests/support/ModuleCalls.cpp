#include "ModuleCalls.h"

#include <algorithm>
#include <stdexcept>

#include "PythonModules.h"
#include "SweepSupport.h"
#include "bmhost/Control.h"

namespace bmtest::sweep {

const char kSweepModule[] = "BM_Sweep";

std::string SweepScript() {
    return "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        return 'Sweep', 'bm.sweep', 'Calls every module function'\n"
           "    def XPluginStop(self):\n"
           "        pass\n"
           "    def XPluginEnable(self):\n"
           "        return 1\n"
           "    def XPluginDisable(self):\n"
           "        pass\n"
           "    def XPluginReceiveMessage(self, who, message, param):\n"
           "        pass\n"
           "    def Callback(self, *args):\n"
           "        return 1\n"
           "    def Fill(self, refcon, values, offset, count):\n"
           "        if values is not None:\n"
           "            values.extend([1] * max(0, min(count, 8)))\n"
           "        return 8\n";
}

std::string SweepSetupCode() {
    bmhost::OpenMap("XPLM_MAP_USER_INTERFACE");  // so that map layers can be made
    std::string code;
    for (const std::string& module : SweptModules()) code += "import " + module + "\nfrom " + module + " import *\n";
    code += R"(
script = Script
cb = Script.Callback
fill = Script.Fill

# A range that is never made whole: xrange under 2.7, range under 3.
try:
    lazy_range = xrange
except NameError:
    lazy_range = range

class Refused(ValueError):
    pass

class Raising(object):
    def _refuse(self, *args):
        raise Refused('refused')
    __int__ = __long__ = __index__ = __float__ = __len__ = __getitem__ = __iter__ = _refuse
    # what a check of "is this a script object?" asks
    @property
    def __class__(self):
        raise Refused('refused')

ref_i = XPLMFindDataRef('sim/cockpit/electrical/night_vision_on')
ref_f = XPLMFindDataRef('sim/flightmodel/position/psi')
ref_d = XPLMFindDataRef('sim/flightmodel/position/local_x')
ref_vi = XPLMFindDataRef('sim/cockpit2/electrical/battery_on')
ref_vf = XPLMFindDataRef('sim/cockpit2/engine/actuators/throttle_ratio')
ref_b = XPLMFindDataRef('sim/aircraft/view/acf_tailnum')
plugins_menu = XPLMFindPluginsMenu()

def new_item():
    return XPLMAppendMenuItem(plugins_menu, 'Sweep', 0, 1)

def new_menu():
    return XPLMCreateMenu(script, 'Sweep', plugins_menu, new_item(), cb, 0)

def new_window():
    return XPLMCreateWindow(script, 10, 300, 300, 10, 1, cb, cb, cb, 0)

def new_modern():
    return XPLMCreateWindowEx(script, {'left': 10, 'top': 300, 'right': 300, 'bottom': 10, 'visible': 1,
                                       'drawWindowFunc': cb, 'handleMouseClickFunc': cb, 'handleKeyFunc': cb,
                                       'handleCursorFunc': cb, 'handleMouseWheelFunc': cb, 'refcon': 0,
                                       'handleRightClickFunc': cb})

def new_hotkey():
    return XPLMRegisterHotKey(script, XPLM_VK_F5, 0, 'Sweep', cb, 0)

def new_accessor(name):
    return XPLMRegisterDataAccessor(script, name, 63, 1, cb, cb, cb, cb, cb, cb, fill, cb, fill, cb,
                                    fill, cb, 0, 0)

def new_layer():
    return XPLMCreateMapLayer(script, (XPLM_MAP_USER_INTERFACE, xplm_MapLayer_Markings, cb, cb, cb, cb, cb, 1,
                                       'Sweep', 0))

window = new_window()
menu = new_menu()
XPLMAppendMenuItem(menu, 'First', 0, 1)
ref_own = new_accessor('bm/sweep/own')

def new_widget():
    return XPCreateWidget(10, 300, 300, 10, 1, 'Sweep', 1, 0, xpWidgetClass_MainWindow)

widget = new_widget()
child = XPCreateWidget(20, 290, 100, 270, 1, 'Child', 0, widget, xpWidgetClass_Button)

with open(XPLMGetSystemPath() + 'sweep.obj', 'w') as obj_file:
    obj_file.write('A\n800\nOBJ\n')
obj = XPLMLoadObject(script, 'sweep.obj')
probe = XPLMCreateProbe(script, xplm_ProbeY)
instance = XPLMCreateInstance(script, obj, ['sim/a'])

pcm = b'\x00\x10' * 800

def new_sound():
    return XPLMPlayPCMOnBus(script, pcm, len(pcm), FMOD_SOUND_FORMAT_PCM16, 8000, 1, 0, xplm_AudioUI, cb, 0)
)";
    return code;
}

std::vector<std::string> SweptModules() {
    std::vector<std::string> names;
    for (int i = 0; i < BM_ModuleCount; ++i)
        if (BM_Modules[i].init) names.push_back(BM_Modules[i].name);
    return names;
}

std::vector<std::string> ModuleFunctions(const std::string& module) {
    PyObject* mod = PyImport_ImportModule(module.c_str());
    if (!mod) throw std::runtime_error("cannot import " + module + ": " + TakeError());
    std::vector<std::string> names;
    PyObject *key, *value;
    Py_ssize_t position = 0;
    while (PyDict_Next(PyModule_GetDict(mod), &position, &key, &value))
        if (PyCFunction_Check(value) && BM_TextAsUtf8(key)) names.push_back(BM_TextAsUtf8(key));
    PyErr_Clear();
    Py_DECREF(mod);
    std::sort(names.begin(), names.end());
    return names;
}

std::string PlausibleCall::ArgsText() const {
    std::string text = "(";
    for (std::size_t i = 0; i < args.size(); ++i) text += (i ? ", " : "") + args[i];
    return text + ")";
}

const std::vector<PlausibleCall>& PlausibleCalls() {
    static const std::vector<PlausibleCall> calls = {
        // ---- XPLMDataAccess ----
        {"XPLMDataAccess", "XPLMFindDataRef", "", {"'sim/flightmodel/position/psi'"}},
        {"XPLMDataAccess", "XPLMCanWriteDataRef", "", {"ref_f"}},
        {"XPLMDataAccess", "XPLMGetDataRefTypes", "", {"ref_f"}},
        {"XPLMDataAccess", "XPLMGetDatai", "", {"ref_i"}},
        {"XPLMDataAccess", "XPLMSetDatai", "", {"ref_i", "1"}},
        {"XPLMDataAccess", "XPLMGetDataf", "", {"ref_f"}},
        {"XPLMDataAccess", "XPLMSetDataf", "", {"ref_f", "45.0"}},
        {"XPLMDataAccess", "XPLMGetDatad", "", {"ref_d"}},
        {"XPLMDataAccess", "XPLMSetDatad", "", {"ref_d", "2.5"}},
        {"XPLMDataAccess", "XPLMGetDatavi", "", {"ref_vi", "[]", "0", "8"}},
        {"XPLMDataAccess", "XPLMSetDatavi", "", {"ref_vi", "[1, 0, 1]", "0", "3"}},
        {"XPLMDataAccess", "XPLMGetDatavf", "", {"ref_vf", "[]", "0", "8"}},
        {"XPLMDataAccess", "XPLMSetDatavf", "", {"ref_vf", "[0.5, 0.25]", "0", "2"}},
        {"XPLMDataAccess", "XPLMGetDatab", "", {"ref_b", "[]", "0", "40"}},
        {"XPLMDataAccess", "XPLMCountDataRefs", "", {}},
        {"XPLMDataAccess", "XPLMGetDataRefsByIndex", "", {"0", "4", "[]"}},
        {"XPLMDataAccess", "XPLMGetDataRefInfo", "", {"ref_f"}},
        {"XPLMDataAccess", "XPLMIsDataRefGood", "", {"ref_f"}},
        {"XPLMDataAccess", "XPLMSetDatab", "", {"ref_b", "['N1']", "0", "2"}},
        {"XPLMDataAccess", "XPLMRegisterDataAccessor", "",
         {"script", "'bm/sweep/published'", "xplmType_Int", "1", "cb", "cb", "None", "None", "None", "None", "None",
          "None", "None", "None", "None", "None", "0", "0"}},
        {"XPLMDataAccess", "XPLMUnregisterDataAccessor", "published = new_accessor('bm/sweep/unpublished')",
         {"script", "published"}},
        {"XPLMDataAccess", "XPLMShareData", "", {"script", "'bm/sweep/shared'", "xplmType_Int", "cb", "0"}},
        {"XPLMDataAccess", "XPLMUnshareData", "XPLMShareData(script, 'bm/sweep/shared', xplmType_Int, cb, 0)",
         {"script", "'bm/sweep/shared'", "xplmType_Int", "cb", "0"}},

        // ---- XPLMDisplay ----
        {"XPLMDisplay", "XPLMRegisterDrawCallback", "", {"script", "cb", "xplm_Phase_Window", "0", "0"}},
        {"XPLMDisplay", "XPLMUnregisterDrawCallback", "XPLMRegisterDrawCallback(script, cb, xplm_Phase_Window, 0, 0)",
         {"script", "cb", "xplm_Phase_Window", "0", "0"}},
        {"XPLMDisplay", "XPLMRegisterKeySniffer", "", {"script", "cb", "1", "0"}},
        {"XPLMDisplay", "XPLMUnregisterKeySniffer", "XPLMRegisterKeySniffer(script, cb, 1, 0)",
         {"script", "cb", "1", "0"}},
        {"XPLMDisplay", "XPLMGetScreenSize", "", {"[]", "[]"}},
        {"XPLMDisplay", "XPLMGetMouseLocation", "", {"[]", "[]"}},
        {"XPLMDisplay", "XPLMCreateWindow", "", {"script", "10", "300", "300", "10", "1", "cb", "cb", "cb", "0"}},
        {"XPLMDisplay", "XPLMDestroyWindow", "doomed = new_window()", {"script", "doomed"}},
        {"XPLMDisplay", "XPLMGetWindowGeometry", "", {"window", "[]", "[]", "[]", "[]"}},
        {"XPLMDisplay", "XPLMSetWindowGeometry", "", {"window", "10", "300", "300", "10"}},
        {"XPLMDisplay", "XPLMGetWindowIsVisible", "", {"window"}},
        {"XPLMDisplay", "XPLMSetWindowIsVisible", "", {"window", "1"}},
        {"XPLMDisplay", "XPLMGetWindowRefCon", "", {"window"}},
        {"XPLMDisplay", "XPLMSetWindowRefCon", "", {"window", "0"}},
        {"XPLMDisplay", "XPLMTakeKeyboardFocus", "", {"window"}},
        {"XPLMDisplay", "XPLMBringWindowToFront", "", {"window"}},
        {"XPLMDisplay", "XPLMIsWindowInFront", "", {"window"}},
        {"XPLMDisplay", "XPLMCreateWindowEx", "",
         {"script", "[10, 300, 300, 10, 1, cb, cb, cb, cb, cb, 0, xplm_WindowDecorationRoundRectangle, "
                    "xplm_WindowLayerFloatingWindows, cb]"}},
        {"XPLMDisplay", "XPLMGetScreenBoundsGlobal", "", {"[]", "[]", "[]", "[]"}},
        {"XPLMDisplay", "XPLMGetAllMonitorBoundsGlobal", "", {"cb", "0"}},
        {"XPLMDisplay", "XPLMGetAllMonitorBoundsOS", "", {"cb", "0"}},
        {"XPLMDisplay", "XPLMGetMouseLocationGlobal", "", {"[]", "[]"}},
        {"XPLMDisplay", "XPLMGetWindowGeometryOS", "modern = new_modern()", {"modern", "[]", "[]", "[]", "[]"}},
        {"XPLMDisplay", "XPLMSetWindowGeometryOS", "modern = new_modern()", {"modern", "10", "300", "300", "10"}},
        {"XPLMDisplay", "XPLMGetWindowGeometryVR", "modern = new_modern()", {"modern", "[]", "[]"}},
        {"XPLMDisplay", "XPLMSetWindowGeometryVR", "modern = new_modern()", {"modern", "290", "290"}},
        {"XPLMDisplay", "XPLMWindowIsPoppedOut", "modern = new_modern()", {"modern"}},
        {"XPLMDisplay", "XPLMWindowIsInVR", "modern = new_modern()", {"modern"}},
        {"XPLMDisplay", "XPLMSetWindowGravity", "modern = new_modern()", {"modern", "0.0", "1.0", "1.0", "1.0"}},
        {"XPLMDisplay", "XPLMSetWindowResizingLimits", "modern = new_modern()", {"modern", "100", "100", "600", "600"}},
        {"XPLMDisplay", "XPLMSetWindowPositioningMode", "modern = new_modern()",
         {"modern", "xplm_WindowCenterOnMonitor", "-1"}},
        {"XPLMDisplay", "XPLMSetWindowTitle", "modern = new_modern()", {"modern", "'Sweep'"}},
        {"XPLMDisplay", "XPLMHasKeyboardFocus", "", {"window"}},
        {"XPLMDisplay", "XPLMRegisterHotKey", "", {"script", "XPLM_VK_F5", "0", "'Sweep'", "cb", "0"}},
        {"XPLMDisplay", "XPLMRegisterAvionicsCallbacksEx", "",
         {"script", "{'deviceId': xplm_device_GNS430_1, 'drawCallbackBefore': cb, 'drawCallbackAfter': cb, "
                    "'refcon': 0}"}},
        {"XPLMDisplay", "XPLMUnregisterAvionicsCallbacks", "avionics = XPLMRegisterAvionicsCallbacksEx(script, (0, cb))",
         {"script", "avionics"}},
        // ---- XPLMMap ----
        {"XPLMMap", "XPLMCreateMapLayer", "",
         {"script", "{'mapToCreateLayerIn': XPLM_MAP_USER_INTERFACE, 'layerType': xplm_MapLayer_Fill, "
                    "'willBeDeletedCallback': cb, 'prepCacheCallback': cb, 'drawCallback': cb, 'iconCallback': cb, "
                    "'labelCallback': cb, 'showUiToggle': 1, 'layerName': 'Sweep', 'refcon': 0}"}},
        {"XPLMMap", "XPLMDestroyMapLayer", "layer = new_layer()", {"script", "layer"}},
        {"XPLMMap", "XPLMRegisterMapCreationHook", "", {"script", "cb", "0"}},
        {"XPLMMap", "XPLMMapExists", "", {"XPLM_MAP_USER_INTERFACE"}},
        {"XPLMMap", "XPLMDrawMapIconFromSheet", "layer = new_layer()",
         {"layer", "'Resources/icons.png'", "0", "0", "2", "2", "100.0", "200.0", "xplm_MapOrientation_Map", "0.0",
          "500.0"}},
        {"XPLMMap", "XPLMDrawMapLabel", "layer = new_layer()",
         {"layer", "'Sweep'", "100.0", "200.0", "xplm_MapOrientation_UI", "0.0"}},
        {"XPLMMap", "XPLMMapProject", "", {"0", "47.5", "-122.3"}},
        {"XPLMMap", "XPLMMapUnproject", "", {"0", "100.0", "200.0"}},
        {"XPLMMap", "XPLMMapScaleMeter", "", {"0", "100.0", "200.0"}},
        {"XPLMMap", "XPLMMapGetNorthHeading", "", {"0", "100.0", "200.0"}},
        {"XPLMDisplay", "XPLMUnregisterHotKey", "doomed = new_hotkey()", {"script", "doomed"}},
        {"XPLMDisplay", "XPLMCountHotKeys", "", {}},
        {"XPLMDisplay", "XPLMGetNthHotKey", "new_hotkey()", {"0"}},
        {"XPLMDisplay", "XPLMGetHotKeyInfo", "hotkey = new_hotkey()", {"hotkey", "[]", "[]", "[]", "[]"}},
        {"XPLMDisplay", "XPLMSetHotKeyCombination", "hotkey = new_hotkey()", {"hotkey", "XPLM_VK_F6", "0"}},

        // ---- XPLMGraphics ----
        {"XPLMGraphics", "XPLMSetGraphicsState", "", {"0", "1", "0", "0", "1", "0", "0"}},
        {"XPLMGraphics", "XPLMBindTexture2d", "", {"1", "0"}},
        {"XPLMGraphics", "XPLMGenerateTextureNumbers", "", {"[]", "2"}},
        {"XPLMGraphics", "XPLMGetTexture", "", {"xplm_Tex_GeneralInterface"}},
        {"XPLMGraphics", "XPLMWorldToLocal", "", {"47.4647", "-122.3088", "131.0"}},
        {"XPLMGraphics", "XPLMLocalToWorld", "", {"0.0", "131.0", "0.0"}},
        {"XPLMGraphics", "XPLMDrawTranslucentDarkBox", "", {"10", "300", "300", "10"}},
        {"XPLMGraphics", "XPLMDrawString", "", {"(1.0, 1.0, 1.0)", "20", "20", "'Sweep'", "0", "xplmFont_Basic"}},
        {"XPLMGraphics", "XPLMDrawNumber", "",
         {"(1.0, 1.0, 1.0)", "20", "20", "3.25", "3", "2", "1", "xplmFont_Basic"}},
        {"XPLMGraphics", "XPLMGetFontDimensions", "", {"xplmFont_Basic", "[]", "[]", "[]"}},
        {"XPLMGraphics", "XPLMMeasureString", "", {"xplmFont_Basic", "'Sweep'", "5"}},

        // ---- XPLMMenus ----
        {"XPLMMenus", "XPLMFindPluginsMenu", "", {}},
        {"XPLMMenus", "XPLMCreateMenu", "", {"script", "'Sweep'", "plugins_menu", "new_item()", "cb", "0"}},
        {"XPLMMenus", "XPLMDestroyMenu", "doomed = new_menu()", {"script", "doomed"}},
        {"XPLMMenus", "XPLMClearAllMenuItems", "doomed = new_menu()", {"doomed"}},
        {"XPLMMenus", "XPLMAppendMenuItem", "", {"menu", "'Item'", "0", "1"}},
        {"XPLMMenus", "XPLMAppendMenuSeparator", "", {"menu"}},
        {"XPLMMenus", "XPLMRemoveMenuItem", "doomed = XPLMAppendMenuItem(menu, 'Doomed', 0, 1)", {"menu", "doomed"}},
        {"XPLMMenus", "XPLMSetMenuItemName", "", {"menu", "0", "'Renamed'", "1"}},
        {"XPLMMenus", "XPLMCheckMenuItem", "", {"menu", "0", "xplm_Menu_Checked"}},
        {"XPLMMenus", "XPLMCheckMenuItemState", "", {"menu", "0"}},
        {"XPLMMenus", "XPLMEnableMenuItem", "", {"menu", "0", "1"}},
        {"XPLMMenus", "XPLMAppendMenuItemWithCommand", "pause = XPLMFindCommand('sim/operation/pause_toggle')",
         {"menu", "'Pause'", "pause"}},
        {"XPLMMenus", "XPLMFindAircraftMenu", "", {}},

        // ---- XPLMNavigation ----
        {"XPLMNavigation", "XPLMGetFirstNavAid", "", {}},
        {"XPLMNavigation", "XPLMGetNextNavAid", "first = XPLMGetFirstNavAid()", {"first"}},
        {"XPLMNavigation", "XPLMFindFirstNavAidOfType", "", {"xplm_Nav_VOR"}},
        {"XPLMNavigation", "XPLMFindLastNavAidOfType", "", {"xplm_Nav_NDB"}},
        {"XPLMNavigation", "XPLMFindNavAid", "", {"None", "'SEA'", "47.4", "-122.3", "None", "xplm_Nav_VOR"}},
        {"XPLMNavigation", "XPLMGetNavAidInfo", "vor = XPLMFindFirstNavAidOfType(xplm_Nav_VOR)",
         {"vor", "[]", "[]", "[]", "[]", "[]", "[]", "[]", "[]", "[]"}},
        {"XPLMNavigation", "XPLMCountFMSEntries", "", {}},
        {"XPLMNavigation", "XPLMGetDisplayedFMSEntry", "", {}},
        {"XPLMNavigation", "XPLMGetDestinationFMSEntry", "", {}},
        {"XPLMNavigation", "XPLMSetDisplayedFMSEntry", "", {"0"}},
        {"XPLMNavigation", "XPLMSetDestinationFMSEntry", "", {"0"}},
        {"XPLMNavigation", "XPLMGetFMSEntryInfo", "XPLMSetFMSEntryLatLon(0, 47.5, -122.3, 3000)",
         {"0", "[]", "[]", "[]", "[]", "[]", "[]"}},
        {"XPLMNavigation", "XPLMSetFMSEntryInfo", "vor = XPLMFindFirstNavAidOfType(xplm_Nav_VOR)",
         {"0", "vor", "5000"}},
        {"XPLMNavigation", "XPLMSetFMSEntryLatLon", "", {"0", "47.5", "-122.3", "3000"}},
        {"XPLMNavigation", "XPLMClearFMSEntry", "XPLMSetFMSEntryLatLon(0, 47.5, -122.3, 3000)", {"0"}},
        {"XPLMNavigation", "XPLMGetGPSDestinationType", "", {}},
        {"XPLMNavigation", "XPLMGetGPSDestination", "", {}},

        // ---- XPLMCamera ----
        {"XPLMCamera", "XPLMControlCamera", "", {"script", "xplm_ControlCameraUntilViewChanges", "cb", "0"}},
        {"XPLMCamera", "XPLMDontControlCamera", "XPLMControlCamera(script, xplm_ControlCameraForever, cb, 0)", {"script"}},
        {"XPLMCamera", "XPLMIsCameraBeingControlled", "", {}},
        {"XPLMCamera", "XPLMReadCameraPosition", "", {"[]"}},
        // ---- XPLMPlanes ----
        {"XPLMPlanes", "XPLMSetUsersAircraft", "", {"'Aircraft/C172.acf'"}},
        {"XPLMPlanes", "XPLMPlaceUserAtAirport", "", {"'KSEA'"}},
        {"XPLMPlanes", "XPLMPlaceUserAtLocation", "", {"47.5", "-122.3", "1000.0", "90.0", "50.0"}},
        {"XPLMPlanes", "XPLMCountAircraft", "", {}},
        {"XPLMPlanes", "XPLMGetNthAircraftModel", "", {"0"}},
        {"XPLMPlanes", "XPLMAcquirePlanes", "", {"script", "['', 'Aircraft/C172.acf']", "cb", "0"}},
        {"XPLMPlanes", "XPLMReleasePlanes", "XPLMAcquirePlanes(script, None, cb, 0)", {"script"}},
        {"XPLMPlanes", "XPLMSetActiveAircraftCount", "", {"2"}},
        {"XPLMPlanes", "XPLMSetAircraftModel", "", {"1", "'Aircraft/C172.acf'"}},
        {"XPLMPlanes", "XPLMDisableAIForPlane", "", {"1"}},
        {"XPLMPlanes", "XPLMDrawAircraft", "",
         {"1", "0.0", "10.0", "0.0", "0.0", "0.0", "90.0", "1", "[44, 1.0, 0.5, 0.0, 0.0, 0.0, 0.0, 0.8, 0.0, 0.0, 0.0]"}},
        {"XPLMPlanes", "XPLMReinitUsersPlane", "", {}},
        // ---- XPLMPlugin ----
        {"XPLMPlugin", "XPLMGetMyID", "", {}},
        {"XPLMPlugin", "XPLMCountPlugins", "", {}},
        {"XPLMPlugin", "XPLMGetNthPlugin", "", {"0"}},
        {"XPLMPlugin", "XPLMFindPluginByPath", "", {"'/nowhere/lin.xpl'"}},
        {"XPLMPlugin", "XPLMFindPluginBySignature", "", {"'bm.sweep'"}},
        {"XPLMPlugin", "XPLMGetPluginInfo", "", {"XPLMGetMyID()", "[]", "[]", "None", "['old']"}},
        {"XPLMPlugin", "XPLMIsPluginEnabled", "", {"XPLMGetMyID()"}},
        {"XPLMPlugin", "XPLMEnablePlugin", "", {"XPLMGetMyID()"}},
        {"XPLMPlugin", "XPLMDisablePlugin", "", {"12345"}},
        {"XPLMPlugin", "XPLMReloadPlugins", "", {}},
        {"XPLMPlugin", "XPLMSendMessageToPlugin", "", {"12345", "0x12345", "'text'"}},
        {"XPLMPlugin", "XPLMHasFeature", "", {"'XPLM_USE_NATIVE_PATHS'"}},
        {"XPLMPlugin", "XPLMIsFeatureEnabled", "", {"'XPLM_USE_NATIVE_PATHS'"}},
        {"XPLMPlugin", "XPLMEnableFeature", "", {"'XPLM_WANTS_REFLECTIONS'", "1"}},
        {"XPLMPlugin", "XPLMEnumerateFeatures", "", {"cb", "0"}},
        // ---- XPLMUtilities ----
        {"XPLMUtilities", "XPLMSpeakString", "", {"'Sweep'"}},
        {"XPLMUtilities", "XPLMCommandKeyStroke", "", {"xplm_key_pause"}},
        {"XPLMUtilities", "XPLMCommandButtonPress", "", {"xplm_joy_gear_tog"}},
        {"XPLMUtilities", "XPLMCommandButtonRelease", "", {"xplm_joy_gear_tog"}},
        {"XPLMUtilities", "XPLMGetVirtualKeyDescription", "", {"XPLM_VK_F1"}},
        {"XPLMUtilities", "XPLMReloadScenery", "", {}},
        {"XPLMUtilities", "XPLMGetSystemPath", "", {}},
        {"XPLMUtilities", "XPLMGetPrefsPath", "", {}},
        {"XPLMUtilities", "XPLMGetDirectorySeparator", "", {}},
        {"XPLMUtilities", "XPLMExtractFileAndPath", "", {"'/a/b/c.txt'"}},
        {"XPLMUtilities", "XPLMGetDirectoryContents", "",
         {"'/'", "0", "[]", "1024", "[]", "16", "[]", "[]"}},
        {"XPLMUtilities", "XPLMInitialized", "", {}},
        {"XPLMUtilities", "XPLMGetVersions", "", {}},
        {"XPLMUtilities", "XPLMGetLanguage", "", {}},
        {"XPLMUtilities", "XPLMDebugString", "", {"'Sweep\\n'"}},
        {"XPLMUtilities", "XPLMFindCommand", "", {"'sim/lights/landing_lights_toggle'"}},
        {"XPLMUtilities", "XPLMCommandBegin", "command = XPLMCreateCommand('bm/sweep/command', 'Sweep')", {"command"}},
        {"XPLMUtilities", "XPLMCommandEnd", "command = XPLMCreateCommand('bm/sweep/command', 'Sweep')", {"command"}},
        {"XPLMUtilities", "XPLMCommandOnce", "command = XPLMCreateCommand('bm/sweep/command', 'Sweep')", {"command"}},
        {"XPLMUtilities", "XPLMCreateCommand", "", {"'bm/sweep/created'", "'Sweep'"}},
        {"XPLMUtilities", "XPLMRegisterCommandHandler", "command = XPLMCreateCommand('bm/sweep/command', 'Sweep')",
         {"script", "command", "cb", "1", "0"}},
        {"XPLMUtilities", "XPLMUnregisterCommandHandler",
         "command = XPLMCreateCommand('bm/sweep/command', 'Sweep')\nXPLMRegisterCommandHandler(script, command, cb, 1, 0)",
         {"script", "command", "cb", "1", "0"}},
        {"XPLMUtilities", "XPLMLoadDataFile", "", {"xplm_DataFile_ReplayMovie", "None"}},
        {"XPLMUtilities", "XPLMSaveDataFile", "", {"xplm_DataFile_Situation", "'sweep.sit'"}},
        {"XPLMUtilities", "XPLMSetErrorCallback", "", {"script", "cb"}},
        {"XPLMUtilities", "XPLMSimulateKeyPress", "", {"0", "XPLM_VK_F1"}},
        // ---- XPLMScenery ----
        {"XPLMScenery", "XPLMCreateProbe", "", {"script", "xplm_ProbeY"}},
        {"XPLMScenery", "XPLMDestroyProbe", "", {"script", "probe"}},
        {"XPLMScenery", "XPLMProbeTerrainXYZ", "", {"probe", "1.0", "2.0", "3.0"}},
        {"XPLMScenery", "XPLMGetMagneticVariation", "", {"47.5", "-122.3"}},
        {"XPLMScenery", "XPLMDegTrueToDegMagnetic", "", {"90.0"}},
        {"XPLMScenery", "XPLMDegMagneticToDegTrue", "", {"90.0"}},
        {"XPLMScenery", "XPLMLoadObject", "", {"script", "'sweep.obj'"}},
        {"XPLMScenery", "XPLMLoadObjectAsync", "", {"script", "'sweep.obj'", "cb", "0"}},
        {"XPLMScenery", "XPLMDrawObjects", "", {"obj", "1", "[(1.0, 2.0, 3.0)]", "0", "1"}},
        {"XPLMScenery", "XPLMUnloadObject", "", {"script", "obj"}},
        {"XPLMScenery", "XPLMLookupObjects", "", {"'lib/sweep.obj'", "0.0", "0.0", "cb", "0"}},
        // ---- XPLMInstance ----
        {"XPLMInstance", "XPLMCreateInstance", "", {"script", "obj", "['sim/a']"}},
        {"XPLMInstance", "XPLMDestroyInstance", "", {"script", "instance"}},
        {"XPLMInstance", "XPLMInstanceSetPosition", "", {"instance", "(1.0, 2.0, 3.0, 0.0, 90.0, 0.0)", "[0.5]"}},
        // ---- XPLMProcessing ----
        {"XPLMProcessing", "XPLMGetElapsedTime", "", {}},
        {"XPLMProcessing", "XPLMGetCycleNumber", "", {}},
        {"XPLMProcessing", "XPLMRegisterFlightLoopCallback", "", {"script", "cb", "1.0", "0"}},
        {"XPLMProcessing", "XPLMUnregisterFlightLoopCallback", "XPLMRegisterFlightLoopCallback(script, cb, 1.0, 0)",
         {"script", "cb", "0"}},
        {"XPLMProcessing", "XPLMSetFlightLoopCallbackInterval", "XPLMRegisterFlightLoopCallback(script, cb, 1.0, 0)",
         {"cb", "2.0", "1", "0"}},
        {"XPLMProcessing", "XPLMCreateFlightLoop", "", {"script", "{'phase': 0, 'callbackFunc': cb, 'refcon': 3}"}},
        {"XPLMProcessing", "XPLMDestroyFlightLoop", "loop = XPLMCreateFlightLoop(script, (1, cb))", {"script", "loop"}},
        {"XPLMProcessing", "XPLMScheduleFlightLoop", "loop = XPLMCreateFlightLoop(script, (1, cb))", {"loop", "-1.0", "1"}},

        // ---- XPLMWeather ----
        {"XPLMWeather", "XPLMGetMETARForAirport", "", {"'KSEA'"}},
        {"XPLMWeather", "XPLMGetWeatherAtLocation", "", {"47.45", "-122.31", "1000.0", "[]"}},
        // ---- XPLMSound ----
        {"XPLMSound", "XPLMPlayPCMOnBus", "",
         {"script", "pcm", "len(pcm)", "FMOD_SOUND_FORMAT_PCM16", "8000", "1", "0", "xplm_AudioUI", "cb", "0"}},
        {"XPLMSound", "XPLMStopAudio", "sound = new_sound()", {"sound"}},
        {"XPLMSound", "XPLMSetAudioPosition", "sound = new_sound()", {"sound", "(1.0, 2.0, 3.0)", "{'x': 0, 'y': 0, 'z': 0}"}},
        {"XPLMSound", "XPLMSetAudioFadeDistance", "sound = new_sound()", {"sound", "2.0", "100.0"}},
        {"XPLMSound", "XPLMSetAudioVolume", "sound = new_sound()", {"sound", "0.5"}},
        {"XPLMSound", "XPLMSetAudioPitch", "sound = new_sound()", {"sound", "16000.0"}},
        {"XPLMSound", "XPLMSetAudioCone", "sound = new_sound()", {"sound", "90.0", "180.0", "0.5", "(0.0, 0.0, -1.0)"}},
        // ---- TallowbridgeUtilities ----
        // ---- XPWidgetDefs: the records are read inside a callback that is handed one ----
        {"XPWidgetDefs", "BM_GetMouseState", "", {"0"}},
        {"XPWidgetDefs", "BM_GetKeyState", "", {"0"}},
        {"XPWidgetDefs", "BM_GetWidgetGeometryChange", "", {"0"}},
        // ---- XPWidgets ----
        {"XPWidgets", "XPCreateWidget", "", {"10", "300", "300", "10", "1", "'Sweep'", "1", "0", "xpWidgetClass_MainWindow"}},
        {"XPWidgets", "XPCreateCustomWidget", "", {"script", "10", "300", "300", "10", "1", "'Sweep'", "1", "0", "cb"}},
        {"XPWidgets", "XPDestroyWidget", "doomed = new_widget()", {"script", "doomed", "1"}},
        {"XPWidgets", "XPSendMessageToWidget", "", {"widget", "xpMsg_UserStart", "xpMode_UpChain", "1", "2"}},
        {"XPWidgets", "XPPlaceWidgetWithin", "", {"child", "widget"}},
        {"XPWidgets", "XPCountChildWidgets", "", {"widget"}},
        {"XPWidgets", "XPGetNthChildWidget", "", {"widget", "0"}},
        {"XPWidgets", "XPGetParentWidget", "", {"child"}},
        {"XPWidgets", "XPShowWidget", "", {"widget"}},
        {"XPWidgets", "XPHideWidget", "", {"child"}},
        {"XPWidgets", "XPIsWidgetVisible", "", {"widget"}},
        {"XPWidgets", "XPFindRootWidget", "", {"child"}},
        {"XPWidgets", "XPBringRootWidgetToFront", "", {"widget"}},
        {"XPWidgets", "XPIsWidgetInFront", "", {"widget"}},
        {"XPWidgets", "XPGetWidgetGeometry", "", {"widget", "[]", "[]", "None", "[]"}},
        {"XPWidgets", "XPSetWidgetGeometry", "", {"widget", "10", "310", "300", "10"}},
        {"XPWidgets", "XPGetWidgetForLocation", "", {"widget", "30", "280", "1", "1"}},
        {"XPWidgets", "XPGetWidgetExposedGeometry", "", {"child", "[]", "[]", "[]", "[]"}},
        {"XPWidgets", "XPSetWidgetDescriptor", "", {"widget", "'Renamed'"}},
        {"XPWidgets", "XPGetWidgetDescriptor", "", {"widget", "[]", "100"}},
        {"XPWidgets", "XPSetWidgetProperty", "", {"widget", "xpProperty_UserStart", "5"}},
        {"XPWidgets", "XPGetWidgetProperty", "", {"widget", "xpProperty_UserStart", "[]"}},
        {"XPWidgets", "XPSetKeyboardFocus", "", {"widget"}},
        {"XPWidgets", "XPLoseKeyboardFocus", "", {"widget"}},
        {"XPWidgets", "XPGetWidgetWithFocus", "", {}},
        {"XPWidgets", "XPGetWidgetUnderlyingWindow", "", {"widget"}},
        {"XPWidgets", "XPAddWidgetCallback", "", {"script", "widget", "cb"}},
        {"XPWidgets", "XPGetWidgetClassFunc", "", {"xpWidgetClass_Button"}},
        {"XPWidgets", "SetWidgetObject", "", {"script", "widget", "'object'"}},
        {"XPWidgets", "GetWidgetObject", "", {"script", "widget"}},
        // ---- XPUIGraphics ----
        {"XPUIGraphics", "XPDrawWindow", "", {"10", "10", "300", "200", "xpWindow_MainWindow"}},
        {"XPUIGraphics", "XPGetWindowDefaultDimensions", "", {"xpWindow_MainWindow", "[]", "[]"}},
        {"XPUIGraphics", "XPDrawElement", "", {"10", "10", "100", "30", "xpElement_PushButton", "1"}},
        {"XPUIGraphics", "XPGetElementDefaultDimensions", "", {"xpElement_CheckBox", "[]", "[]", "[]"}},
        {"XPUIGraphics", "XPDrawTrack", "", {"10", "10", "30", "200", "0", "10", "5", "xpTrack_ScrollBar", "0"}},
        {"XPUIGraphics", "XPGetTrackDefaultDimensions", "", {"xpTrack_Slider"}},
        {"XPUIGraphics", "XPGetTrackMetrics", "", {"10", "10", "30", "200", "0", "10", "5", "xpTrack_ScrollBar"}},
        // ---- XPWidgetUtils ----
        {"XPWidgetUtils", "XPUCreateWidgets", "",
         {"[[10, 300, 300, 10, 1, 'Sweep', 1, NO_PARENT, xpWidgetClass_MainWindow], "
          "[20, 290, 100, 270, 1, 'In', 0, 0, xpWidgetClass_Caption]]", "2", "0", "[]"}},
        {"XPWidgetUtils", "XPUMoveWidgetBy", "", {"widget", "5", "-5"}},
        {"XPWidgetUtils", "XPUFixedLayout", "", {"xpMsg_Paint", "widget", "0", "0"}},
        {"XPWidgetUtils", "XPUSelectIfNeeded", "", {"xpMsg_Paint", "widget", "0", "0", "0"}},
        {"XPWidgetUtils", "XPUDefocusKeyboard", "", {"xpMsg_Paint", "widget", "0", "0", "0"}},
        {"XPWidgetUtils", "XPUDragWidget", "", {"xpMsg_Paint", "widget", "0", "0", "10", "300", "300", "280"}},
        {"TallowbridgeUtilities", "TallowbridgeDisplay", "", {"'Sweep'"}},
        {"TallowbridgeUtilities", "TallowbridgeClearDisplay", "", {}},
        {"TallowbridgeUtilities", "TallowbridgePrint", "", {"'Sweep'"}},
        {"TallowbridgeUtilities", "TallowbridgeClearPrint", "", {}},
        {"TallowbridgeUtilities", "PrintStdout", "", {"'Sweep out\\n'"}},
        {"TallowbridgeUtilities", "PrintStderr", "", {"'Sweep err\\n'"}},
        // ---- PythonScriptMessaging ----
        {"PythonScriptMessaging", "BM_CountScripts", "", {}},
        {"PythonScriptMessaging", "BM_GetNthScript", "", {"0"}},
        {"PythonScriptMessaging", "BM_FindScriptBySignature", "", {"'bm.sweep'"}},
        {"PythonScriptMessaging", "BM_GetScriptInfo", "", {"script"}},
        {"PythonScriptMessaging", "BM_IsScriptEnabled", "", {"script"}},
        {"PythonScriptMessaging", "BM_EnableScript", "", {"script"}},
        {"PythonScriptMessaging", "BM_DisableScript", "", {"object()"}},
        {"PythonScriptMessaging", "BM_SendMessageToScript", "", {"script", "None", "7", "8"}},
        {"PythonScriptMessaging", "BM_ReloadScript", "", {"'BM_Sweep'"}},
        // ---- TallowbridgeVCUtilities ----
        {"TallowbridgeVCUtilities", "VC_CameraPluginReady", "", {}},
        {"TallowbridgeVCUtilities", "VC_AcquireCamera", "", {}},
        {"TallowbridgeVCUtilities", "VC_ReleaseCamera", "", {}},
        {"TallowbridgeVCUtilities", "VC_SetCamera", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetCameraIndex", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetCameraTypeIndex", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetXOffset", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetYOffset", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetZOffset", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetHeadingOffset", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetPitchOffset", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetRollOffset", "", {}},
        {"TallowbridgeVCUtilities", "VC_GetZoomRatio", "", {}},
        {"TallowbridgeVCUtilities", "VC_SetCameraIndex", "", {"2"}},
        {"TallowbridgeVCUtilities", "VC_SetCameraTypeIndex", "", {"1"}},
        {"TallowbridgeVCUtilities", "VC_SetXOffset", "", {"0.1"}},
        {"TallowbridgeVCUtilities", "VC_SetYOffset", "", {"0.2"}},
        {"TallowbridgeVCUtilities", "VC_SetZOffset", "", {"0.3"}},
        {"TallowbridgeVCUtilities", "VC_SetHeadingOffset", "", {"10.0"}},
        {"TallowbridgeVCUtilities", "VC_SetPitchOffset", "", {"5.0"}},
        {"TallowbridgeVCUtilities", "VC_SetRollOffset", "", {"1.0"}},
        {"TallowbridgeVCUtilities", "VC_SetZoomRatio", "", {"2.0"}},
        {"TallowbridgeVCUtilities", "VC_GetLookAtAircraft", "", {}},
        {"TallowbridgeVCUtilities", "VC_SetLookAtAircraft", "", {"1"}},
    };
    return calls;
}

const PlausibleCall* FindPlausibleCall(const std::string& function) {
    for (const PlausibleCall& call : PlausibleCalls())
        if (call.function == function) return &call;
    return nullptr;
}

}  // namespace bmtest::sweep
