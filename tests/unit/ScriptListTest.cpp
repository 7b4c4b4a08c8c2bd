#include <gtest/gtest.h>

#include <sys/stat.h>

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
    // A listed source hides its own compiled file alone, the whole stem compared.
    EXPECT_EQ(SelectScriptNames({"BM_Radio.py", "BM_RadioPanel.pyc", "BM_Radio.pyc", "X_BM_Radio.pyc"}),
              (Names{"BM_Radio", "BM_RadioPanel", "X_BM_Radio"}));
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

// A script file that is no regular file is left out with a line in the log, never opened: a
// FIFO, a link to one, a folder, a dangling link.
TEST(ScriptList, FilesThatAreNotRegularAreLeftOut) {
    bmtest::SimFolder sim;
    namespace fs = std::filesystem;
    sim.AddScript("BM_A.py", "");
    fs::path folder = sim.ScriptFolder();
    ASSERT_EQ(mkfifo((folder / "BM_Fifo.py").c_str(), 0644), 0);
    fs::create_symlink(folder / "BM_Fifo.py", folder / "BM_Link.py");
    fs::create_directory(folder / "BM_Folder.py");
    fs::create_symlink(folder / "gone.py", folder / "BM_Gone.pyc");
    GetScriptFiles(sim.ScriptFolder());
    EXPECT_EQ(TestText, (Names{"BM_A"}));
    for (const char* name : {"BM_Fifo.py", "BM_Folder.py", "BM_Gone.pyc", "BM_Link.py"})
        EXPECT_EQ(bmtest::Count(sim.Log(), std::string("Brindlemoor - ") + name + " is not a regular file: left out\n"), 1u)
            << sim.Log();
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
