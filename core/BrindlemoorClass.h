#ifndef BRINDLEMOORCLASS_H
#define BRINDLEMOORCLASS_H
// The registry of loaded scripts. A script is known by its script object (the instance of its
// class Brindlemoor), compared by identity only; the table never calls into Python.

#include <string>
#include <vector>

typedef struct _object PyObject;

struct _BM_ScriptEntry {
    PyObject* pScriptId = nullptr;  // the table owns one reference, given up by the stop relay
    int ScriptEnabled = 1;
    int DataAccessorGetCallbacksNotDeleted = 0;
    int DataAccessorSetCallbacksNotDeleted = 0;
    PyObject* pModule = nullptr;
    PyObject* pClass = nullptr;
    std::string ModuleName;
    std::string ScriptName;
    std::string ScriptSignature;
    std::string ScriptDescription;
};

class BM_ScriptTable {
public:
    void AddScriptId(PyObject* script, const std::string& moduleName);
    int GetScriptTableSize() const { return int(ScriptTable.size()); }
    PyObject* GetScriptId(int index) const { return ScriptTable[std::size_t(index)].pScriptId; }
    int GetScriptEnabledStatus(PyObject* script) const;
    int SetScriptEnabledStatus(PyObject* script, int status);
    void SetScriptDescriptions(PyObject* script, const std::string& name,
                               const std::string& signature, const std::string& description);
    void GetScriptDescriptions(PyObject* script, std::string& name, std::string& signature,
                               std::string& description) const;
    PyObject* GetScriptIdFromSignature(const std::string& signature) const;
    PyObject* GetScriptIdFromModuleName(const std::string& moduleName) const;
    // Empties the table after the interpreter is gone: releases no reference, keeps the counters.
    void ClearScriptTable() { ScriptTable.clear(); }

    int GetNumberOfCameraControlScriptUsers() const { return NumberOfCameraControlScriptUsers; }
    int GetNumberOfDrawScriptUsers() const { return NumberOfDrawScriptUsers; }
    int GetNumberOfDrawWindowScriptUsers() const { return NumberOfDrawWindowScriptUsers; }
    int GetNumberOfFlightLoopScriptUsers() const { return NumberOfFlightLoopScriptUsers; }
    int GetNumberOfHotKeyScriptUsers() const { return NumberOfHotKeyScriptUsers; }
    int GetNumberOfKeySnifferScriptUsers() const { return NumberOfKeySnifferScriptUsers; }
    int GetNumberOfMenuScriptUsers() const { return NumberOfMenuScriptUsers; }
    int GetNumberOfPlanesAvailableScriptUsers() const { return NumberOfPlanesAvailableScriptUsers; }
    int GetNumberOfSharedDataScriptUsers() const { return NumberOfSharedDataScriptUsers; }
    int GetNumberOfWidgetScriptUsers() const { return NumberOfWidgetScriptUsers; }

private:
    const _BM_ScriptEntry* Find(PyObject* script) const;
    _BM_ScriptEntry* Find(PyObject* script);

    std::vector<_BM_ScriptEntry> ScriptTable;
    int NumberOfCameraControlScriptUsers = 0;
    int NumberOfDrawScriptUsers = 0;
    int NumberOfDrawWindowScriptUsers = 0;
    int NumberOfFlightLoopScriptUsers = 0;
    int NumberOfHotKeyScriptUsers = 0;
    int NumberOfKeySnifferScriptUsers = 0;
    int NumberOfMenuScriptUsers = 0;
    int NumberOfPlanesAvailableScriptUsers = 0;
    int NumberOfSharedDataScriptUsers = 0;
    int NumberOfWidgetScriptUsers = 0;
};

// The one table, between XPluginStart and XPluginStop; null otherwise.
extern BM_ScriptTable* BMTestTable;

#endif
