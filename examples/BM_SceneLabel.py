# A draw callback in a 3-D phase: after the simulator draws the aircraft, it writes a label
# and the frame counter onto the scene.
from XPLMDisplay import *
from XPLMGraphics import *
from XPLMProcessing import *


class Brindlemoor:
    def XPluginStart(self):
        self.DrawCB = self.DrawLabel
        XPLMRegisterDrawCallback(self, self.DrawCB, xplm_Phase_Airplanes, 0, 0)
        return "Scene label", "brindlemoor.examples.scenelabel", "Writes text onto the 3-D scene."

    def XPluginStop(self):
        XPLMUnregisterDrawCallback(self, self.DrawCB, xplm_Phase_Airplanes, 0, 0)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def DrawLabel(self, inPhase, inIsBefore, inRefcon):
        width, height = [], []
        XPLMGetScreenSize(width, height)
        XPLMDrawString((1.0, 0.9, 0.2), width[0] // 2 - 120, height[0] // 2, "Brindlemoor draws here", 0,
                       xplmFont_Basic)
        XPLMDrawNumber((1.0, 0.9, 0.2), width[0] // 2 - 120, height[0] // 2 - 20, XPLMGetCycleNumber(), 5, 0, 0,
                       xplmFont_Basic)
        return 1
