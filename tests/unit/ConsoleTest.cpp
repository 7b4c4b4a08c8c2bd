#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "TestSupport.h"
#include "WidgetStuff.h"
#include "bmhost/Control.h"

using Rows = std::vector<std::string>;

TEST(ConsoleLines, ShortTextsStayOneLine) {
    EXPECT_EQ(SplitConsoleText("abc"), (Rows{"abc"}));
    std::string exactly45(45, 'x');
    EXPECT_EQ(SplitConsoleText(exactly45.c_str()), (Rows{exactly45}));
    EXPECT_EQ(SplitConsoleText(""), Rows{});
}

TEST(ConsoleLines, BreaksAtTheLastBlankAndDropsIt) {
    std::string text = std::string(20, 'a') + " " + std::string(29, 'b');  // 50 characters
    EXPECT_EQ(SplitConsoleText(text.c_str()), (Rows{std::string(20, 'a'), std::string(29, 'b')}));
}

TEST(ConsoleLines, ABlankAtIndex45StartsTheSecondLine) {
    std::string text = std::string(45, 'a') + " ";  // 46 characters
    EXPECT_EQ(SplitConsoleText(text.c_str()), (Rows{std::string(45, 'a'), " "}));
}

TEST(ConsoleLines, TextsWithoutBlanksAreCutHard) {
    std::string text(100, 'z');
    EXPECT_EQ(SplitConsoleText(text.c_str()),
              (Rows{std::string(45, 'z'), std::string(45, 'z'), std::string(10, 'z')}));
    // A blank only at index 0 does not count as a break.
    std::string leading = " " + std::string(59, 'y');
    EXPECT_EQ(SplitConsoleText(leading.c_str())[0], leading.substr(0, 45));
}

// A long line keeps every character, in as many rows as it takes (only the blanks rows break
// at go).
TEST(ConsoleLines, EveryCharacterOfALongLineIsKept) {
    std::string text;
    for (int i = 0; text.size() < 5000; ++i) text += "word" + std::to_string(i) + " ";
    std::string joined, unbroken;
    for (const std::string& row : SplitConsoleText(text.c_str())) {
        EXPECT_LE(row.size(), 45u);
        joined += row;
    }
    for (std::string* t : {&joined, &(unbroken = text)}) t->erase(std::remove(t->begin(), t->end(), ' '), t->end());
    EXPECT_EQ(joined, unbroken);
    EXPECT_EQ(SplitConsoleText(std::string(4000, 'q').c_str()).size(), 89u);
}

TEST(ConsolePending, LinesWaitUntilTheConsoleExists) {
    std::string before = PendingPrintText();
    AddPrintItem("one;two");
    AddPrintItem(std::string(100, 'z').c_str());
    ClearPrint();  // no console yet: the pending text is kept
    std::string expected = "one;two;" + std::string(45, 'z') + ";" + std::string(45, 'z') + ";" +
                           std::string(10, 'z') + ";";
    EXPECT_EQ(PendingPrintText(), before + expected);

    std::string display = PendingDisplayText();
    AddDisplayItem("shown");
    EXPECT_EQ(PendingDisplayText(), display + "shown;");
}

TEST(ConsolePending, AFullPendingTextDropsFurtherLines) {
    std::string line(40, 'p');
    for (int i = 0; i < 400; ++i) AddDisplayItem(line.c_str());
    const std::string& pending = PendingDisplayText();
    EXPECT_LT(pending.size(), 8192u);
    EXPECT_GT(pending.size(), 7999u);
    std::string full = pending;
    AddDisplayItem("late");
    EXPECT_EQ(PendingDisplayText(), full);
}

// The panel built in this process (no plug-in around it): its consoles are the list boxes.
class ConsolePanel : public ::testing::Test {
protected:
    void SetUp() override {
        DestroyWidgets();  // whatever earlier tests left pending goes
        SetupWidgets("");
    }
    void TearDown() override { DestroyWidgets(); }
    bmtest::SimFolder sim_;
};

TEST_F(ConsolePanel, PendingLinesBecomeTheFirstItemsAndLaterLinesStayWhole) {
    AddPrintItem("before;the panel");
    ClearPrint();
    BrindlemoorMenuHandler(nullptr, const_cast<char*>("ControlPanel"));
    ASSERT_NE(BrindlemoorPrintConsole, nullptr);
    EXPECT_EQ(BM_MenuItem1, 1);
    EXPECT_EQ(PrintConsoleItems(), (std::vector<std::string>{"before", "the panel"}));
    EXPECT_EQ(PendingPrintText(), "before;the panel;");  // until the next line comes
    AddPrintItem("after;the panel");
    EXPECT_EQ(PrintConsoleItems(), (std::vector<std::string>{"before", "the panel", "after;the panel"}));
    EXPECT_EQ(PendingPrintText(), "");
    ClearPrint();
    EXPECT_TRUE(PrintConsoleItems().empty());
    // Once the plug-in stops, lines wait again.
    DestroyWidgets();
    AddPrintItem("late");
    EXPECT_EQ(PendingPrintText(), "late;");
}

// What the standard streams write: joined up to each line end, one item per line, the text after
// the last line end shown as the last item and completed in place. The same items whether the
// panel was built before the writes or after them. A write starting with '!' is an item added
// as a whole (a report) instead.
TEST_F(ConsolePanel, StreamWritesBecomeOneItemPerLine) {
    const std::string long1(40, 'a'), long2(40, 'b');
    struct Case {
        const char* name;
        std::vector<std::string> writes;
        Rows items;
    } cases[] = {
        {"a print", {"abc", "\n"}, {"abc"}},
        {"a print of several values", {"a", " ", "b", "\n"}, {"a b"}},
        {"an empty print", {"\n"}, {""}},
        {"lines in one write", {"one\ntwo\n"}, {"one", "two"}},
        {"Windows line ends", {"x\r\n", "\r\n"}, {"x", ""}},
        {"a line not yet ended", {"partial"}, {"partial"}},
        {"a line ended later", {"par", "tial", " done\nnext"}, {"partial done", "next"}},
        {"a traceback",
         {"Traceback (most recent call last):\n", "  File \"BM_A.py\", line 1, in <module>\n", "ImportError", ": ",
          "No module named foo", "\n"},
         {"Traceback (most recent call last):", "  File \"BM_A.py\", line 1, in <module>", "ImportError: No module named foo"}},
        {"a long line in pieces", {long1, " ", long2, "\n"}, {long1, long2}},
        {"a report after a line not yet ended", {"partial", "!report", "more\n"}, {"partial", "report", "more"}},
    };
    for (bool panelFirst : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (panelFirst ? ", panel built first" : ", panel built after"));
            DestroyWidgets();
            SetupWidgets("");
            if (panelFirst) BrindlemoorMenuHandler(nullptr, const_cast<char*>("ControlPanel"));
            for (const std::string& write : c.writes) {
                if (write[0] == '!')
                    AddPrintItem(write.c_str() + 1);
                else
                    AddPrintText(write.c_str());
            }
            EXPECT_EQ(PrintConsoleItems(), c.items);
            if (!panelFirst) BrindlemoorMenuHandler(nullptr, const_cast<char*>("ControlPanel"));
            ASSERT_NE(BrindlemoorPrintConsole, nullptr);
            EXPECT_EQ(PrintConsoleItems(), c.items);
        }
    }
    // Cleared, the line not yet ended goes with the rest.
    AddPrintText("gone");
    ClearPrint();
    AddPrintText("new\n");
    EXPECT_EQ(PrintConsoleItems(), Rows{"new"});
    // Written on a script's thread: joined on the simulator's thread, at its next text.
    std::thread([] {
        AddPrintText("from a ");
        AddPrintText("thread\n");
    }).join();
    EXPECT_EQ(PrintConsoleItems(), Rows{"new"});
    AddPrintText("main\n");
    EXPECT_EQ(PrintConsoleItems(), (Rows{"new", "from a thread", "main"}));
}

TEST_F(ConsolePanel, ALineCostsTheSameInAConsoleOfAHundredThousand) {
    BrindlemoorMenuHandler(nullptr, const_cast<char*>("ControlPanel"));
    ASSERT_NE(BrindlemoorDisplayConsole, nullptr);
    int calls = 0;
    bmhost::SetSdkCallListener([&](const char*) { ++calls; });
    AddDisplayItem("the first line");
    const int first = calls;
    for (int i = 1; i < 100000; ++i) AddDisplayItem("a line of the console");
    calls = 0;
    AddDisplayItem("the last line");
    bmhost::SetSdkCallListener(nullptr);
    EXPECT_EQ(calls, first);
    std::vector<std::string> items = DisplayConsoleItems();
    ASSERT_EQ(items.size(), 100001u);
    EXPECT_EQ(items.back(), "the last line");
    EXPECT_EQ(PendingDisplayText(), "");
}

TEST(ScriptIds, AreWrittenWithEveryBit) {
    EXPECT_EQ(ScriptIdText(reinterpret_cast<void*>(uintptr_t(0xB700000000001))), "b700000000001");
    EXPECT_EQ(ScriptIdText(nullptr), "0");
}
