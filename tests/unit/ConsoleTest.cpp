#include <gtest/gtest.h>

#include "WidgetStuff.h"

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
