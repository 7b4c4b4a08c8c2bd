/* A plug-in in C written as its author would write it for X-Plane 12 against SDK 4.0: a modern
 * window, flight loop objects of both phases, features, data-ref introspection, the weather and a
 * sound. The tests
 * build it against the stand-in's headers and run it on bmsim beside Brindlemoor. It writes
 * what it sees to the simulator log, each line starting with "sdk4: ". */

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "XPLMDataAccess.h"
#include "XPLMDisplay.h"
#include "XPLMGraphics.h"
#include "XPLMPlugin.h"
#include "XPLMProcessing.h"
#include "XPLMSound.h"
#include "XPLMUtilities.h"
#include "XPLMWeather.h"

static XPLMWindowID gWindow;
static XPLMFlightLoopID gBefore, gAfter;
static int gDraws, gBeforeCalls, gAfterCalls, gOrderRight = 1;
static short gClick[160];  /* 20 ms of silence at 8000 Hz */

static void Say(const char* format, ...);
static void Clicked(void* refcon, FMOD_RESULT status) {
    (void)refcon;
    Say("sound done %d", (int)status);
}

static void Say(const char* format, ...) {
    char line[512] = "sdk4: ";
    va_list args;
    va_start(args, format);
    vsnprintf(line + 6, sizeof line - 7, format, args);
    va_end(args);
    strcat(line, "\n");
    XPLMDebugString(line);
}

static void Draw(XPLMWindowID window, void* refcon) {
    if (window == gWindow && refcon == &gWindow) ++gDraws;
}
static int Click(XPLMWindowID window, int x, int y, XPLMMouseStatus status, void* refcon) {
    (void)window, (void)x, (void)y, (void)status, (void)refcon;
    return 1;
}
static void Key(XPLMWindowID window, char key, XPLMKeyFlags flags, char virtualKey, void* refcon, int losingFocus) {
    (void)window, (void)key, (void)flags, (void)virtualKey, (void)refcon, (void)losingFocus;
}
static XPLMCursorStatus Cursor(XPLMWindowID window, int x, int y, void* refcon) {
    (void)window, (void)x, (void)y, (void)refcon;
    return xplm_CursorArrow;
}
static int Wheel(XPLMWindowID window, int x, int y, int wheel, int clicks, void* refcon) {
    (void)window, (void)x, (void)y, (void)wheel, (void)clicks, (void)refcon;
    return 1;
}

/* Each frame runs the loop before the flight model, then the one after it. */
static float Before(float sinceCall, float sinceLoop, int counter, void* refcon) {
    (void)sinceCall, (void)sinceLoop, (void)counter;
    if (refcon != &gBefore || gBeforeCalls != gAfterCalls) gOrderRight = 0;
    ++gBeforeCalls;
    return -1.0f;
}
static float After(float sinceCall, float sinceLoop, int counter, void* refcon) {
    (void)sinceCall, (void)sinceLoop, (void)counter;
    if (refcon != &gAfter || gAfterCalls + 1 != gBeforeCalls) gOrderRight = 0;
    ++gAfterCalls;
    return -1.0f;
}

static void Feature(const char* name, void* refcon) {
    (void)refcon;
    Say("feature %s", name);
}

PLUGIN_API int XPluginStart(char* outName, char* outSignature, char* outDescription) {
    strcpy(outName, "SDK 4 plug-in");
    strcpy(outSignature, "brindlemoor.tests.sdk4");
    strcpy(outDescription, "A C plug-in written against SDK 4.0");

    int xplane = 0, xplm = 0;
    XPLMHostApplicationID host;
    XPLMGetVersions(&xplane, &xplm, &host);
    Say("X-Plane %d, XPLM %d", xplane, xplm);

    XPLMEnumerateFeatures(Feature, NULL);
    if (XPLMHasFeature("XPLM_USE_NATIVE_PATHS")) XPLMEnableFeature("XPLM_USE_NATIVE_PATHS", 1);
    Say("native paths %d, separator %s", XPLMIsFeatureEnabled("XPLM_USE_NATIVE_PATHS"), XPLMGetDirectorySeparator());

    /* Every data ref the simulator lists is there, with its type and writability. */
    XPLMDataRef localX = XPLMFindDataRef("sim/flightmodel/position/local_x");
    XPLMDataRefInfo_t info;
    memset(&info, 0, sizeof info);
    info.structSize = sizeof info;
    XPLMGetDataRefInfo(localX, &info);
    Say("%s: type %d, writable %d, owner %d, good %d", info.name ? info.name : "(none)", info.type, info.writable,
        info.owner, XPLMIsDataRefGood(localX));
    int count = XPLMCountDataRefs();
    XPLMDataRef first[2] = {NULL, NULL};
    XPLMGetDataRefsByIndex(0, 2, first);
    Say("%s 5000 data refs, the first found by index %d", count > 5000 ? "over" : "under", first[0] != NULL);

    XPLMFixedString150_t metar;
    XPLMGetMETARForAirport("KSEA", &metar);
    XPLMWeatherInfo_t weather;
    memset(&weather, 0, sizeof weather);
    weather.structSize = sizeof weather;
    int detailed = XPLMGetWeatherAtLocation(47.45, -122.31, 1000.0, &weather);
    Say("%s; detailed %d, %.1f C at 1000 m", metar.buffer, detailed, weather.temperature_alt);
    Say("sound %d", XPLMPlayPCMOnBus(gClick, sizeof gClick, FMOD_SOUND_FORMAT_PCM16, 8000, 1, 0, xplm_AudioUI,
                                     Clicked, NULL) != NULL);

    XPLMCreateWindow_t params;
    memset(&params, 0, sizeof params);
    params.structSize = sizeof params;
    params.left = 100;
    params.top = 400;
    params.right = 400;
    params.bottom = 200;
    params.visible = 1;
    params.drawWindowFunc = Draw;
    params.handleMouseClickFunc = Click;
    params.handleKeyFunc = Key;
    params.handleCursorFunc = Cursor;
    params.handleMouseWheelFunc = Wheel;
    params.refcon = &gWindow;
    params.decorateAsFloatingWindow = xplm_WindowDecorationRoundRectangle;
    params.layer = xplm_WindowLayerFloatingWindows;
    params.handleRightClickFunc = Click;
    gWindow = XPLMCreateWindowEx(&params);
    XPLMSetWindowTitle(gWindow, "SDK 4");
    XPLMSetWindowResizingLimits(gWindow, 200, 100, 800, 600);
    XPLMSetWindowPositioningMode(gWindow, xplm_WindowPositionFree, -1);
    int left, top, right, bottom;
    XPLMGetScreenBoundsGlobal(&left, &top, &right, &bottom);
    Say("window %d, popped out %d, in VR %d, screen %d %d %d %d", gWindow != NULL, XPLMWindowIsPoppedOut(gWindow),
        XPLMWindowIsInVR(gWindow), left, top, right, bottom);

    XPLMCreateFlightLoop_t loop = {sizeof loop, xplm_FlightLoop_Phase_BeforeFlightModel, Before, &gBefore};
    gBefore = XPLMCreateFlightLoop(&loop);
    loop.phase = xplm_FlightLoop_Phase_AfterFlightModel;
    loop.callbackFunc = After;
    loop.refcon = &gAfter;
    gAfter = XPLMCreateFlightLoop(&loop);
    XPLMScheduleFlightLoop(gBefore, -1.0f, 1);
    XPLMScheduleFlightLoop(gAfter, -1.0f, 1);
    return 1;
}

PLUGIN_API void XPluginStop(void) {
    Say("before-loop %d calls, after-loop %d calls, in order %d, drawn %d", gBeforeCalls, gAfterCalls, gOrderRight,
        gDraws > 0);
    XPLMDestroyFlightLoop(gBefore);
    XPLMDestroyFlightLoop(gAfter);
    XPLMDestroyWindow(gWindow);
}

PLUGIN_API int XPluginEnable(void) { return 1; }
PLUGIN_API void XPluginDisable(void) {}
PLUGIN_API void XPluginReceiveMessage(XPLMPluginID from, int message, void* param) {
    (void)from, (void)message, (void)param;
}
