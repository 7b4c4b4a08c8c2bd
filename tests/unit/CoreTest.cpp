// The plug-in core driven directly, as the control panel and the simulator would drive it.
#include <gtest/gtest.h>

#include "PyCompat.h"

#include "Brindlemoor.h"
#include "BrindlemoorClass.h"
#include "PythonTBUtilities.h"
#include "TestSupport.h"
#include "WidgetStuff.h"
#include "XPLMDefs.h"
#include "bmhost/Control.h"

PLUGIN_API int XPluginStart(char*, char*, char*);
PLUGIN_API void XPluginStop(void);
PLUGIN_API int XPluginEnable(void);

namespace {

using bmtest::Lines;
using Calls = std::vector<std::string>;

class Core : public ::testing::Test {
protected:
    void StartPlugin() {
        char name[256], signature[256], description[256];
        ASSERT_EQ(XPluginStart(name, signature, description), 1);
        EXPECT_STREQ(name, "Brindlemoor");
        EXPECT_STREQ(signature, "tallowbridge.projects.brindlemoor");
        EXPECT_STREQ(description, "Brindlemoor Plugin");
    }
    void TearDown() override {
        if (BMTestTable) XPluginStop();
    }
    bmtest::SimFolder sim;
};

TEST_F(Core, PanelStartEnablesEachScriptBeforeStartingTheNext) {
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    sim.AddScript("BM_B.py", bmtest::RecorderScript("B"));
    BMTestTable = new BM_ScriptTable;
    StartPython(1);
    StopPython(1);
    EXPECT_EQ(Lines(sim.Output()), (Calls{"A XPluginStart", "A XPluginEnable", "B XPluginStart",
                                         "B XPluginEnable", "A XPluginDisable", "A XPluginStop",
                                         "B XPluginDisable", "B XPluginStop"}));
    delete BMTestTable;
    BMTestTable = nullptr;
}

TEST_F(Core, AnEmptyFolderStartsAndEnables) {
    StartPlugin();
    EXPECT_EQ(XPluginEnable(), 1);
    EXPECT_EQ(szPopupText, "No Scripts Found;");
}

TEST_F(Core, StartRecordsWhatTheScriptReturned) {
    sim.AddScript("BM_A.py", bmtest::RecorderScript("A"));
    sim.AddScript("BM_Bad.py",
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        return ['not', 'a', 'tuple']\n");
    StartPlugin();
    PyObject* a = BMTestTable->GetScriptIdFromModuleName("BM_A");
    PyObject* bad = BMTestTable->GetScriptIdFromModuleName("BM_Bad");
    std::string name, signature, description;
    BMTestTable->GetScriptDescriptions(a, name, signature, description);
    EXPECT_EQ(name + "|" + signature + "|" + description, "A name|sig.A|A desc");
    name = signature = description = "";
    BMTestTable->GetScriptDescriptions(bad, name, signature, description);
    EXPECT_EQ(name + signature + description, "");
    EXPECT_NE(sim.Log().find("TypeError: XPluginStart of BM_Bad must return three strings: name, signature, "
                             "description\n"),
              std::string::npos);
    EXPECT_FALSE(PyErr_Occurred());
}

TEST_F(Core, PrintedTextReachesTheOutputFileOnlyWhileEnabled) {
    StartPlugin();
    std::string pending = PendingPrintText();
    BM_OutputFileEnabled = 0;
    PyRun_SimpleString("print('hidden')");
    EXPECT_EQ(sim.Output(), "");
    BM_OutputFileEnabled = 1;
    PyRun_SimpleString("print('abc')");
    EXPECT_EQ(sim.Output(), "abc\n");
    // A print writes its text and its line end apart; the console has one item per line.
    EXPECT_EQ(PendingPrintText(), pending + "hidden;abc;");
}

TEST_F(Core, ConsoleFunctionsWriteNoFile) {
    StartPlugin();
    std::string log = sim.Log();
    std::string pending = PendingPrintText();
    PyRun_SimpleString(
        "import TallowbridgeUtilities as T\n"
        "assert T.TallowbridgePrint('abc') == 0\n"
        "assert T.TallowbridgeDisplay('shown') == 0\n"
        "assert T.TallowbridgeClearPrint() == 0\n"
        "assert T.TallowbridgeClearDisplay() == 0\n"
        "T.TallowbridgePrint(42)\n");
    EXPECT_EQ(PendingPrintText().substr(pending.size(), 4), "abc;");
    EXPECT_EQ(sim.Output(), "");
    // The only log addition is the TypeError of the last call, through standard error.
    std::string added = sim.Log().substr(log.size());
    EXPECT_NE(added.find("TypeError"), std::string::npos);
    EXPECT_EQ(added.find("AssertionError"), std::string::npos);
}

TEST_F(Core, PrintExceptionGoesToThePrintConsoleAndTheLog) {
    StartPlugin();
    std::string pending = PendingPrintText();
    PrintException("XPLMDisplay", "XPLMRegisterDrawCallback", "Parameter Error");
    std::string line = "Module - XPLMDisplay, Function - XPLMRegisterDrawCallback, Error = Parameter Error\n";
    EXPECT_EQ(bmtest::Count(sim.Log(), line), 1u);
    EXPECT_NE(PendingPrintText().find("Module - XPLMDisplay,"), std::string::npos);
    EXPECT_GT(PendingPrintText().size(), pending.size());
}

TEST_F(Core, TheBootstrapKeepsAnyFolderNameOneLiteral) {
    std::string text = TallowbridgeBootstrapText("/tmp/it's\\here");
    EXPECT_NE(text.find("sys.path.append('/tmp/it\\'s\\\\here')\n"), std::string::npos);
    EXPECT_EQ(text.rfind("sys.stderr = StderrCatcher()\n"), text.size() - 29);
}

}  // namespace
