#ifndef BM_TESTSUPPORT_H
#define BM_TESTSUPPORT_H
// A temporary simulator folder for one test, and small helpers for scripts and files.

#include <set>
#include <string>
#include <vector>

namespace bmtest {

// Creates a fresh simulator folder with an empty script folder, resets the stand-in to it, and
// removes it again (after unloading any plug-in) when the test ends.
class SimFolder {
public:
    explicit SimFolder(const std::string& namePart = "sim", bool withScriptFolder = true);
    ~SimFolder();
    SimFolder(const SimFolder&) = delete;
    SimFolder& operator=(const SimFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::string ScriptFolder() const;
    void AddScript(const std::string& fileName, const std::string& text) const;
    std::string Log() const;     // BrindlemoorLog.txt
    std::string Output() const;  // BrindlemoorOutput.txt

private:
    std::string root_;
};

std::string ReadFile(const std::string& path);
std::vector<std::string> Lines(const std::string& text);

// The fenced code blocks of a Markdown page.
struct FencedBlock {
    std::string tag;   // the info string's first word
    std::string text;  // the lines between the fences
    int line;          // of the opening fence, 1-based
};
std::vector<FencedBlock> FencedBlocks(const std::string& page);

// A shell command's exit status (-1 when it did not exit) and its output, standard error included.
struct ShellRun {
    int status;
    std::string output;
};
ShellRun Shell(const std::string& command);
std::string Quoted(const std::string& text);  // for the shell

// The script, callback and calls ("BM_A|flight loop|37") of each row of a profile table among
// `lines`: the lines that start with `prefix` ("profile: " in bmsim's output), the header left
// out. Its columns stand two or more blanks apart.
std::vector<std::string> ProfileRows(const std::vector<std::string>& lines, const std::string& prefix = "");
size_t Count(const std::string& text, const std::string& part);

// A script whose methods print "<tag> <method>" (messages with their three arguments), leaving
// out the methods named in `omit`. XPluginStart returns ("<tag> name", "sig.<tag>", "<tag> desc").
std::string RecorderScript(const std::string& tag, const std::set<std::string>& omit = {});

// Makes `home` a Python home of links to the build's standard library (BM_PYTHON_HOME), with
// package folders of its own. BreakSite(home, true) makes importing site raise
// SystemExit('broken site'): site.py itself, and a .pth file where site is frozen into the
// interpreter (3.11 on) and site.py is not read; BreakSite(home, false) mends it.
void MakeLinkedPythonHome(const std::string& home);
void BreakSite(const std::string& home, bool broken);

// The log of the recorder plug-in (support/RecorderPlugin.cpp, BM_RECORDER_PLUGIN_PATH), one line
// per message it received; "" when it is not loaded.
std::string RecorderLog();

}  // namespace bmtest

#endif
