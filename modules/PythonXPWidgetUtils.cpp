// XPWidgetUtils: widget trees built from tables, moving widgets, and the library's ready-made
// behaviours, which scripts call from their widget callbacks.
#include <string>
#include <vector>

#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPWidgetUtils.h"

namespace {

const char kModule[] = "XPWidgetUtils";

const BM_Constant kConstants[] = {
    {"NO_PARENT", NO_PARENT},
    {"PARAM_PARENT", PARAM_PARENT},
};

PyObject* FailedOnce() { return Py_BuildValue("(i)", 0); }

// One widget definition: a sequence of nine items, left, top, right, bottom, visible,
// descriptor, is root, container index and class. Raises and answers false otherwise.
bool ReadDefinition(PyObject* item, Py_ssize_t index, XPWidgetCreate_t& definition, std::string& descriptor) {
    const char* function = "XPUCreateWidgets";
    // Lists and tuples only: they are not copied, where a lazy sequence would be made whole.
    PyObject* fields = PyList_Check(item) || PyTuple_Check(item) ? PySequence_Fast(item, "") : nullptr;
    if (!fields || PySequence_Fast_GET_SIZE(fields) != 9) {
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError, "%s: definition %zd must be a list of nine items", function, index);
        Py_XDECREF(fields);
        return false;
    }
    PyObject** values = PySequence_Fast_ITEMS(fields);
    int* numbers[8] = {&definition.left,    &definition.top,    &definition.right,          &definition.bottom,
                       &definition.visible, &definition.isRoot, &definition.containerIndex, &definition.widgetClass};
    const int positions[8] = {0, 1, 2, 3, 4, 6, 7, 8};
    bool good = true;
    for (int i = 0; good && i < 8; ++i) {
        long value = BM_IntAsLong(values[positions[i]]);
        if (value == -1 && PyErr_Occurred()) good = false;
        else if (value < INT32_MIN || value > INT32_MAX) {
            PyErr_Format(PyExc_OverflowError, "%s: item %d of definition %zd does not fit an int", function,
                         positions[i], index);
            good = false;
        }
        else *numbers[i] = int(value);
    }
    if (good) {
        const char* text = BM_IsText(values[5]) ? BM_TextAsUtf8(values[5]) : nullptr;
        if (!text) {
            PyErr_Clear();
            PyErr_Format(PyExc_TypeError, "%s: item 5 of definition %zd, the descriptor, must be a text", function,
                         index);
            good = false;
        } else {
            descriptor = text;
        }
    }
    Py_DECREF(fields);
    return good;
}

// Creates `count` widgets from the first `count` definitions and appends their ids, in order,
// to the id list (a widget the simulator could not make appends 0). A count beyond the
// definitions is refused before anything is created.
PyObject* PY_XPUCreateWidgets(PyObject*, PyObject* args) {
    PyObject *definitions, *ids;
    int count;
    Py_ssize_t parent;
    const char* function = "XPUCreateWidgets";
    if (!BM_ParseTuple(args, "Oi" BM_H "O!", &definitions, &count, &parent, &PyList_Type, &ids)) return nullptr;
    if (!PyList_Check(definitions) && !PyTuple_Check(definitions)) {
        PyErr_Format(PyExc_TypeError, "%s: the definitions must be a list, not %.100s", function,
                     Py_TYPE(definitions)->tp_name);
        return nullptr;
    }
    PyObject* rows = PySequence_Fast(definitions, "");
    if (!rows) return nullptr;
    PyObject* result = BM_RaiseInstead([&]() -> PyObject* {
        if (count < 0 || count > PySequence_Fast_GET_SIZE(rows)) {
            PyErr_Format(PyExc_ValueError, "%s: count %d, but %zd definitions", function, count,
                         PySequence_Fast_GET_SIZE(rows));
            return nullptr;
        }
        std::vector<XPWidgetCreate_t> table(static_cast<std::size_t>(count));
        std::vector<std::string> descriptors(static_cast<std::size_t>(count));
        for (Py_ssize_t i = 0; i < count; ++i)
            if (!ReadDefinition(PySequence_Fast_GET_ITEM(rows, i), i, table[std::size_t(i)], descriptors[std::size_t(i)]))
                return nullptr;
        for (std::size_t i = 0; i < table.size(); ++i) table[i].descriptor = descriptors[i].c_str();
        std::vector<XPWidgetID> created(table.size(), nullptr);
        return BM_CallHost(kModule, function, FailedOnce, [&]() -> PyObject* {
            if (!BM_MayChangeWidget(BM_Handle(parent))) return FailedOnce();  // into another's window
            if (!table.empty()) XPUCreateWidgets(table.data(), count, BM_Handle(parent), created.data());
            for (XPWidgetID widget : created) {
                if (widget) {
                    BM_Table().NoteScriptWidget(widget);
                    BM_NoteWidgetCreator(widget);
                }
                PyObject* id = BM_IntFromHandle(widget);
                if (!id || PyList_Append(ids, id) != 0) {
                    Py_XDECREF(id);
                    return nullptr;
                }
                Py_DECREF(id);
            }
            return Py_BuildValue("(i)", 1);
        });
    });
    Py_DECREF(rows);
    return result;
}

PyObject* PY_XPUMoveWidgetBy(PyObject*, PyObject* args) {
    Py_ssize_t widget;
    int dx, dy;
    if (!BM_ParseTuple(args, BM_H "ii", &widget, &dx, &dy)) return nullptr;
    return BM_CallHost(kModule, "XPUMoveWidgetBy", BM_Zero, [&] {
        if (BM_MayChangeWidget(BM_Handle(widget))) XPUMoveWidgetBy(BM_Handle(widget), dx, dy);
        return BM_One();
    });
}

// The behaviours take a message as a widget callback receives it: message, widget, param1,
// param2 (at pointer width), and answer whether they handled it.
PyObject* PY_XPUFixedLayout(PyObject*, PyObject* args) {
    int message;
    Py_ssize_t widget, param1, param2;
    if (!BM_ParseTuple(args, "i" BM_H BM_H BM_H, &message, &widget, &param1, &param2)) return nullptr;
    if (!BM_CheckWidgetMessage("XPUFixedLayout", message, param1, param2)) return nullptr;
    return BM_CallHost(kModule, "XPUFixedLayout", BM_Zero, [&] {
        return BM_IntFromLong(XPUFixedLayout(message, BM_Handle(widget), param1, param2));
    });
}

PyObject* PY_XPUSelectIfNeeded(PyObject*, PyObject* args) {
    int message, eatClick;
    Py_ssize_t widget, param1, param2;
    if (!BM_ParseTuple(args, "i" BM_H BM_H BM_H "i", &message, &widget, &param1, &param2, &eatClick)) return nullptr;
    if (!BM_CheckWidgetMessage("XPUSelectIfNeeded", message, param1, param2)) return nullptr;
    return BM_CallHost(kModule, "XPUSelectIfNeeded", BM_Zero, [&] {
        if (!BM_MayChangeWidget(BM_Handle(widget))) return BM_Zero();
        return BM_IntFromLong(XPUSelectIfNeeded(message, BM_Handle(widget), param1, param2, eatClick));
    });
}

PyObject* PY_XPUDefocusKeyboard(PyObject*, PyObject* args) {
    int message, eatClick;
    Py_ssize_t widget, param1, param2;
    if (!BM_ParseTuple(args, "i" BM_H BM_H BM_H "i", &message, &widget, &param1, &param2, &eatClick)) return nullptr;
    if (!BM_CheckWidgetMessage("XPUDefocusKeyboard", message, param1, param2)) return nullptr;
    return BM_CallHost(kModule, "XPUDefocusKeyboard", BM_Zero, [&] {
        if (!BM_MayChangeWidget(BM_Handle(widget))) return BM_Zero();
        return BM_IntFromLong(XPUDefocusKeyboard(message, BM_Handle(widget), param1, param2, eatClick));
    });
}

PyObject* PY_XPUDragWidget(PyObject*, PyObject* args) {
    int message, left, top, right, bottom;
    Py_ssize_t widget, param1, param2;
    if (!BM_ParseTuple(args, "i" BM_H BM_H BM_H "iiii", &message, &widget, &param1, &param2, &left, &top, &right,
                       &bottom))
        return nullptr;
    if (!BM_CheckWidgetMessage("XPUDragWidget", message, param1, param2)) return nullptr;
    return BM_CallHost(kModule, "XPUDragWidget", BM_Zero, [&] {
        if (!BM_MayChangeWidget(BM_Handle(widget))) return BM_Zero();
        return BM_IntFromLong(XPUDragWidget(message, BM_Handle(widget), param1, param2, left, top, right, bottom));
    });
}

PyMethodDef XPWidgetUtilsMethods[] = {
    {"XPUCreateWidgets", PY_XPUCreateWidgets, METH_VARARGS,
     "Creates a tree of widgets from a table of definitions.\n"
     "\n"
     "inWidgetDefs: a list of definitions, each a list of nine items: left, top, right, bottom,\n"
     "    visible, descriptor, isRoot, containerIndex (the index of an earlier definition,\n"
     "    NO_PARENT (-1) or PARAM_PARENT (-2)) and class\n"
     "inCount: how many of the definitions to create\n"
     "inParamParent: the container of the definitions whose containerIndex is PARAM_PARENT\n"
     "ioWidgets: a list the new widgets' ids are appended to, in order (0 for one not made)\n"
     "\n"
     "Returns the tuple (1,); (0,) when nothing was made (e.g. inParamParent is another script's).\n"
     "Raises TypeError for a bad definition, ValueError when inCount exceeds the definitions."},
    {"XPUMoveWidgetBy", PY_XPUMoveWidgetBy, METH_VARARGS,
     "Moves a widget and the widgets inside it by an offset.\n"
     "\n"
     "inWidget: the widget id\n"
     "inDeltaX, inDeltaY: the offset in pixels\n"
     "\n"
     "Another script's widget is left as it is. Returns 1."},
    {"XPUFixedLayout", PY_XPUFixedLayout, METH_VARARGS,
     "The library's behaviour that keeps a widget's children where they are when it moves.\n"
     "\n"
     "inMessage, inWidget, inParam1, inParam2: the message as the widget callback received it\n"
     "\n"
     "Call it from a widget callback. Returns 1 when it handled the message, 0 when not."},
    {"XPUSelectIfNeeded", PY_XPUSelectIfNeeded, METH_VARARGS,
     "The library's behaviour that brings a root widget to the front when it is clicked.\n"
     "\n"
     "inMessage, inWidget, inParam1, inParam2: the message as the widget callback received it\n"
     "inEatClick: 1 to take the click, 0 to let it go on to the widget\n"
     "\n"
     "Call it from a widget callback. Returns 1 when it handled the message, 0 when not (and 0\n"
     "for another script's widget)."},
    {"XPUDefocusKeyboard", PY_XPUDefocusKeyboard, METH_VARARGS,
     "The library's behaviour that takes the keyboard focus from a text field when the widget is\n"
     "clicked.\n"
     "\n"
     "inMessage, inWidget, inParam1, inParam2: the message as the widget callback received it\n"
     "inEatClick: 1 to take the click, 0 to let it go on to the widget\n"
     "\n"
     "Call it from a widget callback. Returns 1 when it handled the message, 0 when not (and 0\n"
     "for another script's widget)."},
    {"XPUDragWidget", PY_XPUDragWidget, METH_VARARGS,
     "The library's behaviour that drags a widget by a part of it (e.g. a title bar).\n"
     "\n"
     "inMessage, inWidget, inParam1, inParam2: the message as the widget callback received it\n"
     "inLeft, inTop, inRight, inBottom: the part to drag by, in global window coordinates\n"
     "\n"
     "Call it from a widget callback. Returns 1 when it handled the message, 0 when not (and 0\n"
     "for another script's widget)."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPWidgetUtils() {
    BM_InitModule(kModule, XPWidgetUtilsMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
}
