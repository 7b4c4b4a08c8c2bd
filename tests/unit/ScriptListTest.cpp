#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestSupport.h"
#include "WidgetStuff.h"

using Names = std::vector<std::string>;

TEST(ScriptList, SourcesComeFirstAndCompiledScriptsOnlyWithoutTheirSource) {
    EXPECT_EQ(SelectScriptNames({"BM_A.py", "BM_A.pyc", "BM_B.pyc", "readme.txt", "Other.py"}),
              (Names{"BM_A", "BM_B"}));
    EXPECT_EQ(SelectScriptNames({"BM_B.pyc", "BM_A.py"}), (Names{"BM_A", "BM_B"}));
}

TEST(ScriptList, NamingRules) {
    // The prefix may stand anywhere and is case-sensitive.
    EXPECT_EQ(SelectScriptNames({"tools_bm_x.py", "BMX.py", "Bm_y.py"}), (Names{"tools_bm_x"}));
    // Sources are cut at the last dot; compiled files take their extension from the first.
    EXPECT_EQ(SelectScriptNames({"BM_a.b.py", "BM_c.d.pyc"}), (Names{"BM_a.b"}));
    EXPECT_EQ(SelectScriptNames({"BM_e.pyo", "BM_f.py~", "BM_g"}), Names{});
    // A listed module hides every compiled file whose name contains it.
    EXPECT_EQ(SelectScriptNames({"BM_Nav.py", "BM_Navigator.pyc"}), (Names{"BM_Nav"}));
}

TEST(ScriptList, GetScriptFilesFillsThePopupTexts) {
    bmtest::SimFolder sim;
    for (const char* name : {"BM_A.py", "BM_A.pyc", "BM_B.pyc", "readme.txt", "Other.py"})
        sim.AddScript(name, "");
    EXPECT_EQ(GetScriptFiles(sim.ScriptFolder()), "BM_A");
    EXPECT_EQ(TestText, (Names{"BM_A", "BM_B"}));
    EXPECT_EQ(NumberOfScripts(), 2);
    EXPECT_EQ(szPopupText, "BM_A;BM_B;");
    EXPECT_EQ(ScriptName, "BM_A");
}

TEST(ScriptList, FoldersWithoutScriptsAndMissingFolders) {
    bmtest::SimFolder sim;
    sim.AddScript("notes.txt", "");
    EXPECT_EQ(GetScriptFiles(sim.ScriptFolder()), "No Scripts Found");
    EXPECT_EQ(szPopupText, "No Scripts Found;");
    EXPECT_EQ(NumberOfScripts(), 0);

    EXPECT_EQ(SetErrorText(), "PythonScripts Directory Error;");
    EXPECT_EQ(ScriptName, "PythonScripts Directory Error");
}

TEST(ScriptList, EveryScriptOfALargeFolderIsFound) {
    // 400 long names are far more than one 4096-byte listing holds.
    bmtest::SimFolder sim;
    for (int i = 0; i < 400; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "BM_script_with_a_rather_long_name_%03d.py", i);
        sim.AddScript(name, "");
        sim.AddScript(std::string("data_file_with_a_rather_long_name_") + std::to_string(i) + ".txt", "");
    }
    GetScriptFiles(sim.ScriptFolder());
    ASSERT_EQ(NumberOfScripts(), 400);
    EXPECT_EQ(TestText.front(), "BM_script_with_a_rather_long_name_000");
    EXPECT_EQ(TestText.back(), "BM_script_with_a_rather_long_name_399");
}
