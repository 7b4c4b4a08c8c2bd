// What the bridge costs beyond the interpreter itself, measured side by side with the cheapest
// way to make the same call by hand.
//
//   host -> script: the flight loop trampoline against calling the same bound method with the
//                   same four arguments made by hand (through the vectorcall protocol from
//                   Python 3.9, with a tuple before) and reading the float result;
//                   with 1, 100 and 1000 flight loops registered across up to 50 scripts.
//   flight loop object: the trampoline of a loop made with XPLMCreateFlightLoop, against the
//                   same by-hand call as the flight loop trampoline.
//   host -> widget: a widget message through the widget trampoline against calling the same
//                   bound method with the same four arguments by hand and reading the int
//                   result; with 1, 100 and 1000 widgets, each with a script callback.
//   script -> host: XPLMGetDataf(ref) in a Python loop against a one-argument (METH_O)
//                   function making the same host call.
//   instances:      XPLMInstanceSetPosition for 1,000 instances a frame from a Python loop (a
//                   position tuple and one data value each) against a one-argument (METH_O)
//                   function making the same host call with a position and value made in C.
//   profiling:      the flight loop trampoline with one loop registered, with the profile of
//                   script times off (argument 0: one test of a flag) and on (1: two clock
//                   reads and the row of the script).
//   lock handoff:   the flight loop trampoline with one loop registered as the simulator calls
//                   it, taking the interpreter lock and giving it back (argument 1), or within
//                   a turn that holds it (0); by hand, the same call with the same handoff.
//   window draw:    a modern window's draw callback through the window trampoline against
//                   calling the same bound method with the same two arguments by hand.
//   list box:       a console holding 100 and 100,000 lines: appending one more line as the
//                   control panel does, and drawing the list box once.
#include <benchmark/benchmark.h>

#include "PyCompat.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>

#include "BM_ListBox.h"
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonSupport.h"
#include "ScriptReport.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMInstance.h"
#include "XPStandardWidgets.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

constexpr int kScripts = 50;

std::string LoopScript() {
    return "from XPLMProcessing import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        self.Loops = []\n"
           "        return 'B', 'sig.b', ''\n"
           "    def Loop(self, since, sinceLoop, counter, refcon):\n"
           "        return -1.0\n"
           "    def Add(self, count):\n"
           "        for i in range(count):\n"
           "            loop = self.Loop\n"
           "            self.Loops.append(loop)\n"
           "            XPLMRegisterFlightLoopCallback(self, loop, 0.0, len(self.Loops))\n"
           "    def AddObject(self):\n"
           "        self.Object = XPLMCreateFlightLoop(self, (xplm_FlightLoop_Phase_BeforeFlightModel, self.Loop))\n";
}

// The plug-in with 50 scripts and `loops` flight loops spread over them; hands back the
// callable registered last.
struct LoopSetup {
    explicit LoopSetup(int loops) : plugin(Scripts()) {
        for (int i = 0; i < loops; ++i) {
            std::string module = "BM_B" + std::to_string(i % kScripts);
            plugin.Run(module, "Script.Add(1)");
            last = module;
        }
        callable = plugin.Eval(last, "Script.Loops[-1]");
        record = BMTestTable->FindRecord(plugin.Script(last),
                                         BM_RecordKey::FlightLoop(callable, plugin.EvalInt(last, "len(Script.Loops)")));
    }
    ~LoopSetup() { Py_DECREF(callable); }
    static std::map<std::string, std::string> Scripts() {
        std::map<std::string, std::string> scripts;
        for (int i = 0; i < kScripts; ++i) scripts["BM_B" + std::to_string(i)] = LoopScript();
        return scripts;
    }
    bmtest::RunningPlugin plugin;
    std::string last;
    PyObject* callable = nullptr;
    _CallbackRecordStruct* record = nullptr;  // what the simulator holds as refcon
};

void FlightLoopTrampoline(benchmark::State& state) {
    LoopSetup setup(int(state.range(0)));
    void* refcon = setup.record;
    float interval = 0;
    for (auto _ : state) {
        interval = BM_FlightLoopCallback(0.016f, 0.016f, 7, refcon);
        benchmark::DoNotOptimize(interval);
    }
    if (interval != -1.0f) state.SkipWithError("the trampoline did not reach the script");
}

// A flight loop object, beside the registered loops; its refcon is its record too.
void FlightLoopObjectTrampoline(benchmark::State& state) {
    LoopSetup setup(int(state.range(0)));
    setup.plugin.Run(setup.last, "Script.AddObject()");
    void* refcon = BMTestTable->RecordOfHandle(BM_KindFlightLoopObject,
                                               BM_Handle(setup.plugin.EvalInt(setup.last, "Script.Object")));
    float interval = 0;
    for (auto _ : state) {
        interval = BM_FlightLoopObjectCallback(0.016f, 0.016f, 7, refcon);
        benchmark::DoNotOptimize(interval);
    }
    if (interval != -1.0f) state.SkipWithError("the trampoline did not reach the script");
}

void FlightLoopProfiling(benchmark::State& state) {
    LoopSetup setup(1);
    BM_ResetReport();
    BM_SetProfiling(state.range(0) != 0);
    void* refcon = setup.record;
    float interval = 0;
    for (auto _ : state) {
        interval = BM_FlightLoopCallback(0.016f, 0.016f, 7, refcon);
        benchmark::DoNotOptimize(interval);
    }
    BM_SetProfiling(false);
    if (interval != -1.0f) state.SkipWithError("the trampoline did not reach the script");
    bool measured = BM_ProfileLines().size() == 2;  // the header and the flight loop's row
    if (measured != (state.range(0) != 0)) state.SkipWithError("the profile does not match its switch");
    BM_ResetReport();
}

// The floor. Not inlined, so that an instruction count (valgrind --tool=callgrind) can set its
// cost per call beside BM_FlightLoopCallback's.
__attribute__((noinline)) float CallFlightLoopByHand(PyObject* callable) {
    PyObject* args[4] = {PyFloat_FromDouble(0.016f), PyFloat_FromDouble(0.016f), BM_IntFromLong(7), BM_IntFromSsize(0)};
    PyObject* result = BM_CallVector(callable, args, 4);
    for (PyObject* arg : args) Py_DECREF(arg);
    float interval = float(PyFloat_AsDouble(result));
    Py_DECREF(result);
    return interval;
}

void FlightLoopByHand(benchmark::State& state) {
    LoopSetup setup(int(state.range(0)));
    for (auto _ : state) {
        float interval = CallFlightLoopByHand(setup.callable);
        benchmark::DoNotOptimize(interval);
    }
}

// The simulator has control between the calls (argument 1): each call takes the interpreter lock
// and gives it back.
void FlightLoopHandoff(benchmark::State& state) {
    LoopSetup setup(1);
    void* refcon = setup.record;
    float interval = 0;
    {
        std::optional<bmtest::SimulatorHasControl> control;
        if (state.range(0)) control.emplace();
        for (auto _ : state) {
            interval = BM_FlightLoopCallback(0.016f, 0.016f, 7, refcon);
            benchmark::DoNotOptimize(interval);
        }
    }
    if (interval != -1.0f) state.SkipWithError("the trampoline did not reach the script");
}

__attribute__((noinline)) float CallFlightLoopByHandWithHandoff(PyObject* callable, PyThreadState** parked) {
    PyEval_RestoreThread(*parked);
    float interval = CallFlightLoopByHand(callable);
    *parked = PyEval_SaveThread();
    return interval;
}

void FlightLoopByHandHandoff(benchmark::State& state) {
    LoopSetup setup(1);
    PyThreadState* parked = PyEval_SaveThread();
    for (auto _ : state) {
        float interval = CallFlightLoopByHandWithHandoff(setup.callable, &parked);
        benchmark::DoNotOptimize(interval);
    }
    PyEval_RestoreThread(parked);
}

std::string WidgetScript() {
    return "from XPWidgets import *\n"
           "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        self.Widgets = []\n"
           "        self.Func = self.Widget\n"
           "        return 'W', 'sig.w', ''\n"
           "    def Widget(self, message, widget, param1, param2):\n"
           "        return 1\n"
           "    def Add(self, count):\n"
           "        for i in range(count):\n"
           "            w = XPCreateWidget(10, 300, 300, 10, 1, 'Bench', 1, 0, 2)\n"
           "            XPAddWidgetCallback(self, w, self.Func)\n"
           "            self.Widgets.append(w)\n";
}

struct WidgetSetup {
    explicit WidgetSetup(int widgets)
        : plugin(std::map<std::string, std::string>{{"BM_W", WidgetScript()}}) {
        plugin.Run("BM_W", "Script.Add(" + std::to_string(widgets) + ")");
        widget = BM_Handle(plugin.EvalInt("BM_W", "Script.Widgets[-1]"));
        callable = plugin.Eval("BM_W", "Script.Func");
    }
    ~WidgetSetup() { Py_DECREF(callable); }
    bmtest::RunningPlugin plugin;
    void* widget = nullptr;
    PyObject* callable = nullptr;
};

constexpr int kBenchMessage = 10001;

void WidgetTrampoline(benchmark::State& state) {
    WidgetSetup setup(int(state.range(0)));
    int handled = 0;
    for (auto _ : state) {
        handled = BM_WidgetCallback(kBenchMessage, setup.widget, 0, 0);
        benchmark::DoNotOptimize(handled);
    }
    if (handled != 1) state.SkipWithError("the trampoline did not reach the script");
}

__attribute__((noinline)) int CallWidgetByHand(PyObject* callable, void* widget) {
    PyObject* args[4] = {BM_IntFromLong(kBenchMessage), BM_IntFromSsize(reinterpret_cast<intptr_t>(widget)),
                         BM_IntFromSsize(0), BM_IntFromSsize(0)};
    PyObject* result = BM_CallVector(callable, args, 4);
    for (PyObject* arg : args) Py_DECREF(arg);
    int handled = int(BM_IntAsLong(result));
    Py_DECREF(result);
    return handled;
}

void WidgetByHand(benchmark::State& state) {
    WidgetSetup setup(int(state.range(0)));
    for (auto _ : state) {
        int handled = CallWidgetByHand(setup.callable, setup.widget);
        benchmark::DoNotOptimize(handled);
    }
}

// A modern window (XPLMCreateWindowEx) with a draw callback, the simulator's refcon its record.
struct WindowSetup {
    WindowSetup()
        : plugin(std::map<std::string, std::string>{
              {"BM_M", "from XPLMDisplay import *\n"
                       "class Brindlemoor:\n"
                       "    def XPluginStart(self):\n"
                       "        self.Func = self.Draw\n"
                       "        self.Window = XPLMCreateWindowEx(self, {'left': 10, 'top': 300, 'right': 300,\n"
                       "            'bottom': 10, 'visible': 1, 'drawWindowFunc': self.Func,\n"
                       "            'handleMouseClickFunc': None, 'handleKeyFunc': None, 'handleCursorFunc': None,\n"
                       "            'handleMouseWheelFunc': None, 'refcon': 3})\n"
                       "        return 'M', 'sig.m', ''\n"
                       "    def Draw(self, window, refcon):\n"
                       "        self.Drawn = refcon\n"}}) {
        window = BM_Handle(plugin.EvalInt("BM_M", "Script.Window"));
        callable = plugin.Eval("BM_M", "Script.Func");
        record = BMTestTable->RecordOfHandle(BM_KindDrawWindow, window);
    }
    ~WindowSetup() { Py_DECREF(callable); }
    bmtest::RunningPlugin plugin;
    void* window = nullptr;
    PyObject* callable = nullptr;
    _CallbackRecordStruct* record = nullptr;
};

void ModernWindowDraw(benchmark::State& state) {
    WindowSetup setup;
    if (!setup.record) {
        state.SkipWithError("no window record");
        return;
    }
    for (auto _ : state) BM_DrawWindowCallback(setup.window, setup.record);
    if (setup.plugin.EvalInt("BM_M", "Script.Drawn") != 3) state.SkipWithError("the trampoline did not reach the script");
}

__attribute__((noinline)) void CallDrawByHand(PyObject* callable, void* window) {
    PyObject* args[2] = {BM_IntFromSsize(reinterpret_cast<intptr_t>(window)), BM_IntFromSsize(3)};
    PyObject* result = BM_CallVector(callable, args, 2);
    for (PyObject* arg : args) Py_DECREF(arg);
    Py_DECREF(result);
}

void ModernWindowDrawByHand(benchmark::State& state) {
    WindowSetup setup;
    for (auto _ : state) CallDrawByHand(setup.callable, setup.window);
}

PyObject* DirectGetDataf(PyObject*, PyObject* arg) {
    return PyFloat_FromDouble(XPLMGetDataf(BM_Handle(PyNumber_AsSsize_t(arg, nullptr))));
}
PyMethodDef kDirectMethods[] = {{"GetDataf", DirectGetDataf, METH_O, ""}, {nullptr, nullptr, 0, nullptr}};

void ReadFromScript(benchmark::State& state, const char* call) {
    bmtest::RunningPlugin plugin(std::map<std::string, std::string>{
        {"BM_D", "class Brindlemoor:\n    def XPluginStart(self):\n        return 'D', 'sig.d', ''\n"}});
    BM_InitModule("BenchDirect", kDirectMethods);
    std::string loop = std::string(
                           "import BenchDirect\n"
                           "from XPLMDataAccess import XPLMGetDataf, XPLMFindDataRef\n"
                           "from BenchDirect import GetDataf\n"
                           "ref = XPLMFindDataRef('sim/flightmodel/position/psi')\n"
                           "for i in range(1000):\n"
                           "    ") + call + "(ref)\n";
    PyObject* code = Py_CompileString(loop.c_str(), "<bench>", Py_file_input);
    PyObject* globals = PyDict_New();
    PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins());
    for (auto _ : state) {
        PyObject* result = BM_EvalCode(code, globals, globals);
        if (!result) {
            PyErr_Print();
            state.SkipWithError("the loop failed");
            break;
        }
        Py_DECREF(result);
    }
    state.SetItemsProcessed(state.iterations() * 1000);
    Py_DECREF(globals);
    Py_DECREF(code);
}

void XPLMGetDatafFromPython(benchmark::State& state) { ReadFromScript(state, "XPLMGetDataf"); }
void MethOFromPython(benchmark::State& state) { ReadFromScript(state, "GetDataf"); }

PyObject* DirectSetPosition(PyObject*, PyObject* arg) {
    static const XPLMDrawInfo_t position = {int(sizeof(XPLMDrawInfo_t)), 1.0f, 2.0f, 3.0f, 0.0f, 90.0f, 0.0f};
    static const float value = 0.5f;
    XPLMInstanceSetPosition(BM_Handle(PyNumber_AsSsize_t(arg, nullptr)), &position, &value);
    Py_RETURN_NONE;
}
PyMethodDef kDirectInstanceMethods[] = {{"SetPosition", DirectSetPosition, METH_O, ""},
                                        {nullptr, nullptr, 0, nullptr}};

// A frame's worth of moves: 1,000 instances of one object, each with one data ref.
void MoveInstances(benchmark::State& state, const char* call) {
    bmtest::RunningPlugin plugin(std::map<std::string, std::string>{
        {"BM_I", "from XPLMScenery import *\n"
                 "from XPLMInstance import *\n"
                 "class Brindlemoor:\n"
                 "    def XPluginStart(self):\n"
                 "        return 'I', 'sig.i', ''\n"
                 "    def Make(self):\n"
                 "        obj = XPLMLoadObject(self, 'crate.obj')\n"
                 "        self.Instances = [XPLMCreateInstance(self, obj, ['bm/lid']) for i in range(1000)]\n"}});
    { std::ofstream(plugin.Sim().Root() + "crate.obj") << "A\n800\nOBJ\n"; }
    plugin.Run("BM_I", "Script.Make()");
    BM_InitModule("BenchInstances", kDirectInstanceMethods);
    PyObject* instances = plugin.Eval("BM_I", "Script.Instances");
    std::string loop = std::string(
                           "from XPLMInstance import XPLMInstanceSetPosition\n"
                           "from BenchInstances import SetPosition\n"
                           "position = (1.0, 2.0, 3.0, 0.0, 90.0, 0.0)\n"
                           "data = [0.5]\n"
                           "for instance in instances:\n"
                           "    ") + call + "\n";
    PyObject* code = Py_CompileString(loop.c_str(), "<bench>", Py_file_input);
    PyObject* globals = PyDict_New();
    PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins());
    PyDict_SetItemString(globals, "instances", instances);
    for (auto _ : state) {
        PyObject* result = BM_EvalCode(code, globals, globals);
        if (!result) {
            PyErr_Print();
            state.SkipWithError("the loop failed");
            break;
        }
        Py_DECREF(result);
    }
    if (bmhost::Instances().size() != 1000 || bmhost::Instances()[999].positions == 0)
        state.SkipWithError("the instances did not move");
    state.SetItemsProcessed(state.iterations() * 1000);
    Py_DECREF(globals);
    Py_DECREF(code);
    Py_DECREF(instances);
}

void XPLMInstanceSetPositionFromPython(benchmark::State& state) {
    MoveInstances(state, "XPLMInstanceSetPosition(instance, position, data)");
}
void MethOSetPositionFromPython(benchmark::State& state) { MoveInstances(state, "SetPosition(instance)"); }

// A list box of ten rows in a main window, filled with `lines` lines the way the control panel
// adds them.
struct ListBoxSetup {
    explicit ListBoxSetup(int lines) : lines(std::size_t(lines)) {
        window = XPCreateWidget(100, 700, 500, 300, 1, "Consoles", 1, nullptr, xpWidgetClass_MainWindow);
        list = BM_CreateListBox(110, 660, 410, 540, 1, "", window);
        for (int i = 0; i < lines; ++i) Append("Line " + std::to_string(i) + " of what a script printed");
    }
    void Append(const std::string& line) const {
        XPSetWidgetDescriptor(list, line.c_str());
        XPSetWidgetProperty(list, xpProperty_ListAppendItem, 1);
    }
    std::size_t Count() const { return BM_ListBoxItems(list)->Items.size(); }
    // Deletes the lines appended since, from the end.
    void Trim() const {
        for (std::size_t count = Count(); count > lines; --count) {
            XPSetWidgetProperty(list, xpProperty_ListSelection, intptr_t(count - 1));
            XPSetWidgetProperty(list, xpProperty_ListDeleteItem, 1);
        }
    }
    bmtest::SimFolder sim{"bench"};
    std::size_t lines;
    XPWidgetID window = nullptr;
    XPWidgetID list = nullptr;
};

constexpr std::int64_t kListBoxBatch = 1024;  // iterations between the untimed clean-ups

void ListBoxAppend(benchmark::State& state) {
    ListBoxSetup setup(int(state.range(0)));
    const std::string line = "Module - XPLMDataAccess, Function - XPLMGetDatai, Error = Parameter Error";
    std::int64_t done = 0;
    for (auto _ : state) {
        setup.Append(line);
        if (++done % kListBoxBatch == 0) {
            state.PauseTiming();
            setup.Trim();
            state.ResumeTiming();
        }
    }
    if (setup.Count() < setup.lines) state.SkipWithError("lines went missing");
}

void ListBoxDraw(benchmark::State& state) {
    ListBoxSetup setup(int(state.range(0)));
    std::int64_t done = 0;
    for (auto _ : state) {
        XPSendMessageToWidget(setup.list, xpMsg_Draw, xpMode_Direct, 0, 0);
        if (++done % kListBoxBatch == 0) {
            state.PauseTiming();
            bmhost::RunFrames(1);  // lets the stand-in forget what was drawn
            state.ResumeTiming();
        }
    }
    bmhost::RunFrames(1);
    int rows = 0;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing()) rows += op.call == "XPLMDrawString";
    if (rows != 11) state.SkipWithError("the list box did not draw its ten rows");  // and the window's title
}

}  // namespace

BENCHMARK(FlightLoopTrampoline)->Arg(1)->Arg(100)->Arg(1000);
BENCHMARK(FlightLoopByHand)->Arg(1)->Arg(100)->Arg(1000);
BENCHMARK(FlightLoopObjectTrampoline)->Arg(1)->Arg(1000);
BENCHMARK(FlightLoopProfiling)->ArgName("profiling")->Arg(0)->Arg(1);
BENCHMARK(FlightLoopHandoff)->ArgName("handoff")->Arg(0)->Arg(1);
BENCHMARK(FlightLoopByHandHandoff);
BENCHMARK(WidgetTrampoline)->Arg(1)->Arg(100)->Arg(1000);
BENCHMARK(WidgetByHand)->Arg(1)->Arg(100)->Arg(1000);
BENCHMARK(ModernWindowDraw);
BENCHMARK(ModernWindowDrawByHand);
BENCHMARK(XPLMGetDatafFromPython);
BENCHMARK(MethOFromPython);
BENCHMARK(XPLMInstanceSetPositionFromPython);
BENCHMARK(MethOSetPositionFromPython);
BENCHMARK(ListBoxAppend)->Arg(100)->Arg(100000);
BENCHMARK(ListBoxDraw)->Arg(100)->Arg(100000);

BENCHMARK_MAIN();
