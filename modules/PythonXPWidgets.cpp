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
    {"XPCreateWidget", PY_XPCreateWidget, METH_VARARGS, "Create a widget."},
    {"XPCreateCustomWidget", PY_XPCreateCustomWidget, METH_VARARGS, "Create a custom widget."},
    {"XPDestroyWidget", PY_XPDestroyWidget, METH_VARARGS, "Destroy a widget."},
    {"XPSendMessageToWidget", PY_XPSendMessageToWidget, METH_VARARGS, "Send message to widget."},
    {"XPPlaceWidgetWithin", PY_XPPlaceWidgetWithin, METH_VARARGS, "Place within another widget."},
    {"XPCountChildWidgets", PY_XPCountChildWidgets, METH_O, "Count child widgets."},
    {"XPGetNthChildWidget", PY_XPGetNthChildWidget, METH_VARARGS, "Get Nth child."},
    {"XPGetParentWidget", PY_XPGetParentWidget, METH_O, "Get parent."},
    {"XPShowWidget", PY_XPShowWidget, METH_O, "Show widget."},
    {"XPHideWidget", PY_XPHideWidget, METH_O, "Hide widget."},
    {"XPIsWidgetVisible", PY_XPIsWidgetVisible, METH_O, "Is the widget visible."},
    {"XPFindRootWidget", PY_XPFindRootWidget, METH_O, "Find the root widget."},
    {"XPBringRootWidgetToFront", PY_XPBringRootWidgetToFront, METH_O, "Bring root widget to front."},
    {"XPIsWidgetInFront", PY_XPIsWidgetInFront, METH_O, "Is the widget in front."},
    {"XPGetWidgetUnderlyingWindow", PY_XPGetWidgetUnderlyingWindow, METH_O,
     "Get the window a root widget stands on (0 for any other widget)."},
    {"XPGetWidgetGeometry", PY_XPGetWidgetGeometry, METH_VARARGS, "Get the widget geometry."},
    {"XPSetWidgetGeometry", PY_XPSetWidgetGeometry, METH_VARARGS, "Set the widget geometry."},
    {"XPGetWidgetForLocation", PY_XPGetWidgetForLocation, METH_VARARGS, "Get widget for location."},
    {"XPGetWidgetExposedGeometry", PY_XPGetWidgetExposedGeometry, METH_VARARGS, "Get widget exposed geometry."},
    {"XPSetWidgetDescriptor", PY_XPSetWidgetDescriptor, METH_VARARGS, "Set widget descriptor."},
    {"XPGetWidgetDescriptor", PY_XPGetWidgetDescriptor, METH_VARARGS, "Get widget descriptor."},
    {"XPSetWidgetProperty", PY_XPSetWidgetProperty, METH_VARARGS, "Set the widget property."},
    {"XPGetWidgetProperty", PY_XPGetWidgetProperty, METH_VARARGS, "Get the widget property."},
    {"XPSetKeyboardFocus", PY_XPSetKeyboardFocus, METH_O, "Set keyboard focus."},
    {"XPLoseKeyboardFocus", PY_XPLoseKeyboardFocus, METH_O, "Lose keyboard focuse."},
    {"XPGetWidgetWithFocus", PY_XPGetWidgetWithFocus, METH_VARARGS, "Get widget with focus."},
    {"XPAddWidgetCallback", PY_XPAddWidgetCallback, METH_VARARGS, "Add widget callback."},
    {"XPGetWidgetClassFunc", PY_XPGetWidgetClassFunc, METH_VARARGS, "Get widget class function."},
    {"SetWidgetObject", PY_SetWidgetObject, METH_VARARGS, "Set the widget object."},
    {"GetWidgetObject", PY_GetWidgetObject, METH_VARARGS, "Get the widget object."},
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
