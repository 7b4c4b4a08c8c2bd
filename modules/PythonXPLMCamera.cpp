// XPLMCamera: taking control of the view camera, and reading where it is.
//
// The camera is one resource of the simulator that several scripts may ask for. Each script
// that asked holds one record (asking again renews it); the simulator holds one of them as the
// refcon of its camera callback: the newest. When that record goes while others remain, the
// simulator gets the newest remaining one instead; when the last goes, the camera goes back.
// Once the simulator took the camera away (a view change, another plug-in), nothing is handed
// on: the scripts ask again.
#include <algorithm>
#include <vector>

#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMCamera.h"

namespace {

const char kModule[] = "XPLMCamera";

const BM_Constant kConstants[] = {
    {"xplm_ControlCameraUntilViewChanges", xplm_ControlCameraUntilViewChanges},
    {"xplm_ControlCameraForever", xplm_ControlCameraForever},
};

// The records, oldest first; the simulator holds the last one's.
std::vector<_CallbackRecordStruct*> gRequests;

_CallbackRecordStruct* CameraRecord(PyObject* script) {
    return BM_Table().FindRecord(script, BM_RecordKey::AnyOf(BM_KindCameraControl));
}

void GiveCameraTo(_CallbackRecordStruct* record) {
    XPLMControlCamera(record->type, CameraControlCallback, record);
    for (_CallbackRecordStruct* request : gRequests) request->held = false;
    record->held = true;
}

// A record that the simulator no longer calls (it took the camera away, or the script answered
// 0) goes quietly: the camera is not taken back from the pilot or another plug-in.
void ReleaseCameraRecord(_CallbackRecordStruct& record) {
    gRequests.erase(std::remove(gRequests.begin(), gRequests.end(), &record), gRequests.end());
    if (!record.held) return;
    if (gRequests.empty())
        XPLMDontControlCamera();
    else
        GiveCameraTo(gRequests.back());
}

PyObject* PY_XPLMControlCamera(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    int howLong;
    Py_ssize_t refcon;
    const char* function = "XPLMControlCamera";
    if (!BM_ParseTuple(args, "OiO" BM_H, &script, &howLong, &callable, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        gRequests.reserve(gRequests.size() + 1);
        _CallbackRecordStruct* old = CameraRecord(script);
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindCameraControl, callable, BM_Refcon(refcon));
        BM_Table().SetHandle(record, record);
        record->type = howLong;  // how long the script asked for
        BM_RegisterRecord(record, ReleaseCameraRecord, [&] {
            GiveCameraTo(record);
            return true;
        });
        gRequests.push_back(record);  // room was made before
        if (old) BM_Table().RemoveRecord(old);
        return BM_One();
    });
}

// The script's record goes; with none left (or none at all), the simulator gets the camera back.
PyObject* PY_XPLMDontControlCamera(PyObject*, PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script) || !BM_CheckScript(script, "XPLMDontControlCamera")) return nullptr;
    return BM_CallHost(
        kModule, "XPLMDontControlCamera", BM_Zero,
        [&] {
            if (_CallbackRecordStruct* record = CameraRecord(script)) {
                if (BM_CallerOwns(record)) BM_Table().RemoveRecord(record);
            } else if (gRequests.empty()) {
                XPLMDontControlCamera();
            }
            return BM_One();
        },
        "Function Error");
}

// The answer is how long the camera is controlled; 0 when it is not.
PyObject* PY_XPLMIsCameraBeingControlled(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMIsCameraBeingControlled", BM_Zero, [] {
        XPLMCameraControlDuration duration = 0;
        XPLMIsCameraBeingControlled(&duration);
        return BM_IntFromLong(duration);
    });
}

PyObject* ZeroResult() { return Py_BuildValue("(i)", 0); }

// Appends x, y, z, pitch, heading, roll and zoom to the list, whatever it holds already.
PyObject* PY_XPLMReadCameraPosition(PyObject*, PyObject* args) {
    PyObject* list;
    if (!BM_ParseTuple(args, "O!", &PyList_Type, &list)) return nullptr;
    return BM_CallHost(kModule, "XPLMReadCameraPosition", ZeroResult, [&]() -> PyObject* {
        XPLMCameraPosition_t position = {};
        XPLMReadCameraPosition(&position);
        const float values[7] = {position.x,       position.y,    position.z,   position.pitch,
                                 position.heading, position.roll, position.zoom};
        for (float value : values) {
            PyObject* item = PyFloat_FromDouble(value);
            int failed = item ? PyList_Append(list, item) : -1;
            Py_XDECREF(item);
            if (failed) return nullptr;
        }
        return Py_BuildValue("(i)", 1);
    });
}

PyMethodDef XPLMCameraMethods[] = {
    {"XPLMControlCamera", PY_XPLMControlCamera, METH_VARARGS,
     "Takes control of the camera for the script: the callback positions it each frame.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inHowLong: xplm_ControlCameraUntilViewChanges or xplm_ControlCameraForever\n"
     "inControlFunc: called as inControlFunc(position, isLosingControl, refcon) -> int; position is\n"
     "    a list [x, y, z, pitch, heading, roll, zoom] the callback changes in place (0 when the\n"
     "    camera is being lost); answer 1 to move the camera there, 0 to give the camera back\n"
     "inRefcon: an int handed back to the callback\n"
     "\n"
     "Asking again replaces the script's earlier request; the newest request of all scripts holds\n"
     "the camera, and it goes when the script stops.\n"
     "Returns 1. Raises TypeError when self is no script object or inControlFunc is not callable."},
    {"XPLMDontControlCamera", PY_XPLMDontControlCamera, METH_VARARGS,
     "Gives up the script's control of the camera.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "\n"
     "When no script controls it any more, the simulator gets the camera back.\n"
     "Returns 1."},
    {"XPLMIsCameraBeingControlled", PY_XPLMIsCameraBeingControlled, METH_NOARGS,
     "Tells whether a plug-in controls the camera, and for how long.\n"
     "\n"
     "Returns 0 when nobody controls it, else xplm_ControlCameraUntilViewChanges or\n"
     "xplm_ControlCameraForever."},
    {"XPLMReadCameraPosition", PY_XPLMReadCameraPosition, METH_VARARGS,
     "Reads where the camera is.\n"
     "\n"
     "outCameraPosition: a list; x, y, z, pitch, heading, roll and zoom are appended to it\n"
     "\n"
     "Returns the tuple (1,); (0,) when the reading failed."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMCamera() {
    gRequests.clear();
    BM_InitModule(kModule, XPLMCameraMethods, kConstants, 2);
}
