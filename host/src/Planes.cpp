// placeholder
#include "HostState.h"
