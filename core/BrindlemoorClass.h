#ifndef BRINDLEMOORCLASS_H
#define BRINDLEMOORCLASS_H
// The registry of loaded scripts and of everything they registered with the simulator.
//
// A script is known by its script object (the instance of its class Brindlemoor), compared by
// identity. Each entry owns one reference to its script object.
//
// One registration a script makes is one record here and one registration with the simulator,
// whose refcon is the record's address: a trampoline the simulator calls finds the script, the
// callable and the script's own refcon in the record, without a search. A record lives from the
// registration until the script unregisters it, destroys its window or menu, or is stopped;
// removing a record removes its simulator registration at the same moment (through the
// `unregister` function the registering module put into it). The record holds a reference to
// each of its callables, so a script may register a temporary bound method.
//
// A script registers the same callable as often as it likes: records differ by refcon, phase,
// window, menu or data ref. Registering again with everything equal (the same callable, refcon,
// phase ...) renews the one record instead of adding another.
//
// Registering and removing cost the same however many records there are: a script's records are
// a list a record leaves in one step, and the look-ups go by hash, by handle (RecordOfHandle),
// by widget and slot, or by the record's key (BM_RecordKey: what tells a script's registrations
// of one kind apart).

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

typedef struct _object PyObject;

struct _BM_ScriptEntry;

// What a record registers. The order is the order of the counters below.
enum BM_CallbackKind {
    BM_KindDrawWindow,  // a window: draw, key, mouse-click (and modern windows' further) callables
    BM_KindFlightLoop,
    BM_KindDraw,
    BM_KindKeySniffer,
    BM_KindHotKey,
    BM_KindSharedData,
    BM_KindMenu,
    BM_KindCameraControl,
    BM_KindPlanesAvailable,
    BM_KindWidget,
    BM_KindDataAccessor,  // twelve callables: read and write of each data type
    BM_KindCommand,       // a command handler, or a hold: a begin the script has not ended
    BM_KindMenuItem,      // an item appended to a menu that is no script's (no callable)
    BM_KindFlightLoopObject,  // XPLMCreateFlightLoop: the loop's id as handle
    BM_KindErrorCallback,     // one a script: told of the simulator's reports on its calls
    BM_KindProbe,             // a terrain probe (no callable): the probe as handle
    BM_KindObject,            // one load of an object (no callable): the object; one record per load
    BM_KindObjectLoad,        // XPLMLoadObjectAsync until it arrives: its own number as handle and refcon
    BM_KindInstance,          // an instance (no callable): the instance; `type` its data ref count
    BM_KindSound,             // XPLMPlayPCMOnBus: the channel as handle, the buffer kept; callable or none
    BM_KindMapLayer,          // XPLMCreateMapLayer: five callables (BM_MapCallbackKind), the layer as handle
    BM_KindMapCreationHook,   // XPLMRegisterMapCreationHook: its token (BM_ScriptTable::NewToken) as handle
    BM_KindAvionics,          // XPLMRegisterAvionicsCallbacksEx: before and after, the registration as handle
    BM_KindCount
};

// The data types of an accessor, in the simulator's order.
enum BM_DataKind { BM_Datai, BM_Dataf, BM_Datad, BM_Datavi, BM_Datavf, BM_Datab, BM_DataKindCount };

// Window callable slots: a legacy window fills the first three, a modern one (XPLMCreateWindowEx)
// those it was given (a slot left null is a callback the window does not have).
enum BM_WindowCallbackKind {
    BM_WindowDraw = 0,
    BM_WindowKey = 1,
    BM_WindowMouseClick = 2,
    BM_WindowCursor = 3,
    BM_WindowMouseWheel = 4,
    BM_WindowRightClick = 5,
    BM_WindowCallableCount
};

// Map layer callable slots, in the order of XPLMCreateMapLayer_t's callbacks.
enum BM_MapCallbackKind {
    BM_MapWillBeDeleted = 0,
    BM_MapPrepCache = 1,
    BM_MapDraw = 2,
    BM_MapIcon = 3,
    BM_MapLabel = 4,
    BM_MapCallableCount
};

// Avionics callable slots.
enum BM_AvionicsCallbackKind { BM_AvionicsBefore = 0, BM_AvionicsAfter = 1 };

constexpr int BM_MaxCallables = 2 * BM_DataKindCount;

// Where a data accessor keeps the callable of a data type and direction.
inline int BM_AccessorSlot(BM_DataKind kind, bool write) { return 2 * int(kind) + (write ? 1 : 0); }

struct _CallbackRecordStruct;
using BM_RecordList = std::list<_CallbackRecordStruct*>;

// What tells apart a script's registrations of one kind: two registrations with equal keys are
// the same registration. A bound method counts by its object and function (`self.Loop` is a new
// object each time, as BM_SameCallable has it), any other callable by identity. Made by the
// functions below only, one for each way a record is looked up; BM_KeyOf makes a record's key
// with the same functions.
struct BM_RecordKey {
    BM_CallbackKind kind = BM_KindFlightLoop;
    const void* object = nullptr;    // the callable, or a bound method's object
    const void* function = nullptr;  // a bound method's function
    intptr_t refcon = 0;
    const void* handle = nullptr;  // commands: the command; menus: the menu they hang from
    std::int64_t place = 0;        // draw: phase and before; key sniffers and handlers: before
    bool held = false;             // commands: a hold rather than a handler
    int type = 0;                  // shared data
    std::string name;              // shared data

    static BM_RecordKey FlightLoop(PyObject* callable, intptr_t refcon);
    static BM_RecordKey Draw(PyObject* callable, intptr_t refcon, int phase, int before);
    static BM_RecordKey KeySniffer(PyObject* callable, intptr_t refcon, int before);
    static BM_RecordKey CommandHandler(PyObject* callable, void* command, int before, intptr_t refcon);
    static BM_RecordKey Hold(void* command);
    static BM_RecordKey SharedData(PyObject* callable, intptr_t refcon, const std::string& name, int type);
    static BM_RecordKey SubmenuOf(void* parent);
    // The loads of one object: the same object loaded twice is two records under one key.
    static BM_RecordKey Object(void* object);
    // Kinds a script has one registration of (camera control, planes available), and those
    // looked up by handle: every record of the kind has this key.
    static BM_RecordKey AnyOf(BM_CallbackKind kind);

    bool operator==(const BM_RecordKey& other) const;
    struct Hash {
        std::size_t operator()(const BM_RecordKey& key) const;
    };
};

// One registration with the simulator. The fields a kind does not use stay at their defaults.
struct _CallbackRecordStruct {
    BM_CallbackKind kind = BM_KindFlightLoop;
    _BM_ScriptEntry* entry = nullptr;  // the owner; null once the record is removed
    PyObject* callables[BM_MaxCallables] = {};  // owned references; [0] for kinds with one
    intptr_t refcon = 0;       // the script's refcon: menu ref, window refcon, accessor read refcon
    intptr_t writeRefcon = 0;  // data accessors
    void* handle = nullptr;    // the window, hot key, menu, widget or data ref
    void* parent = nullptr;    // menus: the menu they hang from
    int phase = 0;             // draw callbacks
    int item = -1;             // menu items: the index the plug-in knows the item by; `parent` its menu
    int widgetSlot = -1;       // widget callbacks: see BM_ScriptTable::SetWidgetSlot
    // Camera control: the simulator calls this record as its controller. Commands: a hold (no
    // callable, the command as handle, `unregister` ends it), not a handler.
    bool held = false;
    int before = 0;            // draw callbacks and key sniffers
    float interval = 0.0f;     // flight loops: the interval the script asked for last
    std::string name;          // shared data
    int type = 0;              // shared data
    // What the simulator reads for as long as it holds the registration (a sound's buffer): an
    // owned reference, given back only when the record is freed. A retired record keeps it.
    PyObject* kept = nullptr;
    // Undoes the simulator registration; may throw. Null while the registration is being made.
    void (*unregister)(_CallbackRecordStruct& record) = nullptr;
    std::string moduleName;    // the owning script's, for reports
    std::string registeredAt;  // "BM_Foo.py:12": the script's registering call, for reports; "" if unknown
    // Calls into the script under way; a record removed meanwhile keeps its callables and is
    // freed when they end.
    int busy = 0;
    bool freeWhenIdle = false;     // removed
    bool releaseWhenIdle = false;  // retired: the callables go, the record stays

    // Failures of each callable, for the reports (see BM_CallbackFailed).
    struct Failures {
        long count = 0;
        long unreported = 0;
        double lastReport = 0.0;
        std::string lastError;
    } failures[BM_MaxCallables];

    // Its places in the table, while it is there (see BM_ScriptTable::Registered).
    BM_RecordList::iterator inScript;  // in its script's list
    bool keyed = false;                // entered under `key` once its registration was made
    BM_RecordKey key;
    BM_RecordList::iterator inKey;

    PyObject* Callable() const { return callables[0]; }
};

// The key of a registered record, from its kind and fields.
BM_RecordKey BM_KeyOf(const _CallbackRecordStruct& record);

// A widget and a Python object a script stored with it.
struct _WidgetObjectTableStruct {
    void* WidgetId;
    PyObject* WidgetObject;  // owned reference
    unsigned long long order;  // when it was first set: objects go in that order
};

struct _BM_ScriptEntry {
    PyObject* pScriptId = nullptr;  // null once the script is released
    int ScriptEnabled = 1;
    PyObject* pModule = nullptr;
    PyObject* pClass = nullptr;     // the script's class (owned); identifies further instances
    std::string ModuleName;
    std::string ScriptName;
    std::string ScriptSignature;
    std::string ScriptDescription;
    bool loading = false;    // made by a registration inside the script's __init__
    bool releasing = false;  // its registrations are being removed: it may make no more
    BM_RecordList Records;  // owned, in registration order
    // The registered records by key, each list in registration order.
    std::unordered_map<BM_RecordKey, BM_RecordList, BM_RecordKey::Hash> RecordsByKey;
    // The widget objects in the order they were first set, and where each widget's is.
    std::list<_WidgetObjectTableStruct> WidgetObjectTable;
    std::unordered_map<void*, std::list<_WidgetObjectTableStruct>::iterator> WidgetObjectOf;
    unsigned long long widgetObjectsSet = 0;
};

class BM_ScriptTable {
public:
    BM_ScriptTable() = default;
    BM_ScriptTable(const BM_ScriptTable&) = delete;
    BM_ScriptTable& operator=(const BM_ScriptTable&) = delete;
    ~BM_ScriptTable();

    // ---- Scripts ----
    // Enters a loaded script; the table takes over the caller's reference to `script`. When a
    // registration in the script's __init__ already made its entry, that entry is kept (and
    // takes the module name) and the extra reference is given back. `scriptClass` (borrowed)
    // may be null.
    void AddScriptId(PyObject* script, const std::string& moduleName, PyObject* scriptClass = nullptr);
    int GetScriptTableSize() const { return int(ScriptTable.size()); }
    PyObject* GetScriptId(int index) const { return ScriptTable[std::size_t(index)]->pScriptId; }
    int GetScriptEnabledStatus(PyObject* script) const;
    int SetScriptEnabledStatus(PyObject* script, int status);
    void SetScriptDescriptions(PyObject* script, const std::string& name, const std::string& signature,
                               const std::string& description);
    void GetScriptDescriptions(PyObject* script, std::string& name, std::string& signature,
                               std::string& description) const;
    PyObject* GetScriptIdFromSignature(const std::string& signature) const;
    PyObject* GetScriptIdFromModuleName(const std::string& moduleName) const;
    const std::string* ModuleNameOf(PyObject* script) const;

    // While a script's class is being instantiated, registrations from its __init__ are taken
    // for that script. Null ends it.
    void SetLoadingScript(PyObject* scriptClass, const std::string& moduleName);
    // The instance being made, entered before its __init__ runs: what __init__ does without self
    // (items in shared menus, commands begun) is the script's too.
    void EnterLoadingScript(PyObject* script) { EntryForRegistration(script); }
    // Whether `script` is an instance whose __init__ has not returned yet.
    bool IsBeingMade(PyObject* script) const {
        const _BM_ScriptEntry* entry = Find(script);
        return entry && entry->loading;
    }
    // The instantiation failed: whatever its __init__ registered goes.
    void DropLoadingScripts();

    // Whether `object` may register: a loaded script, another instance of a loaded script's
    // class, or an instance of the class being instantiated.
    bool IsScriptObject(PyObject* object) const;

    // Removes every record of the script (and its simulator registrations), disables its entry,
    // forgets the script object and gives up the table's reference to it. The entry stays in
    // its place so that loops over the table keep their positions. Nothing when unknown.
    void ReleaseScript(PyObject* script);
    // ReleaseScript for every entry, then the widget objects; the interpreter must still run.
    void ReleaseReferences();
    // ---- Reloading one script (core/ScriptReload.cpp) ----
    // The place of the first entry of the module, loaded or released; -1 when none has it.
    int ScriptIndexOfModule(const std::string& moduleName) const;
    // The module name of the entry at `index`, loaded or released.
    const std::string& ModuleNameAt(int index) const { return ScriptTable[std::size_t(index)]->ModuleName; }
    // The loaded script objects of the module: its script and other instances that registered.
    std::vector<PyObject*> ScriptsOfModule(const std::string& moduleName) const;
    // AddScriptId, except that the script takes the place of the released entry at `index`, so
    // that it keeps the place it had. Any other index (-1, a loaded entry) enters it as
    // AddScriptId does.
    void AddScriptIdAt(int index, PyObject* script, const std::string& moduleName, PyObject* scriptClass);
    // After the module's reload: its released entries go (those of other instances of its
    // class too), except the first when none of the module's scripts is loaded, which keeps
    // its place for a later reload. Only where no loop over the table runs (the reload's
    // flight loop).
    void EraseReleasedOfModule(const std::string& moduleName);
    // The widgets the script is tied to: those with its callbacks and those holding its objects.
    std::vector<void*> WidgetsOfScript(PyObject* script) const;

    // Forgets every entry after the interpreter is gone; releases nothing.
    void ClearScriptTable();

    // ---- Records ----
    // A new record of the script, entered at the end of its entry and holding a reference to
    // `callable`. Its `unregister` is null: the caller sets its other fields, registers with the
    // simulator, then hands it to Registered, or discards the record when the registration
    // failed. An instance of a loaded class that has no entry yet gets one; anything else throws
    // std::invalid_argument.
    _CallbackRecordStruct* AddRecord(PyObject* script, BM_CallbackKind kind, PyObject* callable, intptr_t refcon);
    // The simulator took the record's registration: it gets its `unregister` and is entered
    // under its key (BM_KeyOf), where FindRecord finds it from now on.
    void Registered(_CallbackRecordStruct* record, void (*unregister)(_CallbackRecordStruct&));
    // Takes a record whose simulator registration failed out again; nothing is unregistered.
    void DiscardRecord(_CallbackRecordStruct* record);
    // Ties a record to its window, hot key, menu, widget or data ref, for the look-ups below.
    void SetHandle(_CallbackRecordStruct* record, void* handle);
    // Removes the record and, at once, its simulator registration. When the simulator throws,
    // the record is kept aside, inert, for as long as the table lives, and the exception goes on.
    void RemoveRecord(_CallbackRecordStruct* record);
    // Forgets a record the simulator already dropped on its own (a destroyed window's record,
    // say): nothing is unregistered.
    void ForgetRecord(_CallbackRecordStruct* record);

    // The script's first registered record with the key, or null; one hash look-up.
    _CallbackRecordStruct* FindRecord(PyObject* script, const BM_RecordKey& key) const;
    // The first registered record with the key of any script, in table order; one
    // hash look-up for each script.
    _CallbackRecordStruct* FindAnyRecord(const BM_RecordKey& key) const;
    // The first record of `kind` of any script that `match` accepts, or null: a walk over every
    // record, for the rare look-ups no key serves. Registering and removing never use it.
    template <typename Match>
    _CallbackRecordStruct* ScanRecords(BM_CallbackKind kind, Match match) const;
    // The record registered for a window, hot key, menu, widget or data ref, or null.
    _CallbackRecordStruct* RecordOfHandle(BM_CallbackKind kind, void* handle) const;

    // ---- Widgets ----
    // The simulator's widget functions take no refcon. So every callable a script gives a
    // widget goes to the simulator as a widget function of its own, one of a fixed set of
    // trampolines: its slot. Slot 0 is a custom widget's own function, slots 1 and up the
    // callbacks added to a widget, in the order they were added. The slots of a widget are not
    // used again while the widget lives, even after their records went (a script stopped): the
    // simulator keeps every function a widget was given, and calls it on.
    static constexpr int kWidgetSlots = 33;
    // The next slot for a callback added to `widget`, or -1 when all are taken.
    int NextWidgetSlot(void* widget) const;
    void SetWidgetSlot(_CallbackRecordStruct* record, void* widget, int slot);
    // The record in a widget's slot, or null; one hash look-up.
    _CallbackRecordStruct* WidgetSlotRecord(void* widget, int slot) const {
        auto it = widgetSlots_.find(widget);
        if (it == widgetSlots_.end() || slot < 0 || slot >= int(it->second.records.size())) return nullptr;
        return it->second.records[std::size_t(slot)];
    }
    // The simulator destroys the widget and told the function in `slot` so: its record goes.
    // The oldest of the widget's functions hears last; then the widget's slots are forgotten.
    void WidgetSlotDestroyed(void* widget, int slot);

    // The script's first record of a widget callback or custom widget function of `widget`.
    _CallbackRecordStruct* WidgetRecordOf(PyObject* script, void* widget) const;

    PyObject* GetScriptIdFromWidgetId(void* widget) const;
    PyObject* GetCallbackFromWidgetId(void* widget, PyObject* script) const;
    // One object per script and widget: a second call replaces the first object.
    void SetWidgetObject(PyObject* script, void* widget, PyObject* object);
    // The script's objects of these widgets go (a widget and the children destroyed with it).
    void RemoveWidgetObjects(PyObject* script, const std::vector<void*>& widgets);
    // The object, or None; no reference is added.
    PyObject* GetWidgetObjectFromWidgetId(void* widget, PyObject* script) const;

    // Widgets that scripts created and have not destroyed yet; the interpreter's stop destroys
    // what is left of them.
    void NoteScriptWidget(void* widget) { scriptWidgets_.insert(widget); }
    void ForgetScriptWidget(void* widget) { scriptWidgets_.erase(widget); }
    bool IsScriptWidget(void* widget) const { return scriptWidgets_.count(widget) != 0; }
    std::vector<void*> ScriptWidgets() const { return std::vector<void*>(scriptWidgets_.begin(), scriptWidgets_.end()); }

    // ---- Counters: the live records of each kind ----
    int GetNumberOfCameraControlScriptUsers() const { return live_[BM_KindCameraControl]; }
    int GetNumberOfDrawScriptUsers() const { return live_[BM_KindDraw]; }
    int GetNumberOfDrawWindowScriptUsers() const { return live_[BM_KindDrawWindow]; }
    int GetNumberOfFlightLoopScriptUsers() const { return live_[BM_KindFlightLoop]; }
    int GetNumberOfFlightLoopObjectScriptUsers() const { return live_[BM_KindFlightLoopObject]; }
    int GetNumberOfErrorCallbackScriptUsers() const { return live_[BM_KindErrorCallback]; }
    int GetNumberOfSoundScriptUsers() const { return live_[BM_KindSound]; }
    int GetNumberOfHotKeyScriptUsers() const { return live_[BM_KindHotKey]; }
    int GetNumberOfKeySnifferScriptUsers() const { return live_[BM_KindKeySniffer]; }
    int GetNumberOfMenuScriptUsers() const { return live_[BM_KindMenu]; }
    int GetNumberOfPlanesAvailableScriptUsers() const { return live_[BM_KindPlanesAvailable]; }
    int GetNumberOfSharedDataScriptUsers() const { return live_[BM_KindSharedData]; }
    int GetNumberOfWidgetScriptUsers() const { return live_[BM_KindWidget]; }
    int GetNumberOfMapLayerScriptUsers() const { return live_[BM_KindMapLayer]; }
    int GetNumberOfMapCreationHookScriptUsers() const { return live_[BM_KindMapCreationHook]; }
    int GetNumberOfAvionicsScriptUsers() const { return live_[BM_KindAvionics]; }
    int RetiredRecordCount() const { return int(retired_.size()); }

    // A value never handed out before in this process: the handle of a registration the
    // simulator cannot take back (a map creation hook), so that the refcon it keeps calling with
    // names no record once the record went, not even a later one at the same address.
    static void* NewToken() {
        static std::uintptr_t last = 0;
        return reinterpret_cast<void*>(++last);
    }

private:
    _BM_ScriptEntry* Find(PyObject* script) const;
    _BM_ScriptEntry* EntryForRegistration(PyObject* script);
    _BM_ScriptEntry* Enter(std::unique_ptr<_BM_ScriptEntry> entry);
    PyObject* ClassOf(PyObject* object, std::string* moduleName) const;
    void Detach(_CallbackRecordStruct* record);
    void Release(_CallbackRecordStruct* record, bool unregister);

    std::vector<std::unique_ptr<_BM_ScriptEntry>> ScriptTable;
    std::unordered_map<PyObject*, _BM_ScriptEntry*> byScript_;
    std::unordered_map<void*, _CallbackRecordStruct*> byHandle_[BM_KindCount];
    std::vector<_CallbackRecordStruct*> retired_;  // still known to the simulator
    struct WidgetSlots {
        std::vector<_CallbackRecordStruct*> records{nullptr};  // by slot; null where none or gone
        bool custom = false;  // slot 0 was given to the simulator
    };
    std::unordered_map<void*, WidgetSlots> widgetSlots_;
    std::unordered_set<void*> scriptWidgets_;
    int live_[BM_KindCount] = {};
    PyObject* loadingClass_ = nullptr;
    std::string loadingModule_;
};

template <typename Match>
_CallbackRecordStruct* BM_ScriptTable::ScanRecords(BM_CallbackKind kind, Match match) const {
    for (const auto& entry : ScriptTable)
        for (_CallbackRecordStruct* record : entry->Records)
            if (record->kind == kind && match(*record)) return record;
    return nullptr;
}

// Whether script code is under way below this point: a Python frame, or a call into a script's
// callable. Whatever ends a script or the interpreter waits while it is.
bool BM_ScriptCodeRunning();
// Records whose callable is being called now, in all (BM_RecordInUse counts them).
extern int BM_RecordsInUse;

// The last call into a removed record's script is over: gives back the record's references,
// and frees it unless the simulator may still call with it.
void BM_RecordIdle(_CallbackRecordStruct* record);

// The record behind a simulator refcon, when its script may be called: the record is live and
// its script enabled. Null otherwise. The one step every trampoline starts with.
inline _CallbackRecordStruct* BM_LiveRecord(void* refcon) {
    auto* record = static_cast<_CallbackRecordStruct*>(refcon);
    return record && record->entry && record->entry->ScriptEnabled ? record : nullptr;
}

// The one table, between XPluginStart and XPluginStop; null otherwise.
extern BM_ScriptTable* BMTestTable;

#endif
