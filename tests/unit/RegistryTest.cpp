// The script table's records: one per registration, each undone exactly once, references
// given back, and scripts released whole.
#include <gtest/gtest.h>

#include "PyCompat.h"

#include <functional>
#include <stdexcept>
#include <vector>

#include "BrindlemoorClass.h"
#include "BrindlemoorTrampolines.h"

namespace {

// What the fake simulator registrations saw.
std::vector<_CallbackRecordStruct*> gUnregistered;
void Unregister(_CallbackRecordStruct& record) { gUnregistered.push_back(&record); }
void UnregisterThrows(_CallbackRecordStruct&) { throw std::runtime_error("simulator refused"); }

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        Py_InitializeEx(0);
        gUnregistered.clear();
        // A class like a script's, and instances of it entered as loaded scripts.
        PyObject* globals = PyDict_New();
        PyDict_SetItemString(globals, "__builtins__", PyEval_GetBuiltins());
        PyObject* done = PyRun_String("class Brindlemoor:\n    def Loop(self, *a): return 1.0\n", Py_file_input,
                                      globals, globals);
        Py_XDECREF(done);
        scriptClass = PyDict_GetItemString(globals, "Brindlemoor");
        Py_INCREF(scriptClass);
        Py_DECREF(globals);
    }
    void TearDown() override {
        table.ReleaseReferences();
        for (PyObject* o : objects) Py_DECREF(o);
        Py_DECREF(scriptClass);
        Py_Finalize();
    }
    PyObject* Instance() { return PyObject_CallObject(scriptClass, nullptr); }
    PyObject* Script(const char* module) {
        PyObject* script = Instance();
        table.AddScriptId(script, module, scriptClass);  // the table takes the reference
        return script;
    }
    PyObject* New() {
        objects.push_back(PyList_New(0));
        return objects.back();
    }
    _CallbackRecordStruct* Add(PyObject* script, BM_CallbackKind kind, PyObject* callable, intptr_t refcon) {
        _CallbackRecordStruct* record = table.AddRecord(script, kind, callable, refcon);
        table.Registered(record, Unregister);
        return record;
    }
    BM_ScriptTable table;
    PyObject* scriptClass = nullptr;
    std::vector<PyObject*> objects;
};

TEST_F(Registry, EachRegistrationIsARecordOfItsOwn) {
    PyObject *script = Script("BM_S"), *loop = New();
    _CallbackRecordStruct* ten = Add(script, BM_KindFlightLoop, loop, 10);
    _CallbackRecordStruct* twenty = Add(script, BM_KindFlightLoop, loop, 20);
    ASSERT_NE(ten, twenty);
    EXPECT_EQ(table.GetNumberOfFlightLoopScriptUsers(), 2);
    EXPECT_EQ(BM_LiveRecord(ten)->refcon, 10);
    EXPECT_EQ(BM_LiveRecord(twenty)->refcon, 20);
    // Removing one undoes exactly its simulator registration.
    table.RemoveRecord(ten);
    EXPECT_EQ(gUnregistered, std::vector<_CallbackRecordStruct*>{ten});
    EXPECT_EQ(table.GetNumberOfFlightLoopScriptUsers(), 1);
    EXPECT_EQ(BM_LiveRecord(twenty)->refcon, 20);
    EXPECT_EQ(table.FindRecord(script, BM_RecordKey::FlightLoop(loop, 20)), twenty);
    EXPECT_EQ(table.FindRecord(script, BM_RecordKey::FlightLoop(loop, 10)), nullptr);
}

// A registration is found again by everything that tells the kind's registrations apart: a
// bound method by its object and function (each `self.Loop` is a new object), anything else by
// identity; with several equal, the first registered.
TEST_F(Registry, RecordsAreFoundByTheirKeys) {
    PyObject* script = Script("BM_S");
    auto method = [&] {
        objects.push_back(PyObject_GetAttrString(script, "Loop"));
        return objects.back();
    };
    PyObject *loop = method(), *other = New();
    void* command = reinterpret_cast<void*>(0xB706000000001ull);
    void* menu = reinterpret_cast<void*>(0xB702000000001ull);
    struct Case {
        const char* what;
        BM_CallbackKind kind;
        std::function<void(_CallbackRecordStruct&)> fields;
        std::function<BM_RecordKey(PyObject* callable)> key;  // of the record, for that callable
        BM_RecordKey differing;
    };
    const Case cases[] = {
        {"flight loop", BM_KindFlightLoop, [](auto&) {}, [](PyObject* c) { return BM_RecordKey::FlightLoop(c, 5); },
         BM_RecordKey::FlightLoop(loop, 6)},
        {"draw", BM_KindDraw, [](auto& r) { r.phase = 40, r.before = 1; },
         [](PyObject* c) { return BM_RecordKey::Draw(c, 5, 40, 1); }, BM_RecordKey::Draw(loop, 5, 40, 0)},
        {"key sniffer", BM_KindKeySniffer, [](auto& r) { r.before = 1; },
         [](PyObject* c) { return BM_RecordKey::KeySniffer(c, 5, 1); }, BM_RecordKey::KeySniffer(other, 5, 1)},
        {"command handler", BM_KindCommand, [&](auto& r) { r.handle = command; },
         [&](PyObject* c) { return BM_RecordKey::CommandHandler(c, command, 0, 5); },
         BM_RecordKey::CommandHandler(loop, menu, 0, 5)},
        {"shared data", BM_KindSharedData, [](auto& r) { r.name = "a/b", r.type = 1; },
         [](PyObject* c) { return BM_RecordKey::SharedData(c, 5, "a/b", 1); },
         BM_RecordKey::SharedData(loop, 5, "a/c", 1)},
        {"submenu", BM_KindMenu, [&](auto& r) { r.parent = menu; },
         [&](PyObject*) { return BM_RecordKey::SubmenuOf(menu); }, BM_RecordKey::SubmenuOf(command)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        _CallbackRecordStruct* first = table.AddRecord(script, c.kind, loop, 5);
        c.fields(*first);
        table.Registered(first, Unregister);
        _CallbackRecordStruct* second = table.AddRecord(script, c.kind, method(), 5);
        c.fields(*second);
        table.Registered(second, Unregister);
        EXPECT_EQ(table.FindRecord(script, c.key(method())), first);
        EXPECT_EQ(table.FindAnyRecord(c.key(method())), first);
        EXPECT_EQ(table.FindRecord(script, c.differing), nullptr);
        table.RemoveRecord(first);
        EXPECT_EQ(table.FindRecord(script, c.key(loop)), second);
        table.RemoveRecord(second);
        EXPECT_EQ(table.FindRecord(script, c.key(loop)), nullptr);
    }
    // A hold has no callable: the command alone tells holds apart.
    _CallbackRecordStruct* hold = table.AddRecord(script, BM_KindCommand, nullptr, 0);
    hold->handle = command;
    hold->held = true;
    table.Registered(hold, Unregister);
    EXPECT_EQ(table.FindRecord(script, BM_RecordKey::Hold(command)), hold);
    EXPECT_EQ(table.FindRecord(script, BM_RecordKey::CommandHandler(nullptr, command, 0, 0)), nullptr);
    EXPECT_EQ(table.FindRecord(script, BM_RecordKey::Hold(menu)), nullptr);
}

TEST_F(Registry, RecordsHoldTheirCallablesUntilRemoved) {
    PyObject *script = Script("BM_S"), *handler = New();
    Py_ssize_t before = Py_REFCNT(handler);
    _CallbackRecordStruct* menu = Add(script, BM_KindMenu, handler, 7);
    table.SetHandle(menu, reinterpret_cast<void*>(0xB702000000001ull));
    EXPECT_EQ(Py_REFCNT(handler), before + 1);
    EXPECT_EQ(table.RecordOfHandle(BM_KindMenu, reinterpret_cast<void*>(0xB702000000001ull)), menu);
    table.RemoveRecord(menu);
    EXPECT_EQ(Py_REFCNT(handler), before);
    EXPECT_EQ(table.RecordOfHandle(BM_KindMenu, reinterpret_cast<void*>(0xB702000000001ull)), nullptr);
}

TEST_F(Registry, ReleasingAScriptUndoesAllItsRegistrationsAndForgetsIt) {
    PyObject *first = Script("BM_1"), *second = Script("BM_2"), *callable = New();
    Py_INCREF(first);  // kept here to look at it afterwards
    Py_ssize_t held = Py_REFCNT(first);
    _CallbackRecordStruct* a = Add(first, BM_KindDraw, callable, 1);
    _CallbackRecordStruct* b = Add(first, BM_KindKeySniffer, callable, 2);
    _CallbackRecordStruct* other = Add(second, BM_KindDraw, callable, 3);
    table.ReleaseScript(first);
    EXPECT_EQ(gUnregistered, (std::vector<_CallbackRecordStruct*>{b, a}));  // newest first
    EXPECT_EQ(Py_REFCNT(first), held - 1);
    EXPECT_EQ(table.GetScriptEnabledStatus(first), 0);
    EXPECT_EQ(table.GetScriptId(0), nullptr);  // the entry keeps its place
    EXPECT_EQ(table.GetScriptTableSize(), 2);
    EXPECT_EQ(BM_LiveRecord(other)->refcon, 3);
    table.ReleaseScript(first);  // twice changes nothing
    EXPECT_EQ(gUnregistered.size(), 2u);
    Py_DECREF(first);
}

TEST_F(Registry, ARecordTheSimulatorWouldNotDropStaysInert) {
    PyObject *script = Script("BM_S"), *callable = New();
    _CallbackRecordStruct* record = table.AddRecord(script, BM_KindHotKey, callable, 1);
    record->unregister = UnregisterThrows;
    EXPECT_THROW(table.RemoveRecord(record), std::runtime_error);
    // The simulator may still call with it: it answers as for a script that is gone.
    EXPECT_EQ(BM_LiveRecord(record), nullptr);
    EXPECT_EQ(table.RetiredRecordCount(), 1);
    EXPECT_EQ(table.GetNumberOfHotKeyScriptUsers(), 0);
    BM_HotKeyCallback(record);
    EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(Registry, OnlyScriptObjectsRegister) {
    PyObject* script = Script("BM_S");
    EXPECT_TRUE(table.IsScriptObject(script));
    EXPECT_FALSE(table.IsScriptObject(Py_None));
    EXPECT_FALSE(table.IsScriptObject(New()));
    EXPECT_THROW(table.AddRecord(Py_None, BM_KindDraw, New(), 0), std::invalid_argument);
    // Another instance of a loaded script's class gets an entry of its own.
    PyObject* another = Instance();
    Py_ssize_t before = Py_REFCNT(another);
    EXPECT_TRUE(table.IsScriptObject(another));
    Add(another, BM_KindDraw, New(), 0);
    EXPECT_EQ(table.GetScriptTableSize(), 2);
    EXPECT_EQ(*table.ModuleNameOf(another), "BM_S");
    EXPECT_EQ(Py_REFCNT(another), before + 1);
    Py_DECREF(another);
}

TEST_F(Registry, RegistrationsOfAScriptStillBeingMade) {
    table.SetLoadingScript(scriptClass, "BM_New");
    PyObject* made = Instance();
    Add(made, BM_KindFlightLoop, New(), 0);  // from its __init__
    table.SetLoadingScript(nullptr, "");
    table.AddScriptId(made, "BM_New", scriptClass);
    EXPECT_EQ(table.GetScriptTableSize(), 1);
    EXPECT_EQ(table.GetScriptIdFromModuleName("BM_New"), made);
    EXPECT_EQ(Py_REFCNT(made), 1);  // the entry's only

    // An __init__ that registers and then fails leaves nothing behind.
    table.SetLoadingScript(scriptClass, "BM_Failed");
    PyObject* failed = Instance();
    Py_INCREF(failed);
    _CallbackRecordStruct* record = Add(failed, BM_KindDraw, New(), 0);
    table.SetLoadingScript(nullptr, "");
    table.DropLoadingScripts();
    EXPECT_EQ(gUnregistered, std::vector<_CallbackRecordStruct*>{record});
    EXPECT_EQ(table.GetScriptTableSize(), 1);
    EXPECT_EQ(Py_REFCNT(failed), 2);
    Py_DECREF(failed);
    Py_DECREF(failed);
}

TEST_F(Registry, WidgetCallbacksAndObjects) {
    PyObject *first = Script("BM_1"), *second = Script("BM_2"), *cb = New(), *o1 = New(), *o2 = New(), *o3 = New();
    void* widget = reinterpret_cast<void*>(0xB705000000001ull);
    table.SetWidgetSlot(Add(first, BM_KindWidget, cb, 0), widget, 1);
    EXPECT_EQ(table.GetScriptIdFromWidgetId(widget), first);
    EXPECT_EQ(table.GetCallbackFromWidgetId(widget, first), cb);
    EXPECT_EQ(table.GetCallbackFromWidgetId(widget, second), nullptr);

    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(widget, first), Py_None);
    // One object per script and widget: the second replaces the first, which is let go.
    Py_ssize_t held = Py_REFCNT(o1);
    table.SetWidgetObject(first, widget, o1);
    table.SetWidgetObject(first, widget, o2);
    EXPECT_EQ(Py_REFCNT(o1), held);
    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(widget, first), o2);
    void* child = reinterpret_cast<void*>(0xB705000000002ull);
    void* elsewhere = reinterpret_cast<void*>(0xB705000000003ull);
    table.SetWidgetObject(first, child, o1);  // one object may serve two widgets
    table.SetWidgetObject(first, elsewhere, o1);
    table.SetWidgetObject(second, widget, o3);
    // Destroying a widget with its child removes the script's objects of those two only.
    Py_ssize_t before = Py_REFCNT(o2);
    table.RemoveWidgetObjects(first, {widget, child});
    EXPECT_EQ(Py_REFCNT(o2), before - 1);
    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(widget, first), Py_None);
    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(child, first), Py_None);
    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(elsewhere, first), o1);
    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(widget, second), o3);
}

}  // namespace
