// The module conventions, seen from a script: constants, out-parameters, guarded host calls and
// data refs at full pointer width.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include "ModuleSupport.h"
#include "PythonModules.h"
#include "PythonSupport.h"
#include "WidgetStuff.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;

const char kEmpty[] = "class Brindlemoor:\n    def XPluginStart(self):\n        return 'M', 'sig.m', 'M'\n";

class Modules : public ::testing::Test {
protected:
    Modules() : plugin(std::map<std::string, std::string>{{"BM_M", kEmpty}}) {}
    long Int(const std::string& expression) { return plugin.EvalInt("BM_M", expression); }
    std::string Repr(const std::string& expression) {
        PyObject* text = plugin.Eval("BM_M", "repr(" + expression + ")");
        std::string result = BM_TextAsUtf8(text);
        Py_DECREF(text);
        return result;
    }
    void Run(const std::string& code) {
        PyObject* mod = PyImport_ImportModule("BM_M");
        PyObject* globals = PyModule_GetDict(mod);
        PyObject* result = PyRun_String(code.c_str(), Py_file_input, globals, globals);
        if (!result) PyErr_Print();
        ASSERT_NE(result, nullptr) << plugin.Sim().Log();
        Py_DECREF(result);
        Py_DECREF(mod);
    }
    bmtest::RunningPlugin plugin;
};

TEST_F(Modules, XPLMDefsHoldsOnlyItsConstants) {
    Run("import XPLMDefs\n"
        "names = [n for n in dir(XPLMDefs) if not n.startswith('__')]\n"
        "callables = [n for n in names if callable(getattr(XPLMDefs, n))]\n");
    EXPECT_EQ(Int("len(names)"), 138);
    EXPECT_EQ(Int("len(callables)"), 0);
    EXPECT_EQ(Int("XPLMDefs.XPLM_VK_NUMPAD_EQ"), 189);
    EXPECT_EQ(Int("XPLMDefs.XPLM_NO_PLUGIN_ID"), -1);
    EXPECT_EQ(Int("XPLMDefs.XPLM_VK_F24"), 135);
    EXPECT_EQ(Int("XPLMDefs.XPLM_KEY_DECIMAL"), 46);
}

// Every built-in module that a script removed from sys.modules is found again by an import, with
// its functions and constants, as any module is; the standard streams stay the plug-in's.
TEST_F(Modules, ARemovedBuiltInModuleCanBeImportedAgain) {
    for (int i = 0; i < BM_ModuleCount; ++i) {
        if (!BM_Modules[i].init) continue;
        std::string name = BM_Modules[i].name;
        SCOPED_TRACE(name);
        Run("import sys\n"
            "first = sys.modules.pop('" + name + "')\n"
            "stdout = sys.stdout\n"
            "import " + name + "\n"
            "again = sys.modules['" + name + "']\n"
            "same = sorted(n for n in dir(first) if not n.startswith('__')) == "
            "sorted(n for n in dir(again) if not n.startswith('__'))\n");
        EXPECT_EQ(Int("same"), 1);
        EXPECT_EQ(Int("again is not first and stdout is sys.stdout"), 1);
    }
    EXPECT_EQ(Int("__import__('XPLMDefs').XPLM_VK_F24"), 135);
    Run("import sys\nsys.modules.pop('XPLMUtilities')\nfrom XPLMUtilities import XPLMSpeakString\n"
        "XPLMSpeakString('again')\n");
    EXPECT_EQ(bmhost::SpokenTexts().back(), "again");
}

TEST_F(Modules, OutParametersReplaceTheFirstElementOrAppend) {
    PyObject* empty = PyList_New(0);
    PyObject* full = Py_BuildValue("[iii]", 1, 2, 3);
    BM_WriteOutParameter(empty, BM_IntFromLong(9));
    BM_WriteOutParameter(full, BM_IntFromLong(9));
    BM_WriteOutParameter(Py_None, BM_IntFromLong(9));
    PyObject* repr = PyObject_Repr(empty);
    EXPECT_STREQ(BM_TextAsUtf8(repr), "[9]");
    Py_DECREF(repr);
    repr = PyObject_Repr(full);
    EXPECT_STREQ(BM_TextAsUtf8(repr), "[9, 2, 3]");
    Py_DECREF(repr);
    Py_DECREF(empty);
    Py_DECREF(full);
    EXPECT_TRUE(BM_CheckOutParameter(Py_None, "f"));
    EXPECT_FALSE(BM_CheckOutParameter(Py_True, "f"));
    PyErr_Clear();
}

TEST_F(Modules, AFailedHostCallIsOneReportAndZero) {
    Run("from XPLMDataAccess import *\nref = XPLMFindDataRef('sim/flightmodel/position/psi')\n");
    bmhost::FailNextCall("XPLMGetDataf");
    std::string pending = PendingPrintText();
    EXPECT_EQ(Repr("XPLMGetDataf(ref)"), "0");
    const std::string line = "Module - XPLMDataAccess, Function - XPLMGetDataf, Error = Parameter Error\n";
    EXPECT_EQ(Count(plugin.Sim().Log(), line), 1u);
    EXPECT_EQ(PendingPrintText().substr(pending.size()).find("Module - XPLMDataAccess, Function -"), 0u);
    EXPECT_FALSE(PyErr_Occurred());
    EXPECT_EQ(Repr("XPLMGetDataf(ref)"), "90.0");

    bmhost::FailNextCall("XPLMFindDataRef");
    EXPECT_EQ(Repr("XPLMFindDataRef('sim/flightmodel/position/psi')"), "None");
    bmhost::FailNextCall("XPLMGetElapsedTime");
    EXPECT_EQ(Repr("__import__('XPLMProcessing').XPLMGetElapsedTime()"), "0.0");
}

TEST_F(Modules, HandlesKeepAllTheirBits) {
    Run("from XPLMDataAccess import *\nfrom XPLMMenus import *\n"
        "ref = XPLMFindDataRef('sim/flightmodel/position/psi')\n"
        "plugins = XPLMFindPluginsMenu()\n");
    EXPECT_GT(Int("int(ref > 0xFFFFFFFF)"), 0);
    EXPECT_GT(Int("int(plugins > 0xFFFFFFFF)"), 0);
    EXPECT_EQ(Repr("XPLMGetDataf(ref)"), "90.0");
    EXPECT_EQ(Repr("XPLMGetDataf(ref & 0xFFFFFFFF)"), "0.0");
    EXPECT_EQ(Repr("XPLMAppendMenuItem(plugins, 'Mine', 0, 1)"), "0");
}

TEST_F(Modules, ArgumentsThatDoNotMatchRaiseTypeError) {
    Run("from XPLMDataAccess import *\n"
        "def outcome(call):\n"
        "    try:\n"
        "        call()\n"
        "        return 'no error'\n"
        "    except TypeError as e:\n"
        "        return 'TypeError: %s' % e\n"
        "class Old:\n"
        "    pass\n");
    EXPECT_EQ(Repr("outcome(lambda: XPLMGetDatai('not a ref'))[:11]"), "'TypeError: '");
    // An instance of a plain class (a script object, say) for a number: Python 2's parser would
    // say AttributeError of the old-style instance; Python 3's says TypeError itself.
    EXPECT_EQ(Repr("outcome(lambda: XPLMSetDatai(Old(), 1))"),
              BM_PY3 ? "\"TypeError: XPLMSetDatai(): 'Old' object cannot be interpreted as an integer\""
                     : "\"TypeError: XPLMSetDatai(): expected a number (Old instance has no attribute '__trunc__')\"");
}

// A float for an integer argument: under 2.7 the simulator gets it truncated towards zero, NaN
// raises TypeError, an infinity OverflowError, and a truncation beyond the C type is refused as the
// same integer is; under 3 every float raises TypeError. Handles take integers only on both lines.
// What is refused reaches no simulator function.
TEST_F(Modules, AFloatForAnIntegerArgumentIsTruncatedUnder27AndRefusedUnder3) {
    const bool py27 = BM_PYTHON_MAJOR == 2;
    PyObject* module = PyImport_ImportModule("BM_M");
    PyObject_SetAttrString(module, "script", plugin.Script("BM_M"));
    Py_DECREF(module);
    Run("from XPLMDataAccess import *\nfrom XPLMDisplay import *\nfrom XPLMGraphics import *\n"
        "from XPLMMenus import *\nfrom XPLMNavigation import *\nfrom XPLMUtilities import *\n"
        "from XPWidgets import *\nfrom XPStandardWidgets import *\nfrom XPLMDefs import *\n"
        "def outcome(call):\n"
        "    try:\n"
        "        call()\n"
        "        return 'ok'\n"
        "    except Exception as e:\n"
        "        return '%s: %s' % (type(e).__name__, e)\n"
        "def keep(value):\n"
        "    global kept\n"
        "    kept = value\n"
        "def cb(*args):\n"
        "    return 1\n"
        "def hot_key():\n"
        "    vkey = []\n"
        "    XPLMGetHotKeyInfo(hotkey, vkey, None, None, None)\n"
        "    return vkey[0]\n"
        "ref = XPLMFindDataRef('sim/cockpit/electrical/night_vision_on')\n"
        "hotkey = XPLMRegisterHotKey(script, XPLM_VK_F5, 0, 'Floats', cb, 0)\n"
        "plugins = XPLMFindPluginsMenu()\n"
        "menu = XPLMCreateMenu(script, 'Floats', plugins, XPLMAppendMenuItem(plugins, 'Floats', 0, 1), cb, 0)\n"
        "XPLMAppendMenuItem(menu, 'First', 0, 1)\n"
        "command = XPLMCreateCommand('bm/floats', 'Floats')\n"
        "widget = XPCreateWidget(10, 400, 300, 10, 1, 'Floats', 1, 0, xpWidgetClass_MainWindow)\n");
    auto text = [&](const std::string& expression) {
        PyObject* value = plugin.Eval("BM_M", expression);
        std::string result = value ? BM_TextAsUtf8(value) : "";
        Py_XDECREF(value);
        return result;
    };
    struct Outcome {
        std::string text;
        int sdkCalls;
    };
    auto call = [&](const std::string& expression) {
        int calls = 0;
        bmhost::SetSdkCallListener([&](const char*) { ++calls; });
        std::string result = text("outcome(lambda: " + expression + ")");
        bmhost::SetSdkCallListener(nullptr);
        return Outcome{result, calls};
    };
    struct Row {
        const char* call;                      // "{}" stands for the float
        const char* argument;                  // as a refusal names it, with the function
        const char* value;                     // a float whose truncation the C type holds
        std::function<std::string()> reached;  // what the simulator holds, or answered
        const char* truncated;                 // reached after the call with `value`
        const char* handle;                    // a call with a handle given as a float, or ""
    };
    const Row rows[] = {
        {"XPLMSetDatai(ref, {})", "XPLMSetDatai() argument 2", "-7.9",
         [] { return std::to_string(bmhost::ReadInt("sim/cockpit/electrical/night_vision_on")); }, "-7",
         "XPLMSetDatai(float(ref), 1)"},
        {"XPLMSetHotKeyCombination(hotkey, {}, 0)", "XPLMSetHotKeyCombination() argument 2", "113.9",  // "b": XPLM_VK_F2
         [&] { return Repr("hot_key()"); }, "113", "XPLMSetHotKeyCombination(float(hotkey), XPLM_VK_F2, 0)"},
        {"keep(XPLMGetTexture({}))", "XPLMGetTexture() argument 1", "1.9", [&] { return Repr("kept"); }, "1001",
         "XPLMGetDatai(float(ref))"},
        // A parenthesised group (the colour) is one argument. Outside a frame nothing is drawn.
        {"XPLMDrawNumber((1.0, 1.0, 1.0), 20, {}, 3.25, 3, 2, 1, xplmFont_Basic)", "XPLMDrawNumber() argument 3", "20.5",
         [] { return std::string(); }, "", ""},
        {"XPLMCheckMenuItem(menu, 0, {})", "XPLMCheckMenuItem() argument 3", "2.5",
         [] { return std::to_string(bmhost::MenuItemCheck("Plugins/Floats/First")); }, "2",
         "XPLMCheckMenuItem(float(menu), 0, 2)"},
        {"XPLMCommandKeyStroke({})", "XPLMCommandKeyStroke() argument 1", "5.99",
         [] {
             return bmhost::CommandKeyStrokes().empty() ? "none" : std::to_string(bmhost::CommandKeyStrokes().back());
         },
         "5", "XPLMCommandOnce(float(command))"},
        {"XPSetWidgetGeometry(widget, {}, 400, 300, 10)", "XPSetWidgetGeometry() argument 2", "-20.7", [] { return bmhost::WidgetTree(); },
         "MainWindow -20,400,300,10 \"Floats\" visible\n", "XPSetWidgetGeometry(float(widget), 0, 400, 300, 10)"},
        // The frequency is read by the module itself, not by the parser.
        {"keep(XPLMFindNavAid(None, None, None, None, {}, xplm_Nav_VOR))", "XPLMFindNavAid: the frequency", "11680.7",
         [&] { return Repr("kept == XPLMFindNavAid(None, None, None, None, 11680, xplm_Nav_VOR) != -1"); }, "True", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.call);
        auto with = [&](const std::string& value) {
            std::string expression = row.call;
            return expression.replace(expression.find("{}"), 2, value);
        };
        Run("kept = None\n");
        const std::string before = row.reached();
        Outcome taken = call(with(row.value));
        if (py27) {
            EXPECT_EQ(taken.text, "ok");
            EXPECT_EQ(row.reached(), row.truncated);
        } else {
            EXPECT_EQ(taken.text.substr(0, 11), "TypeError: ") << taken.text;
            EXPECT_EQ(taken.sdkCalls, 0);
            EXPECT_EQ(row.reached(), before);
        }
        const std::string after = row.reached();
        for (const std::string bad : {"float('nan')", "float('inf')", "-float('inf')", "1e20", "-2147483649.5"}) {
            Outcome refused = call(with(bad));
            EXPECT_EQ(refused.sdkCalls, 0) << bad;
            if (!py27) {
                EXPECT_EQ(refused.text.substr(0, 11), "TypeError: ") << refused.text;
            } else if (bad == "float('nan')") {
                EXPECT_EQ(refused.text, std::string("TypeError: ") + row.argument + " is a float NaN, not an integer");
            } else if (bad.find("inf") != std::string::npos) {
                EXPECT_EQ(refused.text,
                          std::string("OverflowError: ") + row.argument + " is a float infinity, beyond every integer");
            } else {  // refused as the integer of its truncation is
                const std::string asInteger = call(with("int(" + bad + ")")).text;
                EXPECT_EQ(asInteger.substr(0, 15), "OverflowError: ") << asInteger;
                EXPECT_EQ(refused.text, asInteger) << bad;
            }
        }
        EXPECT_EQ(row.reached(), after);
        if (*row.handle) {
            Outcome refused = call(row.handle);
            EXPECT_EQ(refused.text.substr(0, 11), "TypeError: ") << refused.text;
            EXPECT_EQ(refused.sdkCalls, 0);
        }
        EXPECT_FALSE(PyErr_Occurred());
    }

    // The parser's other codes: an "es" or "et" is one argument, what follows '|' counts, and what
    // follows ':' or ';' does not. A NaN is refused before any value is written, so that the
    // formats need no pointers here.
    if (py27) {
        const struct {
            const char* format;
            int count, position;
        } formats[] = {{"(ii)(O)Oi", 4, 4}, {"O!s#z|ih:name", 5, 5}, {"esO&l;message", 3, 3}, {"et#|OL", 3, 3}};
        for (const auto& f : formats) {
            PyObject* args = PyTuple_New(f.count);
            for (int i = 0; i < f.count; ++i) {
                if (i + 1 != f.position) Py_INCREF(Py_None);
                PyTuple_SET_ITEM(args, i, i + 1 == f.position ? PyFloat_FromDouble(NAN) : Py_None);
            }
            EXPECT_EQ(BM_ParseTuple(args, f.format), 0) << f.format;
            PyObject *type, *value, *traceback;
            PyErr_Fetch(&type, &value, &traceback);
            PyObject* message = value ? PyObject_Str(value) : nullptr;
            EXPECT_EQ(type, PyExc_TypeError) << f.format;
            EXPECT_EQ(message ? BM_TextAsUtf8(message) : "",
                      "argument " + std::to_string(f.position) + " is a float NaN, not an integer");
            Py_XDECREF(message);
            Py_XDECREF(type);
            Py_XDECREF(value);
            Py_XDECREF(traceback);
            Py_DECREF(args);
        }
    }
}

TEST_F(Modules, FunctionsWithoutArgumentsRefuseArguments) {
    Run("import XPLMProcessing, XPLMMenus, XPLMDisplay, TallowbridgeUtilities\n"
        "def refused(f, *args):\n"
        "    try:\n"
        "        f(*args)\n"
        "        return 'accepted'\n"
        "    except TypeError as e:\n"
        "        return str(e)\n");
    const std::pair<const char*, const char*> functions[] = {
        {"XPLMProcessing", "XPLMGetElapsedTime"},       {"XPLMProcessing", "XPLMGetCycleNumber"},
        {"XPLMMenus", "XPLMFindPluginsMenu"},           {"XPLMDisplay", "XPLMCountHotKeys"},
        {"TallowbridgeUtilities", "TallowbridgeClearDisplay"}, {"TallowbridgeUtilities", "TallowbridgeClearPrint"},
    };
    for (const auto& [module, name] : functions) {
        std::string call = std::string(module) + "." + name;
        // From Python 3.9 the interpreter names a built-in function with its module.
        std::string named = PY_VERSION_HEX >= 0x03090000 ? call : name;
        EXPECT_EQ(Repr("refused(" + call + ", 1)"), "'" + named + "() takes no arguments (1 given)'");
        EXPECT_EQ(Repr("refused(" + call + ")"), "'accepted'");
        EXPECT_FALSE(PyErr_Occurred());
    }
    EXPECT_EQ(Repr("XPLMDisplay.XPLMCountHotKeys()"), "0");
    EXPECT_EQ(Repr("TallowbridgeUtilities.TallowbridgeClearPrint()"), "0");
}

// Standard output goes to the output file and standard error to the log byte for byte; the
// print console shows a NUL as "\0". Text strings are written as UTF-8.
TEST_F(Modules, ScriptOutputKeepsEveryByte) {
    std::string output = plugin.Sim().Output(), log = plugin.Sim().Log(), pending = PendingPrintText();
    Run("import sys\n"
        "print('a\\0b')\n"
        "sys.stderr.write('c\\0d\\n')\n"
        "print(u'\\xe9')\n");
    EXPECT_EQ(plugin.Sim().Output().substr(output.size()), std::string("a\0b\n\xc3\xa9\n", 7));
    EXPECT_EQ(plugin.Sim().Log().substr(log.size()), std::string("c\0d\n", 4));
    EXPECT_EQ(PendingPrintText().substr(pending.size()), "a\\0b;c\\0d;\xc3\xa9;");
    Run("try:\n"
        "    sys.stdout.write(5)\n"
        "except TypeError as e:\n"
        "    refused = str(e)\n");
    EXPECT_EQ(Repr("refused"), "'PrintStdout(): expected a string, got int'");
    // A write answers as a file's does: nothing under 2.7, the characters written under 3.
    EXPECT_EQ(Repr("sys.stdout.write(u'\\xe9\\n')"), BM_PY3 ? "2" : "None");
    EXPECT_FALSE(PyErr_Occurred());
}

}  // namespace

namespace {

// What registering refuses, and with which words; nothing reaches the simulator.
TEST_F(Modules, RegisteringNeedsTheScriptObjectAndCallables) {
    int loops = bmhost::FlightLoopCount();
    Run("from XPLMProcessing import *\n"
        "from XPLMDisplay import *\n"
        "from XPLMGraphics import *\n"
        "class Other:\n"
        "    def Loop(self, *a): return 1.0\n"
        "def refusal(call):\n"
        "    try:\n"
        "        call()\n"
        "        return 'accepted'\n"
        "    except TypeError as e:\n"
        "        return str(e)\n");
    PyObject* script = plugin.Script("BM_M");
    PyObject* module = PyImport_ImportModule("BM_M");
    PyObject_SetAttrString(module, "script", script);
    Py_DECREF(module);
    const std::string selfMissing = "the first argument must be the script object (self)";
    EXPECT_EQ(Repr("refusal(lambda: XPLMRegisterFlightLoopCallback(None, Other().Loop, 1.0, 0))"),
              "'XPLMRegisterFlightLoopCallback(): " + selfMissing + ", not NoneType; was it left out?'");
    EXPECT_EQ(Repr("refusal(lambda: XPLMRegisterFlightLoopCallback(5, Other().Loop, 1.0, 0))"),
              "'XPLMRegisterFlightLoopCallback(): " + selfMissing + ", not int; was it left out?'");
    EXPECT_EQ(Repr("refusal(lambda: XPLMRegisterFlightLoopCallback(Other(), Other().Loop, 1.0, 0))"),
              "'XPLMRegisterFlightLoopCallback(): " + selfMissing + ", not " +
                  (BM_PY3 ? "Other" : "instance") + "; was it left out?'");  // an old-style instance under 2.7
    // Left out: the count is one short, and the first argument no script object.
    EXPECT_EQ(Repr("refusal(lambda: XPLMRegisterFlightLoopCallback(Other().Loop, 1.0, 0))"),
              "'XPLMRegisterFlightLoopCallback() takes exactly 4 arguments (3 given): " + selfMissing + ", not " +
                  (BM_PY3 ? "method" : "instancemethod") + "; was it left out?'");
    EXPECT_EQ(Repr("refusal(lambda: XPLMRegisterFlightLoopCallback())"),
              "'XPLMRegisterFlightLoopCallback() takes exactly 4 arguments (0 given): " + selfMissing +
                  "; was it left out?'");
    // Short of another argument: the parser's own words, naming the function.
    EXPECT_EQ(Repr("refusal(lambda: XPLMRegisterFlightLoopCallback(script, Other().Loop, 1.0))"),
              "'XPLMRegisterFlightLoopCallback() takes exactly 4 arguments (3 given)'");
    EXPECT_EQ(Repr("refusal(lambda: XPLMDrawString((1.0, 1.0, 1.0), 10, 10, 'text', None))"),
              "'XPLMDrawString() takes exactly 6 arguments (5 given)'");
    EXPECT_EQ(Repr("refusal(lambda: XPLMRegisterFlightLoopCallback(script, 42, 1.0, 0))"),
              "'XPLMRegisterFlightLoopCallback: the callback must be callable, not int'");
    EXPECT_EQ(Repr("refusal(lambda: XPLMCreateWindow(script, 0, 10, 10, 0, 1, Other().Loop, None, Other().Loop, 0))"),
              "'XPLMCreateWindow: the key callback must be callable, not NoneType'");
    EXPECT_EQ(Repr("refusal(lambda: XPLMRegisterFlightLoopCallback(script, Other().Loop, 1.0, 0))"), "'accepted'");
    EXPECT_EQ(bmhost::FlightLoopCount(), loops + 1);
    EXPECT_EQ(bmhost::WindowCount(), 0);
    EXPECT_EQ(BMTestTable->GetScriptTableSize(), 1);  // no entry for the objects refused
    EXPECT_FALSE(PyErr_Occurred());
}

// Unregistering takes the registration made with the same callable (the very object, or the
// same bound method made anew) and refcon, and only that one.
TEST_F(Modules, UnregisteringNamesWhatWasRegistered) {
    Run("from XPLMProcessing import *\n"
        "class Holder:\n"
        "    def Loop(self, *a): return 1.0\n");
    PyObject* module = PyImport_ImportModule("BM_M");
    PyObject_SetAttrString(module, "script", plugin.Script("BM_M"));
    Py_DECREF(module);
    Run("h = Holder()\n"
        "XPLMRegisterFlightLoopCallback(script, h.Loop, 1.0, 1)\n"
        "XPLMRegisterFlightLoopCallback(script, h.Loop, 1.0, 2)\n"
        "XPLMRegisterFlightLoopCallback(script, h.Loop, 2.0, 2)\n"  // the same again: a new interval only
        "answers = [XPLMUnregisterFlightLoopCallback(script, h.Loop, 2),\n"
        "           XPLMUnregisterFlightLoopCallback(script, h.Loop, 2),\n"
        "           XPLMUnregisterFlightLoopCallback(script, Holder().Loop, 1)]\n");
    EXPECT_EQ(Repr("answers"), "[1, 0, 0]");
    EXPECT_EQ(bmhost::FlightLoopCount(), 1);
    EXPECT_EQ(BMTestTable->GetNumberOfFlightLoopScriptUsers(), 1);
}

// An object whose class test runs script code that registers more scripts' instances: the
// check of the first argument must not trip over the table growing under it.
TEST_F(Modules, AFirstArgumentWhoseClassTestRegistersIsRefusedSafely) {
    Run("from XPLMProcessing import *\n"
        "class Evil(object):\n"
        "    @property\n"
        "    def __class__(self):\n"
        "        if not getattr(Evil, 'done', 0):\n"
        "            Evil.done = 1\n"
        "            for i in range(40):\n"
        "                XPLMRegisterFlightLoopCallback(Brindlemoor(), Brindlemoor().XPluginStart, 0.0, i)\n"
        "        return Evil\n"
        "try:\n"
        "    XPLMRegisterFlightLoopCallback(Evil(), Evil, 0.0, 0)\n"
        "    outcome = 'accepted'\n"
        "except TypeError:\n"
        "    outcome = 'refused'\n");
    EXPECT_EQ(Repr("outcome"), "'refused'");
    EXPECT_EQ(BMTestTable->GetNumberOfFlightLoopScriptUsers(), 40);
    EXPECT_FALSE(PyErr_Occurred());
}

// What a script raises for an expression, as "ExceptionName", or "ok".
const char kRaises[] = "def raises(f, *args):\n"
                       "    try:\n"
                       "        f(*args)\n"
                       "        return 'ok'\n"
                       "    except Exception as e:\n"
                       "        return type(e).__name__\n";

TEST_F(Modules, SimulatorPathsReachScriptsInSlashFormFromEitherPathForm) {
    Run("from XPLMUtilities import *\n");
    const std::string root = plugin.Sim().Root();
    EXPECT_EQ(Repr("XPLMGetSystemPath()"), "'" + root + "'");
    EXPECT_EQ(Repr("XPLMExtractFileAndPath('/a/b:c/d.acf')"), "('d.acf', '/a/b:c')");
    bmhost::SetClassicPaths(true);
    EXPECT_EQ(Repr("XPLMGetDirectorySeparator()"), "':'");
    EXPECT_EQ(Repr("XPLMGetSystemPath()"), "'/Volumes/Disk" + root + "'");
    EXPECT_EQ(Repr("XPLMGetPrefsPath()"), "'/Volumes/Disk" + root + "Output/preferences/X-Plane.prf'");
    // The simulator cuts the path at its last ':'; the script's string is left as it was.
    Run("path = '/Volumes/Disk/Aircraft/C172/C172.acf'\nparts = XPLMExtractFileAndPath(path)\n");
    EXPECT_EQ(Repr("parts"), "('C172.acf', '/Volumes/Disk/Aircraft/C172')");
    EXPECT_EQ(Repr("path"), "'/Volumes/Disk/Aircraft/C172/C172.acf'");
    bmhost::SetClassicPaths(false);
}

TEST_F(Modules, DirectoryContentsAppendNamesAndCountTheFolder) {
    const std::string folder = plugin.Sim().Root() + "listing";
    std::filesystem::create_directory(folder);
    for (const char* name : {"b.txt", "a.txt", "c"}) std::ofstream(folder + "/" + name) << "x";
    Run("from XPLMUtilities import *\n"
        "names, index, total, returned = [], [], [], ['old', 'kept']\n"
        "first = XPLMGetDirectoryContents('" + folder + "', 0, names, 64, index, 8, total, returned)\n"
        "again = XPLMGetDirectoryContents('" + folder + "', 1, names, 64, None, 0, None, None)\n"
        "small_index = []\n"
        "small = XPLMGetDirectoryContents('" + folder + "', 0, None, 8, small_index, 8, None, None)\n"
        "missing = XPLMGetDirectoryContents('" + folder + "/nothing', 0, [], 64, [], 8, [], [])\n" + kRaises +
        "refused = [raises(XPLMGetDirectoryContents, '/', 0, None, -1, None, 0, None, None),\n"
        "           raises(XPLMGetDirectoryContents, '/', 0, None, 64, None, 2**31 - 1, None, None),\n"
        "           raises(XPLMGetDirectoryContents, '/', 0, (), 64, None, 0, None, None)]\n");
    EXPECT_EQ(Repr("(first, again, small, missing)"), "((1,), (1,), (0,), (0,))");
    EXPECT_EQ(Repr("names"), "['a.txt', 'b.txt']");
    EXPECT_EQ(Repr("(index, total, returned)"), "(['a.txt', 'b.txt', 'c'], [3], [3, 'kept'])");
    EXPECT_EQ(Repr("small_index"), "['a.txt']");
    EXPECT_EQ(Repr("refused"), "['ValueError', 'ValueError', 'TypeError']");
}

TEST_F(Modules, UtilitiesReachTheSimulator) {
    Run("from XPLMUtilities import *\nfrom XPLMDefs import *\n" + std::string(kRaises) +
        "answers = [XPLMSpeakString('Gear down'), XPLMCommandKeyStroke(xplm_key_gear),\n"
        "           XPLMCommandButtonPress(xplm_joy_flapsdn), XPLMCommandButtonRelease(xplm_joy_flapsdn),\n"
        "           XPLMDebugString('debug text\\n'), XPLMReloadScenery()]\n"
        "keys = [XPLMGetVirtualKeyDescription(XPLM_VK_F1), XPLMGetVirtualKeyDescription(XPLM_VK_NUMPAD_EQ),\n"
        "        XPLMGetVirtualKeyDescription(0x3A), raises(XPLMGetVirtualKeyDescription, 256)]\n");
    EXPECT_EQ(Repr("answers"), "[1, 1, 1, 1, 1, 1]");
    EXPECT_EQ(Repr("keys"), "['F1', 'NUMPAD_EQ', None, 'OverflowError']");
    EXPECT_EQ(Repr("(XPLMGetVersions(), XPLMGetLanguage(), XPLMInitialized())"), "((12100, 400, 1), 1, 1)");
    EXPECT_EQ(Repr("(xplm_key_max, xplm_joy_max, xplm_key_pause, xplm_Language_Korean, xplm_Host_XAuto)"),
              "(94, 94, 0, 6, 7)");
    EXPECT_EQ(bmhost::SpokenTexts(), std::vector<std::string>{"Gear down"});
    EXPECT_EQ(bmhost::CommandKeyStrokes(), std::vector<int>{5});
    // A view key chooses the view once the script's call is over.
    Run("XPLMCommandKeyStroke(xplm_key_chase)\nview_key = 1\n");
    EXPECT_EQ(bmhost::CurrentView(), "forward");
    bmhost::RunFrames(1);
    EXPECT_EQ(bmhost::CurrentView(), "chase");
    EXPECT_EQ(bmhost::ButtonEvents(), (std::vector<int>{48, ~48}));
    EXPECT_EQ(bmhost::ReloadSceneryCount(), 1);
    EXPECT_EQ(Count(bmhost::SimLog(), "debug text\n"), 1u);
}

TEST_F(Modules, TheVirtualCameraItemsAreReadAndWritten) {
    Run("from TallowbridgeVCUtilities import *\n" + std::string(kRaises) +
        "answers = [VC_SetXOffset(0.1), VC_SetCameraIndex(3), VC_AcquireCamera(), VC_SetZoomRatio(2.5),\n"
        "           VC_SetLookAtAircraft(4)]\n"
        "refused = [raises(VC_SetXOffset, 1e39), raises(VC_SetCameraIndex, 2**31), raises(VC_SetYOffset, 'x')]\n");
    EXPECT_EQ(Repr("answers"), "[0, 0, 0, 0, 0]");
    EXPECT_EQ(Repr("refused"), "['OverflowError', 'OverflowError', 'TypeError']");
    EXPECT_EQ(bmhost::ReadFloat("tallowbridge/virtualcamera/xoffset"), 0.1f);
    EXPECT_EQ(bmhost::ReadInt("tallowbridge/virtualcamera/cameraindex"), 3);
    EXPECT_EQ(bmhost::ReadInt("tallowbridge/virtualcamera/acquirecamera"), 1);
    EXPECT_EQ(Repr("(VC_GetXOffset() == float('%r' % 0.1) , VC_GetXOffset() == 0.10000000149011612)"), "(False, True)");
    EXPECT_EQ(Repr("(VC_GetCameraIndex(), VC_GetZoomRatio(), VC_GetLookAtAircraft(), VC_CameraPluginReady())"),
              "(3, 2.5, 4, 0)");
    bmhost::WriteInt("tallowbridge/virtualcamera/camerapluginready", 1);
    EXPECT_EQ(Int("VC_CameraPluginReady()"), 1);
}

}  // namespace
