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

Lines gHeard;  // what the error callback and the loops heard, in order
void Heard(const char* message) { gHeard.push_back(message); }

XPLMFlightLoopID gLoops[3];
float Logged(float, float, int counter, void* refcon) {
    gHeard.push_back(std::to_string(counter) + " " + static_cast<const char*>(refcon));
    return -1.0f;
}
// Destroys itself and the loop after it at its first call, and makes another loop.
float Destroyer(float since, float sinceLoop, int counter, void* refcon) {
    Logged(since, sinceLoop, counter, refcon);
    XPLMDestroyFlightLoop(gLoops[0]);
    XPLMDestroyFlightLoop(gLoops[1]);
    XPLMCreateFlightLoop_t made = {sizeof made, xplm_FlightLoop_Phase_BeforeFlightModel, Logged,
                                   const_cast<char*>("made")};
    XPLMScheduleFlightLoop(XPLMCreateFlightLoop(&made), -1.0f, 1);
    return -1.0f;
}

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
        {[] { EXPECT_EQ(Create(0, Logged, "", 20), nullptr); }, "XPLMCreateFlightLoop: structSize 20 is less than 24"},
        {[] { EXPECT_EQ(Create(0, nullptr, ""), nullptr); }, "XPLMCreateFlightLoop: no callback function"},
        {[] { EXPECT_EQ(Create(2, Logged, ""), nullptr); }, "XPLMCreateFlightLoop: no flight loop phase 2"},
        {[] { XPLMDestroyFlightLoop(nullptr); }, "XPLMDestroyFlightLoop: no such flight loop"},
        {[] { XPLMScheduleFlightLoop(nullptr, -1.0f, 1); }, "XPLMScheduleFlightLoop: no such flight loop"},
        {[] { XPLMSaveDataFile(0, "a.sit"); }, "XPLMSaveDataFile: no data file type 0"},
    };
    for (const auto& row : rows) {
        gHeard.clear();
        bmhost::RunAsPlugin(recorder_, row.call);
        EXPECT_EQ(gHeard, Lines{row.report});
        EXPECT_NE(bmhost::SimLog().find(std::string("[stand-in] ") + row.report + "\n"), std::string::npos);
    }
    // A bigger struct of a later SDK is taken.
    bmhost::RunAsPlugin(recorder_, [] { EXPECT_NE(Create(0, Logged, "", 64), nullptr); });

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

// A loop destroying itself and the next one in the frame: the frame goes on with the others; a
// loop made meanwhile runs from the next frame on. Phases: before, then after the flight model.
TEST_F(ProcessingStandIn, LoopsDestroyedDuringTheFrameAreSkippedAndTheOthersRunOn) {
    bmhost::RunAsPlugin(recorder_, [] {
        gLoops[2] = Create(xplm_FlightLoop_Phase_AfterFlightModel, Logged, "after");
        gLoops[0] = Create(xplm_FlightLoop_Phase_BeforeFlightModel, Destroyer, "destroyer");
        gLoops[1] = Create(xplm_FlightLoop_Phase_BeforeFlightModel, Logged, "next");
        for (XPLMFlightLoopID loop : gLoops) XPLMScheduleFlightLoop(loop, -1.0f, 1);
    });
    bmhost::RunFrames(2);
    EXPECT_EQ(gHeard, (Lines{"1 destroyer", "1 after", "2 made", "2 after"}));
    EXPECT_EQ(bmhost::FlightLoopCount(), 2);
    bmhost::RunAsPlugin(recorder_, [] { XPLMScheduleFlightLoop(gLoops[1], -1.0f, 1); });
    EXPECT_EQ(gHeard.back(), "XPLMScheduleFlightLoop: no such flight loop");  // destroyed: unknown
    bmhost::SweepPlugin(recorder_);
    EXPECT_EQ(bmhost::FlightLoopCount(), 0);
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
