#ifndef BMHOST_CAMERA_H
#define BMHOST_CAMERA_H
// The camera's part in a reset and in a plug-in going away (Planes.cpp calls these with the
// aircraft's part).

#include "XPLMDefs.h"

namespace bmhost::detail {

// Back to the forward view and an uncontrolled camera.
void ResetCamera();
// The plug-in's control of the camera ends without its callback being called: it was disabled
// or is being unloaded.
void EndCameraControlOf(XPLMPluginID plugin);

}  // namespace bmhost::detail

#endif
