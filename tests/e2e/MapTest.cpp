// Map layers, map creation hooks, avionics callbacks and placing the aircraft, through the built
// plug-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMMap.h"
#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Calls = std::vector<std::string>;

const char kUi[] = XPLM_MAP_USER_INTERFACE;

// Two layers made by a creation hook, a dict and a sequence; the markings layer draws an icon
// and a label 0.1 degrees north of the map's centre (the world reference, 47.4647 -122.3088).
const char kLayers[] = R"(from __future__ import print_function
from XPLMMap import *
from XPLMProcessing import *
class Brindlemoor:
    def XPluginStart(self):
        XPLMRegisterMapCreationHook(self, self.Created, 5)
        print('exists', XPLMMapExists(XPLM_MAP_USER_INTERFACE), XPLMMapExists('nonsense'))
        XPLMRegisterFlightLoopCallback(self, self.Late, 3.0, 0)
        return 'Layers', 'sig.layers', ''
    def Created(self, map, refcon):
        print('created', map, refcon, XPLMMapExists(map))
        marks = XPLMCreateMapLayer(self, {'mapToCreateLayerIn': map, 'layerType': xplm_MapLayer_Markings,
                                          'prepCacheCallback': self.Prep, 'drawCallback': self.Draw,
                                          'iconCallback': self.Icons, 'labelCallback': self.Labels,
                                          'layerName': 'Marks', 'refcon': 1})
        fill = XPLMCreateMapLayer(self, (map, xplm_MapLayer_Fill, None, self.Prep, self.Draw, None, None, 0, 'Fill', 2))
        print('layers', marks != 0, fill != 0, marks != fill)
    def Prep(self, layer, bounds, projection, refcon):
        print('prep', refcon, bounds)
    def Draw(self, layer, bounds, zoom, unitsPerUi, style, projection, refcon):
        print('draw', refcon, bounds, zoom, unitsPerUi, style)
    def Icons(self, layer, bounds, zoom, unitsPerUi, style, projection, refcon):
        self.Projection = projection
        x, y = XPLMMapProject(projection, 47.5647, -122.3088)
        lat, lon = XPLMMapUnproject(projection, x, y)
        print('icons', refcon, round(x, 1), round(y, 1), round(lat, 4), round(lon, 4),
              XPLMMapScaleMeter(projection, x, y), XPLMMapGetNorthHeading(projection, x, y))
        XPLMDrawMapIconFromSheet(layer, 'Resources/icons.png', 1, 0, 4, 4, x, y, xplm_MapOrientation_Map, 90.0, 2500.0)
        XPLMDrawMapLabel(layer, 'too early', x, y, xplm_MapOrientation_UI, 0.0)
    def Labels(self, layer, bounds, zoom, unitsPerUi, style, projection, refcon):
        x, y = XPLMMapProject(projection, 47.5647, -122.3088)
        XPLMDrawMapLabel(layer, 'North', x, y, xplm_MapOrientation_UI, 0.0)
        print('labels', refcon)
    def Late(self, since, sinceLoop, counter, refcon):
        print('late', XPLMMapProject(self.Projection, 47.5647, -122.3088))
        return 0.0
)";

TEST(MapLayers, DrawIconsAndLabelsAtProjectedPointsInTheDocumentedOrder) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Layers.py", kLayers);
    LoadBrindlemoor(true);
    bmhost::RunFrames(1);  // no map yet: nothing drawn
    ASSERT_TRUE(bmhost::OpenMap(kUi));
    EXPECT_FALSE(bmhost::OpenMap(kUi));
    bmhost::RunFrames(2);
    const std::string bounds = "[-50000.0, 50000.0, 50000.0, -50000.0]";
    const Calls frame = {"draw 2 " + bounds + " 1.0 125.0 0", "draw 1 " + bounds + " 1.0 125.0 0",
                         "icons 1 0.0 11131.9 47.5647 -122.3088 1.0 0.0", "labels 1"};
    Calls expected = {"exists 0 0", "created XPLM_MAP_USER_INTERFACE 5 1", "layers True True True",
                      "prep 2 [-150000.0, 150000.0, 150000.0, -150000.0]",
                      "prep 1 [-150000.0, 150000.0, 150000.0, -150000.0]"};
    expected.insert(expected.end(), frame.begin(), frame.end());
    expected.insert(expected.end(), frame.begin(), frame.end());
    EXPECT_EQ(Lines(sim.Output()), expected);

    // What the layers queued; the label queued in the icon callback was dropped and reported.
    Calls drawn;
    for (const bmhost::DrawOp& op : bmhost::LastMapDrawing(kUi)) drawn.push_back(op.ToString());
    EXPECT_EQ(drawn, (Calls{"XPLMDrawMapIconFromSheet(1, 0, 4, 4, 0, 11131.9, 0, 90, 2500, \"Resources/icons.png\")",
                            "XPLMDrawMapLabel(0, 11131.9, 1, 0, \"North\")"}));
    EXPECT_EQ(Count(bmhost::SimLog(), "[stand-in] XPLMDrawMapLabel: only inside the layer's own label callback\n"), 2u);

    // The picture: 125 map units a pixel around the centre; the icon a disc of 2500 units in the
    // colour of its cell (1), its stroke to the east, the label under it.
    std::string picture = sim.Root() + "map.png";
    ASSERT_TRUE(bmhost::SaveMapPicture(picture, kUi));
    EXPECT_EQ(bmhost::PicturePixel(picture, 400, 495), 0x3366D9);
    EXPECT_EQ(bmhost::PicturePixel(picture, 395, 489), 0x3366D9);
    EXPECT_EQ(bmhost::PicturePixel(picture, 405, 489), 0x1A1A1A);
    EXPECT_EQ(bmhost::PicturePixel(picture, 10, 10), 0xEDEBD9);
    int dark = 0;
    for (int x = 380; x < 420; ++x) dark += bmhost::PicturePixel(picture, x, 475) < 0x808080;
    EXPECT_GT(dark, 3) << "the label's letters";
    std::string error;
    EXPECT_FALSE(bmhost::SaveMapPicture(picture, XPLM_MAP_IOS, &error));
    EXPECT_EQ(error, "the map XPLM_MAP_IOS is not open");

    // A projection outside the callbacks answers zeros and is reported.
    bmhost::RunFrames(180);
    EXPECT_EQ(Count(sim.Output(), "late (0.0, 0.0)\n"), 1u);
    EXPECT_EQ(Count(bmhost::SimLog(),
                    "[stand-in] XPLMMapProject: the projection is valid only inside a map layer's callbacks\n"),
              1u);
}

// A layer goes with its map, its script's own destroy call, the script's stop and its reload;
// its callbacks are silent while the script is disabled. Only the simulator's deleting it (the
// map closing) and the script's own call tell the will-be-deleted callback.
const char kLifetime[] = R"(from __future__ import print_function
from XPLMMap import *
from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        XPLMRegisterMapCreationHook(self, self.Created, 0)
        return 'Lifetime', 'sig.lifetime', ''
    def XPluginEnable(self):
        if XPLMMapExists(XPLM_MAP_USER_INTERFACE):
            self.Created(XPLM_MAP_USER_INTERFACE, 0)
        return 1
    def Created(self, map, refcon):
        self.Layer = XPLMCreateMapLayer(self, {'mapToCreateLayerIn': map, 'layerType': xplm_MapLayer_Fill,
                                               'willBeDeletedCallback': self.Deleted, 'drawCallback': self.Draw,
                                               'refcon': 3})
        print('created', self.Layer != 0)
    def Deleted(self, layer, refcon):
        print('deleted', layer == self.Layer, refcon)
    def Draw(self, layer, bounds, zoom, unitsPerUi, style, projection, refcon):
        print('draw')
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            print('destroyed', XPLMDestroyMapLayer(self, self.Layer), XPLMDestroyMapLayer(self, self.Layer))
        elif message == 2:
            BM_DisableScript(self)
        elif message == 3:
            BM_ReloadScript(self)
)";

TEST(MapLayers, GoWithTheMapTheScriptsCallItsStopAndReloadAndAreSilentWhileDisabled) {
    struct Case {
        const char* name;
        std::function<void()> act;
        Calls lines;  // what the script printed after the act and a frame
        int layers;   // the map's layers then
        int hooks;    // the creation hooks called when the map opens again
    };
    auto message = [](int m) { return [m] { bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, m, nullptr); }; };
    const Case cases[] = {
        {"the map closes", [] { bmhost::CloseMap(kUi); }, {"deleted True 3"}, 0, 1},
        {"the script destroys it", message(1), {"deleted True 3", "destroyed 1 0"}, 0, 1},
        {"the script is disabled, then the map closes",
         [&] {
             message(2)();
             bmhost::RunFrames(1);
             bmhost::CloseMap(kUi);
         },
         {}, 0, 0},
        {"the plug-in stops", [] { bmhost::UnloadPlugins(); }, {}, 0, 0},
        {"the script reloads", message(3), {"created True", "draw"}, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bmtest::SimFolder sim;
        sim.AddScript("BM_Lifetime.py", kLifetime);
        LoadBrindlemoor(true);
        ASSERT_TRUE(bmhost::OpenMap(kUi));
        bmhost::RunFrames(1);
        ASSERT_EQ(Lines(sim.Output()), (Calls{"created True", "draw"}));
        c.act();
        bmhost::RunFrames(1);
        Calls lines = Lines(sim.Output());
        EXPECT_EQ(Calls(lines.begin() + 2, lines.end()), c.lines);
        EXPECT_EQ(bmhost::MapLayerCount(kUi), c.layers);
        // Opened again, the map hears the hooks of the script as it is now: the old script's
        // hook went with it.
        bmhost::CloseMap(kUi);
        std::size_t before = Lines(sim.Output()).size();
        bmhost::OpenMap(kUi);
        lines = Lines(sim.Output());
        EXPECT_EQ(std::count(lines.begin() + long(before), lines.end(), "created True"), c.hooks);
        // No record outlived its layer: the stop finds every layer it destroys.
        std::size_t logged = bmhost::SimLog().size();
        bmhost::UnloadPlugins();
        EXPECT_EQ(bmhost::RegistrationCount(), 0);
        EXPECT_EQ(bmhost::SimLog().substr(logged).find("XPLMDestroyMapLayer"), std::string::npos);
    }
}

// Bad structs and arguments raise, naming the function and the field; nothing is registered.
TEST(MapLayers, BadFieldsRaiseNamingTheFunctionAndTheField) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Bad.py", R"(from __future__ import print_function
from XPLMMap import *
from XPLMDisplay import *
class Brindlemoor:
    def XPluginStart(self):
        ui = XPLM_MAP_USER_INTERFACE
        for call in (lambda: XPLMCreateMapLayer(self, {'layerType': 0}),
                     lambda: XPLMCreateMapLayer(self, (ui, 7)),
                     lambda: XPLMCreateMapLayer(self, (3, 0)),
                     lambda: XPLMCreateMapLayer(self, (ui, 0, None, None, 5)),
                     lambda: XPLMCreateMapLayer(self, (ui, 0, None, None, None, None, None, 0, 'a\0b')),
                     lambda: XPLMCreateMapLayer(None, (ui, 0)),
                     lambda: XPLMRegisterMapCreationHook(self, 'hook', 0),
                     lambda: XPLMRegisterAvionicsCallbacksEx(self, {'deviceId': 18}),
                     lambda: XPLMRegisterAvionicsCallbacksEx(self, (0, 'before'))):
            try:
                print('answered', call())
            except Exception as e:
                print(type(e).__name__ + ':', e)
        return 'Bad', 'sig.bad', ''
)");
    bmhost::OpenMap(kUi);
    LoadBrindlemoor(true);
    Calls lines = Lines(sim.Output());
    ASSERT_EQ(lines.size(), 9u) << sim.Output();
    lines[4] = lines[4].substr(0, lines[4].find(" ("));  // the interpreter's own reason follows
    EXPECT_EQ(lines,
              (Calls{"TypeError: XPLMCreateMapLayer: the struct's field mapToCreateLayerIn is missing",
                     "ValueError: XPLMCreateMapLayer: field layerType must be xplm_MapLayer_Fill (0) or "
                     "xplm_MapLayer_Markings (1), not 7",
                     "TypeError: XPLMCreateMapLayer: field mapToCreateLayerIn must be a str, not int",
                     "TypeError: XPLMCreateMapLayer: field drawCallback must be callable or None, not int",
                     "ValueError: XPLMCreateMapLayer: field layerName cannot be passed to the simulator",
                     "TypeError: XPLMCreateMapLayer(): the first argument must be the script object (self), not "
                     "NoneType; was it left out?",
                     "TypeError: XPLMRegisterMapCreationHook: the callback must be callable, not str",
                     "ValueError: XPLMRegisterAvionicsCallbacksEx: field deviceId must be an xplm_device_* value (0 "
                     "to 17), not 18",
                     "TypeError: XPLMRegisterAvionicsCallbacksEx: field drawCallbackBefore must be callable or None, "
                     "not str"}));
    EXPECT_EQ(bmhost::MapLayerCount(kUi), 0);
}

// Avionics: each frame, in the panel phase, the callbacks of the devices the aircraft has; a
// before callback answering 0 keeps the device's screen from being drawn.
TEST(Avionics, CallbacksRunEachFrameForTheAircraftsDevicesAndAreSilentWhileDisabled) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Glass.py", R"(from __future__ import print_function
from XPLMDisplay import *
from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        self.Gns = XPLMRegisterAvionicsCallbacksEx(self, {'deviceId': xplm_device_GNS430_1,
            'drawCallbackBefore': self.Before, 'drawCallbackAfter': self.After, 'refcon': 7})
        self.Big = XPLMRegisterAvionicsCallbacksEx(self, (xplm_device_GNS530_1, None, self.After))
        self.Pfd = XPLMRegisterAvionicsCallbacksEx(self, [xplm_device_G1000_PFD_1, self.Before])
        print('registered', len(set([self.Gns, self.Big, self.Pfd]) - set([0])))
        return 'Glass', 'sig.glass', ''
    def Before(self, device, before, refcon):
        print('before', device, before, refcon)
        return 0
    def After(self, device, before, refcon):
        print('after', device, before, refcon)
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            BM_DisableScript(self)
        elif message == 3:
            print('gone', XPLMUnregisterAvionicsCallbacks(self, self.Gns), XPLMUnregisterAvionicsCallbacks(self, self.Gns))
)");
    sim.AddScript("BM_Switch.py", R"(from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        return 'Switch', 'sig.switch', ''
    def XPluginReceiveMessage(self, who, message, param):
        if message == 2:
            BM_EnableScript(BM_FindScriptBySignature('sig.glass'))
)");
    XPLMPluginID id = LoadBrindlemoor(true);
    using Devices = std::vector<int>;
    bmhost::RunFrames(2);
    const Calls frame = {"before 0 1 7", "after 0 0 7", "after 2 0 0"};
    Calls expected = {"registered 3"};
    for (int i = 0; i < 2; ++i) expected.insert(expected.end(), frame.begin(), frame.end());
    EXPECT_EQ(Lines(sim.Output()), expected);
    EXPECT_EQ(bmhost::LastFrameAvionics(), (Devices{xplm_device_GNS530_1}));

    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()).size(), expected.size());
    EXPECT_EQ(bmhost::LastFrameAvionics(), (Devices{xplm_device_GNS430_1, xplm_device_GNS530_1}));

    const int held = bmhost::RegistrationCount(id);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 2, nullptr);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 3, nullptr);
    EXPECT_EQ(bmhost::RegistrationCount(id), held - 1);
    bmhost::SetAvionicsDevices({xplm_device_G1000_PFD_1, 99});
    bmhost::RunFrames(1);
    Calls lines = Lines(sim.Output());
    EXPECT_EQ(Calls(lines.begin() + long(expected.size()), lines.end()), (Calls{"gone 1 0", "before 6 1 0"}));
    EXPECT_EQ(bmhost::LastFrameAvionics(), (Devices{}));
    bmhost::UnloadPlugins();
    EXPECT_EQ(bmhost::RegistrationCount(), 0);
}

// The aircraft in flight at a point: near the reference the scenery stays, far away it moves.
TEST(PlaceUserAtLocation, MovesTheAircraftAndStartsAFlight) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Place.py", R"(from __future__ import print_function
from XPLMPlanes import *
from XPLMGraphics import *
class Brindlemoor:
    def XPluginStart(self):
        return 'Place', 'sig.place', ''
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            XPLMPlaceUserAtLocation(47.5647, -122.3088, 1000.0, 90.0, 50.0)
        elif message == 2:
            XPLMPlaceUserAtLocation(51.47, -0.4543, 500.0, 270.0, 60.0)
            print('refused', XPLMPlaceUserAtLocation(95.0, 0.0, 0.0, 0.0, 0.0))
        elif message in (103, 104):
            print('message', message, [int(round(v)) for v in XPLMWorldToLocal(51.47, -0.4543, 500.0)])
)");
    LoadBrindlemoor(true);
    auto value = [](const char* name) { return XPLMGetDatad(XPLMFindDataRef(name)); };
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(1);
    EXPECT_NEAR(value("sim/flightmodel/position/latitude"), 47.5647, 1e-9);
    EXPECT_NEAR(value("sim/flightmodel/position/local_z"), -11131.949, 0.01);
    EXPECT_NEAR(value("sim/flightmodel/position/elevation"), 1000.0, 1e-9);
    EXPECT_NEAR(XPLMGetDataf(XPLMFindDataRef("sim/flightmodel/position/local_vx")), 50.0f, 1e-4);
    EXPECT_NEAR(XPLMGetDataf(XPLMFindDataRef("sim/flightmodel/position/psi")), 90.0f, 1e-4);
    int running[8] = {};
    XPLMGetDatavi(XPLMFindDataRef("sim/flightmodel/engine/ENGN_running"), running, 0, 8);
    EXPECT_EQ(running[0] + running[7], 2);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 2, nullptr);
    bmhost::RunFrames(1);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"message 103 [9170393, 500, -445868]", "refused 1",
                                          "message 104 [0, 500, 0]", "message 103 [0, 500, 0]"}));
    EXPECT_EQ(Count(bmhost::SimLog(), "[stand-in] XPLMPlaceUserAtLocation: not a place on earth\n"), 1u);
}

}  // namespace
