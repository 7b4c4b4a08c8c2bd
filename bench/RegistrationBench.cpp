// What registering and then removing many registrations of one kind costs a script: 100,000
// of each kind by default, from one script's loop, as a hostile or careless script might. Both
// the plug-in and the stand-in find a registration in one hash look-up, so the time grows with
// the count, not with its square.
#include <benchmark/benchmark.h>

#include "PyCompat.h"

#include <string>

#include "PythonSupport.h"

namespace {

// One kind: what the script sets up once, the statement that registers number `i` (keeping
// what it needs to remove it in `kept`), and the statement that removes it again.
struct Kind {
    const char* name;
    const char* setUp;
    const char* add;
    const char* remove;
};

const Kind kKinds[] = {
    {"flight loops", "", "XPLMRegisterFlightLoopCallback(self, self.Loop, 0.0, i)",
     "XPLMUnregisterFlightLoopCallback(self, self.Loop, i)"},
    {"draw callbacks", "", "XPLMRegisterDrawCallback(self, self.Draw, xplm_Phase_Window, 0, i)",
     "XPLMUnregisterDrawCallback(self, self.Draw, xplm_Phase_Window, 0, i)"},
    {"key sniffers", "", "XPLMRegisterKeySniffer(self, self.Sniff, 0, i)",
     "XPLMUnregisterKeySniffer(self, self.Sniff, 0, i)"},
    {"windows", "", "kept.append(XPLMCreateWindow(self, 0, 100, 100, 0, 1, self.Draw, self.Key, self.Mouse, i))",
     "XPLMDestroyWindow(self, kept[i])"},
    {"hot keys", "", "kept.append(XPLMRegisterHotKey(self, XPLM_VK_F1, 0, 'bench', self.Hot, i))",
     "XPLMUnregisterHotKey(self, kept[i])"},
    {"menus", "self.Top = XPLMCreateMenu(self, 'Bench', XPLMFindPluginsMenu(), XPLMAppendMenuItem("
              "XPLMFindPluginsMenu(), 'Bench', 0, 0), self.Chosen, 0)",
     "kept.append(XPLMCreateMenu(self, 'm', self.Top, XPLMAppendMenuItem(self.Top, 'm', i, 0), self.Chosen, i))",
     "XPLMDestroyMenu(self, kept[i])"},
    {"command handlers", "self.Command = XPLMCreateCommand('bench/command', 'Bench')",
     "XPLMRegisterCommandHandler(self, self.Command, self.Handle, 1, i)",
     "XPLMUnregisterCommandHandler(self, self.Command, self.Handle, 1, i)"},
    {"data accessors", "",
     "kept.append(XPLMRegisterDataAccessor(self, 'bench/data%d' % i, xplmType_Int, 0, self.Read, None, None, None,"
     " None, None, None, None, None, None, None, None, i, i))",
     "XPLMUnregisterDataAccessor(self, kept[i])"},
    {"shared data", "", "XPLMShareData(self, 'bench/shared', xplmType_Int, self.Changed, i)",
     "XPLMUnshareData(self, 'bench/shared', xplmType_Int, self.Changed, i)"},
    {"widgets", "", "kept.append(XPCreateCustomWidget(self, 0, 100, 100, 0, 1, 'w', 0, 0, self.Widget))",
     "XPDestroyWidget(self, kept[i], 1)"},
};

const char kScript[] = R"(from XPLMDefs import *
from XPLMProcessing import *
from XPLMDisplay import *
from XPLMMenus import *
from XPLMUtilities import *
from XPLMDataAccess import *
from XPWidgets import *
class Brindlemoor:
    def XPluginStart(self):
        return 'Bench', 'sig.bench', 'registers and removes'
    def XPluginStop(self):
        pass
    def XPluginEnable(self):
        return 1
    def XPluginDisable(self):
        pass
    def XPluginReceiveMessage(self, who, message, param):
        pass
    def Loop(self, since, sinceLoop, counter, refcon):
        return 0.0
    def Draw(self, *args):
        return 1
    def Sniff(self, *args):
        return 1
    def Key(self, *args):
        pass
    def Mouse(self, *args):
        return 0
    def Hot(self, refcon):
        pass
    def Chosen(self, menuRef, itemRef):
        pass
    def Handle(self, command, phase, refcon):
        return 1
    def Read(self, refcon):
        return 0
    def Changed(self, refcon):
        pass
    def Widget(self, message, widget, param1, param2):
        return 0
)";

void RegisterAndRemove(benchmark::State& state) {
    const Kind& kind = kKinds[state.range(0)];
    const long count = long(state.range(1));
    state.SetLabel(kind.name);
    std::string run = std::string("    def Run(self, count):\n        kept = []\n        ") +
                      (*kind.setUp ? kind.setUp : "pass") + "\n        for i in range(count):\n            " +
                      kind.add + "\n        for i in range(count):\n            " + kind.remove + "\n";
    bmtest::RunningPlugin plugin({{"BM_Bench", kScript + run}});
    for (auto _ : state) plugin.Run("BM_Bench", "Script.Run(" + std::to_string(count) + ")");
}
BENCHMARK(RegisterAndRemove)
    ->ArgsProduct({benchmark::CreateDenseRange(0, int(sizeof kKinds / sizeof kKinds[0]) - 1, 1), {10000, 100000}})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
