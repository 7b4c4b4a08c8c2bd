// The stand-in's flight loop objects, error callback and symbol table, as a plug-in written in C
// sees them.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "XPLMPlugin.h"
#include "XPLMProcessing.h"
#include "XPLMUtilities.h"
#include "bmhost/Control.h"

namespace {

using Lines = std::vector<std::string>;

Lines gHeard;  // what the error callback heard, in order
void Heard(const char* message) { gHeard.push_back(message); }
float Loop(float, float, int, void*) { return -1.0f; }

XPLMFlightLoopID Create(int phase, XPLMFlightLoop_f callback, const char* tag, int size = sizeof(XPLMCreateFlightLoop_t)) {
    XPLMCreateFlightLoop_t params = {size, phase, callback, const_cast<char*>(tag)};
    return XPLMCreateFlightLoop(&params);
}

class ProcessingStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        gHeard.clear();
        std::string error;
        recorder_ = bmhost::LoadPlugin(BM_RECORDER_PLUGIN_PATH, &error);
        ASSERT_NE(recorder_, XPLM_NO_PLUGIN_ID) << error;
        bmhost::EnablePlugins();
        bmhost::RunAsPlugin(recorder_, [] { XPLMSetErrorCallback(Heard); });
    }
    bmtest::SimFolder sim_;
    XPLMPluginID recorder_ = XPLM_NO_PLUGIN_ID;
};

// Refused creations and unknown handles answer NULL or nothing, and the calling plug-in's error
// callback hears why; without a callback (set to NULL) the log alone has it.
TEST_F(ProcessingStandIn, MisuseIsReportedToTheCallingPluginsErrorCallback) {
    const struct {
        std::function<void()> call;
        const char* report;
    } rows[] = {
        {[] { EXPECT_EQ(XPLMCreateFlightLoop(nullptr), nullptr); }, "XPLMCreateFlightLoop: no parameters"},
        {[] { EXPECT_EQ(Create(0, Loop, "", 20), nullptr); }, "XPLMCreateFlightLoop: structSize 20 is less than 24"},
        {[] { EXPECT_EQ(Create(0, nullptr, ""), nullptr); }, "XPLMCreateFlightLoop: no callback function"},
        {[] { EXPECT_EQ(Create(2, Loop, ""), nullptr); }, "XPLMCreateFlightLoop: no flight loop phase 2"},
        {[] { XPLMDestroyFlightLoop(nullptr); }, "XPLMDestroyFlightLoop: no such flight loop"},
        {[] { XPLMScheduleFlightLoop(nullptr, -1.0f, 1); }, "XPLMScheduleFlightLoop: no such flight loop"},
        {[] {
             XPLMFlightLoopID loop = Create(1, Loop, "");
             XPLMDestroyFlightLoop(loop);
             XPLMScheduleFlightLoop(loop, -1.0f, 1);
         },
         "XPLMScheduleFlightLoop: no such flight loop"},
        {[] { XPLMSaveDataFile(0, "a.sit"); }, "XPLMSaveDataFile: no data file type 0"},
    };
    for (const auto& row : rows) {
        gHeard.clear();
        bmhost::RunAsPlugin(recorder_, row.call);
        EXPECT_EQ(gHeard, Lines{row.report});
        EXPECT_NE(bmhost::SimLog().find(std::string("[stand-in] ") + row.report + "\n"), std::string::npos);
    }
    // A bigger struct of a later SDK is taken; the plug-in's loops go when it is unloaded.
    bmhost::RunAsPlugin(recorder_, [] { EXPECT_NE(Create(0, Loop, "", 64), nullptr); });
    bmhost::SweepPlugin(recorder_);
    EXPECT_EQ(bmhost::FlightLoopCount(), 0);

    gHeard.clear();
    XPLMDestroyFlightLoop(nullptr);  // no plug-in's call: nobody's callback
    bmhost::RunAsPlugin(recorder_, [] {
        XPLMSetErrorCallback(nullptr);
        XPLMDestroyFlightLoop(nullptr);
    });
    EXPECT_TRUE(gHeard.empty());
    XPLMSetErrorCallback(Heard);
    EXPECT_NE(bmhost::SimLog().find("[stand-in] XPLMSetErrorCallback: called outside any plug-in\n"), std::string::npos);
}

// Every function the headers declare is found under its name, at its address; other names,
// the later SDKs' among them, are not.
TEST_F(ProcessingStandIn, FindSymbolKnowsEverySdkFunctionAndNothingElse) {
    std::regex declaration(R"((?:XPLM_API|WIDGET_API)\s[^;(]*?\b(XP\w+)\s*\()");
    int found = 0;
    for (const auto& header : std::filesystem::directory_iterator(BM_HOST_INCLUDE)) {
        std::string text = bmtest::ReadFile(header.path().string());
        for (std::sregex_iterator it(text.begin(), text.end(), declaration), end; it != end; ++it, ++found) {
            std::string name = (*it)[1];
            EXPECT_EQ(XPLMFindSymbol(name.c_str()), dlsym(RTLD_DEFAULT, name.c_str())) << name;
            EXPECT_NE(XPLMFindSymbol(name.c_str()), nullptr) << name;
        }
    }
    EXPECT_GT(found, 180);
    for (const char* name : {"XPLMNavFlightPlan", "XPLMLoadFMSFlightPlan", "XPLMSetWeatherAtLocation",
                             "XPLMCreateAvionicsEx", "XPLMAvionicsNeedsDrawing", "XPluginStart", "malloc", "",
                             "XPLMGetDatai ", "xplmgetdatai"})
        EXPECT_EQ(XPLMFindSymbol(name), nullptr) << name;
    EXPECT_EQ(XPLMFindSymbol(nullptr), nullptr);
}

}  // namespace
