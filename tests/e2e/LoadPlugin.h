#ifndef BM_E2E_LOADPLUGIN_H
#define BM_E2E_LOADPLUGIN_H
// Loads the built plug-in the way the simulator does (XPluginStart), and enables it when asked.

#include <gtest/gtest.h>

#include <string>

#include "bmhost/Control.h"

inline XPLMPluginID LoadBrindlemoor(bool enable) {
    std::string error;
    XPLMPluginID id = bmhost::LoadPlugin(BM_PLUGIN_PATH, &error);
    EXPECT_NE(id, XPLM_NO_PLUGIN_ID) << error;
    if (enable) bmhost::EnablePlugins();
    return id;
}

#endif
