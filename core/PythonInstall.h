#ifndef BM_PYTHONINSTALL_H
#define BM_PYTHONINSTALL_H
// The Python installation the plug-in embeds, looked at before the interpreter starts: a missing
// or broken one is reported in one line and the plug-in steps aside, where the interpreter would
// end the simulator's process. No interpreter is needed here: lin.xpl, which loads the
// interpreter's library, checks with this, and the plug-in's core again at every start.
//
// The interpreter's home (the folder holding lib/pythonX.Y/) is, in this order:
//   1. the Python carried beside the plug-in, <plug-in folder>/python/, when that folder exists
//      (its library is then python/lib/<soname>, and nothing else is looked at);
//   2. PYTHONHOME, when set;
//   3. the nearest folder above the loaded library holding lib/pythonX.Y/os.py (or lib64/): the
//      system's Python, /usr for Debian's /usr/lib/x86_64-linux-gnu/libpython3.11.so.1.0.

#include <string>

struct BM_PythonInstall {
    std::string line;     // "2.7": the Python line the plug-in was built for
    std::string library;  // the file of the loaded library
    std::string version;  // "2.7.18": what the library says it is
    std::string home;     // the interpreter's home
    bool bundled = false; // the home is the Python the plug-in carries
    std::string problem;  // why the interpreter cannot start; empty when it can
};

// The file whose code `code` is (Resources/plugins/Brindlemoor/64/lin.xpl for lin.xpl's), and the
// plug-in's folder, two above it (Resources/plugins/Brindlemoor); "" when it cannot be told.
std::string BM_CodeFileOf(const void* code);
std::string BM_PluginFolderOf(const void* code);

// <plug-in folder>/python: the Python a bundled install carries; "" when there is no such folder.
std::string BM_BundledPython(const std::string& pluginFolder);

// Checks the loaded library (`library` its file, `versionText` what its Py_GetVersion answers,
// null when it has none) against the line, then chooses the home and checks its standard
// library. The result's `problem` says what is wrong, paths as BM_ShownPath writes them.
BM_PythonInstall BM_CheckPythonInstall(const std::string& line, const std::string& pluginFolder,
                                       const std::string& library, const char* versionText);

// "Brindlemoor: cannot start Python 2.7: <problem>; see Resources/plugins/Brindlemoor/INSTALL.txt"
std::string BM_CannotStartLine(const std::string& line, const std::string& problem,
                               const std::string& pluginFolder);
// "Python 2.7.18 (home Resources/plugins/Brindlemoor/python)"
std::string BM_PythonInUseLine(const BM_PythonInstall& install);

// A path below the simulator's folder, relative to it; any other path as it is.
std::string BM_ShownPath(const std::string& path);

// Writes a line (a line end is added) to the simulator's Log.txt and to BrindlemoorLog.txt.
void BM_ReportToBothLogs(const std::string& line);

#endif
