// XPLMDisplay: draw callbacks, key sniffers, windows, hot keys, the screen and the mouse.
#include <vector>

#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMDisplay.h"

namespace {

const char kModule[] = "XPLMDisplay";

const BM_Constant kConstants[] = {
    {"xplm_Phase_FirstScene", xplm_Phase_FirstScene},
    {"xplm_Phase_Terrain", xplm_Phase_Terrain},
    {"xplm_Phase_Airports", xplm_Phase_Airports},
    {"xplm_Phase_Vectors", xplm_Phase_Vectors},
    {"xplm_Phase_Objects", xplm_Phase_Objects},
    {"xplm_Phase_Airplanes", xplm_Phase_Airplanes},
    {"xplm_Phase_LastScene", xplm_Phase_LastScene},
    {"xplm_Phase_FirstCockpit", xplm_Phase_FirstCockpit},
    {"xplm_Phase_Panel", xplm_Phase_Panel},
    {"xplm_Phase_Gauges", xplm_Phase_Gauges},
    {"xplm_Phase_Window", xplm_Phase_Window},
    {"xplm_Phase_LastCockpit", xplm_Phase_LastCockpit},
    {"xplm_MouseDown", xplm_MouseDown},
    {"xplm_MouseDrag", xplm_MouseDrag},
    {"xplm_MouseUp", xplm_MouseUp},
};


// Several out-parameters: checks each, calls the host with an int (or null) for each, and
// writes the results back in order.
template <std::size_t N, typename Host>
PyObject* WithOutInts(const char* function, PyObject* const (&lists)[N], Host host) {
    for (PyObject* list : lists)
        if (!BM_CheckOutParameter(list, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        int values[N] = {};
        int* places[N];
        for (std::size_t i = 0; i < N; ++i) places[i] = lists[i] == Py_None ? nullptr : &values[i];
        host(places);
        for (std::size_t i = 0; i < N; ++i)
            if (places[i]) BM_WriteOutParameter(lists[i], BM_IntFromLong(values[i]));
        return BM_One();
    });
}

// ---- Draw callbacks and key sniffers: the callable is the simulator's refcon ----

PyObject* PY_XPLMRegisterDrawCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int phase, before;
    Py_ssize_t refcon;
    if (!PyArg_ParseTuple(args, "OOii" BM_H, &script, &callable, &phase, &before, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMRegisterDrawCallback", BM_Zero, [&] {
        int result = XPLMRegisterDrawCallback(BM_DrawCallback, phase, before, callable);
        BM_Table().SetDrawCallback(script, callable, BM_Refcon(refcon));
        return BM_IntFromLong(result);
    });
}

// While other draw callbacks remain recorded the simulator keeps this registration, and the
// answer is 1: the script's record is gone either way. Key sniffers and hot keys do the same.
PyObject* PY_XPLMUnregisterDrawCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int phase, before;
    Py_ssize_t refcon;
    if (!PyArg_ParseTuple(args, "OOii" BM_H, &script, &callable, &phase, &before, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMUnregisterDrawCallback", BM_Zero, [&] {
        BM_Table().RemoveDrawCallback(script, callable);
        int result = 1;
        if (BM_Table().GetNumberOfDrawScriptUsers() == 0)
            result = XPLMUnregisterDrawCallback(BM_DrawCallback, phase, before, callable);
        return BM_IntFromLong(result);
    });
}

PyObject* PY_XPLMRegisterKeySniffer(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int beforeWindows;
    Py_ssize_t refcon;
    if (!PyArg_ParseTuple(args, "OOi" BM_H, &script, &callable, &beforeWindows, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMRegisterKeySniffer", BM_Zero, [&] {
        int result = XPLMRegisterKeySniffer(BM_KeySnifferCallback, beforeWindows, callable);
        BM_Table().SetKeySnifferCallback(script, callable, BM_Refcon(refcon));
        return BM_IntFromLong(result);
    });
}

PyObject* PY_XPLMUnregisterKeySniffer(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int beforeWindows;
    Py_ssize_t refcon;
    if (!PyArg_ParseTuple(args, "OOi" BM_H, &script, &callable, &beforeWindows, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMUnregisterKeySniffer", BM_Zero, [&] {
        BM_Table().RemoveKeySnifferCallback(script, callable);
        int result = 1;
        if (BM_Table().GetNumberOfKeySnifferScriptUsers() == 0)
            result = XPLMUnregisterKeySniffer(BM_KeySnifferCallback, beforeWindows, callable);
        return BM_IntFromLong(result);
    });
}

// ---- Screen and mouse ----

PyObject* PY_XPLMGetScreenSize(PyObject*, PyObject* args) {
    PyObject *width, *height;
    if (!PyArg_ParseTuple(args, "OO", &width, &height)) return nullptr;
    PyObject* const lists[] = {width, height};
    return WithOutInts("XPLMGetScreenSize", lists, [](int* const* p) { XPLMGetScreenSize(p[0], p[1]); });
}

PyObject* PY_XPLMGetMouseLocation(PyObject*, PyObject* args) {
    PyObject *x, *y;
    if (!PyArg_ParseTuple(args, "OO", &x, &y)) return nullptr;
    PyObject* const lists[] = {x, y};
    return WithOutInts("XPLMGetMouseLocation", lists, [](int* const* p) { XPLMGetMouseLocation(p[0], p[1]); });
}

// ---- Windows: the simulator gets the three window trampolines and refcon 0 ----

PyObject* PY_XPLMCreateWindow(PyObject*, PyObject* args) {
    PyObject *script, *draw, *key, *mouse;
    int left, top, right, bottom, visible;
    Py_ssize_t unusedRefcon;
    if (!PyArg_ParseTuple(args, "OiiiiiOOO" BM_H, &script, &left, &top, &right, &bottom, &visible, &draw, &key,
                          &mouse, &unusedRefcon))
        return nullptr;
    return BM_CallHost(kModule, "XPLMCreateWindow", BM_Zero, [&] {
        XPLMWindowID window = XPLMCreateWindow(left, top, right, bottom, visible, BM_DrawWindowCallback,
                                               BM_KeyCallback, BM_MouseClickCallback, nullptr);
        BM_Table().SetWindowId(script, window, draw, key, mouse);
        return BM_IntFromHandle(window);
    });
}

PyObject* PY_XPLMDestroyWindow(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t window;
    if (!PyArg_ParseTuple(args, "O" BM_H, &script, &window)) return nullptr;
    return BM_CallHost(kModule, "XPLMDestroyWindow", BM_Zero, [&] {
        BM_Table().RemoveWindowId(script, BM_Handle(window));
        XPLMDestroyWindow(BM_Handle(window));
        return BM_One();
    });
}

PyObject* PY_XPLMGetWindowGeometry(PyObject*, PyObject* args) {
    Py_ssize_t window;
    PyObject *left, *top, *right, *bottom;
    if (!PyArg_ParseTuple(args, BM_H "OOOO", &window, &left, &top, &right, &bottom)) return nullptr;
    PyObject* const lists[] = {left, top, right, bottom};
    return WithOutInts("XPLMGetWindowGeometry", lists, [&](int* const* p) {
        XPLMGetWindowGeometry(BM_Handle(window), p[0], p[1], p[2], p[3]);
    });
}

PyObject* PY_XPLMSetWindowGeometry(PyObject*, PyObject* args) {
    Py_ssize_t window;
    int left, top, right, bottom;
    if (!PyArg_ParseTuple(args, BM_H "iiii", &window, &left, &top, &right, &bottom)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetWindowGeometry", BM_Zero, [&] {
        XPLMSetWindowGeometry(BM_Handle(window), left, top, right, bottom);
        return BM_One();
    });
}

// The functions on one window that answer an int, or 1 for none.
template <typename Host>
PyObject* OnWindow(PyObject* args, const char* function, Host host) {
    Py_ssize_t window;
    if (!BM_ParseHandle(args, &window)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] { return host(BM_Handle(window)); });
}

PyObject* PY_XPLMGetWindowIsVisible(PyObject*, PyObject* args) {
    return OnWindow(args, "XPLMGetWindowIsVisible", [](void* w) { return BM_IntFromLong(XPLMGetWindowIsVisible(w)); });
}

PyObject* PY_XPLMSetWindowIsVisible(PyObject*, PyObject* args) {
    Py_ssize_t window;
    int visible;
    if (!PyArg_ParseTuple(args, BM_H "i", &window, &visible)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetWindowIsVisible", BM_Zero, [&] {
        XPLMSetWindowIsVisible(BM_Handle(window), visible);
        return BM_One();
    });
}

PyObject* PY_XPLMGetWindowRefCon(PyObject*, PyObject* args) {
    return OnWindow(args, "XPLMGetWindowRefCon", [](void* w) { return BM_IntFromHandle(XPLMGetWindowRefCon(w)); });
}

PyObject* PY_XPLMSetWindowRefCon(PyObject*, PyObject* args) {
    Py_ssize_t window, refcon;
    if (!PyArg_ParseTuple(args, BM_H BM_H, &window, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetWindowRefCon", BM_Zero, [&] {
        XPLMSetWindowRefCon(BM_Handle(window), BM_Handle(refcon));
        return BM_One();
    });
}

PyObject* PY_XPLMTakeKeyboardFocus(PyObject*, PyObject* args) {
    return OnWindow(args, "XPLMTakeKeyboardFocus", [](void* w) { return XPLMTakeKeyboardFocus(w), BM_One(); });
}

PyObject* PY_XPLMBringWindowToFront(PyObject*, PyObject* args) {
    return OnWindow(args, "XPLMBringWindowToFront", [](void* w) { return XPLMBringWindowToFront(w), BM_One(); });
}

PyObject* PY_XPLMIsWindowInFront(PyObject*, PyObject* args) {
    return OnWindow(args, "XPLMIsWindowInFront", [](void* w) { return BM_IntFromLong(XPLMIsWindowInFront(w)); });
}

// ---- Hot keys: virtual keys are bytes, 0 to 255 ----

PyObject* PY_XPLMRegisterHotKey(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    unsigned char vkey;
    int flags;
    const char* description;
    Py_ssize_t refcon;
    if (!PyArg_ParseTuple(args, "ObisO" BM_H, &script, &vkey, &flags, &description, &callable, &refcon))
        return nullptr;
    return BM_CallHost(kModule, "XPLMRegisterHotKey", BM_Zero, [&] {
        XPLMHotKeyID hotKey =
            XPLMRegisterHotKey(static_cast<char>(vkey), flags, description, BM_HotKeyCallback, callable);
        BM_Table().SetHotKeyCallback(script, hotKey, callable, BM_Refcon(refcon));
        return BM_IntFromHandle(hotKey);
    });
}

PyObject* PY_XPLMUnregisterHotKey(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t hotKey;
    if (!PyArg_ParseTuple(args, "O" BM_H, &script, &hotKey)) return nullptr;
    return BM_CallHost(kModule, "XPLMUnregisterHotKey", BM_Zero, [&] {
        BM_Table().RemoveHotKeyCallback(script, BM_Handle(hotKey));
        if (BM_Table().GetNumberOfHotKeyScriptUsers() == 0) XPLMUnregisterHotKey(BM_Handle(hotKey));
        return BM_One();
    });
}

PyObject* PY_XPLMCountHotKeys(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMCountHotKeys", BM_Zero, [] { return BM_IntFromLong(XPLMCountHotKeys()); });
}

PyObject* PY_XPLMGetNthHotKey(PyObject*, PyObject* args) {
    int index;
    if (!PyArg_ParseTuple(args, "i", &index)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetNthHotKey", BM_Zero, [&] { return BM_IntFromHandle(XPLMGetNthHotKey(index)); });
}

PyObject* PY_XPLMGetHotKeyInfo(PyObject*, PyObject* args) {
    Py_ssize_t hotKey;
    PyObject *vkeyList, *flagsList, *descriptionList, *pluginList;
    if (!PyArg_ParseTuple(args, BM_H "OOOO", &hotKey, &vkeyList, &flagsList, &descriptionList, &pluginList))
        return nullptr;
    for (PyObject* list : {vkeyList, flagsList, descriptionList, pluginList})
        if (!BM_CheckOutParameter(list, "XPLMGetHotKeyInfo")) return nullptr;
    return BM_CallHost(kModule, "XPLMGetHotKeyInfo", BM_Zero, [&] {
        char vkey = 0;
        XPLMKeyFlags flags = 0;
        char description[1024] = {0};  // the simulator writes at most 512
        XPLMPluginID plugin = XPLM_NO_PLUGIN_ID;
        XPLMGetHotKeyInfo(BM_Handle(hotKey), vkeyList == Py_None ? nullptr : &vkey,
                          flagsList == Py_None ? nullptr : &flags,
                          descriptionList == Py_None ? nullptr : description,
                          pluginList == Py_None ? nullptr : &plugin);
        description[sizeof description - 1] = '\0';
        BM_WriteOutParameter(vkeyList, BM_IntFromLong(static_cast<unsigned char>(vkey)));
        BM_WriteOutParameter(flagsList, BM_IntFromLong(flags));
        BM_WriteOutParameter(descriptionList, BM_StringFromString(description));
        BM_WriteOutParameter(pluginList, BM_IntFromLong(plugin));
        return BM_One();
    });
}

PyObject* PY_XPLMSetHotKeyCombination(PyObject*, PyObject* args) {
    Py_ssize_t hotKey;
    unsigned char vkey;
    int flags;
    if (!PyArg_ParseTuple(args, BM_H "bi", &hotKey, &vkey, &flags)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetHotKeyCombination", BM_Zero, [&] {
        XPLMSetHotKeyCombination(BM_Handle(hotKey), static_cast<char>(vkey), flags);
        return BM_One();
    });
}

PyMethodDef XPLMDisplayMethods[] = {
    {"XPLMRegisterDrawCallback", PY_XPLMRegisterDrawCallback, METH_VARARGS, "Registers a Draw Call Back."},
    {"XPLMUnregisterDrawCallback", PY_XPLMUnregisterDrawCallback, METH_VARARGS, "Unregisters a Draw Call Back."},
    {"XPLMRegisterKeySniffer", PY_XPLMRegisterKeySniffer, METH_VARARGS, "Registers a Key Sniffer."},
    {"XPLMUnregisterKeySniffer", PY_XPLMUnregisterKeySniffer, METH_VARARGS, "Unregisters a Key Sniffer."},
    {"XPLMGetScreenSize", PY_XPLMGetScreenSize, METH_VARARGS, "Get Screen Size."},
    {"XPLMGetMouseLocation", PY_XPLMGetMouseLocation, METH_VARARGS, "Get Mouse Location."},
    {"XPLMCreateWindow", PY_XPLMCreateWindow, METH_VARARGS, "Creates a window."},
    {"XPLMDestroyWindow", PY_XPLMDestroyWindow, METH_VARARGS, "Destroys a window."},
    {"XPLMGetWindowGeometry", PY_XPLMGetWindowGeometry, METH_VARARGS, "Get window geometry."},
    {"XPLMSetWindowGeometry", PY_XPLMSetWindowGeometry, METH_VARARGS, "Set window geometry."},
    {"XPLMGetWindowIsVisible", PY_XPLMGetWindowIsVisible, METH_VARARGS, "Get Window is Visible."},
    {"XPLMSetWindowIsVisible", PY_XPLMSetWindowIsVisible, METH_VARARGS, "Set Window is Visible."},
    {"XPLMGetWindowRefCon", PY_XPLMGetWindowRefCon, METH_VARARGS, "Get the Window RefCon."},
    {"XPLMSetWindowRefCon", PY_XPLMSetWindowRefCon, METH_VARARGS, "Set the Window RefCon."},
    {"XPLMTakeKeyboardFocus", PY_XPLMTakeKeyboardFocus, METH_VARARGS, "Take the Keyboard Focus."},
    {"XPLMBringWindowToFront", PY_XPLMBringWindowToFront, METH_VARARGS, "Bring Window to Front."},
    {"XPLMIsWindowInFront", PY_XPLMIsWindowInFront, METH_VARARGS, "Is the Window in Front."},
    {"XPLMRegisterHotKey", PY_XPLMRegisterHotKey, METH_VARARGS, "Register Hot Key."},
    {"XPLMUnregisterHotKey", PY_XPLMUnregisterHotKey, METH_VARARGS, "Unregister Hot Key."},
    {"XPLMCountHotKeys", PY_XPLMCountHotKeys, METH_NOARGS, "Count the Hot Keys."},
    {"XPLMGetNthHotKey", PY_XPLMGetNthHotKey, METH_VARARGS, "Get Nth Hot Key."},
    {"XPLMGetHotKeyInfo", PY_XPLMGetHotKeyInfo, METH_VARARGS, "Get Hot Key Info."},
    {"XPLMSetHotKeyCombination", PY_XPLMSetHotKeyCombination, METH_VARARGS, "Set the Hot Key Combination."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMDisplay() {
    BM_InitModule(kModule, XPLMDisplayMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
}
