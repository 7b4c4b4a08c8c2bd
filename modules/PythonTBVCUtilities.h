#ifndef BM_PYTHONTBVCUTILITIES_H
#define BM_PYTHONTBVCUTILITIES_H
// The fourteen shared data items through which scripts drive a separate virtual camera plug-in.
// The plug-in shares them at every interpreter start, in this order, with the item's index as
// reference constant, and unshares them at every stop.

#include "XPLMDataAccess.h"

struct VirtualCameraItem {
    const char* name;
    XPLMDataTypeID type;
};

constexpr int kVirtualCameraItemCount = 14;
extern const VirtualCameraItem kVirtualCameraItems[kVirtualCameraItemCount];

// Change notifications of the items are ignored: scripts read the values when they need them.
void VirtualCameraDataChangedCB2(void* refcon);

#endif
