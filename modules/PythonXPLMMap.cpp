// XPLMMap: layers of the simulator's maps, map creation hooks, icons, labels and projections.
#include <string>

#include "BrindlemoorBase.h"
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMMap.h"

namespace {

const char kModule[] = "XPLMMap";

const BM_Constant kConstants[] = {
    {"xplm_MapStyle_VFR_Sectional", xplm_MapStyle_VFR_Sectional},
    {"xplm_MapStyle_IFR_LowEnroute", xplm_MapStyle_IFR_LowEnroute},
    {"xplm_MapStyle_IFR_HighEnroute", xplm_MapStyle_IFR_HighEnroute},
    {"xplm_MapLayer_Fill", xplm_MapLayer_Fill},
    {"xplm_MapLayer_Markings", xplm_MapLayer_Markings},
    {"xplm_MapOrientation_Map", xplm_MapOrientation_Map},
    {"xplm_MapOrientation_UI", xplm_MapOrientation_UI},
};

// A text field of an input struct: a str the simulator can take as a C string (None, when
// allowed, is ""). A str it cannot take (a NUL character inside) raises ValueError.
bool FieldText(PyObject* value, const char* function, const char* field, bool noneAllowed, std::string* out) {
    if (value == Py_None && noneAllowed) {
        out->clear();
        return true;
    }
    if (!BM_IsText(value)) {
        PyErr_Format(PyExc_TypeError, "%s: field %s must be a str, not %s", function, field, Py_TYPE(value)->tp_name);
        return false;
    }
    const char* text = nullptr;
    if (!PyArg_Parse(value, "s", &text)) {
        std::string why = BM_PendingErrorText();
        PyErr_Clear();
        PyErr_Format(PyExc_ValueError, "%s: field %s cannot be passed to the simulator (%s)", function, field,
                     why.c_str());
        return false;
    }
    *out = text;
    return true;
}

// ---- Layers: one record each, the layer as its handle; the simulator holds the record ----

// The script's own removal: the layer goes without telling its will-be-deleted callable (the
// record left the table first, so the callback passes the call through).
void DestroyLayerRecord(_CallbackRecordStruct& record) { XPLMDestroyMapLayer(record.handle); }

const char* const kLayerFields[] = {"mapToCreateLayerIn", "layerType",     "willBeDeletedCallback",
                                    "prepCacheCallback",  "drawCallback",  "iconCallback",
                                    "labelCallback",      "showUiToggle",  "layerName",
                                    "refcon"};
constexpr int kLayerFieldCount = int(sizeof kLayerFields / sizeof kLayerFields[0]);

PyObject* PY_XPLMCreateMapLayer(PyObject*, PyObject* args) {
    const char* function = "XPLMCreateMapLayer";
    PyObject *script, *params;
    if (!BM_ParseTuple(args, "OO", &script, &params)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    PyObject* fields[kLayerFieldCount];
    if (!BM_StructArgument(params, function, kLayerFields, kLayerFieldCount, 2, fields)) return nullptr;
    std::string map, name;
    int layerType = 0, showUiToggle = 0;
    Py_ssize_t refcon = 0;
    PyObject* callables[BM_MapCallableCount] = {};
    if (!FieldText(fields[0], function, kLayerFields[0], false, &map) ||
        !BM_FieldInt(fields[1], function, kLayerFields[1], &layerType))
        return nullptr;
    for (int slot = 0; slot < BM_MapCallableCount; ++slot)
        if (fields[2 + slot] && !BM_FieldCallable(fields[2 + slot], function, kLayerFields[2 + slot], &callables[slot]))
            return nullptr;
    if ((fields[7] && !BM_FieldInt(fields[7], function, kLayerFields[7], &showUiToggle)) ||
        (fields[8] && !FieldText(fields[8], function, kLayerFields[8], true, &name)) ||
        (fields[9] && !BM_FieldHandle(fields[9], function, kLayerFields[9], &refcon)))
        return nullptr;
    if (layerType != xplm_MapLayer_Fill && layerType != xplm_MapLayer_Markings)
        return PyErr_Format(PyExc_ValueError,
                            "%s: field layerType must be xplm_MapLayer_Fill (0) or xplm_MapLayer_Markings (1), not %d",
                            function, layerType);
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record =
            BM_Table().AddRecord(script, BM_KindMapLayer, callables[BM_MapWillBeDeleted], BM_Refcon(refcon));
        for (int slot = 1; slot < BM_MapCallableCount; ++slot) {
            record->callables[slot] = callables[slot];
            Py_XINCREF(callables[slot]);
        }
        XPLMCreateMapLayer_t create = {};
        create.structSize = int(sizeof create);
        create.mapToCreateLayerIn = map.c_str();
        create.layerType = layerType;
        // The will-be-deleted callback always: it ends the record when the map goes.
        create.willBeDeletedCallback = BM_MapWillBeDeletedCallback;
        create.prepCacheCallback = callables[BM_MapPrepCache] ? BM_MapPrepCacheCallback : nullptr;
        create.drawCallback = callables[BM_MapDraw] ? BM_MapDrawCallback : nullptr;
        create.iconCallback = callables[BM_MapIcon] ? BM_MapIconCallback : nullptr;
        create.labelCallback = callables[BM_MapLabel] ? BM_MapLabelCallback : nullptr;
        create.showUiToggle = showUiToggle;
        create.layerName = name.c_str();
        create.refcon = record;
        XPLMMapLayerID layer = nullptr;
        if (BM_RegisterRecord(record, DestroyLayerRecord, [&] {
                layer = XPLMCreateMapLayer(&create);
                return layer != nullptr;
            }))
            BM_Table().SetHandle(record, layer);
        return BM_IntFromHandle(layer);
    });
}

// The script's own layer is destroyed by the simulator, which tells its will-be-deleted callable
// first; another script's is left alone (0); any other layer goes to the simulator.
PyObject* PY_XPLMDestroyMapLayer(PyObject*, PyObject* args) {
    const char* function = "XPLMDestroyMapLayer";
    PyObject* script;
    Py_ssize_t layer;
    if (!BM_ParseTuple(args, "O" BM_H, &script, &layer)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        bool foreign = false;
        _CallbackRecordStruct* record = BM_OwnRecordOfHandle(BM_KindMapLayer, BM_Handle(layer), script, &foreign);
        if (foreign) return BM_Zero();
        int answer = XPLMDestroyMapLayer(BM_Handle(layer));
        // The simulator ended the record through the will-be-deleted callback; should it not
        // have, the record goes now.
        if (record && (record = BM_Table().RecordOfHandle(BM_KindMapLayer, BM_Handle(layer))))
            BM_Table().RemoveRecord(record);
        return BM_IntFromLong(answer);
    });
}

// ---- Creation hooks: the simulator has no way to take one back, so it holds a token ----

void ForgetHook(_CallbackRecordStruct&) {}  // the token names no record any more

PyObject* PY_XPLMRegisterMapCreationHook(PyObject*, PyObject* args) {
    const char* function = "XPLMRegisterMapCreationHook";
    PyObject *script, *callable;
    Py_ssize_t refcon;
    if (!BM_ParseTuple(args, "OO" BM_H, &script, &callable, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record =
            BM_Table().AddRecord(script, BM_KindMapCreationHook, callable, BM_Refcon(refcon));
        void* token = BM_ScriptTable::NewToken();
        if (BM_RegisterRecord(record, ForgetHook, [&] {
                XPLMRegisterMapCreationHook(BM_MapCreatedCallback, token);
                return true;
            }))
            BM_Table().SetHandle(record, token);
        return BM_One();
    });
}

PyObject* PY_XPLMMapExists(PyObject*, PyObject* args) {
    const char* name;
    if (!BM_ParseTuple(args, "s", &name)) return nullptr;
    return BM_CallHost(kModule, "XPLMMapExists", BM_Zero, [&] { return BM_IntFromLong(XPLMMapExists(name)); });
}

// ---- Icons and labels: into the caller's own layers only ----

PyObject* PY_XPLMDrawMapIconFromSheet(PyObject*, PyObject* args) {
    const char* function = "XPLMDrawMapIconFromSheet";
    Py_ssize_t layer;
    const char* png;
    int s, t, ds, dt, orientation;
    float x, y, rotation, width;
    if (!BM_ParseTuple(args, BM_H "siiiiO&O&iO&O&", &layer, &png, &s, &t, &ds, &dt, BM_ConvertFloat, &x,
                       BM_ConvertFloat, &y, &orientation, BM_ConvertFloat, &rotation, BM_ConvertFloat, &width))
        return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (BM_ForeignHandle(BM_KindMapLayer, BM_Handle(layer))) return BM_Zero();
        XPLMDrawMapIconFromSheet(BM_Handle(layer), png, s, t, ds, dt, x, y, orientation, rotation, width);
        return BM_One();
    });
}

PyObject* PY_XPLMDrawMapLabel(PyObject*, PyObject* args) {
    const char* function = "XPLMDrawMapLabel";
    Py_ssize_t layer;
    const char* text;
    int orientation;
    float x, y, rotation;
    if (!BM_ParseTuple(args, BM_H "sO&O&iO&", &layer, &text, BM_ConvertFloat, &x, BM_ConvertFloat, &y, &orientation,
                       BM_ConvertFloat, &rotation))
        return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (BM_ForeignHandle(BM_KindMapLayer, BM_Handle(layer))) return BM_Zero();
        XPLMDrawMapLabel(BM_Handle(layer), text, x, y, orientation, rotation);
        return BM_One();
    });
}

// ---- Projections ----

PyObject* ZeroPair() { return Py_BuildValue("(dd)", 0.0, 0.0); }

PyObject* PY_XPLMMapProject(PyObject*, PyObject* args) {
    Py_ssize_t projection;
    double latitude, longitude;
    if (!BM_ParseTuple(args, BM_H "dd", &projection, &latitude, &longitude)) return nullptr;
    return BM_CallHost(kModule, "XPLMMapProject", ZeroPair, [&] {
        float x = 0.0f, y = 0.0f;
        XPLMMapProject(BM_Handle(projection), latitude, longitude, &x, &y);
        return Py_BuildValue("(dd)", double(x), double(y));
    });
}

PyObject* PY_XPLMMapUnproject(PyObject*, PyObject* args) {
    Py_ssize_t projection;
    float x, y;
    if (!BM_ParseTuple(args, BM_H "O&O&", &projection, BM_ConvertFloat, &x, BM_ConvertFloat, &y)) return nullptr;
    return BM_CallHost(kModule, "XPLMMapUnproject", ZeroPair, [&] {
        double latitude = 0.0, longitude = 0.0;
        XPLMMapUnproject(BM_Handle(projection), x, y, &latitude, &longitude);
        return Py_BuildValue("(dd)", latitude, longitude);
    });
}

template <typename Host>
PyObject* AtPoint(PyObject* args, const char* function, Host host) {
    Py_ssize_t projection;
    float x, y;
    if (!BM_ParseTuple(args, BM_H "O&O&", &projection, BM_ConvertFloat, &x, BM_ConvertFloat, &y)) return nullptr;
    return BM_CallHost(kModule, function, BM_ZeroFloat,
                       [&] { return PyFloat_FromDouble(host(BM_Handle(projection), x, y)); });
}

PyObject* PY_XPLMMapScaleMeter(PyObject*, PyObject* args) {
    return AtPoint(args, "XPLMMapScaleMeter", XPLMMapScaleMeter);
}

PyObject* PY_XPLMMapGetNorthHeading(PyObject*, PyObject* args) {
    return AtPoint(args, "XPLMMapGetNorthHeading", XPLMMapGetNorthHeading);
}

PyMethodDef XPLMMapMethods[] = {
    {"XPLMCreateMapLayer", PY_XPLMCreateMapLayer, METH_VARARGS,
     "Creates a layer of the script in one of the simulator's maps.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inParams: a dict or a sequence in this order: mapToCreateLayerIn (XPLM_MAP_USER_INTERFACE or\n"
     "    XPLM_MAP_IOS), layerType (xplm_MapLayer_Fill or xplm_MapLayer_Markings), then, each\n"
     "    may be None or left out: willBeDeletedCallback(layer, refcon),\n"
     "    prepCacheCallback(layer, totalMapBounds, projection, refcon),\n"
     "    drawCallback(layer, mapBounds, zoomRatio, mapUnitsPerUserInterfaceUnit, mapStyle,\n"
     "    projection, refcon),\n"
     "    iconCallback (the same arguments; queues icons with XPLMDrawMapIconFromSheet),\n"
     "    labelCallback (the same arguments; queues labels with XPLMDrawMapLabel),\n"
     "    showUiToggle (1: a check box in the map's interface), layerName (str), refcon (an int);\n"
     "    bounds are lists [left, top, right, bottom] in map units\n"
     "\n"
     "The layer belongs to the script and is destroyed when the script stops, without a\n"
     "will-be-deleted call. When its map closes, the simulator deletes it: willBeDeletedCallback\n"
     "is called and the layer is gone.\n"
     "Returns the layer's id (an int), or 0 when the map does not exist. Raises TypeError or\n"
     "ValueError for a bad field."},
    {"XPLMDestroyMapLayer", PY_XPLMDestroyMapLayer, METH_VARARGS,
     "Destroys a map layer the script created; its willBeDeletedCallback is called first.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inLayer: the id XPLMCreateMapLayer returned\n"
     "\n"
     "Returns 1 when a layer went, 0 when there was none (or it is another script's)."},
    {"XPLMRegisterMapCreationHook", PY_XPLMRegisterMapCreationHook, METH_VARARGS,
     "Registers a callback of the script called whenever the simulator creates a map.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "callback: called as callback(mapIdentifier, refcon) when a map is created (maps that exist\n"
     "    already are not told): the moment to add layers to it\n"
     "refcon: an int handed back to the callback\n"
     "\n"
     "The simulator has no way to remove a hook: it goes when the script stops.\n"
     "Returns 1. Raises TypeError when self is no script object or callback is not callable."},
    {"XPLMMapExists", PY_XPLMMapExists, METH_VARARGS,
     "Tells whether a map exists now.\n"
     "\n"
     "mapIdentifier: XPLM_MAP_USER_INTERFACE or XPLM_MAP_IOS\n"
     "\n"
     "Returns 1 when it exists, 0 when not."},
    {"XPLMDrawMapIconFromSheet", PY_XPLMDrawMapIconFromSheet, METH_VARARGS,
     "Queues an icon, a cell of a PNG sheet, for the map; only in the layer's iconCallback.\n"
     "\n"
     "layer: the layer whose iconCallback runs\n"
     "inPngPath: the PNG sheet, relative to the simulator folder\n"
     "s: the cell's column (0 at the left)\n"
     "t: the cell's row (0 at the bottom)\n"
     "ds: the sheet's number of columns\n"
     "dt: the sheet's number of rows\n"
     "mapX: the icon's centre in map units (XPLMMapProject)\n"
     "mapY: the icon's centre in map units\n"
     "orientation: xplm_MapOrientation_Map (turned from north) or xplm_MapOrientation_UI (from up)\n"
     "rotationDegrees: clockwise\n"
     "mapWidth: the icon's width in map units\n"
     "\n"
     "Returns 1; 0 for another script's layer."},
    {"XPLMDrawMapLabel", PY_XPLMDrawMapLabel, METH_VARARGS,
     "Queues a text label to be drawn on the map; only in the layer's labelCallback.\n"
     "\n"
     "layer: the layer whose labelCallback runs\n"
     "inText: the label\n"
     "mapX: the label's place in map units (XPLMMapProject)\n"
     "mapY: the label's place in map units\n"
     "orientation: xplm_MapOrientation_Map (turned from north) or xplm_MapOrientation_UI (from up)\n"
     "rotationDegrees: clockwise\n"
     "\n"
     "Returns 1; 0 for another script's layer."},
    {"XPLMMapProject", PY_XPLMMapProject, METH_VARARGS,
     "Converts a point on the earth to map units; only inside a layer's callbacks.\n"
     "\n"
     "projection: the projection a layer callback was given\n"
     "latitude: degrees\n"
     "longitude: degrees\n"
     "\n"
     "Returns the tuple (x, y) in map units; (0.0, 0.0) outside a layer's callbacks."},
    {"XPLMMapUnproject", PY_XPLMMapUnproject, METH_VARARGS,
     "Converts a point in map units to a point on the earth; only inside a layer's callbacks.\n"
     "\n"
     "projection: the projection a layer callback was given\n"
     "mapX: map units\n"
     "mapY: map units\n"
     "\n"
     "Returns the tuple (latitude, longitude) in degrees; (0.0, 0.0) outside a layer's callbacks."},
    {"XPLMMapScaleMeter", PY_XPLMMapScaleMeter, METH_VARARGS,
     "Tells how many map units a metre is at a point; only inside a layer's callbacks.\n"
     "\n"
     "projection: the projection a layer callback was given\n"
     "mapX: map units\n"
     "mapY: map units\n"
     "\n"
     "Returns the map units per metre (a float); 0.0 outside a layer's callbacks."},
    {"XPLMMapGetNorthHeading", PY_XPLMMapGetNorthHeading, METH_VARARGS,
     "Tells the direction of true north at a point; only inside a layer's callbacks.\n"
     "\n"
     "projection: the projection a layer callback was given\n"
     "mapX: map units\n"
     "mapY: map units\n"
     "\n"
     "Returns the degrees clockwise from the map's up to north (a float); 0.0 outside a layer's\n"
     "callbacks."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMMap() {
    PyObject* module =
        BM_InitModule(kModule, XPLMMapMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
    if (!module) return;
    PyObject* dict = PyModule_GetDict(module);
    PyObject* ui = BM_TextFromUtf8(XPLM_MAP_USER_INTERFACE);
    PyObject* ios = BM_TextFromUtf8(XPLM_MAP_IOS);
    if (ui && ios) {
        PyDict_SetItemString(dict, "XPLM_MAP_USER_INTERFACE", ui);
        PyDict_SetItemString(dict, "XPLM_MAP_IOS", ios);
    }
    Py_XDECREF(ui);
    Py_XDECREF(ios);
}
