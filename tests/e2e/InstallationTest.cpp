// Broken installations of the Python the plug-in embeds, each run by bmsim in a process of its
// own: every one ends with one line in the simulator's Log.txt and in BrindlemoorLog.txt saying
// what is missing and where, XPluginStart answering 0, and the process going on to its end.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "BmsimRun.h"
#include "TestSupport.h"

namespace {

namespace fs = std::filesystem;

const std::string kLine = BM_PYTHON_LINE;

void Write(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// A simulator folder holding the built plug-in in its installed place.
struct Installation {
    bmtest::SimFolder sim{"install"};
    fs::path plugin = fs::path(sim.Root()) / "Resources/plugins/Brindlemoor";
    fs::path python = plugin / "python";

    Installation() {
        fs::create_directories(plugin / "64");
        fs::path built = fs::path(BM_PLUGIN_PATH).parent_path();
        for (const char* file : {"lin.xpl", "brindlemoor_core.so"}) fs::copy_file(built / file, plugin / "64" / file);
        sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    }
    // The bundled Python's library: the build's own, or `library`.
    void CarryLibrary(const std::string& library = BM_PYTHON_LIBRARY) {
        fs::create_directories(python / "lib");
        fs::copy_file(fs::canonical(library), python / "lib" / BM_PYTHON_SONAME);
    }
    // The library and a standard library holding os.py alone; answers its folder.
    fs::path CarryStandardLibraryStart() {
        CarryLibrary();
        fs::path stdlib = python / "lib" / ("python" + kLine);
        Write(stdlib / "os.py", "# os\n");
        return stdlib;
    }
    bmtest::BmsimRun Run(const std::string& environment = "") const {
        return bmtest::RunBmsim("--root '" + sim.Root() + "' --plugin '" + (plugin / "64/lin.xpl").string() +
                                    "' --frames 2",
                                "env -u PYTHONHOME " + environment);
    }
};

// A libpython of another version than the build's, "" when the machine has none.
std::string OtherLibpython() {
    const char* pyenv = std::getenv("PYENV_ROOT");
    std::vector<fs::path> folders = {"/usr/lib/x86_64-linux-gnu",
                                     fs::path(pyenv ? pyenv : std::string(std::getenv("HOME")) + "/.pyenv") / "versions"};
    for (const fs::path& folder : folders) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
            if (it.depth() > 2) it.disable_recursion_pending();
            std::string name = it->path().filename().string();
            if (name.rfind("libpython", 0) == 0 && name.find(".so.1.0") != std::string::npos &&
                name.find("libpython" + kLine + ".") == std::string::npos)
                return it->path().string();
        }
    }
    return std::string();
}

void ExpectStoodAside(const bmtest::BmsimRun& run, const std::string& problem) {
    std::string line = "Brindlemoor: cannot start Python " + kLine + ": " + problem +
                       "; see Resources/plugins/Brindlemoor/INSTALL.txt";
    EXPECT_EQ(run.status, 0) << run.output;  // bmsim leaves the plug-in out and runs on
    EXPECT_EQ(bmtest::Count(run.output, "[sim] " + line + "\n"), 1u) << run.output;
    EXPECT_EQ(bmtest::Count(run.output, "[log] " + line + "\n"), 1u) << run.output;
    EXPECT_NE(run.output.find("/lin.xpl left out: XPluginStart returned 0 (plug-in 1)\n"), std::string::npos)
        << run.output;
    EXPECT_EQ(run.output.find("'BM_A' successfully loaded"), std::string::npos) << run.output;
}

TEST(Installation, EachBrokenInstallationIsReportedAndThePluginStandsAside) {
    const std::string bundle = "Resources/plugins/Brindlemoor/python";
    struct Case {
        const char* what;
        std::function<std::string(Installation&)> breakIt;  // answers the environment of the run
        std::string problem;
    };
    std::vector<Case> cases = {
        {"no libpython", [](Installation& i) { fs::create_directories(i.python / "lib"); return ""; },
         "no " BM_PYTHON_SONAME " in " + bundle + "/lib"},
        {"no standard library", [](Installation& i) { i.CarryLibrary(); return ""; },
         "no standard library at " + bundle + " (no lib/python" + kLine + "/os.py)"},
        {"an incomplete standard library",
         [](Installation& i) {
             i.CarryStandardLibraryStart();
             return "";
         },
         "the standard library at " + bundle + "/lib/python" + kLine + " is incomplete (no site.py)"},
        {"an empty site.py",
         [](Installation& i) {
             Write(i.CarryStandardLibraryStart() / "site.py", "");
             return "";
         },
         "cannot read the standard library at " + bundle + "/lib/python" + kLine + " (site.py: empty)"},
        {"a FIFO for site.py",
         [](Installation& i) {
             mkfifo((i.CarryStandardLibraryStart() / "site.py").c_str(), 0644);
             return "";
         },
         "cannot read the standard library at " + bundle + "/lib/python" + kLine + " (site.py: not a regular file)"},
        {"PYTHONHOME pointing nowhere", [](Installation&) { return "PYTHONHOME=/nonexistent/python"; },
         "no standard library at PYTHONHOME=/nonexistent/python (no lib/python" + kLine + "/os.py)"},
        {"a site that raises",
         [](Installation& i) {
             std::string home = i.sim.Root() + "home";
             bmtest::MakeLinkedPythonHome(home);
             bmtest::BreakSite(home, true);
             return "PYTHONHOME='" + home + "'";
         },
         "importing site raised SystemExit: broken site"},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        Installation installation;
        std::string environment = c.breakIt(installation);
        ExpectStoodAside(installation.Run(environment), c.problem);
    }
}

// A library of another version where the plug-in's should be.
TEST(Installation, ALibpythonOfAnotherVersionIsRefused) {
    std::string other = OtherLibpython();
    if (other.empty()) GTEST_SKIP() << "no libpython of a version other than " << kLine << " on this machine";
    Installation installation;
    installation.CarryLibrary(other);
    bmtest::BmsimRun run = installation.Run();
    std::string start = "[log] Brindlemoor: cannot start Python " + kLine +
                        ": Resources/plugins/Brindlemoor/python/lib/" BM_PYTHON_SONAME " is Python ";
    std::size_t at = run.output.find(start);
    ASSERT_NE(at, std::string::npos) << run.output;
    std::string rest = run.output.substr(at + start.size(), run.output.find('\n', at) - at - start.size());
    EXPECT_NE(rest.rfind(", not " + kLine + "; see Resources/plugins/Brindlemoor/INSTALL.txt"), std::string::npos) << rest;
    EXPECT_NE(run.output.find("/lin.xpl left out: XPluginStart returned 0 (plug-in 1)\n"), std::string::npos);
}

// A standard library the plug-in may not read. As root, permissions are enforced inside a user
// namespace where the files' owner is an ordinary user.
TEST(Installation, AnUnreadableStandardLibraryIsReported) {
    std::string prefix;
    if (geteuid() == 0) {
        if (std::system("unshare --user --map-user=1000 --map-group=1000 true 2>/dev/null") != 0)
            GTEST_SKIP() << "root, and no user namespace to read files as an ordinary user";
        prefix = "unshare --user --map-user=1000 --map-group=1000 ";
    }
    Installation installation;
    fs::path stdlib = installation.CarryStandardLibraryStart();
    chmod(stdlib.c_str(), 0);
    bmtest::BmsimRun run = bmtest::RunBmsim(
        "--root '" + installation.sim.Root() + "' --plugin '" + (installation.plugin / "64/lin.xpl").string() +
            "' --frames 2",
        "env -u PYTHONHOME " + prefix);
    chmod(stdlib.c_str(), 0755);
    ExpectStoodAside(run, "cannot read the standard library at Resources/plugins/Brindlemoor/python/lib/python" + kLine +
                              " (os.py: Permission denied)");
}

}  // namespace

namespace {

// From 3.8 the interpreter answers a start it could not make instead of ending the process: an
// encodings package that raises passes every check that can be made beforehand.
TEST(Installation, AStartTheInterpreterCannotMakeIsReported) {
    if (kLine[0] == '2' || std::stoi(kLine.substr(2)) < 8)
        GTEST_SKIP() << "Python " << kLine << " ends the process where its encodings package raises";
    Installation installation;
    std::string home = installation.sim.Root() + "home";
    bmtest::MakeLinkedPythonHome(home);
    fs::path encodings = fs::path(home) / "lib" / ("python" + kLine) / "encodings";
    fs::path real = fs::read_symlink(encodings);
    fs::remove(encodings);
    fs::create_directory(encodings);
    for (const fs::directory_entry& entry : fs::directory_iterator(real))
        if (entry.path().filename() != "__init__.py") fs::create_symlink(entry.path(), encodings / entry.path().filename());
    Write(encodings / "__init__.py", "raise ValueError('broken encodings')\n");
    bmtest::BmsimRun run = installation.Run("PYTHONHOME='" + home + "'");
    EXPECT_NE(run.output.find("/lin.xpl left out: XPluginStart returned 0 (plug-in 1)\n"), std::string::npos);
    EXPECT_NE(run.output.find("[log] Brindlemoor: cannot start Python " + kLine + ": the interpreter did not start: "),
              std::string::npos)
        << run.output;
}

}  // namespace
