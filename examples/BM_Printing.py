# Output from a script: print goes to the print console and the output file, errors and
# tracebacks to the print console and the log, and TallowbridgeUtilities writes to the
# control panel's two consoles directly.
import datetime
import math
import struct
import sys

import TallowbridgeUtilities


class Brindlemoor:
    def XPluginStart(self):
        print("Printing: the square root of 2 is %.4f" % math.sqrt(2))
        print("Printing: a packed float takes %d bytes" % len(struct.pack("f", 1.0)))
        print("Printing: the date is %s" % datetime.date(2026, 12, 6).isoformat())
        sys.stderr.write("Printing: this line goes to the log\n")
        TallowbridgeUtilities.TallowbridgeDisplay("Shown in the display console")
        TallowbridgeUtilities.TallowbridgePrint("Shown in the print console")
        return "Printing example", "brindlemoor.examples.printing", "Shows where output goes."

    def XPluginStop(self):
        pass

    def XPluginEnable(self):
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass
