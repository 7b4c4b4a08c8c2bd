#include "PythonModules.h"

#include "BrindlemoorBase.h"
#include "PythonTBUtilities.h"

const BM_ModuleRow BM_Modules[] = {
    {"XPLMDefs", [](const std::string&) { initXPLMDefs(); }},
    {"XPLMCamera", [](const std::string&) { initXPLMCamera(); }},
    {"XPLMDataAccess", [](const std::string&) { initXPLMDataAccess(); }},
    {"XPLMDisplay", [](const std::string&) { initXPLMDisplay(); }},
    {"XPLMGraphics", [](const std::string&) { initXPLMGraphics(); }},
    {"XPLMMenus", [](const std::string&) { initXPLMMenus(); }},
    {"XPLMNavigation", [](const std::string&) { initXPLMNavigation(); }},
    {"XPLMProcessing", [](const std::string&) { initXPLMProcessing(); }},
    {"XPLMUtilities", [](const std::string&) { initXPLMUtilities(); }},
    {"XPLMPlanes", [](const std::string&) { initXPLMPlanes(); }},
    {"XPLMPlugin", [](const std::string&) { initXPLMPlugin(); }},
    {"XPWidgetDefs", [](const std::string&) { initXPWidgetDefs(); }},
    {"XPWidgets", [](const std::string&) { initXPWidgets(); }},
    {"XPStandardWidgets", [](const std::string&) { initXPStandardWidgets(); }},
    {"XPUIGraphics", [](const std::string&) { initXPUIGraphics(); }},
    {"XPWidgetUtils", [](const std::string&) { initXPWidgetUtils(); }},
    {"PythonScriptMessaging", [](const std::string&) { initPythonScriptMessaging(); }},
    {"TallowbridgeUtilities", [](const std::string& path) { initTallowbridgeUtilities(path.c_str()); }},
    {"TallowbridgeVCUtilities", [](const std::string&) { initTallowbridgeVCUtilities(); }},
};
const int BM_ModuleCount = int(sizeof(BM_Modules) / sizeof(BM_Modules[0]));

void BM_RegisterModules(const std::string& interpreterPath) {
    for (const BM_ModuleRow& row : BM_Modules) {
        if (!row.init) continue;
        BM_RunOrLog(row.name, [&] { row.init(interpreterPath); });
    }
}
