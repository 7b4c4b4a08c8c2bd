#include "PythonTBVCUtilities.h"
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

void initTallowbridgeVCUtilities() {}
