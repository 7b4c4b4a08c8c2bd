#include "PythonModules.h"

void initXPLMUtilities() {}
