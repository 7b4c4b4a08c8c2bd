// XPLMPlugin: finding, inspecting, enabling, disabling and messaging the simulator's plug-ins.
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMPlugin.h"

namespace {

const char kModule[] = "XPLMPlugin";

const BM_Constant kConstants[] = {
    {"XPLM_MSG_PLANE_CRASHED", XPLM_MSG_PLANE_CRASHED},
    {"XPLM_MSG_PLANE_LOADED", XPLM_MSG_PLANE_LOADED},
    {"XPLM_MSG_AIRPORT_LOADED", XPLM_MSG_AIRPORT_LOADED},
    {"XPLM_MSG_SCENERY_LOADED", XPLM_MSG_SCENERY_LOADED},
    {"XPLM_MSG_AIRPLANE_COUNT_CHANGED", XPLM_MSG_AIRPLANE_COUNT_CHANGED},
    {"XPLM_MSG_PLANE_UNLOADED", XPLM_MSG_PLANE_UNLOADED},
    {"XPLM_MSG_WILL_WRITE_PREFS", XPLM_MSG_WILL_WRITE_PREFS},
    {"XPLM_MSG_LIVERY_LOADED", XPLM_MSG_LIVERY_LOADED},
    {"XPLM_MSG_ENTERED_VR", XPLM_MSG_ENTERED_VR},
    {"XPLM_MSG_EXITING_VR", XPLM_MSG_EXITING_VR},
    {"XPLM_MSG_RELEASE_PLANES", XPLM_MSG_RELEASE_PLANES},
    {"XPLM_MSG_FMOD_BANK_LOADED", XPLM_MSG_FMOD_BANK_LOADED},
    {"XPLM_MSG_FMOD_BANK_UNLOADING", XPLM_MSG_FMOD_BANK_UNLOADING},
    {"XPLM_MSG_DATAREFS_ADDED", XPLM_MSG_DATAREFS_ADDED},
};

// Texts the simulator writes for a plug-in: it writes at most 256 bytes.
constexpr int kTextBuffer = 1024;

PyObject* PY_XPLMGetMyID(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMGetMyID", BM_Zero, [] { return BM_IntFromLong(XPLMGetMyID()); });
}

PyObject* PY_XPLMCountPlugins(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMCountPlugins", BM_Zero, [] { return BM_IntFromLong(XPLMCountPlugins()); });
}

PyObject* PY_XPLMGetNthPlugin(PyObject*, PyObject* args) {
    int index;
    if (!BM_ParseTuple(args, "i", &index)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetNthPlugin", BM_Zero, [&] { return BM_IntFromLong(XPLMGetNthPlugin(index)); });
}

PyObject* PY_XPLMFindPluginByPath(PyObject*, PyObject* args) {
    const char* path;
    if (!BM_ParseTuple(args, "s", &path)) return nullptr;
    return BM_CallHost(kModule, "XPLMFindPluginByPath", BM_Zero,
                       [&] { return BM_IntFromLong(XPLMFindPluginByPath(path)); });
}

PyObject* PY_XPLMFindPluginBySignature(PyObject*, PyObject* args) {
    const char* signature;
    if (!BM_ParseTuple(args, "s", &signature)) return nullptr;
    return BM_CallHost(kModule, "XPLMFindPluginBySignature", BM_Zero,
                       [&] { return BM_IntFromLong(XPLMFindPluginBySignature(signature)); });
}

// The texts reach the script through the lists only; the answer is 1.
PyObject* PY_XPLMGetPluginInfo(PyObject*, PyObject* args) {
    int plugin;
    PyObject* lists[4];
    const char* function = "XPLMGetPluginInfo";
    if (!BM_ParseTuple(args, "iOOOO", &plugin, &lists[0], &lists[1], &lists[2], &lists[3])) return nullptr;
    for (PyObject* list : lists)
        if (!BM_CheckOutParameter(list, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        char texts[4][kTextBuffer] = {};
        char* places[4];
        for (int i = 0; i < 4; ++i) places[i] = lists[i] == Py_None ? nullptr : texts[i];
        XPLMGetPluginInfo(plugin, places[0], places[1], places[2], places[3]);
        for (int i = 0; i < 4; ++i) {
            texts[i][kTextBuffer - 1] = '\0';
            if (places[i]) BM_WriteOutParameter(lists[i], BM_TextFromUtf8(texts[i]));
        }
        return BM_One();
    });
}

PyObject* PY_XPLMIsPluginEnabled(PyObject*, PyObject* args) {
    int plugin;
    if (!BM_ParseTuple(args, "i", &plugin)) return nullptr;
    return BM_CallHost(kModule, "XPLMIsPluginEnabled", BM_Zero,
                       [&] { return BM_IntFromLong(XPLMIsPluginEnabled(plugin)); });
}

PyObject* PY_XPLMEnablePlugin(PyObject*, PyObject* args) {
    int plugin;
    if (!BM_ParseTuple(args, "i", &plugin)) return nullptr;
    return BM_CallHost(kModule, "XPLMEnablePlugin", BM_Zero, [&] { return BM_IntFromLong(XPLMEnablePlugin(plugin)); });
}

PyObject* PY_XPLMDisablePlugin(PyObject*, PyObject* args) {
    int plugin;
    if (!BM_ParseTuple(args, "i", &plugin)) return nullptr;
    return BM_CallHost(kModule, "XPLMDisablePlugin", BM_Zero, [&] {
        XPLMDisablePlugin(plugin);
        return BM_One();
    });
}

// The simulator reloads once the current callback has returned.
PyObject* PY_XPLMReloadPlugins(PyObject*, PyObject*) {
    return BM_CallHost(
        kModule, "XPLMReloadPlugins", BM_Zero,
        [] {
            XPLMReloadPlugins();
            return BM_One();
        },
        "Function Error");
}

// The parameter is a long, which is handed over as the pointer's value, or a string, whose
// characters the receiver may read during the call. Anything else is refused before the
// simulator is called: a receiver would take it for an address.
PyObject* PY_XPLMSendMessageToPlugin(PyObject*, PyObject* args) {
    int plugin, message;
    PyObject* parameter;
    const char* function = "XPLMSendMessageToPlugin";
    if (!BM_ParseTuple(args, "iiO", &plugin, &message, &parameter)) return nullptr;
    void* pointer = nullptr;
    PyObject* bytes = nullptr;
    if (PyLong_Check(parameter) && !PyBool_Check(parameter)) {
        pointer = PyLong_AsVoidPtr(parameter);
        if (!pointer && PyErr_Occurred()) return nullptr;  // wider than a pointer: OverflowError
    } else if (BM_IsBytesOrText(parameter)) {
        bytes = BM_EncodedBytes(parameter);
        char* data;
        Py_ssize_t length;
        if (!bytes || !BM_BytesOf(bytes, &data, &length)) {
            Py_XDECREF(bytes);
            return nullptr;
        }
        pointer = data;
    } else {
        PrintException(kModule, function, "Parameter Error");
        return BM_Zero();
    }
    PyObject* result = BM_CallHost(kModule, function, BM_Zero, [&] {
        XPLMSendMessageToPlugin(plugin, message, pointer);
        return BM_One();
    });
    Py_XDECREF(bytes);
    return result;
}

// ---- Features ----
//
// Features are the plug-in's: Brindlemoor is one plug-in hosting every script, so a feature a
// script turns on is on for all scripts (and for the plug-in). Native paths need nothing of the
// scripts: they get slash-separated paths either way.

PyObject* PY_XPLMHasFeature(PyObject*, PyObject* args) {
    const char* feature;
    if (!BM_ParseTuple(args, "s", &feature)) return nullptr;
    return BM_CallHost(kModule, "XPLMHasFeature", BM_Zero, [&] { return BM_IntFromLong(XPLMHasFeature(feature)); });
}

PyObject* PY_XPLMIsFeatureEnabled(PyObject*, PyObject* args) {
    const char* feature;
    if (!BM_ParseTuple(args, "s", &feature)) return nullptr;
    return BM_CallHost(kModule, "XPLMIsFeatureEnabled", BM_Zero,
                       [&] { return BM_IntFromLong(XPLMIsFeatureEnabled(feature)); });
}

PyObject* PY_XPLMEnableFeature(PyObject*, PyObject* args) {
    const char* feature;
    int enable;
    if (!BM_ParseTuple(args, "si", &feature, &enable)) return nullptr;
    return BM_CallHost(kModule, "XPLMEnableFeature", BM_Zero, [&] {
        XPLMEnableFeature(feature, enable);
        return BM_One();
    });
}

// The enumeration runs inside the call: the first exception the callable raises ends it (the
// simulator still names the remaining features, which are not passed on) and is raised to the
// caller.
struct Enumeration {
    PyObject* callable;
    PyObject* ref;
    bool failed;
};

void EnumerateFeature(const char* feature, void* refcon) {
    auto* e = static_cast<Enumeration*>(refcon);
    if (e->failed) return;
    PyObject* result = PyObject_CallFunction(e->callable, const_cast<char*>("NO"), BM_TextFromUtf8(feature), e->ref);
    if (!result) e->failed = true;
    Py_XDECREF(result);
}

PyObject* PY_XPLMEnumerateFeatures(PyObject*, PyObject* args) {
    PyObject *callable, *ref;
    if (!BM_ParseTuple(args, "OO", &callable, &ref)) return nullptr;
    if (!BM_CheckCallable(callable, "XPLMEnumerateFeatures", "the enumerator")) return nullptr;
    Enumeration e{callable, ref, false};
    PyObject* result = BM_CallHost(kModule, "XPLMEnumerateFeatures", BM_Zero, [&] {
        XPLMEnumerateFeatures(EnumerateFeature, &e);
        return BM_One();
    });
    if (e.failed && PyErr_Occurred()) {
        Py_XDECREF(result);
        return nullptr;
    }
    return result;
}

PyMethodDef XPLMPluginMethods[] = {
    {"XPLMGetMyID", PY_XPLMGetMyID, METH_NOARGS,
     "Tells the id of the plug-in the script runs in (Brindlemoor's, the same for all scripts).\n"
     "\n"
     "Returns the plug-in id (an int)."},
    {"XPLMCountPlugins", PY_XPLMCountPlugins, METH_NOARGS,
     "Counts the plug-ins loaded, Brindlemoor included.\n"
     "\n"
     "Returns the count as an int."},
    {"XPLMGetNthPlugin", PY_XPLMGetNthPlugin, METH_VARARGS,
     "Finds a plug-in by its index, 0 to XPLMCountPlugins() - 1.\n"
     "\n"
     "inIndex: the index\n"
     "\n"
     "Returns the plug-in id, or -1 (XPLM_NO_PLUGIN_ID) for an index out of range."},
    {"XPLMFindPluginByPath", PY_XPLMFindPluginByPath, METH_VARARGS,
     "Finds a plug-in by the path of its file.\n"
     "\n"
     "inPath: the plug-in's file path\n"
     "\n"
     "Returns the plug-in id, or -1 (XPLM_NO_PLUGIN_ID) when no plug-in has that path."},
    {"XPLMFindPluginBySignature", PY_XPLMFindPluginBySignature, METH_VARARGS,
     "Finds a plug-in by its signature, e.g. \"xplanesdk.examples.DataRefEditor\".\n"
     "\n"
     "inSignature: the signature\n"
     "\n"
     "Returns the plug-in id, or -1 (XPLM_NO_PLUGIN_ID) when no plug-in has it."},
    {"XPLMGetPluginInfo", PY_XPLMGetPluginInfo, METH_VARARGS,
     "Describes a plug-in.\n"
     "\n"
     "inPlugin: the plug-in id\n"
     "outName: a list that gets its name as element 0 (appended when empty), or None\n"
     "outFilePath: a list that gets its file path as element 0 (appended when empty), or None\n"
     "outSignature: a list that gets its signature as element 0 (appended when empty), or None\n"
     "outDescription: a list that gets its description as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMIsPluginEnabled", PY_XPLMIsPluginEnabled, METH_VARARGS,
     "Tells whether a plug-in is enabled.\n"
     "\n"
     "inPluginID: the plug-in's id\n"
     "\n"
     "Returns 1 when enabled, 0 when not."},
    {"XPLMEnablePlugin", PY_XPLMEnablePlugin, METH_VARARGS,
     "Enables a plug-in.\n"
     "\n"
     "inPluginID: the plug-in's id\n"
     "\n"
     "Returns 1 when it is enabled now, 0 when it refused."},
    {"XPLMDisablePlugin", PY_XPLMDisablePlugin, METH_VARARGS,
     "Disables a plug-in.\n"
     "\n"
     "inPluginID: the plug-in's id\n"
     "\n"
     "Returns 1."},
    {"XPLMReloadPlugins", PY_XPLMReloadPlugins, METH_NOARGS,
     "Reloads all plug-ins, Brindlemoor and so every script among them.\n"
     "\n"
     "The reload happens once the current callback has returned.\n"
     "Returns 1."},
    {"XPLMSendMessageToPlugin", PY_XPLMSendMessageToPlugin, METH_VARARGS,
     "Sends a message to a plug-in, or to all with XPLM_NO_PLUGIN_ID.\n"
     "\n"
     "inPlugin: the plug-in id, or XPLM_NO_PLUGIN_ID (-1) for every plug-in\n"
     "inMessage: the message number\n"
     "inParam: an int, handed over as the pointer's value, or a string, whose characters the\n"
     "    receiver may read during the call\n"
     "\n"
     "Returns 1; 0 for a parameter of another kind, which is logged as \"Parameter Error\" and not\n"
     "sent. Raises OverflowError for an int wider than a pointer."},
    {"XPLMHasFeature", PY_XPLMHasFeature, METH_VARARGS,
     "Tells whether the simulator knows a feature, e.g. \"XPLM_USE_NATIVE_PATHS\".\n"
     "\n"
     "inFeature: the feature's name\n"
     "\n"
     "Returns 1 when it has it, 0 when not."},
    {"XPLMIsFeatureEnabled", PY_XPLMIsFeatureEnabled, METH_VARARGS,
     "Tells whether a feature is on.\n"
     "\n"
     "inFeature: the feature's name\n"
     "\n"
     "Features are Brindlemoor's: turning one on turns it on for every script.\n"
     "Returns 1 when on, 0 when off or unknown."},
    {"XPLMEnableFeature", PY_XPLMEnableFeature, METH_VARARGS,
     "Turns a feature on or off.\n"
     "\n"
     "inFeature: the feature's name\n"
     "inEnable: 1 for on, 0 for off\n"
     "\n"
     "Features are Brindlemoor's: turning one on turns it on for every script. Scripts get\n"
     "slash-separated paths either way.\n"
     "Returns 1."},
    {"XPLMEnumerateFeatures", PY_XPLMEnumerateFeatures, METH_VARARGS,
     "Names every feature the simulator has, calling back before it returns.\n"
     "\n"
     "inEnumerator: called as inEnumerator(featureName, ref) for each feature\n"
     "inRef: any object, handed to the enumerator\n"
     "\n"
     "Returns 1. What the enumerator raises ends the calls and is raised here."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMPlugin() {
    BM_InitModule(kModule, XPLMPluginMethods, kConstants, int(sizeof(kConstants) / sizeof(kConstants[0])));
}
