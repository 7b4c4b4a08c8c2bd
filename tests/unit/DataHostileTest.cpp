// Data refs written and read by scripts that pass values that do not fit, odd positions and odd
// sequences: each gets a clear Python exception and nothing is written, or exactly the bytes it
// asked for; no error is ever left pending behind a value.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "ModuleSupport.h"
#include "PythonSupport.h"
#include "XPLMDataAccess.h"
#include "bmhost/Control.h"

namespace {

using bmtest::Count;

const char kScript[] = R"(
from XPLMDataAccess import *
ints = XPLMFindDataRef('sim/cockpit2/electrical/battery_on')
floats = XPLMFindDataRef('sim/cockpit2/engine/actuators/throttle_ratio')
tail = XPLMFindDataRef('sim/aircraft/view/acf_tailnum')
psi = XPLMFindDataRef('sim/flightmodel/position/psi')
night = XPLMFindDataRef('sim/cockpit/electrical/night_vision_on')

# Python 2's long integers and lazy ranges, under names that both lines know.
try:
    long_int, lazy_range = long, xrange
except NameError:
    long_int, lazy_range = int, range

# What a call gives: the repr of its result, or the exception it raised.
def outcome(f, *args):
    try:
        return repr(f(*args))
    except Exception as e:
        return '%s: %s' % (type(e).__name__, e)

class Brindlemoor:
    def XPluginStart(self):
        return 'H', 'sig.h', 'H'
    def XPluginEnable(self):
        return 1
    # An integer array of ten elements that records what each read asked for, and offers more
    # elements than it is asked for.
    def Publish(self):
        self.Asked = []
        self.Read = self.ReadTen
        self.Ref = XPLMRegisterDataAccessor(self, 'test/ten', xplmType_IntArray, 0, None, None, None, None, None,
                                            None, self.Read, None, None, None, None, None, 0, 0)
    def ReadTen(self, refcon, values, offset, count):
        self.Asked.append((values is None, offset, count))
        if values is None:
            return 10
        values.extend(range(100 + offset, 150 + offset))
        return 50

# A sequence whose second element cannot be had.
class Broken:
    def __len__(self):
        return 3
    def __getitem__(self, index):
        if index >= 1:
            raise KeyError('element %d is missing' % index)
        return 1
)";

class DataHostile : public ::testing::Test {
protected:
    DataHostile() : plugin(std::map<std::string, std::string>{{"BM_H", kScript}}) {}

    // The outcome of `call`, written as the arguments of outcome(): "XPLMSetDatavi, ints, [1], 0, 1".
    std::string Outcome(const std::string& call) { return Text("outcome(" + call + ")"); }
    std::string Text(const std::string& expression) {
        PyObject* value = plugin.Eval("BM_H", expression);
        EXPECT_FALSE(PyErr_Occurred()) << expression;
        std::string text = value && BM_TextAsUtf8(value) ? BM_TextAsUtf8(value) : "<no text>";
        Py_XDECREF(value);
        PyErr_Clear();
        return text;
    }
    // Runs statements in the script's module, where Script is the script's instance.
    void Run(const std::string& code) {
        plugin.Run("BM_H", "None");  // puts Script into the module
        PyObject* module = PyImport_ImportModule("BM_H");
        ASSERT_NE(module, nullptr);
        PyObject* globals = PyModule_GetDict(module);
        PyObject* result = PyRun_String(code.c_str(), Py_file_input, globals, globals);
        if (!result) PyErr_Print();
        EXPECT_NE(result, nullptr) << code;
        Py_XDECREF(result);
        Py_DECREF(module);
    }

    static XPLMDataRef Ref(const char* name) { return XPLMFindDataRef(name); }
    static std::vector<int> Ints() {
        std::vector<int> values(8);
        XPLMGetDatavi(Ref("sim/cockpit2/electrical/battery_on"), values.data(), 0, 8);
        return values;
    }
    static std::vector<float> Floats() {
        std::vector<float> values(8);
        XPLMGetDatavf(Ref("sim/cockpit2/engine/actuators/throttle_ratio"), values.data(), 0, 8);
        return values;
    }
    static std::string Tail() {
        std::string bytes(40, '?');
        XPLMGetDatab(Ref("sim/aircraft/view/acf_tailnum"), bytes.data(), 0, 40);
        return bytes.substr(0, bytes.find_last_not_of('\0') + 1);
    }

    bmtest::RunningPlugin plugin;
};

TEST_F(DataHostile, IntegersBeyondACIntRaiseOverflowErrorAndNothingIsWritten) {
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [7, 7, 7], 0, 3"), "1");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [2**70], 0, 1"),
              "OverflowError: XPLMSetDatavi: element 0 is out of range for a C int");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [2**40 + 1], 0, 1"),
              "OverflowError: XPLMSetDatavi: element 0 is out of range for a C int");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, (1, 2, -2**31 - 1), 0, 3"),
              "OverflowError: XPLMSetDatavi: element 2 is out of range for a C int");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [1, 2.0], 0, 2"), "TypeError: XPLMSetDatavi(): expected sequence of integers");
    EXPECT_EQ(Ints(), (std::vector<int>{7, 7, 7, 0, 0, 0, 0, 0}));

    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [-2**31, 2**31 - 1, long_int(2), True], 0, 4"), "1");
    EXPECT_EQ(Ints(), (std::vector<int>{INT_MIN, INT_MAX, 2, 1, 0, 0, 0, 0}));
    // The scalar setter, through the argument parser, agrees.
    EXPECT_EQ(Outcome("XPLMSetDatai, night, 2**31"), "OverflowError: XPLMSetDatai(): signed integer is greater than maximum");
}

TEST_F(DataHostile, FloatsBeyondTheFloatRangeRaiseOverflowError) {
    EXPECT_EQ(Outcome("XPLMSetDatavf, floats, [0.5, 1e300], 0, 2"),
              "OverflowError: XPLMSetDatavf: element 1 is out of range for a C float");
    EXPECT_EQ(Outcome("XPLMSetDatavf, floats, [-3.5e38], 0, 1"),
              "OverflowError: XPLMSetDatavf: element 0 is out of range for a C float");
    EXPECT_EQ(Floats(), std::vector<float>(8, 0.0f));

    // The largest floats, infinities and NaN are floats.
    EXPECT_EQ(Outcome("XPLMSetDatavf, floats, [3.4028234663852886e38, -3.4028234663852886e38, float('inf'), "
                      "float('-inf'), float('nan')], 0, 5"),
              "1");
    std::vector<float> written = Floats();
    EXPECT_EQ(written[0], FLT_MAX);
    EXPECT_EQ(written[1], -FLT_MAX);
    EXPECT_EQ(written[2], INFINITY);
    EXPECT_EQ(written[3], -INFINITY);
    EXPECT_TRUE(std::isnan(written[4]));

    EXPECT_EQ(Outcome("XPLMSetDataf, psi, 1e300"), "OverflowError: XPLMSetDataf(): float argument is out of range for a C float");
    EXPECT_EQ(Outcome("XPLMSetDataf, psi, 'north'"),
              BM_PY3 ? "TypeError: XPLMSetDataf(): must be real number, not str" : "TypeError: XPLMSetDataf(): a float is required");
    EXPECT_EQ(Text("repr(XPLMGetDataf(psi))"), "90.0");
    EXPECT_EQ(Outcome("XPLMSetDataf, psi, 180"), "1");
    EXPECT_EQ(Text("repr(XPLMGetDataf(psi))"), "180.0");
    // Drawing colours follow the same rule.
    EXPECT_EQ(Outcome("__import__('XPLMGraphics').XPLMDrawString, (1.0, -1e39, 0.0), 0, 0, 'x', 0, 0"),
              "OverflowError: XPLMDrawString(): float argument is out of range for a C float");
    EXPECT_EQ(Outcome("__import__('XPLMGraphics').XPLMDrawNumber, (1e39, 1.0, 0.0), 0, 0, 1.5, 3, 1, 0, 0"),
              "OverflowError: XPLMDrawNumber(): float argument is out of range for a C float");
}

TEST_F(DataHostile, NegativeOrHugePositionsWriteNothing) {
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [1], -1, 1"), "ValueError: XPLMSetDatavi: offset must not be negative");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [1], 0, -1"), "ValueError: XPLMSetDatavi: count must not be negative");
    EXPECT_EQ(Outcome("XPLMSetDatavf, floats, [1.0], -2**31, 1"),
              "ValueError: XPLMSetDatavf: offset must not be negative");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, 'x', -1, 1"), "ValueError: XPLMSetDatab: offset must not be negative");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, 'x', 0, -5"), "ValueError: XPLMSetDatab: count must not be negative");
    EXPECT_EQ(Outcome("XPLMSetDatavf, floats, [1.0], 2**31, 1"),
              "OverflowError: XPLMSetDatavf(): signed integer is greater than maximum");
    EXPECT_EQ(Outcome("XPLMGetDatavi, ints, [], -1, 2"), "ValueError: XPLMGetDatavi: offset must not be negative");
    EXPECT_EQ(Outcome("XPLMGetDatab, tail, [], 0, -1"), "ValueError: XPLMGetDatab: max must not be negative");
    // Asking for the length looks at neither.
    EXPECT_EQ(Outcome("XPLMGetDatavi, ints, None, -1, -1"), "8");

    // Past the end: nothing written, nothing read.
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [5], 2**31 - 1, 1"), "1");
    EXPECT_EQ(Ints(), std::vector<int>(8, 0));
    Run("values = []");
    EXPECT_EQ(Outcome("XPLMGetDatavi, ints, values, 2**31 - 1, 2**31 - 1"), "0");
    EXPECT_EQ(Outcome("XPLMGetDatab, tail, values, 40, 10"), "0");
    EXPECT_EQ(Text("repr(values)"), "[]");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [4, 5], 6, 2**31 - 1"), "1");
    EXPECT_EQ(Outcome("XPLMGetDatavi, ints, values, 6, 2**31 - 1"), "2");
    EXPECT_EQ(Text("repr(values)"), "[4, 5]");
}

TEST_F(DataHostile, ReadsSizeTheirBuffersFromTheData) {
    Run("values = []");
    EXPECT_EQ(Outcome("XPLMGetDatavf, floats, values, 0, 2**31 - 1"), "8");
    EXPECT_EQ(Text("repr(values)"), "[0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0]");
    Run("text = []");
    EXPECT_EQ(Outcome("XPLMGetDatab, tail, text, 1, 2**31 - 1"), "39");
    // A byte string: str under 2.7, bytes under 3.
    EXPECT_EQ(Text("repr(text)"), BM_PY3 ? "[b'172SP']" : "['172SP']");

    // A provider is asked for the length first, then for no more than what is left past the
    // offset, however large the script's maximum; what it offers beyond that is not taken.
    Run("Script.Publish()\nvalues = []");
    EXPECT_EQ(Outcome("XPLMGetDatavi, Script.Ref, values, 4, 2**31 - 1"), "6");
    EXPECT_EQ(Text("repr(Script.Asked)"), "[(True, 4, 2147483647), (False, 4, 6)]");
    EXPECT_EQ(Text("repr(values)"), "[104, 105, 106, 107, 108, 109]");
    EXPECT_EQ(Outcome("XPLMGetDatavi, Script.Ref, values, 8, 1"), "1");
    EXPECT_EQ(Text("repr(Script.Asked[-1])"), "(False, 8, 1)");
    // Nothing left past the offset: the provider is not asked for elements.
    EXPECT_EQ(Outcome("XPLMGetDatavi, Script.Ref, values, 10, 5"), "0");
    EXPECT_EQ(Text("repr(Script.Asked[-1])"), "(True, 10, 5)");
}

TEST_F(DataHostile, ByteWritesTakeStringsTextsAndBytes) {
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, 'N999', 0, 4"), "1");
    EXPECT_EQ(Tail(), "N999SP");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, u'\\xc4\\u20ac', 0, 6"), "1");  // written as UTF-8
    EXPECT_EQ(Tail(), "\xc3\x84\xe2\x82\xac");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, (b'ab',), 0, 2"), "1");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, [u'xyz'], 2, 3"), "1");
    EXPECT_EQ(Tail(), "abxyz");
    // Integers are signed or unsigned bytes; any sequence of them will do.
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, (65, -1, 255, -128), 0, 4"), "1");
    EXPECT_EQ(Tail(), "A\xff\xff\x80z");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, bytearray(b'hi'), 0, 2"), "1");
    EXPECT_EQ(Tail(), "hi\xff\x80z");
    // Only the bytes counted are written; a count beyond them writes zeros after them.
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, 'QRSTUV', 0, 3"), "1");
    EXPECT_EQ(Tail(), "QRS\x80z");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, 'Z', 1, 3"), "1");
    EXPECT_EQ(Tail(), std::string("QZ\0\0z", 5));

    EXPECT_EQ(Outcome("XPLMSetDatab, tail, [65, 256], 0, 2"),
              "OverflowError: XPLMSetDatab: element 1 is out of range for a byte (-128 to 255)");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, [-129], 0, 1"),
              "OverflowError: XPLMSetDatab: element 0 is out of range for a byte (-128 to 255)");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, [2**70], 0, 1"),
              "OverflowError: XPLMSetDatab: element 0 is out of range for a byte (-128 to 255)");
    const std::string typeError =
        "TypeError: XPLMSetDatab: expected a string, or a sequence of one string or of integers";
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, ['a', 'b'], 0, 2"), typeError);
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, [65, 'b'], 0, 2"), typeError);
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, [1.5], 0, 1"), typeError);
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, 5, 0, 1"), typeError);
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, [], 0, 1"), "TypeError: XPLMSetDatab(): expected sequence of bytes");
    EXPECT_EQ(Tail(), std::string("QZ\0\0z", 5));
}

TEST_F(DataHostile, SequencesAreWalkedOnlyAsFarAsTheyAreWritten) {
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, lazy_range(2**40), 0, 1"), "1");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, lazy_range(3, 2**40), 1, 2"), "1");
    EXPECT_EQ(Ints(), (std::vector<int>{0, 3, 4, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Outcome("XPLMSetDatavf, floats, [0.5, 'x', 1e300], 0, 1"), "1");
    EXPECT_FLOAT_EQ(Floats()[0], 0.5f);
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, lazy_range(65, 2**40), 0, 2"), "1");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, [67, 'x', 2**70], 2, 1"), "1");
    EXPECT_EQ(Tail(), "ABC2SP");
    // An element that cannot be had within the count is the script's error, and nothing is written.
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, Broken(), 0, 1"), "1");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, Broken(), 0, 3"), "KeyError: 'element 1 is missing'");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, Broken(), 0, 2"), "KeyError: 'element 1 is missing'");
    EXPECT_EQ(Ints(), (std::vector<int>{1, 3, 4, 0, 0, 0, 0, 0}));
}

TEST_F(DataHostile, HostFailuresAreOneReportAndZero) {
    auto line = [&](const std::string& function) { return "Module - XPLMDataAccess, Function - " + function +
                                                          ", Error = Parameter Error\n"; };
    Run("values = []");
    bmhost::FailNextCall("XPLMGetDatavf");
    EXPECT_EQ(Outcome("XPLMGetDatavf, floats, values, 0, 8"), "0");
    EXPECT_EQ(Text("repr(values)"), "[]");
    bmhost::FailNextCall("XPLMSetDatavi");
    EXPECT_EQ(Outcome("XPLMSetDatavi, ints, [1, 2], 0, 2"), "0");
    bmhost::FailNextCall("XPLMSetDatab");
    EXPECT_EQ(Outcome("XPLMSetDatab, tail, 'N1', 0, 2"), "0");
    bmhost::FailNextCall("XPLMSetDataf");
    EXPECT_EQ(Outcome("XPLMSetDataf, psi, 1.5"), "0");
    std::string log = plugin.Sim().Log();
    for (const char* function : {"XPLMGetDatavf", "XPLMSetDatavi", "XPLMSetDatab", "XPLMSetDataf"})
        EXPECT_EQ(Count(log, line(function)), 1u) << function;
    EXPECT_EQ(Ints(), std::vector<int>(8, 0));
    EXPECT_EQ(Tail(), "N172SP");
}

// The guard around a module function's own work: C++ exceptions become Python errors.
TEST_F(DataHostile, CppExceptionsOutsideTheHostCallBecomePythonErrors) {
    auto raised = [](auto thrower) {
        PyObject* result = BM_RaiseInstead([&]() -> PyObject* {
            thrower();
            return BM_One();
        });
        EXPECT_EQ(result, nullptr);
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyErr_NormalizeException(&type, &value, &traceback);  // Python 3 raises MemoryError without a value
        std::string text = type ? reinterpret_cast<PyTypeObject*>(type)->tp_name : "nothing";
        if (value) {
            PyObject* str = PyObject_Str(value);
            text += std::string(": ") + (str ? BM_TextAsUtf8(str) : "?");
            Py_XDECREF(str);
        }
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(traceback);
        return text;
    };
    // The built-in exception types: "exceptions.MemoryError" under 2.7, "MemoryError" under 3.
    const std::string module = BM_PY3 ? "" : "exceptions.";
    EXPECT_EQ(raised([] { throw std::bad_alloc(); }), module + "MemoryError: ");
    EXPECT_EQ(raised([] { std::vector<int>().reserve(std::vector<int>().max_size() + 1); }),
              module + "MemoryError: ");
    EXPECT_EQ(raised([] { throw std::runtime_error("went wrong"); }), module + "SystemError: went wrong");
    EXPECT_EQ(raised([] { throw 5; }), module + "SystemError: unknown C++ exception");
    EXPECT_FALSE(PyErr_Occurred());
}

}  // namespace
