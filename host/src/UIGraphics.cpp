// Window frames, elements and tracks of the widget library.
#include "HostState.h"
#include "XPUIGraphics.h"

void XPDrawWindow(int, int, int, int, XPWindowStyle) {}
void XPGetWindowDefaultDimensions(XPWindowStyle, int*, int*) {}
void XPDrawElement(int, int, int, int, XPElementStyle, int) {}
void XPGetElementDefaultDimensions(XPElementStyle, int*, int*, int*) {}
void XPDrawTrack(int, int, int, int, int, int, int, XPTrackStyle, int) {}
void XPGetTrackDefaultDimensions(XPTrackStyle, int*, int*) {}
void XPGetTrackMetrics(int, int, int, int, int, int, int, XPTrackStyle, int*, int*, int*, int*, int*, int*) {}
