#ifndef BM_POPUPS_H
#define BM_POPUPS_H
// The popup menu (a window of its own over the screen, closing on the next mouse-up) and the
// popup button, a widget of the plug-in's own that opens one over itself.

#include <string>
#include <vector>

#include "XPLMDisplay.h"
#include "XPWidgetDefs.h"

// Properties of a popup button.
enum {
    xpProperty_PopupChoice = 1800,      // the chosen item
    xpProperty_PopupItemOffset = 1898,  // where the chosen item's text starts in the descriptor
    xpProperty_PopupItemLength = 1899   // its length
};

// Sent up the widget chain when an item is picked: param1 the popup button, param2 the item.
enum { xpMsg_PopupChoiceMade = 1800 };

// Called once when a popup menu closes, with the picked item or -1.
typedef void (*BM_PopupPick_f)(int inChoice, void* inRefcon);

struct BM_PopupMenu_t {
    XPLMWindowID window = nullptr;
    std::vector<std::string> items;
    std::vector<bool> enabled;
    std::vector<int> lefts, rights;  // from `left`
    std::vector<int> bottoms, tops;  // from `top`: 0 or below
    std::vector<int> vstripes;       // column boundaries, from `left`
    int left = 0, top = 0, right = 0, bottom = 0;
    BM_PopupPick_f function = nullptr;
    void* ref = nullptr;
};

// Opens a popup menu of the ';'-separated items ("-" a separator, a leading '(' not pickable)
// with item inCurrentItem under the point.
void XPPickPopup(int inMouseX, int inMouseY, const char* inItems, int inCurrentItem, BM_PopupPick_f inCallback,
                 void* inRefcon);
int XPItemForHeight(BM_PopupMenu_t* pmenu, int inX, int inY);
// Closes every open popup menu without a pick (their callbacks are not called); for the
// plug-in's stop, before its widgets go.
void BM_ClosePopups();

XPWidgetID BM_CreatePopup(int inLeft, int inTop, int inRight, int inBottom, int inVisible, const char* inDescriptor,
                          XPWidgetID inContainer);
int BM_PopupButtonProc(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2);

#endif
