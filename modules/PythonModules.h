#ifndef BM_PYTHONMODULES_H
#define BM_PYTHONMODULES_H
// The built-in modules offered to scripts, in the one order in which every interpreter start
// registers them.
//
// Arguments that do not match a function's format: the function returns null with the
// argument parser's TypeError, as any Python function does; the host is never called with
// unparsed values. Scripts see the error where they made the call.

#include <string>
#include <vector>

struct BM_ModuleRow {
    const char* name;
    // Null while the module is not part of the plug-in yet. The argument is the script folder
    // in POSIX form; only the output utilities module uses it.
    void (*init)(const std::string& interpreterPath);
};

extern const BM_ModuleRow BM_Modules[];
extern const int BM_ModuleCount;

void BM_RegisterModules(const std::string& interpreterPath);

void initXPLMDefs();
void initXPLMCamera();
void initXPLMDataAccess();
void initXPLMDisplay();
void initXPLMGraphics();
void initXPLMMap();
void initXPLMMenus();
void initXPLMNavigation();
void initXPLMPlanes();
void initXPLMScenery();
void initXPLMInstance();
void initXPLMPlugin();
void initXPLMProcessing();
void initXPLMSound();
void initXPLMWeather();
void initXPLMUtilities();
void initXPWidgetDefs();
void initXPWidgets();
void initXPStandardWidgets();
void initXPUIGraphics();
void initXPWidgetUtils();
void initPythonScriptMessaging();
void initTallowbridgeVCUtilities();

// Destroys the widgets that scripts created and left behind; the interpreter's stop calls it
// once the scripts are stopped.
void BM_DestroyScriptWidgets();
// A widget and every widget below it, parents before children.
std::vector<void*> BM_WidgetSubtree(void* widget);

#endif
