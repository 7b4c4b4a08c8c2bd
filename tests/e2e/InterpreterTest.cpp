// What a script sees of the interpreter line the plug-in embeds (2.7 or 3): texts and byte data
// crossing to the simulator, the standard streams, sourceless scripts, non-ASCII names. The
// scripts are the same on both lines; where the lines answer differently the expectation says so.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMDisplay.h"
#include "bmhost/Control.h"

namespace {

namespace fs = std::filesystem;
using bmtest::Count;
using bmtest::Lines;

constexpr bool kPython3 = BM_PYTHON_MAJOR == 3;

void IgnoreHotKey(void*) {}

TEST(Interpreter, TextsTravelAsUtf8AndComeBackAsText) {
    bmtest::SimFolder sim;
    // A description that is not UTF-8, as another plug-in may register one.
    XPLMHotKeyID foreign = XPLMRegisterHotKey(XPLM_VK_F9, xplm_DownFlag, "Bad \xff byte", IgnoreHotKey, nullptr);
    sim.AddScript("BM_Text.py",
                  "# -*- coding: utf-8 -*-\n"
                  "from __future__ import print_function\n"
                  "from XPLMDisplay import *\n"
                  "from XPLMMenus import *\n"
                  "from XPLMDefs import *\n"
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        self.Key = XPLMRegisterHotKey(self, XPLM_VK_F2, xplm_DownFlag, 'Höhe ✈', self.HotKey, 0)\n"
                  "        for key in (self.Key, XPLMGetNthHotKey(0)):\n"
                  "            description = []\n"
                  "            XPLMGetHotKeyInfo(key, None, None, description, None)\n"
                  "            print(type(description[0]) is str, repr(description[0]))\n"
                  "        self.Menu = XPLMCreateMenu(self, 'Zürich', XPLMFindPluginsMenu(), "
                  "XPLMAppendMenuItem(XPLMFindPluginsMenu(), 'Zürich', 0, 1), self.Chosen, 0)\n"
                  "        XPLMAppendMenuItem(self.Menu, 'Ä€ item', 7, 1)\n"
                  "        return 'Text', 'sig.text', ''\n"
                  "    def XPluginStop(self):\n"
                  "        XPLMUnregisterHotKey(self, self.Key)\n"
                  "    def HotKey(self, refcon):\n"
                  "        pass\n"
                  "    def Chosen(self, menuRef, itemRef):\n"
                  "        print('chosen', itemRef)\n");
    LoadBrindlemoor(true);
    // The simulator got UTF-8, so a user finds the item by its name.
    EXPECT_TRUE(bmhost::ChooseMenuItem("Plugins/Zürich/Ä€ item")) << sim.Log();
    std::vector<std::string> expected = {
        kPython3 ? "True 'Höhe ✈'" : "True 'H\\xc3\\xb6he \\xe2\\x9c\\x88'",
        kPython3 ? "True 'Bad \xef\xbf\xbd byte'" : "True 'Bad \\xff byte'",  // U+FFFD under 3
        "chosen 7"};
    EXPECT_EQ(Lines(sim.Output()), expected) << sim.Log();
    XPLMUnregisterHotKey(foreign);
}

TEST(Interpreter, ByteDataIsAByteStringBothWays) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Bytes.py",
                  "from __future__ import print_function\n"
                  "from XPLMDataAccess import *\n"
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        tail = XPLMFindDataRef('sim/aircraft/view/acf_tailnum')\n"
                  "        for value in (b'\\xffA\\x00B', u'\\xc4\\u20ac', [b'N1'], [0x4E, -1, 0]):\n"
                  "            XPLMSetDatab(tail, value, 0, 8)\n"
                  "            read = []\n"
                  "            XPLMGetDatab(tail, read, 0, 40)\n"
                  "            print(isinstance(read[0], bytes), bytearray(read[0]) == bytearray(b'\\xffA') or "
                  "list(bytearray(read[0])))\n"
                  "        return 'Bytes', 'sig.bytes', ''\n");
    LoadBrindlemoor(false);
    // Each value read back whole up to its first NUL, as a byte string, on both lines.
    EXPECT_EQ(Lines(sim.Output()), (std::vector<std::string>{"True True", "True [195, 132, 226, 130, 172]",
                                                              "True [78, 49]", "True [78, 255]"}))
        << sim.Log();
    char tail[8] = {};
    XPLMGetDatab(XPLMFindDataRef("sim/aircraft/view/acf_tailnum"), tail, 0, 8);
    EXPECT_EQ(std::string(tail, 3), std::string("N\xff\0", 3));
}

TEST(Interpreter, StandardStreamsAreFilesOfTheRunningPython) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Streams.py",
                  "from __future__ import print_function\n"
                  "import sys, logging, traceback, warnings\n"
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        print('out', 1, file=sys.stdout)\n"
                  "        print('err', 2, file=sys.stderr)\n"
                  "        answer = sys.stdout.write(u'caf\\xe9\\n')\n"
                  "        print(answer, sys.stdout.isatty(), sys.stderr.encoding, sys.stdout.name)\n"
                  "        sys.stdout.writelines(['a', 'b\\n'])\n"
                  "        if sys.version_info[0] >= 3:\n"
                  "            sys.stdout.write(b'raw \\xff\\n'.decode('utf-8', 'surrogateescape'))\n"
                  "        else:\n"
                  "            sys.stdout.write('raw \\xff\\n')\n"
                  "        logging.basicConfig(format='%(levelname)s %(message)s')\n"
                  "        logging.warning('careful')\n"
                  "        try:\n"
                  "            raise ValueError('shown')\n"
                  "        except ValueError:\n"
                  "            traceback.print_exc()\n"
                  "        warnings.warn('old ways')\n"
                  "        try:\n"
                  "            sys.stdout.fileno()\n"
                  "        except Exception as e:\n"
                  "            print('no fileno', type(e).__name__)\n"
                  "        return 'Streams', 'sig.streams', ''\n");
    LoadBrindlemoor(false);
    EXPECT_EQ(Lines(sim.Output()), (std::vector<std::string>{"out 1", "caf\xc3\xa9",
                                                              kPython3 ? "5 False utf-8 <stdout>"
                                                                       : "None False utf-8 <stdout>",
                                                              "ab", "raw \xff", "no fileno UnsupportedOperation"}));
    std::string log = sim.Log();
    EXPECT_EQ(Count(log, "err 2\n"), 1u);
    EXPECT_EQ(Count(log, "WARNING careful\n"), 1u);
    EXPECT_EQ(Count(log, "Traceback (most recent call last):\n"), 1u);
    EXPECT_EQ(Count(log, "ValueError: shown\n"), 1u);
    EXPECT_EQ(Count(log, "UserWarning: old ways\n"), 1u);
    EXPECT_EQ(Count(sim.Output(), "err 2"), 0u);
}

// A script that compiles another into a sourceless .pyc in the script folder itself, as older
// installations shipped them.
const char kCompiler[] =
    "import os, py_compile\n"
    "folder = os.path.dirname(os.path.abspath(__file__))\n"
    "source = os.path.join(folder, 'legacy_source.py')\n"
    "if os.path.exists(source):\n"
    "    py_compile.compile(source, cfile=os.path.join(folder, 'BM_Legacy.pyc'), dfile='BM_Legacy.py', doraise=True)\n"
    "    os.remove(source)\n"
    "class Brindlemoor:\n"
    "    def XPluginStart(self):\n"
    "        return 'Compiler', 'sig.compiler', ''\n";

TEST(Interpreter, SourcelessScriptsLoadAndTheBytecodeCacheIsNoScript) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Compiler.py", kCompiler);
    sim.AddScript("legacy_source.py",
                  "import sys\n"
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        sys.stdout.write('legacy started\\n')\n"
                  "        return 'Legacy', 'sig.legacy', ''\n");
    LoadBrindlemoor(false);
    bmhost::UnloadPlugins();
    ASSERT_TRUE(fs::exists(sim.ScriptFolder() + "/BM_Legacy.pyc")) << sim.Log();
    ASSERT_FALSE(fs::exists(sim.ScriptFolder() + "/legacy_source.py"));
    // A cached compilation without its source is no script either.
    fs::create_directories(sim.ScriptFolder() + "/__pycache__");
    fs::copy_file(sim.ScriptFolder() + "/BM_Legacy.pyc", sim.ScriptFolder() + "/__pycache__/BM_Stale.pyc");

    LoadBrindlemoor(false);
    std::string log = sim.Log();
    EXPECT_EQ(Count(log, "'BM_Legacy' successfully loaded\n"), 1u) << log;
    EXPECT_EQ(Count(log, "'BM_Compiler' successfully loaded\n"), 2u);
    EXPECT_EQ(Count(log, "successfully loaded"), 3u);
    EXPECT_EQ(Count(log, "pycache"), 0u);
    EXPECT_EQ(Count(log, "Stale"), 0u);
    EXPECT_EQ(sim.Output(), "legacy started\n");
}

TEST(Interpreter, NonAsciiNamesOfFilesAndScripts) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Zürich.py",
                  "# -*- coding: utf-8 -*-\n"
                  "import sys\n"
                  "class Brindlemoor:\n"
                  "    def XPluginStart(self):\n"
                  "        sys.stdout.write('started\\n')\n"
                  "        return 'Flughöhe ✈', 'sig.zürich', 'Zeigt die Höhe – in Fuß'\n");
    LoadBrindlemoor(false);
    EXPECT_EQ(Count(sim.Log(), "'BM_Zürich' successfully loaded\n"), 1u) << sim.Log();
    EXPECT_EQ(sim.Output(), "started\n");
    EXPECT_EQ(Count(sim.Log(), "Error"), 0u) << sim.Log();
}

}  // namespace
