# A modern window: decorated by the simulator as a floating window, with a title and resizing
# limits. It lists a few of the simulator's data in lines that the mouse wheel scrolls, and
# shows an arrow cursor over them.
# Try: bmsim --scripts examples --screenshot shot.png
from XPLMDataAccess import *
from XPLMDefs import *
from XPLMDisplay import *
from XPLMGraphics import *

LEFT, TOP, RIGHT, BOTTOM = 640, 300, 940, 140
LINE = 14


def find_data_ref(name):
    # None means the simulator has no such data ref: say which, rather than fail later.
    ref = XPLMFindDataRef(name)
    if ref is None:
        raise LookupError("no data ref %s" % name)
    return ref


class Brindlemoor:
    def XPluginStart(self):
        self.Refs = [(name, find_data_ref(name)) for name in (
            "sim/time/total_running_time_sec",
            "sim/flightmodel/position/theta",
            "sim/flightmodel/position/latitude",
            "sim/flightmodel/position/longitude",
            "sim/flightmodel/position/elevation",
            "sim/flightmodel/position/psi",
        )]
        self.First = 0
        # The fields of XPLMCreateWindow_t by name; those left out (decoration, layer, right
        # click) make a decorated floating window without a right-click callback.
        self.Window = XPLMCreateWindowEx(self, {
            "left": LEFT, "top": TOP, "right": RIGHT, "bottom": BOTTOM, "visible": 1,
            "drawWindowFunc": self.Draw,
            "handleMouseClickFunc": self.Click,
            "handleKeyFunc": self.Key,
            "handleCursorFunc": self.Cursor,
            "handleMouseWheelFunc": self.Wheel,
            "refcon": 0,
        })
        XPLMSetWindowTitle(self.Window, "Modern window")
        XPLMSetWindowResizingLimits(self.Window, 200, 80, 600, 400)
        XPLMSetWindowPositioningMode(self.Window, xplm_WindowPositionFree, -1)
        return "Modern window", "brindlemoor.examples.modern", "A decorated window that scrolls with the wheel."

    def XPluginStop(self):
        XPLMDestroyWindow(self, self.Window)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def Draw(self, inWindowID, inRefcon):
        left, top, right, bottom = [], [], [], []
        XPLMGetWindowGeometry(inWindowID, left, top, right, bottom)
        y = top[0] - LINE
        for name, ref in self.Refs[self.First:]:
            if y < bottom[0]:
                break
            if XPLMGetDataRefTypes(ref) & xplmType_Double:
                value = "%.4f" % XPLMGetDatad(ref)
            else:
                value = "%.2f" % XPLMGetDataf(ref)
            # The value is right-aligned: its width measured in the font it is drawn in.
            width = XPLMMeasureString(xplmFont_Basic, value, len(value))
            XPLMDrawString((1.0, 1.0, 1.0), left[0] + 6, y, name.split("/")[-1], 0, xplmFont_Basic)
            XPLMDrawString((0.6, 0.9, 1.0), int(right[0] - 6 - width), y, value, 0, xplmFont_Basic)
            y -= LINE

    def Click(self, inWindowID, x, y, inMouse, inRefcon):
        return 1

    def Key(self, inWindowID, inKey, inFlags, inVirtualKey, inRefcon, losingFocus):
        pass

    def Cursor(self, inWindowID, x, y, inRefcon):
        return xplm_CursorArrow

    def Wheel(self, inWindowID, x, y, wheel, clicks, inRefcon):
        if wheel == 0:
            self.First = min(max(self.First - clicks, 0), len(self.Refs) - 1)
            print("Modern window: scrolled to line %d" % self.First)
        return 1
