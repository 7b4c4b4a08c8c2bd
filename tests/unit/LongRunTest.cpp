// A simulator left running for hours: bmsim's frames, with a C plug-in loaded and events to
// come, keep nothing per frame. Counted in the bytes operator new has given out and not taken
// back (AllocationGuard.cpp), after 1,000 and after 10,000 frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Events.h"
#include "SweepSupport.h"
#include "TestSupport.h"
#include "bmhost/Control.h"

namespace {

TEST(LongRun, FramesKeepNothing) {
    bmtest::SimFolder sim;
    std::string error;
    ASSERT_EQ(bmhost::LoadPlugin(BM_RECORDER_PLUGIN_PATH, &error), 1) << error;
    bmhost::EnablePlugins();
    bmsim::Schedule schedule;
    bmsim::Event hold, click;
    std::string parseError;
    ASSERT_TRUE(bmsim::ParseEvent("hold=sim/flight_controls/flaps_down:3", &hold, &parseError)) << parseError;
    ASSERT_TRUE(bmsim::ParseEvent("click=10,10", &click, &parseError)) << parseError;
    schedule.Add(5, hold);
    schedule.Add(50000, click);
    std::vector<std::string> lines;
    auto runTo = [&](int last, int* frame) {
        for (; *frame <= last; ++*frame) {
            bmhost::RunFrames(1);
            schedule.DeliverFrame(*frame, [&](const bmsim::Event&, const std::string& line) {
                if (!line.empty()) lines.push_back(line);
            });
        }
    };
    int frame = 1;
    runTo(1000, &frame);
    long long afterThousand = bmtest::sweep::LiveBytes();
    runTo(10000, &frame);
    EXPECT_EQ(bmtest::sweep::LiveBytes(), afterThousand);
    EXPECT_EQ(lines, std::vector<std::string>{});  // the hold began and ended
    EXPECT_EQ(schedule.FramesAfter(10000), std::vector<int>{50000});
    bmhost::UnloadPlugins();
}

}  // namespace
