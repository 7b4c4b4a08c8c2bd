// Reloading one script through the built plug-in while the others run on: asked for by a script
// (BM_ReloadScript), from the Script Information window, or by the file watch.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "BmsimRun.h"
#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

namespace fs = std::filesystem;
using bmtest::Count;
using bmtest::Lines;
using Lines_t = std::vector<std::string>;

// The script that is edited: a flight loop, a window, a menu, a widget window with a callback,
// a hot key, a draw callback, a key sniffer, a data accessor and a command handler.
// `version` is two characters, so that versions have the same size.
std::string Edited(const std::string& version) {
    return R"(from __future__ import print_function
from XPLMProcessing import *
from XPLMDisplay import *
from XPLMMenus import *
from XPWidgets import *
from XPStandardWidgets import *
from XPLMDefs import *
from XPLMDataAccess import *
from XPLMUtilities import *
VERSION = ')" + version + R"('
class Brindlemoor:
    def XPluginStart(self):
        print('E', VERSION, 'XPluginStart')
        self.Loop = self.Looped
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        self.Window = XPLMCreateWindow(self, 10, 300, 110, 200, 1, self.Draw, self.Key, self.Mouse, 0)
        item = XPLMAppendMenuItem(XPLMFindPluginsMenu(), 'Edited', 0, 1)
        self.Menu = XPLMCreateMenu(self, 'Edited', XPLMFindPluginsMenu(), item, self.Chosen, 0)
        self.Widget = XPCreateWidget(600, 300, 700, 200, 1, 'Edited ' + VERSION, 1, 0, xpWidgetClass_MainWindow)
        XPCreateWidget(610, 280, 690, 260, 1, 'Inside', 0, self.Widget, xpWidgetClass_Caption)
        XPAddWidgetCallback(self, self.Widget, self.Handler)
        XPLMRegisterHotKey(self, XPLM_VK_F9, 0, 'Edited', self.Hot, 0)
        XPLMRegisterDrawCallback(self, self.Drawn, xplm_Phase_Objects, 0, 0)
        XPLMRegisterKeySniffer(self, self.Sniff, 0, 0)
        XPLMRegisterDataAccessor(self, 'edited/value', xplmType_Int, 0, self.Read, None, None, None, None, None,
                                 None, None, None, None, None, None, 0, 0)
        XPLMRegisterCommandHandler(self, XPLMFindCommand('sim/operation/pause_toggle'), self.Command, 1, 0)
        self.Calls = 0
        return 'Edited ' + VERSION, 'sig.edited', 'is edited'
    def XPluginStop(self):
        print('E', VERSION, 'XPluginStop')
    def XPluginEnable(self):
        print('E', VERSION, 'XPluginEnable')
        return 1
    def XPluginDisable(self):
        print('E', VERSION, 'XPluginDisable')
    def XPluginReceiveMessage(self, who, message, param):
        pass
    def Looped(self, since, sinceLoop, counter, refcon):
        self.Calls += 1
        return -1.0
    def Draw(self, window, refcon):
        pass
    def Key(self, window, key, flags, vkey, refcon, losing):
        pass
    def Mouse(self, window, x, y, mouse, refcon):
        return 0
    def Chosen(self, menuRef, itemRef):
        pass
    def Handler(self, message, widget, param1, param2):
        return 0
    def Hot(self, refcon):
        pass
    def Drawn(self, phase, before, refcon):
        return 1
    def Sniff(self, key, flags, vkey, refcon):
        return 1
    def Read(self, refcon):
        return 7
    def Command(self, command, phase, refcon):
        return 1
)";
}

// A script that keeps running beside: a counter in its module and one in its object, both
// counted by its flight loop; a window of its own. Message 1 asks for the reload of the module
// named in `reloadWhat`; message 2 prints its counters and what the table holds.
const char kKeeper[] = R"(from __future__ import print_function
from XPLMProcessing import *
from XPLMDisplay import *
from PythonScriptMessaging import *
counted = 0
class Brindlemoor:
    def XPluginStart(self):
        self.Calls = 0
        self.Loop = self.Looped
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        self.Window = XPLMCreateWindow(self, 200, 300, 300, 200, 1, self.Draw, self.Key, self.Mouse, 0)
        return 'Keeper', 'sig.keeper', ''
    def Looped(self, since, sinceLoop, counter, refcon):
        global counted
        counted += 1
        self.Calls += 1
        return -1.0
    def Draw(self, window, refcon):
        pass
    def Key(self, window, key, flags, vkey, refcon, losing):
        pass
    def Mouse(self, window, x, y, mouse, refcon):
        return 0
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            print('asked', BM_ReloadScript('BM_Edited'))
        elif message == 2:
            first = BM_GetNthScript(0)
            print('keeper', counted, self.Calls, BM_CountScripts(), first and BM_GetScriptInfo(first)[0])
)";

const int kAskForReload = 1, kReport = 2;

// What the plug-in holds; `all` is every kind of registration, command handlers included.
struct Registrations {
    int loops, windows, widgets, menus, all;
    bool operator==(const Registrations& o) const {
        return loops == o.loops && windows == o.windows && widgets == o.widgets && menus == o.menus && all == o.all;
    }
};
Registrations Held(XPLMPluginID id) {
    return {bmhost::FlightLoopCount(), bmhost::WindowCount(), bmhost::WidgetCount(id), bmhost::PluginMenuCount(),
            bmhost::RegistrationCount(id)};
}
std::ostream& operator<<(std::ostream& out, const Registrations& r) {
    return out << "loops " << r.loops << " windows " << r.windows << " widgets " << r.widgets << " menus " << r.menus
               << " all " << r.all;
}

// The edited script's registrations of a kind each beyond the flight loop, window, menu and
// widget window: hot key, draw callback, key sniffer, data accessor, command handler.
const int kEditedOthers = 5;

// Writes the file again with the modification time it had: same second, same size.
void EditInTheSameSecond(const bmtest::SimFolder& sim, const std::string& file, const std::string& text) {
    fs::path path = sim.ScriptFolder() + file;
    fs::file_time_type before = fs::last_write_time(path);
    std::uintmax_t size = fs::file_size(path);
    sim.AddScript(file, text);
    ASSERT_EQ(fs::file_size(path), size);
    fs::last_write_time(path, before);
}

// Whether the interpreter left a compiled file of the module: beside it (2.7) or in
// __pycache__ (3).
bool HasCompiledFile(const bmtest::SimFolder& sim, const std::string& module) {
    if (fs::exists(sim.ScriptFolder() + module + ".pyc")) return true;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(sim.ScriptFolder() + "__pycache__", ec))
        if (entry.path().filename().string().rfind(module + ".", 0) == 0) return true;
    return false;
}

// The keeper's report, read from the output's last line.
std::string Report(const bmtest::SimFolder& sim) {
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, kReport, nullptr);
    Lines_t lines = Lines(sim.Output());
    return lines.empty() ? "" : lines.back();
}

// The lines of `text` that start with one of the prefixes, in order.
Lines_t Only(const std::string& text, const Lines_t& prefixes) {
    Lines_t kept;
    for (const std::string& line : Lines(text))
        for (const std::string& prefix : prefixes)
            if (line.rfind(prefix, 0) == 0) {
                kept.push_back(line);
                break;
            }
    return kept;
}

TEST(ScriptReload, AnEditedScriptIsReloadedAndTheOthersRunOn) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Edited.py", Edited("v1"));
    sim.AddScript("BM_Keeper.py", kKeeper);
    // The interpreter writes compiled files, as it does by default: the stale one of the first
    // version must not be taken for the edited source.
    unsetenv("PYTHONDONTWRITEBYTECODE");
    XPLMPluginID id = LoadBrindlemoor(true);
    ASSERT_TRUE(HasCompiledFile(sim, "BM_Edited"));
    bmhost::RunFrames(3);
    EXPECT_EQ(Report(sim), "keeper 3 3 2 Edited v1");
    const Registrations held = Held(id);
    XPWidgetID oldWidget = bmhost::FindWidget("Edited v1");
    ASSERT_NE(oldWidget, nullptr);

    EditInTheSameSecond(sim, "BM_Edited.py", Edited("v2"));
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, kAskForReload, nullptr);
    EXPECT_EQ(Lines(sim.Output()).back(), "asked 1");
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 0u);  // queued: carried out by the next frame
    bmhost::RunFrames(1);

    EXPECT_EQ(Only(sim.Output(), {"E "}), (Lines_t{"E v1 XPluginStart", "E v1 XPluginEnable", "E v1 XPluginDisable",
                                                   "E v1 XPluginStop", "E v2 XPluginStart", "E v2 XPluginEnable"}));
    std::string log = sim.Log();
    EXPECT_EQ(Count(log, "Reloading 'BM_Edited'\n"), 1u) << log;
    EXPECT_EQ(Count(log, "'BM_Edited' reloaded\n"), 1u);
    EXPECT_LT(log.find("Reloading 'BM_Edited'\n"), log.find("'BM_Edited' reloaded\n"));
    // The old registrations went, the new ones came: as many as before, of every kind; the old
    // widget window is gone with its child, the new one stands.
    EXPECT_EQ(Held(id), held);
    EXPECT_EQ(bmhost::CommandHandlerCount("sim/operation/pause_toggle"), 1);
    EXPECT_EQ(Count(log, "Traceback"), 0u) << log;
    EXPECT_EQ(bmhost::FindWidget("Edited v1"), nullptr);
    EXPECT_NE(bmhost::FindWidget("Edited v2"), nullptr);
    EXPECT_EQ(bmhost::WidgetTree().find("\"Edited v1\""), std::string::npos);
    // The keeper counted on without a break, and the edited script kept its place (index 0).
    bmhost::RunFrames(2);
    EXPECT_EQ(Report(sim), "keeper 6 6 2 Edited v2");
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 1u);
}

// The plug-in's command reloads every script in turn; a key held down reloads once; the
// handler goes with the plug-in.
TEST(ScriptReload, TheReloadCommandReloadsEveryScriptOnce) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Edited.py", Edited("v1"));
    sim.AddScript("BM_Keeper.py", kKeeper);
    XPLMPluginID id = LoadBrindlemoor(true);
    EXPECT_EQ(bmhost::CommandDescription("brindlemoor/reload_scripts"), "Reload every Brindlemoor script from its file");
    EXPECT_EQ(bmhost::CommandHandlerCount("brindlemoor/reload_scripts"), 1);
    bmhost::RunFrames(2);
    const Registrations held = Held(id);
    sim.AddScript("BM_Edited.py", Edited("v2"));

    ASSERT_TRUE(bmhost::BeginCommand("brindlemoor/reload_scripts"));
    bmhost::RunFrames(3);
    ASSERT_TRUE(bmhost::EndCommand("brindlemoor/reload_scripts"));
    bmhost::RunFrames(1);
    EXPECT_EQ(Only(sim.Log(), {"Reloading", "'BM_"}),
              (Lines_t{"'BM_Edited' successfully loaded", "'BM_Keeper' successfully loaded", "Reloading 'BM_Edited'",
                       "'BM_Edited' reloaded", "Reloading 'BM_Keeper'", "'BM_Keeper' reloaded"}));
    EXPECT_EQ(Held(id), held);
    // The keeper started afresh (its module's counter too) and counted the frames after the one
    // that reloaded it.
    EXPECT_EQ(Report(sim), "keeper 3 3 2 Edited v2");

    bmhost::UnloadPlugins();
    EXPECT_EQ(bmhost::CommandHandlerCount("brindlemoor/reload_scripts"), 0);
}

TEST(ScriptReload, AScriptThatFailsToLoadAgainStaysStoppedUntilItIsFixed) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Edited.py", Edited("v1"));
    sim.AddScript("BM_Keeper.py", kKeeper);
    XPLMPluginID id = LoadBrindlemoor(true);
    bmhost::RunFrames(1);
    const Registrations held = Held(id);
    const int keeperWidgets = 0;

    struct Failure {
        std::string text, line;
    };
    const Failure failures[] = {
        {"class Brindlemoor:\n    def XPluginStart(self)\n        pass\n", "'BM_Edited' failed to load\n"},
        {"class Other:\n    pass\n", "Brindlemoor Class Missing (BM_Edited)\n"},
        {"class Brindlemoor:\n    def __init__(self):\n        raise RuntimeError('refused')\n",
         "Brindlemoor Call failed (BM_Edited)\n"},
    };
    int frames = 1;
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.line);
        sim.AddScript("BM_Edited.py", failure.text);
        bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, kAskForReload, nullptr);
        bmhost::RunFrames(1);
        ++frames;
        std::string log = sim.Log();
        EXPECT_EQ(Count(log, failure.line), 1u) << log;
        EXPECT_LT(log.rfind("Reloading 'BM_Edited'\n"), log.rfind(failure.line));
        EXPECT_EQ(Count(log, "'BM_Edited' reloaded"), 0u);
        // Stopped: none of its registrations is left, the keeper's are; the entry stays, empty.
        EXPECT_EQ(bmhost::FlightLoopCount(), held.loops - 1);
        EXPECT_EQ(bmhost::WindowCount(), held.windows - 1);
        EXPECT_EQ(bmhost::PluginMenuCount(), held.menus - 1);
        // Its flight loop, window and menu, and one each of the other kinds.
        EXPECT_EQ(bmhost::RegistrationCount(id), held.all - 3 - kEditedOthers);
        EXPECT_EQ(bmhost::CommandHandlerCount("sim/operation/pause_toggle"), 0);
        EXPECT_EQ(bmhost::WidgetCount(id), keeperWidgets);
        EXPECT_EQ(Report(sim), "keeper " + std::to_string(frames) + " " + std::to_string(frames) + " 2 None");
    }
    EXPECT_NE(sim.Log().find("SyntaxError"), std::string::npos);
    EXPECT_NE(sim.Log().find("RuntimeError: refused"), std::string::npos);

    // Fixed, and asked again: back in its place.
    sim.AddScript("BM_Edited.py", Edited("v3"));
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, kAskForReload, nullptr);
    bmhost::RunFrames(1);
    EXPECT_EQ(Count(sim.Log(), "'BM_Edited' reloaded\n"), 1u);
    EXPECT_EQ(Held(id), held);
    EXPECT_EQ(Report(sim), "keeper 5 5 2 Edited v3");
    EXPECT_EQ(Only(sim.Output(), {"E "}).back(), "E v3 XPluginEnable");
}

// Asks for its own reload from its flight loop, at the simulator's cycle 3 only. It registers
// in __init__, so the new instance has an entry of its own before it is entered in the old
// one's place.
const char kSelfReloader[] = R"(from __future__ import print_function
from XPLMProcessing import *
from PythonScriptMessaging import *
made = 0
class Brindlemoor:
    def __init__(self):
        global made
        made += 1
        self.Loop = self.Looped
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
    def XPluginStart(self):
        print('start', made, BM_CountScripts(), BM_GetNthScript(0) is self)
        return 'Self', 'sig.self', ''
    def XPluginStop(self):
        print('stop', made)
    def XPluginEnable(self):
        return 1
    def Looped(self, since, sinceLoop, counter, refcon):
        if counter == 3:
            print('asking', BM_ReloadScript(self), BM_ReloadScript(self))
        print('loop', counter)
        return -1.0
)";

TEST(ScriptReload, AScriptMayAskForItsOwnReloadFromItsCallback) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Self.py", kSelfReloader);
    LoadBrindlemoor(true);
    bmhost::RunFrames(5);
    // Asked twice, reloaded once, after its loop returned: the next frame, once its loop ran. The
    // module was loaded afresh: its counter of instances starts again at 1.
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"start 1 1 True", "loop 1", "loop 2", "asking 1 1", "loop 3", "loop 4",
                                            "stop 1", "start 1 1 True", "loop 5"}));
    EXPECT_EQ(Count(sim.Log(), "Reloading 'BM_Self'\n"), 1u);
    EXPECT_EQ(bmhost::FlightLoopCount(), 1);  // the plug-in's own loop went when the queue was done
}

// What __init__ does with calls that take no self is the script's as from its other methods: its
// item in a shared menu, a command it began, the items it clears (its own only). Message 1 asks
// for its reload.
const char kInitWithoutSelf[] = R"(from __future__ import print_function
from XPLMMenus import *
from XPLMUtilities import *
from PythonScriptMessaging import *
class Brindlemoor:
    def __init__(self):
        plugins = XPLMFindPluginsMenu()
        XPLMClearAllMenuItems(plugins)
        print('item', XPLMAppendMenuItem(plugins, 'Init item', 0, 1))
        XPLMCommandBegin(XPLMFindCommand('sim/engines/throttle_up'))
    def XPluginStart(self):
        return 'Init', 'sig.init', ''
    def XPluginEnable(self):
        return 1
    def XPluginReceiveMessage(self, who, message, param):
        if message == 1:
            BM_ReloadScript(self)
)";

TEST(ScriptReload, WhatInitDoesWithoutSelfIsTheScriptsAndGoesWithIt) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Init.py", kInitWithoutSelf);
    sim.AddScript("BM_Neighbour.py", "from XPLMMenus import *\nclass Brindlemoor:\n    def XPluginStart(self):\n"
                                     "        XPLMAppendMenuItem(XPLMFindPluginsMenu(), 'Neighbour item', 0, 1)\n"
                                     "        return 'N', 'sig.n', ''\n");
    // An __init__ that raises leaves nothing behind.
    sim.AddScript("BM_Raiser.py", "from XPLMMenus import *\nclass Brindlemoor:\n    def __init__(self):\n"
                                  "        XPLMAppendMenuItem(XPLMFindPluginsMenu(), 'Raiser item', 0, 1)\n"
                                  "        raise ValueError('not today')\n");
    LoadBrindlemoor(true);
    auto items = [](const std::string& name) {
        Lines_t paths = bmhost::MenuItemPaths();
        return std::count(paths.begin(), paths.end(), "Plugins/" + name);
    };
    EXPECT_EQ(items("Init item"), 1);
    EXPECT_EQ(items("Neighbour item"), 1);
    EXPECT_EQ(items("Raiser item"), 0);
    EXPECT_TRUE(bmhost::CommandHeld("sim/engines/throttle_up"));
    const int count = bmhost::MenuItemCount();
    for (int reload = 0; reload < 2; ++reload) {
        bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
        bmhost::RunFrames(1);
    }
    EXPECT_EQ(Count(sim.Log(), "'BM_Init' reloaded\n"), 2u);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"item 0", "item 0", "item 0"}));
    EXPECT_EQ(items("Init item"), 1);
    EXPECT_EQ(items("Neighbour item"), 1);
    EXPECT_EQ(bmhost::MenuItemCount(), count);
    EXPECT_TRUE(bmhost::CommandHeld("sim/engines/throttle_up"));
    bmhost::UnloadPlugins();
    EXPECT_FALSE(bmhost::CommandHeld("sim/engines/throttle_up"));
    EXPECT_EQ(items("Init item"), 0);
}

// Prints what BM_ReloadScript answers, and the exceptions it raises.
const char kAsker[] = R"(from __future__ import print_function
from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        return 'Asker', 'sig.asker', ''
    def XPluginEnable(self):
        print(BM_ReloadScript('BM_Nobody'), BM_ReloadScript(object()), BM_ReloadScript(''))
        print(BM_ReloadScript('BM_Other'), BM_ReloadScript('BM_Other.py'), BM_ReloadScript(self))
        print(BM_ReloadScript(u'BM_Other'), BM_ReloadScript(u'BM_Other.py'), BM_ReloadScript(u'BM_\xe9'))
        for bad in [(), (5,), (None,), (1.5,), ('BM_Other', 1)]:
            try:
                BM_ReloadScript(*bad)
                print('no error', bad)
            except TypeError as e:
                print('TypeError')
        return 1
)";

TEST(ScriptReload, ReloadScriptAnswersAndRefusesBadArguments) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Asker.py", kAsker);
    sim.AddScript("BM_Other.py", "class Brindlemoor:\n    def XPluginStart(self):\n        return 'O', 'sig.o', ''\n");
    LoadBrindlemoor(true);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"0 0 0", "1 1 1", "1 1 0", "TypeError", "TypeError", "TypeError", "TypeError",
                                            "TypeError"}));
    bmhost::RunFrames(1);
    // Each script once, in the order asked.
    std::string log = sim.Log();
    EXPECT_EQ(Count(log, "Reloading 'BM_Other'\n"), 1u) << log;
    EXPECT_EQ(Count(log, "Reloading 'BM_Asker'\n"), 1u);
    EXPECT_LT(log.find("Reloading 'BM_Other'"), log.find("Reloading 'BM_Asker'"));
    // The reloaded asker asked again when it was enabled: the next frame reloads both again.
    bmhost::RunFrames(1);
    EXPECT_EQ(Count(sim.Log(), "Reloading 'BM_Other'\n"), 2u);
    EXPECT_EQ(Count(sim.Log(), "'BM_Asker' reloaded\n"), 2u);
}

TEST(ScriptReload, AFailingSimulatorKeepsTheRequestOutOfTheQueue) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Asker.py", R"(from __future__ import print_function
from PythonScriptMessaging import *
class Brindlemoor:
    def XPluginStart(self):
        return 'Asker', 'sig.asker', ''
    def XPluginReceiveMessage(self, who, message, param):
        print(BM_ReloadScript(self))
)");
    LoadBrindlemoor(true);
    bmhost::FailNextCall("XPLMRegisterFlightLoopCallback");
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(2);
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"0"}));
    EXPECT_EQ(Count(sim.Log(), "Module - PythonScriptMessaging, Function - BM_ReloadScript, Error = Parameter Error"),
              1u)
        << sim.Log();
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 0u);
}

TEST(ScriptReload, TheInformationWindowReloadsAListedScript) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Edited.py", Edited("v1"));
    sim.AddScript("BM_Keeper.py", kKeeper);
    XPLMPluginID id = LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem("Plugins/Brindlemoor/Script Information"));
    bmhost::RunFrames(1);
    const Registrations held = Held(id);
    // A "Reload" for each of the two listed scripts, under the row's id; the six empty rows show
    // none.
    std::string tree = bmhost::WidgetTree();
    EXPECT_EQ(Count(tree, "\"Reload\" visible"), 2u) << tree;
    EXPECT_EQ(Count(tree, "\"Reload\" hidden"), 6u);
    EXPECT_NE(tree.find("  Button 316,620,362,600 \"Reload\" visible"), std::string::npos) << tree;

    sim.AddScript("BM_Edited.py", Edited("v2"));
    bmhost::Click(339, 610);  // the first row's button
    bmhost::RunFrames(1);
    EXPECT_EQ(Count(sim.Log(), "Reloading 'BM_Edited'\n"), 1u) << sim.Log();
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 1u);
    EXPECT_EQ(Held(id), held);
    // The window shows the new script in the same row.
    EXPECT_NE(bmhost::WidgetTree().find(") Edited v2 (Enabled)\""), std::string::npos) << bmhost::WidgetTree();

    // The enable / disable window lists both too.
    ASSERT_TRUE(bmhost::ChooseMenuItem("Plugins/Brindlemoor/Script Enable \\/ Disable"));
    const Registrations withBoth = Held(id);
    tree = bmhost::WidgetTree();
    EXPECT_EQ(Count(tree, "\"Edited v2\""), 2u) << tree;  // its widget window and its row
    EXPECT_EQ(Count(tree, "\"Keeper\""), 1u);

    // A reload that fails: the information window keeps the first row, with the module's name
    // and its Reload button; the enable / disable window shows that row empty, the keeper once.
    sim.AddScript("BM_Edited.py", "class Brindlemoor(:\n");
    bmhost::Click(339, 610);
    bmhost::RunFrames(1);
    EXPECT_EQ(Count(sim.Log(), "'BM_Edited' failed to load\n"), 1u);
    tree = bmhost::WidgetTree();
    EXPECT_EQ(Count(tree, "\"Reload\" visible"), 2u) << tree;
    EXPECT_EQ(Count(tree, "\"BM_Edited (Script Not Loaded)\""), 1u);
    EXPECT_EQ(Count(tree, ") Keeper (Enabled)\""), 1u);
    EXPECT_EQ(Count(tree, "\"Keeper\""), 1u);
    EXPECT_EQ(tree.find("Edited v2"), std::string::npos);

    // Fixed: the row's button reloads it into its row.
    sim.AddScript("BM_Edited.py", Edited("v3"));
    bmhost::Click(339, 610);
    bmhost::RunFrames(1);
    EXPECT_EQ(Count(sim.Log(), "'BM_Edited' reloaded\n"), 2u) << sim.Log();
    EXPECT_EQ(Held(id), withBoth);
    tree = bmhost::WidgetTree();
    EXPECT_NE(tree.find(") Edited v3 (Enabled)\""), std::string::npos) << tree;
    EXPECT_EQ(Count(tree, "Script Not Loaded"), 0u);
    EXPECT_EQ(Count(tree, "\"Edited v3\""), 2u);  // its widget window and its enable / disable row
}

TEST(ScriptReload, AScriptThatFailedAtStartLoadsOnceItsFileIsFixed) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Broken.py", "class Brindlemoor:\n    def XPluginStart(self)\n");
    sim.AddScript("BM_Keeper.py", kKeeper);
    LoadBrindlemoor(true);
    EXPECT_EQ(Count(sim.Log(), "'BM_Broken' failed to load\n"), 1u);
    XPLMDataRef watch = XPLMFindDataRef("brindlemoor/watch_scripts");
    ASSERT_NE(watch, nullptr);
    XPLMSetDatai(watch, 1);
    sim.AddScript("BM_Broken.py", bmtest::RecorderScript("F"));
    bmhost::RunFrames(40);
    EXPECT_EQ(Count(sim.Log(), "'BM_Broken' reloaded\n"), 1u) << sim.Log();
    EXPECT_EQ(Only(sim.Output(), {"F "}), (Lines_t{"F XPluginStart", "F XPluginEnable"}));
    // It had no place in the table: it takes the next one.
    Report(sim);
    EXPECT_EQ(Only(sim.Output(), {"keeper "}).back(), "keeper 40 40 2 Keeper");
}

// A script loaded from its source fails to reload once the source is gone, on both lines: its
// compiled file (beside it under 2.7, in __pycache__ under 3) is not taken for it.
TEST(ScriptReload, AScriptWhoseSourceIsGoneFailsToReload) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Edited.py", Edited("v1"));
    sim.AddScript("BM_Keeper.py", kKeeper);
    unsetenv("PYTHONDONTWRITEBYTECODE");
    LoadBrindlemoor(true);
    ASSERT_TRUE(HasCompiledFile(sim, "BM_Edited"));
    fs::remove(sim.ScriptFolder() + "BM_Edited.py");
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, kAskForReload, nullptr);
    bmhost::RunFrames(1);
    std::string log = sim.Log();
    EXPECT_EQ(Count(log, "'BM_Edited' failed to load\n"), 1u) << log;
    EXPECT_EQ(Count(log, "'BM_Edited' reloaded"), 0u);
    EXPECT_FALSE(HasCompiledFile(sim, "BM_Edited"));
    EXPECT_EQ(Only(sim.Output(), {"E "}).back(), "E v1 XPluginStop");
    EXPECT_EQ(Report(sim), "keeper 1 1 2 None");
}

// Compiles legacy_source.py into a sourceless BM_Legacy.pyc beside it (as older installations
// shipped scripts) and asks for BM_Legacy's reload on message 1.
const char kCompiler[] = R"(from __future__ import print_function
import os, py_compile
from PythonScriptMessaging import *
folder = os.path.dirname(os.path.abspath(__file__))
source = os.path.join(folder, 'legacy_source.py')
if os.path.exists(source):
    py_compile.compile(source, cfile=os.path.join(folder, 'BM_Legacy.pyc'), dfile='BM_Legacy.py', doraise=True)
    os.remove(source)
class Brindlemoor:
    def XPluginStart(self):
        return 'Compiler', 'sig.compiler', ''
    def XPluginReceiveMessage(self, who, message, param):
        print('asked', BM_ReloadScript('BM_Legacy'))
)";

TEST(ScriptReload, ASourcelessScriptReloadsFromItsCompiledFile) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Compiler.py", kCompiler);
    sim.AddScript("legacy_source.py", "from __future__ import print_function\n"
                                      "class Brindlemoor:\n"
                                      "    def XPluginStart(self):\n"
                                      "        print('legacy started')\n"
                                      "        return 'Legacy', 'sig.legacy', ''\n");
    LoadBrindlemoor(false);
    bmhost::UnloadPlugins();
    ASSERT_TRUE(fs::exists(sim.ScriptFolder() + "BM_Legacy.pyc")) << sim.Log();
    LoadBrindlemoor(true);
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 1, nullptr);
    bmhost::RunFrames(1);
    EXPECT_EQ(Count(sim.Log(), "'BM_Legacy' reloaded\n"), 1u) << sim.Log();
    EXPECT_EQ(Lines(sim.Output()), (Lines_t{"legacy started", "asked 1", "legacy started"}));
    EXPECT_TRUE(fs::exists(sim.ScriptFolder() + "BM_Legacy.pyc"));
}

bool SetWatch(int value) {
    XPLMDataRef ref = XPLMFindDataRef("brindlemoor/watch_scripts");
    if (!ref) return false;
    XPLMSetDatai(ref, value);
    return XPLMGetDatai(ref) == value;
}

TEST(ScriptReload, TheWatchReloadsChangedFilesWhileItIsOn) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Edited.py", Edited("v1"));
    sim.AddScript("BM_Keeper.py", kKeeper);
    XPLMPluginID id = LoadBrindlemoor(true);
    XPLMDataRef ref = XPLMFindDataRef("brindlemoor/watch_scripts");
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(XPLMGetDatai(ref), 0);  // off at start
    EXPECT_EQ(XPLMCanWriteDataRef(ref), 1);
    const int loops = bmhost::FlightLoopCount();

    // Off: a change is not looked at.
    sim.AddScript("BM_Edited.py", Edited("v2") + "# longer\n");
    bmhost::RunFrames(60);
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 0u);
    EXPECT_EQ(bmhost::FlightLoopCount(), loops);

    // On: what is there now is the starting point; the next change reloads the script once.
    ASSERT_TRUE(SetWatch(1));
    bmhost::RunFrames(60);
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 0u);
    EXPECT_EQ(bmhost::FlightLoopCount(), loops + 1);  // the plug-in's own loop watches
    sim.AddScript("BM_Edited.py", Edited("v3"));
    bmhost::RunFrames(40);
    EXPECT_EQ(Count(sim.Log(), "Reloading 'BM_Edited'\n"), 1u) << sim.Log();
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 1u);
    EXPECT_EQ(Only(sim.Output(), {"E "}).back(), "E v3 XPluginEnable");
    EXPECT_NE(bmhost::FindWidget("Edited v3"), nullptr);

    // A file that vanishes leaves its script running.
    fs::remove(sim.ScriptFolder() + "BM_Keeper.py");
    bmhost::RunFrames(40);
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 1u);
    EXPECT_EQ(Report(sim).rfind("keeper ", 0), 0u);

    // Off again: changes go unnoticed, and the plug-in's loop goes.
    ASSERT_TRUE(SetWatch(0));
    sim.AddScript("BM_Edited.py", Edited("v4"));
    bmhost::RunFrames(60);
    EXPECT_EQ(Count(sim.Log(), "Reloading"), 1u);
    EXPECT_EQ(bmhost::FlightLoopCount(), loops);
    (void)id;
}

}  // namespace

// ---- bmsim --watch ----

namespace {

// A script that says which version it is and whether the watch is on, once enabled.
std::string Watched(const std::string& version) {
    return "from __future__ import print_function\n"
           "from XPLMDataAccess import *\n"
           "from XPLMProcessing import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        self.Loop = self.Looped\n"
           "        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)\n"
           "        return 'W', 'sig.w', ''\n"
           "    def XPluginStop(self):\n"
           "        print('" + version + " stopped')\n"
           "    def Looped(self, since, sinceLoop, counter, refcon):\n"
           "        print('" + version + " watch', XPLMGetDatai(XPLMFindDataRef('brindlemoor/watch_scripts')))\n"
           "        return 0.0\n";
}

// Reads the child's output until a line equal to `line` arrives (true) or the output ends.
bool ReadUntil(FILE* out, const std::string& line, std::string* all) {
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, out)) {
        *all += buffer;
        std::string got(buffer);
        if (!got.empty() && got.back() == '\n') got.pop_back();
        if (got == line) return true;
    }
    return false;
}

}  // namespace

// The scripts run in place (--scripts): an edit in the author's folder is what reloads.
TEST(ScriptReload, BmsimWatchesInRealTimeUntilInterrupted) {
    bmtest::SimFolder sim;
    const std::string mine = sim.Root() + "mine", script = mine + "/BM_W.py";
    fs::create_directories(mine);
    std::ofstream(script) << Watched("v1");
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        execl(BM_BMSIM_PATH, BM_BMSIM_PATH, "--root", sim.Root().c_str(), "--scripts", mine.c_str(), "--watch",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    FILE* out = fdopen(pipeFds[0], "r");
    std::string output;
    EXPECT_TRUE(ReadUntil(out, "[out] v1 watch 1", &output)) << output;
    // The run goes on until interrupted: an edit now is picked up.
    std::ofstream(script) << Watched("v2");
    EXPECT_TRUE(ReadUntil(out, "[out] v2 watch 1", &output)) << output;
    kill(child, SIGINT);
    ReadUntil(out, "", &output);
    std::fclose(out);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << output;
    EXPECT_EQ(WEXITSTATUS(status), 0) << output;
    Lines_t lines = Lines(output);
    auto at = [&](const std::string& line) { return std::find(lines.begin(), lines.end(), line) - lines.begin(); };
    EXPECT_LT(at("[out] v1 watch 1"), at("[log] Reloading 'BM_W'"));
    EXPECT_LT(at("[out] v1 stopped"), at("[log] 'BM_W' reloaded"));
    EXPECT_LT(at("[log] 'BM_W' reloaded"), at("[out] v2 watch 1"));
    EXPECT_LT(at("[out] v2 stopped"), at("[log] --- LOGGING STOPPED ---"));
    EXPECT_LT(at("[log] --- LOGGING STOPPED ---"), std::ptrdiff_t(lines.size()));
}

// A script that hangs keeps the frame from ending: the first Ctrl-C cannot end the run, a
// second one ends the process.
TEST(ScriptReload, BmsimWatchEndsAtASecondInterruptWhenAScriptHangs) {
    bmtest::SimFolder sim;
    // bmsim echoes the output after the frame, which never ends: the script leaves a file.
    sim.AddScript("BM_Hang.py", "import os\n"
                                "from XPLMProcessing import *\n"
                                "class Brindlemoor:\n"
                                "    def XPluginStart(self):\n"
                                "        self.Loop = self.Looped\n"
                                "        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)\n"
                                "        return 'H', 'sig.h', ''\n"
                                "    def Looped(self, since, sinceLoop, counter, refcon):\n"
                                "        folder = os.path.dirname(os.path.abspath(__file__))\n"
                                "        open(os.path.join(folder, 'hanging'), 'w').close()\n"
                                "        while True:\n"
                                "            pass\n");
    const fs::path marker = fs::path(sim.ScriptFolder()) / "hanging";
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(BM_BMSIM_PATH, BM_BMSIM_PATH, "--root", sim.Root().c_str(), "--watch", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    pid_t ended = 0;
    for (int wait = 0; wait < 1000 && !fs::exists(marker) && ended == 0; ++wait) {
        usleep(10000);
        ended = waitpid(child, &status, WNOHANG);
    }
    EXPECT_TRUE(fs::exists(marker));
    // Interrupted until it ends: a signal sent while the last one is still pending counts once.
    for (int sent = 0; sent < 100 && ended == 0; ++sent) {
        kill(child, SIGINT);
        usleep(20000);
        ended = waitpid(child, &status, WNOHANG);
    }
    if (ended == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
    }
    ASSERT_EQ(ended, child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGINT);
}

TEST(ScriptReload, BmsimWatchWithFramesRunsThatMany) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_W.py", Watched("v1"));
    bmtest::BmsimRun run = bmtest::RunBmsim("--root '" + sim.Root() + "' --watch --frames 3");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Count(run.output, "[out] v1 watch 1\n"), 1u) << run.output;
    EXPECT_EQ(Count(run.output, "[out] v1 stopped\n"), 1u);
}
