// The simulator clock, frames and flight loops.
//
// Intervals: above 0 seconds until the next call, below 0 flight loops until it (rounded, at
// least 1), 0 registered but not called. A loop registered again keeps one registration with
// the new interval. Loops registered or removed while the loops run take effect at once for
// removal and from the next frame for registration. A disabled plug-in's loops are skipped but
// keep their schedule.
//
// Flight loop objects (XPLMCreateFlightLoop) share the one list with the registrations, so that
// the loops before the flight model run in the order they were made, registrations and objects
// alike; the objects after the flight model run in a second pass, after the flight model's step.
// An object starts unscheduled. Destroyed, also from inside its own callback, it is marked and
// dropped after the frame's loops; its handle stays unknown from then on.
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
    if (loop.object) {
        S().flightLoopObjects[loop.object - 1] = LiveIndex<int>::npos;
        return;
    }
    S().flightLoopIndex.Remove(KeyOf(loop), std::size_t(&loop - S().flightLoops.data()));
}

// The registrations by key and the objects by handle, made again after the list changed places.
void Reindex() {
    State& s = S();
    s.flightLoopIndex.Clear();
    for (std::size_t i = 0; i < s.flightLoops.size(); ++i) {
        const FlightLoop& loop = s.flightLoops[i];
        if (loop.object)
            s.flightLoopObjects[loop.object - 1] = loop.removed ? LiveIndex<int>::npos : i;
        else if (!loop.removed)
            s.flightLoopIndex.Add(KeyOf(loop), i);
    }
}

FlightLoop* ObjectOf(XPLMFlightLoopID id) {
    std::size_t slot;
    State& s = S();
    if (!DecodeHandle(id, HandleKind::FlightLoop, &slot) || slot >= s.flightLoopObjects.size()) return nullptr;
    std::size_t at = s.flightLoopObjects[slot];
    return at == LiveIndex<int>::npos || s.flightLoops[at].removed ? nullptr : &s.flightLoops[at];
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

// The loops of one phase that are due. Both phases of a frame get the same counter and time
// since the last dispatch.
void DispatchPhase(int phase, float sinceLastDispatch) {
    State& s = S();
    double now = s.elapsed;
    std::size_t count = s.flightLoops.size();  // loops registered during the dispatch wait a frame
    for (std::size_t i = 0; i < count; ++i) {
        if (s.flightLoops[i].phase != phase || !Due(s.flightLoops[i], s.dispatchCount, now)) continue;
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
}

void DispatchFlightLoops() {
    State& s = S();
    ++s.dispatchCount;
    float sinceLastDispatch = float(s.elapsed - s.lastDispatch);
    s.lastDispatch = s.elapsed;
    DispatchPhase(xplm_FlightLoop_Phase_BeforeFlightModel, sinceLastDispatch);
    // The flight model's step: the stand-in has no flight model; the data stay as they are.
    DispatchPhase(xplm_FlightLoop_Phase_AfterFlightModel, sinceLastDispatch);
    auto& loops = s.flightLoops;
    loops.erase(std::remove_if(loops.begin(), loops.end(), [](const FlightLoop& l) { return l.removed; }), loops.end());
    Reindex();
}

}  // namespace

namespace bmhost::detail {
void SweepFlightLoops(XPLMPluginID owner) {
    for (FlightLoop& loop : S().flightLoops)
        if (loop.owner == owner) loop.removed = true;
    Reindex();
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

XPLMFlightLoopID XPLMCreateFlightLoop(XPLMCreateFlightLoop_t* inParams) {
    BMHOST_ENTER();
    std::string refused;
    if (!inParams)
        refused = "no parameters";
    else if (inParams->structSize < int(sizeof(XPLMCreateFlightLoop_t)))
        refused = "structSize " + std::to_string(inParams->structSize) + " is less than " +
                  std::to_string(sizeof(XPLMCreateFlightLoop_t));
    else if (!inParams->callbackFunc)
        refused = "no callback function";
    else if (inParams->phase != xplm_FlightLoop_Phase_BeforeFlightModel &&
             inParams->phase != xplm_FlightLoop_Phase_AfterFlightModel)
        refused = "no flight loop phase " + std::to_string(inParams->phase);
    if (!refused.empty()) {
        HostWarning("XPLMCreateFlightLoop: " + refused);
        return nullptr;
    }
    State& s = S();
    FlightLoop loop{inParams->callbackFunc, inParams->refcon, s.current};
    loop.object = s.flightLoopObjects.size() + 1;
    loop.phase = inParams->phase;
    loop.lastCall = s.elapsed;
    s.flightLoopObjects.push_back(s.flightLoops.size());
    s.flightLoops.push_back(loop);
    return MakeHandle(HandleKind::FlightLoop, loop.object - 1);
}

void XPLMDestroyFlightLoop(XPLMFlightLoopID inFlightLoopID) {
    BMHOST_ENTER();
    if (FlightLoop* loop = ObjectOf(inFlightLoopID))
        RemoveLoop(*loop);
    else
        HostWarning("XPLMDestroyFlightLoop: no such flight loop");
}

void XPLMScheduleFlightLoop(XPLMFlightLoopID inFlightLoopID, float inInterval, int inRelativeToNow) {
    BMHOST_ENTER();
    FlightLoop* loop = ObjectOf(inFlightLoopID);
    if (!loop) return HostWarning("XPLMScheduleFlightLoop: no such flight loop");
    Schedule(*loop, inInterval, inRelativeToNow ? S().elapsed : loop->lastCall);
}

namespace bmhost {

void RunFrames(int count, float seconds) {
    for (int frame = 0; frame < count; ++frame) {
        S().elapsed += seconds;
        ++S().cycle;
        WriteFloat("sim/time/total_running_time_sec", float(S().elapsed));
        SceneryFrame();
        CommandsFrame();
        DispatchFlightLoops();
        SoundFrame();
        CameraFrame();
        DrawFrame();
        MapFrame();
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
