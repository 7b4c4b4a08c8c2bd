// TallowbridgeVCUtilities: scripts drive a separate virtual camera plug-in through fourteen
// shared data items. The plug-in shares the items at every interpreter start; this module only
// reads and writes them. What the camera plug-in makes of them is its own business.
#include "PythonTBVCUtilities.h"

#include "BrindlemoorBase.h"
#include "ModuleSupport.h"
#include "PythonModules.h"

const VirtualCameraItem kVirtualCameraItems[kVirtualCameraItemCount] = {
    {"tallowbridge/virtualcamera/cameraindex", xplmType_Int},
    {"tallowbridge/virtualcamera/cameratypeindex", xplmType_Int},
    {"tallowbridge/virtualcamera/camerapluginready", xplmType_Int},
    {"tallowbridge/virtualcamera/acquirecamera", xplmType_Int},
    {"tallowbridge/virtualcamera/releasecamera", xplmType_Int},
    {"tallowbridge/virtualcamera/setcamera", xplmType_Int},
    {"tallowbridge/virtualcamera/xoffset", xplmType_Float},
    {"tallowbridge/virtualcamera/yoffset", xplmType_Float},
    {"tallowbridge/virtualcamera/zoffset", xplmType_Float},
    {"tallowbridge/virtualcamera/headingoffset", xplmType_Float},
    {"tallowbridge/virtualcamera/pitchoffset", xplmType_Float},
    {"tallowbridge/virtualcamera/rolloffset", xplmType_Float},
    {"tallowbridge/virtualcamera/zoomratio", xplmType_Float},
    {"tallowbridge/virtualcamera/lookataircraft", xplmType_Int},
};

void VirtualCameraDataChangedCB2(void*) {}

namespace {

const char kModule[] = "TallowbridgeVCUtilities";

enum Item {
    CameraIndex,
    CameraTypeIndex,
    CameraPluginReady,
    AcquireCamera,
    ReleaseCamera,
    SetCamera,
    XOffset,
    YOffset,
    ZOffset,
    HeadingOffset,
    PitchOffset,
    RollOffset,
    ZoomRatio,
    LookAtAircraft,
};

// Looked up anew at every interpreter start, after the items are shared.
XPLMDataRef gItems[kVirtualCameraItemCount];

// The functions that read and write each item, for the reports.
const char* const kReaders[kVirtualCameraItemCount] = {
    "VC_GetCameraIndex", "VC_GetCameraTypeIndex", "VC_CameraPluginReady", nullptr, nullptr, nullptr,
    "VC_GetXOffset", "VC_GetYOffset", "VC_GetZOffset", "VC_GetHeadingOffset", "VC_GetPitchOffset",
    "VC_GetRollOffset", "VC_GetZoomRatio", "VC_GetLookAtAircraft"};
const char* const kWriters[kVirtualCameraItemCount] = {
    "VC_SetCameraIndex", "VC_SetCameraTypeIndex", nullptr, "VC_AcquireCamera", "VC_ReleaseCamera", "VC_SetCamera",
    "VC_SetXOffset", "VC_SetYOffset", "VC_SetZOffset", "VC_SetHeadingOffset", "VC_SetPitchOffset",
    "VC_SetRollOffset", "VC_SetZoomRatio", "VC_SetLookAtAircraft"};

template <Item item>
PyObject* GetInt(PyObject*, PyObject* args) {
    if (!BM_ParseTuple(args, "")) return nullptr;  // takes no arguments
    return BM_CallHost(kModule, kReaders[item], BM_Zero, [] { return BM_IntFromLong(XPLMGetDatai(gItems[item])); });
}

template <Item item>
PyObject* GetFloat(PyObject*, PyObject* args) {
    if (!BM_ParseTuple(args, "")) return nullptr;
    return BM_CallHost(kModule, kReaders[item], BM_ZeroFloat,
                       [] { return PyFloat_FromDouble(XPLMGetDataf(gItems[item])); });
}

template <Item item>
PyObject* SetInt(PyObject*, PyObject* args) {
    int value;
    if (!BM_ParseTuple(args, "i", &value)) return nullptr;
    return BM_CallHost(kModule, kWriters[item], BM_Zero, [&] {
        XPLMSetDatai(gItems[item], value);
        return BM_Zero();
    });
}

template <Item item>
PyObject* SetFloat(PyObject*, PyObject* args) {
    float value;
    if (!BM_ParseTuple(args, "O&", BM_ConvertFloat, &value)) return nullptr;
    return BM_CallHost(kModule, kWriters[item], BM_Zero, [&] {
        XPLMSetDataf(gItems[item], value);
        return BM_Zero();
    });
}

// A request to the camera plug-in: 1 is written; resetting it is the camera plug-in's part.
template <Item item>
PyObject* Request(PyObject*, PyObject* args) {
    if (!BM_ParseTuple(args, "")) return nullptr;
    return BM_CallHost(kModule, kWriters[item], BM_Zero, [] {
        XPLMSetDatai(gItems[item], 1);
        return BM_Zero();
    });
}

PyMethodDef TallowbridgeVCUtilitiesMethods[] = {
    {"VC_CameraPluginReady", GetInt<CameraPluginReady>, METH_VARARGS,
     "Tells whether the virtual camera plug-in is ready (reads the shared data item\n"
     "tallowbridge/virtualcamera/camerapluginready).\n"
     "\n"
     "Returns the item's value: 1 when ready, 0 when not."},
    {"VC_AcquireCamera", Request<AcquireCamera>, METH_VARARGS,
     "Asks the virtual camera plug-in to take the camera (sets the shared data item\n"
     "tallowbridge/virtualcamera/acquirecamera to 1).\n"
     "\n"
     "Returns 0."},
    {"VC_ReleaseCamera", Request<ReleaseCamera>, METH_VARARGS,
     "Asks the virtual camera plug-in to give the camera back (sets the shared data item\n"
     "tallowbridge/virtualcamera/releasecamera to 1).\n"
     "\n"
     "Returns 0."},
    {"VC_SetCamera", Request<SetCamera>, METH_VARARGS,
     "Asks the virtual camera plug-in to apply the camera values set (sets the shared data item\n"
     "tallowbridge/virtualcamera/setcamera to 1).\n"
     "\n"
     "Returns 0."},
    {"VC_GetCameraIndex", GetInt<CameraIndex>, METH_VARARGS,
     "Reads the camera's index (the shared data item tallowbridge/virtualcamera/cameraindex).\n"
     "\n"
     "Returns the value (an int)."},
    {"VC_GetCameraTypeIndex", GetInt<CameraTypeIndex>, METH_VARARGS,
     "Reads the camera type's index (the shared data item tallowbridge/virtualcamera/cameratypeindex).\n"
     "\n"
     "Returns the value (an int)."},
    {"VC_GetXOffset", GetFloat<XOffset>, METH_VARARGS,
     "Reads the camera's x offset (the shared data item tallowbridge/virtualcamera/xoffset).\n"
     "\n"
     "Returns the value (a float)."},
    {"VC_GetYOffset", GetFloat<YOffset>, METH_VARARGS,
     "Reads the camera's y offset (the shared data item tallowbridge/virtualcamera/yoffset).\n"
     "\n"
     "Returns the value (a float)."},
    {"VC_GetZOffset", GetFloat<ZOffset>, METH_VARARGS,
     "Reads the camera's z offset (the shared data item tallowbridge/virtualcamera/zoffset).\n"
     "\n"
     "Returns the value (a float)."},
    {"VC_GetHeadingOffset", GetFloat<HeadingOffset>, METH_VARARGS,
     "Reads the camera's heading offset (the shared data item\n"
     "tallowbridge/virtualcamera/headingoffset).\n"
     "\n"
     "Returns the value (a float)."},
    {"VC_GetPitchOffset", GetFloat<PitchOffset>, METH_VARARGS,
     "Reads the camera's pitch offset (the shared data item tallowbridge/virtualcamera/pitchoffset).\n"
     "\n"
     "Returns the value (a float)."},
    {"VC_GetRollOffset", GetFloat<RollOffset>, METH_VARARGS,
     "Reads the camera's roll offset (the shared data item tallowbridge/virtualcamera/rolloffset).\n"
     "\n"
     "Returns the value (a float)."},
    {"VC_GetZoomRatio", GetFloat<ZoomRatio>, METH_VARARGS,
     "Reads the camera's zoom ratio (the shared data item tallowbridge/virtualcamera/zoomratio).\n"
     "\n"
     "Returns the value (a float)."},
    {"VC_SetCameraIndex", SetInt<CameraIndex>, METH_VARARGS,
     "Sets the camera's index (the shared data item tallowbridge/virtualcamera/cameraindex).\n"
     "\n"
     "inValue: the new value (an int)\n"
     "\n"
     "Returns 0."},
    {"VC_SetCameraTypeIndex", SetInt<CameraTypeIndex>, METH_VARARGS,
     "Sets the camera type's index (the shared data item tallowbridge/virtualcamera/cameratypeindex).\n"
     "\n"
     "inValue: the new value (an int)\n"
     "\n"
     "Returns 0."},
    {"VC_SetXOffset", SetFloat<XOffset>, METH_VARARGS,
     "Sets the camera's x offset (the shared data item tallowbridge/virtualcamera/xoffset).\n"
     "\n"
     "inValue: the new value (a float)\n"
     "\n"
     "Returns 0."},
    {"VC_SetYOffset", SetFloat<YOffset>, METH_VARARGS,
     "Sets the camera's y offset (the shared data item tallowbridge/virtualcamera/yoffset).\n"
     "\n"
     "inValue: the new value (a float)\n"
     "\n"
     "Returns 0."},
    {"VC_SetZOffset", SetFloat<ZOffset>, METH_VARARGS,
     "Sets the camera's z offset (the shared data item tallowbridge/virtualcamera/zoffset).\n"
     "\n"
     "inValue: the new value (a float)\n"
     "\n"
     "Returns 0."},
    {"VC_SetHeadingOffset", SetFloat<HeadingOffset>, METH_VARARGS,
     "Sets the camera's heading offset (the shared data item\n"
     "tallowbridge/virtualcamera/headingoffset).\n"
     "\n"
     "inValue: the new value (a float)\n"
     "\n"
     "Returns 0."},
    {"VC_SetPitchOffset", SetFloat<PitchOffset>, METH_VARARGS,
     "Sets the camera's pitch offset (the shared data item tallowbridge/virtualcamera/pitchoffset).\n"
     "\n"
     "inValue: the new value (a float)\n"
     "\n"
     "Returns 0."},
    {"VC_SetRollOffset", SetFloat<RollOffset>, METH_VARARGS,
     "Sets the camera's roll offset (the shared data item tallowbridge/virtualcamera/rolloffset).\n"
     "\n"
     "inValue: the new value (a float)\n"
     "\n"
     "Returns 0."},
    {"VC_SetZoomRatio", SetFloat<ZoomRatio>, METH_VARARGS,
     "Sets the camera's zoom ratio (the shared data item tallowbridge/virtualcamera/zoomratio).\n"
     "\n"
     "inValue: the new value (a float)\n"
     "\n"
     "Returns 0."},
    {"VC_GetLookAtAircraft", GetInt<LookAtAircraft>, METH_VARARGS,
     "Reads the index of the aircraft the camera looks at (the shared data item\n"
     "tallowbridge/virtualcamera/lookataircraft).\n"
     "\n"
     "Returns the value (an int)."},
    {"VC_SetLookAtAircraft", SetInt<LookAtAircraft>, METH_VARARGS,
     "Sets the index of the aircraft the camera looks at (the shared data item\n"
     "tallowbridge/virtualcamera/lookataircraft).\n"
     "\n"
     "inValue: the new value (an int)\n"
     "\n"
     "Returns 0."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initTallowbridgeVCUtilities() {
    for (int i = 0; i < kVirtualCameraItemCount; ++i) {
        gItems[i] = nullptr;
        BM_RunOrLog("XPLMFindDataRef", [&] { gItems[i] = XPLMFindDataRef(kVirtualCameraItems[i].name); });
    }
    BM_InitModule(kModule, TallowbridgeVCUtilitiesMethods);
}
