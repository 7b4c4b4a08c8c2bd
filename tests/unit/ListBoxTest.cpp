// The list box on the stand-in: one list box in a main window, driven by the mouse, by requests
// as the control panel sends them, and by hostile property values. The colour data refs are
// looked up once per process; each test runs in a process of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "BM_ListBox.h"
#include "TestSupport.h"
#include "XPStandardWidgets.h"
#include "XPUIGraphics.h"
#include "XPWidgets.h"
#include "bmhost/Control.h"

namespace {

using Lines = std::vector<std::string>;
using Values = std::vector<intptr_t>;

std::string Numbered(int count) {  // "i0;i1;...", as one descriptor
    std::string text;
    for (int i = 0; i < count; ++i) text += (i ? ";i" : "i") + std::to_string(i);
    return text;
}

int gInside = 0;  // messages of a list box made with Watched (below) under way
Lines gChosen;    // announcements that reached the window: "<param2> <the list's descriptor>"

int Listen(XPWidgetMessage message, XPWidgetID, intptr_t list, intptr_t selection) {
    if (message != xpMsg_ListItemChosen) return 0;
    int inside = gInside;  // what the listener calls is not the list box's doing
    gInside = 0;
    char text[64] = {0};
    XPGetWidgetDescriptor(reinterpret_cast<XPWidgetID>(list), text, sizeof text - 1);
    gChosen.push_back(std::to_string(selection) + " " + text);
    gInside = inside;
    return 1;
}

// A list box from (110, 660) to (410, 540): text from x 110 to 390 (40 characters of 7 pixels),
// ten rows of 12 pixels (row k's text at y 650 - 12k), and a scroll bar from x 390 to 410 with
// buttons 20 high and a thumb 20 long.
class ListBox : public ::testing::Test {
public:
    void SetUp() override {
        gChosen.clear();
        window = XPCreateWidget(100, 700, 500, 300, 1, "Consoles", 1, nullptr, xpWidgetClass_MainWindow);
        XPAddWidgetCallback(window, Listen);
    }
    void Make(const std::string& items, int top = 660, int bottom = 540) {
        list = function ? XPCreateCustomWidget(110, top, 410, bottom, 1, items.c_str(), 0, window, function)
                        : BM_CreateListBox(110, top, 410, bottom, 1, items.c_str(), window);
    }
    intptr_t Get(int property) const { return XPGetWidgetProperty(list, property, nullptr); }
    void Set(int property, intptr_t value) const { XPSetWidgetProperty(list, property, value); }
    void Request(int property, const std::string& descriptor) const {  // as the control panel does
        XPSetWidgetDescriptor(list, descriptor.c_str());
        Set(property, 1);
    }
    Lines Items() const { return BM_ListBoxItems(list) ? BM_ListBoxItems(list)->Items : Lines{"(none)"}; }
    Values Scroll() const {  // position, maximum, selection
        return {Get(xpProperty_ListScrollPosition), Get(xpProperty_ListScrollMax), Get(xpProperty_ListSelection)};
    }
    static Lines Frame() {  // what the list box drew in a new frame
        bmhost::RunFrames(1);
        Lines calls;
        for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
            if (!calls.empty() || (op.call == "XPDrawWindow" && op.numbers.back() == xpWindow_ListView))
                calls.push_back(op.ToString());
        return calls;
    }
    static Lines Rows(double x = 110) {  // the texts drawn at x in a new frame, "<y> <text>"
        Lines rows;
        bmhost::RunFrames(1);
        for (const bmhost::DrawOp& op : bmhost::LastFrameDrawing())
            if (op.call == "XPLMDrawString" && op.numbers[3] == x)
                rows.push_back(std::to_string(long(op.numbers[4])) + " " + op.text);
        return rows;
    }

    bmtest::SimFolder sim;
    XPWidgetID window = nullptr, list = nullptr;
    XPWidgetFunc_t function = nullptr;  // the list box's widget function, when not its own
};

TEST(ListBoxItems, TextsSplitAtEverySemicolon) {
    const std::pair<const char*, Lines> cases[] = {{"a;b", {"a", "b"}}, {"a;;b", {"a", "", "b"}}, {"a;b;", {"a", "b"}},
                                                   {";a", {"", "a"}},   {";", {""}},              {"", {}}};
    for (const auto& c : cases) {
        BM_ListBoxData_t data;
        BM_ListBoxFillWithData(&data, c.first, 280);
        EXPECT_EQ(data.Items, c.second) << c.first;
        EXPECT_EQ(data.Rights, std::vector<int>(c.second.size(), 280)) << c.first;
        EXPECT_EQ(data.Lefts, std::vector<int>(c.second.size(), 0)) << c.first;
    }
}

TEST_F(ListBox, ShowsItsFirstItemsWithTheSelectionLitAndCutsThemToWholeCharacters) {
    Make("alpha;beta;" + std::string(45, 'w'));
    EXPECT_EQ(Get(xpProperty_ListData), reinterpret_cast<intptr_t>(BM_ListBoxItems(list)));
    Values properties;
    for (int p : {1900, 1907, 1908, 1909, 1910, 1911, 1912}) properties.push_back(Get(p));
    EXPECT_EQ(properties, (Values{0, 10, 0, 0, 3, 3, 10}));
    EXPECT_EQ(Frame(), (Lines{"XPDrawWindow(110, 540, 390, 660, 5)", "XPDrawTrack(390, 540, 410, 660, 0, 3, 3, 0, 0)",
                              "XPLMSetGraphicsState(0, 1, 0, 0, 1, 0, 0)", "XPLMBindTexture2d(1000, 0)",
                              "glColor4f(1, 1, 1, 1)", "XPLMSetGraphicsState(0, 0, 0, 0, 0, 0, 0)",
                              "XPLMSetGraphicsState(0, 0, 0, 0, 1, 0, 0)", "glColor4fv(0.25, 0.32, 0.35, 0.25)",
                              "glBegin(7)", "glVertex2i(110, 660)", "glVertex2i(390, 660)", "glVertex2i(390, 648)",
                              "glVertex2i(110, 648)", "glEnd()",
                              "XPLMDrawString(0.9, 0.9, 0.9, 110, 650, 0, 0, \"alpha\")",
                              "XPLMDrawString(0.9, 0.9, 0.9, 110, 638, 0, 0, \"beta\")",
                              "XPLMDrawString(0.9, 0.9, 0.9, 110, 626, 0, 0, \"" + std::string(40, 'w') + "\")"}));
    EXPECT_EQ(BM_ListBoxItems(window), nullptr);
    EXPECT_EQ(XPSendMessageToWidget(list, xpMsg_Shown, xpMode_Direct, 0, 0), 0);  // not one of its messages
    EXPECT_EQ(XPSendMessageToWidget(list, xpMsg_DescriptorChanged, xpMode_Direct, 0, 0), 1);

    Request(xpProperty_ListRefill, std::string(600, 'h') + ";" + Numbered(20));
    EXPECT_EQ(Rows().size(), 10u);  // ten of 21 fit
    Set(xpProperty_ListVisibleRows, INTPTR_MAX);
    EXPECT_EQ(Rows().size(), 10u);
    XPSetWidgetGeometry(list, 110, 660, 5000, 540);  // wide: the 512-character buffer cuts
    EXPECT_EQ(Rows()[0], "650 " + std::string(511, 'h'));
    XPSetWidgetGeometry(list, 110, 660, 120, 540);  // narrower than its scroll bar: no characters
    EXPECT_EQ(Rows()[0], "650 ");
}

TEST_F(ListBox, RequestsChangeTheItemsAndAppendingShowsTheFirstAgain) {
    Make(Numbered(30));
    Set(xpProperty_ListScrollPosition, 5);
    EXPECT_EQ(Rows()[0], "650 i25");
    Request(xpProperty_ListAppendItem, "new;line");
    EXPECT_EQ(Items().back(), "new;line");
    EXPECT_EQ(Scroll(), (Values{31, 31, 0}));
    EXPECT_EQ(Get(xpProperty_ListAppendItem), 0);
    EXPECT_EQ(Rows()[0], "650 i0");

    Request(xpProperty_ListRefill, "x;y;z");
    Set(xpProperty_ListSelection, 1);
    Request(xpProperty_ListInsertItem, "in");
    EXPECT_EQ(Items(), (Lines{"x", "in", "y", "z"}));
    Set(xpProperty_ListScrollPosition, 0);
    Set(xpProperty_ListDeleteItem, 1);
    EXPECT_EQ(Items(), (Lines{"x", "y", "z"}));
    EXPECT_EQ(Scroll(), (Values{0, 3, 1}));  // insert and delete leave them: scrolled past the end
    EXPECT_EQ(Rows(), Lines{});
    for (intptr_t beyond : {intptr_t(3), intptr_t(-1)}) {  // nothing to delete
        Set(xpProperty_ListSelection, beyond);
        Set(xpProperty_ListDeleteItem, 1);
    }
    Request(xpProperty_ListInsertItem, "top");  // no selection: before the first
    Set(xpProperty_ListSelection, INTPTR_MAX);
    Request(xpProperty_ListInsertItem, "end");
    EXPECT_EQ(Items(), (Lines{"top", "x", "y", "z", "end"}));

    Set(xpProperty_ListClear, 1);
    EXPECT_EQ(Items(), Lines{});
    EXPECT_EQ(Scroll(), (Values{0, 0, 0}));
    Request(xpProperty_ListAppendItem, std::string(5000, 'a'));
    EXPECT_EQ(Items(), Lines{std::string(4095, 'a')});
}

TEST_F(ListBox, ClicksSelectTheRowsItemAndTheScrollBarMovesWithinItsRange) {
    Make(Numbered(30));
    bmhost::Click(200, 631);  // row 2
    Set(xpProperty_ListScrollPosition, 20);
    bmhost::Click(111, 623);  // row 3, i10 at the top
    Set(xpProperty_ListScrollPosition, 0);
    bmhost::Click(200, 650);  // past the last item: selects nothing
    Set(xpProperty_ListSelection, -1);
    bmhost::Click(200, 650);
    bmhost::Drag(200, 650, 450, 650);  // released off the list: no announcement
    EXPECT_EQ(gChosen, (Lines{"2 i2", "13 i13", "13 i13", "-1 "}));

    // Scroll bar, from the top (position 30): pages of 10 below the thumb, buttons at the ends.
    Values positions;
    Set(xpProperty_ListScrollPosition, 30);
    for (int y : {570, 570, 570, 570, 545, 655, 545, 620, 635, 635, 655}) {
        bmhost::Click(400, y);
        positions.push_back(Get(xpProperty_ListScrollPosition));
    }
    EXPECT_EQ(positions, (Values{20, 10, 0, 0, 0, 1, 0, 10, 20, 30, 30}));
    EXPECT_EQ(Rows()[0], "650 i0");

    // The thumb's centre travels from 570 to 630; grabbed 5 above it.
    positions.clear();
    bmhost::MouseDown(400, 635);
    EXPECT_EQ(Frame()[1], "XPDrawTrack(390, 540, 410, 660, 0, 30, 30, 0, 1)");
    for (int y : {605, 590, 300, 541, 659}) {
        bmhost::MouseDrag(400, y);
        positions.push_back(Get(xpProperty_ListScrollPosition));
    }
    bmhost::MouseUp(400, 600);
    EXPECT_EQ(positions, (Values{15, 8, 8, 0, 30}));
    EXPECT_EQ(Get(xpProperty_ListThumbDragging), 0);
    EXPECT_EQ(gChosen.size(), 4u);
}

TEST_F(ListBox, ATrackWithNoTravelAndHostileNumbersChangeNothingAndCrashNothing) {
    Make(Numbered(5), 600, 560);  // 40 high: the buttons fill the track
    bmhost::MouseDown(200, 590);
    Set(xpProperty_ListThumbDragging, 1);  // as a script may
    bmhost::MouseDrag(400, 561);
    bmhost::MouseUp(400, 561);
    EXPECT_EQ(Get(xpProperty_ListScrollPosition), 5);

    for (intptr_t value : {INTPTR_MIN, intptr_t(-1), INTPTR_MAX})
        for (int property : {1900, 1907, 1908, 1909, 1910, 1911, 1912}) {
            Set(property, value);
            Frame();
            bmhost::Click(200, 590);
            bmhost::Click(400, 575);
            bmhost::Click(400, 595);
            bmhost::Drag(400, 580, 400, 565);
        }
    XPSetWidgetGeometry(list, 110, 540, 410, 660);  // upside down
    EXPECT_EQ(Rows(), Lines{});
    XPSetWidgetGeometry(list, INT_MIN, INT_MAX, INT_MAX, INT_MIN);
    Set(xpProperty_ListScrollPosition, 3);
    Set(xpProperty_ListScrollMax, 5);
    EXPECT_EQ(Rows(INT_MIN).size(), 3u);
    bmhost::Drag(450, 400, 450, 350);
    EXPECT_EQ(Items().size(), 5u);
    EXPECT_EQ(bmhost::SimLog().find("escaped"), std::string::npos) << bmhost::SimLog();
}

TEST_F(ListBox, AMissingColourFallsBackToTheBackupScaledByTheCockpitLight) {
    int lookups = 0;  // the third colour, the selection's, is not found
    bmhost::SetSdkCallListener([&](const char* call) {
        if (std::string(call) == "XPLMFindDataRef" && ++lookups == 3) bmhost::FailNextCall(call);
    });
    bmhost::WriteFloat("sim/graphics/misc/cockpit_light_level_g", 0.5f);
    Make("one");
    EXPECT_EQ(Frame()[7], "glColor4fv(0.253906, 0.162109, 0.347656, 0.25)");  // 65/256, 83/512, 89/256
    bmhost::SetSdkCallListener(nullptr);
    float rgb[3] = {-1, -1, -1};
    SetupAmbientColor(12, rgb);  // no such colour
    EXPECT_EQ(std::vector<float>(rgb, rgb + 3), std::vector<float>(3, 0));
    bmhost::FailNextCall("XPLMGetDatavf");  // unreadable for a frame: list_text's backup, black
    EXPECT_EQ(Frame().back(), "XPLMDrawString(0, 0, 0, 110, 650, 0, 0, \"one\")");
    EXPECT_EQ(Frame().back(), "XPLMDrawString(0.9, 0.9, 0.9, 110, 650, 0, 0, \"one\")");
}

int Watched(XPWidgetMessage message, XPWidgetID widget, intptr_t p1, intptr_t p2) {
    ++gInside;
    int answer = BM_ListBoxProc(message, widget, p1, p2);
    --gInside;
    return answer;
}

struct FaultRun : ListBox {
    void TestBody() override {}
};

TEST(ListBoxFaults, AFailingCallLosesAtMostWhatItWasForAndTheListBoxCarriesOn) {
    for (const char* function :
         {"XPUSelectIfNeeded", "XPGetWidgetGeometry", "XPGetWidgetProperty", "XPSetWidgetProperty",
          "XPGetWidgetDescriptor", "XPSetWidgetDescriptor", "XPSendMessageToWidget", "XPGetTrackMetrics", "XPDrawWindow",
          "XPDrawTrack", "XPLMSetGraphicsState", "XPLMBindTexture2d", "XPLMGetTexture", "XPLMGetFontDimensions",
          "XPLMDrawString", "XPLMGetDatavf"}) {
        SCOPED_TRACE(function);
        FaultRun t;
        t.SetUp();
        t.function = Watched;
        t.Make(Numbered(30));
        // Each action with the call failing the first time the list box makes it.
        const std::function<void()> actions[] = {
            [&] { t.Request(xpProperty_ListAppendItem, "appended"); },
            [&] {
                t.Set(xpProperty_ListSelection, 5);
                t.Set(xpProperty_ListInsertItem, 1);
            },
            [&] { bmhost::Click(200, 631); }, [&] { bmhost::Click(400, 570); },
            [&] { bmhost::Drag(400, 635, 400, 600); }, [&] { bmhost::RunFrames(1); }};
        bool armed = false;
        int failures = 0;
        bmhost::SetSdkCallListener([&](const char* call) {
            if (gInside && !armed && std::string(call) == function) {
                armed = true;
                ++failures;
                bmhost::FailNextCall(function);
            }
        });
        for (const auto& action : actions) {
            armed = false;
            action();
        }
        bmhost::SetSdkCallListener(nullptr);
        EXPECT_GT(failures, 0);
        EXPECT_EQ(bmhost::SimLog().find("escaped"), std::string::npos) << bmhost::SimLog();
        const BM_ListBoxData_t* data = BM_ListBoxItems(t.list);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->Lefts.size(), data->Items.size());
        EXPECT_EQ(data->Rights.size(), data->Items.size());
        t.Request(xpProperty_ListAppendItem, "after");  // whatever was lost, it works again
        EXPECT_EQ(data->Items.back(), "after");
        EXPECT_EQ(t.Rows()[0], "650 i0");
    }
}

// A script's callback that destroys the list box as it takes an append request, before it appends.
int DestroyOnTakingRequest(XPWidgetMessage message, XPWidgetID widget, intptr_t property, intptr_t value) {
    if (message == xpMsg_PropertyChanged && property == xpProperty_ListAppendItem && value == 0)
        XPDestroyWidget(widget, 0);
    return 0;
}

TEST_F(ListBox, ARecordGoesWithItsWidgetEvenInTheMiddleOfItsOwnMessage) {
    Make("a;b");
    XPWidgetID first = list;
    Make("c");
    XPDestroyWidget(first, 0);
    EXPECT_EQ(BM_ListBoxItems(first), nullptr);
    EXPECT_EQ(Items(), Lines{"c"});
    XPAddWidgetCallback(list, DestroyOnTakingRequest);
    Request(xpProperty_ListAppendItem, "d");
    EXPECT_EQ(BM_ListBoxItems(list), nullptr);
    EXPECT_EQ(bmhost::SimLog().find("escaped"), std::string::npos) << bmhost::SimLog();
}

}  // namespace
