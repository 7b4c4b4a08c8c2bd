# Counts flight loops. The first calls come every frame (interval -1); after five calls the
# script asks for one call every 0.1 seconds instead.
from XPLMProcessing import *


class Brindlemoor:
    def XPluginStart(self):
        self.Calls = 0
        # Keep the bound method: the same object registers and unregisters.
        self.FlightLoopCB = self.FlightLoopCallback
        XPLMRegisterFlightLoopCallback(self, self.FlightLoopCB, -1.0, 0)
        return "Flight loop counter", "brindlemoor.examples.flightloop", "Counts flight loops."

    def XPluginStop(self):
        XPLMUnregisterFlightLoopCallback(self, self.FlightLoopCB, 0)
        print("FlightLoop: %d calls in all" % self.Calls)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def FlightLoopCallback(self, elapsedMe, elapsedSim, counter, refcon):
        self.Calls += 1
        print("FlightLoop: call %d, loop %d, %.3f s since my last call" % (self.Calls, counter, elapsedMe))
        if self.Calls == 5:
            print("FlightLoop: from now on every 0.1 s")
            return 0.1
        return -1.0 if self.Calls < 5 else 0.1
