// The stand-in's objects and instances where a script cannot reach: OBJ8 headers, struct sizes,
// missing values and a load made outside any plug-in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "TestSupport.h"
#include "XPLMInstance.h"
#include "XPLMProcessing.h"
#include "XPLMScenery.h"
#include "bmhost/Control.h"

namespace {

XPLMObjectRef LoadText(const bmtest::SimFolder& sim, const std::string& text) {
    std::ofstream(sim.Root() + "x.obj", std::ios::binary) << text;
    return XPLMLoadObject("x.obj");
}

TEST(SceneryStandIn, AnObjectNeedsTheObj8HeaderInItsFirstThreeLinesThatAreNotBlank) {
    const std::pair<const char*, bool> cases[] = {
        {"A\n800\nOBJ\n", true},         {"I\r\n800\r\nOBJ\r\nTEXTURE\r\n", true}, {"\n \nI\n\n800\nOBJ", true},
        {"A\n800\n", false},             {"X\n800\nOBJ\n", false},              {"A\n800\nOBJ8\n", false},
        {"A\nOBJ\n800\n", false},        {"", false},
    };
    for (const auto& [text, good] : cases) {
        bmtest::SimFolder sim;
        XPLMObjectRef object = LoadText(sim, text);
        EXPECT_EQ(object != nullptr, good) << text;
        EXPECT_EQ(bmhost::ObjectReferenceCount(), good ? 1 : 0) << text;
    }
}

TEST(SceneryStandIn, ShortStructsAndMissingValuesChangeNothing) {
    bmtest::SimFolder sim;
    XPLMObjectRef object = LoadText(sim, "A\n800\nOBJ\n");
    XPLMProbeRef probe = XPLMCreateProbe(xplm_ProbeY);
    XPLMProbeInfo_t info{};
    info.structSize = 40;
    info.locationY = 7.0f;
    EXPECT_EQ(XPLMProbeTerrainXYZ(probe, 0, 0, 0, &info), xplm_ProbeError);
    EXPECT_EQ(XPLMProbeTerrainXYZ(probe, 0, 0, 0, nullptr), xplm_ProbeError);
    EXPECT_EQ(info.locationY, 7.0f);

    const char* names[] = {"a", "b", nullptr};
    XPLMInstanceRef instance = XPLMCreateInstance(object, names);
    ASSERT_NE(instance, nullptr);
    XPLMUnloadObject(object);  // the instance keeps it
    EXPECT_EQ(bmhost::Instances().at(0).object, "x.obj");
    const float values[2] = {1.5f, 2.5f};
    XPLMDrawInfo_t at = {int(sizeof at), 1, 2, 3, 4, 5, 6};
    XPLMInstanceSetPosition(instance, &at, values);
    at.structSize = 24;
    at.x = 99;
    XPLMInstanceSetPosition(instance, &at, values);  // too short: ignored
    at.structSize = int(sizeof at);
    XPLMInstanceSetPosition(instance, &at, nullptr);  // moves, keeps the values
    EXPECT_EQ(bmhost::Instances().at(0).ToString(), "x.obj at 99,2,3 pitch 4 heading 5 roll 6 a=1.5 b=2.5");
    for (const char* line : {"XPLMInstanceSetPosition: no XPLMDrawInfo_t, or its structSize is below 28",
                             "XPLMInstanceSetPosition: no data for 2 data refs; the old values stay",
                             "XPLMProbeTerrainXYZ: no XPLMProbeInfo_t, or its structSize is below 44"})
        EXPECT_NE(bmhost::SimLog().find(std::string("[stand-in] ") + line + "\n"), std::string::npos) << line;
    XPLMDestroyInstance(instance);
    EXPECT_EQ(bmhost::InstanceCount(), 0);
    EXPECT_EQ(XPLMCreateInstance(object, names), nullptr);  // purged with its last instance
}

// Asked outside any plug-in, a load arrives all the same, two frames later.
TEST(SceneryStandIn, ALoadArrivesAtTheStartOfTheSecondFrameAfter) {
    bmtest::SimFolder sim;
    std::ofstream(sim.Root() + "x.obj") << "A\n800\nOBJ\n";
    static int arrived;
    arrived = -1;
    XPLMLoadObjectAsync("x.obj", [](XPLMObjectRef object, void* refcon) {
        arrived = object && refcon == &arrived ? XPLMGetCycleNumber() : 0;
    }, &arrived);
    bmhost::RunFrames(1);
    EXPECT_EQ(arrived, -1);
    bmhost::RunFrames(1);
    EXPECT_EQ(arrived, 2);
    EXPECT_EQ(bmhost::PendingObjectLoads(), 0);
}

}  // namespace
