#include "ModuleSupport.h"

#include "BrindlemoorTrampolines.h"
#include "ModuleSignatures.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <climits>
#include <cstring>
#include <unordered_map>
#include <utility>

#include "BrindlemoorBase.h"
#include "ScriptReport.h"
#include "ScriptThreads.h"
#include "WidgetStuff.h"
#include "XPLMUtilities.h"

namespace {

// Argument codes of the parser that take a float under 2.7: the integers whose range it checks.
bool IntegerCode(char code) { return code == 'b' || code == 'h' || code == 'i' || code == 'l' || code == 'L'; }

// What a format asks of the top-level arguments: how many at least and at most, and which of the
// first 64 positions hold an integer code. A parenthesised group is one argument; "es" and "et"
// are one argument each (their 'e' is not counted); modifiers ('#', '*', '!', '&') follow their
// code; ':' and ';' end the codes.
struct FormatShape {
    int least = -1;
    int most = 0;
    uint64_t integers = 0;  // bit i: argument i + 1
};

FormatShape ShapeOf(const char* format) {
    FormatShape shape;
    int level = 0;
    for (const char* c = format; *c && *c != ':' && *c != ';'; ++c) {
        if (*c == '(') {
            if (level++ == 0) ++shape.most;
        } else if (*c == ')') {
            --level;
        } else if (level == 0 && *c == '|') {
            shape.least = shape.most;
        } else if (level == 0 && std::isalpha(static_cast<unsigned char>(*c)) && *c != 'e') {
            if (IntegerCode(*c) && shape.most < 64) shape.integers |= uint64_t(1) << shape.most;
            ++shape.most;
        }
    }
    if (shape.least < 0) shape.least = shape.most;
    return shape;
}

// A new tuple of the same items (PyTuple_GetSlice would answer the tuple itself).
PyObject* CopyOf(PyObject* tuple) {
    const Py_ssize_t count = PyTuple_GET_SIZE(tuple);
    PyObject* copy = PyTuple_New(count);
    for (Py_ssize_t i = 0; copy && i < count; ++i) {
        Py_INCREF(PyTuple_GET_ITEM(tuple, i));
        PyTuple_SET_ITEM(copy, i, PyTuple_GET_ITEM(tuple, i));
    }
    return copy;
}

// Under 2.7, the arguments with every float at an integer position made an integer: `*replaced`
// is a new tuple when there was one, else null (the arguments stand as they are). False, with
// TypeError or OverflowError, for a float that stands for no integer. A count the format does not
// take is left to the parser, which names it.
bool TruncateFloats(PyObject* args, const char* format, PyObject** replaced) {
    *replaced = nullptr;
    if (!PyTuple_Check(args)) return true;
    const Py_ssize_t count = PyTuple_GET_SIZE(args);
    bool anyFloat = false;
    for (Py_ssize_t i = 0; i < count && !anyFloat; ++i) anyFloat = PyFloat_Check(PyTuple_GET_ITEM(args, i));
    if (!anyFloat) return true;  // the usual call
    const FormatShape shape = ShapeOf(format);
    if (count < shape.least || count > shape.most) return true;
    for (Py_ssize_t i = 0; i < count && i < 64; ++i) {
        PyObject* item = PyTuple_GET_ITEM(args, i);
        if (!(shape.integers >> i & 1) || !PyFloat_Check(item)) continue;
        char argument[32];
        std::snprintf(argument, sizeof argument, "argument %d", int(i) + 1);
        PyObject* integer = BM_IntFromFloat(item, argument);
        if (!integer) {
            Py_CLEAR(*replaced);
            return false;
        }
        if (!*replaced && !(*replaced = CopyOf(args))) {
            Py_DECREF(integer);
            return false;
        }
        Py_DECREF(PyTuple_GET_ITEM(*replaced, i));
        PyTuple_SET_ITEM(*replaced, i, integer);
    }
    return true;
}

}  // namespace

PyObject* BM_IntFromFloat(PyObject* value, const char* argument) {
    const double number = PyFloat_AS_DOUBLE(value);
    if (std::isnan(number)) {
        PyErr_Format(PyExc_TypeError, "%s is a float NaN, not an integer", argument);
        return nullptr;
    }
    if (std::isinf(number)) {
        PyErr_Format(PyExc_OverflowError, "%s is a float infinity, beyond every integer", argument);
        return nullptr;
    }
    return PyLong_FromDouble(number);  // the integer part: truncated towards zero, of any size
}

PyObject* BM_IntegerArgument(PyObject* value, const char* argument) {
    if (BM_FLOATS_FOR_INTS && PyFloat_Check(value)) return BM_IntFromFloat(value, argument);
    return PyNumber_Index(value);
}

const char* BM_CallingFunction = nullptr;

int BM_ParseTuple(PyObject* args, const char* format, ...) {
    PyObject* replaced = nullptr;
    if (BM_FLOATS_FOR_INTS && !TruncateFloats(args, format, &replaced)) return 0;
    // The parser names the function in its own messages when the format ends in ":name".
    char named[256];
    if (BM_CallingFunction && !std::strpbrk(format, ":;")) {
        const std::size_t length = std::strlen(format), nameLength = std::strlen(BM_CallingFunction);
        if (length + nameLength + 2 <= sizeof named) {
            std::memcpy(named, format, length);
            named[length] = ':';
            std::memcpy(named + length + 1, BM_CallingFunction, nameLength + 1);
            format = named;
        }
    }
    va_list values;
    va_start(values, format);
    int parsed = PyArg_VaParse(replaced ? replaced : args, format, values);
    va_end(values);
    Py_XDECREF(replaced);  // what the parser lent out is held by `args` too: the same objects
    if (!parsed && PyErr_ExceptionMatches(PyExc_AttributeError)) {
        PyObject *type, *value, *traceback;
        PyErr_Fetch(&type, &value, &traceback);
        PyObject* text = value ? PyObject_Str(value) : nullptr;
        const char* chars = text ? BM_TextAsUtf8(text) : nullptr;
        PyErr_Clear();
        PyErr_Format(PyExc_TypeError, "expected a number (%.200s)", chars ? chars : "no conversion");
        Py_XDECREF(text);
        Py_XDECREF(type);
        Py_XDECREF(value);
        Py_XDECREF(traceback);
    }
    return parsed;
}

bool BM_CheckScript(PyObject* script, const char* function) {
    if (BMTestTable && BMTestTable->IsScriptObject(script)) return true;
    PyErr_Format(PyExc_TypeError, "%s(): %s", function, BM_SelfMissing(script).c_str());
    return false;
}

std::string BM_SelfMissing(PyObject* first) {
    std::string text = "the first argument must be the script object (self)";
    if (first) text += std::string(", not ") + Py_TYPE(first)->tp_name;
    return text + "; was it left out?";
}

namespace {

// The signature row of a module function, or null.
const BM_Signature* SignatureOf(const char* function) {
    static const auto* rows = [] {
        auto* made = new std::unordered_map<std::string, const BM_Signature*>;
        for (int i = 0; i < BM_SignatureCount; ++i) made->emplace(BM_Signatures[i].function, &BM_Signatures[i]);
        return made;
    }();
    auto it = rows->find(function);
    return it == rows->end() ? nullptr : it->second;
}

// How many parameters a signature row lists ("self, inName: str, inDict: Dict[str, int]" has 3).
int ParameterCount(const char* parameters) {
    if (!*parameters) return 0;
    int count = 1, depth = 0;
    for (const char* c = parameters; *c; ++c) {
        if (*c == '[' || *c == '(') ++depth;
        else if (*c == ']' || *c == ')') --depth;
        else if (*c == ',' && depth == 0) ++count;
    }
    return count;
}

// Whether `text` names `function`: the name, not followed by more of an identifier.
bool Names(const std::string& text, const char* function) {
    const std::size_t length = std::strlen(function);
    for (std::size_t at = text.find(function); at != std::string::npos; at = text.find(function, at + 1)) {
        const char next = at + length < text.size() ? text[at + length] : ' ';
        if (!std::isalnum(static_cast<unsigned char>(next)) && next != '_') return true;
    }
    return false;
}

}  // namespace

void BM_NameArgumentError(const char* function, PyObject* args) {
    if (!PyErr_Occurred()) return;
    PyObject *type, *value, *traceback;
    PyErr_Fetch(&type, &value, &traceback);
    const bool typeError = type == PyExc_TypeError;
    if (!typeError && type != PyExc_OverflowError && type != PyExc_ValueError) {
        PyErr_Restore(type, value, traceback);
        return;
    }
    PyObject* shown = value ? PyObject_Str(value) : nullptr;
    const char* chars = shown ? BM_TextAsUtf8(shown) : nullptr;
    if (!chars) PyErr_Clear();
    std::string text = chars ? chars : "";
    Py_XDECREF(shown);
    bool changed = false;
    if (!Names(text, function)) {
        text = std::string(function) + (text.rfind("argument ", 0) == 0 ? "() " : "(): ") + text;
        changed = true;
    }
    // One argument short, and the first is no script object: `self` was left out, most likely.
    const BM_Signature* row = typeError && args && PyTuple_Check(args) ? SignatureOf(function) : nullptr;
    if (row && std::strncmp(row->parameters, "self", 4) == 0 && text.find(" given)") != std::string::npos &&
        PyTuple_GET_SIZE(args) < ParameterCount(row->parameters)) {
        PyObject* first = PyTuple_GET_SIZE(args) ? PyTuple_GET_ITEM(args, 0) : nullptr;
        if (!first || !BMTestTable || !BMTestTable->IsScriptObject(first)) {
            text += ": " + BM_SelfMissing(first);
            changed = true;
        }
    }
    if (!changed) {
        PyErr_Restore(type, value, traceback);
        return;
    }
    Py_XDECREF(value);
    Py_XDECREF(traceback);
    PyErr_SetString(type, text.c_str());
    Py_DECREF(type);
}

bool BM_CheckCallable(PyObject* callable, const char* function, const char* argument) {
    if (PyCallable_Check(callable)) return true;
    PyErr_Format(PyExc_TypeError, "%s: %s must be callable, not %.100s", function, argument,
                 Py_TYPE(callable)->tp_name);
    return false;
}

bool BM_CheckOutParameter(PyObject* parameter, const char* function) {
    if (parameter == Py_None || PyList_Check(parameter)) return true;
    PyErr_Format(PyExc_TypeError, "%s: out-parameters are lists or None", function);
    return false;
}

void BM_WriteOutParameter(PyObject* parameter, PyObject* value) {
    if (!value) {
        PyErr_Clear();
        return;
    }
    if (PyList_Check(parameter) && PyList_Size(parameter) > 0) {
        PyList_SetItem(parameter, 0, value);  // takes over the reference
        return;
    }
    // Out of memory, the value does not arrive; nothing stays pending behind the answer.
    if (PyList_Check(parameter) && PyList_Append(parameter, value) != 0) PyErr_Clear();
    Py_DECREF(value);
}

int BM_ConvertFloat(PyObject* object, void* out) {
    double value = PyFloat_AsDouble(object);
    if (value == -1.0 && PyErr_Occurred()) return 0;
    if (!BM_FitsFloat(value)) {
        PyErr_SetString(PyExc_OverflowError, "float argument is out of range for a C float");
        return 0;
    }
    *static_cast<float*>(out) = static_cast<float>(value);
    return 1;
}

namespace {

// Every module function is called through a guard that refuses threads other than the
// simulator's. The guards are a fixed set of functions, one for each function of the modules
// (numbered in the order they were first guarded, the same numbers at every start of the
// interpreter): each knows its function's entry by its number, and hands on the module as the
// function's `self`, so that the function object looks as the plain one did.
constexpr std::size_t kMaxGuarded = 1024;
const PyMethodDef* gGuarded[kMaxGuarded];

PyObject* OffThread(const PyMethodDef* function) {
    PyErr_Format(PyExc_RuntimeError,
                 "%s must be called from the simulator's thread; hand the work to a flight loop", function->ml_name);
    return nullptr;
}

template <std::size_t N>
PyObject* Guard(PyObject* module, PyObject* args) {
    const PyMethodDef* function = gGuarded[N];
    if (!BM_OnSimulatorThread()) return OffThread(function);
    const char* outer = BM_CallingFunction;
    BM_CallingFunction = function->ml_name;
    PyObject* result = function->ml_meth(module, args);
    BM_CallingFunction = outer;
    if (!result) BM_NameArgumentError(function->ml_name, args);
    return result;
}

template <std::size_t N>
PyObject* GuardWithKeywords(PyObject* module, PyObject* args, PyObject* keywords) {
    const PyMethodDef* function = gGuarded[N];
    if (!BM_OnSimulatorThread()) return OffThread(function);
    const char* outer = BM_CallingFunction;
    BM_CallingFunction = function->ml_name;
    PyObject* result = reinterpret_cast<PyCFunctionWithKeywords>(reinterpret_cast<void (*)()>(function->ml_meth))(
        module, args, keywords);
    BM_CallingFunction = outer;
    if (!result) BM_NameArgumentError(function->ml_name, args);
    return result;
}

template <std::size_t... N>
constexpr std::array<PyCFunction, sizeof...(N)> Guards(std::index_sequence<N...>) {
    return {Guard<N>...};
}
template <std::size_t... N>
constexpr std::array<PyCFunctionWithKeywords, sizeof...(N)> GuardsWithKeywords(std::index_sequence<N...>) {
    return {GuardWithKeywords<N>...};
}
constexpr auto kGuards = Guards(std::make_index_sequence<kMaxGuarded>());
constexpr auto kGuardsWithKeywords = GuardsWithKeywords(std::make_index_sequence<kMaxGuarded>());

// The guarded entry of a function of a module's table: its name, flags and text, its guard's
// code. Null when all guards are taken.
PyMethodDef* GuardedEntry(const PyMethodDef& function) {
    static std::unordered_map<const PyMethodDef*, PyMethodDef> entries;
    auto known = entries.find(&function);
    if (known != entries.end()) return &known->second;
    std::size_t n = entries.size();
    if (n == kMaxGuarded) return nullptr;
    gGuarded[n] = &function;
    PyMethodDef entry = function;
    entry.ml_meth = (function.ml_flags & METH_KEYWORDS)
                        ? reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(kGuardsWithKeywords[n]))
                        : kGuards[n];
    return &entries.emplace(&function, entry).first->second;
}

}  // namespace

bool BM_GuardFunctions(PyObject* module, const char* name, PyMethodDef* methods) {
    PyObject* moduleName = BM_TextFromUtf8(name);
    bool guarded = moduleName != nullptr;
    for (PyMethodDef* function = methods; guarded && function->ml_name; ++function) {
        PyMethodDef* entry = GuardedEntry(*function);
        if (!entry) {
            PyErr_Format(PyExc_SystemError, "more than %d module functions to guard", int(kMaxGuarded));
            guarded = false;
            break;
        }
        PyObject* object = PyCFunction_NewEx(entry, module, moduleName);
        guarded = object && PyModule_AddObject(module, function->ml_name, object) == 0;  // takes `object`
        if (!guarded) Py_XDECREF(object);
    }
    Py_XDECREF(moduleName);
    return guarded;
}

PyObject* BM_InitModule(const char* name, PyMethodDef* methods, const BM_Constant* constants, int count) {
    PyObject* module = BM_CreateModule(name, methods);
    if (!module || !BM_GuardFunctions(module, name, methods)) {
        BM_PrintPythonError();
        return nullptr;
    }
    PyObject* dict = PyModule_GetDict(module);
    for (int i = 0; i < count; ++i) {
        PyObject* value = BM_IntFromLong(constants[i].value);
        if (value) PyDict_SetItemString(dict, constants[i].name, value);
        Py_XDECREF(value);
    }
    if (!BM_AddStructTypes(module, name)) {
        BM_PrintPythonError();
        return nullptr;
    }
    return module;
}

// ---- Structs ----

namespace {

// The field names of a struct's stub text: "name: str, type: int" gives "name type".
std::string FieldNames(const char* fields) {
    std::string names;
    bool inName = true;
    for (const char* c = fields; *c; ++c) {
        if (*c == ':') inName = false;
        else if (*c == ',') {
            inName = true;
            names += ' ';
        } else if (inName && *c != ' ') names += *c;
    }
    return names;
}

}  // namespace

bool BM_AddStructTypes(PyObject* module, const char* name) {
    PyObject* namedtuple = nullptr;
    for (int i = 0; i < BM_StructTypeCount; ++i) {
        if (std::strcmp(BM_StructTypes[i].module, name) != 0) continue;
        if (!namedtuple) {
            PyObject* collections = PyImport_ImportModule("collections");
            namedtuple = collections ? PyObject_GetAttrString(collections, "namedtuple") : nullptr;
            Py_XDECREF(collections);
            if (!namedtuple) return false;
        }
        PyObject* type = PyObject_CallFunction(namedtuple, const_cast<char*>("ss"), BM_StructTypes[i].name,
                                               FieldNames(BM_StructTypes[i].fields).c_str());
        PyObject* moduleName = BM_TextFromUtf8(name);
        bool added = type && moduleName && PyObject_SetAttrString(type, "__module__", moduleName) == 0 &&
                     PyModule_AddObject(module, BM_StructTypes[i].name, type) == 0;
        Py_XDECREF(moduleName);
        if (!added) {
            Py_XDECREF(type);
            Py_DECREF(namedtuple);
            return false;
        }
    }
    Py_XDECREF(namedtuple);
    return true;
}

PyObject* BM_OutputStruct(PyObject* module, const char* type, PyObject* values) {
    if (!values) return nullptr;
    PyObject* cls = module && PyModule_Check(module) ? PyDict_GetItemString(PyModule_GetDict(module), type) : nullptr;
    if (!cls) {
        Py_DECREF(values);
        PyErr_Format(PyExc_SystemError, "the module has no struct class %s", type);
        return nullptr;
    }
    PyObject* made = PyObject_Call(cls, values, nullptr);
    Py_DECREF(values);
    return made;
}

bool BM_StructArgument(PyObject* given, const char* function, const char* const* fields, int count, int required,
                       PyObject** out) {
    for (int i = 0; i < count; ++i) out[i] = nullptr;
    if (PyDict_Check(given)) {
        PyObject *key, *value;
        Py_ssize_t at = 0;
        while (PyDict_Next(given, &at, &key, &value)) {
            const char* name = BM_IsText(key) ? BM_TextAsUtf8(key) : nullptr;
            if (!name) PyErr_Clear();
            int field = -1;
            for (int i = 0; name && i < count && field < 0; ++i)
                if (std::strcmp(name, fields[i]) == 0) field = i;
            if (field < 0) {
                PyObject* shown = PyObject_Repr(key);
                const char* text = shown ? BM_TextAsUtf8(shown) : nullptr;
                if (!text) PyErr_Clear();
                PyErr_Format(PyExc_TypeError, "%s: the struct has no field %s", function, text ? text : "?");
                Py_XDECREF(shown);
                return false;
            }
            out[field] = value;
        }
    } else if (PyTuple_Check(given) || PyList_Check(given)) {
        Py_ssize_t size = PySequence_Fast_GET_SIZE(given);
        if (size > count) {
            PyErr_Format(PyExc_TypeError, "%s: the struct has %d fields, not %zd", function, count, size);
            return false;
        }
        for (Py_ssize_t i = 0; i < size; ++i) out[i] = PySequence_Fast_GET_ITEM(given, i);
    } else {
        PyErr_Format(PyExc_TypeError, "%s: the struct must be a dict of its fields or a sequence in field order, not %s",
                     function, Py_TYPE(given)->tp_name);
        return false;
    }
    for (int i = 0; i < required; ++i)
        if (!out[i]) {
            PyErr_Format(PyExc_TypeError, "%s: the struct's field %s is missing", function, fields[i]);
            return false;
        }
    return true;
}

bool BM_FieldInt(PyObject* value, const char* function, const char* field, int* out) {
    std::string argument = std::string(function) + ": field " + field;
    PyObject* integer = BM_IntegerArgument(value, argument.c_str());
    if (!integer) return false;
    long long wide = PyLong_AsLongLong(integer);
    Py_DECREF(integer);
    if (wide == -1 && PyErr_Occurred()) {
        PyErr_Clear();
        wide = LLONG_MAX;
    }
    if (wide < INT_MIN || wide > INT_MAX) {
        PyErr_Format(PyExc_OverflowError, "%s: field %s does not fit a C int", function, field);
        return false;
    }
    *out = int(wide);
    return true;
}

bool BM_FieldDouble(PyObject* value, const char* function, const char* field, double* out) {
    if (!BM_IsInt(value) && !PyFloat_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s: field %s must be a number, not %s", function, field, Py_TYPE(value)->tp_name);
        return false;
    }
    *out = PyFloat_AsDouble(value);
    if (*out == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        PyErr_Format(PyExc_OverflowError, "%s: field %s does not fit a C double", function, field);
        return false;
    }
    return true;
}

bool BM_DrawInfoArgument(PyObject* given, const char* function, float out[6]) {
    static const char* const kFields[] = {"x", "y", "z", "pitch", "heading", "roll"};
    // The usual position, a tuple of floats, is read without the struct's general path.
    if (PyTuple_CheckExact(given) && PyTuple_GET_SIZE(given) >= 3 && PyTuple_GET_SIZE(given) <= 6) {
        Py_ssize_t size = PyTuple_GET_SIZE(given), i = 0;
        for (; i < size && PyFloat_CheckExact(PyTuple_GET_ITEM(given, i)); ++i) {
            double value = PyFloat_AS_DOUBLE(PyTuple_GET_ITEM(given, i));
            if (!BM_FitsFloat(value)) break;
            out[i] = float(value);
        }
        if (i == size) {
            for (; i < 6; ++i) out[i] = 0.0f;
            return true;
        }
    }
    PyObject* fields[6];
    if (!BM_StructArgument(given, function, kFields, 6, 3, fields)) return false;
    for (int i = 0; i < 6; ++i) {
        double value = 0.0;
        if (fields[i] && !BM_FieldDouble(fields[i], function, kFields[i], &value)) return false;
        if (!BM_FitsFloat(value)) {
            PyErr_Format(PyExc_OverflowError, "%s: field %s does not fit a C float", function, kFields[i]);
            return false;
        }
        out[i] = float(value);
    }
    return true;
}

bool BM_FieldHandle(PyObject* value, const char* function, const char* field, Py_ssize_t* out) {
    if (value == Py_None) {
        *out = 0;
        return true;
    }
    if (!BM_IsInt(value)) {
        PyErr_Format(PyExc_TypeError, "%s: field %s must be an integer, not %s", function, field,
                     Py_TYPE(value)->tp_name);
        return false;
    }
    *out = PyNumber_AsSsize_t(value, nullptr);
    if (*out == -1 && PyErr_Occurred()) {
        PyErr_Clear();
        PyErr_Format(PyExc_OverflowError, "%s: field %s does not fit a pointer", function, field);
        return false;
    }
    return true;
}

bool BM_FieldCallable(PyObject* value, const char* function, const char* field, PyObject** out) {
    if (value == Py_None) {
        *out = nullptr;
        return true;
    }
    if (!PyCallable_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s: field %s must be callable or None, not %s", function, field,
                     Py_TYPE(value)->tp_name);
        return false;
    }
    *out = value;
    return true;
}

bool BM_CheckWidgetMessage(const char* function, int message, Py_ssize_t param1, Py_ssize_t param2) {
    intptr_t address;
    BM_WidgetRecordKind kind;
    if (!BM_WidgetMessageRecord(message, param1, param2, &address, &kind) || BM_IsLiveWidgetRecord(address, kind))
        return true;
    const char* what = kind == BM_MouseStateRecord ? "the mouse state in param1"
                       : kind == BM_KeyStateRecord ? "the key state in param1"
                                                   : "the geometry change in param2";
    PyErr_Format(PyExc_ValueError,
                 "%s: message %d carries %s; pass on what a widget callback was given for the message it is "
                 "handling now",
                 function, message, what);
    return false;
}

bool BM_ClassicPaths() {
    const char* separator = XPLMGetDirectorySeparator();
    return separator && std::strcmp(separator, ":") == 0;
}

std::string BM_ScriptPath(std::string hostPath) {
    if (!BM_ClassicPaths()) return hostPath;
    std::replace(hostPath.begin(), hostPath.end(), ':', '/');
    return "/Volumes/" + hostPath;
}

bool BM_CallerOwns(const _CallbackRecordStruct* record, PyObject* script) {
    if (!record || !record->entry) return false;
    if (script && record->entry->pScriptId != script) return false;
    return !BM_RunningScript || *BM_RunningScript == record->moduleName;
}

PyObject* BM_RunningScriptObject() {
    return BM_RunningScript ? BM_Table().GetScriptIdFromModuleName(*BM_RunningScript) : nullptr;
}

_CallbackRecordStruct* BM_OwnRecordOfHandle(BM_CallbackKind kind, void* handle, PyObject* script, bool* foreign) {
    _CallbackRecordStruct* record = BM_Table().RecordOfHandle(kind, handle);
    bool own = BM_CallerOwns(record, script);
    if (foreign) *foreign = record && !own;
    return own ? record : nullptr;
}

namespace {
// The script that created each widget scripts made, by module name; none for a widget made
// outside script code.
std::unordered_map<void*, std::string>& WidgetCreators() {
    static auto* creators = new std::unordered_map<void*, std::string>;
    return *creators;
}
}  // namespace

void BM_NoteWidgetCreator(void* widget) {
    if (BM_RunningScript) WidgetCreators()[widget] = *BM_RunningScript;
    else WidgetCreators().erase(widget);
}

void BM_ForgetWidgetCreator(void* widget) { WidgetCreators().erase(widget); }

bool BM_MayChangeWidget(void* widget) {
    if (!widget) return true;  // the simulator answers for no widget
    if (BMTestTable && BMTestTable->IsScriptWidget(widget)) {
        auto it = WidgetCreators().find(widget);
        return it == WidgetCreators().end() || !BM_RunningScript || *BM_RunningScript == it->second;
    }
    return !BM_IsPluginWidget(widget);
}
