// The callback records of the script table: identity, first-in-entry and last-entry rules,
// counters, and references.
#include <gtest/gtest.h>

#include "PyCompat.h"

#include <vector>

#include "BrindlemoorClass.h"

namespace {

class Registry : public ::testing::Test {
protected:
    void SetUp() override { Py_InitializeEx(0); }
    void TearDown() override {
        table.ReleaseReferences();
        for (PyObject* o : objects) Py_DECREF(o);
        Py_Finalize();
    }
    PyObject* New() {
        objects.push_back(PyList_New(0));
        return objects.back();
    }
    BM_ScriptTable table;
    std::vector<PyObject*> objects;
};

TEST_F(Registry, RemovingOneFlightLoopKeepsTheOthersOfTheScript) {
    PyObject *script = New(), *a = New(), *b = New();
    table.AddScriptId(script, "BM_S");
    EXPECT_EQ(table.GetNumberOfFlightLoopScriptUsers(), 0);
    table.SetFlightLoopCallback(script, a, 10);
    table.SetFlightLoopCallback(script, b, 20);
    EXPECT_EQ(table.GetNumberOfFlightLoopScriptUsers(), 2);
    table.RemoveFlightLoopCallback(script, a);
    EXPECT_EQ(table.GetNumberOfFlightLoopScriptUsers(), 1);
    intptr_t refcon = 0;
    EXPECT_EQ(table.GetScriptIdFromFlightLoopCallback(a, &refcon), nullptr);
    EXPECT_EQ(table.GetScriptIdFromFlightLoopCallback(b, &refcon), script);
    EXPECT_EQ(refcon, 20);
    // A removal that finds nothing changes nothing.
    table.RemoveFlightLoopCallback(script, a);
    EXPECT_EQ(table.GetNumberOfFlightLoopScriptUsers(), 1);
}

TEST_F(Registry, TheSameCallableTwiceKeepsTheFirstRefcon) {
    PyObject *script = New(), *a = New();
    table.AddScriptId(script, "BM_S");
    table.SetDrawCallback(script, a, 1);
    table.SetDrawCallback(script, a, 2);
    EXPECT_EQ(table.GetNumberOfDrawScriptUsers(), 1);
    intptr_t refcon = 0;
    EXPECT_EQ(table.GetScriptIdFromDrawCallback(a, &refcon), script);
    EXPECT_EQ(refcon, 1);
}

TEST_F(Registry, AnUnknownObjectGetsAnEntryOfItsOwn) {
    PyObject *stranger = New(), *a = New();
    Py_ssize_t before = Py_REFCNT(stranger);
    table.SetKeySnifferCallback(stranger, a, 5);
    EXPECT_EQ(table.GetScriptTableSize(), 1);
    EXPECT_EQ(table.GetNumberOfKeySnifferScriptUsers(), 0);
    EXPECT_EQ(table.GetScriptEnabledStatus(stranger), 1);
    // The entry owns a reference, like a loaded script's entry, for the stop relay to give up.
    EXPECT_EQ(Py_REFCNT(stranger), before + 1);
    Py_DECREF(stranger);
    table.AddScriptId(stranger, "BM_Later");
    EXPECT_EQ(table.GetScriptIdFromModuleName("BM_Later"), nullptr);
}

TEST_F(Registry, WhenTwoScriptsShareACallableTheLaterOneWins) {
    PyObject *first = New(), *second = New(), *shared = New();
    table.AddScriptId(first, "BM_1");
    table.AddScriptId(second, "BM_2");
    table.SetDrawCallback(first, shared, 1);
    table.SetDrawCallback(second, shared, 2);
    intptr_t refcon = 0;
    EXPECT_EQ(table.GetScriptIdFromDrawCallback(shared, &refcon), second);
    EXPECT_EQ(refcon, 2);
    table.RemoveDrawCallback(second, shared);
    EXPECT_EQ(table.GetScriptIdFromDrawCallback(shared, &refcon), first);
    EXPECT_EQ(refcon, 1);
}

TEST_F(Registry, RecordsHoldTheirCallablesUntilRemoved) {
    PyObject *script = New(), *a = New();
    table.AddScriptId(script, "BM_S");
    Py_ssize_t before = Py_REFCNT(a);
    table.SetMenuCallback(script, reinterpret_cast<void*>(0xB700000000001ull), a, 7);
    EXPECT_EQ(Py_REFCNT(a), before + 1);
    table.RemoveMenuCallback(script, reinterpret_cast<void*>(0xB700000000001ull));
    EXPECT_EQ(Py_REFCNT(a), before);
    table.SetHotKeyCallback(script, reinterpret_cast<void*>(0xB700000000002ull), a, 3);
    table.ReleaseReferences();
    EXPECT_EQ(Py_REFCNT(a), before);
    EXPECT_EQ(table.GetScriptIdFromHotKeyCallback(a, nullptr), nullptr);
}

TEST_F(Registry, GivingBackTheCameraLowersTheCountEvenWithoutIt) {
    PyObject *script = New(), *cam = New();
    table.AddScriptId(script, "BM_S");
    table.RemoveCameraControlCallback(script);
    EXPECT_EQ(table.GetNumberOfCameraControlScriptUsers(), 0);
    table.SetCameraControlCallback(script, cam, 1);
    table.SetPlanesAvailableCallback(script, cam, 1);
    EXPECT_EQ(table.GetNumberOfCameraControlScriptUsers(), 1);
    table.RemoveCameraControlCallback(script);
    table.RemovePlanesAvailableCallback(script);
    EXPECT_EQ(table.GetNumberOfCameraControlScriptUsers(), 0);
    EXPECT_EQ(table.GetNumberOfPlanesAvailableScriptUsers(), 0);
    EXPECT_EQ(table.GetScriptIdFromCameraControlCallback(cam, nullptr), nullptr);
}

TEST_F(Registry, WindowsAreFoundByIdAndSlot) {
    PyObject *first = New(), *second = New(), *draw = New(), *key = New(), *mouse = New(), *draw2 = New();
    void* window = reinterpret_cast<void*>(0xB703000000001ull);
    table.AddScriptId(first, "BM_1");
    table.AddScriptId(second, "BM_2");
    table.SetWindowId(first, window, draw, key, mouse);
    EXPECT_EQ(table.GetCallbackFromWindowId(BM_WindowDraw, window), draw);
    EXPECT_EQ(table.GetCallbackFromWindowId(BM_WindowKey, window), key);
    EXPECT_EQ(table.GetCallbackFromWindowId(BM_WindowMouseClick, window), mouse);
    EXPECT_EQ(table.GetCallbackFromWindowId(BM_WindowCursorStatus, window), nullptr);
    EXPECT_EQ(table.GetCallbackFromWindowId(7, window), nullptr);
    EXPECT_EQ(table.GetScriptIdFromDrawWindowCallback(BM_WindowKey, key), first);
    EXPECT_EQ(table.GetScriptIdFromDrawWindowCallback(BM_WindowDraw, key), nullptr);
    // A second window with the same draw callable gets no record of its own.
    void* other = reinterpret_cast<void*>(0xB703000000002ull);
    table.SetWindowId(first, other, draw, key, mouse);
    EXPECT_EQ(table.GetCallbackFromWindowId(BM_WindowDraw, other), nullptr);
    // The last record of the whole table wins.
    table.SetWindowId(second, window, draw2, key, mouse);
    EXPECT_EQ(table.GetCallbackFromWindowId(BM_WindowDraw, window), draw2);
    EXPECT_EQ(table.GetNumberOfDrawWindowScriptUsers(), 2);
    table.RemoveWindowId(first, window);
    EXPECT_EQ(table.GetCallbackFromWindowId(BM_WindowDraw, window), draw2);
    EXPECT_EQ(table.GetNumberOfDrawWindowScriptUsers(), 1);
}

TEST_F(Registry, WidgetCallbacksAndObjects) {
    PyObject *first = New(), *second = New(), *cb = New(), *o1 = New(), *o2 = New(), *o3 = New();
    void* widget = reinterpret_cast<void*>(0xB705000000001ull);
    table.AddScriptId(first, "BM_1");
    table.AddScriptId(second, "BM_2");
    table.SetWidgetCallback(first, widget, cb);
    EXPECT_EQ(table.GetScriptIdFromWidgetId(widget), first);
    EXPECT_EQ(table.GetCallbackFromWidgetId(widget, first), cb);
    EXPECT_EQ(table.GetCallbackFromWidgetId(widget, second), nullptr);

    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(widget, first), Py_None);
    table.SetWidgetObject(first, widget, o1);
    table.SetWidgetObject(first, widget, o2);
    table.SetWidgetObject(second, widget, o3);
    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(widget, first), o1);
    // Destroying with children removes all of the script's objects and none of another's.
    Py_ssize_t before = Py_REFCNT(o1);
    table.RemoveWidgetObject(first, nullptr, 1);
    EXPECT_EQ(Py_REFCNT(o1), before - 1);
    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(widget, first), Py_None);
    EXPECT_EQ(table.GetWidgetObjectFromWidgetId(widget, second), o3);
}

TEST_F(Registry, RemovingOneDataAccessorKeepsAnother) {
    PyObject *script = New(), *get1 = New(), *get2 = New(), *set2 = New();
    table.AddScriptId(script, "BM_S");
    void* ref1 = reinterpret_cast<void*>(0xB701000000001ull);
    void* ref2 = reinterpret_cast<void*>(0xB701000000002ull);
    auto* reads1 = new _DataAccessorGetCallbacks{};
    auto* reads2 = new _DataAccessorGetCallbacks{};
    auto* writes2 = new _DataAccessorSetCallbacks{};
    table.SetGetDataCallback(BM_Datai, script, get1, 11, ref1, reads1);
    table.SetGetDataCallback(BM_Datai, script, get2, 21, ref2, reads2);
    table.SetSetDataCallback(BM_Datai, script, set2, 22, ref2, writes2);
    for (int kind = 0; kind < BM_DataKindCount; ++kind) {
        table.RemoveGetDataCallback(BM_DataKind(kind), script, ref1);
        table.RemoveSetDataCallback(BM_DataKind(kind), script, ref1);
    }
    intptr_t refcon = 0;
    EXPECT_EQ(table.GetScriptIdFromGetDataCallback(BM_Datai, get1, &refcon), nullptr);
    EXPECT_EQ(table.GetScriptIdFromGetDataCallback(BM_Datai, get2, &refcon), script);
    EXPECT_EQ(refcon, 21);
    EXPECT_EQ(table.GetScriptIdFromSetDataCallback(BM_Datai, set2, &refcon), script);
    EXPECT_EQ(refcon, 22);
    for (int kind = 0; kind < BM_DataKindCount; ++kind) {
        table.RemoveGetDataCallback(BM_DataKind(kind), script, ref2);
        table.RemoveSetDataCallback(BM_DataKind(kind), script, ref2);
    }
    EXPECT_EQ(table.GetScriptIdFromGetDataCallback(BM_Datai, get2, &refcon), nullptr);
    // The blocks went with their last records (a double free would abort under the test run).
}

}  // namespace
