// XPWidgetDefs: the widget library's properties, dispatch modes and messages, and readers of the
// records that widget messages point at.
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPWidgetDefs.h"

namespace {

const char kModule[] = "XPWidgetDefs";

const BM_Constant kConstants[] = {
    {"xpProperty_Refcon", xpProperty_Refcon},
    {"xpProperty_Dragging", xpProperty_Dragging},
    {"xpProperty_DragXOff", xpProperty_DragXOff},
    {"xpProperty_DragYOff", xpProperty_DragYOff},
    {"xpProperty_Hilited", xpProperty_Hilited},
    {"xpProperty_Object", xpProperty_Object},
    {"xpProperty_Clip", xpProperty_Clip},
    {"xpProperty_Enabled", xpProperty_Enabled},
    {"xpProperty_UserStart", xpProperty_UserStart},
    {"xpMode_Direct", xpMode_Direct},
    {"xpMode_UpChain", xpMode_UpChain},
    {"xpMode_Recursive", xpMode_Recursive},
    {"xpMode_DirectAllCallbacks", xpMode_DirectAllCallbacks},
    {"xpMode_Once", xpMode_Once},
    {"xpWidgetClass_None", xpWidgetClass_None},
    {"xpMsg_None", xpMsg_None},
    {"xpMsg_Create", xpMsg_Create},
    {"xpMsg_Destroy", xpMsg_Destroy},
    {"xpMsg_Paint", xpMsg_Paint},
    {"xpMsg_Draw", xpMsg_Draw},
    {"xpMsg_KeyPress", xpMsg_KeyPress},
    {"xpMsg_KeyTakeFocus", xpMsg_KeyTakeFocus},
    {"xpMsg_KeyLoseFocus", xpMsg_KeyLoseFocus},
    {"xpMsg_MouseDown", xpMsg_MouseDown},
    {"xpMsg_MouseDrag", xpMsg_MouseDrag},
    {"xpMsg_MouseUp", xpMsg_MouseUp},
    {"xpMsg_Reshape", xpMsg_Reshape},
    {"xpMsg_ExposedChanged", xpMsg_ExposedChanged},
    {"xpMsg_AcceptChild", xpMsg_AcceptChild},
    {"xpMsg_LoseChild", xpMsg_LoseChild},
    {"xpMsg_AcceptParent", xpMsg_AcceptParent},
    {"xpMsg_Shown", xpMsg_Shown},
    {"xpMsg_Hidden", xpMsg_Hidden},
    {"xpMsg_DescriptorChanged", xpMsg_DescriptorChanged},
    {"xpMsg_PropertyChanged", xpMsg_PropertyChanged},
    {"xpMsg_UserStart", xpMsg_UserStart},
};

// The record at `arg` when a widget message being handled by a script carries one of that kind
// there; otherwise ValueError. An address is never read on trust: a stale or made-up one would
// read whatever memory lies there.
template <typename Record>
const Record* LiveRecord(PyObject* arg, BM_WidgetRecordKind kind, const char* function, const char* what) {
    Py_ssize_t address;
    if (!BM_ParseHandle(arg, &address)) return nullptr;
    if (!BM_IsLiveWidgetRecord(address, kind)) {
        PyErr_Format(PyExc_ValueError,
                     "%s: %zd is not the address of the %s of a widget message that a callback is handling now",
                     function, address, what);
        return nullptr;
    }
    return reinterpret_cast<const Record*>(address);
}

PyObject* PY_BM_GetMouseState(PyObject*, PyObject* arg) {
    auto* state = LiveRecord<XPMouseState_t>(arg, BM_MouseStateRecord, "BM_GetMouseState", "mouse state");
    return state ? Py_BuildValue("(iii)", state->x, state->y, state->button) : nullptr;
}

PyObject* PY_BM_GetKeyState(PyObject*, PyObject* arg) {
    auto* state = LiveRecord<XPKeyState_t>(arg, BM_KeyStateRecord, "BM_GetKeyState", "key state");
    // The key and the virtual key are the signed bytes they are in the record.
    return state ? Py_BuildValue("(iii)", int(static_cast<signed char>(state->key)), int(state->flags),
                                 int(static_cast<signed char>(state->vkey)))
                 : nullptr;
}

PyObject* PY_BM_GetWidgetGeometryChange(PyObject*, PyObject* arg) {
    auto* change = LiveRecord<XPWidgetGeometryChange_t>(arg, BM_GeometryChangeRecord, "BM_GetWidgetGeometryChange",
                                                        "geometry change");
    return change ? Py_BuildValue("(iiii)", change->dx, change->dy, change->dwidth, change->dheight) : nullptr;
}

PyMethodDef XPWidgetDefsMethods[] = {
    {"BM_GetMouseState", PY_BM_GetMouseState, METH_O,
     "Reads the mouse state a mouse message (down, drag, up, wheel, cursor) points at.\n"
     "\n"
     "inParam1: the message's param1\n"
     "\n"
     "The record is readable only while a widget callback handles the message that carries it.\n"
     "Returns the tuple (x, y, button). Raises ValueError for an address that is no such record."},
    {"BM_GetKeyState", PY_BM_GetKeyState, METH_O,
     "Reads the key state an xpMsg_KeyPress message points at.\n"
     "\n"
     "inParam1: the message's param1\n"
     "\n"
     "The record is readable only while a widget callback handles the message that carries it.\n"
     "Returns the tuple (key, flags, virtualKey), key and virtualKey as signed bytes. Raises\n"
     "ValueError for an address that is no such record."},
    {"BM_GetWidgetGeometryChange", PY_BM_GetWidgetGeometryChange, METH_O,
     "Reads the geometry change an xpMsg_Reshape message points at.\n"
     "\n"
     "inParam2: the message's param2\n"
     "\n"
     "The record is readable only while a widget callback handles the message that carries it.\n"
     "Returns the tuple (dx, dy, dwidth, dheight). Raises ValueError for an address that is no such\n"
     "record."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPWidgetDefs() {
    BM_InitModule(kModule, XPWidgetDefsMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
}
