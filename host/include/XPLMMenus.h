#ifndef XPLMMenus_h
#define XPLMMenus_h
/* Menus under the simulator's menu bar and Plugins menu. */

#include "XPLMDefs.h"
#include "XPLMUtilities.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef int XPLMMenuCheck;
enum {
    xplm_Menu_NoCheck = 0,
    xplm_Menu_Unchecked = 1,
    xplm_Menu_Checked = 2
};

typedef void * XPLMMenuID;
typedef void (*XPLMMenuHandler_f)(void * inMenuRef, void * inItemRef);

XPLM_API XPLMMenuID XPLMFindPluginsMenu(void);
XPLM_API XPLMMenuID XPLMCreateMenu(const char * inName, XPLMMenuID inParentMenu, int inParentItem,
                                   XPLMMenuHandler_f inHandler, void * inMenuRef);
XPLM_API void XPLMDestroyMenu(XPLMMenuID inMenuID);
XPLM_API void XPLMClearAllMenuItems(XPLMMenuID inMenuID);
XPLM_API int XPLMAppendMenuItem(XPLMMenuID inMenu, const char * inItemName, void * inItemRef,
                                int inForceEnglish);
XPLM_API void XPLMAppendMenuSeparator(XPLMMenuID inMenu);
/* The items after it move up one: their indices drop by one. */
XPLM_API void XPLMRemoveMenuItem(XPLMMenuID inMenu, int inIndex);
XPLM_API void XPLMSetMenuItemName(XPLMMenuID inMenu, int inIndex, const char * inItemName,
                                  int inForceEnglish);
XPLM_API void XPLMCheckMenuItem(XPLMMenuID inMenu, int index, XPLMMenuCheck inCheck);
XPLM_API void XPLMCheckMenuItemState(XPLMMenuID inMenu, int index, XPLMMenuCheck * outCheck);
XPLM_API void XPLMEnableMenuItem(XPLMMenuID inMenu, int index, int enabled);

#if defined(XPLM300)
/* The menu of the user's aircraft: only the aircraft's own plug-ins get it, others NULL. */
XPLM_API XPLMMenuID XPLMFindAircraftMenu(void);
/* An item that runs the command when chosen (instead of calling the menu's handler). */
XPLM_API int XPLMAppendMenuItemWithCommand(XPLMMenuID inMenu, const char * inItemName,
                                           XPLMCommandRef inCommandToExecute);
#endif

#ifdef __cplusplus
}
#endif
#endif
