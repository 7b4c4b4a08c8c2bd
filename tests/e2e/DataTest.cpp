// Data refs from scripts, through the built plug-in: reading and writing every type, the
// errors scripts see, and data refs that scripts publish.
#include <gtest/gtest.h>

#include <cstring>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Lines;

// A script that runs `body` in XPluginEnable and prints what each line shows.
std::string Checks(const std::string& body) {
    return "from __future__ import print_function\n"
           "from XPLMDataAccess import *\n"
           "def attempt(f, *args):\n"
           "    try:\n"
           "        return f(*args)\n"
           "    except TypeError as e:\n"
           "        return 'TypeError: %s' % e\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        return 'C', 'sig.c', 'C'\n"
           "    def XPluginEnable(self):\n" +
           body + "        return 1\n";
}

TEST(Data, ArraysAndBytesFromScripts) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_C.py", Checks(R"(
        batteries = XPLMFindDataRef('sim/cockpit2/electrical/battery_on')
        throttles = XPLMFindDataRef('sim/cockpit2/engine/actuators/throttle_ratio')
        tail = XPLMFindDataRef('sim/aircraft/view/acf_tailnum')
        print(XPLMGetDatavf(throttles, None, 0, 0))
        print(XPLMSetDatavi(batteries, [1, 2, 3, 4, 5, 6, 7, 8], 0, 8))
        values = []
        print(XPLMGetDatavi(batteries, values, 2, 3), values)
        print(XPLMGetDatavi(batteries, values, 2, 3), values)
        print(attempt(XPLMSetDatavf, throttles, [1, 2], 0, 2))
        print(attempt(XPLMSetDatavi, batteries, 5, 0, 1))
        print(XPLMSetDatavf(throttles, [0.5, 0.25], 1, 2))
        floats = []
        print(XPLMGetDatavf(throttles, floats, 0, 4), floats)
        print(attempt(XPLMSetDatab, tail, [], 0, 0))
        print(XPLMSetDatab(tail, ['abc'], 0, 4))
        text = []
        print(XPLMGetDatab(tail, text, 0, 100), text)
        print(XPLMSetDatab(tail, [65, 66], 0, 2))
        text = []
        XPLMGetDatab(tail, text, 0, 100)
        print(text)
        print(XPLMSetDatavi(batteries, [9], 0, 1000))
        print(XPLMSetDatad(XPLMFindDataRef('sim/flightmodel/position/local_x'), 2.5), XPLMSetDataf(XPLMFindDataRef('sim/flightmodel/position/psi'), 3.5))
        print(XPLMFindDataRef('no/such/ref'))
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (std::vector<std::string>{
                                        "8",
                                        "1",
                                        "3 [3, 4, 5]",
                                        "3 [3, 4, 5, 3, 4, 5]",
                                        "TypeError: XPLMSetDatavf(): expected sequence of floats",
                                        "TypeError: XPLMSetDatavi(): expected sequence",
                                        "1",
                                        "4 [0.0, 0.5, 0.25, 0.0]",
                                        "TypeError: XPLMSetDatab(): expected sequence of bytes",
                                        "1",
                                        BM_PYTHON_MAJOR == 3 ? "40 [b'abc']" : "40 ['abc']",
                                        "1",
                                        BM_PYTHON_MAJOR == 3 ? "[b'ABc']" : "['ABc']",
                                        "1",
                                        "1.0 1",
                                        "None",
                                    }))
        << sim.Log();
    // A write that asked for more elements than it gave wrote only what it gave.
    int batteries[8] = {0};
    XPLMGetDatavi(XPLMFindDataRef("sim/cockpit2/electrical/battery_on"), batteries, 0, 8);
    EXPECT_EQ(batteries[0], 9);
    EXPECT_EQ(batteries[1], 2);
}

const char kPublisher[] = R"(
from __future__ import print_function
from XPLMDataAccess import *
class Brindlemoor:
    def XPluginStart(self):
        self.Written = []
        self.Raise = False
        self.cbs = [self.GetI, self.SetI, self.GetF, None, None, None,
                    self.GetVI, None, None, None, self.GetB, self.SetB]
        self.Ref = XPLMRegisterDataAccessor(self, 'test/published', xplmType_Int | xplmType_Float | xplmType_IntArray | xplmType_Data, 1,
                                            *(self.cbs + [11, 22]))
        print('published', self.Ref > 0xFFFFFFFF)
        return 'P', 'sig.p', 'P'
    def XPluginStop(self):
        XPLMUnregisterDataAccessor(self, self.Ref)
    def GetI(self, refcon):
        if self.Raise:
            raise ValueError('no value today')
        return 42
    def SetI(self, refcon, value):
        print('set', refcon, value)
    def GetF(self, refcon):
        return 2.5
    def GetVI(self, refcon, values, offset, count):
        if values is None:
            return 10
        values.extend(range(offset, offset + count))
        return count
    def GetB(self, refcon, values, offset, count):
        if values is None:
            return 3
        values.append('abc')
        return 3
    def SetB(self, refcon, values, offset, count):
        print('bytes', values, offset, count)
)";

TEST(Data, PublishedDataRefsAnswerThroughTheScript) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_P.py", kPublisher);
    XPLMPluginID id = LoadBrindlemoor(true);
    XPLMDataRef ref = XPLMFindDataRef("test/published");
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(XPLMGetDatai(ref), 42);
    EXPECT_FLOAT_EQ(XPLMGetDataf(ref), 2.5f);
    XPLMSetDatai(ref, 7);
    EXPECT_EQ(XPLMGetDatavi(ref, nullptr, 0, 0), 10);
    int values[4] = {-1, -1, -1, -1};
    EXPECT_EQ(XPLMGetDatavi(ref, values, 2, 4), 4);
    EXPECT_EQ(values[0], 2);
    EXPECT_EQ(values[3], 5);
    char bytes[8];
    std::memset(bytes, 'x', sizeof bytes);
    EXPECT_EQ(XPLMGetDatab(ref, bytes, 0, 8), 3);
    EXPECT_EQ(std::memcmp(bytes, "abc\0xxxx", 8), 0);
    unsigned char written[] = {200, 1};
    XPLMSetDatab(ref, written, 4, 2);
    EXPECT_EQ(Lines(sim.Output()),
              (std::vector<std::string>{"published True", "set 22 7", "bytes [-56, 1] 4 2"}));

    XPLMDisablePlugin(id);  // a disabled provider answers others with 0
    EXPECT_EQ(XPLMGetDatai(ref), 0);
    EXPECT_EQ(XPLMGetDataf(ref), 0.0f);
    XPLMEnablePlugin(id);
    bmhost::UnloadPlugins();
    // Unregistered at stop: the name stays, reading 0.
    EXPECT_EQ(XPLMGetDatai(XPLMFindDataRef("test/published")), 0);
}

}  // namespace
