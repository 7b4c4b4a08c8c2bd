// Every function of every built-in module, called with hostile arguments: wrong counts, numbers
// outside every range, wrong types, objects whose conversions raise, garbage handles, and
// callables and non-callables in every place. The functions come from the modules' own
// dictionaries, so a function added later is swept without being named here.
//
// Each call must return a value with no Python error left pending, or raise TypeError,
// OverflowError, ValueError or MemoryError. It must not crash, let a C++ exception out, write to
// the process's standard error, or ask for more than kAllocationLimit bytes at once. Then the
// plug-in stops, which must not crash either and must leave nothing registered with the
// simulator.
//
// The calls run in a child process; a call that kills it is a finding, and a new child goes on
// with the next call. Faults known today are listed in kKnownFaults: they are printed with the
// other findings but do not fail the test. Remove an entry when its fault is fixed.
#include <gtest/gtest.h>

#include <cxxabi.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "ModuleCalls.h"
#include "ModuleSignatures.h"
#include "PythonSupport.h"
#include "ScriptReload.h"
#include "ScriptReport.h"
#include "SweepSupport.h"
#include "WidgetStuff.h"
#include "XPLMCamera.h"
#include "XPLMDefs.h"
#include "XPLMDisplay.h"
#include "XPLMMenus.h"
#include "XPLMPlugin.h"
#include "XPStandardWidgets.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

using namespace bmtest::sweep;

constexpr std::size_t kAllocationLimit = std::size_t(16) << 20;
constexpr int kMaxArity = 20;
constexpr unsigned kSeed = 20240601;

struct HostileValue {
    const char* label;       // as the findings show it
    const char* expression;  // evaluated in the sweep script's namespace
    bool fresh;              // mutable: made anew for every call
};

const HostileValue kHostile[] = {
    {"None", "None", false},
    {"0", "0", false},
    {"-1", "-1", false},
    {"2**31-1", "2**31-1", false},
    {"2**31", "2**31", false},
    {"2**63", "2**63", false},
    {"-2**63-1", "-2**63-1", false},
    {"2**70", "2**70", false},
    {"2**63-1", "2**63-1", false},
    {"2**32+5", "2**32+5", false},
    {"0xdeadbeef", "0xdeadbeef", false},
    {"1.5", "1.5", false},
    {"nan", "float('nan')", false},
    {"inf", "float('inf')", false},
    {"''", "''", false},
    {"'a\\0b'", "'a\\0b'", false},
    {"u'\\xe9'", "u'\\xe9'", false},
    {"b'\\xff'", "b'\\xff'", false},  // no UTF-8: a str under 2.7, bytes under 3
    {"(1, 2)", "(1, 2)", false},
    {"{'a': 1}", "{'a': 1}", true},
    {"5", "5", false},
    {"[]", "[]", true},
    {"['a', 'b']", "['a', 'b']", true},
    {"[2**70]", "[2**70]", true},
    {"lazy_range(2**40)", "lazy_range(2**40)", false},
    {"Raising()", "Raising()", false},
    {"ref_own", "ref_own", false},
    {"script", "script", false},
    {"cb", "cb", false},
    {"lambda", "lambda *args: 1", false},
    {"object()", "object()", false},
};
constexpr int kHostileCount = int(sizeof kHostile / sizeof kHostile[0]);

int HostileIndex(const std::string& label) {
    for (int i = 0; i < kHostileCount; ++i)
        if (label == kHostile[i].label) return i;
    throw std::logic_error("no hostile value " + label);
}

// SDK functions that a sweep must not call at all, because they act on the whole simulator or
// the machine. None of today's modules offers one; when a module does, its function is skipped
// and listed.
const std::map<std::string, const char*> kGlobalEffects = {
    {"XPLMReloadPlugins", "reloads every plug-in, this one included, in the middle of the sweep"},
    {"XPLMSpeakString", "speaks aloud on the machine that runs the tests"},
    {"XPLMCommandKeyStroke", "presses keys in the simulator"},
    {"XPLMCommandButtonPress", "presses joystick buttons in the simulator"},
    {"XPLMCommandButtonRelease", "releases joystick buttons in the simulator"},
    {"XPLMDisablePlugin", "disables plug-ins, maybe this one"},
    {"XPLMEnablePlugin", "enables other plug-ins"},
    {"XPLMSendMessageToPlugin", "delivers messages to every plug-in, this one included"},
    {"XPLMSetUsersAircraft", "loads another aircraft"},
    {"XPLMPlaceUserAtAirport", "moves the aircraft"},
    {"XPLMPlaceUserAtLocation", "moves the aircraft"},
};

// Calls the stand-in cannot take: faults of the stand-in itself, not of the plug-in. A call
// whose arguments include the label is not made.
struct StandInLimit {
    const char* function;
    const char* label;
    const char* reason;
};
// None today: the stand-in takes every call the sweep makes.
const std::vector<StandInLimit> kStandInLimits = {};

// Findings known today: the function ("*" for any), a piece of the call's text ("" for any call),
// the finding's kind, and a piece of its detail ("" for any).
struct KnownFault {
    const char* function;
    const char* args;
    const char* kind;
    const char* detail;
    const char* reason;
};
// None today; a fault found and not mended yet goes here with its reason.
const std::vector<KnownFault> kKnownFaults = {};

// ---- Plan ----

struct Value {
    bool baseline;  // the function's plausible argument at this position, else a hostile value
    int index;      // the position, or the index into kHostile
};

struct SweptFunction {
    std::string module, name;
    PlausibleCall plausible;  // the table's call, or one of 1s
    bool inTable = false;
    int arity = -1;           // learnt by calling; -1 while unknown
    bool acceptsAnyArgs = false;
};

struct Case {
    int function;
    std::vector<Value> args;
};

struct Finding {
    std::string function, call, kind, detail;
};

std::string Label(const SweptFunction& f, const Value& v) {
    return v.baseline ? f.plausible.args[std::size_t(v.index)] : kHostile[v.index].label;
}

std::string CallText(const SweptFunction& f, const Case& c) {
    std::string text = f.name + "(";
    for (std::size_t i = 0; i < c.args.size(); ++i) text += (i ? ", " : "") + Label(f, c.args[i]);
    return text + ")";
}

bool Skipped(const SweptFunction& f, const Case& c) {
    for (const StandInLimit& limit : kStandInLimits)
        if (f.name == limit.function)
            for (const Value& v : c.args)
                if (!v.baseline && std::string(kHostile[v.index].label) == limit.label) return true;
    return false;
}

std::vector<Case> MakePlan(const std::vector<SweptFunction>& functions, int* skipped) {
    *skipped = 0;
    std::mt19937 random(kSeed);
    auto anyHostile = [&] { return Value{false, int(random() % kHostileCount)}; };
    std::vector<Case> plan;
    for (int fi = 0; fi < int(functions.size()); ++fi) {
        const SweptFunction& f = functions[std::size_t(fi)];
        if (f.arity < 0) continue;
        const int n = f.arity;
        auto baseline = [&] {
            std::vector<Value> args;
            for (int p = 0; p < n; ++p) args.push_back(Value{true, p});
            return args;
        };
        auto add = [&](std::vector<Value> args) {
            Case c{fi, std::move(args)};
            if (Skipped(f, c)) ++*skipped;
            else plan.push_back(std::move(c));
        };
        // Wrong counts: none, one too few, one too many, very many; and short tuples of hostile values.
        if (n > 0) add({});
        if (n > 1) {
            std::vector<Value> fewer = baseline();
            fewer.pop_back();
            add(fewer);
        }
        {
            std::vector<Value> more = baseline();
            more.push_back(Value{false, HostileIndex("None")});
            add(more);
        }
        {
            std::vector<Value> many;
            for (int i = 0; i < kMaxArity + 1; ++i) many.push_back(Value{false, i % kHostileCount});
            add(many);
        }
        for (int k = 1; k < n; ++k)
            for (int repeat = 0; repeat < 2; ++repeat) {
                std::vector<Value> args;
                for (int p = 0; p < k; ++p) args.push_back(anyHostile());
                add(args);
            }
        if (n == 0) continue;
        // The plausible call, then every hostile value at each position in turn.
        add(baseline());
        for (int p = 0; p < n; ++p)
            for (int h = 0; h < kHostileCount; ++h) {
                std::vector<Value> args = baseline();
                args[std::size_t(p)] = Value{false, h};
                add(args);
            }
        // The script argument against every callable argument.
        if (f.inTable && f.plausible.args[0] == "script") {
            for (const char* self : {"script", "None", "5", "object()"})
                for (int p = 1; p < n; ++p) {
                    if (f.plausible.args[std::size_t(p)] != "cb") continue;
                    for (const char* callable : {"cb", "lambda", "None", "5", "object()", "''", "script"}) {
                        std::vector<Value> args = baseline();
                        args[0] = Value{false, HostileIndex(self)};
                        args[std::size_t(p)] = Value{false, HostileIndex(callable)};
                        add(args);
                    }
                }
        }
        // Seeded combinations: each position plausible or hostile at even odds.
        const int combinations = std::min(100 + 20 * n, 400);
        for (int i = 0; i < combinations; ++i) {
            std::vector<Value> args = baseline();
            for (int p = 0; p < n; ++p)
                if (random() % 2) args[std::size_t(p)] = anyHostile();
            add(args);
        }
    }
    return plan;
}

// ---- The child's side ----

class Caller {
public:
    explicit Caller(std::vector<SweptFunction>& functions) : functions_(functions) {}

    // Calls the function with the case's arguments and sends what happened:
    //   "R <case> <outcome>"    value, or the name of the exception raised
    //   "F <case> <kind> <detail>" for each finding
    void Run(Channel& channel, int index, const Case& c) { Run(channel, std::to_string(index), c); }

    // The plausible call of a function, once more; findings are sent with the id "replay".
    void Replay(Channel& channel, int function) {
        Case c{function, {}};
        for (int p = 0; p < functions_[std::size_t(function)].arity; ++p) c.args.push_back(Value{true, p});
        Run(channel, "replay " + std::to_string(function), c);
    }

private:
    void Run(Channel& channel, const std::string& id, const Case& c) {
        SweptFunction& f = functions_[std::size_t(c.function)];
        channel.Send({"B", id});
        PyObject* callable = Callable(f);
        PyObject* args = PyTuple_New(Py_ssize_t(c.args.size()));
        for (std::size_t i = 0; i < c.args.size(); ++i) PyTuple_SET_ITEM(args, Py_ssize_t(i), Make(f, c.args[i]));
        off_t errBefore = lseek(2, 0, SEEK_END);

        ArmAllocationGuard(kAllocationLimit);
        PyObject* result = nullptr;
        std::string escaped;
        try {
            result = PyObject_Call(callable, args, nullptr);
        } catch (const std::exception& e) {
            int status = 0;
            char* name = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
            escaped = std::string("C++ exception ") + (name && status == 0 ? name : typeid(e).name()) + ": " + e.what();
            std::free(name);
        } catch (...) {
            escaped = "C++ exception of an unknown type";
        }
        DisarmAllocationGuard();

        RefusedAllocation refused;
        if (TakeRefusedAllocation(&refused))
            channel.Send({"F", id, "runaway allocation",
                          "asked for " + std::to_string(refused.bytes) + " bytes at once\n" + refused.stack});
        if (!escaped.empty()) {
            channel.Send({"F", id, "escaped exception", escaped});
            _exit(kEscapedExceptionStatus);  // the interpreter's state is not to be trusted after that
        }
        if (!result) {
            if (!PyErr_Occurred()) {
                channel.Send({"F", id, "null without error", "returned null with no Python error set"});
                channel.Send({"R", id, "null"});
            } else {
                PyObject* type = nullptr;
                std::string error = TakeError(&type);
                bool allowed = false;
                for (PyObject* ok : {PyExc_TypeError, PyExc_OverflowError, PyExc_ValueError, PyExc_MemoryError})
                    allowed = allowed || PyErr_GivenExceptionMatches(type, ok);
                std::string name = error.substr(0, error.find(':'));
                if (!allowed) channel.Send({"F", id, "wrong exception", error});
                channel.Send({"R", id, name});
                Py_XDECREF(type);
            }
        } else {
            if (PyErr_Occurred()) {
                std::string error = TakeError();
                channel.Send({"F", id, "error pending after a value", "returned " + Repr(result) + " with " + error});
            }
            Py_DECREF(result);
            channel.Send({"R", id, "value"});
        }
        Py_DECREF(args);
        off_t errAfter = lseek(2, 0, SEEK_END);
        if (errAfter > errBefore) {
            std::string text(std::size_t(errAfter - errBefore), '\0');
            if (pread(2, text.data(), text.size(), errBefore) > 0)
                channel.Send({"F", id, "standard error", Tail(Symbolize(text), 3000)});
        }
    }

    PyObject* Callable(const SweptFunction& f) {
        std::string key = f.module + "." + f.name;
        auto found = callables_.find(key);
        if (found != callables_.end()) return found->second;
        return callables_[key] = EvalPython(f.module, f.name);
    }

    // New reference.
    PyObject* Make(SweptFunction& f, const Value& v) {
        if (v.baseline) {
            std::vector<PyObject*>& values = Baseline(f);
            Py_INCREF(values[std::size_t(v.index)]);
            return values[std::size_t(v.index)];
        }
        PyObject*& cached = hostile_[std::size_t(v.index)];
        if (cached) {
            Py_INCREF(cached);
            return cached;
        }
        PyObject*& code = codes_[std::size_t(v.index)];
        if (!code) code = CompileExpression(kHostile[v.index].expression);
        PyObject* value = EvalCompiled(kSweepModule, code);
        if (!kHostile[v.index].fresh) {
            cached = value;
            Py_INCREF(cached);
        }
        return value;
    }

    // The plausible arguments, made once per child: the setup may create windows and menus.
    std::vector<PyObject*>& Baseline(SweptFunction& f) {
        std::string key = f.module + "." + f.name;
        auto found = baselines_.find(key);
        if (found != baselines_.end()) return found->second;
        if (!f.plausible.setup.empty()) RunPython(kSweepModule, f.plausible.setup);
        std::vector<PyObject*> values;
        for (const std::string& expression : f.plausible.args) values.push_back(EvalPython(kSweepModule, expression));
        return baselines_[key] = values;
    }

    std::vector<SweptFunction>& functions_;
    std::map<std::string, PyObject*> callables_;
    std::map<std::string, std::vector<PyObject*>> baselines_;
    std::vector<PyObject*> hostile_ = std::vector<PyObject*>(kHostileCount, nullptr);
    std::vector<PyObject*> codes_ = std::vector<PyObject*>(kHostileCount, nullptr);
};

// Learns how many arguments a function takes: the count its argument parser asks for, or 0 when
// it takes an empty tuple.
int LearnArity(const SweptFunction& f, bool* acceptsAny) {
    PyObject* callable = EvalPython(f.module, f.name);
    // "takes exactly 2 arguments (0 given)"; a one-argument (METH_O) function says "exactly one".
    static const std::regex kArity("takes (exactly|at least|at most) (\\d+|one) argument");
    int arity = -1;
    for (int n = 0; n <= kMaxArity && arity < 0; ++n) {
        PyObject* args = PyTuple_New(n);
        for (int i = 0; i < n; ++i) {
            Py_INCREF(Py_None);
            PyTuple_SET_ITEM(args, i, Py_None);
        }
        PyObject* result = PyObject_Call(callable, args, nullptr);
        Py_DECREF(args);
        std::smatch match;
        std::string error = result ? "" : TakeError();
        Py_XDECREF(result);
        PyErr_Clear();
        if (n == 0 && std::regex_search(error, match, kArity) && match[1] == "exactly") {
            arity = match[2] == "one" ? 1 : std::stoi(match[2]);
        } else if (error.empty() || !std::regex_search(error, match, kArity)) {
            arity = n;
        }
    }
    *acceptsAny = false;
    if (arity == 0) {
        PyObject* args = Py_BuildValue("(iii)", 1, 2, 3);
        PyObject* result = PyObject_Call(callable, args, nullptr);
        *acceptsAny = result != nullptr;
        Py_XDECREF(result);
        Py_DECREF(args);
        PyErr_Clear();
    }
    Py_DECREF(callable);
    return arity;
}

std::string Counts(const std::map<std::string, int>& counts) {
    std::string text;
    for (const auto& [name, n] : counts) text += (text.empty() ? "" : ", ") + name + " " + std::to_string(n);
    return text;
}

const KnownFault* Known(const Finding& finding) {
    for (const KnownFault& known : kKnownFaults) {
        if (std::string(known.function) != "*" && finding.function != known.function) continue;
        if (finding.kind != known.kind || finding.call.find(known.args) == std::string::npos) continue;
        if (finding.detail.find(known.detail) != std::string::npos) return &known;
    }
    return nullptr;
}

// The frames of a stack from the module function down, without the test's own.
std::string ModuleFrames(const std::string& stack) {
    std::string kept;
    std::stringstream lines(Symbolize(stack));
    for (std::string line; std::getline(lines, line);) {
        if (line.find("AllocationGuard.cpp") != std::string::npos) continue;
        kept += "    " + line + "\n";
        if (line.find("PyObject_Call") != std::string::npos) break;
    }
    return kept;
}

TEST(HostileSweep, EveryModuleFunctionSurvivesHostileArguments) {
    std::optional<bmtest::RunningPlugin> plugin;
    plugin.emplace(std::map<std::string, std::string>{{kSweepModule, SweepScript()}});
    PyObject* scriptModule = PyImport_ImportModule(kSweepModule);
    ASSERT_NE(scriptModule, nullptr);
    PyDict_SetItemString(PyModule_GetDict(scriptModule), "Script", plugin->Script(kSweepModule));
    Py_DECREF(scriptModule);
    RunPython(kSweepModule, SweepSetupCode());

    // The functions, from the modules themselves.
    std::vector<SweptFunction> functions;
    std::vector<std::string> notes;
    for (const std::string& module : SweptModules())
        for (const std::string& name : ModuleFunctions(module)) {
            auto global = kGlobalEffects.find(name);
            if (global != kGlobalEffects.end()) {
                notes.push_back("skipped " + module + "." + name + ": " + global->second);
                continue;
            }
            SweptFunction f;
            f.module = module;
            f.name = name;
            if (const PlausibleCall* call = FindPlausibleCall(name)) {
                f.plausible = *call;
                f.inTable = true;
            }
            functions.push_back(f);
        }
    ASSERT_GT(functions.size(), 50u);

    std::vector<Finding> findings;
    auto crashFinding = [&](const std::string& function, const std::string& call, const ChildRun& run) {
        std::string kind = run.exited && run.exitCode == kEscapedExceptionStatus ? "" : "crash";
        if (!kind.empty())
            findings.push_back({function, call, kind, run.Ending() + "\n" + Tail(run.stderrText, 6000)});
    };

    // Arities, learnt in a child: a function that crashes on a tuple of Nones is a finding too.
    for (std::size_t start = 0; start < functions.size();) {
        std::size_t reached = start;
        ChildRun run = RunInChild([&](Channel& channel) {
            for (std::size_t i = start; i < functions.size(); ++i) {
                channel.Send({"B", std::to_string(i)});
                bool any = false;
                int arity = LearnArity(functions[i], &any);
                channel.Send({"A", std::to_string(i), std::to_string(arity), any ? "1" : "0"});
            }
            channel.Send({"D"});
        });
        bool done = false;
        for (const auto& m : run.messages) {
            if (m[0] == "B") reached = std::stoul(m[1]);
            if (m[0] == "A") {
                functions[std::stoul(m[1])].arity = std::stoi(m[2]);
                functions[std::stoul(m[1])].acceptsAnyArgs = m[3] == "1";
            }
            if (m[0] == "D") done = true;
        }
        if (done) break;
        crashFinding(functions[reached].name, functions[reached].name + "(None, ...) while learning its arity", run);
        start = reached + 1;
    }
    for (SweptFunction& f : functions) {
        if (f.arity < 0) {
            ADD_FAILURE() << "could not learn how many arguments " << f.name << " takes";
            continue;
        }
        if (f.inTable && int(f.plausible.args.size()) != f.arity)
            ADD_FAILURE() << f.name << " takes " << f.arity << " arguments; its plausible call "
                          << f.plausible.ArgsText() << " has " << f.plausible.args.size();
        if (!f.inTable) {
            notes.push_back(f.name + " has no plausible call in ModuleCalls.cpp: swept around a call of 1s");
            f.plausible.args.assign(std::size_t(f.arity), "1");
        }
        if (f.acceptsAnyArgs) notes.push_back(f.name + " takes no arguments but accepts and ignores any");
    }

    int skipped = 0;
    const std::vector<Case> plan = MakePlan(functions, &skipped);
    for (const StandInLimit& limit : kStandInLimits)
        notes.push_back(std::string("not called: ") + limit.function + " with " + limit.label + ": " + limit.reason);
    if (skipped) notes.push_back(std::to_string(skipped) + " calls left out for the stand-in's sake (above)");

    // The calls, then the stop. A child that dies leaves the rest to the next child.
    std::map<std::string, int> outcomes;
    std::vector<std::string> stopReport;
    bool stopped = false;
    int children = 0;
    for (std::size_t start = 0; start <= plan.size() && !stopped;) {
        std::size_t reached = start;
        bool begun = false;
        ++children;
        ChildRun run = RunInChild([&](Channel& channel) {
            Caller caller(functions);
            for (std::size_t i = start; i < plan.size(); ++i) caller.Run(channel, int(i), plan[i]);
            // Every plausible call once more, then those that register once again (an
            // unregistration's plausible call may have undone them), so that the stop meets a
            // registration of every kind whichever child made the sweep's last calls.
            for (std::size_t f = 0; f < functions.size(); ++f)
                if (functions[f].arity >= 0) caller.Replay(channel, int(f));
            for (std::size_t f = 0; f < functions.size(); ++f) {
                const std::string& name = functions[f].name;
                bool registers = name.rfind("XPLMRegister", 0) == 0 || name.rfind("XPLMCreate", 0) == 0 ||
                                 name.rfind("XPCreate", 0) == 0 || name == "XPAddWidgetCallback" ||
                                 name == "XPUCreateWidgets" || name == "XPLMShareData" ||
                                 name.rfind("XPLMLoadObject", 0) == 0;
                if (functions[f].arity >= 0 && registers) caller.Replay(channel, int(f));
            }
            channel.Send({"S", "stopping"});
            plugin->Stop();
            channel.Send({"S", "stopped"});
            const std::vector<bmhost::SoundRecord> sounds = bmhost::SoundsPlayed();
            const std::pair<const char*, int> left[] = {
                {"flight loops", bmhost::FlightLoopCount()},
                {"draw callbacks", bmhost::DrawCallbackCount()},
                {"key sniffers", bmhost::KeySnifferCount()},
                {"windows", bmhost::WindowCount()},
                {"hot keys", bmhost::HotKeyCount()},
                {"menus", bmhost::PluginMenuCount()},
                {"published data refs", bmhost::PublishedDataCount()},
                {"shared data registrations", bmhost::SharerTotal()},
                {"widgets", bmhost::WidgetCount()},
                {"command handlers", bmhost::CommandHandlerCount()},
                // A load under way cannot be called off: it arrives, finds no script and goes.
                {"probes", bmhost::ProbeCount()},
                {"object loads", bmhost::ObjectReferenceCount()},
                {"instances", bmhost::InstanceCount()},
                {"sounds", int(std::count_if(sounds.begin(), sounds.end(), [](const bmhost::SoundRecord& s) {
                     return s.state == "queued" || s.state == "playing";
                 }))},
            };
            for (const auto& [what, count] : left) channel.Send({"L", what, std::to_string(count)});
            // The simulator goes on after the plug-in stopped, with whatever it still has registered.
            channel.Send({"S", "frames"});
            bmhost::RunFrames(3);
            bmhost::PressKey('a', XPLM_VK_A);
            bmhost::Click(100, 100);
            channel.Send({"D"});
        });
        std::string phase;
        for (const auto& m : run.messages) {
            bool replay = (m[0] == "B" || m[0] == "R" || m[0] == "F") && m[1].rfind("replay ", 0) == 0;
            if (replay) {
                const SweptFunction& f = functions[std::stoul(m[1].substr(7))];
                if (m[0] == "B") phase = "replaying the plausible call of " + f.name;
                if (m[0] == "F") findings.push_back({f.name, "the plausible call " + f.name + f.plausible.ArgsText(),
                                                     m[2], m[3]});
            } else if (m[0] == "B") {
                reached = std::stoul(m[1]);
                begun = true;
            } else if (m[0] == "R") {
                ++outcomes[m[2]];
            } else if (m[0] == "F") {
                const Case& c = plan[std::stoul(m[1])];
                const SweptFunction& f = functions[std::size_t(c.function)];
                findings.push_back({f.name, CallText(f, c), m[2], m[3]});
            } else if (m[0] == "S") {
                phase = m[1];
            } else if (m[0] == "L") {
                if (m[2] != "0")
                    findings.push_back({"<stop>", "left registered: " + m[1], "left registered",
                                        m[2] + " " + m[1] + " still registered with the simulator after the "
                                                             "plug-in stopped"});
                stopReport.push_back(m[1] + " " + m[2]);
            } else if (m[0] == "D") {
                stopped = true;
            } else if (m[0] == "!") {
                ADD_FAILURE() << "the sweep itself failed: " << m[1];
                stopped = true;
            }
        }
        if (stopped) break;
        if (!phase.empty()) {
            findings.push_back({"<stop>", phase == "frames" ? "frames after the stop" : phase, "crash",
                                run.Ending() + "\n" + Tail(run.stderrText, 6000)});
            break;
        }
        if (!begun) {
            ADD_FAILURE() << "a sweep child ended before its first call: " << run.Ending() << "\n" << run.stderrText;
            break;
        }
        const Case& c = plan[reached];
        crashFinding(functions[std::size_t(c.function)].name, CallText(functions[std::size_t(c.function)], c), run);
        start = reached + 1;
    }

    // Report.
    int unexpected = 0;
    std::map<std::string, std::vector<const Finding*>> byKind;
    for (const Finding& finding : findings) byKind[finding.kind].push_back(&finding);
    std::printf("Hostile sweep: %zu functions, %zu calls in %d child processes; outcomes: %s\n", functions.size(),
                plan.size(), children, Counts(outcomes).c_str());
    std::printf("After the stop: %s\n", [&] {
        std::string text;
        for (const std::string& s : stopReport) text += (text.empty() ? "" : ", ") + s;
        return text;
    }().c_str());
    for (const std::string& note : notes) std::printf("note: %s\n", note.c_str());
    std::set<const KnownFault*> seen;
    for (const auto& [kind, list] : byKind) {
        // One line per function and detail (per entry, for known faults of any function): the first
        // call that showed it, and how many did.
        struct Group {
            const Finding* first = nullptr;
            const KnownFault* known = nullptr;
            int calls = 0;
        };
        std::map<std::string, Group> groups;
        for (const Finding* finding : list) {
            const KnownFault* known = Known(*finding);
            std::string key = known && std::string(known->function) == "*"
                                  ? std::string("*") + known->reason
                                  : finding->function + "\t" + finding->detail.substr(0, finding->detail.find('\n'));
            Group& group = groups[key];
            if (!group.first) group.first = finding;
            group.known = known;
            ++group.calls;
            if (known) seen.insert(known);
            else ++unexpected;
        }
        std::printf("\n== %s: %zu calls ==\n", kind.c_str(), list.size());
        for (const auto& [key, group] : groups) {
            const Finding& first = *group.first;
            std::string detail = first.detail;
            if (kind == "runaway allocation")  // the stack, from the allocation up to the module function
                detail = detail.substr(0, detail.find('\n') + 1) + ModuleFrames(detail.substr(detail.find('\n') + 1));
            bool any = group.known && std::string(group.known->function) == "*";
            std::printf("%s %s%s (%d call%s): %s\n", group.known ? "known" : "NEW  ", first.call.c_str(),
                        any ? " and the like in other functions" : "", group.calls, group.calls == 1 ? "" : "s",
                        detail.c_str());
            if (group.known) std::printf("      known: %s\n", group.known->reason);
        }
    }
    for (const KnownFault& known : kKnownFaults)
        if (*known.kind && !seen.count(&known))
            std::printf("note: known fault not seen in this build: %s %s (%s)\n", known.function, known.args,
                        known.kind);
    std::fflush(stdout);
    EXPECT_EQ(unexpected, 0) << "findings that kKnownFaults does not list; see the report above";
    EXPECT_TRUE(stopped) << "the sweep did not reach the end of the plug-in's stop";
}

// Every module function called on a thread a script started raises RuntimeError with its name,
// whatever it is given (the plausible call of it), and asks nothing of the simulator.
TEST(HostileSweep, EveryModuleFunctionRefusesOtherThreads) {
    bmtest::RunningPlugin plugin({{kSweepModule, SweepScript()}});
    PyObject* scriptModule = PyImport_ImportModule(kSweepModule);
    ASSERT_NE(scriptModule, nullptr);
    PyDict_SetItemString(PyModule_GetDict(scriptModule), "Script", plugin.Script(kSweepModule));
    Py_DECREF(scriptModule);
    RunPython(kSweepModule, SweepSetupCode());

    // The arguments are made on the simulator's thread, then every call is tried on another.
    std::string calls = "import sys\nthread_calls = []\n";
    int count = 0;
    for (const std::string& module : SweptModules())
        for (const std::string& name : ModuleFunctions(module)) {
            std::string args = "()";
            if (const PlausibleCall* call = FindPlausibleCall(name)) {
                if (!call->setup.empty()) calls += call->setup + "\n";
                args = "(";
                for (const std::string& arg : call->args) args += arg + ", ";
                args += ")";
            }
            calls += "thread_calls.append((sys.modules['" + module + "']." + name + ", " + args + "))\n";
            ++count;
        }
    ASSERT_GT(count, 50);
    RunPython(kSweepModule, calls);
    std::vector<std::string> asked;
    std::mutex askedLock;
    bmhost::SetSdkCallListener([&](const char* call) {
        std::lock_guard<std::mutex> hold(askedLock);
        asked.push_back(call);
    });
    RunPython(kSweepModule,
              "import threading\n"
              "thread_answers = []\n"
              "def try_all():\n"
              "    for function, args in thread_calls:\n"
              "        try:\n"
              "            function(*args)\n"
              "            answer = 'returned'\n"
              "        except Exception as error:\n"
              "            answer = '%s: %s' % (type(error).__name__, error)\n"
              "        expected = ('RuntimeError: %s must be called from the simulator\\'s thread; hand the work '\n"
              "                    'to a flight loop' % function.__name__)\n"
              "        if function.__name__ in ('PrintStdout', 'PrintStderr'):\n"
              "            expected = 'returned'  # print works on every thread\n"
              "        if answer != expected:\n"
              "            thread_answers.append('%s: %s' % (function.__name__, answer))\n"
              "worker = threading.Thread(target=try_all)\n"
              "worker.start()\n"
              "worker.join()\n");
    bmhost::SetSdkCallListener(nullptr);
    PyObject* answers = EvalPython(kSweepModule, "'\\n'.join(thread_answers)");
    ASSERT_NE(answers, nullptr);
    EXPECT_EQ(Repr(answers), "''");
    Py_DECREF(answers);
    EXPECT_TRUE(asked.empty()) << asked.front();
    EXPECT_FALSE(PyErr_Occurred());
}

// Every module function's argument errors name it: called with one argument too few, one too
// many, and object() in each place of its plausible call, a TypeError, OverflowError or ValueError
// names the function (one too many is always refused). Every function that takes the script
// object first, called without it or with a callable in its place, says that self was left out.
TEST(HostileSweep, EveryModuleFunctionNamesItselfInArgumentErrors) {
    bmtest::RunningPlugin plugin({{kSweepModule, SweepScript()}});
    PyObject* scriptModule = PyImport_ImportModule(kSweepModule);
    ASSERT_NE(scriptModule, nullptr);
    PyDict_SetItemString(PyModule_GetDict(scriptModule), "Script", plugin.Script(kSweepModule));
    Py_DECREF(scriptModule);
    RunPython(kSweepModule, SweepSetupCode());

    std::string calls = "import sys\nnamed_calls = []\nself_calls = []\n";
    int count = 0, selfCount = 0;
    for (const std::string& module : SweptModules())
        for (const std::string& name : ModuleFunctions(module)) {
            if (kGlobalEffects.count(name)) continue;
            std::string args = "[";
            if (const PlausibleCall* call = FindPlausibleCall(name)) {
                if (!call->setup.empty()) calls += call->setup + "\n";
                for (const std::string& arg : call->args) args += arg + ", ";
            }
            args += "]";
            const std::string entry = "('" + name + "', sys.modules['" + module + "']." + name + ", " + args + ")";
            calls += "named_calls.append(" + entry + ")\n";
            ++count;
            for (int i = 0; i < BM_SignatureCount; ++i)
                if (name == BM_Signatures[i].function && std::string(BM_Signatures[i].parameters).rfind("self", 0) == 0) {
                    calls += "self_calls.append(" + entry + ")\n";
                    ++selfCount;
                }
        }
    ASSERT_GT(count, 50);
    ASSERT_GT(selfCount, 20);
    RunPython(kSweepModule, calls);
    RunPython(kSweepModule, R"(
import re
named_failures = []
def outcome(function, args):
    try:
        function(*args)
        return None, 'accepted'
    except Exception as error:
        return type(error), '%s: %s' % (type(error).__name__, error)
for name, function, args in named_calls:
    tries = [(args + [object()], 'one argument too many')]
    if args:
        tries.append((args[:-1], 'one argument too few'))
    for i in range(len(args)):
        tries.append((args[:i] + [object()] + args[i + 1:], 'object() as argument %d' % (i + 1)))
    for given, what in tries:
        kind, text = outcome(function, given)
        if what == 'one argument too many' and kind is not TypeError:
            named_failures.append('%s with %s: %s' % (name, what, text))
        elif kind in (TypeError, OverflowError, ValueError) and not re.search(r'\b%s\b' % name, text):
            named_failures.append('%s with %s: %s' % (name, what, text))
self_failures = []
for name, function, args in self_calls:
    for given, what in ((args[1:], 'self left out'), ([cb] + args[1:], 'a callable for self')):
        kind, text = outcome(function, given)
        if not (text.startswith('TypeError: %s() ' % name) or text.startswith('TypeError: %s(): ' % name)) or \
                not re.search(r'the first argument must be the script object \(self\)(, not \w+)?; was it left out\?$',
                              text):
            self_failures.append('%s with %s: %s' % (name, what, text))
)");
    for (const char* list : {"named_failures", "self_failures"}) {
        PyObject* failures = EvalPython(kSweepModule, std::string("'\\n'.join(") + list + ")");
        ASSERT_NE(failures, nullptr);
        EXPECT_EQ(Repr(failures), "''") << list;
        Py_DECREF(failures);
    }
    EXPECT_FALSE(PyErr_Occurred());
}

}  // namespace

// ---- Another script's handles ----
//
// A second script calls every function that takes a handle of a script's record (by the
// parameter's name in the signature rows), and every function that drops the caller's
// registrations, with the first script's handles and the plug-in's control panel, the other
// arguments as in the function's plausible call. The simulator's view of the first script's
// registrations and of the panel stays as it was; the functions that remove or change answer as
// for an unknown handle, without a changing call into the simulator (a plausible value may
// change nothing visible). The first script can still remove all it made.

const char kForeign[] = "BM_Foreign";

// The first script's handles (names of the sweep script's namespace) that stand for a parameter.
const std::map<std::string, std::vector<std::string>> kForeignHandles = {
    {"inWindowID", {"window"}},          {"inWindow", {"window"}},
    {"inHotKey", {"hotkey"}},            {"inMenuID", {"menu", "plugins_menu"}},
    {"inMenu", {"menu", "plugins_menu"}}, {"inParentMenu", {"menu", "plugins_menu"}},
    {"inWidget", {"widget", "panel"}},   {"inWidgetID", {"widget", "panel"}},
    {"inSubWidget", {"widget", "panel"}}, {"inContainer", {"widget", "panel"}},
    {"inParamParent", {"widget", "panel"}}, {"inFlightLoopID", {"loop"}},
    {"inProbe", {"probe"}},              {"inObject", {"obj"}},
    {"instance", {"instance"}},
    {"fmod_channel", {"sound"}},
    {"inLayer", {"layer"}},              {"layer", {"layer"}},
    {"inAvionicsId", {"avionics"}},
};

// Functions that remove or change what their handle names: their answer is the unknown handle's.
// (Creating inside another's window or menu answers 0: nothing is made.)
bool Changes(const std::string& name) {
    static const std::regex kChanging(
        "XPLM(Destroy|Unregister|Set|Clear|Remove|Append|CheckMenuItem$|Enable|Bring|Take|Schedule|Stop)|"
        "XP(Destroy|Set|Show|Hide|Bring|Place|Lose|Add|UMove)");
    return std::regex_search(name, kChanging);
}

// The item parameters: the first item of the first script's menu, or its own item of the Plugins menu.
bool ItemParameter(const std::string& name) { return name == "inIndex" || name == "index" || name == "inParentItem"; }

// "self, inWindowID: int, outLeft: Optional[List[int]]" gives self, inWindowID, outLeft.
std::vector<std::string> ParameterNames(const std::string& parameters) {
    std::vector<std::string> names;
    if (parameters.rfind("self", 0) == 0) names.push_back("self");
    static const std::regex kName("(\\w+):");
    for (std::sregex_iterator it(parameters.begin(), parameters.end(), kName), end; it != end; ++it)
        names.push_back((*it)[1]);
    return names;
}

// Evaluates in the sweep script's namespace as `module`'s code: "value: <repr>" or "raised: <error>".
std::string CallAs(const std::string& module, const std::string& expression) {
    BM_ScriptCall call(module, BM_ActReceiveMessage);
    try {
        PyObject* result = EvalPython(kSweepModule, expression);
        std::string text = "value: " + Repr(result);
        Py_DECREF(result);
        return text;
    } catch (const std::exception& e) {
        return std::string("raised: ") + e.what();
    }
}

// The simulator's view of the first script's window, hot key and menu items, beside all it holds.
std::string ForeignView(XPLMWindowID window, XPLMHotKeyID hotKey) {
    std::string text = SimulatorHoldings() + bmhost::WidgetTree() + "\n";
    int l = 0, t = 0, r = 0, b = 0;
    XPLMGetWindowGeometry(window, &l, &t, &r, &b);
    text += "window " + std::to_string(l) + "," + std::to_string(t) + "," + std::to_string(r) + "," +
            std::to_string(b) + " visible " + std::to_string(XPLMGetWindowIsVisible(window)) + " front " +
            std::to_string(XPLMIsWindowInFront(window)) + "\n";
    char vkey = 0;
    XPLMKeyFlags flags = 0;
    XPLMGetHotKeyInfo(hotKey, &vkey, &flags, nullptr, nullptr);
    text += "hot key " + std::to_string(int(vkey)) + "+" + std::to_string(flags) + "\n";
    for (const std::string& path : bmhost::MenuItemPaths())
        text += path + " check " + std::to_string(bmhost::MenuItemCheck(path)) + "\n";
    for (const bmhost::SoundRecord& s : bmhost::SoundsPlayed())
        text += "sound " + s.state + " volume " + std::to_string(s.volume) + " pitch " + std::to_string(s.pitch) +
                " 3-D " + std::to_string(s.threeD) + " fade " + std::to_string(s.fadeMin) + "\n";
    return text + "focus " + std::to_string(reinterpret_cast<intptr_t>(XPGetWidgetWithFocus())) + "\n";
}

TEST(HostileSweep, AnotherScriptsHandlesTakeNothingAway) {
    bmtest::RunningPlugin plugin({{kSweepModule, SweepScript()}, {kForeign, SweepScript()}});
    PyObject* scriptModule = PyImport_ImportModule(kSweepModule);
    ASSERT_NE(scriptModule, nullptr);
    PyDict_SetItemString(PyModule_GetDict(scriptModule), "Script", plugin.Script(kSweepModule));
    PyDict_SetItemString(PyModule_GetDict(scriptModule), "other", plugin.Script(kForeign));
    Py_DECREF(scriptModule);
    DestroyWidgets();
    SetupWidgets("");
    BrindlemoorMenuHandler(nullptr, const_cast<char*>("ControlPanel"));
    ASSERT_NE(BrindlemoorWidget, nullptr);
    XPWidgetID panel = BrindlemoorWidget;
    {
        const std::string first = kSweepModule;  // BM_ScriptCall keeps the name it is given
        BM_ScriptCall call(first, BM_ActStart);
        RunPython(kSweepModule, SweepSetupCode() + "panel = " + std::to_string(reinterpret_cast<intptr_t>(panel)) + R"(
hotkey = new_hotkey()
XPLMControlCamera(script, xplm_ControlCameraForever, cb, 0)
XPLMAcquirePlanes(script, None, cb, 0)
own_item = new_item()
XPLMAppendMenuSeparator(plugins_menu)
XPAddWidgetCallback(script, widget, cb)
loop = XPLMCreateFlightLoop(script, (0, cb))
sound = XPLMPlayPCMOnBus(script, pcm, len(pcm), FMOD_SOUND_FORMAT_PCM16, 8000, 1, 1, xplm_AudioUI, cb, 0)
layer = new_layer()
avionics = XPLMRegisterAvionicsCallbacksEx(script, (0, cb, cb))
)");
    }
    auto handle = [&](const char* name) {
        PyObject* value = EvalPython(kSweepModule, name);
        void* h = reinterpret_cast<void*>(PyLong_AsSsize_t(value));
        Py_DECREF(value);
        return h;
    };
    XPLMWindowID window = handle("window");
    XPLMHotKeyID hotKey = handle("hotkey");
    const XPLMPluginID self = XPLMGetMyID();
    ASSERT_EQ(bmhost::CameraController(), self);
    ASSERT_EQ(bmhost::PlanesHolder(), self);

    int cases = 0;
    for (int row = 0; row < BM_SignatureCount; ++row) {
        const BM_Signature& signature = BM_Signatures[row];
        const std::string name = signature.function;
        const PlausibleCall* plausible = FindPlausibleCall(name);
        if (!plausible) continue;
        const std::vector<std::string> parameters = ParameterNames(signature.parameters);
        const bool takesSelf = !parameters.empty() && parameters[0] == "self";
        bool anyHandle = false;
        int variants = 1;
        for (const std::string& p : parameters) {
            auto found = kForeignHandles.find(p);
            if (found != kForeignHandles.end() || (takesSelf && p == "inDataRef")) anyHandle = true;
            if (found != kForeignHandles.end()) variants = std::max(variants, int(found->second.size()));
        }
        const bool drops = takesSelf && std::regex_search(name, std::regex("Unregister|Unshare|Dont|Release"));
        if (!anyHandle && !drops) continue;
        ASSERT_EQ(parameters.size(), plausible->args.size()) << name;
        for (int variant = 0; variant < variants; ++variant) {
            // Appending to the Plugins menu is anyone's (the items would be the second script's),
            // and destroying it is the simulator's to refuse.
            if (variant == 1 && (name.rfind("XPLMAppend", 0) == 0 || name == "XPLMDestroyMenu")) continue;
            std::string foreign = name + "(", unknown = name + "(";
            for (std::size_t i = 0; i < parameters.size(); ++i) {
                std::string arg = plausible->args[i], stranger = arg;
                auto found = kForeignHandles.find(parameters[i]);
                if (parameters[i] == "self") {
                    arg = stranger = "other";
                } else if (found != kForeignHandles.end()) {
                    arg = found->second[std::min<std::size_t>(std::size_t(variant), found->second.size() - 1)];
                    stranger = "0x7ead0000dead";
                } else if (ItemParameter(parameters[i])) {  // the first script's item
                    arg = stranger = variant == 1 ? "own_item" : "0";
                } else if (takesSelf && parameters[i] == "inDataRef") {
                    arg = "ref_own";
                    stranger = "0x7ead0000dead";
                }
                foreign += (i ? ", " : "") + arg;
                unknown += (i ? ", " : "") + stranger;
            }
            foreign += ")";
            unknown += ")";
            ++cases;
            const std::string before = ForeignView(window, hotKey);
            std::vector<std::string> sdkCalls;
            bmhost::SetSdkCallListener([&](const char* sdk) { sdkCalls.push_back(sdk); });
            const std::string answer = CallAs(kForeign, foreign);
            bmhost::SetSdkCallListener(nullptr);
            EXPECT_EQ(ForeignView(window, hotKey), before) << foreign << " answered " << answer;
            for (const std::string& sdk : sdkCalls)
                EXPECT_FALSE(Changes(sdk) || std::regex_search(sdk, std::regex("Create|Control|Planes")))
                    << foreign << " called " << sdk;
            EXPECT_FALSE(PyErr_Occurred()) << foreign;
            if (Changes(name) && answer.rfind("value", 0) == 0) {
                EXPECT_EQ(answer, CallAs(kForeign, unknown)) << foreign << " and " << unknown;
            }
        }
    }
    EXPECT_GT(cases, 40);

    // The first script removes all it made: each answers 1 and the simulator lets go.
    const std::pair<const char*, std::function<int()>> removals[] = {
        {"XPLMDestroyWindow(script, window)", bmhost::WindowCount},
        {"XPLMDestroyFlightLoop(script, loop)", bmhost::FlightLoopCount},
        {"XPLMDestroyProbe(script, probe)", [] { return bmhost::ProbeCount(); }},
        {"XPLMDestroyInstance(script, instance)", [] { return bmhost::InstanceCount(); }},
        {"XPLMUnloadObject(script, obj)", [] { return bmhost::ObjectReferenceCount(); }},
        {"XPLMUnregisterHotKey(script, hotkey)", bmhost::HotKeyCount},
        {"XPLMUnregisterDataAccessor(script, ref_own)", bmhost::PublishedDataCount},
        {"XPLMDestroyMenu(script, menu)", bmhost::PluginMenuCount},
        {"XPDestroyWidget(script, widget, 1)", [] { return bmhost::WidgetCount(); }},
        {"XPLMClearAllMenuItems(plugins_menu)", bmhost::MenuItemCount},
        {"XPLMDestroyMapLayer(script, layer)", [] { return bmhost::MapLayerCount("XPLM_MAP_USER_INTERFACE"); }},
        {"XPLMUnregisterAvionicsCallbacks(script, avionics)", [] { return bmhost::RegistrationCount(); }},
    };
    for (const auto& [call, count] : removals) {
        const int held = count();
        EXPECT_EQ(CallAs(kSweepModule, call), "value: 1") << call;
        EXPECT_LT(count(), held) << call;
    }
    EXPECT_EQ(CallAs(kSweepModule, "XPLMDontControlCamera(script)"), "value: 1");
    EXPECT_EQ(CallAs(kSweepModule, "XPLMReleasePlanes(script)"), "value: 1");
    EXPECT_EQ(bmhost::PlanesHolder(), XPLM_NO_PLUGIN_ID);
    // Of the Plugins menu, the plug-in's own item is all that is left.
    EXPECT_EQ(bmhost::MenuItemPaths(), (std::vector<std::string>{"Plugins/Brindlemoor", "Plugins/Brindlemoor/Control Panel",
                                                                "Plugins/Brindlemoor/Script Enable / Disable",
                                                                "Plugins/Brindlemoor/Script Information"}));

    // The panel, destroyed by the simulator, comes back at the next menu choice.
    XPDestroyWidget(panel, 1);
    EXPECT_EQ(BrindlemoorWidget, nullptr);
    BrindlemoorMenuHandler(nullptr, const_cast<char*>("ControlPanel"));  // as Plugins > Brindlemoor > Control Panel
    ASSERT_NE(BrindlemoorWidget, nullptr);
    EXPECT_EQ(bmhost::FindWidget(BrindlemoorTitle()), BrindlemoorWidget);
    EXPECT_TRUE(XPIsWidgetVisible(BrindlemoorWidget));
    DestroyWidgets();
}

// ---- Nothing piles up ----
//
// Two scripts that register one of every kind, and append items and a separator to the Plugins
// menu with their menus hanging from them. Whichever way the scripts restart, as often as they
// do, the simulator then holds what it held after the first start; and a script's own numbering
// of its Plugins-menu items holds whatever the other script did.

std::string Everything(const std::string& tag, bool camera) {
    return R"(from XPLMProcessing import *
from XPLMDisplay import *
from XPLMMenus import *
from XPLMDataAccess import *
from XPLMUtilities import *
from XPLMCamera import *
from XPLMPlanes import *
from XPWidgets import *
from XPStandardWidgets import *
from XPLMDefs import *
from XPLMSound import *
TAG = ')" + tag + R"('
class Brindlemoor:
    def XPluginStart(self):
        plugins = XPLMFindPluginsMenu()
        XPLMAppendMenuSeparator(plugins)
        self.Item = XPLMAppendMenuItem(plugins, TAG, 0, 1)
        self.Menu = XPLMCreateMenu(self, TAG, plugins, self.Item, self.Cb, 0)
        XPLMAppendMenuItem(self.Menu, TAG + ' item', 0, 1)
        XPLMAppendMenuItem(plugins, TAG + ' last', 0, 1)
        XPLMRegisterFlightLoopCallback(self, self.Loop, 1.0, 0)
        XPLMRegisterDrawCallback(self, self.Cb, xplm_Phase_Window, 0, 0)
        XPLMRegisterKeySniffer(self, self.Cb, 0, 0)
        XPLMCreateWindow(self, 10, 300, 300, 10, 1, self.Cb, self.Cb, self.Cb, 0)
        XPLMRegisterHotKey(self, XPLM_VK_F5, 0, TAG, self.Cb, 0)
        XPLMRegisterDataAccessor(self, TAG + '/value', xplmType_Int, 0, self.Cb, None, None, None, None, None,
                                 None, None, None, None, None, None, 0, 0)
        XPLMShareData(self, TAG + '/shared', xplmType_Int, self.Cb, 0)
        self.Widget = XPCreateWidget(10, 300, 300, 10, 1, TAG, 1, 0, xpWidgetClass_MainWindow)
        XPAddWidgetCallback(self, self.Widget, self.Cb)
        XPCreateCustomWidget(self, 20, 290, 100, 270, 1, TAG + ' custom', 0, self.Widget, self.Cb)
        XPLMRegisterCommandHandler(self, XPLMCreateCommand(TAG + '/command', TAG), self.Cb, 1, 0)
        XPLMPlayPCMOnBus(self, b'\x00\x10' * 100, 200, FMOD_SOUND_FORMAT_PCM16, 8000, 1, 1, xplm_AudioUI, self.Cb, 0)
        if )" + (camera ? "True" : "False") + R"(:
            XPLMControlCamera(self, xplm_ControlCameraForever, self.Cb, 0)
            XPLMAcquirePlanes(self, None, self.Cb, 0)
        return TAG, 'sig.' + TAG, ''
    def XPluginEnable(self):
        return 1
    def Loop(self, *args):
        return 1.0
    def Cb(self, *args):
        return 0
)";
}

TEST(HostileSweep, RestartsAndReloadsLeaveTheSimulatorHoldingWhatItHeld) {
    bmtest::RunningPlugin plugin({{"BM_Everything", Everything("Everything", true)},
                                  {"BM_After", Everything("After", false)}});
    DestroyWidgets();
    SetupWidgets("");
    BrindlemoorMenuHandler(nullptr, const_cast<char*>("ControlPanel"));
    bmhost::RunFrames(1);
    const std::string held = SimulatorHoldings();
    ASSERT_NE(held.find("Plugins/After/After item\n"), std::string::npos) << held;
    // The plug-in's item and menu of three; a separator and two items of each script's, and its menu of one.
    ASSERT_NE(held.find("menu items 12\n"), std::string::npos) << held;

    auto reload = [](const char* module) {
        return [module] {
            ASSERT_TRUE(BM_RequestReload(module));
            bmhost::RunFrames(1);
        };
    };
    const std::pair<const char*, std::function<void()>> restarts[] = {
        {"Stop and Start", [] { StopPython(1), StartPython(1); }},
        {"Reload Scripts", [] {
             XPSendMessageToWidget(ReLoadScripts, xpMsg_PushButtonPressed, xpMode_UpChain, intptr_t(ReLoadScripts), 0);
         }},
        {"reloading BM_Everything", reload("BM_Everything")},
        {"reloading BM_After", reload("BM_After")},
    };
    for (const auto& [how, restart] : restarts)
        for (int cycle = 0; cycle < 4; ++cycle) {
            restart();
            bmhost::RunFrames(1);
            ASSERT_EQ(SimulatorHoldings(), held) << how << ", cycle " << cycle;
            // Each script checks its own first Plugins-menu item, known to it by the index it was told.
            for (const std::string module : {"BM_Everything", "BM_After"}) {
                PyObject* dict = PyModule_GetDict(PyImport_AddModule(module.c_str()));
                PyDict_SetItemString(dict, "me", BMTestTable->GetScriptIdFromModuleName(module));
                BM_ScriptCall call(module, BM_ActReceiveMessage);
                RunPython(module, "XPLMCheckMenuItem(XPLMFindPluginsMenu(), me.Item, xplm_Menu_Checked)");
            }
            EXPECT_EQ(bmhost::MenuItemCheck("Plugins/Everything"), xplm_Menu_Checked) << how;
            EXPECT_EQ(bmhost::MenuItemCheck("Plugins/After"), xplm_Menu_Checked) << how;
            EXPECT_EQ(bmhost::MenuItemCheck("Plugins/Everything last"), xplm_Menu_NoCheck) << how;
            EXPECT_EQ(bmhost::MenuItemCheck("Plugins/Brindlemoor"), xplm_Menu_NoCheck) << how;
        }
    DestroyWidgets();
}
