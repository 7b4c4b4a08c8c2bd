// Stopping and starting the interpreter inside one plug-in load, as the control panel does:
// scripts import the standard library's extension modules and their own helper modules afresh
// each time, on either interpreter line.
#include <gtest/gtest.h>

#include "PythonSupport.h"

namespace {

using bmtest::Count;

// CPython 3.12.0 and 3.12.1 themselves crash when ctypes is imported by a second interpreter in
// one process (a bare embedding shows it): there the script leaves ctypes out.
const char kStdScript[] =
    "import sys, math, struct, time, datetime, json\n"
    "if sys.version_info[:3] in ((3, 12, 0), (3, 12, 1)):\n"
    "    class ctypes:\n"
    "        c_void_p = 'P'\n"
    "        sizeof = staticmethod(struct.calcsize)\n"
    "        c_int = staticmethod(lambda value: type('c_int', (), {'value': value}))\n"
    "else:\n"
    "    import ctypes\n"
    "import brindlemoor_helper\n"
    "class Brindlemoor:\n"
    "    def XPluginStart(self):\n"
    "        brindlemoor_helper.starts += 1\n"
    "        self.Seen = '%s %s %d %d %s %d %d' % (math.sqrt(16.0), brindlemoor_helper.starts,\n"
    "            len(struct.pack('<d', 1.0)), ctypes.sizeof(ctypes.c_void_p),\n"
    "            json.dumps({'a': [1, 2]}), datetime.date.fromtimestamp(time.time()).year > 2000,\n"
    "            ctypes.c_int(-5).value)\n"
    "        return 'Std', 'sig.std', ''\n"
    "    def XPluginEnable(self):\n"
    "        return 1\n"
    "    def XPluginDisable(self):\n"
    "        pass\n"
    "    def XPluginStop(self):\n"
    "        pass\n";

TEST(Restart, TheStandardLibraryAndHelperModulesAreImportedAfreshEachStart) {
    // The helper has no script prefix: it is imported, never started.
    bmtest::RunningPlugin plugin(
        std::map<std::string, std::string>{{"BM_Std", kStdScript}, {"brindlemoor_helper", "starts = 0\n"}});
    for (int cycle = 0; cycle < 5; ++cycle) {
        StopPython(1);
        StartPython(1);
        PyObject* seen = plugin.Eval("BM_Std", "Script.Seen");
        ASSERT_TRUE(seen && BM_IsText(seen)) << plugin.Sim().Log();
        // A helper module starts over with the interpreter: its counter is 1 every time.
        EXPECT_EQ(std::string(BM_TextAsUtf8(seen)), "4.0 1 8 8 {\"a\": [1, 2]} 1 -5") << "cycle " << cycle;
        Py_DECREF(seen);
    }
    EXPECT_EQ(Count(plugin.Sim().Log(), "'BM_Std' successfully loaded\n"), 6u) << plugin.Sim().Log();
    EXPECT_EQ(Count(plugin.Sim().Log(), "Error"), 0u) << plugin.Sim().Log();
}

TEST(Restart, NonAsciiScriptTextsAreKeptAsUtf8) {
    bmtest::RunningPlugin plugin(std::map<std::string, std::string>{
        {"BM_Texts",
         "# -*- coding: utf-8 -*-\n"
         "class Brindlemoor:\n"
         "    def XPluginStart(self):\n"
         "        return 'Flughöhe ✈', 'sig.zürich', 'Zeigt die Höhe – in Fuß'\n"}});
    std::string name, signature, description;
    BMTestTable->GetScriptDescriptions(plugin.Script("BM_Texts"), name, signature, description);
    EXPECT_EQ(name, "Flugh\xc3\xb6he \xe2\x9c\x88");
    EXPECT_EQ(signature, "sig.z\xc3\xbcrich");
    EXPECT_EQ(description, "Zeigt die H\xc3\xb6he \xe2\x80\x93 in Fu\xc3\x9f");
    EXPECT_EQ(BMTestTable->GetScriptIdFromSignature("sig.z\xc3\xbcrich"), plugin.Script("BM_Texts"));
}

}  // namespace
