# A window that shows where the aircraft is. Drag it with the mouse; F8 hides and shows it.
# Try: bmsim --scripts examples --drag 120,700:400,500 --key F8 --key F8 --screenshot shot.png
from XPLMDataAccess import *
from XPLMDefs import *
from XPLMDisplay import *
from XPLMGraphics import *

WIDTH, HEIGHT = 260, 70


def find_data_ref(name):
    # None means the simulator has no such data ref: say which, rather than fail later.
    ref = XPLMFindDataRef(name)
    if ref is None:
        raise LookupError("no data ref %s" % name)
    return ref


class Brindlemoor:
    def XPluginStart(self):
        self.Latitude = find_data_ref("sim/flightmodel/position/latitude")
        self.Longitude = find_data_ref("sim/flightmodel/position/longitude")
        self.Elevation = find_data_ref("sim/flightmodel/position/elevation")
        self.Heading = find_data_ref("sim/flightmodel/position/psi")
        # The callables are kept: the same objects must stay registered.
        self.DrawCB = self.DrawWindow
        self.KeyCB = self.Key
        self.MouseCB = self.MouseClick
        self.HotKeyCB = self.ToggleWindow
        self.Window = XPLMCreateWindow(self, 50, 720, 50 + WIDTH, 720 - HEIGHT, 1,
                                       self.DrawCB, self.KeyCB, self.MouseCB, 0)
        self.HotKey = XPLMRegisterHotKey(self, XPLM_VK_F8, xplm_DownFlag, "Show or hide the position window",
                                         self.HotKeyCB, 0)
        self.Grab = None
        return "Position window", "brindlemoor.examples.position", "Shows the aircraft's position."

    def XPluginStop(self):
        XPLMUnregisterHotKey(self, self.HotKey)
        XPLMDestroyWindow(self, self.Window)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def DrawWindow(self, inWindowID, inRefcon):
        left, top, right, bottom = [], [], [], []
        XPLMGetWindowGeometry(inWindowID, left, top, right, bottom)
        XPLMDrawTranslucentDarkBox(left[0], top[0], right[0], bottom[0])
        white = (1.0, 1.0, 1.0)
        XPLMDrawString(white, left[0] + 8, top[0] - 20,
                       "Lat %.4f  Lon %.4f" % (XPLMGetDatad(self.Latitude), XPLMGetDatad(self.Longitude)),
                       0, xplmFont_Basic)
        XPLMDrawString(white, left[0] + 8, top[0] - 40,
                       "Elevation %.0f m  Heading %.0f" % (XPLMGetDatad(self.Elevation),
                                                           XPLMGetDataf(self.Heading)), 0, xplmFont_Basic)
        XPLMDrawString((0.6, 0.8, 1.0), left[0] + 8, top[0] - 60, "drag me, F8 hides me", 0, xplmFont_Basic)

    def Key(self, inWindowID, inKey, inFlags, inVirtualKey, inRefcon, losingFocus):
        pass

    def MouseClick(self, inWindowID, x, y, inMouse, inRefcon):
        # The window follows the mouse while the button is held.
        left, top, right, bottom = [], [], [], []
        XPLMGetWindowGeometry(inWindowID, left, top, right, bottom)
        if inMouse == xplm_MouseDown:
            XPLMBringWindowToFront(inWindowID)
            self.Grab = (x - left[0], y - top[0])
        elif self.Grab is not None:
            newLeft, newTop = x - self.Grab[0], y - self.Grab[1]
            XPLMSetWindowGeometry(inWindowID, newLeft, newTop, newLeft + WIDTH, newTop - HEIGHT)
            if inMouse == xplm_MouseUp:
                self.Grab = None
                print("Position window: moved to %d,%d" % (newLeft, newTop))
        return 1

    def ToggleWindow(self, inRefcon):
        visible = not XPLMGetWindowIsVisible(self.Window)
        XPLMSetWindowIsVisible(self.Window, visible)
        print("Position window: %s" % ("shown" if visible else "hidden"))
