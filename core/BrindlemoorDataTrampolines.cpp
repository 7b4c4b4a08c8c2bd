// The twelve accessor trampolines: the simulator reads and writes a script's own data refs.
//
// The simulator's refcon is the accessor's block of callables for one direction. A callable
// runs only when it is a bound method of the enabled script that registered it. Reads from a
// script that is gone, disabled or not the owner give 0; a script that raised gives 1.
//
// Array and byte reads never write past the simulator's buffer nor read past the script's list,
// and report at most as many elements as they copied: positions the script did not fill are
// left as they were.
#include "BrindlemoorTrampolines.h"

#include "PyCompat.h"

#include <algorithm>
#include <cstring>

#include "TrampolineSupport.h"

namespace {

enum class Access { NotLive, NotOwner, Call };

// Steps shared by all twelve: the script that registered the callable (and its refcon), and
// whether the callable is a bound method of that same, enabled script.
Access PrepareCall(PyObject* callable, BM_DataKind kind, bool read, intptr_t* refcon) {
    if (!BMTestTable) return Access::NotLive;
    PyObject* script = read ? BMTestTable->GetScriptIdFromGetDataCallback(kind, callable, refcon)
                            : BMTestTable->GetScriptIdFromSetDataCallback(kind, callable, refcon);
    if (!script || !Py_IsInitialized()) return Access::NotLive;
    PyObject* owner = PyMethod_Check(callable) ? PyMethod_GET_SELF(callable) : nullptr;
    if (!owner || !BMTestTable->GetScriptEnabledStatus(owner)) return Access::NotLive;
    return owner == script ? Access::Call : Access::NotOwner;
}

PyObject* ReadCallable(void* refcon, BM_DataKind kind) {
    return refcon ? static_cast<_DataAccessorGetCallbacks*>(refcon)->GetDataCB[kind] : nullptr;
}
PyObject* WriteCallable(void* refcon, BM_DataKind kind) {
    return refcon ? static_cast<_DataAccessorSetCallbacks*>(refcon)->SetDataCB[kind] : nullptr;
}

// A scalar read: `convert` turns the script's result into the value.
template <typename T, typename Convert>
T Read(void* inRefcon, BM_DataKind kind, const char* missingText, Convert convert) {
    PyObject* callable = ReadCallable(inRefcon, kind);
    intptr_t refcon = 0;
    switch (PrepareCall(callable, kind, true, &refcon)) {
        case Access::NotLive: return T(0);
        case Access::NotOwner: return T(1);
        case Access::Call: break;
    }
    PyObject* result = nullptr;
    if (BM_CallCallback(callable, Py_BuildValue("(" BM_REFCON ")", refcon), missingText, &result) !=
        BM_Call::Returned)
        return T(1);
    return convert(result);
}

// A write: `args` builds the tuple from the script's refcon.
template <typename Args>
void Write(void* inRefcon, BM_DataKind kind, const char* missingText, Args args) {
    PyObject* callable = WriteCallable(inRefcon, kind);
    intptr_t refcon = 0;
    if (PrepareCall(callable, kind, false, &refcon) != Access::Call) return;
    PyObject* result = nullptr;
    if (BM_CallCallback(callable, args(refcon), missingText, &result) == BM_Call::Returned) Py_DECREF(result);
}

// An array or byte read: the script appends to a list (None when the simulator asks for the
// size) and returns a count; `copy` moves the list into the buffer and says how many it moved.
template <typename Copy>
int ReadArray(void* inRefcon, BM_DataKind kind, const char* missingText, void* buffer, int inOffset, int inMax,
              Copy copy) {
    PyObject* callable = ReadCallable(inRefcon, kind);
    intptr_t refcon = 0;
    switch (PrepareCall(callable, kind, true, &refcon)) {
        case Access::NotLive: return 0;
        case Access::NotOwner: return 1;
        case Access::Call: break;
    }
    PyObject* list = buffer ? PyList_New(0) : (Py_INCREF(Py_None), Py_None);
    PyObject* args = list ? Py_BuildValue("(" BM_REFCON "Oii)", refcon, list, inOffset, inMax) : nullptr;
    PyObject* result = nullptr;
    if (BM_CallCallback(callable, args, missingText, &result) != BM_Call::Returned) {
        Py_XDECREF(list);
        return 1;
    }
    int count = BM_ResultInt(result, 1);
    if (buffer) {
        int copied = copy(list, std::max(inMax, 0));
        count = std::max(0, std::min(count, copied));
    }
    Py_DECREF(list);
    return count;
}

template <typename T, typename Convert>
int CopyNumbers(PyObject* list, int max, T* out, Convert convert) {
    int n = int(std::min<Py_ssize_t>(PyList_Size(list), max));
    int copied = 0;
    for (; copied < n; ++copied) {
        T value = convert(PyList_GET_ITEM(list, copied));
        if (PyErr_Occurred()) {
            BM_PrintPythonError();  // a non-number ends the copy
            break;
        }
        out[copied] = value;
    }
    return copied;
}

int CopyBytes(PyObject* list, int max, unsigned char* out) {
    if (PyList_Size(list) == 0) return 0;
    PyObject* first = PyList_GET_ITEM(list, 0);
    if (BM_IsString(first)) {
        char* bytes = nullptr;
        Py_ssize_t length = 0;
        if (!BM_StringBytes(first, &bytes, &length)) {
            BM_PrintPythonError();
            return 0;
        }
        int n = int(std::min<Py_ssize_t>(length + 1, max));  // with its NUL, when it fits
        std::memcpy(out, bytes, std::size_t(n));
        return n;
    }
    return CopyNumbers(list, max, out, [](PyObject* item) {
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
    return Read<int>(inRefcon, BM_Datai, "Cannot find method UserGetDataiCallback\n",
                     [](PyObject* result) { return BM_ResultInt(result, 1); });
}
void CallUserSetDatai_Callback(void* inRefcon, int inValue) {
    Write(inRefcon, BM_Datai, "Cannot find method UserSetDatai_Callback\n",
          [&](intptr_t refcon) { return Py_BuildValue("(" BM_REFCON "i)", refcon, inValue); });
}
float CallUserGetDataf_Callback(void* inRefcon) {
    return Read<float>(inRefcon, BM_Dataf, "Cannot find method UserGetDataf_Callback\n",
                       [](PyObject* result) { return BM_ResultFloat(result, 1.0f); });
}
void CallUserSetDataf_Callback(void* inRefcon, float inValue) {
    Write(inRefcon, BM_Dataf, "Cannot find method UserSetDataf_Callback\n",
          [&](intptr_t refcon) { return Py_BuildValue("(" BM_REFCON "f)", refcon, double(inValue)); });
}
double CallUserGetDatad_Callback(void* inRefcon) {
    return Read<double>(inRefcon, BM_Datad, "Cannot find method UserGetDatad_Callback\n",
                        [](PyObject* result) { return BM_ResultDouble(result, 1.0); });
}
void CallUserSetDatad_Callback(void* inRefcon, double inValue) {
    Write(inRefcon, BM_Datad, "Cannot find method UserSetDatad_Callback\n",
          [&](intptr_t refcon) { return Py_BuildValue("(" BM_REFCON "d)", refcon, inValue); });
}

int CallUserGetDatavi_Callback(void* inRefcon, int* outValues, int inOffset, int inMax) {
    return ReadArray(inRefcon, BM_Datavi, "Cannot find method UserGetDatavi_Callback\n", outValues, inOffset, inMax,
                     [&](PyObject* list, int max) {
                         return CopyNumbers(list, max, outValues, [](PyObject* item) { return int(BM_IntAsLong(item)); });
                     });
}
void CallUserSetDatavi_Callback(void* inRefcon, int* inValues, int inOffset, int inCount) {
    Write(inRefcon, BM_Datavi, "Cannot find method UserSetDatavi_Callback\n", [&](intptr_t refcon) {
        return ArrayArgs(refcon, ListOf(inValues, inCount, [](int v) { return BM_IntFromLong(v); }), inOffset, inCount);
    });
}
int CallUserGetDatavf_Callback(void* inRefcon, float* outValues, int inOffset, int inMax) {
    return ReadArray(inRefcon, BM_Datavf, "Cannot find method UserGetDatavf_Callback\n", outValues, inOffset, inMax,
                     [&](PyObject* list, int max) {
                         return CopyNumbers(list, max, outValues,
                                            [](PyObject* item) { return float(PyFloat_AsDouble(item)); });
                     });
}
void CallUserSetDatavf_Callback(void* inRefcon, float* inValues, int inOffset, int inCount) {
    Write(inRefcon, BM_Datavf, "Cannot find method UserSetDatavf_Callback\n", [&](intptr_t refcon) {
        return ArrayArgs(refcon, ListOf(inValues, inCount, [](float v) { return PyFloat_FromDouble(v); }), inOffset,
                         inCount);
    });
}
int CallUserGetDatab_Callback(void* inRefcon, void* outValue, int inOffset, int inMaxLength) {
    return ReadArray(inRefcon, BM_Datab, "Cannot find method UserGetDatab_Callback\n", outValue, inOffset,
                     inMaxLength, [&](PyObject* list, int max) {
                         return CopyBytes(list, max, static_cast<unsigned char*>(outValue));
                     });
}
void CallUserSetDatab_Callback(void* inRefcon, void* inValue, int inOffset, int inLength) {
    // Bytes reach the script as signed values, -128 to 127.
    Write(inRefcon, BM_Datab, "Cannot find method UserSetDatab_Callback\n", [&](intptr_t refcon) {
        return ArrayArgs(refcon,
                         ListOf(static_cast<const signed char*>(inValue), inLength,
                                [](signed char v) { return BM_IntFromLong(v); }),
                         inOffset, inLength);
    });
}

// ---- Entry points handed to the simulator ----

int BM_GetDatai_Callback(void* inRefcon) {
    return BM_NoThrow(0, [&] { return CallUserGetDatai_Callback(inRefcon); });
}
void BM_SetDatai_Callback(void* inRefcon, int inValue) {
    BM_NoThrow(0, [&] { return CallUserSetDatai_Callback(inRefcon, inValue), 0; });
}
float BM_GetDataf_Callback(void* inRefcon) {
    return BM_NoThrow(0.0f, [&] { return CallUserGetDataf_Callback(inRefcon); });
}
void BM_SetDataf_Callback(void* inRefcon, float inValue) {
    BM_NoThrow(0, [&] { return CallUserSetDataf_Callback(inRefcon, inValue), 0; });
}
double BM_GetDatad_Callback(void* inRefcon) {
    return BM_NoThrow(0.0, [&] { return CallUserGetDatad_Callback(inRefcon); });
}
void BM_SetDatad_Callback(void* inRefcon, double inValue) {
    BM_NoThrow(0, [&] { return CallUserSetDatad_Callback(inRefcon, inValue), 0; });
}
int BM_GetDatavi_Callback(void* inRefcon, int* outValues, int inOffset, int inMax) {
    return BM_NoThrow(0, [&] { return CallUserGetDatavi_Callback(inRefcon, outValues, inOffset, inMax); });
}
void BM_SetDatavi_Callback(void* inRefcon, int* inValues, int inOffset, int inCount) {
    BM_NoThrow(0, [&] { return CallUserSetDatavi_Callback(inRefcon, inValues, inOffset, inCount), 0; });
}
int BM_GetDatavf_Callback(void* inRefcon, float* outValues, int inOffset, int inMax) {
    return BM_NoThrow(0, [&] { return CallUserGetDatavf_Callback(inRefcon, outValues, inOffset, inMax); });
}
void BM_SetDatavf_Callback(void* inRefcon, float* inValues, int inOffset, int inCount) {
    BM_NoThrow(0, [&] { return CallUserSetDatavf_Callback(inRefcon, inValues, inOffset, inCount), 0; });
}
int BM_GetDatab_Callback(void* inRefcon, void* outValue, int inOffset, int inMaxLength) {
    return BM_NoThrow(0, [&] { return CallUserGetDatab_Callback(inRefcon, outValue, inOffset, inMaxLength); });
}
void BM_SetDatab_Callback(void* inRefcon, void* inValue, int inOffset, int inLength) {
    BM_NoThrow(0, [&] { return CallUserSetDatab_Callback(inRefcon, inValue, inOffset, inLength), 0; });
}
