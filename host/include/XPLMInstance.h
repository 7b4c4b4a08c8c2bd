#ifndef XPLMInstance_h
#define XPLMInstance_h
/* Instances: objects the simulator draws each frame where a plug-in last put them, with the
   values of their animation data refs. Needs XPLMScenery.h's object types (XPLM200). */
#include "XPLMDefs.h"
#include "XPLMScenery.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void * XPLMInstanceRef;

XPLM_API XPLMInstanceRef XPLMCreateInstance(XPLMObjectRef obj, const char ** datarefs);
XPLM_API void XPLMDestroyInstance(XPLMInstanceRef instance);
XPLM_API void XPLMInstanceSetPosition(XPLMInstanceRef instance, const XPLMDrawInfo_t * new_position,
                                      const float * data);

#ifdef __cplusplus
}
#endif

#endif
