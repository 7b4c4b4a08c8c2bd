#ifndef BM_WIDGETSTUFF_H
#define BM_WIDGETSTUFF_H
// The plug-in's menu, its consoles, and the script list that the control panel shows.

#include <array>
#include <string>
#include <vector>

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
extern int BM_MenuItem1, BM_MenuItem2, BM_MenuItem3;
void SetupWidgets(const char* pName);
void DestroyWidgets();
void BrindlemoorMenuHandler(void* mRef, void* iRef);

// ---- Consoles ----
// Each added text becomes up to three lines; lines added while a console does not exist yet
// are kept in its pending text, each followed by ';'.
void AddDisplayItem(const char* pBuffer);
void AddPrintItem(const char* pBuffer);
void ClearDisplay();
void ClearPrint();
const std::string& PendingDisplayText();
const std::string& PendingPrintText();

// How a text is cut into console lines; empty lines are not shown.
std::array<std::string, 3> SplitConsoleText(const char* text);

#endif
