#include "PythonModules.h"

void initXPLMPlanes() {}
