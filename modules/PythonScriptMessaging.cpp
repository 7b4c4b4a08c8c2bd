// PythonScriptMessaging: scripts see each other. They count and enumerate the loaded scripts,
// find one by its signature, read its descriptions, switch its enabled flag, and send it (or
// every script) a message that arrives through its XPluginReceiveMessage, as the simulator's do.
//
// A script is its script object. Switching the flag calls none of the script's methods: a
// disabled script just hears nothing (callbacks, lifecycle calls, messages) until enabled again.
//
// A script may also ask for a script (itself included) to be reloaded from its file; the reload
// runs later, once no script code runs (core/ScriptReload.h).
#include "Brindlemoor.h"
#include "ModuleSupport.h"
#include "PythonModules.h"
#include "ScriptReload.h"

namespace {

const char kModule[] = "PythonScriptMessaging";

PyObject* CountScripts(PyObject* args) {
    if (!BM_ParseTuple(args, "")) return nullptr;  // takes no arguments
    return BM_IntFromLong(BMTestTable ? BMTestTable->GetScriptTableSize() : 0);
}

// None for an index outside the table and for a script that was released (stopped).
PyObject* GetNthScript(PyObject* args) {
    int index;
    if (!BM_ParseTuple(args, "i", &index)) return nullptr;
    PyObject* script = nullptr;
    if (BMTestTable && index >= 0 && index < BMTestTable->GetScriptTableSize()) script = BMTestTable->GetScriptId(index);
    if (!script) Py_RETURN_NONE;
    Py_INCREF(script);
    return script;
}

// The first script loaded with this signature, or None.
PyObject* FindScriptBySignature(PyObject* args) {
    const char* signature;
    if (!BM_ParseTuple(args, "s", &signature)) return nullptr;
    PyObject* script = BMTestTable ? BMTestTable->GetScriptIdFromSignature(signature) : nullptr;
    if (!script) Py_RETURN_NONE;
    Py_INCREF(script);
    return script;
}

// (name, signature, description) as the script's XPluginStart gave them; empty texts for an
// object that is no script.
PyObject* GetScriptInfo(PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script)) return nullptr;
    std::string name, signature, description;
    if (BMTestTable) BMTestTable->GetScriptDescriptions(script, name, signature, description);
    return Py_BuildValue("(NNN)", BM_TextFromUtf8(name.c_str()), BM_TextFromUtf8(signature.c_str()),
                         BM_TextFromUtf8(description.c_str()));
}

PyObject* IsScriptEnabled(PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script)) return nullptr;
    return BM_IntFromLong(BMTestTable ? BMTestTable->GetScriptEnabledStatus(script) : 0);
}

// The answer is the flag as it was: 1 when the script was enabled already.
PyObject* EnableScript(PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script)) return nullptr;
    return BM_IntFromLong(BMTestTable ? BMTestTable->SetScriptEnabledStatus(script, 1) : 0);
}

PyObject* DisableScript(PyObject* args) {
    PyObject* script;
    if (!BM_ParseTuple(args, "O", &script)) return nullptr;
    if (BMTestTable) BMTestTable->SetScriptEnabledStatus(script, 0);
    return BM_One();
}

// The recipient None sends to every script in table order, the sender included, but not to a
// script whose __init__ is still running (the sender's own, say). Delivery is
// synchronous: the recipients' methods have run when this returns. A recipient that raises has
// its traceback printed; the others still get the message.
PyObject* SendMessageToScript(PyObject* args) {
    PyObject *sender, *recipient;
    long message, param;
    if (!BM_ParseTuple(args, "OOll", &sender, &recipient, &message, &param) ||
        !BM_CheckScript(sender, "BM_SendMessageToScript"))
        return nullptr;
    if (recipient != Py_None) {
        CallScriptReceiveMessage(recipient, sender, message, param);
        return BM_One();
    }
    // Scripts loaded by a recipient meanwhile wait for the next broadcast; the table is checked
    // at every step, as a recipient may stop everything.
    int count = BMTestTable ? BMTestTable->GetScriptTableSize() : 0;
    for (int i = 0; i < count && BMTestTable && i < BMTestTable->GetScriptTableSize(); ++i) {
        PyObject* script = BMTestTable->GetScriptId(i);
        if (!script || BMTestTable->IsBeingMade(script)) continue;
        Py_INCREF(script);  // a recipient may release another script
        CallScriptReceiveMessage(script, sender, message, param);
        Py_DECREF(script);
    }
    return BM_One();
}

// BM_ReloadScript(script or module name): 1 when the reload is queued, 0 when there is no such
// script. A module name is the script file's name, with or without ".py"; a script is a script
// object (any instance a script registered with stands for its module). A name is a str, or
// under 2.7 a unicode string too (taken as UTF-8). Numbers, None and, under 3, bytes raise
// TypeError.
PyObject* ReloadScript(PyObject* args) {
    PyObject* which;
    if (!BM_ParseTuple(args, "O", &which)) return nullptr;
    std::string moduleName;
    if (BM_IsTextLiteral(which)) {
        PyObject* encoded = BM_EncodedBytes(which);
        char* data = nullptr;
        Py_ssize_t length = 0;
        bool read = encoded && BM_BytesOf(encoded, &data, &length);
        if (read) moduleName.assign(data, std::size_t(length));
        Py_XDECREF(encoded);
        if (!read) return nullptr;
        const std::string suffix = ".py";
        if (moduleName.size() > suffix.size() &&
            moduleName.compare(moduleName.size() - suffix.size(), suffix.size(), suffix) == 0)
            moduleName.resize(moduleName.size() - suffix.size());
    } else if (which == Py_None || BM_IsInt(which) || PyFloat_Check(which) || BM_IsBytesOrText(which)) {
        PyErr_SetString(PyExc_TypeError, "BM_ReloadScript takes a script or the module name of one");
        return nullptr;
    } else {
        const std::string* name = BMTestTable ? BMTestTable->ModuleNameOf(which) : nullptr;
        if (!name) return BM_Zero();
        moduleName = *name;
    }
    return BM_CallHost(kModule, "BM_ReloadScript", BM_Zero,
                       [&] { return BM_IntFromLong(BM_RequestReloadOrThrow(moduleName) ? 1 : 0); });
}

// Each function's work, run so that no C++ exception (out of memory) reaches the interpreter.
template <PyObject* (*Work)(PyObject*)>
PyObject* Guarded(PyObject*, PyObject* args) {
    return BM_RaiseInstead([&] { return Work(args); });
}

PyMethodDef PythonScriptMessagingMethods[] = {
    {"BM_CountScripts", Guarded<CountScripts>, METH_VARARGS,
     "Counts the scripts loaded, enabled or not.\n"
     "\n"
     "Returns the count as an int."},
    {"BM_GetNthScript", Guarded<GetNthScript>, METH_VARARGS,
     "Finds a loaded script by its index, 0 to BM_CountScripts() - 1.\n"
     "\n"
     "inIndex: the index\n"
     "\n"
     "Returns the script object, or None for an index out of range or a script that was stopped."},
    {"BM_FindScriptBySignature", Guarded<FindScriptBySignature>, METH_VARARGS,
     "Finds a loaded script by the signature its XPluginStart gave.\n"
     "\n"
     "inSignature: the signature\n"
     "\n"
     "Returns the first script object loaded with it, or None when none has it."},
    {"BM_GetScriptInfo", Guarded<GetScriptInfo>, METH_VARARGS,
     "Tells a script's name, signature and description, as its XPluginStart gave them.\n"
     "\n"
     "inScript: the script object\n"
     "\n"
     "Returns the tuple (name, signature, description); empty texts for an object that is no\n"
     "script."},
    {"BM_IsScriptEnabled", Guarded<IsScriptEnabled>, METH_VARARGS,
     "Tells whether a script is enabled.\n"
     "\n"
     "inScript: the script object\n"
     "\n"
     "Returns 1 when enabled, 0 when disabled or no script."},
    {"BM_EnableScript", Guarded<EnableScript>, METH_VARARGS,
     "Enables a script: it hears its callbacks and messages again.\n"
     "\n"
     "inScript: the script object\n"
     "\n"
     "None of the script's methods is called. Returns the flag as it was: 1 when the script was\n"
     "enabled already, 0 when not."},
    {"BM_DisableScript", Guarded<DisableScript>, METH_VARARGS,
     "Disables a script: it hears no callbacks, lifecycle calls or messages until enabled.\n"
     "\n"
     "inScript: the script object\n"
     "\n"
     "None of the script's methods is called. Returns 1."},
    {"BM_SendMessageToScript", Guarded<SendMessageToScript>, METH_VARARGS,
     "Sends a message to a script, or to every script, through its XPluginReceiveMessage.\n"
     "\n"
     "self: the script object (self of the script's class)\n"
     "inRecipient: the script object, or None for every script in load order, the sender included\n"
     "inMessage: the message number\n"
     "inParam: an int handed on\n"
     "\n"
     "The recipients are called as XPluginReceiveMessage(inFromWho, inMessage, inParam), inFromWho\n"
     "being the sender's script object as an int, before this returns; a recipient that raises has\n"
     "its traceback printed and the others still get the message.\n"
     "Returns 1."},
    {"BM_ReloadScript", Guarded<ReloadScript>, METH_VARARGS,
     "Asks for a script to be reloaded from its file, once no script code runs.\n"
     "\n"
     "inScript: a script object (itself too), or the script file's name with or without \".py\"\n"
     "\n"
     "Returns 1 when the reload is queued, 0 when there is no such script. Raises TypeError for a\n"
     "name that is no string."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace

void initPythonScriptMessaging() { BM_InitModule(kModule, PythonScriptMessagingMethods); }
