#include "BM_Popups.h"

XPWidgetID BM_CreatePopup(int, int, int, int, int, const char*, XPWidgetID) { return nullptr; }
