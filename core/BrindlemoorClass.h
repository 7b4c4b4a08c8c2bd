#ifndef BRINDLEMOORCLASS_H
#define BRINDLEMOORCLASS_H
// The registry of loaded scripts and of every callback, window, widget and data accessor they
// registered. A script is known by its script object (the instance of its class Brindlemoor);
// scripts, callables and handles are compared by identity only.
//
// Rules every look-up follows: within one entry the first matching record counts; when several
// entries match, the last entry in table order wins. Counters rise by one per appended record
// and fall by one per removal that found its record, never below 0; they survive a clear.
//
// References: an entry owns one reference to its script object (given up by the stop relay);
// each record owns one reference to each callable or widget object it holds, so a script may
// register a temporary bound method. ReleaseReferences gives the records' references back while
// the interpreter still runs; ClearScriptTable, after it is gone, releases nothing.

#include <cstdint>
#include <string>
#include <vector>

#include "PointerMap.h"

typedef struct _object PyObject;

struct _DrawWindowCallbackTable {
    void* WindowId;
    PyObject* DrawWindowCallback;
    PyObject* KeyCallback;
    PyObject* MouseClickCallback;
    PyObject* CursorStatusCallback;  // no registration fills these two
    PyObject* MouseWheelCallback;
};
struct _FlightLoopCallbackTable {
    PyObject* FlightLoopCallback;
    intptr_t RefCon;
};
struct _DrawCallbackTable {
    PyObject* DrawCallback;
    intptr_t RefCon;
};
struct _KeySnifferCallbackTable {
    PyObject* KeySnifferCallback;
    intptr_t RefCon;
};
struct _HotKeyCallbackTable {
    void* HotKeyID;
    PyObject* HotKeyCallback;
    intptr_t RefCon;
};
struct _SharedDataCallbackTable {
    PyObject* SharedDataCallback;
    intptr_t RefCon;
};
struct _MenuCallbackTable {
    void* MenuId;
    PyObject* MenuCallback;
    intptr_t MenuRef;
};
struct _CameraControlCallbackTable {
    PyObject* CameraControlCallback;
    intptr_t RefCon;
};
struct _PlanesAvailableTable {
    PyObject* PlanesAvailableCallback;
    intptr_t RefCon;
};
struct _WidgetCallbackTable {
    void* WidgetId;
    PyObject* WidgetCallback;
};
struct _WidgetObjectTableStruct {
    void* WidgetId;
    PyObject* WidgetObject;
};

// The data kinds of an accessor, in the simulator's order.
enum BM_DataKind { BM_Datai, BM_Dataf, BM_Datad, BM_Datavi, BM_Datavf, BM_Datab, BM_DataKindCount };

// The callables of one accessor for one direction; the simulator's refcon for that direction.
struct _DataAccessorGetCallbacks {
    PyObject* GetDataCB[BM_DataKindCount];  // GetDataiCB ... GetDatabCB
};
struct _DataAccessorSetCallbacks {
    PyObject* SetDataCB[BM_DataKindCount];  // SetDataiCB ... SetDatabCB
};
struct _GetDataCallbackTable {
    PyObject* Callback;
    intptr_t RefCon;
    void* DataRef;
    _DataAccessorGetCallbacks* pDataAccessorGetCallbacks;
};
struct _SetDataCallbackTable {
    PyObject* Callback;
    intptr_t RefCon;
    void* DataRef;
    _DataAccessorSetCallbacks* pDataAccessorSetCallbacks;
};

struct _BM_ScriptEntry {
    PyObject* pScriptId = nullptr;
    int ScriptEnabled = 1;
    int DataAccessorGetCallbacksNotDeleted = 0;  // a read block of this script is still allocated
    int DataAccessorSetCallbacksNotDeleted = 0;
    PyObject* pModule = nullptr;
    PyObject* pClass = nullptr;
    std::string ModuleName;
    std::string ScriptName;
    std::string ScriptSignature;
    std::string ScriptDescription;

    std::vector<_DrawWindowCallbackTable> DrawWindowCBTable;
    std::vector<_FlightLoopCallbackTable> FlightLoopCBTable;
    std::vector<_DrawCallbackTable> DrawCBTable;
    std::vector<_KeySnifferCallbackTable> KeySnifferCBTable;
    std::vector<_HotKeyCallbackTable> HotKeyCBTable;
    std::vector<_SharedDataCallbackTable> SharedDataCBTable;
    std::vector<_MenuCallbackTable> MenuCBTable;
    std::vector<_CameraControlCallbackTable> CameraControlCBTable;
    std::vector<_PlanesAvailableTable> PlanesAvailableCBTable;
    std::vector<_WidgetCallbackTable> WidgetCBTable;
    std::vector<_GetDataCallbackTable> GetDataCBTable[BM_DataKindCount];  // GetDataiCBTable ...
    std::vector<_SetDataCallbackTable> SetDataCBTable[BM_DataKindCount];  // SetDataiCBTable ...
    std::vector<_WidgetObjectTableStruct> WidgetObjectTable;
};

// Window callback slots, as the look-ups take them.
enum BM_WindowCallbackKind {
    BM_WindowDraw = 0,
    BM_WindowKey = 1,
    BM_WindowMouseClick = 2,
    BM_WindowCursorStatus = 3,
    BM_WindowMouseWheel = 4
};

class BM_ScriptTable {
public:
    ~BM_ScriptTable();

    // ---- Scripts ----
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
    // Gives back every reference the records hold and empties them; the interpreter must still run.
    void ReleaseReferences();
    // Forgets every entry after the interpreter is gone: releases nothing, keeps the counters.
    void ClearScriptTable() {
        ScriptTable.clear();
        Changed();
    }

    // ---- Add family: an unknown script object gets an entry of its own (counter unchanged) ----
    void SetWindowId(PyObject* script, void* window, PyObject* draw, PyObject* key, PyObject* mouseClick);
    void SetFlightLoopCallback(PyObject* script, PyObject* callable, intptr_t refcon);
    void SetDrawCallback(PyObject* script, PyObject* callable, intptr_t refcon);
    void SetKeySnifferCallback(PyObject* script, PyObject* callable, intptr_t refcon);
    void SetHotKeyCallback(PyObject* script, void* hotKey, PyObject* callable, intptr_t refcon);
    void SetSharedDataCallback(PyObject* script, PyObject* callable, intptr_t refcon);
    void SetMenuCallback(PyObject* script, void* menu, PyObject* callable, intptr_t menuRef);
    void SetCameraControlCallback(PyObject* script, PyObject* callable, intptr_t refcon);
    void SetPlanesAvailableCallback(PyObject* script, PyObject* callable, intptr_t refcon);
    void SetWidgetCallback(PyObject* script, void* widget, PyObject* callable);
    void SetGetDataCallback(BM_DataKind kind, PyObject* script, PyObject* callable, intptr_t refcon,
                            void* dataRef, _DataAccessorGetCallbacks* block);
    void SetSetDataCallback(BM_DataKind kind, PyObject* script, PyObject* callable, intptr_t refcon,
                            void* dataRef, _DataAccessorSetCallbacks* block);
    void SetWidgetObject(PyObject* script, void* widget, PyObject* object);

    // ---- Remove family: the script's records with that key go ----
    void RemoveWindowId(PyObject* script, void* window);
    void RemoveFlightLoopCallback(PyObject* script, PyObject* callable);
    void RemoveDrawCallback(PyObject* script, PyObject* callable);
    void RemoveKeySnifferCallback(PyObject* script, PyObject* callable);
    void RemoveHotKeyCallback(PyObject* script, void* hotKey);
    void RemoveSharedDataCallback(PyObject* script, PyObject* callable);
    void RemoveMenuCallback(PyObject* script, void* menu);
    void RemoveWidgetCallback(PyObject* script, void* widget);
    void RemoveCameraControlCallback(PyObject* script);
    void RemovePlanesAvailableCallback(PyObject* script);
    // A block is freed with the last record of the entry that points to it.
    void RemoveGetDataCallback(BM_DataKind kind, PyObject* script, void* dataRef);
    void RemoveSetDataCallback(BM_DataKind kind, PyObject* script, void* dataRef);
    // With `children` nonzero every widget object of the script goes, whatever its widget.
    void RemoveWidgetObject(PyObject* script, void* widget, int children);

    // ---- Look-up family: the owning script, or null; `refcon` written only on a match ----
    PyObject* GetScriptIdFromFlightLoopCallback(PyObject* callable, intptr_t* refcon) const;
    PyObject* GetScriptIdFromDrawCallback(PyObject* callable, intptr_t* refcon) const;
    PyObject* GetScriptIdFromKeySnifferCallback(PyObject* callable, intptr_t* refcon) const;
    PyObject* GetScriptIdFromHotKeyCallback(PyObject* callable, intptr_t* refcon) const;
    PyObject* GetScriptIdFromSharedDataCallback(PyObject* callable, intptr_t* refcon) const;
    PyObject* GetScriptIdFromMenuCallback(PyObject* callable, intptr_t* menuRef) const;
    PyObject* GetScriptIdFromCameraControlCallback(PyObject* callable, intptr_t* refcon) const;
    PyObject* GetScriptIdFromPlanesAvailableCallback(PyObject* callable, intptr_t* refcon) const;
    PyObject* GetScriptIdFromGetDataCallback(BM_DataKind kind, PyObject* callable, intptr_t* refcon) const;
    PyObject* GetScriptIdFromSetDataCallback(BM_DataKind kind, PyObject* callable, intptr_t* refcon) const;
    // Window look-ups walk every record; the last match of the whole table wins.
    PyObject* GetCallbackFromWindowId(int kind, void* window) const;
    PyObject* GetScriptIdFromDrawWindowCallback(int kind, PyObject* callable) const;
    PyObject* GetScriptIdFromWidgetId(void* widget) const;
    PyObject* GetCallbackFromWidgetId(void* widget, PyObject* script) const;
    // The object, or None; no reference is added.
    PyObject* GetWidgetObjectFromWidgetId(void* widget, PyObject* script) const;

    // ---- Counters ----
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
    // Callbacks run every frame, so look-ups by callable and by script go through an index that
    // is rebuilt after the records change; it gives exactly what walking the table gives.
    enum IndexKind {
        kFlightLoopIndex,
        kDrawIndex,
        kKeySnifferIndex,
        kHotKeyIndex,
        kSharedDataIndex,
        kMenuIndex,
        kCameraControlIndex,
        kPlanesAvailableIndex,
        kGetDataIndex,
        kSetDataIndex = kGetDataIndex + BM_DataKindCount,
        kIndexKinds = kSetDataIndex + BM_DataKindCount
    };
    struct IndexHit {
        PyObject* script;
        intptr_t refcon;
        std::size_t entry;
    };
    void Changed() {
        indexValid_ = false;
        lastScript_ = nullptr;
    }
    void RebuildIndex() const;
    PyObject* Owner(IndexKind kind, PyObject* callable, intptr_t* refcon) const;

    const _BM_ScriptEntry* Find(PyObject* script) const;
    _BM_ScriptEntry* Find(PyObject* script);
    // Record helpers; `vecOf` picks the record vector out of an entry.
    template <typename VecOf, typename R, typename K>
    void Add(PyObject* script, VecOf vecOf, const R& record, K R::*duplicateKey, int* counter);
    template <typename VecOf, typename Match>
    bool Remove(PyObject* script, VecOf vecOf, Match match, int* counter);
    template <typename VecOf, typename R>
    void IndexRecords(IndexKind kind, VecOf vecOf, PyObject* R::*callable, intptr_t R::*refconField) const;
    void UpdateBlockFlags(_BM_ScriptEntry& entry);

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

    mutable bool indexValid_ = false;
    mutable PointerMap<IndexHit> index_[kIndexKinds];
    mutable PointerMap<std::size_t> scriptIndex_;  // the entry of each script
    // The script a look-up found last: a trampoline asks for its enabled flag next.
    mutable PyObject* lastScript_ = nullptr;
    mutable std::size_t lastEntry_ = 0;
};

// ---- The look-ups on the per-frame path, inline ----

inline const _BM_ScriptEntry* BM_ScriptTable::Find(PyObject* script) const {
    if (!indexValid_) RebuildIndex();
    if (script && script == lastScript_) return &ScriptTable[lastEntry_];
    const std::size_t* entry = scriptIndex_.Find(script);
    if (!entry) return nullptr;
    lastScript_ = script;
    lastEntry_ = *entry;
    return &ScriptTable[*entry];
}

inline PyObject* BM_ScriptTable::Owner(IndexKind kind, PyObject* callable, intptr_t* refcon) const {
    if (!indexValid_) RebuildIndex();
    const IndexHit* hit = index_[kind].Find(callable);
    if (!hit) return nullptr;
    if (refcon) *refcon = hit->refcon;
    // A script has one entry, so the record's entry holds its enabled flag.
    lastScript_ = hit->script;
    lastEntry_ = hit->entry;
    return hit->script;
}

inline int BM_ScriptTable::GetScriptEnabledStatus(PyObject* script) const {
    const _BM_ScriptEntry* entry = Find(script);
    return entry ? entry->ScriptEnabled : 0;
}

inline PyObject* BM_ScriptTable::GetScriptIdFromFlightLoopCallback(PyObject* callable, intptr_t* refcon) const {
    return Owner(kFlightLoopIndex, callable, refcon);
}

inline PyObject* BM_ScriptTable::GetScriptIdFromDrawCallback(PyObject* callable, intptr_t* refcon) const {
    return Owner(kDrawIndex, callable, refcon);
}

// The one table, between XPluginStart and XPluginStop; null otherwise.
extern BM_ScriptTable* BMTestTable;

#endif
