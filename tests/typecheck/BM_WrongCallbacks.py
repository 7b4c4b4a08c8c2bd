# Callbacks that a type checker with the stubs refuses: each marked line is flagged with the
# text of its mark, and nothing else is (the unmarked calls are right).
import array

from XPLMDataAccess import XPLMRegisterDataAccessor, xplmType_Int
from XPLMDisplay import XPLMCreateWindow, XPLMRegisterDrawCallback, xplm_Phase_Window
from XPLMProcessing import XPLMRegisterFlightLoopCallback
from XPLMSound import FMOD_SOUND_FORMAT_PCM16, XPLMPlayPCMOnBus, xplm_AudioUI
from XPLMUtilities import XPLMFindCommand, XPLMRegisterCommandHandler
from XPWidgets import XPAddWidgetCallback, XPCreateWidget
from XPStandardWidgets import xpWidgetClass_MainWindow


class Brindlemoor:
    def XPluginStart(self):
        XPLMRegisterFlightLoopCallback(self, self.ForgetsItsAnswer, -1.0, 0)  # flagged: Function return type "None" is incompatible with type "float"
        XPLMRegisterFlightLoopCallback(self, self.TakesTooFew, -1.0, 0)  # flagged: expected 4 but received 1
        XPLMRegisterFlightLoopCallback(self, self.AnswersText, -1.0, 0)  # flagged: Function return type "Literal['again']" is incompatible with type "float"
        XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Window, 0, 0)  # flagged: expected 3 but received 2
        self.Window = XPLMCreateWindow(self, 50, 600, 300, 400, 1, self.DrawWindow, self.Key,
                                       self.DrawWindow, 0)  # flagged: expected 5 but received 2
        command = XPLMFindCommand("sim/operation/pause_toggle")
        XPLMRegisterCommandHandler(self, command, self.Command, 1, 0)  # flagged: Type "Literal[0] | None" is not assignable to type "int"
        self.Ref = XPLMRegisterDataAccessor(self, "brindlemoor/typecheck/value", xplmType_Int, 0,
                                            self.ReadText, None,  # flagged: Function return type "Literal['seven']" is incompatible with type "int"
                                            None, None, None, None, None, None, None, None, None, None, 0, 0)
        widget = XPCreateWidget(100, 400, 300, 200, 1, "Settings", 1, 0, xpWidgetClass_MainWindow)
        XPAddWidgetCallback(self, widget, self.Widget)  # flagged: expected 4 but received 3
        samples = array.array("h", [0] * 64)  # any bytes-like buffer
        XPLMPlayPCMOnBus(self, samples, 128, FMOD_SOUND_FORMAT_PCM16, 22050, 1, 0, xplm_AudioUI, None, 0)
        return "Wrong callbacks", "brindlemoor.typecheck.wrong", "Callbacks a type checker refuses."

    def ForgetsItsAnswer(self, since, elapsed, counter, refcon):
        print(counter)

    def TakesTooFew(self, since):
        return -1.0

    def AnswersText(self, since, elapsed, counter, refcon):
        return "again"

    def Draw(self, phase, isBefore):
        return 1

    def DrawWindow(self, window, refcon):
        pass

    def Key(self, window, key, flags, virtualKey, refcon, losingFocus):
        pass

    def Command(self, command, phase, refcon):
        if phase == 0:
            return 0

    def ReadText(self, refcon):
        return "seven"

    def Widget(self, message, widget, param1):
        return 0
