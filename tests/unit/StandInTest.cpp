// The stand-in simulator itself: what plug-ins rely on it to do like the real one.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMMenus.h"
#include "XPLMUtilities.h"
#include "bmhost/Control.h"

namespace {

bool Above32Bits(const void* handle) { return (reinterpret_cast<std::uintptr_t>(handle) >> 32) != 0; }

TEST(StandIn, HandlesDoNotSurviveNarrowingTo32Bits) {
    bmtest::SimFolder sim;
    XPLMDataRef ref = XPLMFindDataRef("sim/flightmodel/position/psi");
    XPLMMenuID plugins = XPLMFindPluginsMenu();
    ASSERT_NE(ref, nullptr);
    EXPECT_TRUE(Above32Bits(ref));
    EXPECT_TRUE(Above32Bits(plugins));

    auto narrowed = reinterpret_cast<XPLMDataRef>(std::uintptr_t(std::uint32_t(reinterpret_cast<std::uintptr_t>(ref))));
    EXPECT_FLOAT_EQ(XPLMGetDataf(ref), 90.0f);
    EXPECT_EQ(XPLMGetDataf(narrowed), 0.0f);
    EXPECT_NE(bmhost::SimLog().find("XPLMGetDataf: not a data ref handle"), std::string::npos);
}

TEST(StandIn, DirectoryContentsArePackedAndContinuable) {
    bmtest::SimFolder sim;
    for (const char* name : {"c.py", "a.py", "bb.py"}) sim.AddScript(name, "");
    std::string folder = sim.ScriptFolder();
    folder.pop_back();

    char names[64];
    char* indices[8];
    int total = -1, returned = -1;
    ASSERT_EQ(XPLMGetDirectoryContents(folder.c_str(), 0, names, sizeof names, indices, 8, &total, &returned), 1);
    EXPECT_EQ(total, 3);
    ASSERT_EQ(returned, 3);
    EXPECT_STREQ(indices[0], "a.py");
    EXPECT_STREQ(indices[1], "bb.py");
    EXPECT_STREQ(indices[2], "c.py");
    EXPECT_EQ(indices[3], nullptr);
    EXPECT_EQ(std::memcmp(names, "a.py\0bb.py\0c.py\0\0", 17), 0);

    // Room for one name only: the rest comes with a later first index.
    char small[8];
    EXPECT_EQ(XPLMGetDirectoryContents(folder.c_str(), 0, small, sizeof small, indices, 8, &total, &returned), 0);
    EXPECT_EQ(returned, 1);
    EXPECT_EQ(XPLMGetDirectoryContents(folder.c_str(), 1, small, sizeof small, indices, 8, &total, &returned), 0);
    EXPECT_STREQ(indices[0], "bb.py");

    EXPECT_EQ(XPLMGetDirectoryContents((folder + "/missing").c_str(), 0, names, sizeof names, indices, 8,
                                       &total, &returned), 0);
    EXPECT_EQ(total, 0);
    EXPECT_EQ(returned, 0);
}

int gNotified[2];
void Notify(void* refcon) { ++gNotified[reinterpret_cast<std::intptr_t>(refcon)]; }

TEST(StandIn, SharedDataNotifiesEverySharerIncludingTheWriter) {
    bmtest::SimFolder sim;
    gNotified[0] = gNotified[1] = 0;
    ASSERT_EQ(XPLMShareData("test/shared", xplmType_Int, Notify, reinterpret_cast<void*>(0)), 1);
    ASSERT_EQ(XPLMShareData("test/shared", xplmType_Int, Notify, reinterpret_cast<void*>(1)), 1);
    EXPECT_EQ(XPLMShareData("test/shared", xplmType_Float, nullptr, nullptr), 0);

    XPLMDataRef ref = XPLMFindDataRef("test/shared");
    EXPECT_EQ(XPLMGetDatai(ref), 0);
    XPLMSetDatai(ref, 7);
    EXPECT_EQ(XPLMGetDatai(ref), 7);
    EXPECT_EQ(gNotified[0], 1);
    EXPECT_EQ(gNotified[1], 1);

    EXPECT_EQ(XPLMUnshareData("test/shared", xplmType_Int, Notify, reinterpret_cast<void*>(0)), 1);
    EXPECT_EQ(XPLMUnshareData("test/shared", xplmType_Int, Notify, reinterpret_cast<void*>(0)), 0);
    XPLMSetDatai(ref, 8);
    EXPECT_EQ(gNotified[0], 1);
    EXPECT_EQ(gNotified[1], 2);
    EXPECT_EQ(bmhost::SharerCount("test/shared"), 1);
}

TEST(StandIn, ReadOnlyDataAndTypeMismatchesAreIgnored) {
    bmtest::SimFolder sim;
    XPLMDataRef latitude = XPLMFindDataRef("sim/flightmodel/position/latitude");
    EXPECT_EQ(XPLMCanWriteDataRef(latitude), 0);
    XPLMSetDatad(latitude, 1.0);
    EXPECT_DOUBLE_EQ(XPLMGetDatad(latitude), 47.4647);
    EXPECT_EQ(XPLMGetDatai(latitude), 0);  // no int accessor
    EXPECT_EQ(XPLMGetDataRefTypes(latitude), xplmType_Double | xplmType_Float);  // served as a float too
    EXPECT_EQ(XPLMFindDataRef("sim/flightmodel/position/Latitude"), nullptr);
}

int gWritten;
void WriteInt(void*, int value) { gWritten = value; }

// Int readings of numbers that no int holds: held to its range, NaN as 0.
TEST(StandIn, NumbersBeyondAnIntReadAsItsLimits) {
    bmtest::SimFolder sim;
    const int most = std::numeric_limits<int>::max(), least = std::numeric_limits<int>::min();
    const std::string vision = "sim/cockpit/electrical/night_vision_on";
    for (auto [text, expected] : {std::pair{"1e10", most}, {"-1e10", least}, {"nan", 0}, {"-7.9", -7}, {"inf", most}}) {
        EXPECT_TRUE(bmhost::SetDataFromText(vision, text)) << text;
        EXPECT_EQ(bmhost::ReadInt(vision), expected) << text;
    }

    ASSERT_EQ(XPLMShareData("test/ints", xplmType_IntArray, nullptr, nullptr), 1);
    EXPECT_TRUE(bmhost::SetDataFromText("test/ints", "3e9,-3e9,nan,5"));
    int values[4] = {1, 1, 1, 1};
    EXPECT_EQ(XPLMGetDatavi(XPLMFindDataRef("test/ints"), values, 0, 4), 4);
    EXPECT_EQ(std::vector<int>(values, values + 4), (std::vector<int>{most, least, 0, 5}));

    XPLMRegisterDataAccessor("test/published", xplmType_Int, 1, nullptr, WriteInt, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(bmhost::SetDataFromText("test/published", "-1e300"));
    EXPECT_EQ(gWritten, least);

    // A float keeps its value; the simulator's int copy of it is held.
    XPLMDataRef psi = XPLMFindDataRef("sim/flightmodel/position/psi");
    XPLMSetDataf(psi, 3e9f);
    EXPECT_EQ(XPLMGetDataf(psi), 3e9f);
    EXPECT_EQ(bmhost::ReadInt("sim/flightmodel/position/psi"), most);
}

TEST(StandIn, AnArmedFunctionThrowsOnceOnItsNextCall) {
    bmtest::SimFolder sim;
    bmhost::FailNextCall("XPLMFindPluginsMenu");
    EXPECT_THROW(XPLMFindPluginsMenu(), bmhost::InjectedFault);
    EXPECT_NE(XPLMFindPluginsMenu(), nullptr);
}

TEST(StandIn, MenuIndicesArePerPluginAndPathsReachHandlers) {
    bmtest::SimFolder sim;
    XPLMMenuID plugins = XPLMFindPluginsMenu();
    int item = XPLMAppendMenuItem(plugins, "Tools", nullptr, 1);
    EXPECT_EQ(item, 0);
    XPLMMenuID tools = XPLMCreateMenu("Tools", plugins, item, nullptr, nullptr);
    EXPECT_EQ(XPLMAppendMenuItem(tools, "First", nullptr, 1), 0);
    XPLMAppendMenuSeparator(tools);
    EXPECT_EQ(XPLMAppendMenuItem(tools, "Second", nullptr, 1), 2);
    XPLMCheckMenuItem(tools, 2, xplm_Menu_Checked);
    XPLMMenuCheck check = xplm_Menu_NoCheck;
    XPLMCheckMenuItemState(tools, 2, &check);
    EXPECT_EQ(check, xplm_Menu_Checked);
    EXPECT_EQ(bmhost::MenuItemCheck("Plugins/Tools/Second"), xplm_Menu_Checked);
    EXPECT_EQ(bmhost::MenuItemPaths(),
              (std::vector<std::string>{"Plugins/Tools", "Plugins/Tools/First", "Plugins/Tools/Second"}));
    XPLMDestroyMenu(tools);
    EXPECT_EQ(bmhost::MenuItemPaths(), (std::vector<std::string>{"Plugins/Tools"}));
}

TEST(StandIn, PathsEndInASeparator) {
    bmtest::SimFolder sim;
    char path[512];
    XPLMGetSystemPath(path);
    EXPECT_EQ(std::string(path), sim.Root());
    EXPECT_STREQ(XPLMGetDirectorySeparator(), "/");
    char full[] = "/a/b/file.txt";
    EXPECT_STREQ(XPLMExtractFileAndPath(full), "file.txt");
    EXPECT_STREQ(full, "/a/b");
}

}  // namespace
