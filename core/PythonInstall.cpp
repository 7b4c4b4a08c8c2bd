#include "PythonInstall.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BrindlemoorBase.h"
#include "ScriptPaths.h"
#include "XPLMUtilities.h"

namespace {

std::string Parent(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string RealPath(const std::string& path) {
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

bool IsFolder(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// How a file of the standard library can be read: "" when it can, "missing" when it is not
// there, else why not (an empty file is no module the interpreter could start with). Opened without waiting (a FIFO in its place does not hang the start) and
// one byte read.
std::string Readability(const std::string& path) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? "missing" : std::strerror(errno);
    std::string why;
    struct stat info;
    char byte;
    if (fstat(fd, &info) != 0)
        why = std::strerror(errno);
    else if (!S_ISREG(info.st_mode))
        why = "not a regular file";
    else if (info.st_size == 0)
        why = "empty";
    else if (read(fd, &byte, 1) != 1)
        why = std::strerror(errno);
    close(fd);
    return why;
}

// The files the interpreter reads while it starts, relative to lib/pythonX.Y: a standard library
// without one of them would end the process there.
std::vector<std::string> StartFiles(const std::string& line) {
    std::vector<std::string> files = {"os.py", "site.py"};
    if (line[0] != '2')
        files.insert(files.end(), {"codecs.py", "io.py", "abc.py", "_weakrefset.py", "encodings/__init__.py",
                                   "encodings/aliases.py", "encodings/utf_8.py", "encodings/latin_1.py",
                                   "encodings/ascii.py"});
    return files;
}

// lib/pythonX.Y of `home` (lib64/ on systems that keep it there), "" when there is neither. A
// folder that cannot be looked into counts as there: reading it then says why not.
std::string StandardLibraryOf(const std::string& home, const std::string& line) {
    for (const char* lib : {"/lib/python", "/lib64/python"}) {
        std::string folder = home + lib + line;
        if (Readability(folder + "/os.py") != "missing") return folder;
    }
    return std::string();
}

// `name`: how the home is named in a problem; its path when empty.
std::string CheckHome(const std::string& home, const std::string& line, const std::string& name) {
    std::string stdlib = StandardLibraryOf(home, line);
    if (stdlib.empty())
        return "no standard library at " + (name.empty() ? BM_ShownPath(home) : name) + " (no lib/python" + line +
               "/os.py)";
    for (const std::string& file : StartFiles(line)) {
        std::string why = Readability(stdlib + "/" + file);
        if (why == "missing")
            return "the standard library at " + BM_ShownPath(stdlib) + " is incomplete (no " + file + ")";
        if (!why.empty()) return "cannot read the standard library at " + BM_ShownPath(stdlib) + " (" + file + ": " + why + ")";
    }
    return std::string();
}

// "2.7.18" of "2.7.18 (default, ...) [GCC ...]".
std::string FirstWord(const char* text) {
    std::string word = text;
    std::size_t end = word.find_first_of(" \n\t");
    return end == std::string::npos ? word : word.substr(0, end);
}

}  // namespace

std::string BM_CodeFileOf(const void* code) {
    Dl_info info;
    if (!dladdr(code, &info) || !info.dli_fname || !*info.dli_fname) return std::string();
    return RealPath(info.dli_fname);
}

std::string BM_PluginFolderOf(const void* code) {
    std::string file = BM_CodeFileOf(code);
    return file.empty() ? file : Parent(Parent(file));
}

std::string BM_BundledPython(const std::string& pluginFolder) {
    std::string folder = pluginFolder + "/python";
    return !pluginFolder.empty() && IsFolder(folder) ? folder : std::string();
}

BM_PythonInstall BM_CheckPythonInstall(const std::string& line, const std::string& pluginFolder,
                                       const std::string& library, const char* versionText) {
    BM_PythonInstall install;
    install.line = line;
    install.library = RealPath(library);
    if (!versionText) {
        install.problem = BM_ShownPath(install.library) + " is no Python library (it has no Py_GetVersion)";
        return install;
    }
    install.version = FirstWord(versionText);
    if (install.version != line && install.version.compare(0, line.size() + 1, line + ".") != 0) {
        install.problem = BM_ShownPath(install.library) + " is Python " + install.version + ", not " + line;
        return install;
    }
    std::string bundled = BM_BundledPython(pluginFolder);
    const char* pythonHome = std::getenv("PYTHONHOME");
    if (!bundled.empty()) {
        install.home = bundled;
        install.bundled = true;
        install.problem = CheckHome(install.home, line, "");
    } else if (pythonHome && *pythonHome) {
        // PYTHONHOME may be prefix:exec_prefix; the standard library is in the prefix.
        install.home = pythonHome;
        install.problem = CheckHome(install.home.substr(0, install.home.find(':')), line, "PYTHONHOME=" + install.home);
    } else {
        for (std::string folder = Parent(install.library); install.home.empty(); folder = Parent(folder)) {
            if (!StandardLibraryOf(folder, line).empty()) install.home = folder;
            if (folder == "/") break;
        }
        if (install.home.empty())
            install.problem = "no standard library in a folder above " + BM_ShownPath(install.library) +
                              " (no lib/python" + line + "/os.py); set PYTHONHOME to the folder that holds it";
        else
            install.problem = CheckHome(install.home, line, "");
    }
    return install;
}

std::string BM_CannotStartLine(const std::string& line, const std::string& problem,
                               const std::string& pluginFolder) {
    return "Brindlemoor: cannot start Python " + line + ": " + problem + "; see " +
           BM_ShownPath(pluginFolder + "/INSTALL.txt");
}

std::string BM_PythonInUseLine(const BM_PythonInstall& install) {
    return "Python " + install.version + " (home " + BM_ShownPath(install.home) + ")";
}

std::string BM_ShownPath(const std::string& path) {
    std::string folder;
    BM_RunOrLog("reading the system path", [&] {
        BM_HostPaths host = BM_QueryHostPaths();
        if (ConvertPath(host.systemPath, host.separator, &folder) != 0) folder.clear();
    });
    if (folder.empty()) return path;
    folder = RealPath(folder);
    if (folder.back() != '/') folder += '/';
    std::string real = RealPath(path);
    return real.compare(0, folder.size(), folder) == 0 && real.size() > folder.size() ? real.substr(folder.size())
                                                                                      : path;
}

void BM_ReportToBothLogs(const std::string& line) {
    std::string text = line + "\n";
    BM_RunOrLog("XPLMDebugString", [&] { XPLMDebugString(text.c_str()); });
    BM_WriteToLog(text.c_str());
}
