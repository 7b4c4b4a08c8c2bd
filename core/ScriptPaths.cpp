#include "ScriptPaths.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {
bool IsColonHost(const std::string& separator) { return separator == ":"; }

std::string ColonToPosix(std::string path) {
    std::replace(path.begin(), path.end(), ':', '/');
    return path;
}

// A script folder that is a symbolic link names the folder it points to, so that the module
// search path, __file__, tracebacks and the file watch name the scripts where their author keeps
// them. Any other folder keeps its path as written.
std::string FollowFolderLink(const std::string& folder) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path path(folder);
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return folder;
    fs::path target = fs::canonical(path, ec);  // through every link, relative ones too
    return ec || target.empty() ? folder : target.string();
}
}  // namespace

ScriptPaths DeriveScriptPaths(const std::string& systemPath, const std::string& separator) {
    ScriptPaths paths;
    if (IsColonHost(separator)) {
        // The classic form spells the folder "Plugins"; that file system ignores case.
        paths.scriptFolder = systemPath + "Resources:Plugins:PythonScripts:";
        paths.listingPath = paths.scriptFolder;
        paths.interpreterPath = ColonToPosix("/Volumes:" + systemPath + "Resources:Plugins:PythonScripts");
        return paths;
    }
    const std::string& sep = separator;
    std::string folder = systemPath + "Resources" + sep + "plugins" + sep + "PythonScripts";
    paths.scriptFolder = folder + sep;
    paths.listingPath = folder;
    paths.interpreterPath = sep == "/" ? FollowFolderLink(folder) : folder;
    return paths;
}

std::string ScriptFilePath(const std::string& systemPath, const std::string& separator,
                           const std::string& fileName) {
    const std::string& sep = separator;
    return systemPath + "Resources" + sep + "plugins" + sep + "PythonScripts" + sep + fileName;
}

int ConvertPath(const std::string& hostPath, const std::string& separator, std::string* out) {
    if (!IsColonHost(separator)) {
        *out = hostPath;
        return 0;
    }
    if (hostPath.empty() || hostPath.front() == ':') return -1;  // relative colon paths
    *out = "/Volumes/" + ColonToPosix(hostPath);
    return 0;
}
