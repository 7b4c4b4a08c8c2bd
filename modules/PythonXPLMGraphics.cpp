// XPLMGraphics: graphics state, textures, coordinate conversion, and drawing of boxes, text and
// numbers from scripts' draw callbacks.
#include <vector>

#include <cstring>

#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMGraphics.h"

namespace {

const char kModule[] = "XPLMGraphics";

const BM_Constant kConstants[] = {
    {"xplm_Tex_GeneralInterface", xplm_Tex_GeneralInterface},
    {"xplm_Tex_AircraftPaint", xplm_Tex_AircraftPaint},
    {"xplm_Tex_AircraftLiteMap", xplm_Tex_AircraftLiteMap},
    {"xplmFont_Basic", xplmFont_Basic},
    {"xplmFont_Menus", xplmFont_Menus},
    {"xplmFont_Metal", xplmFont_Metal},
    {"xplmFont_Led", xplmFont_Led},
    {"xplmFont_LedWide", xplmFont_LedWide},
    {"xplmFont_PanelHUD", xplmFont_PanelHUD},
    {"xplmFont_PanelEFIS", xplmFont_PanelEFIS},
    {"xplmFont_PanelGPS", xplmFont_PanelGPS},
    {"xplmFont_RadiosGA", xplmFont_RadiosGA},
    {"xplmFont_RadiosBC", xplmFont_RadiosBC},
    {"xplmFont_RadiosHM", xplmFont_RadiosHM},
    {"xplmFont_RadiosGANarrow", xplmFont_RadiosGANarrow},
    {"xplmFont_RadiosBCNarrow", xplmFont_RadiosBCNarrow},
    {"xplmFont_RadiosHMNarrow", xplmFont_RadiosHMNarrow},
    {"xplmFont_Timer", xplmFont_Timer},
    {"xplmFont_FullRound", xplmFont_FullRound},
    {"xplmFont_SmallRound", xplmFont_SmallRound},
    {"xplmFont_Menus_Localized", xplmFont_Menus_Localized},
};

PyObject* ZeroTriple() { return Py_BuildValue("(ddd)", 0.0, 0.0, 0.0); }

// Answers 0 as it always has; a failure in the simulator is reported like any other.
PyObject* PY_XPLMSetGraphicsState(PyObject*, PyObject* args) {
    int fog, textureUnits, lighting, alphaTesting, alphaBlending, depthTesting, depthWriting;
    if (!BM_ParseTuple(args, "iiiiiii", &fog, &textureUnits, &lighting, &alphaTesting, &alphaBlending,
                          &depthTesting, &depthWriting))
        return nullptr;
    return BM_CallHost(kModule, "XPLMSetGraphicsState", BM_Zero, [&] {
        XPLMSetGraphicsState(fog, textureUnits, lighting, alphaTesting, alphaBlending, depthTesting, depthWriting);
        return BM_IntFromLong(0);
    });
}

PyObject* PY_XPLMBindTexture2d(PyObject*, PyObject* args) {
    int texture, unit;
    if (!BM_ParseTuple(args, "ii", &texture, &unit)) return nullptr;
    return BM_CallHost(kModule, "XPLMBindTexture2d", BM_Zero, [&] {
        XPLMBindTexture2d(texture, unit);
        return BM_One();
    });
}

// The numbers are appended to the list; a count below 1 asks for none. No plug-in needs more
// than a few thousand textures: a larger count is refused before anything is allocated.
constexpr int kMostTextureNumbers = 65536;

PyObject* PY_XPLMGenerateTextureNumbers(PyObject*, PyObject* args) {
    PyObject* list;
    int count;
    if (!BM_ParseTuple(args, "O!i", &PyList_Type, &list, &count)) return nullptr;
    if (count > kMostTextureNumbers) {
        PyErr_Format(PyExc_ValueError, "XPLMGenerateTextureNumbers: at most %d numbers at a time, not %d",
                     kMostTextureNumbers, count);
        return nullptr;
    }
    return BM_CallHost(kModule, "XPLMGenerateTextureNumbers", BM_Zero, [&]() -> PyObject* {
        if (count < 1) return BM_One();
        std::vector<int> numbers(static_cast<std::size_t>(count));
        XPLMGenerateTextureNumbers(numbers.data(), count);
        for (int number : numbers) {
            PyObject* item = BM_IntFromLong(number);
            int failed = item ? PyList_Append(list, item) : -1;
            Py_XDECREF(item);
            if (failed) return nullptr;
        }
        return BM_One();
    });
}

PyObject* PY_XPLMGetTexture(PyObject*, PyObject* args) {
    int texture;
    if (!BM_ParseTuple(args, "i", &texture)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetTexture", BM_Zero, [&] { return BM_IntFromLong(XPLMGetTexture(texture)); });
}

template <typename Host>
PyObject* Convert(PyObject* args, const char* function, Host host) {
    double a, b, c;
    if (!BM_ParseTuple(args, "ddd", &a, &b, &c)) return nullptr;
    return BM_CallHost(kModule, function, ZeroTriple, [&] {
        double x = 0, y = 0, z = 0;
        host(a, b, c, &x, &y, &z);
        return Py_BuildValue("(ddd)", x, y, z);
    });
}

PyObject* PY_XPLMWorldToLocal(PyObject*, PyObject* args) {
    return Convert(args, "XPLMWorldToLocal", XPLMWorldToLocal);
}

PyObject* PY_XPLMLocalToWorld(PyObject*, PyObject* args) {
    return Convert(args, "XPLMLocalToWorld", XPLMLocalToWorld);
}

PyObject* PY_XPLMDrawTranslucentDarkBox(PyObject*, PyObject* args) {
    int left, top, right, bottom;
    if (!BM_ParseTuple(args, "iiii", &left, &top, &right, &bottom)) return nullptr;
    return BM_CallHost(kModule, "XPLMDrawTranslucentDarkBox", BM_Zero, [&] {
        XPLMDrawTranslucentDarkBox(left, top, right, bottom);
        return BM_One();
    });
}

// Colour components are C floats (BM_ConvertFloat: out of the float range is OverflowError).
// The wrap width goes to the simulator as a pointer to it, or null for 0 (no wrapping).
PyObject* PY_XPLMDrawString(PyObject*, PyObject* args) {
    float rgb[3];
    int x, y, wrap, font;
    const char* text;
    if (!BM_ParseTuple(args, "(O&O&O&)iisii", BM_ConvertFloat, &rgb[0], BM_ConvertFloat, &rgb[1], BM_ConvertFloat,
                          &rgb[2], &x, &y, &text, &wrap, &font))
        return nullptr;
    return BM_CallHost(kModule, "XPLMDrawString", BM_Zero, [&] {
        XPLMDrawString(rgb, x, y, const_cast<char*>(text), wrap ? &wrap : nullptr, font);
        return BM_One();
    });
}

PyObject* PY_XPLMDrawNumber(PyObject*, PyObject* args) {
    float rgb[3];
    int x, y, digits, decimals, showSign, font;
    double value;
    if (!BM_ParseTuple(args, "(O&O&O&)iidiiii", BM_ConvertFloat, &rgb[0], BM_ConvertFloat, &rgb[1],
                          BM_ConvertFloat, &rgb[2], &x, &y, &value, &digits, &decimals, &showSign, &font))
        return nullptr;
    return BM_CallHost(kModule, "XPLMDrawNumber", BM_Zero, [&] {
        XPLMDrawNumber(rgb, x, y, value, digits, decimals, showSign, font);
        return BM_One();
    });
}

PyObject* PY_XPLMGetFontDimensions(PyObject*, PyObject* args) {
    int font;
    PyObject *width, *height, *digitsOnly;
    if (!BM_ParseTuple(args, "iOOO", &font, &width, &height, &digitsOnly)) return nullptr;
    for (PyObject* list : {width, height, digitsOnly})
        if (!BM_CheckOutParameter(list, "XPLMGetFontDimensions")) return nullptr;
    return BM_CallHost(kModule, "XPLMGetFontDimensions", BM_Zero, [&] {
        int values[3] = {0, 0, 0};
        PyObject* lists[3] = {width, height, digitsOnly};
        XPLMGetFontDimensions(font, width == Py_None ? nullptr : &values[0],
                              height == Py_None ? nullptr : &values[1], digitsOnly == Py_None ? nullptr : &values[2]);
        for (int i = 0; i < 3; ++i) BM_WriteOutParameter(lists[i], BM_IntFromLong(values[i]));
        return BM_One();
    });
}

// The width of the string's first numChars bytes (UTF-8); more bytes than the string has is a
// ValueError, since the simulator would read past its end.
PyObject* PY_XPLMMeasureString(PyObject*, PyObject* args) {
    int font, count;
    const char* text;
    if (!BM_ParseTuple(args, "isi", &font, &text, &count)) return nullptr;
    std::size_t length = std::strlen(text);
    if (count > 0 && std::size_t(count) > length)
        return PyErr_Format(PyExc_ValueError, "XPLMMeasureString: numChars %d is more than the string's %d bytes", count,
                            int(length));
    return BM_CallHost(kModule, "XPLMMeasureString", BM_ZeroFloat,
                       [&] { return PyFloat_FromDouble(XPLMMeasureString(font, text, count)); });
}

PyMethodDef XPLMGraphicsMethods[] = {
    {"XPLMSetGraphicsState", PY_XPLMSetGraphicsState, METH_VARARGS,
     "Sets the OpenGL state for drawing, through the simulator so that its own state stays right.\n"
     "\n"
     "inEnableFog: 1 for fog\n"
     "inNumberTexUnits: how many texture units are enabled (0 to 4)\n"
     "inEnableLighting: 1 for lighting\n"
     "inEnableAlphaTesting: 1 for alpha testing\n"
     "inEnableAlphaBlending: 1 for alpha blending\n"
     "inEnableDepthTesting: 1 for depth testing\n"
     "inEnableDepthWriting: 1 for writing to the depth buffer\n"
     "\n"
     "Returns 0."},
    {"XPLMBindTexture2d", PY_XPLMBindTexture2d, METH_VARARGS,
     "Binds a 2-D texture to a texture unit, through the simulator's state cache.\n"
     "\n"
     "inTextureNum: the OpenGL texture number\n"
     "inTextureUnit: the texture unit, 0 to 3\n"
     "\n"
     "Returns 1."},
    {"XPLMGenerateTextureNumbers", PY_XPLMGenerateTextureNumbers, METH_VARARGS,
     "Reserves OpenGL texture numbers that no other plug-in uses.\n"
     "\n"
     "outTextureIDs: a list the numbers are appended to\n"
     "inCount: how many; below 1 asks for none\n"
     "\n"
     "Returns 1. Raises ValueError for a count of several thousand or more."},
    {"XPLMGetTexture", PY_XPLMGetTexture, METH_VARARGS,
     "Tells the OpenGL texture number of one of the simulator's own textures.\n"
     "\n"
     "inTexture: an xplm_Tex_* texture\n"
     "\n"
     "Returns the texture number (an int), 0 when there is none."},
    {"XPLMWorldToLocal", PY_XPLMWorldToLocal, METH_VARARGS,
     "Converts a point on the earth to the simulator's local OpenGL coordinates.\n"
     "\n"
     "inLatitude: degrees\n"
     "inLongitude: degrees\n"
     "inAltitude: metres above mean sea level\n"
     "\n"
     "Returns the tuple (x, y, z) in metres."},
    {"XPLMLocalToWorld", PY_XPLMLocalToWorld, METH_VARARGS,
     "Converts a point in local OpenGL coordinates to a point on the earth.\n"
     "\n"
     "inX, inY, inZ: the local coordinates in metres\n"
     "\n"
     "Returns the tuple (latitude, longitude, altitude): degrees, degrees, metres above sea level."},
    {"XPLMDrawTranslucentDarkBox", PY_XPLMDrawTranslucentDarkBox, METH_VARARGS,
     "Draws a translucent dark box, the background the simulator uses for its own texts.\n"
     "\n"
     "inLeft, inTop, inRight, inBottom: the box's bounds in window pixels\n"
     "\n"
     "Call it from a draw callback. Returns 1."},
    {"XPLMDrawString", PY_XPLMDrawString, METH_VARARGS,
     "Draws a string in one of the simulator's fonts.\n"
     "\n"
     "inColorRGB: the colour, a sequence of three floats from 0.0 to 1.0 (red, green, blue)\n"
     "inXOffset, inYOffset: where the string starts (its lower left), in window pixels\n"
     "inChar: the text\n"
     "inWordWrapWidth: the width to wrap the text at, in pixels; 0 for no wrapping\n"
     "inFontID: an xplmFont_* font\n"
     "\n"
     "Call it from a draw callback. Returns 1. Raises OverflowError for a colour component beyond\n"
     "the float range."},
    {"XPLMDrawNumber", PY_XPLMDrawNumber, METH_VARARGS,
     "Draws a number in one of the simulator's fonts.\n"
     "\n"
     "inColorRGB: the colour, a sequence of three floats from 0.0 to 1.0 (red, green, blue)\n"
     "inXOffset, inYOffset: where the number starts (its lower left), in window pixels\n"
     "inValue: the number\n"
     "inDigits: how many digits\n"
     "inDecimals: how many of them after the decimal point\n"
     "inShowSign: 1 to draw + before a positive number\n"
     "inFontID: an xplmFont_* font\n"
     "\n"
     "Call it from a draw callback. Returns 1."},
    {"XPLMGetFontDimensions", PY_XPLMGetFontDimensions, METH_VARARGS,
     "Tells the size of a font's characters.\n"
     "\n"
     "inFontID: an xplmFont_* font\n"
     "outCharWidth: a list that gets the width as element 0 (appended when empty), or None\n"
     "outCharHeight: a list that gets the height as element 0 (appended when empty), or None\n"
     "outDigitsOnly: a list that gets 1 when the font has only digits as element 0 (appended\n"
     "    when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPLMMeasureString", PY_XPLMMeasureString, METH_VARARGS,
     "Measures how wide a string draws in a font.\n"
     "\n"
     "inFontID: an xplmFont_* font\n"
     "inChar: the text\n"
     "inNumChars: how many of its first bytes (UTF-8) to measure\n"
     "\n"
     "Returns the width in pixels (a float). Raises ValueError when inNumChars is more than the\n"
     "string's bytes."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMGraphics() {
    BM_InitModule(kModule, XPLMGraphicsMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
}
