#include "PyCompat.h"

#include "BrindlemoorClass.h"

#include <algorithm>

BM_ScriptTable* BMTestTable = nullptr;

namespace {

// The Python objects a record holds a reference to.
template <typename F> void ForEachObject(_DrawWindowCallbackTable& r, F f) {
    f(r.DrawWindowCallback), f(r.KeyCallback), f(r.MouseClickCallback), f(r.CursorStatusCallback),
        f(r.MouseWheelCallback);
}
template <typename F> void ForEachObject(_FlightLoopCallbackTable& r, F f) { f(r.FlightLoopCallback); }
template <typename F> void ForEachObject(_DrawCallbackTable& r, F f) { f(r.DrawCallback); }
template <typename F> void ForEachObject(_KeySnifferCallbackTable& r, F f) { f(r.KeySnifferCallback); }
template <typename F> void ForEachObject(_HotKeyCallbackTable& r, F f) { f(r.HotKeyCallback); }
template <typename F> void ForEachObject(_SharedDataCallbackTable& r, F f) { f(r.SharedDataCallback); }
template <typename F> void ForEachObject(_MenuCallbackTable& r, F f) { f(r.MenuCallback); }
template <typename F> void ForEachObject(_CameraControlCallbackTable& r, F f) { f(r.CameraControlCallback); }
template <typename F> void ForEachObject(_PlanesAvailableTable& r, F f) { f(r.PlanesAvailableCallback); }
template <typename F> void ForEachObject(_WidgetCallbackTable& r, F f) { f(r.WidgetCallback); }
template <typename F> void ForEachObject(_GetDataCallbackTable& r, F f) { f(r.Callback); }
template <typename F> void ForEachObject(_SetDataCallbackTable& r, F f) { f(r.Callback); }
template <typename F> void ForEachObject(_WidgetObjectTableStruct& r, F f) { f(r.WidgetObject); }

template <typename R> void Hold(R record) { ForEachObject(record, [](PyObject* o) { Py_XINCREF(o); }); }
template <typename R> void Release(R record) { ForEachObject(record, [](PyObject* o) { Py_XDECREF(o); }); }

void Lower(int* counter) {
    if (counter && --*counter < 1) *counter = 0;
}

template <typename R> void ReleaseAll(std::vector<R>& records) {
    std::vector<R> gone;
    gone.swap(records);  // releasing may run Python code that looks at the table
    for (R& record : gone) Release(record);
}

PyObject* const* WindowSlot(const _DrawWindowCallbackTable& r, int kind) {
    switch (kind) {
        case BM_WindowDraw: return &r.DrawWindowCallback;
        case BM_WindowKey: return &r.KeyCallback;
        case BM_WindowMouseClick: return &r.MouseClickCallback;
        case BM_WindowCursorStatus: return &r.CursorStatusCallback;
        case BM_WindowMouseWheel: return &r.MouseWheelCallback;
        default: return nullptr;
    }
}

#define VEC(field) [](auto& entry) -> auto& { return entry.field; }

}  // namespace

BM_ScriptTable::~BM_ScriptTable() {
    // Entries hold no live references by now (see ReleaseReferences); blocks still registered
    // with the simulator stay allocated on purpose, as it may call with them.
}

// ---- Scripts ----


template <typename VecOf, typename R>
void BM_ScriptTable::IndexRecords(IndexKind kind, VecOf vecOf, PyObject* R::*callable,
                                  intptr_t R::*refconField) const {
    auto& index = index_[kind];
    for (std::size_t e = 0; e < ScriptTable.size(); ++e) {
        const auto& records = vecOf(ScriptTable[e]);
        // Backwards, so that the first record of an entry is the one left standing, while a
        // later entry overwrites an earlier one.
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            index.Set((*it).*callable, IndexHit{ScriptTable[e].pScriptId, (*it).*refconField, e});
    }
}

void BM_ScriptTable::RebuildIndex() const {
    for (auto& index : index_) index.Clear();
    scriptIndex_.Clear();
    for (std::size_t i = ScriptTable.size(); i-- > 0;) scriptIndex_.Set(ScriptTable[i].pScriptId, i);
    IndexRecords(kFlightLoopIndex, VEC(FlightLoopCBTable), &_FlightLoopCallbackTable::FlightLoopCallback,
                 &_FlightLoopCallbackTable::RefCon);
    IndexRecords(kDrawIndex, VEC(DrawCBTable), &_DrawCallbackTable::DrawCallback, &_DrawCallbackTable::RefCon);
    IndexRecords(kKeySnifferIndex, VEC(KeySnifferCBTable), &_KeySnifferCallbackTable::KeySnifferCallback,
                 &_KeySnifferCallbackTable::RefCon);
    IndexRecords(kHotKeyIndex, VEC(HotKeyCBTable), &_HotKeyCallbackTable::HotKeyCallback,
                 &_HotKeyCallbackTable::RefCon);
    IndexRecords(kSharedDataIndex, VEC(SharedDataCBTable), &_SharedDataCallbackTable::SharedDataCallback,
                 &_SharedDataCallbackTable::RefCon);
    IndexRecords(kMenuIndex, VEC(MenuCBTable), &_MenuCallbackTable::MenuCallback, &_MenuCallbackTable::MenuRef);
    IndexRecords(kCameraControlIndex, VEC(CameraControlCBTable), &_CameraControlCallbackTable::CameraControlCallback,
                 &_CameraControlCallbackTable::RefCon);
    IndexRecords(kPlanesAvailableIndex, VEC(PlanesAvailableCBTable), &_PlanesAvailableTable::PlanesAvailableCallback,
                 &_PlanesAvailableTable::RefCon);
    for (int kind = 0; kind < BM_DataKindCount; ++kind) {
        IndexRecords(IndexKind(kGetDataIndex + kind), [kind](auto& entry) -> auto& { return entry.GetDataCBTable[kind]; },
                     &_GetDataCallbackTable::Callback, &_GetDataCallbackTable::RefCon);
        IndexRecords(IndexKind(kSetDataIndex + kind), [kind](auto& entry) -> auto& { return entry.SetDataCBTable[kind]; },
                     &_SetDataCallbackTable::Callback, &_SetDataCallbackTable::RefCon);
    }
    indexValid_ = true;
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
    Changed();
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

void BM_ScriptTable::ReleaseReferences() {
    Changed();
    for (std::size_t i = 0; i < ScriptTable.size(); ++i) {
        // Index access: a release may run Python code that adds entries.
        auto release = [&](auto vecOf) { ReleaseAll(vecOf(ScriptTable[i])); };
        release(VEC(DrawWindowCBTable));
        release(VEC(FlightLoopCBTable));
        release(VEC(DrawCBTable));
        release(VEC(KeySnifferCBTable));
        release(VEC(HotKeyCBTable));
        release(VEC(SharedDataCBTable));
        release(VEC(MenuCBTable));
        release(VEC(CameraControlCBTable));
        release(VEC(PlanesAvailableCBTable));
        release(VEC(WidgetCBTable));
        for (int kind = 0; kind < BM_DataKindCount; ++kind) {
            release([kind](auto& entry) -> auto& { return entry.GetDataCBTable[kind]; });
            release([kind](auto& entry) -> auto& { return entry.SetDataCBTable[kind]; });
        }
        release(VEC(WidgetObjectTable));
    }
    Changed();
}

// ---- Record helpers ----

template <typename VecOf, typename R, typename K>
void BM_ScriptTable::Add(PyObject* script, VecOf vecOf, const R& record, K R::*duplicateKey, int* counter) {
    _BM_ScriptEntry* entry = Find(script);
    if (!entry) {
        // An object the loader did not create: it gets an entry of its own, enabled, which
        // holds a reference to it like a loaded script's entry does.
        _BM_ScriptEntry fresh;
        fresh.pScriptId = script;
        Py_XINCREF(script);
        vecOf(fresh).push_back(record);
        Hold(record);
        ScriptTable.push_back(std::move(fresh));
        Changed();
        return;
    }
    for (const R& existing : vecOf(*entry))
        if (existing.*duplicateKey == record.*duplicateKey) return;
    vecOf(*entry).push_back(record);
    Changed();
    Hold(record);
    if (counter) ++*counter;
}

template <typename VecOf, typename Match>
bool BM_ScriptTable::Remove(PyObject* script, VecOf vecOf, Match match, int* counter) {
    _BM_ScriptEntry* entry = Find(script);
    if (!entry) return false;
    auto& records = vecOf(*entry);
    auto firstGone = std::stable_partition(records.begin(), records.end(), [&](const auto& r) { return !match(r); });
    if (firstGone == records.end()) return false;
    std::vector<typename std::decay_t<decltype(records)>::value_type> gone(firstGone, records.end());
    records.erase(firstGone, records.end());
    Changed();
    Lower(counter);
    for (auto& record : gone) Release(record);
    return true;
}

// ---- Add family ----

void BM_ScriptTable::SetWindowId(PyObject* script, void* window, PyObject* draw, PyObject* key,
                                 PyObject* mouseClick) {
    Add(script, VEC(DrawWindowCBTable), _DrawWindowCallbackTable{window, draw, key, mouseClick, nullptr, nullptr},
        &_DrawWindowCallbackTable::DrawWindowCallback, &NumberOfDrawWindowScriptUsers);
}
void BM_ScriptTable::SetFlightLoopCallback(PyObject* script, PyObject* callable, intptr_t refcon) {
    Add(script, VEC(FlightLoopCBTable), _FlightLoopCallbackTable{callable, refcon},
        &_FlightLoopCallbackTable::FlightLoopCallback, &NumberOfFlightLoopScriptUsers);
}
void BM_ScriptTable::SetDrawCallback(PyObject* script, PyObject* callable, intptr_t refcon) {
    Add(script, VEC(DrawCBTable), _DrawCallbackTable{callable, refcon}, &_DrawCallbackTable::DrawCallback,
        &NumberOfDrawScriptUsers);
}
void BM_ScriptTable::SetKeySnifferCallback(PyObject* script, PyObject* callable, intptr_t refcon) {
    Add(script, VEC(KeySnifferCBTable), _KeySnifferCallbackTable{callable, refcon},
        &_KeySnifferCallbackTable::KeySnifferCallback, &NumberOfKeySnifferScriptUsers);
}
void BM_ScriptTable::SetHotKeyCallback(PyObject* script, void* hotKey, PyObject* callable, intptr_t refcon) {
    Add(script, VEC(HotKeyCBTable), _HotKeyCallbackTable{hotKey, callable, refcon},
        &_HotKeyCallbackTable::HotKeyCallback, &NumberOfHotKeyScriptUsers);
}
void BM_ScriptTable::SetSharedDataCallback(PyObject* script, PyObject* callable, intptr_t refcon) {
    Add(script, VEC(SharedDataCBTable), _SharedDataCallbackTable{callable, refcon},
        &_SharedDataCallbackTable::SharedDataCallback, &NumberOfSharedDataScriptUsers);
}
void BM_ScriptTable::SetMenuCallback(PyObject* script, void* menu, PyObject* callable, intptr_t menuRef) {
    Add(script, VEC(MenuCBTable), _MenuCallbackTable{menu, callable, menuRef}, &_MenuCallbackTable::MenuCallback,
        &NumberOfMenuScriptUsers);
}
void BM_ScriptTable::SetCameraControlCallback(PyObject* script, PyObject* callable, intptr_t refcon) {
    Add(script, VEC(CameraControlCBTable), _CameraControlCallbackTable{callable, refcon},
        &_CameraControlCallbackTable::CameraControlCallback, &NumberOfCameraControlScriptUsers);
}
void BM_ScriptTable::SetPlanesAvailableCallback(PyObject* script, PyObject* callable, intptr_t refcon) {
    Add(script, VEC(PlanesAvailableCBTable), _PlanesAvailableTable{callable, refcon},
        &_PlanesAvailableTable::PlanesAvailableCallback, &NumberOfPlanesAvailableScriptUsers);
}
void BM_ScriptTable::SetWidgetCallback(PyObject* script, void* widget, PyObject* callable) {
    Add(script, VEC(WidgetCBTable), _WidgetCallbackTable{widget, callable}, &_WidgetCallbackTable::WidgetCallback,
        &NumberOfWidgetScriptUsers);
}
void BM_ScriptTable::SetGetDataCallback(BM_DataKind kind, PyObject* script, PyObject* callable, intptr_t refcon,
                                        void* dataRef, _DataAccessorGetCallbacks* block) {
    Add(script, [kind](auto& entry) -> auto& { return entry.GetDataCBTable[kind]; },
        _GetDataCallbackTable{callable, refcon, dataRef, block}, &_GetDataCallbackTable::Callback, nullptr);
    if (_BM_ScriptEntry* entry = Find(script)) UpdateBlockFlags(*entry);
}
void BM_ScriptTable::SetSetDataCallback(BM_DataKind kind, PyObject* script, PyObject* callable, intptr_t refcon,
                                        void* dataRef, _DataAccessorSetCallbacks* block) {
    Add(script, [kind](auto& entry) -> auto& { return entry.SetDataCBTable[kind]; },
        _SetDataCallbackTable{callable, refcon, dataRef, block}, &_SetDataCallbackTable::Callback, nullptr);
    if (_BM_ScriptEntry* entry = Find(script)) UpdateBlockFlags(*entry);
}
void BM_ScriptTable::SetWidgetObject(PyObject* script, void* widget, PyObject* object) {
    Add(script, VEC(WidgetObjectTable), _WidgetObjectTableStruct{widget, object},
        &_WidgetObjectTableStruct::WidgetObject, nullptr);
}

// ---- Remove family ----

void BM_ScriptTable::RemoveWindowId(PyObject* script, void* window) {
    Remove(script, VEC(DrawWindowCBTable), [&](const auto& r) { return r.WindowId == window; },
           &NumberOfDrawWindowScriptUsers);
}
void BM_ScriptTable::RemoveFlightLoopCallback(PyObject* script, PyObject* callable) {
    Remove(script, VEC(FlightLoopCBTable), [&](const auto& r) { return r.FlightLoopCallback == callable; },
           &NumberOfFlightLoopScriptUsers);
}
void BM_ScriptTable::RemoveDrawCallback(PyObject* script, PyObject* callable) {
    Remove(script, VEC(DrawCBTable), [&](const auto& r) { return r.DrawCallback == callable; },
           &NumberOfDrawScriptUsers);
}
void BM_ScriptTable::RemoveKeySnifferCallback(PyObject* script, PyObject* callable) {
    Remove(script, VEC(KeySnifferCBTable), [&](const auto& r) { return r.KeySnifferCallback == callable; },
           &NumberOfKeySnifferScriptUsers);
}
void BM_ScriptTable::RemoveHotKeyCallback(PyObject* script, void* hotKey) {
    Remove(script, VEC(HotKeyCBTable), [&](const auto& r) { return r.HotKeyID == hotKey; },
           &NumberOfHotKeyScriptUsers);
}
void BM_ScriptTable::RemoveSharedDataCallback(PyObject* script, PyObject* callable) {
    Remove(script, VEC(SharedDataCBTable), [&](const auto& r) { return r.SharedDataCallback == callable; },
           &NumberOfSharedDataScriptUsers);
}
void BM_ScriptTable::RemoveMenuCallback(PyObject* script, void* menu) {
    Remove(script, VEC(MenuCBTable), [&](const auto& r) { return r.MenuId == menu; }, &NumberOfMenuScriptUsers);
}
void BM_ScriptTable::RemoveWidgetCallback(PyObject* script, void* widget) {
    Remove(script, VEC(WidgetCBTable), [&](const auto& r) { return r.WidgetId == widget; },
           &NumberOfWidgetScriptUsers);
}
void BM_ScriptTable::RemoveCameraControlCallback(PyObject* script) {
    // A script may give the camera back without ever having taken it: the count still drops.
    if (!Find(script)) return;
    Remove(script, VEC(CameraControlCBTable), [](const auto&) { return true; }, nullptr);
    Lower(&NumberOfCameraControlScriptUsers);
}
void BM_ScriptTable::RemovePlanesAvailableCallback(PyObject* script) {
    if (!Find(script)) return;
    Remove(script, VEC(PlanesAvailableCBTable), [](const auto&) { return true; }, nullptr);
    Lower(&NumberOfPlanesAvailableScriptUsers);
}

void BM_ScriptTable::UpdateBlockFlags(_BM_ScriptEntry& entry) {
    bool get = false, set = false;
    for (int kind = 0; kind < BM_DataKindCount; ++kind) {
        get = get || !entry.GetDataCBTable[kind].empty();
        set = set || !entry.SetDataCBTable[kind].empty();
    }
    entry.DataAccessorGetCallbacksNotDeleted = get ? 1 : 0;
    entry.DataAccessorSetCallbacksNotDeleted = set ? 1 : 0;
}

namespace {
// Frees `block` when no record of the entry points to it any more.
template <typename Block, typename Tables, typename R>
void FreeIfUnused(Block* block, Tables& tables, Block* R::*field) {
    if (!block) return;
    for (int kind = 0; kind < BM_DataKindCount; ++kind)
        for (const R& record : tables[kind])
            if (record.*field == block) return;
    delete block;
}
}  // namespace

void BM_ScriptTable::RemoveGetDataCallback(BM_DataKind kind, PyObject* script, void* dataRef) {
    _DataAccessorGetCallbacks* block = nullptr;
    bool found = Remove(script, [kind](auto& entry) -> auto& { return entry.GetDataCBTable[kind]; },
                        [&](const auto& r) {
                            if (r.DataRef != dataRef) return false;
                            block = r.pDataAccessorGetCallbacks;
                            return true;
                        },
                        nullptr);
    if (!found) return;
    _BM_ScriptEntry* entry = Find(script);
    FreeIfUnused(block, entry->GetDataCBTable, &_GetDataCallbackTable::pDataAccessorGetCallbacks);
    UpdateBlockFlags(*entry);
}

void BM_ScriptTable::RemoveSetDataCallback(BM_DataKind kind, PyObject* script, void* dataRef) {
    _DataAccessorSetCallbacks* block = nullptr;
    bool found = Remove(script, [kind](auto& entry) -> auto& { return entry.SetDataCBTable[kind]; },
                        [&](const auto& r) {
                            if (r.DataRef != dataRef) return false;
                            block = r.pDataAccessorSetCallbacks;
                            return true;
                        },
                        nullptr);
    if (!found) return;
    _BM_ScriptEntry* entry = Find(script);
    FreeIfUnused(block, entry->SetDataCBTable, &_SetDataCallbackTable::pDataAccessorSetCallbacks);
    UpdateBlockFlags(*entry);
}

void BM_ScriptTable::RemoveWidgetObject(PyObject* script, void* widget, int children) {
    Remove(script, VEC(WidgetObjectTable), [&](const auto& r) { return children || r.WidgetId == widget; },
           nullptr);
}

// ---- Look-up family ----

PyObject* BM_ScriptTable::GetScriptIdFromKeySnifferCallback(PyObject* callable, intptr_t* refcon) const {
    return Owner(kKeySnifferIndex, callable, refcon);
}
PyObject* BM_ScriptTable::GetScriptIdFromHotKeyCallback(PyObject* callable, intptr_t* refcon) const {
    return Owner(kHotKeyIndex, callable, refcon);
}
PyObject* BM_ScriptTable::GetScriptIdFromSharedDataCallback(PyObject* callable, intptr_t* refcon) const {
    return Owner(kSharedDataIndex, callable, refcon);
}
PyObject* BM_ScriptTable::GetScriptIdFromMenuCallback(PyObject* callable, intptr_t* menuRef) const {
    return Owner(kMenuIndex, callable, menuRef);
}
PyObject* BM_ScriptTable::GetScriptIdFromCameraControlCallback(PyObject* callable, intptr_t* refcon) const {
    return Owner(kCameraControlIndex, callable, refcon);
}
PyObject* BM_ScriptTable::GetScriptIdFromPlanesAvailableCallback(PyObject* callable, intptr_t* refcon) const {
    return Owner(kPlanesAvailableIndex, callable, refcon);
}
PyObject* BM_ScriptTable::GetScriptIdFromGetDataCallback(BM_DataKind kind, PyObject* callable,
                                                         intptr_t* refcon) const {
    return Owner(IndexKind(kGetDataIndex + kind), callable, refcon);
}
PyObject* BM_ScriptTable::GetScriptIdFromSetDataCallback(BM_DataKind kind, PyObject* callable,
                                                         intptr_t* refcon) const {
    return Owner(IndexKind(kSetDataIndex + kind), callable, refcon);
}

PyObject* BM_ScriptTable::GetCallbackFromWindowId(int kind, void* window) const {
    PyObject* found = nullptr;
    for (const _BM_ScriptEntry& entry : ScriptTable)
        for (const _DrawWindowCallbackTable& record : entry.DrawWindowCBTable)
            if (record.WindowId == window)
                if (PyObject* const* slot = WindowSlot(record, kind)) found = *slot;
    return found;
}

PyObject* BM_ScriptTable::GetScriptIdFromDrawWindowCallback(int kind, PyObject* callable) const {
    PyObject* found = nullptr;
    for (const _BM_ScriptEntry& entry : ScriptTable)
        for (const _DrawWindowCallbackTable& record : entry.DrawWindowCBTable) {
            PyObject* const* slot = WindowSlot(record, kind);
            if (slot && *slot == callable) found = entry.pScriptId;
        }
    return found;
}

PyObject* BM_ScriptTable::GetScriptIdFromWidgetId(void* widget) const {
    PyObject* owner = nullptr;
    for (const _BM_ScriptEntry& entry : ScriptTable)
        for (const _WidgetCallbackTable& record : entry.WidgetCBTable)
            if (record.WidgetId == widget) {
                owner = entry.pScriptId;
                break;
            }
    return owner;
}

PyObject* BM_ScriptTable::GetCallbackFromWidgetId(void* widget, PyObject* script) const {
    if (const _BM_ScriptEntry* entry = Find(script))
        for (const _WidgetCallbackTable& record : entry->WidgetCBTable)
            if (record.WidgetId == widget) return record.WidgetCallback;
    return nullptr;
}

PyObject* BM_ScriptTable::GetWidgetObjectFromWidgetId(void* widget, PyObject* script) const {
    if (const _BM_ScriptEntry* entry = Find(script))
        for (const _WidgetObjectTableStruct& record : entry->WidgetObjectTable)
            if (record.WidgetId == widget) return record.WidgetObject;
    return Py_None;
}
