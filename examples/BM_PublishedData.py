# Publishes three data refs of its own (an int, a float array and bytes), then reads them back
# through the simulator as any other plug-in would.
from XPLMDataAccess import *


def find_data_ref(name):
    # None means the simulator has no such data ref: say which, rather than fail later.
    ref = XPLMFindDataRef(name)
    if ref is None:
        raise LookupError("no data ref %s" % name)
    return ref


class Brindlemoor:
    def XPluginStart(self):
        self.Counter = 42
        self.Gauges = [1.5, 2.5, 3.5]
        self.Label = "Brindlemoor"
        # The bound methods are kept: the same objects must stay registered.
        self.GetCounterCB = self.GetCounter
        self.SetCounterCB = self.SetCounter
        self.GetGaugesCB = self.GetGauges
        self.GetLabelCB = self.GetLabel
        self.CounterRef = XPLMRegisterDataAccessor(
            self, "brindlemoor/examples/counter", xplmType_Int, 1,
            self.GetCounterCB, self.SetCounterCB, None, None, None, None,
            None, None, None, None, None, None, 0, 0)
        self.GaugesRef = XPLMRegisterDataAccessor(
            self, "brindlemoor/examples/gauges", xplmType_FloatArray, 0,
            None, None, None, None, None, None,
            None, None, self.GetGaugesCB, None, None, None, 0, 0)
        self.LabelRef = XPLMRegisterDataAccessor(
            self, "brindlemoor/examples/label", xplmType_Data, 0,
            None, None, None, None, None, None,
            None, None, None, None, self.GetLabelCB, None, 0, 0)
        return "Published data", "brindlemoor.examples.data", "Publishes and reads back data refs."

    def XPluginStop(self):
        for ref in (self.CounterRef, self.GaugesRef, self.LabelRef):
            XPLMUnregisterDataAccessor(self, ref)

    def XPluginEnable(self):
        counter = find_data_ref("brindlemoor/examples/counter")
        print("Data: counter reads %d" % XPLMGetDatai(counter))
        XPLMSetDatai(counter, 43)
        print("Data: after writing 43 it reads %d" % XPLMGetDatai(counter))
        gauges = find_data_ref("brindlemoor/examples/gauges")
        values = []
        count = XPLMGetDatavf(gauges, values, 0, 8)
        print("Data: %d of %d gauges: %s" % (count, XPLMGetDatavf(gauges, None, 0, 0), values))
        label = []
        XPLMGetDatab(find_data_ref("brindlemoor/examples/label"), label, 0, 64)
        print("Data: the label is %s" % label[0].decode("utf-8"))  # byte data arrives as a byte string
        return 1

    def XPluginDisable(self):
        pass

    def XPluginReceiveMessage(self, inFromWho, inMessage, inParam):
        pass

    def GetCounter(self, refcon):
        return self.Counter

    def SetCounter(self, refcon, value):
        self.Counter = value

    def GetGauges(self, refcon, values, offset, count):
        if values is None:
            return len(self.Gauges)
        chosen = self.Gauges[offset:offset + count]
        values.extend(chosen)
        return len(chosen)

    def GetLabel(self, refcon, values, offset, count):
        if values is None:
            return len(self.Label)
        values.append(self.Label[offset:offset + count])
        return min(count, len(self.Label) - offset)
