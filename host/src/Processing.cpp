// The simulator clock and frames.
#include "HostState.h"
#include "XPLMProcessing.h"

using namespace bmhost::detail;

float XPLMGetElapsedTime(void) {
    BMHOST_ENTER();
    return S().elapsed;
}

int XPLMGetCycleNumber(void) {
    BMHOST_ENTER();
    return S().cycle;
}

namespace bmhost {

void RunFrames(int count, float seconds) {
    for (int frame = 0; frame < count; ++frame) {
        S().elapsed += seconds;
        ++S().cycle;
        WriteFloat("sim/time/total_running_time_sec", S().elapsed);
    }
}

}  // namespace bmhost
