#ifndef XPWidgetDefs_h
#define XPWidgetDefs_h
/* Widget handles, messages and the widget callback type. */

#include "XPLMDefs.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef void * XPWidgetID;
typedef int XPWidgetPropertyID;
typedef int XPWidgetMessage;
typedef int XPWidgetClass;
#define xpWidgetClass_None 0

typedef int (*XPWidgetFunc_t)(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1,
                              intptr_t inParam2);

#ifdef __cplusplus
}
#endif
#endif
