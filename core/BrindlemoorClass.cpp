#include "PyCompat.h"

#include "BrindlemoorClass.h"

#include <algorithm>
#include <exception>
#include <functional>
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
    if (Py_IsInitialized()) {
        ReleaseCallables(*record);
        Py_CLEAR(record->kept);
    }
    delete record;
}

// The callable part of a key: a bound method by its object and function, anything else by
// identity.
void SetCallable(BM_RecordKey& key, PyObject* callable) {
    if (callable && PyMethod_Check(callable)) {
        key.object = PyMethod_GET_SELF(callable);
        key.function = PyMethod_GET_FUNCTION(callable);
    } else {
        key.object = callable;
    }
}

BM_RecordKey KeyOfCallable(BM_CallbackKind kind, PyObject* callable, intptr_t refcon) {
    BM_RecordKey key;
    key.kind = kind;
    SetCallable(key, callable);
    key.refcon = refcon;
    return key;
}

}  // namespace

// ---- Record keys ----

BM_RecordKey BM_RecordKey::FlightLoop(PyObject* callable, intptr_t refcon) {
    return KeyOfCallable(BM_KindFlightLoop, callable, refcon);
}

BM_RecordKey BM_RecordKey::Draw(PyObject* callable, intptr_t refcon, int phase, int before) {
    BM_RecordKey key = KeyOfCallable(BM_KindDraw, callable, refcon);
    key.place = 2 * std::int64_t(phase) + (before ? 1 : 0);
    return key;
}

BM_RecordKey BM_RecordKey::KeySniffer(PyObject* callable, intptr_t refcon, int before) {
    BM_RecordKey key = KeyOfCallable(BM_KindKeySniffer, callable, refcon);
    key.place = before ? 1 : 0;
    return key;
}

BM_RecordKey BM_RecordKey::CommandHandler(PyObject* callable, void* command, int before, intptr_t refcon) {
    BM_RecordKey key = KeyOfCallable(BM_KindCommand, callable, refcon);
    key.handle = command;
    key.place = before ? 1 : 0;
    return key;
}

BM_RecordKey BM_RecordKey::Hold(void* command) {
    BM_RecordKey key = AnyOf(BM_KindCommand);
    key.handle = command;
    key.held = true;
    return key;
}

BM_RecordKey BM_RecordKey::SharedData(PyObject* callable, intptr_t refcon, const std::string& name, int type) {
    BM_RecordKey key = KeyOfCallable(BM_KindSharedData, callable, refcon);
    key.name = name;
    key.type = type;
    return key;
}

BM_RecordKey BM_RecordKey::SubmenuOf(void* parent) {
    BM_RecordKey key = AnyOf(BM_KindMenu);
    key.handle = parent;
    return key;
}

BM_RecordKey BM_RecordKey::Object(void* object) {
    BM_RecordKey key = AnyOf(BM_KindObject);
    key.handle = object;
    return key;
}

BM_RecordKey BM_RecordKey::AnyOf(BM_CallbackKind kind) {
    BM_RecordKey key;
    key.kind = kind;
    return key;
}

bool BM_RecordKey::operator==(const BM_RecordKey& other) const {
    return kind == other.kind && object == other.object && function == other.function && refcon == other.refcon &&
           handle == other.handle && place == other.place && held == other.held && type == other.type &&
           name == other.name;
}

std::size_t BM_RecordKey::Hash::operator()(const BM_RecordKey& key) const {
    std::size_t hash = std::hash<std::string>()(key.name);
    auto mix = [&hash](std::size_t value) { hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2); };
    mix(std::size_t(key.kind));
    mix(std::hash<const void*>()(key.object));
    mix(std::hash<const void*>()(key.function));
    mix(std::hash<intptr_t>()(key.refcon));
    mix(std::hash<const void*>()(key.handle));
    mix(std::size_t(key.place) * 2 + (key.held ? 1 : 0));
    mix(std::size_t(key.type));
    return hash;
}

BM_RecordKey BM_KeyOf(const _CallbackRecordStruct& r) {
    switch (r.kind) {
    case BM_KindFlightLoop:
        return BM_RecordKey::FlightLoop(r.Callable(), r.refcon);
    case BM_KindDraw:
        return BM_RecordKey::Draw(r.Callable(), r.refcon, r.phase, r.before);
    case BM_KindKeySniffer:
        return BM_RecordKey::KeySniffer(r.Callable(), r.refcon, r.before);
    case BM_KindCommand:
        return r.held ? BM_RecordKey::Hold(r.handle)
                      : BM_RecordKey::CommandHandler(r.Callable(), r.handle, r.before, r.refcon);
    case BM_KindSharedData:
        return BM_RecordKey::SharedData(r.Callable(), r.refcon, r.name, r.type);
    case BM_KindMenu:
        return BM_RecordKey::SubmenuOf(r.parent);
    case BM_KindObject:
        return BM_RecordKey::Object(r.handle);
    default:
        return BM_RecordKey::AnyOf(r.kind);
    }
}

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
    // Newest first; the loop re-reads the list because a removal may run script code.
    while (!entry->Records.empty())
        BM_RunOrLog("removing a registration", [&] { RemoveRecord(entry->Records.back()); });
    std::list<_WidgetObjectTableStruct> objects;
    objects.swap(entry->WidgetObjectTable);
    entry->WidgetObjectOf.clear();
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
        entry->RecordsByKey.clear();
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
    record->registeredAt = BM_CurrentPlace();
    record->inScript = entry->Records.insert(entry->Records.end(), record.get());
    record->callables[0] = callable;
    Py_XINCREF(callable);
    ++live_[kind];
    return record.release();
}

void BM_ScriptTable::Registered(_CallbackRecordStruct* record, void (*unregister)(_CallbackRecordStruct&)) {
    _BM_ScriptEntry* entry = record->entry;
    record->unregister = unregister;
    if (!entry || record->keyed) return;
    record->key = BM_KeyOf(*record);
    BM_RecordList& same = entry->RecordsByKey[record->key];
    record->inKey = same.insert(same.end(), record);
    record->keyed = true;
}

_CallbackRecordStruct* BM_ScriptTable::FindRecord(PyObject* script, const BM_RecordKey& key) const {
    _BM_ScriptEntry* entry = Find(script);
    if (!entry) return nullptr;
    auto it = entry->RecordsByKey.find(key);
    return it == entry->RecordsByKey.end() ? nullptr : it->second.front();
}

_CallbackRecordStruct* BM_ScriptTable::FindAnyRecord(const BM_RecordKey& key) const {
    for (const auto& entry : ScriptTable) {
        auto it = entry->RecordsByKey.find(key);
        if (it != entry->RecordsByKey.end()) return it->second.front();
    }
    return nullptr;
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
    entry->Records.erase(record->inScript);
    if (record->keyed) {
        auto same = entry->RecordsByKey.find(record->key);
        same->second.erase(record->inKey);
        if (same->second.empty()) entry->RecordsByKey.erase(same);
        record->keyed = false;
    }
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
    return BM_RecordsInUse > 0;
}

int BM_RecordsInUse = 0;

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

_CallbackRecordStruct* BM_ScriptTable::WidgetRecordOf(PyObject* script, void* widget) const {
    _BM_ScriptEntry* entry = Find(script);
    auto it = widgetSlots_.find(widget);
    if (!entry || it == widgetSlots_.end()) return nullptr;
    // A widget's slots are given in the order its functions were registered.
    for (_CallbackRecordStruct* record : it->second.records)
        if (record && record->entry == entry) return record;
    return nullptr;
}

PyObject* BM_ScriptTable::GetScriptIdFromWidgetId(void* widget) const {
    _CallbackRecordStruct* record = RecordOfHandle(BM_KindWidget, widget);
    return record && record->entry ? record->entry->pScriptId : nullptr;
}

PyObject* BM_ScriptTable::GetCallbackFromWidgetId(void* widget, PyObject* script) const {
    _CallbackRecordStruct* record = WidgetRecordOf(script, widget);
    return record ? record->Callable() : nullptr;
}

void BM_ScriptTable::SetWidgetObject(PyObject* script, void* widget, PyObject* object) {
    _BM_ScriptEntry* entry = EntryForRegistration(script);
    if (!entry) return;
    Py_XINCREF(object);
    auto existing = entry->WidgetObjectOf.find(widget);
    if (existing != entry->WidgetObjectOf.end()) {
        PyObject* previous = existing->second->WidgetObject;
        existing->second->WidgetObject = object;
        Py_XDECREF(previous);  // last: letting go may run script code
        return;
    }
    try {
        auto& objects = entry->WidgetObjectTable;
        auto added = objects.insert(objects.end(), _WidgetObjectTableStruct{widget, object, entry->widgetObjectsSet++});
        try {
            entry->WidgetObjectOf.emplace(widget, added);
        } catch (...) {
            objects.erase(added);
            throw;
        }
    } catch (...) {
        Py_XDECREF(object);
        throw;
    }
}

void BM_ScriptTable::RemoveWidgetObjects(PyObject* script, const std::vector<void*>& widgets) {
    _BM_ScriptEntry* entry = Find(script);
    if (!entry) return;
    // The objects go in the order they were set; they are taken out first, since letting go of
    // them may run script code.
    std::list<_WidgetObjectTableStruct> gone;
    for (void* widget : widgets) {
        auto it = entry->WidgetObjectOf.find(widget);
        if (it == entry->WidgetObjectOf.end()) continue;
        gone.splice(gone.end(), entry->WidgetObjectTable, it->second);
        entry->WidgetObjectOf.erase(it);
    }
    gone.sort([](const auto& a, const auto& b) { return a.order < b.order; });
    for (auto& object : gone) Py_XDECREF(object.WidgetObject);
}

PyObject* BM_ScriptTable::GetWidgetObjectFromWidgetId(void* widget, PyObject* script) const {
    if (const _BM_ScriptEntry* entry = Find(script)) {
        auto it = entry->WidgetObjectOf.find(widget);
        if (it != entry->WidgetObjectOf.end()) return it->second->WidgetObject;
    }
    return Py_None;
}
