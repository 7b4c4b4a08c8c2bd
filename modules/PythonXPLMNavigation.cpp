// XPLMNavigation: the navigation database and the flight management entries.
#include "ModuleSupport.h"
#include "PythonModules.h"

namespace {
PyMethodDef XPLMNavigationMethods[] = {{nullptr, nullptr, 0, nullptr}};
}

void initXPLMNavigation() { BM_InitModule("XPLMNavigation", XPLMNavigationMethods); }
