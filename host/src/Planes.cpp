// placeholder
#include "HostState.h"

void bmhost::detail::ResetAircraft() {}
void bmhost::detail::SweepAircraft(XPLMPluginID) {}
