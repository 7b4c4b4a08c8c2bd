// The weather: one table for the whole region around the user, and the METARs written from it.
//
// The table is the built-in one (the standard atmosphere, calm and clear) until a text table
// replaces it (bmhost::SetWeatherTable, bmsim --weather); docs/stand-in.md describes the format.
// Conditions aloft follow the standard atmosphere's lapse rate from the table's sea-level values.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "HostState.h"
#include "XPLMWeather.h"

using namespace bmhost::detail;

namespace {

constexpr int kWindLayers = 13, kCloudLayers = 3;
constexpr std::size_t kMETARChars = 149;  // the buffer holds 150 bytes

struct Table {
    float temperature = 15.0f, dewpoint = 5.0f, pressure = 101325.0f;  // at sea level
    float visibility = 10000.0f, precipitation = 0.0f, thermal = 0.0f;
    float waveHeight = 0.0f, waveLength = 0.0f, waveSpeed = 0.0f;
    int waveDirection = 0;
    std::vector<XPLMWeatherInfoWinds_t> winds;    // lowest first
    std::vector<XPLMWeatherInfoClouds_t> clouds;
    std::map<std::string, std::string> metars;    // given as they are, by airport
};

Table DefaultTable() {
    Table table;
    for (int i = 0; i < kWindLayers; ++i) table.winds.push_back({1000.0f * float(i), 0, 0, 0, 0, 0});
    return table;
}

Table& W() {
    static Table table = DefaultTable();
    return table;
}

// The numbers of a line after its keyword: exactly `count` of them, finite, none beyond a million.
bool Numbers(std::istringstream& in, int count, float* out) {
    for (int i = 0; i < count; ++i) {
        std::string word;
        if (!(in >> word)) return false;
        char* end = nullptr;
        double value = std::strtod(word.c_str(), &end);
        if (*end || !std::isfinite(value) || std::fabs(value) > 1e6) return false;
        out[i] = float(value);
    }
    std::string extra;
    return !(in >> extra);
}

bool Parse(const std::string& text, Table* table, std::string* error) {
    Table t;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    bool windsGiven = false;
    while (std::getline(lines, line)) {
        ++number;
        std::size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        std::istringstream in(line);
        std::string key;
        if (!(in >> key)) continue;
        float v[6];
        bool ok = true;
        if (key == "temperature" && (ok = Numbers(in, 1, v))) {
            t.temperature = v[0];
        } else if (key == "dewpoint" && (ok = Numbers(in, 1, v))) {
            t.dewpoint = v[0];
        } else if (key == "pressure" && (ok = Numbers(in, 1, v) && v[0] > 0)) {
            t.pressure = v[0];
        } else if (key == "visibility" && (ok = Numbers(in, 1, v) && v[0] >= 0)) {
            t.visibility = v[0];
        } else if (key == "precipitation" && (ok = Numbers(in, 1, v) && v[0] >= 0 && v[0] <= 1)) {
            t.precipitation = v[0];
        } else if (key == "thermal" && (ok = Numbers(in, 1, v))) {
            t.thermal = v[0];
        } else if (key == "waves" && (ok = Numbers(in, 4, v))) {
            t.waveHeight = v[0];
            t.waveLength = v[1];
            t.waveDirection = int(std::lround(v[2]));
            t.waveSpeed = v[3];
        } else if (key == "wind" && (ok = Numbers(in, 6, v) && int(t.winds.size()) < kWindLayers &&
                                          (t.winds.empty() || !windsGiven || v[0] > t.winds.back().alt_msl))) {
            if (!windsGiven) t.winds.clear();
            windsGiven = true;
            t.winds.push_back({v[0], v[1], v[2], v[3], v[4], v[5]});
        } else if (key == "cloud" && (ok = Numbers(in, 4, v) && int(t.clouds.size()) < kCloudLayers &&
                                           v[2] <= v[3] && v[1] >= 0 && v[1] <= 1)) {
            t.clouds.push_back({v[0], v[1], v[3], v[2]});
        } else if (key == "metar") {
            std::string airport, rest;
            ok = bool(in >> airport);
            std::getline(in, rest);
            rest.erase(0, std::min(rest.size(), rest.find_first_not_of(" \t")));
            while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back()))) rest.pop_back();
            if (ok) t.metars[airport] = rest.substr(0, kMETARChars);
        } else if (ok) {
            ok = false;
        }
        if (!ok) {
            if (error) *error = "line " + std::to_string(number) + ": cannot read '" + line + "'";
            return false;
        }
    }
    if (!windsGiven) t.winds = DefaultTable().winds;
    *table = std::move(t);
    return true;
}

// The standard atmosphere's troposphere: h in metres, clamped to [0, 11000].
double Height(double altitude) { return std::min(11000.0, std::max(0.0, altitude)); }
double TemperatureAt(double seaLevel, double altitude) { return seaLevel - 0.0065 * Height(altitude); }
double PressureAt(double seaLevel, double altitude) {
    return seaLevel * std::pow(1.0 - 2.25577e-5 * Height(altitude), 5.25588);
}

// The wind layer that holds at an altitude: the highest at or below it, the lowest below them all.
const XPLMWeatherInfoWinds_t* WindAt(const Table& t, double altitude) {
    const XPLMWeatherInfoWinds_t* found = t.winds.empty() ? nullptr : &t.winds.front();
    for (const XPLMWeatherInfoWinds_t& layer : t.winds)
        if (layer.alt_msl <= altitude) found = &layer;
    return found;
}

// The region the table covers: the 3 x 3 one-degree tiles around the world reference point's.
bool InRegion(double latitude, double longitude) {
    const State& s = S();
    return std::fabs(std::floor(latitude) - std::floor(s.referenceLatitude)) <= 1.0 &&
           std::fabs(std::floor(longitude) - std::floor(s.referenceLongitude)) <= 1.0;
}

std::string Degrees(double celsius) {
    long whole = std::lround(celsius);
    char text[24];
    std::snprintf(text, sizeof text, "%s%02ld", whole < 0 ? "M" : "", std::labs(whole));
    return text;
}

// A METAR written from the table for an airport at `elevation` metres: US conventions (statute
// miles, inches of mercury) for ICAO codes starting with K or P, the ICAO ones elsewhere.
std::string WriteMETAR(const Table& t, const std::string& airport, double elevation) {
    const bool us = airport[0] == 'K' || airport[0] == 'P';
    std::string metar = airport + " 011200Z ";
    char part[32];
    // The surface wind: the lowest layer.
    const XPLMWeatherInfoWinds_t* wind = t.winds.empty() ? nullptr : &t.winds.front();
    long knots = wind ? std::lround(wind->speed * 1.943844) : 0;
    if (knots <= 0) {
        metar += "00000KT";
    } else {
        long direction = std::lround(std::fmod(std::fmod(double(wind->direction), 360.0) + 360.0, 360.0) / 10.0) * 10;
        if (direction == 0) direction = 360;
        std::snprintf(part, sizeof part, "%03ld%02ld", direction, knots);
        metar += part;
        long gust = std::lround(wind->gust_speed * 1.943844);
        if (gust > knots) metar += "G" + std::to_string(gust);
        metar += "KT";
    }
    // The visibility.
    if (us) {
        double miles = t.visibility / 1609.344;
        if (miles >= 10) metar += " 10SM";
        else if (miles >= 1) metar += " " + std::to_string(long(miles)) + "SM";
        else if (miles >= 0.75) metar += " 3/4SM";
        else if (miles >= 0.5) metar += " 1/2SM";
        else if (miles >= 0.25) metar += " 1/4SM";
        else metar += " M1/4SM";
    } else {
        std::snprintf(part, sizeof part, " %04ld", t.visibility >= 9999 ? 9999L : long(t.visibility / 100) * 100);
        metar += part;
    }
    const double temperature = TemperatureAt(t.temperature, elevation);
    // Precipitation: rain, or snow at or below freezing; light below a third, heavy above two.
    if (t.precipitation > 0) {
        metar += t.precipitation < 1.0f / 3 ? " -" : t.precipitation > 2.0f / 3 ? " +" : " ";
        metar += temperature > 0 ? "RA" : "SN";
    }
    // The cloud layers, lowest first, their bases in hundreds of feet above the airport.
    std::vector<XPLMWeatherInfoClouds_t> clouds;
    for (const XPLMWeatherInfoClouds_t& layer : t.clouds)
        if (layer.coverage > 0) clouds.push_back(layer);
    std::stable_sort(clouds.begin(), clouds.end(),
                     [](const auto& a, const auto& b) { return a.alt_base < b.alt_base; });
    if (clouds.empty()) metar += us ? " CLR" : " NSC";
    for (const XPLMWeatherInfoClouds_t& layer : clouds) {
        const char* cover = layer.coverage <= 0.25f ? "FEW" : layer.coverage <= 0.5f ? "SCT"
                            : layer.coverage <= 0.875f ? "BKN" : "OVC";
        long hundreds = std::max(0L, long((layer.alt_base - elevation) / 0.3048 / 100));
        std::snprintf(part, sizeof part, " %s%03ld%s", cover, std::min(hundreds, 999L),
                      std::lround(layer.cloud_type) == 3 ? "CB" : "");
        metar += part;
    }
    metar += " " + Degrees(temperature) + "/" + Degrees(TemperatureAt(t.dewpoint, elevation));
    if (us)
        std::snprintf(part, sizeof part, " A%04ld", std::lround(t.pressure / 3386.389 * 100));
    else
        std::snprintf(part, sizeof part, " Q%04ld", std::lround(t.pressure / 100));
    return metar + part;
}

}  // namespace

void bmhost::detail::ResetWeather() { W() = DefaultTable(); }

namespace bmhost {

bool SetWeatherTable(const std::string& text, std::string* error) {
    Table table;
    if (!Parse(text, &table, error)) return false;
    W() = std::move(table);
    return true;
}

bool SetWeatherFile(const std::string& path, std::string* error) {
    if (path.empty()) {
        W() = DefaultTable();
        return true;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string problem;
    if (SetWeatherTable(text.str(), &problem)) return true;
    if (error) *error = path + ": " + problem;
    return false;
}

std::string METAR(const std::string& airport) {
    const Table& t = W();
    auto given = t.metars.find(airport);
    if (given != t.metars.end()) return given->second;
    double latitude, longitude;
    float elevation;
    if (airport.empty() || !FindAirport(airport, &latitude, &longitude, &elevation)) return std::string();
    return WriteMETAR(t, airport, elevation * 0.3048).substr(0, kMETARChars);
}

}  // namespace bmhost

void XPLMGetMETARForAirport(const char* airport_id, XPLMFixedString150_t* outMETAR) {
    BMHOST_ENTER();
    if (!outMETAR) return HostWarning("XPLMGetMETARForAirport: no buffer");
    std::string airport = airport_id ? airport_id : "";
    for (char& c : airport) c = char(std::toupper(static_cast<unsigned char>(c)));
    std::string metar = bmhost::METAR(airport);
    std::memcpy(outMETAR->buffer, metar.c_str(), metar.size() + 1);
}

int XPLMGetWeatherAtLocation(double latitude, double longitude, double altitude_m, XPLMWeatherInfo_t* out_info) {
    BMHOST_ENTER();
    if (!out_info) {
        HostWarning("XPLMGetWeatherAtLocation: no struct");
        return 0;
    }
    const int size = out_info->structSize;
    if (size < int(sizeof(int) + sizeof(float))) {
        HostWarning("XPLMGetWeatherAtLocation: structSize " + std::to_string(size) + " holds no field");
        return 0;
    }
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || !std::isfinite(altitude_m)) {
        HostWarning("XPLMGetWeatherAtLocation: the location is not a number");
        return 0;
    }
    const Table& t = W();
    XPLMWeatherInfo_t info{};
    info.structSize = size;
    info.temperature_alt = float(TemperatureAt(t.temperature, altitude_m));
    info.dewpoint_alt = float(TemperatureAt(t.dewpoint, altitude_m));
    info.pressure_alt = float(PressureAt(t.pressure, altitude_m));
    info.precip_rate_alt = t.precipitation;
    if (const XPLMWeatherInfoWinds_t* wind = WindAt(t, altitude_m)) {
        info.wind_dir_alt = wind->direction;
        info.wind_spd_alt = wind->speed;
        info.turbulence_alt = wind->turbulence;
    }
    info.wave_height = t.waveHeight;
    info.wave_length = t.waveLength;
    info.wave_dir = t.waveDirection;
    info.wave_speed = t.waveSpeed;
    info.visibility = t.visibility;
    info.precip_rate = t.precipitation;
    info.thermal_climb = t.thermal;
    info.pressure_sl = t.pressure;
    // Layers past the table's are not defined: a wind layer's altitude -1, a cloud's coverage 0.
    for (int i = 0; i < kWindLayers; ++i) {
        if (std::size_t(i) < t.winds.size())
            info.wind_layers[i] = t.winds[std::size_t(i)];
        else
            info.wind_layers[i].alt_msl = -1.0f;
    }
    for (int i = 0; i < kCloudLayers && std::size_t(i) < t.clouds.size(); ++i) info.cloud_layers[i] = t.clouds[std::size_t(i)];
    // Only whole fields that the caller's struct holds (all are 4 bytes), never beyond the 4.0 struct.
    static_assert(sizeof(XPLMWeatherInfo_t) == 424, "the 4.0 layout");
    std::size_t whole = std::size_t(std::min<int>(size, int(sizeof info))) / sizeof(float) * sizeof(float);
    std::memcpy(reinterpret_cast<char*>(out_info) + sizeof(int), reinterpret_cast<const char*>(&info) + sizeof(int),
                whole - sizeof(int));
    return InRegion(latitude, longitude) ? 1 : 0;
}
