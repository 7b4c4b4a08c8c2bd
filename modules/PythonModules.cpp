#include "PythonModules.h"

#include "BrindlemoorBase.h"
#include "PythonTBUtilities.h"

const BM_ModuleRow BM_Modules[] = {
    {"XPLMDefs", [](const std::string&) { initXPLMDefs(); }},
    {"XPLMCamera", nullptr},
    {"XPLMDataAccess", [](const std::string&) { initXPLMDataAccess(); }},
    {"XPLMDisplay", [](const std::string&) { initXPLMDisplay(); }},
    {"XPLMGraphics", [](const std::string&) { initXPLMGraphics(); }},
    {"XPLMMenus", [](const std::string&) { initXPLMMenus(); }},
    {"XPLMNavigation", nullptr},
    {"XPLMProcessing", [](const std::string&) { initXPLMProcessing(); }},
    {"XPLMUtilities", nullptr},
    {"XPLMPlanes", nullptr},
    {"XPLMPlugin", nullptr},
    {"XPWidgetDefs", [](const std::string&) { initXPWidgetDefs(); }},
    {"XPWidgets", [](const std::string&) { initXPWidgets(); }},
    {"XPStandardWidgets", [](const std::string&) { initXPStandardWidgets(); }},
    {"XPUIGraphics", [](const std::string&) { initXPUIGraphics(); }},
    {"XPWidgetUtils", [](const std::string&) { initXPWidgetUtils(); }},
    {"PythonScriptMessaging", nullptr},
    {"TallowbridgeUtilities", [](const std::string& path) { initTallowbridgeUtilities(path.c_str()); }},
    {"TallowbridgeVCUtilities", nullptr},
};
const int BM_ModuleCount = int(sizeof(BM_Modules) / sizeof(BM_Modules[0]));

void BM_RegisterModules(const std::string& interpreterPath) {
    for (const BM_ModuleRow& row : BM_Modules) {
        if (!row.init) continue;
        BM_RunOrLog(row.name, [&] { row.init(interpreterPath); });
    }
}
