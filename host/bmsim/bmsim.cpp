// bmsim: runs the Brindlemoor plug-in and its scripts on the stand-in simulator, headless.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: bmsim [--root DIR] [--scripts DIR] [--frames N] [--menu PATH]... [--set NAME=VALUE]...\n"
    "             [--plugin FILE]\n"
    "\n"
    "Runs the Brindlemoor plug-in on the simulator stand-in: loads the plug-in, starts and\n"
    "enables it, sends the plane loaded (user aircraft), airport loaded and scenery loaded\n"
    "messages, chooses the --menu items, runs N frames (flight loops run, 1/60 s each), then\n"
    "disables and stops it.\n"
    "\n"
    "  --root DIR      simulator folder (default ./sim); its layout is created when missing\n"
    "  --scripts DIR   copy the files of DIR into <root>/Resources/plugins/PythonScripts first\n"
    "  --frames N      frames to run between enable and disable (default 10)\n"
    "  --menu PATH     choose a menu item once the plug-ins are enabled, e.g.\n"
    "                  \"Plugins/Brindlemoor/Control Panel\"; may be given more than once\n"
    "  --set NAME=VALUE  set a data ref before the run (one published by a script: once it is\n"
    "                  enabled); arrays as 1,2,3, byte data as text; may be given more than once\n"
    "  --plugin FILE   the plug-in to load (default: the one this build made)\n"
    "  --help          this text\n"
    "\n"
    "Output: the lines the run adds to the simulator log ([sim]), to BrindlemoorLog.txt\n"
    "([log]) and to BrindlemoorOutput.txt ([out]), in the order they were written.\n"
    "Exit status: 0 after a normal run, 2 for bad arguments, 1 when the folder or the plug-in\n"
    "cannot be used.\n";

// Echoes the lines that a file gains from now on.
class FileTail {
public:
    FileTail(fs::path path, std::string prefix) : path_(std::move(path)), prefix_(std::move(prefix)) {
        std::error_code ec;
        offset_ = fs::exists(path_, ec) ? fs::file_size(path_, ec) : 0;
    }

    void Drain() {
        std::error_code ec;
        std::uintmax_t size = fs::file_size(path_, ec);
        if (ec || size == offset_) return;
        if (size < offset_) offset_ = 0;  // the file was replaced
        std::ifstream in(path_, std::ios::binary);
        if (!in) return;
        in.seekg(static_cast<std::streamoff>(offset_));
        std::string chunk(size - offset_, '\0');
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        offset_ = size;
        Emit(chunk);
    }

    void Finish() {
        Drain();
        if (!partial_.empty()) std::cout << prefix_ << partial_ << "\n";
        partial_.clear();
    }

    void Emit(const std::string& text) {
        partial_ += text;
        std::size_t start = 0;
        for (std::size_t nl; (nl = partial_.find('\n', start)) != std::string::npos; start = nl + 1)
            std::cout << prefix_ << partial_.substr(start, nl - start) << "\n";
        partial_.erase(0, start);
    }

private:
    fs::path path_;
    std::string prefix_;
    std::uintmax_t offset_ = 0;
    std::string partial_;
};

int Fail(const std::string& message) {
    std::cerr << "bmsim: " << message << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string root = "sim", scripts, plugin = BM_DEFAULT_PLUGIN;
    int frames = 10;
    std::vector<std::string> menus;
    std::vector<std::pair<std::string, std::string>> settings;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "bmsim: " << name << " needs a value\n" << kUsage;
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--root") {
            root = value("--root");
        } else if (arg == "--scripts") {
            scripts = value("--scripts");
        } else if (arg == "--menu") {
            menus.push_back(value("--menu"));
        } else if (arg == "--set") {
            std::string setting = value("--set");
            std::size_t eq = setting.find('=');
            if (eq == std::string::npos || eq == 0) {
                std::cerr << "bmsim: --set takes NAME=VALUE, not '" << setting << "'\n";
                return 2;
            }
            settings.emplace_back(setting.substr(0, eq), setting.substr(eq + 1));
        } else if (arg == "--plugin") {
            plugin = value("--plugin");
        } else if (arg == "--frames") {
            char* end = nullptr;
            const char* text = value("--frames");
            long n = std::strtol(text, &end, 10);
            if (*end || n < 0 || n > 10000000) {
                std::cerr << "bmsim: --frames takes a whole number, not '" << text << "'\n";
                return 2;
            }
            frames = int(n);
        } else {
            std::cerr << "bmsim: unknown argument '" << arg << "'\n" << kUsage;
            return 2;
        }
    }

    std::string scriptFolder;
    try {
        bmhost::SetRoot(root);
        scriptFolder = bmhost::ScriptFolder();
        fs::create_directories(scriptFolder);
        if (!scripts.empty()) {
            if (!fs::is_directory(scripts)) return Fail("no script folder at " + scripts);
            for (const auto& entry : fs::directory_iterator(scripts))
                if (entry.is_regular_file())
                    fs::copy_file(entry.path(), scriptFolder + entry.path().filename().string(),
                                  fs::copy_options::overwrite_existing);
        }
    } catch (const std::exception& e) {
        return Fail(std::string("cannot prepare the simulator folder: ") + e.what());
    }
    if (!fs::exists(plugin)) return Fail("no plug-in at " + plugin);

    FileTail log(scriptFolder + "BrindlemoorLog.txt", "[log] ");
    FileTail out(scriptFolder + "BrindlemoorOutput.txt", "[out] ");
    FileTail sim(bmhost::Root() + "Log.txt", "[sim] ");
    auto drain = [&] {
        log.Drain();
        out.Drain();
        sim.Drain();
    };
    // The plug-in asks the simulator for its paths before each write to its files, so catching
    // up on every SDK call echoes the lines of all three files in the order they were written.
    bmhost::SetSdkCallListener([&](const char*) { drain(); });

    // Data refs the simulator has are set now; those a script publishes once it is enabled.
    std::vector<std::pair<std::string, std::string>> later;
    for (const auto& [name, text] : settings)
        if (!bmhost::DataExists(name) || !bmhost::SetDataFromText(name, text)) later.emplace_back(name, text);

    std::string error;
    if (bmhost::LoadPlugin(plugin, &error) == XPLM_NO_PLUGIN_ID) {
        bmhost::SetSdkCallListener(nullptr);
        log.Finish();
        sim.Finish();
        return Fail("the plug-in could not be started: " + error);
    }
    bmhost::EnablePlugins();
    // As at a real simulator's boot: the user's aircraft, then the airport and scenery arrive.
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_PLANE_LOADED, nullptr);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_AIRPORT_LOADED, nullptr);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_SCENERY_LOADED, nullptr);
    drain();
    for (const auto& [name, text] : later)
        if (!bmhost::SetDataFromText(name, text))
            std::cout << "bmsim: cannot set " << name << " to '" << text << "' (unknown or wrong type)\n";
    for (const std::string& path : menus) {
        if (!bmhost::ChooseMenuItem(path)) std::cout << "bmsim: no enabled menu item " << path << "\n";
        drain();
    }
    for (int frame = 0; frame < frames; ++frame) {
        bmhost::RunFrames(1);
        drain();
    }
    bmhost::DisablePlugins();
    bmhost::UnloadPlugins();
    bmhost::SetSdkCallListener(nullptr);
    log.Finish();
    out.Finish();
    sim.Finish();
    return 0;
}
