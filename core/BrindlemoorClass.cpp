#include "PyCompat.h"

#include "BrindlemoorClass.h"

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "BrindlemoorBase.h"
#include "TrampolineSupport.h"

BM_ScriptTable* BMTestTable = nullptr;

namespace {

void ReleaseCallables(_CallbackRecordStruct& record) {
    for (PyObject*& callable : record.callables) Py_CLEAR(callable);
}

// Gives back a removed record's references (which may run script code) and frees it.
void FreeRecord(_CallbackRecordStruct* record) {
    if (Py_IsInitialized()) ReleaseCallables(*record);
    delete record;
}

}  // namespace

BM_ScriptTable::~BM_ScriptTable() {
    // By now the interpreter has given back every reference (ReleaseReferences); the records
    // left are the retired ones, whose objects were released when they were removed.
    for (_CallbackRecordStruct* record : retired_) delete record;
    for (auto& entry : ScriptTable)
        for (_CallbackRecordStruct* record : entry->Records) delete record;
}

// ---- Scripts ----

_BM_ScriptEntry* BM_ScriptTable::Find(PyObject* script) const {
    if (!script) return nullptr;
    auto it = byScript_.find(script);
    return it == byScript_.end() ? nullptr : it->second;
}

const std::string* BM_ScriptTable::ModuleNameOf(PyObject* script) const {
    _BM_ScriptEntry* entry = Find(script);
    return entry ? &entry->ModuleName : nullptr;
}

void BM_ScriptTable::AddScriptId(PyObject* script, const std::string& moduleName, PyObject* scriptClass) {
    _BM_ScriptEntry* existing = Find(script);
    // A registration in __init__ made the script's entry: it takes the script's module name.
    if (existing && existing->loading) existing->ModuleName = moduleName;
    // Instances its __init__ registered with are the script's now, whatever becomes of them.
    for (auto& entry : ScriptTable) entry->loading = false;
    if (existing) {
        Py_DECREF(script);  // the entry holds its reference already
        return;
    }
    auto entry = std::make_unique<_BM_ScriptEntry>();
    entry->pScriptId = script;
    entry->ModuleName = moduleName;
    entry->pClass = scriptClass;
    Enter(std::move(entry));
    Py_XINCREF(scriptClass);
}

int BM_ScriptTable::GetScriptEnabledStatus(PyObject* script) const {
    _BM_ScriptEntry* entry = Find(script);
    return entry ? entry->ScriptEnabled : 0;
}

int BM_ScriptTable::SetScriptEnabledStatus(PyObject* script, int status) {
    _BM_ScriptEntry* entry = Find(script);
    if (!entry) return 0;
    int previous = entry->ScriptEnabled;
    entry->ScriptEnabled = status;
    return previous;
}

void BM_ScriptTable::SetScriptDescriptions(PyObject* script, const std::string& name, const std::string& signature,
                                           const std::string& description) {
    if (_BM_ScriptEntry* entry = Find(script)) {
        entry->ScriptName = name;
        entry->ScriptSignature = signature;
        entry->ScriptDescription = description;
    }
}

void BM_ScriptTable::GetScriptDescriptions(PyObject* script, std::string& name, std::string& signature,
                                           std::string& description) const {
    if (const _BM_ScriptEntry* entry = Find(script)) {
        name = entry->ScriptName;
        signature = entry->ScriptSignature;
        description = entry->ScriptDescription;
    }
}

PyObject* BM_ScriptTable::GetScriptIdFromSignature(const std::string& signature) const {
    for (const auto& entry : ScriptTable)
        if (entry->pScriptId && entry->ScriptSignature == signature) return entry->pScriptId;
    return nullptr;
}

PyObject* BM_ScriptTable::GetScriptIdFromModuleName(const std::string& moduleName) const {
    for (const auto& entry : ScriptTable)
        if (entry->pScriptId && entry->ModuleName == moduleName) return entry->pScriptId;
    return nullptr;
}

_BM_ScriptEntry* BM_ScriptTable::Enter(std::unique_ptr<_BM_ScriptEntry> entry) {
    _BM_ScriptEntry* entered = entry.get();
    ScriptTable.push_back(std::move(entry));
    try {
        byScript_[entered->pScriptId] = entered;
    } catch (...) {
        ScriptTable.pop_back();
        throw;
    }
    return entered;
}

void BM_ScriptTable::SetLoadingScript(PyObject* scriptClass, const std::string& moduleName) {
    loadingClass_ = scriptClass;
    loadingModule_ = scriptClass ? moduleName : std::string();
}

void BM_ScriptTable::DropLoadingScripts() {
    std::vector<PyObject*> dropped;
    for (const auto& entry : ScriptTable)
        if (entry->loading && entry->pScriptId) dropped.push_back(entry->pScriptId);
    for (PyObject* script : dropped) ReleaseScript(script);
    ScriptTable.erase(std::remove_if(ScriptTable.begin(), ScriptTable.end(),
                                     [](const auto& entry) { return entry->loading; }),
                      ScriptTable.end());
}

// The class of a loaded script (or the one being loaded) that `object` is an instance of.
PyObject* BM_ScriptTable::ClassOf(PyObject* object, std::string* moduleName) const {
    if (!object || !Py_IsInitialized()) return nullptr;
    // The candidates are taken first: the instance test may run script code (a __class__
    // property, say), which may change the table.
    std::vector<std::pair<PyObject*, std::string>> candidates;
    if (loadingClass_) candidates.emplace_back(loadingClass_, loadingModule_);
    for (const auto& entry : ScriptTable)
        if (entry->pScriptId && entry->pClass) candidates.emplace_back(entry->pClass, entry->ModuleName);
    for (auto& candidate : candidates) Py_INCREF(candidate.first);
    PyObject* found = nullptr;
    for (const auto& candidate : candidates) {
        int result = PyObject_IsInstance(object, candidate.first);
        if (result < 0) PyErr_Clear();
        if (result > 0) {
            found = candidate.first;
            if (moduleName) *moduleName = candidate.second;
            break;
        }
    }
    // The classes of loaded scripts stay alive in their entries while they are in the table,
    // and the class being loaded in the loader's hands.
    for (auto& candidate : candidates) Py_DECREF(candidate.first);
    return found;
}

bool BM_ScriptTable::IsScriptObject(PyObject* object) const {
    return Find(object) != nullptr || ClassOf(object, nullptr) != nullptr;
}

_BM_ScriptEntry* BM_ScriptTable::EntryForRegistration(PyObject* script) {
    if (_BM_ScriptEntry* entry = Find(script)) return entry;
    std::string moduleName;
    PyObject* scriptClass = ClassOf(script, &moduleName);
    if (!scriptClass) return nullptr;
    // An instance the loader has not entered (yet): it gets an entry of its own, which holds a
    // reference to it like a loaded script's entry does.
    auto entry = std::make_unique<_BM_ScriptEntry>();
    entry->pScriptId = script;
    entry->ModuleName = moduleName;
    entry->pClass = scriptClass;
    entry->loading = scriptClass == loadingClass_;
    _BM_ScriptEntry* entered = Enter(std::move(entry));
    Py_INCREF(script);
    Py_INCREF(scriptClass);
    return entered;
}

void BM_ScriptTable::ReleaseScript(PyObject* script) {
    _BM_ScriptEntry* entry = Find(script);
    if (!entry) return;
    entry->ScriptEnabled = 0;
    entry->releasing = true;
    // Newest first; the loop re-reads the vector because a removal may run script code.
    while (!entry->Records.empty())
        BM_RunOrLog("removing a registration", [&] { RemoveRecord(entry->Records.back()); });
    std::vector<_WidgetObjectTableStruct> objects;
    objects.swap(entry->WidgetObjectTable);
    byScript_.erase(script);
    entry->pScriptId = nullptr;
    PyObject* scriptClass = entry->pClass;
    entry->pClass = nullptr;
    for (auto& object : objects) Py_XDECREF(object.WidgetObject);
    Py_XDECREF(scriptClass);
    Py_DECREF(script);
}

void BM_ScriptTable::ReleaseReferences() {
    for (std::size_t i = 0; i < ScriptTable.size(); ++i)
        if (PyObject* script = ScriptTable[i]->pScriptId) ReleaseScript(script);
}

// ---- Reloading one script ----

int BM_ScriptTable::ScriptIndexOfModule(const std::string& moduleName) const {
    for (std::size_t i = 0; i < ScriptTable.size(); ++i)
        if (ScriptTable[i]->ModuleName == moduleName) return int(i);
    return -1;
}

std::vector<PyObject*> BM_ScriptTable::ScriptsOfModule(const std::string& moduleName) const {
    std::vector<PyObject*> scripts;
    for (const auto& entry : ScriptTable)
        if (entry->pScriptId && entry->ModuleName == moduleName) scripts.push_back(entry->pScriptId);
    return scripts;
}

void BM_ScriptTable::AddScriptIdAt(int index, PyObject* script, const std::string& moduleName,
                                   PyObject* scriptClass) {
    AddScriptId(script, moduleName, scriptClass);
    if (index < 0 || index >= int(ScriptTable.size())) return;
    _BM_ScriptEntry* entered = Find(script);
    _BM_ScriptEntry* released = ScriptTable[std::size_t(index)].get();
    // Only a released entry gives its place; its records went with its script.
    if (!entered || entered == released || released->pScriptId || !released->Records.empty()) return;
    auto at = std::find_if(ScriptTable.begin(), ScriptTable.end(),
                           [entered](const auto& entry) { return entry.get() == entered; });
    if (at == ScriptTable.end() || at - ScriptTable.begin() < index) return;
    std::unique_ptr<_BM_ScriptEntry> moved = std::move(*at);
    ScriptTable.erase(at);
    ScriptTable[std::size_t(index)] = std::move(moved);
}

void BM_ScriptTable::EraseReleasedOfModule(const std::string& moduleName) {
    auto released = [](const _BM_ScriptEntry& entry) {
        return !entry.pScriptId && !entry.loading && entry.Records.empty() && entry.WidgetObjectTable.empty();
    };
    bool anyLoaded = std::any_of(ScriptTable.begin(), ScriptTable.end(), [&](const auto& entry) {
        return entry->pScriptId && entry->ModuleName == moduleName;
    });
    const _BM_ScriptEntry* kept = nullptr;
    if (!anyLoaded) {
        int first = ScriptIndexOfModule(moduleName);
        if (first >= 0) kept = ScriptTable[std::size_t(first)].get();
    }
    ScriptTable.erase(std::remove_if(ScriptTable.begin(), ScriptTable.end(),
                                     [&](const auto& entry) {
                                         return entry.get() != kept && entry->ModuleName == moduleName &&
                                                released(*entry);
                                     }),
                      ScriptTable.end());
}

std::vector<void*> BM_ScriptTable::WidgetsOfScript(PyObject* script) const {
    std::vector<void*> widgets;
    if (const _BM_ScriptEntry* entry = Find(script)) {
        for (const _CallbackRecordStruct* record : entry->Records)
            if (record->kind == BM_KindWidget) widgets.push_back(record->handle);
        for (const auto& object : entry->WidgetObjectTable) widgets.push_back(object.WidgetId);
    }
    return widgets;
}

void BM_ScriptTable::ClearScriptTable() {
    for (auto& entry : ScriptTable) {
        // Records left here were never released: the interpreter is gone, so their objects are
        // left alone, but the simulator must not call them.
        for (_CallbackRecordStruct* record : entry->Records) {
            record->entry = nullptr;
            retired_.push_back(record);
        }
        entry->Records.clear();
    }
    ScriptTable.clear();
    byScript_.clear();
    for (auto& handles : byHandle_) handles.clear();
    // The widgets keep their slots: the simulator still holds the functions.
    for (auto& slots : widgetSlots_) std::fill(slots.second.records.begin(), slots.second.records.end(), nullptr);
    std::fill(std::begin(live_), std::end(live_), 0);
    loadingClass_ = nullptr;
}

// ---- Records ----

_CallbackRecordStruct* BM_ScriptTable::AddRecord(PyObject* script, BM_CallbackKind kind, PyObject* callable,
                                                 intptr_t refcon) {
    _BM_ScriptEntry* entry = EntryForRegistration(script);
    if (!entry) throw std::invalid_argument("not a script object");  // the modules check first
    if (entry->releasing) throw std::logic_error("the script is being stopped");
    auto record = std::make_unique<_CallbackRecordStruct>();
    record->kind = kind;
    record->entry = entry;
    record->refcon = refcon;
    record->moduleName = entry->ModuleName;
    entry->Records.push_back(record.get());
    record->callables[0] = callable;
    Py_XINCREF(callable);
    ++live_[kind];
    return record.release();
}

void BM_ScriptTable::SetHandle(_CallbackRecordStruct* record, void* handle) {
    record->handle = handle;
    byHandle_[record->kind][handle] = record;
}

_CallbackRecordStruct* BM_ScriptTable::RecordOfHandle(BM_CallbackKind kind, void* handle) const {
    auto it = byHandle_[kind].find(handle);
    return it == byHandle_[kind].end() ? nullptr : it->second;
}

void BM_ScriptTable::Detach(_CallbackRecordStruct* record) {
    _BM_ScriptEntry* entry = record->entry;
    if (!entry) return;
    auto& records = entry->Records;
    records.erase(std::remove(records.begin(), records.end(), record), records.end());
    if (record->kind == BM_KindWidget) {
        auto slots = widgetSlots_.find(record->handle);
        if (slots != widgetSlots_.end() && record->widgetSlot >= 0 &&
            record->widgetSlot < int(slots->second.records.size()) &&
            slots->second.records[std::size_t(record->widgetSlot)] == record)
            slots->second.records[std::size_t(record->widgetSlot)] = nullptr;
    }
    auto& handles = byHandle_[record->kind];
    auto it = handles.find(record->handle);
    if (it != handles.end() && it->second == record) handles.erase(it);
    --live_[record->kind];
    record->entry = nullptr;  // from here on the trampolines pass its calls through
}

void BM_ScriptTable::Release(_CallbackRecordStruct* record, bool unregister) {
    Detach(record);
    std::exception_ptr failure;
    if (unregister && record->unregister) {
        try {
            record->unregister(*record);
        } catch (...) {
            failure = std::current_exception();
        }
    }
    if (Py_IsInitialized()) BM_CallbackFlushReport(*record);
    // A call into the script under way keeps the callables (and the record) until it is over.
    if (failure) {
        // The simulator may still call with it: it stays, inert, for as long as the table.
        if (record->busy)
            record->releaseWhenIdle = true;
        else if (Py_IsInitialized())
            ReleaseCallables(*record);
        retired_.push_back(record);
        std::rethrow_exception(failure);
    }
    if (record->busy)
        record->freeWhenIdle = true;
    else
        FreeRecord(record);
}

bool BM_ScriptCodeRunning() {
    if (!Py_IsInitialized()) return false;
    if (PyEval_GetFrame()) return true;
    if (!BMTestTable) return false;
    auto busy = [](const _CallbackRecordStruct& record) { return record.busy > 0; };
    for (int kind = 0; kind < BM_KindCount; ++kind)
        if (BMTestTable->FindAnyRecord(BM_CallbackKind(kind), busy)) return true;
    return false;
}

void BM_RecordIdle(_CallbackRecordStruct* record) {
    if (record->freeWhenIdle) {
        FreeRecord(record);
    } else {
        record->releaseWhenIdle = false;
        if (Py_IsInitialized()) ReleaseCallables(*record);
    }
}

void BM_ScriptTable::DiscardRecord(_CallbackRecordStruct* record) {
    if (record) Release(record, false);
}

void BM_ScriptTable::RemoveRecord(_CallbackRecordStruct* record) {
    if (record && record->entry) Release(record, true);
}

void BM_ScriptTable::ForgetRecord(_CallbackRecordStruct* record) {
    if (record && record->entry) Release(record, false);
}

// ---- Widgets ----

int BM_ScriptTable::NextWidgetSlot(void* widget) const {
    auto it = widgetSlots_.find(widget);
    int next = it == widgetSlots_.end() ? 1 : int(it->second.records.size());
    return next < kWidgetSlots ? next : -1;
}

void BM_ScriptTable::SetWidgetSlot(_CallbackRecordStruct* record, void* widget, int slot) {
    WidgetSlots& slots = widgetSlots_[widget];
    if (slot >= int(slots.records.size())) slots.records.resize(std::size_t(slot) + 1, nullptr);
    slots.records[std::size_t(slot)] = record;
    if (slot == 0) slots.custom = true;
    record->widgetSlot = slot;
    SetHandle(record, widget);
}

void BM_ScriptTable::WidgetSlotDestroyed(void* widget, int slot) {
    auto it = widgetSlots_.find(widget);
    if (it == widgetSlots_.end()) return;
    if (_CallbackRecordStruct* record = WidgetSlotRecord(widget, slot)) ForgetRecord(record);
    it = widgetSlots_.find(widget);  // forgetting may have run script code
    if (it != widgetSlots_.end() && slot == (it->second.custom ? 0 : 1)) widgetSlots_.erase(it);
}

PyObject* BM_ScriptTable::GetScriptIdFromWidgetId(void* widget) const {
    _CallbackRecordStruct* record = RecordOfHandle(BM_KindWidget, widget);
    return record && record->entry ? record->entry->pScriptId : nullptr;
}

PyObject* BM_ScriptTable::GetCallbackFromWidgetId(void* widget, PyObject* script) const {
    _CallbackRecordStruct* record =
        FindRecord(script, BM_KindWidget, [widget](const _CallbackRecordStruct& r) { return r.handle == widget; });
    return record ? record->Callable() : nullptr;
}

void BM_ScriptTable::SetWidgetObject(PyObject* script, void* widget, PyObject* object) {
    _BM_ScriptEntry* entry = EntryForRegistration(script);
    if (!entry) return;
    Py_XINCREF(object);
    for (auto& existing : entry->WidgetObjectTable)
        if (existing.WidgetId == widget) {
            PyObject* previous = existing.WidgetObject;
            existing.WidgetObject = object;
            Py_XDECREF(previous);  // last: letting go may run script code
            return;
        }
    try {
        entry->WidgetObjectTable.push_back(_WidgetObjectTableStruct{widget, object});
    } catch (...) {
        Py_XDECREF(object);
        throw;
    }
}

void BM_ScriptTable::RemoveWidgetObjects(PyObject* script, const std::vector<void*>& widgets) {
    _BM_ScriptEntry* entry = Find(script);
    if (!entry) return;
    auto& objects = entry->WidgetObjectTable;
    auto firstGone = std::stable_partition(objects.begin(), objects.end(), [&](const auto& r) {
        return std::find(widgets.begin(), widgets.end(), r.WidgetId) == widgets.end();
    });
    std::vector<_WidgetObjectTableStruct> gone(firstGone, objects.end());
    objects.erase(firstGone, objects.end());
    for (auto& record : gone) Py_XDECREF(record.WidgetObject);
}

PyObject* BM_ScriptTable::GetWidgetObjectFromWidgetId(void* widget, PyObject* script) const {
    if (const _BM_ScriptEntry* entry = Find(script))
        for (const auto& record : entry->WidgetObjectTable)
            if (record.WidgetId == widget) return record.WidgetObject;
    return Py_None;
}
