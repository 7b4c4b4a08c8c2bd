// placeholder
#include "HostState.h"

void bmhost::detail::ResetNavigation() {}
