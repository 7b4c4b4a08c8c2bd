#ifndef BM_SCRIPTPATHS_H
#define BM_SCRIPTPATHS_H
// Where the scripts and the plug-in's files live, derived from the simulator's system path.
// Hosts that hand out classic colon-separated paths (separator ":") get the colon forms and the
// /Volumes conversion; every other host gets paths in its own form.

#include <string>

struct ScriptPaths {
    std::string scriptFolder;     // host form, with a trailing separator
    std::string listingPath;      // what the folder listing is asked for
    std::string interpreterPath;  // POSIX form, no trailing separator: the module search path entry
};

ScriptPaths DeriveScriptPaths(const std::string& systemPath, const std::string& separator);

// Host-form path of a file in the script folder (the log and output files).
std::string ScriptFilePath(const std::string& systemPath, const std::string& separator,
                           const std::string& fileName);

// Converts a host-form path to the form the C runtime opens: colon paths become
// /Volumes/Disk/...; other paths pass unchanged. Returns 0, or -1 when it cannot convert.
int ConvertPath(const std::string& hostPath, const std::string& separator, std::string* out);

#endif
