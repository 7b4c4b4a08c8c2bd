// PythonScriptMessaging: scripts see each other. They count and enumerate the loaded scripts,
// find one by its signature, read its descriptions, switch its enabled flag, and send it (or
// every script) a message that arrives through its XPluginReceiveMessage, as the simulator's do.
//
// A script is its script object. Switching the flag calls none of the script's methods: a
// disabled script just hears nothing (callbacks, lifecycle calls, messages) until enabled again.
#include "Brindlemoor.h"
#include "ModuleSupport.h"
#include "PythonModules.h"

namespace {

const char kModule[] = "PythonScriptMessaging";

PyObject* PY_BM_CountScripts(PyObject*, PyObject*) {
    return BM_IntFromLong(BMTestTable ? BMTestTable->GetScriptTableSize() : 0);
}

// None for an index outside the table and for a script that was released (stopped).
PyObject* PY_BM_GetNthScript(PyObject*, PyObject* args) {
    int index;
    if (!BM_ParseTuple(args, "i", &index)) return nullptr;
    PyObject* script = nullptr;
    if (BMTestTable && index >= 0 && index < BMTestTable->GetScriptTableSize()) script = BMTestTable->GetScriptId(index);
    if (!script) Py_RETURN_NONE;
    Py_INCREF(script);
    return script;
}

// The first script loaded with this signature, or None.
PyObject* PY_BM_FindScriptBySignature(PyObject*, PyObject* args) {
    const char* signature;
    if (!BM_ParseTuple(args, "s", &signature)) return nullptr;
    PyObject* script = BMTestTable ? BMTestTable->GetScriptIdFromSignature(signature) : nullptr;
    if (!script) Py_RETURN_NONE;
    Py_INCREF(script);
    return script;
}

// (name, signature, description) as the script's XPluginStart gave them; empty texts for an
// object that is no script.
PyObject* PY_BM_GetScriptInfo(PyObject*, PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script)) return nullptr;
    std::string name, signature, description;
    if (BMTestTable) BMTestTable->GetScriptDescriptions(script, name, signature, description);
    return Py_BuildValue("(NNN)", BM_TextFromUtf8(name.c_str()), BM_TextFromUtf8(signature.c_str()),
                         BM_TextFromUtf8(description.c_str()));
}

PyObject* PY_BM_IsScriptEnabled(PyObject*, PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script)) return nullptr;
    return BM_IntFromLong(BMTestTable ? BMTestTable->GetScriptEnabledStatus(script) : 0);
}

// The answer is the flag as it was: 1 when the script was enabled already.
PyObject* PY_BM_EnableScript(PyObject*, PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script)) return nullptr;
    return BM_IntFromLong(BMTestTable ? BMTestTable->SetScriptEnabledStatus(script, 1) : 0);
}

PyObject* PY_BM_DisableScript(PyObject*, PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script)) return nullptr;
    if (BMTestTable) BMTestTable->SetScriptEnabledStatus(script, 0);
    return BM_One();
}

// The recipient None sends to every script in table order, the sender included. Delivery is
// synchronous: the recipients' methods have run when this returns. A recipient that raises has
// its traceback printed; the others still get the message.
PyObject* PY_BM_SendMessageToScript(PyObject*, PyObject* args) {
    PyObject *sender, *recipient;
    long message, param;
    if (!BM_ParseTuple(args, "OOll", &sender, &recipient, &message, &param)) return nullptr;
    if (recipient != Py_None) {
        CallScriptReceiveMessage(recipient, sender, message, param);
        return BM_One();
    }
    // Scripts loaded by a recipient meanwhile wait for the next broadcast; the table is checked
    // at every step, as a recipient may stop everything.
    int count = BMTestTable ? BMTestTable->GetScriptTableSize() : 0;
    for (int i = 0; i < count && BMTestTable && i < BMTestTable->GetScriptTableSize(); ++i) {
        PyObject* script = BMTestTable->GetScriptId(i);
        if (!script) continue;
        Py_INCREF(script);  // a recipient may release another script
        CallScriptReceiveMessage(script, sender, message, param);
        Py_DECREF(script);
    }
    return BM_One();
}

PyMethodDef PythonScriptMessagingMethods[] = {
    {"BM_CountScripts", PY_BM_CountScripts, METH_VARARGS, "Count the number of scripts."},
    {"BM_GetNthScript", PY_BM_GetNthScript, METH_VARARGS, "Get the Nth scripts."},
    {"BM_FindScriptBySignature", PY_BM_FindScriptBySignature, METH_VARARGS, "Find script by signature."},
    {"BM_GetScriptInfo", PY_BM_GetScriptInfo, METH_VARARGS, "Get script info."},
    {"BM_IsScriptEnabled", PY_BM_IsScriptEnabled, METH_VARARGS, "Is the script enabled."},
    {"BM_EnableScript", PY_BM_EnableScript, METH_VARARGS, "Enable the script."},
    {"BM_DisableScript", PY_BM_DisableScript, METH_VARARGS, "Disable the script."},
    {"BM_SendMessageToScript", PY_BM_SendMessageToScript, METH_VARARGS, "Send message to a script."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initPythonScriptMessaging() { BM_InitModule(kModule, PythonScriptMessagingMethods); }
