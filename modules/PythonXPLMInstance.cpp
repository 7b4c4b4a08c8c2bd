// XPLMInstance: objects the simulator draws where the script last put them, with the values of
// their data refs. An instance is its script's record (its data ref count kept with it), destroyed
// when the script stops or reloads; only its script moves or destroys it.
#include <string>
#include <vector>

#include "BrindlemoorClass.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "XPLMInstance.h"

namespace {

const char kModule[] = "XPLMInstance";

void DestroyInstanceRecord(_CallbackRecordStruct& record) { XPLMDestroyInstance(record.handle); }

PyObject* PY_XPLMCreateInstance(PyObject*, PyObject* args) {
    PyObject *script, *names;
    Py_ssize_t object;
    const char* function = "XPLMCreateInstance";
    if (!BM_ParseTuple(args, "O" BM_H "O", &script, &object, &names)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    if (!PyTuple_Check(names) && !PyList_Check(names))
        return PyErr_Format(PyExc_TypeError, "%s: datarefs must be a list or tuple of data ref names, not %s",
                            function, Py_TYPE(names)->tp_name);
    std::vector<const char*> list;
    PyObject* made = BM_RaiseInstead([&]() -> PyObject* {
        list.reserve(std::size_t(PySequence_Fast_GET_SIZE(names)) + 1);
        return BM_One();
    });
    if (!made) return nullptr;
    Py_DECREF(made);
    for (Py_ssize_t i = 0; i < PySequence_Fast_GET_SIZE(names); ++i) {
        PyObject* name = PySequence_Fast_GET_ITEM(names, i);
        const char* text = BM_IsText(name) ? BM_TextAsUtf8(name) : nullptr;
        if (!text) {
            PyErr_Clear();
            return PyErr_Format(PyExc_TypeError, "%s: datarefs[%zd] must be a str, not %s", function, i,
                                Py_TYPE(name)->tp_name);
        }
        list.push_back(text);
    }
    list.push_back(nullptr);
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        _CallbackRecordStruct* record = BM_Table().AddRecord(script, BM_KindInstance, nullptr, 0);
        record->type = int(list.size() - 1);
        XPLMInstanceRef instance = nullptr;
        if (BM_RegisterRecord(record, DestroyInstanceRecord, [&] {
                return (instance = XPLMCreateInstance(BM_Handle(object), list.data())) != nullptr;
            }))
            BM_Table().SetHandle(record, instance);
        return BM_IntFromHandle(instance);
    });
}

PyObject* PY_XPLMDestroyInstance(PyObject*, PyObject* args) {
    PyObject* script;
    Py_ssize_t instance;
    const char* function = "XPLMDestroyInstance";
    if (!BM_ParseTuple(args, "O" BM_H, &script, &instance)) return nullptr;
    if (!BM_CheckScript(script, function)) return nullptr;
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        return BM_RemoveFound(BM_OwnRecordOfHandle(BM_KindInstance, BM_Handle(instance), script));
    });
}

// Up to this many data refs the values are converted on the stack.
constexpr Py_ssize_t kInlineValues = 16;

PyObject* PY_XPLMInstanceSetPosition(PyObject*, PyObject* args) {
    Py_ssize_t instance;
    PyObject *position, *data;
    const char* function = "XPLMInstanceSetPosition";
    // A script moves hundreds of instances a frame: the usual call (a plain int, then any two
    // objects) is taken without the parser.
    if (PyTuple_GET_SIZE(args) == 3 && BM_SmallExactInt(PyTuple_GET_ITEM(args, 0), &instance)) {
        position = PyTuple_GET_ITEM(args, 1);
        data = PyTuple_GET_ITEM(args, 2);
    } else if (!BM_ParseTuple(args, BM_H "OO", &instance, &position, &data)) {
        return nullptr;
    }
    _CallbackRecordStruct* record = BMTestTable ? BM_OwnRecordOfHandle(BM_KindInstance, BM_Handle(instance)) : nullptr;
    if (!record)
        return PyErr_Format(PyExc_ValueError, "%s: %zd is no instance of this script", function, instance);
    float fields[6];
    if (!BM_DrawInfoArgument(position, function, fields)) return nullptr;
    const Py_ssize_t expected = record->type;
    Py_ssize_t given = 0;
    if (data != Py_None) {
        if (!PyTuple_Check(data) && !PyList_Check(data))
            return PyErr_Format(PyExc_TypeError, "%s: data must be a list or tuple of floats, not %s", function,
                                Py_TYPE(data)->tp_name);
        given = PySequence_Fast_GET_SIZE(data);
    }
    if (given != expected || (data == Py_None && expected > 0))
        return PyErr_Format(PyExc_ValueError, "%s: the instance has %zd data refs, so data needs %zd values, not %zd",
                            function, expected, expected, given);
    float inlineValues[kInlineValues];
    std::vector<float> manyValues;
    float* values = inlineValues;
    if (expected > kInlineValues) {
        PyObject* made = BM_RaiseInstead([&]() -> PyObject* {
            manyValues.resize(std::size_t(expected));
            return BM_One();
        });
        if (!made) return nullptr;
        Py_DECREF(made);
        values = manyValues.data();
    }
    for (Py_ssize_t i = 0; i < expected; ++i) {
        PyObject* item = PySequence_Fast_GET_ITEM(data, i);
        double value = PyFloat_CheckExact(item) ? PyFloat_AS_DOUBLE(item) : -1.0;
        if (!PyFloat_CheckExact(item)) {
            if (!BM_IsInt(item) && !PyFloat_Check(item))
                return PyErr_Format(PyExc_TypeError, "%s: data[%zd] must be a number, not %s", function, i,
                                    Py_TYPE(item)->tp_name);
            value = PyFloat_AsDouble(item);
            if (value == -1.0 && PyErr_Occurred()) return nullptr;
        }
        if (!BM_FitsFloat(value))
            return PyErr_Format(PyExc_OverflowError, "%s: data[%zd] does not fit a C float", function, i);
        values[i] = float(value);
    }
    const XPLMDrawInfo_t drawInfo = {int(sizeof(XPLMDrawInfo_t)), fields[0], fields[1], fields[2],
                                     fields[3],                   fields[4], fields[5]};
    return BM_CallHost(kModule, function, BM_Zero, [&] {
        XPLMInstanceSetPosition(record->handle, &drawInfo, values);
        return BM_One();
    });
}

PyMethodDef XPLMInstanceMethods[] = {
    {"XPLMCreateInstance", PY_XPLMCreateInstance, METH_VARARGS,
     "Creates an instance of a loaded object, which the simulator draws where it is put.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "obj: the object (from XPLMLoadObject or the load callback)\n"
     "datarefs: a list of the names of the data refs the object animates with, [] for none\n"
     "\n"
     "The instance holds its own load of the object (the script may unload its own), belongs to\n"
     "the script and is destroyed when the script stops.\n"
     "Returns the instance (an int), or 0 when obj is no loaded object. Raises TypeError when\n"
     "datarefs is no list or tuple of str."},
    {"XPLMDestroyInstance", PY_XPLMDestroyInstance, METH_VARARGS,
     "Destroys an instance the script created.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "instance: the instance XPLMCreateInstance returned\n"
     "\n"
     "Returns 1 when the instance went, 0 when it is no instance this script created."},
    {"XPLMInstanceSetPosition", PY_XPLMInstanceSetPosition, METH_VARARGS,
     "Puts an instance of the script somewhere and sets its data ref values.\n"
     "\n"
     "instance: the instance XPLMCreateInstance returned\n"
     "new_position: an XPLMDrawInfo_t, a dict {\"x\", \"y\", \"z\", \"pitch\", \"heading\",\n"
     "    \"roll\"} or a sequence in that order (local coordinates; the angles may be left out)\n"
     "data: a list of floats, one per data ref named at creation, in that order ([] or None\n"
     "    for none)\n"
     "\n"
     "Call it from a flight loop, not from a drawing callback.\n"
     "Returns 1. Raises ValueError when instance is no instance of the running script or data\n"
     "has another length than the instance's data refs; TypeError for a bad field or value."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initXPLMInstance() { BM_InitModule(kModule, XPLMInstanceMethods); }
