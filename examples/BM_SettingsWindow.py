# A settings window built from widgets: a text field, a check box, a slider and OK / Cancel
# buttons, with one widget callback on the window that hears what the user does.
# Try (click at the end of the call sign, type, untick the box, drag the slider, press OK):
#   bmsim --scripts examples --frames 4 --at 1:click=620,458 --at 1:type=X --at 2:click=380,420 \
#         --at 2:drag=562,381:600,381 --at 3:screenshot=settings.png --at 3:click=445,341
from __future__ import print_function

from XPLMDefs import *
from XPWidgetDefs import *
from XPWidgets import *
from XPStandardWidgets import *

LEFT, TOP, RIGHT, BOTTOM = 350, 520, 650, 310


class Brindlemoor:
    def XPluginStart(self):
        self.Settings = {"call sign": "N12345", "labels": 1, "volume": 60}
        self.Window = XPCreateWidget(LEFT, TOP, RIGHT, BOTTOM, 1, "Settings", 1, 0, xpWidgetClass_MainWindow)
        XPSetWidgetProperty(self.Window, xpProperty_MainWindowHasCloseBoxes, 1)

        self.Caption(LEFT + 20, TOP - 50, "Call sign")
        self.CallSign = XPCreateWidget(LEFT + 110, TOP - 50, RIGHT - 20, TOP - 72, 1, self.Settings["call sign"], 0,
                                       self.Window, xpWidgetClass_TextField)
        XPSetWidgetProperty(self.CallSign, xpProperty_TextFieldType, xpTextEntryField)
        XPSetWidgetProperty(self.CallSign, xpProperty_MaxCharacters, 8)

        self.Labels = XPCreateWidget(LEFT + 20, TOP - 90, LEFT + 40, TOP - 110, 1, "", 0, self.Window,
                                     xpWidgetClass_Button)
        XPSetWidgetProperty(self.Labels, xpProperty_ButtonType, xpRadioButton)
        XPSetWidgetProperty(self.Labels, xpProperty_ButtonBehavior, xpButtonBehaviorCheckBox)
        XPSetWidgetProperty(self.Labels, xpProperty_ButtonState, self.Settings["labels"])
        self.Caption(LEFT + 45, TOP - 90, "Show labels")

        self.VolumeCaption = self.Caption(LEFT + 20, TOP - 130, "")
        self.Volume = XPCreateWidget(LEFT + 110, TOP - 130, RIGHT - 20, TOP - 148, 1, "", 0, self.Window,
                                     xpWidgetClass_ScrollBar)
        XPSetWidgetProperty(self.Volume, xpProperty_ScrollBarType, xpScrollBarTypeSlider)
        XPSetWidgetProperty(self.Volume, xpProperty_ScrollBarMin, 0)
        XPSetWidgetProperty(self.Volume, xpProperty_ScrollBarMax, 100)
        XPSetWidgetProperty(self.Volume, xpProperty_ScrollBarPageAmount, 10)
        XPSetWidgetProperty(self.Volume, xpProperty_ScrollBarSliderPosition, self.Settings["volume"])
        self.ShowVolume(self.Settings["volume"])

        self.OK = self.Button(LEFT + 60, BOTTOM + 20, "OK")
        self.Cancel = self.Button(LEFT + 170, BOTTOM + 20, "Cancel")

        # The buttons, the check box, the slider and the close box all tell the window.
        self.HandlerCB = self.Handler
        XPAddWidgetCallback(self, self.Window, self.HandlerCB)
        return "Settings window", "brindlemoor.examples.settings", "A widget window with a few settings."

    def XPluginStop(self):
        XPDestroyWidget(self, self.Window, 1)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def Caption(self, left, top, text):
        return XPCreateWidget(left, top, left + 85, top - 20, 1, text, 0, self.Window, xpWidgetClass_Caption)

    def Button(self, left, bottom, label):
        button = XPCreateWidget(left, bottom + 22, left + 70, bottom, 1, label, 0, self.Window, xpWidgetClass_Button)
        XPSetWidgetProperty(button, xpProperty_ButtonType, xpPushButton)
        return button

    def ShowVolume(self, volume):
        XPSetWidgetDescriptor(self.VolumeCaption, "Volume %d" % volume)

    def Handler(self, message, widget, param1, param2):
        if message == xpMessage_CloseButtonPushed:
            self.Close("closed")
            return 1
        if message == xpMsg_PushButtonPressed:
            if param1 == self.OK:
                text = []
                XPGetWidgetDescriptor(self.CallSign, text, 64)
                self.Settings["call sign"] = text[0]
                self.Settings["labels"] = XPGetWidgetProperty(self.Labels, xpProperty_ButtonState, None)
                self.Settings["volume"] = XPGetWidgetProperty(self.Volume, xpProperty_ScrollBarSliderPosition, None)
                self.Close("saved: call sign %(call sign)s, labels %(labels)d, volume %(volume)d" % self.Settings)
            elif param1 == self.Cancel:
                self.Close("cancelled")
            return 1
        if message == xpMsg_ScrollBarSliderPositionChanged and param1 == self.Volume:
            self.ShowVolume(XPGetWidgetProperty(self.Volume, xpProperty_ScrollBarSliderPosition, None))
            return 1
        if message == xpMsg_ButtonStateChanged and param1 == self.Labels:
            print("Settings: labels %s" % ("on" if param2 else "off"))
            return 1
        return 0

    def Close(self, why):
        print("Settings: %s" % why)
        XPHideWidget(self.Window)
