#ifndef BM_LISTBOX_H
#define BM_LISTBOX_H
// The list box: a widget of the plug-in's own (a custom widget function), a column of one-line
// items with a vertical scroll bar, fed through request properties. The control panel's two
// consoles are list boxes. Also the interface colours that the list box and the popup menu
// draw with.

#include <string>
#include <vector>

#include "XPWidgetDefs.h"

// Properties of a list box.
enum {
    xpProperty_ListSelection = 1900,      // the selected item, -1 for none
    xpProperty_ListAppendItem = 1901,     // request: append the descriptor as one item
    xpProperty_ListRefill = 1902,         // request: the descriptor's ';'-separated items replace all
    xpProperty_ListClear = 1903,          // request: remove every item
    xpProperty_ListInsertItem = 1904,     // request: insert the descriptor as one item at the selection
    xpProperty_ListDeleteItem = 1905,     // request: delete the selected item
    xpProperty_ListData = 1906,           // kept for those who look; the plug-in never reads it
    xpProperty_ListVisibleRows = 1907,
    xpProperty_ListThumbDragging = 1908,
    xpProperty_ListScrollMin = 1909,
    xpProperty_ListScrollMax = 1910,
    xpProperty_ListScrollPosition = 1911,
    xpProperty_ListPageAmount = 1912,
    xpProperty_ListDeleteLastItems = 1913  // request: delete that many items from the end
};

// Sent up the widget chain when the mouse is released over the list: param1 the list box,
// param2 the selection.
enum { xpMsg_ListItemChosen = 1900 };

// One list box's items, in three parallel arrays of equal length.
struct BM_ListBoxData_t {
    std::vector<std::string> Items;
    std::vector<int> Lefts;   // left end of each item's clickable span, from the list's left
    std::vector<int> Rights;  // right end, from the list's left
};

// A list box whose descriptor holds its first items, separated by ';'.
XPWidgetID BM_CreateListBox(int inLeft, int inTop, int inRight, int inBottom, int inVisible, const char* inDescriptor,
                            XPWidgetID inContainer);
int BM_ListBoxProc(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2);

void BM_ListBoxFillWithData(BM_ListBoxData_t* pListBoxData, const char* inItems, int Width);
void BM_ListBoxAddItem(BM_ListBoxData_t* pListBoxData, const char* pBuffer, int Width);
void BM_ListBoxInsertItem(BM_ListBoxData_t* pListBoxData, const char* pBuffer, int Width, int CurrentItem);
void BM_ListBoxDeleteItem(BM_ListBoxData_t* pListBoxData, int CurrentItem);
void BM_ListBoxClear(BM_ListBoxData_t* pListBoxData);

// The items of a list box, or null for a widget that is not one (of this plug-in).
const BM_ListBoxData_t* BM_ListBoxItems(XPWidgetID listBox);

// Interface colour `inColorID` (0 to 11): into outColor (red, green, blue) or, without it, as the
// current drawing colour with the alpha level.
void SetupAmbientColor(int inColorID, float* outColor);
void SetAlphaLevels(float inAlphaLevel);

#endif
