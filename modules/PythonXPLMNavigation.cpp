// XPLMNavigation: the navigation database and the flight management entries.
//
// Navigation refs, types, FMS indices, altitudes and frequencies are C ints: an integer beyond
// them raises OverflowError (the "i" format's), never reaches the simulator narrowed.
#include <climits>

#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMNavigation.h"

namespace {

const char kModule[] = "XPLMNavigation";

const BM_Constant kConstants[] = {
    {"xplm_Nav_Unknown", xplm_Nav_Unknown},
    {"xplm_Nav_Airport", xplm_Nav_Airport},
    {"xplm_Nav_NDB", xplm_Nav_NDB},
    {"xplm_Nav_VOR", xplm_Nav_VOR},
    {"xplm_Nav_ILS", xplm_Nav_ILS},
    {"xplm_Nav_Localizer", xplm_Nav_Localizer},
    {"xplm_Nav_GlideSlope", xplm_Nav_GlideSlope},
    {"xplm_Nav_OuterMarker", xplm_Nav_OuterMarker},
    {"xplm_Nav_MiddleMarker", xplm_Nav_MiddleMarker},
    {"xplm_Nav_InnerMarker", xplm_Nav_InnerMarker},
    {"xplm_Nav_Fix", xplm_Nav_Fix},
    {"xplm_Nav_DME", xplm_Nav_DME},
    {"xplm_Nav_LatLon", xplm_Nav_LatLon},
    {"XPLM_NAV_NOT_FOUND", XPLM_NAV_NOT_FOUND},
};

// Error results: the not-found ref for refs, counts, indices and types; (-1,) for the info lists.
PyObject* MinusOne() { return BM_IntFromLong(-1); }
PyObject* MinusOneTuple() { return Py_BuildValue("(i)", -1); }
PyObject* OneTuple() { return Py_BuildValue("(i)", 1); }

// The simulator buffers of IDs and names.
constexpr std::size_t kTextBuffer = 1024;

// A function without arguments (any given are ignored) that answers the simulator's int.
template <typename Host>
PyObject* IntResult(const char* function, Host host) {
    return BM_CallHost(kModule, function, MinusOne, [&] { return BM_IntFromLong(host()); });
}

// A function of one int that answers the simulator's int.
template <typename Host>
PyObject* IntOfInt(PyObject* args, const char* function, Host host) {
    int value;
    if (!BM_ParseTuple(args, "i", &value)) return nullptr;
    return BM_CallHost(kModule, function, MinusOne, [&] { return BM_IntFromLong(host(value)); });
}

// A function of one FMS index that answers 1.
template <typename Host>
PyObject* SetIndex(PyObject* args, const char* function, Host host) {
    int index;
    if (!BM_ParseTuple(args, "i", &index)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        host(index);
        return BM_One();
    });
}

// ---- The search objects of XPLMFindNavAid: None gives the simulator a null pointer ----

struct OptionalText {
    PyObject* bytes = nullptr;  // owned
    const char* chars = nullptr;
    OptionalText() = default;
    ~OptionalText() { Py_XDECREF(bytes); }
    OptionalText(const OptionalText&) = delete;
    OptionalText& operator=(const OptionalText&) = delete;
};

int ConvertOptionalText(PyObject* object, void* out) {
    auto* text = static_cast<OptionalText*>(out);
    if (object == Py_None) return 1;
    if (!BM_IsBytesOrText(object)) {
        PyErr_Format(PyExc_TypeError, "XPLMFindNavAid: a name or ID fragment is a string or None, not %.100s",
                     Py_TYPE(object)->tp_name);
        return 0;
    }
    PyObject* bytes = BM_EncodedBytes(object);
    char* chars;
    Py_ssize_t length;
    if (!bytes || !BM_BytesOf(bytes, &chars, &length)) {
        Py_XDECREF(bytes);
        return 0;
    }
    if (Py_ssize_t(strlen(chars)) != length) {
        Py_DECREF(bytes);
        PyErr_SetString(PyExc_ValueError, "XPLMFindNavAid: a name or ID fragment holds a null character");
        return 0;
    }
    text->bytes = bytes;
    text->chars = chars;
    return 1;
}

struct OptionalFloat {
    bool given = false;
    float value = 0.0f;
};

// A number that a C float holds (BM_ConvertFloat), or None.
int ConvertOptionalFloat(PyObject* object, void* out) {
    auto* number = static_cast<OptionalFloat*>(out);
    if (object == Py_None) return 1;
    if (!BM_ConvertFloat(object, &number->value)) return 0;
    number->given = true;
    return 1;
}

struct OptionalInt {
    bool given = false;
    int value = 0;
};

// An integer that a C int holds, or None; under 2.7 a float too, truncated as every integer
// argument's is (BM_IntegerArgument).
int ConvertOptionalInt(PyObject* object, void* out) {
    auto* number = static_cast<OptionalInt*>(out);
    if (object == Py_None) return 1;
    PyObject* integer = BM_IntegerArgument(object, "XPLMFindNavAid: the frequency");
    if (!integer) return 0;
    long value = BM_IntAsLong(integer);
    Py_DECREF(integer);
    if (value == -1 && PyErr_Occurred()) return 0;
    if (value < INT_MIN || value > INT_MAX) {
        PyErr_SetString(PyExc_OverflowError, "XPLMFindNavAid: the frequency is out of range for a C int");
        return 0;
    }
    number->value = int(value);
    number->given = true;
    return 1;
}

// ---- The database ----

PyObject* PY_XPLMGetFirstNavAid(PyObject*, PyObject*) {
    return IntResult("XPLMGetFirstNavAid", [] { return XPLMGetFirstNavAid(); });
}

PyObject* PY_XPLMGetNextNavAid(PyObject*, PyObject* args) {
    return IntOfInt(args, "XPLMGetNextNavAid", XPLMGetNextNavAid);
}

PyObject* PY_XPLMFindFirstNavAidOfType(PyObject*, PyObject* args) {
    return IntOfInt(args, "XPLMFindFirstNavAidOfType", XPLMFindFirstNavAidOfType);
}

PyObject* PY_XPLMFindLastNavAidOfType(PyObject*, PyObject* args) {
    return IntOfInt(args, "XPLMFindLastNavAidOfType", XPLMFindLastNavAidOfType);
}

PyObject* PY_XPLMFindNavAid(PyObject*, PyObject* args) {
    OptionalText name, id;
    OptionalFloat latitude, longitude;
    OptionalInt frequency;
    int type;
    if (!BM_ParseTuple(args, "O&O&O&O&O&i", ConvertOptionalText, &name, ConvertOptionalText, &id,
                       ConvertOptionalFloat, &latitude, ConvertOptionalFloat, &longitude, ConvertOptionalInt,
                       &frequency, &type))
        return nullptr;
    return BM_CallHost(kModule, "XPLMFindNavAid", MinusOne, [&] {
        return BM_IntFromLong(XPLMFindNavAid(name.chars, id.chars, latitude.given ? &latitude.value : nullptr,
                                             longitude.given ? &longitude.value : nullptr,
                                             frequency.given ? &frequency.value : nullptr, type));
    });
}

PyObject* PY_XPLMGetNavAidInfo(PyObject*, PyObject* args) {
    const char* function = "XPLMGetNavAidInfo";
    int ref;
    PyObject *typeList, *latitudeList, *longitudeList, *heightList, *frequencyList, *headingList, *idList, *nameList,
        *regionList;
    if (!BM_ParseTuple(args, "iOOOOOOOOO", &ref, &typeList, &latitudeList, &longitudeList, &heightList,
                       &frequencyList, &headingList, &idList, &nameList, &regionList))
        return nullptr;
    for (PyObject* list : {typeList, latitudeList, longitudeList, heightList, frequencyList, headingList, idList,
                           nameList, regionList})
        if (!BM_CheckOutParameter(list, function)) return nullptr;
    return BM_CallHost(kModule, function, MinusOneTuple, [&] {
        XPLMNavType type = xplm_Nav_Unknown;
        float latitude = 0.0f, longitude = 0.0f, height = 0.0f, heading = 0.0f;
        int frequency = 0;
        char id[kTextBuffer] = "", name[kTextBuffer] = "", region = 0;
        auto place = [](PyObject* list, auto* value) { return list == Py_None ? nullptr : value; };
        XPLMGetNavAidInfo(ref, place(typeList, &type), place(latitudeList, &latitude),
                          place(longitudeList, &longitude), place(heightList, &height),
                          place(frequencyList, &frequency), place(headingList, &heading), place(idList, id),
                          place(nameList, name), place(regionList, &region));
        id[kTextBuffer - 1] = name[kTextBuffer - 1] = '\0';
        BM_WriteOutParameter(typeList, BM_IntFromLong(type));
        BM_WriteOutParameter(latitudeList, PyFloat_FromDouble(latitude));
        BM_WriteOutParameter(longitudeList, PyFloat_FromDouble(longitude));
        BM_WriteOutParameter(heightList, PyFloat_FromDouble(height));
        BM_WriteOutParameter(frequencyList, BM_IntFromLong(frequency < 0 ? 0 : frequency));
        BM_WriteOutParameter(headingList, PyFloat_FromDouble(heading < 0.0f ? 0.0 : double(heading)));
        BM_WriteOutParameter(idList, BM_TextFromUtf8(id));
        BM_WriteOutParameter(nameList, BM_TextFromUtf8(name));
        BM_WriteOutParameter(regionList, BM_IntFromLong(static_cast<signed char>(region)));
        return PyErr_Occurred() ? nullptr : OneTuple();  // a list that could not grow: MemoryError
    });
}

// ---- The flight management system ----

PyObject* PY_XPLMCountFMSEntries(PyObject*, PyObject*) {
    return IntResult("XPLMCountFMSEntries", [] { return XPLMCountFMSEntries(); });
}

PyObject* PY_XPLMGetDisplayedFMSEntry(PyObject*, PyObject*) {
    return IntResult("XPLMGetDisplayedFMSEntry", [] { return XPLMGetDisplayedFMSEntry(); });
}

PyObject* PY_XPLMGetDestinationFMSEntry(PyObject*, PyObject*) {
    return IntResult("XPLMGetDestinationFMSEntry", [] { return XPLMGetDestinationFMSEntry(); });
}

PyObject* PY_XPLMSetDisplayedFMSEntry(PyObject*, PyObject* args) {
    return SetIndex(args, "XPLMSetDisplayedFMSEntry", XPLMSetDisplayedFMSEntry);
}

PyObject* PY_XPLMSetDestinationFMSEntry(PyObject*, PyObject* args) {
    return SetIndex(args, "XPLMSetDestinationFMSEntry", XPLMSetDestinationFMSEntry);
}

PyObject* PY_XPLMGetFMSEntryInfo(PyObject*, PyObject* args) {
    const char* function = "XPLMGetFMSEntryInfo";
    int index;
    PyObject *typeList, *idList, *refList, *altitudeList, *latitudeList, *longitudeList;
    if (!BM_ParseTuple(args, "iOOOOOO", &index, &typeList, &idList, &refList, &altitudeList, &latitudeList,
                       &longitudeList))
        return nullptr;
    for (PyObject* list : {typeList, idList, refList, altitudeList, latitudeList, longitudeList})
        if (!BM_CheckOutParameter(list, function)) return nullptr;
    return BM_CallHost(kModule, function, MinusOneTuple, [&] {
        XPLMNavType type = xplm_Nav_Unknown;
        XPLMNavRef ref = XPLM_NAV_NOT_FOUND;
        int altitude = 0;
        float latitude = 0.0f, longitude = 0.0f;
        char id[kTextBuffer] = "";
        auto place = [](PyObject* list, auto* value) { return list == Py_None ? nullptr : value; };
        XPLMGetFMSEntryInfo(index, place(typeList, &type), place(idList, id), place(refList, &ref),
                            place(altitudeList, &altitude), place(latitudeList, &latitude),
                            place(longitudeList, &longitude));
        id[kTextBuffer - 1] = '\0';
        BM_WriteOutParameter(idList, BM_TextFromUtf8(id));
        BM_WriteOutParameter(refList, BM_IntFromLong(ref));
        BM_WriteOutParameter(typeList, BM_IntFromLong(type));
        BM_WriteOutParameter(altitudeList, BM_IntFromLong(altitude));
        BM_WriteOutParameter(latitudeList, PyFloat_FromDouble(latitude));
        BM_WriteOutParameter(longitudeList, PyFloat_FromDouble(longitude));
        return PyErr_Occurred() ? nullptr : OneTuple();
    });
}

PyObject* PY_XPLMSetFMSEntryInfo(PyObject*, PyObject* args) {
    int index, ref, altitude;
    if (!BM_ParseTuple(args, "iii", &index, &ref, &altitude)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetFMSEntryInfo", BM_Zero, [&] {
        XPLMSetFMSEntryInfo(index, ref, altitude);
        return BM_One();
    });
}

PyObject* PY_XPLMSetFMSEntryLatLon(PyObject*, PyObject* args) {
    int index, altitude;
    float latitude, longitude;
    if (!BM_ParseTuple(args, "iO&O&i", &index, BM_ConvertFloat, &latitude, BM_ConvertFloat, &longitude, &altitude))
        return nullptr;
    return BM_CallHost(kModule, "XPLMSetFMSEntryLatLon", BM_Zero, [&] {
        XPLMSetFMSEntryLatLon(index, latitude, longitude, altitude);
        return BM_One();
    });
}

PyObject* PY_XPLMClearFMSEntry(PyObject*, PyObject* args) {
    return SetIndex(args, "XPLMClearFMSEntry", XPLMClearFMSEntry);
}

PyObject* PY_XPLMGetGPSDestinationType(PyObject*, PyObject*) {
    return IntResult("XPLMGetGPSDestinationType", [] { return XPLMGetGPSDestinationType(); });
}

PyObject* PY_XPLMGetGPSDestination(PyObject*, PyObject*) {
    return IntResult("XPLMGetGPSDestination", [] { return XPLMGetGPSDestination(); });
}

PyMethodDef XPLMNavigationMethods[] = {
    {"XPLMGetFirstNavAid", PY_XPLMGetFirstNavAid, METH_NOARGS,
     "Finds the first navaid of the database, to walk it with XPLMGetNextNavAid.\n"
     "\n"
     "Returns the navaid ref (an int), or XPLM_NAV_NOT_FOUND (-1) when the database is empty."},
    {"XPLMGetNextNavAid", PY_XPLMGetNextNavAid, METH_VARARGS,
     "Finds the navaid after another in the database.\n"
     "\n"
     "inNavAidRef: a navaid ref\n"
     "\n"
     "Returns the next navaid ref, or XPLM_NAV_NOT_FOUND (-1) after the last."},
    {"XPLMFindFirstNavAidOfType", PY_XPLMFindFirstNavAidOfType, METH_VARARGS,
     "Finds the first navaid of a type in the database.\n"
     "\n"
     "inType: an xplm_Nav_* type\n"
     "\n"
     "Returns the navaid ref, or XPLM_NAV_NOT_FOUND (-1) when there is none of that type."},
    {"XPLMFindLastNavAidOfType", PY_XPLMFindLastNavAidOfType, METH_VARARGS,
     "Finds the last navaid of a type in the database.\n"
     "\n"
     "inType: an xplm_Nav_* type\n"
     "\n"
     "Returns the navaid ref, or XPLM_NAV_NOT_FOUND (-1) when there is none of that type."},
    {"XPLMFindNavAid", PY_XPLMFindNavAid, METH_VARARGS,
     "Searches the database for a navaid; None leaves a criterion out.\n"
     "\n"
     "inNameFragment: a piece of the navaid's name, or None\n"
     "inIDFragment: a piece of its identifier, or None\n"
     "inLat, inLon: with both given, the match nearest this point is taken (else the last match);\n"
     "    or None\n"
     "inFrequency: the frequency in the database's units (kHz for NDBs, MHz x 100 for the\n"
     "    others: 113.10 MHz is 11310), or None\n"
     "inType: the xplm_Nav_* types to look at, or-ed together\n"
     "\n"
     "Returns the navaid ref, or XPLM_NAV_NOT_FOUND (-1) when none matches. Raises TypeError for\n"
     "a fragment that is\n"
     "no string."},
    {"XPLMGetNavAidInfo", PY_XPLMGetNavAidInfo, METH_VARARGS,
     "Describes a navaid.\n"
     "\n"
     "inRef: the navaid ref\n"
     "outType: its xplm_Nav_* type\n"
     "outLatitude, outLongitude: where it is, in degrees\n"
     "outHeight: its elevation, in feet as the database holds it\n"
     "outFrequency: its frequency in the database's units (0 for none)\n"
     "outHeading: its heading, for localizers (0.0 for none)\n"
     "outID: its identifier\n"
     "outName: its name\n"
     "outReg: 1 when it lies in the loaded scenery region\n"
     "\n"
     "Each out argument is a list whose element 0 gets the value (appended when the list is empty),\n"
     "or None for a value not wanted. Raises TypeError for one that is neither.\n"
     "Returns the tuple (1,); (-1,) when the simulator failed."},
    {"XPLMCountFMSEntries", PY_XPLMCountFMSEntries, METH_NOARGS,
     "Counts the entries of the FMS flight plan.\n"
     "\n"
     "Returns the count as an int."},
    {"XPLMGetDisplayedFMSEntry", PY_XPLMGetDisplayedFMSEntry, METH_NOARGS,
     "Tells which FMS entry the FMS shows.\n"
     "\n"
     "Returns the entry's index."},
    {"XPLMGetDestinationFMSEntry", PY_XPLMGetDestinationFMSEntry, METH_NOARGS,
     "Tells which FMS entry the aircraft flies to.\n"
     "\n"
     "Returns the entry's index."},
    {"XPLMSetDisplayedFMSEntry", PY_XPLMSetDisplayedFMSEntry, METH_VARARGS,
     "Makes the FMS show an entry.\n"
     "\n"
     "inIndex: the entry's index\n"
     "\n"
     "Returns 1."},
    {"XPLMSetDestinationFMSEntry", PY_XPLMSetDestinationFMSEntry, METH_VARARGS,
     "Makes an FMS entry the one the aircraft flies to.\n"
     "\n"
     "inIndex: the entry's index\n"
     "\n"
     "Returns 1."},
    {"XPLMGetFMSEntryInfo", PY_XPLMGetFMSEntryInfo, METH_VARARGS,
     "Describes an FMS entry.\n"
     "\n"
     "inIndex: the entry's index\n"
     "outType: its xplm_Nav_* type (xplm_Nav_LatLon for a plain position)\n"
     "outID: its navaid's identifier\n"
     "outRef: its navaid ref, or XPLM_NAV_NOT_FOUND (-1)\n"
     "outAltitude: its altitude in feet\n"
     "outLat, outLon: where it is, in degrees\n"
     "\n"
     "Each out argument is a list whose element 0 gets the value (appended when the list is empty),\n"
     "or None for a value not wanted. Raises TypeError for one that is neither.\n"
     "Returns the tuple (1,); (-1,) when the simulator failed."},
    {"XPLMSetFMSEntryInfo", PY_XPLMSetFMSEntryInfo, METH_VARARGS,
     "Sets an FMS entry to a navaid.\n"
     "\n"
     "inIndex: the entry's index\n"
     "inRef: the navaid ref\n"
     "inAltitude: the altitude in feet\n"
     "\n"
     "Returns 1."},
    {"XPLMSetFMSEntryLatLon", PY_XPLMSetFMSEntryLatLon, METH_VARARGS,
     "Sets an FMS entry to a position.\n"
     "\n"
     "inIndex: the entry's index\n"
     "inLat, inLon: the position in degrees\n"
     "inAltitude: the altitude in feet\n"
     "\n"
     "Returns 1."},
    {"XPLMClearFMSEntry", PY_XPLMClearFMSEntry, METH_VARARGS,
     "Clears an FMS entry.\n"
     "\n"
     "inIndex: the entry's index\n"
     "\n"
     "Returns 1."},
    {"XPLMGetGPSDestinationType", PY_XPLMGetGPSDestinationType, METH_NOARGS,
     "Tells the type of what the GPS flies to.\n"
     "\n"
     "Returns an xplm_Nav_* type."},
    {"XPLMGetGPSDestination", PY_XPLMGetGPSDestination, METH_NOARGS,
     "Tells what the GPS flies to.\n"
     "\n"
     "Returns the navaid ref, or XPLM_NAV_NOT_FOUND (-1)."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMNavigation() {
    BM_InitModule(kModule, XPLMNavigationMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
}
