#ifndef XPLMCamera_h
#define XPLMCamera_h
/* Camera control: the types of a camera controller callback. */

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

#ifdef __cplusplus
}
#endif
#endif
