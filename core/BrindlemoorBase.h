#ifndef BM_BRINDLEMOORBASE_H
#define BM_BRINDLEMOORBASE_H
// What every other part of the plug-in stands on: the two log files, the text of a script's
// error, and the guards that keep C++ exceptions away from the simulator and from
// the interpreter's frames. Nothing here knows of modules, scripts or the control panel. The log
// files and BM_RunOrLog need no interpreter (LogFiles.cpp): lin.xpl writes with them too.

#include <cstddef>
#include <functional>
#include <string>

typedef struct _object PyObject;

// Where the simulator is, as it reports it.
struct BM_HostPaths {
    std::string systemPath;
    std::string separator;
};
BM_HostPaths BM_QueryHostPaths();

extern int BM_OutputFileEnabled;  // scripts' standard output also goes to the output file

// The thread the simulator calls the plug-in on: the one that loaded it, then the one that
// called XPluginStart. The simulator's functions may be called on it alone.
void BM_MarkSimulatorThread();
bool BM_OnSimulatorThread();

// Append a text unchanged to the log (always) or to the output file (while enabled).
void BM_WriteToLog(const char* text);
void BM_WriteToLog2(const char* text);
// The same for texts that may hold NUL bytes.
void BM_WriteBytesToLog(const char* text, std::size_t length);
void BM_WriteBytesToLog2(const char* text, std::size_t length);

// "ZeroDivisionError: integer division or modulo by zero" for the pending error, which stays
// pending as it was; "" when none is.
std::string BM_PendingErrorText();

// Prints the pending Python error to the scripts' standard error and clears it. A SystemExit
// is printed like any other error instead of ending the simulator's process.
void BM_PrintPythonError();
// The stream BM_PrintPythonError writes to (the plug-in's standard error catcher), put in
// sys.stderr for each report whatever a script set there (None, a broken object), and back for
// good by BM_RestoreReportStream before the interpreter ends, so that what fails while it ends
// (atexit functions, __del__ methods) reaches the log too.
void BM_SetReportStream(PyObject* stream);
void BM_RestoreReportStream();

// Runs one step of the plug-in's own work (a host call at start or stop, say). An exception is
// written to the log as "Brindlemoor - <what> failed: <reason>" and swallowed. False when it
// failed.
bool BM_RunOrLog(const char* what, const std::function<void()>& step);

// Runs a trampoline's worker so that nothing thrown reaches the simulator: on an exception the
// worker's result is `fallback`.
template <typename T, typename F>
T BM_NoThrow(T fallback, F&& worker) noexcept {
    try {
        return worker();
    } catch (...) {
        return fallback;
    }
}

#endif
