#include <gtest/gtest.h>

#include "TestSupport.h"
#include "WidgetStuff.h"
#include "bmhost/Control.h"

using Lines3 = std::array<std::string, 3>;

TEST(ConsoleLines, ShortTextsStayOneLine) {
    EXPECT_EQ(SplitConsoleText("abc"), (Lines3{"abc", "", ""}));
    std::string exactly45(45, 'x');
    EXPECT_EQ(SplitConsoleText(exactly45.c_str()), (Lines3{exactly45, "", ""}));
}

TEST(ConsoleLines, BreaksAtTheLastBlankAndDropsIt) {
    std::string text = std::string(20, 'a') + " " + std::string(29, 'b');  // 50 characters
    Lines3 lines = SplitConsoleText(text.c_str());
    EXPECT_EQ(lines[0], std::string(20, 'a'));
    EXPECT_EQ(lines[1], std::string(29, 'b'));
    EXPECT_EQ(lines[2], "");
}

TEST(ConsoleLines, ABlankAtIndex45StartsTheSecondLine) {
    std::string text = std::string(45, 'a') + " ";  // 46 characters
    EXPECT_EQ(SplitConsoleText(text.c_str()), (Lines3{std::string(45, 'a'), " ", ""}));
}

TEST(ConsoleLines, TextsWithoutBlanksAreCutHard) {
    std::string text(100, 'z');
    EXPECT_EQ(SplitConsoleText(text.c_str()),
              (Lines3{std::string(45, 'z'), std::string(45, 'z'), std::string(10, 'z')}));
    // A blank only at index 0 does not count as a break.
    std::string leading = " " + std::string(59, 'y');
    EXPECT_EQ(SplitConsoleText(leading.c_str())[0], leading.substr(0, 45));
}

TEST(ConsoleLines, TheSecondLineHoldsAtMost255Characters) {
    std::string text(4000, 'q');
    Lines3 lines = SplitConsoleText(text.c_str());
    EXPECT_EQ(lines[0].size(), 45u);
    EXPECT_EQ(lines[1].size(), 45u);
    EXPECT_EQ(lines[2].size(), 210u);
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
