// The camera: the simulator's views and the plug-in that controls the camera.
//
// Without a controller the camera shows the current view, placed from the user's aircraft
// (the sim/flightmodel/position data). XPLMControlCamera makes the calling plug-in the
// controller at once; its function runs at every frame from the next one drawn on (CameraFrame:
// after the flight loops, before the drawing), given the current camera to change. Answering 1
// places the camera there; answering 0, or letting an exception escape, ends the control for
// good, without a losing call. The camera stays where a controller put it until another controller
// moves it or the control ends; then the view places it again.
//
// Taken away, a controller hears so once, with no position and inIsLosingControl 1: when another
// plug-in takes the camera, and when the view changes under xplm_ControlCameraUntilViewChanges.
// During that call the plug-in cannot take the camera back. A controller that ends its own
// control, is disabled or goes away is not called again. Choosing a view counts as changing it,
// even when it is the view shown.
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "Camera.h"
#include "HostState.h"
#include "XPLMCamera.h"

using namespace bmhost::detail;

namespace {

constexpr double kDegrees = 180.0 / 3.14159265358979323846;

// A view places the camera from the aircraft: at the pilot's eye, turned and tilted from the
// aircraft's attitude, or at a point ahead, to the right and above that looks at the aircraft.
struct View {
    const char* name;
    bool eye;
    double ahead, right, up;     // metres from the aircraft, along its heading
    double turn, tilt;           // eye views: degrees from the aircraft's heading and pitch
};

// Named as the simulator's view key commands.
const View kViews[] = {
    {"forward", true, 0, 0, 1.2, 0, 0},          {"down", true, 0, 0, 1.2, 0, -45},
    {"left", true, 0, 0, 1.2, -90, 0},           {"right", true, 0, 0, 1.2, 90, 0},
    {"back", true, 0, 0, 1.2, 180, 0},           {"tower", false, 300, 300, 40, 0, 0},
    {"runway", false, 500, 0, 2, 0, 0},          {"chase", false, -30, 0, 8, 0, 0},
    {"free1", false, -60, 20, 20, 0, 0},         {"free2", false, 60, -20, 20, 0, 0},
    {"spot", false, 10, 40, 5, 0, 0},            {"fullscrn1", true, 0, 0, 1.2, 0, 0},
    {"fullscrn2", true, 0, 0, 1.2, 0, 0},
};

const View* FindView(const std::string& name) {
    for (const View& view : kViews)
        if (name == view.name) return &view;
    return nullptr;
}

struct Controller {
    XPLMPluginID plugin = XPLM_NO_PLUGIN_ID;
    XPLMCameraControlDuration duration = 0;
    XPLMCameraControl_f func = nullptr;
    void* refcon = nullptr;
};

struct Camera {
    std::string view = "forward";
    bool controlled = false;
    Controller controller;
    bool placed = false;  // a controller placed the camera at `position`
    XPLMCameraPosition_t position{};
    std::set<XPLMPluginID> losing;  // plug-ins in their losing call
    unsigned long generation = 0;   // bumped by every change of control
};

Camera& C() {
    static Camera camera;
    return camera;
}

double SimValue(const char* name) {
    auto it = S().dataByName.find(name);
    return it == S().dataByName.end() ? 0.0 : S().data[it->second].d;
}

double Normalized(double degrees) {
    double d = std::fmod(degrees, 360.0);
    return d < 0 ? d + 360.0 : d;
}

XPLMCameraPosition_t ViewPosition(const View& view) {
    double x = SimValue("sim/flightmodel/position/local_x"), y = SimValue("sim/flightmodel/position/local_y"),
           z = SimValue("sim/flightmodel/position/local_z");
    double pitch = SimValue("sim/flightmodel/position/theta"), roll = SimValue("sim/flightmodel/position/phi"),
           heading = SimValue("sim/flightmodel/position/psi");
    // Local coordinates: +x east, +y up, +z south; heading clockwise from north.
    double h = heading / kDegrees;
    double cx = x + view.ahead * std::sin(h) + view.right * std::cos(h);
    double cz = z - view.ahead * std::cos(h) + view.right * std::sin(h);
    double cy = y + view.up;
    XPLMCameraPosition_t p{};
    p.x = float(cx);
    p.y = float(cy);
    p.z = float(cz);
    p.zoom = 1.0f;
    if (view.eye) {
        p.pitch = float(pitch + view.tilt);
        p.heading = float(Normalized(heading + view.turn));
        p.roll = float(roll);
    } else {
        double dx = x - cx, dy = y - cy, dz = z - cz;
        p.pitch = float(std::atan2(dy, std::hypot(dx, dz)) * kDegrees);
        p.heading = float(Normalized(std::atan2(dx, -dz) * kDegrees));
        p.roll = 0.0f;
    }
    return p;
}

XPLMCameraPosition_t Current() {
    const Camera& c = C();
    if (c.controlled && c.placed) return c.position;
    return ViewPosition(*FindView(c.view));
}

bool Enabled(XPLMPluginID id) {
    Plugin* plugin = FindPlugin(id);
    return !plugin || plugin->enabled;
}

void End() {
    Camera& c = C();
    c.controlled = false;
    c.placed = false;
    c.controller = Controller();
    ++c.generation;
}

void LosingCall(const Controller& old) {
    if (!Enabled(old.plugin)) return;
    C().losing.insert(old.plugin);
    CallPluginCode(old.plugin, "a camera control function", [&] { old.func(nullptr, 1, old.refcon); });
    C().losing.erase(old.plugin);
}

}  // namespace

namespace bmhost::detail {

void ResetCamera() { C() = Camera(); }

void EndCameraControlOf(XPLMPluginID plugin) {
    if (C().controlled && C().controller.plugin == plugin) End();
}

void CameraFrame() {
    Camera& c = C();
    if (!c.controlled) return;
    Controller controller = c.controller;
    if (!Enabled(controller.plugin)) {
        End();
        return;
    }
    XPLMCameraPosition_t position = Current();
    unsigned long generation = c.generation;
    int keep = 0;
    bool ok = CallPluginCode(controller.plugin, "a camera control function",
                             [&] { keep = controller.func(&position, 0, controller.refcon); });
    if (c.generation != generation) return;  // the function gave the camera up or away meanwhile
    if (ok && keep) {
        c.position = position;
        c.placed = true;
    } else {
        End();
    }
}

}  // namespace bmhost::detail

void XPLMControlCamera(XPLMCameraControlDuration inHowLong, XPLMCameraControl_f inControlFunc, void* inRefcon) {
    BMHOST_ENTER();
    XPLMPluginID me = S().current;
    if (!inControlFunc) {
        HostWarning("XPLMControlCamera: no camera control function");
        return;
    }
    if (inHowLong != xplm_ControlCameraUntilViewChanges && inHowLong != xplm_ControlCameraForever) {
        HostWarning("XPLMControlCamera: " + std::to_string(inHowLong) + " is not a control duration");
        return;
    }
    if (me == XPLM_NO_PLUGIN_ID) {
        HostWarning("XPLMControlCamera: called outside any plug-in");
        return;
    }
    Camera& c = C();
    if (c.losing.count(me)) {
        HostWarning("XPLMControlCamera: plug-in " + std::to_string(me) +
                    " cannot take the camera back while it is told it lost it");
        return;
    }
    bool takenFromOther = c.controlled && c.controller.plugin != me;
    Controller old = c.controller;
    c.controlled = true;
    c.controller = Controller{me, inHowLong, inControlFunc, inRefcon};
    ++c.generation;
    if (takenFromOther) LosingCall(old);
}

void XPLMDontControlCamera(void) {
    BMHOST_ENTER();
    if (C().controlled && C().controller.plugin == S().current) End();
}

int XPLMIsCameraBeingControlled(XPLMCameraControlDuration* outCameraControlDuration) {
    BMHOST_ENTER();
    if (!C().controlled) return 0;
    if (outCameraControlDuration) *outCameraControlDuration = C().controller.duration;
    return 1;
}

void XPLMReadCameraPosition(XPLMCameraPosition_t* outCameraPosition) {
    BMHOST_ENTER();
    if (!outCameraPosition) {
        HostWarning("XPLMReadCameraPosition: no position to fill");
        return;
    }
    *outCameraPosition = Current();
}

// ---- Control ----

namespace bmhost {

bool ChangeView(const std::string& name) {
    if (!FindView(name)) return false;
    Camera& c = C();
    c.view = name;
    if (c.controlled && c.controller.duration == xplm_ControlCameraUntilViewChanges) {
        Controller old = c.controller;
        End();
        LosingCall(old);
    }
    RunDeferredReload();
    return true;
}

std::string CurrentView() { return C().view; }

std::vector<std::string> ViewNames() {
    std::vector<std::string> names;
    for (const View& view : kViews) names.push_back(view.name);
    return names;
}

XPLMPluginID CameraController() { return C().controlled ? C().controller.plugin : XPLM_NO_PLUGIN_ID; }

XPLMCameraPosition_t CameraPosition() { return Current(); }

}  // namespace bmhost
