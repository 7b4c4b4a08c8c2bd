// The scenery: terrain probes over a height field, magnetic variation, objects and the library.
//
// The terrain is terrain.txt in the simulator folder, read when first probed after a reset: a
// grid of elevations over a latitude/longitude box, bilinear between its points, flat at the
// default elevation outside it (docs/stand-in.md has the format). Local coordinates are the
// stand-in's flat plane (XPLMWorldToLocal): +x east, +y up (the altitude), +z south.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "HostState.h"
#include "Scenery.h"
#include "XPLMGraphics.h"
#include "XPLMScenery.h"

using namespace bmhost::detail;
namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Terrain {
    bool read = false;
    double defaultElevation = 0.0;
    bool grid = false;
    double south = 0, west = 0, north = 0, east = 0;
    std::vector<std::vector<double>> heights;  // northmost row first, west to east
    std::vector<std::vector<bool>> water;
};

struct Probe {
    XPLMPluginID owner;
    bool alive = true;
};

struct PendingLoad {
    std::string path;
    XPLMObjectLoaded_f callback;
    void* refcon;
    XPLMPluginID owner;
    int cycle;  // the frame it was asked in: it arrives at the start of the second frame after
};

struct Scenery {
    Terrain terrain;
    std::vector<Probe> probes;
    std::vector<SceneryObject> objects;
    std::map<std::string, std::size_t> objectByPath;
    std::vector<PendingLoad> pending;
    bool libraryRead = false;
    std::vector<std::pair<std::string, std::string>> library;  // virtual path, real path
};

Scenery& Sc() {
    static Scenery scenery;
    return scenery;
}

// ---- Terrain ----

void TerrainProblem(int line, const std::string& what) {
    AppendSimLog("[stand-in] terrain.txt line " + std::to_string(line) + ": " + what + "; the terrain is flat\n");
}

void ReadTerrain() {
    Terrain& t = Sc().terrain;
    t.read = true;
    std::ifstream file(bmhost::Root() + "terrain.txt");
    if (!file) return;
    Terrain read;
    read.read = true;
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream in(line);
        std::string word;
        if (!(in >> word)) continue;
        if (word == "default") {
            if (!(in >> read.defaultElevation) || !std::isfinite(read.defaultElevation))
                return TerrainProblem(number, "default takes an elevation in metres");
        } else if (word == "grid") {
            if (!(in >> read.south >> read.west >> read.north >> read.east) || !(read.south < read.north) ||
                !(read.west < read.east))
                return TerrainProblem(number, "grid takes SOUTH WEST NORTH EAST");
            read.grid = true;
        } else {
            if (!read.grid) return TerrainProblem(number, "elevations before the grid line");
            std::vector<double> row;
            std::vector<bool> wet;
            in.clear();
            in.str(line);
            while (in >> word) {
                bool isWater = word.back() == 'w';
                if (isWater) word.pop_back();
                char* end = nullptr;
                double value = std::strtod(word.c_str(), &end);
                if (word.empty() || *end || !std::isfinite(value))
                    return TerrainProblem(number, "'" + word + "' is no elevation");
                row.push_back(value);
                wet.push_back(isWater);
            }
            if (row.size() < 2 || (!read.heights.empty() && row.size() != read.heights[0].size()))
                return TerrainProblem(number, "every row needs the same number (2 or more) of elevations");
            read.heights.push_back(std::move(row));
            read.water.push_back(std::move(wet));
        }
    }
    if (read.grid && read.heights.size() < 2) return TerrainProblem(number, "the grid needs 2 or more rows");
    t = std::move(read);
}

// The elevation at a point, its slope (metres per degree of latitude and longitude) and water.
double Elevation(double latitude, double longitude, double* perLatitude, double* perLongitude, bool* wet) {
    const Terrain& t = Sc().terrain;
    *perLatitude = *perLongitude = 0.0;
    *wet = false;
    if (!t.grid || latitude < t.south || latitude > t.north || longitude < t.west || longitude > t.east)
        return t.defaultElevation;
    const std::size_t rows = t.heights.size(), cols = t.heights[0].size();
    double u = (longitude - t.west) / (t.east - t.west) * double(cols - 1);
    double v = (t.north - latitude) / (t.north - t.south) * double(rows - 1);
    std::size_t i = std::min(std::size_t(v), rows - 2), j = std::min(std::size_t(u), cols - 2);
    double fu = u - double(j), fv = v - double(i);
    double h00 = t.heights[i][j], h01 = t.heights[i][j + 1], h10 = t.heights[i + 1][j], h11 = t.heights[i + 1][j + 1];
    double alongU = (1 - fv) * (h01 - h00) + fv * (h11 - h10);
    double alongV = (1 - fu) * (h10 - h00) + fu * (h11 - h01);
    *perLongitude = alongU * double(cols - 1) / (t.east - t.west);
    *perLatitude = -alongV * double(rows - 1) / (t.north - t.south);
    *wet = t.water[std::size_t(std::lround(v))][std::size_t(std::lround(u))];
    return (1 - fu) * (1 - fv) * h00 + fu * (1 - fv) * h01 + (1 - fu) * fv * h10 + fu * fv * h11;
}

Probe* ProbeFromHandle(XPLMProbeRef handle, const char* function) {
    std::size_t index;
    if (DecodeHandle(handle, HandleKind::Probe, &index) && index < Sc().probes.size() && Sc().probes[index].alive)
        return &Sc().probes[index];
    HostWarning(std::string(function) + ": not a probe");
    return nullptr;
}

// ---- Magnetic variation ----

double Variation(double latitude, double longitude) {
    return 15.0 * std::cos(latitude * kPi / 180.0) * std::sin(-longitude * kPi / 180.0);
}

float Normalized(double degrees) {
    double d = std::fmod(degrees, 360.0);
    if (d < 0) d += 360.0;
    float f = float(d);
    return f >= 360.0f ? 0.0f : f;
}

double AircraftValue(const char* name) {
    auto it = S().dataByName.find(name);
    return it == S().dataByName.end() ? 0.0 : S().data[it->second].d;
}

// ---- Objects ----

// "Custom Scenery/Pack/tree.obj" for a path relative to the simulator folder (or a full path
// inside it); "" for one outside it.
std::string RelativePath(const char* path) {
    std::string given = PosixPath(path);
    fs::path root = fs::path(bmhost::Root()).lexically_normal();
    fs::path full = fs::path(given).is_absolute() ? fs::path(given) : root / given;
    fs::path relative = full.lexically_normal().lexically_relative(root);
    std::string text = relative.generic_string();
    if (text.empty() || text == "." || text.rfind("..", 0) == 0) return std::string();
    return text;
}

// The first three lines that are not blank: "I" or "A", "800", "OBJ" (their first words).
bool IsObj8(const std::string& full) {
    std::ifstream file(full, std::ios::binary);
    if (!file) return false;
    const char* const expected[3] = {nullptr, "800", "OBJ"};
    std::string line;
    int found = 0;
    while (found < 3 && std::getline(file, line)) {
        std::istringstream in(line);
        std::string word;
        if (!(in >> word)) continue;
        if (found == 0 ? (word != "I" && word != "A") : word != expected[found]) return false;
        ++found;
    }
    return found == 3;
}

// A new reference of `owner` to the object at `path`: the loaded one, or the file read now.
XPLMObjectRef Load(const char* path, XPLMPluginID owner, const char* function) {
    if (!path || !*path) {
        HostWarning(std::string(function) + ": no path");
        return nullptr;
    }
    std::string relative = RelativePath(path);
    if (relative.empty()) {
        HostWarning(std::string(function) + ": " + path + " is not inside the simulator folder");
        return nullptr;
    }
    Scenery& sc = Sc();
    auto known = sc.objectByPath.find(relative);
    std::size_t index;
    if (known != sc.objectByPath.end()) {
        index = known->second;
    } else {
        std::string full = bmhost::Root() + relative;
        if (!fs::is_regular_file(full)) {
            HostWarning(std::string(function) + ": no object at " + relative);
            return nullptr;
        }
        if (!IsObj8(full)) {
            HostWarning(std::string(function) + ": " + relative + " is not an OBJ8 file (I or A, 800, OBJ)");
            return nullptr;
        }
        index = sc.objects.size();
        sc.objects.emplace_back();
        sc.objects.back().path = relative;
        sc.objectByPath[relative] = index;
    }
    ++sc.objects[index].references[owner];
    return ObjectHandle(index);
}

void Unload(std::size_t index, XPLMPluginID owner) {
    SceneryObject& object = Sc().objects[index];
    auto it = object.references.find(owner);
    if (--it->second == 0) object.references.erase(it);
    PurgeIfUnused(index);
}

// ---- Library ----

void ReadLibrary() {
    Scenery& sc = Sc();
    sc.libraryRead = true;
    std::error_code ec;
    std::vector<std::string> packs;
    for (const auto& entry : fs::directory_iterator(bmhost::Root() + "Custom Scenery", ec))
        if (entry.is_directory(ec)) packs.push_back(entry.path().filename().string());
    std::sort(packs.begin(), packs.end());
    for (const std::string& pack : packs) {
        std::ifstream file(bmhost::Root() + "Custom Scenery/" + pack + "/library.txt");
        std::string line;
        while (std::getline(file, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::istringstream in(line);
            std::string word, virtualPath;
            if (!(in >> word >> virtualPath) || (word != "EXPORT" && word != "EXPORT_EXTEND")) continue;
            std::string real;
            std::getline(in >> std::ws, real);
            while (!real.empty() && (real.back() == ' ' || real.back() == '\t')) real.pop_back();
            if (!real.empty()) sc.library.emplace_back(virtualPath, "Custom Scenery/" + pack + "/" + real);
        }
    }
}

}  // namespace

namespace bmhost::detail {

SceneryObject* ObjectFromHandle(void* handle, const char* function, std::size_t* index) {
    std::size_t at;
    if (DecodeHandle(handle, HandleKind::Object, &at) && at < Sc().objects.size() && Sc().objects[at].alive) {
        if (index) *index = at;
        return &Sc().objects[at];
    }
    HostWarning(std::string(function) + ": not a loaded object");
    return nullptr;
}

SceneryObject& ObjectAt(std::size_t index) { return Sc().objects[index]; }
void* ObjectHandle(std::size_t index) { return MakeHandle(HandleKind::Object, index); }

void PurgeIfUnused(std::size_t index) {
    SceneryObject& object = Sc().objects[index];
    if (!object.alive || !object.references.empty() || object.instances > 0) return;
    object.alive = false;
    Sc().objectByPath.erase(object.path);
}

void ResetScenery() {
    Sc() = Scenery();
    ResetInstances();
}

void SweepScenery(XPLMPluginID owner) {
    SweepInstances(owner);
    Scenery& sc = Sc();
    for (Probe& probe : sc.probes)
        if (probe.owner == owner) probe.alive = false;
    sc.pending.erase(std::remove_if(sc.pending.begin(), sc.pending.end(),
                                    [owner](const PendingLoad& load) { return load.owner == owner; }),
                     sc.pending.end());
    for (std::size_t i = 0; i < sc.objects.size(); ++i) {
        if (sc.objects[i].references.erase(owner)) PurgeIfUnused(i);
    }
}

// Step one of a frame: the loads asked for two frames ago or earlier arrive (reading takes the
// next frame), each as its plug-in; a disabled plug-in's wait until it is enabled again.
void SceneryFrame() {
    Scenery& sc = Sc();
    if (sc.pending.empty()) return;
    std::vector<PendingLoad> due;
    std::vector<PendingLoad> waiting;
    for (PendingLoad& load : sc.pending) {
        Plugin* plugin = FindPlugin(load.owner);
        bool ready = S().cycle >= load.cycle + 2 && (!plugin || plugin->enabled);  // or no plug-in's call
        (ready ? due : waiting).push_back(std::move(load));
    }
    sc.pending = std::move(waiting);
    for (const PendingLoad& load : due) {
        XPLMObjectRef object = Load(load.path.c_str(), load.owner, "XPLMLoadObjectAsync");
        CallPluginCode(load.owner, "an object-loaded callback", [&] { load.callback(object, load.refcon); });
    }
}

int SceneryRegistrations(XPLMPluginID plugin) {
    return bmhost::ProbeCount(plugin) + bmhost::ObjectReferenceCount(plugin) + bmhost::InstanceCount(plugin) +
           int(std::count_if(Sc().pending.begin(), Sc().pending.end(), [plugin](const PendingLoad& load) {
               return plugin == XPLM_NO_PLUGIN_ID || load.owner == plugin;
           }));
}

}  // namespace bmhost::detail

namespace bmhost {

int ProbeCount(XPLMPluginID plugin) {
    return int(std::count_if(Sc().probes.begin(), Sc().probes.end(), [plugin](const Probe& probe) {
        return probe.alive && (plugin == XPLM_NO_PLUGIN_ID || probe.owner == plugin);
    }));
}

int ObjectReferenceCount(XPLMPluginID plugin) {
    int n = 0;
    for (const SceneryObject& object : Sc().objects)
        for (const auto& [owner, count] : object.references)
            if (object.alive && (plugin == XPLM_NO_PLUGIN_ID || owner == plugin)) n += count;
    return n;
}

int PendingObjectLoads() { return int(Sc().pending.size()); }

}  // namespace bmhost

// ---- The SDK functions ----

XPLMProbeRef XPLMCreateProbe(XPLMProbeType inProbeType) {
    BMHOST_ENTER();
    if (inProbeType != xplm_ProbeY) {
        HostWarning("XPLMCreateProbe: probe type " + std::to_string(inProbeType) + " is not xplm_ProbeY");
        return nullptr;
    }
    Sc().probes.push_back(Probe{S().current});
    return MakeHandle(HandleKind::Probe, Sc().probes.size() - 1);
}

void XPLMDestroyProbe(XPLMProbeRef inProbe) {
    BMHOST_ENTER();
    if (Probe* probe = ProbeFromHandle(inProbe, "XPLMDestroyProbe")) probe->alive = false;
}

XPLMProbeResult XPLMProbeTerrainXYZ(XPLMProbeRef inProbe, float inX, float inY, float inZ, XPLMProbeInfo_t* outInfo) {
    BMHOST_ENTER();
    (void)inY;  // the probe is the vertical line through the point
    if (!ProbeFromHandle(inProbe, "XPLMProbeTerrainXYZ")) return xplm_ProbeError;
    if (!outInfo || outInfo->structSize < int(sizeof(XPLMProbeInfo_t))) {
        HostWarning("XPLMProbeTerrainXYZ: no XPLMProbeInfo_t, or its structSize is below 44");
        return xplm_ProbeError;
    }
    if (!Sc().terrain.read) ReadTerrain();
    double latitude, longitude, altitude, eastLatitude, eastLongitude, southLatitude, southLongitude;
    XPLMLocalToWorld(inX, 0.0, inZ, &latitude, &longitude, &altitude);
    XPLMLocalToWorld(inX + 1.0, 0.0, inZ, &eastLatitude, &eastLongitude, &altitude);
    XPLMLocalToWorld(inX, 0.0, inZ + 1.0, &southLatitude, &southLongitude, &altitude);
    double perLatitude, perLongitude;
    bool wet;
    double elevation = Elevation(latitude, longitude, &perLatitude, &perLongitude, &wet);
    double x, y, z;
    XPLMWorldToLocal(latitude, longitude, elevation, &x, &y, &z);
    // The slope along +x (east) and +z (south), in metres per metre; the normal points up.
    double alongX = perLongitude * (eastLongitude - longitude);
    double alongZ = perLatitude * (southLatitude - latitude);
    double length = std::sqrt(alongX * alongX + 1.0 + alongZ * alongZ);
    outInfo->locationX = inX;
    outInfo->locationY = float(y);
    outInfo->locationZ = inZ;
    outInfo->normalX = float(-alongX / length) + 0.0f;  // + 0: no -0 on level ground
    outInfo->normalY = float(1.0 / length);
    outInfo->normalZ = float(-alongZ / length) + 0.0f;
    outInfo->velocityX = outInfo->velocityY = outInfo->velocityZ = 0.0f;
    outInfo->is_wet = wet ? 1 : 0;
    return xplm_ProbeHitTerrain;
}

float XPLMGetMagneticVariation(double latitude, double longitude) {
    BMHOST_ENTER();
    return float(Variation(latitude, longitude));
}

float XPLMDegTrueToDegMagnetic(float headingDegreesTrue) {
    BMHOST_ENTER();
    double variation = Variation(AircraftValue("sim/flightmodel/position/latitude"),
                                 AircraftValue("sim/flightmodel/position/longitude"));
    return Normalized(double(headingDegreesTrue) - variation);
}

float XPLMDegMagneticToDegTrue(float headingDegreesMagnetic) {
    BMHOST_ENTER();
    double variation = Variation(AircraftValue("sim/flightmodel/position/latitude"),
                                 AircraftValue("sim/flightmodel/position/longitude"));
    return Normalized(double(headingDegreesMagnetic) + variation);
}

XPLMObjectRef XPLMLoadObject(const char* inPath) {
    BMHOST_ENTER();
    return Load(inPath, S().current, "XPLMLoadObject");
}

void XPLMLoadObjectAsync(const char* inPath, XPLMObjectLoaded_f inCallback, void* inRefcon) {
    BMHOST_ENTER();
    if (!inCallback) {
        HostWarning("XPLMLoadObjectAsync: no callback");
        return;
    }
    Sc().pending.push_back(PendingLoad{inPath ? inPath : "", inCallback, inRefcon, S().current, S().cycle});
}

void XPLMDrawObjects(XPLMObjectRef inObject, int inCount, XPLMDrawInfo_t* inLocations, int lighting,
                     int earth_relative) {
    BMHOST_ENTER();
    SceneryObject* object = ObjectFromHandle(inObject, "XPLMDrawObjects");
    if (!object) return;
    if (S().currentPhase < 0) {
        HostWarning("XPLMDrawObjects: called outside a drawing callback");
        return;
    }
    if (inCount < 0 || (inCount > 0 && !inLocations)) {
        HostWarning("XPLMDrawObjects: no locations");
        return;
    }
    // Recorded as (count, lighting, earth relative, then x, y, z, pitch, heading, roll of each).
    std::vector<double> numbers{double(inCount), double(lighting), double(earth_relative)};
    for (int i = 0; i < inCount; ++i) {
        const XPLMDrawInfo_t& at = inLocations[i];
        numbers.insert(numbers.end(), {at.x, at.y, at.z, at.pitch, at.heading, at.roll});
    }
    Record("XPLMDrawObjects", std::move(numbers), object->path);
}

void XPLMUnloadObject(XPLMObjectRef inObject) {
    BMHOST_ENTER();
    std::size_t index;
    SceneryObject* object = ObjectFromHandle(inObject, "XPLMUnloadObject", &index);
    if (!object) return;
    if (!object->references.count(S().current)) {
        HostWarning("XPLMUnloadObject: the plug-in holds no reference to " + object->path);
        return;
    }
    Unload(index, S().current);
}

int XPLMLookupObjects(const char* inPath, float inLatitude, float inLongitude, XPLMLibraryEnumerator_f enumerator,
                      void* ref) {
    BMHOST_ENTER();
    (void)inLatitude;  // the stand-in's libraries are not regional
    (void)inLongitude;
    if (!inPath) {
        HostWarning("XPLMLookupObjects: no path");
        return 0;
    }
    if (!Sc().libraryRead) ReadLibrary();
    std::vector<std::string> found;
    for (const auto& [virtualPath, real] : Sc().library)
        if (virtualPath == inPath) found.push_back(real);
    XPLMPluginID caller = S().current;
    if (enumerator)
        for (const std::string& path : found)
            CallPluginCode(caller, "a library enumerator", [&] { enumerator(path.c_str(), ref); });
    return int(found.size());
}
