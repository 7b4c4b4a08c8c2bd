// The twelve accessor trampolines: the simulator reads and writes a script's own data refs.
//
// The simulator's refcon, for reads and writes alike, is the accessor's record. A callable runs
// only when it is a bound method of the enabled script that registered it. Reads from a script
// that is gone or disabled give 0, from a callable bound to another object 1; a script that
// raised gives 1.
//
// Array and byte reads never write past the simulator's buffer nor read past the script's list,
// and report at most as many elements as they copied: positions the script did not fill are
// left as they were.
#include "BrindlemoorTrampolines.h"

#include "PyCompat.h"

#include <algorithm>
#include <cstring>

#include "TrampolineSupport.h"
#include "ScriptThreads.h"

namespace {

enum class Access { NotLive, NotOwner, Call };

// Steps shared by all twelve: the record and its callable for this type and direction, and
// whether that callable is a bound method of the enabled script that registered it.
Access PrepareCall(void* refcon, BM_DataKind kind, bool write, _CallbackRecordStruct** record) {
    *record = BM_LiveRecord(refcon);
    if (!*record) return Access::NotLive;
    PyObject* callable = (*record)->callables[BM_AccessorSlot(kind, write)];
    if (!callable) return Access::NotLive;
    PyObject* owner = PyMethod_Check(callable) ? PyMethod_GET_SELF(callable) : nullptr;
    if (!owner) return Access::NotLive;
    return owner == (*record)->entry->pScriptId ? Access::Call : Access::NotOwner;
}

// A scalar read: `convert` turns the script's result into the value.
template <typename T, typename Convert>
T Read(void* inRefcon, BM_DataKind kind, Convert convert) {
    _CallbackRecordStruct* record;
    switch (PrepareCall(inRefcon, kind, false, &record)) {
        case Access::NotLive: return T(0);
        case Access::NotOwner: return T(1);
        case Access::Call: break;
    }
    BM_RecordInUse use(record);
    int slot = BM_AccessorSlot(kind, false);
    PyObject* result = BM_CallRecord(record, slot, Py_BuildValue("(" BM_REFCON ")", record->refcon));
    return result ? convert(*record, slot, result) : T(1);
}

// A write: `args` builds the tuple from the script's write refcon.
template <typename Args>
void Write(void* inRefcon, BM_DataKind kind, Args args) {
    _CallbackRecordStruct* record;
    if (PrepareCall(inRefcon, kind, true, &record) != Access::Call) return;
    BM_RecordInUse use(record);
    PyObject* result = BM_CallRecord(record, BM_AccessorSlot(kind, true), args(record->writeRefcon));
    Py_XDECREF(result);
}

// An array or byte read: the script appends to a list (None when the simulator asks for the
// size) and returns a count; `copy` moves the list into the buffer and says how many it moved.
template <typename Copy>
int ReadArray(void* inRefcon, BM_DataKind kind, void* buffer, int inOffset, int inMax, Copy copy) {
    _CallbackRecordStruct* record;
    switch (PrepareCall(inRefcon, kind, false, &record)) {
        case Access::NotLive: return 0;
        case Access::NotOwner: return 1;
        case Access::Call: break;
    }
    BM_RecordInUse use(record);
    int slot = BM_AccessorSlot(kind, false);
    PyObject* list = buffer ? PyList_New(0) : (Py_INCREF(Py_None), Py_None);
    PyObject* args = list ? Py_BuildValue("(" BM_REFCON "Oii)", record->refcon, list, inOffset, inMax) : nullptr;
    PyObject* result = BM_CallRecord(record, slot, args);
    if (!result) {
        Py_XDECREF(list);
        return 1;
    }
    int count = BM_ResultInt(*record, slot, result, 1);
    if (buffer) {
        int copied = copy(*record, slot, list, std::max(inMax, 0));
        count = std::max(0, std::min(count, copied));
    }
    Py_DECREF(list);
    return count;
}

template <typename T, typename Convert>
int CopyNumbers(_CallbackRecordStruct& record, int slot, PyObject* list, int max, T* out, Convert convert) {
    int n = int(std::min<Py_ssize_t>(PyList_Size(list), max));
    int copied = 0;
    for (; copied < n; ++copied) {
        T value = convert(PyList_GET_ITEM(list, copied));
        if (PyErr_Occurred()) {
            BM_CallbackFailed(record, slot);  // a non-number ends the copy
            break;
        }
        out[copied] = value;
    }
    return copied;
}

int CopyBytes(_CallbackRecordStruct& record, int slot, PyObject* list, int max, unsigned char* out) {
    if (PyList_Size(list) == 0) return 0;
    PyObject* first = PyList_GET_ITEM(list, 0);
    if (BM_IsBytesOrText(first)) {
        PyObject* encoded = BM_EncodedBytes(first);
        char* bytes = nullptr;
        Py_ssize_t length = 0;
        if (!encoded || !BM_BytesOf(encoded, &bytes, &length)) {
            Py_XDECREF(encoded);
            BM_CallbackFailed(record, slot);
            return 0;
        }
        int n = int(std::min<Py_ssize_t>(length + 1, max));  // with its NUL, when it fits
        std::memcpy(out, bytes, std::size_t(n));
        Py_DECREF(encoded);
        return n;
    }
    return CopyNumbers(record, slot, list, max, out, [](PyObject* item) {
        return static_cast<unsigned char>(BM_IntAsLong(item) & 0xFF);
    });
}

// A list of `count` values made from the simulator's buffer; None when it gave no buffer.
template <typename T, typename Make>
PyObject* ListOf(const T* values, int count, Make make) {
    if (!values) {
        Py_RETURN_NONE;
    }
    PyObject* list = PyList_New(std::max(count, 0));
    for (int i = 0; list && i < count; ++i) {
        PyObject* item = make(values[i]);
        if (!item) {
            Py_CLEAR(list);
            break;
        }
        PyList_SET_ITEM(list, i, item);
    }
    return list;
}

// The tuple (refcon, list, offset, count); the list is consumed.
PyObject* ArrayArgs(intptr_t refcon, PyObject* list, int offset, int count) {
    if (!list) return nullptr;
    PyObject* args = Py_BuildValue("(" BM_REFCON "Oii)", refcon, list, offset, count);
    Py_DECREF(list);
    return args;
}

}  // namespace

// ---- Workers ----

int CallUserGetDatai_Callback(void* inRefcon) {
    return Read<int>(inRefcon, BM_Datai,
                     [](_CallbackRecordStruct& r, int slot, PyObject* result) { return BM_ResultInt(r, slot, result, 1); });
}
void CallUserSetDatai_Callback(void* inRefcon, int inValue) {
    Write(inRefcon, BM_Datai,
          [&](intptr_t refcon) { return Py_BuildValue("(" BM_REFCON "i)", refcon, inValue); });
}
float CallUserGetDataf_Callback(void* inRefcon) {
    return Read<float>(inRefcon, BM_Dataf,
                       [](_CallbackRecordStruct& r, int slot, PyObject* result) { return BM_ResultFloat(r, slot, result, 1.0f); });
}
void CallUserSetDataf_Callback(void* inRefcon, float inValue) {
    Write(inRefcon, BM_Dataf,
          [&](intptr_t refcon) { return Py_BuildValue("(" BM_REFCON "f)", refcon, double(inValue)); });
}
double CallUserGetDatad_Callback(void* inRefcon) {
    return Read<double>(inRefcon, BM_Datad,
                        [](_CallbackRecordStruct& r, int slot, PyObject* result) { return BM_ResultDouble(r, slot, result, 1.0); });
}
void CallUserSetDatad_Callback(void* inRefcon, double inValue) {
    Write(inRefcon, BM_Datad,
          [&](intptr_t refcon) { return Py_BuildValue("(" BM_REFCON "d)", refcon, inValue); });
}

int CallUserGetDatavi_Callback(void* inRefcon, int* outValues, int inOffset, int inMax) {
    return ReadArray(inRefcon, BM_Datavi, outValues, inOffset, inMax,
                     [&](_CallbackRecordStruct& r, int slot, PyObject* list, int max) {
                         return CopyNumbers(r, slot, list, max, outValues, [](PyObject* item) { return int(BM_IntAsLong(item)); });
                     });
}
void CallUserSetDatavi_Callback(void* inRefcon, int* inValues, int inOffset, int inCount) {
    Write(inRefcon, BM_Datavi, [&](intptr_t refcon) {
        return ArrayArgs(refcon, ListOf(inValues, inCount, [](int v) { return BM_IntFromLong(v); }), inOffset, inCount);
    });
}
int CallUserGetDatavf_Callback(void* inRefcon, float* outValues, int inOffset, int inMax) {
    return ReadArray(inRefcon, BM_Datavf, outValues, inOffset, inMax,
                     [&](_CallbackRecordStruct& r, int slot, PyObject* list, int max) {
                         return CopyNumbers(r, slot, list, max, outValues,
                                            [](PyObject* item) { return float(PyFloat_AsDouble(item)); });
                     });
}
void CallUserSetDatavf_Callback(void* inRefcon, float* inValues, int inOffset, int inCount) {
    Write(inRefcon, BM_Datavf, [&](intptr_t refcon) {
        return ArrayArgs(refcon, ListOf(inValues, inCount, [](float v) { return PyFloat_FromDouble(v); }), inOffset,
                         inCount);
    });
}
int CallUserGetDatab_Callback(void* inRefcon, void* outValue, int inOffset, int inMaxLength) {
    return ReadArray(inRefcon, BM_Datab, outValue, inOffset,
                     inMaxLength, [&](_CallbackRecordStruct& r, int slot, PyObject* list, int max) {
                         return CopyBytes(r, slot, list, max, static_cast<unsigned char*>(outValue));
                     });
}
void CallUserSetDatab_Callback(void* inRefcon, void* inValue, int inOffset, int inLength) {
    // Bytes reach the script as signed values, -128 to 127.
    Write(inRefcon, BM_Datab, [&](intptr_t refcon) {
        return ArrayArgs(refcon,
                         ListOf(static_cast<const signed char*>(inValue), inLength,
                                [](signed char v) { return BM_IntFromLong(v); }),
                         inOffset, inLength);
    });
}

// ---- Entry points handed to the simulator ----

int BM_GetDatai_Callback(void* inRefcon) {
    return BM_FromSimulator(0, [&] { return CallUserGetDatai_Callback(inRefcon); });
}
void BM_SetDatai_Callback(void* inRefcon, int inValue) {
    BM_FromSimulator(0, [&] { return CallUserSetDatai_Callback(inRefcon, inValue), 0; });
}
float BM_GetDataf_Callback(void* inRefcon) {
    return BM_FromSimulator(0.0f, [&] { return CallUserGetDataf_Callback(inRefcon); });
}
void BM_SetDataf_Callback(void* inRefcon, float inValue) {
    BM_FromSimulator(0, [&] { return CallUserSetDataf_Callback(inRefcon, inValue), 0; });
}
double BM_GetDatad_Callback(void* inRefcon) {
    return BM_FromSimulator(0.0, [&] { return CallUserGetDatad_Callback(inRefcon); });
}
void BM_SetDatad_Callback(void* inRefcon, double inValue) {
    BM_FromSimulator(0, [&] { return CallUserSetDatad_Callback(inRefcon, inValue), 0; });
}
int BM_GetDatavi_Callback(void* inRefcon, int* outValues, int inOffset, int inMax) {
    return BM_FromSimulator(0, [&] { return CallUserGetDatavi_Callback(inRefcon, outValues, inOffset, inMax); });
}
void BM_SetDatavi_Callback(void* inRefcon, int* inValues, int inOffset, int inCount) {
    BM_FromSimulator(0, [&] { return CallUserSetDatavi_Callback(inRefcon, inValues, inOffset, inCount), 0; });
}
int BM_GetDatavf_Callback(void* inRefcon, float* outValues, int inOffset, int inMax) {
    return BM_FromSimulator(0, [&] { return CallUserGetDatavf_Callback(inRefcon, outValues, inOffset, inMax); });
}
void BM_SetDatavf_Callback(void* inRefcon, float* inValues, int inOffset, int inCount) {
    BM_FromSimulator(0, [&] { return CallUserSetDatavf_Callback(inRefcon, inValues, inOffset, inCount), 0; });
}
int BM_GetDatab_Callback(void* inRefcon, void* outValue, int inOffset, int inMaxLength) {
    return BM_FromSimulator(0, [&] { return CallUserGetDatab_Callback(inRefcon, outValue, inOffset, inMaxLength); });
}
void BM_SetDatab_Callback(void* inRefcon, void* inValue, int inOffset, int inLength) {
    BM_FromSimulator(0, [&] { return CallUserSetDatab_Callback(inRefcon, inValue, inOffset, inLength), 0; });
}
