#ifndef XPLMCamera_h
#define XPLMCamera_h
/* Camera control: taking the view camera over and reading where it is. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int XPLMCameraControlDuration;
enum { xplm_ControlCameraUntilViewChanges = 1, xplm_ControlCameraForever = 2 };

typedef struct {
    float x;
    float y;
    float z;
    float pitch;
    float heading;
    float roll;
    float zoom;
} XPLMCameraPosition_t;

typedef int (*XPLMCameraControl_f)(XPLMCameraPosition_t * outCameraPosition, int inIsLosingControl,
                                   void * inRefcon);

XPLM_API void XPLMControlCamera(XPLMCameraControlDuration inHowLong, XPLMCameraControl_f inControlFunc,
                                void * inRefcon);
XPLM_API void XPLMDontControlCamera(void);
XPLM_API int XPLMIsCameraBeingControlled(XPLMCameraControlDuration * outCameraControlDuration);
XPLM_API void XPLMReadCameraPosition(XPLMCameraPosition_t * outCameraPosition);

#ifdef __cplusplus
}
#endif
#endif
