#ifndef BRINDLEMOOR_H
#define BRINDLEMOOR_H
// The plug-in core: interpreter start and stop, the lifecycle relays to the scripts, script
// loading, and the log and output files.

#include <string>

#include "BrindlemoorBase.h"

typedef struct _object PyObject;

extern const char BrindlemoorVersionNumber[];  // "v1.92"
extern const char BrindlemoorCredit[];         // third field of the banner and window title

// Checks the installation and starts the interpreter, the modules and the scripts. False when
// the interpreter cannot start: the line saying why ("Brindlemoor: cannot start Python 2.7:
// ...") is in both logs and in `cannotStart`.
bool StartPython(int enableScripts, std::string* cannotStart = nullptr);
void StopPython(int disableScripts);

// Lifecycle relays: 0 when the script is disabled or unknown (its method is not called), else 1.
int CallXPluginStart(PyObject* script);
int CallXPluginStop(PyObject* script);
int CallXPluginEnable(PyObject* script);
int CallXPluginDisable(PyObject* script);
int CallXPluginReceiveMessage(PyObject* script, int fromWho, int message, void* param);
// A message from one script to another, through the same method: the sender arrives as its
// address at full pointer width (what id() of it answers), where the simulator puts a plug-in id.
int CallScriptReceiveMessage(PyObject* recipient, PyObject* sender, long message, long param);

// Imports the named script module and enters an instance of its class into the script table:
// at the end, or in the place of the released entry at `tableIndex` (a script reloaded).
int LoadScript(const std::string& moduleName, int tableIndex = -1);

#endif
