# A terrain probe under the aircraft: each frame a flight loop finds the ground below it, and a
# label tells the ground's elevation, the height above it, whether it is water, and the
# magnetic heading.
from XPLMDataAccess import *
from XPLMDisplay import *
from XPLMGraphics import *
from XPLMProcessing import *
from XPLMScenery import *


def find_data_ref(name):
    # None means the simulator has no such data ref: say which, rather than fail later.
    ref = XPLMFindDataRef(name)
    if ref is None:
        raise LookupError("no data ref %s" % name)
    return ref


class Brindlemoor:
    def XPluginStart(self):
        self.Position = [find_data_ref("sim/flightmodel/position/local_" + axis) for axis in "xyz"]
        self.Heading = find_data_ref("sim/flightmodel/position/psi")
        self.Probe = XPLMCreateProbe(self, xplm_ProbeY)
        self.Text = "no ground yet"
        XPLMRegisterFlightLoopCallback(self, self.FollowTerrain, -1.0, 0)
        XPLMRegisterDrawCallback(self, self.DrawLabel, xplm_Phase_Window, 0, 0)
        return "Terrain label", "brindlemoor.examples.terrainlabel", "Tells the ground below the aircraft."

    def XPluginStop(self):
        # The probe, the loop and the callback are the script's: they would go with it anyway.
        XPLMDestroyProbe(self, self.Probe)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def FollowTerrain(self, elapsedSinceLastCall, elapsedTimeSinceLastFlightLoop, counter, refcon):
        x, y, z = [XPLMGetDatad(ref) for ref in self.Position]
        info = XPLMProbeTerrainXYZ(self.Probe, x, y, z)
        if info.result != xplm_ProbeHitTerrain:
            self.Text = "no ground below"
            return -1.0
        magnetic = XPLMDegTrueToDegMagnetic(XPLMGetDataf(self.Heading))
        self.Text = "Ground %.0f m%s, %.0f m above it, heading %03.0f magnetic" % (
            info.locationY, " (water)" if info.is_wet else "", y - info.locationY, magnetic)
        return -1.0

    def DrawLabel(self, inPhase, inIsBefore, inRefcon):
        XPLMDrawString((0.6, 1.0, 0.6), 20, 40, self.Text, 0, xplmFont_Basic)
        return 1
