// XPLMDataAccess: finding, reading and writing data refs, publishing a script's own data refs
// (data accessors) and sharing data between plug-ins.
#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "BrindlemoorClass.h"
#include "BrindlemoorTrampolines.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMDataAccess.h"

namespace {

const char kModule[] = "XPLMDataAccess";

const BM_Constant kConstants[] = {
    {"xplmType_Unknown", xplmType_Unknown},       {"xplmType_Int", xplmType_Int},
    {"xplmType_Float", xplmType_Float},           {"xplmType_Double", xplmType_Double},
    {"xplmType_FloatArray", xplmType_FloatArray}, {"xplmType_IntArray", xplmType_IntArray},
    {"xplmType_Data", xplmType_Data},
};

constexpr std::size_t kByteWriteBuffer = 1024;

// ---- Scalars ----

PyObject* PY_XPLMFindDataRef(PyObject*, PyObject* args) {
    const char* name;
    if (!BM_ParseTuple(args, "s", &name)) return nullptr;
    return BM_CallHost(kModule, "XPLMFindDataRef", BM_NoneResult, [&] {
        XPLMDataRef ref = XPLMFindDataRef(name);
        return ref ? BM_IntFromHandle(ref) : BM_NoneResult();
    });
}

// The functions taking one data ref and answering one value share this shape.
template <typename Host, typename Make>
PyObject* OnRef(PyObject* arg, const char* function, PyObject* (*errorResult)(), Host host, Make make) {
    Py_ssize_t ref;
    if (!BM_ParseHandle(arg, &ref)) return nullptr;
    return BM_CallHost(kModule, function, errorResult, [&] { return make(host(BM_Handle(ref))); });
}

PyObject* PY_XPLMCanWriteDataRef(PyObject*, PyObject* arg) {
    return OnRef(arg, "XPLMCanWriteDataRef", BM_Zero, XPLMCanWriteDataRef, BM_IntFromLong);
}
PyObject* PY_XPLMGetDataRefTypes(PyObject*, PyObject* arg) {
    return OnRef(arg, "XPLMGetDataRefTypes", BM_Zero, XPLMGetDataRefTypes, BM_IntFromLong);
}
PyObject* PY_XPLMGetDatai(PyObject*, PyObject* arg) {
    return OnRef(arg, "XPLMGetDatai", BM_Zero, XPLMGetDatai, BM_IntFromLong);
}
PyObject* PY_XPLMGetDataf(PyObject*, PyObject* arg) {
    return OnRef(arg, "XPLMGetDataf", BM_Zero, XPLMGetDataf, PyFloat_FromDouble);
}
PyObject* PY_XPLMGetDatad(PyObject*, PyObject* arg) {
    return OnRef(arg, "XPLMGetDatad", BM_Zero, XPLMGetDatad, PyFloat_FromDouble);
}

// The setters of one value: parse the ref and the value, write, answer the success marker.
template <typename T, typename Host>
PyObject* SetOnRef(PyObject* args, const char* format, const char* function, Host host, PyObject* (*success)()) {
    Py_ssize_t ref;
    T value;
    if (!BM_ParseTuple(args, format, &ref, &value)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        host(BM_Handle(ref), value);
        return success();
    });
}

PyObject* OneFloat() { return PyFloat_FromDouble(1.0); }  // XPLMSetDatad answers 1.0

PyObject* PY_XPLMSetDatai(PyObject*, PyObject* args) {
    return SetOnRef<int>(args, BM_H "i", "XPLMSetDatai", XPLMSetDatai, BM_One);
}
// Not the "f" format: a value beyond the float range raises OverflowError instead of being
// written as an infinity.
PyObject* PY_XPLMSetDataf(PyObject*, PyObject* args) {
    Py_ssize_t ref;
    float value;
    if (!BM_ParseTuple(args, BM_H "O&", &ref, BM_ConvertFloat, &value)) return nullptr;
    return BM_CallHost(kModule, "XPLMSetDataf", BM_Zero, [&] {
        XPLMSetDataf(BM_Handle(ref), value);
        return BM_One();
    });
}
PyObject* PY_XPLMSetDatad(PyObject*, PyObject* args) {
    return SetOnRef<double>(args, BM_H "d", "XPLMSetDatad", XPLMSetDatad, OneFloat);
}

// ---- Arrays and bytes ----
//
// Reads: with None the answer is the data's length; with a list, the elements from the offset
// on, at most `max` of them, are appended and their number answered. The buffer is sized from
// what the data holds (asked for first), never from `max` alone, and the host is told no more
// than the buffer holds: providers copy up to the maximum they are given.
//
// Writes: the values are a sequence, of which the first min(count, len) elements are converted
// and written; elements past those are not looked at. An element of the wrong type raises
// TypeError, one outside the C type's range OverflowError, and then nothing is written.
//
// Offsets, maximums and counts are positions in the data: a negative one raises ValueError, one
// beyond a C int OverflowError (the argument parser's), and the host is not called.

struct ArrayArgs {
    Py_ssize_t ref;
    PyObject* values;
    int offset;
    int max;
};

bool ParseArrayArgs(PyObject* args, ArrayArgs* out) {
    return BM_ParseTuple(args, BM_H "Oii", &out->ref, &out->values, &out->offset, &out->max) != 0;
}

// `countName` is what the function calls its last argument.
bool CheckPositions(const char* function, const ArrayArgs& a, const char* countName) {
    if (a.offset < 0) {
        PyErr_Format(PyExc_ValueError, "%s: offset must not be negative", function);
        return false;
    }
    if (a.max < 0) {
        PyErr_Format(PyExc_ValueError, "%s: %s must not be negative", function, countName);
        return false;
    }
    return true;
}

// Holds one reference until the end of its scope, also when an exception passes.
struct Owned {
    PyObject* object;
    ~Owned() { Py_XDECREF(object); }
};

// How many elements a read can get: at most `max`, at most what the data holds past the
// offset, and never fewer than none.
int Readable(int total, int offset, int max) {
    long long available = static_cast<long long>(total) - offset;
    return static_cast<int>(std::max(0LL, std::min<long long>(max, available)));
}

template <typename T, typename Host, typename Make>
PyObject* ReadArray(PyObject* args, const char* function, Host host, Make make) {
    ArrayArgs a;
    if (!ParseArrayArgs(args, &a)) return nullptr;
    if (a.values != Py_None) {
        if (!PyList_Check(a.values)) {
            PyErr_Format(PyExc_TypeError, "%s: expected a list or None", function);
            return nullptr;
        }
        if (!CheckPositions(function, a, "max")) return nullptr;
    }
    return BM_CallHost(kModule, function, BM_Zero, [&]() -> PyObject* {
        void* ref = BM_Handle(a.ref);
        int total = host(ref, nullptr, a.offset, a.max);
        if (a.values == Py_None) return BM_IntFromLong(total);
        int wanted = Readable(total, a.offset, a.max);
        if (wanted == 0) return BM_IntFromLong(0);
        std::vector<T> buffer(std::size_t(wanted) + 1);  // one element to spare
        int count = std::max(0, std::min(host(ref, buffer.data(), a.offset, wanted), wanted));
        return make(a.values, buffer, count) ? BM_IntFromLong(count) : nullptr;
    });
}

template <typename T, typename Make>
bool AppendEach(PyObject* list, const std::vector<T>& buffer, int count, Make make) {
    for (int i = 0; i < count; ++i) {
        PyObject* item = make(buffer[std::size_t(i)]);
        int failed = item ? PyList_Append(list, item) : -1;
        Py_XDECREF(item);
        if (failed) return false;
    }
    return true;
}

bool AppendNumbers(PyObject* list, const std::vector<int>& buffer, int count) {
    return AppendEach(list, buffer, count, [](int v) { return BM_IntFromLong(v); });
}

bool AppendFloats(PyObject* list, const std::vector<float>& buffer, int count) {
    return AppendEach(list, buffer, count, [](float v) { return PyFloat_FromDouble(v); });
}

// Bytes arrive as one string, ending at the first NUL among the bytes read.
bool AppendByteString(PyObject* list, const std::vector<char>& buffer, int count) {
    const char* end = std::find(buffer.data(), buffer.data() + count, '\0');
    PyObject* text = BM_BytesFromBuffer(buffer.data(), end - buffer.data());
    if (!text) return false;
    int failed = PyList_Append(list, text);
    Py_DECREF(text);
    return failed == 0;
}

PyObject* PY_XPLMGetDatavi(PyObject*, PyObject* args) {
    return ReadArray<int>(args, "XPLMGetDatavi", XPLMGetDatavi, AppendNumbers);
}
PyObject* PY_XPLMGetDatavf(PyObject*, PyObject* args) {
    return ReadArray<float>(args, "XPLMGetDatavf", XPLMGetDatavf, AppendFloats);
}
PyObject* PY_XPLMGetDatab(PyObject*, PyObject* args) {
    return ReadArray<char>(args, "XPLMGetDatab",
                           [](void* ref, char* out, int offset, int max) { return XPLMGetDatab(ref, out, offset, max); },
                           AppendByteString);
}

// An integer element in [low, high]: 1 when it is one, 0 when it is an integer outside (no
// error set), -1 with the error set when it is no integer at all (TypeError `typeError`).
int IntegerIn(PyObject* item, long low, long high, const char* typeError, long* out) {
    if (!BM_IsInt(item)) {
        PyErr_SetString(PyExc_TypeError, typeError);
        return -1;
    }
    long value = BM_IntAsLong(item);
    if (value == -1 && PyErr_Occurred()) {
        if (!PyErr_ExceptionMatches(PyExc_OverflowError)) return -1;
        PyErr_Clear();  // beyond a C long: outside any range asked for
        return 0;
    }
    *out = value;
    return value >= low && value <= high ? 1 : 0;
}

// No data ref of the simulator holds a million elements: a write of more is refused before a
// buffer for it is made (a script's count and a lazy sequence could ask for gigabytes).
constexpr Py_ssize_t kMostWrittenElements = Py_ssize_t(1) << 20;

bool WithinWriteLimit(const char* function, Py_ssize_t count) {
    if (count <= kMostWrittenElements) return true;
    PyErr_Format(PyExc_ValueError, "%s: at most %zd elements at a time, not %zd", function, kMostWrittenElements, count);
    return false;
}

bool IntElement(const char* function, PyObject* item, Py_ssize_t index, int* out) {
    long value = 0;
    int fits = IntegerIn(item, INT_MIN, INT_MAX, "expected sequence of integers", &value);
    if (fits == 0)
        PyErr_Format(PyExc_OverflowError, "%s: element %zd is out of range for a C int", function, index);
    if (fits != 1) return false;
    *out = static_cast<int>(value);
    return true;
}

bool FloatElement(const char* function, PyObject* item, Py_ssize_t index, float* out) {
    if (!PyFloat_Check(item)) {
        PyErr_SetString(PyExc_TypeError, "expected sequence of floats");
        return false;
    }
    double value = PyFloat_AS_DOUBLE(item);
    if (!BM_FitsFloat(value)) {
        PyErr_Format(PyExc_OverflowError, "%s: element %zd is out of range for a C float", function, index);
        return false;
    }
    *out = static_cast<float>(value);
    return true;
}

// Writes an array: see the rules above.
template <typename T, typename Convert, typename Host>
PyObject* WriteArray(PyObject* args, const char* function, Convert convert, Host host) {
    return BM_RaiseInstead([&]() -> PyObject* {
        ArrayArgs a;
        if (!ParseArrayArgs(args, &a) || !CheckPositions(function, a, "count")) return nullptr;
        if (!PySequence_Check(a.values)) {
            PyErr_SetString(PyExc_TypeError, "expected sequence");
            return nullptr;
        }
        Py_ssize_t n = PySequence_Size(a.values);
        if (n < 0) return nullptr;
        int count = int(std::min<Py_ssize_t>(a.max, n));
        if (!WithinWriteLimit(function, count)) return nullptr;
        std::vector<T> buffer(std::size_t(count) + 1);  // never empty: the host gets a real pointer
        for (int i = 0; i < count; ++i) {
            Owned item{PySequence_GetItem(a.values, i)};
            if (!item.object || !convert(function, item.object, i, &buffer[std::size_t(i)])) return nullptr;
        }
        return BM_CallHost(kModule, function, BM_Zero, [&] {
            host(BM_Handle(a.ref), buffer.data(), a.offset, count);
            return BM_One();
        });
    });
}

PyObject* PY_XPLMSetDatavi(PyObject*, PyObject* args) {
    return WriteArray<int>(args, "XPLMSetDatavi", IntElement, XPLMSetDatavi);
}
PyObject* PY_XPLMSetDatavf(PyObject*, PyObject* args) {
    return WriteArray<float>(args, "XPLMSetDatavf", FloatElement, XPLMSetDatavf);
}

const char kByteTypes[] = "XPLMSetDatab: expected a string, or a sequence of one string or of integers";

// The bytes a write gives, at most `limit` of them: a byte string's own bytes, a text string's
// UTF-8 bytes, the same for a sequence holding one string, or one integer per byte from -128 to
// 255 (signed and unsigned bytes both). Anything else raises TypeError, an integer outside that
// range OverflowError.
bool CollectBytes(PyObject* values, int limit, std::vector<char>* out) {
    Owned text{nullptr};
    if (BM_IsBytesOrText(values)) {
        Py_INCREF(values);
        text.object = values;
    } else {
        if (!PySequence_Check(values)) {
            PyErr_SetString(PyExc_TypeError, kByteTypes);
            return false;
        }
        Py_ssize_t n = PySequence_Size(values);
        if (n < 0) return false;
        if (n == 0) {
            PyErr_SetString(PyExc_TypeError, "expected sequence of bytes");
            return false;
        }
        if (n == 1) {
            Owned first{PySequence_GetItem(values, 0)};
            if (!first.object) return false;
            if (BM_IsBytesOrText(first.object)) std::swap(text.object, first.object);
        }
        if (!text.object) {
            if (!WithinWriteLimit("XPLMSetDatab", std::min<Py_ssize_t>(limit, n))) return false;
            out->resize(std::size_t(std::min<Py_ssize_t>(limit, n)));
            for (std::size_t i = 0; i < out->size(); ++i) {
                Owned item{PySequence_GetItem(values, Py_ssize_t(i))};
                if (!item.object) return false;
                long value = 0;
                int fits = IntegerIn(item.object, -128, 255, kByteTypes, &value);
                if (fits == 0)
                    PyErr_Format(PyExc_OverflowError, "XPLMSetDatab: element %zd is out of range for a byte (-128 to 255)",
                                 Py_ssize_t(i));
                if (fits != 1) return false;
                (*out)[i] = static_cast<char>(value & 0xFF);
            }
            return true;
        }
    }
    Owned bytes{BM_EncodedBytes(text.object)};
    char* data = nullptr;
    Py_ssize_t length = 0;
    if (!bytes.object || !BM_BytesOf(bytes.object, &data, &length)) return false;
    out->assign(data, data + std::min<Py_ssize_t>(length, limit));
    return true;
}

// The simulator reads from a zero-filled buffer of at least 1024 bytes and never past its end:
// a count beyond the bytes given writes zeros after them, up to 1024 bytes in all.
PyObject* PY_XPLMSetDatab(PyObject*, PyObject* args) {
    return BM_RaiseInstead([&]() -> PyObject* {
        ArrayArgs a;
        if (!ParseArrayArgs(args, &a) || !CheckPositions("XPLMSetDatab", a, "count")) return nullptr;
        std::vector<char> data;
        if (!CollectBytes(a.values, a.max, &data)) return nullptr;
        std::vector<char> buffer(std::max(kByteWriteBuffer, data.size()), 0);
        std::copy(data.begin(), data.end(), buffer.begin());
        int length = int(std::min<std::size_t>(std::size_t(a.max), buffer.size()));
        return BM_CallHost(kModule, "XPLMSetDatab", BM_Zero, [&] {
            XPLMSetDatab(BM_Handle(a.ref), buffer.data(), a.offset, length);
            return BM_One();
        });
    });
}

// ---- Data accessors: the simulator holds the accessor's record as read and write refcon ----

void UnregisterAccessor(_CallbackRecordStruct& record) { XPLMUnregisterDataAccessor(record.handle); }

// A data type the script does not provide (None or 0 in place of the callable) is not offered
// to the simulator, which then answers 0 for it as for any accessor without that type.
PyObject* PY_XPLMRegisterDataAccessor(PyObject*, PyObject* args) {
    PyObject* script;
    const char* name;
    int type, writable;
    PyObject* callables[BM_MaxCallables];  // read int, write int, read float, ... in the simulator's order
    Py_ssize_t readRefcon, writeRefcon;
    const char* function = "XPLMRegisterDataAccessor";
    if (!BM_ParseTuple(args, "OsiiOOOOOOOOOOOO" BM_H BM_H, &script, &name, &type, &writable, &callables[0],
                          &callables[1], &callables[2], &callables[3], &callables[4], &callables[5], &callables[6],
                          &callables[7], &callables[8], &callables[9], &callables[10], &callables[11], &readRefcon,
                          &writeRefcon))
        return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    for (PyObject*& callable : callables) {
        bool absent = callable == Py_None || (BM_IsInt(callable) && PyObject_Not(callable) == 1);
        if (absent) {
            callable = nullptr;
        } else if (!BM_CheckCallable(callable, function, "each accessor")) {
            return nullptr;
        }
    }
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record =
            BM_Table().AddRecord(script, BM_KindDataAccessor, callables[0], BM_Refcon(readRefcon));
        for (int slot = 1; slot < BM_MaxCallables; ++slot) {
            record->callables[slot] = callables[slot];
            Py_XINCREF(callables[slot]);
        }
        record->writeRefcon = BM_Refcon(writeRefcon);
        // The trampoline of each type and direction the script provides.
        auto given = [&](BM_DataKind kind, bool write, auto trampoline) {
            return callables[BM_AccessorSlot(kind, write)] ? trampoline : nullptr;
        };
        XPLMDataRef ref = nullptr;
        if (BM_RegisterRecord(record, UnregisterAccessor, [&] {
                ref = XPLMRegisterDataAccessor(
                    name, type, writable, given(BM_Datai, false, BM_GetDatai_Callback),
                    given(BM_Datai, true, BM_SetDatai_Callback), given(BM_Dataf, false, BM_GetDataf_Callback),
                    given(BM_Dataf, true, BM_SetDataf_Callback), given(BM_Datad, false, BM_GetDatad_Callback),
                    given(BM_Datad, true, BM_SetDatad_Callback), given(BM_Datavi, false, BM_GetDatavi_Callback),
                    given(BM_Datavi, true, BM_SetDatavi_Callback), given(BM_Datavf, false, BM_GetDatavf_Callback),
                    given(BM_Datavf, true, BM_SetDatavf_Callback), given(BM_Datab, false, BM_GetDatab_Callback),
                    given(BM_Datab, true, BM_SetDatab_Callback), record, record);
                return ref != nullptr;
            }))
            BM_Table().SetHandle(record, ref);
        return BM_IntFromHandle(ref);
    });
}

// The answer is 1 when the accessor went, 0 when the calling script did not register it.
PyObject* PY_XPLMUnregisterDataAccessor(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t ref;
    if (!BM_ParseTuple(args, "O" BM_H, &script, &ref)) return nullptr;
    if (!BM_CheckScript(script, "XPLMUnregisterDataAccessor")) return nullptr;
    return BM_CallHost(kModule, "XPLMUnregisterDataAccessor", BM_Zero, [&] {
        return BM_RemoveFound(BM_OwnRecordOfHandle(BM_KindDataAccessor, BM_Handle(ref), script));
    });
}

// ---- Shared data: the simulator holds the sharing's record as its refcon ----

void UnshareRecord(_CallbackRecordStruct& record) {
    XPLMUnshareData(record.name.c_str(), record.type, BM_SharedDataCallback, &record);
}

// The script's sharing of this item with this callable and refcon.
_CallbackRecordStruct* FindSharing(PyObject* script, const char* name, int type, PyObject* callable,
                                   Py_ssize_t refcon) {
    return BM_Table().FindRecord(script, BM_RecordKey::SharedData(callable, BM_Refcon(refcon), name, type));
}

PyObject* PY_XPLMShareData(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    const char* name;
    int type;
    Py_ssize_t refcon;
    const char* function = "XPLMShareData";
    if (!BM_ParseTuple(args, "OsiO" BM_H, &script, &name, &type, &callable, &refcon)) return nullptr;
    if (!BM_CheckScript(script, function) || !BM_CheckCallable(callable, function, "the callback")) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        if (FindSharing(script, name, type, callable, refcon)) return BM_One();  // shared already
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindSharedData, callable, BM_Refcon(refcon));
        bool taken = BM_RegisterRecord(record, UnshareRecord, [&] {
            record->name = name;
            record->type = type;
            return XPLMShareData(name, type, BM_SharedDataCallback, record) != 0;
        });
        return BM_IntFromLong(taken ? 1 : 0);
    });
}

// The answer is 1 when the sharing went, 0 when the script had none such.
PyObject* PY_XPLMUnshareData(PyObject*, PyObject* args) {
    PyObject *script, *callable;
    const char* name;
    int type;
    Py_ssize_t refcon;
    if (!BM_ParseTuple(args, "OsiO" BM_H, &script, &name, &type, &callable, &refcon)) return nullptr;
    if (!BM_CheckScript(script, "XPLMUnshareData")) return nullptr;
    return BM_CallHost(kModule, "XPLMUnshareData", BM_Zero, [&] {
        _CallbackRecordStruct* record = FindSharing(script, name, type, callable, refcon);
        return BM_RemoveFound(record);
    });
}

// ---- Introspection ----

PyObject* PY_XPLMCountDataRefs(PyObject*, PyObject*) {
    return BM_CallHost(kModule, "XPLMCountDataRefs", BM_Zero, [] { return BM_IntFromLong(XPLMCountDataRefs()); });
}

// More refs than the simulator could have are refused before a buffer for them is made.
constexpr int kMostRefsAtOnce = 1 << 20;

// The refs are appended to the list as ints (0 past the last); the answer is how many.
PyObject* PY_XPLMGetDataRefsByIndex(PyObject*, PyObject* args) {
    int offset, count;
    PyObject* list;
    const char* function = "XPLMGetDataRefsByIndex";
    if (!BM_ParseTuple(args, "iiO", &offset, &count, &list)) return nullptr;
    if (!PyList_Check(list)) {
        PyErr_Format(PyExc_TypeError, "%s: outDataRefs: expected a list", function);
        return nullptr;
    }
    if (count > kMostRefsAtOnce) {
        PyErr_Format(PyExc_ValueError, "%s: at most %d refs at a time, not %d", function, kMostRefsAtOnce, count);
        return nullptr;
    }
    return BM_CallHost(kModule, function, BM_Zero, [&]() -> PyObject* {
        if (offset < 0 || count < 0) {
            XPLMGetDataRefsByIndex(offset, count, nullptr);  // the simulator tells of the misuse
            return BM_Zero();
        }
        std::vector<XPLMDataRef> refs(std::size_t(count) + 1, nullptr);
        XPLMGetDataRefsByIndex(offset, count, refs.data());
        for (int i = 0; i < count; ++i) {
            PyObject* ref = BM_IntFromHandle(refs[std::size_t(i)]);
            int failed = ref ? PyList_Append(list, ref) : -1;
            Py_XDECREF(ref);
            if (failed) return nullptr;
        }
        return BM_IntFromLong(count);
    });
}

// An XPLMDataRefInfo_t (name, type, writable, owner), or None for what is no data ref.
PyObject* PY_XPLMGetDataRefInfo(PyObject* module, PyObject* arg) {
    Py_ssize_t ref;
    if (!BM_ParseHandle(arg, &ref)) return nullptr;
    return BM_CallHost(kModule, "XPLMGetDataRefInfo", BM_NoneResult, [&]() -> PyObject* {
        XPLMDataRefInfo_t info{};
        info.structSize = int(sizeof info);
        XPLMGetDataRefInfo(BM_Handle(ref), &info);
        if (!info.name) return BM_NoneResult();
        return BM_OutputStruct(module, "XPLMDataRefInfo_t",
                               Py_BuildValue("(Niii)", BM_TextFromUtf8(info.name), info.type, info.writable, info.owner));
    });
}

PyObject* PY_XPLMIsDataRefGood(PyObject*, PyObject* arg) {
    return OnRef(arg, "XPLMIsDataRefGood", BM_Zero, XPLMIsDataRefGood, BM_IntFromLong);
}

PyMethodDef XPLMDataAccessMethods[] = {
    {"XPLMFindDataRef", PY_XPLMFindDataRef, METH_VARARGS,
     "Looks up a data ref by its name, e.g. \"sim/cockpit/radios/nav1_freq_hz\".\n"
     "\n"
     "inDataRefName: the data ref's path\n"
     "\n"
     "Returns the data ref handle (an int), or None when there is no such data ref."},
    {"XPLMCanWriteDataRef", PY_XPLMCanWriteDataRef, METH_O,
     "Tells whether a data ref can be written.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "\n"
     "Returns 1 when it is writable, 0 when not or when the handle is bad."},
    {"XPLMGetDataRefTypes", PY_XPLMGetDataRefTypes, METH_O,
     "Tells the types a data ref can be read as.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "\n"
     "Returns a bit field of xplmType_Int, xplmType_Float, xplmType_Double, xplmType_FloatArray,\n"
     "xplmType_IntArray and xplmType_Data; 0 for a bad handle."},
    {"XPLMGetDatai", PY_XPLMGetDatai, METH_O,
     "Reads a data ref as an int.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "\n"
     "Returns the value as an int; 0 when the data ref is bad or has no such type."},
    {"XPLMSetDatai", PY_XPLMSetDatai, METH_VARARGS,
     "Writes an int to a data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "inValue: the new value (int)\n"
     "\n"
     "Returns 1 (the simulator ignores writes to bad or read-only data refs)."},
    {"XPLMGetDataf", PY_XPLMGetDataf, METH_O,
     "Reads a data ref as a float.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "\n"
     "Returns the value as a float; 0 when the data ref is bad or has no such type."},
    {"XPLMSetDataf", PY_XPLMSetDataf, METH_VARARGS,
     "Writes a float to a data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "inValue: the new value (float; OverflowError beyond the C float range)\n"
     "\n"
     "Returns 1 (the simulator ignores writes to bad or read-only data refs)."},
    {"XPLMGetDatad", PY_XPLMGetDatad, METH_O,
     "Reads a data ref as a double.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "\n"
     "Returns the value as a float; 0 when the data ref is bad or has no such type."},
    {"XPLMSetDatad", PY_XPLMSetDatad, METH_VARARGS,
     "Writes a double to a data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "inValue: the new value (float)\n"
     "\n"
     "Returns 1 (the simulator ignores writes to bad or read-only data refs)."},
    {"XPLMGetDatavi", PY_XPLMGetDatavi, METH_VARARGS,
     "Reads elements of an int array data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "outValues: a list the elements are appended to, or None to ask for the array's length\n"
     "inOffset: the first element read (not negative)\n"
     "inMax: the most elements read (not negative)\n"
     "\n"
     "Returns the number of elements appended; with None, the length of the array.\n"
     "Raises ValueError for a negative offset or maximum."},
    {"XPLMSetDatavi", PY_XPLMSetDatavi, METH_VARARGS,
     "Writes elements of an int array data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "inValues: a sequence of ints; its first min(inCount, len) elements are written\n"
     "inoffset: the first element written (not negative)\n"
     "inCount: the number of elements written (not negative)\n"
     "\n"
     "Returns 1. Raises TypeError for an element that is no int, OverflowError for one out of\n"
     "range, ValueError for a negative offset or count; then nothing is written."},
    {"XPLMGetDatavf", PY_XPLMGetDatavf, METH_VARARGS,
     "Reads elements of a float array data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "outValues: a list the elements are appended to, or None to ask for the array's length\n"
     "inOffset: the first element read (not negative)\n"
     "inMax: the most elements read (not negative)\n"
     "\n"
     "Returns the number of elements appended; with None, the length of the array.\n"
     "Raises ValueError for a negative offset or maximum."},
    {"XPLMSetDatavf", PY_XPLMSetDatavf, METH_VARARGS,
     "Writes elements of a float array data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "inValues: a sequence of floats; its first min(inCount, len) elements are written\n"
     "inoffset: the first element written (not negative)\n"
     "inCount: the number of elements written (not negative)\n"
     "\n"
     "Returns 1. Raises TypeError for an element that is no float, OverflowError for one out of\n"
     "range, ValueError for a negative offset or count; then nothing is written."},
    {"XPLMGetDatab", PY_XPLMGetDatab, METH_VARARGS,
     "Reads bytes of a data (byte array) data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "outValue: a list the bytes are appended to as one string (ending at the first NUL), or None\n"
     "    to ask for the data's length\n"
     "inOffset: the first byte read (not negative)\n"
     "inMaxBytes: the most bytes read (not negative)\n"
     "\n"
     "Returns the number of bytes read; with None, the length of the data.\n"
     "Raises ValueError for a negative offset or maximum."},
    {"XPLMSetDatab", PY_XPLMSetDatab, METH_VARARGS,
     "Writes bytes to a data (byte array) data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "inValue: a byte or text string (written as UTF-8), a sequence holding one string, or a\n"
     "    sequence of ints from -128 to 255, one per byte\n"
     "inOffset: the first byte written (not negative)\n"
     "inLength: the number of bytes written; past the bytes given, zeros are written\n"
     "\n"
     "Returns 1. Raises TypeError for a value of another kind, OverflowError for an int out of\n"
     "range, ValueError for a negative offset or length."},
    {"XPLMRegisterDataAccessor", PY_XPLMRegisterDataAccessor, METH_VARARGS,
     "Publishes a data ref of the script's own: the simulator calls its accessors to read and\n"
     "write it.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inDataName: the new data ref's path\n"
     "inDataType: the xplmType_* bits of the types it offers\n"
     "inIsWritable: 1 when other plug-ins may write it\n"
     "inReadInt, inReadFloat, inReadDouble: called as read(refcon) -> the value\n"
     "inWriteInt, inWriteFloat, inWriteDouble: called as write(refcon, value)\n"
     "inReadIntArray, inReadFloatArray: called as read(refcon, values, offset, max) -> int: append\n"
     "    at most max elements from offset to values and answer how many; values is None when the\n"
     "    simulator asks for the length, which is then the answer\n"
     "inWriteIntArray, inWriteFloatArray: called as write(refcon, values, offset, count)\n"
     "inReadData: as the array reads, appending ints (bytes); inWriteData: as the array writes\n"
     "Each accessor is a method of the script object, or None (or 0) for a type not offered.\n"
     "inReadRefcon: an int handed to the reads; inWriteRefcon: an int handed to the writes\n"
     "\n"
     "The data ref belongs to the script and goes when the script stops.\n"
     "Returns the data ref handle (an int), or 0 when the simulator refused it. Raises TypeError\n"
     "when self is no script object or an accessor is neither callable nor None."},
    {"XPLMUnregisterDataAccessor", PY_XPLMUnregisterDataAccessor, METH_VARARGS,
     "Withdraws a data ref the script published with XPLMRegisterDataAccessor.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inDataRef: the handle XPLMRegisterDataAccessor returned\n"
     "\n"
     "Returns 1 when it went, 0 when the script did not register it."},
    {"XPLMShareData", PY_XPLMShareData, METH_VARARGS,
     "Shares a data item between plug-ins, creating it when nobody has yet.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inDataName: the item's path\n"
     "inDataType: its xplmType_* type\n"
     "inNotificationFunc: called as inNotificationFunc(refcon) whenever the item changes\n"
     "inNotificationRefcon: an int handed back to the callback\n"
     "\n"
     "The sharing belongs to the script and ends when the script stops.\n"
     "Returns 1 when shared (also when the script shares it so already), 0 when the item exists\n"
     "with another type. Raises TypeError when inNotificationFunc is not callable."},
    {"XPLMUnshareData", PY_XPLMUnshareData, METH_VARARGS,
     "Ends a sharing the script made with XPLMShareData.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inDataName, inDataType, inNotificationFunc, inNotificationRefcon: as given to XPLMShareData\n"
     "\n"
     "Returns 1 when the sharing went, 0 when the script had none such."},
    {"XPLMCountDataRefs", PY_XPLMCountDataRefs, METH_NOARGS,
     "Counts the data refs the simulator knows, its own and the plug-ins'.\n"
     "\n"
     "Returns the count as an int."},
    {"XPLMGetDataRefsByIndex", PY_XPLMGetDataRefsByIndex, METH_VARARGS,
     "Lists data refs by their index, 0 to XPLMCountDataRefs() - 1.\n"
     "\n"
     "offset: the index of the first\n"
     "count: how many (at most a million at a time)\n"
     "outDataRefs: a list the handles are appended to (0 past the last data ref)\n"
     "\n"
     "Returns the number appended. Raises TypeError when outDataRefs is no list."},
    {"XPLMGetDataRefInfo", PY_XPLMGetDataRefInfo, METH_O,
     "Describes a data ref.\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "\n"
     "Returns an XPLMDataRefInfo_t with name, type, writable and owner (the plug-in id), or None\n"
     "when the handle is no data ref."},
    {"XPLMIsDataRefGood", PY_XPLMIsDataRefGood, METH_O,
     "Tells whether a data ref handle still works (its provider may have gone).\n"
     "\n"
     "inDataRef: the data ref handle (an int, from XPLMFindDataRef)\n"
     "\n"
     "Returns 1 when it is good, 0 when not."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMDataAccess() {
    BM_InitModule(kModule, XPLMDataAccessMethods, kConstants, int(sizeof kConstants / sizeof kConstants[0]));
}
