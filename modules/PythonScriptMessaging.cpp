#include "PythonModules.h"

void initPythonScriptMessaging() {}
