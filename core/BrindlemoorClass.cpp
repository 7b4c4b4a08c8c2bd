#include "BrindlemoorClass.h"

BM_ScriptTable* BMTestTable = nullptr;

const _BM_ScriptEntry* BM_ScriptTable::Find(PyObject* script) const {
    for (const _BM_ScriptEntry& entry : ScriptTable)
        if (entry.pScriptId == script) return &entry;
    return nullptr;
}

_BM_ScriptEntry* BM_ScriptTable::Find(PyObject* script) {
    return const_cast<_BM_ScriptEntry*>(static_cast<const BM_ScriptTable*>(this)->Find(script));
}

void BM_ScriptTable::AddScriptId(PyObject* script, const std::string& moduleName) {
    if (Find(script)) return;
    _BM_ScriptEntry entry;
    entry.pScriptId = script;
    entry.ModuleName = moduleName;
    ScriptTable.push_back(std::move(entry));
}

int BM_ScriptTable::GetScriptEnabledStatus(PyObject* script) const {
    const _BM_ScriptEntry* entry = Find(script);
    return entry ? entry->ScriptEnabled : 0;
}

int BM_ScriptTable::SetScriptEnabledStatus(PyObject* script, int status) {
    _BM_ScriptEntry* entry = Find(script);
    if (!entry) return 0;
    int previous = entry->ScriptEnabled;
    entry->ScriptEnabled = status;
    return previous;
}

void BM_ScriptTable::SetScriptDescriptions(PyObject* script, const std::string& name,
                                           const std::string& signature,
                                           const std::string& description) {
    if (_BM_ScriptEntry* entry = Find(script)) {
        entry->ScriptName = name;
        entry->ScriptSignature = signature;
        entry->ScriptDescription = description;
    }
}

void BM_ScriptTable::GetScriptDescriptions(PyObject* script, std::string& name,
                                           std::string& signature, std::string& description) const {
    if (const _BM_ScriptEntry* entry = Find(script)) {
        name = entry->ScriptName;
        signature = entry->ScriptSignature;
        description = entry->ScriptDescription;
    }
}

PyObject* BM_ScriptTable::GetScriptIdFromSignature(const std::string& signature) const {
    for (const _BM_ScriptEntry& entry : ScriptTable)
        if (entry.ScriptSignature == signature) return entry.pScriptId;
    return nullptr;
}

PyObject* BM_ScriptTable::GetScriptIdFromModuleName(const std::string& moduleName) const {
    for (const _BM_ScriptEntry& entry : ScriptTable)
        if (entry.ModuleName == moduleName) return entry.pScriptId;
    return nullptr;
}
