#ifndef BM_PYCOMPAT_H
#define BM_PYCOMPAT_H
// The small vocabulary through which the plug-in speaks to the interpreter. Every call whose
// spelling differs between Python 2.7 and Python 3 (3.6 and later) lives here; the rest of the
// plug-in uses these names and stays free of version tests.
//
// Words used below:
//   text   the interpreter's own string type: str (bytes) under 2.7, str (unicode) under 3.
//          Texts travel to and from the simulator as UTF-8.
//   bytes  a byte string: str under 2.7, bytes under 3.

#include <Python.h>
#include <frameobject.h>

#include <memory>
#include <string>
#include <unordered_map>

#if PY_MAJOR_VERSION >= 3
#define BM_PY3 1
#else
#define BM_PY3 0
#endif

#if PY_VERSION_HEX >= 0x03090000
#define BM_VECTORCALL 1
#else
#define BM_VECTORCALL 0
#endif

// Argument and build format for a value of pointer width (handles, message parameters).
#define BM_FMT_INTPTR "n"

// ---- Integers ----

// Whether a module function's integer argument takes a float, truncated towards zero as int()
// truncates it: yes under 2.7, whose scripts pass `width * 0.5` for a coordinate (the
// interpreter's own parser refuses that); no under Python 3, which refuses a float for an integer
// everywhere. Handles and refcons take integers only on both lines.
#define BM_FLOATS_FOR_INTS (!BM_PY3)

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

inline bool BM_IsInt(PyObject* value) {
#if BM_PY3
    return PyLong_Check(value);
#else
    return PyInt_Check(value) || PyLong_Check(value);
#endif
}

// True with the value for a plain integer object (not a subclass) that fits a Py_ssize_t; false,
// with no error set, for anything else. A short way past the argument parser for handles.
inline bool BM_SmallExactInt(PyObject* value, Py_ssize_t* out) {
#if BM_PY3
    if (!PyLong_CheckExact(value)) return false;
    Py_ssize_t n = PyLong_AsSsize_t(value);
    if (n == -1 && PyErr_Occurred()) {
        PyErr_Clear();
        return false;
    }
    *out = n;
    return true;
#else
    if (!PyInt_CheckExact(value)) return false;
    *out = PyInt_AS_LONG(value);
    return true;
#endif
}

// ---- Texts ----

inline bool BM_IsText(PyObject* value) {
#if BM_PY3
    return PyUnicode_Check(value);
#else
    return PyString_Check(value);
#endif
}

// A string a script writes as a literal for a name: under 2.7 str or unicode (a literal under
// `from __future__ import unicode_literals`, u'...'), under 3 str only.
inline bool BM_IsTextLiteral(PyObject* value) {
#if BM_PY3
    return PyUnicode_Check(value);
#else
    return PyString_Check(value) || PyUnicode_Check(value);
#endif
}

// The UTF-8 of a text, owned by the object; null with an error set for other objects.
inline const char* BM_TextAsUtf8(PyObject* text) {
#if BM_PY3
    return PyUnicode_AsUTF8(text);
#else
    return PyString_AsString(text);
#endif
}

// A text from the simulator's UTF-8. Under Python 3 bytes that are not UTF-8 become U+FFFD, so
// that a text from the simulator always arrives.
inline PyObject* BM_TextFromUtf8(const char* text) {
#if BM_PY3
    return PyUnicode_DecodeUTF8(text, Py_ssize_t(strlen(text)), "replace");
#else
    return PyString_FromString(text);
#endif
}

// The name of a module to import, from a file name: decoded as the interpreter decodes file
// names, so that any name the folder holds can be imported.
inline PyObject* BM_ModuleNameFromFileName(const char* name) {
#if BM_PY3
    return PyUnicode_DecodeFSDefault(name);
#else
    return PyString_FromString(name);
#endif
}

// ---- Bytes ----

// A byte string or a text (unicode) string.
inline bool BM_IsBytesOrText(PyObject* value) {
#if BM_PY3
    return PyBytes_Check(value) || PyUnicode_Check(value);
#else
    return PyString_Check(value) || PyUnicode_Check(value);
#endif
}

// Calling a class with no arguments in two steps, so that the instance is known before its
// __init__ runs. BM_NewUninitialised makes the instance as the call would, without __init__ (new
// reference); it answers null with no error set for a class whose metaclass calls it otherwise,
// which is then called as it is. BM_InitInstance runs __init__ as the call would, and answers the
// instance or null (it takes the reference).
inline PyObject* BM_NewUninitialised(PyObject* cls) {
#if !BM_PY3
    if (PyClass_Check(cls)) return PyInstance_NewRaw(cls, nullptr);  // a class not derived from object
#endif
    if (!PyType_Check(cls) || Py_TYPE(cls)->tp_call != PyType_Type.tp_call) return nullptr;
    PyTypeObject* type = reinterpret_cast<PyTypeObject*>(cls);
    if (!type->tp_new) return nullptr;  // the call says it cannot be made
    PyObject* noArgs = PyTuple_New(0);
    PyObject* made = noArgs ? type->tp_new(type, noArgs, nullptr) : nullptr;
    Py_XDECREF(noArgs);
    return made;
}

inline PyObject* BM_InitInstance(PyObject* cls, PyObject* made) {
#if !BM_PY3
    if (PyInstance_Check(made)) {
        PyObject* initName = PyString_FromString("__init__");
        if (!initName) {
            Py_DECREF(made);
            return nullptr;
        }
        bool hasInit = _PyInstance_Lookup(made, initName) != nullptr;  // not through __getattr__
        Py_DECREF(initName);
        if (!hasInit) return made;
        PyObject* result = PyObject_CallMethod(made, const_cast<char*>("__init__"), nullptr);
        if (result && result != Py_None) PyErr_SetString(PyExc_TypeError, "__init__() should return None");
        if (result != Py_None) Py_CLEAR(made);
        Py_XDECREF(result);
        return made;
    }
#endif
    // An instance of another class is answered as it is, as the call does.
    if (!PyObject_TypeCheck(made, reinterpret_cast<PyTypeObject*>(cls)) || !Py_TYPE(made)->tp_init) return made;
    PyObject* noArgs = PyTuple_New(0);
    if (!noArgs || Py_TYPE(made)->tp_init(made, noArgs, nullptr) < 0) Py_CLEAR(made);
    Py_XDECREF(noArgs);
    return made;
}

// The bytes a string stands for, as a byte string (new reference): a byte string itself, a
// unicode string as UTF-8. Under Python 3 a character that UTF-8 cannot carry gives back the byte
// it was decoded from (file names, tracebacks) or else is written as a backslash escape, so that
// no text fails to be written. Null with TypeError for other objects.
inline PyObject* BM_EncodedBytes(PyObject* value) {
#if BM_PY3
    if (PyBytes_Check(value)) {
        Py_INCREF(value);
        return value;
    }
    if (PyUnicode_Check(value)) {
        PyObject* bytes = PyUnicode_AsEncodedString(value, "utf-8", "surrogateescape");
        if (bytes || !PyErr_ExceptionMatches(PyExc_UnicodeEncodeError)) return bytes;
        PyErr_Clear();
        return PyUnicode_AsEncodedString(value, "utf-8", "backslashreplace");
    }
#else
    if (PyString_Check(value)) {
        Py_INCREF(value);
        return value;
    }
    if (PyUnicode_Check(value)) return PyUnicode_AsUTF8String(value);
#endif
    PyErr_Format(PyExc_TypeError, "expected a string, got %.200s", Py_TYPE(value)->tp_name);
    return nullptr;
}

// The contents of a byte string; false with an error set for other objects.
inline bool BM_BytesOf(PyObject* bytes, char** data, Py_ssize_t* length) {
#if BM_PY3
    return PyBytes_AsStringAndSize(bytes, data, length) == 0;
#else
    return PyString_AsStringAndSize(bytes, data, length) == 0;
#endif
}

inline PyObject* BM_BytesFromBuffer(const char* data, Py_ssize_t length) {
#if BM_PY3
    return PyBytes_FromStringAndSize(data, length);
#else
    return PyString_FromStringAndSize(data, length);
#endif
}

// ---- The sys module ----

// sys.<name>, borrowed; null when it is not there. 2.7 takes the name as char*.
inline PyObject* BM_SysObject(const char* name) { return PySys_GetObject(const_cast<char*>(name)); }
inline int BM_SetSysObject(const char* name, PyObject* value) {
    return PySys_SetObject(const_cast<char*>(name), value);
}

// ---- Calls, modules and code ----

// "BM_Foo.py:12": the file (its last part) and line of the innermost Python code that runs, or ""
// when none runs. Asks nothing that could fail.
inline std::string BM_CurrentPlace() {
    PyFrameObject* frame = PyEval_GetFrame();
    if (!frame) return std::string();
#if PY_VERSION_HEX >= 0x03090000
    PyCodeObject* code = PyFrame_GetCode(frame);  // new reference
#else
    PyCodeObject* code = frame->f_code;
    Py_INCREF(code);
#endif
    std::string file;
    PyObject* name = code->co_filename;
#if BM_PY3
    const char* chars = name && PyUnicode_Check(name) ? PyUnicode_AsUTF8(name) : nullptr;
#else
    const char* chars = name && PyString_Check(name) ? PyString_AS_STRING(name) : nullptr;
#endif
    if (chars) file = chars;
    else PyErr_Clear();
    Py_DECREF(code);
    std::size_t slash = file.find_last_of("/\\");
    if (slash != std::string::npos) file.erase(0, slash + 1);
    return file + ":" + std::to_string(PyFrame_GetLineNumber(frame));
}

// Calls `callable` with the items of the tuple `args`; a new reference, or null with the error
// set. From Python 3.9 the call goes through the vectorcall protocol, which hands the items over
// without another tuple or frame set-up of its own.
inline PyObject* BM_Call(PyObject* callable, PyObject* args) {
#if BM_VECTORCALL
    return PyObject_Vectorcall(callable, &PyTuple_GET_ITEM(args, 0), size_t(PyTuple_GET_SIZE(args)), nullptr);
#else
    return PyObject_Call(callable, args, nullptr);
#endif
}

// Calls `callable` with the `count` objects of `args` (borrowed; none of them null). From Python
// 3.9 through the vectorcall protocol without a tuple; before, with a tuple made here.
inline PyObject* BM_CallVector(PyObject* callable, PyObject* const* args, size_t count) {
#if BM_VECTORCALL
    return PyObject_Vectorcall(callable, args, count, nullptr);
#else
    PyObject* tuple = PyTuple_New(Py_ssize_t(count));
    if (!tuple) return nullptr;
    for (size_t i = 0; i < count; ++i) {
        Py_INCREF(args[i]);
        PyTuple_SET_ITEM(tuple, Py_ssize_t(i), args[i]);
    }
    PyObject* result = PyObject_Call(callable, tuple, nullptr);
    Py_DECREF(tuple);
    return result;
#endif
}

// To be called once the plug-in has reported and cleared an error that script code raised while
// that script's own frames are still on the stack below (a callback run from a simulator call the
// script made). Python 3.6 to 3.9 mark a thread that reached the recursion limit and then let 50
// more calls through before ending the process; the error never unwound those frames, so the mark
// goes, and the next call past the limit raises RecursionError again, as on the other lines.
inline void BM_ErrorSwallowed() {
#if BM_PY3 && PY_VERSION_HEX < 0x030A0000
    PyThreadState_Get()->overflowed = 0;
#endif
}

// What a file object's write answers: nothing under 2.7, the count of characters under 3.
inline PyObject* BM_WriteAnswer(Py_ssize_t written) {
#if BM_PY3
    return PyLong_FromSsize_t(written);
#else
    (void)written;
    Py_RETURN_NONE;
#endif
}

// Creates (or replaces) the built-in module `name` with the given method table and returns it
// as a borrowed reference, or null with a Python error set. Under Python 3 the module's
// definition is made once per method table and kept for every later start of the interpreter.
inline PyObject* BM_CreateModule(const char* name, PyMethodDef* methods) {
#if BM_PY3
    static std::unordered_map<PyMethodDef*, std::unique_ptr<PyModuleDef>> definitions;
    std::unique_ptr<PyModuleDef>& def = definitions[methods];
    if (!def)
        def.reset(new PyModuleDef{PyModuleDef_HEAD_INIT, name, nullptr, -1, methods, nullptr, nullptr, nullptr,
                                  nullptr});
    PyObject* module = PyModule_Create(def.get());
    if (!module) return nullptr;
    PyObject* modules = PyImport_GetModuleDict();
    int failed = PyDict_SetItemString(modules, name, module);
    Py_DECREF(module);
    return failed ? nullptr : PyDict_GetItemString(modules, name);
#else
    PyImport_AddModule(name);
    return Py_InitModule4(const_cast<char*>(name), methods, nullptr, nullptr, PYTHON_API_VERSION);
#endif
}

// Starts the interpreter with `home` as its home (the folder holding lib/pythonX.Y), without the
// simulator's signal handlers and without importing site, which BM_ImportSite does afterwards: a
// site that fails is then reported rather than ending the process, as the interpreter's own
// start would. `isolated`: the environment (PYTHONPATH ...) and the user's site folder are not
// looked at, for the Python the plug-in carries. From 3.8 the start answers what went wrong
// instead of ending the process: false with `problem` set. A start that failed half-way cannot
// be undone, and every later start in the process is refused. The home given stays in use until
// the next start.
inline bool BM_StartInterpreter(const std::string& home, bool isolated, std::string* problem) {
#if PY_VERSION_HEX >= 0x03080000
    static bool failedHalfWay = false;
    if (failedHalfWay) {
        *problem = "an earlier start failed half-way; restart the simulator to try again";
        return false;
    }
    // The defaults of Py_InitializeEx, but for the home and site: no C locale coercion, no UTF-8
    // mode forced, no command line, the C streams left as the simulator set them.
    PyPreConfig preconfig;
    PyPreConfig_InitPythonConfig(&preconfig);
    preconfig.parse_argv = 0;
    preconfig.coerce_c_locale = 0;
    preconfig.coerce_c_locale_warn = 0;
    preconfig.utf8_mode = 0;
    preconfig.use_environment = !isolated;
    PyStatus status = Py_PreInitialize(&preconfig);
    PyConfig config;
    PyConfig_InitPythonConfig(&config);
    config.parse_argv = 0;
    config.configure_c_stdio = 0;
    config.install_signal_handlers = 0;
    config.site_import = 0;
    config.use_environment = !isolated;
    config.user_site_directory = !isolated;
    if (!PyStatus_Exception(status)) status = PyConfig_SetBytesString(&config, &config.home, home.c_str());
    if (!PyStatus_Exception(status)) status = Py_InitializeFromConfig(&config);
    PyConfig_Clear(&config);
    if (!PyStatus_Exception(status)) return true;
    if (Py_IsInitialized())
        Py_Finalize();
    else
        failedHalfWay = true;
    *problem = std::string("the interpreter did not start: ") + (status.func ? status.func : "") +
               (status.func ? ": " : "") + (status.err_msg ? status.err_msg : "no reason given");
    return false;
#else
#if BM_PY3
    static wchar_t* homeText = nullptr;
    wchar_t* decoded = Py_DecodeLocale(home.c_str(), nullptr);
    if (!decoded) {
        *problem = "the home's name cannot be decoded: " + home;
        return false;
    }
    Py_SetPythonHome(decoded);
    PyMem_RawFree(homeText);
    homeText = decoded;
#else
    static std::string homeText;
    homeText = home;
    Py_SetPythonHome(&homeText[0]);
#endif
    (void)problem;  // 2.7, 3.6 and 3.7 answer nothing: the installation was checked before
    Py_NoSiteFlag = 1;
    Py_IgnoreEnvironmentFlag = isolated;
    Py_NoUserSiteDirectory = isolated;
    Py_InitializeEx(0);
    return true;
#endif
}

// Imports site as the interpreter's start would have: its folders join the module path. False
// with the error pending when it fails.
inline bool BM_ImportSite() {
    PyObject* site = PyImport_ImportModule("site");
    if (!site) return false;
#if BM_PY3
    // Python 3's site adds its folders on import only when the interpreter was started with it.
    PyObject* result = PyObject_CallMethod(site, "main", nullptr);
    Py_XDECREF(result);
    Py_DECREF(site);
    return result != nullptr;
#else
    Py_DECREF(site);
    return true;
#endif
}

// Called right after each start of the interpreter. CPython 3.12.0 and 3.12.1 free memory twice
// when their C datetime module is imported by an interpreter started after an earlier one in
// the same process ended, which brings the process down. There `datetime` is kept to its
// pure-Python twin, which behaves the same. (Those two versions crash in the same way when
// ctypes is imported again; nothing stands in for that module.)
//
// Before 3.7 the interpreter lock is made only when a thread starts; it is made here, so that the
// simulator's thread can give it back between its calls from the start.
inline void BM_AfterInterpreterStart() {
#if PY_VERSION_HEX < 0x03070000
    PyEval_InitThreads();
#endif
#if PY_VERSION_HEX >= 0x030C0000 && PY_VERSION_HEX < 0x030C0200
    PyObject* modules = PyImport_GetModuleDict();
    if (!modules || PyDict_SetItemString(modules, "_datetime", Py_None) != 0) PyErr_Clear();
#endif
}

// The exception of a recursion too deep: RecursionError, RuntimeError under 2.7 (as the
// interpreter's own).
inline PyObject* BM_RecursionError() {
#if BM_PY3
    return PyExc_RecursionError;
#else
    return PyExc_RuntimeError;
#endif
}

// Runs compiled code (from Py_CompileString) in the given namespaces.
inline PyObject* BM_EvalCode(PyObject* code, PyObject* globals, PyObject* locals) {
#if BM_PY3
    return PyEval_EvalCode(code, globals, locals);
#else
    return PyEval_EvalCode(reinterpret_cast<PyCodeObject*>(code), globals, locals);
#endif
}

#endif
