#include "BM_ListBox.h"

XPWidgetID BM_CreateListBox(int, int, int, int, int, const char*, XPWidgetID) { return nullptr; }
void SetupAmbientColor(int, float*) {}
void SetAlphaLevels(float) {}
const BM_ListBoxData_t* BM_ListBoxItems(XPWidgetID) { return nullptr; }
