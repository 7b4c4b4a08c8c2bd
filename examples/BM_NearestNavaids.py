# Finds the airport and the radio aids nearest the aircraft, and sets the flight plan direct to
# the nearest VOR. The navigation database is not ready while plug-ins start, so the work is done
# on the first flight loop.
from XPLMDataAccess import *
from XPLMNavigation import *
from XPLMProcessing import *
from XPLMUtilities import *


def find_data_ref(name):
    # None means the simulator has no such data ref: say which, rather than fail later.
    ref = XPLMFindDataRef(name)
    if ref is None:
        raise LookupError("no data ref %s" % name)
    return ref


def frequency_text(kind, frequency):
    if kind == xplm_Nav_NDB:
        return " %d kHz" % frequency
    if kind == xplm_Nav_Airport or frequency == 0:
        return ""
    return " %.2f MHz" % (frequency / 100.0)


class Brindlemoor:
    def XPluginStart(self):
        self.Latitude = find_data_ref("sim/flightmodel/position/latitude")
        self.Longitude = find_data_ref("sim/flightmodel/position/longitude")
        self.FirstLoop = self.FirstFlightLoop
        XPLMRegisterFlightLoopCallback(self, self.FirstLoop, -1.0, 0)
        return "Nearest navaids", "brindlemoor.examples.navaids", "Finds the radio aids nearest the aircraft."

    def XPluginStop(self):
        XPLMUnregisterFlightLoopCallback(self, self.FirstLoop, 0)

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def Nearest(self, kind):
        # Both coordinates given: the aid of that kind nearest to them.
        latitude, longitude = XPLMGetDatad(self.Latitude), XPLMGetDatad(self.Longitude)
        return XPLMFindNavAid(None, None, latitude, longitude, None, kind)

    def FirstFlightLoop(self, elapsedMe, elapsedSim, counter, refcon):
        vor, vor_id = XPLM_NAV_NOT_FOUND, ""
        for kind, label in ((xplm_Nav_Airport, "airport"), (xplm_Nav_VOR, "VOR"), (xplm_Nav_NDB, "NDB")):
            ref = self.Nearest(kind)
            if ref == XPLM_NAV_NOT_FOUND:
                print("Navaids: no %s in the database" % label)
                continue
            frequency, ident, name = [], [], []
            XPLMGetNavAidInfo(ref, None, None, None, None, frequency, None, ident, name, None)
            print("Navaids: nearest %s %s, %s%s" % (label, ident[0], name[0], frequency_text(kind, frequency[0])))
            if kind == xplm_Nav_VOR:
                vor, vor_id = ref, ident[0]
        if vor != XPLM_NAV_NOT_FOUND:
            XPLMSetFMSEntryInfo(0, vor, 5000)
            XPLMSetDestinationFMSEntry(0)
            XPLMSpeakString("Direct %s" % vor_id)
            print("Navaids: flight plan of %d entries, flying to entry %d" %
                  (XPLMCountFMSEntries(), XPLMGetDestinationFMSEntry()))
        return 0.0  # once is enough
