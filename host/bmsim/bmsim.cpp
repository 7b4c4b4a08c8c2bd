// bmsim: runs the Brindlemoor plug-in and its scripts on the stand-in simulator, headless.
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "Events.h"
#include "XPLMDataAccess.h"
#include "XPLMPlugin.h"
#include "bmhost/Control.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: bmsim [--root DIR] [--scripts DIR] [--frames N] [--set NAME=VALUE]... [--menu PATH]...\n"
    "             [--click X,Y] [--drag X1,Y1:X2,Y2] [--key KEY] [--at FRAME:EVENT]...\n"
    "             [--screenshot FILE] [--map-screenshot FILE] [--screen WxH] [--plugin FILE]...\n"
    "             [--widgets] [--menus] [--consoles] [--instances] [--strict] [--profile] [--watch]\n"
    "             [--weather FILE] [--audio FILE]\n"
    "\n"
    "Runs the Brindlemoor plug-in on the simulator stand-in: loads the plug-in, starts and\n"
    "enables it, sends the plane loaded (user aircraft), livery loaded, airport loaded and\n"
    "scenery loaded messages, delivers the events of frame 0, then runs N frames (flight loops\n"
    "run, the camera is placed and the frame is drawn, 1/60 s each) with the events of each frame\n"
    "after it, and shuts down: the will-write-preferences message, then the plug-in is disabled\n"
    "and stopped.\n"
    "\n"
    "  --root DIR      simulator folder (default ./sim); its layout is created when missing\n"
    "  --scripts DIR   run the scripts of DIR in place: <root>/Resources/plugins/PythonScripts\n"
    "                  becomes a link to DIR (replacing the link of an earlier run; scripts\n"
    "                  found in a folder there are moved to PythonScripts.saved), so that\n"
    "                  tracebacks, __file__ and --watch name DIR's files; the plug-in writes\n"
    "                  BrindlemoorLog.txt and BrindlemoorOutput.txt in DIR. Without --scripts\n"
    "                  the root's script folder runs as it is\n"
    "  --frames N      frames to run between enable and disable (default 10)\n"
    "  --set NAME=VALUE  set a data ref before the run (one published by a script: once it is\n"
    "                  enabled); arrays as 1,2,3, byte data as text; may be repeated\n"
    "  --at FRAME:EVENT  deliver EVENT after frame FRAME (0: before the first frame):\n"
    "                    click=X,Y  drag=X1,Y1:X2,Y2  key=KEY  type=TEXT  menu=PATH\n"
    "                    screenshot=FILE  view=NAME  command=NAME  hold=NAME:M\n"
    "                    map=open  map=close\n"
    "                  type=TEXT presses the key of each character (shift for capitals)\n"
    "                  view=NAME chooses a view: forward down left right back tower runway\n"
    "                  chase free1 free2 spot fullscrn1 fullscrn2 (a plug-in controlling the\n"
    "                  camera until the view changes loses it)\n"
    "                  command=NAME runs a command once, e.g. sim/flight_controls/flaps_down;\n"
    "                  hold=NAME:M begins it and lets go of it M frames later (held, it runs\n"
    "                  every frame); may be repeated\n"
    "                  map=open opens the user interface's map (the plug-ins' map creation\n"
    "                  hooks run; its layers draw every frame from then on), map=close\n"
    "                  closes it (its layers are deleted); map=open:XPLM_MAP_IOS and\n"
    "                  map=close:XPLM_MAP_IOS do so for the instructor station's map\n"
    "  --menu PATH     --at 0:menu=PATH, e.g. \"Plugins/Brindlemoor/Control Panel\"; a / or \\\n"
    "                  that is part of an item's name is written \\/ or \\\\:\n"
    "                  \"Plugins/Brindlemoor/Script Enable \\/ Disable\" (--menus lists the paths)\n"
    "  --click X,Y     --at 0:click=X,Y          --drag X1,Y1:X2,Y2  --at 0:drag=...\n"
    "  --key KEY      --at 0:key=KEY: a key press, e.g. F8, a, shift+ctrl+numpad_eq\n"
    "                  (modifiers shift alt ctrl; XPLM_VK_ names without the prefix)\n"
    "  --screenshot FILE  a PNG picture of the last frame\n"
    "  --map-screenshot FILE  a PNG picture (800 x 800) of the user interface's map in the last\n"
    "                  frame: its layers' icons and labels, 125 map units (metres) a pixel\n"
    "                  around the map's centre, north up (the map must be open: --at 0:map=open)\n"
    "  --screen WxH    screen size (default 1024x768)\n"
    "  --plugin FILE   a plug-in to load (default: the one this build made); may be repeated\n"
    "                  to run others beside it, started and enabled in the order given; one\n"
    "                  that fails to load or whose start answers 0 is told on stderr and\n"
    "                  left out, and the others run on\n"
    "  --widgets       after the last frame, list the widgets, one [widget] line each:\n"
    "                  class, left,top,right,bottom, \"descriptor\", visible or hidden and\n"
    "                  the properties set, by their SDK names (xpProperty_ButtonState=1; an id\n"
    "                  the SDK does not name stays a number), children indented under their parent\n"
    "  --menus         after the last frame, list the menu items a --menu path chooses, one\n"
    "                  [menu] line each, the path as --menu takes it, \" (disabled)\" after an\n"
    "                  item that does nothing now\n"
    "  --consoles      after the last frame, print the items of the control panel's two\n"
    "                  consoles, one a line: [display] and [print], line breaks inside an\n"
    "                  item written \\n (before the panel is opened: the items it will show)\n"
    "  --instances     after the last frame, list the instances plug-ins made, one [instance]\n"
    "                  line each in the order they were made: the object's path, \"at X,Y,Z\",\n"
    "                  \"pitch P heading H roll R\" and NAME=VALUE for each data ref (%g numbers)\n"
    "  --strict        exit status 3 when a script failed to load, a callback or a lifecycle method\n"
    "                  raised (or answered what does not convert) or a module call was reported\n"
    "                  as failed; after the plug-in stopped, a line for each, \"strict: SCRIPT: WHAT\n"
    "                  failed: WHY\" or \"strict: SCRIPT: failed to load: WHY\" (\" (N times)\" after a\n"
    "                  repeated one), then \"strict: N problem(s)\" or \"strict: no problems\"\n"
    "                  Whatever the run did not do counts as a problem too, one \"strict: bmsim:\n"
    "                  WHAT\" line each after the plug-in's lines: a plug-in left out, a --set of\n"
    "                  an unknown data ref, a menu path that chooses no enabled item, an unknown\n"
    "                  command, a click or drag that lands on nothing that takes clicks (no\n"
    "                  window or widget there took the mouse down). Without --strict each is\n"
    "                  a warning on stderr, \"bmsim: WHAT\", and the run goes on\n"
    "  --profile       after the plug-in stopped, the time spent in each script's code by kind of\n"
    "                  call (lifecycle methods, flight loop, draw...): calls, total, mean and worst\n"
    "                  call in milliseconds, one \"profile: \" line each\n"
    "  --watch         switch the plug-in's script watch on once it is enabled (data ref\n"
    "                  brindlemoor/watch_scripts): a script whose file changes is reloaded.\n"
    "                  Without --frames the run goes on in real time (60 frames a second)\n"
    "                  until interrupted (Ctrl-C: the plug-in is disabled and stopped, exit 0;\n"
    "                  a second Ctrl-C ends bmsim at once, should a script hang)\n"
    "  --weather FILE  the weather table (see docs/stand-in.md) in place of the built-in one: the\n"
    "                  conditions XPLMGetWeatherAtLocation answers, the METARs of\n"
    "                  XPLMGetMETARForAirport\n"
    "  --audio FILE    mix every sound the plug-ins play into FILE, a WAV file (16-bit stereo,\n"
    "                  48,000 samples a second) as long as the run's frames\n"
    "  --help          this text\n"
    "\n"
    "Coordinates: X,Y are the SDK's screen coordinates, in pixels from the bottom left corner\n"
    "(y upward), as plug-ins place their windows. A --screenshot picture is stored top row\n"
    "first: the point X,Y is its pixel in column X, row HEIGHT-1-Y from the top.\n"
    "\n"
    "Output: the lines the run adds to the simulator log ([sim]), to BrindlemoorLog.txt\n"
    "([log]) and to BrindlemoorOutput.txt ([out]), in the order they were written; after each\n"
    "frame and at the end, a line \"spoken: TEXT\" for each text the plug-ins spoke\n"
    "(XPLMSpeakString) since.\n"
    "Exit status: 0 after a normal run, 2 for bad arguments, 1 when the folder or a plug-in\n"
    "file cannot be used, 3 with --strict when a script or the run had a problem.\n";

const long kMaxFrames = 10000000;
const char kWatchDataRef[] = "brindlemoor/watch_scripts";

// Set by SIGINT (and SIGTERM) during a run in real time: the run ends after the frame. The
// signal's default action comes back at once, so that a second one ends the process should the
// frame never end (a script that hangs).
volatile std::sig_atomic_t gInterrupted = 0;
void Interrupt(int signal) {
    gInterrupted = 1;
    std::signal(signal, SIG_DFL);
}

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
            if (!take || !take(partial_.substr(start, nl - start)))
                std::cout << prefix_ << partial_.substr(start, nl - start) << "\n";
        partial_.erase(0, start);
    }

    // Lines it answers true for are kept back instead of echoed.
    std::function<bool(const std::string&)> take;

private:
    fs::path path_;
    std::string prefix_;
    std::uintmax_t offset_ = 0;
    std::string partial_;
};

// A whole number from 0 to `max`, in digits only; -1 for any other text.
long Count(const std::string& text, long max) {
    if (text.empty()) return -1;
    long n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
        if (n > max) return -1;
    }
    return n;
}

// The consoles as the plug-in publishes them: one data ref each, every item followed by a NUL.
void PrintConsoles() {
    const std::pair<const char*, const char*> consoles[] = {{"brindlemoor/consoles/display", "[display] "},
                                                            {"brindlemoor/consoles/print", "[print] "}};
    for (const auto& [name, prefix] : consoles) {
        XPLMDataRef ref = XPLMFindDataRef(name);
        if (!ref) {
            std::cout << "bmsim: the plug-in has no console data ref " << name << "\n";
            continue;
        }
        int size = XPLMGetDatab(ref, nullptr, 0, 0);
        std::string bytes(std::size_t(size > 0 ? size : 0), '\0');
        if (size > 0) bytes.resize(std::size_t(std::max(0, XPLMGetDatab(ref, bytes.data(), 0, size))));
        std::string line;
        for (char c : bytes) {
            if (c == '\0') {
                std::cout << prefix << line << "\n";
                line.clear();
            } else if (c == '\n') {
                line += "\\n";
            } else if (c == '\r') {
                line += "\\r";
            } else {
                line += c;
            }
        }
    }
}

// The report lines the plug-in writes to its log at its stop (core/ScriptReport.h), after its
// "--- LOGGING STOPPED ---" line: held back and printed once the plug-in stopped. What a script
// writes to the log while it runs is never taken for them.
struct ScriptReport {
    bool strict = false, profile = false;
    bool stopped = false;  // the plug-in's log is between a stop and the next start
    std::vector<std::string> problems, table;
    std::vector<std::string> ownProblems;  // bmsim's: what the run did not do

    // Tells a problem of the run itself on stderr.
    void Problem(const std::string& what) {
        std::cerr << "bmsim: " << what << "\n";
        ownProblems.push_back(what);
    }

    bool Take(const std::string& line) {
        if (line == "--- LOGGING STOPPED ---") stopped = true;
        if (line == "+++ LOGGING STARTED +++") stopped = false;
        if (!stopped) return false;
        if (strict && line.rfind("strict: ", 0) == 0) {
            problems.push_back(line);
            return true;
        }
        if (profile && line.rfind("profile: ", 0) == 0) {
            table.push_back(line);
            return true;
        }
        return false;
    }
    // The environment the plug-in reads at its start: set or cleared, as asked.
    void Announce() const {
        for (const auto& [name, on] : {std::pair<const char*, bool>{"BRINDLEMOOR_STRICT", strict},
                                       std::pair<const char*, bool>{"BRINDLEMOOR_PROFILE", profile}}) {
            if (on)
                setenv(name, "1", 1);
            else
                unsetenv(name);
        }
    }
    // Prints what was held back; the exit status of the run.
    int Finish() const {
        for (const std::string& line : table) std::cout << line << "\n";
        if (profile && table.empty()) std::cout << "bmsim: the plug-in wrote no profile\n";
        if (!strict) return 0;
        for (const std::string& line : problems) std::cout << line << "\n";
        if (problems.empty()) std::cout << "bmsim: the plug-in wrote no strict summary\n";
        for (const std::string& what : ownProblems) std::cout << "strict: bmsim: " << what << "\n";
        bool clean = ownProblems.empty() && !problems.empty() &&
                     std::all_of(problems.begin(), problems.end(),
                                 [](const std::string& line) { return line == "strict: no problems"; });
        return clean ? 0 : 3;
    }
};

// What a script folder may hold that no one wrote by hand: the plug-in's own files and the
// interpreter's compiled modules.
bool Generated(const fs::directory_entry& entry) {
    std::string name = entry.path().filename().string();
    return name == "BrindlemoorLog.txt" || name == "BrindlemoorOutput.txt" || name == "__pycache__" ||
           entry.path().extension() == ".pyc";
}

// Makes the simulator's script folder a link to `scripts`, so that the plug-in runs the files
// there in place. A link from an earlier run is replaced; a real folder holding nothing but
// generated files is deleted, and one holding more is moved aside to PythonScripts.saved (once:
// when that name is taken, bmsim stops). Answers a problem, or "".
std::string LinkScriptFolder(const std::string& scriptFolder, const std::string& scripts) {
    fs::path folder = fs::path(scriptFolder).parent_path(), target = fs::canonical(scripts);
    fs::create_directories(folder.parent_path());
    fs::file_status status = fs::symlink_status(folder);
    if (fs::is_symlink(status)) {
        fs::remove(folder);
    } else if (fs::is_directory(status)) {
        if (fs::equivalent(folder, target)) return "";  // the scripts are in the simulator already
        bool ownFiles = false;
        for (const auto& entry : fs::directory_iterator(folder)) ownFiles = ownFiles || !Generated(entry);
        if (!ownFiles) {
            fs::remove_all(folder);
        } else {
            fs::path aside = folder;
            aside += ".saved";
            if (fs::exists(fs::symlink_status(aside)))
                return folder.string() + " holds scripts, and " + aside.string() +
                       " is taken: move them out of the way to run the scripts of " + target.string();
            fs::rename(folder, aside);
            std::cerr << "bmsim: moved the scripts in " << folder.string() << " to " << aside.string() << "\n";
        }
    } else if (fs::exists(status)) {
        return folder.string() + " is not a folder";
    }
    fs::create_directory_symlink(target, folder);
    return "";
}

int Fail(const std::string& message) {
    std::cerr << "bmsim: " << message << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string root = "sim", scripts, screenshot, mapScreenshot, weather, audio;
    std::vector<std::string> plugins;  // none given: the plug-in this build made
    bool listWidgets = false, listMenus = false, listConsoles = false, listInstances = false, watch = false, framesGiven = false;
    ScriptReport report;
    int frames = 10, width = 1024, height = 768;
    bmsim::Schedule events;
    std::vector<std::pair<std::string, std::string>> settings;
    auto usage = [](const std::string& message) {
        std::cerr << "bmsim: " << message << "\n" << kUsage;
        std::exit(2);
    };
    auto event = [&](int frame, const std::string& text) {
        bmsim::Event parsed;
        std::string error;
        if (!bmsim::ParseEvent(text, &parsed, &error)) usage(error);
        events.Add(frame, parsed);
    };
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) usage(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--root") {
            root = value();
        } else if (arg == "--scripts") {
            scripts = value();
        } else if (arg == "--plugin") {
            plugins.push_back(value());
        } else if (arg == "--frames") {
            std::string text = value();
            long n = Count(text, kMaxFrames);
            if (n < 0) usage("--frames takes a whole number, not '" + text + "'");
            frames = int(n);
            framesGiven = true;
        } else if (arg == "--screen") {
            std::string text = value();
            char extra;
            if (std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &extra) != 2 || width < 1 || height < 1 ||
                width > 8192 || height > 8192)
                usage("--screen takes WIDTHxHEIGHT, not '" + text + "'");
        } else if (arg == "--set") {
            std::string setting = value();
            std::size_t eq = setting.find('=');
            if (eq == std::string::npos || eq == 0) usage("--set takes NAME=VALUE, not '" + setting + "'");
            settings.emplace_back(setting.substr(0, eq), setting.substr(eq + 1));
        } else if (arg == "--menu") {
            event(0, "menu=" + value());
        } else if (arg == "--click") {
            event(0, "click=" + value());
        } else if (arg == "--drag") {
            event(0, "drag=" + value());
        } else if (arg == "--key") {
            event(0, "key=" + value());
        } else if (arg == "--screenshot") {
            screenshot = value();
        } else if (arg == "--map-screenshot") {
            mapScreenshot = value();
        } else if (arg == "--widgets") {
            listWidgets = true;
        } else if (arg == "--menus") {
            listMenus = true;
        } else if (arg == "--consoles") {
            listConsoles = true;
        } else if (arg == "--instances") {
            listInstances = true;
        } else if (arg == "--strict") {
            report.strict = true;
        } else if (arg == "--profile") {
            report.profile = true;
        } else if (arg == "--watch") {
            watch = true;
        } else if (arg == "--weather") {
            weather = value();
        } else if (arg == "--audio") {
            audio = value();
        } else if (arg == "--at") {
            std::string text = value();
            std::size_t colon = text.find(':');
            long frame = colon == std::string::npos ? -1 : Count(text.substr(0, colon), kMaxFrames);
            if (frame < 0) usage("--at takes FRAME:EVENT, not '" + text + "'");
            event(int(frame), text.substr(colon + 1));
        } else {
            usage("unknown argument '" + arg + "'");
        }
    }

    std::string scriptFolder;
    try {
        bmhost::SetRoot(root);
        scriptFolder = bmhost::ScriptFolder();
        if (!scripts.empty()) {
            if (!fs::is_directory(scripts)) return Fail("no script folder at " + scripts);
            std::string problem = LinkScriptFolder(scriptFolder, scripts);
            if (!problem.empty()) return Fail(problem);
        }
        fs::path link = fs::path(scriptFolder).parent_path();
        if (fs::is_symlink(fs::symlink_status(link)) && !fs::exists(link))
            return Fail("the script folder " + link.string() + " links to " + fs::read_symlink(link).string() +
                        ", which is gone: give --scripts DIR");
        fs::create_directories(scriptFolder);
    } catch (const std::exception& e) {
        return Fail(std::string("cannot prepare the simulator folder: ") + e.what());
    }
    if (plugins.empty()) plugins.push_back(BM_DEFAULT_PLUGIN);
    for (const std::string& plugin : plugins)
        if (!fs::exists(plugin)) return Fail("no plug-in at " + plugin);
    bmhost::SetScreenSize(width, height);
    if (!weather.empty()) {
        std::string error;
        if (!bmhost::SetWeatherFile(weather, &error)) return Fail("--weather: " + error);
    }
    if (!audio.empty()) bmhost::CaptureAudio(true);

    FileTail log(scriptFolder + "BrindlemoorLog.txt", "[log] ");
    log.take = [&](const std::string& line) { return report.Take(line); };
    report.Announce();
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

    // As the simulator does, a plug-in that cannot be loaded or started is left out.
    for (const std::string& plugin : plugins) {
        std::string error;
        if (bmhost::LoadPlugin(plugin, &error) == XPLM_NO_PLUGIN_ID) {
            drain();
            report.Problem("plug-in " + plugin + " left out: " + error);
        }
    }
    bmhost::EnablePlugins();
    // As at a real simulator's boot: the user's aircraft with its livery, then the airport and
    // scenery arrive.
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_PLANE_LOADED, nullptr);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_LIVERY_LOADED, nullptr);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_AIRPORT_LOADED, nullptr);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, XPLM_MSG_SCENERY_LOADED, nullptr);
    drain();
    for (const auto& [name, text] : later) {
        if (!bmhost::DataExists(name))
            report.Problem("no data ref " + name);
        else if (!bmhost::SetDataFromText(name, text))
            std::cout << "bmsim: cannot set " << name << " to '" << text << "' (wrong type)\n";
    }
    if (watch) {
        if (XPLMDataRef ref = XPLMFindDataRef(kWatchDataRef))
            XPLMSetDatai(ref, 1);
        else
            std::cout << "bmsim: the plug-in has no data ref " << kWatchDataRef << "\n";
        drain();
    }
    // Watching without a frame count: frames in real time until interrupted.
    const bool realTime = watch && !framesGiven;
    if (realTime) {
        std::signal(SIGINT, Interrupt);
        std::signal(SIGTERM, Interrupt);
    }
    auto deliver = [&](int frame) {
        events.DeliverFrame(frame, [&](const bmsim::Event& e, const std::string& line) {
            drain();
            if (line.empty()) return;
            if (e.kind == bmsim::Event::Screenshot || e.kind == bmsim::Event::MapScreenshot)
                std::cout << line << "\n";
            else  // the event did nothing
                report.Problem(line.substr(line.rfind("bmsim: ", 0) == 0 ? 7 : 0));
        });
    };
    // What the plug-ins spoke, each text once, after the frame it was spoken in (or before).
    std::size_t spokenSoFar = 0;
    auto echoSpoken = [&] {
        std::vector<std::string> spoken = bmhost::SpokenTexts();
        for (; spokenSoFar < spoken.size(); ++spokenSoFar) std::cout << "spoken: " << spoken[spokenSoFar] << "\n";
    };
    deliver(0);
    const auto start = std::chrono::steady_clock::now();
    const std::chrono::duration<double> frameTime(1.0 / 60.0);
    int frame = 1;
    for (; realTime ? !gInterrupted : frame <= frames; ++frame) {
        bmhost::RunFrames(1);
        drain();
        echoSpoken();
        deliver(frame);
        if (realTime) {
            std::cout.flush();
            std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                      frameTime * frame));
        }
    }
    if (realTime) frames = frame - 1;
    for (int frame : events.FramesAfter(frames)) std::cout << "bmsim: the run ended before frame " << frame << "\n";
    if (!screenshot.empty()) {
        bmsim::Event picture;
        picture.kind = bmsim::Event::Screenshot;
        picture.text = screenshot;
        std::cout << bmsim::Deliver(picture) << "\n";
    }
    if (!audio.empty()) {
        std::string error;
        if (bmhost::SaveAudio(audio, &error))
            std::cout << "bmsim: sound of the run in " << audio << "\n";
        else
            std::cout << "bmsim: " << error << "\n";
    }
    if (!mapScreenshot.empty()) {
        bmsim::Event picture;
        picture.kind = bmsim::Event::MapScreenshot;
        picture.text = mapScreenshot;
        std::cout << bmsim::Deliver(picture) << "\n";
    }
    if (listWidgets) {  // before the plug-ins go, and their widgets with them
        std::string tree = bmhost::WidgetTree(true);
        if (tree.empty()) std::cout << "bmsim: no widgets\n";
        for (std::size_t start = 0, nl; (nl = tree.find('\n', start)) != std::string::npos; start = nl + 1)
            std::cout << "[widget] " << tree.substr(start, nl - start) << "\n";
    }
    if (listMenus) {
        std::vector<bmhost::MenuChoice> choices = bmhost::MenuChoices();
        if (choices.empty()) std::cout << "bmsim: no menu items\n";
        for (const bmhost::MenuChoice& choice : choices)
            std::cout << "[menu] " << choice.path << (choice.enabled ? "" : " (disabled)") << "\n";
    }
    if (listConsoles) PrintConsoles();
    if (listInstances) {
        std::vector<bmhost::InstanceRecord> instances = bmhost::Instances();
        if (instances.empty()) std::cout << "bmsim: no instances\n";
        for (const bmhost::InstanceRecord& instance : instances) std::cout << "[instance] " << instance.ToString() << "\n";
    }
    bmhost::Shutdown();
    bmhost::SetSdkCallListener(nullptr);
    echoSpoken();
    log.Finish();
    out.Finish();
    sim.Finish();
    return report.Finish();
}
