// Maps: the user interface's map and the instructor station's, the layers plug-ins add to them,
// the creation hooks, and what the layers draw.
//
// Both maps start closed. Opening one (bmhost::OpenMap, bmsim's map=open) makes it exist and
// calls every creation hook, in registration order, with its identifier; closing it destroys its
// layers, oldest first, each telling its will-be-deleted callback. Every frame, after the
// windows, each open map (the user interface's first) is rendered: the prepare-cache callbacks
// of the layers that have not prepared yet, then every layer's draw callback, then every layer's
// icon callback, then every layer's label callback. The layers go fill layers first, then
// markings, each type in the order of creation; a layer created during a render waits for the
// next one. A disabled plug-in's layers and hooks are passed over.
//
// The projection is equirectangular about the point the world reference stood at when the map
// opened; one map unit is one metre: x = (lon - lon0) * cos(lat0) * 111319.49 and
// y = (lat - lat0) * 111319.49. The scale is 1 everywhere and north is straight up (heading 0).
// The visible bounds are +-50,000 units around the centre, the total bounds +-150,000; the
// zoom ratio is 1 and a user interface unit (a pixel of the map picture) is 125 map units.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "HostState.h"
#include "XPLMMap.h"

using namespace bmhost::detail;

namespace {

constexpr double kMetresPerDegree = 111319.49;
constexpr double kPi = 3.14159265358979323846;
constexpr float kVisible = 50000.0f;
constexpr float kTotal = 150000.0f;
constexpr float kUnitsPerPixel = 125.0f;
const char* const kMapNames[] = {XPLM_MAP_USER_INTERFACE, XPLM_MAP_IOS};
constexpr int kMapCount = 2;

struct Layer {
    int map = 0;
    int type = xplm_MapLayer_Fill;
    XPLMMapWillBeDeletedCallback_f willBeDeleted = nullptr;
    XPLMMapPrepareCacheCallback_f prepCache = nullptr;
    XPLMMapDrawingCallback_f draw = nullptr;
    XPLMMapIconDrawingCallback_f icon = nullptr;
    XPLMMapLabelDrawingCallback_f label = nullptr;
    std::string name;
    void* refcon = nullptr;
    XPLMPluginID owner = XPLM_NO_PLUGIN_ID;
    bool alive = true;
    bool prepared = false;
};

struct Hook {
    XPLMMapCreatedCallback_f func;
    void* refcon;
    XPLMPluginID owner;
    bool alive = true;
};

enum Stage { kNone, kPrepare, kDraw, kIcons, kLabels };

struct MapState {
    bool open[kMapCount] = {false, false};
    double centre[kMapCount][2] = {};  // latitude, longitude
    std::vector<Layer> layers;           // the handle's index; destroyed layers stay, not alive
    std::vector<Hook> hooks;
    int rendering = -1;  // the map whose layers are being called
    Stage stage = kNone;
    std::size_t current = 0;  // the layer whose callback runs: index + 1
    std::vector<bmhost::DrawOp> lastDrawing[kMapCount];
};

MapState& M() {
    static MapState state;
    return state;
}

int MapIndex(const char* name) {
    if (!name) return -1;
    for (int i = 0; i < kMapCount; ++i)
        if (std::string(name) == kMapNames[i]) return i;
    return -1;
}

bool Enabled(XPLMPluginID owner) {
    Plugin* plugin = FindPlugin(owner);
    return !plugin || plugin->enabled;
}

XPLMMapLayerID LayerId(std::size_t index) { return MakeHandle(HandleKind::MapLayer, index); }

Layer* LayerOf(XPLMMapLayerID id) {
    std::size_t index;
    if (!DecodeHandle(id, HandleKind::MapLayer, &index) || index >= M().layers.size() || !M().layers[index].alive)
        return nullptr;
    return &M().layers[index];
}

// The map a projection handle belongs to, while that map's layers are being called; else -1 and
// a report.
int ProjectionMap(XPLMMapProjectionID projection, const char* function) {
    std::size_t index;
    if (DecodeHandle(projection, HandleKind::MapProjection, &index) && int(index) == M().rendering) return int(index);
    HostWarning(std::string(function) + ": the projection is valid only inside a map layer's callbacks");
    return -1;
}

void Destroy(std::size_t index, bool tell) {
    Layer layer = M().layers[index];
    M().layers[index].alive = false;
    if (tell && layer.willBeDeleted && Enabled(layer.owner))
        CallPluginCode(layer.owner, "a map layer's will-be-deleted callback",
                       [&] { layer.willBeDeleted(LayerId(index), layer.refcon); });
}

// The layers of a map in the order they are called: fill first, then markings, each by creation.
std::vector<std::size_t> RenderOrder(int map) {
    std::vector<std::size_t> order;
    for (int type : {xplm_MapLayer_Fill, xplm_MapLayer_Markings})
        for (std::size_t i = 0; i < M().layers.size(); ++i)
            if (M().layers[i].alive && M().layers[i].map == map && M().layers[i].type == type) order.push_back(i);
    return order;
}

void Render(int map) {
    MapState& m = M();
    const float visible[4] = {-kVisible, kVisible, kVisible, -kVisible};
    const float total[4] = {-kTotal, kTotal, kTotal, -kTotal};
    XPLMMapProjectionID projection = MakeHandle(HandleKind::MapProjection, std::size_t(map));
    std::vector<std::size_t> order = RenderOrder(map);
    m.rendering = map;
    for (Stage stage : {kPrepare, kDraw, kIcons, kLabels}) {
        m.stage = stage;
        for (std::size_t index : order) {
            Layer layer = m.layers[index];
            if (!layer.alive || !Enabled(layer.owner)) continue;
            if (stage == kPrepare && layer.prepared) continue;
            m.current = index + 1;
            XPLMMapLayerID id = LayerId(index);
            if (stage == kPrepare) {
                m.layers[index].prepared = true;
                if (layer.prepCache)
                    CallPluginCode(layer.owner, "a map layer's prepare-cache callback",
                                   [&] { layer.prepCache(id, total, projection, layer.refcon); });
                continue;
            }
            XPLMMapDrawingCallback_f callback = stage == kDraw ? layer.draw : stage == kIcons ? layer.icon : layer.label;
            if (callback)
                CallPluginCode(layer.owner, "a map layer's drawing callback", [&] {
                    callback(id, visible, 1.0f, kUnitsPerPixel, xplm_MapStyle_VFR_Sectional, projection, layer.refcon);
                });
        }
    }
    m.rendering = -1;
    m.stage = kNone;
    m.current = 0;
}

// Whether a layer may queue an icon or a label now: inside its own callback of that stage.
bool MayQueue(XPLMMapLayerID id, Stage stage, const char* function, const char* what) {
    std::size_t index;
    if (!DecodeHandle(id, HandleKind::MapLayer, &index) || !LayerOf(id) || M().stage != stage ||
        M().current != index + 1 || M().layers[index].owner != S().current) {
        HostWarning(std::string(function) + ": only inside the layer's own " + what + " callback");
        return false;
    }
    return true;
}

}  // namespace

namespace bmhost::detail {

void MapFrame() {
    State& s = S();
    for (int map = 0; map < kMapCount; ++map) {
        if (!M().open[map]) continue;
        s.drawing.clear();  // the frame's own drawing is in lastFrame already
        Render(map);
        M().lastDrawing[map] = s.drawing;
        s.drawing.clear();
    }
}

void SweepMaps(XPLMPluginID owner) {
    for (Layer& layer : M().layers)
        if (layer.owner == owner) layer.alive = false;  // no will-be-deleted call into a plug-in going away
    for (Hook& hook : M().hooks)
        if (hook.owner == owner) hook.alive = false;
}

void ResetMaps() { M() = MapState(); }

int MapRegistrations(XPLMPluginID plugin) {
    int n = 0;
    for (const Layer& layer : M().layers) n += layer.alive && (plugin == XPLM_NO_PLUGIN_ID || layer.owner == plugin);
    return n;
}

}  // namespace bmhost::detail

namespace bmhost {

bool OpenMap(const std::string& map) {
    int index = MapIndex(map.c_str());
    if (index < 0 || M().open[index]) return false;
    M().open[index] = true;
    M().centre[index][0] = S().referenceLatitude;
    M().centre[index][1] = S().referenceLongitude;
    M().lastDrawing[index].clear();
    std::size_t count = M().hooks.size();  // hooks registered meanwhile wait for the next map
    for (std::size_t i = 0; i < count; ++i) {
        Hook hook = M().hooks[i];
        if (!hook.alive || !Enabled(hook.owner)) continue;
        CallPluginCode(hook.owner, "a map creation hook", [&] { hook.func(kMapNames[index], hook.refcon); });
    }
    RunDeferredReload();
    return true;
}

bool CloseMap(const std::string& map) {
    int index = MapIndex(map.c_str());
    if (index < 0 || !M().open[index]) return false;
    for (std::size_t i = 0; i < M().layers.size(); ++i)
        if (M().layers[i].alive && M().layers[i].map == index) Destroy(i, true);
    M().open[index] = false;
    M().lastDrawing[index].clear();
    RunDeferredReload();
    return true;
}

bool MapIsOpen(const std::string& map) {
    int index = MapIndex(map.c_str());
    return index >= 0 && M().open[index];
}

int MapLayerCount(const std::string& map) {
    int index = MapIndex(map.c_str()), n = 0;
    for (const Layer& layer : M().layers) n += layer.alive && layer.map == index;
    return n;
}

const std::vector<DrawOp>& LastMapDrawing(const std::string& map) {
    static const std::vector<DrawOp> none;
    int index = MapIndex(map.c_str());
    return index < 0 ? none : M().lastDrawing[index];
}

}  // namespace bmhost

// ---- The SDK functions ----

XPLMMapLayerID XPLMCreateMapLayer(XPLMCreateMapLayer_t* inParams) {
    BMHOST_ENTER();
    if (!inParams) return HostWarning("XPLMCreateMapLayer: no params"), nullptr;
    if (inParams->structSize < int(sizeof(XPLMCreateMapLayer_t))) {
        HostWarning("XPLMCreateMapLayer: structSize " + std::to_string(inParams->structSize) +
                    " is smaller than XPLMCreateMapLayer_t (" + std::to_string(sizeof(XPLMCreateMapLayer_t)) + ")");
        return nullptr;
    }
    if (inParams->layerType != xplm_MapLayer_Fill && inParams->layerType != xplm_MapLayer_Markings) {
        HostWarning("XPLMCreateMapLayer: layer type " + std::to_string(inParams->layerType) +
                    " is neither xplm_MapLayer_Fill nor xplm_MapLayer_Markings");
        return nullptr;
    }
    int map = MapIndex(inParams->mapToCreateLayerIn);
    if (map < 0 || !M().open[map]) {
        HostWarning(inParams->mapToCreateLayerIn
                        ? "XPLMCreateMapLayer: no map '" + std::string(inParams->mapToCreateLayerIn) + "' exists"
                        : std::string("XPLMCreateMapLayer: no map identifier"));
        return nullptr;
    }
    Layer layer;
    layer.map = map;
    layer.type = inParams->layerType;
    layer.willBeDeleted = inParams->willBeDeletedCallback;
    layer.prepCache = inParams->prepCacheCallback;
    layer.draw = inParams->drawCallback;
    layer.icon = inParams->iconCallback;
    layer.label = inParams->labelCallback;
    layer.name = inParams->layerName ? inParams->layerName : "";
    layer.refcon = inParams->refcon;
    layer.owner = S().current;
    M().layers.push_back(layer);
    return LayerId(M().layers.size() - 1);
}

int XPLMDestroyMapLayer(XPLMMapLayerID inLayer) {
    BMHOST_ENTER();
    std::size_t index;
    if (!LayerOf(inLayer) || !DecodeHandle(inLayer, HandleKind::MapLayer, &index))
        return HostWarning("XPLMDestroyMapLayer: no such map layer"), 0;
    Destroy(index, true);
    return 1;
}

void XPLMRegisterMapCreationHook(XPLMMapCreatedCallback_f callback, void* refcon) {
    BMHOST_ENTER();
    if (!callback) return HostWarning("XPLMRegisterMapCreationHook: no callback");
    M().hooks.push_back(Hook{callback, refcon, S().current});
}

int XPLMMapExists(const char* mapIdentifier) {
    BMHOST_ENTER();
    int map = MapIndex(mapIdentifier);
    return map >= 0 && M().open[map] ? 1 : 0;
}

void XPLMDrawMapIconFromSheet(XPLMMapLayerID layer, const char* inPngPath, int s, int t, int ds, int dt, float mapX,
                              float mapY, XPLMMapOrientation orientation, float rotationDegrees, float mapWidth) {
    BMHOST_ENTER();
    if (!MayQueue(layer, kIcons, "XPLMDrawMapIconFromSheet", "icon")) return;
    if (!inPngPath) return HostWarning("XPLMDrawMapIconFromSheet: no PNG path");
    Record("XPLMDrawMapIconFromSheet",
           {double(s), double(t), double(ds), double(dt), double(mapX), double(mapY), double(orientation),
            double(rotationDegrees), double(mapWidth)},
           inPngPath);
}

void XPLMDrawMapLabel(XPLMMapLayerID layer, const char* inText, float mapX, float mapY, XPLMMapOrientation orientation,
                      float rotationDegrees) {
    BMHOST_ENTER();
    if (!MayQueue(layer, kLabels, "XPLMDrawMapLabel", "label")) return;
    if (!inText) return HostWarning("XPLMDrawMapLabel: no text");
    Record("XPLMDrawMapLabel", {double(mapX), double(mapY), double(orientation), double(rotationDegrees)}, inText);
}

void XPLMMapProject(XPLMMapProjectionID projection, double latitude, double longitude, float* outX, float* outY) {
    BMHOST_ENTER();
    int map = ProjectionMap(projection, "XPLMMapProject");
    if (map < 0) return;
    const double* c = M().centre[map];
    if (outX) *outX = float((longitude - c[1]) * std::cos(c[0] * kPi / 180.0) * kMetresPerDegree);
    if (outY) *outY = float((latitude - c[0]) * kMetresPerDegree);
}

void XPLMMapUnproject(XPLMMapProjectionID projection, float mapX, float mapY, double* outLatitude,
                      double* outLongitude) {
    BMHOST_ENTER();
    int map = ProjectionMap(projection, "XPLMMapUnproject");
    if (map < 0) return;
    const double* c = M().centre[map];
    if (outLatitude) *outLatitude = c[0] + double(mapY) / kMetresPerDegree;
    if (outLongitude) *outLongitude = c[1] + double(mapX) / (std::cos(c[0] * kPi / 180.0) * kMetresPerDegree);
}

float XPLMMapScaleMeter(XPLMMapProjectionID projection, float, float) {
    BMHOST_ENTER();
    return ProjectionMap(projection, "XPLMMapScaleMeter") < 0 ? 0.0f : 1.0f;
}

float XPLMMapGetNorthHeading(XPLMMapProjectionID projection, float, float) {
    BMHOST_ENTER();
    ProjectionMap(projection, "XPLMMapGetNorthHeading");
    return 0.0f;
}
