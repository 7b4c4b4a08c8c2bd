#ifndef XPLMPlanes_h
#define XPLMPlanes_h
/* Aircraft: the user's aircraft, the other aircraft, exclusive use of them, drawing them. */
#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

#define XPLM_USER_AIRCRAFT 0

typedef struct {
    int structSize;
    float gearPosition;
    float flapRatio;
    float spoilerRatio;
    float speedBrakeRatio;
    float slatRatio;
    float wingSweep;
    float thrust;
    float yokePitch;
    float yokeHeading;
    float yokeRoll;
} XPLMPlaneDrawState_t;

typedef void (*XPLMPlanesAvailable_f)(void * inRefcon);

XPLM_API void XPLMSetUsersAircraft(const char * inAircraftPath);
XPLM_API void XPLMPlaceUserAtAirport(const char * inAirportCode);
XPLM_API void XPLMCountAircraft(int * outTotalAircraft, int * outActiveAircraft, XPLMPluginID * outController);
XPLM_API void XPLMGetNthAircraftModel(int inIndex, char * outFileName, char * outPath);
XPLM_API int XPLMAcquirePlanes(char ** inAircraft, XPLMPlanesAvailable_f inCallback, void * inRefcon);
XPLM_API void XPLMReleasePlanes(void);
XPLM_API void XPLMSetActiveAircraftCount(int inCount);
XPLM_API void XPLMSetAircraftModel(int inIndex, const char * inAircraftPath);
XPLM_API void XPLMDisableAIForPlane(int inPlaneIndex);
XPLM_API void XPLMDrawAircraft(int inPlaneIndex, float inX, float inY, float inZ, float inPitch, float inRoll,
                               float inYaw, int inFullDraw, XPLMPlaneDrawState_t * inDrawStateInfo);
XPLM_API void XPLMReinitUsersPlane(void);
#if defined(XPLM300)
XPLM_API void XPLMPlaceUserAtLocation(double latitudeDegrees, double longitudeDegrees, float elevationMetersMSL,
                                      float headingDegreesTrue, float speedMetersPerSecond);
#endif /* XPLM300 */

#ifdef __cplusplus
}
#endif

#endif
