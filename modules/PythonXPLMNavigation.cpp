// XPLMNavigation: the navigation database and the flight management entries.
#include "PythonModules.h"

void initXPLMNavigation() {}
