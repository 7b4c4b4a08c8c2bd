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
    {"xplm_Phase_Modern3D", xplm_Phase_Modern3D},
    {"xplm_CursorDefault", xplm_CursorDefault},
    {"xplm_CursorHidden", xplm_CursorHidden},
    {"xplm_CursorArrow", xplm_CursorArrow},
    {"xplm_CursorCustom", xplm_CursorCustom},
    {"xplm_WindowLayerFlightOverlay", xplm_WindowLayerFlightOverlay},
    {"xplm_WindowLayerFloatingWindows", xplm_WindowLayerFloatingWindows},
    {"xplm_WindowLayerModal", xplm_WindowLayerModal},
    {"xplm_WindowLayerGrowlNotifications", xplm_WindowLayerGrowlNotifications},
    {"xplm_WindowDecorationNone", xplm_WindowDecorationNone},
    {"xplm_WindowDecorationRoundRectangle", xplm_WindowDecorationRoundRectangle},
    {"xplm_WindowDecorationSelfDecorated", xplm_WindowDecorationSelfDecorated},
    {"xplm_WindowDecorationSelfDecoratedResizable", xplm_WindowDecorationSelfDecoratedResizable},
    {"xplm_WindowPositionFree", xplm_WindowPositionFree},
    {"xplm_WindowCenterOnMonitor", xplm_WindowCenterOnMonitor},
    {"xplm_WindowFullScreenOnMonitor", xplm_WindowFullScreenOnMonitor},
    {"xplm_WindowFullScreenOnAllMonitors", xplm_WindowFullScreenOnAllMonitors},
    {"xplm_WindowPopOut", xplm_WindowPopOut},
    {"xplm_WindowVR", xplm_WindowVR},
    {"xplm_device_GNS430_1", xplm_device_GNS430_1},
    {"xplm_device_GNS430_2", xplm_device_GNS430_2},
    {"xplm_device_GNS530_1", xplm_device_GNS530_1},
    {"xplm_device_GNS530_2", xplm_device_GNS530_2},
    {"xplm_device_CDU739_1", xplm_device_CDU739_1},
    {"xplm_device_CDU739_2", xplm_device_CDU739_2},
    {"xplm_device_G1000_PFD_1", xplm_device_G1000_PFD_1},
    {"xplm_device_G1000_MFD", xplm_device_G1000_MFD},
    {"xplm_device_G1000_PFD_2", xplm_device_G1000_PFD_2},
    {"xplm_device_CDU815_1", xplm_device_CDU815_1},
    {"xplm_device_CDU815_2", xplm_device_CDU815_2},
    {"xplm_device_Primus_PFD_1", xplm_device_Primus_PFD_1},
    {"xplm_device_Primus_PFD_2", xplm_device_Primus_PFD_2},
    {"xplm_device_Primus_MFD_1", xplm_device_Primus_MFD_1},
    {"xplm_device_Primus_MFD_2", xplm_device_Primus_MFD_2},
    {"xplm_device_Primus_MFD_3", xplm_device_Primus_MFD_3},
    {"xplm_device_Primus_RMU_1", xplm_device_Primus_RMU_1},
    {"xplm_device_Primus_RMU_2", xplm_device_Primus_RMU_2},
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

// ---- Draw callbacks and key sniffers: the simulator holds the record as refcon ----

void UnregisterDraw(_CallbackRecordStruct& record) {
    XPLMUnregisterDrawCallback(BM_DrawCallback, record.phase, record.before, &record);
}

PyObject* PY_XPLMRegisterDrawCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int phase, before;
    Py_ssize_t refcon;
    const char* function = "XPLMRegisterDrawCallback";
    if (!BM_ParseTuple(args, "OOii" BM_H, &script, &callable, &phase, &before, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    before = before ? 1 : 0;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (BM_Table().FindRecord(script, BM_RecordKey::Draw(callable, BM_Refcon(refcon), phase, before)))
            return BM_One();  // registered already
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindDraw, callable, BM_Refcon(refcon));
        record->phase = phase;
        record->before = before;
        bool taken = BM_RegisterRecord(
            record, UnregisterDraw, [&] { return XPLMRegisterDrawCallback(BM_DrawCallback, phase, before, record) != 0; });
        return BM_IntFromLong(taken ? 1 : 0);
    });
}

// The answer is 1 when a registration went, 0 when the script had none such.
PyObject* PY_XPLMUnregisterDrawCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int phase, before;
    Py_ssize_t refcon;
    const char* function = "XPLMUnregisterDrawCallback";
    if (!BM_ParseTuple(args, "OOii" BM_H, &script, &callable, &phase, &before, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    before = before ? 1 : 0;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        return BM_RemoveFound(
            BM_Table().FindRecord(script, BM_RecordKey::Draw(callable, BM_Refcon(refcon), phase, before)));
    });
}

void UnregisterKeySniffer(_CallbackRecordStruct& record) {
    XPLMUnregisterKeySniffer(BM_KeySnifferCallback, record.before, &record);
}

PyObject* PY_XPLMRegisterKeySniffer(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int beforeWindows;
    Py_ssize_t refcon;
    const char* function = "XPLMRegisterKeySniffer";
    if (!BM_ParseTuple(args, "OOi" BM_H, &script, &callable, &beforeWindows, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    beforeWindows = beforeWindows ? 1 : 0;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (BM_Table().FindRecord(script, BM_RecordKey::KeySniffer(callable, BM_Refcon(refcon), beforeWindows)))
            return BM_One();
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindKeySniffer, callable, BM_Refcon(refcon));
        record->before = beforeWindows;
        bool taken = BM_RegisterRecord(record, UnregisterKeySniffer, [&] {
            return XPLMRegisterKeySniffer(BM_KeySnifferCallback, beforeWindows, record) != 0;
        });
        return BM_IntFromLong(taken ? 1 : 0);
    });
}

PyObject* PY_XPLMUnregisterKeySniffer(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int beforeWindows;
    Py_ssize_t refcon;
    const char* function = "XPLMUnregisterKeySniffer";
    if (!BM_ParseTuple(args, "OOi" BM_H, &script, &callable, &beforeWindows, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    beforeWindows = beforeWindows ? 1 : 0;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        return BM_RemoveFound(
            BM_Table().FindRecord(script, BM_RecordKey::KeySniffer(callable, BM_Refcon(refcon), beforeWindows)));
    });
}

// ---- Screen and mouse ----

PyObject* PY_XPLMGetScreenSize(PyObject*, PyObject* args) {
    PyObject *width, *height;
    if (!BM_ParseTuple(args, "OO", &width, &height)) return nullptr;
    PyObject* const lists[] = {width, height};
    return WithOutInts("XPLMGetScreenSize", lists, [](int* const* p) { XPLMGetScreenSize(p[0], p[1]); });
}

PyObject* PY_XPLMGetMouseLocation(PyObject*, PyObject* args) {
    PyObject *x, *y;
    if (!BM_ParseTuple(args, "OO", &x, &y)) return nullptr;
    PyObject* const lists[] = {x, y};
    return WithOutInts("XPLMGetMouseLocation", lists, [](int* const* p) { XPLMGetMouseLocation(p[0], p[1]); });
}

// ---- Windows: the simulator holds the window's record as its refcon ----

void DestroyWindowRecord(_CallbackRecordStruct& record) { XPLMDestroyWindow(record.handle); }

// The window refcon starts at 0 (the Refcon argument is not used); XPLMSetWindowRefCon sets it.
PyObject* PY_XPLMCreateWindow(PyObject*, PyObject* args) {
    PyObject *script, *draw, *key, *mouse;
    int left, top, right, bottom, visible;
    Py_ssize_t unusedRefcon;
    const char* function = "XPLMCreateWindow";
    if (!BM_ParseTuple(args, "OiiiiiOOO" BM_H, &script, &left, &top, &right, &bottom, &visible, &draw, &key,
                          &mouse, &unusedRefcon))
        return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(draw, function, "the draw callback") ||
        !BM_CheckCallable(key, function, "the key callback") ||
        !BM_CheckCallable(mouse, function, "the mouse-click callback"))
        return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindDrawWindow, draw, 0);
        record->callables[BM_WindowKey] = key;
        record->callables[BM_WindowMouseClick] = mouse;
        Py_INCREF(key);
        Py_INCREF(mouse);
        XPLMWindowID window = nullptr;
        if (BM_RegisterRecord(record, DestroyWindowRecord, [&] {
                window = XPLMCreateWindow(left, top, right, bottom, visible, BM_DrawWindowCallback, BM_KeyCallback,
                                          BM_MouseClickCallback, record);
                return window != nullptr;
            }))
            BM_Table().SetHandle(record, window);
        return BM_IntFromHandle(window);
    });
}

_CallbackRecordStruct* WindowRecord(Py_ssize_t window) {
    return BM_Table().RecordOfHandle(BM_KindDrawWindow, BM_Handle(window));
}

// Whether the window is another script's: the caller may neither change nor destroy it, and is
// answered as for a window the simulator does not know (1, nothing happens).
bool ForeignWindow(void* window, PyObject* script = nullptr) {
    return BM_ForeignHandle(BM_KindDrawWindow, window, script);
}

// A window of the calling script goes with its record; another script's stays; any other
// window is handed to the simulator.
PyObject* PY_XPLMDestroyWindow(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t window;
    if (!BM_ParseTuple(args, "O" BM_H, &script, &window)) return nullptr;
    if (!BM_CheckScript(script, "XPLMDestroyWindow")) return nullptr;
    return BM_CallHost(kModule, "XPLMDestroyWindow", BM_Zero, [&] {
        bool foreign = false;
        if (_CallbackRecordStruct* record =
                BM_OwnRecordOfHandle(BM_KindDrawWindow, BM_Handle(window), script, &foreign))
            BM_Table().RemoveRecord(record);
        else if (!foreign)
            XPLMDestroyWindow(BM_Handle(window));
        return BM_One();
    });
}

PyObject* PY_XPLMGetWindowGeometry(PyObject*, PyObject* args) {
    Py_ssize_t window;
    PyObject *left, *top, *right, *bottom;
    if (!BM_ParseTuple(args, BM_H "OOOO", &window, &left, &top, &right, &bottom)) return nullptr;
    PyObject* const lists[] = {left, top, right, bottom};
    return WithOutInts("XPLMGetWindowGeometry", lists, [&](int* const* p) {
        XPLMGetWindowGeometry(BM_Handle(window), p[0], p[1], p[2], p[3]);
    });
}

PyObject* PY_XPLMSetWindowGeometry(PyObject*, PyObject* args) {
    Py_ssize_t window;
    int left, top, right, bottom;
    if (!BM_ParseTuple(args, BM_H "iiii", &window, &left, &top, &right, &bottom)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetWindowGeometry", BM_Zero, [&] {
        if (!ForeignWindow(BM_Handle(window))) XPLMSetWindowGeometry(BM_Handle(window), left, top, right, bottom);
        return BM_One();
    });
}

// The functions on one window that answer an int, or 1 for none.
template <typename Host>
PyObject* OnWindow(PyObject* arg, const char* function, Host host) {
    Py_ssize_t window;
    if (!BM_ParseHandle(arg, &window)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] { return host(BM_Handle(window)); });
}

PyObject* PY_XPLMGetWindowIsVisible(PyObject*, PyObject* arg) {
    return OnWindow(arg, "XPLMGetWindowIsVisible", [](void* w) { return BM_IntFromLong(XPLMGetWindowIsVisible(w)); });
}

PyObject* PY_XPLMSetWindowIsVisible(PyObject*, PyObject* args) {
    Py_ssize_t window;
    int visible;
    if (!BM_ParseTuple(args, BM_H "i", &window, &visible)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetWindowIsVisible", BM_Zero, [&] {
        if (!ForeignWindow(BM_Handle(window))) XPLMSetWindowIsVisible(BM_Handle(window), visible);
        return BM_One();
    });
}

// A script window's refcon lives in its record, since the simulator's is the record itself.
PyObject* PY_XPLMGetWindowRefCon(PyObject*, PyObject* arg) {
    return OnWindow(arg, "XPLMGetWindowRefCon", [](void* w) {
        if (_CallbackRecordStruct* record = BM_Table().RecordOfHandle(BM_KindDrawWindow, w))
            return BM_IntFromSsize(static_cast<Py_ssize_t>(record->refcon));
        return BM_IntFromHandle(XPLMGetWindowRefCon(w));
    });
}

PyObject* PY_XPLMSetWindowRefCon(PyObject*, PyObject* args) {
    Py_ssize_t window, refcon;
    if (!BM_ParseTuple(args, BM_H BM_H, &window, &refcon)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetWindowRefCon", BM_Zero, [&] {
        if (_CallbackRecordStruct* record = WindowRecord(window)) {
            if (BM_CallerOwns(record)) record->refcon = BM_Refcon(refcon);
        } else
            XPLMSetWindowRefCon(BM_Handle(window), BM_Handle(refcon));
        return BM_One();
    });
}

PyObject* PY_XPLMTakeKeyboardFocus(PyObject*, PyObject* arg) {
    return OnWindow(arg, "XPLMTakeKeyboardFocus", [](void* w) {
        if (!ForeignWindow(w)) XPLMTakeKeyboardFocus(w);
        return BM_One();
    });
}

PyObject* PY_XPLMBringWindowToFront(PyObject*, PyObject* arg) {
    return OnWindow(arg, "XPLMBringWindowToFront", [](void* w) {
        if (!ForeignWindow(w)) XPLMBringWindowToFront(w);
        return BM_One();
    });
}

PyObject* PY_XPLMIsWindowInFront(PyObject*, PyObject* arg) {
    return OnWindow(arg, "XPLMIsWindowInFront", [](void* w) { return BM_IntFromLong(XPLMIsWindowInFront(w)); });
}

// ---- Modern windows (XPLMCreateWindowEx) and the global desktop ----

// The fields of XPLMCreateWindow_t after structSize, in order. The last three may be left out:
// the window is then decorated as a floating window, in the floating-window layer, and has no
// right-click callback.
const char* const kCreateWindowFields[] = {"left",
                                           "top",
                                           "right",
                                           "bottom",
                                           "visible",
                                           "drawWindowFunc",
                                           "handleMouseClickFunc",
                                           "handleKeyFunc",
                                           "handleCursorFunc",
                                           "handleMouseWheelFunc",
                                           "refcon",
                                           "decorateAsFloatingWindow",
                                           "layer",
                                           "handleRightClickFunc"};
const int kCreateWindowFieldCount = int(sizeof kCreateWindowFields / sizeof kCreateWindowFields[0]);

// One record holds the window's callables, in the window slots; the simulator calls every one
// through its trampoline, which answers for a slot left empty (None) as if the window had no
// such callback. The refcon is the record's, as for the windows of XPLMCreateWindow.
PyObject* PY_XPLMCreateWindowEx(PyObject*, PyObject* args) {
    const char* function = "XPLMCreateWindowEx";
    PyObject *script, *params;
    if (!BM_ParseTuple(args, "OO", &script, &params)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    PyObject* fields[kCreateWindowFieldCount];
    if (!BM_StructArgument(params, function, kCreateWindowFields, kCreateWindowFieldCount, 11, fields)) return nullptr;
    int numbers[5];
    for (int i = 0; i < 5; ++i)
        if (!BM_FieldInt(fields[i], function, kCreateWindowFields[i], &numbers[i])) return nullptr;
    // Slots of the callable fields: draw, click, key, cursor, wheel; the right click after them.
    const int slots[] = {BM_WindowDraw, BM_WindowMouseClick, BM_WindowKey, BM_WindowCursor, BM_WindowMouseWheel};
    PyObject* callables[BM_WindowCallableCount] = {};
    for (int i = 0; i < 5; ++i)
        if (!BM_FieldCallable(fields[5 + i], function, kCreateWindowFields[5 + i], &callables[slots[i]])) return nullptr;
    Py_ssize_t refcon;
    if (!BM_FieldHandle(fields[10], function, "refcon", &refcon)) return nullptr;
    int decoration = xplm_WindowDecorationRoundRectangle, layer = xplm_WindowLayerFloatingWindows;
    if (fields[11] && !BM_FieldInt(fields[11], function, kCreateWindowFields[11], &decoration)) return nullptr;
    if (fields[12] && !BM_FieldInt(fields[12], function, kCreateWindowFields[12], &layer)) return nullptr;
    if (fields[13] && !BM_FieldCallable(fields[13], function, kCreateWindowFields[13], &callables[BM_WindowRightClick]))
        return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record =
            BM_Table().AddRecord(script, BM_KindDrawWindow, callables[BM_WindowDraw], BM_Refcon(refcon));
        for (int slot = 1; slot < BM_WindowCallableCount; ++slot) {
            record->callables[slot] = callables[slot];
            Py_XINCREF(callables[slot]);
        }
        XPLMCreateWindow_t params = {};
        params.structSize = int(sizeof params);
        params.left = numbers[0];
        params.top = numbers[1];
        params.right = numbers[2];
        params.bottom = numbers[3];
        params.visible = numbers[4];
        params.drawWindowFunc = BM_DrawWindowCallback;
        params.handleMouseClickFunc = BM_MouseClickCallback;
        params.handleKeyFunc = BM_KeyCallback;
        params.handleCursorFunc = BM_CursorCallback;
        params.handleMouseWheelFunc = BM_MouseWheelCallback;
        params.refcon = record;
        params.decorateAsFloatingWindow = decoration;
        params.layer = layer;
        params.handleRightClickFunc = BM_RightClickCallback;
        XPLMWindowID window = nullptr;
        if (BM_RegisterRecord(record, DestroyWindowRecord, [&] {
                window = XPLMCreateWindowEx(&params);
                return window != nullptr;
            }))
            BM_Table().SetHandle(record, window);
        return BM_IntFromHandle(window);
    });
}

PyObject* PY_XPLMGetScreenBoundsGlobal(PyObject*, PyObject* args) {
    PyObject *left, *top, *right, *bottom;
    if (!BM_ParseTuple(args, "OOOO", &left, &top, &right, &bottom)) return nullptr;
    PyObject* const lists[] = {left, top, right, bottom};
    return WithOutInts("XPLMGetScreenBoundsGlobal", lists,
                       [](int* const* p) { XPLMGetScreenBoundsGlobal(p[0], p[1], p[2], p[3]); });
}

// The monitor-bounds functions call back before they return, and only then: the callable and
// refcon live on the stack for the call, no record is made, and so no script object is taken.
// What the callable raises stops the calls and is raised by the function.
struct MonitorCall {
    PyObject* callable;
    Py_ssize_t refcon;
    PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
};

void MonitorBounds(int index, int left, int top, int right, int bottom, void* refcon) {
    MonitorCall& call = *static_cast<MonitorCall*>(refcon);
    if (call.type) return;
    PyObject* result = PyObject_CallFunction(call.callable, const_cast<char*>("iiiii" BM_H), index, left, top, right,
                                             bottom, call.refcon);
    if (result)
        Py_DECREF(result);
    else
        PyErr_Fetch(&call.type, &call.value, &call.traceback);
}

template <typename Host>
PyObject* AllMonitorBounds(PyObject* args, const char* function, Host host) {
    PyObject* callable;
    Py_ssize_t refcon;
    if (!BM_ParseTuple(args, "O" BM_H, &callable, &refcon)) return nullptr;
    if (!BM_CheckCallable(callable, function, "the callback")) return nullptr;
    MonitorCall call{callable, refcon};
    PyObject* result = BM_CallHost(kModule, function, BM_Zero, [&] {
        host(MonitorBounds, &call);
        return BM_One();
    });
    if (call.type) {
        Py_XDECREF(result);
        PyErr_Restore(call.type, call.value, call.traceback);
        return nullptr;
    }
    return result;
}

PyObject* PY_XPLMGetAllMonitorBoundsGlobal(PyObject*, PyObject* args) {
    return AllMonitorBounds(args, "XPLMGetAllMonitorBoundsGlobal", XPLMGetAllMonitorBoundsGlobal);
}

PyObject* PY_XPLMGetAllMonitorBoundsOS(PyObject*, PyObject* args) {
    return AllMonitorBounds(args, "XPLMGetAllMonitorBoundsOS", XPLMGetAllMonitorBoundsOS);
}

PyObject* PY_XPLMGetMouseLocationGlobal(PyObject*, PyObject* args) {
    PyObject *x, *y;
    if (!BM_ParseTuple(args, "OO", &x, &y)) return nullptr;
    PyObject* const lists[] = {x, y};
    return WithOutInts("XPLMGetMouseLocationGlobal", lists,
                       [](int* const* p) { XPLMGetMouseLocationGlobal(p[0], p[1]); });
}

PyObject* PY_XPLMGetWindowGeometryOS(PyObject*, PyObject* args) {
    Py_ssize_t window;
    PyObject *left, *top, *right, *bottom;
    if (!BM_ParseTuple(args, BM_H "OOOO", &window, &left, &top, &right, &bottom)) return nullptr;
    PyObject* const lists[] = {left, top, right, bottom};
    return WithOutInts("XPLMGetWindowGeometryOS", lists, [&](int* const* p) {
        XPLMGetWindowGeometryOS(BM_Handle(window), p[0], p[1], p[2], p[3]);
    });
}

// The functions changing a window: another script's is left as it is (the answer is 1).
template <typename Host>
PyObject* ChangeWindow(Py_ssize_t window, const char* function, Host host) {
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (!ForeignWindow(BM_Handle(window))) host(BM_Handle(window));
        return BM_One();
    });
}

PyObject* PY_XPLMSetWindowGeometryOS(PyObject*, PyObject* args) {
    Py_ssize_t window;
    int left, top, right, bottom;
    if (!BM_ParseTuple(args, BM_H "iiii", &window, &left, &top, &right, &bottom)) return nullptr;
    return ChangeWindow(window, "XPLMSetWindowGeometryOS",
                        [&](void* w) { XPLMSetWindowGeometryOS(w, left, top, right, bottom); });
}

PyObject* PY_XPLMGetWindowGeometryVR(PyObject*, PyObject* args) {
    Py_ssize_t window;
    PyObject *width, *height;
    if (!BM_ParseTuple(args, BM_H "OO", &window, &width, &height)) return nullptr;
    PyObject* const lists[] = {width, height};
    return WithOutInts("XPLMGetWindowGeometryVR", lists,
                       [&](int* const* p) { XPLMGetWindowGeometryVR(BM_Handle(window), p[0], p[1]); });
}

PyObject* PY_XPLMSetWindowGeometryVR(PyObject*, PyObject* args) {
    Py_ssize_t window;
    int width, height;
    if (!BM_ParseTuple(args, BM_H "ii", &window, &width, &height)) return nullptr;
    return ChangeWindow(window, "XPLMSetWindowGeometryVR", [&](void* w) { XPLMSetWindowGeometryVR(w, width, height); });
}

PyObject* PY_XPLMWindowIsPoppedOut(PyObject*, PyObject* arg) {
    return OnWindow(arg, "XPLMWindowIsPoppedOut", [](void* w) { return BM_IntFromLong(XPLMWindowIsPoppedOut(w)); });
}

PyObject* PY_XPLMWindowIsInVR(PyObject*, PyObject* arg) {
    return OnWindow(arg, "XPLMWindowIsInVR", [](void* w) { return BM_IntFromLong(XPLMWindowIsInVR(w)); });
}

PyObject* PY_XPLMSetWindowGravity(PyObject*, PyObject* args) {
    Py_ssize_t window;
    float left, top, right, bottom;
    if (!BM_ParseTuple(args, BM_H "O&O&O&O&", &window, BM_ConvertFloat, &left, BM_ConvertFloat, &top, BM_ConvertFloat,
                       &right, BM_ConvertFloat, &bottom))
        return nullptr;
    return ChangeWindow(window, "XPLMSetWindowGravity",
                        [&](void* w) { XPLMSetWindowGravity(w, left, top, right, bottom); });
}

PyObject* PY_XPLMSetWindowResizingLimits(PyObject*, PyObject* args) {
    Py_ssize_t window;
    int minWidth, minHeight, maxWidth, maxHeight;
    if (!BM_ParseTuple(args, BM_H "iiii", &window, &minWidth, &minHeight, &maxWidth, &maxHeight)) return nullptr;
    return ChangeWindow(window, "XPLMSetWindowResizingLimits",
                        [&](void* w) { XPLMSetWindowResizingLimits(w, minWidth, minHeight, maxWidth, maxHeight); });
}

PyObject* PY_XPLMSetWindowPositioningMode(PyObject*, PyObject* args) {
    Py_ssize_t window;
    int mode, monitor;
    if (!BM_ParseTuple(args, BM_H "ii", &window, &mode, &monitor)) return nullptr;
    return ChangeWindow(window, "XPLMSetWindowPositioningMode",
                        [&](void* w) { XPLMSetWindowPositioningMode(w, mode, monitor); });
}

PyObject* PY_XPLMSetWindowTitle(PyObject*, PyObject* args) {
    Py_ssize_t window;
    const char* title;
    if (!BM_ParseTuple(args, BM_H "s", &window, &title)) return nullptr;
    return ChangeWindow(window, "XPLMSetWindowTitle", [&](void* w) { XPLMSetWindowTitle(w, title); });
}

// 0 (or None) asks whether no plug-in window has the keyboard focus.
PyObject* PY_XPLMHasKeyboardFocus(PyObject*, PyObject* arg) {
    if (arg == Py_None)
        return BM_CallHost(kModule, "XPLMHasKeyboardFocus", BM_Zero,
                           [] { return BM_IntFromLong(XPLMHasKeyboardFocus(nullptr)); });
    return OnWindow(arg, "XPLMHasKeyboardFocus", [](void* w) { return BM_IntFromLong(XPLMHasKeyboardFocus(w)); });
}

// ---- Hot keys: virtual keys are bytes, 0 to 255 ----

void UnregisterHotKeyRecord(_CallbackRecordStruct& record) { XPLMUnregisterHotKey(record.handle); }

PyObject* PY_XPLMRegisterHotKey(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    unsigned char vkey;
    int flags;
    const char* description;
    Py_ssize_t refcon;
    const char* function = "XPLMRegisterHotKey";
    if (!BM_ParseTuple(args, "ObisO" BM_H, &script, &vkey, &flags, &description, &callable, &refcon))
        return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindHotKey, callable, BM_Refcon(refcon));
        XPLMHotKeyID hotKey = nullptr;
        if (BM_RegisterRecord(record, UnregisterHotKeyRecord, [&] {
                hotKey = XPLMRegisterHotKey(static_cast<char>(vkey), flags, description, BM_HotKeyCallback, record);
                return hotKey != nullptr;
            }))
            BM_Table().SetHandle(record, hotKey);
        return BM_IntFromHandle(hotKey);
    });
}

// The answer is 1 when the hot key went, 0 when the calling script did not register it.
PyObject* PY_XPLMUnregisterHotKey(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t hotKey;
    if (!BM_ParseTuple(args, "O" BM_H, &script, &hotKey)) return nullptr;
    if (!BM_CheckScript(script, "XPLMUnregisterHotKey")) return nullptr;
    return BM_CallHost(kModule, "XPLMUnregisterHotKey", BM_Zero, [&] {
        return BM_RemoveFound(BM_OwnRecordOfHandle(BM_KindHotKey, BM_Handle(hotKey), script));
    });
}

PyObject* PY_XPLMCountHotKeys(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMCountHotKeys", BM_Zero, [] { return BM_IntFromLong(XPLMCountHotKeys()); });
}

PyObject* PY_XPLMGetNthHotKey(PyObject*, PyObject* args) {
    int index;
    if (!BM_ParseTuple(args, "i", &index)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetNthHotKey", BM_Zero, [&] { return BM_IntFromHandle(XPLMGetNthHotKey(index)); });
}

PyObject* PY_XPLMGetHotKeyInfo(PyObject*, PyObject* args) {
    Py_ssize_t hotKey;
    PyObject *vkeyList, *flagsList, *descriptionList, *pluginList;
    if (!BM_ParseTuple(args, BM_H "OOOO", &hotKey, &vkeyList, &flagsList, &descriptionList, &pluginList))
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
        BM_WriteOutParameter(descriptionList, BM_TextFromUtf8(description));
        BM_WriteOutParameter(pluginList, BM_IntFromLong(plugin));
        return BM_One();
    });
}

PyObject* PY_XPLMSetHotKeyCombination(PyObject*, PyObject* args) {
    Py_ssize_t hotKey;
    unsigned char vkey;
    int flags;
    if (!BM_ParseTuple(args, BM_H "bi", &hotKey, &vkey, &flags)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetHotKeyCombination", BM_Zero, [&] {
        if (!BM_ForeignHandle(BM_KindHotKey, BM_Handle(hotKey)))  // another script's keeps its keys
            XPLMSetHotKeyCombination(BM_Handle(hotKey), static_cast<char>(vkey), flags);
        return BM_One();
    });
}

// ---- Avionics: one record each, the registration as handle; the simulator holds the record ----

void UnregisterAvionics(_CallbackRecordStruct& record) { XPLMUnregisterAvionicsCallbacks(record.handle); }

const char* const kAvionicsFields[] = {"deviceId", "drawCallbackBefore", "drawCallbackAfter", "refcon"};

PyObject* PY_XPLMRegisterAvionicsCallbacksEx(PyObject*, PyObject* args) {
    const char* function = "XPLMRegisterAvionicsCallbacksEx";
    PyObject *script, *params;
    if (!BM_ParseTuple(args, "OO", &script, &params)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    PyObject* fields[4];
    int device;
    PyObject* callables[2] = {};
    Py_ssize_t refcon = 0;
    if (!BM_StructArgument(params, function, kAvionicsFields, 4, 1, fields) ||
        !BM_FieldInt(fields[0], function, "deviceId", &device) ||
        (fields[1] && !BM_FieldCallable(fields[1], function, "drawCallbackBefore", &callables[BM_AvionicsBefore])) ||
        (fields[2] && !BM_FieldCallable(fields[2], function, "drawCallbackAfter", &callables[BM_AvionicsAfter])) ||
        (fields[3] && !BM_FieldHandle(fields[3], function, "refcon", &refcon)))
        return nullptr;
    if (device < xplm_device_GNS430_1 || device > xplm_device_Primus_RMU_2)
        return PyErr_Format(PyExc_ValueError, "%s: field deviceId must be an xplm_device_* value (0 to 17), not %d",
                            function, device);
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record =
            BM_Table().AddRecord(script, BM_KindAvionics, callables[BM_AvionicsBefore], BM_Refcon(refcon));
        record->callables[BM_AvionicsAfter] = callables[BM_AvionicsAfter];
        Py_XINCREF(callables[BM_AvionicsAfter]);
        XPLMCustomizeAvionics_t customize = {int(sizeof(XPLMCustomizeAvionics_t)), device,
                                             callables[BM_AvionicsBefore] ? BM_AvionicsBeforeCallback : nullptr,
                                             callables[BM_AvionicsAfter] ? BM_AvionicsAfterCallback : nullptr, record};
        XPLMAvionicsID id = nullptr;
        if (BM_RegisterRecord(record, UnregisterAvionics, [&] {
                id = XPLMRegisterAvionicsCallbacksEx(&customize);
                return id != nullptr;
            }))
            BM_Table().SetHandle(record, id);
        return BM_IntFromHandle(id);
    });
}

PyObject* PY_XPLMUnregisterAvionicsCallbacks(PyObject*, PyObject* args) {
    const char* function = "XPLMUnregisterAvionicsCallbacks";
    PyObject* script;
    Py_ssize_t id;
    if (!BM_ParseTuple(args, "O" BM_H, &script, &id)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero,
                       [&] { return BM_RemoveFound(BM_OwnRecordOfHandle(BM_KindAvionics, BM_Handle(id), script)); });
}

PyMethodDef XPLMDisplayMethods[] = {
    {"XPLMRegisterDrawCallback", PY_XPLMRegisterDrawCallback, METH_VARARGS,
     "Registers a callback of the script that draws in a phase of the simulator's drawing.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inCallback: called as inCallback(phase, isBefore, refcon) -> int; before the phase,\n"
     "    0 stops the simulator's own drawing of it\n"
     "inPhase: the xplm_Phase_* to draw in\n"
     "inWantsBefore: 1 to draw before the simulator's drawing of the phase, 0 after it\n"
     "inRefcon: an int handed back to the callback\n"
     "\n"
     "The callback belongs to the script and goes when the script stops.\n"
     "Returns 1 when registered (also when already so), 0 when the simulator refused the phase.\n"
     "Raises TypeError when self is no script object or inCallback is not callable."},
    {"XPLMUnregisterDrawCallback", PY_XPLMUnregisterDrawCallback, METH_VARARGS,
     "Removes a draw callback the script registered.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inCallback, inPhase, inWantsBefore, inRefcon: as given to XPLMRegisterDrawCallback\n"
     "\n"
     "Returns 1 when the callback went, 0 when the script had none such."},
    {"XPLMRegisterKeySniffer", PY_XPLMRegisterKeySniffer, METH_VARARGS,
     "Registers a callback of the script that sees every key press first.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inCallback: called as inCallback(char, flags, virtualKey, refcon) -> int: 1 lets the key\n"
     "    go on, 0 eats it\n"
     "inBeforeWindows: 1 to see keys before the windows do, 0 after them\n"
     "inRefcon: an int handed back to the callback\n"
     "\n"
     "The sniffer belongs to the script and goes when the script stops.\n"
     "Returns 1 when registered (also when already so), 0 when the simulator refused it.\n"
     "Raises TypeError when self is no script object or inCallback is not callable."},
    {"XPLMUnregisterKeySniffer", PY_XPLMUnregisterKeySniffer, METH_VARARGS,
     "Removes a key sniffer the script registered.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inCallback, inBeforeWindows, inRefcon: as given to XPLMRegisterKeySniffer\n"
     "\n"
     "Returns 1 when the sniffer went, 0 when the script had none such."},
    {"XPLMGetScreenSize", PY_XPLMGetScreenSize, METH_VARARGS,
     "Tells the size of the simulator's main window, in pixels.\n"
     "\n"
     "outWidth: a list that gets the width as element 0 (appended when empty), or None\n"
     "outHeight: a list that gets the height as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMGetMouseLocation", PY_XPLMGetMouseLocation, METH_VARARGS,
     "Tells where the mouse is, in the main window's pixels.\n"
     "\n"
     "outX: a list that gets x as element 0 (appended when empty), or None\n"
     "outY: a list that gets y as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMCreateWindow", PY_XPLMCreateWindow, METH_VARARGS,
     "Creates a window of the script (the old-style window, drawn by the script).\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inLeft, inTop, inRight, inBottom: the window's bounds in the main window's pixels\n"
     "inIsVisible: 1 to show it at once\n"
     "inDrawCallback: called as inDrawCallback(windowID, refcon) each frame it is visible\n"
     "inKeyCallback: called as inKeyCallback(windowID, key, flags, virtualKey, refcon, losingFocus)\n"
     "inMouseCallback: called as inMouseCallback(windowID, x, y, mouseStatus, refcon) -> int: 1\n"
     "    takes the click\n"
     "inRefcon: not used; the window's refcon starts at 0 (set it with XPLMSetWindowRefCon)\n"
     "\n"
     "The window belongs to the script and is destroyed when the script stops.\n"
     "Returns the window handle (an int), or 0 when the simulator refused it. Raises TypeError\n"
     "when self is no script object or a callback is not callable."},
    {"XPLMDestroyWindow", PY_XPLMDestroyWindow, METH_VARARGS,
     "Destroys a window.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inWindowID: the window handle (an int)\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMGetWindowGeometry", PY_XPLMGetWindowGeometry, METH_VARARGS,
     "Tells a window's bounds, in the main window's pixels.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "outLeft: a list that gets left as element 0 (appended when empty), or None\n"
     "outTop: a list that gets top as element 0 (appended when empty), or None\n"
     "outRight: a list that gets right as element 0 (appended when empty), or None\n"
     "outBottom: a list that gets bottom as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMSetWindowGeometry", PY_XPLMSetWindowGeometry, METH_VARARGS,
     "Moves and resizes a window, in the main window's pixels.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "inLeft, inTop, inRight, inBottom: the new bounds\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMGetWindowIsVisible", PY_XPLMGetWindowIsVisible, METH_O,
     "Tells whether a window is visible.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "\n"
     "Returns 1 when visible, 0 when not."},
    {"XPLMSetWindowIsVisible", PY_XPLMSetWindowIsVisible, METH_VARARGS,
     "Shows or hides a window.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "inIsVisible: 1 to show, 0 to hide\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMGetWindowRefCon", PY_XPLMGetWindowRefCon, METH_O,
     "Tells a window's refcon.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "\n"
     "Returns the refcon (an int)."},
    {"XPLMSetWindowRefCon", PY_XPLMSetWindowRefCon, METH_VARARGS,
     "Sets a window's refcon, handed to its callbacks.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "inRefcon: the new refcon (an int)\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMTakeKeyboardFocus", PY_XPLMTakeKeyboardFocus, METH_O,
     "Gives the keyboard focus to a window, or to the simulator with 0.\n"
     "\n"
     "inWindow: the window handle, or 0\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMBringWindowToFront", PY_XPLMBringWindowToFront, METH_O,
     "Brings a window to the front of its layer.\n"
     "\n"
     "inWindow: the window handle\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMIsWindowInFront", PY_XPLMIsWindowInFront, METH_O,
     "Tells whether a window is the frontmost of its layer.\n"
     "\n"
     "inWindow: the window handle\n"
     "\n"
     "Returns 1 when it is in front, 0 when not."},
    {"XPLMCreateWindowEx", PY_XPLMCreateWindowEx, METH_VARARGS,
     "Creates a window of the script with the modern options (decoration, layer, all callbacks).\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inParams: a dict or a sequence in this order: left, top, right, bottom (global desktop\n"
     "    bounds), visible, drawWindowFunc(windowID, refcon),\n"
     "    handleMouseClickFunc(windowID, x, y, mouseStatus, refcon) -> int (1 takes the click),\n"
     "    handleKeyFunc(windowID, key, flags, virtualKey, refcon, losingFocus),\n"
     "    handleCursorFunc(windowID, x, y, refcon) -> int (an xplm_Cursor* value),\n"
     "    handleMouseWheelFunc(windowID, x, y, wheel, clicks, refcon) -> int (1 takes it),\n"
     "    refcon, and optionally decorateAsFloatingWindow (xplm_WindowDecoration*), layer\n"
     "    (xplm_WindowLayer*) and handleRightClickFunc (as the click); a callback may be None\n"
     "\n"
     "The window belongs to the script and is destroyed when the script stops.\n"
     "Returns the window handle (an int), or 0 when the simulator refused it. Raises TypeError or\n"
     "ValueError for a bad field."},
    {"XPLMGetScreenBoundsGlobal", PY_XPLMGetScreenBoundsGlobal, METH_VARARGS,
     "Tells the bounds of the global desktop, all monitors together, in boxels.\n"
     "\n"
     "outLeft: a list that gets left as element 0 (appended when empty), or None\n"
     "outTop: a list that gets top as element 0 (appended when empty), or None\n"
     "outRight: a list that gets right as element 0 (appended when empty), or None\n"
     "outBottom: a list that gets bottom as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMGetAllMonitorBoundsGlobal", PY_XPLMGetAllMonitorBoundsGlobal, METH_VARARGS,
     "Tells the bounds of each full-screen monitor of the simulator, in global boxels.\n"
     "\n"
     "inMonitorBoundsCallback: called once per monitor, before the function returns, as\n"
     "    inMonitorBoundsCallback(index, left, top, right, bottom, refcon)\n"
     "inRefcon: an int handed to the callback\n"
     "\n"
     "Returns 1. What the callback raises stops the calls and is raised here."},
    {"XPLMGetAllMonitorBoundsOS", PY_XPLMGetAllMonitorBoundsOS, METH_VARARGS,
     "Tells the bounds of each monitor of the computer, in the OS's pixels.\n"
     "\n"
     "inMonitorBoundsCallback: called once per monitor, before the function returns, as\n"
     "    inMonitorBoundsCallback(index, left, top, right, bottom, refcon)\n"
     "inRefcon: an int handed to the callback\n"
     "\n"
     "Returns 1. What the callback raises stops the calls and is raised here."},
    {"XPLMGetMouseLocationGlobal", PY_XPLMGetMouseLocationGlobal, METH_VARARGS,
     "Tells where the mouse is, in global desktop boxels.\n"
     "\n"
     "outX: a list that gets x as element 0 (appended when empty), or None\n"
     "outY: a list that gets y as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMGetWindowGeometryOS", PY_XPLMGetWindowGeometryOS, METH_VARARGS,
     "Tells a popped-out window's bounds, in the OS's pixels.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "outLeft: a list that gets left as element 0 (appended when empty), or None\n"
     "outTop: a list that gets top as element 0 (appended when empty), or None\n"
     "outRight: a list that gets right as element 0 (appended when empty), or None\n"
     "outBottom: a list that gets bottom as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMSetWindowGeometryOS", PY_XPLMSetWindowGeometryOS, METH_VARARGS,
     "Moves and resizes a popped-out window, in the OS's pixels.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "inLeft, inTop, inRight, inBottom: the new bounds\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMGetWindowGeometryVR", PY_XPLMGetWindowGeometryVR, METH_VARARGS,
     "Tells the size of a window in VR, in boxels.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "outWidthBoxels: a list that gets the width as element 0 (appended when empty), or None\n"
     "outHeightBoxels: a list that gets the height as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMSetWindowGeometryVR", PY_XPLMSetWindowGeometryVR, METH_VARARGS,
     "Sets the size of a window in VR, in boxels.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "widthBoxels: the new width\n"
     "heightBoxels: the new height\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMWindowIsPoppedOut", PY_XPLMWindowIsPoppedOut, METH_O,
     "Tells whether a window is popped out into a window of the OS.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "\n"
     "Returns 1 when popped out, 0 when not."},
    {"XPLMWindowIsInVR", PY_XPLMWindowIsInVR, METH_O,
     "Tells whether a window is shown in VR.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "\n"
     "Returns 1 when in VR, 0 when not."},
    {"XPLMSetWindowGravity", PY_XPLMSetWindowGravity, METH_VARARGS,
     "Sets how a window's edges follow the resizing of the main window.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "inLeftGravity, inTopGravity, inRightGravity, inBottomGravity: 0.0 keeps the edge's distance\n"
     "    to the left (or bottom) side, 1.0 to the right (or top) side\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMSetWindowResizingLimits", PY_XPLMSetWindowResizingLimits, METH_VARARGS,
     "Sets the smallest and largest size the user can resize a window to.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "inMinWidthBoxels, inMinHeightBoxels, inMaxWidthBoxels, inMaxHeightBoxels: the limits\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMSetWindowPositioningMode", PY_XPLMSetWindowPositioningMode, METH_VARARGS,
     "Sets how a window is placed: free, centred, full screen, popped out or in VR.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "inPositioningMode: an xplm_Window* positioning mode\n"
     "inMonitorIndex: the monitor, for the modes that take one (-1 for the main one)\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMSetWindowTitle", PY_XPLMSetWindowTitle, METH_VARARGS,
     "Sets the title shown on a decorated or popped-out window.\n"
     "\n"
     "inWindowID: the window handle (an int)\n"
     "inWindowTitle: the title\n"
     "\n"
     "A window of another script is left as it is.\n"
     "Returns 1."},
    {"XPLMHasKeyboardFocus", PY_XPLMHasKeyboardFocus, METH_O,
     "Tells whether a window has the keyboard focus.\n"
     "\n"
     "inWindow: the window handle; 0 or None asks whether no plug-in window has it\n"
     "\n"
     "Returns 1 when it has the focus, 0 when not."},
    {"XPLMRegisterHotKey", PY_XPLMRegisterHotKey, METH_VARARGS,
     "Registers a hot key of the script, which the user may rebind.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inVirtualKey: the XPLM_VK_* key (0 to 255)\n"
     "inFlags: the xplm_*Flag modifier bits\n"
     "inDescription: what the key does, as the user sees it\n"
     "inCallback: called as inCallback(refcon) when the key is pressed\n"
     "inRefcon: an int handed back to the callback\n"
     "\n"
     "The hot key belongs to the script and goes when the script stops.\n"
     "Returns the hot key handle (an int), or 0 when the simulator refused it. Raises TypeError\n"
     "when self is no script object or inCallback is not callable."},
    {"XPLMUnregisterHotKey", PY_XPLMUnregisterHotKey, METH_VARARGS,
     "Removes a hot key the script registered.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inHotKey: the handle XPLMRegisterHotKey returned\n"
     "\n"
     "Returns 1 when it went, 0 when the script did not register it."},
    {"XPLMCountHotKeys", PY_XPLMCountHotKeys, METH_NOARGS,
     "Counts the hot keys of all plug-ins.\n"
     "\n"
     "Returns the count as an int."},
    {"XPLMGetNthHotKey", PY_XPLMGetNthHotKey, METH_VARARGS,
     "Finds a hot key by its index, 0 to XPLMCountHotKeys() - 1.\n"
     "\n"
     "inIndex: the index\n"
     "\n"
     "Returns the hot key handle (an int), 0 for an index out of range."},
    {"XPLMGetHotKeyInfo", PY_XPLMGetHotKeyInfo, METH_VARARGS,
     "Describes a hot key.\n"
     "\n"
     "inHotKey: the hot key handle\n"
     "outVirtualKey: a list that gets the virtual key as element 0 (appended when empty), or None\n"
     "outFlags: a list that gets the modifier flags as element 0 (appended when empty), or None\n"
     "outDescription: a list that gets the description as element 0 (appended when empty), or None\n"
     "outPlugin: a list that gets the owning plug-in's id as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMSetHotKeyCombination", PY_XPLMSetHotKeyCombination, METH_VARARGS,
     "Binds a hot key to another key combination.\n"
     "\n"
     "inHotKey: the hot key handle\n"
     "inVirtualKey: the new XPLM_VK_* key (0 to 255)\n"
     "inFlags: the new xplm_*Flag modifier bits\n"
     "\n"
     "A hot key of another script keeps its keys.\n"
     "Returns 1."},
    {"XPLMRegisterAvionicsCallbacksEx", PY_XPLMRegisterAvionicsCallbacksEx, METH_VARARGS,
     "Registers callbacks of the script around the drawing of a cockpit device's screen.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inParams: a dict or a sequence in this order: deviceId (an xplm_device_* value), then, each\n"
     "    may be None or left out: drawCallbackBefore(deviceId, isBefore, refcon) -> int (0 keeps\n"
     "    the simulator from drawing the device, 1 lets it draw), drawCallbackAfter(deviceId,\n"
     "    isBefore, refcon) (its answer is ignored), refcon (an int handed back)\n"
     "\n"
     "The callbacks run each frame while the user's aircraft has the device, in the panel phase.\n"
     "The registration belongs to the script and goes when the script stops.\n"
     "Returns the registration's id (an int), or 0 when the simulator refused it. Raises TypeError\n"
     "or ValueError for a bad field."},
    {"XPLMUnregisterAvionicsCallbacks", PY_XPLMUnregisterAvionicsCallbacks, METH_VARARGS,
     "Removes avionics callbacks the script registered.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inAvionicsId: the id XPLMRegisterAvionicsCallbacksEx returned\n"
     "\n"
     "Returns 1 when the registration went, 0 when it is no registration of this script."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMDisplay() {
    BM_InitModule(kModule, XPLMDisplayMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
}
