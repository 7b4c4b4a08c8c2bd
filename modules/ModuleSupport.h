#ifndef BM_MODULESUPPORT_H
#define BM_MODULESUPPORT_H
// What every mirrored module shares: handles and reference constants at pointer width, the
// guarded host call with its failure report, out-parameters, and module creation.
//
// The shape of a mirrored function:
//     Py_ssize_t ref;
//     if (!BM_ParseTuple(args, BM_H, &ref)) return nullptr;             // wrong arguments: TypeError
//     return BM_CallHost(kModule, "XPLMGetDatai", BM_Zero,
//                     [&] { return BM_IntFromLong(XPLMGetDatai(BM_Handle(ref))); });

#include "PyCompat.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <new>
#include <stdexcept>
#include <string>

#include "BrindlemoorClass.h"
#include "PythonTBUtilities.h"

// Format code of a handle or reference constant: as wide as a pointer on every platform.
#define BM_H BM_FMT_INTPTR

inline void* BM_Handle(Py_ssize_t value) { return reinterpret_cast<void*>(static_cast<intptr_t>(value)); }
inline intptr_t BM_Refcon(Py_ssize_t value) { return static_cast<intptr_t>(value); }
inline PyObject* BM_IntFromHandle(const void* handle) {
    return BM_IntFromSsize(static_cast<Py_ssize_t>(reinterpret_cast<intptr_t>(handle)));
}

// The script table, inside a guarded call: a function called outside the plug-in's run fails
// with the usual report instead of touching a table that is not there.
inline BM_ScriptTable& BM_Table() {
    if (!BMTestTable) throw std::logic_error("no script table");
    return *BMTestTable;
}

// PyArg_ParseTuple, except that an argument of the wrong type always raises TypeError: Python
// 2's parser answers AttributeError (no __trunc__) when an old-style instance, a script object
// say, stands where a number should.
//
// Under 2.7 (BM_FLOATS_FOR_INTS) an integer argument also takes a float, made an integer by
// BM_IntFromFloat and then checked against the C type as an integer is: the argument codes "b",
// "h", "i", "l" and "L", at the top level of the format. Handles and refcons (BM_H, "n") take integers only, and so do the codes that do not
// check the range ("B", "H", "I", "k", "K"): a float never becomes a masked value. Integers inside
// a parenthesised group are elements of a sequence, not arguments, and are left to the parser.
//
// Inside a module function (BM_CallingFunction set by its guard) the parser's messages name the
// function, as a format ending in ":name" makes them: "XPLMDrawString() takes exactly 6 arguments
// (5 given)".
int BM_ParseTuple(PyObject* args, const char* format, ...);

// The module function whose call is under way (its guard sets it), or null.
extern const char* BM_CallingFunction;

// Makes the error of a failed call of `function` name it: a TypeError, OverflowError or
// ValueError whose text does not name the function gets "NAME() " before an "argument N ..."
// text and "NAME(): " before any other. A count error of a function that takes the script object
// first, one or more arguments short and without a script object first, ends in
// ": " + BM_SelfMissing(first). Every module function's guard calls it when the function failed.
void BM_NameArgumentError(const char* function, PyObject* args);

// "the first argument must be the script object (self), not function; was it left out?" (without
// ", not ..." when `first` is null).
std::string BM_SelfMissing(PyObject* first);

// A float given for an integer argument, as int() makes an integer of it, truncating towards zero
// (new reference); or null with TypeError for NaN and OverflowError for an infinity, the message
// starting with `argument` ("argument 2", "XPLMFindNavAid: the frequency"). A truncation beyond
// the C type is left to the caller's range check, which then refuses it as it refuses the same
// integer given as one.
PyObject* BM_IntFromFloat(PyObject* value, const char* argument);

// An integer argument that a module function converts itself ("O&", a value or None): the
// integer `value` is (PyNumber_Index), or under 2.7 a float made one by BM_IntFromFloat. New
// reference, or null with the error set.
PyObject* BM_IntegerArgument(PyObject* value, const char* argument);

// The one argument of a function taking just a handle (METH_O), parsed as BM_ParseTuple(args,
// BM_H, out) parses it (same errors), with a short way for the usual plain integer: data reads
// run in scripts' loops.
inline bool BM_ParseHandle(PyObject* arg, Py_ssize_t* out) {
    if (BM_SmallExactInt(arg, out)) return true;
    PyObject* args = PyTuple_Pack(1, arg);
    bool parsed = args && BM_ParseTuple(args, BM_H, out);
    Py_XDECREF(args);
    return parsed;
}

// The first argument of a registering function: a script object (self), or TypeError.
bool BM_CheckScript(PyObject* script, const char* function);
// A callable, or TypeError naming the function and the argument.
bool BM_CheckCallable(PyObject* callable, const char* function, const char* argument);

// Whether an unregistration names the callable that was registered: the same object, or a
// bound method of the same object and function (`self.Loop` makes a new object each time).
inline bool BM_SameCallable(PyObject* registered, PyObject* given) {
    if (registered == given) return true;
    return registered && given && PyMethod_Check(registered) && PyMethod_Check(given) &&
           PyMethod_GET_SELF(registered) == PyMethod_GET_SELF(given) &&
           PyMethod_GET_FUNCTION(registered) == PyMethod_GET_FUNCTION(given);
}

// Makes the simulator registration of a new record: `host` registers (handing the simulator
// the record as refcon) and says whether the simulator took it. Taken, the record gets its
// `unregister` and its key (BM_ScriptTable::Registered); refused or thrown, the record goes
// again (and the exception goes on).
template <typename Host>
bool BM_RegisterRecord(_CallbackRecordStruct* record, void (*unregister)(_CallbackRecordStruct&), Host host) {
    bool taken = false;
    try {
        taken = host();
    } catch (...) {
        BM_Table().DiscardRecord(record);
        throw;
    }
    if (!taken) {
        BM_Table().DiscardRecord(record);
        return false;
    }
    BM_Table().Registered(record, unregister);
    return true;
}

// Ends an unregistering function: the record it found goes (and its simulator registration
// with it) and the answer is 1; without one the answer is 0.
inline PyObject* BM_RemoveFound(_CallbackRecordStruct* record) {
    if (!record) return BM_IntFromLong(0);
    BM_Table().RemoveRecord(record);
    return BM_IntFromLong(1);
}

// ---- Whose records: a script removes and changes its own registrations only ----
//
// The caller is the script object a function takes as `self` and the script whose code runs
// (BM_RunningScript); a function without `self` has only the latter, and code that is no
// script's (the plug-in's own calls) has neither. A record of another script is answered as an
// unknown handle is; handles that are no script's (the simulator's, another plug-in's) go to
// the simulator as before.

// Whether the caller may remove or change the live record: it is `script`'s (unless `script`
// is null) and the running script's (unless none runs).
bool BM_CallerOwns(const _CallbackRecordStruct* record, PyObject* script = nullptr);
// The script whose code runs now (its __init__ too), or null outside script code.
PyObject* BM_RunningScriptObject();
// The record of `kind` registered for `handle` when it is the caller's, else null; `foreign`
// (when given) says whether a record of another script stood there.
_CallbackRecordStruct* BM_OwnRecordOfHandle(BM_CallbackKind kind, void* handle, PyObject* script = nullptr,
                                            bool* foreign = nullptr);
// Whether `handle` is the record of another script than the caller.
inline bool BM_ForeignHandle(BM_CallbackKind kind, void* handle, PyObject* script = nullptr) {
    bool foreign = false;
    BM_OwnRecordOfHandle(kind, handle, script, &foreign);
    return foreign;
}

// Widgets: whether the caller may destroy or change `widget`. Not the plug-in's own windows
// (the control panel and the script windows, with everything inside them), nor a widget another
// script created; a script's own widgets, and those of the simulator and other plug-ins, yes.
bool BM_MayChangeWidget(void* widget);
// The creator of a widget a script made: the running script, when one runs.
void BM_NoteWidgetCreator(void* widget);
void BM_ForgetWidgetCreator(void* widget);

// Error results of guarded calls.
inline PyObject* BM_Zero() { return BM_IntFromLong(0); }
inline PyObject* BM_One() { return BM_IntFromLong(1); }
inline PyObject* BM_ZeroFloat() { return PyFloat_FromDouble(0.0); }
inline PyObject* BM_NoneResult() { Py_RETURN_NONE; }

// Runs the host part of a module function. A C++ exception from the host is reported as
// "Module - <module>, Function - <function>, Error = <errorWord>" and the error result returned;
// Python errors the body raised on purpose (it returned null) pass through to the script.
template <typename Body>
PyObject* BM_CallHost(const char* module, const char* function, PyObject* (*errorResult)(), Body&& body,
                   const char* errorWord = "Parameter Error") {
    try {
        return body();
    } catch (...) {
        PyErr_Clear();  // the fallback is a value: nothing may stay pending behind it
        PrintException(module, function, errorWord);
        return errorResult();
    }
}

// A mirrored function of one int argument whose simulator function answers nothing: 1 after the
// call, the report and 0 when the simulator fails.
template <typename Host>
PyObject* BM_CallWithInt(const char* module, const char* function, PyObject* args, Host host) {
    int value;
    if (!BM_ParseTuple(args, "i", &value)) return nullptr;
    return BM_CallHost(module, function, BM_Zero, [&] {
        host(value);
        return BM_One();
    });
}

// Runs a module function's own work outside the host call (walking a script's sequence,
// building buffers and texts) so that no C++ exception unwinds through the interpreter: a failed
// allocation raises MemoryError in the script, any other exception SystemError. The host call
// inside keeps its own guard, BM_CallHost.
template <typename Body>
PyObject* BM_RaiseInstead(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    } catch (const std::length_error&) {
        return PyErr_NoMemory();  // a buffer larger than any allocation
    } catch (const std::exception& e) {
        PyErr_SetString(PyExc_SystemError, e.what());
    } catch (...) {
        PyErr_SetString(PyExc_SystemError, "unknown C++ exception");
    }
    return nullptr;
}

// A double that a C float holds: any value within the float range, an infinity or NaN. A finite
// value beyond +-FLT_MAX does not fit (it would turn into an infinity).
inline bool BM_FitsFloat(double value) { return !(std::isfinite(value) && std::fabs(value) > FLT_MAX); }

// Argument converter ("O&") for a C float: what the "f" format accepts, except that a value
// that does not fit raises OverflowError instead of becoming an infinity.
int BM_ConvertFloat(PyObject* object, void* out);

// An out-parameter is a list (the value replaces element 0, or is appended to an empty list) or
// None (the host gets no pointer and nothing is written back).
bool BM_CheckOutParameter(PyObject* parameter, const char* function);  // TypeError when neither
void BM_WriteOutParameter(PyObject* parameter, PyObject* value);       // consumes `value`

// A widget message that a script sends or hands to a widget behaviour: for the library's
// messages that carry the address of a record (mouse state, key state, geometry change), that
// parameter must be such a record of a message a widget callback is handling now (a script
// passing on what it was given); the simulator reads it. Otherwise ValueError, and false.
bool BM_CheckWidgetMessage(const char* function, int message, Py_ssize_t param1, Py_ssize_t param2);

// Paths. The simulator writes them in the classic Macintosh form ("Disk:Sim:", separator ':') or
// in the native form of its system. Scripts get and give slash-separated paths: a classic path
// arrives as "/Volumes/Disk/Sim/", a native one as it is. Both ask the simulator; call them
// inside a guarded call.
bool BM_ClassicPaths();
std::string BM_ScriptPath(std::string hostPath);

// ---- Structs of the newer SDK ----
//
// An input struct comes as a dict keyed by the SDK's field names (structSize left out) or as a
// sequence in field order. BM_StructArgument puts each field's value into `out` (borrowed; null
// for a field left out, which only fields from `required` on may be) or raises TypeError
// "XPLMCreateFlightLoop: params: ..." naming what is wrong: not a dict or sequence, a key that is
// no field, a field missing, too many items.
bool BM_StructArgument(PyObject* given, const char* function, const char* const* fields, int count, int required,
                       PyObject** out);

// Field conversions of an input struct: an int (range-checked), a double, a handle, a callable
// or None (null). False with TypeError/OverflowError naming the function and the field.
bool BM_FieldInt(PyObject* value, const char* function, const char* field, int* out);
bool BM_FieldDouble(PyObject* value, const char* function, const char* field, double* out);
bool BM_FieldHandle(PyObject* value, const char* function, const char* field, Py_ssize_t* out);
bool BM_FieldCallable(PyObject* value, const char* function, const char* field, PyObject** out);

// An XPLMDrawInfo_t (XPLMScenery, XPLMInstance): {x, y, z, pitch, heading, roll} or a sequence
// in that order; the angles may be left out (0). Into `out` in field order; false with
// TypeError/OverflowError naming the function and the field.
bool BM_DrawInfoArgument(PyObject* given, const char* function, float out[6]);

// Puts the struct classes of module `name` into it; false with the error set when that failed.
bool BM_AddStructTypes(PyObject* module, const char* name);
// An output struct: an instance of the module's struct class `type` (BM_StructTypes) holding
// `values` (a tuple, consumed), or null with the error set.
PyObject* BM_OutputStruct(PyObject* module, const char* type, PyObject* values);

struct BM_Constant {
    const char* name;
    long value;
};

// Puts the functions of the table into the module (in place of those of the same names) behind a
// guard: called on a thread other than the simulator's, a function raises RuntimeError and does
// nothing. False with the error set when that failed.
bool BM_GuardFunctions(PyObject* module, const char* name, PyMethodDef* methods);

// Creates the module, its functions guarded, and puts its constants into its dictionary, in
// table order, and its struct classes (BM_StructTypes).
PyObject* BM_InitModule(const char* name, PyMethodDef* methods, const BM_Constant* constants = nullptr,
                        int count = 0);

#endif
