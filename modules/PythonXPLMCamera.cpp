#include "PythonModules.h"

void initXPLMCamera() {}
