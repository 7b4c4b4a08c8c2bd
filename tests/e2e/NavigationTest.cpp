// Scripts searching the navigation database and editing the flight management entries through
// the built plug-in, on the stand-in's sample of the Puget Sound area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMNavigation.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

// A script that runs `body` in XPluginEnable. attempt() answers a call's result or the name of
// the exception it raised; info() answers the result and every list of XPLMGetNavAidInfo.
std::string Script(const std::string& body) {
    return "from __future__ import print_function\n"
           "from XPLMNavigation import *\n"
           "def attempt(f, *args):\n"
           "    try:\n"
           "        return f(*args)\n"
           "    except Exception as e:\n"
           "        return type(e).__name__\n"
           "def info(ref):\n"
           "    lists = [[] for i in range(9)]\n"
           "    result = XPLMGetNavAidInfo(ref, *lists)\n"
           "    return '%s %d %.4f %.4f %.0f %d %.2f %s|%s %d' % ((result,) + tuple(l[0] for l in lists))\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        return 'N', 'sig.n', 'N'\n"
           "    def XPluginEnable(self):\n" +
           body + "        return 1\n";
}

TEST(Navigation, ScriptsSearchTheDatabaseAndReadItsAids) {
    bmtest::SimFolder sim;
    XPLMNavRef negative = bmhost::AddNavAid({xplm_Nav_VOR, 40.0f, -100.0f, 10, -11310, -3.5f, "NEG", "NEGATIVE"});
    sim.AddScript("BM_N.py", Script(R"(
        print(XPLM_NAV_NOT_FOUND, xplm_Nav_LatLon, XPLMGetFirstNavAid(), XPLMFindLastNavAidOfType(xplm_Nav_VOR))
        print(info(XPLMFindNavAid(None, 'SEA', 47.44, -122.31, None, xplm_Nav_VOR | xplm_Nav_DME)))
        print(info(XPLMFindNavAid(u'NOLLA', None, None, None, 362, xplm_Nav_NDB)))
        print(info(XPLMFindNavAid(None, 'NEG', None, None, None, xplm_Nav_VOR)))
        lists = [['kept', 2], None, None, None, [7, 8], None, None, ['name', 2], None]
        print(XPLMGetNavAidInfo(XPLMFindNavAid(None, 'ISNQ', None, None, None, xplm_Nav_ILS), *lists), lists)
        print(XPLMGetNavAidInfo(-1, *lists), lists)
        print(XPLMGetNavAidInfo(XPLMGetFirstNavAid(), *[None] * 9))
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()),
              (Lines_t{
                  // The script's refs are the simulator's, high bits and all.
                  "-1 2048 1073741824 " + std::to_string(negative),
                  "(1,) 4 47.4354 -122.3096 354 11680 19.00 SEA|SEATTLE VORTAC 1",
                  "(1,) 2 47.6047 -122.3680 0 362 0.00 BF|NOLLA NDB 1",
                  "(1,) 4 40.0000 -100.0000 10 0 0.00 NEG|NEGATIVE 0",  // negative frequency and heading
                  "(1,) [[8, 2], None, None, None, [11030, 8], None, None, ['KSEA 16L ILS-cat-III', 2], None]",
                  "(1,) [[0, 2], None, None, None, [0, 8], None, None, ['', 2], None]",
                  "(1,)",
              }))
        << sim.Log();
    EXPECT_EQ(sim.Log().find("Module - "), std::string::npos) << sim.Log();
}

TEST(Navigation, ScriptsEditTheFlightPlan) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_F.py", Script(R"(
        sea = XPLMFindNavAid(None, 'SEA', None, None, None, xplm_Nav_VOR)
        ksea = XPLMFindNavAid(None, 'KSEA', None, None, None, xplm_Nav_Airport)
        print(XPLMSetFMSEntryInfo(0, sea, 5000), XPLMSetFMSEntryLatLon(1, 47.5, -122.25, 3000),
              XPLMSetFMSEntryInfo(2, ksea, 433), XPLMSetFMSEntryInfo(9, ksea, 433), XPLMCountFMSEntries())
        for i in range(4):
            lists = [[], [], [-5, 'x'], [], [], []]
            print(XPLMGetFMSEntryInfo(i, *lists), lists[2][0] in (sea, ksea), lists[:2], lists[2:4],
                  '%.3f %.3f' % (lists[4][0], lists[5][0]))
        print(XPLMSetDisplayedFMSEntry(1), XPLMSetDestinationFMSEntry(2), XPLMGetGPSDestinationType(),
              XPLMGetGPSDestination() == ksea)
        print(XPLMClearFMSEntry(0), XPLMCountFMSEntries(), XPLMGetDisplayedFMSEntry(), XPLMGetDestinationFMSEntry())
)"));
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{
                                       "1 1 1 1 3",
                                       "(1,) True [[4], ['SEA']] [[" +
                                           std::to_string(XPLMFindFirstNavAidOfType(xplm_Nav_VOR)) +
                                           ", 'x'], [5000]] 47.435 -122.310",
                                       "(1,) False [[2048], ['']] [[-1, 'x'], [3000]] 47.500 -122.250",
                                       "(1,) True [[1], ['KSEA']] [[" +
                                           std::to_string(XPLMFindFirstNavAidOfType(xplm_Nav_Airport)) +
                                           ", 'x'], [433]] 47.450 -122.312",
                                       "(1,) False [[0], ['']] [[-1, 'x'], [0]] 0.000 0.000",
                                       "1 1 1 True",
                                       "1 2 0 1",
                                   }))
        << sim.Log();
    // The simulator holds what the script left.
    XPLMNavType type = 0;
    XPLMGetFMSEntryInfo(0, &type, nullptr, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(type, xplm_Nav_LatLon);
}

TEST(Navigation, SimulatorFailuresAreReportedAndAnswerTheFallback) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_X.py", Script(R"(
        print(XPLMCountFMSEntries(), XPLMCountFMSEntries())
        print(XPLMSetFMSEntryLatLon(0, 47.5, -122.25, 3000), XPLMCountFMSEntries())
        kind, name = [], ['kept']
        print(XPLMGetNavAidInfo(XPLMGetFirstNavAid(), kind, None, None, None, None, None, None, name, None), kind, name)
)"));
    const char* failing[] = {"XPLMCountFMSEntries", "XPLMSetFMSEntryLatLon", "XPLMGetNavAidInfo"};
    for (const char* function : failing) bmhost::FailNextCall(function);
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"-1 0", "0 0", "(-1,) [] ['kept']"})) << sim.Log();
    for (const char* function : failing)
        EXPECT_EQ(Count(sim.Log(), std::string("Module - XPLMNavigation, Function - ") + function +
                                       ", Error = Parameter Error\n"),
                  1u)
            << sim.Log();
    EXPECT_EQ(sim.Log().find("Traceback"), std::string::npos) << sim.Log();
}

TEST(Navigation, BadArgumentsRaiseAndNeverReachTheSimulator) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_B.py", Script(R"(
        find = lambda *args: attempt(XPLMFindNavAid, *args)
        print(find(5, None, None, None, None, 4), find(None, b'S'.split, None, None, None, 4),
              find('a\0b', None, None, None, None, 4), find(None, None, '47.4', -122.3, None, 4),
              find(None, None, 47.4, [], None, 4), find(None, None, 1e39, 0.0, None, 4))
        print(find(None, None, None, None, float('nan'), 4), find(None, None, None, None, '11310', 4),
              find(None, None, None, None, 2**31, 4), find(None, None, None, None, None, 2**32))
        print(attempt(XPLMGetNextNavAid, 2**32 + 0x40000000), attempt(XPLMSetDisplayedFMSEntry, 2**32 + 1),
              attempt(XPLMSetFMSEntryInfo, 0, XPLMGetFirstNavAid(), 2**31),
              attempt(XPLMSetFMSEntryLatLon, 0, 1e39, 0.0, 0))
        print(attempt(XPLMGetNavAidInfo, XPLMGetFirstNavAid(), 5, *[None] * 8),
              attempt(XPLMGetFMSEntryInfo, 0, None, (), None, None, None, None), attempt(XPLMGetNavAidInfo, 1))
        print(XPLMGetDisplayedFMSEntry(), XPLMCountFMSEntries(), XPLMFindNavAid(None, None, None, None, None, 4))
)"));
    // Armed here, the failure lands on the first search that reaches the simulator: the last one.
    bmhost::FailNextCall("XPLMFindNavAid");
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{
                                       "TypeError TypeError ValueError TypeError TypeError OverflowError",
                                       "TypeError TypeError OverflowError OverflowError",
                                       "OverflowError OverflowError OverflowError OverflowError",
                                       "TypeError TypeError TypeError",
                                       "0 0 -1",
                                   }))
        << sim.Log();
    EXPECT_EQ(Count(sim.Log(), "Module - "), 1u) << sim.Log();
    EXPECT_EQ(Count(sim.Log(), "Module - XPLMNavigation, Function - XPLMFindNavAid, Error = Parameter Error\n"), 1u);
}

}  // namespace
