// The simulator clock, frames and flight loops.
//
// Intervals: above 0 seconds until the next call, below 0 flight loops until it (rounded, at
// least 1), 0 registered but not called. A loop registered again keeps one registration with
// the new interval. Loops registered or removed while the loops run take effect at once for
// removal and from the next frame for registration. A disabled plug-in's loops are skipped but
// keep their schedule.
#include <algorithm>
#include <cmath>

#include "HostState.h"
#include "XPLMProcessing.h"

using namespace bmhost::detail;

namespace {

std::tuple<const void*, void*> KeyOf(XPLMFlightLoop_f func, void* refcon) { return {FunctionKey(func), refcon}; }
std::tuple<const void*, void*> KeyOf(const FlightLoop& loop) { return KeyOf(loop.func, loop.refcon); }

FlightLoop* FindLoop(XPLMFlightLoop_f func, void* refcon) {
    std::size_t at = S().flightLoopIndex.First(KeyOf(func, refcon));
    return at == LiveIndex<int>::npos ? nullptr : &S().flightLoops[at];
}

void RemoveLoop(FlightLoop& loop) {
    loop.removed = true;
    S().flightLoopIndex.Remove(KeyOf(loop), std::size_t(&loop - S().flightLoops.data()));
}

void Schedule(FlightLoop& loop, float interval, double from) {
    loop.active = interval != 0.0f;
    loop.byLoops = interval < 0.0f;
    if (loop.byLoops)
        loop.nextLoop = S().dispatchCount + std::max(1L, std::lround(-interval));
    else
        loop.nextTime = from + interval;
}

bool Due(const FlightLoop& loop, long dispatch, double now) {
    if (!loop.active || loop.removed) return false;
    return loop.byLoops ? dispatch >= loop.nextLoop : now + 1e-6 >= loop.nextTime;
}

void DispatchFlightLoops() {
    State& s = S();
    ++s.dispatchCount;
    double now = s.elapsed;
    float sinceLastDispatch = float(now - s.lastDispatch);
    s.lastDispatch = now;
    std::size_t count = s.flightLoops.size();  // loops registered during the dispatch wait a frame
    for (std::size_t i = 0; i < count; ++i) {
        if (!Due(s.flightLoops[i], s.dispatchCount, now)) continue;
        FlightLoop loop = s.flightLoops[i];  // the vector may grow during the call
        Plugin* owner = FindPlugin(loop.owner);
        if (owner && !owner->enabled) continue;
        float sinceLastCall = float(now - loop.lastCall);
        float next = 0.0f;
        bool ok = CallPluginCode(loop.owner, "a flight loop", [&] {
            next = loop.func(sinceLastCall, sinceLastDispatch, int(s.dispatchCount), loop.refcon);
        });
        FlightLoop& after = s.flightLoops[i];
        if (after.removed) continue;
        after.lastCall = now;
        Schedule(after, ok ? next : 0.0f, now);  // the callback's answer wins over a change it made
    }
    auto& loops = s.flightLoops;
    loops.erase(std::remove_if(loops.begin(), loops.end(), [](const FlightLoop& l) { return l.removed; }), loops.end());
    s.flightLoopIndex.Rebuild(loops, [](const FlightLoop& l) { return KeyOf(l); });
}

}  // namespace

namespace bmhost::detail {
void SweepFlightLoops(XPLMPluginID owner) {
    for (FlightLoop& loop : S().flightLoops)
        if (loop.owner == owner) loop.removed = true;
    S().flightLoopIndex.Rebuild(S().flightLoops, [](const FlightLoop& l) { return KeyOf(l); });
}
}  // namespace bmhost::detail

float XPLMGetElapsedTime(void) {
    BMHOST_ENTER();
    return float(S().elapsed);
}

int XPLMGetCycleNumber(void) {
    BMHOST_ENTER();
    return S().cycle;
}

void XPLMRegisterFlightLoopCallback(XPLMFlightLoop_f inFlightLoop, float inInterval, void* inRefcon) {
    BMHOST_ENTER();
    if (!inFlightLoop) return;
    FlightLoop* loop = FindLoop(inFlightLoop, inRefcon);
    if (!loop) {
        S().flightLoops.push_back(FlightLoop{inFlightLoop, inRefcon, S().current});
        S().flightLoopIndex.Add(KeyOf(inFlightLoop, inRefcon), S().flightLoops.size() - 1);
        loop = &S().flightLoops.back();
        loop->lastCall = S().elapsed;
    }
    Schedule(*loop, inInterval, S().elapsed);
}

void XPLMUnregisterFlightLoopCallback(XPLMFlightLoop_f inFlightLoop, void* inRefcon) {
    BMHOST_ENTER();
    if (FlightLoop* loop = FindLoop(inFlightLoop, inRefcon)) RemoveLoop(*loop);
}

void XPLMSetFlightLoopCallbackInterval(XPLMFlightLoop_f inFlightLoop, float inInterval, int inRelativeToNow,
                                       void* inRefcon) {
    BMHOST_ENTER();
    FlightLoop* loop = FindLoop(inFlightLoop, inRefcon);
    if (!loop) {
        HostWarning("XPLMSetFlightLoopCallbackInterval: no such flight loop");
        return;
    }
    Schedule(*loop, inInterval, inRelativeToNow ? S().elapsed : loop->lastCall);
}

namespace bmhost {

void RunFrames(int count, float seconds) {
    for (int frame = 0; frame < count; ++frame) {
        S().elapsed += seconds;
        ++S().cycle;
        WriteFloat("sim/time/total_running_time_sec", float(S().elapsed));
        CommandsFrame();
        DispatchFlightLoops();
        CameraFrame();
        DrawFrame();
        DataRefsAddedFrame();
        RunDeferredReload();
    }
}

int FlightLoopCount() {
    int n = 0;
    for (const FlightLoop& loop : S().flightLoops) n += loop.removed ? 0 : 1;
    return n;
}

}  // namespace bmhost
