#include "TestSupport.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "bmhost/Control.h"

namespace fs = std::filesystem;

namespace bmtest {

SimFolder::SimFolder(const std::string& namePart, bool withScriptFolder) {
    std::string pattern = (fs::temp_directory_path() / ("bm-" + namePart + "-XXXXXX")).string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    root_ = pattern + "/";
    bmhost::Reset();
    bmhost::SetRoot(root_);
    if (withScriptFolder) fs::create_directories(ScriptFolder());
}

SimFolder::~SimFolder() {
    bmhost::UnloadPlugins();
    std::error_code ec;
    fs::remove_all(root_, ec);
}

std::string SimFolder::ScriptFolder() const { return root_ + "Resources/plugins/PythonScripts/"; }

void SimFolder::AddScript(const std::string& fileName, const std::string& text) const {
    std::ofstream(ScriptFolder() + fileName, std::ios::binary) << text;
}

std::string SimFolder::Log() const { return ReadFile(ScriptFolder() + "BrindlemoorLog.txt"); }
std::string SimFolder::Output() const { return ReadFile(ScriptFolder() + "BrindlemoorOutput.txt"); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

std::vector<FencedBlock> FencedBlocks(const std::string& page) {
    std::vector<FencedBlock> blocks;
    std::vector<std::string> lines = Lines(ReadFile(page));
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].compare(0, 3, "```") != 0) continue;
        FencedBlock block{lines[i].substr(3, lines[i].find(' ', 3) - 3), "", int(i + 1)};
        for (++i; i < lines.size() && lines[i] != "```"; ++i) block.text += lines[i] + "\n";
        blocks.push_back(block);
    }
    return blocks;
}

ShellRun Shell(const std::string& command) {
    ShellRun run{-1, ""};
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::vector<std::string> ProfileRows(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> rows;
    for (const std::string& line : lines) {
        if (line.rfind(prefix, 0) != 0 || line.rfind(prefix + "script ", 0) == 0) continue;
        std::string row, rest = line.substr(prefix.size());
        for (int column = 0; column < 3 && !rest.empty(); ++column) {
            std::size_t gap = rest.find("  ");
            row += (column ? "|" : "") + rest.substr(0, gap);
            std::size_t next = gap == std::string::npos ? gap : rest.find_first_not_of(' ', gap);
            rest = next == std::string::npos ? "" : rest.substr(next);
        }
        rows.push_back(row);
    }
    return rows;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

std::string RecorderScript(const std::string& tag, const std::set<std::string>& omit) {
    std::string t = "\"" + tag + "\"";
    std::string text = "class Brindlemoor:\n";
    if (!omit.count("XPluginStart"))
        text += "    def XPluginStart(self):\n"
                "        print(" + t + " + ' XPluginStart')\n"
                "        return " + t + " + ' name', 'sig.' + " + t + ", " + t + " + ' desc'\n";
    if (!omit.count("XPluginStop"))
        text += "    def XPluginStop(self):\n        print(" + t + " + ' XPluginStop')\n";
    if (!omit.count("XPluginEnable"))
        text += "    def XPluginEnable(self):\n        print(" + t + " + ' XPluginEnable')\n        return 1\n";
    if (!omit.count("XPluginDisable"))
        text += "    def XPluginDisable(self):\n        print(" + t + " + ' XPluginDisable')\n";
    if (!omit.count("XPluginReceiveMessage"))
        text += "    def XPluginReceiveMessage(self, who, message, param):\n"
                "        print(" + t + " + ' XPluginReceiveMessage %d %d 0x%x' % (who, message, param))\n";
    return text;
}

namespace {
const std::string kStdlib = std::string(BM_PYTHON_HOME) + "/lib/python" BM_PYTHON_LINE;
std::vector<fs::path> PackageFolders(const fs::path& home) {
    fs::path stdlib = home / "lib" / ("python" BM_PYTHON_LINE);
    return {stdlib / "site-packages", stdlib / "dist-packages", home / "lib/python3/dist-packages"};
}
}  // namespace

void MakeLinkedPythonHome(const std::string& home) {
    fs::path stdlib = fs::path(home) / "lib" / ("python" BM_PYTHON_LINE);
    fs::create_directories(stdlib);
    for (const fs::directory_entry& entry : fs::directory_iterator(kStdlib))
        fs::create_symlink(entry.path(), stdlib / entry.path().filename());
    for (const fs::path& folder : PackageFolders(home)) {
        fs::remove(folder);
        fs::create_directories(folder);
    }
}

void BreakSite(const std::string& home, bool broken) {
    fs::path site = fs::path(home) / "lib" / ("python" BM_PYTHON_LINE) / "site.py";
    fs::remove(site);
    if (broken)
        std::ofstream(site) << "raise SystemExit('broken site')\n";
    else
        fs::create_symlink(kStdlib + "/site.py", site);
    for (const fs::path& folder : PackageFolders(home)) {
        if (broken)
            std::ofstream(folder / "broken.pth") << "import sys; raise SystemExit('broken site')\n";
        else
            fs::remove(folder / "broken.pth");
    }
}

std::string RecorderLog() {
    void* library = dlopen(BM_RECORDER_PLUGIN_PATH, RTLD_NOLOAD | RTLD_NOW);
    if (!library) return "";
    auto log = reinterpret_cast<const char* (*)()>(dlsym(library, "BMRecorder_Log"));
    std::string text = log ? log() : "";
    dlclose(library);
    return text;
}

}  // namespace bmtest
