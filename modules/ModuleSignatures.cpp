// The parameters and results of the built-in modules' functions, one row per function, in the
// order of each module's method table. Names follow the SDK's prototypes (host/include/*.h);
// `self` is the script object of a function that registers something for the script. The stub
// test (tests/unit/StubsTest.cpp) checks these rows against the live modules: one row for every
// function, and as many parameters as the function takes.
//
// After changing a row or a module table, write the stubs anew:
//     cmake --build build --target stubs
#include "ModuleSignatures.h"

namespace {

#define OUT_INT "Optional[List[int]]"
#define OUT_FLOAT "Optional[List[float]]"
#define OUT_STR "Optional[List[str]]"
// Callbacks: the C arguments in C order, the refcon last; the answer the simulator uses, or
// `object` where it ignores it. A script's method that forgets an answer returns None, which a
// type checker then refuses where an int or float is wanted.
#define FLIGHT_LOOP "Callable[[float, float, int, int], float]"
#define DRAW_CALLBACK "Callable[[int, int, int], int]"
#define KEY_SNIFFER "Callable[[int, int, int, int], int]"
#define WINDOW_DRAW "Callable[[int, int], object]"
#define WINDOW_KEY "Callable[[int, int, int, int, int, int], object]"
#define WINDOW_MOUSE "Callable[[int, int, int, int, int], int]"
#define MONITOR_BOUNDS "Callable[[int, int, int, int, int, int], object]"
#define REFCON_ONLY "Callable[[int], object]"
#define MENU_HANDLER "Callable[[int, int], object]"
#define COMMAND_HANDLER "Callable[[int, int, int], int]"
#define CAMERA_CONTROL "Callable[[Union[List[float], int], int, int], int]"
#define FEATURE_ENUMERATOR "Callable[[str, Any], object]"
#define WIDGET_CALLBACK "Callable[[int, int, int, int], int]"
#define OBJECT_LOADED "Callable[[int, int], object]"
#define LIBRARY_ENUMERATOR "Optional[Callable[[str, Any], object]]"
#define DRAW_INFO "Union[Dict[str, float], Sequence[float]]"
#define SOUND_COMPLETE "Optional[Callable[[int, int], object]]"
#define VECTOR "Union[Sequence[float], Dict[str, float]]"
#define MAP_CREATED "Callable[[str, int], object]"
// Data accessors, None where the data ref does not offer the type: reads take the refcon (arrays
// also the list to fill, None for the length, the offset and the most to give); writes the refcon
// and the value, or the values, their offset and count.
#define READ(T) "Optional[Callable[[int], " T "]]"
#define WRITE(T) "Optional[Callable[[int, " T "], object]]"
#define READ_ARRAY(T) "Optional[Callable[[int, Optional[List[" T "]], int, int], int]]"
#define WRITE_ARRAY(T) "Optional[Callable[[int, List[" T "], int, int], object]]"

}  // namespace

const BM_Signature BM_Signatures[] = {
    // ---- XPLMCamera ----
    {"XPLMCamera", "XPLMControlCamera", "self, inHowLong: int, inControlFunc: " CAMERA_CONTROL ", inRefcon: int", "int"},
    {"XPLMCamera", "XPLMDontControlCamera", "self", "int"},
    {"XPLMCamera", "XPLMIsCameraBeingControlled", "", "int"},
    {"XPLMCamera", "XPLMReadCameraPosition", "outCameraPosition: List[float]", "Tuple[int]"},
    // ---- XPLMDataAccess ----
    {"XPLMDataAccess", "XPLMFindDataRef", "inDataRefName: str", "Optional[int]"},
    {"XPLMDataAccess", "XPLMCanWriteDataRef", "inDataRef: int", "int"},
    {"XPLMDataAccess", "XPLMGetDataRefTypes", "inDataRef: int", "int"},
    {"XPLMDataAccess", "XPLMGetDatai", "inDataRef: int", "int"},
    {"XPLMDataAccess", "XPLMSetDatai", "inDataRef: int, inValue: int", "int"},
    {"XPLMDataAccess", "XPLMGetDataf", "inDataRef: int", "float"},
    {"XPLMDataAccess", "XPLMSetDataf", "inDataRef: int, inValue: float", "int"},
    {"XPLMDataAccess", "XPLMGetDatad", "inDataRef: int", "float"},
    {"XPLMDataAccess", "XPLMSetDatad", "inDataRef: int, inValue: float", "int"},
    {"XPLMDataAccess", "XPLMGetDatavi", "inDataRef: int, outValues: " OUT_INT ", inOffset: int, inMax: int", "int"},
    {"XPLMDataAccess", "XPLMSetDatavi", "inDataRef: int, inValues: Sequence[int], inoffset: int, inCount: int", "int"},
    {"XPLMDataAccess", "XPLMGetDatavf", "inDataRef: int, outValues: " OUT_FLOAT ", inOffset: int, inMax: int",
     "int"},
    {"XPLMDataAccess", "XPLMSetDatavf", "inDataRef: int, inValues: Sequence[float], inoffset: int, inCount: int",
     "int"},
    {"XPLMDataAccess", "XPLMGetDatab", "inDataRef: int, outValue: Optional[List[Any]], inOffset: int, inMaxBytes: int",
     "int"},
    {"XPLMDataAccess", "XPLMSetDatab", "inDataRef: int, inValue: Any, inOffset: int, inLength: int", "int"},
    // An accessor the data does not have is None (or 0).
    {"XPLMDataAccess", "XPLMRegisterDataAccessor",
     "self, inDataName: str, inDataType: int, inIsWritable: int, inReadInt: " READ("int") ", inWriteInt: " WRITE("int")
     ", inReadFloat: " READ("float") ", inWriteFloat: " WRITE("float") ", inReadDouble: " READ("float")
     ", inWriteDouble: " WRITE("float") ", inReadIntArray: " READ_ARRAY("int") ", inWriteIntArray: " WRITE_ARRAY("int")
     ", inReadFloatArray: " READ_ARRAY("float") ", inWriteFloatArray: " WRITE_ARRAY("float")
     ", inReadData: " READ_ARRAY("Any") ", inWriteData: " WRITE_ARRAY("int")
     ", inReadRefcon: int, inWriteRefcon: int",
     "int"},
    {"XPLMDataAccess", "XPLMUnregisterDataAccessor", "self, inDataRef: int", "int"},
    {"XPLMDataAccess", "XPLMShareData",
     "self, inDataName: str, inDataType: int, inNotificationFunc: " REFCON_ONLY ", inNotificationRefcon: int", "int"},
    {"XPLMDataAccess", "XPLMUnshareData",
     "self, inDataName: str, inDataType: int, inNotificationFunc: " REFCON_ONLY ", inNotificationRefcon: int", "int"},
    {"XPLMDataAccess", "XPLMCountDataRefs", "", "int"},
    {"XPLMDataAccess", "XPLMGetDataRefsByIndex", "offset: int, count: int, outDataRefs: List[int]", "int"},
    {"XPLMDataAccess", "XPLMGetDataRefInfo", "inDataRef: int", "Optional[XPLMDataRefInfo_t]"},
    {"XPLMDataAccess", "XPLMIsDataRefGood", "inDataRef: int", "int"},
    // ---- XPLMDisplay ----
    {"XPLMDisplay", "XPLMRegisterDrawCallback",
     "self, inCallback: " DRAW_CALLBACK ", inPhase: int, inWantsBefore: int, inRefcon: int", "int"},
    {"XPLMDisplay", "XPLMUnregisterDrawCallback",
     "self, inCallback: " DRAW_CALLBACK ", inPhase: int, inWantsBefore: int, inRefcon: int", "int"},
    {"XPLMDisplay", "XPLMRegisterKeySniffer", "self, inCallback: " KEY_SNIFFER ", inBeforeWindows: int, inRefcon: int",
     "int"},
    {"XPLMDisplay", "XPLMUnregisterKeySniffer", "self, inCallback: " KEY_SNIFFER ", inBeforeWindows: int, inRefcon: int",
     "int"},
    {"XPLMDisplay", "XPLMGetScreenSize", "outWidth: " OUT_INT ", outHeight: " OUT_INT, "int"},
    {"XPLMDisplay", "XPLMGetMouseLocation", "outX: " OUT_INT ", outY: " OUT_INT, "int"},
    {"XPLMDisplay", "XPLMCreateWindow",
     "self, inLeft: int, inTop: int, inRight: int, inBottom: int, inIsVisible: int, inDrawCallback: " WINDOW_DRAW
     ", inKeyCallback: " WINDOW_KEY ", inMouseCallback: " WINDOW_MOUSE ", inRefcon: int",
     "int"},
    {"XPLMDisplay", "XPLMDestroyWindow", "self, inWindowID: int", "int"},
    {"XPLMDisplay", "XPLMGetWindowGeometry",
     "inWindowID: int, outLeft: " OUT_INT ", outTop: " OUT_INT ", outRight: " OUT_INT ", outBottom: " OUT_INT, "int"},
    {"XPLMDisplay", "XPLMSetWindowGeometry", "inWindowID: int, inLeft: int, inTop: int, inRight: int, inBottom: int",
     "int"},
    {"XPLMDisplay", "XPLMGetWindowIsVisible", "inWindowID: int", "int"},
    {"XPLMDisplay", "XPLMSetWindowIsVisible", "inWindowID: int, inIsVisible: int", "int"},
    {"XPLMDisplay", "XPLMGetWindowRefCon", "inWindowID: int", "int"},
    {"XPLMDisplay", "XPLMSetWindowRefCon", "inWindowID: int, inRefcon: int", "int"},
    {"XPLMDisplay", "XPLMTakeKeyboardFocus", "inWindow: int", "int"},
    {"XPLMDisplay", "XPLMBringWindowToFront", "inWindow: int", "int"},
    {"XPLMDisplay", "XPLMIsWindowInFront", "inWindow: int", "int"},
    {"XPLMDisplay", "XPLMCreateWindowEx", "self, inParams: Union[Dict[str, Any], Sequence[Any]]", "int"},
    {"XPLMDisplay", "XPLMGetScreenBoundsGlobal",
     "outLeft: " OUT_INT ", outTop: " OUT_INT ", outRight: " OUT_INT ", outBottom: " OUT_INT, "int"},
    {"XPLMDisplay", "XPLMGetAllMonitorBoundsGlobal", "inMonitorBoundsCallback: " MONITOR_BOUNDS ", inRefcon: int", "int"},
    {"XPLMDisplay", "XPLMGetAllMonitorBoundsOS", "inMonitorBoundsCallback: " MONITOR_BOUNDS ", inRefcon: int", "int"},
    {"XPLMDisplay", "XPLMGetMouseLocationGlobal", "outX: " OUT_INT ", outY: " OUT_INT, "int"},
    {"XPLMDisplay", "XPLMGetWindowGeometryOS",
     "inWindowID: int, outLeft: " OUT_INT ", outTop: " OUT_INT ", outRight: " OUT_INT ", outBottom: " OUT_INT, "int"},
    {"XPLMDisplay", "XPLMSetWindowGeometryOS", "inWindowID: int, inLeft: int, inTop: int, inRight: int, inBottom: int",
     "int"},
    {"XPLMDisplay", "XPLMGetWindowGeometryVR", "inWindowID: int, outWidthBoxels: " OUT_INT ", outHeightBoxels: " OUT_INT,
     "int"},
    {"XPLMDisplay", "XPLMSetWindowGeometryVR", "inWindowID: int, widthBoxels: int, heightBoxels: int", "int"},
    {"XPLMDisplay", "XPLMWindowIsPoppedOut", "inWindowID: int", "int"},
    {"XPLMDisplay", "XPLMWindowIsInVR", "inWindowID: int", "int"},
    {"XPLMDisplay", "XPLMSetWindowGravity",
     "inWindowID: int, inLeftGravity: float, inTopGravity: float, inRightGravity: float, inBottomGravity: float", "int"},
    {"XPLMDisplay", "XPLMSetWindowResizingLimits",
     "inWindowID: int, inMinWidthBoxels: int, inMinHeightBoxels: int, inMaxWidthBoxels: int, inMaxHeightBoxels: int",
     "int"},
    {"XPLMDisplay", "XPLMSetWindowPositioningMode", "inWindowID: int, inPositioningMode: int, inMonitorIndex: int",
     "int"},
    {"XPLMDisplay", "XPLMSetWindowTitle", "inWindowID: int, inWindowTitle: str", "int"},
    {"XPLMDisplay", "XPLMHasKeyboardFocus", "inWindow: Optional[int]", "int"},
    {"XPLMDisplay", "XPLMRegisterHotKey",
     "self, inVirtualKey: int, inFlags: int, inDescription: str, inCallback: " REFCON_ONLY ", inRefcon: int", "int"},
    {"XPLMDisplay", "XPLMUnregisterHotKey", "self, inHotKey: int", "int"},
    {"XPLMDisplay", "XPLMCountHotKeys", "", "int"},
    {"XPLMDisplay", "XPLMGetNthHotKey", "inIndex: int", "int"},
    {"XPLMDisplay", "XPLMGetHotKeyInfo",
     "inHotKey: int, outVirtualKey: " OUT_INT ", outFlags: " OUT_INT ", outDescription: " OUT_STR
     ", outPlugin: " OUT_INT,
     "int"},
    {"XPLMDisplay", "XPLMSetHotKeyCombination", "inHotKey: int, inVirtualKey: int, inFlags: int", "int"},
    {"XPLMDisplay", "XPLMRegisterAvionicsCallbacksEx", "self, inParams: Union[Dict[str, Any], Sequence[Any]]", "int"},
    {"XPLMDisplay", "XPLMUnregisterAvionicsCallbacks", "self, inAvionicsId: int", "int"},
    // ---- XPLMGraphics ----
    {"XPLMGraphics", "XPLMSetGraphicsState",
     "inEnableFog: int, inNumberTexUnits: int, inEnableLighting: int, inEnableAlphaTesting: int, "
     "inEnableAlphaBlending: int, inEnableDepthTesting: int, inEnableDepthWriting: int",
     "int"},
    {"XPLMGraphics", "XPLMBindTexture2d", "inTextureNum: int, inTextureUnit: int", "int"},
    {"XPLMGraphics", "XPLMGenerateTextureNumbers", "outTextureIDs: List[int], inCount: int", "int"},
    {"XPLMGraphics", "XPLMGetTexture", "inTexture: int", "int"},
    {"XPLMGraphics", "XPLMWorldToLocal", "inLatitude: float, inLongitude: float, inAltitude: float",
     "Tuple[float, float, float]"},
    {"XPLMGraphics", "XPLMLocalToWorld", "inX: float, inY: float, inZ: float", "Tuple[float, float, float]"},
    {"XPLMGraphics", "XPLMDrawTranslucentDarkBox", "inLeft: int, inTop: int, inRight: int, inBottom: int", "int"},
    {"XPLMGraphics", "XPLMDrawString",
     "inColorRGB: Sequence[float], inXOffset: int, inYOffset: int, inChar: str, inWordWrapWidth: int, inFontID: int",
     "int"},
    {"XPLMGraphics", "XPLMDrawNumber",
     "inColorRGB: Sequence[float], inXOffset: int, inYOffset: int, inValue: float, inDigits: int, inDecimals: int, "
     "inShowSign: int, inFontID: int",
     "int"},
    {"XPLMGraphics", "XPLMGetFontDimensions",
     "inFontID: int, outCharWidth: " OUT_INT ", outCharHeight: " OUT_INT ", outDigitsOnly: " OUT_INT, "int"},
    {"XPLMGraphics", "XPLMMeasureString", "inFontID: int, inChar: str, inNumChars: int", "float"},
    // ---- XPLMMap ----
    {"XPLMMap", "XPLMCreateMapLayer", "self, inParams: Union[Dict[str, Any], Sequence[Any]]", "int"},
    {"XPLMMap", "XPLMDestroyMapLayer", "self, inLayer: int", "int"},
    {"XPLMMap", "XPLMRegisterMapCreationHook", "self, callback: " MAP_CREATED ", refcon: int", "int"},
    {"XPLMMap", "XPLMMapExists", "mapIdentifier: str", "int"},
    {"XPLMMap", "XPLMDrawMapIconFromSheet",
     "layer: int, inPngPath: str, s: int, t: int, ds: int, dt: int, mapX: float, mapY: float, orientation: int, "
     "rotationDegrees: float, mapWidth: float",
     "int"},
    {"XPLMMap", "XPLMDrawMapLabel",
     "layer: int, inText: str, mapX: float, mapY: float, orientation: int, rotationDegrees: float", "int"},
    {"XPLMMap", "XPLMMapProject", "projection: int, latitude: float, longitude: float", "Tuple[float, float]"},
    {"XPLMMap", "XPLMMapUnproject", "projection: int, mapX: float, mapY: float", "Tuple[float, float]"},
    {"XPLMMap", "XPLMMapScaleMeter", "projection: int, mapX: float, mapY: float", "float"},
    {"XPLMMap", "XPLMMapGetNorthHeading", "projection: int, mapX: float, mapY: float", "float"},
    // ---- XPLMMenus ----
    {"XPLMMenus", "XPLMFindPluginsMenu", "", "int"},
    {"XPLMMenus", "XPLMCreateMenu",
     "self, inName: str, inParentMenu: int, inParentItem: int, inHandler: " MENU_HANDLER ", inMenuRef: int", "int"},
    {"XPLMMenus", "XPLMDestroyMenu", "self, inMenuID: int", "int"},
    {"XPLMMenus", "XPLMClearAllMenuItems", "inMenuID: int", "int"},
    {"XPLMMenus", "XPLMAppendMenuItem", "inMenu: int, inItemName: str, inItemRef: int, inForceEnglish: int", "int"},
    {"XPLMMenus", "XPLMAppendMenuSeparator", "inMenu: int", "int"},
    {"XPLMMenus", "XPLMRemoveMenuItem", "inMenu: int, inIndex: int", "int"},
    {"XPLMMenus", "XPLMSetMenuItemName", "inMenu: int, inIndex: int, inItemName: str, inForceEnglish: int", "int"},
    {"XPLMMenus", "XPLMCheckMenuItem", "inMenu: int, index: int, inCheck: int", "int"},
    {"XPLMMenus", "XPLMCheckMenuItemState", "inMenu: int, index: int", "int"},
    {"XPLMMenus", "XPLMEnableMenuItem", "inMenu: int, index: int, enabled: int", "int"},
    {"XPLMMenus", "XPLMAppendMenuItemWithCommand", "inMenu: int, inItemName: str, inCommandToExecute: int", "int"},
    {"XPLMMenus", "XPLMFindAircraftMenu", "", "int"},
    // ---- XPLMNavigation ----
    {"XPLMNavigation", "XPLMGetFirstNavAid", "", "int"},
    {"XPLMNavigation", "XPLMGetNextNavAid", "inNavAidRef: int", "int"},
    {"XPLMNavigation", "XPLMFindFirstNavAidOfType", "inType: int", "int"},
    {"XPLMNavigation", "XPLMFindLastNavAidOfType", "inType: int", "int"},
    {"XPLMNavigation", "XPLMFindNavAid",
     "inNameFragment: Optional[str], inIDFragment: Optional[str], inLat: Optional[float], inLon: Optional[float], "
     "inFrequency: Optional[int], inType: int",
     "int"},
    {"XPLMNavigation", "XPLMGetNavAidInfo",
     "inRef: int, outType: " OUT_INT ", outLatitude: " OUT_FLOAT ", outLongitude: " OUT_FLOAT ", outHeight: " OUT_FLOAT
     ", outFrequency: " OUT_INT ", outHeading: " OUT_FLOAT ", outID: " OUT_STR ", outName: " OUT_STR
     ", outReg: " OUT_INT,
     "Tuple[int]"},
    {"XPLMNavigation", "XPLMCountFMSEntries", "", "int"},
    {"XPLMNavigation", "XPLMGetDisplayedFMSEntry", "", "int"},
    {"XPLMNavigation", "XPLMGetDestinationFMSEntry", "", "int"},
    {"XPLMNavigation", "XPLMSetDisplayedFMSEntry", "inIndex: int", "int"},
    {"XPLMNavigation", "XPLMSetDestinationFMSEntry", "inIndex: int", "int"},
    {"XPLMNavigation", "XPLMGetFMSEntryInfo",
     "inIndex: int, outType: " OUT_INT ", outID: " OUT_STR ", outRef: " OUT_INT ", outAltitude: " OUT_INT
     ", outLat: " OUT_FLOAT ", outLon: " OUT_FLOAT,
     "Tuple[int]"},
    {"XPLMNavigation", "XPLMSetFMSEntryInfo", "inIndex: int, inRef: int, inAltitude: int", "int"},
    {"XPLMNavigation", "XPLMSetFMSEntryLatLon", "inIndex: int, inLat: float, inLon: float, inAltitude: int", "int"},
    {"XPLMNavigation", "XPLMClearFMSEntry", "inIndex: int", "int"},
    {"XPLMNavigation", "XPLMGetGPSDestinationType", "", "int"},
    {"XPLMNavigation", "XPLMGetGPSDestination", "", "int"},
    // ---- XPLMScenery ----
    {"XPLMScenery", "XPLMCreateProbe", "self, inProbeType: int", "int"},
    {"XPLMScenery", "XPLMDestroyProbe", "self, inProbe: int", "int"},
    {"XPLMScenery", "XPLMProbeTerrainXYZ", "inProbe: int, inX: float, inY: float, inZ: float", "XPLMProbeInfo_t"},
    {"XPLMScenery", "XPLMGetMagneticVariation", "latitude: float, longitude: float", "float"},
    {"XPLMScenery", "XPLMDegTrueToDegMagnetic", "headingDegreesTrue: float", "float"},
    {"XPLMScenery", "XPLMDegMagneticToDegTrue", "headingDegreesMagnetic: float", "float"},
    {"XPLMScenery", "XPLMLoadObject", "self, inPath: str", "int"},
    {"XPLMScenery", "XPLMLoadObjectAsync", "self, inPath: str, inCallback: " OBJECT_LOADED ", inRefcon: int", "int"},
    {"XPLMScenery", "XPLMDrawObjects",
     "inObject: int, inCount: int, inLocations: Sequence[" DRAW_INFO "], lighting: int, earth_relative: int", "int"},
    {"XPLMScenery", "XPLMUnloadObject", "self, inObject: int", "int"},
    {"XPLMScenery", "XPLMLookupObjects",
     "inPath: str, inLatitude: float, inLongitude: float, enumerator: " LIBRARY_ENUMERATOR ", ref: Any", "int"},
    // ---- XPLMInstance ----
    {"XPLMInstance", "XPLMCreateInstance", "self, obj: int, datarefs: Sequence[str]", "int"},
    {"XPLMInstance", "XPLMDestroyInstance", "self, instance: int", "int"},
    {"XPLMInstance", "XPLMInstanceSetPosition",
     "instance: int, new_position: " DRAW_INFO ", data: Optional[Sequence[float]]", "int"},
    // ---- XPLMProcessing ----
    {"XPLMProcessing", "XPLMGetElapsedTime", "", "float"},
    {"XPLMProcessing", "XPLMGetCycleNumber", "", "int"},
    {"XPLMProcessing", "XPLMRegisterFlightLoopCallback",
     "self, inFlightLoop: " FLIGHT_LOOP ", inInterval: float, inRefcon: int", "int"},
    {"XPLMProcessing", "XPLMUnregisterFlightLoopCallback", "self, inFlightLoop: " FLIGHT_LOOP ", inRefcon: int", "int"},
    {"XPLMProcessing", "XPLMSetFlightLoopCallbackInterval",
     "inFlightLoop: " FLIGHT_LOOP ", inInterval: float, inRelativeToNow: int, inRefcon: int", "int"},
    // params: a dict {phase, callbackFunc, refcon} or a sequence in that order.
    {"XPLMProcessing", "XPLMCreateFlightLoop", "self, params: Union[Dict[str, Any], Sequence[Any]]", "int"},
    {"XPLMProcessing", "XPLMDestroyFlightLoop", "self, inFlightLoopID: int", "int"},
    {"XPLMProcessing", "XPLMScheduleFlightLoop", "inFlightLoopID: int, inInterval: float, inRelativeToNow: int", "int"},
    // ---- XPLMUtilities ----
    {"XPLMUtilities", "XPLMSpeakString", "inString: str", "int"},
    {"XPLMUtilities", "XPLMCommandKeyStroke", "inKey: int", "int"},
    {"XPLMUtilities", "XPLMCommandButtonPress", "inButton: int", "int"},
    {"XPLMUtilities", "XPLMCommandButtonRelease", "inButton: int", "int"},
    {"XPLMUtilities", "XPLMGetVirtualKeyDescription", "inVirtualKey: int", "Optional[str]"},
    {"XPLMUtilities", "XPLMReloadScenery", "", "int"},
    {"XPLMUtilities", "XPLMGetSystemPath", "", "str"},
    {"XPLMUtilities", "XPLMGetPrefsPath", "", "str"},
    {"XPLMUtilities", "XPLMGetDirectorySeparator", "", "str"},
    {"XPLMUtilities", "XPLMExtractFileAndPath", "inFullPath: str", "Tuple[str, str]"},
    {"XPLMUtilities", "XPLMGetDirectoryContents",
     "inDirectoryPath: str, inFirstReturn: int, outFileNames: " OUT_STR ", inFileNameBufSize: int, outIndices: " OUT_INT
     ", inIndexCount: int, outTotalFiles: " OUT_INT ", outReturnedFiles: " OUT_INT,
     "Tuple[int]"},
    {"XPLMUtilities", "XPLMInitialized", "", "int"},
    {"XPLMUtilities", "XPLMGetVersions", "", "Tuple[int, int, int]"},
    {"XPLMUtilities", "XPLMGetLanguage", "", "int"},
    {"XPLMUtilities", "XPLMDebugString", "inString: str", "int"},
    {"XPLMUtilities", "XPLMFindCommand", "inName: str", "int"},
    {"XPLMUtilities", "XPLMCommandBegin", "inCommand: int", "int"},
    {"XPLMUtilities", "XPLMCommandEnd", "inCommand: int", "int"},
    {"XPLMUtilities", "XPLMCommandOnce", "inCommand: int", "int"},
    {"XPLMUtilities", "XPLMCreateCommand", "inName: str, inDescription: str", "int"},
    {"XPLMUtilities", "XPLMRegisterCommandHandler",
     "self, inCommand: int, inHandler: " COMMAND_HANDLER ", inBefore: int, inRefcon: int", "int"},
    {"XPLMUtilities", "XPLMUnregisterCommandHandler",
     "self, inCommand: int, inHandler: " COMMAND_HANDLER ", inBefore: int, inRefcon: int", "int"},
    {"XPLMUtilities", "XPLMLoadDataFile", "inFileType: int, inFilePath: Optional[str]", "int"},
    {"XPLMUtilities", "XPLMSaveDataFile", "inFileType: int, inFilePath: str", "int"},
    {"XPLMUtilities", "XPLMSetErrorCallback", "self, inCallback: Optional[Callable[[str], object]]", "int"},
    {"XPLMUtilities", "XPLMSimulateKeyPress", "inKeyType: int, inKey: int", "int"},
    // ---- XPLMPlanes ----
    {"XPLMPlanes", "XPLMSetUsersAircraft", "inAircraftPath: str", "int"},
    {"XPLMPlanes", "XPLMPlaceUserAtAirport", "inAirportCode: str", "int"},
    {"XPLMPlanes", "XPLMPlaceUserAtLocation",
     "latitudeDegrees: float, longitudeDegrees: float, elevationMetersMSL: float, headingDegreesTrue: float, "
     "speedMetersPerSecond: float",
     "int"},
    {"XPLMPlanes", "XPLMCountAircraft", "", "Tuple[int, int, int]"},
    {"XPLMPlanes", "XPLMGetNthAircraftModel", "inIndex: int", "Tuple[str, str]"},
    {"XPLMPlanes", "XPLMAcquirePlanes", "self, inAircraft: Optional[Sequence[str]], inCallback: " REFCON_ONLY
     ", inRefcon: int", "int"},
    {"XPLMPlanes", "XPLMReleasePlanes", "self", "int"},
    {"XPLMPlanes", "XPLMSetActiveAircraftCount", "inCount: int", "int"},
    {"XPLMPlanes", "XPLMSetAircraftModel", "inIndex: int, inAircraftPath: str", "int"},
    {"XPLMPlanes", "XPLMDisableAIForPlane", "inPlaneIndex: int", "int"},
    {"XPLMPlanes", "XPLMDrawAircraft",
     "inPlaneIndex: int, inX: float, inY: float, inZ: float, inPitch: float, inRoll: float, inYaw: float, "
     "inFullDraw: int, inDrawStateInfo: Sequence[float]",
     "int"},
    {"XPLMPlanes", "XPLMReinitUsersPlane", "", "int"},
    // ---- XPLMPlugin ----
    {"XPLMPlugin", "XPLMGetMyID", "", "int"},
    {"XPLMPlugin", "XPLMCountPlugins", "", "int"},
    {"XPLMPlugin", "XPLMGetNthPlugin", "inIndex: int", "int"},
    {"XPLMPlugin", "XPLMFindPluginByPath", "inPath: str", "int"},
    {"XPLMPlugin", "XPLMFindPluginBySignature", "inSignature: str", "int"},
    {"XPLMPlugin", "XPLMGetPluginInfo",
     "inPlugin: int, outName: " OUT_STR ", outFilePath: " OUT_STR ", outSignature: " OUT_STR
     ", outDescription: " OUT_STR,
     "int"},
    {"XPLMPlugin", "XPLMIsPluginEnabled", "inPluginID: int", "int"},
    {"XPLMPlugin", "XPLMEnablePlugin", "inPluginID: int", "int"},
    {"XPLMPlugin", "XPLMDisablePlugin", "inPluginID: int", "int"},
    {"XPLMPlugin", "XPLMReloadPlugins", "", "int"},
    {"XPLMPlugin", "XPLMSendMessageToPlugin", "inPlugin: int, inMessage: int, inParam: Any", "int"},
    {"XPLMPlugin", "XPLMHasFeature", "inFeature: str", "int"},
    {"XPLMPlugin", "XPLMIsFeatureEnabled", "inFeature: str", "int"},
    {"XPLMPlugin", "XPLMEnableFeature", "inFeature: str, inEnable: int", "int"},
    {"XPLMPlugin", "XPLMEnumerateFeatures", "inEnumerator: " FEATURE_ENUMERATOR ", inRef: Any", "int"},
    // ---- XPWidgetDefs: the records a widget message carries, read by its parameter ----
    {"XPWidgetDefs", "BM_GetMouseState", "inParam1: int", "Tuple[int, int, int]"},
    {"XPWidgetDefs", "BM_GetKeyState", "inParam1: int", "Tuple[int, int, int]"},
    {"XPWidgetDefs", "BM_GetWidgetGeometryChange", "inParam2: int", "Tuple[int, int, int, int]"},
    // ---- XPWidgets ----
    {"XPWidgets", "XPCreateWidget",
     "inLeft: int, inTop: int, inRight: int, inBottom: int, inVisible: int, inDescriptor: str, inIsRoot: int, "
     "inContainer: int, inClass: int",
     "int"},
    {"XPWidgets", "XPCreateCustomWidget",
     "self, inLeft: int, inTop: int, inRight: int, inBottom: int, inVisible: int, inDescriptor: str, inIsRoot: int, "
     "inContainer: int, inCallback: " WIDGET_CALLBACK,
     "int"},
    {"XPWidgets", "XPDestroyWidget", "self, inWidget: int, inDestroyChildren: int", "int"},
    {"XPWidgets", "XPSendMessageToWidget", "inWidget: int, inMessage: int, inMode: int, inParam1: int, inParam2: int",
     "int"},
    {"XPWidgets", "XPPlaceWidgetWithin", "inSubWidget: int, inContainer: int", "int"},
    {"XPWidgets", "XPCountChildWidgets", "inWidget: int", "int"},
    {"XPWidgets", "XPGetNthChildWidget", "inWidget: int, inIndex: int", "int"},
    {"XPWidgets", "XPGetParentWidget", "inWidget: int", "int"},
    {"XPWidgets", "XPShowWidget", "inWidget: int", "int"},
    {"XPWidgets", "XPHideWidget", "inWidget: int", "int"},
    {"XPWidgets", "XPIsWidgetVisible", "inWidget: int", "int"},
    {"XPWidgets", "XPFindRootWidget", "inWidget: int", "int"},
    {"XPWidgets", "XPBringRootWidgetToFront", "inWidget: int", "int"},
    {"XPWidgets", "XPIsWidgetInFront", "inWidget: int", "int"},
    {"XPWidgets", "XPGetWidgetUnderlyingWindow", "inWidget: int", "int"},
    {"XPWidgets", "XPGetWidgetGeometry",
     "inWidget: int, outLeft: " OUT_INT ", outTop: " OUT_INT ", outRight: " OUT_INT ", outBottom: " OUT_INT, "int"},
    {"XPWidgets", "XPSetWidgetGeometry", "inWidget: int, inLeft: int, inTop: int, inRight: int, inBottom: int", "int"},
    {"XPWidgets", "XPGetWidgetForLocation",
     "inContainer: int, inXOffset: int, inYOffset: int, inRecursive: int, inVisibleOnly: int", "int"},
    {"XPWidgets", "XPGetWidgetExposedGeometry",
     "inWidgetID: int, outLeft: " OUT_INT ", outTop: " OUT_INT ", outRight: " OUT_INT ", outBottom: " OUT_INT, "int"},
    {"XPWidgets", "XPSetWidgetDescriptor", "inWidget: int, inDescriptor: str", "int"},
    {"XPWidgets", "XPGetWidgetDescriptor", "inWidget: int, outDescriptor: " OUT_STR ", inMaxDescLength: int", "int"},
    {"XPWidgets", "XPSetWidgetProperty", "inWidget: int, inProperty: int, inValue: int", "int"},
    {"XPWidgets", "XPGetWidgetProperty", "inWidget: int, inProperty: int, inExists: Union[List[int], int, None]",
     "int"},
    {"XPWidgets", "XPSetKeyboardFocus", "inWidget: int", "int"},
    {"XPWidgets", "XPLoseKeyboardFocus", "inWidget: int", "int"},
    {"XPWidgets", "XPGetWidgetWithFocus", "", "int"},
    {"XPWidgets", "XPAddWidgetCallback", "self, inWidget: int, inNewCallback: " WIDGET_CALLBACK, "int"},
    {"XPWidgets", "XPGetWidgetClassFunc", "inWidgetClass: int", "int"},
    {"XPWidgets", "SetWidgetObject", "self, inWidget: int, inObject: Any", "int"},
    {"XPWidgets", "GetWidgetObject", "self, inWidget: int", "Any"},
    // ---- XPUIGraphics ----
    {"XPUIGraphics", "XPDrawWindow", "inX1: int, inY1: int, inX2: int, inY2: int, inStyle: int", "int"},
    {"XPUIGraphics", "XPGetWindowDefaultDimensions", "inStyle: int, outWidth: " OUT_INT ", outHeight: " OUT_INT,
     "int"},
    {"XPUIGraphics", "XPDrawElement", "inX1: int, inY1: int, inX2: int, inY2: int, inStyle: int, inLit: int", "int"},
    {"XPUIGraphics", "XPGetElementDefaultDimensions",
     "inStyle: int, outWidth: " OUT_INT ", outHeight: " OUT_INT ", outCanBeLit: " OUT_INT, "int"},
    {"XPUIGraphics", "XPDrawTrack",
     "inX1: int, inY1: int, inX2: int, inY2: int, inMin: int, inMax: int, inValue: int, inTrackStyle: int, "
     "inLit: int",
     "int"},
    {"XPUIGraphics", "XPGetTrackDefaultDimensions", "inStyle: int", "Tuple[int, int]"},
    {"XPUIGraphics", "XPGetTrackMetrics",
     "inX1: int, inY1: int, inX2: int, inY2: int, inMin: int, inMax: int, inValue: int, inTrackStyle: int",
     "Tuple[int, int, int, int, int, int]"},
    // ---- XPWidgetUtils ----
    {"XPWidgetUtils", "XPUCreateWidgets",
     "inWidgetDefs: Sequence[Sequence[Any]], inCount: int, inParamParent: int, ioWidgets: List[int]", "int"},
    {"XPWidgetUtils", "XPUMoveWidgetBy", "inWidget: int, inDeltaX: int, inDeltaY: int", "int"},
    {"XPWidgetUtils", "XPUFixedLayout", "inMessage: int, inWidget: int, inParam1: int, inParam2: int", "int"},
    {"XPWidgetUtils", "XPUSelectIfNeeded",
     "inMessage: int, inWidget: int, inParam1: int, inParam2: int, inEatClick: int", "int"},
    {"XPWidgetUtils", "XPUDefocusKeyboard",
     "inMessage: int, inWidget: int, inParam1: int, inParam2: int, inEatClick: int", "int"},
    {"XPWidgetUtils", "XPUDragWidget",
     "inMessage: int, inWidget: int, inParam1: int, inParam2: int, inLeft: int, inTop: int, inRight: int, "
     "inBottom: int",
     "int"},
    // ---- PythonScriptMessaging: scripts finding and messaging each other ----
    {"PythonScriptMessaging", "BM_CountScripts", "", "int"},
    {"PythonScriptMessaging", "BM_GetNthScript", "inIndex: int", "Any"},
    {"PythonScriptMessaging", "BM_FindScriptBySignature", "inSignature: str", "Any"},
    {"PythonScriptMessaging", "BM_GetScriptInfo", "inScript: Any", "Tuple[str, str, str]"},
    {"PythonScriptMessaging", "BM_IsScriptEnabled", "inScript: Any", "int"},
    {"PythonScriptMessaging", "BM_EnableScript", "inScript: Any", "int"},
    {"PythonScriptMessaging", "BM_DisableScript", "inScript: Any", "int"},
    {"PythonScriptMessaging", "BM_SendMessageToScript", "self, inRecipient: Any, inMessage: int, inParam: int", "int"},
    {"PythonScriptMessaging", "BM_ReloadScript", "inScript: Any", "int"},
    // ---- TallowbridgeUtilities: the console windows and the captured output streams ----
    {"TallowbridgeUtilities", "TallowbridgeDisplay", "inText: str", "int"},
    {"TallowbridgeUtilities", "TallowbridgeClearDisplay", "", "int"},
    {"TallowbridgeUtilities", "TallowbridgePrint", "inText: str", "int"},
    {"TallowbridgeUtilities", "TallowbridgeClearPrint", "", "int"},
    {"TallowbridgeUtilities", "PrintStdout", "inText: str", "Optional[int]"},
    {"TallowbridgeUtilities", "PrintStderr", "inText: str", "Optional[int]"},
    // ---- XPLMWeather ----
    {"XPLMWeather", "XPLMGetMETARForAirport", "airport_id: str", "str"},
    {"XPLMWeather", "XPLMGetWeatherAtLocation",
     "latitude: float, longitude: float, altitude_m: float, out_info: Optional[List[XPLMWeatherInfo_t]]", "int"},
    // ---- XPLMSound ----
    {"XPLMSound", "XPLMPlayPCMOnBus",
     "self, audioBuffer: ReadableBuffer, bufferSize: int, soundFormat: int, freqHz: int, "
     "numChannels: int, loop: int, audioType: int, inCallback: " SOUND_COMPLETE ", inRefcon: int",
     "int"},
    {"XPLMSound", "XPLMStopAudio", "fmod_channel: int", "int"},
    {"XPLMSound", "XPLMSetAudioPosition", "fmod_channel: int, position: " VECTOR ", velocity: " VECTOR, "int"},
    {"XPLMSound", "XPLMSetAudioFadeDistance", "fmod_channel: int, min_fade_distance: float, max_fade_distance: float",
     "int"},
    {"XPLMSound", "XPLMSetAudioVolume", "fmod_channel: int, source_volume: float", "int"},
    {"XPLMSound", "XPLMSetAudioPitch", "fmod_channel: int, audio_pitch_hz: float", "int"},
    {"XPLMSound", "XPLMSetAudioCone",
     "fmod_channel: int, inside_angle: float, outside_angle: float, outside_volume: float, orientation: " VECTOR,
     "int"},
    // ---- TallowbridgeVCUtilities: the virtual camera's data items ----
    {"TallowbridgeVCUtilities", "VC_CameraPluginReady", "", "int"},
    {"TallowbridgeVCUtilities", "VC_AcquireCamera", "", "int"},
    {"TallowbridgeVCUtilities", "VC_ReleaseCamera", "", "int"},
    {"TallowbridgeVCUtilities", "VC_SetCamera", "", "int"},
    {"TallowbridgeVCUtilities", "VC_GetCameraIndex", "", "int"},
    {"TallowbridgeVCUtilities", "VC_GetCameraTypeIndex", "", "int"},
    {"TallowbridgeVCUtilities", "VC_GetXOffset", "", "float"},
    {"TallowbridgeVCUtilities", "VC_GetYOffset", "", "float"},
    {"TallowbridgeVCUtilities", "VC_GetZOffset", "", "float"},
    {"TallowbridgeVCUtilities", "VC_GetHeadingOffset", "", "float"},
    {"TallowbridgeVCUtilities", "VC_GetPitchOffset", "", "float"},
    {"TallowbridgeVCUtilities", "VC_GetRollOffset", "", "float"},
    {"TallowbridgeVCUtilities", "VC_GetZoomRatio", "", "float"},
    {"TallowbridgeVCUtilities", "VC_SetCameraIndex", "inValue: int", "int"},
    {"TallowbridgeVCUtilities", "VC_SetCameraTypeIndex", "inValue: int", "int"},
    {"TallowbridgeVCUtilities", "VC_SetXOffset", "inValue: float", "int"},
    {"TallowbridgeVCUtilities", "VC_SetYOffset", "inValue: float", "int"},
    {"TallowbridgeVCUtilities", "VC_SetZOffset", "inValue: float", "int"},
    {"TallowbridgeVCUtilities", "VC_SetHeadingOffset", "inValue: float", "int"},
    {"TallowbridgeVCUtilities", "VC_SetPitchOffset", "inValue: float", "int"},
    {"TallowbridgeVCUtilities", "VC_SetRollOffset", "inValue: float", "int"},
    {"TallowbridgeVCUtilities", "VC_SetZoomRatio", "inValue: float", "int"},
    {"TallowbridgeVCUtilities", "VC_GetLookAtAircraft", "", "int"},
    {"TallowbridgeVCUtilities", "VC_SetLookAtAircraft", "inValue: int", "int"},
};
const int BM_SignatureCount = int(sizeof(BM_Signatures) / sizeof(BM_Signatures[0]));

const BM_StructType BM_StructTypes[] = {
    {"XPLMDataAccess", "XPLMDataRefInfo_t", "name: str, type: int, writable: int, owner: int"},
    {"XPLMScenery", "XPLMProbeInfo_t",
     "result: int, locationX: float, locationY: float, locationZ: float, normalX: float, normalY: float, "
     "normalZ: float, velocityX: float, velocityY: float, velocityZ: float, is_wet: int"},
    {"XPLMWeather", "XPLMWeatherInfoWinds_t",
     "alt_msl: float, speed: float, direction: float, gust_speed: float, shear: float, turbulence: float"},
    {"XPLMWeather", "XPLMWeatherInfoClouds_t", "cloud_type: float, coverage: float, alt_top: float, alt_base: float"},
    {"XPLMWeather", "XPLMWeatherInfo_t",
     "temperature_alt: float, dewpoint_alt: float, pressure_alt: float, precip_rate_alt: float, "
     "wind_dir_alt: float, wind_spd_alt: float, turbulence_alt: float, wave_height: float, wave_length: float, "
     "wave_dir: int, wave_speed: float, visibility: float, precip_rate: float, thermal_climb: float, "
     "pressure_sl: float, wind_layers: List[XPLMWeatherInfoWinds_t], cloud_layers: List[XPLMWeatherInfoClouds_t]"},
};
const int BM_StructTypeCount = int(sizeof(BM_StructTypes) / sizeof(BM_StructTypes[0]));
