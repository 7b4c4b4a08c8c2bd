# A data ref browser: type the start of a name in the text field and see the matching data refs,
# their types and their live values (refreshed twice a second). The names come from the
# simulator's own list (XPLMCountDataRefs, XPLMGetDataRefsByIndex, XPLMGetDataRefInfo); data refs
# registered later are picked up as the count grows.
# Try (click into the field, type a prefix, look):
#   bmsim --scripts examples --frames 40 --at 1:click=200,272 --at 1:type=sim/time/ \
#         --at 39:screenshot=browser.png
from __future__ import print_function

from XPLMDataAccess import *
from XPLMProcessing import *
from XPWidgetDefs import *
from XPWidgets import *
from XPStandardWidgets import *

LEFT, TOP, RIGHT, BOTTOM = 20, 300, 420, 20
ROWS = 10


def TypeName(ref, types):
    if types & xplmType_Double:
        return "double"
    if types & xplmType_Float:
        return "float"
    if types & xplmType_Int:
        return "int"
    if types & xplmType_FloatArray:
        return "float[%d]" % XPLMGetDatavf(ref, None, 0, 0)
    if types & xplmType_IntArray:
        return "int[%d]" % XPLMGetDatavi(ref, None, 0, 0)
    if types & xplmType_Data:
        return "byte[%d]" % XPLMGetDatab(ref, None, 0, 0)
    return "?"


def Value(ref, types):
    if types & xplmType_Double:
        return "%.6g" % XPLMGetDatad(ref)
    if types & xplmType_Float:
        return "%.6g" % XPLMGetDataf(ref)
    if types & xplmType_Int:
        return "%d" % XPLMGetDatai(ref)
    values = []
    if types & xplmType_FloatArray:
        XPLMGetDatavf(ref, values, 0, 4)
        return " ".join("%.3g" % v for v in values) + (" ..." if XPLMGetDatavf(ref, None, 0, 0) > 4 else "")
    if types & xplmType_IntArray:
        XPLMGetDatavi(ref, values, 0, 4)
        return " ".join("%d" % v for v in values) + (" ..." if XPLMGetDatavi(ref, None, 0, 0) > 4 else "")
    if types & xplmType_Data:
        XPLMGetDatab(ref, values, 0, 40)
        text = values[0] if values else b""
        return repr(text.decode("latin-1") if isinstance(text, bytes) else text)
    return ""


class Brindlemoor:
    def XPluginStart(self):
        self.Names = []  # (name, ref, types), in the simulator's order
        self.Known = 0
        self.Matches = []
        self.Window = XPCreateWidget(LEFT, TOP, RIGHT, BOTTOM, 1, "Data refs", 1, 0, xpWidgetClass_MainWindow)
        XPSetWidgetProperty(self.Window, xpProperty_MainWindowHasCloseBoxes, 1)
        XPCreateWidget(LEFT + 10, TOP - 25, LEFT + 60, TOP - 45, 1, "Prefix", 0, self.Window, xpWidgetClass_Caption)
        self.Prefix = XPCreateWidget(LEFT + 60, TOP - 25, RIGHT - 10, TOP - 45, 1, "", 0, self.Window,
                                     xpWidgetClass_TextField)
        XPSetWidgetProperty(self.Prefix, xpProperty_MaxCharacters, 120)
        self.Count = XPCreateWidget(LEFT + 10, TOP - 50, RIGHT - 10, TOP - 66, 1, "", 0, self.Window,
                                    xpWidgetClass_Caption)
        self.Rows = [XPCreateWidget(LEFT + 10, TOP - 70 - 20 * i, RIGHT - 10, TOP - 88 - 20 * i, 1, "", 0,
                                    self.Window, xpWidgetClass_Caption) for i in range(ROWS)]
        self.HandlerCB = self.Handler
        XPAddWidgetCallback(self, self.Window, self.HandlerCB)
        self.RefreshCB = self.Refresh
        XPLMRegisterFlightLoopCallback(self, self.RefreshCB, 0.5, 0)
        return "Data ref browser", "brindlemoor.examples.datarefs", "Browse the data refs by name."

    def XPluginStop(self):
        XPLMUnregisterFlightLoopCallback(self, self.RefreshCB, 0)
        XPDestroyWidget(self, self.Window, 1)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def Learn(self):
        # Only the refs past the last count are new: no data ref is ever taken away.
        count = XPLMCountDataRefs()
        if count <= self.Known:
            return
        refs = []
        XPLMGetDataRefsByIndex(self.Known, count - self.Known, refs)
        for ref in refs:
            info = XPLMGetDataRefInfo(ref)
            if info is not None:
                self.Names.append((info.name, ref, info.type))
        self.Known = count

    def Search(self):
        self.Learn()
        text = []
        XPGetWidgetDescriptor(self.Prefix, text, 256)
        prefix = text[0] if text else ""
        self.Matches = [entry for entry in self.Names if entry[0].startswith(prefix)] if prefix else []
        XPSetWidgetDescriptor(self.Count, "%d of %d data refs" % (len(self.Matches), len(self.Names)))
        self.Show()

    def Show(self):
        for i, row in enumerate(self.Rows):
            if i < len(self.Matches):
                name, ref, types = self.Matches[i]
                XPSetWidgetDescriptor(row, "%s  %s  %s" % (name, TypeName(ref, types), Value(ref, types)))
            else:
                XPSetWidgetDescriptor(row, "")

    def Refresh(self, sinceCall, sinceLoop, counter, refcon):
        if XPIsWidgetVisible(self.Window):
            self.Show()
        return 0.5

    def Handler(self, message, widget, param1, param2):
        if message == xpMessage_CloseButtonPushed:
            XPHideWidget(self.Window)
            return 1
        if message == xpMsg_TextFieldChanged and param1 == self.Prefix:
            self.Search()
            return 1
        return 0
