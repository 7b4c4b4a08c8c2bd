// XPLMWeather: METARs and the weather at a place.
#include <string>

#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMWeather.h"

namespace {

const char kModule[] = "XPLMWeather";

PyObject* NoText() { return BM_TextFromUtf8(""); }

PyObject* PY_XPLMGetMETARForAirport(PyObject*, PyObject* args) {
    const char* airport;
    if (!BM_ParseTuple(args, "s", &airport)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetMETARForAirport", NoText, [&] {
        XPLMFixedString150_t metar;
        metar.buffer[0] = '\0';
        XPLMGetMETARForAirport(airport, &metar);
        metar.buffer[sizeof metar.buffer - 1] = '\0';
        return BM_TextFromUtf8(metar.buffer);
    });
}

// A list of output structs, one per layer.
template <typename Layer, std::size_t N, typename Values>
PyObject* Layers(PyObject* module, const char* type, const Layer (&layers)[N], Values values) {
    PyObject* list = PyList_New(Py_ssize_t(N));
    for (std::size_t i = 0; list && i < N; ++i) {
        PyObject* layer = BM_OutputStruct(module, type, values(layers[i]));
        if (!layer) {
            Py_CLEAR(list);
            break;
        }
        PyList_SET_ITEM(list, Py_ssize_t(i), layer);
    }
    return list;
}

PyObject* Info(PyObject* module, const XPLMWeatherInfo_t& w) {
    PyObject* winds = Layers(module, "XPLMWeatherInfoWinds_t", w.wind_layers, [](const XPLMWeatherInfoWinds_t& l) {
        return Py_BuildValue("(dddddd)", l.alt_msl, l.speed, l.direction, l.gust_speed, l.shear, l.turbulence);
    });
    PyObject* clouds = Layers(module, "XPLMWeatherInfoClouds_t", w.cloud_layers, [](const XPLMWeatherInfoClouds_t& l) {
        return Py_BuildValue("(dddd)", l.cloud_type, l.coverage, l.alt_top, l.alt_base);
    });
    if (!winds || !clouds) {
        Py_XDECREF(winds);
        Py_XDECREF(clouds);
        return nullptr;
    }
    return BM_OutputStruct(module, "XPLMWeatherInfo_t",
                           Py_BuildValue("(ddddddddddiddddNN)", w.temperature_alt, w.dewpoint_alt, w.pressure_alt,
                                         w.precip_rate_alt, w.wind_dir_alt, w.wind_spd_alt, w.turbulence_alt,
                                         w.wave_height, w.wave_length, w.wave_dir, w.wave_speed, w.visibility,
                                         w.precip_rate, w.thermal_climb, w.pressure_sl, winds, clouds));
}

PyObject* PY_XPLMGetWeatherAtLocation(PyObject* module, PyObject* args) {
    double latitude, longitude, altitude;
    PyObject* out;
    const char* function = "XPLMGetWeatherAtLocation";
    if (!BM_ParseTuple(args, "dddO", &latitude, &longitude, &altitude, &out)) return nullptr;
    if (!BM_CheckOutParameter(out, function)) return nullptr;
    bool failed = false;
    PyObject* result = BM_CallHost(kModule, function, BM_Zero, [&]() -> PyObject* {
        XPLMWeatherInfo_t info{};
        info.structSize = int(sizeof info);
        int detailed = XPLMGetWeatherAtLocation(latitude, longitude, altitude, &info);
        if (out != Py_None) {
            PyObject* made = Info(module, info);
            if (!made) {
                failed = true;
                return nullptr;
            }
            BM_WriteOutParameter(out, made);
        }
        return BM_IntFromLong(detailed);
    });
    return failed ? nullptr : result;
}

PyMethodDef XPLMWeatherMethods[] = {
    {"XPLMGetMETARForAirport", PY_XPLMGetMETARForAirport, METH_VARARGS,
     "Tells the last METAR the simulator has for an airport; not for every frame.\n"
     "\n"
     "airport_id: the airport's ICAO code, e.g. 'KSEA'\n"
     "\n"
     "Returns the METAR as a str, '' when the simulator has none for that airport."},
    {"XPLMGetWeatherAtLocation", PY_XPLMGetWeatherAtLocation, METH_VARARGS,
     "Tells the weather at a place near the user; not for every frame.\n"
     "\n"
     "latitude: degrees north\n"
     "longitude: degrees east\n"
     "altitude_m: metres above mean sea level\n"
     "out_info: a list that gets an XPLMWeatherInfo_t (replacing its first item), or None;\n"
     "    its wind_layers a list of 13 XPLMWeatherInfoWinds_t, its cloud_layers of 3\n"
     "    XPLMWeatherInfoClouds_t; not all layers are defined\n"
     "\n"
     "Returns 1 when the simulator has detailed weather there, else 0 (out_info holds the best it\n"
     "has either way). Raises TypeError when out_info is neither a list nor None."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMWeather() { BM_InitModule(kModule, XPLMWeatherMethods); }
