#ifndef BM_WIDGETSTUFF_H
#define BM_WIDGETSTUFF_H
// The plug-in's menu, the control panel with its two consoles, the two script windows, and the
// script list that the control panel shows.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "XPWidgetDefs.h"

typedef struct _object PyObject;

// ---- Script list, rebuilt by every interpreter start ----
extern std::vector<std::string> TestText;  // module names in list order
extern std::string szPopupText;            // each name followed by ';', or a status text
extern std::string ScriptName;             // the first name, or the status text
inline int NumberOfScripts() { return int(TestText.size()); }

// Lists the script folder and fills the script list; returns ScriptName.
const std::string& GetScriptFiles(const std::string& folder);
// Picks the script names out of a folder listing, in listing order: ".py" files first, then
// ".pyc" files whose module is not listed yet.
std::vector<std::string> SelectScriptNames(const std::vector<std::string>& fileNames);
// The script folder is missing: the popup says so. Returns szPopupText.
const std::string& SetErrorText();

// ---- Menu ----
// 1 while the control panel, the enable/disable window and the information window are current.
extern int BM_MenuItem1, BM_MenuItem2, BM_MenuItem3;
// Installs the menu, and the data refs through which other plug-ins read the consoles.
void SetupWidgets(const char* pName);
// Destroys the windows and withdraws the console data refs; called at plug-in stop.
void DestroyWidgets();
// The plug-in's own menu (Plugins > Brindlemoor) while installed, else null; scripts cannot change it.
void* BM_PluginMenu();
// iRef is the chosen item's reference text: "ControlPanel", "ScriptEnableDisable" or
// "ScriptInformation".
void BrindlemoorMenuHandler(void* mRef, void* iRef);

// ---- Control panel ----
extern XPWidgetID BrindlemoorWidget, BrindlemoorWindow, BrindlemoorDisplayConsole, BrindlemoorPrintConsole,
    BrindlemoorPopup, StartPythonButton, StopPythonButton, ReLoadScripts, ClearLB, ReloadPlugins, ScriptInfo,
    EnableOutputFileCheckBox, EnableOutputFileText;
// The item chosen in the popup: whatever the popup's property said, checked against the script
// list before it is used.
extern intptr_t curItem;
// Builds the panel with its top-left corner at (x, y); the menu uses (500, 650, 450, 550).
void CreateBrindlemoor(int x, int y, int w, int h);
int BrindlemoorHandler(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2);
// The panel's title: "Brindlemoor v1.92 - Python scripts for X-Plane".
std::string BrindlemoorTitle();

// ---- Consoles ----
// Each line of an added text ("\n" or "\r\n" ends one; empty ones are left out) becomes one row
// or more (SplitConsoleText). While the console exists each row becomes one item; before, rows
// wait in the console's pending text, each followed by ';', and become the console's first items
// when the panel is built. Nothing these throw reaches the caller; texts from other threads
// wait for the simulator's thread.
void AddDisplayItem(const char* pBuffer) noexcept;
void AddPrintItem(const char* pBuffer) noexcept;
// What scripts write to their standard streams, to the print console: writes are joined up to
// each line end, one item per line (an empty line too); the text after the last line end shows
// at once as the last item and is completed in place by the next write.
void AddPrintText(const char* text) noexcept;
// Empty a console; before the panel exists this does nothing and the pending text stays.
void ClearDisplay() noexcept;
void ClearPrint() noexcept;
const std::string& PendingDisplayText();
const std::string& PendingPrintText();
// The items a console holds, as the list box has them; before the panel exists, the items the
// pending text will become.
std::vector<std::string> DisplayConsoleItems();
std::vector<std::string> PrintConsoleItems();

// How a text is cut into console rows: 45 characters at most, broken at the last blank (which
// goes) or else hard; every character of the text is in a row.
std::vector<std::string> SplitConsoleText(const char* text);

// The data refs that hold the consoles' items, each item followed by a NUL byte. Read-only.
extern const char kDisplayConsoleDataRef[];  // "brindlemoor/consoles/display"
extern const char kPrintConsoleDataRef[];    // "brindlemoor/consoles/print"

// ---- Script windows ----
extern std::vector<PyObject*> ScriptId;  // snapshot of the script table's ids, in table order
extern int NumberOfScriptIds;            // the table's size when the snapshot was taken
extern int MaxScreenNumber;              // the last page: 8 scripts a page
extern int ScriptInfoScreenNumber, ScriptAdminScreenNumber;
constexpr int kScriptRows = 8;

extern XPWidgetID ScriptInfoWidget, ScriptInfoPanel1, ScriptInfoPanel2, ScriptInfoRefreshButton,
    ScriptInfoPreviousButton, ScriptInfoNextButton;
extern XPWidgetID NameText[16], SignatureText[16], DescriptionText[16];
extern XPWidgetID ScriptAdminWidget, ScriptAdminPanel, ScriptAdminCaption1, ScriptAdminCaption2,
    ScriptAdminPreviousButton, ScriptAdminNextButton;
extern XPWidgetID ScriptAdminEdit[kScriptRows], ScriptAdminCheckBox[kScriptRows];

void GetScriptIds();
void CreateScriptInfo(int x, int y, int w, int h);
void CreateScriptAdmin(int x, int y, int w, int h);
void RefreshScriptInfo();
void RefreshScriptAdmin();
int ScriptInfoHandler(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2);
int ScriptAdminHandler(XPWidgetMessage inMessage, XPWidgetID inWidget, intptr_t inParam1, intptr_t inParam2);

// The script table changed under the open script windows (a script reloaded): they take the
// scripts anew and show them.
void BM_ScriptWindowsChanged() noexcept;

// Whether the widget is one of the plug-in's own: a window of it (the control panel, the script
// windows) or anything inside one. Scripts may read them but neither change nor destroy them.
bool BM_IsPluginWidget(XPWidgetID widget);

// A script id as the windows print it: every bit, in lower-case hexadecimal without "0x".
std::string ScriptIdText(const void* id);

#endif
