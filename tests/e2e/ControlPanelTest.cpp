// The control panel and the script windows, driven as a pilot would: menu choices, clicks at the
// buttons' places and picks in the popup. What the consoles hold is read through the data refs
// the plug-in publishes for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "LoadPlugin.h"
#include "TestSupport.h"
#include "XPLMDataAccess.h"
#include "XPLMDisplay.h"
#include "XPLMMenus.h"
#include "XPLMUtilities.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

namespace fs = std::filesystem;
using Lines_t = std::vector<std::string>;

const char kControlPanel[] = "Plugins/Brindlemoor/Control Panel";
const char kEnableDisable[] = "Plugins/Brindlemoor/Script Enable \\/ Disable";
const char kInformation[] = "Plugins/Brindlemoor/Script Information";
const char kTitle[] = "Brindlemoor v1.92 - Python scripts for X-Plane";

// Where the panel's controls are, in screen coordinates (the panel's top-left at 500, 650).
struct Point {
    int x, y;
};
const Point kCloseBox{510, 640}, kStart{615, 184}, kStop{715, 184}, kOutputFile{781, 184}, kReload{615, 164},
    kClear{715, 164}, kReloadPlugins{815, 164}, kInfo{825, 144}, kPopup{675, 144};
// The enable/disable window (its top-left at 200, 550): a row's check box, Previous and Next.
Point AdminBox(int row) { return {467, 479 - 25 * row}; }
const Point kAdminPrevious{306, 277}, kAdminNext{387, 277}, kAdminClose{210, 540};
// The information window (top-left at 290, 680).
const Point kInfoPrevious{458, 234}, kInfoNext{538, 234};

void Click(Point p) {
    bmhost::Click(p.x, p.y);
    bmhost::RunFrames(1);
}

// The popup lays its items out from the chosen one, 12 pixels a row, over the button's top-left
// corner (575, 155): a first click opens it, a second picks.
void PickInPopup(int item, int chosenBefore) {
    Click(kPopup);
    Click({590, 155 - 12 * (item - chosenBefore) - 6});
}

Lines_t ConsoleItems(const char* dataRef) {
    XPLMDataRef ref = XPLMFindDataRef(dataRef);
    EXPECT_NE(ref, nullptr) << dataRef;
    if (!ref) return {};
    int size = XPLMGetDatab(ref, nullptr, 0, 0);
    std::string bytes(std::size_t(std::max(size, 0)), '\0');
    if (size > 0) bytes.resize(std::size_t(XPLMGetDatab(ref, &bytes[0], 0, size)));
    Lines_t items;
    for (std::size_t start = 0, end; (end = bytes.find('\0', start)) != std::string::npos; start = end + 1)
        items.push_back(bytes.substr(start, end - start));
    return items;
}
Lines_t Display() { return ConsoleItems("brindlemoor/consoles/display"); }
// The print console without the line ends that print sends as items of their own.
Lines_t Printed() {
    Lines_t items = ConsoleItems("brindlemoor/consoles/print"), kept;
    for (const std::string& item : items)
        if (item != "\n") kept.push_back(item);
    return kept;
}
// The items from the last one that equals `first` on.
Lines_t From(const Lines_t& items, const std::string& first) {
    auto it = std::find(items.rbegin(), items.rend(), first);
    return it == items.rend() ? Lines_t{} : Lines_t(std::prev(it.base()), items.end());
}

// The line of the widget tree that describes the first widget with this descriptor.
std::string WidgetLine(const std::string& descriptor) {
    std::stringstream tree(bmhost::WidgetTree());
    for (std::string line; std::getline(tree, line);)
        if (line.find("\"" + descriptor + "\"") != std::string::npos) return line;
    return "";
}
// A widget's enabled flag as the tree lists it ("7=1"); -1 when never set.
int EnabledFlag(const std::string& descriptor) {
    std::string line = WidgetLine(descriptor);
    std::size_t at = line.find(" 7=");
    return at == std::string::npos ? -1 : std::stoi(line.substr(at + 3));
}
bool Visible(const std::string& descriptor) { return WidgetLine(descriptor).find(" visible") != std::string::npos; }

// A script that prints each lifecycle call (its XPluginStart runs `more` too) and returns "<tag> name", "sig.<tag>"
// (or `signature`) and "<tag> desc".
std::string Recorder(const std::string& tag, const std::string& signature = "", const std::string& more = "") {
    std::string t = "'" + tag + "'";
    return "class Brindlemoor:\n"
           "    def XPluginStart(self):\n"
           "        print(" + t + " + ' start')\n"
           + more +
           "        return " + t + " + ' name', '" + (signature.empty() ? "sig." + tag : signature) + "', " + t +
           " + ' desc'\n"
           "    def XPluginStop(self):\n        print(" + t + " + ' stop')\n"
           "    def XPluginEnable(self):\n        print(" + t + " + ' enable')\n        return 1\n"
           "    def XPluginDisable(self):\n        print(" + t + " + ' disable')\n"
           "    def XPluginReceiveMessage(self, who, message, param):\n        pass\n";
}

// The lines the scripts printed since the last call.
class Output {
public:
    explicit Output(const bmtest::SimFolder& sim) : sim_(sim) {}
    Lines_t New() {
        Lines_t all = bmtest::Lines(sim_.Output());
        Lines_t fresh(all.begin() + std::ptrdiff_t(std::min(seen_, all.size())), all.end());
        seen_ = all.size();
        return fresh;
    }
    // The id a script printed as "<tag> id <hex>".
    std::string IdOf(const std::string& tag) {
        for (const std::string& line : bmtest::Lines(sim_.Output()))
            if (line.rfind(tag + " id ", 0) == 0) return line.substr(tag.size() + 4);
        return "?";
    }

private:
    const bmtest::SimFolder& sim_;
    std::size_t seen_ = 0;
};

TEST(ControlPanel, TheMenuBuildsThePanelOnceAndShowsItAgain) {
    bmtest::SimFolder sim;
    LoadBrindlemoor(true);
    Lines_t paths = bmhost::MenuItemPaths();
    EXPECT_EQ(paths, (Lines_t{"Plugins/Brindlemoor", kControlPanel, "Plugins/Brindlemoor/Script Enable / Disable",
                              kInformation}));
    // Choosing needs the '/' inside the name escaped; a lone '\' at the end names nothing.
    EXPECT_FALSE(bmhost::ChooseMenuItem("Plugins/Brindlemoor/Script Enable / Disable"));
    EXPECT_FALSE(bmhost::ChooseMenuItem("Plugins/Brindlemoor/Control Panel\\"));
    EXPECT_EQ(bmhost::MenuItemCheck(kEnableDisable), xplm_Menu_NoCheck);
    EXPECT_EQ(WidgetLine(kTitle), "");
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    bmhost::RunFrames(1);
    std::string tree = bmhost::WidgetTree();
    EXPECT_EQ(WidgetLine(kTitle), std::string("MainWindow 500,650,950,100 \"") + kTitle + "\" visible 1200=1") << tree;
    for (const char* line : {"  SubWindow 550,610,900,130 \"\" visible 1200=0",
                             "  Button 570,195,660,173 \" Start Python\" visible 7=0 1300=0",
                             "  Button 670,195,760,173 \" Stop Python\" visible 7=1 1300=0",
                             "  Button 770,195,792,173 \"\" visible 1300=1 1301=1 1302=1",
                             "  Caption 793,195,893,173 \"Enable Output File\" visible",
                             "  Button 570,175,660,153 \" Reload Scripts\" visible 7=1 1300=0",
                             "  Button 670,175,760,153 \" Clear LB\" visible 1300=0",
                             "  Button 770,175,860,153 \" Reload Plugins\" visible 1300=0",
                             "  Button 790,155,860,133 \" Script Info\" visible 1300=0"})
        EXPECT_NE(tree.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << tree;
    EXPECT_NE(tree.find("  custom 570,600,880,450 \"\" visible"), std::string::npos) << tree;
    EXPECT_NE(tree.find("  custom 570,440,880,210 \"\" visible"), std::string::npos) << tree;
    EXPECT_NE(tree.find("  custom 575,155,775,133 \"No Scripts Found;\" visible"), std::string::npos) << tree;

    // The close box hides the panel; the menu shows the same panel again.
    Click(kCloseBox);
    EXPECT_FALSE(Visible(kTitle));
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    EXPECT_TRUE(Visible(kTitle));
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    EXPECT_EQ(bmtest::Count(bmhost::WidgetTree(), kTitle), 1u);
    // The frame draws it: its title and a button's label.
    bmhost::RunFrames(1);
    bool title = false, label = false;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing()) {
        title = title || (op.call == "XPLMDrawString" && op.text == kTitle);
        label = label || (op.call == "XPLMDrawString" && op.text == " Reload Scripts");
    }
    EXPECT_TRUE(title);
    EXPECT_TRUE(label);
}

const char kTalker[] = R"(
from TallowbridgeUtilities import *
from XPLMProcessing import *
class Brindlemoor:
    def XPluginStart(self):
        TallowbridgeDisplay('one;two')
        TallowbridgeClearDisplay()
        TallowbridgePrint('a text of fifty characters whose blank is far away')
        self.Loop = self.Later
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        return 'Talker', 'sig.talker', ''
    def XPluginStop(self): pass
    def XPluginEnable(self): return 1
    def XPluginDisable(self): pass
    def XPluginReceiveMessage(self, who, message, param): pass
    def Later(self, since, elapsed, counter, refcon):
        TallowbridgeDisplay('three;four')
        return 0.0
)";

TEST(ControlPanel, PendingLinesBecomeItemsAndLaterLinesStayWhole) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Talker.py", kTalker);
    LoadBrindlemoor(true);
    // Before the panel exists the consoles hold nothing yet: the data refs tell what the pending
    // lines will become. Clearing then kept them.
    EXPECT_EQ(Display(), (Lines_t{"one", "two"}));
    // A blank at index 45 starts the second line.
    EXPECT_EQ(Printed(), (Lines_t{"a text of fifty characters whose blank is far", " away"}));
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    EXPECT_EQ(Display(), (Lines_t{"one", "two"}));
    // The list box draws its first item at its top-left corner.
    bmhost::RunFrames(1);
    bool drawn = false;
    for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
        drawn = drawn || (op.call == "XPLMDrawString" && op.text == "one" && op.numbers.size() >= 5 &&
                          op.numbers[3] == 570 && op.numbers[4] == 590);
    EXPECT_TRUE(drawn);
    // The flight loop's line came once the panel existed: one item, ';' and all.
    EXPECT_EQ(Display(), (Lines_t{"one", "two", "three;four"}));
    Click(kClear);
    EXPECT_EQ(Display(), Lines_t{});
    EXPECT_EQ(Printed(), Lines_t{});
}

TEST(ControlPanel, StopStartAndReloadReportTheirStepsAndSwitchTheButtons) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", Recorder("A"));
    sim.AddScript("BM_B.py", Recorder("B"));
    LoadBrindlemoor(true);
    Output out(sim);
    out.New();
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));

    Click(kStop);
    EXPECT_EQ(From(Printed(), "Stopping Python"), (Lines_t{"Stopping Python", "A disable", "A stop", "B disable",
                                                           "B stop", "Python Stopped"}));
    EXPECT_EQ(out.New(), (Lines_t{"A disable", "A stop", "B disable", "B stop"}));
    EXPECT_EQ(EnabledFlag(" Start Python"), 1);
    EXPECT_EQ(EnabledFlag(" Stop Python"), 0);
    EXPECT_EQ(EnabledFlag(" Reload Scripts"), 0);
    // Stop and Reload are disabled now: clicks on them change nothing.
    Click(kStop);
    Click(kReload);
    EXPECT_EQ(Printed().back(), "Python Stopped");

    Click(kStart);
    EXPECT_EQ(From(Printed(), "Starting Python"), (Lines_t{"Starting Python", "A start", "A enable", "B start",
                                                           "B enable", "Python Started"}));
    EXPECT_EQ(out.New(), (Lines_t{"A start", "A enable", "B start", "B enable"}));
    EXPECT_EQ(EnabledFlag(" Start Python"), 0);
    EXPECT_EQ(EnabledFlag(" Stop Python"), 1);
    EXPECT_EQ(EnabledFlag(" Reload Scripts"), 1);
    // The popup now shows the first script alone.
    EXPECT_NE(WidgetLine("BM_A"), "");

    Click(kReload);
    EXPECT_EQ(From(Printed(), "Stopping Python"),
              (Lines_t{"Stopping Python", "A disable", "A stop", "B disable", "B stop", "Python Stopped",
                       "Starting Python", "A start", "A enable", "B start", "B enable", "Python Started"}));
    EXPECT_EQ(EnabledFlag(" Start Python"), 0);
    EXPECT_EQ(EnabledFlag(" Stop Python"), 1);
    EXPECT_EQ(EnabledFlag(" Reload Scripts"), 1);
    // Every stop and start is in the log.
    EXPECT_EQ(bmtest::Count(sim.Log(), "--- LOGGING STOPPED ---"), 2u);
    EXPECT_EQ(bmtest::Count(sim.Log(), "+++ LOGGING STARTED +++"), 3u);
}

// A start that cannot be made (the installation's site raises) says why in the console and in
// both logs; Start stays pressable, tries again and reports again, and once the installation is
// mended it starts.
TEST(ControlPanel, AStartThatCannotBeMadeIsReportedAndTriedAgain) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", Recorder("A"));
    std::string home = sim.Root() + "home";
    bmtest::MakeLinkedPythonHome(home);
    setenv("PYTHONHOME", home.c_str(), 1);
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    Click(kStop);
    bmtest::BreakSite(home, true);

    std::string line = "Brindlemoor: cannot start Python " BM_PYTHON_LINE
                       ": importing site raised SystemExit: broken site; see " +
                       (fs::canonical(fs::path(BM_PLUGIN_PATH).parent_path().parent_path()) / "INSTALL.txt").string();
    for (std::size_t attempt = 1; attempt <= 2; ++attempt) {
        Click(kStart);
        Lines_t printed = From(Printed(), "Starting Python");
        ASSERT_FALSE(printed.empty());
        // The console breaks the line into rows at blanks (and inside a path longer than a row).
        std::string joined, unbroken = line;
        for (std::size_t i = 1; i < printed.size(); ++i) joined += printed[i];
        for (std::string* text : {&joined, &unbroken}) text->erase(std::remove(text->begin(), text->end(), ' '), text->end());
        EXPECT_EQ(joined, unbroken) << "attempt " << attempt;
        EXPECT_EQ(bmtest::Count(sim.Log(), line + "\n"), attempt);
        EXPECT_EQ(bmtest::Count(bmhost::SimLog(), line + "\n"), attempt);
        EXPECT_EQ(EnabledFlag(" Start Python"), 1);
        EXPECT_EQ(EnabledFlag(" Stop Python"), 0);
        EXPECT_EQ(EnabledFlag(" Reload Scripts"), 0);
    }

    bmtest::BreakSite(home, false);
    Click(kStart);
    EXPECT_EQ(From(Printed(), "Starting Python"), (Lines_t{"Starting Python", "A start", "A enable", "Python Started"}));
    EXPECT_EQ(EnabledFlag(" Stop Python"), 1);
    bmhost::UnloadPlugins();
    unsetenv("PYTHONHOME");
}

const char kBroken[] = "import no_such_module\n";

TEST(ControlPanel, ScriptInfoTellsOfThePoppedUpScript) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", Recorder("A"));
    sim.AddScript("BM_Broken.py", kBroken);
    sim.AddScript("BM_C.py", Recorder("C", "", "        print('C id %x' % id(self))\n"));
    LoadBrindlemoor(true);
    Output out(sim);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    EXPECT_NE(WidgetLine("BM_A;BM_Broken;BM_C;"), "");

    // A script that failed to load is in the popup, not in the table.
    PickInPopup(1, 0);
    Click(kInfo);
    EXPECT_EQ(Printed().back(), "Script Not Loaded");

    PickInPopup(2, 1);
    Click(kInfo);
    std::string id = out.IdOf("C");
    EXPECT_GT(id.size(), 8u) << "a 64-bit address";
    EXPECT_EQ(From(Printed(), "Script Information"),
              (Lines_t{"Script Information", "Script Id :- " + id, "Name :- C name", "Signature :- sig.C",
                       "Description :- C desc"}));

    // The popup's choice is a property anyone may set: one beyond the list picks nothing.
    XPWidgetID popup = bmhost::FindWidget("BM_A;BM_Broken;BM_C;");
    ASSERT_NE(popup, nullptr);
    for (intptr_t bogus : {intptr_t(3), intptr_t(-1), intptr_t(1) << 40}) {
        XPSetWidgetProperty(popup, 1800, bogus);
        XPSendMessageToWidget(popup, 1800, xpMode_UpChain, reinterpret_cast<intptr_t>(popup), bogus);
        Click(kInfo);
        EXPECT_EQ(Printed().back(), "Script Not Loaded") << bogus;
    }
    EXPECT_EQ(bmhost::SimLog().find("escaped"), std::string::npos) << bmhost::SimLog();
}

TEST(ControlPanel, ScriptInfoWithoutAScriptFolder) {
    bmtest::SimFolder sim("sim", false);
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    Click(kInfo);
    EXPECT_EQ(From(Printed(), "PythonScripts Directory Error"),
              (Lines_t{"PythonScripts Directory Error", "Check that the PythonScripts Directory exists"}));
}

const char kPrinter[] = R"(
from XPLMProcessing import *
class Brindlemoor:
    def XPluginStart(self):
        self.Loop, self.calls = self.Print, 0
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        return 'Printer', 'sig.printer', ''
    def Print(self, since, elapsed, counter, refcon):
        self.calls += 1
        print('call %d' % self.calls)
        return -1.0
)";

TEST(ControlPanel, TheOutputFileSwitch) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Printer.py", kPrinter);
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    bmhost::RunFrames(1);
    Click(kOutputFile);  // off: this frame's line goes to the console alone
    Click(kOutputFile);  // on again
    EXPECT_EQ(bmtest::Lines(sim.Output()), (Lines_t{"call 1", "call 3"}));
    EXPECT_EQ(From(Printed(), "call 1"), (Lines_t{"call 1", "call 2", "call 3"}));
    // A start from the panel switches the file on, whatever the box shows.
    Click(kOutputFile);
    Click(kStop);
    Click(kStart);
    EXPECT_NE(bmhost::WidgetTree().find("Button 770,195,792,173 \"\" visible 1300=1 1301=1 1302=0"),
              std::string::npos);
    EXPECT_EQ(bmtest::Lines(sim.Output()), (Lines_t{"call 1", "call 3", "call 1"}));
}

// The information window's row captions, as the widget tree lists them.
Lines_t InfoRows() {
    Lines_t rows;
    std::stringstream tree(bmhost::WidgetTree());
    bool inside = false;
    for (std::string line; std::getline(tree, line);) {
        if (line.rfind("MainWindow", 0) == 0) inside = line.find("\"Script Information\"") != std::string::npos;
        if (inside && line.rfind("  Caption", 0) == 0) {
            std::size_t open = line.find('"'), close = line.rfind('"');
            rows.push_back(line.substr(open + 1, close - open - 1));
        }
    }
    return rows;
}

TEST(ScriptWindows, WithoutScripts) {
    bmtest::SimFolder sim;
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kInformation));
    Lines_t rows = InfoRows();
    ASSERT_EQ(rows.size(), 24u);
    EXPECT_EQ(rows[0], "You do not have any Scripts installed.");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), ""), 23);
    EXPECT_EQ(EnabledFlag("Previous"), 0);
    EXPECT_EQ(EnabledFlag("Next"), 0);
    EXPECT_FALSE(Visible("Refresh"));

    ASSERT_TRUE(bmhost::ChooseMenuItem(kEnableDisable));
    std::string tree = bmhost::WidgetTree();
    EXPECT_NE(tree.find("MainWindow 200,550,494,245 \"Enable / Disable Scripts\" visible 1200=1"), std::string::npos)
        << tree;
    EXPECT_NE(tree.find("  Caption 220,512,510,496 \"You do not have any Scripts.\" visible"), std::string::npos);
    EXPECT_NE(tree.find("  Caption 429,512,525,496 \"\" visible"), std::string::npos);
    EXPECT_NE(tree.find("  Button 456,490,478,468 \"\" visible 7=0 1300=1 1301=1 1302=0"), std::string::npos) << tree;
}

TEST(ScriptWindows, EightScriptsAreOnePage) {
    bmtest::SimFolder sim;
    for (int n = 1; n <= 8; ++n) sim.AddScript("BM_S" + std::to_string(n) + ".py", Recorder("S" + std::to_string(n)));
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kEnableDisable));
    EXPECT_EQ(EnabledFlag("Previous"), 0);
    EXPECT_EQ(EnabledFlag("Next"), 0);
    Click(kAdminNext);
    EXPECT_NE(WidgetLine("S1 name"), "");
    EXPECT_EQ(bmtest::Count(bmhost::WidgetTree(), "\"\" visible 7=1 1300=1 1301=1 1302=1"), 8u);
}

TEST(ScriptWindows, EightScriptsFillOnePageAndANinthOpensASecond) {
    bmtest::SimFolder sim;
    for (int n = 1; n <= 9; ++n) sim.AddScript("BM_S" + std::to_string(n) + ".py", Recorder("S" + std::to_string(n)));
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kEnableDisable));
    EXPECT_EQ(WidgetLine("S1 name").rfind("  TextField 220,489,454,469 \"S1 name\" visible 7=0", 0), 0u);
    EXPECT_EQ(WidgetLine("S8 name").rfind("  TextField 220,314,454,294 \"S8 name\" visible 7=0", 0), 0u);
    EXPECT_EQ(EnabledFlag("Previous"), 0);
    EXPECT_EQ(EnabledFlag("Next"), 1);
    Click(kAdminNext);
    EXPECT_EQ(WidgetLine("S9 name").rfind("  TextField 220,489,454,469 \"S9 name\" visible 7=0", 0), 0u);
    EXPECT_EQ(WidgetLine("S1 name"), "");
    std::string tree = bmhost::WidgetTree();
    // Seven empty rows with unchecked, disabled boxes.
    EXPECT_EQ(bmtest::Count(tree, "\"\" visible 7=0 1300=1 1301=1 1302=0"), 7u) << tree;
    EXPECT_EQ(EnabledFlag("Previous"), 1);
    EXPECT_EQ(EnabledFlag("Next"), 0);
    Click(kAdminNext);  // already the last page
    EXPECT_NE(WidgetLine("S9 name"), "");
    Click(kAdminPrevious);
    Click(kAdminPrevious);
    EXPECT_NE(WidgetLine("S1 name"), "");
    EXPECT_EQ(WidgetLine("S9 name"), "");

    // The information window pages the same way.
    ASSERT_TRUE(bmhost::ChooseMenuItem(kInformation));
    Lines_t rows = InfoRows();
    ASSERT_EQ(rows.size(), 24u);
    EXPECT_EQ(rows[4], "Signature: sig.S2");
    EXPECT_EQ(rows[5], "S2 desc");
    Click(kInfoNext);
    rows = InfoRows();
    EXPECT_EQ(rows[1], "Signature: sig.S9");
    EXPECT_EQ(std::count(rows.begin(), rows.end(), ""), 21);
    Click(kInfoPrevious);
    EXPECT_EQ(InfoRows()[1], "Signature: sig.S1");
}

TEST(ScriptWindows, BoxesEnableAndDisableTheScriptsOfThePage) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", Recorder("A", "", "        print('A id %x' % id(self))\n"));
    sim.AddScript("BM_B.py", Recorder("B", "sig.shared"));
    sim.AddScript("BM_C.py", Recorder("C", "sig.shared"));
    LoadBrindlemoor(true);
    Output out(sim);
    std::string idA = out.IdOf("A");
    out.New();
    ASSERT_TRUE(bmhost::ChooseMenuItem(kInformation));
    ASSERT_TRUE(bmhost::ChooseMenuItem(kEnableDisable));

    Click(AdminBox(1));  // B off
    EXPECT_EQ(out.New(), (Lines_t{"A enable", "B disable", "C enable"}));
    EXPECT_EQ(WidgetLine("B name").find("TextField"), 2u);
    // The information window follows: both shared-signature rows name the first of them.
    Lines_t rows = InfoRows();
    EXPECT_EQ(rows[0], "(" + idA + ") A name (Enabled)");
    EXPECT_EQ(rows[3].substr(rows[3].find(')')), ") B name (Disabled)");
    EXPECT_EQ(rows[6].substr(0, rows[6].find(')')), rows[3].substr(0, rows[3].find(')')));
    EXPECT_EQ(rows[6].substr(rows[6].find(')')), ") C name (Enabled)");

    // B's box stays unchecked: unchecking A calls nothing of B.
    Click(AdminBox(0));
    EXPECT_EQ(out.New(), (Lines_t{"A disable", "C enable"}));
    // Messages and flight loops pass the disabled scripts by.
    bmhost::BroadcastMessage(XPLM_PLUGIN_XPLANE, 101, nullptr);
    Click(AdminBox(1));
    EXPECT_EQ(out.New(), (Lines_t{"B enable", "C enable"}));

    // A new window takes a new snapshot and starts on page 0.
    Click(kAdminClose);
    EXPECT_FALSE(Visible("Enable / Disable Scripts"));
    ASSERT_TRUE(bmhost::ChooseMenuItem(kEnableDisable));
    EXPECT_TRUE(Visible("Enable / Disable Scripts"));
    EXPECT_EQ(bmtest::Count(bmhost::WidgetTree(), "\"Enable / Disable Scripts\""), 1u);
    EXPECT_NE(bmhost::WidgetTree().find("\"\" visible 7=1 1300=1 1301=1 1302=0"), std::string::npos);
}

int gHotKeys = 0;
void CountHotKey(void*) { ++gHotKeys; }

const char kSwallower[] = R"(
from XPLMDisplay import *
class Brindlemoor:
    def XPluginStart(self):
        self.Sniff = self.Sniffed
        XPLMRegisterKeySniffer(self, self.Sniff, 1, 0)
        return 'Swallower', 'sig.swallower', ''
    def Sniffed(self, char, flags, vkey, refcon):
        return 0
)";

TEST(ScriptWindows, ADisabledScriptsKeySnifferLetsKeysThrough) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Swallower.py", kSwallower);
    LoadBrindlemoor(true);
    gHotKeys = 0;
    XPLMRegisterHotKey(XPLM_VK_F6, xplm_DownFlag, "count", CountHotKey, nullptr);
    bmhost::PressKey(0, XPLM_VK_F6);
    EXPECT_EQ(gHotKeys, 0);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kEnableDisable));
    Click(AdminBox(0));
    bmhost::PressKey(0, XPLM_VK_F6);
    EXPECT_EQ(gHotKeys, 1);
    Click(AdminBox(0));
    bmhost::PressKey(0, XPLM_VK_F6);
    EXPECT_EQ(gHotKeys, 1);
}

// A script that presses the panel's buttons itself, through messages, from a flight loop.
const char kPresser[] = R"(
from XPWidgetDefs import *
from XPWidgets import *
from XPStandardWidgets import *
from XPLMProcessing import *
import os
class Brindlemoor:
    def XPluginStart(self):
        self.Loop = self.Press
        XPLMRegisterFlightLoopCallback(self, self.Loop, -1.0, 0)
        return 'Presser', 'sig.presser', ''
    def Press(self, since, elapsed, counter, refcon):
        path = os.path.join(os.path.dirname(__file__), 'buttons.txt')
        if os.path.exists(path):
            for button in open(path).read().split():
                XPSendMessageToWidget(int(button), xpMsg_PushButtonPressed, xpMode_UpChain, int(button), 0)
            os.remove(path)
            print('pressed')
        return -1.0
)";

TEST(ControlPanel, AScriptCannotStopOrReloadTheInterpreterUnderItself) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Presser.py", kPresser);
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    std::ofstream(sim.ScriptFolder() + "buttons.txt")
        << reinterpret_cast<intptr_t>(bmhost::FindWidget(" Stop Python")) << " "
        << reinterpret_cast<intptr_t>(bmhost::FindWidget(" Reload Scripts")) << " "
        << reinterpret_cast<intptr_t>(bmhost::FindWidget(" Script Info")) << "\n";
    bmhost::RunFrames(2);
    EXPECT_NE(sim.Log().find("Brindlemoor - Stop Python was pressed while script code runs: ignored\n"),
              std::string::npos)
        << sim.Log();
    EXPECT_NE(sim.Log().find("Brindlemoor - Reload Scripts was pressed while script code runs: ignored\n"),
              std::string::npos);
    EXPECT_EQ(bmtest::Count(sim.Log(), "--- LOGGING STOPPED ---"), 0u);
    // Harmless buttons still work for it.
    Lines_t told = From(Printed(), "Script Information");
    ASSERT_EQ(told.size(), 6u);
    EXPECT_EQ(told[2], "Name :- Presser");
    EXPECT_EQ(told[5], "pressed");
    EXPECT_EQ(bmtest::Lines(sim.Output()), (Lines_t{"pressed"}));
}

TEST(ControlPanel, FailingWidgetCallsNeverReachTheScripts) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_Talker.py", kTalker);
    LoadBrindlemoor(true);
    // Half a panel is taken down again; the next choice builds it whole.
    bmhost::FailNextCall("XPAddWidgetCallback");
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    EXPECT_EQ(WidgetLine(kTitle), "");
    EXPECT_NE(sim.Log().find("Brindlemoor - creating the control panel failed: "), std::string::npos) << sim.Log();
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    EXPECT_TRUE(Visible(kTitle));
    // The flight loop's display line meets a failing list box: the script goes on.
    bmhost::FailNextCall("XPSetWidgetDescriptor");
    bmhost::RunFrames(1);
    EXPECT_NE(sim.Log().find("Brindlemoor - AddDisplayItem failed: "), std::string::npos) << sim.Log();
    EXPECT_EQ(sim.Log().find("Traceback"), std::string::npos) << sim.Log();
    bmhost::FailNextCall("XPLMReloadPlugins");
    Click(kReloadPlugins);
    EXPECT_NE(sim.Log().find("Brindlemoor - the control panel failed: "), std::string::npos) << sim.Log();
    bmhost::FailNextCall("XPCreateWidget");
    ASSERT_TRUE(bmhost::ChooseMenuItem(kInformation));
    EXPECT_NE(sim.Log().find("Brindlemoor - creating the script information window failed: "), std::string::npos);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kInformation));
    EXPECT_TRUE(Visible("Script Information"));
    EXPECT_EQ(bmhost::SimLog().find("escaped"), std::string::npos) << bmhost::SimLog();
}

TEST(ControlPanel, ReloadPluginsStartsTheWholePlugInAfresh) {
    bmtest::SimFolder sim;
    sim.AddScript("BM_A.py", Recorder("A"));
    LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    ASSERT_TRUE(bmhost::ChooseMenuItem(kInformation));
    Click(kReloadPlugins);
    // The stand-in carries out a reload asked for in a click when it next enables plug-ins.
    bmhost::EnablePlugins();
    EXPECT_EQ(bmtest::Count(sim.Log(), "+++ LOGGING STARTED +++"), 2u);
    EXPECT_EQ(WidgetLine(kTitle), "");
    EXPECT_EQ(bmhost::WidgetCount(), 0);
    EXPECT_EQ(bmhost::MenuItemPaths().size(), 4u);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    EXPECT_TRUE(Visible(kTitle));
}

// The count of the interpreter's objects that scripts make (see LifetimeTest), printed by a
// script at each start.
const char kCounter[] = R"(
class Brindlemoor:
    def XPluginStart(self):
        return 'Counter', 'sig.counter', ''
    def XPluginEnable(self):
        import gc
        interpreters = lambda m: '__excepthook__' in vars(m) or 'BaseException' in vars(m) or vars(m).get('__name__') == '_warnings'
        gc.collect()
        n = len([o for o in gc.get_objects() if type(o).__name__ in ('instance', 'instancemethod', 'method', 'function', 'classobj', 'frame', 'generator', 'cell') or type(o).__name__ == 'module' and not interpreters(o) or type(type(o)).__name__ == 'type' and type(o).__module__ not in ('__builtin__', 'exceptions', 'builtins')])
        n += len([c for c in object.__subclasses__() if c.__module__ not in ('_frozen_importlib', '_frozen_importlib_external', 'codecs', 'ast')])
        print('objects %d' % n)
        return 1
)";

TEST(ControlPanel, FiftyReloadsLeaveWhatOneReloadLeaves) {
    bmtest::SimFolder sim;
    for (const auto& file : fs::directory_iterator(BM_EXAMPLES))  // the worker's thread makes objects as it runs
        if (file.path().extension() == ".py" && file.path().stem() != "BM_Worker")
            sim.AddScript(file.path().filename().string(), bmtest::ReadFile(file.path().string()));
    sim.AddScript("BM_ZCounter.py", kCounter);
    XPLMPluginID id = LoadBrindlemoor(true);
    ASSERT_TRUE(bmhost::ChooseMenuItem(kControlPanel));
    bmhost::RunFrames(2);
    Output out(sim);
    out.New();
    auto objects = [&] {
        Lines_t counts;
        for (const std::string& line : out.New())
            if (line.rfind("objects ", 0) == 0) counts.push_back(line);
        EXPECT_EQ(counts.size(), 1u);
        return counts.empty() ? std::string() : counts.back();
    };
    Click(kReload);
    bmhost::RunFrames(2);
    const int registrations = bmhost::RegistrationCount(id), widgets = bmhost::WidgetCount(id);
    objects();
    Click(kReload);
    bmhost::RunFrames(2);
    const std::string counted = objects();
    for (int reload = 3; reload <= 50; ++reload) {
        Click(kReload);
        bmhost::RunFrames(2);
        ASSERT_EQ(objects(), counted) << "reload " << reload;
    }
    EXPECT_EQ(bmhost::RegistrationCount(id), registrations);
    EXPECT_EQ(bmhost::WidgetCount(id), widgets);
    EXPECT_GT(registrations, 5);
    EXPECT_EQ(bmtest::Count(sim.Log(), "+++ LOGGING STARTED +++"), 51u);
}

}  // namespace
