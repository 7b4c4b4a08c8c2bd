// The navigation database and the flight management system.
//
// The database is read, when first used after a reset, from the simulator's own text files in the
// simulator folder, or from the sample the project ships when the folder holds none of them. The
// aids of one type lie together, the types in the order of their bits; an aid's ref is
// kFirstRef plus its place, so that a ref narrowed or mangled on its way through a plug-in no
// longer resolves.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "HostState.h"
#include "XPLMNavigation.h"

#ifndef BMHOST_NAVDATA
#error "BMHOST_NAVDATA must name the folder of the navigation data sample"
#endif

using namespace bmhost::detail;

namespace {

constexpr XPLMNavRef kFirstRef = 0x40000000;
constexpr int kFMSEntries = 100;
constexpr std::size_t kIDChars = 5;        // the ID buffer holds at least 6 bytes
constexpr std::size_t kNameChars = 255;    // the name buffer, 256
constexpr std::size_t kFMSIDChars = 255;   // an FMS entry's ID buffer, 256

const char kNavFile[] = "Resources/default data/earth_nav.dat";
const char kFixFile[] = "Resources/default data/earth_fix.dat";
const char kAirportFile[] = "Resources/default scenery/default apt dat/Earth nav data/apt.dat";

struct Aid {
    XPLMNavType type = xplm_Nav_Unknown;
    double latitude = 0.0, longitude = 0.0;
    float height = 0.0f;  // feet
    int frequency = 0;    // NDBs in kHz, the others in 10 kHz
    float heading = 0.0f;
    std::string id, name;
};

struct FMSEntry {
    XPLMNavType type = xplm_Nav_Unknown;
    std::string id;
    XPLMNavRef ref = XPLM_NAV_NOT_FOUND;
    int altitude = 0;  // feet
    float latitude = 0.0f, longitude = 0.0f;
};

struct Navigation {
    bool loaded = false;
    std::vector<Aid> aids;
    std::vector<std::string> files;  // the files read
    std::vector<FMSEntry> fms;       // the plan's entries, contiguous from 0
    int displayed = 0, destination = 0;
};

Navigation& N() {
    static Navigation navigation;
    return navigation;
}

// ---- Reading the files ----

// The fields of one line, from the left; what remains is the rest of the line.
class Fields {
public:
    explicit Fields(std::string_view line) : rest_(line) {}

    std::string_view Next() {
        SkipBlanks();
        std::size_t end = 0;
        while (end < rest_.size() && !IsBlank(rest_[end])) ++end;
        std::string_view field = rest_.substr(0, end);
        rest_.remove_prefix(end);
        return field;
    }
    std::string_view Rest() {
        SkipBlanks();
        std::string_view rest = rest_;
        while (!rest.empty() && IsBlank(rest.back())) rest.remove_suffix(1);
        return rest;
    }
    bool Number(double* out) {
        std::string_view field = Next();
        if (!field.empty() && field[0] == '+') field.remove_prefix(1);
        const char* end = field.data() + field.size();
        auto [at, error] = std::from_chars(field.data(), end, *out);
        return !field.empty() && error == std::errc() && at == end && std::isfinite(*out);
    }
    bool Integer(int* out) {
        std::string_view field = Next();
        const char* end = field.data() + field.size();
        auto [at, error] = std::from_chars(field.data(), end, *out);
        return !field.empty() && error == std::errc() && at == end;
    }

private:
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }
    void SkipBlanks() {
        while (!rest_.empty() && IsBlank(rest_.front())) rest_.remove_prefix(1);
    }
    std::string_view rest_;
};

// Calls `line` with each line of the file (without its line end) until it answers false. A real
// file runs to hundreds of megabytes: it is read in blocks, never whole.
template <typename Line>
bool ForEachLine(const std::string& path, Line line) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::vector<char> block(std::size_t(1) << 20);
    std::string carried;  // the start of a line that runs past the block
    bool going = true;
    while (going) {
        std::size_t got = std::fread(block.data(), 1, block.size(), file);
        if (got == 0) break;
        std::string_view text(block.data(), got);
        while (going) {
            std::size_t end = text.find('\n');
            if (end == std::string_view::npos) {
                carried.append(text);
                break;
            }
            if (carried.empty()) {
                going = line(text.substr(0, end));
            } else {
                carried.append(text.substr(0, end));
                going = line(std::string_view(carried));
                carried.clear();
            }
            text.remove_prefix(end + 1);
        }
    }
    if (going && !carried.empty()) line(std::string_view(carried));
    std::fclose(file);
    return true;
}

bool OnEarth(double latitude, double longitude) {
    return latitude >= -90.0 && latitude <= 90.0 && longitude >= -180.0 && longitude <= 180.0;
}

XPLMNavType NavRowType(int code) {
    switch (code) {
        case 2: return xplm_Nav_NDB;
        case 3: return xplm_Nav_VOR;
        case 4: return xplm_Nav_ILS;
        case 5: return xplm_Nav_Localizer;
        case 6: return xplm_Nav_GlideSlope;
        case 7: return xplm_Nav_OuterMarker;
        case 8: return xplm_Nav_MiddleMarker;
        case 9: return xplm_Nav_InnerMarker;
        case 12:
        case 13: return xplm_Nav_DME;
        default: return xplm_Nav_Unknown;
    }
}

// earth_nav.dat, 810 format: code, latitude, longitude, elevation (feet), frequency, range, a
// heading column (the VOR's slaved variation, the localizer's bearing, the glide slope's angle
// times 100000 plus its bearing, a DME's bias), the ID and the name. The parts of an ILS name
// their airport and runway before their own name ("KSEA 16L ILS-cat-I"). Files of version 1100
// and later put a terminal region ("ENRT" or the airport) and the ICAO region after the ID.
void ReadNav(const std::string& path, std::vector<Aid>& aids, bool* read) {
    bool versionSeen = false, regions = false;
    *read = ForEachLine(path, [&](std::string_view line) {
        Fields fields(line);
        int code = 0;
        if (!fields.Integer(&code)) return true;
        if (code == 99) return false;
        if (!versionSeen && code >= 600) {
            versionSeen = true;
            regions = code >= 1100;
            return true;
        }
        Aid aid;
        aid.type = NavRowType(code);
        if (aid.type == xplm_Nav_Unknown) return true;
        double elevation, heading, range;
        if (!fields.Number(&aid.latitude) || !fields.Number(&aid.longitude) || !fields.Number(&elevation) ||
            !fields.Integer(&aid.frequency) || !fields.Number(&range) || !fields.Number(&heading) ||
            !OnEarth(aid.latitude, aid.longitude) || std::fabs(elevation) > 1e6 || std::fabs(heading) > 1e9)
            return true;
        if (aid.type == xplm_Nav_GlideSlope && std::fabs(heading) >= 1000.0) heading = std::fmod(heading, 1000.0);
        aid.height = float(elevation);
        aid.heading = float(heading);
        aid.id = std::string(fields.Next());
        if (aid.id.empty()) return true;
        std::string name;
        if (regions) {
            std::string_view terminal = fields.Next();
            fields.Next();  // the ICAO region
            if (!terminal.empty() && terminal != "ENRT") name = std::string(terminal) + " ";
        }
        name += fields.Rest();
        aid.name = std::move(name);
        aids.push_back(std::move(aid));
        return true;
    });
}

// earth_fix.dat: latitude, longitude and ID (later versions add regions after it). A fix's name
// is its ID.
void ReadFixes(const std::string& path, std::vector<Aid>& aids, bool* read) {
    *read = ForEachLine(path, [&](std::string_view line) {
        Fields fields(line);
        Aid aid;
        aid.type = xplm_Nav_Fix;
        if (!fields.Number(&aid.latitude)) return true;
        if (aid.latitude == 99.0 && fields.Rest().empty()) return false;
        if (!fields.Number(&aid.longitude) || !OnEarth(aid.latitude, aid.longitude)) return true;
        aid.id = std::string(fields.Next());
        if (aid.id.empty()) return true;
        aid.name = aid.id;
        aids.push_back(std::move(aid));
        return true;
    });
}

// apt.dat: row 1 opens a land airport (elevation in feet, two flags, ICAO code, name). Its
// position is its datum (rows 1302 datum_lat / datum_lon) when given, else the middle of its first
// runway (rows 100 land, 101 water, 102 helipad, 10 in the older format). An airport without
// either is left out.
void ReadAirports(const std::string& path, std::vector<Aid>& aids, bool* read) {
    Aid airport;
    bool open = false, runway = false, datumLatitude = false, datumLongitude = false;
    double runwayLatitude = 0, runwayLongitude = 0, latitude = 0, longitude = 0;
    auto close = [&] {
        if (open) {
            bool datum = datumLatitude && datumLongitude && OnEarth(latitude, longitude);
            if (datum || runway) {
                airport.latitude = datum ? latitude : runwayLatitude;
                airport.longitude = datum ? longitude : runwayLongitude;
                aids.push_back(std::move(airport));
            }
        }
        airport = Aid();
        open = runway = datumLatitude = datumLongitude = false;
    };
    // The middle of the runway between two ends.
    auto ends = [&](Fields& fields, int skipBefore, int skipBetween) {
        for (int i = 0; i < skipBefore; ++i) fields.Next();
        double lat1, lon1, lat2, lon2;
        if (!fields.Number(&lat1) || !fields.Number(&lon1)) return;
        for (int i = 0; i < skipBetween; ++i) fields.Next();
        if (!fields.Number(&lat2) || !fields.Number(&lon2) || !OnEarth(lat1, lon1) || !OnEarth(lat2, lon2)) return;
        runwayLatitude = (lat1 + lat2) / 2;
        runwayLongitude = (lon1 + lon2) / 2;
        runway = true;
    };
    // A helipad, or a runway given by its middle.
    auto centre = [&](Fields& fields) {
        double lat, lon;
        if (!fields.Number(&lat) || !fields.Number(&lon) || !OnEarth(lat, lon)) return;
        runwayLatitude = lat;
        runwayLongitude = lon;
        runway = true;
    };
    *read = ForEachLine(path, [&](std::string_view line) {
        Fields fields(line);
        int code = 0;
        if (!fields.Integer(&code)) return true;
        if (code == 99) return false;
        if (code == 1 || code == 16 || code == 17) {
            close();
            if (code != 1) return true;
            int elevation, tower, deprecated;
            if (!fields.Integer(&elevation) || !fields.Integer(&tower) || !fields.Integer(&deprecated)) return true;
            airport.type = xplm_Nav_Airport;
            airport.height = float(elevation);
            airport.id = std::string(fields.Next());
            airport.name = std::string(fields.Rest());
            open = !airport.id.empty();
            return true;
        }
        if (!open) return true;
        if (code == 1302) {
            std::string_view key = fields.Next();
            double value;
            if (key == "datum_lat" && fields.Number(&value)) {
                latitude = value;
                datumLatitude = true;
            } else if (key == "datum_lon" && fields.Number(&value)) {
                longitude = value;
                datumLongitude = true;
            }
            return true;
        }
        if (runway) return true;
        if (code == 100) {
            ends(fields, 8, 7);  // seven fields of the runway and end 1's number; six more of end 1 and end 2's
        } else if (code == 101) {
            ends(fields, 3, 1);  // width, buoys and end 1's number; end 2's number
        } else if (code == 102) {
            fields.Next();  // the designator
            centre(fields);
        } else if (code == 10) {
            Fields designator = fields;
            designator.Next();
            designator.Next();
            if (designator.Next() != "xxx") centre(fields);  // "xxx": a taxiway
        }
        return true;
    });
    close();
}

// The place of a type in the database: the index of its bit.
int TypeOrder(XPLMNavType type) {
    for (int bit = 0; bit < 31; ++bit)
        if (type == (1 << bit)) return bit;
    return 31;
}

void Load() {
    Navigation& n = N();
    if (n.loaded) return;
    n.loaded = true;
    std::string root = bmhost::Root();
    std::error_code ec;
    bool inRoot = false;
    for (const char* file : {kNavFile, kFixFile, kAirportFile})
        inRoot = inRoot || std::filesystem::exists(root + file, ec);
    std::string nav = inRoot ? root + kNavFile : std::string(BMHOST_NAVDATA) + "earth_nav.dat";
    std::string fix = inRoot ? root + kFixFile : std::string(BMHOST_NAVDATA) + "earth_fix.dat";
    std::string airports = inRoot ? root + kAirportFile : std::string(BMHOST_NAVDATA) + "apt.dat";
    std::vector<Aid> aids;
    bool read = false;
    ReadAirports(airports, aids, &read);
    if (read) n.files.push_back(airports);
    ReadNav(nav, aids, &read);
    if (read) n.files.push_back(nav);
    ReadFixes(fix, aids, &read);
    if (read) n.files.push_back(fix);
    std::stable_sort(aids.begin(), aids.end(),
                     [](const Aid& a, const Aid& b) { return TypeOrder(a.type) < TypeOrder(b.type); });
    n.aids = std::move(aids);
}

const std::vector<Aid>& Aids() {
    Load();
    return N().aids;
}

const Aid* AidOf(XPLMNavRef ref) {
    const std::vector<Aid>& aids = Aids();
    if (ref < kFirstRef || std::size_t(ref - kFirstRef) >= aids.size()) return nullptr;
    return &aids[std::size_t(ref - kFirstRef)];
}

XPLMNavRef RefOf(std::size_t index) { return kFirstRef + XPLMNavRef(index); }

bool IsSingleType(XPLMNavType type) {
    auto bits = static_cast<unsigned>(type);
    return bits != 0 && (bits & (bits - 1)) == 0;
}

// Airports, fixes and lat/lon points have no radio frequency.
bool IsRadio(XPLMNavType type) { return !(type & (xplm_Nav_Airport | xplm_Nav_Fix | xplm_Nav_LatLon)); }

// Great-circle distance in radians.
double Distance(double lat1, double lon1, double lat2, double lon2) {
    constexpr double kRadians = 3.14159265358979323846 / 180.0;
    double dLat = (lat2 - lat1) * kRadians / 2, dLon = (lon2 - lon1) * kRadians / 2;
    double a = std::sin(dLat) * std::sin(dLat) +
               std::cos(lat1 * kRadians) * std::cos(lat2 * kRadians) * std::sin(dLon) * std::sin(dLon);
    return 2 * std::asin(std::sqrt(std::min(1.0, a)));
}

// The loaded scenery: the 1-degree tiles within one tile of the tile of the world reference point.
bool InLoadedScenery(double latitude, double longitude) {
    const State& s = S();
    return std::fabs(std::floor(latitude) - std::floor(s.referenceLatitude)) <= 1.0 &&
           std::fabs(std::floor(longitude) - std::floor(s.referenceLongitude)) <= 1.0;
}

void CopyText(const std::string& text, std::size_t most, char* out) {
    std::size_t n = std::min(text.size(), most);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

bool IsFMSIndex(int index) { return index >= 0 && index < kFMSEntries; }

// Writes entry `index` (the end of the plan appends), or ignores an index past the end.
void SetEntry(int index, FMSEntry entry) {
    std::vector<FMSEntry>& fms = N().fms;
    if (!IsFMSIndex(index) || std::size_t(index) > fms.size()) return;
    if (std::size_t(index) == fms.size()) fms.push_back(std::move(entry));
    else fms[std::size_t(index)] = std::move(entry);
}

}  // namespace

void bmhost::detail::ResetNavigation() { N() = Navigation(); }

bool bmhost::detail::FindAirport(const std::string& id, double* latitude, double* longitude, float* elevationFeet) {
    for (const Aid& aid : Aids()) {
        if (aid.type != xplm_Nav_Airport || aid.id != id) continue;
        *latitude = aid.latitude;
        *longitude = aid.longitude;
        *elevationFeet = aid.height;
        return true;
    }
    return false;
}

XPLMNavRef XPLMGetFirstNavAid(void) {
    BMHOST_ENTER();
    return Aids().empty() ? XPLM_NAV_NOT_FOUND : kFirstRef;
}

XPLMNavRef XPLMGetNextNavAid(XPLMNavRef inNavAidRef) {
    BMHOST_ENTER();
    return AidOf(inNavAidRef) && AidOf(inNavAidRef + 1) ? inNavAidRef + 1 : XPLM_NAV_NOT_FOUND;
}

XPLMNavRef XPLMFindFirstNavAidOfType(XPLMNavType inType) {
    BMHOST_ENTER();
    const std::vector<Aid>& aids = Aids();
    if (!IsSingleType(inType)) return XPLM_NAV_NOT_FOUND;
    for (std::size_t i = 0; i < aids.size(); ++i)
        if (aids[i].type == inType) return RefOf(i);
    return XPLM_NAV_NOT_FOUND;
}

XPLMNavRef XPLMFindLastNavAidOfType(XPLMNavType inType) {
    BMHOST_ENTER();
    const std::vector<Aid>& aids = Aids();
    if (!IsSingleType(inType)) return XPLM_NAV_NOT_FOUND;
    for (std::size_t i = aids.size(); i-- > 0;)
        if (aids[i].type == inType) return RefOf(i);
    return XPLM_NAV_NOT_FOUND;
}

XPLMNavRef XPLMFindNavAid(const char* inNameFragment, const char* inIDFragment, float* inLat, float* inLon,
                          int* inFrequency, XPLMNavType inType) {
    BMHOST_ENTER();
    const std::vector<Aid>& aids = Aids();
    // A position that is not a number cannot pick the nearest: it counts as no position.
    bool nearest = inLat && inLon && std::isfinite(*inLat) && std::isfinite(*inLon);
    std::size_t found = aids.size();
    double foundDistance = 0.0;
    for (std::size_t i = 0; i < aids.size(); ++i) {
        const Aid& aid = aids[i];
        if (!(aid.type & inType)) continue;
        if (inFrequency && IsRadio(aid.type) && aid.frequency != *inFrequency) continue;
        if (inNameFragment && aid.name.find(inNameFragment) == std::string::npos) continue;
        if (inIDFragment && aid.id.find(inIDFragment) == std::string::npos) continue;
        if (!nearest) {
            found = i;
            continue;
        }
        double distance = Distance(*inLat, *inLon, aid.latitude, aid.longitude);
        if (found == aids.size() || distance < foundDistance) {
            found = i;
            foundDistance = distance;
        }
    }
    return found == aids.size() ? XPLM_NAV_NOT_FOUND : RefOf(found);
}

void XPLMGetNavAidInfo(XPLMNavRef inRef, XPLMNavType* outType, float* outLatitude, float* outLongitude,
                       float* outHeight, int* outFrequency, float* outHeading, char* outID, char* outName,
                       char* outReg) {
    BMHOST_ENTER();
    const Aid* aid = AidOf(inRef);
    if (!aid) {
        if (outType) *outType = xplm_Nav_Unknown;
        return;
    }
    if (outType) *outType = aid->type;
    if (outLatitude) *outLatitude = float(aid->latitude);
    if (outLongitude) *outLongitude = float(aid->longitude);
    if (outHeight) *outHeight = aid->height;
    if (outFrequency) *outFrequency = aid->frequency;
    if (outHeading) *outHeading = aid->heading;
    if (outID) CopyText(aid->id, kIDChars, outID);
    if (outName) CopyText(aid->name, kNameChars, outName);
    if (outReg) *outReg = InLoadedScenery(aid->latitude, aid->longitude) ? 1 : 0;
}

int XPLMCountFMSEntries(void) {
    BMHOST_ENTER();
    return int(N().fms.size());
}

int XPLMGetDisplayedFMSEntry(void) {
    BMHOST_ENTER();
    return N().displayed;
}

int XPLMGetDestinationFMSEntry(void) {
    BMHOST_ENTER();
    return N().destination;
}

void XPLMSetDisplayedFMSEntry(int inIndex) {
    BMHOST_ENTER();
    if (IsFMSIndex(inIndex)) N().displayed = inIndex;
}

void XPLMSetDestinationFMSEntry(int inIndex) {
    BMHOST_ENTER();
    if (IsFMSIndex(inIndex)) N().destination = inIndex;
}

// An entry past the end of the plan is empty; an index outside the plan's 100 places is ignored.
void XPLMGetFMSEntryInfo(int inIndex, XPLMNavType* outType, char* outID, XPLMNavRef* outRef, int* outAltitude,
                         float* outLat, float* outLon) {
    BMHOST_ENTER();
    if (!IsFMSIndex(inIndex)) return;
    const std::vector<FMSEntry>& fms = N().fms;
    FMSEntry empty;
    const FMSEntry& entry = std::size_t(inIndex) < fms.size() ? fms[std::size_t(inIndex)] : empty;
    if (outType) *outType = entry.type;
    if (outID) CopyText(entry.id, kFMSIDChars, outID);
    if (outRef) *outRef = entry.ref;
    if (outAltitude) *outAltitude = entry.altitude;
    if (outLat) *outLat = entry.latitude;
    if (outLon) *outLon = entry.longitude;
}

void XPLMSetFMSEntryInfo(int inIndex, XPLMNavRef inRef, int inAltitude) {
    BMHOST_ENTER();
    const Aid* aid = AidOf(inRef);
    if (!aid) return;
    FMSEntry entry;
    entry.type = aid->type;
    entry.id = aid->id;
    entry.ref = inRef;
    entry.altitude = inAltitude;
    entry.latitude = float(aid->latitude);
    entry.longitude = float(aid->longitude);
    SetEntry(inIndex, std::move(entry));
}

void XPLMSetFMSEntryLatLon(int inIndex, float inLat, float inLon, int inAltitude) {
    BMHOST_ENTER();
    FMSEntry entry;
    entry.type = xplm_Nav_LatLon;
    entry.altitude = inAltitude;
    entry.latitude = inLat;
    entry.longitude = inLon;
    SetEntry(inIndex, std::move(entry));
}

// The entries after it move up by one; so do the displayed and destination entries after it.
void XPLMClearFMSEntry(int inIndex) {
    BMHOST_ENTER();
    Navigation& n = N();
    if (!IsFMSIndex(inIndex) || std::size_t(inIndex) >= n.fms.size()) return;
    n.fms.erase(n.fms.begin() + inIndex);
    if (n.displayed > inIndex) --n.displayed;
    if (n.destination > inIndex) --n.destination;
}

XPLMNavType XPLMGetGPSDestinationType(void) {
    BMHOST_ENTER();
    const Navigation& n = N();
    return std::size_t(n.destination) < n.fms.size() ? n.fms[std::size_t(n.destination)].type : xplm_Nav_Unknown;
}

XPLMNavRef XPLMGetGPSDestination(void) {
    BMHOST_ENTER();
    const Navigation& n = N();
    return std::size_t(n.destination) < n.fms.size() ? n.fms[std::size_t(n.destination)].ref : XPLM_NAV_NOT_FOUND;
}

namespace bmhost {

int NavAidCount() { return int(Aids().size()); }

std::string NavDataSource() {
    Load();
    std::string text;
    for (const std::string& file : N().files) text += file + "\n";
    return text;
}

XPLMNavRef AddNavAid(const NavAidRecord& record) {
    Load();
    std::vector<Aid>& aids = N().aids;
    Aid aid;
    aid.type = record.type;
    aid.latitude = record.latitude;
    aid.longitude = record.longitude;
    aid.height = record.height;
    aid.frequency = record.frequency;
    aid.heading = record.heading;
    aid.id = record.id;
    aid.name = record.name;
    auto place = std::upper_bound(aids.begin(), aids.end(), aid, [](const Aid& a, const Aid& b) {
        return TypeOrder(a.type) < TypeOrder(b.type);
    });
    place = aids.insert(place, std::move(aid));
    return RefOf(std::size_t(place - aids.begin()));
}

}  // namespace bmhost
