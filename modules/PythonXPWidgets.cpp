// XPWidgets: widgets of the simulator's widget library, widget callbacks written in Python, and
// one Python object per script and widget.
//
// A script reads any widget, but changes and destroys only its own and those that are no
// script's: another script's widgets and the plug-in's own windows are answered as an unknown
// widget is (BM_MayChangeWidget).
//
// Widget ids, message parameters and property values cross at pointer width. Widgets that
// scripts create are noted in the script table; what is left of them when the interpreter
// stops is destroyed then (BM_DestroyScriptWidgets), so that no window of a stopped script
// stays on the screen with nobody behind it.
#include <algorithm>
#include <exception>
#include <string>
#include <vector>

#include "BrindlemoorBase.h"
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPWidgets.h"

namespace {

const char kModule[] = "XPWidgets";

XPWidgetID Widget(Py_ssize_t value) { return BM_Handle(value); }

// The simulator cannot take a callback back from a widget: a removed record only makes its
// trampoline pass the widget's messages on.
void KeepWidgetFunction(_CallbackRecordStruct&) {}

// ---- Creation and destruction ----

PyObject* PY_XPCreateWidget(PyObject*, PyObject* args) {
    int left, top, right, bottom, visible, isRoot, widgetClass;
    const char* descriptor;
    Py_ssize_t container;
    if (!BM_ParseTuple(args, "iiiiisi" BM_H "i", &left, &top, &right, &bottom, &visible, &descriptor, &isRoot,
                       &container, &widgetClass))
        return nullptr;
    return BM_CallHost(kModule, "XPCreateWidget", BM_Zero, [&] {
        if (!BM_MayChangeWidget(Widget(container))) return BM_Zero();
        XPWidgetID widget =
            XPCreateWidget(left, top, right, bottom, visible, descriptor, isRoot, Widget(container), widgetClass);
        if (widget) {
            BM_Table().NoteScriptWidget(widget);
            BM_NoteWidgetCreator(widget);
        }
        return BM_IntFromHandle(widget);
    });
}

PyObject* PY_XPCreateCustomWidget(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int left, top, right, bottom, visible, isRoot;
    const char* descriptor;
    Py_ssize_t container;
    const char* function = "XPCreateCustomWidget";
    if (!BM_ParseTuple(args, "Oiiiiisi" BM_H "O", &script, &left, &top, &right, &bottom, &visible, &descriptor,
                       &isRoot, &container, &callable))
        return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the widget function"))
        return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        // Messages that reach the widget during its creation find no record and are answered
        // 0; the script hears of the creation right after, with param1 1.
        if (!BM_MayChangeWidget(Widget(container))) return BM_Zero();
        XPWidgetID widget = XPCreateCustomWidget(left, top, right, bottom, visible, descriptor, isRoot,
                                                 Widget(container), BM_CustomWidgetCallback);
        if (!widget) return BM_Zero();
        BM_Table().NoteScriptWidget(widget);
        BM_NoteWidgetCreator(widget);
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindWidget, callable, 0);
        BM_Table().SetWidgetSlot(record, widget, 0);
        record->unregister = KeepWidgetFunction;
        XPSendMessageToWidget(widget, xpMsg_Create, xpMode_Once, 1, 0);
        return BM_IntFromHandle(widget);
    });
}

// The registry lets go of the widget (and, with its children, of theirs) before the simulator
// destroys it, whether or not the simulator's call then succeeds. Only the calling script's
// callbacks and objects go here; other scripts' callbacks go as their trampolines hear of the
// destruction.
PyObject* PY_XPDestroyWidget(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t widget;
    int destroyChildren;
    const char* function = "XPDestroyWidget";
    if (!BM_ParseTuple(args, "O" BM_H "i", &script, &widget, &destroyChildren)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        std::vector<void*> going{Widget(widget)};
        std::exception_ptr failure;
        if (destroyChildren) {
            try {
                going = BM_WidgetSubtree(Widget(widget));
            } catch (...) {
                failure = std::current_exception();  // the widget itself is let go all the same
            }
        }
        for (void* gone : going)
            if (!BM_MayChangeWidget(gone)) return BM_One();  // another's stays whole

        while (_CallbackRecordStruct* record = BM_Table().WidgetRecordOf(script, Widget(widget)))
            BM_Table().RemoveRecord(record);
        BM_Table().RemoveWidgetObjects(script, going);
        for (void* gone : going) {
            BM_Table().ForgetScriptWidget(gone);
            BM_ForgetWidgetCreator(gone);
        }
        if (failure) std::rethrow_exception(failure);
        XPDestroyWidget(Widget(widget), destroyChildren);
        return BM_One();
    });
}

PyObject* PY_XPAddWidgetCallback(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    Py_ssize_t widget;
    const char* function = "XPAddWidgetCallback";
    if (!BM_ParseTuple(args, "O" BM_H "O", &script, &widget, &callable)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    if (BMTestTable && BMTestTable->NextWidgetSlot(Widget(widget)) < 0) {
        PyErr_Format(PyExc_ValueError, "%s: a widget takes at most %d callbacks from scripts", function,
                     BM_ScriptTable::kWidgetSlots - 1);
        return nullptr;
    }
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (!BM_MayChangeWidget(Widget(widget))) return BM_One();
        int slot = BM_Table().NextWidgetSlot(Widget(widget));
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindWidget, callable, 0);
        BM_Table().SetWidgetSlot(record, Widget(widget), slot);
        // The record is in place first: the new callback hears of its creation at once.
        BM_RegisterRecord(record, KeepWidgetFunction, [&] {
            XPAddWidgetCallback(Widget(widget), BM_WidgetFunctionOfSlot(slot));
            return true;
        });
        return BM_One();
    });
}

// ---- Messages and hierarchy ----

PyObject* PY_XPSendMessageToWidget(PyObject*, PyObject* args) {
    Py_ssize_t widget, param1, param2;
    int message, mode;
    if (!BM_ParseTuple(args, BM_H "ii" BM_H BM_H, &widget, &message, &mode, &param1, &param2)) return nullptr;
    if (!BM_CheckWidgetMessage("XPSendMessageToWidget", message, param1, param2)) return nullptr;
    return BM_CallHost(kModule, "XPSendMessageToWidget", BM_Zero, [&] {
        return BM_IntFromLong(XPSendMessageToWidget(Widget(widget), message, mode, param1, param2));
    });
}

PyObject* PY_XPPlaceWidgetWithin(PyObject*, PyObject* args) {
    Py_ssize_t widget, container;
    if (!BM_ParseTuple(args, BM_H BM_H, &widget, &container)) return nullptr;
    return BM_CallHost(kModule, "XPPlaceWidgetWithin", BM_Zero, [&] {
        if (BM_MayChangeWidget(Widget(widget)) && BM_MayChangeWidget(Widget(container)))
            XPPlaceWidgetWithin(Widget(widget), Widget(container));
        return BM_One();
    });
}

PyObject* PY_XPGetNthChildWidget(PyObject*, PyObject* args) {
    Py_ssize_t widget;
    int index;
    if (!BM_ParseTuple(args, BM_H "i", &widget, &index)) return nullptr;
    return BM_CallHost(kModule, "XPGetNthChildWidget", BM_Zero,
                       [&] { return BM_IntFromHandle(XPGetNthChildWidget(Widget(widget), index)); });
}

// The functions that take just a widget: the answer is the simulator's number, its widget, or
// 1 for those that answer nothing.
template <typename Host>
PyObject* OnWidget(PyObject* arg, const char* function, Host host) {
    Py_ssize_t widget;
    if (!BM_ParseHandle(arg, &widget)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] { return host(Widget(widget)); });
}

#define BM_WIDGET_INT(name)                                                                                       \
    PyObject* PY_##name(PyObject*, PyObject* arg) {                                                               \
        return OnWidget(arg, #name, [](XPWidgetID w) { return BM_IntFromLong(name(w)); });                         \
    }
#define BM_WIDGET_ID(name)                                                                                        \
    PyObject* PY_##name(PyObject*, PyObject* arg) {                                                               \
        return OnWidget(arg, #name, [](XPWidgetID w) { return BM_IntFromHandle(name(w)); });                       \
    }
// Those that change the widget leave another's alone.
#define BM_WIDGET_VOID(name)                                                                                      \
    PyObject* PY_##name(PyObject*, PyObject* arg) {                                                               \
        return OnWidget(arg, #name, [](XPWidgetID w) {                                                            \
            if (BM_MayChangeWidget(w)) name(w);                                                                   \
            return BM_One();                                                                                      \
        });                                                                                                       \
    }

BM_WIDGET_INT(XPCountChildWidgets)
BM_WIDGET_ID(XPGetParentWidget)
BM_WIDGET_VOID(XPShowWidget)
BM_WIDGET_VOID(XPHideWidget)
BM_WIDGET_INT(XPIsWidgetVisible)
BM_WIDGET_ID(XPFindRootWidget)
BM_WIDGET_VOID(XPBringRootWidgetToFront)
BM_WIDGET_INT(XPIsWidgetInFront)
BM_WIDGET_ID(XPGetWidgetUnderlyingWindow)
PyObject* PY_XPSetKeyboardFocus(PyObject*, PyObject* arg) {
    return OnWidget(arg, "XPSetKeyboardFocus", [](XPWidgetID w) {
        return BM_IntFromHandle(BM_MayChangeWidget(w) ? XPSetKeyboardFocus(w) : nullptr);
    });
}
BM_WIDGET_VOID(XPLoseKeyboardFocus)

// ---- Geometry ----

// Left, Top, Right and Bottom: lists or None each; the lists get the four values.
template <typename Host>
PyObject* Geometry(PyObject* args, const char* function, Host host) {
    Py_ssize_t widget;
    PyObject* lists[4];
    if (!BM_ParseTuple(args, BM_H "OOOO", &widget, &lists[0], &lists[1], &lists[2], &lists[3])) return nullptr;
    for (PyObject* list : lists)
        if (!BM_CheckOutParameter(list, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        int values[4] = {0, 0, 0, 0};
        int* places[4];
        for (int i = 0; i < 4; ++i) places[i] = lists[i] == Py_None ? nullptr : &values[i];
        host(Widget(widget), places);
        for (int i = 0; i < 4; ++i)
            if (places[i]) BM_WriteOutParameter(lists[i], BM_IntFromLong(values[i]));
        return BM_One();
    });
}

PyObject* PY_XPGetWidgetGeometry(PyObject*, PyObject* args) {
    return Geometry(args, "XPGetWidgetGeometry",
                    [](XPWidgetID w, int** p) { XPGetWidgetGeometry(w, p[0], p[1], p[2], p[3]); });
}

PyObject* PY_XPGetWidgetExposedGeometry(PyObject*, PyObject* args) {
    return Geometry(args, "XPGetWidgetExposedGeometry",
                    [](XPWidgetID w, int** p) { XPGetWidgetExposedGeometry(w, p[0], p[1], p[2], p[3]); });
}

PyObject* PY_XPSetWidgetGeometry(PyObject*, PyObject* args) {
    Py_ssize_t widget;
    int left, top, right, bottom;
    if (!BM_ParseTuple(args, BM_H "iiii", &widget, &left, &top, &right, &bottom)) return nullptr;
    return BM_CallHost(kModule, "XPSetWidgetGeometry", BM_Zero, [&] {
        if (BM_MayChangeWidget(Widget(widget))) XPSetWidgetGeometry(Widget(widget), left, top, right, bottom);
        return BM_One();
    });
}

PyObject* PY_XPGetWidgetForLocation(PyObject*, PyObject* args) {
    Py_ssize_t container;
    int x, y, recursive, visibleOnly;
    if (!BM_ParseTuple(args, BM_H "iiii", &container, &x, &y, &recursive, &visibleOnly)) return nullptr;
    return BM_CallHost(kModule, "XPGetWidgetForLocation", BM_Zero, [&] {
        return BM_IntFromHandle(XPGetWidgetForLocation(Widget(container), x, y, recursive, visibleOnly));
    });
}

// ---- Descriptor and properties ----

PyObject* PY_XPSetWidgetDescriptor(PyObject*, PyObject* args) {
    Py_ssize_t widget;
    const char* descriptor;
    if (!BM_ParseTuple(args, BM_H "s", &widget, &descriptor)) return nullptr;
    return BM_CallHost(kModule, "XPSetWidgetDescriptor", BM_Zero, [&] {
        if (BM_MayChangeWidget(Widget(widget))) XPSetWidgetDescriptor(Widget(widget), descriptor);
        return BM_One();
    });
}

PyObject* ZeroAndEmptyText() { return Py_BuildValue("(is)", 0, ""); }

// The answer is the length of the whole descriptor. A list gets one more item each call: the
// descriptor cut to inMaxDescLength - 1 characters (empty for a length below 2). The buffer is
// only as large as the descriptor needs, whatever length the script names.
PyObject* PY_XPGetWidgetDescriptor(PyObject*, PyObject* args) {
    Py_ssize_t widget;
    PyObject* list;
    int maxLength;
    const char* function = "XPGetWidgetDescriptor";
    if (!BM_ParseTuple(args, BM_H "Oi", &widget, &list, &maxLength)) return nullptr;
    if (list != Py_None && !PyList_Check(list)) {
        PyErr_Format(PyExc_TypeError, "%s: the descriptor goes into a list (or None), not %.100s", function,
                     Py_TYPE(list)->tp_name);
        return nullptr;
    }
    return BM_CallHost(kModule, function, ZeroAndEmptyText, [&]() -> PyObject* {
        int length = XPGetWidgetDescriptor(Widget(widget), nullptr, 0);
        if (list == Py_None) return BM_IntFromLong(length);
        std::string text;
        int wanted = std::min(std::max(maxLength - 1, 0), std::max(length, 0));
        if (wanted > 0) {
            std::vector<char> buffer(std::size_t(wanted) + 1, '\0');
            length = XPGetWidgetDescriptor(Widget(widget), buffer.data(), wanted);
            text.assign(buffer.data(), std::min<std::size_t>(std::size_t(wanted), std::char_traits<char>::length(buffer.data())));
        }
        PyObject* item = BM_TextFromUtf8(text.c_str());
        if (!item || PyList_Append(list, item) != 0) {
            Py_XDECREF(item);
            return nullptr;
        }
        Py_DECREF(item);
        return BM_IntFromLong(length);
    });
}

PyObject* PY_XPSetWidgetProperty(PyObject*, PyObject* args) {
    Py_ssize_t widget, value;
    int property;
    if (!BM_ParseTuple(args, BM_H "i" BM_H, &widget, &property, &value)) return nullptr;
    return BM_CallHost(kModule, "XPSetWidgetProperty", BM_Zero, [&] {
        if (BM_MayChangeWidget(Widget(widget))) XPSetWidgetProperty(Widget(widget), property, value);
        return BM_One();
    });
}

// The third argument asks whether the property exists: 0 or None does not ask, a list gets 1
// or 0. The simulator never sees a script's number as an address.
PyObject* PY_XPGetWidgetProperty(PyObject*, PyObject* args) {
    Py_ssize_t widget;
    int property;
    PyObject* exists;
    const char* function = "XPGetWidgetProperty";
    if (!BM_ParseTuple(args, BM_H "iO", &widget, &property, &exists)) return nullptr;
    Py_ssize_t flag = 0;
    bool asks = PyList_Check(exists);
    if (!asks && exists != Py_None && !(BM_SmallExactInt(exists, &flag) && flag == 0)) {
        PyErr_Format(PyExc_TypeError, "%s: pass 0 or None, or a list to learn whether the property exists", function);
        return nullptr;
    }
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        int found = 0;
        intptr_t value = XPGetWidgetProperty(Widget(widget), property, asks ? &found : nullptr);
        if (asks) BM_WriteOutParameter(exists, BM_IntFromLong(found));
        return BM_IntFromSsize(value);
    });
}

// ---- Focus and classes ----

PyObject* PY_XPGetWidgetWithFocus(PyObject*, PyObject* args) {
    if (!BM_ParseTuple(args, "")) return nullptr;  // takes no arguments
    return BM_CallHost(kModule, "XPGetWidgetWithFocus", BM_Zero,
                       [] { return BM_IntFromHandle(XPGetWidgetWithFocus()); }, "Function Error");
}

PyObject* PY_XPGetWidgetClassFunc(PyObject*, PyObject* args) {
    int widgetClass;
    if (!BM_ParseTuple(args, "i", &widgetClass)) return nullptr;
    return BM_CallHost(kModule, "XPGetWidgetClassFunc", BM_Zero, [&] {
        return BM_IntFromHandle(reinterpret_cast<void*>(XPGetWidgetClassFunc(widgetClass)));
    }, "Function Error");
}

// ---- Widget objects: the registry's alone ----

PyObject* PY_SetWidgetObject(PyObject*, PyObject* args) {
    PyObject *script, *object;
    Py_ssize_t widget;
    if (!BM_ParseTuple(args, "O" BM_H "O", &script, &widget, &object)) return nullptr;
    if (!BM_CheckScript(script, "SetWidgetObject")) return nullptr;
    return BM_RaiseInstead([&] {
        BM_Table().SetWidgetObject(script, Widget(widget), object);
        return BM_One();
    });
}

PyObject* PY_GetWidgetObject(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t widget;
    if (!BM_ParseTuple(args, "O" BM_H, &script, &widget)) return nullptr;
    if (!BM_CheckScript(script, "GetWidgetObject")) return nullptr;
    PyObject* object = BMTestTable ? BMTestTable->GetWidgetObjectFromWidgetId(Widget(widget), script) : Py_None;
    Py_INCREF(object);
    return object;
}

PyMethodDef XPWidgetsMethods[] = {
    {"XPCreateWidget", PY_XPCreateWidget, METH_VARARGS,
     "Creates a widget of one of the library's classes.\n"
     "\n"
     "inLeft, inTop, inRight, inBottom: its bounds in global window coordinates\n"
     "inVisible: 1 to show it\n"
     "inDescriptor: its text (a caption, a window title, a field's contents)\n"
     "inIsRoot: 1 for a root widget (a window of its own)\n"
     "inContainer: the widget it goes inside, or 0 for none\n"
     "inClass: an xpWidgetClass_* class\n"
     "\n"
     "Widgets a script creates are destroyed when the interpreter stops.\n"
     "Returns the widget id (an int), or 0 when it was refused (e.g. a container of another\n"
     "script)."},
    {"XPCreateCustomWidget", PY_XPCreateCustomWidget, METH_VARARGS,
     "Creates a widget of the script whose behaviour is a Python callback.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inLeft, inTop, inRight, inBottom: its bounds in global window coordinates\n"
     "inVisible: 1 to show it\n"
     "inDescriptor: its text\n"
     "inIsRoot: 1 for a root widget\n"
     "inContainer: the widget it goes inside, or 0 for none\n"
     "inCallback: called as callback(message, widget, param1, param2) -> int: 1 when it handled\n"
     "    the message, 0 to pass it on\n"
     "\n"
     "Returns the widget id (an int), or 0 when it was refused. Raises TypeError when self is no\n"
     "script object or inCallback is not callable."},
    {"XPDestroyWidget", PY_XPDestroyWidget, METH_VARARGS,
     "Destroys a widget, and with inDestroyChildren the widgets inside it.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inWidget: the widget id (an int)\n"
     "inDestroyChildren: 1 to destroy its children too\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPSendMessageToWidget", PY_XPSendMessageToWidget, METH_VARARGS,
     "Sends a message to a widget.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "inMessage: an xpMsg_* message, or a message of the script's own\n"
     "inMode: xpMode_Direct, xpMode_UpChain, xpMode_Recursive, xpMode_DirectAllCallbacks or\n"
     "    xpMode_Once\n"
     "inParam1, inParam2: the message's parameters\n"
     "\n"
     "A message carrying a record's address (mouse, key, reshape) may pass on only the record of a\n"
     "message being handled now; another raises ValueError.\n"
     "Returns 1 when a widget handled the message, 0 when none did."},
    {"XPPlaceWidgetWithin", PY_XPPlaceWidgetWithin, METH_VARARGS,
     "Moves a widget inside another, or out of any with 0.\n"
     "\n"
     "inSubWidget: the widget moved\n"
     "inContainer: its new container, or 0\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPCountChildWidgets", PY_XPCountChildWidgets, METH_O,
     "Counts the widgets directly inside a widget.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Returns the count as an int."},
    {"XPGetNthChildWidget", PY_XPGetNthChildWidget, METH_VARARGS,
     "Finds a widget directly inside another, by its index.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "inIndex: the index, 0 to XPCountChildWidgets() - 1\n"
     "\n"
     "Returns the child's id, or 0 for an index out of range."},
    {"XPGetParentWidget", PY_XPGetParentWidget, METH_O,
     "Finds the container of a widget.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Returns the container's id, or 0 for none."},
    {"XPShowWidget", PY_XPShowWidget, METH_O,
     "Shows a widget.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPHideWidget", PY_XPHideWidget, METH_O,
     "Hides a widget.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPIsWidgetVisible", PY_XPIsWidgetVisible, METH_O,
     "Tells whether a widget is visible: shown, and all its containers too.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Returns 1 when visible, 0 when not."},
    {"XPFindRootWidget", PY_XPFindRootWidget, METH_O,
     "Finds the root widget a widget lies in.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Returns the root's id, or 0 when the widget is in no root."},
    {"XPBringRootWidgetToFront", PY_XPBringRootWidgetToFront, METH_O,
     "Brings the root widget a widget lies in to the front of the windows.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPIsWidgetInFront", PY_XPIsWidgetInFront, METH_O,
     "Tells whether the root widget a widget lies in is in front of the other windows.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Returns 1 when in front, 0 when not."},
    {"XPGetWidgetUnderlyingWindow", PY_XPGetWidgetUnderlyingWindow, METH_O,
     "Tells the window a root widget is drawn in.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Returns the window handle (an int)."},
    {"XPGetWidgetGeometry", PY_XPGetWidgetGeometry, METH_VARARGS,
     "Tells a widget's bounds, in global window coordinates.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "outLeft: a list that gets left as element 0 (appended when empty), or None\n"
     "outTop: a list that gets top as element 0 (appended when empty), or None\n"
     "outRight: a list that gets right as element 0 (appended when empty), or None\n"
     "outBottom: a list that gets bottom as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPSetWidgetGeometry", PY_XPSetWidgetGeometry, METH_VARARGS,
     "Moves and resizes a widget, in global window coordinates.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "inLeft, inTop, inRight, inBottom: the new bounds\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPGetWidgetForLocation", PY_XPGetWidgetForLocation, METH_VARARGS,
     "Finds the widget at a point inside a container.\n"
     "\n"
     "inContainer: the container's id\n"
     "inXOffset, inYOffset: the point, in global window coordinates\n"
     "inRecursive: 1 to look into the children's children\n"
     "inVisibleOnly: 1 to look at visible widgets only\n"
     "\n"
     "Returns the widget's id; the container's own when no child is there, 0 when the point is\n"
     "outside the container."},
    {"XPGetWidgetExposedGeometry", PY_XPGetWidgetExposedGeometry, METH_VARARGS,
     "Tells the part of a widget that lies inside all its containers (what shows and is clickable).\n"
     "\n"
     "inWidgetID: the widget id\n"
     "outLeft: a list that gets left as element 0 (appended when empty), or None\n"
     "outTop: a list that gets top as element 0 (appended when empty), or None\n"
     "outRight: a list that gets right as element 0 (appended when empty), or None\n"
     "outBottom: a list that gets bottom as element 0 (appended when empty), or None\n"
     "\n"
     "Returns 1. Raises TypeError for an out argument that is neither a list nor None."},
    {"XPSetWidgetDescriptor", PY_XPSetWidgetDescriptor, METH_VARARGS,
     "Sets a widget's text (a caption, a title, a field's contents).\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "inDescriptor: the text\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPGetWidgetDescriptor", PY_XPGetWidgetDescriptor, METH_VARARGS,
     "Reads a widget's text.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "outDescriptor: a list that gets the text, cut to inMaxDescLength - 1 characters, appended as\n"
     "    one more item; or None to learn the length only\n"
     "inMaxDescLength: the longest text wanted, plus one\n"
     "\n"
     "Returns the length of the whole text. Raises TypeError when outDescriptor is neither a list\n"
     "nor None."},
    {"XPSetWidgetProperty", PY_XPSetWidgetProperty, METH_VARARGS,
     "Sets a property of a widget.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "inProperty: an xpProperty_* property, or one of the script's own\n"
     "inValue: the value (an int)\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPGetWidgetProperty", PY_XPGetWidgetProperty, METH_VARARGS,
     "Reads a property of a widget.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "inProperty: an xpProperty_* property\n"
     "inExists: 0 or None not to ask, or a list that gets 1 when the widget has the property and 0\n"
     "    when not (element 0, appended when empty)\n"
     "\n"
     "Returns the value (an int), 0 when the widget does not have it. Raises TypeError for an\n"
     "inExists of another kind."},
    {"XPSetKeyboardFocus", PY_XPSetKeyboardFocus, METH_O,
     "Gives the keyboard focus to a widget, or back to the simulator with 0.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Returns the id of the widget that has the focus now, 0 when none took it (also for another\n"
     "script's widget)."},
    {"XPLoseKeyboardFocus", PY_XPLoseKeyboardFocus, METH_O,
     "Takes the keyboard focus from a widget, when it has it.\n"
     "\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Another script's widget is left as it is.\n"
     "Returns 1."},
    {"XPGetWidgetWithFocus", PY_XPGetWidgetWithFocus, METH_VARARGS,
     "Tells which widget has the keyboard focus.\n"
     "\n"
     "Returns the widget's id, or 0 when no widget has it."},
    {"XPAddWidgetCallback", PY_XPAddWidgetCallback, METH_VARARGS,
     "Adds a callback of the script to a widget, called before the widget's own behaviour.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inWidget: the widget id (an int)\n"
     "inNewCallback: called as callback(message, widget, param1, param2) -> int: 1 when it handled\n"
     "    the message, 0 to pass it on\n"
     "\n"
     "The simulator cannot take a callback back: when the script stops, its callbacks only pass the\n"
     "messages on. Another script's widget is left as it is.\n"
     "Returns 1. Raises TypeError when self is no script object or inNewCallback is not callable,\n"
     "ValueError when the widget has too many callbacks from scripts."},
    {"XPGetWidgetClassFunc", PY_XPGetWidgetClassFunc, METH_VARARGS,
     "Tells the callback of a widget class, to pass messages on from a callback.\n"
     "\n"
     "inWidgetClass: an xpWidgetClass_* class\n"
     "\n"
     "Returns the class's callback as an address (an int), 0 for an unknown class."},
    {"SetWidgetObject", PY_SetWidgetObject, METH_VARARGS,
     "Keeps an object for a widget, for the script to find it again with GetWidgetObject.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inWidget: the widget id (an int)\n"
     "inObject: any object\n"
     "\n"
     "One object per script and widget: a second call replaces the first; another script does not\n"
     "see it. Returns 1."},
    {"GetWidgetObject", PY_GetWidgetObject, METH_VARARGS,
     "Finds the object the script kept for a widget with SetWidgetObject.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inWidget: the widget id (an int)\n"
     "\n"
     "Returns the object, or None when the script kept none."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPWidgets() { BM_InitModule(kModule, XPWidgetsMethods); }

std::vector<void*> BM_WidgetSubtree(void* widget) {
    std::vector<void*> widgets{widget};
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        int count = XPCountChildWidgets(widgets[i]);
        for (int n = 0; n < count; ++n)
            if (XPWidgetID child = XPGetNthChildWidget(widgets[i], n)) widgets.push_back(child);
    }
    return widgets;
}

void BM_DestroyScriptWidgets() {
    if (!BMTestTable) return;
    for (void* widget : BMTestTable->ScriptWidgets()) {
        if (!BMTestTable->IsScriptWidget(widget)) continue;  // went with a parent destroyed before
        BM_RunOrLog("XPDestroyWidget", [&] {
            std::vector<void*> going = BM_WidgetSubtree(widget);
            for (void* gone : going) {
                BMTestTable->ForgetScriptWidget(gone);
                BM_ForgetWidgetCreator(gone);
            }
            XPDestroyWidget(widget, 1);
        });
    }
}
