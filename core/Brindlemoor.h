#ifndef BRINDLEMOOR_H
#define BRINDLEMOOR_H
// The plug-in core: interpreter start and stop, the lifecycle relays to the scripts, script
// loading, and the log and output files.

#include <functional>
#include <string>

typedef struct _object PyObject;

extern int BM_OutputFileEnabled;            // scripts' standard output also goes to the output file
extern const char BrindlemoorVersionNumber[];  // "v1.92"
extern const char BrindlemoorCredit[];         // third field of the banner and window title

void StartPython(int enableScripts);
void StopPython(int disableScripts);

// Lifecycle relays: 0 when the script is disabled or unknown (its method is not called), else 1.
int CallXPluginStart(PyObject* script);
int CallXPluginStop(PyObject* script);
int CallXPluginEnable(PyObject* script);
int CallXPluginDisable(PyObject* script);
int CallXPluginReceiveMessage(PyObject* script, int fromWho, int message, void* param);

// Imports the named script module and enters an instance of its class into the script table.
int LoadScript(const std::string& moduleName);

// Append a text unchanged to the log (always) or to the output file (while enabled).
void BM_WriteToLog(const char* text);
void BM_WriteToLog2(const char* text);

// The one way the plug-in calls script code: calls `callable` with the argument tuple `args`
// (not consumed). A raised exception is printed and null returned; no error is left pending.
PyObject* BM_CallScript(PyObject* callable, PyObject* args);

// Prints the pending Python error to the scripts' standard error and clears it. A SystemExit
// is printed like any other error instead of ending the simulator's process.
void BM_PrintPythonError();

// Runs one host call or step; an exception is logged as "Brindlemoor - <what> failed: ..." and
// swallowed. Returns false when it failed.
bool BM_Guarded(const char* what, const std::function<void()>& step);

#endif
