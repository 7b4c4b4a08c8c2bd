#ifndef XPLMDataAccess_h
#define XPLMDataAccess_h
/* Named simulator data: lookup, typed reads and writes, and data shared between plug-ins. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void * XPLMDataRef;
typedef int XPLMDataTypeID;
enum {
    xplmType_Unknown = 0,
    xplmType_Int = 1,
    xplmType_Float = 2,
    xplmType_Double = 4,
    xplmType_FloatArray = 8,
    xplmType_IntArray = 16,
    xplmType_Data = 32
};

XPLM_API XPLMDataRef XPLMFindDataRef(const char * inDataRefName);
XPLM_API int XPLMCanWriteDataRef(XPLMDataRef inDataRef);
XPLM_API XPLMDataTypeID XPLMGetDataRefTypes(XPLMDataRef inDataRef);
XPLM_API int XPLMGetDatai(XPLMDataRef inDataRef);
XPLM_API void XPLMSetDatai(XPLMDataRef inDataRef, int inValue);
XPLM_API float XPLMGetDataf(XPLMDataRef inDataRef);
XPLM_API void XPLMSetDataf(XPLMDataRef inDataRef, float inValue);
XPLM_API double XPLMGetDatad(XPLMDataRef inDataRef);
XPLM_API void XPLMSetDatad(XPLMDataRef inDataRef, double inValue);

typedef void (*XPLMDataChanged_f)(void * inRefcon);

XPLM_API int XPLMShareData(const char * inDataName, XPLMDataTypeID inDataType,
                           XPLMDataChanged_f inNotificationFunc, void * inNotificationRefcon);
XPLM_API int XPLMUnshareData(const char * inDataName, XPLMDataTypeID inDataType,
                             XPLMDataChanged_f inNotificationFunc, void * inNotificationRefcon);

#ifdef __cplusplus
}
#endif
#endif
