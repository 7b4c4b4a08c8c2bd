# A map layer: an icon at the user's aircraft, turned to its heading, and a label with its
# altitude, on the simulator's map. On the stand-in:
#     bmsim --scripts examples --at 0:map=open --map-screenshot map.png
from XPLMDataAccess import XPLMFindDataRef, XPLMGetDatad, XPLMGetDataf
from XPLMMap import (XPLM_MAP_USER_INTERFACE, XPLMCreateMapLayer, XPLMDrawMapIconFromSheet, XPLMDrawMapLabel,
                     XPLMMapExists, XPLMMapProject, XPLMRegisterMapCreationHook, xplm_MapLayer_Markings,
                     xplm_MapOrientation_Map, xplm_MapOrientation_UI)


def find_data_ref(name):
    ref = XPLMFindDataRef(name)
    if ref is None:
        raise LookupError("no data ref %s" % name)
    return ref


class Brindlemoor:
    def XPluginStart(self):
        self.Layer = 0
        self.Latitude = find_data_ref("sim/flightmodel/position/latitude")
        self.Longitude = find_data_ref("sim/flightmodel/position/longitude")
        self.Elevation = find_data_ref("sim/flightmodel/position/elevation")
        self.Heading = find_data_ref("sim/flightmodel/position/psi")
        # The hook hears of the maps created from now on; a map open already gets its layer when
        # the script is enabled.
        XPLMRegisterMapCreationHook(self, self.MapCreated, 0)
        return "Map layer", "brindlemoor.examples.maplayer", "Marks the aircraft on the map."

    def XPluginStop(self):
        pass  # the layer and the hook go with the script

    def XPluginEnable(self):
        if not self.Layer and XPLMMapExists(XPLM_MAP_USER_INTERFACE):
            self.CreateLayer(XPLM_MAP_USER_INTERFACE)
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def MapCreated(self, mapIdentifier, refcon):
        if mapIdentifier == XPLM_MAP_USER_INTERFACE:
            self.CreateLayer(mapIdentifier)

    def CreateLayer(self, mapIdentifier):
        self.Layer = XPLMCreateMapLayer(self, {"mapToCreateLayerIn": mapIdentifier,
                                               "layerType": xplm_MapLayer_Markings,
                                               "willBeDeletedCallback": self.LayerDeleted,
                                               "iconCallback": self.DrawIcons,
                                               "labelCallback": self.DrawLabels,
                                               "showUiToggle": 1,
                                               "layerName": "Aircraft",
                                               "refcon": 0})

    def LayerDeleted(self, layer, refcon):
        self.Layer = 0  # the map closed; the hook makes a new layer when it opens again

    def Position(self, projection):
        return XPLMMapProject(projection, XPLMGetDatad(self.Latitude), XPLMGetDatad(self.Longitude))

    def DrawIcons(self, layer, bounds, zoomRatio, unitsPerUi, mapStyle, projection, refcon):
        x, y = self.Position(projection)
        # Turned from north, so that the icon points along the heading however the map lies;
        # 20 interface units (pixels) wide at any zoom.
        XPLMDrawMapIconFromSheet(layer, "Resources/bitmaps/interface11/map_icons.png", 0, 0, 4, 4, x, y,
                                 xplm_MapOrientation_Map, XPLMGetDataf(self.Heading), 20 * unitsPerUi)

    def DrawLabels(self, layer, bounds, zoomRatio, unitsPerUi, mapStyle, projection, refcon):
        x, y = self.Position(projection)
        feet = XPLMGetDatad(self.Elevation) / 0.3048
        XPLMDrawMapLabel(layer, "%d ft" % feet, x, y, xplm_MapOrientation_UI, 0.0)
