// XPLMPlanes: the user's aircraft, the other aircraft and their models, exclusive use of the
// other aircraft, and drawing an aircraft.
//
// The other aircraft are one resource of the simulator that several scripts may ask for. Each
// script that asked holds one record (asking again renews it); the simulator holds the newest
// record as the refcon of its planes-available callback. The aircraft go back to the simulator
// when the last record goes: a script releases them or is stopped.
#include <cstring>
#include <vector>

#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMPlanes.h"

namespace {

const char kModule[] = "XPLMPlanes";

// File names and paths the simulator writes: it needs at most 512 bytes.
constexpr int kPathBuffer = 1024;

PyObject* ZeroCounts() { return Py_BuildValue("(iii)", 0, 0, 0); }
PyObject* EmptyModel() { return Py_BuildValue("(ss)", "", ""); }

template <void (*Host)(const char*)>
PyObject* CallWithText(const char* function, PyObject* args) {
    const char* text;
    if (!BM_ParseTuple(args, "s", &text)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        Host(text);
        return BM_One();
    });
}

PyObject* PY_XPLMSetUsersAircraft(PyObject*, PyObject* args) {
    return CallWithText<XPLMSetUsersAircraft>("XPLMSetUsersAircraft", args);
}

PyObject* PY_XPLMPlaceUserAtAirport(PyObject*, PyObject* args) {
    return CallWithText<XPLMPlaceUserAtAirport>("XPLMPlaceUserAtAirport", args);
}

PyObject* PY_XPLMPlaceUserAtLocation(PyObject*, PyObject* args) {
    double latitude, longitude;
    float elevation, heading, speed;
    if (!BM_ParseTuple(args, "ddO&O&O&", &latitude, &longitude, BM_ConvertFloat, &elevation, BM_ConvertFloat, &heading,
                       BM_ConvertFloat, &speed))
        return nullptr;
    return BM_CallHost(kModule, "XPLMPlaceUserAtLocation", BM_Zero, [&] {
        XPLMPlaceUserAtLocation(latitude, longitude, elevation, heading, speed);
        return BM_One();
    });
}

PyObject* PY_XPLMCountAircraft(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMCountAircraft", ZeroCounts, [] {
        int total = 0, active = 0;
        XPLMPluginID controller = 0;
        XPLMCountAircraft(&total, &active, &controller);
        return Py_BuildValue("(iii)", total, active, controller);
    });
}

// (file name, path); the path in the slash form scripts use.
PyObject* PY_XPLMGetNthAircraftModel(PyObject*, PyObject* args) {
    int index;
    if (!BM_ParseTuple(args, "i", &index)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetNthAircraftModel", EmptyModel, [&] {
        char file[kPathBuffer] = {}, path[kPathBuffer] = {};
        XPLMGetNthAircraftModel(index, file, path);
        file[kPathBuffer - 1] = path[kPathBuffer - 1] = '\0';
        return Py_BuildValue("(NN)", BM_TextFromUtf8(file), BM_TextFromUtf8(BM_ScriptPath(path).c_str()));
    });
}

// The aircraft to load: None loads none; a list of paths, one per aircraft from the first
// other aircraft on, where an empty string leaves that aircraft as it is. The simulator reads
// the array up to its null entry. The paths' bytes live as long as this.
struct AircraftArray {
    std::vector<PyObject*> bytes;
    std::vector<char*> paths;
    ~AircraftArray() {
        for (PyObject* item : bytes) Py_DECREF(item);
    }
    bool Read(PyObject* list) {
        if (list == Py_None) return true;
        if (!PyList_Check(list)) {
            PyErr_SetString(PyExc_TypeError, "XPLMAcquirePlanes: the aircraft are a list of paths or None");
            return false;
        }
        bytes.reserve(std::size_t(PyList_Size(list)));
        paths.reserve(std::size_t(PyList_Size(list)) + 1);
        for (Py_ssize_t i = 0; i < PyList_Size(list); ++i) {
            PyObject* item = PyList_GetItem(list, i);
            PyObject* encoded = BM_IsBytesOrText(item) ? BM_EncodedBytes(item) : nullptr;
            if (!encoded) {
                if (!PyErr_Occurred())
                    PyErr_Format(PyExc_TypeError, "XPLMAcquirePlanes: aircraft %d is %.200s, not a path", int(i),
                                 Py_TYPE(item)->tp_name);
                return false;
            }
            bytes.push_back(encoded);
            char* data;
            Py_ssize_t length;
            if (!BM_BytesOf(encoded, &data, &length)) return false;
            if (Py_ssize_t(std::strlen(data)) != length) {
                PyErr_Format(PyExc_ValueError, "XPLMAcquirePlanes: aircraft %d holds a NUL character", int(i));
                return false;
            }
            paths.push_back(data);
        }
        paths.push_back(nullptr);
        return true;
    }
};

_CallbackRecordStruct* PlanesRecord(PyObject* script) {
    return BM_Table().FindRecord(script, BM_RecordKey::AnyOf(BM_KindPlanesAvailable));
}

// The last record gone, the aircraft go back. Otherwise the simulator keeps them for the
// scripts that remain; if it was waiting to call this record, the trampoline finds it gone.
void ReleasePlanesRecord(_CallbackRecordStruct&) {
    if (BM_Table().GetNumberOfPlanesAvailableScriptUsers() == 0) XPLMReleasePlanes();
}

// Answers what the simulator answered: 1 when the aircraft are the plug-in's, 0 when another
// plug-in has them (the callable is called once they are free).
PyObject* PY_XPLMAcquirePlanes(PyObject*, PyObject* args) {
    PyObject *script, *list, *callable;
    Py_ssize_t refcon;
    const char* function = "XPLMAcquirePlanes";
    if (!BM_ParseTuple(args, "OOO" BM_H, &script, &list, &callable, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    return BM_RaiseInstead([&]() -> PyObject* {
        AircraftArray aircraft;
        if (!aircraft.Read(list)) return nullptr;
        char** paths = list == Py_None ? nullptr : aircraft.paths.data();
        return BM_CallHost(kModule, function, BM_Zero, [&] {
            int granted = 0;
            // Asking again renews the script's record: the new one is the simulator's first,
            // so that the old one's going gives nothing back.
            _CallbackRecordStruct* old = PlanesRecord(script);
            _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindPlanesAvailable, callable, BM_Refcon(refcon));
            BM_Table().SetHandle(record, record);
            BM_RegisterRecord(record, ReleasePlanesRecord, [&] {
                granted = XPLMAcquirePlanes(paths, BM_PlanesAvailableCallback, record);
                return true;
            });
            if (old) BM_Table().RemoveRecord(old);
            return BM_IntFromLong(granted);
        });
    });
}

// The script's record goes; with none left (or none at all), the simulator gets the aircraft back.
PyObject* PY_XPLMReleasePlanes(PyObject*, PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script) || !BM_CheckScript(script, "XPLMReleasePlanes")) return nullptr;
    return BM_CallHost(kModule, "XPLMReleasePlanes", BM_Zero, [&] {
        if (_CallbackRecordStruct* record = PlanesRecord(script)) {
            if (BM_CallerOwns(record)) BM_Table().RemoveRecord(record);  // not for another script
        }
        else if (BM_Table().GetNumberOfPlanesAvailableScriptUsers() == 0)
            XPLMReleasePlanes();
        return BM_One();
    });
}

PyObject* PY_XPLMSetActiveAircraftCount(PyObject*, PyObject* args) {
    return BM_CallWithInt(kModule, "XPLMSetActiveAircraftCount", args, XPLMSetActiveAircraftCount);
}

PyObject* PY_XPLMSetAircraftModel(PyObject*, PyObject* args) {
    int index;
    const char* path;
    if (!BM_ParseTuple(args, "is", &index, &path)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetAircraftModel", BM_Zero, [&] {
        XPLMSetAircraftModel(index, path);
        return BM_One();
    });
}

PyObject* PY_XPLMDisableAIForPlane(PyObject*, PyObject* args) {
    return BM_CallWithInt(kModule, "XPLMDisableAIForPlane", args, XPLMDisableAIForPlane);
}

// The drawing state is a sequence of eleven numbers: the record's size, then gear, flaps,
// spoilers, speed brakes, slats, wing sweep, thrust and the yoke's pitch, heading and roll. The
// size tells the simulator how much of the record to read, so it may not exceed the record.
bool ReadDrawState(PyObject* sequence, XPLMPlaneDrawState_t& state) {
    const char* function = "XPLMDrawAircraft";
    // The length first: a lazy sequence is never made whole.
    Py_ssize_t length = PySequence_Check(sequence) ? PySequence_Size(sequence) : -1;
    if (length < 0) {
        if (!PyErr_Occurred())
            PyErr_Format(PyExc_TypeError, "%s: the drawing state is a sequence of eleven numbers, not %.100s", function,
                         Py_TYPE(sequence)->tp_name);
        return false;
    }
    if (length != 11) {
        PyErr_Format(PyExc_ValueError, "%s: the drawing state has eleven numbers, not %zd", function, length);
        return false;
    }
    PyObject* first = PySequence_GetItem(sequence, 0);
    PyObject* index = first ? PyNumber_Index(first) : nullptr;  // an integer, never a float
    long size = index ? BM_IntAsLong(index) : -1;
    Py_XDECREF(index);
    Py_XDECREF(first);
    if (size == -1 && PyErr_Occurred()) return false;
    if (size < 0 || size > long(sizeof(XPLMPlaneDrawState_t))) {
        PyErr_Format(PyExc_ValueError, "%s: the drawing state's size is 0 to %d, not %ld", function,
                     int(sizeof(XPLMPlaneDrawState_t)), size);
        return false;
    }
    state.structSize = int(size);
    float* fields[10] = {&state.gearPosition, &state.flapRatio,   &state.spoilerRatio, &state.speedBrakeRatio,
                         &state.slatRatio,    &state.wingSweep,   &state.thrust,       &state.yokePitch,
                         &state.yokeHeading,  &state.yokeRoll};
    for (int i = 0; i < 10; ++i) {
        PyObject* item = PySequence_GetItem(sequence, i + 1);
        bool ok = item && BM_ConvertFloat(item, fields[i]);
        Py_XDECREF(item);
        if (!ok) return false;
    }
    return true;
}

PyObject* PY_XPLMDrawAircraft(PyObject*, PyObject* args) {
    int plane, fullDraw;
    float x, y, z, pitch, roll, yaw;
    PyObject* sequence;
    if (!BM_ParseTuple(args, "iO&O&O&O&O&O&iO", &plane, BM_ConvertFloat, &x, BM_ConvertFloat, &y, BM_ConvertFloat, &z,
                       BM_ConvertFloat, &pitch, BM_ConvertFloat, &roll, BM_ConvertFloat, &yaw, &fullDraw, &sequence))
        return nullptr;
    XPLMPlaneDrawState_t state = {};
    if (!ReadDrawState(sequence, state)) return nullptr;
    return BM_CallHost(kModule, "XPLMDrawAircraft", BM_Zero, [&] {
        XPLMDrawAircraft(plane, x, y, z, pitch, roll, yaw, fullDraw, &state);
        return BM_One();
    });
}

PyObject* PY_XPLMReinitUsersPlane(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMReinitUsersPlane", BM_Zero, [] {
        XPLMReinitUsersPlane();
        return BM_One();
    });
}

PyMethodDef XPLMPlanesMethods[] = {
    {"XPLMSetUsersAircraft", PY_XPLMSetUsersAircraft, METH_VARARGS,
     "Loads another aircraft as the user's.\n"
     "\n"
     "inAircraftPath: the path of the aircraft's .acf file\n"
     "\n"
     "Returns 1."},
    {"XPLMPlaceUserAtAirport", PY_XPLMPlaceUserAtAirport, METH_VARARGS,
     "Places the user's aircraft at an airport, on its default runway.\n"
     "\n"
     "inAirportCode: the airport's ICAO code, e.g. \"KBOS\"\n"
     "\n"
     "Returns 1."},
    {"XPLMPlaceUserAtLocation", PY_XPLMPlaceUserAtLocation, METH_VARARGS,
     "Places the user's aircraft in flight at a point, engines running.\n"
     "\n"
     "latitudeDegrees: degrees north\n"
     "longitudeDegrees: degrees east\n"
     "elevationMetersMSL: metres above mean sea level\n"
     "headingDegreesTrue: the heading, degrees from true north\n"
     "speedMetersPerSecond: the speed along the heading, metres a second\n"
     "\n"
     "As a new flight, the scripts get XPLM_MSG_AIRPORT_LOADED (and XPLM_MSG_SCENERY_LOADED when\n"
     "the scenery moves with the aircraft).\n"
     "Returns 1."},
    {"XPLMCountAircraft", PY_XPLMCountAircraft, METH_NOARGS,
     "Counts the aircraft: all there can be, those active, and who controls the others.\n"
     "\n"
     "Returns the tuple (total, active, controller): controller is the id of the plug-in that\n"
     "has the other aircraft, or -1 for none."},
    {"XPLMGetNthAircraftModel", PY_XPLMGetNthAircraftModel, METH_VARARGS,
     "Tells the model an aircraft flies with.\n"
     "\n"
     "inIndex: the aircraft's index, 0 for the user's\n"
     "\n"
     "Returns the tuple (fileName, path), the path slash-separated; (\"\", \"\") when the\n"
     "simulator failed."},
    {"XPLMAcquirePlanes", PY_XPLMAcquirePlanes, METH_VARARGS,
     "Asks for exclusive use of the other aircraft, loading models into them.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inAircraft: None to load nothing, or a sequence of .acf paths, one per aircraft from the\n"
     "    first other aircraft on; an empty string leaves that aircraft as it is\n"
     "inCallback: called as inCallback(refcon) once the aircraft are free, when another plug-in\n"
     "    has them now\n"
     "inRefcon: an int handed back to the callback\n"
     "\n"
     "Asking again replaces the script's earlier request; the aircraft go back when the last script\n"
     "holding them releases them or stops.\n"
     "Returns 1 when the aircraft are the plug-in's now, 0 when another plug-in has them. Raises\n"
     "TypeError for an entry that is no path, ValueError for a path holding a NUL."},
    {"XPLMReleasePlanes", PY_XPLMReleasePlanes, METH_VARARGS,
     "Gives up the script's use of the other aircraft.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "\n"
     "When no script holds them any more, the simulator gets the aircraft back.\n"
     "Returns 1."},
    {"XPLMSetActiveAircraftCount", PY_XPLMSetActiveAircraftCount, METH_VARARGS,
     "Sets how many aircraft are active, the user's included (for the plug-in holding them).\n"
     "\n"
     "inCount: the number of aircraft\n"
     "\n"
     "Returns 1."},
    {"XPLMSetAircraftModel", PY_XPLMSetAircraftModel, METH_VARARGS,
     "Loads a model into one of the other aircraft (for the plug-in holding them).\n"
     "\n"
     "inIndex: the aircraft's index, 1 and up\n"
     "inAircraftPath: the path of the .acf file\n"
     "\n"
     "Returns 1."},
    {"XPLMDisableAIForPlane", PY_XPLMDisableAIForPlane, METH_VARARGS,
     "Turns off the simulator's AI for one of the other aircraft, so that a plug-in flies it.\n"
     "\n"
     "inPlaneIndex: the aircraft's index, 1 and up\n"
     "\n"
     "Returns 1."},
    {"XPLMDrawAircraft", PY_XPLMDrawAircraft, METH_VARARGS,
     "Draws an aircraft model at a place (deprecated in the simulator; call it from a draw callback).\n"
     "\n"
     "inPlaneIndex: the index of the aircraft whose model is drawn\n"
     "inX, inY, inZ: where, in local coordinates (metres)\n"
     "inPitch, inRoll, inYaw: the attitude in degrees\n"
     "inFullDraw: 1 to draw it in full detail\n"
     "inDrawStateInfo: eleven numbers: the record's size, then gear, flaps, spoilers, speed brakes,\n"
     "    slats, wing sweep, thrust, and the yoke's pitch, heading and roll\n"
     "\n"
     "Returns 1. Raises TypeError or ValueError for a drawing state that is not eleven numbers or\n"
     "whose size is out of range."},
    {"XPLMReinitUsersPlane", PY_XPLMReinitUsersPlane, METH_NOARGS,
     "Reinitialises the user's aircraft after its data refs were changed (e.g. its weight).\n"
     "\n"
     "Returns 1."},
    {nullptr, nullptr, 0, nullptr},
};

const BM_Constant kConstants[] = {{"XPLM_USER_AIRCRAFT", XPLM_USER_AIRCRAFT}};

}  // namespace

void initXPLMPlanes() { BM_InitModule(kModule, XPLMPlanesMethods, kConstants, 1); }
