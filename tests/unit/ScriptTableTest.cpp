#include <gtest/gtest.h>

#include "PyCompat.h"

#include "BrindlemoorClass.h"

namespace {

// The table only compares script objects by identity, so stand-ins for them do.
PyObject* Fake(int& storage) { return reinterpret_cast<PyObject*>(&storage); }

TEST(ScriptTable, AddingTheSameObjectTwiceKeepsOneEntryAndTheFirstName) {
    Py_InitializeEx(0);
    {
        BM_ScriptTable table;
        PyObject* script = PyList_New(0);
        Py_INCREF(script);  // each add hands the table a reference
        table.AddScriptId(script, "BM_First");
        table.AddScriptId(script, "BM_Second");
        EXPECT_EQ(table.GetScriptTableSize(), 1);
        EXPECT_EQ(table.GetScriptIdFromModuleName("BM_First"), script);
        EXPECT_EQ(table.GetScriptIdFromModuleName("BM_Second"), nullptr);
        EXPECT_EQ(Py_REFCNT(script), 1);  // the second reference was given back: one entry, one
        table.ReleaseReferences();
    }
    Py_Finalize();
}

TEST(ScriptTable, EnabledStatusReturnsThePreviousValueAndZeroForStrangers) {
    BM_ScriptTable table;
    int a = 0, stranger = 0;
    table.AddScriptId(Fake(a), "BM_A");
    EXPECT_EQ(table.GetScriptEnabledStatus(Fake(a)), 1);
    EXPECT_EQ(table.SetScriptEnabledStatus(Fake(a), 1), 1);
    EXPECT_EQ(table.SetScriptEnabledStatus(Fake(a), 0), 1);
    EXPECT_EQ(table.SetScriptEnabledStatus(Fake(a), 1), 0);
    EXPECT_EQ(table.SetScriptEnabledStatus(Fake(stranger), 1), 0);
    EXPECT_EQ(table.GetScriptEnabledStatus(Fake(stranger)), 0);
    EXPECT_EQ(table.GetScriptTableSize(), 1);
}

TEST(ScriptTable, DescriptionsAndSignatureLookupUseTheFirstMatch) {
    BM_ScriptTable table;
    int a = 0, b = 0, stranger = 0;
    table.AddScriptId(Fake(a), "BM_A");
    table.AddScriptId(Fake(b), "BM_B");
    table.SetScriptDescriptions(Fake(a), "Name A", "same.sig", "Desc A");
    table.SetScriptDescriptions(Fake(b), "Name B", "same.sig", "Desc B");
    EXPECT_EQ(table.GetScriptIdFromSignature("same.sig"), Fake(a));
    EXPECT_EQ(table.GetScriptIdFromSignature("Same.Sig"), nullptr);

    std::string name = "untouched", signature = "untouched", description = "untouched";
    table.GetScriptDescriptions(Fake(stranger), name, signature, description);
    EXPECT_EQ(name + signature + description, "untoucheduntoucheduntouched");
    table.GetScriptDescriptions(Fake(b), name, signature, description);
    EXPECT_EQ(name, "Name B");
    EXPECT_EQ(signature, "same.sig");
    EXPECT_EQ(description, "Desc B");
}

TEST(ScriptTable, ClearingForgetsEveryScript) {
    BM_ScriptTable table;
    int a = 0;
    table.AddScriptId(Fake(a), "BM_A");
    table.ClearScriptTable();
    EXPECT_EQ(table.GetScriptTableSize(), 0);
    EXPECT_EQ(table.GetScriptEnabledStatus(Fake(a)), 0);
    EXPECT_EQ(table.GetScriptIdFromModuleName("BM_A"), nullptr);
}

}  // namespace
