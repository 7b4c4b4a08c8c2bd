#include "PythonModules.h"

void initXPLMPlugin() {}
