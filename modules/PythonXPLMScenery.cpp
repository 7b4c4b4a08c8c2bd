// XPLMScenery: terrain probes, magnetic variation, objects and the library.
//
// Probes and object loads are their script's: one record each, released (the probe destroyed,
// the object unloaded) when the script stops or reloads. An object loaded twice is two records
// under one key, so that each load has its unload. An asynchronous load is a record until it
// arrives (BM_ObjectLoadedCallback); one arriving after its script went is unloaded unseen.
#include "BrindlemoorClass.h"
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMScenery.h"

namespace {

const char kModule[] = "XPLMScenery";

void DestroyProbeRecord(_CallbackRecordStruct& record) { XPLMDestroyProbe(record.handle); }
void UnloadObjectRecord(_CallbackRecordStruct& record) { XPLMUnloadObject(record.handle); }
// A load cannot be called off: the simulator still delivers it, to a record no longer known.
void ForgetLoad(_CallbackRecordStruct&) {}

PyObject* PY_XPLMCreateProbe(PyObject*, PyObject* args) {
    PyObject* script;
    int type;
    const char* function = "XPLMCreateProbe";
    if (!BM_ParseTuple(args, "Oi", &script, &type)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindProbe, nullptr, 0);
        XPLMProbeRef probe = nullptr;
        if (BM_RegisterRecord(record, DestroyProbeRecord, [&] { return (probe = XPLMCreateProbe(type)) != nullptr; }))
            BM_Table().SetHandle(record, probe);
        return BM_IntFromHandle(probe);
    });
}

PyObject* PY_XPLMDestroyProbe(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t probe;
    const char* function = "XPLMDestroyProbe";
    if (!BM_ParseTuple(args, "O" BM_H, &script, &probe)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero,
                       [&] { return BM_RemoveFound(BM_OwnRecordOfHandle(BM_KindProbe, BM_Handle(probe), script)); });
}

XPLMProbeInfo_t Empty() {
    XPLMProbeInfo_t info{};
    info.structSize = int(sizeof info);
    return info;
}

PyObject* ProbeInfo(PyObject* module, int result, const XPLMProbeInfo_t& info) {
    return BM_OutputStruct(module, "XPLMProbeInfo_t",
                           Py_BuildValue("(ifffffffffi)", result, info.locationX, info.locationY, info.locationZ,
                                         info.normalX, info.normalY, info.normalZ, info.velocityX, info.velocityY,
                                         info.velocityZ, info.is_wet));
}

// Another script's probe is answered as no probe is: xplm_ProbeError, the simulator not asked.
PyObject* PY_XPLMProbeTerrainXYZ(PyObject* module, PyObject* args) {
    Py_ssize_t probe;
    float x, y, z;
    const char* function = "XPLMProbeTerrainXYZ";
    if (!BM_ParseTuple(args, BM_H "O&O&O&", &probe, BM_ConvertFloat, &x, BM_ConvertFloat, &y, BM_ConvertFloat, &z))
        return nullptr;
    XPLMProbeInfo_t info = Empty();
    PyObject* answer = BM_CallHost(kModule, function, BM_NoneResult, [&]() -> PyObject* {
        if (BM_ForeignHandle(BM_KindProbe, BM_Handle(probe))) return ProbeInfo(module, xplm_ProbeError, info);
        int result = XPLMProbeTerrainXYZ(BM_Handle(probe), x, y, z, &info);
        if (result != xplm_ProbeHitTerrain) info = Empty();
        return ProbeInfo(module, result, info);
    });
    if (answer == Py_None) {  // the simulator failed: an error result all the same
        Py_DECREF(answer);
        info = Empty();
        return ProbeInfo(module, xplm_ProbeError, info);
    }
    return answer;
}

PyObject* PY_XPLMGetMagneticVariation(PyObject*, PyObject* args) {
    double latitude, longitude;
    if (!BM_ParseTuple(args, "dd", &latitude, &longitude)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetMagneticVariation", BM_ZeroFloat,
                       [&] { return PyFloat_FromDouble(XPLMGetMagneticVariation(latitude, longitude)); });
}

template <float (*Convert)(float)>
PyObject* Heading(PyObject* args, const char* function) {
    float heading;
    if (!BM_ParseTuple(args, "O&", BM_ConvertFloat, &heading)) return nullptr;
    return BM_CallHost(kModule, function, BM_ZeroFloat, [&] { return PyFloat_FromDouble(Convert(heading)); });
}

PyObject* PY_XPLMDegTrueToDegMagnetic(PyObject*, PyObject* args) {
    return Heading<XPLMDegTrueToDegMagnetic>(args, "XPLMDegTrueToDegMagnetic");
}

PyObject* PY_XPLMDegMagneticToDegTrue(PyObject*, PyObject* args) {
    return Heading<XPLMDegMagneticToDegTrue>(args, "XPLMDegMagneticToDegTrue");
}

PyObject* PY_XPLMLoadObject(PyObject*, PyObject* args) {
    PyObject* script;
    const char* path;
    const char* function = "XPLMLoadObject";
    if (!BM_ParseTuple(args, "Os", &script, &path)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindObject, nullptr, 0);
        XPLMObjectRef object = nullptr;
        BM_RegisterRecord(record, UnloadObjectRecord, [&] {
            object = XPLMLoadObject(path);
            record->handle = object;  // before its key is made: the key names the object
            return object != nullptr;
        });
        return BM_IntFromHandle(object);
    });
}

PyObject* PY_XPLMLoadObjectAsync(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    const char* path;
    Py_ssize_t refcon;
    const char* function = "XPLMLoadObjectAsync";
    if (!BM_ParseTuple(args, "OsO" BM_H, &script, &path, &callable, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        // The record's own number, never used again, is what the simulator holds: a load that
        // arrives after the record went finds nothing, not a later record at the same address.
        static intptr_t loads = 0;
        void* number = reinterpret_cast<void*>(++loads);
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindObjectLoad, callable, BM_Refcon(refcon));
        if (BM_RegisterRecord(record, ForgetLoad, [&] {
                XPLMLoadObjectAsync(path, BM_ObjectLoadedCallback, number);
                return true;
            }))
            BM_Table().SetHandle(record, number);
        return BM_One();
    });
}

PyObject* PY_XPLMDrawObjects(PyObject*, PyObject* args) {
    Py_ssize_t object;
    int count, lighting, earthRelative;
    PyObject* locations;
    const char* function = "XPLMDrawObjects";
    if (!BM_ParseTuple(args, BM_H "iOii", &object, &count, &locations, &lighting, &earthRelative)) return nullptr;
    if (!PyTuple_Check(locations) && !PyList_Check(locations))
        return PyErr_Format(PyExc_TypeError, "%s: inLocations must be a list or tuple of XPLMDrawInfo_t, not %s",
                            function, Py_TYPE(locations)->tp_name);
    if (count < 0 || count > PySequence_Fast_GET_SIZE(locations))
        return PyErr_Format(PyExc_ValueError, "%s: inCount is %d, but inLocations holds %zd", function, count,
                            PySequence_Fast_GET_SIZE(locations));
    std::vector<XPLMDrawInfo_t> drawn;
    PyObject* made = BM_RaiseInstead([&]() -> PyObject* {
        drawn.resize(std::size_t(count));
        return BM_One();
    });
    if (!made) return nullptr;
    Py_DECREF(made);
    for (int i = 0; i < count; ++i) {
        float fields[6];
        if (!BM_DrawInfoArgument(PySequence_Fast_GET_ITEM(locations, i), function, fields)) return nullptr;
        drawn[std::size_t(i)] = {int(sizeof(XPLMDrawInfo_t)), fields[0], fields[1], fields[2],
                                 fields[3],                   fields[4], fields[5]};
    }
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        XPLMDrawObjects(BM_Handle(object), count, drawn.data(), lighting, earthRelative);
        return BM_One();
    });
}

PyObject* PY_XPLMUnloadObject(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t object;
    const char* function = "XPLMUnloadObject";
    if (!BM_ParseTuple(args, "O" BM_H, &script, &object)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        return BM_RemoveFound(BM_Table().FindRecord(script, BM_RecordKey::Object(BM_Handle(object))));
    });
}

// The enumeration runs inside the call: the first exception the callable raises ends the calls
// into it and is raised to the caller.
struct Enumeration {
    PyObject* callable;
    PyObject* ref;
    bool failed;
};

void EnumerateFile(const char* path, void* refcon) {
    auto* e = static_cast<Enumeration*>(refcon);
    if (e->failed) return;
    PyObject* result = PyObject_CallFunction(e->callable, const_cast<char*>("NO"), BM_TextFromUtf8(path), e->ref);
    if (!result) e->failed = true;
    Py_XDECREF(result);
}

PyObject* PY_XPLMLookupObjects(PyObject*, PyObject* args) {
    const char* path;
    float latitude, longitude;
    PyObject *callable, *ref;
    const char* function = "XPLMLookupObjects";
    if (!BM_ParseTuple(args, "sO&O&OO", &path, BM_ConvertFloat, &latitude, BM_ConvertFloat, &longitude, &callable,
                       &ref))
        return nullptr;
    if (callable != Py_None && !BM_CheckCallable(callable, function, "the enumerator")) return nullptr;
    Enumeration e{callable, ref, false};
    PyObject* result = BM_CallHost(kModule, function, BM_Zero, [&] {
        return BM_IntFromLong(
            XPLMLookupObjects(path, latitude, longitude, callable == Py_None ? nullptr : EnumerateFile, &e));
    });
    if (e.failed && PyErr_Occurred()) {
        Py_XDECREF(result);
        return nullptr;
    }
    return result;
}

const BM_Constant kConstants[] = {
    {"xplm_ProbeY", xplm_ProbeY},
    {"xplm_ProbeHitTerrain", xplm_ProbeHitTerrain},
    {"xplm_ProbeError", xplm_ProbeError},
    {"xplm_ProbeMissed", xplm_ProbeMissed},
};

PyMethodDef XPLMSceneryMethods[] = {
    {"XPLMCreateProbe", PY_XPLMCreateProbe, METH_VARARGS,
     "Creates a terrain probe of the script.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inProbeType: xplm_ProbeY, the only type\n"
     "\n"
     "The probe belongs to the script and is destroyed when the script stops.\n"
     "Returns the probe (an int), or 0 when the simulator refused it (another type)."},
    {"XPLMDestroyProbe", PY_XPLMDestroyProbe, METH_VARARGS,
     "Destroys a probe the script created.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inProbe: the probe XPLMCreateProbe returned\n"
     "\n"
     "Returns 1 when the probe went, 0 when it is no probe this script created."},
    {"XPLMProbeTerrainXYZ", PY_XPLMProbeTerrainXYZ, METH_VARARGS,
     "Finds the terrain on the vertical line through a point in local coordinates.\n"
     "\n"
     "inProbe: the probe XPLMCreateProbe returned\n"
     "inX: east, in metres (local OpenGL coordinates)\n"
     "inY: up, in metres (the line is vertical: it does not matter)\n"
     "inZ: south, in metres\n"
     "\n"
     "Returns an XPLMProbeInfo_t: result (xplm_ProbeHitTerrain, xplm_ProbeError or\n"
     "xplm_ProbeMissed), then locationX, locationY, locationZ (the hit point), normalX, normalY,\n"
     "normalZ, velocityX, velocityY, velocityZ and is_wet (1 over water); all 0 but the result\n"
     "when the terrain was not hit. Another script's probe gives xplm_ProbeError."},
    {"XPLMGetMagneticVariation", PY_XPLMGetMagneticVariation, METH_VARARGS,
     "Tells the magnetic variation the simulator uses at a point.\n"
     "\n"
     "latitude: degrees north\n"
     "longitude: degrees east\n"
     "\n"
     "Returns the variation in degrees, east positive, as a float."},
    {"XPLMDegTrueToDegMagnetic", PY_XPLMDegTrueToDegMagnetic, METH_VARARGS,
     "Turns a true heading into a magnetic one at the user's aircraft.\n"
     "\n"
     "headingDegreesTrue: the true heading in degrees\n"
     "\n"
     "Returns the magnetic heading, 0 up to 360, as a float."},
    {"XPLMDegMagneticToDegTrue", PY_XPLMDegMagneticToDegTrue, METH_VARARGS,
     "Turns a magnetic heading into a true one at the user's aircraft.\n"
     "\n"
     "headingDegreesMagnetic: the magnetic heading in degrees\n"
     "\n"
     "Returns the true heading, 0 up to 360, as a float."},
    {"XPLMLoadObject", PY_XPLMLoadObject, METH_VARARGS,
     "Loads an object (an OBJ8 file) for the script.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inPath: the file's path relative to the simulator folder\n"
     "\n"
     "Each load needs its own XPLMUnloadObject; what the script has not unloaded is unloaded when\n"
     "it stops.\n"
     "Returns the object (an int), or 0 when the file is missing or no object."},
    {"XPLMLoadObjectAsync", PY_XPLMLoadObjectAsync, METH_VARARGS,
     "Loads an object in the background; the callback gets it on a later frame.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inPath: the file's path relative to the simulator folder\n"
     "inCallback: called once as inCallback(object, refcon): the object, or 0 when it could\n"
     "    not be loaded\n"
     "inRefcon: an int handed back to the callback\n"
     "\n"
     "The object is the script's as if XPLMLoadObject had loaded it. A load arriving after the\n"
     "script stopped or reloaded, or while it is disabled, calls nothing and is unloaded.\n"
     "Returns 1. Raises TypeError when inCallback is not callable."},
    {"XPLMDrawObjects", PY_XPLMDrawObjects, METH_VARARGS,
     "Draws an object at several places, from a 3-D drawing callback (deprecated: use instances).\n"
     "\n"
     "inObject: the object\n"
     "inCount: how many of inLocations to draw\n"
     "inLocations: a list of XPLMDrawInfo_t, each a dict {\"x\", \"y\", \"z\", \"pitch\",\n"
     "    \"heading\", \"roll\"} or a sequence in that order (the angles may be left out)\n"
     "lighting: 1 with the night lights on\n"
     "earth_relative: 1 for angles relative to the earth, 0 to local coordinates\n"
     "\n"
     "Returns 1. Raises ValueError when inCount is negative or above len(inLocations)."},
    {"XPLMUnloadObject", PY_XPLMUnloadObject, METH_VARARGS,
     "Gives back one load of an object the script loaded.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inObject: the object XPLMLoadObject or the load callback gave\n"
     "\n"
     "Returns 1 when a load went, 0 when the script holds no load of it."},
    {"XPLMLookupObjects", PY_XPLMLookupObjects, METH_VARARGS,
     "Finds the files a library path stands for, calling back before it returns.\n"
     "\n"
     "inPath: the library (virtual) path, e.g. \"lib/trees/oak.obj\"\n"
     "inLatitude: where the object is to stand, degrees north\n"
     "inLongitude: degrees east\n"
     "enumerator: called as enumerator(filePath, ref) for each file (its path relative to the\n"
     "    simulator folder), or None to count only\n"
     "ref: any object, handed to the enumerator\n"
     "\n"
     "Returns how many files there are. What the enumerator raises ends the calls and is raised\n"
     "here."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMScenery() {
    BM_InitModule(kModule, XPLMSceneryMethods, kConstants, int(sizeof(kConstants) / sizeof(kConstants[0])));
}
