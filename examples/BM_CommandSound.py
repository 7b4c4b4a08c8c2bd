# A command of its own that plays a short beep; the sound's callback tells when it is over.
# Try: bmsim --scripts examples --frames 30 --at 1:command=brindlemoor/examples/beep --audio beep.wav
import math
import struct

from XPLMSound import *
from XPLMUtilities import *

RATE = 22050  # samples a second
BEEP = 0.25   # seconds


def Beep():
    """A quarter of a second of a 440 Hz tone, 16-bit mono, fading out."""
    count = int(RATE * BEEP)
    values = [int(12000 * (1.0 - float(i) / count) * math.sin(2 * math.pi * 440 * i / RATE)) for i in range(count)]
    return struct.pack("<%dh" % count, *values)


class Brindlemoor:
    def XPluginStart(self):
        self.Samples = Beep()
        self.Command = XPLMCreateCommand("brindlemoor/examples/beep", "Plays a beep")
        self.HandlerCB = self.Handler
        XPLMRegisterCommandHandler(self, self.Command, self.HandlerCB, 1, 0)
        return "Command sound", "brindlemoor.examples.commandsound", "Plays a beep on a command."

    def XPluginStop(self):
        XPLMUnregisterCommandHandler(self, self.Command, self.HandlerCB, 1, 0)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def Handler(self, command, phase, refcon):
        if phase == xplm_CommandBegin:
            # The buffer is the plug-in's to keep while the beep plays; an unfinished beep stops
            # when the script does.
            channel = XPLMPlayPCMOnBus(self, self.Samples, len(self.Samples), FMOD_SOUND_FORMAT_PCM16, RATE, 1, 0,
                                       xplm_AudioUI, self.Done, 0)
            print("CommandSound: beep playing" if channel else "CommandSound: the simulator refused the beep")
        return 1

    def Done(self, refcon, status):
        print("CommandSound: beep over (status %d)" % status)
