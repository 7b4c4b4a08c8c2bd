#ifndef XPLMDisplay_h
#define XPLMDisplay_h
/* Drawing phases, windows, key sniffers and hot keys: the types plug-ins register callbacks with. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int XPLMDrawingPhase;
enum {
    xplm_Phase_FirstScene = 0,
    xplm_Phase_Terrain = 5,
    xplm_Phase_Airports = 10,
    xplm_Phase_Vectors = 15,
    xplm_Phase_Objects = 20,
    xplm_Phase_Airplanes = 25,
    xplm_Phase_LastScene = 30,
    xplm_Phase_FirstCockpit = 35,
    xplm_Phase_Panel = 40,
    xplm_Phase_Gauges = 45,
    xplm_Phase_Window = 50,
    xplm_Phase_LastCockpit = 55,
    xplm_Phase_LocalMap3D = 100,
    xplm_Phase_LocalMap2D = 101,
    xplm_Phase_LocalMapProfile = 102
};

typedef int (*XPLMDrawCallback_f)(XPLMDrawingPhase inPhase, int inIsBefore, void * inRefcon);
typedef int (*XPLMKeySniffer_f)(char inChar, XPLMKeyFlags inFlags, char inVirtualKey, void * inRefcon);

typedef int XPLMMouseStatus;
enum { xplm_MouseDown = 1, xplm_MouseDrag = 2, xplm_MouseUp = 3 };

typedef void * XPLMWindowID;
typedef void (*XPLMDrawWindow_f)(XPLMWindowID inWindowID, void * inRefcon);
typedef void (*XPLMHandleKey_f)(XPLMWindowID inWindowID, char inKey, XPLMKeyFlags inFlags,
                                char inVirtualKey, void * inRefcon, int losingFocus);
typedef int (*XPLMHandleMouseClick_f)(XPLMWindowID inWindowID, int x, int y, XPLMMouseStatus inMouse,
                                      void * inRefcon);

typedef void * XPLMHotKeyID;
typedef void (*XPLMHotKey_f)(void * inRefcon);

#ifdef __cplusplus
}
#endif
#endif
