#ifndef XPLMProcessing_h
#define XPLMProcessing_h
/* The simulator clock and frame counter. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef float (*XPLMFlightLoop_f)(float inElapsedSinceLastCall, float inElapsedTimeSinceLastFlightLoop,
                                  int inCounter, void * inRefcon);

XPLM_API float XPLMGetElapsedTime(void);
XPLM_API int XPLMGetCycleNumber(void);

#ifdef __cplusplus
}
#endif
#endif
