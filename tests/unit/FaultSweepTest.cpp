// A failure inside the simulator, for every simulator function that the modules call: the
// function throws once (bmhost::FailNextCall) while the module function that calls it runs with
// plausible arguments. The module function must report the failure once, as
// "Module - <module>, Function - <function>, Error = <error word>", in BrindlemoorLog.txt and in
// the print console, return its fallback, and leave no Python error pending.
//
// The table below is kept honest twice over: every function in the modules' dictionaries must
// have a row or be listed in kCallsNoSdkFunction, and the plausible call of each function is
// watched (bmhost::SetSdkCallListener) so that every simulator function it really calls has a
// row, and every listed function really calls none.
//
// Each row runs in a child process of its own, so that a crash is a finding and every row starts
// from the same print console (whose pending text stops taking lines once it is full).
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "ModuleCalls.h"
#include "PythonSupport.h"
#include "SweepSupport.h"
#include "WidgetStuff.h"
#include "bmhost/Control.h"

namespace {

using namespace bmtest::sweep;
using bmtest::Count;

const char kParameterError[] = "Parameter Error";
const char kFunctionError[] = "Function Error";
const char* const kWriteAnswer = BM_PY3 ? "10" : "None";

struct FaultRow {
    std::string function;
    std::string sdk;       // the simulator function that fails
    int nth;               // which of its calls fails: 1 for the first
    std::string fallback;  // repr of the result; for a row without report, of the usual result
    std::string error;     // the report's error word; "" when the module absorbs the failure unreported
    std::string variant = "";            // "" for the plausible call, else what differs
    std::string setup = "";              // a variant's own setup, replacing the plausible call's
    std::vector<std::string> args = {};  // a variant's own arguments, when not empty
};

// The fallbacks: 0 for almost every function (success answers 1 or the simulator's value), None
// for a data ref not found, 0.0 for the clock, three zeros for the coordinate conversions, -1 and
// (-1,) for the navigation functions that answer refs, counts and lists.
const std::vector<FaultRow> kFaultRows = {
    // ---- XPLMDataAccess ----
    {"XPLMFindDataRef", "XPLMFindDataRef", 1, "None", kParameterError},
    {"XPLMCanWriteDataRef", "XPLMCanWriteDataRef", 1, "0", kParameterError},
    {"XPLMGetDataRefTypes", "XPLMGetDataRefTypes", 1, "0", kParameterError},
    {"XPLMGetDatai", "XPLMGetDatai", 1, "0", kParameterError},
    {"XPLMSetDatai", "XPLMSetDatai", 1, "0", kParameterError},
    {"XPLMGetDataf", "XPLMGetDataf", 1, "0", kParameterError},
    {"XPLMSetDataf", "XPLMSetDataf", 1, "0", kParameterError},
    {"XPLMGetDatad", "XPLMGetDatad", 1, "0", kParameterError},
    {"XPLMSetDatad", "XPLMSetDatad", 1, "0", kParameterError},
    // Array and byte reads ask for the length first, then for the elements.
    {"XPLMGetDatavi", "XPLMGetDatavi", 1, "0", kParameterError},
    {"XPLMGetDatavi", "XPLMGetDatavi", 2, "0", kParameterError},
    {"XPLMGetDatavi", "XPLMGetDatavi", 1, "0", kParameterError, "the length only", "", {"ref_vi", "None", "0", "8"}},
    {"XPLMSetDatavi", "XPLMSetDatavi", 1, "0", kParameterError},
    {"XPLMGetDatavf", "XPLMGetDatavf", 1, "0", kParameterError},
    {"XPLMGetDatavf", "XPLMGetDatavf", 2, "0", kParameterError},
    {"XPLMGetDatavf", "XPLMGetDatavf", 1, "0", kParameterError, "the length only", "", {"ref_vf", "None", "0", "8"}},
    {"XPLMSetDatavf", "XPLMSetDatavf", 1, "0", kParameterError},
    {"XPLMGetDatab", "XPLMGetDatab", 1, "0", kParameterError},
    {"XPLMGetDatab", "XPLMGetDatab", 2, "0", kParameterError},
    {"XPLMGetDatab", "XPLMGetDatab", 1, "0", kParameterError, "the length only", "", {"ref_b", "None", "0", "40"}},
    {"XPLMSetDatab", "XPLMSetDatab", 1, "0", kParameterError},
    {"XPLMRegisterDataAccessor", "XPLMRegisterDataAccessor", 1, "0", kParameterError},
    {"XPLMUnregisterDataAccessor", "XPLMUnregisterDataAccessor", 1, "0", kParameterError},
    {"XPLMShareData", "XPLMShareData", 1, "0", kParameterError},
    {"XPLMUnshareData", "XPLMUnshareData", 1, "0", kParameterError},
    {"XPLMUnshareData", "XPLMUnshareData", 1, "0", kParameterError, "another share of the script remains",
     "XPLMShareData(script, 'bm/sweep/shared', xplmType_Int, cb, 0)\n"
     "XPLMShareData(script, 'bm/sweep/other', xplmType_Int, fill, 0)\n"},
    {"XPLMCountDataRefs", "XPLMCountDataRefs", 1, "0", kParameterError},
    {"XPLMGetDataRefsByIndex", "XPLMGetDataRefsByIndex", 1, "0", kParameterError},
    {"XPLMGetDataRefInfo", "XPLMGetDataRefInfo", 1, "None", kParameterError},
    {"XPLMIsDataRefGood", "XPLMIsDataRefGood", 1, "0", kParameterError},

    // ---- XPLMDisplay ----
    {"XPLMRegisterDrawCallback", "XPLMRegisterDrawCallback", 1, "0", kParameterError},
    {"XPLMUnregisterDrawCallback", "XPLMUnregisterDrawCallback", 1, "0", kParameterError},
    {"XPLMUnregisterDrawCallback", "XPLMUnregisterDrawCallback", 1, "0", kParameterError,
     "another draw callback of the script remains",
     "XPLMRegisterDrawCallback(script, cb, xplm_Phase_Window, 0, 0)\n"
     "XPLMRegisterDrawCallback(script, fill, xplm_Phase_Window, 1, 0)\n"},
    {"XPLMRegisterKeySniffer", "XPLMRegisterKeySniffer", 1, "0", kParameterError},
    {"XPLMUnregisterKeySniffer", "XPLMUnregisterKeySniffer", 1, "0", kParameterError},
    {"XPLMUnregisterKeySniffer", "XPLMUnregisterKeySniffer", 1, "0", kParameterError,
     "another key sniffer of the script remains",
     "XPLMRegisterKeySniffer(script, cb, 1, 0)\nXPLMRegisterKeySniffer(script, fill, 0, 0)\n"},
    {"XPLMGetScreenSize", "XPLMGetScreenSize", 1, "0", kParameterError},
    {"XPLMGetMouseLocation", "XPLMGetMouseLocation", 1, "0", kParameterError},
    {"XPLMCreateWindow", "XPLMCreateWindow", 1, "0", kParameterError},
    {"XPLMDestroyWindow", "XPLMDestroyWindow", 1, "0", kParameterError},
    {"XPLMGetWindowGeometry", "XPLMGetWindowGeometry", 1, "0", kParameterError},
    {"XPLMSetWindowGeometry", "XPLMSetWindowGeometry", 1, "0", kParameterError},
    {"XPLMGetWindowIsVisible", "XPLMGetWindowIsVisible", 1, "0", kParameterError},
    {"XPLMSetWindowIsVisible", "XPLMSetWindowIsVisible", 1, "0", kParameterError},
    {"XPLMTakeKeyboardFocus", "XPLMTakeKeyboardFocus", 1, "0", kParameterError},
    {"XPLMBringWindowToFront", "XPLMBringWindowToFront", 1, "0", kParameterError},
    {"XPLMIsWindowInFront", "XPLMIsWindowInFront", 1, "0", kParameterError},
    {"XPLMCreateWindowEx", "XPLMCreateWindowEx", 1, "0", kParameterError},
    {"XPLMRegisterAvionicsCallbacksEx", "XPLMRegisterAvionicsCallbacksEx", 1, "0", kParameterError},
    {"XPLMUnregisterAvionicsCallbacks", "XPLMUnregisterAvionicsCallbacks", 1, "0", kParameterError},
    // ---- XPLMMap ----
    {"XPLMCreateMapLayer", "XPLMCreateMapLayer", 1, "0", kParameterError},
    {"XPLMDestroyMapLayer", "XPLMDestroyMapLayer", 1, "0", kParameterError},
    {"XPLMRegisterMapCreationHook", "XPLMRegisterMapCreationHook", 1, "0", kParameterError},
    {"XPLMMapExists", "XPLMMapExists", 1, "0", kParameterError},
    {"XPLMDrawMapIconFromSheet", "XPLMDrawMapIconFromSheet", 1, "0", kParameterError},
    {"XPLMDrawMapLabel", "XPLMDrawMapLabel", 1, "0", kParameterError},
    {"XPLMMapProject", "XPLMMapProject", 1, "(0.0, 0.0)", kParameterError},
    {"XPLMMapUnproject", "XPLMMapUnproject", 1, "(0.0, 0.0)", kParameterError},
    {"XPLMMapScaleMeter", "XPLMMapScaleMeter", 1, "0.0", kParameterError},
    {"XPLMMapGetNorthHeading", "XPLMMapGetNorthHeading", 1, "0.0", kParameterError},
    {"XPLMGetScreenBoundsGlobal", "XPLMGetScreenBoundsGlobal", 1, "0", kParameterError},
    {"XPLMGetAllMonitorBoundsGlobal", "XPLMGetAllMonitorBoundsGlobal", 1, "0", kParameterError},
    {"XPLMGetAllMonitorBoundsOS", "XPLMGetAllMonitorBoundsOS", 1, "0", kParameterError},
    {"XPLMGetMouseLocationGlobal", "XPLMGetMouseLocationGlobal", 1, "0", kParameterError},
    {"XPLMGetWindowGeometryOS", "XPLMGetWindowGeometryOS", 1, "0", kParameterError},
    {"XPLMSetWindowGeometryOS", "XPLMSetWindowGeometryOS", 1, "0", kParameterError},
    {"XPLMGetWindowGeometryVR", "XPLMGetWindowGeometryVR", 1, "0", kParameterError},
    {"XPLMSetWindowGeometryVR", "XPLMSetWindowGeometryVR", 1, "0", kParameterError},
    {"XPLMWindowIsPoppedOut", "XPLMWindowIsPoppedOut", 1, "0", kParameterError},
    {"XPLMWindowIsInVR", "XPLMWindowIsInVR", 1, "0", kParameterError},
    {"XPLMSetWindowGravity", "XPLMSetWindowGravity", 1, "0", kParameterError},
    {"XPLMSetWindowResizingLimits", "XPLMSetWindowResizingLimits", 1, "0", kParameterError},
    {"XPLMSetWindowPositioningMode", "XPLMSetWindowPositioningMode", 1, "0", kParameterError},
    {"XPLMSetWindowTitle", "XPLMSetWindowTitle", 1, "0", kParameterError},
    {"XPLMHasKeyboardFocus", "XPLMHasKeyboardFocus", 1, "0", kParameterError},
    {"XPLMRegisterHotKey", "XPLMRegisterHotKey", 1, "0", kParameterError},
    {"XPLMUnregisterHotKey", "XPLMUnregisterHotKey", 1, "0", kParameterError},
    {"XPLMUnregisterHotKey", "XPLMUnregisterHotKey", 1, "0", kParameterError, "another hot key of the script remains",
     "kept = new_hotkey()\ndoomed = new_hotkey()\n"},
    {"XPLMCountHotKeys", "XPLMCountHotKeys", 1, "0", kParameterError},
    {"XPLMGetNthHotKey", "XPLMGetNthHotKey", 1, "0", kParameterError},
    {"XPLMGetHotKeyInfo", "XPLMGetHotKeyInfo", 1, "0", kParameterError},
    {"XPLMSetHotKeyCombination", "XPLMSetHotKeyCombination", 1, "0", kParameterError},

    // ---- XPLMGraphics ----
    {"XPLMSetGraphicsState", "XPLMSetGraphicsState", 1, "0", kParameterError},
    {"XPLMBindTexture2d", "XPLMBindTexture2d", 1, "0", kParameterError},
    {"XPLMGenerateTextureNumbers", "XPLMGenerateTextureNumbers", 1, "0", kParameterError},
    {"XPLMGetTexture", "XPLMGetTexture", 1, "0", kParameterError},
    {"XPLMWorldToLocal", "XPLMWorldToLocal", 1, "(0.0, 0.0, 0.0)", kParameterError},
    {"XPLMLocalToWorld", "XPLMLocalToWorld", 1, "(0.0, 0.0, 0.0)", kParameterError},
    {"XPLMDrawTranslucentDarkBox", "XPLMDrawTranslucentDarkBox", 1, "0", kParameterError},
    {"XPLMDrawString", "XPLMDrawString", 1, "0", kParameterError},
    {"XPLMDrawNumber", "XPLMDrawNumber", 1, "0", kParameterError},
    {"XPLMGetFontDimensions", "XPLMGetFontDimensions", 1, "0", kParameterError},
    {"XPLMMeasureString", "XPLMMeasureString", 1, "0.0", kParameterError},

    // ---- XPLMMenus ----
    {"XPLMFindPluginsMenu", "XPLMFindPluginsMenu", 1, "0", kParameterError},
    {"XPLMCreateMenu", "XPLMCreateMenu", 1, "0", kParameterError},
    {"XPLMDestroyMenu", "XPLMDestroyMenu", 1, "0", kParameterError},
    {"XPLMClearAllMenuItems", "XPLMClearAllMenuItems", 1, "0", kParameterError},
    {"XPLMAppendMenuItem", "XPLMAppendMenuItem", 1, "0", kParameterError},
    {"XPLMAppendMenuSeparator", "XPLMAppendMenuSeparator", 1, "0", kParameterError},
    {"XPLMRemoveMenuItem", "XPLMRemoveMenuItem", 1, "0", kParameterError},
    {"XPLMSetMenuItemName", "XPLMSetMenuItemName", 1, "0", kParameterError},
    {"XPLMCheckMenuItem", "XPLMCheckMenuItem", 1, "0", kParameterError},
    {"XPLMCheckMenuItemState", "XPLMCheckMenuItemState", 1, "0", kParameterError},
    {"XPLMEnableMenuItem", "XPLMEnableMenuItem", 1, "0", kParameterError},
    {"XPLMAppendMenuItemWithCommand", "XPLMAppendMenuItemWithCommand", 1, "0", kParameterError},
    {"XPLMFindAircraftMenu", "XPLMFindAircraftMenu", 1, "0", kParameterError},

    // ---- XPLMNavigation ----
    // Refs, counts, indices and types fall back to -1 (not found), the FMS edits to 0, the info
    // lists to (-1,).
    {"XPLMGetFirstNavAid", "XPLMGetFirstNavAid", 1, "-1", kParameterError},
    {"XPLMGetNextNavAid", "XPLMGetNextNavAid", 1, "-1", kParameterError},
    {"XPLMFindFirstNavAidOfType", "XPLMFindFirstNavAidOfType", 1, "-1", kParameterError},
    {"XPLMFindLastNavAidOfType", "XPLMFindLastNavAidOfType", 1, "-1", kParameterError},
    {"XPLMFindNavAid", "XPLMFindNavAid", 1, "-1", kParameterError},
    {"XPLMGetNavAidInfo", "XPLMGetNavAidInfo", 1, "(-1,)", kParameterError},
    {"XPLMCountFMSEntries", "XPLMCountFMSEntries", 1, "-1", kParameterError},
    {"XPLMGetDisplayedFMSEntry", "XPLMGetDisplayedFMSEntry", 1, "-1", kParameterError},
    {"XPLMGetDestinationFMSEntry", "XPLMGetDestinationFMSEntry", 1, "-1", kParameterError},
    {"XPLMSetDisplayedFMSEntry", "XPLMSetDisplayedFMSEntry", 1, "0", kParameterError},
    {"XPLMSetDestinationFMSEntry", "XPLMSetDestinationFMSEntry", 1, "0", kParameterError},
    {"XPLMGetFMSEntryInfo", "XPLMGetFMSEntryInfo", 1, "(-1,)", kParameterError},
    {"XPLMSetFMSEntryInfo", "XPLMSetFMSEntryInfo", 1, "0", kParameterError},
    {"XPLMSetFMSEntryLatLon", "XPLMSetFMSEntryLatLon", 1, "0", kParameterError},
    {"XPLMClearFMSEntry", "XPLMClearFMSEntry", 1, "0", kParameterError},
    {"XPLMGetGPSDestinationType", "XPLMGetGPSDestinationType", 1, "-1", kParameterError},
    {"XPLMGetGPSDestination", "XPLMGetGPSDestination", 1, "-1", kParameterError},

    // ---- XPLMScenery ----
    {"XPLMCreateProbe", "XPLMCreateProbe", 1, "0", kParameterError},
    {"XPLMDestroyProbe", "XPLMDestroyProbe", 1, "0", kParameterError},
    {"XPLMProbeTerrainXYZ", "XPLMProbeTerrainXYZ", 1,
     "XPLMProbeInfo_t(result=1, locationX=0.0, locationY=0.0, locationZ=0.0, normalX=0.0, normalY=0.0, normalZ=0.0, "
     "velocityX=0.0, velocityY=0.0, velocityZ=0.0, is_wet=0)",
     kParameterError},
    {"XPLMGetMagneticVariation", "XPLMGetMagneticVariation", 1, "0.0", kParameterError},
    {"XPLMDegTrueToDegMagnetic", "XPLMDegTrueToDegMagnetic", 1, "0.0", kParameterError},
    {"XPLMDegMagneticToDegTrue", "XPLMDegMagneticToDegTrue", 1, "0.0", kParameterError},
    {"XPLMLoadObject", "XPLMLoadObject", 1, "0", kParameterError},
    {"XPLMLoadObjectAsync", "XPLMLoadObjectAsync", 1, "0", kParameterError},
    {"XPLMDrawObjects", "XPLMDrawObjects", 1, "0", kParameterError},
    {"XPLMUnloadObject", "XPLMUnloadObject", 1, "0", kParameterError},
    {"XPLMLookupObjects", "XPLMLookupObjects", 1, "0", kParameterError},
    // ---- XPLMInstance ----
    {"XPLMCreateInstance", "XPLMCreateInstance", 1, "0", kParameterError},
    {"XPLMDestroyInstance", "XPLMDestroyInstance", 1, "0", kParameterError},
    {"XPLMInstanceSetPosition", "XPLMInstanceSetPosition", 1, "0", kParameterError},

    // ---- XPLMProcessing ----
    {"XPLMGetElapsedTime", "XPLMGetElapsedTime", 1, "0.0", kParameterError},
    {"XPLMGetCycleNumber", "XPLMGetCycleNumber", 1, "0", kParameterError},
    {"XPLMRegisterFlightLoopCallback", "XPLMRegisterFlightLoopCallback", 1, "0", kParameterError},
    // A reload request registers the plug-in's own flight loop, which carries out the queue.
    {"BM_ReloadScript", "XPLMRegisterFlightLoopCallback", 1, "0", kParameterError},
    {"XPLMUnregisterFlightLoopCallback", "XPLMUnregisterFlightLoopCallback", 1, "0", kParameterError},
    {"XPLMUnregisterFlightLoopCallback", "XPLMUnregisterFlightLoopCallback", 1, "0", kParameterError,
     "another flight loop of the script remains",
     "XPLMRegisterFlightLoopCallback(script, cb, 1.0, 0)\nXPLMRegisterFlightLoopCallback(script, fill, 1.0, 0)\n"},
    {"XPLMSetFlightLoopCallbackInterval", "XPLMSetFlightLoopCallbackInterval", 1, "0", kParameterError},
    {"XPLMCreateFlightLoop", "XPLMCreateFlightLoop", 1, "0", kParameterError},
    {"XPLMDestroyFlightLoop", "XPLMDestroyFlightLoop", 1, "0", kParameterError},
    {"XPLMScheduleFlightLoop", "XPLMScheduleFlightLoop", 1, "0", kParameterError},
    // ---- XPLMWeather, XPLMSound ----
    {"XPLMGetMETARForAirport", "XPLMGetMETARForAirport", 1, "''", kParameterError},
    {"XPLMGetWeatherAtLocation", "XPLMGetWeatherAtLocation", 1, "0", kParameterError},
    {"XPLMPlayPCMOnBus", "XPLMPlayPCMOnBus", 1, "0", kParameterError},
    {"XPLMStopAudio", "XPLMStopAudio", 1, "0", kParameterError},
    {"XPLMSetAudioPosition", "XPLMSetAudioPosition", 1, "0", kParameterError},
    {"XPLMSetAudioFadeDistance", "XPLMSetAudioFadeDistance", 1, "0", kParameterError},
    {"XPLMSetAudioVolume", "XPLMSetAudioVolume", 1, "0", kParameterError},
    {"XPLMSetAudioPitch", "XPLMSetAudioPitch", 1, "0", kParameterError},
    {"XPLMSetAudioCone", "XPLMSetAudioCone", 1, "0", kParameterError},

    // ---- XPWidgets ----
    {"XPCreateCustomWidget", "XPCreateCustomWidget", 1, "0", kParameterError},
    // Once the widget exists, the script hears of its creation.
    {"XPCreateCustomWidget", "XPSendMessageToWidget", 1, "0", kParameterError},
    // Destroying with the children asks for them first.
    {"XPDestroyWidget", "XPCountChildWidgets", 1, "0", kParameterError},
    {"XPDestroyWidget", "XPDestroyWidget", 1, "0", kParameterError},
    // The length first, then the text.
    {"XPGetWidgetDescriptor", "XPGetWidgetDescriptor", 1, "(0, '')", kParameterError},
    {"XPGetWidgetDescriptor", "XPGetWidgetDescriptor", 2, "(0, '')", kParameterError},
    {"XPCreateWidget", "XPCreateWidget", 1, "0", kParameterError},
    {"XPSendMessageToWidget", "XPSendMessageToWidget", 1, "0", kParameterError},
    {"XPPlaceWidgetWithin", "XPPlaceWidgetWithin", 1, "0", kParameterError},
    {"XPCountChildWidgets", "XPCountChildWidgets", 1, "0", kParameterError},
    {"XPGetNthChildWidget", "XPGetNthChildWidget", 1, "0", kParameterError},
    {"XPGetParentWidget", "XPGetParentWidget", 1, "0", kParameterError},
    {"XPShowWidget", "XPShowWidget", 1, "0", kParameterError},
    {"XPHideWidget", "XPHideWidget", 1, "0", kParameterError},
    {"XPIsWidgetVisible", "XPIsWidgetVisible", 1, "0", kParameterError},
    {"XPFindRootWidget", "XPFindRootWidget", 1, "0", kParameterError},
    {"XPBringRootWidgetToFront", "XPBringRootWidgetToFront", 1, "0", kParameterError},
    {"XPIsWidgetInFront", "XPIsWidgetInFront", 1, "0", kParameterError},
    {"XPGetWidgetGeometry", "XPGetWidgetGeometry", 1, "0", kParameterError},
    {"XPSetWidgetGeometry", "XPSetWidgetGeometry", 1, "0", kParameterError},
    {"XPGetWidgetForLocation", "XPGetWidgetForLocation", 1, "0", kParameterError},
    {"XPGetWidgetExposedGeometry", "XPGetWidgetExposedGeometry", 1, "0", kParameterError},
    {"XPSetWidgetDescriptor", "XPSetWidgetDescriptor", 1, "0", kParameterError},
    {"XPSetWidgetProperty", "XPSetWidgetProperty", 1, "0", kParameterError},
    {"XPGetWidgetProperty", "XPGetWidgetProperty", 1, "0", kParameterError},
    {"XPSetKeyboardFocus", "XPSetKeyboardFocus", 1, "0", kParameterError},
    {"XPLoseKeyboardFocus", "XPLoseKeyboardFocus", 1, "0", kParameterError},
    {"XPAddWidgetCallback", "XPAddWidgetCallback", 1, "0", kParameterError},
    {"XPGetWidgetWithFocus", "XPGetWidgetWithFocus", 1, "0", kFunctionError},
    {"XPGetWidgetUnderlyingWindow", "XPGetWidgetUnderlyingWindow", 1, "0", kParameterError},
    {"XPGetWidgetClassFunc", "XPGetWidgetClassFunc", 1, "0", kFunctionError},

    // ---- XPUIGraphics ----
    {"XPDrawWindow", "XPDrawWindow", 1, "0", kFunctionError},
    {"XPGetWindowDefaultDimensions", "XPGetWindowDefaultDimensions", 1, "0", kFunctionError},
    {"XPDrawElement", "XPDrawElement", 1, "0", kFunctionError},
    {"XPGetElementDefaultDimensions", "XPGetElementDefaultDimensions", 1, "0", kFunctionError},
    {"XPDrawTrack", "XPDrawTrack", 1, "0", kFunctionError},
    {"XPGetTrackDefaultDimensions", "XPGetTrackDefaultDimensions", 1, "(0, 0)", kFunctionError},
    {"XPGetTrackMetrics", "XPGetTrackMetrics", 1, "0", kFunctionError},

    // ---- XPWidgetUtils ----
    {"XPUCreateWidgets", "XPUCreateWidgets", 1, "(0,)", kParameterError},
    {"XPUMoveWidgetBy", "XPUMoveWidgetBy", 1, "0", kParameterError},
    {"XPUFixedLayout", "XPUFixedLayout", 1, "0", kParameterError},
    {"XPUSelectIfNeeded", "XPUSelectIfNeeded", 1, "0", kParameterError},
    {"XPUDefocusKeyboard", "XPUDefocusKeyboard", 1, "0", kParameterError},
    {"XPUDragWidget", "XPUDragWidget", 1, "0", kParameterError},

    // ---- XPLMCamera ----
    {"XPLMControlCamera", "XPLMControlCamera", 1, "0", kParameterError},
    {"XPLMDontControlCamera", "XPLMDontControlCamera", 1, "0", kFunctionError},
    {"XPLMIsCameraBeingControlled", "XPLMIsCameraBeingControlled", 1, "0", kParameterError},
    {"XPLMReadCameraPosition", "XPLMReadCameraPosition", 1, "(0,)", kParameterError},

    // ---- XPLMPlanes ----
    {"XPLMSetUsersAircraft", "XPLMSetUsersAircraft", 1, "0", kParameterError},
    {"XPLMPlaceUserAtAirport", "XPLMPlaceUserAtAirport", 1, "0", kParameterError},
    {"XPLMPlaceUserAtLocation", "XPLMPlaceUserAtLocation", 1, "0", kParameterError},
    {"XPLMCountAircraft", "XPLMCountAircraft", 1, "(0, 0, 0)", kParameterError},
    {"XPLMGetNthAircraftModel", "XPLMGetNthAircraftModel", 1, "('', '')", kParameterError},
    {"XPLMGetNthAircraftModel", "XPLMGetDirectorySeparator", 1, "('', '')", kParameterError},
    {"XPLMAcquirePlanes", "XPLMAcquirePlanes", 1, "0", kParameterError},
    {"XPLMReleasePlanes", "XPLMReleasePlanes", 1, "0", kParameterError},
    {"XPLMSetActiveAircraftCount", "XPLMSetActiveAircraftCount", 1, "0", kParameterError},
    {"XPLMSetAircraftModel", "XPLMSetAircraftModel", 1, "0", kParameterError},
    {"XPLMDisableAIForPlane", "XPLMDisableAIForPlane", 1, "0", kParameterError},
    {"XPLMDrawAircraft", "XPLMDrawAircraft", 1, "0", kParameterError},
    {"XPLMReinitUsersPlane", "XPLMReinitUsersPlane", 1, "0", kParameterError},

    // ---- XPLMPlugin ----
    {"XPLMGetMyID", "XPLMGetMyID", 1, "0", kParameterError},
    {"XPLMCountPlugins", "XPLMCountPlugins", 1, "0", kParameterError},
    {"XPLMGetNthPlugin", "XPLMGetNthPlugin", 1, "0", kParameterError},
    {"XPLMFindPluginByPath", "XPLMFindPluginByPath", 1, "0", kParameterError},
    {"XPLMFindPluginBySignature", "XPLMFindPluginBySignature", 1, "0", kParameterError},
    {"XPLMGetPluginInfo", "XPLMGetPluginInfo", 1, "0", kParameterError},
    {"XPLMIsPluginEnabled", "XPLMIsPluginEnabled", 1, "0", kParameterError},
    {"XPLMEnablePlugin", "XPLMEnablePlugin", 1, "0", kParameterError},
    {"XPLMDisablePlugin", "XPLMDisablePlugin", 1, "0", kParameterError},
    {"XPLMReloadPlugins", "XPLMReloadPlugins", 1, "0", kFunctionError},
    {"XPLMSendMessageToPlugin", "XPLMSendMessageToPlugin", 1, "0", kParameterError},
    {"XPLMHasFeature", "XPLMHasFeature", 1, "0", kParameterError},
    {"XPLMIsFeatureEnabled", "XPLMIsFeatureEnabled", 1, "0", kParameterError},
    {"XPLMEnableFeature", "XPLMEnableFeature", 1, "0", kParameterError},
    {"XPLMEnumerateFeatures", "XPLMEnumerateFeatures", 1, "0", kParameterError},

    // ---- XPLMUtilities ----
    {"XPLMSpeakString", "XPLMSpeakString", 1, "0", kParameterError},
    {"XPLMCommandKeyStroke", "XPLMCommandKeyStroke", 1, "0", kParameterError},
    {"XPLMCommandButtonPress", "XPLMCommandButtonPress", 1, "0", kParameterError},
    {"XPLMCommandButtonRelease", "XPLMCommandButtonRelease", 1, "0", kParameterError},
    {"XPLMGetVirtualKeyDescription", "XPLMGetVirtualKeyDescription", 1, "''", kParameterError},
    {"XPLMReloadScenery", "XPLMReloadScenery", 1, "0", kFunctionError},
    {"XPLMGetSystemPath", "XPLMGetSystemPath", 1, "''", kParameterError},
    {"XPLMGetSystemPath", "XPLMGetDirectorySeparator", 1, "''", kParameterError},
    {"XPLMGetPrefsPath", "XPLMGetPrefsPath", 1, "''", kParameterError},
    {"XPLMGetPrefsPath", "XPLMGetDirectorySeparator", 1, "''", kParameterError},
    {"XPLMGetDirectorySeparator", "XPLMGetDirectorySeparator", 1, "''", kParameterError},
    {"XPLMExtractFileAndPath", "XPLMGetDirectorySeparator", 1, "('', '')", kParameterError},
    {"XPLMExtractFileAndPath", "XPLMExtractFileAndPath", 1, "('', '')", kParameterError},
    {"XPLMGetDirectoryContents", "XPLMGetDirectoryContents", 1, "(0,)", kParameterError},
    {"XPLMInitialized", "XPLMInitialized", 1, "0", kParameterError},
    {"XPLMGetVersions", "XPLMGetVersions", 1, "(0, 0, 0)", kParameterError},
    {"XPLMGetLanguage", "XPLMGetLanguage", 1, "0", kParameterError},
    {"XPLMDebugString", "XPLMDebugString", 1, "0", kParameterError},
    {"XPLMFindCommand", "XPLMFindCommand", 1, "0", kParameterError},
    {"XPLMCommandBegin", "XPLMCommandBegin", 1, "0", kParameterError},
    {"XPLMCommandEnd", "XPLMCommandEnd", 1, "0", kParameterError},
    {"XPLMCommandOnce", "XPLMCommandOnce", 1, "0", kParameterError},
    {"XPLMCreateCommand", "XPLMCreateCommand", 1, "0", kParameterError},
    {"XPLMRegisterCommandHandler", "XPLMRegisterCommandHandler", 1, "0", kParameterError},
    {"XPLMUnregisterCommandHandler", "XPLMUnregisterCommandHandler", 1, "0", kParameterError},
    {"XPLMUnregisterCommandHandler", "XPLMUnregisterCommandHandler", 1, "0", kParameterError,
     "another handler of the script remains",
     "command = XPLMCreateCommand('bm/sweep/command', 'Sweep')\n"
     "XPLMRegisterCommandHandler(script, command, cb, 1, 0)\nXPLMRegisterCommandHandler(script, command, fill, 0, 0)\n"},
    {"XPLMLoadDataFile", "XPLMLoadDataFile", 1, "0", kParameterError},
    {"XPLMSaveDataFile", "XPLMSaveDataFile", 1, "0", kParameterError},
    {"XPLMSetErrorCallback", "XPLMSetErrorCallback", 1, "0", kParameterError},
    {"XPLMSimulateKeyPress", "XPLMSimulateKeyPress", 1, "0", kParameterError},

    // ---- TallowbridgeVCUtilities ----
    {"VC_CameraPluginReady", "XPLMGetDatai", 1, "0", kParameterError},
    {"VC_GetCameraIndex", "XPLMGetDatai", 1, "0", kParameterError},
    {"VC_GetCameraTypeIndex", "XPLMGetDatai", 1, "0", kParameterError},
    {"VC_GetLookAtAircraft", "XPLMGetDatai", 1, "0", kParameterError},
    {"VC_GetXOffset", "XPLMGetDataf", 1, "0.0", kParameterError},
    {"VC_GetYOffset", "XPLMGetDataf", 1, "0.0", kParameterError},
    {"VC_GetZOffset", "XPLMGetDataf", 1, "0.0", kParameterError},
    {"VC_GetHeadingOffset", "XPLMGetDataf", 1, "0.0", kParameterError},
    {"VC_GetPitchOffset", "XPLMGetDataf", 1, "0.0", kParameterError},
    {"VC_GetRollOffset", "XPLMGetDataf", 1, "0.0", kParameterError},
    {"VC_GetZoomRatio", "XPLMGetDataf", 1, "0.0", kParameterError},
    {"VC_AcquireCamera", "XPLMSetDatai", 1, "0", kParameterError},
    {"VC_ReleaseCamera", "XPLMSetDatai", 1, "0", kParameterError},
    {"VC_SetCamera", "XPLMSetDatai", 1, "0", kParameterError},
    {"VC_SetCameraIndex", "XPLMSetDatai", 1, "0", kParameterError},
    {"VC_SetCameraTypeIndex", "XPLMSetDatai", 1, "0", kParameterError},
    {"VC_SetLookAtAircraft", "XPLMSetDatai", 1, "0", kParameterError},
    {"VC_SetXOffset", "XPLMSetDataf", 1, "0", kParameterError},
    {"VC_SetYOffset", "XPLMSetDataf", 1, "0", kParameterError},
    {"VC_SetZOffset", "XPLMSetDataf", 1, "0", kParameterError},
    {"VC_SetHeadingOffset", "XPLMSetDataf", 1, "0", kParameterError},
    {"VC_SetPitchOffset", "XPLMSetDataf", 1, "0", kParameterError},
    {"VC_SetRollOffset", "XPLMSetDataf", 1, "0", kParameterError},
    {"VC_SetZoomRatio", "XPLMSetDataf", 1, "0", kParameterError},

    // ---- TallowbridgeUtilities ----
    // Writing a script's output to the files asks the simulator where they are. A log write never
    // fails its caller, and cannot report its own failure: the text is dropped, nothing reported.
    // The write answers as a file's: None under 2.7, the characters of 'Sweep out\n' under 3.
    {"PrintStdout", "XPLMGetSystemPath", 1, kWriteAnswer, ""},
    {"PrintStdout", "XPLMGetDirectorySeparator", 1, kWriteAnswer, ""},
    {"PrintStderr", "XPLMGetSystemPath", 1, kWriteAnswer, ""},
    {"PrintStderr", "XPLMGetDirectorySeparator", 1, kWriteAnswer, ""},
};

// Functions that call no simulator function: their plausible call is watched to prove it.
const std::set<std::string> kCallsNoSdkFunction = {
    // A script window's refcon is kept by the plug-in (the simulator's is the window's record).
    "XPLMGetWindowRefCon",
    "XPLMSetWindowRefCon",
    "TallowbridgeDisplay",
    "TallowbridgeClearDisplay",
    "TallowbridgePrint",
    "TallowbridgeClearPrint",
    // The message records are read where the simulator put them; widget objects are the
    // plug-in's own.
    "BM_GetMouseState",
    "BM_GetKeyState",
    "BM_GetWidgetGeometryChange",
    "SetWidgetObject",
    "GetWidgetObject",
    // Scripts see each other through the plug-in's own script table.
    "BM_CountScripts",
    "BM_GetNthScript",
    "BM_FindScriptBySignature",
    "BM_GetScriptInfo",
    "BM_IsScriptEnabled",
    "BM_EnableScript",
    "BM_DisableScript",
    "BM_SendMessageToScript",
};

// The message record readers refuse every address outside the widget callback that was handed
// it, so their plausible calls raise ValueError; they call no simulator function all the same.
const std::set<std::string> kReadInsideWidgetCallbacksOnly = {"BM_GetMouseState", "BM_GetKeyState",
                                                               "BM_GetWidgetGeometryChange"};

// What a row checks; a known fault names the row (function and variant) and the check.
const char kCalled[] = "the failing simulator function is called";
const char kNoCrash[] = "no crash";
const char kResult[] = "fallback result";
const char kNoPending[] = "no Python error pending";
const char kLogOnce[] = "one report line in the log";
const char kConsoleOnce[] = "one report line in the print console";

struct KnownFault {
    const char* function;
    const char* variant;
    const char* check;
    const char* reason;
};
// None today; a fault found and not fixed yet goes here with its reason.
const std::vector<KnownFault> kKnownFaults = {};

const KnownFault* Known(const FaultRow& row, const std::string& check) {
    for (const KnownFault& known : kKnownFaults)
        if (row.function == known.function && row.variant == known.variant && check == known.check) return &known;
    return nullptr;
}

std::string ModuleOf(const std::string& function) {
    const PlausibleCall* call = FindPlausibleCall(function);
    return call ? call->module : "?";
}

std::string RowName(const FaultRow& row) {
    std::string name = row.function + " with " + row.sdk;
    if (row.nth != 1) name += " (call " + std::to_string(row.nth) + ")";
    name += " failing";
    if (!row.variant.empty()) name += ", " + row.variant;
    return name;
}

// The statements and arguments of a row's call.
std::string SetupOf(const FaultRow& row) {
    return row.variant.empty() || (row.setup.empty() && !row.args.empty()) ? FindPlausibleCall(row.function)->setup
                                                                            : row.setup;
}
std::vector<std::string> ArgsOf(const FaultRow& row) {
    return row.args.empty() ? FindPlausibleCall(row.function)->args : row.args;
}

// Runs the setup, makes the arguments and calls the function, with `listener` hearing every
// simulator call during the call itself. Sends "result", "error" and "pending" messages.
void CallWatched(Channel& channel, const std::string& function, const std::string& setup,
                 const std::vector<std::string>& argExpressions, const std::function<void(const char*)>& listener) {
    const std::string module = ModuleOf(function);
    if (!setup.empty()) RunPython(kSweepModule, setup);
    PyObject* args = PyTuple_New(Py_ssize_t(argExpressions.size()));
    for (std::size_t i = 0; i < argExpressions.size(); ++i)
        PyTuple_SET_ITEM(args, Py_ssize_t(i), EvalPython(kSweepModule, argExpressions[i]));
    PyObject* callable = EvalPython(module, function);
    bmhost::SetSdkCallListener(listener);
    PyObject* result = nullptr;
    try {
        result = PyObject_Call(callable, args, nullptr);
    } catch (const std::exception& e) {
        bmhost::SetSdkCallListener(nullptr);
        channel.Send({"escaped", e.what()});
        _exit(kEscapedExceptionStatus);
    }
    bmhost::SetSdkCallListener(nullptr);
    if (result) {
        channel.Send({"result", Repr(result)});
        if (PyErr_Occurred()) channel.Send({"pending", TakeError()});
        Py_DECREF(result);
    } else {
        channel.Send({"error", TakeError()});
    }
    Py_DECREF(args);
    Py_DECREF(callable);
}

class FaultSweep : public ::testing::Test {
protected:
    FaultSweep() : plugin(std::map<std::string, std::string>{{kSweepModule, SweepScript()}}) {
        PyObject* module = PyImport_ImportModule(kSweepModule);
        PyDict_SetItemString(PyModule_GetDict(module), "Script", plugin.Script(kSweepModule));
        Py_DECREF(module);
        RunPython(kSweepModule, SweepSetupCode());
    }
    std::string LogText() { return plugin.Sim().Log(); }
    bmtest::RunningPlugin plugin;
};

TEST_F(FaultSweep, EveryModuleFunctionHasARowOrCallsNoSimulatorFunction) {
    std::set<std::string> inTable;
    for (const FaultRow& row : kFaultRows) {
        inTable.insert(row.function);
        EXPECT_NE(FindPlausibleCall(row.function), nullptr) << row.function << " has no plausible call";
    }
    std::set<std::string> inModules;
    for (const std::string& module : SweptModules())
        for (const std::string& function : ModuleFunctions(module)) {
            inModules.insert(function);
            EXPECT_TRUE(inTable.count(function) || kCallsNoSdkFunction.count(function))
                << module << "." << function << " is neither in kFaultRows nor in kCallsNoSdkFunction";
            EXPECT_FALSE(inTable.count(function) && kCallsNoSdkFunction.count(function))
                << function << " is in kFaultRows and in kCallsNoSdkFunction";
        }
    for (const std::string& function : inTable) EXPECT_TRUE(inModules.count(function)) << function << " is gone";
    for (const std::string& function : kCallsNoSdkFunction)
        EXPECT_TRUE(inModules.count(function)) << function << " is gone";
}

// The plausible call of each row (and of each listed function) is watched: the simulator
// functions it calls must be exactly those its rows make fail.
TEST_F(FaultSweep, TheRowsNameEverySimulatorFunctionThatThePlausibleCallsCall) {
    struct Watched {
        std::string function, variant, setup;
        std::vector<std::string> args;
    };
    std::vector<Watched> calls;
    std::set<std::string> seen;
    for (const FaultRow& row : kFaultRows)
        if (seen.insert(row.function + "|" + row.variant).second)
            calls.push_back({row.function, row.variant, SetupOf(row), ArgsOf(row)});
    for (const std::string& function : kCallsNoSdkFunction)
        calls.push_back({function, "", FindPlausibleCall(function)->setup, FindPlausibleCall(function)->args});

    // One child per call: registrations of one call must not change what the next one does.
    std::map<std::string, std::map<std::string, int>> called;  // function|variant -> simulator function -> calls
    for (const Watched& call : calls) {
        std::string key = call.function + "|" + call.variant;
        ChildRun run = RunInChild([&](Channel& channel) {
            CallWatched(channel, call.function, call.setup, call.args,
                        [&](const char* name) { channel.Send({"sdk", name}); });
            channel.Send({"done"});
        });
        bool done = false;
        for (const auto& m : run.messages) {
            if (m[0] == "sdk") ++called[key][m[1]];
            if (m[0] == "error" && !kReadInsideWidgetCallbacksOnly.count(call.function))
                ADD_FAILURE() << "the plausible call of " << key << " raised " << m[1];
            if (m[0] == "done") done = true;
        }
        EXPECT_TRUE(done) << "the plausible call of " << key << " did not return: " << run.Ending() << "\n"
                          << run.stderrText;
    }

    for (const Watched& call : calls) {
        const std::map<std::string, int>& names = called[call.function + "|" + call.variant];
        std::string what = call.function + (call.variant.empty() ? "" : " (" + call.variant + ")");
        if (kCallsNoSdkFunction.count(call.function)) {
            for (const auto& [name, n] : names) ADD_FAILURE() << what << " is listed as calling no simulator function "
                                                              << "but called " << name;
            continue;
        }
        std::map<std::string, int> rowsFor;  // simulator function -> the highest call number a row fails
        for (const FaultRow& row : kFaultRows)
            if (row.function == call.function && row.variant == call.variant)
                rowsFor[row.sdk] = std::max(rowsFor[row.sdk], row.nth);
        for (const auto& [name, n] : names)
            EXPECT_TRUE(rowsFor.count(name)) << what << " calls " << name << ", which no row of kFaultRows fails";
        for (const auto& [name, nth] : rowsFor) {
            auto found = names.find(name);
            int n = found == names.end() ? 0 : found->second;
            // A variant may be there to show that the call does not happen; its row reports that.
            if (call.variant.empty()) {
                EXPECT_GE(n, nth) << what << " calls " << name << " " << n << " times; a row fails call " << nth;
            }
        }
    }
}

TEST_F(FaultSweep, EverySimulatorFailureIsReportedOnceAndAnswersTheFallback) {
    int unexpected = 0, rowsRun = 0;
    std::set<const KnownFault*> seen;
    std::string report;
    for (const FaultRow& row : kFaultRows) {
        ++rowsRun;
        const std::string module = ModuleOf(row.function);
        const std::string line =
            "Module - " + module + ", Function - " + row.function + ", Error = " + row.error + "\n";
        std::string consoleLine;
        for (const std::string& piece : SplitConsoleText(line.substr(0, line.size() - 1).c_str()))
            if (!piece.empty()) consoleLine += piece + ";";

        ChildRun run = RunInChild([&](Channel& channel) {
            std::string logBefore = LogText();
            std::string consoleBefore = PendingPrintText();
            int calls = 0;
            CallWatched(channel, row.function, SetupOf(row), ArgsOf(row), [&](const char* name) {
                if (row.sdk == name && ++calls == row.nth) bmhost::FailNextCall(row.sdk);
            });
            channel.Send({"calls", std::to_string(calls)});
            std::string log = LogText();
            channel.Send({"log", log.size() >= logBefore.size() ? log.substr(logBefore.size()) : log});
            const std::string& console = PendingPrintText();
            channel.Send({"console", console.size() >= consoleBefore.size() ? console.substr(consoleBefore.size())
                                                                            : console});
            channel.Send({"done"});
        });

        std::map<std::string, std::string> got;
        for (const auto& m : run.messages) got[m[0]] = m.size() > 1 ? m[1] : "";
        std::vector<std::pair<const char*, std::string>> failed;  // check, what happened
        bool failedInside = false;  // the simulator function was called and failed
        if (!got.count("done")) {
            failed.push_back({kNoCrash, got.count("escaped") ? "C++ exception escaped: " + got["escaped"]
                                                             : run.Ending() + "\n" + Tail(run.stderrText, 4000)});
        } else {
            if (std::stoi(got["calls"]) < row.nth)
                failed.push_back({kCalled, row.sdk + " was called " + got["calls"] + " times, and the call answered " +
                                               (got.count("result") ? got["result"] : "by raising " + got["error"])});
            else
                failedInside = true;
            if (failedInside && !got.count("result"))
                failed.push_back({kResult, "raised " + got["error"]});
            else if (failedInside && got["result"] != row.fallback)
                failed.push_back({kResult, "returned " + got["result"] + ", not " + row.fallback});
            if (got.count("pending")) failed.push_back({kNoPending, got["pending"] + " pending"});
        }
        if (failedInside) {
            std::size_t inLog = Count(got["log"], row.error.empty() ? "Module - " : line);
            std::size_t inConsole = Count(got["console"], row.error.empty() ? "Module - " : consoleLine);
            std::size_t wanted = row.error.empty() ? 0 : 1;
            if (inLog != wanted)
                failed.push_back({kLogOnce, std::to_string(inLog) + " report lines in the log: " + Escape(got["log"])});
            if (inConsole != wanted)
                failed.push_back({kConsoleOnce, std::to_string(inConsole) + " report lines in the console: " +
                                                    Escape(got["console"])});
        }
        for (const auto& [check, what] : failed) {
            const KnownFault* known = Known(row, check);
            if (known) seen.insert(known);
            else ++unexpected;
            report += std::string(known ? "known " : "NEW   ") + RowName(row) + ": " + check + ": " + what + "\n";
            if (known) report += std::string("      known: ") + known->reason + "\n";
            if (!known) ADD_FAILURE() << RowName(row) << ": " << check << ": " << what;
        }
    }
    for (const KnownFault& known : kKnownFaults)
        if (*known.check && !seen.count(&known))
            report += std::string("note: known fault not seen: ") + known.function + " (" + known.variant + "): " +
                      known.check + "\n";
    std::printf("Fault sweep: %d rows, one child process each; %d unexpected findings\n%s", rowsRun, unexpected,
                report.c_str());
    std::fflush(stdout);
}

}  // namespace
