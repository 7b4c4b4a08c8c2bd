#ifndef XPLMPlanes_h
#define XPLMPlanes_h
/* Aircraft: the type of the callback that tells a plug-in aircraft are available. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void (*XPLMPlanesAvailable_f)(void * inRefcon);

#ifdef __cplusplus
}
#endif
#endif
