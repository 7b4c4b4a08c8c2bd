// The stand-in's maps, avionics and XPLMPlaceUserAtLocation as a C plug-in sees them: what it
// refuses and reports, and the layers' order and lifetime.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "XPLMDisplay.h"
#include "XPLMMap.h"
#include "XPLMPlanes.h"
#include "bmhost/Control.h"

namespace {

using Lines = std::vector<std::string>;
Lines gCalls;

// The stand-in's report lines written since `from`, without their prefix.
Lines ReportsSince(std::size_t from) {
    Lines reports;
    for (const std::string& line : bmtest::Lines(bmhost::SimLog().substr(from)))
        if (line.rfind("[stand-in] ", 0) == 0) reports.push_back(line.substr(11));
    return reports;
}

XPLMCreateMapLayer_t Params(const char* map, int type, void* refcon) {
    XPLMCreateMapLayer_t params = {};
    params.structSize = int(sizeof params);
    params.mapToCreateLayerIn = map;
    params.layerType = type;
    params.refcon = refcon;
    return params;
}

void Deleted(XPLMMapLayerID, void* refcon) { gCalls.push_back("deleted " + std::to_string(intptr_t(refcon))); }
void Draw(XPLMMapLayerID, const float*, float, float, XPLMMapStyle, XPLMMapProjectionID, void* refcon) {
    gCalls.push_back("draw " + std::to_string(intptr_t(refcon)));
}
void Hook(const char* map, void*) {
    gCalls.push_back(std::string("hook ") + map);
    // A layer made now, while the map opens, draws from the next frame.
    XPLMCreateMapLayer_t params = Params(map, xplm_MapLayer_Markings, reinterpret_cast<void*>(3));
    params.willBeDeletedCallback = Deleted;
    params.drawCallback = Draw;
    XPLMCreateMapLayer(&params);
}

TEST(MapStandIn, RefusesAndReportsWhatItCannotTake) {
    bmtest::SimFolder sim;
    XPLMCreateMapLayer_t small = Params(XPLM_MAP_USER_INTERFACE, xplm_MapLayer_Fill, nullptr);
    small.structSize = 80;
    XPLMCreateMapLayer_t badType = Params(XPLM_MAP_USER_INTERFACE, 2, nullptr);
    XPLMCreateMapLayer_t closed = Params(XPLM_MAP_IOS, xplm_MapLayer_Fill, nullptr);
    XPLMCreateMapLayer_t unnamed = Params(nullptr, xplm_MapLayer_Fill, nullptr);
    XPLMCustomizeAvionics_t shortAvionics = {16, 0, nullptr, nullptr, nullptr};
    XPLMCustomizeAvionics_t noDevice = {int(sizeof(XPLMCustomizeAvionics_t)), 18, nullptr, nullptr, nullptr};
    void* const junk = reinterpret_cast<void*>(0x7ead0000dead);
    struct Row {
        std::function<bool()> call;  // true when the answer is the refusal's
        const char* report;
    };
    const Row rows[] = {
        {[] { return !XPLMCreateMapLayer(nullptr); }, "XPLMCreateMapLayer: no params"},
        {[&] { return !XPLMCreateMapLayer(&small); },
         "XPLMCreateMapLayer: structSize 80 is smaller than XPLMCreateMapLayer_t (88)"},
        {[&] { return !XPLMCreateMapLayer(&badType); },
         "XPLMCreateMapLayer: layer type 2 is neither xplm_MapLayer_Fill nor xplm_MapLayer_Markings"},
        {[&] { return !XPLMCreateMapLayer(&closed); }, "XPLMCreateMapLayer: no map 'XPLM_MAP_IOS' exists"},
        {[&] { return !XPLMCreateMapLayer(&unnamed); }, "XPLMCreateMapLayer: no map identifier"},
        {[&] { return XPLMDestroyMapLayer(junk) == 0; }, "XPLMDestroyMapLayer: no such map layer"},
        {[] { return XPLMRegisterMapCreationHook(nullptr, nullptr), true; }, "XPLMRegisterMapCreationHook: no callback"},
        {[&] { return XPLMDrawMapLabel(junk, "x", 0, 0, 0, 0), true; },
         "XPLMDrawMapLabel: only inside the layer's own label callback"},
        {[&] { return XPLMDrawMapIconFromSheet(junk, "a.png", 0, 0, 1, 1, 0, 0, 0, 0, 1), true; },
         "XPLMDrawMapIconFromSheet: only inside the layer's own icon callback"},
        {[&] {
             float x = 5, y = 6;
             XPLMMapProject(junk, 47, -122, &x, &y);
             return x == 5 && y == 6;
         },
         "XPLMMapProject: the projection is valid only inside a map layer's callbacks"},
        {[&] { return XPLMMapScaleMeter(junk, 0, 0) == 0.0f; },
         "XPLMMapScaleMeter: the projection is valid only inside a map layer's callbacks"},
        {[] { return !XPLMRegisterAvionicsCallbacksEx(nullptr); }, "XPLMRegisterAvionicsCallbacksEx: no params"},
        {[&] { return !XPLMRegisterAvionicsCallbacksEx(&shortAvionics); },
         "XPLMRegisterAvionicsCallbacksEx: structSize 16 is smaller than XPLMCustomizeAvionics_t (32)"},
        {[&] { return !XPLMRegisterAvionicsCallbacksEx(&noDevice); },
         "XPLMRegisterAvionicsCallbacksEx: device 18 is no xplm_device_*"},
        {[&] { return XPLMUnregisterAvionicsCallbacks(junk), true; },
         "XPLMUnregisterAvionicsCallbacks: no such avionics registration"},
        {[] { return XPLMPlaceUserAtLocation(90.5, 0, 0, 0, 0), true; },
         "XPLMPlaceUserAtLocation: not a place on earth"},
        {[] { return XPLMPlaceUserAtLocation(0, 0, NAN, 0, 0), true; }, "XPLMPlaceUserAtLocation: not a place on earth"},
    };
    for (const Row& row : rows) {
        std::size_t from = bmhost::SimLog().size();
        EXPECT_TRUE(row.call()) << row.report;
        EXPECT_EQ(ReportsSince(from), Lines{row.report});
    }
}

// Layers a hook makes wait for the next frame; closing deletes them oldest first; opened again
// the map tells the hooks again; an unloaded plug-in's layers go without a word.
TEST(MapStandIn, LayersLiveWithTheirMapAndTheirPlugin) {
    bmtest::SimFolder sim;
    XPLMRegisterMapCreationHook(Hook, nullptr);
    EXPECT_FALSE(XPLMMapExists(XPLM_MAP_USER_INTERFACE));
    ASSERT_TRUE(bmhost::OpenMap(XPLM_MAP_USER_INTERFACE));
    XPLMCreateMapLayer_t fill = Params(XPLM_MAP_USER_INTERFACE, xplm_MapLayer_Fill, reinterpret_cast<void*>(4));
    fill.willBeDeletedCallback = Deleted;
    fill.drawCallback = Draw;
    XPLMMapLayerID fillLayer = XPLMCreateMapLayer(&fill);
    ASSERT_NE(fillLayer, nullptr);
    bmhost::RunFrames(1);
    EXPECT_EQ(gCalls, (Lines{"hook XPLM_MAP_USER_INTERFACE", "draw 4", "draw 3"}));  // fill first
    gCalls.clear();
    EXPECT_TRUE(bmhost::CloseMap(XPLM_MAP_USER_INTERFACE));
    EXPECT_EQ(XPLMDestroyMapLayer(fillLayer), 0);  // gone with the map
    EXPECT_EQ(gCalls, (Lines{"deleted 3", "deleted 4"}));
    gCalls.clear();
    bmhost::OpenMap(XPLM_MAP_USER_INTERFACE);
    EXPECT_EQ(bmhost::MapLayerCount(XPLM_MAP_USER_INTERFACE), 1);
    bmhost::SweepPlugin(XPLM_NO_PLUGIN_ID);  // what the calls above made belongs to no plug-in
    EXPECT_EQ(bmhost::MapLayerCount(XPLM_MAP_USER_INTERFACE), 0);
    bmhost::OpenMap(XPLM_MAP_IOS);
    EXPECT_EQ(gCalls, (Lines{"hook XPLM_MAP_USER_INTERFACE"}));  // the hook went with its plug-in
}

// The projection follows the world reference as it stood when the map opened: after the
// aircraft was placed far away, the map is centred there, and unprojects exactly.
TEST(MapStandIn, AMapOpenedAfterTheSceneryMovedIsCentredOnTheNewReference) {
    bmtest::SimFolder sim;
    XPLMPlaceUserAtLocation(-33.9461, 151.1772, 21, 0, 0);  // Sydney
    bmhost::RunFrames(1);
    bmhost::OpenMap(XPLM_MAP_IOS);
    static float gX, gY;
    static double gLat, gLon;
    XPLMCreateMapLayer_t params = Params(XPLM_MAP_IOS, xplm_MapLayer_Fill, nullptr);
    params.prepCacheCallback = [](XPLMMapLayerID, const float*, XPLMMapProjectionID projection, void*) {
        XPLMMapProject(projection, -33.8461, 151.2772, &gX, &gY);
        XPLMMapUnproject(projection, gX, gY, &gLat, &gLon);
    };
    ASSERT_NE(XPLMCreateMapLayer(&params), nullptr);
    bmhost::RunFrames(1);
    EXPECT_NEAR(gY, 11131.949, 0.01);
    EXPECT_NEAR(gX, 0.1 * std::cos(-33.9461 * 3.14159265358979323846 / 180.0) * 111319.49, 0.01);
    EXPECT_NEAR(gLat, -33.8461, 1e-6);
    EXPECT_NEAR(gLon, 151.2772, 1e-6);
}

}  // namespace
