// The simulator's own data refs and commands in the stand-in (host/simdata), data ref
// introspection, features, and menu items that run commands.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMMenus.h"
#include "XPLMPlugin.h"
#include "XPLMUtilities.h"
#include "bmhost/Control.h"

namespace {

struct Row {
    std::string name, type;
    bool writable;
};

// The list as the file has it: name, type, y/n (the comment and the heading left out).
std::vector<Row> ListedRows() {
    std::vector<Row> rows;
    std::ifstream file(std::string(BM_SIMDATA) + "datarefs.tsv");
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#' || line.rfind("name\t", 0) == 0) continue;
        std::size_t a = line.find('\t'), b = line.find('\t', a + 1), c = line.find('\t', b + 1);
        rows.push_back({line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1, c - b - 1) == "y"});
    }
    return rows;
}

std::vector<std::string> ListedCommands() {
    std::vector<std::string> names;
    std::ifstream file(std::string(BM_SIMDATA) + "commands.txt");
    for (std::string line; std::getline(file, line);)
        if (!line.empty() && line[0] != '#') names.push_back(line);
    return names;
}

// The data refs the stand-in moves itself keep their own definitions (README's table).
bool BuiltIn(const std::string& name) {
    static const std::set<std::string> names = {
        "sim/time/total_running_time_sec", "sim/cockpit2/engine/actuators/throttle_ratio",
        "sim/flightmodel/engine/ENGN_N1_", "sim/flightmodel/engine/ENGN_thro"};
    return names.count(name) > 0;
}

// Length of an array or byte ref: elements with no buffer given.
int Length(XPLMDataRef ref) {
    XPLMDataTypeID types = XPLMGetDataRefTypes(ref);
    if (types & xplmType_IntArray) return XPLMGetDatavi(ref, nullptr, 0, 0);
    if (types & xplmType_FloatArray) return XPLMGetDatavf(ref, nullptr, 0, 0);
    if (types & xplmType_Data) return XPLMGetDatab(ref, nullptr, 0, 0);
    return 0;
}

TEST(SimData, EveryListedRefExistsWithItsTypeWritabilityAndLength) {
    bmtest::SimFolder sim;
    std::vector<Row> rows = ListedRows();
    ASSERT_EQ(rows.size(), 5573u);
    const std::map<std::string, XPLMDataTypeID> scalar = {
        {"int", xplmType_Int}, {"float", xplmType_Float}, {"double", xplmType_Float | xplmType_Double}};
    int checked = 0;
    for (const Row& row : rows) {
        XPLMDataRef ref = XPLMFindDataRef(row.name.c_str());
        ASSERT_NE(ref, nullptr) << row.name;
        if (BuiltIn(row.name)) continue;
        EXPECT_EQ(XPLMCanWriteDataRef(ref), row.writable ? 1 : 0) << row.name;
        auto it = scalar.find(row.type);
        if (it != scalar.end()) {
            EXPECT_EQ(XPLMGetDataRefTypes(ref), it->second) << row.name;
        }
        ++checked;
    }
    EXPECT_GT(checked, 5500);
    // Arrays: the dimensions multiply; a byte ref of no given length holds 256.
    const std::vector<std::pair<std::string, int>> lengths = {
        {"sim/cockpit2/electrical/battery_on", 8},
        {"sim/aircraft/view/acf_tailnum", 40},
    };
    for (const auto& [name, length] : lengths) EXPECT_EQ(Length(XPLMFindDataRef(name.c_str())), length) << name;
    for (const Row& row : rows) {
        std::string type = row.type;
        int expected = type == "float[56][2][2][721]" ? 161504 : type == "byte[]" ? 256 : type == "int[56][10]" ? 560 : -1;
        if (expected >= 0) {
            EXPECT_EQ(Length(XPLMFindDataRef(row.name.c_str())), expected) << row.name;
        }
    }
    EXPECT_EQ(XPLMCountDataRefs(), int(rows.size()) + 1);  // menu_bkgnd_rgb is the stand-in's own
}

TEST(SimData, ListedRefsReadZeroUntilWrittenAndWritableOnesKeepWrites) {
    bmtest::SimFolder sim;
    XPLMDataRef speed = XPLMFindDataRef("sim/flightmodel/position/indicated_airspeed");
    XPLMDataRef vvi = XPLMFindDataRef("sim/flightmodel/position/vh_ind");  // read-only
    XPLMDataRef big = XPLMFindDataRef("sim/airfoils/afl_cl");
    XPLMDataRef text = XPLMFindDataRef("sim/aircraft/view/acf_ICAO");
    ASSERT_TRUE(speed && vvi && big && text);
    EXPECT_EQ(XPLMGetDataf(speed), 0.0f);
    XPLMSetDataf(speed, 120.5f);
    EXPECT_EQ(XPLMGetDataf(speed), 120.5f);
    EXPECT_EQ(XPLMCanWriteDataRef(vvi), 0);
    XPLMSetDataf(vvi, 3.0f);
    EXPECT_EQ(XPLMGetDataf(vvi), 0.0f);

    char bytes[8] = "xxxxxxx";
    EXPECT_EQ(XPLMGetDatab(text, bytes, 0, 8), 8);
    EXPECT_EQ(std::string(bytes, 8), std::string(8, '\0'));
    char icao[] = "C172";
    XPLMSetDatab(text, icao, 0, 5);
    EXPECT_EQ(XPLMGetDatab(text, bytes, 0, 8), 8);
    EXPECT_STREQ(bytes, "C172");

    // A large array is whole when written at its far end; the rest still reads 0.
    float last = 7.0f;
    XPLMSetDatavf(big, &last, 161503, 1);
    float read[3] = {5, 5, 5};
    EXPECT_EQ(XPLMGetDatavf(big, read, 161502, 3), 2);
    EXPECT_EQ(read[0], 0.0f);
    EXPECT_EQ(read[1], 7.0f);
    EXPECT_EQ(read[2], 5.0f);
}

TEST(SimData, BuiltInRefsKeepTheirLiveValuesAndDoublesAnswerAsFloats) {
    bmtest::SimFolder sim;
    XPLMDataRef psi = XPLMFindDataRef("sim/flightmodel/position/psi");
    EXPECT_FLOAT_EQ(XPLMGetDataf(psi), 90.0f);
    bmhost::RunFrames(3, 0.5f);
    EXPECT_FLOAT_EQ(XPLMGetDataf(XPLMFindDataRef("sim/time/total_running_time_sec")), 1.5f);
    for (const char* name : {"sim/flightmodel/position/latitude", "sim/flightmodel/position/longitude",
                             "sim/flightmodel/position/elevation", "sim/flightmodel/position/local_x",
                             "sim/flightmodel/position/local_y", "sim/flightmodel/position/local_z"}) {
        XPLMDataRef ref = XPLMFindDataRef(name);
        EXPECT_EQ(XPLMGetDataRefTypes(ref), xplmType_Float | xplmType_Double) << name;
        EXPECT_FLOAT_EQ(XPLMGetDataf(ref), float(XPLMGetDatad(ref))) << name;
    }
    EXPECT_FLOAT_EQ(XPLMGetDataf(XPLMFindDataRef("sim/flightmodel/position/latitude")), 47.4647f);
    XPLMDataRef y = XPLMFindDataRef("sim/flightmodel/position/local_y");
    XPLMSetDataf(y, 200.0f);
    EXPECT_DOUBLE_EQ(XPLMGetDatad(y), 200.0);
}

void Publish(const char* name) {
    XPLMRegisterDataAccessor(name, xplmType_Int, 1, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

TEST(SimData, IntrospectionCountsIndexesAndDescribesEveryRef) {
    bmtest::SimFolder sim;
    int count = XPLMCountDataRefs();
    std::vector<XPLMDataRef> refs(std::size_t(count) + 2, reinterpret_cast<XPLMDataRef>(1));
    XPLMGetDataRefsByIndex(0, count + 2, refs.data());
    EXPECT_EQ(refs[std::size_t(count)], nullptr);  // past the last: NULL
    EXPECT_EQ(refs[std::size_t(count) + 1], nullptr);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i) {
        XPLMDataRefInfo_t info{};
        info.structSize = sizeof info;
        XPLMGetDataRefInfo(refs[std::size_t(i)], &info);
        ASSERT_NE(info.name, nullptr) << i;
        EXPECT_EQ(XPLMFindDataRef(info.name), refs[std::size_t(i)]) << info.name;
        EXPECT_EQ(info.type, XPLMGetDataRefTypes(refs[std::size_t(i)])) << info.name;
        EXPECT_EQ(info.writable, XPLMCanWriteDataRef(refs[std::size_t(i)])) << info.name;
        EXPECT_EQ(info.owner, XPLM_PLUGIN_XPLANE) << info.name;
        EXPECT_EQ(XPLMIsDataRefGood(refs[std::size_t(i)]), 1) << info.name;
        names.insert(info.name);
    }
    EXPECT_EQ(int(names.size()), count);

    // A page from the middle; a published ref comes last, its owner the publisher; an orphan
    // keeps its owner and name, is no longer good and not writable.
    XPLMDataRef page[2];
    XPLMGetDataRefsByIndex(10, 2, page);
    EXPECT_EQ(page[1], refs[11]);
    bmhost::RunAsPlugin(7, [] { Publish("bm/test/published"); });
    ASSERT_EQ(XPLMCountDataRefs(), count + 1);
    XPLMDataRef published = XPLMFindDataRef("bm/test/published");
    XPLMDataRef last = nullptr;
    XPLMGetDataRefsByIndex(count, 1, &last);
    EXPECT_EQ(last, published);
    XPLMUnregisterDataAccessor(published);
    XPLMDataRefInfo_t info{};
    info.structSize = sizeof info;
    XPLMGetDataRefInfo(published, &info);
    EXPECT_STREQ(info.name, "bm/test/published");
    EXPECT_EQ(info.owner, 7);
    EXPECT_EQ(info.writable, 0);
    EXPECT_EQ(XPLMIsDataRefGood(published), 0);

    // A caller of an older, shorter struct gets only what fits; misuse is told, nothing written.
    struct {
        XPLMDataRefInfo_t info;
        int guard;
    } shorter{};
    shorter.info.structSize = int(offsetof(XPLMDataRefInfo_t, writable));
    shorter.info.writable = 55;
    shorter.info.owner = 66;
    XPLMGetDataRefInfo(refs[0], &shorter.info);
    EXPECT_NE(shorter.info.name, nullptr);
    EXPECT_EQ(shorter.info.writable, 55);
    EXPECT_EQ(shorter.info.owner, 66);
    XPLMGetDataRefsByIndex(-1, 2, page);
    XPLMGetDataRefInfo(refs[0], nullptr);
    std::string log = bmhost::SimLog();
    EXPECT_NE(log.find("[stand-in] XPLMGetDataRefsByIndex: offset -1, count 2\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[stand-in] XPLMGetDataRefInfo: no info struct\n"), std::string::npos) << log;

    // Junk is looked up, never followed.
    auto narrowed = reinterpret_cast<XPLMDataRef>(std::uintptr_t(std::uint32_t(reinterpret_cast<std::uintptr_t>(refs[0]))));
    for (XPLMDataRef junk : {XPLMDataRef(nullptr), narrowed, reinterpret_cast<XPLMDataRef>(std::uintptr_t(0xdeadbeef))})
        EXPECT_EQ(XPLMIsDataRefGood(junk), 0);
}

TEST(SimData, MissingListsAreToldAndTheBuiltInRefsRemain) {
    bmhost::SetSimDataFolder("/nonexistent/simdata");
    {
        bmtest::SimFolder sim;
        std::string log = bmhost::SimLog();
        EXPECT_NE(log.find("[stand-in] cannot read /nonexistent/simdata/datarefs.tsv; the simulator's own data refs "
                           "and commands are the built-in few\n"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("/nonexistent/simdata/commands.txt"), std::string::npos);
        EXPECT_FLOAT_EQ(XPLMGetDataf(XPLMFindDataRef("sim/flightmodel/position/psi")), 90.0f);
        EXPECT_EQ(XPLMFindDataRef("sim/flightmodel/position/indicated_airspeed"), nullptr);
        EXPECT_LT(XPLMCountDataRefs(), 40);
        EXPECT_NE(XPLMFindCommand("sim/operation/pause_toggle"), nullptr);
        EXPECT_EQ(XPLMFindCommand("sim/operation/quit"), nullptr);
    }
    bmhost::SetSimDataFolder("");
    bmhost::Reset();
    EXPECT_NE(XPLMFindDataRef("sim/flightmodel/position/indicated_airspeed"), nullptr);
}

int gRuns;
int CountRun(XPLMCommandRef, XPLMCommandPhase phase, void*) {
    gRuns += phase == xplm_CommandBegin;
    return 1;
}

TEST(SimData, EveryListedCommandExistsAndRunsItsHandlers) {
    bmtest::SimFolder sim;
    std::vector<std::string> names = ListedCommands();
    ASSERT_EQ(names.size(), 3029u);
    for (const std::string& name : names) ASSERT_NE(XPLMFindCommand(name.c_str()), nullptr) << name;
    EXPECT_EQ(bmhost::CommandNames().size(), names.size() + 1);  // forward_with_panel is the stand-in's own
    gRuns = 0;
    XPLMCommandRef quit = XPLMFindCommand("sim/operation/quit");
    XPLMRegisterCommandHandler(quit, CountRun, 1, nullptr);
    XPLMCommandOnce(quit);
    EXPECT_EQ(gRuns, 1);
    EXPECT_TRUE(bmhost::RunCommand("sim/operation/pause_toggle"));  // still carried out
    EXPECT_EQ(bmhost::ReadInt("sim/time/paused"), 1);
    EXPECT_TRUE(bmhost::RunCommand("sim/view/chase"));
    EXPECT_EQ(bmhost::CurrentView(), "chase");
}

std::vector<std::string> gFeatures;
void NoteFeature(const char* feature, void* ref) {
    gFeatures.push_back(std::string(feature) + (ref == &gFeatures ? "" : "?"));
}

TEST(Features, ExactlyTheFourPerPluginOffByDefault) {
    bmtest::SimFolder sim;
    const std::vector<std::string> four = {"XPLM_WANTS_REFLECTIONS", "XPLM_USE_NATIVE_PATHS",
                                           "XPLM_USE_NATIVE_WIDGET_WINDOWS", "XPLM_WANTS_DATAREF_NOTIFICATIONS"};
    gFeatures.clear();
    XPLMEnumerateFeatures(NoteFeature, &gFeatures);
    EXPECT_EQ(gFeatures, four);
    for (const std::string& feature : four) {
        EXPECT_EQ(XPLMHasFeature(feature.c_str()), 1);
        bmhost::RunAsPlugin(1, [&] {
            EXPECT_EQ(XPLMIsFeatureEnabled(feature.c_str()), 0);
            XPLMEnableFeature(feature.c_str(), 1);
            EXPECT_EQ(XPLMIsFeatureEnabled(feature.c_str()), 1);
        });
        bmhost::RunAsPlugin(2, [&] { EXPECT_EQ(XPLMIsFeatureEnabled(feature.c_str()), 0); });
        EXPECT_TRUE(bmhost::PluginFeatureEnabled(1, feature));
        bmhost::RunAsPlugin(1, [&] { XPLMEnableFeature(feature.c_str(), 0); });
        EXPECT_FALSE(bmhost::PluginFeatureEnabled(1, feature));
    }
    EXPECT_EQ(XPLMHasFeature("XPLM_NO_SUCH"), 0);
    EXPECT_EQ(XPLMHasFeature(nullptr), 0);
    EXPECT_EQ(XPLMIsFeatureEnabled("XPLM_NO_SUCH"), 0);
    XPLMEnableFeature("XPLM_NO_SUCH", 1);
    std::string log = bmhost::SimLog();
    EXPECT_NE(log.find("[stand-in] XPLMIsFeatureEnabled: no feature 'XPLM_NO_SUCH'\n"), std::string::npos);
    EXPECT_NE(log.find("[stand-in] XPLMEnableFeature: no feature 'XPLM_NO_SUCH'\n"), std::string::npos);
    XPLMEnumerateFeatures(nullptr, nullptr);  // nothing to call
}

TEST(Features, NativePathsAnswerTheirPluginEvenInClassicMode) {
    bmtest::SimFolder sim;
    bmhost::SetClassicPaths(true);
    auto systemPath = [] {
        char path[512];
        XPLMGetSystemPath(path);
        return std::string(path);
    };
    bmhost::RunAsPlugin(1, [&] { XPLMEnableFeature("XPLM_USE_NATIVE_PATHS", 1); });
    bmhost::RunAsPlugin(1, [&] {
        EXPECT_EQ(systemPath(), bmhost::Root());
        EXPECT_STREQ(XPLMGetDirectorySeparator(), "/");
    });
    bmhost::RunAsPlugin(2, [&] {
        EXPECT_EQ(systemPath().rfind("Disk:", 0), 0u);
        EXPECT_STREQ(XPLMGetDirectorySeparator(), ":");
    });
    bmhost::SweepPlugin(1);  // an unloaded plug-in's features go with it
    EXPECT_FALSE(bmhost::PluginFeatureEnabled(1, "XPLM_USE_NATIVE_PATHS"));
}

TEST(SimData, MenuItemsRunTheirCommandAndTheAircraftMenuIsTheAircraftsPlugins) {
    bmtest::SimFolder sim;
    XPLMMenuID plugins = XPLMFindPluginsMenu();
    XPLMCommandRef pause = XPLMFindCommand("sim/operation/pause_toggle");
    int index = -2;
    bmhost::RunAsPlugin(1, [&] { index = XPLMAppendMenuItemWithCommand(plugins, "Pause", pause); });
    EXPECT_EQ(index, 0);
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Pause"));
    EXPECT_EQ(bmhost::ReadInt("sim/time/paused"), 1);
    bmhost::RunAsPlugin(1, [&] { XPLMEnableMenuItem(plugins, 0, 0); });
    EXPECT_FALSE(bmhost::ChooseMenuItem("Plugins/Pause"));
    EXPECT_EQ(XPLMAppendMenuItemWithCommand(plugins, "None", nullptr), -1);
    EXPECT_EQ(XPLMAppendMenuItemWithCommand(nullptr, "None", pause), -1);
    EXPECT_NE(bmhost::SimLog().find("[stand-in] XPLMAppendMenuItemWithCommand: not a command\n"), std::string::npos);

    XPLMMenuID aircraft = reinterpret_cast<XPLMMenuID>(1);
    bmhost::RunAsPlugin(1, [&] { aircraft = XPLMFindAircraftMenu(); });
    EXPECT_EQ(aircraft, nullptr);
    bmhost::SetAircraftPlugin(1);
    bmhost::RunAsPlugin(1, [&] {
        aircraft = XPLMFindAircraftMenu();
        XPLMAppendMenuItemWithCommand(aircraft, "Gear", XPLMFindCommand("sim/flight_controls/landing_gear_up"));
    });
    ASSERT_NE(aircraft, nullptr);
    EXPECT_EQ(bmhost::MenuItemPaths(), (std::vector<std::string>{"Plugins/Pause", "Aircraft/Gear"}));
    EXPECT_TRUE(bmhost::ChooseMenuItem("Aircraft/Gear"));
    EXPECT_EQ(bmhost::ReadInt("sim/cockpit/switches/gear_handle_status"), 0);
    EXPECT_EQ(bmhost::PluginMenuCount(), 0);  // the simulator's menus are not the plug-ins'
    bmhost::SweepPlugin(1);
    EXPECT_TRUE(bmhost::MenuItemPaths().empty());
}

}  // namespace
