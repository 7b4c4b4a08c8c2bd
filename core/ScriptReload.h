#ifndef BM_SCRIPTRELOAD_H
#define BM_SCRIPTRELOAD_H
// Reloading one script while the others run on: its lifecycle ends (XPluginDisable,
// XPluginStop), everything it registered goes, its module is loaded afresh from its file, and
// the new script object takes the old one's place in the script table, then starts and is
// enabled. Requests wait in a queue that the plug-in's own flight loop carries out, so a reload
// never runs while script code is on the stack. The same loop watches the script files when the
// data ref brindlemoor/watch_scripts is 1.

#include <string>
#include <vector>

// The switch's data ref: int, writable, 0 at every plug-in start.
extern const char kWatchScriptsDataRef[];  // "brindlemoor/watch_scripts"
// The command that reloads every script, one after the other.
extern const char kReloadScriptsCommand[];  // "brindlemoor/reload_scripts"

// At the plug-in's start and stop: publishes and withdraws the switch and the command; the stop
// also forgets the queue and stops the flight loop.
void BM_StartScriptReload();
void BM_StopScriptReload();
// The interpreter stopped (the control panel's Stop or Reload Scripts): the requests waiting go,
// and so does the flight loop unless the watch is on.
void BM_ScriptReloadPythonStopped();

// Queue a reload of the script of this module (its file name without ".py"). A script already
// waiting keeps its place. False when the interpreter is not running or no script of that name
// is known: neither in the script table nor among the script files listed at the last start.
bool BM_RequestReload(const std::string& moduleName);
// The same for a module function: when the simulator fails to register the plug-in's flight
// loop, the exception goes on and nothing is queued. BM_RequestReload writes it to the log
// ("Brindlemoor - XPLMRegisterFlightLoopCallback failed: ...") and answers false.
bool BM_RequestReloadOrThrow(const std::string& moduleName);
// Queues every known script, in table order, then the listed ones that failed to load.
void BM_RequestReloadAll();

// The script folder was listed (its file names): the scripts with a source file there are
// told apart from sourceless ones (only a compiled file), whose compiled file a reload takes.
void BM_NoteScriptSources(const std::vector<std::string>& fileNames);

// The modules waiting, in order.
std::vector<std::string> BM_PendingReloads();

// Carries out one reload now. Only for a caller below which no script code runs (the plug-in's
// flight loop, a benchmark). True when the script loaded again.
bool BM_ReloadScriptNow(const std::string& moduleName);

#endif
