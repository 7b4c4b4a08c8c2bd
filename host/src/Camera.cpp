// placeholder
#include "HostState.h"

void bmhost::detail::CameraFrame() {}
