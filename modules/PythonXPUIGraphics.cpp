// XPUIGraphics: the widget library's window frames, elements and tracks, drawn from scripts'
// draw callbacks and widget functions, and their default sizes.
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPUIGraphics.h"

namespace {

const char kModule[] = "XPUIGraphics";
const char kError[] = "Function Error";

const BM_Constant kConstants[] = {
    {"xpWindow_Help", xpWindow_Help},
    {"xpWindow_MainWindow", xpWindow_MainWindow},
    {"xpWindow_SubWindow", xpWindow_SubWindow},
    {"xpWindow_Screen", xpWindow_Screen},
    {"xpWindow_ListView", xpWindow_ListView},
    {"xpElement_TextField", xpElement_TextField},
    {"xpElement_CheckBox", xpElement_CheckBox},
    {"xpElement_CheckBoxLit", xpElement_CheckBoxLit},
    {"xpElement_WindowCloseBox", xpElement_WindowCloseBox},
    {"xpElement_WindowCloseBoxPressed", xpElement_WindowCloseBoxPressed},
    {"xpElement_PushButton", xpElement_PushButton},
    {"xpElement_PushButtonLit", xpElement_PushButtonLit},
    {"xpElement_OilPlatform", xpElement_OilPlatform},
    {"xpElement_Ship", xpElement_Ship},
    {"xpElement_OilPlatformSmall", xpElement_OilPlatformSmall},
    {"xpElement_ILSGlideScope", xpElement_ILSGlideScope},
    {"xpElement_MarkerLeft", xpElement_MarkerLeft},
    {"xpElement_Airport", xpElement_Airport},
    {"xpElement_Waypoint", xpElement_Waypoint},
    {"xpElement_NDB", xpElement_NDB},
    {"xpElement_VOR", xpElement_VOR},
    {"xpElement_RadioTower", xpElement_RadioTower},
    {"xpElement_AircraftCarrier", xpElement_AircraftCarrier},
    {"xpElement_Fire", xpElement_Fire},
    {"xpElement_MarkerRight", xpElement_MarkerRight},
    {"xpElement_CustomObject", xpElement_CustomObject},
    {"xpElement_CoolingTower", xpElement_CoolingTower},
    {"xpElement_SmokeStack", xpElement_SmokeStack},
    {"xpElement_Building", xpElement_Building},
    {"xpElement_PowerLine", xpElement_PowerLine},
    {"xpElement_CopyButtons", xpElement_CopyButtons},
    {"xpElement_CopyButtonsWithEditingGrid", xpElement_CopyButtonsWithEditingGrid},
    {"xpElement_EditingGrid", xpElement_EditingGrid},
    {"xpElement_ScrollBar", xpElement_ScrollBar},
    {"xpElement_VORWithCompassRose", xpElement_VORWithCompassRose},
    {"xpElement_Zoomer", xpElement_Zoomer},
    {"xpElement_TextFieldMiddle", xpElement_TextFieldMiddle},
    {"xpElement_LittleDownArrow", xpElement_LittleDownArrow},
    {"xpElement_LittleUpArrow", xpElement_LittleUpArrow},
    {"xpElement_WindowDragBar", xpElement_WindowDragBar},
    {"xpElement_WindowDragBarSmooth", xpElement_WindowDragBarSmooth},
    {"xpTrack_ScrollBar", xpTrack_ScrollBar},
    {"xpTrack_Slider", xpTrack_Slider},
    {"xpTrack_Progress", xpTrack_Progress},
};

PyObject* PY_XPDrawWindow(PyObject*, PyObject* args) {
    int x1, y1, x2, y2, style;
    if (!BM_ParseTuple(args, "iiiii", &x1, &y1, &x2, &y2, &style)) return nullptr;
    return BM_CallHost(kModule, "XPDrawWindow", BM_Zero, [&] {
        XPDrawWindow(x1, y1, x2, y2, style);
        return BM_One();
    }, kError);
}

// The lists (or None) that get a style's sizes, in order.
template <std::size_t N, typename Host>
PyObject* DefaultDimensions(const char* function, PyObject* const (&lists)[N], Host host) {
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
    }, kError);
}

PyObject* PY_XPGetWindowDefaultDimensions(PyObject*, PyObject* args) {
    int style;
    PyObject *width, *height;
    if (!BM_ParseTuple(args, "iOO", &style, &width, &height)) return nullptr;
    return DefaultDimensions("XPGetWindowDefaultDimensions", {width, height},
                             [&](int** p) { XPGetWindowDefaultDimensions(style, p[0], p[1]); });
}

PyObject* PY_XPDrawElement(PyObject*, PyObject* args) {
    int x1, y1, x2, y2, style, lit;
    if (!BM_ParseTuple(args, "iiiiii", &x1, &y1, &x2, &y2, &style, &lit)) return nullptr;
    return BM_CallHost(kModule, "XPDrawElement", BM_Zero, [&] {
        XPDrawElement(x1, y1, x2, y2, style, lit);
        return BM_One();
    }, kError);
}

PyObject* PY_XPGetElementDefaultDimensions(PyObject*, PyObject* args) {
    int style;
    PyObject *width, *height, *canBeLit;
    if (!BM_ParseTuple(args, "iOOO", &style, &width, &height, &canBeLit)) return nullptr;
    return DefaultDimensions("XPGetElementDefaultDimensions", {width, height, canBeLit},
                             [&](int** p) { XPGetElementDefaultDimensions(style, p[0], p[1], p[2]); });
}

PyObject* PY_XPDrawTrack(PyObject*, PyObject* args) {
    int x1, y1, x2, y2, min, max, value, style, lit;
    if (!BM_ParseTuple(args, "iiiiiiiii", &x1, &y1, &x2, &y2, &min, &max, &value, &style, &lit)) return nullptr;
    return BM_CallHost(kModule, "XPDrawTrack", BM_Zero, [&] {
        XPDrawTrack(x1, y1, x2, y2, min, max, value, style, lit);
        return BM_One();
    }, kError);
}

PyObject* ZeroPair() { return Py_BuildValue("(ii)", 0, 0); }

PyObject* PY_XPGetTrackDefaultDimensions(PyObject*, PyObject* args) {
    int style;
    if (!BM_ParseTuple(args, "i", &style)) return nullptr;
    return BM_CallHost(kModule, "XPGetTrackDefaultDimensions", ZeroPair, [&] {
        int width = 0, canBeLit = 0;
        XPGetTrackDefaultDimensions(style, &width, &canBeLit);
        return Py_BuildValue("(ii)", width, canBeLit);
    }, kError);
}

PyObject* PY_XPGetTrackMetrics(PyObject*, PyObject* args) {
    int x1, y1, x2, y2, min, max, value, style;
    if (!BM_ParseTuple(args, "iiiiiiii", &x1, &y1, &x2, &y2, &min, &max, &value, &style)) return nullptr;
    return BM_CallHost(kModule, "XPGetTrackMetrics", BM_Zero, [&] {
        int m[6] = {0, 0, 0, 0, 0, 0};
        XPGetTrackMetrics(x1, y1, x2, y2, min, max, value, style, &m[0], &m[1], &m[2], &m[3], &m[4], &m[5]);
        return Py_BuildValue("(iiiiii)", m[0], m[1], m[2], m[3], m[4], m[5]);
    }, kError);
}

PyMethodDef XPUIGraphicsMethods[] = {
    {"XPDrawWindow", PY_XPDrawWindow, METH_VARARGS,
     "Draws a window frame of the widget library.\n"
     "\n"
     "inX1, inY1, inX2, inY2: the frame's corners (left, bottom, right, top)\n"
     "inStyle: an xpWindow_* style\n"
     "\n"
     "Call it from a draw callback or a widget's draw message. Returns 1."},
    {"XPGetWindowDefaultDimensions", PY_XPGetWindowDefaultDimensions, METH_VARARGS,
     "Tells the default size of a window frame style.\n"
     "\n"
     "inStyle: an xpWindow_* style\n"
     "outWidth: a list that gets the width as element 0 (appended when empty), or None\n"
     "outHeight: a list that gets the height as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPDrawElement", PY_XPDrawElement, METH_VARARGS,
     "Draws an element of the widget library (a button, a field, an icon...).\n"
     "\n"
     "inX1, inY1, inX2, inY2: the element's corners (left, bottom, right, top)\n"
     "inStyle: an xpElement_* style\n"
     "inLit: 1 to draw it lit\n"
     "\n"
     "Call it from a draw callback or a widget's draw message. Returns 1."},
    {"XPGetElementDefaultDimensions", PY_XPGetElementDefaultDimensions, METH_VARARGS,
     "Tells the default size of an element style, and whether it can be lit.\n"
     "\n"
     "inStyle: an xpElement_* style\n"
     "outWidth: a list that gets the width as element 0 (appended when empty), or None\n"
     "outHeight: a list that gets the height as element 0 (appended when empty), or None\n"
     "outCanBeLit: a list that gets 1 when it can be lit as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPDrawTrack", PY_XPDrawTrack, METH_VARARGS,
     "Draws a track of the widget library (a scroll bar, a slider, a progress bar).\n"
     "\n"
     "inX1, inY1, inX2, inY2: the track's corners (left, bottom, right, top)\n"
     "inMin, inMax: the range of values\n"
     "inValue: the value shown\n"
     "inTrackStyle: an xpTrack_* style\n"
     "inLit: 1 to draw it lit\n"
     "\n"
     "Call it from a draw callback or a widget's draw message. Returns 1."},
    {"XPGetTrackDefaultDimensions", PY_XPGetTrackDefaultDimensions, METH_VARARGS,
     "Tells the default width of a track style, and whether it can be lit.\n"
     "\n"
     "inStyle: an xpTrack_* style\n"
     "\n"
     "Returns the tuple (width, canBeLit)."},
    {"XPGetTrackMetrics", PY_XPGetTrackMetrics, METH_VARARGS,
     "Tells how a track with these bounds and values is laid out, to find what a click hit.\n"
     "\n"
     "inX1, inY1, inX2, inY2: the track's corners (left, bottom, right, top)\n"
     "inMin, inMax: the range of values\n"
     "inValue: the value shown\n"
     "inTrackStyle: an xpTrack_* style\n"
     "\n"
     "Returns the tuple (isVertical, downBtnSize, downPageSize, thumbSize, upPageSize, upBtnSize),\n"
     "the sizes in pixels along the track."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPUIGraphics() {
    BM_InitModule(kModule, XPUIGraphicsMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
}
