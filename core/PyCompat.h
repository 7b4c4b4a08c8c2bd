#ifndef BM_PYCOMPAT_H
#define BM_PYCOMPAT_H
// The small vocabulary through which the plug-in speaks to the interpreter. Every call whose
// spelling differs between Python 2 and Python 3 lives here; the rest of the plug-in uses
// these names and stays free of version tests.

#include <Python.h>

#if PY_MAJOR_VERSION >= 3
#define BM_PY3 1
#else
#define BM_PY3 0
#endif

// Argument and build format for a value of pointer width (handles, message parameters).
#define BM_FMT_INTPTR "n"

inline PyObject* BM_IntFromLong(long value) {
#if BM_PY3
    return PyLong_FromLong(value);
#else
    return PyInt_FromLong(value);
#endif
}

inline PyObject* BM_IntFromSsize(Py_ssize_t value) {
#if BM_PY3
    return PyLong_FromSsize_t(value);
#else
    return PyInt_FromSsize_t(value);
#endif
}

// -1 with an error set when `value` is no integer.
inline long BM_IntAsLong(PyObject* value) {
#if BM_PY3
    return PyLong_AsLong(value);
#else
    return PyInt_AsLong(value);
#endif
}

// A plain integer object (not a subclass) whose value fits a Py_ssize_t, and its value.
inline bool BM_IsExactInt(PyObject* value) {
#if BM_PY3
    return false;  // Python 3 integers go through the argument parser
#else
    return PyInt_CheckExact(value);
#endif
}
inline Py_ssize_t BM_ExactIntValue(PyObject* value) {
#if BM_PY3
    return PyLong_AsSsize_t(value);
#else
    return PyInt_AS_LONG(value);
#endif
}

inline bool BM_IsInt(PyObject* value) {
#if BM_PY3
    return PyLong_Check(value);
#else
    return PyInt_Check(value) || PyLong_Check(value);
#endif
}

inline bool BM_IsString(PyObject* value) {
#if BM_PY3
    return PyUnicode_Check(value) || PyBytes_Check(value);
#else
    return PyString_Check(value);
#endif
}

// The bytes of a string object (its encoded bytes under Python 3); false with an error set.
inline bool BM_StringBytes(PyObject* value, char** bytes, Py_ssize_t* length) {
#if BM_PY3
    if (PyUnicode_Check(value)) {
        *bytes = const_cast<char*>(PyUnicode_AsUTF8AndSize(value, length));
        return *bytes != nullptr;
    }
    return PyBytes_AsStringAndSize(value, bytes, length) == 0;
#else
    return PyString_AsStringAndSize(value, bytes, length) == 0;
#endif
}

// A byte string or a text (unicode) string.
inline bool BM_IsBytesOrText(PyObject* value) {
#if BM_PY3
    return PyBytes_Check(value) || PyUnicode_Check(value);
#else
    return PyString_Check(value) || PyUnicode_Check(value);
#endif
}

// The bytes a string stands for, as a byte string object (new reference): a byte string itself,
// a text string encoded as UTF-8. Null with TypeError for other objects (or the encoder's
// error). BM_StringBytes reads the result.
inline PyObject* BM_EncodedBytes(PyObject* value) {
#if BM_PY3
    bool isBytes = PyBytes_Check(value);
#else
    bool isBytes = PyString_Check(value);
#endif
    if (isBytes) {
        Py_INCREF(value);
        return value;
    }
    if (PyUnicode_Check(value)) return PyUnicode_AsUTF8String(value);
    PyErr_Format(PyExc_TypeError, "expected a string, got %.200s", Py_TYPE(value)->tp_name);
    return nullptr;
}

// A string object holding `length` bytes.
inline PyObject* BM_StringFromBytes(const char* bytes, Py_ssize_t length) {
#if BM_PY3
    return PyBytes_FromStringAndSize(bytes, length);
#else
    return PyString_FromStringAndSize(bytes, length);
#endif
}

inline PyObject* BM_StringFromString(const char* text) {
#if BM_PY3
    return PyUnicode_FromString(text);
#else
    return PyString_FromString(text);
#endif
}

// The text of a string object, owned by the object; null with an error set for other objects.
inline const char* BM_StringAsText(PyObject* text) {
#if BM_PY3
    return PyUnicode_AsUTF8(text);
#else
    return PyString_AsString(text);
#endif
}

// Creates (or replaces) the built-in module `name` with the given method table and returns it
// as a borrowed reference, or null with a Python error set.
inline PyObject* BM_CreateModule(const char* name, PyMethodDef* methods) {
#if BM_PY3
    PyModuleDef* def = new PyModuleDef{PyModuleDef_HEAD_INIT, name, nullptr, -1, methods,
                                       nullptr, nullptr, nullptr, nullptr};
    PyObject* module = PyModule_Create(def);
    if (!module) return nullptr;
    PyObject* modules = PyImport_GetModuleDict();
    int failed = PyDict_SetItemString(modules, name, module);
    Py_DECREF(module);
    return failed ? nullptr : PyDict_GetItemString(modules, name);
#else
    PyImport_AddModule(name);
    return Py_InitModule4(name, methods, nullptr, nullptr, PYTHON_API_VERSION);
#endif
}

#endif
